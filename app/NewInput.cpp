#include "app/NewInput.h"

#include "common/FuncsVCL.h"
#include "common/MsgWin.h"
#include "platform/gui/Windows.h"
#include "platform/rtl/Ticks.h"

PRICETAGS_DEFINE_CLASS(TFormNewInput)

namespace {
constexpr int HeaderHeight = 34;
constexpr int ButtonsHeight = 40;
} // namespace

TFormNewInput::TFormNewInput(TComponent* AOwner) : TForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildBase();
    }
    SetComponentsFonts(this, {nullptr});
}

TFormNewInput::~TFormNewInput() = default;

void TFormNewInput::BuildBase()
{
    SetName("FormNewInput");
    SetCaption("Шаблон для форм ввода"_a);
    SetBorderStyle(bsDialog);
    SetPosition(poOwnerFormCenter);
    SetKeyPreview(true);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    SetClientWidth(400);
    SetClientHeight(HeaderHeight + ButtonsHeight + 100);

    pnHeader = new TPanel(this);
    pnHeader->SetName("pnHeader");
    pnHeader->SetParent(this);
    pnHeader->SetAlign(alTop);
    pnHeader->SetHeight(HeaderHeight);
    pnHeader->SetBevelOuter(bvLowered);
    pnHeader->SetCaption("");

    lbMode = new TExLabel(this);
    lbMode->SetName("lbMode");
    lbMode->SetParent(pnHeader);
    lbMode->SetAlign(alClient);
    lbMode->SetAlignment(taCenter);
    lbMode->SetLayout(tlCenter);
    lbMode->SetTag(101);
    lbMode->Font()->SetName("Times New Roman");
    lbMode->Font()->SetHeight(-19);
    lbMode->Font()->SetStyle({fsBold});
    lbMode->Font()->SetColor(clNavy);
    lbMode->SetTextStyle(tsShadow);
    lbMode->SetShadowColor(clWhite);
    lbMode->SetCaption("Режим"_a);

    pnButtons = new TPanel(this);
    pnButtons->SetName("pnButtons");
    pnButtons->SetParent(this);
    pnButtons->SetAlign(alBottom);
    pnButtons->SetHeight(ButtonsHeight);
    pnButtons->SetBevelOuter(bvNone);
    pnButtons->SetCaption("");

    btOk = new TButton(this);
    btOk->SetName("btOk");
    btOk->SetParent(pnButtons);
    btOk->SetCaption("Ok");
    btOk->SetModalResult(mrOk);
    btOk->SetBounds(0, 8, 97, 25);
    btOk->OnClick = TNotifyEvent(this, &TFormNewInput::btOkClick);

    btCancel = new TButton(this);
    btCancel->SetName("btCancel");
    btCancel->SetParent(pnButtons);
    btCancel->SetCaption("Отмена"_a);
    btCancel->SetModalResult(mrCancel);
    btCancel->SetCancel(true);
    btCancel->SetBounds(0, 8, 97, 25);
    btCancel->OnClick = TNotifyEvent(this, &TFormNewInput::btCancelClick);

    OnShow = TNotifyEvent(this, &TFormNewInput::FormShowBase);
    OnKeyDown = TKeyEvent(this, &TFormNewInput::FormKeyDown);
    OnKeyPress = TKeyPressEvent(this, &TFormNewInput::FormKeyPress);
}

void TFormNewInput::SetBodySize(int Width, int Height)
{
    SetClientWidth(Width);
    SetClientHeight(HeaderHeight + Height + ButtonsHeight);
    // The two buttons sit at the right, the confirming one first.
    btCancel->SetLeft(Width - 8 - btCancel->Width());
    btOk->SetLeft(btCancel->Left() - 8 - btOk->Width());
}

void TFormNewInput::ShowAsLink(TLabel* Label)
{
    Label->Font()->SetColor(clBlue);
    Label->Font()->SetStyle({fsUnderline});
}

TLabel* TFormNewInput::AddLabel(const AnsiString& Caption, int Left, int Top)
{
    auto* L = new TLabel(this);
    L->SetParent(this);
    L->SetCaption(Caption);
    L->SetLeft(Left);
    L->SetTop(HeaderHeight + Top);
    return L;
}

void TFormNewInput::FormShowBase(TObject*)
{
    OkPressed = false;
    Cancelled = false;
    ShowTick = GetTickCount();
    DoShowDialog();
}

void TFormNewInput::DoCancel()
{
    Cancelled = true;
    SetModalResult(mrCancel);
    // A modal dialog ends with its result; Close would turn it into Cancel.
    if (!FormState().Contains(fsModal))
        Close();
}

void TFormNewInput::DoOk()
{
    OkPressed = true;
    SetModalResult(mrOk);
    if (!FormState().Contains(fsModal))
        Close();
}

void TFormNewInput::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (GetTickCount() - ShowTick < KeyGuardMs) {
        // A key held over from the window before must not answer this one.
        if (Key == VK_RETURN || Key == VK_ESCAPE)
            Key = 0;
        return;
    }
    if (Key == VK_ESCAPE && EscCancels) {
        Key = 0;
        DoCancel();
        return;
    }
    if (Key == VK_RETURN && EnterOk) {
        Key = 0;
        DoOk();
        return;
    }
    if ((Key == VK_UP || Key == VK_DOWN) && Shift.Contains(ssCtrl))
        ArrowKeysMoveFocus(this, Key, Shift);
}

void TFormNewInput::CMDialogKey(TCMDialogKey& Message)
{
    if ((Message.CharCode == VK_RETURN && EnterOk) || (Message.CharCode == VK_ESCAPE && EscCancels)) {
        Message.Result = 0;
        return;
    }
    inherited::CMDialogKey(Message);
}

void TFormNewInput::FormKeyPress(TObject*, char& Key)
{
    if (Key == '\r' || Key == '\n' || Key == '\x1B')
        Key = 0;
}

void TFormNewInput::btOkClick(TObject*)
{
    DoOk();
}

void TFormNewInput::btCancelClick(TObject*)
{
    DoCancel();
}
