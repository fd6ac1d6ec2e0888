#include "app/LogInfo.h"

#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "platform/classes/Strings.h"
#include "platform/winapi/Windows.h"

TFormView* FormView = nullptr;

PRICETAGS_DEFINE_CLASS(TFormView)

TFormView::TFormView(TComponent* AOwner) : TForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    DefCaption = Caption();
    DefMsg = lbMsg->Caption();
    RegisterForm(this);
    if (!FormView)
        FormView = this;
}

TFormView::~TFormView()
{
    if (FormView == this)
        FormView = nullptr;
}

void TFormView::BuildControls()
{
    SetName("FormView");
    SetCaption("Окно просмотра"_a);
    SetKeyPreview(true);
    SetPosition(poScreenCenter);
    SetClientWidth(640);
    SetClientHeight(400);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);

    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alTop);
    Panel1->SetHeight(45);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetBorderWidth(4);
    Panel1->SetCaption("");

    lbMsg = new TLabel(this);
    lbMsg->SetName("lbMsg");
    lbMsg->SetParent(Panel1);
    lbMsg->SetAlign(alClient);
    lbMsg->SetAlignment(taCenter);
    lbMsg->SetLayout(tlCenter);
    lbMsg->SetWordWrap(true);
    lbMsg->Font()->SetStyle({fsBold});
    lbMsg->SetCaption("Просмотр"_a);

    Memo = new TMemo(this);
    Memo->SetName("Memo");
    Memo->SetParent(this);
    Memo->SetAlign(alClient);
    Memo->SetReadOnly(true);
    Memo->SetScrollBars(ssBoth);
    Memo->SetWordWrap(false);
    Memo->Font()->SetName("Courier New");
    Memo->Font()->SetHeight(-13);
    Memo->Font()->SetCharset(RUSSIAN_CHARSET);

    OnShow = TNotifyEvent(this, &TFormView::FormShow);
    OnClose = TCloseEvent(this, &TFormView::FormClose);
    OnKeyPress = TKeyPressEvent(this, &TFormView::FormKeyPress);
}

void TFormView::FormShow(TObject*)
{
    if (Caption().IsEmpty())
        SetCaption(DefCaption);
}

void TFormView::FormClose(TObject*, TCloseAction&)
{
    lbMsg->SetCaption(DefMsg);
}

void TFormView::FormKeyPress(TObject*, char& Key)
{
    if (Key == VK_ESCAPE) {
        Key = 0;
        Close();
    }
}

void ShowTextView(const AnsiString& Title, const AnsiString& Msg, TStrings* Lines, bool Modal)
{
    if (!FormView)
        new TFormView(Application);
    TFormView& View = *FormView;
    if (View.Visible())
        View.Close();
    View.SetCaption(Title);
    View.lbMsg->SetCaption(Msg.IsEmpty() ? View.DefMsg : UnescapeNewLines(Msg));
    if (Lines)
        View.Memo->Lines()->Assign(Lines);
    else
        View.Memo->Lines()->Clear();
    View.Modal = Modal;
    ShowFormMode(&View, Modal);
}
