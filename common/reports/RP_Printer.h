#pragma once

// The printer documents ask for their metrics: the process's printer
// (Printer()), read through its device context. The program installs it at
// start-up with InstallReportPrinter(PlatformReportPrinter()); tests that
// want a printer install a TFakePrinter with SetPrinter and then this.

#include "common/reports/RP_Document.h"

/// The report printer over Printer(). ReadCaps switches the printer to the
/// orientation asked for and raises the printer's EPrinter when there is
/// none or its driver fails.
[[nodiscard]] ReportPrinter* PlatformReportPrinter();

/// The print job over Printer(): jobs, pages and orientation of the
/// process's printer; a page's metafile is stretched into its rectangle.
/// The program installs it with InstallReportPrintJob(PlatformReportPrintJob()).
[[nodiscard]] ReportPrintJob* PlatformReportPrintJob();
