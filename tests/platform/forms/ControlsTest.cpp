// Controls: alignment and anchors, messages and notifications, the mouse,
// keys in their two phases, timers and the exception barrier.

#include "platform/forms/Controls.h"
#include "platform/forms/Timers.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

// A windowed control that logs the messages it gets by number.
class Probe : public TCustomControl {
public:
    explicit Probe(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }

    std::vector<UINT> Log;
    std::vector<std::string> Events;
    UINT DialogCode = 0;

    void Dispatch(TMessage& Message) override
    {
        Log.push_back(Message.Msg);
        switch (Message.Msg) {
        case 0xB3E8:  // a component's own message: answered by number
            Message.Result = 1;
            return;
        case WM_GETDLGCODE:
            Message.Result = DialogCode;
            return;
        default:
            TCustomControl::Dispatch(Message);
        }
    }
    bool Saw(UINT Msg) const { return std::find(Log.begin(), Log.end(), Msg) != Log.end(); }
    int Count(UINT Msg) const { return static_cast<int>(std::count(Log.begin(), Log.end(), Msg)); }

protected:
    void KeyDown(Word& Key, TShiftState Shift) override
    {
        Events.push_back("down " + std::to_string(Key));
        TCustomControl::KeyDown(Key, Shift);
    }
    void KeyPress(char& Key) override
    {
        Events.push_back(std::string("press ") + Key);
        TCustomControl::KeyPress(Key);
    }
    void DoEnter() override { Events.push_back("enter " + Name().Std()); }
    void DoExit() override { Events.push_back("exit " + Name().Std()); }
};

// A painted control with the standard mouse behaviour.
class GraphicProbe : public TGraphicControl {
public:
    explicit GraphicProbe(TComponent* AOwner) : TGraphicControl(AOwner) {}
    std::vector<std::string> Events;

protected:
    void Click() override { Events.push_back("click"); }
    void MouseDown(TMouseButton, TShiftState, int X, int Y) override
    {
        Events.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
    }
    void MouseMove(TShiftState, int X, int Y) override
    {
        Events.push_back("move " + std::to_string(X) + "," + std::to_string(Y));
    }
    void MouseUp(TMouseButton, TShiftState, int X, int Y) override
    {
        Events.push_back("up " + std::to_string(X) + "," + std::to_string(Y));
    }
    void Dispatch(TMessage& M) override
    {
        if (M.Msg == CM_MOUSEENTER)
            Events.push_back("enter");
        if (M.Msg == CM_MOUSELEAVE)
            Events.push_back("leave");
        TGraphicControl::Dispatch(M);
    }
};

// A push button that answers Enter when Default and Escape when Cancel.
class DialogButton : public TCustomControl {
public:
    DialogButton(TComponent* AOwner, bool IsDefault, bool IsCancel)
        : TCustomControl(AOwner), Default(IsDefault), Cancel(IsCancel)
    {
        SetTabStop(true);
    }
    bool Default;
    bool Cancel;
    int Clicks = 0;
    TModalResult Result = mrNone;

protected:
    void Dispatch(TMessage& M) override
    {
        if (M.Msg == CM_DIALOGKEY) {
            const Word Key = LoWord(M.WParam);
            if ((Key == VK_RETURN && Default) || (Key == VK_ESCAPE && Cancel)) {
                ++Clicks;
                if (TCustomForm* F = GetParentForm(this); F && Result != mrNone)
                    F->SetModalResult(Result);
                M.Result = 1;
                return;
            }
        }
        if (M.Msg == CM_DIALOGCHAR && IsAccel(static_cast<Word>(M.WParam), Caption())) {
            ++Clicks;
            M.Result = 1;
            return;
        }
        TCustomControl::Dispatch(M);
    }
};

// A form that frees itself at the end of the test.
struct FormFixture : ::testing::Test {
    TForm* Form = nullptr;
    void SetUp() override
    {
        Form = new TForm(Application);
        Form->SetBounds(10, 10, 400, 300);
    }
    void TearDown() override
    {
        delete Form;
        Application->ProcessMessages();
        Application->OnException = nullptr;
    }
    template <class T, class... A>
    T* Make(TWinControl* Parent, A... Args)
    {
        T* C = new T(Form, Args...);
        C->SetParent(Parent);
        return C;
    }
    void Resize(int ClientWidth, int ClientHeight)
    {
        Form->SetClientWidth(ClientWidth);
        Form->SetClientHeight(ClientHeight);
    }
};

struct Recorder {
    std::vector<std::string> Log;
    void Notify(TObject*) { Log.push_back("notify"); }
    void Key(TObject*, Word& K, TShiftState) { Log.push_back("key " + std::to_string(K)); }
    void ConsumeKey(TObject*, Word& K, TShiftState)
    {
        Log.push_back("consume " + std::to_string(K));
        K = 0;
    }
    void Press(TObject*, char& C) { Log.push_back(std::string("press ") + C); }
    void Wheel(TObject* Sender, TShiftState, int Delta, TPoint, bool& Handled)
    {
        Log.push_back(static_cast<TComponent*>(Sender)->Name().Std() + " wheel " + std::to_string(Delta));
        Handled = HandleWheel;
    }
    void Failing(TObject*) { throw EConvertError("Bad value in the handler"); }
    void Aborting(TObject*) { Abort(); }
    void Caught(TObject*, Exception* E) { Log.push_back("caught " + E->Message.Std()); }
    bool HandleWheel = true;
};

}  // namespace

