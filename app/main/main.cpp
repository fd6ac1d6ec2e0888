// The program: it starts in the current folder, which becomes its start-up
// folder (pricetags.ini, pricetags.log, LastInvoice.inv and TXT/ live there),
// and reads no command-line arguments.

#include "app/AppMain.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Heap.h"

int main(int argc, char** argv)
{
    UseProgramHeap();
    GuiStartup(argc, argv);
    const int Result = RunApplication();
    GuiShutdown();
    return Result;
}
