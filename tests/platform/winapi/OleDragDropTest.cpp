// Data transfer: registered clipboard formats, memory blocks and streams,
// data objects on the clipboard (ours kept as they are, others' seen as
// formats), and drag and drop between windows driven by simulated input.

#include "platform/winapi/OleDragDrop.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Bytes(HGLOBAL Block)
{
    const auto* P = static_cast<const char*>(GlobalLock(Block));
    std::string B(P ? P : "", GlobalSize(Block));
    GlobalUnlock(Block);
    return B;
}

HGLOBAL BlockOf(const std::string& B)
{
    HGLOBAL Block = GlobalAlloc(GHND, B.size());
    if (!B.empty()) {
        std::memcpy(GlobalLock(Block), B.data(), B.size());
        GlobalUnlock(Block);
    }
    return Block;
}

std::string Utf16(const std::u16string& S)
{
    std::string B(reinterpret_cast<const char*>(S.data()), S.size() * 2);
    B.append(2, '\0');
    return B;
}

/// A data object with fixed bytes per format, rendered only when asked.
class TestData : public TInterfacedObject, public IDataObject {
public:
    std::map<UINT, std::string> Data;
    int Renders = 0;

    HRESULT GetData(const FORMATETC& F, STGMEDIUM& M) override
    {
        const HRESULT Q = QueryGetData(F);
        if (Q != S_OK)
            return Q;
        ++Renders;
        M.tymed = TYMED_HGLOBAL;
        M.hGlobal = BlockOf(Data[F.cfFormat]);
        return S_OK;
    }
    HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC& F) override
    {
        if (!Data.count(F.cfFormat))
            return DV_E_FORMATETC;
        return (F.tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
    }
    HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC&) override { return DATA_S_SAMEFORMATETC; }
    HRESULT SetData(const FORMATETC&, STGMEDIUM&, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override;
    HRESULT DAdvise(const FORMATETC&, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
};

class TestEnum : public TInterfacedObject, public IEnumFORMATETC {
public:
    std::vector<FORMATETC> Formats;
    size_t I = 0;
    HRESULT Next(ULONG Count, FORMATETC* Out, ULONG* Fetched) override
    {
        ULONG N = 0;
        while (N < Count && I < Formats.size())
            Out[N++] = Formats[I++];
        if (Fetched)
            *Fetched = N;
        return N == Count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override
    {
        I = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC**) override { return E_NOTIMPL; }
};

HRESULT TestData::EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum)
{
    if (Direction != DATADIR_GET)
        return E_NOTIMPL;
    auto* E = new TestEnum;
    for (const auto& [Format, B] : Data) {
        FORMATETC F;
        F.cfFormat = Format;
        E->Formats.push_back(F);
    }
    E->AddRef();
    *Enum = E;
    return S_OK;
}

/// Every format a data object lists.
std::vector<UINT> Listed(IDataObject* D)
{
    IEnumFORMATETC* Raw = nullptr;
    EXPECT_EQ(D->EnumFormatEtc(DATADIR_GET, &Raw), S_OK);
    const auto Enum = InterfacePtr<IEnumFORMATETC>::Attach(Raw);
    std::vector<UINT> Result;
    FORMATETC F;
    while (Enum && Enum->Next(1, &F, nullptr) == S_OK)
        Result.push_back(F.cfFormat);
    return Result;
}

std::string Render(IDataObject* D, UINT Format)
{
    FORMATETC F;
    F.cfFormat = Format;
    STGMEDIUM M;
    if (D->GetData(F, M) != S_OK)
        return "<none>";
    std::string B;
    ReadStgMedium(M, B);
    ReleaseStgMedium(M);
    return B;
}

UINT TestFormat()
{
    return RegisterClipboardFormat("Pricetags Test Data");
}

}  // namespace

// ---- formats, blocks, streams ------------------------------------------------------------------

