// The variable picker: the Variables text with every kind of line, the
// tree and its help line, the choice by Enter and double click, the empty
// list, another document's list, and a picture of the picker.

#include "common/reports/RP_VarForm.h"

#include "common/reports/RP_Document.h"

#include "platform/classes/Strings.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

#include "tests/common/reports/DesignDialogsKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace design_test;

namespace {

const char* const EveryLineKind =
    "\tLOST | before any section\r\n"                        // 0: not shown
    "; a comment line\r\n"                                   // 1
    "Товар\r\n"                                              // 2: section
    "\tNAME\r\n"                                             // 3: name only
    "\tPRICE | Цена\r\n"                                     // 4: name and description
    "  ARTICLE | Артикул | Код товара у поставщика\r\n"      // 5: with help
    "\t! Шесть знаков,\r\n"                                  // 6: more help
    "\t- без пробелов\r\n"                                   // 7: more help
    "\t; a comment inside\r\n"                               // 8
    "\r\n"                                                   // 9: blank
    "Документ\r\n"                                           // 10: section
    "\tDATE | Дата | Дата | с чертой\r\n";                   // 11: help keeps the rest

void SetVariables(TDocument& Doc, const char* Text)
{
    auto Lines = std::make_unique<TStringList>();
    Lines->SetText(AnsiString::FromUtf8(Text));
    Doc.SetVariables(Lines.get());
}

}  // namespace

TEST(RP_VarForm, ParsesEveryLineKind)
{
    auto Lines = std::make_unique<TStringList>();
    Lines->SetText(AnsiString::FromUtf8(EveryLineKind));
    const std::vector<VarSection> S = ParseVariables(Lines.get());
    ASSERT_EQ(S.size(), 2u);
    EXPECT_EQ(U(S[0].Title), "Товар");
    EXPECT_EQ(S[0].Line, 2);
    ASSERT_EQ(S[0].Vars.size(), 3u);
    struct Row {
        const char* Name;
        const char* Description;
        const char* Help;
        int Line;
        const char* HelpLine;
    };
    const Row Rows[] = {
        {"NAME", "NAME", "", 3, "[NAME]"},
        {"PRICE", "Цена", "", 4, "[PRICE]"},
        {"ARTICLE", "Артикул", "Код товара у поставщика", 5,
         "[ARTICLE]:  Код товара у поставщика\r\nШесть знаков,\r\nбез пробелов"},
    };
    for (size_t I = 0; I < 3; ++I) {
        SCOPED_TRACE(Rows[I].Name);
        const VarEntry& E = S[0].Vars[I];
        EXPECT_EQ(U(E.Name), Rows[I].Name);
        EXPECT_EQ(U(E.Description), Rows[I].Description);
        EXPECT_EQ(U(E.Help), Rows[I].Help);
        EXPECT_EQ(E.Line, Rows[I].Line);
        EXPECT_EQ(U(VariableHelp(E)), Rows[I].HelpLine);
    }
    ASSERT_EQ(S[1].Vars.size(), 1u);
    EXPECT_EQ(U(S[1].Vars[0].Help), "Дата | с чертой");
}

// The tree: sections with their variables under the descriptions; the help
// line of a variable and of a section; Enter on a section does nothing,
// on a variable chooses it.
TEST(RP_VarForm, TreeHelpAndChoice)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    SetVariables(Doc, EveryLineKind);
    A.Var = [](TVarForm& F) {
        TTreeNodes* N = F.tv->Items();
        ASSERT_EQ(N->Count(), 2 + 3 + 1);
        TTreeNode* Goods = N->GetFirstNode();
        EXPECT_EQ(U(Goods->Text()), "Товар");
        EXPECT_EQ(Goods->SelectedIndex(), 1);
        EXPECT_EQ(U(Goods->Item(1)->Text()), "Цена");
        EXPECT_EQ(Goods->Item(1)->ImageIndex(), 2);
        EXPECT_EQ(Goods->Item(1)->SelectedIndex(), 3);

        F.tv->SetSelected(Goods);
        EXPECT_EQ(U(F.lbHelp->Caption()), "Секция \"Товар\"");
        EXPECT_TRUE(F.lbHelp->ParentColor());
        const int Low = F.pnHelp->Height();
        const int Client = F.ClientHeight();
        F.tv->SetSelected(Goods->Item(2));
        EXPECT_EQ(F.lbHelp->Color(), clInfoBk);
        EXPECT_GT(F.pnHelp->Height(), Low) << "three lines of help";
        EXPECT_EQ(F.ClientHeight() - Client, F.pnHelp->Height() - Low);
        KeepPng(&F, "picker");

        F.tv->SetSelected(Goods);
        SimulateKey(VK_RETURN);
        Application->ProcessMessages();
        EXPECT_EQ(F.ModalResult(), mrNone) << "a section is not chosen";
        F.tv->SetSelected(Goods->Item(2));
        SimulateKey(VK_RETURN);
    };
    EXPECT_EQ(U(SelectVariable(&Doc)), "[ARTICLE]");

    // Double click on a variable chooses it; Esc chooses nothing.
    A.Var = [](TVarForm& F) {
        F.tv->SetSelected(F.tv->Items()->GetFirstNode()->Item(0));
        F.tvDblClick(F.tv);
    };
    EXPECT_EQ(U(SelectVariable(&Doc)), "[NAME]");
    A.Var = [](TVarForm&) { SimulateKey(VK_ESCAPE); };
    EXPECT_EQ(U(SelectVariable(&Doc)), "");
}

// An empty list is said so and the picker opens all the same; another
// document's list gives another tree in the same window.
TEST(RP_VarForm, EmptyListAndAnotherDocument)
{
    DialogAnswers A;
    TDocument Empty(nullptr);
    int Nodes = -1;
    A.Var = [&](TVarForm& F) { Nodes = F.tv->Items()->Count(); };
    EXPECT_EQ(U(SelectVariable(&Empty)), "");
    ASSERT_EQ(A.Boxes.size(), 1u);
    EXPECT_EQ(A.Boxes[0], "Нет предопределенных переменных");
    EXPECT_EQ(Nodes, 0);
    TVarForm* Kept = TVarForm::Kept();
    ASSERT_NE(Kept, nullptr);

    TDocument Tags(nullptr);
    SetVariables(Tags, "Ценник\r\n\tPRICE | Цена\r\n");
    A.Var = [&](TVarForm& F) {
        EXPECT_EQ(&F, Kept) << "one picker for the run";
        EXPECT_EQ(U(F.tv->Items()->Item(1)->Text()), "Цена");
        F.tv->SetSelected(F.tv->Items()->Item(1));
        SimulateKey(VK_RETURN);
    };
    EXPECT_EQ(U(SelectVariable(&Tags)), "[PRICE]");
    EXPECT_EQ(A.Boxes.size(), 1u);
}
