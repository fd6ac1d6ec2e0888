#pragma once

// The window-system vocabulary the program is written against: handles,
// colour references, the numeric constants of drawing, keys, windows and
// message boxes, and the drawing routines over a device context (HDC).
//
// A device context is our own object that keeps the drawing state (selected
// objects, colours, modes, mapping, clip) and hands each drawing call to its
// backend: a bitmap's pixels, a Qt paint device (printer, PDF writer) or a
// recorder. Drawing objects (fonts, pens, brushes, bitmaps, regions) are
// handles created here and freed with DeleteObject; a TFont/TPen/TBrush owns
// its handle. Coordinates are logical units, pixels at 96 dpi until a
// mapping mode or world transform says otherwise; regions and the clip are
// in device pixels; rectangles exclude their Right and Bottom edges.
//
// Where each family lives:
//   Gdi.cpp          drawing objects, stock objects, system colours and
//                    metrics, device contexts and their state, SaveDC, device
//                    capabilities, regions and clipping, rectangle helpers
//   GdiMapping.cpp   mapping modes, extents, origins, the world transform,
//                    LPtoDP/DPtoLP
//   GdiDraw.cpp      lines, shapes, paths, fills, pixels and blits (BitBlt,
//                    StretchBlt, DIBs): the calls that reach the backend
//   GdiRaster.cpp    the raster backend (exact raster operations on pixels)
//   GdiPainter.cpp   the backend of Qt paint devices (printers), PDF DCs
//   GdiRecording.cpp the recording backend and recording DCs
//                    (DeviceContexts.h; the backend interface is DcBackend.h)
//   Text.cpp         fonts, text metrics and extents, ExtTextOut, DrawText
//   Edges.cpp        DrawEdge and DrawFrameControl
//   Window.cpp       windows, their DCs (GetDC, painting), messages, timers,
//                    keys, cursors, message beeps
//   ScrollBars.cpp   the scroll bars of windows
//   Forms.cpp        MessageBox
//
// Messages and their numbers are in Messages.h; sending and posting to a
// window handle is declared at the end of this file.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <string>
#include <vector>

// ---- handles -----------------------------------------------------------------

/// A window: one windowed control's native window. Valid from the control's
/// CreateHandle to its DestroyHandle; IsWindow tells whether it still lives.
struct HWND__;
using HWND = HWND__*;

/// A device context (drawing surface plus the selected objects and modes).
struct DeviceContext;
using HDC = DeviceContext*;

/// Any drawing object; the kind is checked at run time.
struct GdiObject;
using HGDIOBJ = GdiObject*;
using HFONT = GdiObject*;
using HPEN = GdiObject*;
using HBRUSH = GdiObject*;
using HBITMAP = GdiObject*;
using HRGN = GdiObject*;
/// A cursor shape; small integers stand for the standard shapes.
using HCURSOR = intptr_t;
using HICON = intptr_t;

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT = uint32_t;
using UINT_PTR = uintptr_t;
using BOOL = int;
using COLORREF = uint32_t;

constexpr int MAXINT = 0x7FFFFFFF;

inline constexpr Word LoWord(uintptr_t V) { return static_cast<Word>(V & 0xFFFF); }
inline constexpr Word HiWord(uintptr_t V) { return static_cast<Word>((V >> 16) & 0xFFFF); }
inline constexpr LPARAM MakeLParam(int Lo, int Hi)
{
    return static_cast<LPARAM>(static_cast<int32_t>(
        (static_cast<uint32_t>(Lo) & 0xFFFF) | (static_cast<uint32_t>(Hi) << 16)));
}
inline constexpr WPARAM MakeWParam(int Lo, int Hi)
{
    return static_cast<WPARAM>((static_cast<uint32_t>(Lo) & 0xFFFF) | (static_cast<uint32_t>(Hi) << 16));
}
/// Signed 16-bit halves, for coordinates packed into an LPARAM.
inline constexpr int GetXLParam(LPARAM L) { return static_cast<int16_t>(L & 0xFFFF); }
inline constexpr int GetYLParam(LPARAM L) { return static_cast<int16_t>((L >> 16) & 0xFFFF); }

// ---- colours -------------------------------------------------------------------

/// 0x00BBGGRR.
inline constexpr COLORREF RGB(int R, int G, int B)
{
    return static_cast<COLORREF>((R & 0xFF) | ((G & 0xFF) << 8) | ((B & 0xFF) << 16));
}
inline constexpr Byte GetRValue(COLORREF C) { return static_cast<Byte>(C & 0xFF); }
inline constexpr Byte GetGValue(COLORREF C) { return static_cast<Byte>((C >> 8) & 0xFF); }
inline constexpr Byte GetBValue(COLORREF C) { return static_cast<Byte>((C >> 16) & 0xFF); }

/// Image-list drawing colours: no background / the list's own.
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

/// System colour indexes (GetSysColor; the TColor clXxx is 0x80000000 | index).
enum : int {
    COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3, COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8, COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12, COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16, COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19, COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23, COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26, COLOR_GRADIENTACTIVECAPTION = 27, COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29, COLOR_MENUBAR = 30,
    COLOR_ENDCOLORS = 30,
    COLOR_3DFACE = COLOR_BTNFACE, COLOR_3DSHADOW = COLOR_BTNSHADOW,
    COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT, COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT,
    COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT, COLOR_DESKTOP = COLOR_BACKGROUND,
};

/// The RGB value of a system colour index (from SystemMetrics); 0 for an
/// index out of range.
COLORREF GetSysColor(int Index);
/// A solid brush of a system colour, owned by the system (never deleted).
HBRUSH GetSysColorBrush(int Index);

// ---- system metrics ----------------------------------------------------------------

enum : int {
    SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
    SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8,
    SM_CYVTHUMB = 9, SM_CXHTHUMB = 10, SM_CXICON = 11, SM_CYICON = 12, SM_CXCURSOR = 13,
    SM_CYCURSOR = 14, SM_CYMENU = 15, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17,
    SM_CYVSCROLL = 20, SM_CXHSCROLL = 21, SM_CXMIN = 28, SM_CYMIN = 29, SM_CXSIZE = 30,
    SM_CYSIZE = 31, SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CXMINTRACK = 34, SM_CYMINTRACK = 35,
    SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37, SM_CXICONSPACING = 38, SM_CYICONSPACING = 39,
    SM_CXEDGE = 45, SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CYSMCAPTION = 51,
    SM_CXSMSIZE = 52, SM_CYSMSIZE = 53, SM_CXMENUSIZE = 54, SM_CYMENUSIZE = 55,
    SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72, SM_CXDRAG = 68, SM_CYDRAG = 69,
    SM_CMONITORS = 80,
    SM_CXFIXEDFRAME = SM_CXDLGFRAME, SM_CYFIXEDFRAME = SM_CYDLGFRAME,
    SM_CXSIZEFRAME = SM_CXFRAME, SM_CYSIZEFRAME = SM_CYFRAME,
};