TEST(ClipboardFormats, NamesGiveLastingIdsWithoutRegardToCase)
{
    const UINT A = RegisterClipboardFormat("Virtual Tree Data");
    EXPECT_GE(A, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("VIRTUAL tree data"), A);
    EXPECT_NE(RegisterClipboardFormat("Virtual Tree Reference"), A);
    EXPECT_EQ(RegisterClipboardFormat(""), 0u);
    char Buffer[64];
    EXPECT_EQ(GetClipboardFormatName(A, Buffer, sizeof Buffer), 17);
    EXPECT_STREQ(Buffer, "Virtual Tree Data");
    // A short buffer gets what fits and the terminating zero.
    EXPECT_EQ(GetClipboardFormatName(A, Buffer, 8), 7);
    EXPECT_STREQ(Buffer, "Virtual");
    struct NoName {
        UINT Format;
        int Room;
    };
    for (const NoName& C : {NoName {CF_TEXT, 64}, NoName {0xBFFF, 64}, NoName {0xFFFF, 64}, NoName {A, 0}}) {
        SCOPED_TRACE(C.Format);
        EXPECT_EQ(GetClipboardFormatName(C.Format, Buffer, C.Room), 0);
    }
}

TEST(GlobalMemory, BlocksAndStreamsCarryBytes)
{
    HGLOBAL B = GlobalAlloc(GHND, 4);
    ASSERT_NE(B, nullptr);
    EXPECT_EQ(Bytes(B), std::string(4, '\0'));
    EXPECT_EQ(GlobalSize(B), 4u);
    HGLOBAL Empty = GlobalAlloc(GHND, 0);
    EXPECT_EQ(GlobalLock(Empty), nullptr);
    EXPECT_EQ(GlobalFree(Empty), nullptr);
    IStream* Raw = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(B, true, &Raw), S_OK);
    const auto S = InterfacePtr<IStream>::Attach(Raw);
    ULONG N = 0;
    S->Write("abcdef", 6, &N);
    EXPECT_EQ(N, 6u);
    EXPECT_EQ(Bytes(B), "abcdef");
    uint64_t Pos = 0;
    EXPECT_EQ(S->Seek(-2, STREAM_SEEK_END, &Pos), S_OK);
    EXPECT_EQ(Pos, 4u);
    EXPECT_EQ(S->Seek(-7, STREAM_SEEK_CUR, nullptr), E_INVALIDARG);
    char Two[3] = {};
    EXPECT_EQ(S->Read(Two, 3, &N), S_FALSE);
    EXPECT_EQ(std::string(Two, N), "ef");
    STGMEDIUM M;
    M.tymed = TYMED_ISTREAM;
    M.pstm = S.Get();
    std::string All;
    ASSERT_TRUE(ReadStgMedium(M, All));
    EXPECT_EQ(All, "abcdef");
    HGLOBAL Under = nullptr;
    EXPECT_EQ(GetHGlobalFromStream(S.Get(), &Under), S_OK);
    EXPECT_EQ(Under, B);
}

TEST(GlobalMemory, MediumWithOwnerReleasesTheOwner)
{
    auto* Owner = new TestData;
    Owner->AddRef();
    Owner->AddRef();
    STGMEDIUM M;
    M.tymed = TYMED_HGLOBAL;
    M.hGlobal = nullptr;  // the owner's block, not ours to free
    M.pUnkForRelease = Owner;
    ReleaseStgMedium(M);
    EXPECT_EQ(Owner->RefCount(), 1u);
    EXPECT_EQ(M.tymed, DWORD(TYMED_NULL));
    Owner->Release();
}

