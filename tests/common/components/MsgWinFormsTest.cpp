#include "common/components/MsgWin.h"

#include "common/base/Funcs.h"
#include "common/components/Stopp.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/Exceptions.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

/// Turns developer mode on for a scope.
class DeveloperModeScope {
public:
    DeveloperModeScope() : FOld(gDeveloperMode) { gDeveloperMode = true; }
    ~DeveloperModeScope() { gDeveloperMode = FOld; }

private:
    bool FOld;
};

} // namespace

TEST(MsgWinForms, SetVisiblesValueAndSetEnabled)
{
    const NoLogScope NoLog;
    TForm Form(nullptr);
    auto* Label = new TLabel(&Form);
    auto* Item = new TMenuItem(&Form);
    SetVisiblesValue({Label, nullptr, Item}, false);
    EXPECT_FALSE(Label->Visible());
    EXPECT_FALSE(Item->Visible());
    TStringList NotAControl;
    // The index in the message counts the skipped null element too.
    ExpectRaises<EAppException>([&] { SetVisiblesValue({Label, nullptr, &NotAControl}, true); },
                                "SetVisiblesValue: ar[2] is not a TControl");
    SetEnabledOnOff({Label}, false, {Item});
    EXPECT_FALSE(Label->Enabled());
    EXPECT_TRUE(Item->Enabled());
    SetEnabled(nullptr, true);
    ExpectRaises<EAppException>([&] { SetEnabled(&NotAControl, true); },
                                "SetEnabled: Unknown type of Component");
}

TEST(MsgWinForms, FitListColumnTakesTheRestOfTheWidth)
{
    TForm Form(nullptr);
    auto* List = new TListView(&Form);
    List->SetParent(&Form);
    List->SetBounds(0, 0, 300, 100);
    List->Columns()->Add()->SetWidth(100);
    List->Columns()->Add()->SetWidth(50);
    FitListColumn(List, 1);
    EXPECT_EQ(List->Columns()->Items(1)->Width(), List->ClientWidth() - 100);
    List->Columns()->Items(1)->SetMinWidth(400);
    FitListColumn(List, 1);
    EXPECT_EQ(List->Columns()->Items(1)->Width(), 400);
    FitListColumn(List, 5); // beyond the columns: nothing
}

TEST(MsgWinForms, RegisterFormForgetsFreedForms)
{
    auto First = std::make_unique<TForm>(nullptr);
    TForm Second(nullptr);
    const Integer I = RegisterForm(First.get());
    EXPECT_EQ(RegisterForm(First.get()), I); // registered once
    const Integer J = RegisterForm(&Second);
    EXPECT_EQ(J, I + 1);
    First.reset();
    EXPECT_EQ(RegisterForm(&Second), I);
}

// Forms hidden at a minimise come back at the restore; one freed meanwhile
// is skipped instead of being touched.
TEST(MsgWinForms, MinimiseHidesFormsAndRestoreSkipsFreedOnes)
{
    MsgWinInitialization();
    auto Kept = std::make_unique<TForm>(nullptr);
    auto Freed = std::make_unique<TForm>(nullptr);
    Kept->Show();
    Freed->Show();
    Application->OnMinimize(Application);
    EXPECT_FALSE(Kept->Visible());
    EXPECT_FALSE(Freed->Visible());
    Freed.reset();
    Application->OnRestore(Application);
    EXPECT_TRUE(Kept->Visible());
    MsgWinFinalization();
}

TEST(MsgWinForms, SetItemIndexByText)
{
    TForm Form(nullptr);
    auto* Combo = new TComboBox(&Form);
    Combo->SetParent(&Form);
    Combo->Items()->Add("один"_a);
    Combo->Items()->Add("два"_a);
    SetItemIndexByText(Combo, "ДВА"_a, 0);
    EXPECT_EQ(Combo->ItemIndex(), 1);
    SetItemIndexByText(Combo, "три"_a, 0);
    EXPECT_EQ(Combo->ItemIndex(), 0);
    SetItemIndexByText(Combo, "три"_a, -1);
    EXPECT_EQ(Combo->ItemIndex(), -1);
}

