#pragma once

// TView: one element of a template page (a text box or rectangle, a
// picture, a band area, or an owner-drawn frame). Its geometry is kept in
// hundredths of a millimetre (LeftMM...) and shown in pixels at 96 dpi
// times the document's Scale, through caches that 0x7FFFFFFF marks stale.
// A band area always reports left -1 and the page width + 2. The element
// owns its text lists and bitmaps; Document, Page and Band are not owned.
//
// Templates store an element as a tagged binary record (tag 0 "TV" ...
// tag 255 "ENDTV") or as an ini section of keys; both write geometry in
// pixels at the scale the template readers and writers fix at 1.0.
//
// Drawing (Draw) serves the designer, the measuring and drawing passes of
// page generation and the output pages. Text is laid out on every drawing:
// bracketed variables are answered by the document's host (only while
// output is built), inline tags in angle brackets change font, colour,
// alignment and spacing part-way, and the text is cut into measured pieces
// (T_ExtentStr) laid out into lines. Text is measured and drawn through a
// ViewTextDevice: the canvas's DC unless one is installed.

#include "common/reports/RP_Eng.h"

#include "common/base/TypeList.h"
#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Types.h"

#include <memory>

class TBand;
class TBitmap;
class TCanvas;
class TDocument;
class TFont;
class TIniFile;
class TPage;
class TStream;
class TStringList;

/// Element kinds. 3 is read and kept but never created.
inline constexpr Byte vkText = 0;
inline constexpr Byte vkPicture = 1;
inline constexpr Byte vkBandArea = 2;
inline constexpr Byte vkOwnerDraw = 4;

/// The stale mark of the pixel caches.
inline constexpr Integer PxNotComputed = 0x7FFFFFFF;

/// Drawing modes: the designer's view, its selection marks, output, the
/// measuring pass (nothing painted) and the drawing pass that follows it.
inline constexpr int dmDesign = 0;
inline constexpr int dmMarks = 1;
inline constexpr int dmMarksFrame = 2;
inline constexpr int dmOutput = 3;
inline constexpr int dmMeasure = 4;
inline constexpr int dmPrepared = 5;

/// One measured piece of an element's text: its box (left and top 0,
/// right its width, bottom its height), the metrics of its tallest stretch
/// and the index of the source line it belongs to.
class T_ExtentStr : public TObject {
    PRICETAGS_CLASS(T_ExtentStr, TObject)
public:
    T_ExtentStr() = default;
    ~T_ExtentStr() override;

    [[nodiscard]] int Width() const { return Right - Left; }
    [[nodiscard]] int Height() const { return Bottom - Top; }

    Integer Left = 0;
    Integer Top = 0;
    Integer Right = 0;
    Integer Bottom = 0;
    Integer Ascent = 0;
    Integer IntLeading = 0;
    Integer ExtLeading = 0;
    Integer LineNo = 0;
    AnsiString Text;
    /// The piece holds an inline tag (its stretches are measured again when
    /// drawn); a piece without one advances by its width.
    bool HasTags = false;
};

/// The measured pieces of an element's text, with a cursor and the
/// word-wrap flag that decides how lines are taken. Owns its pieces.
class T_ExtentStrList : public T_ylOwnerList {
    PRICETAGS_CLASS(T_ExtentStrList, T_ylOwnerList)
public:
    T_ExtentStrList() = default;
    ~T_ExtentStrList() override;

    /// Cursor before the first item.
    void First() { Cursor = -1; }
    /// Cursor + 1; the item there, or null past the end.
    T_ExtentStr* Next();
    [[nodiscard]] bool Eof() const { return Cursor >= Count(); }
    [[nodiscard]] T_ExtentStr* GetItem(int Index) const
    {
        return static_cast<T_ExtentStr*>(GetObject(Index));
    }
    /// Appends a new empty piece and returns it.
    T_ExtentStr* AddNew();
    /// Measures the line that starts at item Index: the items of the same
    /// line number while their summed width stays within MaxWidth. The item
    /// that makes the sum exceed it ends the line: with WordWrap and not the
    /// first item it is left for the next line, else it is taken. Index is
    /// left at the next line's first item; Rec holds the summed width and
    /// the height, ascent and leadings of the tallest item taken.
    void TakeLines(int& Index, ExtentRecord& Rec, int MaxWidth) const;

    int Cursor = -1;
    bool WordWrap = false;
};

