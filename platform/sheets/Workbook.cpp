// The workbook's record stream (BIFF8, and BIFF5/7 for Excel 5 and 95
// files): the globals (code page, date mode, formats, sheets, the shared
// string table, the active sheet), then each worksheet's cells. Records are
// read in one pass per substream; every record is checked to be long enough
// for what is read from it, and every count against the bytes that follow.

#include "platform/sheets/Workbook.h"

#include "platform/sheets/WorkbookPrivate.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unordered_map>

using namespace workbook_detail;

namespace {

constexpr uint16_t RecFormula = 0x0006;
constexpr uint16_t RecEof = 0x000A;
constexpr uint16_t RecDateMode = 0x0022;
constexpr uint16_t RecFilePass = 0x002F;
constexpr uint16_t RecContinue = 0x003C;
constexpr uint16_t RecWindow1 = 0x003D;
constexpr uint16_t RecDefColWidth = 0x0055;
constexpr uint16_t RecColInfo = 0x007D;
constexpr uint16_t RecCodePage = 0x0042;
constexpr uint16_t RecBoundSheet = 0x0085;
constexpr uint16_t RecMulRk = 0x00BD;
constexpr uint16_t RecMulBlank = 0x00BE;
constexpr uint16_t RecRString = 0x00D6;
constexpr uint16_t RecXf = 0x00E0;
constexpr uint16_t RecSst = 0x00FC;
constexpr uint16_t RecLabelSst = 0x00FD;
constexpr uint16_t RecDimensions = 0x0200;
constexpr uint16_t RecBlank = 0x0201;
constexpr uint16_t RecNumber = 0x0203;
constexpr uint16_t RecLabel = 0x0204;
constexpr uint16_t RecBoolErr = 0x0205;
constexpr uint16_t RecString = 0x0207;
constexpr uint16_t RecRow = 0x0208;
constexpr uint16_t RecDefaultRowHeight = 0x0225;
constexpr uint16_t RecRk = 0x027E;
constexpr uint16_t RecFormat = 0x041E;
constexpr uint16_t RecBof = 0x0809;

constexpr uint16_t BofGlobals = 0x0005;
constexpr uint16_t BofWorksheet = 0x0010;
constexpr uint16_t Biff8Version = 0x0600;
constexpr uint16_t Biff5Version = 0x0500;
constexpr int DefaultCodePage = 1251;

// A sheet of this file format has at most 65536 rows and 256 columns.
constexpr uint32_t MaxRows = 65536;
constexpr uint32_t MaxCols = 256;
// Days between the 1904 and the 1900 date systems.
constexpr double Days1904 = 1462;

double F64(const char* P)
{
    const uint64_t Bits = U64(P);
    double D;
    std::memcpy(&D, &Bits, sizeof D);
    return D;
}

/// The number packed in an RK value: 30 bits of integer or the upper 30
/// bits of a double, optionally divided by 100.
double DecodeRk(uint32_t Rk)
{
    double D;
    if (Rk & 2) {
        D = static_cast<double>(static_cast<int32_t>(Rk) >> 2);
    } else {
        const uint64_t Bits = static_cast<uint64_t>(Rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&D, &Bits, sizeof D);
    }
    return Rk & 1 ? D / 100 : D;
}

struct Record {
    uint16_t Type = 0;
    const char* Data = nullptr;
    uint32_t Size = 0;
};

/// Walks the records of a stream from a position.
class RecordCursor {
public:
    RecordCursor(std::string_view Stream, size_t Pos, const AnsiString& Name)
        : FStream(Stream), FPos(Pos), FName(Name) {}

    /// The next record; false at the end of the stream. A record whose
    /// length runs past the end raises "Файл повреждён".
    bool Next(Record& R)
    {
        if (FPos >= FStream.size())
            return false;
        if (FStream.size() - FPos < 4)
            RaiseDamaged(FName);
        const char* P = FStream.data() + FPos;
        R.Type = U16(P);
        R.Size = U16(P + 2);
        if (FStream.size() - FPos - 4 < R.Size)
            RaiseDamaged(FName);
        R.Data = P + 4;
        FPos += 4 + R.Size;
        return true;
    }

    size_t Pos() const { return FPos; }

