#pragma once

// Drawing and command-line helpers of the component library: the parent's
// background behind a see-through control, engraved (disabled) glyphs,
// text shortened with "...", and command-line texts split into parameters.

#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

class TCustomImageList;

/// Paints what lies behind Control (its parent's background and the
/// graphic controls under it) into Canvas, whose origin is the control's
/// top-left corner. Nothing for a control without parent.
void PaintParentImage(TControl* Control, TCanvas* Canvas);
/// True while PaintParentImage paints Control's parent: the parent paints
/// its graphic children too, and Control must then draw nothing.
[[nodiscard]] bool PaintingParentImageOf(const TControl* Control);

/// An engraved copy of Bitmap: its dark shapes (pixels not of
/// TransparentColor and darker than light grey) in ShadowColor over
/// BackColor, with a HighlightColor copy one pixel down and right when
/// DrawHighlight. Owned by the caller.
[[nodiscard]] std::unique_ptr<TBitmap> MakeDisabledBitmap(TBitmap* Bitmap, TColor TransparentColor,
    TColor BackColor, bool DrawHighlight, TColor ShadowColor, TColor HighlightColor);
/// MakeDisabledBitmap on clBtnFace in clBtnShadow with a clBtnHighlight copy.
[[nodiscard]] std::unique_ptr<TBitmap> MakeButtonDisabledBitmap(TBitmap* Bitmap, TColor TransparentColor);
/// Draws image Index of Images engraved at (X, Y).
void DrawImageDisabled(TCustomImageList* Images, TCanvas* Canvas, int X, int Y, int Index,
    bool DrawHighlight, TColor ShadowColor, TColor HighlightColor);

[[nodiscard]] inline int RectWidthOf(const TRect& R) { return R.Right - R.Left; }
[[nodiscard]] inline int RectHeightOf(const TRect& R) { return R.Bottom - R.Top; }

/// Takes one queued message Msg for Wnd out of the queue (a quit message
/// found instead is posted again).
void DiscardPendingMessage(HWND Wnd, UINT Msg);
/// Text cut at the end and ended with "..." until it fits MaxWidth pixels
/// of Canvas's font (the first cut drops two characters); "..." when
/// nothing fits.
[[nodiscard]] AnsiString ShortenTextToWidth(const AnsiString& Text, TCanvas* Canvas, int MaxWidth);

/// The parameter that starts at Pos (1-based; blanks and a lone "" pair
/// skipped), quotes removed; Pos moves past it. Parameters have any length.
[[nodiscard]] AnsiString NextCommandParam(const AnsiString& Text, int& Pos);
/// The number of non-empty parameters.
[[nodiscard]] int CountCommandParams(const AnsiString& Text);
/// Non-empty parameter Index (0-based); '' past the last.
[[nodiscard]] AnsiString CommandParam(const AnsiString& Text, int Index);
/// Parameter 0 as the program; the others joined by blanks, each that
/// holds a blank in double quotes. Both empty for a text without parameters.
void SplitCommandText(const AnsiString& Text, AnsiString& Program, AnsiString& Params);
/// Whether one of this program's windows is the active window.
[[nodiscard]] bool IsActiveWindowOfThread();
