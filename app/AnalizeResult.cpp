// The analysis items, their keyword lists and values, and the statistics of
// a table's rows, columns and row patterns. The search for header, columns,
// total and data rows is in AnalizeResultSearch.cpp.

#include "app/AnalizeResult.h"

#include "app/InvoicePackedName.h"
#include "app/ReadXLS.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Variant.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

PRICETAGS_DEFINE_CLASS(TAnResItem)

PRICETAGS_DEFINE_CLASS(TStatAnalizeItem)

PRICETAGS_DEFINE_CLASS(TStatAnalize)

PRICETAGS_DEFINE_CLASS(TAnalizeResult)

namespace {

/// The built-in keywords of a kind, used when the program ini gives none.
/// The empty entries of kinds 14 to 16 are shown in the settings but never
/// match. The article keyword is spelt with the Cyrillic "А" throughout:
/// a Latin first letter would never meet a heading.
std::vector<const char*> BuiltInHeaders(Byte Kind)
{
    switch (Kind) {
    case KindNumber: return {"№"_c, "НОМЕР"_c, "НОМ."_c};
    case KindItem: return {"ТОВАР"_c, "НАИМЕНОВАНИЕ"_c, "НАИМНИЕ"_c, "НАИМ"_c, "НАЗВАНИЕ"_c};
    case KindModel: return {"МОДЕЛЬ"_c, "ТИП"_c, "МАРКА"_c};
    case KindQuantity: return {"КОЛИЧЕСТВО"_c, "КОЛВО"_c, "КОЛ."_c, "КОЛ"_c, "ШТ"_c};
    case KindPrice: return {"ЦЕНА"_c};
    case KindUnit: return {"ЕД."_c, "ЕДИНИЦЫ"_c, "ЕДИНИЦ"_c};
    case KindSum: return {"СУММА"_c, "СУМ."_c, "СУММ"_c};
    case KindTotal:
        return {"ВСЕГОПОНАКЛАД"_c, "ИТОГО:"_c, "ИТОГ:"_c, "ВСЕГО:"_c, "ИТОГО"_c, "ВСЕГО"_c,
                "ИТОГ"_c, "ВСЕГ"_c};
    case KindType: return {"ТИП"_c, "МАРКА"_c, ""};
    case KindModelName: return {"МОДЕЛЬ"_c, "НАИМЕН"_c, ""};
    case KindArticle: return {"АРТИКУЛ"_c, "КОД"_c, ""};
    case KindDescription:
        return {"ПРОЧИЕХАРАКТЕРИСТИКИ"_c, "ХАРАКТЕРИСТИК"_c, "ОСНОВНЫЕХАРАКТ"_c, "ОПИСАН"_c};
    case KindFirm: return {"ФИРМА"_c, "ПРОИЗВОДИТ"_c};
    case KindCountry: return {"СТРАНА"_c, "ПРОИЗВОДСТ"_c};
    case KindWarranty: return {"ГАРАНТИЯМЕС"_c, "ГАРАНТИ"_c, "СРОКГАР"_c};
    default: return {};
    }
}

bool IsRowRole(Byte Kind)
{
    return Kind >= KindHeaderRow && Kind <= KindLastRow;
}

/// Characters a heading loses before it is compared.
constexpr TCharSet HeaderNoise{'\r', '\n', ' ', '-', '"', '\'', '(', ')', '[', ']'};

}  // namespace

// ---- text helpers --------------------------------------------------------------

AnsiString NormalizeHeaderText(const AnsiString& Text)
{
    const AnsiString Trimmed = Trim(Text);
    AnsiString Result;
    Result.Std().reserve(size_t(Trimmed.Length()));
    for (int I = 1; I <= Trimmed.Length(); ++I)
        if (!HeaderNoise.Contains(Trimmed[I]))
            Result += Trimmed[I];
    return AnsiUpperCase(Result);
}

Integer MatchHeaderKeyword(const TStrings& Keywords, const AnsiString& Text)
{
    const AnsiString Normal = NormalizeHeaderText(Text);
    for (int I = 0; I < Keywords.Count(); ++I) {
        const AnsiString Key = NormalizeHeaderText(Keywords.Strings(I));
        // An empty keyword is "not found", never a match of every text.
        if (!Key.IsEmpty() && Normal.View().starts_with(Key.View()))
            return I;
    }
    return -1;
}