/// A classic metric from SystemMetrics; 0 for an unknown index.
int GetSystemMetrics(int Index);

enum : UINT {
    SPI_GETDRAGFULLWINDOWS = 0x0026, SPI_GETNONCLIENTMETRICS = 0x0029, SPI_GETWORKAREA = 0x0030,
    SPI_GETWHEELSCROLLLINES = 0x0068, SPI_GETTOOLTIPANIMATION = 0x1016, SPI_GETTOOLTIPFADE = 0x1018,
};

// ---- device capabilities ---------------------------------------------------------

enum : int {
    HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14,
    NUMCOLORS = 24, LOGPIXELSX = 88, LOGPIXELSY = 90, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111,
    PHYSICALOFFSETX = 112, PHYSICALOFFSETY = 113,
};

/// Capabilities of the surface of DC (a screen DC when DC is null): sizes in
/// pixels and millimetres, 96 dots per inch on screens and images, the
/// printer's own values on a printer. On a printer HORZRES/VERTRES are the
/// printable area, PHYSICALWIDTH/HEIGHT the paper and PHYSICALOFFSETX/Y the
/// unprintable border at the left and top, all in device pixels; other
/// surfaces have no border and their physical size is 0. NUMCOLORS is -1 on
/// true-colour surfaces.
int GetDeviceCaps(HDC DC, int Index);

// ---- fonts and text ----------------------------------------------------------------

enum : int {
    FW_DONTCARE = 0, FW_THIN = 100, FW_LIGHT = 300, FW_NORMAL = 400, FW_MEDIUM = 500,
    FW_SEMIBOLD = 600, FW_BOLD = 700, FW_HEAVY = 900,
};
enum : Byte {
    ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, RUSSIAN_CHARSET = 204,
    OEM_CHARSET = 255,
};
enum : Byte { DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2 };
enum : Byte {
    OUT_DEFAULT_PRECIS = 0, OUT_TT_PRECIS = 4, CLIP_DEFAULT_PRECIS = 0,
    DEFAULT_QUALITY = 0, NONANTIALIASED_QUALITY = 3, ANTIALIASED_QUALITY = 4,
};
enum : Byte { FF_DONTCARE = 0, FF_ROMAN = 0x10, FF_SWISS = 0x20, FF_MODERN = 0x30 };
/// tmPitchAndFamily bits; note TMPF_FIXED_PITCH set means a VARIABLE pitch.
enum : Byte { TMPF_FIXED_PITCH = 1, TMPF_VECTOR = 2, TMPF_TRUETYPE = 4, TMPF_DEVICE = 8 };

constexpr int LF_FACESIZE = 32;

/// A font request. lfHeight < 0 is the character height in pixels, > 0 the
/// cell height, 0 the default; escapement and orientation in tenths of a
/// degree, counter-clockwise.
struct LOGFONT {
    int lfHeight = 0;
    int lfWidth = 0;
    int lfEscapement = 0;
    int lfOrientation = 0;
    int lfWeight = FW_NORMAL;
    Byte lfItalic = 0;
    Byte lfUnderline = 0;
    Byte lfStrikeOut = 0;
    Byte lfCharSet = DEFAULT_CHARSET;
    Byte lfOutPrecision = OUT_DEFAULT_PRECIS;
    Byte lfClipPrecision = CLIP_DEFAULT_PRECIS;
    Byte lfQuality = DEFAULT_QUALITY;
    Byte lfPitchAndFamily = DEFAULT_PITCH;
    /// Face name as the program names it ("Arial"); mapped to an installed
    /// family when the font is realised.
    AnsiString lfFaceName;
    friend bool operator==(const LOGFONT&, const LOGFONT&) = default;
};
using TLogFont = LOGFONT;

struct TEXTMETRIC {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 0;
    int tmOverhang = 0;
    int tmDigitizedAspectX = 96;
    int tmDigitizedAspectY = 96;
    Byte tmFirstChar = 0x20;
    Byte tmLastChar = 0xFF;
    Byte tmDefaultChar = 0x1F;
    Byte tmBreakChar = 0x20;
    Byte tmItalic = 0;
    Byte tmUnderlined = 0;
    Byte tmStruckOut = 0;
    Byte tmPitchAndFamily = 0;
    Byte tmCharSet = 0;
};
using TTextMetric = TEXTMETRIC;

/// A new font for the request; the caller frees it with DeleteObject.
HFONT CreateFontIndirect(const LOGFONT& LogFont);
/// Metrics of the font selected into DC; false for a null DC.
BOOL GetTextMetrics(HDC DC, TEXTMETRIC& Metrics);
/// Width and height of Count bytes of CP1251 text (all of it when Count < 0)
/// in the selected font, no tabs or prefixes expanded.
BOOL GetTextExtentPoint32(HDC DC, const char* Text, int Count, TSize& Size);
/// The same for UTF-16 text.
BOOL GetTextExtentPoint32W(HDC DC, const char16_t* Text, int Count, TSize& Size);

/// The family a program face name is drawn with ("Arial" -> "Liberation
/// Sans"); a name not in the table is returned as it is.
AnsiString MapFontFace(const AnsiString& Face);
/// The program's face names whose stand-in family is installed ("Arial",
/// "Times New Roman", ...; not their "Cyr" aliases): font lists show them
/// beside the installed families, as the faces templates and settings name.
std::vector<AnsiString> ProgramFaceNames();
/// Whether the program's face is an outline font on the original system
/// (false for the bitmap faces "MS Sans Serif", "System", "Courier", ...).
bool FaceIsTrueType(const AnsiString& Face);
/// Has the font library take each family the faces are drawn with from the
/// files the set-up installs (fonts-liberation, fonts-dejavu-core), so that
/// another package's files of the same family (fonts-liberation2) change
/// nothing; a family without such files stays as the machine has it.
/// Called at start-up before the first font is made (GuiStartup does).
void ChooseFontFiles();
/// The file the font library gives for Face (mapped by MapFontFace) in the
/// weight and slant asked for; '' when it gives none.
AnsiString FontFileOfFace(const AnsiString& Face, bool Bold, bool Italic);

