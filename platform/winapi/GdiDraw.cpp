// The drawing calls: fills, pixels, lines, shapes, paths and blits. Each
// resolves the DC's state once and hands the call to the DC's backend; the
// helpers the backends share are at the end.

#include "platform/winapi/DcBackend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

GdiObject& PenOf(HDC DC)
{
    GdiObject* P = AsKind(DC->S.Pen, GdiKind::Pen);
    return P ? *P : *AsKind(GetStockObject(BLACK_PEN), GdiKind::Pen);
}

GdiObject& BrushOf(HDC DC)
{
    GdiObject* B = AsKind(DC->S.Brush, GdiKind::Brush);
    return B ? *B : *AsKind(GetStockObject(WHITE_BRUSH), GdiKind::Brush);
}

GdiObject& FontOf(HDC DC)
{
    GdiObject* F = AsKind(DC->S.Font, GdiKind::Font);
    return F ? *F : *AsKind(GetStockObject(SYSTEM_FONT), GdiKind::Font);
}

// Runs Draw(backend, context) and reports the device area it changed.
template <class Fn>
void Draw(HDC DC, Fn&& F)
{
    DcBackend* B = TargetOf(DC);
    if (!B)
        return;
    const QRect Changed = F(*B, ContextOf(DC));
    if (!Changed.isEmpty())
        DC->Touch(Changed);
}

// A logical rectangle from two corners in any order.
QRect Normalised(int L, int T, int R, int B)
{
    if (R < L)
        std::swap(L, R);
    if (B < T)
        std::swap(T, B);
    return QRect(L, T, R - L, B - T);
}

QPolygon ToPolygon(const TPoint* Points, int Count)
{
    QPolygon Poly;
    Poly.reserve(Count);
    for (int I = 0; I < Count; ++I)
        Poly << QPoint(Points[I].X, Points[I].Y);
    return Poly;
}

void PatBltRect(HDC DC, const QRect& R, GdiObject& Brush, unsigned Rop3)
{
    if (R.isEmpty())
        return;
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.PatBlt(C, R, Brush, Rop3); });
}

// The 2 x 2 checker of the focus rectangle: white pixels invert the target
// under PATINVERT, black ones keep it.
GdiObject& FocusBrush()
{
    static GdiObject* Brush = [] {
        GdiObject* O = new GdiObject(GdiKind::Brush);
        O->Stock = true;
        O->BrushStyle = BS_PATTERN;
        O->Pattern = QImage(8, 8, QImage::Format_RGB32);
        for (int Y = 0; Y < 8; ++Y)
            for (int X = 0; X < 8; ++X)
                O->Pattern.setPixel(X, Y, ((X + Y) & 1) == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        return O;
    }();
    return *Brush;
}

}  // namespace

DcBackend* TargetOf(HDC DC)
{
    return DC && !DC->MeasureOnly ? DC->Backend.get() : nullptr;
}

DrawContext ContextOf(HDC DC)
{
    return DrawContext {DC->S, FontOf(DC), PenOf(DC), BrushOf(DC), DC->S.ToDevice(), DC->EffectiveClip()};
}

// ---- fills and pixels ---------------------------------------------------------------

int FillRect(HDC DC, const TRect& Rect, HBRUSH Brush)
{
    GdiObject* B = AsKind(Brush, GdiKind::Brush);
    if (!DC || !B)
        return 0;
    PatBltRect(DC, Normalised(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom), *B, 0xF0);
    return 1;
}