/// What text layout asks of a surface: the extent and metrics of a text in
/// the canvas's current font, and drawing it. The default works on the
/// canvas's DC; tests and benchmarks install one with fixed metrics.
struct TextPieceMetrics {
    int Width = 0;
    int Height = 0;
    int Ascent = 0;
    int IntLeading = 0;
    int ExtLeading = 0;
};
class ViewTextDevice {
public:
    virtual ~ViewTextDevice() = default;
    /// Width of Text and the metrics of the canvas font (height = the
    /// font's full height).
    [[nodiscard]] virtual TextPieceMetrics Measure(TCanvas* Canvas, const AnsiString& Text) = 0;
    /// Text drawn from Box's top-left corner, clipped to Box, with no
    /// prefix processing and tabs expanded.
    virtual void DrawText(TCanvas* Canvas, const TRect& Box, const AnsiString& Text) = 0;
    /// Text with its reference point at (X, Y) in the canvas font (rotated
    /// fonts included), clipped to Clip.
    virtual void DrawTextAt(TCanvas* Canvas, int X, int Y, const TRect& Clip,
                            const AnsiString& Text) = 0;
};
/// Installs the device every element measures and draws text with (null:
/// the canvas's own DC). Not owned.
void InstallViewTextDevice(ViewTextDevice* Device);
[[nodiscard]] ViewTextDevice* CurrentViewTextDevice();

/// Smallest 1-based position in Text at which an inline tag starts, or 0.
/// A tag with a value ("<SIZE=") counts only when a ">" follows it.
[[nodiscard]] int FindNextTag(const AnsiString& Text);

class TView : public TObject {
    PRICETAGS_CLASS(TView, TObject)
public:
    /// A new element of AKind on ADocument's current page (not added to
    /// it): Arial 8 pt black, no fill, frame width 1, no band (255). A band
    /// area gets left -1 and the page width + 2; a picture an empty bitmap.
    TView(Byte AKind, TDocument* ADocument);
    ~TView() override;

    /// A new element with Source's kind, selection, geometry, band, frame,
    /// font, colours, alignment, flags, lines, picture, tag and 3-D effect;
    /// the scaled picture is left unbuilt. The caller owns it.
    [[nodiscard]] static TView* CreateCopy(const TView* Source, TDocument* ADocument);

    // ---- geometry in pixels (through the document's Scale) ----
    [[nodiscard]] int GetLeft();
    [[nodiscard]] int GetTop();
    [[nodiscard]] int GetWidth();
    [[nodiscard]] int GetHeight();
    [[nodiscard]] int GetRight() { return GetLeft() + GetWidth(); }
    [[nodiscard]] int GetBottom() { return GetTop() + GetHeight(); }
    /// Nothing when Value equals the cache; else stores the value in
    /// hundredths of a millimetre and caches it. A band area keeps left -1
    /// and width page + 2.
    void SetLeft(int Value);
    void SetTop(int Value);
    void SetWidth(int Value);
    void SetHeight(int Value);

    // ---- stored geometry, hundredths of a millimetre ----
    [[nodiscard]] Extended LeftMM() const { return FLeftMM; }
    [[nodiscard]] Extended TopMM() const { return FTopMM; }
    [[nodiscard]] Extended WidthMM() const { return FWidthMM; }
    [[nodiscard]] Extended HeightMM() const { return FHeightMM; }
    /// Stores a value that differs and marks that coordinate's cache stale.
    void SetLeftMM(Extended Value);
    void SetTopMM(Extended Value);
    void SetWidthMM(Extended Value);
    void SetHeightMM(Extended Value);
    /// Marks the four pixel caches stale (after a change of scale).
    void InvalidatePixelCache();

    // ---- rectangles ----
    /// (left, top, left + width, top + height) in pixels.
    [[nodiscard]] TRect GetBoundsRect();
    void SetBoundsRect(const TRect& R);
    /// The bounds moved by the document's OffsetX and OffsetY (a band area
    /// only down), unless the document is in OutputMode.
    [[nodiscard]] TRect GetDisplayRect();
    void SetDisplayRect(const TRect& R);
    /// The display rectangle holds (X, Y); right and bottom edges excluded.
    [[nodiscard]] bool PointInView(int X, int Y);
    /// Rubber-band selection by S: true when the element lies inside S;
    /// false when it surrounds S; else, unless WholeOnly, true when the two
    /// overlap (touching edges count).
    [[nodiscard]] bool InRect(const TRect& S, bool WholeOnly);
    [[nodiscard]] bool InView(TView* Other, bool WholeOnly);
    /// The display rectangle grown by (max(FrameWidth, 5) + 1) div 2 + 1;
    /// pictures and owner-drawn frames at least 20 pixels each way.
    [[nodiscard]] TRect GetInvalidateRect();

