#include "exceptionlog/DataBlock.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/DebugData.h"

#include "platform/classes/Streams.h"

#include <elf.h>
#include <errno.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

const char SBadBlock[] = "Bad data block: ";

[[noreturn]] void RaiseBad(const char* What)
{
    throw EDataBlockError(AnsiString(SBadBlock) + What);
}

// A cursor over bytes that refuses to pass their end.
class ByteReader {
public:
    ByteReader(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}

    size_t Left() const { return FSize - FPos; }
    size_t Pos() const { return FPos; }
    const uint8_t* Here() const { return FData + FPos; }

    const uint8_t* Take(size_t N, const char* What)
    {
        if (N > Left())
            RaiseBad(What);
        const uint8_t* P = Here();
        FPos += N;
        return P;
    }
    uint32_t U32(const char* What)
    {
        const uint8_t* P = Take(4, What);
        return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) |
               (uint32_t(P[3]) << 24);
    }
    uint16_t U16(const char* What)
    {
        const uint8_t* P = Take(2, What);
        return uint16_t(P[0] | (P[1] << 8));
    }
    double F64(const char* What)
    {
        uint64_t Bits = 0;
        const uint8_t* P = Take(8, What);
        for (int I = 0; I < 8; ++I)
            Bits |= uint64_t(P[I]) << (8 * I);
        double D = 0;
        std::memcpy(&D, &Bits, 8);
        return D;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

void PutU32(std::string& Out, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        Out += char((V >> (8 * I)) & 0xFF);
}

void PutHeader(std::string& Out, Word Version, TDateTime Date)
{
    Out += char(Version & 0xFF);
    Out += char(Version >> 8);
    const double D = Date;
    uint64_t Bits = 0;
    std::memcpy(&Bits, &D, 8);
    for (int I = 0; I < 8; ++I)
        Out += char((Bits >> (8 * I)) & 0xFF);
}

std::string OptionsBytes(const TRazuroModuleOptions& Options, Word Version)
{
    TMemoryStream S;
    Options.SaveToStream(&S, Version);
    return std::string(static_cast<const char*>(S.Memory()), size_t(S.Size()));
}

// Reads options of format Version from the front of Bytes; returns how many
// bytes they took.
size_t LoadOptions(const uint8_t* Bytes, size_t Size, Word Version, TRazuroModuleOptions& Options)
{
    MemoryBlockStream S(Bytes, Size);
    Options.LoadFromStream(&S, Version);
    return size_t(S.Position());
}

// Options and debug tables pack to a half or a fifth of their size; a
// block that would unpack to many times more is a bomb, refused before it
// takes the memory. The floor leaves room for small blocks of like bytes.
constexpr size_t MaxInflateRatio = 16;
constexpr size_t InflateFloor = size_t(1) << 20;

/// The most that Packed bytes may unpack to, and never more than Max.
size_t InflateCap(size_t Packed, size_t Max)
{
    return std::min(Max, std::max(InflateFloor, Packed * MaxInflateRatio));
}

std::unique_ptr<TMemoryStream> DebugStream(ByteReader& R)
{
    const uint32_t L = R.U32("debug data length");
    const uint8_t* P = R.Take(L, "debug data length");
    auto S = std::make_unique<TMemoryStream>();
    if (L > 0)
        S->WriteBuffer(P, int(L));
    S->SetPosition(0);
    return S;
}

// What a block yields; moved into the module record only when complete.
struct BlockContent {
    Word Version = 0;
    TDateTime Date = 0;
    std::unique_ptr<TRazuroModuleOptions> Options;
    std::unique_ptr<TMemoryStream> Debug;
    KeptBytes PackedDebug;
    AnsiString Password;
    bool PasswordOK = true;
};

void Commit(BlockContent& C, ModuleRecord& Rec)
{
    Rec.DataVersion = C.Version;
    Rec.CompiledDate = C.Date;
    if (Rec.Options)
        Rec.Options->Assign(C.Options.get());
    else
        Rec.Options = std::move(C.Options);
    Rec.DebugData = std::move(C.Debug);
    Rec.PackedDebugData = std::move(C.PackedDebug);
    Rec.DebugDataPresent = Rec.DebugData != nullptr || !Rec.PackedDebugData.empty();
    Rec.Password = C.Password;
    Rec.PasswordOK = C.PasswordOK;
}

// Format 500 on: skipped part, compressed options, check value, debug part.
void ReadCurrentLayout(const std::shared_ptr<const void>& Owner, ByteReader& R, bool WantDebug,
                       const PasswordSource& Password, BlockContent& C)
{
    const uint32_t A = R.U32("skipped part length");
    R.Take(A, "skipped part length");
    const uint32_t B = R.U32("options length");
    const uint8_t* Packed = R.Take(B, "options length");
    const std::string Opt = DecompressBuffer(Packed, B, InflateCap(B, MaxOptionsSize));
    LoadOptions(reinterpret_cast<const uint8_t*>(Opt.data()), Opt.size(), C.Version, *C.Options);
    if (!WantDebug || R.Left() == 0)
        return;
    C.Password = Password ? Password() : AnsiString();
    uint8_t Check[4];
    std::memcpy(Check, R.Take(4, "check value"), 4);
    TEADecrypt(TEASetKey(C.Password), Check, Check, 4);
    const uint32_t Value = uint32_t(Check[0]) | (uint32_t(Check[1]) << 8) |
                           (uint32_t(Check[2]) << 16) | (uint32_t(Check[3]) << 24);
    C.PasswordOK = Value == DataBlockMagic;
    C.PackedDebug.Data = reinterpret_cast<const char*>(R.Here());
    C.PackedDebug.Size = R.Left();
    if (Owner) {
        C.PackedDebug.Owner = Owner;
        return;
    }
    auto Copy = std::make_shared<const std::string>(C.PackedDebug.Data, C.PackedDebug.Size);
    C.PackedDebug.Data = Copy->data();
    C.PackedDebug.Owner = std::move(Copy);
}

// Below 500: the options stream, then the debug part, compressed from 450.
void ReadOldLayout(ByteReader& R, bool WantDebug, BlockContent& C)
{
    std::string Unpacked;
    const uint8_t* P = R.Here();
    size_t N = R.Left();
    if (C.Version >= 450) {
        Unpacked = DecompressBuffer(P, N, InflateCap(N, MaxOptionsSize + MaxDebugDataSize));
        P = reinterpret_cast<const uint8_t*>(Unpacked.data());
        N = Unpacked.size();
    }
    const size_t Used = LoadOptions(P, N, C.Version, *C.Options);
    if (!WantDebug)
        return;
    ByteReader D(P + Used, N - Used);
    C.Debug = DebugStream(D);
}

Int64 StreamSize(TStream& S)
{
    return S.Size();
}

// Size bytes at Offset into Buffer; raises EReadError when the file ends
// before them. A file is read in place, leaving the stream as it was:
// these are a few small pieces far apart (the header, the section table
// at the end), and the stream's read-ahead would take 64 KiB for each.
void ReadBytesAt(TStream& File, Int64 Offset, void* Buffer, size_t Size)
{
    const auto* Handle = dynamic_cast<THandleStream*>(&File);
    if (!Handle) {
        File.SetPosition(Offset);
        File.ReadBuffer(Buffer, int(Size));
        return;
    }
    auto* Out = static_cast<char*>(Buffer);
    for (size_t Done = 0; Done < Size;) {
        const ssize_t Got =
            ::pread(Handle->Handle(), Out + Done, Size - Done, off_t(Offset) + off_t(Done));
        if (Got < 0 && errno == EINTR)
            continue;
        if (Got <= 0)
            throw EReadError(SReadError);
        Done += size_t(Got);
    }
}

std::string ReadAt(TStream& File, Int64 Offset, Int64 Size)
{
    std::string Bytes(size_t(Size), '\0');
    ReadBytesAt(File, Offset, Bytes.data(), Bytes.size());
    return Bytes;
}

// The section's bytes mapped read-only from a file stream's file; null for
// other streams, an empty section or when the system refuses the mapping.
// The program's debug part (megabytes) is then read from the disk only if
// a failure asks for it, not at every start.
std::shared_ptr<const void> MapSection(TStream& File, Int64 Offset, Int64 Size)
{
    const auto* Handle = dynamic_cast<THandleStream*>(&File);
    if (!Handle || Size <= 0)
        return nullptr;
    const Int64 Page = sysconf(_SC_PAGESIZE);
    const Int64 Start = Offset - Offset % Page;
    const size_t Length = size_t(Offset - Start + Size);
    void* Map = mmap(nullptr, Length, PROT_READ, MAP_PRIVATE, Handle->Handle(), off_t(Start));
    if (Map == MAP_FAILED)
        return nullptr;
    const char* Section = static_cast<const char*>(Map) + (Offset - Start);
    return std::shared_ptr<const void>(Section, [Map, Length](const void*) { munmap(Map, Length); });
}

bool ReadTrailer(TStream& File, bool WantDebug, ModuleRecord& Rec)
{
    const Int64 FileSize = StreamSize(File);
    if (FileSize < 8)
        return false;
    const std::string Tail = ReadAt(File, FileSize - 8, 8);
    ByteReader T(reinterpret_cast<const uint8_t*>(Tail.data()), 8);
    const uint32_t L = T.U32("trailer");
    if (T.U32("trailer") != DataBlockMagic)
        return false;
    if (Int64(L) > FileSize - 8 || Int64(L) > Int64(MaxOptionsSize + MaxDebugDataSize))
        RaiseBad("trailer length");
    const std::string Body = ReadAt(File, FileSize - 8 - L, L);
    ByteReader R(reinterpret_cast<const uint8_t*>(Body.data()), Body.size());
    BlockContent C;
    C.Version = R.U16("format");
    C.Date = R.F64("date");
    C.Options = std::make_unique<TRazuroModuleOptions>();
    R.Take(LoadOptions(R.Here(), R.Left(), C.Version, *C.Options), "options");
    if (WantDebug)
        C.Debug = DebugStream(R);
    Commit(C, Rec);
    return true;
}

}  // namespace

