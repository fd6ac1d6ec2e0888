#include "common/reports/RP_StateStack.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Streams.h"

#include <gtest/gtest.h>

namespace {

/// A change as the designer makes one: the edit, then both flags cleared
/// and a snapshot taken.
void Change(TDocument& Doc, TStateStack& Stack, int FontSize)
{
    auto* View = new TView(vkText, &Doc);
    View->FontSize = FontSize;
    Doc.CurrentPage()->AddView(View);
    Doc.Saved = false;
    Doc.StateStored = false;
    Stack.PushState();
}

int LastFontSize(TDocument& Doc)
{
    TView* View = Doc.CurrentPage()->LastView();
    return View ? View->FontSize : 0;
}

struct Opened {
    Opened()
    {
        Doc.SetNameSaveFile("T.dcr");
        Doc.Saved = true;
    }
    TDocument Doc{nullptr};
};

}  // namespace

TEST(RP_StateStack, OpeningGivesOneSavedSnapshot)
{
    Opened O;
    O.Doc.StateStored = true;  // left over from an earlier designer
    TStateStack Stack(&O.Doc);
    EXPECT_EQ(Stack.Count(), 1);
    EXPECT_EQ(Stack.SavedIndex, 0);
    EXPECT_FALSE(Stack.CanUndo());
    EXPECT_FALSE(Stack.CanRedo());
    EXPECT_TRUE(O.Doc.Saved) << "a snapshot keeps the flag it found";
    Stack.PushState();
    EXPECT_EQ(Stack.Count(), 1) << "the present state is already stored";
}

TEST(RP_StateStack, UndoRedoAndTheSavedState)
{
    Opened O;
    TStateStack Stack(&O.Doc);
    Change(O.Doc, Stack, 11);
    Change(O.Doc, Stack, 12);
    EXPECT_FALSE(O.Doc.Saved);
    Stack.Undo();
    EXPECT_EQ(LastFontSize(O.Doc), 11);
    EXPECT_FALSE(O.Doc.Saved);
    Stack.Undo();
    EXPECT_EQ(LastFontSize(O.Doc), 0);
    EXPECT_TRUE(O.Doc.Saved) << "back at the state of the file";
    Stack.Undo();
    EXPECT_EQ(Stack.Current, 0) << "undo at the oldest state re-reads it";
    Stack.Redo();
    Stack.Redo();
    EXPECT_EQ(LastFontSize(O.Doc), 12);
    EXPECT_FALSE(Stack.CanRedo());

    Stack.Undo();
    Change(O.Doc, Stack, 20);
    EXPECT_EQ(Stack.Count(), 3) << "a new change drops the redo tail";
    EXPECT_FALSE(Stack.CanRedo());

    Stack.RestoreFirst();
    EXPECT_EQ(O.Doc.CurrentPage()->ViewCount(), 0);
}

TEST(RP_StateStack, UndoKeepsTheFileNameAndTheSelection)
{
    Opened O;
    TStateStack Stack(&O.Doc);
    Change(O.Doc, Stack, 11);
    O.Doc.CurrentPage()->LastView()->SetSelected(true);
    O.Doc.StateStored = false;
    O.Doc.Saved = false;
    Stack.PushState();
    O.Doc.SetNameSaveFile("Other.dcr");  // "save as" between snapshots
    Change(O.Doc, Stack, 12);
    Stack.Undo();
    EXPECT_EQ(O.Doc.NameSaveFile(), "Other.dcr");
    EXPECT_TRUE(O.Doc.CurrentPage()->LastView()->Selected);
    EXPECT_EQ(O.Doc.SelectedCount(), 1);
}

TEST(RP_StateStack, UndoOfUnsavedPresentStoresItFirst)
{
    Opened O;
    TStateStack Stack(&O.Doc);
    Change(O.Doc, Stack, 11);
    // An edit not yet snapshotted: undo must keep a way back to it.
    O.Doc.CurrentPage()->LastView()->FontSize = 30;
    O.Doc.StateStored = false;
    O.Doc.Saved = false;
    Stack.Undo();
    Stack.Redo();
    EXPECT_EQ(LastFontSize(O.Doc), 30);
}

TEST(RP_StateStack, LimitsKeepTheFirstSnapshot)
{
    Opened O;
    TStateStack Stack(&O.Doc);
    Change(O.Doc, Stack, 11);
    Stack.NoteSaved();
    EXPECT_EQ(Stack.SavedIndex, 1);
    Stack.SizeLimit = 2;  // every snapshot is over it
    Change(O.Doc, Stack, 12);
    Change(O.Doc, Stack, 13);
    EXPECT_EQ(Stack.Count(), 2) << "trimmed down to the first and the newest";
    EXPECT_EQ(Stack.SavedIndex, -1) << "the saved snapshot is gone";
    Stack.Undo();
    EXPECT_EQ(Stack.Current, 0);
    EXPECT_FALSE(O.Doc.Saved);
    Stack.Redo();
    EXPECT_FALSE(O.Doc.Saved) << "no state counts as saved until the next save";

    Stack.SizeLimit = 0;
    Stack.CountLimit = 3;
    for (int I = 0; I < 5; ++I)
        Change(O.Doc, Stack, 14 + I);
    EXPECT_EQ(Stack.Count(), 4) << "the limit is checked before each new snapshot";

    Int64 Sum = 0;
    for (int I = 0; I < Stack.Count(); ++I)
        Sum += static_cast<TMemoryStream*>(Stack.Get(I))->Size();
    EXPECT_EQ(Stack.TotalSize, Sum);
}