namespace {

/// V as Units / 10^Decimals when V is the double nearest to a decimal of at
/// most four decimals and at most 15 digits, or a double next to it. Such a
/// decimal is the text the runtime writes for V (15 significant digits,
/// plain notation): a decimal of up to 15 significant digits survives the
/// trip to a double and back, and a neighbour of that double lies within
/// one and a half units of its last bit from the decimal, well inside half
/// a unit of the 15th digit. Products of prices and quantities (a formula's
/// 2098.6499999999996 for 17 x 123.45) land there. False for any other
/// value, which then takes the runtime's own way.
bool ShortDecimal(double V, Int64& Units, int& Decimals)
{
    const double Magnitude = std::fabs(V);
    if (!(Magnitude >= 1e-4 && Magnitude < 1e11))
        return false;
    // Whole numbers (quantities, row numbers) are the most common: they are
    // taken without the scaling below.
    const auto Whole = static_cast<Int64>(V);
    if (double(Whole) == V) {
        Units = Whole;
        Decimals = 0;
        return true;
    }
    // The decimal is found at four decimals in one step: a value next to a
    // decimal of fewer decimals lands on the same whole number of
    // ten-thousandths, whose trailing zeros give the fewest decimals. The
    // product is rounded by conversion, which is quick; the way ties go does
    // not matter, as a tie is never within a step of either neighbour.
    const double X = V * 10000;
    Int64 Scaled = static_cast<Int64>(X < 0 ? X - 0.5 : X + 0.5);
    // Far from a whole number of ten-thousandths (beyond what rounding of
    // the product can explain): more decimals than four.
    if (std::fabs(X - double(Scaled)) > std::fabs(X) * 1e-14 + 1e-9)
        return false;
    static constexpr double Scales[] = {1, 10, 100, 1000, 10000};
    Decimals = 4;
    while (Decimals > 0 && Scaled % 10 == 0) {
        Scaled /= 10;
        --Decimals;
    }
    const double Nearest = double(Scaled) / Scales[Decimals];
    if (Nearest == V
        || (std::fabs(Nearest - V) <= Magnitude * 4.5e-16 && std::nextafter(Nearest, V) == V)) {
        Units = Scaled;
        return true;
    }
    return false;
}

/// The text of Units / 10^Decimals with the decimal separator.
AnsiString ShortDecimalText(Int64 Units, int Decimals)
{
    char Digits[24];
    int Length = 0;
    Int64 Rest = Units < 0 ? -Units : Units;
    do {
        Digits[Length++] = char('0' + Rest % 10);
        Rest /= 10;
    } while (Rest > 0 || Length <= Decimals);
    char Out[32];
    int N = 0;
    if (Units < 0)
        Out[N++] = '-';
    for (int I = Length - 1; I >= 0; --I) {
        Out[N++] = Digits[I];
        if (I == Decimals && I > 0)
            Out[N++] = FormatSettings().DecimalSeparator;
    }
    return AnsiString(Out, N);
}

}  // namespace

AnsiString CellValueText(const Variant& Cell)
{
    // Most numbers of a sheet are whole or have a few decimals; their text
    // is built here without the general conversion.
    Int64 Units = 0;
    int Decimals = 0;
    if (Cell.VType() == varDouble && ShortDecimal(Cell.AsDouble(), Units, Decimals))
        return ShortDecimalText(Units, Decimals);
    return VarToStr(Cell);
}

bool CellCurrency(const Variant& Cell, Currency& Value)
{
    Int64 Units = 0;
    int Decimals = 0;
    if (Cell.VType() != varDouble || !ShortDecimal(Cell.AsDouble(), Units, Decimals))
        return false;
    Int64 Raw = Units;
    for (int I = Decimals; I < 4; ++I)
        Raw *= 10;
    Value = Currency::FromRaw(Raw);
    return true;
}

