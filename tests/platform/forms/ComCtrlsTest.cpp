#include "platform/forms/ComCtrls.h"

#include "platform/forms/Buttons.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/classes/Strings.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

/// A shown form of 400 x 300 pixels.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 400, 300);
    }
    template <class T>
    T* Make()
    {
        auto* C = new T(Form.get());
        C->SetParent(Form.get());
        return C;
    }

    std::unique_ptr<TForm> Form;
};

// ---- list view -----------------------------------------------------------------------------

/// Owner data: row I shows "Row I" and "Sub I"; records what was asked
/// and what was selected.
class OwnerDataSource : public TComponent {
public:
    OwnerDataSource() : TComponent(nullptr) {}
    void Data(TObject*, TListItem* Item)
    {
        ++Asked;
        Item->SetCaption(AnsiString("Row " + std::to_string(Item->Index())));
        Item->SubItems()->Add(AnsiString("Sub " + std::to_string(Item->Index())));
        Item->SetStateIndex(Item->Index() % 2);
    }
    void Select(TObject*, TListItem* Item, bool Selected)
    {
        Log.push_back((Selected ? "+" : "-") + std::to_string(Item->Index()));
    }
    void Column(TObject*, TListColumn* Column) { Log.push_back("column " + std::to_string(Column->Index())); }

    int Asked = 0;
    std::vector<std::string> Log;
};

class ListViewTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        List = Make<TListView>();
        List->SetBounds(0, 0, 300, 200);
        List->SetViewStyle(vsReport);
        List->Columns()->Add()->SetCaption("Наименование"_a);
        List->Columns()->Items(0)->SetWidth(150);
        List->Columns()->Add()->SetCaption("Код"_a);
        List->Columns()->Items(1)->SetWidth(100);
        List->OnSelectItem = TLVSelectItemEvent(&Source, &OwnerDataSource::Select);
        List->OnColumnClick = TLVColumnClickEvent(&Source, &OwnerDataSource::Column);
        Form->Show();
        List->SetFocus();
    }
    /// Client y of the middle of row Index.
    int RowY(int Index) { return List->ItemRect(Index).Top + List->RowHeight() / 2; }

    OwnerDataSource Source;
    TListView* List = nullptr;
};

TEST_F(ListViewTest, OwnerDataRowsComeFromOnDataWithTheirSelection)
{
    List->SetOwnerData(true);
    List->OnData = TLVOwnerDataEvent(&Source, &OwnerDataSource::Data);
    List->Items()->SetCount(1000);
    ASSERT_EQ(List->Items()->Count(), 1000);
    TListItem* Item = List->Items()->Item(537);
    EXPECT_EQ(Item->Caption(), "Row 537");
    EXPECT_EQ(Item->SubItems()->Strings(0), "Sub 537");
    EXPECT_EQ(Item->StateIndex(), 1);
    ExpectRaises<EListError>([&] { List->Items()->Item(1000); }, "List index out of bounds (1000)");
    ExpectRaises<EListError>([&] { List->Items()->Add(); }, "List index out of bounds (1000)");

    SimulateClick(List, 20, RowY(2));
    EXPECT_EQ(List->ItemIndex(), 2);
    EXPECT_EQ(List->Selected()->Caption(), "Row 2");
    SimulateKey(VK_END);
    EXPECT_EQ(List->ItemIndex(), 999);
    EXPECT_EQ(List->TopItem()->Index() + List->VisibleRowCount(), 1000); // scrolled to the last row
    // Painting asks only for the rows shown.
    Source.Asked = 0;
    List->Repaint();
    EXPECT_LE(Source.Asked, List->VisibleRowCount() + 2);
    // A new count clears the selection.
    List->Items()->SetCount(10);
    EXPECT_EQ(List->SelCount(), 0);
    EXPECT_EQ(List->ItemFocused(), nullptr);
}

