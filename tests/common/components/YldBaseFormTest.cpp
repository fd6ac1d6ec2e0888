#include "common/components/YldBaseForm.h"

#include "common/base/Funcs.h"
#include "common/components/FuncsVCL.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Grids.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"
#include "platform/classes/Strings.h"
#include "platform/winapi/SystemMetrics.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/support/ComponentStreams.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

/// A dialog as the program builds one at StoredPpi: a panel, a label with
/// its own font, a fixed-width control, a grid and size constraints.
struct DesignedForm {
    std::unique_ptr<TBaseForm> Form = std::make_unique<TBaseForm>(nullptr);
    TPanel* Panel;
    TLabel* Label;
    TPanel* Fixed;
    TDrawGrid* Grid;

    explicit DesignedForm(int StoredPpi)
    {
        const LoadingScope Loading(Form.get());
        Form->SetStoredPixelsPerInch(StoredPpi);
        // Laid out at 120 or, for any other density, at 96.
        const bool At96 = StoredPpi != 120;
        Form->SetClientWidth(At96 ? 400 : 500);
        Form->SetClientHeight(At96 ? 300 : 375);
        Form->Font()->SetHeight(At96 ? -12 : -15);
        Form->Constraints()->SetMinHeight(0);
        Panel = new TPanel(Form.get());
        Panel->SetParent(Form.get());
        Label = new TLabel(Form.get());
        Label->SetParent(Panel);
        Label->SetParentFont(false);
        Label->SetAutoSize(false);
        Fixed = new TPanel(Form.get());
        Fixed->SetParent(Form.get());
        TControlStyle Style = Fixed->ControlStyle();
        Style.Include(csFixedWidth);
        Fixed->SetControlStyle(Style);
        Grid = new TDrawGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetColCount(3);
        if (At96) {
            Panel->SetBounds(16, 32, 80, 24);
            Panel->Constraints()->SetMinWidth(80);
            Label->SetBounds(8, 4, 40, 16);
            Label->Font()->SetSize(8);
            Fixed->SetBounds(16, 80, 50, 20);
            Grid->SetBounds(16, 120, 320, 96);
            Grid->SetDefaultColWidth(64);
            Grid->SetDefaultRowHeight(24);
            Grid->SetColWidths(1, 40);
        } else {
            Panel->SetBounds(20, 40, 100, 30);
            Panel->Constraints()->SetMinWidth(100);
            Label->SetBounds(10, 5, 50, 20);
            Label->Font()->SetSize(10);
            Fixed->SetBounds(20, 100, 50, 25);
            Grid->SetBounds(20, 150, 400, 120);
            Grid->SetDefaultColWidth(80);
            Grid->SetDefaultRowHeight(30);
            Grid->SetColWidths(1, 50);
        }
    }
};

struct Geometry {
    int ClientW, ClientH, FontHeight;
    TRect Panel;
    int PanelMinWidth;
    TRect Label;
    int LabelFontSize;
    TRect Fixed;
    int GridDefaultCol, GridCol1, GridDefaultRow;
};

Geometry Measure(DesignedForm& D)
{
    return {D.Form->ClientWidth(), D.Form->ClientHeight(), D.Form->Font()->Height(),
            D.Panel->BoundsRect(), D.Panel->Constraints()->MinWidth(), D.Label->BoundsRect(),
            D.Label->Font()->Size(), D.Fixed->BoundsRect(), D.Grid->DefaultColWidth(),
            D.Grid->ColWidths(1), D.Grid->DefaultRowHeight()};
}

struct ScaleCase {
    const char* Name;
    int StoredPpi;
    int ScreenPpi;
    Geometry Expected;
};

