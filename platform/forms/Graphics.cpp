#include "platform/forms/Graphics.h"

#include "platform/winapi/DeviceContexts.h"
#include "platform/winapi/GdiPrivate.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <QBuffer>
#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>

// ---- colours --------------------------------------------------------------------

namespace {

struct ColorName {
    TColor Color;
    const char* Name;
};

// Named colours in the class library's order (the colour lists show them so).
constexpr ColorName ColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"}, {clNone, "clNone"}, {clDefault, "clDefault"},
};

}  // namespace

COLORREF ColorToRGB(TColor Color)
{
    if (Color < 0)
        return GetSysColor(Color & 0xFF);
    return static_cast<COLORREF>(Color);
}

bool IdentToColor(const AnsiString& Ident, TColor& Color)
{
    for (const ColorName& C : ColorNames)
        if (SameText(Ident, C.Name)) {
            Color = C.Color;
            return true;
        }
    return false;
}

bool ColorToIdent(TColor Color, AnsiString& Ident)
{
    for (const ColorName& C : ColorNames)
        if (C.Color == Color) {
            Ident = C.Name;
            return true;
        }
    return false;
}

AnsiString ColorToString(TColor Color)
{
    AnsiString Name;
    if (ColorToIdent(Color, Name))
        return Name;
    return "$" + IntToHex(static_cast<uint32_t>(Color), 8);
}

TColor StringToColor(const AnsiString& S)
{
    TColor C = 0;
    if (IdentToColor(S, C))
        return C;
    return static_cast<TColor>(StrToInt(S));
}

PTypeInfo TypeInfoOfColor()
{
    static const TTypeInfo Info = [] {
        TTypeInfo I;
        I.Kind = tkInteger;
        I.Name = "TColor";
        I.OrdType = otSLong;
        I.MinValue = INT32_MIN;
        I.MaxValue = INT32_MAX;
        return I;
    }();
    return &Info;
}

PTypeInfo TypeInfoOf(const TFontStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TFontStyles*)
{
    static const TTypeInfo Info = SetTypeInfo("TFontStyles", TypeInfo<TFontStyle>());
    return &Info;
}