ModuleRecord::ModuleRecord() = default;
ModuleRecord::~ModuleRecord() = default;

void ReadDataBlock(const void* Data, size_t Size, bool WantDebug, const PasswordSource& Password,
                   ModuleRecord& Rec)
{
    ReadDataBlock(nullptr, Data, Size, WantDebug, Password, Rec);
}

void ReadDataBlock(const std::shared_ptr<const void>& Owner, const void* Data, size_t Size,
                   bool WantDebug, const PasswordSource& Password, ModuleRecord& Rec)
{
    ByteReader R(static_cast<const uint8_t*>(Data), Size);
    if (R.U32("magic") != DataBlockMagic)
        RaiseBad("magic");
    BlockContent C;
    C.Version = R.U16("format");
    C.Date = R.F64("date");
    C.Options = std::make_unique<TRazuroModuleOptions>();
    if (C.Version >= FirstCurrentLayoutVersion)
        ReadCurrentLayout(Owner, R, WantDebug, Password, C);
    else
        ReadOldLayout(R, WantDebug, C);
    Commit(C, Rec);
}

bool FindElfSection(TStream& File, const char* Name, Int64& Offset, Int64& Size)
{
    const Int64 FileSize = StreamSize(File);
    if (FileSize < Int64(sizeof(Elf64_Ehdr)))
        return false;
    Elf64_Ehdr H;
    ReadBytesAt(File, 0, &H, sizeof H);
    if (std::memcmp(H.e_ident, ELFMAG, SELFMAG) != 0 || H.e_ident[EI_CLASS] != ELFCLASS64 ||
        H.e_ident[EI_DATA] != ELFDATA2LSB || H.e_shentsize != sizeof(Elf64_Shdr) ||
        H.e_shstrndx >= H.e_shnum)
        return false;
    if (H.e_shoff > uint64_t(FileSize) ||
        uint64_t(H.e_shnum) * sizeof(Elf64_Shdr) > uint64_t(FileSize) - H.e_shoff)
        return false;
    std::vector<Elf64_Shdr> Sections(H.e_shnum);
    ReadBytesAt(File, Int64(H.e_shoff), Sections.data(), Sections.size() * sizeof(Elf64_Shdr));
    const auto Inside = [&](const Elf64_Shdr& S) {
        return S.sh_type != SHT_NOBITS && S.sh_offset <= uint64_t(FileSize) &&
               S.sh_size <= uint64_t(FileSize) - S.sh_offset;
    };
    const Elf64_Shdr& Names = Sections[H.e_shstrndx];
    if (!Inside(Names))
        return false;
    const std::string Table = ReadAt(File, Int64(Names.sh_offset), Int64(Names.sh_size));
    for (const Elf64_Shdr& S : Sections) {
        if (S.sh_name >= Table.size() || std::strcmp(Table.c_str() + S.sh_name, Name) != 0)
            continue;
        // The name must end inside the table, not at the string's own NUL.
        if (Table.find('\0', S.sh_name) == std::string::npos || !Inside(S))
            return false;
        Offset = Int64(S.sh_offset);
        Size = Int64(S.sh_size);
        return true;
    }
    return false;
}

