#include "platform/forms/ExtCtrls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

/// A 400 x 300 form: a panel aligned Align (100 pixels across), a splitter
/// beside it and a panel filling the rest.
class SplitterFixture : public TComponent {
public:
    SplitterFixture(TAlign Align, TResizeStyle Style) : TComponent(nullptr), Form(nullptr, 0)
    {
        Form.SetBounds(0, 0, 400, 300);
        Side = new TPanel(&Form);
        Side->SetParent(&Form);
        Side->SetAlign(Align);
        if (Align == alLeft || Align == alRight)
            Side->SetWidth(100);
        else
            Side->SetHeight(100);
        Bar = new TSplitter(&Form);
        Bar->SetParent(&Form);
        Bar->SetAlign(Align);
        // Placed beyond the panel so that alignment puts it next to it; a
        // bar across the form is 3 pixels high.
        const bool Across = Align == alTop || Align == alBottom;
        Bar->SetBounds(Align == alRight ? 0 : 390, Align == alBottom ? 0 : 290, Across ? 400 : 3, Across ? 3 : 300);
        Bar->SetResizeStyle(Style);
        Bar->OnMoved = TNotifyEvent(this, &SplitterFixture::Moved);
        Rest = new TPanel(&Form);
        Rest->SetParent(&Form);
        Rest->SetAlign(alClient);
        Form.Show();
    }

    int Size() const { return Side->Align() == alLeft || Side->Align() == alRight ? Side->Width() : Side->Height(); }

    /// Presses on the bar, moves the mouse by Delta across it in two steps
    /// and releases (form coordinates: the bar itself may move meanwhile).
    void Drag(int Delta)
    {
        const bool Horz = Bar->Align() == alLeft || Bar->Align() == alRight;
        const TPoint P {Bar->Left() + 1, Bar->Top() + 1};
        const TPoint Half {P.X + (Horz ? Delta / 2 : 0), P.Y + (Horz ? 0 : Delta / 2)};
        const TPoint End {P.X + (Horz ? Delta : 0), P.Y + (Horz ? 0 : Delta)};
        SimulateMouseDown(&Form, mbLeft, P.X, P.Y);
        SimulateMouseMove(&Form, Half.X, Half.Y, {ssLeft});
        SimulateMouseMove(&Form, End.X, End.Y, {ssLeft});
        SimulateMouseUp(&Form, mbLeft, End.X, End.Y);
    }

    void Moved(TObject*) { ++MovedCount; }

    TForm Form;
    TPanel* Side;
    TSplitter* Bar;
    TPanel* Rest;
    int MovedCount = 0;
};

TEST(TSplitter, SitsBesideItsControlWithTheCursorAcrossIt)
{
    SplitterFixture Left(alLeft, rsUpdate);
    EXPECT_EQ(Left.Bar->Left(), 100);
    EXPECT_EQ(Left.Bar->Width(), 3);
    EXPECT_EQ(Left.Bar->Cursor(), crHSplit);
    SplitterFixture Bottom(alBottom, rsUpdate);
    EXPECT_EQ(Bottom.Bar->Top() + Bottom.Bar->Height(), Bottom.Side->Top());
    EXPECT_EQ(Bottom.Bar->Cursor(), crVSplit);
}

TEST(TSplitter, DraggingResizesTheControlWithinItsLimits)
{
    struct Case {
        TAlign Align;
        TResizeStyle Style;
        int Delta;
        int Size; // -1: the largest size the parent leaves
    };
    const Case Cases[] = {
        {alLeft, rsUpdate, 50, 150},    // wider as the bar moves right
        {alLeft, rsPattern, 50, 150},   // the same at release with a line
        {alLeft, rsLine, -50, 50},      // narrower
        {alRight, rsUpdate, 30, 70},    // a right-aligned control shrinks moving right
        {alTop, rsNone, 20, 120},       // downwards
        {alBottom, rsPattern, -25, 125}, // a bottom control grows moving up
        {alLeft, rsUpdate, -75, 0},     // below MinSize it snaps to nothing
        {alLeft, rsUpdate, 1000, -1},   // the rest of the parent keeps MinSize
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Align) + " " + std::to_string(C.Style) + " " + std::to_string(C.Delta));
        SplitterFixture F(C.Align, C.Style);
        const int Largest = F.Form.ClientWidth() - F.Bar->MinSize() - F.Bar->Width();
        F.Drag(C.Delta);
        EXPECT_EQ(F.Size(), C.Size < 0 ? Largest : C.Size);
        EXPECT_GE(F.MovedCount, 1);
        if (C.Style != rsUpdate) {
            EXPECT_EQ(F.MovedCount, 1); // the size changes once, at release
        }
        // Alignment keeps the bar beside the control.
        if (C.Align == alLeft) {
            EXPECT_EQ(F.Bar->Left(), F.Side->Width());
        }
    }
}

TEST(TSplitter, AutoSnapOffKeepsMinSize)
{
    SplitterFixture F(alLeft, rsUpdate);
    F.Bar->SetAutoSnap(false);
    F.Drag(-90);
    EXPECT_EQ(F.Size(), 30);
}

struct ResizeRule : TComponent {
    ResizeRule() : TComponent(nullptr) {}
    void CanResize(TObject*, int& NewSize, bool& Accept)
    {
        Accept = NewSize != 140;
        NewSize = NewSize / 10 * 10;
    }
};

TEST(TSplitter, OnCanResizeMayRoundOrRefuseASize)
{
    SplitterFixture F(alLeft, rsUpdate);
    ResizeRule Rule;
    F.Bar->OnCanResize = TCanResizeEvent(&Rule, &ResizeRule::CanResize);
    F.Drag(27);
    EXPECT_EQ(F.Size(), 120); // 127 rounded down
    F.Drag(20);               // the half-way 130 is taken, 140 refused
    EXPECT_EQ(F.Size(), 130);
}

TEST(TSplitter, LostCaptureCancelsTheDrag)
{
    SplitterFixture F(alLeft, rsUpdate);
    SimulateMouseDown(&F.Form, mbLeft, 101, 1);
    SimulateMouseMove(&F.Form, 141, 1, {ssLeft});
    EXPECT_EQ(F.Size(), 140); // live resizing
    SendMessage(F.Form.Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(F.Size(), 100);
    EXPECT_FALSE(F.Bar->MouseCapture());
    SimulateMouseUp(&F.Form, mbLeft, 141, 1); // a late release changes nothing
    EXPECT_EQ(F.Size(), 100);
}

TEST(TSplitter, PatternLineLeavesNoTraceAndWithoutAControlNothingMoves)
{
    SplitterFixture F(alLeft, rsPattern);
    TBitmap Before;
    GrabWindow(&F.Form, &Before);
    SimulateMouseDown(F.Bar, mbLeft, 1, 1);
    SimulateMouseMove(F.Bar, 30, 1, {ssLeft});
    SendMessage(F.Form.Handle(), WM_CANCELMODE, 0, 0);
    TBitmap After;
    GrabWindow(&F.Form, &After);
    int Differ = 0;
    for (int Y = 0; Y < Before.Height(); Y += 3)
        for (int X = 0; X < Before.Width(); X += 3)
            Differ += Before.Canvas()->Pixels(X, Y) != After.Canvas()->Pixels(X, Y);
    EXPECT_EQ(Differ, 0);
    // A bar with nothing beside it does nothing.
    F.Side->SetVisible(false);
    F.Drag(40);
    EXPECT_EQ(F.MovedCount, 0);
}

}  // namespace
