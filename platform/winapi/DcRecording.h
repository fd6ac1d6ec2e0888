#pragma once

// A backend that keeps every drawing call with a copy of the state it was
// made in, and plays the calls back onto another backend. It shows what a
// device context hands its backend (tests compare a recorded drawing played
// onto pixels with the same drawing made on pixels directly) and is the
// pattern a metafile writer follows.

#include "platform/winapi/DcBackend.h"

#include <memory>
#include <vector>

enum class DcOp { PatBlt, Polyline, PolyPolygon, PolyBezier, Shape, Path, Text, Blit, SetPixel };

/// One drawing call: the state (with copies of the objects, so it outlives
/// them) and the call's own arguments; only those of its DcOp are set.
struct DcRecord {
    DcOp Op = DcOp::PatBlt;
    /// The DC's state; its object handles are cleared (see the copies).
    DcState S;
    std::shared_ptr<GdiObject> Font;
    std::shared_ptr<GdiObject> Pen;
    std::shared_ptr<GdiObject> Brush;
    QTransform ToDevice;
    QRegion Clip;

    QRect Rect;
    /// PatBlt's brush (not always the selected one).
    std::shared_ptr<GdiObject> PatBrush;
    unsigned Rop3 = 0;
    std::vector<QPolygon> Polygons;
    ShapeKind Shape = ShapeKind::Rectangle;
    QSize Corner;
    QPainterPath PathData;
    bool Fill = false;
    bool Stroke = false;
    TextCall Text;
    /// The text's width in logical units as measured when it was drawn.
    int TextWidth = 0;
    QImage Image;
    QRect SourceRect;
    bool SourceMonochrome = false;
    COLORREF SourceBkColor = 0;
    Blend How;
    QPoint Point;
    COLORREF Color = 0;
};

class RecordingBackend final : public DcBackend {
public:
    /// A surface of Size device pixels at Dpi dots per inch.
    explicit RecordingBackend(QSize Size, QSize Dpi = QSize(96, 96)) : FSize(Size), FDpi(Dpi) {}

    const std::vector<DcRecord>& Records() const { return FRecords; }
    /// Makes every call again, in order, on Target, drawing only within
    /// TargetClip (device pixels) as well as each call's own clip.
    void Replay(DcBackend& Target, const QRegion& TargetClip) const;

    QSize Size() const override { return FSize; }
    QSize Dpi() const override { return FDpi; }

    QRect PatBlt(const DrawContext& C, const QRect& R, GdiObject& Brush, unsigned Rop3) override;
    QRect Polyline(const DrawContext& C, const QPolygon& Points) override;
    QRect PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons) override;
    QRect PolyBezier(const DrawContext& C, const QPolygon& Points) override;
    QRect Shape(const DrawContext& C, ShapeKind Kind, const QRect& R, QSize Corner) override;
    QRect Path(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke) override;
    QRect Text(const DrawContext& C, const TextCall& T) override;
    QRect Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source, const Blend& How) override;
    COLORREF SetPixel(const DrawContext& C, QPoint P, COLORREF Color) override;

private:
    QSize FSize;
    QSize FDpi;
    std::vector<DcRecord> FRecords;

    DcRecord& Add(DcOp Op, const DrawContext& C);
};
