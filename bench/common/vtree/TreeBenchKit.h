#pragma once

// Shared by the tree's window benchmarks: the application on Qt's offscreen
// platform, a tree whose cells show "Item <index>/<column>" made on demand,
// and the item model of the QTreeView peer that stores nothing and makes
// the same texts on demand. Qt is used directly in the benchmarks only, for
// the comparison.

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Windows.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QHeaderView>
#include <QImage>
#include <QString>
#include <QTreeView>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>

namespace tree_bench {

inline constexpr int Rows = 1000000;

inline void EnsureGui()
{
    static const bool Started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
        static int Argc = 1;
        static char Name[] = "vtree_bench";
        static char* Argv[] = {Name, nullptr};
        GuiStartup(Argc, Argv);
        return true;
    }();
    (void)Started;
}

/// The cell text "Item <index>/<column>" into Buffer (at least 32 bytes);
/// its length. Written by hand: both sides make a million of them.
inline int ItemText(char* Buffer, Cardinal Index, TColumnIndex Column)
{
    char* P = Buffer;
    for (const char* S = "Item "; *S; ++S)
        *P++ = *S;
    char Digits[12];
    int N = 0;
    do {
        Digits[N++] = static_cast<char>('0' + Index % 10);
        Index /= 10;
    } while (Index > 0);
    while (N > 0)
        *P++ = Digits[--N];
    *P++ = '/';
    if (Column < 0) {
        *P++ = '-';
        Column = -Column;
    }
    do {
        Digits[N++] = static_cast<char>('0' + Column % 10);
        Column /= 10;
    } while (Column > 0);
    while (N > 0)
        *P++ = Digits[--N];
    return static_cast<int>(P - Buffer);
}

class TextTree : public TBaseVirtualTree {
public:
    explicit TextTree(TComponent* AOwner) : TBaseVirtualTree(AOwner)
    {
        OnIncrementalSearch = TVTIncrementalSearchEvent(this, &TextTree::Search);
    }
    int Cells = 0;

protected:
    static std::u16string TextOf(PVirtualNode Node, TColumnIndex Column)
    {
        char Buffer[32];
        const int N = ItemText(Buffer, Node->Index, Column);
        return std::u16string(Buffer, Buffer + N);
    }
    int GetNodeWidth(PVirtualNode Node, TColumnIndex Column, TCanvas* Canvas) override
    {
        const std::u16string T = TextOf(Node, Column);
        TSize Size{0, 0};
        GetTextExtentPoint32W(Canvas->Handle(), T.data(), static_cast<int>(T.size()), Size);
        return Size.cx;
    }
    void DoPaintNode(TVTPaintInfo& PI) override
    {
        const std::u16string T = TextOf(PI.Node, PI.Column);
        TRect R = PI.ContentRect;
        R.Left += TextMargin();
        DrawTextW(PI.Canvas->Handle(), T.data(), static_cast<int>(T.size()), R,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        ++Cells;
    }

private:
    // The main column's text starts with the search text, in any case.
    void Search(TBaseVirtualTree*, PVirtualNode Node, const std::u16string& Text, int& Result)
    {
        char Buffer[32];
        const int N = ItemText(Buffer, Node->Index, 0);
        Result = 0;
        if (static_cast<int>(Text.size()) > N) {
            Result = 1;
            return;
        }
        for (size_t I = 0; I < Text.size(); ++I)
            if (std::tolower(static_cast<unsigned char>(Buffer[I])) != std::tolower(Text[I] & 0xFF)) {
                Result = 1;
                return;
            }
    }
};

class OnDemandModel : public QAbstractItemModel {
public:
    mutable int Asked = 0;  // display texts made
    QModelIndex index(int Row, int Column, const QModelIndex& Parent) const override
    {
        return Parent.isValid() ? QModelIndex() : createIndex(Row, Column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& Parent) const override { return Parent.isValid() ? 0 : Rows; }
    int columnCount(const QModelIndex&) const override { return 3; }
    QVariant data(const QModelIndex& Index, int Role) const override
    {
        if (Role != Qt::DisplayRole)
            return {};
        ++Asked;
        char Buffer[32];
        const int N = ItemText(Buffer, static_cast<Cardinal>(Index.row()), Index.column());
        return QString::fromLatin1(Buffer, N);
    }
};

/// An 800 x 600 form for the tree: three columns (200, 300, 300) under a
/// visible header, a million top-level nodes, Arial 12 px.
struct TreePage {
    std::unique_ptr<TForm> Form;
    TextTree* Tree = nullptr;

    TreePage()
    {
        EnsureGui();
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetClientWidth(800);
        Form->SetClientHeight(600);
        Form->Show();
    }
    void MakeTree()
    {
        Tree = new TextTree(Form.get());
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-12);
        Tree->Header()->Font()->Assign(Tree->Font());
        for (int W : {200, 300, 300})
            Tree->Header()->Columns()->Add()->SetWidth(W);
        Tree->Header()->SetOptions(Tree->Header()->Options() + TVTHeaderOptions{hoVisible});
        Tree->SetRootNodeCount(Rows);
    }
    void ShowTree()
    {
        Tree->SetBorderStyle(bsNone);
        Tree->SetParent(Form.get());
        Tree->SetBounds(0, 0, 800, 600);
    }
    void Paint()
    {
        Tree->Invalidate();
        Tree->Update();
    }
    void BuildAndPaint()
    {
        MakeTree();
        ShowTree();
        Paint();
    }
};

/// The QTreeView over the on-demand model, the same size, font and columns.
struct QtPage {
    OnDemandModel Model;
    std::unique_ptr<QTreeView> View;

    void Make()
    {
        EnsureGui();
        View = std::make_unique<QTreeView>();
        QFont Font(QStringLiteral("Liberation Sans"));
        Font.setPixelSize(12);
        View->setFont(Font);
        View->setUniformRowHeights(true);
        View->setRootIsDecorated(false);
        View->setModel(&Model);
        View->header()->resizeSection(0, 200);
        View->header()->resizeSection(1, 300);
        View->header()->resizeSection(2, 300);
        View->resize(800, 600);
    }
    // Rendered into an image: on the offscreen platform repaint() may
    // return without painting.
    QImage Image{800, 600, QImage::Format_RGB32};
    void Paint() { View->viewport()->render(&Image); }
    void BuildAndPaint()
    {
        Make();
        View->show();
        Paint();
    }
};

} // namespace tree_bench
