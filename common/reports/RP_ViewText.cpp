// Text layout of an element: variables, inline tags, wrap units, measured
// pieces, lines, alignment and vertical text.

#include "common/reports/RP_View.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// The inline tags in the order they are tried. Those ending in "=" carry a
// value up to the next ">".
enum TagIndex {
    tgBold, tgBoldOff, tgItalic, tgItalicOff, tgUnder, tgUnderOff, tgBig, tgBigOff, tgSmall,
    tgSmallOff, tgColor, tgCenter, tgCenterOff, tgRight, tgRightOff, tgLeft, tgLeftOff, tgH0,
    tgH1, tgH2, tgH3, tgH4, tgH5, tgH6, tgSize, tgName, tgInterval, TagCount
};
constexpr std::string_view TagTexts[TagCount] = {
    "<B>", "</B>", "<I>", "</I>", "<U>", "</U>", "<BIG>", "</BIG>", "<SMALL>", "</SMALL>",
    "<COLOR=", "<CENTER>", "</CENTER>", "<RIGHT>", "</RIGHT>", "<LEFT>", "</LEFT>", "<H0>",
    "<H1>", "<H2>", "<H3>", "<H4>", "<H5>", "<H6>", "<SIZE=", "<NAME=", "<INTERVAL=",
};
// Faces of the heading tags <H1>..<H6>.
constexpr const char* HeadingFaces[6] = {
    "Arial", "Courier New", "Times New Roman", "Verdana", "Tahoma", "Arial Narrow",
};

// The marks of line breaks and wrap units.
constexpr std::string_view BreakTag = "<BR>";

char UpAscii(char C)
{
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}

// Text at 0-based Pos begins with Tag (upper case ASCII), case ignored.
bool HasAt(std::string_view Text, size_t Pos, std::string_view Tag)
{
    if (Pos > Text.size() || Text.size() - Pos < Tag.size())
        return false;
    for (size_t I = 0; I < Tag.size(); ++I)
        if (UpAscii(Text[Pos + I]) != Tag[I])
            return false;
    return true;
}

bool HasValue(int Tag)
{
    return TagTexts[Tag].back() == '=';
}

// Index of the tag Text has at 0-based Pos, or -1. A tag with a value needs
// its closing ">": without one it would be neither consumed nor passed.
int TagAt(std::string_view Text, size_t Pos)
{
    for (int I = 0; I < TagCount; ++I) {
        if (!HasAt(Text, Pos, TagTexts[I]))
            continue;
        if (HasValue(I) && Text.find('>', Pos + TagTexts[I].size()) == std::string_view::npos)
            continue;
        return I;
    }
    return -1;
}

// 0-based position of "<BR>" (any case) from From; npos when none.
size_t FindBreak(std::string_view Text, size_t From)
{
    for (size_t P = Text.find('<', From); P != std::string_view::npos; P = Text.find('<', P + 1))
        if (HasAt(Text, P, BreakTag))
            return P;
    return std::string_view::npos;
}

bool IsUnitDelimiter(char C)
{
    return C == ' ' || C == ';' || C == '<' || C == '>';
}

// The wrap units of one line: runs of delimiters and runs of other
// characters, with every "<" ... ">" that makes a tag kept in one unit.
std::vector<AnsiString> WrapUnits(const AnsiString& Line)
{
    const std::string_view S = Line.View();
    std::vector<std::string_view> Runs;
    for (size_t I = 0; I < S.size();) {
        const bool Delim = IsUnitDelimiter(S[I]);
        size_t J = I + 1;
        while (J < S.size() && IsUnitDelimiter(S[J]) == Delim)
            ++J;
        const std::string_view Run = S.substr(I, J - I);
        if (Delim && Run.size() > 1 && Run[0] == '>') {
            Runs.push_back(Run.substr(0, 1));
            Runs.push_back(Run.substr(1));
        } else {
            Runs.push_back(Run);
        }
        I = J;
    }
    std::vector<AnsiString> Units;
    Units.reserve(Runs.size());
    for (size_t K = 0; K < Runs.size(); ++K) {
        if (Runs[K].back() == '<') {
            size_t M = K + 1;
            while (M < Runs.size() && Runs[M][0] != '>')
                ++M;
            const size_t Last = std::min(M, Runs.size() - 1);
            // The runs are consecutive views of one line.
            const size_t From = static_cast<size_t>(Runs[K].data() - S.data());
            const size_t To = static_cast<size_t>(Runs[Last].data() - S.data()) + Runs[Last].size();
            const std::string_view Joined = S.substr(From, To - From);
            if (Last > K && TagAt(Joined, Runs[K].size() - 1) >= 0) {
                Units.emplace_back(Joined);
                K = Last;
                continue;
            }
        }
        Units.emplace_back(Runs[K]);
    }
    return Units;
}

