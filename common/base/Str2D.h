#pragma once

// A table of strings by column and row, each cell with an object beside it,
// kept row by row in one string list: cell (Col, Row), both from 0, is entry
// Col + Row * Cols. The table never owns the cells' objects.

#include "platform/classes/Object.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

class TStringList2D : public TObject {
    PRICETAGS_CLASS(TStringList2D, TObject)
public:
    /// An empty table: no columns, no rows.
    TStringList2D();
    ~TStringList2D() override;

    /// Col + Row * Cols; not checked.
    [[nodiscard]] int IndexOfCell(int Col, int Row) const;
    /// The cell's text. A cell outside the table raises EStringListError
    /// "List index out of bounds (%d)" with the entry's index.
    [[nodiscard]] AnsiString GetCell(int Col, int Row) const;
    /// Stores the cell's text; checked as GetCell.
    void SetCell(int Col, int Row, const AnsiString& Text);
    /// Rebuilds the table with NewRows rows of NewCols columns: the cells
    /// inside both the old and the new bounds keep their text and object,
    /// the others are empty. A negative size counts as 0.
    void StringList2DResize(int NewRows, int NewCols);

    [[nodiscard]] int Cols() const { return FCols; }
    [[nodiscard]] int Rows() const { return FRows; }
    /// The entries, row by row.
    [[nodiscard]] TStringList& Cells() { return *FCells; }
    [[nodiscard]] const TStringList& Cells() const { return *FCells; }

private:
    int CheckedIndex(int Col, int Row) const;

    std::unique_ptr<TStringList> FCells;
    int FCols = 0;
    int FRows = 0;
};
