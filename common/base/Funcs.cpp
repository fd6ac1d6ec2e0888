#include "common/base/Funcs.h"

#include "common/base/FuncsPrivate.h"
#include "common/base/IniFiles.h"

#include "platform/classes/Strings.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Ticks.h"

#include <cassert>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const char* const MonthNames[12] = {
    "Январь"_c, "Февраль"_c, "Март"_c,    "Апрель"_c,  "Май"_c,    "Июнь"_c,
    "Июль"_c,   "Август"_c,  "Сентябрь"_c, "Октябрь"_c, "Ноябрь"_c, "Декабрь"_c,
};

/// The character sets of number input. They are taken from the separators
/// when the unit is prepared and kept, as the program has always done.
struct NumCharSets {
    TCharSet Signs;
    TCharSet Digits;
    TCharSet Decimals;
    TCharSet Ignored;
    TCharSet Number;
    bool Built = false;
};

NumCharSets& NumberSetsState()
{
    static NumCharSets Sets;
    return Sets;
}

void BuildNumberSets()
{
    const TFormatSettings& Settings = FormatSettings();
    NumCharSets& Sets = NumberSetsState();
    Sets.Signs = TCharSet{'+', '-'};
    Sets.Digits = TCharSet::Range('0', '9');
    Sets.Decimals = TCharSet{'.', ',', '-', Settings.DecimalSeparator};
    Sets.Ignored = TCharSet{' ', ',', '\'', Settings.ThousandSeparator};
    Sets.Number = Sets.Signs + Sets.Digits + Sets.Decimals;
    Sets.Built = true;
}

const NumCharSets& NumberSets()
{
    if (!NumberSetsState().Built)
        BuildNumberSets();
    return NumberSetsState();
}

} // namespace

const TCharSet& SignChars()
{
    return NumberSets().Signs;
}

const TCharSet& DigitChars()
{
    return NumberSets().Digits;
}

const TCharSet& DecimalChars()
{
    return NumberSets().Decimals;
}

const TCharSet& NumberChars()
{
    return NumberSets().Number;
}

const TCharSet& NumIgnoredChars()
{
    return NumberSets().Ignored;
}

// ---- dates -----------------------------------------------------------------

Integer DayOfDate(TDateTime Date)
{
    Word Y = 0, M = 0, D = 0;
    DecodeDate(Date, Y, M, D);
    return D;
}

Integer MonthOfDate(TDateTime Date)
{
    Word Y = 0, M = 0, D = 0;
    DecodeDate(Date, Y, M, D);
    return M;
}

Integer YearOfDate(TDateTime Date)
{
    Word Y = 0, M = 0, D = 0;
    DecodeDate(Date, Y, M, D);
    return Y;
}

AnsiString MonthNameByNum(Integer Month, bool Genitive)
{
    if (Month < 1 || Month > 12)
        throw EConvertError("MonthNameByNum: Неверный номер месяца ["_a + IntToStr(Month) + "]");
    AnsiString Result = MonthNames[Month - 1];
    if (!Genitive)
        return Result;
    // March and August end in a consonant and take "а"; every other
    // nominative ends in "ь" or "й", which the genitive turns into "я".
    if (Month == 3 || Month == 8)
        return Result + "а"_a;
    Result[Result.Length()] = "я"_a[1];
    return Result;
}

// ---- numbers and money texts -----------------------------------------------

AnsiString PadStr(bool AtRight, const AnsiString& S, Integer Len, char Fill)
{
    const Integer L = S.Length();
    if (L < Len) {
        const AnsiString Filler = StringOfChar(Fill, Len - L);
        return AtRight ? S + Filler : Filler + S;
    }
    if (L > Len)
        return S.SubString(1, Len);
    return S;
}

AnsiString Pad0(const Variant& Value, Integer Len)
{
    const TVarType T = VarType(Value);
    Int64 N = 0;
    if (IsIntegerVarType(T))
        N = Value.AsInt64();
    else if (T != varString || !TryStrToInt64(Value.AsString(), N))
        throw EConvertError("Pad0: Неверный тип данных"_a);
    if (N < 0) {
        // The text of the magnitude is the text of N without its sign, which
        // also holds for the one value whose negation does not fit Int64.
        const AnsiString Digits = IntToStr(N);
        return "-" + PadStr(false, Digits.SubString(2, Digits.Length() - 1), Len - 1, '0');
    }
    return PadStr(false, IntToStr(N), Len, '0');
}

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

