// Action links: the values a client takes from its action, as its link
// decides.

#include "platform/forms/ActnList.h"

#include "platform/forms/Forms.h"
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
