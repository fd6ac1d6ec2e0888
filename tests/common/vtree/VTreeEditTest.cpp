// In-place editing of the string tree: the edit over the cell, keys that
// accept or cancel, focus loss, the text reaching OnNewText, another link
// from OnCreateEditor, the editor's width rules and the edit following its
// cell while the tree scrolls or the column is resized. An edit in progress
// is written as PNG.

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Cp1251.h"

#include "tests/common/components/ComponentsTestKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace components_test;

namespace {

AnsiString Cp(const std::u16string& S)
{
    std::string Bytes;
    for (char16_t C : S)
        Bytes += static_cast<char>(cp1251::FromUnicode(C));
    return AnsiString(Bytes);
}

struct EditHost {
    std::vector<std::u16string> Rows{u"Молоко", u"Кефир", u"Сметана", u"Творог"};
    std::vector<std::u16string> Stored;
    int Cancelled = 0;

    void GetText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column, TVSTTextType,
                 std::u16string& Text)
    {
        if (Column <= 0)
            Text = Rows[Node->Index % Rows.size()];
        else
            Text = u"12,50";
    }
    void NewText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex, const std::u16string& Text)
    {
        Rows[Node->Index % Rows.size()] = Text;
        Stored.push_back(Text);
    }
    void EditCancelled(TBaseVirtualTree*, TColumnIndex) { ++Cancelled; }
};

struct EditWindow {
    std::unique_ptr<TForm> Form = MakeForm(420, 300);
    TVirtualStringTree* Tree = nullptr;
    TEdit* Other = nullptr;
    EditHost Host;

    EditWindow()
    {
        Tree = new TVirtualStringTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(10, 10, 400, 240);
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-11);
        Tree->Header()->Font()->SetName("Arial");
        Tree->Header()->Font()->SetHeight(-11);
        Tree->OnGetText = TVSTGetTextEvent(&Host, &EditHost::GetText);
        Tree->OnNewText = TVSTNewTextEvent(&Host, &EditHost::NewText);
        Tree->OnEditCancelled = TVTEditCancelEvent(&Host, &EditHost::EditCancelled);
        Tree->TreeOptions()->SetMiscOptions(Tree->TreeOptions()->MiscOptions() +
                                            TVTMiscOptions{toEditable});
        Tree->TreeOptions()->SetPaintOptions(Tree->TreeOptions()->PaintOptions() -
                                             TVTPaintOptions{toShowRoot});
        Other = new TEdit(Form.get());
        Other->SetParent(Form.get());
        Other->SetBounds(10, 260, 200, 22);
        Form->Show();
        Tree->SetFocus();
    }
    ~EditWindow()
    {
        SetKeyStateForTest(VK_CONTROL, false);
    }
    void AddColumns(std::initializer_list<int> Widths)
    {
        TVTHeader* H = Tree->Header();
        for (int W : Widths)
            H->Columns()->Add()->SetWidth(W);
        H->SetHeight(20);
        H->SetOptions(H->Options() + TVTHeaderOptions{hoVisible});
    }
    PVirtualNode Row(int I)
    {
        PVirtualNode N = Tree->FirstNode();
        while (I-- > 0)
            N = N->NextSibling;
        return N;
    }
    TVTEdit* Edit() const
    {
        auto* Link = dynamic_cast<TStringEditLink*>(Tree->EditLink());
        return Link ? Link->Edit() : nullptr;
    }
    void Key(TWinControl* Target, Word Vk, bool Ctrl = false)
    {
        SetKeyStateForTest(VK_CONTROL, Ctrl);
        Target->Perform(WM_KEYDOWN, Vk, 0);
        SetKeyStateForTest(VK_CONTROL, false);
    }
    void Type(TWinControl* Target, const std::u16string& Text)
    {
        for (char16_t C : Text)
            Target->Perform(WM_CHAR, static_cast<WPARAM>(cp1251::FromUnicode(C)), 0);
    }
};

}  // namespace

