#include "platform/rtl/DateTime.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

#include <atomic>
#include <cmath>
#include <ctime>
#include <string>
#include <string_view>

namespace {

const char* const SDateEncodeError = "Invalid argument to date encode";
const char* const STimeEncodeError = "Invalid argument to time encode";

constexpr Word MonthDays[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

/// Beyond this many days (far past year 9999 either way) a value names no
/// date; it decodes as nothing instead of overflowing the millisecond count.
constexpr double MaxDecodableDays = 1e9;

/// A date and time split as the runtime splits it: Date counts days from
/// 0001-01-01 (that day is 1), Time milliseconds from midnight.
struct TimeStamp {
    Int64 Date = 0;
    Int64 Time = 0;
};

/// Rounds to the millisecond first (half to even, as the FPU did), so that a
/// value a hair before midnight belongs to the next day.
TimeStamp DateTimeToTimeStamp(double DateTime)
{
    if (!(std::fabs(DateTime) < MaxDecodableDays))
        return {};
    const Int64 Ms = static_cast<Int64>(std::nearbyint(DateTime * MSecsPerDay));
    TimeStamp Result;
    Result.Date = DateDelta + Ms / MSecsPerDay;
    Result.Time = (Ms < 0 ? -Ms : Ms) % MSecsPerDay;
    return Result;
}

std::atomic<NowSource> CurrentNowSource{nullptr};

TDateTime SystemNow()
{
    timespec Ts{};
    clock_gettime(CLOCK_REALTIME, &Ts);
    tm Local{};
    localtime_r(&Ts.tv_sec, &Local);
    return EncodeDate(Word(Local.tm_year + 1900), Word(Local.tm_mon + 1), Word(Local.tm_mday))
         + EncodeTime(Word(Local.tm_hour), Word(Local.tm_min), Word(Local.tm_sec),
                      Word(Ts.tv_nsec / 1000000));
}

Word CurrentYear()
{
    Word Year = 0, Month = 0, Day = 0;
    DecodeDate(Now(), Year, Month, Day);
    return Year;
}

// ---- formatting ----------------------------------------------------------------

bool StartsNoCase(std::string_view Text, size_t At, std::string_view Word)
{
    if (Text.size() - At < Word.size())
        return false;
    for (size_t I = 0; I < Word.size(); ++I) {
        char C = Text[At + I];
        if (C >= 'a' && C <= 'z')
            C = char(C - 'a' + 'A');
        if (C != Word[I])
            return false;
    }
    return true;
}

class DateFormatter {
public:
    DateFormatter(double DateTime, const TFormatSettings& Settings)
        : FDateTime(DateTime), FSettings(Settings)
    {
        DecodeDate(DateTime, FYear, FMonth, FDay);
        DecodeTime(DateTime, FHour, FMin, FSec, FMSec);
    }

    /// Expands Format into the result. Nested formats (c, ddddd, t...) go one
    /// level down at most, so a locale format that names itself cannot loop.
    void Append(std::string_view Format)
    {
        if (FLevel >= 2)
            return;
        ++FLevel;
        AppendLevel(Format);
        --FLevel;
    }

    std::string Result;

private:
    void AppendNumber(int Number, int Digits)
    {
        std::string Text = std::to_string(Number);
        if (int(Text.size()) < Digits)
            Text.insert(0, size_t(Digits) - Text.size(), '0');
        Result += Text;
    }

    /// Whether the text after an "h" at At asks for the 12-hour clock: the
    /// first "a" outside quotes, before the next "h", opens an am/pm marker.
    /// An "a" that opens none (a day name) ends the search.
    static bool HourIsTwelve(std::string_view Format, size_t At)
    {
        for (size_t P = At; P < Format.size(); ++P) {
            const char C = Format[P];
            if (C == 'A' || C == 'a') {
                return StartsNoCase(Format, P, "AM/PM") || StartsNoCase(Format, P, "A/P")
                    || StartsNoCase(Format, P, "AMPM");
            } else if (C == 'H' || C == 'h') {
                return false;
            } else if (C == '\'' || C == '"') {
                const size_t Close = Format.find(C, P + 1);
                if (Close == std::string_view::npos)
                    return false;
                P = Close;
            }
        }
        return false;
    }

    void AppendLevel(std::string_view Format)
    {
        char LastToken = ' ';
        // Once an hour of this format is a 12-hour one, the later ones are too.
        bool Use12HourClock = false;
        size_t P = 0;
        while (P < Format.size()) {
            const char Starter = Format[P++];
            // A run of the same character (case counts) forms one token.
            const auto Count = [&] {
                const size_t From = P;
                while (P < Format.size() && Format[P] == Starter)
                    ++P;
                return int(P - From) + 1;
            };
            char Token = Starter;
            if (Token >= 'a' && Token <= 'z')
                Token = char(Token - 'a' + 'A');
            if (Token >= 'A' && Token <= 'Z') {
                // "m" right after an hour means minutes.
                if (Token == 'M' && LastToken == 'H')
                    Token = 'N';
                LastToken = Token;
            }
            switch (Token) {
            case 'Y':
                if (Count() <= 2)
                    AppendNumber(FYear % 100, 2);
                else
                    AppendNumber(FYear, 4);
                break;
            case 'M': {
                const int N = Count();
                if (FMonth < 1 || FMonth > 12) {
                    // No month (a value before year 1): numbers only.
                    AppendNumber(FMonth, N <= 2 ? N : 2);
                } else if (N <= 2) {
                    AppendNumber(FMonth, N);
                } else {
                    Result += N == 3 ? FSettings.ShortMonthNames[FMonth].Std()
                                     : FSettings.LongMonthNames[FMonth].Std();
                }
                break;
            }
            case 'D': {
                const int N = Count();
                if (N <= 2)
                    AppendNumber(FDay, N);
                else if (N == 3)
                    Result += FSettings.ShortDayNames[DayOfWeek(FDateTime)].Std();
                else if (N == 4)
                    Result += FSettings.LongDayNames[DayOfWeek(FDateTime)].Std();
                else if (N == 5)
                    Append(FSettings.ShortDateFormat.View());
                else
                    Append(FSettings.LongDateFormat.View());
                break;
            }
            case 'H': {
                const int N = Count();
                int H = FHour;
                Use12HourClock = Use12HourClock || HourIsTwelve(Format, P);
                if (Use12HourClock) {
                    if (H == 0)
                        H = 12;
                    else if (H > 12)
                        H -= 12;
                }
                AppendNumber(H, N > 2 ? 2 : N);
                break;
            }
            case 'N': {
                const int N = Count();
                AppendNumber(FMin, N > 2 ? 2 : N);
                break;
            }
            case 'S': {
                const int N = Count();
                AppendNumber(FSec, N > 2 ? 2 : N);
                break;
            }
            case 'Z': {
                const int N = Count();
                AppendNumber(FMSec, N > 3 ? 3 : N);
                break;
            }
            case 'T':
                if (Count() == 1)
                    Append(FSettings.ShortTimeFormat.View());
                else
                    Append(FSettings.LongTimeFormat.View());
                break;
            case 'C':
                Count();
                Append(FSettings.ShortDateFormat.View());
                if (FHour != 0 || FMin != 0 || FSec != 0) {
                    Result += ' ';
                    Append(FSettings.LongTimeFormat.View());
                }
                break;
            case 'A':
                AppendMarker(Format, P);
                break;
            case '/':
                if (FSettings.DateSeparator != '\0')
                    Result += FSettings.DateSeparator;
                break;
            case ':':
                if (FSettings.TimeSeparator != '\0')
                    Result += FSettings.TimeSeparator;
                break;
            case '\'':
            case '"': {
                const size_t Close = Format.find(Starter, P);
                const size_t End = Close == std::string_view::npos ? Format.size() : Close;
                Result += Format.substr(P, End - P);
                P = End == Format.size() ? End : End + 1;
                break;
            }
            default:
                Result += Starter;
                break;
            }
        }
    }

    /// "am/pm", "a/p", "ampm", "aaaa", "aaa" at P - 1; a lone "a" is itself.
    void AppendMarker(std::string_view Format, size_t& P)
    {
        const size_t At = P - 1;
        const bool Afternoon = FHour >= 12;
        if (StartsNoCase(Format, At, "AM/PM")) {
            // The letters as the format writes them, in their case.
            Result += Format.substr(Afternoon ? At + 3 : At, 2);
            P = At + 5;
        } else if (StartsNoCase(Format, At, "A/P")) {
            Result += Format[Afternoon ? At + 2 : At];
            P = At + 3;
        } else if (StartsNoCase(Format, At, "AMPM")) {
            Result += Afternoon ? FSettings.TimePMString.Std() : FSettings.TimeAMString.Std();
            P = At + 4;
        } else if (StartsNoCase(Format, At, "AAAA")) {
            Result += FSettings.LongDayNames[DayOfWeek(FDateTime)].Std();
            P = At + 4;
        } else if (StartsNoCase(Format, At, "AAA")) {
            Result += FSettings.ShortDayNames[DayOfWeek(FDateTime)].Std();
            P = At + 3;
        } else {
            Result += Format[At];
        }
    }

    const double FDateTime;
    const TFormatSettings& FSettings;
    Word FYear = 0, FMonth = 0, FDay = 0;
    Word FHour = 0, FMin = 0, FSec = 0, FMSec = 0;
    int FLevel = 0;
};

// ---- reading -------------------------------------------------------------------

enum class DateOrder { MDY, DMY, YMD };

/// The order of the fields: the first d, m or y (or e) of the short date
/// format decides; month-day-year when it has none.
DateOrder DateOrderOf(const AnsiString& Format)
{
    for (char C : Format.View()) {
        switch (C & 0xDF) {
        case 'E':
        case 'Y':
            return DateOrder::YMD;
        case 'M':
            return DateOrder::MDY;
        case 'D':
            return DateOrder::DMY;
        default:
            break;
        }
    }
    return DateOrder::MDY;
}

/// A cursor over the text with the runtime's scanning steps. Pos is 0-based.
class Scanner {
public:
    explicit Scanner(const AnsiString& S) : FText(S.View()) {}

    bool AtEnd() const { return FPos >= FText.size(); }

    void SkipBlanks()
    {
        while (FPos < FText.size() && FText[FPos] == ' ')
            ++FPos;
    }

    /// Digits after blanks; the value stops growing past 999 (at most four
    /// digits are read), as the runtime's scanner does. Length = digits read.
    bool Number(Word& Value, int& Length)
    {
        SkipBlanks();
        size_t I = FPos;
        int N = 0;
        while (I < FText.size() && FText[I] >= '0' && FText[I] <= '9' && N < 1000) {
            N = N * 10 + (FText[I] - '0');
            ++I;
        }
        if (I == FPos)
            return false;
        Length = int(I - FPos);
        FPos = I;
        Value = Word(N);
        return true;
    }

    bool Char(char C)
    {
        SkipBlanks();
        if (FPos < FText.size() && FText[FPos] == C) {
            ++FPos;
            return true;
        }
        return false;
    }

    /// Symbol after blanks, without regard to case; an empty symbol never
    /// matches.
    bool String(const AnsiString& Symbol)
    {
        if (Symbol.IsEmpty())
            return false;
        SkipBlanks();
        if (FText.size() - FPos < size_t(Symbol.Length()))
            return false;
        const AnsiString Part(FText.substr(FPos, size_t(Symbol.Length())));
        if (!AnsiSameText(Symbol, Part))
            return false;
        FPos += size_t(Symbol.Length());
        return true;
    }

    bool Date(const TFormatSettings& Settings, TDateTime& Value)
    {
        const DateOrder Order = DateOrderOf(Settings.ShortDateFormat);
        Word N1 = 0, N2 = 0, N3 = 0;
        int L1 = 0, L2 = 0, L3 = 0;
        if (!(Number(N1, L1) && Char(Settings.DateSeparator) && Number(N2, L2)))
            return false;
        Word Y = 0, M = 0, D = 0;
        if (Char(Settings.DateSeparator)) {
            if (!Number(N3, L3))
                return false;
            int YearLength = L3;
            switch (Order) {
            case DateOrder::MDY: Y = N3; M = N1; D = N2; break;
            case DateOrder::DMY: Y = N3; M = N2; D = N1; break;
            case DateOrder::YMD: Y = N1; M = N2; D = N3; YearLength = L1; break;
            }
            if (YearLength <= 2)
                Y = PlaceTwoDigitYear(Y, Settings.TwoDigitYearCenturyWindow);
        } else {
            Y = CurrentYear();
            if (Order == DateOrder::DMY) {
                D = N1;
                M = N2;
            } else {
                M = N1;
                D = N2;
            }
        }
        Char(Settings.DateSeparator);
        SkipBlanks();
        return TryEncodeDate(Y, M, D, Value);
    }

    bool Time(const TFormatSettings& Settings, TDateTime& Value)
    {
        int BaseHour = -1;
        if (String(Settings.TimeAMString) || String("AM"))
            BaseHour = 0;
        else if (String(Settings.TimePMString) || String("PM"))
            BaseHour = 12;
        if (BaseHour >= 0)
            SkipBlanks();
        Word Hour = 0, Min = 0, Sec = 0, MSec = 0;
        int Junk = 0;
        if (!Number(Hour, Junk))
            return false;
        if (Char(Settings.TimeSeparator)) {
            if (!Number(Min, Junk))
                return false;
            if (Char(Settings.TimeSeparator)) {
                if (!Number(Sec, Junk))
                    return false;
                if (Char(Settings.DecimalSeparator) && !Number(MSec, Junk))
                    return false;
            }
        }
        if (BaseHour < 0) {
            if (String(Settings.TimeAMString) || String("AM"))
                BaseHour = 0;
            else if (String(Settings.TimePMString) || String("PM"))
                BaseHour = 12;
        }
        if (BaseHour >= 0) {
            if (Hour == 0 || Hour > 12)
                return false;
            if (Hour == 12)
                Hour = 0;
            Hour = Word(Hour + BaseHour);
        }
        SkipBlanks();
        return TryEncodeTime(Hour, Min, Sec, MSec, Value);
    }

private:
    static Word PlaceTwoDigitYear(Word Year, Word Window)
    {
        const int CenturyBase = CurrentYear() - Window;
        int Y = Year + CenturyBase / 100 * 100;
        if (Window > 0 && Y < CenturyBase)
            Y += 100;
        return Word(Y);
    }

    std::string_view FText;
    size_t FPos = 0;
};

AnsiString Quoted(const char* Before, const AnsiString& S, const char* After)
{
    return AnsiString(Before) + S + After;
}

using ScanStep = bool (Scanner::*)(const TFormatSettings&, TDateTime&);

/// Value is set only when Step reads the whole of S.
bool ScanWhole(ScanStep Step, const AnsiString& S, TDateTime& Value,
               const TFormatSettings& Settings)
{
    Scanner Scan(S);
    TDateTime Result;
    if (!(Scan.*Step)(Settings, Result) || !Scan.AtEnd())
        return false;
    Value = Result;
    return true;
}

using TryParse = bool (*)(const AnsiString&, TDateTime&, const TFormatSettings&);

/// EConvertError "'S'" + Complaint when Try cannot read S.
TDateTime ParseOrRaise(TryParse Try, const AnsiString& S, const TFormatSettings& Settings,
                       const char* Complaint)
{
    TDateTime Result;
    if (!Try(S, Result, Settings))
        throw EConvertError(Quoted("'", S, Complaint));
    return Result;
}

TDateTime ParseOrDefault(TryParse Try, const AnsiString& S, TDateTime Default)
{
    TDateTime Result;
    return Try(S, Result, FormatSettings()) ? Result : Default;
}

} // namespace

// ---- calendar ------------------------------------------------------------------

bool IsLeapYear(Word Year)
{
    return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

Word DaysInAMonth(Word Year, Word Month)
{
    if (Month < 1 || Month > 12)
        return 0;
    return MonthDays[IsLeapYear(Year)][Month - 1];
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1
        || Day > DaysInAMonth(Year, Month))
        return false;
    int Days = Day;
    for (int I = 1; I < Month; ++I)
        Days += MonthDays[IsLeapYear(Year)][I - 1];
    const int Y = Year - 1;
    Date = double(Y * 365 + Y / 4 - Y / 100 + Y / 400 + Days - DateDelta);
    return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day)
{
    TDateTime Result;
    if (!TryEncodeDate(Year, Month, Day, Result))
        throw EConvertError(SDateEncodeError);
    return Result;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time)
{
    if (Hour >= HoursPerDay || Min >= 60 || Sec >= 60 || MSec >= 1000)
        return false;
    Time = double(Hour * 3600000 + Min * 60000 + Sec * 1000 + MSec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec)
{
    TDateTime Result;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, Result))
        throw EConvertError(STimeEncodeError);
    return Result;
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day)
{
    constexpr Int64 D1 = 365;
    constexpr Int64 D4 = D1 * 4 + 1;
    constexpr Int64 D100 = D4 * 25 - 1;
    constexpr Int64 D400 = D100 * 4 + 1;
    Int64 T = DateTimeToTimeStamp(Date).Date;
    if (T <= 0) {
        Year = Month = Day = 0;
        return;
    }
    --T;
    Int64 Y = 1;
    Y += T / D400 * 400;
    T %= D400;
    Int64 I = T / D100;
    Int64 D = T % D100;
    if (I == 4) {
        --I;
        D += D100;
    }
    Y += I * 100;
    Y += D / D4 * 4;
    D %= D4;
    I = D / D1;
    D %= D1;
    if (I == 4) {
        --I;
        D += D1;
    }
    Y += I;
    const bool Leap = IsLeapYear(Word(Y));
    int M = 1;
    while (D >= MonthDays[Leap][M - 1]) {
        D -= MonthDays[Leap][M - 1];
        ++M;
    }
    Year = Word(Y);
    Month = Word(M);
    Day = Word(D + 1);
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec)
{
    Int64 T = DateTimeToTimeStamp(Time).Time;
    MSec = Word(T % 1000);
    T /= 1000;
    Sec = Word(T % 60);
    T /= 60;
    Min = Word(T % 60);
    Hour = Word(T / 60);
}

