#pragma once

// The surfaces behind device contexts. A DeviceContext keeps the state
// (objects, colours, modes, mapping, clip) and turns every drawing call into
// one call of its backend: geometry in logical units as the program gave it,
// with a DrawContext that carries the state of that moment, the transform
// from logical units to device pixels and the clip in device pixels.
//
// Backends: RasterBackend draws on a bitmap's pixels with the exact raster
// operations; PainterBackend on any Qt paint device (printers, PDF writers:
// copy modes only, since those devices have no pixels to combine with); a
// recorder keeps the calls. A metafile writer is a recorder: it receives
// the whole state with each call, so it writes the records for what changed
// since its last call (objects compared by value, not by handle, since a
// handle may be freed and reused between calls) and then the drawing
// record. State that draws nothing (SelectObject, SetMapMode, SaveDC)
// never reaches a backend on its own.
//
// Calls arrive in a few shapes: FillRect, FrameRect, InvertRect,
// DrawFocusRect and PatBlt as PatBlt (with the brush they fill with, which
// need not be the selected one); LineTo as a two-point Polyline; Polygon as
// a one-polygon PolyPolygon; Rectangle, Ellipse and RoundRect as Shape; a
// path bracket as one Path call when it is filled or stroked; ExtTextOut,
// TextOut and every line of DrawText as Text (DrawText's lines clipped to
// their rectangle, the underline of a prefixed character as a PatBlt);
// BitBlt, StretchBlt, StretchDIBits, SetDIBitsToDevice, TransparentBlt and
// AlphaBlend as Blit with the source pixels. Coordinates are as the program
// gave them; the transform maps them, and a recorder may keep them with
// the mapping (a metafile page in 0.01 mm) or map them itself.

#include "platform/winapi/GdiPrivate.h"

#include <QColor>
#include <QPolygon>
#include <QRawFont>

#include <memory>
#include <vector>

/// What a backend sees of its DC for one call. The objects are never null
/// (a DC always holds a font, pen and brush); the references live for the
/// call only, so a recorder copies what it keeps.
struct DrawContext {
    const DcState& S;
    GdiObject& Font;
    GdiObject& Pen;
    GdiObject& Brush;
    /// Logical units to device pixels.
    QTransform ToDevice;
    /// Where drawing may land, device pixels (the whole surface when
    /// neither the system nor the program has set a clip).
    QRegion Clip;
};

enum class ShapeKind { Rectangle, Ellipse, RoundRect };

/// An ExtTextOut call after the current position is resolved: reference
/// point, options, optional rectangle and advances (empty: the font's own).
struct TextCall {
    QPoint Ref;
    UINT Options = 0;
    std::optional<QRect> Rect;
    QString Text;
    std::vector<int> Dx;
};

/// A source picture for the blits: the pixels (RGB32; alpha read only by
/// AlphaBlend) and how the target is to read them.
struct BlitSource {
    const QImage& Image;
    /// Source rectangle in Image's pixels; a negative width or height
    /// mirrors the picture.
    QRect Rect;
    /// A monochrome source paints its 0 bits in the target's text colour and
    /// its 1 bits in the target's background colour.
    bool Monochrome = false;
    /// A colour source drawn onto a monochrome target is 1 where it equals
    /// this colour (the source DC's background colour).
    COLORREF BkColor = RGB(255, 255, 255);
};

enum class BlendKind { Rop, Transparent, Alpha };

/// How a blit combines the source with the target.
struct Blend {
    BlendKind Kind = BlendKind::Rop;
    /// The raster operation's index byte (BlendKind::Rop).
    unsigned Rop3 = 0xCC;
    /// Source pixels of this colour are left out (BlendKind::Transparent).
    COLORREF Transparent = 0;
    BLENDFUNCTION Alpha;
};

/// The paper of a printer in device pixels: its size, and where the
/// printable area (the surface) starts on it.
struct PageGeometry {
    QSize Physical;
    QPoint Offset;
};

/// Glyphs of one raw font gathered into one run.
struct GlyphRunParts {
    QRawFont Font;
    QList<quint32> Glyphs;
    QList<QPointF> Positions;
};

/// Text held back to be drawn together: the glyphs of consecutive text
/// calls under one painter transform and in one colour, as one run per
/// font in the order drawn. A device that writes every text as an object of
/// its own (a PDF) writes far fewer.
struct GlyphBatch {
    /// The painter transform the positions are in.
    QTransform Transform;
    QColor Color;
    std::vector<GlyphRunParts> Runs;

    bool Empty() const { return Runs.empty(); }
    /// Draws what the batch holds with P and empties it; P keeps its
    /// transform.
    void Settle(QPainter& P);
};

class DcBackend {
public:
    virtual ~DcBackend() = default;

    // ---- the surface

    /// Size in device pixels (on a printer: the printable area).
    virtual QSize Size() const = 0;
    /// Dots per inch across and down.
    virtual QSize Dpi() const { return QSize(96, 96); }
    virtual bool Monochrome() const { return false; }
    /// The paper around the printable area; none for other surfaces.
    virtual std::optional<PageGeometry> Page() const { return std::nullopt; }
    /// The pixels, for surfaces that have them (the source of blits,
    /// GetPixel); Qt painting on them is closed first. Null otherwise.
    virtual QImage* Pixels() { return nullptr; }
    /// Closes any Qt painting still open on the surface.
    virtual void Flush() {}
    /// Opens the surface for drawing now rather than at the first call (a
    /// print job starts its first page); false when the device refuses.
    virtual bool Start() { return true; }
    /// Draws anything held back (before the device turns a page).
    virtual void Settle() {}
    /// A memory DC's new bitmap; false for surfaces that have none.
    virtual bool SelectBitmap(GdiObject* /*Bitmap*/) { return false; }

