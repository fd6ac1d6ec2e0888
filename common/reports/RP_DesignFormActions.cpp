// The designer window's commands: the action handlers, the property tags
// applied to the selection, the band type, the colour lists, the tools for
// new elements, the keyboard and the wheel; and the tool images.

#include "common/reports/RP_DesignForm.h"

#include "common/reports/RP_DesignFormPrivate.h"
#include "common/reports/RP_OptForm.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_StateStack.h"
#include "common/reports/RP_View.h"
#include "common/components/MsgWin.h"

#include "platform/classes/Strings.h"
#include "platform/forms/ActnList.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/winapi/Windows.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace design_form {

namespace {

/// The images in list order, by the names of the actions and buttons
/// that show them.
constexpr std::array<const char*, 48> ImageNames = {
    "btSelect", "btNewMemo", "btNewRect", "btNewBitmap", "btNewOwnerDraw", "btNewBand",
    "DocSaveExit", "DocExit", "DocSave", "DocReload", "DocPreview", "DocUndo",
    "DocRedo", "DocScale", "PgNew", "PgDel", "PgPrev", "PgNext",
    "ObjSelect", "ObjCut", "ObjCopy", "ObjPaste", "ObjDelete", "ObjUp",
    "ObjDown", "PropEdit", "ObjFont", "ObjFontColor", "ObjBackgroundColor", "ObjFontBold",
    "ObjFontItalic", "ObjFontUnderLine", "ObjLeftJustify", "ObjRightJustify", "ObjHorzCenter",
    "ObjVertTop", "ObjVertCenter", "ObjVertBottom", "ObjVertHorzText", "ShapeRound",
    "ShapeLeft", "ShapeRight", "ShapeTop", "ShapeBottom", "PropGridShow", "PropGridSnap",
    "PropReport", "PgCheck"};

void Fill(TCanvas* C, TColor Colour, const TRect& R)
{
    C->Brush()->SetColor(Colour);
    C->FillRect(R);
}

}  // namespace

void FillRectIn(TCanvas* C, TColor Colour, const TRect& R)
{
    Fill(C, Colour, R);
}