int DayOfWeek(TDateTime Date)
{
    const Int64 T = DateTimeToTimeStamp(Date).Date;
    return int((T % 7 + 7) % 7) + 1;
}

TDateTime IncMonth(TDateTime Date, int NumberOfMonths)
{
    Word Year = 0, Month = 0, Day = 0;
    DecodeDate(Date, Year, Month, Day);
    int Y = Year + NumberOfMonths / 12;
    int M = Month + NumberOfMonths % 12;
    if (M > 12) {
        M -= 12;
        ++Y;
    } else if (M < 1) {
        M += 12;
        --Y;
    }
    const Word Last = DaysInAMonth(Word(Y), Word(M));
    if (Day > Last)
        Day = Last;
    const double Result = std::trunc(double(EncodeDate(Word(Y), Word(M), Day)));
    const double TimeOfDay = std::fabs(Date - std::trunc(double(Date)));
    return Result >= 0 ? Result + TimeOfDay : Result - TimeOfDay;
}

// ---- the clock -----------------------------------------------------------------

TDateTime Now()
{
    const NowSource Source = CurrentNowSource.load();
    return Source ? Source() : SystemNow();
}

TDateTime Date()
{
    return std::trunc(double(Now()));
}

TDateTime Time()
{
    const double N = Now();
    return N - std::trunc(N);
}

