#pragma once

// Helpers shared by the controls' .cpp files (not a public header).

#include "platform/classes/Component.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/ControlsPrivate.h"
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
