#include "platform/forms/ExtCtrls.h"

#include "platform/forms/StdPrivate.h"
#include "platform/classes/Strings.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(TCustomPanel)
PRICETAGS_DEFINE_CLASS(TPanel)
PRICETAGS_DEFINE_CLASS(TBevel)
PRICETAGS_DEFINE_CLASS(TImage)
PRICETAGS_DEFINE_CLASS(TPaintBox)
PRICETAGS_DEFINE_CLASS(TShape)
PRICETAGS_DEFINE_CLASS(TCustomRadioGroup)
PRICETAGS_DEFINE_CLASS(TRadioGroup)

TPanel::~TPanel() = default;
TRadioGroup::~TRadioGroup() = default;

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(FLeft, FTop, 105, 105);
}

TPaintBox::~TPaintBox() = default;

void TPaintBox::Paint()
{
    Canvas()->Font()->Assign(Font());
    Canvas()->Brush()->SetColor(Color());
    OnPaint(this);
}

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width)
{
    --Rect.Bottom;
    --Rect.Right;
    for (int I = 0; I < Width; ++I) {
        Canvas->Pen()->SetColor(TopColor);
        Canvas->Polyline({{Rect.Left, Rect.Bottom}, {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}});
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->Polyline({{Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left - 1, Rect.Bottom}});
        InflateRect(Rect, -1, -1);
    }
    ++Rect.Bottom;
    ++Rect.Right;
}

// ---- panel ------------------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                     csReplicatable});
    FParentColor = false;
    FColor = clBtnFace;
    SetBounds(FLeft, FTop, 185, 41);
}

TCustomPanel::~TCustomPanel() = default;

void TCustomPanel::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    if (FBorderStyle == bsSingle)
        AddSingleBorder(Params, Ctl3D());
}

int TCustomPanel::FrameWidth() const
{
    int W = FBorderWidth;
    if (FBevelOuter != bvNone)
        W += FBevelWidth;
    if (FBevelInner != bvNone)
        W += FBevelWidth;
    return W;
}

void TCustomPanel::AdjustClientRect(TRect& Rect)
{
    inherited::AdjustClientRect(Rect);
    InflateRect(Rect, -FrameWidth(), -FrameWidth());
}

void TCustomPanel::Paint()
{
    TCanvas* C = Canvas();
    TRect R = TControl::ClientRect();
    auto Bevel = [&](TBevelCut Cut) {
        if (Cut == bvNone)
            return;
        const TColor Top = Cut == bvLowered ? clBtnShadow : clBtnHighlight;
        const TColor Bottom = Cut == bvLowered ? clBtnHighlight : clBtnShadow;
        if (Cut == bvSpace)
            InflateRect(R, -FBevelWidth, -FBevelWidth);
        else
            Frame3D(C, R, Top, Bottom, FBevelWidth);
    };
    Bevel(FBevelOuter);
    Frame3D(C, R, Color(), Color(), FBorderWidth);
    Bevel(FBevelInner);
    C->Brush()->SetColor(Color());
    C->FillRect(R);
    const AnsiString Text = Caption();
    if (Text.IsEmpty())
        return;
    static const UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    C->Font()->Assign(Font());
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawText(DC, Text, R, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | Alignments[FAlignment]);
}

void TCustomPanel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value)
{
    FBevelInner = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value)
{
    FBevelOuter = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value)
{
    FBevelWidth = std::max(1, Value);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int Value)
{
    FBorderWidth = std::max(0, Value);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TCustomPanel::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    Invalidate();
}

// ---- bevel ------------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
    SetBounds(FLeft, FTop, 50, 50);
}

TBevel::~TBevel() = default;

