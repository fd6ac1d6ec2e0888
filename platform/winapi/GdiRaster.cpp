// The raster backend: drawing on a bitmap object's pixels. Fills, lines of
// one pixel, pixels and blits are worked out pixel by pixel so that every
// raster operation and mix mode is exact; wide lines, curves, shapes and
// text are drawn by QPainter without antialiasing (through a coverage mask
// when a mix mode other than copy is in effect).

#include "platform/winapi/DcBackend.h"
#include "platform/winapi/SystemMetrics.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Dash patterns of one-pixel pens, in pixels (on, off, ...).
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
bool DashOn(const GdiObject& Pen, int Step)
{
    if (Pen.PenStyle == PS_ALTERNATE)
        return Step % 2 == 0;
    if (Pen.PenStyle == PS_USERSTYLE && !Pen.UserStyle.empty()) {
        int64_t Period = 0;
        for (DWORD L : Pen.UserStyle)
            Period += L;
        if (Period <= 0)
            return true;
        int64_t Pos = Step % Period;
        for (size_t I = 0; I < Pen.UserStyle.size(); ++I) {
            if (Pos < Pen.UserStyle[I])
                return I % 2 == 0;
            Pos -= Pen.UserStyle[I];
        }
        return true;
    }
    if (Pen.PenStyle <= PS_SOLID || Pen.PenStyle > PS_DASHDOTDOT)
        return true;
    const DashPattern& D = Dashes[Pen.PenStyle];
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

bool PenIsNull(const GdiObject& Pen)
{
    return Pen.PenStyle == PS_NULL;
}

QPoint MapPoint(const QTransform& T, QPoint P)
{
    const QPointF D = T.map(QPointF(P));
    return QPoint(RoundDevice(D.x()), RoundDevice(D.y()));
}

class RasterBackend final : public DcBackend {
public:
    explicit RasterBackend(GdiObject* B) : Bitmap(B) {}
    ~RasterBackend() override { Flush(); }

    QSize Size() const override { return Bitmap->Image.size(); }
    QSize Dpi() const override
    {
        const int Ppi = SystemMetrics::Current().PixelsPerInch;
        return QSize(Ppi, Ppi);
    }
    bool Monochrome() const override { return Bitmap->Monochrome; }

    QImage* Pixels() override
    {
        Flush();
        return &Bitmap->Image;
    }

    void Flush() override
    {
        if (!Painter)
            return;
        Painter->end();
        Painter.reset();
        if (Bitmap->PainterOwner == this)
            Bitmap->PainterOwner = nullptr;
    }

    bool SelectBitmap(GdiObject* B) override
    {
        Flush();
        Bitmap = B;
        return true;
    }

    QRect PatBlt(const DrawContext& C, const QRect& R, GdiObject& Brush, unsigned Rop3) override;
    QRect Polyline(const DrawContext& C, const QPolygon& Points) override;
    QRect PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons) override;
    QRect PolyBezier(const DrawContext& C, const QPolygon& Points) override;
    QRect Shape(const DrawContext& C, ShapeKind Kind, const QRect& R, QSize Corner) override;
    QRect Path(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke) override;
    QRect Text(const DrawContext& C, const TextCall& T) override;
    QRect Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source, const Blend& How) override;
    COLORREF SetPixel(const DrawContext& C, QPoint P, COLORREF Color) override;
    bool Scroll(const QRect& Area, int DX, int DY) override;

private:
    GdiObject* Bitmap;
    std::unique_ptr<QPainter> Painter;

    QImage& Image() { return Bitmap->Image; }
    QRect Surface() const { return QRect(QPoint(0, 0), Bitmap->Image.size()); }
    QPainter* Open(const DrawContext& C, const QTransform& T);
    template <class Fn>
    QRect ForEachPixel(const DrawContext& C, const QRect& DeviceR, Fn&& F);
    /// The fast path of a plain copy at one to one between colour pictures
    /// of the same pixel format: whole rows copied. False (nothing done)
    /// for any other blit.
    template <class Grid>
    bool CopyRows(const DrawContext& C, const QRect& Target, const Grid& G, const BlitSource& Source,
        const Blend& How, bool MonoDest, QRect& Copied);
    QRect FillSolid(const DrawContext& C, const QRect& DeviceR, QRgb Colour);
    QRect FillDevice(const DrawContext& C, const QRect& DeviceR, GdiObject& Brush);
    QRect PlotLine(const DrawContext& C, QPoint A, QPoint B);
    QRect StrokeDevice(const DrawContext& C, const QPolygon& Points, bool Close);
    QRect FillPolygons(const DrawContext& C, const std::vector<QPolygon>& Polygons);
    QRect MixPath(const DrawContext& C, const QPainterPath& Path, const QTransform& T);
    QRect PaintPath(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke);
};

