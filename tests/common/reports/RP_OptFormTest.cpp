// The template options dialog: the units it converts (margins, paper,
// printer pixels), every page filled from a document and stored back, the
// fitting margins kept as edited, the printer list across a store and a
// new fill, font size texts, cancel storing nothing, the undo step of a
// confirmed dialog, and a picture of each page.

#include "common/reports/RP_OptForm.h"

#include "common/reports/RP_DialogKit.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_Printer.h"
#include "common/reports/RP_StateStack.h"

#include "common/components/YLDCompn.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Printers.h"
#include "platform/forms/StdCtrls.h"

#include "tests/common/reports/DesignDialogsKit.h"
#include "tests/common/reports/ReportPrinterScope.h"

#include <gtest/gtest.h>

#include <string>

using namespace design_test;

namespace {

/// The template as its binary form: equal bytes, equal templates.
std::string Bytes(TDocument& Doc)
{
    TMemoryStream S;
    Doc.SaveToStream(S, /*Undo=*/false);
    return std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

/// Two installed printers; the first is the default.
struct PrinterFixture {
    TFakePrinter Fake;
    ReportPrinterScope Scope{Fake};
    PrinterFixture() { Fake.Names = {"Fake printer"_a, "Склад HP"_a}; }
};

/// A host with printers of its own configuration; it leaves the choice to
/// the document.
struct HostWithConfigurations {
    bool Answer(TObject*, int, const AnsiString&) { return false; }
};

}  // namespace

TEST(RP_OptForm, UnitConversions)
{
    struct Margin {
        Integer Stored;
        Extended Cm;
    };
    const Margin Margins[] = {
        {1500, 1.5},   // the usual 1.5 cm
        {0, 0},        // no margin
        {1234, 1.234}, // hundredths of a millimetre survive the round trip
        {25, 0.025},
    };
    for (const Margin& M : Margins) {
        SCOPED_TRACE(M.Stored);
        EXPECT_DOUBLE_EQ(RP_Dlg::MarginToCm(M.Stored), M.Cm);
        EXPECT_EQ(RP_Dlg::CmToMargin(M.Cm), M.Stored);
    }
    struct Paper {
        Integer Stored;
        Extended Mm;
    };
    const Paper Papers[] = {{21000, 210}, {29700, 297}, {20997, 209.97}, {423, 4.23}};
    for (const Paper& P : Papers) {
        SCOPED_TRACE(P.Stored);
        EXPECT_DOUBLE_EQ(RP_Dlg::PaperToMm(P.Stored), P.Mm);
        EXPECT_EQ(RP_Dlg::MmToPaper(P.Mm), P.Stored);
    }
    struct Device {
        Integer Pixels;
        Integer Dpi;
        Extended Mm;
    };
    const Device Devices[] = {
        {4960, 600, 209.97}, // A4 width at 600 dpi
        {7015, 600, 296.97}, // A4 height
        {142, 600, 6.01},    // a laser printer's border
        {2480, 300, 209.97}, // the same paper at 300 dpi
        {4960, 0, 0},        // no resolution: nothing
    };
    for (const Device& D : Devices) {
        SCOPED_TRACE(D.Pixels);
        EXPECT_NEAR(RP_Dlg::DeviceToMm(D.Pixels, D.Dpi), D.Mm, 0.005);
    }
}

// Every page shows the document's values, and OK stores what was changed:
// the document, the page, the new-element defaults and the designer.
TEST(RP_OptForm, FillsAndStoresEveryPage)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    Doc.SetNameDocument("Ценник 40x60"_a);
    Doc.SetCategory(3);
    Doc.SetVersion(7);
    Doc.SetNameSaveFile("TXT/Ticket1.dcr");
    Doc.MarginTop = 1500;
    Doc.MarginLeft = 250;
    Doc.MarginBottom = 1000;
    Doc.MarginRight = 1234;
    T_RPDefDesigner& S = *Doc.DefDesigner;
    S.FontSize = 13;
    S.FontStyle = 3;
    S.LabelAlignment = 2;
    S.FrameWidth = 3;
    S.FrameTyp = 4;
    S.GridSize = 8;
    S.CoordMM = true;
    auto Fonts = std::make_unique<TStringList>();
    Fonts->Add("Arial");
    Fonts->Add("Arial Narrow");
    Fonts->Add("Times New Roman");

