#pragma once

// Window messages: the numbers of the window system (WM_...), the control
// notifications reflected back to a control (CN_... = WM_... + 0xBC00), and
// the class library's own notifications (CM_..., numbers of our own above
// CM_BASE). A message is a TMessage; the typed records below give named
// fields for the messages whose parameters are packed.
//
// Typed records are copies: a handler gets `TWMKey& Message`, may change
// its fields and Result, and the dispatcher writes them back (Store) into
// the TMessage that was sent. Handlers that need the raw message use the
// record's WParam/LParam, which are kept as sent.

#include "platform/winapi/Windows.h"
#include "platform/rtl/Types.h"

class TControl;

enum : UINT {
    WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
    WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008,
    WM_ENABLE = 0x000A, WM_SETREDRAW = 0x000B, WM_SETTEXT = 0x000C, WM_GETTEXT = 0x000D,
    WM_GETTEXTLENGTH = 0x000E, WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012,
    WM_ERASEBKGND = 0x0014, WM_SYSCOLORCHANGE = 0x0015, WM_SHOWWINDOW = 0x0018,
    WM_WININICHANGE = 0x001A, WM_SETTINGCHANGE = 0x001A, WM_CANCELMODE = 0x001F,
    WM_SETCURSOR = 0x0020, WM_MOUSEACTIVATE = 0x0021, WM_GETMINMAXINFO = 0x0024,
    WM_NEXTDLGCTL = 0x0028, WM_DRAWITEM = 0x002B, WM_SETFONT = 0x0030, WM_GETFONT = 0x0031,
    WM_WINDOWPOSCHANGING = 0x0046, WM_WINDOWPOSCHANGED = 0x0047, WM_NOTIFY = 0x004E,
    WM_CONTEXTMENU = 0x007B, WM_SETICON = 0x0080, WM_NCCREATE = 0x0081,
    WM_NCDESTROY = 0x0082, WM_NCCALCSIZE = 0x0083, WM_NCHITTEST = 0x0084,
    WM_NCPAINT = 0x0085, WM_NCACTIVATE = 0x0086, WM_GETDLGCODE = 0x0087,
    WM_NCMOUSEMOVE = 0x00A0, WM_NCLBUTTONDOWN = 0x00A1, WM_NCLBUTTONUP = 0x00A2,
    WM_NCLBUTTONDBLCLK = 0x00A3, WM_NCRBUTTONDOWN = 0x00A4, WM_NCRBUTTONUP = 0x00A5,
    WM_NCRBUTTONDBLCLK = 0x00A6, WM_NCMBUTTONDOWN = 0x00A7, WM_NCMBUTTONUP = 0x00A8,
    WM_NCMBUTTONDBLCLK = 0x00A9,
    WM_KEYFIRST = 0x0100, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102,
    WM_DEADCHAR = 0x0103, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105, WM_SYSCHAR = 0x0106,
    WM_KEYLAST = 0x0108, WM_INITDIALOG = 0x0110, WM_COMMAND = 0x0111,
    WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113, WM_HSCROLL = 0x0114, WM_VSCROLL = 0x0115,
    WM_INITMENUPOPUP = 0x0117, WM_MENUSELECT = 0x011F, WM_ENTERIDLE = 0x0121,
    WM_CTLCOLORMSGBOX = 0x0132, WM_CTLCOLOREDIT = 0x0133, WM_CTLCOLORLISTBOX = 0x0134,
    WM_CTLCOLORBTN = 0x0135, WM_CTLCOLORDLG = 0x0136, WM_CTLCOLORSCROLLBAR = 0x0137,
    WM_CTLCOLORSTATIC = 0x0138,
    WM_MOUSEFIRST = 0x0200, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206, WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209, WM_MOUSEWHEEL = 0x020A,
    WM_MOUSELAST = 0x020A, WM_PARENTNOTIFY = 0x0210, WM_ENTERMENULOOP = 0x0211,
    WM_EXITMENULOOP = 0x0212, WM_CAPTURECHANGED = 0x0215, WM_MOVING = 0x0216,
    WM_DROPFILES = 0x0233, WM_MOUSEHOVER = 0x02A1, WM_MOUSELEAVE = 0x02A3,
    WM_CUT = 0x0300, WM_COPY = 0x0301, WM_PASTE = 0x0302, WM_CLEAR = 0x0303, WM_UNDO = 0x0304,
    WM_PRINT = 0x0317, WM_PRINTCLIENT = 0x0318, WM_THEMECHANGED = 0x031A,
    WM_USER = 0x0400, WM_APP = 0x8000,
};