int ScaledSize(Extended Size, Extended Scale)
{
    return std::max(4, static_cast<int>(Round(Size * Scale)));
}

// Hash and equality that let the width table be searched with a
// string_view, so a look-up makes no copy of the text.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view S) const { return std::hash<std::string_view>()(S); }
};
struct TextEqual {
    using is_transparent = void;
    bool operator()(std::string_view A, std::string_view B) const { return A == B; }
};

// The default device: the canvas's own DC. A tag sheet measures the same
// words in the same few fonts thousands of times, so widths and metrics are
// kept per font and text.
class CanvasTextDevice final : public ViewTextDevice {
public:
    TextPieceMetrics Measure(TCanvas* Canvas, const AnsiString& Text) override
    {
        FontEntry& Font = EntryOf(Canvas);
        TextPieceMetrics M = Font.Metrics;
        const std::string_view Key = Text.View();
        auto Width = Font.Widths.find(Key);
        if (Width == Font.Widths.end()) {
            // Bounded: a run of distinct texts starts the tables afresh.
            if (FWidthCount > MaxCachedWidths) {
                for (auto& E : FFonts)
                    E->Widths.clear();
                FWidthCount = 0;
            }
            Width = Font.Widths.emplace(std::string(Key), Canvas->TextExtent(Text).cx).first;
            ++FWidthCount;
        }
        M.Width = Width->second;
        return M;
    }
    void DrawText(TCanvas* Canvas, const TRect& Box, const AnsiString& Text) override
    {
        if (Text.Pos("\t") == 0) {
            // One line without tabs: drawn from the box's corner, clipped
            // only when it does not lie wholly inside (a clip per text
            // weighs on printers and PDF files).
            const TextPieceMetrics M = Measure(Canvas, Text);
            if (Box.Left + M.Width <= Box.Right && Box.Top + M.Height <= Box.Bottom)
                Canvas->TextOut(Box.Left, Box.Top, Text);
            else
                Canvas->TextRect(Box, Box.Left, Box.Top, Text);
            return;
        }
        TRect R = Box;
        AnsiString T = Text;
        Canvas->TextRect(R, T, TTextFormat{tfNoPrefix, tfExpandTabs});
    }
    void DrawTextAt(TCanvas* Canvas, int X, int Y, const TRect& Clip,
                    const AnsiString& Text) override
    {
        Canvas->TextRect(Clip, X, Y, Text);
    }

private:
    /// One font description as the canvas's font gives it, with its
    /// metrics and the widths of the texts measured in it.
    struct FontEntry {
        AnsiString Name;
        int Height = 0;
        uint64_t Style = 0;
        TFontCharset Charset = 0;
        TextPieceMetrics Metrics;
        std::unordered_map<std::string, int, TextHash, TextEqual> Widths;

        bool Describes(const TFont& F) const
        {
            return Height == F.Height() && Style == F.Style().Bits() && Charset == F.Charset()
                && Name == F.Name();
        }
    };

    // The canvas's font; a layout keeps one font for many pieces, so the
    // font met last is tried first.
    FontEntry& EntryOf(TCanvas* Canvas)
    {
        const TFont& F = *Canvas->Font();
        if (FLast && FLast->Describes(F))
            return *FLast;
        for (auto& E : FFonts)
            if (E->Describes(F)) {
                FLast = E.get();
                return *E;
            }
        if (FFonts.size() >= MaxCachedFonts) {
            FFonts.clear();
            FWidthCount = 0;
        }
        TEXTMETRIC TM;
        Canvas->TextExtent(AnsiString());  // selects the font
        GetTextMetrics(Canvas->Handle(), TM);
        auto E = std::make_unique<FontEntry>();
        E->Name = F.Name();
        E->Height = F.Height();
        E->Style = F.Style().Bits();
        E->Charset = F.Charset();
        E->Metrics = TextPieceMetrics{0, TM.tmHeight, TM.tmAscent, TM.tmInternalLeading,
                                      TM.tmExternalLeading};
        FLast = E.get();
        FFonts.push_back(std::move(E));
        return *FLast;
    }