int FrameRect(HDC DC, const TRect& Rect, HBRUSH Brush)
{
    GdiObject* B = AsKind(Brush, GdiKind::Brush);
    if (!DC || !B || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return 0;
    const QRect R = ToQRect(Rect);
    PatBltRect(DC, QRect(R.left(), R.top(), R.width(), 1), *B, 0xF0);
    PatBltRect(DC, QRect(R.left(), R.bottom(), R.width(), 1), *B, 0xF0);
    PatBltRect(DC, QRect(R.left(), R.top(), 1, R.height()), *B, 0xF0);
    PatBltRect(DC, QRect(R.right(), R.top(), 1, R.height()), *B, 0xF0);
    return 1;
}

BOOL InvertRect(HDC DC, const TRect& Rect)
{
    if (!DC)
        return false;
    PatBltRect(DC, Normalised(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom), BrushOf(DC), 0x55);
    return true;
}

BOOL DrawFocusRect(HDC DC, const TRect& Rect)
{
    if (!DC || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return false;
    // The checker is anchored at the device origin whatever the brush origin.
    const TPoint Org = std::exchange(DC->S.BrushOrg, TPoint {});
    const QRect R = ToQRect(Rect);
    GdiObject& B = FocusBrush();
    PatBltRect(DC, QRect(R.left(), R.top(), R.width(), 1), B, 0x5A);
    if (R.height() > 1)
        PatBltRect(DC, QRect(R.left(), R.bottom(), R.width(), 1), B, 0x5A);
    if (R.height() > 2) {
        PatBltRect(DC, QRect(R.left(), R.top() + 1, 1, R.height() - 2), B, 0x5A);
        if (R.width() > 1)
            PatBltRect(DC, QRect(R.right(), R.top() + 1, 1, R.height() - 2), B, 0x5A);
    }
    DC->S.BrushOrg = Org;
    return true;
}

BOOL PatBlt(HDC DC, int X, int Y, int Width, int Height, DWORD Rop)
{
    if (!DC)
        return false;
    PatBltRect(DC, Normalised(X, Y, X + Width, Y + Height), BrushOf(DC), (Rop >> 16) & 0xFF);
    return true;
}

COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color)
{
    COLORREF Result = CLR_INVALID;
    Draw(DC, [&](DcBackend& B, const DrawContext& C) {
        Result = B.SetPixel(C, QPoint(X, Y), Color);
        if (Result == CLR_INVALID)
            return QRect();
        const QPointF D = C.ToDevice.map(QPointF(X, Y));
        return QRect(RoundDevice(D.x()), RoundDevice(D.y()), 1, 1);
    });
    return Result;
}

COLORREF GetPixel(HDC DC, int X, int Y)
{
    DcBackend* B = TargetOf(DC);
    QImage* Pixels = B ? B->Pixels() : nullptr;
    if (!Pixels)
        return CLR_INVALID;
    const QPointF D = DC->S.ToDevice().map(QPointF(X, Y));
    const QPoint P(RoundDevice(D.x()), RoundDevice(D.y()));
    if (!Pixels->rect().contains(P) || !DC->EffectiveClip().contains(P))
        return CLR_INVALID;
    return FromRgb(Pixels->pixel(P));
}

// ---- lines and shapes ------------------------------------------------------------------

namespace {

// Inside a path bracket the outlines go into the path.
bool InPath(HDC DC)
{
    return DC->PathOpen;
}

QPainterPath& OpenPath(HDC DC)
{
    return *DC->Path;
}

void PathFromCurrent(HDC DC)
{
    QPainterPath& P = OpenPath(DC);
    if (P.elementCount() == 0)
        P.moveTo(DC->S.Pos.X, DC->S.Pos.Y);
}

}  // namespace

BOOL MoveToEx(HDC DC, int X, int Y, TPoint* Old)
{
    if (!DC)
        return false;
    if (Old)
        *Old = DC->S.Pos;
    DC->S.Pos = {X, Y};
    if (InPath(DC))
        OpenPath(DC).moveTo(X, Y);
    return true;
}

BOOL LineTo(HDC DC, int X, int Y)
{
    if (!DC)
        return false;
    if (InPath(DC)) {
        PathFromCurrent(DC);
        OpenPath(DC).lineTo(X, Y);
    } else {
        const QPolygon Line({QPoint(DC->S.Pos.X, DC->S.Pos.Y), QPoint(X, Y)});
        Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.Polyline(C, Line); });
    }
    DC->S.Pos = {X, Y};
    return true;
}

BOOL Polyline(HDC DC, const TPoint* Points, int Count)
{
    if (!DC || !Points || Count < 2)
        return false;
    const QPolygon Poly = ToPolygon(Points, Count);
    if (InPath(DC)) {
        OpenPath(DC).moveTo(Poly[0]);
        for (int I = 1; I < Count; ++I)
            OpenPath(DC).lineTo(Poly[I]);
        return true;
    }
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.Polyline(C, Poly); });
    return true;
}

