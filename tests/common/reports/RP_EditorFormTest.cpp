// The text editor and the coordinate group both element editors share:
// pixels and millimetres at every zoom and the round trip of the unit
// switch; a text element's lines, options and 3-D effect stored on OK and
// kept on cancel; bands and owner-drawn frames without options; a variable
// put in at the caret with the clipboard left alone; the keys; the unit
// kept for the next use; and a picture of the editor.

#include "common/reports/RP_EditorForm.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"
#include "common/reports/RP_ViewCoords.h"

#include "common/components/YLDCompn.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/StdCtrls.h"

#include "tests/common/reports/DesignDialogsKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace design_test;

namespace {

/// A text element of Doc at (X, Y) of W x H pixels with Lines.
TView* AddText(TDocument& Doc, int X, int Y, int W, int H, const char* Lines)
{
    auto* V = new TView(vkText, &Doc);
    V->SetBoundsRect(Rect(X, Y, X + W, Y + H));
    V->Lines->SetText(AnsiString::FromUtf8(Lines));
    Doc.CurrentPage()->AddView(V);
    return V;
}

std::string Text(TStrings* S)
{
    return U(S->Text());
}

const char* const PriceVariables =
    "Товар\r\n"
    "\tNAME | Наименование\r\n"
    "\tPRICE | Цена | Цена за единицу\r\n";

}  // namespace

// Pixels are at scale 1 whatever the zoom; OK stores millimetres x 100.
TEST(RP_EditorForm, CoordinatesAtEveryZoom)
{
    DialogAnswers A;
    struct Case {
        Extended LeftMM;  // stored
        int Pixels;       // shown in XEdit
        Extended MM;      // shown in XEditMM, one decimal
        Extended Stored;  // after OK
    };
    const Case Cases[] = {
        {2540, 96, 25.4, 2540},     // one inch
        {978.958, 37, 9.8, 980},    // 37 pixels placed on the surface
        {100, 4, 1.0, 100},
        {6000, 227, 60.0, 6000},
    };
    for (const Extended Zoom : {1.0, 2.0, 4.0}) {
        for (const Case& C : Cases) {
            SCOPED_TRACE(std::to_string(Zoom) + " " + std::to_string(C.Pixels));
            TDocument Doc(nullptr);
            TView* V = AddText(Doc, 0, 0, 80, 24, "Цена");
            V->SetLeftMM(C.LeftMM);
            Doc.SetScale(Zoom);
            A.Editor = [&](TEditorForm& F) {
                F.Coords->rbCoordPix->SetChecked(true);
                EXPECT_EQ(F.Coords->XEdit->Value(), C.Pixels);
                EXPECT_DOUBLE_EQ(F.Coords->XEditMM->Value(), C.MM);
                F.btOk->Click();
            };
            ASSERT_TRUE(EditText(&Doc, V));
            EXPECT_DOUBLE_EQ(V->LeftMM(), C.Stored);
            EXPECT_EQ(Doc.Scale(), Zoom) << "the zoom stays";
        }
    }
}

// Typing pixels and reading them back after OK gives the same pixels, for
// every pixel of a sheet's width; the sums follow the edits.
TEST(RP_EditorForm, UnitSwitchRoundTrip)
{
    TDocument Doc(nullptr);
    TView* V = AddText(Doc, 10, 20, 80, 24, "");
    auto Form = std::make_unique<TForm>(nullptr, 0);
    int Choice = CoordPixels;
    ViewCoordGroup G(Form.get(), 0, 0, Choice);
    G.Fill(*V, false);
    EXPECT_EQ(U(G.lbRight->Caption()), "R=90");
    EXPECT_EQ(U(G.lbBottom->Caption()), "B=44");
    EXPECT_FALSE(G.XEditMM->Enabled());
    for (int Px = 0; Px <= 1200; ++Px) {
        G.XEdit->SetValue(Px);
        G.Store(*V);
        ASSERT_EQ(V->GetLeft(), Px) << "typed " << Px << " pixels";
    }
    EXPECT_EQ(U(G.lbRight->Caption()), "R=1280");

    // Millimetres typed: the pixels follow, and the element keeps the
    // millimetres.
    G.rbCoordMM->SetChecked(true);
    EXPECT_EQ(Choice, CoordMillimetres);
    EXPECT_TRUE(G.XEditMM->Enabled());
    EXPECT_FALSE(G.XEdit->Enabled());
    G.XEditMM->SetValue(25.4);
    EXPECT_EQ(G.XEdit->Value(), 96);
    G.DXEditMM->SetValue(10);
    EXPECT_EQ(G.DXEdit->Value(), 38);
    EXPECT_EQ(U(G.lbRight->Caption()), "R=134");
    EXPECT_EQ(U(G.lbRightMM->Caption()), "R=35,4");
    G.Store(*V);
    EXPECT_DOUBLE_EQ(V->LeftMM(), 2540);
    EXPECT_DOUBLE_EQ(V->WidthMM(), 1000);
}