namespace {

void Frame(TCanvas* C, TColor Colour, const TRect& R)
{
    C->Brush()->SetColor(Colour);
    C->FrameRect(R);
}

void Letter(TCanvas* C, const char* Text, TColor Colour, int Style)
{
    C->Font()->SetName("Arial");
    C->Font()->SetHeight(-12);
    C->Font()->SetColor(Colour);
    TFontStyles S;
    if (Style & 1)
        S.Include(fsBold);
    if (Style & 2)
        S.Include(fsItalic);
    if (Style & 4)
        S.Include(fsUnderline);
    C->Font()->SetStyle(S);
    C->Brush()->SetStyle(bsClear);
    const AnsiString T = AnsiString::FromUtf8(Text);
    C->TextOut((16 - C->TextWidth(T)) / 2, (16 - C->TextHeight(T)) / 2, T);
    C->Brush()->SetStyle(bsSolid);
}

void Lines(TCanvas* C, int Align, int Top)
{
    for (int I = 0; I < 4; ++I) {
        const int W = I % 2 ? 8 : 12;
        const int L = Align == 0 ? 2 : Align == 1 ? 14 - W : (16 - W) / 2;
        Fill(C, clBlack, Rect(L, Top + I * 3, L + W, Top + I * 3 + 1));
    }
}

void Arrow(TCanvas* C, bool Up, TColor Colour)
{
    for (int Row = 0; Row < 5; ++Row) {
        const int Y = Up ? 4 + Row : 11 - Row;
        Fill(C, Colour, Rect(8 - Row - 1, Y, 8 + Row + 1, Y + 1));
    }
}

void DrawGlyph(TCanvas* C, const char* Name)
{
    const auto Is = [Name](const char* N) { return std::strcmp(Name, N) == 0; };
    const auto Sheet = [C](const TRect& R) {
        Fill(C, clWhite, R);
        Frame(C, clBlack, R);
    };
    const auto Side = [C](int Bits) {
        Frame(C, clSilver, Rect(2, 2, 14, 14));
        if (Bits & 8)
            Fill(C, clBlack, Rect(2, 2, 14, 4));
        if (Bits & 4)
            Fill(C, clBlack, Rect(2, 2, 4, 14));
        if (Bits & 2)
            Fill(C, clBlack, Rect(2, 12, 14, 14));
        if (Bits & 1)
            Fill(C, clBlack, Rect(12, 2, 14, 14));
    };
    if (Is("btSelect")) {
        for (int Row = 0; Row < 10; ++Row)
            Fill(C, clBlack, Rect(4, 2 + Row, 5 + Row * 2 / 3, 3 + Row));
        Fill(C, clBlack, Rect(8, 10, 10, 15));
    } else if (Is("btNewMemo")) {
        Letter(C, "A", clNavy, 1);
    } else if (Is("btNewRect")) {
        Frame(C, clBlack, Rect(2, 3, 14, 13));
        Frame(C, clBlack, Rect(3, 4, 13, 12));
    } else if (Is("btNewBitmap")) {
        Fill(C, clAqua, Rect(1, 2, 15, 14));
        Fill(C, clGreen, Rect(1, 10, 15, 14));
        Fill(C, clYellow, Rect(10, 4, 13, 7));
        Frame(C, clBlack, Rect(1, 2, 15, 14));
    } else if (Is("btNewOwnerDraw")) {
        Frame(C, clBlack, Rect(1, 2, 15, 14));
        Fill(C, clRed, Rect(4, 5, 12, 11));
    } else if (Is("btNewBand")) {
        Fill(C, clSilver, Rect(0, 4, 16, 12));
        Fill(C, clGray, Rect(0, 4, 16, 5));
        Fill(C, clGray, Rect(0, 11, 16, 12));
    } else if (Is("DocSaveExit")) {
        Fill(C, clGreen, Rect(3, 8, 6, 11));
        Fill(C, clGreen, Rect(5, 10, 8, 13));
        for (int I = 0; I < 6; ++I)
            Fill(C, clGreen, Rect(7 + I, 10 - I * 2, 10 + I, 12 - I * 2));
    } else if (Is("DocExit")) {
        for (int I = 0; I < 10; ++I) {
            Fill(C, clMaroon, Rect(3 + I, 3 + I, 5 + I, 5 + I));
            Fill(C, clMaroon, Rect(11 - I, 3 + I, 13 - I, 5 + I));
        }
    } else if (Is("DocSave")) {
        Fill(C, clNavy, Rect(1, 1, 15, 15));
        Fill(C, clWhite, Rect(4, 2, 12, 8));
        Fill(C, clSilver, Rect(5, 10, 11, 15));
    } else if (Is("DocReload")) {
        Sheet(Rect(3, 1, 13, 15));
        Arrow(C, true, clGreen);
    } else if (Is("DocPreview")) {
        Sheet(Rect(2, 1, 12, 15));
        Frame(C, clNavy, Rect(7, 7, 14, 14));
        Fill(C, clNavy, Rect(13, 13, 16, 16));
    } else if (Is("DocUndo") || Is("DocRedo")) {
        const bool Undo = Is("DocUndo");
        Fill(C, clNavy, Rect(4, 7, 12, 9));
        for (int Row = 0; Row < 4; ++Row) {
            const int X = Undo ? 4 - Row : 11 + Row;
            Fill(C, clNavy, Rect(X, 8 - Row, X + 1, 8 + Row + 1));
        }
    } else if (Is("DocScale")) {
        Frame(C, clBlack, Rect(2, 2, 11, 11));
        Fill(C, clBlack, Rect(10, 10, 15, 15));
        Fill(C, clBlack, Rect(4, 6, 9, 7));
        Fill(C, clBlack, Rect(6, 4, 7, 9));
    } else if (Is("PgNew")) {
        Sheet(Rect(3, 1, 13, 15));
        Fill(C, clGreen, Rect(9, 9, 16, 11));
        Fill(C, clGreen, Rect(11, 7, 13, 14));
    } else if (Is("PgDel")) {
        Sheet(Rect(3, 1, 13, 15));
        Fill(C, clRed, Rect(8, 9, 16, 11));
    } else if (Is("PgPrev") || Is("PgNext")) {
        const bool Prev = Is("PgPrev");
        for (int Row = 0; Row < 5; ++Row) {
            const int X = Prev ? 5 + Row : 10 - Row;
            Fill(C, clBlack, Rect(X, 8 - Row, X + 1, 8 + Row));
        }
    } else if (Is("ObjSelect")) {
        C->Pen()->SetColor(clBlack);
        C->Pen()->SetStyle(psDot);
        C->Brush()->SetStyle(bsClear);
        C->Rectangle(Rect(1, 1, 15, 15));
        C->Pen()->SetStyle(psSolid);
        C->Brush()->SetStyle(bsSolid);
        Fill(C, clNavy, Rect(4, 4, 8, 8));
        Fill(C, clNavy, Rect(9, 8, 12, 12));
    } else if (Is("ObjCut")) {
        Frame(C, clBlack, Rect(2, 10, 7, 15));
        Frame(C, clBlack, Rect(9, 10, 14, 15));
        Fill(C, clBlack, Rect(6, 2, 7, 10));
        Fill(C, clBlack, Rect(9, 2, 10, 10));
    } else if (Is("ObjCopy")) {
        Sheet(Rect(1, 1, 10, 11));
        Sheet(Rect(6, 5, 15, 15));
    } else if (Is("ObjPaste")) {
        Fill(C, clOlive, Rect(2, 2, 12, 15));
        Sheet(Rect(7, 6, 15, 15));
    } else if (Is("ObjDelete")) {
        Letter(C, "X", clRed, 1);
    } else if (Is("ObjUp") || Is("ObjDown")) {
        Fill(C, clSilver, Rect(2, 2, 11, 11));
        Fill(C, clNavy, Rect(5, 5, 14, 14));
        if (Is("ObjDown")) {
            Fill(C, clNavy, Rect(2, 2, 11, 11));
            Fill(C, clSilver, Rect(5, 5, 14, 14));
        }
    } else if (Is("PropEdit")) {
        Sheet(Rect(2, 1, 14, 15));
        Fill(C, clNavy, Rect(4, 4, 12, 5));
        Fill(C, clNavy, Rect(4, 7, 12, 8));
        Fill(C, clNavy, Rect(4, 10, 10, 11));
    } else if (Is("ObjFont")) {
        Letter(C, "F", clBlack, 1);
    } else if (Is("ObjFontColor")) {
        Letter(C, "A", clBlack, 1);
        Fill(C, clRed, Rect(1, 13, 15, 16));
    } else if (Is("ObjBackgroundColor")) {
        Fill(C, clYellow, Rect(1, 1, 15, 15));
        Frame(C, clBlack, Rect(1, 1, 15, 15));
    } else if (Is("ObjFontBold")) {
        Letter(C, "Ж", clBlack, 1);
    } else if (Is("ObjFontItalic")) {
        Letter(C, "К", clBlack, 2);
    } else if (Is("ObjFontUnderLine")) {
        Letter(C, "Ч", clBlack, 4);
    } else if (Is("ObjLeftJustify")) {
        Lines(C, 0, 3);
    } else if (Is("ObjRightJustify")) {
        Lines(C, 1, 3);
    } else if (Is("ObjHorzCenter")) {
        Lines(C, 2, 3);
    } else if (Is("ObjVertTop") || Is("ObjVertCenter") || Is("ObjVertBottom")) {
        Frame(C, clGray, Rect(1, 1, 15, 15));
        const int Top = Is("ObjVertTop") ? 3 : Is("ObjVertCenter") ? 7 : 11;
        Fill(C, clBlack, Rect(4, Top, 12, Top + 2));
    } else if (Is("ObjVertHorzText")) {
        C->Font()->SetOrientation(900);
        C->Font()->SetName("Arial");
        C->Font()->SetHeight(-11);
        C->Font()->SetColor(clBlack);
        C->Brush()->SetStyle(bsClear);
        C->TextOut(3, 14, "Ab");
        C->Brush()->SetStyle(bsSolid);
        C->Font()->SetOrientation(0);
    } else if (Is("ShapeRound")) {
        Side(15);
    } else if (Is("ShapeLeft")) {
        Side(4);
    } else if (Is("ShapeRight")) {
        Side(1);
    } else if (Is("ShapeTop")) {
        Side(8);
    } else if (Is("ShapeBottom")) {
        Side(2);
    } else if (Is("PropGridShow") || Is("PropGridSnap")) {
        for (int Y = 2; Y < 15; Y += 4)
            for (int X = 2; X < 15; X += 4)
                C->SetPixels(X, Y, clBlack);
        if (Is("PropGridSnap"))
            Fill(C, clRed, Rect(5, 5, 11, 11));
    } else if (Is("PropReport")) {
        Sheet(Rect(2, 1, 14, 15));
        Fill(C, clGray, Rect(4, 4, 12, 6));
    } else if (Is("PgCheck")) {
        Sheet(Rect(2, 1, 14, 15));
        Frame(C, clRed, Rect(4, 3, 12, 13));
    }
}

}  // namespace