    // ---- drawing; each returns the device rectangle it may have changed
    // (empty when nothing reached the surface).

    /// The rectangle combined with Brush (a hollow brush leaves the pattern
    /// operand as the target) by the raster operation's index byte.
    virtual QRect PatBlt(const DrawContext& C, const QRect& R, GdiObject& Brush, unsigned Rop3) = 0;
    /// Connected lines in the pen, the last point left out.
    virtual QRect Polyline(const DrawContext& C, const QPolygon& Points) = 0;
    /// Closed outlines filled with the brush as one shape by the fill mode.
    virtual QRect PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons) = 0;
    /// Cubic Bézier curves in the pen (start point, then 3 points a curve).
    virtual QRect PolyBezier(const DrawContext& C, const QPolygon& Points) = 0;
    /// A rectangle, ellipse or rounded rectangle bounded by R (right and
    /// bottom outside), outlined in the pen and filled with the brush;
    /// Corner is RoundRect's ellipse size.
    virtual QRect Shape(const DrawContext& C, ShapeKind Kind, const QRect& R, QSize Corner) = 0;
    /// A closed path filled with the brush and/or outlined in the pen.
    virtual QRect Path(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke) = 0;
    /// Text in the DC's font and colours, aligned by the DC's text alignment.
    virtual QRect Text(const DrawContext& C, const TextCall& T) = 0;
    /// Stretches the source onto Dest (logical; a negative width or height
    /// mirrors).
    virtual QRect Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source,
        const Blend& How) = 0;
    /// One pixel; the colour the surface shows (CLR_INVALID when outside the
    /// clip or the surface).
    virtual COLORREF SetPixel(const DrawContext& C, QPoint P, COLORREF Color) = 0;
    /// Moves the pixels of Area (device) by (DX, DY); false for surfaces
    /// that keep no pixels.
    virtual bool Scroll(const QRect& /*Area*/, int /*DX*/, int /*DY*/) { return false; }
};

/// Draws on a bitmap object's pixels; the DC keeps the bitmap alive.
std::unique_ptr<DcBackend> MakeRasterBackend(GdiObject* Bitmap);
/// Draws on a Qt paint device through QPainter; the caller keeps it alive.
std::unique_ptr<DcBackend> MakePainterBackend(QPaintDevice* Device);

/// The backend a drawing call on DC goes to; null for a null DC, a DC whose
/// drawing is thrown away or one without a surface.
DcBackend* TargetOf(HDC DC);
/// The state of DC as its backend sees it now.
DrawContext ContextOf(HDC DC);

// Helpers the backends share.

/// Rounds a device coordinate as the drawing layer does (halves up).
int RoundDevice(double V);
/// R mapped to device pixels for an axis-aligned transform (corners
/// rounded, normalised); the bounding box of the mapped corners otherwise.
QRect MapRect(const QTransform& T, const QRect& R);
/// Whether T keeps rectangles axis-aligned (no rotation or shear).
bool AxisAligned(const QTransform& T);
/// Width of the pen on the device: at least 1; a cosmetic pen is 1.
int DevicePenWidth(const DrawContext& C);
/// The QPen of the DC's pen for Qt drawing in copy mode: cosmetic, as wide
/// as DevicePenWidth. Monochrome: the surface shows black and white only.
QPen MakeQPen(const DrawContext& C, bool Monochrome = false);
/// The QBrush of a brush for a painter drawing through PainterTransform,
/// its pattern anchored at the device brush origin.
QBrush MakeQBrush(const DrawContext& C, GdiObject& Brush, const QTransform& PainterTransform,
    bool Monochrome = false);
/// Colour of a brush at a device pixel; false for a hollow brush or a
/// transparent hatch background (ForRop: hatch backgrounds always count).
bool BrushPixel(const DrawContext& C, GdiObject& Brush, int X, int Y, QRgb& Out, bool ForRop,
    bool Monochrome);
/// A COLORREF as the surface shows it (black or white when monochrome).
QRgb SurfaceRgb(bool Monochrome, COLORREF Color);
/// The path of a shape in logical units, as the outline pen follows it.
QPainterPath ShapePath(ShapeKind Kind, const QRect& R, QSize Corner);
/// Draws T with QPainter P (already open on the device, clip set): the
/// opaque rectangle, the text cell's background and the glyphs, placed by
/// the text alignment and the font's escapement. Returns the device box.
/// P's transform, pen and font are left as the text needed them, and its
/// clip narrowed to T's rectangle when T is clipped: the caller sets what
/// it needs before its next drawing. The transform is kept when it maps
/// glyph space but for a translation (the page's mapping at the glyphs'
/// scale), so a painter opened with that one draws text without changes.
/// With a Batch, plain text that keeps the transform is added to it (drawn
/// first when the transform or colour differs) and anything else settles
/// it before drawing.
QRect PaintTextCall(QPainter& P, const DrawContext& C, const TextCall& T, bool Monochrome,
    GlyphBatch* Batch = nullptr);
/// Horizontal extent of T's text in logical units (advances or the font's).
int TextCallWidth(const DrawContext& C, const TextCall& T);
