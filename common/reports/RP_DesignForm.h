#pragma once

// The template designer: the window "Конструктор отчетов" (TDesignForm)
// over one TDocument, the design surface (TPreview) that shows one template
// page at the document's zoom and turns mouse and keys into element edits,
// and the two rulers (TRule). Every change posts WM_USER+2 to the window
// (one control update however many changes a handler makes) and, as a
// rule, records an undo snapshot (TStateStack).
//
// Coordinates on the surface are pixels of the page at the zoom, the
// printable area starting at (OffsetX, OffsetY); elements report the same
// coordinates through their display rectangles.
//
// The element clipboard is the program's own (not the system's): copies of
// elements with the document and page they came from, shared by all
// designer windows.

#include "common/reports/RP_Document.h"

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <vector>

class TAction;
class TActionList;
class TBitmap;
class TColorDialog;
class TComboBox;
class TEdit;
class TFontDialog;
class TImageList;
class TListBox;
class TMainMenu;
class TMenuItem;
class TPopupMenu;
class TScrollBox;
class TSpeedButton;
class TStateStack;
class TStatusBar;
class TToolBar;
class TToolButton;
class TUpDown;
class TView;
class TDesignForm;

// ---- colour routines ------------------------------------------------------------------------

struct YCbCr {
    int Y = 0;
    int Cb = 0;
    int Cr = 0;
};
/// JPEG (JFIF) conversion of a colour (system colours resolved), each part
/// rounded.
[[nodiscard]] YCbCr RGBToYCbCr(TColor C);
/// Back to RGB, each channel rounded and kept within 0..255.
[[nodiscard]] TColor YCbCrToRGB(const YCbCr& V);
/// Luminance raised by P percent of what is left to white, chroma kept.
[[nodiscard]] TColor Lighten(TColor C, int P);
/// Luminance scaled to P percent, chroma kept.
[[nodiscard]] TColor ScaleLuminance(TColor C, int P);
/// Each channel (a + b) div 2.
[[nodiscard]] TColor AverageColor(TColor A, TColor B);

// ---- element clipboard ------------------------------------------------------------------------

/// Copies of elements cut or copied in any designer window, the document
/// and page they came from.
struct DesignClipboardData {
    std::vector<std::unique_ptr<TView>> Views;
    const TDocument* Document = nullptr;
    int PageIndex = -1;
};
[[nodiscard]] DesignClipboardData& DesignClipboard();

/// Snaps V to the nearest line of a grid of GridSize through Origin; a
/// point half-way goes to the larger line. Exact on both sides of Origin.
[[nodiscard]] int SnapToGridLine(int V, int Origin, int GridSize);

// ---- the rulers ---------------------------------------------------------------------------------

class TRule : public TPanel {
    PRICETAGS_CLASS(TRule, TPanel)
public:
    explicit TRule(TDesignForm* AOwner);
    ~TRule() override;

    void SetVertical(bool Value);
    /// The ruler's colour and its dark (ticks) and light (background)
    /// colours derived from it.
    void SetColors(TColor C);
    /// Shows the pointer line at Pos (surface pixels less the printable
    /// offset); 0x7FFFFFFF hides it.
    void SetPointer(int Pos);
    void SetZoom(Extended Value);

    TDesignForm* Designer = nullptr;
    TColor DarkColor = 0x404040;
    TColor LightColor = clWindow;
    TPoint CachedSize{0, 0};
    bool Vertical = false;
    int PointerPos = 0x7FFFFFFF;
    int PointerImage = 0;
    TColor BaseColor = clBtnFace;
    Extended Zoom = 1.0;

protected:
    void Paint() override;

private:
    /// Where the page lies along the ruler, client pixels.
    [[nodiscard]] TRect PagePlace() const;
    void DrawTicks(int Length, int Thickness);
    void DrawPointer(TCanvas* C);

    std::unique_ptr<TBitmap> FTickBitmap;
};

