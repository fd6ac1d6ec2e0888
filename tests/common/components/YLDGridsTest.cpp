// Grids: the value checks, the data editor typed into column by column,
// keys and rows of the data grid, columns, fixed-cell buttons, painting of
// an invoice-shaped grid, and the grid's placement in the ini.

#include "common/components/YLDGrids.h"

#include "common/base/Funcs.h"
#include "common/components/FuncsVCL.h"
#include "common/base/IniFiles.h"
#include "common/components/YLDCompn.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Ticks.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/common/base/NoLogScope.h"
#include "tests/support/SettingsScope.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

using namespace components_test;

namespace {

AnsiString U(const char* Utf8)
{
    return AnsiString::FromUtf8(Utf8);
}

// ---- value checks ------------------------------------------------------------------------------

struct CheckCase {
    const char* Text;
    bool Ok;
};

TEST(YLDGrids, IsFloatText)
{
    const RussianSettingsScope Ru;
    const CheckCase Cases[] = {
        {"0", true},          // zero is a number
        {"12,5", true},       // Russian decimal comma
        {"1 234,5", true},    // blank thousands mark
        {"-0", true},         // what a lone minus is cleaned to
        {"", false},          // nothing typed
        {"abc", false},       // letters
        {"12a", false},       // a letter spoils the number
    };
    for (const CheckCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(YLDGrids::IsFloatText(C.Text), C.Ok);
    }
}

TEST(YLDGrids, IsDateTextAcceptsPartsStillBeingTyped)
{
    const RussianSettingsScope Ru;  // dd.mm.yyyy
    const CheckCase Cases[] = {
        {"31.12.2024", true},  // a whole date
        {"3", true},           // a day begun
        {"31.", true},         // month not typed yet
        {"32", false},         // day 32
        {"12.13", false},      // month 13
        {"1.1.20245", false},  // year of five digits
        {"1.1.1.1", false},    // three separators
        {"1.x", false},        // a month that is no number
    };
    for (const CheckCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(YLDGrids::IsDateText(C.Text), C.Ok);
    }
}

TEST(YLDGrids, IsTimeText)
{
    EnglishSettingsScope En;  // ':' and '.'
    const CheckCase Cases[] = {
        {"24:59:59.5", true},  // fraction of a second
        {"9:", true},          // minutes not typed yet
        {"25", false},         // hour 25
        {"10:60", false},      // minute 60
        {"1:2:60", false},     // second 60
        {"1:2:3:4", false},    // three separators
    };
    for (const CheckCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(YLDGrids::IsTimeText(C.Text), C.Ok);
    }
}

TEST(YLDGrids, DateOrderDefaultsToMonthFirst)
{
    EXPECT_EQ(YLDGrids::DateOrderOf("dd.mm.yyyy"), YLDGrids::doDMY);
    EXPECT_EQ(YLDGrids::DateOrderOf("M/d/yy"), YLDGrids::doMDY);
    EXPECT_EQ(YLDGrids::DateOrderOf("yyyy-MM-dd"), YLDGrids::doYMD);
    EXPECT_EQ(YLDGrids::DateOrderOf("ee/mm"), YLDGrids::doYMD);
    EXPECT_EQ(YLDGrids::DateOrderOf("--"), YLDGrids::doMDY);
}

TEST(YLDGrids, CleanFloatTextAndSplitting)
{
    const RussianSettingsScope Ru;
    AnsiString R;
    YLDGrids::CleanFloatText(AnsiString("1 234") + AnsiString('\xA0') + "5,5", R);
    EXPECT_EQ(R, "12345,5");
    YLDGrids::CleanFloatText("", R);
    EXPECT_EQ(R, "0");
    YLDGrids::CleanFloatText("-", R);
    EXPECT_EQ(R, "-0");
    // Both routines of the name stay usable side by side.
    YLDGrids::RemoveChars("ab", "abcab", R);
    EXPECT_EQ(R, "c");
    EXPECT_EQ(RemoveChars("ab", "abcab"), "c");

    AnsiString A = "a", B = "b", C = "c";
    EXPECT_EQ(YLDGrids::SplitAtSeparator("1", '.', A, B, C), 0);
    EXPECT_EQ(B, "b");  // a part no separator reaches keeps its value
    EXPECT_EQ(YLDGrids::SplitAtSeparator("1.2.3", '.', A, B, C), 2);
    EXPECT_EQ(A + B + C, "123");
    EXPECT_EQ(YLDGrids::SplitAtSeparator("1.2.3.4", '.', A, B, C), 3);
}

// ---- an invoice-shaped grid --------------------------------------------------------------------

/// The columns of the main window's invoice grid.
struct ColumnLayout {
    int Tag;
    const char* Title;
    int Width;
    TAlignment Align;
    TColumnFormat Format;
    bool ReadOnly;
};
const ColumnLayout InvoiceColumns[] = {
    {99, "№", 40, taCenter, cfString, true},
    {2, "[x]", 19, taLeftJustify, cfString, true},
    {3, "Тип", 63, taLeftJustify, cfString, false},
    {4, "Наименование товара", 144, taLeftJustify, cfString, false},
    {5, "Описание", 68, taLeftJustify, cfString, false},
    {6, "Производство", 80, taLeftJustify, cfString, false},
    {7, "Фирма", 48, taLeftJustify, cfString, false},
    {8, "Гар.", 32, taCenter, cfInteger, false},
    {9, "Кол", 30, taCenter, cfInteger, true},
    {14, "Ед.", 30, taLeftJustify, cfString, false},
    {10, "Опт.цена", 58, taRightJustify, cfCurrency, true},
    {11, "Нац.", 34, taRightJustify, cfCurrency, false},
    {12, "Цена1", 64, taRightJustify, cfCurrency, false},
    {13, "Цена2", 64, taRightJustify, cfCurrency, false},
};
constexpr int ColCount = 14;
constexpr TColor PaleGreen = static_cast<TColor>(0x00E1FFE2);

/// The window behind the grid: rows of texts, the events the main window
/// handles, and a log of what the grid asked and stored.
struct InvoiceHost {
    std::vector<std::array<AnsiString, ColCount>> Rows;
    std::vector<bool> Calculated;
    std::set<int> AskedRows;
    std::vector<std::string> Stored;
    int CancelCount = 0;
    bool RefuseDelete = false;

