#include "platform/gui/StdCtrls.h"

#include "platform/gui/Clipbrd.h"
#include "platform/gui/StdPrivate.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/StrUtils.h"

#include <QString>

#include <algorithm>

// ---- shared helpers -----------------------------------------------------------------------

int MeasureTextWidth(TFont* Font, const AnsiString& Text)
{
    if (Text.IsEmpty())
        return 0;
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font->Handle());
    TSize Size;
    GetTextExtentPoint32(DC, Text.c_str(), Text.Length(), Size);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return Size.cx;
}

int MeasureTextHeight(TFont* Font)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font->Handle());
    TEXTMETRIC Tm;
    GetTextMetrics(DC, Tm);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return Tm.tmHeight;
}

void DrawAlignedText(TCanvas& C, TRect R, const AnsiString& Text, TAlignment Alignment,
    TColor Color)
{
    static const UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    HDC DC = C.Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(Color));
    DrawText(DC, Text, R, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
        Alignments[Alignment]);
}

void AddSingleBorder(TCreateParams& Params, bool Ctl3D)
{
    if (Ctl3D)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
        Params.Style |= WS_BORDER;
}

FreeWatch::FreeWatch(std::initializer_list<TComponent*> Watched) : TComponent(nullptr), FWatched(Watched)
{
    for (TComponent* C : FWatched)
        C->FreeNotification(this);
}

FreeWatch::~FreeWatch()
{
    for (TComponent* C : FWatched)
        if (C)
            C->RemoveFreeNotification(this);
}

void FreeWatch::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    for (TComponent*& C : FWatched)
        if (C == AComponent) {
            C = nullptr;
            FGone = true;
        }
}

CanvasOnDC::CanvasOnDC(HDC DC, TFont* Font)
{
    FCanvas.SetHandle(DC);
    if (Font)
        FCanvas.Font()->Assign(Font);
}

CanvasOnDC::~CanvasOnDC()
{
    FCanvas.SetHandle(nullptr);
}

// ---- TCustomEdit ----------------------------------------------------------------------------

PTypeInfo TypeInfoOf(const TAlignment*)
{
    static const TTypeInfo Info = EnumTypeInfo("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    return &Info;
}

PRICETAGS_DEFINE_CLASS(TCustomEdit)

PRICETAGS_DEFINE_CLASS(TEdit)

TEdit::~TEdit() = default;

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle({csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
    FParentColor = false;
    FColor = clWindow;
    FTabStop = true;
    SetBounds(FLeft, FTop, 121, 21);
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (FBorderStyle == bsSingle)
        AddSingleBorder(Params, Ctl3D());
    if (FReadOnly)
        Params.Style |= ES_READONLY;
    if (FPasswordChar)
        Params.Style |= ES_PASSWORD;
}

void TCustomEdit::SetAutoSize(bool Value)
{
    FAutoSize = Value;
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    if (HandleAllocated())
        RecreateWnd();
    Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase Value)
{
    if (FCharCase == Value)
        return;
    FCharCase = Value;
    AnsiString S = Text();
    for (int I = 1; I <= S.Length(); ++I) {
        const auto B = static_cast<unsigned char>(S[I]);
        if (Value == ecUpperCase)
            S[I] = static_cast<char>(cp1251::ToUpper(B));
        else if (Value == ecLowerCase)
            S[I] = static_cast<char>(cp1251::ToLower(B));
    }
    SetText(S);
}

void TCustomEdit::SetHideSelection(bool Value)
{
    FHideSelection = Value;
    Invalidate();
}

void TCustomEdit::SetMaxLength(int Value)
{
    FMaxLength = Value < 0 ? 0 : Value;
}

void TCustomEdit::SetPasswordChar(char Value)
{
    if (FPasswordChar == Value)
        return;
    FPasswordChar = Value;
    Invalidate();
}

void TCustomEdit::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    Invalidate();
}

void TCustomEdit::SetSelStart(int Value)
{
    const int Len = GetTextLen();
    FSelStart = std::clamp(Value, 0, Len);
    FSelLength = 0;
    FCaretAtStart = false;
    MakeCaretVisible();
    Invalidate();
}

void TCustomEdit::SetSelLength(int Value)
{
    const int Len = GetTextLen();
    FSelLength = std::clamp(Value, 0, Len - FSelStart);
    FCaretAtStart = false;
    MakeCaretVisible();
    Invalidate();
}

AnsiString TCustomEdit::SelText() const
{
    return Text().SubString(FSelStart + 1, FSelLength);
}

void TCustomEdit::SetSelText(const AnsiString& Value)
{
    const AnsiString S = Text();
    const AnsiString NewText = S.SubString(1, FSelStart) + Value + S.SubString(FSelStart + FSelLength + 1, S.Length());
    const int Caret = FSelStart + Value.Length();
    FInternalSet = true;
    SetText(NewText);
    FInternalSet = false;
    FSelStart = Caret;
    FSelLength = 0;
    MakeCaretVisible();
    NotifyChanged();
}

void TCustomEdit::SelectAll()
{
    FSelStart = 0;
    FSelLength = GetTextLen();
    FCaretAtStart = false;
    FScrollX = 0;
    Invalidate();
}

void TCustomEdit::ClearSelection()
{
    if (FSelLength > 0)
        SetSelText(AnsiString());
}

void TCustomEdit::Clear()
{
    SetText(AnsiString());
}

void TCustomEdit::CopyToClipboard()
{
    if (FSelLength > 0 && !FPasswordChar)
        Clipboard()->SetAsText(SelText());
}

void TCustomEdit::CutToClipboard()
{
    Perform(WM_CUT);
}

void TCustomEdit::PasteFromClipboard()
{
    Perform(WM_PASTE);
}

void TCustomEdit::Undo()
{
    Perform(WM_UNDO);
}

void TCustomEdit::Change()
{
    OnChange(this);
}

void TCustomEdit::NotifyChanged()
{
    if (Parent() && HandleAllocated())
        Parent()->Perform(WM_COMMAND, MakeWParam(0, EN_CHANGE), reinterpret_cast<LPARAM>(Handle()));
    Change();
}

void TCustomEdit::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    const int Len = GetTextLen();
    if (!FInternalSet) {
        // Text set by the program: the caret goes to the start, the change
        // is reported and the text counts as not modified.
        FSelStart = 0;
        FSelLength = 0;
        FScrollX = 0;
        FModified = false;
        FUndoValid = false;
        Invalidate();
        NotifyChanged();
        return;
    }
    FSelStart = std::min(FSelStart, Len);
    FSelLength = std::min(FSelLength, Len - FSelStart);
    Invalidate();
}

void TCustomEdit::CMEnter(TMessageRecord& Message)
{
    // A multi-line text is never selected whole on entry: the next key
    // typed would replace all of it.
    uint32_t Style = 0, ExStyle = 0;
    CurrentStyles(Style, ExStyle);
    if (FAutoSelect && !(GetKeyState(VK_LBUTTON) < 0) && !(Style & ES_MULTILINE))
        SelectAll();
    inherited::CMEnter(Message);
}

void TCustomEdit::CMFontChanged(TMessageRecord& Message)
{
    inherited::CMFontChanged(Message);
    if (FAutoSize && FBorderStyle == bsSingle && !ComponentState().Contains(csLoading)) {
        // A bordered edit is as high as its font plus the border and gaps.
        const int H = MeasureTextHeight(Font()) + (Ctl3D() ? 8 : 6);
        if (H != Height())
            SetHeight(H);
    }
    Invalidate();
}

bool TCustomEdit::EditCanModify()
{
    return !FReadOnly;
}

bool TCustomEdit::ExceedsMaxLength(int Added) const
{
    return FMaxLength > 0 && Text().Length() - FSelLength + Added > FMaxLength;
}

void TCustomEdit::UserSetText(const AnsiString& Value, int CaretPos)
{
    FUndoText = Text();
    FUndoValid = true;
    FInternalSet = true;
    FText = Value;
    TMessage M;
    M.Msg = CM_TEXTCHANGED;
    Dispatch(M);
    FInternalSet = false;
    FSelStart = std::clamp(CaretPos, 0, Value.Length());
    FSelLength = 0;
    FModified = true;
    MakeCaretVisible();
    Invalidate();
    NotifyChanged();
}

