// Drawing objects, device contexts, shapes, raster operations, regions and
// rectangle helpers.

#include "platform/gui/GdiPrivate.h"
#include "platform/gui/SystemMetrics.h"

#include <QPaintDevice>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdlib>

// ---- conversions -------------------------------------------------------------

QColor ToQColor(COLORREF C)
{
    return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
}

QRgb ToRgb(COLORREF C)
{
    return qRgb(GetRValue(C), GetGValue(C), GetBValue(C));
}

COLORREF FromRgb(QRgb C)
{
    return RGB(qRed(C), qGreen(C), qBlue(C));
}

QString ToQString(const char* Bytes, int Count)
{
    QString Out;
    Out.reserve(Count);
    for (int I = 0; I < Count; ++I)
        Out.append(QChar(static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(Bytes[I])))));
    return Out;
}

QString ToQString(const AnsiString& S)
{
    return ToQString(S.Data(), S.Length());
}

AnsiString FromQString(const QString& S)
{
    return AnsiString::FromUtf8(S.toStdString());
}

QRect ToQRect(const TRect& R)
{
    return QRect(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
}

TRect FromQRect(const QRect& R)
{
    return Rect(R.left(), R.top(), R.left() + R.width(), R.top() + R.height());
}

QRgb Rop2(int Mode, QRgb P, QRgb D)
{
    QRgb R = 0;
    switch (Mode) {
    case R2_BLACK: R = 0; break;
    case R2_NOTMERGEPEN: R = ~(P | D); break;
    case R2_MASKNOTPEN: R = ~P & D; break;
    case R2_NOTCOPYPEN: R = ~P; break;
    case R2_MASKPENNOT: R = P & ~D; break;
    case R2_NOT: R = ~D; break;
    case R2_XORPEN: R = P ^ D; break;
    case R2_NOTMASKPEN: R = ~(P & D); break;
    case R2_MASKPEN: R = P & D; break;
    case R2_NOTXORPEN: R = ~(P ^ D); break;
    case R2_NOP: R = D; break;
    case R2_MERGENOTPEN: R = ~P | D; break;
    case R2_MERGEPEN: R = P | D; break;
    case R2_MERGEPENNOT: R = P | ~D; break;
    case R2_WHITE: R = 0xFFFFFF; break;
    default: R = P; break;  // R2_COPYPEN and unknown modes copy
    }
    return 0xFF000000u | (R & 0x00FFFFFFu);
}

// ---- objects -------------------------------------------------------------------

GdiObject* AsKind(HGDIOBJ Object, GdiKind Kind)
{
    return Object && Object->Kind == Kind ? Object : nullptr;
}

namespace {

GdiObject* NewStock(GdiKind Kind)
{
    GdiObject* O = new GdiObject(Kind);
    O->Stock = true;
    return O;
}

// Stock objects live for the whole process; they are created on first use.
GdiObject* StockObject(int Index)
{
    static std::array<GdiObject*, 18> Objects = [] {
        std::array<GdiObject*, 18> A {};
        const auto Brush = [](int Style, COLORREF C) {
            GdiObject* O = NewStock(GdiKind::Brush);
            O->BrushStyle = Style;
            O->BrushColor = C;
            return O;
        };
        const auto Pen = [](int Style, COLORREF C) {
            GdiObject* O = NewStock(GdiKind::Pen);
            O->PenStyle = Style;
            O->PenColor = C;
            return O;
        };
        A[WHITE_BRUSH] = Brush(BS_SOLID, RGB(255, 255, 255));
        A[LTGRAY_BRUSH] = Brush(BS_SOLID, RGB(192, 192, 192));
        A[GRAY_BRUSH] = Brush(BS_SOLID, RGB(128, 128, 128));
        A[DKGRAY_BRUSH] = Brush(BS_SOLID, RGB(64, 64, 64));
        A[BLACK_BRUSH] = Brush(BS_SOLID, RGB(0, 0, 0));
        A[NULL_BRUSH] = Brush(BS_NULL, 0);
        A[WHITE_PEN] = Pen(PS_SOLID, RGB(255, 255, 255));
        A[BLACK_PEN] = Pen(PS_SOLID, RGB(0, 0, 0));
        A[NULL_PEN] = Pen(PS_NULL, 0);
        LOGFONT System;
        System.lfHeight = 16;
        System.lfWeight = FW_BOLD;
        System.lfFaceName = "System";
        A[SYSTEM_FONT] = NewStock(GdiKind::Font);
        A[SYSTEM_FONT]->LogFont = System;
        LOGFONT Gui;
        Gui.lfHeight = -11;
        Gui.lfFaceName = "MS Sans Serif";
        A[DEFAULT_GUI_FONT] = NewStock(GdiKind::Font);
        A[DEFAULT_GUI_FONT]->LogFont = Gui;
        return A;
    }();
    if (Index < 0 || Index >= static_cast<int>(Objects.size()))
        return nullptr;
    return Objects[static_cast<size_t>(Index)];
}

// The 1 x 1 monochrome bitmap a fresh memory DC holds.
GdiObject* StockBitmap()
{
    static GdiObject* Bitmap = [] {
        GdiObject* O = NewStock(GdiKind::Bitmap);
        O->Image = QImage(1, 1, QImage::Format_RGB32);
        O->Image.fill(qRgb(0, 0, 0));
        O->Monochrome = true;
        return O;
    }();
    return Bitmap;
}

void Retain(HGDIOBJ O)
{
    if (O)
        ++O->SelectCount;
}

void Release(HGDIOBJ O)
{
    if (!O)
        return;
    --O->SelectCount;
    if (O->SelectCount <= 0 && O->DeletePending && !O->Stock)
        delete O;
}

}  // namespace

HGDIOBJ GetStockObject(int Index)
{
    return StockObject(Index);
}

HBRUSH GetSysColorBrush(int Index)
{
    static std::array<GdiObject*, COLOR_ENDCOLORS + 1> Brushes {};
    if (Index < 0 || Index > COLOR_ENDCOLORS)
        return nullptr;
    GdiObject*& B = Brushes[static_cast<size_t>(Index)];
    if (!B)
        B = NewStock(GdiKind::Brush);
    // The system colours can change (tests); the brush follows them.
    B->BrushColor = GetSysColor(Index);
    return B;
}

COLORREF GetSysColor(int Index)
{
    const SystemMetrics& M = SystemMetrics::Current();
    if (Index < 0 || Index >= static_cast<int>(M.Colors.size()))
        return 0;
    return M.Colors[static_cast<size_t>(Index)];
}

int GetSystemMetrics(int Index)
{
    const SystemMetrics& M = SystemMetrics::Current();
    if (Index < 0 || Index >= static_cast<int>(M.Metrics.size()))
        return 0;
    return M.Metrics[static_cast<size_t>(Index)];
}

HPEN CreatePen(int Style, int Width, COLORREF Color)
{
    GdiObject* O = new GdiObject(GdiKind::Pen);
    O->PenStyle = Style;
    O->PenWidth = Width;
    O->PenColor = Color & 0xFFFFFF;
    return O;
}

HBRUSH CreateSolidBrush(COLORREF Color)
{
    GdiObject* O = new GdiObject(GdiKind::Brush);
    O->BrushStyle = BS_SOLID;
    O->BrushColor = Color & 0xFFFFFF;
    return O;
}

HBRUSH CreateHatchBrush(int Hatch, COLORREF Color)
{
    GdiObject* O = new GdiObject(GdiKind::Brush);
    O->BrushStyle = BS_HATCHED;
    O->Hatch = Hatch;
    O->BrushColor = Color & 0xFFFFFF;
    return O;
}

HBRUSH CreatePatternBrush(HBITMAP Bitmap)
{
    GdiObject* B = AsKind(Bitmap, GdiKind::Bitmap);
    if (!B)
        return nullptr;
    FlushBitmap(B);
    GdiObject* O = new GdiObject(GdiKind::Brush);
    O->BrushStyle = BS_PATTERN;
    O->Pattern = B->Image.copy();
    O->MonoPattern = B->Monochrome;
    return O;
}

HFONT CreateFontIndirect(const LOGFONT& LogFont)
{
    GdiObject* O = new GdiObject(GdiKind::Font);
    O->LogFont = LogFont;
    return O;
}

BOOL GetObject(HFONT Font, LOGFONT& LogFont)
{
    GdiObject* F = AsKind(Font, GdiKind::Font);
    if (!F)
        return false;
    LogFont = F->LogFont;
    return true;
}

HBITMAP CreateBitmapObject(QImage Image, bool Monochrome)
{
    GdiObject* O = new GdiObject(GdiKind::Bitmap);
    O->Image = Image.format() == QImage::Format_RGB32 ? std::move(Image)
                                                      : Image.convertToFormat(QImage::Format_RGB32);
    O->Monochrome = Monochrome;
    return O;
}

HBITMAP CreateBitmap(int Width, int Height, UINT /*Planes*/, UINT BitsPerPixel, const void* Bits)
{
    QImage Image(std::max(Width, 1), std::max(Height, 1), QImage::Format_RGB32);
    Image.fill(qRgb(0, 0, 0));
    const bool Mono = BitsPerPixel == 1;
    if (Bits && Mono) {
        // Rows of 1-bit pixels, most significant bit first, padded to words.
        const auto* P = static_cast<const unsigned char*>(Bits);
        const int Stride = ((Width + 15) / 16) * 2;
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X)
                if (P[Y * Stride + X / 8] & (0x80 >> (X % 8)))
                    Image.setPixel(X, Y, qRgb(255, 255, 255));
    }
    return CreateBitmapObject(std::move(Image), Mono);
}

