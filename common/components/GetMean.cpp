#include "common/components/GetMean.h"

#include "common/components/ExLabel.h"
#include "common/components/FuncsVCL.h"
#include "common/components/MsgWin.h"
#include "common/components/ToolEdit.h"
#include "common/components/YLDCompn.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <memory>

PRICETAGS_DEFINE_CLASS(TFormGet)

namespace {

const AnsiString& SDefaultNotDate()
{
    return "Default is'nt Date/Time"_a;
}
const AnsiString& SBadValue()
{
    return "Неверное значение !!!"_a;
}

/// The pop-up calendar's width at 96 dpi.
constexpr int PopupCalendarWidth = 187;

std::bitset<256> CharSet(const char* Chars)
{
    std::bitset<256> Set;
    for (const char* P = Chars; *P; ++P)
        Set.set(static_cast<unsigned char>(*P));
    return Set;
}

bool IsDateSeparator(char C)
{
    return C == ',' || C == '.' || C == '/';
}

/// A date part read as a number; Fallback when it is not one.
int PartValue(const AnsiString& Part, int Fallback)
{
    Integer V = 0;
    return TryStrToInt(Part, V) ? V : Fallback;
}

} // namespace

TFormGet::TFormGet(TComponent* AOwner) : TBaseForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    FKind = 3;
    SetKind(1);
    FSavedHeader = lbHeader->Caption();
    lbHeader->SetTransparent(false);
    SetComponentsFonts(this, {nullptr});
}

TFormGet::~TFormGet() = default;

