#include "common/components/PickDate.h"

#include "common/components/DateUtil.h"

#include "platform/classes/Strings.h"
#include "platform/winapi/Messages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <memory>

namespace {

/// "Previous Year|", "Previous Month|", "Next Month|", "Next Year|".
const char* const DefaultHints[4] = {"Previous Year|", "Previous Month|", "Next Month|", "Next Year|"};

/// The window font of the pop-up and the dialog: the screen's message font.
void SetWindowFont(TFont* Font)
{
    if (Screen && Screen->MenuFont()) {
        Font->Assign(Screen->MenuFont());
        Font->SetColor(clWindowText);
        Font->SetStyle({});
        return;
    }
    Font->SetName("MS Sans Serif");
    Font->SetSize(8);
    Font->SetColor(clWindowText);
    Font->SetStyle({});
}

void Decode(TDateTime D, int& Y, int& M, int& Dd)
{
    Word AY = 0, AM = 0, AD = 0;
    DecodeDate(D, AY, AM, AD);
    Y = AY;
    M = AM;
    Dd = AD;
}

TDateTime Encode(int Y, int M, int D)
{
    return EncodeDate(static_cast<Word>(Y), static_cast<Word>(M), static_cast<Word>(D));
}

AnsiString WithoutDateSeparators(const AnsiString& S)
{
    const char Sep = FormatSettings().DateSeparator;
    std::string Out;
    for (int I = 1; I <= S.Length(); ++I)
        if (S[I] != Sep)
            Out += S[I];
    return AnsiString(std::move(Out));
}

AnsiString TitleOf(TDateTime D)
{
    return FormatDateTime("MMMM, YYYY", D);
}

} // namespace

TBitmap* CalendarGlyph(int Index)
{
    static std::array<std::unique_ptr<TBitmap>, 4> Glyphs;
    if (Index < 0 || Index > 3)
        return nullptr;
    if (!Glyphs[static_cast<size_t>(Index)]) {
        // One or two small black triangles on see-through fuchsia; the
        // bottom row stays fuchsia, as the corner pixel names the colour
        // that shows through.
        auto B = std::make_unique<TBitmap>();
        const bool Double = Index == 0 || Index == 3;
        const bool Left = Index < 2;
        const int W = Double ? 9 : 5;
        B->SetSize(W, 8);
        B->Canvas()->Brush()->SetColor(clFuchsia);
        B->Canvas()->FillRect({0, 0, W, 8});
        const auto Triangle = [&](int X0) {
            for (int Col = 0; Col < 4; ++Col) {
                const int Half = Left ? Col : 3 - Col;
                for (int Y = 3 - Half; Y <= 3 + Half; ++Y)
                    B->Canvas()->SetPixels(X0 + Col, Y, clBlack);
            }
        };
        Triangle(0);
        if (Double)
            Triangle(4);
        Glyphs[static_cast<size_t>(Index)] = std::move(B);
    }
    return Glyphs[static_cast<size_t>(Index)].get();
}

// ---- TylCalendar ---------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TylCalendar,
    Property("ReadOnly", &TylCalendar::ReadOnly, &TylCalendar::SetReadOnly),
    Property("UseCurrentDate", &TylCalendar::UseCurrentDate, &TylCalendar::SetUseCurrentDate),
    Property("WeekendColor", &TylCalendar::WeekendColor, &TylCalendar::SetWeekendColor))

TylCalendar::TylCalendar(TComponent* AOwner) : TCustomGrid(AOwner)
{
    FUpdating = true;
    SetColCount(7);
    SetRowCount(7);
    SetFixedCols(0);
    SetFixedRows(1);
    SetScrollBars(ssNone);
    SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goDrawFocusSelected});
    FDate = ::Date();
    FUpdating = false;
    RefreshCalendar();
}

TylCalendar::~TylCalendar() = default;

void TylCalendar::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style |= WS_BORDER;
    Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

int TylCalendar::Day() const
{
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    return D;
}

int TylCalendar::Month() const
{
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    return M;
}

int TylCalendar::Year() const
{
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    return Y;
}

void TylCalendar::SetDay(int Value)
{
    SetDatePart(3, Value);
}

void TylCalendar::SetMonth(int Value)
{
    SetDatePart(2, Value);
}

void TylCalendar::SetYear(int Value)
{
    SetDatePart(1, Value);
}