// ---- the design surface ---------------------------------------------------------------------------

/// Drag modes of the surface.
inline constexpr Byte dgMove = 1;
inline constexpr Byte dgRect = 3;
inline constexpr Byte dgResize = 4;

class TPreview : public TPanel {
    PRICETAGS_CLASS(TPreview, TPanel)
public:
    explicit TPreview(TDesignForm* AOwner);
    ~TPreview() override;

    /// Sizes the surface to the page at the zoom and repaints the rulers.
    void Layout();
    /// Repaints Rect (surface pixels; the whole surface when empty) at
    /// once. Nothing while the window closes.
    void Redraw(const TRect& R);
    void RedrawAll();
    void DeselectAll();
    /// The selected element of the highest index; the last element when
    /// none is selected; null on an empty page.
    [[nodiscard]] TView* CurrentElement() const;
    /// Bands to the front keeping their order, an overlay band first.
    void OrderBands();
    void Reset();
    /// Opens the editor of the one selected element.
    void EditCurrent();
    /// The element below the selected one that holds PressPoint becomes the
    /// selection.
    void SelectBeneath();
    void SetModified();
    /// Removes the selected elements.
    void DeleteSelected();
    void ObjUp();
    void ObjDown();
    void SelectPrevNext(bool Next);
    void CopySelection();
    void CutSelection();
    void Paste();
    /// Moves (Resize false) or resizes the selection by (DX, DY), bands
    /// only vertically.
    void NudgeSelection(int DX, int DY, bool Resize);
    /// Ctrl went down (Down) or up while dragging.
    void CtrlChanged(bool Down);
    /// Esc: undoes a drag in progress, else SelectBeneath.
    void EscapePressed();
    /// Snapping in force for this input (the setting, Alt not held).
    [[nodiscard]] bool Snapping() const;
    /// The press/move/release handlers as the mouse drives them; public for
    /// the window's Esc and the right button.
    void PressAt(TMouseButton Button, TShiftState Shift, int X, int Y);
    void MoveTo(TShiftState Shift, int X, int Y);
    void ReleaseAt(TMouseButton Button, TShiftState Shift, int X, int Y);

    TDesignForm* Designer = nullptr;
    bool Pressed = false;
    bool Cancelled = false;
    bool Moved = false;
    bool AfterDblClick = false;
    bool RubberBand = false;
    bool Creating = false;
    bool RepeatTool = false;
    bool SelectTool = true;
    Byte DragMode = 0;
    TPoint LastPoint{0, 0};
    TRect OldBounds;
    TRect OldDrawRect;
    TRect DragRect;
    Byte ResizeSide = 0;
    TPoint PressPoint{0, 0};
    TPoint StartPos{0, 0};
    /// The copy left in place during a Ctrl drag (owned by the page).
    TView* DragCopy = nullptr;
    bool NoSnap = false;
    Extended Zoom = 1.0;
    /// The cursor the surface shows (the press decides by it).
    TCursor SurfaceCursor = crArrow;
    /// Paints done since creation (whole or partial).
    int PaintCount = 0;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;

private:
    [[nodiscard]] TPage* Page() const;
    [[nodiscard]] TDocument* Doc() const;
    void PaintInto(TCanvas* C, const TRect& R);
    /// The grid (or white) of page area R into B's top-left corner.
    void FillBackground(TBitmap* B, const TRect& R);
    void SetSurfaceCursor(TCursor C);
    TPoint SnapPoint(TPoint P) const;
    void ShowDragRect(const TRect& R);
    void HideDragRect();
    void CreateElement();
    void EndMoveOrResize();
    void MoveSelection(int DX, int DY);
    void ResizeCurrent(TPoint P);
    [[nodiscard]] TCursor HandleCursorAt(int X, int Y, int Tolerance) const;
    /// The grid step applied to a drag distance: 0 until a full step.
    [[nodiscard]] TPoint GridStep(int DX, int DY) const;
    [[nodiscard]] int FirstFreeBandType() const;
    [[nodiscard]] bool PageHasBandType(int Type, const TView* Except) const;

