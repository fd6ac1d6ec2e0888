// The string tree: texts on demand, their measuring, painting, shortening,
// hints, search and captions in tree streams; the draw tree's dispatch.

#include "common/vtree/VTree.h"

#include "common/vtree/VTreePrivate.h"

#include "platform/winapi/Windows.h"

#include <cassert>
#include <cstring>

namespace {

constexpr char16_t Ellipsis[] = u"...";

UINT AlignmentFlag(TAlignment Align)
{
    switch (Align) {
    case taLeftJustify: return DT_LEFT;
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    }
    return DT_LEFT;
}

int TextExtent(HDC DC, const char16_t* Text, size_t Count)
{
    TSize Size{0, 0};
    GetTextExtentPoint32W(DC, Text, static_cast<int>(Count), Size);
    return Size.cx;
}

/// What changes a text's width: a handler that changed any of these in
/// OnPaintText makes the cached width useless for this cell.
struct FontShape {
    AnsiString Name;
    int Height = 0;
    TFontStyles Style;
    TFontCharset Charset = 0;
    TFontPitch Pitch = fpDefault;

    explicit FontShape(const TFont& F)
        : Name(F.Name()), Height(F.Height()), Style(F.Style()), Charset(F.Charset()),
          Pitch(F.Pitch())
    {
    }
    bool operator==(const FontShape& O) const
    {
        return Name == O.Name && Height == O.Height && Style == O.Style &&
               Charset == O.Charset && Pitch == O.Pitch;
    }
};

}  // namespace

std::u16string ShortenString(HDC DC, const std::u16string& S, int Width, int EllipsisWidth)
{
    const int Len = static_cast<int>(S.size());
    if (Len == 0 || Width <= 0)
        return std::u16string();
    if (EllipsisWidth == 0)
        EllipsisWidth = TextExtent(DC, Ellipsis, 3);
    if (TextExtent(DC, S.data(), S.size()) <= Width)
        return S;
    Width -= EllipsisWidth;
    if (Width <= 0)
        return std::u16string();
    // The longest prefix that fits beside the ellipsis.
    int L = 0;
    int H = Len - 1;
    while (L < H) {
        const int N = (L + H + 1) / 2;
        if (TextExtent(DC, S.data(), static_cast<size_t>(N)) <= Width)
            L = N;
        else
            H = N - 1;
    }
    return S.substr(0, static_cast<size_t>(L)) + Ellipsis;
}

// ---- options --------------------------------------------------------------------------------


void TCustomStringTreeOptions::SetStringOptions(TVTStringOptions Value)
{
    if (FStringOptions == Value)
        return;
    const bool StaticChanged =
        FStringOptions.Contains(toShowStaticText) != Value.Contains(toShowStaticText);
    FStringOptions = Value;
    TBaseVirtualTree* Tree = Owner();
    if (StaticChanged && Tree && !Tree->ComponentState().Contains(csLoading) &&
        Tree->HandleAllocated())
        Tree->Invalidate();
}

void TCustomStringTreeOptions::Assign(TPersistent* Source)
{
    if (auto* Other = dynamic_cast<TCustomStringTreeOptions*>(Source))
        SetStringOptions(Other->StringOptions());
    inherited::Assign(Source);
}

// ---- the string tree ------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomVirtualStringTree)
PRICETAGS_DEFINE_CLASS(TCustomVirtualDrawTree)

TCustomVirtualStringTree::TCustomVirtualStringTree(TComponent* AOwner) : TBaseVirtualTree(AOwner)
{
    ReplaceOptions(std::make_unique<TCustomStringTreeOptions>(this));
    FInternalDataOffset = ReserveInternalData(sizeof(Cardinal));
    MeasureFontMetrics();
}

TCustomVirtualStringTree::~TCustomVirtualStringTree()
{
    if (auto* Link = dynamic_cast<TStringEditLink*>(EditLink()))
        Link->CancelEdit();
}

TCustomStringTreeOptions* TCustomVirtualStringTree::StringTreeOptions() const
{
    return static_cast<TCustomStringTreeOptions*>(TreeOptions());
}

Cardinal& TCustomVirtualStringTree::CachedWidth(PVirtualNode Node) const
{
    return *reinterpret_cast<Cardinal*>(reinterpret_cast<char*>(Node) + FInternalDataOffset);
}

