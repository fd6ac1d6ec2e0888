#include "common/components/ExLabel.h"

#include "platform/classes/TypInfo.h"

#include <cmath>
#include <numbers>

PTypeInfo TypeInfoOf(const TTextStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TTextStyle", {"tsNormal", "tsRaised", "tsRecessed", "tsShadow"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TRotation*)
{
    static const TTypeInfo Info = EnumTypeInfo("TRotation", {"roNone", "roFlat", "roCurve"});
    return &Info;
}

PRICETAGS_DEFINE_CLASS(TExLabel,
    Property("Angle", &TExLabel::Angle, &TExLabel::SetAngle),
    Property("Blinking", &TExLabel::Blinking, &TExLabel::SetBlinking),
    Property("BlinkColor", &TExLabel::BlinkColor, &TExLabel::SetBlinkColor),
    Property("BlinkIntervalOff", &TExLabel::BlinkIntervalOff, &TExLabel::SetBlinkIntervalOff),
    Property("BlinkIntervalOn", &TExLabel::BlinkIntervalOn, &TExLabel::SetBlinkIntervalOn),
    Property("BevelWidth", &TExLabel::BevelWidth, &TExLabel::SetBevelWidth),
    Property("BorderInner", &TExLabel::BorderInner, &TExLabel::SetBorderInner),
    Property("BorderOuter", &TExLabel::BorderOuter, &TExLabel::SetBorderOuter),
    Property("BorderSides", &TExLabel::BorderSides, &TExLabel::SetBorderSides),
    Property("BorderColor", &TExLabel::BorderColor, &TExLabel::SetBorderColor),
    Property("BorderHighlight", &TExLabel::BorderHighlight, &TExLabel::SetBorderHighlight),
    Property("BorderShadow", &TExLabel::BorderShadow, &TExLabel::SetBorderShadow),
    Property("BorderWidth", &TExLabel::BorderWidth, &TExLabel::SetBorderWidth),
    Property("FlatColor", &TExLabel::FlatColor, &TExLabel::SetFlatColor),
    Property("FlatColorAdjustment", &TExLabel::FlatColorAdjustment, &TExLabel::SetFlatColorAdjustment),
    Property("FrameControllerNotifications", &TExLabel::FrameControllerNotifications,
        &TExLabel::SetFrameControllerNotifications),
    Property("FlyByColor", &TExLabel::FlyByColor, &TExLabel::SetFlyByColor),
    Property("FlyByEnabled", &TExLabel::FlyByEnabled, &TExLabel::SetFlyByEnabled),
    Property("LightTextStyle", &TExLabel::LightTextStyle, &TExLabel::SetLightTextStyle),
    Property("Rotation", &TExLabel::Rotation, &TExLabel::SetRotation),
    Property("HighlightColor", &TExLabel::HighlightColor, &TExLabel::SetHighlightColor),
    Property("ShadowColor", &TExLabel::ShadowColor, &TExLabel::SetShadowColor),
    Property("ShadowDepth", &TExLabel::ShadowDepth, &TExLabel::SetShadowDepth),
    Property("TextMargin", &TExLabel::TextMargin, &TExLabel::SetTextMargin),
    Property("TextStyle", &TExLabel::TextStyle, &TExLabel::SetTextStyle))

TExLabel::TExLabel(TComponent* AOwner) : TCustomLabel(AOwner)
{
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
    ExBlinkingJoin(this);
    FIgnoreParentColor = true;
    SetColor(clBtnFace);
    SetParentColor(true);
    FIgnoreParentColor = false;
    FSavedColor = Font()->Color();
    FPaintColor = FSavedColor;
    FFlyBySavedColor = FSavedColor;
}

TExLabel::~TExLabel()
{
    if (FFrameController)
        FFrameController->UnregisterControl(this);
    ExBlinkingLeave(this);
}

void TExLabel::Changed()
{
    AdjustBounds();
    Invalidate();
}

// ---- setters --------------------------------------------------------------------------------

void TExLabel::EnsureTurnableFont()
{
    if (ComponentState().Contains(csLoading) || FontIsTrueType(Font()))
        return;
    Font()->SetName("Verdana");
}

void TExLabel::SetAngle(int Value)
{
    // Whole turns are dropped whatever the sign: -450 is 270, as -90 is.
    const int V = ((Value % 360) + 360) % 360;
    if (V == FAngle)
        return;
    FAngle = V;
    if (V != 0)
        EnsureTurnableFont();
    if (V != 0 && FRotation == roNone)
        FRotation = roFlat;
    Changed();
}

void TExLabel::SetRotation(TRotation Value)
{
    if (FRotation == Value)
        return;
    FRotation = Value;
    if (Value != roNone)
        EnsureTurnableFont();
    if (Value == roNone)
        FAngle = 0;
    if (Value == roFlat) {
        FAngle = 0;
        FCenterPoint = cpCenter;
    }
    Changed();
}

void TExLabel::SetBlinking(bool Value)
{
    if (FBlinking == Value)
        return;
    FBlinking = Value;
    if (!Value) {
        FBlinkOn = false;
        FPaintColor = FSavedColor;
    }
    Invalidate();
}

Word TExLabel::BlinkIntervalOff() const
{
    return ExBlinkingList() ? ExBlinkingList()->IntervalOff() : Word(500);
}

void TExLabel::SetBlinkIntervalOff(Word Value)
{
    if (ExBlinkingList())
        ExBlinkingList()->SetIntervalOff(Value);
}

Word TExLabel::BlinkIntervalOn() const
{
    return ExBlinkingList() ? ExBlinkingList()->IntervalOn() : Word(500);
}

void TExLabel::SetBlinkIntervalOn(Word Value)
{
    if (ExBlinkingList())
        ExBlinkingList()->SetIntervalOn(Value);
}

#define EXLABEL_SETTER(Name, Type, Field, After) \
    void TExLabel::Set##Name(Type Value)         \
    {                                            \
        if (Field == Value)                      \
            return;                              \
        Field = Value;                           \
        After();                                 \
    }

EXLABEL_SETTER(BlinkColor, TColor, FBlinkColor, Invalidate)
EXLABEL_SETTER(BevelWidth, int, FFrame.BevelWidth, Changed)
EXLABEL_SETTER(BorderInner, TFrameStyleEx, FFrame.Inner, Changed)
EXLABEL_SETTER(BorderOuter, TFrameStyleEx, FFrame.Outer, Changed)
EXLABEL_SETTER(BorderSides, TSides, FFrame.Sides, Changed)
EXLABEL_SETTER(BorderColor, TColor, FFrame.BorderColor, Invalidate)
EXLABEL_SETTER(BorderHighlight, TColor, FFrame.BorderHighlight, Invalidate)
EXLABEL_SETTER(BorderShadow, TColor, FFrame.BorderShadow, Invalidate)
EXLABEL_SETTER(BorderWidth, int, FFrame.BorderWidth, Changed)
EXLABEL_SETTER(FlatColor, TColor, FFrame.FlatColor, Invalidate)
EXLABEL_SETTER(FlatColorAdjustment, int, FFrame.FlatColorAdjustment, Invalidate)
EXLABEL_SETTER(CenterPoint, TCenterPoint, FCenterPoint, Invalidate)
EXLABEL_SETTER(FlyByColor, TColor, FFlyByColor, Invalidate)
EXLABEL_SETTER(LightTextStyle, bool, FLightTextStyle, Invalidate)
EXLABEL_SETTER(HighlightColor, TColor, FHighlightColor, Invalidate)
EXLABEL_SETTER(ShadowColor, TColor, FShadowColor, Invalidate)
EXLABEL_SETTER(ShadowDepth, int, FShadowDepth, Changed)
EXLABEL_SETTER(TextMargin, int, FTextMargin, Changed)
EXLABEL_SETTER(TextStyle, TTextStyle, FTextStyle, Changed)

#undef EXLABEL_SETTER

void TExLabel::SetCondenseCaption(TExCondenseCaption Value)
{
    if (FCondenseCaption == Value)
        return;
    FCondenseCaption = Value;
    if (Value != ccNone)
        SetWordWrap(false);
    Changed();
}

void TExLabel::SetFlyByEnabled(bool Value)
{
    if (FFlyByEnabled == Value)
        return;
    FFlyByEnabled = Value;
    if (!Value && FFlyByActive) {
        FFlyByActive = false;
        Font()->SetColor(FFlyBySavedColor);
    }
    Invalidate();
}

void TExLabel::SetFrameController(TExFrameController* Value)
{
    if (FFrameController == Value)
        return;
    if (FFrameController) {
        FFrameController->UnregisterControl(this);
        FFrameController->RemoveFreeNotification(this);
    }
    FFrameController = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->RegisterControl(this);
    }
}

