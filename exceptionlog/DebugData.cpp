#include "exceptionlog/DebugData.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/DataBlock.h"
#include "exceptionlog/ModuleList.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>
#include <unwind.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// Names of format 500 on are enciphered; below it XORed byte by byte.
constexpr Word FirstEncipheredVersion = 500;

void PutU32(std::string& Out, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        Out += char((V >> (8 * I)) & 0xFF);
}

void PutU64(std::string& Out, uint64_t V)
{
    for (int I = 0; I < 8; ++I)
        Out += char((V >> (8 * I)) & 0xFF);
}

class NameCipher {
public:
    NameCipher(Word Version, const AnsiString& Password, bool PasswordOK)
        : FEnciphered(Version >= FirstEncipheredVersion), FPasswordOK(PasswordOK),
          FKey(TEASetKey(Password))
    {
    }

    std::string Encode(const std::string& Name) const
    {
        // Longer names are cut: the length byte below 128 is the plain form.
        std::string Bytes = Name.substr(0, 127);
        if (FEnciphered)
            TEAEncrypt(FKey, Bytes.data(), Bytes.data(), Bytes.size());
        else
            for (char& C : Bytes)
                C = char(uint8_t(C) ^ OptionsStringKey);
        return char(Bytes.size()) + Bytes;
    }

    std::string Decode(std::string Bytes) const
    {
        if (!FEnciphered) {
            for (char& C : Bytes)
                C = char(uint8_t(C) ^ OptionsStringKey);
            return Bytes;
        }
        if (!FPasswordOK)
            return Bytes.empty() ? std::string()
                                 : "?" + HexText(CRC32(Bytes.data(), Bytes.size()), 8).ToUtf8();
        TEADecrypt(FKey, Bytes.data(), Bytes.data(), Bytes.size());
        return Bytes;
    }

private:
    bool FEnciphered;
    bool FPasswordOK;
    TEAKey FKey;
};

class TableReader {
public:
    explicit TableReader(std::string_view Data) : FData(Data) {}

    const char* Take(size_t N, const char* What)
    {
        if (N > FData.size() - FPos)
            throw EDataBlockError("Bad data block: " + AnsiString(What));
        const char* P = FData.data() + FPos;
        FPos += N;
        return P;
    }
    uint64_t Number(size_t Bytes, const char* What)
    {
        const auto* P = reinterpret_cast<const uint8_t*>(Take(Bytes, What));
        uint64_t V = 0;
        for (size_t I = 0; I < Bytes; ++I)
            V |= uint64_t(P[I]) << (8 * I);
        return V;
    }
    // A count of records of at least MinSize bytes each, checked against
    // the bytes left before anything is allocated for them.
    uint32_t Count(size_t MinSize, const char* What)
    {
        const auto N = uint32_t(Number(4, What));
        if (N > (FData.size() - FPos) / MinSize)
            throw EDataBlockError("Bad data block: " + AnsiString(What));
        return N;
    }
    [[nodiscard]] bool AtEnd() const { return FPos == FData.size(); }
    std::string Name(const NameCipher& Cipher, const char* What)
    {
        // A length byte of 128 or more is the shortened form of the same
        // length modulo 128.
        const size_t Len = size_t(Number(1, What)) % 128;
        return Cipher.Decode(std::string(Take(Len, What), Len));
    }

private:
    std::string_view FData;
    size_t FPos = 0;
};

// ---- records, in both forms ----

void PutProcedure(std::string& Out, const DebugProcedure& P, const NameCipher& Cipher)
{
    PutU32(Out, P.Unit);
    Out += Cipher.Encode(P.ClassName);
    Out += Cipher.Encode(P.ProcedureName);
    PutU64(Out, P.Start);
    PutU64(Out, P.End);
}

// A procedure of a listed unit that ends after it starts (the order is the
// caller's to check).
DebugProcedure ReadProcedure(TableReader& R, const NameCipher& Cipher, size_t Units)
{
    DebugProcedure P;
    P.Unit = uint32_t(R.Number(4, "procedure"));
    P.ClassName = R.Name(Cipher, "procedure class");
    P.ProcedureName = R.Name(Cipher, "procedure name");
    P.Start = R.Number(8, "procedure start");
    P.End = R.Number(8, "procedure end");
    if (P.Unit >= Units || P.End < P.Start)
        throw EDataBlockError("Bad data block: procedure table");
    return P;
}