void TCustomVirtualStringTree::MeasureFontMetrics()
{
    HDC DC = CreateCompatibleDC(nullptr);
    SelectObject(DC, Font()->Handle());
    TEXTMETRIC Metrics{};
    GetTextMetrics(DC, Metrics);
    FTextHeight = Metrics.tmHeight;
    FEllipsisWidth = TextExtent(DC, Ellipsis, 3);
    DeleteDC(DC);
}

void TCustomVirtualStringTree::CMFontChanged(TMessageRecord& Message)
{
    inherited::CMFontChanged(Message);
    MeasureFontMetrics();
    ResetAllNodeWidths();
}

void TCustomVirtualStringTree::ResetAllNodeWidths()
{
    for (PVirtualNode Run = FirstNodeRaw(); Run; Run = NextNodeRaw(Run))
        CachedWidth(Run) = 0;
}

void TCustomVirtualStringTree::SetDefaultText(const std::u16string& Value)
{
    if (FDefaultText == Value)
        return;
    FDefaultText = Value;
    if (!ComponentState().Contains(csLoading)) {
        ResetAllNodeWidths();
        InvalidateTree();
    }
}

std::u16string TCustomVirtualStringTree::Text(PVirtualNode Node, TColumnIndex Column)
{
    assert(Node && "Node must not be nil.");
    if (Node != RootNode() && !Node->Has(vsInitialized))
        InitializeNode(Node);
    std::u16string Result = FDefaultText;
    DoGetText(Node, Column, ttNormal, Result);
    return Result;
}

void TCustomVirtualStringTree::SetText(PVirtualNode Node, TColumnIndex Column,
                                       const std::u16string& Text)
{
    DoNewText(Node, Column, Text);
    InvalidateNode(Node);
}

void TCustomVirtualStringTree::DoGetText(PVirtualNode Node, TColumnIndex Column,
                                         TVSTTextType TextType, std::u16string& Text)
{
    OnGetText(this, Node, Column, TextType, Text);
}

void TCustomVirtualStringTree::DoNewText(PVirtualNode Node, TColumnIndex Column,
                                         const std::u16string& Text)
{
    OnNewText(this, Node, Column, Text);
    if (UpdateCount() == 0) {
        if (Node && Node != RootNode())
            CachedWidth(Node) = 0;
        UpdateHorizontalScrollBar(true);
    }
}

void TCustomVirtualStringTree::DoPaintText(PVirtualNode Node, TCanvas* Canvas,
                                           TColumnIndex Column, TVSTTextType TextType)
{
    OnPaintText(this, Canvas, Node, Column, TextType);
}

int TCustomVirtualStringTree::DoTextMeasuring(TCanvas* Canvas, PVirtualNode, TColumnIndex,
                                              const std::u16string& Text)
{
    return TextExtent(Canvas->Handle(), Text.data(), Text.size());
}

int TCustomVirtualStringTree::MeasureCellText(TCanvas* Canvas, PVirtualNode Node,
                                              TColumnIndex Column, const std::u16string& Text)
{
    if (Text.empty())
        return 0;
    Canvas->Font()->Assign(Font());
    DoPaintText(Node, Canvas, Column, ttNormal);
    return DoTextMeasuring(Canvas, Node, Column, Text);
}

int TCustomVirtualStringTree::GetNodeWidth(PVirtualNode Node, TColumnIndex Column,
                                           TCanvas* Canvas)
{
    if (!Node || Node == RootNode())
        return 0;
    if (Header()->Columns()->IsValidColumn(Column) && Node->Has(vsMultiline))
        return Header()->Columns()->GetItem(Column)->Width() - 2 * TextMargin();
    if (!Canvas)
        Canvas = this->Canvas();
    const bool IsMain = !Header()->UseColumns() || Column == Header()->MainColumn();
    if (!IsMain)
        return MeasureCellText(Canvas, Node, Column, Text(Node, Column));
    // The cache keeps the width plus one, so that 0 means "not measured"
    // even for an empty text.
    Cardinal& Cached = CachedWidth(Node);
    if (Cached == 0)
        Cached = static_cast<Cardinal>(MeasureCellText(Canvas, Node, Column, Text(Node, Column))) + 1;
    return static_cast<int>(Cached) - 1;
}

TRect TCustomVirtualStringTree::InvalidateNode(PVirtualNode Node)
{
    if (Node && Node != RootNode()) {
        CachedWidth(Node) = 0;
        Node->Exclude(vsHeightMeasured);
    }
    return inherited::InvalidateNode(Node);
}

void TCustomVirtualStringTree::InitializeNode(PVirtualNode Node)
{
    if (Node && Node != RootNode())
        CachedWidth(Node) = 0;
    inherited::InitializeNode(Node);
}

