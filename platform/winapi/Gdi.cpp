// Drawing objects, stock objects, system colours and metrics, device
// contexts and their state, device capabilities, DIBs, regions and
// clipping, and the rectangle helpers.

#include "platform/winapi/DcBackend.h"
#include "platform/winapi/GdiPrivate.h"
#include "platform/winapi/SystemMetrics.h"

#include <QPaintDevice>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>

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
    if (Count <= 0)
        return {};
    QString Out(Count, Qt::Uninitialized);
    QChar* To = Out.data();
    for (int I = 0; I < Count; ++I)
        To[I] = QChar(static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(Bytes[I]))));
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

void RetainGdiObject(HGDIOBJ Object)
{
    Retain(Object);
}

void ReleaseGdiObject(HGDIOBJ Object)
{
    Release(Object);
}

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
        Bitmap->PainterOwner->Flush();
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

HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH& Brush, DWORD StyleCount, const DWORD* StyleArray)
{
    const int PenStyle = static_cast<int>(Style & PS_STYLE_MASK);
    const bool Geometric = (Style & PS_TYPE_MASK) == PS_GEOMETRIC;
    if (PenStyle > PS_ALTERNATE || (Style & PS_TYPE_MASK) > PS_GEOMETRIC)
        return nullptr;
    // A cosmetic pen is one pixel wide; PS_ALTERNATE is cosmetic only.
    if ((!Geometric && Width != 1) || (Geometric && PenStyle == PS_ALTERNATE))
        return nullptr;
    if (PenStyle == PS_USERSTYLE) {
        if (!StyleArray || StyleCount == 0 || StyleCount > 16)
            return nullptr;
        if (std::all_of(StyleArray, StyleArray + StyleCount, [](DWORD L) { return L == 0; }))
            return nullptr;
    }
    COLORREF Color = 0;
    switch (Brush.lbStyle) {
    case BS_SOLID:
    case BS_HATCHED: Color = Brush.lbColor & 0xFFFFFF; break;
    case BS_NULL: break;
    default:
        // Pattern pens draw in black; the program never asks for them.
        break;
    }
    GdiObject* O = new GdiObject(GdiKind::Pen);
    O->PenStyle = Brush.lbStyle == BS_NULL ? PS_NULL : PenStyle;
    O->PenWidth = static_cast<int>(std::min<DWORD>(Width, 0x7FFF));
    O->PenColor = Color;
    O->Geometric = Geometric;
    O->EndCap = static_cast<int>(Style & PS_ENDCAP_MASK);
    O->Join = static_cast<int>(Style & PS_JOIN_MASK);
    if (PenStyle == PS_USERSTYLE)
        O->UserStyle.assign(StyleArray, StyleArray + StyleCount);
    return O;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& Brush)
{
    switch (Brush.lbStyle) {
    case BS_SOLID: return CreateSolidBrush(Brush.lbColor);
    case BS_NULL: {
        GdiObject* O = new GdiObject(GdiKind::Brush);
        O->BrushStyle = BS_NULL;
        return O;
    }
    case BS_HATCHED:
        if (Brush.lbHatch > HS_DIAGCROSS)
            return nullptr;
        return CreateHatchBrush(static_cast<int>(Brush.lbHatch), Brush.lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(Brush.lbHatch));
    case BS_DIBPATTERNPT:
        return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(Brush.lbHatch), Brush.lbColor & 0xFFFF);
    default: return nullptr;
    }
}

size_t DibHeaderBytes(const BITMAPINFOHEADER& H)
{
    size_t Colors = 0;
    if (H.biBitCount <= 8)
        Colors = H.biClrUsed ? std::min<size_t>(H.biClrUsed, size_t(1) << H.biBitCount) : size_t(1) << H.biBitCount;
    else if (H.biCompression == BI_BITFIELDS && H.biSize == sizeof(BITMAPINFOHEADER))
        Colors = 3;  // the three masks follow the header
    return H.biSize + Colors * sizeof(RGBQUAD);
}

