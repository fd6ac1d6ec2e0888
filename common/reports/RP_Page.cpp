#include "common/reports/RP_Page.h"

#include "common/reports/RP_View.h"

#include "platform/classes/Lists.h"

#include <utility>

PRICETAGS_DEFINE_CLASS(TPage)

TPage::TPage(Byte AOrientation, TDocument* ADocument)
    : Document(ADocument), Orientation(AOrientation)
{
}

TPage::~TPage()
{
    ClearViews();
}

void TPage::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= ViewCount())
        TList::Error("List index out of bounds (%d)", Index);
}

int TPage::AddView(TView* View)
{
    FViews.emplace_back(View);
    View->Page = this;
    SelectedCountValid = false;
    return ViewCount() - 1;
}

void TPage::DeleteView(int Index)
{
    CheckIndex(Index);
    FViews.erase(FViews.begin() + Index);
    SelectedCountValid = false;
}

void TPage::ClearViews()
{
    while (!FViews.empty())
        FViews.pop_back();
    SelectedCountValid = false;
}

TView* TPage::GetView(int Index) const
{
    CheckIndex(Index);
    return FViews[static_cast<size_t>(Index)].get();
}

TView* TPage::LastView() const
{
    return FViews.empty() ? nullptr : FViews.back().get();
}

int TPage::IndexOfView(const TView* View) const
{
    for (int I = 0; I < ViewCount(); ++I)
        if (FViews[static_cast<size_t>(I)].get() == View)
            return I;
    return -1;
}

void TPage::MoveView(int From, int To)
{
    CheckIndex(From);
    CheckIndex(To);
    std::unique_ptr<TView> View = std::move(FViews[static_cast<size_t>(From)]);
    FViews.erase(FViews.begin() + From);
    FViews.insert(FViews.begin() + To, std::move(View));
    SelectedCountValid = false;
}

void TPage::ExchangeViews(int I, int J)
{
    CheckIndex(I);
    CheckIndex(J);
    std::swap(FViews[static_cast<size_t>(I)], FViews[static_cast<size_t>(J)]);
    SelectedCountValid = false;
}

int TPage::GetSelectedCount()
{
    if (!SelectedCountValid) {
        SelectedCount = 0;
        for (const auto& View : FViews)
            if (View->Selected)
                ++SelectedCount;
        SelectedCountValid = true;
    }
    return SelectedCount;
}