TEST_F(ListViewTest, ClicksAndKeysSelectWithShiftAndCtrlInMultiSelect)
{
    for (int I = 0; I < 6; ++I)
        List->Items()->Add()->SetCaption(AnsiString("Item " + std::to_string(I)));
    List->SetMultiSelect(true);
    SimulateClick(List, 20, RowY(1));
    SimulateClick(List, 20, RowY(3), mbLeft, {ssShift});
    EXPECT_EQ(List->SelCount(), 3);
    SimulateClick(List, 20, RowY(2), mbLeft, {ssCtrl}); // takes 2 out
    EXPECT_FALSE(List->Items()->Item(2)->Selected());
    EXPECT_EQ(List->SelCount(), 2);
    SimulateKey(VK_DOWN); // a plain key selects only the next row
    EXPECT_EQ(List->SelCount(), 1);
    EXPECT_EQ(List->ItemIndex(), 3);
    EXPECT_EQ(List->ItemFocused()->Index(), 3);
    // Without MultiSelect one row at a time, whatever the keys.
    List->SetMultiSelect(false);
    SimulateClick(List, 20, RowY(5), mbLeft, {ssShift});
    EXPECT_EQ(List->SelCount(), 1);
    EXPECT_EQ(List->ItemIndex(), 5);
    // A click below the rows clears the selection.
    SimulateClick(List, 20, RowY(5) + 3 * List->RowHeight());
    EXPECT_EQ(List->ItemIndex(), -1);
    EXPECT_EQ(Source.Log.front(), "+1");
}

TEST_F(ListViewTest, DeletingRowsKeepsFocusAndSelectionOnTheRightItems)
{
    for (int I = 0; I < 5; ++I)
        List->Items()->Add()->SetCaption(AnsiString("Item " + std::to_string(I)));
    List->SetItemIndex(3);
    List->Items()->Delete(1);
    EXPECT_EQ(List->Selected()->Caption(), "Item 3");
    EXPECT_EQ(List->ItemFocused()->Caption(), "Item 3");
    List->Items()->Item(2)->Delete(); // the selected one
    EXPECT_EQ(List->Selected(), nullptr);
    EXPECT_EQ(List->ItemFocused(), nullptr);
    EXPECT_EQ(List->Items()->Item(2)->Caption(), "Item 4");
    EXPECT_EQ(List->Items()->Item(2)->Index(), 2);
}

TEST_F(ListViewTest, ColumnClicksAndWidthsFollowTheHeader)
{
    SimulateClick(List, 160, 3); // the second title
    EXPECT_EQ(Source.Log, std::vector<std::string>({"column 1"}));
    TListColumn* C = List->Columns()->Items(0);
    C->SetMinWidth(40);
    C->SetWidth(10);
    EXPECT_EQ(C->Width(), 40);
    EXPECT_EQ(List->ColumnsWidth(), 140);
}

TEST_F(ListViewTest, DraggingATitleEdgeSizesTheColumnOnItsLeft)
{
    // The edge between the titles is at 150; the drag takes the first
    // column from 150 to 190 and clicks no title.
    SimulateMouseDown(List, mbLeft, 151, 3);
    SimulateMouseMove(List, 171, 3);
    SimulateMouseMove(List, 191, 3);
    SimulateMouseUp(List, mbLeft, 191, 3);
    EXPECT_EQ(List->Columns()->Items(0)->Width(), 190);
    EXPECT_EQ(List->Columns()->Items(1)->Width(), 100);
    EXPECT_TRUE(Source.Log.empty());
    // After the drag, moving does nothing; the kept minimum holds.
    SimulateMouseMove(List, 250, 3);
    EXPECT_EQ(List->Columns()->Items(0)->Width(), 190);
    List->Columns()->Items(1)->SetMinWidth(30);
    SimulateMouseDown(List, mbLeft, 290, 3);
    SimulateMouseMove(List, 200, 3);
    SimulateMouseUp(List, mbLeft, 200, 3);
    EXPECT_EQ(List->Columns()->Items(1)->Width(), 30);
}

// ---- tool bar, buttons ---------------------------------------------------------------------------