bool TCustomVirtualStringTree::CellIsEmpty(PVirtualNode Node, TColumnIndex Column)
{
    return Text(Node, Column).empty() && inherited::CellIsEmpty(Node, Column);
}

std::u16string TCustomVirtualStringTree::DoGetNodeHint(PVirtualNode Node, TColumnIndex Column,
                                                       TVTTooltipLineBreakStyle& LineBreakStyle)
{
    inherited::DoGetNodeHint(Node, Column, LineBreakStyle);
    if (!OnGetHint)
        return Text(Node, Column);
    std::u16string Result;
    OnGetHint(this, Node, Column, ttNormal, Result);
    return Result;
}

int TCustomVirtualStringTree::DoIncrementalSearch(PVirtualNode Node, const std::u16string& Text)
{
    if (OnIncrementalSearch)
        return inherited::DoIncrementalSearch(Node, Text);
    const std::u16string CellText = this->Text(Node, FocusedColumn());
    return CellText.compare(0, Text.size(), Text) == 0 ? 0 : 1;
}

std::u16string TCustomVirtualStringTree::DoShortenString(TCanvas* Canvas, PVirtualNode Node,
                                                         TColumnIndex Column,
                                                         const std::u16string& S, int Width,
                                                         bool RightToLeft, int EllipsisWidth)
{
    std::u16string Result;
    bool Done = false;
    OnShortenString(this, Canvas, Node, Column, S, Width, RightToLeft, Result, Done);
    if (Done)
        return Result;
    return ShortenString(Canvas->Handle(), S, Width, EllipsisWidth);
}

int TCustomVirtualStringTree::ComputeNodeHeight(TCanvas* Canvas, PVirtualNode Node,
                                                TColumnIndex Column, const std::u16string& S)
{
    const std::u16string Text = S.empty() ? this->Text(Node, Column) : S;
    if (!Canvas)
        Canvas = this->Canvas();
    Canvas->Font()->Assign(Font());
    int Width = ClientWidth();
    if (Header()->Columns()->IsValidColumn(Column))
        Width = Header()->Columns()->GetItem(Column)->Width();
    TRect R{0, 0, Width - 2 * TextMargin(), 0};
    bool RightToLeft = false;
    DisplayAlignment(Column, RightToLeft);
    UINT Format = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX;
    if (RightToLeft)
        Format |= DT_RTLREADING | DT_RIGHT;
    DrawTextW(Canvas->Handle(), Text.data(), static_cast<int>(Text.size()), R, Format);
    return R.Height();
}

void TCustomVirtualStringTree::CellTextInfo(PVirtualNode Node, TColumnIndex Column, TFont* Font,
                                            TRect& R, std::u16string& Text)
{
    R = TRect();
    Text.clear();
    if (!Node)
        return;
    TCanvas* C = Canvas();
    C->Font()->Assign(this->Font());
    const FontShape Before(*C->Font());
    DoPaintText(Node, C, Column, ttNormal);
    int Height = FTextHeight;
    if (!(FontShape(*C->Font()) == Before)) {
        TEXTMETRIC Metrics{};
        GetTextMetrics(C->Handle(), Metrics);
        Height = Metrics.tmHeight;
    }
    if (Font)
        Font->Assign(C->Font());
    Text = this->Text(Node, Column);
    R = NodeDisplayRect(Node, Column, true, true);
    if (TreeOptions()->PaintOptions().Contains(toShowHorzGridLines))
        --R.Bottom;
    // Centred vertically on one line of text.
    R.Top += (R.Height() - Height) / 2;
    R.Bottom = R.Top + Height;
}

// ---- painting -------------------------------------------------------------------------------

void TCustomVirtualStringTree::InitializeTextProperties(TVTPaintInfo& PaintInfo)
{
    TFont* F = PaintInfo.Canvas->Font();
    F->Assign(Font());
    const TVTPaintOptions Paint = TreeOptions()->PaintOptions();
    if (Paint.Contains(toHotTrack) && PaintInfo.Node == HotNode()) {
        F->SetStyle(F->Style() + TFontStyles{fsUnderline});
        F->SetColor(Colors()->Get(TVTColors::HotColor));
    }
    const bool FullRow = TreeOptions()->SelectionOptions().Contains(toFullRowSelect);
    const bool ThisCell = PaintInfo.Column == FocusedColumn() || FullRow ||
                          !Header()->UseColumns();
    if (!PaintInfo.PaintOptions.Contains(poDrawSelection) || !ThisCell)
        return;
    if (PaintInfo.Node == DropTargetNode()) {
        if (Selected(PaintInfo.Node))
            F->SetColor(clHighlightText);
    } else if (Selected(PaintInfo.Node) && (Focused() || Paint.Contains(toPopupMode))) {
        F->SetColor(clHighlightText);
    }
}

