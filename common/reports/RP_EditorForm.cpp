#include "common/reports/RP_EditorForm.h"

#include "common/reports/RP_DialogKit.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_VarForm.h"
#include "common/reports/RP_View.h"

#include "common/components/MsgWin.h"
#include "common/components/YLDCompn.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(TEditorForm)

using namespace RP_Dlg;

namespace {

/// The text editor's unit choice, kept until the program ends.
int gTextUnitChoice = CoordUndecided;

const char* const Types3d[] = {"Нет", "Выпуклый (Raised)", "Вдавленный (Lowered)",
                               "Тень (Shadow)", "Окантовка (Rounded)"};

TPanel* AddPanel(TWinControl* Parent, const char* Name, TAlign Align, int Size)
{
    auto* P = new TPanel(Parent->Owner());
    P->SetName(Name);
    P->SetParent(Parent);
    P->SetAlign(Align);
    if (Align == alLeft || Align == alRight)
        P->SetWidth(Size);
    else
        P->SetHeight(Size);
    P->SetBevelOuter(bvNone);
    P->SetCaption("");
    return P;
}

}  // namespace

bool EditText(TDocument* Document, TView* View)
{
    return RunElementEditor<TEditorForm>(Document, View);
}

TEditorForm::TEditorForm(TComponent* AOwner) : TForm(AOwner)
{
    const LoadingScope Loading(this);
    BuildControls();
}

TEditorForm::~TEditorForm() = default;

void TEditorForm::BuildControls()
{
    SetUpElementEditor(this, "EditorForm", "Редактор текста"_a, 560, 400, 434, 400);

    bar = new TStatusBar(this);
    bar->SetName("bar");
    bar->SetParent(this);
    bar->SetAlign(alBottom);
    bar->SetSimplePanel(true);

    TPanel* Buttons = AddPanel(this, "pnButtons", alBottom, 36);
    btVar = AddButton(Buttons, "btVar", "Переменная"_a, mrNone, 8, 6, 84);
    btVar->SetHint("Вставить переменную отчета\r\n(Ins)"_a);
    btVar->SetShowHint(true);
    btVar->OnClick = TNotifyEvent(this, &TEditorForm::btVarClick);
    Button4 = AddButton(Buttons, "Button4", "Очистить"_a, mrNone, 98, 6, 76);
    Button4->SetHint("Удалить текст\r\n(Ctrl+Del)"_a);
    Button4->SetShowHint(true);
    Button4->OnClick = TNotifyEvent(this, &TEditorForm::Button4Click);
    TPanel* Closing = AddPanel(Buttons, "pnClose", alRight, 166);
    btOk = AddButton(Closing, "btOk", "ОК"_a, mrNone, 2, 6, 76);
    btOk->SetDefault(true);
    btOk->OnClick = TNotifyEvent(this, &TEditorForm::btOkClick);
    btCancel = AddButton(Closing, "btCancel", "Отмена"_a, mrCancel, 84, 6, 76);
    btCancel->SetCancel(true);

    TPanel* Right = AddPanel(this, "pnRight", alRight, 214);
    Coords = std::make_unique<ViewCoordGroup>(Right, 6, 2, gTextUnitChoice);

    gbOpt = AddGroup(Right, "gbOpt", "  Опции  "_a, 6, 176, 200, 96);
    StrCheck = AddCheck(gbOpt, "StrCheck", "Авторазмер секции"_a, 10, 16, 180);
    cbWordWrap = AddCheck(gbOpt, "cbWordWrap", "Перенос по словам"_a, 10, 34, 180);
    cbWordWrap->OnClick = TNotifyEvent(this, &TEditorForm::cbWordWrapClick);
    cbTextToFrame = AddCheck(gbOpt, "cbTextToFrame", "Вписать в размер"_a, 10, 52, 180);
    AddLabel(gbOpt, "Тэг"_a, 10, 74);
    edTag = AddInteger(gbOpt, "edTag", 40, 70, 60);
    cb3DEffect = AddCheck(gbOpt, "cb3DEffect", "3D", 120, 72, 60);
    cb3DEffect->OnClick = TNotifyEvent(this, &TEditorForm::cb3DEffectClick);

    gb3D = AddGroup(Right, "gb3D", "  3D эффекты  "_a, 6, 274, 200, 70);
    gb3D->SetEnabled(false);
    AddLabel(gb3D, "Тень"_a, 10, 20);
    edShadowLen = AddInteger(gb3D, "edShadowLen", 40, 16, 40);
    edShadowLen->SetMinValue(0);
    edShadowLen->SetMaxValue(20);
    edShadowLen->SetValue(1);
    AddLabel(gb3D, "Цвет"_a, 88, 20);
    edShadowColor = new Tyl_ComboEdit(this);
    edShadowColor->SetName("edShadowColor");
    edShadowColor->SetParent(gb3D);
    edShadowColor->SetBounds(116, 16, 76, 21);
    edShadowColor->SetDirectInput(false);
    edShadowColor->SetGlyphKind(gkEllipsis);
    edShadowColor->SetText("Нет"_a);
    edShadowColor->OnButtonClick = TNotifyEvent(this, &TEditorForm::edShadowColorButtonClick);
    AddLabel(gb3D, "Тип"_a, 10, 46);
    cbType3d = new TComboBox(this);
    cbType3d->SetName("cbType3d");
    cbType3d->SetParent(gb3D);
    cbType3d->SetBounds(40, 42, 152, 21);
    cbType3d->SetStyle(csDropDownList);
    for (const char* T : Types3d)
        cbType3d->Items()->Add(AnsiString::FromUtf8(T));

    M1 = new TMemo(this);
    M1->SetName("M1");
    M1->SetParent(this);
    M1->SetAlign(alClient);
    M1->SetScrollBars(ssBoth);
    M1->SetWordWrap(false);
    M1->SetWantTabs(true);
    M1->OnKeyDown = TKeyEvent(this, &TEditorForm::M1KeyDown);
    M1->OnKeyUp = TKeyEvent(this, &TEditorForm::M1KeyUp);
    M1->OnClick = TNotifyEvent(this, &TEditorForm::ShowCaret);

    ColorDialog1 = new TColorDialog(this);
    ColorDialog1->SetName("ColorDialog1");
}