PTypeInfo TypeInfoOf(const TFontPitch*)
{
    static const TTypeInfo Info = EnumTypeInfo("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TPenStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TPenStyle",
        {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TPenMode*)
{
    static const TTypeInfo Info = EnumTypeInfo("TPenMode",
        {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
            "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor",
            "pmNotXor"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TBrushStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TBrushStyle",
        {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
            "bsDiagCross"});
    return &Info;
}

// ---- shared font handles ------------------------------------------------------------

namespace {

// The parts of a description that tell fonts apart (the precisions do not).
struct SameFont {
    bool operator()(const LOGFONT& A, const LOGFONT& B) const
    {
        return A.lfHeight == B.lfHeight && A.lfWidth == B.lfWidth && A.lfEscapement == B.lfEscapement
            && A.lfOrientation == B.lfOrientation && A.lfWeight == B.lfWeight && A.lfItalic == B.lfItalic
            && A.lfUnderline == B.lfUnderline && A.lfStrikeOut == B.lfStrikeOut && A.lfCharSet == B.lfCharSet
            && A.lfQuality == B.lfQuality && A.lfPitchAndFamily == B.lfPitchAndFamily
            && A.lfFaceName.Std() == B.lfFaceName.Std();
    }
};

struct FontHash {
    size_t operator()(const LOGFONT& F) const
    {
        size_t H = std::hash<std::string>()(F.lfFaceName.Std());
        for (int V : {F.lfHeight, F.lfWidth, F.lfEscapement, F.lfOrientation, F.lfWeight, int(F.lfItalic),
                 int(F.lfUnderline), int(F.lfStrikeOut), int(F.lfCharSet), int(F.lfQuality),
                 int(F.lfPitchAndFamily)})
            H = H * 1000003u ^ static_cast<size_t>(V);
        return H;
    }
};

struct SharedFont {
    HFONT Handle = nullptr;
    int Refs = 0;
};

using FontHandles = std::unordered_map<LOGFONT, SharedFont, FontHash, SameFont>;

// Fonts with the same description share one handle, as the class library
// shares them; the table holds one entry per description in use. It is
// never destroyed: fonts of static objects are released after every other
// static has gone at exit.
FontHandles& FontTable()
{
    static auto* Table = new FontHandles;
    return *Table;
}

// Descriptions that no font uses any more keep their handle, up to this
// many: a report goes back and forth between a few fonts, and each return
// would make the handle (and find its realised font) again.
constexpr int IdleFontLimit = 32;

int& IdleFonts()
{
    static int Count = 0;
    return Count;
}

HFONT AcquireFont(const LOGFONT& F)
{
    SharedFont& S = FontTable()[F];
    if (!S.Handle)
        S.Handle = CreateFontIndirect(F);
    else if (S.Refs == 0)
        --IdleFonts();
    ++S.Refs;
    return S.Handle;
}

void ReleaseFont(HFONT H)
{
    if (!H)
        return;
    LOGFONT F;
    GetObject(H, F);
    auto& Table = FontTable();
    const auto It = Table.find(F);
    if (It == Table.end() || It->second.Handle != H)
        return;
    if (--It->second.Refs > 0)
        return;
    It->second.Refs = 0;
    if (++IdleFonts() <= IdleFontLimit)
        return;
    for (auto I = Table.begin(); I != Table.end();) {
        if (I->second.Refs > 0) {
            ++I;
            continue;
        }
        DeleteObject(I->second.Handle);
        I = Table.erase(I);
    }
    IdleFonts() = 0;
}

}  // namespace

// ---- graphics objects ---------------------------------------------------------------

TGraphicsObject::~TGraphicsObject() = default;

void TGraphicsObject::Changed()
{
    OnChange(this);
}

PRICETAGS_DEFINE_CLASS(TGraphicsObject)

TFont::TFont() : FName("MS Sans Serif") {}

TFont::~TFont()
{
    ReleaseFont(FHandle);
}

PRICETAGS_DEFINE_CLASS(TFont,
    Property("Charset", &TFont::Charset, &TFont::SetCharset),
    Property("Color", &TFont::Color, &TFont::SetColor).WithType(TypeInfoOfColor()),
    Property("Height", &TFont::Height, &TFont::SetHeight),
    Property("Name", &TFont::Name, &TFont::SetName),
    Property("Orientation", &TFont::Orientation, &TFont::SetOrientation).WithDefault(0),
    Property("Pitch", &TFont::Pitch, &TFont::SetPitch).WithDefault(fpDefault),
    Property("Size", &TFont::Size, &TFont::SetSize).NotStored(),
    Property("Style", &TFont::Style, &TFont::SetStyle))

void TFont::Assign(TPersistent* Source)
{
    if (auto* F = dynamic_cast<TFont*>(Source)) {
        if (F == this)
            return;
        FName = F->FName;
        FStyle = F->FStyle;
        FColor = F->FColor;
        FCharset = F->FCharset;
        FPitch = F->FPitch;
        FOrientation = F->FOrientation;
        // Sizes in points stay the same size when the resolutions differ.
        FHeight = FPixelsPerInch == F->FPixelsPerInch ? F->FHeight
                                                      : -MulDiv(F->Size(), FPixelsPerInch, 72);
        Update();
        return;
    }
    inherited::Assign(Source);
}

LOGFONT TFont::LogFont() const
{
    LOGFONT F;
    F.lfHeight = FHeight;
    F.lfEscapement = FOrientation;
    F.lfOrientation = FOrientation;
    F.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    F.lfItalic = FStyle.Contains(fsItalic);
    F.lfUnderline = FStyle.Contains(fsUnderline);
    F.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    F.lfCharSet = FCharset;
    F.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    F.lfFaceName = FName;
    return F;
}

HFONT TFont::Handle() const
{
    if (!FHandle)
        FHandle = AcquireFont(LogFont());
    return FHandle;
}

void TFont::SetHandle(HFONT Value)
{
    LOGFONT F;
    if (!GetObject(Value, F))
        return;
    FName = F.lfFaceName;
    FHeight = F.lfHeight;
    FOrientation = F.lfEscapement;
    TFontStyles S;
    if (F.lfWeight >= FW_SEMIBOLD)
        S.Include(fsBold);
    if (F.lfItalic)
        S.Include(fsItalic);
    if (F.lfUnderline)
        S.Include(fsUnderline);
    if (F.lfStrikeOut)
        S.Include(fsStrikeOut);
    FStyle = S;
    FCharset = F.lfCharSet;
    const int Pitch = F.lfPitchAndFamily & 3;
    FPitch = Pitch == FIXED_PITCH ? fpFixed : Pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    Update();
}

void TFont::Update()
{
    ReleaseFont(FHandle);
    FHandle = nullptr;
    Changed();
}

void TFont::SetName(const AnsiString& Value)
{
    if (Value.IsEmpty() || Value == FName)
        return;
    FName = Value;
    Update();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int Value)
{
    SetHeight(-MulDiv(Value, FPixelsPerInch, 72));
}

void TFont::SetHeight(int Value)
{
    if (Value == FHeight)
        return;
    FHeight = Value;
    Update();
}

void TFont::SetStyle(TFontStyles Value)
{
    if (Value == FStyle)
        return;
    FStyle = Value;
    Update();
}

void TFont::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    // The colour is not part of the handle.
    Changed();
}

void TFont::SetCharset(TFontCharset Value)
{
    if (Value == FCharset)
        return;
    FCharset = Value;
    Update();
}

void TFont::SetPitch(TFontPitch Value)
{
    if (Value == FPitch)
        return;
    FPitch = Value;
    Update();
}

void TFont::SetOrientation(int Value)
{
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    Update();
}

int PenModeToRop2(TPenMode Mode)
{
    switch (Mode) {
    case pmBlack: return R2_BLACK;
    case pmWhite: return R2_WHITE;
    case pmNop: return R2_NOP;
    case pmNot: return R2_NOT;
    case pmCopy: return R2_COPYPEN;
    case pmNotCopy: return R2_NOTCOPYPEN;
    case pmMergePenNot: return R2_MERGEPENNOT;
    case pmMaskPenNot: return R2_MASKPENNOT;
    case pmMergeNotPen: return R2_MERGENOTPEN;
    case pmMaskNotPen: return R2_MASKNOTPEN;
    case pmMerge: return R2_MERGEPEN;
    case pmNotMerge: return R2_NOTMERGEPEN;
    case pmMask: return R2_MASKPEN;
    case pmNotMask: return R2_NOTMASKPEN;
    case pmXor: return R2_XORPEN;
    case pmNotXor: return R2_NOTXORPEN;
    }
    return R2_COPYPEN;
}

TPen::TPen() = default;

TPen::~TPen()
{
    DeleteObject(FHandle);
}

PRICETAGS_DEFINE_CLASS(TPen,
    Property("Color", &TPen::Color, &TPen::SetColor).WithType(TypeInfoOfColor()),
    Property("Mode", &TPen::Mode, &TPen::SetMode).WithDefault(pmCopy),
    Property("Style", &TPen::Style, &TPen::SetStyle).WithDefault(psSolid),
    Property("Width", &TPen::Width, &TPen::SetWidth).WithDefault(1))

void TPen::Assign(TPersistent* Source)
{
    if (auto* P = dynamic_cast<TPen*>(Source)) {
        FColor = P->FColor;
        FWidth = P->FWidth;
        FStyle = P->FStyle;
        FMode = P->FMode;
        Update();
        return;
    }
    inherited::Assign(Source);
}

HPEN TPen::Handle() const
{
    if (!FHandle) {
        const int Style = FStyle == psClear ? PS_NULL : static_cast<int>(FStyle);
        FHandle = CreatePen(Style, FWidth, ColorToRGB(FColor));
    }
    return FHandle;
}

void TPen::Update()
{
    DeleteObject(FHandle);
    FHandle = nullptr;
    Changed();
}

void TPen::SetColor(TColor Value)
{
    if (Value != FColor) {
        FColor = Value;
        Update();
    }
}

void TPen::SetWidth(int Value)
{
    if (Value >= 0 && Value != FWidth) {
        FWidth = Value;
        Update();
    }
}

void TPen::SetStyle(TPenStyle Value)
{
    if (Value != FStyle) {
        FStyle = Value;
        Update();
    }
}

void TPen::SetMode(TPenMode Value)
{
    if (Value != FMode) {
        FMode = Value;
        Changed();
    }
}

TBrush::TBrush() = default;

TBrush::~TBrush()
{
    DeleteObject(FHandle);
}

PRICETAGS_DEFINE_CLASS(TBrush,
    Property("Color", &TBrush::Color, &TBrush::SetColor).WithType(TypeInfoOfColor()),
    Property("Style", &TBrush::Style, &TBrush::SetStyle).WithDefault(bsSolid))

void TBrush::Assign(TPersistent* Source)
{
    if (auto* B = dynamic_cast<TBrush*>(Source)) {
        FColor = B->FColor;
        FStyle = B->FStyle;
        FBitmap = B->FBitmap;
        Update();
        return;
    }
    inherited::Assign(Source);
}

HBRUSH TBrush::Handle() const
{
    if (FHandle)
        return FHandle;
    if (FBitmap && !FBitmap->Empty()) {
        FHandle = CreatePatternBrush(FBitmap->Handle());
        return FHandle;
    }
    switch (FStyle) {
    case bsSolid: FHandle = CreateSolidBrush(ColorToRGB(FColor)); break;
    case bsClear: {
        FHandle = CreateSolidBrush(ColorToRGB(FColor));
        FHandle->BrushStyle = BS_NULL;
        break;
    }
    default:
        FHandle = CreateHatchBrush(static_cast<int>(FStyle) - bsHorizontal, ColorToRGB(FColor));
        break;
    }
    return FHandle;
}

void TBrush::Update()
{
    DeleteObject(FHandle);
    FHandle = nullptr;
    Changed();
}

void TBrush::SetColor(TColor Value)
{
    if (Value == FColor && FStyle != bsClear)
        return;
    FColor = Value;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Update();
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (Value != FStyle) {
        FStyle = Value;
        Update();
    }
}

void TBrush::SetBitmap(TBitmap* Value)
{
    FBitmap = Value;
    Update();
}

// ---- canvas ------------------------------------------------------------------------------

const char SNoCanvasHandle[] = "Canvas does not allow drawing";

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>())
{
    FFont->OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
    FPen->OnChange = TNotifyEvent(this, &TCanvas::PenChanged);
    FBrush->OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas()
{
    SetHandle(nullptr);
}

PRICETAGS_DEFINE_CLASS(TCanvas)

HDC TCanvas::Handle()
{
    // Code that draws on the handle itself finds the canvas's objects selected.
    Changing();
    RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
    return FHandle;
}

void TCanvas::SetHandle(HDC Value)
{
    if (FHandle == Value)
        return;
    if (FHandle) {
        DeselectHandles();
        FHandle = nullptr;
        FState.Exclude(csHandleValid);
    }
    if (Value) {
        FState.Include(csHandleValid);
        FHandle = Value;
    }
}

void TCanvas::DeselectHandles()
{
    if (!FHandle)
        return;
    if (FState.Contains(csPenValid) || FState.Contains(csBrushValid) || FState.Contains(csFontValid)) {
        SelectObject(FHandle, GetStockObject(BLACK_PEN));
        SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
        SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
    }
    FState = FState - TCanvasState {csPenValid, csBrushValid, csFontValid};
}

void TCanvas::CreateHandle() {}

void TCanvas::RequiredState(TCanvasState ReqState)
{
    const TCanvasState Needed = ReqState - FState;
    if (Needed.Empty())
        return;
    if (Needed.Contains(csHandleValid)) {
        CreateHandle();
        if (!FHandle)
            throw EInvalidOperation(SNoCanvasHandle);
    }
    if (Needed.Contains(csFontValid)) {
        SelectObject(FHandle, FFont->Handle());
        SetTextColor(FHandle, ColorToRGB(FFont->Color()));
        FState.Include(csFontValid);
    }
    if (Needed.Contains(csPenValid)) {
        SelectObject(FHandle, FPen->Handle());
        SetROP2(FHandle, PenModeToRop2(FPen->Mode()));
        FState.Include(csPenValid);
    }
    if (Needed.Contains(csBrushValid)) {
        SelectObject(FHandle, FBrush->Handle());
        SetBkColor(FHandle, ColorToRGB(FBrush->Color()));
        SetBkMode(FHandle, FBrush->Style() == bsSolid && !FBrush->Bitmap() ? OPAQUE : TRANSPARENT);
        FState.Include(csBrushValid);
    }
}

void TCanvas::FontChanged(TObject*)
{
    if (FState.Contains(csFontValid)) {
        FState.Exclude(csFontValid);
        SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
    }
}

void TCanvas::PenChanged(TObject*)
{
    if (FState.Contains(csPenValid)) {
        FState.Exclude(csPenValid);
        SelectObject(FHandle, GetStockObject(BLACK_PEN));
    }
}

void TCanvas::BrushChanged(TObject*)
{
    if (FState.Contains(csBrushValid)) {
        FState.Exclude(csBrushValid);
        SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
    }
}

void TCanvas::Refresh()
{
    DeselectHandles();
}

void TCanvas::Changing()
{
    OnChanging(this);
}

void TCanvas::Changed()
{
    OnChange(this);
}

TPoint TCanvas::PenPos()
{
    RequiredState({csHandleValid});
    TPoint P;
    MoveToEx(FHandle, 0, 0, &P);
    MoveToEx(FHandle, P.X, P.Y, nullptr);
    return P;
}

TColor TCanvas::Pixels(int X, int Y)
{
    RequiredState({csHandleValid});
    return static_cast<TColor>(GetPixel(FHandle, X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor Value)
{
    Changing();
    RequiredState({csHandleValid, csPenValid});
    SetPixel(FHandle, X, Y, ColorToRGB(Value));
    Changed();
}

TRect TCanvas::ClipRect()
{
    RequiredState({csHandleValid});
    TRect R;
    GetClipBox(FHandle, R);
    return R;
}

void TCanvas::MoveTo(int X, int Y)
{
    RequiredState({csHandleValid});
    MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::Polyline(const TPoint* Points, int Count)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Polyline(FHandle, Points, Count);
    Changed();
}

void TCanvas::Polyline(std::initializer_list<TPoint> Points)
{
    Polyline(Points.begin(), static_cast<int>(Points.size()));
}

void TCanvas::Polygon(const TPoint* Points, int Count)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Polygon(FHandle, Points, Count);
    Changed();
}

void TCanvas::Polygon(std::initializer_list<TPoint> Points)
{
    Polygon(Points.begin(), static_cast<int>(Points.size()));
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid, csPenValid});
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Rectangle(const TRect& R)
{
    Rectangle(R.Left, R.Top, R.Right, R.Bottom);
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid, csPenValid});
    ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid, csPenValid});
    ::Ellipse(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Ellipse(const TRect& R)
{
    Ellipse(R.Left, R.Top, R.Right, R.Bottom);
}

void TCanvas::FillRect(const TRect& R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ::FillRect(FHandle, R, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ::FrameRect(FHandle, R, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ::DrawFocusRect(FHandle, R);
    Changed();
}

void TCanvas::TextOut(int X, int Y, const AnsiString& Text)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    ExtTextOut(FHandle, X, Y, 0, nullptr, Text.Data(), Text.Length());
    MoveTo(X + TextWidth(Text), Y);
    Changed();
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const AnsiString& Text)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    UINT Options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear)
        Options |= ETO_OPAQUE;
    ExtTextOut(FHandle, X, Y, Options, &R, Text.Data(), Text.Length());
    Changed();
}