// ---- alignment --------------------------------------------------------------------------

TEST_F(FormFixture, AlignedChildrenTakeSidesInOrderAndFollowResizes)
{
    Resize(400, 300);
    EXPECT_EQ(Form->ClientWidth(), 400);
    EXPECT_EQ(Form->ClientHeight(), 300);
    auto* Second = Make<TWinControl>(Form);
    Second->SetBounds(0, 100, 10, 20);
    Second->SetAlign(alTop);
    auto* First = Make<TWinControl>(Form);
    First->SetBounds(0, 0, 10, 30);
    First->SetAlign(alTop);
    auto* Bottom = Make<TWinControl>(Form);
    Bottom->SetHeight(40);
    Bottom->SetAlign(alBottom);
    auto* Left = Make<TWinControl>(Form);
    Left->SetWidth(50);
    Left->SetAlign(alLeft);
    auto* Right = Make<TWinControl>(Form);
    Right->SetWidth(60);
    Right->SetAlign(alRight);
    auto* Client = Make<TWinControl>(Form);
    Client->SetAlign(alClient);
    auto* InnerTop = Make<TWinControl>(Client);
    InnerTop->SetHeight(10);
    InnerTop->SetAlign(alTop);
    auto* InnerClient = Make<TWinControl>(Client);
    InnerClient->SetAlign(alClient);

    struct Row {
        TControl* Control;
        TRect Bounds;
        const char* Name;
    };
    const auto Check = [](const std::vector<Row>& Rows) {
        for (const Row& R : Rows) {
            SCOPED_TRACE(R.Name);
            EXPECT_EQ(R.Control->BoundsRect(), R.Bounds);
        }
    };
    Check({
        {First, Bounds(0, 0, 400, 30), "first top (higher Top goes first)"},
        {Second, Bounds(0, 30, 400, 20), "second top"},
        {Bottom, Bounds(0, 260, 400, 40), "bottom"},
        {Left, Bounds(0, 50, 50, 210), "left between tops and bottom"},
        {Right, Bounds(340, 50, 60, 210), "right"},
        {Client, Bounds(50, 50, 290, 210), "client takes the rest"},
        {InnerTop, Bounds(0, 0, 290, 10), "nested top"},
        {InnerClient, Bounds(0, 10, 290, 200), "nested client"},
    });
    Resize(500, 400);
    Check({
        {First, Bounds(0, 0, 500, 30), "first top"},
        {Bottom, Bounds(0, 360, 500, 40), "bottom"},
        {Right, Bounds(440, 50, 60, 310), "right"},
        {Client, Bounds(50, 50, 390, 310), "client"},
        {InnerClient, Bounds(0, 10, 390, 300), "nested client"},
    });
    // A hidden control leaves its place to the others.
    First->SetVisible(false);
    Check({{Second, Bounds(0, 0, 500, 20), "second top moves up"},
        {Client, Bounds(50, 20, 390, 340), "client grows"}});
}

TEST_F(FormFixture, ConstrainedAlignedControlGivesBackTheSpace)
{
    Resize(400, 300);
    auto* Left = Make<TWinControl>(Form);
    Left->Constraints()->SetMaxWidth(80);
    Left->SetWidth(200);
    EXPECT_EQ(Left->Width(), 80);
    Left->SetAlign(alLeft);
    auto* Client = Make<TWinControl>(Form);
    Client->Constraints()->SetMaxHeight(100);
    Client->SetAlign(alClient);
    EXPECT_EQ(Left->BoundsRect(), Bounds(0, 0, 80, 300));
    EXPECT_EQ(Client->BoundsRect(), Bounds(80, 0, 320, 100));
}

namespace {

struct ConstraintChanges : TObject {
    int Count = 0;
    void Changed(TObject*) { ++Count; }
};

}  // namespace

TEST(SizeConstraints, CrossingLimitsMoveTheOtherLimitOfTheirPair)
{
    using Setter = void (TSizeConstraints::*)(int);
    // Applied in order to one object; the limits after each step.
    const struct {
        Setter Set;
        int Value;
        int MinW, MaxW, MinH, MaxH;
        bool Changed;
        const char* What;
    } Steps[] = {
        {&TSizeConstraints::SetMaxWidth, 30, 0, 30, 0, 0, true, "a maximum alone"},
        {&TSizeConstraints::SetMinWidth, 50, 50, 50, 0, 0, true, "a minimum above raises the maximum"},
        {&TSizeConstraints::SetMaxWidth, 20, 20, 20, 0, 0, true, "a maximum below lowers the minimum"},
        {&TSizeConstraints::SetMaxWidth, 0, 20, 0, 0, 0, true, "a zero maximum is none"},
        {&TSizeConstraints::SetMinWidth, 90, 90, 0, 0, 0, true, "no maximum to raise"},
        {&TSizeConstraints::SetMaxHeight, 10, 90, 0, 0, 10, true, "heights apart from widths"},
        {&TSizeConstraints::SetMinHeight, 40, 90, 0, 40, 40, true, "a minimum height above"},
        {&TSizeConstraints::SetMaxHeight, -5, 90, 0, 40, 0, true, "a negative maximum is none"},
        {&TSizeConstraints::SetMinHeight, 40, 90, 0, 40, 0, false, "the same value changes nothing"},
    };
    TSizeConstraints C(nullptr);
    ConstraintChanges Changes;
    C.OnChange = TNotifyEvent(&Changes, &ConstraintChanges::Changed);
    for (const auto& S : Steps) {
        SCOPED_TRACE(S.What);
        const int Before = Changes.Count;
        (C.*S.Set)(S.Value);
        EXPECT_EQ(C.MinWidth(), S.MinW);
        EXPECT_EQ(C.MaxWidth(), S.MaxW);
        EXPECT_EQ(C.MinHeight(), S.MinH);
        EXPECT_EQ(C.MaxHeight(), S.MaxH);
        EXPECT_EQ(Changes.Count > Before, S.Changed);
    }
}