    // ---- options over Alignment ----
    [[nodiscard]] int HorzAlign() const { return static_cast<int>(Alignment & 3); }
    void SetHorzAlign(int Value);
    [[nodiscard]] int VertAlign() const { return static_cast<int>(Alignment & 0x88); }
    void SetVertAlign(int Value);
    [[nodiscard]] bool WordWrap() const { return (Alignment & 0x200) != 0; }
    void SetWordWrap(bool Value);
    [[nodiscard]] bool Vertical() const { return (Alignment & 0x10) != 0; }
    void SetVertical(bool Value);
    [[nodiscard]] bool Stretch() const { return (Alignment & 0x200) == 0; }
    void SetStretch(bool Value) { SetWordWrap(!Value); }
    [[nodiscard]] bool Tile() const { return Vertical(); }
    void SetTile(bool Value) { SetVertical(Value); }

    /// Also marks the page's selected count stale.
    void SetSelected(bool Value);
    /// Name, size, colour and style of Font (bold 2, italic 1, underline 4).
    void AssignFont(TFont* Font);
    /// Prepares Target as the element's font (pictures and owner-drawn
    /// frames: Arial 8 black; band areas grey) at the document's scale, not
    /// below 4 points; the common faces take the document's Charset.
    void MakeFont(TFont* Target, Byte AKind) const;

    // ---- drawing ----
    /// Draws the element in Mode (dmDesign...dmPrepared) on Canvas. While
    /// the document builds output it is placed at its band's output top and
    /// fires OnEnterRect or OnOwnerDraw; the measuring pass raises the
    /// document's GrowBottom to the text's bottom.
    void Draw(TCanvas* Canvas, int Mode);
    /// Replaces bracketed variables by the host's (or the built-in) values
    /// while output is built; true when at least one was replaced.
    bool SubstituteVariables(AnsiString& Line);
    /// Applies the inline tags Text begins with to Font and the element and
    /// removes them from Text.
    void ApplyTag(TFont* Font, AnsiString& Text);
    /// Lays out Memo in R (right edge grown by 1) and draws it unless Mode
    /// is dmMeasure; T receives the height of all lines and Widest, when
    /// given, the width of the widest line.
    void DrawHorizontalText(TCanvas* Canvas, int Mode, TRect R, int& T, int* Widest = nullptr);
    /// Draws Memo in columns rotated by 90 degrees; T receives their total
    /// width plus the frame.
    void DrawVerticalText(TCanvas* Canvas, int Mode, const TRect& R, int& T);
    /// The band kind the element is drawn for: its band's, else btNone.
    [[nodiscard]] TBandType DrawBandType() const;

    // ---- template records ----
    /// The binary record in tag order; tag 24 (selection) only with Undo.
    void SaveToStream(TStream& Stream, bool Undo);
    /// Reads tags until tag 255. Raises the report load errors for a wrong
    /// marker, an unknown tag or a line count past the bytes left; the
    /// element keeps what was read before the error.
    void LoadFromStream(TStream& Stream, bool Undo);
    /// Erases Section, then writes the keys in their order.
    void SaveToIni(TIniFile& Ini, const AnsiString& Section);
    /// Reads the keys; "T" must equal Kind, else Exception "Тип не
    /// соответствует". A line count above the section's entries raises
    /// the report load error.
    void LoadFromIni(TIniFile& Ini, const AnsiString& Section);
    /// Lines as Prefix + "Count" and Prefix + index keys.
    void SaveLinesToIni(TIniFile& Ini, const AnsiString& Section, const AnsiString& Prefix);
    /// Clears Lines, then one line per key.
    void LoadLinesFromIni(TIniFile& Ini, const AnsiString& Section, const AnsiString& Prefix);