NowSource SetNowSource(NowSource Source)
{
    return CurrentNowSource.exchange(Source);
}

// ---- texts ---------------------------------------------------------------------

AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime)
{
    return FormatDateTime(Format, DateTime, FormatSettings());
}

AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime,
                          const TFormatSettings& Settings)
{
    DateFormatter Formatter(DateTime, Settings);
    Formatter.Append(Format.IsEmpty() ? std::string_view("C") : Format.View());
    return AnsiString(std::move(Formatter.Result));
}

AnsiString DateToStr(TDateTime Date)
{
    return FormatDateTime("ddddd", Date);
}

AnsiString DateToStr(TDateTime Date, const TFormatSettings& Settings)
{
    return FormatDateTime("ddddd", Date, Settings);
}

AnsiString TimeToStr(TDateTime Time)
{
    return FormatDateTime("tt", Time);
}

AnsiString TimeToStr(TDateTime Time, const TFormatSettings& Settings)
{
    return FormatDateTime("tt", Time, Settings);
}

AnsiString DateTimeToStr(TDateTime DateTime)
{
    return FormatDateTime("c", DateTime);
}

AnsiString DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings)
{
    return FormatDateTime("c", DateTime, Settings);
}

bool TryStrToDate(const AnsiString& S, TDateTime& Value)
{
    return TryStrToDate(S, Value, FormatSettings());
}