/// Edit and list-box messages the program sends to its editors.
enum : UINT {
    EM_GETSEL = 0x00B0, EM_SETSEL = 0x00B1, EM_GETRECT = 0x00B2, EM_SETRECT = 0x00B3,
    EM_SETRECTNP = 0x00B4, EM_LINESCROLL = 0x00B6, EM_SCROLLCARET = 0x00B7,
    EM_GETMODIFY = 0x00B8, EM_SETMODIFY = 0x00B9, EM_LIMITTEXT = 0x00C5,
    EM_SETREADONLY = 0x00CF, EM_SETMARGINS = 0x00D3, EM_GETMARGINS = 0x00D4,
    EM_SETBKGNDCOLOR = 0x0443, EM_STREAMIN = 0x0449,
    LB_SELECTSTRING = 0x018C, LB_GETCURSEL = 0x0188, LB_SETCURSEL = 0x0186,
};
enum : UINT { EN_CHANGE = 0x0300, EN_UPDATE = 0x0400 };
/// What WM_PRINT and WM_PRINTCLIENT paint (LParam).
enum : LPARAM {
    PRF_CHECKVISIBLE = 0x1, PRF_NONCLIENT = 0x2, PRF_CLIENT = 0x4, PRF_ERASEBKGND = 0x8,
    PRF_CHILDREN = 0x10, PRF_OWNED = 0x20,
};