void TylCalendar::SetDatePart(int Index, int Value)
{
    if (Value < 1)
        return;
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    switch (Index) {
    case 1:
        if (Value == Y || Value > 9999)
            return;
        Y = Value;
        break;
    case 2:
        if (Value == M || Value > 12)
            return;
        M = Value;
        break;
    case 3:
        if (Value == D || Value > MonthDays(Y, M))
            return;
        D = Value;
        break;
    default:
        return;
    }
    // A day past the end of the new month (31 January to February, 29
    // February to a common year) becomes its last day.
    D = std::min(D, MonthDays(Y, M));
    FDate = Encode(Y, M, D);
    FUseCurrentDate = false;
    RefreshCalendar(Index == 3);
    OnChange(this);
}

void TylCalendar::ChangeDate(TDateTime Value)
{
    SetCalendarDate(Value);
}

void TylCalendar::SetCalendarDate(TDateTime Value)
{
    if (Value == FDate)
        return;
    FDate = Value;
    RefreshCalendar();
    OnChange(this);
}

void TylCalendar::SetUseCurrentDate(bool Value)
{
    if (FUseCurrentDate == Value)
        return;
    FUseCurrentDate = Value;
    if (Value) {
        FDate = ::Date();
        RefreshCalendar();
        OnChange(this);
    }
}

void TylCalendar::SetStartOfWeek(TDayOfWeekName Value)
{
    if (FStartOfWeek == Value)
        return;
    FStartOfWeek = Value;
    RefreshCalendar();
}

void TylCalendar::SetWeekends(TDaysOfWeek Value)
{
    if (FWeekends == Value)
        return;
    FWeekends = Value;
    Invalidate();
}

void TylCalendar::SetWeekendColor(TColor Value)
{
    if (FWeekendColor == Value)
        return;
    FWeekendColor = Value;
    Invalidate();
}

void TylCalendar::PrevMonth()
{
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    if (--M < 1) {
        M = 12;
        --Y;
    }
    if (Y < 1)
        return;
    ChangeDate(Encode(Y, M, std::min(D, MonthDays(Y, M))));
}

void TylCalendar::NextMonth()
{
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    if (++M > 12) {
        M = 1;
        ++Y;
    }
    if (Y > 9999)
        return;
    ChangeDate(Encode(Y, M, std::min(D, MonthDays(Y, M))));
}

void TylCalendar::PrevYear()
{
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    if (M == 2 && D == 29)
        D = 28;
    if (Y > 1)
        ChangeDate(Encode(Y - 1, M, D));
}

void TylCalendar::NextYear()
{
    int Y = 0, M = 0, D = 0;
    Decode(FDate, Y, M, D);
    if (M == 2 && D == 29)
        D = 28;
    if (Y < 9999)
        ChangeDate(Encode(Y + 1, M, D));
}

int TylCalendar::DayOfCell(int ACol, int ARow) const
{
    if (ARow < 1 || ACol < 0 || ACol > 6)
        return 0;
    const int D = FMonthOffset + ACol + (ARow - 1) * 7;
    if (D < 1 || D > MonthDays(Year(), Month()))
        return 0;
    return D;
}

AnsiString TylCalendar::CellText(int ACol, int ARow) const
{
    if (ARow == 0)
        return FormatSettings().ShortDayNames[(static_cast<int>(FStartOfWeek) + ACol) % 7 + 1];
    const int D = DayOfCell(ACol, ARow);
    return D > 0 ? IntToStr(D) : AnsiString();
}

void TylCalendar::RefreshCalendar(bool DayOnly)
{
    FUpdating = true;
    struct Done {
        bool& F;
        ~Done() { F = false; }
    } Guard {FUpdating};
    const TDateTime First = Encode(Year(), Month(), 1);
    FMonthOffset = 2 - ((DayOfWeek(First) - static_cast<int>(FStartOfWeek) + 7) % 7);
    // A month that starts in the first column begins in row 1, not row 0.
    if (FMonthOffset == 2)
        FMonthOffset = -5;
    const int D = Day() - FMonthOffset;
    MoveColRow(D % 7, D / 7 + 1, /*MoveAnchor=*/true, /*Show=*/false);
    if (DayOnly)
        Update();
    else
        Invalidate();
}