TImageList* MakeToolImages(TComponent* AOwner)
{
    auto* List = new TImageList(AOwner);
    List->SetWidth(16);
    List->SetHeight(16);
    for (const char* Name : ImageNames) {
        TBitmap B;
        B.SetSize(16, 16);
        TCanvas* C = B.Canvas();
        Fill(C, clFuchsia, Rect(0, 0, 16, 16));
        DrawGlyph(C, Name);
        List->AddMasked(&B, clFuchsia);
    }
    return List;
}

int ToolImageOf(const AnsiString& Name)
{
    for (size_t I = 0; I < ImageNames.size(); ++I)
        if (Name == ImageNames[I])
            return static_cast<int>(I);
    return -1;
}

}  // namespace design_form

// ---- commands ---------------------------------------------------------------------------------------

void TDesignForm::aDocSaveExit(TObject*)
{
    Leave(1);
}

void TDesignForm::aDocExit(TObject*)
{
    Leave(2);
}

void TDesignForm::aDocSave(TObject*)
{
    DoSave();
}

void TDesignForm::aDocReload(TObject*)
{
    DoReload();
}

void TDesignForm::aDocPreview(TObject*)
{
    DoPreview();
}

void TDesignForm::aDocUndo(TObject*)
{
    Surface->DragCopy = nullptr;
    States->Undo();
    Surface->Layout();
    Surface->RedrawAll();
    NotifyChange(false);
}

