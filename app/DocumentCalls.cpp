#include "app/DocumentCalls.h"

#include "app/InvFRep.h"
#include "common/components/MsgWin.h"

namespace {

/// The program's builder; a call without one (a tool or test that made
/// none) is refused plainly.
TFormFRep& Builder()
{
    if (!FormFRep)
        ErrorMsgAbort("Печать ещё не подключена"_a);
    return *FormFRep;
}

} // namespace

void BuildDocument(int Kind, TshInvoice* Invoice, const AnsiString& TemplateName)
{
    Builder().BuildDocument(Kind, Invoice, TemplateName);
}

void DesignDocument(const AnsiString& TemplateName)
{
    Builder().DesignDocument(TemplateName);
}

void OpenPrintFile(const AnsiString& FileName)
{
    Builder().OpenPrintFile(FileName);
}

void ImportTemplate(const AnsiString& FileName)
{
    Builder().ImportTemplate(FileName);
}

AnsiString GetTemplateDocName(const AnsiString& TemplateName)
{
    return TFormFRep::GetTemplateDocName(TemplateName);
}