TEST(DataAdvise, SinksHearChangesUntilTheyGo)
{
    struct Sink : TInterfacedObject, IAdviseSink {
        std::vector<std::string> Heard;
        void OnDataChange(const FORMATETC&, const STGMEDIUM& M) override
        {
            std::string B;
            Heard.push_back(ReadStgMedium(M, B) ? B : "<no data>");
        }
    };
    IDataAdviseHolder* Raw = nullptr;
    ASSERT_EQ(CreateDataAdviseHolder(&Raw), S_OK);
    const auto Holder = InterfacePtr<IDataAdviseHolder>::Attach(Raw);
    const InterfacePtr<Sink> S(new Sink);
    const InterfacePtr<TestData> D(new TestData);
    D->Data[TestFormat()] = "v1";
    FORMATETC F;
    F.cfFormat = TestFormat();
    DWORD Plain = 0, NoData = 0;
    Holder->Advise(D.Get(), F, 0, S.Get(), &Plain);
    Holder->Advise(D.Get(), F, ADVF_NODATA, S.Get(), &NoData);
    Holder->SendOnDataChange(D.Get(), 0, 0);
    EXPECT_EQ(S->Heard, (std::vector<std::string> {"v1", "<no data>"}));
    EXPECT_EQ(Holder->Unadvise(Plain), S_OK);
    EXPECT_EQ(Holder->Unadvise(Plain), OLE_E_NOCONNECTION);
    Holder->SendOnDataChange(D.Get(), 0, 0);
    EXPECT_EQ(S->Heard.size(), 3u);
}

// ---- the clipboard --------------------------------------------------------------------------------

TEST(OleClipboard, OurObjectStaysOursAndRendersOnlyWhenRead)
{
    const InterfacePtr<TestData> D(new TestData);
    D->Data[TestFormat()] = std::string("\x01\x00\x02", 3);
    D->Data[CF_UNICODETEXT] = Utf16(u"Цена 12,50");
    ASSERT_EQ(OleSetClipboard(D.Get()), S_OK);
    EXPECT_EQ(OleIsCurrentClipboard(D.Get()), S_OK);
    IDataObject* Raw = nullptr;
    ASSERT_EQ(OleGetClipboard(&Raw), S_OK);
    const auto Got = InterfacePtr<IDataObject>::Attach(Raw);
    // In-process: the same object, nothing rendered on the way.
    EXPECT_TRUE(SameObject(Got.Get(), D.Get()));
    EXPECT_EQ(D->Renders, 0);
    EXPECT_TRUE(Clipboard()->HasFormat(TestFormat()));
    EXPECT_FALSE(Clipboard()->HasFormat(RegisterClipboardFormat("Pricetags Absent")));
    // A reader of text gets it rendered then.
    EXPECT_EQ(Clipboard()->AsText(), "Цена 12,50"_a);
    EXPECT_GE(D->Renders, 1);
    // Flushing renders everything and lets the object go; the data stays.
    const ULONG Before = D->RefCount();
    EXPECT_EQ(OleFlushClipboard(), S_OK);
    EXPECT_EQ(D->RefCount(), Before - 1);
    EXPECT_EQ(OleIsCurrentClipboard(D.Get()), S_FALSE);
    ASSERT_EQ(OleGetClipboard(&Raw), S_OK);
    const auto Flushed = InterfacePtr<IDataObject>::Attach(Raw);
    EXPECT_FALSE(SameObject(Flushed.Get(), D.Get()));
    EXPECT_EQ(Render(Flushed.Get(), TestFormat()), std::string("\x01\x00\x02", 3));
    EXPECT_EQ(Render(Flushed.Get(), CF_UNICODETEXT), Utf16(u"Цена 12,50"));
}

TEST(OleClipboard, TextOfOthersComesInBothTextFormats)
{
    Clipboard()->SetAsText("Ёлка"_a);
    IDataObject* Raw = nullptr;
    ASSERT_EQ(OleGetClipboard(&Raw), S_OK);
    const auto D = InterfacePtr<IDataObject>::Attach(Raw);
    const std::vector<UINT> Formats = Listed(D.Get());
    EXPECT_NE(std::find(Formats.begin(), Formats.end(), UINT(CF_TEXT)), Formats.end());
    EXPECT_NE(std::find(Formats.begin(), Formats.end(), UINT(CF_UNICODETEXT)), Formats.end());
    EXPECT_EQ(Render(D.Get(), CF_TEXT), std::string("\xA8\xEB\xEA\xE0", 4) + '\0');
    EXPECT_EQ(Render(D.Get(), CF_UNICODETEXT), Utf16(u"Ёлка"));
    FORMATETC F;
    F.cfFormat = TestFormat();
    EXPECT_EQ(D->QueryGetData(F), DV_E_FORMATETC);
    F.cfFormat = CF_TEXT;
    F.tymed = TYMED_ISTREAM;
    EXPECT_EQ(D->QueryGetData(F), DV_E_TYMED);
}

