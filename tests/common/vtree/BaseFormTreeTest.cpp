// Trees on the scaling base form: their columns scale with the form, and
// the wheel over a tree that has no focus scrolls that tree.

#include "common/components/YldBaseForm.h"
#include "common/vtree/VTree.h"
#include "common/vtree/VTreeScaling.h"
#include "platform/forms/InputSimulation.h"
#include "platform/winapi/SystemMetrics.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

/// A form with a focused edit-like control and a tree of 100 rows below it.
struct TreeForm {
    std::unique_ptr<TBaseForm> Form = std::make_unique<TBaseForm>(nullptr);
    TVirtualStringTree* Tree;
    TVirtualStringTree* Other;

    explicit TreeForm(int StoredPpi)
    {
        RegisterTreeScaling();
        Form->SetSavePlacement(false);
        const LoadingScope Loading(Form.get());
        Form->SetStoredPixelsPerInch(StoredPpi);
        Form->SetBounds(100, 100, 500, 400);
        Other = new TVirtualStringTree(Form.get());
        Other->SetParent(Form.get());
        Other->SetBounds(8, 8, 200, 100);
        Tree = new TVirtualStringTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(8, 120, 400, 200);
    }
};

} // namespace

TEST(BaseFormTree, ColumnsScaleWithTheForm)
{
    SystemMetricsScope Metrics;
    Metrics->PixelsPerInch = 120;
    RegisterTreeScaling();
    auto Form = std::make_unique<TBaseForm>(nullptr);
    TVirtualStringTree* Tree;
    {
        const LoadingScope Loading(Form.get());
        Form->SetStoredPixelsPerInch(96);
        Tree = new TVirtualStringTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(8, 8, 400, 200);
        Tree->Header()->Columns()->Add()->SetWidth(100);
        Tree->Header()->Columns()->Add()->SetWidth(200);
    }
    EXPECT_TRUE(Tree->TreeOptions()->AutoOptions().Contains(toAutoChangeScale));
    EXPECT_EQ(Tree->Header()->Columns()->GetItem(0)->Width(), 125);
    EXPECT_EQ(Tree->Header()->Columns()->GetItem(1)->Width(), 250);
    EXPECT_EQ(Tree->BoundsRect(), Bounds(10, 10, 500, 250));
}

TEST(BaseFormTree, WheelOverAnUnfocusedTreeScrollsThatTree)
{
    const struct {
        const char* Name;
        bool Routing;
        bool TreeScrolls;
    } Cases[] = {
        {"routed to the tree under the pointer", true, true},
        {"without routing the focused control takes it", false, false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TreeForm F(0);
        F.Form->SetWheelRouting(C.Routing);
        F.Tree->SetRootNodeCount(100);
        F.Other->SetRootNodeCount(100);
        F.Form->Show();
        F.Other->SetFocus();
        Application->ProcessMessages();
        SimulateWheel(F.Tree, -120, 50, 50);
        Application->ProcessMessages();
        EXPECT_EQ(F.Tree->OffsetY() < 0, C.TreeScrolls);
        EXPECT_EQ(F.Other->OffsetY() < 0, !C.TreeScrolls);
    }
}
