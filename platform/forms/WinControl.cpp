// TWinControl: native windows, children, alignment, focus, keys and painting.

#include "platform/forms/Controls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/StdPrivate.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/rtl/Format.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cassert>

namespace {


const char SCannotFocus[] = "Cannot focus a disabled or invisible window";

}  // namespace

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    Destroying();
    DropDeferredAlign();
    if (Screen && Screen->FActiveControl == this)
        Screen->FActiveControl = nullptr;
    // Leave the parent while this is still a windowed control.
    if (FParent)
        FParent->RemoveControl(this);
    DestroyHandle();
    // Children go with their parent, whoever owns them.
    while (!FControls.empty() || !FWinControls.empty()) {
        TControl* Child = !FWinControls.empty() ? static_cast<TControl*>(FWinControls.back()) : FControls.back();
        RemoveControl(Child);
        delete Child;
    }
}

PRICETAGS_DEFINE_CLASS(TWinControl,
    Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
    Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop),
    Property("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D))

TWinControl* TWinControl::CreateParented(HWND ParentWindow)
{
    auto* Control = new TWinControl(nullptr);
    Control->SetParentWindow(ParentWindow);
    return Control;
}

void TWinControl::SetParentWindow(HWND Value)
{
    if (FParent || Value == FParentWindow)
        return;
    DestroyHandle();
    FParentWindow = Value;
    UpdateControlState();
}

// ---- children -----------------------------------------------------------------------------

int TWinControl::ControlCount() const
{
    return static_cast<int>(FControls.size() + FWinControls.size());
}

TControl* TWinControl::Controls(int Index) const
{
    if (Index < 0 || Index >= ControlCount())
        ListIndexError(Index);
    const int N = static_cast<int>(FControls.size());
    return Index < N ? FControls[static_cast<size_t>(Index)] : FWinControls[static_cast<size_t>(Index - N)];
}

void TWinControl::InsertControl(TControl* AControl)
{
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    auto* Win = dynamic_cast<TWinControl*>(AControl);
    if (Win) {
        FWinControls.push_back(Win);
        FTabList.push_back(Win);
    } else {
        FControls.push_back(AControl);
    }
    AControl->FParent = this;
    if (!AControl->ComponentState().Contains(csReading)) {
        AControl->Perform(CM_PARENTCOLORCHANGED);
        AControl->Perform(CM_PARENTFONTCHANGED);
        AControl->Perform(CM_PARENTSHOWHINTCHANGED);
        AControl->Perform(CM_PARENTBIDIMODECHANGED);
        if (Win) {
            Win->Perform(CM_PARENTCTL3DCHANGED);
            Win->UpdateControlState();
        } else if (HandleAllocated()) {
            AControl->Invalidate();
        }
        AControl->UpdateAnchorRules();
        AlignControl(AControl);
    }
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl)
{
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    if (auto* Win = dynamic_cast<TWinControl*>(AControl)) {
        if (TCustomForm* Form = GetParentForm(this))
            Form->DefocusControl(Win, true);
        Win->DestroyHandle();
        FWinControls.erase(std::remove(FWinControls.begin(), FWinControls.end(), Win), FWinControls.end());
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), Win), FTabList.end());
    } else {
        if (HandleAllocated())
            AControl->InvalidateControl(AControl->Visible(), false);
        FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
    }
    ForgetControl(AControl);
    if (FDeferredAlignControl == AControl)
        FDeferredAlignControl = nullptr;
    AControl->FParent = nullptr;
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    if (!ComponentState().Contains(csDestroying))
        Realign();
}

bool TWinControl::ContainsControl(TControl* Control)
{
    while (Control && Control != this)
        Control = Control->Parent();
    return Control != nullptr;
}

void TWinControl::Broadcast(TMessage& Message)
{
    for (int I = 0; I < ControlCount(); ++I) {
        Controls(I)->WndProc(Message);
        if (Message.Result != 0)
            return;
    }
}

void TWinControl::NotifyControls(UINT Msg)
{
    TMessage M;
    M.Msg = Msg;
    Broadcast(M);
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls)
{
    if (gDeferredAligns != 0)
        AlignDeferredControls();
    const auto Hit = [&](TControl* C) {
        if (!C->Visible() || (!C->Enabled() && !AllowDisabled))
            return false;
        const TPoint P {Pos.X - C->Left(), Pos.Y - C->Top()};
        return PtInRect(Rect(0, 0, C->Width(), C->Height()), P) && C->Perform(CM_HITTEST, 0, MakeLParam(P.X, P.Y)) != 0;
    };
    if (AllowWinControls)
        for (auto It = FWinControls.rbegin(); It != FWinControls.rend(); ++It)
            if (Hit(*It))
                return *It;
    for (auto It = FControls.rbegin(); It != FControls.rend(); ++It)
        if (Hit(*It))
            return *It;
    return nullptr;
}