BOOL PolyPolygon(HDC DC, const TPoint* Points, const int* Counts, int Polygons)
{
    if (!DC || !Points || !Counts || Polygons < 1)
        return false;
    std::vector<QPolygon> Polys;
    int First = 0;
    for (int I = 0; I < Polygons; ++I) {
        if (Counts[I] < 2)
            return false;
        Polys.push_back(ToPolygon(Points + First, Counts[I]));
        First += Counts[I];
    }
    if (InPath(DC)) {
        for (const QPolygon& P : Polys) {
            OpenPath(DC).addPolygon(QPolygonF(P));
            OpenPath(DC).closeSubpath();
        }
        return true;
    }
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.PolyPolygon(C, Polys); });
    return true;
}

BOOL Polygon(HDC DC, const TPoint* Points, int Count)
{
    return PolyPolygon(DC, Points, &Count, 1);
}

BOOL PolyBezier(HDC DC, const TPoint* Points, int Count)
{
    if (!DC || !Points || Count < 4 || (Count - 1) % 3 != 0)
        return false;
    const QPolygon Poly = ToPolygon(Points, Count);
    if (InPath(DC)) {
        QPainterPath& P = OpenPath(DC);
        P.moveTo(Poly[0]);
        for (int I = 1; I + 2 < Count; I += 3)
            P.cubicTo(Poly[I], Poly[I + 1], Poly[I + 2]);
        return true;
    }
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.PolyBezier(C, Poly); });
    return true;
}

namespace {

BOOL DrawShape(HDC DC, ShapeKind Kind, int Left, int Top, int Right, int Bottom, QSize Corner)
{
    if (!DC)
        return false;
    const QRect R = Normalised(Left, Top, Right, Bottom);
    if (InPath(DC)) {
        OpenPath(DC).addPath(ShapePath(Kind, R, Corner));
        return true;
    }
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.Shape(C, Kind, R, Corner); });
    return true;
}

}  // namespace

BOOL Rectangle(HDC DC, int Left, int Top, int Right, int Bottom)
{
    return DrawShape(DC, ShapeKind::Rectangle, Left, Top, Right, Bottom, {});
}

BOOL RoundRect(HDC DC, int Left, int Top, int Right, int Bottom, int Width, int Height)
{
    return DrawShape(DC, ShapeKind::RoundRect, Left, Top, Right, Bottom, QSize(Width, Height));
}

BOOL Ellipse(HDC DC, int Left, int Top, int Right, int Bottom)
{
    return DrawShape(DC, ShapeKind::Ellipse, Left, Top, Right, Bottom, {});
}

int SetPolyFillMode(HDC DC, int Mode)
{
    if (!DC || (Mode != ALTERNATE && Mode != WINDING))
        return 0;
    return std::exchange(DC->S.PolyFillMode, Mode);
}

int GetPolyFillMode(HDC DC)
{
    return DC ? DC->S.PolyFillMode : 0;
}

// ---- paths -------------------------------------------------------------------------------

BOOL BeginPath(HDC DC)
{
    if (!DC)
        return false;
    DC->PathOpen = true;
    DC->Path = QPainterPath();
    return true;
}

BOOL EndPath(HDC DC)
{
    if (!DC || !DC->PathOpen)
        return false;
    DC->PathOpen = false;
    return true;
}

BOOL AbortPath(HDC DC)
{
    if (!DC)
        return false;
    DC->PathOpen = false;
    DC->Path.reset();
    return true;
}

BOOL CloseFigure(HDC DC)
{
    if (!DC || !DC->PathOpen || DC->Path->elementCount() == 0)
        return false;
    DC->Path->closeSubpath();
    return true;
}

