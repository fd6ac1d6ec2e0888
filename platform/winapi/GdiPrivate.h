#pragma once

// Inside of the drawing layer, shared by the .cpp files of platform/winapi and platform/forms only
// (it includes Qt; no public header includes it).
//
// Every drawing object is one GdiObject whose Kind says which of its parts
// are used. A device context keeps the drawing state (objects, colours,
// modes, mapping, clip) and hands every drawing call to its backend
// (DcBackend.h): a bitmap object's image (memory DCs, canvases of TBitmap,
// the backing images of windows) where raster operations work pixel by
// pixel, any other Qt paint device (printers, PDF writers), or a recorder.

#include "platform/winapi/Windows.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QString>
#include <QTransform>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPaintDevice;
class DcBackend;
struct RealisedFont;

/// A font's measures as measuring and layout use them: the realised font's,
/// or the fixed ones while SetFixedFontMetrics is on.
struct FontMeasures {
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int AveWidth = 0;
    int MaxWidth = 0;
};

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

    // Font. The realised font is found on first use; fonts of the same
    // description share it (with its metrics and the widths measured in
    // it), also after the object is freed and made again.
    LOGFONT LogFont;
    std::shared_ptr<RealisedFont> Realised;

    // Pen. PenStyle is the PS_ style proper (the low 4 bits); geometric
    // pens have a width in logical units, end caps and joins.
    int PenStyle = PS_SOLID;
    int PenWidth = 1;
    COLORREF PenColor = 0;
    bool Geometric = false;
    int EndCap = PS_ENDCAP_ROUND;
    int Join = PS_JOIN_ROUND;
    /// PS_USERSTYLE: lengths of dashes and gaps, in logical units.
    std::vector<DWORD> UserStyle;

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
    /// The backend whose QPainter is open on Image, if any (one at a time).
    DcBackend* PainterOwner = nullptr;

    // Region, in device pixels.
    QRegion Region;
};

/// The largest character height a font is made at, pixels: far above any
/// text of a page, far below what the glyph renderer fails at.
inline constexpr int MaxFontPixels = 4096;

/// The realised Qt font of a font object (created on first use).
const QFont& QtFontOf(GdiObject& Font);
const QFontMetrics& MetricsOf(GdiObject& Font);
/// The Qt font for a request, with the face mapped and the size in pixels.
QFont MakeQtFont(const LOGFONT& LogFont);
/// The font's measures (see FontMeasures).
FontMeasures MeasuresOf(GdiObject& Font);
/// Width of S in the font, logical units (the same rule as MeasuresOf).
int TextAdvance(GdiObject& Font, const QString& S);
/// The advance of one character (the glyph's own, no text shaping).
int CharAdvance(GdiObject& Font, QChar C);

struct DcState {
    HFONT Font = nullptr;
    HPEN Pen = nullptr;
    HBRUSH Brush = nullptr;
    COLORREF TextColor = RGB(0, 0, 0);
    COLORREF BkColor = RGB(255, 255, 255);
    int BkMode = OPAQUE;
    UINT TextAlign = TA_LEFT | TA_TOP;
    int Rop2 = R2_COPYPEN;
    int StretchMode = BLACKONWHITE;
    int PolyFillMode = ALTERNATE;
    /// Page space to device: device = (logical - WindowOrg) * ViewportExt /
    /// WindowExt + ViewportOrg; the extents are 1 in MM_TEXT.
    int MapMode = MM_TEXT;
    TPoint WindowOrg;
    TPoint ViewportOrg;
    TSize WindowExt {1, 1};
    TSize ViewportExt {1, 1};
    /// World space to page space (identity unless GM_ADVANCED).
    int GraphicsMode = GM_COMPATIBLE;
    QTransform World;
    /// Current position, logical.
    TPoint Pos;
    /// Brush origin, device pixels.
    TPoint BrushOrg;
    /// The clip the program selected, in device pixels.
    std::optional<QRegion> Clip;

    /// Logical to device: the world transform, then the page transform.
    QTransform ToDevice() const;
};

struct DeviceContext {
    DeviceContext();
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    DcState S;
    std::vector<DcState> Saved;
    /// The surface: pixels, a Qt paint device or a recorder.
    std::unique_ptr<DcBackend> Backend;
    /// The bitmap drawn on (memory DCs and image DCs); null otherwise.
    HBITMAP Bitmap = nullptr;
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
    /// The path being built between BeginPath and EndPath, and the one
    /// closed by EndPath; logical coordinates.
    bool PathOpen = false;
    std::optional<QPainterPath> Path;

    /// Size of the surface in pixels.
    QSize SurfaceSize() const;
    bool IsMonochrome() const;
    /// The clip in effect (system clip ∩ program clip), device pixels; the
    /// whole surface when neither is set.
    QRegion EffectiveClip() const;
    /// Reports drawing in the device rectangle (see Changed).
    void Touch(const QRect& DeviceRect);
};

/// A DC drawing onto Bitmap's image (the caller keeps the bitmap alive until
/// the DC is deleted).
HDC CreateBitmapDC(HBITMAP Bitmap);
/// A DC drawing onto a Qt paint device (printers, PDF writers); the caller
/// keeps the device alive until the DC is deleted. A paged device reports
/// its paper, offsets and printable area in GetDeviceCaps.
HDC CreateDeviceDC(QPaintDevice* Device);
/// A DC drawing through Backend (recorders); the DC owns it.
HDC CreateBackendDC(std::unique_ptr<DcBackend> Backend);
/// The pixels of a device-independent bitmap as RGB32, top row first; Rows
/// overrides the header's height (SetDIBitsToDevice's bands). Nothing for
/// a header it cannot read (bad size or depth, compression other than
/// BI_RGB and BI_BITFIELDS, above 16384 pixels a side or 64 million in
/// all) or null bits. The bits must hold every row the header (or Rows)
/// gives: callers reading outside bytes check that first.
std::optional<QImage> DibToImage(const BITMAPINFO& Info, const void* Bits, std::optional<int> Rows);
/// Bytes of header and colour table (or masks) before a packed DIB's bits.
size_t DibHeaderBytes(const BITMAPINFOHEADER& Header);
/// The picture of a Windows bitmap file (the file header, then a DIB of 1
/// to 32 bits that DibToImage reads); Monochrome when it has one bit a
/// pixel and a black and white colour table. Nothing when the bytes are no
/// such file: a wrong signature or header, a colour table or bits past the
/// end of the bytes, a size DibToImage refuses.
std::optional<QImage> BmpFileToImage(const std::string& Bytes, bool& Monochrome);
/// A new bitmap object holding Image (converted to RGB32).
HBITMAP CreateBitmapObject(QImage Image, bool Monochrome);
/// Closes any painter open on the bitmap's image before its pixels are read
/// or written or the image is replaced.
void FlushBitmap(HBITMAP Bitmap);
GdiObject* AsKind(HGDIOBJ Object, GdiKind Kind);
/// Keeps an object alive while something draws with it (as a DC does with
/// what is selected into it); the last release frees an object deleted
/// meanwhile.
void RetainGdiObject(HGDIOBJ Object);
void ReleaseGdiObject(HGDIOBJ Object);

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
