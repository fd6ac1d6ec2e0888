// The rich edit of ComCtrls.h: a reader of rich-text documents into lines
// with runs of colour and weight, and their painting over the memo.

#include "platform/forms/ComCtrls.h"

#include "platform/forms/StdPrivate.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

PRICETAGS_DEFINE_CLASS(TCustomRichEdit)
PRICETAGS_DEFINE_CLASS(TRichEdit)

TRichEdit::~TRichEdit() = default;

namespace {

// Windows puts a tab stop every half inch by default.
constexpr int DefaultTabWidth = 48;
constexpr int TwipsPerInch = 1440;
constexpr int PixelsPerInch = 96;
// Documents larger than this are refused (a report section is a few KB).
constexpr size_t MaxDocument = 16 << 20;
constexpr size_t MaxDepth = 256;

struct CharState {
    int Color = 0;
    bool Bold = false;
    int Font = 0;
    int HalfPoints = 0;
    // Destination whose text is not shown: 0 none, 1 font table, 2 colour
    // table, 3 any other.
    int Skip = 0;
};

struct ParsedDocument {
    std::vector<std::string> Lines {std::string()};
    std::vector<std::vector<TCustomRichEdit::TextRun>> Runs {{}};
    std::vector<std::vector<int>> Tabs {{}};
    // Entry 0 (empty in the table) is the automatic colour: black.
    std::vector<TColor> Colors;
    std::vector<std::pair<int, std::string>> Fonts;
    int FirstFont = -1;
    int HalfPoints = 0;
};

class RTFReader {
public:
    explicit RTFReader(const std::string& Text) : S(Text) {}
    ParsedDocument Read();

private:
    void ControlWord(const std::string& Word, bool HasNumber, int Number);
    void Put(char C);
    void NewLine();
    TColor ColorOf(int Index) const
    {
        return Index >= 0 && size_t(Index) < Doc.Colors.size() ? Doc.Colors[size_t(Index)] : clBlack;
    }

