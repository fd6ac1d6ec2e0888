#include "common/base/HBuffFile.h"

#include "common/base/Funcs.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Ticks.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

const char* const SBlockSize = "TWqHugeFile(%s):BlockSize must be greater than zero!";
const char* const SAllocBuffer = "TWqHugeFile(%s):Failed to allocate buffer!";
const char* const SNotOpen = "TWqHugeFile(%s):File not open!";
const char* const SInvalidMode = "TWqHugeFileStream(%s):Invalid mode!";
const char* const SReadInWriteMode = "TWqHugeFile(%s):Read while in buffered write mode!";
const char* const SWriteInReadMode = "TWqHugeFile(%s):Write while in buffered read mode!";
const char* const SOpFailed = "TWqHugeFile.%s(%s) failed. ";

constexpr Integer DefaultBufferSize = 64 * 1024;
constexpr Integer StreamBufferSize = 0x40000;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 128;
constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000;
/// Pause between the retries of a busy open.
constexpr DWORD RetryStep = 10;

Integer PageSize()
{
    const long Size = sysconf(_SC_PAGESIZE);
    return Size > 0 ? static_cast<Integer>(Size) : 4096;
}

} // namespace

PRICETAGS_DEFINE_CLASS(TWqHugeFile)

TWqHugeFile::TWqHugeFile(const AnsiString& FileName, DWORD DesiredAccess, DWORD ShareMode,
                         DWORD FlagsAndAttributes)
    : FDesiredAccess(DesiredAccess),
      FShareMode(ShareMode),
      FNoBuffering((FlagsAndAttributes & FILE_FLAG_NO_BUFFERING) != 0),
      FFlagsAndAttributes(FlagsAndAttributes),
      FFileName(FileName)
{
}

TWqHugeFile::~TWqHugeFile()
{
    try {
        Close();
    } catch (const std::exception& E) {
        // A destructor must not raise; the data that did not reach the file
        // is at least named in the log.
        LogMessage(AnsiString(E.what()), 2);
    }
    std::free(FBuffer);
}

void TWqHugeFile::RaiseError(const char* Fmt, int HelpContext)
{
    throw EWqHugeFile(Format(Fmt, {FFileName}), HelpContext);
}

void TWqHugeFile::HugeFileCheckOsResult(bool Ok, const AnsiString& Op)
{
    if (Ok)
        return;
    FLastError = GetLastError();
    const AnsiString Head = Format(SOpFailed, {Op, FFileName});
    if (FLastError != 0)
        throw EWqHugeFile(Head + Format(SOSError, {Integer(FLastError), SysErrorMessage(FLastError)}),
                          1001);
    throw EWqHugeFile(Head + SUnkOSError, 1002);
}

// ---- opening and closing ---------------------------------------------------

int TWqHugeFile::Reset(Integer BlockSize, Integer BufferSize, Byte Flags, DWORD WaitTime)
{
    return Open(BlockSize, BufferSize, Flags, true, WaitTime);
}

int TWqHugeFile::Rewrite(Integer BlockSize, Integer BufferSize, Byte Flags, DWORD WaitTime)
{
    return Open(BlockSize, BufferSize, Flags, false, WaitTime);
}

