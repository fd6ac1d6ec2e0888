#pragma once

// TPaneSplitter: a bar that resizes the control it is aligned against by
// dragging, and collapses that control completely (snaps it) and brings it
// back, with a click on the button in the middle of the bar or by dragging
// it below its smallest size. A linked action is checked while the control
// shows.
//
// Sizes are pixels across the bar: the control's Width for a bar aligned
// left or right, its Height for one aligned top or bottom.

#include "platform/forms/ActnList.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"

#include <memory>

class TPaneSplitter;

/// The link of a splitter's action: the action's Checked is "the control
/// shows" (not IsSnapped). While linked, the action checks itself on
/// execution and belongs to no group; both come back when the link ends.
class TPaneSplitterActionLink : public TBasicActionLink {
    PRICETAGS_CLASS(TPaneSplitterActionLink, TBasicActionLink)
public:
    explicit TPaneSplitterActionLink(TPaneSplitter* Client) : FClient(Client) {}
    ~TPaneSplitterActionLink() override;

    /// Links Value (null ends the link), keeping its AutoCheck and
    /// GroupIndex to give them back.
    void Link(TBasicAction* Value);
    /// Whether the action's Checked says what the splitter shows.
    [[nodiscard]] bool IsCheckedLinked() const;

protected:
    void SetChecked(bool Value) override;

private:
    void Restore();

    TPaneSplitter* FClient;
    bool FSavedAutoCheck = false;
    int FSavedGroupIndex = 0;
};

class TPaneSplitter : public TCustomControl {
    PRICETAGS_CLASS(TPaneSplitter, TCustomControl)
public:
    explicit TPaneSplitter(TComponent* AOwner);
    ~TPaneSplitter() override;

    /// alTop, alBottom, alLeft or alRight (alClient is refused); setting it
    /// also gives the bar its thickness and makes AlignControl the visible
    /// control touching the bar on that side. Hides TControl::SetAlign:
    /// call it on the splitter itself.
    void SetAlign(TAlign Value);
    /// The control resized (not owned; cleared, and the snap undone, when
    /// it is freed); setting it moves the bar next to it.
    TControl* AlignControl() const { return FAlignControl; }
    void SetAlignControl(TControl* Value);
    /// Thickness of the bar, 1..36 (other values are ignored).
    int Size() const;
    void SetSize(int Value);
    int MinSize() const { return FMinSize; }
    void SetMinSize(int Value) { FMinSize = Value; }
    TResizeStyle ResizeStyle() const { return FResizeStyle; }
    void SetResizeStyle(TResizeStyle Value) { FResizeStyle = Value; }
    bool AutoSnap() const { return FAutoSnap; }
    void SetAutoSnap(bool Value) { FAutoSnap = Value; }
    /// Whether the control is collapsed to 0. Without AlignControl it stays
    /// False; snapping keeps the size to bring back.
    bool IsSnapped() const { return FIsSnapped; }
    void SetIsSnapped(bool Value);
    /// The control's size across the bar; while snapped, the size it gets back.
    int ControlSize();
    void SetControlSize(int Value);
    bool AllowDrag() const { return FAllowDrag; }
    void SetAllowDrag(bool Value) { FAllowDrag = Value; }
    bool Beveled() const { return FBeveled; }
    void SetBeveled(bool Value);
    bool ButtonVisible() const { return FButtonVisible; }
    void SetButtonVisible(bool Value);
    /// 0 at the start of the bar, 1 centred, 2 at its end.
    int ButtonAlign() const { return FButtonAlign; }
    void SetButtonAlign(int Value);
    int ButtonPosition() const { return FButtonPosition; }
    void SetButtonPosition(int Value);
    /// 0: ButtonWidth in pixels; 1: in percent of the bar's length.
    int ButtonWidthType() const { return FButtonWidthType; }
    void SetButtonWidthType(int Value);
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    TCursor ButtonCursor() const { return FButtonCursor; }
    void SetButtonCursor(TCursor Value) { FButtonCursor = Value; }
    TCursor BarCursor() const { return FBarCursor; }
    bool AutoHighlightColor() const { return FAutoHighlightColor; }
    void SetAutoHighlightColor(bool Value);
    TColor ArrowColor() const { return FArrowColor; }
    void SetArrowColor(TColor Value);
    TColor ButtonColor() const { return FButtonColor; }
    void SetButtonColor(TColor Value);
    TColor ButtonHighlightColor() const { return FButtonHighlightColor; }
    void SetButtonHighlightColor(TColor Value);
    TColor TextureColor1() const { return FTextureColor1; }
    void SetTextureColor1(TColor Value);
    TColor TextureColor2() const { return FTextureColor2; }
    void SetTextureColor2(TColor Value);
    /// Binds an action whose Checked follows "the control shows". Hides
    /// TControl::SetAction: call it on the splitter itself.
    void SetAction(TBasicAction* Value);
    TBasicAction* LinkedAction() const;