    void GetText(TObject* Sender, int ACol, int ARow, AnsiString& Value)
    {
        auto* G = static_cast<Tyl_DataDrawGrid*>(Sender);
        const int R = ARow - G->FixedRows();
        AskedRows.insert(ARow);
        if (R < 0 || R >= static_cast<int>(Rows.size()))
            return;
        Value = InvoiceColumns[ACol].Tag == 99 ? IntToStr(R + 1) : Rows[static_cast<size_t>(R)][static_cast<size_t>(ACol)];
    }
    void SetText(TObject* Sender, int ACol, int ARow, const AnsiString& Value)
    {
        auto* G = static_cast<Tyl_DataDrawGrid*>(Sender);
        const int R = ARow - G->FixedRows();
        if (R < 0 || R >= static_cast<int>(Rows.size()))
            return;
        Rows[static_cast<size_t>(R)][static_cast<size_t>(ACol)] = Value;
        Stored.push_back(std::to_string(ACol) + "," + std::to_string(R) + "=" + Value.Std());
    }
    void GetColor(TObject* Sender, int ACol, int ARow, TColor& Color)
    {
        auto* G = static_cast<Tyl_DataDrawGrid*>(Sender);
        const int R = ARow - G->FixedRows();
        if (ACol > 0 && R >= 0 && R < static_cast<int>(Calculated.size()) && Calculated[static_cast<size_t>(R)])
            Color = PaleGreen;
    }
    void ShowEditor(TObject* Sender, int ACol, int, bool& Allow)
    {
        Allow = !static_cast<Tyl_DataDrawGrid*>(Sender)->Columns()->GetItem(ACol)->ReadOnly();
    }
    void BeforeDelete(TObject* Sender, int ARow, bool& Allow)
    {
        Allow = !RefuseDelete;
        if (!Allow)
            return;
        const int R = ARow - static_cast<Tyl_DataDrawGrid*>(Sender)->FixedRows();
        if (R >= 0 && R < static_cast<int>(Rows.size()))
            Rows.erase(Rows.begin() + R);
    }
    /// The grid moves the texts itself; the window only makes room.
    void BeforeInsert(TObject*, int, bool&) { Rows.emplace_back(); }
    void CancelEdit(TObject*) { ++CancelCount; }
};

/// The pick list of the country column.
const char* const Countries[] = {"Китай", "Россия", "Япония", "Корея", "Чехия"};

class InvoiceGrid : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = MakeForm(900, 320);
        Grid = new Tyl_DataDrawGrid(Form.get());
        Grid->SetName("grid");
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 900, 300);
        Grid->SetColCount(ColCount);
        Grid->SetFixedCols(0);
        Grid->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
                          goDrawFocusSelected, goColSizing, goTabs, goRowSelect, goThumbTracking});
        for (int I = 0; I < ColCount; ++I) {
            const ColumnLayout& S = InvoiceColumns[I];
            TColumn* C = Grid->Columns()->GetItem(I);
            C->SetTag(S.Tag);
            C->Title()->SetCaption(U(S.Title));
            C->SetWidth(S.Width);
            C->SetAlignment(S.Align);
            C->SetFormat(S.Format);
            C->SetReadOnly(S.ReadOnly);
        }
        Grid->Columns()->GetItem(0)->SetColor(clBtnFace);
        Grid->Columns()->GetItem(3)->SetColor(clInfoBk);
        Grid->Columns()->GetItem(3)->SetMinWidth(100);
        Grid->Columns()->GetItem(3)->SetAutoSize(true);
        for (const char* Country : Countries)
            Grid->Columns()->GetItem(5)->PickList()->Add(U(Country));
        Grid->OnGetEditText = TGetEditEvent(&Host, &InvoiceHost::GetText);
        Grid->OnSetEditText = TSetEditEvent(&Host, &InvoiceHost::SetText);
        Grid->OnGetEditColor = TEditColorEvent(&Host, &InvoiceHost::GetColor);
        Grid->OnShowEditor = TEditShowEvent(&Host, &InvoiceHost::ShowEditor);
        Grid->OnCancelEdit = TNotifyEvent(&Host, &InvoiceHost::CancelEdit);
        Grid->BeforeDelete = TBeforeChangeRowCount(&Host, &InvoiceHost::BeforeDelete);
        Grid->BeforeInsert = TBeforeChangeRowCount(&Host, &InvoiceHost::BeforeInsert);
        SetRows(40);
        Form->Show();
        Grid->SetFocus();
    }

    void SetRows(int N)
    {
        Host.Rows.assign(static_cast<size_t>(N), {});
        Host.Calculated.assign(static_cast<size_t>(N), false);
        for (int R = 0; R < N; ++R) {
            auto& Row = Host.Rows[static_cast<size_t>(R)];
            Row[2] = U("Часы");
            Row[3] = U("Товар ") + IntToStr(R + 1);
            Row[5] = U("Китай");
            Row[7] = "12";
            Row[8] = "1";
            Row[10] = "100,00";
            Row[11] = "25,00";
            Row[12] = "125,00";
            Row[13] = "120,00";
        }
        Grid->SetRowCount(N + Grid->FixedRows());
    }
    /// Edit mode as the main window switches it on.
    void EditMode(int ACol)
    {
        TGridOptions O = Grid->Options();
        O.Exclude(goRangeSelect);
        O.Exclude(goRowSelect);
        O.Include(goEditing);
        Grid->SetOptions(O);
        Grid->SetCol(ACol);
        Grid->SetEditorMode(true);
    }
    Tyl_DataInplaceEdit* Editor() { return Grid->DataEditor(); }
    bool EditorShown() { return Editor() && Editor()->Visible(); }
    /// The grid rows drawn (asked for their texts) for one key press,
    /// less the row the window shows only in part at its bottom: a scroll
    /// uncovers a strip of it with the new row.
    std::set<int> RowsPaintedFor(Word Key)
    {
        UpdateWindow(Grid->Handle());
        Host.AskedRows.clear();
        SimulateKey(Key);
        UpdateWindow(Grid->Handle());
        std::set<int> Rows = Host.AskedRows;
        Rows.erase(Grid->TopRow() + Grid->VisibleRowCount());
        return Rows;
    }