    static constexpr size_t MaxCachedWidths = 100000;
    static constexpr size_t MaxCachedFonts = 256;
    std::vector<std::unique_ptr<FontEntry>> FFonts;
    FontEntry* FLast = nullptr;
    size_t FWidthCount = 0;
};

ViewTextDevice* gTextDevice = nullptr;

ViewTextDevice& TextDevice()
{
    static CanvasTextDevice Default;
    return gTextDevice ? *gTextDevice : Default;
}

}  // namespace

void InstallViewTextDevice(ViewTextDevice* Device)
{
    gTextDevice = Device;
}

ViewTextDevice* CurrentViewTextDevice()
{
    return &TextDevice();
}

int FindNextTag(const AnsiString& Text)
{
    const std::string_view S = Text.View();
    for (size_t P = S.find('<'); P != std::string_view::npos; P = S.find('<', P + 1))
        if (TagAt(S, P) >= 0)
            return static_cast<int>(P) + 1;
    return 0;
}

// ---- T_ExtentStr, T_ExtentStrList ------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_ExtentStr)

T_ExtentStr::~T_ExtentStr() = default;

PRICETAGS_DEFINE_CLASS(T_ExtentStrList)

T_ExtentStrList::~T_ExtentStrList() = default;

T_ExtentStr* T_ExtentStrList::Next()
{
    ++Cursor;
    return Cursor < Count() ? GetItem(Cursor) : nullptr;
}

T_ExtentStr* T_ExtentStrList::AddNew()
{
    auto* Item = new T_ExtentStr;
    AddObject(Item);
    return Item;
}

void T_ExtentStrList::TakeLines(int& Index, ExtentRecord& Rec, int MaxWidth) const
{
    ClearExtentRecord(Rec);
    if (Index < 0 || Index >= Count())
        return;
    const int FirstIndex = Index;
    const Integer Line = GetItem(Index)->LineNo;
    const auto Take = [&Rec](const T_ExtentStr& P) {
        Rec.Width += P.Width();
        if (P.Height() > Rec.Height) {
            Rec.Height = P.Height();
            Rec.Ascent = P.Ascent;
            Rec.IntLeading = P.IntLeading;
            Rec.ExtLeading = P.ExtLeading;
        }
    };
    while (Index < Count()) {
        const T_ExtentStr& P = *GetItem(Index);
        if (P.LineNo != Line)
            break;
        if (Rec.Width + P.Width() > MaxWidth) {
            if (WordWrap && Index != FirstIndex)
                break;
            Take(P);
            ++Index;
            break;
        }
        Take(P);
        ++Index;
    }
}

// ---- variables and tags ---------------------------------------------------------

TBandType TView::DrawBandType() const
{
    return Band ? Band->BandType : btNone;
}

bool TView::SubstituteVariables(AnsiString& Line)
{
    if (!Document || !Document->OutputMode || Line.Pos("[") == 0)
        return false;
    AnsiString S = TrimRight(Line);
    bool Replaced = false;
    int I = 1;
    while (I <= S.Length()) {
        if (S[I] != '[') {
            ++I;
            continue;
        }
        // The matching "]" counts inner brackets; without one the name runs
        // to the end of the line.
        int J = I + 1;
        int Depth = 0;
        for (; J <= S.Length(); ++J) {
            if (S[J] == '[')
                ++Depth;
            else if (S[J] == ']' && --Depth < 0)
                break;
        }
        const AnsiString Name = S.SubString(I + 1, J - I - 1);
        AnsiString Value = VarNotAnswered;
        Document->DoGetValue(DrawBandType(), Name, Value);
        if (Value == VarNotAnswered) {
            I = J + 1;
            continue;
        }
        S = S.SubString(1, I - 1) + Value + S.SubString(J + 1, S.Length());
        I += Value.Length();
        Replaced = true;
    }
    if (Replaced)
        Line = S;
    return Replaced;
}

