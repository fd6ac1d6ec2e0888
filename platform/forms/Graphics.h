#pragma once

// Colours, fonts, pens, brushes, canvases and pictures.
//
// TColor is 0x00BBGGRR; a negative value 0x80000000 | n is system colour n
// (COLOR_... of Windows.h) whose RGB comes from SystemMetrics; clNone and
// clDefault are markers, never drawn.
//
// TFont, TPen and TBrush describe a drawing object and make its handle on
// demand; two fonts with the same description share one handle, so handles
// can be compared. Every change fires OnChange.
//
// A TCanvas draws on a device context (Windows.h): before each operation it
// selects its Font, Pen and Brush and sets the text colour to Font's colour,
// the background to Brush's colour, and the background mode to transparent
// when the brush is clear. Canvases of bitmaps make their own DC; canvases
// of controls get theirs while the control paints.

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Persistent.h"
#include "platform/classes/Sets.h"
#include "platform/winapi/EnhMetaFiles.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TStream;
class TBitmap;
class TGraphic;

// ---- colours ------------------------------------------------------------------

using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor SysColor(int Index) { return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(Index)); }

constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

/// The RGB of a colour: system colours from SystemMetrics, others as they
/// are (clNone and clDefault included).
[[nodiscard]] COLORREF ColorToRGB(TColor Color);
/// "clRed" for a named colour, "$00BBGGRR" (8 hex digits) otherwise.
[[nodiscard]] AnsiString ColorToString(TColor Color);
/// A colour name ("clRed", case ignored) or a number ("$FF", "255").
/// Raises EConvertError "'%s' is not a valid integer value" for anything else.
[[nodiscard]] TColor StringToColor(const AnsiString& S);
/// Colour name to value and back; false when the name or value is not in
/// the table of named colours.
bool IdentToColor(const AnsiString& Ident, TColor& Color);
bool ColorToIdent(TColor Color, AnsiString& Ident);
PTypeInfo TypeInfoOfColor();

// ---- fonts, pens, brushes ---------------------------------------------------------

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = EnumSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;
PTypeInfo TypeInfoOf(const TFontStyle*);
PTypeInfo TypeInfoOf(const TFontStyles*);
PTypeInfo TypeInfoOf(const TFontPitch*);

/// Base of fonts, pens and brushes: OnChange after every change.
class TGraphicsObject : public TPersistent {
    PRICETAGS_CLASS(TGraphicsObject, TPersistent)
public:
    TGraphicsObject() = default;
    ~TGraphicsObject() override;

    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

class TFont : public TGraphicsObject {
    PRICETAGS_CLASS(TFont, TGraphicsObject)
public:
    /// "MS Sans Serif", 8 points (-11 pixels), clWindowText, default charset.
    TFont();
    ~TFont() override;

    void Assign(TPersistent* Source) override;

    /// The shared handle of this description (valid until the font changes).
    HFONT Handle() const;
    /// Takes the description of a font handle (made by CreateFontIndirect).
    void SetHandle(HFONT Value);
    /// The description as a font request.
    LOGFONT LogFont() const;

    const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& Value);
    /// Points at PixelsPerInch: -Height * 72 / PixelsPerInch, rounded.
    int Size() const;
    void SetSize(int Value);
    /// Pixels: negative for the character height, positive for the cell.
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    /// Escapement of the text in tenths of a degree, counter-clockwise.
    int Orientation() const { return FOrientation; }
    void SetOrientation(int Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }

private:
    void Update();

    AnsiString FName;
    int FHeight = -11;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int FOrientation = 0;
    int FPixelsPerInch = 96;
    mutable HFONT FHandle = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
    pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
PTypeInfo TypeInfoOf(const TPenStyle*);
PTypeInfo TypeInfoOf(const TPenMode*);
/// The R2_ mix code of a pen mode.
int PenModeToRop2(TPenMode Mode);

class TPen : public TGraphicsObject {
    PRICETAGS_CLASS(TPen, TGraphicsObject)
public:
    /// Black, solid, 1 pixel, pmCopy.
    TPen();
    ~TPen() override;

    void Assign(TPersistent* Source) override;
    HPEN Handle() const;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);

private:
    void Update();

    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    mutable HPEN FHandle = nullptr;
};

enum TBrushStyle {
    bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};
PTypeInfo TypeInfoOf(const TBrushStyle*);

class TBrush : public TGraphicsObject {
    PRICETAGS_CLASS(TBrush, TGraphicsObject)
public:
    /// White and solid.
    TBrush();
    ~TBrush() override;

    void Assign(TPersistent* Source) override;
    HBRUSH Handle() const;

    TColor Color() const { return FColor; }
    /// Setting a colour while the style is bsClear makes the brush solid.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    /// A pattern bitmap (not owned; the caller keeps it alive while set);
    /// it replaces colour and style until set back to null.
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* Value);

private:
    void Update();

    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
    mutable HBRUSH FHandle = nullptr;
};