TEST_F(FormTest, ToolBarPlacesButtonsInARowAndGroupsCheckButtons)
{
    auto* Bar = Make<TToolBar>();
    std::vector<TToolButton*> B;
    for (int I = 0; I < 4; ++I) {
        auto* Button = new TToolButton(Form.get());
        Button->SetLeft(I * 100); // placed in this order
        Button->SetParent(Bar);
        B.push_back(Button);
    }
    B[1]->SetStyle(tbsSeparator);
    for (int I : {2, 3}) {
        B[static_cast<size_t>(I)]->SetStyle(tbsCheck);
        B[static_cast<size_t>(I)]->SetGrouped(true);
    }
    Bar->ArrangeButtons();
    EXPECT_EQ(Bar->ButtonCount(), 4);
    EXPECT_EQ(Bar->Buttons(2), B[2]);
    EXPECT_EQ(B[0]->Left(), 0);
    EXPECT_EQ(B[1]->Left(), Bar->ButtonWidth());
    EXPECT_EQ(B[2]->Left(), Bar->ButtonWidth() + 8); // a separator is 8 wide
    EXPECT_EQ(Bar->Align(), alTop);
    Form->Show();
    SimulateClick(B[2], 3, 3);
    SimulateClick(B[3], 3, 3);
    EXPECT_FALSE(B[2]->Down());
    EXPECT_TRUE(B[3]->Down());
    SimulateClick(B[3], 3, 3); // the group keeps one down
    EXPECT_TRUE(B[3]->Down());
}

TEST_F(FormTest, DropDownButtonOpensItsMenuFromTheArrow)
{
    auto* Bar = Make<TToolBar>();
    auto* Button = new TToolButton(Form.get());
    Button->SetParent(Bar);
    Button->SetStyle(tbsDropDown);
    auto* Menu = new TPopupMenu(Form.get());
    Button->SetDropdownMenu(Menu);
    Bar->ArrangeButtons();
    Form->Show();
    int Popups = 0;
    const PopupMenuHookScope Scope([&](TPopupMenu& M, TPoint P) {
        EXPECT_EQ(&M, Menu);
        EXPECT_EQ(P, Button->ClientToScreen({0, Button->Height()}));
        ++Popups;
        return static_cast<TMenuItem*>(nullptr);
    });
    SimulateClick(Button, Button->Width() - 4, 5);
    SimulateClick(Button, 4, 5); // the face: a click, no menu
    EXPECT_EQ(Popups, 1);
    EXPECT_EQ(Menu->PopupComponent(), Button);
}

TEST_F(FormTest, SpeedButtonsOfAGroupStayDownOneAtATime)
{
    std::vector<TSpeedButton*> B;
    for (int I = 0; I < 3; ++I) {
        auto* S = Make<TSpeedButton>();
        S->SetLeft(I * 30);
        S->SetGroupIndex(I < 2 ? 1 : 2);
        B.push_back(S);
    }
    Form->Show();
    SimulateClick(B[0], 5, 5);
    SimulateClick(B[2], 5, 5); // another group
    EXPECT_TRUE(B[0]->Down());
    SimulateClick(B[1], 5, 5);
    EXPECT_FALSE(B[0]->Down());
    EXPECT_TRUE(B[1]->Down());
    EXPECT_TRUE(B[2]->Down());
    SimulateClick(B[1], 5, 5); // AllowAllUp off: stays down
    EXPECT_TRUE(B[1]->Down());
    B[1]->SetAllowAllUp(true);
    SimulateClick(B[1], 5, 5);
    EXPECT_FALSE(B[1]->Down());
    // Without a group a button springs back.
    B[2]->SetGroupIndex(0);
    EXPECT_FALSE(B[2]->Down());
    B[2]->SetDown(true);
    EXPECT_FALSE(B[2]->Down());
}

