#include "common/components/FuncsVCL.h"

#include "common/components/ExLabel.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Grids.h"
#include "platform/forms/StdCtrls.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

/// The program's ini in a temporary folder, state saving on, fonts fresh;
/// all restored afterwards.
class FuncsVCLTest : public testing::Test {
protected:
    void SetUp() override
    {
        FOldStart = GetStartDir();
        FOldExe = GetExeName();
        FOldSave = gCanSaveSettings;
        SetAppLocation(AnsiString::FromUtf8(FTmp.Path().string() + "/"), "pricetags");
        gCanSaveSettings = true;
        FuncsVCLFinalization();
    }
    void TearDown() override
    {
        gCanSaveSettings = false;
        FuncsVCLFinalization();
        SetAppLocation(FOldStart, FOldExe);
        gCanSaveSettings = FOldSave;
    }
    TIniFile* Ini() { return GetAppIniFile(); }

    TempDir FTmp;
    AnsiString FOldStart;
    AnsiString FOldExe;
    bool FOldSave = false;
    NoLogScope FNoLog;
};

/// A form like the program's windows: a grid, a list view, a header and a
/// splitter with the panel it sizes.
struct PlacedForm {
    TForm Form{nullptr};
    TDrawGrid* Grid;
    TListView* List;
    THeaderControl* Header;
    TPanel* Left;
    TSplitter* Splitter;

    PlacedForm()
    {
        Form.SetName("FormMain_2");
        Form.SetBounds(30, 40, 700, 500);
        Left = new TPanel(&Form);
        Left->SetName("pnLeft");
        Left->SetParent(&Form);
        Left->SetAlign(alLeft);
        Left->SetWidth(150);
        Splitter = new TSplitter(&Form);
        Splitter->SetName("Splitter1");
        Splitter->SetParent(&Form);
        Splitter->SetLeft(200);
        Splitter->SetAlign(alLeft);
        Header = new THeaderControl(&Form);
        Header->SetName("Header");
        Header->SetParent(&Form);
        Header->SetAlign(alTop);
        Header->Sections()->Add()->SetWidth(80);
        Header->Sections()->Add()->SetWidth(120);
        List = new TListView(&Form);
        List->SetName("List");
        List->SetParent(&Form);
        List->SetBounds(160, 50, 300, 100);
        List->Columns()->Add()->SetWidth(60);
        List->Columns()->Add()->SetWidth(70);
        Grid = new TDrawGrid(&Form);
        Grid->SetName("Grid");
        Grid->SetParent(&Form);
        Grid->SetBounds(160, 200, 300, 20);
        Grid->SetColCount(3);
        for (int I = 0; I < 3; ++I)
            Grid->SetColWidths(I, 40 + I);
    }
};

} // namespace

TEST(FuncsVCL, FormBaseName)
{
    const struct { const char* In; const char* Out; } Cases[] = {
        {"FormMain_2", "FormMain"},   // a trailing number goes
        {"FormMain_x", "FormMain_x"}, // a letter after "_" stays
        {"FormMain_", "FormMain_"},   // a bare "_" stays
        {"_12", "_12"},               // the only "_" is the first character
        {"Form", "Form"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.In);
        EXPECT_EQ(FormBaseName(C.In), C.Out);
    }
}

TEST(FuncsVCL, LayoutFields)
{
    EXPECT_EQ(LayoutField(30), "0030");
    EXPECT_EQ(LayoutField(-5), "0000");
    // Large values are kept whole instead of being cut to 4 digits.
    EXPECT_EQ(LayoutField(12345), "+12345+");
    std::vector<int> F;
    EXPECT_TRUE(ParseLayoutFields("00300120+12345+0007", F));
    EXPECT_EQ(F, (std::vector<int>{30, 120, 12345, 7}));
    EXPECT_FALSE(ParseLayoutFields("00x0", F));
    EXPECT_FALSE(ParseLayoutFields("003", F));
    EXPECT_FALSE(ParseLayoutFields("+123", F));
}

TEST_F(FuncsVCLTest, PlacementRoundTrip)
{
    {
        PlacedForm P;
        SaveFormPosition(&P.Form);
        // A 20-pixel grid saves the height field 0030.
        EXPECT_EQ(Ini()->ReadString("FormMainPosition", "Grid", ""),
                  "0030030000400041" + AnsiString("0042"));
        EXPECT_EQ(Ini()->ReadString("FormMainPosition", "List", ""), "00600070");
        EXPECT_EQ(Ini()->ReadString("FormMainPosition", "Header", ""), "00800120");
        EXPECT_EQ(Ini()->ReadInteger("FormMainPosition", "Width", 0), 700);
        EXPECT_EQ(Ini()->ReadInteger("FormMainPosition", "WindowState", -1), 0);
    }
    PlacedForm Q;
    Q.Form.SetBounds(0, 0, 500, 400);
    Q.List->Columns()->Items(0)->SetWidth(5);
    Q.Header->Sections()->Items(1)->SetWidth(5);
    Q.Grid->SetColWidths(2, 5);
    Q.Left->SetWidth(50);
    RestoreFormPosition(&Q.Form);
    // The panel beside the splitter takes its width back.
    EXPECT_EQ(Q.Left->Width(), 150);
    EXPECT_EQ(Q.Form.Width(), 700);
    EXPECT_EQ(Q.Form.Left(), 30);
    EXPECT_EQ(Q.List->Columns()->Items(0)->Width(), 60);
    EXPECT_EQ(Q.Header->Sections()->Items(1)->Width(), 120);
    EXPECT_EQ(Q.Grid->ColWidths(2), 42);
}