HBITMAP CreateCompatibleBitmap(HDC DC, int Width, int Height)
{
    const bool Mono = DC && DC->Memory && DC->Bitmap == StockBitmap();
    return CreateBitmap(Width, Height, 1, Mono ? 1 : 32, nullptr);
}

void FlushBitmap(HBITMAP Bitmap)
{
    if (Bitmap && Bitmap->PainterOwner)
        Bitmap->PainterOwner->EndPainter();
}

BOOL DeleteObject(HGDIOBJ Object)
{
    if (!Object || Object->Stock)
        return false;
    if (Object->Kind == GdiKind::Bitmap)
        FlushBitmap(Object);
    if (Object->SelectCount > 0) {
        Object->DeletePending = true;
        return true;
    }
    delete Object;
    return true;
}

// ---- device contexts ------------------------------------------------------------------

DeviceContext::DeviceContext()
{
    S.Font = StockObject(SYSTEM_FONT);
    S.Pen = StockObject(BLACK_PEN);
    S.Brush = StockObject(WHITE_BRUSH);
    Retain(S.Font);
    Retain(S.Pen);
    Retain(S.Brush);
}

DeviceContext::~DeviceContext()
{
    EndPainter();
    Release(S.Font);
    Release(S.Pen);
    Release(S.Brush);
    for (DcState& St : Saved) {
        Release(St.Font);
        Release(St.Pen);
        Release(St.Brush);
    }
    Release(Bitmap);
}

QSize DeviceContext::SurfaceSize() const
{
    if (Bitmap)
        return Bitmap->Image.size();
    if (Device)
        return QSize(Device->width(), Device->height());
    return QSize(0, 0);
}

QImage* DeviceContext::TargetImage() const
{
    return Bitmap && !MeasureOnly ? &Bitmap->Image : nullptr;
}

bool DeviceContext::IsMonochrome() const
{
    // The screen DC measures with a 1 x 1 bitmap but stands for the screen.
    return Bitmap && Bitmap->Monochrome && !MeasureOnly;
}

QRegion DeviceContext::EffectiveClip() const
{
    QRegion R(QRect(QPoint(0, 0), SurfaceSize()));
    if (SystemClip)
        R &= *SystemClip;
    if (S.Clip)
        R &= *S.Clip;
    return R;
}

QPainter* DeviceContext::BeginPainter()
{
    if (MeasureOnly)
        return nullptr;
    if (!Painter) {
        QPaintDevice* Target = Device;
        if (Bitmap) {
            if (Bitmap->PainterOwner && Bitmap->PainterOwner != this)
                Bitmap->PainterOwner->EndPainter();
            Target = &Bitmap->Image;
        }
        if (!Target)
            return nullptr;
        Painter = std::make_unique<QPainter>();
        if (!Painter->begin(Target)) {
            Painter.reset();
            return nullptr;
        }
        if (Bitmap)
            Bitmap->PainterOwner = this;
    }
    Painter->setRenderHint(QPainter::Antialiasing, false);
    Painter->setWorldTransform(QTransform::fromTranslate(S.Origin.X, S.Origin.Y));
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (SystemClip || S.Clip)
        Painter->setClipRegion(EffectiveClip().translated(-S.Origin.X, -S.Origin.Y));
    else
        Painter->setClipping(false);
    return Painter.get();
}

void DeviceContext::EndPainter()
{
    if (!Painter)
        return;
    Painter->end();
    Painter.reset();
    if (Bitmap && Bitmap->PainterOwner == this)
        Bitmap->PainterOwner = nullptr;
}

void DeviceContext::Touch(const QRect& DeviceRect)
{
    if (Changed)
        Changed(*this, DeviceRect);
}

HDC CreateBitmapDC(HBITMAP Bitmap)
{
    HDC DC = new DeviceContext();
    DC->Bitmap = Bitmap;
    Retain(Bitmap);
    return DC;
}

