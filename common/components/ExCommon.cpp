#include "common/components/ExCommon.h"

#include "common/base/IniFiles.h"

#include "platform/classes/Registry.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cmath>

// ---- start-up values ----------------------------------------------------------------------

bool gHighColorDisplay()
{
    static const bool Value = GetDeviceCaps(nullptr, NUMCOLORS) == -1;
    return Value;
}

Byte gXPColorScheme()
{
    static const Byte Value = [] {
        TRegistry Reg;
        Reg.SetRootKey(HKEY_CURRENT_USER);
        if (!Reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"))
            return Byte(0);
        const AnsiString Name = AnsiUpperCase(Reg.ReadString("ColorName"));
        if (Name == "HOMESTEAD")
            return Byte(1);
        if (Name == "METALLIC")
            return Byte(2);
        return Byte(0);
    }();
    return Value;
}

// ---- colours ----------------------------------------------------------------------------------

namespace {

constexpr double HslMax = 240.0;

Byte ScaleHsl(double V)
{
    return static_cast<Byte>(std::lround(std::clamp(V, 0.0, 1.0) * HslMax));
}

double HueToRgb(double P, double Q, double T)
{
    if (T < 0)
        T += 1;
    if (T > 1)
        T -= 1;
    if (T < 1.0 / 6)
        return P + (Q - P) * 6 * T;
    if (T < 0.5)
        return Q;
    if (T < 2.0 / 3)
        return P + (Q - P) * (2.0 / 3 - T) * 6;
    return P;
}

int ToByte(double V)
{
    return static_cast<int>(std::lround(std::min(V, 1.0) * 255));
}

} // namespace

void SplitToHsl(TColor Color, Byte& H, Byte& S, Byte& L)
{
    const COLORREF Rgb = ColorToRGB(Color);
    const double R = GetRValue(Rgb) / 255.0;
    const double G = GetGValue(Rgb) / 255.0;
    const double B = GetBValue(Rgb) / 255.0;
    const double Hi = std::max({R, G, B});
    const double Lo = std::min({R, G, B});
    const double Light = (Hi + Lo) / 2;
    L = ScaleHsl(Light);
    if (Hi == Lo) {
        H = 0;
        S = 0;
        return;
    }
    const double D = Hi - Lo;
    S = ScaleHsl(Light < 0.5 ? D / (Hi + Lo) : D / (2 - Hi - Lo));
    double Hue = 0;
    if (Hi == R)
        Hue = (G - B) / D;
    else if (Hi == G)
        Hue = 2 + (B - R) / D;
    else
        Hue = 4 + (R - G) / D;
    Hue /= 6;
    if (Hue < 0)
        Hue += 1;
    H = ScaleHsl(Hue);
}

TColor JoinHsl(Byte H, Byte S, Byte L)
{
    const double Hue = std::min<double>(H, HslMax) / HslMax;
    const double Sat = std::min<double>(S, HslMax) / HslMax;
    const double Light = std::min<double>(L, HslMax) / HslMax;
    if (Sat == 0) {
        const int V = ToByte(Light);
        return static_cast<TColor>(RGB(V, V, V));
    }
    const double Q = Light < 0.5 ? Light * (1 + Sat) : Light + Sat - Light * Sat;
    const double P = 2 * Light - Q;
    return static_cast<TColor>(RGB(ToByte(HueToRgb(P, Q, Hue + 1.0 / 3)), ToByte(HueToRgb(P, Q, Hue)),
        ToByte(HueToRgb(P, Q, Hue - 1.0 / 3))));
}

TColor DarkenColor(TColor Color, int Amount)
{
    Byte H = 0, S = 0, L = 0;
    SplitToHsl(Color, H, S, L);
    return JoinHsl(H, S, static_cast<Byte>(std::max(0, L - Amount)));
}

TColor LightenColor(TColor Color, int Amount)
{
    Byte H = 0, S = 0, L = 0;
    SplitToHsl(Color, H, S, L);
    // Lightness runs to 240: a cap of 255 would ask for more than white.
    return JoinHsl(H, S, static_cast<Byte>(std::min(240, L + Amount)));
}

TColor ShiftLightness(TColor Color, int Amount)
{
    if (Amount < 0)
        return DarkenColor(Color, -Amount);
    if (Amount > 0)
        return LightenColor(Color, Amount);
    return Color;
}

// ---- frames --------------------------------------------------------------------------------

PTypeInfo TypeInfoOf(const TFrameStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TFrameStyleEx", {"fsNone", "fsFlat", "fsGroove",
        "fsBump", "fsLowered", "fsButtonDown", "fsRaised", "fsButtonUp", "fsStatus", "fsPopup",
        "fsFlatBold", "fsFlatRounded"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TSide*)
{
    static const TTypeInfo Info = EnumTypeInfo("TSide", {"sdLeft", "sdTop", "sdRight", "sdBottom"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TSides*)
{
    static const TTypeInfo Info = SetTypeInfo("TSides", TypeInfoOf(static_cast<const TSide*>(nullptr)));
    return &Info;
}

namespace {

void FillPixels(TCanvas* Canvas, const TRect& R, TColor Color)
{
    if (Color == clNone || R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->FillRect(R);
}

} // namespace

TRect PaintSides(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, TSides Sides)
{
    const TRect R = Rect;
    if (Sides.Contains(sdLeft))
        FillPixels(Canvas, {R.Left, R.Top, R.Left + 1, R.Bottom}, ULColor);
    if (Sides.Contains(sdTop))
        FillPixels(Canvas, {R.Left, R.Top, R.Right, R.Top + 1}, ULColor);
    if (Sides.Contains(sdRight))
        FillPixels(Canvas, {R.Right - 1, R.Top, R.Right, R.Bottom}, LRColor);
    if (Sides.Contains(sdBottom))
        FillPixels(Canvas, {R.Left, R.Bottom - 1, R.Right, R.Bottom}, LRColor);
    if (Sides.Contains(sdLeft))
        ++Rect.Left;
    if (Sides.Contains(sdTop))
        ++Rect.Top;
    if (Sides.Contains(sdRight))
        --Rect.Right;
    if (Sides.Contains(sdBottom))
        --Rect.Bottom;
    return Rect;
}

TRect PaintBevel(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, int Width, TSides Sides)
{
    Canvas->Pen()->SetWidth(1);
    for (int I = 0; I < Width; ++I)
        Rect = PaintSides(Canvas, Rect, ULColor, LRColor, Sides);
    return Rect;
}

TRect Paint3DBorder(TCanvas* Canvas, TRect Rect, bool Lowered, TSides Sides)
{
    if (Lowered) {
        Rect = PaintSides(Canvas, Rect, clBtnShadow, clBtnHighlight, Sides);
        return PaintSides(Canvas, Rect, cl3DDkShadow, cl3DLight, Sides);
    }
    Rect = PaintSides(Canvas, Rect, cl3DLight, cl3DDkShadow, Sides);
    return PaintSides(Canvas, Rect, clBtnHighlight, clBtnShadow, Sides);
}

TRect PaintButtonBorder(TCanvas* Canvas, TRect Rect, bool Down, TSides Sides)
{
    if (Down) {
        Rect = PaintSides(Canvas, Rect, clBtnText, clBtnText, Sides);
        return PaintSides(Canvas, Rect, clBtnShadow, clBtnShadow, Sides);
    }
    Rect = PaintSides(Canvas, Rect, clBtnHighlight, cl3DDkShadow, Sides);
    return PaintSides(Canvas, Rect, cl3DLight, clBtnShadow, Sides);
}

TRect PaintFrameStyle(TCanvas* Canvas, TRect Rect, TFrameStyle Style, TSides Sides)
{
    switch (Style) {
    case fsNone:
        return Rect;
    case fsFlat:
        return PaintSides(Canvas, Rect, cl3DDkShadow, cl3DDkShadow, Sides);
    case fsStatus:
        return PaintSides(Canvas, Rect, clBtnShadow, clBtnHighlight, Sides);
    case fsPopup:
        return PaintSides(Canvas, Rect, clBtnHighlight, clBtnShadow, Sides);
    case fsFlatBold:
        return PaintBevel(Canvas, Rect, clBtnShadow, clBtnShadow, 2, Sides);
    case fsLowered:
        return Paint3DBorder(Canvas, Rect, /*Lowered=*/true, Sides);
    case fsRaised:
        return Paint3DBorder(Canvas, Rect, /*Lowered=*/false, Sides);
    case fsButtonDown:
        return PaintButtonBorder(Canvas, Rect, /*Down=*/true, Sides);
    case fsButtonUp:
        return PaintButtonBorder(Canvas, Rect, /*Down=*/false, Sides);
    case fsGroove:
    case fsBump: {
        // An etched line: two rings whose colours swap, so each corner where
        // they cross keeps a single pixel of the other colour.
        const TColor First = Style == fsGroove ? clBtnShadow : clBtnHighlight;
        const TColor Second = Style == fsGroove ? clBtnHighlight : clBtnShadow;
        Rect = PaintSides(Canvas, Rect, First, Second, Sides);
        return PaintSides(Canvas, Rect, Second, First, Sides);
    }
    case fsFlatRounded:
        return PaintRoundedFlatBorder(Canvas, Rect, cl3DDkShadow, Sides);
    }
    return Rect;
}

TRect PaintRoundedFlatBorder(TCanvas* Canvas, TRect Rect, TColor Color, TSides Sides)
{
    const TRect R = Rect;
    const bool L = Sides.Contains(sdLeft), T = Sides.Contains(sdTop);
    const bool Rt = Sides.Contains(sdRight), B = Sides.Contains(sdBottom);
    if (L)
        FillPixels(Canvas, {R.Left, R.Top + (T ? 2 : 0), R.Left + 1, R.Bottom - (B ? 2 : 0)}, Color);
    if (T)
        FillPixels(Canvas, {R.Left + (L ? 2 : 0), R.Top, R.Right - (Rt ? 2 : 0), R.Top + 1}, Color);
    if (Rt)
        FillPixels(Canvas, {R.Right - 1, R.Top + (T ? 2 : 0), R.Right, R.Bottom - (B ? 2 : 0)}, Color);
    if (B)
        FillPixels(Canvas, {R.Left + (L ? 2 : 0), R.Bottom - 1, R.Right - (Rt ? 2 : 0), R.Bottom}, Color);
    if (L && T)
        FillPixels(Canvas, {R.Left + 1, R.Top + 1, R.Left + 2, R.Top + 2}, Color);
    if (Rt && T)
        FillPixels(Canvas, {R.Right - 2, R.Top + 1, R.Right - 1, R.Top + 2}, Color);
    if (L && B)
        FillPixels(Canvas, {R.Left + 1, R.Bottom - 2, R.Left + 2, R.Bottom - 1}, Color);
    if (Rt && B)
        FillPixels(Canvas, {R.Right - 2, R.Bottom - 2, R.Right - 1, R.Bottom - 1}, Color);
    if (L)
        ++Rect.Left;
    if (T)
        ++Rect.Top;
    if (Rt)
        --Rect.Right;
    if (B)
        --Rect.Bottom;
    return Rect;
}

namespace {

TRect PaintLabelStyle(TCanvas* Canvas, TRect Rect, TFrameStyle Style, const TLabelFrame& F)
{
    const TColor Flat = ShiftLightness(F.FlatColor, F.FlatColorAdjustment);
    switch (Style) {
    case fsFlat:
        return PaintSides(Canvas, Rect, Flat, Flat, F.Sides);
    case fsFlatBold:
        return PaintBevel(Canvas, Rect, Flat, Flat, 2, F.Sides);
    case fsFlatRounded:
        return PaintRoundedFlatBorder(Canvas, Rect, Flat, F.Sides);
    case fsStatus:
        return PaintBevel(Canvas, Rect, F.BorderShadow, F.BorderHighlight, F.BevelWidth, F.Sides);
    case fsPopup:
        return PaintBevel(Canvas, Rect, F.BorderHighlight, F.BorderShadow, F.BevelWidth, F.Sides);
    case fsNone:
    case fsGroove:
    case fsBump:
    case fsLowered:
    case fsButtonDown:
    case fsRaised:
    case fsButtonUp:
        return PaintFrameStyle(Canvas, Rect, Style, F.Sides);
    }
    return Rect;
}

} // namespace

TRect PaintLabelFrame(TCanvas* Canvas, TRect Rect, const TLabelFrame& Frame)
{
    Rect = PaintLabelStyle(Canvas, Rect, Frame.Outer, Frame);
    if (Frame.BorderWidth > 0) {
        const TRect Outer = Rect;
        InflateRect(Rect, -Frame.BorderWidth, -Frame.BorderWidth);
        if (!Frame.Transparent) {
            const int W = Frame.BorderWidth;
            FillPixels(Canvas, {Outer.Left, Outer.Top, Outer.Right, Outer.Top + W}, Frame.BorderColor);
            FillPixels(Canvas, {Outer.Left, Outer.Bottom - W, Outer.Right, Outer.Bottom}, Frame.BorderColor);
            FillPixels(Canvas, {Outer.Left, Outer.Top, Outer.Left + W, Outer.Bottom}, Frame.BorderColor);
            FillPixels(Canvas, {Outer.Right - W, Outer.Top, Outer.Right, Outer.Bottom}, Frame.BorderColor);
        }
    }
    return PaintLabelStyle(Canvas, Rect, Frame.Inner, Frame);
}

int FrameStyleWidth(TFrameStyle Style, int BevelWidth)
{
    switch (Style) {
    case fsNone:
        return 0;
    case fsFlat:
        return 1;
    case fsStatus:
    case fsPopup:
        return BevelWidth;
    case fsGroove:
    case fsBump:
    case fsLowered:
    case fsButtonDown:
    case fsRaised:
    case fsButtonUp:
    case fsFlatBold:
    case fsFlatRounded:
        return 2;
    }
    return 0;
}

// ---- fonts ------------------------------------------------------------------------------------

HFONT MakeAngledFont(TFont* Font, int Angle)
{
    LOGFONT LF;
    LF.lfHeight = Font->Height();
    LF.lfEscapement = Angle * 10;
    LF.lfOrientation = Angle * 10;
    LF.lfWeight = Font->Style().Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    LF.lfItalic = Font->Style().Contains(fsItalic) ? 1 : 0;
    LF.lfUnderline = Font->Style().Contains(fsUnderline) ? 1 : 0;
    LF.lfStrikeOut = Font->Style().Contains(fsStrikeOut) ? 1 : 0;
    LF.lfCharSet = Font->Charset();
    switch (Font->Pitch()) {
    case fpVariable:
        LF.lfPitchAndFamily = VARIABLE_PITCH;
        break;
    case fpFixed:
        LF.lfPitchAndFamily = FIXED_PITCH;
        break;
    case fpDefault:
        LF.lfPitchAndFamily = DEFAULT_PITCH;
        break;
    }
    LF.lfFaceName = Font->Name();
    return CreateFontIndirect(LF);
}

bool FontIsTrueType(TFont* Font)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font->Handle());
    TEXTMETRIC TM;
    GetTextMetrics(DC, TM);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return (TM.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

// ---- blinking ---------------------------------------------------------------------------------

namespace {

TExBlinkingControlsList*& BlinkList()
{
    static TExBlinkingControlsList* List = nullptr;
    return List;
}

} // namespace

PRICETAGS_DEFINE_CLASS(TExBlinkingControlsList)

TExBlinkingControlsList::TExBlinkingControlsList() : FTimer(std::make_unique<TTimer>(nullptr))
{
    FTimer->SetInterval(500);
    FTimer->OnTimer = TNotifyEvent(this, &TExBlinkingControlsList::TimerFired);
    FTimer->SetEnabled(true);
}

TExBlinkingControlsList::~TExBlinkingControlsList() = default;

void TExBlinkingControlsList::Add(TControl* Control)
{
    if (std::find(FControls.begin(), FControls.end(), Control) == FControls.end())
        FControls.push_back(Control);
}

void TExBlinkingControlsList::Remove(TControl* Control)
{
    FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
}

void TExBlinkingControlsList::Tick()
{
    FPhase = !FPhase;
    FTimer->SetInterval(FPhase ? FIntervalOn : FIntervalOff);
    // A control may leave the list while it repaints: walk a copy.
    const std::vector<TControl*> Controls = FControls;
    for (TControl* Control : Controls) {
        if (Control->Perform(CM_EXBLINKQUERY) == 1)
            Control->Perform(CM_EXBLINKPHASE, FPhase ? 1 : 0);
    }
}

void TExBlinkingControlsList::TimerFired(TObject* /*Sender*/)
{
    Tick();
}

TExBlinkingControlsList* ExBlinkingList()
{
    return BlinkList();
}

void ExBlinkingJoin(TControl* Control)
{
    if (!BlinkList())
        BlinkList() = new TExBlinkingControlsList();
    BlinkList()->Add(Control);
}

void ExBlinkingLeave(TControl* Control)
{
    TExBlinkingControlsList* List = BlinkList();
    if (!List)
        return;
    List->Remove(Control);
    if (List->Count() == 0) {
        BlinkList() = nullptr;
        delete List;
    }
}

// ---- frame controller --------------------------------------------------------------------------

PTypeInfo TypeInfoOf(const TFramingPreference*)
{
    static const TTypeInfo Info = EnumTypeInfo("TFramingPreference", {"fpCustomFraming", "fpXPThemes"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TExFrameControllerProperty*)
{
    static const TTypeInfo Info = EnumTypeInfo("TExFrameControllerProperty", {"fcpColor",
        "fcpFocusColor", "fcpDisabledColor", "fcpReadOnlyColor", "fcpReadOnlyColorOnFocus",
        "fcpParentColor", "fcpFlatButtonColor", "fcpFlatButtons", "fcpFrameColor",
        "fcpFrameHotColor", "fcpFrameHotTrack", "fcpFrameHotStyle", "fcpFrameSides",
        "fcpFrameStyle", "fcpFrameVisible", "fcpFramingPreference", "fcpAll"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TExFrameControllerNotifications*)
{
    static const TTypeInfo Info = SetTypeInfo("TExFrameControllerNotifications",
        TypeInfoOf(static_cast<const TExFrameControllerProperty*>(nullptr)));
    return &Info;
}

TExFrameControllerNotifications AllFrameNotifications()
{
    TExFrameControllerNotifications All;
    for (int I = fcpColor; I < fcpAll; ++I)
        All.Include(static_cast<TExFrameControllerProperty>(I));
    return All;
}

PRICETAGS_DEFINE_CLASS(TExFrameController,
    Property("Color", &TExFrameController::Color, &TExFrameController::SetColor),
    Property("DisabledColor", &TExFrameController::DisabledColor, &TExFrameController::SetDisabledColor),
    Property("ReadOnlyColor", &TExFrameController::ReadOnlyColor, &TExFrameController::SetReadOnlyColor),
    Property("ReadOnlyColorOnFocus", &TExFrameController::ReadOnlyColorOnFocus, &TExFrameController::SetReadOnlyColorOnFocus),
    Property("FlatButtonColor", &TExFrameController::FlatButtonColor, &TExFrameController::SetFlatButtonColor),
    Property("FlatButtons", &TExFrameController::FlatButtons, &TExFrameController::SetFlatButtons),
    Property("FocusColor", &TExFrameController::FocusColor, &TExFrameController::SetFocusColor),
    Property("FrameColor", &TExFrameController::FrameColor, &TExFrameController::SetFrameColor),
    Property("FrameHotColor", &TExFrameController::FrameHotColor, &TExFrameController::SetFrameHotColor),
    Property("FrameHotStyle", &TExFrameController::FrameHotStyle, &TExFrameController::SetFrameHotStyle),
    Property("FrameHotTrack", &TExFrameController::FrameHotTrack, &TExFrameController::SetFrameHotTrack),
    Property("FrameSides", &TExFrameController::FrameSides, &TExFrameController::SetFrameSides),
    Property("FrameStyle", &TExFrameController::FrameStyle, &TExFrameController::SetFrameStyle),
    Property("FrameVisible", &TExFrameController::FrameVisible, &TExFrameController::SetFrameVisible),
    Property("FramingPreference", &TExFrameController::FramingPreference, &TExFrameController::SetFramingPreference),
    Property("ParentColor", &TExFrameController::ParentColor, &TExFrameController::SetParentColor))

TExFrameController::TExFrameController(TComponent* AOwner) : TComponent(AOwner) {}

TExFrameController::~TExFrameController() = default;

void TExFrameController::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
}

void TExFrameController::Assign(TPersistent* Source)
{
    auto* Other = dynamic_cast<TExFrameController*>(Source);
    if (!Other) {
        inherited::Assign(Source);
        return;
    }
    // Setters only store and notify, so the bracket cannot be left open.
    BeginUpdate();
    SetColor(Other->FColor);
    SetDisabledColor(Other->FDisabledColor);
    SetReadOnlyColor(Other->FReadOnlyColor);
    SetReadOnlyColorOnFocus(Other->FReadOnlyColorOnFocus);
    SetFlatButtonColor(Other->FFlatButtonColor);
    SetFlatButtons(Other->FFlatButtons);
    SetFocusColor(Other->FFocusColor);
    SetFrameColor(Other->FFrameColor);
    SetFrameHotColor(Other->FFrameHotColor);
    SetFrameHotStyle(Other->FFrameHotStyle);
    SetFrameHotTrack(Other->FFrameHotTrack);
    SetFrameSides(Other->FFrameSides);
    SetFrameStyle(Other->FFrameStyle);
    SetFrameVisible(Other->FFrameVisible);
    SetFramingPreference(Other->FFramingPreference);
    SetParentColor(Other->FParentColor);
    EndUpdate();
    NotifyControls(fcpAll);
}

void TExFrameController::RegisterControl(TControl* Control)
{
    if (!FControls)
        FControls = std::make_unique<std::vector<TControl*>>();
    if (std::find(FControls->begin(), FControls->end(), Control) != FControls->end())
        return;
    FControls->push_back(Control);
    NotifyControl(Control, fcpAll);
}

void TExFrameController::UnregisterControl(TControl* Control)
{
    if (!FControls)
        return;
    FControls->erase(std::remove(FControls->begin(), FControls->end(), Control), FControls->end());
    if (FControls->empty())
        FControls.reset();
}

void TExFrameController::NotifyControls(TExFrameControllerProperty Property)
{
    if (FUpdateCount > 0 || !FControls)
        return;
    const std::vector<TControl*> Controls = *FControls;
    for (TControl* Control : Controls)
        NotifyControl(Control, Property);
}

void TExFrameController::NotifyControl(TControl* Control, TExFrameControllerProperty Property)
{
    if (auto* Client = dynamic_cast<ExFrameControllerClient*>(Control)) {
        Client->ApplyControllerValues(this, Property);
        return;
    }
    if (Property != fcpAll) {
        WriteProperty(Control, Property);
        return;
    }
    WriteProperty(Control, fcpParentColor);
    for (int I = fcpColor; I < fcpAll; ++I) {
        const auto P = static_cast<TExFrameControllerProperty>(I);
        const bool IsColour = P == fcpColor || P == fcpFocusColor || P == fcpDisabledColor ||
            P == fcpReadOnlyColor || P == fcpFlatButtonColor;
        if (P == fcpParentColor || (IsColour && FParentColor))
            continue;
        WriteProperty(Control, P);
    }
}

void TExFrameController::WriteProperty(TControl* Control, TExFrameControllerProperty Property)
{
    static const char* const Names[] = {"Color", "FocusColor", "DisabledColor", "ReadOnlyColor",
        "ReadOnlyColorOnFocus", "ParentColor", "FlatButtonColor", "FlatButtons", "FrameColor",
        "FrameHotColor", "FrameHotTrack", "FrameHotStyle", "FrameSides", "FrameStyle",
        "FrameVisible", "FramingPreference"};
    if (Property == fcpAll)
        return;
    if (Property == fcpColor && FParentColor)
        return;
    // A control without the notifications property takes every value.
    if (PPropInfo Chosen = GetPropInfo(Control, "FrameControllerNotifications")) {
        const Int64 Bits = GetOrdProp(Control, Chosen);
        if (!(Bits & (Int64(1) << Property)))
            return;
    }
    PPropInfo Info = GetPropInfo(Control, Names[Property]);
    if (!Info)
        return;
    Int64 Value = 0;
    switch (Property) {
    case fcpColor: Value = FColor; break;
    case fcpFocusColor: Value = FFocusColor; break;
    case fcpDisabledColor: Value = FDisabledColor; break;
    case fcpReadOnlyColor: Value = FReadOnlyColor; break;
    case fcpReadOnlyColorOnFocus: Value = FReadOnlyColorOnFocus; break;
    case fcpParentColor: Value = FParentColor; break;
    case fcpFlatButtonColor: Value = FFlatButtonColor; break;
    case fcpFlatButtons: Value = FFlatButtons; break;
    case fcpFrameColor: Value = FFrameColor; break;
    case fcpFrameHotColor: Value = FFrameHotColor; break;
    case fcpFrameHotTrack: Value = FFrameHotTrack; break;
    case fcpFrameHotStyle: Value = FFrameHotStyle; break;
    case fcpFrameSides: Value = FFrameSides.Bits(); break;
    case fcpFrameStyle: Value = FFrameStyle; break;
    case fcpFrameVisible: Value = FFrameVisible; break;
    case fcpFramingPreference: Value = FFramingPreference; break;
    case fcpAll: return;
    }
    SetOrdProp(Control, Info, Value);
}

void TExFrameController::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    const bool FocusFollows = FFocusColor == FColor;
    FColor = Value;
    FParentColor = false;
    NotifyControls(fcpColor);
    if (FocusFollows)
        SetFocusColor(Value);
}

#define EX_SETTER(Name, Type, Field, Prop)                  \
    void TExFrameController::Set##Name(Type Value)          \
    {                                                       \
        if (Field == Value)                                 \
            return;                                         \
        Field = Value;                                      \
        NotifyControls(Prop);                               \
    }

EX_SETTER(DisabledColor, TColor, FDisabledColor, fcpDisabledColor)
EX_SETTER(ReadOnlyColor, TColor, FReadOnlyColor, fcpReadOnlyColor)
EX_SETTER(ReadOnlyColorOnFocus, bool, FReadOnlyColorOnFocus, fcpReadOnlyColorOnFocus)
EX_SETTER(FlatButtonColor, TColor, FFlatButtonColor, fcpFlatButtonColor)
EX_SETTER(FlatButtons, bool, FFlatButtons, fcpFlatButtons)
EX_SETTER(FocusColor, TColor, FFocusColor, fcpFocusColor)
EX_SETTER(FrameColor, TColor, FFrameColor, fcpFrameColor)
EX_SETTER(FrameHotColor, TColor, FFrameHotColor, fcpFrameHotColor)
EX_SETTER(FrameHotStyle, TFrameStyle, FFrameHotStyle, fcpFrameHotStyle)
EX_SETTER(FrameSides, TSides, FFrameSides, fcpFrameSides)
EX_SETTER(FrameStyle, TFrameStyle, FFrameStyle, fcpFrameStyle)
EX_SETTER(FrameVisible, bool, FFrameVisible, fcpFrameVisible)
EX_SETTER(FramingPreference, TFramingPreference, FFramingPreference, fcpFramingPreference)

#undef EX_SETTER

void TExFrameController::SetFrameHotTrack(bool Value)
{
    if (FFrameHotTrack == Value)
        return;
    FFrameHotTrack = Value;
    NotifyControls(fcpFrameHotTrack);
    if (Value) {
        SetFrameVisible(true);
        if (!ComponentState().Contains(csLoading))
            SetFrameSides(AllSides());
    }
}

void TExFrameController::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    NotifyControls(fcpParentColor);
    if (!Value)
        NotifyControls(fcpColor);
}

void TExFrameController::SetRegIniFile(TExRegIniFile* Value)
{
    if (FRegIniFile == Value)
        return;
    if (FRegIniFile)
        FRegIniFile->RemoveFreeNotification(this);
    FRegIniFile = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TExFrameController::ReadFrameFlat(bool Value)
{
    if (!Value)
        return;
    SetFrameHotTrack(true);
    SetFrameStyle(fsStatus);
    SetFrameHotStyle(fsLowered);
}

void TExFrameController::ReadFrameFocusStyle(const AnsiString& StyleName)
{
    const auto& Names = TypeInfoOf(static_cast<const TFrameStyle*>(nullptr))->EnumNames;
    for (size_t I = 0; I + 1 < Names.size(); ++I) {
        if (SameText(Names[I], StyleName)) {
            SetFrameHotStyle(static_cast<TFrameStyle>(I));
            return;
        }
    }
}

void TExFrameController::Loaded()
{
    inherited::Loaded();
    NotifyControls(fcpAll);
}

void TExFrameController::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FRegIniFile)
        FRegIniFile = nullptr;
}

// ---- ini file or registry key -----------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TExRegIniFile)

TExRegIniFile::TExRegIniFile(TComponent* AOwner) : TComponent(AOwner) {}

TExRegIniFile::~TExRegIniFile() = default;

void TExRegIniFile::SetPath(const AnsiString& Value)
{
    if (FPath == Value)
        return;
    FPath = Value;
    FChanged = true;
}

void TExRegIniFile::SetPathType(TExPathType Value)
{
    if (FPathType == Value)
        return;
    FPathType = Value;
    FChanged = true;
}

void TExRegIniFile::SetRegKey(TExRegKey Value)
{
    if (FRegKey == Value)
        return;
    FRegKey = Value;
    FChanged = true;
}

void TExRegIniFile::SetRegAccess(TExRegAccess Value)
{
    if (FRegAccess == Value)
        return;
    FRegAccess = Value;
    FChanged = true;
}

TIniFile* TExRegIniFile::IniFile()
{
    if (!FIniFile || FChanged) {
        FIniFile.reset();
        FIniFile = std::make_unique<TIniFile>(FPath);
        FChanged = false;
    }
    return FIniFile.get();
}

TRegistry* TExRegIniFile::Registry()
{
    if (!FRegistry || FChanged) {
        FRegistry = std::make_unique<TRegistry>();
        FRegistry->SetRootKey(HKEY_CLASSES_ROOT + static_cast<HKEY>(FRegKey));
        FRegistry->OpenKey(FPath, /*CanCreate=*/false);
        FChanged = false;
    }
    return FRegistry.get();
}