void TExLabel::ApplyControllerValues(TExFrameController* Controller, TExFrameControllerProperty Property)
{
    if (!Controller->FrameVisible())
        return;
    const auto Wants = [&](TExFrameControllerProperty P) {
        return (Property == fcpAll || Property == P) && FNotifications.Contains(P);
    };
    if (Wants(fcpFrameStyle))
        FFrame.Outer = Controller->FrameStyle();
    if (Wants(fcpFrameSides))
        FFrame.Sides = Controller->FrameSides();
    if (Wants(fcpFrameColor)) {
        FFrame.FlatColor = Controller->FrameColor();
        FFrame.FlatColorAdjustment = 0;
    }
    if (Wants(fcpColor) && !Controller->ParentColor()) {
        SetColor(Controller->Color());
        FFrame.BorderHighlight = LightenColor(Controller->Color(), 100);
        FFrame.BorderShadow = DarkenColor(Controller->Color(), 50);
    }
    if (Wants(fcpParentColor))
        SetParentColor(Controller->ParentColor());
    Changed();
}

// ---- life cycle and messages -----------------------------------------------------------------

void TExLabel::Loaded()
{
    inherited::Loaded();
    if (FAngle != 0 && FRotation == roNone)
        FRotation = roFlat;
    if (FRotation != roNone)
        EnsureTurnableFont();
    FSavedColor = Font()->Color();
    FPaintColor = FSavedColor;
}

