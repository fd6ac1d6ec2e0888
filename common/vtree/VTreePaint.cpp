// The tree's window: colours and scroll bar options, the frame with the
// header above the client area, painting row by row, and scrolling.

#include "common/vtree/VTree.h"
#include "common/vtree/VTreePrivate.h"

#include "platform/forms/Forms.h"
#include "platform/forms/HintPlacement.h"
#include "platform/winapi/LayeredWindows.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <string_view>
#include <cassert>
#include <cmath>

namespace {

constexpr TColor DefaultColors[TVTColors::Count] = {
    clBtnShadow, clHighlight, clHighlight, clHighlight, clBtnFace, clBtnShadow, clBtnFace,
    clBtnFace, clWindowText, clHighlight, clBtnFace, clHighlight, clHighlight, clHighlight,
    clBtnShadow,
};

// Size of the expand button and of the check boxes drawn without an image
// list.
constexpr int ButtonSize = 9;
constexpr int CheckSize = 13;

// Rows from the top that PaintTree walks to instead of asking the cache.
constexpr int NearTopRows = 256;

void Fill(HDC DC, const TRect& R, TColor Color)
{
    if (R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    const HBRUSH Brush = CreateSolidBrush(ColorToRGB(Color));
    FillRect(DC, R, Brush);
    DeleteObject(Brush);
}

void Frame(HDC DC, const TRect& R, TColor Color)
{
    if (R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    const HBRUSH Brush = CreateSolidBrush(ColorToRGB(Color));
    FrameRect(DC, R, Brush);
    DeleteObject(Brush);
}

} // namespace

// ---- colours and scroll bar options ---------------------------------------------------------


TVTColors::TVTColors(TBaseVirtualTree* AOwner) : FOwner(AOwner)
{
    std::copy(std::begin(DefaultColors), std::end(DefaultColors), FColors);
}

TVTColors::~TVTColors() = default;

void TVTColors::Set(int Index, TColor Value)
{
    assert(Index >= 0 && Index < Count && "colour index out of range");
    if (FColors[Index] == Value)
        return;
    FColors[Index] = Value;
    if (!FOwner->HandleAllocated() || FOwner->ComponentState().Contains(csLoading))
        return;
    if (Index == BorderColor)
        RedrawWindow(FOwner->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_NOERASE | RDW_NOCHILDREN | RDW_FRAME);
    else
        FOwner->Invalidate();
}

void TVTColors::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TVTColors*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    std::copy(std::begin(S->FColors), std::end(S->FColors), FColors);
    if (FOwner->UpdateCount() == 0 && FOwner->HandleAllocated())
        FOwner->Invalidate();
}


TScrollBarOptions::TScrollBarOptions(TBaseVirtualTree* AOwner) : FOwner(AOwner) {}

TScrollBarOptions::~TScrollBarOptions() = default;

void TScrollBarOptions::SetAlwaysVisible(bool Value)
{
    if (FAlwaysVisible == Value)
        return;
    FAlwaysVisible = Value;
    if (!FOwner->ComponentState().Contains(csLoading) && FOwner->HandleAllocated())
        FOwner->RecreateWnd();
}

void TScrollBarOptions::SetScrollBars(TScrollStyle Value)
{
    if (FScrollBars == Value)
        return;
    FScrollBars = Value;
    if (!FOwner->ComponentState().Contains(csLoading) && FOwner->HandleAllocated())
        FOwner->RecreateWnd();
}

void TScrollBarOptions::SetScrollBarStyle(TScrollBarStyle Value)
{
    assert(Value == sbmRegular && "Flat scrollbars styles are disabled. Enable "
                                  "UseFlatScrollbars in VTConfig.inc forflat scrollbar support.");
    FScrollBarStyle = Value;
}

void TScrollBarOptions::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TScrollBarOptions*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    SetAlwaysVisible(S->FAlwaysVisible);
    FIncrementX = S->FIncrementX;
    FIncrementY = S->FIncrementY;
    SetScrollBars(S->FScrollBars);
    SetScrollBarStyle(S->FScrollBarStyle);
}

// ---- clipboard formats ----

PRICETAGS_DEFINE_CLASS(TClipboardFormats)

TClipboardFormats::TClipboardFormats(TBaseVirtualTree* AOwner) : FOwner(AOwner)
{
    SetSorted(true);
    SetDuplicates(dupIgnore);
}

TClipboardFormats::~TClipboardFormats() = default;

bool TClipboardFormats::Allowed(const AnsiString& S) const
{
    Word Format = 0;
    const TClass Owner = FindTreeFormat(S, Format);
    return Owner && FOwner->ClassType()->InheritsFrom(Owner);
}

int TClipboardFormats::Add(const AnsiString& S)
{
    return Allowed(S) ? inherited::Add(S) : -1;
}

void TClipboardFormats::Insert(int Index, const AnsiString& S)
{
    if (Allowed(S))
        inherited::Insert(Index, S);
}

// ---- tree properties ------------------------------------------------------------------------

