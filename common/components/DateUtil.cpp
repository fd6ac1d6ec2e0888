#include "common/components/DateUtil.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <cctype>

namespace {

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

int CurrentYear()
{
    Word Y = 0, M = 0, D = 0;
    DecodeDate(Date(), Y, M, D);
    return Y;
}

void SkipBlanks(const AnsiString& S, int& Pos)
{
    while (Pos <= S.Length() && S[Pos] == ' ')
        ++Pos;
}

/// Up to four digits after blanks; false without a digit.
bool ScanNumber(const AnsiString& S, int& Pos, int& Number)
{
    SkipBlanks(S, Pos);
    const int Start = Pos;
    Number = 0;
    while (Pos <= S.Length() && IsDigit(S[Pos]) && Number < 1000) {
        Number = Number * 10 + (S[Pos] - '0');
        ++Pos;
    }
    return Pos > Start;
}

bool ScanSeparator(const AnsiString& S, int& Pos)
{
    SkipBlanks(S, Pos);
    if (Pos > S.Length() || S[Pos] != FormatSettings().DateSeparator)
        return false;
    ++Pos;
    return true;
}

/// The lenient reading: numbers and separators in the format's order.
bool ScanDate(const AnsiString& S, const AnsiString& DateFormat, int& Y, int& M, int& D)
{
    const TFormatSettings& FS = FormatSettings();
    int Pos = 1;
    if (!FS.ShortDateFormat.IsEmpty() && (FS.ShortDateFormat[1] == 'g' || FS.ShortDateFormat[1] == 'G')) {
        // An era name comes first: skip it up to the first digit.
        while (Pos <= S.Length() && !IsDigit(S[Pos]))
            ++Pos;
    }
    int N1 = 0, N2 = 0, N3 = 0;
    if (!ScanNumber(S, Pos, N1) || !ScanSeparator(S, Pos) || !ScanNumber(S, Pos, N2))
        return false;
    const int AfterTwo = Pos;
    const TDateFieldOrder Order = DateOrderOf(DateFormat);
    if (ScanSeparator(S, Pos) && ScanNumber(S, Pos, N3)) {
        switch (Order) {
        case MonthDayYear: M = N1; D = N2; Y = N3; break;
        case DayMonthYear: D = N1; M = N2; Y = N3; break;
        case YearMonthDay: Y = N1; M = N2; D = N3; break;
        }
        Y = ExpandYear(Y);
    } else {
        Pos = AfterTwo;
        Y = CurrentYear();
        if (Order == DayMonthYear) {
            D = N1;
            M = N2;
        } else {
            M = N1;
            D = N2;
        }
    }
    ScanSeparator(S, Pos);
    SkipBlanks(S, Pos);
    return IsValidDay(Y, M, D) && Pos > S.Length();
}

/// The non-blank characters of Text at the first run of Letter in the
/// format (at most 20); Found is false when the format has no such run.
AnsiString PartText(const AnsiString& Format, const AnsiString& Text, char Letter, int& RunLength, bool& Found)
{
    const char Upper = static_cast<char>(std::toupper(static_cast<unsigned char>(Letter)));
    int Start = 0;
    for (int I = 1; I <= Format.Length(); ++I) {
        if (std::toupper(static_cast<unsigned char>(Format[I])) == Upper) {
            Start = I;
            break;
        }
    }
    Found = Start > 0;
    RunLength = 0;
    if (!Found)
        return AnsiString();
    int End = Start;
    while (End <= Format.Length() && std::toupper(static_cast<unsigned char>(Format[End])) == Upper)
        ++End;
    RunLength = End - Start;
    AnsiString Result;
    for (int I = Start; I < End && I <= Text.Length() && Result.Length() < 20; ++I)
        if (Text[I] != ' ')
            Result += Text[I];
    return Result;
}

/// One numeric part: Initial when the format lacks it or the text is
/// longer than the format, -1 when nothing or no number stands there.
int NumericPart(const AnsiString& Format, const AnsiString& Text, char Letter, int Initial)
{
    if (Text.Length() > Format.Length())
        return Initial;
    int Run = 0;
    bool Found = false;
    const AnsiString Part = PartText(Format, Text, Letter, Run, Found);
    if (!Found)
        return Initial;
    if (Part.IsEmpty())
        return -1;
    Integer Value = 0;
    return TryStrToInt(Part, Value) ? Value : -1;
}

int MonthByName(const AnsiString& Format, const AnsiString& Text)
{
    if (Text.Length() > Format.Length())
        return -1;
    int Run = 0;
    bool Found = false;
    const AnsiString Part = PartText(Format, Text, 'm', Run, Found);
    if (!Found || Run < 3 || Part.IsEmpty())
        return -1;
    const TFormatSettings& FS = FormatSettings();
    for (int M = 1; M <= 12; ++M)
        if (AnsiSameText(Part, FS.LongMonthNames[M].SubString(1, Part.Length())))
            return M;
    return -1;
}

} // namespace

