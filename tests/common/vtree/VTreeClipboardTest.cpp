// Cut, copy and paste through the clipboard: a copy pastes as often as
// asked (its node chunks are made when copying), also after its tree is
// gone; a cut moves its nodes once; cancelling a cut or copy unmarks the
// nodes and takes the object off the clipboard; pasted nodes keep their
// order in every attach mode; the formats the object offers and renders.

#include "common/vtree/VTree.h"
#include "tests/common/vtree/CaptionHost.h"

#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Host = CaptionHost;

struct Trees {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr, 0);
    TVirtualStringTree* A = nullptr;
    TVirtualStringTree* B = nullptr;
    Host HA{u"a"};
    Host HB{u"b"};

    Trees()
    {
        A = Make(HA, 4);
        B = Make(HB, 2);
    }
    TVirtualStringTree* Make(Host& H, Cardinal Count) { return H.MakeTree(Form.get(), Count); }
    /// The top-level texts of a tree, in order.
    /// The texts of Parent's children (the top level for null), in order.
    static std::vector<std::u16string> Texts(TVirtualStringTree* T, PVirtualNode Parent = nullptr)
    {
        std::vector<std::u16string> R;
        for (PVirtualNode N = (Parent ? Parent : T->RootNode())->FirstChild; N; N = N->NextSibling)
            R.push_back(T->Text(N, NoColumn));
        return R;
    }
    static PVirtualNode Top(TVirtualStringTree* T, int I)
    {
        PVirtualNode N = T->FirstChildOf(nullptr);
        while (I-- > 0)
            N = N->NextSibling;
        return N;
    }
};

using Texts = std::vector<std::u16string>;

}  // namespace

// The clipboard as another part of the program reads and writes it.
namespace clipboard_probe {

InterfacePtr<IDataObject> Current()
{
    IDataObject* Raw = nullptr;
    if (OleGetClipboard(&Raw) != S_OK)
        return {};
    return InterfacePtr<IDataObject>::Attach(Raw);
}

std::vector<unsigned> Formats()
{
    std::vector<unsigned> Result;
    const auto Data = Current();
    IEnumFORMATETC* Raw = nullptr;
    if (!Data || Data->EnumFormatEtc(DATADIR_GET, &Raw) != S_OK)
        return Result;
    const auto Enum = InterfacePtr<IEnumFORMATETC>::Attach(Raw);
    FORMATETC F;
    while (Enum->Next(1, &F, nullptr) == S_OK)
        Result.push_back(F.cfFormat);
    return Result;
}

std::string Render(unsigned Format)
{
    const auto Data = Current();
    FORMATETC F;
    F.cfFormat = Format;
    STGMEDIUM M;
    std::string Bytes;
    if (Data && Data->GetData(F, M) == S_OK) {
        ReadStgMedium(M, Bytes);
        ReleaseStgMedium(M);
    }
    return Bytes;
}

std::string RenderNamed(const char* Name)
{
    return Render(RegisterClipboardFormat(Name));
}

bool Store(const char* Name, const std::string& Bytes)
{
    const auto Data = Current();
    if (!Data)
        return false;
    FORMATETC F;
    F.cfFormat = RegisterClipboardFormat(Name);
    STGMEDIUM M;
    M.tymed = TYMED_HGLOBAL;
    M.hGlobal = GlobalAlloc(GHND, Bytes.size());
    std::memcpy(GlobalLock(M.hGlobal), Bytes.data(), Bytes.size());
    GlobalUnlock(M.hGlobal);
    return Data->SetData(F, M, 1) == S_OK;
}

}  // namespace clipboard_probe

TEST(VTreeClipboard, CopiesPasteEveryTimeAndAfterTheirTreeIsGone)
{
    Trees T;
    T.A->SetSelected(Trees::Top(T.A, 1), true);
    T.A->SetSelected(Trees::Top(T.A, 3), true);
    T.A->CopyToClipboard();
    EXPECT_TRUE(Trees::Top(T.A, 1)->Has(vsCutOrCopy));
    T.B->SetDefaultPasteMode(amInsertAfter);
    ASSERT_TRUE(T.B->PasteFromClipboard());
    ASSERT_TRUE(T.B->PasteFromClipboard());
    EXPECT_EQ(T.B->RootNodeCount(), 6u);
    EXPECT_EQ(Trees::Texts(T.B), (Texts{u"b0", u"b1", u"a1", u"a3", u"a1", u"a3"}));
    EXPECT_TRUE(Trees::Top(T.A, 1)->Has(vsCutOrCopy)) << "the copy is still pending";
    // The source goes; its copy still pastes.
    delete T.A;
    T.A = nullptr;
    ASSERT_TRUE(T.B->PasteFromClipboard());
    EXPECT_EQ(T.B->RootNodeCount(), 8u);
}