void TBevel::SetShape(TBevelShape Value)
{
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value)
{
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint()
{
    TCanvas* C = Canvas();
    const TColor Color1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor Color2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    const int W = Width(), H = Height();
    auto Line = [&](TColor Col, int X1, int Y1, int X2, int Y2) {
        C->Pen()->SetColor(Col);
        C->MoveTo(X1, Y1);
        C->LineTo(X2, Y2);
    };
    switch (FShape) {
    case bsBox: {
        TRect R = ClientRect();
        Frame3D(C, R, Color1, Color2, 1);
        break;
    }
    case bsFrame: {
        TRect R = Rect(0, 0, W - 1, H - 1);
        TRect R2 = Rect(1, 1, W, H);
        if (FStyle == bsLowered) {
            Frame3D(C, R, Color1, Color1, 1);
            Frame3D(C, R2, Color2, Color2, 1);
        } else {
            Frame3D(C, R2, Color2, Color2, 1);
            Frame3D(C, R, Color1, Color1, 1);
        }
        break;
    }
    case bsTopLine:
        Line(Color1, 0, 0, W, 0);
        Line(Color2, 0, 1, W, 1);
        break;
    case bsBottomLine:
        Line(Color1, 0, H - 2, W, H - 2);
        Line(Color2, 0, H - 1, W, H - 1);
        break;
    case bsLeftLine:
        Line(Color1, 0, 0, 0, H);
        Line(Color2, 1, 0, 1, H);
        break;
    case bsRightLine:
        Line(Color1, W - 2, 0, W - 2, H);
        Line(Color2, W - 1, 0, W - 1, H);
        break;
    case bsSpacer:
        break;
    }
}

// ---- image ------------------------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>())
{
    FPicture->OnChange = TNotifyEvent(this, &TImage::PictureChanged);
    SetBounds(FLeft, FTop, 105, 105);
}

TImage::~TImage()
{
    FPicture->OnChange = nullptr;
}

void TImage::SetPicture(TPicture* Value)
{
    FPicture->Assign(Value);
}

void TImage::PictureChanged(TObject*)
{
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    if (FPicture->Graphic())
        FPicture->Graphic()->SetTransparent(FTransparent);
    Invalidate();
}

void TImage::SetStretch(bool Value)
{
    FStretch = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value)
{
    FCenter = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value)
{
    FTransparent = Value;
    PictureChanged(this);
}

void TImage::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    PictureChanged(this);
}

TRect TImage::DestRect()
{
    const int W = FPicture->Width(), H = FPicture->Height();
    if (FStretch)
        return ClientRect();
    if (FCenter)
        return Bounds((Width() - W) / 2, (Height() - H) / 2, W, H);
    return Rect(0, 0, W, H);
}

void TImage::Paint()
{
    TCanvas* C = Canvas();
    TGraphic* G = FPicture->Graphic();
    if (!G || G->Empty())
        return;
    if (FStretch)
        C->StretchDraw(DestRect(), G);
    else
        C->Draw(DestRect().Left, DestRect().Top, G);
}

// ---- shape ------------------------------------------------------------------------------------------

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>())
{
    FPen->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
    FBrush->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
    SetBounds(FLeft, FTop, 65, 65);
}

TShape::~TShape()
{
    FPen->OnChange = nullptr;
    FBrush->OnChange = nullptr;
}

void TShape::StyleChanged(TObject*)
{
    Invalidate();
}

void TShape::SetShape(TShapeType Value)
{
    FShape = Value;
    Invalidate();
}

void TShape::Paint()
{
    TCanvas* C = Canvas();
    C->SetPen(FPen.get());
    C->SetBrush(FBrush.get());
    const int PW = FPen->Width();
    int X = PW / 2, Y = X;
    int W = Width() - PW + 1, H = Height() - PW + 1;
    if (PW == 0) {
        --W;
        --H;
    }
    const int S = std::min(W, H);
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        X += (W - S) / 2;
        Y += (H - S) / 2;
        W = S;
        H = S;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare:
        C->Rectangle(X, Y, X + W, Y + H);
        break;
    case stRoundRect:
    case stRoundSquare:
        C->RoundRect(X, Y, X + W, Y + H, S / 4, S / 4);
        break;
    case stEllipse:
    case stCircle:
        C->Ellipse(X, Y, X + W, Y + H);
        break;
    }
}

