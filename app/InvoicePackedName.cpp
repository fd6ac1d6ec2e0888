#include "app/InvoicePackedName.h"

#include "common/base/Funcs.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/StrUtils.h"

#include <array>
#include <string_view>
#include <utility>
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
bool HasEnclosingPair(std::string_view S)
{
    const size_t Len = S.size();
    if (Len < 2)
        return false;
    const char Open = S[0];
    const char Close = ClosingPartner(Open);
    if (Close == 0 || S[Len - 1] != Close)
        return false;
    // A bracket: the pair does not enclose the text when the same opening
    // bracket comes again ("(A) and (B)"); a quote, slash or backslash
    // when it comes again before the end.
    const std::string_view Inner = Close != Open ? S.substr(1) : S.substr(1, Len - 2);
    return Inner.find(Open) == std::string_view::npos;
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

namespace {

/// What TrimName keeps of S: a view of S; empty when nothing is left but S
/// had more than blanks (S is then kept whole), and for an all-blank S.
std::string_view TrimmedName(const AnsiString& S, bool& KeepWhole)
{
    KeepWhole = false;
    std::string_view Result = S.View();
    while (!Result.empty() && IsBlankChar(Result.front()))
        Result.remove_prefix(1);
    while (!Result.empty() && IsBlankChar(Result.back()))
        Result.remove_suffix(1);
    if (Result.empty())
        return Result;
    while (HasEnclosingPair(Result))
        Result = Result.substr(1, Result.size() - 2);
    while (!Result.empty() && EdgePunctuation.Contains(Result.front()))
        Result.remove_prefix(1);
    while (!Result.empty() && EdgePunctuation.Contains(Result.back()))
        Result.remove_suffix(1);
    KeepWhole = Result.empty();
    return Result;
}

}  // namespace

AnsiString TrimName(AnsiString&& S)
{
    bool KeepWhole = false;
    const std::string_view Result = TrimmedName(S, KeepWhole);
    if (KeepWhole || Result.size() == size_t(S.Length()))
        return std::move(S);
    return AnsiString(Result);
}

AnsiString TrimName(const AnsiString& S)
{
    // Cut as a view of S; only the result is copied.
    bool KeepWhole = false;
    const std::string_view Result = TrimmedName(S, KeepWhole);
    if (KeepWhole)
        return S;
    return AnsiString(Result);
}

TInvoicePackedName::TInvoicePackedName() : GroupCodes(std::make_unique<TStringList>())
{
    for (const char* Code : {"КБТС"_c, "КБТ"_c, "МБТпр"_c, "МБТС"_c, "МБТ"_c, "ТВА"_c, "ВСТ"_c})
        GroupCodes->Add(Code);
}

TInvoicePackedName::~TInvoicePackedName() = default;

void TInvoicePackedName::Clear()
{
    // Emptied in place: each name of an import passes through here.
    TypePart.SetLength(0);
    Reserve1.SetLength(0);
    Reserve2.SetLength(0);
    NamePart.SetLength(0);
}

void TInvoicePackedName::Parse(AnsiString&& Text)
{
    // Without packing the whole text is the name: it is taken over.
    if (Mode != PackedNone) {
        Parse(static_cast<const AnsiString&>(Text));
        return;
    }
    Clear();
    NamePart = RemoveGroupCode(TrimName(std::move(Text)));
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
    NamePart = RemoveGroupCode(std::move(NamePart));
    if (!TypePart.IsEmpty())
        TypePart = RemoveGroupCode(std::move(TypePart));
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

void TInvoicePackedName::CodesChanged(TObject* Sender)
{
    (void)Sender;
    FUpperCodesOf = nullptr;
}

AnsiString TInvoicePackedName::RemoveGroupCode(AnsiString S) const
{
    // The words of S are compared with the codes ignoring case, as a token
    // search by TokenExPos with a match text would. One walk over the words
    // finds, for the earliest code in list order, its first word. The codes
    // are upper-cased once, again whenever the list changes.
    static const TCharSet Separators = TCharSet::Of(CodeSeparators);
    // Names are long and have few code words: the words are found on the
    // bytes themselves through byte tables of the separators and of the
    // bytes a code may start with.
    static const auto IsSeparator = [] {
        std::array<bool, 256> Table{};
        for (int B = 0; B < 256; ++B)
            Table[size_t(B)] = Separators.Contains(static_cast<char>(B));
        return Table;
    }();
    if (FUpperCodesOf != GroupCodes.get()) {
        FUpperCodes.clear();
        FCodeStarts.fill(false);
        for (int I = 0; I < GroupCodes->Count(); ++I)
            FUpperCodes.push_back(AnsiUpperCase(GroupCodes->Strings(I)));
        // A byte starts a code when its upper case is a code's first byte;
        // a separator starts no word, so no code either.
        for (int B = 0; B < 256; ++B)
            for (const AnsiString& Code : FUpperCodes)
                if (!Code.IsEmpty() && !IsSeparator[size_t(B)]
                    && cp1251::ToUpper(static_cast<unsigned char>(B))
                           == static_cast<unsigned char>(Code[1]))
                    FCodeStarts[size_t(B)] = true;
        GroupCodes->OnChange = TNotifyEvent(const_cast<TInvoicePackedName*>(this),
                                            &TInvoicePackedName::CodesChanged);
        FUpperCodesOf = GroupCodes.get();
    }
    const std::vector<AnsiString>& Upper = FUpperCodes;
    const int Codes = int(Upper.size());
    const int Len = S.Length();
    int BestCode = Codes;
    int TokStart = 0;
    int TokEnd = 0;
    // Text[I - 1] is the 1-based S[I]. Only a word whose first byte starts a
    // code is compared, the words taken in order.
    const auto* const Text = reinterpret_cast<const unsigned char*>(S.View().data());
    for (int Start = 1; Start <= Len; ++Start) {
        if (!FCodeStarts[Text[Start - 1]] || (Start > 1 && !IsSeparator[Text[Start - 2]]))
            continue;
        int I = Start + 1;
        while (I <= Len && !IsSeparator[Text[I - 1]])
            ++I;
        for (int C = 0; C < BestCode; ++C) {
            const AnsiString& Code = Upper[size_t(C)];
            if (!Code.IsEmpty() && SameWordNoCase(S, Start, I - Start, Code)) {
                BestCode = C;
                TokStart = Start;
                TokEnd = I;
            }
        }
        Start = I;  // the separator after the word, or past the end
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
