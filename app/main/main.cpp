// The program: it starts in the current folder, which becomes its start-up
// folder (pricetags.ini, pricetags.log, LastInvoice.inv and TXT/ live there),
// and reads no command-line arguments.

#include "app/AppMain.h"
#include "platform/forms/Forms.h"

#include <malloc.h>

int main(int argc, char** argv)
{
    // An import or a print frees tens of megabytes at once; the heap keeps
    // them for the next one instead of handing them back to the system and
    // faulting every page in again (the C library's own threshold moves
    // with the largest block freed so far).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    GuiStartup(argc, argv);
    const int Result = RunApplication();
    GuiShutdown();
    return Result;
}