HDC CreateDeviceDC(QPaintDevice* Device, int Dpi)
{
    HDC DC = new DeviceContext();
    DC->Device = Device;
    DC->Dpi = Dpi;
    return DC;
}

HDC CreateCompatibleDC(HDC /*DC*/)
{
    HDC DC = CreateBitmapDC(StockBitmap());
    DC->Memory = true;
    return DC;
}

BOOL DeleteDC(HDC DC)
{
    if (!DC)
        return false;
    delete DC;
    return true;
}

HGDIOBJ SelectObject(HDC DC, HGDIOBJ Object)
{
    if (!DC || !Object)
        return nullptr;
    HGDIOBJ* Slot = nullptr;
    switch (Object->Kind) {
    case GdiKind::Font: Slot = &DC->S.Font; break;
    case GdiKind::Pen: Slot = &DC->S.Pen; break;
    case GdiKind::Brush: Slot = &DC->S.Brush; break;
    case GdiKind::Bitmap:
        if (!DC->Memory)
            return nullptr;
        DC->EndPainter();
        Slot = &DC->Bitmap;
        break;
    case GdiKind::Region:
        return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(DC, Object)));
    }
    HGDIOBJ Old = *Slot;
    if (Old == Object)
        return Old;
    Retain(Object);
    *Slot = Object;
    // The caller gets the old object back and may delete it; it stays alive
    // while still held in saved states.
    Release(Old);
    return Old;
}

int SetBkMode(HDC DC, int Mode)
{
    if (!DC)
        return 0;
    return std::exchange(DC->S.BkMode, Mode);
}
int GetBkMode(HDC DC) { return DC ? DC->S.BkMode : 0; }

COLORREF SetBkColor(HDC DC, COLORREF Color)
{
    if (!DC)
        return CLR_INVALID;
    return std::exchange(DC->S.BkColor, Color & 0xFFFFFF);
}
COLORREF GetBkColor(HDC DC) { return DC ? DC->S.BkColor : CLR_INVALID; }

COLORREF SetTextColor(HDC DC, COLORREF Color)
{
    if (!DC)
        return CLR_INVALID;
    return std::exchange(DC->S.TextColor, Color & 0xFFFFFF);
}
COLORREF GetTextColor(HDC DC) { return DC ? DC->S.TextColor : CLR_INVALID; }

UINT SetTextAlign(HDC DC, UINT Align)
{
    if (!DC)
        return 0;
    return std::exchange(DC->S.TextAlign, Align);
}
UINT GetTextAlign(HDC DC) { return DC ? DC->S.TextAlign : 0; }

int SetROP2(HDC DC, int Mode)
{
    if (!DC)
        return 0;
    return std::exchange(DC->S.Rop2, Mode);
}
int GetROP2(HDC DC) { return DC ? DC->S.Rop2 : 0; }

BOOL SetBrushOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    if (!DC)
        return false;
    if (Old)
        *Old = DC->S.BrushOrg;
    DC->S.BrushOrg = {X, Y};
    return true;
}

BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    if (!DC)
        return false;
    if (Old)
        *Old = DC->S.Origin;
    DC->S.Origin = {X, Y};
    return true;
}

BOOL GetViewportOrgEx(HDC DC, TPoint& Origin)
{
    if (!DC)
        return false;
    Origin = DC->S.Origin;
    return true;
}

BOOL OffsetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    if (!DC)
        return false;
    if (Old)
        *Old = DC->S.Origin;
    DC->S.Origin.X += X;
    DC->S.Origin.Y += Y;
    return true;
}

BOOL SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    if (!DC)
        return false;
    if (Old)
        *Old = {-DC->S.Origin.X, -DC->S.Origin.Y};
    DC->S.Origin = {-X, -Y};
    return true;
}

int SaveDC(HDC DC)
{
    if (!DC)
        return 0;
    DC->Saved.push_back(DC->S);
    Retain(DC->S.Font);
    Retain(DC->S.Pen);
    Retain(DC->S.Brush);
    return static_cast<int>(DC->Saved.size());
}

BOOL RestoreDC(HDC DC, int Saved)
{
    if (!DC)
        return false;
    const int Depth = static_cast<int>(DC->Saved.size());
    const int Target = Saved < 0 ? Depth + Saved + 1 : Saved;
    if (Target < 1 || Target > Depth)
        return false;
    while (static_cast<int>(DC->Saved.size()) >= Target) {
        Release(DC->S.Font);
        Release(DC->S.Pen);
        Release(DC->S.Brush);
        DC->S = DC->Saved.back();
        DC->Saved.pop_back();
    }
    return true;
}

int GetDeviceCaps(HDC DC, int Index)
{
    const SystemMetrics& M = SystemMetrics::Current();
    QSize Size(M.Metrics[SM_CXSCREEN], M.Metrics[SM_CYSCREEN]);
    int Dpi = M.PixelsPerInch;
    bool Printer = false;
    if (DC && !DC->MeasureOnly) {
        Size = DC->SurfaceSize();
        Dpi = DC->Device ? DC->Dpi : Dpi;
        Printer = DC->Device != nullptr;
    }
    switch (Index) {
    case HORZRES: return Size.width();
    case VERTRES: return Size.height();
    case HORZSIZE: return Size.width() * 254 / (Dpi * 10);
    case VERTSIZE: return Size.height() * 254 / (Dpi * 10);
    case BITSPIXEL: return DC && DC->IsMonochrome() ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return DC && DC->IsMonochrome() ? 2 : -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return Dpi;
    case PHYSICALWIDTH: return Printer ? Size.width() : 0;
    case PHYSICALHEIGHT: return Printer ? Size.height() : 0;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY: return 0;
    default: return 0;
    }
}

COLORREF GetNearestColor(HDC DC, COLORREF Color)
{
    if (DC && DC->IsMonochrome()) {
        const int Sum = GetRValue(Color) + GetGValue(Color) + GetBValue(Color);
        return Sum >= 384 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    }
    return Color & 0xFFFFFF;
}