void TCanvas::TextRect(TRect& R, AnsiString& Text, TTextFormat TextFormat)
{
    static constexpr struct {
        TTextFormats Flag;
        UINT Format;
    } Map[] = {
        {tfBottom, DT_BOTTOM}, {tfCalcRect, DT_CALCRECT}, {tfCenter, DT_CENTER},
        {tfEditControl, DT_EDITCONTROL}, {tfEndEllipsis, DT_END_ELLIPSIS},
        {tfPathEllipsis, DT_PATH_ELLIPSIS}, {tfExpandTabs, DT_EXPANDTABS},
        {tfExternalLeading, DT_EXTERNALLEADING}, {tfLeft, DT_LEFT}, {tfModifyString, DT_MODIFYSTRING},
        {tfNoClip, DT_NOCLIP}, {tfNoPrefix, DT_NOPREFIX}, {tfRight, DT_RIGHT},
        {tfRtlReading, DT_RTLREADING}, {tfSingleLine, DT_SINGLELINE}, {tfTop, DT_TOP},
        {tfVerticalCenter, DT_VCENTER}, {tfWordBreak, DT_WORDBREAK},
    };
    UINT Format = 0;
    for (const auto& M : Map)
        if (TextFormat.Contains(M.Flag))
            Format |= M.Format;
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    ::DrawText(FHandle, Text, R, Format);
    Changed();
}