// DrawText formats.
enum : UINT {
    DT_TOP = 0, DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4, DT_BOTTOM = 8,
    DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80,
    DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800,
    DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000, DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000, DT_RTLREADING = 0x20000,
    DT_WORD_ELLIPSIS = 0x40000, DT_NOFULLWIDTHCHARBREAK = 0x80000, DT_HIDEPREFIX = 0x100000,
};

/// Draws Count bytes of CP1251 text (all of it when Count < 0) in Rect with
/// the selected font, text colour and background mode. Lines break at CR LF,
/// CR or LF and, with DT_WORDBREAK, between words that would pass the right
/// edge (a word wider than the rectangle stays whole). "&x" underlines x and
/// "&&" is one "&" unless DT_NOPREFIX. DT_VCENTER and DT_BOTTOM act on single
/// lines only. With DT_CALCRECT nothing is drawn and Rect's Right and Bottom
/// are set to the text's extent. Returns the text height (0 for empty text).
int DrawText(HDC DC, const char* Text, int Count, TRect& Rect, UINT Format);
int DrawText(HDC DC, const AnsiString& Text, TRect& Rect, UINT Format);
/// The same for UTF-16 text.
int DrawTextW(HDC DC, const char16_t* Text, int Count, TRect& Rect, UINT Format);

enum : UINT {
    TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24,
    TA_UPDATECP = 1, TA_NOUPDATECP = 0, TA_RTLREADING = 256,
};
enum : UINT { ETO_OPAQUE = 2, ETO_CLIPPED = 4, ETO_RTLREADING = 0x80 };
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

/// Text at (X, Y) aligned by the DC's text alignment; ETO_OPAQUE fills Rect
/// with the background colour first, ETO_CLIPPED clips to Rect (Rect may be
/// null without those options). Dx, when given, holds the advance of each
/// character.
BOOL ExtTextOut(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const char* Text,
    int Count, const int* Dx = nullptr);
BOOL ExtTextOutW(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const char16_t* Text,
    int Count, const int* Dx = nullptr);
/// ExtTextOut by its name for 8-bit text.
BOOL ExtTextOutA(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const char* Text,
    int Count, const int* Dx = nullptr);
BOOL TextOut(HDC DC, int X, int Y, const char* Text, int Count);

/// Extent of Count bytes of CP1251 text in logical units; Fit (may be null)
/// receives how many characters fit within MaxExtent, Dx (may be null, Count
/// entries) the extent of the text up to and including each character.
BOOL GetTextExtentExPoint(HDC DC, const char* Text, int Count, int MaxExtent, int* Fit, int* Dx,
    TSize& Size);
/// Advance widths of the CP1251 characters First..Last into Widths (Last -
/// First + 1 entries), logical units; false for a null DC or First > Last.
BOOL GetCharWidth(HDC DC, UINT First, UINT Last, int* Widths);

/// Background mode, background and text colour, text alignment of DC; each
/// returns the previous value.
int SetBkMode(HDC DC, int Mode);
int GetBkMode(HDC DC);
COLORREF SetBkColor(HDC DC, COLORREF Color);
COLORREF GetBkColor(HDC DC);
COLORREF SetTextColor(HDC DC, COLORREF Color);
COLORREF GetTextColor(HDC DC);
UINT SetTextAlign(HDC DC, UINT Align);
UINT GetTextAlign(HDC DC);

// ---- pens, brushes, objects ----------------------------------------------------------

enum : int {
    PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
    PS_INSIDEFRAME = 6,
};
enum : int { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int {
    HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4,
    HS_DIAGCROSS = 5,
};
/// Mix modes of pens (SetROP2).
enum : int {
    R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5,
    R2_NOT = 6, R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10, R2_NOP = 11,
    R2_MERGENOTPEN = 12, R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16,
};
enum : int {
    WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
    NULL_BRUSH = 5, HOLLOW_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
    SYSTEM_FONT = 13, DEFAULT_GUI_FONT = 17,
};

enum : int { PS_USERSTYLE = 7, PS_ALTERNATE = 8 };
// Plain constants, so that they combine with the PS_ styles without mixing
// enumerations.
constexpr DWORD PS_STYLE_MASK = 0xF;
constexpr DWORD PS_ENDCAP_ROUND = 0, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200;
constexpr DWORD PS_ENDCAP_MASK = 0xF00;
constexpr DWORD PS_JOIN_ROUND = 0, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000;
constexpr DWORD PS_JOIN_MASK = 0xF000;
constexpr DWORD PS_COSMETIC = 0, PS_GEOMETRIC = 0x10000, PS_TYPE_MASK = 0xF0000;
enum : UINT { BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

/// A brush description. lbHatch is the HS_ hatch for BS_HATCHED, the HBITMAP
/// for BS_PATTERN and a pointer to a packed DIB for BS_DIBPATTERNPT.
struct LOGBRUSH {
    UINT lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    uintptr_t lbHatch = 0;
};

HPEN CreatePen(int Style, int Width, COLORREF Color);
/// A cosmetic (one device pixel, Width must be 1) or geometric pen (Width in
/// logical units, with the PS_ENDCAP_ and PS_JOIN_ bits); PS_USERSTYLE takes
/// StyleCount dash and gap lengths. Only solid and hatched brushes give a pen
/// its colour. Null for a bad style or user style.
HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH& Brush, DWORD StyleCount,
    const DWORD* StyleArray);
/// A brush from its description; null for an unknown style or bad pattern.
HBRUSH CreateBrushIndirect(const LOGBRUSH& Brush);
HBRUSH CreateSolidBrush(COLORREF Color);
HBRUSH CreateHatchBrush(int Hatch, COLORREF Color);
/// A brush that tiles the bitmap (its own copy of the pixels; a monochrome
/// bitmap paints its 0 bits in the text colour and 1 bits in the background
/// colour of the DC it is used on).
HBRUSH CreatePatternBrush(HBITMAP Bitmap);
/// A brush tiling a packed DIB (header, colour table, pixels); the brush
/// keeps its own copy. Null for a DIB it cannot read or DIB_PAL_COLORS.
HBRUSH CreateDIBPatternBrushPt(const void* PackedDib, UINT Usage);
/// A stock object, owned by the system.
HGDIOBJ GetStockObject(int Index);
/// Selects a font, pen, brush or bitmap into DC and returns the object it
/// replaces (a region is copied into the clip and the region kind returned
/// instead, as SelectClipRgn). Null for a null handle.
HGDIOBJ SelectObject(HDC DC, HGDIOBJ Object);
/// Frees an object made by a Create call; false for stock objects and
/// null. An object still selected into a DC is freed when the last DC lets
/// it go.
BOOL DeleteObject(HGDIOBJ Object);
/// The request a font was made from; false for another kind of object.
BOOL GetObject(HFONT Font, LOGFONT& LogFont);
int SetROP2(HDC DC, int Mode);
int GetROP2(HDC DC);
BOOL SetBrushOrgEx(HDC DC, int X, int Y, TPoint* Old);
enum : int { ALTERNATE = 1, WINDING = 2 };
/// How polygons with crossing edges are filled; returns the previous mode.
int SetPolyFillMode(HDC DC, int Mode);
int GetPolyFillMode(HDC DC);

// ---- lines and shapes -------------------------------------------------------------------

BOOL MoveToEx(HDC DC, int X, int Y, TPoint* Old);
BOOL LineTo(HDC DC, int X, int Y);
BOOL Polyline(HDC DC, const TPoint* Points, int Count);
/// A closed outline in the pen, filled with the brush by the fill mode.
BOOL Polygon(HDC DC, const TPoint* Points, int Count);
/// Polygons of Counts[i] points each (at least 2), filled as one shape.
BOOL PolyPolygon(HDC DC, const TPoint* Points, const int* Counts, int Polygons);
/// Cubic Bézier curves: a start point, then three points per curve.
BOOL PolyBezier(HDC DC, const TPoint* Points, int Count);
BOOL Rectangle(HDC DC, int Left, int Top, int Right, int Bottom);
BOOL RoundRect(HDC DC, int Left, int Top, int Right, int Bottom, int Width, int Height);
BOOL Ellipse(HDC DC, int Left, int Top, int Right, int Bottom);
int FillRect(HDC DC, const TRect& Rect, HBRUSH Brush);
int FrameRect(HDC DC, const TRect& Rect, HBRUSH Brush);
BOOL InvertRect(HDC DC, const TRect& Rect);
/// The dotted focus frame, drawn by XOR so that a second call removes it.
BOOL DrawFocusRect(HDC DC, const TRect& Rect);
COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color);
/// CLR_INVALID outside the surface or the clip.
COLORREF GetPixel(HDC DC, int X, int Y);