void TDesignForm::aDocRedo(TObject*)
{
    Surface->DragCopy = nullptr;
    States->Redo();
    Surface->Layout();
    Surface->RedrawAll();
    NotifyChange(false);
}

void TDesignForm::aDocRedraw(TObject*)
{
    Surface->RedrawAll();
}

void TDesignForm::aDocScale(TObject* Sender)
{
    auto* A = dynamic_cast<TComponent*>(Sender);
    assert(A && "the zoom command comes from an action or a component");
    ChooseZoom(A->Tag());
}

void TDesignForm::aPropGridShow(TObject*)
{
    Document->DefDesigner->ShowGrid = !Document->DefDesigner->ShowGrid;
    PropGridShow->SetChecked(Document->DefDesigner->ShowGrid);
    Surface->RedrawAll();
}

void TDesignForm::aPropGridSnap(TObject*)
{
    Document->DefDesigner->SnapToGrid = !Document->DefDesigner->SnapToGrid;
    PropGridSnap->SetChecked(Document->DefDesigner->SnapToGrid);
}

void TDesignForm::aPropShowWhite(TObject*)
{
    Document->DefDesigner->ClearAsWhite = !Document->DefDesigner->ClearAsWhite;
    PropShowWhite->SetChecked(Document->DefDesigner->ClearAsWhite);
    Surface->RedrawAll();
}

void TDesignForm::EditOptionsPage(int Page)
{
    if (!EditOptions(Document, Page, cbFonts->Items(), cbFontSize->Items()))
        return;
    SetTitle();
    Surface->Layout();
    Surface->RedrawAll();
    NotifyChange(true);
}

void TDesignForm::aPropReport(TObject*)
{
    EditOptionsPage(OptPageDocument);
}

void TDesignForm::aPgProp(TObject*)
{
    EditOptionsPage(OptPageSheet);
}

void TDesignForm::aPropDesign(TObject*)
{
    EditOptionsPage(OptPageDesigner);
}

void TDesignForm::aPgNew(TObject*)
{
    NewPage();
}

void TDesignForm::aPgDel(TObject*)
{
    DeletePage();
}

void TDesignForm::aPgCheck(TObject*)
{
    CheckPrintArea(1);
}

void TDesignForm::aPgPrev(TObject*)
{
    PreviousPage = Document->PageIndex();
    const int N = Document->PageCount();
    ShowPage(PreviousPage == 0 ? N - 1 : PreviousPage - 1);
}

void TDesignForm::aPgNext(TObject*)
{
    PreviousPage = Document->PageIndex();
    const int N = Document->PageCount();
    ShowPage(PreviousPage >= N - 1 ? 0 : PreviousPage + 1);
}

void TDesignForm::aObjSelect(TObject*)
{
    TPage* P = Document->CurrentPage();
    if (!P)
        return;
    if (Document->SelectedCount() < 2) {
        for (int I = 0; I < P->ViewCount(); ++I)
            P->GetView(I)->SetSelected(true);
    } else {
        Surface->DeselectAll();
    }
    Surface->RedrawAll();
    NotifyChange(true);
}

void TDesignForm::SelectCornClick(TObject* Sender)
{
    aObjSelect(Sender);
}

void TDesignForm::aObjCut(TObject*)
{
    Surface->CutSelection();
}

void TDesignForm::aObjCopy(TObject*)
{
    Surface->CopySelection();
}

void TDesignForm::aObjPaste(TObject*)
{
    Surface->Paste();
}

void TDesignForm::aObjDelete(TObject*)
{
    Surface->DeleteSelected();
}

void TDesignForm::aObjUp(TObject*)
{
    Surface->ObjUp();
}

void TDesignForm::aObjDown(TObject*)
{
    Surface->ObjDown();
}

void TDesignForm::aObjPrev(TObject*)
{
    Surface->SelectPrevNext(false);
}

void TDesignForm::aObjNext(TObject*)
{
    Surface->SelectPrevNext(true);
}

void TDesignForm::aObjSelectBand(TObject*)
{
    TPage* P = Document->CurrentPage();
    if (!P)
        return;
    std::vector<TRect> Bands;
    for (int I = 0; I < P->ViewCount(); ++I)
        if (P->GetView(I)->Selected && P->GetView(I)->Kind == vkBandArea)
            Bands.push_back(P->GetView(I)->GetDisplayRect());
    for (const TRect& B : Bands)
        for (int I = 0; I < P->ViewCount(); ++I) {
            const TRect R = P->GetView(I)->GetDisplayRect();
            if (R.Top >= B.Top && R.Bottom <= B.Bottom && R.Left >= B.Left &&
                R.Right <= B.Right)
                P->GetView(I)->SetSelected(true);
        }
    Surface->RedrawAll();
    NotifyChange(true);
}