void TBaseVirtualTree::SetLineStyle(TVTLineStyle Value)
{
    if (FLineStyle != Value) {
        FLineStyle = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetLineMode(TVTLineMode Value)
{
    if (FLineMode != Value) {
        FLineMode = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetNodeAlignment(TVTNodeAlignment Value)
{
    if (FNodeAlignment != Value) {
        FNodeAlignment = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetButtonStyle(TVTButtonStyle Value)
{
    if (FButtonStyle != Value) {
        FButtonStyle = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetButtonFillMode(TVTButtonFillMode Value)
{
    if (FButtonFillMode != Value) {
        FButtonFillMode = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetCheckImageKind(TCheckImageKind Value)
{
    if (FCheckImageKind == Value)
        return;
    FCheckImageKind = Value;
    FCheckImages = CheckImageListFor(Value);
    if (!FCheckImages)
        FCheckImages = FCustomCheckImages;
    InvalidateTree();
}

void TBaseVirtualTree::SetCustomCheckImages(TCustomImageList* Value)
{
    if (FCustomCheckImages == Value)
        return;
    if (FCustomCheckImages) {
        FCustomCheckImages->RemoveFreeNotification(this);
        if (FCheckImages == FCustomCheckImages)
            FCheckImages = nullptr;
    }
    FCustomCheckImages = Value;
    if (FCustomCheckImages)
        FCustomCheckImages->FreeNotification(this);
    if (FCheckImageKind == ckCustom)
        FCheckImages = FCustomCheckImages;
    InvalidateTree();
}

namespace {

// Draws the 25 check images: 0 empty, then four states (normal, hot,
// pressed, disabled) of an unchecked and a checked radio button, an
// unchecked, a checked and a mixed check box, and a button.
std::unique_ptr<TCustomImageList> MakeCheckImages(bool Flat)
{
    constexpr int Size = 16;
    const TColor Transparent = static_cast<TColor>(0xFF00FF);
    auto List = std::make_unique<TCustomImageList>(nullptr, Size, Size);
    const UINT Kinds[6] = {DFCS_BUTTONRADIO, DFCS_BUTTONRADIO | DFCS_CHECKED, DFCS_BUTTONCHECK,
                           DFCS_BUTTONCHECK | DFCS_CHECKED,
                           DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_BUTTON3STATE, DFCS_BUTTONPUSH};
    const UINT States[4] = {0, DFCS_HOT, DFCS_PUSHED, DFCS_INACTIVE};
    TBitmap Image;
    Image.SetSize(Size, Size);
    Image.Canvas()->Brush()->SetColor(Transparent);
    Image.Canvas()->FillRect(TRect{0, 0, Size, Size});
    List->AddMasked(&Image, Transparent);
    for (UINT Kind : Kinds)
        for (UINT State : States) {
            Image.Canvas()->Brush()->SetColor(Transparent);
            Image.Canvas()->FillRect(TRect{0, 0, Size, Size});
            TRect R{1, 1, 1 + CheckSize, 1 + CheckSize};
            DrawFrameControl(Image.Canvas()->Handle(), R, DFC_BUTTON,
                             Kind | State | (Flat ? static_cast<UINT>(DFCS_FLAT) : 0u));
            List->AddMasked(&Image, Transparent);
        }
    return List;
}

} // namespace

TCustomImageList* TBaseVirtualTree::CheckImageListFor(TCheckImageKind Kind)
{
    // Made once, on first use, and kept for the process: every tree shares
    // them.
    static TCustomImageList* const Raised = MakeCheckImages(false).release();
    static TCustomImageList* const Flat = MakeCheckImages(true).release();
    switch (Kind) {
    case ckLightCheck:
    case ckDarkCheck:
    case ckLightTick:
    case ckDarkTick:
    case ckSystem: return Raised;
    case ckFlat:
    case ckXP:
    case ckSystemFlat: return Flat;
    case ckCustom: return nullptr;
    }
    return nullptr;
}

void TBaseVirtualTree::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TBaseVirtualTree::SetSelectionCurveRadius(Cardinal Value)
{
    if (FSelectionCurveRadius != Value) {
        FSelectionCurveRadius = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetAnimationDuration(Cardinal Value)
{
    FAnimationDuration = Value;
    // Straight into the set: the options' setter would repaint.
    if (Value != 0)
        FOptions->FAnimationOptions.Include(toAnimatedToggle);
    else
        FOptions->FAnimationOptions.Exclude(toAnimatedToggle);
}

void TBaseVirtualTree::SetIndent(Cardinal Value)
{
    if (FIndent == Value)
        return;
    FIndent = Value;
    if (!ComponentState().Contains(csLoading) && FUpdateCount == 0 && HandleAllocated()) {
        UpdateScrollBars(true);
        Invalidate();
    }
}

void TBaseVirtualTree::SetMargin(int Value)
{
    if (FMargin != Value) {
        FMargin = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetAlignment(TAlignment Value)
{
    if (FAlignment != Value) {
        FAlignment = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetBackground(TPicture* Value)
{
    FBackground->Assign(Value);
    InvalidateTree();
}

void TBaseVirtualTree::TileBackground(TCanvas* Canvas, const TRect& Target, int OriginX,
                                      int OriginY)
{
    TGraphic* Picture = FBackground->Graphic();
    const int W = FBackground->Width();
    const int H = FBackground->Height();
    if (!Picture || W <= 0 || H <= 0 || Target.Right <= Target.Left ||
        Target.Bottom <= Target.Top)
        return;
    int SX = (OriginX + FBackgroundOffsetX) % W;
    int SY = (OriginY + FBackgroundOffsetY) % H;
    if (SX < 0)
        SX += W;
    if (SY < 0)
        SY += H;
    HDC DC = Canvas->Handle();
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, Target.Left, Target.Top, Target.Right, Target.Bottom);
    for (int Y = Target.Top - SY; Y < Target.Bottom; Y += H)
        for (int X = Target.Left - SX; X < Target.Right; X += W)
            Canvas->Draw(X, Y, Picture);
    RestoreDC(DC, Saved);
}

void TBaseVirtualTree::SetBackgroundOffsetX(int Value)
{
    if (FBackgroundOffsetX != Value) {
        FBackgroundOffsetX = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetBackgroundOffsetY(int Value)
{
    if (FBackgroundOffsetY != Value) {
        FBackgroundOffsetY = Value;
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetClipboardFormats(TStrings* Value)
{
    FClipboardFormats->Clear();
    if (!Value)
        return;
    for (int I = 0; I < Value->Count(); ++I)
        FClipboardFormats->Add(Value->Strings(I));
}

void TBaseVirtualTree::SetTextMargin(int Value)
{
    if (FTextMargin != Value) {
        FTextMargin = Value;
        InvalidateTree();
    }
}

int TBaseVirtualTree::CheckImageIndex(PVirtualNode Node) const
{
    if (!Node || Node->CheckType == ctNone)
        return -1;
    const bool Enabled = !Node->Has(vsDisabled) && const_cast<TBaseVirtualTree*>(this)->Enabled();
    const bool Hot = Node == FHotNode;
    const TCheckState State = static_cast<TCheckState>(Node->CheckState);
    const bool Pressed = State == csUncheckedPressed || State == csCheckedPressed ||
                         State == csMixedPressed;
    // Each kind has a row of four: disabled, normal, hot, pressed.
    auto Pick = [&](int Base) {
        if (!Enabled)
            return Base + 3;
        if (Pressed)
            return Base + 2;
        return Hot ? Base + 1 : Base;
    };
    if (State == csMixedNormal || State == csMixedPressed)
        return Pick(17);
    const bool Checked = State == csCheckedNormal || State == csCheckedPressed;
    switch (static_cast<TCheckType>(Node->CheckType)) {
    case ctNone: return -1;
    case ctTriStateCheckBox:
    case ctCheckBox: return Pick(Checked ? 13 : 9);
    case ctRadioButton: return Pick(Checked ? 5 : 1);
    case ctButton: return Pick(21);
    }
    return -1;
}

void TBaseVirtualTree::DoColumnResize(TColumnIndex Column)
{
    UpdateEditBounds();
    OnColumnResize(FHeader.get(), Column);
}

void TBaseVirtualTree::DoHeaderDblClick(TColumnIndex Column, TMouseButton Button,
                                        TShiftState Shift, int X, int Y)
{
    OnHeaderDblClick(FHeader.get(), Column, Button, Shift, X, Y);
}

void TBaseVirtualTree::DoHeaderDraw(TCanvas* Canvas, TVirtualTreeColumn* Column, const TRect& R,
                                    bool Hover, bool Pressed, TVTDropMarkMode DropMark)
{
    OnHeaderDraw(FHeader.get(), Canvas, Column, R, Hover, Pressed, DropMark);
}

void TBaseVirtualTree::DoHeaderDrawQueryElements(THeaderPaintInfo& PaintInfo,
                                                 THeaderPaintElements& Elements)
{
    OnHeaderDrawQueryElements(FHeader.get(), PaintInfo, Elements);
}

void TBaseVirtualTree::DoAdvancedHeaderDraw(THeaderPaintInfo& PaintInfo,
                                            THeaderPaintElements Elements)
{
    OnAdvancedHeaderDraw(FHeader.get(), PaintInfo, Elements);
}

void TBaseVirtualTree::DoHeaderClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift,
                                     int X, int Y)
{
    OnHeaderClick(FHeader.get(), Column, Button, Shift, X, Y);
}

void TBaseVirtualTree::DoHeaderDragged(TColumnIndex Column, int OldPosition)
{
    OnHeaderDragged(FHeader.get(), Column, OldPosition);
}

// ---- window and frame -----------------------------------------------------------------------

void TBaseVirtualTree::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (FScrollBarOptions->ScrollBars()) {
    case ssNone: break;
    case ssHorizontal: Params.Style |= WS_HSCROLL; break;
    case ssVertical: Params.Style |= WS_VSCROLL; break;
    case ssBoth: Params.Style |= WS_HSCROLL | WS_VSCROLL; break;
    }
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TBaseVirtualTree::SetBevelKind(TBevelKind Value)
{
    if (FBevelKind != Value) {
        FBevelKind = Value;
        if (FHeader)
            FHeader->RecalculateHeader();
    }
}

void TBaseVirtualTree::SetBevelInner(TBevelCut Value)
{
    if (FBevelInner != Value) {
        FBevelInner = Value;
        FHeader->RecalculateHeader();
    }
}

void TBaseVirtualTree::SetBevelOuter(TBevelCut Value)
{
    if (FBevelOuter != Value) {
        FBevelOuter = Value;
        FHeader->RecalculateHeader();
    }
}

void TBaseVirtualTree::SetBevelEdges(TBevelEdges Value)
{
    if (FBevelEdges != Value) {
        FBevelEdges = Value;
        FHeader->RecalculateHeader();
    }
}

void TBaseVirtualTree::SetBevelWidth(int Value)
{
    Value = std::max(Value, 1);
    if (FBevelWidth != Value) {
        FBevelWidth = Value;
        FHeader->RecalculateHeader();
    }
}

void TBaseVirtualTree::SetBorderWidth(int Value)
{
    Value = std::max(Value, 0);
    if (FBorderWidth != Value) {
        FBorderWidth = Value;
        FHeader->RecalculateHeader();
    }
}

void TBaseVirtualTree::ShrinkByBevel(TRect& R, bool WithBorderWidth) const
{
    if (FBevelKind != bkNone) {
        const int Cuts = (FBevelInner != bvNone ? 1 : 0) + (FBevelOuter != bvNone ? 1 : 0);
        const int W = Cuts * FBevelWidth;
        if (FBevelEdges.Contains(beLeft))
            R.Left += W;
        if (FBevelEdges.Contains(beTop))
            R.Top += W;
        if (FBevelEdges.Contains(beRight))
            R.Right -= W;
        if (FBevelEdges.Contains(beBottom))
            R.Bottom -= W;
    }
    if (WithBorderWidth)
        InflateRect(R, -FBorderWidth, -FBorderWidth);
}

void TBaseVirtualTree::PaintNonClientBorder(HDC DC)
{
    if (FBevelKind == bkNone && FBorderWidth == 0)
        return;
    uint32_t Style = 0;
    uint32_t Ex = 0;
    CurrentStyles(Style, Ex);
    const int Border = (Ex & WS_EX_CLIENTEDGE ? 2 : 0) + (Style & WS_BORDER ? 1 : 0);
    TRect R{Border, Border, Width() - Border, Height() - Border};
    if (FBevelKind != bkNone) {
        UINT Edge = 0;
        switch (FBevelOuter) {
        case bvLowered: Edge |= BDR_SUNKENOUTER; break;
        case bvRaised: Edge |= BDR_RAISEDOUTER; break;
        case bvNone:
        case bvSpace: break;
        }
        switch (FBevelInner) {
        case bvLowered: Edge |= BDR_SUNKENINNER; break;
        case bvRaised: Edge |= BDR_RAISEDINNER; break;
        case bvNone:
        case bvSpace: break;
        }
        UINT Flags = 0;
        if (FBevelEdges.Contains(beLeft))
            Flags |= BF_LEFT;
        if (FBevelEdges.Contains(beTop))
            Flags |= BF_TOP;
        if (FBevelEdges.Contains(beRight))
            Flags |= BF_RIGHT;
        if (FBevelEdges.Contains(beBottom))
            Flags |= BF_BOTTOM;
        if (FBevelKind == bkSoft)
            Flags |= BF_SOFT;
        if (FBevelKind == bkFlat)
            Flags |= BF_FLAT;
        TRect E = R;
        DrawEdge(DC, E, Edge, Flags);
    }
    TRect Inner = R;
    ShrinkByBevel(Inner, false);
    if (FBorderWidth > 0) {
        const int State = SaveDC(DC);
        IntersectClipRect(DC, Inner.Left, Inner.Top, Inner.Right, Inner.Bottom);
        ExcludeClipRect(DC, Inner.Left + FBorderWidth, Inner.Top + FBorderWidth,
                        Inner.Right - FBorderWidth, Inner.Bottom - FBorderWidth);
        Fill(DC, Inner, FColors->Get(TVTColors::BorderColor));
        RestoreDC(DC, State);
    }
}

void TBaseVirtualTree::ComputeHeaderRect()
{
    uint32_t Style = 0;
    uint32_t Ex = 0;
    CurrentStyles(Style, Ex);
    const int Border = (Ex & WS_EX_CLIENTEDGE ? 2 : 0) + (Style & WS_BORDER ? 1 : 0);
    TRect R{Border, Border, Width() - Border, Height() - Border};
    ShrinkByBevel(R);
    if (FHeader->Options().Contains(hoVisible) && R.Right > R.Left)
        R.Bottom = std::min(R.Top + static_cast<int>(FHeader->Height()), Height() - Border);
    else
        R.Bottom = R.Top;
    FHeaderRect = R;
}

void TBaseVirtualTree::WMNCCalcSize(TMessageRecord& Message)
{
    auto* R = reinterpret_cast<TRect*>(Message.LParam);
    // The bevel and the border band lie inside the window's own borders
    // and outside the scroll bars.
    uint32_t Style = 0;
    uint32_t Ex = 0;
    CurrentStyles(Style, Ex);
    const int Border = (Ex & WS_EX_CLIENTEDGE ? 2 : 0) + (Style & WS_BORDER ? 1 : 0);
    if (R) {
        InflateRect(*R, -Border, -Border);
        ShrinkByBevel(*R);
        InflateRect(*R, Border, Border);
    }
    inherited::WMNCCalcSize(Message);
    if (!R || !FHeader || !FHeader->Options().Contains(hoVisible))
        return;
    R->Top = std::min(R->Top + static_cast<int>(FHeader->Height()), R->Bottom);
}

void TBaseVirtualTree::WMNCPaint(TMessageRecord& Message)
{
    inherited::WMNCPaint(Message);
    if (!HandleAllocated())
        return;
    const HRGN Update = Message.WParam > 1 ? reinterpret_cast<HRGN>(Message.WParam) : nullptr;
    HDC DC = Update ? GetDCEx(Handle(), Update, DCX_WINDOW | DCX_INTERSECTRGN)
                    : GetWindowDC(Handle());
    if (!DC)
        return;
    PaintNonClientBorder(DC);
    if (FHeader->Options().Contains(hoVisible))
        PaintHeader(DC);
    ReleaseDC(Handle(), DC);
}

void TBaseVirtualTree::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    ComputeHeaderRect();
    if (!FRoot)
        return;
    UpdateScrollBars(true);
    // Growing may leave the view past the content's end.
    SetScrollOffset({FOffsetX, FOffsetY}, {suoUpdateNCArea});
}

void TBaseVirtualTree::PaintHeader(HDC DC)
{
    ComputeHeaderRect();
    const TRect HR = FHeaderRect;
    if (HR.Bottom <= HR.Top)
        return;
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, HR.Left, HR.Top, HR.Right, HR.Bottom);
    FHeader->Columns()->PaintHeader(DC, HR, FOffsetX);
    RestoreDC(DC, Saved);
}

void TVirtualTreeColumns::DrawButton(HDC DC, TVirtualTreeColumn* Column, TRect R, bool IsHot,
                                     bool IsDown, bool LastColumn)
{
    const TVTHeaderStyle Style = FHeader->Style();
    const bool AutoResize = FHeader->Options().Contains(hoAutoResize);
    UINT Flags = 0;
    UINT Edge = 0;
    switch (Style) {
    case hsThickButtons:
        Edge = EDGE_RAISED;
        Flags = IsDown ? 0x780F : 0x380B;
        break;
    case hsFlatButtons:
        Edge = IsDown ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
        Flags = IsDown ? 0x280F : 0x280B;
        break;
    case hsPlates:
    case hsXPStyle:
        if (IsDown) {
            Edge = BDR_SUNKENOUTER;
            Flags = 0x280F;
        } else if (IsHot && Style == hsPlates) {
            Edge = BDR_RAISEDINNER;
            Flags = 0x280B;
        } else {
            Edge = BDR_RAISEDINNER;
            Flags = 0x380F;
        }
        break;
    }
    if (!IsDown && !(LastColumn && Style != hsThickButtons && AutoResize))
        Flags |= BF_RIGHT;
    (void)Column;
    DrawEdge(DC, R, Edge, Flags);
}

void TVirtualTreeColumns::PaintHeader(HDC DC, const TRect& HR, int HOffset)
{
    TBaseVirtualTree* Tree = FHeader->Treeview();
    Fill(DC, HR, FHeader->Background());
    const HGDIOBJ OldFont = SelectObject(DC, FHeader->Font()->Handle());
    SetBkMode(DC, TRANSPARENT);
    const std::vector<TColumnIndex> Visible = GetVisibleColumns();
    const TColumnIndex LastVisible = Visible.empty() ? NoColumn : Visible.back();
    // Scrolled buttons pass under the fixed ones: those are drawn last and
    // the others kept out of their area.
    std::vector<TColumnIndex> Order;
    for (TColumnIndex I : Visible)
        if (!GetItem(I)->Options().Contains(coFixed))
            Order.push_back(I);
    const size_t FirstFixed = Order.size();
    for (TColumnIndex I : Visible)
        if (GetItem(I)->Options().Contains(coFixed))
            Order.push_back(I);
    const int FixedWidth = GetVisibleFixedWidth();
    const int Saved = SaveDC(DC);
    if (FixedWidth > 0)
        ExcludeClipRect(DC, HR.Left, HR.Top, HR.Left + FixedWidth, HR.Bottom);
    for (size_t N = 0; N < Order.size(); ++N) {
        if (N == FirstFixed) {
            RestoreDC(DC, Saved);
            SetBkMode(DC, TRANSPARENT);
        }
        const TColumnIndex I = Order[N];
        TVirtualTreeColumn* C = GetItem(I);
        const bool Fixed = C->Options().Contains(coFixed);
        TRect R{HR.Left + C->Left() + (Fixed ? 0 : HOffset), HR.Top, 0, HR.Bottom};
        R.Right = R.Left + C->Width();
        if (R.Right <= HR.Left || R.Left >= HR.Right)
            continue;
        const bool Hot = I == FHoverIndex && FHeader->Options().Contains(hoHotTrack) &&
                         C->Options().Contains(coEnabled);
        const bool Down = I == FDownIndex;
        const bool Enabled = C->Options().Contains(coEnabled) && Tree->Enabled();
        TVTDropMarkMode DropMark = dmmNone;
        if (I == FDropTarget && I != FDragIndex && C->Options().Contains(coShowDropMark))
            DropMark = FDropBefore ? dmmLeft : dmmRight;
        const bool Advanced =
            FHeader->Options().Contains(hoOwnerDraw) && Tree->OnAdvancedHeaderDraw;
        TCanvas Target;
        if (!Advanced && C->Style() == vsOwnerDraw && Tree->OnHeaderDraw) {
            // The host draws the whole button.
            Target.SetHandle(DC);
            Tree->DoHeaderDraw(&Target, C, R, Hot, Down, DropMark);
            Target.SetHandle(nullptr);
            SelectObject(DC, FHeader->Font()->Handle());
            SetBkMode(DC, TRANSPARENT);
            continue;
        }
        TRect Inner = R;
        InflateRect(Inner, -2, -2);
        if (Down)
            OffsetRect(Inner, 1, 1);
        const bool SortGlyph = I == FHeader->SortColumn() &&
                               FHeader->Options().Contains(hoShowSortGlyphs);
        const bool HeaderGlyph = FHeader->Options().Contains(hoShowImages) && FHeader->Images() &&
                                 C->ImageIndex() >= 0;
        TPoint GlyphPos;
        TPoint SortPos;
        TRect TextBounds;
        C->ComputeHeaderLayout(DC, Inner, HeaderGlyph, SortGlyph, GlyphPos, SortPos, TextBounds);
        THeaderPaintElements Claimed;
        THeaderPaintInfo Info;
        if (Advanced) {
            Target.SetHandle(DC);
            Info.TargetCanvas = &Target;
            Info.Column = C;
            Info.PaintRectangle = R;
            Info.TextRectangle = TextBounds;
            Info.IsHoverIndex = Hot;
            Info.IsDownIndex = Down;
            Info.IsEnabled = Enabled;
            Info.ShowHeaderGlyph = HeaderGlyph;
            Info.ShowSortGlyph = SortGlyph;
            Info.ShowRightBorder = !(I == LastVisible && FHeader->Style() != hsThickButtons &&
                                     FHeader->Options().Contains(hoAutoResize));
            Info.DropMark = DropMark;
            Info.GlyphPos = GlyphPos;
            Info.SortGlyphPos = SortPos;
            Tree->DoHeaderDrawQueryElements(Info, Claimed);
            SelectObject(DC, FHeader->Font()->Handle());
            SetBkMode(DC, TRANSPARENT);
        }
        if (Claimed.Contains(hpeBackground)) {
            Tree->DoAdvancedHeaderDraw(Info, THeaderPaintElements{hpeBackground});
            SelectObject(DC, FHeader->Font()->Handle());
            SetBkMode(DC, TRANSPARENT);
        } else {
            TRect Button = R;
            DrawButton(DC, C, Button, Hot, Down, I == LastVisible);
        }
        if (HeaderGlyph && !Claimed.Contains(hpeHeaderGlyph)) {
            Target.SetHandle(DC);
            FHeader->Images()->Draw(&Target, GlyphPos.X, GlyphPos.Y, C->ImageIndex(), Enabled);
            // The canvas put its own font in; the text goes in the header's.
            SelectObject(DC, FHeader->Font()->Handle());
        }
        if (!C->Text().empty() && TextBounds.Right > TextBounds.Left &&
            !Claimed.Contains(hpeText)) {
            UINT Format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
            if (C->BiDiMode() != bdLeftToRight)
                Format |= DT_RTLREADING;
            TRect T = TextBounds;
            if (Enabled) {
                SetTextColor(DC, ColorToRGB(Hot ? Tree->Colors()->Get(TVTColors::HeaderHotColor)
                                                : FHeader->Font()->Color()));
                DrawTextW(DC, C->Text().data(), static_cast<int>(C->Text().size()), T, Format);
            } else {
                OffsetRect(T, 1, 1);
                SetTextColor(DC, ColorToRGB(clBtnHighlight));
                DrawTextW(DC, C->Text().data(), static_cast<int>(C->Text().size()), T, Format);
                T = TextBounds;
                SetTextColor(DC, ColorToRGB(clBtnShadow));
                DrawTextW(DC, C->Text().data(), static_cast<int>(C->Text().size()), T, Format);
            }
        }
        if (SortGlyph && !Claimed.Contains(hpeSortGlyph)) {
            // A small triangle: pointing up when ascending.
            const int X = SortPos.X + SortGlyphSize / 2;
            const int Y = SortPos.Y + SortGlyphSize / 2;
            const bool Up = FHeader->SortDirection() == sdAscending;
            const TPoint P[3] = {{X - 4, Up ? Y + 2 : Y - 2}, {X + 4, Up ? Y + 2 : Y - 2},
                                 {X, Up ? Y - 2 : Y + 2}};
            const HBRUSH Brush = CreateSolidBrush(ColorToRGB(clBtnShadow));
            const HPEN Pen = CreatePen(PS_SOLID, 1, ColorToRGB(clBtnShadow));
            const HGDIOBJ OldBrush = SelectObject(DC, Brush);
            const HGDIOBJ OldPen = SelectObject(DC, Pen);
            Polygon(DC, P, 3);
            SelectObject(DC, OldBrush);
            SelectObject(DC, OldPen);
            DeleteObject(Brush);
            DeleteObject(Pen);
        }
        if (DropMark != dmmNone && !Claimed.Contains(hpeDropMark)) {
            const int X = DropMark == dmmLeft ? R.Left : R.Right - 2;
            Fill(DC, TRect{X, R.Top, X + 2, R.Bottom},
                 Tree->Colors()->Get(TVTColors::DropMarkColor));
        }
        const THeaderPaintElements Rest = Claimed - THeaderPaintElements{hpeBackground};
        if (!Rest.Empty()) {
            Tree->DoAdvancedHeaderDraw(Info, Rest);
            SelectObject(DC, FHeader->Font()->Handle());
            SetBkMode(DC, TRANSPARENT);
        }
        Target.SetHandle(nullptr);
    }
    if (FirstFixed == Order.size())
        RestoreDC(DC, Saved);
    SelectObject(DC, OldFont);
}

// ---- painting -------------------------------------------------------------------------------

void TBaseVirtualTree::Paint()
{
    HDC DC = Canvas()->Handle();
    TRect Update;
    if (GetClipBox(DC, Update) == 0 || Update.Right <= Update.Left || Update.Bottom <= Update.Top)
        return;
    const TVTInternalPaintOptions All{poBackground, poColumnColor, poDrawFocusRect,
                                      poDrawSelection, poDrawDropMark, poGridLines};
    const int Fixed = FHeader->UseColumns() ? FHeader->FixedAreaWidth() : 0;
    if (Fixed > 0) {
        // The fixed columns stay put horizontally; the rest scrolls.
        const int W = std::min(Fixed, ClientWidth());
        PaintTree(Canvas(), TRect{0, -FOffsetY, W, ClientHeight() - FOffsetY}, TPoint{0, 0}, All);
        if (Fixed < ClientWidth())
            PaintTree(Canvas(),
                      TRect{Fixed - FOffsetX, -FOffsetY, ClientWidth() - FOffsetX,
                            ClientHeight() - FOffsetY},
                      TPoint{Fixed, 0}, All);
    } else {
        PaintTree(Canvas(),
                  TRect{Update.Left - FOffsetX, Update.Top - FOffsetY, Update.Right - FOffsetX,
                        Update.Bottom - FOffsetY},
                  TPoint{Update.Left, Update.Top}, All);
    }
    PaintSelectionFrame(Canvas());
}

void TBaseVirtualTree::DrawDottedHorzLine(TCanvas* Canvas, int Left, int Right, int Top)
{
    HDC DC = Canvas->Handle();
    const TColor C = Canvas->Pen()->Color();
    if (Left > Right)
        std::swap(Left, Right);
    if (FLineStyle == lsSolid) {
        Fill(DC, TRect{Left, Top, Right + 1, Top + 1}, C);
        return;
    }
    // Every other pixel, in step with the canvas so that rows join.
    const COLORREF Rgb = ColorToRGB(C);
    for (int X = Left + ((Left + Top) & 1); X <= Right; X += 2)
        SetPixel(DC, X, Top, Rgb);
}

void TBaseVirtualTree::DrawDottedVertLine(TCanvas* Canvas, int Top, int Bottom, int Left)
{
    HDC DC = Canvas->Handle();
    const TColor C = Canvas->Pen()->Color();
    if (Top > Bottom)
        std::swap(Top, Bottom);
    if (FLineStyle == lsSolid) {
        Fill(DC, TRect{Left, Top, Left + 1, Bottom + 1}, C);
        return;
    }
    const COLORREF Rgb = ColorToRGB(C);
    for (int Y = Top + ((Left + Top) & 1); Y <= Bottom; Y += 2)
        SetPixel(DC, Left, Y, Rgb);
}

void TBaseVirtualTree::DrawLineImage(const TVTPaintInfo& PaintInfo, int X, int Y, int H,
                                     int VAlign, TVTLineType Style)
{
    TCanvas* C = PaintInfo.Canvas;
    const int Half = static_cast<int>(FIndent) / 2;
    const int Right = X + static_cast<int>(FIndent) - 1;
    const int Mid = Y + VAlign;
    switch (Style) {
    case ltBottomRight:
        DrawDottedHorzLine(C, X + Half, Right, Mid);
        DrawDottedVertLine(C, Mid, Y + H - 1, X + Half);
        break;
    case ltTopDown:
        DrawDottedVertLine(C, Y, Y + H - 1, X + Half);
        break;
    case ltTopDownRight:
        DrawDottedVertLine(C, Y, Y + H - 1, X + Half);
        DrawDottedHorzLine(C, X + Half, Right, Mid);
        break;
    case ltRight:
        DrawDottedHorzLine(C, X + Half, Right, Mid);
        break;
    case ltTopRight:
        DrawDottedVertLine(C, Y, Mid, X + Half);
        DrawDottedHorzLine(C, X + Half, Right, Mid);
        break;
    case ltLeft:
        DrawDottedVertLine(C, Y, Y + H - 1, X);
        break;
    case ltLeftBottom:
        DrawDottedVertLine(C, Y, Y + H - 1, X);
        DrawDottedHorzLine(C, X, Right, Y + H - 1);
        break;
    case ltNone:
        break;
    }
}

void TBaseVirtualTree::PaintLines(const TVTPaintInfo& PaintInfo, int VAlignment, int IndentSize,
                                  const TLineImage& LineImage)
{
    const int H = PaintInfo.CellRect.Height();
    int X = PaintInfo.CellRect.Left;
    if (FLineMode == lmNormal) {
        PaintInfo.Canvas->Pen()->SetColor(FColors->Get(TVTColors::TreeLineColor));
        for (int I = 0; I < IndentSize && I < static_cast<int>(LineImage.size()); ++I) {
            DrawLineImage(PaintInfo, X, PaintInfo.CellRect.Top, H, VAlignment, LineImage[I]);
            X += static_cast<int>(FIndent);
        }
        return;
    }
    if (!PaintInfo.PaintOptions.Contains(poGridLines))
        return;
    TLineImage Bands(LineImage.size(), ltNone);
    const bool Open = PaintInfo.Node->Has(vsExpanded) &&
                      !PaintInfo.Node->Has(vsAllChildrenHidden);
    for (int I = static_cast<int>(LineImage.size()) - 1; I >= 0; --I) {
        if (Open) {
            Bands[I] = ltLeft;
            continue;
        }
        switch (LineImage[I]) {
        case ltBottomRight:
        case ltTopDownRight:
        case ltRight:
        case ltTopRight: Bands[I] = ltLeftBottom; break;
        case ltNone:
        case ltTopDown: {
            const bool Last = I + 1 >= static_cast<int>(LineImage.size());
            if (!Last && LineImage[I + 1] != ltNone && LineImage[I + 1] != ltTopRight)
                Bands[I] = ltLeft;
            else
                Bands[I] = Last ? ltLeft : Bands[I + 1];
            break;
        }
        case ltLeft:
        case ltLeftBottom: Bands[I] = ltNone; break;
        }
    }
    PaintInfo.Canvas->Pen()->SetColor(FColors->Get(TVTColors::GridLineColor));
    for (int I = 0; I < IndentSize && I < static_cast<int>(Bands.size()); ++I) {
        DrawLineImage(PaintInfo, X, PaintInfo.CellRect.Top, H - 1, VAlignment, Bands[I]);
        X += static_cast<int>(FIndent);
    }
}

void TBaseVirtualTree::PaintExpandButton(TCanvas* Canvas, PVirtualNode Node, const TRect& R,
                                         int ButtonX, int ButtonY)
{
    HDC DC = Canvas->Handle();
    const TRect B{R.Left + ButtonX, R.Top + ButtonY, R.Left + ButtonX + ButtonSize,
                  R.Top + ButtonY + ButtonSize};
    const TColor Line = FColors->Get(TVTColors::TreeLineColor);
    if (FButtonStyle == bsTriangle) {
        const HBRUSH Brush = CreateSolidBrush(ColorToRGB(clWindowText));
        const HGDIOBJ Old = SelectObject(DC, Brush);
        if (Node->Has(vsExpanded)) {
            const TPoint P[3] = {{B.Left, B.Top + 2}, {B.Right - 1, B.Top + 2},
                                 {B.Left + 4, B.Bottom - 2}};
            Polygon(DC, P, 3);
        } else {
            const TPoint P[3] = {{B.Left + 2, B.Top}, {B.Left + 2, B.Bottom - 1},
                                 {B.Right - 2, B.Top + 4}};
            Polygon(DC, P, 3);
        }
        SelectObject(DC, Old);
        DeleteObject(Brush);
        return;
    }
    TColor Face = Color();
    switch (FButtonFillMode) {
    case fmTreeColor: Face = Color(); break;
    case fmWindowColor: Face = clWindow; break;
    case fmShaded: Face = clBtnFace; break;
    case fmTransparent: Face = clNone; break;
    }
    if (Face != clNone)
        Fill(DC, B, Face);
    Frame(DC, B, Line);
    const TColor Sign = clWindowText;
    Fill(DC, TRect{B.Left + 2, B.Top + 4, B.Right - 2, B.Top + 5}, Sign);
    if (!Node->Has(vsExpanded))
        Fill(DC, TRect{B.Left + 4, B.Top + 2, B.Left + 5, B.Bottom - 2}, Sign);
}

void TBaseVirtualTree::PaintCheckBox(const TVTPaintInfo& PaintInfo)
{
    const int Index = CheckImageIndex(PaintInfo.Node);
    if (Index < 0)
        return;
    // Without a check image list (a custom kind with no list) nothing is
    // drawn and no room taken, as the hit test counts it.
    if (FCheckImages)
        FCheckImages->Draw(PaintInfo.Canvas, PaintInfo.CheckPos.X, PaintInfo.CheckPos.Y, Index);
}

void TBaseVirtualTree::DoPaintNode(TVTPaintInfo&) {}

void TBaseVirtualTree::EraseRowBackground(TCanvas* Canvas, PVirtualNode Node, const TRect& R)
{
    HDC DC = Canvas->Handle();
    const TVTSelectionOptions Sel = FOptions->SelectionOptions();
    if (Sel.Contains(toFullRowSelect) && Node->Has(vsSelected) &&
        !FOptions->PaintOptions().Contains(toUseBlendedSelection) && FPaintingSelection) {
        TRect S = R;
        if (FOptions->PaintOptions().Contains(toShowHorzGridLines))
            --S.Bottom;
        const bool Active = Focused() || FOptions->PaintOptions().Contains(toPopupMode);
        Fill(DC, R, Color());
        Fill(DC, S, FColors->Get(Active ? TVTColors::FocusedSelectionColor
                                        : TVTColors::UnfocusedSelectionColor));
        Frame(DC, S, FColors->Get(Active ? TVTColors::FocusedSelectionBorderColor
                                         : TVTColors::UnfocusedSelectionBorderColor));
        return;
    }
    Fill(DC, R, Color());
}

void TBaseVirtualTree::PaintCellSelection(TVTPaintInfo& PaintInfo)
{
    HDC DC = PaintInfo.Canvas->Handle();
    PVirtualNode Node = PaintInfo.Node;
    const TVTSelectionOptions Sel = FOptions->SelectionOptions();
    const bool Grid = FOptions->MiscOptions().Contains(toGridExtensions);
    const bool FullRow = Sel.Contains(toFullRowSelect);
    const bool Active = Focused() || FOptions->PaintOptions().Contains(toPopupMode);
    // A drop above or below a node shows as a mark; only a drop on it
    // marks the node itself.
    const bool DropOn = Node == FDropTargetNode && (FLastDropMode == dmOnNode || Node->Has(vsSelected));
    const bool Marked = Node->Has(vsSelected) || DropOn || Node == FFocusedNode;
    if (!Marked)
        return;
    TRect R = PaintInfo.ContentRect;
    if (!Grid && !FullRow) {
        // Measured only here: most cells need no width.
        if (PaintInfo.NodeWidth < 0)
            PaintInfo.NodeWidth = GetNodeWidth(Node, PaintInfo.Column, PaintInfo.Canvas);
        const int W = std::min(PaintInfo.NodeWidth + 2 * FTextMargin, R.Width());
        switch (PaintInfo.Alignment) {
        case taLeftJustify: R.Right = R.Left + W; break;
        case taRightJustify: R.Left = R.Right - W; break;
        case taCenter:
            R.Left += (R.Width() - W) / 2;
            R.Right = R.Left + W;
            break;
        }
    }
    if (Grid || FullRow)
        R = PaintInfo.CellRect;
    if (FOptions->PaintOptions().Contains(toShowHorzGridLines) && PaintInfo.PaintOptions.Contains(poGridLines))
        --R.Bottom;
    const bool InColumn = PaintInfo.Column == FFocusedColumn || FullRow ||
                          !FHeader->UseColumns();
    if (PaintInfo.PaintOptions.Contains(poDrawSelection) && InColumn && R.Width() > 0) {
        if (DropOn) {
            Fill(DC, R, FColors->Get(TVTColors::DropTargetColor));
            Frame(DC, R, FColors->Get(TVTColors::DropTargetBorderColor));
        } else if (Node->Has(vsSelected)) {
            Fill(DC, R, FColors->Get(Active ? TVTColors::FocusedSelectionColor
                                            : TVTColors::UnfocusedSelectionColor));
            Frame(DC, R, FColors->Get(Active ? TVTColors::FocusedSelectionBorderColor
                                             : TVTColors::UnfocusedSelectionBorderColor));
        }
    }
    if (PaintInfo.PaintOptions.Contains(poDrawFocusRect) && Node == FFocusedNode &&
        (PaintInfo.Column == FFocusedColumn || !FHeader->UseColumns()) && Active) {
        TRect F = Grid ? PaintInfo.CellRect : R;
        if (FOptions->PaintOptions().Contains(toShowHorzGridLines) && Grid)
            --F.Bottom;
        const COLORREF OldText = SetTextColor(DC, RGB(255, 255, 255));
        const COLORREF OldBk = SetBkColor(DC, RGB(0, 0, 0));
        DrawFocusRect(DC, F);
        SetTextColor(DC, OldText);
        SetBkColor(DC, OldBk);
    }
}

void TBaseVirtualTree::PaintTree(TCanvas* TargetCanvas, const TRect& Window, const TPoint& Target,
                                 TVTInternalPaintOptions PaintOptions)
{
    const TVTPaintOptions Paint = FOptions->PaintOptions();
    if (Paint.Contains(toAlwaysHideSelection) ||
        (!Focused() && Paint.Contains(toHideSelection)))
        PaintOptions.Exclude(poDrawSelection);
    if (Paint.Contains(toHideFocusRect))
        PaintOptions.Exclude(poDrawFocusRect);
    HDC DC = TargetCanvas->Handle();
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, Target.X, Target.Y, Target.X + Window.Width(),
                      Target.Y + Window.Height());
    ChangeState({tsPainting}, {});

    const bool UseColumns = FHeader->UseColumns();
    std::vector<TColumnIndex> Columns;
    if (UseColumns)
        Columns = FHeader->Columns()->GetVisibleColumns();
    else
        Columns.push_back(NoColumn);
    const TColumnIndex Main = FHeader->MainColumn();
    const bool FullRow = FOptions->SelectionOptions().Contains(toFullRowSelect);
    FPaintingSelection = PaintOptions.Contains(poDrawSelection);

    int NodeTop = 0;
    PVirtualNode Node = nullptr;
    if (Window.Top < NearTopRows * static_cast<int>(FDefaultNodeHeight)) {
        // Near the top a walk is quicker than building the position cache,
        // which a fresh large tree would otherwise need for its first paint.
        Node = FirstVisibleNode();
        while (Node && NodeTop + static_cast<int>(NodeHeight(Node)) <= Window.Top) {
            NodeTop += static_cast<int>(NodeHeight(Node));
            Node = NextVisibleNode(Node);
        }
    } else {
        Node = NodeAtPosition(0, Window.Top, false, NodeTop);
    }
    int Y = Target.Y + NodeTop - Window.Top;
    const int DX = Target.X - Window.Left;  // tree X to target X
    const int RowRight = Target.X + Window.Width();
    const TVTMiscOptions Misc = FOptions->MiscOptions();
    TLineImage LineImage;
    // The picture moves with the rows, or with toStaticBackground stays
    // put in the client area.
    const bool Tiles = PaintOptions.Contains(poBackground) && Paint.Contains(toShowBackground) &&
                       FBackground->Graphic() && !FBackground->Graphic()->Empty();
    const bool Static = Paint.Contains(toStaticBackground);
    const int TileX = Window.Left + (Static ? FOffsetX : 0);
    const int TileShiftY = Static ? FOffsetY : 0;
    SelectObject(DC, Font()->Handle());
    while (Node && Y < Target.Y + Window.Height()) {
        if (!Node->Has(vsInitialized))
            InitializeNode(Node);
        const int H = static_cast<int>(NodeHeight(Node));
        if (PaintOptions.Contains(poSelectedOnly) && !Node->Has(vsSelected)) {
            Y += H;
            Node = NextVisibleNode(Node);
            continue;
        }
        const TRect Row{Target.X, Y, RowRight, Y + H};
        if (Tiles)
            TileBackground(TargetCanvas, Row, TileX, Y - Target.Y + Window.Top + TileShiftY);
        else
            EraseRowBackground(TargetCanvas, Node, Row);
        const int Level = static_cast<int>(NodeLevel(Node));
        const int IndentCount = Level + (Paint.Contains(toShowRoot) ? 1 : 0);
        for (TColumnIndex Column : Columns) {
            if (PaintOptions.Contains(poMainOnly) && UseColumns && Column != Main)
                continue;
            int Left = 0;
            int Right = Window.Right;
            if (UseColumns)
                FHeader->ColumnBounds(Column, Left, Right);
            else
                Right = std::max(Window.Right, FRangeX);
            TVTPaintInfo PI;
            PI.Canvas = TargetCanvas;
            PI.PaintOptions = PaintOptions;
            PI.Node = Node;
            PI.Column = Column;
            PI.CellRect = TRect{Left + DX, Y, Right + DX, Y + H};
            if (PI.CellRect.Right <= Target.X || PI.CellRect.Left >= RowRight)
                continue;
            PI.Alignment = UseColumns ? FHeader->Columns()->GetItem(Column)->Alignment()
                                      : FAlignment;
            if (UseColumns && PaintOptions.Contains(poColumnColor)) {
                TVirtualTreeColumn* C = FHeader->Columns()->GetItem(Column);
                if (!C->Options().Contains(coParentColor) && C->Color() != Color() &&
                    !(FullRow && Node->Has(vsSelected) && PaintOptions.Contains(poDrawSelection)))
                    Fill(DC, PI.CellRect, C->Color());
            }
            PI.ContentRect = PI.CellRect;
            PI.ContentRect.Left += FMargin;
            const bool IsMain = !UseColumns || Column == Main;
            int VAlign = H / 2;
            if (FNodeAlignment == naFromTop)
                VAlign = Node->Align;
            else if (FNodeAlignment == naFromBottom)
                VAlign = H - Node->Align;
            else
                VAlign = Node->Align * H / 100;
            if (IsMain) {
                const int IndentWidth = IndentCount * static_cast<int>(FIndent);
                if (Paint.Contains(toShowTreeLines) || FLineMode == lmBands) {
                    DetermineLineImage(Node, LineImage);
                    PaintLines(PI, VAlign, IndentCount, LineImage);
                }
                if (Paint.Contains(toShowButtons) && Node->Has(vsHasChildren) &&
                    IndentCount > 0) {
                    const int BX = IndentWidth - static_cast<int>(FIndent) +
                                   (static_cast<int>(FIndent) - ButtonSize) / 2;
                    PaintExpandButton(TargetCanvas, Node, PI.CellRect, BX,
                                      VAlign - ButtonSize / 2);
                }
                PI.ContentRect.Left = PI.CellRect.Left + IndentWidth + FMargin;
                if (Misc.Contains(toCheckSupport) && FCheckImages &&
                    Node->CheckType != ctNone) {
                    PI.CheckPos =
                        TPoint{PI.ContentRect.Left, Y + VAlign - FCheckImages->Height() / 2};
                    PaintCheckBox(PI);
                    PI.ContentRect.Left += FCheckImages->Width() + 2;
                }
            }
            TCustomImageList* List = nullptr;
            bool Ghosted = false;
            int Index = -1;
            List = DoGetImageIndex(Node, ikState, Column, Ghosted, Index);
            if (!List)
                List = FStateImages;
            if (List && Index >= 0) {
                List->Draw(TargetCanvas, PI.ContentRect.Left, Y + VAlign - List->Height() / 2,
                           Index, !Node->Has(vsDisabled));
                PI.ContentRect.Left += List->Width() + 2;
            }
            Index = -1;
            List = DoGetImageIndex(Node, Node->Has(vsSelected) ? ikSelected : ikNormal, Column,
                                   Ghosted, Index);
            if (!List)
                List = FImages;
            if (List && Index < 0 && Node->Has(vsSelected))
                DoGetImageIndex(Node, ikNormal, Column, Ghosted, Index);
            if (List && Index >= 0) {
                const int ImageY = Y + VAlign - List->Height() / 2;
                if ((Ghosted || NodeShownAsCut(Node)) && Paint.Contains(toUseBlendedImages))
                    List->Draw(TargetCanvas, PI.ContentRect.Left, ImageY, Index, dsSelected,
                               itImage, !Node->Has(vsDisabled));
                else
                    List->Draw(TargetCanvas, PI.ContentRect.Left, ImageY, Index,
                               !Node->Has(vsDisabled));
                PI.ContentRect.Left += List->Width() + 2;
            }
            PI.NodeWidth = -1;
            if (PaintOptions.Contains(poGridLines)) {
                TargetCanvas->Pen()->SetColor(FColors->Get(TVTColors::GridLineColor));
                if (Paint.Contains(toShowHorzGridLines)) {
                    int From = PI.CellRect.Left;
                    if (IsMain && FLineMode == lmBands)
                        From = PI.CellRect.Left + IndentCount * static_cast<int>(FIndent);
                    DrawDottedHorzLine(TargetCanvas, From, PI.CellRect.Right - 1, Y + H - 1);
                }
                if (Paint.Contains(toShowVertGridLines) && UseColumns)
                    DrawDottedVertLine(TargetCanvas, Y, Y + H - 1, PI.CellRect.Right - 1);
            }
            PaintCellSelection(PI);
            DoPaintNode(PI);
        }
        if (Node == FDropTargetNode && PaintOptions.Contains(poDrawDropMark))
            DoPaintDropIndicator(TargetCanvas, Node, TRect{Target.X, Y, RowRight, Y + H});
        Y += H;
        Node = NextVisibleNode(Node);
    }
    // Below the last row: the tree's colour or picture.
    if (Y < Target.Y + Window.Height()) {
        const TRect Rest{Target.X, Y, RowRight, Target.Y + Window.Height()};
        if (Tiles)
            TileBackground(TargetCanvas, Rest, TileX, Y - Target.Y + Window.Top + TileShiftY);
        else
            Fill(DC, Rest, Color());
    }
    FPaintingSelection = false;
    ChangeState({}, {tsPainting});
    RestoreDC(DC, Saved);
}

void TBaseVirtualTree::DoPaintDropIndicator(TCanvas* Canvas, PVirtualNode, const TRect& R)
{
    if (FLastDropMode != dmAbove && FLastDropMode != dmBelow)
        return;
    // A bar along the edge, its ends rising to arrow heads 7 pixels deep.
    const int Edge = FLastDropMode == dmAbove ? R.Top : R.Bottom - 1;
    const int In = FLastDropMode == dmAbove ? 1 : -1;
    const TPoint Points[] = {
        {R.Left + 2, Edge},           {R.Left + 2, Edge + 7 * In}, {R.Left + 7, Edge + 2 * In},
        {R.Right - 7, Edge + 2 * In}, {R.Right - 2, Edge + 7 * In}, {R.Right - 2, Edge},
    };
    const TPenStyle OldStyle = Canvas->Pen()->Style();
    const TColor OldColor = Canvas->Brush()->Color();
    Canvas->Pen()->SetStyle(psClear);
    Canvas->Brush()->SetColor(FColors->Get(TVTColors::DropMarkColor));
    Canvas->Polygon(Points, static_cast<int>(std::size(Points)));
    Canvas->Pen()->SetStyle(OldStyle);
    Canvas->Brush()->SetColor(OldColor);
}

// ---- auto-scroll and wheel panning ----

namespace {

constexpr UINT_PTR ScrollTimer = 4;
constexpr UINT PanningInterval = 20;
// Around the panning start point the view stands still.
constexpr int PanningDeadZone = 8;

} // namespace

bool TBaseVirtualTree::CanAutoScroll() const
{
    const bool Panning = FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling);
    if (!FOptions->AutoOptions().Contains(toAutoScroll) && !Panning)
        return false;
    // A drag over the tree scrolls it, wherever the drag comes from.
    const bool DropTarget = FDragManager && FDragManager->IsDropTarget();
    return FStates.Contains(tsDrawSelecting) || FStates.Contains(tsOLEDragging) ||
           FStates.Contains(tsVCLDragging) || DropTarget || Panning;
}

TScrollDirections TBaseVirtualTree::DetermineScrollDirections(int X, int Y)
{
    TScrollDirections Result;
    if (!CanAutoScroll())
        return Result;
    if (FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling)) {
        if (X < FLastClickPos.X - PanningDeadZone)
            Result.Include(sdLeft);
        else if (X > FLastClickPos.X + PanningDeadZone)
            Result.Include(sdRight);
        if (Y < FLastClickPos.Y - PanningDeadZone)
            Result.Include(sdUp);
        else if (Y > FLastClickPos.Y + PanningDeadZone)
            Result.Include(sdDown);
        return Result;
    }
    const int Zone = static_cast<int>(FDefaultNodeHeight);
    if (X < Zone && FOffsetX != 0)
        Result.Include(sdLeft);
    if (ClientWidth() - FOffsetX < FRangeX && X > ClientWidth() - Zone)
        Result.Include(sdRight);
    if (Y < Zone && FOffsetY != 0)
        Result.Include(sdUp);
    if (ClientHeight() - FOffsetY < FRangeY && Y > ClientHeight() - Zone)
        Result.Include(sdDown);
    // Hovering near an edge scrolls only after the delay.
    if (Result.Empty()) {
        FScrollStartTime = 0;
    } else if (FScrollStartTime == 0) {
        FScrollStartTime = timeGetTime();
        Result = TScrollDirections();
    } else if (timeGetTime() - FScrollStartTime < FAutoScrollDelay) {
        Result = TScrollDirections();
    }
    return Result;
}

void TBaseVirtualTree::AutoScrollCheck(int X, int Y)
{
    FScrollDirections = DetermineScrollDirections(X, Y);
    if (FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling))
        return;
    const bool Scrolling = FStates.Contains(tsScrollPending) || FStates.Contains(tsScrolling);
    if (!FScrollDirections.Empty() && !Scrolling) {
        ChangeState({tsScrollPending}, {});
        SetTimerFor(ScrollTimer, FAutoScrollDelay);
    } else if (FScrollDirections.Empty() && Scrolling) {
        KillTimerFor(ScrollTimer);
        ChangeState({}, {tsScrollPending, tsScrolling});
    }
}

void TBaseVirtualTree::AutoScrollTick()
{
    TPoint P;
    GetCursorPos(P);
    TRect R = ClientRect();
    const TPoint Origin = ClientToScreen(TPoint{0, 0});
    OffsetRect(R, Origin.X, Origin.Y);
    const bool InRect = PtInRect(R, P);
    const TPoint C = ScreenToClient(P);
    const bool Panning = FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling);
    if (!FStates.Contains(tsDrawSelecting) && !InRect && !Panning)
        return;
    int DeltaX = 0;
    int DeltaY = 0;
    const int V = std::min(FScrollBarOptions->VerticalIncrement(), ClientHeight());
    const int H = FScrollBarOptions->HorizontalIncrement();
    if (FScrollDirections.Contains(sdUp)) {
        if (Panning)
            DeltaY = FLastClickPos.Y - C.Y - PanningDeadZone;
        else if (InRect)
            DeltaY = V;
        else
            DeltaY = V * std::abs(R.Top - P.Y);
        if (FOffsetY == 0)
            FScrollDirections.Exclude(sdUp);
    }
    if (FScrollDirections.Contains(sdDown)) {
        if (Panning)
            DeltaY = FLastClickPos.Y - C.Y + PanningDeadZone;
        else if (InRect)
            DeltaY = -V;
        else
            DeltaY = -V * std::abs(P.Y - R.Bottom);
        if (ClientHeight() - FOffsetY == FRangeY)
            FScrollDirections.Exclude(sdDown);
    }
    if (FScrollDirections.Contains(sdLeft)) {
        if (Panning)
            DeltaX = FLastClickPos.X - C.X - PanningDeadZone;
        else if (InRect)
            DeltaX = H;
        else
            DeltaX = H * std::abs(R.Left - P.X);
        if (FOffsetX == 0)
            FScrollDirections.Exclude(sdLeft);
    }
    if (FScrollDirections.Contains(sdRight)) {
        if (Panning)
            DeltaX = FLastClickPos.X - C.X + PanningDeadZone;
        else if (InRect)
            DeltaX = -H;
        else
            DeltaX = -H * std::abs(P.X - R.Right);
        if (ClientWidth() - FOffsetX == FRangeX)
            FScrollDirections.Exclude(sdRight);
    }
    if (FStates.Contains(tsDrawSelecting)) {
        TRect Clip = ClientRect();
        OffsetRect(Clip, DeltaX, DeltaY);
        SetScrollOffset({FOffsetX + DeltaX, FOffsetY + DeltaY}, DefaultScrollUpdateFlags, &Clip);
        // The rubber band's own rectangle is kept by the mouse handling;
        // what scrolled in is painted with the rest.
        InvalidateTree();
    } else if (DeltaX != 0 || DeltaY != 0) {
        SetScrollOffset({FOffsetX + DeltaX, FOffsetY + DeltaY});
    }
    if (HandleAllocated())
        UpdateWindow(Handle());
    if (FScrollDirections.Empty() && !Panning) {
        KillTimerFor(ScrollTimer);
        ChangeState({}, {tsScrollPending, tsScrolling});
    }
}

void TBaseVirtualTree::BeginWheelPanning(const TPoint& Position)
{
    KillTimerFor(ScrollTimer);
    ChangeState({tsWheelPanning, tsWheelScrolling}, {});
    FLastClickPos = Position;
    if (HandleAllocated()) {
        const bool Wide = FRangeX > ClientWidth();
        const bool Tall = FRangeY > ClientHeight();
        const TVTPanningWindow::TPanningImage Image = Wide && Tall ? TVTPanningWindow::piMoveAll
                                                      : Wide       ? TVTPanningWindow::piMoveEW
                                                                   : TVTPanningWindow::piMoveNS;
        FPanningWindow = std::make_unique<TVTPanningWindow>(this, Image);
        FPanningWindow->ShowAt(ClientToScreen(Position));
        SetCapture(Handle());
        SetTimerFor(ScrollTimer, PanningInterval);
    }
}

void TBaseVirtualTree::UpdatePanningCursor(int X, int Y)
{
    // Only the axes the content can scroll along count.
    const bool Horizontal = FRangeX > ClientWidth();
    const bool Vertical = FRangeY > ClientHeight();
    const int DX = X - FLastClickPos.X;
    const int DY = Y - FLastClickPos.Y;
    const bool East = Horizontal && DX > PanningDeadZone;
    const bool West = Horizontal && DX < -PanningDeadZone;
    const bool South = Vertical && DY > PanningDeadZone;
    const bool North = Vertical && DY < -PanningDeadZone;
    const char* NewCursor = nullptr;
    if (North)
        NewCursor = East ? "VT_MOVENE" : West ? "VT_MOVENW" : "VT_MOVEN";
    else if (South)
        NewCursor = East ? "VT_MOVESE" : West ? "VT_MOVESW" : "VT_MOVES";
    else if (East)
        NewCursor = "VT_MOVEE";
    else if (West)
        NewCursor = "VT_MOVEW";
    else
        NewCursor = Horizontal && Vertical ? "VT_MOVEALL" : Horizontal ? "VT_MOVEEW" : "VT_MOVENS";
    if (FPanningCursor && std::string_view(FPanningCursor) == NewCursor)
        return;
    FPanningCursor = NewCursor;
    ::SetCursor(vtree_private::PanningCursorHandle(NewCursor));
}

void TBaseVirtualTree::EndWheelPanning()
{
    if (!FStates.Contains(tsWheelPanning) && !FStates.Contains(tsWheelScrolling))
        return;
    KillTimerFor(ScrollTimer);
    if (HandleAllocated() && GetCapture() == Handle())
        ReleaseCapture();
    ChangeState({}, {tsWheelPanning, tsWheelScrolling});
    FScrollDirections = TScrollDirections();
    FPanningCursor = nullptr;
    FPanningWindow.reset();
    if (HandleAllocated() && Screen)
        ::SetCursor(Screen->Cursors(Cursor()));
}

// ---- the panning window ----

PRICETAGS_DEFINE_CLASS(TVTPanningWindow)

TVTPanningWindow::TVTPanningWindow(TBaseVirtualTree* Tree, TPanningImage Image)
    : THintWindow(nullptr), FImage(Image)
{
    SetColor(Tree->Color());
}

TVTPanningWindow::~TVTPanningWindow() = default;

void TVTPanningWindow::ShowAt(const TPoint& Centre)
{
    const TPoint Corner{Centre.X - Size / 2, Centre.Y - Size / 2};
    // The hint window grows by 4 pixels at the bottom.
    ActivateHint(TRect{Corner.X, Corner.Y, Corner.X + Size, Corner.Y + Size - 4}, AnsiString());
    // The window shows the plate only: the picture drawn on magenta, each
    // row's runs of other pixels make the region.
    TBitmap Picture;
    Picture.SetSize(Size, Size);
    HDC DC = Picture.Canvas()->Handle();
    DrawImage(DC, static_cast<TColor>(Magenta));
    HRGN Shape = CreateRectRgn(0, 0, 0, 0);
    for (int Y = 0; Y < Size; ++Y)
        for (int X = 0; X < Size;) {
            if ((GetPixel(DC, X, Y) & 0xFFFFFF) == Magenta) {
                ++X;
                continue;
            }
            const int Start = X;
            while (X < Size && (GetPixel(DC, X, Y) & 0xFFFFFF) != Magenta)
                ++X;
            HRGN Run = CreateRectRgn(Start, Y, X, Y + 1);
            CombineRgn(Shape, Shape, Run, RGN_OR);
            DeleteObject(Run);
        }
    SetWindowRgn(Handle(), Shape, false);
}

void TVTPanningWindow::Paint()
{
    DrawImage(Canvas()->Handle(), Color());
}

void TVTPanningWindow::DrawImage(HDC DC, TColor Background) const
{
    Fill(DC, TRect{0, 0, Size, Size}, Background);
    // The plate.
    const HBRUSH Face = CreateSolidBrush(ColorToRGB(clBtnFace));
    const HPEN Rim = CreatePen(PS_SOLID, 1, ColorToRGB(clBtnShadow));
    HGDIOBJ OldBrush = SelectObject(DC, Face);
    HGDIOBJ OldPen = SelectObject(DC, Rim);
    Ellipse(DC, 1, 1, Size - 1, Size - 1);
    // The centre and the arrows.
    const HBRUSH Ink = CreateSolidBrush(ColorToRGB(clBtnText));
    const HPEN InkPen = CreatePen(PS_SOLID, 1, ColorToRGB(clBtnText));
    SelectObject(DC, Ink);
    SelectObject(DC, InkPen);
    const int C = Size / 2;
    Ellipse(DC, C - 2, C - 2, C + 2, C + 2);
    auto Arrow = [&](int DX, int DY) {
        // A triangle 5 pixels deep pointing away from the centre.
        const int TipX = C + DX * 11;
        const int TipY = C + DY * 11;
        const int BaseX = C + DX * 6;
        const int BaseY = C + DY * 6;
        const TPoint P[3] = {{TipX, TipY},
                             {BaseX + DY * 4, BaseY + DX * 4},
                             {BaseX - DY * 4, BaseY - DX * 4}};
        Polygon(DC, P, 3);
    };
    if (FImage != piMoveEW) {
        Arrow(0, -1);
        Arrow(0, 1);
    }
    if (FImage != piMoveNS) {
        Arrow(-1, 0);
        Arrow(1, 0);
    }
    SelectObject(DC, OldBrush);
    SelectObject(DC, OldPen);
    DeleteObject(Face);
    DeleteObject(Rim);
    DeleteObject(Ink);
    DeleteObject(InkPen);
}

// ---- expand and collapse animation ----

void TBaseVirtualTree::AnimateToggle(PVirtualNode Node, bool Expanding, int64_t Size)
{
    if (!FOptions->AnimationOptions().Contains(toAnimatedToggle) || FAnimationDuration == 0 ||
        FUpdateCount > 0 || !HandleAllocated() || Size <= 0 || !IsFullyVisible(Node))
        return;
    const TRect Row = NodeDisplayRect(Node, NoColumn, false);
    const int Bottom = ClientHeight();
    if (Row.Bottom <= Row.Top || Row.Bottom >= Bottom)
        return;
    const int Total = static_cast<int>(std::min<int64_t>(Size, Bottom - Row.Bottom));
    const TRect Band{0, Row.Bottom, ClientWidth(), Bottom};
    HDC DC = GetDC(Handle());
    const DWORD Start = timeGetTime();
    int Done = 0;
    while (Done < Total) {
        const DWORD Elapsed = timeGetTime() - Start;
        const int Target = Elapsed >= FAnimationDuration
                               ? Total
                               : MulDiv(Total, static_cast<int>(Elapsed),
                                        static_cast<int>(FAnimationDuration));
        const int Step = Target - Done;
        if (Step <= 0)
            continue;
        // The rows below slide down (or up); the strip they leave is filled
        // with the tree's colour until the rows are painted in place.
        ScrollDC(DC, 0, Expanding ? Step : -Step, &Band, &Band, nullptr, nullptr);
        const TRect Strip = Expanding ? TRect{0, Row.Bottom + Done, Band.Right, Row.Bottom + Target}
                                      : TRect{0, Bottom - Target, Band.Right, Bottom - Done};
        if (FHeader->UseColumns()) {
            for (TColumnIndex C : FHeader->Columns()->GetVisibleColumns()) {
                TVirtualTreeColumn* Column = FHeader->Columns()->GetItem(C);
                const int L = Column->GetDisplayLeft();
                const TColor Colour =
                    Column->Options().Contains(coParentColor) ? Color() : Column->Color();
                Fill(DC, TRect{L, Strip.Top, L + Column->Width(), Strip.Bottom}, Colour);
            }
        } else {
            Fill(DC, Strip, Color());
        }
        Done = Target;
    }
    ReleaseDC(Handle(), DC);
}

void TBaseVirtualTree::Animate(Cardinal Steps, Cardinal Duration, TVTAnimationCallback Callback,
                               void* Data)
{
    if (FStates.Contains(tsInAnimation) || Duration == 0)
        return;
    ChangeState({tsInAnimation}, {});
    struct AnimationEnd {
        TBaseVirtualTree* Tree;
        ~AnimationEnd() { Tree->ChangeState({}, {tsInAnimation}); }
    } End{this};
    auto Terminated = [] { return Application && Application->Terminated(); };
    int StepSize = std::max(1, static_cast<int>(Round(static_cast<double>(Steps) / Duration)));
    int RemainingSteps = static_cast<int>(Steps) / StepSize;
    int64_t RemainingTime = Duration;
    int Step = 0;
    while (RemainingSteps > 0 && RemainingTime > 0 && !Terminated()) {
        const DWORD Start = timeGetTime();
        if (!Callback(Step, StepSize, Data))
            break;
        // Each step takes its share of the time left.
        const int64_t Slice = RemainingTime / RemainingSteps;
        while (static_cast<int64_t>(timeGetTime() - Start) < Slice) {
        }
        RemainingTime -= static_cast<int64_t>(timeGetTime() - Start);
        Step += StepSize;
        RemainingSteps = (static_cast<int>(Steps) - Step) / StepSize;
        while (RemainingSteps > 0 && RemainingTime > 0 && RemainingTime / RemainingSteps == 0) {
            ++StepSize;
            RemainingSteps = (static_cast<int>(Steps) - Step) / StepSize;
        }
    }
    if (!Terminated())
        Callback(0, 0, Data);
}

THintAnimationType TBaseVirtualTree::EffectiveHintAnimation() const
{
    if (FHintAnimation != hatSystemDefault)
        return FHintAnimation;
    BOOL Animated = false;
    SystemParametersInfo(SPI_GETTOOLTIPANIMATION, 0, &Animated, 0);
    if (!Animated)
        return hatNone;
    BOOL Fade = false;
    SystemParametersInfo(SPI_GETTOOLTIPFADE, 0, &Fade, 0);
    return Fade ? hatFade : hatSlide;
}

// ---- scrolling ------------------------------------------------------------------------------

bool TBaseVirtualTree::SetOffsetXY(int X, int Y)
{
    UpdateScrollBars(false);
    return SetScrollOffset({X, Y});
}

bool TBaseVirtualTree::SetScrollOffset(const TPoint& Value, TScrollUpdateOptions Options,
                                       const TRect* ClipRect)
{
    int X = Value.X;
    int Y = Value.Y;
    if (X < ClientWidth() - FRangeX)
        X = ClientWidth() - FRangeX;
    if (X > 0)
        X = 0;
    if (Y < ClientHeight() - FRangeY)
        Y = ClientHeight() - FRangeY;
    if (Y > 0)
        Y = 0;
    const int DeltaX = X - FOffsetX;
    const int DeltaY = Y - FOffsetY;
    if (DeltaX == 0 && DeltaY == 0)
        return false;
    FOffsetX = X;
    FOffsetY = Y;
    Application->CancelHint();
    if (FUpdateCount == 0 && HandleAllocated()) {
        if (Options.Contains(suoScrollClientArea)) {
            const int Fixed = FHeader->UseColumns() ? FHeader->FixedAreaWidth() : 0;
            const bool Picture = FOptions->PaintOptions().Contains(toShowBackground) &&
                                 FBackground->Graphic() && !FBackground->Graphic()->Empty();
            if (Picture) {
                // A tiled picture is not moved pixel by pixel: the children
                // (an open editor) move and everything is painted anew.
                for (int I = 0; I < ControlCount(); ++I) {
                    TControl* Child = Controls(I);
                    Child->SetBounds(Child->Left() + DeltaX, Child->Top() + DeltaY,
                                     Child->Width(), Child->Height());
                }
                InvalidateRect(Handle(), nullptr, false);
            } else if (DeltaX != 0 && Fixed > 0) {
                TRect R = ClientRect();
                R.Left = Fixed;
                ScrollWindow(Handle(), DeltaX, 0, &R, &R);
                if (DeltaY != 0)
                    ScrollWindow(Handle(), 0, DeltaY, ClipRect, ClipRect);
            } else {
                ScrollWindow(Handle(), DeltaX, DeltaY, ClipRect, ClipRect);
            }
        }
        if (Options.Contains(suoUpdateNCArea)) {
            const TScrollStyle Bars = FScrollBarOptions->ScrollBars();
            const bool Horizontal = Bars == ssHorizontal || Bars == ssBoth;
            if (DeltaX != 0) {
                if (Options.Contains(suoRepaintHeader) && FHeader->Options().Contains(hoVisible))
                    FHeader->Invalidate();
                if (!FStates.Contains(tsSizing) && Horizontal)
                    UpdateHorizontalScrollBar(Options.Contains(suoRepaintScrollBars));
            }
            if (DeltaY != 0 && !FStates.Contains(tsThumbTracking) &&
                !FStates.Contains(tsSizing)) {
                UpdateVerticalScrollBar(Options.Contains(suoRepaintScrollBars));
                if (!FHeader->UseColumns() && !FStates.Contains(tsDrawSelecting) && Horizontal)
                    UpdateHorizontalScrollBar(Options.Contains(suoRepaintScrollBars));
            }
        }
    }
    DoScroll(DeltaX, DeltaY);
    return true;
}

void TBaseVirtualTree::UpdateScrollBars(bool DoChildren)
{
    UpdateVerticalScrollBar(DoChildren);
    UpdateHorizontalScrollBar(DoChildren);
}

namespace {

// Shows the window's bar for a range over a page, or hides it; the
// position becomes -Offset.
void ShowBar(HWND Wnd, int Bar, int Range, int Page, int Offset, bool AlwaysVisible)
{
    SCROLLINFO Info;
    Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    if (Page >= Range && !AlwaysVisible) {
        Info.nMin = 0;
        Info.nMax = 0;
        Info.nPage = 0;
        Info.nPos = 0;
        SetScrollInfo(Wnd, Bar, Info, false);
        ShowScrollBar(Wnd, Bar, false);
        return;
    }
    if (AlwaysVisible)
        Info.fMask |= SIF_DISABLENOSCROLL;
    Info.nMin = 0;
    // The bar's maximum is the last pixel of the range.
    Info.nMax = std::max(Range - 1, 0);
    Info.nPage = static_cast<UINT>(std::max(Page, 0));
    Info.nPos = -Offset;
    Info.nTrackPos = -Offset;
    ShowScrollBar(Wnd, Bar, true);
    SetScrollInfo(Wnd, Bar, Info, true);
}

} // namespace

void TBaseVirtualTree::UpdateVerticalScrollBar(bool)
{
    FRangeY = static_cast<int>(FRoot->TotalHeight - FRoot->NodeHeight);
    if (ClientHeight() >= FRangeY)
        FOffsetY = 0;
    else
        FOffsetY = std::max(FOffsetY, ClientHeight() - FRangeY);
    if (!HandleAllocated() || FUpdateCount > 0)
        return;
    const TScrollStyle Bars = FScrollBarOptions->ScrollBars();
    if (Bars != ssVertical && Bars != ssBoth)
        return;
    ShowBar(Handle(), SB_VERT, FRangeY, ClientHeight(), FOffsetY,
            FScrollBarOptions->AlwaysVisible());
}

void TBaseVirtualTree::UpdateHorizontalScrollBar(bool)
{
    FRangeX = FHeader->UseColumns() ? FHeader->TotalColumnWidth() : 0;
    if (ClientWidth() >= FRangeX)
        FOffsetX = 0;
    else
        FOffsetX = std::max(FOffsetX, ClientWidth() - FRangeX);
    if (!HandleAllocated() || FUpdateCount > 0)
        return;
    const TScrollStyle Bars = FScrollBarOptions->ScrollBars();
    if (Bars != ssHorizontal && Bars != ssBoth)
        return;
    ShowBar(Handle(), SB_HORZ, FRangeX, ClientWidth(), FOffsetX,
            FScrollBarOptions->AlwaysVisible());
}

void TBaseVirtualTree::WMVScroll(TWMScroll& Message)
{
    const int Line = std::min(FScrollBarOptions->VerticalIncrement(), ClientHeight());
    int Y = FOffsetY;
    switch (Message.ScrollCode) {
    case SB_LINEUP: Y += Line; break;
    case SB_LINEDOWN: Y -= Line; break;
    case SB_PAGEUP: Y += ClientHeight(); break;
    case SB_PAGEDOWN: Y -= ClientHeight(); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO Info;
        Info.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), SB_VERT, Info);
        Y = -Info.nTrackPos;
        break;
    }
    case SB_TOP: Y = 0; break;
    case SB_BOTTOM: Y = -FRangeY; break;
    default: return;
    }
    SetScrollOffset({FOffsetX, Y});
}

void TBaseVirtualTree::WMHScroll(TWMScroll& Message)
{
    const int Line = FScrollBarOptions->HorizontalIncrement();
    int X = FOffsetX;
    switch (Message.ScrollCode) {
    case SB_LINELEFT: X += Line; break;
    case SB_LINERIGHT: X -= Line; break;
    case SB_PAGELEFT: X += ClientWidth(); break;
    case SB_PAGERIGHT: X -= ClientWidth(); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO Info;
        Info.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), SB_HORZ, Info);
        X = -Info.nTrackPos;
        break;
    }
    case SB_LEFT: X = 0; break;
    case SB_RIGHT: X = -FRangeX; break;
    default: return;
    }
    SetScrollOffset({X, FOffsetY});
}

bool TBaseVirtualTree::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    EndWheelPanning();
    if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos))
        return true;
    const bool Ctrl = Shift.Contains(ssCtrl);
    const int Row = static_cast<int>(std::max<Cardinal>(FDefaultNodeHeight, 1));
    const int Step = static_cast<int>(std::max<Cardinal>(FIndent, 1));
    // Pixels one notch (120) moves: taller content scrolls rows (a page
    // with Ctrl or when the system says so), else the view goes sideways
    // by Indent steps (a client width of them with Ctrl). Devices that
    // send small deltas (touchpads) add up until a pixel is due; the rest
    // waits for the next event instead of being dropped.
    const bool Vertical = FRangeY > ClientHeight();
    int64_t PerNotch = 0;
    if (Vertical) {
        UINT Lines = 3;
        SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0);
        const int64_t Page = static_cast<int64_t>(ClientHeight() / Row) * Row;
        PerNotch = Ctrl || Lines == static_cast<UINT>(-1) ? Page
                                                          : static_cast<int64_t>(Lines) * Row;
    } else {
        PerNotch = Ctrl ? static_cast<int64_t>(ClientWidth() / Step) * Step : Step;
    }
    const int64_t Total = FWheelRest + static_cast<int64_t>(WheelDelta) * PerNotch;
    const int64_t Pixels = Total / 120;
    FWheelRest = static_cast<int>(Total % 120);
    if (Pixels != 0) {
        if (Vertical)
            SetScrollOffset({FOffsetX, FOffsetY + static_cast<int>(Pixels)});
        else
            SetScrollOffset({FOffsetX + static_cast<int>(Pixels), FOffsetY});
    }
    return true;
}

// ---- drag image -----------------------------------------------------------------------------

TVTDragImage::TVTDragImage(TBaseVirtualTree* AOwner) : FOwner(AOwner) {}

TVTDragImage::~TVTDragImage()
{
    EndDrag();
}

void TVTDragImage::PrepareDrag(TBitmap* Picture, const TPoint& ImagePosition, const TPoint& HotSpot)
{
    EndDrag();
    const int W = Picture->Width();
    const int H = Picture->Height();
    if (W <= 0 || H <= 0)
        return;
    // The screen below is never read: the picture is blended towards the
    // tree's colour here, by its own transparency and the two biases, and
    // (with Fade) more towards its border.
    const COLORREF Back = ColorToRGB(FOwner->Color());
    const COLORREF Key = FColorKey == clNone ? CLR_INVALID : ColorToRGB(FColorKey) & 0xFFFFFF;
    const TColor Transparent = static_cast<TColor>(0xFF00FF);
    TBitmap Blended;
    Blended.SetSize(W, H);
    const double Size = std::max(W, H);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            const COLORREF C = static_cast<COLORREF>(Picture->Canvas()->Pixels(X, Y)) & 0xFFFFFF;
            if (C == Key) {
                Blended.Canvas()->SetPixels(X, Y, Transparent);
                continue;
            }
            double Alpha = FTransparency / 255.0;
            if (FFade) {
                const double DX = (X - W / 2.0) / Size;
                const double DY = (Y - H / 2.0) / Size;
                Alpha *= std::exp(-8 * std::sqrt(DX * DX + DY * DY));
            }
            auto Channel = [&](int Fore, int Under) {
                const int Pre = std::clamp(Fore + FPreBlendBias, 0, 255);
                const int Mixed = static_cast<int>(Pre * Alpha + Under * (1 - Alpha) + 0.5);
                return std::clamp(Mixed + FPostBlendBias, 0, 255);
            };
            COLORREF Out = RGB(Channel(GetRValue(C), GetRValue(Back)),
                               Channel(GetGValue(C), GetGValue(Back)),
                               Channel(GetBValue(C), GetBValue(Back)));
            // Keep the mask colour for the left-out pixels only.
            if (Out == 0xFF00FF)
                Out = 0xFE00FF;
            Blended.Canvas()->SetPixels(X, Y, static_cast<TColor>(Out));
        }
    FList = std::make_unique<TCustomImageList>(nullptr, W, H);
    FList->AddMasked(&Blended, Transparent);
    FSize = TSize{W, H};
    FImagePosition = ImagePosition;
    FLastPosition = HotSpot;
    ImageList_BeginDrag(FList->Handle(), 0, HotSpot.X - ImagePosition.X,
                        HotSpot.Y - ImagePosition.Y);
    FPrepared = true;
    FInDrag = true;
    FHidden = true;
}