AnsiString CleanNumStr(const AnsiString& S)
{
    if (IsBlank(S))
        return S;
    const NumCharSets& Sets = NumberSets();
    const Integer Len = S.Length();
    // The sign stands first, after any blanks: " -12" is minus twelve. Taken
    // for the last decimal mark it would make the text 0,12.
    Integer SignPos = 1;
    while (SignPos < Len && S[SignPos] == ' ')
        ++SignPos;
    if (!Sets.Signs.Contains(S[SignPos]))
        SignPos = 0;
    Integer L = 0;
    for (Integer I = Len; I >= 1 && L == 0; --I)
        if (Sets.Decimals.Contains(S[I]) && I != SignPos)
            L = I;
    // Roubles and kopecks written as 12-50: exactly two digits after the
    // dash, and no leading zero that would make it a date or a code.
    if (L > 1 && S[L] == '-') {
        const AnsiString T = Trim(S);
        if (T.SubString(1, 1) == "0" || Len - L != 2)
            return "";
    }
    // Several decimal marks: all alike they group thousands ("1.234.567");
    // when they differ the last one is the decimal mark ("1,234.56",
    // "1.234,56"). Dropping all of them would make such a price 100 times
    // too high. A sign in the first place is no mark.
    Integer MarkCount = 0;
    bool MarksDiffer = false;
    char FirstMark = 0;
    for (Integer I = 1; I <= Len; ++I) {
        const char C = S[I];
        if (!Sets.Decimals.Contains(C) || I == SignPos)
            continue;
        if (MarkCount == 0)
            FirstMark = C;
        else if (C != FirstMark)
            MarksDiffer = true;
        ++MarkCount;
    }
    const bool KeepLast = MarkCount <= 1 || MarksDiffer;
    const char DecimalSeparator = FormatSettings().DecimalSeparator;
    AnsiString Result;
    for (Integer I = 1; I <= Len; ++I) {
        const char C = S[I];
        if (C == ' ')
            continue;
        if (I == SignPos) {
            if (C == '-')
                Result += C;
            continue;
        }
        if (Sets.Digits.Contains(C)) {
            Result += C;
            continue;
        }
        if (Sets.Decimals.Contains(C)) {
            if (I == L && KeepLast)
                Result += DecimalSeparator;
            continue;
        }
        if (Sets.Ignored.Contains(C))
            continue;
        return "";
    }
    return Result;
}

namespace {

/// Value rounded half to even to Digits decimals, exactly; false when the
/// result leaves the Currency range.
bool RoundCurrency(Currency Value, Integer Digits, Currency& Result)
{
    if (Digits >= 4) {
        Result = Value;
        return true;
    }
    // Below -14 decimals every Currency value rounds to 0.
    if (Digits < -14) {
        Result = Currency();
        return true;
    }
    __int128 Factor = 1;
    for (Integer I = Digits; I < 4; ++I)
        Factor *= 10;
    const __int128 Rounded = __int128(DivRoundHalfEven(Value.Raw(), Factor)) * Factor;
    if (Rounded > INT64_MAX || Rounded < INT64_MIN)
        return false;
    Result = Currency::FromRaw(static_cast<int64_t>(Rounded));
    return true;
}

} // namespace

bool NormalizeNumStr(AnsiString& S, Integer Digits, Integer RoundDigits)
{
    if (IsBlank(S))
        return false;
    AnsiString C = CleanNumStr(S);
    if (IsBlank(C))
        return false;
    if (Digits >= 0) {
        // A text that is no Currency (too large, a lone sign) is refused
        // rather than shown as the extreme negative value it would read as.
        Currency Value;
        if (!TryStrToCurr(C, Value) || !RoundCurrency(Value, RoundDigits, Value))
            return false;
        C = CurrToNumStr(Digits, Value);
    }
    S = C;
    return true;
}

bool NormalizeNumStr(AnsiString& S, Integer Digits)
{
    return NormalizeNumStr(S, Digits, Digits);
}

AnsiString CurrToNumStr(Integer Digits, Currency Value)
{
    return CurrToStrF(Value, ffNumber, Digits);
}