void TDesignForm::KeepSelection(bool (*Keep)(TView*))
{
    TPage* P = Document->CurrentPage();
    if (!P)
        return;
    for (int I = 0; I < P->ViewCount(); ++I) {
        TView* V = P->GetView(I);
        if (V->Selected && !Keep(V))
            V->SetSelected(false);
    }
    Surface->RedrawAll();
    NotifyChange(true);
}

void TDesignForm::aObjTextSelect(TObject*)
{
    KeepSelection(
        [](TView* V) { return V->Kind == vkText && !Trim(V->Lines->Text()).IsEmpty(); });
}

void TDesignForm::aObjShapeSelect(TObject*)
{
    KeepSelection([](TView* V) {
        return V->Kind == vkText && V->FrameTyp != 0 && Trim(V->Lines->Text()).IsEmpty();
    });
}

void TDesignForm::aPropEdit(TObject*)
{
    Surface->EditCurrent();
}

void TDesignForm::aToggleApply(TObject* Sender)
{
    auto* A = dynamic_cast<TAction*>(Sender);
    if (!A)
        return;
    A->SetChecked(!A->Checked());
    ClickDesign(A->Tag());
}

void TDesignForm::aHorzAlign(TObject* Sender)
{
    auto* A = dynamic_cast<TAction*>(Sender);
    for (TAction* B : {ObjLeftJustify, ObjRightJustify, ObjHorzCenter})
        B->SetChecked(B == A);
    ClickDesign(A->Tag());
}

void TDesignForm::aVertAlign(TObject* Sender)
{
    auto* A = dynamic_cast<TAction*>(Sender);
    for (TAction* B : {ObjVertTop, ObjVertCenter, ObjVertBottom})
        B->SetChecked(B == A);
    ClickDesign(A->Tag());
}

void TDesignForm::aObjFont(TObject*)
{
    TView* V = Surface->CurrentElement();
    if (!V)
        return;
    TFont* F = FontDialog->Font();
    F->SetName(V->FontName);
    F->SetSize(V->FontSize);
    F->SetColor(V->FontColor == RP_NoColor ? clBlack : V->FontColor);
    TFontStyles S;
    if (V->FontStyle & 2)
        S.Include(fsBold);
    if (V->FontStyle & 1)
        S.Include(fsItalic);
    if (V->FontStyle & 4)
        S.Include(fsUnderline);
    F->SetStyle(S);
    if (!FontDialog->Execute())
        return;
    const TRect Before = V->GetInvalidateRect();
    V->AssignFont(F);
    Surface->SetModified();
    Surface->Redraw(Before);
    Surface->Redraw(V->GetInvalidateRect());
    NotifyChange(true);
}

void TDesignForm::aObjFontColor(TObject*)
{
    ShowColorList(lbForeground, dynamic_cast<TToolButton*>(FindComponent("btFontColor")));
}

void TDesignForm::aObjBackgroundColor(TObject*)
{
    ShowColorList(lbBackground, dynamic_cast<TToolButton*>(FindComponent("btBackgroundColor")));
}

// ---- colour lists ------------------------------------------------------------------------------

void TDesignForm::ShowColorList(TListBox* List, TToolButton* Under)
{
    if (List->Visible()) {
        List->SetVisible(false);
        return;
    }
    int X = 0;
    int Y = 0;
    if (Under) {
        const TPoint P = ScreenToClient(Under->ClientToScreen(Point(0, Under->Height())));
        X = P.X;
        Y = P.Y;
    }
    const int H = List->Items()->Count() * List->ItemHeight() + 4;
    X = std::max(0, std::min(X, ClientWidth() - List->Width()));
    List->SetBounds(X, Y, List->Width(), H);
    List->SetVisible(true);
    List->BringToFront();
    if (List->CanFocus())
        List->SetFocus();
}

void TDesignForm::ColorListDraw(TWinControl* Control, int Index, const TRect& Rect,
                                TOwnerDrawState)
{
    auto* List = dynamic_cast<TListBox*>(Control);
    TCanvas* C = List->Canvas();
    C->Brush()->SetColor(clWindow);
    C->FillRect(Rect);
    if (Index == List->Items()->Count() - 1) {
        C->Font()->SetColor(clWindowText);
        C->TextOut(Rect.Left + 4, Rect.Top + 1, "Другой"_a);
        return;
    }
    const TColor Colour = IndexToColor(Index);
    const TRect Swatch = ::Rect(Rect.Left + 3, Rect.Top + 3, Rect.Right - 3, Rect.Bottom - 3);
    C->Brush()->SetColor(Colour == RP_NoColor ? clSilver : Colour);
    C->FillRect(Swatch);
    if (Colour == RP_NoColor) {
        for (int Dy : {4, 6, 8})
            design_form::FillRectIn(C, clWhite, ::Rect(Rect.Left + 4, Rect.Top + Dy, Rect.Left + 49,
                                      Rect.Top + Dy + 1));
    }
    if (Index == List->ItemIndex()) {
        C->Brush()->SetColor(clWhite);
        C->FrameRect(::Rect(Rect.Left + 2, Rect.Top + 2, Rect.Right - 2, Rect.Bottom - 2));
    }
}