    /// The data of the CONTINUE record that follows, if one does; moves past
    /// it.
    bool NextContinue(std::string_view& Data)
    {
        if (FStream.size() - FPos < 4 || U16(FStream.data() + FPos) != RecContinue)
            return false;
        Record R;
        Next(R);
        Data = std::string_view(R.Data, R.Size);
        return true;
    }

private:
    std::string_view FStream;
    size_t FPos;
    const AnsiString& FName;
};

/// Bytes of a record and its CONTINUE records read as one, for the
/// structures that may be split across them. At each record boundary inside
/// a string's characters the next record begins with a new option byte
/// (whether the characters go on in 8 or in 16 bits).
class ContinuedData {
public:
    explicit ContinuedData(const AnsiString& Name) : FName(Name) {}

    void Reset(std::string_view First)
    {
        FSegments.clear();
        FSegments.push_back(First);
        FSeg = 0;
        FOff = 0;
        FLeft = First.size();
    }
    void Add(std::string_view More)
    {
        FSegments.push_back(More);
        FLeft += More.size();
    }
    size_t Left() const { return FLeft; }

    uint8_t Byte()
    {
        if (FLeft == 0)
            RaiseDamaged(FName);
        while (FOff == FSegments[FSeg].size()) {
            ++FSeg;
            FOff = 0;
        }
        --FLeft;
        return static_cast<uint8_t>(FSegments[FSeg][FOff++]);
    }
    uint16_t Word()
    {
        const uint16_t Lo = Byte();
        return static_cast<uint16_t>(Lo | Byte() << 8);
    }
    uint32_t DWord()
    {
        const uint32_t Lo = Word();
        return Lo | static_cast<uint32_t>(Word()) << 16;
    }
    void Skip(uint64_t Count)
    {
        if (Count > FLeft)
            RaiseDamaged(FName);
        FLeft -= static_cast<size_t>(Count);
        while (Count > 0) {
            const size_t Here = std::min<uint64_t>(Count, FSegments[FSeg].size() - FOff);
            FOff += Here;
            Count -= Here;
            if (FOff == FSegments[FSeg].size() && FSeg + 1 < FSegments.size()) {
                ++FSeg;
                FOff = 0;
            }
        }
    }

    /// A BIFF8 string: 16-bit (or, with Short, 8-bit) character count,
    /// option byte, optional rich-text and far-east sizes, characters, then
    /// the rich-text runs and far-east data, which are skipped. The text is
    /// appended to Out.
    void ReadUnicodeString(std::string& Out, bool Short)
    {
        const uint32_t Count = Short ? Byte() : Word();
        const uint8_t Options = Byte();
        const uint32_t Runs = Options & 0x08 ? Word() : 0;
        const uint32_t FarEast = Options & 0x04 ? DWord() : 0;
        bool Wide = Options & 0x01;
        for (uint32_t Remaining = Count; Remaining > 0;) {
            if (FOff == FSegments[FSeg].size()) {
                if (FSeg + 1 >= FSegments.size())
                    RaiseDamaged(FName);
                ++FSeg;
                FOff = 0;
                Wide = Byte() & 0x01;
                continue;
            }
            const size_t Avail = FSegments[FSeg].size() - FOff;
            const size_t Width = Wide ? 2 : 1;
            const size_t Here = std::min<size_t>(Remaining, Avail / Width);
            if (Here == 0)
                RaiseDamaged(FName);  // half a character before a boundary
            const char* P = FSegments[FSeg].data() + FOff;
            if (Wide)
                AppendUtf16(Out, P, Here);
            else
                AppendLatin1(Out, P, Here);
            FOff += Here * Width;
            FLeft -= Here * Width;
            Remaining -= static_cast<uint32_t>(Here);
        }
        Skip(uint64_t(Runs) * 4 + FarEast);
    }

private:
    std::vector<std::string_view> FSegments;
    size_t FSeg = 0;
    size_t FOff = 0;
    size_t FLeft = 0;
    const AnsiString& FName;
};

struct SheetEntry {
    uint32_t Pos = 0;
    bool IsWorksheet = true;
};

}  // namespace

/// Reads the record stream into a Workbook.
class BiffReader {
public:
    BiffReader(Workbook& Book, std::string_view Stream)
        : FBook(Book), FStream(Stream), FName(Book.FFileName), FData(Book.FFileName) {}

