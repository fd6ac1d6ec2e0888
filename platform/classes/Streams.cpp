#include "platform/classes/Streams.h"

#include "platform/classes/RtlConsts.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

const char* const SWriteError = "Stream write error";
const char* const SFOpenError = "Cannot open file %s";

/// The block size CopyFrom moves at a time.
constexpr int MaxBufSize = 0xF000;
/// TFileStream reads ahead this many bytes at a time.
constexpr int ReadAheadSize = 0x10000;
/// TMemoryStream grows in steps of this many bytes.
constexpr Int64 MemoryDelta = 0x2000;

/// The position a seek by Offset from Origin asks for, in a stream of Size
/// bytes now at Position.
Int64 SeekTarget(Int64 Position, Int64 Size, Int64 Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning: return Offset;
    case soCurrent: return Position + Offset;
    case soEnd: return Size + Offset;
    }
    return Position;
}

}  // namespace

// ---- TStream ---------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TStream)

TStream::~TStream() = default;

void TStream::ReadBuffer(void* Buffer, int Count)
{
    if (Count != 0 && Read(Buffer, Count) != Count)
        throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, int Count)
{
    if (Count != 0 && Write(Buffer, Count) != Count)
        throw EWriteError(SWriteError);
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count)
{
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    // A negative count could never be read; without this check it would
    // size the buffer from a huge unsigned number.
    if (Count < 0)
        throw EReadError(SReadError);
    const Int64 Result = Count;
    std::vector<unsigned char> Buffer(static_cast<size_t>(std::min<Int64>(Count, MaxBufSize)));
    while (Count != 0) {
        const int N = static_cast<int>(std::min<Int64>(Count, MaxBufSize));
        Source->ReadBuffer(Buffer.data(), N);
        WriteBuffer(Buffer.data(), N);
        Count -= N;
    }
    return Result;
}

Int64 TStream::Size()
{
    const Int64 Pos = Seek(0, soCurrent);
    const Int64 Result = Seek(0, soEnd);
    Seek(Pos, soBeginning);
    return Result;
}

void TStream::SetSize(Int64) {}

// ---- TCustomMemoryStream ---------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomMemoryStream)

TCustomMemoryStream::~TCustomMemoryStream() = default;

void TCustomMemoryStream::SetPointer(void* Ptr, Int64 Size)
{
    FMemory = Ptr;
    FSize = Size;
}

int TCustomMemoryStream::Read(void* Buffer, int Count)
{
    if (FPosition < 0 || Count < 0)
        return 0;
    const Int64 Left = FSize - FPosition;
    if (Left <= 0)
        return 0;
    const int Result = static_cast<int>(std::min<Int64>(Left, Count));
    std::memcpy(Buffer, static_cast<const unsigned char*>(FMemory) + FPosition,
                static_cast<size_t>(Result));
    FPosition += Result;
    return Result;
}

int TCustomMemoryStream::Write(const void*, int)
{
    return 0;
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    FPosition = SeekTarget(FPosition, FSize, Offset, Origin);
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream)
{
    if (FSize != 0)
        Stream->WriteBuffer(FMemory, static_cast<int>(FSize));
}

void TCustomMemoryStream::SaveToFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

PRICETAGS_DEFINE_CLASS(MemoryBlockStream)

MemoryBlockStream::MemoryBlockStream(const void* Data, size_t Size)
{
    // Never written through: Write of the base writes nothing.
    SetPointer(const_cast<void*>(Data), static_cast<Int64>(Size));
}

// ---- TMemoryStream ---------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TMemoryStream)

TMemoryStream::~TMemoryStream() = default;

void TMemoryStream::SetCapacity(Int64 NewCapacity)
{
    if (NewCapacity > 0 && NewCapacity != static_cast<Int64>(FData.size()))
        NewCapacity = (NewCapacity + (MemoryDelta - 1)) & ~(MemoryDelta - 1);
    if (NewCapacity > std::numeric_limits<int>::max())
        throw EOutOfMemory("Out of memory");
    FData.resize(static_cast<size_t>(NewCapacity));
    if (NewCapacity == 0)
        FData.shrink_to_fit();
    SetPointer(FData.empty() ? nullptr : FData.data(), FSize);
}