AnsiString TCustomEdit::DisplayText() const
{
    if (!FPasswordChar)
        return Text();
    return AnsiString(std::string(static_cast<size_t>(Text().Length()), FPasswordChar));
}

TAlignment TCustomEdit::StyleAlignment()
{
    if (!HandleAllocated())
        return taLeftJustify;
    const auto Style = static_cast<uint32_t>(GetWindowLong(Handle(), GWL_STYLE));
    if (Style & ES_RIGHT)
        return taRightJustify;
    if (Style & ES_CENTER)
        return taCenter;
    return taLeftJustify;
}

TRect TCustomEdit::TextRect()
{
    TRect R = FFormatRectSet ? FFormatRect : ClientRect();
    if (!FFormatRectSet)
        InflateRect(R, -1, -1);
    R.Left += FLeftMargin;
    R.Right -= FRightMargin;
    if (R.Right < R.Left)
        R.Right = R.Left;
    return R;
}

int TCustomEdit::PosToX(int Pos)
{
    const TRect R = TextRect();
    const AnsiString S = DisplayText();
    const int Full = MeasureTextWidth(Font(), S);
    int Origin = R.Left - FScrollX;
    if (Full <= R.Width()) {
        const TAlignment A = StyleAlignment();
        if (A == taRightJustify)
            Origin = R.Right - Full - 1;
        else if (A == taCenter)
            Origin = R.Left + (R.Width() - Full) / 2;
    }
    return Origin + MeasureTextWidth(Font(), S.SubString(1, Pos));
}

int TCustomEdit::XToPos(int X)
{
    const AnsiString S = DisplayText();
    int Best = 0;
    int BestDist = std::abs(PosToX(0) - X);
    for (int I = 1; I <= S.Length(); ++I) {
        const int D = std::abs(PosToX(I) - X);
        if (D < BestDist) {
            Best = I;
            BestDist = D;
        }
    }
    return Best;
}

void TCustomEdit::MakeCaretVisible()
{
    const TRect R = TextRect();
    const AnsiString S = DisplayText();
    const int Caret = FCaretAtStart ? FSelStart : FSelStart + FSelLength;
    const int X = MeasureTextWidth(Font(), S.SubString(1, Caret));
    if (X - FScrollX > R.Width() - 1)
        FScrollX = X - R.Width() + 1;
    if (X < FScrollX)
        FScrollX = X;
    if (MeasureTextWidth(Font(), S) <= R.Width())
        FScrollX = 0;
}

void TCustomEdit::PaintWindow(HDC DC)
{
    Paint(DC);
}

void TCustomEdit::Paint(HDC DC)
{
    CanvasOnDC Paint(DC, Font());
    TCanvas& C = Paint.Canvas();
    const TRect Client = ClientRect();
    C.Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    C.FillRect(Client);
    const TRect R = TextRect();
    const AnsiString S = DisplayText();
    const int Left = PosToX(0);
    const int Top = R.Top;
    const bool ShowSel = FSelLength > 0 && (Focused() || !FHideSelection);
    // The clip is in logical coordinates: painting into another DC
    // (PaintTo) moves the origin.
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, R.Left, Client.Top, R.Right, Client.Bottom);
    C.Brush()->SetStyle(bsClear);
    C.Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
    C.TextOut(Left, Top, S);
    if (ShowSel) {
        const int X1 = PosToX(FSelStart);
        const int X2 = PosToX(FSelStart + FSelLength);
        const int H = MeasureTextHeight(Font());
        C.Brush()->SetColor(clHighlight);
        C.FillRect(Rect(X1, Top, X2, Top + H));
        C.Brush()->SetStyle(bsClear);
        C.Font()->SetColor(clHighlightText);
        C.TextOut(X1, Top, S.SubString(FSelStart + 1, FSelLength));
    }
    if (Focused()) {
        const int Caret = FCaretAtStart ? FSelStart : FSelStart + FSelLength;
        const int X = PosToX(Caret);
        const int H = MeasureTextHeight(Font());
        C.Pen()->SetColor(clWindowText);
        C.Pen()->SetMode(pmNot);
        C.MoveTo(X, Top);
        C.LineTo(X, Top + H);
        C.Pen()->SetMode(pmCopy);
    }
    RestoreDC(DC, Saved);
}

void TCustomEdit::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    MakeCaretVisible();
}

void TCustomEdit::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
}

void TCustomEdit::WMSetFocus(TWMSetFocus& Message)
{
    inherited::WMSetFocus(Message);
    Invalidate();
}

void TCustomEdit::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    Invalidate();
}

void TCustomEdit::WMKeyDown(TWMKey& Message)
{
    if (DoKeyDown(Message))
        return;
    EditKeyDown(Message.CharCode, KeyDataToShiftState(Message.KeyData));
}

void TCustomEdit::WMChar(TWMKey& Message)
{
    if (DoKeyPress(Message))
        return;
    EditChar(static_cast<char>(Message.CharCode));
}

void TCustomEdit::EditKeyDown(Word Key, TShiftState Shift)
{
    const int Len = GetTextLen();
    int Anchor = FCaretAtStart ? FSelStart + FSelLength : FSelStart;
    int Caret = FCaretAtStart ? FSelStart : FSelStart + FSelLength;
    bool Move = true;
    switch (Key) {
    case VK_LEFT:
        if (!Shift.Contains(ssShift) && FSelLength > 0)
            Caret = FSelStart;
        else
            Caret = std::max(0, Caret - 1);
        break;
    case VK_RIGHT:
        if (!Shift.Contains(ssShift) && FSelLength > 0)
            Caret = FSelStart + FSelLength;
        else
            Caret = std::min(Len, Caret + 1);
        break;
    case VK_HOME:
        Caret = 0;
        break;
    case VK_END:
        Caret = Len;
        break;
    case VK_DELETE:
        Move = false;
        if (Shift.Contains(ssShift)) {
            Perform(WM_CUT);
        } else if (EditCanModify()) {
            if (FSelLength > 0) {
                const AnsiString S = Text();
                UserSetText(S.SubString(1, FSelStart) + S.SubString(FSelStart + FSelLength + 1, Len), FSelStart);
            } else if (FSelStart < Len) {
                const AnsiString S = Text();
                UserSetText(S.SubString(1, FSelStart) + S.SubString(FSelStart + 2, Len), FSelStart);
            }
        }
        break;
    case VK_INSERT:
        Move = false;
        if (Shift.Contains(ssCtrl))
            Perform(WM_COPY);
        else if (Shift.Contains(ssShift))
            Perform(WM_PASTE);
        break;
    default:
        Move = false;
        break;
    }
    if (!Move)
        return;
    if (!Shift.Contains(ssShift))
        Anchor = Caret;
    FSelStart = std::min(Anchor, Caret);
    FSelLength = std::abs(Caret - Anchor);
    FCaretAtStart = Caret < Anchor;
    MakeCaretVisible();
    Invalidate();
}

void TCustomEdit::EditChar(char Key)
{
    const auto B = static_cast<unsigned char>(Key);
    switch (B) {
    case 3: // Ctrl+C
        Perform(WM_COPY);
        return;
    case 22: // Ctrl+V
        Perform(WM_PASTE);
        return;
    case 24: // Ctrl+X
        Perform(WM_CUT);
        return;
    case 26: // Ctrl+Z
        Perform(WM_UNDO);
        return;
    case 1: // Ctrl+A
        SelectAll();
        return;
    case VK_BACK: {
        if (!EditCanModify())
            return;
        const AnsiString S = Text();
        if (FSelLength > 0)
            UserSetText(S.SubString(1, FSelStart) + S.SubString(FSelStart + FSelLength + 1, S.Length()), FSelStart);
        else if (FSelStart > 0)
            UserSetText(S.SubString(1, FSelStart - 1) + S.SubString(FSelStart + 1, S.Length()), FSelStart - 1);
        return;
    }
    default:
        break;
    }
    if (B < 0x20 || !EditCanModify())
        return;
    char C = Key;
    if (FCharCase == ecUpperCase)
        C = static_cast<char>(cp1251::ToUpper(B));
    else if (FCharCase == ecLowerCase)
        C = static_cast<char>(cp1251::ToLower(B));
    if (ExceedsMaxLength(1)) {
        MessageBeep(0);
        return;
    }
    const AnsiString S = Text();
    UserSetText(S.SubString(1, FSelStart) + C + S.SubString(FSelStart + FSelLength + 1, S.Length()), FSelStart + 1);
}

