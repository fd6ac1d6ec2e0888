// The backend of Qt paint devices that keep no pixels of their own for us
// (printers, PDF writers): everything is drawn through one QPainter kept
// open for the DC's life. Such devices cannot combine with what is already
// on them, so raster operations other than copies and the fixed black and
// white fills draw nothing, and mix modes other than copy draw in the pen's
// colour.

#include "platform/winapi/DcBackend.h"

#include "platform/winapi/DeviceContexts.h"
#include "platform/winapi/PdfDevice.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPaintDevice>

#include <algorithm>

namespace {

class PainterBackend final : public DcBackend {
public:
    explicit PainterBackend(QPaintDevice* D) : Device(D) {}
    /// A backend that owns its device (a PDF writer, finished when freed).
    explicit PainterBackend(std::unique_ptr<QPaintDevice> D) : Owned(std::move(D)), Device(Owned.get()) {}
    ~PainterBackend() override { Flush(); }

    // A paged device works the printable area out of its page layout on
    // every question; every drawing call asks. The layout stays for a page.
    QSize Size() const override
    {
        if (!SizeSeen)
            SizeSeen = QSize(Device->width(), Device->height());
        return *SizeSeen;
    }
    QSize Dpi() const override { return QSize(Device->logicalDpiX(), Device->logicalDpiY()); }

    std::optional<PageGeometry> Page() const override
    {
        if (const auto* Pdf = dynamic_cast<const PdfDevice*>(Device))
            return PageGeometry {Pdf->Layout().Physical, Pdf->Layout().Offset};
        const auto* Paged = dynamic_cast<const QPagedPaintDevice*>(Device);
        if (!Paged)
            return std::nullopt;
        const QPageLayout Layout = Paged->pageLayout();
        const int Resolution = Device->logicalDpiX();
        const QRect Full = Layout.fullRectPixels(Resolution);
        const QRect Paint = Layout.paintRectPixels(Resolution);
        return PageGeometry {Full.size(), Paint.topLeft() - Full.topLeft()};
    }

    bool Start() override
    {
        if (Painter)
            return true;
        Painter = std::make_unique<QPainter>();
        if (!Painter->begin(Device)) {
            Painter.reset();
            return false;
        }
        ClipSet.reset();
        return true;
    }

    void Flush() override
    {
        Settle();
        if (Painter && Painter->isActive())
            Painter->end();
        Painter.reset();
        ClipSet.reset();
    }

    QRect PatBlt(const DrawContext& C, const QRect& R, GdiObject& Brush, unsigned Rop3) override
    {
        QBrush Fill;
        switch (Rop3) {
        case 0xF0: Fill = MakeQBrush(C, Brush, C.ToDevice); break;        // PATCOPY
        case 0x00: Fill = QBrush(Qt::black); break;                     // BLACKNESS
        case 0xFF: Fill = QBrush(Qt::white); break;                     // WHITENESS
        default: return {};
        }
        QPainter* P = Open(C, C.ToDevice);
        if (!P || Fill.style() == Qt::NoBrush)
            return {};
        P->fillRect(R, Fill);
        return C.ToDevice.mapRect(R);
    }

    // Lines in one pen, one clip and one transform (a frame's sides, a
    // table's rules) are held back and stroked as one path: a PDF then
    // states the pen once and strokes once.
    QRect Polyline(const DrawContext& C, const QPolygon& Points) override
    {
        const bool Joins = Lines.Pending && Lines.Transform == C.ToDevice && ClipSet && *ClipSet == C.Clip
            && Lines.Pen == MakeQPen(C);
        if (Lines.Pending && !Joins)
            SettleLines();
        if (!Lines.Pending) {
            QPainter* P = Open(C, C.ToDevice);
            if (!P || C.Pen.PenStyle == PS_NULL)
                return {};
            Lines.Pending = true;
            Lines.Transform = C.ToDevice;
            Lines.Pen = MakeQPen(C);
            Lines.Path.clear();
        }
        Lines.Path.addPolygon(QPolygonF(Points));
        return C.ToDevice.mapRect(Points.boundingRect());
    }

