#include "common/WMsgs.h"

#include "common/Funcs.h"
#include "common/FuncsVCL.h"
#include "common/MsgWin.h"
#include "platform/classes/Strings.h"
#include "platform/gui/Messages.h"
#include "platform/gui/Windows.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* const SButtonsError = "FMsg.setButtons: Ошибка в параметрах";

/// Vertical space a panel's bevels and border take on each side.
int PanelFrame(const TPanel* P)
{
    int Frame = P->BorderWidth();
    if (P->BevelInner() != bvNone)
        Frame += P->BevelWidth();
    if (P->BevelOuter() != bvNone)
        Frame += P->BevelWidth();
    return Frame;
}

/// A caption among the arguments: a string, a C string or a character,
/// whose text ArgToStr gives as it stands.
bool IsTextArg(const TVarRec& Arg)
{
    return Arg.VType == vtAnsiString || Arg.VType == vtPChar || Arg.VType == vtChar;
}

/// The owner window of a new message window: the active form (another
/// message window passes it on to the next form), else the first form,
/// else the main form.
TCustomForm* OwnerFormFor(TFormMessage* Self)
{
    auto IsMsgWindow = [](TCustomForm* F) { return F && F->ClassName() == "TFormMsgWindow"; };
    auto Usable = [Self](TCustomForm* F) { return F && F != Self ? F : nullptr; };
    TCustomForm* Active = Usable(Screen->ActiveForm());
    if (Active && !IsMsgWindow(Active))
        return Active;
    if (Active)
        return Screen->FormCount() >= 2 ? Usable(Screen->Forms(1)) : Application->MainForm();
    if (Screen->FormCount() >= 2) {
        TCustomForm* First = Screen->Forms(0);
        return Usable(IsMsgWindow(First) ? Screen->Forms(1) : First);
    }
    return Application->MainForm();
}

} // namespace

Word NormaliseMsgStyle(Word Style)
{
    Word Buttons;
    if (Style & MsgStyleOkCancel)
        Buttons = MsgStyleOk | MsgStyleCancel;
    else if (Style & MsgStyleYesNo)
        Buttons = MsgStyleYes | MsgStyleNo;
    else if (Style & MsgStyleYes)
        Buttons = MsgStyleYes;
    else if (Style & MsgStyleNo)
        Buttons = MsgStyleNo;
    else if (Style & MsgStyleOk)
        Buttons = MsgStyleOk;
    else if (Style & MsgStyleCancel)
        Buttons = MsgStyleCancel;
    else
        Buttons = MsgStyleOk;
    return Word((Style & ~Word(0x3F)) | Buttons);
}

AnsiString MsgStyleHeader(Word Style)
{
    if (Style & MsgStyleError)
        return "Ошибка !!!"_a;
    if (Style & MsgStyleWarning)
        return "Внимание !!!"_a;
    if (Style & MsgStyleChoice)
        return "Выбор"_a;
    return "Сообщение"_a;
}

PRICETAGS_DEFINE_CLASS(TFormMessage)

TFormMessage::TFormMessage(TComponent* AOwner) : TForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    FormCreate();
    DoCreate();
}

TFormMessage::~TFormMessage()
{
    Timer1->SetEnabled(false);
    TimerStop->SetEnabled(false);
}

