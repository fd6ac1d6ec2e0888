#pragma once

// TFormArticles: the article descriptions in a read-only grid; the operator
// picks one for the current invoice row (double click or "Взять описание
// товара").

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Grids.h"
#include "platform/forms/StdCtrls.h"

class TshArticleList;

class TFormArticles : public TForm {
    PRICETAGS_CLASS(TFormArticles, TForm)
public:
    explicit TFormArticles(TComponent* AOwner);
    ~TFormArticles() override;

    /// Shows Articles (not owned) with the row Index preselected when it is
    /// one; true when an article was taken, Index then its number.
    static bool Execute(TshArticleList* Articles, int& Index);

    /// The text of a cell: column 0 the row number, then type, name, description,
    /// country, firm and warranty; "Ошибка" when the row cannot be read.
    [[nodiscard]] AnsiString CellText(int ACol, int ARow) const;

    TPanel* pnTop;
    TLabel* lbFileNameTITLE;
    TDrawGrid* grid;
    TPanel* pnButtons;
    TButton* btOk;
    TButton* btCancel;

    TshArticleList* Articles = nullptr;
    int Selected = -1;

private:
    void BuildControls();
    void gridDrawCell(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void gridDblClick(TObject* Sender);
    void FormMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos,
                        bool& Handled);
};
