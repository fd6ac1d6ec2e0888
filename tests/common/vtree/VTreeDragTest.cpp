// Drag and drop of nodes: the drop effect by keys and allowed effects, the
// drop mode by position, drops refused or failing, the source tree found
// from a data object, drags by mouse inside a tree and between two trees
// (copy, move, cancel, auto-expand, auto-scroll, the drag image and the
// drop mark), drops from another program, the class library's drags, and
// cut nodes painted ghosted.

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Timers.h"
#include "platform/winapi/Messages.h"
#include "platform/rtl/Ticks.h"
#include "tests/common/components/ComponentsTestKit.h"
#include "tests/common/vtree/CaptionHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace components_test;

namespace {

using Texts = std::vector<std::u16string>;

/// The texts of CaptionHost, and the drops the tree sees, handled as an
/// application would: the drop's data goes to the drop target by the drop
/// mode, a move between trees of this program moves the nodes themselves.
struct Host : CaptionHost {
    std::vector<std::string> Drops;
    bool Refuse = false;
    bool Throw = false;

    using CaptionHost::CaptionHost;
    void DragOver(TBaseVirtualTree*, TObject*, TShiftState, TDragState, const TPoint&, TDropMode,
                  DWORD&, bool& Accept)
    {
        Accept = !Refuse;
    }
    void DragDrop(TBaseVirtualTree* Sender, TObject* Source, IDataObject* Data,
                  const TFormatArray& Formats, TShiftState, const TPoint&, DWORD& Effect,
                  TDropMode Mode)
    {
        if (Throw)
            throw Exception("drop handler failed");
        static const char* const Modes[] = {"nowhere", "above", "on", "below"};
        auto* Tree = dynamic_cast<TBaseVirtualTree*>(Source);
        std::string Line = std::string(Modes[Mode]) + (Tree ? " tree" : Source ? " object" : " foreign") +
                           " effect " + std::to_string(Effect) + " formats " +
                           std::to_string(Formats.size());
        Drops.push_back(Line);
        if (!Data)
            return;
        TVTNodeAttachMode Attach = amAddChildLast;
        if (Mode == dmAbove)
            Attach = amInsertBefore;
        else if (Mode == dmBelow)
            Attach = amInsertAfter;
        Sender->ProcessOLEData(Tree, Data, Sender->DropTargetNode(), Attach,
                               Tree && Effect == DROPEFFECT_MOVE);
    }
};

/// Two string trees side by side on a shown form, both taking drops.
struct DragForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr, 0);
    TVirtualStringTree* A = nullptr;
    TVirtualStringTree* B = nullptr;
    Host HA{u"a"};
    Host HB{u"b"};

    DragForm()
    {
        Form->SetBounds(40, 40, 360, 240);
        A = Make(HA, 4, 10);
        B = Make(HB, 3, 180);
        Form->Show();
        Application->ProcessMessages();
    }
    TVirtualStringTree* Make(Host& H, Cardinal Count, int X)
    {
        TVirtualStringTree* T = H.MakeTree(Form.get(), Count);
        T->SetBounds(X, 10, 160, 200);
        TVTPaintOptions Paint = T->TreeOptions()->PaintOptions();
        Paint.Include(toShowDropmark);
        T->TreeOptions()->SetPaintOptions(Paint);
        T->SetDragMode(dmAutomatic);
        T->OnDragOver = TVTDragOverEvent(&H, &Host::DragOver);
        T->OnDragDrop = TVTDragDropEvent(&H, &Host::DragDrop);
        return T;
    }
    static Texts TopTexts(TVirtualStringTree* T)
    {
        Texts R;
        for (PVirtualNode N = T->RootNode()->FirstChild; N; N = N->NextSibling)
            R.push_back(T->Text(N, NoColumn));
        return R;
    }
    static PVirtualNode Top(TVirtualStringTree* T, int I)
    {
        PVirtualNode N = T->RootNode()->FirstChild;
        while (N && I-- > 0)
            N = N->NextSibling;
        return N;
    }
    /// Client points of a node: on its text, and right of it in the upper
    /// or the lower half of its row.
    static TPoint OnLabel(TBaseVirtualTree* T, PVirtualNode N)
    {
        const TRect R = T->NodeDisplayRect(N, NoColumn, true);
        return TPoint{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
    }
    static TPoint Upper(TBaseVirtualTree* T, PVirtualNode N)
    {
        const TRect R = T->NodeDisplayRect(N, NoColumn, false);
        return TPoint{T->ClientWidth() - 10, R.Top + 2};
    }
    static TPoint Lower(TBaseVirtualTree* T, PVirtualNode N)
    {
        const TRect R = T->NodeDisplayRect(N, NoColumn, false);
        return TPoint{T->ClientWidth() - 10, R.Bottom - 3};
    }

    /// Presses the left button on Node of From and moves past the drag
    /// threshold; Steps run one by one on a timer while the drag loop
    /// runs (each may be an input step or a look at the state).
    void Drag(TVirtualStringTree* From, PVirtualNode Node, std::deque<std::function<void()>> Steps)
    {
        const TPoint P = OnLabel(From, Node);
        SimulateMouseMove(From, P.X, P.Y);
        SimulateMouseDown(From, mbLeft, P.X, P.Y);
        TTimer Timer(nullptr);
        Timer.SetInterval(5);
        struct Runner {
            std::deque<std::function<void()>>* Steps;
            void Tick(TObject*)
            {
                if (Steps->empty())
                    return;
                auto Step = std::move(Steps->front());
                Steps->pop_front();
                Step();
            }
        } Run{&Steps};
        Timer.OnTimer = TNotifyEvent(&Run, &Runner::Tick);
        // Past the threshold the drag loop starts and runs the steps.
        SimulateMouseMove(From, P.X + 12, P.Y + 2, {ssLeft});
        const Cardinal Deadline = GetTickCount() + 5000;
        while (!Steps.empty() && GetTickCount() < Deadline)
            Application->ProcessMessages();
        Timer.SetEnabled(false);
        EXPECT_TRUE(Steps.empty()) << "the drag ended before its steps ran";
    }
};

