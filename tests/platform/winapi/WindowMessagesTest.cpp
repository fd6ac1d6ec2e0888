// Window messages as the window system sends them: the hit test for every
// mouse message, the cursor question over the frame, frame painting with
// an update region on a window DC, and messages sent from other threads.

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/classes/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int HeaderHeight = 20;
constexpr COLORREF HeaderColor = RGB(200, 0, 0);

// A control with a header strip in its frame, painted and hit-tested as
// the tree's header is; the right half of its client area answers as
// caption, to show that client points are hit-tested too.
class Headed : public TCustomControl {
public:
    explicit Headed(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::vector<std::string> Log;
    /// The update regions of WM_NCPAINT: "whole", or the region's box.
    std::vector<TRect> PaintedRegions;
    int WholeFramePaints = 0;

protected:
    void Dispatch(TMessage& M) override
    {
        switch (M.Msg) {
        case WM_NCCALCSIZE:
            TCustomControl::Dispatch(M);
            reinterpret_cast<TRect*>(M.LParam)->Top += HeaderHeight;
            return;
        case WM_NCHITTEST: {
            TCustomControl::Dispatch(M);
            const TPoint P = ScreenToClient(Point(GetXLParam(M.LParam), GetYLParam(M.LParam)));
            if (P.Y < 0 && P.Y >= -HeaderHeight)
                M.Result = HTBORDER;
            else if (M.Result == HTCLIENT && P.X >= Width() / 2)
                M.Result = HTCAPTION;
            return;
        }
        case WM_SETCURSOR: {
            const TWMSetCursor R(M);
            Log.push_back("cursor " + std::to_string(R.HitTest) + " " + std::to_string(R.MouseMsg));
            M.Result = R.HitTest == HTBORDER ? 1 : 0;
            if (!M.Result)
                TCustomControl::Dispatch(M);
            return;
        }
        case WM_NCPAINT: {
            TCustomControl::Dispatch(M);
            const TWMNCPaint R(M);
            if (R.RGN) {
                TRect Box;
                GetRgnBox(R.RGN, Box);
                PaintedRegions.push_back(Box);
            } else {
                ++WholeFramePaints;
            }
            HDC DC = GetDCEx(Handle(), R.RGN, DCX_WINDOW | DCX_INTERSECTRGN);
            HBRUSH Brush = CreateSolidBrush(HeaderColor);
            FillRect(DC, Rect(0, 0, Width(), HeaderHeight), Brush);
            DeleteObject(Brush);
            ReleaseDC(Handle(), DC);
            return;
        }
        case WM_NCMOUSEMOVE: Log.push_back("nc move " + std::to_string(M.WParam)); return;
        case WM_NCLBUTTONDOWN: Log.push_back("nc down " + std::to_string(M.WParam)); return;
        case WM_MOUSEMOVE: Log.push_back("move " + std::to_string(GetXLParam(M.LParam))); return;
        case WM_LBUTTONDOWN: Log.push_back("down " + std::to_string(GetXLParam(M.LParam))); return;
        default: TCustomControl::Dispatch(M);
        }
    }
};

struct HeadedForm {
    TForm Form {nullptr};
    Headed* H = nullptr;
    HeadedForm()
    {
        Form.SetClientWidth(200);
        Form.SetClientHeight(200);
        H = new Headed(&Form);
        H->SetParent(&Form);
        H->SetBounds(10, 10, 100, 100);
        Form.Show();
        Application->ProcessMessages();
        H->Log.clear();
    }
};

/// The screen point of the window's top-left corner (frame included).
TPoint WindowOrigin(Headed* H)
{
    const TPoint C = H->ClientOrigin();
    return Point(C.X, C.Y - HeaderHeight);
}

}  // namespace