namespace {

// Where a mask's lowest bit is and how many bits it spans.
struct Channel {
    int Shift = 0;
    int Bits = 0;
    explicit Channel(DWORD Mask)
    {
        if (!Mask)
            return;
        while (!(Mask & 1)) {
            Mask >>= 1;
            ++Shift;
        }
        while (Mask & 1) {
            Mask >>= 1;
            ++Bits;
        }
    }
    int Of(DWORD V) const
    {
        if (!Bits)
            return 0;
        const DWORD Max = (Bits >= 32) ? 0xFFFFFFFFu : ((1u << Bits) - 1);
        const DWORD C = (V >> Shift) & Max;
        return static_cast<int>(Max ? (C * 255 + Max / 2) / Max : 0);
    }
};

}  // namespace

std::optional<QImage> DibToImage(const BITMAPINFO& Info, const void* Bits, std::optional<int> Rows)
{
    const BITMAPINFOHEADER& H = Info.bmiHeader;
    constexpr int MaxSide = 16384;
    if (!Bits || H.biSize < sizeof(BITMAPINFOHEADER) || H.biWidth <= 0 || H.biWidth > MaxSide
        || H.biHeight == 0 || H.biHeight < -MaxSide || H.biHeight > MaxSide)
        return std::nullopt;
    const int Bpp = H.biBitCount;
    if (Bpp != 1 && Bpp != 4 && Bpp != 8 && Bpp != 16 && Bpp != 24 && Bpp != 32)
        return std::nullopt;
    if (H.biCompression != BI_RGB && !(H.biCompression == BI_BITFIELDS && (Bpp == 16 || Bpp == 32)))
        return std::nullopt;
    const int Width = H.biWidth;
    const int Height = Rows ? *Rows : std::abs(H.biHeight);
    // A sheet at 600 dpi has about 35 million pixels; a picture larger than
    // that is refused rather than allocated.
    constexpr int64_t MaxPixels = 64 * 1024 * 1024;
    if (Height <= 0 || Height > MaxSide || static_cast<int64_t>(Width) * Height > MaxPixels)
        return std::nullopt;
    const bool BottomUp = H.biHeight > 0;
    const auto* Table = reinterpret_cast<const unsigned char*>(&Info) + H.biSize;
    QList<QRgb> Palette;
    if (Bpp <= 8) {
        const size_t Count = (DibHeaderBytes(H) - H.biSize) / sizeof(RGBQUAD);
        for (size_t I = 0; I < Count; ++I)
            Palette << qRgb(Table[I * 4 + 2], Table[I * 4 + 1], Table[I * 4]);
    }
    DWORD Masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (Bpp == 32)
        Masks[0] = 0xFF0000, Masks[1] = 0xFF00, Masks[2] = 0xFF;
    if (H.biCompression == BI_BITFIELDS)
        std::memcpy(Masks, H.biSize == sizeof(BITMAPINFOHEADER) ? Table
                                                                 : reinterpret_cast<const unsigned char*>(&Info) + 40,
            sizeof(Masks));
    const Channel R(Masks[0]), G(Masks[1]), B(Masks[2]);
    const size_t Stride = ((static_cast<size_t>(Width) * Bpp + 31) / 32) * 4;
    const auto* Data = static_cast<const unsigned char*>(Bits);
    QImage Image(Width, Height, QImage::Format_RGB32);
    for (int Y = 0; Y < Height; ++Y) {
        const unsigned char* Row = Data + Stride * static_cast<size_t>(BottomUp ? Height - 1 - Y : Y);
        auto* Out = reinterpret_cast<QRgb*>(Image.scanLine(Y));
        for (int X = 0; X < Width; ++X) {
            int Index = 0;
            switch (Bpp) {
            case 1: Index = (Row[X / 8] >> (7 - X % 8)) & 1; break;
            case 4: Index = (Row[X / 2] >> (X % 2 ? 0 : 4)) & 0xF; break;
            case 8: Index = Row[X]; break;
            case 16: {
                const DWORD V = Row[X * 2] | (Row[X * 2 + 1] << 8);
                Out[X] = qRgb(R.Of(V), G.Of(V), B.Of(V));
                continue;
            }
            case 24: Out[X] = qRgb(Row[X * 3 + 2], Row[X * 3 + 1], Row[X * 3]); continue;
            default: {
                DWORD V = 0;
                std::memcpy(&V, Row + X * 4, 4);
                Out[X] = qRgb(R.Of(V), G.Of(V), B.Of(V));
                continue;
            }
            }
            // An index past the colour table reads as black.
            Out[X] = Index < Palette.size() ? Palette[Index] : qRgb(0, 0, 0);
        }
    }
    return Image;
}