void TDesignForm::ColorListClick(TObject* Sender)
{
    auto* List = dynamic_cast<TListBox*>(Sender);
    const int Index = List->ItemIndex();
    if (Index < 0)
        return;
    const bool Background = List == lbBackground;
    TColor& Target = Background ? CurrentFillColor : CurrentFontColor;
    if (Index == List->Items()->Count() - 1) {
        TView* V = Document->SelectedCount() > 0 ? Surface->CurrentElement() : nullptr;
        ColorDialog->SetColor(V ? (Background ? V->FillColor : V->FontColor) : Target);
        List->SetVisible(false);
        if (!ColorDialog->Execute())
            return;
        Target = ColorDialog->Color();
    } else {
        Target = IndexToColor(Index);
        List->SetVisible(false);
    }
    ClickDesign(Background ? 5 : 17);
}

void TDesignForm::ColorListExit(TObject* Sender)
{
    if (auto* L = dynamic_cast<TListBox*>(Sender))
        L->SetVisible(false);
}

// ---- band type ---------------------------------------------------------------------------------

void TDesignForm::ImageControlClick(TObject*)
{
    if (Document->SelectedCount() != 1)
        return;
    TView* V = Surface->CurrentElement();
    if (V->Kind != vkBandArea) {
        Surface->EditCurrent();
        return;
    }
    const TPoint P = ScreenToClient(
        btImageControl->ClientToScreen(Point(0, btImageControl->Height())));
    lbNameBand->SetBounds(P.X, P.Y, lbNameBand->Width(), lbNameBand->Height());
    lbNameBand->SetItemIndex(V->BandTyp <= btOverlay ? V->BandTyp : -1);
    lbNameBand->SetVisible(true);
    lbNameBand->BringToFront();
    if (lbNameBand->CanFocus())
        lbNameBand->SetFocus();
}

void TDesignForm::NameBandClick(TObject*)
{
    const int Type = lbNameBand->ItemIndex();
    lbNameBand->SetVisible(false);
    if (Type >= 0)
        SetBandType(Type);
}

void TDesignForm::SetBandType(int Type)
{
    TPage* P = Document->CurrentPage();
    if (!P || Document->SelectedCount() != 1)
        return;
    TView* V = Surface->CurrentElement();
    if (V->Kind != vkBandArea || V->BandTyp == Type)
        return;
    const bool Single = Type == btPageHeader || Type == btPageFooter || Type == btOverlay ||
                        Type == btNone;
    if (Single) {
        for (int I = 0; I < P->ViewCount(); ++I) {
            const TView* O = P->GetView(I);
            if (O != V && O->Kind == vkBandArea && O->BandTyp == Type) {
                ErrorMsg("Диапазон: \""_a + Document->BandName(Type) + "\"\r\n" +
                         "не может иметь дубликатов"_a);
                return;
            }
        }
    }
    Surface->SetModified();
    V->BandTyp = static_cast<Byte>(Type);
    if (Type == btOverlay)
        Surface->OrderBands();
    Surface->RedrawAll();
    NotifyChange(true);
}

// ---- property tags -------------------------------------------------------------------------------

void TDesignForm::ControlDesign(TObject* Sender)
{
    if (auto* C = dynamic_cast<TComponent*>(Sender))
        ClickDesign(C->Tag());
}

void TDesignForm::FontSizeKeyDown(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_RETURN) {
        ClickDesign(8);
        Key = 0;
    }
}