namespace {

char TypeCharOf(std::string_view Text)
{
    if (Text.empty())
        return '-';
    // A letter anywhere makes no number text; most texts of a sheet are
    // names, so this spares the cleaning.
    for (const char C : Text)
        if (cp1251::IsLetter(static_cast<unsigned char>(C)))
            return 'S';
    const AnsiString Clean = CleanNumStr(AnsiString(Text));
    if (Clean.IsEmpty())
        return 'S';
    if (Clean.View().find(FormatSettings().DecimalSeparator) == std::string_view::npos)
        return 'I';
    const Currency NotConverted = Currency::FromRaw(INT64_MAX);
    return StrToCurrDef(Clean, NotConverted) == NotConverted ? 'V' : 'F';
}

/// Text without blanks (control characters included) at either end.
std::string_view TrimmedView(std::string_view Text)
{
    size_t First = 0;
    size_t Last = Text.size();
    while (First < Last && static_cast<unsigned char>(Text[First]) <= ' ')
        ++First;
    while (Last > First && static_cast<unsigned char>(Text[Last - 1]) <= ' ')
        --Last;
    return Text.substr(First, Last - First);
}

}  // namespace

char CellTypeChar(const AnsiString& Text)
{
    return TypeCharOf(Text.View());
}

bool IsNumberingRow(const std::vector<AnsiString>& Texts, const AnsiString& Pattern)
{
    Int64 Previous = 0;
    bool HavePrevious = false;
    int Good = 0;
    int Misses = 0;
    for (int I = 1; I <= Pattern.Length(); ++I) {
        if (Pattern[I] != 'I')
            continue;
        Int64 Value = 0;
        const bool IsInteger = TryStrToInt64(CleanNumStr(Texts[size_t(I - 1)]), Value);
        if (HavePrevious) {
            const Int64 Step = IsInteger ? Value - Previous : 0;
            if (IsInteger && (Step == 1 || Step == 2))
                ++Good;
            else
                ++Misses;
            if (Good > 7)
                return true;
            if (Misses > 3)
                return false;
        }
        if (IsInteger) {
            Previous = Value;
            HavePrevious = true;
        }
    }
    return true;
}

// ---- imports ---------------------------------------------------------------------

TableShape CheckAnalysedTable(const Variant& Table, const TAnalizeResult& Analysis)
{
    const TableShape Shape = GetTableShape(Table);
    if (Analysis.anRowList.Count() != Shape.Rows)
        RaiseAppError(Format("Ошибка в анализаторе.\\nНе совпадают длины массивов данных и "
                             "анализа\\nanRowList.Count (%s) <> rCount (%s)"_a,
                             {IntToStr(Analysis.anRowList.Count()), IntToStr(Shape.Rows)}));
    return Shape;
}

const AnsiString& SImportRowSkipped()
{
    return "Пропущена строка в блоке данных [Строка XL %s]"_a;
}

const AnsiString& SImportCellError()
{
    return "Ошибка импорта из накладной [Строка XL %s : Столбец %s ]"_a;
}

void RaiseImportErrors(const TStringList& Errors)
{
    AnsiString Text;
    for (int I = 0; I < Errors.Count(); ++I)
        Text += (I ? "\r\n" : "") + Errors.Strings(I);
    RaiseAppError(Text);
}

// ---- TAnResItem ----------------------------------------------------------------

TAnResItem::TAnResItem(TAnalizeResult* AOwner, Byte AKind, const AnsiString& AName)
    : Owner(AOwner), Name(AName), Kind(AKind), Headers(std::make_unique<TStringList>())
{
    if (Kind >= KindNumber)
        LoadHeaders();
}

TAnResItem::~TAnResItem() = default;

AnsiString TAnResItem::HeadersSection() const
{
    return "AnalizeResultList" + IntToStr(Kind);
}

bool TAnResItem::IsColumnKind() const
{
    return (Kind >= KindNumber && Kind <= KindSum) || (Kind >= KindType && Kind <= KindWarranty);
}

void TAnResItem::LoadHeaders()
{
    Integer SavedIndex = 0;
    RestIniStrings(*GetAppIniFile(), HeadersSection(), Headers.get(), SavedIndex);
    for (int I = 0; I < Headers->Count(); ++I)
        if (!NormalizeHeaderText(Headers->Strings(I)).IsEmpty())
            return;
    Headers->Clear();
    for (const char* Keyword : BuiltInHeaders(Kind))
        Headers->Add(Keyword);
}

void TAnResItem::SaveHeaders() const
{
    SaveIniStrings(*GetAppIniFile(), HeadersSection(), *Headers, 0);
}

AnsiString TAnResItem::GetValueText() const
{
    if (Kind == KindNone)
        return AnsiString();
    if (Kind == KindTotal)
        return CurrToNumStr(Value, 2);
    const Integer Offset = IsRowRole(Kind) ? Owner->FirstRow : Owner->FirstCol;
    return IntToStr(Index + Offset);
}