std::function<void()> MoveTo(TControl* C, TPoint P, TShiftState Shift = {ssLeft})
{
    return [=] { SimulateMouseMove(C, P.X, P.Y, Shift); };
}
std::function<void()> ReleaseOn(TControl* C, TPoint P, TShiftState Shift = {})
{
    return [=] { SimulateMouseUp(C, mbLeft, P.X, P.Y, Shift); };
}
std::function<void()> Wait(Cardinal Ms)
{
    return [=] {
        const Cardinal Until = GetTickCount() + Ms;
        while (GetTickCount() < Until)
            Application->ProcessMessages();
    };
}

}  // namespace

// ---- tables without a drag loop ---------------------------------------------------------------

TEST(VTreeDrag, DropEffectByKeysAndAllowedEffects)
{
    DragForm F;
    TObject Other;
    constexpr DWORD C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK;
    struct Case {
        const char* What;
        bool FromItself;
        TShiftState Shift;
        DWORD Allowed;
        DWORD Expected;
    };
    const Case Cases[] = {
        {"inside the tree: move", true, {}, C | M, M},
        {"from elsewhere: copy", false, {}, C | M, C},
        {"inside, move not allowed: the allowed stay", true, {}, C | L, C | L},
        {"from elsewhere, copy not allowed", false, {}, M | L, M | L},
        {"Ctrl: copy", true, {ssCtrl}, C | M, C},
        {"Ctrl, copy not allowed: move stays", true, {ssCtrl}, M, M},
        {"Shift: move", false, {ssShift}, C | M, M},
        {"Shift, move not allowed: copy stays", false, {ssShift}, C | L, C},
        {"Ctrl+Shift: link", true, {ssCtrl, ssShift}, C | M | L, L},
        {"Alt: link", false, {ssAlt}, C | M | L, L},
        {"Alt, link not allowed: default", true, {ssAlt}, C | M, M},
        {"buttons do not count as keys", false, {ssLeft, ssRight}, C | M, C},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        TObject* Source = K.FromItself ? static_cast<TObject*>(F.A) : &Other;
        EXPECT_EQ(F.A->ProposeDropEffect(Source, K.Shift, TPoint{0, 0}, K.Allowed), K.Expected);
    }
}

