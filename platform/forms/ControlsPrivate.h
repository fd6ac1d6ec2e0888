#pragma once

// Inside of the class library (its .cpp files only): the window records of
// the layer below and what the controls share among themselves: message
// records, the menu bar, painting scopes, drags, the mouse and the capture.

#include "platform/forms/Controls.h"
#include "platform/winapi/WindowPrivate.h"

class TCustomForm;

/// The part of a top-level window its widget covers (window coordinates):
/// the client rectangle and, above it, the menu bar's band; the whole
/// window for a frameless one.
TRect TopLevelWidgetRect(TWinControl* Control);
/// The height of the menu bar's band of a form with a menu; 0 otherwise.
int MenuBarHeight(TWinControl* Control);
/// Paints a form's menu bar into Band (window coordinates of DC).
void PaintMenuBar(TCustomForm& Form, HDC DC, const TRect& Band);
/// A mouse press at a screen point on the menu bar: opens the item's
/// drop-down menu or clicks an item without sub-items.
void MenuBarMouseDown(TCustomForm& Form, const TPoint& ScreenPos);
/// The menu key (F10, Key 0) or Alt with Key: opens the first drop-down
/// menu or the one whose caption marks Key; true when an item was found.
bool MenuBarKey(TCustomForm& Form, Word Key);

/// Whether the drag image of the image lists is shown, and where.
bool DragImageWindowShown(TPoint& ScreenTopLeft);

/// Calls a message handler of Self with the message as record Rec and
/// writes the record's results back into M.
template <class Rec, class C, class H>
void Call(TMessage& M, C* Self, H Handler)
{
    Rec R(M);
    (Self->*Handler)(R);
    R.Store(M);
}

/// Lends a paint message's DC to a control's canvas: the canvas is locked
/// and holds DC for the scope; every exit, exceptions included, takes the
/// handle back and unlocks it.
class CanvasPaintScope {
public:
    CanvasPaintScope(TCanvas& Canvas, HDC DC) : FCanvas(Canvas)
    {
        FCanvas.Lock();
        FCanvas.SetHandle(DC);
    }
    ~CanvasPaintScope()
    {
        FCanvas.SetHandle(nullptr);
        FCanvas.Unlock();
    }
    CanvasPaintScope(const CanvasPaintScope&) = delete;
    CanvasPaintScope& operator=(const CanvasPaintScope&) = delete;

private:
    TCanvas& FCanvas;
};

/// A message for Control while a drag between controls runs: the drag's
/// mouse moves and button releases (source only), Escape, and the loss of
/// the capture; true when the drag took the message.
bool HandleDragMessage(TControl& Control, TMessage& Message);
/// Forgets a control being freed in the drag: a freed source ends the
/// drag without telling it, a freed target is no longer asked.
void ForgetDragControl(TControl* Control);

/// Mouse-move bookkeeping: the control under the mouse changed.
void SetMouseControl(TControl* Control);
/// Forgets a control being freed in the mouse, capture and hint state.
void ForgetControl(TControl* Control);

/// Makes the class library the host of the window layer: exceptions go to
/// the application, input to its hints, activation to the forms.
void InstallFormsWindowHost();
/// Installs the makers of dialog-manager windows (DialogWindows.cpp).
void InstallDialogWindowMaker();