void TAnResItem::SetValueText(const AnsiString& Text)
{
    if (Kind == KindNone)
        return;
    const AnsiString Clean = CleanNumStr(Text);
    const Currency Number = Clean.IsEmpty() ? Currency() : StrToCurrDef(Clean, Currency());
    if (Kind == KindTotal) {
        Value = Number;
        return;
    }
    const Integer Offset = IsRowRole(Kind) ? Owner->FirstRow : Owner->FirstCol;
    // Whole rows and columns only; a number beyond them counts as none.
    const Int64 Whole = Number.Raw() / Currency::Scale;
    Index = (Whole > INT32_MAX / 2 || Whole < INT32_MIN / 2) ? -1 : Integer(Whole) - Offset;
}

// ---- TStatAnalizeItem ----------------------------------------------------------

namespace {

/// Storage of analysis items: blocks of slots, taken in turn, a freed slot
/// kept for the next item. When no item is left the blocks are freed.
class StatItemPool {
public:
    void* Take()
    {
        const std::lock_guard<std::mutex> Lock(FLock);
        void* Item;
        if (FFree) {
            Item = FFree;
            FFree = FFree->Next;
        } else {
            if (FUsed == FBlockSize) {
                // Small analyses stay small; large ones take blocks of 1024,
                // so that the last block leaves little unused.
                const size_t Size = FBlocks.empty() ? 64 : std::min<size_t>(FBlockSize * 2, 1024);
                FBlocks.push_back(std::make_unique_for_overwrite<Slot[]>(Size));
                FBlockSize = Size;
                FUsed = 0;
            }
            Item = &FBlocks.back()[FUsed++];
        }
        ++FLive;
        return Item;
    }

    void Give(void* Item) noexcept
    {
        const std::lock_guard<std::mutex> Lock(FLock);
        if (--FLive == 0) {
            FBlocks.clear();
            FFree = nullptr;
            FBlockSize = 0;
            FUsed = 0;
            return;
        }
        auto* Freed = static_cast<Slot*>(Item);
        Freed->Next = FFree;
        FFree = Freed;
    }

private:
    union Slot {
        Slot* Next;
        alignas(TStatAnalizeItem) unsigned char Bytes[sizeof(TStatAnalizeItem)];
    };

    std::mutex FLock;
    std::vector<std::unique_ptr<Slot[]>> FBlocks;
    Slot* FFree = nullptr;
    size_t FBlockSize = 0;
    size_t FUsed = 0;
    size_t FLive = 0;
};

StatItemPool& StatItems()
{
    // Never destroyed: an item freed during the program's exit still finds
    // its pool.
    static StatItemPool& Pool = *new StatItemPool;
    return Pool;
}

}  // namespace

void* TStatAnalizeItem::operator new(size_t Size)
{
    // A descendant of another size takes the heap's way.
    if (Size != sizeof(TStatAnalizeItem))
        return ::operator new(Size);
    return StatItems().Take();
}

void TStatAnalizeItem::operator delete(void* P, size_t Size) noexcept
{
    if (!P)
        return;
    if (Size != sizeof(TStatAnalizeItem)) {
        ::operator delete(P);
        return;
    }
    StatItems().Give(P);
}

// ---- TStatAnalize --------------------------------------------------------------

TStatAnalize::~TStatAnalize() = default;

TStatAnalizeItem* TStatAnalize::Add()
{
    auto* Item = new TStatAnalizeItem;
    AddObject(Item);
    return Item;
}

TStatAnalizeItem* TStatAnalize::GetItem(Integer Index) const
{
    return static_cast<TStatAnalizeItem*>(Get(Index));
}

TStatAnalizeItem* TStatAnalize::FindByName(const AnsiString& Name) const
{
    for (int I = 0; I < Count(); ++I)
        if (GetItem(I)->Pattern == Name)
            return GetItem(I);
    return nullptr;
}

// ---- TAnalizeResult: layouts ---------------------------------------------------

TAnalizeResult::TAnalizeResult() : TAnalizeResult(false) {}

std::unique_ptr<TAnalizeResult> TAnalizeResult::CreateForArticles()
{
    return std::unique_ptr<TAnalizeResult>(new TAnalizeResult(true));
}