void TExLabel::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFrameController)
        FFrameController = nullptr;
}

void TExLabel::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_EXBLINKQUERY:
        Message.Result = FBlinking ? 1 : 0;
        return;
    case CM_EXBLINKPHASE:
        ShowBlinkPhase(Message.WParam != 0);
        return;
    default:
        inherited::Dispatch(Message);
    }
}

void TExLabel::ShowBlinkPhase(bool On)
{
    FBlinkOn = On;
    FPaintColor = On ? FBlinkColor : FSavedColor;
    Repaint();
}

void TExLabel::CMFontChanged(TMessageRecord& Message)
{
    inherited::CMFontChanged(Message);
    if (!FBlinking || !FBlinkOn) {
        FSavedColor = Font()->Color();
        FPaintColor = FSavedColor;
    }
    if (FAngle != 0 && !FontIsTrueType(Font()))
        FAngle = 0;
}

void TExLabel::CMMouseEnter(TMessageRecord& Message)
{
    inherited::CMMouseEnter(Message);
    if (FFlyByEnabled && !ComponentState().Contains(csDesigning) && !FFlyByActive) {
        FFlyBySavedColor = Font()->Color();
        FFlyByActive = true;
        Font()->SetColor(FFlyByColor);
    }
    OnMouseEnter(this);
}

void TExLabel::CMMouseLeave(TMessageRecord& Message)
{
    inherited::CMMouseLeave(Message);
    if (FFlyByActive) {
        FFlyByActive = false;
        Font()->SetColor(FFlyBySavedColor);
    }
    OnMouseLeave(this);
}

void TExLabel::CMParentColorChanged(TMessageRecord& Message)
{
    if (FIgnoreParentColor)
        return;
    inherited::CMParentColorChanged(Message);
}

// ---- painting ------------------------------------------------------------------------------------

UINT TExLabel::TextFlags() const
{
    static const UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT Flags = DT_EXPANDTABS | Alignments[FAlignment];
    if (FWordWrap)
        Flags |= DT_WORDBREAK;
    if (!FShowAccelChar)
        Flags |= DT_NOPREFIX;
    if (FCondenseCaption == ccAtEnd)
        Flags |= DT_END_ELLIPSIS;
    else if (FCondenseCaption == ccWithinPath)
        Flags |= DT_PATH_ELLIPSIS;
    return Flags;
}

TRect TExLabel::TextBounds(const TRect& Inner) const
{
    TRect R = Inner;
    InflateRect(R, -FTextMargin, -FTextMargin);
    return R;
}

void TExLabel::DrawOneCopy(TRect R, UINT Flags, TColor Color, const AnsiString& Text)
{
    TCanvas* C = Canvas();
    C->Font()->Assign(Font());
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(Color));
    DrawText(DC, Text, R, Flags);
}