    void Read()
    {
        ReadGlobals();
        for (size_t I = 0; I < FEntries.size(); ++I)
            if (FEntries[I].IsWorksheet)
                ReadSheet(FBook.FSheets[I], FEntries[I].Pos);
            else
                FBook.FSheets[I].IsWorksheet = false;
        if (FBook.FActiveSheet >= FBook.SheetCount())
            FBook.FActiveSheet = 0;
    }

private:
    void ReadGlobals();
    void ReadBof(const Record& R, uint16_t WantType);
    void ReadFormat(const Record& R);
    void ReadBoundSheet(const Record& R);
    void ReadSst(const Record& R, RecordCursor& Cursor);
    void ClassifyXfs();

    void ReadSheet(WorkbookSheet& Sheet, uint32_t Pos);
    void ReadCellRecord(WorkbookSheet& Sheet, const Record& R, RecordCursor& Cursor);
    /// Column widths and row heights.
    void ReadLayoutRecord(WorkbookSheet& Sheet, const Record& R);
    /// A blank cell at the record's row and column Col (0-based): a new one,
    /// or the one already at that position, emptied (the last record of a
    /// position wins). Its index is kept in FLastCell.
    WorkbookCell& AddCell(WorkbookSheet& Sheet, const char* Data, uint32_t Col);
    void SetNumber(WorkbookCell& Cell, double Value, uint16_t Xf) const;
    /// Appends a text to the workbook's texts; its number.
    uint32_t AddString(std::string_view First, RecordCursor& Cursor);
    /// Records the text at Start, Length bytes, of the text buffer.
    uint32_t AddTextSpan(size_t Start, size_t Length);
    /// Sorts the cells that came out of order into the sorted ones.
    void MergeCells(WorkbookSheet& Sheet);
    /// Puts the row heights in order, one per row (the last given).
    static void SortRows(WorkbookSheet& Sheet);

    void Need(const Record& R, uint32_t Size) const
    {
        if (R.Size < Size)
            RaiseDamaged(FName);
    }

    Workbook& FBook;
    std::string_view FStream;
    const AnsiString& FName;
    bool FBiff8 = true;
    int FCodePage = DefaultCodePage;
    std::vector<SheetEntry> FEntries;
    /// Format index of each XF record, in file order.
    std::vector<uint16_t> FXfFormats;
    /// What each format record (by its index) makes of a number.
    std::unordered_map<uint16_t, NumberKind> FFormats;
    /// What each XF makes of a number, from the two above.
    std::vector<NumberKind> FXfKinds;
    /// Index of the formula cell whose text result the next STRING record
    /// carries; -1 when none waits.
    ptrdiff_t FPendingString = -1;
    /// The sheet's cells [0, FSorted) are sorted, one per position; those
    /// after them came out of order and wait for MergeCells.
    size_t FSorted = 0;
    /// Index of the cell AddCell gave last.
    size_t FLastCell = 0;
    /// Bytes of sheet substreams read so far. Substreams of a sound file do
    /// not overlap, so more than the whole stream means sheets that share
    /// their records, which could otherwise make the reading quadratic.
    size_t FSheetBytes = 0;
    ContinuedData FData;
    std::string FText;
};

void BiffReader::ReadBof(const Record& R, uint16_t WantType)
{
    if (R.Type != RecBof)
        RaiseDamaged(FName);
    Need(R, 4);
    const uint16_t Version = U16(R.Data);
    if (WantType == BofGlobals) {
        if (Version != Biff8Version && Version != Biff5Version)
            RaiseNotWorkbook(FName);
        FBiff8 = Version == Biff8Version;
        FBook.FBiffVersion = FBiff8 ? 8 : 5;
        if (U16(R.Data + 2) != BofGlobals)
            RaiseDamaged(FName);
    }
}

