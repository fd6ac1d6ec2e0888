#pragma once

// Controls: TControl (a rectangle in a parent, painted and hit-tested by
// that parent unless windowed), TWinControl (owns a native window: one Qt
// widget), TGraphicControl and TCustomControl (controls that paint on a
// Canvas), and the keys, shift states, cursors and short-cuts they use.
//
// Messages. Every input and notification reaches a control as a TMessage
// through WndProc, which passes it to Dispatch; Dispatch calls the virtual
// handler for the number (WMPaint, CMEnabledChanged, ...) and otherwise
// DefaultHandler, the window system's default behaviour. A derived control
// handles a message by overriding its handler and calling
// inherited::Handler where the original code calls inherited, or, for a
// number without a handler here, by overriding Dispatch and passing other
// numbers on. Perform sends a message to a control directly.
//
// Keys come in two phases. A key press first goes to the focused control
// as CN_KEYDOWN: dialog keys (Tab, arrows, Enter, Escape the control does
// not want by WM_GETDLGCODE) go to the form as CM_DIALOGKEY, and when that
// or a short-cut consumes the key (Result 1) nothing else happens. Else the
// character of the key is queued as WM_CHAR and WM_KEYDOWN is dispatched:
// the form sees it first when KeyPreview is set, then KeyDown/OnKeyDown;
// zeroing the key stops the key's further handling but not its character,
// which a handler removes from the queue with PeekMessage when it must.
// The character then comes as CN_CHAR (dialog characters, accelerators)
// and WM_CHAR (KeyPress/OnKeyPress; a character zeroed there goes no
// further). Characters without a CP1251 byte are dropped.
//
// Layout. Left, Top, Width and Height are in the parent's client pixels.
// Align places children in the order top, bottom, left, right, client,
// each group in the order of their positions, within the parent's client
// rectangle; anchors keep the distance of the anchored edges when the
// parent is resized. DisableAlign/EnableAlign bracket many changes.
//
// Exceptions raised by handlers of input never reach Qt: the event bridge
// passes them to Application->HandleException.

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/WindowOwner.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <vector>

class QWidget;
class TBasicAction;
class TPopupMenu;
class TWinControl;
class TCustomForm;
class TControlCanvas;
class TControlActionLink;

// ---- keys, mouse, cursors ---------------------------------------------------------

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = EnumSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

/// Shift state of a key message's KeyData (Alt from bit 29) plus the Shift
/// and Ctrl keys held now.
[[nodiscard]] TShiftState KeyDataToShiftState(int32_t KeyData);
/// Shift state of a mouse message's key flags (MK_...).
[[nodiscard]] TShiftState KeysToShiftState(UINT Keys);
/// Shift, Ctrl and Alt as GetKeyState reports them now.
[[nodiscard]] TShiftState KeyboardStateToShiftState();

using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;
/// Key plus modifiers as one short-cut value (Alt+Down is 32808).
[[nodiscard]] TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
/// "Ctrl+Shift+F5", "Alt+Down", "" for 0 or an unknown key.
[[nodiscard]] AnsiString ShortCutToText(TShortCut ShortCut);
/// The reverse of ShortCutToText (modifier names and key names with case
/// ignored); 0 when the text is not a short-cut.
[[nodiscard]] TShortCut TextToShortCut(const AnsiString& Text);
/// True when Caption marks Key with "&" (letters compared without case).
[[nodiscard]] bool IsAccel(Word Key, const AnsiString& Caption);

using TCursor = int;
/// A topic number of the application's help.
using THelpContext = int;
enum : TCursor {
    crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
    crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
    crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
    crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22, crSize = -22,
};

/// "short|long": the part before the first "|" and the part after it
/// (the whole hint for both when there is no "|").
[[nodiscard]] AnsiString GetShortHint(const AnsiString& Hint);
[[nodiscard]] AnsiString GetLongHint(const AnsiString& Hint);

// ---- events ---------------------------------------------------------------------------

using TMouseEvent = MethodPointer<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = MethodPointer<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent = MethodPointer<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = MethodPointer<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TKeyEvent = MethodPointer<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = MethodPointer<void(TObject* Sender, char& Key)>;
using TContextPopupEvent = MethodPointer<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// ---- dragging between controls -------------------------------------------------------
//
// The class library's own drag and drop, inside the program: a control
// starts a drag with BeginDrag (or, with DragMode dmAutomatic, by a left
// button press), the mouse is captured, and every control the mouse
// passes over is asked through CM_DRAG (enter, move, leave: OnDragOver)
// whether it accepts the drag object. Releasing the left button over an
// accepting control drops (OnDragDrop there); releasing it elsewhere, the
// right button, Escape or losing the capture cancels. Either way the
// source hears OnEndDrag with the target (null when nothing took it).
// The button release that ends a drag is not passed on to the source.

enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
/// What CM_DRAG asks (its WParam).
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

class TDragObject;

/// The drag in progress as CM_DRAG carries it (its LParam).
struct TDragRec {
    /// The mouse, screen pixels.
    TPoint Pos;
    TDragObject* Source = nullptr;
    /// The control the message is for (dmFindTarget: the window asked).
    TControl* Target = nullptr;
    /// Always false: there is no docking here.
    bool Docking = false;
};

/// CM_DRAG: WParam the TDragMessage, LParam a TDragRec*. Result: 1 when
/// the control accepts (enter, move); for dmFindTarget the TControl* the
/// drag is over.
struct TCMDrag : TMessageRecord {
    explicit TCMDrag(const TMessage& M)
        : TMessageRecord(M), DragMessage(static_cast<TDragMessage>(M.WParam)),
          DragRec(reinterpret_cast<TDragRec*>(M.LParam)) {}
    TDragMessage DragMessage;
    TDragRec* DragRec;
};

/// What is dragged. A drag started without one of the application's own
/// uses a TDragControlObject for the source control, freed at the end.
class TDragObject : public TObject {
    PRICETAGS_CLASS(TDragObject, TObject)
public:
    TDragObject() = default;
    ~TDragObject() override;

    /// The cursor the mouse shows over a control that accepts the drag
    /// (crDrag) or refuses it (crNoDrop); X, Y are screen pixels.
    virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
    /// The drag ended: on Target (client pixels X, Y) when Accepted, else
    /// cancelled (Target null).
    virtual void Finished(TObject* Target, int X, int Y, bool Accepted);

    /// The control under the mouse; null when none.
    TControl* DragTarget() const { return FDragTarget; }
    /// The mouse, screen pixels.
    TPoint DragPos() const { return FDragPos; }
    /// The mouse in the target's client pixels.
    TPoint DragTargetPos() const { return FDragTargetPos; }
    /// Set while the drag is being cancelled / after it was dropped.
    bool Cancelling() const { return FCancelling; }
    bool Dropped() const { return FDropped; }

private:
    friend struct DragSession;
    TControl* FDragTarget = nullptr;
    TPoint FDragPos;
    TPoint FDragTargetPos;
    bool FCancelling = false;
    bool FDropped = false;
};

/// A drag object that stands for a control: OnDragOver and OnDragDrop
/// see the control itself as Source, and the control hears OnEndDrag.
class TBaseDragControlObject : public TDragObject {
    PRICETAGS_CLASS(TBaseDragControlObject, TDragObject)
public:
    explicit TBaseDragControlObject(TControl* AControl) : FControl(AControl) {}
    ~TBaseDragControlObject() override;

    /// The control; null once the control was freed during the drag.
    TControl* Control() const { return FControl; }
    void Finished(TObject* Target, int X, int Y, bool Accepted) override;

private:
    friend struct DragSession;
    TControl* FControl;
};

/// The control's drag: the cursor over an accepting control is the
/// control's DragCursor.
class TDragControlObject : public TBaseDragControlObject {
    PRICETAGS_CLASS(TDragControlObject, TBaseDragControlObject)
public:
    explicit TDragControlObject(TControl* AControl) : TBaseDragControlObject(AControl) {}
    ~TDragControlObject() override;
    TCursor GetDragCursor(bool Accepted, int X, int Y) override;
};

/// Source: the dragging control (or the application's drag object).
using TDragOverEvent = MethodPointer<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = MethodPointer<void(TObject* Sender, TObject* Source, int X, int Y)>;
/// DragObject starts null; the handler may give one of its own (it stays
/// the handler's to free).
using TStartDragEvent = MethodPointer<void(TObject* Sender, TDragObject*& DragObject)>;
/// Target: the control that took the drop; null when the drag was cancelled.
using TEndDragEvent = MethodPointer<void(TObject* Sender, TObject* Target, int X, int Y)>;

/// The drag in progress; null when none.
TDragObject* DragObject();

