#include "platform/gui/StdCtrls.h"

#include "platform/gui/StdPrivate.h"
#include "platform/rtl/Cp1251.h"

#include <QClipboard>
#include <QGuiApplication>
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

AnsiString ClipboardText()
{
    QClipboard* Clip = QGuiApplication::clipboard();
    if (!Clip)
        return AnsiString();
    return AnsiString::FromUtf8(Clip->text().toStdString());
}

void SetClipboardText(const AnsiString& Text)
{
    QClipboard* Clip = QGuiApplication::clipboard();
    if (Clip)
        Clip->setText(QString::fromStdString(Text.ToUtf8()));
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

TClass TCustomEdit::StaticClass()
{
    static const MetaClass Class = MetaClass::Make<TCustomEdit>("TCustomEdit");
    return &Class;
}

TClass TEdit::StaticClass()
{
    static const MetaClass Class = MetaClass::Make<TEdit>("TEdit");
    return &Class;
}

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
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
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
        SetClipboardText(SelText());
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
    if (FAutoSelect && !(GetKeyState(VK_LBUTTON) < 0))
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
    HRGN Clip = CreateRectRgn(R.Left, Client.Top, R.Right, Client.Bottom);
    SelectClipRgn(DC, Clip);
    DeleteObject(Clip);
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
    SelectClipRgn(DC, nullptr);
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
    SetClipboardText(SelText());
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
    AnsiString Clip = ClipboardText();
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