void PutLine(std::string& Out, const DebugLine& L)
{
    PutU64(Out, L.Address);
    PutU32(Out, L.Unit);
    PutU32(Out, L.Line);
}

DebugLine ReadLine(TableReader& R, size_t Units)
{
    DebugLine L;
    L.Address = R.Number(8, "line");
    L.Unit = uint32_t(R.Number(4, "line"));
    L.Line = uint32_t(R.Number(4, "line"));
    if (L.Unit >= Units)
        throw EDataBlockError("Bad data block: line table");
    return L;
}

/// The class and procedure of an inlined function.
using InlineName = std::pair<std::string, std::string>;

InlineName ReadInlineName(TableReader& R, const NameCipher& Cipher)
{
    std::string Class = R.Name(Cipher, "inline class");
    return {std::move(Class), R.Name(Cipher, "inline name")};
}

// An inlined copy as stored: its name by number.
struct InlineRecord {
    uint32_t Depth = 1;
    uint32_t CallUnit = 0;
    uint32_t CallLine = 0;
    uint32_t Name = 0;
    uint64_t Start = 0;
    uint64_t End = 0;
};

void PutInline(std::string& Out, const InlineRecord& I)
{
    PutU32(Out, I.Depth);
    PutU32(Out, I.CallUnit);
    PutU32(Out, I.CallLine);
    PutU32(Out, I.Name);
    PutU64(Out, I.Start);
    PutU64(Out, I.End);
}

InlineRecord ReadInline(TableReader& R, size_t Units, size_t Names)
{
    InlineRecord X;
    X.Depth = uint32_t(R.Number(4, "inline"));
    X.CallUnit = uint32_t(R.Number(4, "inline"));
    X.CallLine = uint32_t(R.Number(4, "inline"));
    X.Name = uint32_t(R.Number(4, "inline"));
    X.Start = R.Number(8, "inline start");
    X.End = R.Number(8, "inline end");
    if (X.Name >= Names || X.CallUnit >= Units || X.Depth == 0 || X.End < X.Start)
        throw EDataBlockError("Bad data block: inline table");
    return X;
}

DebugInline Named(const InlineRecord& X, const InlineName& Name)
{
    return {X.Depth, X.CallUnit, X.CallLine, Name.first, Name.second, X.Start, X.End};
}

// ---- the indexed form ----

constexpr uint32_t IndexedMagic = 0x58444C45;  // "ELDX"
// Records per piece: a lookup unpacks one piece of each table, some
// kilobytes, where the plain form read all of them.
constexpr uint32_t ProceduresPerPiece = 256, LinesPerPiece = 2048, NamesPerPiece = 512,
                   InlinesPerPiece = 1024;
// Bytes of one record at the most (names of 127 bytes), so that a piece
// that would unpack to more is refused before it takes the memory.
constexpr size_t MaxProcedureBytes = 4 + 2 * 128 + 16, MaxLineBytes = 16, MaxNameBytes = 2 * 128,
                 MaxInlineBytes = 32;


// One table cut into pieces of PerPiece records: the first key of every
// piece is in the index, so a lookup unpacks only the piece that holds it.
// Pieces are read when first needed and kept; their records stay where
// they are, so a reference to one holds as long as the table.
template <class Record>
class PieceTable {
public:
    using KeyOf = uint64_t (*)(const Record&, uint32_t Index);
    using Reader = std::function<Record(TableReader&)>;

    PieceTable(const char* What, KeyOf Key, size_t MaxRecordBytes)
        : FWhat(What), FKey(Key), FMaxRecordBytes(MaxRecordBytes)
    {
    }

    static void Write(std::string& Out, const std::vector<Record>& Records, uint32_t PerPiece,
                      KeyOf Key, const std::function<void(std::string&, const Record&)>& Put)
    {
        const auto Count = uint32_t(Records.size());
        const uint32_t Pieces = (Count + PerPiece - 1) / PerPiece;
        PutU32(Out, Count);
        PutU32(Out, PerPiece);
        PutU32(Out, Pieces);
        std::string Bytes;
        for (uint32_t P = 0; P < Pieces; ++P) {
            std::string Plain;
            for (uint32_t I = P * PerPiece; I < std::min(Count, (P + 1) * PerPiece); ++I)
                Put(Plain, Records[I]);
            const std::string Packed = CompressBuffer(Plain.data(), Plain.size());
            PutU64(Out, Key(Records[P * PerPiece], P * PerPiece));
            PutU32(Out, uint32_t(Packed.size()));
            Bytes += Packed;
        }
        Out += Bytes;
    }