    TRect FShownDragRect;
    bool FDragRectShown = false;
    std::unique_ptr<TBitmap> FBack;
};

// ---- the window -------------------------------------------------------------------------------------

class TDesignForm : public TForm {
    PRICETAGS_CLASS(TDesignForm, TForm)
public:
    explicit TDesignForm(TComponent* AOwner);
    ~TDesignForm() override;

    /// Binds the window to its document (not owned).
    void SetDocument(TDocument* ADocument);

    void BeginUpdate() { ++UpdateCount; }
    void EndUpdate() { UpdateCount = UpdateCount > 0 ? UpdateCount - 1 : 0; }
    [[nodiscard]] bool IsUpdating() const { return UpdateCount >= 1 || Closing; }

    /// Posts the control update; with Snapshot also records an undo step.
    void NotifyChange(bool Snapshot);
    /// The control update (WM_USER+2).
    void UpdateControls();
    /// Shows template page I.
    void ShowPage(int I);
    /// Applies the property of Tag to every selected element.
    void ClickDesign(int Tag);
    /// Zoom 1, 2 or 4 (as the menu); 0 toggles as the tool button.
    void ChooseZoom(int Tag);
    void DoSave();
    void DoReload();
    void DoPreview();
    /// The print-area check: Param 1 always, 2 once per window when the
    /// template asks for it.
    void CheckPrintArea(int Param);
    /// Deletes the current page after asking.
    void DeletePage();
    void NewPage();
    /// Chooses the tool of a new-element button (Shift keeps it after one
    /// element).
    void ChooseTool(TToolButton* Button, bool Repeat);
    /// The band type of the one selected band, refused when the page holds
    /// another band of a type it may hold once.
    void SetBandType(int Type);
    /// Status text of the pointer (panel 2) and of a drag (panel 3).
    void ShowPointer(int X, int Y);
    void ShowDragDistance(int DX, int DY);
    /// Panel 4: the current element.
    void ShowElementInfo();
    /// The page step of the scroll box's visible Size.
    [[nodiscard]] static int PageStep(int Size);
    void ScrollBy(bool Vertical, int Delta);
    /// Which tool button makes new elements; null for the arrow.
    [[nodiscard]] TToolButton* DownTool() const;
    /// The window's caption: base caption, colon, document name.
    void SetTitle();
    void ResetDesign();
    /// A key as the window's key handler takes it; true when it was used.
    bool KeyDown(Word Key, TShiftState Shift);
    void KeyUp(Word Key);

    bool Closing = false;
    TMainMenu* OldMenu = nullptr;
    TDocument* Document = nullptr;
    TPreview* Surface = nullptr;
    bool ShiftDown = false;
    bool CtrlDown = false;
    AnsiString BaseCaption;
    bool FirstActivate = false;
    bool BandSelected = false;
    int UpdateCount = 0;
    int PreviousPage = 0;
    bool PrintAreaChecked = false;
    TRule* VertRule = nullptr;
    TRule* HorzRule = nullptr;
    int LastHorzScroll = 0;
    int LastVertScroll = 0;
    Extended LastZoom = 1.0;
    std::unique_ptr<TStateStack> States;
    /// The close decision: 0 none yet, 1 save, 2 discard.
    int Decision = 0;

    TColor CurrentFontColor = clBlack;
    TColor CurrentFillColor = RP_NoColor;
    bool ShowMenu = true;
    bool ShowFileCommands = false;