TEST(VTreeEdit, KeysAcceptOrCancel)
{
    const struct {
        const char* Why;
        const char16_t* Typed;  // replaces the selected text
        Word EndKey;
        std::vector<std::u16string> Stored;
        int Cancelled;
    } Cases[] = {
        {"Enter accepts", u"Ряженка", VK_RETURN, {u"Ряженка"}, 0},
        {"Escape cancels", u"Ряженка", VK_ESCAPE, {}, 1},
        {"an unchanged text is not stored", u"", VK_RETURN, {}, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Why);
        EditWindow W;
        W.Tree->SetRootNodeCount(4);
        ASSERT_TRUE(W.Tree->StartEditing(W.Row(1), NoColumn));
        TVTEdit* E = W.Edit();
        ASSERT_TRUE(E);
        EXPECT_TRUE(E->Visible());
        EXPECT_EQ(E->Text(), Cp(u"Кефир"));
        W.Type(E, C.Typed);
        W.Key(E, C.EndKey);
        // Escape and Enter never arrive as characters in the text.
        E->Perform(WM_CHAR, C.EndKey == VK_ESCAPE ? 27 : 13, 0);
        EXPECT_FALSE(W.Tree->EditingActive());
        EXPECT_FALSE(E->Visible());
        EXPECT_EQ(W.Host.Stored, C.Stored);
        EXPECT_EQ(W.Host.Cancelled, C.Cancelled);
        EXPECT_TRUE(W.Tree->Focused());
    }
}

TEST(VTreeEdit, LeavingTheEditAcceptsOrDiscardsByTheOption)
{
    for (const bool AutoAccept : {true, false}) {
        SCOPED_TRACE(AutoAccept);
        EditWindow W;
        if (!AutoAccept)
            W.Tree->TreeOptions()->SetStringOptions(W.Tree->StringOptions() -
                                                    TVTStringOptions{toAutoAcceptEditChange});
        W.Tree->SetRootNodeCount(4);
        ASSERT_TRUE(W.Tree->StartEditing(W.Row(0), NoColumn));
        W.Type(W.Edit(), u"Йогурт");
        W.Other->SetFocus();  // a click elsewhere
        EXPECT_FALSE(W.Tree->EditingActive());
        EXPECT_EQ(W.Host.Stored,
                  AutoAccept ? std::vector<std::u16string>{u"Йогурт"} : std::vector<std::u16string>{});
        EXPECT_EQ(W.Host.Cancelled, AutoAccept ? 0 : 1);
    }
}

TEST(VTreeEdit, MultiLineNodesTakeEnterAsALineBreak)
{
    EditWindow W;
    W.AddColumns({200});
    W.Tree->SetRootNodeCount(2);
    W.Tree->SetMultiline(W.Row(0), true);
    ASSERT_TRUE(W.Tree->StartEditing(W.Row(0), 0));
    TVTEdit* E = W.Edit();
    W.Type(E, u"Масло");
    W.Key(E, VK_RETURN);
    E->Perform(WM_CHAR, 13, 0);
    EXPECT_TRUE(W.Tree->EditingActive()) << "Enter alone inserts a line break";
    W.Type(E, u"сливочное");
    W.Key(E, VK_RETURN, /*Ctrl=*/true);
    EXPECT_FALSE(W.Tree->EditingActive());
    ASSERT_EQ(W.Host.Stored.size(), 1u);
    EXPECT_EQ(W.Host.Stored[0], u"Масло\r\nсливочное");
}

TEST(VTreeEdit, TheEditorIsAtLeastThirtyPixelsWide)
{
    const struct {
        TAlignment Align;
        bool GrowsLeft;
    } Cases[] = {{taLeftJustify, false}, {taRightJustify, true}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(static_cast<int>(C.Align));
        EditWindow W;
        W.AddColumns({150, 20});
        W.Tree->Header()->Columns()->GetItem(1)->SetAlignment(C.Align);
        W.Host.Rows = {u"", u"", u"", u""};
        W.Tree->SetRootNodeCount(4);
        ASSERT_TRUE(W.Tree->StartEditing(W.Row(0), 1));
        auto* Link = dynamic_cast<TStringEditLink*>(W.Tree->EditLink());
        const TRect Cell{150, 0, 170, 18};
        Link->SetBounds(Cell);
        const TRect R = Link->GetBounds();
        EXPECT_EQ(R.Width(), 30);
        EXPECT_EQ(R.Left, C.GrowsLeft ? 140 : 150);
        // Never past the client area's right edge.
        Link->SetBounds(TRect{380, 0, 450, 18});
        EXPECT_EQ(Link->GetBounds().Right, W.Tree->ClientWidth());
        W.Tree->AbortEditing();
    }
}

TEST(VTreeEdit, TheEditFollowsItsCell)
{
    EditWindow W;
    W.AddColumns({120, 150});
    W.Tree->SetRootNodeCount(100);
    W.Tree->SetOffsetY(-5 * 18);
    PVirtualNode Node = W.Row(8);
    ASSERT_TRUE(W.Tree->StartEditing(Node, 1));
    TVTEdit* E = W.Edit();
    const int Top = E->Top();
    const int Left = E->Left();
    // Scrolling moves the edit with the rows.
    W.Tree->SetOffsetY(-3 * 18);
    EXPECT_EQ(E->Top(), Top + 2 * 18);
    // A wider first column pushes it right.
    W.Tree->Header()->Columns()->GetItem(0)->SetWidth(160);
    EXPECT_EQ(E->Left(), Left + 40);
    EXPECT_TRUE(W.Tree->EditingActive());
    W.Tree->AbortEditing();
}

