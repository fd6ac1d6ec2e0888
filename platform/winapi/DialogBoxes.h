#pragma once

// The dialog manager: windows built from dialog templates (the program's
// dialog resources, registered by name at start-up), with a dialog
// procedure that sees every message of the dialog window first, controls
// reached by their ids, and dialog units turned into pixels.
//
// Template coordinates are dialog units: a horizontal unit is a quarter of
// the dialog font's average character width, a vertical unit an eighth of
// its height. Control classes understood: "BUTTON" (push buttons and check
// boxes), "STATIC" (text and etched lines), "EDIT", "SysTabControl32" and
// "msctls_progress32".
//
// The window layer keeps the dialogs (procedure, result, the ids of the
// controls); the class library above it makes the windows through the
// DialogWindowMaker it installs, so this layer stays free of it.

#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"

#include <vector>

/// A dialog procedure: non-zero when it handled the message (for
/// WM_INITDIALOG: non-zero to let the manager set the focus).
using DLGPROC = intptr_t (*)(HWND Dlg, UINT Msg, WPARAM WParam, LPARAM LParam);

enum : uint32_t {
    DS_SETFONT = 0x40, DS_MODALFRAME = 0x80, DS_SETFOREGROUND = 0x200, DS_CENTER = 0x800,
};
/// Button styles (the low four bits are the kind).
enum : uint32_t {
    BS_PUSHBUTTON = 0, BS_DEFPUSHBUTTON = 1, BS_CHECKBOX = 2, BS_AUTOCHECKBOX = 3,
    BS_TYPEMASK = 0xF, BS_LEFTTEXT = 0x20, BS_RIGHT = 0x200, BS_FLAT = 0x8000,
};
enum : uint32_t { SS_LEFT = 0, SS_CENTER = 1, SS_RIGHT = 2, SS_ETCHEDHORZ = 0x10 };
enum : UINT { BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1 };
enum : UINT { BST_UNCHECKED = 0, BST_CHECKED = 1 };
enum : UINT { BN_CLICKED = 0 };
/// Progress bars: PBM_SETRANGE takes MakeLParam(Min, Max).
enum : UINT { PBM_SETRANGE = WM_USER + 1, PBM_SETPOS = WM_USER + 2, PBM_GETPOS = WM_USER + 8 };
/// Tab controls.
enum : UINT {
    TCM_GETITEMCOUNT = 0x1304, TCM_INSERTITEM = 0x1307, TCM_DELETEALLITEMS = 0x1309,
    TCM_GETCURSEL = 0x130B, TCM_SETCURSEL = 0x130C, TCM_ADJUSTRECT = 0x1328,
};
enum : UINT { TCIF_TEXT = 1 };
constexpr int TCN_SELCHANGE = -551;

/// TCM_INSERTITEM's LParam (WParam: the position).
struct TCITEM {
    UINT mask = TCIF_TEXT;
    const char* pszText = nullptr;
};
/// WM_NOTIFY's LParam.
struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    int code = 0;
};

/// One control of a template (dialog units).
struct DialogItemTemplate {
    AnsiString ClassName;
    AnsiString Text;
    int Id = 0;
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    int X = 0;
    int Y = 0;
    int CX = 0;
    int CY = 0;
};

/// A dialog template (dialog units; the font in points).
struct DialogTemplate {
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    int X = 0;
    int Y = 0;
    int CX = 0;
    int CY = 0;
    AnsiString Caption;
    AnsiString FaceName = "MS Sans Serif";
    int PointSize = 8;
    std::vector<DialogItemTemplate> Items;
};

/// Makes a template known under Name (case does not matter), replacing one
/// of the same name.
void RegisterDialogTemplate(const AnsiString& Name, const DialogTemplate& Template);
/// The template of that name; null when none is registered.
[[nodiscard]] const DialogTemplate* FindDialogTemplate(const AnsiString& Name);

/// Shows the dialog modally: WM_INITDIALOG (LParam: Param) reaches Proc
/// once the controls exist, and the call returns the value given to
/// EndDialog after the window is destroyed (WM_DESTROY reaches Proc
/// first). -1 when the template is unknown or no window maker is
/// installed. Owner is disabled while the dialog runs.
intptr_t DialogBoxParam(intptr_t Instance, const AnsiString& TemplateName, HWND Owner,
    DLGPROC Proc, LPARAM Param);