void TCustomEdit::WMLButtonDown(TWMMouse& Message)
{
    inherited::WMLButtonDown(Message);
    if (CanFocus() && !Focused())
        SetFocus();
    const int Pos = XToPos(Message.XPos);
    if (KeysToShiftState(Message.Keys).Contains(ssShift)) {
        const int Anchor = FCaretAtStart ? FSelStart + FSelLength : FSelStart;
        FSelStart = std::min(Anchor, Pos);
        FSelLength = std::abs(Pos - Anchor);
        FCaretAtStart = Pos < Anchor;
        FMouseAnchor = Anchor;
    } else {
        FSelStart = Pos;
        FSelLength = 0;
        FCaretAtStart = false;
        FMouseAnchor = Pos;
    }
    FMouseSelecting = true;
    Invalidate();
}

void TCustomEdit::WMLButtonDblClk(TWMMouse& Message)
{
    inherited::WMLButtonDblClk(Message);
    SelectAll();
}

void TCustomEdit::WMMouseMove(TWMMouse& Message)
{
    inherited::WMMouseMove(Message);
    if (!FMouseSelecting)
        return;
    const int Pos = XToPos(Message.XPos);
    FSelStart = std::min(FMouseAnchor, Pos);
    FSelLength = std::abs(Pos - FMouseAnchor);
    FCaretAtStart = Pos < FMouseAnchor;
    MakeCaretVisible();
    Invalidate();
}

void TCustomEdit::WMLButtonUp(TWMMouse& Message)
{
    FMouseSelecting = false;
    inherited::WMLButtonUp(Message);
}

void TCustomEdit::WMCut(TMessage&)
{
    if (FSelLength == 0 || FPasswordChar)
        return;
    Clipboard()->SetAsText(SelText());
    if (EditCanModify()) {
        const AnsiString S = Text();
        UserSetText(S.SubString(1, FSelStart) + S.SubString(FSelStart + FSelLength + 1, S.Length()), FSelStart);
    }
}

void TCustomEdit::WMCopy(TMessage&)
{
    CopyToClipboard();
}

void TCustomEdit::WMPaste(TMessage&)
{
    if (!EditCanModify())
        return;
    AnsiString Clip = Clipboard()->AsText();
    // A single-line edit takes the first line of what is pasted.
    for (int I = 1; I <= Clip.Length(); ++I) {
        if (Clip[I] == '\r' || Clip[I] == '\n') {
            Clip = Clip.SubString(1, I - 1);
            break;
        }
    }
    if (FMaxLength > 0) {
        const int Room = FMaxLength - (GetTextLen() - FSelLength);
        if (Room < Clip.Length())
            Clip = Clip.SubString(1, std::max(0, Room));
    }
    const AnsiString S = Text();
    UserSetText(S.SubString(1, FSelStart) + Clip + S.SubString(FSelStart + FSelLength + 1, S.Length()),
                FSelStart + Clip.Length());
}

void TCustomEdit::WMClear(TMessage&)
{
    if (FSelLength > 0 && EditCanModify()) {
        const AnsiString S = Text();
        UserSetText(S.SubString(1, FSelStart) + S.SubString(FSelStart + FSelLength + 1, S.Length()), FSelStart);
    }
}

void TCustomEdit::WMUndo(TMessage&)
{
    if (!FUndoValid || !EditCanModify())
        return;
    const AnsiString Old = FUndoText;
    UserSetText(Old, Old.Length());
}

void TCustomEdit::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case EM_GETSEL: {
        const int End = FSelStart + FSelLength;
        if (Message.WParam)
            *reinterpret_cast<int*>(Message.WParam) = FSelStart;
        if (Message.LParam)
            *reinterpret_cast<int*>(Message.LParam) = End;
        Message.Result = static_cast<LRESULT>(MakeWParam(FSelStart, End));
        return;
    }
    case EM_SETSEL: {
        const int Len = GetTextLen();
        int Start = static_cast<int>(static_cast<intptr_t>(Message.WParam));
        int End = static_cast<int>(Message.LParam);
        if (Start < 0) {
            // -1 removes the selection and leaves the caret where it is.
            FSelLength = 0;
            Invalidate();
            return;
        }
        if (End < 0 || End > Len)
            End = Len;
        Start = std::min(Start, Len);
        FSelStart = std::min(Start, End);
        FSelLength = std::abs(End - Start);
        FCaretAtStart = End < Start;
        MakeCaretVisible();
        Invalidate();
        return;
    }
    case EM_GETRECT:
        if (Message.LParam)
            *reinterpret_cast<TRect*>(Message.LParam) = TextRect();
        return;
    case EM_SETRECT:
    case EM_SETRECTNP:
        if (Message.LParam) {
            FFormatRect = *reinterpret_cast<const TRect*>(Message.LParam);
            FFormatRectSet = true;
        } else {
            FFormatRectSet = false;
        }
        if (Message.Msg == EM_SETRECT)
            Invalidate();
        return;
    case EM_SCROLLCARET:
        MakeCaretVisible();
        Invalidate();
        Message.Result = 1;
        return;
    case EM_GETMODIFY:
        Message.Result = FModified ? 1 : 0;
        return;
    case EM_SETMODIFY:
        FModified = Message.WParam != 0;
        return;
    case EM_LIMITTEXT:
        SetMaxLength(static_cast<int>(Message.WParam));
        return;
    case EM_SETREADONLY:
        SetReadOnly(Message.WParam != 0);
        Message.Result = 1;
        return;
    case EM_SETMARGINS: {
        // EC_LEFTMARGIN 1, EC_RIGHTMARGIN 2.
        if (Message.WParam & 1)
            FLeftMargin = LoWord(static_cast<uintptr_t>(Message.LParam));
        if (Message.WParam & 2)
            FRightMargin = HiWord(static_cast<uintptr_t>(Message.LParam));
        Invalidate();
        return;
    }
    case EM_GETMARGINS:
        Message.Result = static_cast<LRESULT>(MakeLParam(FLeftMargin, FRightMargin));
        return;
    case WM_CUT:
        WMCut(Message);
        return;
    case WM_COPY:
        WMCopy(Message);
        return;
    case WM_PASTE:
        WMPaste(Message);
        return;
    case WM_CLEAR:
        WMClear(Message);
        return;
    case WM_UNDO:
        WMUndo(Message);
        return;
    default:
        inherited::Dispatch(Message);
        return;
    }
}

// ---- TCustomLabel --------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomLabel)
PRICETAGS_DEFINE_CLASS(TLabel)
TLabel::~TLabel() = default;

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
    SetBounds(FLeft, FTop, 65, 17);
}

TCustomLabel::~TCustomLabel() = default;

AnsiString TCustomLabel::GetLabelText()
{
    return Caption();
}

void TCustomLabel::DoDrawText(TRect& Rect, UINT Flags)
{
    AnsiString Text = GetLabelText();
    if ((Flags & DT_CALCRECT) && (Text.IsEmpty() || (FShowAccelChar && Text == "&")))
        Text = " ";
    if (!FShowAccelChar)
        Flags |= DT_NOPREFIX;
    TCanvas* C = Canvas();
    C->Font()->Assign(Font());
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    if (!Enabled()) {
        // Disabled text: an engraved copy in the highlight colour under the
        // shadow-coloured text.
        OffsetRect(Rect, 1, 1);
        SetTextColor(DC, ColorToRGB(clBtnHighlight));
        DrawText(DC, Text, Rect, Flags);
        OffsetRect(Rect, -1, -1);
        SetTextColor(DC, ColorToRGB(clBtnShadow));
        DrawText(DC, Text, Rect, Flags);
        return;
    }
    SetTextColor(DC, ColorToRGB(Font()->Color()));
    DrawText(DC, Text, Rect, Flags);
}

void TCustomLabel::Paint()
{
    static const UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    if (!Transparent()) {
        C->Brush()->SetColor(Color());
        C->FillRect(R);
    }
    UINT Flags = DT_EXPANDTABS | Alignments[FAlignment];
    if (FWordWrap)
        Flags |= DT_WORDBREAK;
    if (FLayout != tlTop) {
        TRect Calc = R;
        DoDrawText(Calc, Flags | DT_CALCRECT);
        const int Off = FLayout == tlBottom ? R.Height() - Calc.Height() : (R.Height() - Calc.Height()) / 2;
        OffsetRect(R, 0, Off);
    }
    DoDrawText(R, Flags);
}