void TView::ApplyTag(TFont* Font, AnsiString& Text)
{
    const Extended Scale = Document ? Document->Scale() : 1.0;
    for (int Tag = 0; Tag < TagCount; ++Tag) {
        const std::string_view S = Text.View();
        if (!HasAt(S, 0, TagTexts[Tag]))
            continue;
        AnsiString Value;
        size_t End = TagTexts[Tag].size();
        if (HasValue(Tag)) {
            const size_t Close = S.find('>', End);
            if (Close == std::string_view::npos)
                continue;
            Value = AnsiString(S.substr(End, Close - End));
            End = Close + 1;
        }
        Text = Text.SubString(static_cast<int>(End) + 1, Text.Length());
        TFontStyles Style = Font->Style();
        switch (static_cast<TagIndex>(Tag)) {
        case tgBold: Font->SetStyle(Style.Include(fsBold)); break;
        case tgBoldOff: Font->SetStyle(Style.Exclude(fsBold)); break;
        case tgItalic: Font->SetStyle(Style.Include(fsItalic)); break;
        case tgItalicOff: Font->SetStyle(Style.Exclude(fsItalic)); break;
        case tgUnder: Font->SetStyle(Style.Include(fsUnderline)); break;
        case tgUnderOff: Font->SetStyle(Style.Exclude(fsUnderline)); break;
        case tgBig:
        case tgSmall: {
            const Extended Base = static_cast<Extended>(Round(Font->Size() / Scale));
            const Extended Size = Tag == tgBig ? Base * 1000 / 800 : Base * 800 / 1000;
            Font->SetSize(ScaledSize(static_cast<Extended>(Round(Size)), Scale));
            break;
        }
        case tgBigOff:
        case tgSmallOff: Font->SetSize(ScaledSize(FontSize, Scale)); break;
        case tgColor: {
            TColor Color = 0;
            if (TagColors && IdentToColor("cl" + Value, Color))
                Font->SetColor(Color);
            break;
        }
        case tgCenter: LineAlign = 3; break;
        case tgRight: LineAlign = 2; break;
        case tgLeft: LineAlign = 1; break;
        case tgCenterOff:
        case tgRightOff:
        case tgLeftOff: LineAlign = 0; break;
        case tgH0: Font->SetName(FontName); break;
        case tgH1:
        case tgH2:
        case tgH3:
        case tgH4:
        case tgH5:
        case tgH6: Font->SetName(HeadingFaces[Tag - tgH1]); break;
        case tgSize: {
            Integer N = 0;
            if (!TryStrToInt(Trim(Value), N))
                N = FontSize;
            Font->SetSize(ScaledSize(N, Scale));
            break;
        }
        case tgName: Font->SetName(Value); break;
        case tgInterval: {
            const AnsiString V = AnsiUpperCase(Value);
            Integer N = 0;
            if (V.SubString(1, 3) == "MIN") {
                IntervalInternal = 1;
                IntervalExternal = 0;
            } else if (TryStrToInt(Trim(V), N) && N != -11) {
                IntervalInternal = (N + 1) / 2;
                IntervalExternal = N - IntervalInternal;
            } else {
                // "NORM" and anything else: the font's own spacing.
                IntervalInternal = IntervalExternal = -11;
            }
            break;
        }
        case TagCount: break;
        }
    }
}

// ---- horizontal text ------------------------------------------------------------

void TView::MeasureUnits(TCanvas* Canvas)
{
    ViewTextDevice& Device = TextDevice();
    // Lines after the breaks: every "<BR>" starts a new one.
    std::vector<AnsiString> Source;
    for (int L = 0; L < Memo->Count(); ++L) {
        const AnsiString Line = Memo->Strings(L);
        const std::string_view S = Line.View();
        size_t From = 0;
        for (size_t P = FindBreak(S, 0); P != std::string_view::npos; P = FindBreak(S, From)) {
            Source.emplace_back(S.substr(From, P - From));
            From = P + BreakTag.size();
        }
        Source.emplace_back(S.substr(From));
    }
    for (size_t L = 0; L < Source.size(); ++L) {
        for (const AnsiString& Unit : WrapUnits(Source[L])) {
            T_ExtentStr& P = *Extents->AddNew();
            P.LineNo = static_cast<Integer>(L);
            P.Text = Unit;
            AnsiString Rest = Unit;
            int Width = 0;
            while (!Rest.IsEmpty()) {
                const int At = FindNextTag(Rest);
                const AnsiString Stretch = At == 0 ? Rest : Rest.SubString(1, At - 1);
                if (!Stretch.IsEmpty()) {
                    const TextPieceMetrics M = Device.Measure(Canvas, Stretch);
                    Width += M.Width;
                    if (M.Height > P.Bottom) {
                        P.Bottom = M.Height;
                        P.Ascent = M.Ascent;
                        P.IntLeading = M.IntLeading;
                        P.ExtLeading = M.ExtLeading;
                    }
                }
                if (At == 0)
                    break;
                P.HasTags = true;
                Rest = Rest.SubString(At, Rest.Length());
                const int Before = Rest.Length();
                ApplyTag(Canvas->Font(), Rest);
                assert(Rest.Length() < Before && "a tag found is a tag applied");
                (void)Before;
            }
            P.Right = Width;
        }
    }
}

