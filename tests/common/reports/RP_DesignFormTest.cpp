// The template designer driven by simulated mouse and keys on a shipped
// price-tag template: creating, selecting, moving, resizing, snapping,
// copy drags, Esc, bands, the element clipboard, the key table, undo and
// redo across a save, the close questions on real files, the rulers'
// colours, and pictures of the window for a look.

#include "common/reports/RP_DesignForm.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_PreviewForm.h"
#include "common/reports/RP_StateStack.h"
#include "common/reports/RP_View.h"

#include "common/components/MsgWin.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ActnList.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Printers.h"
#include "platform/winapi/Windows.h"

#include "tests/common/reports/DesignDialogsKit.h"
#include "tests/common/reports/ReportPrinterScope.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace design_test;

namespace {

std::filesystem::path ShippedTemplate(const char* Name)
{
    return std::filesystem::path(PRICETAGS_TEST_DATA) / ".." / ".." / "data" / "TXT" / Name;
}

/// The template's pages as their binary form (the writer's Saved flag put
/// back): equal bytes, equal pages.
std::string Bytes(TDocument& Doc)
{
    TMemoryStream S;
    const ScaleOneScope One(Doc);
    const bool WasSaved = Doc.Saved;
    Doc.SaveToStream(S, /*Undo=*/false);
    Doc.Saved = WasSaved;
    const std::string All(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
    // The designer settings (window placement among them) are left out.
    return All.substr(All.find("ENDDD"));
}

/// A designer window open (not modal) on a copy of a template in a fresh
/// folder, with the fallback printer, answers to every question and no
/// print-area check.
struct Designer {
    TFakePrinter Fake;
    ReportPrinterScope Printers{Fake};
    TempDir Dir;
    DialogAnswers Answers;
    std::unique_ptr<TDocument> Doc = std::make_unique<TDocument>(nullptr);
    TDesignForm* Form = nullptr;

    explicit Designer(const char* Template = "Ticket1.dcr", bool Check = false,
                      const std::function<void(TDocument&)>& Prepare = {})
    {
        Fake.Names = {"Fake printer"_a};
        const auto Target = Dir.Path() / Template;
        std::filesystem::copy_file(ShippedTemplate(Template), Target);
        Doc->SetNameSaveFile(AnsiString::FromUtf8(Target.string()));
        Doc->Load();
        Doc->DefDesigner->CheckDimensions = Check;
        Doc->DefDesigner->WState = 0;
        Doc->DefDesigner->Width = 900;
        Doc->DefDesigner->Height = 700;
        if (Prepare)
            Prepare(*Doc);
        Doc->Design(/*Modal=*/false);
        Form = Doc->DesignForm();
        Form->SetFocus();
        Application->ProcessMessages();
    }
    ~Designer()
    {
        if (Doc->DesignForm()) {
            Form->Decision = 2;
            Doc->Saved = true;
            Form->Close();
            Application->ProcessMessages();
        }
    }

    TPreview* S() const { return Form->Surface; }
    TPage* Page() const { return Doc->CurrentPage(); }
    TView* View(int I) const { return Page()->GetView(I); }
    /// The element with Text as its first line.
    TView* Find(const char* Text) const
    {
        for (int I = 0; I < Page()->ViewCount(); ++I)
            if (View(I)->Lines->Count() > 0 && View(I)->Lines->Strings(0).ToUtf8() == Text)
                return View(I);
        return nullptr;
    }
    /// Surface point inside an element, Dx, Dy from its top-left.
    TPoint At(TView* V, int Dx = 5, int Dy = 5) const
    {
        const TRect R = V->GetDisplayRect();
        return Point(R.Left + Dx, R.Top + Dy);
    }
    void Drag(TPoint From, TPoint To, TShiftState Shift = {}, int Steps = 4)
    {
        SimulateMouseMove(S(), From.X, From.Y, Shift);
        SimulateMouseDown(S(), mbLeft, From.X, From.Y, Shift);
        for (int I = 1; I <= Steps; ++I)
            SimulateMouseMove(S(), From.X + (To.X - From.X) * I / Steps,
                              From.Y + (To.Y - From.Y) * I / Steps, Shift);
        SimulateMouseUp(S(), mbLeft, To.X, To.Y, Shift);
        Application->ProcessMessages();
    }
    void Click(TPoint P, TShiftState Shift = {})
    {
        SimulateMouseMove(S(), P.X, P.Y, Shift);
        SimulateClick(S(), P.X, P.Y, mbLeft, Shift);
        Application->ProcessMessages();
    }
    /// An empty point of the page, below everything.
    TPoint Empty() const { return Point(Doc->PageWidth - 30, Doc->PageHeight - 30); }
};

}  // namespace

TEST(RP_DesignForm, OpensTheTemplateWithItsTitleAndPage)
{
    Designer D;
    ASSERT_NE(D.Form, nullptr);
    EXPECT_TRUE(D.Form->Visible());
    EXPECT_EQ(U(D.Form->Caption()),
              "Конструктор отчетов:  \"" + U(D.Doc->NameDocument()) + "\"");
    EXPECT_GT(D.Page()->ViewCount(), 0);
    EXPECT_EQ(D.S()->Width(), D.Doc->PageWidth);
    EXPECT_EQ(U(D.Form->StatusBar->Panels()->Items(1)->Text()), "Лист 1/1");
    EXPECT_FALSE(D.Form->DocUndo->Enabled());
    EXPECT_FALSE(D.Form->DocSave->Enabled());
    EXPECT_FALSE(D.Form->lbNameBand->Visible());
    EXPECT_FALSE(D.Form->lbNameBand->HandleAllocated() && IsWindowVisible(D.Form->lbNameBand->Handle()));
}

// Every shipped template in the window, at 1:1 and 2:1, rulers included.
TEST(RP_DesignForm, PicturesOfTheShippedTemplates)
{
    for (const char* T : {"Ticket1.dcr", "Ticket2.dcr", "Ticket3.dcr", "Report.dcr"}) {
        SCOPED_TRACE(T);
        Designer D(T);
        KeepPng(D.Form, std::string("designer-") + T);
        D.Form->ChooseZoom(2);
        Application->ProcessMessages();
        KeepPng(D.Form, std::string("designer-zoom2-") + T);
    }
}

TEST(RP_DesignForm, SnapsToTheNearestGridLineOnBothSidesOfTheOrigin)
{
    struct Case {
        int V, Origin, Grid, Want;
    };
    const Case Cases[] = {
        {21, 19, 4, 23},  // right of the origin: the line at 23 is nearer than 19
        {20, 19, 4, 19},  // nearer the origin itself
        {18, 19, 4, 19},  // one pixel left of the origin snaps onto it
        {16, 19, 4, 15},  // left of the origin: the line at 15
        {17, 19, 4, 19},  // half-way goes to the larger line
        {-3, 0, 8, -0},   // left of a zero origin
        {5, 3, 1, 5},     // a grid of one pixel changes nothing
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.V);
        EXPECT_EQ(SnapToGridLine(C.V, C.Origin, C.Grid), C.Want);
    }
}