// Paths: between BeginPath and EndPath the line and shape calls add their
// outlines to the DC's path instead of drawing; FillPath, StrokePath and
// StrokeAndFillPath then draw it with the brush and pen and discard it.
// Each returns false when there is no path in that state.
BOOL BeginPath(HDC DC);
BOOL EndPath(HDC DC);
BOOL AbortPath(HDC DC);
BOOL CloseFigure(HDC DC);
BOOL FillPath(HDC DC);
BOOL StrokePath(HDC DC);
BOOL StrokeAndFillPath(HDC DC);
/// The colour the surface shows for Color (surfaces are true colour, so
/// Color itself with the top byte cleared).
COLORREF GetNearestColor(HDC DC, COLORREF Color);

// ---- edges and frame controls ------------------------------------------------------------

enum : UINT {
    BDR_RAISEDOUTER = 1, BDR_SUNKENOUTER = 2, BDR_RAISEDINNER = 4, BDR_SUNKENINNER = 8,
    BDR_OUTER = 3, BDR_INNER = 0xC, BDR_RAISED = 5, BDR_SUNKEN = 0xA,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : UINT {
    BF_LEFT = 1, BF_TOP = 2, BF_RIGHT = 4, BF_BOTTOM = 8, BF_TOPLEFT = 3, BF_TOPRIGHT = 6,
    BF_BOTTOMLEFT = 9, BF_BOTTOMRIGHT = 0xC, BF_RECT = 0xF, BF_DIAGONAL = 0x10,
    BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000, BF_MONO = 0x8000,
};
/// A 3-D edge on the sides Flags names, in the system colours. BF_MIDDLE
/// fills the inside with clBtnFace (clWindow with BF_FLAT/BF_MONO),
/// BF_ADJUST shrinks Rect by the edge drawn.
BOOL DrawEdge(HDC DC, TRect& Rect, UINT Edge, UINT Flags);

enum : UINT { DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4 };
enum : UINT {
    DFCS_BUTTONCHECK = 0, DFCS_BUTTONRADIOIMAGE = 1, DFCS_BUTTONRADIOMASK = 2,
    DFCS_BUTTONRADIO = 4, DFCS_BUTTON3STATE = 8, DFCS_BUTTONPUSH = 0x10,
    DFCS_SCROLLUP = 0, DFCS_SCROLLDOWN = 1, DFCS_SCROLLLEFT = 2, DFCS_SCROLLRIGHT = 3,
    DFCS_SCROLLCOMBOBOX = 5, DFCS_SCROLLSIZEGRIP = 8,
    DFCS_CAPTIONCLOSE = 0, DFCS_CAPTIONMIN = 1, DFCS_CAPTIONMAX = 2, DFCS_CAPTIONRESTORE = 3,
    DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_CHECKED = 0x400, DFCS_TRANSPARENT = 0x800,
    DFCS_HOT = 0x1000, DFCS_ADJUSTRECT = 0x2000, DFCS_FLAT = 0x4000, DFCS_MONO = 0x8000,
};
/// Buttons, check and radio boxes and scroll arrows in the classic look.
BOOL DrawFrameControl(HDC DC, TRect& Rect, UINT Type, UINT State);

// ---- raster operations ---------------------------------------------------------------------

enum : DWORD {
    SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
    SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6,
    MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226, PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09,
    PATINVERT = 0x005A0049, DSTINVERT = 0x00550009, BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};
/// Fills the rectangle with the DC's brush combined with the target by Rop.
BOOL PatBlt(HDC DC, int X, int Y, int Width, int Height, DWORD Rop);
/// Copies pixels from Source (X, Y) to DC with any ternary raster operation:
/// the operation's index byte is applied bit by bit to pattern (the DC's
/// brush), source and target. A monochrome source becomes the DC's text
/// colour (0 bits) and background colour (1 bits); a colour source copied to
/// a monochrome target gives 1 where it equals the source DC's background
/// colour.
BOOL BitBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY, DWORD Rop);
BOOL StretchBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, DWORD Rop);

enum : int {
    BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4,
    STRETCH_ANDSCANS = 1, STRETCH_ORSCANS = 2, STRETCH_DELETESCANS = 3, STRETCH_HALFTONE = 4,
};
/// How StretchBlt and StretchDIBits shrink pictures: HALFTONE averages the
/// pixels that fold into one, the other modes keep one of them. Returns
/// the previous mode, 0 for a bad one.
int SetStretchBltMode(HDC DC, int Mode);
int GetStretchBltMode(HDC DC);