// A text element: every field shown, OK stores, cancel keeps.
TEST(RP_EditorForm, TextElementStoredOnOkOnly)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    TView* V = AddText(Doc, 8, 8, 80, 24, "Цена\r\n[PRICE]");
    V->SC = true;
    V->SetWordWrap(true);
    V->Tag = 5;
    V->Show3d = true;
    V->Type3d = 3;
    V->ShadowLen = 2;
    V->ShadowColor = clRed;

    for (const bool Ok : {false, true}) {
        SCOPED_TRACE(Ok);
        A.Editor = [&](TEditorForm& F) {
            EXPECT_EQ(Text(F.M1->Lines()), "Цена\r\n[PRICE]\r\n");
            EXPECT_TRUE(F.gbOpt->Enabled());
            EXPECT_TRUE(F.btVar->Enabled());
            EXPECT_TRUE(F.StrCheck->Checked());
            EXPECT_TRUE(F.cbWordWrap->Checked());
            EXPECT_TRUE(F.M1->WordWrap());
            EXPECT_EQ(F.M1->ScrollBars(), ssVertical);
            EXPECT_EQ(F.edTag->Value(), 5);
            EXPECT_TRUE(F.gb3D->Enabled());
            EXPECT_EQ(F.cbType3d->ItemIndex(), 3);
            EXPECT_EQ(U(F.edShadowColor->Text()), "clRed");
            EXPECT_EQ(U(F.bar->SimpleText()), "1 : 1");

            F.M1->Lines()->SetText("Новая цена"_a);
            F.StrCheck->SetChecked(false);
            F.cbWordWrap->SetChecked(false);
            EXPECT_EQ(F.M1->ScrollBars(), ssBoth);
            F.cbTextToFrame->SetChecked(true);
            F.edTag->SetValue(9);
            F.cbType3d->SetItemIndex(4);
            F.edShadowLen->SetValue(3);
            {
                DialogHookScope Colour([](TCommonDialog& D) {
                    static_cast<TColorDialog&>(D).SetColor(clBlue);
                    return true;
                });
                F.edShadowColor->EditButtonClick();
            }
            EXPECT_EQ(U(F.edShadowColor->Text()), "clBlue");
            F.cb3DEffect->SetChecked(false);
            EXPECT_FALSE(F.gb3D->Enabled());
            (Ok ? F.btOk : F.btCancel)->Click();
        };
        EXPECT_EQ(EditText(&Doc, V), Ok);
        if (!Ok) {
            EXPECT_EQ(Text(V->Lines.get()), "Цена\r\n[PRICE]\r\n");
            EXPECT_TRUE(V->SC);
            EXPECT_EQ(V->Tag, 5);
            EXPECT_EQ(V->ShadowColor, clRed);
            continue;
        }
        EXPECT_EQ(Text(V->Lines.get()), "Новая цена\r\n");
        EXPECT_FALSE(V->SC);
        EXPECT_FALSE(V->WordWrap());
        EXPECT_TRUE(V->DrawTextToFrame);
        EXPECT_EQ(V->Tag, 9);
        EXPECT_FALSE(V->Show3d);
        EXPECT_EQ(V->Type3d, 4);
        EXPECT_EQ(V->ShadowLen, 3);
        EXPECT_EQ(V->ShadowColor, clBlue);
    }
}

// "Вписать в размер" changes nothing in drawing, so it leaves "Авторазмер
// секции" alone: both are stored as checked.
TEST(RP_EditorForm, FitToFrameLeavesGrowingAlone)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    TView* V = AddText(Doc, 8, 8, 80, 24, "Текст");
    A.Editor = [](TEditorForm& F) {
        F.cbTextToFrame->SetChecked(true);
        EXPECT_TRUE(F.StrCheck->Enabled());
        F.StrCheck->SetChecked(true);
        F.btOk->Click();
    };
    ASSERT_TRUE(EditText(&Doc, V));
    EXPECT_TRUE(V->SC);
    EXPECT_TRUE(V->DrawTextToFrame);
}

// Bands, rectangles of other kinds and owner-drawn frames: lines and
// coordinates, no options and no variable button.
TEST(RP_EditorForm, OtherKindsWithoutOptions)
{
    DialogAnswers A;
    for (const Byte Kind : {vkBandArea, vkOwnerDraw}) {
        SCOPED_TRACE(Kind);
        TDocument Doc(nullptr);
        auto* V = new TView(Kind, &Doc);
        V->SetTop(40);
        V->SetHeight(60);
        V->Lines->SetText("Итого"_a);
        V->SC = true;
        Doc.CurrentPage()->AddView(V);
        A.Editor = [&](TEditorForm& F) {
            EXPECT_EQ(Text(F.M1->Lines()), "Итого\r\n");
            EXPECT_FALSE(F.gbOpt->Enabled());
            EXPECT_FALSE(F.StrCheck->Enabled());
            EXPECT_FALSE(F.btVar->Enabled());
            EXPECT_EQ(F.Coords->YEdit->Value(), 40);
            EXPECT_EQ(F.Coords->DYEdit->Value(), 60);
            KeepPng(&F, Kind == vkBandArea ? "editor-band" : "editor-ownerdraw");
            F.M1->Lines()->SetText("Всего"_a);
            F.btOk->Click();
        };
        ASSERT_TRUE(EditText(&Doc, V));
        EXPECT_EQ(Text(V->Lines.get()), "Всего\r\n");
        EXPECT_TRUE(V->SC) << "not a text element: its options stay";
    }
}