int TWqHugeFile::Open(Integer ABlockSize, Integer ABufferSize, Byte Flags, bool ForReading,
                      DWORD WaitTime)
{
    if (FIsOpen && FCloseAtEof)
        Close();
    // A handle still open is reused: its buffer is written and freed under
    // the settings it was made with, before the new ones are taken.
    const bool Reuse = FIsOpen;
    if (Reuse)
        FreeBuffer();
    FClosedAtEof = false;
    FEofReached = false;
    FCachedSize = -1;
    FBuffered = (Flags & hfBuffered) != 0;
    FLockBuffer = (Flags & hfLockBuffer) != 0;
    FCloseAtEof = FBuffered && (Flags & hfCloseAtEof) != 0;
    FCreateIfMissing = ForReading && (Flags & hfCreateIfMissing) != 0;
    FBufferSize = ABufferSize > 0 ? ABufferSize : DefaultBufferSize;

    int Status = hfOpened;
    if (Reuse) {
        if (ABlockSize < 1)
            RaiseError(SBlockSize, 1003);
        FBlockSize = ABlockSize;
        HugeFileCheckOsResult(FileSeek(FHandle, 0, 0) == 0, ForReading ? "Reset" : "Rewrite");
        FFilePosition = 0;
        if (!ForReading)
            HugeFileCheckOsResult(FileTruncate(FHandle), "Rewrite");
        AllocBuffer();
    } else {
        Status = OpenFile(ABlockSize, ForReading, WaitTime);
    }
    if (Status != hfOpened) {
        Close();
        SetLastError(FLastError);
        return Status;
    }
    if (ForReading)
        InitReadBuffer();
    else
        InitWriteBuffer();
    return Status;
}

int TWqHugeFile::OpenFile(Integer ABlockSize, bool ForReading, DWORD WaitTime)
{
    if (ABlockSize < 1)
        RaiseError(SBlockSize, 1003);
    FBlockSize = ABlockSize;
    const DWORD StartTick = GetTickCount();
    const DWORD Disposition = !ForReading      ? CREATE_ALWAYS
                              : FCreateIfMissing ? OPEN_ALWAYS
                                                 : OPEN_EXISTING;
    DWORD Share = FShareMode;
    if (!FAutoShare || FShareMode == hfAutoShare)
        Share = FDesiredAccess == GENERIC_READ ? FILE_SHARE_READ : 0;
    for (;;) {
        FHandle = CreateFile(FFileName, FDesiredAccess, Share, Disposition);
        if (FHandle != INVALID_HANDLE_VALUE)
            break;
        FLastError = GetLastError();
        const bool Busy =
            FLastError == ERROR_SHARING_VIOLATION || FLastError == ERROR_LOCK_VIOLATION;
        if (!Busy)
            return hfOpenError;
        const DWORD Waited = GetTickCount() - StartTick;
        if (WaitTime == 0 || Waited >= WaitTime)
            return hfShareError;
        Sleep(std::min(RetryStep, WaitTime - Waited));
    }
    FIsOpen = true;
    FFilePosition = 0;
    AllocBuffer();
    return hfOpened;
}

void TWqHugeFile::Close()
{
    if (!FIsOpen)
        return;
    // The buffer is written before the handle goes; when that fails the
    // handle is still closed and the error raised.
    std::exception_ptr Failure;
    try {
        FreeBuffer();
    } catch (...) {
        Failure = std::current_exception();
    }
    FileClose(FHandle);
    FHandle = -1;
    FIsOpen = false;
    FMode = BufferMode::None;
    FBufferPos = 0;
    FBufferFill = 0;
    if (Failure)
        std::rethrow_exception(Failure);
}

void TWqHugeFile::CloseAtEnd()
{
    FSizeAtClose = LogicalPosition();
    Close();
    FClosedAtEof = true;
}

// ---- the buffer ------------------------------------------------------------

Integer TWqHugeFile::RoundToPageSize(Integer Size)
{
    const Integer Page = PageSize();
    return (Size + Page - 1) / Page * Page;
}

void TWqHugeFile::AllocBuffer()
{
    if (!FBuffered || FBuffer)
        return;
    FBufferSize = RoundToPageSize(FBufferSize);
    void* Memory = nullptr;
    if (posix_memalign(&Memory, static_cast<size_t>(PageSize()), static_cast<size_t>(FBufferSize))
        != 0)
        RaiseError(SAllocBuffer, 1005);
    FBuffer = static_cast<unsigned char*>(Memory);
    // Locking may be refused by the system's limits; the buffer works
    // unlocked all the same.
    if (FLockBuffer && mlock(FBuffer, static_cast<size_t>(FBufferSize)) != 0)
        FLockBuffer = false;
}

