#include "platform/forms/Buttons.h"

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/StdPrivate.h"

#include <algorithm>

namespace {

/// Captions, modal results and roles of the standard kinds.
struct KindInfo {
    const char* Caption;
    TModalResult Result;
};
const KindInfo Kinds[] = {
    {"", mrNone},                   // bkCustom
    {"OK", mrOk},                   // bkOK
    {"Отмена"_c, mrCancel},         // bkCancel
    {"&Справка"_c, mrNone},         // bkHelp
    {"&Да"_c, mrYes},               // bkYes
    {"&Нет"_c, mrNo},               // bkNo
    {"&Закрыть"_c, mrNone},         // bkClose
    {"Прервать"_c, mrAbort},        // bkAbort
    {"&Повтор"_c, mrRetry},         // bkRetry
    {"&Пропустить"_c, mrIgnore},    // bkIgnore
    {"&Все"_c, mrAll},              // bkAll
};

/// The built-in pictures of the kinds, drawn as lines (16 x 16).
void DrawKindPicture(TCanvas& C, TBitBtnKind Kind, int X, int Y, bool Enabled)
{
    const auto Pen = [&](TColor Color) {
        C.Pen()->SetColor(Enabled ? Color : clGrayText);
        C.Pen()->SetWidth(2);
    };
    switch (Kind) {
    case bkOK:
    case bkYes:
    case bkAll:
        Pen(clGreen);
        C.Polyline({{X + 2, Y + 8}, {X + 6, Y + 12}, {X + 14, Y + 3}});
        break;
    case bkCancel:
    case bkNo:
    case bkAbort:
        Pen(clRed);
        C.MoveTo(X + 3, Y + 3);
        C.LineTo(X + 13, Y + 13);
        C.MoveTo(X + 13, Y + 3);
        C.LineTo(X + 3, Y + 13);
        break;
    case bkHelp:
        Pen(clNavy);
        C.Polyline({{X + 4, Y + 5}, {X + 6, Y + 2}, {X + 10, Y + 2}, {X + 12, Y + 5}, {X + 8, Y + 9},
            {X + 8, Y + 11}});
        C.MoveTo(X + 8, Y + 13);
        C.LineTo(X + 8, Y + 15);
        break;
    case bkClose:
        Pen(clMaroon);
        C.Polyline({{X + 3, Y + 2}, {X + 11, Y + 2}, {X + 11, Y + 14}, {X + 3, Y + 14}, {X + 3, Y + 2}});
        break;
    case bkRetry:
    case bkIgnore:
        Pen(clNavy);
        C.Polyline({{X + 3, Y + 8}, {X + 13, Y + 8}, {X + 9, Y + 4}});
        C.MoveTo(X + 13, Y + 8);
        C.LineTo(X + 9, Y + 12);
        break;
    case bkCustom:
        break;
    }
    C.Pen()->SetWidth(1);
}

/// NumGlyphs from a glyph whose width is a whole multiple of its height.
int GlyphCount(TBitmap* Glyph, int Current)
{
    if (Glyph->Empty() || Glyph->Height() <= 0)
        return Current;
    const int W = Glyph->Width();
    const int H = Glyph->Height();
    if (W % H != 0)
        return Current;
    const int N = W / H;
    return N >= 1 && N <= 4 ? N : Current;
}

}  // namespace

