#include "common/reports/RP_Page.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_View.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(RP_Page, ElementListKeepsOrderAndCountsSelection)
{
    TDocument Doc(nullptr);
    TPage* Page = Doc.CurrentPage();
    TView* A = new TView(vkText, &Doc);
    TView* B = new TView(vkText, &Doc);
    TView* C = new TView(vkText, &Doc);
    Page->AddView(A);
    Page->AddView(B);
    Page->AddView(C);
    Page->MoveView(0, 2);
    EXPECT_EQ(Page->IndexOfView(A), 2);
    Page->ExchangeViews(0, 1);
    EXPECT_EQ(Page->GetView(0), C);
    EXPECT_EQ(Page->LastView(), A);
    Page->DeleteView(0);
    EXPECT_EQ(Page->ViewCount(), 2);
    ExpectRaises<EListError>([&] { (void)Page->GetView(2); }, "List index out of bounds (2)");

    Page->GetView(0)->SetSelected(true);
    EXPECT_EQ(Page->GetSelectedCount(), 1);
    Page->ClearViews();
    EXPECT_EQ(Page->GetSelectedCount(), 0) << "every change of the list recounts";
    EXPECT_EQ(Page->LastView(), nullptr);
}