// A maximised form saved twice keeps the normal bounds of the first save.
TEST_F(FuncsVCLTest, MaximisedFormKeepsItsNormalBounds)
{
    PlacedForm P;
    SaveFormPosition(&P.Form);
    P.Form.SetWindowState(wsMaximized);
    SaveFormPosition(&P.Form);
    SaveFormPosition(&P.Form);
    EXPECT_EQ(Ini()->ReadInteger("FormMainPosition", "Left", 0), 30);
    EXPECT_EQ(Ini()->ReadInteger("FormMainPosition", "Width", 0), 700);
    EXPECT_EQ(Ini()->ReadInteger("FormMainPosition", "WindowState", 0), 2);
}

// A damaged value is skipped; the rest of the placement still applies.
TEST_F(FuncsVCLTest, DamagedLayoutValueIsSkipped)
{
    PlacedForm P;
    SaveFormPosition(&P.Form);
    Ini()->WriteString("FormMainPosition", "List", "00x00070");
    PlacedForm Q;
    Q.List->Columns()->Items(0)->SetWidth(5);
    Q.Header->Sections()->Items(0)->SetWidth(5);
    EXPECT_NO_THROW(RestoreFormPosition(&Q.Form));
    EXPECT_EQ(Q.List->Columns()->Items(0)->Width(), 5);
    EXPECT_EQ(Q.Header->Sections()->Items(0)->Width(), 80);
}

// Nothing is written while the state may not be saved.
TEST_F(FuncsVCLTest, NothingSavedWhenSavingIsOff)
{
    PlacedForm P;
    gCanSaveSettings = false;
    SaveFormPosition(&P.Form);
    GetAppFont(AppFont::Main)->SetSize(12);
    FuncsVCLFinalization();
    EXPECT_EQ(Ini()->ReadInteger("FormMainPosition", "Width", -1), -1);
    EXPECT_EQ(Ini()->ReadInteger("MainFont", "Size", -1), -1);
    gCanSaveSettings = true;
    GetAppFont(AppFont::Label)->SetStyle({fsBold, fsItalic});
    FuncsVCLFinalization();
    EXPECT_EQ(Ini()->ReadInteger("LabelFont", "Style", -1), 12);
    EXPECT_EQ(Ini()->ReadString("LabelFont", "Name", ""), "Times New Roman");
    EXPECT_EQ(Ini()->ReadInteger("LabelFont", "Charset", -1), 204);
}

TEST_F(FuncsVCLTest, FontsByKindAndName)
{
    Ini()->WriteString("MainFont", "Name", "Tahoma");
    Ini()->WriteInteger("EditFont", "Size", 11);
    TForm Form(nullptr);
    auto Label = [&](const char* Name, const char* Face) {
        auto* L = new TExLabel(&Form);
        L->SetName(Name);
        L->SetParent(&Form);
        L->Font()->SetName(Face);
        return L;
    };
    TExLabel* Keep = Label("lbPrice_XX", "Courier New");
    TExLabel* Main = Label("lbPrice_MF", "Courier New");
    TExLabel* Fixed = Label("lbName", "Arial");
    TExLabel* Other = Label("lbOther", "Some Face");
    auto* Edit = new TEdit(&Form);
    Edit->SetName("edPrice");
    Edit->SetParent(&Form);
    auto* Memo = new TMemo(&Form);
    Memo->SetName("Memo");
    Memo->SetParent(&Form);
    Memo->Font()->SetName("Courier New");
    SetComponentFont(&Form, {});
    SetComponentsFonts(&Form, {});
    EXPECT_EQ(Form.Font()->Name(), "Tahoma");
    EXPECT_EQ(Keep->Font()->Name(), "Courier New");
    EXPECT_EQ(Main->Font()->Name(), "Tahoma");
    EXPECT_EQ(Fixed->Font()->Name(), "Arial");
    EXPECT_EQ(Other->Font()->Name(), "Times New Roman");
    EXPECT_EQ(Edit->Font()->Size(), 11);
    EXPECT_EQ(Memo->Font()->Name(), "Courier New");
    EXPECT_EQ(Keep->Font()->Charset(), 204);
}