TSize TCanvas::TextExtent(const AnsiString& Text)
{
    RequiredState({csHandleValid, csFontValid});
    TSize S;
    GetTextExtentPoint32(FHandle, Text.Data(), Text.Length(), S);
    return S;
}

int TCanvas::TextWidth(const AnsiString& Text)
{
    return TextExtent(Text).cx;
}

int TCanvas::TextHeight(const AnsiString& Text)
{
    return TextExtent(Text).cy;
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic)
{
    if (!Graphic || Graphic->Empty())
        return;
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic)
{
    if (!Graphic)
        return;
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, R);
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Source, const TRect& Src)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    Source->RequiredState({csHandleValid, csBrushValid});
    StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Source->FHandle, Src.Left,
        Src.Top, Src.Width(), Src.Height(), FCopyMode);
    Changed();
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Source, const TRect& Src, TColor Color)
{
    if (!Source)
        return;
    // Copy the source, then paint the brush through a mask of Color.
    TBitmap Mask;
    Mask.Assign(Source);
    Mask.Canvas()->Brush()->SetColor(Color);
    Mask.SetMonochrome(true);
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Source->Canvas()->Handle(),
        Src.Left, Src.Top, Src.Width(), Src.Height(), SRCCOPY);
    const COLORREF OldText = SetTextColor(FHandle, RGB(0, 0, 0));
    const COLORREF OldBack = SetBkColor(FHandle, RGB(255, 255, 255));
    // Brush where the mask is white, target kept where it is black.
    StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Mask.Canvas()->Handle(),
        Src.Left, Src.Top, Src.Width(), Src.Height(), 0x00B8074A);
    SetTextColor(FHandle, OldText);
    SetBkColor(FHandle, OldBack);
    Changed();
}

