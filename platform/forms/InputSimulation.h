#pragma once

// Input as the window system would deliver it, for tests of controls and
// forms: every call builds the Qt event and sends it to the window's widget,
// so the whole way from the event to the control's messages is taken. Keys
// go to the focused window (the active form when nothing has the focus);
// mouse positions are in the control's client pixels. Pending posted
// messages (the typed character among them) are dispatched before each
// call returns.

#include "platform/forms/Controls.h"
#include "platform/rtl/AnsiString.h"

/// Presses Key with the modifiers in Shift. Text is the CP1251 character
/// the key types; by default the one it types on a Russian keyboard in
/// Latin mode ("a" for 'A', "A" with Shift, "\r" for Enter, Ctrl+A gives
/// "\x01"; none for keys that type nothing).
void SimulateKeyDown(Word Key, TShiftState Shift = {}, const char* Text = nullptr);
void SimulateKeyUp(Word Key, TShiftState Shift = {});
/// Down and up.
void SimulateKey(Word Key, TShiftState Shift = {}, const char* Text = nullptr);
/// Types each byte of Text (CP1251) as the key a keyboard sends for it:
/// letters and digits by their key codes, any other character as a key
/// named by the character, as the window system names them.
void SimulateText(const AnsiString& Text);

void SimulateMouseDown(TControl* Control, TMouseButton Button, int X, int Y, TShiftState Shift = {});
void SimulateMouseUp(TControl* Control, TMouseButton Button, int X, int Y, TShiftState Shift = {});
void SimulateMouseMove(TControl* Control, int X, int Y, TShiftState Shift = {});
/// Down and up at the same point.
void SimulateClick(TControl* Control, int X, int Y, TMouseButton Button = mbLeft, TShiftState Shift = {});
/// Down, up, double click, up, as the window system sends them.
void SimulateDoubleClick(TControl* Control, int X, int Y);
/// One wheel turn of Delta (120 a notch, positive away from the user).
void SimulateWheel(TControl* Control, int Delta, int X, int Y, TShiftState Shift = {});
/// The mouse leaves the control's window.
void SimulateMouseLeave(TControl* Control);

/// Another program's drag carrying Text enters the control's window at its
/// client point (X, Y), moves there and drops, with copy and move allowed;
/// the effect the window answered the drop with (0 when it refused).
DWORD SimulateForeignDrop(TControl* Control, int X, int Y, const AnsiString& Text, TShiftState Shift = {});

/// What the control's window shows on the screen, painted by Qt through
/// the widgets (children included), copied into Into.
void GrabWindow(TWinControl* Control, TBitmap* Into);
/// The pixels the window system holds for the control's window in the
/// backing store of its top-level window, as the last paint left them,
/// copied into Into; an empty bitmap when the platform keeps none.
void GrabBackingStore(TWinControl* Control, TBitmap* Into);

/// Whether the image lists' drag image is shown; ScreenTopLeft gets the
/// screen point of its top-left corner.
bool DragImageShownAt(TPoint& ScreenTopLeft);

/// Sets a key as held (or not) for GetKeyState without sending anything.
void SetKeyStateForTest(int VirtualKey, bool Down);