    QRect PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons) override
    {
        QPainterPath Path;
        Path.setFillRule(C.S.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        for (const QPolygon& Poly : Polygons) {
            Path.addPolygon(QPolygonF(Poly));
            Path.closeSubpath();
        }
        return PaintPath(C, Path, true, true);
    }

    QRect PolyBezier(const DrawContext& C, const QPolygon& Points) override
    {
        QPainterPath Path(Points[0]);
        for (qsizetype I = 1; I + 2 < Points.size(); I += 3)
            Path.cubicTo(Points[I], Points[I + 1], Points[I + 2]);
        return PaintPath(C, Path, false, true);
    }

    QRect Shape(const DrawContext& C, ShapeKind Kind, const QRect& R, QSize Corner) override
    {
        return PaintPath(C, ShapePath(Kind, R, Corner), true, true);
    }

    QRect Path(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke) override
    {
        return PaintPath(C, Path, Fill, Stroke);
    }

    QRect Text(const DrawContext& C, const TextCall& T) override
    {
        QPainter* P = Open(C, C.ToDevice, /*ForText=*/true);
        if (!P)
            return {};
        if (T.Rect && (T.Options & ETO_CLIPPED) && !T.Text.isEmpty())
            ClipSet.reset();  // the text narrows the clip
        return PaintTextCall(*P, C, T, false, &Batch);
    }

    void Settle() override
    {
        SettleLines();
        if (Painter && Painter->isActive())
            Batch.Settle(*Painter);
        Batch.Runs.clear();
        SizeSeen.reset();
    }

    QRect Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source, const Blend& How) override
    {
        const QRect SR = Source.Rect.normalized();
        const bool MirrorX = (Dest.width() < 0) != (Source.Rect.width() < 0);
        const bool MirrorY = (Dest.height() < 0) != (Source.Rect.height() < 0);
        // Only the part of the source inside the picture is drawn, where it
        // lands in Dest: a metafile may name a source rectangle millions of
        // pixels wide around a small picture.
        const QRect Inside = SR & Source.Image.rect();
        if (Inside.isEmpty())
            return {};
        QRectF Target(Dest.normalized());
        if (Inside != SR) {
            const double SX = Target.width() / SR.width(), SY = Target.height() / SR.height();
            const int Left = MirrorX ? SR.right() - Inside.right() : Inside.left() - SR.left();
            const int Top = MirrorY ? SR.bottom() - Inside.bottom() : Inside.top() - SR.top();
            Target = QRectF(Target.left() + Left * SX, Target.top() + Top * SY, Inside.width() * SX,
                Inside.height() * SY);
        }
        // The whole picture unchanged stays the same image, so a PDF
        // embeds a picture drawn many times once.
        QImage Part = Inside == Source.Image.rect() && !MirrorX && !MirrorY
            ? Source.Image
            : Source.Image.copy(Inside).mirrored(MirrorX, MirrorY);
        if (Source.Monochrome) {
            // 0 bits in the text colour, 1 bits in the background colour.
            const QRgb Text = ToRgb(C.S.TextColor), Back = ToRgb(C.S.BkColor);
            for (int Y = 0; Y < Part.height(); ++Y) {
                auto* Line = reinterpret_cast<QRgb*>(Part.scanLine(Y));
                for (int X = 0; X < Part.width(); ++X)
                    Line[X] = (Line[X] & 0xFFFFFF) ? Back : Text;
            }
        }
        QPainter* P = Open(C, C.ToDevice);
        if (!P)
            return {};
        switch (How.Kind) {
        case BlendKind::Rop:
            if (How.Rop3 != 0xCC)
                return {};  // SRCCOPY only: nothing to combine with
            break;
        case BlendKind::Transparent: {
            const QRgb Key = ToRgb(How.Transparent) & 0xFFFFFFu;
            Part = Part.convertToFormat(QImage::Format_ARGB32);
            for (int Y = 0; Y < Part.height(); ++Y) {
                auto* Line = reinterpret_cast<QRgb*>(Part.scanLine(Y));
                for (int X = 0; X < Part.width(); ++X)
                    if ((Line[X] & 0xFFFFFFu) == Key)
                        Line[X] = 0;
                    else
                        Line[X] |= 0xFF000000u;
            }
            break;
        }
        case BlendKind::Alpha:
            if (How.Alpha.AlphaFormat & AC_SRC_ALPHA)
                Part = Part.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            P->setOpacity(How.Alpha.SourceConstantAlpha / 255.0);
            break;
        }
        const bool Smooth = C.S.StretchMode == HALFTONE;
        P->setRenderHint(QPainter::SmoothPixmapTransform, Smooth);
        P->drawImage(Target, Part);
        P->setOpacity(1);
        return C.ToDevice.mapRect(Dest.normalized());
    }

