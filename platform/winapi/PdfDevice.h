#pragma once

// The program's own PDF writer: a Qt paint device whose engine writes a PDF
// file as QPainter draws on it. Prints into files and CreatePdfDC go
// through it in place of Qt's writer, which is much slower on text (an
// object per glyph, a Unicode map walked over every code of each font).
//
// Geometry is written in device pixels (the printable area's top-left is
// the origin, y down) under one page transform. Text arrives either as
// glyph runs handed straight to the engine (PdfDrawGlyphs; the text layer
// does so whenever a painter's engine is a PDF engine) or as text items
// QPainter shaped itself; either way each run becomes one text object in a
// Type0 font whose glyph ids are its character codes, each face embedded
// once per file as a TrueType subset with a Unicode map of the glyphs used.
// Solid fills and strokes, clips, images (written once however often they
// are drawn; alpha as a soft mask) and constant opacity are native; other
// brushes and pens are drawn into images by QPainter at the page's
// resolution and reach the engine as such.
//
// The file is made when a painter first begins on the device and written
// as pages close, so memory stays flat over long jobs. Only the GUI thread
// uses a device.

#include <QPaintDevice>
#include <QPoint>
#include <QSize>
#include <QString>

#include <memory>

class PdfEngine;
class QColor;
class QPageLayout;
class QPainter;
class QPointF;
class QRawFont;
template <typename T> class QList;

/// The paper of a PDF file, in device pixels at Dpi.
struct PdfPageLayout {
    QSize Physical;
    QPoint Offset;
    /// The printable area (the paint device's size).
    QSize Printable;
    int Dpi = 600;
    /// The paper in points, as the file states it (whole points, like the
    /// named paper sizes).
    QSize PaperPoints;
};

/// The paper of Layout at Dpi, rounded as Qt's own paged devices round it.
PdfPageLayout PdfLayoutOf(const QPageLayout& Layout, int Dpi);

class PdfDevice final : public QPaintDevice {
public:
    /// A file to be made at File (nothing is written until a painter
    /// begins on the device).
    PdfDevice(const QString& File, const PdfPageLayout& Layout);
    /// Finishes the file when pages were begun and it was neither finished
    /// nor discarded.
    ~PdfDevice() override;
    PdfDevice(const PdfDevice&) = delete;
    PdfDevice& operator=(const PdfDevice&) = delete;

    QPaintEngine* paintEngine() const override;

    const PdfPageLayout& Layout() const { return FLayout; }
    const QString& FileName() const { return FFile; }
    /// The document title written into the file's information.
    void SetTitle(const QString& Title);
    /// Closes the page and opens the next; false once writing has failed
    /// (or before the file was made).
    [[nodiscard]] bool NewPage();
    /// Closes the last page and completes the file; false when the file
    /// could not be made or written whole (a full disk), the file then
    /// removed. The painter must have ended. Once only; later calls give
    /// the first result.
    [[nodiscard]] bool Finish();
    /// Drops the job: closes and removes the file.
    void Discard();

protected:
    int metric(PaintDeviceMetric M) const override;

private:
    QString FFile;
    PdfPageLayout FLayout;
    std::unique_ptr<PdfEngine> FEngine;
};

/// The PDF engine P draws on; null when P's device is not a PdfDevice.
PdfEngine* PdfEngineOf(QPainter& P);

/// Draws glyphs of Font (ids in Font, positions relative to Origin, both
/// in the painter's current coordinates) in Color through Engine (of
/// PdfEngineOf), in its painter's current transform and clip.
void PdfDrawGlyphs(PdfEngine& Engine, const QRawFont& Font, const QList<quint32>& Glyphs,
    const QList<QPointF>& Positions, const QPointF& Origin, const QColor& Color);