    // Reads the table's index at R and takes its pieces' bytes; Read reads
    // one record.
    void Open(TableReader& R, Reader Read)
    {
        FRead = std::move(Read);
        // Packed records take no fixed room: the count is held to the
        // pieces, and each piece to a bounded number of records.
        constexpr uint32_t MaxPerPiece = 1 << 16;
        FCount = uint32_t(R.Number(4, FWhat));
        FPerPiece = uint32_t(R.Number(4, FWhat));
        const uint32_t Pieces = R.Count(12, FWhat);
        if (FPerPiece == 0 || FPerPiece > MaxPerPiece ||
            Pieces != (uint64_t(FCount) + FPerPiece - 1) / FPerPiece)
            Bad();
        size_t Total = 0;
        FOffsets.push_back(0);
        for (uint32_t P = 0; P < Pieces; ++P) {
            const uint64_t Key = R.Number(8, FWhat);
            const auto Size = size_t(R.Number(4, FWhat));
            if (Size == 0 || (!FFirstKeys.empty() && Key < FFirstKeys.back()))
                Bad();
            FFirstKeys.push_back(Key);
            Total += Size;
            FOffsets.push_back(Total);
        }
        FBytes = std::string_view(R.Take(Total, FWhat), Total);
    }

    [[nodiscard]] uint32_t Count() const { return FCount; }

    const Record& At(uint32_t I) const
    {
        return Piece(I / FPerPiece)[I % FPerPiece];
    }

    // The number of the first record whose key lies above Key (Count when
    // none does).
    [[nodiscard]] uint32_t UpperBound(uint64_t Key) const
    {
        const auto Next = std::upper_bound(FFirstKeys.begin(), FFirstKeys.end(), Key);
        if (Next == FFirstKeys.begin())
            return 0;
        const auto P = uint32_t(Next - FFirstKeys.begin() - 1);
        const std::vector<Record>& Records = Piece(P);
        uint32_t Lo = 0, Hi = uint32_t(Records.size());
        while (Lo < Hi) {
            const uint32_t Mid = (Lo + Hi) / 2;
            if (FKey(Records[Mid], P * FPerPiece + Mid) <= Key)
                Lo = Mid + 1;
            else
                Hi = Mid;
        }
        return P * FPerPiece + Lo;
    }

private:
    [[noreturn]] void Bad() const
    {
        throw EDataBlockError("Bad data block: " + AnsiString(FWhat));
    }

    const std::vector<Record>& Piece(uint32_t P) const
    {
        const std::lock_guard<std::mutex> Guard(FLock);
        const auto Found = FLoaded.find(P);
        if (Found != FLoaded.end())
            return Found->second;
        const uint32_t First = P * FPerPiece;
        const uint32_t N = std::min(FPerPiece, FCount - First);
        std::string Plain;
        try {
            Plain = DecompressBuffer(FBytes.data() + FOffsets[P], FOffsets[P + 1] - FOffsets[P],
                                     size_t(N) * FMaxRecordBytes);
        } catch (const EZLibError&) {
            Bad();
        }
        TableReader R(Plain);
        std::vector<Record> Records;
        Records.reserve(N);
        for (uint32_t I = 0; I < N; ++I) {
            Records.push_back(FRead(R));
            const uint64_t Key = FKey(Records.back(), First + I);
            // In order, from the key the index gives, up to the next piece's.
            if ((I == 0 && Key != FFirstKeys[P]) || (I > 0 && Key < FKey(Records[I - 1], First + I - 1)) ||
                (P + 1 < FFirstKeys.size() && Key > FFirstKeys[P + 1]))
                Bad();
        }
        if (!R.AtEnd())
            Bad();
        return FLoaded.emplace(P, std::move(Records)).first->second;
    }

    const char* FWhat;
    KeyOf FKey;
    size_t FMaxRecordBytes;
    Reader FRead;
    uint32_t FCount = 0;
    uint32_t FPerPiece = 1;
    std::vector<uint64_t> FFirstKeys;
    std::vector<size_t> FOffsets;
    std::string_view FBytes;
    mutable std::mutex FLock;
    mutable std::map<uint32_t, std::vector<Record>> FLoaded;
};