void TFormMessage::BuildControls()
{
    SetName("FormMessage");
    SetCaption("Сообщение"_a);
    SetBorderIcons({});
    SetBorderStyle(bsSingle);
    SetKeyPreview(true);
    SetPosition(poScreenCenter);
    SetClientWidth(424);
    SetClientHeight(242);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);

    pnHeader = new TPanel(this);
    pnHeader->SetName("pnHeader");
    pnHeader->SetParent(this);
    pnHeader->SetAlign(alTop);
    pnHeader->SetHeight(37);
    pnHeader->SetBevelInner(bvLowered);
    pnHeader->SetBevelOuter(bvNone);
    pnHeader->SetBevelWidth(2);
    pnHeader->SetBorderWidth(4);
    pnHeader->SetCaption("");

    lbTimer = new TExLabel(this);
    lbTimer->SetName("lbTimer");
    lbTimer->SetParent(pnHeader);
    lbTimer->SetAlign(alLeft);
    lbTimer->SetWidth(13);
    lbTimer->SetTag(101);
    lbTimer->SetAlignment(taCenter);
    lbTimer->SetVisible(false);
    lbTimer->SetCaption("");

    lbHeader = new TExLabel(this);
    lbHeader->SetName("lbHeader");
    lbHeader->SetParent(pnHeader);
    lbHeader->SetAlign(alClient);
    lbHeader->SetAlignment(taCenter);
    lbHeader->SetLayout(tlCenter);
    lbHeader->SetTag(101);
    lbHeader->SetCaption("Внимание !!!"_a);
    lbHeader->SetColor(clTeal);
    lbHeader->Font()->SetName("Times New Roman");
    lbHeader->Font()->SetHeight(-21);
    lbHeader->Font()->SetColor(clAqua);
    lbHeader->SetTextStyle(tsShadow);
    lbHeader->SetShadowColor(clBlack);

    pnButton = new TScrollBox(this);
    pnButton->SetName("pnButton");
    pnButton->SetParent(this);
    pnButton->SetAlign(alBottom);
    pnButton->SetHeight(41);
    pnButton->SetBorderStyle(bsNone);

    sb = new TScrollBox(this);
    sb->SetName("sb");
    sb->SetParent(this);
    sb->SetAlign(alClient);
    sb->SetBorderStyle(bsNone);

    lbWarnInform = new TLabel(this);
    lbWarnInform->SetName("lbWarnInform");
    lbWarnInform->SetParent(sb);
    lbWarnInform->SetAutoSize(false);
    lbWarnInform->SetBounds(4, 4, 413, 19);
    lbWarnInform->SetTag(2);
    lbWarnInform->SetWordWrap(true);
    lbWarnInform->Font()->SetName("Times New Roman");
    lbWarnInform->Font()->SetHeight(-16);
    lbWarnInform->Font()->SetStyle({fsBold});
    lbWarnInform->SetCaption("Заголовок :"_a);

    bv = new TBevel(this);
    bv->SetName("bv");
    bv->SetParent(sb);
    bv->SetBounds(8, 28, 405, 2);

    cbList = new TComboBox(this);
    cbList->SetName("cbList");
    cbList->SetParent(sb);
    cbList->SetStyle(csDropDownList);
    cbList->SetBounds(16, 40, 405, cbList->Height());
    cbList->SetVisible(false);
    cbList->OnChange = TNotifyEvent(this, &TFormMessage::cbListChange);

    lbWarn = new TLabel(this);
    lbWarn->SetName("lbWarn");
    lbWarn->SetParent(sb);
    lbWarn->SetAutoSize(false);
    lbWarn->SetBounds(4, 72, 413, 19);
    lbWarn->SetAlignment(taCenter);
    lbWarn->SetTag(2);
    lbWarn->SetWordWrap(true);
    lbWarn->Font()->SetName("Times New Roman");
    lbWarn->Font()->SetHeight(-16);
    lbWarn->Font()->SetStyle({fsBold});
    lbWarn->Font()->SetColor(clMaroon);
    lbWarn->SetCaption("Сообщение"_a);

    btCancelApp = new TBitBtn(this);
    btCancelApp->SetName("btCancelApp");
    btCancelApp->SetParent(sb);
    btCancelApp->SetBounds(392, 0, 25, 25);
    btCancelApp->SetCaption("X");
    btCancelApp->SetHint("Прекратить работу программы"_a);
    btCancelApp->SetShowHint(true);
    btCancelApp->SetVisible(false);
    btCancelApp->OnClick = TNotifyEvent(this, &TFormMessage::btCancelAppClick);

    btOk = new TBitBtn(this);
    btOk->SetName("btOk");
    btOk->SetParent(pnButton);
    btOk->SetBounds(28, 8, 97, 25);
    btOk->SetCaption("Ok");
    btOk->SetModalResult(mrOk);
    btOk->OnClick = TNotifyEvent(this, &TFormMessage::btOkClick);

    btCancel = new TBitBtn(this);
    btCancel->SetName("btCancel");
    btCancel->SetParent(pnButton);
    btCancel->SetBounds(132, 8, 97, 25);
    btCancel->SetCancel(true);
    btCancel->SetCaption("Отмена"_a);
    btCancel->SetModalResult(mrCancel);
    btCancel->OnClick = TNotifyEvent(this, &TFormMessage::btCancelClick);

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetInterval(3000);
    Timer1->SetEnabled(false);
    Timer1->OnTimer = TNotifyEvent(this, &TFormMessage::Timer1Timer);

    TimerStop = new TTimer(this);
    TimerStop->SetName("TimerStop");
    TimerStop->SetEnabled(false);
    TimerStop->OnTimer = TNotifyEvent(this, &TFormMessage::TimerStopTimer);

    OnShow = TNotifyEvent(this, &TFormMessage::FormShow);
    OnKeyDown = TKeyEvent(this, &TFormMessage::FormKeyDown);
}