TAnalizeResult::TAnalizeResult(bool ForArticles) : FForArticles(ForArticles)
{
    AddItem(KindHeaderRow, "Заголовок"_a);
    AddItem(KindFirstRow, "Начальная строка"_a);
    AddItem(KindLastRow, "Конечная строка"_a);
    if (!ForArticles) {
        AddItem(KindLeftColumn, "Левый столбец"_a);
        AddItem(KindRightColumn, "Правый столбец"_a);
    }
    AddItem(KindNone, "----------------------");
    AddItem(KindNone, "Столбцы:"_a);
    if (ForArticles) {
        AddItem(KindType, "    \"Тип\""_a);
        AddItem(KindModelName, "    \"Модель(наим)\""_a);
        AddItem(KindArticle, "    \"Артикул\""_a);
        AddItem(KindDescription, "    \"Описание\""_a);
        AddItem(KindFirm, "    \"Фирма\""_a);
        AddItem(KindCountry, "    \"Страна\""_a);
        AddItem(KindWarranty, "    \"Гарантия\""_a);
    } else {
        AddItem(KindNumber, "    \"Номер\""_a);
        AddItem(KindItem, "    \"Товар\""_a);
        AddItem(KindModel, "    \"Модель\""_a);
        AddItem(KindArticle, "    \"Артикул\""_a);
        AddItem(KindQuantity, "    \"Кол-во\""_a);
        AddItem(KindPrice, "    \"Цена\""_a);
        AddItem(KindUnit, "    \"Единица\""_a);
        AddItem(KindSum, "    \"Сумма\""_a);
        AddItem(KindTotal, "Сумма итога:"_a);
        PackedName = std::make_unique<TInvoicePackedName>();
    }
    Reset();
}

TAnalizeResult::~TAnalizeResult() = default;

void TAnalizeResult::AddItem(Byte Kind, const AnsiString& Name)
{
    AddObject(new TAnResItem(this, Kind, Name));
}

TAnResItem* TAnalizeResult::GetItem(Integer Index) const
{
    return static_cast<TAnResItem*>(Get(Index));
}

TAnResItem* TAnalizeResult::FindByKind(Byte Kind) const
{
    for (int I = 0; I < Count(); ++I)
        if (GetItem(I)->Kind == Kind)
            return GetItem(I);
    return nullptr;
}

Integer TAnalizeResult::IndexOfKind(Byte Kind) const
{
    const TAnResItem* Item = FindByKind(Kind);
    return Item ? Item->Index : -1;
}

void TAnalizeResult::Reset()
{
    for (int I = 0; I < Count(); ++I) {
        GetItem(I)->Index = -1;
        GetItem(I)->Value = Currency(-1);
        GetItem(I)->Gaps = 0;
    }
    anColList.Clear();
    anRowList.Clear();
    anPatternList.Clear();
    FTotalKeywordRows.clear();
}

Byte TAnalizeResult::MatchHeaderKind(const AnsiString& Text) const
{
    for (int I = 0; I < Count(); ++I) {
        const TAnResItem* Item = GetItem(I);
        if (Item->Kind >= KindNumber && MatchHeaderKeyword(*Item->Headers, Text) >= 0)
            return Item->Kind;
    }
    return KindNone;
}

void TAnalizeResult::PrepareKeywords()
{
    FKeywords.clear();
    FKeywordLength = 0;
    FKeywordStarts = TCharSet();
    for (int I = 0; I < Count(); ++I) {
        const TAnResItem* Item = GetItem(I);
        if (Item->Kind < KindNumber)
            continue;
        KeywordSet Set{Item->Kind, {}};
        for (int K = 0; K < Item->Headers->Count(); ++K) {
            Set.Keywords.push_back(NormalizeHeaderText(Item->Headers->Strings(K)));
            const AnsiString& Key = Set.Keywords.back();
            FKeywordLength = std::max(FKeywordLength, size_t(Key.Length()));
            if (!Key.IsEmpty())
                FKeywordStarts.Include(Key[1]);
        }
        FKeywords.push_back(std::move(Set));
    }
    for (auto& List : FKeywordsByStart)
        List.clear();
    std::fill(std::begin(FKeywordLengthByStart), std::end(FKeywordLengthByStart), size_t(0));
    for (const KeywordSet& Set : FKeywords)
        for (const AnsiString& Key : Set.Keywords)
            if (!Key.IsEmpty()) {
                const auto Start = static_cast<unsigned char>(Key[1]);
                FKeywordsByStart[Start].emplace_back(Set.Kind, Key.View());
                FKeywordLengthByStart[Start] =
                    std::max(FKeywordLengthByStart[Start], size_t(Key.Length()));
            }
}

