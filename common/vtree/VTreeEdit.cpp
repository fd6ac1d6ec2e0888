// In-place editing of the string tree: the edit link and its edit control.

#include "common/vtree/VTree.h"

#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Cp1251.h"

#include <algorithm>

namespace {

/// The unit's own message: adjust the editor's size after a change.
constexpr UINT CM_AUTOADJUST = CM_BASE + 2005;
/// Editors narrower than this are widened.
constexpr int MinimumEditWidth = 30;

AnsiString ToEditText(const std::u16string& S)
{
    std::string Bytes;
    Bytes.reserve(S.size());
    for (char16_t C : S)
        if (const int B = cp1251::FromUnicode(C); B >= 0)
            Bytes += static_cast<char>(B);
    return AnsiString(Bytes);
}

std::u16string FromEditText(const AnsiString& S)
{
    std::u16string Result;
    Result.reserve(static_cast<size_t>(S.Length()));
    for (char C : S.Std())
        Result += static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(C)));
    return Result;
}

}  // namespace

// ---- the base tree's side -------------------------------------------------------------------

void TBaseVirtualTree::UpdateEditBounds()
{
    if (!FStates.Contains(tsEditing) || !FEditLink || !FFocusedNode)
        return;
    FEditLink->SetBounds(EditBounds());
}

TRect TBaseVirtualTree::EditBounds()
{
    // The text rectangle starts at the content's edge (where the text
    // margin begins) and is as wide as the text: the margins are added on
    // the side the text grows to.
    TRect R = NodeDisplayRect(FFocusedNode, FEditColumn, true);
    if (IsRectEmpty(R))
        return R;
    bool RightToLeft = false;
    switch (DisplayAlignment(FEditColumn, RightToLeft)) {
    case taLeftJustify: R.Right += 2 * FTextMargin; break;
    case taRightJustify: R.Left -= 2 * FTextMargin; break;
    case taCenter: InflateRect(R, FTextMargin, 0); break;
    }
    return R;
}

void TBaseVirtualTree::SetMultiline(PVirtualNode Node, bool Value)
{
    if (!Node || Node == FRoot || Node->Has(vsMultiline) == Value)
        return;
    if (Value)
        Node->Include(vsMultiline);
    else
        Node->Exclude(vsMultiline);
    InvalidateNode(Node);
}

// ---- TVTEdit --------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TVTEdit)

TVTEdit::TVTEdit(TComponent* AOwner, TStringEditLink* Link) : TCustomMemo(AOwner), FLink(Link) {}

TVTEdit::~TVTEdit()
{
    // The window goes: a changed text is kept when the tree accepts on
    // leaving, unless the edit already ended.
    if (FLink && !FLink->FStopping && FLink->FTree && Modified() &&
        FLink->FTree->StringOptions().Contains(toAutoAcceptEditChange))
        FLink->FTree->SetText(FLink->FNode, FLink->FColumn, FromEditText(Text()));
    if (FLink)
        FLink->FEdit = nullptr;
    FLink = nullptr;
}

void TVTEdit::Release()
{
    if (HandleAllocated())
        PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TVTEdit::DropLink()
{
    // The shared reference may be the link's last: keep it until this
    // function ends.
    std::shared_ptr<TStringEditLink> Keep = std::move(FRefLink);
    FLink = nullptr;
}

void TVTEdit::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style |= ES_MULTILINE;
    if (FLink && FLink->FNode && FLink->FNode->Has(vsMultiline)) {
        Params.Style &= ~(static_cast<DWORD>(ES_AUTOHSCROLL) | static_cast<DWORD>(WS_HSCROLL));
        Params.Style |= static_cast<DWORD>(ES_AUTOVSCROLL) | static_cast<DWORD>(WS_VSCROLL);
    }
    Params.Style |= WS_BORDER;
    Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
}

void TVTEdit::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_AUTOADJUST:
        AutoAdjustSize();
        return;
    case CM_RELEASE:
        delete this;
        return;
    default:
        inherited::Dispatch(Message);
    }
}