AnsiString CurrToNumStr(Currency Value, Integer Digits)
{
    return CurrToStrF(Value, ffNumber, Digits);
}

bool IsMostOf(Integer Value, Integer Total, Integer N, bool OrEqual)
{
    assert(N >= 1 && "IsMostOf needs N >= 1");
    Int64 Bound = Total;
    if (N >= 1 && N < 100) {
        // 64 bits: Total * 100 leaves 32 bits above 21 474 836.
        Bound = (Int64(Total) * 100 / N * (N - 1)) / 100;
        if (Bound < 1)
            Bound = 1;
    }
    return OrEqual ? Value >= Bound : Value > Bound;
}

// ---- ticks -----------------------------------------------------------------

Cardinal TickDiff(Cardinal A, Cardinal B)
{
    const Cardinal Lo = A < B ? A : B;
    const Cardinal Hi = A < B ? B : A;
    // Twice 2147483647 rather than 2^32: deadlines stored by the program
    // were computed this way, so the 2 ms are kept.
    if (Lo < 0x3FFFFFFFu && Hi >= 0xBFFFFFFFu)
        return Lo + (4294967294u - Hi);
    return Hi - Lo;
}

bool TickAfter(Cardinal A, Cardinal B)
{
    if (A == 0 || B == 0)
        return true;
    if (A < 0x3FFFFFFFu && B > 0xBFFFFFFEu)
        return true;
    return A > B;
}

bool TickPassed(Cardinal Deadline)
{
    return TickAfter(GetTickCount(), Deadline);
}

// ---- tokens and "|" fields -------------------------------------------------

void TokenExPos(Integer N, Integer Start, const AnsiString& S, const AnsiString& Match,
                const AnsiString& Delims, Integer& TokStart, Integer& TokEnd)
{
    TokStart = Start;
    TokEnd = Start;
    if (Delims.IsEmpty())
        RaiseAppError("TokenExPos: Empty Delimiters");
    const Integer Len = S.Length();
    if (N < 1 || Len == 0 || Start > Len)
        return;
    const TCharSet DelimSet = TCharSet::Of(Delims);
    if (TokStart < 1)
        TokStart = 1;
    Integer Count = 0;
    while (TokStart <= Len) {
        while (TokStart <= Len && DelimSet.Contains(S[TokStart]))
            ++TokStart;
        if (TokStart > Len)
            break;
        TokEnd = TokStart;
        while (TokEnd <= Len && !DelimSet.Contains(S[TokEnd]))
            ++TokEnd;
        ++Count;
        if (Count >= N) {
            if (Match.IsEmpty())
                return;
            if (AnsiCompareText(S.SubString(TokStart, TokEnd - TokStart), Match) == 0)
                return;
        }
        TokStart = TokEnd;
    }
    TokEnd = TokStart;
}

AnsiString ExtractTokenPos(Integer N, const AnsiString& S, const AnsiString& Delims,
                           Integer& TokStart, Integer& TokEnd)
{
    TokenExPos(N, 1, S, "", Delims, TokStart, TokEnd);
    if (TokEnd > TokStart)
        return S.SubString(TokStart, TokEnd - TokStart);
    return "";
}

AnsiString ExtractToken(Integer N, const AnsiString& S, const AnsiString& Delims)
{
    Integer TokStart = 0, TokEnd = 0;
    return ExtractTokenPos(N, S, Delims, TokStart, TokEnd);
}

namespace {

/// Start positions of the "|" fields of S; a field ends before the next
/// start's "|" or at the end of S. A field exists only when it starts
/// within S, so a final "|" opens no field.
struct PipeField {
    Integer Start;
    Integer End; // exclusive
};

std::vector<PipeField> SplitPipeFields(const AnsiString& S)
{
    std::vector<PipeField> Fields;
    const Integer Len = S.Length();
    Integer FieldStart = 1;
    Integer I = 1;
    while (I <= Len) {
        if (S[I] != '|') {
            ++I;
            continue;
        }
        if (I < Len && S[I + 1] == '|') {
            I += 2;
            continue;
        }
        Fields.push_back({FieldStart, I});
        FieldStart = I + 1;
        ++I;
    }
    if (FieldStart <= Len)
        Fields.push_back({FieldStart, Len + 1});
    return Fields;
}

AnsiString UnescapePipes(const AnsiString& S)
{
    return StringReplace(S, "||", "|", rfReplaceAll);
}

} // namespace