TEST_F(FormTest, BitBtnKindsGiveCaptionAndModalResult)
{
    struct Case {
        TBitBtnKind Kind;
        const char* Caption;
        TModalResult Result;
        bool Default;
        bool Cancel;
    };
    const Case Cases[] = {
        {bkOK, "OK", mrOk, true, false},               // confirms with Enter
        {bkCancel, "Отмена", mrCancel, false, true},   // cancels with Escape
        {bkYes, "&Да", mrYes, true, false},
        {bkNo, "&Нет", mrNo, false, true},
        {bkAbort, "Прервать", mrAbort, false, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Caption);
        auto* Button = Make<TBitBtn>();
        Button->SetKind(C.Kind);
        EXPECT_EQ(Button->Caption(), AnsiString::FromUtf8(C.Caption));
        EXPECT_EQ(Button->ModalResult(), C.Result);
        EXPECT_EQ(Button->Default(), C.Default);
        EXPECT_EQ(Button->Cancel(), C.Cancel);
    }
    // A 64 x 16 glyph holds four images.
    auto* Button = Make<TBitBtn>();
    TBitmap Glyph;
    Glyph.SetSize(64, 16);
    Button->SetGlyph(&Glyph);
    EXPECT_EQ(Button->NumGlyphs(), 4);
}

// ---- pages, bars, arrows ----------------------------------------------------------------------------

TEST_F(FormTest, PageControlSwitchesSheetsUnlessOnChangingRefuses)
{
    auto* Pages = Make<TPageControl>();
    Pages->SetBounds(0, 0, 300, 200);
    std::vector<TTabSheet*> Sheets;
    for (const char* Caption : {"Справочные", "Переменные", "Импорт"}) {
        auto* S = new TTabSheet(Form.get());
        S->SetCaption(AnsiString::FromUtf8(Caption));
        S->SetPageControl(Pages);
        Sheets.push_back(S);
    }
    Form->Show();
    EXPECT_EQ(Pages->ActivePage(), Sheets[0]); // the first sheet shows
    EXPECT_TRUE(Sheets[0]->Visible());
    EXPECT_FALSE(Sheets[1]->Visible());
    const TRect Tab = Pages->TabRect(2);
    SimulateClick(Pages, Tab.Left + 3, Tab.Top + 3);
    EXPECT_EQ(Pages->ActivePageIndex(), 2);
    EXPECT_FALSE(Sheets[0]->Visible());
    // A resized control keeps its sheet filling the display area.
    Pages->SetBounds(0, 0, 500, 400);
    EXPECT_EQ(Sheets[2]->BoundsRect(), Pages->DisplayRect());

    struct Refuse : TComponent {
        Refuse() : TComponent(nullptr) {}
        void Changing(TObject*, bool& Allow) { Allow = false; }
    } R;
    Pages->OnChanging = TTabChangingEvent(&R, &Refuse::Changing);
    const TRect First = Pages->TabRect(0);
    SimulateClick(Pages, First.Left + 3, First.Top + 3);
    EXPECT_EQ(Pages->ActivePageIndex(), 2);
    Pages->OnChanging = nullptr;

    // A hidden tab leaves the row and passes the page on.
    Sheets[2]->SetTabVisible(false);
    EXPECT_EQ(Pages->ActivePage(), Sheets[0]);
    EXPECT_EQ(Sheets[2]->TabIndex(), -1);
    Pages->SetActivePage(Sheets[2]);
    EXPECT_EQ(Pages->ActivePage(), Sheets[0]);
    // A freed sheet leaves the control.
    delete Sheets[0];
    EXPECT_EQ(Pages->PageCount(), 2);
    EXPECT_EQ(Pages->ActivePage(), Sheets[1]);
}

TEST_F(FormTest, StatusPanelsShareTheWidthAndTheLastTakesTheRest)
{
    auto* Bar = Make<TStatusBar>();
    for (int W : {1, 80, 150})
        Bar->Panels()->Add()->SetWidth(W);
    Bar->Panels()->Items(1)->SetText("Лист 1/1"_a);
    Form->Show();
    EXPECT_EQ(Bar->Align(), alBottom);
    EXPECT_EQ(Bar->PanelRect(1).Left, 1);
    EXPECT_EQ(Bar->PanelRect(1).Right, 81);
    EXPECT_EQ(Bar->PanelRect(2).Right, Bar->ClientWidth());
    ExpectRaises<EListError>([&] { Bar->Panels()->Items(3); }, "List index out of bounds (3)");
}

