#include "app/DocumentCalls.h"

#include "common/MsgWin.h"

void BuildDocument(int, TshInvoice*, const AnsiString&)
{
    ErrorMsgAbort("Печать ещё не подключена"_a);
}

void DesignDocument(const AnsiString&)
{
    ErrorMsgAbort("Редактор шаблонов ещё не подключен"_a);
}

void OpenPrintFile(const AnsiString&)
{
    ErrorMsgAbort("Печать ещё не подключена"_a);
}

void ImportTemplate(const AnsiString&)
{
    ErrorMsgAbort("Импорт шаблонов ещё не подключен"_a);
}

AnsiString GetTemplateDocName(const AnsiString&)
{
    // Templates are not read yet; the tag kinds show their numbers.
    return AnsiString();
}