bool GetPipeField(const AnsiString& S, AnsiString& Field, Integer N)
{
    if (N == 0 || S.Length() < 2) {
        Field = S;
        return N == 1;
    }
    const std::vector<PipeField> Fields = SplitPipeFields(S);
    const bool Exists = N >= 1 && N <= static_cast<Integer>(Fields.size());
    if (Exists) {
        const PipeField& F = Fields[static_cast<size_t>(N - 1)];
        const AnsiString Text = S.SubString(F.Start, F.End - F.Start);
        if (!IsBlank(Text)) {
            Field = UnescapePipes(Text);
            return true;
        }
    }
    Field = Fields.empty() ? AnsiString()
                           : UnescapePipes(S.SubString(Fields[0].Start, Fields[0].End - Fields[0].Start));
    return Exists;
}

AnsiString ExtractPipePart(const AnsiString& S, bool Title)
{
    if (S.Pos("|") == 0)
        return Title ? AnsiString() : S;
    if (Title) {
        AnsiString Field;
        return GetPipeField(S, Field, 1) ? Field : AnsiString();
    }
    const std::vector<PipeField> Fields = SplitPipeFields(S);
    if (Fields.empty() || Fields[0].End > S.Length())
        return "";
    return S.SubString(Fields[0].End + 1, S.Length() - Fields[0].End);
}

// ---- strings ---------------------------------------------------------------

Integer PosFrom(const AnsiString& Sub, const AnsiString& S, Integer From)
{
    if (Sub.IsEmpty() || S.IsEmpty())
        return 0;
    if (From < 1)
        From = 1;
    if (From > S.Length())
        return 0;
    const size_t P = S.Std().find(Sub.Std(), static_cast<size_t>(From - 1));
    return P == std::string::npos ? 0 : static_cast<Integer>(P) + 1;
}

Integer PosOf(const AnsiString& Sub, const AnsiString& S)
{
    return PosFrom(Sub, S, 1);
}

Integer LastPosOf(const AnsiString& Sub, const AnsiString& S)
{
    Integer Last = 0;
    for (Integer P = PosFrom(Sub, S, 1); P > 0; P = PosFrom(Sub, S, P + 1))
        Last = P;
    return Last;
}

Integer PosNoCase(const AnsiString& Sub, const AnsiString& S)
{
    return Pos(AnsiUpperCase(Sub), AnsiUpperCase(S));
}

AnsiString UpperStr(const AnsiString& S)
{
    return AnsiUpperCase(S);
}

AnsiString RepeatStr(const AnsiString& S, Integer N)
{
    AnsiString Result;
    for (Integer I = 0; I < N; ++I)
        Result += S;
    return Result;
}

AnsiString ReplaceAll(const AnsiString& S, const AnsiString& Old, const AnsiString& New)
{
    return StringReplace(S, Old, New, rfReplaceAll);
}

AnsiString UnescapeNewLines(const AnsiString& S)
{
    AnsiString Result = S;
    for (Integer I = 1; I < Result.Length(); ++I) {
        // The test looks at the text as given, so "\\n" stays as it is.
        if (S[I] == '\\' && S[I + 1] == 'n' && (I == 1 || S[I - 1] != '\\')) {
            Result[I] = '\r';
            Result[I + 1] = '\n';
        }
    }
    return Result;
}

AnsiString DeleteChars(const AnsiString& Chars, const AnsiString& S)
{
    const TCharSet Set = TCharSet::Of(Chars);
    AnsiString Result;
    for (Integer I = 1; I <= S.Length(); ++I)
        if (!Set.Contains(S[I]))
            Result += S[I];
    return Result;
}

void ReplaceChars(const AnsiString& Chars, AnsiString& S)
{
    if (Chars.IsEmpty())
        return;
    const TCharSet Set = TCharSet::Of(Chars);
    for (Integer I = 1; I <= S.Length(); ++I)
        if (Set.Contains(S[I]))
            S[I] = Chars[1];
}

Integer CountChars(const AnsiString& Chars, const AnsiString& S)
{
    const TCharSet Set = TCharSet::Of(Chars);
    Integer Count = 0;
    for (Integer I = 1; I <= S.Length(); ++I)
        if (Set.Contains(S[I]))
            ++Count;
    return Count;
}

