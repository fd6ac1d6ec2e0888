// Dragging between controls: automatic and manual drags by simulated
// input, accepting and refusing targets, cancelling, the application's own
// drag objects and the CM_DRAG record.

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string Name(TObject* O)
{
    if (auto* C = dynamic_cast<TComponent*>(O))
        return C->Name().Std();
    return O ? "object" : "none";
}

// Logs the drag events of the controls it is wired to.
struct Recorder : TObject {
    std::vector<std::string> Log;
    /// Whether OnDragOver accepts.
    bool Accept = true;
    TDragObject* OwnObject = nullptr;

    void Over(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& A)
    {
        static const char* const States[] = {"enter", "leave", "move"};
        Log.push_back(Name(Sender) + " " + States[State] + " " + Name(Source) + " " + std::to_string(X) + "," +
            std::to_string(Y));
        A = Accept;
    }
    void Drop(TObject* Sender, TObject* Source, int X, int Y)
    {
        Log.push_back(Name(Sender) + " drop " + Name(Source) + " " + std::to_string(X) + "," + std::to_string(Y));
    }
    void Start(TObject* Sender, TDragObject*& Object)
    {
        Log.push_back(Name(Sender) + " start");
        if (OwnObject)
            Object = OwnObject;
    }
    void End(TObject* Sender, TObject* Target, int X, int Y)
    {
        Log.push_back(Name(Sender) + " end " + Name(Target) + " " + std::to_string(X) + "," + std::to_string(Y));
    }
    void Down(TObject* Sender, TMouseButton, TShiftState, int, int) { Log.push_back(Name(Sender) + " mouse down"); }
};

class Pad : public TCustomControl {
public:
    explicit Pad(TComponent* AOwner) : TCustomControl(AOwner) {}
};

class Spot : public TGraphicControl {
public:
    explicit Spot(TComponent* AOwner) : TGraphicControl(AOwner) {}
};

// A form with a source pad A (automatic drag), a target pad B and, on B, a
// painted spot C; all wired to one recorder.
struct DragForm {
    TForm Form {nullptr};
    Recorder R;
    Pad* A = nullptr;
    Pad* B = nullptr;
    Spot* C = nullptr;

    DragForm()
    {
        Form.SetBounds(100, 100, 400, 300);
        A = Make<Pad>(&Form, "A", 10, 10);
        B = Make<Pad>(&Form, "B", 200, 10);
        C = Make<Spot>(B, "C", 50, 50);
        C->SetBounds(50, 50, 40, 40);
        A->SetDragMode(dmAutomatic);
        Form.Show();
        Application->ProcessMessages();
    }
    template <class T>
    T* Make(TWinControl* Parent, const char* N, int X, int Y)
    {
        auto* P = new T(&Form);
        P->SetName(N);
        P->SetParent(Parent);
        P->SetBounds(X, Y, 150, 150);
        P->OnDragOver = TDragOverEvent(&R, &Recorder::Over);
        P->OnDragDrop = TDragDropEvent(&R, &Recorder::Drop);
        P->OnStartDrag = TStartDragEvent(&R, &Recorder::Start);
        P->OnEndDrag = TEndDragEvent(&R, &Recorder::End);
        P->OnMouseDown = TMouseEvent(&R, &Recorder::Down);
        return P;
    }
};

using Lines = std::vector<std::string>;

}  // namespace

TEST(ControlsDrag, AutomaticDragDropsOnAnAcceptingControl)
{
    DragForm F;
    SimulateMouseDown(F.A, mbLeft, 5, 5);
    EXPECT_TRUE(F.A->Dragging());
    SimulateMouseMove(F.B, 10, 20);
    SimulateMouseMove(F.B, 12, 20);
    SimulateMouseUp(F.B, mbLeft, 12, 20);
    EXPECT_FALSE(F.A->Dragging());
    EXPECT_EQ(DragObject(), nullptr);
    EXPECT_FALSE(F.A->ControlState().Contains(csLButtonDown));
    // The press went to the drag, not to OnMouseDown; the source itself is
    // the first control the drag is over, and hears it leave where the
    // mouse went.
    EXPECT_EQ(F.R.Log, (Lines {"A start", "A enter A 5,5", "A move A 5,5", "A leave A 200,20", "B enter A 10,20",
                           "B move A 10,20", "B move A 12,20", "B move A 12,20", "B drop A 12,20", "A end B 12,20"}));
}

TEST(ControlsDrag, GraphicChildIsFoundAsTarget)
{
    DragForm F;
    F.A->SetDragMode(dmManual);
    SimulateMouseMove(F.A, 5, 5);
    F.A->BeginDrag(true);
    F.R.Log.clear();
    SimulateMouseMove(F.B, 60, 60);
    SimulateMouseUp(F.B, mbLeft, 60, 60);
    EXPECT_EQ(F.R.Log, (Lines {"A leave A 250,60", "C enter A 10,10", "C move A 10,10", "C move A 10,10",
                           "C drop A 10,10", "A end C 10,10"}));
}