TMemoryStream* ModuleDebugData(ModuleRecord& Rec)
{
    if (!Rec.DebugData && !Rec.PackedDebugData.empty()) {
        const KeptBytes Packed = std::exchange(Rec.PackedDebugData, KeptBytes());
        const std::string Debug =
            DecompressBuffer(Packed.Data, Packed.Size, InflateCap(Packed.Size, MaxDebugDataSize));
        ByteReader D(reinterpret_cast<const uint8_t*>(Debug.data()), Debug.size());
        Rec.DebugData = DebugStream(D);
    }
    return Rec.DebugData.get();
}

bool ReadModuleBlock(TStream& File, bool WantDebug, const PasswordSource& Password,
                     ModuleRecord& Rec)
{
    Int64 Offset = 0, Size = 0;
    if (FindElfSection(File, DataBlockSection, Offset, Size)) {
        if (Size > Int64(MaxOptionsSize + MaxDebugDataSize))
            RaiseBad("section size");
        if (const auto Section = MapSection(File, Offset, Size)) {
            ReadDataBlock(Section, Section.get(), size_t(Size), WantDebug, Password, Rec);
            return true;
        }
        const std::string Block = ReadAt(File, Offset, Size);
        ReadDataBlock(Block.data(), Block.size(), WantDebug, Password, Rec);
        return true;
    }
    return ReadTrailer(File, WantDebug, Rec);
}