void TExLabel::DrawCopies(const TRect& R, UINT Flags, int ShiftX, int ShiftY, const AnsiString& Text)
{
    const auto At = [&](int DX, int DY) {
        TRect Copy = R;
        OffsetRect(Copy, DX + ShiftX, DY + ShiftY);
        return Copy;
    };
    switch (FTextStyle) {
    case tsRaised:
        if (!FLightTextStyle)
            DrawOneCopy(At(1, 1), Flags, FShadowColor, Text);
        DrawOneCopy(At(-1, -1), Flags, FHighlightColor, Text);
        break;
    case tsRecessed:
        DrawOneCopy(At(1, 1), Flags, FHighlightColor, Text);
        if (!FLightTextStyle)
            DrawOneCopy(At(-1, -1), Flags, FShadowColor, Text);
        break;
    case tsShadow:
        DrawOneCopy(At(FShadowDepth, FShadowDepth), Flags, FShadowColor, Text);
        break;
    case tsNormal:
        break;
    }
    if (!Enabled()) {
        DrawOneCopy(At(1, 1), Flags, clBtnHighlight, Text);
        DrawOneCopy(At(0, 0), Flags, clBtnShadow, Text);
        return;
    }
    DrawOneCopy(At(0, 0), Flags, FPaintColor, Text);
}

void TExLabel::Paint()
{
    TCanvas* C = Canvas();
    const TRect Client = ClientRect();
    FFrame.Transparent = Transparent();
    const TRect Inner = PaintLabelFrame(C, Client, FFrame);
    if (!Transparent()) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(Inner);
    }
    C->Brush()->SetStyle(bsClear);
    if (FRotation == roCurve) {
        PaintCurve(Client);
        return;
    }
    if (FRotation == roFlat && FAngle != 0) {
        PaintFlatRotated(Client);
        return;
    }
    TRect R = TextBounds(Inner);
    const UINT Flags = TextFlags();
    if (FTextStyle == tsShadow) {
        if (FAlignment == taRightJustify)
            OffsetRect(R, -FShadowDepth, 0);
        if (FLayout == tlBottom)
            OffsetRect(R, 0, -FShadowDepth);
    }
    const AnsiString Text = GetLabelText();
    if (FLayout != tlTop) {
        TRect Calc = R;
        C->Font()->Assign(Font());
        DrawText(C->Handle(), Text.IsEmpty() ? AnsiString(" ") : Text, Calc, Flags | DT_CALCRECT);
        const int Off = FLayout == tlBottom ? R.Height() - Calc.Height() : (R.Height() - Calc.Height()) / 2;
        OffsetRect(R, 0, Off);
    }
    DrawCopies(R, Flags, 0, 0, Text);
}

void TExLabel::PaintFlatRotated(const TRect& Client)
{
    TCanvas* C = Canvas();
    const AnsiString Text = GetLabelText();
    C->Font()->Assign(Font());
    const TSize Size = C->TextExtent(Text);
    const double A = FAngle * std::numbers::pi / 180;
    // The text turns about its top-left corner; place that corner so the
    // turned text's middle lies on the client's middle.
    const double DX = Size.cx / 2.0 * std::cos(A) + Size.cy / 2.0 * std::sin(A);
    const double DY = -Size.cx / 2.0 * std::sin(A) + Size.cy / 2.0 * std::cos(A);
    const int X = static_cast<int>(std::lround((Client.Left + Client.Right) / 2.0 - DX));
    const int Y = static_cast<int>(std::lround((Client.Top + Client.Bottom) / 2.0 - DY));
    HFONT Angled = MakeAngledFont(Font(), FAngle);
    HDC DC = C->Handle();
    HGDIOBJ Old = SelectObject(DC, Angled);
    SetBkMode(DC, TRANSPARENT);
    const auto Out = [&](int OX, int OY, TColor Color) {
        SetTextColor(DC, ColorToRGB(Color));
        TextOut(DC, X + OX, Y + OY, Text.c_str(), Text.Length());
    };
    switch (FTextStyle) {
    case tsRaised:
        if (!FLightTextStyle)
            Out(1, 1, FShadowColor);
        Out(-1, -1, FHighlightColor);
        break;
    case tsRecessed:
        Out(1, 1, FHighlightColor);
        if (!FLightTextStyle)
            Out(-1, -1, FShadowColor);
        break;
    case tsShadow:
        Out(FShadowDepth, FShadowDepth, FShadowColor);
        break;
    case tsNormal:
        break;
    }
    if (Enabled()) {
        Out(0, 0, FPaintColor);
    } else {
        Out(1, 1, clBtnHighlight);
        Out(0, 0, clBtnShadow);
    }
    SelectObject(DC, Old);
    DeleteObject(Angled);
    C->Refresh();
}