void TCanvas::Lock()
{
    FLock.lock();
    ++FLockCount;
}

void TCanvas::Unlock()
{
    --FLockCount;
    FLock.unlock();
}

bool TCanvas::TryLock()
{
    if (!FLock.try_lock())
        return false;
    ++FLockCount;
    return true;
}

// ---- graphics and bitmaps ------------------------------------------------------------

TGraphic::~TGraphic() = default;

PRICETAGS_DEFINE_CLASS(TGraphic)

void TGraphic::SetTransparent(bool Value)
{
    if (Value != FTransparent) {
        FTransparent = Value;
        Changed(this);
    }
}

void TGraphic::SetModified(bool Value)
{
    if (Value)
        Changed(this);
    else
        FModified = false;
}

void TGraphic::Changed(TObject*)
{
    FModified = true;
    OnChange(this);
}

void TGraphic::LoadFromFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TGraphic::SaveToFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

TBitmap::TBitmap() : FHandle(CreateBitmapObject(QImage(), false)) {}

TBitmap::~TBitmap()
{
    FCanvas.reset();
    DropMask();
    DeleteObject(FHandle);
}

PRICETAGS_DEFINE_CLASS(TBitmap)

void TBitmap::Assign(TPersistent* Source)
{
    if (!Source) {
        NewImage(0, 0, false);
        Changed(this);
        return;
    }
    if (auto* B = dynamic_cast<TBitmap*>(Source)) {
        if (B == this)
            return;
        FreeImage();
        FlushBitmap(B->FHandle);
        FHandle->Image = B->FHandle->Image.copy();
        FEmptySize = B->FEmptySize;
        FHandle->Monochrome = B->FHandle->Monochrome;
        FPixelFormat = B->FPixelFormat;
        FTransparentColor = B->FTransparentColor;
        FTransparentMode = B->FTransparentMode;
        TGraphic::SetTransparent(B->Transparent());
        DropMask();
        Changed(this);
        return;
    }
    inherited::Assign(Source);
}