std::optional<QImage> BmpFileToImage(const std::string& Bytes, bool& Monochrome)
{
    Monochrome = false;
    constexpr size_t FileHeader = 14;
    constexpr size_t LargestHeader = 124;  // BITMAPV5HEADER
    const size_t Size = Bytes.size();
    if (Size < FileHeader + sizeof(BITMAPINFOHEADER) || Bytes[0] != 'B' || Bytes[1] != 'M')
        return std::nullopt;
    const auto Dword = [&Bytes](size_t At) {
        DWORD V = 0;
        std::memcpy(&V, Bytes.data() + At, sizeof(V));
        return V;
    };
    const DWORD OffBits = Dword(10);
    BITMAPINFOHEADER H;
    std::memcpy(&H, Bytes.data() + FileHeader, sizeof(H));
    if (H.biSize < sizeof(BITMAPINFOHEADER) || H.biSize > LargestHeader
        || H.biSize > Size - FileHeader || H.biBitCount == 0 || H.biBitCount > 32)
        return std::nullopt;
    // Masks of a larger header sit inside it, after the first 40 bytes.
    if (H.biCompression == BI_BITFIELDS && H.biSize > sizeof(BITMAPINFOHEADER) && H.biSize < 52)
        return std::nullopt;
    const size_t InfoBytes = DibHeaderBytes(H);
    if (InfoBytes > Size - FileHeader || H.biWidth <= 0 || H.biHeight == 0
        || H.biHeight == INT32_MIN)
        return std::nullopt;
    const size_t Bits = OffBits ? OffBits : FileHeader + InfoBytes;
    const size_t Stride = ((static_cast<size_t>(H.biWidth) * H.biBitCount + 31) / 32) * 4;
    const size_t Rows = static_cast<size_t>(std::abs(H.biHeight));
    // The header's sizes are checked against the bytes there are, never
    // trusted for an allocation.
    if (Bits < FileHeader + InfoBytes || Bits > Size || Rows > (Size - Bits) / Stride)
        return std::nullopt;
    // BITMAPINFO wants its own alignment.
    std::vector<uint32_t> Info((InfoBytes + 3) / 4 + 1, 0);
    std::memcpy(Info.data(), Bytes.data() + FileHeader, InfoBytes);
    const auto& Header = *reinterpret_cast<const BITMAPINFO*>(Info.data());
    std::optional<QImage> Image = DibToImage(Header, Bytes.data() + Bits, std::nullopt);
    if (Image && H.biBitCount == 1) {
        const auto* Table = reinterpret_cast<const unsigned char*>(Info.data()) + H.biSize;
        const size_t Colors = (InfoBytes - H.biSize) / sizeof(RGBQUAD);
        Monochrome = true;
        for (size_t I = 0; I < Colors; ++I) {
            const unsigned char* C = Table + I * 4;
            const bool Black = C[0] == 0 && C[1] == 0 && C[2] == 0;
            const bool White = C[0] == 255 && C[1] == 255 && C[2] == 255;
            Monochrome = Monochrome && (Black || White);
        }
    }
    return Image;
}