int TWinControl::TabOrder() const
{
    if (!FParent)
        return -1;
    const auto& L = FParent->FTabList;
    const auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

void TWinControl::SetTabOrder(int Value)
{
    if (!FParent)
        return;
    auto& L = FParent->FTabList;
    const auto It = std::find(L.begin(), L.end(), this);
    if (It == L.end())
        return;
    L.erase(It);
    const int N = static_cast<int>(L.size());
    const int At = Value < 0 || Value > N ? N : Value;
    L.insert(L.begin() + At, this);
}

void TWinControl::SetTabStop(bool Value)
{
    if (Value == FTabStop)
        return;
    FTabStop = Value;
    Perform(CM_TABSTOPCHANGED);
}

void TWinControl::SetCtl3D(bool Value)
{
    if (Value == FCtl3D) {
        FParentCtl3D = false;
        return;
    }
    FCtl3D = Value;
    FParentCtl3D = false;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool Value)
{
    if (Value == FParentCtl3D)
        return;
    FParentCtl3D = Value;
    if (FParent && Value)
        Perform(CM_PARENTCTL3DCHANGED);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List)
{
    for (TWinControl* C : FTabList) {
        List.push_back(C);
        C->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
    bool CheckParent)
{
    std::vector<TWinControl*> List;
    GetTabOrderList(List);
    if (List.empty())
        return nullptr;
    const int Count = static_cast<int>(List.size());
    int StartIndex = static_cast<int>(std::find(List.begin(), List.end(), CurControl) - List.begin());
    if (StartIndex >= Count)
        StartIndex = GoForward ? Count - 1 : 0;
    int I = StartIndex;
    do {
        if (GoForward) {
            if (++I == Count)
                I = 0;
        } else {
            if (I == 0)
                I = Count;
            --I;
        }
        TWinControl* C = List[static_cast<size_t>(I)];
        if (C != CurControl && C->CanFocus() && (!CheckTabStop || C->TabStop()) &&
            (!CheckParent || C->Parent() == this))
            return C;
    } while (I != StartIndex);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop)
{
    if (TWinControl* Next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
        Next->SetFocus();
}

// ---- alignment -----------------------------------------------------------------------------

void TWinControl::DisableAlign()
{
    ++FAlignLevel;
}

void TWinControl::EnableAlign()
{
    if (FAlignLevel > 0)
        --FAlignLevel;
    if (FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded))
        Realign();
}

void TWinControl::Realign()
{
    AlignControl(nullptr);
}

namespace {

// The controls whose realign waits, in the order they asked; a control
// leaves it when it is realigned or destroyed.
std::vector<TWinControl*>& DeferredAligns()
{
    static std::vector<TWinControl*> List;
    return List;
}

bool gAlignFlushPosted = false;
// Above 0 while a control sets its own bounds or lays out its children:
// what it reads then is its own current size, and must not wait for its
// parent's realign.
int gAlignHeld = 0;

struct AlignHold {
    AlignHold() { ++gAlignHeld; }
    ~AlignHold() { --gAlignHeld; }
    AlignHold(const AlignHold&) = delete;
    AlignHold& operator=(const AlignHold&) = delete;
};

}  // namespace

int gDeferredAligns = 0;

void AlignDeferredControls()
{
    // Each realign may defer others (nested parents); take them all.
    while (gDeferredAligns != 0) {
        DeferredAligns().front()->AlignNow(nullptr);
    }
}

void TControl::AlignParents() const
{
    if (gAlignHeld != 0)
        return;
    // The outermost waiting parent first: it may move and size the inner ones.
    std::vector<TWinControl*> Chain;
    for (TWinControl* P = FParent; P; P = P->FParent)
        if (P->FAlignDeferred)
            Chain.push_back(P);
    for (auto It = Chain.rbegin(); It != Chain.rend(); ++It)
        if ((*It)->FAlignDeferred)
            (*It)->AlignNow(nullptr);
}

TControl* TWinControl::DropDeferredAlign()
{
    if (!FAlignDeferred)
        return nullptr;
    FAlignDeferred = false;
    --gDeferredAligns;
    auto& List = DeferredAligns();
    List.erase(std::find(List.begin(), List.end(), this));
    return std::exchange(FDeferredAlignControl, nullptr);
}

void TWinControl::AlignControl(TControl* AControl)
{
    if (ComponentState().Contains(csDestroying))
        return;
    if (FAlignLevel != 0 || ComponentState().Contains(csLoading)) {
        FControlState.Include(csAlignmentNeeded);
        return;
    }
    if (AControl) {
        if (!FAlignDeferred) {
            FAlignDeferred = true;
            ++gDeferredAligns;
            DeferredAligns().push_back(this);
        }
        // The child that moved last keeps its place among equals.
        FDeferredAlignControl = AControl;
        // The event loop lays out what nobody read before it paints.
        if (!gAlignFlushPosted && QCoreApplication::instance()) {
            gAlignFlushPosted = true;
            QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
                gAlignFlushPosted = false;
                Barrier([] { AlignDeferredControls(); });
            }, Qt::QueuedConnection);
        }
        return;
    }
    AlignNow(nullptr);
}

void TWinControl::AlignNow(TControl* AControl)
{
    if (TControl* Moved = DropDeferredAlign(); Moved && !AControl)
        AControl = Moved;
    if (ComponentState().Contains(csDestroying))
        return;
    // Alignment was disabled after the request: EnableAlign does it.
    if (FAlignLevel != 0 || ComponentState().Contains(csLoading)) {
        FControlState.Include(csAlignmentNeeded);
        return;
    }
    // Children are laid out in this control's current size; a realign its
    // own parent still owes resizes it, and so realigns it, later.
    const AlignHold Hold;
    DisableAlign();
    try {
        TRect R = ClientRect();
        AlignControls(AControl, R);
    } catch (...) {
        FControlState.Exclude(csAlignmentNeeded);
        --FAlignLevel;
        throw;
    }
    FControlState.Exclude(csAlignmentNeeded);
    --FAlignLevel;
    if (FControlState.Contains(csAlignmentNeeded))
        Realign();
}

void TWinControl::AdjustClientRect(TRect&) {}

namespace {

// Whether C1 goes before C2 among controls of one alignment.
bool InsertBefore(TControl* C1, TControl* C2, TAlign A)
{
    switch (A) {
    case alTop: return C1->Top() < C2->Top();
    case alBottom: return C1->Top() + C1->Height() >= C2->Top() + C2->Height();
    case alLeft: return C1->Left() < C2->Left();
    case alRight: return C1->Left() + C1->Width() >= C2->Left() + C2->Width();
    case alNone:
    case alClient:
    case alCustom: return false;
    }
    return false;
}

}  // namespace