namespace {

BOOL DrawPath(HDC DC, bool Fill, bool Stroke)
{
    if (!DC || DC->PathOpen || !DC->Path)
        return false;
    QPainterPath Path = std::move(*DC->Path);
    DC->Path.reset();
    Path.setFillRule(DC->S.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    if (Fill && Stroke) {
        // The outline of a filled path closes every open figure too.
        QPainterPath Closed;
        Closed.setFillRule(Path.fillRule());
        for (const QPolygonF& Figure : Path.toSubpathPolygons()) {
            Closed.addPolygon(Figure);
            Closed.closeSubpath();
        }
        Path = Closed;
    }
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.Path(C, Path, Fill, Stroke); });
    return true;
}

}  // namespace

BOOL FillPath(HDC DC)
{
    return DrawPath(DC, true, false);
}

BOOL StrokePath(HDC DC)
{
    return DrawPath(DC, false, true);
}

BOOL StrokeAndFillPath(HDC DC)
{
    return DrawPath(DC, true, true);
}

// ---- blits -----------------------------------------------------------------------------------

namespace {

bool UsesSource(unsigned Index)
{
    return ((Index >> 2) & 0x33) != (Index & 0x33);
}

// The source rectangle of a DC in its device pixels (the sign of the
// extents kept, so that mirroring survives).
QRect SourceRect(HDC Source, int SX, int SY, int SWidth, int SHeight)
{
    const QTransform T = Source->S.ToDevice();
    const QPointF A = T.map(QPointF(SX, SY));
    const QPointF B = T.map(QPointF(SX + SWidth, SY + SHeight));
    const int X0 = RoundDevice(A.x()), Y0 = RoundDevice(A.y());
    return QRect(X0, Y0, RoundDevice(B.x()) - X0, RoundDevice(B.y()) - Y0);
}

BOOL BlitFromDC(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY, int SWidth,
    int SHeight, const Blend& How)
{
    if (!DC || !Source || Width == 0 || Height == 0 || SWidth == 0 || SHeight == 0)
        return false;
    DcBackend* From = Source->Backend.get();
    QImage* Pixels = From && !Source->MeasureOnly ? From->Pixels() : nullptr;
    if (!Pixels)
        return false;
    const BlitSource Src {*Pixels, SourceRect(Source, SX, SY, SWidth, SHeight), Source->IsMonochrome(),
        Source->S.BkColor};
    if (Src.Rect.width() == 0 || Src.Rect.height() == 0)
        return false;
    const QRect Dest(X, Y, Width, Height);
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.Blit(C, Dest, Src, How); });
    return true;
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
    Blend How;
    How.Rop3 = Index;
    return BlitFromDC(DC, X, Y, Width, Height, Source, SX, SY, SWidth, SHeight, How);
}

BOOL BitBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY, DWORD Rop)
{
    return StretchBlt(DC, X, Y, Width, Height, Source, SX, SY, Width, Height, Rop);
}

BOOL TransparentBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, COLORREF Transparent)
{
    if (Width <= 0 || Height <= 0 || SWidth <= 0 || SHeight <= 0)
        return false;
    Blend How;
    How.Kind = BlendKind::Transparent;
    How.Transparent = Transparent;
    return BlitFromDC(DC, X, Y, Width, Height, Source, SX, SY, SWidth, SHeight, How);
}

BOOL AlphaBlend(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, BLENDFUNCTION Alpha)
{
    if (Width <= 0 || Height <= 0 || SWidth <= 0 || SHeight <= 0)
        return false;
    Blend How;
    How.Kind = BlendKind::Alpha;
    How.Alpha = Alpha;
    return BlitFromDC(DC, X, Y, Width, Height, Source, SX, SY, SWidth, SHeight, How);
}

int SetStretchBltMode(HDC DC, int Mode)
{
    if (!DC || Mode < BLACKONWHITE || Mode > HALFTONE)
        return 0;
    return std::exchange(DC->S.StretchMode, Mode);
}

int GetStretchBltMode(HDC DC)
{
    return DC ? DC->S.StretchMode : 0;
}