TEST_F(FormFixture, AnchorsKeepTheirDistancesWhenTheParentGrows)
{
    Resize(400, 300);
    struct {
        TAnchors Anchors;
        TRect After;
        const char* Name;
    } Cases[] = {
        {{akLeft, akTop}, Bounds(300, 250, 80, 30), "default anchors stay"},
        {{akRight, akBottom}, Bounds(400, 350, 80, 30), "moves with the corner"},
        {{akLeft, akTop, akRight}, Bounds(300, 250, 180, 30), "stretches with the width"},
        {{akTop}, Bounds(385, 250, 80, 30), "keeps its relative centre"},
    };
    std::vector<TWinControl*> Controls;
    for (const auto& C : Cases) {
        auto* W = Make<TWinControl>(Form);
        W->SetBounds(300, 250, 80, 30);
        W->SetAnchors(C.Anchors);
        Controls.push_back(W);
    }
    Resize(500, 400);
    for (size_t I = 0; I < Controls.size(); ++I) {
        SCOPED_TRACE(Cases[I].Name);
        EXPECT_EQ(Controls[I]->BoundsRect(), Cases[I].After);
    }
}

TEST_F(FormFixture, DisabledAlignmentWaitsForEnableAlign)
{
    Resize(400, 300);
    auto* C = Make<TWinControl>(Form);
    C->SetBounds(5, 5, 10, 10);
    Form->DisableAlign();
    C->SetAlign(alClient);
    EXPECT_EQ(C->BoundsRect(), Bounds(5, 5, 10, 10));
    Form->EnableAlign();
    EXPECT_EQ(C->BoundsRect(), Bounds(0, 0, 400, 300));
}

TEST_F(FormFixture, ChildrenMadeOneByOneAreInPlaceForReadsInputAndPaint)
{
    Resize(400, 300);
    Form->Show();
    std::vector<GraphicProbe*> Rows;
    for (int I = 0; I < 3; ++I) {
        auto* P = Make<GraphicProbe>(Form);
        P->SetBounds(0, 100 * I, 10, 20);
        P->SetAlign(alTop);
        Rows.push_back(P);
    }
    // A click at the third row finds it without anybody having read a bound.
    SimulateMouseDown(Form, mbLeft, 200, 45);
    EXPECT_EQ(Rows[2]->Events, std::vector<std::string>({"enter", "down 200,5"}));
    EXPECT_TRUE(Rows[0]->Events.empty());
    SimulateMouseUp(Form, mbLeft, 200, 45);
    EXPECT_EQ(Rows[2]->BoundsRect(), Bounds(0, 40, 400, 20));
    // Its client size follows the realign its parent owed.
    auto* Last = Make<Probe>(Form);
    Last->SetAlign(alClient);
    EXPECT_EQ(Last->ClientHeight(), 240);
    // Freed with a realign waiting: nothing is left to reach it.
    auto* Gone = Make<Probe>(Form);
    Gone->SetAlign(alBottom);
    delete Gone;
    Application->ProcessMessages();
    EXPECT_EQ(Last->ClientHeight(), 240);
}