void TWinControl::AlignControls(TControl* AControl, TRect& Rect)
{
    AdjustClientRect(Rect);
    const TRect Parent = ClientRect();
    const auto DoPosition = [&](TControl* Control, TAlign A) {
        int NewLeft = Rect.Left;
        int NewTop = Rect.Top;
        int NewWidth = std::max(Rect.Right - Rect.Left, 0);
        int NewHeight = std::max(Rect.Bottom - Rect.Top, 0);
        switch (A) {
        case alTop:
            Rect.Top += Control->Height();
            NewHeight = Control->Height();
            break;
        case alBottom:
            Rect.Bottom -= Control->Height();
            NewTop = Rect.Bottom;
            NewHeight = Control->Height();
            break;
        case alLeft:
            Rect.Left += Control->Width();
            NewWidth = Control->Width();
            break;
        case alRight:
            Rect.Right -= Control->Width();
            NewLeft = Rect.Right;
            NewWidth = Control->Width();
            break;
        case alNone:
        case alCustom: {
            // Anchors: keep what the rules fixed against the original size.
            NewLeft = Control->Left();
            NewTop = Control->Top();
            NewWidth = Control->Width();
            NewHeight = Control->Height();
            const TAnchors K = Control->Anchors();
            const TPoint Rules = Control->FAnchorRules;
            const TPoint Orig = Control->FOriginalParentSize;
            if (Orig.X == 0 && Orig.Y == 0)
                return;
            if (K.Contains(akRight)) {
                if (K.Contains(akLeft))
                    NewWidth = Parent.Right - (Orig.X - Rules.X);
                else
                    NewLeft = Parent.Right - (Orig.X - Rules.X);
            } else if (!K.Contains(akLeft) && Orig.X != 0) {
                NewLeft = MulDiv(Rules.X, Parent.Right, Orig.X) - NewWidth / 2;
            }
            if (K.Contains(akBottom)) {
                if (K.Contains(akTop))
                    NewHeight = Parent.Bottom - (Orig.Y - Rules.Y);
                else
                    NewTop = Parent.Bottom - (Orig.Y - Rules.Y);
            } else if (!K.Contains(akTop) && Orig.Y != 0) {
                NewTop = MulDiv(Rules.Y, Parent.Bottom, Orig.Y) - NewHeight / 2;
            }
            break;
        }
        case alClient: break;
        }
        Control->FAnchorMove = true;
        try {
            Control->SetBounds(NewLeft, NewTop, NewWidth, NewHeight);
        } catch (...) {
            Control->FAnchorMove = false;
            throw;
        }
        Control->FAnchorMove = false;
        // A control that kept another size (constraints) gives the space back.
        if (Control->Width() != NewWidth || Control->Height() != NewHeight) {
            switch (A) {
            case alTop: Rect.Top -= NewHeight - Control->Height(); break;
            case alBottom: Rect.Bottom += NewHeight - Control->Height(); break;
            case alLeft: Rect.Left -= NewWidth - Control->Width(); break;
            case alRight: Rect.Right += NewWidth - Control->Width(); break;
            case alClient:
                Rect.Right -= NewWidth - Control->Width();
                Rect.Bottom -= NewHeight - Control->Height();
                break;
            case alNone:
            case alCustom: break;
            }
        }
    };
    const auto DoAlign = [&](TAlign A) {
        std::vector<TControl*> List;
        if (AControl && AControl->Visible() && AControl->Align() == A &&
            (A != alNone || AControl->Anchors() != AnchorAlign(alNone)))
            List.push_back(AControl);
        for (int I = 0; I < ControlCount(); ++I) {
            TControl* C = Controls(I);
            if (C == AControl || C->Align() != A || !C->Visible())
                continue;
            if (A == alNone && C->Anchors() == AnchorAlign(alNone))
                continue;
            List.push_back(C);
        }
        // Each control goes before the first one it belongs before, the
        // others keep their order: a stable sort. Top and left edges keep
        // ties in this order; bottom and right edges put the later of
        // equals first, so those sort the reversed list.
        switch (A) {
        case alTop:
        case alLeft:
            std::stable_sort(List.begin(), List.end(), [A](TControl* C1, TControl* C2) {
                return InsertBefore(C1, C2, A);
            });
            break;
        case alBottom:
        case alRight:
            std::reverse(List.begin(), List.end());
            std::stable_sort(List.begin(), List.end(), [A](TControl* C1, TControl* C2) {
                return InsertBefore(C1, C2, A) && !InsertBefore(C2, C1, A);
            });
            break;
        case alNone:
        case alClient:
        case alCustom: break;
        }
        for (TControl* C : List)
            DoPosition(C, A);
    };
    DoAlign(alTop);
    DoAlign(alBottom);
    DoAlign(alLeft);
    DoAlign(alRight);
    DoAlign(alClient);
    DoAlign(alCustom);
    DoAlign(alNone);
}

// ---- geometry --------------------------------------------------------------------------------

void TWinControl::CurrentStyles(uint32_t& Style, uint32_t& ExStyle)
{
    if (FHandle) {
        Style = FHandle->Style;
        ExStyle = FHandle->ExStyle;
        return;
    }
    TCreateParams P;
    CreateParams(P);
    Style = P.Style;
    ExStyle = P.ExStyle;
}

TRect TWinControl::WindowClientRect()
{
    TRect R = Rect(0, 0, FWidth, FHeight);
    Perform(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&R));
    if (R.Right < R.Left)
        R.Right = R.Left;
    if (R.Bottom < R.Top)
        R.Bottom = R.Top;
    return R;
}

TRect TWinControl::ClientRect()
{
    AlignPending();
    // The window keeps its client rectangle between frame changes; asking
    // the borders again (WM_NCCALCSIZE) on every call is what it saves.
    if (FHandle && FHandle->ClientValid)
        return Rect(0, 0, FHandle->Client.Width(), FHandle->Client.Height());
    const TRect R = WindowClientRect();
    return Rect(0, 0, R.Width(), R.Height());
}

TPoint TWinControl::ClientOrigin()
{
    AlignPending();
    const TRect C = WindowClientRect();
    TPoint P {FLeft + C.Left, FTop + C.Top};
    if (FParent) {
        const TPoint O = FParent->ClientOrigin();
        P.X += O.X;
        P.Y += O.Y;
    }
    return P;
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    ConstrainedResize(AWidth, AHeight);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    const bool Moved = ALeft != FLeft || ATop != FTop;
    const bool Sized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (!FAnchorMove)
        UpdateAnchorRules();
    ApplyWidgetGeometry();
    if (Moved)
        Perform(WM_MOVE, 0, MakeLParam(FLeft, FTop));
    if (Sized) {
        TRect C;
        {
            const AlignHold Hold;
            C = ClientRect();
        }
        Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(C.Right, C.Bottom));
    }
    Perform(WM_WINDOWPOSCHANGED);
    RequestAlign();
}

void TWinControl::ApplyWidgetGeometry()
{
    if (!FHandle || !FHandle->Widget)
        return;
    QWidget* W = FHandle->Widget;
    if (FHandle->TopLevel) {
        // The window system draws the frame and caption; the widget holds
        // the menu bar's band (if any) and the client area below it, or
        // the whole window when the window paints its frame itself.
        const TRect R = TopLevelWidgetRect(this);
        TRect Client = WindowClientRect();
        OffsetRect(Client, -R.Left, -R.Top);
        const TRect OldClient = FHandle->Client;
        FHandle->Client = Client;
        FHandle->ClientValid = true;
        // A window the user cannot resize has a fixed size; the program
        // still can, so the fixed size moves with its bounds.
        if (W->minimumSize() == W->maximumSize())
            W->setFixedSize(std::max(R.Width(), 1), std::max(R.Height(), 1));
        W->setGeometry(FLeft + R.Left, FTop + R.Top, std::max(R.Width(), 1), std::max(R.Height(), 1));
        ResizeBacking(FHandle, R.Width(), R.Height());
        if (FHandle->Client != OldClient)
            PlaceChildWidgets();
        return;
    }
    const TRect OldClient = FHandle->Client;
    FHandle->Client = WindowClientRect();
    FHandle->ClientValid = true;
    TPoint Offset {0, 0};
    if (FParent && FParent->FHandle)
        Offset = FParent->FHandle->Client.TopLeft();
    W->setGeometry(Offset.X + FLeft, Offset.Y + FTop, std::max(FWidth, 0), std::max(FHeight, 0));
    ResizeBacking(FHandle, FWidth, FHeight);
    // A child shows only inside its parent's client area: the frame
    // (borders, scroll bars) lies around it.
    if (FParent && FParent->FHandle) {
        const QRect Own(Offset.X + FLeft, Offset.Y + FTop, std::max(FWidth, 0), std::max(FHeight, 0));
        const QRect Shown = Own & ToQRect(FParent->FHandle->Client);
        if (Shown == Own) {
            if (!W->mask().isEmpty())
                W->clearMask();
        } else {
            // An empty mask would mean none: a pixel outside hides it all.
            W->setMask(Shown.isEmpty() ? QRegion(-1, -1, 1, 1) : QRegion(Shown.translated(-Own.topLeft())));
        }
    }
    if (FHandle->Client != OldClient)
        PlaceChildWidgets();
}