void DrawButtonGlyphAndText(TCanvas& C, const TRect& Client, TBitmap* Glyph, int NumGlyphs,
    const AnsiString& Caption, TButtonLayout Layout, int Margin, int Spacing, TButtonState State,
    TColor TextColor)
{
    const bool HasGlyph = Glyph && !Glyph->Empty() && NumGlyphs > 0;
    const TSize GlyphSize = HasGlyph ? TSize {Glyph->Width() / NumGlyphs, Glyph->Height()} : TSize {0, 0};
    TRect TextBounds {0, 0, Client.Width(), 0};
    if (!Caption.IsEmpty())
        DrawText(C.Handle(), Caption, TextBounds, DT_CALCRECT | DT_SINGLELINE);
    else
        TextBounds = {0, 0, 0, 0};
    const TSize TextSize {TextBounds.Width(), TextBounds.Height()};
    const bool Horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    const int Avail = Horizontal ? Client.Width() : Client.Height();
    const int GlyphExtent = Horizontal ? GlyphSize.cx : GlyphSize.cy;
    const int TextExtent = Horizontal ? TextSize.cx : TextSize.cy;
    int Space = (GlyphExtent == 0 || TextExtent == 0) ? 0 : Spacing;
    int Offset = Margin;
    if (Offset < 0) {
        if (Space < 0)
            Space = (Avail - GlyphExtent - TextExtent) / 3;
        Offset = (Avail - GlyphExtent - Space - TextExtent) / 2;
    } else if (Space < 0) {
        Space = (Avail - Offset - GlyphExtent - TextExtent) / 2;
    }
    TPoint GlyphPos;
    TPoint TextPos;
    switch (Layout) {
    case blGlyphLeft:
        GlyphPos = {Offset, (Client.Height() - GlyphSize.cy) / 2};
        TextPos = {Offset + GlyphExtent + Space, (Client.Height() - TextSize.cy) / 2};
        break;
    case blGlyphRight:
        GlyphPos = {Avail - Offset - GlyphExtent, (Client.Height() - GlyphSize.cy) / 2};
        TextPos = {GlyphPos.X - Space - TextExtent, (Client.Height() - TextSize.cy) / 2};
        break;
    case blGlyphTop:
        GlyphPos = {(Client.Width() - GlyphSize.cx) / 2, Offset};
        TextPos = {(Client.Width() - TextSize.cx) / 2, Offset + GlyphExtent + Space};
        break;
    case blGlyphBottom:
        GlyphPos = {(Client.Width() - GlyphSize.cx) / 2, Avail - Offset - GlyphExtent};
        TextPos = {(Client.Width() - TextSize.cx) / 2, GlyphPos.Y - Space - TextExtent};
        break;
    }
    GlyphPos.X += Client.Left;
    GlyphPos.Y += Client.Top;
    TextPos.X += Client.Left;
    TextPos.Y += Client.Top;
    if (HasGlyph) {
        int Index = static_cast<int>(State);
        if (Index >= NumGlyphs)
            Index = State == bsExclusive && NumGlyphs > 2 ? 2 : 0;
        TBitmap Part;
        Part.SetSize(GlyphSize.cx, GlyphSize.cy);
        Part.Canvas()->CopyRect({0, 0, GlyphSize.cx, GlyphSize.cy}, Glyph->Canvas(),
            Bounds(Index * GlyphSize.cx, 0, GlyphSize.cx, GlyphSize.cy));
        Part.SetTransparent(true);
        Part.SetTransparentColor(Glyph->Canvas()->Pixels(0, Glyph->Height() - 1));
        if (State == bsDisabled && NumGlyphs < 2) {
            // No disabled image: an embossed copy in highlight and shadow.
            TImageList Emboss(nullptr, GlyphSize.cx, GlyphSize.cy);
            Emboss.AddMasked(&Part, Part.TransparentColor());
            Emboss.Draw(&C, GlyphPos.X, GlyphPos.Y, 0, /*Enabled=*/false);
        } else {
            C.Draw(GlyphPos.X, GlyphPos.Y, &Part);
        }
    }
    if (!Caption.IsEmpty()) {
        HDC DC = C.Handle();
        SetBkMode(DC, TRANSPARENT);
        TRect R = Bounds(TextPos.X, TextPos.Y, TextSize.cx, TextSize.cy);
        if (State == bsDisabled) {
            OffsetRect(R, 1, 1);
            SetTextColor(DC, ColorToRGB(clBtnHighlight));
            DrawText(DC, Caption, R, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            OffsetRect(R, -1, -1);
            SetTextColor(DC, ColorToRGB(clBtnShadow));
        } else {
            SetTextColor(DC, ColorToRGB(TextColor));
        }
        DrawText(DC, Caption, R, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// ---- TBitBtn ---------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TBitBtn)

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), FGlyph(std::make_unique<TBitmap>())
{
    FGlyph->OnChange = TNotifyEvent(this, &TBitBtn::GlyphChanged);
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind Value)
{
    if (FKind == Value)
        return;
    FKind = Value;
    if (Value == bkCustom) {
        Invalidate();
        return;
    }
    const KindInfo& Info = Kinds[Value];
    SetCaption(Info.Caption);
    SetModalResult(Info.Result);
    if (Value == bkOK || Value == bkYes)
        SetDefault(true);
    if (Value == bkCancel || Value == bkNo)
        SetCancel(true);
    Invalidate();
}

void TBitBtn::SetGlyph(TBitmap* Value)
{
    if (Value)
        FGlyph->Assign(Value);
    else
        FGlyph->SetSize(0, 0);
}

void TBitBtn::GlyphChanged(TObject*)
{
    FNumGlyphs = GlyphCount(FGlyph.get(), FNumGlyphs);
    Invalidate();
}

void TBitBtn::SetNumGlyphs(TNumGlyphs Value)
{
    Value = std::clamp(Value, 1, 4);
    if (FNumGlyphs == Value)
        return;
    FNumGlyphs = Value;
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout Value)
{
    FLayout = Value;
    Invalidate();
}

void TBitBtn::SetMargin(int Value)
{
    FMargin = std::max(Value, -1);
    Invalidate();
}

void TBitBtn::SetSpacing(int Value)
{
    FSpacing = Value;
    Invalidate();
}

void TBitBtn::Click()
{
    if (FKind == bkClose) {
        if (TCustomForm* Form = GetParentForm(this)) {
            Form->Close();
            return;
        }
    }
    TButton::Click();
}

void TBitBtn::DrawButtonFace(TCanvas& C, const TRect& R, bool Down)
{
    TRect Client = R;
    if (Down)
        OffsetRect(Client, 1, 1);
    const TButtonState State = !Enabled() ? bsDisabled : Down ? bsDown : bsUp;
    if (FGlyph->Empty() && FKind != bkCustom) {
        // The built-in picture takes the place of a 16 x 16 glyph.
        TBitmap Picture;
        Picture.SetSize(16, 16);
        Picture.Canvas()->Brush()->SetColor(clFuchsia);
        Picture.Canvas()->FillRect({0, 0, 16, 16});
        DrawKindPicture(*Picture.Canvas(), FKind, 0, 0, true);
        DrawButtonGlyphAndText(C, Client, &Picture, 1, Caption(), FLayout, FMargin, FSpacing, State,
            Font()->Color());
        return;
    }
    DrawButtonGlyphAndText(C, Client, FGlyph.get(), FNumGlyphs, Caption(), FLayout, FMargin, FSpacing,
        State, Font()->Color());
}

// ---- TSpeedButton ----------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TSpeedButton,
    Property("Down", &TSpeedButton::Down, &TSpeedButton::SetDown),
    Property("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex))

TSpeedButton::TSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>())
{
    FGlyph->OnChange = TNotifyEvent(this, &TSpeedButton::GlyphChanged);
    FControlStyle = {csCaptureMouse, csDoubleClicks, csSetCaption, csOpaque};
    SetBounds(FLeft, FTop, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGroupIndex(int Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    // A button out of every group cannot stay down.
    if (Value == 0 && FDown) {
        FDown = false;
        FState = Enabled() ? bsUp : bsDisabled;
        Invalidate();
    }
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool Value)
{
    if (FGroupIndex == 0)
        Value = false;
    if (FDown == Value)
        return;
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    FState = Value ? bsExclusive : bsUp;
    if (!Enabled())
        FState = bsDisabled;
    Invalidate();
    if (Value)
        UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value)
{
    if (FAllowAllUp == Value)
        return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TSpeedButton::SetFlat(bool Value)
{
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value)
{
    if (Value)
        FGlyph->Assign(Value);
    else
        FGlyph->SetSize(0, 0);
}

void TSpeedButton::GlyphChanged(TObject*)
{
    FNumGlyphs = GlyphCount(FGlyph.get(), FNumGlyphs);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs Value)
{
    FNumGlyphs = std::clamp(Value, 1, 4);
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value)
{
    FLayout = Value;
    Invalidate();
}

void TSpeedButton::SetMargin(int Value)
{
    FMargin = std::max(Value, -1);
    Invalidate();
}

void TSpeedButton::SetSpacing(int Value)
{
    FSpacing = Value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool Value)
{
    FTransparent = Value;
    if (Value)
        FControlStyle.Exclude(csOpaque);
    else
        FControlStyle.Include(csOpaque);
    Invalidate();
}

void TSpeedButton::UpdateExclusive()
{
    if (FGroupIndex == 0 || !FParent)
        return;
    TMessage M;
    M.Msg = CM_BUTTONPRESSED;
    M.WParam = static_cast<WPARAM>(FGroupIndex);
    M.LParam = reinterpret_cast<LPARAM>(this);
    FParent->Broadcast(M);
}

void TSpeedButton::CMButtonPressed(TMessage& Message)
{
    if (static_cast<int>(Message.WParam) != FGroupIndex)
        return;
    auto* Sender = reinterpret_cast<TSpeedButton*>(Message.LParam);
    if (Sender == this)
        return;
    if (Sender->FDown && FDown) {
        FDown = false;
        FState = Enabled() ? bsUp : bsDisabled;
        Invalidate();
    }
    // A group shares AllowAllUp.
    FAllowAllUp = Sender->FAllowAllUp;
}

void TSpeedButton::Click()
{
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled())
        return;
    if (!FDown) {
        FState = bsDown;
        Invalidate();
    }
    FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging)
        return;
    const bool Inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
    const TButtonState NewState = !Inside ? (FDown ? bsExclusive : bsUp) : (FDown ? bsExclusive : bsDown);
    if (NewState != FState) {
        FState = NewState;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FDragging)
        return;
    FDragging = false;
    const bool Inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
    if (FGroupIndex == 0) {
        FState = bsUp;
        Invalidate();
    } else if (Inside) {
        // A press toggles a grouped button (up only when the group allows it).
        SetDown(!FDown);
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
    } else {
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
    }
    if (Inside)
        Click();
}

void TSpeedButton::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_BUTTONPRESSED: CMButtonPressed(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    default: TGraphicControl::Dispatch(Message); return;
    }
}

void TSpeedButton::CMDialogChar(TMessage& Message)
{
    if (IsAccel(LoWord(Message.WParam), Caption()) && Enabled() && Visible() && FParent &&
        FParent->Showing()) {
        Click();
        Message.Result = 1;
        return;
    }
    TGraphicControl::Dispatch(Message);
}

void TSpeedButton::CMMouseEnter(TMessageRecord& Message)
{
    TGraphicControl::CMMouseEnter(Message);
    FMouseInControl = true;
    if (FFlat && Enabled())
        Invalidate();
}

void TSpeedButton::CMMouseLeave(TMessageRecord& Message)
{
    TGraphicControl::CMMouseLeave(Message);
    FMouseInControl = false;
    if (FFlat && Enabled())
        Invalidate();
}

void TSpeedButton::CMEnabledChanged(TMessageRecord& Message)
{
    FState = !Enabled() ? bsDisabled : FDown ? bsExclusive : bsUp;
    TGraphicControl::CMEnabledChanged(Message);
}

void TSpeedButton::Paint()
{
    TCanvas& C = *Canvas();
    C.Font()->Assign(Font());
    TRect R = ClientRect();
    if (!FTransparent || !FFlat) {
        C.Brush()->SetColor(clBtnFace);
        C.FillRect(R);
    }
    const bool Pushed = FState == bsDown || FState == bsExclusive;
    if (!FFlat) {
        TRect Face = R;
        DrawEdge(C.Handle(), Face, Pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    } else if (Pushed || (FMouseInControl && Enabled())) {
        TRect Face = R;
        DrawEdge(C.Handle(), Face, Pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    if (FState == bsExclusive && !FFlat) {
        // A button held down by its group shows a lighter face: every other
        // pixel in the highlight colour, the rest in the face colour.
        TRect Inner = R;
        InflateRect(Inner, -2, -2);
        TBitmap Dither;
        Dither.SetSize(8, 8);
        for (int Y = 0; Y < 8; ++Y)
            for (int X = 0; X < 8; ++X)
                Dither.Canvas()->SetPixels(X, Y, (X + Y) % 2 ? clBtnFace : clBtnHighlight);
        C.Brush()->SetBitmap(&Dither);
        C.FillRect(Inner);
        C.Brush()->SetBitmap(nullptr);
    }
    TRect Client = R;
    InflateRect(Client, -1, -1);
    if (Pushed)
        OffsetRect(Client, 1, 1);
    const TButtonState State = Enabled() ? FState : bsDisabled;
    DrawButtonGlyphAndText(C, Client, FGlyph.get(), FNumGlyphs, Caption(), FLayout, FMargin, FSpacing,
        State, Font()->Color());
}