bool TBitmap::Empty() const
{
    return FHandle->Image.isNull() || FHandle->Image.width() == 0 || FHandle->Image.height() == 0;
}

int TBitmap::Width() const
{
    return Empty() ? FEmptySize.X : FHandle->Image.width();
}

int TBitmap::Height() const
{
    return Empty() ? FEmptySize.Y : FHandle->Image.height();
}

void TBitmap::SetWidth(int Value)
{
    SetSize(Value, Height());
}

void TBitmap::SetHeight(int Value)
{
    SetSize(Width(), Value);
}

void TBitmap::SetSize(int AWidth, int AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (AWidth == Width() && AHeight == Height())
        return;
    NewImage(AWidth, AHeight, true);
    Changed(this);
}

void TBitmap::NewImage(int AWidth, int AHeight, bool KeepPixels)
{
    FreeImage();
    DropMask();
    QImage Image;
    if (AWidth > 0 && AHeight > 0) {
        Image = QImage(AWidth, AHeight, QImage::Format_RGB32);
        // New pixels are white on colour bitmaps and black on monochrome ones.
        Image.fill(FHandle->Monochrome ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        if (KeepPixels && !Empty()) {
            QPainter P(&Image);
            P.setCompositionMode(QPainter::CompositionMode_Source);
            P.drawImage(0, 0, FHandle->Image);
        }
    }
    FHandle->Image = Image;
    // Width set before Height (or the reverse) gives no pixels yet; the
    // size is kept so that setting the other side makes the image.
    FEmptySize = {AWidth, AHeight};
}

void TBitmap::FreeImage()
{
    if (FCanvas)
        FCanvas->FreeContext();
    FlushBitmap(FHandle);
}

void TBitmap::DropMask()
{
    DeleteObject(FMask);
    FMask = nullptr;
}

void TBitmap::Changed(TObject* Sender)
{
    DropMask();
    TGraphic::Changed(Sender);
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

HBITMAP TBitmap::Handle()
{
    FlushBitmap(FHandle);
    return FHandle;
}

void TBitmap::SetHandle(HBITMAP Value)
{
    if (!AsKind(Value, GdiKind::Bitmap) || Value == FHandle)
        return;
    if (FCanvas)
        FCanvas->FreeContext();
    DropMask();
    DeleteObject(FHandle);
    FHandle = Value;
    FEmptySize = {};
    Changed(this);
}

HBITMAP TBitmap::ReleaseHandle()
{
    if (FCanvas)
        FCanvas->FreeContext();
    FlushBitmap(FHandle);
    HBITMAP Old = FHandle;
    FHandle = CreateBitmapObject(QImage(), false);
    FEmptySize = {};
    DropMask();
    return Old;
}

HBITMAP TBitmap::MaskHandle()
{
    if (FMask)
        return FMask;
    FlushBitmap(FHandle);
    const QImage& Image = FHandle->Image;
    QImage Mask(Image.size(), QImage::Format_RGB32);
    const QRgb Key = ToRgb(ColorToRGB(TransparentColor())) & 0xFFFFFFu;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            Mask.setPixel(X, Y, (Image.pixel(X, Y) & 0xFFFFFFu) == Key ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    FMask = CreateBitmapObject(Mask, true);
    return FMask;
}

bool TBitmap::Monochrome() const
{
    return FHandle->Monochrome;
}

void TBitmap::SetMonochrome(bool Value)
{
    if (Value == FHandle->Monochrome)
        return;
    TCanvas* C = Canvas();
    const QRgb Back = ToRgb(ColorToRGB(C->Brush()->Color())) & 0xFFFFFFu;
    const QRgb Fore = ToRgb(ColorToRGB(C->Font()->Color()));
    FreeImage();
    QImage& Image = FHandle->Image;
    for (int Y = 0; Y < Image.height(); ++Y) {
        auto* Line = reinterpret_cast<QRgb*>(Image.scanLine(Y));
        for (int X = 0; X < Image.width(); ++X) {
            if (Value)
                // The brush colour becomes white, every other colour black.
                Line[X] = (Line[X] & 0xFFFFFFu) == Back ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            else
                // Black takes the font colour, white the brush colour.
                Line[X] = (Line[X] & 0xFFFFFFu) ? (Back | 0xFF000000u) : Fore;
        }
    }
    FHandle->Monochrome = Value;
    FPixelFormat = Value ? pf1bit : pfDevice;
    Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (Value == FPixelFormat)
        return;
    if (Value == pf1bit)
        SetMonochrome(true);
    else if (FHandle->Monochrome)
        SetMonochrome(false);
    FPixelFormat = Value;
}

TColor TBitmap::TransparentColor()
{
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault)
        return FTransparentColor;
    if (Empty())
        return clDefault;
    FlushBitmap(FHandle);
    return static_cast<TColor>(FromRgb(FHandle->Image.pixel(0, FHandle->Image.height() - 1)));
}

void TBitmap::SetTransparentColor(TColor Value)
{
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value)
{
    if (Value == FTransparentMode)
        return;
    if (Value == tmAuto)
        SetTransparentColor(clDefault);
    else
        SetTransparentColor(TransparentColor());
}

void* TBitmap::ScanLine(int Row)
{
    if (Row < 0 || Row >= Height())
        throw EInvalidGraphicOperation("Scan line index out of range");
    FreeImage();
    return FHandle->Image.scanLine(Row);
}

void TBitmap::LoadFromBytes(const std::string& Bytes)
{
    QImage Image;
    if (!Image.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size())))
        throw EInvalidGraphic("Bitmap image is not valid");
    FreeImage();
    DropMask();
    FHandle->Monochrome = Image.depth() == 1;
    FHandle->Image = Image.convertToFormat(QImage::Format_RGB32);
    FEmptySize = {};
    FPixelFormat = FHandle->Monochrome ? pf1bit : pfDevice;
    Changed(this);
}