void TCustomLabel::AdjustBounds()
{
    if (ComponentState().Contains(csLoading) || !FAutoSize)
        return;
    TRect R = ClientRect();
    // Measuring needs a DC: a screen DC with the label's font.
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font()->Handle());
    AnsiString Text = GetLabelText();
    if (Text.IsEmpty())
        Text = " ";
    UINT Flags = DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? UINT(DT_WORDBREAK) : 0u) | (FShowAccelChar ? 0u : UINT(DT_NOPREFIX));
    DrawText(DC, Text, R, Flags);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    int X = Left();
    if (FAlignment == taRightJustify)
        X += Width() - R.Right;
    else if (FAlignment == taCenter)
        X += (Width() - R.Right) / 2;
    SetBounds(X, Top(), R.Right, R.Bottom);
}

void TCustomLabel::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value)
{
    if (FLayout == Value)
        return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value)
{
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomLabel::SetShowAccelChar(bool Value)
{
    if (FShowAccelChar == Value)
        return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value)
{
    if (Transparent() == Value)
        return;
    TControlStyle S = ControlStyle();
    if (Value)
        S.Exclude(csOpaque);
    else
        S.Include(csOpaque);
    SetControlStyle(S);
    Invalidate();
}

void TCustomLabel::Loaded()
{
    inherited::Loaded();
    AdjustBounds();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

void TCustomLabel::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessageRecord& Message)
{
    inherited::CMFontChanged(Message);
    AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_DIALOGCHAR) {
        TCMDialogChar M(Message);
        if (FFocusControl && Enabled() && FShowAccelChar && IsAccel(M.CharCode, GetLabelText()) &&
            FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            Message.Result = 1;
        }
        return;
    }
    inherited::Dispatch(Message);
}

// ---- TButtonControl, TButton ----------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TButtonControl)
PRICETAGS_DEFINE_CLASS(TButton)

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner)
{
    FTabStop = true;
    FParentColor = false;
    FColor = clBtnFace;
}

TButtonControl::~TButtonControl() = default;

void TButtonControl::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_BUTTON;
}

void TButtonControl::WMKeyDown(TWMKey& Message)
{
    if (DoKeyDown(Message))
        return;
    if (Message.CharCode == VK_SPACE && !FSpaceDown) {
        FSpaceDown = true;
        FPressed = true;
        Invalidate();
    }
}

void TButtonControl::WMKeyUp(TWMKey& Message)
{
    if (DoKeyUp(Message))
        return;
    if (Message.CharCode == VK_SPACE && FSpaceDown) {
        FSpaceDown = false;
        FPressed = false;
        Invalidate();
        Press();
    }
}

void TButtonControl::WMSetFocus(TWMSetFocus& Message)
{
    inherited::WMSetFocus(Message);
    Invalidate();
}

void TButtonControl::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    FSpaceDown = false;
    FPressed = false;
    Invalidate();
}

void TButtonControl::WMLButtonDown(TWMMouse& Message)
{
    if (CanFocus() && !Focused())
        SetFocus();
    FPressed = true;
    Invalidate();
    inherited::WMLButtonDown(Message);
}

void TButtonControl::WMMouseMove(TWMMouse& Message)
{
    inherited::WMMouseMove(Message);
    if (GetKeyState(VK_LBUTTON) < 0 && MouseCapture()) {
        const bool Inside = PtInRect(ClientRect(), Message.Pos());
        if (Inside != FPressed) {
            FPressed = Inside;
            Invalidate();
        }
    }
}

void TButtonControl::WMLButtonUp(TWMMouse& Message)
{
    const bool WasPressed = FPressed;
    FPressed = false;
    Invalidate();
    // A release over the button presses it; the control's own click logic
    // is left out so that a press is reported once.
    TControlState S = ControlState();
    S.Exclude(csClicked);
    SetControlState(S);
    inherited::WMLButtonUp(Message);
    if (WasPressed && PtInRect(ClientRect(), Message.Pos()))
        Press();
}

void TButtonControl::CMDialogChar(TCMDialogChar& Message)
{
    if (IsAccel(Message.CharCode, Caption()) && CanFocus()) {
        SetFocus();
        Press();
        Message.Result = 1;
        return;
    }
    inherited::CMDialogChar(Message);
}

void TButtonControl::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    Invalidate();
}

void TButtonControl::CMEnabledChanged(TMessageRecord& Message)
{
    inherited::CMEnabledChanged(Message);
    Invalidate();
}

void TButtonControl::PaintWindow(HDC DC)
{
    CanvasOnDC P(DC, Font());
    PaintButton(P.Canvas());
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner)
{
    SetBounds(FLeft, FTop, 75, 25);
}

TButton::~TButton() = default;

void TButton::SetDefault(bool Value)
{
    FDefault = Value;
    Invalidate();
}

void TButton::Click()
{
    if (FModalResult != mrNone)
        if (TCustomForm* Form = GetParentForm(this))
            Form->SetModalResult(FModalResult);
    inherited::Click();
}

bool TButton::Active()
{
    // The focused button answers Enter; the default one only while no other
    // button has the focus.
    if (Focused())
        return true;
    if (!FDefault)
        return false;
    const TCustomForm* Form = GetParentForm(this);
    return !(Form && dynamic_cast<TButton*>(Form->ActiveControl()));
}

void TButton::CMDialogKey(TCMDialogKey& Message)
{
    const bool Enter = Message.CharCode == VK_RETURN && Active();
    const bool Escape = Message.CharCode == VK_ESCAPE && FCancel;
    if ((Enter || Escape) && !(Message.KeyData & AltMask) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    inherited::CMDialogKey(Message);
}

void TButton::DrawButtonFace(TCanvas& C, const TRect& R, bool Down)
{
    AnsiString Text = Caption();
    TRect T = R;
    if (Down)
        OffsetRect(T, 1, 1);
    HDC DC = C.Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawText(DC, Text, T, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TButton::PaintButton(TCanvas& C)
{
    TRect R = ClientRect();
    C.Brush()->SetColor(clBtnFace);
    C.FillRect(R);
    const bool Down = FPressed;
    if (Active()) {
        C.Brush()->SetColor(clWindowFrame);
        C.FrameRect(R);
        InflateRect(R, -1, -1);
    }
    TRect Face = R;
    DrawFrameControl(C.Handle(), Face, DFC_BUTTON, DFCS_BUTTONPUSH | (Down ? UINT(DFCS_PUSHED) : 0u));
    DrawButtonFace(C, R, Down);
    if (Focused()) {
        TRect F = R;
        InflateRect(F, -3, -3);
        C.Brush()->SetColor(clBtnFace);
        C.Font()->SetColor(clBtnText);
        C.DrawFocusRect(F);
    }
}

// ---- check boxes and radio buttons ------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomCheckBox)
PRICETAGS_DEFINE_CLASS(TCheckBox)
PRICETAGS_DEFINE_CLASS(TRadioButton)
TCheckBox::~TCheckBox() = default;

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner)
{
    FParentColor = true;
    SetBounds(FLeft, FTop, 97, 17);
}

TCustomCheckBox::~TCustomCheckBox() = default;

void TCustomCheckBox::SetState(TCheckBoxState Value)
{
    if (FState == Value)
        return;
    FState = Value;
    Invalidate();
    if (!ComponentState().Contains(csLoading))
        Click();
}

void TCustomCheckBox::Press()
{
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TCustomCheckBox::PaintButton(TCanvas& C)
{
    const TRect R = ClientRect();
    C.Brush()->SetColor(Color());
    C.FillRect(R);
    const int Box = 13;
    const int Top = (R.Height() - Box) / 2;
    TRect B = FAlignment == taRightJustify ? Bounds(0, Top, Box, Box) : Bounds(R.Right - Box, Top, Box, Box);
    UINT State = BoxKind();
    if (FState != cbUnchecked)
        State |= DFCS_CHECKED;
    if (FState == cbGrayed || !Enabled())
        State |= DFCS_INACTIVE;
    if (FPressed)
        State |= DFCS_PUSHED;
    DrawFrameControl(C.Handle(), B, DFC_BUTTON, State);
    TRect T = FAlignment == taRightJustify ? Rect(Box + 4, 0, R.Right, R.Bottom) : Rect(0, 0, R.Right - Box - 4, R.Bottom);
    HDC DC = C.Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    TRect Calc = T;
    DrawText(DC, Caption(), Calc, DT_SINGLELINE | DT_CALCRECT);
    DrawText(DC, Caption(), T, DT_SINGLELINE | DT_VCENTER);
    if (Focused()) {
        TRect F = Rect(T.Left - 1, (R.Height() - Calc.Height()) / 2 - 1, T.Left + Calc.Width() + 1,
                       (R.Height() + Calc.Height()) / 2 + 1);
        C.Brush()->SetColor(Color());
        C.Font()->SetColor(Font()->Color());
        C.DrawFocusRect(F);
    }
}

TRadioButton::TRadioButton(TComponent* AOwner) : TCustomCheckBox(AOwner)
{
    SetBounds(FLeft, FTop, 113, 17);
}

TRadioButton::~TRadioButton() = default;

void TRadioButton::SetChecked(bool Value)
{
    if (Value && Parent()) {
        for (int I = 0; I < Parent()->ControlCount(); ++I) {
            auto* Other = dynamic_cast<TRadioButton*>(Parent()->Controls(I));
            if (Other && Other != this && Other->Checked()) {
                Other->FState = cbUnchecked;
                Other->Invalidate();
            }
        }
    }
    TCustomCheckBox::SetChecked(Value);
}

void TRadioButton::Press()
{
    if (!Checked())
        SetChecked(true);
}

// ---- group box ------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomGroupBox)
PRICETAGS_DEFINE_CLASS(TGroupBox)
TGroupBox::~TGroupBox() = default;

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable});
    FParentColor = true;
    SetBounds(FLeft, FTop, 185, 105);
}

