#include "common/components/MsgWin.h"

#include "common/base/Funcs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"

#include <memory>
#include <utility>

namespace {

const char* const SCrLf = "\r\n";

MsgAnswerHook& AnswerHook()
{
    static MsgAnswerHook Hook;
    return Hook;
}

/// Captions of the standard buttons that a normalised style shows, in
/// number order: "Да"/"Нет" for the Yes/No buttons, else "Ok"/"Отменить".
std::vector<AnsiString> StandardCaptions(Word Style)
{
    std::vector<AnsiString> Captions;
    const bool YesWords = (Style & (MsgStyleYes | MsgStyleNo)) != 0;
    if (Style & (MsgStyleOk | MsgStyleYes))
        Captions.push_back(YesWords ? "Да"_a : AnsiString("Ok"));
    if (Style & (MsgStyleCancel | MsgStyleNo))
        Captions.push_back(YesWords ? "Нет"_a : "Отменить"_a);
    return Captions;
}

/// A caption among the arguments: a string, a C string or a character,
/// whose text ArgToStr gives as it stands.
bool IsTextArg(const TVarRec& Arg)
{
    return Arg.VType == vtAnsiString || Arg.VType == vtPChar || Arg.VType == vtChar;
}

/// Reads the button list into Request: a leading integer gives the default
/// button (low byte) and the cancel button (high byte, when not 0); the
/// strings become the captions of generated buttons.
void ApplyButtons(MsgRequest& Request, TVarRecs Buttons)
{
    int Index = 0;
    int Cancel = 0;
    for (const TVarRec& Arg : Buttons) {
        if (Index == 0 && (Arg.VType == vtInteger || Arg.VType == vtInt64)) {
            const Int64 V = Arg.VType == vtInteger ? Arg.VInteger : Arg.VInt64;
            Request.DefaultButton = int(V & 0xFF);
            Cancel = int((V >> 8) & 0xFF);
        } else if (IsTextArg(Arg)) {
            Request.Buttons.push_back(ArgToStr(Arg, AnsiString()));
        } else {
            RaiseAppError("FMsg.setButtons: Ошибка в параметрах"_a);
        }
        ++Index;
    }
    if (Cancel == 0 && !Request.Buttons.empty())
        Cancel = int(Request.Buttons.size());
    if (Cancel != 0)
        Request.CancelButton = Cancel;
}

/// True while the application object is shutting down.
bool AppTerminating()
{
    return Application && Application->Terminated();
}

bool& WindowsEnabled()
{
    static bool Enabled = false;
    return Enabled;
}

/// Without windows: the hook's answer, or the default button (the
/// question is then logged, so a run without windows leaves a trace).
int AnswerWithoutWindow(const MsgRequest& Request)
{
    if (AnswerHook())
        return AnswerHook()(Request);
    LogMessage(Request.Title.IsEmpty() ? Request.Text : Request.Title + SCrLf + Request.Text, 7);
    return Request.DefaultButton;
}

bool UseWindow()
{
    return !AnswerHook() && WindowsEnabled() && Application;
}

/// A new message window, in front when the program's front window is.
std::unique_ptr<TFormMessage> NewMessageWindow()
{
    Application->NormalizeTopMosts();
    auto Form = std::make_unique<TFormMessage>(nullptr);
    TCustomForm* Main = Application->MainForm();
    TCustomForm* Active = Screen->ActiveForm();
    if ((Main && Main->FormStyle() == fsStayOnTop) || (Active && Active->FormStyle() == fsStayOnTop))
        Form->SetFormStyle(fsStayOnTop);
    return Form;
}

/// Frees the window and gives the top-most windows back.
void ReleaseMessageWindow(std::unique_ptr<TFormMessage>& Form)
{
    Form.reset();
    Application->RestoreTopMosts();
    Application->ProcessMessages();
}

}  // namespace

bool gStopRefocus = false;

void SetMsgWindowsEnabled(bool Value)
{
    WindowsEnabled() = Value;
}

bool MsgWindowsEnabled()
{
    return WindowsEnabled();
}

void SetMsgAnswerHook(MsgAnswerHook Hook)
{
    AnswerHook() = std::move(Hook);
}

