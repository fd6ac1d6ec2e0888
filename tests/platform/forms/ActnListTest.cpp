// Action links: the values a client takes from its action, as its link
// decides.

#include "platform/forms/ActnList.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdActns.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A link that keeps the client's own caption and inverts nothing else, and
// notes the values only a TActionLink hears of.
class OwnCaptionLink : public TControlActionLink {
public:
    explicit OwnCaptionLink(TControl* Client, std::vector<std::string>& Log)
        : TControlActionLink(Client), FLog(Log)
    {
    }
    bool IsCaptionLinked() const override { return false; }

protected:
    void SetAutoCheck(bool Value) override { FLog.push_back("autocheck " + std::to_string(Value)); }
    void SetGroupIndex(int Value) override { FLog.push_back("group " + std::to_string(Value)); }
    void SetHelpContext(int Value) override { FLog.push_back("help " + std::to_string(Value)); }

private:
    std::vector<std::string>& FLog;
};

class OwnCaptionBox : public TCheckBox {
public:
    explicit OwnCaptionBox(TComponent* AOwner) : TCheckBox(AOwner) {}
    std::vector<std::string> Log;

protected:
    TControlActionLink* CreateActionLink() override { return new OwnCaptionLink(this, Log); }
};

}  // namespace

TEST(ActionLinks, TheLinkDecidesWhichValuesTheClientTakes)
{
    TForm Form(nullptr);
    auto* Action = new TAction(&Form);
    Action->SetCaption("Печать"_a);
    auto* Plain = new TCheckBox(&Form);
    Plain->SetParent(&Form);
    auto* Own = new OwnCaptionBox(&Form);
    Own->SetParent(&Form);
    Own->SetCaption("Своя"_a);
    Plain->SetAction(Action);
    Own->SetAction(Action);
    EXPECT_EQ(Plain->Caption(), "Печать"_a);
    EXPECT_EQ(Own->Caption(), "Своя"_a);  // kept when bound
    Action->SetCaption("Печать всех"_a);
    Action->SetChecked(true);
    Action->SetEnabled(false);
    EXPECT_EQ(Own->Caption(), "Своя"_a);  // kept when the action changes
    EXPECT_TRUE(Own->Checked());
    EXPECT_FALSE(Own->Enabled());
    EXPECT_EQ(Plain->Caption(), "Печать всех"_a);
    Action->SetAutoCheck(true);
    Action->SetGroupIndex(2);
    Action->SetHelpContext(7);
    Action->SetGroupIndex(2);  // no change, no call
    EXPECT_EQ(Own->Log, std::vector<std::string>({"autocheck 1", "group 2", "help 7"}));
}

namespace {

struct EditActionCase {
    const char* Note;
    int Kind;               // 0 cut, 1 copy, 2 paste, 3 select all, 4 delete
    const char* Text;       // the edit's text
    int SelStart, SelLength;
    bool ReadOnly;
    const char* Clipboard;  // text on the clipboard before
    bool Enabled;           // after Update
    const char* TextAfter;  // after Execute (when enabled)
    const char* ClipboardAfter;
    int SelLengthAfter;
};

TEditAction* MakeEditAction(int Kind, TComponent* Owner)
{
    switch (Kind) {
    case 0: return new TEditCut(Owner);
    case 1: return new TEditCopy(Owner);
    case 2: return new TEditPaste(Owner);
    case 3: return new TEditSelectAll(Owner);
    default: return new TEditDelete(Owner);
    }
}

}  // namespace

TEST(StandardActions, EditActionsWorkOnTheFocusedEdit)
{
    const EditActionCase Cases[] = {
        {"cut takes the selection away", 0, "abcdef", 1, 3, false, "", true, "aef", "bcd", 0},
        {"cut without a selection is off", 0, "abcdef", 2, 0, false, "", false, "", "", 0},
        {"cut on a read-only edit is off", 0, "abcdef", 1, 3, true, "", false, "", "", 0},
        {"copy leaves the text", 1, "abcdef", 0, 2, true, "", true, "abcdef", "ab", 2},
        {"copy without a selection is off", 1, "abcdef", 0, 0, false, "", false, "", "", 0},
        {"paste replaces the selection", 2, "abcdef", 1, 2, false, "XY", true, "aXYdef", "XY", 0},
        {"paste into a read-only edit is off", 2, "abcdef", 1, 2, true, "XY", false, "", "", 0},
        {"select all takes every character", 3, "abcdef", 2, 0, false, "", true, "abcdef", "", 6},
        {"select all on an empty edit is off", 3, "", 0, 0, false, "", false, "", "", 0},
        {"delete clears the selection", 4, "abcdef", 0, 3, false, "keep", true, "def", "keep", 0},
    };
    for (const EditActionCase& C : Cases) {
        SCOPED_TRACE(C.Note);
        TForm Form(nullptr);
        Form.SetBounds(0, 0, 200, 100);
        auto* Edit = new TEdit(&Form);
        Edit->SetParent(&Form);
        Edit->SetText(C.Text);
        Edit->SetReadOnly(C.ReadOnly);
        Form.Show();
        Edit->SetFocus();
        Edit->SetSelStart(C.SelStart);
        Edit->SetSelLength(C.SelLength);
        if (*C.Clipboard)
            Clipboard()->SetAsText(C.Clipboard);
        else
            Clipboard()->Clear();
        TEditAction* Action = MakeEditAction(C.Kind, &Form);
        Action->Update();
        EXPECT_EQ(Action->Enabled(), C.Enabled);
        EXPECT_EQ(Action->Execute(), C.Enabled);
        if (!C.Enabled)
            continue;
        EXPECT_EQ(Edit->Text(), AnsiString(C.TextAfter));
        EXPECT_EQ(Clipboard()->AsText(), AnsiString(C.ClipboardAfter));
        EXPECT_EQ(Edit->SelLength(), C.SelLengthAfter);
    }
    Clipboard()->Clear();
}

TEST(StandardActions, AnEditActionWaitsForItsOwnEditToHaveTheFocus)
{
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 200, 100);
    auto* First = new TEdit(&Form);
    First->SetParent(&Form);
    First->SetText("one");
    auto* Second = new TEdit(&Form);
    Second->SetParent(&Form);
    Second->SetTop(40);
    Second->SetText("two");
    Form.Show();
    auto* Action = new TEditSelectAll(&Form);
    Action->SetControl(Second);
    First->SetFocus();
    First->SetSelLength(0);
    EXPECT_FALSE(Action->Execute());  // the focused edit is not its own
    EXPECT_EQ(First->SelLength(), 0);
    Second->SetFocus();
    EXPECT_TRUE(Action->Execute());
    EXPECT_EQ(Second->SelLength(), 3);
    delete Second;                    // the action forgets it
    EXPECT_EQ(Action->Control(), nullptr);
}
