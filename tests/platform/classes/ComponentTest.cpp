#include "platform/classes/Component.h"

#include "platform/rtl/Exceptions.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

/// Records what happens to it in one shared log.
class TProbe : public TComponent {
    PRICETAGS_CLASS(TProbe, TComponent)
public:
    TProbe(TComponent* AOwner, std::vector<std::string>* Log, const char* Id)
        : TComponent(AOwner), FLog(Log), FId(Id)
    {
    }
    ~TProbe() override
    {
        if (FLog)
            FLog->push_back("free " + FId);
    }

    /// A component owned elsewhere that this one points to.
    void SetBuddy(TComponent* Value)
    {
        if (FBuddy)
            FBuddy->RemoveFreeNotification(this);
        FBuddy = Value;
        if (FBuddy)
            FBuddy->FreeNotification(this);
    }
    TComponent* Buddy() const { return FBuddy; }
    int LoadedCalls = 0;
    bool LoadingWhenLoaded = false;
    bool WasReading = false;

    void Loaded() override
    {
        ++LoadedCalls;
        LoadingWhenLoaded = ComponentState().Contains(csLoading);
        inherited::Loaded();
        if (FLog)
            FLog->push_back("loaded " + FId);
        delete Victim;
        Victim = nullptr;
    }
    /// Freed by Loaded.
    TComponent* Victim = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        inherited::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FBuddy)
            FBuddy = nullptr;
    }

private:
    std::vector<std::string>* FLog;
    std::string FId;
    TComponent* FBuddy = nullptr;
};

PRICETAGS_DEFINE_CLASS(TProbe)

/// Raises from Loaded.
class TBadLoad : public TComponent {
public:
    using TComponent::TComponent;
    void Loaded() override
    {
        TComponent::Loaded();
        throw EConvertError("bad layout");
    }
};

TEST(Component, OwnerFreesWhatItOwnsLastFirst)
{
    std::vector<std::string> Log;
    auto* Form = new TProbe(nullptr, &Log, "form");
    new TProbe(Form, &Log, "a");
    auto* B = new TProbe(Form, &Log, "b");
    new TProbe(B, &Log, "b1");
    EXPECT_EQ(Form->ComponentCount(), 2);
    EXPECT_EQ(B->ComponentIndex(), 1);
    EXPECT_EQ(Form->Components(1), B);
    delete Form;
    const std::vector<std::string> Expected = {"free form", "free b", "free b1", "free a"};
    EXPECT_EQ(Log, Expected);
}

TEST(Component, FreedComponentLeavesItsOwner)
{
    TComponent Form(nullptr);
    auto* A = new TComponent(&Form);
    auto* B = new TComponent(&Form);
    delete A;
    ASSERT_EQ(Form.ComponentCount(), 1);
    EXPECT_EQ(Form.Components(0), B);
    EXPECT_EQ(B->ComponentIndex(), 0);
    ExpectRaises<EListError>([&] { (void)Form.Components(1); }, "List index out of bounds (1)");
}

TEST(Component, FreeNotificationClearsAReferenceAcrossOwners)
{
    TComponent FormA(nullptr);
    TComponent FormB(nullptr);
    auto* Watcher = new TProbe(&FormA, nullptr, "w");
    auto* Menu = new TComponent(&FormB);
    Watcher->SetBuddy(Menu);
    delete Menu;
    EXPECT_EQ(Watcher->Buddy(), nullptr);
    // The watcher may go first too: nothing is left pointing at it.
    auto* Menu2 = new TComponent(&FormB);
    Watcher->SetBuddy(Menu2);
    delete Watcher;
    delete Menu2;
}

TEST(Component, SiblingsHearOfEachOtherThroughTheOwner)
{
    TComponent Form(nullptr);
    auto* Watcher = new TProbe(&Form, nullptr, "w");
    auto* Popup = new TComponent(&Form);
    Watcher->SetBuddy(Popup);
    delete Popup;
    EXPECT_EQ(Watcher->Buddy(), nullptr);
}