void SplitStr(TStrings& Lines, const AnsiString& S, const AnsiString& Delims, bool KeepDelims,
              bool JoinDelims)
{
    const TCharSet DelimSet = TCharSet::Of(Delims);
    const Integer Len = S.Length();
    Integer P = 1;
    while (P <= Len) {
        if (!KeepDelims) {
            while (P <= Len && DelimSet.Contains(S[P]))
                ++P;
            if (P > Len)
                break;
        }
        const bool IsDelimRun = DelimSet.Contains(S[P]);
        const Integer TokStart = P;
        while (P <= Len && DelimSet.Contains(S[P]) == IsDelimRun)
            ++P;
        const AnsiString Token = S.SubString(TokStart, P - TokStart);
        if (!JoinDelims) {
            Lines.Add(Token);
            continue;
        }
        const Integer Count = Lines.Count();
        if (IsDelimRun && Count > 0) {
            Lines.SetStrings(Count - 1, Lines.Strings(Count - 1) + Token);
            continue;
        }
        // A leading run of delimiters takes the word that follows it.
        if (!IsDelimRun && Count == 1 && !Lines.Strings(0).IsEmpty()
            && DelimSet.Contains(Lines.Strings(0)[1])) {
            Lines.SetStrings(0, Lines.Strings(0) + Token);
            continue;
        }
        Lines.Add(Token);
    }
}

std::unique_ptr<TStringList> StrToList(const AnsiString& S, const AnsiString& Delims,
                                       bool KeepDelims, bool JoinDelims)
{
    auto List = std::make_unique<TStringList>();
    SplitStr(*List, S, Delims, KeepDelims, JoinDelims);
    return List;
}

AnsiString ArgsToStr(TVarRecs Args, const AnsiString& Sep)
{
    const AnsiString Joint = Sep.IsEmpty() ? AnsiString(" ") : Sep;
    AnsiString Result;
    bool First = true;
    for (const TVarRec& Arg : Args) {
        if (!First)
            Result += Joint;
        Result += ArgToStr(Arg, "");
        First = false;
    }
    return Result;
}

AnsiString ArgToStr(const TVarRec& Arg, const AnsiString& NullText)
{
    switch (Arg.VType) {
    case vtInteger:
        return IntToStr(Arg.VInteger);
    case vtInt64:
        // C++ hands long integers over as Int64; they are integers too.
        return IntToStr(Arg.VInt64);
    case vtBoolean:
        return Arg.VBoolean ? ".T." : ".F.";
    case vtChar:
        return AnsiString(Arg.VChar);
    case vtExtended:
        return FloatToStr(Arg.VExtended);
    case vtPointer:
        return Arg.VPointer ? "Ptr= " + PtrToHex(Arg.VPointer) : AnsiString("Ptr= nil");
    case vtPChar:
        return AnsiString(Arg.VPChar);
    case vtObject:
        return Arg.VObject ? "Obj= " + PtrToHex(Arg.VObject) : AnsiString("Obj= null");
    case vtClass:
        return "Class= " + PtrToHex(Arg.VClass);
    case vtAnsiString:
        return *Arg.VAnsiString;
    case vtCurrency:
        return FloatToStr(Arg.VCurrency.ToDouble());
    case vtVariant:
        if (VarIsEmpty(*Arg.VVariant))
            return "EmptyVariant";
        if (VarIsNull(*Arg.VVariant))
            return NullText.IsEmpty() ? AnsiString("NullVariant") : NullText;
        return VarToStr(*Arg.VVariant);
    case vtString:
    case vtWideChar:
    case vtPWideChar:
    case vtInterface:
    case vtWideString:
        break;
    }
    return "(Unknown)";
}

AnsiString PtrToHex(const void* P)
{
    return IntToHex(static_cast<Int64>(reinterpret_cast<uintptr_t>(P)), 8);
}

bool IsBlank(const AnsiString& S)
{
    for (Integer I = 1; I <= S.Length(); ++I)
        if (static_cast<unsigned char>(S[I]) > ' ')
            return false;
    return true;
}

// ---- Variants --------------------------------------------------------------

