// The selectable cell grid and the tiling image.

#include "common/components/YLDCompn.h"

#include "platform/classes/Strings.h"
#include "platform/winapi/Messages.h"

#include <algorithm>

namespace {

/// The two colours of a 3-D edge, indexed by "light".
constexpr TColor EdgeColors[2] = {clBtnShadow, clBtnHighlight};

bool IsEmptyRect(const TRect& R)
{
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

} // namespace

// ---- Tyl_Bevel ------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_Bevel,
    Property("Flat", &Tyl_Bevel::Flat, &Tyl_Bevel::SetFlat),
    Property("SelColor", &Tyl_Bevel::SelColor, &Tyl_Bevel::SetSelColor),
    Property("Cols", &Tyl_Bevel::Cols, &Tyl_Bevel::SetCols),
    Property("Rows", &Tyl_Bevel::Rows, &Tyl_Bevel::SetRows),
    Property("Col", &Tyl_Bevel::Col, &Tyl_Bevel::SetCol),
    Property("Row", &Tyl_Bevel::Row, &Tyl_Bevel::SetRow))

Tyl_Bevel::Tyl_Bevel(TComponent* AOwner)
    : TGraphicControl(AOwner), FCaps(std::make_unique<TStringList>())
{
    SetBounds(FLeft, FTop, 30, 20);
    SetOrientation(boVertical);
}

Tyl_Bevel::~Tyl_Bevel() = default;

void Tyl_Bevel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (FCols >= 1 && FRows >= 1) {
        FCellW = AWidth / FCols;
        FCellH = AHeight / FRows;
        AWidth = FCols * FCellW;
        AHeight = FRows * FCellH;
    }
    inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void Tyl_Bevel::SetCols(int Value)
{
    if (Value == FCols || Value < 1 || Width() / 4 < Value)
        return;
    FCols = Value;
    SetBounds(Left(), Top(), Width(), Height());
    Invalidate();
}

void Tyl_Bevel::SetRows(int Value)
{
    if (Value == FRows || Value < 1 || Height() / 4 < Value)
        return;
    FRows = Value;
    SetBounds(Left(), Top(), Width(), Height());
    Invalidate();
}

void Tyl_Bevel::SetCol(int Value)
{
    if (Value == FCol)
        return;
    FCol = Value;
    DrawSelection(LiveCanvas());
}

void Tyl_Bevel::SetRow(int Value)
{
    if (Value == FRow)
        return;
    FRow = Value;
    DrawSelection(LiveCanvas());
}

void Tyl_Bevel::SetSelColor(TColor Value)
{
    FSelColor = Value;
    DrawSelection(LiveCanvas());
}

void Tyl_Bevel::SetStyle(TBevelStyle Value)
{
    FStyle = Value;
    Invalidate();
}

void Tyl_Bevel::SetOptions(Tyl_BevelOptions Value)
{
    FOptions = Value;
    Invalidate();
}

void Tyl_Bevel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    Invalidate();
}

void Tyl_Bevel::SetOrientation(Tyl_BevelOrientation Value)
{
    FOrientation = Value;
    Invalidate();
}

TStrings* Tyl_Bevel::Caps() const
{
    return FCaps.get();
}

void Tyl_Bevel::SetCaps(TStrings* Value)
{
    FCaps->Assign(Value);
    Invalidate();
}

AnsiString Tyl_Bevel::CellCaption(int ACol, int ARow) const
{
    const int Count = FCaps->Count();
    if (ARow < 0 || ACol < 0 || Count == 0)
        return AnsiString();
    const int Index = FOrientation == boVertical ? ACol * FRows + ARow : ARow * FCols + ACol;
    return FCaps->Strings(Index % Count);
}

TRect Tyl_Bevel::CellRectOf(int ACol, int ARow) const
{
    return {ACol * FCellW, ARow * FCellH, (ACol + 1) * FCellW - 1, (ARow + 1) * FCellH - 1};
}