void TylCalendar::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    TCanvas* C = Canvas();
    const auto DayName = static_cast<TDayOfWeekName>((static_cast<int>(FStartOfWeek) + ACol) % 7);
    if (FWeekends.Contains(DayName) && !AState.Contains(gdSelected))
        C->Font()->SetColor(FWeekendColor);
    AnsiString Text = CellText(ACol, ARow);
    TRect R = ARect;
    C->Brush()->SetStyle(bsClear);
    C->TextRect(R, Text, TTextFormat {tfCenter, tfVerticalCenter, tfSingleLine});
}

bool TylCalendar::SelectCell(int ACol, int ARow)
{
    if (FReadOnly && !FUpdating)
        return false;
    if (DayOfCell(ACol, ARow) == 0)
        return false;
    return inherited::SelectCell(ACol, ARow);
}

void TylCalendar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    int ACol = 0, ARow = 0;
    MouseToCell(X, Y, ACol, ARow);
    if (ACol == Col() && ARow == Row() && DayOfCell(ACol, ARow) > 0)
        SetDay(DayOfCell(ACol, ARow));
}

void TylCalendar::KeyDown(Word& Key, TShiftState Shift)
{
    if (Shift.Empty()) {
        if (Key == VK_LEFT || Key == VK_SUBTRACT) {
            if (Day() > 1)
                SetDay(Day() - 1);
            else
                ChangeDate(FDate - 1);
            Key = 0;
            return;
        }
        if (Key == VK_RIGHT || Key == VK_ADD) {
            if (Day() < MonthDays(Year(), Month()))
                SetDay(Day() + 1);
            else
                ChangeDate(FDate + 1);
            Key = 0;
            return;
        }
    }
    inherited::KeyDown(Key, Shift);
    // Moving the selection by Up, Down, Home and End picks that day.
    if (DayOfCell(Col(), Row()) > 0 && DayOfCell(Col(), Row()) != Day())
        SetDay(DayOfCell(Col(), Row()));
}

void TylCalendar::KeyPress(char& Key)
{
    if (Key == 'T' || Key == 't') {
        ChangeDate(::Date());
        Key = 0;
        return;
    }
    inherited::KeyPress(Key);
}

void TylCalendar::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    const int Line = GridLineWidth();
    const int W = (ClientWidth() - (Options().Contains(goVertLine) ? 6 * Line : 0)) / 7;
    const int H = (ClientHeight() - 6 * Line) / 7;
    if (W > 0)
        SetDefaultColWidth(W);
    if (H > 0)
        SetDefaultRowHeight(H);
}

// ---- TLocCalendar ---------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TLocCalendar)

TLocCalendar::TLocCalendar(TComponent* AOwner) : TylCalendar(AOwner)
{
    SetCtl3D(false);
    SetParentColor(true);
    SetFixedColor(Color());
    SetOptions({goFixedHorzLine});
    SetTabStop(false);
    FUseCurrentDate = false;
    SetCalendarDate(::Date());
}

TLocCalendar::~TLocCalendar() = default;

void TLocCalendar::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style &= ~(WS_BORDER | WS_TABSTOP | WS_DISABLED);
    Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TLocCalendar::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    inherited::DrawCell(ACol, ARow, ARect, AState);
    const int D = DayOfCell(ACol, ARow);
    if (D == 0)
        return;
    int Y = 0, M = 0, Dd = 0;
    Decode(::Date(), Y, M, Dd);
    if (Y == Year() && M == Month() && Dd == D) {
        // Today: a sunken one-pixel frame.
        TCanvas* C = Canvas();
        const TRect R = ARect;
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(clBtnShadow);
        C->FillRect({R.Left, R.Top, R.Right, R.Top + 1});
        C->FillRect({R.Left, R.Top, R.Left + 1, R.Bottom});
        C->Brush()->SetColor(clBtnHighlight);
        C->FillRect({R.Left, R.Bottom - 1, R.Right, R.Bottom});
        C->FillRect({R.Right - 1, R.Top, R.Right, R.Bottom});
    }
}

void TLocCalendar::CMParentColorChanged(TMessageRecord& Message)
{
    inherited::CMParentColorChanged(Message);
    if (ParentColor())
        SetFixedColor(Color());
}

// ---- TylTimerSpeedButton -----------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TylTimerSpeedButton)

TylTimerSpeedButton::TylTimerSpeedButton(TComponent* AOwner) : TylSpeedButton(AOwner)
{
    SetAllowTimer(true);
    SetStyle(bsWin31);
    SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
}

TylTimerSpeedButton::~TylTimerSpeedButton() = default;