void TWinControl::PlaceChildWidgets()
{
    for (TWinControl* C : FWinControls)
        C->ApplyWidgetGeometry();
}

// ---- handles ----------------------------------------------------------------------------------

void TWinControl::CreateParams(TCreateParams& Params)
{
    Params = TCreateParams {};
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FControlStyle.Contains(csAcceptsControls))
        Params.Style |= WS_CLIPCHILDREN;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    if (FTabStop)
        Params.Style |= WS_TABSTOP;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    Params.WndParent = FParent && FParent->FHandle ? FParent->FHandle : FParentWindow;
    Params.WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.WinClassName = ClassName();
}

QWidget* TWinControl::CreateWidget(const TCreateParams&)
{
    return nullptr;
}

HWND TWinControl::Handle()
{
    if (!FHandle) {
        if (FParent)
            FParent->HandleNeeded();
        CreateHandle();
    }
    return FHandle;
}

QWidget* TWinControl::Widget() const
{
    return FHandle ? FHandle->Widget.data() : nullptr;
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    CreateWnd();
    for (int I = 0; I < ControlCount(); ++I)
        Controls(I)->UpdateAnchorRules();
}

void TWinControl::CreateWnd()
{
    assert(Application && "GuiStartup makes the application before any window");
    TCreateParams P;
    CreateParams(P);
    auto* H = new HWND__();
    H->Control = this;
    H->Style = P.Style;
    H->ExStyle = P.ExStyle;
    H->ClassStyle = P.WindowClassStyle;
    H->TopLevel = !(P.Style & WS_CHILD);
    H->Owner = H->TopLevel ? P.WndParent : nullptr;
    QWidget* ParentWidget = nullptr;
    if (!H->TopLevel) {
        if (FParent)
            ParentWidget = FParent->Widget();
        else if (IsLiveWindow(FParentWindow))
            ParentWidget = FParentWindow->Widget;
    }
    FHandle = H;
    RegisterWindow(H);
    QWidget* W = CreateWidget(P);
    if (W) {
        H->OwnPainting = false;
        W->setParent(ParentWidget, W->windowFlags());
        InstallBridge(H, W);
    } else {
        W = new ControlWidget(H, ParentWidget);
    }
    H->Widget = W;
    W->setMouseTracking(true);
    W->setEnabled(FEnabled);
    if (!H->TopLevel && FParent) {
        // Later children lie above earlier ones.
        W->raise();
    }
    ApplyWidgetGeometry();
    InvalidateWindow(H, QRegion(0, 0, std::max(W->width(), 1), std::max(W->height(), 1)), true);
}

void TWinControl::CreateChildHandles()
{
    for (TWinControl* C : FWinControls)
        C->UpdateShowing();
}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    for (TWinControl* C : FWinControls)
        C->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd()
{
    if (!FHandle)
        return;
    // The window's last message, while it still exists; a control being
    // freed has nothing of its own left to hear it.
    if (!ComponentState().Contains(csDestroying))
        Perform(WM_NCDESTROY, 0, 0);
    FControlState.Include(csDestroyingHandle);
    HWND H = FHandle;
    ReleaseBacking(H);
    H->Destroying = true;
    ForgetWindow(H);
    UnregisterWindow(H);
    FHandle = nullptr;
    FShowing = false;
    if (H->Widget) {
        QWidget* W = H->Widget;
        H->Widget = nullptr;
        delete W;
    }
    DeleteObject(H->OverlayMask);
    H->OverlayMask = nullptr;
    RetireWindow(H);
    FControlState.Exclude(csDestroyingHandle);
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    const bool WasFocused = Focused();
    DestroyHandle();
    UpdateControlState();
    if (FHandle && WasFocused)
        SetWindowFocus();
}

void TWinControl::UpdateControlState()
{
    TWinControl* Top = this;
    while (Top->FParent) {
        Top = Top->FParent;
        if (!Top->Showing())
            return;
    }
    if (dynamic_cast<TCustomForm*>(Top) || Top->FParentWindow)
        UpdateShowing();
}

void TWinControl::UpdateShowing()
{
    // A child window shows with its own Visible; the window system hides
    // it with a hidden parent.
    const bool ShowControl = FVisible && !ComponentState().Contains(csLoading);
    if (ShowControl) {
        if (!FHandle)
            CreateHandle();
        CreateChildHandles();
    }
    if (FHandle && FShowing != ShowControl) {
        FShowing = ShowControl;
        try {
            Perform(CM_SHOWINGCHANGED, ShowControl ? 1 : 0);
        } catch (...) {
            FShowing = !ShowControl;
            throw;
        }
    }
    if (!ShowControl)
        for (TWinControl* C : FWinControls)
            if (C->FHandle && C->FShowing)
                C->UpdateShowing();
}

bool TWinControl::Showing() const
{
    return FShowing;
}

// ---- painting ----------------------------------------------------------------------------------

void TWinControl::Invalidate()
{
    Perform(CM_INVALIDATE);
}

void TWinControl::Update()
{
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}

void TWinControl::InvalidateFrame()
{
    if (FHandle && FHandle->Widget)
        InvalidateWindow(FHandle, QRegion(FHandle->Widget->rect()), true);
}

void TWinControl::PaintHandler(TWMPaint& Message)
{
    HDC DC = Message.DC;
    if (!DC)
        return;
    if (FControls.empty()) {
        PaintWindow(DC);
    } else {
        const int Saved = SaveDC(DC);
        int Clip = SIMPLEREGION;
        for (TControl* C : FControls) {
            if (C->Visible() && C->ControlStyle().Contains(csOpaque)) {
                Clip = ExcludeClipRect(DC, C->Left(), C->Top(), C->Left() + C->Width(), C->Top() + C->Height());
                if (Clip == NULLREGION)
                    break;
            }
        }
        if (Clip != NULLREGION)
            PaintWindow(DC);
        RestoreDC(DC, Saved);
    }
    PaintControls(DC, nullptr);
}

void TWinControl::PaintWindow(HDC DC)
{
    TMessage M;
    M.Msg = WM_PAINT;
    M.WParam = reinterpret_cast<WPARAM>(DC);
    DefaultHandler(M);
}

void TWinControl::PaintControls(HDC DC, TControl* First)
{
    size_t I = 0;
    if (First) {
        const auto It = std::find(FControls.begin(), FControls.end(), First);
        I = It == FControls.end() ? 0 : static_cast<size_t>(It - FControls.begin());
    }
    // A copy: painting may not change the list, but a handler might.
    const std::vector<TControl*> List(FControls.begin() + static_cast<std::ptrdiff_t>(I), FControls.end());
    for (TControl* C : List) {
        if (!C->Visible())
            continue;
        TRect Clip;
        GetClipBox(DC, Clip);
        TRect Inter;
        if (!IntersectRect(Inter, Clip, C->BoundsRect()))
            continue;
        if (FControlState.Contains(csPaintCopy))
            C->FControlState.Include(csPaintCopy);
        const int Saved = SaveDC(DC);
        OffsetViewportOrgEx(DC, C->Left(), C->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, C->Width(), C->Height());
        C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
        RestoreDC(DC, Saved);
        C->FControlState.Exclude(csPaintCopy);
    }
}

