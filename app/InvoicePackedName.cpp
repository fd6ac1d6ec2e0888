#include "app/InvoicePackedName.h"

#include "common/Funcs.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/StrUtils.h"

#include <vector>

PRICETAGS_DEFINE_CLASS(TInvoicePackedName)

namespace {

/// Characters cut from both ends of a name once the enclosing pairs are gone.
constexpr TCharSet EdgePunctuation{' ', ':', ';', '.', ',', '/', '\\', '*', '-', '+', '%', '?',
                                   '^', '|'};
/// Characters that separate the words in which goods-group codes are sought.
const char* const CodeSeparators = " \\|/,;:'\"()[]{}<>";

bool IsBlankChar(char C)
{
    return static_cast<unsigned char>(C) <= ' ';
}

bool IsLineBreak(char C)
{
    return C == '\r' || C == '\n';
}

/// The closing partner of an enclosing character, 0 when C opens no pair.
/// Quotes, slashes and backslashes close with themselves.
char ClosingPartner(char C)
{
    switch (C) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '"':
    case '\'':
    case '/':
    case '\\': return C;
    default: return 0;
    }
}

/// Whether S (at least two characters) is enclosed in a pair that may go.
bool HasEnclosingPair(const AnsiString& S)
{
    const int Len = S.Length();
    if (Len < 2)
        return false;
    const char Open = S[1];
    const char Close = ClosingPartner(Open);
    if (Close == 0 || S[Len] != Close)
        return false;
    if (Close != Open) {
        // A bracket: the pair does not enclose the text when the same
        // opening bracket comes again ("(A) and (B)").
        for (int I = 2; I <= Len; ++I)
            if (S[I] == Open)
                return false;
        return true;
    }
    for (int I = 2; I < Len; ++I)
        if (S[I] == Open)
            return false;
    return true;
}

/// Start (1-based) of the type part after the last line break, 0 when none.
/// Blanks at the end are ignored; the part ends at the last non-blank
/// character, so its length is End - Start + 1.
int FindLinePart(const AnsiString& Text, int& End)
{
    End = Text.Length();
    while (End >= 1 && IsBlankChar(Text[End]))
        --End;
    for (int I = End; I >= 1; --I)
        if (IsLineBreak(Text[I]))
            return I + 1;
    return 0;
}

/// Position of the opening bracket that matches the closing bracket at the
/// end of Text (after ignoring trailing line breaks, blanks, ",", "." and
/// ";"), 0 when none. Close receives the closing bracket's position.
int FindBracketPart(const AnsiString& Text, int& Close)
{
    Close = Text.Length();
    while (Close >= 1) {
        const char C = Text[Close];
        if (!(C == '\n' || C == '\r' || C == ' ' || C == ',' || C == '.' || C == ';'))
            break;
        --Close;
    }
    if (Close < 1)
        return 0;
    const char CloseChar = Text[Close];
    char OpenChar = 0;
    switch (CloseChar) {
    case ')': OpenChar = '('; break;
    case ']': OpenChar = '['; break;
    case '}': OpenChar = '{'; break;
    default: return 0;
    }
    int Depth = 0;
    for (int I = Close - 1; I >= 1; --I) {
        if (Text[I] == CloseChar) {
            ++Depth;
        } else if (Text[I] == OpenChar) {
            if (Depth == 0)
                return I;
            --Depth;
        }
    }
    return 0;
}

}  // namespace

AnsiString TrimName(const AnsiString& S)
{
    AnsiString Result = Trim(S);
    if (Result.IsEmpty())
        return Result;
    while (HasEnclosingPair(Result))
        Result = Result.SubString(2, Result.Length() - 2);
    int First = 1;
    int Last = Result.Length();
    while (First <= Last && EdgePunctuation.Contains(Result[First]))
        ++First;
    while (Last >= First && EdgePunctuation.Contains(Result[Last]))
        --Last;
    if (First > Last)
        return S;
    return Result.SubString(First, Last - First + 1);
}

TInvoicePackedName::TInvoicePackedName() : GroupCodes(std::make_unique<TStringList>())
{
    for (const char* Code : {"КБТС"_c, "КБТ"_c, "МБТпр"_c, "МБТС"_c, "МБТ"_c, "ТВА"_c, "ВСТ"_c})
        GroupCodes->Add(Code);
}

