// The tagged stream encoding of the program's data files.

#include "common/base/Funcs.h"

#include "common/base/HBuffFile.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

const char* const SReadStringError = "ReadString: ReadError";

/// Little-endian bytes of an unsigned value of N bytes.
template <int N>
void WriteLittleEndian(TStream& Stream, uint64_t Value)
{
    unsigned char Bytes[N];
    for (int I = 0; I < N; ++I)
        Bytes[I] = static_cast<unsigned char>(Value >> (8 * I));
    Stream.WriteBuffer(Bytes, N);
}

template <int N>
uint64_t ReadLittleEndian(TStream& Stream)
{
    unsigned char Bytes[N];
    Stream.ReadBuffer(Bytes, N);
    uint64_t Value = 0;
    for (int I = 0; I < N; ++I)
        Value |= uint64_t(Bytes[I]) << (8 * I);
    return Value;
}

/// Bytes between the position and the end of the stream.
Int64 BytesLeft(TStream& Stream)
{
    const Int64 Left = Stream.Size() - Stream.Position();
    return Left > 0 ? Left : 0;
}

} // namespace

void WriteString(TStream& Stream, const AnsiString& S)
{
    const Integer Len = S.Length();
    if (Len <= 255) {
        WriteByte(Stream, StrTagShort);
        WriteByte(Stream, static_cast<Byte>(Len));
    } else {
        WriteByte(Stream, StrTagLong);
        WriteInteger(Stream, Len);
    }
    if (Len > 0)
        Stream.WriteBuffer(S.Data(), Len);
}

AnsiString ReadString(TStream& Stream)
{
    Integer Len = 0;
    switch (ReadByte(Stream)) {
    case StrTagShort:
        Len = ReadByte(Stream);
        break;
    case StrTagLong:
        Len = ReadInteger(Stream);
        break;
    default:
        throw EReadError(SReadStringError);
    }
    // A long string's length comes from the file as four bytes: a damaged
    // one must not become a huge allocation. A short one is at most 255
    // bytes, and a file cut off inside it fails the read below with the
    // stream's own error.
    if (Len < 0 || (Len > 255 && Len > BytesLeft(Stream)))
        RaiseLoadError("Неверная длина строки"_a);
    AnsiString Result;
    Result.SetLength(Len);
    if (Len > 0)
        Stream.ReadBuffer(Result.Data(), Len);
    return Result;
}

void WriteInteger(TStream& Stream, Integer Value)
{
    WriteLittleEndian<4>(Stream, static_cast<uint32_t>(Value));
}

Integer ReadInteger(TStream& Stream)
{
    return static_cast<Integer>(static_cast<uint32_t>(ReadLittleEndian<4>(Stream)));
}

void WriteByte(TStream& Stream, Byte Value)
{
    Stream.WriteBuffer(&Value, 1);
}

Byte ReadByte(TStream& Stream)
{
    Byte Value = 0;
    Stream.ReadBuffer(&Value, 1);
    return Value;
}

void WriteBoolean(TStream& Stream, bool Value)
{
    WriteByte(Stream, Value ? 0xFF : 0x00);
}

bool ReadBoolean(TStream& Stream)
{
    return ReadByte(Stream) != 0;
}

void WriteDouble(TStream& Stream, double Value)
{
    uint64_t Bits = 0;
    std::memcpy(&Bits, &Value, sizeof Bits);
    WriteLittleEndian<8>(Stream, Bits);
}

double ReadDouble(TStream& Stream)
{
    const uint64_t Bits = ReadLittleEndian<8>(Stream);
    double Value = 0;
    std::memcpy(&Value, &Bits, sizeof Value);
    return Value;
}

void WriteCurrency(TStream& Stream, Currency Value)
{
    WriteLittleEndian<8>(Stream, static_cast<uint64_t>(Value.Raw()));
}

Currency ReadCurrency(TStream& Stream)
{
    return Currency::FromRaw(static_cast<int64_t>(ReadLittleEndian<8>(Stream)));
}

void RaiseLoadError(const AnsiString& Reason)
{
    RaiseAppError("Ошибка загрузки: "_a + Reason);
}

void WriteRecordStart(TStream& Stream, const AnsiString& Header)
{
    WriteByte(Stream, TagRecordStart);
    WriteString(Stream, Header);
}

void ReadRecordHeader(TStream& Stream, const AnsiString& Expected)
{
    if (ReadString(Stream) != Expected)
        RaiseLoadError("Неверный заголовок"_a);
}

void ReadRecordStartTag(TStream& Stream)
{
    if (ReadByte(Stream) != TagRecordStart)
        RaiseLoadError("Неверный заголовок"_a);
}