void TCustomVirtualStringTree::RenderText(const TVTPaintInfo& PaintInfo,
                                          const std::u16string& Text, TRect& CellRect,
                                          UINT DrawFormat)
{
    HDC DC = PaintInfo.Canvas->Handle();
    SetBkMode(DC, TRANSPARENT);
    DrawTextW(DC, Text.data(), static_cast<int>(Text.size()), CellRect, DrawFormat);
}

void TCustomVirtualStringTree::PaintNormalText(TVTPaintInfo& PaintInfo, int TextOutFlags,
                                               std::u16string Text)
{
    TCanvas* C = PaintInfo.Canvas;
    PVirtualNode Node = PaintInfo.Node;
    bool RightToLeft = false;
    const TAlignment Align = DisplayAlignment(PaintInfo.Column, RightToLeft);
    const bool Disabled = Node->Has(vsDisabled) || !Enabled() || NodeShownAsCut(Node);
    TRect R = PaintInfo.ContentRect;
    InflateRect(R, -TextMargin(), 0);
    UINT Format = static_cast<UINT>(TextOutFlags);
    if (Node->Has(vsMultiline)) {
        DoPaintText(Node, C, PaintInfo.Column, ttNormal);
        if (Disabled)
            C->Font()->SetColor(Colors()->Get(TVTColors::DisabledColor));
        Format |= AlignmentFlag(Align) | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL |
                  DT_END_ELLIPSIS;
    } else {
        const FontShape Before(*C->Font());
        DoPaintText(Node, C, PaintInfo.Column, ttNormal);
        int Ellipsis = FEllipsisWidth;
        if (!(FontShape(*C->Font()) == Before)) {
            // The handler's font gives the text another width: measure it in
            // that font, and the ellipsis too.
            PaintInfo.NodeWidth = TextExtent(C->Handle(), Text.data(), Text.size());
            Ellipsis = 0;
        }
        if (Disabled)
            C->Font()->SetColor(Colors()->Get(TVTColors::DisabledColor));
        Format |= DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        if (PaintInfo.Column > NoColumn && R.Width() < PaintInfo.NodeWidth) {
            Text = DoShortenString(C, Node, PaintInfo.Column, Text, R.Width(), RightToLeft,
                                   Ellipsis);
            if (Align == taRightJustify)
                Format |= DT_RIGHT;
        } else {
            Format |= AlignmentFlag(Align);
        }
    }
    if (RightToLeft)
        Format |= DT_RTLREADING;
    RenderText(PaintInfo, Text, R, Format);
}

void TCustomVirtualStringTree::PaintStaticText(const TVTPaintInfo& PaintInfo, int TextOutFlags,
                                               const std::u16string& Text)
{
    TCanvas* C = PaintInfo.Canvas;
    PVirtualNode Node = PaintInfo.Node;
    bool RightToLeft = false;
    const TAlignment Align = DisplayAlignment(PaintInfo.Column, RightToLeft);
    TVTPaintInfo Info = PaintInfo;
    InitializeTextProperties(Info);
    DoPaintText(Node, C, PaintInfo.Column, ttStatic);
    if (Node->Has(vsDisabled) || !Enabled() || NodeShownAsCut(Node))
        C->Font()->SetColor(Colors()->Get(TVTColors::DisabledColor));
    const int NodeWidth = PaintInfo.NodeWidth < 0 ? 0 : PaintInfo.NodeWidth;
    TRect R = PaintInfo.ContentRect;
    if (Align == taRightJustify)
        R.Right -= NodeWidth + 2 * TextMargin();
    else
        R.Left += NodeWidth + 2 * TextMargin();
    UINT Format = static_cast<UINT>(TextOutFlags) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                  AlignmentFlag(Align == taRightJustify ? taRightJustify : taLeftJustify);
    if (RightToLeft)
        Format |= DT_RTLREADING;
    RenderText(PaintInfo, Text, R, Format);
}