void TVTDragImage::ShowDragImage()
{
    if (!FPrepared || !FHidden)
        return;
    FHidden = false;
    ImageList_DragEnter(nullptr, FLastPosition.X, FLastPosition.Y);
}

void TVTDragImage::HideDragImage()
{
    if (!Visible())
        return;
    FHidden = true;
    ImageList_DragShowNolock(false);
}

TPoint TVTDragImage::Moved(const TPoint& P) const
{
    TPoint Delta{P.X - FLastPosition.X, P.Y - FLastPosition.Y};
    if (FRestriction == dmrVerticalOnly)
        Delta.X = 0;
    if (FRestriction == dmrHorizontalOnly)
        Delta.Y = 0;
    return Delta;
}

bool TVTDragImage::WillMove(const TPoint& P) const
{
    const TPoint D = Moved(P);
    return Visible() && (D.X != 0 || D.Y != 0);
}

bool TVTDragImage::DragTo(const TPoint& P, bool ForceRepaint)
{
    const TPoint D = Moved(P);
    const bool Moves = D.X != 0 || D.Y != 0;
    if (!Moves && !ForceRepaint)
        return false;
    FImagePosition.X += D.X;
    FImagePosition.Y += D.Y;
    FLastPosition.X += D.X;
    FLastPosition.Y += D.Y;
    if (Visible())
        ImageList_DragMove(FLastPosition.X, FLastPosition.Y);
    return Moves;
}