public:
    void OnException(TObject*, Exception* E) { Errors.push_back(E->Message.Std()); }

protected:

    const RussianSettingsScope Ru;
    std::unique_ptr<TForm> Form;
    Tyl_DataDrawGrid* Grid = nullptr;
    InvoiceHost Host;
    std::vector<std::string> Errors;
};

/// A cell rectangle of Grid in the pixels of a render of its form (or of
/// the grid itself): the grid's place and its border moved in.
TRect InRender(TWinControl* Grid, TRect R, bool WholeForm)
{
    // The grid's single 3-D border.
    const int Border = GetSystemMetrics(SM_CXEDGE);
    const int DX = Border + (WholeForm ? Grid->Left() : 0);
    const int DY = Border + (WholeForm ? Grid->Top() : 0);
    OffsetRect(R, DX, DY);
    return R;
}

/// Catches what the event barrier hands to the application.
struct ExceptionCatcher {
    explicit ExceptionCatcher(TExceptionEvent Handler) : Saved(Application->OnException)
    {
        Application->OnException = Handler;
    }
    ~ExceptionCatcher() { Application->OnException = Saved; }
    TExceptionEvent Saved;
};

TEST_F(InvoiceGrid, ColumnsFollowTheGridAndTheAutoSizeColumnTakesTheRest)
{
    EXPECT_EQ(Grid->ColCount(), ColCount);
    EXPECT_EQ(Grid->ColWidths(0), 40);
    EXPECT_EQ(Grid->ColWidths(13), 64);
    EXPECT_EQ(Grid->RowHeights(0), 18);
    // The name column fills the client width beside the vertical bar.
    int Sum = 0;
    for (int I = 0; I < ColCount; ++I)
        Sum += Grid->ColWidths(I) + Grid->GridLineWidth();
    EXPECT_EQ(Sum, Grid->ClientRect().Width());
    // Narrow windows never squeeze it below its minimum.
    Grid->SetWidth(300);
    EXPECT_EQ(Grid->ColWidths(3), 100);
    // A width the user drags onto another column narrows the name column.
    Grid->SetWidth(900);
    const int Wide = Grid->ColWidths(3);
    Grid->SetColWidths(4, 68 + 50);
    EXPECT_EQ(Grid->ColWidths(3), Wide - 50);
    EXPECT_EQ(Grid->Columns()->GetItem(4)->Width(), 118);
}

TEST_F(InvoiceGrid, TypingIntoTypedColumns)
{
    struct TypeCase {
        int Col;
        const char* Keys;
        const char* Stored;  // what the row holds afterwards
        int Beeps;           // refused characters
    };
    const TypeCase Cases[] = {
        {7, "24", "24", 0},             // warranty, an integer
        {7, "2a4", "24", 1},            // a letter is refused with a beep
        {7, "-5", "-5", 0},             // a sign starts a number
        {11, "12.5", "12,5", 0},        // point typed, the decimal comma stored
        {11, "1a", "1", 1},             // a letter in a money cell
        {12, "x", "125,00", 1},         // nothing typed but a letter: unchanged
        {3, "Лампа", "Лампа", 0},       // the name takes any text
    };
    for (const TypeCase& C : Cases) {
        SCOPED_TRACE(std::string(InvoiceColumns[C.Col].Title) + " " + C.Keys);
        SetRows(3);
        Grid->SetRow(1);
        EditMode(C.Col);
        ASSERT_TRUE(EditorShown());
        Editor()->SelectAll();
        const int Before = MessageBeepCount();
        SimulateText(U(C.Keys));
        EXPECT_EQ(MessageBeepCount() - Before, C.Beeps);
        SimulateKey(VK_RETURN);
        EXPECT_EQ(Host.Rows[0][static_cast<size_t>(C.Col)], U(C.Stored));
        Grid->SetEditorMode(false);
    }
}

TEST_F(InvoiceGrid, ReadOnlyColumnsShowNoEditor)
{
    EditMode(10);
    EXPECT_FALSE(EditorShown());
    EditMode(8);
    EXPECT_FALSE(EditorShown());
    EditMode(11);
    EXPECT_TRUE(EditorShown());
}

TEST_F(InvoiceGrid, InvalidTextBlocksLeavingTheCellAndIsNotStored)
{
    // A date column: 31.02 passes every key but is no date.
    Grid->Columns()->GetItem(4)->SetFormat(cfDate);
    Grid->SetRow(2);
    EditMode(4);
    ASSERT_TRUE(EditorShown());
    Editor()->SelectAll();
    SimulateText("31.02");
    EXPECT_NE(Host.Rows[1][4], "31.02") << "a text that is no date is never stored";
    ExceptionCatcher Catch(TExceptionEvent(this, &InvoiceGrid::OnException));
    SimulateKey(VK_DOWN);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0], "No valid value");
    EXPECT_EQ(Grid->Row(), 2) << "the editor keeps the cell";
    EXPECT_NE(Host.Rows[1][4], "31.02");
    // A click elsewhere is refused the same way.
    const TRect Other = Grid->CellRect(2, 5);
    SimulateClick(Grid, Other.Left + 3, Other.Top + 3);
    EXPECT_EQ(Errors.size(), 2u);
    EXPECT_EQ(Grid->Row(), 2);
    SimulateKey(VK_BACK);
    SimulateKey(VK_BACK);
    SimulateText("12.2024");
    SimulateKey(VK_DOWN);
    EXPECT_EQ(Errors.size(), 2u);
    EXPECT_EQ(Host.Rows[1][4], "31.12.2024");
    EXPECT_EQ(Grid->Row(), 3);
}