TEST(MsgWinForms, WrappedTextIsTallerThanOneLine)
{
    TFont Font;
    Font.SetName("Arial");
    Font.SetSize(10);
    const TPoint One = TextSize("слово слово слово"_a, &Font);
    const TPoint Wrapped = TextSizeWrapped("слово слово слово"_a, &Font, One.X / 2);
    EXPECT_GT(One.X, 0);
    EXPECT_EQ(TextHeight("слово"_a, &Font), One.Y);
    EXPECT_GE(Wrapped.Y, 2 * One.Y);
    EXPECT_LE(Wrapped.X, One.X / 2);
}

// The cell text lands in the cell: right-aligned text ends 3 pixels before
// the right edge; wrapped text paints the cell's background only.
TEST(MsgWinForms, WriteCellText)
{
    TBitmap Target;
    Target.SetWidth(120);
    Target.SetHeight(40);
    TCanvas* C = Target.Canvas();
    C->Brush()->SetColor(clWhite);
    C->FillRect(Rect(0, 0, 120, 40));
    C->Font()->SetName("Arial");
    C->Font()->SetSize(10);
    C->Font()->SetColor(clBlack);
    C->Brush()->SetColor(clYellow);
    WriteCellText(C, Rect(10, 0, 110, 20), 2, false, false, taRightJustify, "8888", 2);
    int RightMost = -1;
    for (int X = 0; X < 120; ++X)
        for (int Y = 0; Y < 20; ++Y)
            if (C->Pixels(X, Y) == clBlack)
                RightMost = std::max(RightMost, X);
    EXPECT_GT(RightMost, 90);
    EXPECT_LT(RightMost, 110 - 3);
    EXPECT_EQ(C->Pixels(5, 5), clWhite); // outside the cell
    WriteCellText(C, Rect(10, 20, 60, 40), 2, false, true, taLeftJustify, "один два три"_a, 0);
    EXPECT_EQ(C->Pixels(59, 39), clYellow);
    EXPECT_EQ(C->Pixels(61, 30), clWhite);
}

// A stop point in developer mode shows the stop bar with the active
// control's name and the values; continuing returns to the caller.
TEST(StopForm, StopPointShowsNamesAndValues)
{
    const DeveloperModeScope Developer;
    AnsiString Title;
    AnsiString Text;
    int Shown = 0;
    const ModalHookScope Hook([&](TCustomForm& Form) {
        auto& Stop = static_cast<TStopForm&>(Form);
        Title = Stop.PanelStopTitle->Caption();
        Text = Stop.PanelStrTitle->Caption();
        ++Shown;
        Stop.StopBt1->Click();
    });
    StopPoint({"x=", 5});
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(Title, " Stop: ");
    EXPECT_EQ(Text, " <x= 5>");
    EXPECT_FALSE(GetStopForm()->StopClosing);

    gDeveloperMode = false;
    StopPoint({"quiet"});
    EXPECT_EQ(Shown, 1);
}

TEST(StopForm, TitlePanelWidthFollowsItsCaption)
{
    TStopForm* Form = GetStopForm();
    Form->PanelStopTitle->SetCaption("a");
    Form->OnShow(Form);
    EXPECT_EQ(Form->PanelStopTitle->Width(), 52);
    Form->PanelStopTitle->SetCaption("AVeryLongControlName1: ");
    Form->OnShow(Form);
    Form->Canvas()->Font()->Assign(Form->PanelStopTitle->Font());
    EXPECT_EQ(Form->PanelStopTitle->Width(),
              Form->Canvas()->TextWidth(Form->PanelStopTitle->Caption()) + 6);
    EXPECT_EQ(Form->Left(), 1);
    EXPECT_EQ(Form->Top(), 1);
}

// The stop bar as the developer sees it (PRICETAGS_PNG_DIR keeps the PNG).
TEST(StopForm, RendersOffscreen)
{
    TStopForm* Form = GetStopForm();
    Form->PanelStopTitle->SetCaption("edPrice: ");
    Form->PanelStrTitle->SetCaption(" <Цена= 12,50>"_a);
    Form->Show();
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(Form, &Shot);
    Form->Hide();
    EXPECT_EQ(Shot.Width(), 608);
    // The red panels are red, and the title has text on it.
    EXPECT_EQ(Shot.Canvas()->Pixels(150, 17), clRed);
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR"))
        WriteBytes(std::filesystem::path(Dir) / "stop-window.png", Shot.SaveToPngBytes());
}