void TWinControl::PaintTo(HDC DC, int X, int Y)
{
    if (gDeferredAligns != 0)
        AlignDeferredControls();
    FControlState.Include(csPaintCopy);
    const int Saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, X, Y, nullptr);
    // A child's borders are painted with it; a form's frame belongs to
    // the window system, so a form paints its client area at (X, Y).
    const TRect C = WindowClientRect();
    const bool TopLevel = !FParent;
    if (TopLevel) {
        IntersectClipRect(DC, 0, 0, C.Width(), C.Height());
    } else {
        IntersectClipRect(DC, 0, 0, FWidth, FHeight);
        if (C != Rect(0, 0, FWidth, FHeight))
            CopyFrameTo(DC, C);
        OffsetViewportOrgEx(DC, C.Left, C.Top, nullptr);
    }
    IntersectClipRect(DC, 0, 0, C.Width(), C.Height());
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC));
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
    for (TWinControl* W : FWinControls)
        if (W->Visible())
            W->PaintTo(DC, W->Left(), W->Top());
    RestoreDC(DC, Saved);
    FControlState.Exclude(csPaintCopy);
}

void TWinControl::CopyFrameTo(HDC DC, const TRect& Client)
{
    // The frame is painted where WM_NCPAINT handlers paint it, on the
    // window itself, and copied from there around the client area.
    HWND Wnd = Handle();
    SendNCPaint(Wnd, QRegion(0, 0, FWidth, FHeight) - QRegion(ToQRect(Client)));
    if (!IsLiveWindow(Wnd))
        return;
    HDC Window = GetWindowDC(Wnd);
    const TRect Strips[] = {
        Rect(0, 0, FWidth, Client.Top), Rect(0, Client.Bottom, FWidth, FHeight),
        Rect(0, Client.Top, Client.Left, Client.Bottom), Rect(Client.Right, Client.Top, FWidth, Client.Bottom),
    };
    for (const TRect& S : Strips)
        if (!IsRectEmpty(S))
            BitBlt(DC, S.Left, S.Top, S.Width(), S.Height(), Window, S.Left, S.Top, SRCCOPY);
    ReleaseDC(Wnd, Window);
}

void TWinControl::ScrollBy(int DeltaX, int DeltaY)
{
    DisableAlign();
    for (int I = 0; I < ControlCount(); ++I) {
        TControl* C = Controls(I);
        C->FAnchorMove = true;
        C->SetBounds(C->Left() + DeltaX, C->Top() + DeltaY, C->Width(), C->Height());
        C->FAnchorMove = false;
    }
    if (FHandle)
        ScrollWindow(FHandle, DeltaX, DeltaY, nullptr, nullptr);
    EnableAlign();
}

// ---- focus ---------------------------------------------------------------------------------------

bool TWinControl::CanFocus()
{
    TCustomForm* Form = GetParentForm(this);
    if (!Form)
        return false;
    for (TWinControl* C = this; C != Form; C = C->FParent) {
        if (!C || !C->Visible() || !C->Enabled())
            return false;
    }
    return Form->Visible() && Form->Enabled();
}

bool TWinControl::Focused()
{
    return FHandle && FocusedWindow() == FHandle;
}

void TWinControl::SetFocus()
{
    if (TCustomForm* Form = GetParentForm(this)) {
        if (!CanFocus())
            throw EInvalidOperation(SCannotFocus);
        const bool WasActive = Form->Active();
        Form->SetActiveControl(this);
        if (!WasActive || !Focused())
            SetWindowFocus();
        return;
    }
    if (FParentWindow) {
        ::SetFocus(Handle());
        return;
    }
    throw EInvalidOperation(Format("Control '%s' has no parent window", {Name()}));
}

void TWinControl::SetWindowFocus()
{
    ::SetFocus(Handle());
}

bool TWinControl::WantKey(Word Key)
{
    UINT Mask = 0;
    switch (Key) {
    case VK_TAB: Mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: Mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: Mask = DLGC_WANTALLKEYS; break;
    default: return true;
    }
    return Perform(CM_WANTSPECIALKEY, Key) != 0 || (Perform(WM_GETDLGCODE) & Mask) != 0;
}

// ---- keys ---------------------------------------------------------------------------------------

void TWinControl::KeyDown(Word& Key, TShiftState Shift)
{
    OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift)
{
    OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key)
{
    OnKeyPress(this, Key);
}

bool TWinControl::DoKeyStep(TWMKey& Message, bool (TWinControl::*Preview)(TWMKey&),
    void (TWinControl::*Handler)(Word&, TShiftState))
{
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form != this && Form->KeyPreview() && (static_cast<TWinControl*>(Form)->*Preview)(Message))
        return true;
    if (!FControlStyle.Contains(csNoStdEvents)) {
        Word Key = Message.CharCode;
        (this->*Handler)(Key, KeyDataToShiftState(Message.KeyData));
        Message.CharCode = Key;
        if (Key == 0)
            return true;
    }
    return false;
}

bool TWinControl::DoKeyDown(TWMKey& Message)
{
    return DoKeyStep(Message, &TWinControl::DoKeyDown, &TWinControl::KeyDown);
}

bool TWinControl::DoKeyUp(TWMKey& Message)
{
    return DoKeyStep(Message, &TWinControl::DoKeyUp, &TWinControl::KeyUp);
}

bool TWinControl::DoKeyPress(TWMKey& Message)
{
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form != this && Form->KeyPreview() && static_cast<TWinControl*>(Form)->DoKeyPress(Message))
        return true;
    if (!FControlStyle.Contains(csNoStdEvents)) {
        char Ch = static_cast<char>(Message.CharCode);
        KeyPress(Ch);
        Message.CharCode = static_cast<unsigned char>(Ch);
        if (Ch == 0)
            return true;
    }
    return false;
}

void TWinControl::DoEnter()
{
    OnEnter(this);
}

void TWinControl::DoExit()
{
    OnExit(this);
}

// ---- messages -------------------------------------------------------------------------------------

void TWinControl::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SETFOCUS: {
        TCustomForm* Form = GetParentForm(this);
        if (Form && !Form->SetFocusedControl(this))
            return;
        break;
    }
    case WM_KILLFOCUS:
        if (FControlState.Contains(csFocusing))
            return;
        break;
    case WM_NCHITTEST:
        break;
    default:
        if (Message.Msg >= WM_MOUSEFIRST && Message.Msg < WM_MOUSEWHEEL) {
            TWMMouse M(Message);
            if (IsControlMouseMsg(M)) {
                M.Store(Message);
                return;
            }
        }
        break;
    }
    TControl::WndProc(Message);
}

