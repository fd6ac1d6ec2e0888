// The menu bar of a form: painting in the band above the client area,
// clicks and the menu keys, drop-down menus of the bar's items.

#include "platform/forms/Menus.h"

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/MenusPrivate.h"
#include "platform/forms/StdPrivate.h"
#include "platform/forms/ControlsPrivate.h"

#include <algorithm>
#include <vector>

namespace {

MenuBarHook& CurrentBarHook()
{
    static MenuBarHook Hook;
    return Hook;
}

/// The bar item whose drop-down menu is open, drawn pressed; only compared.
const TMenuItem* gDroppedItem = nullptr;

/// Pixels left and right of a caption on the bar.
constexpr int ItemPadding = 6;

struct BarSlot {
    TMenuItem* Item;
    /// Widget coordinates of the form's window (the band starts at 0, 0).
    TRect Bounds;
};

/// The visible items of the bar from left to right (separators take no
/// place), measured with the menu font.
std::vector<BarSlot> LayoutBar(TMainMenu& Menu, HDC DC, const TRect& Band)
{
    std::vector<BarSlot> Slots;
    const int Saved = SaveDC(DC);
    SelectObject(DC, Screen->MenuFont()->Handle());
    int X = Band.Left;
    TMenuItem* Root = Menu.Items();
    for (int I = 0; I < Root->Count(); ++I) {
        TMenuItem* Item = Root->Items(I);
        if (!Item->Visible() || Item->IsLine())
            continue;
        const AnsiString Text = StripHotkey(Item->Caption());
        TSize Size {0, 0};
        GetTextExtentPoint32(DC, Text.c_str(), Text.Length(), Size);
        const int W = Size.cx + 2 * ItemPadding;
        Slots.push_back({Item, Rect(X, Band.Top, X + W, Band.Bottom)});
        X += W;
    }
    RestoreDC(DC, Saved);
    return Slots;
}

std::vector<BarSlot> LayoutBarOf(TCustomForm& Form)
{
    HWND Wnd = Form.Handle();
    HDC DC = GetDC(nullptr);
    std::vector<BarSlot> Slots = LayoutBar(*Form.Menu(), DC, Rect(0, 0, Wnd->Client.Right, Wnd->Client.Top));
    ReleaseDC(nullptr, DC);
    return Slots;
}

void RepaintBar(TCustomForm& Form)
{
    HWND Wnd = Form.Handle();
    InvalidateWindow(Wnd, QRegion(0, 0, Wnd->Client.Right, Wnd->Client.Top), false);
}

/// Drops down the sub-items of Slot's item below it and clicks the choice.
/// The neighbouring item to open next (-1, 1) or 0 when the menu is done.
int DropDown(TCustomForm& Form, const BarSlot& Slot)
{
    TMainMenu* Menu = Form.Menu();
    TMenuItem* Item = Slot.Item;
    const FreeWatch Watch({&Form, Menu});
    // The item's own click comes as its menu opens (handlers set up the
    // sub-items there).
    Item->InitiateAction();
    Item->Click();
    if (Watch.Gone() || Form.Menu() != Menu || !InMenuTree(Menu->Items(), Item) || !Item->IsReachable())
        return 0;
    UpdateItemActions(Item);
    if (Watch.Gone() || Form.Menu() != Menu || !InMenuTree(Menu->Items(), Item) || Item->Count() == 0)
        return 0;
    HWND Wnd = Form.Handle();
    const TPoint At = Form.ClientToScreen(Point(Slot.Bounds.Left - Wnd->Client.Left, 0));
    gDroppedItem = Item;
    RepaintBar(Form);
    TMenuItem* Chosen = nullptr;
    int Move = 0;
    try {
        if (const MenuBarHook& Hook = CurrentBarHook())
            Chosen = Hook(*Item, At);
        else
            Chosen = ExecMenuItems(Item, Menu->Images(), QPoint(At.X, At.Y), paLeft, &Move);
    } catch (...) {
        gDroppedItem = nullptr;
        if (!Watch.Gone())
            RepaintBar(Form);
        throw;
    }
    gDroppedItem = nullptr;
    if (Watch.Gone() || Form.Menu() != Menu)
        return 0;
    RepaintBar(Form);
    RunMenuChoice(Menu->Items(), Chosen);
    return Chosen ? 0 : Move;
}

/// Runs the bar from item Index: an item without sub-items is clicked, one
/// with sub-items drops down; Left and Right in a drop-down menu go on to
/// the neighbouring items that drop down.
void TrackBar(TCustomForm& Form, int Index)
{
    std::vector<BarSlot> Slots = LayoutBarOf(Form);
    if (Index < 0 || Index >= static_cast<int>(Slots.size()) || !Slots[static_cast<size_t>(Index)].Item->Enabled())
        return;
    if (Slots[static_cast<size_t>(Index)].Item->Count() == 0) {
        Slots[static_cast<size_t>(Index)].Item->Click();
        return;
    }
    for (;;) {
        const TMenuItem* Opened = Slots[static_cast<size_t>(Index)].Item;
        const int Move = DropDown(Form, Slots[static_cast<size_t>(Index)]);
        if (Move == 0)
            return;
        Slots = LayoutBarOf(Form);
        const int N = static_cast<int>(Slots.size());
        int Next = -1;
        for (int I = 0; I < N; ++I)
            if (Slots[static_cast<size_t>(I)].Item == Opened)
                Next = I;
        if (Next < 0)
            return;
        // The next enabled item that has sub-items, round the bar.
        for (int Step = 0; Step < N; ++Step) {
            Next = (Next + Move + N) % N;
            const TMenuItem* Candidate = Slots[static_cast<size_t>(Next)].Item;
            if (Candidate->Enabled() && Candidate->Count() > 0)
                break;
        }
        if (Slots[static_cast<size_t>(Next)].Item == Opened)
            return;
        Index = Next;
    }
}

}  // namespace