TEST_F(FormTest, UpDownStepsWithinItsRangeAndWritesTheAssociate)
{
    auto* Edit = Make<TEdit>();
    auto* Arrows = Make<TUpDown>();
    Arrows->SetMin(1);
    Arrows->SetMax(20);
    Arrows->SetPosition(19);
    Arrows->SetAssociate(Edit);
    EXPECT_EQ(Arrows->Left(), Edit->Left() + Edit->Width());
    EXPECT_EQ(Edit->Text(), "19");
    Form->Show();
    SimulateClick(Arrows, 3, 2); // upper half: next
    SimulateClick(Arrows, 3, 2); // at the top: stays
    EXPECT_EQ(Arrows->Position(), 20);
    Arrows->SetWrap(true);
    Arrows->DoStep(btNext);
    EXPECT_EQ(Arrows->Position(), 1);
    Arrows->SetPosition(-5);
    EXPECT_EQ(Edit->Text(), "1");
    Edit->SetFocus();
    SimulateKey(VK_UP); // the arrow keys of the edit step too
    EXPECT_EQ(Arrows->Position(), 2);
}

TEST_F(FormTest, ProgressBarKeepsItsPositionInRangeAndWrapsStepIt)
{
    auto* Bar = Make<TProgressBar>();
    Bar->SetPosition(150);
    EXPECT_EQ(Bar->Position(), 100);
    Bar->SetMax(50);
    EXPECT_EQ(Bar->Position(), 50);
    Bar->SetPosition(45);
    Bar->StepIt(); // past Max it starts again from Min
    EXPECT_EQ(Bar->Position(), 4);
}

TEST_F(FormTest, HeaderSectionsResizeByTheirEdgeWithinLimits)
{
    auto* Header = Make<THeaderControl>();
    THeaderSection* A = Header->Sections()->Add();
    A->SetWidth(100);
    A->SetMinWidth(10);
    THeaderSection* B = Header->Sections()->Add();
    B->SetWidth(60);
    Form->Show();
    SimulateMouseDown(Header, mbLeft, 100, 5);
    SimulateMouseMove(Header, 40, 5);
    SimulateMouseUp(Header, mbLeft, 40, 5);
    EXPECT_EQ(A->Width(), 40);
    EXPECT_EQ(B->Left(), 40);
    SimulateMouseDown(Header, mbLeft, 40, 5);
    SimulateMouseMove(Header, -50, 5);
    SimulateMouseUp(Header, mbLeft, -50, 5);
    EXPECT_EQ(A->Width(), 10);
}

TEST_F(FormTest, SectionAndColumnWidthsStayWithinTheirLimits)
{
    const auto Check = [](auto* C, int DefaultMax) {
        EXPECT_EQ(C->MaxWidth(), DefaultMax);
        C->SetWidth(20000);
        EXPECT_EQ(C->Width(), DefaultMax > 0 ? DefaultMax : 20000);
        C->SetMaxWidth(80);
        EXPECT_EQ(C->Width(), 80) << "a new maximum cuts the width";
        C->SetWidth(5);
        C->SetMinWidth(30);
        EXPECT_EQ(C->Width(), 30) << "a new minimum widens it";
        C->SetMaxWidth(-5);
        EXPECT_EQ(C->MaxWidth(), 0) << "none";
        C->SetWidth(300);
        EXPECT_EQ(C->Width(), 300);
        C->SetMinWidth(-3);
        EXPECT_EQ(C->MinWidth(), 0);
    };
    {
        SCOPED_TRACE("header section");
        Check(Make<THeaderControl>()->Sections()->Add(), 10000);
    }
    {
        SCOPED_TRACE("list column");
        Check(Make<TListView>()->Columns()->Add(), 0);
    }
}