// ---- TPopupCalendar ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPopupCalendar)

TPopupCalendar::TPopupCalendar(TComponent* AOwner) : TPopupWindow(AOwner)
{
    // The size every pop-up calendar of the process takes.
    static const TPoint PopupSize {187, 124};
    SetBounds(0, 0, std::max(PopupSize.X, 180), std::max(PopupSize.Y, 120));
    SetColor(clBtnFace);
    SetWindowFont(Font());

    auto* Back = new TPanel(this);
    Back->SetParent(this);
    Back->SetBevelOuter(bvNone);
    Back->SetAlign(alClient);
    auto* Title = new TPanel(this);
    Title->SetParent(Back);
    Title->SetBevelOuter(bvNone);
    Title->SetHeight(18);
    Title->SetAlign(alTop);
    const int PW = Back->ClientWidth();
    const int Xs[4] = {-1, 12, PW - 26, PW - 13};
    for (int I = 0; I < 4; ++I) {
        auto* B = new TylTimerSpeedButton(this);
        B->SetParent(Title);
        B->SetBounds(Xs[I], -1, 14, 14);
        B->SetGlyph(CalendarGlyph(I));
        B->SetHint(DefaultHints[I]);
        B->SetTag(I);
        B->OnClick = TNotifyEvent(this, &TPopupCalendar::NavClick);
        FButtons[static_cast<size_t>(I)] = B;
    }
    FTitleLabel = new TLabel(this);
    FTitleLabel->SetParent(Title);
    FTitleLabel->SetAutoSize(false);
    FTitleLabel->SetBounds(29, 1, PW - 58, 14);
    FTitleLabel->SetAlignment(taCenter);
    FTitleLabel->SetTransparent(true);
    FTitleLabel->OnDblClick = TNotifyEvent(this, &TPopupCalendar::TitleDblClick);
    auto* Cal = new TLocCalendar(this);
    Cal->SetParent(Back);
    Cal->SetAlign(alClient);
    Cal->OnChange = TNotifyEvent(this, &TPopupCalendar::CalendarChange);
    Cal->OnMouseUp = TMouseEvent(this, &TPopupCalendar::CalendarMouseUp);
    FCalendar = Cal;
    CalendarChange(nullptr);
}

TPopupCalendar::~TPopupCalendar() = default;

void TPopupCalendar::CalendarChange(TObject* /*Sender*/)
{
    FTitleLabel->SetCaption(TitleOf(FCalendar->CalendarDate()));
}

void TPopupCalendar::NavClick(TObject* Sender)
{
    switch (static_cast<TComponent*>(Sender)->Tag()) {
    case 0: FCalendar->PrevYear(); break;
    case 1: FCalendar->PrevMonth(); break;
    case 2: FCalendar->NextMonth(); break;
    default: FCalendar->NextYear(); break;
    }
}

void TPopupCalendar::TitleDblClick(TObject* /*Sender*/)
{
    FCalendar->SetCalendarDate(::Date());
}

void TPopupCalendar::CalendarMouseUp(TObject* /*Sender*/, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button != mbLeft || !(Shift - TShiftState{ssLeft}).Empty())
        return;
    int ACol = 0, ARow = 0;
    FCalendar->MouseToCell(X, Y, ACol, ARow);
    // The release reaches this handler before the calendar takes the day.
    if (const int Day = FCalendar->DayOfCell(ACol, ARow); Day > 0) {
        FCalendar->SetDay(Day);
        ClosePopup(true);
    }
}

void TPopupCalendar::HandleKey(Word& Key, TShiftState Shift)
{
    const bool Ctrl = Shift.Contains(ssCtrl);
    if (Key == VK_PRIOR) {
        Ctrl ? FCalendar->PrevYear() : FCalendar->PrevMonth();
        Key = 0;
        return;
    }
    if (Key == VK_NEXT) {
        Ctrl ? FCalendar->NextYear() : FCalendar->NextMonth();
        Key = 0;
        return;
    }
    FCalendar->Perform(WM_KEYDOWN, Key, 0);
    Key = 0;
}

void TPopupCalendar::HandleChar(char& Key)
{
    FCalendar->Perform(WM_CHAR, static_cast<unsigned char>(Key), 0);
    Key = 0;
}

Variant TPopupCalendar::ReadValue()
{
    if (ComponentState().Contains(csDesigning))
        return Variant(::Date());
    return Variant(FCalendar->CalendarDate());
}