AnsiString xStr(const Variant& V)
{
    const TVarType T = VarType(V);
    if (T == varEmpty)
        return "EmptyVariant";
    if (T == varNull)
        return "NillVariant";
    if (IsIntegerVarType(T))
        return IntToStr(V.AsInt64());
    if (IsFloatVarType(T))
        return FloatToStr(V.AsDouble());
    if (T == varDate)
        return DateToStr(V.AsDateTime());
    if (T == varOleStr || T == varString)
        return V.AsString();
    if (T == varBoolean)
        return V.AsBoolean() ? "True" : "False";
    if (T == varUnknown)
        return "UnknownVariant";
    throw EConvertError("xStr: Ошибка преобразования в строку"_a);
}

bool IsSameVarKind(const Variant& A, const Variant& B)
{
    const TVarType TA = VarType(A);
    const TVarType TB = VarType(B);
    return TA == TB || (IsIntegerVarType(TA) && IsIntegerVarType(TB))
           || (IsFloatVarType(TA) && IsFloatVarType(TB));
}

Variant Max(const Variant& A, const Variant& B)
{
    if (!IsSameVarKind(A, B))
        throw EConvertError("Max(): Разные типы переменных"_a);
    return A > B ? A : B;
}

Variant Min(const Variant& A, const Variant& B)
{
    if (!IsSameVarKind(A, B))
        throw EConvertError("Min(): Разные типы переменных"_a);
    return A < B ? A : B;
}

Variant IIf(bool Cond, const Variant& TrueValue, const Variant& FalseValue)
{
    return Cond ? TrueValue : FalseValue;
}

bool IsNullKey(Integer Value)
{
    return Value >= -16 && Value <= 0;
}

bool IsValidKey(Integer Value)
{
    return !IsNullKey(Value);
}

// ---- folders and files -----------------------------------------------------

FuncsNames& CachedNames()
{
    static FuncsNames Names;
    return Names;
}

AnsiString GetStartDir()
{
    FuncsNames& Names = CachedNames();
    if (Names.StartDir.IsEmpty())
        Names.StartDir = IncludeBackslash(GetCurrentDir());
    return Names.StartDir;
}

AnsiString GetExeDir()
{
    FuncsNames& Names = CachedNames();
    if (Names.ExeDir.IsEmpty())
        Names.ExeDir = ExtractFilePath(ExpandFileName(ParamStr(0)));
    return Names.ExeDir;
}

AnsiString GetExeName()
{
    FuncsNames& Names = CachedNames();
    if (Names.ExeName.IsEmpty())
        Names.ExeName = ExtractFileNameNoExt(ExpandFileName(ParamStr(0)));
    return Names.ExeName;
}

void SetAppLocation(const AnsiString& StartDir, const AnsiString& ExeName)
{
    FreeAppIniFile();
    FuncsNames& Names = CachedNames();
    if (!StartDir.IsEmpty())
        Names.StartDir = IncludeBackslash(StartDir);
    if (!ExeName.IsEmpty())
        Names.ExeName = ExeName;
    Names.AppIniName = "";
    Names.LogFileName = "";
    gDeveloperMode = FileExists(GetStartDir() + GetExeName() + ".111");
}

AnsiString ExtractFileNameNoExt(const AnsiString& FileName)
{
    const AnsiString Name = ExtractFileName(FileName);
    const Integer Dot = LastDelimiter(".", Name);
    return Dot > 0 ? Name.SubString(1, Dot - 1) : Name;
}

AnsiString IncludeBackslash(const AnsiString& Dir)
{
    AnsiString Result = ExpandEnvStr(Trim(Dir));
    if (!Result.IsEmpty() && Result[Result.Length()] != PathDelim)
        Result += PathDelim;
    return Result;
}

AnsiString ExcludeBackslash(const AnsiString& Dir)
{
    AnsiString Result = ExpandEnvStr(Trim(Dir));
    if (!Result.IsEmpty() && Result[Result.Length()] == PathDelim)
        Result.SetLength(Result.Length() - 1);
    return Result;
}

AnsiString ExpandEnvStr(const AnsiString& S)
{
    return ExpandEnvironmentStrings(S);
}

bool DirExists(const AnsiString& Dir)
{
    return DirectoryExists(Dir);
}