HBRUSH CreateDIBPatternBrushPt(const void* PackedDib, UINT Usage)
{
    if (!PackedDib || Usage != DIB_RGB_COLORS)
        return nullptr;
    const auto& Info = *static_cast<const BITMAPINFO*>(PackedDib);
    const auto* Bits = static_cast<const unsigned char*>(PackedDib) + DibHeaderBytes(Info.bmiHeader);
    std::optional<QImage> Image = DibToImage(Info, Bits, std::nullopt);
    if (!Image)
        return nullptr;
    GdiObject* O = new GdiObject(GdiKind::Brush);
    O->BrushStyle = BS_PATTERN;
    O->Pattern = std::move(*Image);
    return O;
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
    // The backend may still have a painter open on the bitmap released below.
    Backend.reset();
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
    return Backend ? Backend->Size() : QSize(0, 0);
}

bool DeviceContext::IsMonochrome() const
{
    // The screen DC measures with a 1 x 1 bitmap but stands for the screen.
    return Backend && Backend->Monochrome() && !MeasureOnly;
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

void DeviceContext::Touch(const QRect& DeviceRect)
{
    if (Changed)
        Changed(*this, DeviceRect);
}

HDC CreateBitmapDC(HBITMAP Bitmap)
{
    HDC DC = new DeviceContext();
    DC->Bitmap = Bitmap;
    DC->Backend = MakeRasterBackend(Bitmap);
    Retain(Bitmap);
    return DC;
}

HDC CreateDeviceDC(QPaintDevice* Device)
{
    return CreateBackendDC(MakePainterBackend(Device));
}

HDC CreateBackendDC(std::unique_ptr<DcBackend> Backend)
{
    HDC DC = new DeviceContext();
    DC->Backend = std::move(Backend);
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
        if (!DC->Memory || !DC->Backend || !DC->Backend->SelectBitmap(Object))
            return nullptr;
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
    QSize Dpi(M.PixelsPerInch, M.PixelsPerInch);
    std::optional<PageGeometry> Page;
    if (DC && !DC->MeasureOnly && DC->Backend) {
        Size = DC->Backend->Size();
        Page = DC->Backend->Page();
        Dpi = DC->Backend->Dpi();
    }
    switch (Index) {
    case HORZRES: return Size.width();
    case VERTRES: return Size.height();
    case HORZSIZE: return Size.width() * 254 / (Dpi.width() * 10);
    case VERTSIZE: return Size.height() * 254 / (Dpi.height() * 10);
    case BITSPIXEL: return DC && DC->IsMonochrome() ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return DC && DC->IsMonochrome() ? 2 : -1;
    case LOGPIXELSX: return Dpi.width();
    case LOGPIXELSY: return Dpi.height();
    case PHYSICALWIDTH: return Page ? Page->Physical.width() : 0;
    case PHYSICALHEIGHT: return Page ? Page->Physical.height() : 0;
    case PHYSICALOFFSETX: return Page ? Page->Offset.x() : 0;
    case PHYSICALOFFSETY: return Page ? Page->Offset.y() : 0;
    default: return 0;
    }
}

COLORREF GetNearestColor(HDC DC, COLORREF Color)
{
    return FromRgb(SurfaceRgb(DC && DC->IsMonochrome(), Color));
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

int ExtSelectClipRgn(HDC DC, HRGN Region, int Mode)
{
    if (!DC)
        return ERROR;
    if (Mode == RGN_COPY)
        return SelectClipRgn(DC, Region);
    GdiObject* R = AsKind(Region, GdiKind::Region);
    if (!R)
        return ERROR;
    // No clip stands for the whole surface.
    const QRegion Current = DC->S.Clip ? *DC->S.Clip : QRegion(QRect(QPoint(0, 0), DC->SurfaceSize()));
    switch (Mode) {
    case RGN_AND: DC->S.Clip = Current & R->Region; break;
    case RGN_OR: DC->S.Clip = Current | R->Region; break;
    case RGN_XOR: DC->S.Clip = Current ^ R->Region; break;
    case RGN_DIFF: DC->S.Clip = Current - R->Region; break;
    default: return ERROR;
    }
    return RegionKind(DC->EffectiveClip());
}

namespace {

// A logical rectangle as a device region (its outline when turned).
QRegion DeviceRegion(HDC DC, int L, int T, int R, int B)
{
    if (R < L)
        std::swap(L, R);
    if (B < T)
        std::swap(T, B);
    const QRect Logical(L, T, R - L, B - T);
    const QTransform X = DC->S.ToDevice();
    if (AxisAligned(X))
        return QRegion(MapRect(X, Logical));
    return QRegion(X.map(QPolygon(Logical, /*closed=*/true)));
}

}  // namespace

int ExcludeClipRect(HDC DC, int Left, int Top, int Right, int Bottom)
{
    if (!DC)
        return ERROR;
    QRegion Current = DC->S.Clip ? *DC->S.Clip : QRegion(QRect(QPoint(0, 0), DC->SurfaceSize()));
    DC->S.Clip = Current - DeviceRegion(DC, Left, Top, Right, Bottom);
    return RegionKind(DC->EffectiveClip());
}

int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom)
{
    if (!DC)
        return ERROR;
    const QRegion R = DeviceRegion(DC, Left, Top, Right, Bottom);
    DC->S.Clip = DC->S.Clip ? (*DC->S.Clip & R) : R;
    return RegionKind(DC->EffectiveClip());
}

int GetClipBox(HDC DC, TRect& Rect)
{
    if (!DC)
        return ERROR;
    const QRegion Clip = DC->EffectiveClip();
    if (Clip.isEmpty()) {
        Rect = {};
        return NULLREGION;
    }
    // The device box back in logical units.
    const QRect Box = Clip.boundingRect();
    const QTransform Back = DC->S.ToDevice().inverted();
    const QPointF A = Back.map(QPointF(Box.left(), Box.top()));
    const QPointF B = Back.map(QPointF(Box.left() + Box.width(), Box.top() + Box.height()));
    Rect = {RoundDevice(std::min(A.x(), B.x())), RoundDevice(std::min(A.y(), B.y())),
        RoundDevice(std::max(A.x(), B.x())), RoundDevice(std::max(A.y(), B.y()))};
    return RegionKind(Clip);
}

BOOL RectVisible(HDC DC, const TRect& Rect)
{
    if (!DC)
        return false;
    const QRegion Clip = DC->EffectiveClip();
    if (Clip.isEmpty())
        return false;
    const QRect Device = MapRect(DC->S.ToDevice(), ToQRect(Rect));
    return Clip.intersects(Device);
}

BOOL ScrollDC(HDC DC, int DX, int DY, const TRect* Scroll, const TRect* Clip, HRGN Update, TRect* UpdateRect)
{
    if (!DC || !DC->Backend || DC->MeasureOnly)
        return false;
    const QTransform X = DC->S.ToDevice();
    const QRect Surface(QPoint(0, 0), DC->SurfaceSize());
    QRect Area = Scroll ? MapRect(X, ToQRect(*Scroll)) : Surface;
    if (Clip)
        Area &= MapRect(X, ToQRect(*Clip));
    Area &= Surface;
    if (!DC->Backend->Scroll(Area, DX, DY))
        return false;
    const QRect Moved = Area.translated(DX, DY) & Area;
    // The uncovered part, in logical units (the offset of the mapping).
    const QPoint Offset(RoundDevice(X.dx()), RoundDevice(X.dy()));
    const QRegion Uncovered = (QRegion(Area) - QRegion(Moved)).translated(-Offset);
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