TEST(RP_DesignForm, ClickSelectsAndEmptyClickClears)
{
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    ASSERT_NE(Price, nullptr);
    D.Click(D.At(Price, 20, 10));
    EXPECT_TRUE(Price->Selected);
    EXPECT_EQ(D.Doc->SelectedCount(), 1);
    TView* Name = D.Find("[NAME.1]");
    D.Click(D.At(Name, 20, 5), TShiftState{ssShift});
    EXPECT_EQ(D.Doc->SelectedCount(), 2);
    D.Click(D.Empty());
    EXPECT_EQ(D.Doc->SelectedCount(), 0);
    // Ctrl on an element starts a rubber band instead of selecting it.
    D.Click(D.At(Price, 20, 10), TShiftState{ssCtrl});
    EXPECT_FALSE(Price->Selected);
}

TEST(RP_DesignForm, RubberBandSelectsWhatLiesWhollyInside)
{
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    const TRect R = Price->GetDisplayRect();
    // Ctrl starts a rubber band wherever the press is.
    D.Drag(Point(R.Left - 3, R.Top - 3), Point(R.Right + 3, R.Bottom + 3), TShiftState{ssCtrl});
    EXPECT_TRUE(Price->Selected);
    for (int I = 0; I < D.Page()->ViewCount(); ++I) {
        const TRect V = D.View(I)->GetDisplayRect();
        const bool Inside = V.Left >= R.Left - 3 && V.Right <= R.Right + 3 &&
                            V.Top >= R.Top - 3 && V.Bottom <= R.Bottom + 3;
        EXPECT_EQ(D.View(I)->Selected, Inside) << I;
    }
}