void TView::DrawPiece(TCanvas* Canvas, const T_ExtentStr& P, int X, int Top, const TRect& R,
                      bool Paint)
{
    ViewTextDevice& Device = TextDevice();
    if (!P.HasTags) {
        // Blanks between words show nothing unless they are underlined.
        const bool Blank = P.Text.View().find_first_not_of(' ') == std::string_view::npos;
        if (Paint && (!Blank || Canvas->Font()->Style().Contains(fsUnderline)))
            Device.DrawText(Canvas, Rect(X, Top, R.Right, R.Bottom), P.Text);
        return;
    }
    AnsiString Rest = P.Text;
    while (!Rest.IsEmpty()) {
        const int At = FindNextTag(Rest);
        const AnsiString Stretch = At == 0 ? Rest : Rest.SubString(1, At - 1);
        if (!Stretch.IsEmpty()) {
            if (Paint)
                Device.DrawText(Canvas, Rect(X, Top, R.Right, R.Bottom), Stretch);
            X += Device.Measure(Canvas, Stretch).Width;
        }
        if (At == 0)
            break;
        Rest = Rest.SubString(At, Rest.Length());
        ApplyTag(Canvas->Font(), Rest);
    }
}

void TView::Draw3d(TCanvas* Canvas, const T_ExtentStr& P, int X, int Top, const TRect& R)
{
    const int D = static_cast<int>(Round(ShadowLen * (Document ? Document->Scale() : 1.0)));
    struct Shift {
        int DX;
        int DY;
        TColor Color;
    };
    constexpr TColor White = 0xFFFFFF;
    std::vector<Shift> Shifts;
    switch (Type3d) {
    case 1:
        Shifts = {{-D, D, White}, {-D, 0, White}, {0, -D, White}, {-D, -D, White},
                  {D, -D, White}, {D, 0, ShadowColor}, {0, D, ShadowColor}, {D, D, ShadowColor}};
        break;
    case 2: Shifts = {{D, D, White}, {-D, -D, ShadowColor}}; break;
    case 4:
        for (int I = -D; I <= D; ++I)
            for (int J = -D; J <= D; ++J)
                if (I == -D || I == D || J == -D || J == D)
                    Shifts.push_back({I, J, ShadowColor});
        break;
    default: Shifts = {{D, D, ShadowColor}}; break;
    }
    // The effect applies the piece's tags too; each repeat starts from the
    // state the piece itself will start from.
    TFont Saved;
    Saved.Assign(Canvas->Font());
    const Byte SavedAlign = LineAlign;
    const Integer SavedInt = IntervalInternal;
    const Integer SavedExt = IntervalExternal;
    TagColors = false;
    for (const Shift& S : Shifts) {
        Canvas->Font()->Assign(&Saved);
        Canvas->Font()->SetColor(S.Color);
        DrawPiece(Canvas, P, X + S.DX, Top + S.DY, R, /*Paint=*/true);
    }
    Canvas->Font()->Assign(&Saved);
    LineAlign = SavedAlign;
    IntervalInternal = SavedInt;
    IntervalExternal = SavedExt;
    TagColors = true;
}