void TFormMessage::FormCreate()
{
    Application->ProcessMessages();
    if (TCustomForm* Owner = OwnerFormFor(this))
        SetWindowLong(Handle(), GWL_HWNDPARENT, reinterpret_cast<intptr_t>(Owner->Handle()));
    Timer1->SetEnabled(false);
    TimerStop->SetEnabled(false);
    FCaptions = std::make_unique<TStringList>();
    FButtonPanelHeight = pnButton->Height();
    const TRect Work = Screen->WorkAreaRect();
    FMinClientWidth = 400 - 16;
    FMinClientHeight = 220 - 16;
    FMaxClientWidth = MulDiv(Work.Width() - (Width() - ClientWidth()), 9, 10) - 16;
    FMaxClientHeight = MulDiv(Work.Height() - (Height() - ClientHeight()), 9, 10) - 16;
    SetClientHeight(FMinClientHeight);
    SetClientWidth(FMinClientWidth);
    lbWarnInform->SetLeft(8);
    lbWarn->SetLeft(8);
    Reset();
    SetComponentsFonts(this, {});
}

void TFormMessage::Reset()
{
    FPressed = -1;
    FListIndex = -1;
    FDefaultButton = 1;
    FCancelButton = 0;
    FFormColor = clBtnFace;
    FFormFontColor = clWindowText;
    FHeaderColor = clBtnFace;
    FHeaderFontColor = clHighlightText;
    FHeaderShadowColor = clGrayText;
    FTitleFontColor = clWindowText;
    FTextFontColor = clWindowText;
    lbWarn->SetCaption("");
    lbWarnInform->SetCaption("");
    btOk->SetVisible(true);
    SetActiveControl(btOk);
    ClearGenerated();
    FVertical = false;
    FStyle = 0;
    SetStyle(MsgStyleOk);
    SetKeyPreview(true);
    lbHeader->SetTransparent(false);
}

void TFormMessage::ClearGenerated()
{
    for (int I = 0; I < FCaptions->Count(); ++I)
        delete FCaptions->Objects(I);
    FCaptions->Clear();
}

int TFormMessage::GeneratedCount() const
{
    return FCaptions->Count();
}

TBitBtn* TFormMessage::Generated(int Index) const
{
    return static_cast<TBitBtn*>(FCaptions->Objects(Index));
}

void TFormMessage::SetStyle(Word NewStyle)
{
    if (Visible())
        Close();
    if (NewStyle != 0 && NewStyle == FStyle)
        return;
    FStyle = NormaliseMsgStyle(NewStyle);
    SetKeyPreview(true);
    btCancelApp->SetVisible(false);
    if (FStyle & MsgStyleError) {
        lbHeader->SetCaption(MsgStyleHeader(FStyle));
        FHeaderColor = clRed;
        FHeaderFontColor = clYellow;
        FHeaderShadowColor = clBlack;
        FTitleFontColor = clNavy;
        FTextFontColor = clMaroon;
        btCancelApp->SetVisible(gDeveloperMode);
    } else if (FStyle & (MsgStyleWarning | MsgStyleChoice)) {
        lbHeader->SetCaption(MsgStyleHeader(FStyle));
        FHeaderColor = clTeal;
        FHeaderFontColor = clAqua;
        FHeaderShadowColor = clBlack;
        FTitleFontColor = clNavy;
    } else {
        lbHeader->SetCaption(MsgStyleHeader(FStyle));
    }
    ApplyColours();
}

void TFormMessage::ApplyColours()
{
    SetColor(FFormColor);
    Font()->SetColor(FFormFontColor);
    lbHeader->SetColor(FHeaderColor);
    lbHeader->Font()->SetColor(FHeaderFontColor);
    lbHeader->SetShadowColor(FHeaderShadowColor);
    lbWarnInform->Font()->SetColor(FTitleFontColor);
    lbWarn->Font()->SetColor(FTextFontColor);
}

void TFormMessage::SetHeader(const AnsiString& S)
{
    lbHeader->SetCaption(S);
}

void TFormMessage::SetTitle(const AnsiString& S)
{
    lbWarnInform->SetCaption(UnescapeNewLines(S));
}