void TWqHugeFile::FreeBuffer()
{
    if (!FBuffer)
        return;
    std::exception_ptr Failure;
    try {
        WriteOut("FreeBuffer");
    } catch (...) {
        Failure = std::current_exception();
    }
    if (FLockBuffer)
        munlock(FBuffer, static_cast<size_t>(FBufferSize));
    std::free(FBuffer);
    FBuffer = nullptr;
    if (Failure)
        std::rethrow_exception(Failure);
}

void TWqHugeFile::InitReadBuffer()
{
    FMode = FBuffered ? BufferMode::Read : BufferMode::None;
    FBufferPos = 0;
    FBufferFill = 0;
}

void TWqHugeFile::InitWriteBuffer()
{
    FMode = FBuffered ? BufferMode::Write : BufferMode::None;
    FBufferPos = 0;
    FBufferFill = 0;
}

void TWqHugeFile::FlushBuffer()
{
    WriteOut("BlockWrite");
}

void TWqHugeFile::WriteOut(const char* Op)
{
    if (FMode != BufferMode::Write || FBufferFill == 0)
        return;
    const Integer Fill = FBufferFill;
    FBufferFill = 0;
    WriteDirect(FBuffer, Fill, Op);
}

Int64 TWqHugeFile::LogicalPosition() const
{
    switch (FMode) {
    case BufferMode::Read:
        return FFilePosition - (FBufferFill - FBufferPos);
    case BufferMode::Write:
        return FFilePosition + FBufferFill;
    case BufferMode::None:
        break;
    }
    return FFilePosition;
}

// ---- reading and writing ---------------------------------------------------

Int64 TWqHugeFile::ReadDirect(void* Dest, Int64 Bytes, const char* Op)
{
    auto* Out = static_cast<unsigned char*>(Dest);
    Int64 Done = 0;
    while (Done < Bytes) {
        const int Part = static_cast<int>(std::min<Int64>(Bytes - Done, 0x40000000));
        const int Got = FileRead(FHandle, Out + Done, Part);
        HugeFileCheckOsResult(Got >= 0, Op);
        if (Got == 0)
            break;
        Done += Got;
        FFilePosition += Got;
    }
    return Done;
}

void TWqHugeFile::WriteDirect(const void* Src, Int64 Bytes, const char* Op)
{
    const auto* In = static_cast<const unsigned char*>(Src);
    Int64 Done = 0;
    while (Done < Bytes) {
        const int Part = static_cast<int>(std::min<Int64>(Bytes - Done, 0x40000000));
        const int Put = FileWrite(FHandle, In + Done, Part);
        if (Put <= 0 && GetLastError() == 0)
            SetLastError(ERROR_DISK_FULL);
        HugeFileCheckOsResult(Put > 0, Op);
        Done += Put;
        FFilePosition += Put;
    }
}

Int64 TWqHugeFile::Fetch(void* Dest, Int64 Bytes)
{
    if (FMode == BufferMode::Write)
        RaiseError(SReadInWriteMode, 1007);
    auto* Out = static_cast<unsigned char*>(Dest);
    Int64 Done = 0;
    while (Done < Bytes) {
        const Integer Avail = FBufferFill - FBufferPos;
        if (Avail > 0) {
            const Int64 Part = std::min<Int64>(Avail, Bytes - Done);
            std::memcpy(Out + Done, FBuffer + FBufferPos, static_cast<size_t>(Part));
            FBufferPos += static_cast<Integer>(Part);
            Done += Part;
            continue;
        }
        if (Bytes - Done >= FBufferSize) {
            // A part larger than the buffer goes straight to the caller; the
            // buffer then holds nothing of the file.
            FBufferPos = 0;
            FBufferFill = 0;
            const Int64 Want = Bytes - Done;
            const Int64 Got = ReadDirect(Out + Done, Want, "Fetch");
            Done += Got;
            if (Got < Want)
                break;
            continue;
        }
        FBufferPos = 0;
        FBufferFill = static_cast<Integer>(ReadDirect(FBuffer, FBufferSize, "Fetch"));
        if (FBufferFill == 0)
            break;
    }
    return Done;
}

