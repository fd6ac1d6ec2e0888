#include "common/MsgWin.h"

#include "common/Funcs.h"
#include "platform/rtl/Exceptions.h"

#include <utility>

namespace {

const char* const SCrLf = "\r\n";

MsgAnswerHook& AnswerHook()
{
    static MsgAnswerHook Hook;
    return Hook;
}

/// Keeps exactly one standard button unless a pair flag was given; no
/// button flag at all gives "Ok".
Word NormaliseStyle(Word Style)
{
    Word Buttons = 0;
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

/// Captions of the standard buttons that a style shows, in number order.
std::vector<AnsiString> StandardCaptions(Word RawStyle, Word Style)
{
    std::vector<AnsiString> Captions;
    const bool YesWords = (RawStyle & (MsgStyleYes | MsgStyleNo | MsgStyleYesNo)) != 0;
    if (Style & (MsgStyleOk | MsgStyleYes))
        Captions.push_back(YesWords ? "Да"_a : AnsiString("Ok"));
    if (Style & (MsgStyleCancel | MsgStyleNo))
        Captions.push_back(YesWords ? "Нет"_a : "Отменить"_a);
    return Captions;
}

bool IsTextArg(const TVarRec& Arg)
{
    return Arg.VType == vtAnsiString || Arg.VType == vtPChar || Arg.VType == vtChar;
}

AnsiString ArgText(const TVarRec& Arg)
{
    switch (Arg.VType) {
    case vtAnsiString: return *Arg.VAnsiString;
    case vtPChar: return AnsiString(Arg.VPChar);
    case vtChar: return AnsiString(Arg.VChar);
    default: return AnsiString();
    }
}

/// Reads the button list into Request: a leading integer sets the default
/// (and cancel) button, the strings become captions. Returns the style to
/// use, with the Yes/No pair when the list had exactly one element.
Word ApplyButtons(MsgRequest& Request, TVarRecs Buttons, Word Style)
{
    int Index = 0;
    for (const TVarRec& Arg : Buttons) {
        if (Index == 0 && (Arg.VType == vtInteger || Arg.VType == vtInt64)) {
            const Int64 V = Arg.VType == vtInteger ? Arg.VInteger : Arg.VInt64;
            Request.DefaultButton = int(V & 0xFF);
        } else if (IsTextArg(Arg)) {
            Request.Buttons.push_back(ArgText(Arg));
        } else {
            RaiseAppError("FMsg.setButtons: Ошибка в параметрах"_a);
        }
        ++Index;
    }
    if (Buttons.size() == 1)
        Style = Word((Style & ~MsgStyleOkCancel) | MsgStyleYesNo);
    return Style;
}

/// The hook's answer, or the default button without a hook (the question
/// is then logged, so a run without windows leaves a trace).
int Answer(const MsgRequest& Request)
{
    if (AnswerHook())
        return AnswerHook()(Request);
    LogMessage(Request.Title.IsEmpty() ? Request.Text : Request.Title + SCrLf + Request.Text, 7);
    return Request.DefaultButton;
}

}  // namespace

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
    Request.Header = "Ошибка !!!"_a;
    Request.Title = UnescapeNewLines(ExtractPipePart(Msg, true));
    Request.Text = UnescapeNewLines(ExtractPipePart(Msg, false));
    Request.Flags = NormaliseStyle(MsgStyleError | MsgStyleOk);
    Request.Buttons = {"Ok"};
    return Answer(Request) == 1;
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
    Request.FormCaption = FormCaption;
    Request.Title = UnescapeNewLines(Text);
    Request.Text = UnescapeNewLines(Text2);
    Request.List = List;
    Word Style = Flags == 0 ? Word(MsgStyleChoice | MsgStyleYesNo) : Flags;
    const bool Standard = Buttons.size() == 1 && IsTextArg(*Buttons.begin())
                          && ArgText(*Buttons.begin()).IsEmpty();
    if (!Standard)
        Style = ApplyButtons(Request, Buttons, Style);
    Request.Flags = NormaliseStyle(Style);
    if (Request.Buttons.empty())
        Request.Buttons = StandardCaptions(Style, Request.Flags);
    if (Request.Flags & MsgStyleError)
        Request.Header = "Ошибка !!!"_a;
    else if (Request.Flags & MsgStyleChoice)
        Request.Header = "Выбор"_a;
    if (!Header.IsEmpty())
        Request.Header = Header;
    return Answer(Request);
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

// System message box buttons and results.
constexpr Integer IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6,
                  IDNO = 7;

std::vector<Integer> BoxResults(Integer Flags)
{
    switch (Flags & 0xF) {
    case 1: return {IDOK, IDCANCEL};
    case 2: return {IDABORT, IDRETRY, IDIGNORE};
    case 3: return {IDYES, IDNO, IDCANCEL};
    case 4: return {IDYES, IDNO};
    case 5: return {IDRETRY, IDCANCEL};
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
    const int Pressed = Answer(Request);
    if (Pressed < 1 || Pressed > int(Results.size()))
        return Results.back();
    return Results[size_t(Pressed - 1)];
}

bool AskYesNoBox(const AnsiString& Text, bool DefaultYes)
{
    const Integer Flags = 4 /*MB_YESNO*/ + 32 /*MB_ICONQUESTION*/ + (DefaultYes ? 0 : 256);
    return MsgBoxFlags(Text, "!!!  В Н И М А Н И Е  !!!"_a, Flags) == IDYES;
}