// The Insert key opens the picker; the chosen name goes in at the caret
// and what the operator copied stays on the clipboard.
TEST(RP_EditorForm, VariableGoesInAtTheCaret)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    auto Vars = std::make_unique<TStringList>();
    Vars->SetText(AnsiString::FromUtf8(PriceVariables));
    Doc.SetVariables(Vars.get());
    TView* V = AddText(Doc, 8, 8, 120, 24, "Цена:  руб.");
    Clipboard()->SetAsText("скопировано"_a);

    A.Var = [](TVarForm& F) {
        TTreeNode* Price = F.tv->Items()->GetFirstNode()->Item(1);
        F.tv->SetSelected(Price);
        EXPECT_EQ(U(F.lbHelp->Caption()), "[PRICE]:  Цена за единицу");
        SimulateKey(VK_RETURN);
    };
    A.Editor = [](TEditorForm& F) {
        F.M1->SetFocus();
        Application->ProcessMessages();
        F.M1->SetSelStart(6);
        F.M1->SetSelLength(0);
        SimulateKey(VK_INSERT);
        Application->ProcessMessages();
        EXPECT_EQ(U(F.bar->SimpleText()), "1 : 14");
        F.btOk->Click();
    };
    ASSERT_TRUE(EditText(&Doc, V));
    EXPECT_EQ(Text(V->Lines.get()), "Цена: [PRICE] руб.\r\n");
    EXPECT_EQ(U(Clipboard()->AsText()), "скопировано");

    // A cancelled picker puts nothing in.
    A.Var = [](TVarForm&) { SimulateKey(VK_ESCAPE); };
    A.Editor = [](TEditorForm& F) {
        F.btVar->Click();
        F.btOk->Click();
    };
    ASSERT_TRUE(EditText(&Doc, V));
    EXPECT_EQ(Text(V->Lines.get()), "Цена: [PRICE] руб.\r\n");
}

// Esc cancels, Ctrl+Enter confirms, Ctrl+Backspace and "Очистить" empty the
// text; without an element the editor closes at once.
TEST(RP_EditorForm, Keys)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    TView* V = AddText(Doc, 8, 8, 80, 24, "Текст");
    struct Case {
        Word Key;
        TShiftState Shift;
        bool Confirmed;
        const char* Lines;
    };
    const Case Cases[] = {
        {VK_ESCAPE, {}, false, "Текст\r\n"},
        {VK_RETURN, {ssCtrl}, true, "Текст\r\n"},
        {VK_BACK, {ssCtrl}, true, ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Key);
        V->Lines->SetText("Текст"_a);
        A.Editor = [&](TEditorForm& F) {
            SimulateKey(C.Key, C.Shift);
            Application->ProcessMessages();
            if (F.ModalResult() == mrNone)
                F.btOk->Click();
        };
        EXPECT_EQ(EditText(&Doc, V), C.Confirmed);
        EXPECT_EQ(Text(V->Lines.get()), C.Lines);
    }
    EXPECT_FALSE(EditText(&Doc, nullptr));
}

// The unit chosen stays chosen for the next use of the editor, whatever
// the designer setting says.
TEST(RP_EditorForm, UnitIsKeptForTheNextUse)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    TView* V = AddText(Doc, 8, 8, 80, 24, "Текст");
    for (const bool MM : {true, false}) {
        Doc.DefDesigner->CoordMM = !MM;
        A.Editor = [&](TEditorForm& F) {
            (MM ? F.Coords->rbCoordMM : F.Coords->rbCoordPix)->SetChecked(true);
        };
        EXPECT_FALSE(EditText(&Doc, V));
        bool Shown = false;
        A.Editor = [&](TEditorForm& F) { Shown = F.Coords->rbCoordMM->Checked(); };
        EXPECT_FALSE(EditText(&Doc, V));
        EXPECT_EQ(Shown, MM);
    }
}

TEST(RP_EditorForm, PictureOfTheEditor)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    TView* V = AddText(Doc, 16, 40, 151, 30, "<B>[NAME]</B>\r\nАрт. [ARTICLE]\r\nЦена: [PRICE] руб.");
    V->SC = true;
    V->SetWordWrap(true);
    A.Editor = [](TEditorForm& F) {
        F.Coords->rbCoordMM->SetChecked(true);
        KeepPng(&F, "editor-text");
    };
    EXPECT_FALSE(EditText(&Doc, V));
}