void TVTDragImage::EndDrag()
{
    if (!FPrepared)
        return;
    HideDragImage();
    ImageList_EndDrag();
    FPrepared = false;
    FInDrag = false;
    FList.reset();
}

TRect TVTDragImage::GetDragImageRect() const
{
    return TRect{FImagePosition.X, FImagePosition.Y, FImagePosition.X + FSize.cx,
                 FImagePosition.Y + FSize.cy};
}

void TBaseVirtualTree::PrepareDragImage(const TPoint& HotSpot)
{
    if (FDragImageKind == diNoImage || FDragWidth <= 0 || FDragHeight <= 0)
        return;
    // The window around the hot spot in tree coordinates; what lies above
    // or left of the tree's origin is cut off.
    TRect Window{HotSpot.X - FOffsetX - FDragWidth / 2, HotSpot.Y - FOffsetY - FDragHeight / 2, 0,
                 0};
    Window.Right = Window.Left + FDragWidth;
    Window.Bottom = Window.Top + FDragHeight;
    Window.Left = std::max(Window.Left, 0);
    Window.Top = std::max(Window.Top, 0);
    if (Window.Right <= Window.Left || Window.Bottom <= Window.Top)
        return;
    TBitmap Picture;
    Picture.SetSize(Window.Width(), Window.Height());
    Picture.Canvas()->Brush()->SetColor(Color());
    Picture.Canvas()->FillRect(TRect{0, 0, Window.Width(), Window.Height()});
    TVTInternalPaintOptions Options{poDrawSelection, poSelectedOnly};
    if (FDragImageKind == diMainColumnOnly)
        Options.Include(poMainOnly);
    PaintTree(Picture.Canvas(), Window, TPoint{0, 0}, Options);
    const TPoint Corner = ClientToScreen(TPoint{Window.Left + FOffsetX, Window.Top + FOffsetY});
    FDragImage->PrepareDrag(&Picture, Corner, ClientToScreen(HotSpot));
}

