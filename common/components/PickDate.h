#pragma once

// The month calendar (TylCalendar: a 7 x 7 grid, day names in row 0), its
// borderless kind for pop-ups (TLocCalendar), the navigation button that
// repeats while held (TylTimerSpeedButton), the drop-down calendar of the
// date edit (TPopupCalendar) and the modal date dialog (TSelectDateDlg,
// PickDateInDialog). Day and month names come from the locale settings.

#include "common/components/ToolEdit.h"
#include "common/components/ylCtrls.h"

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Grids.h"
#include "platform/forms/StdCtrls.h"

#include <array>

class TStrings;

class TylCalendar : public TCustomGrid {
    PRICETAGS_CLASS(TylCalendar, TCustomGrid)
public:
    explicit TylCalendar(TComponent* AOwner);
    ~TylCalendar() override;

    /// The date shown; a change repaints and fires OnChange.
    TDateTime CalendarDate() const { return FDate; }
    void SetCalendarDate(TDateTime Value);
    /// Parts of the date. Setting one (values below 1, a day past the
    /// month's end and a month past 12 are ignored) stops following today.
    int Day() const;
    int Month() const;
    int Year() const;
    void SetDay(int Value);
    void SetMonth(int Value);
    void SetYear(int Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    TDayOfWeekName StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(TDayOfWeekName Value);
    bool UseCurrentDate() const { return FUseCurrentDate; }
    void SetUseCurrentDate(bool Value);
    TColor WeekendColor() const { return FWeekendColor; }
    void SetWeekendColor(TColor Value);
    TDaysOfWeek Weekends() const { return FWeekends; }
    void SetWeekends(TDaysOfWeek Value);

    void PrevMonth();
    void NextMonth();
    void PrevYear();
    void NextYear();
    /// The day a cell shows (0 for an empty cell or the day-name row).
    int DayOfCell(int ACol, int ARow) const;
    /// What a cell shows: a short day name, a day number or ''.
    AnsiString CellText(int ACol, int ARow) const;
    /// Lays the month out again and moves the selection to the date.
    virtual void RefreshCalendar(bool DayOnly = false);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMSize(TWMSize& Message) override;
    void ChangeDate(TDateTime Value);

    TDateTime FDate = 0;
    int FMonthOffset = 0;
    bool FReadOnly = false;
    TDayOfWeekName FStartOfWeek = Mon;
    bool FUpdating = false;
    bool FUseCurrentDate = true;
    TDaysOfWeek FWeekends {Sun};
    TColor FWeekendColor = clRed;

private:
    void SetDatePart(int Index, int Value);
};

/// The calendar of the pop-up: no border, no tab stop, framed today.
class TLocCalendar : public TylCalendar {
    PRICETAGS_CLASS(TLocCalendar, TylCalendar)
public:
    explicit TLocCalendar(TComponent* AOwner);
    ~TLocCalendar() override;
    /// Never: the edit that dropped the calendar keeps the focus.
    bool CanFocus() override { return false; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void CMParentColorChanged(TMessageRecord& Message) override;
};

/// A speed button that repeats while held, in the old look.
class TylTimerSpeedButton : public TylSpeedButton {
    PRICETAGS_CLASS(TylTimerSpeedButton, TylSpeedButton)
public:
    explicit TylTimerSpeedButton(TComponent* AOwner);
    ~TylTimerSpeedButton() override;
};

/// The calendar the date edit drops down.
class TPopupCalendar : public TPopupWindow {
    PRICETAGS_CLASS(TPopupCalendar, TPopupWindow)
public:
    explicit TPopupCalendar(TComponent* AOwner);
    ~TPopupCalendar() override;

    Variant ReadValue() override;
    void WriteValue(const Variant& Value) override;
    TylCalendar* Calendar() const { return FCalendar; }
    TLabel* TitleLabel() const { return FTitleLabel; }
    /// The buttons: previous year, previous month, next month, next year.
    TylTimerSpeedButton* Buttons(int Index) const { return FButtons[static_cast<size_t>(Index)]; }
    bool FourDigitYear() const { return FFourDigitYear; }
    void SetFourDigitYear(bool Value) { FFourDigitYear = Value; }
    /// Keys the date edit passes on: Page Up/Down (with Ctrl by years),
    /// the rest to the calendar.
    void HandleKey(Word& Key, TShiftState Shift);
    void HandleChar(char& Key);

private:
    void CalendarChange(TObject* Sender);
    void NavClick(TObject* Sender);
    void TitleDblClick(TObject* Sender);
    void CalendarMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    bool FFourDigitYear = true;
    TylCalendar* FCalendar = nullptr;
    TLabel* FTitleLabel = nullptr;
    std::array<TylTimerSpeedButton*, 4> FButtons {};
};

class TSelectDateDlg : public TForm {
    PRICETAGS_CLASS(TSelectDateDlg, TForm)
public:
    explicit TSelectDateDlg(TComponent* AOwner);
    ~TSelectDateDlg() override;

    /// NoDate shows today.
    TDateTime Date() const { return FCalendar->CalendarDate(); }
    void SetDate(TDateTime Value);
    TylCalendar* Calendar() const { return FCalendar; }
    TLabel* TitleLabel() const { return FTitleLabel; }
    TylTimerSpeedButton* Buttons(int Index) const { return FButtons[static_cast<size_t>(Index)]; }

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;

private:
    void CalendarChange(TObject* Sender);
    void NavClick(TObject* Sender);
    void TopPanelDblClick(TObject* Sender);
    void CalendarDblClick(TObject* Sender);

    TylCalendar* FCalendar = nullptr;
    TLabel* FTitleLabel = nullptr;
    std::array<TylTimerSpeedButton*, 4> FButtons {};
};

/// Shows the date dialog with Caption (when not empty) and the calendar
/// settings; true and the chosen date in Date when the user accepted.
/// Hints holds up to four button hints (previous year, previous month,
/// next month, next year); empty lines keep the default.
bool PickDateInDialog(TDateTime& Date, const AnsiString& Caption, TDayOfWeekName StartOfWeek,
    TDaysOfWeek Weekends, TColor WeekendColor, TStrings* Hints);
/// Applies the calendar settings and up to four hints to a pop-up calendar.
void ConfigurePopupCalendar(TPopupWindow* Popup, TDayOfWeekName StartOfWeek, TDaysOfWeek Weekends,
    TColor WeekendColor, TStrings* Hints, bool FourDigitYear);
/// A pop-up calendar owned by AOwner, scaled to the screen's pixel density.
TPopupCalendar* MakePopupCalendar(TWinControl* AOwner);

/// The glyphs of the navigation buttons ("PREV2", "PREV1", "NEXT1",
/// "NEXT2"), drawn once and shared.
TBitmap* CalendarGlyph(int Index);