bool TryStrToDate(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings)
{
    return ScanWhole(&Scanner::Date, S, Value, Settings);
}

TDateTime StrToDate(const AnsiString& S)
{
    return StrToDate(S, FormatSettings());
}

TDateTime StrToDate(const AnsiString& S, const TFormatSettings& Settings)
{
    return ParseOrRaise(TryStrToDate, S, Settings, "' is not a valid date");
}

TDateTime StrToDateDef(const AnsiString& S, TDateTime Default)
{
    return ParseOrDefault(TryStrToDate, S, Default);
}

bool TryStrToTime(const AnsiString& S, TDateTime& Value)
{
    return TryStrToTime(S, Value, FormatSettings());
}

bool TryStrToTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings)
{
    return ScanWhole(&Scanner::Time, S, Value, Settings);
}

TDateTime StrToTime(const AnsiString& S)
{
    return StrToTime(S, FormatSettings());
}

TDateTime StrToTime(const AnsiString& S, const TFormatSettings& Settings)
{
    return ParseOrRaise(TryStrToTime, S, Settings, "' is not a valid time");
}

TDateTime StrToTimeDef(const AnsiString& S, TDateTime Default)
{
    return ParseOrDefault(TryStrToTime, S, Default);
}

bool TryStrToDateTime(const AnsiString& S, TDateTime& Value)
{
    return TryStrToDateTime(S, Value, FormatSettings());
}