/// WM_GETDLGCODE answers: the keys a control keeps for itself.
enum : UINT {
    DLGC_WANTARROWS = 1, DLGC_WANTTAB = 2, DLGC_WANTALLKEYS = 4, DLGC_WANTMESSAGE = 4,
    DLGC_HASSETSEL = 8, DLGC_DEFPUSHBUTTON = 0x10, DLGC_UNDEFPUSHBUTTON = 0x20,
    DLGC_RADIOBUTTON = 0x40, DLGC_WANTCHARS = 0x80, DLGC_STATIC = 0x100, DLGC_BUTTON = 0x2000,
};
/// WM_NCHITTEST answers.
enum : int {
    HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2,
    HTSYSMENU = 3, HTGROWBOX = 4, HTMENU = 5, HTHSCROLL = 6, HTVSCROLL = 7, HTMINBUTTON = 8,
    HTMAXBUTTON = 9, HTLEFT = 10, HTRIGHT = 11, HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14,
    HTBOTTOM = 15, HTBOTTOMLEFT = 16, HTBOTTOMRIGHT = 17, HTBORDER = 18, HTCLOSE = 20,
};
/// WM_SYSCOMMAND codes.
enum : UINT {
    SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030,
    SC_CLOSE = 0xF060, SC_KEYMENU = 0xF100, SC_RESTORE = 0xF120,
};
/// WM_ACTIVATE states, WM_MOUSEACTIVATE answers, WM_SIZE kinds.
enum : int { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
enum : int { MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3, MA_NOACTIVATEANDEAT = 4 };
enum : int { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
/// Scroll codes of WM_HSCROLL/WM_VSCROLL.
enum : int {
    SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2,
    SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8,
};
enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
/// Mouse-message key flags (WParam).
enum : UINT { MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_MBUTTON = 0x10 };
constexpr int WHEEL_DELTA = 120;

/// The class library's notifications. CM_BASE and CM_GROUPBUTTONPRESSED are
/// fixed because components exchange them with fixed numbers; the others
/// are ours and stay below CM_BASE + 0x100.
enum : UINT {
    CM_BASE = 0xB000,
    CM_ACTIVATE = CM_BASE + 0, CM_DEACTIVATE = CM_BASE + 1, CM_GOTFOCUS = CM_BASE + 2,
    CM_LOSTFOCUS = CM_BASE + 3, CM_CANCELMODE = CM_BASE + 4, CM_DIALOGKEY = CM_BASE + 5,
    CM_DIALOGCHAR = CM_BASE + 6, CM_FOCUSCHANGED = CM_BASE + 7, CM_PARENTFONTCHANGED = CM_BASE + 8,
    CM_PARENTCOLORCHANGED = CM_BASE + 9, CM_HITTEST = CM_BASE + 10,
    CM_VISIBLECHANGED = CM_BASE + 11, CM_ENABLEDCHANGED = CM_BASE + 12,
    CM_COLORCHANGED = CM_BASE + 13, CM_FONTCHANGED = CM_BASE + 14, CM_CURSORCHANGED = CM_BASE + 15,
    CM_CTL3DCHANGED = CM_BASE + 16, CM_PARENTCTL3DCHANGED = CM_BASE + 17,
    CM_TEXTCHANGED = CM_BASE + 18, CM_MOUSEENTER = CM_BASE + 19, CM_MOUSELEAVE = CM_BASE + 20,
    CM_MENUCHANGED = CM_BASE + 21, CM_APPKEYDOWN = CM_BASE + 22, CM_APPSYSCOMMAND = CM_BASE + 23,
    CM_BUTTONPRESSED = CM_BASE + 24, CM_SHOWINGCHANGED = CM_BASE + 25, CM_ENTER = CM_BASE + 26,
    CM_EXIT = CM_BASE + 27, CM_DESIGNHITTEST = CM_BASE + 28, CM_ICONCHANGED = CM_BASE + 29,
    CM_WANTSPECIALKEY = CM_BASE + 30, CM_INVOKEHELP = CM_BASE + 31, CM_WINDOWHOOK = CM_BASE + 32,
    CM_RELEASE = CM_BASE + 33, CM_SHOWHINTCHANGED = CM_BASE + 34,
    CM_PARENTSHOWHINTCHANGED = CM_BASE + 35, CM_SYSCOLORCHANGE = CM_BASE + 36,
    CM_WININICHANGE = CM_BASE + 37, CM_FONTCHANGE = CM_BASE + 38, CM_TIMECHANGE = CM_BASE + 39,
    CM_TABSTOPCHANGED = CM_BASE + 40, CM_UIACTIVATE = CM_BASE + 41,
    CM_UIDEACTIVATE = CM_BASE + 42, CM_DOCWINDOWACTIVATE = CM_BASE + 43,
    CM_CONTROLLISTCHANGE = CM_BASE + 44, CM_GETDATALINK = CM_BASE + 45,
    CM_CHILDKEY = CM_BASE + 46, CM_DRAG = CM_BASE + 47, CM_HINTSHOW = CM_BASE + 48,
    CM_DIALOGHANDLE = CM_BASE + 49, CM_ISTOOLCONTROL = CM_BASE + 50,
    CM_RECREATEWND = CM_BASE + 51, CM_INVALIDATE = CM_BASE + 52,
    CM_SYSFONTCHANGED = CM_BASE + 53, CM_CONTROLCHANGE = CM_BASE + 54,
    CM_CHANGED = CM_BASE + 55, CM_DOCKCLIENT = CM_BASE + 56, CM_UNDOCKCLIENT = CM_BASE + 57,
    CM_FLOAT = CM_BASE + 58, CM_BORDERCHANGED = CM_BASE + 59, CM_BIDIMODECHANGED = CM_BASE + 60,
    CM_PARENTBIDIMODECHANGED = CM_BASE + 61, CM_ALLCHILDRENFLIPPED = CM_BASE + 62,
    CM_ACTIONUPDATE = CM_BASE + 63, CM_ACTIONEXECUTE = CM_BASE + 64,
    CM_HINTSHOWPAUSE = CM_BASE + 65, CM_DOCKNOTIFICATION = CM_BASE + 66,
    CM_MOUSEWHEEL = CM_BASE + 67, CM_ISSHORTCUT = CM_BASE + 68, CM_INVALIDATEDOCKHOST = CM_BASE + 69,
    CM_SETACTIVECONTROL = CM_BASE + 70, CM_POPUPHWNDDESTROY = CM_BASE + 71,
    CM_CREATEPOPUP = CM_BASE + 72, CM_DESTROYHANDLE = CM_BASE + 73,
    CM_MOUSEACTIVATE = CM_BASE + 74, CM_CONTROLLISTCHANGING = CM_BASE + 75,
    CM_BUFFEREDPRINTCLIENT = CM_BASE + 76, CM_UNTHEMECONTROL = CM_BASE + 77,
    CM_GROUPBUTTONPRESSED = CM_BASE + 0x51,
};
static_assert(CM_GROUPBUTTONPRESSED == 0xB051, "the speed-button group message is fixed");

/// Messages reflected to the control that caused them.
enum : UINT {
    CN_BASE = 0xBC00,
    CN_COMMAND = CN_BASE + WM_COMMAND, CN_NOTIFY = CN_BASE + WM_NOTIFY,
    CN_KEYDOWN = CN_BASE + WM_KEYDOWN, CN_KEYUP = CN_BASE + WM_KEYUP, CN_CHAR = CN_BASE + WM_CHAR,
    CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN, CN_SYSCHAR = CN_BASE + WM_SYSCHAR,
    CN_HSCROLL = CN_BASE + WM_HSCROLL, CN_VSCROLL = CN_BASE + WM_VSCROLL,
    CN_DRAWITEM = CN_BASE + WM_DRAWITEM, CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT,
    CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC,
};

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;