TCustomGroupBox::~TCustomGroupBox() = default;

void TCustomGroupBox::AdjustClientRect(TRect& Rect)
{
    inherited::AdjustClientRect(Rect);
    const int H = MeasureTextHeight(Font());
    Rect.Top += H;
    InflateRect(Rect, -1, -1);
    if (Ctl3D())
        InflateRect(Rect, -1, -1);
}

void TCustomGroupBox::Paint()
{
    TCanvas* C = Canvas();
    C->Font()->Assign(Font());
    C->Brush()->SetColor(Color());
    const TRect Client = TControl::ClientRect();
    C->FillRect(Client);
    const int H = MeasureTextHeight(Font());
    TRect R = Rect(0, H / 2 - 1, Client.Right, Client.Bottom);
    DrawEdge(C->Handle(), R, EDGE_ETCHED, BF_RECT);
    const AnsiString Text = Caption();
    if (Text.IsEmpty())
        return;
    TRect T = Rect(8, 0, 0, H);
    HDC DC = C->Handle();
    DrawText(DC, Text, T, DT_SINGLELINE | DT_CALCRECT);
    C->Brush()->SetColor(Color());
    TRect Back = T;
    InflateRect(Back, 1, 0);
    C->FillRect(Back);
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawText(DC, Text, T, DT_SINGLELINE);
}

void TCustomGroupBox::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    Invalidate();
}

// ---- list box ------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomListBox)
PRICETAGS_DEFINE_CLASS(TListBox)
TListBox::~TListBox() = default;

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TStringList>()), FCanvas(std::make_unique<TControlCanvas>())
{
    FCanvas->SetControl(this);
    FItems->OnChange = TNotifyEvent(this, &TCustomListBox::ItemsChanged);
    FParentColor = false;
    FColor = clWindow;
    FTabStop = true;
    FItemHeight = MeasureTextHeight(Font());
    SetBounds(FLeft, FTop, 121, 97);
}

TCustomListBox::~TCustomListBox()
{
    FItems->OnChange = nullptr;
}

TStrings* TCustomListBox::Items() const { return FItems.get(); }

void TCustomListBox::SetItems(TStrings* Value)
{
    FItems->Assign(Value);
}

void TCustomListBox::ItemsChanged(TObject*)
{
    if (FItemIndex >= FItems->Count())
        FItemIndex = -1;
    UpdateScrollBar();
    Invalidate();
}

void TCustomListBox::Clear()
{
    FItems->Clear();
    FItemIndex = -1;
    FTopIndex = 0;
    UpdateScrollBar();
}

void TCustomListBox::UpdateScrollBar()
{
    if (!HandleAllocated())
        return;
    const int Top = SyncScrollBar(FHandle, SB_VERT, FItems->Count(), VisibleItemCount(), FTopIndex);
    if (Top != FTopIndex) {
        FTopIndex = Top;
        Invalidate();
    }
}

void TCustomListBox::CreateWnd()
{
    inherited::CreateWnd();
    UpdateScrollBar();
}

void TCustomListBox::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    UpdateScrollBar();
}

void TCustomListBox::WMVScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        inherited::WMVScroll(Message);
        return;
    }
    SetTopIndex(ScrolledPos(FHandle, SB_VERT, Message.ScrollCode, 1));
}

void TCustomListBox::SetSorted(bool Value)
{
    FSorted = Value;
    FItems->SetSorted(Value);
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TCustomListBox::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    if (FBorderStyle == bsSingle)
        AddSingleBorder(Params, Ctl3D());
}

void TCustomListBox::SetItemHeight(int Value)
{
    if (Value > 0 && Value != FItemHeight) {
        FItemHeight = Value;
        UpdateScrollBar();
        Invalidate();
    }
}

int TCustomListBox::VisibleItemCount()
{
    return std::max(1, ClientHeight() / std::max(1, FItemHeight));
}

void TCustomListBox::SetTopIndex(int Value)
{
    const int Max = std::max(0, FItems->Count() - VisibleItemCount());
    Value = std::clamp(Value, 0, Max);
    if (Value != FTopIndex) {
        FTopIndex = Value;
        Invalidate();
    }
    UpdateScrollBar();
}

void TCustomListBox::MakeVisible(int Index)
{
    if (Index < 0)
        return;
    if (Index < FTopIndex)
        SetTopIndex(Index);
    else if (Index >= FTopIndex + VisibleItemCount())
        SetTopIndex(Index - VisibleItemCount() + 1);
}

void TCustomListBox::SetItemIndex(int Value)
{
    if (Value < -1 || Value >= FItems->Count())
        Value = -1;
    if (Value == FItemIndex)
        return;
    FItemIndex = Value;
    MakeVisible(Value);
    Invalidate();
}

void TCustomListBox::UserSelect(int Index)
{
    if (Index < 0 || Index >= FItems->Count() || Index == FItemIndex)
        return;
    SetItemIndex(Index);
    Click();
    OnChange(this);
}

TRect TCustomListBox::ItemRect(int Index)
{
    const int Y = (Index - FTopIndex) * FItemHeight;
    return Rect(0, Y, ClientWidth(), Y + FItemHeight);
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing)
{
    if (Pos.Y < 0 || Pos.X < 0 || Pos.X >= ClientWidth())
        return -1;
    const int Index = FTopIndex + Pos.Y / std::max(1, FItemHeight);
    if (Index < FItems->Count())
        return Index;
    return Existing ? -1 : FItems->Count();
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (FStyle != lbStandard && OnDrawItem.Assigned()) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    FCanvas->Brush()->SetStyle(bsClear);
    FCanvas->TextOut(Rect.Left + 2, Rect.Top, FItems->Strings(Index));
    FCanvas->Brush()->SetStyle(bsSolid);
}

void TCustomListBox::PaintWindow(HDC DC)
{
    FCanvas->SetHandle(DC);
    const TRect Client = ClientRect();
    FCanvas->Brush()->SetColor(Color());
    FCanvas->FillRect(Client);
    for (int I = FTopIndex; I < FItems->Count(); ++I) {
        const TRect R = ItemRect(I);
        if (R.Top >= Client.Bottom)
            break;
        TOwnerDrawState State;
        FCanvas->Font()->Assign(Font());
        FCanvas->Brush()->SetColor(Color());
        if (I == FItemIndex) {
            State.Include(odSelected);
            FCanvas->Brush()->SetColor(clHighlight);
            FCanvas->Font()->SetColor(clHighlightText);
        }
        if (I == FItemIndex && Focused())
            State.Include(odFocused);
        if (!Enabled())
            State.Include(odDisabled);
        DrawItem(I, R, State);
        if (State.Contains(odFocused)) {
            FCanvas->Brush()->SetColor(clHighlight);
            FCanvas->DrawFocusRect(R);
        }
    }
    FCanvas->SetHandle(nullptr);
}