// ---- tree view ------------------------------------------------------------------------------------

TEST_F(FormTest, TreeKeysMoveTheSelectionAndOpenAndCloseNodes)
{
    auto* Tree = Make<TTreeView>();
    Tree->SetBounds(0, 0, 200, 200);
    TTreeNode* Doc = Tree->Items()->AddChild(nullptr, "Документ"_a);
    TTreeNode* Rows = Tree->Items()->AddChild(nullptr, "Строки"_a);
    TTreeNode* Name = Tree->Items()->AddChild(Doc, "Имя"_a);
    Tree->Items()->AddChild(Doc, "Номер"_a);
    EXPECT_EQ(Tree->Items()->Count(), 4);
    EXPECT_EQ(Name->AbsoluteIndex(), 1);
    EXPECT_EQ(Name->Level(), 1);
    Form->Show();
    Tree->SetFocus();
    Tree->SetSelected(Doc);
    SimulateKey(VK_DOWN); // Doc is closed: its children are not rows
    EXPECT_EQ(Tree->Selected(), Rows);
    SimulateKey(VK_UP);
    SimulateKey(VK_RIGHT);
    EXPECT_TRUE(Doc->Expanded());
    SimulateKey(VK_RIGHT);
    EXPECT_EQ(Tree->Selected(), Name);
    SimulateKey(VK_LEFT); // to the parent
    EXPECT_EQ(Tree->Selected(), Doc);
    // Deleting the selected node moves the selection to a neighbour.
    Tree->SetSelected(Name);
    Name->Delete();
    EXPECT_EQ(Tree->Selected()->Text(), "Номер"_a);
    Doc->Delete();
    EXPECT_EQ(Tree->Selected(), Rows);
    EXPECT_EQ(Tree->Items()->Count(), 1);
}

}  // namespace

TEST_F(FormTest, TreeConnectorsAreDottedAndJoinSiblings)
{
    auto* Tree = Make<TTreeView>();
    Tree->SetBounds(0, 0, 200, 150);
    TTreeNode* First = Tree->Items()->Add(nullptr, "A");
    Tree->Items()->AddChild(First, "A1");
    Tree->Items()->AddChild(First, "A2");
    Tree->Items()->Add(nullptr, "B");
    First->Expand(false);
    Form->Show();
    TBitmap Shot;
    GrabWindow(Tree, &Shot);
    const int Edge = 2;  // the client edge
    const int H = Tree->RowHeight();
    const TColor Line = GetSysColor(COLOR_GRAYTEXT);
    const auto At = [&](int X, int Y) { return Shot.Canvas()->Pixels(Edge + X, Edge + Y); };
    // The top level's column runs from the first root (below its button)
    // to the last one, past the children, every other pixel set.
    const int RootColumn = Tree->Indent() - Tree->Indent() / 2;
    int Set = 0;
    for (int Y = H / 2 + 5; Y < 3 * H + H / 2 - 5; ++Y) {
        SCOPED_TRACE(Y);
        const bool Dot = ((Edge + RootColumn + Edge + Y) & 1) == 0;
        EXPECT_EQ(At(RootColumn, Y) == Line, Dot);
        Set += Dot;
    }
    EXPECT_GT(Set, H);
    // The children's column ends at the last child; a dotted arm reaches
    // each child's text.
    const int ChildColumn = 2 * Tree->Indent() - Tree->Indent() / 2;
    const int LastMid = 2 * H + H / 2;
    EXPECT_TRUE(At(ChildColumn, LastMid) == Line || At(ChildColumn, LastMid - 1) == Line);
    for (int Y = LastMid + 2; Y < 3 * H; ++Y)
        EXPECT_NE(At(ChildColumn, Y), Line) << Y;
    int Arm = 0;
    for (int X = ChildColumn; X < 2 * Tree->Indent(); ++X)
        Arm += At(X, H + H / 2) == Line;
    EXPECT_GE(Arm, (Tree->Indent() / 2) / 2);
}