// A QPainter on the pixels with the clip (device) and then the transform T.
QPainter* RasterBackend::Open(const DrawContext& C, const QTransform& T)
{
    if (!Painter) {
        if (Bitmap->PainterOwner && Bitmap->PainterOwner != this)
            Bitmap->PainterOwner->Flush();
        Painter = std::make_unique<QPainter>();
        if (!Painter->begin(&Bitmap->Image)) {
            Painter.reset();
            return nullptr;
        }
        Bitmap->PainterOwner = this;
    }
    Painter->setRenderHint(QPainter::Antialiasing, false);
    Painter->resetTransform();
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (C.Clip.rectCount() == 1 && C.Clip.boundingRect() == Surface())
        Painter->setClipping(false);
    else
        Painter->setClipRegion(C.Clip);
    Painter->setTransform(T);
    return Painter.get();
}

// Calls F(x, y, pixel&) for every pixel of DeviceR inside the clip.
template <class Fn>
QRect RasterBackend::ForEachPixel(const DrawContext& C, const QRect& DeviceR, Fn&& F)
{
    Flush();
    QImage& Img = Image();
    const QRegion Area = C.Clip & (DeviceR & Surface());
    for (const QRect& R : Area) {
        for (int Y = R.top(); Y <= R.bottom(); ++Y) {
            auto* Line = reinterpret_cast<QRgb*>(Img.scanLine(Y));
            for (int X = R.left(); X <= R.right(); ++X)
                F(X, Y, Line[X]);
        }
    }
    return Area.boundingRect();
}

// The fast path of fills: one colour copied over whole rows. With a Qt
// painter still open (text drawn just before), the painter fills instead of
// being closed and reopened, which costs more than the fill.
QRect RasterBackend::FillSolid(const DrawContext& C, const QRect& DeviceR, QRgb Colour)
{
    const QRect Box = DeviceR & Surface();
    if (Box.isEmpty())
        return {};
    if (Painter) {
        QPainter* P = Open(C, QTransform());
        P->setCompositionMode(QPainter::CompositionMode_Source);
        P->fillRect(Box, QColor::fromRgb(Colour));
        return (C.Clip & Box).boundingRect();
    }
    QImage& Img = Image();
    const QRegion Area = C.Clip & Box;
    const qsizetype Stride = Img.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    auto* Bits = reinterpret_cast<QRgb*>(Img.bits());
    for (const QRect& R : Area) {
        QRgb* Row = Bits + R.top() * Stride + R.left();
        for (int Y = R.top(); Y <= R.bottom(); ++Y, Row += Stride)
            std::fill(Row, Row + R.width(), Colour);
    }
    return Area.boundingRect();
}

QRect RasterBackend::FillDevice(const DrawContext& C, const QRect& DeviceR, GdiObject& Brush)
{
    if (DeviceR.isEmpty() || Brush.BrushStyle == BS_NULL)
        return {};
    if (Brush.BrushStyle == BS_SOLID)
        return FillSolid(C, DeviceR, SurfaceRgb(Monochrome(), Brush.BrushColor));
    return ForEachPixel(C, DeviceR, [&](int X, int Y, QRgb& D) {
        QRgb Colour;
        if (BrushPixel(C, Brush, X, Y, Colour, false, Monochrome()))
            D = Colour;
    });
}