    /// The button's rectangle (client pixels); empty when there is none.
    TRect ButtonRect();
    bool Dragging() const { return FDragging; }
    bool ButtonHighlighted() const { return FOverButton; }
    /// Ends a drag and gives the control back the size it had at the press.
    void CancelDrag();

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnMoved;
    TNotifyEvent OnSnap;
    TNotifyEvent OnPaint;

protected:
    /// True unless OnCanResize refuses (it may change NewSize).
    virtual bool CanResize(int& NewSize);
    void Paint() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;
    void WMEraseBkgnd(TWMEraseBkgnd& Message) override;
    void WMCancelMode(TMessageRecord& Message) override;
    void CMMouseLeave(TMessageRecord& Message) override;
    void CMEnabledChanged(TMessageRecord& Message) override;

private:
    bool Horizontal() const { return FAlign == alLeft || FAlign == alRight; }
    int CurrentControlSize() const;
    void ApplyControlSize(int Value);
    void PlaceNextToControl();
    TControl* FindAlignControl();
    int BarLength();
    void DrawButton(TCanvas* Canvas);
    void UpdateHover(int X, int Y);
    void CalcNewSize(int X, int Y, int& NewSize);
    void DrawLine();
    void StopDrag();
    void FocusKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void HookFocusKeys();
    void UnhookFocusKeys();
    void ChangeSnapped(bool Value);

    TControl* FAlignControl = nullptr;
    int FMinSize = 30;
    TResizeStyle FResizeStyle = rsUpdate;
    bool FAutoSnap = true;
    bool FIsSnapped = false;
    /// The size to give back when unsnapping.
    int FRestoreSize = 0;
    bool FAllowDrag = true;
    bool FBeveled = false;
    bool FButtonVisible = true;
    int FButtonAlign = 1;
    int FButtonPosition = 0;
    int FButtonWidthType = 0;
    int FButtonWidth = 100;
    TCursor FButtonCursor = crHandPoint;
    TCursor FBarCursor = crHSplit;
    bool FAutoHighlightColor = false;
    TColor FArrowColor = clNavy;
    TColor FButtonColor = clBtnFace;
    TColor FButtonHighlightColor = static_cast<TColor>(0xFFCFCF);
    TColor FTextureColor1 = clBtnHighlight;
    TColor FTextureColor2 = clBtnShadow;

    // Drag state.
    int FSizeAtPress = 0;
    TPoint FDownPos;
    bool FDragging = false;
    bool FPressedOnButton = false;
    bool FOverButton = false;
    int FNewSize = 0;
    int FSplit = 0;
    int FMaxSize = 0;
    DWORD FLastUpdate = 0;
    HDC FLineDC = nullptr;
    bool FLineVisible = false;
    /// Set while a left release is handled (it lets the capture go first).
    bool FReleasing = false;
    TWinControl* FKeyHookedControl = nullptr;
    TKeyEvent FSavedKeyDown;
    std::unique_ptr<TPaneSplitterActionLink> FSplitterLink;
};
