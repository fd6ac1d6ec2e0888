// Smoke test of the window layer on a real X server (run under xvfb-run):
// a form with a button, an edit, a list view and a pop-up menu is shown
// by the window system, a click reaches the button and the window paints.
// Prints the closing line of a test runner; exits 1 on a failure.

#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

class Counter : public TComponent {
public:
    Counter() : TComponent(nullptr) {}
    void Clicked(TObject*) { ++Clicks; }
    int Clicks = 0;
};

int Failures = 0;

void Check(bool Condition, const char* What)
{
    if (!Condition) {
        std::printf("FAILED: %s\n", What);
        ++Failures;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "xcb", /*overwrite=*/1);
    GuiStartup(argc, argv);
    {
        Counter C;
        TForm Form(nullptr, 0);
        Form.SetBounds(50, 50, 320, 240);
        auto* Button = new TButton(&Form);
        Button->SetParent(&Form);
        Button->SetCaption("Печать"_a);
        Button->OnClick = TNotifyEvent(&C, &Counter::Clicked);
        auto* Edit = new TEdit(&Form);
        Edit->SetParent(&Form);
        Edit->SetTop(40);
        auto* List = new TListView(&Form);
        List->SetParent(&Form);
        List->SetBounds(0, 70, 300, 120);
        List->SetViewStyle(vsReport);
        List->Columns()->Add()->SetCaption("Name");
        List->Items()->Add()->SetCaption("Row");
        auto* Menu = new TPopupMenu(&Form);
        List->SetPopupMenu(Menu);
        Form.Show();
        Application->ProcessMessages();
        Check(IsWindowVisible(Form.Handle()) != 0, "the form shows");
        SimulateClick(Button, 5, 5);
        Check(C.Clicks == 1, "a click reaches the button");
        Edit->SetFocus();
        SimulateText("abc");
        Check(Edit->Text() == "abc", "typed keys reach the edit");
        TBitmap Shot;
        GrabWindow(&Form, &Shot);
        std::set<TColor> Colours;
        for (int Y = 0; Y < Shot.Height(); Y += 4)
            for (int X = 0; X < Shot.Width(); X += 4)
                Colours.insert(Shot.Canvas()->Pixels(X, Y));
        Check(Shot.Width() > 0 && Colours.size() > 2, "the window paints");
    }
    GuiShutdown();
    std::printf("%d passed, %d failed\n", Failures == 0 ? 1 : 0, Failures == 0 ? 0 : 1);
    return Failures == 0 ? 0 : 1;
}