TEST(WindowMessages, MouseMessagesFollowTheHitTestInClientAndFrame)
{
    struct Case {
        int X, Y;
        bool Click;
        std::vector<std::string> Expected;
    };
    const std::string Border = std::to_string(HTBORDER);
    const std::string Caption = std::to_string(HTCAPTION);
    const std::string Move = std::to_string(WM_MOUSEMOVE);
    const Case Cases[] = {
        // The header: the cursor is asked with the frame part, then the move
        // goes to the frame.
        {10, -10, false, {"cursor " + Border + " " + Move, "nc move " + Border}},
        // The left of the client area: an ordinary move.
        {10, 10, false, {"cursor 1 " + Move, "move 10"}},
        // The right of the client area claimed as caption: frame messages.
        {80, 10, false, {"cursor " + Caption + " " + Move, "nc move " + Caption}},
        {80, 10, true, {"nc down " + Caption}},
        {10, 10, true, {"down 10"}},
        // The edges, to the pixel: the header's last row, the client's first
        // row, the last client column before the caption part.
        {10, -1, false, {"cursor " + Border + " " + Move, "nc move " + Border}},
        {10, 0, false, {"cursor 1 " + Move, "move 10"}},
        {49, 0, false, {"cursor 1 " + Move, "move 49"}},
        {50, 0, false, {"cursor " + Caption + " " + Move, "nc move " + Caption}},
    };
    HeadedForm F;
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.X) + "," + std::to_string(C.Y) + (C.Click ? " click" : " move"));
        F.H->Log.clear();
        if (C.Click)
            SimulateMouseDown(F.H, mbLeft, C.X, C.Y);
        else
            SimulateMouseMove(F.H, C.X, C.Y);
        EXPECT_EQ(F.H->Log, C.Expected);
        if (C.Click)
            SimulateMouseUp(F.H, mbLeft, C.X, C.Y);
    }
}