TEST_F(InvoiceGrid, TodayKeyInAnEmptyDateCell)
{
    Grid->Columns()->GetItem(4)->SetFormat(cfDate);
    Grid->SetRow(1);
    EditMode(4);
    SimulateKey('T', {}, "\xF2");  // the Cyrillic т on the N key
    EXPECT_EQ(Editor()->Text(), DateToStr(Date()));
    // In a cell that holds text the letter is refused.
    const int Before = MessageBeepCount();
    SimulateKey('N', {}, "n");
    EXPECT_EQ(MessageBeepCount() - Before, 1);
    EXPECT_EQ(Editor()->Text(), DateToStr(Date()));
}

TEST_F(InvoiceGrid, EscapeCancelsWithoutStoringAndReportsIt)
{
    Grid->SetRow(1);
    EditMode(3);
    SimulateText(U("Новое"));
    Host.Stored.clear();
    SimulateKey(VK_ESCAPE);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Host.CancelCount, 1);
    EXPECT_TRUE(Host.Stored.empty()) << "hiding a cancelled editor stores nothing";
}

TEST_F(InvoiceGrid, PickListDropsAndTakesTheChosenItem)
{
    Grid->SetRow(1);
    EditMode(5);
    ASSERT_EQ(Editor()->EditStyle(), iePickList);
    SimulateKey(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Editor()->ListVisible());
    TPopupListbox* List = Editor()->ActiveList();
    EXPECT_EQ(List->Items()->Count(), 5);
    EXPECT_EQ(List->ItemIndex(), 0);  // the cell's text
    {
        // A frame parts the items from the grid's cells under them.
        TBitmap Shown;
        GrabWindow(List, &Shown);
        EXPECT_EQ(PixelOf(Shown, List->ClientWidth() - 1, List->ClientHeight() - 1),
                  Rgb(clWindowFrame));
        EXPECT_EQ(PixelOf(Shown, 0, List->ClientHeight() / 2), Rgb(clWindowFrame));
    }
    // Typing a prefix in the list selects the first item starting with it.
    SimulateText(U("Я"));
    EXPECT_EQ(List->ItemIndex(), 2);
    SimulateKey(VK_RETURN);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Host.Rows[0][5], U("Япония"));
}

TEST_F(InvoiceGrid, EllipsisButtonByMouseAndCtrlEnter)
{
    struct Clicks {
        int N = 0;
        void Click(TObject*) { ++N; }
    } C;
    Grid->OnEditButtonClick = TNotifyEvent(&C, &Clicks::Click);
    Grid->Columns()->GetItem(4)->SetButtonStyle(cbsEllipsis);
    Grid->SetRow(1);
    EditMode(4);
    ASSERT_EQ(Editor()->EditStyle(), ieEllipsis);
    SimulateKey(VK_RETURN, {ssCtrl});
    EXPECT_EQ(C.N, 1);
    EXPECT_EQ(Host.Rows[0][4], "") << "Ctrl+Enter types nothing";
    const TRect B = Editor()->ButtonRect();
    SimulateClick(Editor(), B.Left + 3, B.Top + 3);
    EXPECT_EQ(C.N, 2);
    // Pressed on the button but released beside it: no click.
    SimulateMouseDown(Editor(), mbLeft, B.Left + 3, B.Top + 3);
    SimulateMouseUp(Editor(), mbLeft, B.Left - 20, B.Top + 3);
    EXPECT_EQ(C.N, 2);
}

TEST_F(InvoiceGrid, ListOnlyColumnPicksByTypedPrefix)
{
    static DWORD Now = 100000;
    const TickSource Saved = SetTickSource([] { return Now; });
    TColumn* C = Grid->Columns()->GetItem(5);
    C->SetLimitToList(true);
    Grid->SetRow(1);
    EditMode(5);
    ASSERT_TRUE(Editor()->ReadOnly());
    SimulateText(U("к"));
    EXPECT_EQ(Host.Rows[0][5], U("Китай"));
    Now += 100;
    SimulateText(U("о"));  // "КО" within two seconds
    EXPECT_EQ(Host.Rows[0][5], U("Корея"));
    Now += 3000;
    SimulateText(U("ч"));  // after a pause the search starts again
    EXPECT_EQ(Host.Rows[0][5], U("Чехия"));
    SimulateText("zz");  // no match changes nothing
    EXPECT_EQ(Host.Rows[0][5], U("Чехия"));
    SetTickSource(Saved);
}

TEST_F(InvoiceGrid, NavigationKeysInRowSelect)
{
    struct NavCase {
        Word Key;
        TShiftState Shift;
        int Row;  // expected current row
    };
    const NavCase Cases[] = {
        {VK_DOWN, {}, 2},
        {VK_DOWN, {}, 3},
        {VK_UP, {}, 2},
        {VK_NEXT, {}, -1},   // a page down: checked below
        {VK_PRIOR, {}, 2},   // and back
        {VK_UP, {}, 1},
        {VK_UP, {}, 1},      // stays on the first data row, never the title
        {VK_END, {}, 40},
        {VK_HOME, {}, 1},
    };
    Grid->SetRow(1);
    for (const NavCase& C : Cases) {
        SCOPED_TRACE(C.Key);
        SimulateKey(C.Key, C.Shift);
        if (C.Row >= 0)
            EXPECT_EQ(Grid->Row(), C.Row);
        else
            EXPECT_GT(Grid->Row(), 5);
        EXPECT_GE(Grid->TopRow(), 1);
    }
    // Sideways the view scrolls while the row stays.
    Grid->SetWidth(400);
    const int Left = Grid->LeftCol();
    SimulateKey(VK_RIGHT);
    EXPECT_EQ(Grid->LeftCol(), Left + 1);
    SimulateKey(VK_DOWN);
    EXPECT_EQ(Grid->LeftCol(), Left + 1) << "a row step keeps the horizontal scroll";
    SimulateKey(VK_LEFT);
    EXPECT_EQ(Grid->LeftCol(), Left);
}