void BiffReader::ReadGlobals()
{
    RecordCursor Cursor(FStream, 0, FName);
    Record R;
    if (!Cursor.Next(R))
        RaiseNotWorkbook(FName);
    ReadBof(R, BofGlobals);
    bool Window1Seen = false;
    for (;;) {
        if (!Cursor.Next(R))
            RaiseDamaged(FName);  // no end-of-globals record
        switch (R.Type) {
        case RecEof:
            ClassifyXfs();
            return;
        case RecFilePass:
            RaisePassword(FName);
        case RecCodePage:
            Need(R, 2);
            FCodePage = U16(R.Data);
            break;
        case RecDateMode:
            Need(R, 2);
            FBook.F1904 = U16(R.Data) == 1;
            break;
        case RecWindow1:
            Need(R, 12);
            if (!Window1Seen)
                FBook.FActiveSheet = U16(R.Data + 10);
            Window1Seen = true;
            break;
        case RecFormat:
            ReadFormat(R);
            break;
        case RecXf:
            Need(R, 4);
            FXfFormats.push_back(U16(R.Data + 2));
            break;
        case RecBoundSheet:
            ReadBoundSheet(R);
            break;
        case RecSst:
            ReadSst(R, Cursor);
            break;
        default:
            break;
        }
    }
}

void BiffReader::ReadFormat(const Record& R)
{
    Need(R, 3);
    const uint16_t Index = U16(R.Data);
    std::u16string Format;
    if (FBiff8) {
        FData.Reset(std::string_view(R.Data + 2, R.Size - 2));
        const uint32_t Count = FData.Word();
        const bool Wide = FData.Byte() & 0x01;
        if (uint64_t(Count) * (Wide ? 2 : 1) > FData.Left())
            RaiseDamaged(FName);
        const char* P = R.Data + 5;
        Format.resize(Count);
        for (uint32_t I = 0; I < Count; ++I)
            Format[I] = Wide ? static_cast<char16_t>(U16(P + 2 * I))
                             : static_cast<char16_t>(static_cast<uint8_t>(P[I]));
    } else {
        const uint32_t Count = static_cast<uint8_t>(R.Data[2]);
        Need(R, 3 + Count);
        for (uint32_t I = 0; I < Count; ++I)
            Format += static_cast<char16_t>(cp1251::ToUnicode(static_cast<uint8_t>(R.Data[3 + I])));
    }
    FFormats[Index] = ClassifyFormatString(Format);
}

void BiffReader::ReadBoundSheet(const Record& R)
{
    Need(R, 7);
    SheetEntry Entry;
    Entry.Pos = U32(R.Data);
    // The sheet type: 0 worksheet (or dialog), 1 macro sheet, 2 chart,
    // 6 module.
    Entry.IsWorksheet = static_cast<uint8_t>(R.Data[5]) == 0;
    WorkbookSheet Sheet;
    if (FBiff8) {
        FData.Reset(std::string_view(R.Data + 6, R.Size - 6));
        FText.clear();
        FData.ReadUnicodeString(FText, /*Short=*/true);
        Sheet.Name = AnsiString(FText);
    } else {
        const uint32_t Count = static_cast<uint8_t>(R.Data[6]);
        Need(R, 7 + Count);
        std::string Name;
        AppendCodePage(Name, R.Data + 7, Count, FCodePage);
        Sheet.Name = AnsiString(std::move(Name));
    }
    FEntries.push_back(Entry);
    FBook.FSheets.push_back(std::move(Sheet));
}

void BiffReader::ReadSst(const Record& R, RecordCursor& Cursor)
{
    if (!FBiff8)
        return;
    Need(R, 8);
    const uint32_t Unique = U32(R.Data + 4);
    FData.Reset(std::string_view(R.Data + 8, R.Size - 8));
    std::string_view More;
    while (Cursor.NextContinue(More))
        FData.Add(More);
    // Every string takes three bytes at least: a count larger than that
    // allows is damage, found before anything is allocated for it.
    if (Unique > FData.Left() / 3)
        RaiseDamaged(FName);
    FBook.FTexts.reserve(FBook.FTexts.size() + Unique);
    // A character takes a byte at least: the texts fit in as many bytes as
    // their records hold.
    FBook.FTextBytes.reserve(FBook.FTextBytes.size() + FData.Left());
    for (uint32_t I = 0; I < Unique; ++I) {
        const size_t Start = FBook.FTextBytes.size();
        FData.ReadUnicodeString(FBook.FTextBytes, /*Short=*/false);
        FBook.FTexts.push_back({Start, FBook.FTextBytes.size() - Start});
    }
}

void BiffReader::ClassifyXfs()
{
    FXfKinds.resize(FXfFormats.size());
    for (size_t I = 0; I < FXfFormats.size(); ++I) {
        const auto Found = FFormats.find(FXfFormats[I]);
        FXfKinds[I] = Found != FFormats.end() ? Found->second
                                              : ClassifyBuiltinFormat(FXfFormats[I]);
    }
}