namespace {

// Colour as it lands on the DC's surface (black or white on monochrome).
QRgb SurfaceRgb(HDC DC, COLORREF C)
{
    return ToRgb(GetNearestColor(DC, C));
}

QColor SurfaceColor(HDC DC, COLORREF C)
{
    return QColor::fromRgb(SurfaceRgb(DC, C));
}

QRect DeviceRect(HDC DC, int L, int T, int R, int B)
{
    if (R < L)
        std::swap(L, R);
    if (B < T)
        std::swap(T, B);
    return QRect(L + DC->S.Origin.X, T + DC->S.Origin.Y, R - L, B - T);
}

// Calls Fn(x, y, pixel&) for every pixel of DeviceR inside the clip.
template <class Fn>
void ForEachPixel(HDC DC, const QRect& DeviceR, Fn&& F)
{
    QImage* Image = DC->TargetImage();
    if (!Image)
        return;
    DC->EndPainter();
    const QRegion Area = DC->EffectiveClip() & DeviceR;
    for (const QRect& R : Area) {
        for (int Y = R.top(); Y <= R.bottom(); ++Y) {
            auto* Line = reinterpret_cast<QRgb*>(Image->scanLine(Y));
            for (int X = R.left(); X <= R.right(); ++X)
                F(X, Y, Line[X]);
        }
    }
    DC->Touch(DeviceR);
}

// 8 x 8 hatch patterns, one byte per row, bit 7 = leftmost pixel.
constexpr unsigned char HatchRows[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

bool HatchBit(int Hatch, int X, int Y)
{
    const int H = std::clamp(Hatch, 0, 5);
    return (HatchRows[H][Y & 7] & (0x80 >> (X & 7))) != 0;
}

int Mod(int A, int B)
{
    const int M = A % B;
    return M < 0 ? M + B : M;
}

}  // namespace

/// Colour of the DC's brush at a device pixel; false for a hollow brush or
/// a transparent hatch background.
static bool BrushPixel(HDC DC, GdiObject* Brush, int X, int Y, QRgb& Out, bool ForRop)
{
    if (!Brush)
        return false;
    switch (Brush->BrushStyle) {
    case BS_NULL: return false;
    case BS_HATCHED: {
        const int PX = X - DC->S.BrushOrg.X;
        const int PY = Y - DC->S.BrushOrg.Y;
        if (HatchBit(Brush->Hatch, PX, PY)) {
            Out = SurfaceRgb(DC, Brush->BrushColor);
            return true;
        }
        if (DC->S.BkMode == TRANSPARENT && !ForRop)
            return false;
        Out = SurfaceRgb(DC, DC->S.BkColor);
        return true;
    }
    case BS_PATTERN: {
        if (Brush->Pattern.isNull())
            return false;
        const int PX = Mod(X - DC->S.BrushOrg.X, Brush->Pattern.width());
        const int PY = Mod(Y - DC->S.BrushOrg.Y, Brush->Pattern.height());
        const QRgb P = Brush->Pattern.pixel(PX, PY);
        if (Brush->MonoPattern)
            Out = SurfaceRgb(DC, (P & 0xFFFFFF) ? DC->S.BkColor : DC->S.TextColor);
        else
            Out = SurfaceRgb(DC, FromRgb(P));
        return true;
    }
    default:
        Out = SurfaceRgb(DC, Brush->BrushColor);
        return true;
    }
}

/// The QBrush for shapes drawn in copy mode.
static QBrush MakeQBrush(HDC DC, GdiObject* Brush)
{
    if (!Brush || Brush->BrushStyle == BS_NULL)
        return Qt::NoBrush;
    if (Brush->BrushStyle == BS_SOLID)
        return QBrush(SurfaceColor(DC, Brush->BrushColor));
    QImage Tile;
    if (Brush->BrushStyle == BS_HATCHED) {
        Tile = QImage(8, 8, QImage::Format_ARGB32);
        for (int Y = 0; Y < 8; ++Y)
            for (int X = 0; X < 8; ++X) {
                QRgb C = 0;
                Tile.setPixel(X, Y, BrushPixel(DC, Brush, X + DC->S.BrushOrg.X, Y + DC->S.BrushOrg.Y, C, false) ? C : 0);
            }
    } else {
        Tile = QImage(Brush->Pattern.size(), QImage::Format_ARGB32);
        for (int Y = 0; Y < Tile.height(); ++Y)
            for (int X = 0; X < Tile.width(); ++X) {
                QRgb C = 0;
                BrushPixel(DC, Brush, X + DC->S.BrushOrg.X, Y + DC->S.BrushOrg.Y, C, false);
                Tile.setPixel(X, Y, C);
            }
    }
    QBrush B(Tile);
    // Brush patterns are anchored at the device brush origin.
    B.setTransform(QTransform::fromTranslate(DC->S.BrushOrg.X - DC->S.Origin.X,
        DC->S.BrushOrg.Y - DC->S.Origin.Y));
    return B;
}

/// Fills a device rectangle with the brush (copy mode, per pixel on images).
static void FillDeviceRect(HDC DC, const QRect& R, GdiObject* Brush)
{
    if (!Brush || R.isEmpty() || DC->MeasureOnly)
        return;
    if (DC->TargetImage()) {
        ForEachPixel(DC, R, [&](int X, int Y, QRgb& D) {
            QRgb C;
            if (BrushPixel(DC, Brush, X, Y, C, false))
                D = C;
        });
        return;
    }
    if (QPainter* P = DC->BeginPainter())
        P->fillRect(R.translated(-DC->S.Origin.X, -DC->S.Origin.Y), MakeQBrush(DC, Brush));
}

int FillRect(HDC DC, const TRect& Rect, HBRUSH Brush)
{
    GdiObject* B = AsKind(Brush, GdiKind::Brush);
    if (!DC || !B)
        return 0;
    FillDeviceRect(DC, DeviceRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom), B);
    return 1;
}

int FrameRect(HDC DC, const TRect& Rect, HBRUSH Brush)
{
    GdiObject* B = AsKind(Brush, GdiKind::Brush);
    if (!DC || !B || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return 0;
    const QRect R = DeviceRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
    FillDeviceRect(DC, QRect(R.left(), R.top(), R.width(), 1), B);
    FillDeviceRect(DC, QRect(R.left(), R.bottom(), R.width(), 1), B);
    FillDeviceRect(DC, QRect(R.left(), R.top(), 1, R.height()), B);
    FillDeviceRect(DC, QRect(R.right(), R.top(), 1, R.height()), B);
    return 1;
}

BOOL InvertRect(HDC DC, const TRect& Rect)
{
    if (!DC)
        return false;
    ForEachPixel(DC, DeviceRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom),
        [](int, int, QRgb& D) { D = 0xFF000000u | (~D & 0xFFFFFFu); });
    return true;
}