TEST_F(InvoiceGrid, TabAndArrowsInEditMode)
{
    Grid->SetRow(1);
    EditMode(2);
    SimulateKey(VK_TAB);
    EXPECT_EQ(Grid->Col(), 3);
    SimulateKey(VK_TAB, {ssShift});
    EXPECT_EQ(Grid->Col(), 2);
    SimulateKey(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 2);
    SimulateKey(VK_UP);
    SimulateKey(VK_UP);
    EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(InvoiceGrid, HoldingTheArrowKeyRepaintsTwoRows)
{
    Grid->SetRow(1);
    for (int I = 0; I < 30; ++I) {
        SCOPED_TRACE(Grid->Row());
        const int Old = Grid->Row();
        const std::set<int> Rows = RowsPaintedFor(VK_DOWN);
        EXPECT_EQ(Rows, (std::set<int>{Old, Grid->Row()}));
    }
    EXPECT_GT(Grid->TopRow(), 1) << "the test went past the first page";
    for (int I = 0; I < 30; ++I) {
        const int Old = Grid->Row();
        const std::set<int> Rows = RowsPaintedFor(VK_UP);
        EXPECT_EQ(Rows, (std::set<int>{Old, Grid->Row()}));
    }
}

TEST_F(InvoiceGrid, AStepClearsTheHighlightOfARowRange)
{
    Grid->SetRow(2);
    SimulateKey(VK_DOWN, {ssShift});
    SimulateKey(VK_DOWN, {ssShift});
    EXPECT_EQ(Grid->Selection().Top, 2);
    EXPECT_EQ(Grid->Selection().Bottom, 4);
    UpdateWindow(Grid->Handle());
    SimulateKey(VK_DOWN);
    UpdateWindow(Grid->Handle());
    // What the window shows, not a fresh paint: row 3 lost its highlight.
    TBitmap Shown;
    GrabWindow(Grid, &Shown);
    const TRect Row3 = InRender(Grid, Grid->CellRect(6, 3), false);
    EXPECT_EQ(PixelOf(Shown, Row3.Right - 2, Row3.Top + 2), Rgb(clWindow));
    const TRect Current = InRender(Grid, Grid->CellRect(6, Grid->Row()), false);
    EXPECT_EQ(PixelOf(Shown, Current.Right - 2, Current.Top + 2), Rgb(clHighlight));
}

TEST_F(InvoiceGrid, RowKeysAppendInsertAndDelete)
{
    SetRows(3);
    Grid->SetOptions(Grid->Options() + TGridOptions{goEditing});
    Grid->SetDataGridOptions({dgoAppendRow, dgoInsertRow, dgoDeleteRow});
    Grid->SetRow(3);
    SimulateKey(VK_DOWN);  // on the last row: a new row
    EXPECT_EQ(Grid->RowCount(), 5);
    EXPECT_EQ(Grid->Row(), 4);
    EXPECT_EQ(Host.Rows.size(), 4u);
    Grid->SetRow(2);
    const AnsiString Second = Host.Rows[1][3];
    const AnsiString Third = Host.Rows[2][3];
    SimulateKey(VK_INSERT, {ssCtrl});
    EXPECT_EQ(Grid->RowCount(), 6);
    EXPECT_EQ(Host.Rows[1][3], "") << "the inserted row is empty";
    EXPECT_EQ(Host.Rows[2][3], Second) << "the rows below moved down";
    EXPECT_EQ(Host.Rows[3][3], Third);
    SimulateKey(VK_DELETE, {ssCtrl});
    EXPECT_EQ(Grid->RowCount(), 5);
    EXPECT_EQ(Host.Rows.size(), 4u);
    // Without the option Down on the last row appends nothing.
    Grid->SetDataGridOptions({});
    Grid->SetRow(4);
    SimulateKey(VK_DOWN);
    EXPECT_EQ(Grid->RowCount(), 5);
    EXPECT_EQ(Host.Rows.size(), 4u);
}

TEST_F(InvoiceGrid, RowCountMinIsDecidedBeforeTheDataIsDeleted)
{
    SetRows(5);
    Grid->SetRowCountMin(6);  // title row + 5 data rows
    Grid->SetDataGridOptions({dgoDeleteRow});
    Grid->SetRow(2);
    SimulateKey(VK_DELETE, {ssCtrl});
    EXPECT_EQ(Grid->RowCount(), 6);
    EXPECT_EQ(Host.Rows.size(), 5u) << "the data keeps the row the grid keeps";
    // Below the minimum rule both go together; a refusal keeps both.
    Grid->SetRowCountMin(0);
    Host.RefuseDelete = true;
    SimulateKey(VK_DELETE, {ssCtrl});
    EXPECT_EQ(Grid->RowCount(), 6);
    EXPECT_EQ(Host.Rows.size(), 5u);
    Host.RefuseDelete = false;
    SimulateKey(VK_DELETE, {ssCtrl});
    EXPECT_EQ(Grid->RowCount(), 5);
    EXPECT_EQ(Host.Rows.size(), 4u);
}

TEST_F(InvoiceGrid, RightClickShowsTheColumnsMenuOnItsCell)
{
    TPopupMenu* Menu = new TPopupMenu(Form.get());
    Grid->Columns()->GetItem(5)->SetPopupMenu(Menu);
    int Shown = 0;
    PopupMenuHookScope Hook([&](TPopupMenu& M, TPoint) -> TMenuItem* {
        ++Shown;
        EXPECT_EQ(M.PopupComponent(), Grid);
        return nullptr;
    });
    const TRect Plain = Grid->CellRect(2, 4);
    SimulateClick(Grid, Plain.Left + 3, Plain.Top + 3, mbRight);
    EXPECT_EQ(Shown, 0) << "a column without a menu shows none";
    const TRect WithMenu = Grid->CellRect(5, 6);
    SimulateClick(Grid, WithMenu.Left + 3, WithMenu.Top + 3, mbRight);
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(Grid->Row(), 6) << "the cell under the mouse became current first";
    delete Menu;
    EXPECT_EQ(Grid->Columns()->GetItem(5)->PopupMenu(), nullptr);
}

TEST_F(InvoiceGrid, TheLastDataRowStays)
{
    SetRows(1);
    Grid->DeleteRow(1);
    EXPECT_EQ(Grid->RowCount(), 2) << "one empty data row stays";
    Grid->SetRowCount(0);
    EXPECT_EQ(Grid->RowCount(), 2);
    Grid->SetDataRow(-1);
    EXPECT_EQ(Grid->Row(), 1);
    SetRows(5);
    Grid->SetRow(3);
    EXPECT_EQ(Grid->DataRow(), 2);
}

TEST_F(InvoiceGrid, WheelKeepsTheLastPageFull)
{
    const int Visible = Grid->VisibleRowCount();
    for (int I = 0; I < 30; ++I)
        SimulateWheel(Grid, -120, 100, 100);
    EXPECT_EQ(Grid->TopRow(), Grid->RowCount() - Visible);
    EXPECT_EQ(Grid->Row(), 1) << "the wheel does not move the current row";
    SimulateWheel(Grid, 120, 100, 100, {ssCtrl});
    EXPECT_EQ(Grid->TopRow(), Grid->RowCount() - Visible - 9);
    for (int I = 0; I < 10; ++I)
        SimulateWheel(Grid, 120, 100, 100);
    EXPECT_EQ(Grid->TopRow(), 1);
}

TEST_F(InvoiceGrid, PaintsTitlesSelectionAndColours)
{
    Host.Calculated[1] = true;
    Grid->SetRow(3);
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "invoice-grid");
    const TRect Title = InRender(Grid, Grid->CellRect(3, 0), true);
    const TRect Plain = InRender(Grid, Grid->CellRect(3, 1), true);
    const TRect Green = InRender(Grid, Grid->CellRect(5, 2), true);
    const TRect Number = InRender(Grid, Grid->CellRect(0, 1), true);
    const TRect Selected = InRender(Grid, Grid->CellRect(6, 3), true);
    // Title cells are raised buttons in the face colour.
    EXPECT_EQ(PixelOf(*Bmp, Title.Left, Title.Top + 5), Rgb(clBtnHighlight));
    EXPECT_EQ(PixelOf(*Bmp, Title.Right - 1, Title.Top + 5), Rgb(clBtnShadow));
    EXPECT_EQ(PixelOf(*Bmp, Title.Left + 3, Title.Top + 3), Rgb(clBtnFace));
    // Column colours, the calculated row's green and the selected row.
    EXPECT_EQ(PixelOf(*Bmp, Plain.Right - 2, Plain.Top + 2), Rgb(clInfoBk));
    EXPECT_EQ(PixelOf(*Bmp, Number.Left + 2, Number.Top + 2), Rgb(clBtnFace));
    EXPECT_EQ(PixelOf(*Bmp, Green.Right - 2, Green.Top + 2), Rgb(PaleGreen));
    EXPECT_EQ(PixelOf(*Bmp, Selected.Right - 2, Selected.Top + 2), Rgb(clHighlight));
    // Text is drawn: the name cell holds dark pixels.
    EXPECT_GT(CountPixels(*Bmp, Plain, clWindowText), 5);
}