    // Controls and actions, named as the window has them.
    TStatusBar* StatusBar = nullptr;
    TScrollBox* sb = nullptr;
    TPanel* pn = nullptr;
    TPanel* pnHorzRule = nullptr;
    TPanel* pnVertRule = nullptr;
    TSpeedButton* btObjSelectCorn = nullptr;
    TToolBar* tbElements = nullptr;
    TToolBar* tbDocument = nullptr;
    TToolBar* tbFont = nullptr;
    TToolBar* tbFrame = nullptr;
    TToolButton* btSelect = nullptr;
    TToolButton* btNewMemo = nullptr;
    TToolButton* btNewRect = nullptr;
    TToolButton* btNewBitmap = nullptr;
    TToolButton* btNewOwnerDraw = nullptr;
    TToolButton* btNewBand = nullptr;
    TToolButton* btImageControl = nullptr;
    TToolButton* btDocScale = nullptr;
    TToolButton* btObjSelect = nullptr;
    TToolButton* btFontBold = nullptr;
    TToolButton* btFontItalic = nullptr;
    TToolButton* btFontUnderLine = nullptr;
    TToolButton* btVertHorzText = nullptr;
    TUpDown* udFrameWidth = nullptr;
    TEdit* edFrameWidth = nullptr;
    TComboBox* cbFonts = nullptr;
    TComboBox* cbFontSize = nullptr;
    TListBox* lbNameBand = nullptr;
    TListBox* lbBackground = nullptr;
    TListBox* lbForeground = nullptr;
    TFontDialog* FontDialog = nullptr;
    TColorDialog* ColorDialog = nullptr;
    TImageList* ImageList = nullptr;
    TImageList* ImageListRulers = nullptr;
    TMainMenu* MainMenu = nullptr;
    TPopupMenu* PreviewPopup = nullptr;
    TPopupMenu* PopupScale = nullptr;
    TPopupMenu* PopupBandTyp = nullptr;
    TMenuItem* mnOpenNewWindow = nullptr;
    TMenuItem* mnDocSaveAs = nullptr;
    TMenuItem* mnPopupAutoSize = nullptr;
    TMenuItem* mnPopupWordWrap = nullptr;
    TMenuItem* mnPopupSelectBand = nullptr;
    TMenuItem* mnPopupTextSelect = nullptr;
    TMenuItem* mnPopupShapeSelect = nullptr;
    TActionList* Actions = nullptr;