bool TWinControl::IsControlMouseMsg(TWMMouse& Message)
{
    TControl* Control = nullptr;
    if (FHandle && GetCapture() == FHandle) {
        TControl* Captured = GetCaptureControl();
        if (Captured && Captured->Parent() == this)
            Control = Captured;
    } else {
        Control = ControlAtPos(Message.Pos(), false);
    }
    if (!Control)
        return false;
    const TPoint P {Message.XPos - Control->Left(), Message.YPos - Control->Top()};
    Message.Result = Control->Perform(Message.Msg, Message.Keys, MakeLParam(P.X, P.Y));
    return true;
}

void TWinControl::Dispatch(TMessage& M)
{
    switch (M.Msg) {
    case WM_PAINT: Call<TWMPaint>(M, this, &TWinControl::WMPaint); return;
    case WM_ERASEBKGND: Call<TWMEraseBkgnd>(M, this, &TWinControl::WMEraseBkgnd); return;
    case WM_NCCALCSIZE: Call<TMessageRecord>(M, this, &TWinControl::WMNCCalcSize); return;
    case WM_NCPAINT: Call<TMessageRecord>(M, this, &TWinControl::WMNCPaint); return;
    case WM_SIZE: Call<TWMSize>(M, this, &TWinControl::WMSize); return;
    case WM_MOVE: Call<TWMMove>(M, this, &TWinControl::WMMove); return;
    case WM_SETFOCUS: Call<TWMSetFocus>(M, this, &TWinControl::WMSetFocus); return;
    case WM_KILLFOCUS: Call<TWMKillFocus>(M, this, &TWinControl::WMKillFocus); return;
    case WM_KEYDOWN: Call<TWMKey>(M, this, &TWinControl::WMKeyDown); return;
    case WM_SYSKEYDOWN: Call<TWMKey>(M, this, &TWinControl::WMSysKeyDown); return;
    case WM_KEYUP: Call<TWMKey>(M, this, &TWinControl::WMKeyUp); return;
    case WM_SYSKEYUP: Call<TWMKey>(M, this, &TWinControl::WMSysKeyUp); return;
    case WM_CHAR: Call<TWMKey>(M, this, &TWinControl::WMChar); return;
    case WM_SYSCHAR: Call<TWMKey>(M, this, &TWinControl::WMSysChar); return;
    case WM_GETDLGCODE: Call<TMessageRecord>(M, this, &TWinControl::WMGetDlgCode); return;
    case WM_SETCURSOR: Call<TWMSetCursor>(M, this, &TWinControl::WMSetCursor); return;
    case WM_NCHITTEST: Call<TWMNCHitTest>(M, this, &TWinControl::WMNCHitTest); return;
    case WM_COMMAND: Call<TWMCommand>(M, this, &TWinControl::WMCommand); return;
    case WM_HSCROLL: Call<TWMScroll>(M, this, &TWinControl::WMHScroll); return;
    case WM_VSCROLL: Call<TWMScroll>(M, this, &TWinControl::WMVScroll); return;
    case WM_TIMER: Call<TWMTimer>(M, this, &TWinControl::WMTimer); return;
    case CN_KEYDOWN: Call<TWMKey>(M, this, &TWinControl::CNKeyDown); return;
    case CN_KEYUP: Call<TWMKey>(M, this, &TWinControl::CNKeyUp); return;
    case CN_CHAR: Call<TWMKey>(M, this, &TWinControl::CNChar); return;
    case CN_SYSKEYDOWN: Call<TWMKey>(M, this, &TWinControl::CNSysKeyDown); return;
    case CN_SYSCHAR: Call<TWMKey>(M, this, &TWinControl::CNSysChar); return;
    case CM_DIALOGKEY: Call<TCMDialogKey>(M, this, &TWinControl::CMDialogKey); return;
    case CM_DIALOGCHAR: Call<TCMDialogChar>(M, this, &TWinControl::CMDialogChar); return;
    case CM_CHILDKEY: Call<TMessageRecord>(M, this, &TWinControl::CMChildKey); return;
    case CM_ENTER: Call<TMessageRecord>(M, this, &TWinControl::CMEnter); return;
    case CM_EXIT: Call<TMessageRecord>(M, this, &TWinControl::CMExit); return;
    case CM_FOCUSCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMFocusChanged); return;
    case CM_SHOWINGCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMShowingChanged); return;
    case CM_CTL3DCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMCtl3DChanged); return;
    case CM_PARENTCTL3DCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMParentCtl3DChanged); return;
    case CM_RECREATEWND: Call<TMessageRecord>(M, this, &TWinControl::CMRecreateWnd); return;
    case CM_ENABLEDCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMEnabledChanged); return;
    case CM_VISIBLECHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMVisibleChanged); return;
    case CM_COLORCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMColorChanged); return;
    case CM_FONTCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMFontChanged); return;
    case CM_TEXTCHANGED: Call<TMessageRecord>(M, this, &TWinControl::CMTextChanged); return;
    case CM_SYSCOLORCHANGE: Call<TMessageRecord>(M, this, &TWinControl::CMSysColorChange); return;
    case CM_INVALIDATE: {
        // From a graphic child (WParam 1, LParam its client rectangle) or
        // from the control itself.
        if (!FHandle)
            return;
        const TRect Client = FHandle->Client;
        if (M.WParam == 1 && M.LParam) {
            TRect R = *reinterpret_cast<const TRect*>(M.LParam);
            OffsetRect(R, Client.Left, Client.Top);
            InvalidateWindow(FHandle, QRegion(ToQRect(R)), true);
        } else {
            InvalidateFrame();
        }
        return;
    }
    default: TControl::Dispatch(M); return;
    }
}