TEST_F(InvoiceGrid, FocusRectangleRoundTheRowInPlainRowSelect)
{
    TGridOptions O = Grid->Options();
    O.Exclude(goRangeSelect);
    Grid->SetOptions(O);
    Grid->SetRow(2);
    auto Bmp = Render(Grid);
    SavePng(*Bmp, "invoice-grid-focus");
    const TRect R = InRender(Grid, Grid->BoxRect(0, 2, ColCount - 1, 2), false);
    // The dotted rectangle runs along the row's top line over the
    // highlight; the line below it is plain highlight (but for the two
    // column lines crossing it).
    int Dotted = 0, Plain = 0;
    for (int X = R.Left + 10; X < R.Left + 110; ++X) {
        Dotted += PixelOf(*Bmp, X, R.Top) != Rgb(clHighlight);
        Plain += PixelOf(*Bmp, X, R.Top + 1) != Rgb(clHighlight);
    }
    EXPECT_GT(Dotted - Plain, 30);
    EXPECT_LE(Plain, 2);
}

TEST_F(InvoiceGrid, EditorPaintsItsPickListButton)
{
    Grid->SetRow(2);
    EditMode(5);
    ASSERT_TRUE(EditorShown());
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "invoice-grid-editor");
    const TRect B = InRender(Grid, Editor()->BoundsRect(), true);
    // The combo button at the editor's right edge is a raised face.
    EXPECT_EQ(PixelOf(*Bmp, B.Right - Editor()->ButtonWidth() / 2 + 4, B.Top + 2), Rgb(clBtnFace));
    EXPECT_EQ(PixelOf(*Bmp, B.Left + 1, B.Bottom - 2), Rgb(clWindow));
}

TEST_F(InvoiceGrid, PlacementKeepsColumnWidthsByTag)
{
    TempDir Tmp;
    const NoLogScope NoLog;
    const AnsiString OldStart = GetStartDir();
    const AnsiString OldExe = GetExeName();
    const bool OldSave = gCanSaveSettings;
    SetAppLocation(AnsiString::FromUtf8(Tmp.Path().string() + "/"), "pricetags");
    gCanSaveSettings = true;
    Form->SetName("FormMain");
    Grid->Columns()->GetItem(7)->SetWidth(45);
    Grid->Columns()->GetItem(12)->SetWidth(70);
    SaveFormPosition(Form.get());
    const AnsiString Saved = GetAppIniFile()->ReadString("FormMainPosition", "grid", "");
    EXPECT_EQ(Saved.SubString(1, 3), "V02");
    EXPECT_GT(Saved.Pos("|8.45|"), 0);
    Grid->Columns()->GetItem(7)->SetWidth(32);
    Grid->Columns()->GetItem(12)->SetWidth(64);
    RestoreFormPosition(Form.get());
    EXPECT_EQ(Grid->Columns()->GetItem(7)->Width(), 45);
    EXPECT_EQ(Grid->ColWidths(12), 70);
    EXPECT_TRUE(Grid->Columns()->GetItem(3)->AutoSize());
    gCanSaveSettings = false;
    FuncsVCLFinalization();
    SetAppLocation(OldStart, OldExe);
    gCanSaveSettings = OldSave;
}