TEST(RP_DesignForm, CreatesElementsByDragging)
{
    struct Case {
        const char* Tool;
        int W, H;          // the rectangle drawn
        bool Alt;          // single pixels, no snapping
        int WantW, WantH;  // the element made
        Byte Kind;
    };
    const Case Cases[] = {
        {"btNewMemo", 5, 5, false, 80, 24, vkText},         // under 9 x 9: default size
        {"btNewRect", 8, 3, true, 80, 24, vkText},          // still both under 9
        {"btNewBitmap", 3, 3, true, 80, 80, vkPicture},     // a picture's default
        {"btNewOwnerDraw", 2, 2, true, 80, 80, vkOwnerDraw},
        {"btNewMemo", 40, 2, true, 40, 4, vkText},          // thin: raised to 4 high
        {"btNewMemo", 2, 30, true, 4, 30, vkText},          // narrow: raised to 4 wide
    };
    Designer D;
    const TPoint From = Point(D.Doc->OffsetX + 41, D.Doc->PageHeight - 200);
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Tool) + " " + std::to_string(C.W) + "x" + std::to_string(C.H));
        auto* Tool = dynamic_cast<TToolButton*>(D.Form->FindComponent(C.Tool));
        ASSERT_NE(Tool, nullptr);
        D.Form->ChooseTool(Tool, false);
        const int Before = D.Page()->ViewCount();
        D.Drag(From, Point(From.X + C.W, From.Y + C.H),
               C.Alt ? TShiftState{ssAlt} : TShiftState{});
        ASSERT_EQ(D.Page()->ViewCount(), Before + 1);
        TView* V = D.Page()->LastView();
        EXPECT_EQ(V->Kind, C.Kind);
        EXPECT_EQ(V->GetWidth(), C.WantW);
        EXPECT_EQ(V->GetHeight(), C.WantH);
        EXPECT_TRUE(V->Selected);
        // The arrow comes back after one element.
        EXPECT_TRUE(D.Form->btSelect->Down());
        EXPECT_FALSE(D.Doc->Saved);
    }
    D.Form->ChooseTool(D.Form->btNewRect, false);
    D.Drag(From, From);
    EXPECT_EQ(D.Page()->LastView()->FrameTyp, 15);
    EXPECT_EQ(D.Page()->LastView()->Lines->Count(), 0);
}

TEST(RP_DesignForm, MovesBySnappedStepsOrSinglePixelsWithAlt)
{
    struct Case {
        int Dx, Dy;
        bool Alt;
        int WantDx, WantDy;
    };
    const Case Cases[] = {
        {3, 2, false, 0, 0},    // shorter than one grid step: stays
        {9, 0, false, 8, 0},    // whole steps only
        {3, 2, true, 3, 2},     // Alt: single pixels
        {-13, 7, false, -12, 4},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Dx) + "," + std::to_string(C.Dy));
        Designer D;
        TView* Price = D.Find("[PRICE.1]");
        const TRect Before = Price->GetDisplayRect();
        const TPoint P = D.At(Price, 30, 10);
        D.Drag(P, Point(P.X + C.Dx, P.Y + C.Dy), C.Alt ? TShiftState{ssAlt} : TShiftState{}, 1);
        const TRect After = Price->GetDisplayRect();
        EXPECT_EQ(After.Left - Before.Left, C.WantDx);
        EXPECT_EQ(After.Top - Before.Top, C.WantDy);
        EXPECT_EQ(After.Width(), Before.Width());
    }
}