    A.Opt = [&](TOptForm& F) {
        EXPECT_EQ(U(F.edNameDoc->Text()), "Ценник 40x60");
        EXPECT_EQ(F.edCategory->Value(), 3);
        EXPECT_EQ(F.edVers->Value(), 7);
        EXPECT_EQ(U(F.lbFile->Caption()), "TXT/Ticket1.dcr");
        EXPECT_DOUBLE_EQ(F.edMarginTop->Value(), 1.5);
        EXPECT_DOUBLE_EQ(F.edMarginRight->Value(), 1.234);
        EXPECT_TRUE(F.rbPagePortrait->Checked());
        EXPECT_EQ(F.cbFont->ItemIndex(), 0);
        EXPECT_EQ(U(F.cbFSize->Text()), "14") << "the first size not below 13";
        EXPECT_TRUE(F.cbBold->Checked());
        EXPECT_TRUE(F.cbItalic->Checked());
        EXPECT_TRUE(F.sbCenter->Down());
        EXPECT_EQ(U(F.edFrameWidth->Text()), "3");
        EXPECT_TRUE(F.cbFrameTyp->Checked());
        EXPECT_TRUE(F.rbGridSize8pix->Checked());
        EXPECT_TRUE(F.rbCoordMM->Checked());
        EXPECT_EQ(F.pc->ActivePage(), F.tabPage) << "opened on the sheet page";
        EXPECT_FALSE(F.tabPrinter->Controls(0)->Enabled()) << "no printer: fallback paper";

        F.edNameDoc->SetText("Ценник 60x100"_a);
        F.edCategory->SetValue(4);
        F.edMarginTop->SetValue(2.25);
        F.cbPrintToPrevPage->SetChecked(true);
        F.rbPageLandscape->SetChecked(true);
        F.cbDouble->SetChecked(true);
        F.cbFont->SetItemIndex(2);
        F.cbFSize->SetText("abc");
        F.cbBold->SetChecked(false);
        F.sbRight->SetDown(true);
        F.cbVert->SetChecked(true);
        F.cbVCenter->SetChecked(true);
        F.udFrameWidth->SetPosition(5);
        F.cbFrameTyp->SetChecked(false);
        F.edLabelText->SetText("Надпись"_a);
        F.rbShapeInvers->SetChecked(true);
        F.rbrbGridSize4pix->SetChecked(true);
        F.rbLat->SetChecked(true);
        F.edMaster->SetValue(10);
        F.rbCoordPix->SetChecked(true);
        F.cbCheckDimensions->SetChecked(false);
        F.btOk->Click();
    };
    ASSERT_TRUE(EditOptions(&Doc, OptPageSheet, Fonts.get()));
    EXPECT_EQ(U(Doc.NameDocument()), "Ценник 60x100");
    EXPECT_EQ(Doc.Category(), 4);
    EXPECT_EQ(Doc.MarginTop, 2250);
    EXPECT_EQ(Doc.MarginLeft, 250);
    EXPECT_EQ(Doc.MarginRight, 1234);
    EXPECT_TRUE(Doc.DoubleOnSheet);
    EXPECT_TRUE(Doc.CurrentPage()->PrintToPrevPage);
    EXPECT_EQ(Doc.CurrentPage()->Orientation, 1);
    EXPECT_EQ(U(S.FontName), "Times New Roman");
    EXPECT_EQ(S.FontSize, 10) << "a size that is no number";
    EXPECT_EQ(S.FontStyle, 1);
    EXPECT_EQ(S.LabelAlignment, 1);
    EXPECT_TRUE(S.LabelVertical);
    EXPECT_TRUE(S.LabelVertCenter);
    EXPECT_EQ(S.FrameWidth, 5);
    EXPECT_EQ(S.FrameTyp, 0);
    EXPECT_EQ(U(S.LabelText), "Надпись");
    EXPECT_TRUE(S.ShapeInvers);
    EXPECT_EQ(S.GridSize, 4);
    EXPECT_FALSE(S.BandNameRus);
    EXPECT_EQ(S.BMasterCount, 10);
    EXPECT_FALSE(S.CoordMM);
    EXPECT_FALSE(S.CheckDimensions);
    EXPECT_FALSE(Doc.Saved);
    EXPECT_FALSE(Doc.StateStored);
}