BOOL DrawFocusRect(HDC DC, const TRect& Rect)
{
    if (!DC || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return false;
    const QRect R = DeviceRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
    // A checker of every other pixel, inverted; a second call restores.
    const auto Invert = [](int X, int Y, QRgb& D) {
        if (((X + Y) & 1) == 0)
            D = 0xFF000000u | (~D & 0xFFFFFFu);
    };
    ForEachPixel(DC, QRect(R.left(), R.top(), R.width(), 1), Invert);
    if (R.height() > 1)
        ForEachPixel(DC, QRect(R.left(), R.bottom(), R.width(), 1), Invert);
    if (R.height() > 2) {
        ForEachPixel(DC, QRect(R.left(), R.top() + 1, 1, R.height() - 2), Invert);
        if (R.width() > 1)
            ForEachPixel(DC, QRect(R.right(), R.top() + 1, 1, R.height() - 2), Invert);
    }
    return true;
}

BOOL PatBlt(HDC DC, int X, int Y, int Width, int Height, DWORD Rop)
{
    if (!DC)
        return false;
    const unsigned Index = (Rop >> 16) & 0xFF;
    GdiObject* Brush = AsKind(DC->S.Brush, GdiKind::Brush);
    const QRect R = DeviceRect(DC, X, Y, X + Width, Y + Height);
    if (!DC->TargetImage()) {
        if (Rop == PATCOPY)
            FillDeviceRect(DC, R, Brush);
        return true;
    }
    ForEachPixel(DC, R, [&](int PX, int PY, QRgb& D) {
        QRgb P = 0;
        if (!BrushPixel(DC, Brush, PX, PY, P, true))
            P = D;  // a hollow brush leaves the pattern operand as the target
        D = Rop3(Index, P, 0, D);
    });
    return true;
}

COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color)
{
    if (!DC)
        return CLR_INVALID;
    const QRgb C = SurfaceRgb(DC, Color);
    bool Set = false;
    ForEachPixel(DC, QRect(X + DC->S.Origin.X, Y + DC->S.Origin.Y, 1, 1), [&](int, int, QRgb& D) {
        D = C;
        Set = true;
    });
    return Set ? FromRgb(C) : CLR_INVALID;
}

COLORREF GetPixel(HDC DC, int X, int Y)
{
    if (!DC || !DC->TargetImage())
        return CLR_INVALID;
    const QPoint P(X + DC->S.Origin.X, Y + DC->S.Origin.Y);
    if (!DC->EffectiveClip().contains(P))
        return CLR_INVALID;
    DC->EndPainter();
    return FromRgb(DC->TargetImage()->pixel(P));
}

// ---- lines and shapes --------------------------------------------------------------------

namespace {

// Dash patterns of cosmetic pens in pixels (on, off, ...).
struct DashPattern {
    int Count;
    int Steps[6];
};
constexpr DashPattern Dashes[] = {
    {0, {}},                        // PS_SOLID
    {2, {18, 6}},                   // PS_DASH
    {2, {3, 3}},                    // PS_DOT
    {4, {9, 6, 3, 6}},              // PS_DASHDOT
    {6, {9, 3, 3, 3, 3, 3}},        // PS_DASHDOTDOT
};

// Whether pixel Step of a line is "on" in the pen's dash pattern.
bool DashOn(int Style, int Step)
{
    if (Style <= PS_SOLID || Style > PS_DASHDOTDOT)
        return true;
    const DashPattern& D = Dashes[Style];
    int Period = 0;
    for (int I = 0; I < D.Count; ++I)
        Period += D.Steps[I];
    int Pos = Step % Period;
    for (int I = 0; I < D.Count; ++I) {
        if (Pos < D.Steps[I])
            return I % 2 == 0;
        Pos -= D.Steps[I];
    }
    return true;
}

bool PenIsNull(GdiObject* Pen)
{
    return !Pen || Pen->PenStyle == PS_NULL;
}

bool NeedsPixelPath(HDC DC, GdiObject* Pen)
{
    return DC->TargetImage() && Pen && Pen->PenWidth <= 1;
}

// A one-pixel line from A to B without B, in logical coordinates, drawn
// pixel by pixel with the pen's dashes and mix mode.
void PlotLine(HDC DC, GdiObject* Pen, TPoint A, TPoint B)
{
    int X0 = A.X + DC->S.Origin.X;
    int Y0 = A.Y + DC->S.Origin.Y;
    const int X1 = B.X + DC->S.Origin.X;
    const int Y1 = B.Y + DC->S.Origin.Y;
    QImage* Image = DC->TargetImage();
    DC->EndPainter();
    const QRegion Clip = DC->EffectiveClip();
    const QRgb PenRgb = SurfaceRgb(DC, Pen->PenColor);
    const QRgb BkRgb = SurfaceRgb(DC, DC->S.BkColor);
    const int DX = std::abs(X1 - X0);
    const int DY = -std::abs(Y1 - Y0);
    const int SX = X0 < X1 ? 1 : -1;
    const int SY = Y0 < Y1 ? 1 : -1;
    int Err = DX + DY;
    int Step = 0;
    QRect Touched;
    while (X0 != X1 || Y0 != Y1) {
        const bool On = DashOn(Pen->PenStyle, Step);
        if ((On || DC->S.BkMode == OPAQUE) && Clip.contains(QPoint(X0, Y0))) {
            QRgb& D = reinterpret_cast<QRgb*>(Image->scanLine(Y0))[X0];
            D = Rop2(DC->S.Rop2, On ? PenRgb : BkRgb, D);
            Touched |= QRect(X0, Y0, 1, 1);
        }
        ++Step;
        const int E2 = 2 * Err;
        if (E2 >= DY) {
            Err += DY;
            X0 += SX;
        }
        if (E2 <= DX) {
            Err += DX;
            Y0 += SY;
        }
    }
    DC->Touch(Touched);
}

QPen MakeQPen(HDC DC, GdiObject* Pen)
{
    if (PenIsNull(Pen))
        return Qt::NoPen;
    QPen P(SurfaceColor(DC, Pen->PenColor));
    P.setWidth(std::max(Pen->PenWidth, 1));
    P.setJoinStyle(Qt::MiterJoin);
    P.setCapStyle(Pen->PenWidth <= 1 ? Qt::SquareCap : Qt::RoundCap);
    switch (Pen->PenStyle) {
    case PS_DASH: P.setStyle(Qt::DashLine); break;
    case PS_DOT: P.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: P.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: P.setStyle(Qt::DashDotDotLine); break;
    default: break;
    }
    return P;
}

// Draws a path with a non-copy mix mode: rasterises it into a coverage
// mask, then mixes the pen colour into every covered pixel.
void MixPath(HDC DC, const QPainterPath& Path, const QPen& Pen, QRgb Colour)
{
    QImage* Image = DC->TargetImage();
    if (!Image)
        return;
    DC->EndPainter();
    QImage Mask(Image->size(), QImage::Format_ARGB32);
    Mask.fill(0);
    {
        QPainter M(&Mask);
        M.setRenderHint(QPainter::Antialiasing, false);
        M.translate(DC->S.Origin.X, DC->S.Origin.Y);
        QPen Black = Pen;
        Black.setColor(Qt::black);
        M.setPen(Black);
        M.setBrush(Qt::NoBrush);
        M.drawPath(Path);
    }
    const QRect Box = Mask.rect() & Path.boundingRect().toAlignedRect()
        .translated(DC->S.Origin.X, DC->S.Origin.Y).adjusted(-Pen.width(), -Pen.width(), Pen.width() + 1, Pen.width() + 1);
    ForEachPixel(DC, Box, [&](int X, int Y, QRgb& D) {
        if (qAlpha(Mask.pixel(X, Y)) != 0)
            D = Rop2(DC->S.Rop2, Colour, D);
    });
}

void DrawSegments(HDC DC, const TPoint* Points, int Count, bool Close)
{
    GdiObject* Pen = AsKind(DC->S.Pen, GdiKind::Pen);
    if (PenIsNull(Pen) || Count < 2 || DC->MeasureOnly)
        return;
    if (NeedsPixelPath(DC, Pen)) {
        for (int I = 0; I + 1 < Count; ++I)
            PlotLine(DC, Pen, Points[I], Points[I + 1]);
        if (Close)
            PlotLine(DC, Pen, Points[Count - 1], Points[0]);
        return;
    }
    QPainterPath Path;
    Path.moveTo(Points[0].X, Points[0].Y);
    for (int I = 1; I < Count; ++I)
        Path.lineTo(Points[I].X, Points[I].Y);
    if (Close)
        Path.closeSubpath();
    if (DC->S.Rop2 != R2_COPYPEN && DC->TargetImage()) {
        MixPath(DC, Path, MakeQPen(DC, Pen), SurfaceRgb(DC, Pen->PenColor));
        return;
    }
    if (QPainter* P = DC->BeginPainter()) {
        P->setPen(MakeQPen(DC, Pen));
        P->setBrush(Qt::NoBrush);
        P->drawPath(Path);
    }
}

}  // namespace