TEST(ControlsDrag, RefusedOrCancelledDragsEndWithoutTarget)
{
    struct Case {
        const char* Name;
        bool Accept;
        void (*Finish)(DragForm&);
        Lines Expected;
    };
    const Case Cases[] = {
        {"released over a refusing control", false, [](DragForm& F) { SimulateMouseUp(F.B, mbLeft, 10, 20); },
            {"B move A 10,20", "B leave A 10,20", "A end none 10,20"}},
        {"Escape", true, [](DragForm&) { SimulateKey(VK_ESCAPE); }, {"B leave A 10,20", "A end none 10,20"}},
        {"right button", true, [](DragForm& F) { SimulateMouseDown(F.B, mbRight, 10, 20); },
            {"B leave A 10,20", "A end none 10,20"}},
        {"EndDrag(false)", true, [](DragForm& F) { F.A->EndDrag(false); }, {"B leave A 10,20", "A end none 10,20"}},
        {"EndDrag(true)", true, [](DragForm& F) { F.A->EndDrag(true); }, {"B drop A 10,20", "A end B 10,20"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        DragForm F;
        F.R.Accept = C.Accept;
        SimulateMouseDown(F.A, mbLeft, 5, 5);
        SimulateMouseMove(F.B, 10, 20);
        F.R.Log.clear();
        C.Finish(F);
        EXPECT_EQ(F.R.Log, C.Expected);
        EXPECT_FALSE(F.A->Dragging());
        SimulateMouseUp(F.B, mbLeft, 10, 20);
    }
}

TEST(ControlsDrag, ManualDragWaitsForItsThreshold)
{
    DragForm F;
    F.A->SetDragMode(dmManual);
    struct Starter : TObject {
        void Down(TObject* Sender, TMouseButton, TShiftState, int, int)
        {
            static_cast<TControl*>(Sender)->BeginDrag(false, 10);
        }
    } S;
    F.A->OnMouseDown = TMouseEvent(&S, &Starter::Down);
    // A short move and a release: the drag never starts but still ends.
    SimulateMouseDown(F.A, mbLeft, 5, 5);
    SimulateMouseMove(F.A, 9, 9);
    SimulateMouseUp(F.A, mbLeft, 9, 9);
    EXPECT_EQ(F.R.Log, (Lines {"A start", "A end none 9,9"}));
    // A long one starts it.
    F.R.Log.clear();
    SimulateMouseDown(F.A, mbLeft, 5, 5);
    SimulateMouseMove(F.A, 16, 5);
    SimulateMouseUp(F.A, mbLeft, 16, 5);
    EXPECT_EQ(F.R.Log, (Lines {"A start", "A enter A 16,5", "A move A 16,5", "A move A 16,5", "A drop A 16,5",
                           "A end A 16,5"}));
}

TEST(ControlsDrag, ApplicationDragObjectIsTheSourceAndStaysItsOwn)
{
    struct Parcel : TDragObject {
        std::vector<std::string> Ends;
        void Finished(TObject* Target, int, int, bool Accepted) override
        {
            Ends.push_back(Name(Target) + (Accepted ? " taken" : " refused"));
        }
        TCursor GetDragCursor(bool Accepted, int, int) override { return Accepted ? crHandPoint : crNo; }
    } P;
    DragForm F;
    F.R.OwnObject = &P;
    SimulateMouseDown(F.A, mbLeft, 5, 5);
    EXPECT_EQ(DragObject(), &P);
    SimulateMouseMove(F.B, 10, 20);
    SimulateMouseUp(F.B, mbLeft, 10, 20);
    EXPECT_EQ(F.R.Log.back(), "B drop object 10,20");
    EXPECT_EQ(P.Ends, (Lines {"B taken"}));
}

TEST(ControlsDrag, ControlWithoutDragOverHandlerRefuses)
{
    DragForm F;
    F.B->OnDragOver = TDragOverEvent();
    SimulateMouseDown(F.A, mbLeft, 5, 5);
    SimulateMouseMove(F.B, 10, 20);
    SimulateMouseUp(F.B, mbLeft, 10, 20);
    EXPECT_EQ(F.R.Log.back(), "A end none 10,20");
    // The control's own drag cursor shows over accepting controls only.
    TDragControlObject O(F.A);
    F.A->SetDragCursor(crHandPoint);
    EXPECT_EQ(O.GetDragCursor(true, 0, 0), crHandPoint);
    EXPECT_EQ(O.GetDragCursor(false, 0, 0), crNoDrop);
}

TEST(ControlsDrag, DragRecordAnswersByMessage)
{
    DragForm F;
    TDragControlObject O(F.A);
    TDragRec Rec;
    Rec.Source = &O;
    Rec.Pos = F.B->ClientToScreen(Point(60, 70));
    struct Case {
        TDragMessage Msg;
        bool Accept;
        LRESULT Expected;
    };
    const Case Cases[] = {
        {dmDragEnter, true, 1}, {dmDragMove, false, 0}, {dmDragLeave, true, 1}, {dmDragDrop, true, 0},
        {dmDragCancel, true, 0},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Msg);
        F.R.Accept = C.Accept;
        EXPECT_EQ(F.B->Perform(CM_DRAG, C.Msg, reinterpret_cast<LPARAM>(&Rec)), C.Expected);
    }
    EXPECT_EQ(F.R.Log, (Lines {"B enter A 60,70", "B move A 60,70", "B leave A 60,70", "B drop A 60,70"}));
    EXPECT_EQ(F.B->Perform(CM_DRAG, dmFindTarget, reinterpret_cast<LPARAM>(&Rec)), reinterpret_cast<LRESULT>(F.C));
    Rec.Pos = F.B->ClientToScreen(Point(5, 5));
    EXPECT_EQ(F.B->Perform(CM_DRAG, dmFindTarget, reinterpret_cast<LPARAM>(&Rec)), reinterpret_cast<LRESULT>(F.B));
}

TEST(ControlsDrag, FreedSourceEndsTheDragQuietly)
{
    DragForm F;
    SimulateMouseDown(F.A, mbLeft, 5, 5);
    SimulateMouseMove(F.B, 10, 20);
    F.R.Log.clear();
    delete F.A;
    EXPECT_EQ(DragObject(), nullptr);
    EXPECT_EQ(F.R.Log, (Lines {"B leave object 10,20"}));
    SimulateMouseUp(F.B, mbLeft, 10, 20);
}