void TBitmap::LoadFromStream(TStream* Stream)
{
    const Int64 Left = Stream->Size() - Stream->Position();
    if (Left <= 0 || Left > INT32_MAX)
        throw EInvalidGraphic("Bitmap image is not valid");
    std::string Bytes(static_cast<size_t>(Left), '\0');
    Stream->ReadBuffer(Bytes.data(), static_cast<int>(Left));
    // A bitmap stream holds a Windows bitmap file and nothing else.
    bool Mono = false;
    std::optional<QImage> Image = BmpFileToImage(Bytes, Mono);
    if (!Image)
        throw EInvalidGraphic("Bitmap image is not valid");
    FreeImage();
    DropMask();
    FHandle->Monochrome = Mono;
    FHandle->Image = std::move(*Image);
    FEmptySize = {};
    FPixelFormat = Mono ? pf1bit : pfDevice;
    Changed(this);
}

void TBitmap::SaveToStream(TStream* Stream)
{
    FreeImage();
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    QImage Out = FHandle->Monochrome ? FHandle->Image.convertToFormat(QImage::Format_Mono)
                                     : FHandle->Image.convertToFormat(QImage::Format_RGB888);
    Out.save(&Buffer, "BMP");
    Stream->WriteBuffer(Bytes.constData(), static_cast<int>(Bytes.size()));
}

std::string TBitmap::SaveToPngBytes()
{
    FreeImage();
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    FHandle->Image.save(&Buffer, "PNG");
    return std::string(Bytes.constData(), static_cast<size_t>(Bytes.size()));
}

void TBitmap::LoadFromResourceName(intptr_t /*Instance*/, const AnsiString& Name)
{
    std::string Bytes;
    if (!FindResourceBytes(Name, Bytes))
        throw EResNotFound(Format("Resource %s not found", {Name}));
    LoadFromBytes(Bytes);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& R)
{
    if (Empty())
        return;
    HDC Dest = ACanvas->Handle();
    HDC Source = Canvas()->Handle();
    // A monochrome picture keeps its black and white on a colour target.
    const COLORREF OldText = SetTextColor(Dest, RGB(0, 0, 0));
    const COLORREF OldBack = SetBkColor(Dest, RGB(255, 255, 255));
    if (Transparent())
        TransparentBlt(Dest, R.Left, R.Top, R.Width(), R.Height(), Source, 0, 0, Width(), Height(),
            ColorToRGB(TransparentColor()));
    else
        StretchBlt(Dest, R.Left, R.Top, R.Width(), R.Height(), Source, 0, 0, Width(), Height(),
            ACanvas->CopyMode());
    SetTextColor(Dest, OldText);
    SetBkColor(Dest, OldBack);
}

