#pragma once

// A document builder whose print view writes a PDF file instead of showing
// a preview: it builds the output pages, prints them all through a printer
// writing the file, then runs the preview's start and end events as the
// print view does, so the builder frees the document once the posted
// message is handled (Application->ProcessMessages()). Also used by the
// benchmarks.

#include "app/InvFRep.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_Printer.h"

#include "platform/gui/Printers.h"

#include <cstdio>
#include <functional>
#include <string>

class PdfBuilder : public TFormFRep {
public:
    explicit PdfBuilder(const AnsiString& PdfFile) : TFormFRep(nullptr), FPdfFile(PdfFile) {}

    /// Output pages of the last build.
    int Pages = 0;
    /// Looks at the built document before it is printed.
    std::function<void(TDocument&)> OnBuilt;

protected:
    void StartPrintView(TDocument* Doc) override
    {
        TPrinter Pdf;
        TPrinter* Old = SetPrinter(&Pdf);
        Pdf.SetOutputFileName(FPdfFile);
        InstallReportPrinter(PlatformReportPrinter());
        InstallReportPrintJob(PlatformReportPrintJob());
        try {
            Doc->BuildReport();
            Pages = Doc->PageInfoCount();
            if (OnBuilt)
                OnBuilt(*Doc);
            Doc->Print(0, 0, 1, true);
        } catch (...) {
            SetPrinter(Old);
            throw;
        }
        SetPrinter(Old);
        Doc->OnBegPrintView(Doc);
        Doc->OnEndPrintView(Doc);
    }

private:
    AnsiString FPdfFile;
};

namespace pdf_test {

/// What a shell command printed on its standard output.
inline std::string RunCommand(const std::string& Command)
{
    std::string Out;
    if (FILE* P = popen(Command.c_str(), "r")) {
        char Buffer[512];
        size_t N;
        while ((N = fread(Buffer, 1, sizeof Buffer, P)) > 0)
            Out.append(Buffer, N);
        pclose(P);
    }
    return Out;
}

/// The poppler tools the PDF checks read files with are installed.
inline bool HavePdfTools()
{
    return !RunCommand("command -v pdfinfo pdftotext pdftoppm").empty();
}

} // namespace pdf_test