void TCustomVirtualStringTree::DoPaintNode(TVTPaintInfo& PaintInfo)
{
    PVirtualNode Node = PaintInfo.Node;
    // Auto-spanning: a left-to-right cell takes the room of the empty cells
    // after it.
    if (TreeOptions()->AutoOptions().Contains(toAutoSpanColumns) && Header()->UseColumns() &&
        PaintInfo.Column > NoColumn) {
        TVirtualTreeColumns* Columns = Header()->Columns();
        bool RightToLeft = false;
        DisplayAlignment(PaintInfo.Column, RightToLeft);
        if (!RightToLeft) {
            for (TColumnIndex Next = Header()->NextVisibleColumn(PaintInfo.Column);
                 Next > NoColumn && Columns->GetItem(Next)->BiDiMode() == bdLeftToRight &&
                 CellIsEmpty(Node, Next);
                 Next = Header()->NextVisibleColumn(Next)) {
                const int W = Columns->GetItem(Next)->Width();
                PaintInfo.CellRect.Right += W;
                PaintInfo.ContentRect.Right += W;
            }
        }
    }
    // Measured before the font is set up: measuring sets the canvas font.
    if (PaintInfo.NodeWidth < 0)
        PaintInfo.NodeWidth = GetNodeWidth(Node, PaintInfo.Column, PaintInfo.Canvas);
    InitializeTextProperties(PaintInfo);
    const std::u16string Normal = Text(Node, PaintInfo.Column);
    if (!Normal.empty())
        PaintNormalText(PaintInfo, 0, Normal);
    if (Alignment() == taCenter || Node->Has(vsMultiline) ||
        !StringOptions().Contains(toShowStaticText))
        return;
    std::u16string Static;
    DoGetText(Node, PaintInfo.Column, ttStatic, Static);
    if (Static.empty())
        return;
    PaintStaticText(PaintInfo, 0, Static);
}

// ---- streams --------------------------------------------------------------------------------

bool TCustomVirtualStringTree::ReadSubChunk(TStream* Stream, Cardinal Version, PVirtualNode Node,
                                            int ChunkType, int ChunkSize)
{
    if (ChunkType != 3)
        return inherited::ReadSubChunk(Stream, Version, Node, ChunkType, ChunkSize);
    SetText(Node, Header()->MainColumn(), ReadCaptionChunk(Stream, ChunkSize));
    return true;
}

void TCustomVirtualStringTree::WriteSubChunks(TStream* Stream, PVirtualNode Node)
{
    inherited::WriteSubChunks(Stream, Node);
    if (!StringOptions().Contains(toSaveCaptions) || Node == RootNode() ||
        !Node->Has(vsInitialized))
        return;
    const std::u16string S = Text(Node, Header()->MainColumn());
    if (S.empty())
        return;
    std::string Bytes(8 + S.size() * 2, '\0');
    const uint32_t Type = 3;
    const int32_t Size = static_cast<int32_t>(S.size() * 2);
    for (int I = 0; I < 4; ++I) {
        Bytes[I] = static_cast<char>(Type >> (8 * I));
        Bytes[4 + I] = static_cast<char>(static_cast<uint32_t>(Size) >> (8 * I));
    }
    for (size_t I = 0; I < S.size(); ++I) {
        Bytes[8 + 2 * I] = static_cast<char>(S[I] & 0xFF);
        Bytes[9 + 2 * I] = static_cast<char>(S[I] >> 8);
    }
    Stream->WriteBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
}

IVTEditLinkPtr TCustomVirtualStringTree::DoCreateEditor(PVirtualNode Node, TColumnIndex Column)
{
    IVTEditLinkPtr Result;
    OnCreateEditor(this, Node, Column, Result);
    if (!Result)
        Result = std::make_shared<TStringEditLink>();
    return Result;
}

// ---- the published string tree and the draw tree --------------------------------------------

TVirtualStringTree::TVirtualStringTree(TComponent* AOwner) : TCustomVirtualStringTree(AOwner)
{
    ReplaceOptions(std::make_unique<TStringTreeOptions>(this));
}

TStringTreeOptions* TVirtualStringTree::TreeOptions() const
{
    return static_cast<TStringTreeOptions*>(TCustomVirtualStringTree::TreeOptions());
}

void TCustomVirtualDrawTree::DoPaintNode(TVTPaintInfo& PaintInfo)
{
    OnDrawNode(this, PaintInfo);
}

int TCustomVirtualDrawTree::GetNodeWidth(PVirtualNode Node, TColumnIndex Column, TCanvas* Canvas)
{
    int Result = 2 * TextMargin();
    OnGetNodeWidth(this, Canvas ? Canvas : this->Canvas(), Node, Column, Result);
    // The base tree's callers add the text margins themselves.
    return Result - 2 * TextMargin();
}