AnsiString TFormMessage::GetTitle() const
{
    return lbWarnInform->Caption();
}

void TFormMessage::SetWarnText(const AnsiString& S)
{
    lbWarn->SetCaption(UnescapeNewLines(S));
}

AnsiString TFormMessage::GetWarnText() const
{
    return lbWarn->Caption();
}

void TFormMessage::setButtons(TVarRecs Buttons)
{
    ClearGenerated();
    int Index = 0;
    for (const TVarRec& Arg : Buttons) {
        if (Index == 0 && (Arg.VType == vtInteger || Arg.VType == vtInt64)) {
            const Int64 V = Arg.VType == vtInteger ? Arg.VInteger : Arg.VInt64;
            FDefaultButton = int(V & 0xFF);
            if ((V >> 8) & 0xFF)
                FCancelButton = int((V >> 8) & 0xFF);
        } else if (IsTextArg(Arg)) {
            FCaptions->Add(ArgToStr(Arg, AnsiString()));
        } else {
            RaiseAppError(SButtonsError);
        }
        ++Index;
    }
    if (Buttons.size() == 1)
        SetStyle(Word((FStyle & ~MsgStyleOkCancel) | MsgStyleYesNo));
}

void TFormMessage::SetList(TStrings* Items)
{
    if (!Items || Items->Count() == 0) {
        cbList->SetVisible(false);
        cbList->Items()->Clear();
        return;
    }
    cbList->Items()->Assign(Items);
    const auto Preset = static_cast<int>(reinterpret_cast<intptr_t>(Items->Objects(0)));
    cbList->SetItemIndex(std::clamp(Preset, 0, Items->Count() - 1));
    cbList->SetVisible(true);
    cbListChange(cbList);
}

TPoint TFormMessage::MeasureLabel(TLabel* Label, int Width) const
{
    return TextSizeWrapped(Label->Caption(), Label->Font(), Width);
}

int TFormMessage::ArrangeButtons()
{
    if (FCaptions->Count() == 0) {
        btOk->SetVisible(FStyle & (MsgStyleOk | MsgStyleYes));
        btCancel->SetVisible(FStyle & (MsgStyleCancel | MsgStyleNo));
        btOk->SetCaption(FStyle & (MsgStyleYes | MsgStyleNo | MsgStyleYesNo) ? "Да"_a
                                                                                 : AnsiString("Ok"));
        if (btCancel->Visible()) {
            FCancelButton = 2;
            btCancel->SetCaption(FStyle & (MsgStyleNo | MsgStyleYesNo) ? "Нет"_a : "Отменить"_a);
        }
        pnButton->SetHeight(FButtonPanelHeight);
        return FMinClientWidth;
    }
    btOk->SetVisible(false);
    btCancel->SetVisible(false);
    int X = 16;
    int Tallest = 0;
    int Widest = 0;
    for (int I = 0; I < FCaptions->Count(); ++I) {
        auto* B = new TBitBtn(this);
        const TPoint Size = TextSize(FCaptions->Strings(I), Font());
        B->SetBounds(X, btOk->Top(), Size.X + 16, std::max(Size.Y + 8, btOk->Height()));
        B->SetCaption(FCaptions->Strings(I));
        B->SetTag(I + 1);
        B->OnClick = TNotifyEvent(this, &TFormMessage::WhatButtonClick);
        B->SetParent(pnButton);
        FCaptions->SetObjects(I, B);
        X += B->Width() + 16;
        Tallest = std::max(Tallest, B->Height());
        Widest = std::max(Widest, B->Width());
    }
    if (FCancelButton == 0)
        FCancelButton = FCaptions->Count();
    FVertical = X + 16 > (FMinClientWidth + FMaxClientWidth) / 2;
    if (!FVertical) {
        pnButton->SetHeight(Tallest + 2 * btOk->Top());
        return X;
    }
    const int W = std::max(Widest, 2 * btOk->Height()) + 4;
    int Y = btOk->Top();
    for (int I = 0; I < FCaptions->Count(); ++I) {
        TBitBtn* B = Generated(I);
        B->SetBounds(0, Y, W, B->Height());
        B->SetMargin(4);
        Y += B->Height() + 4;
    }
    const int Stack = Y - 4 + btOk->Top();
    pnButton->SetHeight(std::min(Screen->WorkAreaHeight() * 2 / 3, std::max(Stack, 2 * btOk->Top())));
    return W + 32;
}