void TWinControl::DefaultHandler(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCCALCSIZE: {
        // Borders of the window's styles; scroll bars take their width.
        auto* R = reinterpret_cast<TRect*>(Message.LParam);
        if (!R)
            return;
        uint32_t Style = 0, Ex = 0;
        CurrentStyles(Style, Ex);
        int Border = 0;
        if (Ex & WS_EX_CLIENTEDGE)
            Border += 2;
        if (Style & WS_BORDER)
            Border += 1;
        InflateRect(*R, -Border, -Border);
        if (Style & WS_VSCROLL)
            R->Right -= GetSystemMetrics(SM_CXVSCROLL);
        if (Style & WS_HSCROLL)
            R->Bottom -= GetSystemMetrics(SM_CYHSCROLL);
        return;
    }
    case WM_NCPAINT: {
        // The borders of the styles and the scroll bars, on a window DC
        // limited to the update region (WParam 1: the whole frame).
        if (!FHandle)
            return;
        const HRGN Update = Message.WParam > 1 ? reinterpret_cast<HRGN>(Message.WParam) : nullptr;
        HDC DC = GetDCEx(FHandle, Update, DCX_WINDOW | DCX_INTERSECTRGN);
        if (!DC)
            return;
        uint32_t Style = 0, Ex = 0;
        CurrentStyles(Style, Ex);
        TRect R = Rect(0, 0, FWidth, FHeight);
        if (Ex & WS_EX_CLIENTEDGE)
            DrawEdge(DC, R, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        if (Style & WS_BORDER)
            FrameRect(DC, R, GetSysColorBrush(COLOR_WINDOWFRAME));
        if (Style & (WS_HSCROLL | WS_VSCROLL))
            PaintScrollBars(FHandle, DC);
        ReleaseDC(FHandle, DC);
        return;
    }
    case WM_GETDLGCODE: Message.Result = 0; return;
    case WM_NCHITTEST: {
        // The part of the window at a screen point.
        if (!FHandle) {
            Message.Result = HTCLIENT;
            return;
        }
        const TPoint P = ScreenToClient(Point(GetXLParam(Message.LParam), GetYLParam(Message.LParam)));
        const TRect C = ClientRect();
        if (PtInRect(C, P)) {
            Message.Result = HTCLIENT;
            return;
        }
        const int SX = P.X + FHandle->Client.Left;
        const int SY = P.Y + FHandle->Client.Top;
        if ((FHandle->Style & WS_VSCROLL) && SX >= FHandle->Client.Right && SY >= FHandle->Client.Top &&
            SY < FHandle->Client.Bottom)
            Message.Result = HTVSCROLL;
        else if ((FHandle->Style & WS_HSCROLL) && SY >= FHandle->Client.Bottom && SX >= FHandle->Client.Left &&
            SX < FHandle->Client.Right)
            Message.Result = HTHSCROLL;
        else if (SX >= 0 && SY >= 0 && SX < FWidth && SY < FHeight)
            Message.Result = HTBORDER;
        else
            Message.Result = HTNOWHERE;
        return;
    }
    case WM_SETREDRAW:
        if (FHandle && FHandle->Widget)
            FHandle->Widget->setUpdatesEnabled(Message.WParam != 0);
        return;
    case WM_SETCURSOR:
        // The parent may decide first, as the window system asks it.
        if (FParent) {
            Message.Result = FParent->Perform(WM_SETCURSOR, Message.WParam, Message.LParam);
            if (Message.Result)
                return;
        }
        Message.Result = 0;
        return;
    case WM_CLOSE:
        DestroyHandle();
        return;
    default:
        PassToNativeWidget(FHandle, Message);
        TControl::DefaultHandler(Message);
        return;
    }
}

void TWinControl::WMPaint(TWMPaint& Message)
{
    PaintHandler(Message);
}

void TWinControl::WMEraseBkgnd(TWMEraseBkgnd& Message)
{
    if (!Message.DC)
        return;
    const HBRUSH Brush = CreateSolidBrush(ColorToRGB(FColor));
    FillRect(Message.DC, ClientRect(), Brush);
    DeleteObject(Brush);
    Message.Result = 1;
}

void TWinControl::WMNCCalcSize(TMessageRecord& Message)
{
    DefaultHandler(Message);
}

void TWinControl::WMNCPaint(TMessageRecord& Message)
{
    DefaultHandler(Message);
}

void TWinControl::WMSize(TWMSize& Message)
{
    if (FHandle) {
        ApplyWidgetGeometry();
        InvalidateFrame();
    }
    if (!ComponentState().Contains(csLoading)) {
        Realign();
        Resize();
    }
    (void)Message;
}

void TWinControl::WMMove(TWMMove&) {}

void TWinControl::WMSetFocus(TWMSetFocus& Message)
{
    DefaultHandler(Message);
}

void TWinControl::WMKillFocus(TWMKillFocus& Message)
{
    DefaultHandler(Message);
}

void TWinControl::WMKeyDown(TWMKey& Message)
{
    if (!DoKeyDown(Message))
        DefaultHandler(Message);
}