TEST(Component, RemovedFreeNotificationIsNotSent)
{
    TComponent FormA(nullptr);
    TComponent FormB(nullptr);
    auto* Watcher = new TProbe(&FormA, nullptr, "w");
    auto* Menu = new TComponent(&FormB);
    Watcher->SetBuddy(Menu);
    Watcher->SetBuddy(nullptr);  // removes the notification both ways
    delete Watcher;
    delete Menu;  // must not reach the freed watcher
}

struct NameRow {
    const char* Name;
    bool Valid;
};

TEST(Component, NamesMustBeIdentifiers)
{
    const NameRow Rows[] = {
        {"Button1", true},
        {"_x", true},
        {"", true},          // no name at all
        {"1Button", false},  // starts with a digit
        {"Ok Button", false},
        {"Кнопка", false},   // identifiers are Latin
        {"a.b", false},
    };
    for (const NameRow& R : Rows) {
        SCOPED_TRACE(R.Name);
        TComponent C(nullptr);
        if (R.Valid) {
            C.SetName(R.Name);
            EXPECT_EQ(C.Name(), R.Name);
        } else {
            ExpectRaises<EComponentError>([&] { C.SetName(R.Name); },
                                          "Component name \"" + AnsiString(R.Name) +
                                              "\" is not valid");
            EXPECT_EQ(C.Name(), "");
        }
    }
}

TEST(Component, NamesAreUniqueWithinTheOwner)
{
    TComponent Form(nullptr);
    auto* A = new TComponent(&Form);
    auto* B = new TComponent(&Form);
    A->SetName("Edit1");
    ExpectRaises<EComponentError>([&] { B->SetName("EDIT1"); },
                                  "A component named EDIT1 already exists");
    A->SetName("edit1");  // its own name in another case is fine
    EXPECT_EQ(Form.FindComponent("EDIT1"), A);
    EXPECT_EQ(Form.FindComponent(""), nullptr);
    EXPECT_EQ(Form.FindComponent("Edit2"), nullptr);
    TComponent Other(nullptr);
    Other.SetName("Edit1");  // another owner's names do not count
}

TEST(Component, InsertAndRemoveMoveAComponentBetweenOwners)
{
    TComponent FormA(nullptr);
    TComponent FormB(nullptr);
    auto* C = new TComponent(&FormA);
    C->SetName("Panel1");
    auto* Clash = new TComponent(&FormB);
    Clash->SetName("Panel1");
    FormA.RemoveComponent(C);
    EXPECT_EQ(C->Owner(), nullptr);
    ExpectRaises<EComponentError>([&] { FormB.InsertComponent(C); },
                                  "A component named Panel1 already exists");
    EXPECT_EQ(C->Owner(), nullptr);
    Clash->SetName("");
    FormB.InsertComponent(C);
    EXPECT_EQ(C->Owner(), &FormB);
    EXPECT_EQ(FormB.ComponentCount(), 2);
}

/// Takes only probes as its components.
class TProbeHolder : public TComponent {
public:
    using TComponent::TComponent;

protected:
    void ValidateInsert(TComponent* AComponent) override
    {
        if (!dynamic_cast<TProbe*>(AComponent))
            throw EComponentError("only probes");
    }
};

TEST(Component, TheNewOwnerValidatesTheNewcomer)
{
    TProbeHolder Holder(nullptr);
    TComponent Loose(nullptr);
    ExpectRaises<EComponentError>([&] { Holder.InsertComponent(&Loose); }, "only probes");
    EXPECT_EQ(Loose.Owner(), nullptr);
    EXPECT_EQ(Holder.ComponentCount(), 0);
    auto* Probe = new TProbe(nullptr, nullptr, "p");
    Holder.InsertComponent(Probe);
    EXPECT_EQ(Probe->Owner(), &Holder);
}

TEST(Component, ComponentIndexMovesWithinTheOwner)
{
    TComponent Form(nullptr);
    auto* A = new TComponent(&Form);
    auto* B = new TComponent(&Form);
    auto* C = new TComponent(&Form);
    C->SetComponentIndex(0);
    EXPECT_EQ(Form.Components(0), C);
    A->SetComponentIndex(99);  // clamped
    EXPECT_EQ(Form.Components(2), A);
    EXPECT_EQ(Form.Components(1), B);
}