void TCustomListBox::KeyDown(Word& Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    const int Count = FItems->Count();
    if (Key == 0 || Count == 0)
        return;
    int Index = FItemIndex;
    switch (Key) {
    case VK_UP: Index = std::max(0, Index - 1); break;
    case VK_DOWN: Index = std::min(Count - 1, Index + 1); break;
    case VK_PRIOR: Index = std::max(0, Index - VisibleItemCount() + 1); break;
    case VK_NEXT: Index = std::min(Count - 1, std::max(0, Index) + VisibleItemCount() - 1); break;
    case VK_HOME: Index = 0; break;
    case VK_END: Index = Count - 1; break;
    default: return;
    }
    UserSelect(Index);
}

void TCustomListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (CanFocus() && !Focused())
        SetFocus();
    if (Button == mbLeft)
        UserSelect(ItemAtPos(Point(X, Y), true));
    inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomListBox::MouseMove(TShiftState Shift, int X, int Y)
{
    if (Shift.Contains(ssLeft) && MouseCapture())
        UserSelect(ItemAtPos(Point(X, std::clamp(Y, 0, ClientHeight() - 1)), true));
    inherited::MouseMove(Shift, X, Y);
}

bool TCustomListBox::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelDown(Shift, MousePos))
        SetTopIndex(FTopIndex + WheelScrollLines);
    return true;
}

bool TCustomListBox::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelUp(Shift, MousePos))
        SetTopIndex(FTopIndex - WheelScrollLines);
    return true;
}

void TCustomListBox::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void TCustomListBox::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case LB_GETCURSEL:
        Message.Result = FItemIndex;
        return;
    case LB_SETCURSEL:
        SetItemIndex(static_cast<int>(static_cast<intptr_t>(Message.WParam)));
        Message.Result = FItemIndex;
        return;
    case LB_SELECTSTRING: {
        // Search after the start index, wrapping; 0xFFFF (-1) searches all.
        const AnsiString Prefix = reinterpret_cast<const char*>(Message.LParam);
        const int Count = FItems->Count();
        int Start = static_cast<int>(static_cast<int16_t>(LoWord(Message.WParam)));
        Message.Result = -1;
        for (int N = 1; N <= Count; ++N) {
            const int I = Start < 0 ? N - 1 : (Start + N) % Count;
            const AnsiString Item = FItems->Strings(I);
            if (Item.Length() >= Prefix.Length() && AnsiSameText(Item.SubString(1, Prefix.Length()), Prefix)) {
                SetItemIndex(I);
                Message.Result = I;
                return;
            }
        }
        return;
    }
    default:
        inherited::Dispatch(Message);
        return;
    }
}

// ---- combo box ----------------------------------------------------------------------------------

/// The list a combo box drops down: a top-level window of its own that the
/// window system does not activate, so the box keeps the focus and its keys.
class TComboDropList : public TCustomListBox {
    PRICETAGS_CLASS(TComboDropList, TCustomListBox)
public:
    explicit TComboDropList(TCustomComboBox* Box) : TCustomListBox(Box), FBox(Box)
    {
        FVisible = false;
        FBorderStyle = bsNone;
    }
    ~TComboDropList() override;

protected:
    void CreateParams(TCreateParams& Params) override
    {
        inherited::CreateParams(Params);
        Params.Style = WS_POPUP;
        Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        Params.WindowClassStyle |= CS_SAVEBITS;
        Params.WndParent = nullptr;
    }
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == WM_MOUSEACTIVATE) {
            Message.Result = MA_NOACTIVATE;
            return;
        }
        inherited::Dispatch(Message);
    }
    void PaintWindow(HDC DC) override
    {
        inherited::PaintWindow(DC);
        // A frame parts the list from the window under it.
        FrameRect(DC, ClientRect(), GetSysColorBrush(COLOR_WINDOWFRAME));
    }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        // The box keeps the focus: the list only follows the mouse.
        if (Button == mbLeft)
            SetItemIndex(ItemAtPos(Point(X, Y), true));
        TWinControl::MouseDown(Button, Shift, X, Y);
    }
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        inherited::MouseUp(Button, Shift, X, Y);
        if (Button != mbLeft)
            return;
        const bool Inside = X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight();
        FBox->ListClicked(Inside ? ItemAtPos(Point(X, Y), true) : -1);
    }

private:
    TCustomComboBox* FBox;
};

PRICETAGS_DEFINE_CLASS(TComboDropList)
TComboDropList::~TComboDropList() = default;

PRICETAGS_DEFINE_CLASS(TCustomComboBox)
PRICETAGS_DEFINE_CLASS(TComboBox)
TComboBox::~TComboBox() = default;

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TStringList>()), FCanvas(std::make_unique<TControlCanvas>())
{
    FCanvas->SetControl(this);
    FItems->OnChange = TNotifyEvent(this, &TCustomComboBox::ItemsChanged);
    FParentColor = false;
    FColor = clWindow;
    FTabStop = true;
    FItemHeight = MeasureTextHeight(Font());
    SetBounds(FLeft, FTop, 145, 21);
}

TCustomComboBox::~TCustomComboBox()
{
    FItems->OnChange = nullptr;
}

TStrings* TCustomComboBox::Items() const { return FItems.get(); }

void TCustomComboBox::SetItems(TStrings* Value)
{
    FItems->Assign(Value);
}

void TCustomComboBox::ItemsChanged(TObject*)
{
    if (FItemIndex >= FItems->Count())
        FItemIndex = -1;
    Invalidate();
}

void TCustomComboBox::SetSorted(bool Value)
{
    FSorted = Value;
    FItems->SetSorted(Value);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    FStyle = Value;
    Invalidate();
}

void TCustomComboBox::Clear()
{
    FItems->Clear();
    FItemIndex = -1;
    SetText(AnsiString());
}

void TCustomComboBox::SelectAll() {}

void TCustomComboBox::SetItemIndex(int Value)
{
    if (Value < -1 || Value >= FItems->Count())
        Value = -1;
    FItemIndex = Value;
    FSettingText = true;
    SetText(Value >= 0 ? FItems->Strings(Value) : AnsiString());
    FSettingText = false;
    Invalidate();
}

void TCustomComboBox::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    if (!FSettingText) {
        // Text set by the program selects the item of that text, if any.
        FItemIndex = FItems->IndexOf(Text());
    }
    Invalidate();
}

void TCustomComboBox::Change() { OnChange(this); }
void TCustomComboBox::Select() { OnSelect(this); }

void TCustomComboBox::DropDown() { OnDropDown(this); }

void TCustomComboBox::CloseUp() { OnCloseUp(this); }

void TCustomComboBox::UserSelect(int Index)
{
    if (Index < 0 || Index >= FItems->Count())
        return;
    const bool Changed = Index != FItemIndex;
    SetItemIndex(Index);
    if (Changed) {
        Click();
        Change();
    }
    Select();
}

TRect TCustomComboBox::DropDownRect()
{
    const int Rows = std::max(1, std::min(FDropDownCount, FItems->Count()));
    return Rect(0, Height(), Width(), Height() + Rows * FItemHeight + 2);
}

void TCustomComboBox::SetDroppedDown(bool Value)
{
    if (Value == FDroppedDown)
        return;
    if (Value) {
        DropDown();
        FDroppedDown = true;
        FListIndex = FItemIndex;
        ShowList(true);
    } else {
        FDroppedDown = false;
        ShowList(false);
        CloseUp();
    }
    Invalidate();
}