void TFormGet::BuildControls()
{
    SetName("FormGet");
    SetCaption(" ");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(424);
    SetClientHeight(160);
    SetStoredPixelsPerInch(96);
    OnShow = TNotifyEvent(this, &TFormGet::FormShow);
    OnClose = TCloseEvent(this, &TFormGet::FormClose);

    pnHeader = new TPanel(this);
    pnHeader->SetName("pnHeader");
    pnHeader->SetParent(this);
    pnHeader->SetAlign(alTop);
    pnHeader->SetHeight(30);
    pnHeader->SetBevelOuter(bvNone);
    lbHeader = new TExLabel(this);
    lbHeader->SetName("lbHeader");
    lbHeader->SetParent(pnHeader);
    lbHeader->SetTag(101);
    lbHeader->SetAutoSize(false);
    lbHeader->SetAlign(alClient);
    lbHeader->SetAlignment(taCenter);
    lbHeader->SetLayout(tlCenter);
    lbHeader->SetTextStyle(tsShadow);
    lbHeader->SetColor(clTeal);
    lbHeader->Font()->SetColor(clWhite);
    lbHeader->Font()->SetStyle({fsBold});
    lbHeader->SetParentFont(false);
    lbHeader->SetCaption("Введите значение"_a);

    pnButton = new TScrollBox(this);
    pnButton->SetName("pnButton");
    pnButton->SetParent(this);
    pnButton->SetAlign(alBottom);
    pnButton->SetHeight(40);
    pnButton->SetBorderStyle(bsNone);
    btOk = new TBitBtn(this);
    btOk->SetName("btOk");
    btOk->SetParent(pnButton);
    btOk->SetKind(bkOK);
    btOk->SetCaption("Ok");
    btOk->SetModalResult(mrNone);
    btOk->SetBounds(222, 8, 92, 25);
    btOk->OnClick = TNotifyEvent(this, &TFormGet::btOkClick);
    btCancel = new TBitBtn(this);
    btCancel->SetName("btCancel");
    btCancel->SetParent(pnButton);
    btCancel->SetKind(bkCancel);
    btCancel->SetCaption("Отмена"_a);
    btCancel->SetBounds(322, 8, 92, 25);
    btCancel->OnClick = TNotifyEvent(this, &TFormGet::btCancelClick);

    sb = new TScrollBox(this);
    sb->SetName("sb");
    sb->SetParent(this);
    sb->SetAlign(alClient);
    sb->SetBorderStyle(bsNone);

    Panel2 = new TPanel(this);
    Panel2->SetName("Panel2");
    Panel2->SetParent(sb);
    Panel2->SetAlign(alTop);
    Panel2->SetHeight(44);
    Panel2->SetBevelOuter(bvNone);
    Label1 = new TLabel(this);
    Label1->SetName("Label1");
    Label1->SetParent(Panel2);
    Label1->SetAutoSize(false);
    Label1->SetWidth(12);
    Label1->SetAlign(alLeft);
    Label1->SetCaption("");
    Label2 = new TLabel(this);
    Label2->SetName("Label2");
    Label2->SetParent(Panel2);
    Label2->SetAutoSize(false);
    Label2->SetWidth(12);
    Label2->SetAlign(alRight);
    Label2->SetCaption("");
    lb = new TLabel(this);
    lb->SetName("lb");
    lb->SetParent(Panel2);
    lb->SetAutoSize(false);
    lb->SetAlign(alClient);
    lb->SetWordWrap(true);
    lb->SetLayout(tlBottom);
    lb->SetCaption("Описание"_a);

    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(sb);
    Panel1->SetAlign(alTop);
    Panel1->SetTop(44);
    Panel1->SetHeight(44);
    Panel1->SetBevelOuter(bvNone);
    ed = new TEdit(this);
    ed->SetName("ed");
    ed->SetParent(Panel1);
    ed->SetBounds(12, 10, 400, 21);
    ed->SetText("Вводимое значение"_a);
    ed->OnChange = TNotifyEvent(this, &TFormGet::edChange);
    ed->OnKeyDown = TKeyEvent(this, &TFormGet::edKeyDown);
    ed->OnKeyPress = TKeyPressEvent(this, &TFormGet::edKeyPress);

    DateEdit = new TDateEdit(this);
    DateEdit->SetName("DateEdit");
    DateEdit->SetParent(Panel1);
    DateEdit->SetBounds(12, 10, 120, 21);
    DateEdit->SetVisible(false);

    pnTime = new TPanel(this);
    pnTime->SetName("pnTime");
    pnTime->SetParent(Panel1);
    pnTime->SetBounds(12, 10, 100, 21);
    pnTime->SetBevelOuter(bvNone);
    pnTime->SetVisible(false);
    edHour = new Tyl_IntegerEdit(this);
    edHour->SetName("edHour");
    edHour->SetParent(pnTime);
    edHour->SetBounds(0, 0, 40, 21);
    edHour->SetMinValue(0);
    edHour->SetMaxValue(24);
    RzLabel1 = new TExLabel(this);
    RzLabel1->SetName("RzLabel1");
    RzLabel1->SetParent(pnTime);
    RzLabel1->SetBounds(44, 2, 8, 17);
    RzLabel1->SetCaption(":");
    edMinute = new Tyl_IntegerEdit(this);
    edMinute->SetName("edMinute");
    edMinute->SetParent(pnTime);
    edMinute->SetBounds(56, 0, 40, 21);
    edMinute->SetMinValue(0);
    edMinute->SetMaxValue(59);
}

void TFormGet::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == ed)
        ed = nullptr;
    if (AComponent == DateEdit)
        DateEdit = nullptr;
    if (AComponent == FValueControl)
        FValueControl = nullptr;
}

void TFormGet::SetKind(Byte Value)
{
    if (Value == FKind)
        return;
    FHiddenText = "";
    if (ed)
        ed->SetText("");
    FMaxLength = 0x7FFFFFFF;
    FAllowedChars.reset();
    switch (Value) {
    case 1:
    case 13: FAllowedChars.set(); break;
    case 3:
        FAllowedChars = CharSet("\b+-0123456789");
        FMaxLength = 9;
        break;
    case 6:
        FAllowedChars = CharSet("\b+-0123456789,.");
        FMaxLength = 14;
        break;
    case 8:
    case 9:
    case 10:
        FAllowedChars = CharSet("\b0123456789,./");
        FMaxLength = 10;
        break;
    default: FAllowedChars = CharSet("\b"); break;
    }
    if (Value == 13 && ed)
        ed->SetPasswordChar('*');
    FValueControl = ed;
    SetActiveControl(FValueControl);
    FKind = Value;
}