uint64_t ProcedureKey(const DebugProcedure& P, uint32_t)
{
    return P.Start;
}
uint64_t LineKey(const DebugLine& L, uint32_t)
{
    return L.Address;
}
uint64_t NameKey(const InlineName&, uint32_t Index)
{
    return Index;
}
uint64_t InlineKey(const InlineRecord& I, uint32_t)
{
    return I.Start;
}

// Format that the plain form of older blocks is indexed in: names as read.
constexpr Word PlainNamesVersion = 449;

}  // namespace

class DebugTableIndex {
public:
    /// Reads the index of Data (indexed form); raises EDataBlockError for a
    /// damaged index. Pieces are checked when read.
    DebugTableIndex(std::string Data, Word Version, const AnsiString& Password, bool PasswordOK)
        : FData(std::move(Data)), FCipher(Version, Password, PasswordOK)
    {
        TableReader R(FData);
        if (R.Number(4, "magic") != IndexedMagic)
            throw EDataBlockError("Bad data block: magic");
        const uint32_t UnitCount = R.Count(1, "unit count");
        for (uint32_t I = 0; I < UnitCount; ++I)
            Units.push_back(R.Name(FCipher, "unit name"));
        const size_t N = Units.size();
        Procedures.Open(R, [this, N](TableReader& In) { return ReadProcedure(In, FCipher, N); });
        Lines.Open(R, [N](TableReader& In) { return ReadLine(In, N); });
        Names.Open(R, [this](TableReader& In) { return ReadInlineName(In, FCipher); });
        Inlines.Open(R, [this, N](TableReader& In) { return ReadInline(In, N, Names.Count()); });
        if (!R.AtEnd())
            throw EDataBlockError("Bad data block: data after the tables");
    }
    DebugTableIndex(const DebugTableIndex&) = delete;
    DebugTableIndex& operator=(const DebugTableIndex&) = delete;

    /// Every table read whole.
    [[nodiscard]] DebugTables ReadAll() const
    {
        DebugTables T;
        T.Units = Units;
        for (uint32_t I = 0; I < Procedures.Count(); ++I)
            T.Procedures.push_back(Procedures.At(I));
        for (uint32_t I = 0; I < Lines.Count(); ++I)
            T.Lines.push_back(Lines.At(I));
        for (uint32_t I = 0; I < Inlines.Count(); ++I)
            T.Inlines.push_back(Named(Inlines.At(I), Names.At(Inlines.At(I).Name)));
        return T;
    }

    std::vector<std::string> Units;
    PieceTable<DebugProcedure> Procedures{"procedure table", ProcedureKey, MaxProcedureBytes};
    PieceTable<DebugLine> Lines{"line table", LineKey, MaxLineBytes};
    PieceTable<InlineName> Names{"inline names", NameKey, MaxNameBytes};
    PieceTable<InlineRecord> Inlines{"inline table", InlineKey, MaxInlineBytes};

private:
    std::string FData;
    NameCipher FCipher;
};