int TMemoryStream::Write(const void* Buffer, int Count)
{
    if (FPosition < 0 || Count < 0)
        return 0;
    const Int64 Pos = FPosition + Count;
    if (Pos <= 0)
        return 0;
    if (Pos > FSize) {
        if (Pos > static_cast<Int64>(FData.size()))
            SetCapacity(Pos);
        // A gap left by seeking past the end reads as zeros.
        if (FPosition > FSize)
            std::fill(FData.begin() + FSize, FData.begin() + FPosition, 0);
        FSize = Pos;
    }
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = Pos;
    return Count;
}

void TMemoryStream::SetSize(Int64 NewSize)
{
    if (NewSize < 0)
        throw EWriteError(SWriteError);
    const Int64 OldPosition = FPosition;
    const Int64 OldSize = FSize;
    SetCapacity(NewSize);
    if (NewSize > OldSize)
        std::fill(FData.begin() + OldSize, FData.begin() + NewSize, 0);
    FSize = NewSize;
    if (OldPosition > NewSize)
        Seek(0, soEnd);
}

void TMemoryStream::Clear()
{
    FSize = 0;
    FPosition = 0;
    SetCapacity(0);
}

void TMemoryStream::LoadFromStream(TStream* Stream)
{
    Stream->SetPosition(0);
    const Int64 Count = Stream->Size();
    SetSize(Count);
    if (Count != 0)
        Stream->ReadBuffer(FMemory, static_cast<int>(Count));
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, static_cast<Word>(fmOpenRead | fmShareDenyWrite));
    LoadFromStream(&Stream);
}

// ---- THandleStream, TFileStream --------------------------------------------

PRICETAGS_DEFINE_CLASS(THandleStream)

THandleStream::THandleStream(int AHandle) : FHandle(AHandle) {}

THandleStream::~THandleStream() = default;

int THandleStream::Read(void* Buffer, int Count)
{
    const int Result = FileRead(FHandle, Buffer, Count);
    return Result < 0 ? 0 : Result;
}

int THandleStream::Write(const void* Buffer, int Count)
{
    const int Result = FileWrite(FHandle, Buffer, Count);
    return Result < 0 ? 0 : Result;
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    return FileSeek(FHandle, Offset, static_cast<int>(Origin));
}

void THandleStream::SetSize(Int64 NewSize)
{
    Seek(NewSize, soBeginning);
    if (!FileTruncate(FHandle))
        RaiseLastOSError();
}

PRICETAGS_DEFINE_CLASS(TFileStream)

TFileStream::TFileStream(const AnsiString& FileName, Word Mode)
    : THandleStream(-1), FFileName(FileName)
{
    if (Mode == fmCreate) {
        FHandle = FileCreate(FileName);
        if (FHandle < 0)
            throw EFCreateError(Format(SFCreateError, {FileName}));
        return;
    }
    FHandle = FileOpen(FileName, Mode);
    if (FHandle < 0)
        throw EFOpenError(Format(SFOpenError, {FileName}));
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        FileClose(FHandle);
}

void TFileStream::DropReadAhead()
{
    if (FAheadLength > 0 && FAheadStart + FAheadLength != FPosition)
        FileSeek(FHandle, FPosition, soBeginning);
    FAheadLength = 0;
}

int TFileStream::Read(void* Buffer, int Count)
{
    if (Count <= 0)
        return THandleStream::Read(Buffer, Count);
    auto* Out = static_cast<unsigned char*>(Buffer);
    int Done = 0;
    while (Done < Count) {
        const Int64 Index = FPosition - FAheadStart;
        if (FAheadLength > 0 && Index < FAheadLength) {
            const int N = std::min<int>(Count - Done, FAheadLength - static_cast<int>(Index));
            std::memcpy(Out + Done, FAhead.data() + Index, static_cast<size_t>(N));
            Done += N;
            FPosition += N;
            continue;
        }
        // The read-ahead is used up: the handle stands at the position.
        FAheadLength = 0;
        FSize = -1;
        const int Wanted = Count - Done;
        if (Wanted >= ReadAheadSize) {
            // Large blocks go straight to the caller.
            const int N = FileRead(FHandle, Out + Done, Wanted);
            if (N > 0) {
                Done += N;
                FPosition += N;
            }
            break;
        }
        if (FAhead.empty())
            FAhead.resize(ReadAheadSize);
        const int N = FileRead(FHandle, FAhead.data(), ReadAheadSize);
        if (N <= 0)
            break;
        FAheadStart = FPosition;
        FAheadLength = N;
        // A short block is all there is for now (the end of the file, or a
        // pipe): one read, as unbuffered, never a second that could block.
        if (N < ReadAheadSize && N < Wanted) {
            std::memcpy(Out + Done, FAhead.data(), static_cast<size_t>(N));
            Done += N;
            FPosition += N;
            break;
        }
    }
    return Done;
}