TEST(VTreeClipboard, PastedNodesKeepTheirOrderInEveryMode)
{
    const struct {
        TVTNodeAttachMode Mode;
        Texts Expected;  // texts of the target's top level, or of its first node's children
        bool Children;
    } Cases[] = {
        {amInsertBefore, {u"a0", u"a2", u"b0", u"b1"}, false},
        {amInsertAfter, {u"b0", u"a0", u"a2", u"b1"}, false},
        {amAddChildFirst, {u"a0", u"a2"}, true},
        {amAddChildLast, {u"a0", u"a2"}, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(static_cast<int>(C.Mode));
        Trees T;
        T.A->SetSelected(Trees::Top(T.A, 0), true);
        T.A->SetSelected(Trees::Top(T.A, 2), true);
        T.A->CopyToClipboard();
        T.B->SetFocusedNode(Trees::Top(T.B, 0));
        T.B->SetDefaultPasteMode(C.Mode);
        ASSERT_TRUE(T.B->PasteFromClipboard());
        if (C.Children)
            EXPECT_EQ(Trees::Texts(T.B, Trees::Top(T.B, 0)), C.Expected);
        else
            EXPECT_EQ(Trees::Texts(T.B), C.Expected);
    }
}

TEST(VTreeClipboard, CutMovesOnceAndCancelUnmarks)
{
    Trees T;
    T.A->SetSelected(Trees::Top(T.A, 0), true);
    T.A->CutToClipboard();
    EXPECT_TRUE(T.A->TreeStates().Contains(tsCutPending));
    ASSERT_TRUE(T.B->PasteFromClipboard());
    EXPECT_EQ(T.A->RootNodeCount(), 3u) << "the cut node left its tree";
    EXPECT_EQ(T.B->RootNodeCount(), 3u);
    EXPECT_FALSE(T.A->TreeStates().Contains(tsCutPending));
    EXPECT_FALSE(T.B->PasteFromClipboard()) << "a cut pastes once";

    // Cut, then cancel: the marks go and so does the clipboard's object.
    T.A->SetSelected(Trees::Top(T.A, 1), true);
    T.A->CutToClipboard();
    EXPECT_TRUE(Trees::Top(T.A, 1)->Has(vsCutOrCopy));
    T.A->CancelCutOrCopy();
    EXPECT_FALSE(Trees::Top(T.A, 1)->Has(vsCutOrCopy));
    EXPECT_FALSE(T.A->TreeStates().Contains(tsCutPending));
    EXPECT_FALSE(T.B->PasteFromClipboard());
    EXPECT_EQ(T.A->RootNodeCount(), 3u);

    // A new copy of another tree ends the pending one.
    T.A->SetSelected(Trees::Top(T.A, 0), true);
    T.A->CopyToClipboard();
    T.B->SetSelected(Trees::Top(T.B, 0), true);
    T.B->CopyToClipboard();
    EXPECT_FALSE(T.A->TreeStates().Contains(tsCopyPending));
    EXPECT_FALSE(Trees::Top(T.A, 0)->Has(vsCutOrCopy));
}

TEST(VTreeClipboard, FormatsOfferedAndRendered)
{
    Trees T;
    T.A->SetSelected(Trees::Top(T.A, 2), true);
    T.A->CopyToClipboard();
    const std::vector<unsigned> Formats = clipboard_probe::Formats();
    for (unsigned Want : {unsigned(CF_VIRTUALTREE()), unsigned(CF_VTREFERENCE()),
                          unsigned(CF_HTML()), unsigned(CF_VRTF()), unsigned(CF_CSV()), 1u, 13u}) {
        SCOPED_TRACE(Want);
        EXPECT_NE(std::find(Formats.begin(), Formats.end(), Want), Formats.end());
    }
    // Unicode text of the copied node; the reference names this process
    // and the tree's id.
    EXPECT_EQ(clipboard_probe::Render(13), std::string("a\0" "2\0" "\r\0\n\0\0\0", 10));
    const std::string Ref = clipboard_probe::Render(CF_VTREFERENCE());
    ASSERT_EQ(Ref.size(), 8u);
    uint32_t Pid = 0;
    uint32_t Id = 0;
    std::memcpy(&Pid, Ref.data(), 4);
    std::memcpy(&Id, Ref.data() + 4, 4);
    EXPECT_EQ(Pid, static_cast<uint32_t>(getpid()));
    EXPECT_EQ(Id, static_cast<uint32_t>(T.A->TreeId()));
    // Data others store on the object is kept and offered.
    ASSERT_TRUE(clipboard_probe::Store("Pricetags Note", "abc"));
    EXPECT_EQ(clipboard_probe::RenderNamed("Pricetags Note"), "abc");
    // The source goes: the node chunks stay, the texts go with it.
    delete T.A;
    T.A = nullptr;
    EXPECT_FALSE(clipboard_probe::Render(CF_VIRTUALTREE()).empty());
    EXPECT_TRUE(clipboard_probe::Render(13).empty());
}