// ---- columns on their own ----------------------------------------------------------------------

class GridColumns : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = MakeForm(400, 200);
        Grid = new Tyl_DataDrawGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 400, 200);
        Grid->SetColCount(3);
    }
    std::unique_ptr<TForm> Form;
    Tyl_DataDrawGrid* Grid = nullptr;
};

TEST_F(GridColumns, WidthFollowsTheGridUntilAssigned)
{
    TColumn* C = Grid->Columns()->GetItem(1);
    Grid->SetColWidths(1, 90);  // as a user's drag
    EXPECT_EQ(C->Width(), 90);
    EXPECT_FALSE(C->IsAssigned(TColumn::cvWidth));
    C->SetWidth(Grid->DefaultColWidth());
    EXPECT_FALSE(C->IsAssigned(TColumn::cvWidth)) << "the default width stores nothing";
    EXPECT_EQ(Grid->ColWidths(1), Grid->DefaultColWidth()) << "but still sizes the grid column";
    C->SetWidth(77);
    EXPECT_TRUE(C->IsAssigned(TColumn::cvWidth));
    EXPECT_EQ(Grid->ColWidths(1), 77);
}

TEST_F(GridColumns, DefaultsFollowTheGrid)
{
    TColumn* C = Grid->Columns()->GetItem(0);
    EXPECT_EQ(C->Color(), Grid->Color());
    Grid->SetColor(clInfoBk);
    EXPECT_EQ(C->Color(), clInfoBk);
    EXPECT_FALSE(C->ReadOnly()) << "the data grid edits by default";
    TGridOptions O = Grid->Options();
    O.Exclude(goEditing);
    Grid->SetOptions(O);
    EXPECT_TRUE(C->ReadOnly());
    C->SetReadOnly(false);
    EXPECT_FALSE(C->ReadOnly());
    Grid->Font()->SetSize(12);
    EXPECT_EQ(C->Font()->Size(), 12);
    EXPECT_EQ(C->Title()->Font()->Size(), 12);
    C->Font()->SetSize(9);
    EXPECT_TRUE(C->IsAssigned(TColumn::cvFont));
    Grid->Font()->SetSize(14);
    EXPECT_EQ(C->Font()->Size(), 9);
    C->RestoreDefaults();
    EXPECT_EQ(C->Font()->Size(), 14);
}

TEST_F(GridColumns, FormatPickListAndButtonStyle)
{
    TColumn* C = Grid->Columns()->GetItem(0);
    C->SetFormat(cfNumber);
    C->SetDisplayMask(",0.00");
    C->SetFormat(cfCurrency);
    EXPECT_EQ(C->DisplayMask(), "") << "a new format clears the mask";
    EXPECT_EQ(C->PickList()->Count(), 0);
    EXPECT_EQ(Grid->GetEditStyle(0, 1), ieSimple) << "an empty pick list gives a plain editor";
    C->PickList()->Add("a");
    EXPECT_EQ(Grid->GetEditStyle(0, 1), iePickList);
    C->SetReadOnly(true);
    EXPECT_EQ(Grid->GetEditStyle(0, 1), ieSimple);
    C->SetButtonStyle(cbsEllipsis);
    EXPECT_EQ(Grid->GetEditStyle(0, 1), ieEllipsis);
}

TEST_F(GridColumns, AutoSizeColumnKeepsOnePixelWhenNothingIsLeft)
{
    Grid->Columns()->GetItem(0)->SetWidth(300);
    Grid->Columns()->GetItem(1)->SetWidth(300);
    Grid->Columns()->GetItem(2)->SetAutoSize(true);
    EXPECT_EQ(Grid->ColWidths(2), 1);
    Grid->Columns()->GetItem(2)->SetMinWidth(40);
    Grid->Perform(WM_SIZE);
    EXPECT_EQ(Grid->ColWidths(2), 40);
    // With room to spare it takes the rest of the client width.
    Grid->Columns()->GetItem(0)->SetWidth(50);
    Grid->Columns()->GetItem(1)->SetWidth(50);
    Grid->Perform(WM_SIZE);
    EXPECT_EQ(Grid->ColWidths(2), Grid->ClientRect().Width() - 2 * 51 - 1);
}

TEST_F(GridColumns, CountFollowsTheCollection)
{
    Grid->Columns()->Add();
    EXPECT_EQ(Grid->ColCount(), 4);
    EXPECT_EQ(Grid->Columns()->GetItem(3)->InternalCol(), 3);
    delete Grid->Columns()->GetItem(1);
    EXPECT_EQ(Grid->ColCount(), 3);
    Grid->SetColCount(5);
    EXPECT_EQ(Grid->Columns()->Count(), 5);
    // Copying a column takes only its assigned values.
    TColumn* A = Grid->Columns()->GetItem(0);
    A->SetColor(clRed);
    A->SetTag(7);
    A->Title()->SetCaption("T");
    TColumn* B = Grid->Columns()->GetItem(1);
    B->Assign(A);
    EXPECT_EQ(B->Color(), clRed);
    EXPECT_EQ(B->Tag(), 7);
    EXPECT_EQ(B->Caption(), "T");
    EXPECT_FALSE(B->IsAssigned(TColumn::cvWidth));
}