BOOL MoveToEx(HDC DC, int X, int Y, TPoint* Old)
{
    if (!DC)
        return false;
    if (Old)
        *Old = DC->S.Pos;
    DC->S.Pos = {X, Y};
    return true;
}

BOOL LineTo(HDC DC, int X, int Y)
{
    if (!DC)
        return false;
    const TPoint Points[2] = {DC->S.Pos, {X, Y}};
    DrawSegments(DC, Points, 2, false);
    DC->S.Pos = {X, Y};
    return true;
}

BOOL Polyline(HDC DC, const TPoint* Points, int Count)
{
    if (!DC || !Points || Count < 2)
        return false;
    DrawSegments(DC, Points, Count, false);
    return true;
}

BOOL Polygon(HDC DC, const TPoint* Points, int Count)
{
    if (!DC || !Points || Count < 2)
        return false;
    GdiObject* Brush = AsKind(DC->S.Brush, GdiKind::Brush);
    if (Brush && Brush->BrushStyle != BS_NULL && !DC->MeasureOnly) {
        if (QPainter* P = DC->BeginPainter()) {
            QPolygon Poly;
            for (int I = 0; I < Count; ++I)
                Poly << QPoint(Points[I].X, Points[I].Y);
            P->setPen(Qt::NoPen);
            P->setBrush(MakeQBrush(DC, Brush));
            P->drawPolygon(Poly, Qt::OddEvenFill);
        }
    }
    DrawSegments(DC, Points, Count, true);
    return true;
}

BOOL Rectangle(HDC DC, int Left, int Top, int Right, int Bottom)
{
    if (!DC)
        return false;
    if (Right < Left)
        std::swap(Left, Right);
    if (Bottom < Top)
        std::swap(Top, Bottom);
    GdiObject* Pen = AsKind(DC->S.Pen, GdiKind::Pen);
    GdiObject* Brush = AsKind(DC->S.Brush, GdiKind::Brush);
    // The interior is what lies inside the one-pixel outline.
    const int Inset = PenIsNull(Pen) ? 0 : 1;
    if (Brush)
        FillDeviceRect(DC, DeviceRect(DC, Left + Inset, Top + Inset, Right - Inset, Bottom - Inset), Brush);
    if (PenIsNull(Pen) || Right - Left < 1 || Bottom - Top < 1)
        return true;
    const TPoint Corners[4] = {{Left, Top}, {Right - 1, Top}, {Right - 1, Bottom - 1}, {Left, Bottom - 1}};
    if (Right - Left == 1 || Bottom - Top == 1) {
        // A one-pixel-thin rectangle is one line along its length.
        const TPoint Line[2] = {{Left, Top}, {Right - 1 + (Right - Left == 1 ? 0 : 1), Bottom - 1 + (Right - Left == 1 ? 1 : 0)}};
        DrawSegments(DC, Line, 2, false);
        return true;
    }
    DrawSegments(DC, Corners, 4, true);
    return true;
}

namespace {

void DrawRounded(HDC DC, int Left, int Top, int Right, int Bottom, int RX, int RY, bool Ellipse)
{
    if (DC->MeasureOnly)
        return;
    GdiObject* Pen = AsKind(DC->S.Pen, GdiKind::Pen);
    GdiObject* Brush = AsKind(DC->S.Brush, GdiKind::Brush);
    const QRect R(Left, Top, Right - Left - 1, Bottom - Top - 1);
    QPainterPath Path;
    if (Ellipse)
        Path.addEllipse(R);
    else
        Path.addRoundedRect(R, RX / 2.0, RY / 2.0);
    if (DC->S.Rop2 != R2_COPYPEN && DC->TargetImage() && !PenIsNull(Pen)) {
        MixPath(DC, Path, MakeQPen(DC, Pen), SurfaceRgb(DC, Pen->PenColor));
        return;
    }
    if (QPainter* P = DC->BeginPainter()) {
        P->setPen(MakeQPen(DC, Pen));
        P->setBrush(MakeQBrush(DC, Brush));
        P->drawPath(Path);
    }
}

}  // namespace

BOOL RoundRect(HDC DC, int Left, int Top, int Right, int Bottom, int Width, int Height)
{
    if (!DC)
        return false;
    DrawRounded(DC, Left, Top, Right, Bottom, Width, Height, false);
    return true;
}

BOOL Ellipse(HDC DC, int Left, int Top, int Right, int Bottom)
{
    if (!DC)
        return false;
    DrawRounded(DC, Left, Top, Right, Bottom, 0, 0, true);
    return true;
}

// ---- blits ---------------------------------------------------------------------------------