void BiffReader::ReadSheet(WorkbookSheet& Sheet, uint32_t Pos)
{
    if (Pos >= FStream.size())
        RaiseDamaged(FName);
    RecordCursor Cursor(FStream, Pos, FName);
    Record R;
    if (!Cursor.Next(R))
        RaiseDamaged(FName);
    ReadBof(R, BofWorksheet);
    if (U16(R.Data + 2) != BofWorksheet) {
        Sheet.IsWorksheet = false;
        return;
    }
    FPendingString = -1;
    FSorted = Sheet.Cells.size();
    // Charts embedded in the sheet are substreams of their own, from BOF to
    // EOF, inside the sheet's.
    int Depth = 0;
    while (Cursor.Next(R)) {
        if (FSheetBytes + (Cursor.Pos() - Pos) > FStream.size())
            RaiseDamaged(FName);
        if (R.Type == RecBof) {
            ++Depth;
        } else if (R.Type == RecEof) {
            if (Depth == 0) {
                FSheetBytes += Cursor.Pos() - Pos;
                MergeCells(Sheet);
                SortRows(Sheet);
                return;
            }
            --Depth;
        } else if (Depth == 0) {
            ReadCellRecord(Sheet, R, Cursor);
        }
    }
    RaiseDamaged(FName);  // the sheet has no end
}

namespace {

/// Position of a cell in reading order.
uint32_t CellKey(const WorkbookCell& C)
{
    return (C.Row - 1) * MaxCols + (C.Col - 1);
}

}  // namespace

WorkbookCell& BiffReader::AddCell(WorkbookSheet& Sheet, const char* Data, uint32_t Col)
{
    if (Col >= MaxCols)
        RaiseDamaged(FName);
    FPendingString = -1;
    std::vector<WorkbookCell>& Cells = Sheet.Cells;
    WorkbookCell New;
    New.Row = static_cast<uint32_t>(U16(Data)) + 1;
    New.Col = static_cast<uint16_t>(Col + 1);
    const uint32_t Key = CellKey(New);
    // Cells come in reading order in a sound file: appended. A position
    // written again (a file may repeat a record millions of times) is
    // replaced where it stands, so the cells never outgrow the positions
    // the sheet uses. Other cells out of order wait at the end, merged in
    // whenever they are as many as the sorted ones, which keeps the work
    // of n cells at n log n.
    if (FSorted == Cells.size() && (Cells.empty() || Key > CellKey(Cells.back()))) {
        Cells.push_back(New);
        FSorted = Cells.size();
    } else {
        if (Cells.size() - FSorted >= std::max<size_t>(FSorted, 4096))
            MergeCells(Sheet);
        const auto Sorted = Cells.begin() + ptrdiff_t(FSorted);
        const auto Found = std::lower_bound(
            Cells.begin(), Sorted, Key,
            [](const WorkbookCell& C, uint32_t K) { return CellKey(C) < K; });
        if (Found != Sorted && CellKey(*Found) == Key) {
            *Found = New;
            FLastCell = size_t(Found - Cells.begin());
            return *Found;
        }
        Cells.push_back(New);
    }
    FLastCell = Cells.size() - 1;
    return Cells.back();
}

void BiffReader::SetNumber(WorkbookCell& Cell, double Value, uint16_t Xf) const
{
    Cell.Kind = CellKind::Number;
    Cell.Format = Xf < FXfKinds.size() ? FXfKinds[Xf] : NumberKind::Plain;
    if (Cell.Format == NumberKind::Date) {
        // Serial 1 of the 1900 system is 1900-01-01, which the program's
        // dates call 2; from 1900-03-01 on the two agree, because the
        // spreadsheet counts a 29 February 1900 that never was.
        if (FBook.F1904)
            Value += Days1904;
        else if (Value >= 1 && Value < 60)
            Value += 1;
    }
    Cell.Number = Value;
}