void TExLabel::PaintCurve(const TRect& Client)
{
    TCanvas* C = Canvas();
    const AnsiString Text = GetLabelText();
    if (Text.IsEmpty())
        return;
    C->Font()->Assign(Font());
    const int BW = FFrame.BorderWidth;
    const int W = Client.Width() - 2 * BW;
    const int H = Client.Height() - 2 * BW;
    const int TextH = C->TextHeight("Yy");
    const int Col = static_cast<int>(FCenterPoint) % 3;
    const int Row = static_cast<int>(FCenterPoint) / 3;
    const int CX = Col == 0 ? Client.Left + BW : Col == 1 ? (Client.Left + Client.Right) / 2 : Client.Right - BW;
    const int CY = Row == 0 ? Client.Top + BW : Row == 1 ? (Client.Top + Client.Bottom) / 2 : Client.Bottom - BW;
    // Points on the centre line see half the client in each direction.
    const double RX = std::max(1.0, (Col == 1 ? W / 2.0 : W) - TextH);
    const double RY = std::max(1.0, (Row == 1 ? H / 2.0 : H) - TextH);
    double A = FAngle * std::numbers::pi / 180;
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    for (int I = 1; I <= Text.Length(); ++I) {
        const int Degrees = static_cast<int>(std::lround(A * 180 / std::numbers::pi));
        HFONT Angled = MakeAngledFont(Font(), Degrees);
        HGDIOBJ Old = SelectObject(DC, Angled);
        const int X = CX - static_cast<int>(std::lround(std::sin(A) * RX));
        const int Y = CY - static_cast<int>(std::lround(std::cos(A) * RY));
        const char Ch = Text[I];
        const auto Out = [&](int OX, int OY, TColor Color) {
            SetTextColor(DC, ColorToRGB(Color));
            TextOut(DC, X + OX, Y + OY, &Ch, 1);
        };
        if (FTextStyle == tsRaised) {
            if (!FLightTextStyle)
                Out(1, 1, FShadowColor);
            Out(-1, -1, FHighlightColor);
        } else if (FTextStyle == tsRecessed) {
            Out(1, 1, FHighlightColor);
            if (!FLightTextStyle)
                Out(-1, -1, FShadowColor);
        } else if (FTextStyle == tsShadow) {
            Out(FShadowDepth, FShadowDepth, FShadowColor);
        }
        Out(0, 0, Enabled() ? FPaintColor : clBtnShadow);
        SelectObject(DC, Old);
        DeleteObject(Angled);
        A -= (C->TextWidth("w") + 2) / RX;
    }
    C->Refresh();
}

void TExLabel::AdjustBounds()
{
    if (ComponentState().Contains(csLoading) || !FAutoSize)
        return;
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font()->Handle());
    AnsiString Text = GetLabelText();
    if (Text.IsEmpty())
        Text = " ";
    TRect R = ClientRect();
    R.Bottom = 0;
    DrawText(DC, Text, R, TextFlags() | DT_CALCRECT);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    int W = R.Width();
    int H = R.Height();
    const auto SideWidth = [&](TSide Side) {
        if (!FFrame.Sides.Contains(Side))
            return 0;
        return FrameStyleWidth(FFrame.Outer, FFrame.BevelWidth) + FrameStyleWidth(FFrame.Inner, FFrame.BevelWidth);
    };
    // The text rectangle also loses TextMargin on every side: keep room
    // for it so that a margin never clips the caption.
    W += SideWidth(sdLeft) + SideWidth(sdRight) + 2 * (FFrame.BorderWidth + FTextMargin);
    H += SideWidth(sdTop) + SideWidth(sdBottom) + 2 * (FFrame.BorderWidth + FTextMargin);
    if (FTextStyle == tsShadow && FRotation == roNone) {
        W += FShadowDepth;
        H += FShadowDepth;
    }
    if (FRotation == roFlat && FAngle != 0 && FAngle != 180) {
        if (FTextStyle == tsShadow) {
            W += FShadowDepth / 2;
            H += FShadowDepth / 2;
        }
        const double A = FAngle * std::numbers::pi / 180;
        const double C = std::abs(std::cos(A));
        const double S = std::abs(std::sin(A));
        const int RW = static_cast<int>(std::lround(W * C + H * S));
        const int RH = static_cast<int>(std::lround(W * S + H * C));
        W = RW;
        H = RH;
    }
    int X = Left();
    if (FAlignment == taRightJustify)
        X += Width() - W;
    SetBounds(X, Top(), W, H);
}