TBitmapCanvas::TBitmapCanvas(TBitmap* ABitmap) : FBitmap(ABitmap) {}

TBitmapCanvas::~TBitmapCanvas()
{
    FreeContext();
}

PRICETAGS_DEFINE_CLASS(TBitmapCanvas)

void TBitmapCanvas::CreateHandle()
{
    HDC DC = CreateBitmapDC(FBitmap->FHandle);
    SetHandle(DC);
}

void TBitmapCanvas::FreeContext()
{
    if (!HandleAllocated())
        return;
    HDC DC = Handle();
    SetHandle(nullptr);
    DeleteDC(DC);
}

// ---- picture ------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

PRICETAGS_DEFINE_CLASS(TPicture)

void TPicture::Assign(TPersistent* Source)
{
    if (!Source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto* P = dynamic_cast<TPicture*>(Source)) {
        SetGraphic(P->Graphic());
        return;
    }
    if (auto* G = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(G);
        return;
    }
    inherited::Assign(Source);
}

void TPicture::SetGraphic(TGraphic* Value)
{
    if (!Value) {
        FGraphic.reset();
        Changed(this);
        return;
    }
    std::unique_ptr<TGraphic> Copy(static_cast<TGraphic*>(Value->ClassType()->Create()));
    Copy->Assign(Value);
    Copy->OnChange = TNotifyEvent(this, &TPicture::Changed);
    FGraphic = std::move(Copy);
    Changed(this);
}

TBitmap* TPicture::Bitmap()
{
    auto* B = dynamic_cast<TBitmap*>(FGraphic.get());
    if (!B) {
        auto New = std::make_unique<TBitmap>();
        New->OnChange = TNotifyEvent(this, &TPicture::Changed);
        B = New.get();
        FGraphic = std::move(New);
        Changed(this);
    }
    return B;
}

void TPicture::LoadFromFile(const AnsiString& FileName)
{
    auto New = std::make_unique<TBitmap>();
    New->LoadFromFile(FileName);
    New->OnChange = TNotifyEvent(this, &TPicture::Changed);
    FGraphic = std::move(New);
    Changed(this);
}

void TPicture::SaveToFile(const AnsiString& FileName)
{
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
}

void TPicture::Changed(TObject*)
{
    OnChange(this);
}

// ---- resources ----------------------------------------------------------------------------

namespace {

struct ResourceBytes {
    const void* Data;
    size_t Size;
};

std::map<std::string, ResourceBytes>& Resources()
{
    static std::map<std::string, ResourceBytes> Table;
    return Table;
}

std::string ResourceKey(const AnsiString& Name)
{
    return AnsiUpperCase(Name).Std();
}

// The combo-box arrow: a 7-pixel black triangle on the face colour, which
// is the bottom-left (transparent) colour.
HBITMAP ComboArrow()
{
    QImage Image(9, 6, QImage::Format_RGB32);
    Image.fill(ToRgb(GetSysColor(COLOR_BTNFACE)));
    for (int Row = 0; Row < 4; ++Row)
        for (int X = 1 + Row; X < 8 - Row; ++X)
            Image.setPixel(X, 1 + Row, qRgb(0, 0, 0));
    return CreateBitmapObject(Image, false);
}

}  // namespace

void RegisterResource(const AnsiString& Name, const void* Data, size_t Size)
{
    Resources()[ResourceKey(Name)] = {Data, Size};
}

bool FindResourceBytes(const AnsiString& Name, std::string& Bytes)
{
    const auto It = Resources().find(ResourceKey(Name));
    if (It == Resources().end())
        return false;
    Bytes.assign(static_cast<const char*>(It->second.Data), It->second.Size);
    return true;
}

HBITMAP LoadBitmap(intptr_t /*Instance*/, const AnsiString& Name)
{
    std::string Bytes;
    if (!FindResourceBytes(Name, Bytes))
        return nullptr;
    QImage Image;
    if (!Image.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size())))
        return nullptr;
    return CreateBitmapObject(Image, Image.depth() == 1);
}

HBITMAP LoadBitmap(intptr_t Instance, intptr_t Id)
{
    if (Instance == 0 && Id == OBM_COMBO)
        return ComboArrow();
    return LoadBitmap(Instance, AnsiString(std::to_string(Id)));
}

PRICETAGS_DEFINE_CLASS(TRecordingCanvas)

TRecordingCanvas::TRecordingCanvas(int Width, int Height) : FDC(CreateRecordingDC(Width, Height))
{
    SetHandle(FDC);
}

TRecordingCanvas::~TRecordingCanvas()
{
    SetHandle(nullptr);
    DeleteDC(FDC);
}

std::vector<std::string> TRecordingCanvas::Log()
{
    return RecordedCallLog(FDC);
}