// ---- hint window ----------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TVirtualTreeHintWindow)

bool HintWindowDestroyed = false;

TVirtualTreeHintWindow::TVirtualTreeHintWindow(TComponent* AOwner) : THintWindow(AOwner)
{
    HintWindowDestroyed = false;
}

TVirtualTreeHintWindow::~TVirtualTreeHintWindow()
{
    HintWindowDestroyed = true;
}

void TVirtualTreeHintWindow::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SETTEXT:
    case CM_TEXTCHANGED:
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_NCPAINT:
        Message.Result = 0;
        return;
    case WM_DESTROY:
        // The application hides its hint by destroying the window.
        FHintData = TVTHintData();
        FAnimation = hatNone;
        FSlideRows = -1;
        HintWindowDestroyed = false;
        break;
    default:
        break;
    }
    THintWindow::WndProc(Message);
}

bool TVirtualTreeHintWindow::IsHintMsg(const MSG& Msg)
{
    const UINT M = Msg.message;
    if (M == WM_NCMOUSEMOVE || (M >= WM_KEYFIRST && M <= WM_KEYLAST))
        return false;
    return THintWindow::IsHintMsg(Msg) && HandleAllocated() && Visible();
}

void TVirtualTreeHintWindow::ActivateHint(TRect Rect, const AnsiString&)
{
    if (IsRectEmpty(Rect)) {
        Application->CancelHint();
        return;
    }
    TBaseVirtualTree* Tree = FHintData.Tree;
    const bool WasAnimating = Tree && Tree->TreeStates().Contains(tsInAnimation);
    // The animation running (this hint's previous one, further out on the
    // stack) ends; a cancel left from an earlier one must not stop this one.
    if (Tree)
        Tree->ChangeState({}, {tsInAnimation, tsCancelHintAnimation});
    const int W = Rect.Width();
    const int H = Rect.Height();
    SetWindowPos(Handle(), nullptr, Rect.Left, Rect.Top, W, H,
                 SWP_NOACTIVATE | SWP_NOZORDER | SWP_HIDEWINDOW);
    Rect = HintRectInsideDesktop(Rect);

    // Without a duration nothing would step the animation: the hint would
    // stay unseen. It shows at once instead.
    FAnimation = Tree && Tree->AnimationDuration() > 0 ? Tree->EffectiveHintAnimation() : hatNone;
    if (FAnimation == hatSystemDefault)
        FAnimation = hatNone;
    // Hidden until the animation's first step: fully transparent for a
    // fade, no rows for a slide.
    const HWND Wnd = Handle();
    const auto ExStyle = static_cast<uint32_t>(GetWindowLong(Wnd, GWL_EXSTYLE));
    if (FAnimation == hatFade) {
        SetWindowLong(Wnd, GWL_EXSTYLE, ExStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(Wnd, 0, 0, LWA_ALPHA);
    } else {
        SetWindowLong(Wnd, GWL_EXSTYLE, ExStyle & ~uint32_t(WS_EX_LAYERED));
    }
    FSlideRows = FAnimation == hatSlide ? 0 : -1;
    SetWindowRgn(Wnd, FAnimation == hatSlide ? CreateRectRgn(0, 0, 0, 0) : nullptr, false);
    if (Tree)
        Tree->Update();
    FVisible = true;
    SetWindowPos(Wnd, HWND_TOPMOST, Rect.Left, Rect.Top, W, H, SWP_SHOWWINDOW | SWP_NOACTIVATE);

    const TVTAnimationCallback Step(this, &TVirtualTreeHintWindow::AnimationCallback);
    switch (FAnimation) {
    case hatFade:
        ValidateRect(Wnd, nullptr);
        Tree->Animate(255, 2 * Tree->AnimationDuration(), Step, nullptr);
        break;
    case hatSlide:
        ValidateRect(Wnd, nullptr);
        Tree->Animate(static_cast<Cardinal>(H), Tree->AnimationDuration(), Step, nullptr);
        break;
    case hatNone:
    case hatSystemDefault:
        Invalidate();
        break;
    }
    if (WasAnimating && !HintWindowDestroyed && HandleAllocated())
        Tree->ChangeState({tsCancelHintAnimation}, {});
}

bool TVirtualTreeHintWindow::AnimationCallback(int Step, int StepSize, void*)
{
    if (HintWindowDestroyed || !HandleAllocated() || !Visible() ||
        !FHintData.Tree || FHintData.Tree->TreeStates().Contains(tsCancelHintAnimation))
        return false;
    InternalPaint(Step, StepSize);
    Application->ProcessMessages();
    return true;
}

void TVirtualTreeHintWindow::InternalPaint(int Step, int StepSize)
{
    const HWND Wnd = Handle();
    const bool Last = StepSize == 0;
    switch (FAnimation) {
    case hatFade:
        if (Step == 0 && !Last) {
            Invalidate();
            UpdateWindow(Wnd);
        }
        SetLayeredWindowAttributes(
            Wnd, 0, static_cast<Byte>(Last ? 255 : std::min(255, MulDiv(Step, 256, 255))),
            LWA_ALPHA);
        return;
    case hatSlide:
        FSlideRows = Last ? -1 : std::min(Step, ClientHeight());
        SetWindowRgn(Wnd, Last ? nullptr : CreateRectRgn(0, 0, ClientWidth(), FSlideRows),
                     false);
        Invalidate();
        UpdateWindow(Wnd);
        return;
    case hatNone:
    case hatSystemDefault:
        Invalidate();
        UpdateWindow(Wnd);
        return;
    }
}

bool TVirtualTreeHintWindow::TooltipMode() const
{
    return FHintData.Tree && FHintData.Node && FHintData.Tree->HintMode() == hmTooltip;
}

TFont* TVirtualTreeHintWindow::HintFontFor() const
{
    return TooltipMode() ? FHintData.Tree->Font() : Screen->HintFont();
}

const std::u16string& TVirtualTreeHintWindow::Text() const
{
    return FHintData.DefaultHint.empty() ? FHintData.HintText : FHintData.DefaultHint;
}

TRect TVirtualTreeHintWindow::CalcHintRect(int MaxWidth, const AnsiString&, void* AData)
{
    if (!AData)
        return TRect();
    FHintData = *static_cast<const TVTHintData*>(AData);
    TBaseVirtualTree* Tree = FHintData.Tree;
    if (!Tree)
        return TRect();
    TVTHeader* Header = Tree->Header();
    if (Header->Columns()->IsValidColumn(FHintData.Column)) {
        TVirtualTreeColumn* C = Header->Columns()->GetItem(FHintData.Column);
        FHintData.BiDiMode = C->BiDiMode();
        FHintData.Alignment = C->Alignment();
    } else {
        FHintData.BiDiMode = Tree->BiDiMode();
        FHintData.Alignment = Tree->Alignment();
    }
    if (FHintData.BiDiMode != bdLeftToRight && FHintData.Alignment != taCenter)
        FHintData.Alignment =
            FHintData.Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    const std::u16string& T = Text();
    if (T.empty())
        return TRect();
    HDC DC = GetDC(nullptr);
    const HGDIOBJ Old = SelectObject(DC, HintFontFor()->Handle());
    TEXTMETRIC TM;
    GetTextMetrics(DC, TM);
    FTextHeight = TM.tmHeight;
    TRect R;
    if (!TooltipMode()) {
        FHintData.LineBreakStyle = hlbDefault;
        R = TRect{0, 0, MaxWidth, FTextHeight};
        DrawTextW(DC, T.data(), static_cast<int>(T.size()), R, DT_CALCRECT | DT_NOPREFIX);
        R.Bottom += 6;
        R.Right += 2 * Tree->TextMargin() + 2;
    } else {
        if (FHintData.LineBreakStyle == hlbDefault)
            FHintData.LineBreakStyle =
                FHintData.Node->Has(vsMultiline) ? hlbForceMultiLine : hlbForceSingleLine;
        if (FHintData.LineBreakStyle == hlbForceSingleLine) {
            R = Tree->NodeDisplayRect(FHintData.Node, FHintData.Column, true, true);
            if (Tree->TreeOptions()->PaintOptions().Contains(toShowHorzGridLines))
                --R.Bottom;
        } else {
            const TRect Node = Tree->NodeDisplayRect(FHintData.Node, FHintData.Column, false, true);
            R = Node;
            DrawTextW(DC, T.data(), static_cast<int>(T.size()), R,
                      DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            R.Right += Tree->TextMargin() + 1;
            // The node shows the whole text already: no tooltip.
            const TRect Client{0, 0, Tree->ClientWidth() + 3, Tree->ClientHeight() + 3};
            if (static_cast<int>(Tree->NodeHeight(FHintData.Node)) + 2 >= R.Height() &&
                R.Left >= Client.Left && R.Top >= Client.Top && R.Right <= Client.Right &&
                R.Bottom <= Client.Bottom)
                R = TRect();
        }
    }
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    if (R.Right <= R.Left || R.Bottom <= R.Top)
        return TRect();
    InflateRect(R, 1, 1);
    return TRect{-1, -1, -1 + R.Width(), -1 + R.Height()};
}

void TVirtualTreeHintWindow::Paint()
{
    TCanvas* C = Canvas();
    HDC DC = C->Handle();
    TRect R = ClientRect();
    // A slide shows the hint's bottom rows at the window's top.
    if (FSlideRows >= 0)
        OffsetRect(R, 0, FSlideRows - R.Height());
    C->Pen()->SetColor(clBlack);
    C->Brush()->SetColor(clInfoBk);
    C->Rectangle(R);
    const std::u16string& T = Text();
    if (T.empty() || !FHintData.Tree)
        return;
    SelectObject(DC, HintFontFor()->Handle());
    SetTextColor(DC, ColorToRGB(clInfoText));
    SetBkMode(DC, TRANSPARENT);
    TRect TextRect = R;
    InflateRect(TextRect, -1, -1);
    const int Margin = FHintData.Tree->TextMargin();
    UINT Flags = DT_NOPREFIX;
    if (FHintData.BiDiMode != bdLeftToRight) {
        Flags |= DT_RIGHT | DT_RTLREADING;
        TextRect.Right -= Margin - 1;
    } else {
        TextRect.Left += Margin;
    }
    if (FHintData.LineBreakStyle == hlbForceMultiLine)
        Flags |= DT_WORDBREAK;
    else if (TooltipMode())
        Flags |= DT_SINGLELINE | DT_VCENTER;
    else
        TextRect.Top += 2;
    DrawTextW(DC, T.data(), static_cast<int>(T.size()), TextRect, Flags);
}