void TView::DrawHorizontalText(TCanvas* Canvas, int Mode, TRect R, int& T, int* Widest)
{
    Extents->Clear();
    Extents->WordWrap = WordWrap();
    IntervalInternal = IntervalExternal = -11;
    // Alignment tags of one element's text never reach the next element.
    LineAlign = 0;
    T = 0;
    if (Widest)
        *Widest = 0;
    TFont SavedFont;
    SavedFont.Assign(Canvas->Font());

    // A value with line breaks in it makes lines of its own.
    bool Breaks = false;
    for (int L = 0; L < Memo->Count() && !FMemoSubstituted; ++L) {
        AnsiString Line = Memo->Strings(L);
        if (SubstituteVariables(Line))
            Memo->SetStrings(L, Line);
        Breaks = Breaks || Line.View().find_first_of("\r\n") != std::string_view::npos;
    }
    FMemoSubstituted = true;
    if (Breaks)
        Memo->SetText(Memo->Text());

    MeasureUnits(Canvas);

    Canvas->Font()->Assign(&SavedFont);
    IntervalInternal = IntervalExternal = -11;
    R.Right += 1;
    const int W = R.Right - R.Left;
    const bool Paint = Mode != dmMeasure;

    int Y = FDrawRect.Top + (FrameWidth / 2) / 2;
    int X = R.Left;
    int Used = 0;
    int LineHeight = 0;
    Integer CurLine = -1;
    bool FirstLine = true;
    ExtentRecord M;
    for (int I = 0; I < Extents->Count(); ++I) {
        const T_ExtentStr& P = *Extents->GetItem(I);
        if (P.LineNo != CurLine || (Extents->WordWrap && Used + P.Width() > W)) {
            if (!FirstLine)
                Y += LineHeight;
            FirstLine = false;
            int Index = I;
            Extents->TakeLines(Index, M, W);
            LineHeight = M.Height;
            if (IntervalExternal > -11)
                LineHeight = LineHeight - M.ExtLeading + IntervalExternal;
            if (IntervalInternal > -11)
                LineHeight = LineHeight - M.IntLeading + IntervalInternal;
            T += LineHeight;
            if (Widest)
                *Widest = std::max(*Widest, M.Width);
            int Align = HorzAlign();  // 0 left, 1 right, 2 centre
            if (LineAlign == 1)
                Align = 0;
            else if (LineAlign == 2)
                Align = 1;
            else if (LineAlign == 3)
                Align = 2;
            if (Align == 0 || M.Width >= W)
                X = R.Left;
            else if (Align == 1)
                X = R.Right - M.Width;
            else
                X = R.Left + (W - M.Width) / 2;
            CurLine = P.LineNo;
            Used = 0;
        }
        int Top = Y - M.IntLeading;
        if (IntervalInternal > -11)
            Top += IntervalInternal;
        if (M.Ascent != P.Ascent && !P.Text.IsEmpty() && P.Height() > 0)
            Top += M.Ascent - P.Ascent;
        if (Show3d && Paint)
            Draw3d(Canvas, P, X, Top, R);
        DrawPiece(Canvas, P, X, Top, R, Paint);
        X += P.Width();
        Used += P.Width();
    }
    Canvas->Font()->Assign(&SavedFont);
}

// ---- vertical text ----------------------------------------------------------------

void TView::DrawVerticalText(TCanvas* Canvas, int Mode, const TRect& R, int& T)
{
    ViewTextDevice& Device = TextDevice();
    TFont SavedFont;
    SavedFont.Assign(Canvas->Font());
    Canvas->Font()->SetOrientation(900);

    const TRect& E = FDrawRect;
    const int Height = E.Bottom - E.Top;
    int X = E.Left + FrameWidth / 2;
    const int Q = (FrameWidth / 2) / 2;
    const int Room = Height - 2 * Q;
    int Total = 0;

    const auto Column = [&](const AnsiString& Text) {
        const TextPieceMetrics Mx = Device.Measure(Canvas, Text);
        if (Mode != dmMeasure) {
            int Y = 0;
            switch (HorzAlign()) {
            case 1: Y = E.Top + Q + Mx.Width; break;
            case 2: Y = E.Top + Height - 1 - Q - (Room - Mx.Width) / 2; break;
            default: Y = E.Top + Height - Q; break;
            }
            Device.DrawTextAt(Canvas, X, Y, R, Text);
        }
        X += Mx.Height;
        Total += Mx.Height;
    };
    const auto IsBlank = [](char C) { return C == ' ' || C == '\t'; };

    for (int L = 0; L < Memo->Count(); ++L) {
        AnsiString Line = Memo->Strings(L);
        if (!FMemoSubstituted && SubstituteVariables(Line))
            Memo->SetStrings(L, Line);
        if (!WordWrap() || Line.Length() < 2) {
            Column(Line);
            continue;
        }
        int Start = 1;
        int LastBlank = 0;
        for (int I = Start; I <= Line.Length();) {
            if (!SC && X > R.Right)
                break;
            if (IsBlank(Line[I]))
                LastBlank = I;
            if (Device.Measure(Canvas, Line.SubString(Start, I - Start + 1)).Width < Room) {
                ++I;
                continue;
            }
            int Cut = LastBlank;
            if (Cut == 0) {
                Cut = I;
                while (Cut < Line.Length() && !IsBlank(Line[Cut]))
                    ++Cut;
            }
            Column(Trim(Line.SubString(Start, Cut - Start + 1)));
            Start = Cut + 1;
            LastBlank = 0;
            I = Start;
        }
        if (Start <= Line.Length())
            Column(Trim(Line.SubString(Start, Line.Length())));
    }
    FMemoSubstituted = true;
    T = Total + 2 * (FrameWidth / 2);
    Canvas->Font()->Assign(&SavedFont);
}
