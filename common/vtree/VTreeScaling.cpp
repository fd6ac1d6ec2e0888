#include "common/vtree/VTreeScaling.h"

#include "common/vtree/VTree.h"
#include "common/vtree/YLDVirtualTreeComponents.h"
#include "common/components/YldBaseForm.h"

namespace {

bool IsTree(TControl* Control)
{
    return dynamic_cast<TBaseVirtualTree*>(Control) != nullptr;
}

void AddAutoChangeScale(TControl* Control)
{
    auto* Tree = static_cast<TBaseVirtualTree*>(Control);
    TVTAutoOptions Options = Tree->TreeOptions()->AutoOptions();
    Options.Include(toAutoChangeScale);
    Tree->TreeOptions()->SetAutoOptions(Options);
}

void ScaleTree(TControl* Control, int M, int D)
{
    auto* Tree = static_cast<TBaseVirtualTree*>(Control);
    // Through the control: the tree's override is not public.
    Control->ChangeScale(M, D);
    TVirtualTreeColumns* Columns = Tree->Header()->Columns();
    for (int I = 0; I < Columns->Count(); ++I) {
        TVirtualTreeColumn* Column = Columns->GetItem(I);
        Column->SetWidth(MulDiv(Column->Width(), M, D));
    }
}

} // namespace

void RegisterTreeScaling()
{
    BaseFormTreeSupport Support;
    Support.IsTree = &IsTree;
    Support.AddAutoChangeScale = &AddAutoChangeScale;
    Support.ScaleTree = &ScaleTree;
    SetBaseFormTreeSupport(Support);
}

void RegisterTreeClasses()
{
    VTreeInitialization();
    YLDVirtualTreeComponentsInitialization();
}