uint32_t BiffReader::AddString(std::string_view First, RecordCursor& Cursor)
{
    std::string& Bytes = FBook.FTextBytes;
    const size_t Start = Bytes.size();
    if (FBiff8) {
        FData.Reset(First);
        std::string_view More;
        while (Cursor.NextContinue(More))
            FData.Add(More);
        FData.ReadUnicodeString(Bytes, /*Short=*/false);
    } else {
        if (First.size() < 2)
            RaiseDamaged(FName);
        const uint32_t Count = U16(First.data());
        if (First.size() - 2 < Count)
            RaiseDamaged(FName);
        AppendCodePage(Bytes, First.data() + 2, Count, FCodePage);
    }
    return AddTextSpan(Start, Bytes.size() - Start);
}

uint32_t BiffReader::AddTextSpan(size_t Start, size_t Length)
{
    // The cell's Text number is 32 bits; a file holds far fewer texts.
    if (FBook.FTexts.size() >= UINT32_MAX)
        RaiseDamaged(FName);
    FBook.FTexts.push_back({Start, Length});
    return static_cast<uint32_t>(FBook.FTexts.size() - 1);
}

void BiffReader::ReadCellRecord(WorkbookSheet& Sheet, const Record& R, RecordCursor& Cursor)
{
    const char* D = R.Data;
    switch (R.Type) {
    case RecDimensions: {
        // First row, row past the last, first column, column past the last.
        uint32_t RowMic, RowMac, ColMic, ColMac;
        if (FBiff8) {
            Need(R, 12);
            RowMic = U32(D), RowMac = U32(D + 4), ColMic = U16(D + 8), ColMac = U16(D + 10);
        } else {
            Need(R, 8);
            RowMic = U16(D), RowMac = U16(D + 2), ColMic = U16(D + 4), ColMac = U16(D + 6);
        }
        if (RowMac > MaxRows || ColMac > MaxCols || RowMic > RowMac || ColMic > ColMac)
            RaiseDamaged(FName);
        // Room for the cells the sheet says it has, as far as the records
        // left could hold them in records of one cell (14 bytes at least),
        // and a million at most: a claim is no proof, and more cells than
        // reserved still fit.
        Sheet.Cells.reserve(std::min<size_t>({size_t(RowMac - RowMic) * (ColMac - ColMic),
                                              (FStream.size() - Cursor.Pos()) / 14,
                                              size_t(1) << 20}));
        break;
    }
    case RecNumber: {
        Need(R, 14);
        const uint16_t Xf = U16(D + 4);
        SetNumber(AddCell(Sheet, D, U16(D + 2)), F64(D + 6), Xf);
        break;
    }
    case RecRk: {
        Need(R, 10);
        const uint16_t Xf = U16(D + 4);
        SetNumber(AddCell(Sheet, D, U16(D + 2)), DecodeRk(U32(D + 6)), Xf);
        break;
    }
    case RecMulRk: {
        Need(R, 6);
        const uint32_t First = U16(D + 2);
        const uint32_t Count = (R.Size - 6) / 6;
        for (uint32_t I = 0; I < Count; ++I) {
            const char* P = D + 4 + 6 * I;
            const uint16_t Xf = U16(P);
            SetNumber(AddCell(Sheet, D, First + I), DecodeRk(U32(P + 2)), Xf);
        }
        break;
    }
    case RecBlank:
        Need(R, 6);
        AddCell(Sheet, D, U16(D + 2));
        break;
    case RecMulBlank: {
        Need(R, 6);
        const uint32_t First = U16(D + 2);
        const uint32_t Count = (R.Size - 6) / 2;
        for (uint32_t I = 0; I < Count; ++I)
            AddCell(Sheet, D, First + I);
        break;
    }
    case RecLabel:
    case RecRString: {
        Need(R, 8);
        WorkbookCell& Cell = AddCell(Sheet, D, U16(D + 2));
        Cell.Kind = CellKind::Text;
        Cell.Text = AddString(std::string_view(D + 6, R.Size - 6), Cursor);
        break;
    }
    case RecLabelSst: {
        Need(R, 10);
        const uint32_t Index = U32(D + 6);
        if (Index >= FBook.FTexts.size())
            RaiseDamaged(FName);
        WorkbookCell& Cell = AddCell(Sheet, D, U16(D + 2));
        Cell.Kind = CellKind::Text;
        Cell.Text = Index;
        break;
    }
    case RecBoolErr: {
        Need(R, 8);
        WorkbookCell& Cell = AddCell(Sheet, D, U16(D + 2));
        Cell.Kind = D[7] ? CellKind::Error : CellKind::Boolean;
        Cell.Code = static_cast<uint8_t>(D[6]);
        break;
    }
    case RecFormula: {
        Need(R, 14);
        const uint16_t Xf = U16(D + 4);
        WorkbookCell& Cell = AddCell(Sheet, D, U16(D + 2));
        const char* Result = D + 6;
        // A result whose top two bytes are FFFF is no double: its first byte
        // says text (in the STRING record that follows), Boolean, error or
        // empty text.
        if (U16(Result + 6) != 0xFFFF) {
            SetNumber(Cell, F64(Result), Xf);
            break;
        }
        switch (static_cast<uint8_t>(Result[0])) {
        case 0:
            Cell.Kind = CellKind::Text;
            Cell.Text = AddTextSpan(FBook.FTextBytes.size(), 0);
            FPendingString = static_cast<ptrdiff_t>(FLastCell);
            break;
        case 1:
            Cell.Kind = CellKind::Boolean;
            Cell.Code = Result[2] ? 1 : 0;
            break;
        case 2:
            Cell.Kind = CellKind::Error;
            Cell.Code = static_cast<uint8_t>(Result[2]);
            break;
        default:
            Cell.Kind = CellKind::Text;
            Cell.Text = AddTextSpan(FBook.FTextBytes.size(), 0);
            break;
        }
        break;
    }
    case RecString: {
        if (FPendingString < 0)
            break;
        const ptrdiff_t Index = FPendingString;
        const uint32_t Text = AddString(std::string_view(D, R.Size), Cursor);
        FBook.FTexts[Sheet.Cells[size_t(Index)].Text] = FBook.FTexts[Text];
        FBook.FTexts.pop_back();
        FPendingString = -1;
        break;
    }
    case RecFilePass:
        RaisePassword(FName);
    default:
        ReadLayoutRecord(Sheet, R);
        break;
    }
}

