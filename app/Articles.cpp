#include "app/Articles.h"

#include "app/ArticleList.h"
#include "common/FuncsVCL.h"
#include "common/MsgWin.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(TFormArticles)

namespace {

struct ArticleColumn {
    const char* Title;
    int Width;
};
const ArticleColumn ArticleColumns[] = {
    {"№", 40},   {"Тип", 90},          {"Наименование товара", 200}, {"Описание", 260},
    {"Производство", 100}, {"Фирма", 100}, {"Гар.", 40},
};
constexpr int ArticleColumnCount = 7;

} // namespace

TFormArticles::TFormArticles(TComponent* AOwner) : TForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    SetComponentsFonts(this, {nullptr});
}

TFormArticles::~TFormArticles() = default;

void TFormArticles::BuildControls()
{
    SetName("FormArticles");
    SetCaption("База описаний товаров"_a);
    SetPosition(poOwnerFormCenter);
    SetClientWidth(860);
    SetClientHeight(420);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);

    pnTop = new TPanel(this);
    pnTop->SetName("pnTop");
    pnTop->SetParent(this);
    pnTop->SetAlign(alTop);
    pnTop->SetHeight(26);
    pnTop->SetBevelOuter(bvLowered);
    pnTop->SetCaption("");

    lbFileNameTITLE = new TLabel(this);
    lbFileNameTITLE->SetName("lbFileNameTITLE");
    lbFileNameTITLE->SetParent(pnTop);
    lbFileNameTITLE->SetAlign(alClient);
    lbFileNameTITLE->SetLayout(tlCenter);
    lbFileNameTITLE->Font()->SetStyle({fsBold});

    pnButtons = new TPanel(this);
    pnButtons->SetName("pnButtons");
    pnButtons->SetParent(this);
    pnButtons->SetAlign(alBottom);
    pnButtons->SetHeight(40);
    pnButtons->SetBevelOuter(bvNone);
    pnButtons->SetCaption("");

    btOk = new TButton(this);
    btOk->SetName("btOk");
    btOk->SetParent(pnButtons);
    btOk->SetCaption("Взять описание товара"_a);
    btOk->SetModalResult(mrOk);
    btOk->SetBounds(860 - 8 - 100 - 8 - 170, 8, 170, 25);

    btCancel = new TButton(this);
    btCancel->SetName("btCancel");
    btCancel->SetParent(pnButtons);
    btCancel->SetCaption("Отмена"_a);
    btCancel->SetModalResult(mrCancel);
    btCancel->SetCancel(true);
    btCancel->SetBounds(860 - 8 - 100, 8, 100, 25);

    grid = new TDrawGrid(this);
    grid->SetName("grid");
    grid->SetParent(this);
    grid->SetAlign(alClient);
    grid->SetColCount(ArticleColumnCount);
    grid->SetFixedCols(0);
    grid->SetRowCount(2);
    grid->SetFixedRows(1);
    grid->SetDefaultRowHeight(18);
    grid->SetOptions(grid->Options() + TGridOptions{goRowSelect, goColSizing}
                     - TGridOptions{goEditing, goRangeSelect});
    for (int I = 0; I < ArticleColumnCount; ++I)
        grid->SetColWidths(I, ArticleColumns[I].Width);
    grid->OnDrawCell = TDrawCellEvent(this, &TFormArticles::gridDrawCell);
    grid->OnDblClick = TNotifyEvent(this, &TFormArticles::gridDblClick);
    OnMouseWheel = TMouseWheelEvent(this, &TFormArticles::FormMouseWheel);
}

bool TFormArticles::Execute(TshArticleList* Articles, int& Index)
{
    auto Dialog = std::make_unique<TFormArticles>(Application);
    TFormArticles& F = *Dialog;
    F.Articles = Articles;
    const int Count = Articles ? Articles->Count() : 0;
    F.lbFileNameTITLE->SetCaption(Articles ? Articles->FileName : AnsiString());
    F.grid->SetRowCount(std::max(Count, 1) + 1);
    RestoreFormPosition(&F);
    if (Index >= 0 && Index < Count)
        F.grid->SetRow(Index + 1);
    const bool Result = F.ShowModal() == mrOk && Count > 0;
    if (!Result)
        return false;
    // Only a confirmed pick keeps where the window was.
    Index = F.grid->Row() - 1;
    SaveFormPosition(&F);
    return true;
}

AnsiString TFormArticles::CellText(int ACol, int ARow) const
{
    if (ARow == 0) {
        if (ACol < 0 || ACol >= ArticleColumnCount)
            return AnsiString();
        return AnsiString::FromUtf8(ArticleColumns[ACol].Title);
    }
    const int Index = ARow - 1;
    if (!Articles || Index >= Articles->Count())
        return AnsiString();
    try {
        const TshArticle& A = *Articles->GetItem(Index);
        switch (ACol) {
        case 0: return IntToStr(ARow);
        case 1: return A.Tip;
        case 2: return A.Model;
        case 3: return A.Description;
        case 4: return A.Country;
        case 5: return A.Firm;
        case 6: return IntToStr(A.Warranty);
        default: return AnsiString();
        }
    } catch (const Exception&) {
        // A broken article shows as such and leaves the rest readable.
        return "Ошибка"_a;
    }
}

void TFormArticles::gridDrawCell(TObject*, int ACol, int ARow, TRect Rect, TGridDrawState)
{
    TCanvas* C = grid->Canvas();
    C->FillRect(Rect);
    C->TextRect(Rect, Rect.Left + 2, Rect.Top + 2, CellText(ACol, ARow));
}

void TFormArticles::gridDblClick(TObject*)
{
    if (!Articles || Articles->Count() == 0)
        return;
    if (AskYesNo("Взять это описание для текущего товара?"_a, "", true))
        SetModalResult(mrOk);
}

void TFormArticles::FormMouseWheel(TObject*, TShiftState Shift, int WheelDelta, TPoint,
                                   bool& Handled)
{
    // The wheel scrolls the list as the main window's grid does; the
    // chosen row stays chosen.
    ScrollGridByWheel(*grid, WheelDelta < 0, Shift);
    Handled = true;
}