TCanvas* Tyl_Bevel::LiveCanvas()
{
    // Outside painting the canvas draws on the parent's window.
    if (!Parent() || !Parent()->HandleAllocated() || !Visible())
        return nullptr;
    return Canvas();
}

void Tyl_Bevel::DrawFrame(TCanvas* C, TRect R, int Inset, TColor TopLeft, TColor BottomRight)
{
    InflateRect(R, -Inset, -Inset);
    const TColor Saved = C->Pen()->Color();
    C->Pen()->SetWidth(1);
    C->Pen()->SetColor(TopLeft);
    C->Polyline({{R.Left, R.Bottom}, {R.Left, R.Top}, {R.Right, R.Top}});
    C->Pen()->SetColor(BottomRight);
    C->Polyline({{R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left, R.Bottom}});
    C->Pen()->SetColor(Saved);
}

void Tyl_Bevel::DrawCaption(TCanvas* C, TRect R, const AnsiString& Text)
{
    static const UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    InflateRect(R, -3, -3);
    C->FillRect({R.Left, R.Top, R.Right + 1, R.Bottom + 1});
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(C->Font()->Color()));
    DrawText(DC, Text, R, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | Alignments[FAlignment]);
}

void Tyl_Bevel::Paint()
{
    TCanvas* C = Canvas();
    C->Pen()->SetWidth(1);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clBtnFace);
    C->Font()->Assign(Font());
    FCellH = Height() / FRows;
    FCellW = Width() / FCols;
    const bool Raised = FStyle == bsRaised;
    const auto Cell = [&](int ACol, int ARow) {
        const TRect R = CellRectOf(ACol, ARow);
        DrawFrame(C, R, 0, EdgeColors[Raised], EdgeColors[!Raised]);
        if (FCaps->Count() > 0)
            DrawCaption(C, R, CellCaption(ACol, ARow));
    };
    if (FOrientation == boVertical) {
        for (int I = 0; I < FCols; ++I)
            for (int J = 0; J < FRows; ++J)
                Cell(I, J);
    } else {
        for (int J = 0; J < FRows; ++J)
            for (int I = 0; I < FCols; ++I)
                Cell(I, J);
    }
    // The whole selection is painted anew.
    FPrevCol = -1;
    FPrevRow = -1;
    DrawSelection(C);
}

void Tyl_Bevel::DrawSelection(TCanvas* C)
{
    const TRect S {FCol * FCellW, FRow * FCellH, (FCol + 1) * FCellW - 1, (FRow + 1) * FCellH - 1};
    if (IsEmptyRect(S))
        return;
    const bool Raised = FStyle == bsRaised;
    const bool HasCaps = FCaps->Count() > 0;
    if (C) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(clBtnFace);
        C->Font()->Assign(Font());
    }
    if (C && HasCaps && (FCol != FPrevCol || FRow != FPrevRow) && FPrevCol >= 0 && FPrevRow >= 0) {
        // The previous selection goes back to a plain cell.
        const TRect P = CellRectOf(FPrevCol, FPrevRow);
        DrawFrame(C, P, 0, EdgeColors[Raised], EdgeColors[!Raised]);
        DrawFrame(C, P, 1, clBtnFace, clBtnFace);
        DrawFrame(C, P, 2, clBtnFace, clBtnFace);
        DrawCaption(C, P, CellCaption(FPrevCol, FPrevRow));
    }
    if (S != FSelRect) {
        FPrevCol = FCol;
        FPrevRow = FRow;
        FSelRect = S;
        OnChangeSel(this, FCol, FRow);
    }
    if (!C || FCol < 0 || FRow < 0 || FCol >= FCols || FRow >= FRows || !FOptions.Contains(boSelShow))
        return;
    if (HasCaps) {
        const TFontStyles Style = C->Font()->Style();
        const TColor Color = C->Font()->Color();
        C->Font()->SetColor(FSelColor);
        C->Font()->SetStyle(Style + TFontStyles{fsBold});
        DrawCaption(C, S, CellCaption(FCol, FRow));
        C->Font()->SetStyle(Style);
        C->Font()->SetColor(Color);
    }
    DrawFrame(C, S, 0, clWindowText, clWindowText);
    if (FOptions.Contains(boSelPressed))
        DrawFrame(C, S, 1, EdgeColors[!Raised], EdgeColors[Raised]);
    else
        DrawFrame(C, S, 1, EdgeColors[Raised], EdgeColors[!Raised]);
}