TEST(VTreeDrag, DropModeByPosition)
{
    DragForm F;
    TVirtualStringTree* T = F.B;
    PVirtualNode N1 = DragForm::Top(T, 1);
    const TRect Row = T->NodeDisplayRect(N1, NoColumn, false);
    struct Case {
        const char* What;
        TPoint P;
        bool ShowDropmark;
        TDropMode Mode;
        bool OnNode;
    };
    const int Right = T->ClientWidth() - 10;
    const int Middle = (Row.Top + Row.Bottom) / 2;
    const Case Cases[] = {
        {"upper half: above", {Right, Row.Top + 1}, true, dmAbove, true},
        {"the middle line: below", {Right, Middle}, true, dmBelow, true},
        {"lower half: below", {Right, Row.Bottom - 1}, true, dmBelow, true},
        {"on the text: on the node", DragForm::OnLabel(T, N1), true, dmOnNode, true},
        {"no drop mark shown: on the node", {Right, Row.Top + 1}, false, dmOnNode, true},
        {"below the last node: nowhere", {Right, T->ClientHeight() - 5}, true, dmNowhere, false},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        TVTPaintOptions Paint = T->TreeOptions()->PaintOptions();
        if (K.ShowDropmark)
            Paint.Include(toShowDropmark);
        else
            Paint.Exclude(toShowDropmark);
        T->TreeOptions()->SetPaintOptions(Paint);
        DWORD Effect = DROPEFFECT_COPY;
        ASSERT_EQ(T->OleDragOver(nullptr, 0, dsDragMove, T->ClientToScreen(K.P), Effect), S_OK);
        EXPECT_EQ(T->LastDropMode(), K.Mode);
        EXPECT_EQ(T->DropTargetNode(), K.OnNode ? N1 : nullptr);
        EXPECT_EQ(Effect, DWORD(DROPEFFECT_COPY));
        T->OleDragLeave();
        EXPECT_EQ(T->DropTargetNode(), nullptr);
    }
}

TEST(VTreeDrag, RefusedOrFailingDropsReportSoAndClearTheMark)
{
    DragForm F;
    TVirtualStringTree* T = F.B;
    const InterfacePtr<IDataObject> Data = F.A->CreateDragDataObject();
    const TPoint P = T->ClientToScreen(DragForm::OnLabel(T, DragForm::Top(T, 0)));
    struct Case {
        const char* What;
        bool Refuse;
        bool Throw;
        HRESULT Result;
        size_t Drops;
    };
    const Case Cases[] = {
        {"accepted", false, false, S_OK, 1},
        {"refused by the application: no drop event", true, false, E_FAIL, 0},
        {"the drop handler fails", false, true, E_UNEXPECTED, 0},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        F.HB.Refuse = K.Refuse;
        F.HB.Throw = K.Throw;
        F.HB.Drops.clear();
        DWORD Effect = DROPEFFECT_COPY;
        EXPECT_EQ(T->DragManager()->DragEnter(Data.Get(), 0, P, &Effect), S_OK);
        EXPECT_EQ(Effect, K.Refuse ? DWORD(DROPEFFECT_NONE) : DWORD(DROPEFFECT_COPY));
        Effect = DROPEFFECT_COPY;
        EXPECT_EQ(T->DragManager()->Drop(Data.Get(), 0, P, &Effect), K.Result);
        EXPECT_EQ(F.HB.Drops.size(), K.Drops);
        EXPECT_EQ(T->DropTargetNode(), nullptr);
        EXPECT_FALSE(T->DragManager()->IsDropTarget());
    }
}