QRect RasterBackend::PatBlt(const DrawContext& C, const QRect& R, GdiObject& Brush, unsigned Rop3)
{
    if (!AxisAligned(C.ToDevice)) {
        // A turned rectangle: its outline as a polygon, filled through the
        // coverage mask with the raster operation.
        QPainterPath Outline;
        Outline.addPolygon(QPolygonF(QRectF(R)));
        QImage Mask(Image().size(), QImage::Format_ARGB32);
        Mask.fill(0);
        {
            QPainter M(&Mask);
            M.setTransform(C.ToDevice);
            M.fillPath(Outline, Qt::black);
        }
        const QRect Box = C.ToDevice.map(Outline).boundingRect().toAlignedRect();
        return ForEachPixel(C, Box, [&](int X, int Y, QRgb& D) {
            if (qAlpha(Mask.pixel(X, Y)) == 0)
                return;
            QRgb P = D;
            BrushPixel(C, Brush, X, Y, P, true, Monochrome());
            D = ::Rop3(Rop3, P, 0, D);
        });
    }
    const QRect DeviceR = MapRect(C.ToDevice, R);
    if (Rop3 == 0xF0)
        return FillDevice(C, DeviceR, Brush);
    return ForEachPixel(C, DeviceR, [&](int X, int Y, QRgb& D) {
        QRgb P = 0;
        if (!BrushPixel(C, Brush, X, Y, P, true, Monochrome()))
            P = D;  // a hollow brush leaves the pattern operand as the target
        D = ::Rop3(Rop3, P, 0, D);
    });
}