    COLORREF SetPixel(const DrawContext& C, QPoint Pt, COLORREF Color) override
    {
        QPainter* P = Open(C, QTransform());
        if (!P)
            return CLR_INVALID;
        const QPointF D = C.ToDevice.map(QPointF(Pt));
        P->fillRect(QRect(RoundDevice(D.x()), RoundDevice(D.y()), 1, 1), ToQColor(Color));
        return Color & 0xFFFFFF;
    }

private:
    std::unique_ptr<QPaintDevice> Owned;
    QPaintDevice* Device;
    std::unique_ptr<QPainter> Painter;
    mutable std::optional<QSize> SizeSeen;
    /// The clip (device) last given to the painter; none when unknown.
    std::optional<QRegion> ClipSet;
    /// Text not yet drawn; drawn before anything else draws or the clip or
    /// transform changes.
    GlyphBatch Batch;
    /// Lines not yet stroked (see Polyline); the painter holds their clip
    /// and transform until they are.
    struct LineBatch {
        bool Pending = false;
        QTransform Transform;
        QPen Pen;
        QPainterPath Path;
    } Lines;

    void SettleLines()
    {
        if (!Lines.Pending)
            return;
        Lines.Pending = false;
        if (!Painter || !Painter->isActive())
            return;
        Painter->setPen(Lines.Pen);
        Painter->setBrush(Qt::NoBrush);
        Painter->drawPath(Lines.Path);
        Lines.Path.clear();
    }

    // The painter with the clip and then the transform T. A paged device
    // restates its whole graphics state for every change of clip or
    // transform, so what is already set is not set again; each drawing sets
    // the pen and brush it draws with. Text held back is drawn first unless
    // more text follows in the same clip and transform.
    QPainter* Open(const DrawContext& C, const QTransform& T, bool ForText = false)
    {
        SettleLines();
        if (!Painter) {
            Painter = std::make_unique<QPainter>();
            if (!Painter->begin(Device)) {
                Painter.reset();
                return nullptr;
            }
            ClipSet.reset();
        }
        const bool ClipChanges = !ClipSet || *ClipSet != C.Clip;
        if (!Batch.Empty() && (!ForText || ClipChanges || Painter->transform() != T))
            Batch.Settle(*Painter);
        Painter->setRenderHint(QPainter::Antialiasing, false);
        if (ClipChanges) {
            Painter->resetTransform();
            Painter->setClipRegion(C.Clip);
            ClipSet = C.Clip;
        }
        if (Painter->transform() != T)
            Painter->setTransform(T);
        return Painter.get();
    }

    QRect PaintPath(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke)
    {
        QPainter* P = Open(C, C.ToDevice);
        if (!P)
            return {};
        P->setBrush(Fill ? MakeQBrush(C, C.Brush, C.ToDevice) : QBrush(Qt::NoBrush));
        P->setPen(Stroke && C.Pen.PenStyle != PS_NULL ? MakeQPen(C) : QPen(Qt::NoPen));
        P->drawPath(Path);
        return C.ToDevice.map(Path).boundingRect().toAlignedRect();
    }
};

}  // namespace

std::unique_ptr<DcBackend> MakePainterBackend(QPaintDevice* Device)
{
    return std::make_unique<PainterBackend>(Device);
}

HDC CreatePdfDC(const AnsiString& FileName, const TPdfPage& Page)
{
    if (Page.Dpi < 72 || Page.Dpi > 2400 || Page.MarginLeft < 0 || Page.MarginTop < 0
        || Page.MarginRight < 0 || Page.MarginBottom < 0
        || Page.MarginLeft + Page.MarginRight >= Page.PaperWidth
        || Page.MarginTop + Page.MarginBottom >= Page.PaperHeight)
        return nullptr;
    const QSizeF Paper(Page.PaperWidth / 100.0, Page.PaperHeight / 100.0);
    const QMarginsF Margins(Page.MarginLeft / 100.0, Page.MarginTop / 100.0, Page.MarginRight / 100.0,
        Page.MarginBottom / 100.0);
    const QPageLayout Layout(QPageSize(Paper, QPageSize::Millimeter), QPageLayout::Portrait, Margins,
        QPageLayout::Millimeter);
    auto Writer = std::make_unique<PdfDevice>(ToQString(FileName), PdfLayoutOf(Layout, Page.Dpi));
    return CreateBackendDC(std::make_unique<PainterBackend>(std::move(Writer)));
}