    TAction* DocSaveExit = nullptr;
    TAction* DocExit = nullptr;
    TAction* DocSave = nullptr;
    TAction* DocReload = nullptr;
    TAction* DocPreview = nullptr;
    TAction* DocUndo = nullptr;
    TAction* DocRedo = nullptr;
    TAction* DocRedraw = nullptr;
    TAction* DocScale1 = nullptr;
    TAction* DocScale2 = nullptr;
    TAction* DocScale4 = nullptr;
    TAction* PropGridShow = nullptr;
    TAction* PropGridSnap = nullptr;
    TAction* PropShowWhite = nullptr;
    TAction* PropReport = nullptr;
    TAction* PgProp = nullptr;
    TAction* PropDesign = nullptr;
    TAction* PgNew = nullptr;
    TAction* PgDel = nullptr;
    TAction* PgCheck = nullptr;
    TAction* PgPrev = nullptr;
    TAction* PgNext = nullptr;
    TAction* ObjSelect = nullptr;
    TAction* ObjCut = nullptr;
    TAction* ObjCopy = nullptr;
    TAction* ObjPaste = nullptr;
    TAction* ObjDelete = nullptr;
    TAction* ObjUp = nullptr;
    TAction* ObjDown = nullptr;
    TAction* ObjPrev = nullptr;
    TAction* ObjNext = nullptr;
    TAction* ObjSelectBand = nullptr;
    TAction* ObjTextSelect = nullptr;
    TAction* ObjShapeSelect = nullptr;
    TAction* PropEdit = nullptr;
    TAction* ObjAutoSize = nullptr;
    TAction* ObjWordWrap = nullptr;
    TAction* ObjFont = nullptr;
    TAction* ObjFontColor = nullptr;
    TAction* ObjBackgroundColor = nullptr;
    TAction* ObjVertHorzText = nullptr;
    TAction* ObjLeftJustify = nullptr;
    TAction* ObjRightJustify = nullptr;
    TAction* ObjHorzCenter = nullptr;
    TAction* ObjVertTop = nullptr;
    TAction* ObjVertCenter = nullptr;
    TAction* ObjVertBottom = nullptr;
    TAction* ObjFontBold = nullptr;
    TAction* ObjFontItalic = nullptr;
    TAction* ObjFontUnderLine = nullptr;
    TAction* ShapeRound = nullptr;
    TAction* ShapeLeft = nullptr;
    TAction* ShapeRight = nullptr;
    TAction* ShapeTop = nullptr;
    TAction* ShapeBottom = nullptr;

protected:
    void WndProc(TMessage& Message) override;
    void Activate() override;

private:
    void BuildControls();
    void BuildActions();
    void BuildMenus();
    void BuildToolBars();
    void BuildLists();
    TAction* MakeAction(const char* Name, const char* Caption, TShortCut Key, int Tag,
                        void (TDesignForm::*Execute)(TObject*));
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void FormShortCut(TWMKey& Msg, bool& Handled);
    void FormMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos,
                        bool& Handled);
    void FormResize(TObject* Sender);
    void sbResize(TObject* Sender);
    bool HandleKey(Word Key, TShiftState Shift);
    void RefreshToolBars();
    void ShowSelectedKind();
    void UpdatePopup();
    void ShowColorList(TListBox* List, TToolButton* Under);
    void ColorListClick(TObject* Sender);
    void ColorListDraw(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State);
    void ColorListExit(TObject* Sender);
    void NameBandClick(TObject* Sender);
    void ImageControlClick(TObject* Sender);
    void ScaleButtonClick(TObject* Sender);
    void ToolClick(TObject* Sender);
    void ControlDesign(TObject* Sender);
    void FontSizeKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void SelectCornClick(TObject* Sender);
    void OpenNewWindowClick(TObject* Sender);
    void SaveAsClick(TObject* Sender);
    /// Leaves with Result (1 save, 2 discard).
    void Leave(int Result);

    // Action handlers.
    void aDocSaveExit(TObject*);
    void aDocExit(TObject*);
    void aDocSave(TObject*);
    void aDocReload(TObject*);
    void aDocPreview(TObject*);
    void aDocUndo(TObject*);
    void aDocRedo(TObject*);
    void aDocRedraw(TObject*);
    void aDocScale(TObject* Sender);
    void aPropGridShow(TObject*);
    void aPropGridSnap(TObject*);
    void aPropShowWhite(TObject*);
    void aPropReport(TObject*);
    void aPgProp(TObject*);
    void aPropDesign(TObject*);
    void aPgNew(TObject*);
    void aPgDel(TObject*);
    void aPgCheck(TObject*);
    void aPgPrev(TObject*);
    void aPgNext(TObject*);
    void aObjSelect(TObject*);
    void aObjCut(TObject*);
    void aObjCopy(TObject*);
    void aObjPaste(TObject*);
    void aObjDelete(TObject*);
    void aObjUp(TObject*);
    void aObjDown(TObject*);
    void aObjPrev(TObject*);
    void aObjNext(TObject*);
    void aObjSelectBand(TObject*);
    void aObjTextSelect(TObject*);
    void aObjShapeSelect(TObject*);
    void aPropEdit(TObject*);
    void aObjFont(TObject*);
    void aObjFontColor(TObject*);
    void aObjBackgroundColor(TObject*);
    void aToggleApply(TObject* Sender);
    void aHorzAlign(TObject* Sender);
    void aVertAlign(TObject* Sender);
    /// The options dialog on Page; the title follows.
    void EditOptionsPage(int Page);
    void KeepSelection(bool (*Keep)(TView*));

    /// The toolbar whose controls take the font, colour and alignment.
    std::vector<TControl*> FFontControls;
    std::vector<TControl*> FFrameControls;
    bool FShown = false;
};