void WriteRecordList(TStream& Stream, Integer Count)
{
    WriteByte(Stream, TagRecordList);
    WriteInteger(Stream, Count);
}

Integer ReadRecordListCount(TStream& Stream)
{
    // The smallest record is 00 06 00 FF: a start, an empty header, an end.
    constexpr Int64 MinRecordSize = 4;
    const Integer Count = ReadInteger(Stream);
    if (Count < 0 || Count > BytesLeft(Stream) / MinRecordSize)
        RaiseLoadError("Неверное число записей"_a);
    return Count;
}

void WriteRecordEnd(TStream& Stream)
{
    WriteByte(Stream, TagRecordEnd);
}

void RaiseUnknownTag()
{
    RaiseLoadError("Неверный тип параметра"_a);
}

// ---- tagged data files -----------------------------------------------------

void WriteStringField(TStream& Stream, Byte Tag, const AnsiString& Value)
{
    WriteByte(Stream, Tag);
    WriteString(Stream, Value);
}

void WriteIntegerField(TStream& Stream, Byte Tag, Integer Value)
{
    WriteByte(Stream, Tag);
    WriteInteger(Stream, Value);
}

void WriteCurrencyField(TStream& Stream, Byte Tag, Currency Value)
{
    WriteByte(Stream, Tag);
    WriteCurrency(Stream, Value);
}

void WriteBooleanField(TStream& Stream, Byte Tag, bool Value)
{
    WriteByte(Stream, Tag);
    WriteBoolean(Stream, Value);
}

void WriteDoubleField(TStream& Stream, Byte Tag, double Value)
{
    WriteByte(Stream, Tag);
    WriteDouble(Stream, Value);
}

namespace {

/// Makes the data of a finished file durable before it replaces the old
/// one, so a crash right after the rename cannot leave an empty file. A
/// file that cannot be opened again or whose data the disk refuses raises:
/// the old file then stays. A file system that cannot sync at all keeps the
/// data as written.
void SyncFile(const AnsiString& FileName)
{
    const int Fd = ::open(FileName.ToUtf8().c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0) {
        SetLastError(Win32ErrorOfErrno(errno));
        RaiseLastOSError();
    }
    const bool Synced = ::fsync(Fd) == 0;
    const int Error = errno;
    ::close(Fd);
    if (!Synced && Error != EINVAL && Error != EROFS) {
        SetLastError(Win32ErrorOfErrno(Error));
        RaiseLastOSError();
    }
}

/// True when FileName is a regular file whose bytes are Data's. Any failure
/// to read it answers false: the file is then written anew.
bool FileHolds(const AnsiString& FileName, const char* Data, size_t Size)
{
    const int Fd = ::open(FileName.ToUtf8().c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0)
        return false;
    struct stat Info {};
    bool Same = ::fstat(Fd, &Info) == 0 && S_ISREG(Info.st_mode) && size_t(Info.st_size) == Size;
    char Chunk[65536];
    for (size_t Done = 0; Same && Done < Size;) {
        const ssize_t Got = ::read(Fd, Chunk, std::min(sizeof Chunk, Size - Done));
        if (Got < 0 && errno == EINTR)
            continue;
        Same = Got > 0 && std::memcmp(Chunk, Data + Done, size_t(Got)) == 0;
        Done += Same ? size_t(Got) : 0;
    }
    ::close(Fd);
    return Same;
}

/// Removes an unfinished temporary file when a save fails.
class TempFileGuard {
public:
    explicit TempFileGuard(const AnsiString& Name) : FName(Name) {}
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard()
    {
        if (!FDone)
            DeleteFile(FName);
    }
    void Done() { FDone = true; }

private:
    AnsiString FName;
    bool FDone = false;
};

}  // namespace

void SaveDataFile(const AnsiString& FileName, const std::function<void(TStream&)>& Write)
{
    TMemoryStream Data;
    Write(Data);
    const auto* Bytes = static_cast<const char*>(Data.Memory());
    const auto Size = static_cast<size_t>(Data.Size());
    // A file that already holds these bytes stays as it is: the state saved
    // at every exit is mostly the one loaded at the start, and rewriting it
    // would cost a sync of the disk for nothing.
    if (FileHolds(FileName, Bytes, Size))
        return;
    const AnsiString TempName = FileName + ".tmp";
    TempFileGuard Guard(TempName);
    {
        TschFileStream Stream(TempName, schCreate);
        Stream.WriteBuffer(Bytes, int(Size));
        // Closed here so that a failed last write raises: the stream's
        // destructor would only log it, and the short file would then
        // replace the good one.
        Stream.File().Close();
    }
    SyncFile(TempName);
    if (!RenameFileReplacing(TempName, FileName))
        RaiseLastOSError();
    Guard.Done();
}