const ScaleCase ScaleCases[] = {
    // Designed at 96, shown at 120: everything grows by 5/4; the fixed-width
    // control keeps its width and moves.
    {"96 to 120", 96, 120,
     {500, 375, -15, Bounds(20, 40, 100, 30), 100, Bounds(10, 5, 50, 20), 10,
      Bounds(20, 100, 50, 25), 80, 50, 30}},
    // Designed at 120, shown at 96: shrinks by 4/5, the form one pixel more
    // each way so that no content is cut.
    {"120 to 96", 120, 96,
     {401, 301, -12, Bounds(16, 32, 80, 24), 80, Bounds(8, 4, 40, 16), 8,
      Bounds(16, 80, 50, 20), 64, 40, 24}},
    // Designed at the screen's density: nothing changes.
    {"96 at 96", 96, 96,
     {400, 300, -12, Bounds(16, 32, 80, 24), 80, Bounds(8, 4, 40, 16), 8,
      Bounds(16, 80, 50, 16), 64, 40, 24}},
    // No stored density: never scaled.
    {"no density", 0, 120,
     {400, 300, -12, Bounds(16, 32, 80, 24), 80, Bounds(8, 4, 40, 16), 8,
      Bounds(16, 80, 50, 16), 64, 40, 24}},
};

} // namespace

TEST(BaseForm, ScalesToTheScreenDensityWhenLoaded)
{
    for (const ScaleCase& C : ScaleCases) {
        SCOPED_TRACE(C.Name);
        SystemMetricsScope Metrics;
        Metrics->PixelsPerInch = C.ScreenPpi;
        DesignedForm D(C.StoredPpi);
        const Geometry G = Measure(D);
        const Geometry& E = C.Expected;
        EXPECT_EQ(G.ClientW, E.ClientW);
        EXPECT_EQ(G.ClientH, E.ClientH);
        EXPECT_EQ(G.FontHeight, E.FontHeight);
        EXPECT_EQ(G.Panel, E.Panel);
        EXPECT_EQ(G.PanelMinWidth, E.PanelMinWidth);
        EXPECT_EQ(G.Label, E.Label);
        EXPECT_EQ(G.LabelFontSize, E.LabelFontSize);
        EXPECT_EQ(G.Fixed.Left, E.Fixed.Left);
        EXPECT_EQ(G.Fixed.Width(), E.Fixed.Width());
        EXPECT_EQ(G.GridDefaultCol, E.GridDefaultCol);
        EXPECT_EQ(G.GridCol1, E.GridCol1);
        EXPECT_EQ(G.GridDefaultRow, E.GridDefaultRow);
    }
}

TEST(BaseForm, FormConstraintsKeepTheFrameAndZeroStaysZero)
{
    SystemMetricsScope Metrics;
    Metrics->PixelsPerInch = 120;
    auto Form = std::make_unique<TBaseForm>(nullptr);
    int FrameW = 0;
    {
        const LoadingScope Loading(Form.get());
        Form->SetStoredPixelsPerInch(96);
        Form->SetClientWidth(400);
        FrameW = Form->Width() - Form->ClientWidth();
        Form->Constraints()->SetMinWidth(200 + FrameW);
        Form->Constraints()->SetMaxWidth(0);
    }
    EXPECT_EQ(Form->Constraints()->MinWidth(), 250 + FrameW);
    EXPECT_EQ(Form->Constraints()->MaxWidth(), 0);
    EXPECT_EQ(Form->Constraints()->MinHeight(), 0);
}

TEST(BaseForm, ScaleFixInAFormStreamScalesFromTheStoredDensity)
{
    using namespace component_streams;
    SystemMetricsScope Metrics;
    Metrics->PixelsPerInch = 120;
    TBaseForm Form(nullptr);
    auto* Panel = new TPanel(&Form);
    Panel->SetParent(&Form);
    Panel->SetBounds(16, 32, 80, 24);
    // The form was designed at 96 (its PixelsPerInch as read) and the
    // stream says "ScaleFix".
    const Bytes Stream = Concat({Signature(), Short("TBaseForm"), Short("Form1"),
                                 Short("ScaleFix"), Bytes{vaTrue}, Bytes{0}, Bytes{0}});
    Read(Stream, &Form);
    EXPECT_EQ(Form.StoredPixelsPerInch(), 96);
    EXPECT_EQ(Form.PixelsPerInch(), 120);
    EXPECT_EQ(Panel->BoundsRect(), Bounds(20, 40, 100, 30));
}