TEST(YLDGridsDisplay, DisplayMaskShowsNumbersAndLeavesOtherTexts)
{
    EnglishSettingsScope En;
    auto Form = MakeForm(300, 80);
    auto* Grid = new Tyl_DataDrawGrid(Form.get());
    Grid->SetParent(Form.get());
    Grid->SetBounds(0, 0, 300, 80);
    Grid->SetColCount(2);
    Grid->SetFixedCols(0);
    for (int I = 0; I < 2; ++I) {
        Grid->Columns()->GetItem(I)->SetFormat(cfCurrency);
        Grid->Columns()->GetItem(I)->SetDisplayMask(",0.00");
        Grid->Columns()->GetItem(I)->SetWidth(140);
    }
    struct Host {
        void Get(TObject*, int ACol, int ARow, AnsiString& V) { V = ARow == 0 ? "" : ACol == 0 ? "1234.5" : "abc"; }
        void Font(TObject*, int ACol, int, TFont*) { Seen.push_back(ACol); }
        std::vector<int> Seen;
    } H;
    Grid->OnGetEditText = TGetEditEvent(&H, &Host::Get);
    // The text drawn is measured by the word-wrap rule: compare renders of
    // the masked and the plain text instead of reading glyphs.
    Form->Show();
    auto Masked = Render(Grid);
    Grid->Columns()->GetItem(0)->SetDisplayMask("");
    struct Plain {
        void Get(TObject*, int ACol, int ARow, AnsiString& V) { V = ARow == 0 ? "" : ACol == 0 ? "1,234.50" : "abc"; }
    } P;
    Grid->OnGetEditText = TGetEditEvent(&P, &Plain::Get);
    auto Expected = Render(Grid);
    const TRect Cell = Grid->CellRect(0, 1);
    const TRect Other = Grid->CellRect(1, 1);
    int Diff = 0;
    for (int Y = Cell.Top; Y < Cell.Bottom; ++Y)
        for (int X = Cell.Left; X < Other.Right; ++X)
            Diff += PixelOf(*Masked, X, Y) != PixelOf(*Expected, X, Y);
    EXPECT_EQ(Diff, 0) << "1234.5 shows as 1,234.50 and abc stays abc";
}

// ---- fixed-cell buttons ------------------------------------------------------------------------

class FixedButtons : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = MakeForm(300, 200);
        Grid = new Tyl_DrawGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 300, 200);
        Grid->SetColCount(4);
        Grid->SetRowCount(6);
        Grid->SetFixedButtons(true);
        Grid->OnFixedCellClick = TFixedCellClickEvent(this, &FixedButtons::Clicked);
        Form->Show();
    }
    void Clicked(TObject*, int ACol, int ARow) { Clicks.push_back({ACol, ARow}); }
    std::unique_ptr<TForm> Form;
    Tyl_DrawGrid* Grid = nullptr;
    std::vector<TGridCoord> Clicks;
};

TEST_F(FixedButtons, ClickOnlyWhenReleasedOverThePressedCell)
{
    const TRect Title = Grid->CellRect(2, 0);
    const TRect Elsewhere = Grid->CellRect(2, 3);
    SimulateMouseDown(Grid, mbLeft, Title.Left + 5, Title.Top + 5);
    EXPECT_TRUE(Grid->ButtonDown());
    auto Sunken = Render(Grid);
    const TRect Shown = InRender(Grid, Title, false);
    EXPECT_EQ(PixelOf(*Sunken, Shown.Left, Shown.Top + 5), Rgb(cl3DDkShadow)) << "drawn pressed";
    SimulateMouseMove(Grid, Elsewhere.Left + 5, Elsewhere.Top + 5);
    EXPECT_FALSE(Grid->ButtonDown());
    SimulateMouseMove(Grid, Title.Left + 5, Title.Top + 5);
    EXPECT_TRUE(Grid->ButtonDown()) << "moving back redraws it sunken";
    SimulateMouseMove(Grid, Elsewhere.Left + 5, Elsewhere.Top + 5);
    SimulateMouseUp(Grid, mbLeft, Elsewhere.Left + 5, Elsewhere.Top + 5);
    EXPECT_TRUE(Clicks.empty());
    SimulateClick(Grid, Title.Left + 5, Title.Top + 5);
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0], (TGridCoord{2, 0}));
    auto Raised = Render(Grid);
    EXPECT_EQ(PixelOf(*Raised, Shown.Left, Shown.Top + 5), Rgb(clBtnHighlight));
}

TEST_F(FixedButtons, FixedRowHeightSurvivesADrag)
{
    Grid->SetFixedRowHeight(25);
    EXPECT_EQ(Grid->RowHeights(0), 25);
    Grid->SetRowHeights(0, 40);
    EXPECT_EQ(Grid->RowHeights(0), 25);
}

TEST_F(FixedButtons, UpdateCountHoldsBackRepainting)
{
    UpdateWindow(Grid->Handle());
    Grid->BeginUpdate();
    Grid->BeginUpdate();
    Grid->InvalidateRow(2);
    Grid->EndUpdate();
    EXPECT_EQ(Grid->UpdateCount(), 1);
    Grid->EndUpdate();
    Grid->EndUpdate();
    EXPECT_EQ(Grid->UpdateCount(), 0) << "never below zero";
}

TEST_F(FixedButtons, SwitchingRowSelectOffCollapsesTheSelection)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect});
    Grid->SetRow(2);
    EXPECT_EQ(Grid->Selection().Right, 3);
    TGridOptions O = Grid->Options();
    O.Exclude(goRowSelect);
    Grid->SetOptions(O);
    const TGridRect S = Grid->Selection();
    EXPECT_EQ(S.Left, S.Right);
    EXPECT_EQ(S.Top, S.Bottom);
}

} // namespace

// A grid that fills its parent realigns in the middle of a size change;
// the columns still follow the new column count.
TEST(DataGrid, ColumnsFollowTheColumnCountOfAnAlignedGrid)
{
    TForm Form(nullptr);
    Form.SetClientWidth(600);
    Form.SetClientHeight(400);
    auto* Grid = new Tyl_DataDrawGrid(&Form);
    Grid->SetParent(&Form);
    Grid->SetAlign(alClient);
    Grid->SetColCount(14);
    EXPECT_EQ(Grid->ColCount(), 14);
    EXPECT_EQ(Grid->Columns()->Count(), 14);
    Grid->Columns()->GetItem(3)->SetAutoSize(true);
    Grid->SetColCount(6);
    EXPECT_EQ(Grid->Columns()->Count(), 6);
}