namespace {

std::string_view CellValueView(const Variant& Cell, AnsiString& Scratch, char& Letter,
                               bool NumberText);

}  // namespace

AnsiString TAnalizeResult::CellText(const Variant& Table, Integer Row, Integer Col) const
{
    AnsiString Scratch;
    char Letter = 0;
    const std::string_view Text = CellView(Table, Row, Col, Scratch, Letter);
    return AnsiString(Text);
}

std::string_view TAnalizeResult::CellView(const Variant& Table, Integer Row, Integer Col,
                                          AnsiString& Scratch, char& Letter,
                                          bool NumberText) const
{
    Letter = '-';
    if (Row < 0 || Row >= RowCount || Col < 0 || Col >= ColCount)
        return {};
    return CellValueView(Table.GetElement(RowLow + Row, ColLow + Col), Scratch, Letter,
                         NumberText);
}

namespace {

/// CellView of a cell value.
std::string_view CellValueView(const Variant& Cell, AnsiString& Scratch, char& Letter,
                               bool NumberText)
{
    Letter = '-';
    // The text GetTableCellText gives: '' for anything but strings and
    // numbers, trimmed.
    if (const AnsiString* Own = Cell.StringRef()) {
        const std::string_view Text = TrimmedView(Own->View());
        Letter = TypeCharOf(Text);
        return Text;
    }
    // Most other cells hold doubles, which always have a text.
    const bool IsDouble = Cell.VType() == varDouble;
    if (!IsDouble && !CellHasText(Cell))
        return {};
    Int64 Units = 0;
    int Decimals = 0;
    if (IsDouble && ShortDecimal(Cell.AsDouble(), Units, Decimals)) {
        // The letter its text would get: a whole number, or a decimal well
        // inside Currency.
        Letter = Decimals == 0 ? 'I' : 'F';
        if (!NumberText)
            return {};
        Scratch = ShortDecimalText(Units, Decimals);
        return Scratch.View();
    }
    Scratch = VarToStr(Cell);
    const std::string_view Text = TrimmedView(Scratch.View());
    Letter = TypeCharOf(Text);
    return Text;
}

}  // namespace

// ---- statistics ----------------------------------------------------------------

namespace {

bool IsHitKind(Byte Kind, bool ForArticles)
{
    if (ForArticles)
        return Kind >= KindType && Kind <= KindWarranty;
    // Unit and total keywords do not make a heading row.
    return (Kind >= KindNumber && Kind <= KindPrice) || Kind == KindSum || Kind == KindArticle;
}

/// Header hits are looked for only this far into an article list.
constexpr Integer ArticleHeaderRows = 100;

}  // namespace