enum : DWORD { BI_RGB = 0, BI_BITFIELDS = 3 };
struct BITMAPINFOHEADER {
    DWORD biSize = sizeof(BITMAPINFOHEADER);
    int32_t biWidth = 0;
    /// Positive: rows stored bottom-up; negative: top-down.
    int32_t biHeight = 0;
    Word biPlanes = 1;
    Word biBitCount = 0;
    DWORD biCompression = BI_RGB;
    DWORD biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
struct RGBQUAD {
    Byte rgbBlue = 0;
    Byte rgbGreen = 0;
    Byte rgbRed = 0;
    Byte rgbReserved = 0;
};
/// A header followed by its colour table (or the three masks of
/// BI_BITFIELDS); bmiColors stands for the first entry.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

/// Stretches the source rectangle of a device-independent bitmap (1, 4, 8,
/// 16, 24 or 32 bits a pixel, BI_RGB or BI_BITFIELDS) onto DC with raster
/// operation Rop. Source coordinates count from the DIB's first row in
/// memory order reversed for bottom-up DIBs (from its lower-left corner).
/// Returns the number of source rows used; 0 for a DIB it cannot read
/// (above 16384 pixels a side or 64 million in all included) or
/// DIB_PAL_COLORS. Bits must hold every row the header gives.
int StretchDIBits(HDC DC, int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc,
    int SrcWidth, int SrcHeight, const void* Bits, const BITMAPINFO& Info, UINT Usage, DWORD Rop);
/// Copies the part of a DIB's source rectangle that lies in the Lines rows
/// held by Bits, unstretched; the first of them is row StartScan. Rows and
/// YSrc count from the bottom of a bottom-up DIB (from the top of a
/// top-down one); rows not held are left alone. Returns the rows held; 0
/// for a DIB it cannot read.
int SetDIBitsToDevice(HDC DC, int XDest, int YDest, DWORD Width, DWORD Height, int XSrc, int YSrc,
    UINT StartScan, UINT Lines, const void* Bits, const BITMAPINFO& Info, UINT Usage);

/// StretchBlt that leaves out the source pixels of colour Transparent.
BOOL TransparentBlt(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, COLORREF Transparent);

struct BLENDFUNCTION {
    Byte BlendOp = 0;
    Byte BlendFlags = 0;
    Byte SourceConstantAlpha = 255;
    Byte AlphaFormat = 0;
};
enum : Byte { AC_SRC_OVER = 0, AC_SRC_ALPHA = 1 };
/// Source over target with a constant alpha, and the source's own
/// (premultiplied) alpha with AC_SRC_ALPHA.
BOOL AlphaBlend(HDC DC, int X, int Y, int Width, int Height, HDC Source, int SX, int SY,
    int SWidth, int SHeight, BLENDFUNCTION Blend);

// ---- regions and clipping ---------------------------------------------------------------------

enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateRectRgnIndirect(const TRect& Rect);
/// Dest := Source1 op Source2 (Source2 unused by RGN_COPY); the kind of the result.
int CombineRgn(HRGN Dest, HRGN Source1, HRGN Source2, int Mode);
BOOL PtInRegion(HRGN Region, int X, int Y);
int GetRgnBox(HRGN Region, TRect& Rect);
BOOL OffsetRgn(HRGN Region, int X, int Y);
/// Replaces the clip of DC by a copy of Region (device pixels; null: no clip).
int SelectClipRgn(HDC DC, HRGN Region);
/// Combines the clip with Region (device pixels) by RGN_ Mode; RGN_COPY
/// with a null region removes the clip. The kind of the new clip; ERROR
/// for a bad mode or a null region with another mode.
int ExtSelectClipRgn(HDC DC, HRGN Region, int Mode);
int ExcludeClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
/// Bounding box of the clip (the whole surface when there is none).
int GetClipBox(HDC DC, TRect& Rect);
/// Whether any part of Rect (logical units) lies inside the DC's clip.
BOOL RectVisible(HDC DC, const TRect& Rect);

/// Moves the pixels of Scroll (the whole surface when null), limited to
/// Clip, by (DX, DY); the part uncovered goes into Update (a region, may be
/// null) and UpdateRect (its bounding box, may be null), logical pixels.
BOOL ScrollDC(HDC DC, int DX, int DY, const TRect* Scroll, const TRect* Clip, HRGN Update, TRect* UpdateRect);

/// Pushes the DC's objects, modes, origin and clip; returns the new depth.
int SaveDC(HDC DC);
/// Pops to depth Saved (or |Saved| levels when negative).
BOOL RestoreDC(HDC DC, int Saved);

// ---- mapping ---------------------------------------------------------------------------------

// Logical units map to device pixels through the world transform (GM_ADVANCED
// only), then the page transform: device = (page - window origin) x
// viewport extent / window extent + viewport origin. MM_TEXT maps one unit
// to a pixel; the metric and English modes fix the extents from the surface's
// dots per inch with y growing upwards; MM_ISOTROPIC keeps both axes at the
// same scale by shrinking the viewport extent; MM_ANISOTROPIC takes the
// extents as set.
enum : int {
    MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
    MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8,
};
enum : int { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum : DWORD { MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3 };

/// x' = x eM11 + y eM21 + eDx, y' = x eM12 + y eM22 + eDy.
struct XFORM {
    float eM11 = 1;
    float eM12 = 0;
    float eM21 = 0;
    float eM22 = 1;
    float eDx = 0;
    float eDy = 0;
};

/// Sets the mapping mode; returns the previous one, 0 for a bad mode.
/// Entering a fixed mode sets its extents; MM_ISOTROPIC and MM_ANISOTROPIC
/// keep the extents in effect.
int SetMapMode(HDC DC, int Mode);
int GetMapMode(HDC DC);
BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old);
BOOL GetViewportOrgEx(HDC DC, TPoint& Origin);
BOOL OffsetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old);
BOOL SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old);
BOOL GetWindowOrgEx(HDC DC, TPoint& Origin);
BOOL OffsetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old);
/// Extents count only in MM_ISOTROPIC and MM_ANISOTROPIC (other modes keep
/// theirs and the call does nothing but report success); a zero extent is
/// refused (false).
BOOL SetWindowExtEx(HDC DC, int X, int Y, TSize* Old);
BOOL GetWindowExtEx(HDC DC, TSize& Extent);
BOOL SetViewportExtEx(HDC DC, int X, int Y, TSize* Old);
BOOL GetViewportExtEx(HDC DC, TSize& Extent);
/// Returns the previous mode; 0 for a bad mode, or when going back to
/// GM_COMPATIBLE while the world transform is not the identity.
int SetGraphicsMode(HDC DC, int Mode);
int GetGraphicsMode(HDC DC);
/// The world transform; false outside GM_ADVANCED or for a transform that
/// cannot be inverted.
BOOL SetWorldTransform(HDC DC, const XFORM& Xform);
BOOL GetWorldTransform(HDC DC, XFORM& Xform);
/// MWT_IDENTITY resets the transform; MWT_LEFTMULTIPLY applies Xform before
/// the current one, MWT_RIGHTMULTIPLY after it.
BOOL ModifyWorldTransform(HDC DC, const XFORM* Xform, DWORD Mode);
/// Logical points to device pixels and back, rounded to the nearest;
/// DPtoLP fails when the transform cannot be inverted.
BOOL LPtoDP(HDC DC, TPoint* Points, int Count);
BOOL DPtoLP(HDC DC, TPoint* Points, int Count);