    const std::string& S;
    size_t P = 0;
    ParsedDocument Doc;
    std::vector<CharState> Stack {CharState()};
    size_t DeepGroups = 0;
    std::vector<int> ParagraphTabs;
    int Red = 0, Green = 0, Blue = 0;
    bool ColorGiven = false;
    std::string FontName;
    int FontNumber = 0;
    bool StarNext = false;
};

void RTFReader::NewLine()
{
    Doc.Lines.emplace_back();
    Doc.Runs.emplace_back();
    Doc.Tabs.push_back(ParagraphTabs);
}

void RTFReader::Put(char C)
{
    CharState& St = Stack.back();
    if (St.Skip == 1) {
        if (C == ';') {
            Doc.Fonts.emplace_back(FontNumber, FontName);
            FontName.clear();
        } else {
            FontName += C;
        }
        return;
    }
    if (St.Skip == 2) {
        if (C == ';') {
            Doc.Colors.push_back(ColorGiven ? TColor(RGB(Red, Green, Blue)) : clBlack);
            Red = Green = Blue = 0;
            ColorGiven = false;
        }
        return;
    }
    if (St.Skip != 0)
        return;
    std::string& Line = Doc.Lines.back();
    std::vector<TCustomRichEdit::TextRun>& Runs = Doc.Runs.back();
    const TColor Color = ColorOf(St.Color);
    if (Runs.empty() || Runs.back().Color != Color || Runs.back().Bold != St.Bold) {
        if (!Runs.empty() && Runs.back().From == int(Line.size()))
            Runs.pop_back();
        Runs.push_back({int(Line.size()), Color, St.Bold});
    }
    Line += C;
}

void RTFReader::ControlWord(const std::string& W, bool HasNumber, int N)
{
    CharState& St = Stack.back();
    const bool Star = StarNext;
    StarNext = false;
    if (W == "fonttbl") {
        St.Skip = 1;
    } else if (W == "colortbl") {
        St.Skip = 2;
    } else if (Star || W == "stylesheet" || W == "info" || W == "pict" || W == "header" ||
               W == "footer" || W == "object") {
        St.Skip = std::max(St.Skip, 3);
    } else if (St.Skip == 1) {
        if (W == "f")
            FontNumber = N;
    } else if (St.Skip == 2) {
        if (W == "red")
            Red = N, ColorGiven = true;
        else if (W == "green")
            Green = N, ColorGiven = true;
        else if (W == "blue")
            Blue = N, ColorGiven = true;
    } else if (St.Skip != 0) {
        return;
    } else if (W == "par" || W == "line") {
        NewLine();
    } else if (W == "pard") {
        ParagraphTabs.clear();
        Doc.Tabs.back().clear();
    } else if (W == "tx" && HasNumber) {
        ParagraphTabs.push_back(N * PixelsPerInch / TwipsPerInch);
        Doc.Tabs.back() = ParagraphTabs;
    } else if (W == "tab") {
        Put('\t');
    } else if (W == "cf") {
        St.Color = N;
    } else if (W == "b") {
        St.Bold = !HasNumber || N != 0;
    } else if (W == "plain") {
        St.Color = 0;
        St.Bold = false;
    } else if (W == "f") {
        St.Font = N;
        if (Doc.FirstFont < 0)
            Doc.FirstFont = N;
    } else if (W == "fs" && N > 0) {
        St.HalfPoints = N;
        if (Doc.HalfPoints == 0)
            Doc.HalfPoints = N;
    }
}

ParsedDocument RTFReader::Read()
{
    while (P < S.size()) {
        const char C = S[P++];
        if (C == '{') {
            // Groups nested deeper than any document needs share the
            // state of the deepest kept one.
            if (Stack.size() < MaxDepth)
                Stack.push_back(Stack.back());
            else
                ++DeepGroups;
            continue;
        }
        if (C == '}') {
            if (DeepGroups > 0)
                --DeepGroups;
            else if (Stack.size() > 1)
                Stack.pop_back();
            continue;
        }
        if (C == '\r' || C == '\n')
            continue;
        if (C != '\\' || P >= S.size()) {
            Put(C);
            continue;
        }
        const char Next = S[P];
        if (Next == '\\' || Next == '{' || Next == '}') {
            Put(Next);
            ++P;
            continue;
        }
        if (Next == '*') {
            StarNext = true;
            ++P;
            continue;
        }
        if (Next == '\'') {
            const std::string Hex = S.substr(P + 1, 2);
            P += 1 + Hex.size();
            if (Hex.size() == 2 && std::isxdigit(static_cast<unsigned char>(Hex[0])) &&
                std::isxdigit(static_cast<unsigned char>(Hex[1])))
                Put(static_cast<char>(std::strtol(Hex.c_str(), nullptr, 16)));
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(Next))) {
            // A control symbol: "\~" a blank, others are dropped.
            ++P;
            if (Next == '~')
                Put(' ');
            continue;
        }
        std::string Word;
        while (P < S.size() && std::isalpha(static_cast<unsigned char>(S[P])) && Word.size() < 32)
            Word += S[P++];
        bool HasNumber = false;
        bool Negative = false;
        long Number = 0;
        if (P < S.size() && S[P] == '-') {
            Negative = true;
            ++P;
        }
        while (P < S.size() && std::isdigit(static_cast<unsigned char>(S[P]))) {
            HasNumber = true;
            Number = std::min(Number * 10 + (S[P++] - '0'), 100000000L);
        }
        if (P < S.size() && S[P] == ' ')
            ++P;
        ControlWord(Word, HasNumber, int(Negative ? -Number : Number));
    }
    // The document's closing \par leaves an empty last line that no one sees.
    if (Doc.Lines.size() > 1 && Doc.Lines.back().empty()) {
        Doc.Lines.pop_back();
        Doc.Runs.pop_back();
        Doc.Tabs.pop_back();
    }
    return Doc;
}

const std::vector<TCustomRichEdit::TextRun> NoRuns;
const std::vector<int> NoTabs;

}  // namespace

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner) : TCustomMemo(AOwner)
{
    SetWordWrap(false);
    SetReadOnly(true);
}

TCustomRichEdit::~TCustomRichEdit() = default;

const std::vector<TCustomRichEdit::TextRun>& TCustomRichEdit::LineRuns(int Line) const
{
    return Line >= 0 && size_t(Line) < FFormats.size() ? FFormats[size_t(Line)].Runs : NoRuns;
}

const std::vector<int>& TCustomRichEdit::LineTabs(int Line) const
{
    return Line >= 0 && size_t(Line) < FFormats.size() ? FFormats[size_t(Line)].Tabs : NoTabs;
}