// ---- control styles and states ----------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = EnumSet<TAnchorKind>;
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
PTypeInfo TypeInfoOf(const TAlign*);
PTypeInfo TypeInfoOf(const TAnchorKind*);
PTypeInfo TypeInfoOf(const TAnchors*);
/// The anchors an alignment implies.
[[nodiscard]] TAnchors AnchorAlign(TAlign Align);

enum TControlStyleItem {
    csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
    csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
    csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents
};
using TControlStyle = EnumSet<TControlStyleItem>;
enum TControlStateItem {
    csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
    csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = EnumSet<TControlStateItem>;

/// Minimum and maximum size of a control (0: no limit).
class TSizeConstraints : public TPersistent {
    PRICETAGS_CLASS(TSizeConstraints, TPersistent)
public:
    explicit TSizeConstraints(TControl* Control);
    ~TSizeConstraints() override;
    void Assign(TPersistent* Source) override;

    int MinWidth() const { return FMinWidth; }
    int MinHeight() const { return FMinHeight; }
    int MaxWidth() const { return FMaxWidth; }
    int MaxHeight() const { return FMaxHeight; }
    void SetMinWidth(int Value);
    void SetMinHeight(int Value);
    void SetMaxWidth(int Value);
    void SetMaxHeight(int Value);

    TNotifyEvent OnChange;

private:
    void Changed();

    TControl* FControl;
    int FMinWidth = 0;
    int FMinHeight = 0;
    int FMaxWidth = 0;
    int FMaxHeight = 0;
};

/// Parameters of a native window: styles (WS_..., ES_...), extended styles
/// (WS_EX_...), class styles (CS_...) and the first bounds.
struct TCreateParams {
    AnsiString Caption;
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    uint32_t WindowClassStyle = 0;
    AnsiString WinClassName;
};

// ---- TControl ----------------------------------------------------------------------------

/// How many windowed controls have a realign waiting; 0 almost always.
extern int gDeferredAligns;

class TControl : public TComponent {
    PRICETAGS_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    /// The windowed control this one lies in; setting it moves the control
    /// into that parent's Controls (null takes it out).
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    bool HasParent() const { return FParent != nullptr; }

    // Reading the bounds first does the parents' pending realign.
    int Left() const { AlignPending(); return FLeft; }
    int Top() const { AlignPending(); return FTop; }
    int Width() const { AlignPending(); return FWidth; }
    int Height() const { AlignPending(); return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    /// Moves and sizes the control (the size limited by Constraints),
    /// realigns its parent when the control is aligned and sends WM_SIZE
    /// and WM_MOVE when they change.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { AlignPending(); return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    /// (0, 0, client width, client height).
    virtual TRect ClientRect();
    int ClientWidth() { return ClientRect().Right; }
    int ClientHeight() { return ClientRect().Bottom; }
    /// Sets the size so that the client area gets the given size.
    void SetClientWidth(int Value);
    void SetClientHeight(int Value);
    /// Screen position of the client area's top-left corner.
    virtual TPoint ClientOrigin();
    TPoint ClientToScreen(const TPoint& Point);
    TPoint ScreenToClient(const TPoint& Point);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);
    TSizeConstraints* Constraints() const { return FConstraints.get(); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    /// "short|long" hint text.
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    /// The topic of the application's help for the control (0: none).
    THelpContext HelpContext() const { return FHelpContext; }
    void SetHelpContext(THelpContext Value) { FHelpContext = Value; }
    /// The control's text (Caption and Text are the same value); setting it
    /// sends CM_TEXTCHANGED.
    AnsiString Caption() const { return GetText(); }
    void SetCaption(const AnsiString& Value) { SetText(Value); }
    AnsiString Text() const { return GetText(); }
    void SetText(const AnsiString& Value);
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
    TControlState ControlState() const { return FControlState; }
    void SetControlState(TControlState Value) { FControlState = Value; }
    /// The menu a right click pops up (not owned; forgotten when it is
    /// freed). The setter lives with the menus.
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    /// The action the control follows (Caption, Enabled, Hint, Visible,
    /// Checked where the control has it) and that a click executes; null
    /// for none. Defined with the actions (ActnList.cpp).
    TBasicAction* Action() const;
    void SetAction(TBasicAction* Value);
    /// Receives all mouse input while set (through the parent window).
    bool MouseCapture() const;
    void SetMouseCapture(bool Value);
    /// Visible and every parent showing.
    virtual bool Showing() const;
    /// Whether the control or its window takes part in painting now.
    bool IsVisible() const { return Showing(); }

    /// Sends a message to the control at once; its Result.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    /// Marks the control for repainting.
    virtual void Invalidate();
    /// Paints what is marked, now.
    virtual void Update();
    /// Invalidate and Update.
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    /// Scales position, size and font by M/D (ScaleBy of the parent form).
    virtual void ChangeScale(int M, int D);

    /// Does Action's work on this control when the action handles it as
    /// a target (TBasicAction::HandlesTarget); true when it did. Controls
    /// that do the work of standard actions themselves override it.
    /// Defined with the actions (ActnList.cpp), as is UpdateAction.
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);