void TDesignForm::ClickDesign(int Tag)
{
    if (IsUpdating() || !Document)
        return;
    TPage* P = Document->CurrentPage();
    if (!P)
        return;
    TRect Area;
    bool Any = false;
    bool Reorder = false;
    const auto SetBit = [](Word& Bits, Word Bit, bool On) {
        Bits = On ? (Bits | Bit) : (Bits & ~Bit);
    };
    for (int I = 0; I < P->ViewCount(); ++I) {
        TView* V = P->GetView(I);
        if (!V->Selected || (V->Kind == vkBandArea && Tag != 16))
            continue;
        Surface->SetModified();
        const TRect Before = V->GetInvalidateRect();
        switch (Tag) {
        case 1: SetBit(V->FrameTyp, 8, ShapeTop->Checked()); break;
        case 2: SetBit(V->FrameTyp, 4, ShapeLeft->Checked()); break;
        case 3: SetBit(V->FrameTyp, 2, ShapeBottom->Checked()); break;
        case 4: SetBit(V->FrameTyp, 1, ShapeRight->Checked()); break;
        case 19: V->FrameTyp = ShapeRound->Checked() ? 15 : 0; break;
        case 5: V->FillColor = CurrentFillColor; break;
        case 17: V->FontColor = CurrentFontColor; break;
        case 6: V->FrameWidth = udFrameWidth->Position(); break;
        case 7:
            if (cbFonts->ItemIndex() >= 0)
                V->FontName = cbFonts->Text().SubString(1, 79);
            break;
        case 8: V->FontSize = StrToIntDef(cbFontSize->Text(), V->FontSize); break;
        case 9: {
            Word S = V->FontStyle;
            SetBit(S, 2, ObjFontBold->Checked());
            V->FontStyle = S;
            break;
        }
        case 10: {
            Word S = V->FontStyle;
            SetBit(S, 1, ObjFontItalic->Checked());
            V->FontStyle = S;
            break;
        }
        case 18: {
            Word S = V->FontStyle;
            SetBit(S, 4, ObjFontUnderLine->Checked());
            V->FontStyle = S;
            break;
        }
        case 11: V->SetHorzAlign(0); break;
        case 12: V->SetHorzAlign(1); break;
        case 13: V->SetHorzAlign(2); break;
        case 15: V->SetVertAlign(0); break;
        case 22: V->SetVertAlign(0x08); break;
        case 23: V->SetVertAlign(0x80); break;
        case 14: V->SetVertical(ObjVertHorzText->Checked()); break;
        case 16: break;
        case 20: V->SC = ObjAutoSize->Checked(); break;
        case 21: V->SetWordWrap(ObjWordWrap->Checked()); break;
        default: break;
        }
        const TRect Both = V->GetInvalidateRect();
        const TRect U = Rect(std::min(Before.Left, Both.Left), std::min(Before.Top, Both.Top),
                             std::max(Before.Right, Both.Right),
                             std::max(Before.Bottom, Both.Bottom));
        Area = Any ? Rect(std::min(Area.Left, U.Left), std::min(Area.Top, U.Top),
                          std::max(Area.Right, U.Right), std::max(Area.Bottom, U.Bottom))
                   : U;
        Any = true;
    }
    if (Tag == 16) {
        SetBandType(lbNameBand->ItemIndex());
        return;
    }
    if (!Any)
        return;
    if (Document->SelectedCount() == 1 && !Reorder)
        Surface->Redraw(Area);
    else
        Surface->RedrawAll();
    NotifyChange(true);
}

// ---- tools ------------------------------------------------------------------------------------

TToolButton* TDesignForm::DownTool() const
{
    for (TToolButton* B : {btNewMemo, btNewRect, btNewBitmap, btNewOwnerDraw, btNewBand})
        if (B->Down())
            return B;
    return nullptr;
}

void TDesignForm::ChooseTool(TToolButton* Button, bool Repeat)
{
    for (TToolButton* B : {btSelect, btNewMemo, btNewRect, btNewBitmap, btNewOwnerDraw, btNewBand})
        B->SetDown(B == Button);
    Surface->SelectTool = Button == btSelect;
    Surface->RepeatTool = Repeat && Button != btSelect;
    Surface->SetCursor(Surface->SelectTool ? crArrow : crCross);
    Surface->SurfaceCursor = Surface->SelectTool ? crArrow : crCross;
}

void TDesignForm::ToolClick(TObject* Sender)
{
    ChooseTool(dynamic_cast<TToolButton*>(Sender), ShiftDown || GetKeyState(VK_SHIFT) < 0);
}

// ---- keys and wheel -------------------------------------------------------------------------------

void TDesignForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (HandleKey(Key, Shift))
        Key = 0;
}

void TDesignForm::FormShortCut(TWMKey& Msg, bool& Handled)
{
    // The surface's moving keys come here first: the window would take
    // arrows, Tab, Enter and Esc for moving the focus between controls.
    switch (Msg.CharCode) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
        Handled = HandleKey(Msg.CharCode, KeyDataToShiftState(Msg.KeyData));
        break;
    default: break;
    }
}

bool TDesignForm::KeyDown(Word Key, TShiftState Shift)
{
    return HandleKey(Key, Shift);
}

void TDesignForm::KeyUp(Word Key)
{
    Word K = Key;
    FormKeyUp(this, K, {});
}

void TDesignForm::FormKeyUp(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_SHIFT)
        ShiftDown = false;
    if (Key == VK_CONTROL) {
        CtrlDown = false;
        Surface->CtrlChanged(false);
    }
}