std::string BuildDataBlock(const TRazuroModuleOptions& Options, Word Version, TDateTime Date,
                           const std::string& Debug, const AnsiString& Password)
{
    std::string Out;
    PutU32(Out, DataBlockMagic);
    PutHeader(Out, Version, Date);
    const std::string Opt = OptionsBytes(Options, Version);
    std::string DebugPart;
    PutU32(DebugPart, uint32_t(Debug.size()));
    DebugPart += Debug;
    if (Version < FirstCurrentLayoutVersion) {
        const std::string Body = Opt + DebugPart;
        Out += Version >= 450 ? CompressBuffer(Body.data(), Body.size()) : Body;
        return Out;
    }
    PutU32(Out, 0);
    const std::string Packed = CompressBuffer(Opt.data(), Opt.size());
    PutU32(Out, uint32_t(Packed.size()));
    Out += Packed;
    uint8_t Check[4] = {0x10, 0xAB, 0x0F, 0x00};
    TEAEncrypt(TEASetKey(Password), Check, Check, 4);
    Out.append(reinterpret_cast<const char*>(Check), 4);
    // The tables are packed piece by piece already (so that a lookup
    // unpacks only what it needs): the stream stores them as they are,
    // and unpacking it is a copy.
    Out += CompressBuffer(DebugPart.data(), DebugPart.size(), IsIndexedDebugTables(Debug) ? 0 : 9);
    return Out;
}

std::string BuildTrailerBlock(const TRazuroModuleOptions& Options, Word Version, TDateTime Date,
                              const std::string& Debug)
{
    std::string Body;
    PutHeader(Body, Version, Date);
    Body += OptionsBytes(Options, Version);
    PutU32(Body, uint32_t(Debug.size()));
    Body += Debug;
    std::string Out = Body;
    PutU32(Out, uint32_t(Body.size()));
    PutU32(Out, DataBlockMagic);
    return Out;
}