/// A memory DC compatible with DC; it draws on the bitmap selected into it
/// (a 1 x 1 monochrome bitmap at first). Free it with DeleteDC.
HDC CreateCompatibleDC(HDC DC);
BOOL DeleteDC(HDC DC);
/// A colour bitmap of the given size (monochrome when DC is a memory DC with
/// its initial bitmap, as the system does), initially black.
HBITMAP CreateCompatibleBitmap(HDC DC, int Width, int Height);
/// A monochrome bitmap (BitsPerPixel 1) or a colour one, cleared to 0.
HBITMAP CreateBitmap(int Width, int Height, UINT Planes, UINT BitsPerPixel, const void* Bits);

// ---- rectangles --------------------------------------------------------------------------------

BOOL SetRect(TRect& Rect, int Left, int Top, int Right, int Bottom);
BOOL SetRectEmpty(TRect& Rect);
BOOL IsRectEmpty(const TRect& Rect);
BOOL EqualRect(const TRect& A, const TRect& B);
BOOL OffsetRect(TRect& Rect, int DX, int DY);
BOOL InflateRect(TRect& Rect, int DX, int DY);
/// Dest := A ∩ B; false (and Dest empty) when they do not meet.
BOOL IntersectRect(TRect& Dest, const TRect& A, const TRect& B);
BOOL UnionRect(TRect& Dest, const TRect& A, const TRect& B);

// ---- keys ----------------------------------------------------------------------------------------

enum : Word {
    VK_LBUTTON = 1, VK_RBUTTON = 2, VK_CANCEL = 3, VK_MBUTTON = 4, VK_BACK = 8, VK_TAB = 9,
    VK_CLEAR = 12, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18, VK_PAUSE = 19,
    VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35,
    VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_SELECT = 41,
    VK_PRINT = 42, VK_EXECUTE = 43, VK_SNAPSHOT = 44, VK_INSERT = 45, VK_DELETE = 46,
    VK_HELP = 47, VK_LWIN = 91, VK_RWIN = 92, VK_APPS = 93,
    VK_NUMPAD0 = 96, VK_NUMPAD1, VK_NUMPAD2, VK_NUMPAD3, VK_NUMPAD4, VK_NUMPAD5, VK_NUMPAD6,
    VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD9, VK_MULTIPLY = 106, VK_ADD = 107, VK_SEPARATOR = 108,
    VK_SUBTRACT = 109, VK_DECIMAL = 110, VK_DIVIDE = 111,
    VK_F1 = 112, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11,
    VK_F12, VK_NUMLOCK = 144, VK_SCROLL = 145, VK_LSHIFT = 160, VK_RSHIFT = 161,
    VK_LCONTROL = 162, VK_RCONTROL = 163, VK_LMENU = 164, VK_RMENU = 165,
    VK_OEM_1 = 186, VK_OEM_PLUS = 187, VK_OEM_COMMA = 188, VK_OEM_MINUS = 189,
    VK_OEM_PERIOD = 190, VK_OEM_2 = 191, VK_OEM_3 = 192, VK_OEM_4 = 219, VK_OEM_5 = 220,
    VK_OEM_6 = 221, VK_OEM_7 = 222,
};

/// State of a virtual key as the last input event left it: bit 15 set while
/// down (so the result is negative), bit 0 the toggle. Tests set it through
/// SetKeyStateForTest.
SmallInt GetKeyState(int VirtualKey);
SmallInt GetAsyncKeyState(int VirtualKey);

// ---- message boxes and beeps -------------------------------------------------------------------

enum : UINT {
    MB_OK = 0, MB_OKCANCEL = 1, MB_ABORTRETRYIGNORE = 2, MB_YESNOCANCEL = 3, MB_YESNO = 4,
    MB_RETRYCANCEL = 5, MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30,
    MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40, MB_DEFBUTTON1 = 0, MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200, MB_APPLMODAL = 0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000,
    MB_SETFOREGROUND = 0x10000, MB_TOPMOST = 0x40000, MB_SERVICE_NOTIFICATION = 0x200000,
    MB_TYPEMASK = 0xF, MB_ICONMASK = 0xF0, MB_DEFMASK = 0xF00,
};
enum : int {
    IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7,
    IDCLOSE = 8, IDHELP = 9,
};

/// A modal message box with the buttons of Type; the pressed button's ID.
/// Goes through the message-box hook of Forms.h when one is set.
int MessageBox(HWND Owner, const AnsiString& Text, const AnsiString& Caption, UINT Type);
/// Sounds the system beep; tests count the calls through MessageBeepCount.
BOOL MessageBeep(UINT Type);
/// Number of MessageBeep calls since the program started.
int MessageBeepCount();

// ---- windows --------------------------------------------------------------------------------------