void TPopupCalendar::WriteValue(const Variant& Value)
{
    TDateTime D = ::Date();
    if (!VarIsClear(Value)) {
        // A text of blanks and separators only is no date.
        const AnsiString Text = Trim(WithoutDateSeparators(Value.AsString()));
        if (!Text.IsEmpty()) {
            try {
                D = Value.AsDateTime();
            } catch (const Exception&) {
                // A value that is no date shows today.
                D = ::Date();
            }
        }
    }
    FCalendar->SetCalendarDate(D);
    CalendarChange(nullptr);
}

// ---- TSelectDateDlg --------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TSelectDateDlg)

TSelectDateDlg::TSelectDateDlg(TComponent* AOwner) : TForm(AOwner, 0)
{
    SetCaption("Select a Date");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons({biSystemMenu});
    SetKeyPreview(true);
    SetClientWidth(222);
    SetClientHeight(154);
    SetPosition(poScreenCenter);
    SetColor(clBtnFace);
    SetShowHint(true);
    SetWindowFont(Font());

    auto* Top = new TPanel(this);
    Top->SetParent(this);
    Top->SetBevelOuter(bvNone);
    Top->SetBounds(0, 0, 222, 22);
    Top->SetAlign(alTop);
    Top->OnDblClick = TNotifyEvent(this, &TSelectDateDlg::TopPanelDblClick);
    FTitleLabel = new TLabel(this);
    FTitleLabel->SetParent(Top);
    FTitleLabel->SetAutoSize(false);
    FTitleLabel->SetBounds(35, 4, 152, 14);
    FTitleLabel->SetAlignment(taCenter);
    FTitleLabel->Font()->SetColor(clBlue);
    FTitleLabel->Font()->SetStyle({fsBold});
    const int Xs[4] = {3, 18, 188, 203};
    for (int I = 0; I < 4; ++I) {
        auto* B = new TylTimerSpeedButton(this);
        B->SetParent(Top);
        B->SetBounds(Xs[I], 3, 16, 16);
        B->SetGlyph(CalendarGlyph(I));
        B->SetHint(DefaultHints[I]);
        B->SetTag(I);
        B->OnClick = TNotifyEvent(this, &TSelectDateDlg::NavClick);
        FButtons[static_cast<size_t>(I)] = B;
    }
    auto* Bottom = new TPanel(this);
    Bottom->SetParent(this);
    Bottom->SetBevelOuter(bvNone);
    Bottom->SetHeight(21);
    Bottom->SetAlign(alBottom);
    auto* Ok = new TButton(this);
    Ok->SetParent(Bottom);
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Ok->SetBounds(0, 0, 112, 21);
    auto* Cancel = new TButton(this);
    Cancel->SetParent(Bottom);
    Cancel->SetCaption("Cancel");
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    Cancel->SetBounds(111, 0, 111, 21);
    auto* Middle = new TPanel(this);
    Middle->SetParent(this);
    Middle->SetBevelOuter(bvNone);
    Middle->SetAlign(alClient);
    FCalendar = new TylCalendar(this);
    FCalendar->SetParent(Middle);
    FCalendar->SetBounds(2, 2, 218 + 4, 113 + 4);
    FCalendar->SetClientWidth(218);
    FCalendar->SetClientHeight(113);
    FCalendar->SetColor(clWhite);
    FCalendar->OnChange = TNotifyEvent(this, &TSelectDateDlg::CalendarChange);
    FCalendar->OnDblClick = TNotifyEvent(this, &TSelectDateDlg::CalendarDblClick);
    FCalendar->SetCalendarDate(::Date());
    CalendarChange(nullptr);
    // The calendar takes the focus first when the dialog shows.
    Middle->SetTabOrder(0);
}

TSelectDateDlg::~TSelectDateDlg() = default;

void TSelectDateDlg::SetDate(TDateTime Value)
{
    FCalendar->SetCalendarDate(Value == NoDate ? ::Date() : Value);
    CalendarChange(nullptr);
}

void TSelectDateDlg::CalendarChange(TObject* /*Sender*/)
{
    FTitleLabel->SetCaption(TitleOf(FCalendar->CalendarDate()));
}

void TSelectDateDlg::NavClick(TObject* Sender)
{
    switch (static_cast<TComponent*>(Sender)->Tag()) {
    case 0: FCalendar->PrevYear(); break;
    case 1: FCalendar->PrevMonth(); break;
    case 2: FCalendar->NextMonth(); break;
    default: FCalendar->NextYear(); break;
    }
}