namespace {

std::shared_ptr<DebugTableIndex> TablesOf(ModuleRecord& Module)
{
    if (Module.Tables)
        return Module.Tables;
    try {
        TMemoryStream* Debug = ModuleDebugData(Module);
        if (!Debug || Debug->Size() == 0)
            return nullptr;
        std::string Data(static_cast<const char*>(Debug->Memory()), size_t(Debug->Size()));
        if (IsIndexedDebugTables(Data))
            Module.Tables = std::make_shared<DebugTableIndex>(std::move(Data), Module.DataVersion,
                                                              Module.Password, Module.PasswordOK);
        else
            Module.Tables = std::make_shared<DebugTableIndex>(
                WriteDebugTables(ReadDebugTables(Data, Module.DataVersion, Module.Password,
                                                 Module.PasswordOK),
                                 PlainNamesVersion, ""),
                PlainNamesVersion, "", true);
    } catch (const Exception&) {
        // Damaged tables name nothing; the frames still show their module.
        Module.Tables = std::make_shared<DebugTableIndex>(
            WriteDebugTables(DebugTables(), PlainNamesVersion, ""), PlainNamesVersion, "", true);
    }
    return Module.Tables;
}

DebugTables ReadPlainTables(std::string_view Data, const NameCipher& Cipher)
{
    TableReader R(Data);
    DebugTables T;
    const uint32_t Units = R.Count(1, "unit count");
    for (uint32_t I = 0; I < Units; ++I)
        T.Units.push_back(R.Name(Cipher, "unit name"));
    const uint32_t Procs = R.Count(22, "procedure count");
    for (uint32_t I = 0; I < Procs; ++I) {
        DebugProcedure P = ReadProcedure(R, Cipher, Units);
        if (!T.Procedures.empty() && P.Start < T.Procedures.back().Start)
            throw EDataBlockError("Bad data block: procedure table");
        T.Procedures.push_back(std::move(P));
    }
    const uint32_t Lines = R.Count(16, "line count");
    T.Lines.reserve(Lines);
    for (uint32_t I = 0; I < Lines; ++I) {
        const DebugLine L = ReadLine(R, Units);
        if (!T.Lines.empty() && L.Address < T.Lines.back().Address)
            throw EDataBlockError("Bad data block: line table");
        T.Lines.push_back(L);
    }
    if (R.AtEnd())
        return T;
    const uint32_t NameCount = R.Count(2, "inline name count");
    std::vector<InlineName> Names;
    Names.reserve(NameCount);
    for (uint32_t I = 0; I < NameCount; ++I)
        Names.push_back(ReadInlineName(R, Cipher));
    const uint32_t Inlines = R.Count(32, "inline count");
    T.Inlines.reserve(Inlines);
    for (uint32_t I = 0; I < Inlines; ++I) {
        const InlineRecord X = ReadInline(R, Units, Names.size());
        if (!T.Inlines.empty() && X.Start < T.Inlines.back().Start)
            throw EDataBlockError("Bad data block: inline table");
        T.Inlines.push_back(Named(X, Names[X.Name]));
    }
    if (!R.AtEnd())
        throw EDataBlockError("Bad data block: data after the tables");
    return T;
}

}  // namespace

bool IsIndexedDebugTables(std::string_view Data)
{
    return Data.size() >= 4 && TableReader(Data).Number(4, "magic") == IndexedMagic;
}

std::string WriteDebugTables(DebugTables Tables, Word Version, const AnsiString& Password)
{
    std::sort(Tables.Procedures.begin(), Tables.Procedures.end(),
              [](const DebugProcedure& A, const DebugProcedure& B) { return A.Start < B.Start; });
    // At one address the end of a run of code comes before the line that
    // starts there, so a lookup meets the line.
    std::stable_sort(Tables.Lines.begin(), Tables.Lines.end(),
                     [](const DebugLine& A, const DebugLine& B) {
                         return A.Address < B.Address ||
                                (A.Address == B.Address && A.Line == 0 && B.Line != 0);
                     });
    std::stable_sort(Tables.Inlines.begin(), Tables.Inlines.end(),
                     [](const DebugInline& A, const DebugInline& B) { return A.Start < B.Start; });
    const NameCipher Cipher(Version, Password, true);
    std::string Out;
    PutU32(Out, IndexedMagic);
    PutU32(Out, uint32_t(Tables.Units.size()));
    for (const std::string& U : Tables.Units)
        Out += Cipher.Encode(U);
    PieceTable<DebugProcedure>::Write(Out, Tables.Procedures, ProceduresPerPiece, ProcedureKey,
                                      [&](std::string& O, const DebugProcedure& P) {
                                          PutProcedure(O, P, Cipher);
                                      });
    PieceTable<DebugLine>::Write(Out, Tables.Lines, LinesPerPiece, LineKey, PutLine);
    // A function inlined in many places is named once.
    std::map<InlineName, uint32_t> NameIndex;
    std::vector<InlineName> Names;
    std::vector<InlineRecord> Inlines;
    Inlines.reserve(Tables.Inlines.size());
    for (const DebugInline& I : Tables.Inlines) {
        const auto [It, New] =
            NameIndex.try_emplace({I.ClassName, I.ProcedureName}, uint32_t(NameIndex.size()));
        if (New)
            Names.push_back(It->first);
        Inlines.push_back({I.Depth, I.CallUnit, I.CallLine, It->second, I.Start, I.End});
    }
    PieceTable<InlineName>::Write(Out, Names, NamesPerPiece, NameKey,
                                  [&](std::string& O, const InlineName& N) {
                                      O += Cipher.Encode(N.first) + Cipher.Encode(N.second);
                                  });
    PieceTable<InlineRecord>::Write(Out, Inlines, InlinesPerPiece, InlineKey, PutInline);
    return Out;
}