    /// Where the wheel goes: the form's focused control gets CM_MOUSEWHEEL.
    virtual void MouseWheelHandler(TMessage& Message);

    /// The message entry: keeps mouse state and capture, then Dispatch.
    virtual void WndProc(TMessage& Message);
    /// Calls the handler of Message.Msg, DefaultHandler when there is none.
    virtual void Dispatch(TMessage& Message);
    /// What happens to a message nobody handled.
    virtual void DefaultHandler(TMessage& Message);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TNotifyEvent OnResize;
    TContextPopupEvent OnContextPopup;

    /// dmAutomatic starts a drag on every left button press.
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode Value) { FDragMode = Value; }
    TDragKind DragKind() const { return FDragKind; }
    void SetDragKind(TDragKind Value) { FDragKind = Value; }
    /// The cursor over a control that accepts this control's drag.
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor Value) { FDragCursor = Value; }
    /// Starts dragging this control: at once when Immediate, else once the
    /// mouse has moved Threshold pixels (the system's drag distance when
    /// negative) from where it is now. Nothing happens while another drag
    /// runs.
    void BeginDrag(bool Immediate, int Threshold = -1);
    /// Ends this control's drag: a drop on the control under the mouse when
    /// Drop and it accepts, else a cancel.
    void EndDrag(bool Drop);
    /// A drag of this control is under way (or waits for its threshold).
    bool Dragging() const;
    /// Something was dropped on the control (client pixels): OnDragDrop.
    virtual void DragDrop(TObject* Source, int X, int Y);

    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

protected:
    friend class TWinControl;
    friend class TBaseDragControlObject;

    /// Front (TopMost) or back among the parent's controls of its kind.
    void SetZOrder(bool TopMost);

    virtual AnsiString GetText() const { return FText; }
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    /// OnMouseWheel, then OnMouseWheelDown/Up; true when handled.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    virtual void Resize();
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// Asks the parent to realign (when this control is aligned or anchored).
    virtual void RequestAlign();
    /// Limits a new size by Constraints.
    virtual void ConstrainedResize(int& NewWidth, int& NewHeight);
    /// Remembers the anchor distances after a move made by the program.
    void UpdateAnchorRules();
    virtual void VisibleChanging() {}
    /// Paints the control into the parent's DC (graphic controls).
    void InvalidateControl(bool IsVisible, bool IsOpaque);

    // Message handlers.
    virtual void WMLButtonDown(TWMMouse& Message);
    virtual void WMLButtonUp(TWMMouse& Message);
    virtual void WMLButtonDblClk(TWMMouse& Message);
    virtual void WMRButtonDown(TWMMouse& Message);
    virtual void WMRButtonUp(TWMMouse& Message);
    virtual void WMRButtonDblClk(TWMMouse& Message);
    virtual void WMMButtonDown(TWMMouse& Message);
    virtual void WMMButtonUp(TWMMouse& Message);
    virtual void WMMButtonDblClk(TWMMouse& Message);
    virtual void WMMouseMove(TWMMouse& Message);
    virtual void WMMouseWheel(TWMMouseWheel& Message);
    virtual void WMCancelMode(TMessageRecord& Message);
    virtual void WMWindowPosChanged(TMessageRecord& Message);
    virtual void WMContextMenu(TMessageRecord& Message);
    virtual void CMMouseWheel(TCMMouseWheel& Message);
    virtual void CMEnabledChanged(TMessageRecord& Message);
    virtual void CMVisibleChanged(TMessageRecord& Message);
    virtual void CMFontChanged(TMessageRecord& Message);
    virtual void CMColorChanged(TMessageRecord& Message);
    virtual void CMParentFontChanged(TMessageRecord& Message);
    virtual void CMParentColorChanged(TMessageRecord& Message);
    virtual void CMParentShowHintChanged(TMessageRecord& Message);
    virtual void CMTextChanged(TMessageRecord& Message);
    virtual void CMMouseEnter(TMessageRecord& Message);
    virtual void CMMouseLeave(TMessageRecord& Message);
    virtual void CMHitTest(TMessageRecord& Message);
    virtual void CMBiDiModeChanged(TMessageRecord& Message);
    virtual void CMSysColorChange(TMessageRecord& Message);
    virtual void CMCancelMode(TMessageRecord& Message);
    /// The drag messages: enter, move and leave ask DragOver (Result 1 when
    /// accepted), drop calls DragDrop, find-target answers the control under
    /// the point (a child of a windowed control, else itself).
    virtual void CMDrag(TCMDrag& Message);

    /// OnStartDrag; DragObject starts null (then the control's own is made).
    virtual void DoStartDrag(TDragObject*& DragObject);
    /// OnEndDrag; Target null for a cancelled drag.
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    /// OnDragOver: Accept starts false, and true when there is a handler.
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    /// The drag of this control was cancelled (before DoEndDrag).
    virtual void DragCanceled() {}
    /// A left button press on a control with DragMode dmAutomatic.
    virtual void BeginAutoDrag();

    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    TWinControl* FParent = nullptr;
    TAlign FAlign = alNone;
    TAnchors FAnchors = {akLeft, akTop};
    TPoint FAnchorRules;
    TPoint FOriginalParentSize;
    bool FAnchorMove = false;

    /// Does the realigns of the parents that children asked for and that
    /// still wait (see TWinControl::AlignControl); cheap when none waits.
    void AlignPending() const
    {
        if (gDeferredAligns != 0)
            AlignParents();
    }
    void AlignParents() const;
    std::unique_ptr<TSizeConstraints> FConstraints;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FParentColor = true;
    AnsiString FHint;
    THelpContext FHelpContext = 0;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    AnsiString FText;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TControlStyle FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TControlState FControlState;
    TPopupMenu* FPopupMenu = nullptr;
    /// The link to Action (made by CreateActionLink); null without an action.
    std::unique_ptr<TObject> FActionLink;
    /// A new link that binds this control to an action: a
    /// TControlActionLink, or a descendant a control needs; the caller owns it.
    virtual TControlActionLink* CreateActionLink();
    /// Executes the bound action for a click unless OnClick is a handler of
    /// its own; true when the action took the click.
    bool ExecuteActionLink();