void TWinControl::WMSysKeyDown(TWMKey& Message)
{
    if (DoKeyDown(Message))
        return;
    // F10 alone is the menu key: the form's menu bar opens its first item.
    TCustomForm* Form = GetParentForm(this);
    if (Message.CharCode == VK_F10 && Form && Form->Menu() &&
        !KeyDataToShiftState(Message.KeyData).Contains(ssShift) &&
        !KeyDataToShiftState(Message.KeyData).Contains(ssCtrl)) {
        Form->Perform(WM_SYSCOMMAND, SC_KEYMENU, 0);
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TWMKey& Message)
{
    if (!DoKeyUp(Message))
        DefaultHandler(Message);
}

void TWinControl::WMSysKeyUp(TWMKey& Message)
{
    if (!DoKeyUp(Message))
        DefaultHandler(Message);
}

void TWinControl::WMChar(TWMKey& Message)
{
    if (!DoKeyPress(Message))
        DefaultHandler(Message);
}

void TWinControl::WMSysChar(TWMKey& Message)
{
    // Alt with a character no control took: the menu bar item it marks.
    if (TCustomForm* Form = GetParentForm(this); Form && Form->Menu()) {
        Form->Perform(WM_SYSCOMMAND, SC_KEYMENU, Message.CharCode);
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::WMGetDlgCode(TMessageRecord& Message)
{
    DefaultHandler(Message);
}

void TWinControl::WMSetCursor(TWMSetCursor& Message)
{
    if (Message.CursorWnd == FHandle && Message.HitTest == HTCLIENT) {
        TCursor Cursor = Screen ? Screen->Cursor() : crDefault;
        if (Cursor == crDefault) {
            TPoint P;
            GetCursorPos(P);
            Cursor = FCursor;
            if (TControl* C = ControlAtPos(ScreenToClient(P), false))
                Cursor = C->Cursor();
        }
        if (Cursor != crDefault) {
            ::SetCursor(Screen->Cursors(Cursor));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

void TWinControl::WMNCHitTest(TWMNCHitTest& Message)
{
    DefaultHandler(Message);
}

namespace {

// Notifications of a child window (WM_COMMAND, WM_HSCROLL, WM_VSCROLL) go
// back to the child as the matching CN_ message, so that the control
// handles its own; false when Child is no window of ours.
bool ReflectToChild(HWND Child, UINT Notification, TMessageRecord& Message)
{
    TWinControl* Control = FindControl(Child);
    if (!Control)
        return false;
    Message.Result = Control->Perform(Notification, Message.WParam, Message.LParam);
    return true;
}

}  // namespace

void TWinControl::WMCommand(TWMCommand& Message)
{
    if (!ReflectToChild(Message.Ctl, CN_COMMAND, Message))
        DefaultHandler(Message);
}

void TWinControl::WMHScroll(TWMScroll& Message)
{
    if (!ReflectToChild(Message.ScrollBar, CN_HSCROLL, Message))
        DefaultHandler(Message);
}

void TWinControl::WMVScroll(TWMScroll& Message)
{
    if (!ReflectToChild(Message.ScrollBar, CN_VSCROLL, Message))
        DefaultHandler(Message);
}

void TWinControl::WMTimer(TWMTimer& Message)
{
    DefaultHandler(Message);
}

void TWinControl::CNKeyDown(TWMKey& Message)
{
    Message.Result = 1;
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form->IsShortCut(Message))
        return;
    if (Perform(CM_CHILDKEY, Message.CharCode, reinterpret_cast<LPARAM>(this)) != 0)
        return;
    if (!WantKey(Message.CharCode) && Form &&
        Form->Perform(CM_DIALOGKEY, Message.CharCode, Message.KeyData) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CNSysKeyDown(TWMKey& Message)
{
    Message.Result = 1;
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form->IsShortCut(Message))
        return;
    if (Perform(CM_CHILDKEY, Message.CharCode, reinterpret_cast<LPARAM>(this)) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CNKeyUp(TWMKey& Message)
{
    Message.Result = 0;
}

void TWinControl::CNChar(TWMKey& Message)
{
    Message.Result = 1;
    TCustomForm* Form = GetParentForm(this);
    if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0 && Form &&
        Form->Perform(CM_DIALOGCHAR, Message.CharCode, Message.KeyData) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CNSysChar(TWMKey& Message)
{
    Message.Result = 1;
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form->Perform(CM_DIALOGCHAR, Message.CharCode, Message.KeyData) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CMDialogKey(TCMDialogKey& Message)
{
    TMessage M = Message;
    Broadcast(M);
    Message.Result = M.Result;
}

void TWinControl::CMDialogChar(TCMDialogChar& Message)
{
    TMessage M = Message;
    Broadcast(M);
    Message.Result = M.Result;
}

void TWinControl::CMChildKey(TMessageRecord& Message)
{
    if (FParent)
        Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::CMEnter(TMessageRecord&)
{
    DoEnter();
}

void TWinControl::CMExit(TMessageRecord&)
{
    DoExit();
}

void TWinControl::CMFocusChanged(TMessageRecord& Message)
{
    TMessage M = Message;
    Broadcast(M);
}

void TWinControl::CMShowingChanged(TMessageRecord&)
{
    if (FHandle && FHandle->Widget)
        FHandle->Widget->setVisible(FShowing);
}

void TWinControl::CMCtl3DChanged(TMessageRecord&)
{
    NotifyControls(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMParentCtl3DChanged(TMessageRecord&)
{
    if (FParentCtl3D && FParent) {
        SetCtl3D(FParent->Ctl3D());
        FParentCtl3D = true;
    }
}

void TWinControl::CMRecreateWnd(TMessageRecord&)
{
    RecreateWnd();
}

void TWinControl::CMEnabledChanged(TMessageRecord& Message)
{
    if (!FEnabled && FParent && Focused()) {
        // The focus leaves a control that is disabled.
        if (TCustomForm* Form = GetParentForm(this))
            Form->SelectNext(this, true, true);
    }
    if (FHandle && FHandle->Widget)
        FHandle->Widget->setEnabled(FEnabled);
    TControl::CMEnabledChanged(Message);
}

void TWinControl::CMVisibleChanged(TMessageRecord&)
{
    if (!FVisible && FParent) {
        if (TCustomForm* Form = GetParentForm(this))
            Form->DefocusControl(this, false);
    }
    UpdateControlState();
}

void TWinControl::CMColorChanged(TMessageRecord& Message)
{
    TControl::CMColorChanged(Message);
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessageRecord& Message)
{
    TControl::CMFontChanged(Message);
    NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMTextChanged(TMessageRecord& Message)
{
    TControl::CMTextChanged(Message);
}

void TWinControl::CMSysColorChange(TMessageRecord& Message)
{
    TControl::CMSysColorChange(Message);
    NotifyControls(CM_SYSCOLORCHANGE);
}

// ---- canvases and painted controls ------------------------------------------------------------

TControlCanvas::~TControlCanvas()
{
    FreeHandle();
}

PRICETAGS_DEFINE_CLASS(TControlCanvas)

void TControlCanvas::SetControl(TControl* AControl)
{
    if (AControl == FControl)
        return;
    FreeHandle();
    FControl = AControl;
}

void TControlCanvas::FreeHandle()
{
    if (!FDeviceContext)
        return;
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
}

void TControlCanvas::CreateHandle()
{
    // A paint scope may have lent the canvas another DC and taken it back,
    // leaving the window DC made before it unused: give that one back.
    if (FDeviceContext) {
        ReleaseDC(FWindowHandle, FDeviceContext);
        FDeviceContext = nullptr;
        FWindowHandle = nullptr;
    }
    if (!FControl)
        return;
    // Outside painting: draw on the window (a graphic control's parent,
    // clipped to the control).
    if (auto* Win = dynamic_cast<TWinControl*>(FControl)) {
        FWindowHandle = Win->Handle();
        FDeviceContext = GetDC(FWindowHandle);
    } else if (FControl->Parent()) {
        FWindowHandle = FControl->Parent()->Handle();
        FDeviceContext = GetDC(FWindowHandle);
        if (FDeviceContext) {
            OffsetViewportOrgEx(FDeviceContext, FControl->Left(), FControl->Top(), nullptr);
            IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
        }
    }
    if (FDeviceContext)
        SetHandle(FDeviceContext);
}

void TControlCanvas::UpdateTextFlags() {}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>())
{
    FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl()
{
    FCanvas.reset();
}

PRICETAGS_DEFINE_CLASS(TGraphicControl)

void TGraphicControl::Paint() {}

void TGraphicControl::WMPaint(TWMPaint& Message)
{
    if (!Message.DC || ComponentState().Contains(csDestroying))
        return;
    const CanvasPaintScope Scope(*FCanvas, Message.DC);
    Paint();
}

void TGraphicControl::Dispatch(TMessage& M)
{
    if (M.Msg == WM_PAINT) {
        Call<TWMPaint>(M, this, &TGraphicControl::WMPaint);
        return;
    }
    TControl::Dispatch(M);
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>())
{
    FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl()
{
    FCanvas.reset();
}

PRICETAGS_DEFINE_CLASS(TCustomControl)

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(HDC DC)
{
    const CanvasPaintScope Scope(*FCanvas, DC);
    Paint();
}

// ---- free functions ----------------------------------------------------------------------------------

TCustomForm* GetParentForm(TControl* Control)
{
    while (Control && Control->Parent())
        Control = Control->Parent();
    return dynamic_cast<TCustomForm*>(Control);
}

TWinControl* FindControl(HWND Wnd)
{
    return IsLiveWindow(Wnd) ? static_cast<TWinControl*>(Wnd->Control) : nullptr;
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled)
{
    HWND Wnd = WindowFromPoint(Pos);
    TWinControl* Win = FindControl(Wnd);
    if (!Win)
        return nullptr;
    if (TControl* C = Win->ControlAtPos(Win->ScreenToClient(Pos), AllowDisabled))
        return C;
    return Win;
}