void TVTEdit::WMGetDlgCode(TMessageRecord& Message)
{
    inherited::WMGetDlgCode(Message);
    Message.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
}

void TVTEdit::WMChar(TWMKey& Message)
{
    // Tab and Escape act on key down; as characters they would change the
    // text.
    if (Message.CharCode == VK_TAB || Message.CharCode == VK_ESCAPE)
        return;
    // Enter that ended a single-line edit arrives once the edit is over.
    if (Message.CharCode == VK_RETURN && (!FLink || FLink->FStopping))
        return;
    inherited::WMChar(Message);
}

void TVTEdit::WMKeyDown(TWMKey& Message)
{
    if (!FLink) {
        inherited::WMKeyDown(Message);
        return;
    }
    // The tree may end the link inside: keep it alive to the end.
    const std::shared_ptr<TStringEditLink> Link = FLink->shared_from_this();
    TCustomVirtualStringTree* Tree = Link->FTree;
    const bool MultiLine = Link->FNode && Link->FNode->Has(vsMultiline);
    const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (Message.CharCode) {
    case VK_RETURN:
        if (!MultiLine || Ctrl) {
            Tree->InvalidateNode(Link->FNode);
            Tree->FinishEditing();
            Tree->SetFocus();
            return;
        }
        break;
    case VK_ESCAPE:
        Tree->AbortEditing();
        Tree->SetFocus();
        return;
    case VK_UP:
    case VK_DOWN:
        if (!MultiLine)
            Message.CharCode = Message.CharCode == VK_UP ? VK_LEFT : VK_RIGHT;
        break;
    default:
        break;
    }
    inherited::WMKeyDown(Message);
}

void TVTEdit::CMExit(TMessageRecord& Message)
{
    inherited::CMExit(Message);
    if (!FLink || FLink->FStopping)
        return;
    const std::shared_ptr<TStringEditLink> Link = FLink->shared_from_this();
    TCustomVirtualStringTree* Tree = Link->FTree;
    if (Tree->StringOptions().Contains(toAutoAcceptEditChange))
        Tree->FinishEditing();
    else
        Tree->AbortEditing();
}

void TVTEdit::Change()
{
    inherited::Change();
    if (FLink && !FLink->FStopping && FLink->FNode && !FLink->FNode->Has(vsMultiline) &&
        !FLink->FTree->TreeOptions()->MiscOptions().Contains(toGridExtensions))
        AutoAdjustSize();
}

void TVTEdit::AutoAdjustSize()
{
    if (!FLink || FLink->FStopping || !FLink->FNode || FLink->FNode->Has(vsMultiline))
        return;
    TCustomVirtualStringTree* Tree = FLink->FTree;
    HDC DC = CreateCompatibleDC(nullptr);
    SelectObject(DC, Font()->Handle());
    TSize Size{0, 0};
    const AnsiString T = Text();
    GetTextExtentPoint32(DC, T.c_str(), T.Length(), Size);
    DeleteDC(DC);
    const int NewWidth = Size.cx + 2 * Tree->TextMargin();
    if (Width() > NewWidth)
        Tree->InvalidateNode(FLink->FNode);
    TRect R = BoundsRect();
    if (FLink->FAlignment == taRightJustify)
        R.Left = R.Right - NewWidth;
    else
        R.Right = R.Left + NewWidth;
    FLink->SetBounds(R);
    // The text was scrolled to keep the caret in the old width: now that it
    // fits, show it from its start.
    ScrollTo(TopLine(), 0);
    MakeCaretVisible();
}

// ---- TStringEditLink ------------------------------------------------------------------------

TStringEditLink::TStringEditLink()
{
    FEdit = new TVTEdit(nullptr, this);
    FEdit->SetVisible(false);
    FEdit->SetBorderStyle(bsSingle);
    FEdit->SetAutoSize(false);
    FEdit->SetWordWrap(false);
}