int StretchDIBits(HDC DC, int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc,
    int SrcWidth, int SrcHeight, const void* Bits, const BITMAPINFO& Info, UINT Usage, DWORD Rop)
{
    if (!DC || Usage != DIB_RGB_COLORS)
        return 0;
    const std::optional<QImage> Image = DibToImage(Info, Bits, std::nullopt);
    if (!Image || DestWidth == 0 || DestHeight == 0 || SrcWidth == 0 || SrcHeight == 0)
        return 0;
    // A bottom-up DIB counts its source rows from the lower-left corner.
    const int Top = Info.bmiHeader.biHeight > 0 ? Image->height() - YSrc - SrcHeight : YSrc;
    const BlitSource Src {*Image, QRect(XSrc, Top, SrcWidth, SrcHeight), false, 0};
    const unsigned Index = (Rop >> 16) & 0xFF;
    if (!UsesSource(Index)) {
        PatBlt(DC, XDest, YDest, DestWidth, DestHeight, Rop);
        return std::abs(SrcHeight);
    }
    Blend How;
    How.Rop3 = Index;
    const QRect Dest(XDest, YDest, DestWidth, DestHeight);
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.Blit(C, Dest, Src, How); });
    return std::abs(SrcHeight);
}

int SetDIBitsToDevice(HDC DC, int XDest, int YDest, DWORD Width, DWORD Height, int XSrc, int YSrc,
    UINT StartScan, UINT Lines, const void* Bits, const BITMAPINFO& Info, UINT Usage)
{
    if (!DC || Usage != DIB_RGB_COLORS || Lines == 0)
        return 0;
    const int FullHeight = std::abs(Info.bmiHeader.biHeight);
    if (StartScan >= static_cast<UINT>(FullHeight))
        return 0;
    // The bits hold Rows rows from row StartScan on: read them as a DIB of
    // their own.
    const int Rows = static_cast<int>(std::min<UINT>(Lines, static_cast<UINT>(FullHeight) - StartScan));
    const std::optional<QImage> Band = DibToImage(Info, Bits, Rows);
    if (!Band || Width == 0 || Height == 0)
        return 0;
    const int W = static_cast<int>(std::min<DWORD>(Width, static_cast<DWORD>(Band->width())));
    const int H = static_cast<int>(std::min<DWORD>(Height, static_cast<DWORD>(FullHeight)));
    // Rows count from the bottom of a bottom-up DIB and from the top of a
    // top-down one; only the source rows the band holds are drawn.
    const int Start = static_cast<int>(StartScan);
    const int Lo = std::max(YSrc, Start);
    const int Hi = std::min(YSrc + H, Start + Rows);
    if (Lo >= Hi)
        return Rows;
    const bool BottomUp = Info.bmiHeader.biHeight > 0;
    const int BandTop = BottomUp ? Start + Rows - Hi : Lo - Start;
    const int DestTop = BottomUp ? YDest + (YSrc + H - Hi) : YDest + (Lo - YSrc);
    const BlitSource Src {*Band, QRect(XSrc, BandTop, W, Hi - Lo), false, 0};
    const Blend How;
    const QRect Dest(XDest, DestTop, W, Hi - Lo);
    Draw(DC, [&](DcBackend& B, const DrawContext& C) { return B.Blit(C, Dest, Src, How); });
    return Rows;
}

int GetDIBits(HDC /*DC*/, HBITMAP Bitmap, UINT StartScan, UINT Lines, void* Bits, BITMAPINFO& Info,
    UINT /*Usage*/)
{
    GdiObject* B = Bitmap ? AsKind(Bitmap, GdiKind::Bitmap) : nullptr;
    BITMAPINFOHEADER& H = Info.bmiHeader;
    if (!B || (H.biBitCount != 32 && H.biBitCount != 24) || H.biCompression != BI_RGB)
        return 0;
    FlushBitmap(B);
    const QImage& Image = B->Image;
    const int Width = Image.width(), Height = Image.height();
    const bool TopDown = H.biHeight < 0;
    const size_t Stride = (size_t(Width) * H.biBitCount + 31) / 32 * 4;
    H.biWidth = Width;
    H.biHeight = TopDown ? -Height : Height;
    H.biPlanes = 1;
    H.biSizeImage = DWORD(Stride * size_t(Height));
    if (!Bits)
        return Height;
    if (StartScan >= UINT(Height))
        return 0;
    const int Rows = int(std::min<UINT>(Lines, UINT(Height) - StartScan));
    const int Bytes = H.biBitCount / 8;
    for (int R = 0; R < Rows; ++R) {
        // Scan lines count from the bottom of a bottom-up DIB.
        const int Scan = int(StartScan) + R;
        const auto* In = reinterpret_cast<const QRgb*>(Image.constScanLine(TopDown ? Scan : Height - 1 - Scan));
        auto* Out = static_cast<uint8_t*>(Bits) + size_t(R) * Stride;
        for (int X = 0; X < Width; ++X, Out += Bytes) {
            Out[0] = uint8_t(qBlue(In[X]));
            Out[1] = uint8_t(qGreen(In[X]));
            Out[2] = uint8_t(qRed(In[X]));
            if (Bytes == 4)
                Out[3] = 0;
        }
    }
    return Rows;
}