TInvoicePackedName::~TInvoicePackedName() = default;

void TInvoicePackedName::Clear()
{
    TypePart = AnsiString();
    Reserve1 = AnsiString();
    Reserve2 = AnsiString();
    NamePart = AnsiString();
}

void TInvoicePackedName::Parse(const AnsiString& Text)
{
    Clear();
    switch (Mode) {
    case PackedNone:
        NamePart = TrimName(Text);
        break;
    case PackedAfterLineBreak: {
        int End = 0;
        const int Start = FindLinePart(Text, End);
        if (Start == 0) {
            NamePart = TrimName(Text);
            break;
        }
        // The break is one character, or two for CR LF and LF CR.
        int Before = Start - 2;
        if (Before >= 1 && IsLineBreak(Text[Before]) && Text[Before] != Text[Start - 1])
            --Before;
        NamePart = TrimName(Text.SubString(1, Before));
        TypePart = TrimName(Text.SubString(Start, End - Start + 1));
        break;
    }
    case PackedInBrackets: {
        int Close = 0;
        const int Open = FindBracketPart(Text, Close);
        if (Open == 0) {
            NamePart = TrimName(Text);
            break;
        }
        NamePart = TrimName(Text.SubString(1, Open - 1));
        TypePart = TrimName(Text.SubString(Open + 1, Close - Open - 1));
        break;
    }
    default:
        RaiseAppError("!!!");
    }
    NamePart = RemoveGroupCode(NamePart);
    if (!TypePart.IsEmpty())
        TypePart = RemoveGroupCode(TypePart);
}

bool TInvoicePackedName::Detect(const AnsiString& Text, bool& HasBracket,
                                bool& HasLineBreak) const
{
    int End = 0;
    int Close = 0;
    HasLineBreak = FindLinePart(Text, End) != 0;
    HasBracket = FindBracketPart(Text, Close) != 0;
    return HasBracket || HasLineBreak;
}

namespace {

/// Whether S[From, From + Length) equals Code (upper case) ignoring case.
bool SameWordNoCase(const AnsiString& S, int From, int Length, const AnsiString& Code)
{
    if (Length != Code.Length())
        return false;
    for (int I = 0; I < Length; ++I)
        if (cp1251::ToUpper(static_cast<unsigned char>(S[From + I]))
            != static_cast<unsigned char>(Code[I + 1]))
            return false;
    return true;
}

}  // namespace

AnsiString TInvoicePackedName::RemoveGroupCode(const AnsiString& S) const
{
    // The words of S are compared with the codes ignoring case, as a token
    // search by TokenExPos with a match text would. One walk over the words
    // finds, for the earliest code in list order, its first word.
    static const TCharSet Separators = TCharSet::Of(CodeSeparators);
    const int Codes = GroupCodes->Count();
    std::vector<AnsiString> Upper;
    Upper.reserve(size_t(Codes));
    for (int I = 0; I < Codes; ++I)
        Upper.push_back(AnsiUpperCase(GroupCodes->Strings(I)));
    const int Len = S.Length();
    int BestCode = Codes;
    int TokStart = 0;
    int TokEnd = 0;
    for (int I = 1; I <= Len;) {
        while (I <= Len && Separators.Contains(S[I]))
            ++I;
        const int Start = I;
        while (I <= Len && !Separators.Contains(S[I]))
            ++I;
        for (int C = 0; C < BestCode && I > Start; ++C) {
            const AnsiString& Code = Upper[size_t(C)];
            if (!Code.IsEmpty() && SameWordNoCase(S, Start, I - Start, Code)) {
                BestCode = C;
                TokStart = Start;
                TokEnd = I;
            }
        }
    }
    if (BestCode == Codes)
        return S;
    // The separators other than blanks right beside the code go with it
    // ("МБТ, Пылесос" loses "МБТ,").
    int From = TokStart;
    while (From > 1 && S[From - 1] != ' ' && Separators.Contains(S[From - 1]))
        --From;
    int To = TokEnd;
    while (To <= Len && S[To] != ' ' && Separators.Contains(S[To]))
        ++To;
    return TrimName(S.SubString(1, From - 1) + S.SubString(To, Len - To + 1));
}
