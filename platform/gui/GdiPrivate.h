#pragma once

// Inside of the drawing layer, shared by the .cpp files of platform/gui only
// (it includes Qt; no public header includes it).
//
// Every drawing object is one GdiObject whose Kind says which of its parts
// are used. Every device context draws either onto a bitmap object's image
// (memory DCs, canvases of TBitmap, the backing images of windows), so that
// raster operations can work pixel by pixel, or onto any other Qt paint
// device (printers) through QPainter only.

#include "platform/gui/Windows.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPaintDevice;

enum class GdiKind { Font, Pen, Brush, Bitmap, Region };

struct GdiObject {
    explicit GdiObject(GdiKind K) : Kind(K) {}

    GdiKind Kind;
    /// Stock objects and system brushes are never freed.
    bool Stock = false;
    /// Selected into this many DCs; DeleteObject then only marks it and the
    /// last deselection frees it.
    int SelectCount = 0;
    bool DeletePending = false;

    // Font.
    LOGFONT LogFont;
    std::optional<QFont> QtFont;
    std::optional<QFontMetrics> Metrics;

    // Pen.
    int PenStyle = PS_SOLID;
    int PenWidth = 1;
    COLORREF PenColor = 0;

    // Brush.
    int BrushStyle = BS_SOLID;
    int Hatch = 0;
    COLORREF BrushColor = 0;
    /// Pattern brushes: the tile; MonoPattern maps 0/1 to text/back colour.
    QImage Pattern;
    bool MonoPattern = false;

    // Bitmap: pixels as 0xAARRGGBB (Format_RGB32; the top byte is only read
    // by AlphaBlend). A monochrome bitmap holds only black and white.
    QImage Image;
    bool Monochrome = false;
    /// The DC whose QPainter is open on Image, if any (one at a time).
    DeviceContext* PainterOwner = nullptr;

    // Region, in device pixels.
    QRegion Region;
};

/// The realised Qt font of a font object (created on first use).
const QFont& QtFontOf(GdiObject& Font);
const QFontMetrics& MetricsOf(GdiObject& Font);
/// The Qt font for a request, with the face mapped and the size in pixels.
QFont MakeQtFont(const LOGFONT& LogFont);

struct DcState {
    HFONT Font = nullptr;
    HPEN Pen = nullptr;
    HBRUSH Brush = nullptr;
    COLORREF TextColor = RGB(0, 0, 0);
    COLORREF BkColor = RGB(255, 255, 255);
    int BkMode = OPAQUE;
    UINT TextAlign = TA_LEFT | TA_TOP;
    int Rop2 = R2_COPYPEN;
    /// Device = logical + Origin (viewport origin less window origin).
    TPoint Origin;
    TPoint Pos;
    TPoint BrushOrg;
    /// The clip the program selected, in device pixels.
    std::optional<QRegion> Clip;
};

struct DeviceContext {
    DeviceContext();
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    DcState S;
    std::vector<DcState> Saved;
    /// The bitmap drawn on (memory DCs and image DCs); null for a device DC.
    HBITMAP Bitmap = nullptr;
    /// A non-image device (a printer); used when Bitmap is null.
    QPaintDevice* Device = nullptr;
    /// Pixels per inch of the surface (96 for screens and images).
    int Dpi = 96;
    /// Memory DC made by CreateCompatibleDC (deletable with DeleteDC).
    bool Memory = false;
    /// Drawing is thrown away (the screen DC used for measuring).
    bool MeasureOnly = false;
    /// The part of the surface the system lets the DC draw on (the area
    /// being painted), in device pixels; intersected with S.Clip.
    std::optional<QRegion> SystemClip;
    /// Called after drawing that changed the surface outside painting (a
    /// window DC shows its backing image again).
    void (*Changed)(DeviceContext& DC, const QRect& DeviceRect) = nullptr;
    void* Owner = nullptr;

    std::unique_ptr<QPainter> Painter;

    /// Size of the surface in pixels.
    QSize SurfaceSize() const;
    QImage* TargetImage() const;
    bool IsMonochrome() const;
    /// The clip in effect (system clip ∩ program clip), device pixels; the
    /// whole surface when neither is set.
    QRegion EffectiveClip() const;
    /// A QPainter on the surface with origin and clip applied, antialiasing
    /// off; null when drawing is thrown away.
    QPainter* BeginPainter();
    /// Closes the QPainter so that pixels can be read or written directly.
    void EndPainter();
    /// Reports drawing in the device rectangle (see Changed).
    void Touch(const QRect& DeviceRect);
};

/// A DC drawing onto Bitmap's image (the caller keeps the bitmap alive until
/// the DC is deleted).
HDC CreateBitmapDC(HBITMAP Bitmap);
/// A DC drawing onto another paint device (printers).
HDC CreateDeviceDC(QPaintDevice* Device, int Dpi);
/// A new bitmap object holding Image (converted to RGB32).
HBITMAP CreateBitmapObject(QImage Image, bool Monochrome);
/// Closes any painter open on the bitmap's image before its pixels are read
/// or written or the image is replaced.
void FlushBitmap(HBITMAP Bitmap);
GdiObject* AsKind(HGDIOBJ Object, GdiKind Kind);

/// RGB of a COLORREF as an opaque QColor; monochrome targets get black or
/// white, whichever is nearer.
QColor ToQColor(COLORREF C);
QRgb ToRgb(COLORREF C);
COLORREF FromRgb(QRgb C);

/// Result of a ternary raster operation (its index byte) on 24-bit values.
inline QRgb Rop3(unsigned Index, QRgb P, QRgb S, QRgb D)
{
    QRgb R = 0;
    for (unsigned I = 0; I < 8; ++I)
        if (Index & (1u << I))
            R |= ((I & 4) ? P : ~P) & ((I & 2) ? S : ~S) & ((I & 1) ? D : ~D);
    return 0xFF000000u | (R & 0x00FFFFFFu);
}
/// Result of a pen mix mode (R2_...) on pen P and target D.
QRgb Rop2(int Mode, QRgb P, QRgb D);

/// Text conversions at the edge: CP1251 bytes to and from Qt text.
QString ToQString(const char* Bytes, int Count);
QString ToQString(const AnsiString& S);
AnsiString FromQString(const QString& S);

QRect ToQRect(const TRect& R);
TRect FromQRect(const QRect& R);