bool UseFourDigitYear()
{
    static const bool Value = AnsiUpperCase(FormatSettings().ShortDateFormat).Pos("YYYY") > 0;
    return Value;
}

void DateUtilInitialization()
{
    (void)UseFourDigitYear();
}

bool LeapYear(int AYear)
{
    return AYear % 4 == 0 && (AYear % 100 != 0 || AYear % 400 == 0);
}

int MonthDays(int AYear, int AMonth)
{
    static const int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (AMonth < 1 || AMonth > 12)
        return 0;
    return Days[AMonth - 1] + (AMonth == 2 && LeapYear(AYear) ? 1 : 0);
}

bool IsValidDay(int AYear, int AMonth, int ADay)
{
    return AYear >= 1 && AYear <= 9999 && AMonth >= 1 && AMonth <= 12 && ADay >= 1 &&
        ADay <= MonthDays(AYear, AMonth);
}

bool IsValidDateValue(TDateTime ADate)
{
    // Dates outside the years 1..9999 cannot be decoded.
    if (!(ADate >= -693593.0 && ADate < 2958466.0))
        return false;
    Word Y = 0, M = 0, D = 0;
    DecodeDate(ADate, Y, M, D);
    return IsValidDay(Y, M, D);
}

TDateFieldOrder DateOrderOf(const AnsiString& DateFormat)
{
    for (int I = 1; I <= DateFormat.Length(); ++I) {
        switch (std::toupper(static_cast<unsigned char>(DateFormat[I]))) {
        case 'D':
            return DayMonthYear;
        case 'E':
        case 'Y':
            return YearMonthDay;
        case 'M':
            return MonthDayYear;
        default:
            break;
        }
    }
    return DayMonthYear;
}

AnsiString DateFormatFor(bool FourDigitYear)
{
    switch (DateOrderOf(FormatSettings().ShortDateFormat)) {
    case MonthDayYear:
        return FourDigitYear ? "MM/DD/YYYY" : "MM/DD/YY";
    case DayMonthYear:
        return FourDigitYear ? "DD/MM/YYYY" : "DD/MM/YY";
    case YearMonthDay:
        return FourDigitYear ? "YYYY/MM/DD" : "YY/MM/DD";
    }
    return "DD/MM/YYYY";
}

AnsiString DateMaskFor(char BlanksChar, bool FourDigitYear)
{
    AnsiString Mask = "!99/99/99;1;";
    if (FourDigitYear)
        Mask = DateOrderOf(FormatSettings().ShortDateFormat) == YearMonthDay ? "!9999/99/99;1;" : "!99/99/9999;1;";
    return Mask + BlanksChar;
}

int ExpandYear(int AYear)
{
    if (AYear >= 100)
        return AYear;
    const int W = FormatSettings().TwoDigitYearCenturyWindow;
    const int C = CurrentYear();
    AYear += ((C - W) / 100) * 100;
    if (W > 0 && AYear < C - W)
        AYear += 100;
    return AYear;
}

bool TryTextToDate(const AnsiString& DateFormat, const AnsiString& Text, TDateTime& Date)
{
    if (Text.IsEmpty()) {
        Date = NoDate;
        return true;
    }
    int M = MonthByName(DateFormat, Text);
    if (M < 0)
        M = NumericPart(DateFormat, Text, 'm', -1);
    int D = NumericPart(DateFormat, Text, 'd', 1);
    int Y = NumericPart(DateFormat, Text, 'y', CurrentYear());
    if (Y >= 0)
        Y = ExpandYear(Y);
    if (!IsValidDay(Y, M, D) && !ScanDate(Text, DateFormat, Y, M, D))
        return false;
    Date = EncodeDate(static_cast<Word>(Y), static_cast<Word>(M), static_cast<Word>(D));
    return true;
}

TDateTime TextToDate(const AnsiString& DateFormat, const AnsiString& Text)
{
    TDateTime Result = NoDate;
    if (!TryTextToDate(DateFormat, Text, Result))
        throw EConvertError("''" + Text + "'' is not a valid date");
    return Result;
}

TDateTime TextToDateDef(const AnsiString& DateFormat, const AnsiString& Text, TDateTime Default)
{
    TDateTime Result = NoDate;
    return TryTextToDate(DateFormat, Text, Result) ? Result : Default;
}
