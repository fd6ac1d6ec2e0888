#include "common/components/ToolEdit.h"

#include "common/components/FileUtil.h"
#include "common/components/PickDate.h"
#include "common/components/ToolEditPrivate.h"
#include "common/components/VCLUtils.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/ShellAPI.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

#include <algorithm>

const char* const SInvalidFilename = "Invalid file name - %s";

namespace {

/// The file edit's glyph: a small open folder.
TBitmap* FileGlyph()
{
    static TBitmap* Glyph = [] {
        auto* B = new TBitmap();
        B->SetSize(15, 13);
        TCanvas* C = B->Canvas();
        C->Brush()->SetColor(clFuchsia);
        C->FillRect({0, 0, 15, 13});
        C->Brush()->SetColor(clBlack);
        C->FrameRect({0, 3, 13, 12});
        C->FrameRect({1, 1, 6, 4});
        C->Brush()->SetColor(clYellow);
        C->FillRect({1, 4, 12, 11});
        C->FillRect({2, 2, 5, 4});
        return B;
    }();
    return Glyph;
}

/// The date edit's glyph: a little calendar sheet, then its disabled image.
TBitmap* DateGlyph()
{
    static TBitmap* Glyph = [] {
        auto* B = new TBitmap();
        B->SetSize(30, 15);
        TCanvas* C = B->Canvas();
        C->Brush()->SetColor(clFuchsia);
        C->FillRect({0, 0, 30, 15});
        for (int I = 0; I < 2; ++I) {
            const int X = I * 15;
            const TColor Ink = I == 0 ? clBlack : clGray;
            C->Brush()->SetColor(Ink);
            C->FrameRect({X + 1, 1, X + 14, 14});
            C->Brush()->SetColor(I == 0 ? clRed : clSilver);
            C->FillRect({X + 2, 2, X + 13, 5});
            C->Brush()->SetColor(clWhite);
            C->FillRect({X + 2, 5, X + 13, 13});
            for (int Row = 0; Row < 3; ++Row)
                for (int Col = 0; Col < 4; ++Col)
                    C->SetPixels(X + 3 + Col * 3, 6 + Row * 3, Ink);
        }
        return B;
    }();
    return Glyph;
}

} // namespace

void MakeEllipsisGlyph(TBitmap* B, int Width)
{
    Width = std::max(Width, 1);
    B->SetMonochrome(true);
    B->SetSize(Width, 4);
    B->Canvas()->Brush()->SetColor(clWhite);
    B->Canvas()->FillRect({0, 0, Width, 4});
    constexpr int W = 2;
    int G = (Width - 3 * W) / 2;
    if (G <= 0)
        G = 1;
    if (G > 3)
        G = 3;
    const int I = (Width - 3 * W - 2 * G) / 2;
    B->Canvas()->Brush()->SetColor(clBlack);
    for (int K = 0; K < 3; ++K) {
        const int X = I + K * (G + W);
        B->Canvas()->FillRect({X, 1, X + W, 1 + W});
    }
}

namespace {

AnsiString QuotedName(const AnsiString& Name)
{
    if (Name.Pos(" ") > 0 && (Name.IsEmpty() || Name[1] != '"'))
        return "\"" + Name + "\"";
    return Name;
}

} // namespace

// ---- TPopupWindow -----------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPopupWindow)

TPopupWindow::TPopupWindow(TComponent* AOwner) : TCustomControl(AOwner)
{
    FVisible = false;
    SetCtl3D(false);
    SetParentCtl3D(false);
    FParentColor = false;
}

TPopupWindow::~TPopupWindow() = default;

void TPopupWindow::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    // A window of its own over the others; the window system is asked not
    // to activate it, so the edit keeps the focus.
    Params.Style = WS_POPUP | WS_CLIPCHILDREN | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW;
    Params.WindowClassStyle |= CS_SAVEBITS;
    Params.WndParent = nullptr;
}

void TPopupWindow::CreateWnd()
{
    inherited::CreateWnd();
    CreateChildHandles();
}

Variant TPopupWindow::ReadValue()
{
    return Variant();
}

void TPopupWindow::WriteValue(const Variant&) {}

void TPopupWindow::ClosePopup(bool Accept)
{
    OnCloseUp(this, Accept);
}

void TPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    const bool Inside = X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight();
    ClosePopup(Inside);
}

