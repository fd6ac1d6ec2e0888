// The picture editor: a bitmap file loaded through the open dialog and
// stored with its name on OK; broken files refused with the element and
// the shown picture unchanged; stretch and tile; the keys; and a picture
// of the editor.

#include "common/reports/RP_GEditorForm.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "common/components/YLDCompn.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

#include "tests/common/reports/DesignDialogsKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace design_test;

namespace {

namespace fs = std::filesystem;

fs::path Bitmaps()
{
    return TestData() / "Graphics";
}

AnsiString FileOf(const fs::path& P)
{
    return AnsiString::FromUtf8(P.string());
}

/// A picture element of Doc holding a 4 x 4 picture named "old.bmp".
TView* AddPicture(TDocument& Doc)
{
    auto* V = new TView(vkPicture, &Doc);
    V->SetBoundsRect(Rect(10, 10, 90, 90));
    V->Picture->SetSize(4, 4);
    V->Lines->Add("old.bmp");
    V->ScaledPictureScale = 1;
    Doc.CurrentPage()->AddView(V);
    return V;
}

}  // namespace

// "Загрузить" takes the chosen file; OK stores picture, name, fill choices.
TEST(RP_GEditorForm, LoadsAndStoresABitmap)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    TView* V = AddPicture(Doc);
    const AnsiString File = FileOf(Bitmaps() / "colours-8bit.bmp");
    std::string InitialDir;
    DialogHookScope Open([&](TCommonDialog& D) {
        auto& O = static_cast<TOpenDialog&>(D);
        InitialDir = U(O.InitialDir());
        EXPECT_EQ(U(O.Title()), "Открытие файла");
        O.SetFileName(File);
        return true;
    });
    A.Picture = [&](TGEditorForm& F) {
        EXPECT_EQ(F.Image1->Picture()->Width(), 4);
        EXPECT_TRUE(F.cbStretchBitmap->Checked()) << "a new picture stretches";
        EXPECT_FALSE(F.cbFillBitmap->Enabled());
        F.Button3->Click();
        EXPECT_EQ(U(F.M1->Lines()->Strings(0)), U(File));
        EXPECT_EQ(F.Image1->Picture()->Width(), 3);
        KeepPng(&F, "editor-picture");
        F.cbStretchBitmap->SetChecked(false);
        EXPECT_TRUE(F.cbFillBitmap->Enabled());
        F.cbFillBitmap->SetChecked(true);
        F.Coords->rbCoordPix->SetChecked(true);
        F.Coords->DXEdit->SetValue(120);
        F.btOk->Click();
    };
    ASSERT_TRUE(EditPicture(&Doc, V));
    EXPECT_EQ(InitialDir, "") << "old.bmp names no folder";
    EXPECT_EQ(V->Picture->Width(), 3);
    EXPECT_EQ(V->Picture->Height(), 2);
    EXPECT_EQ(U(V->Lines->Strings(0)), U(File));
    EXPECT_EQ(V->ScaledPictureScale, 0);
    EXPECT_FALSE(V->Stretch());
    EXPECT_TRUE(V->Tile());
    EXPECT_EQ(V->GetWidth(), 120);
}

// A file that is no readable bitmap is refused: the editor shows what it
// showed, and the element keeps its picture even after OK.
TEST(RP_GEditorForm, BrokenBitmapsAreRefused)
{
    DialogAnswers A;
    int Seen = 0;
    std::vector<fs::path> Files;
    for (const auto& Entry : fs::directory_iterator(Bitmaps() / "broken"))
        Files.push_back(Entry.path());
    for (const fs::path& File : Files) {
        SCOPED_TRACE(File.filename().string());
        ++Seen;
        TDocument Doc(nullptr);
        TView* V = AddPicture(Doc);
        A.Picture = [&](TGEditorForm& F) {
            ExpectRaises<Exception>([&] { F.LoadPicture(FileOf(File)); }, "Неверный формат файла"_a);
            EXPECT_EQ(U(F.M1->Lines()->Text()), "old.bmp\r\n");
            EXPECT_EQ(F.Image1->Picture()->Width(), 4);
            F.btOk->Click();
        };
        ASSERT_TRUE(EditPicture(&Doc, V));
        EXPECT_EQ(V->Picture->Width(), 4);
        EXPECT_EQ(U(V->Lines->Strings(0)), "old.bmp");
    }
    EXPECT_GE(Seen, 15);

    // A file that is not there: the file error.
    TDocument Doc(nullptr);
    TView* V = AddPicture(Doc);
    A.Picture = [&](TGEditorForm& F) {
        EXPECT_THROW(F.LoadPicture(FileOf(Bitmaps() / "missing.bmp")), EFOpenError);
        EXPECT_EQ(F.Image1->Picture()->Width(), 4);
    };
    EXPECT_FALSE(EditPicture(&Doc, V));
}

// Esc cancels, Ctrl+Enter confirms, Ctrl+Delete empties the name; the
// folder of the picture's file is where the open dialog starts.
TEST(RP_GEditorForm, KeysAndTheStartFolder)
{
    DialogAnswers A;
    TDocument Doc(nullptr);
    TView* V = AddPicture(Doc);
    V->Lines->Clear();
    V->Lines->Add(FileOf(Bitmaps() / "colours-24bit.bmp"));
    std::string InitialDir;
    DialogHookScope Open([&](TCommonDialog& D) {
        InitialDir = U(static_cast<TOpenDialog&>(D).InitialDir());
        return false;
    });
    A.Picture = [](TGEditorForm& F) {
        F.Button3->Click();
        SimulateKey(VK_DELETE, {ssCtrl});
        Application->ProcessMessages();
        EXPECT_EQ(F.M1->Lines()->Count(), 0);
        SimulateKey(VK_RETURN, {ssCtrl});
    };
    ASSERT_TRUE(EditPicture(&Doc, V));
    EXPECT_EQ(fs::path(InitialDir), Bitmaps() / "");
    EXPECT_EQ(V->Lines->Count(), 0);

    A.Picture = [](TGEditorForm&) { SimulateKey(VK_ESCAPE); };
    EXPECT_FALSE(EditPicture(&Doc, V));
    EXPECT_FALSE(EditPicture(&Doc, nullptr));
}