TEST(WindowMessages, FramePaintsOnTheWindowDCWithItsUpdateRegion)
{
    HeadedForm F;
    EXPECT_GE(F.H->WholeFramePaints, 1);
    TBitmap Shown;
    GrabWindow(&F.Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(10 + 50, 10 + 5), static_cast<TColor>(HeaderColor));
    EXPECT_NE(Shown.Canvas()->Pixels(10 + 50, 10 + HeaderHeight + 5), static_cast<TColor>(HeaderColor));

    // A part of the frame: the region comes in screen coordinates.
    F.H->PaintedRegions.clear();
    HRGN Part = CreateRectRgn(0, -HeaderHeight, 30, -10);  // client coordinates
    RedrawWindow(F.H->Handle(), nullptr, Part, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    DeleteObject(Part);
    ASSERT_EQ(F.H->PaintedRegions.size(), 1u);
    const TPoint O = WindowOrigin(F.H);
    EXPECT_EQ(F.H->PaintedRegions[0], Rect(O.X, O.Y, O.X + 30, O.Y + 10));
}

TEST(WindowMessages, WindowDCDrawsOnlyInsideTheGivenScreenRegion)
{
    HeadedForm F;
    const TPoint O = WindowOrigin(F.H);
    HRGN Left = CreateRectRgn(O.X, O.Y, O.X + 40, O.Y + 100);
    HDC DC = GetDCEx(F.H->Handle(), Left, DCX_WINDOW | DCX_INTERSECTRGN);
    HBRUSH Blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(DC, Rect(0, 0, 100, 100), Blue);
    ReleaseDC(F.H->Handle(), DC);
    DeleteObject(Blue);
    DeleteObject(Left);
    TBitmap Shown;
    GrabWindow(&F.Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(10 + 5, 10 + 5), static_cast<TColor>(RGB(0, 0, 255)));
    EXPECT_EQ(Shown.Canvas()->Pixels(10 + 60, 10 + 5), static_cast<TColor>(HeaderColor));
}

TEST(WindowMessages, PaintToCopiesTheFramePaintedOnTheWindow)
{
    HeadedForm F;
    TBitmap Copy;
    Copy.SetWidth(100);
    Copy.SetHeight(100);
    F.H->PaintTo(Copy.Canvas()->Handle(), 0, 0);
    EXPECT_EQ(Copy.Canvas()->Pixels(50, 5), static_cast<TColor>(HeaderColor));
    EXPECT_NE(Copy.Canvas()->Pixels(50, HeaderHeight + 5), static_cast<TColor>(HeaderColor));
}

namespace {

// Answers WM_USER with 42 and notes the thread it ran on.
class ThreadProbe : public TCustomControl {
public:
    explicit ThreadProbe(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::thread::id RanOn;
    bool Raise = false;

protected:
    void Dispatch(TMessage& M) override
    {
        if (M.Msg != WM_USER) {
            TCustomControl::Dispatch(M);
            return;
        }
        RanOn = std::this_thread::get_id();
        if (Raise)
            throw Exception("handler failed");
        M.Result = 42 + static_cast<LRESULT>(M.WParam);
    }
};

/// Runs Work on a thread while this thread serves its messages; Work's result.
LRESULT OnWorker(const std::function<LRESULT()>& Work, bool ServeByPeeking = false)
{
    std::atomic<bool> Done {false};
    LRESULT Result = 0;
    std::thread T([&] {
        Result = Work();
        Done = true;
    });
    while (!Done) {
        if (ServeByPeeking) {
            MSG M;
            PeekMessage(M, nullptr, 0, 0, PM_NOREMOVE);
        } else {
            Application->ProcessMessages();
        }
        std::this_thread::yield();
    }
    T.join();
    return Result;
}

}  // namespace

TEST(WindowMessages, SendFromAnotherThreadRunsOnTheWindowThreadAndWaits)
{
    TForm Form(nullptr);
    auto* P = new ThreadProbe(&Form);
    P->SetParent(&Form);
    HWND Wnd = P->Handle();
    for (bool Peeking : {false, true}) {
        SCOPED_TRACE(Peeking ? "served by PeekMessage" : "served by the event loop");
        P->RanOn = {};
        EXPECT_EQ(OnWorker([&] { return SendMessage(Wnd, WM_USER, 1, 0); }, Peeking), 43);
        EXPECT_EQ(P->RanOn, std::this_thread::get_id());
    }
}

TEST(WindowMessages, SendFromAnotherThreadToADeadOrFailingWindowGivesZero)
{
    TForm Form(nullptr);
    auto* P = new ThreadProbe(&Form);
    P->SetParent(&Form);
    HWND Wnd = P->Handle();
    P->Raise = true;
    const TExceptionEvent Old = Application->OnException;
    struct Swallow : TObject {
        int Count = 0;
        void Handle(TObject*, Exception*) { ++Count; }
    } Reported;
    Application->OnException = TExceptionEvent(&Reported, &Swallow::Handle);
    EXPECT_EQ(OnWorker([&] { return SendMessage(Wnd, WM_USER, 0, 0); }), 0);
    Application->OnException = Old;
    EXPECT_EQ(Reported.Count, 1);
    delete P;
    EXPECT_EQ(OnWorker([&] { return SendMessage(Wnd, WM_USER, 0, 0); }), 0);
}

TEST(WindowMessages, WaitingForAThreadThatSendsDoesNotDeadlock)
{
    TForm Form(nullptr);
    auto* P = new ThreadProbe(&Form);
    P->SetParent(&Form);
    struct Sender : TThread {
        HWND Wnd = nullptr;
        LRESULT Got = 0;
        void Execute() override { Got = SendMessage(Wnd, WM_USER, 2, 0); }
    } T;
    T.Wnd = P->Handle();
    T.Resume();
    T.WaitFor();
    EXPECT_EQ(T.Got, 44);
    EXPECT_EQ(P->RanOn, std::this_thread::get_id());
}

TEST(WindowMessages, PostFromAnotherThreadIsQueued)
{
    TForm Form(nullptr);
    auto* P = new ThreadProbe(&Form);
    P->SetParent(&Form);
    HWND Wnd = P->Handle();
    std::thread T([&] { PostMessage(Wnd, WM_USER, 0, 0); });
    T.join();
    EXPECT_EQ(P->RanOn, std::thread::id());
    Application->ProcessMessages();
    EXPECT_EQ(P->RanOn, std::this_thread::get_id());
}