void TEditorForm::FormShow(TObject*)
{
    if (CloseWithoutElement(*this, View))
        return;
    M1->Lines()->Assign(View->Lines.get());
    M1->SetSelStart(0);
    M1->SetSelLength(0);
    const bool IsText = View->Kind == vkText;
    SetChildControlsEnabled(gbOpt, IsText);
    btVar->SetEnabled(IsText);
    if (IsText) {
        StrCheck->SetChecked(View->SC);
        cbTextToFrame->SetChecked(View->DrawTextToFrame);
        cbWordWrap->SetChecked(View->WordWrap());
    }
    cbWordWrapClick(nullptr);
    Coords->Fill(*View, Document && Document->DefDesigner->CoordMM);
    edTag->SetValue(View->Tag);
    cb3DEffect->SetChecked(View->Show3d);
    cbType3d->SetItemIndex(std::clamp<int>(View->Type3d, 0, 4));
    edShadowLen->SetValue(View->ShadowLen);
    PickedShadowColor = View->ShadowColor;
    edShadowColor->SetText(ColorToString(PickedShadowColor));
    cb3DEffectClick(nullptr);
    M1->SetFocus();
    ShowCaret(nullptr);
}

void TEditorForm::ShowCaret(TObject*)
{
    const TPoint Caret = M1->CaretPos();
    bar->SetSimpleText(IntToStr(Caret.Y + 1) + " : " + IntToStr(Caret.X + 1));
}

void TEditorForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    AnswerEditorKey(*this, Key, Shift);
}

void TEditorForm::M1KeyDown(TObject*, Word& Key, TShiftState Shift)
{
    const bool Ctrl = Shift == TShiftState{ssCtrl};
    if (Key == VK_INSERT && Shift.Empty() && btVar->Enabled()) {
        Key = 0;
        btVarClick(nullptr);
    } else if (Ctrl && (Key == VK_BACK || Key == VK_DELETE)) {
        Key = 0;
        Button4Click(nullptr);
    }
    ShowCaret(nullptr);
}

void TEditorForm::M1KeyUp(TObject*, Word&, TShiftState)
{
    ShowCaret(nullptr);
}

void TEditorForm::cbWordWrapClick(TObject*)
{
    const bool Wrap = cbWordWrap->Checked();
    M1->SetWordWrap(Wrap);
    M1->SetScrollBars(Wrap ? ssVertical : ssBoth);
}

void TEditorForm::cb3DEffectClick(TObject*)
{
    SetChildControlsEnabled(gb3D, cb3DEffect->Checked());
}

void TEditorForm::btVarClick(TObject*)
{
    const AnsiString Name = SelectVariable(Document);
    // Typed in where the caret stands; what the operator copied stays on
    // the clipboard.
    if (!Name.IsEmpty())
        M1->SetSelText(Name);
    M1->SetFocus();
    ShowCaret(nullptr);
}

void TEditorForm::Button4Click(TObject*)
{
    M1->Clear();
    M1->SetFocus();
    ShowCaret(nullptr);
}

void TEditorForm::edShadowColorButtonClick(TObject*)
{
    ColorDialog1->SetColor(PickedShadowColor);
    if (!ColorDialog1->Execute())
        return;
    PickedShadowColor = ColorDialog1->Color();
    edShadowColor->SetText(ColorToString(PickedShadowColor));
}

void TEditorForm::btOkClick(TObject*)
{
    if (View)
        Store();
    SetModalResult(mrOk);
}

void TEditorForm::Store()
{
    // Numbers first: an edit without one stops here and the element stays
    // as it was.
    const Integer Tag = edTag->Value();
    const Integer ShadowLen = edShadowLen->Value();
    Coords->Store(*View);

    // Lines as typed, not as the memo wraps them for showing.
    M1->SetWordWrap(false);
    View->Lines->Assign(M1->Lines());
    if (View->Kind == vkText) {
        View->SC = StrCheck->Checked();
        View->SetWordWrap(cbWordWrap->Checked());
        View->DrawTextToFrame = cbTextToFrame->Checked();
    }
    View->Tag = Tag;
    View->Show3d = cb3DEffect->Checked();
    View->Type3d = static_cast<Byte>(std::max(cbType3d->ItemIndex(), 0));
    View->ShadowLen = ShadowLen;
    View->ShadowColor = PickedShadowColor;
}