void ForceDirs(const AnsiString& Dir)
{
    if (Dir.IsEmpty())
        throw Exception(SCannotCreateDir);
    AnsiString D = Dir;
    if (D.Length() > 1 && D[D.Length()] == PathDelim)
        D.SetLength(D.Length() - 1);
    // The root, and a folder that exists, need nothing; the parents are made
    // first, up to the first one that exists.
    if (D == AnsiString(PathDelim) || DirectoryExists(D))
        return;
    const AnsiString Parent = ExtractFilePath(D);
    if (!Parent.IsEmpty() && Parent != D)
        ForceDirs(Parent);
    CreateDir(D);
}

void EnsureDir(const AnsiString& Dir)
{
    if (!DirExists(Dir))
        ForceDirs(ExpandFileName(Dir));
}

bool DeleteFilesByMask(const AnsiString& Mask, bool ClearAttributes)
{
    // Read-only, hidden, system and archive entries; never folders.
    constexpr Integer SearchAttr = faReadOnly | faHidden | faSysFile | faArchive;
    const AnsiString Folder = ExtractFilePath(Mask);
    bool AllDeleted = true;
    TSearchRec F;
    for (Integer Found = FindFirst(Mask, SearchAttr, F); Found == 0; Found = FindNext(F)) {
        const AnsiString Name = Folder + F.Name;
        if (ClearAttributes && FileSetAttr(Name, 0) != 0) {
            AllDeleted = false;
            continue;
        }
        if (!DeleteFile(Name))
            AllDeleted = false;
    }
    FindClose(F);
    return AllDeleted;
}

// ---- unit start-up ---------------------------------------------------------

bool gDeveloperMode = false;
bool gCanSaveSettings = false;

namespace {

int InitCount = 0;

} // namespace

void FuncsInitialization()
{
    if (InitCount++ > 0)
        return;
    (void)GetStartDir();
    gDeveloperMode = FileExists(GetStartDir() + GetExeName() + ".111");
    BuildNumberSets();
    InstallDefaultLogHook();
}

void FuncsFinalization()
{
    if (InitCount == 0 || --InitCount > 0)
        return;
    FreeAppIniFile();
    CachedNames() = FuncsNames();
    NumberSetsState().Built = false;
}

// ---- ini string lists ------------------------------------------------------

void SaveIniStrings(TCustomIniFile& Ini, const AnsiString& Section, const TStrings& Lines,
                    Integer Index)
{
    Ini.EraseSection(Section);
    Ini.WriteInteger(Section, "Count", Lines.Count());
    Ini.WriteInteger(Section, "Index", Index);
    for (Integer I = 0; I < Lines.Count(); ++I)
        WriteQuotedString(Ini, Section, "S" + IntToStr(I), Lines.Strings(I));
}

void RestIniStrings(TCustomIniFile& Ini, const AnsiString& Section, TStrings* Lines,
                    Integer& Index)
{
    if (!Lines)
        RaiseAppError("RestIniStrings");
    const StringsUpdateScope Scope(*Lines);
    Lines->Clear();
    Integer Count = Ini.ReadInteger(Section, "Count", 0);
    // A damaged "Count" must not make millions of empty lines: a saved list
    // never counts more lines than its section has entries.
    TStringList Names;
    Ini.ReadSection(Section, &Names);
    if (Count > Names.Count())
        Count = Names.Count();
    Index = Ini.ReadInteger(Section, "Index", 0);
    for (Integer I = 0; I < Count; ++I)
        Lines->Add(ReadQuotedString(Ini, Section, "S" + IntToStr(I), ""));
}

// ---- class tests -----------------------------------------------------------

Integer ClassInArr(TClass AClass, std::initializer_list<TClass> Classes)
{
    if (!AClass)
        return -1;
    Integer Index = 0;
    for (TClass C : Classes) {
        if (C && AClass->InheritsFrom(C))
            return Index;
        ++Index;
    }
    return -1;
}

Integer TypeInArr(TClass AClass, TVarRecs Items)
{
    Integer Index = 0;
    for (const TVarRec& Item : Items) {
        TClass C = nullptr;
        if (Item.VType == vtObject)
            C = Item.VObject ? Item.VObject->ClassType() : nullptr;
        else if (Item.VType == vtClass)
            C = static_cast<TClass>(Item.VClass);
        else
            RaiseAppError("TypeInArr: Параметр не является объектом или классом"_a);
        if (AClass && C && AClass->InheritsFrom(C))
            return Index;
        ++Index;
    }
    return -1;
}