void TFormMessage::PlaceButtons()
{
    const int PanelWidth = pnButton->ClientWidth();
    if (FCaptions->Count() == 0) {
        if (btOk->Visible() && btCancel->Visible()) {
            const int Gap = btCancel->Left() - btOk->Left() - btOk->Width();
            const int Row = btOk->Width() + Gap + btCancel->Width();
            btOk->SetLeft((PanelWidth - Row) / 2);
            btCancel->SetLeft(btOk->Left() + btOk->Width() + Gap);
        } else if (btOk->Visible()) {
            btOk->SetLeft((PanelWidth - btOk->Width()) / 2);
        } else if (btCancel->Visible()) {
            btCancel->SetLeft((PanelWidth - btCancel->Width()) / 2);
        }
        if (btCancel->Visible() && (FDefaultButton == 2 || !btOk->Visible()))
            SetActiveControl(btCancel);
        else
            SetActiveControl(btOk);
        return;
    }
    const int Count = FCaptions->Count();
    if (!FVertical) {
        int Widest = 0;
        for (int I = 0; I < Count; ++I)
            Widest = std::max(Widest, Generated(I)->Width());
        const int Row = Generated(Count - 1)->Left() + Generated(Count - 1)->Width() - 16;
        const int Even = Count * Widest + (Count - 1) * 16;
        if (Row < PanelWidth - 16 && Even <= PanelWidth - 32) {
            int X = 16;
            for (int I = 0; I < Count; ++I) {
                Generated(I)->SetBounds(X, Generated(I)->Top(), Widest, Generated(I)->Height());
                X += Widest + 16;
            }
        }
        const int Used = Generated(Count - 1)->Left() + Generated(Count - 1)->Width() -
                         Generated(0)->Left();
        const int Shift = (PanelWidth - Used) / 2 - Generated(0)->Left();
        for (int I = 0; I < Count; ++I)
            Generated(I)->SetLeft(Generated(I)->Left() + Shift);
    } else {
        for (int I = 0; I < Count; ++I)
            Generated(I)->SetLeft((PanelWidth - Generated(I)->Width()) / 2);
    }
    if (FDefaultButton < 1 || FDefaultButton > Count)
        FDefaultButton = 1;
    SetActiveControl(Generated(FDefaultButton - 1));
}

void TFormMessage::ArrangeLayout()
{
    if (ClientWidth() < FMinClientWidth + 16)
        SetClientWidth(FMinClientWidth + 16);
    if (ClientHeight() < FMinClientHeight + 16)
        SetClientHeight(FMinClientHeight + 16);

    TCanvas* C = Canvas();
    C->Font()->Assign(lbHeader->Font());
    pnHeader->SetHeight(C->TextHeight(lbHeader->Caption()) + 2 * PanelFrame(pnHeader) + 2);

    int TitleW = 0;
    int TitleH = 0;
    const bool HasTitle = !lbWarnInform->Caption().IsEmpty();
    lbWarnInform->SetVisible(HasTitle);
    bv->SetVisible(HasTitle);
    if (HasTitle) {
        const int Room = FMaxClientWidth - 4 - (btCancelApp->Width() + 8);
        const TPoint Size = MeasureLabel(lbWarnInform, Room);
        TitleW = Size.X + btCancelApp->Width() + 8 + 4;
        TitleH = Size.Y;
    }
    int TextW = 0;
    int TextH = 0;
    if (!lbWarn->Caption().IsEmpty()) {
        const TPoint Size = MeasureLabel(lbWarn, FMaxClientWidth - 4);
        TextW = Size.X + 4;
        TextH = Size.Y;
    }
    const int ListH = cbList->Visible() ? cbList->Height() : 0;
    // The title line is at least as high as the cancel-application button,
    // also when there is no title: the window keeps that room.
    TitleH = std::max(TitleH, btCancelApp->Height());

    int H = pnHeader->Height() + pnButton->Height() + TitleH + ListH + TextH + 32;
    if (cbList->Visible())
        H += 16;
    const int B = ArrangeButtons();
    // The buttons may have changed the button panel's height.
    H += pnButton->Height() - FButtonPanelHeight;
    const int W = std::min(std::max({B - 16, TextW, TitleW, FMinClientWidth}), FMaxClientWidth);

    const TRect Work = Screen->WorkAreaRect();
    const int Frame = Height() - ClientHeight();
    SetClientHeight(std::min(std::max(FMinClientHeight, H), Work.Height() - Frame));
    SetClientWidth(W + 16);
    SetBounds(Work.Left + (Work.Width() - Width()) / 2, Work.Top + (Work.Height() - Height()) / 2,
              Width(), Height());

    int Y = 0;
    if (HasTitle) {
        lbWarnInform->SetBounds(lbWarnInform->Left(), 0, W - btCancelApp->Width(), TitleH);
        bv->SetBounds(8, TitleH + 8, W, bv->Height());
        Y = bv->Height() + TitleH + 16;
    }
    if (cbList->Visible()) {
        cbList->SetBounds(16, Y, W - 16, cbList->Height());
        Y = cbList->Height() + Y + 8;
    }
    // Content that fits the smallest window is centred in the free space.
    if (FMinClientHeight >= H)
        Y = Y - 8 + (sb->ClientHeight() - Y - TextH) / 2;
    lbWarn->SetBounds(lbWarn->Left(), std::max(Y, 0), W - 4, TextH);
    lbWarn->SetVisible(TextH > 0);

    PlaceButtons();
    if (btCancelApp->Visible())
        btCancelApp->SetLeft(sb->ClientWidth() - btCancelApp->Width() - 8);
}