bool TDesignForm::HandleKey(Word Key, TShiftState Shift)
{
    if (!Document || !Document->CurrentPage() || Closing)
        return false;
    if (Key == VK_SHIFT) {
        ShiftDown = true;
        return false;
    }
    if (Key == VK_CONTROL) {
        CtrlDown = true;
        Surface->CtrlChanged(true);
        return false;
    }
    if (Shift.Contains(ssAlt))
        return false;
    // Keys typed into the font lists stay theirs.
    if (ActiveControl() == cbFontSize || ActiveControl() == cbFonts)
        return false;
    const bool S = Shift.Contains(ssShift);
    const bool C = Shift.Contains(ssCtrl);
    const int Selected = Document->SelectedCount();
    switch (Key) {
    case VK_ESCAPE:
        if (lbNameBand->Visible() || lbBackground->Visible() || lbForeground->Visible()) {
            for (TListBox* L : {lbNameBand, lbBackground, lbForeground})
                L->SetVisible(false);
            return true;
        }
        Surface->EscapePressed();
        return true;
    case VK_DELETE:
        if (Selected == 0)
            return false;
        Surface->DeleteSelected();
        return true;
    case VK_RETURN:
        if (Selected != 1)
            return false;
        Surface->EditCurrent();
        return true;
    case VK_PRIOR:
    case VK_NEXT:
        if (S || C)
            return false;
        ScrollBy(true, (Key == VK_NEXT ? 1 : -1) * PageStep(sb->ClientHeight()));
        return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
        const bool Horz = Key == VK_LEFT || Key == VK_RIGHT;
        const int Sign = Key == VK_LEFT || Key == VK_UP ? -1 : 1;
        if (!S && !C) {
            TControlScrollBar* Bar = Horz ? sb->HorzScrollBar() : sb->VertScrollBar();
            ScrollBy(!Horz, Sign * std::max(Bar->Increment(), 1));
            return true;
        }
        if (Selected == 0) {
            ScrollBy(!Horz, Sign * PageStep(Horz ? sb->ClientWidth() : sb->ClientHeight()));
            return true;
        }
        const int Step = S && C ? Document->DefDesigner->GridSize : 1;
        Surface->NudgeSelection(Horz ? Sign * Step : 0, Horz ? 0 : Sign * Step, S && !C);
        return true;
    }
    case VK_TAB:
        if (!C)
            return false;
        {
            const int Left = Document->PageIndex();
            ShowPage(std::min(PreviousPage, Document->PageCount() - 1));
            PreviousPage = Left;
        }
        return true;
    case VK_INSERT:
        if (C) {
            Surface->CopySelection();
            return true;
        }
        if (S) {
            Surface->Paste();
            return true;
        }
        return false;
    default: break;
    }
    if (!C)
        return false;
    switch (Key) {
    case 'S': DoSave(); return true;
    case 'V': Surface->Paste(); return true;
    case 'X': Surface->CutSelection(); return true;
    case 'C': Surface->CopySelection(); return true;
    default: break;
    }
    if (Key >= '0' && Key <= '9') {
        const int Wanted = Key == '0' ? 9 : Key - '1';
        const int Page = std::min(Wanted, Document->PageCount() - 1);
        if (Page != Document->PageIndex()) {
            PreviousPage = Document->PageIndex();
            ShowPage(Page);
        }
        return true;
    }
    return false;
}

void TDesignForm::FormMouseWheel(TObject*, TShiftState Shift, int WheelDelta, TPoint,
                                 bool& Handled)
{
    Handled = true;
    const int Step = Shift.Contains(ssCtrl) ? 90 : 30;
    ScrollBy(!Shift.Contains(ssShift), WheelDelta > 0 ? -Step : Step);
}

// ---- file commands -----------------------------------------------------------------------------

namespace {

constexpr char TemplateFilter[] =
    "Все файлы (*.*)|*.*|Файлы документов (*.dc*)|*.dc*";

}  // namespace

void TDesignForm::SaveAsClick(TObject*)
{
    auto Dialog = std::make_unique<TSaveDialog>(nullptr);
    Dialog->SetFilter(AnsiString::FromUtf8(TemplateFilter));
    Dialog->SetFilterIndex(1);
    const AnsiString Name = ExpandFileName(Document->NameSaveFile());
    Dialog->SetInitialDir(ExtractFilePath(Name));
    Dialog->SetFileName(ExtractFileName(Name));
    if (!Dialog->Execute())
        return;
    Document->SetNameSaveFile(Dialog->FileName());
    DoSave();
}

void TDesignForm::OpenNewWindowClick(TObject*)
{
    auto Dialog = std::make_unique<TOpenDialog>(nullptr);
    Dialog->SetFilter(AnsiString::FromUtf8(TemplateFilter));
    Dialog->SetFilterIndex(1);
    const AnsiString Name = ExpandFileName(Document->NameSaveFile());
    Dialog->SetInitialDir(ExtractFilePath(Name));
    Dialog->SetFileName(ExtractFileName(Name));
    if (!Dialog->Execute())
        return;
    auto Second = std::make_unique<TDocument>(nullptr);
    Second->SetNameSaveFile(Dialog->FileName());
    Second->Load();
    Second->ReadOnly = true;
    Second->Design(/*Modal=*/true);
    Application->ProcessMessages();
}