TEST(OleClipboard, EmptyingLeavesOthersDataAlone)
{
    const InterfacePtr<TestData> D(new TestData);
    D->Data[CF_UNICODETEXT] = Utf16(u"x");
    OleSetClipboard(D.Get());
    const ULONG Held = D->RefCount();
    EXPECT_EQ(OleSetClipboard(nullptr), S_OK);
    EXPECT_EQ(D->RefCount(), Held - 1);
    Clipboard()->SetAsText("others");
    EXPECT_EQ(OleSetClipboard(nullptr), S_OK);
    EXPECT_EQ(Clipboard()->AsText(), "others");
}

// ---- drag and drop ------------------------------------------------------------------------------------

namespace {

/// Drops when the left button is up, cancels on Escape.
class TestSource : public TInterfacedObject, public IDropSource {
public:
    std::vector<DWORD> Feedback;
    HRESULT QueryContinueDrag(BOOL Escape, DWORD KeyState) override
    {
        if (Escape)
            return DRAGDROP_S_CANCEL;
        return (KeyState & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT GiveFeedback(DWORD Effect) override
    {
        Feedback.push_back(Effect);
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
};

/// Logs the calls with client points; copies with Ctrl, else moves.
class TestTarget : public TInterfacedObject, public IDropTarget {
public:
    TestTarget(TControl* C, std::vector<std::string>& Log) : FControl(C), FLog(Log) {}
    bool Refuse = false;
    /// Answers as a target that scrolled while the mouse was over it.
    bool Scrolling = false;
    InterfacePtr<IDataObject> Dropped;

    HRESULT DragEnter(IDataObject*, DWORD Keys, TPoint Pt, DWORD* Effect) override
    {
        return Answer("enter", Keys, Pt, Effect);
    }
    HRESULT DragOver(DWORD Keys, TPoint Pt, DWORD* Effect) override { return Answer("over", Keys, Pt, Effect); }
    HRESULT DragLeave() override
    {
        FLog.push_back(FControl->Name().Std() + " leave");
        return S_OK;
    }
    HRESULT Drop(IDataObject* Data, DWORD Keys, TPoint Pt, DWORD* Effect) override
    {
        Dropped = InterfacePtr<IDataObject>(Data);
        return Answer("drop", Keys, Pt, Effect);
    }

private:
    HRESULT Answer(const char* What, DWORD Keys, TPoint Pt, DWORD* Effect)
    {
        const TPoint P = FControl->ScreenToClient(Pt);
        FLog.push_back(FControl->Name().Std() + " " + What + " " + std::to_string(P.X) + "," + std::to_string(P.Y) +
            ((Keys & MK_CONTROL) ? " ctrl" : ""));
        *Effect = Refuse ? DROPEFFECT_NONE : (Keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
        if (Scrolling)
            *Effect |= DROPEFFECT_SCROLL;
        return S_OK;
    }
    TControl* FControl;
    std::vector<std::string>& FLog;
};

/// Runs a posted step: input that must arrive while a drag loop runs.
class Pad : public TCustomControl {
public:
    explicit Pad(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::function<void()> Later;

protected:
    void Dispatch(TMessage& M) override
    {
        if (M.Msg == WM_USER + 5 && Later) {
            Later();
            return;
        }
        TCustomControl::Dispatch(M);
    }
};

struct DropForm {
    TForm Form {nullptr};
    std::vector<std::string> Log;
    Pad* Src = nullptr;
    Pad* A = nullptr;
    Pad* B = nullptr;
    InterfacePtr<TestTarget> TA, TB;
    InterfacePtr<TestData> Data {new TestData};
    InterfacePtr<TestSource> Source {new TestSource};

    DropForm()
    {
        Form.SetBounds(50, 50, 420, 200);
        Src = Make("Src", 10);
        A = Make("A", 140);
        B = Make("B", 270);
        Form.Show();
        Application->ProcessMessages();
        TA = InterfacePtr<TestTarget>(new TestTarget(A, Log));
        TB = InterfacePtr<TestTarget>(new TestTarget(B, Log));
        EXPECT_EQ(RegisterDragDrop(A->Handle(), TA.Get()), S_OK);
        EXPECT_EQ(RegisterDragDrop(B->Handle(), TB.Get()), S_OK);
        Data->Data[TestFormat()] = "payload";
    }
    ~DropForm()
    {
        RevokeDragDrop(A->Handle());
        RevokeDragDrop(B->Handle());
    }
    Pad* Make(const char* N, int X)
    {
        auto* P = new Pad(&Form);
        P->SetName(N);
        P->SetParent(&Form);
        P->SetBounds(X, 10, 120, 120);
        return P;
    }
    /// Presses the button on the source and drags with Input running in
    /// the drag loop; the result and effect of DoDragDrop.
    HRESULT Drag(const std::function<void()>& Input, DWORD& Effect, DWORD Ok = DROPEFFECT_COPY | DROPEFFECT_MOVE)
    {
        SimulateMouseMove(Src, 5, 5);
        SimulateMouseDown(Src, mbLeft, 5, 5);
        Src->Later = Input;
        PostMessage(Src->Handle(), WM_USER + 5, 0, 0);
        return DoDragDrop(Data.Get(), Source.Get(), Ok, &Effect);
    }
};

using Lines = std::vector<std::string>;

}  // namespace

TEST(OleDragDrop, DropOnARegisteredWindowHandsOverTheSameObject)
{
    DropForm F;
    DWORD Effect = 0;
    const HRESULT R = F.Drag(
        [&] {
            SimulateMouseMove(F.A, 10, 20, {ssLeft});
            SimulateMouseMove(F.B, 30, 40, {ssLeft});
            SimulateMouseMove(F.B, 31, 40, {ssLeft, ssCtrl});
            SimulateMouseUp(F.B, mbLeft, 31, 40, {ssCtrl});
        },
        Effect);
    EXPECT_EQ(R, DRAGDROP_S_DROP);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(F.Log, (Lines {"A enter 10,20", "A leave", "B enter 30,40", "B over 31,40 ctrl", "B drop 31,40 ctrl"}));
    // In-process: the target got our object itself and nothing was rendered.
    EXPECT_TRUE(SameObject(F.TB->Dropped.Get(), F.Data.Get()));
    EXPECT_EQ(F.Data->Renders, 0);
    EXPECT_EQ(Render(F.TB->Dropped.Get(), TestFormat()), "payload");
    // The source saw the effects the targets proposed.
    EXPECT_EQ(F.Source->Feedback.back(), DWORD(DROPEFFECT_COPY));
}

TEST(OleDragDrop, CancelledOrRefusedDragsEndWithoutEffect)
{
    struct Case {
        const char* Name;
        bool Refuse;
        std::function<void(DropForm&)> Input;
        Lines Expected;
    };
    const Case Cases[] = {
        {"Escape", false,
            [](DropForm& F) {
                SimulateMouseMove(F.A, 10, 20, {ssLeft});
                SimulateKey(VK_ESCAPE);
                SimulateMouseUp(F.A, mbLeft, 10, 20);
            },
            {"A enter 10,20", "A leave"}},
        {"released where no window takes drops", false,
            [](DropForm& F) {
                SimulateMouseMove(F.A, 10, 20, {ssLeft});
                SimulateMouseMove(F.Src, 10, 20, {ssLeft});
                SimulateMouseUp(F.Src, mbLeft, 10, 20);
            },
            {"A enter 10,20", "A leave"}},
        {"a target that refuses", true,
            [](DropForm& F) {
                SimulateMouseMove(F.A, 10, 20, {ssLeft});
                SimulateMouseUp(F.A, mbLeft, 10, 20);
            },
            {"A enter 10,20", "A leave"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        DropForm F;
        F.TA->Refuse = C.Refuse;
        DWORD Effect = 77;
        EXPECT_EQ(F.Drag([&] { C.Input(F); }, Effect), DRAGDROP_S_CANCEL);
        EXPECT_EQ(Effect, DWORD(DROPEFFECT_NONE));
        EXPECT_EQ(F.Log, C.Expected);
    }
}

TEST(OleDragDrop, EffectsOutsideTheAllowedOnesAreNotTaken)
{
    DropForm F;
    DWORD Effect = 0;
    // The target moves without Ctrl, but only copying is allowed.
    EXPECT_EQ(F.Drag(
                  [&] {
                      SimulateMouseMove(F.A, 10, 20, {ssLeft});
                      SimulateMouseUp(F.A, mbLeft, 10, 20);
                  },
                  Effect, DROPEFFECT_COPY),
        DRAGDROP_S_CANCEL);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(F.Log, (Lines {"A enter 10,20", "A leave"}));
}

TEST(OleDragDrop, ScrollingTargetShowsInTheFeedbackOnly)
{
    DropForm F;
    F.TA->Scrolling = true;
    DWORD Effect = 0;
    EXPECT_EQ(F.Drag(
                  [&] {
                      SimulateMouseMove(F.A, 10, 20, {ssLeft});
                      SimulateMouseUp(F.A, mbLeft, 10, 20);
                  },
                  Effect),
        DRAGDROP_S_DROP);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_MOVE));
    EXPECT_EQ(F.Source->Feedback.back(), DWORD(DROPEFFECT_MOVE | DROPEFFECT_SCROLL));
}

TEST(OleDragDrop, RegistrationErrors)
{
    DropForm F;
    const InterfacePtr<TestTarget> T(new TestTarget(F.Src, F.Log));
    EXPECT_EQ(RegisterDragDrop(F.A->Handle(), T.Get()), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(RegisterDragDrop(F.Src->Handle(), nullptr), E_INVALIDARG);
    EXPECT_EQ(RegisterDragDrop(nullptr, T.Get()), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RevokeDragDrop(F.Src->Handle()), DRAGDROP_E_NOTREGISTERED);
    DWORD Effect = 0;
    EXPECT_EQ(DoDragDrop(nullptr, F.Source.Get(), DROPEFFECT_COPY, &Effect), E_INVALIDARG);
    // A destroyed window lets its target go.
    EXPECT_EQ(RegisterDragDrop(F.Src->Handle(), T.Get()), S_OK);
    EXPECT_EQ(T->RefCount(), 2u);
    delete F.Src;
    EXPECT_EQ(T->RefCount(), 1u);
}

TEST(OleDragDrop, ForeignDropsReachTheRegisteredWindowAsFormats)
{
    DropForm F;
    EXPECT_EQ(SimulateForeignDrop(F.A, 10, 20, "Ёлка"_a, {ssCtrl}), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(F.Log, (Lines {"A enter 10,20 ctrl", "A over 10,20 ctrl", "A drop 10,20 ctrl"}));
    ASSERT_TRUE(F.TA->Dropped);
    EXPECT_FALSE(SameObject(F.TA->Dropped.Get(), F.Data.Get()));
    EXPECT_EQ(Render(F.TA->Dropped.Get(), CF_TEXT), std::string("\xA8\xEB\xEA\xE0", 4) + '\0');
    // A window without a target, and a target that refuses, take nothing.
    F.Log.clear();
    EXPECT_EQ(SimulateForeignDrop(F.Src, 10, 20, "x"), DWORD(DROPEFFECT_NONE));
    F.TB->Refuse = true;
    EXPECT_EQ(SimulateForeignDrop(F.B, 10, 20, "x"), DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(F.Log, (Lines {"B enter 10,20", "B over 10,20", "B drop 10,20"}));
}