void TSelectDateDlg::TopPanelDblClick(TObject* /*Sender*/)
{
    FCalendar->SetCalendarDate(::Date());
}

void TSelectDateDlg::CalendarDblClick(TObject* /*Sender*/)
{
    SetModalResult(mrOk);
}

void TSelectDateDlg::KeyDown(Word& Key, TShiftState Shift)
{
    const bool Ctrl = Shift.Contains(ssCtrl);
    switch (Key) {
    case VK_RETURN:
        SetModalResult(mrOk);
        break;
    case VK_ESCAPE:
        SetModalResult(mrCancel);
        break;
    case VK_TAB:
        Shift.Contains(ssShift) ? FCalendar->PrevMonth() : FCalendar->NextMonth();
        break;
    case VK_PRIOR:
        Ctrl ? FCalendar->PrevYear() : FCalendar->PrevMonth();
        break;
    case VK_NEXT:
        Ctrl ? FCalendar->NextYear() : FCalendar->NextMonth();
        break;
    default:
        inherited::KeyDown(Key, Shift);
        return;
    }
    FCalendar->Update();
    Key = 0;
}

// ---- entry routines --------------------------------------------------------------------------------

namespace {

/// Up to four non-empty hints onto the navigation buttons, in order.
void ApplyHints(const std::array<TylTimerSpeedButton*, 4>& Buttons, TStrings* Hints)
{
    if (!Hints)
        return;
    for (int I = 0; I < std::min(4, Hints->Count()); ++I)
        if (!Hints->Strings(I).IsEmpty())
            Buttons[static_cast<size_t>(I)]->SetHint(Hints->Strings(I));
}

} // namespace

bool PickDateInDialog(TDateTime& Date, const AnsiString& Caption, TDayOfWeekName StartOfWeek,
    TDaysOfWeek Weekends, TColor WeekendColor, TStrings* Hints)
{
    auto Dlg = std::make_unique<TSelectDateDlg>(Application);
    if (!Caption.IsEmpty())
        Dlg->SetCaption(Caption);
    if (Screen && Screen->PixelsPerInch() != 96)
        Dlg->ScaleBy(Screen->PixelsPerInch(), 96);
    if (Screen)
        Dlg->SetBounds(Screen->Width() / 2 - Dlg->Width() / 2, Screen->Height() / 2 - Dlg->Height() / 2,
            Dlg->Width(), Dlg->Height());
    Dlg->SetDate(Date);
    Dlg->Calendar()->SetStartOfWeek(StartOfWeek);
    Dlg->Calendar()->SetWeekends(Weekends);
    Dlg->Calendar()->SetWeekendColor(WeekendColor);
    std::array<TylTimerSpeedButton*, 4> Buttons {};
    for (int I = 0; I < 4; ++I)
        Buttons[static_cast<size_t>(I)] = Dlg->Buttons(I);
    ApplyHints(Buttons, Hints);
    if (Dlg->ShowModal() != mrOk)
        return false;
    Date = Dlg->Date();
    return true;
}

void ConfigurePopupCalendar(TPopupWindow* Popup, TDayOfWeekName StartOfWeek, TDaysOfWeek Weekends,
    TColor WeekendColor, TStrings* Hints, bool FourDigitYear)
{
    auto* P = dynamic_cast<TPopupCalendar*>(Popup);
    if (!P)
        return;
    P->Calendar()->SetStartOfWeek(StartOfWeek);
    P->Calendar()->SetWeekendColor(WeekendColor);
    P->Calendar()->SetWeekends(Weekends);
    std::array<TylTimerSpeedButton*, 4> Buttons {};
    for (int I = 0; I < 4; ++I)
        Buttons[static_cast<size_t>(I)] = P->Buttons(I);
    ApplyHints(Buttons, Hints);
    P->SetFourDigitYear(FourDigitYear);
}

TPopupCalendar* MakePopupCalendar(TWinControl* AOwner)
{
    auto* P = new TPopupCalendar(AOwner);
    if (!AOwner->ComponentState().Contains(csDesigning) && Screen && Screen->PixelsPerInch() != 96) {
        P->ChangeScale(Screen->PixelsPerInch(), 96);
        P->Calendar()->SetParentFont(true);
        SetWindowFont(P->Font());
    }
    return P;
}
