#include "platform/forms/ImgList.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

/// A shown form and a list of one 16 x 16 red image.
class DragImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(30, 40, 300, 200);
        Form->Show();
        List = std::make_unique<TImageList>(nullptr, 16, 16);
        TBitmap Red;
        Red.SetWidth(16);
        Red.SetHeight(16);
        Red.Canvas()->Brush()->SetColor(clRed);
        Red.Canvas()->FillRect(Rect(0, 0, 16, 16));
        ASSERT_EQ(List->Add(&Red, nullptr), 0);
    }
    void TearDown() override { ImageList_EndDrag(); }

    /// Where the drag image's top-left shows for the hot spot at (X, Y) of
    /// the form's window.
    TPoint Expected(int X, int Y, TPoint Hot)
    {
        TRect R;
        GetWindowRect(Form->Handle(), R);
        return {R.Left + X - Hot.X, R.Top + Y - Hot.Y};
    }

    std::unique_ptr<TForm> Form;
    std::unique_ptr<TImageList> List;
};

TEST_F(DragImageTest, ImageFollowsItsHotSpotOverTheLockedWindow)
{
    ASSERT_TRUE(List->SetDragImage(0, 4, 5));
    ASSERT_TRUE(List->BeginDrag(Form->Handle(), 50, 60));
    EXPECT_TRUE(List->Dragging());
    TPoint At;
    ASSERT_TRUE(DragImageShownAt(At));
    EXPECT_EQ(At, Expected(50, 60, {4, 5}));
    EXPECT_TRUE(List->DragMove(70, 20));
    ASSERT_TRUE(DragImageShownAt(At));
    EXPECT_EQ(At, Expected(70, 20, {4, 5}));
    TPoint Pos, Hot;
    EXPECT_EQ(ImageList_GetDragImage(&Pos, &Hot), List->Handle());
    EXPECT_EQ(Pos, TPoint({70, 20}));
    EXPECT_EQ(Hot, TPoint({4, 5}));
    // Hiding and showing keep the place; the window system's calls do the same.
    List->HideDragImage();
    EXPECT_FALSE(DragImageShownAt(At));
    EXPECT_TRUE(ImageList_DragShowNolock(true));
    EXPECT_TRUE(DragImageShownAt(At));
    EXPECT_TRUE(ImageList_DragLeave(Form->Handle()));
    EXPECT_FALSE(DragImageShownAt(At));
    EXPECT_TRUE(List->EndDrag());
    EXPECT_FALSE(List->Dragging());
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    EXPECT_FALSE(ImageList_DragMove(1, 1)); // nothing is dragged now
}

TEST_F(DragImageTest, TheWindowUnderTheImageIsTheOneUnderTheMouse)
{
    // Input passes through the drag image: the window below it is found.
    TRect R;
    GetWindowRect(Form->Handle(), R);
    const TPoint P{R.Left + 40, R.Top + 50};
    ASSERT_EQ(WindowFromPoint(P), Form->Handle());
    ASSERT_TRUE(List->SetDragImage(0, 8, 8));
    ASSERT_TRUE(ImageList_BeginDrag(List->Handle(), 0, 8, 8));
    ASSERT_TRUE(ImageList_DragEnter(nullptr, P.X, P.Y));
    TPoint At;
    ASSERT_TRUE(DragImageShownAt(At));
    EXPECT_EQ(WindowFromPoint(P), Form->Handle());
}

TEST_F(DragImageTest, BadImagesAndVanishedWindowsShowNothing)
{
    EXPECT_FALSE(List->SetDragImage(1, 0, 0));
    EXPECT_FALSE(ImageList_BeginDrag(List->Handle(), 3, 0, 0));
    EXPECT_FALSE(ImageList_BeginDrag(nullptr, 0, 0, 0));
    EXPECT_FALSE(ImageList_DragEnter(nullptr, 0, 0)); // no drag begun
    // A window freed under the image hides it at the next move.
    ASSERT_TRUE(List->BeginDrag(Form->Handle(), 10, 10));
    Form.reset();
    EXPECT_TRUE(ImageList_DragMove(20, 20));
    TPoint At;
    EXPECT_FALSE(DragImageShownAt(At));
    // Over the screen the coordinates are the screen's.
    EXPECT_TRUE(ImageList_DragEnter(nullptr, 100, 120));
    ASSERT_TRUE(DragImageShownAt(At));
    EXPECT_EQ(At, TPoint({100, 120}));
    // A freed list ends its drag.
    List.reset();
    EXPECT_FALSE(DragImageShownAt(At));
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
}

}  // namespace

namespace {

// Counts the changes a link is told of and who told it.
struct ChangeCounter : TObject {
    int Count = 0;
    TObject* LastSender = nullptr;
    void Changed(TObject* Sender)
    {
        ++Count;
        LastSender = Sender;
    }
};

TBitmap* OnePixelImage(TBitmap& B)
{
    B.SetWidth(16);
    B.SetHeight(16);
    return &B;
}

}  // namespace

TEST(ChangeLinks, EveryLinkHearsEveryChangeUntilItGoes)
{
    TImageList List(nullptr, 16, 16);
    ChangeCounter A, B;
    auto LinkA = std::make_unique<TChangeLink>();
    TChangeLink LinkB;
    LinkA->OnChange = TNotifyEvent(&A, &ChangeCounter::Changed);
    LinkB.OnChange = TNotifyEvent(&B, &ChangeCounter::Changed);
    List.RegisterChanges(LinkA.get());
    List.RegisterChanges(&LinkB);
    List.RegisterChanges(&LinkB);  // twice: still told once
    EXPECT_EQ(LinkB.Sender(), &List);
    TBitmap Image;
    List.Add(OnePixelImage(Image), nullptr);
    EXPECT_EQ(A.Count, 1);
    EXPECT_EQ(B.Count, 1);
    EXPECT_EQ(B.LastSender, &List);
    // A freed link leaves the list; the other still hears.
    LinkA.reset();
    List.Clear();
    EXPECT_EQ(A.Count, 1);
    EXPECT_EQ(B.Count, 2);
    List.UnRegisterChanges(&LinkB);
    EXPECT_EQ(LinkB.Sender(), nullptr);
    List.Add(&Image, nullptr);
    EXPECT_EQ(B.Count, 2);
}

TEST(ChangeLinks, FreedListLeavesItsLinksWithoutSender)
{
    TChangeLink Link;
    {
        TImageList List(nullptr, 16, 16);
        List.RegisterChanges(&Link);
    }
    EXPECT_EQ(Link.Sender(), nullptr);
    // Moving a link to another list takes it off the first.
    TImageList First(nullptr, 16, 16), Second(nullptr, 16, 16);
    ChangeCounter C;
    Link.OnChange = TNotifyEvent(&C, &ChangeCounter::Changed);
    First.RegisterChanges(&Link);
    Second.RegisterChanges(&Link);
    First.Clear();
    EXPECT_EQ(C.Count, 0);
    Second.Clear();
    EXPECT_EQ(C.Count, 1);
}