TEST(VTreeEdit, SlowSecondClickOrF2EditsTheCell)
{
    EditWindow W;
    W.Tree->SetRootNodeCount(4);
    const TRect R = W.Tree->NodeDisplayRect(W.Row(2), NoColumn, true);
    const LPARAM P = MakeLParam((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
    for (int I = 0; I < 2; ++I) {
        W.Tree->Perform(WM_LBUTTONDOWN, MK_LBUTTON, P);
        W.Tree->Perform(WM_LBUTTONUP, 0, P);
    }
    W.Tree->Perform(WM_TIMER, 2, 0);  // the edit delay ran out
    ASSERT_TRUE(W.Tree->EditingActive());
    EXPECT_EQ(W.Edit()->Text(), Cp(u"Сметана"));
    W.Type(W.Edit(), u"Сыр");
    W.Key(W.Edit(), VK_RETURN);
    EXPECT_EQ(W.Host.Stored, (std::vector<std::u16string>{u"Сыр"}));
    // F2 edits the focused cell from the keyboard.
    W.Key(W.Tree, VK_DOWN);
    W.Key(W.Tree, VK_F2);
    ASSERT_TRUE(W.Tree->EditingActive());
    EXPECT_EQ(W.Edit()->Text(), Cp(u"Творог"));
    W.Key(W.Edit(), VK_ESCAPE);
    EXPECT_FALSE(W.Tree->EditingActive());
}

TEST(VTreeEdit, HostSuppliesAnotherLink)
{
    struct Link : IVTEditLink {
        std::vector<std::string>* Calls;
        explicit Link(std::vector<std::string>* C) : Calls(C) {}
        bool BeginEdit() override { Calls->push_back("begin"); return true; }
        bool CancelEdit() override { Calls->push_back("cancel"); return true; }
        bool EndEdit() override { Calls->push_back("end"); return true; }
        bool PrepareEdit(TBaseVirtualTree*, PVirtualNode, TColumnIndex) override
        {
            Calls->push_back("prepare");
            return true;
        }
        TRect GetBounds() override { return TRect(); }
        void SetBounds(const TRect&) override { Calls->push_back("bounds"); }
    };
    struct Host {
        std::vector<std::string> Calls;
        void Create(TBaseVirtualTree*, PVirtualNode, TColumnIndex, IVTEditLinkPtr& L)
        {
            L = std::make_shared<Link>(&Calls);
        }
    } H;
    EditWindow W;
    W.Tree->OnCreateEditor = TVTCreateEditorEvent(&H, &Host::Create);
    W.Tree->SetRootNodeCount(2);
    ASSERT_TRUE(W.Tree->StartEditing(W.Row(0), NoColumn));
    EXPECT_EQ(W.Edit(), nullptr);
    W.Tree->FinishEditing();
    EXPECT_EQ(H.Calls, (std::vector<std::string>{"prepare", "bounds", "begin", "end"}));
}

TEST(VTreeEdit, DestroyingTheTreeWhileEditingStoresNothing)
{
    EditWindow W;
    W.Tree->SetRootNodeCount(2);
    ASSERT_TRUE(W.Tree->StartEditing(W.Row(0), NoColumn));
    W.Type(W.Edit(), u"Пропадёт");
    delete W.Tree;
    W.Tree = nullptr;
    EXPECT_TRUE(W.Host.Stored.empty());
}

TEST(VTreeEdit, RendersAnEditInProgress)
{
    EditWindow W;
    W.AddColumns({160, 120});
    W.Tree->SetRootNodeCount(4);
    ASSERT_TRUE(W.Tree->StartEditing(W.Row(1), 0));
    W.Type(W.Edit(), u"Кефир 3,2%");
    auto B = Render(W.Tree);
    // The editor grew with the text: nothing scrolled out of sight.
    EXPECT_EQ(W.Edit()->HorzPos(), 0);
    // The edit's window colour covers the cell's text row.
    const TRect E = W.Edit()->BoundsRect();
    EXPECT_EQ(PixelOf(*B, E.Right - 4 + 2, E.Top + 20 + 2 + E.Height() / 2), Rgb(clWindow));
    SavePng(*B, "vtree-edit-in-progress");
    W.Tree->AbortEditing();
}