MsgAnswerHookScope::MsgAnswerHookScope(MsgAnswerHook Hook) : FOld(std::move(AnswerHook()))
{
    AnswerHook() = std::move(Hook);
}

MsgAnswerHookScope::~MsgAnswerHookScope()
{
    AnswerHook() = std::move(FOld);
}

bool ShowErrorWindow(const AnsiString& Msg)
{
    MsgRequest Request;
    Request.Routine = "ShowErrorWindow";
    Request.FormCaption = "Сообщение"_a;
    Request.Flags = NormaliseMsgStyle(MsgStyleError | MsgStyleOk);
    Request.Header = MsgStyleHeader(Request.Flags);
    Request.Title = UnescapeNewLines(ExtractPipePart(Msg, true));
    Request.Text = UnescapeNewLines(ExtractPipePart(Msg, false));
    Request.Buttons = StandardCaptions(Request.Flags);
    bool Ok;
    if (UseWindow()) {
        std::unique_ptr<TFormMessage> Form = NewMessageWindow();
        Form->SetStyle(MsgStyleError | MsgStyleOk);
        Form->SetTitle(ExtractPipePart(Msg, true));
        Form->SetWarnText(ExtractPipePart(Msg, false));
        Form->SetModalResult(Form->ShowModal());
        Application->ProcessMessages();
        Ok = Form->ModalResult() == mrOk;
        ReleaseMessageWindow(Form);
    } else {
        Ok = AnswerWithoutWindow(Request) == 1;
    }
    // An error shown while the program shuts down means its state may be
    // damaged: nothing more is saved.
    if (AppTerminating())
        gCanSaveSettings = false;
    return Ok;
}

bool ErrorMsg(const AnsiString& Msg)
{
    LogMessage(Msg, 5);
    return ShowErrorWindow(Msg);
}

void ErrorMsgAbort(const AnsiString& Msg)
{
    LogMessage(Msg, 3);
    ShowErrorWindow(Msg);
    Abort();
}

Integer MsgDialog(const AnsiString& FormCaption, const AnsiString& Header, const AnsiString& Text,
                  TStrings* List, Word Flags, TVarRecs Buttons, const AnsiString& Text2)
{
    MsgRequest Request;
    Request.Routine = "MsgDialog";
    Request.FormCaption = FormCaption.IsEmpty() ? "Сообщение"_a : FormCaption;
    Request.Title = UnescapeNewLines(Text);
    Request.Text = UnescapeNewLines(Text2);
    Request.List = List;
    // One empty string stands for the standard buttons of the flags.
    const bool Standard = Buttons.size() == 1 && IsTextArg(*Buttons.begin())
                          && ArgToStr(*Buttons.begin(), AnsiString()).IsEmpty();
    if (!Standard)
        ApplyButtons(Request, Buttons);
    // The style is set after the buttons, so the flags alone choose the
    // standard buttons (a single-element list's Yes/No pair is replaced).
    Request.Flags = NormaliseMsgStyle(Flags == 0 ? Word(MsgStyleChoice | MsgStyleYesNo) : Flags);
    if (Request.Buttons.empty())
        Request.Buttons = StandardCaptions(Request.Flags);
    Request.Header = Header.IsEmpty() ? MsgStyleHeader(Request.Flags) : Header;
    const int Count = int(Request.Buttons.size());
    if (Request.DefaultButton < 1 || Request.DefaultButton > Count)
        Request.DefaultButton = 1;
    if (!UseWindow())
        return AnswerWithoutWindow(Request);

    std::unique_ptr<TFormMessage> Form = NewMessageWindow();
    if (!Standard)
        Form->setButtons(Buttons);
    Form->SetList(List);
    Form->SetStyle(Flags == 0 ? Word(MsgStyleChoice | MsgStyleYesNo) : Flags);
    Form->SetTitle(Text);
    Form->SetWarnText(Text2);
    if (!FormCaption.IsEmpty())
        Form->SetCaption(FormCaption);
    if (!Header.IsEmpty())
        Form->SetHeader(Header);
    Form->SetModalResult(Form->ShowModal());
    Application->ProcessMessages();
    Integer Result = Form->Pressed();
    if (List && Form->ListIndex() >= 0 && Result == 1)
        Result = -(Form->ListIndex() + 1);
    ReleaseMessageWindow(Form);
    return Result;
}