int TFileStream::Write(const void* Buffer, int Count)
{
    DropReadAhead();
    FSize = -1;
    const int Result = THandleStream::Write(Buffer, Count);
    FPosition += Result;
    return Result;
}

Int64 TFileStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    if (Origin == soCurrent && Offset == 0)
        return FPosition;
    if (Origin == soEnd) {
        const Int64 Result = FileSeek(FHandle, Offset, soEnd);
        if (Result >= 0) {
            FPosition = Result;
            FAheadLength = 0;
        }
        return Result;
    }
    const Int64 Target = SeekTarget(FPosition, 0, Offset, Origin);
    if (FAheadLength > 0 && Target >= FAheadStart && Target <= FAheadStart + FAheadLength) {
        FPosition = Target;
        return Target;
    }
    // Counted from the stream's position, not the handle's; a failed seek
    // (before the start) moves nothing, as the file's own seek.
    const Int64 Result = FileSeek(FHandle, Target, soBeginning);
    if (Result >= 0) {
        FPosition = Result;
        FAheadLength = 0;
    }
    return Result;
}

Int64 TFileStream::Size()
{
    // Readers ask for the size per field; the file is asked once a block.
    if (FSize < 0)
        FSize = FileGetSize(FHandle);
    return FSize >= 0 ? FSize : THandleStream::Size();
}

void TFileStream::SetSize(Int64 NewSize)
{
    DropReadAhead();
    FSize = -1;
    THandleStream::SetSize(NewSize);
}

// ---- TStringStream ---------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TStringStream)

TStringStream::TStringStream(const AnsiString& AString) : FDataString(AString) {}

TStringStream::~TStringStream() = default;

int TStringStream::Read(void* Buffer, int Count)
{
    const Int64 Left = FDataString.Length() - FPosition;
    const int Result = static_cast<int>(std::clamp<Int64>(Left, 0, std::max(Count, 0)));
    std::memcpy(Buffer, FDataString.Data() + FPosition, static_cast<size_t>(Result));
    FPosition += Result;
    return Result;
}

int TStringStream::Write(const void* Buffer, int Count)
{
    if (Count <= 0)
        return 0;
    // Bytes after the written ones are kept (the old class cut the string
    // at the end of every write).
    const Int64 End = FPosition + Count;
    if (End > std::numeric_limits<int>::max())
        return 0;
    if (End > FDataString.Length())
        FDataString.SetLength(static_cast<int>(End));
    std::memcpy(FDataString.Data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = End;
    return Count;
}

Int64 TStringStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    // From the end counted like every other stream (the old class
    // subtracted the offset there), and kept within the string.
    FPosition = std::clamp<Int64>(SeekTarget(FPosition, FDataString.Length(), Offset, Origin), 0,
                                  FDataString.Length());
    return FPosition;
}

void TStringStream::SetSize(Int64 NewSize)
{
    // A negative size would leave the position before the string.
    if (NewSize < 0 || NewSize > std::numeric_limits<int>::max())
        throw EWriteError(SWriteError);
    FDataString.SetLength(static_cast<int>(NewSize));
    if (FPosition > NewSize)
        FPosition = NewSize;
}

AnsiString TStringStream::ReadString(int Count)
{
    const Int64 Len = std::clamp<Int64>(FDataString.Length() - FPosition, 0, std::max(Count, 0));
    AnsiString Result = FDataString.SubString(static_cast<int>(FPosition) + 1, static_cast<int>(Len));
    FPosition += Len;
    return Result;
}

void TStringStream::WriteString(const AnsiString& S)
{
    Write(S.Data(), S.Length());
}
