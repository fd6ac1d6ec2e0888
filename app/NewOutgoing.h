#pragma once

// TFormOutgoing: the header of the shop's internal statement (number, date,
// department, responsible person). Departments and persons live in sections
// "DepartList" and "ResponsList" of the program ini; new ones join on OK.

#include "app/NewInput.h"

#include "platform/rtl/AnsiString.h"

#include <memory>

class TshInvoice;
class TshDepartList;
class TshResponsList;
class TDateEdit;
class TEdit;
class TComboBox;

class TFormOutgoing : public TFormNewInput {
    PRICETAGS_CLASS(TFormOutgoing, TFormNewInput)
public:
    explicit TFormOutgoing(TComponent* AOwner);
    ~TFormOutgoing() override;

    /// Shows the dialog for Invoice (not owned); true when confirmed, the
    /// invoice header then holds the statement's data.
    static bool Execute(const AnsiString& FileName, TshInvoice* Invoice);

    TDateEdit* edInvDate;
    TEdit* edInvNum;
    TEdit* edInvName;
    TComboBox* cbDepart;
    TLabel* lbDelDepart;
    TComboBox* cbRespons;
    TLabel* lbDelRespons;

    TshInvoice* Invoice = nullptr;
    AnsiString FileName;
    std::unique_ptr<TshDepartList> Departs;
    bool DepartsChanged = false;
    std::unique_ptr<TshResponsList> Respons;
    bool ResponsChanged = false;

    void DoOk() override;

protected:
    void DoShowDialog() override;

private:
    void BuildControls();
    void lbDelDepartClick(TObject* Sender);
    void lbDelResponsClick(TObject* Sender);
};

/// The number proposed after Last: Last + 1 when Last is a whole number,
/// else empty ("41" gives "42", "A-41" gives "").
[[nodiscard]] AnsiString NextOutgoingNumber(const AnsiString& Last);