void TPopupWindow::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_MOUSEACTIVATE) {
        Message.Result = MA_NOACTIVATE;
        return;
    }
    inherited::Dispatch(Message);
}

// ---- TEditButton ---------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TEditButton)

TEditButton::TEditButton(TComponent* AOwner) : TylSpeedButton(AOwner)
{
    SetParentShowHint(true);
}

TEditButton::~TEditButton() = default;

void TEditButton::Paint()
{
    inherited::Paint();
    if (State() == ybsDown || State() == ybsExclusive)
        return;
    TCanvas* C = Canvas();
    C->Pen()->SetWidth(1);
    C->Pen()->SetColor(Style() == bsWin31 ? clBtnShadow : clBtnFace);
    C->MoveTo(0, 0);
    C->LineTo(0, Height() - 1);
    C->Pen()->SetColor(clBtnHighlight);
    C->MoveTo(1, 1);
    C->LineTo(1, Height() - 2);
}

void TEditButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto* Edit = dynamic_cast<TCustomComboEdit*>(Owner());
    if (Button == mbLeft && Edit) {
        if (Edit->FPopupVisible) {
            Edit->PopupCloseUp(Edit->FPopup, true);
            FNoAction = true;
        } else if (Edit->CanFocus() && !Edit->Focused()) {
            Edit->SetFocus();
        }
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TEditButton::Click()
{
    if (FNoAction) {
        FNoAction = false;
        return;
    }
    inherited::Click();
}

// ---- TCustomComboEdit -----------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomComboEdit)

template class ButtonEditBase<TCustomComboEdit>;

TCustomComboEdit::TCustomComboEdit(TComponent* AOwner) : ButtonEditBase(AOwner)
{
    FButton = new TEditButton(this);
    PlaceButton(FButton);
    SetHeight(21);
    SetControlStyle(ControlStyle() + TControlStyle{csCaptureMouse});
    FConstructing = false;
    UpdateButtonLayout();
}

TCustomComboEdit::~TCustomComboEdit() = default;

void TCustomComboEdit::DoClick()
{
    EditButtonClick();
}

void TCustomComboEdit::EditButtonClick()
{
    if (FReadOnly && !FAlwaysEnable)
        return;
    RunButtonAction();
}

void TCustomComboEdit::RunButtonAction()
{
    OnButtonClick(this);
    if (!FPopup)
        return;
    if (FPopupVisible)
        PopupCloseUp(FPopup, true);
    else
        OpenPopup(true);
}

void TCustomComboEdit::SetPopup(TPopupWindow* Value)
{
    if (FPopup == Value)
        return;
    if (FPopupVisible)
        ClosePopupWindow(false);
    delete FPopup;
    FPopup = Value;
    if (Value) {
        Value->SetEditControl(this);
        Value->OnCloseUp = TCloseUpEvent(this, &TCustomComboEdit::PopupCloseUp);
    }
}

void TCustomComboEdit::SetNumGlyphs(int Value)
{
    switch (FGlyphKind) {
    case gkDropDown:
    case gkEllipsis: FButton->SetNumGlyphs(1); break;
    case gkDefault: FButton->SetNumGlyphs(FDefNumGlyphs); break;
    case gkCustom: FButton->SetNumGlyphs(Value); break;
    }
}

void TCustomComboEdit::RebuildGlyph()
{
    switch (FGlyphKind) {
    case gkDefault: {
        TBitmap* D = DefaultGlyphBitmap();
        if (!D) {
            TBitmap Empty;
            FButton->SetGlyph(&Empty);
            break;
        }
        FButton->SetGlyph(D);
        FButton->SetNumGlyphs(FDefNumGlyphs);
        SetButtonWidth(std::max(D->Width() / FDefNumGlyphs + 6, FButton->Width()));
        break;
    }
    case gkDropDown:
        SetStockGlyph(gkDropDown);
        SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
        break;
    case gkEllipsis:
        SetStockGlyph(gkEllipsis);
        break;
    case gkCustom:
        break;
    }
}

void TCustomComboEdit::SetButtonWidth(int Value)
{
    FBtnControl->SetVisible(Value >= 2);
    if (FConstructing) {
        FBtnControl->SetWidth(Value);
        FButton->SetWidth(Value);
        return;
    }
    if (Value == FButton->Width() || Value >= ClientWidth())
        return;
    FButton->SetWidth(Value);
    FBtnControl->SetWidth(Value);
    if (HandleAllocated())
        RecreateWnd();
    if (FGlyphKind == gkEllipsis)
        RebuildGlyph();
    UpdateButtonLayout();
}

void TCustomComboEdit::UpdateButtonLayout()
{
    if (!FBtnControl)
        return;
    const int BW = FButton->Width();
    const int W = Width(), H = Height();
    if (BorderStyle() == bsSingle) {
        if (Ctl3D())
            FBtnControl->SetBounds(W - BW - 4, 0, BW, H - 4);
        else
            FBtnControl->SetBounds(W - BW - 2, 2, BW, H - 4);
    } else {
        FBtnControl->SetBounds(W - BW, 0, BW, H);
    }
    FButton->SetBounds(0, 0, BW, FBtnControl->Height());
    TRect R {0, 0, ClientWidth() - FBtnControl->Width() - 2, ClientHeight() + 1};
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
}

void TCustomComboEdit::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    if (!ComponentState().Contains(csLoading)) {
        // Tall enough for the text and the borders.
        HDC DC = GetDC(nullptr);
        TEXTMETRIC Sys, Own;
        GetTextMetrics(DC, Sys);
        HGDIOBJ Old = SelectObject(DC, Font()->Handle());
        GetTextMetrics(DC, Own);
        SelectObject(DC, Old);
        ReleaseDC(nullptr, DC);
        const int MinHeight = 4 * GetSystemMetrics(SM_CYBORDER) + std::min(Sys.tmHeight, Own.tmHeight) + 1;
        if (Height() < MinHeight) {
            SetHeight(MinHeight);
            return;
        }
    }
    UpdateButtonLayout();
}