void TFormGet::SetPrompt(const AnsiString& Prompt)
{
    TBitmap Measure;
    Measure.Canvas()->SetFont(lbHeader->Font());
    if (Measure.Canvas()->TextWidth(Prompt) >= lbHeader->Width() - 5) {
        lbHeader->SetCaption(FSavedHeader);
        lb->SetCaption(Prompt);
    } else {
        lbHeader->SetCaption(Prompt);
        lb->SetCaption("");
    }
}

TDateTime TFormGet::DefaultDateTime() const
{
    if (VarType(FDefault) != varDate)
        throw Exception(SDefaultNotDate());
    return FDefault.AsDateTime();
}

void TFormGet::FormShow(TObject*)
{
    FValueControl = ed;
    if (FKind == 8 || FKind == 10) {
        DateEdit->SetBoundsRect(ed->BoundsRect());
        TBitmap Measure;
        Measure.Canvas()->SetFont(DateEdit->Font());
        const int Wanted = std::max(2 * Measure.Canvas()->TextWidth("31/12/9999") +
                                        DateEdit->ButtonWidth(),
                                    MulDiv(PopupCalendarWidth, Screen->PixelsPerInch(), 96));
        DateEdit->SetWidth(std::min(DateEdit->Width(), Wanted));
        DateEdit->SetVisible(true);
        FValueControl = DateEdit;
        DateEdit->SetDate(DefaultDateTime());
    } else if (DateEdit) {
        delete DateEdit;
    }
    if (FKind == 9 || FKind == 10) {
        if (DateEdit)
            pnTime->SetBounds(DateEdit->Left() + DateEdit->Width() + 10, DateEdit->Top(),
                              pnTime->Width(), pnTime->Height());
        else {
            pnTime->SetBounds(ed->Left(), ed->Top(), pnTime->Width(), pnTime->Height());
            FValueControl = edHour;
        }
        pnTime->SetVisible(true);
        Word Hour = 0, Min = 0, Sec = 0, MSec = 0;
        DecodeTime(DefaultDateTime(), Hour, Min, Sec, MSec);
        edHour->SetValue(Hour);
        edMinute->SetValue(Min);
    }
    // The date and time kinds take ed's place: it is freed once, and the
    // steps below only touch it while it is still there.
    if (FValueControl != ed)
        delete ed;
    if (ed && FKind != 13) {
        AnsiString S = VarToStr(FDefault);
        const int P = S.Pos(KillEditSelectMarker);
        if (P > 0) {
            Delete(S, P, AnsiString(KillEditSelectMarker).Length());
            FCaretPos = P;
        }
        ed->SetText(S);
        ed->SetModified(false);
    }
    PostMessage(Handle(), WM_GETMEAN_SELECT, 0, 0);
}

void TFormGet::SelectAfterShow()
{
    Application->ProcessMessages();
    if (!ed)
        return;
    if (FKind == 3 || FKind == 6) {
        ed->SelectAll();
        return;
    }
    // The marker's 1-based position is where the caret stands: after the
    // text before the marker.
    ed->SetSelStart(FCaretPos > 0 ? FCaretPos - 1 : 0);
    ed->SetSelLength(0);
}

void TFormGet::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_GETMEAN_SELECT) {
        SelectAfterShow();
        return;
    }
    inherited::Dispatch(Message);
}

void TFormGet::Activate()
{
    SetActiveControl(FValueControl);
    inherited::Activate();
}

void TFormGet::edKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    FPastePending = false;
    if (Key == 'V' && Shift == TShiftState{ssCtrl}) {
        const AnsiString S = Clipboard()->AsText();
        if (!S.IsEmpty()) {
            FPasteText = S;
            FPastePending = true;
        }
    }
}

void TFormGet::ShowHidden()
{
    ed->SetText(StringOfChar('*', FHiddenText.Length()));
    ed->SetSelStart(FHiddenText.Length());
    ed->SetSelLength(0);
}