private:
    void FontChanged(TObject* Sender);
    void ConstraintsChanged(TObject* Sender);
    void DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift);
    void DoMouseUp(TWMMouse& Message, TMouseButton Button);
    void SetBoundsCore(int ALeft, int ATop, int AWidth, int AHeight);

    bool FUpdatingFont = false;
    TDragMode FDragMode = dmManual;
    TDragKind FDragKind = dkDrag;
    TCursor FDragCursor = crDrag;
};

using TControlClass = TClassOf<TControl>;

/// Windowed controls whose realign waits (see TWinControl::AlignControl).
/// Reading a control's bounds, an event from the window system and an
/// explicit Realign do the waiting ones first.
void AlignDeferredControls();

// ---- TWinControl -------------------------------------------------------------------------------

class TWinControl : public TControl, public TWindowOwner {
    PRICETAGS_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    /// A child of ParentWindow (a native window not owned by a control):
    /// the control's own parent stays null.
    static TWinControl* CreateParented(HWND ParentWindow);

    /// The native window, created on first use (with those of the parents).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    /// Destroys and makes again the native window, with new CreateParams.
    void RecreateWnd();
    /// The window parent of a control without Parent (forms: the owner window).
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value);

    /// Children: graphic controls first, then windowed ones, each in
    /// insertion order.
    int ControlCount() const;
    TControl* Controls(int Index) const;
    /// The windowed children in tab order.
    void GetTabOrderList(std::vector<TWinControl*>& List);
    int TabOrder() const;
    void SetTabOrder(int Value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool Value);
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }

    /// Visible, enabled and in a visible, enabled form.
    virtual bool CanFocus();
    bool Focused();
    /// Gives the keyboard focus to the control; raises EInvalidOperation
    /// "Cannot focus a disabled or invisible window" when it cannot have it.
    virtual void SetFocus();
    /// Sends Message to every child (stops early when one sets Result).
    void Broadcast(TMessage& Message);
    /// The child (graphic or windowed, visible and enabled unless
    /// AllowDisabled) whose bounds hold Pos (client coordinates); the last
    /// one wins. Null when none.
    TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
    bool ContainsControl(TControl* Control);
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);

    void DisableAlign();
    void EnableAlign();
    bool AlignDisabled() const { return FAlignLevel != 0; }
    /// Places the aligned and anchored children again.
    void Realign();
    /// Paints the control and its children into DC with the top-left at (X, Y).
    void PaintTo(HDC DC, int X, int Y);
    /// Moves the children (and the window's pixels) by (DeltaX, DeltaY).
    void ScrollBy(int DeltaX, int DeltaY);
    /// The Qt widget of the window (created with the handle).
    QWidget* Widget() const;
    /// The client rectangle in window coordinates (inside the borders the
    /// styles give, WM_NCCALCSIZE); (0, 0, Width, Height) without borders.
    TRect WindowClientRect();

    bool Showing() const override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect ClientRect() override;
    TPoint ClientOrigin() override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    void Dispatch(TMessage& Message) override;
    void WndProc(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

protected:
    friend class TControl;
    friend struct HWND__;
    friend class WindowBridge;

    /// Fills the native window's parameters; derived controls add styles.
    virtual void CreateParams(TCreateParams& Params);
    /// Makes the native window from CreateParams (CreateWindowHandle).
    virtual void CreateWnd();
    /// Makes the Qt widget for the window; the base makes a plain one that
    /// paints through WM_ERASEBKGND/WM_PAINT. Native controls return their
    /// own (they are parented by the caller).
    virtual QWidget* CreateWidget(const TCreateParams& Params);
    virtual void CreateHandle();
    virtual void DestroyHandle();
    virtual void DestroyWnd();
    /// Makes the handles of the windowed children (CreateHandle calls it).
    void CreateChildHandles();
    /// Aligns the children in Rect (the client rectangle) as described above.
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    /// Realigns at once (AControl, or the child that asked last, first
    /// among equals).
    void AlignNow(TControl* AControl);
    /// Does the realign the children asked for when it still waits (and
    /// the parents' before it).
    void AlignWaiting()
    {
        AlignPending();
        if (FAlignDeferred)
            AlignNow(nullptr);
    }
    /// Realigns after AControl changed (or, when alignment is disabled,
    /// remembers that it must be done). A child's request (AControl not
    /// null) waits until somebody reads a bound of a child, an event comes
    /// or the application is idle, so that children made one after another
    /// cost one realign, not one each.
    void AlignControl(TControl* AControl);
    /// Style words of the window, or of CreateParams before it exists.
    void CurrentStyles(uint32_t& Style, uint32_t& ExStyle);
    /// Shrinks Rect to where children go (the client less borders).
    virtual void AdjustClientRect(TRect& Rect);
    /// Tells the children that the parent's font, colour or hint changed.
    void NotifyControls(UINT Msg);
    /// Paints the window: PaintWindow, then the graphic children.
    void PaintHandler(TWMPaint& Message);
    virtual void PaintWindow(HDC DC);
    /// Paints the graphic children (from First on) into DC.
    void PaintControls(HDC DC, TControl* First);
    /// Shows or hides the native window to match Showing.
    void UpdateShowing();
    void UpdateControlState();
    /// Whether a mouse message belongs to a graphic child (capture or
    /// position) and was handed to it.
    bool IsControlMouseMsg(TWMMouse& Message);

    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    /// KeyPreview form first, then KeyDown; true when the key was consumed.
    bool DoKeyDown(TWMKey& Message);
    bool DoKeyUp(TWMKey& Message);
    bool DoKeyPress(TWMKey& Message);
    virtual void DoEnter();
    virtual void DoExit();
    /// Whether the control wants the key for itself (not as a dialog key).
    virtual bool WantKey(Word Key);

    // Message handlers.
    virtual void WMPaint(TWMPaint& Message);
    virtual void WMEraseBkgnd(TWMEraseBkgnd& Message);
    virtual void WMNCCalcSize(TMessageRecord& Message);
    virtual void WMNCPaint(TMessageRecord& Message);
    virtual void WMSize(TWMSize& Message);
    virtual void WMMove(TWMMove& Message);
    virtual void WMSetFocus(TWMSetFocus& Message);
    virtual void WMKillFocus(TWMKillFocus& Message);
    virtual void WMKeyDown(TWMKey& Message);
    virtual void WMSysKeyDown(TWMKey& Message);
    virtual void WMKeyUp(TWMKey& Message);
    virtual void WMSysKeyUp(TWMKey& Message);
    virtual void WMChar(TWMKey& Message);
    virtual void WMSysChar(TWMKey& Message);
    virtual void WMGetDlgCode(TMessageRecord& Message);
    virtual void WMSetCursor(TWMSetCursor& Message);
    virtual void WMNCHitTest(TWMNCHitTest& Message);
    virtual void WMCommand(TWMCommand& Message);
    virtual void WMHScroll(TWMScroll& Message);
    virtual void WMVScroll(TWMScroll& Message);
    virtual void WMTimer(TWMTimer& Message);
    virtual void CNKeyDown(TWMKey& Message);
    virtual void CNKeyUp(TWMKey& Message);
    virtual void CNChar(TWMKey& Message);
    virtual void CNSysKeyDown(TWMKey& Message);
    virtual void CNSysChar(TWMKey& Message);
    virtual void CMDialogKey(TCMDialogKey& Message);
    virtual void CMDialogChar(TCMDialogChar& Message);
    virtual void CMChildKey(TMessageRecord& Message);
    virtual void CMEnter(TMessageRecord& Message);
    virtual void CMExit(TMessageRecord& Message);
    virtual void CMFocusChanged(TMessageRecord& Message);
    virtual void CMShowingChanged(TMessageRecord& Message);
    virtual void CMCtl3DChanged(TMessageRecord& Message);
    virtual void CMParentCtl3DChanged(TMessageRecord& Message);
    virtual void CMRecreateWnd(TMessageRecord& Message);
    void CMEnabledChanged(TMessageRecord& Message) override;
    void CMVisibleChanged(TMessageRecord& Message) override;
    void CMColorChanged(TMessageRecord& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void CMSysColorChange(TMessageRecord& Message) override;

    HWND FHandle = nullptr;
    HWND FParentWindow = nullptr;
    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FWinControls;
    std::vector<TWinControl*> FTabList;
    bool FTabStop = false;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    bool FDoubleBuffered = false;
    int FAlignLevel = 0;
    bool FShowing = false;
    /// A child's realign waits in the deferred list.
    bool FAlignDeferred = false;
    TControl* FDeferredAlignControl = nullptr;

private:
    friend void AlignDeferredControls();
    /// Takes the control out of the deferred list (its realign is done
    /// now or never).
    /// Returns the child that asked last.
    TControl* DropDeferredAlign();
    /// The form's preview of a key (KeyPreview), then Handler; true when
    /// either consumed it.
    bool DoKeyStep(TWMKey& Message, bool (TWinControl::*Preview)(TWMKey&),
        void (TWinControl::*Handler)(Word&, TShiftState));
    void UpdateBounds();
    void ApplyWidgetGeometry();
    /// The children's widgets again, after the client area moved or changed.
    void PlaceChildWidgets();
    void SetWindowFocus();
    void InvalidateFrame();
    /// Has the frame painted on the window and copies it into DC around
    /// Client (window coordinates of DC).
    void CopyFrameTo(HDC DC, const TRect& Client);

    // What the window layer asks of the control behind a window.
    LRESULT OwnerPerform(UINT Msg, WPARAM WParam, LPARAM LParam) override;
    TRect OwnerBounds() override;
    void OwnerSetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect OwnerClientRect() override;
    TRect OwnerWindowClientRect() override;
    TPoint OwnerClientOrigin() override;
    TPoint OwnerClientToScreen(const TPoint& P) override;
    TPoint OwnerScreenToClient(const TPoint& P) override;
    HWND OwnerParentWindow() override;
    bool OwnerShowing() override;
    bool OwnerEnabled() override;
    TRect OwnerWidgetRect() override;
    bool OwnerFormInactive() override;
    void OwnerActivateForm(WPARAM How) override;
    void OwnerChildWindows(std::vector<HWND>& Windows) override;
};

// ---- painted controls -------------------------------------------------------------------------

/// The canvas of a control: the paint DC while the control paints, a DC on
/// its window (or, for graphic controls, on the parent's window clipped to
/// the control) otherwise.
class TControlCanvas : public TCanvas {
    PRICETAGS_CLASS(TControlCanvas, TCanvas)
public:
    TControlCanvas() = default;
    ~TControlCanvas() override;

    TControl* Control() const { return FControl; }
    void SetControl(TControl* AControl);
    /// Gives back a DC this canvas took from a window.
    void FreeHandle();
    /// Sets the clip to the control's bounds (graphic controls) and origin.
    void UpdateTextFlags();

protected:
    void CreateHandle() override;

private:
    TControl* FControl = nullptr;
    HDC FDeviceContext = nullptr;
    HWND FWindowHandle = nullptr;
};

class TGraphicControl : public TControl {
    PRICETAGS_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;

    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    /// Draws the control on Canvas; (0, 0) is its top-left corner.
    virtual void Paint();
    virtual void WMPaint(TWMPaint& Message);
    void Dispatch(TMessage& Message) override;

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

class TCustomControl : public TWinControl {
    PRICETAGS_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    /// Draws the control on Canvas; (0, 0) is its client top-left.
    virtual void Paint();
    void PaintWindow(HDC DC) override;

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

// ---- hints --------------------------------------------------------------------------------

class THintWindow;
using THintWindowClass = TClassOf<THintWindow>;

/// What the application is about to show as a control's hint. The control
/// may change any of it when it gets CM_HINTSHOW (LParam points here);
/// a Result other than 0 shows no hint.
struct THintInfo {
    TControl* HintControl = nullptr;
    /// The class of the hint window that shows it.
    THintWindowClass HintWindowClass;
    /// Screen point of the hint window's top-left corner.
    TPoint HintPos;
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    /// While the mouse stays in this rectangle (client pixels of
    /// HintControl) the hint is not shown again.
    TRect CursorRect;
    /// The mouse in client pixels of HintControl.
    TPoint CursorPos;
    /// Milliseconds after which the hint is asked for again (0: never).
    int ReshowTimeout = 0;
    /// Milliseconds the hint stays up (0: until the mouse leaves).
    int HideTimeout = 0;
    AnsiString HintStr;
    /// Passed on to THintWindow::CalcHintRect and ActivateHintData.
    void* HintData = nullptr;
};

/// CM_HINTSHOW.
struct TCMHintShow : TMessageRecord {
    explicit TCMHintShow(const TMessage& M)
        : TMessageRecord(M), HintInfo(reinterpret_cast<THintInfo*>(M.LParam)) {}
    THintInfo* HintInfo;
};

/// CM_HINTSHOWPAUSE: WParam is 1 when a hint is already shown; LParam
/// points at the pause in milliseconds before the hint shows, which the
/// control may change.
struct TCMHintShowPause : TMessageRecord {
    explicit TCMHintShowPause(const TMessage& M)
        : TMessageRecord(M), WasActive(M.WParam != 0), Pause(reinterpret_cast<int*>(M.LParam)) {}
    bool WasActive;
    int* Pause;
};

/// The small window that shows a hint: a pop-up with the hint text in the
/// screen's hint font on Color (clInfoBk), framed, that never takes the
/// focus. The application keeps one and makes it from HintWindowClass.
class THintWindow : public TCustomControl {
    PRICETAGS_CLASS(THintWindow, TCustomControl)
public:
    explicit THintWindow(TComponent* AOwner);
    ~THintWindow() override;

    /// Shows AHint at Rect (screen), grown by 4 pixels at the bottom and
    /// moved inside the desktop, above other windows and without
    /// activation.
    virtual void ActivateHint(TRect Rect, const AnsiString& AHint);
    /// ActivateHint; AData is for derived windows.
    virtual void ActivateHintData(TRect Rect, const AnsiString& AHint, void* AData);
    /// The window's size for AHint broken into lines of at most MaxWidth
    /// pixels, at (0, 0).
    virtual TRect CalcHintRect(int MaxWidth, const AnsiString& AHint, void* AData);
    /// Whether input Msg takes the shown hint away: keys, mouse buttons,
    /// mouse moves over a frame, commands and activation changes.
    virtual bool IsHintMsg(const MSG& Msg);
    /// Hides the window (destroys its handle).
    void ReleaseHandle();

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    void WMNCHitTest(TWMNCHitTest& Message) override;
};

/// The class the application makes its hint window of (THintWindow at
/// first); a control may set another in CM_HINTSHOW.
extern THintWindowClass HintWindowClass;

/// Pops up Control's PopupMenu at a screen point when a context menu is
/// asked for and OnContextPopup did not handle it; set by the menus.
/// Sets Handled when a menu was shown.
extern void (*ContextPopupHandler)(TControl* Control, TPoint ScreenPos, bool& Handled);

/// The form the control lies on (the topmost parent that is a form); null
/// when it is not on a form.
TCustomForm* GetParentForm(TControl* Control);
/// The control whose window is Wnd; null for an unknown window.
TWinControl* FindControl(HWND Wnd);
/// The control (windowed or graphic) at a screen point; null when none.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
/// The control that has the mouse captured (graphic or windowed); null.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
/// The deepest control under the mouse as the last mouse message left it.
TControl* MouseControl();