// A one-pixel line from A to B without B, device pixels, drawn pixel by
// pixel with the pen's dashes and mix mode.
QRect RasterBackend::PlotLine(const DrawContext& C, QPoint A, QPoint B)
{
    Flush();
    QImage& Img = Image();
    const QRect Bounds = Surface();
    const QRgb PenRgb = SurfaceRgb(Monochrome(), C.Pen.PenColor);
    const QRgb BkRgb = SurfaceRgb(Monochrome(), C.S.BkColor);
    int Step = 0;
    // A line far longer than any surface (from a damaged picture, say) is
    // first cut to the part near the surface, so that it is not walked
    // pixel by pixel across millions of pixels; its dashes keep their
    // phase.
    const int64_t Span = std::max(std::abs(int64_t(B.x()) - A.x()), std::abs(int64_t(B.y()) - A.y()));
    if (Span > 65536) {
        const QRectF Near = QRectF(Bounds).adjusted(-2, -2, 2, 2);
        double T0 = 0, T1 = 1;
        const double PX = A.x(), PY = A.y(), VX = double(B.x()) - A.x(), VY = double(B.y()) - A.y();
        const auto Cut = [&](double P, double Q) {
            if (P == 0)
                return Q >= 0;
            const double R = Q / P;
            if (P < 0)
                T0 = std::max(T0, R);
            else
                T1 = std::min(T1, R);
            return T0 <= T1;
        };
        if (!Cut(-VX, PX - Near.left()) || !Cut(VX, Near.right() - PX) || !Cut(-VY, PY - Near.top())
            || !Cut(VY, Near.bottom() - PY))
            return {};
        const QPoint From(RoundDevice(PX + T0 * VX), RoundDevice(PY + T0 * VY));
        const QPoint To(RoundDevice(PX + T1 * VX), RoundDevice(PY + T1 * VY));
        Step = static_cast<int>(std::max(std::abs(int64_t(From.x()) - A.x()), std::abs(int64_t(From.y()) - A.y())));
        A = From;
        // The last pixel is left out; keep the cut end's pixel unless it is B.
        B = T1 < 1 ? To + QPoint(VX > 0 ? 1 : VX < 0 ? -1 : 0, VY > 0 ? 1 : VY < 0 ? -1 : 0) : B;
    }
    int X0 = A.x(), Y0 = A.y();
    const int X1 = B.x(), Y1 = B.y();
    const int DX = std::abs(X1 - X0);
    const int DY = -std::abs(Y1 - Y0);
    const int SX = X0 < X1 ? 1 : -1;
    const int SY = Y0 < Y1 ? 1 : -1;
    int Err = DX + DY;
    QRect Touched;
    // The part of the clip along the line, tested point by point: a clip
    // of many rectangles is searched rectangle by rectangle for every point.
    const QRect Box = QRect(A, B).normalized() & Bounds;
    const QRegion Clip = C.Clip.rectCount() > 1 ? C.Clip & Box : C.Clip;
    const bool ClipIsRect = Clip.rectCount() <= 1;
    const QRect ClipRect = Clip.boundingRect();
    while (X0 != X1 || Y0 != Y1) {
        const bool On = DashOn(C.Pen, Step);
        const QPoint P(X0, Y0);
        if ((On || C.S.BkMode == OPAQUE) && Bounds.contains(P)
            && (ClipIsRect ? ClipRect.contains(P) : Clip.contains(P))) {
            QRgb& D = reinterpret_cast<QRgb*>(Img.scanLine(Y0))[X0];
            D = Rop2(C.S.Rop2, On ? PenRgb : BkRgb, D);
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
    return Touched;
}

// Draws a path with a mix mode other than copy: rasterises its outline into
// a coverage mask, then mixes the pen colour into every covered pixel.
QRect RasterBackend::MixPath(const DrawContext& C, const QPainterPath& Path, const QTransform& T)
{
    Flush();
    QImage Mask(Image().size(), QImage::Format_ARGB32);
    Mask.fill(0);
    QPen Pen = MakeQPen(C, Monochrome());
    {
        QPainter M(&Mask);
        M.setRenderHint(QPainter::Antialiasing, false);
        M.setTransform(T);
        Pen.setColor(Qt::black);
        M.setPen(Pen);
        M.setBrush(Qt::NoBrush);
        M.drawPath(Path);
    }
    const int W = static_cast<int>(Pen.widthF()) + 1;
    const QRect Box = T.map(Path).boundingRect().toAlignedRect().adjusted(-W, -W, W + 1, W + 1);
    const QRgb Colour = SurfaceRgb(Monochrome(), C.Pen.PenColor);
    return ForEachPixel(C, Box, [&](int X, int Y, QRgb& D) {
        if (qAlpha(Mask.pixel(X, Y)) != 0)
            D = Rop2(C.S.Rop2, Colour, D);
    });
}

// Connected lines through device points: one-pixel pens pixel by pixel,
// wider ones by QPainter.
QRect RasterBackend::StrokeDevice(const DrawContext& C, const QPolygon& Points, bool Close)
{
    if (PenIsNull(C.Pen) || Points.size() < 2)
        return {};
    QRect Touched;
    if (DevicePenWidth(C) <= 1) {
        for (qsizetype I = 0; I + 1 < Points.size(); ++I)
            Touched |= PlotLine(C, Points[I], Points[I + 1]);
        if (Close)
            Touched |= PlotLine(C, Points.back(), Points.front());
        return Touched;
    }
    QPainterPath Path;
    Path.addPolygon(QPolygonF(Points));
    if (Close)
        Path.closeSubpath();
    if (C.S.Rop2 != R2_COPYPEN)
        return MixPath(C, Path, QTransform());
    QPainter* P = Open(C, QTransform());
    if (!P)
        return {};
    const QPen Pen = MakeQPen(C, Monochrome());
    P->setPen(Pen);
    P->setBrush(Qt::NoBrush);
    P->drawPath(Path);
    const int W = Pen.width() + 1;
    return Path.boundingRect().toAlignedRect().adjusted(-W, -W, W, W);
}

QRect RasterBackend::Polyline(const DrawContext& C, const QPolygon& Points)
{
    QPolygon Device;
    Device.reserve(Points.size());
    for (const QPoint& P : Points)
        Device << MapPoint(C.ToDevice, P);
    return StrokeDevice(C, Device, false);
}

QRect RasterBackend::FillPolygons(const DrawContext& C, const std::vector<QPolygon>& Polygons)
{
    if (C.Brush.BrushStyle == BS_NULL)
        return {};
    QPainterPath Path;
    Path.setFillRule(C.S.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    for (const QPolygon& Poly : Polygons) {
        Path.addPolygon(QPolygonF(Poly));
        Path.closeSubpath();
    }
    QPainter* P = Open(C, C.ToDevice);
    if (!P)
        return {};
    P->setPen(Qt::NoPen);
    P->setBrush(MakeQBrush(C, C.Brush, C.ToDevice, Monochrome()));
    P->drawPath(Path);
    return C.ToDevice.map(Path).boundingRect().toAlignedRect();
}

QRect RasterBackend::PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons)
{
    QRect Touched = FillPolygons(C, Polygons);
    for (const QPolygon& Poly : Polygons) {
        QPolygon Device;
        for (const QPoint& P : Poly)
            Device << MapPoint(C.ToDevice, P);
        Touched |= StrokeDevice(C, Device, true);
    }
    return Touched;
}

// A path filled and outlined by QPainter in logical units (the mask when
// a mix mode is in effect for the outline).
QRect RasterBackend::PaintPath(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke)
{
    QRect Touched;
    const QRect Box = C.ToDevice.map(Path).boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
    if (Fill && C.Brush.BrushStyle != BS_NULL) {
        if (QPainter* P = Open(C, C.ToDevice)) {
            P->setPen(Qt::NoPen);
            P->setBrush(MakeQBrush(C, C.Brush, C.ToDevice, Monochrome()));
            P->drawPath(Path);
            Touched |= Box;
        }
    }
    if (!Stroke || PenIsNull(C.Pen))
        return Touched;
    if (C.S.Rop2 != R2_COPYPEN)
        return Touched | MixPath(C, Path, C.ToDevice);
    if (QPainter* P = Open(C, C.ToDevice)) {
        const QPen Pen = MakeQPen(C, Monochrome());
        P->setPen(Pen);
        P->setBrush(Qt::NoBrush);
        P->drawPath(Path);
        const int W = Pen.width();
        Touched |= Box.adjusted(-W, -W, W, W);
    }
    return Touched;
}

QRect RasterBackend::PolyBezier(const DrawContext& C, const QPolygon& Points)
{
    QPainterPath Path(Points[0]);
    for (qsizetype I = 1; I + 2 < Points.size(); I += 3)
        Path.cubicTo(Points[I], Points[I + 1], Points[I + 2]);
    return PaintPath(C, Path, false, true);
}

QRect RasterBackend::Path(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke)
{
    return PaintPath(C, Path, Fill, Stroke);
}

QRect RasterBackend::Shape(const DrawContext& C, ShapeKind Kind, const QRect& R, QSize Corner)
{
    if (Kind != ShapeKind::Rectangle || !AxisAligned(C.ToDevice))
        return PaintPath(C, ShapePath(Kind, R, Corner), true, true);
    // A rectangle on the pixel grid: the interior is what lies inside the
    // one-pixel outline.
    const QRect D = MapRect(C.ToDevice, R);
    const bool NoPen = PenIsNull(C.Pen);
    const int Inset = NoPen ? 0 : 1;
    QRect Touched = FillDevice(C, D.adjusted(Inset, Inset, -Inset, -Inset), C.Brush);
    if (NoPen || D.width() < 1 || D.height() < 1)
        return Touched;
    const int L = D.left(), T = D.top(), Rt = D.right(), B = D.bottom();
    if (D.width() == 1 || D.height() == 1) {
        // A one-pixel-thin rectangle is one line along its length.
        const QPolygon Line({QPoint(L, T), D.width() == 1 ? QPoint(L, B + 1) : QPoint(Rt + 1, T)});
        return Touched | StrokeDevice(C, Line, false);
    }
    const QPolygon Corners({QPoint(L, T), QPoint(Rt, T), QPoint(Rt, B), QPoint(L, B)});
    return Touched | StrokeDevice(C, Corners, true);
}

QRect RasterBackend::Text(const DrawContext& C, const TextCall& T)
{
    QPainter* P = Open(C, QTransform());
    if (!P)
        return {};
    return PaintTextCall(*P, C, T, Monochrome());
}

// Source pixels as the target sees them: monochrome sources take the
// target's text (0) and background (1) colours; colour sources drawn into a
// monochrome target become white where they equal the source's background.
QRgb SourcePixel(const DrawContext& C, bool MonoDest, const BlitSource& Source, QRgb S)
{
    if (Source.Monochrome && !MonoDest)
        return (S & 0xFFFFFF) ? SurfaceRgb(false, C.S.BkColor) : SurfaceRgb(false, C.S.TextColor);
    if (!Source.Monochrome && MonoDest)
        return FromRgb(S) == (Source.BkColor & 0xFFFFFF) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    return S;
}

bool UsesPattern(unsigned Index)
{
    return ((Index >> 4) & 0x0F) != (Index & 0x0F);
}

// Source over target with a constant alpha, and the source's own
// (premultiplied) alpha as well with AC_SRC_ALPHA.
QRgb AlphaMix(QRgb S, QRgb D, const BLENDFUNCTION& Alpha)
{
    const int CA = Alpha.SourceConstantAlpha;
    if (!(Alpha.AlphaFormat & AC_SRC_ALPHA))
        return qRgb((qRed(S) * CA + qRed(D) * (255 - CA)) / 255, (qGreen(S) * CA + qGreen(D) * (255 - CA)) / 255,
            (qBlue(S) * CA + qBlue(D) * (255 - CA)) / 255);
    const int SA = qAlpha(S) * CA / 255;
    const auto Mix = [&](int SC, int DC) { return std::clamp(SC * CA / 255 + DC * (255 - SA) / 255, 0, 255); };
    return qRgb(Mix(qRed(S), qRed(D)), Mix(qGreen(S), qGreen(D)), Mix(qBlue(S), qBlue(D)));
}

// Which source pixel each pixel of a blit's target rectangle reads: the
// nearest one, or one of the source shrunk by averaging (HALFTONE).
struct SourceGrid {
    const QImage* From = nullptr;
    QImage Smooth;
    QPoint Origin;
    QSize Extent;
    QSize Target;
    bool FlipX = false;
    bool FlipY = false;

    SourceGrid(const DrawContext& C, const BlitSource& Source, const Blend& How, QSize TargetSize, bool FX, bool FY)
        : From(&Source.Image), Target(TargetSize), FlipX(FX), FlipY(FY)
    {
        const QRect& SR = Source.Rect;
        Origin = QPoint(std::min(SR.left(), SR.left() + SR.width()), std::min(SR.top(), SR.top() + SR.height()));
        Extent = QSize(std::abs(SR.width()), std::abs(SR.height()));
        const bool Shrinks = Extent.width() > Target.width() || Extent.height() > Target.height();
        if (C.S.StretchMode == HALFTONE && How.Kind == BlendKind::Rop && How.Rop3 == 0xCC && Shrinks
            && !Source.Monochrome) {
            Smooth = Source.Image.copy(QRect(Origin, Extent))
                         .scaled(Target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            From = &Smooth;
            Origin = QPoint(0, 0);
            Extent = Target;
        }
    }

    /// The source point of target pixel (TX, TY), counted from the target's
    /// top-left corner.
    QPoint At(int TX, int TY) const
    {
        if (FlipX)
            TX = Target.width() - 1 - TX;
        if (FlipY)
            TY = Target.height() - 1 - TY;
        return Origin + QPoint(static_cast<int>(static_cast<int64_t>(TX) * Extent.width() / Target.width()),
                            static_cast<int>(static_cast<int64_t>(TY) * Extent.height() / Target.height()));
    }
};

template <class Grid>
bool RasterBackend::CopyRows(const DrawContext& C, const QRect& Target, const Grid& G, const BlitSource& Source,
    const Blend& How, bool MonoDest, QRect& Copied)
{
    if (How.Kind != BlendKind::Rop || How.Rop3 != 0xCC || MonoDest || Source.Monochrome)
        return false;
    if (G.FlipX || G.FlipY || G.Extent != Target.size() || G.From != &Source.Image)
        return false;
    const QImage& From = *G.From;
    if (!From.rect().contains(QRect(G.Origin, G.Extent)))
        return false;
    Flush();
    QImage& Img = Image();
    if (From.format() != Img.format() || Img.depth() != 32 || &From == &Img)
        return false;
    const QRegion Area = C.Clip & (Target & Surface());
    for (const QRect& R : Area) {
        for (int Y = R.top(); Y <= R.bottom(); ++Y) {
            auto* To = reinterpret_cast<QRgb*>(Img.scanLine(Y)) + R.left();
            const int SY = G.Origin.y() + (Y - Target.top());
            const auto* Row = reinterpret_cast<const QRgb*>(From.constScanLine(SY));
            const QRgb* Src = Row + G.Origin.x() + (R.left() - Target.left());
            std::copy(Src, Src + R.width(), To);
        }
    }
    Copied = Area.boundingRect();
    return true;
}

QRect RasterBackend::Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source, const Blend& How)
{
    const QRect& SR = Source.Rect;
    if (Dest.width() == 0 || Dest.height() == 0 || SR.width() == 0 || SR.height() == 0)
        return {};
    if (!AxisAligned(C.ToDevice)) {
        // Turned by the world transform: QPainter places the picture.
        QPainter* P = Open(C, C.ToDevice);
        if (!P)
            return {};
        P->drawImage(QRectF(Dest.normalized()), Source.Image.copy(SR.normalized())
            .mirrored((Dest.width() < 0) != (SR.width() < 0), (Dest.height() < 0) != (SR.height() < 0)));
        return C.ToDevice.mapRect(QRectF(Dest.normalized())).toAlignedRect();
    }
    // The destination corners on the device; a blit mirrors where the signs
    // of the device and source extents differ.
    const QPointF P0 = C.ToDevice.map(QPointF(Dest.left(), Dest.top()));
    const QPointF P1 = C.ToDevice.map(QPointF(Dest.left() + Dest.width(), Dest.top() + Dest.height()));
    const int X0 = RoundDevice(P0.x()), Y0 = RoundDevice(P0.y());
    const int X1 = RoundDevice(P1.x()), Y1 = RoundDevice(P1.y());
    const QRect Target(QPoint(std::min(X0, X1), std::min(Y0, Y1)), QPoint(std::max(X0, X1) - 1, std::max(Y0, Y1) - 1));
    if (Target.isEmpty())
        return {};
    const SourceGrid Grid(C, Source, How, Target.size(), (X1 < X0) != (SR.width() < 0), (Y1 < Y0) != (SR.height() < 0));
    const QImage& From = *Grid.From;
    const bool MonoDest = Monochrome();
    if (QRect Copied; CopyRows(C, Target, Grid, Source, How, MonoDest, Copied))
        return Copied;
    const bool Pattern = How.Kind == BlendKind::Rop && UsesPattern(How.Rop3);
    const QRgb Key = ToRgb(How.Transparent) & 0xFFFFFFu;
    return ForEachPixel(C, Target, [&](int PX, int PY, QRgb& D) {
        const QPoint S = Grid.At(PX - Target.left(), PY - Target.top());
        // Pixels outside the source read as black, as the system does.
        const bool Inside = From.rect().contains(S);
        const QRgb Raw = Inside ? From.pixel(S) : qRgb(0, 0, 0);
        switch (How.Kind) {
        case BlendKind::Rop: {
            QRgb P = 0;
            if (Pattern && !BrushPixel(C, C.Brush, PX, PY, P, true, MonoDest))
                P = 0;
            D = ::Rop3(How.Rop3, P, SourcePixel(C, MonoDest, Source, Raw), D);
            return;
        }
        case BlendKind::Transparent:
            if (Inside && (Raw & 0xFFFFFFu) != Key)
                D = SourcePixel(C, MonoDest, Source, Raw) | 0xFF000000u;
            return;
        case BlendKind::Alpha:
            if (Inside)
                D = AlphaMix(Raw, D, How.Alpha);
            return;
        }
    });
}

COLORREF RasterBackend::SetPixel(const DrawContext& C, QPoint P, COLORREF Color)
{
    const QPoint D = MapPoint(C.ToDevice, P);
    if (!Surface().contains(D) || !C.Clip.contains(D))
        return CLR_INVALID;
    Flush();
    const QRgb Colour = SurfaceRgb(Monochrome(), Color);
    reinterpret_cast<QRgb*>(Image().scanLine(D.y()))[D.x()] = Colour;
    return FromRgb(Colour);
}

bool RasterBackend::Scroll(const QRect& Area, int DX, int DY)
{
    Flush();
    QImage& Img = Image();
    const QImage Copy = Img.copy(Area);
    const QRect Moved = Area.translated(DX, DY) & Area;
    for (int Y = Moved.top(); Y <= Moved.bottom(); ++Y) {
        auto* Line = reinterpret_cast<QRgb*>(Img.scanLine(Y));
        for (int X = Moved.left(); X <= Moved.right(); ++X)
            Line[X] = Copy.pixel(X - DX - Area.left(), Y - DY - Area.top());
    }
    return true;
}

}  // namespace

std::unique_ptr<DcBackend> MakeRasterBackend(GdiObject* Bitmap)
{
    return std::make_unique<RasterBackend>(Bitmap);
}