void Tyl_Bevel::Track(int X, int Y, bool LeftHeld, bool Force)
{
    if ((!FFlat && !LeftHeld) || FCellW == 0 || FCellH == 0)
        return;
    if (!Force && X >= FHotRect.Left && X < FHotRect.Right && Y >= FHotRect.Top && Y < FHotRect.Bottom)
        return;
    bool Shown = true;
    for (TControl* C = this; C; C = C->Parent())
        Shown = Shown && C->Visible() && C->Enabled();
    FMouseInside = X >= 0 && Y >= 0 && X < Width() && Y < Height() && Shown;
    SetMouseCapture(FMouseInside);
    TCanvas* C = LiveCanvas();
    if (C && !IsEmptyRect(FHotRect)) {
        TRect Old = FHotRect;
        --Old.Right;
        --Old.Bottom;
        DrawFrame(C, Old, 2, clBtnFace, clBtnFace);
    }
    if (!FMouseInside) {
        FHotRect = {};
        FRangeRect = {};
        return;
    }
    const int HotCol = X / FCellW;
    const int HotRow = Y / FCellH;
    bool Pressed = FStyle == bsLowered;
    if (HotCol == FCol && HotRow == FRow && FOptions.Contains(boSelPressed))
        Pressed = !Pressed;
    if (LeftHeld)
        Pressed = !Pressed;
    FHotRect = {HotCol * FCellW, HotRow * FCellH, (HotCol + 1) * FCellW, (HotRow + 1) * FCellH};
    if (FOptions.Contains(boSelRange) && IsEmptyRect(FRangeRect))
        FRangeRect = FHotRect;
    if (C)
        DrawFrame(C, CellRectOf(HotCol, HotRow), 2, EdgeColors[!Pressed], EdgeColors[Pressed]);
    FLastCol = HotCol;
    FLastRow = HotRow;
    OnChange(this, HotCol, HotRow);
}

void Tyl_Bevel::Click()
{
    FCol = FLastCol;
    FRow = FLastRow;
    DrawSelection(LiveCanvas());
    inherited::Click();
}

void Tyl_Bevel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft)
        Track(X, Y, /*LeftHeld=*/true, /*Force=*/true);
    inherited::MouseDown(Button, Shift, X, Y);
}

void Tyl_Bevel::MouseMove(TShiftState Shift, int X, int Y)
{
    Track(X, Y, Shift.Contains(ssLeft), /*Force=*/false);
    inherited::MouseMove(Shift, X, Y);
}

void Tyl_Bevel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft)
        Track(X, Y, /*LeftHeld=*/false, /*Force=*/true);
    inherited::MouseUp(Button, Shift, X, Y);
}

void Tyl_Bevel::CMMouseLeave(TMessageRecord& Message)
{
    inherited::CMMouseLeave(Message);
    Track(-1, -1, /*LeftHeld=*/false, /*Force=*/true);
}

// ---- Tyl_Image -----------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_Image)

Tyl_Image::~Tyl_Image() = default;

void Tyl_Image::Paint()
{
    if (FPainting)
        return;
    TGraphic* G = Picture()->Graphic();
    if (Stretch() || Center() || !G || G->Width() < 1 || G->Height() < 1) {
        inherited::Paint();
        return;
    }
    FPainting = true;
    struct Done {
        bool& F;
        ~Done() { F = false; }
    } Guard {FPainting};
    // Only the tiles that meet the control are drawn.
    for (int Y = 0; Y < Height(); Y += G->Height())
        for (int X = 0; X < Width(); X += G->Width())
            Canvas()->Draw(X, Y, G);
}