TStringEditLink::~TStringEditLink()
{
    if (!FEdit)
        return;
    FEdit->FLink = nullptr;
    if (FEdit->HandleAllocated())
        FEdit->Release();
    else if (!FEdit->Parent())
        delete FEdit;  // never placed: nobody else frees it
}

bool TStringEditLink::PrepareEdit(TBaseVirtualTree* Tree, PVirtualNode Node, TColumnIndex Column)
{
    auto* StringTree = dynamic_cast<TCustomVirtualStringTree*>(Tree);
    if (!StringTree || !FEdit)
        return false;
    FTree = StringTree;
    FNode = Node;
    FColumn = Column;
    FEdit->FRefLink = shared_from_this();
    std::u16string Text;
    FTree->CellTextInfo(Node, Column, FEdit->Font(), FTextBounds, Text);
    FEdit->Font()->SetColor(clWindowText);
    FEdit->SetWordWrap(Node->Has(vsMultiline));
    FEdit->SetParent(FTree);
    FEdit->HandleNeeded();
    FEdit->SetText(ToEditText(Text));
    FEdit->SetModified(false);
    TBiDiMode Mode = FTree->BiDiMode();
    FAlignment = FTree->Alignment();
    if (FTree->Header()->Columns()->IsValidColumn(Column)) {
        TVirtualTreeColumn* C = FTree->Header()->Columns()->GetItem(Column);
        Mode = C->BiDiMode();
        FAlignment = C->Alignment();
    }
    FEdit->SetBiDiMode(Mode);
    if (Mode != bdLeftToRight && FAlignment != taCenter)
        FAlignment = FAlignment == taLeftJustify ? taRightJustify : taLeftJustify;
    return true;
}

bool TStringEditLink::BeginEdit()
{
    if (FStopping || !FEdit)
        return false;
    FEdit->Show();
    FEdit->SelectAll();
    FEdit->SetFocus();
    return true;
}

bool TStringEditLink::EndEdit()
{
    if (FStopping)
        return false;
    const std::shared_ptr<TStringEditLink> Keep = shared_from_this();
    FStopping = true;
    if (FEdit) {
        if (FEdit->Modified())
            FTree->SetText(FNode, FColumn, FromEditText(FEdit->Text()));
        FEdit->Hide();
        FEdit->DropLink();
    }
    return true;
}

bool TStringEditLink::CancelEdit()
{
    if (FStopping)
        return false;
    const std::shared_ptr<TStringEditLink> Keep = shared_from_this();
    FStopping = true;
    if (FEdit) {
        FEdit->Hide();
        FEdit->DropLink();
    }
    return true;
}

TRect TStringEditLink::GetBounds()
{
    return FEdit ? FEdit->BoundsRect() : TRect();
}

void TStringEditLink::ProcessMessage(TMessage& Message)
{
    if (FEdit)
        Message.Result = FEdit->Perform(Message.Msg, Message.WParam, Message.LParam);
}

void TStringEditLink::SetBounds(const TRect& Bounds)
{
    if (FStopping || !FEdit || !FTree)
        return;
    TRect R = Bounds;
    R.Left = std::max(R.Left, 0);
    if (R.Width() < MinimumEditWidth) {
        if (FAlignment == taRightJustify)
            R.Left = R.Right - MinimumEditWidth;
        else
            R.Right = R.Left + MinimumEditWidth;
    }
    R.Right = std::min(R.Right, FTree->ClientWidth());
    FEdit->SetBoundsRect(R);
    // The text sits where the tree paints it: the margins traded, and a
    // single line moved to the text's top.
    constexpr int Margin = 2;
    TRect Format = FEdit->ClientRect();
    InflateRect(Format, Margin - FTree->TextMargin(), Margin);
    if (FNode && !FNode->Has(vsMultiline))
        OffsetRect(Format, 0, FTextBounds.Top - FEdit->Top());
    FEdit->Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&Format));
}
