#pragma once

// Inside of the metafile layer (platform/winapi and platform/forms only): the backend that writes
// EMF records, for metafile canvases and for devices that keep their pages
// as metafiles.

#include "platform/winapi/DcBackend.h"

#include <memory>
#include <optional>
#include <string>

class EmfBackend : public DcBackend {
public:
    /// Records drawing on a surface of Size device pixels at Dpi dots per
    /// inch (the header's reference device: Dpi * 20 pixels in 508 mm);
    /// Paper, when given, is reported as the page around it.
    EmfBackend(QSize Size, int Dpi, std::optional<PageGeometry> Paper = std::nullopt);
    ~EmfBackend() override;

    /// Ends the recording: the whole metafile, its frame FrameWidth x
    /// FrameHeight (0.01 mm; from the surface size when 0). The backend
    /// starts a new, empty recording afterwards.
    std::string Finish(int FrameWidth, int FrameHeight);

    QSize Size() const override { return FSize; }
    QSize Dpi() const override { return QSize(FDpi, FDpi); }
    std::optional<PageGeometry> Page() const override { return FPaper; }

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
    struct Impl;
    std::unique_ptr<Impl> D;
    QSize FSize;
    int FDpi;
    std::optional<PageGeometry> FPaper;
};

/// The recording backend of DC; null when DC does not record a metafile.
EmfBackend* EmfBackendOf(HDC DC);