namespace {

// Source pixels as the target sees them: monochrome sources take the
// target's text (0) and background (1) colours; colour sources drawn into
// a monochrome target become white where they equal the source's
// background colour.
QRgb SourcePixel(HDC Dest, HDC Source, QRgb S)
{
    const bool MonoSource = Source->IsMonochrome();
    const bool MonoDest = Dest->IsMonochrome();
    if (MonoSource && !MonoDest)
        return (S & 0xFFFFFF) ? SurfaceRgb(Dest, Dest->S.BkColor) : SurfaceRgb(Dest, Dest->S.TextColor);
    if (!MonoSource && MonoDest)
        return FromRgb(S) == (Source->S.BkColor & 0xFFFFFF) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    return S;
}

QRgb SourceAt(HDC Dest, HDC Source, const QImage& SourceImage, int X, int Y)
{
    // Pixels outside the source read as black, as the system does.
    if (!SourceImage.rect().contains(X, Y))
        return SourcePixel(Dest, Source, qRgb(0, 0, 0));
    return SourcePixel(Dest, Source, SourceImage.pixel(X, Y));
}

bool UsesSource(unsigned Index)
{
    return ((Index >> 2) & 0x33) != (Index & 0x33);
}

}  // namespace

BOOL StretchBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, DWORD Rop)
{
    if (!DC)
        return false;
    const unsigned Index = (Rop >> 16) & 0xFF;
    if (!UsesSource(Index))
        return PatBlt(DC, X, Y, Width, Height, Rop);
    if (!Source || !Source->TargetImage() || Width == 0 || Height == 0 || SWidth == 0 || SHeight == 0)
        return false;
    Source->EndPainter();
    const QImage& SourceImage = *Source->TargetImage();
    const int SrcX = SX + Source->S.Origin.X;
    const int SrcY = SY + Source->S.Origin.Y;
    GdiObject* Brush = AsKind(DC->S.Brush, GdiKind::Brush);
    const QRect Target = DeviceRect(DC, X, Y, X + Width, Y + Height);
    const bool FlipX = (Width < 0) != (SWidth < 0);
    const bool FlipY = (Height < 0) != (SHeight < 0);
    const int AW = std::abs(Width), AH = std::abs(Height);
    const int ASW = std::abs(SWidth), ASH = std::abs(SHeight);
    const int SLeft = std::min(SrcX, SrcX + SWidth), STop = std::min(SrcY, SrcY + SHeight);
    if (!DC->TargetImage()) {
        // A device without pixels (a printer): copy modes only.
        QImage Part = SourceImage.copy(SLeft, STop, ASW, ASH).mirrored(FlipX, FlipY);
        if (QPainter* P = DC->BeginPainter())
            P->drawImage(Target.translated(-DC->S.Origin.X, -DC->S.Origin.Y), Part);
        return true;
    }
    ForEachPixel(DC, Target, [&](int PX, int PY, QRgb& D) {
        int TX = PX - Target.left();
        int TY = PY - Target.top();
        if (FlipX)
            TX = AW - 1 - TX;
        if (FlipY)
            TY = AH - 1 - TY;
        const int SXp = SLeft + static_cast<int>(static_cast<int64_t>(TX) * ASW / AW);
        const int SYp = STop + static_cast<int>(static_cast<int64_t>(TY) * ASH / AH);
        const QRgb S = SourceAt(DC, Source, SourceImage, SXp, SYp);
        QRgb P = 0;
        if (!BrushPixel(DC, Brush, PX, PY, P, true))
            P = 0;
        D = Rop3(Index, P, S, D);
    });
    return true;
}

BOOL BitBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY, DWORD Rop)
{
    return StretchBlt(DC, X, Y, Width, Height, Source, SX, SY, Width, Height, Rop);
}

BOOL TransparentBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, COLORREF Transparent)
{
    if (!DC || !Source || !Source->TargetImage() || Width <= 0 || Height <= 0 || SWidth <= 0 || SHeight <= 0)
        return false;
    Source->EndPainter();
    const QImage& SourceImage = *Source->TargetImage();
    const int SrcX = SX + Source->S.Origin.X;
    const int SrcY = SY + Source->S.Origin.Y;
    const QRgb Key = ToRgb(Transparent) & 0xFFFFFFu;
    const QRect Target = DeviceRect(DC, X, Y, X + Width, Y + Height);
    const auto SourceOf = [&](int PX, int PY, QRgb& S) {
        const int SXp = SrcX + static_cast<int>(static_cast<int64_t>(PX - Target.left()) * SWidth / Width);
        const int SYp = SrcY + static_cast<int>(static_cast<int64_t>(PY - Target.top()) * SHeight / Height);
        if (!SourceImage.rect().contains(SXp, SYp))
            return false;
        S = SourceImage.pixel(SXp, SYp);
        return (S & 0xFFFFFFu) != Key;
    };
    if (!DC->TargetImage()) {
        QImage Part(Target.size(), QImage::Format_ARGB32);
        for (int PY = 0; PY < Part.height(); ++PY)
            for (int PX = 0; PX < Part.width(); ++PX) {
                QRgb S = 0;
                Part.setPixel(PX, PY, SourceOf(PX + Target.left(), PY + Target.top(), S) ? (S | 0xFF000000u) : 0);
            }
        if (QPainter* P = DC->BeginPainter())
            P->drawImage(Target.translated(-DC->S.Origin.X, -DC->S.Origin.Y), Part);
        return true;
    }
    ForEachPixel(DC, Target, [&](int PX, int PY, QRgb& D) {
        QRgb S = 0;
        if (SourceOf(PX, PY, S))
            D = SourcePixel(DC, Source, S) | 0xFF000000u;
    });
    return true;
}