/// The same without waiting: the dialog's window, shown when the template
/// has WS_VISIBLE; null on failure. DestroyWindow-like end: EndDialog hides
/// it, DestroyDialog frees it.
HWND CreateDialogParam(intptr_t Instance, const AnsiString& TemplateName, HWND Owner,
    DLGPROC Proc, LPARAM Param);
/// Frees a dialog made by CreateDialogParam (WM_DESTROY reaches its
/// procedure first).
BOOL DestroyDialog(HWND Dlg);
/// Ends a dialog: DialogBoxParam returns Result. False for a window that
/// is not a dialog.
BOOL EndDialog(HWND Dlg, intptr_t Result);

/// The control of the dialog with that id; null when none.
HWND GetDlgItem(HWND Dlg, int Id);
/// The id of a dialog's control; 0 for another window.
int GetDlgCtrlID(HWND Control);
LRESULT SendDlgItemMessage(HWND Dlg, int Id, UINT Msg, WPARAM WParam, LPARAM LParam);
BOOL SetDlgItemText(HWND Dlg, int Id, const AnsiString& Text);
/// The control's text; '' for no such control.
[[nodiscard]] AnsiString GetDlgItemText(HWND Dlg, int Id);
/// Check boxes: BST_CHECKED or BST_UNCHECKED.
BOOL CheckDlgButton(HWND Dlg, int Id, UINT Check);
UINT IsDlgButtonChecked(HWND Dlg, int Id);
/// The window's title or a control's text (WM_SETTEXT).
BOOL SetWindowText(HWND Wnd, const AnsiString& Text);
/// Enables or disables input to a dialog or one of its controls; whether
/// it was disabled before.
BOOL EnableWindow(HWND Wnd, BOOL Enable);
/// Makes the dialog paint its own frame and caption (Own true) or leaves
/// them to the window system again: the frame of its styles (WS_THICKFRAME
/// or the dialog frame, WS_CAPTION high as a small caption with
/// WS_EX_TOOLWINDOW) then lies inside the window, WM_NCPAINT and
/// WM_NCACTIVATE reach the procedure to paint it, and where the procedure
/// leaves WM_NCHITTEST alone the caption moves the window, the borders of
/// a WS_THICKFRAME window size it and the close box of a WS_SYSMENU window
/// closes it (WM_CLOSE). False for a window that is not a dialog.
BOOL SetDialogOwnFrame(HWND Dlg, BOOL Own);
/// Dialog units to pixels with the dialog's font; false for another window.
BOOL MapDialogRect(HWND Dlg, TRect& Rect);
/// Horizontal (low word) and vertical (high word) base units of the dialog
/// font "MS Sans Serif" 8 points: the pixels of four and eight dialog units.
[[nodiscard]] long GetDialogBaseUnits();

/// What the layer above makes and runs for the dialog manager.
class DialogWindowMaker {
public:
    /// A top-level window of the template's caption and size (pixels) with
    /// its controls (ids and pixel rectangles given); Messages of the
    /// window go to DialogMessage first. Controls receives the controls'
    /// windows in the template's order. Null on failure.
    virtual HWND MakeDialog(const DialogTemplate& Template, const TRect& Bounds,
        const std::vector<TRect>& ItemRects, HWND Owner, std::vector<HWND>& Controls) = 0;
    /// Runs the window modally until EndModal; shows it first.
    virtual void RunModal(HWND Dlg) = 0;
    /// Shows a modeless dialog.
    virtual void ShowModeless(HWND Dlg) = 0;
    /// Ends RunModal (or hides a modeless dialog).
    virtual void EndModal(HWND Dlg) = 0;
    /// Frees the window and its controls.
    virtual void FreeDialog(HWND Dlg) = 0;
    /// Enables or disables a window made by the maker.
    virtual void EnableControl(HWND Wnd, bool Enable) = 0;
    /// The dialog paints its frame itself (SetDialogOwnFrame).
    virtual void SetOwnFrame(HWND Dlg, bool Own) = 0;

protected:
    ~DialogWindowMaker() = default;
};
/// Installs the maker (the class library does at start-up); the one
/// installed before.
DialogWindowMaker* SetDialogWindowMaker(DialogWindowMaker* Maker);

/// For the maker: offers a message of the dialog window to its procedure;
/// true (and Result) when the procedure handled it. WM_CLOSE left unhandled
/// becomes WM_COMMAND IDCANCEL, as dialogs do.
bool DialogMessage(HWND Dlg, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
/// For the maker: the dialog a control belongs to and the control's id
/// (false for a window that is no dialog control).
bool DialogOfControl(HWND Control, HWND& Dlg, int& Id);