// ---- canvas ---------------------------------------------------------------------------

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = EnumSet<TCanvasStates>;
using TCopyMode = DWORD;
enum TTextFormats {
    tfBottom, tfCalcRect, tfCenter, tfEditControl, tfEndEllipsis, tfPathEllipsis, tfExpandTabs,
    tfExternalLeading, tfLeft, tfModifyString, tfNoClip, tfNoPrefix, tfRight, tfRtlReading,
    tfSingleLine, tfTop, tfVerticalCenter, tfWordBreak
};
using TTextFormat = EnumSet<TTextFormats>;

class TCanvas : public TPersistent {
    PRICETAGS_CLASS(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;

    /// The device context; made on demand by CreateHandle. Raises
    /// EInvalidOperation "Canvas does not allow drawing" when there is none.
    HDC Handle();
    /// Uses DC (not owned; null detaches the canvas).
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    void SetPen(TPen* Value) { FPen->Assign(Value); }
    void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
    TPoint PenPos();
    void SetPenPos(TPoint Value) { MoveTo(Value.X, Value.Y); }
    /// Colour of a pixel; -1 outside the surface or the clip.
    TColor Pixels(int X, int Y);
    void SetPixels(int X, int Y, TColor Value);
    /// The clip's bounding box in logical coordinates.
    TRect ClipRect();
    /// DrawText flags TextRect uses (tfXxx); empty means TextOut clipped.
    int TextFlags() const { return FTextFlags; }
    void SetTextFlags(int Value) { FTextFlags = Value; }

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const TPoint* Points, int Count);
    void Polyline(std::initializer_list<TPoint> Points);
    void Polygon(const TPoint* Points, int Count);
    void Polygon(std::initializer_list<TPoint> Points);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R);
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R);
    void FillRect(const TRect& R);
    void FrameRect(const TRect& R);
    void DrawFocusRect(const TRect& R);
    void TextOut(int X, int Y, const AnsiString& Text);
    /// Text at (X, Y) clipped to R, over the brush when it is not clear.
    void TextRect(const TRect& R, int X, int Y, const AnsiString& Text);
    /// DrawText over R with TextFormat flags (R is updated for tfCalcRect).
    void TextRect(TRect& R, AnsiString& Text, TTextFormat TextFormat);
    int TextWidth(const AnsiString& Text);
    int TextHeight(const AnsiString& Text);
    TSize TextExtent(const AnsiString& Text);
    void Draw(int X, int Y, TGraphic* Graphic);
    void StretchDraw(const TRect& R, TGraphic* Graphic);
    /// Copies Source's Src rectangle into Dest with CopyMode.
    void CopyRect(const TRect& Dest, TCanvas* Source, const TRect& Src);
    /// Copies Source's rectangle with Color in it replaced by the brush.
    void BrushCopy(const TRect& Dest, TBitmap* Source, const TRect& Src, TColor Color);

    /// Serialises drawing from several threads; paired calls.
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return FLockCount; }
    /// Forgets the selected objects so they are selected again.
    void Refresh();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    /// Makes a DC (SetHandle) when none is set; the base makes none.
    virtual void CreateHandle();
    virtual void Changing();
    virtual void Changed();
    /// Selects the objects the drawing step needs.
    void RequiredState(TCanvasState ReqState);

private:
    void FontChanged(TObject* Sender);
    void PenChanged(TObject* Sender);
    void BrushChanged(TObject* Sender);
    void DeselectHandles();

    HDC FHandle = nullptr;
    TCanvasState FState;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    TCopyMode FCopyMode = SRCCOPY;
    int FTextFlags = 0;
    int FLockCount = 0;
    std::recursive_mutex FLock;
};

// ---- pictures ------------------------------------------------------------------------

/// A picture: bitmaps here (icons and metafiles derive from it elsewhere).
class TGraphic : public TPersistent {
    PRICETAGS_CLASS(TGraphic, TPersistent)
public:
    TGraphic() = default;
    ~TGraphic() override;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual void SetHeight(int Value) = 0;
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    /// Reads the picture from a file; raises EInvalidGraphic "Bitmap image
    /// is not valid" when the bytes are no picture, EFOpenError when the
    /// file cannot be opened.
    virtual void LoadFromFile(const AnsiString& FileName);
    virtual void SaveToFile(const AnsiString& FileName);
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;

    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    friend class TPicture;
    virtual void Draw(TCanvas* ACanvas, const TRect& R) = 0;
    virtual void Changed(TObject* Sender);

private:
    bool FTransparent = false;
    bool FModified = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

/// A picture of pixels held as 32-bit 0xAARRGGBB values (ScanLine gives
/// those whatever the PixelFormat says; the top byte is only read by
/// AlphaBlend). Monochrome bitmaps hold only black and white.
class TBitmap : public TGraphic {
    PRICETAGS_CLASS(TBitmap, TGraphic)
public:
    /// An empty bitmap (0 x 0).
    TBitmap();
    ~TBitmap() override;

    void Assign(TPersistent* Source) override;

    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    /// Resizes keeping the pixels that stay inside (new ones are white for
    /// colour and black for monochrome bitmaps... as the system clears).
    void SetSize(int AWidth, int AHeight);