// ---- helpers shared with the backends ------------------------------------------------------

int RoundDevice(double V)
{
    return static_cast<int>(std::floor(V + 0.5));
}

bool AxisAligned(const QTransform& T)
{
    return T.m12() == 0 && T.m21() == 0 && !T.isRotating();
}

QRect MapRect(const QTransform& T, const QRect& R)
{
    if (T.type() <= QTransform::TxTranslate) {
        return R.translated(RoundDevice(T.dx()), RoundDevice(T.dy()));
    }
    const QPointF A = T.map(QPointF(R.left(), R.top()));
    const QPointF B = T.map(QPointF(R.left() + R.width(), R.top() + R.height()));
    if (!AxisAligned(T))
        return T.mapRect(QRectF(R)).toAlignedRect();
    int L = RoundDevice(A.x()), Tp = RoundDevice(A.y());
    int Rt = RoundDevice(B.x()), Bt = RoundDevice(B.y());
    if (Rt < L)
        std::swap(L, Rt);
    if (Bt < Tp)
        std::swap(Tp, Bt);
    return QRect(L, Tp, Rt - L, Bt - Tp);
}

int DevicePenWidth(const DrawContext& C)
{
    const GdiObject& Pen = C.Pen;
    if (Pen.PenWidth <= 0 || (Pen.Geometric == false && Pen.PenWidth <= 1 && C.ToDevice.type() <= QTransform::TxTranslate))
        return 1;
    // A width in logical units: scaled by the transform's mean stretch.
    const double Scale = std::sqrt(std::abs(C.ToDevice.determinant()));
    return std::max(1, RoundDevice(Pen.PenWidth * Scale));
}