enum : uint32_t {
    WS_OVERLAPPED = 0, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_MINIMIZE = 0x20000000,
    WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000, WS_CLIPSIBLINGS = 0x04000000,
    WS_CLIPCHILDREN = 0x02000000, WS_MAXIMIZE = 0x01000000, WS_CAPTION = 0x00C00000,
    WS_BORDER = 0x00800000, WS_DLGFRAME = 0x00400000, WS_VSCROLL = 0x00200000,
    WS_HSCROLL = 0x00100000, WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000,
    WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000, WS_MINIMIZEBOX = 0x00020000,
    WS_MAXIMIZEBOX = 0x00010000, WS_OVERLAPPEDWINDOW = 0x00CF0000,
};
enum : uint32_t {
    WS_EX_DLGMODALFRAME = 1, WS_EX_TOPMOST = 8, WS_EX_TRANSPARENT = 0x20,
    WS_EX_TOOLWINDOW = 0x80, WS_EX_WINDOWEDGE = 0x100, WS_EX_CLIENTEDGE = 0x200,
    WS_EX_CONTEXTHELP = 0x400, WS_EX_RIGHT = 0x1000, WS_EX_RTLREADING = 0x2000,
    WS_EX_LEFTSCROLLBAR = 0x4000, WS_EX_CONTROLPARENT = 0x10000, WS_EX_APPWINDOW = 0x40000,
    WS_EX_LAYERED = 0x80000,
};
enum : uint32_t { CS_VREDRAW = 1, CS_HREDRAW = 2, CS_DBLCLKS = 8, CS_SAVEBITS = 0x800 };
enum : uint32_t {
    ES_LEFT = 0, ES_CENTER = 1, ES_RIGHT = 2, ES_MULTILINE = 4, ES_UPPERCASE = 8,
    ES_LOWERCASE = 0x10, ES_PASSWORD = 0x20, ES_AUTOVSCROLL = 0x40, ES_AUTOHSCROLL = 0x80,
    ES_NOHIDESEL = 0x100, ES_READONLY = 0x800, ES_WANTRETURN = 0x1000, ES_NUMBER = 0x2000,
};
enum : int { GWL_WNDPROC = -4, GWL_HWNDPARENT = -8, GWL_STYLE = -16, GWL_EXSTYLE = -20 };
enum : UINT {
    SWP_NOSIZE = 1, SWP_NOMOVE = 2, SWP_NOZORDER = 4, SWP_NOREDRAW = 8, SWP_NOACTIVATE = 0x10,
    SWP_FRAMECHANGED = 0x20, SWP_SHOWWINDOW = 0x40, SWP_HIDEWINDOW = 0x80,
    SWP_NOOWNERZORDER = 0x200, SWP_NOSENDCHANGING = 0x400,
};
enum : int {
    SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
    SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_SHOWMINNOACTIVE = 7, SW_SHOWNA = 8,
    SW_RESTORE = 9,
};
/// Special insert-after values of SetWindowPos.
inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);

enum : UINT {
    RDW_INVALIDATE = 1, RDW_INTERNALPAINT = 2, RDW_ERASE = 4, RDW_VALIDATE = 8,
    RDW_NOINTERNALPAINT = 0x10, RDW_NOERASE = 0x20, RDW_NOCHILDREN = 0x40,
    RDW_ALLCHILDREN = 0x80, RDW_UPDATENOW = 0x100, RDW_ERASENOW = 0x200, RDW_FRAME = 0x400,
    RDW_NOFRAME = 0x800,
};
enum : UINT { DCX_WINDOW = 1, DCX_CACHE = 2, DCX_CLIPCHILDREN = 8, DCX_CLIPSIBLINGS = 0x10,
    DCX_PARENTCLIP = 0x20, DCX_EXCLUDERGN = 0x40, DCX_INTERSECTRGN = 0x80,
    DCX_LOCKWINDOWUPDATE = 0x400 };
enum : UINT { PM_NOREMOVE = 0, PM_REMOVE = 1, PM_NOYIELD = 2 };

BOOL IsWindow(HWND Wnd);
BOOL IsWindowVisible(HWND Wnd);
BOOL IsWindowEnabled(HWND Wnd);
HWND GetParent(HWND Wnd);
/// Client rectangle (0, 0, width, height); window rectangle in screen pixels.
BOOL GetClientRect(HWND Wnd, TRect& Rect);
BOOL GetWindowRect(HWND Wnd, TRect& Rect);
BOOL ClientToScreen(HWND Wnd, TPoint& Point);
BOOL ScreenToClient(HWND Wnd, TPoint& Point);
BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags);
BOOL ShowWindow(HWND Wnd, int Command);
BOOL BringWindowToTop(HWND Wnd);
BOOL SetForegroundWindow(HWND Wnd);
HWND GetActiveWindow();
HWND GetFocus();
/// Focuses the window; returns the previously focused one.
HWND SetFocus(HWND Wnd);
HWND GetCapture();
HWND SetCapture(HWND Wnd);
BOOL ReleaseCapture();
/// The deepest visible window under a screen point; null when none.
HWND WindowFromPoint(TPoint Point);
/// Style words of a window; GWL_HWNDPARENT sets or reads the owner window.
intptr_t GetWindowLong(HWND Wnd, int Index);
intptr_t SetWindowLong(HWND Wnd, int Index, intptr_t Value);
/// Marks Rect (the whole client when null) for repainting by WM_PAINT.
BOOL InvalidateRect(HWND Wnd, const TRect* Rect, BOOL Erase);
BOOL ValidateRect(HWND Wnd, const TRect* Rect);
/// Paints what is invalid now (WM_PAINT is sent before returning).
BOOL UpdateWindow(HWND Wnd);
BOOL RedrawWindow(HWND Wnd, const TRect* Rect, HRGN Region, UINT Flags);
/// Stops the window from showing its painting until LockWindowUpdate(0);
/// one window at a time (false while another is locked). Drawing and
/// invalidating go on and show at the unlock.
BOOL LockWindowUpdate(HWND Wnd);
/// Moves the window's client pixels by (DX, DY) and invalidates the uncovered part.
BOOL ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Rect, const TRect* Clip);
/// A DC that draws on the window's client surface at once (outside painting);
/// pair with ReleaseDC. A null Wnd gives the screen DC, good for measuring.
HDC GetDC(HWND Wnd);
/// GetDC with DCX_ flags; DCX_PARENTCLIP/DCX_CLIPSIBLINGS off lets drawing
/// cover the window's children (used for XOR tracking lines). With
/// DCX_INTERSECTRGN the DC draws only inside Clip, with DCX_EXCLUDERGN only
/// outside it; Clip is in screen coordinates, as WM_NCPAINT gives it, and
/// stays the caller's.
HDC GetDCEx(HWND Wnd, HRGN Clip, UINT Flags);
/// A DC on the whole window, frame included ((0, 0) is the window's
/// top-left corner); what a WM_NCPAINT handler paints with. Pair with
/// ReleaseDC.
HDC GetWindowDC(HWND Wnd);
int ReleaseDC(HWND Wnd, HDC DC);

// ---- scroll bars of windows -------------------------------------------------------------

enum : UINT {
    SIF_RANGE = 1, SIF_PAGE = 2, SIF_POS = 4, SIF_DISABLENOSCROLL = 8, SIF_TRACKPOS = 0x10,
    SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
};
enum : UINT { ESB_ENABLE_BOTH = 0, ESB_DISABLE_BOTH = 3 };
/// Scroll bar control styles: the bar lies along the width or the height.
enum : uint32_t { SBS_HORZ = 0, SBS_VERT = 1 };

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
using TScrollInfo = SCROLLINFO;

// ---- caret (Caret.cpp) ----------------------------------------------------------------------