void TAnalizeResult::BuildStatistics(const Variant& Table, bool ForArticles)
{
    PrepareKeywords();
    const TableShape Shape = GetTableShape(Table);
    RowLow = Shape.RowLow;
    ColLow = Shape.ColLow;
    RowCount = Shape.Rows;
    ColCount = Shape.Cols;
    std::vector<TStatAnalizeItem*> Columns(static_cast<size_t>(ColCount));
    for (Integer C = 0; C < ColCount; ++C)
        Columns[size_t(C)] = anColList.Add();
    TAnResItem* Total = ForArticles ? nullptr : FindByKind(KindTotal);
    // Pattern entries by pattern, for counting; the list keeps their order.
    std::unordered_map<AnsiString, TStatAnalizeItem*> Patterns;
    TStatAnalizeItem* LastEntry = nullptr;
    FTotalKeywordRows.assign(static_cast<size_t>(RowCount), false);
    // The texts of a row's whole numbers, for the numbering-row test, made
    // only for rows of whole numbers; the other texts are looked at where
    // they stand, and numbers need their letter alone.
    std::vector<AnsiString> Texts(static_cast<size_t>(ColCount));
    AnsiString Scratch;
    AnsiString Pattern;
    for (Integer R = 0; R < RowCount; ++R) {
        TStatAnalizeItem* Row = anRowList.Add();
        Pattern.SetLength(ColCount);
        bool OnlyIntegers = true;
        // The row's cells follow each other in the table: they are read
        // from its first without an index check each.
        const Variant* const Cells = ColCount > 0 ? &Table.GetElement(RowLow + R, ColLow) : nullptr;
        for (Integer C = 0; C < ColCount; ++C) {
            char Letter = '-';
            const std::string_view Text =
                CellValueView(Cells[C], Scratch, Letter, /*NumberText=*/false);
            Pattern[C + 1] = Letter;
            if (Letter != '-' && Letter != 'I')
                OnlyIntegers = false;
            if (Letter == '-')
                continue;
            // A column counts the cells of every row, numbering rows too.
            Row->Empty = false;
            Columns[size_t(C)]->Empty = false;
            if (Letter != 'S' || (ForArticles && R >= ArticleHeaderRows))
                continue;
            const Byte Kind = MatchKindFast(Text);
            if (Kind == KindTotal && Total) {
                Total->Index = R;
                FTotalKeywordRows[size_t(R)] = true;
            }
            else if (IsHitKind(Kind, ForArticles))
                ++Row->Hits;
        }
        if (!ForArticles && !Row->Empty && OnlyIntegers) {
            for (Integer C = 0; C < ColCount; ++C)
                if (Pattern[C + 1] == 'I')
                    Texts[size_t(C)] = CellText(Table, R, C);
        }
        if (!ForArticles && !Row->Empty && OnlyIntegers && IsNumberingRow(Texts, Pattern)) {
            // The column numbers printed under the heading: no data, no vote.
            Pattern = AnsiString(std::string(size_t(ColCount), '-'));
            Row->Empty = true;
        }
        Row->Pattern = Pattern;
        if (Row->Empty)
            continue;
        // Item rows follow each other with one pattern: the entry of the
        // last counted row is tried before the map.
        if (LastEntry && LastEntry->Pattern == Pattern) {
            ++LastEntry->Count;
            continue;
        }
        auto Found = Patterns.find(Pattern);
        if (Found != Patterns.end()) {
            LastEntry = Found->second;
            ++LastEntry->Count;
            continue;
        }
        TStatAnalizeItem* Entry = anPatternList.Add();
        Entry->Pattern = Pattern;
        Entry->Empty = false;
        Entry->Count = 1;
        Patterns.emplace(Pattern, Entry);
        LastEntry = Entry;
    }
}

Byte TAnalizeResult::MatchKindFast(std::string_view Text) const
{
    // Keywords match the start of the normalised text, so only as much of
    // it is normalised as the longest keyword needs (names run long).
    char Buffer[64];
    std::string Long;
    char* Normal = Buffer;
    if (FKeywordLength > sizeof(Buffer)) {
        Long.resize(FKeywordLength);
        Normal = Long.data();
    }
    static const auto Upper = [] {
        std::array<char, 256> Table{};
        for (int B = 0; B < 256; ++B)
            Table[size_t(B)] = static_cast<char>(cp1251::ToUpper(static_cast<unsigned char>(B)));
        return Table;
    }();
    size_t I = 0;
    while (I < Text.size() && static_cast<unsigned char>(Text[I]) <= ' ')
        ++I;
    while (I < Text.size() && HeaderNoise.Contains(Text[I]))
        ++I;
    // Most texts are names whose first letter starts no keyword: they are
    // turned away before anything is normalised.
    if (I == Text.size() || !FKeywordStarts.Contains(Upper[static_cast<unsigned char>(Text[I])]))
        return KindNone;
    // No more is read than the longest keyword with this first character.
    const auto First = static_cast<unsigned char>(Upper[static_cast<unsigned char>(Text[I])]);
    const size_t Needed = FKeywordLengthByStart[First];
    size_t Length = 0;
    for (; I < Text.size() && Length < Needed; ++I)
        if (!HeaderNoise.Contains(Text[I]))
            Normal[Length++] = Upper[static_cast<unsigned char>(Text[I])];
    // Only the keywords with the text's first character can match; they
    // keep the item order, so the first match is the one a full walk finds.
    const std::string_view View(Normal, Length);
    for (const auto& [Kind, Key] : FKeywordsByStart[static_cast<unsigned char>(Normal[0])])
        if (View.starts_with(Key))
            return Kind;
    return KindNone;
}
