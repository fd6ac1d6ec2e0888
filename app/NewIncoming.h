#pragma once

// TFormIncoming: the header of a supplier invoice. For a new invoice (mode
// 1) the operator chooses the workbook first, then gives number, dates,
// supplier and VAT; in mode 0 the header of the current invoice is edited
// and its workbook stays. The supplier list lives in section
// "ProviderList" of the program ini; a new supplier joins it on OK.

#include "app/NewInput.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <memory>

class TshInvoice;
class TshProviderList;
class TFilenameEdit;
class TDateEdit;
class TEdit;
class TComboBox;
class TCheckBox;
class Tyl_FloatEdit;

class TFormIncoming : public TFormNewInput {
    PRICETAGS_CLASS(TFormIncoming, TFormNewInput)
public:
    explicit TFormIncoming(TComponent* AOwner);
    ~TFormIncoming() override;

    /// Shows the dialog for Invoice (not owned) with FileName preset; Mode 1
    /// a new invoice, 0 the header of the current one. FindDescriptions is
    /// shown and taken back from "Поиск в базе описаний" (mode 1 only). True
    /// when confirmed; the invoice header then holds the dialog's data.
    static bool Execute(const AnsiString& FileName, TshInvoice* Invoice, Byte Mode,
                        bool& FindDescriptions);
    /// Caption and header of the dialog in mode 0 (the main window's
    /// command of that name).
    [[nodiscard]] static AnsiString HeaderTitle();

    TFilenameEdit* edInvFilename;
    TDateEdit* edInvLoad;
    TDateEdit* edInvDate;
    TEdit* edInvNum;
    TEdit* edInvName;
    TComboBox* cbProvider;
    TLabel* lbDelProvider;
    TCheckBox* cbNDS;
    Tyl_FloatEdit* edNDS;
    TLabel* lbNDS0;
    TCheckBox* cbFindDescr;

    TshInvoice* Invoice = nullptr;
    AnsiString FileName;
    Byte Mode = 1;
    bool FileChosen = false;
    std::unique_ptr<TshProviderList> Providers;
    bool ProvidersChanged = false;

    /// The document name from the number, the date and the supplier.
    [[nodiscard]] AnsiString MakeDocName() const;
    void DoOk() override;

protected:
    void DoShowDialog() override;
    void Dispatch(TMessage& Message) override;

private:
    void BuildControls();
    /// The document name formed anew; the number's change handler (the
    /// date and the supplier leave a name typed by hand alone).
    void UpdateDocName(TObject* Sender);
    void cbNDSClick(TObject* Sender);
    void lbDelProviderClick(TObject* Sender);
    void edInvFilenameAfterDialog(TObject* Sender, AnsiString& Name, bool& Action);

    /// The show handler is filling the fields.
    bool FShowing = false;
};