QRgb SurfaceRgb(bool Monochrome, COLORREF C)
{
    if (Monochrome) {
        const int Sum = GetRValue(C) + GetGValue(C) + GetBValue(C);
        return Sum >= 384 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    return ToRgb(C);
}

namespace {

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

bool BrushPixel(const DrawContext& C, GdiObject& Brush, int X, int Y, QRgb& Out, bool ForRop, bool Monochrome)
{
    switch (Brush.BrushStyle) {
    case BS_NULL: return false;
    case BS_HATCHED: {
        if (HatchBit(Brush.Hatch, X - C.S.BrushOrg.X, Y - C.S.BrushOrg.Y)) {
            Out = SurfaceRgb(Monochrome, Brush.BrushColor);
            return true;
        }
        if (C.S.BkMode == TRANSPARENT && !ForRop)
            return false;
        Out = SurfaceRgb(Monochrome, C.S.BkColor);
        return true;
    }
    case BS_PATTERN: {
        if (Brush.Pattern.isNull())
            return false;
        const int PX = Mod(X - C.S.BrushOrg.X, Brush.Pattern.width());
        const int PY = Mod(Y - C.S.BrushOrg.Y, Brush.Pattern.height());
        const QRgb P = Brush.Pattern.pixel(PX, PY);
        if (Brush.MonoPattern)
            Out = SurfaceRgb(Monochrome, (P & 0xFFFFFF) ? C.S.BkColor : C.S.TextColor);
        else
            Out = SurfaceRgb(Monochrome, FromRgb(P));
        return true;
    }
    default:
        Out = SurfaceRgb(Monochrome, Brush.BrushColor);
        return true;
    }
}

QBrush MakeQBrush(const DrawContext& C, GdiObject& Brush, const QTransform& PainterTransform, bool Monochrome)
{
    if (Brush.BrushStyle == BS_NULL)
        return Qt::NoBrush;
    if (Brush.BrushStyle == BS_SOLID)
        return QBrush(QColor::fromRgb(SurfaceRgb(Monochrome, Brush.BrushColor)));
    const QSize Size = Brush.BrushStyle == BS_HATCHED ? QSize(8, 8) : Brush.Pattern.size();
    if (Size.isEmpty())
        return Qt::NoBrush;
    QImage Tile(Size, QImage::Format_ARGB32);
    for (int Y = 0; Y < Tile.height(); ++Y)
        for (int X = 0; X < Tile.width(); ++X) {
            QRgb Colour = 0;
            Tile.setPixel(X, Y,
                BrushPixel(C, Brush, X + C.S.BrushOrg.X, Y + C.S.BrushOrg.Y, Colour, false, Monochrome) ? Colour : 0);
        }
    QBrush B(Tile);
    // Patterns are anchored at the device brush origin, whatever the
    // painter's transform.
    B.setTransform(QTransform::fromTranslate(C.S.BrushOrg.X, C.S.BrushOrg.Y) * PainterTransform.inverted());
    return B;
}

QPen MakeQPen(const DrawContext& C, bool Monochrome)
{
    const GdiObject& Pen = C.Pen;
    if (Pen.PenStyle == PS_NULL)
        return Qt::NoPen;
    const int Width = DevicePenWidth(C);
    QPen P(QColor::fromRgb(SurfaceRgb(Monochrome, Pen.PenColor)));
    P.setCosmetic(true);
    P.setWidth(Width);
    if (Pen.Geometric) {
        switch (Pen.EndCap) {
        case PS_ENDCAP_SQUARE: P.setCapStyle(Qt::SquareCap); break;
        case PS_ENDCAP_FLAT: P.setCapStyle(Qt::FlatCap); break;
        default: P.setCapStyle(Qt::RoundCap); break;
        }
        switch (Pen.Join) {
        case PS_JOIN_BEVEL: P.setJoinStyle(Qt::BevelJoin); break;
        case PS_JOIN_MITER: P.setJoinStyle(Qt::MiterJoin); break;
        default: P.setJoinStyle(Qt::RoundJoin); break;
        }
    } else {
        P.setJoinStyle(Qt::MiterJoin);
        P.setCapStyle(Width <= 1 ? Qt::SquareCap : Qt::RoundCap);
    }
    switch (Pen.PenStyle) {
    case PS_DASH: P.setStyle(Qt::DashLine); break;
    case PS_DOT: P.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: P.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: P.setStyle(Qt::DashDotDotLine); break;
    case PS_ALTERNATE: P.setDashPattern({1.0, 1.0}); break;
    case PS_USERSTYLE: {
        // Qt counts dashes in pen widths; user styles are in logical units.
        const double Scale = std::sqrt(std::abs(C.ToDevice.determinant())) / Width;
        QList<qreal> Pattern;
        for (DWORD L : Pen.UserStyle)
            Pattern << std::max(0.1, L * Scale);
        if (Pattern.size() % 2)
            Pattern << Pattern.back();
        if (!Pattern.isEmpty())
            P.setDashPattern(Pattern);
        break;
    }
    default: break;
    }
    return P;
}

QPainterPath ShapePath(ShapeKind Kind, const QRect& R, QSize Corner)
{
    // The outline runs through the centres of the edge pixels.
    const QRectF Box(R.left(), R.top(), R.width() - 1, R.height() - 1);
    QPainterPath Path;
    switch (Kind) {
    case ShapeKind::Rectangle: Path.addRect(Box); break;
    case ShapeKind::Ellipse: Path.addEllipse(Box); break;
    case ShapeKind::RoundRect: Path.addRoundedRect(Box, Corner.width() / 2.0, Corner.height() / 2.0); break;
    }
    return Path;
}
