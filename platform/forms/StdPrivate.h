#pragma once

// Helpers shared by the controls' .cpp files (not a public header).

#include "platform/classes/Component.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/AnsiString.h"

#include <initializer_list>
#include <vector>

struct TCreateParams;

/// Raises EListError "List index out of bounds (%d)" for Index.
[[noreturn]] void ListIndexError(int Index);

/// Width in pixels of Text in Font (no prefixes, no tabs).
int MeasureTextWidth(TFont* Font, const AnsiString& Text);
/// Cell height of Font in pixels.
int MeasureTextHeight(TFont* Font);
/// Text on one line in R in Color, with the alignment, centred from top to
/// bottom and cut with an ellipsis; '&' is drawn as it stands and the
/// background is left as it is.
void DrawAlignedText(TCanvas& C, TRect R, const AnsiString& Text, TAlignment Alignment,
    TColor Color);

/// The frame of a window with a bsSingle border: a sunken client edge with
/// Ctl3D, a plain line without.
void AddSingleBorder(TCreateParams& Params, bool Ctl3D);

/// Puts a scrolled window's content on one of its frame bars: Count
/// positions (items, lines or pixels), Page of them shown, Pos the first
/// shown. The bar shows only while Count is above Page; Pos is held in
/// 0..Count-Page. Returns the held position (also without a window).
int SyncScrollBar(HWND Wnd, int Bar, int Count, int Page, int Pos);
/// The first shown position a WM_HSCROLL/WM_VSCROLL code asks for: Line
/// positions for an arrow, the bar's page for a page click, the track
/// position for the thumb, 0 or the end for SB_TOP/SB_BOTTOM; held in the
/// bar's range. The current position for SB_ENDSCROLL and unknown codes.
int ScrolledPos(HWND Wnd, int Bar, int Code, int Line);
/// Paints a scroll bar control (SB_CTL, the whole client area) into its
/// paint DC.
void PaintScrollBarControl(HWND Wnd, HDC DC);
/// The mouse on a scroll bar control (client pixels): presses on arrows,
/// track and thumb send WM_HSCROLL/WM_VSCROLL with the control's handle to
/// its parent, as long as the button is held.
void ScrollBarControlMouse(HWND Wnd, UINT Msg, int X, int Y);
/// Lines one notch of the mouse wheel scrolls.
constexpr int WheelScrollLines = 3;

/// A canvas drawing on a DC owned by somebody else (a paint DC) for the
/// length of a scope, with Font assigned.
class CanvasOnDC {
public:
    CanvasOnDC(HDC DC, TFont* Font);
    ~CanvasOnDC();
    CanvasOnDC(const CanvasOnDC&) = delete;
    CanvasOnDC& operator=(const CanvasOnDC&) = delete;

    TCanvas& Canvas() { return FCanvas; }

private:
    TCanvas FCanvas;
};

/// Notes that any of some components was freed meanwhile (a handler or a
/// nested message loop ran); a stack object for the length of that call.
class FreeWatch : public TComponent {
public:
    explicit FreeWatch(std::initializer_list<TComponent*> Watched);
    ~FreeWatch() override;
    FreeWatch(const FreeWatch&) = delete;
    FreeWatch& operator=(const FreeWatch&) = delete;

    /// One of the components was freed.
    bool Gone() const { return FGone; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::vector<TComponent*> FWatched;
    bool FGone = false;
};
