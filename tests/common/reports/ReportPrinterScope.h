#pragma once

// Documents measure on, and print to, a given printer for the scope: it
// becomes the process's printer and the documents' ports are the platform
// ones. The printer and the ports installed before come back after.

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Printer.h"

#include "platform/forms/Dialogs.h"
#include "platform/forms/Printers.h"

class ReportPrinterScope {
public:
    explicit ReportPrinterScope(TPrinter& Printer) : FOld(SetPrinter(&Printer))
    {
        InstallReportPrinter(PlatformReportPrinter());
        InstallReportPrintJob(PlatformReportPrintJob());
    }
    ~ReportPrinterScope()
    {
        InstallReportPrintJob(FOldJob);
        InstallReportPrinter(FOldPort);
        SetPrinter(FOld);
    }
    ReportPrinterScope(const ReportPrinterScope&) = delete;
    ReportPrinterScope& operator=(const ReportPrinterScope&) = delete;

private:
    ReportPrinter* FOldPort = InstalledReportPrinter();
    ReportPrintJob* FOldJob = InstalledReportPrintJob();
    TPrinter* FOld;
};

/// The print dialog is answered with "print to file" into Pdf for the
/// scope; any other dialog is cancelled.
class PrintToFileScope {
public:
    explicit PrintToFileScope(const AnsiString& Pdf)
        : FHook([Pdf](TCommonDialog& D) {
              auto* P = dynamic_cast<TPrintDialog*>(&D);
              if (!P)
                  return false;
              P->SetPrintToFile(true);
              P->SetPrintFileName(Pdf);
              return true;
          })
    {
    }

private:
    DialogHookScope FHook;
};