DebugTables ReadDebugTables(std::string_view Data, Word Version, const AnsiString& Password,
                            bool PasswordOK)
{
    if (IsIndexedDebugTables(Data))
        return DebugTableIndex(std::string(Data), Version, Password, PasswordOK).ReadAll();
    return ReadPlainTables(Data, NameCipher(Version, Password, PasswordOK));
}

void SplitFunctionName(const std::string& Demangled, std::string& ClassName,
                       std::string& ProcedureName)
{
    // The parameter list is the first "(" outside template arguments and
    // lambda braces that does not open "(anonymous namespace)".
    int Depth = 0;
    size_t Cut = Demangled.size();
    size_t LastScope = std::string::npos;
    for (size_t I = 0; I < Demangled.size(); ++I) {
        const char C = Demangled[I];
        if (C == '<' || C == '{')
            ++Depth;
        else if ((C == '>' || C == '}') && Depth > 0)
            --Depth;
        else if (Depth == 0 && C == '(') {
            // "operator()" is a name; "(anonymous namespace)::" and "Run()::"
            // (an entity local to a function) are scopes, not the parameter
            // list.
            if (I >= 8 && Demangled.compare(I - 8, 8, "operator") == 0 &&
                Demangled.compare(I, 2, "()") == 0) {
                ++I;
                continue;
            }
            size_t Close = I;
            for (int Parens = 0; Close < Demangled.size(); ++Close) {
                Parens += Demangled[Close] == '(' ? 1 : Demangled[Close] == ')' ? -1 : 0;
                if (Parens == 0)
                    break;
            }
            if (Demangled.compare(Close + 1, 2, "::") == 0) {
                I = Close;
                continue;
            }
            Cut = I;
            break;
        } else if (Depth == 0 && C == ':' && I + 1 < Demangled.size() && Demangled[I + 1] == ':') {
            LastScope = I;
            ++I;
        }
    }
    if (LastScope == std::string::npos) {
        ClassName.clear();
        ProcedureName = Demangled.substr(0, Cut);
        return;
    }
    ClassName = Demangled.substr(0, LastScope);
    ProcedureName = Demangled.substr(LastScope + 2, Cut - LastScope - 2);
}

namespace {

std::vector<StackEntry> FramesAt(const DebugTableIndex& T, const ModuleRecord& Module,
                                 uint64_t Address, uint64_t Rel)
{
    std::vector<StackEntry> Frames;
    const uint32_t After = T.Procedures.UpperBound(Rel);
    if (After == 0)
        return Frames;
    const DebugProcedure& P = T.Procedures.At(After - 1);
    if (Rel >= P.End)
        return Frames;
    StackEntry E;
    E.Kind = 4;
    E.Address = Address;
    E.Module = ExtractFileName(Module.FileName);
    E.ClassName = AnsiString(P.ClassName);
    E.ProcedureName = AnsiString(P.ProcedureName);
    E.UnitName = AnsiString(T.Units[P.Unit]);
    E.Line = 0;
    const uint32_t L = T.Lines.UpperBound(Rel);
    // Line 0 when the procedure's first line comes after the address; a
    // row that began before the procedure (a split-off part of a function)
    // still holds for it. A procedure without a unit (code without debug
    // data) takes no line of its neighbours.
    const bool FirstLineLater = L < T.Lines.Count() && T.Lines.At(L).Address < P.End;
    if (L > 0 && !T.Units[P.Unit].empty()) {
        const DebugLine& Row = T.Lines.At(L - 1);
        if ((Row.Address >= P.Start || !FirstLineLater) && Row.Line != 0) {
            E.Line = Integer(Row.Line);
            E.UnitName = AnsiString(T.Units[Row.Unit]);
        }
    }
    // The inlined copies holding the address, outermost first. They lie
    // inside the procedure, so the walk back stops at its start.
    std::vector<const InlineRecord*> Chain;
    for (uint32_t I = T.Inlines.UpperBound(Rel); I > 0; --I) {
        const InlineRecord& X = T.Inlines.At(I - 1);
        if (X.Start < P.Start)
            break;
        if (Rel < X.End)
            Chain.push_back(&X);
    }
    std::sort(Chain.begin(), Chain.end(),
              [](const InlineRecord* A, const InlineRecord* B) { return A->Depth < B->Depth; });
    // Innermost first: each function with the line in it, which for all
    // but the innermost is the call of the function inlined into it.
    Frames.push_back(E);
    for (const InlineRecord* X : Chain) {
        StackEntry& Caller = Frames.back();
        StackEntry Inner = Caller;
        const InlineName& Name = T.Names.At(X->Name);
        Inner.ClassName = AnsiString(Name.first);
        Inner.ProcedureName = AnsiString(Name.second);
        Caller.UnitName = AnsiString(T.Units[X->CallUnit]);
        Caller.Line = Integer(X->CallLine);
        Frames.push_back(std::move(Inner));
    }
    std::reverse(Frames.begin(), Frames.end());
    return Frames;
}

}  // namespace