Integer MsgChoice(const AnsiString& Text, const AnsiString& Text2, TVarRecs Buttons)
{
    return MsgDialog("", "", Text, nullptr, 0, Buttons, Text2);
}

bool AskYesNo(const AnsiString& Text, const AnsiString& Text2, bool DefaultYes)
{
    return MsgDialog(" ", "Выберите \"ДА\" или \"НЕТ\""_a, Text, nullptr, 160,
                     {DefaultYes ? 1 : 2}, Text2)
           == 1;
}

Integer ErrorChoice(const AnsiString& Text, const AnsiString& Text2, TVarRecs Buttons)
{
    LogMessage(Text + SCrLf + Text2, 5);
    return MsgDialog("", "", Text, nullptr, 96, Buttons, Text2);
}

bool AskSaveChanges(const AnsiString& Msg)
{
    AnsiString Question = ExtractPipePart(Msg, true);
    if (Question.IsEmpty())
        Question = "Сохранить изменения?"_a;
    const AnsiString Detail = ExtractPipePart(Msg, false);
    const Integer Result = MsgDialog(" ", "Сохранение данных"_a, Question, nullptr, 160,
                                     {1, "Да"_a, "Нет"_a, "Отмена"_a}, Detail);
    if (Result == 1)
        return true;
    if (Result == 2)
        return false;
    // "Отмена" or Esc stops the caller's operation, except during shut-down,
    // when nothing is left to stop.
    if (AppTerminating())
        return false;
    Abort();
}

bool AskDelete(const AnsiString& ItemText, const AnsiString& Extra, bool Short)
{
    AnsiString Question = "Вы уверены в необходимости удаления ?"_a;
    if (!Short)
        Question += AnsiString(SCrLf) + SCrLf
                    + "ВНИМАНИЕ:  Удаленные данные восстановлению не подлежат !!!"_a;
    const AnsiString Message = Extra.IsEmpty()
                                   ? AnsiString(SCrLf) + Question + SCrLf
                                   : Extra + SCrLf + SCrLf + Question;
    return MsgDialog("ВНИМАНИЕ !!!"_a, "Удаление данных"_a, ItemText, nullptr, 160, {2}, Message)
           == 1;
}

namespace {

std::vector<Integer> BoxResults(Integer Flags)
{
    switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

AnsiString ResultCaption(Integer Id)
{
    switch (Id) {
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "OK";
    }
}

}  // namespace

Integer MsgBox(const AnsiString& Text, const AnsiString& Caption)
{
    return MsgBoxFlags(Text, Caption, 0);
}

Integer MsgBoxFlags(const AnsiString& Text, const AnsiString& Caption, Integer Flags)
{
    Flags &= 0xFFFF;
    const std::vector<Integer> Results = BoxResults(Flags);
    MsgRequest Request;
    Request.Routine = "MsgBox";
    Request.FormCaption = Caption;
    Request.Text = Text;
    Request.Flags = Word(Flags);
    for (Integer Id : Results)
        Request.Buttons.push_back(ResultCaption(Id));
    const int Default = ((Flags >> 8) & 0xF) + 1;
    Request.DefaultButton = Default <= int(Results.size()) ? Default : 1;
    Request.CancelButton = int(Results.size());
    if (UseWindow())
        return Application->MessageBox(Text, Caption, UINT(Flags));
    const int Pressed = AnswerWithoutWindow(Request);
    if (Pressed < 1 || Pressed > int(Results.size()))
        return Results.back();
    return Results[size_t(Pressed - 1)];
}

bool AskYesNoBox(const AnsiString& Text, bool DefaultYes)
{
    const Integer Flags = MB_YESNO + MB_ICONQUESTION + (DefaultYes ? 0 : Integer(MB_DEFBUTTON2));
    return MsgBoxFlags(Text, "!!!  В Н И М А Н И Е  !!!"_a, Flags) == IDYES;
}
