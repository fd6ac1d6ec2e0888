#pragma once

// What the tests of the main window share beyond the windows' kit: the
// worked example workbook, opening it as invoice 17 through the
// incoming-invoice dialog, and the grid column that shows a value.

#include "app/MainInvoice.h"
#include "app/NewIncoming.h"
#include "common/components/YLDGrids.h"
#include "tests/app/AppWindowsTestKit.h"

#include <gtest/gtest.h>

namespace app_test {

inline AnsiString ExampleBook()
{
    return AnsiString::FromUtf8((TestData() / "InvoiceTypeImport" / "example.xls").string());
}

/// Opens the workbook the open dialog is answered with as invoice number
/// 17, without looking up article descriptions.
inline void OpenInvoiceNumber17(TFormMain& Main)
{
    AnswerScope<TFormIncoming> A([](TFormIncoming& F) {
        F.edInvNum->SetText("17");
        F.cbFindDescr->SetChecked(false);
        F.DoOk();
    });
    Main.acOpenInvoice->Execute();
    Application->ProcessMessages();
}

/// The invoice grid's column showing Tag.
inline int ColumnOfTag(TFormMain& Main, int Tag)
{
    for (int I = 0; I < Main.grid->Columns()->Count(); ++I)
        if (Main.grid->Columns()->GetItem(I)->Tag() == Tag)
            return I;
    ADD_FAILURE() << "no column of tag " << Tag;
    return 0;
}

} // namespace app_test
