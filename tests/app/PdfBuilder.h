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

#include "platform/forms/Printers.h"

#include "tests/common/reports/ReportPrinterScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

/// Documents measure on, and print to, a printer writing PdfFile for the
/// scope; the process's printer and the documents' ports come back after.
class PdfPrinterScope {
public:
    explicit PdfPrinterScope(const AnsiString& PdfFile) { FPdf.SetOutputFileName(PdfFile); }

private:
    TPrinter FPdf;
    ReportPrinterScope FUse{FPdf};
};

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
        {
            const PdfPrinterScope Pdf(FPdfFile);
            Doc->BuildReport();
            Pages = Doc->PageInfoCount();
            if (OnBuilt)
                OnBuilt(*Doc);
            Doc->Print(0, 0, 1, true);
        }
        Doc->OnBegPrintView(Doc);
        Doc->OnEndPrintView(Doc);
    }

private:
    AnsiString FPdfFile;
};

namespace pdf_test {

/// The poppler tools the PDF checks read files with are installed.
inline bool HavePdfTools()
{
    return !RunCommand("command -v pdfinfo pdftotext pdftoppm").empty();
}

/// Fails at the first of Texts missing from Text after the one before it.
inline void ExpectInOrder(const std::string& Text, const std::vector<std::string>& Texts)
{
    size_t At = 0;
    for (const std::string& T : Texts) {
        const size_t Next = Text.find(T, At);
        ASSERT_NE(Next, std::string::npos) << "\"" << T << "\" after offset " << At << " in\n"
                                           << Text;
        At = Next + T.size();
    }
}

} // namespace pdf_test