    // ---- fields ----
    /// Template top and height in pixels, kept while a page is built; the
    /// stored values are kept too, so a build leaves them exactly as they
    /// were.
    Integer SavedTop = 0;
    Integer SavedHeight = 0;
    Extended SavedTopMM = 0;
    Extended SavedHeightMM = 0;
    /// Text prepared by a measuring pass for the next drawing pass.
    std::unique_ptr<TStringList> PreparedMemo;
    /// Working text of one drawing.
    std::unique_ptr<TStringList> Memo;
    /// Measured pieces of the working text.
    std::unique_ptr<T_ExtentStrList> Extents;
    Integer Tag = 0;
    /// Set by inline tags: 0 none, 1 left, 2 right, 3 centre.
    Byte LineAlign = 0;
    /// Line-spacing override halves; -11 means the font's own.
    Integer IntervalInternal = -11;
    Integer IntervalExternal = -11;
    bool TagColors = true;
    bool Selected = false;
    /// Bits 0-1 horizontal alignment, 0x88 vertical, 0x10 vertical text
    /// (tile for pictures), 0x200 word wrap (no stretch for pictures).
    Cardinal Alignment = 0;
    TDocument* Document = nullptr;
    TBand* Band = nullptr;
    TPage* Page = nullptr;
    bool Unassigned = false;
    Byte Kind = vkText;
    /// TBandType ordinal of the element's band; 255 when none.
    Byte BandTyp = 255;
    /// Can grow: measured before its band is placed.
    bool SC = false;
    /// Fit to the box: horizontal text too wide for its box (or, unless
    /// the element can grow, too tall) is drawn in a smaller type, down to
    /// 4 points.
    bool DrawTextToFrame = false;
    /// Left out of the output drawing under way: no fill, text or frame.
    /// Set by the host's OnEnterRect (cleared before it fires); the drawing
    /// after a measuring pass keeps the measuring pass's choice.
    bool Hidden = false;
    /// Frame sides: 1 right, 2 bottom, 4 left, 8 top.
    Word FrameTyp = 0;
    Integer FrameWidth = 1;
    TColor FontColor = 0;
    TColor FillColor = RP_NoColor;
    /// At most 80 characters.
    AnsiString FontName = "Arial";
    /// Points.
    Integer FontSize = 8;
    /// 1 italic, 2 bold, 4 underline.
    Word FontStyle = 0;
    /// Template text; for a picture line 0 is the picture's file name.
    std::unique_ptr<TStringList> Lines;
    /// Pictures only: the picture as loaded.
    std::unique_ptr<TBitmap> Picture;
    std::unique_ptr<TBitmap> ScaledPicture;
    /// The scale ScaledPicture was built at; 0 when not built.
    Extended ScaledPictureScale = 0;
    bool Show3d = false;
    Byte Type3d = 0;
    Integer ShadowLen = 1;
    TColor ShadowColor = 0x808080;

private:
    [[nodiscard]] Extended Scale() const;
    [[nodiscard]] int PixelOf(Extended MM, Integer& Cache) const;
    void SetPixel(int Value, Extended& MM, Integer& Cache);
    [[nodiscard]] bool IsBandArea() const { return Kind == vkBandArea && Document; }
    [[nodiscard]] int BandAreaWidth() const;
    /// Kind set by a record: a picture gets a fresh empty bitmap.
    void SetKindFromRecord(Byte Value);
    /// The legacy colour pair: font colour index high byte, fill low byte.
    void ApplyColorPair(Integer Value);
    /// Cuts Memo into wrap units and measures them into Extents.
    void MeasureUnits(TCanvas* Canvas);
    /// Draws one piece's stretches from X, applying its tags.
    void DrawPiece(TCanvas* Canvas, const T_ExtentStr& P, int X, int Top, const TRect& R,
                   bool Paint);
    void Draw3d(TCanvas* Canvas, const T_ExtentStr& P, int X, int Top, const TRect& R);
    void DrawContents(TCanvas* Canvas, int Mode, const TRect& Bounds, int& T);
    void DrawPicture(TCanvas* Canvas, const TRect& R);
    void DrawFrame(TCanvas* Canvas, int Mode, const TRect& Bounds);
    void DrawMarks(TCanvas* Canvas, int Mode, const TRect& Bounds);

    /// Shrinks FontSize until the laid-out text fits TR (see DrawTextToFrame);
    /// the canvas font follows.
    void FitFontToFrame(TCanvas* Canvas, const TRect& TR);

    /// Where the element is drawn this time (display rectangle, moved to its
    /// band's output top); layout starts at its top.
    TRect FDrawRect;
    /// Memo's variables of this drawing are substituted: a value is never
    /// scanned again, however often the text is laid out.
    bool FMemoSubstituted = false;

    Extended FHeightMM = 0;
    Extended FLeftMM = 0;
    Extended FTopMM = 0;
    Extended FWidthMM = 0;
    Integer FTopPx = PxNotComputed;
    Integer FHeightPx = PxNotComputed;
    Integer FWidthPx = PxNotComputed;
    Integer FLeftPx = PxNotComputed;
};