void TWqHugeFile::WriteBuffered(const void* Src, Int64 Bytes)
{
    if (FMode == BufferMode::Read)
        RaiseError(SWriteInReadMode, 1006);
    const auto* In = static_cast<const unsigned char*>(Src);
    Int64 Done = 0;
    while (Done < Bytes) {
        if (FBufferFill == 0 && Bytes - Done >= FBufferSize) {
            // Whole buffer-sized parts go straight to the file.
            const Int64 Whole = (Bytes - Done) / FBufferSize * FBufferSize;
            WriteDirect(In + Done, Whole, "BlockWrite");
            Done += Whole;
            continue;
        }
        const Int64 Part = std::min<Int64>(FBufferSize - FBufferFill, Bytes - Done);
        std::memcpy(FBuffer + FBufferFill, In + Done, static_cast<size_t>(Part));
        FBufferFill += static_cast<Integer>(Part);
        Done += Part;
        if (FBufferFill == FBufferSize)
            FlushBuffer();
    }
}

void TWqHugeFile::BlockRead(void* Buffer, Integer Count, Integer& Read)
{
    Read = 0;
    if (FClosedAtEof || Count <= 0)
        return;
    CheckHandle();
    const Int64 Bytes = Int64(Count) * FBlockSize;
    const Int64 Got = FMode == BufferMode::None ? ReadDirect(Buffer, Bytes, "BlockRead")
                                                : Fetch(Buffer, Bytes);
    Read = static_cast<Integer>(Got / FBlockSize);
    if (Got < Bytes) {
        FEofReached = true;
        if (FCloseAtEof)
            CloseAtEnd();
    }
}

void TWqHugeFile::BlockWrite(const void* Buffer, Integer Count, Integer& Written)
{
    Written = 0;
    CheckHandle();
    if (Count <= 0)
        return;
    FCachedSize = -1;
    const Int64 Bytes = Int64(Count) * FBlockSize;
    if (FBuffered && FMode != BufferMode::None)
        WriteBuffered(Buffer, Bytes);
    else
        WriteDirect(Buffer, Bytes, "BlockWrite");
    Written = Count;
}

// ---- positions and size ----------------------------------------------------

void TWqHugeFile::CheckHandle()
{
    if (FHandle == -1)
        RaiseError(SNotOpen, 1004);
}

void TWqHugeFile::Seek(Int64 Block)
{
    _Seek(Block);
}

void TWqHugeFile::_Seek(Int64 Block)
{
    CheckHandle();
    const Int64 Target = Block * FBlockSize;
    FEofReached = false;
    if (FMode == BufferMode::Read) {
        // Inside the data the buffer holds only the buffer position moves.
        const Int64 BufferStart = FFilePosition - FBufferFill;
        if (Target >= BufferStart && Target <= FFilePosition) {
            FBufferPos = static_cast<Integer>(Target - BufferStart);
            return;
        }
    }
    FlushBuffer();
    HugeFileCheckOsResult(FileSeek(FHandle, Target, 0) >= 0, "_Seek");
    FFilePosition = Target;
    if (FMode == BufferMode::Read) {
        FBufferPos = 0;
        FBufferFill = 0;
    }
}

Int64 TWqHugeFile::FilePos()
{
    return _FilePos();
}

Int64 TWqHugeFile::_FilePos()
{
    if (FClosedAtEof)
        return FSizeAtClose / FBlockSize;
    CheckHandle();
    return LogicalPosition() / FBlockSize;
}