    /// The canvas drawing on the pixels (owned by the bitmap).
    TCanvas* Canvas();
    /// The bitmap object; the bitmap keeps owning it.
    HBITMAP Handle();
    /// Takes ownership of a bitmap object made by the drawing layer.
    void SetHandle(HBITMAP Value);
    /// Gives the bitmap object away (the caller frees it with DeleteObject);
    /// the bitmap becomes empty.
    HBITMAP ReleaseHandle();
    /// A monochrome mask: white where the pixel is TransparentColor, black
    /// elsewhere. Owned by the bitmap; valid until the bitmap changes.
    HBITMAP MaskHandle();

    bool Monochrome() const;
    void SetMonochrome(bool Value);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);
    /// tmAuto: the bottom-left pixel's colour; tmFixed: the colour set.
    TColor TransparentColor();
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);
    /// First byte of pixel row Row (0-based): Width 32-bit values. Raises
    /// EInvalidGraphicOperation "Scan line index out of range" outside
    /// 0..Height-1.
    void* ScanLine(int Row);

    /// Reads a Windows bitmap file (1 to 32 bits a pixel, uncompressed or
    /// bit fields) from the position to the end. Raises EInvalidGraphic
    /// "Bitmap image is not valid" for anything else, a file cut short or
    /// a size past the reader's limits; the pixels are kept then.
    void LoadFromStream(TStream* Stream) override;
    /// Writes a 24-bit Windows bitmap file (1-bit for monochrome bitmaps).
    void SaveToStream(TStream* Stream) override;
    /// Loads a picture registered under Name (RegisterResource); raises
    /// EResNotFound "Resource %s not found" when none is.
    void LoadFromResourceName(intptr_t Instance, const AnsiString& Name);
    /// Replaces the pixels by a bitmap, PNG or other picture file's bytes.
    void LoadFromBytes(const std::string& Bytes);
    /// PNG file bytes of the pixels (for tests and previews).
    std::string SaveToPngBytes();

    /// Stops drawing through the canvas so that pixels can be used directly
    /// (ScanLine does it itself).
    void FreeImage();

protected:
    void Draw(TCanvas* ACanvas, const TRect& R) override;
    void Changed(TObject* Sender) override;

private:
    friend class TBitmapCanvas;
    void NewImage(int AWidth, int AHeight, bool KeepPixels);
    void DropMask();

    HBITMAP FHandle = nullptr;
    HBITMAP FMask = nullptr;
    std::unique_ptr<TBitmapCanvas> FCanvas;
    TPixelFormat FPixelFormat = pfDevice;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
    /// The size asked for while one side is 0 (no pixels exist then).
    TPoint FEmptySize;
};

PRICETAGS_EXCEPTION(EResNotFound, Exception);

/// The canvas of a bitmap: a memory DC with the bitmap selected.
class TBitmapCanvas : public TCanvas {
    PRICETAGS_CLASS(TBitmapCanvas, TCanvas)
public:
    explicit TBitmapCanvas(TBitmap* ABitmap);
    ~TBitmapCanvas() override;
    void FreeContext();

protected:
    void CreateHandle() override;

private:
    TBitmap* FBitmap;
};

/// A holder of one graphic (owned), made as a bitmap on demand.
class TPicture : public TPersistent {
    PRICETAGS_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;

    void Assign(TPersistent* Source) override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    /// Takes a copy of Value (null empties the picture).
    void SetGraphic(TGraphic* Value);
    /// The graphic as a bitmap; an empty bitmap replaces another graphic.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }
    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName);

    TNotifyEvent OnChange;

protected:
    void Changed(TObject* Sender);

private:
    std::unique_ptr<TGraphic> FGraphic;
};

// ---- resources --------------------------------------------------------------------

/// The program's module handle for resource loading.
constexpr intptr_t HInstance = 0x400000;
/// Registers picture bytes (BMP or PNG) under a resource name (case
/// ignored) for LoadFromResourceName and LoadBitmap; a later registration
/// of the same name replaces the earlier one. Data must stay valid.
void RegisterResource(const AnsiString& Name, const void* Data, size_t Size);
/// The bytes of a resource; false when none is registered.
bool FindResourceBytes(const AnsiString& Name, std::string& Bytes);
/// A bitmap object of a resource (the caller frees it with DeleteObject);
/// null when none. The system bitmap OBM_COMBO is built in.
HBITMAP LoadBitmap(intptr_t Instance, const AnsiString& Name);
HBITMAP LoadBitmap(intptr_t Instance, intptr_t Id);
constexpr intptr_t OBM_COMBO = 32738;

/// A canvas over a recording DC of Width x Height pixels, for layout tests:
/// Log gives its calls (see RecordedCallLog). With FixedFontMetricsScope
/// the layout needs no installed font.
class TRecordingCanvas : public TCanvas {
    PRICETAGS_CLASS(TRecordingCanvas, TCanvas)
public:
    TRecordingCanvas(int Width, int Height);
    ~TRecordingCanvas() override;
    [[nodiscard]] std::vector<std::string> Log();

private:
    HDC FDC;
};