// ---- window layer entries -------------------------------------------------------------------------

int MenuBarHeight(TWinControl* Control)
{
    auto* Form = dynamic_cast<TCustomForm*>(Control);
    return Form && Form->Menu() ? GetSystemMetrics(SM_CYMENU) : 0;
}

TRect TopLevelWidgetRect(TWinControl* Control)
{
    // A window without the window system's frame paints any frame of its
    // own on its widget.
    QWidget* W = Control->HandleAllocated() ? Control->Widget() : nullptr;
    if (W && W->windowFlags().testFlag(Qt::FramelessWindowHint))
        return Rect(0, 0, Control->Width(), Control->Height());
    TRect R = Control->WindowClientRect();
    R.Top = std::max(0, R.Top - MenuBarHeight(Control));
    return R;
}

void PaintMenuBar(TCustomForm& Form, HDC DC, const TRect& Band)
{
    TMainMenu* Menu = Form.Menu();
    if (!Menu)
        return;
    FillRect(DC, Band, GetSysColorBrush(COLOR_MENU));
    const int Saved = SaveDC(DC);
    SelectObject(DC, Screen->MenuFont()->Handle());
    SetBkMode(DC, TRANSPARENT);
    for (const BarSlot& Slot : LayoutBar(*Menu, DC, Band)) {
        TMenuItem* Item = Slot.Item;
        TRect R = Slot.Bounds;
        if (Item == gDroppedItem || Item->Checked()) {
            TRect Edge = R;
            DrawEdge(DC, Edge, BDR_SUNKENOUTER, BF_RECT);
            OffsetRect(R, 1, 1);
        }
        const UINT Format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        if (!Item->Enabled()) {
            // Grey text with a light shadow, as disabled items look.
            TRect Shadow = R;
            OffsetRect(Shadow, 1, 1);
            SetTextColor(DC, GetSysColor(COLOR_BTNHIGHLIGHT));
            DrawText(DC, Item->Caption(), Shadow, Format);
            SetTextColor(DC, GetSysColor(COLOR_GRAYTEXT));
        } else {
            SetTextColor(DC, GetSysColor(COLOR_MENUTEXT));
        }
        DrawText(DC, Item->Caption(), R, Format);
    }
    RestoreDC(DC, Saved);
}

void MenuBarMouseDown(TCustomForm& Form, const TPoint& ScreenPos)
{
    if (!Form.Menu() || !Form.HandleAllocated())
        return;
    HWND Wnd = Form.Handle();
    TPoint P = Form.ScreenToClient(ScreenPos);
    P.X += Wnd->Client.Left;
    P.Y += Wnd->Client.Top;
    const std::vector<BarSlot> Slots = LayoutBarOf(Form);
    for (size_t I = 0; I < Slots.size(); ++I)
        if (PtInRect(Slots[I].Bounds, P)) {
            TrackBar(Form, static_cast<int>(I));
            return;
        }
}

bool MenuBarKey(TCustomForm& Form, Word Key)
{
    if (!Form.Menu() || !Form.HandleAllocated())
        return false;
    const std::vector<BarSlot> Slots = LayoutBarOf(Form);
    for (size_t I = 0; I < Slots.size(); ++I) {
        const TMenuItem* Item = Slots[I].Item;
        if (Key == 0 ? Item->Enabled() && Item->Count() > 0 : IsAccel(Key, Item->Caption())) {
            TrackBar(Form, static_cast<int>(I));
            return true;
        }
    }
    return false;
}

// ---- hooks ----------------------------------------------------------------------------------------------

void SetMenuBarHook(MenuBarHook Hook)
{
    CurrentBarHook() = std::move(Hook);
}

MenuBarHookScope::MenuBarHookScope(MenuBarHook Hook)
{
    SetMenuBarHook(std::move(Hook));
}

MenuBarHookScope::~MenuBarHookScope()
{
    SetMenuBarHook(nullptr);
}