TEST(RP_DesignForm, ResizesByTheGrabPoints)
{
    struct Case {
        const char* Name;
        int Gx, Gy;  // grab point: 0 left/top, 1 middle, 2 right/bottom
        int Dx, Dy;
        TRect Want;  // change of left, top, right, bottom
    };
    const Case Cases[] = {
        {"bottom-right", 2, 2, 8, 8, {0, 0, 8, 8}},
        {"top-left", 0, 0, -8, -4, {-8, -4, 0, 0}},
        {"right middle", 2, 1, 12, 5, {0, 0, 12, 0}},
        {"top middle", 1, 0, 6, -8, {0, -8, 0, 0}},
        {"top-right", 2, 0, 4, -4, {0, -4, 4, 0}},
        {"bottom-left", 0, 2, -4, 4, {-4, 0, 0, 4}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Designer D;
        TView* Price = D.Find("[PRICE.1]");
        D.Click(D.At(Price, 30, 10));
        const TRect B = Price->GetDisplayRect();
        const int X = C.Gx == 0 ? B.Left : C.Gx == 1 ? (B.Left + B.Right) / 2 : B.Right;
        const int Y = C.Gy == 0 ? B.Top : C.Gy == 1 ? (B.Top + B.Bottom) / 2 : B.Bottom;
        D.Drag(Point(X, Y), Point(X + C.Dx, Y + C.Dy), TShiftState{ssAlt}, 2);
        const TRect A = Price->GetDisplayRect();
        EXPECT_EQ(A.Left - B.Left, C.Want.Left);
        EXPECT_EQ(A.Top - B.Top, C.Want.Top);
        EXPECT_EQ(A.Right - B.Right, C.Want.Right);
        EXPECT_EQ(A.Bottom - B.Bottom, C.Want.Bottom);
    }
}

TEST(RP_DesignForm, EscPutsAMultiMoveBack)
{
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    TView* Name = D.Find("[NAME.1]");
    D.Click(D.At(Price, 30, 10));
    D.Click(D.At(Name, 30, 5), TShiftState{ssShift});
    const TRect P0 = Price->GetDisplayRect();
    const TRect N0 = Name->GetDisplayRect();
    const TPoint From = D.At(Price, 30, 10);
    SimulateMouseDown(D.S(), mbLeft, From.X, From.Y);
    SimulateMouseMove(D.S(), From.X + 20, From.Y + 16);
    EXPECT_NE(Price->GetDisplayRect(), P0);
    SimulateKey(VK_ESCAPE);
    SimulateMouseUp(D.S(), mbLeft, From.X + 20, From.Y + 16);
    Application->ProcessMessages();
    EXPECT_EQ(Price->GetDisplayRect(), P0);
    EXPECT_EQ(Name->GetDisplayRect(), N0);
}

TEST(RP_DesignForm, BandsMoveOnlyVertically)
{
    Designer D;
    TView* Band = nullptr;
    for (int I = 0; I < D.Page()->ViewCount(); ++I)
        if (D.View(I)->Kind == vkBandArea)
            Band = D.View(I);
    ASSERT_NE(Band, nullptr);
    const TRect B0 = Band->GetDisplayRect();
    // Grabbed at its left end, beside the tags.
    const TPoint P = Point(B0.Left + 30, B0.Top + 3);
    D.Drag(P, Point(P.X + 40, P.Y + 8));
    ASSERT_TRUE(Band->Selected);
    TRect B1 = Band->GetDisplayRect();
    EXPECT_EQ(B1.Left, B0.Left);
    EXPECT_EQ(B1.Top, B0.Top + 8);
    SimulateKey(VK_RIGHT, TShiftState{ssCtrl});
    SimulateKey(VK_DOWN, TShiftState{ssCtrl});
    B1 = Band->GetDisplayRect();
    EXPECT_EQ(B1.Left, B0.Left);
    EXPECT_EQ(B1.Top, B0.Top + 9);
}

TEST(RP_DesignForm, CtrlDragLeavesACopyAndReleaseForgetsIt)
{
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    const int Count = D.Page()->ViewCount();
    const TRect P0 = Price->GetDisplayRect();
    D.Click(D.At(Price, 30, 10));
    const TPoint From = D.At(Price, 30, 10);
    SimulateMouseDown(D.S(), mbLeft, From.X, From.Y);
    D.Form->KeyDown(VK_CONTROL, TShiftState{ssCtrl});
    SimulateMouseMove(D.S(), From.X + 16, From.Y + 40, TShiftState{ssCtrl});
    SimulateMouseUp(D.S(), mbLeft, From.X + 16, From.Y + 40, TShiftState{ssCtrl});
    Application->ProcessMessages();
    ASSERT_EQ(D.Page()->ViewCount(), Count + 1);
    EXPECT_EQ(D.S()->DragCopy, nullptr);
    // The copy stays where the original was.
    int AtOld = 0;
    for (int I = 0; I < D.Page()->ViewCount(); ++I)
        if (D.View(I) != Price && D.View(I)->GetDisplayRect() == P0)
            ++AtOld;
    EXPECT_EQ(AtOld, 1);
    EXPECT_EQ(Price->GetDisplayRect().Left, P0.Left + 16);
    // A later Ctrl release during another drag removes nothing.
    D.Form->KeyUp(VK_CONTROL);
    TView* Name = D.Find("[NAME.1]");
    D.Click(D.At(Name, 30, 5));
    const TPoint N = D.At(Name, 30, 5);
    SimulateMouseDown(D.S(), mbLeft, N.X, N.Y);
    SimulateMouseMove(D.S(), N.X + 8, N.Y);
    D.Form->KeyUp(VK_CONTROL);
    SimulateMouseUp(D.S(), mbLeft, N.X + 8, N.Y);
    Application->ProcessMessages();
    EXPECT_EQ(D.Page()->ViewCount(), Count + 1);
}

TEST(RP_DesignForm, OverlayBandStaysFirstAndNewBandTakesAFreeType)
{
    Designer D;
    D.Form->ChooseTool(D.Form->btNewBand, false);
    const TPoint P = Point(D.Doc->OffsetX + 20, D.Doc->PageHeight - 150);
    D.Drag(P, P);
    TView* Band = D.Page()->LastView()->Kind == vkBandArea ? D.Page()->LastView() : nullptr;
    for (int I = 0; I < D.Page()->ViewCount() && !Band; ++I)
        if (D.View(I)->Selected)
            Band = D.View(I);
    ASSERT_NE(Band, nullptr);
    EXPECT_EQ(Band->Kind, vkBandArea);
    EXPECT_NE(Band->BandTyp, btMasterData);  // the template already has one
    D.Form->SetBandType(btOverlay);
    EXPECT_EQ(D.View(0), Band);
    D.S()->ObjDown();
    D.S()->ObjUp();
    EXPECT_EQ(D.View(0), Band);
    // A second overlay band is refused with the program's words.
    D.Form->ChooseTool(D.Form->btNewBand, false);
    D.Drag(Point(P.X, P.Y + 90), Point(P.X, P.Y + 90));
    D.Form->SetBandType(btOverlay);
    ASSERT_FALSE(D.Answers.Messages.empty());
    EXPECT_NE(D.Answers.Messages.back().find("не может иметь дубликатов"), std::string::npos);
}

TEST(RP_DesignForm, PasteOffsetsFourPixelsEachTimeIntoTheSourcePage)
{
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    const TRect P0 = Price->GetDisplayRect();
    D.Click(D.At(Price, 30, 10));
    D.Form->KeyDown('C', TShiftState{ssCtrl});
    D.Form->KeyDown('V', TShiftState{ssCtrl});
    D.Form->KeyDown('V', TShiftState{ssCtrl});
    Application->ProcessMessages();
    std::vector<TRect> Copies;
    for (int I = 0; I < D.Page()->ViewCount(); ++I)
        if (D.View(I) != Price && D.View(I)->Lines->Count() > 0 &&
            D.View(I)->Lines->Strings(0).ToUtf8() == "[PRICE.1]")
            Copies.push_back(D.View(I)->GetDisplayRect());
    ASSERT_EQ(Copies.size(), 2u);
    EXPECT_EQ(Copies[0].Left - P0.Left, 4);
    EXPECT_EQ(Copies[0].Top - P0.Top, 4);
    EXPECT_EQ(Copies[1].Left - P0.Left, 8);
    EXPECT_EQ(Copies[1].Top - P0.Top, 8);
    // A band of a type the page has is skipped.
    for (int I = 0; I < D.Page()->ViewCount(); ++I)
        D.View(I)->SetSelected(D.View(I)->Kind == vkBandArea);
    const int Count = D.Page()->ViewCount();
    D.S()->CopySelection();
    D.S()->Paste();
    EXPECT_EQ(D.Page()->ViewCount(), Count);
}

TEST(RP_DesignForm, KeyTable)
{
    struct Case {
        const char* Name;
        Word Key;
        TShiftState Shift;
        TRect Want;  // change of left, top, width, height of the selection
    };
    const Case Cases[] = {
        {"Ctrl+Right moves a pixel", VK_RIGHT, {ssCtrl}, {1, 0, 0, 0}},
        {"Ctrl+Up moves a pixel", VK_UP, {ssCtrl}, {0, -1, 0, 0}},
        {"Shift+Right widens", VK_RIGHT, {ssShift}, {0, 0, 1, 0}},
        {"Shift+Up lowers the height", VK_UP, {ssShift}, {0, 0, 0, -1}},
        {"Ctrl+Shift+Down moves a grid step", VK_DOWN, {ssCtrl, ssShift}, {0, 4, 0, 0}},
        {"plain Left only scrolls", VK_LEFT, {}, {0, 0, 0, 0}},
        {"Alt is not handled", VK_RIGHT, {ssAlt, ssCtrl}, {0, 0, 0, 0}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Designer D;
        TView* Price = D.Find("[PRICE.1]");
        D.Click(D.At(Price, 30, 10));
        const int L = Price->GetLeft(), T = Price->GetTop();
        const int W = Price->GetWidth(), H = Price->GetHeight();
        SimulateKey(C.Key, C.Shift);
        Application->ProcessMessages();
        EXPECT_EQ(Price->GetLeft() - L, C.Want.Left);
        EXPECT_EQ(Price->GetTop() - T, C.Want.Top);
        EXPECT_EQ(Price->GetWidth() - W, C.Want.Right);
        EXPECT_EQ(Price->GetHeight() - H, C.Want.Bottom);
    }
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    D.Click(D.At(Price, 30, 10));
    const int Count = D.Page()->ViewCount();
    SimulateKey(VK_DELETE);
    EXPECT_EQ(D.Page()->ViewCount(), Count - 1);
    EXPECT_EQ(D.Find("[PRICE.1]"), nullptr);
    Application->ProcessMessages();
    D.Form->DocUndo->Execute();
    Application->ProcessMessages();
    EXPECT_NE(D.Find("[PRICE.1]"), nullptr);
}

TEST(RP_DesignForm, PagesAddDeleteAndTheOnlyPageIsEmptied)
{
    Designer D;
    D.Form->NewPage();
    EXPECT_EQ(D.Doc->PageCount(), 2);
    EXPECT_EQ(D.Doc->PageIndex(), 1);
    D.Form->KeyDown('1', TShiftState{ssCtrl});
    EXPECT_EQ(D.Doc->PageIndex(), 0);
    D.Form->KeyDown(VK_TAB, TShiftState{ssCtrl});
    EXPECT_EQ(D.Doc->PageIndex(), 1);
    D.Form->DeletePage();
    EXPECT_EQ(D.Doc->PageCount(), 1);
    EXPECT_GT(D.Page()->ViewCount(), 0);
    D.Form->DeletePage();
    EXPECT_EQ(D.Doc->PageCount(), 1);
    EXPECT_EQ(D.Page()->ViewCount(), 0);
    EXPECT_EQ(D.Answers.Boxes.back(), "Удалить лист шаблона.  Вы уверены?");
}

TEST(RP_DesignForm, ZoomButtonTogglesBackToTheLastZoomAboveOne)
{
    Designer D;
    const int W1 = D.S()->Width();
    D.Form->ChooseZoom(4);
    EXPECT_EQ(D.S()->Zoom, 4.0);
    EXPECT_NEAR(D.S()->Width(), W1 * 4, 4);
    D.Form->ChooseZoom(0);
    EXPECT_EQ(D.S()->Zoom, 1.0);
    D.Form->ChooseZoom(0);
    EXPECT_EQ(D.S()->Zoom, 4.0);
    D.Form->ChooseZoom(1);
    D.Form->LastZoom = 1.0;
    D.Form->ChooseZoom(0);
    EXPECT_EQ(D.S()->Zoom, 2.0);
}

TEST(RP_DesignForm, UndoAndRedoAcrossASave)
{
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    D.Click(D.At(Price, 30, 10));
    D.Form->KeyDown(VK_RIGHT, TShiftState{ssCtrl});
    EXPECT_FALSE(D.Doc->Saved);
    D.Form->DoSave();
    EXPECT_TRUE(D.Doc->Saved);
    EXPECT_EQ(D.Form->States->SavedIndex, D.Form->States->Current);
    Application->ProcessMessages();
    EXPECT_FALSE(D.Form->DocSave->Enabled());
    D.Form->DocUndo->Execute();
    // Past the save: changed again.
    EXPECT_FALSE(D.Doc->Saved);
    Application->ProcessMessages();
    EXPECT_TRUE(D.Form->DocSave->Enabled());
    D.Form->DocRedo->Execute();
    EXPECT_TRUE(D.Doc->Saved);
}

TEST(RP_DesignForm, ClosePathsOnRealFiles)
{
    struct Case {
        const char* Name;
        bool Change;
        int Answer;         // the close question's button: 1 Да, 2 Нет, 3 Отмена; 0 none asked
        bool WantOpen;      // the window stays
        bool WantFileMoved; // the file holds the moved price
    };
    const Case Cases[] = {
        {"unchanged closes quietly", false, 0, false, false},
        {"changed, Да saves", true, 1, false, true},
        {"changed, Нет keeps the file", true, 2, false, false},
        {"changed, Отмена stays", true, 3, true, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Designer D;
        const AnsiString File = D.Doc->NameSaveFile();
        const std::string Before = ReadBytes(File.ToUtf8());
        int Asked = 0;
        MsgAnswerHookScope Answer([&](const MsgRequest&) {
            ++Asked;
            return C.Answer;
        });
        if (C.Change) {
            D.Click(D.At(D.Find("[PRICE.1]"), 30, 10));
            D.Form->KeyDown(VK_RIGHT, TShiftState{ssCtrl});
        }
        const std::string Changed = Bytes(*D.Doc);
        D.Form->Close();
        Application->ProcessMessages();
        EXPECT_EQ(Asked, C.Change ? 1 : 0);
        EXPECT_EQ(D.Doc->DesignForm() != nullptr, C.WantOpen);
        const std::string After = ReadBytes(File.ToUtf8());
        EXPECT_EQ(After != Before, C.WantFileMoved);
        if (!C.WantOpen) {
            // The document equals its file again.
            EXPECT_EQ(Bytes(*D.Doc), C.WantFileMoved ? Changed : Bytes(*D.Doc));
        }
    }
}

// The preview shown over the designer closes with its button back into the
// designer, which is activated again and goes on working.
TEST(RP_DesignForm, PreviewClosesBackIntoTheDesigner)
{
    Designer D;
    int Shown = 0;
    ModalHookScope Modal([&](TCustomForm& Form) {
        auto* View = dynamic_cast<TPreviewForm*>(&Form);
        if (!View)
            return;
        if (++Shown > 1) {
            Form.SetModalResult(mrCancel);
            return;
        }
        View->ExitBtn->Click();
    });
    D.Form->DocPreview->Execute();
    Application->ProcessMessages();
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(D.Doc->PreviewForm(), nullptr);
    ASSERT_EQ(D.Doc->DesignForm(), D.Form);
    EXPECT_FALSE(D.Doc->SamplePreview);
    TView* Price = D.Find("[PRICE.1]");
    ASSERT_NE(Price, nullptr);
    const int Top = Price->GetDisplayRect().Top;
    D.Click(D.At(Price, 30, 10));
    D.Form->KeyDown(VK_DOWN, TShiftState{ssCtrl});
    EXPECT_GT(Price->GetDisplayRect().Top, Top) << "the designer moves elements again";
}

TEST(RP_DesignForm, AfterASaveCancelThenFirstWritesTheOpeningStateBack)
{
    Designer D;
    const AnsiString File = D.Doc->NameSaveFile();
    const std::string Opening = ReadBytes(File.ToUtf8());
    D.Click(D.At(D.Find("[PRICE.1]"), 30, 10));
    D.Form->KeyDown(VK_RIGHT, TShiftState{ssCtrl});
    D.Form->DoSave();
    EXPECT_NE(ReadBytes(File.ToUtf8()), Opening);
    std::vector<std::string> Asked;
    MsgAnswerHookScope Answer([&](const MsgRequest& R) {
        Asked.push_back(R.Title.ToUtf8());
        return 2;  // "Первоначальный"
    });
    D.Form->DocExit->Execute();
    Application->ProcessMessages();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0], "Документ был изменен и сохранен");
    EXPECT_EQ(D.Doc->DesignForm(), nullptr);
    // Written back by the document as it was opened.
    TDocument Check(nullptr);
    Check.SetNameSaveFile(File);
    Check.Load();
    TDocument First(nullptr);
    TMemoryStream S;
    S.WriteBuffer(Opening.data(), static_cast<int>(Opening.size()));
    S.SetPosition(0);
    First.LoadFromAnyStream(S);
    EXPECT_EQ(Bytes(Check), Bytes(First));
}

TEST(RP_DesignForm, ACancelledSaveLeavesTheTemplateUnsaved)
{
    Designer D;
    struct Host {
        void Begin(TObject*, const AnsiString&, TStream*& S) { S = &Stream; }
        void End(TObject*) { Abort(); }
        TMemoryStream Stream;
    } H;
    D.Doc->OnSaveBegin = TLoadSaveEvent(&H, &Host::Begin);
    D.Doc->OnSaveEnd = TNotifyEvent(&H, &Host::End);
    D.Click(D.At(D.Find("[PRICE.1]"), 30, 10));
    D.Form->KeyDown(VK_RIGHT, TShiftState{ssCtrl});
    EXPECT_THROW(D.Form->DoSave(), EAbort);
    EXPECT_FALSE(D.Doc->Saved);
    D.Doc->OnSaveBegin = {};
    D.Doc->OnSaveEnd = {};
    int Asked = 0;
    MsgAnswerHookScope Answer([&](const MsgRequest&) {
        ++Asked;
        return 2;
    });
    D.Form->Close();
    Application->ProcessMessages();
    EXPECT_EQ(Asked, 1);
}

TEST(RP_DesignForm, PrintAreaCheckRunsOncePerWindowAndOnlyWhenAsked)
{
    for (bool Check : {false, true}) {
        SCOPED_TRACE(Check);
        // An element far left of the paper.
        Designer D("Ticket1.dcr", Check,
                   [](TDocument& Doc) { Doc.GetPage(0)->GetView(3)->SetLeft(-500); });
        EXPECT_EQ(D.Answers.Messages.size(), Check ? 1u : 0u);
        PostMessage(D.Form->Handle(), WM_USER + 1, 2, 0);
        Application->ProcessMessages();
        EXPECT_EQ(D.Answers.Messages.size(), Check ? 1u : 0u);
        D.Form->PgCheck->Execute();
        EXPECT_EQ(D.Answers.Messages.size(), Check ? 2u : 1u);
    }
}

TEST(RP_DesignForm, RulerColoursFromThePanel)
{
    // White: a light background equal to white, ticks at a quarter of its
    // luminance.
    EXPECT_EQ(Lighten(clWhite, 75), clWhite);
    EXPECT_EQ(ScaleLuminance(clWhite, 25), static_cast<TColor>(0x404040));
    EXPECT_EQ(AverageColor(0x000000, 0xFEFEFE), static_cast<TColor>(0x7F7F7F));
    const YCbCr Red = RGBToYCbCr(0x0000FF);
    EXPECT_EQ(Red.Y, 76);
    EXPECT_EQ(YCbCrToRGB(Red), static_cast<TColor>(0x0000FF));
    const YCbCr Grey = RGBToYCbCr(0x808080);
    EXPECT_EQ(Grey.Cb, 128);
    EXPECT_EQ(YCbCrToRGB(Grey), static_cast<TColor>(0x808080));
}

TEST(RP_DesignForm, StoredMinimisedStateOpensMaximised)
{
    TFakePrinter Fake;
    ReportPrinterScope Printers{Fake};
    DialogAnswers Answers;
    TDocument Doc(nullptr);
    Doc.DefDesigner->WState = 1;
    Doc.DefDesigner->CheckDimensions = false;
    Doc.Design(false);
    Application->ProcessMessages();
    ASSERT_NE(Doc.DesignForm(), nullptr);
    EXPECT_EQ(Doc.DefDesigner->WState, 2);
    EXPECT_EQ(Doc.DesignForm()->WindowState(), wsMaximized);
}

// A selected price while it is dragged, and the colour list dropped, for a
// look at the marks, the status bar and the list.
TEST(RP_DesignForm, PicturesOfEditing)
{
    Designer D;
    TView* Price = D.Find("[PRICE.1]");
    D.Click(D.At(Price, 30, 10));
    // The font box names the element's face, "Arial" too (drawn by its
    // installed stand-in).
    EXPECT_EQ(U(D.Form->cbFonts->Text()), U(Price->FontName));
    EXPECT_FALSE(D.Form->cbFonts->Text().IsEmpty());
    KeepPng(D.Form, "designer-selected");
    const TPoint P = D.At(Price, 30, 10);
    SimulateMouseDown(D.S(), mbLeft, P.X, P.Y);
    SimulateMouseMove(D.S(), P.X + 40, P.Y + 40);
    KeepPng(D.Form, "designer-dragging");
    SimulateMouseUp(D.S(), mbLeft, P.X + 40, P.Y + 40);
    D.Form->ObjBackgroundColor->Execute();
    KeepPng(D.Form, "designer-colours");
}