void BiffReader::ReadLayoutRecord(WorkbookSheet& Sheet, const Record& R)
{
    const char* D = R.Data;
    switch (R.Type) {
    case RecDefColWidth:
        Need(R, 2);
        Sheet.DefaultColumnWidth = U16(D);
        break;
    case RecDefaultRowHeight:
        Need(R, 4);
        Sheet.DefaultRowHeight = U16(D + 2) & 0x7FFF;
        break;
    case RecColInfo: {
        Need(R, 10);
        const uint16_t First = U16(D);
        const uint16_t Last = U16(D + 2);
        // A run past the sheet's columns is cut to them; one that starts
        // there says nothing about this sheet.
        if (First >= MaxCols || First > Last)
            break;
        WorkbookColumns Run;
        Run.First = uint16_t(First + 1);
        Run.Last = uint16_t(std::min<uint32_t>(Last, MaxCols - 1) + 1);
        Run.Width = U16(D + 4);
        Run.Hidden = U16(D + 8) & 0x0001;
        // The runs of a sound file never outnumber the columns.
        if (Sheet.Columns.size() < MaxCols)
            Sheet.Columns.push_back(Run);
        break;
    }
    case RecRow: {
        Need(R, 16);
        const uint32_t Row = uint32_t(U16(D)) + 1;
        const uint16_t Height = U16(D + 6);
        const bool Hidden = U16(D + 12) & 0x0020;
        // The top bit marks a row of the default height.
        if (!Hidden && (Height & 0x8000))
            break;
        // Rows come in order in a sound file; others are put in order when
        // the sheet ends (SortRows), a row given again keeping its last
        // height. Entries take less room than the records that make them.
        Sheet.Rows.push_back({Row, uint16_t(Hidden ? 0 : Height & 0x7FFF)});
        break;
    }
    default:
        break;
    }
}