bool TryStrToDateTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings)
{
    Scanner Scan(S);
    TDateTime DatePart;
    TDateTime TimePart;
    // A time needs its own text end check: text left after it would
    // otherwise be accepted and dropped without a word.
    if (Scan.Date(Settings, DatePart) && (Scan.AtEnd() || (Scan.Time(Settings, TimePart)
                                                           && Scan.AtEnd()))) {
        Value = DatePart >= 0 ? DatePart + TimePart : DatePart - TimePart;
        return true;
    }
    return TryStrToTime(S, Value, Settings);
}

TDateTime StrToDateTime(const AnsiString& S)
{
    return StrToDateTime(S, FormatSettings());
}

TDateTime StrToDateTime(const AnsiString& S, const TFormatSettings& Settings)
{
    return ParseOrRaise(TryStrToDateTime, S, Settings, "' is not a valid date and time");
}

TDateTime StrToDateTimeDef(const AnsiString& S, TDateTime Default)
{
    return ParseOrDefault(TryStrToDateTime, S, Default);
}

// ---- file dates ----------------------------------------------------------------

Integer DateTimeToFileDate(TDateTime DateTime)
{
    Word Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0;
    DecodeDate(DateTime, Year, Month, Day);
    if (Year < 1980 || Year > 2107)
        return 0;
    DecodeTime(DateTime, Hour, Min, Sec, MSec);
    const uint32_t Lo = uint32_t(Sec >> 1) | uint32_t(Min) << 5 | uint32_t(Hour) << 11;
    const uint32_t Hi = uint32_t(Day) | uint32_t(Month) << 5 | uint32_t(Year - 1980) << 9;
    return Integer(Hi << 16 | Lo);
}

TDateTime FileDateToDateTime(Integer FileDate)
{
    const uint32_t Packed = uint32_t(FileDate);
    const uint32_t Hi = Packed >> 16;
    const uint32_t Lo = Packed & 0xFFFF;
    return EncodeDate(Word((Hi >> 9) + 1980), Word(Hi >> 5 & 15), Word(Hi & 31))
         + EncodeTime(Word(Lo >> 11), Word(Lo >> 5 & 63), Word((Lo & 31) << 1), 0);
}