TEST_F(FormFixture, TheClientRectangleIsKeptBetweenFrameChanges)
{
    auto* P = Make<Probe>(Form);
    P->SetBounds(0, 0, 100, 80);
    Form->Show();
    P->Log.clear();
    for (int I = 0; I < 5; ++I)
        EXPECT_EQ(P->ClientRect(), Rect(0, 0, 100, 80));
    EXPECT_EQ(P->Count(WM_NCCALCSIZE), 0);
    // A new frame is asked for once and kept.
    SetWindowLong(P->Handle(), GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    SetWindowPos(P->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    EXPECT_EQ(P->ClientRect(), Rect(0, 0, 96, 76));
    const int Asked = P->Count(WM_NCCALCSIZE);
    EXPECT_EQ(P->ClientWidth(), 96);
    EXPECT_EQ(P->Count(WM_NCCALCSIZE), Asked);
}

// ---- messages -----------------------------------------------------------------------------

TEST_F(FormFixture, MessagesReachTheirHandlerByNumber)
{
    auto* P = Make<Probe>(Form);
    Form->Show();
    EXPECT_EQ(SendMessage(P->Handle(), 0xB3E8, 0, 0), 1);
    EXPECT_EQ(P->Perform(0xB3E8), 1);
    EXPECT_EQ(SendMessage(P->Handle(), WM_USER + 7, 0, 0), 0);
    EXPECT_TRUE(P->Saw(WM_USER + 7));
}

TEST_F(FormFixture, SentMessagesRunAtOncePostedOnesLater)
{
    auto* P = Make<Probe>(Form);
    Form->Show();
    Application->ProcessMessages();
    P->Log.clear();
    PostMessage(P->Handle(), WM_USER + 1, 0, 0);
    PostMessage(P->Handle(), WM_USER + 2, 0, 0);
    SendMessage(P->Handle(), WM_USER + 3, 0, 0);
    EXPECT_EQ(P->Log, std::vector<UINT>({WM_USER + 3}));
    // A queued message can be taken out before it is dispatched.
    MSG M;
    EXPECT_TRUE(PeekMessage(M, P->Handle(), WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(M, P->Handle(), WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
    Application->ProcessMessages();
    EXPECT_EQ(P->Log, std::vector<UINT>({WM_USER + 3, WM_USER + 1}));
}

TEST_F(FormFixture, MessagesForADestroyedWindowAreDropped)
{
    auto* P = Make<Probe>(Form);
    Form->Show();
    HWND H = P->Handle();
    PostMessage(H, WM_USER + 1, 0, 0);
    delete P;
    EXPECT_FALSE(IsWindow(H));
    EXPECT_FALSE(PostMessage(H, WM_USER + 2, 0, 0));
    EXPECT_EQ(SendMessage(H, WM_USER + 3, 0, 0), 0);
    Application->ProcessMessages();  // nothing is delivered, nothing crashes
}

TEST_F(FormFixture, PropertyChangesSendNotifications)
{
    auto* Parent = Make<Probe>(Form);
    auto* Child = Make<Probe>(Parent);
    struct {
        std::function<void()> Change;
        UINT Expected;
        const char* Name;
    } Cases[] = {
        {[&] { Parent->SetEnabled(false); }, CM_ENABLEDCHANGED, "enabled"},
        {[&] { Parent->SetVisible(false); }, CM_VISIBLECHANGED, "visible"},
        {[&] { Parent->SetColor(clRed); }, CM_COLORCHANGED, "colour"},
        {[&] { Parent->Font()->SetSize(12); }, CM_FONTCHANGED, "font"},
        {[&] { Parent->SetText("New"); }, CM_TEXTCHANGED, "text"},
        {[&] { Parent->SetCtl3D(false); }, CM_CTL3DCHANGED, "3-D look"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Parent->Log.clear();
        C.Change();
        EXPECT_TRUE(Parent->Saw(C.Expected));
    }
    // Children that follow their parent take the new values.
    EXPECT_TRUE(Child->Saw(CM_PARENTCOLORCHANGED));
    EXPECT_EQ(Child->Color(), clRed);
    EXPECT_EQ(Child->Font()->Size(), 12);
    EXPECT_EQ(Parent->Text(), "New");
    Child->SetColor(clBlue);
    Parent->SetColor(clGreen);
    EXPECT_EQ(Child->Color(), clBlue);  // set on its own: no longer follows
    Child->SetParentColor(true);
    EXPECT_EQ(Child->Color(), clGreen);
}

TEST_F(FormFixture, TextGoesThroughWmSetTextAndWmGetText)
{
    auto* P = Make<Probe>(Form);
    P->SetText("\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_TRUE(P->Saw(WM_SETTEXT));
    char Buffer[4];
    EXPECT_EQ(P->Perform(WM_GETTEXT, sizeof Buffer, reinterpret_cast<LPARAM>(Buffer)), 3);
    EXPECT_EQ(std::string(Buffer), "\xCF\xF0\xE8");
    EXPECT_EQ(P->Perform(WM_GETTEXTLENGTH), 6);
}

// ---- mouse ---------------------------------------------------------------------------------

TEST_F(FormFixture, CapturedGraphicControlKeepsTheMouseUntilRelease)
{
    auto* G = Make<GraphicProbe>(Form);
    G->SetBounds(20, 20, 50, 30);
    Form->Show();
    SimulateMouseDown(Form, mbLeft, 30, 30);
    EXPECT_TRUE(G->MouseCapture());
    SimulateMouseMove(Form, 200, 200, {ssLeft});
    SimulateMouseUp(Form, mbLeft, 200, 200);
    EXPECT_FALSE(G->MouseCapture());
    // Positions are the control's own; no click when released outside.
    EXPECT_EQ(G->Events,
        std::vector<std::string>({"enter", "down 10,10", "leave", "move 180,180", "up 180,180"}));
    G->Events.clear();
    SimulateClick(Form, 25, 25);
    EXPECT_EQ(G->Events, std::vector<std::string>({"enter", "down 5,5", "click", "up 5,5"}));
}

TEST_F(FormFixture, MouseEnterAndLeaveFollowTheControlUnderTheMouse)
{
    auto* G = Make<GraphicProbe>(Form);
    G->SetBounds(20, 20, 50, 30);
    Form->Show();
    SimulateMouseMove(Form, 5, 5);
    SimulateMouseMove(Form, 30, 30);
    SimulateMouseMove(Form, 31, 30);
    SimulateMouseMove(Form, 150, 150);
    EXPECT_EQ(G->Events, std::vector<std::string>({"enter", "move 10,10", "move 11,10", "leave"}));
    G->Events.clear();
    SimulateMouseMove(Form, 30, 30);
    SimulateMouseLeave(Form);
    EXPECT_EQ(G->Events, std::vector<std::string>({"enter", "move 10,10", "leave"}));
}

TEST_F(FormFixture, WheelGoesToTheFocusedControlThenItsParents)
{
    auto* Outer = Make<Probe>(Form);
    Outer->SetName("Outer");
    Outer->SetBounds(0, 0, 200, 200);
    auto* Inner = Make<Probe>(Outer);
    Inner->SetName("Inner");
    Inner->SetBounds(10, 10, 50, 50);
    Recorder R;
    Inner->OnMouseWheel = TMouseWheelEvent(&R, &Recorder::Wheel);
    Outer->OnMouseWheel = TMouseWheelEvent(&R, &Recorder::Wheel);
    Form->Show();
    Inner->SetFocus();
    SimulateWheel(Form, -120, 300, 250);  // the point does not matter
    EXPECT_EQ(R.Log, std::vector<std::string>({"Inner wheel -120"}));
    R.Log.clear();
    R.HandleWheel = false;
    SimulateWheel(Form, 240, 300, 250);
    EXPECT_EQ(R.Log, std::vector<std::string>({"Inner wheel 240", "Outer wheel 240"}));
}

// ---- keys --------------------------------------------------------------------------------------

TEST_F(FormFixture, KeyDownThenItsCharacter)
{
    auto* P = Make<Probe>(Form);
    Form->Show();
    P->SetFocus();
    SimulateKey('A');
    SimulateKey('B', {ssShift});
    EXPECT_EQ(P->Events, std::vector<std::string>({"enter ", "down 65", "press a", "down 66", "press B"}));
}

TEST_F(FormFixture, ZeroedKeyStillTypesItsCharacterUnlessTakenFromTheQueue)
{
    auto* P = Make<Probe>(Form);
    Recorder R;
    P->OnKeyDown = TKeyEvent(&R, &Recorder::ConsumeKey);
    P->OnKeyPress = TKeyPressEvent(&R, &Recorder::Press);
    Form->Show();
    P->SetFocus();
    SimulateKey('X');
    EXPECT_EQ(R.Log, std::vector<std::string>({"consume 88", "press x"}));
    // A handler that consumes the key drops the character that is queued.
    struct Dropper {
        TWinControl* C;
        void Down(TObject*, Word& K, TShiftState)
        {
            MSG M;
            PeekMessage(M, C->Handle(), WM_CHAR, WM_CHAR, PM_REMOVE);
            K = 0;
        }
    } D {P};
    P->OnKeyDown = TKeyEvent(&D, &Dropper::Down);
    R.Log.clear();
    SimulateKey('Y');
    EXPECT_TRUE(R.Log.empty());
}

TEST_F(FormFixture, KeyPreviewLetsTheFormSeeKeysFirst)
{
    auto* P = Make<Probe>(Form);
    Recorder R;
    Form->OnKeyDown = TKeyEvent(&R, &Recorder::Key);
    Form->Show();
    P->SetFocus();
    SimulateKey(VK_F4);
    EXPECT_TRUE(R.Log.empty());  // the form does not preview by default
    Form->SetKeyPreview(true);
    SimulateKey(VK_F4);
    EXPECT_EQ(R.Log, std::vector<std::string>({"key 115"}));
    EXPECT_EQ(P->Events.back(), "down 115");
    Form->OnKeyDown = TKeyEvent(&R, &Recorder::ConsumeKey);
    P->Events.clear();
    SimulateKey(VK_F4);
    EXPECT_TRUE(P->Events.empty());  // consumed by the form
}

TEST_F(FormFixture, EnterAndEscapeReachDefaultAndCancelButtonsWithoutTypingAnything)
{
    auto* Edit = Make<Probe>(Form);
    auto* Ok = Make<DialogButton>(Form, true, false);
    auto* Cancel = Make<DialogButton>(Form, false, true);
    Form->Show();
    Edit->SetFocus();
    SimulateKey(VK_RETURN);
    EXPECT_EQ(Ok->Clicks, 1);
    EXPECT_EQ(Cancel->Clicks, 0);
    SimulateKey(VK_ESCAPE);
    EXPECT_EQ(Cancel->Clicks, 1);
    // A dialog key that is used never becomes a key or a character.
    EXPECT_FALSE(Edit->Saw(WM_KEYDOWN));
    EXPECT_FALSE(Edit->Saw(WM_CHAR));
    // A control that wants Enter keeps it.
    Edit->DialogCode = DLGC_WANTALLKEYS;
    SimulateKey(VK_RETURN);
    EXPECT_EQ(Ok->Clicks, 1);
    EXPECT_EQ(Edit->Events.back(), "press \r");
}

TEST_F(FormFixture, TabMovesTheFocusInTabOrderWithEnterAndExit)
{
    auto* Box = Make<Probe>(Form);
    Box->SetName("Box");
    Box->SetTabStop(false);
    auto* A = Make<Probe>(Box);
    A->SetName("A");
    auto* B = Make<Probe>(Form);
    B->SetName("B");
    auto* C = Make<Probe>(Box);
    C->SetName("C");
    C->SetTabOrder(0);  // before A inside the box
    Form->Show();
    EXPECT_TRUE(C->Focused());  // the first tab stop gets the focus on showing
    SimulateKey(VK_TAB);
    EXPECT_TRUE(A->Focused());
    SimulateKey(VK_TAB);
    EXPECT_TRUE(B->Focused());
    EXPECT_EQ(A->Events.back(), "exit A");
    EXPECT_EQ(Box->Events.back(), "exit Box");  // leaving the box too
    SimulateKey(VK_TAB, {ssShift});
    EXPECT_TRUE(A->Focused());
    EXPECT_EQ(Form->ActiveControl(), A);
    EXPECT_EQ(Screen->ActiveControl(), A);
}

TEST_F(FormFixture, AcceleratorCharactersGoToTheirControl)
{
    auto* Edit = Make<Probe>(Form);
    auto* Save = Make<DialogButton>(Form, false, false);
    Save->SetCaption("&Save");
    Form->Show();
    Edit->SetFocus();
    SimulateKey('S', {ssAlt});
    EXPECT_EQ(Save->Clicks, 1);
    SimulateKey('Q', {ssAlt});
    EXPECT_EQ(Save->Clicks, 1);
}

TEST_F(FormFixture, FormShortCutsComeBeforeTheControl)
{
    auto* P = Make<Probe>(Form);
    struct Keys {
        int Seen = 0;
        void ShortCut(TWMKey& Msg, bool& Handled)
        {
            Handled = Msg.CharCode == VK_F5 && KeyDataToShiftState(Msg.KeyData).Contains(ssCtrl);
            Seen += Handled;
        }
    } K;
    Form->OnShortCut = TShortCutEvent(&K, &Keys::ShortCut);
    Form->Show();
    P->SetFocus();
    SimulateKey(VK_F5, {ssCtrl});
    SimulateKey(VK_F5);
    EXPECT_EQ(K.Seen, 1);
    EXPECT_EQ(P->Count(WM_KEYDOWN), 1);
}

TEST(Keys, ShortCutsAndAccelerators)
{
    EXPECT_EQ(ShortCut(VK_DOWN, {ssAlt}), 32808);
    struct {
        TShortCut Value;
        const char* Text;
    } Cases[] = {
        {ShortCut('S', {ssCtrl}), "Ctrl+S"},
        {ShortCut(VK_F5, {ssShift, ssCtrl}), "Shift+Ctrl+F5"},
        {ShortCut(VK_DOWN, {ssAlt}), "Alt+Down"},
        {ShortCut(VK_DELETE, {}), "Del"},
        {ShortCut(VK_RETURN, {ssCtrl}), "Ctrl+Enter"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(ShortCutToText(C.Value), C.Text);
        EXPECT_EQ(TextToShortCut(C.Text), C.Value);
    }
    EXPECT_EQ(TextToShortCut("ctrl+s"), ShortCut('S', {ssCtrl}));
    EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
    Word Key = 0;
    TShiftState Shift;
    ShortCutToKey(32808, Key, Shift);
    EXPECT_EQ(Key, VK_DOWN);
    EXPECT_EQ(Shift, TShiftState({ssAlt}));
    EXPECT_TRUE(IsAccel('S', "&Save"));
    EXPECT_TRUE(IsAccel('s', "&Save"));
    EXPECT_FALSE(IsAccel('A', "S&&ave"));  // "&&" is a plain ampersand
    EXPECT_TRUE(IsAccel(0xF4, "\xC4\xE0 &\xD4"));  // Cyrillic, case ignored
    EXPECT_EQ(GetShortHint("Open|Opens a file"), "Open");
    EXPECT_EQ(GetLongHint("Open|Opens a file"), "Opens a file");
    EXPECT_EQ(GetLongHint("Plain"), "Plain");
}

// ---- timers and the barrier -------------------------------------------------------------------

namespace {

bool WaitFor(const std::function<bool()>& Done, int Milliseconds = 2000)
{
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
    while (!Done() && std::chrono::steady_clock::now() < End)
        Application->ProcessMessages();
    return Done();
}

}  // namespace

TEST_F(FormFixture, WindowTimersSendWmTimer)
{
    auto* P = Make<Probe>(Form);
    Form->Show();
    EXPECT_EQ(SetTimer(P->Handle(), 7, 5, nullptr), 7u);
    EXPECT_TRUE(WaitFor([&] { return P->Count(WM_TIMER) >= 2; }));
    EXPECT_TRUE(KillTimer(P->Handle(), 7));
    const int Seen = P->Count(WM_TIMER);
    Application->ProcessMessages();
    EXPECT_EQ(P->Count(WM_TIMER), Seen);
    EXPECT_EQ(SetTimer(nullptr, 1, 5, nullptr), 0u);
}

TEST_F(FormFixture, ExceptionsInHandlersReachHandleException)
{
    Recorder R;
    Application->OnException = TExceptionEvent(&R, &Recorder::Caught);
    auto* G = Make<GraphicProbe>(Form);
    G->SetBounds(0, 0, 50, 50);
    G->OnMouseDown = TMouseEvent(nullptr);
    Form->OnClick = TNotifyEvent(&R, &Recorder::Failing);
    Form->Show();
    SimulateClick(Form, 200, 200);
    EXPECT_EQ(R.Log, std::vector<std::string>({"caught Bad value in the handler"}));
    // The silent exception is not reported.
    Form->OnClick = TNotifyEvent(&R, &Recorder::Aborting);
    SimulateClick(Form, 200, 200);
    EXPECT_EQ(R.Log.size(), 1u);
    // Timers go through the barrier as well.
    TTimer Timer(nullptr);
    Timer.SetInterval(5);
    Timer.OnTimer = TNotifyEvent(&R, &Recorder::Failing);
    EXPECT_TRUE(WaitFor([&] { return R.Log.size() >= 2; }));
    Timer.SetEnabled(false);
    EXPECT_EQ(R.Log[1], "caught Bad value in the handler");
}

TEST_F(FormFixture, PostedMessagesGoThroughTheBarrierToo)
{
    struct Thrower : TCustomControl {
        using TCustomControl::TCustomControl;
        void Dispatch(TMessage& M) override
        {
            if (M.Msg == WM_USER + 9)
                throw EListError("List index out of bounds (3)");
            TCustomControl::Dispatch(M);
        }
    };
    Recorder R;
    Application->OnException = TExceptionEvent(&R, &Recorder::Caught);
    auto* T = Make<Thrower>(Form);
    Form->Show();
    PostMessage(T->Handle(), WM_USER + 9, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(R.Log, std::vector<std::string>({"caught List index out of bounds (3)"}));
}

TEST_F(FormFixture, TheLongHintOfTheControlUnderTheMouseIsTheApplicationsHint)
{
    auto* Panel = Make<Probe>(Form);
    Panel->SetBounds(0, 0, 200, 200);
    Panel->SetHint("Panel|The panel of prices");
    auto* G = Make<GraphicProbe>(Panel);
    G->SetBounds(10, 10, 50, 50);
    G->SetHint("Price|The retail price");
    auto* Plain = Make<GraphicProbe>(Panel);
    Plain->SetBounds(100, 10, 50, 50);
    Form->Show();
    SimulateMouseMove(Panel, 20, 20);
    EXPECT_EQ(Application->Hint(), "The retail price");
    SimulateMouseMove(Panel, 120, 20);
    EXPECT_EQ(Application->Hint(), "The panel of prices");  // from the parent
    SimulateMouseMove(Form, 300, 250);
    EXPECT_EQ(Application->Hint(), "");
}

// ---- hints ---------------------------------------------------------------------------------------

namespace {

/// A hint window that records what it is asked to show.
class RecordingHintWindow : public THintWindow {
    PRICETAGS_CLASS(RecordingHintWindow, THintWindow)
public:
    explicit RecordingHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}
    void ActivateHintData(TRect Rect, const AnsiString& AHint, void* AData) override
    {
        Shown.push_back(AHint.Std());
        LastRect = Rect;
        LastData = AData;
        THintWindow::ActivateHintData(Rect, AHint, AData);
    }
    static inline std::vector<std::string> Shown;
    static inline TRect LastRect;
    static inline void* LastData = nullptr;
};

PRICETAGS_DEFINE_CLASS(RecordingHintWindow)

/// A control that answers CM_HINTSHOW and CM_HINTSHOWPAUSE as told.
class HintProbe : public TCustomControl {
public:
    explicit HintProbe(TComponent* AOwner) : TCustomControl(AOwner) {}
    void Dispatch(TMessage& M) override
    {
        if (M.Msg == CM_HINTSHOWPAUSE && Pause >= 0) {
            *reinterpret_cast<int*>(M.LParam) = Pause;
            return;
        }
        if (M.Msg == CM_HINTSHOW) {
            TCMHintShow Msg(M);
            if (!Text.empty())
                Msg.HintInfo->HintStr = AnsiString(Text.c_str());
            Msg.HintInfo->HintData = this;
            M.Result = Refuse ? 1 : 0;
            return;
        }
        TCustomControl::Dispatch(M);
    }
    int Pause = -1;
    std::string Text;
    bool Refuse = false;
};

/// A form with a hint-showing panel ("Цена|Розничная цена") and a graphic
/// child without hints; hints show through RecordingHintWindow.
struct HintFixture : FormFixture {
    THintWindowClass SavedClass = HintWindowClass;
    HintProbe* Panel = nullptr;
    void SetUp() override
    {
        FormFixture::SetUp();
        HintWindowClass = RecordingHintWindow::StaticClass();
        RecordingHintWindow::Shown.clear();
        Application->SetHintPause(10);
        Panel = Make<HintProbe>(Form);
        Panel->SetBounds(0, 0, 200, 150);
        Panel->SetHint("Цена|Розничная цена"_a);
        Panel->SetShowHint(true);
        Form->Show();
    }
    void TearDown() override
    {
        Application->CancelHint();
        Application->SetHintPause(500);
        HintWindowClass = SavedClass;
        FormFixture::TearDown();
    }
    static std::vector<std::string>& Shown() { return RecordingHintWindow::Shown; }
    /// The application's hint window (the last one made), or null.
    static THintWindow* HintWindow()
    {
        THintWindow* Window = nullptr;
        for (int I = 0; I < Application->ComponentCount(); ++I)
            if (auto* W = dynamic_cast<THintWindow*>(Application->Components(I)))
                Window = W;
        return Window;
    }
};

}  // namespace

TEST_F(HintFixture, ShortHintShowsBelowTheMouseAfterThePause)
{
    // A pause long enough that a busy machine cannot run it out before the
    // first check.
    Application->SetHintPause(300);
    SimulateMouseMove(Panel, 20, 30);
    EXPECT_TRUE(Shown().empty()); // not before the pause
    ASSERT_TRUE(WaitFor([&] { return !Shown().empty(); }, 5000));
    EXPECT_EQ(Shown(), std::vector<std::string>({"Цена"_a.Std()}));
    TPoint Mouse;
    GetCursorPos(Mouse);
    EXPECT_EQ(RecordingHintWindow::LastRect.Left, Mouse.X);
    EXPECT_GT(RecordingHintWindow::LastRect.Top, Mouse.Y);
    EXPECT_EQ(RecordingHintWindow::LastData, Panel); // the control's data goes along
    // Moving inside the control keeps the hint; it is not shown again.
    SimulateMouseMove(Panel, 60, 40);
    Application->ProcessMessages();
    EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(HintFixture, ControlMayChangeRefuseOrHurryItsHint)
{
    Panel->Pause = 0; // no pause: the hint shows with the move
    Panel->Text = "Другая подсказка"_a.Std();
    SimulateMouseMove(Panel, 5, 5);
    EXPECT_EQ(Shown(), std::vector<std::string>({"Другая подсказка"_a.Std()}));
    Application->CancelHint();
    Panel->Refuse = true;
    SimulateMouseMove(Panel, 6, 6);
    EXPECT_EQ(Shown().size(), 1u);
    // Without ShowHint anywhere up the chain nothing is asked.
    Panel->Refuse = false;
    Panel->SetShowHint(false);
    Application->CancelHint();
    SimulateMouseMove(Panel, 7, 7);
    EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(HintFixture, KeysAndClicksTakeAShownHintAway)
{
    Panel->Pause = 0;
    SimulateMouseMove(Panel, 5, 5);
    ASSERT_EQ(Shown().size(), 1u);
    THintWindow* Window = HintWindow();
    ASSERT_NE(Window, nullptr);
    EXPECT_TRUE(Window->HandleAllocated());
    SimulateKey(VK_SHIFT);
    EXPECT_FALSE(Window->HandleAllocated());
    SimulateMouseMove(Panel, 5, 6);
    EXPECT_TRUE(Window->HandleAllocated());
    SimulateClick(Panel, 5, 6);
    EXPECT_FALSE(Window->HandleAllocated());
    // A freed hint control takes its hint with it.
    SimulateMouseMove(Panel, 9, 9);
    EXPECT_TRUE(Window->HandleAllocated());
    delete Panel;
    EXPECT_FALSE(Window->HandleAllocated());
}

TEST_F(HintFixture, PopupMenuTakesTheHintAway)
{
    Panel->Pause = 0;
    SimulateMouseMove(Panel, 5, 5);
    ASSERT_EQ(Shown().size(), 1u);
    THintWindow* Window = HintWindow();
    ASSERT_NE(Window, nullptr);
    TPopupMenu Menu(Form);
    bool HintWhileOpen = true;
    PopupMenuHookScope Hook([&](TPopupMenu&, TPoint) -> TMenuItem* {
        Application->ProcessMessages();
        HintWhileOpen = Window->HandleAllocated();
        return nullptr;
    });
    Menu.Popup(10, 10);
    EXPECT_FALSE(HintWhileOpen) << "the hint would cover the menu's items";
}

TEST(THintWindow, StaysInsideTheDesktopAndBreaksLongHints)
{
    THintWindow Hint(nullptr);
    const TRect Desk = Screen->DesktopRect();
    // A hint that would hang over the bottom-right corner opens above and
    // left of it.
    Hint.ActivateHint(Rect(Desk.Right - 10, Desk.Bottom - 5, Desk.Right + 90, Desk.Bottom + 15), "Подсказка"_a);
    EXPECT_EQ(Hint.Left() + Hint.Width(), Desk.Right);
    EXPECT_EQ(Hint.Top() + Hint.Height(), Desk.Bottom);
    EXPECT_EQ(Hint.Height(), 24); // 4 pixels more than asked
    Hint.ActivateHint(Rect(Desk.Left - 30, Desk.Top - 30, Desk.Left + 20, Desk.Top - 10), "x");
    EXPECT_EQ(Hint.Left(), Desk.Left);
    EXPECT_EQ(Hint.Top(), Desk.Top);
    Hint.ReleaseHandle();
    const TRect One = Hint.CalcHintRect(1000, "Розничная цена товара"_a, nullptr);
    const TRect Broken = Hint.CalcHintRect(60, "Розничная цена товара"_a, nullptr);
    EXPECT_EQ(One.Left, 0);
    EXPECT_LE(Broken.Width(), 66);
    EXPECT_GE(Broken.Height(), 2 * (One.Height() - 2));
}