void BiffReader::MergeCells(WorkbookSheet& Sheet)
{
    std::vector<WorkbookCell>& Cells = Sheet.Cells;
    if (FSorted == Cells.size())
        return;
    // A cell written twice keeps its last value, as the file's reader would
    // see it when loading record by record: the waiting cells came after
    // the sorted ones, and a stable sort keeps them in the order they came.
    const auto Less = [](const WorkbookCell& A, const WorkbookCell& B) {
        return CellKey(A) < CellKey(B);
    };
    std::stable_sort(Cells.begin() + ptrdiff_t(FSorted), Cells.end(), Less);
    std::inplace_merge(Cells.begin(), Cells.begin() + ptrdiff_t(FSorted), Cells.end(), Less);
    size_t Out = 0;
    for (size_t I = 0; I < Cells.size(); ++I) {
        if (Out > 0 && CellKey(Cells[Out - 1]) == CellKey(Cells[I]))
            Cells[Out - 1] = Cells[I];
        else
            Cells[Out++] = Cells[I];
    }
    Cells.resize(Out);
    FSorted = Out;
}

void BiffReader::SortRows(WorkbookSheet& Sheet)
{
    auto& Rows = Sheet.Rows;
    const auto Less = [](const WorkbookRow& A, const WorkbookRow& B) { return A.Row < B.Row; };
    std::stable_sort(Rows.begin(), Rows.end(), Less);
    size_t Out = 0;
    for (size_t I = 0; I < Rows.size(); ++I) {
        if (Out > 0 && Rows[Out - 1].Row == Rows[I].Row)
            Rows[Out - 1] = Rows[I];
        else
            Rows[Out++] = Rows[I];
    }
    Rows.resize(Out);
    Rows.shrink_to_fit();
}

const WorkbookCell* WorkbookSheet::Find(uint32_t Row, uint32_t Col) const
{
    const auto Found = std::lower_bound(
        Cells.begin(), Cells.end(), std::pair(Row, Col),
        [](const WorkbookCell& C, const std::pair<uint32_t, uint32_t>& P) {
            return C.Row < P.first || (C.Row == P.first && C.Col < P.second);
        });
    if (Found == Cells.end() || Found->Row != Row || Found->Col != Col)
        return nullptr;
    return &*Found;
}

bool WorkbookSheet::UsedBounds(uint32_t& FirstRow, uint32_t& FirstCol, uint32_t& LastRow,
                               uint32_t& LastCol) const
{
    if (Cells.empty())
        return false;
    FirstRow = Cells.front().Row;
    LastRow = Cells.back().Row;
    FirstCol = MaxCols;
    LastCol = 1;
    for (const WorkbookCell& C : Cells) {
        FirstCol = std::min(FirstCol, uint32_t(C.Col));
        LastCol = std::max(LastCol, uint32_t(C.Col));
    }
    return true;
}

Workbook Workbook::LoadFromFile(const AnsiString& FileName)
{
    std::error_code Error;
    const std::filesystem::path Path(FileName.ToUtf8());
    if (!std::filesystem::is_regular_file(Path, Error))
        RaiseNotFound(FileName);
    const uintmax_t Size = std::filesystem::file_size(Path, Error);
    std::ifstream In(Path, std::ios::binary);
    if (Error || !In)
        RaiseNotFound(FileName);
    // Read over without being cleared first: the buffer is as large as the
    // file and is read whole.
    const auto Bytes = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(Size));
    In.read(Bytes.get(), static_cast<std::streamsize>(Size));
    // A file that shrank while read is short of its own size: damaged.
    return LoadFromBytes(std::string_view(Bytes.get(), static_cast<size_t>(In.gcount())),
                         FileName);
}

Workbook Workbook::LoadFromBytes(std::string_view Bytes, const AnsiString& Name)
{
    const CompoundFile Container(Bytes, Name);
    // Read in place where the stream lies in one piece: no copy of it.
    std::string Storage;
    std::string_view Stream;
    if (!Container.ReadStream("Workbook", Storage, Stream)
        && !Container.ReadStream("Book", Storage, Stream))
        RaiseNotWorkbook(Name);
    Workbook Book;
    Book.FFileName = Name;
    BiffReader(Book, Stream).Read();
    return Book;
}

const WorkbookSheet& Workbook::Sheet(int Index) const
{
    assert(Index >= 0 && Index < SheetCount() && "sheet index out of range");
    return FSheets[static_cast<size_t>(Index)];
}

std::string_view Workbook::Text(const WorkbookCell& Cell) const
{
    assert(Cell.Kind == CellKind::Text && Cell.Text < FTexts.size() && "not a text cell");
    const TextSpan& Span = FTexts[Cell.Text];
    return std::string_view(FTextBytes).substr(Span.Start, Span.Length);
}