// Font size texts and how a stored size picks its item.
TEST(RP_OptForm, FontSizes)
{
    struct Case {
        const char* Text;
        Integer Stored;
    };
    const Case Cases[] = {
        {"abc", 10}, // no number
        {"", 10},    // the blank item
        {"14", 14},
        {"7", 7},
        {"12,5", 10}, // not a whole number
    };
    DialogAnswers A;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        TDocument Doc(nullptr);
        A.Opt = [&](TOptForm& F) {
            F.cbFSize->SetText(AnsiString::FromUtf8(C.Text));
            F.btOk->Click();
        };
        ASSERT_TRUE(EditOptions(&Doc, OptPageDocument));
        EXPECT_EQ(Doc.DefDesigner->FontSize, C.Stored);
    }

    struct Pick {
        Integer FontSize;
        const char* Shown;
    };
    const Pick Picks[] = {
        {5, "5"},    // the first item
        {13, "14"},  // between two items: the larger
        {72, "72"},  // the last number
        {100, "6"},  // above every item: item 1
    };
    for (const Pick& P : Picks) {
        SCOPED_TRACE(P.FontSize);
        TDocument Doc(nullptr);
        Doc.DefDesigner->FontSize = P.FontSize;
        std::string Shown;
        A.Opt = [&](TOptForm& F) { Shown = U(F.cbFSize->Text()); };
        EXPECT_FALSE(EditOptions(&Doc, OptPageDocument));
        EXPECT_EQ(Shown, P.Shown);
    }
}

// A face the list lacks stays the template's face.
TEST(RP_OptForm, UnlistedFontFaceIsKept)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    Doc.DefDesigner->FontName = "Courier Cyr";
    auto Fonts = std::make_unique<TStringList>();
    Fonts->Add("Arial");
    Fonts->Add("Courier New");
    A.Opt = [](TOptForm& F) { F.btOk->Click(); };
    ASSERT_TRUE(EditOptions(&Doc, OptPageDocument, Fonts.get()));
    EXPECT_EQ(U(Doc.DefDesigner->FontName), "Courier Cyr");

    Doc.DefDesigner->FontName = "courier";
    ASSERT_TRUE(EditOptions(&Doc, OptPageDocument, Fonts.get()));
    EXPECT_EQ(U(Doc.DefDesigner->FontName), "Courier New") << "the first face beginning so";
}

// Without fitting, the bottom and right margins are stored as edited (the
// printer uses only the top and left ones then); their edits are disabled.
TEST(RP_OptForm, MarginsAreKeptWithoutFitting)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    Doc.MarginBottom = 700;
    A.Opt = [](TOptForm& F) {
        EXPECT_TRUE(F.edMarginBottom->Enabled());
        F.cbPrintStretchDraw->SetChecked(false);
        EXPECT_FALSE(F.edMarginBottom->Enabled());
        EXPECT_FALSE(F.edMarginRight->Enabled());
        EXPECT_FALSE(F.lbMarginRight->Enabled());
        F.edMarginRight->SetValue(1.5);
        F.btOk->Click();
    };
    ASSERT_TRUE(EditOptions(&Doc, OptPageDocument));
    EXPECT_FALSE(Doc.PrintStretchDraw);
    EXPECT_EQ(Doc.MarginRight, 1500);
    EXPECT_EQ(Doc.MarginBottom, 700);
}