bool TCustomComboEdit::CanModifyText() const
{
    return !FReadOnly;
}

void TCustomComboEdit::Change()
{
    if (FPopupVisible) {
        PopupTextChanged();
        return;
    }
    inherited::Change();
}

void TCustomComboEdit::KeyPress(char& Key)
{
    if (Key == '\r' || Key == '\x1B') {
        if (FPopupVisible) {
            PopupCloseUp(FPopup, Key == '\r');
            Key = 0;
            return;
        }
        if (TCustomForm* Form = GetParentForm(this))
            Form->Perform(CM_DIALOGKEY, Key == '\r' ? VK_RETURN : VK_ESCAPE, 0);
    }
    inherited::KeyPress(Key);
    if (Key == '\r')
        Key = 0;
}

void TCustomComboEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FPopup && Button == mbLeft) {
        if (CanFocus() && !Focused())
            SetFocus();
        if (!FFocused && !Focused())
            return;
        if (FPopupVisible)
            PopupCloseUp(FPopup, false);
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomComboEdit::WMSetFocus(TWMSetFocus& Message)
{
    FFocused = true;
    inherited::WMSetFocus(Message);
}

void TCustomComboEdit::WMKillFocus(TWMKillFocus& Message)
{
    FFocused = false;
    inherited::WMKillFocus(Message);
    PopupCloseUp(FPopup, false);
}

void TCustomComboEdit::CMEnter(TMessageRecord& Message)
{
    inherited::CMEnter(Message);
    if (!FDirectInput)
        SetSelLength(0);
}

void TCustomComboEdit::CMCancelMode(TMessageRecord& Message)
{
    inherited::CMCancelMode(Message);
    auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
    if (Sender == this || Sender == FPopup || Sender == FButton)
        return;
    if (FPopup && Sender && FPopup->ContainsControl(Sender))
        return;
    PopupCloseUp(FPopup, false);
}

// ---- pop-up -----------------------------------------------------------------------------------------

void TCustomComboEdit::OpenPopup(bool DisableEdit)
{
    if (!FPopup || FReadOnly || FPopupVisible)
        return;
    const TPoint P = Parent() ? Parent()->ClientToScreen({Left(), Top()}) : TPoint{Left(), Top()};
    const int ScreenW = Screen ? Screen->Width() : 1024;
    const int ScreenH = Screen ? Screen->Height() : 768;
    const int PW = FPopup->Width(), PH = FPopup->Height();
    int Y = P.Y + Height();
    if (Y + PH > ScreenH)
        Y = P.Y - PH;
    int X = P.X;
    if (FPopupAlign == epaRight) {
        X = P.X - (PW - Width());
        if (X < 0)
            X = P.X;
    } else if (P.X + PW > ScreenW) {
        X = P.X + Width() - PW;
    }
    X = std::clamp(X, 0, std::max(0, ScreenW - PW));
    PutPopupValue(Text().IsEmpty() ? Null() : Variant(Text()));
    if (CanFocus() && !Focused())
        SetFocus();
    ShowPopupAt({X, Y});
    FPopupVisible = true;
    if (DisableEdit)
        TCustomMaskEdit::SetReadOnly(true);
}

void TCustomComboEdit::ShowPopupAt(TPoint Origin)
{
    FPopup->SetBounds(Origin.X, Origin.Y, FPopup->Width(), FPopup->Height());
    FPopup->SetVisible(true);
    SetWindowPos(FPopup->Handle(), HWND_TOPMOST, Origin.X, Origin.Y, 0, 0,
        SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // The pop-up belongs to the edit's window, so that a modal window lets
    // it take the mouse.
    TWinControl* Top = this;
    while (Top->Parent())
        Top = Top->Parent();
    if (Top->HandleAllocated())
        SetWindowLong(FPopup->Handle(), GWL_HWNDPARENT, reinterpret_cast<intptr_t>(Top->Handle()));
}

void TCustomComboEdit::HidePopupWindow()
{
    if (FPopup->HandleAllocated())
        SetWindowPos(FPopup->Handle(), nullptr, 0, 0, 0, 0,
            SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    FPopup->SetVisible(false);
}

bool TCustomComboEdit::CanAcceptPopupValue(Variant&)
{
    return true;
}

void TCustomComboEdit::ApplyPopupValue(const Variant& Value)
{
    const AnsiString S = Value.AsString();
    if (S == Text())
        return;
    // The text comes from the pop-up: the change is reported once it is
    // closed.
    SetText(S);
    SetModified(true);
    FPopupVisible = false;
    Change();
}

void TCustomComboEdit::PutPopupValue(const Variant& Value)
{
    FPopup->WriteValue(Value);
}

Variant TCustomComboEdit::TakePopupValue()
{
    return FPopup->ReadValue();
}

void TCustomComboEdit::ClosePopupWindow(bool Accept)
{
    PopupCloseUp(FPopup, Accept);
}

void TCustomComboEdit::PopupCloseUp(TObject* /*Sender*/, bool Accept)
{
    if (!FPopup || !FPopupVisible)
        return;
    if (HWND Captured = GetCapture())
        SendMessage(Captured, WM_CANCELMODE, 0, 0);
    Variant Value = TakePopupValue();
    HidePopupWindow();
    if (CanFocus() && !Focused())
        SetFocus();
    SetDirectInput(FDirectInput);
    Invalidate();
    if (Accept && CanAcceptPopupValue(Value) && CanModifyText()) {
        ApplyPopupValue(Value);
        if (Focused())
            SelectAll();
    }
    FPopupVisible = false;
}

// ---- TFileDirEdit --------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TFileDirEdit)

TFileDirEdit::TFileDirEdit(TComponent* AOwner) : TCustomComboEdit(AOwner)
{
    SetGlyphKind(gkDefault);
}

TFileDirEdit::~TFileDirEdit() = default;

TBitmap* TFileDirEdit::DefaultGlyphBitmap()
{
    return FileGlyph();
}

void TFileDirEdit::SetAcceptFiles(bool Value)
{
    if (FAcceptFiles == Value)
        return;
    FAcceptFiles = Value;
    if (HandleAllocated())
        DragAcceptFiles(Handle(), Value);
}

void TFileDirEdit::CreateWnd()
{
    inherited::CreateWnd();
    if (FAcceptFiles)
        DragAcceptFiles(Handle(), true);
}

void TFileDirEdit::Dispatch(TMessage& Message)
{
    if (Message.Msg != WM_DROPFILES) {
        inherited::Dispatch(Message);
        return;
    }
    auto Drop = reinterpret_cast<HDROP>(Message.WParam);
    struct Finish {
        HDROP D;
        ~Finish() { DragFinish(D); }
    } Guard {Drop};
    ClearDroppedNames();
    const UINT Count = DragQueryFile(Drop, 0xFFFFFFFF, nullptr, 0);
    const UINT Taken = MultiSelect() ? Count : std::min<UINT>(Count, 1);
    // Names of any length: the whole path is taken.
    for (UINT I = 0; I < Taken; ++I)
        TakeDroppedName(DragQueryFileName(Drop, I));
    OnDropFiles(this);
}

// ---- TFilenameEdit -------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TFilenameEdit)

TFilenameEdit::TFilenameEdit(TComponent* AOwner)
    : TFileDirEdit(AOwner), FHistoryList(std::make_unique<TStringList>())
{
    CreateDialog(dkOpen);
    FDialog->SetFilter("All files (*.*)|*.*");
    FDialog->SetOptions({ofHideReadOnly});
    FDialog->SetTitle("Browse");
}

TFilenameEdit::~TFilenameEdit() = default;

TStrings* TFilenameEdit::HistoryList() const
{
    return FHistoryList.get();
}

void TFilenameEdit::CreateDialog(TFileDialogKind Kind)
{
    std::unique_ptr<TOpenDialog> New;
    switch (Kind) {
    case dkOpen: New = std::make_unique<TOpenDialog>(nullptr); break;
    case dkSave: New = std::make_unique<TSaveDialog>(nullptr); break;
    case dkOpenPicture: New = std::make_unique<TOpenPictureDialog>(nullptr); break;
    case dkSavePicture: New = std::make_unique<TSavePictureDialog>(nullptr); break;
    }
    if (FDialog) {
        New->SetDefaultExt(FDialog->DefaultExt());
        New->SetFileName(FDialog->FileName());
        New->SetFilter(FDialog->Filter());
        New->SetFilterIndex(FDialog->FilterIndex());
        New->SetInitialDir(FDialog->InitialDir());
        New->SetOptions(FDialog->Options());
        New->SetTitle(FDialog->Title());
    }
    FDialog = std::move(New);
    FDialogKind = Kind;
}

void TFilenameEdit::SetDialogKind(TFileDialogKind Value)
{
    if (FDialogKind != Value)
        CreateDialog(Value);
}

void TFilenameEdit::SetDialogOptions(TOpenOptions Value)
{
    FDialog->SetOptions(Value);
    if (!Value.Contains(ofAllowMultiSelect))
        FDialog->Files()->Clear();
}

bool TFilenameEdit::MultiSelect() const
{
    return FDialog->Options().Contains(ofAllowMultiSelect);
}

AnsiString TFilenameEdit::FileName() const
{
    const AnsiString T = Text();
    if (FileExists(T))
        return T;
    AnsiString Program, Params;
    SplitCommandText(T, Program, Params);
    return Program;
}

void TFilenameEdit::SetFileName(const AnsiString& Value)
{
    if (!Value.IsEmpty()) {
        AnsiString Program, Params;
        SplitCommandText(Value, Program, Params);
        if (!IsValidFileName(Program))
            throw EComboEditError(Format(SInvalidFilename, {Value}));
    }
    SetText(QuotedName(Value));
}

AnsiString TFilenameEdit::LongFormOfName() const
{
    return LongFileNameOf(FileName());
}

AnsiString TFilenameEdit::ShortFormOfName() const
{
    return ShortFileNameOf(FileName());
}

void TFilenameEdit::TakeDroppedName(const AnsiString& Name)
{
    if (!MultiSelect()) {
        SetFileName(Name);
        return;
    }
    if (FDialog->Files()->Count() == 0)
        SetFileName(Name);
    FDialog->Files()->Add(Name);
}

void TFilenameEdit::ClearDroppedNames()
{
    FDialog->Files()->Clear();
}

void TFilenameEdit::RunButtonAction()
{
    inherited::RunButtonAction();
    AnsiString Name = FileName();
    bool Action = true;
    OnBeforeDialog(this, Name, Action);
    if (!Action)
        return;
    if (IsValidFileName(Name)) {
        const AnsiString Dir = ExcludeTrailingPathDelimiter(ExtractFilePath(Name));
        if (!Dir.IsEmpty() && FolderExists(Dir))
            FDialog->SetInitialDir(Dir);
        const AnsiString Part = ExtractFileName(Name);
        if (Part.IsEmpty() || !IsValidFileName(Part))
            Name = AnsiString();
    }
    FDialog->SetFileName(Name);
    FDialog->SetHelpContext(0);
    Action = FDialog->Execute();
    if (Action)
        Name = FDialog->FileName();
    if (CanFocus() && !Focused())
        SetFocus();
    OnAfterDialog(this, Name, Action);
    if (!Action)
        return;
    SetText(QuotedName(Name));
    SetModified(true);
    FDialog->SetInitialDir(ExtractFilePath(Name));
}

// ---- TCustomDateEdit -------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomDateEdit)

PRICETAGS_DEFINE_CLASS(TDateEdit)

TDateEdit::~TDateEdit() = default;

TCustomDateEdit::TCustomDateEdit(TComponent* AOwner)
    : TCustomComboEdit(AOwner), FCalendarHints(std::make_unique<TStringList>())
{
    FCalendarHints->OnChange = TNotifyEvent(this, &TCustomDateEdit::CalendarHintsChanged);
    SetDefaultNumGlyphs(2);
    SetGlyphKind(gkDefault);
    RebuildDateMask();
    CreatePopupCalendar();
}

TCustomDateEdit::~TCustomDateEdit()
{
    SetPopup(nullptr);
}

TBitmap* TCustomDateEdit::DefaultGlyphBitmap()
{
    return DateGlyph();
}

bool TCustomDateEdit::FourDigitYear() const
{
    switch (FYearDigits) {
    case dyFour: return true;
    case dyTwo: return false;
    case dyDefault: return UseFourDigitYear();
    }
    return true;
}

TDateTime TCustomDateEdit::GetDate()
{
    const TDateTime Default = FDefaultToday ? ::Date() : NoDate;
    return TextToDateDef(FDateFormat, Text(), Default);
}

void TCustomDateEdit::SetDate(TDateTime Value)
{
    if (Value == NoDate || !IsValidDateValue(Value))
        Value = FDefaultToday ? ::Date() : NoDate;
    const TDateTime Old = GetDate();
    SetText(Value == NoDate ? AnsiString() : FormatDateTime(FDateFormat, Value));
    SetModified(GetDate() != Old);
}

void TCustomDateEdit::SetDateAndSelect(TDateTime Value)
{
    SetDate(Value);
    if (FDirectInput)
        SelectAll();
}

void TCustomDateEdit::RebuildDateMask()
{
    const TDateTime D = FDateFormat.IsEmpty() ? NoDate : GetDate();
    const AnsiString F = DateFormatFor(FourDigitYear()).SubString(1, 10);
    const AnsiString M = DateMaskFor(FBlanksChar, FourDigitYear());
    if (F != FDateFormat || M != EditMask()) {
        FFormatting = true;
        SetEditMask("");
        FDateFormat = F;
        SetEditMask(M);
        FFormatting = false;
    }
    UpdatePopup();
    SetDate(D);
}

void TCustomDateEdit::CreateWnd()
{
    inherited::CreateWnd();
    RebuildDateMask();
}

void TCustomDateEdit::SetBlanksChar(char Value)
{
    if (static_cast<unsigned char>(Value) < ' ')
        Value = ' ';
    if (Value == FBlanksChar)
        return;
    FBlanksChar = Value;
    RebuildDateMask();
}

void TCustomDateEdit::SetYearDigits(TYearDigits Value)
{
    if (Value == FYearDigits)
        return;
    FYearDigits = Value;
    RebuildDateMask();
}

void TCustomDateEdit::SetDefaultToday(bool Value)
{
    FDefaultToday = Value;
}

TStrings* TCustomDateEdit::CalendarHints() const
{
    return FCalendarHints.get();
}

void TCustomDateEdit::SetCalendarHints(TStrings* Value)
{
    FCalendarHints->Assign(Value);
}

void TCustomDateEdit::CalendarHintsChanged(TObject* /*Sender*/)
{
    if (FCalendarHints->Count() > 4) {
        const TNotifyEvent Saved = FCalendarHints->OnChange;
        FCalendarHints->OnChange = nullptr;
        while (FCalendarHints->Count() > 4)
            FCalendarHints->Delete(FCalendarHints->Count() - 1);
        FCalendarHints->OnChange = Saved;
    }
    UpdatePopup();
}

void TCustomDateEdit::SetPopupColor(TColor Value)
{
    FPopupColor = Value;
    if (FPopup)
        FPopup->SetColor(Value);
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName Value)
{
    FStartOfWeek = Value;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek Value)
{
    FWeekends = Value;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekendColor(TColor Value)
{
    FWeekendColor = Value;
    UpdatePopup();
}

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle Value)
{
    if (Value == FCalendarStyle)
        return;
    FCalendarStyle = Value;
    if (Value == csDialog)
        SetPopup(nullptr);
    else
        CreatePopupCalendar();
}

void TCustomDateEdit::CreatePopupCalendar()
{
    TPopupCalendar* P = MakePopupCalendar(this);
    P->SetColor(FPopupColor);
    SetPopup(P);
    UpdatePopup();
}

TPopupCalendar* TCustomDateEdit::PopupCalendar() const
{
    return dynamic_cast<TPopupCalendar*>(FPopup);
}

void TCustomDateEdit::UpdatePopup()
{
    if (FPopup)
        ConfigurePopupCalendar(FPopup, FStartOfWeek, FWeekends, FWeekendColor, FCalendarHints.get(), FourDigitYear());
}

void TCustomDateEdit::RunButtonAction()
{
    if (FCalendarStyle != csDialog) {
        inherited::RunButtonAction();
        return;
    }
    OnButtonClick(this);
    TDateTime D = GetDate();
    const bool Picked = PickDateInDialog(D, FDialogTitle, FStartOfWeek, FWeekends, FWeekendColor, FCalendarHints.get());
    if (CanFocus() && !Focused())
        SetFocus();
    if (!Picked)
        return;
    bool Action = true;
    OnAcceptDate(this, D, Action);
    if (!Action)
        return;
    SetDate(D);
    if (Focused())
        SelectAll();
}

bool TCustomDateEdit::CanAcceptPopupValue(Variant& Value)
{
    if (!OnAcceptDate.Assigned())
        return true;
    TDateTime D = VarIsClear(Value) ? NoDate : Value.AsDateTime();
    bool Action = true;
    OnAcceptDate(this, D, Action);
    if (Action)
        Value = Variant(D);
    return Action;
}

void TCustomDateEdit::ApplyPopupValue(const Variant& Value)
{
    SetDate(VarIsClear(Value) ? NoDate : Value.AsDateTime());
    FPopupVisible = false;
    if (Modified())
        Change();
}

void TCustomDateEdit::PutPopupValue(const Variant&)
{
    TDateTime D = NoDate;
    if (!TryTextToDate(FDateFormat, Text(), D) || D == NoDate)
        D = ::Date();
    FPopup->WriteValue(Variant(D));
}

void TCustomDateEdit::KeyDown(Word& Key, TShiftState Shift)
{
    const TShiftState Mods = Shift * TShiftState {ssShift, ssCtrl, ssAlt};
    const bool IsClickKey = FClickKey != 0 && ShortCut(Key, Mods) == FClickKey;
    if (!IsClickKey && FPopupVisible) {
        switch (Key) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_ADD:
        case VK_SUBTRACT:
            if (TPopupCalendar* P = PopupCalendar())
                P->HandleKey(Key, Mods);
            Key = 0;
            return;
        default:
            break;
        }
    }
    if (Mods.Empty() && FDirectInput && (Key == VK_ADD || Key == VK_SUBTRACT)) {
        TDateTime D = GetDate();
        if (D == NoDate)
            D = ::Date();
        SetDateAndSelect(D + (Key == VK_ADD ? 1 : -1));
        Key = 0;
        return;
    }
    inherited::KeyDown(Key, Shift);
}

void TCustomDateEdit::KeyPress(char& Key)
{
    const bool Nav = Key == '+' || Key == '-' || Key == 'T' || Key == 't';
    if (Nav && FPopupVisible) {
        if (TPopupCalendar* P = PopupCalendar())
            P->HandleChar(Key);
        Key = 0;
        return;
    }
    if (Nav && FDirectInput) {
        if (Key == 'T' || Key == 't')
            SetDateAndSelect(::Date());
        Key = 0;
        return;
    }
    inherited::KeyPress(Key);
}

void TCustomDateEdit::CMExit(TMessageRecord& Message)
{
    if (FCheckOnExit && !ComponentState().Contains(csDesigning)) {
        const TDateTime D = TextToDate(FDateFormat, Text());
        FFormatting = true;
        struct Done {
            bool& F;
            ~Done() { F = false; }
        } Guard {FFormatting};
        SetDate(D);
    }
    inherited::CMExit(Message);
}

void TCustomDateEdit::Change()
{
    if (FFormatting)
        return;
    inherited::Change();
}
