#pragma once

// TFormNewMarkup: the named markups of the main window, edited in place.
// Changes act on the list at once, whatever button closes the dialog; the
// list is saved with the program's settings at the end.

#include "app/NewInput.h"

#include "platform/rtl/AnsiString.h"

class TMarkupList;
class TMarkupItem;
class TComboBox;
class TEdit;
class Tyl_FloatEdit;

/// Whether the markup and card-discount edits hold values that can price
/// (MarkupRangeError); otherwise the reason is said in the error window and
/// the edit at fault takes the focus.
bool MarkupEditsValid(Tyl_FloatEdit& Markup, Tyl_FloatEdit& Discount);

class TFormNewMarkup : public TFormNewInput {
    PRICETAGS_CLASS(TFormNewMarkup, TFormNewInput)
public:
    explicit TFormNewMarkup(TComponent* AOwner);
    ~TFormNewMarkup() override;

    /// Edits List (not owned) under the header Caption (empty: the dialog's
    /// caption). True when closed with "Закончить". Selected receives the
    /// index of the markup shown last (-1 for an empty list).
    static bool Execute(const AnsiString& Caption, TMarkupList* List, int& Selected);

    TComboBox* cbMarkup;
    TEdit* edName;
    Tyl_FloatEdit* edMarkup;
    Tyl_FloatEdit* edDiscount;
    TButton* btAdd;
    TButton* btDel;

    TMarkupList* List = nullptr;
    TMarkupItem* Current = nullptr;

    /// "Изменить": the edits into Current, the combo refilled.
    void ChangeCurrent();
    /// "Добавить": a new markup from the edits, selected.
    void AddMarkup();
    /// "Удалить текущую": the selected markup deleted, the one before it
    /// selected.
    void DeleteCurrent();
    /// "Закончить" (and Enter): values typed but not yet stored go into
    /// Current first, so nothing typed is lost; values out of range keep
    /// the dialog open with the reason said.
    void DoOk() override;

protected:
    void DoShowDialog() override;

private:
    void BuildControls();
    void FillCombo(int Index);
    void ShowCurrent();
    void StoreEdits(TMarkupItem& Item);
    /// MarkupEditsValid of the dialog's edits.
    bool EditsValid();
    /// The edits differ from Current.
    bool EditsChanged() const;
    void cbMarkupChange(TObject* Sender);
    void btChangeClick(TObject* Sender);
    void btAddClick(TObject* Sender);
    void btDelClick(TObject* Sender);
};