void TCustomComboBox::ShowList(bool Show)
{
    if (!Show) {
        if (FList && FList->HandleAllocated())
            SetWindowPos(FList->Handle(), nullptr, 0, 0, 0, 0,
                         SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        if (FList)
            FList->SetVisible(false);
        return;
    }
    if (!FList)
        FList = new TComboDropList(this);
    FList->Font()->Assign(Font());
    FList->SetColor(Color());
    FList->SetItemHeight(FItemHeight);
    FList->Items()->Assign(FItems.get());
    const TRect Below = DropDownRect();
    FList->SetClientWidth(Below.Width());
    FList->SetClientHeight(Below.Height());
    const TPoint P = ClientToScreen(Point(0, 0));
    int Y = P.Y + Height();
    if (Y + FList->Height() > GetSystemMetrics(SM_CYSCREEN))
        Y = std::max(0, P.Y - FList->Height());
    FList->SetBounds(P.X, Y, Width(), FList->Height());
    FList->SetItemIndex(FListIndex);
    FList->SetVisible(true);
    SetWindowPos(FList->Handle(), HWND_TOP, P.X, Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // The list belongs to the box's window, so that a modal window lets
    // it take the mouse.
    TWinControl* Top = this;
    while (Top->Parent())
        Top = Top->Parent();
    if (Top->HandleAllocated())
        SetWindowLong(FList->Handle(), GWL_HWNDPARENT, reinterpret_cast<intptr_t>(Top->Handle()));
}

void TCustomComboBox::ListClicked(int Index)
{
    if (!FDroppedDown)
        return;
    SetDroppedDown(false);
    if (Index >= 0)
        UserSelect(Index);
    if (CanFocus() && !Focused())
        SetFocus();
}

void TCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if ((FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) && OnDrawItem.Assigned()) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    FCanvas->Brush()->SetStyle(bsClear);
    FCanvas->TextOut(Rect.Left + 2, Rect.Top + (Rect.Height() - FItemHeight) / 2, FItems->Strings(Index));
    FCanvas->Brush()->SetStyle(bsSolid);
}

void TCustomComboBox::PaintWindow(HDC DC)
{
    FCanvas->SetHandle(DC);
    const TRect Client = ClientRect();
    const int Button = GetSystemMetrics(SM_CXVSCROLL);
    FCanvas->Font()->Assign(Font());
    FCanvas->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    FCanvas->FillRect(Client);
    TRect Field = Rect(Client.Left + 1, Client.Top + 1, Client.Right - Button - 1, Client.Bottom - 1);
    TOwnerDrawState State{odComboBoxEdit};
    if (Focused() && !FDroppedDown) {
        State.Include(odFocused);
        State.Include(odSelected);
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
    }
    if (FItemIndex >= 0 && !EditStyle()) {
        DrawItem(FItemIndex, Field, State);
    } else {
        FCanvas->FillRect(Field);
        FCanvas->Brush()->SetStyle(bsClear);
        FCanvas->TextOut(Field.Left + 2, Field.Top + (Field.Height() - FItemHeight) / 2, Text());
        FCanvas->Brush()->SetStyle(bsSolid);
    }
    if (State.Contains(odFocused))
        FCanvas->DrawFocusRect(Field);
    TRect B = Rect(Client.Right - Button, Client.Top, Client.Right, Client.Bottom);
    DrawFrameControl(DC, B, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (FDroppedDown ? DFCS_PUSHED | DFCS_FLAT : 0) |
                                           (Enabled() ? 0u : UINT(DFCS_INACTIVE)));
    FCanvas->SetHandle(nullptr);
}

void TCustomComboBox::KeyDown(Word& Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    const int Count = FItems->Count();
    if (Key == 0)
        return;
    if ((Key == VK_DOWN || Key == VK_UP) && Shift.Contains(ssAlt)) {
        SetDroppedDown(!FDroppedDown);
        Key = 0;
        return;
    }
    if (Key == VK_F4) {
        SetDroppedDown(!FDroppedDown);
        Key = 0;
        return;
    }
    if (FDroppedDown && (Key == VK_RETURN || Key == VK_ESCAPE)) {
        if (Key == VK_RETURN)
            UserSelect(FListIndex);
        SetDroppedDown(false);
        Key = 0;
        return;
    }
    if (Count == 0)
        return;
    int Index = FDroppedDown ? FListIndex : FItemIndex;
    switch (Key) {
    case VK_UP: Index = std::max(0, Index - 1); break;
    case VK_DOWN: Index = std::min(Count - 1, Index + 1); break;
    case VK_PRIOR: Index = std::max(0, Index - FDropDownCount + 1); break;
    case VK_NEXT: Index = std::min(Count - 1, std::max(0, Index) + FDropDownCount - 1); break;
    case VK_HOME:
        if (EditStyle())
            return;
        Index = 0;
        break;
    case VK_END:
        if (EditStyle())
            return;
        Index = Count - 1;
        break;
    default: return;
    }
    Key = 0;
    if (FDroppedDown) {
        FListIndex = Index;
        if (FList)
            FList->SetItemIndex(Index);
        Invalidate();
    } else {
        UserSelect(Index);
    }
}

void TCustomComboBox::KeyPress(char& Key)
{
    inherited::KeyPress(Key);
    const auto B = static_cast<unsigned char>(Key);
    if (Key == 0 || B < 0x20)
        return;
    if (!EditStyle()) {
        // A typed character picks the next item starting with it.
        const int Count = FItems->Count();
        for (int N = 1; N <= Count; ++N) {
            const int I = (std::max(FItemIndex, -1) + N + Count) % Count;
            const AnsiString S = FItems->Strings(I);
            if (!S.IsEmpty() && AnsiSameText(S.SubString(1, 1), AnsiString(Key))) {
                UserSelect(I);
                break;
            }
        }
        Key = 0;
        return;
    }
    if (FMaxLength > 0 && Text().Length() >= FMaxLength) {
        Key = 0;
        return;
    }
    FSettingText = false;
    SetText(Text() + AnsiString(Key));
    Change();
    Key = 0;
}

void TCustomComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (CanFocus() && !Focused())
        SetFocus();
    if (Button == mbLeft)
        SetDroppedDown(!FDroppedDown);
    inherited::MouseDown(Button, Shift, X, Y);
}

bool TCustomComboBox::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (!FDroppedDown || !FList)
        return inherited::DoMouseWheelDown(Shift, MousePos);
    FList->SetTopIndex(FList->TopIndex() + WheelScrollLines);
    return true;
}

bool TCustomComboBox::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (!FDroppedDown || !FList)
        return inherited::DoMouseWheelUp(Shift, MousePos);
    FList->SetTopIndex(FList->TopIndex() - WheelScrollLines);
    return true;
}

void TCustomComboBox::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void TCustomComboBox::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    SetDroppedDown(false);
}

void TCustomComboBox::CMCancelMode(TMessageRecord& Message)
{
    inherited::CMCancelMode(Message);
    // A click in the box's own list picks from it (on its release).
    if (reinterpret_cast<TControl*>(Message.LParam) != FList)
        SetDroppedDown(false);
}

void TCustomComboBox::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case LB_GETCURSEL:
        Message.Result = FItemIndex;
        return;
    default:
        inherited::Dispatch(Message);
        return;
    }
}

// ---- memo --------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomMemo)
PRICETAGS_DEFINE_CLASS(TMemo)
TMemo::~TMemo() = default;

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TStringList>())
{
    FLines->OnChange = TNotifyEvent(this, &TCustomMemo::LinesChanged);
    FAutoSize = false;
    SetBounds(FLeft, FTop, 185, 89);
}

TCustomMemo::~TCustomMemo()
{
    FLines->OnChange = nullptr;
}

void TCustomMemo::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style |= ES_MULTILINE;
}

TStrings* TCustomMemo::Lines()
{
    return FLines.get();
}

void TCustomMemo::SetLines(TStrings* Value)
{
    FLines->Assign(Value);
}

void TCustomMemo::LinesChanged(TObject*)
{
    if (FSyncing)
        return;
    FSyncing = true;
    AnsiString T = FLines->Text();
    // The text has no break after its last line.
    if (T.Length() >= 2 && T[T.Length() - 1] == '\r' && T[T.Length()] == '\n')
        T.SetLength(T.Length() - 2);
    SetText(T);
    FSyncing = false;
}

void TCustomMemo::CMTextChanged(TMessageRecord& Message)
{
    inherited::CMTextChanged(Message);
    if (!FSyncing) {
        FSyncing = true;
        FLines->SetText(Text());
        FSyncing = false;
    }
    UpdateScrollBars();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value)
{
    FScrollBars = Value;
    UpdateScrollBars();
    Invalidate();
}