void TCustomRichEdit::LoadRTF(const AnsiString& Document)
{
    ParsedDocument Doc = RTFReader(Document.Std()).Read();
    std::vector<LineFormat> Formats(Doc.Lines.size());
    AnsiString Text;
    for (size_t I = 0; I < Doc.Lines.size(); ++I) {
        if (I > 0)
            Text += "\r\n";
        Text += AnsiString(Doc.Lines[I]);
        Formats[I].Runs = std::move(Doc.Runs[I]);
        Formats[I].Tabs = std::move(Doc.Tabs[I]);
    }
    for (const auto& [Number, Name] : Doc.Fonts)
        if (Number == Doc.FirstFont && !Name.empty())
            Font()->SetName(Trim(AnsiString(Name)));
    if (Doc.HalfPoints > 0)
        Font()->SetSize(Doc.HalfPoints / 2);
    FLoading = true;
    struct Done {
        bool& Flag;
        ~Done() { Flag = false; }
    } Reset {FLoading};
    SetText(Text);
    FFormats = std::move(Formats);
    Invalidate();
}

void TCustomRichEdit::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    if (!FLoading)
        FFormats.clear();
}

void TCustomRichEdit::Dispatch(TMessage& Message)
{
    if (Message.Msg == EM_SETBKGNDCOLOR) {
        const TColor Old = Color();
        SetColor(Message.WParam ? clWindow : TColor(Message.LParam));
        Message.Result = LRESULT(ColorToRGB(Old));
        return;
    }
    if (Message.Msg != EM_STREAMIN) {
        inherited::Dispatch(Message);
        return;
    }
    Message.Result = 0;
    auto* Stream = reinterpret_cast<EDITSTREAM*>(Message.LParam);
    if (!Stream || !Stream->pfnCallback)
        return;
    std::string Bytes;
    Byte Buffer[4096];
    for (;;) {
        int Read = 0;
        const DWORD Error = Stream->pfnCallback(Stream->dwCookie, Buffer, int(sizeof(Buffer)), &Read);
        if (Error != 0) {
            Stream->dwError = Error;
            return;
        }
        if (Read <= 0)
            break;
        Bytes.append(reinterpret_cast<const char*>(Buffer), size_t(std::min(Read, int(sizeof(Buffer)))));
        if (Bytes.size() > MaxDocument) {
            Stream->dwError = DWORD(-1);
            return;
        }
    }
    if (Message.WParam & SF_RTF)
        LoadRTF(AnsiString(Bytes));
    else
        SetText(AnsiString(Bytes));
    Message.Result = LRESULT(Bytes.size());
}

void TCustomRichEdit::Paint(HDC DC)
{
    if (FFormats.empty()) {
        inherited::Paint(DC);
        return;
    }
    CanvasOnDC P(DC, Font());
    TCanvas& C = P.Canvas();
    C.Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    C.FillRect(ClientRect());
    const TRect R = TextRect();
    const int H = MeasureTextHeight(Font());
    C.Brush()->SetStyle(bsClear);
    for (int I = FTopLine; I < FLines->Count(); ++I) {
        const int Y = R.Top + (I - FTopLine) * H;
        if (Y >= R.Bottom)
            break;
        const AnsiString Line = FLines->Strings(I);
        const std::vector<TextRun>& Runs = LineRuns(I);
        const std::vector<int>& Tabs = LineTabs(I);
        const TRect LineRect {R.Left, Y, R.Right, Y + H};
        int X = 0;
        for (size_t K = 0; K < Runs.size(); ++K) {
            const int From = Runs[K].From;
            const int To = K + 1 < Runs.size() ? Runs[K + 1].From : Line.Length();
            C.Font()->Assign(Font());
            C.Font()->SetColor(Runs[K].Color);
            if (Runs[K].Bold)
                {
                    TFontStyles St = C.Font()->Style();
                    C.Font()->SetStyle(St.Include(fsBold));
                }
            // Each piece between tabs is drawn on its own; a tab moves to the
            // next stop of the paragraph, or of the default half inches.
            int Start = From;
            for (int J = From; J <= To; ++J) {
                if (J < To && Line[J + 1] != '\t')
                    continue;
                const AnsiString Piece = Line.SubString(Start + 1, J - Start);
                C.TextRect(LineRect, R.Left - FHorzPos + X, Y, Piece);
                X += C.TextWidth(Piece);
                if (J < To) {
                    const auto Stop = std::upper_bound(Tabs.begin(), Tabs.end(), X);
                    X = Stop != Tabs.end() ? *Stop : (X / DefaultTabWidth + 1) * DefaultTabWidth;
                }
                Start = J + 1;
            }
        }
    }
}