BOOL AlphaBlend(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, BLENDFUNCTION Blend)
{
    if (!DC || !Source || !Source->TargetImage() || Width <= 0 || Height <= 0 || SWidth <= 0 || SHeight <= 0)
        return false;
    Source->EndPainter();
    const QImage& SourceImage = *Source->TargetImage();
    const QRect Target = DeviceRect(DC, X, Y, X + Width, Y + Height);
    const int SrcX = SX + Source->S.Origin.X;
    const int SrcY = SY + Source->S.Origin.Y;
    const int CA = Blend.SourceConstantAlpha;
    const bool PerPixel = (Blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    ForEachPixel(DC, Target, [&](int PX, int PY, QRgb& D) {
        const int SXp = SrcX + (PX - Target.left()) * SWidth / Width;
        const int SYp = SrcY + (PY - Target.top()) * SHeight / Height;
        if (!SourceImage.rect().contains(SXp, SYp))
            return;
        const QRgb S = SourceImage.pixel(SXp, SYp);
        // Colour channels of a per-pixel source are premultiplied.
        const int SA = PerPixel ? qAlpha(S) * CA / 255 : CA;
        const auto Mix = [&](int SC, int DCc) {
            const int Src = SC * CA / 255;
            return std::clamp(Src + DCc * (255 - SA) / 255, 0, 255);
        };
        if (PerPixel)
            D = qRgb(Mix(qRed(S), qRed(D)), Mix(qGreen(S), qGreen(D)), Mix(qBlue(S), qBlue(D)));
        else
            D = qRgb((qRed(S) * CA + qRed(D) * (255 - CA)) / 255,
                (qGreen(S) * CA + qGreen(D) * (255 - CA)) / 255,
                (qBlue(S) * CA + qBlue(D) * (255 - CA)) / 255);
    });
    return true;
}

// ---- regions and clipping -------------------------------------------------------------------

namespace {

int RegionKind(const QRegion& R)
{
    if (R.isEmpty())
        return NULLREGION;
    return R.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom)
{
    GdiObject* O = new GdiObject(GdiKind::Region);
    if (Right > Left && Bottom > Top)
        O->Region = QRegion(Left, Top, Right - Left, Bottom - Top);
    return O;
}

HRGN CreateRectRgnIndirect(const TRect& Rect)
{
    return CreateRectRgn(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
}

int CombineRgn(HRGN Dest, HRGN Source1, HRGN Source2, int Mode)
{
    GdiObject* D = AsKind(Dest, GdiKind::Region);
    GdiObject* A = AsKind(Source1, GdiKind::Region);
    GdiObject* B = AsKind(Source2, GdiKind::Region);
    if (!D || !A || (Mode != RGN_COPY && !B))
        return ERROR;
    switch (Mode) {
    case RGN_AND: D->Region = A->Region & B->Region; break;
    case RGN_OR: D->Region = A->Region | B->Region; break;
    case RGN_XOR: D->Region = A->Region ^ B->Region; break;
    case RGN_DIFF: D->Region = A->Region - B->Region; break;
    case RGN_COPY: D->Region = A->Region; break;
    default: return ERROR;
    }
    return RegionKind(D->Region);
}

BOOL PtInRegion(HRGN Region, int X, int Y)
{
    GdiObject* R = AsKind(Region, GdiKind::Region);
    return R && R->Region.contains(QPoint(X, Y));
}

int GetRgnBox(HRGN Region, TRect& Rect)
{
    GdiObject* R = AsKind(Region, GdiKind::Region);
    if (!R)
        return ERROR;
    Rect = R->Region.isEmpty() ? TRect {} : FromQRect(R->Region.boundingRect());
    return RegionKind(R->Region);
}

BOOL OffsetRgn(HRGN Region, int X, int Y)
{
    GdiObject* R = AsKind(Region, GdiKind::Region);
    if (!R)
        return false;
    R->Region.translate(X, Y);
    return true;
}

int SelectClipRgn(HDC DC, HRGN Region)
{
    if (!DC)
        return ERROR;
    GdiObject* R = AsKind(Region, GdiKind::Region);
    if (!R) {
        DC->S.Clip.reset();
        return SIMPLEREGION;
    }
    DC->S.Clip = R->Region;
    return RegionKind(DC->EffectiveClip());
}

int ExcludeClipRect(HDC DC, int Left, int Top, int Right, int Bottom)
{
    if (!DC)
        return ERROR;
    QRegion Current = DC->S.Clip ? *DC->S.Clip : QRegion(QRect(QPoint(0, 0), DC->SurfaceSize()));
    DC->S.Clip = Current - QRegion(DeviceRect(DC, Left, Top, Right, Bottom));
    return RegionKind(DC->EffectiveClip());
}

int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom)
{
    if (!DC)
        return ERROR;
    const QRegion R(DeviceRect(DC, Left, Top, Right, Bottom));
    DC->S.Clip = DC->S.Clip ? (*DC->S.Clip & R) : R;
    return RegionKind(DC->EffectiveClip());
}

int GetClipBox(HDC DC, TRect& Rect)
{
    if (!DC)
        return ERROR;
    const QRegion Clip = DC->EffectiveClip();
    const QRect Box = Clip.boundingRect().translated(-DC->S.Origin.X, -DC->S.Origin.Y);
    Rect = Clip.isEmpty() ? TRect {} : FromQRect(Box);
    return RegionKind(Clip);
}

BOOL ScrollDC(HDC DC, int DX, int DY, const TRect* Scroll, const TRect* Clip, HRGN Update, TRect* UpdateRect)
{
    if (!DC || !DC->TargetImage())
        return false;
    const QPoint Origin(DC->S.Origin.X, DC->S.Origin.Y);
    QRect Area = Scroll ? ToQRect(*Scroll).translated(Origin) : QRect(QPoint(0, 0), DC->SurfaceSize());
    if (Clip)
        Area &= ToQRect(*Clip).translated(Origin);
    Area &= QRect(QPoint(0, 0), DC->SurfaceSize());
    DC->EndPainter();
    QImage& Image = *DC->TargetImage();
    const QImage Copy = Image.copy(Area);
    const QRect Moved = Area.translated(DX, DY) & Area;
    for (int Y = Moved.top(); Y <= Moved.bottom(); ++Y) {
        auto* Line = reinterpret_cast<QRgb*>(Image.scanLine(Y));
        for (int X = Moved.left(); X <= Moved.right(); ++X)
            Line[X] = Copy.pixel(X - DX - Area.left(), Y - DY - Area.top());
    }
    const QRegion Uncovered = (QRegion(Area) - QRegion(Moved)).translated(-Origin);
    if (GdiObject* R = AsKind(Update, GdiKind::Region))
        R->Region = Uncovered;
    if (UpdateRect)
        *UpdateRect = Uncovered.isEmpty() ? TRect {} : FromQRect(Uncovered.boundingRect());
    DC->Touch(Area);
    return true;
}

// ---- rectangles ------------------------------------------------------------------------------

BOOL SetRect(TRect& R, int Left, int Top, int Right, int Bottom)
{
    R = {Left, Top, Right, Bottom};
    return true;
}

BOOL SetRectEmpty(TRect& R)
{
    R = {};
    return true;
}

BOOL IsRectEmpty(const TRect& R)
{
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

BOOL EqualRect(const TRect& A, const TRect& B)
{
    return A == B;
}

BOOL OffsetRect(TRect& R, int DX, int DY)
{
    R.Left += DX;
    R.Right += DX;
    R.Top += DY;
    R.Bottom += DY;
    return true;
}

BOOL InflateRect(TRect& R, int DX, int DY)
{
    R.Left -= DX;
    R.Right += DX;
    R.Top -= DY;
    R.Bottom += DY;
    return true;
}

BOOL IntersectRect(TRect& Dest, const TRect& A, const TRect& B)
{
    const TRect R {std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
        std::min(A.Bottom, B.Bottom)};
    if (IsRectEmpty(R)) {
        Dest = {};
        return false;
    }
    Dest = R;
    return true;
}

BOOL UnionRect(TRect& Dest, const TRect& A, const TRect& B)
{
    if (IsRectEmpty(A)) {
        Dest = B;
    } else if (IsRectEmpty(B)) {
        Dest = A;
    } else {
        Dest = {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
            std::max(A.Bottom, B.Bottom)};
    }
    return !IsRectEmpty(Dest);
}
