#pragma once

// TBaseForm: the base of the program's own dialog forms. A form designed at
// one pixel density (its stored PixelsPerInch, "ScaleFix" in a form stream)
// is scaled once, when loaded, to the screen's: bounds, size constraints,
// grids' column widths and row heights, tree columns, fonts, scroll ranges
// and anchored children. It also closes on Esc (unless locked), keeps its
// placement in the program ini, sends the mouse wheel to the tree, grid or
// memo under the pointer, and keeps the program's windows in front when it
// is activated while a modal window of its own is open.
//
// The virtual tree lives in a library above this one: it tells the form
// how to recognise and scale a tree through SetBaseFormTreeSupport.

#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

class TControl;
class TReader;
class TWriter;

/// What the base form does with a virtual tree; every member may be null
/// (then no control is a tree).
struct BaseFormTreeSupport {
    /// Whether Control is a virtual tree.
    bool (*IsTree)(TControl* Control) = nullptr;
    /// Lets the tree follow the scale by itself (its node height and header font).
    void (*AddAutoChangeScale)(TControl* Tree) = nullptr;
    /// The tree's own ChangeScale(M, D), then each header column's width by M/D.
    void (*ScaleTree)(TControl* Tree, int M, int D) = nullptr;
};
void SetBaseFormTreeSupport(const BaseFormTreeSupport& Support);

class TBaseForm : public TForm {
    PRICETAGS_CLASS(TBaseForm, TForm)
public:
    /// A form without description (the program builds it): Esc closes,
    /// placement kept, the wheel routed, the parent's font.
    explicit TBaseForm(TComponent* AOwner);
    ~TBaseForm() override;

    /// Scales Control and everything in it by M/D on both axes and fonts.
    static void ScaleControlBy(TControl* Control, int M, int D);
    /// Brings the window of every form of the screen to the top, from the
    /// last to the first; a nested call does nothing.
    static void BringFormsToTop();

    void SetName(const AnsiString& NewName) override;

    /// The PixelsPerInch the form was designed at (0: none, never scaled).
    /// A form built in code sets it inside its loading bracket; Loaded
    /// then scales it to the screen.
    int StoredPixelsPerInch() const { return FStoredPixelsPerInch; }
    void SetStoredPixelsPerInch(int Value) { FStoredPixelsPerInch = Value; }
    int CloseOnEscape() const { return FCloseOnEscape; }
    void SetCloseOnEscape(int Value) { FCloseOnEscape = Value; }
    /// While above 0 Esc does not close the form.
    int EscapeLock() const { return FEscapeLock; }
    void LockEscape() { ++FEscapeLock; }
    void UnlockEscape() { --FEscapeLock; }
    bool FreeOnClose() const { return FFreeOnClose; }
    void SetFreeOnClose(bool Value) { FFreeOnClose = Value; }
    bool SavePlacement() const { return FSavePlacement; }
    void SetSavePlacement(bool Value) { FSavePlacement = Value; }
    bool Shown() const { return FShown; }
    bool WheelRouting() const { return FWheelRouting; }
    void SetWheelRouting(bool Value) { FWheelRouting = Value; }
    /// Owned: freed after every OnHide (the hide object) or with the form.
    void SetHideObject(std::unique_ptr<TObject> Value) { FHideObject = std::move(Value); }
    TObject* HideObject() const { return FHideObject.get(); }
    void SetOwnedObject(std::unique_ptr<TObject> Value) { FOwnedObject = std::move(Value); }
    TObject* OwnedObject() const { return FOwnedObject.get(); }

    void MouseWheelHandler(TMessage& Message) override;

protected:
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    void DoShow() override;
    void DoHide() override;
    void DoClose(TCloseAction& Action) override;
    void CMDialogKey(TCMDialogKey& Message) override;
    void Dispatch(TMessage& Message) override;
    /// Runs once, on the first show, after the placement is restored.
    virtual void FirstShow() {}

    int FStoredPixelsPerInch = 0;
    int FCloseOnEscape = 1;
    int FEscapeLock = 0;
    bool FFreeOnClose = false;
    bool FSavePlacement = true;
    bool FShown = false;
    bool FWheelRouting = true;
    std::unique_ptr<TObject> FHideObject;
    std::unique_ptr<TObject> FOwnedObject;

private:
    void InitBaseForm();
    /// Named and not embedded: its placement is its own.
    bool KeepsPlacement();
    bool NeedsScaling() const;
    void PrepareChildControls(TWinControl* Parent, bool Before);
    void MemoMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos,
                        bool& Handled);
    void ReadScaleFix(TReader* Reader);
    void WriteScaleFix(TWriter* Writer);
    void ReadClientHeight(TReader* Reader);
    void WriteClientHeight(TWriter* Writer);
    void ReadClientWidth(TReader* Reader);
    void WriteClientWidth(TWriter* Writer);
};
