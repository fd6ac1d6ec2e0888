// The program: it starts in the current folder, which becomes its start-up
// folder (pricetags.ini, pricetags.log, LastInvoice.inv and TXT/ live there),
// and reads no command-line arguments.

#include "app/AppMain.h"
#include "platform/gui/Forms.h"

int main(int argc, char** argv)
{
    GuiStartup(argc, argv);
    const int Result = RunApplication();
    GuiShutdown();
    return Result;
}