    Word WParamLo() const { return LoWord(WParam); }
    Word WParamHi() const { return HiWord(WParam); }
    Word LParamLo() const { return LoWord(static_cast<uintptr_t>(LParam)); }
    Word LParamHi() const { return HiWord(static_cast<uintptr_t>(LParam)); }
};

/// Base of the typed records: the message as sent plus Result.
struct TMessageRecord : TMessage {
    explicit TMessageRecord(const TMessage& M) : TMessage(M) {}
    /// Writes the record's Result (and writable fields, in the derived
    /// records) back into the message it was made from.
    void Store(TMessage& M) const { M.Result = Result; }
};

/// WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, CN_KEYDOWN, CN_CHAR, CM_DIALOGKEY,
/// CM_DIALOGCHAR, CM_WANTSPECIALKEY: CharCode is the virtual key (the CP1251
/// byte for the character messages); setting it to 0 consumes the key.
struct TWMKey : TMessageRecord {
    explicit TWMKey(const TMessage& M)
        : TMessageRecord(M), CharCode(LoWord(M.WParam)), KeyData(static_cast<int32_t>(M.LParam)) {}
    void Store(TMessage& M) const
    {
        M.WParam = (M.WParam & ~WPARAM(0xFFFF)) | CharCode;
        M.Result = Result;
    }
    Word CharCode = 0;
    /// Bit 29: Alt was down; bit 30: the key was down before; bit 31: released.
    int32_t KeyData = 0;
};
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMChar = TWMKey;
using TWMSysKeyDown = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;
using TCMWantSpecialKey = TWMKey;
/// KeyData bit set while Alt is held.
constexpr int32_t AltMask = 0x20000000;

/// Mouse messages: client coordinates of the control the message is for.
struct TWMMouse : TMessageRecord {
    explicit TWMMouse(const TMessage& M)
        : TMessageRecord(M), Keys(static_cast<UINT>(M.WParam)), XPos(GetXLParam(M.LParam)),
          YPos(GetYLParam(M.LParam)) {}
    void Store(TMessage& M) const
    {
        M.WParam = Keys;
        M.LParam = MakeLParam(XPos, YPos);
        M.Result = Result;
    }
    TPoint Pos() const { return {XPos, YPos}; }
    UINT Keys = 0;
    int XPos = 0;
    int YPos = 0;
};
using TWMMouseMove = TWMMouse;
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMLButtonDblClk = TWMMouse;
using TWMRButtonDown = TWMMouse;
using TWMRButtonUp = TWMMouse;
using TWMRButtonDblClk = TWMMouse;
using TWMMButtonDown = TWMMouse;
using TWMMButtonUp = TWMMouse;

/// WM_MOUSEWHEEL: WheelDelta in 1/120 notches (positive away from the user),
/// position in screen pixels. CM_MOUSEWHEEL carries the same fields and
/// Result 1 when a control handled it.
struct TWMMouseWheel : TMessageRecord {
    explicit TWMMouseWheel(const TMessage& M)
        : TMessageRecord(M), Keys(LoWord(M.WParam)), WheelDelta(static_cast<int16_t>(HiWord(M.WParam))),
          XPos(GetXLParam(M.LParam)), YPos(GetYLParam(M.LParam)) {}
    void Store(TMessage& M) const { M.Result = Result; }
    TPoint Pos() const { return {XPos, YPos}; }
    UINT Keys = 0;
    int WheelDelta = 0;
    int XPos = 0;
    int YPos = 0;
};
using TCMMouseWheel = TWMMouseWheel;

struct TWMSize : TMessageRecord {
    explicit TWMSize(const TMessage& M)
        : TMessageRecord(M), SizeType(static_cast<int>(M.WParam)),
          Width(LoWord(static_cast<uintptr_t>(M.LParam))), Height(HiWord(static_cast<uintptr_t>(M.LParam))) {}
    int SizeType = 0;
    int Width = 0;
    int Height = 0;
};
struct TWMMove : TMessageRecord {
    explicit TWMMove(const TMessage& M)
        : TMessageRecord(M), XPos(GetXLParam(M.LParam)), YPos(GetYLParam(M.LParam)) {}
    int XPos = 0;
    int YPos = 0;
};

/// WM_PAINT: DC is the device context to paint into (null: the control
/// begins painting its own window). WM_ERASEBKGND: DC to erase; Result 1
/// means the background was erased.
struct TWMPaint : TMessageRecord {
    explicit TWMPaint(const TMessage& M) : TMessageRecord(M), DC(reinterpret_cast<HDC>(M.WParam)) {}
    HDC DC = nullptr;
};
using TWMEraseBkgnd = TWMPaint;

struct TWMTimer : TMessageRecord {
    explicit TWMTimer(const TMessage& M) : TMessageRecord(M), TimerID(static_cast<int>(M.WParam)) {}
    int TimerID = 0;
};

/// WM_HSCROLL/WM_VSCROLL: ScrollCode is an SB_ code, Pos the thumb position.
struct TWMScroll : TMessageRecord {
    explicit TWMScroll(const TMessage& M)
        : TMessageRecord(M), ScrollCode(static_cast<int16_t>(LoWord(M.WParam))),
          Pos(static_cast<int16_t>(HiWord(M.WParam))), ScrollBar(reinterpret_cast<HWND>(M.LParam)) {}
    int ScrollCode = 0;
    int Pos = 0;
    HWND ScrollBar = nullptr;
};
using TWMHScroll = TWMScroll;
using TWMVScroll = TWMScroll;

/// WM_SETFOCUS: FocusedWnd lost the focus; WM_KILLFOCUS: FocusedWnd gets it.
struct TWMSetFocus : TMessageRecord {
    explicit TWMSetFocus(const TMessage& M)
        : TMessageRecord(M), FocusedWnd(reinterpret_cast<HWND>(M.WParam)) {}
    HWND FocusedWnd = nullptr;
};
using TWMKillFocus = TWMSetFocus;

struct TWMActivate : TMessageRecord {
    explicit TWMActivate(const TMessage& M)
        : TMessageRecord(M), Active(LoWord(M.WParam)), Minimized(HiWord(M.WParam) != 0),
          ActiveWindow(reinterpret_cast<HWND>(M.LParam)) {}
    int Active = 0;
    bool Minimized = false;
    HWND ActiveWindow = nullptr;
};

/// WM_NCHITTEST: which part of the window a screen point is on; Result an
/// HT code. Sent before every mouse message that is not captured, for
/// points in the client area too; an answer other than HTCLIENT (or
/// HTTRANSPARENT) turns the mouse message into its WM_NC... form with the
/// code in WParam and the screen point in LParam.
struct TWMNCHitTest : TMessageRecord {
    explicit TWMNCHitTest(const TMessage& M)
        : TMessageRecord(M), XPos(GetXLParam(M.LParam)), YPos(GetYLParam(M.LParam)) {}
    int XPos = 0;
    int YPos = 0;
};

/// WM_SETCURSOR: sent on every mouse move that is not captured, with the
/// window under the mouse (CursorWnd), the WM_NCHITTEST answer for the
/// point (HitTest: HTCLIENT, or a frame part such as HTBORDER) and
/// WM_MOUSEMOVE. Result 1 when a cursor was set; otherwise the parent is
/// asked, and then the arrow (frame parts) or the control's cursor shows.
struct TWMSetCursor : TMessageRecord {
    explicit TWMSetCursor(const TMessage& M)
        : TMessageRecord(M), CursorWnd(reinterpret_cast<HWND>(M.WParam)),
          HitTest(static_cast<int16_t>(LoWord(static_cast<uintptr_t>(M.LParam)))),
          MouseMsg(HiWord(static_cast<uintptr_t>(M.LParam))) {}
    HWND CursorWnd = nullptr;
    int HitTest = 0;
    UINT MouseMsg = 0;
};

/// WM_NCPAINT: paint the window's frame (what lies outside the client
/// area WM_NCCALCSIZE left). WParam is the update region, an HRGN in screen
/// coordinates, or 1 for the whole frame; the region stays the sender's.
/// The handler paints on the window itself:
///     HDC DC = GetDCEx(Handle, Rgn, DCX_WINDOW | DCX_INTERSECTRGN);
///     ... ReleaseDC(Handle, DC);
/// (or GetWindowDC for the whole frame); (0, 0) of that DC is the window's
/// top-left corner. The default handler paints the borders of the styles
/// and the scroll bars. LParam is 0.
struct TWMNCPaint : TMessageRecord {
    explicit TWMNCPaint(const TMessage& M)
        : TMessageRecord(M), RGN(M.WParam > 1 ? reinterpret_cast<HRGN>(M.WParam) : nullptr) {}
    /// The update region; null for the whole frame.
    HRGN RGN = nullptr;
};

struct TWMCommand : TMessageRecord {
    explicit TWMCommand(const TMessage& M)
        : TMessageRecord(M), ItemID(LoWord(M.WParam)), NotifyCode(HiWord(M.WParam)),
          Ctl(reinterpret_cast<HWND>(M.LParam)) {}
    int ItemID = 0;
    int NotifyCode = 0;
    HWND Ctl = nullptr;
};

struct TWMSysCommand : TMessageRecord {
    explicit TWMSysCommand(const TMessage& M)
        : TMessageRecord(M), CmdType(static_cast<UINT>(M.WParam)), XPos(GetXLParam(M.LParam)),
          YPos(GetYLParam(M.LParam)) {}
    UINT CmdType = 0;
    int XPos = 0;
    int YPos = 0;
};

using TWMGetDlgCode = TMessageRecord;
using TWMCancelMode = TMessageRecord;
using TWMCaptureChanged = TMessageRecord;
using TWMClose = TMessageRecord;
using TWMNoParams = TMessageRecord;
using TCMCancelMode = TMessageRecord;
using TCMEnter = TMessageRecord;
using TCMExit = TMessageRecord;

/// CM_MOUSEENTER / CM_MOUSELEAVE: LParam is the graphic control the mouse
/// entered or left (null when it is the window itself).
inline TControl* MessageControl(const TMessage& M) { return reinterpret_cast<TControl*>(M.LParam); }