// The printer list: "По умолчанию", the host's three configurations when it
// chooses printers, the installed printers; what a template names is
// selected again after a store and a new fill.
TEST(RP_OptForm, PrinterChoices)
{
    PrinterFixture P;
    HostWithConfigurations Host;
    struct Case {
        const char* Name;
        Integer Type;
        const char* PrinterName;
        bool Host;
        int Item;              // selected at the fill
        int Choose;            // item chosen before OK (-1: none)
        Integer StoredType;
        const char* StoredName;
    };
    const Case Cases[] = {
        {"default", 0, "", false, 0, -1, 0, ""},
        {"installed", -1, "Склад HP", false, 2, -1, -1, "Склад HP"},
        {"not installed", -1, "Бухгалтерия", false, 0, -1, 0, ""},
        {"configuration", 2, "Принтер конфигурации 2", true, 2, -1, 2, "Принтер конфигурации 2"},
        {"configuration without host", 2, "Принтер конфигурации 2", false, 0, -1, 0, ""},
        {"choose an installed one", 0, "", true, 0, 5, -1, "Склад HP"},
        {"choose configuration 3", 0, "", true, 0, 3, 3, "Принтер конфигурации 3"},
    };
    DialogAnswers A;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TDocument Doc(nullptr);
        Doc.PrinterType = C.Type;
        Doc.PrinterName = AnsiString::FromUtf8(C.PrinterName);
        if (C.Host)
            Doc.OnSetPrinterEvent = TSetPrinterEvent(&Host, &HostWithConfigurations::Answer);
        std::vector<std::string> Items;
        A.Opt = [&](TOptForm& F) {
            for (int I = 0; I < F.cbPrinter->Items()->Count(); ++I)
                Items.push_back(U(F.cbPrinter->Items()->Strings(I)));
            EXPECT_EQ(F.cbPrinter->ItemIndex(), C.Item);
            EXPECT_EQ(F.rbSelectPrinter->Checked(), C.Item != 0);
            EXPECT_EQ(F.cbPrinter->Enabled(), C.Item != 0);
            if (C.Choose >= 0) {
                F.rbSelectPrinter->SetChecked(true);
                F.cbPrinter->SetItemIndex(C.Choose);
                F.cbPrinterChange(F.cbPrinter);
            }
            F.btOk->Click();
        };
        ASSERT_TRUE(EditOptions(&Doc, OptPageDocument));
        ASSERT_GE(Items.size(), 3u);
        EXPECT_EQ(Items[0], "По умолчанию");
        if (C.Host) {
            EXPECT_EQ(Items[1], "Принтер конфигурации 1");
            EXPECT_EQ(Items[3], "Принтер конфигурации 3");
        }
        EXPECT_EQ(Items.back(), "Склад HP");
        EXPECT_EQ(Doc.PrinterType, C.StoredType);
        EXPECT_EQ(U(Doc.PrinterName), C.StoredName);

        // Filled again from what was stored: the same item.
        int Again = -1;
        A.Opt = [&](TOptForm& F) { Again = F.cbPrinter->ItemIndex(); };
        EXPECT_FALSE(EditOptions(&Doc, OptPageDocument));
        EXPECT_EQ(Again, C.Choose >= 0 ? C.Choose : C.Item);
    }
}

// The paper: stored sizes in millimetres, or with "По умолчанию" the
// chosen printer's paper; a cancelled dialog puts the printer back.
TEST(RP_OptForm, PaperSizeAndThePrinterOnCancel)
{
    PrinterFixture P;
    DialogAnswers A;
    TDocument Doc(nullptr);
    Doc.PrinterPageDefaultSize = false;
    Doc.PrinterPageWidth = 10000;
    Doc.PrinterPageHeight = 15000;
    Doc.PrinterPageOffsetX = 300;
    Doc.PrinterPageOffsetY = 450;
    A.Opt = [](TOptForm& F) {
        EXPECT_DOUBLE_EQ(F.edPrinterPageWidth->Value(), 100);
        EXPECT_DOUBLE_EQ(F.edPrinterPageOffsetY->Value(), 4.5);
        EXPECT_TRUE(F.edPrinterPageWidth->Enabled());
        F.edPrinterPageHeight->SetValue(148.5);
        F.btOk->Click();
    };
    ASSERT_TRUE(EditOptions(&Doc, OptPageDocument));
    EXPECT_EQ(Doc.PrinterPageHeight, 14850);
    EXPECT_EQ(Doc.PrinterPageWidth, 10000);

    const int Before = Printer()->PrinterIndex();
    A.Opt = [](TOptForm& F) {
        F.cbPrinterPageDefailtSize->SetChecked(true);
        EXPECT_FALSE(F.edPrinterPageWidth->Enabled());
        EXPECT_NEAR(F.edPrinterPageWidth->Value(), 209.97, 0.005);
        EXPECT_NEAR(F.edPrinterPageHeight->Value(), 296.97, 0.005);
        EXPECT_NEAR(F.edPrinterPageOffsetX->Value(), 6.01, 0.005);
        F.rbSelectPrinter->SetChecked(true);
        F.cbPrinter->SetItemIndex(2);
        F.cbPrinterChange(F.cbPrinter);
        EXPECT_EQ(Printer()->PrinterIndex(), 1);
    };
    EXPECT_FALSE(EditOptions(&Doc, OptPageDocument));
    EXPECT_EQ(Printer()->PrinterIndex(), Before);
    EXPECT_FALSE(Doc.PrinterPageDefaultSize) << "nothing stored";
}

