#pragma once

// Panels, bevels, images, shapes, radio groups, scroll boxes and splitters;
// TTimer comes with them from Timers.h, as code that uses panels expects.

#include "platform/classes/Events.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timers.h"

#include <memory>
#include <vector>

class TStringList;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

/// Draws a raised or lowered frame of Width pixels inside Rect and shrinks
/// Rect by it.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

/// A container with up to two bevels and a caption.
class TCustomPanel : public TCustomControl {
    PRICETAGS_CLASS(TCustomPanel, TCustomControl)
public:
    explicit TCustomPanel(TComponent* AOwner);
    ~TCustomPanel() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool Value) { FFullRepaint = Value; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
    void CMTextChanged(TMessageRecord& Message) override;
    /// Width taken by the bevels and border on each side.
    int FrameWidth() const;

    TAlignment FAlignment = taCenter;
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    bool FFullRepaint = true;
};

class TPanel : public TCustomPanel {
    PRICETAGS_CLASS(TPanel, TCustomPanel)
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
    ~TPanel() override;
};

enum TBevelStyle { bsLowered, bsRaised };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TBevel : public TGraphicControl {
    PRICETAGS_CLASS(TBevel, TGraphicControl)
public:
    explicit TBevel(TComponent* AOwner);
    ~TBevel() override;

    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);

protected:
    void Paint() override;

    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

/// A surface the program paints in OnPaint, on Canvas (the control's own
/// pixels, (0, 0) at its top-left); the canvas has the control's Font and
/// Color as its brush.
class TPaintBox : public TGraphicControl {
    PRICETAGS_CLASS(TPaintBox, TGraphicControl)
public:
    explicit TPaintBox(TComponent* AOwner);
    ~TPaintBox() override;

    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

/// Shows a picture: at its top-left, centred, or stretched over the control.
class TImage : public TGraphicControl {
    PRICETAGS_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);

protected:
    void Paint() override;
    /// Where the picture is drawn.
    TRect DestRect();
    void PictureChanged(TObject* Sender);

    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FTransparent = false;
    bool FAutoSize = false;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
    PRICETAGS_CLASS(TShape, TGraphicControl)
public:
    explicit TShape(TComponent* AOwner);
    ~TShape() override;

    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType Value);
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }

protected:
    void Paint() override;
    void StyleChanged(TObject* Sender);

    TShapeType FShape = stRectangle;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

/// A group box of radio buttons, one per line of Items, in Columns columns.
class TCustomRadioGroup : public TCustomGroupBox {
    PRICETAGS_CLASS(TCustomRadioGroup, TCustomGroupBox)
public:
    explicit TCustomRadioGroup(TComponent* AOwner);
    ~TCustomRadioGroup() override;

    TStrings* Items() const;
    void SetItems(TStrings* Value);
    /// The checked item; -1 for none.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    /// The radio button of item Index (made from Items).
    TRadioButton* Buttons(int Index) const { return FButtons[static_cast<size_t>(Index)]; }
    int ButtonCount() const { return static_cast<int>(FButtons.size()); }

protected:
    void ItemsChanged(TObject* Sender);
    void ButtonClick(TObject* Sender);
    void ArrangeButtons();
    void WMSize(TWMSize& Message) override;
    void CMEnabledChanged(TMessageRecord& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;

    std::unique_ptr<TStringList> FItems;
    std::vector<TRadioButton*> FButtons;
    int FItemIndex = -1;
    int FColumns = 1;
    bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
    PRICETAGS_CLASS(TRadioGroup, TCustomRadioGroup)
public:
    explicit TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}
    ~TRadioGroup() override;
};

// ---- splitter -------------------------------------------------------------------------------

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using TCanResizeEvent = MethodPointer<void(TObject* Sender, int& NewSize, bool& Accept)>;

/// A bar aligned beside another aligned control that resizes it when
/// dragged with the left button. The control is the visible, enabled one
/// that touches the bar on the side of its alignment (a control 0 pixels
/// wide still counts). While dragging, the new size stays within MinSize
/// and what the parent leaves (its client size across the bar less MinSize
/// and less the other controls aligned on that axis); with AutoSnap a size
/// at or below MinSize snaps to 0. OnCanResize may change or refuse each
/// size. rsLine and rsPattern draw an inverted line over the parent while
/// dragging and resize at release, rsUpdate resizes at once, rsNone only at
/// release; OnMoved follows each change of the size. A lost capture ends a
/// drag and puts the control back to its size at the press.
class TSplitter : public TGraphicControl {
    PRICETAGS_CLASS(TSplitter, TGraphicControl)
public:
    /// Aligned left, 3 pixels wide, MinSize 30, rsPattern, AutoSnap.
    explicit TSplitter(TComponent* AOwner);
    ~TSplitter() override;

    bool AutoSnap() const { return FAutoSnap; }
    void SetAutoSnap(bool Value) { FAutoSnap = Value; }
    bool Beveled() const { return FBeveled; }
    void SetBeveled(bool Value);
    /// Smallest size of the control while dragging (other than 0 by
    /// AutoSnap); at least 1.
    int MinSize() const { return FMinSize; }
    void SetMinSize(int Value);
    TResizeStyle ResizeStyle() const { return FResizeStyle; }
    void SetResizeStyle(TResizeStyle Value) { FResizeStyle = Value; }

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnMoved;
    TNotifyEvent OnPaint;

protected:
    /// OnCanResize; then AutoSnap turns a size at or below MinSize into 0.
    virtual bool DoCanResize(int& NewSize);
    /// OnCanResize alone.
    virtual bool CanResize(int& NewSize);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;
    void RequestAlign() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WMCancelMode(TMessageRecord& Message) override;
    /// The control the bar resizes now; null when none touches it.
    TControl* FindControl();
    /// Gives the control FNewSize (when it changed) and fires OnMoved.
    void UpdateControlSize();

private:
    void CalcSplitSize(int X, int Y, int& NewSize, int& Split);
    void UpdateSize(int X, int Y);
    void DrawLine();
    void AllocateLineDC();
    void ReleaseLineDC();
    void StopSizing();

    bool FAutoSnap = true;
    bool FBeveled = false;
    int FMinSize = 30;
    TResizeStyle FResizeStyle = rsPattern;
    /// The control being resized while dragging (a free notification clears it).
    TControl* FControl = nullptr;
    TPoint FDownPos;
    int FMaxSize = 0;
    int FNewSize = 0;
    int FOldSize = -1;
    /// The control's size at the press, put back when the drag is cancelled.
    int FPressSize = 0;
    int FSplit = 0;
    bool FLineVisible = false;
    HDC FLineDC = nullptr;
    HBRUSH FBrush = nullptr;
    HBRUSH FPrevBrush = nullptr;
};