std::vector<StackEntry> FindSymbols(ModuleRecord& Module, uint64_t Address, bool ReturnAddress)
{
    const std::shared_ptr<DebugTableIndex> T = TablesOf(Module);
    if (!T || Address < Module.Handle)
        return {};
    try {
        return FramesAt(*T, Module, Address, Address - Module.Handle - (ReturnAddress ? 1 : 0));
    } catch (const Exception&) {
        // A damaged piece names nothing; the frame still shows its module.
        return {};
    }
}

bool FindSymbol(ModuleRecord& Module, uint64_t Address, bool ReturnAddress, StackEntry& Entry)
{
    std::vector<StackEntry> Frames = FindSymbols(Module, Address, ReturnAddress);
    if (Frames.empty())
        return false;
    Entry = std::move(Frames.front());
    return true;
}

int GetSymbolFlags(Byte CallStackOptions)
{
    return 16 + ((CallStackOptions & 1) ? 4 : 0) + ((CallStackOptions & 2) ? 8 : 0);
}

namespace {

struct UnwindState {
    uintptr_t* Out;
    int Max;
    int Skip;
    int Count;
};

_Unwind_Reason_Code UnwindStep(struct _Unwind_Context* Context, void* Arg)
{
    auto& S = *static_cast<UnwindState*>(Arg);
    int BeforeInsn = 0;
    const uintptr_t IP = _Unwind_GetIPInfo(Context, &BeforeInsn);
    if (IP == 0)
        return _URC_END_OF_STACK;
    if (S.Skip > 0) {
        --S.Skip;
        return _URC_NO_REASON;
    }
    if (S.Count >= S.Max)
        return _URC_END_OF_STACK;
    S.Out[S.Count++] = IP;
    return _URC_NO_REASON;
}

}  // namespace

int CaptureStack(uintptr_t* Out, int Max, int Skip)
{
    // One more frame: this function's own.
    UnwindState S{Out, Max, Skip + 1, 0};
    _Unwind_Backtrace(UnwindStep, &S);
    return S.Count;
}

void WarmUpUnwinder()
{
    // Any walk runs the set-up; one frame is enough.
    uintptr_t Buffer[1];
    (void)CaptureStack(Buffer, 1, 0);
}

bool SafeRead(uintptr_t Address, void* Buffer, size_t Size)
{
    if (Size == 0)
        return true;
    iovec Local{Buffer, Size};
    iovec Remote{reinterpret_cast<void*>(Address), Size};
    return process_vm_readv(getpid(), &Local, 1, &Remote, 1, 0) == ssize_t(Size);
}