// A printer that reports no resolution stops the paper display with the
// message; the dialog still opens.
TEST(RP_OptForm, PrinterWithoutResolution)
{
    struct NoResolution : ReportPrinter {
        int Reads = 0;
        int PrinterIndex() override { return 0; }
        PrinterCaps ReadCaps(Byte) override
        {
            ++Reads;
            PrinterCaps Caps;
            // Good for the document's metrics, none for the dialog.
            if (Reads <= 2) {
                Caps.LogPixelsX = Caps.LogPixelsY = 600;
                Caps.PhysWidth = 4960;
                Caps.PhysHeight = 7015;
                Caps.HorzRes = 4676;
                Caps.VertRes = 6815;
            }
            return Caps;
        }
    } Port;
    TFakePrinter Fake;
    TPrinter* Old = SetPrinter(&Fake);
    ReportPrinter* OldPort = InstalledReportPrinter();
    InstallReportPrinter(&Port);
    DialogAnswers A;
    TDocument Doc(nullptr);
    Doc.PrinterPageDefaultSize = true;
    bool Shown = false;
    A.Opt = [&](TOptForm& F) {
        Shown = true;
        EXPECT_TRUE(F.cbPrinter->Parent()->Enabled());
    };
    EXPECT_FALSE(EditOptions(&Doc, OptPageDocument));
    InstallReportPrinter(OldPort);
    SetPrinter(Old);
    EXPECT_TRUE(Shown);
    ASSERT_EQ(A.Messages.size(), 1u);
    EXPECT_EQ(A.Messages[0], "|Возможно не определен принтер в системе");
}

// Cancel changes nothing; OK is one undo step.
TEST(RP_OptForm, CancelStoresNothingAndOkIsAnUndoStep)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    Doc.SetNameDocument("Было"_a);
    Doc.Saved = true;
    TStateStack States(&Doc);
    const std::string Opened = Bytes(Doc);

    A.Opt = [](TOptForm& F) {
        F.edNameDoc->SetText("Стало"_a);
        F.edMarginTop->SetValue(3);
        F.rbPageLandscape->SetChecked(true);
        F.cbFSize->SetText("20");
        F.rbGridSize8pix->SetChecked(true);
        F.btCancel->Click();
    };
    EXPECT_FALSE(EditOptions(&Doc, OptPageDocument));
    EXPECT_TRUE(Doc.Saved);
    EXPECT_EQ(Bytes(Doc), Opened);
    States.PushState();
    EXPECT_FALSE(States.CanUndo()) << "a cancelled dialog is no step";

    A.Opt = [](TOptForm& F) {
        F.edNameDoc->SetText("Стало"_a);
        SimulateKey(VK_RETURN);
    };
    ASSERT_TRUE(EditOptions(&Doc, OptPageDocument));
    States.PushState();
    ASSERT_TRUE(States.CanUndo());
    States.Undo();
    EXPECT_EQ(U(Doc.NameDocument()), "Было");
    States.Redo();
    EXPECT_EQ(U(Doc.NameDocument()), "Стало");
}

// Each page as the operator sees it.
TEST(RP_OptForm, PicturesOfEveryPage)
{
    PrinterFixture P;
    DialogAnswers A;
    TDocument Doc(nullptr);
    Doc.SetNameDocument("Ценники 40x60"_a);
    Doc.SetNameSaveFile("TXT/Ticket1.dcr");
    Doc.MarginTop = 1000;
    Doc.MarginLeft = 1000;
    Doc.PrinterType = -1;
    Doc.PrinterName = "Склад HP"_a;
    A.Opt = [](TOptForm& F) {
        const char* Names[] = {"opt-1-document", "opt-2-sheet", "opt-3-element", "opt-4-printer",
                               "opt-5-designer"};
        for (int I = 0; I < 5; ++I) {
            F.pc->SetActivePageIndex(I);
            KeepPng(&F, Names[I]);
        }
    };
    EXPECT_FALSE(EditOptions(&Doc, OptPageDocument));
}