TEST(Component, LoadingBracketCallsLoadedOnceOnEachAtTheEnd)
{
    std::vector<std::string> Log;
    TProbe Form(nullptr, &Log, "form");
    auto* Early = new TProbe(&Form, &Log, "early");
    TProbe* Late = nullptr;
    TProbe* Inner = nullptr;
    {
        LoadingScope Loading(&Form);
        EXPECT_TRUE(Form.ComponentState().Contains(csLoading));
        EXPECT_TRUE(Early->ComponentState().Contains(csReading));
        Late = new TProbe(&Form, &Log, "late");
        Inner = new TProbe(Late, &Log, "inner");
        EXPECT_TRUE(Inner->ComponentState().Contains(csLoading));
        {
            LoadingScope Nested(Late);  // already loading: the outer one finishes it
        }
        EXPECT_EQ(Late->LoadedCalls, 0);
        EXPECT_TRUE(Log.empty());
    }
    const std::vector<std::string> Expected = {"loaded form", "loaded early", "loaded late",
                                               "loaded inner"};
    EXPECT_EQ(Log, Expected);
    for (TProbe* P : {&Form, Early, Late, Inner}) {
        EXPECT_EQ(P->LoadedCalls, 1);
        EXPECT_TRUE(P->LoadingWhenLoaded);  // csLoading still set inside Loaded
        EXPECT_FALSE(P->ComponentState().Contains(csLoading));
        EXPECT_FALSE(P->ComponentState().Contains(csReading));
    }
    Log.clear();
    Form.DestroyComponents();
}

TEST(Component, ComponentFreedInsideTheBracketIsNotLoaded)
{
    std::vector<std::string> Log;
    TProbe Form(nullptr, &Log, "form");
    {
        LoadingScope Loading(&Form);
        delete new TProbe(&Form, &Log, "gone");
    }
    const std::vector<std::string> Expected = {"free gone", "loaded form"};
    EXPECT_EQ(Log, Expected);
}

TEST(Component, LoadedThatFreesAnEarlierComponentSkipsNoOther)
{
    std::vector<std::string> Log;
    TProbe Form(nullptr, &Log, "form");
    {
        LoadingScope Loading(&Form);
        auto* A = new TProbe(&Form, &Log, "a");
        auto* B = new TProbe(&Form, &Log, "b");
        new TProbe(&Form, &Log, "c");
        B->Victim = A;  // already loaded when B is
    }
    const std::vector<std::string> Expected = {"loaded form", "loaded a", "loaded b", "free a",
                                               "loaded c"};
    EXPECT_EQ(Log, Expected);
}

TEST(Component, BracketLeftByAnExceptionClearsTheFlagsWithoutLoaded)
{
    std::vector<std::string> Log;
    TProbe Form(nullptr, &Log, "form");
    try {
        LoadingScope Loading(&Form);
        throw EAbort("stop");
    } catch (const EAbort&) {
    }
    EXPECT_EQ(Form.LoadedCalls, 0);
    EXPECT_FALSE(Form.ComponentState().Contains(csLoading));
    EXPECT_FALSE(Form.ComponentState().Contains(csReading));
}

TEST(Component, ErrorInLoadedPassesOutOfTheBracket)
{
    TComponent Form(nullptr);
    auto* Bad = new TBadLoad(&Form);
    auto* After = new TComponent(&Form);
    ExpectRaises<EConvertError>([&] { LoadingScope Loading(&Form); }, "bad layout");
    EXPECT_FALSE(Bad->ComponentState().Contains(csLoading));
    EXPECT_FALSE(After->ComponentState().Contains(csLoading));
}

TEST(Component, DestroyingMarksTheTree)
{
    TComponent Form(nullptr);
    auto* A = new TComponent(&Form);
    Form.Destroying();
    EXPECT_TRUE(Form.ComponentState().Contains(csDestroying));
    EXPECT_TRUE(A->ComponentState().Contains(csDestroying));
}

TEST(Component, NamePathIsTheName)
{
    TComponent C(nullptr);
    C.SetName("Grid1");
    EXPECT_EQ(C.GetNamePath(), "Grid1");
}

}  // namespace