bool FollowsCall(uintptr_t Address)
{
    uint8_t B[8];
    if (Address < 8 || !SafeRead(Address - 8, B, 8))
        return false;
    // At(N) is the byte N places before the address. A REX prefix (registers
    // r8..r15) stands before the FF byte and changes none of these tests.
    const auto At = [&B](int N) { return B[8 - N]; };
    const auto In = [](uint8_t V, uint8_t Lo, uint8_t Hi) { return V >= Lo && V <= Hi; };
    if (At(5) == 0xE8)
        return true;  // call rel32
    if (At(2) == 0xFF && (In(At(1), 0xD0, 0xD7) || In(At(1), 0x10, 0x13) || At(1) == 0x16 ||
                          At(1) == 0x17))
        return true;  // call reg, call [reg]
    if (At(3) == 0xFF && ((At(2) == 0x14 && (At(1) & 7) != 5) ||
                          (In(At(2), 0x50, 0x57) && At(2) != 0x54)))
        return true;  // call [sib], call [reg + disp8]
    if (At(4) == 0xFF && At(3) == 0x54)
        return true;  // call [sib + disp8]
    if (At(6) == 0xFF && (At(5) == 0x15 || (In(At(5), 0x90, 0x97) && At(5) != 0x94)))
        return true;  // call [rip + disp32], call [reg + disp32]
    if (At(7) == 0xFF && (At(6) == 0x94 || (At(6) == 0x14 && (At(5) & 7) == 5)))
        return true;  // call [sib + disp32]
    return false;
}

std::vector<uintptr_t> ScanStack(uintptr_t SP, uintptr_t Top, const std::vector<uintptr_t>& Ranges)
{
    std::vector<uintptr_t> Result;
    constexpr size_t BlockSize = 400;
    const uintptr_t End = Top > SP ? std::min<uintptr_t>(Top, SP + MaxStackScan) : SP;
    const auto InModule = [&Ranges](uintptr_t V) {
        for (size_t I = 0; I + 1 < Ranges.size(); I += 2)
            if (V >= Ranges[I] && V < Ranges[I + 1])
                return true;
        return false;
    };
    uintptr_t Pos = SP & ~uintptr_t(7);
    uint64_t Block[BlockSize / 8];
    while (Pos + 8 <= End) {
        const size_t Want = std::min<size_t>(BlockSize, (End - Pos) & ~size_t(7));
        size_t Got = 0;
        if (SafeRead(Pos, Block, Want))
            Got = Want;
        else if (SafeRead(Pos, Block, 8))
            Got = 8;
        else
            break;
        for (size_t I = 0; I < Got / 8; ++I) {
            const uintptr_t V = uintptr_t(Block[I]);
            if (InModule(V) && FollowsCall(V))
                Result.push_back(V);
        }
        Pos += Got;
    }
    return Result;
}

namespace {

// A frame in a module without debug data is named by the dynamic loader's
// symbol lookup (exported symbols only).
void NameFromLoader(StackEntry& E, bool ReturnAddress)
{
    Dl_info Info{};
    if (dladdr(reinterpret_cast<void*>(E.Address - (ReturnAddress ? 1 : 0)), &Info) == 0 ||
        !Info.dli_sname)
        return;
    int Status = 0;
    std::unique_ptr<char, decltype(&std::free)> D(
        abi::__cxa_demangle(Info.dli_sname, nullptr, nullptr, &Status), &std::free);
    std::string Class, Proc;
    SplitFunctionName(Status == 0 && D ? D.get() : Info.dli_sname, Class, Proc);
    E.ClassName = AnsiString(Class);
    E.ProcedureName = AnsiString(Proc);
}

}  // namespace

void BuildCallStack(std::vector<StackEntry>& List, TRazuroModulesList& Modules,
                    ModuleRecord* Program, uint64_t FirstAddress,
                    const std::vector<uintptr_t>& Addresses, uint64_t ThreadID, bool MainThread,
                    bool Running)
{
    const auto Add = [&](uint64_t Address, bool ReturnAddress) {
        std::vector<StackEntry> Frames;
        ModuleRecord* M = Modules.FindModuleRecordByAddress(uintptr_t(Address));
        if (M) {
            ModuleRecord* WithTables = Program && Program->Handle == M->Handle ? Program : M;
            if (WithTables->DebugDataPresent || WithTables->Tables)
                Frames = FindSymbols(*WithTables, Address, ReturnAddress);
        }
        if (Frames.empty()) {
            StackEntry E;
            E.Kind = 1;
            E.Address = Address;
            if (M)
                E.Module = ExtractFileName(M->FileName);
            NameFromLoader(E, ReturnAddress);
            Frames.push_back(std::move(E));
        }
        for (StackEntry& E : Frames) {
            E.ThreadID = ThreadID;
            E.MainThread = MainThread;
            E.Running = Running;
            List.push_back(std::move(E));
        }
    };
    if (FirstAddress != 0)
        Add(FirstAddress, false);
    for (const uintptr_t A : Addresses)
        Add(A, true);
}