TEST(BaseForm, EscapeClosesUnlessLocked)
{
    struct EscCase {
        const char* Name;
        bool Modal;
        int Locks;
        int CloseOnEscape;
        bool Closes;
    };
    const EscCase Cases[] = {
        {"modeless", false, 0, 1, true},         // posted WM_CLOSE
        {"modeless locked", false, 1, 1, false}, // the lock holds Esc back
        {"modal", true, 0, 1, true},             // cancels the modal run
        {"modal locked", true, 1, 1, false},
        {"switched off", false, 0, 0, false},
    };
    for (const EscCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TBaseForm Form(nullptr);
        Form.SetSavePlacement(false);
        for (int I = 0; I < C.Locks; ++I)
            Form.LockEscape();
        Form.SetCloseOnEscape(C.CloseOnEscape);
        if (C.Modal) {
            bool Sent = false;
            const ModalHookScope Hook([&](TCustomForm& F) {
                if (Sent) {
                    F.SetModalResult(mrAbort);
                    return;
                }
                Sent = true;
                F.Perform(CM_DIALOGKEY, VK_ESCAPE, 0);
            });
            EXPECT_EQ(Form.ShowModal(), C.Closes ? mrCancel : mrAbort);
            continue;
        }
        Form.Show();
        Form.Perform(CM_DIALOGKEY, VK_ESCAPE, 0);
        Application->ProcessMessages();
        EXPECT_EQ(Form.Visible(), !C.Closes);
    }
}

TEST(BaseForm, PlacementKeptUnderItsName)
{
    const NoLogScope NoLog;
    TempDir Tmp;
    const AnsiString OldStart = GetStartDir();
    const AnsiString OldExe = GetExeName();
    const bool OldSave = gCanSaveSettings;
    SetAppLocation(AnsiString::FromUtf8(Tmp.Path().string() + "/"), "pricetags");
    gCanSaveSettings = true;
    {
        TBaseForm First(nullptr);
        First.SetName("FormPlaced");
        First.Show();
        First.SetBounds(40, 50, 333, 222);
        First.Close();
        TBaseForm Second(nullptr);
        Second.SetName("FormPlaced");
        Second.Show();
        EXPECT_EQ(Second.BoundsRect(), Bounds(40, 50, 333, 222));
        // An embedded form keeps no placement of its own.
        TBaseForm Host(nullptr);
        TBaseForm Inner(nullptr);
        Inner.SetParent(&Host);
        Inner.SetName("FormPlaced");
        Inner.SetBounds(1, 2, 30, 40);
        Inner.Show();
        EXPECT_EQ(Inner.BoundsRect(), Bounds(1, 2, 30, 40));
        Inner.SetParent(nullptr);
    }
    gCanSaveSettings = OldSave;
    SetAppLocation(OldStart, OldExe);
}

TEST(BaseForm, HideObjectFreedAfterEveryHide)
{
    struct Watched : TObject {
        bool* Freed;
        explicit Watched(bool* F) : Freed(F) {}
        ~Watched() override { *Freed = true; }
    };
    bool Freed = false;
    TBaseForm Form(nullptr);
    Form.SetSavePlacement(false);
    Form.SetHideObject(std::make_unique<Watched>(&Freed));
    Form.Show();
    EXPECT_FALSE(Freed);
    Form.Hide();
    EXPECT_TRUE(Freed);
    EXPECT_EQ(Form.HideObject(), nullptr);
}

TEST(BaseForm, WheelOverAnUnfocusedMemoScrollsThatMemo)
{
    TBaseForm Form(nullptr);
    Form.SetSavePlacement(false);
    TMemo* Memo;
    TEdit* Edit;
    {
        const LoadingScope Loading(&Form);
        Form.SetBounds(100, 100, 400, 300);
        Edit = new TEdit(&Form);
        Edit->SetParent(&Form);
        Edit->SetBounds(8, 8, 100, 21);
        Memo = new TMemo(&Form);
        Memo->SetParent(&Form);
        Memo->SetBounds(8, 40, 300, 60);
    }
    for (int I = 0; I < 40; ++I)
        Memo->Lines()->Add("line " + IntToStr(I));
    Form.Show();
    Edit->SetFocus();
    Application->ProcessMessages();
    ASSERT_TRUE(Memo->OnMouseWheel);
    SimulateWheel(Memo, -120, 20, 20);
    Application->ProcessMessages();
    EXPECT_EQ(Memo->TopLine(), 1);
}
