// The compound file container of a workbook: header, sector allocation
// table (with its extension chain), directory, mini stream. Every number
// read from the file is checked before it is used as an index, a count or
// a size, and chains are walked with a record of the sectors seen, so a
// loop ends in "Файл повреждён" rather than a hang.

#include "platform/sheets/WorkbookPrivate.h"

#include <algorithm>
#include <cstring>

namespace workbook_detail {

namespace {

constexpr char Signature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t FreeSector = 0xFFFFFFFF;
constexpr uint32_t MaxRegularSector = 0xFFFFFFFA;
constexpr size_t HeaderSize = 512;
constexpr size_t HeaderDifatCount = 109;
constexpr size_t EntrySize = 128;
constexpr uint32_t MiniSectorSize = 64;
constexpr uint32_t MiniStreamCutoff = 4096;
constexpr uint32_t NoEntry = 0xFFFFFFFF;
constexpr uint8_t StreamEntry = 2;
constexpr uint8_t RootEntry = 5;

char16_t AsciiUpper(char16_t C)
{
    return C >= u'a' && C <= u'z' ? static_cast<char16_t>(C - u'a' + u'A') : C;
}

bool SameName(const std::u16string& EntryName, std::string_view Name)
{
    if (EntryName.size() != Name.size())
        return false;
    for (size_t I = 0; I < Name.size(); ++I)
        if (AsciiUpper(EntryName[I]) != AsciiUpper(static_cast<char16_t>(Name[I])))
            return false;
    return true;
}

}  // namespace

CompoundFile::CompoundFile(std::string_view Bytes, const AnsiString& Name)
    : FBytes(Bytes), FName(Name)
{
    ReadHeader();
    ReadFat();
    ReadDirectory();
}

void CompoundFile::ReadHeader()
{
    if (FBytes.size() < sizeof(Signature) || std::memcmp(FBytes.data(), Signature, 8) != 0)
        RaiseNotWorkbook(FName);
    if (FBytes.size() < HeaderSize)
        Damaged();
    const char* H = FBytes.data();
    const uint16_t Major = U16(H + 26);
    FSectorShift = U16(H + 30);
    // Version 3 files have 512-byte sectors, version 4 files 4096-byte ones;
    // nothing else was ever written.
    if (U16(H + 28) != 0xFFFE || (Major != 3 && Major != 4) || U16(H + 32) != 6
        || (FSectorShift != 9 && FSectorShift != 12) || U32(H + 56) != MiniStreamCutoff)
        Damaged();
    FVersion4 = Major == 4;
    FSectorSize = 1u << FSectorShift;
    if (FBytes.size() < FSectorSize)
        Damaged();
    // Sector N starts at (N + 1) * size; a short last sector still counts
    // when the stream that uses it ends inside the file (see ReadChain).
    FSectorCount = static_cast<uint32_t>(
        std::min<uint64_t>((FBytes.size() - FSectorSize + FSectorSize - 1) >> FSectorShift,
                           MaxRegularSector));
    FFatSectorCount = U32(H + 44);
    FFirstDirSector = U32(H + 48);
    FFirstMiniFatSector = U32(H + 60);
    FFirstDifatSector = U32(H + 68);
    FDifatSectorCount = U32(H + 72);
    if (FFatSectorCount == 0 || FFatSectorCount > FSectorCount
        || FDifatSectorCount > FSectorCount)
        Damaged();
}

const char* CompoundFile::SectorData(uint32_t Sector) const
{
    // Only the last sector may be short, and the tables never use it.
    if (Sector >= FSectorCount || (static_cast<size_t>(Sector) + 2) << FSectorShift > FBytes.size())
        Damaged();
    return FBytes.data() + ((static_cast<size_t>(Sector) + 1) << FSectorShift);
}

void CompoundFile::ReadFat()
{
    // Numbers of the sectors that hold the table: 109 in the header, the
    // rest in a chain of extension sectors, each ending with the next one's
    // number.
    std::vector<uint32_t> FatSectors;
    FatSectors.reserve(FFatSectorCount);
    const char* H = FBytes.data();
    for (size_t I = 0; I < HeaderDifatCount && FatSectors.size() < FFatSectorCount; ++I)
        FatSectors.push_back(U32(H + 76 + 4 * I));
    const uint32_t PerDifat = FSectorSize / 4 - 1;
    uint32_t Difat = FFirstDifatSector;
    std::vector<bool> Seen(FSectorCount, false);
    for (uint32_t Step = 0; FatSectors.size() < FFatSectorCount; ++Step) {
        if (Step >= FDifatSectorCount || Difat >= FSectorCount || Seen[Difat])
            Damaged();
        Seen[Difat] = true;
        const char* D = SectorData(Difat);
        for (uint32_t I = 0; I < PerDifat && FatSectors.size() < FFatSectorCount; ++I)
            FatSectors.push_back(U32(D + 4 * I));
        Difat = U32(D + 4 * PerDifat);
    }
    const size_t PerSector = FSectorSize / 4;
    FFat.resize(FatSectors.size() * PerSector);
    for (size_t I = 0; I < FatSectors.size(); ++I) {
        const char* P = SectorData(FatSectors[I]);
        for (size_t J = 0; J < PerSector; ++J)
            FFat[I * PerSector + J] = U32(P + 4 * J);
    }
}

uint32_t CompoundFile::NextSector(uint32_t Sector) const
{
    if (Sector >= FFat.size())
        Damaged();
    return FFat[Sector];
}

std::string CompoundFile::ReadChain(uint32_t Start, uint64_t Size) const
{
    if (Size > static_cast<uint64_t>(FSectorCount) << FSectorShift)
        Damaged();
    std::string Out;
    Out.resize(static_cast<size_t>(Size));
    std::vector<bool> Seen(FSectorCount, false);
    uint32_t Sector = Start;
    for (size_t Done = 0; Done < Size;) {
        if (Sector >= FSectorCount || Seen[Sector])
            Damaged();
        Seen[Sector] = true;
        const size_t Offset = (static_cast<size_t>(Sector) + 1) << FSectorShift;
        const size_t Want = std::min<size_t>(FSectorSize, Size - Done);
        if (Offset + Want > FBytes.size())
            Damaged();
        std::memcpy(Out.data() + Done, FBytes.data() + Offset, Want);
        Done += Want;
        Sector = NextSector(Sector);
    }
    return Out;
}

std::string CompoundFile::ReadWholeChain(uint32_t Start) const
{
    std::string Out;
    std::vector<bool> Seen(FSectorCount, false);
    for (uint32_t Sector = Start; Sector != EndOfChain; Sector = NextSector(Sector)) {
        if (Sector >= FSectorCount || Seen[Sector])
            Damaged();
        Seen[Sector] = true;
        Out.append(SectorData(Sector), FSectorSize);
    }
    return Out;
}

std::string CompoundFile::ReadMiniChain(uint32_t Start, uint64_t Size) const
{
    // The mini stream and its table are read only when a small stream is
    // wanted, so damage there spoils nothing else.
    std::vector<uint32_t> MiniFat;
    if (FFirstMiniFatSector != EndOfChain && FFirstMiniFatSector != FreeSector) {
        const std::string Table = ReadWholeChain(FFirstMiniFatSector);
        MiniFat.resize(Table.size() / 4);
        for (size_t I = 0; I < MiniFat.size(); ++I)
            MiniFat[I] = U32(Table.data() + 4 * I);
    }
    const Entry& Root = FEntries[0];
    const std::string MiniStream = Root.Size > 0 ? ReadChain(Root.Start, Root.Size) : std::string();
    const uint64_t MiniCount = MiniStream.size() / MiniSectorSize;
    if (Size > MiniCount * MiniSectorSize)
        Damaged();
    std::string Out;
    Out.resize(static_cast<size_t>(Size));
    std::vector<bool> Seen(MiniCount, false);
    uint32_t Sector = Start;
    for (size_t Done = 0; Done < Size;) {
        if (Sector >= MiniCount || Sector >= MiniFat.size() || Seen[Sector])
            Damaged();
        Seen[Sector] = true;
        const size_t Want = std::min<size_t>(MiniSectorSize, Size - Done);
        std::memcpy(Out.data() + Done, MiniStream.data() + size_t(Sector) * MiniSectorSize, Want);
        Done += Want;
        Sector = MiniFat[Sector];
    }
    return Out;
}

void CompoundFile::ReadDirectory()
{
    const std::string Dir = ReadWholeChain(FFirstDirSector);
    const size_t Count = Dir.size() / EntrySize;
    FEntries.resize(Count);
    for (size_t I = 0; I < Count; ++I) {
        const char* P = Dir.data() + I * EntrySize;
        Entry& E = FEntries[I];
        E.Type = static_cast<uint8_t>(P[66]);
        const uint16_t NameBytes = U16(P + 64);
        // The length counts the terminating zero; 64 bytes at most.
        const size_t Units = NameBytes >= 2 && NameBytes <= 64 ? NameBytes / 2 - 1 : 0;
        E.Name.resize(Units);
        for (size_t J = 0; J < Units; ++J)
            E.Name[J] = static_cast<char16_t>(U16(P + 2 * J));
        E.Left = U32(P + 68);
        E.Right = U32(P + 72);
        E.Child = U32(P + 76);
        E.Start = U32(P + 116);
        // Version 3 writers left garbage in the upper half of the size.
        E.Size = FVersion4 ? U64(P + 120) : U32(P + 120);
    }
    if (Count == 0 || FEntries[0].Type != RootEntry)
        Damaged();
}

bool CompoundFile::IsContiguous(uint32_t Start, uint64_t Size) const
{
    const uint64_t Sectors = (Size + FSectorSize - 1) >> FSectorShift;
    if (Start >= FSectorCount || Sectors > FSectorCount - Start
        || ((uint64_t(Start) + 1) << FSectorShift) + Size > FBytes.size())
        return false;
    for (uint64_t I = 0; I + 1 < Sectors; ++I)
        if (NextSector(uint32_t(Start + I)) != Start + I + 1)
            return false;
    return true;
}

bool CompoundFile::ReadStream(std::string_view StreamName, std::string& Storage,
                              std::string_view& Contents) const
{
    const Entry* E = FindStream(StreamName);
    if (!E)
        return false;
    if (E->Size >= MiniStreamCutoff && IsContiguous(E->Start, E->Size)) {
        Contents = FBytes.substr((size_t(E->Start) + 1) << FSectorShift, size_t(E->Size));
        return true;
    }
    Storage = E->Size < MiniStreamCutoff ? ReadMiniChain(E->Start, E->Size)
                                          : ReadChain(E->Start, E->Size);
    Contents = Storage;
    return true;
}

const CompoundFile::Entry* CompoundFile::FindStream(std::string_view StreamName) const
{
    // The root's children form a tree through the left and right links; it
    // is walked with a record of the entries seen, so a cycle ends.
    std::vector<bool> Seen(FEntries.size(), false);
    std::vector<uint32_t> Pending{FEntries[0].Child};
    while (!Pending.empty()) {
        const uint32_t Id = Pending.back();
        Pending.pop_back();
        if (Id == NoEntry)
            continue;
        if (Id >= FEntries.size() || Seen[Id])
            Damaged();
        Seen[Id] = true;
        const Entry& E = FEntries[Id];
        Pending.push_back(E.Left);
        Pending.push_back(E.Right);
        if (E.Type != StreamEntry || !SameName(E.Name, StreamName))
            continue;
        return &E;
    }
    return nullptr;
}

}  // namespace workbook_detail