Int64 TWqHugeFile::FileSize()
{
    if (FClosedAtEof)
        return FSizeAtClose / FBlockSize;
    CheckHandle();
    const Int64 OnDisk = FileGetSize(FHandle);
    HugeFileCheckOsResult(OnDisk >= 0, "FileSize");
    return std::max(OnDisk, LogicalPosition()) / FBlockSize;
}

Int64 TWqHugeFile::GetSizeCached()
{
    if (FCachedSize < 0 || FClosedAtEof)
        FCachedSize = FileSize();
    return FCachedSize;
}

bool TWqHugeFile::IsEof()
{
    return GetSizeCached() <= FilePos();
}

void TWqHugeFile::Truncate()
{
    CheckHandle();
    // The handle stands where the caller does before the file is cut.
    const Int64 Position = LogicalPosition();
    FlushBuffer();
    HugeFileCheckOsResult(FileSeek(FHandle, Position, 0) >= 0, "Truncate");
    FFilePosition = Position;
    if (FMode == BufferMode::Read) {
        FBufferPos = 0;
        FBufferFill = 0;
    }
    HugeFileCheckOsResult(FileTruncate(FHandle), "Truncate");
    FCachedSize = -1;
}

// ---- file date -------------------------------------------------------------

TDateTime TWqHugeFile::GetDate()
{
    const Integer Age = FileAge(FFileName);
    if (Age == -1)
        return -1;
    return FileDateToDateTime(Age);
}

void TWqHugeFile::SetDate(TDateTime Value)
{
    // Data still in the buffer would change the date again when written.
    if (FIsOpen)
        FlushBuffer();
    const Integer Error = FileSetDate(FFileName, DateTimeToFileDate(Value));
    if (Error == 0)
        return;
    FLastError = static_cast<DWORD>(Error);
    throw EWqHugeFile(Format(SOpFailed, {"SetDate", FFileName}) + SysErrorMessage(FLastError));
}

// ---- the stream ------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TschFileStream)

TschFileStream::TschFileStream(const AnsiString& FileName, Word Mode)
{
    const DWORD Access = Mode == schOpenRead ? GENERIC_READ
                         : Mode == schCreate ? GENERIC_WRITE
                                             : GENERIC_READ | GENERIC_WRITE;
    FFile = std::make_unique<TWqHugeFile>(FileName, Access, hfAutoShare, FILE_ATTRIBUTE_NORMAL);
    if (Mode == schCreate) {
        FFile->HugeFileCheckOsResult(
            FFile->Rewrite(1, StreamBufferSize, hfBuffered) == hfOpened, "Rewrite");
        return;
    }
    const Byte Flags = hfBuffered | (Mode == schOpenOrCreate ? hfCreateIfMissing : 0);
    FFile->HugeFileCheckOsResult(FFile->Reset(1, StreamBufferSize, Flags) == hfOpened, "Reset");
}

TschFileStream::~TschFileStream() = default;

int TschFileStream::Read(void* Buffer, int Count)
{
    if (FFile->TakeFromBuffer(Buffer, Count))
        return Count;
    Integer Got = 0;
    FFile->BlockRead(Buffer, Count, Got);
    return Got;
}

int TschFileStream::Write(const void* Buffer, int Count)
{
    Integer Put = 0;
    FFile->BlockWrite(Buffer, Count, Put);
    return Put;
}

Int64 TschFileStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning:
        break;
    case soCurrent:
        if (Offset == 0)
            return FFile->FilePos();
        Offset += FFile->FilePos();
        break;
    case soEnd:
        Offset += FFile->FileSize();
        break;
    default:
        // The origin may come from a caller's number outside the three.
        throw EWqHugeFileStream(Format(SInvalidMode, {"(Seek)"}), 1010);
    }
    FFile->Seek(Offset);
    return FFile->FilePos();
}

Int64 TschFileStream::Size()
{
    if (!FFile->IsOpen())
        return -1;
    return FFile->GetSizeCached();
}

void TschFileStream::SetSize(Int64 NewSize)
{
    FFile->Seek(NewSize);
    FFile->Truncate();
}