/// The Bitmap of CreateCaret for a grey caret.
inline HBITMAP const CaretGrey = reinterpret_cast<HBITMAP>(1);
/// Makes the program's one caret for Wnd, hidden, at the client's (0, 0),
/// Width x Height pixels (0: the border width or height); the caret a
/// window had before goes. Bitmap null gives a solid caret, CaretGrey a
/// grey one; any other bitmap is drawn as a solid caret of that size. The
/// caret goes with its window. False for a dead window.
BOOL CreateCaret(HWND Wnd, HBITMAP Bitmap, int Width, int Height);
/// False when there is no caret.
BOOL DestroyCaret();
/// Shows the caret once every HideCaret has had its ShowCaret; it blinks
/// every GetCaretBlinkTime milliseconds while shown (it is drawn inverted
/// over the window). Wnd is the caret's window or null; false for another
/// window, without a caret, or when it is shown already.
BOOL ShowCaret(HWND Wnd);
BOOL HideCaret(HWND Wnd);
/// Moves the caret (client pixels of its window); it shows at once there.
BOOL SetCaretPos(int X, int Y);
/// False without a caret.
BOOL GetCaretPos(TPoint& Point);
UINT GetCaretBlinkTime();

/// Sets the window's scroll bar (SB_HORZ or SB_VERT, or SB_CTL for a scroll
/// bar control): range, page and position as fMask says; the position is
/// kept within Min..Max-Page+1. A frame bar whose range fits in the page is
/// hidden unless SIF_DISABLENOSCROLL (then it is shown disabled); showing
/// or hiding it changes the client size (WM_SIZE). Returns the position.
int SetScrollInfo(HWND Wnd, int Bar, const SCROLLINFO& Info, BOOL Redraw);
BOOL GetScrollInfo(HWND Wnd, int Bar, SCROLLINFO& Info);
int SetScrollPos(HWND Wnd, int Bar, int Pos, BOOL Redraw);
int GetScrollPos(HWND Wnd, int Bar);
BOOL SetScrollRange(HWND Wnd, int Bar, int Min, int Max, BOOL Redraw);
BOOL GetScrollRange(HWND Wnd, int Bar, int& Min, int& Max);
BOOL ShowScrollBar(HWND Wnd, int Bar, BOOL Show);
BOOL EnableScrollBar(HWND Wnd, int Bar, UINT Arrows);

/// The standard clipboard formats.
enum : UINT {
    CF_TEXT = 1, CF_BITMAP = 2, CF_OEMTEXT = 7, CF_UNICODETEXT = 13, CF_ENHMETAFILE = 14,
    CF_HDROP = 15,
};

/// Standard cursor identifiers of LoadCursor(0, ...).
enum : intptr_t {
    IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515, IDC_UPARROW = 32516,
    IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643, IDC_SIZEWE = 32644, IDC_SIZENS = 32645,
    IDC_SIZEALL = 32646, IDC_NO = 32648, IDC_HAND = 32649, IDC_APPSTARTING = 32650, IDC_HELP = 32651,
};
/// A standard cursor (Instance 0 and an IDC_ value) or a cursor resource
/// of the program ("YL_HANDCUR", "YL_DRAGCUR" and any registered with
/// RegisterCursorResource); 0 when there is none.
HCURSOR LoadCursor(intptr_t Instance, intptr_t Id);
HCURSOR LoadCursor(intptr_t Instance, const AnsiString& Name);
/// Registers a cursor picture (PNG or BMP bytes, kept by the caller) with
/// its hot spot under a resource name.
void RegisterCursorResource(const AnsiString& Name, const void* Data, size_t Size, int HotX, int HotY);
/// Mouse pointer position in screen pixels (last input event; tests set it).
BOOL GetCursorPos(TPoint& Point);
BOOL SetCursorPos(int X, int Y);
/// Shows a cursor shape now; returns the previous one.
HCURSOR SetCursor(HCURSOR Cursor);
/// Reads a user setting from SystemMetrics into Param: the work area
/// (SPI_GETWORKAREA, a TRect*), the wheel scroll lines (UINT*; UINT(-1)
/// scrolls a page), and as BOOL* whether dragging shows full windows and
/// whether tooltips are animated and fade. False, and Param untouched,
/// for a null Param or another action.
BOOL SystemParametersInfo(UINT Action, UINT UIParam, void* Param, UINT WinIni);

// ---- multimedia timer --------------------------------------------------------------------

enum : UINT { TIMERR_NOERROR = 0, TIMERR_NOCANDO = 97 };
/// Milliseconds since the system started, modulo 2^32 (the tick counter
/// of GetTickCount, so tests that replace it move both).
DWORD timeGetTime();
/// Asks for a timer resolution of Period milliseconds until the matching
/// timeEndPeriod. The counter already counts single milliseconds, so
/// this only checks and counts the requests: TIMERR_NOCANDO for a period
/// of 0 or an end without a begin of the same period.
UINT timeBeginPeriod(UINT Period);
UINT timeEndPeriod(UINT Period);

// ---- messages to windows ------------------------------------------------------------------

/// Calls the window's control's WndProc at once and returns Result; 0 for a
/// window that no longer exists. From another thread the message runs on
/// the window's thread (from its event loop, its PeekMessage or its wait
/// for a thread in TThread::WaitFor) while the
/// caller waits; an exception in the handler is reported there and the
/// caller gets 0, as it does after shut-down.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
/// Queues the message (from any thread); it is dispatched from the event
/// loop after what is already queued. A message for a window destroyed meanwhile is dropped.
/// A null Wnd posts a thread message (seen only by PeekMessage and the loop).
BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
/// Posts WM_QUIT with ExitCode; the application's Run loop ends on it.
void PostQuitMessage(int ExitCode);
/// Queues Answer(Data) to run on the window thread from its event loop
/// (from any thread); false when there is no event loop yet. A thread that
/// watches whether the window thread still answers asks this way.
BOOL PostAnswerRequest(void (*Answer)(void* Data), void* Data);

/// Sets (or resets) timer Id of the window: WM_TIMER with WParam Id every
/// Elapse milliseconds until KillTimer. Returns Id; 0 for a dead window.
/// TimerProc is not supported (must be null).
UINT_PTR SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse, void* TimerProc);
BOOL KillTimer(HWND Wnd, UINT_PTR Id);

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
/// The first queued message for Wnd (any window when null; WM_QUIT always
/// matches) with a number in Min..Max (all when both are 0). PM_REMOVE takes
/// it out of the queue.
BOOL PeekMessage(MSG& Msg, HWND Wnd, UINT Min, UINT Max, UINT RemoveMsg);