void TFormMessage::FormShow(TObject*)
{
    Timer1->SetEnabled(true);
    if (FAutoCloseSeconds > 0) {
        TimerStop->SetInterval(1000);
        lbTimer->Font()->Assign(lbHeader->Font());
        lbTimer->SetColor(lbHeader->Color());
        lbTimer->SetShadowColor(lbHeader->ShadowColor());
        lbTimer->SetCaption(" " + IntToStr(FAutoCloseSeconds - 1) + " ");
        Canvas()->Font()->Assign(lbTimer->Font());
        lbTimer->SetWidth(std::max(lbTimer->Width(), Canvas()->TextWidth(lbTimer->Caption())));
        lbTimer->SetVisible(true);
        TimerStop->SetEnabled(true);
    }
    ArrangeLayout();
}

void TFormMessage::Answer(TModalResult Result, int Button)
{
    if (cbList->Visible())
        FListIndex = cbList->ItemIndex();
    FPressed = Button;
    SetModalResult(Result);
}

void TFormMessage::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE) {
        Answer(mrAbort, FCancelButton >= 1 ? FCancelButton : 2);
        Key = 0;
    } else if (Key == VK_RETURN && Shift == TShiftState{ssCtrl}) {
        Answer(mrOk, FDefaultButton);
        Key = 0;
    } else if (Key == VK_F4) {
        Key = 0;
    }
}

void TFormMessage::Timer1Timer(TObject*)
{
    if (Screen->ActiveForm() == this)
        return;
    if (!IsWindowVisible(Handle())) {
        Timer1->SetEnabled(false);
        SetModalResult(mrCancel);
        Close();
        return;
    }
    // Taking the focus may fail while another window grabs it; the window
    // tries again at the next tick.
    try {
        SetFocus();
    } catch (const Exception&) {
    }
    Application->ProcessMessages();
}

void TFormMessage::TimerStopTimer(TObject*)
{
    --FAutoCloseSeconds;
    if (FAutoCloseSeconds < 1) {
        TimerStop->SetEnabled(false);
        Answer(mrOk, FDefaultButton);
        return;
    }
    lbTimer->SetCaption(" " + IntToStr(FAutoCloseSeconds - 1) + " ");
}

void TFormMessage::btOkClick(TObject*)
{
    FPressed = 1;
}

void TFormMessage::btCancelClick(TObject*)
{
    FPressed = 2;
}

void TFormMessage::WhatButtonClick(TObject* Sender)
{
    SetModalResult(mrOk);
    FPressed = static_cast<TComponent*>(Sender)->Tag();
}

void TFormMessage::cbListChange(TObject*)
{
    if (cbList->Visible())
        FListIndex = cbList->ItemIndex();
}

void TFormMessage::btCancelAppClick(TObject*)
{
    Application->NormalizeTopMosts();
    const TFormStyle Old = FormStyle();
    SetFormStyle(fsNormal);
    if (!AskYesNoBox("Вы действительно хотите прекратить работу программы ?"_a, false)) {
        SetFormStyle(Old);
        Application->RestoreTopMosts();
        return;
    }
    Application->Terminate();
    Application->ProcessMessages();
    std::exit(1);
}