void TFormGet::edKeyPress(TObject*, char& Key)
{
    if (Key == 27) {
        Key = 0;
        SetModalResult(mrCancel);
        return;
    }
    if (FKind == 13) {
        if (FPastePending) {
            FPastePending = false;
            FHiddenText += FPasteText;
        } else if (Key == '\b') {
            FHiddenText = "";
        } else if (static_cast<unsigned char>(Key) >= 0x20) {
            FHiddenText += AnsiString(Key);
        }
        // Enter, Tab and other control characters are no part of a
        // secret: they are dropped like every key here.
        Key = 0;
        ShowHidden();
        return;
    }
    if (FKind == 1 || Key == '\b')
        return;
    if (!FAllowedChars.test(static_cast<unsigned char>(Key))) {
        MessageBeep(0);
        Key = 0;
        return;
    }
    if (FKind == 6 && (Key == ',' || Key == '.')) {
        Key = ed->Text().Pos(".") > 0 ? 0 : '.';
        return;
    }
    if (FKind == 8) {
        if (!DateKeyAccepted(ed->Text(), Key)) {
            MessageBeep(0);
            Key = 0;
        } else if (IsDateSeparator(Key)) {
            Key = '.';
        }
    }
}

bool TFormGet::DateKeyAccepted(const AnsiString& Text, char Key) const
{
    if (!FAllowedChars.test(static_cast<unsigned char>(Key)) || Text.Length() >= FMaxLength)
        return false;
    AnsiString Parts[3];
    int Separators = 0;
    for (int I = 1; I <= Text.Length(); ++I) {
        if (IsDateSeparator(Text[I])) {
            if (++Separators > 2)
                return false;
            continue;
        }
        Parts[Separators] += AnsiString(Text[I]);
    }
    if (IsDateSeparator(Key)) {
        if (Text.IsEmpty() || Separators == 2 || IsDateSeparator(Text[Text.Length()]))
            return false;
        if (Separators == 0)
            return PartValue(Parts[0], 32) <= 31;
        return PartValue(Parts[1], 13) <= 12;
    }
    const int Limit = Separators == 2 ? 4 : 2;
    return Parts[Separators].Length() < Limit;
}

void TFormGet::edChange(TObject*)
{
    if (ed && ed->Modified() && ed->Text().Length() >= FMaxLength)
        CheckValue();
}

Variant TFormGet::Answer()
{
    switch (FKind) {
    case 3: return Variant(StrToInt(ed->Text()));
    case 6: {
        // The typed mark is '.' whatever the settings: read it with the
        // decimal separator the conversion expects.
        AnsiString S = ed->Text();
        const int P = S.Pos(".");
        if (P > 0)
            S[P] = FormatSettings().DecimalSeparator;
        return Variant(static_cast<double>(StrToFloat(S)));
    }
    case 8: return Variant(TDateTime(DateEdit->GetDate()));
    case 9: return Variant(EncodeTime(edHour->Value(), edMinute->Value(), 0, 0));
    case 10:
        return Variant(TDateTime(DateEdit->GetDate() +
                                 EncodeTime(edHour->Value(), edMinute->Value(), 0, 0)));
    case 13: return Variant(FHiddenText);
    default: return Variant(ed ? ed->Text() : AnsiString());
    }
}

bool TFormGet::CheckValue()
{
    try {
        (void)Answer();
        return true;
    } catch (const EConvertError&) {
        ErrorMsg(SBadValue());
        return false;
    }
}

void TFormGet::btOkClick(TObject*)
{
    if (CheckValue()) {
        SetModalResult(mrOk);
        return;
    }
    if (FValueControl && FValueControl->CanFocus())
        FValueControl->SetFocus();
}

void TFormGet::btCancelClick(TObject*)
{
    SetModalResult(mrCancel);
}

void TFormGet::FormClose(TObject*, TCloseAction&)
{
    if (ed)
        ed->SetPasswordChar(0);
}

bool GetMeanValue(const AnsiString& Prompt, Byte Kind, Variant& Value)
{
    auto Form = std::make_unique<TFormGet>(Application);
    Form->SetKind(Kind);
    Form->SetPrompt(Prompt);
    Form->SetDefault(Value);
    if (Form->ShowModal() != mrOk)
        return false;
    Value = Form->Answer();
    return true;
}

bool GetMeanStr(const AnsiString& Prompt, AnsiString& Value)
{
    Variant V(Value);
    if (!GetMeanValue(Prompt, 1, V))
        return false;
    Value = V.AsString();
    return true;
}
