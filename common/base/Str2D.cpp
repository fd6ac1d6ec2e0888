#include "common/base/Str2D.h"

#include "platform/classes/RtlConsts.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

PRICETAGS_DEFINE_CLASS(TStringList2D)

TStringList2D::TStringList2D() : FCells(std::make_unique<TStringList>()) {}

TStringList2D::~TStringList2D() = default;

int TStringList2D::IndexOfCell(int Col, int Row) const
{
    return Col + Row * FCols;
}

int TStringList2D::CheckedIndex(int Col, int Row) const
{
    // Without the column check a column past the right edge would read the
    // next row's cell instead of failing.
    const int Index = IndexOfCell(Col, Row);
    if (Col < 0 || Col >= FCols || Row < 0 || Row >= FRows)
        throw EStringListError(Format(SListIndexError, {Index}));
    return Index;
}

AnsiString TStringList2D::GetCell(int Col, int Row) const
{
    return FCells->Strings(CheckedIndex(Col, Row));
}

void TStringList2D::SetCell(int Col, int Row, const AnsiString& Text)
{
    FCells->SetStrings(CheckedIndex(Col, Row), Text);
}

void TStringList2D::StringList2DResize(int NewRows, int NewCols)
{
    if (NewRows < 0)
        NewRows = 0;
    if (NewCols < 0)
        NewCols = 0;
    auto NewCells = std::make_unique<TStringList>();
    NewCells->SetCapacity(NewRows * NewCols);
    for (int R = 0; R < NewRows; ++R) {
        for (int C = 0; C < NewCols; ++C) {
            if (C < FCols && R < FRows) {
                const int Old = IndexOfCell(C, R);
                NewCells->AddObject(FCells->Strings(Old), FCells->Objects(Old));
            } else {
                NewCells->Add(AnsiString());
            }
        }
    }
    FCells = std::move(NewCells);
    FCols = NewCols;
    FRows = NewRows;
}