TEST(VTreeDrag, DragContinuesUntilReleaseAndBothButtonsCancel)
{
    DragForm F;
    TVTDragManager* M = F.A->DragManager();
    struct Case {
        const char* What;
        BOOL Escape;
        DWORD Keys;
        HRESULT Result;
    };
    const Case Cases[] = {
        {"left held", false, MK_LBUTTON, S_OK},
        {"right held", false, MK_RBUTTON | MK_SHIFT, S_OK},
        {"released", false, MK_CONTROL, DRAGDROP_S_DROP},
        {"both buttons", false, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {"Escape", true, MK_LBUTTON, DRAGDROP_S_CANCEL},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        EXPECT_EQ(M->QueryContinueDrag(K.Escape, K.Keys), K.Result);
    }
    EXPECT_EQ(M->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
}

TEST(VTreeDrag, SourceTreeFoundOnlyInThisProcessWhileItLives)
{
    DragForm F;
    EXPECT_EQ(TBaseVirtualTree::TreeOfDataObject(F.A->CreateDragDataObject().Get()), F.A);
    EXPECT_EQ(F.A->DragManager()->DataObject() ? 1 : 0, 1);

    // A reference of another process names no tree of this one.
    struct Foreign : TInterfacedObject, IDataObject {
        HRESULT GetData(const FORMATETC& F, STGMEDIUM& M) override
        {
            if (F.cfFormat != CF_VTREFERENCE())
                return DV_E_FORMATETC;
            const uint32_t Ref[2] = {static_cast<uint32_t>(getpid()) + 1, 1};
            M.tymed = TYMED_HGLOBAL;
            M.hGlobal = GlobalAlloc(GHND, 8);
            std::memcpy(GlobalLock(M.hGlobal), Ref, 8);
            GlobalUnlock(M.hGlobal);
            return S_OK;
        }
        HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
        HRESULT QueryGetData(const FORMATETC&) override { return S_OK; }
        HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC&) override { return E_NOTIMPL; }
        HRESULT SetData(const FORMATETC&, STGMEDIUM&, BOOL) override { return E_NOTIMPL; }
        HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
        HRESULT DAdvise(const FORMATETC&, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
        HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
        HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    };
    const InterfacePtr<IDataObject> Other(new Foreign);
    EXPECT_EQ(TBaseVirtualTree::TreeOfDataObject(Other.Get()), nullptr);

    // The tree goes: its object names no tree, and its node data still pastes.
    const InterfacePtr<IDataObject> Data = F.B->CreateDragDataObject();
    F.B->SelectAll(false);
    const InterfacePtr<IDataObject> All = F.B->CreateDragDataObject();
    delete F.B;
    F.B = nullptr;
    EXPECT_EQ(TBaseVirtualTree::TreeOfDataObject(All.Get()), nullptr);
    EXPECT_TRUE(F.A->ProcessOLEData(nullptr, All.Get(), nullptr, amAddChildLast, false));
    EXPECT_EQ(DragForm::TopTexts(F.A), (Texts{u"a0", u"a1", u"a2", u"a3", u"b0", u"b1", u"b2"}));
}

// ---- drags by mouse ---------------------------------------------------------------------------

TEST(VTreeDrag, NodesDraggedBetweenAndInsideTrees)
{
    struct Case {
        const char* What;
        bool IntoB;        // else inside A
        int Target;        // top-level index in the target tree
        bool UpperHalf;
        TShiftState Keys;  // held while dropping
        Texts A, B;
        const char* Drop;
    };
    const Case Cases[] = {
        {"to another tree: copy above", true, 1, true, {}, {u"a0", u"a1", u"a2", u"a3"},
         {u"b0", u"a1", u"b1", u"b2"}, "above tree effect 1 formats"},
        {"to another tree with Shift: moved below", true, 2, false, {ssShift},
         {u"a0", u"a2", u"a3"}, {u"b0", u"b1", u"b2", u"a1"}, "below tree effect 2 formats"},
        {"inside the tree: moved below", false, 3, false, {}, {u"a0", u"a2", u"a3", u"a1"},
         {u"b0", u"b1", u"b2"}, "below tree effect 2 formats"},
        {"inside the tree with Ctrl: copied above", false, 0, true, {ssCtrl},
         {u"a1", u"a0", u"a1", u"a2", u"a3"}, {u"b0", u"b1", u"b2"}, "above tree effect 1 formats"},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        DragForm F;
        TVirtualStringTree* To = K.IntoB ? F.B : F.A;
        Host& H = K.IntoB ? F.HB : F.HA;
        PVirtualNode Target = DragForm::Top(To, K.Target);
        const TPoint P = K.UpperHalf ? DragForm::Upper(To, Target) : DragForm::Lower(To, Target);
        const TShiftState Held = K.Keys + TShiftState{ssLeft};
        F.Drag(F.A, DragForm::Top(F.A, 1),
               {MoveTo(To, {P.X, P.Y - 1}), MoveTo(To, P, Held), ReleaseOn(To, P, K.Keys)});
        Application->ProcessMessages();
        EXPECT_EQ(DragForm::TopTexts(F.A), K.A);
        EXPECT_EQ(DragForm::TopTexts(F.B), K.B);
        ASSERT_EQ(H.Drops.size(), 1u);
        EXPECT_EQ(H.Drops[0].substr(0, std::strlen(K.Drop)), K.Drop);
        // The drag is over on both sides.
        EXPECT_FALSE(F.A->TreeStates().Contains(tsOLEDragging));
        EXPECT_FALSE(F.A->TreeStates().Contains(tsLeftButtonDown));
        EXPECT_EQ(To->DropTargetNode(), nullptr);
    }
}

TEST(VTreeDrag, CancelledDragChangesNothing)
{
    DragForm F;
    const TPoint P = DragForm::OnLabel(F.B, DragForm::Top(F.B, 0));
    F.Drag(F.A, DragForm::Top(F.A, 0),
           {MoveTo(F.B, P), [] { SimulateKey(VK_ESCAPE); }, ReleaseOn(F.B, P)});
    Application->ProcessMessages();
    EXPECT_EQ(DragForm::TopTexts(F.A), (Texts{u"a0", u"a1", u"a2", u"a3"}));
    EXPECT_EQ(DragForm::TopTexts(F.B), (Texts{u"b0", u"b1", u"b2"}));
    EXPECT_TRUE(F.HB.Drops.empty());
    EXPECT_EQ(F.B->DropTargetNode(), nullptr);
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
}

TEST(VTreeDrag, MoveToAnotherProgramDeletesTheDraggedNodes)
{
    // A drop that copies the data (as another program does) with a move
    // effect: the source deletes what it dragged.
    DragForm F;
    F.B->OnDragDrop = TVTDragDropEvent();
    struct Copier {
        void Drop(TBaseVirtualTree* Sender, TObject*, IDataObject* Data, const TFormatArray&,
                  TShiftState, const TPoint&, DWORD&, TDropMode)
        {
            Sender->ProcessOLEData(nullptr, Data, nullptr, amAddChildLast, false);
        }
    } C;
    F.B->OnDragDrop = TVTDragDropEvent(&C, &Copier::Drop);
    const TPoint P = DragForm::Lower(F.B, DragForm::Top(F.B, 2));
    F.Drag(F.A, DragForm::Top(F.A, 2),
           {MoveTo(F.B, P), MoveTo(F.B, P, {ssLeft, ssShift}), ReleaseOn(F.B, P, {ssShift})});
    Application->ProcessMessages();
    EXPECT_EQ(DragForm::TopTexts(F.A), (Texts{u"a0", u"a1", u"a3"}));
    EXPECT_EQ(DragForm::TopTexts(F.B), (Texts{u"b0", u"b1", u"b2", u"a2"}));
}

TEST(VTreeDrag, DragOverACollapsedNodeExpandsItAndNearTheEdgeScrolls)
{
    DragForm F;
    F.B->SetAutoExpandDelay(30);
    F.B->SetRootNodeCount(40);
    PVirtualNode Parent = DragForm::Top(F.B, 1);
    F.B->SetChildCount(Parent, 2);
    TVTAutoOptions Auto = F.B->TreeOptions()->AutoOptions();
    Auto.Include(toAutoScroll);
    F.B->TreeOptions()->SetAutoOptions(Auto);
    F.B->SetAutoScrollDelay(10);
    F.B->SetAutoScrollInterval(10);
    bool Expanded = false;
    int Offset = 0;
    const TPoint OnParent = DragForm::OnLabel(F.B, Parent);
    const TPoint NearBottom{40, F.B->ClientHeight() - 4};
    F.Drag(F.A, DragForm::Top(F.A, 0),
           {MoveTo(F.B, OnParent), Wait(120), [&] { Expanded = Parent->Has(vsExpanded); },
            MoveTo(F.B, NearBottom), Wait(30), MoveTo(F.B, {NearBottom.X + 1, NearBottom.Y}),
            Wait(80), [&] { Offset = F.B->OffsetY(); }, [] { SimulateKey(VK_ESCAPE); },
            ReleaseOn(F.B, NearBottom)});
    EXPECT_TRUE(Expanded);
    EXPECT_LT(Offset, 0);
    EXPECT_FALSE(F.B->TreeStates().Contains(tsScrolling));
}

TEST(VTreeDrag, DragImageFollowsTheMouseAndTheDropMarkShows)
{
    DragForm F;
    F.A->SetFocus();
    PVirtualNode Target = DragForm::Top(F.B, 1);
    const TPoint P = DragForm::Upper(F.B, Target);
    TPoint ImageAt;
    TDropMode Mode = dmNowhere;
    std::unique_ptr<TBitmap> Shot;
    int MarkPixels = 0;
    F.Drag(F.A, DragForm::Top(F.A, 1),
           {MoveTo(F.B, {P.X - 20, P.Y}), MoveTo(F.B, P),
            [&] {
                TPoint HotSpot;
                ASSERT_NE(ImageList_GetDragImage(&ImageAt, &HotSpot), nullptr);
                Mode = F.B->LastDropMode();
                auto Tree = Render(F.B);
                const TRect Row = F.B->NodeDisplayRect(Target, NoColumn, false);
                MarkPixels = CountPixels(*Tree, TRect{Row.Left, Row.Top, Row.Right, Row.Top + 3},
                                         F.B->Colors()->Get(TVTColors::DropMarkColor));
                // The form as the operator sees it, the drag image on top.
                Shot = Render(F.Form.get());
                HIMAGELIST List = ImageList_GetDragImage(nullptr, nullptr);
                const TPoint Corner = F.Form->ScreenToClient(
                    TPoint{ImageAt.X - HotSpot.X, ImageAt.Y - HotSpot.Y});
                ImageList_Draw(List, 0, Shot->Canvas()->Handle(), Corner.X, Corner.Y,
                               ILD_TRANSPARENT);
            },
            [] { SimulateKey(VK_ESCAPE); }, ReleaseOn(F.B, P)});
    ASSERT_TRUE(Shot);
    SavePng(*Shot, "vtree-drag-in-progress");
    EXPECT_EQ(ImageAt, F.B->ClientToScreen(P));
    EXPECT_EQ(Mode, dmAbove);
    EXPECT_GT(MarkPixels, 100);
}

TEST(VTreeDrag, DropOfAnotherProgramsTextReachesTheApplication)
{
    DragForm F;
    const TPoint P = DragForm::OnLabel(F.B, DragForm::Top(F.B, 0));
    EXPECT_EQ(SimulateForeignDrop(F.B, P.X, P.Y, "Ёлка"_a), DWORD(DROPEFFECT_COPY));
    ASSERT_EQ(F.HB.Drops.size(), 1u);
    EXPECT_EQ(F.HB.Drops[0].substr(0, 23), "on foreign effect 1 for");
    // No tree data: nothing inserted.
    EXPECT_EQ(DragForm::TopTexts(F.B), (Texts{u"b0", u"b1", u"b2"}));
}

TEST(VTreeDrag, ClassLibraryDragBetweenTrees)
{
    /// The application's own drag object, given at the drag's start.
    struct OwnObject {
        TDragObject Object;
        void Start(TObject*, TDragObject*& DragObject) { DragObject = &Object; }
    };
    struct Case {
        const char* What;
        bool Own;
        const char* Drop;
    };
    const Case Cases[] = {
        {"the tree is dragged", false, "below tree effect 1 formats 0"},
        {"the application's drag object", true, "below object effect 1 formats 0"},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        DragForm F;
        OwnObject Own;
        F.A->SetDragType(dtVCL);
        if (K.Own)
            F.A->OnStartDrag = TStartDragEvent(&Own, &OwnObject::Start);
        const TPoint From = DragForm::OnLabel(F.A, DragForm::Top(F.A, 2));
        const TPoint P = DragForm::Lower(F.B, DragForm::Top(F.B, 0));
        SimulateMouseMove(F.A, From.X, From.Y);
        SimulateMouseDown(F.A, mbLeft, From.X, From.Y);
        SimulateMouseMove(F.A, From.X + 15, From.Y + 3, {ssLeft});
        EXPECT_EQ(F.A->TreeStates().Contains(tsUserDragObject), K.Own);
        SimulateMouseMove(F.B, P.X, P.Y - 1, {ssLeft});
        SimulateMouseMove(F.B, P.X, P.Y, {ssLeft});
        EXPECT_TRUE(F.B->TreeStates().Contains(tsVCLDragging));
        EXPECT_EQ(F.B->DropTargetNode(), DragForm::Top(F.B, 0));
        EXPECT_EQ(F.B->LastDropMode(), dmBelow);
        SimulateMouseUp(F.B, mbLeft, P.X, P.Y);
        Application->ProcessMessages();
        ASSERT_EQ(F.HB.Drops.size(), 1u);
        EXPECT_EQ(F.HB.Drops[0], K.Drop);
        EXPECT_FALSE(F.B->TreeStates().Contains(tsVCLDragging));
        EXPECT_EQ(F.B->DropTargetNode(), nullptr);
        // The source's press and drag are over (the class library tells
        // the source of its own drag only).
        EXPECT_FALSE(F.A->TreeStates().Contains(tsVCLDragPending));
        if (!K.Own)
            EXPECT_FALSE(F.A->TreeStates().Contains(tsLeftButtonDown));
    }
}

// ---- cut nodes -----------------------------------------------------------------------------------

TEST(VTreeDrag, CutNodesShowGhostedUntilCancelled)
{
    DragForm F;
    F.A->SetFocusedNode(DragForm::Top(F.A, 0));
    F.A->SetSelected(DragForm::Top(F.A, 1), true);
    F.A->SetSelected(DragForm::Top(F.A, 2), true);
    F.B->SetFocus();
    // Cut texts are grey: none of their pixels is the text colour.
    auto BlackIn = [&](TBitmap& B, int I) {
        return CountPixels(B, F.A->NodeDisplayRect(DragForm::Top(F.A, I), NoColumn, true),
                           clWindowText);
    };
    F.A->CutToClipboard();
    auto Cut = Render(F.A);
    SavePng(*Cut, "vtree-cut-nodes");
    EXPECT_GT(BlackIn(*Cut, 0), 0);
    EXPECT_EQ(BlackIn(*Cut, 1), 0);
    EXPECT_EQ(BlackIn(*Cut, 2), 0);
    EXPECT_GT(BlackIn(*Cut, 3), 0);
    F.A->CancelCutOrCopy();
    auto After = Render(F.A);
    EXPECT_GT(BlackIn(*After, 1), 0);
    EXPECT_GT(BlackIn(*After, 2), 0);
}

// ---- on a real X server (the drag also offscreen) -------------------------------------------

namespace {

/// Runs another program and collects what it prints, the event loop kept
/// running meanwhile (it asks this program for the clipboard); false when
/// it could not run or failed.
bool RunPeer(const char* Program, const std::vector<const char*>& Args, std::string& Out)
{
    int Pipe[2];
    if (pipe(Pipe) != 0)
        return false;
    const pid_t Pid = fork();
    if (Pid < 0)
        return false;
    if (Pid == 0) {
        dup2(Pipe[1], 1);
        close(Pipe[0]);
        close(Pipe[1]);
        std::vector<char*> Argv{const_cast<char*>(Program)};
        for (const char* A : Args)
            Argv.push_back(const_cast<char*>(A));
        Argv.push_back(nullptr);
        execvp(Program, Argv.data());
        _exit(127);
    }
    close(Pipe[1]);
    fcntl(Pipe[0], F_SETFL, O_NONBLOCK);
    const Cardinal Deadline = GetTickCount() + 10000;
    int Status = 0;
    bool Ended = false;
    while (GetTickCount() < Deadline) {
        Application->ProcessMessages();
        char Buffer[4096];
        ssize_t N = 0;
        while ((N = read(Pipe[0], Buffer, sizeof Buffer)) > 0)
            Out.append(Buffer, static_cast<size_t>(N));
        if (waitpid(Pid, &Status, WNOHANG) == Pid) {
            Ended = true;
            break;
        }
        usleep(2000);
    }
    if (!Ended) {
        kill(Pid, SIGKILL);
        waitpid(Pid, &Status, 0);
    }
    char Buffer[4096];
    ssize_t N = 0;
    while ((N = read(Pipe[0], Buffer, sizeof Buffer)) > 0)
        Out.append(Buffer, static_cast<size_t>(N));
    close(Pipe[0]);
    return Ended && WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

bool OnRealDisplay()
{
    const char* Platform = std::getenv("QT_QPA_PLATFORM");
    return std::getenv("DISPLAY") && Platform && std::string(Platform) == "xcb";
}

}  // namespace

TEST(VTreeDragSmoke, NodesDraggedFromOneTreeToAnother)
{
    DragForm F;
    // A press on a selected node keeps the selection for the drag.
    F.A->SetSelected(DragForm::Top(F.A, 0), true);
    F.A->SetSelected(DragForm::Top(F.A, 2), true);
    const TPoint P = DragForm::Lower(F.B, DragForm::Top(F.B, 0));
    F.Drag(F.A, DragForm::Top(F.A, 2),
           {MoveTo(F.B, {P.X, P.Y - 1}), MoveTo(F.B, P, {ssLeft, ssShift}),
            ReleaseOn(F.B, P, {ssShift})});
    Application->ProcessMessages();
    // Both selected nodes moved, in their order.
    EXPECT_EQ(DragForm::TopTexts(F.A), (Texts{u"a1", u"a3"}));
    EXPECT_EQ(DragForm::TopTexts(F.B), (Texts{u"b0", u"a0", u"a2", u"b1", u"b2"}));
}

TEST(VTreeDragSmoke, CopiedNodesPastedAsTextByAnotherProgram)
{
    if (!OnRealDisplay())
        GTEST_SKIP() << "needs a real X display";
    DragForm F;
    F.HA.Captions[DragForm::Top(F.A, 1)] = u"Ёлка";
    F.A->SetSelected(DragForm::Top(F.A, 1), true);
    F.A->SetSelected(DragForm::Top(F.A, 3), true);
    F.A->CopyToClipboard();
    std::string Text;
    if (!RunPeer("xclip", {"-o", "-selection", "clipboard", "-t", "UTF8_STRING"}, Text) &&
        Text.empty())
        GTEST_SKIP() << "xclip is not there";
    EXPECT_EQ(Text, "Ёлка\r\na3\r\n");
}