// ---- radio group ----------------------------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner)
    : TCustomGroupBox(AOwner), FItems(std::make_unique<TStringList>())
{
    FItems->OnChange = TNotifyEvent(this, &TCustomRadioGroup::ItemsChanged);
    SetControlStyle({csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable});
}

TCustomRadioGroup::~TCustomRadioGroup()
{
    FItems->OnChange = nullptr;
}

TStrings* TCustomRadioGroup::Items() const { return FItems.get(); }

void TCustomRadioGroup::SetItems(TStrings* Value)
{
    FItems->Assign(Value);
}

void TCustomRadioGroup::ItemsChanged(TObject*)
{
    FUpdating = true;
    while (static_cast<int>(FButtons.size()) < FItems->Count()) {
        auto* B = new TRadioButton(this);
        B->OnClick = TNotifyEvent(this, &TCustomRadioGroup::ButtonClick);
        B->SetParent(this);
        FButtons.push_back(B);
    }
    while (static_cast<int>(FButtons.size()) > FItems->Count()) {
        delete FButtons.back();
        FButtons.pop_back();
    }
    for (int I = 0; I < FItems->Count(); ++I)
        FButtons[static_cast<size_t>(I)]->SetCaption(FItems->Strings(I));
    if (FItemIndex >= FItems->Count())
        FItemIndex = -1;
    for (int I = 0; I < ButtonCount(); ++I)
        FButtons[static_cast<size_t>(I)]->SetChecked(I == FItemIndex);
    FUpdating = false;
    ArrangeButtons();
}

void TCustomRadioGroup::ButtonClick(TObject* Sender)
{
    if (FUpdating)
        return;
    for (int I = 0; I < ButtonCount(); ++I) {
        if (FButtons[static_cast<size_t>(I)] == Sender && FButtons[static_cast<size_t>(I)]->Checked()) {
            FItemIndex = I;
            Click();
            return;
        }
    }
}

void TCustomRadioGroup::SetItemIndex(int Value)
{
    if (Value < -1 || Value >= FItems->Count())
        Value = -1;
    if (Value == FItemIndex)
        return;
    FUpdating = true;
    if (FItemIndex >= 0)
        FButtons[static_cast<size_t>(FItemIndex)]->SetChecked(false);
    FItemIndex = Value;
    if (Value >= 0)
        FButtons[static_cast<size_t>(Value)]->SetChecked(true);
    FUpdating = false;
}

void TCustomRadioGroup::SetColumns(int Value)
{
    FColumns = std::clamp(Value, 1, 16);
    ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons()
{
    if (FButtons.empty())
        return;
    const int Rows = (ButtonCount() + FColumns - 1) / FColumns;
    const int H = MeasureTextHeight(Font());
    const int Top = H + 1;
    const int ColWidth = (Width() - 10) / FColumns;
    const int RowHeight = std::max(1, (Height() - Top - 5) / std::max(1, Rows));
    for (int I = 0; I < ButtonCount(); ++I) {
        const int Col = I / Rows, Row = I % Rows;
        FButtons[static_cast<size_t>(I)]->SetBounds(Col * ColWidth + 8, Top + Row * RowHeight + (RowHeight - H - 4) / 2,
                                                    ColWidth - 8, H + 4);
    }
}

void TCustomRadioGroup::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    ArrangeButtons();
}

void TCustomRadioGroup::CMEnabledChanged(TMessageRecord& Message)
{
    inherited::CMEnabledChanged(Message);
    for (TRadioButton* B : FButtons)
        B->SetEnabled(Enabled());
}

void TCustomRadioGroup::CMFontChanged(TMessageRecord& Message)
{
    inherited::CMFontChanged(Message);
    ArrangeButtons();
}

