#include "app/VelkorCFG.h"
#include "app/VelkorCFGPrivate.h"

#include "common/vtree/YLDVirtualTreeComponents.h"
#include "platform/rtl/Cp1251.h"

#include <string>

namespace {

std::u16string ToU16(const AnsiString& S)
{
    std::u16string R;
    R.reserve(static_cast<size_t>(S.Length()));
    for (int I = 1; I <= S.Length(); ++I)
        R.push_back(static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(S[I]))));
    return R;
}

/// Answers the tree's questions from the dialog; owned by the dialog.
class ImportTreeHost : public TComponent {
public:
    ImportTreeHost(TFormCFG* Form, Tyl_VirtualStringTree* Tree)
        : TComponent(Form), FForm(Form), FTree(Tree)
    {
    }

    void GetText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column, TVSTTextType,
                 std::u16string& Text)
    {
        if (Column < 0 || Column >= FTree->GetColumnCount())
            return;
        const int Tag = FTree->GetColumns()->GetItem(Column)->Tag();
        Text = ToU16(FForm->CellText(static_cast<int>(Node->Index), Tag));
    }
    void DblClick(TObject*) { FForm->EditKeywords(); }

private:
    TFormCFG* FForm;
    Tyl_VirtualStringTree* FTree;
};

} // namespace

Tyl_VirtualStringTree* MakeImportTree(TFormCFG* Form, TWinControl* Page)
{
    auto* Tree = new Tyl_VirtualStringTree(Form);
    Tree->SetName("vsImport");
    Tree->SetParent(Page);
    Tree->SetAlign(alClient);
    auto* Options = static_cast<TStringTreeOptions*>(Tree->TreeOptions());
    TVTSelectionOptions Selection = Options->SelectionOptions();
    Selection.Include(toFullRowSelect);
    Selection.Include(toMultiSelect);
    Options->SetSelectionOptions(Selection);
    TVTPaintOptions Paint = Options->PaintOptions();
    Paint.Include(toShowHorzGridLines);
    Paint.Include(toShowVertGridLines);
    Paint.Exclude(toShowRoot);
    Paint.Exclude(toShowTreeLines);
    Options->SetPaintOptions(Paint);
    TVTHeader* Header = Tree->Header();
    struct ColumnLayout {
        const char* Caption;
        int Tag;
        int Width;
        TAlignment Alignment;
    };
    const ColumnLayout Columns[] = {
        {"№", 99, 30, taCenter},
        {"Наименование столбца", 1, 150, taLeftJustify},
        {"Заголовки", 2, 436, taLeftJustify},
    };
    for (const ColumnLayout& Column : Columns) {
        TVirtualTreeColumn* C = Header->Columns()->Add();
        C->SetText(ToU16(AnsiString::FromUtf8(Column.Caption)));
        C->SetTag(Column.Tag);
        C->SetWidth(Column.Width);
        C->SetAlignment(Column.Alignment);
    }
    Header->SetAutoSizeIndex(2);
    TVTHeaderOptions HeaderOptions = Header->Options();
    HeaderOptions.Include(hoVisible);
    HeaderOptions.Include(hoAutoResize);
    Header->SetOptions(HeaderOptions);
    auto* Host = new ImportTreeHost(Form, Tree);
    Tree->OnGetText = TVSTGetTextEvent(Host, &ImportTreeHost::GetText);
    Tree->OnDblClick = TNotifyEvent(Host, &ImportTreeHost::DblClick);
    return Tree;
}

AnsiString ImportTreeLayout(Tyl_VirtualStringTree* Tree)
{
    return Tree->GetStateStatusStr();
}

void SetImportTreeLayout(Tyl_VirtualStringTree* Tree, const AnsiString& Layout)
{
    Tree->SetStateStatusStr(Layout);
}

int ImportTreeFocusedIndex(Tyl_VirtualStringTree* Tree)
{
    return Tree->GetFocusedIndex();
}

void SetImportTreeRows(Tyl_VirtualStringTree* Tree, int Count)
{
    Tree->SetRootNodeCount(static_cast<Cardinal>(Count));
    Tree->Invalidate();
}

void RepaintImportTree(Tyl_VirtualStringTree* Tree)
{
    Tree->Invalidate();
}

void SelectImportTreeRows(Tyl_VirtualStringTree* Tree, std::initializer_list<int> Rows,
                          int Focused)
{
    for (PVirtualNode Node = Tree->FirstNode(); Node; Node = Tree->NextNode(Node))
        Tree->SetSelected(Node, false);
    for (PVirtualNode Node = Tree->FirstNode(); Node; Node = Tree->NextNode(Node)) {
        for (int Row : Rows)
            if (static_cast<int>(Node->Index) == Row)
                Tree->SetSelected(Node, true);
        if (static_cast<int>(Node->Index) == Focused)
            Tree->SetFocusedNode(Node);
    }
}