void TCustomMemo::SetWordWrap(bool Value)
{
    FWordWrap = Value;
    if (Value)
        FHorzPos = 0;
    UpdateScrollBars();
    Invalidate();
}

int TCustomMemo::LinesShown()
{
    return TextRect().Height() / std::max(MeasureTextHeight(Font()), 1);
}

void TCustomMemo::UpdateScrollBars()
{
    if (!HandleAllocated() || FSyncingBars)
        return;
    FSyncingBars = true;
    const bool Vert = FScrollBars == ssVertical || FScrollBars == ssBoth;
    // Wrapped lines never reach past the right edge.
    const bool Horz = (FScrollBars == ssHorizontal || FScrollBars == ssBoth) && !FWordWrap;
    int Widest = 0;
    if (Horz)
        for (int I = 0; I < FLines->Count(); ++I)
            Widest = std::max(Widest, MeasureTextWidth(Font(), FLines->Strings(I)) + 1);
    const int OldTop = FTopLine;
    const int OldX = FHorzPos;
    // Each bar takes room from the other's page: twice settles both.
    for (int Pass = 0; Pass < 2; ++Pass) {
        const int X = SyncScrollBar(FHandle, SB_HORZ, Widest, TextRect().Width(), FHorzPos);
        FHorzPos = Horz ? X : FHorzPos;
        const int Top = SyncScrollBar(FHandle, SB_VERT, Vert ? FLines->Count() : 0, LinesShown(), FTopLine);
        FTopLine = Vert ? Top : FTopLine;
    }
    FSyncingBars = false;
    if (FTopLine != OldTop || FHorzPos != OldX)
        Invalidate();
}

void TCustomMemo::ScrollTo(int TopLine, int HorzPos)
{
    FTopLine = std::clamp(TopLine, 0, std::max(0, FLines->Count() - 1));
    FHorzPos = std::max(HorzPos, 0);
    UpdateScrollBars();
    Invalidate();
}

void TCustomMemo::MakeCaretVisible()
{
    if (!HandleAllocated())
        return;
    const TPoint Cp = CaretPos();
    const int Shown = std::max(LinesShown(), 1);
    int Top = FTopLine;
    if (Cp.Y < Top)
        Top = Cp.Y;
    else if (Cp.Y >= Top + Shown)
        Top = Cp.Y - Shown + 1;
    int X = FHorzPos;
    if (!FWordWrap) {
        const AnsiString Line = Cp.Y < FLines->Count() ? FLines->Strings(Cp.Y) : AnsiString();
        const int At = MeasureTextWidth(Font(), Line.SubString(1, Cp.X));
        const int Width = TextRect().Width();
        if (At < X)
            X = At;
        else if (At - X > Width - 1)
            X = At - Width + 1;
    }
    if (Top != FTopLine || X != FHorzPos)
        ScrollTo(Top, X);
}

void TCustomMemo::CreateWnd()
{
    inherited::CreateWnd();
    UpdateScrollBars();
}

void TCustomMemo::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    UpdateScrollBars();
}

void TCustomMemo::WMVScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        inherited::WMVScroll(Message);
        return;
    }
    ScrollTo(ScrolledPos(FHandle, SB_VERT, Message.ScrollCode, 1), FHorzPos);
}

void TCustomMemo::WMHScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        inherited::WMHScroll(Message);
        return;
    }
    ScrollTo(FTopLine, ScrolledPos(FHandle, SB_HORZ, Message.ScrollCode, MeasureTextWidth(Font(), "0")));
}

bool TCustomMemo::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelDown(Shift, MousePos))
        ScrollTo(FTopLine + WheelScrollLines, FHorzPos);
    return true;
}

bool TCustomMemo::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelUp(Shift, MousePos))
        ScrollTo(FTopLine - WheelScrollLines, FHorzPos);
    return true;
}

int TCustomMemo::LineStart(int Line)
{
    const AnsiString S = Text();
    int L = 0;
    for (int I = 1; I <= S.Length(); ++I) {
        if (L == Line)
            return I - 1;
        if (S[I] == '\n')
            ++L;
    }
    return L == Line ? S.Length() : S.Length();
}

TPoint TCustomMemo::CaretPos()
{
    const AnsiString S = Text();
    const int Caret = FCaretAtStart ? FSelStart : FSelStart + FSelLength;
    int Line = 0, Col = 0;
    for (int I = 1; I <= Caret && I <= S.Length(); ++I) {
        if (S[I] == '\n') {
            ++Line;
            Col = 0;
        } else if (S[I] != '\r') {
            ++Col;
        }
    }
    return Point(Col, Line);
}

void TCustomMemo::Paint(HDC DC)
{
    CanvasOnDC P(DC, Font());
    TCanvas& C = P.Canvas();
    const TRect Client = ClientRect();
    C.Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    C.FillRect(Client);
    TRect R = TextRect();
    const int H = MeasureTextHeight(Font());
    C.Brush()->SetStyle(bsClear);
    C.Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
    for (int I = FTopLine; I < FLines->Count(); ++I) {
        const int Y = R.Top + (I - FTopLine) * H;
        if (Y >= R.Bottom)
            break;
        TRect LineRect = Rect(R.Left, Y, R.Right, Y + H);
        C.TextRect(LineRect, R.Left - FHorzPos, Y, FLines->Strings(I));
    }
    if (Focused()) {
        const TPoint Cp = CaretPos();
        const AnsiString Line = Cp.Y < FLines->Count() ? FLines->Strings(Cp.Y) : AnsiString();
        const int X = R.Left - FHorzPos + MeasureTextWidth(Font(), Line.SubString(1, Cp.X));
        const int Y = R.Top + (Cp.Y - FTopLine) * H;
        C.Pen()->SetColor(clWindowText);
        C.MoveTo(X, Y);
        C.LineTo(X, Y + H);
    }
}

void TCustomMemo::EditKeyDown(Word Key, TShiftState Shift)
{
    if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT) {
        const TPoint Cp = CaretPos();
        const int Step = Key == VK_UP || Key == VK_DOWN ? 1 : std::max(LinesShown() - 1, 1);
        int Line = Key == VK_UP || Key == VK_PRIOR ? Cp.Y - Step : Cp.Y + Step;
        // A page key stops at the first or last line; an arrow there does nothing.
        if (Step > 1)
            Line = std::clamp(Line, 0, std::max(FLines->Count() - 1, 0));
        if (Line < 0 || Line >= FLines->Count() || Line == Cp.Y)
            return;
        const int Start = LineStart(Line);
        const int Pos = Start + std::min(Cp.X, FLines->Strings(Line).Length());
        SetSelStart(Pos);
        return;
    }
    inherited::EditKeyDown(Key, Shift);
}

void TCustomMemo::EditChar(char Key)
{
    if (Key == '\r') {
        if (!FWantReturns || !EditCanModify())
            return;
        const AnsiString S = Text();
        UserSetText(S.SubString(1, FSelStart) + "\r\n" + S.SubString(FSelStart + FSelLength + 1, S.Length()),
                    FSelStart + 2);
        return;
    }
    if (Key == '\t' && FWantTabs && EditCanModify()) {
        const AnsiString S = Text();
        UserSetText(S.SubString(1, FSelStart) + "\t" + S.SubString(FSelStart + FSelLength + 1, S.Length()),
                    FSelStart + 1);
        return;
    }
    inherited::EditChar(Key);
}

void TCustomMemo::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    if (FWantReturns)
        Message.Result |= DLGC_WANTALLKEYS;
    if (FWantTabs)
        Message.Result |= DLGC_WANTTAB;
}

void TCustomMemo::WMPaste(TMessage&)
{
    if (!EditCanModify())
        return;
    const AnsiString Clip = Clipboard()->AsText();
    const AnsiString S = Text();
    UserSetText(S.SubString(1, FSelStart) + Clip + S.SubString(FSelStart + FSelLength + 1, S.Length()),
                FSelStart + Clip.Length());
}

void TCustomMemo::Dispatch(TMessage& Message)
{
    if (Message.Msg == EM_LINESCROLL) {
        ScrollTo(FTopLine + static_cast<int>(Message.LParam), FHorzPos);
        Message.Result = 1;
        return;
    }
    inherited::Dispatch(Message);
}
