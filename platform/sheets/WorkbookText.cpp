// The workbook reader's messages, its text conversions to CP1251 and the
// reading of number formats.

#include "platform/sheets/WorkbookPrivate.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"

#include <array>
#include <cmath>

namespace workbook_detail {

namespace {

const AnsiString& SNotWorkbook() { return "Файл не является книгой Excel: "_a; }
const AnsiString& SPassword() { return "Книга защищена паролем: "_a; }
const AnsiString& SDamaged() { return "Файл повреждён: "_a; }
const AnsiString& SNotFound() { return "Файл не найден: "_a; }

/// CP1251 byte of each code point up to the highest one the page has
/// (U+2122); 0 where it has none.
constexpr char32_t HighestMapped = 0x2122;

const std::array<uint8_t, HighestMapped + 1>& UnicodeToCp1251()
{
    static const std::array<uint8_t, HighestMapped + 1> Table = [] {
        std::array<uint8_t, HighestMapped + 1> T{};
        for (char32_t C = 1; C < 0x80; ++C)
            T[C] = static_cast<uint8_t>(C);
        for (int I = 0; I < 128; ++I)
            T[cp1251::HighHalf[I]] = static_cast<uint8_t>(0x80 + I);
        return T;
    }();
    return Table;
}

char FromCodePoint(char32_t C)
{
    if (C == 0)
        return '\0';
    if (C > HighestMapped)
        return '?';
    const uint8_t B = UnicodeToCp1251()[C];
    return B ? static_cast<char>(B) : '?';
}

/// Code points of CP1252's bytes 0x80..0x9F (0 where the page has none);
/// 0xA0..0xFF are Latin-1.
constexpr char16_t Cp1252Low[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

constexpr int CodePage1251 = 1251;
constexpr int CodePage1252 = 1252;

}  // namespace

void RaiseNotWorkbook(const AnsiString& Name)
{
    throw EWorkbookError(SNotWorkbook() + Name);
}

void RaisePassword(const AnsiString& Name)
{
    throw EWorkbookError(SPassword() + Name);
}

void RaiseDamaged(const AnsiString& Name)
{
    throw EWorkbookError(SDamaged() + Name);
}

void RaiseNotFound(const AnsiString& Name)
{
    throw EFOpenError(SNotFound() + Name);
}

void AppendUtf16(std::string& Out, const char* Bytes, size_t Count)
{
    const size_t Start = Out.size();
    Out.resize(Start + Count);
    char* const Text = Out.data();
    const auto& Table = UnicodeToCp1251();
    size_t N = Start;
    for (size_t I = 0; I < Count; ++I) {
        const char32_t U = static_cast<uint8_t>(Bytes[2 * I])
                         | static_cast<char32_t>(static_cast<uint8_t>(Bytes[2 * I + 1])) << 8;
        if (U < 0x80) {
            Text[N++] = static_cast<char>(U);
            continue;
        }
        // А..я (U+0410..U+044F) are 0xC0..0xFF in the page, in order.
        if (U - 0x410 < 0x40) {
            Text[N++] = static_cast<char>(0xC0 + (U - 0x410));
            continue;
        }
        // The page's other characters, from the table looked up once for
        // the whole text.
        if (U <= HighestMapped && Table[U] != 0) {
            Text[N++] = static_cast<char>(Table[U]);
            continue;
        }
        // A surrogate pair is one character, which the code page lacks.
        if (U >= 0xD800 && U < 0xDC00 && I + 1 < Count) {
            const uint8_t NextHigh = static_cast<uint8_t>(Bytes[2 * I + 3]);
            if (NextHigh >= 0xDC && NextHigh < 0xE0)
                ++I;
        }
        Text[N++] = FromCodePoint(U);
    }
    Out.resize(N);
}

void AppendLatin1(std::string& Out, const char* Bytes, size_t Count)
{
    const size_t Start = Out.size();
    Out.resize(Start + Count);
    for (size_t I = 0; I < Count; ++I) {
        const uint8_t B = static_cast<uint8_t>(Bytes[I]);
        Out[Start + I] = B < 0x80 ? static_cast<char>(B) : FromCodePoint(B);
    }
}

void AppendCodePage(std::string& Out, const char* Bytes, size_t Count, int CodePage)
{
    if (CodePage == CodePage1251) {
        Out.append(Bytes, Count);
        return;
    }
    const size_t Start = Out.size();
    Out.resize(Start + Count);
    for (size_t I = 0; I < Count; ++I) {
        const uint8_t B = static_cast<uint8_t>(Bytes[I]);
        char32_t C = B;
        if (B >= 0x80) {
            if (CodePage == CodePage1252)
                C = B < 0xA0 ? Cp1252Low[B - 0x80] : B;
            else
                C = 0xFFFF;  // no table for this page: unknown character
            if (C == 0)
                C = 0xFFFF;
        }
        Out[Start + I] = B < 0x80 ? static_cast<char>(B) : FromCodePoint(C);
    }
}

NumberKind ClassifyBuiltinFormat(uint32_t Index)
{
    // 5..8 are the money formats, 42 and 44 the accounting ones with a
    // currency sign; 14..22 and 45..47 are dates and times.
    if ((Index >= 5 && Index <= 8) || Index == 42 || Index == 44)
        return NumberKind::Currency;
    if ((Index >= 14 && Index <= 22) || (Index >= 45 && Index <= 47))
        return NumberKind::Date;
    return NumberKind::Plain;
}

namespace {

bool IsCurrencySign(char16_t C)
{
    return C == u'$' || C == 0x20AC || C == 0x00A3 || C == 0x00A5 || C == 0x20BD || C == 0x00A4
        || C == 0x20B4;
}

char16_t Lower(char16_t C)
{
    if (C >= u'A' && C <= u'Z')
        return static_cast<char16_t>(C - u'A' + u'a');
    if (C >= 0x0410 && C <= 0x042F)
        return static_cast<char16_t>(C + 0x20);
    return C;
}

/// A rouble abbreviation ("р." or "руб") at Pos, in any case.
bool RoubleAt(std::u16string_view F, size_t Pos)
{
    if (Lower(F[Pos]) != u'р')
        return false;
    if (Pos + 1 < F.size() && F[Pos + 1] == u'.')
        return true;
    return Pos + 2 < F.size() && Lower(F[Pos + 1]) == u'у' && Lower(F[Pos + 2]) == u'б';
}

bool IsDateToken(char16_t C)
{
    switch (Lower(C)) {
    case u'd': case u'm': case u'y': case u'h': case u's':
        return true;
    default:
        return false;
    }
}

}  // namespace

NumberKind ClassifyFormatString(std::u16string_view F)
{
    bool Date = false;
    bool Money = false;
    for (size_t I = 0; I < F.size(); ++I) {
        const char16_t C = F[I];
        if (C == u'"') {
            // Quoted text is shown as it stands; only a currency sign in it
            // ("р.", "$") tells a money format.
            size_t End = I + 1;
            while (End < F.size() && F[End] != u'"')
                ++End;
            for (size_t J = I + 1; J < End; ++J)
                Money = Money || IsCurrencySign(F[J]) || RoubleAt(F.substr(0, End), J);
            I = End;
        } else if (C == u'[') {
            // [Red], [>100], [$-419] are no tokens; [$р.-419] holds a
            // currency sign; [h], [mm], [ss] are elapsed times.
            size_t End = I + 1;
            while (End < F.size() && F[End] != u']')
                ++End;
            const std::u16string_view Inside = F.substr(I + 1, End - I - 1);
            if (!Inside.empty() && Inside[0] == u'$')
                Money = Money || (Inside.size() > 1 && Inside[1] != u'-');
            else if (!Inside.empty() && IsDateToken(Inside[0]))
                Date = Date || Inside.find_first_not_of(Inside.substr(0, 1)) == Inside.npos;
            I = End;
        } else if (C == u'\\' || C == u'_' || C == u'*') {
            // An escaped, padding or fill character: a currency sign may be
            // written escaped ("\р.").
            if (C == u'\\' && I + 1 < F.size())
                Money = Money || IsCurrencySign(F[I + 1]) || Lower(F[I + 1]) == u'р';
            ++I;
        } else if (IsDateToken(C)) {
            Date = true;
        } else if (IsCurrencySign(C) || RoubleAt(F, I)) {
            Money = true;
        }
    }
    if (Date)
        return NumberKind::Date;
    return Money ? NumberKind::Currency : NumberKind::Plain;
}

}  // namespace workbook_detail

namespace {

const AnsiString& ErrorName(uint8_t Code)
{
    switch (Code) {
    case workbook_error::Null: return "#ПУСТО!"_a;
    case workbook_error::Div0: return "#ДЕЛ/0!"_a;
    case workbook_error::Value: return "#ЗНАЧ!"_a;
    case workbook_error::Ref: return "#ССЫЛ!"_a;
    case workbook_error::Name: return "#ИМЯ?"_a;
    case workbook_error::Num: return "#ЧИСЛО!"_a;
    case workbook_error::NA: return "#Н/Д"_a;
    default: return "#ЗНАЧ!"_a;
    }
}

AnsiString NumberText(double Value, NumberKind Format)
{
    if (!std::isfinite(Value))
        return "#ЧИСЛО!"_a;
    switch (Format) {
    case NumberKind::Plain:
        return FloatToStrF(Value, ffGeneral, 10, 0);
    case NumberKind::Currency:
        return FormatFloat("#,##0.00"_a, Value) + "р."_a;
    case NumberKind::Date: {
        // A serial beyond the calendar has no date to show.
        if (Value < -657434 || Value > 2958465)
            return "#ЧИСЛО!"_a;
        const double Day = std::floor(Value);
        const bool HasTime = Value != Day;
        if (Day == 0 && HasTime)
            return FormatDateTime("hh:nn:ss", TDateTime(Value));
        return FormatDateTime(HasTime ? "dd.mm.yyyy hh:nn" : "dd.mm.yyyy", TDateTime(Value));
    }
    }
    return FloatToStrF(Value, ffGeneral, 10, 0);
}

}  // namespace

AnsiString WorkbookCellText(const Workbook& Book, const WorkbookCell& Cell)
{
    switch (Cell.Kind) {
    case CellKind::Blank:
        return AnsiString();
    case CellKind::Number:
        return NumberText(Cell.Number, Cell.Format);
    case CellKind::Text:
        return AnsiString(Book.Text(Cell));
    case CellKind::Boolean:
        return Cell.Code ? "ИСТИНА"_a : "ЛОЖЬ"_a;
    case CellKind::Error:
        return ErrorName(Cell.Code);
    }
    return AnsiString();
}
