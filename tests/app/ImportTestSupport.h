#pragma once

// Shared set-up of the import tests: sheet tables written as rows of cells,
// and a recorder that answers and remembers what the import asks the
// operator.

#include "common/components/MsgWin.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Variant.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

/// One cell of a test table: Empty for "" (or no argument), text for other
/// strings (UTF-8 in the source), a double for numbers, as the workbook
/// reader delivers them.
struct Cell {
    Variant Value;
    Cell() = default;
    Cell(const char* Utf8)
    {
        if (*Utf8)
            Value = Variant(AnsiString::FromUtf8(Utf8));
    }
    Cell(int Number) : Value(double(Number)) {}
    Cell(double Number) : Value(Number) {}
    Cell(Variant V) : Value(std::move(V)) {}
};

using TableRows = std::vector<std::vector<Cell>>;

/// A used range [1..rows, 1..columns] of the given rows; short rows are
/// padded with empty cells.
inline Variant MakeTable(const TableRows& Rows)
{
    size_t Width = 1;
    for (const auto& Row : Rows)
        Width = std::max(Width, Row.size());
    const int RowCount = std::max<int>(1, int(Rows.size()));
    Variant Table = VarArrayCreate({1, RowCount, 1, int(Width)}, varVariant);
    for (size_t R = 0; R < Rows.size(); ++R)
        for (size_t C = 0; C < Rows[R].size(); ++C)
            Table.PutElement(int(R + 1), int(C + 1), Rows[R][C].Value);
    return Table;
}

/// The supplier invoice of the worked example, as its used range C5:G9:
/// a heading, three goods and the total row.
inline TableRows ExampleInvoice()
{
    return {
        {"№", "Наименование товара", "Кол-во", "Цена", "Сумма"},
        {1, "Холодильник NRB 110", 2, 10.5, 21},
        {2, "Пылесос ABC", 3, 0.3333, 1},
        {3, "Чайник", 1, 100, 100},
        {"", "Итого:", "", "", 122},
    };
}

/// Answers every message with Answer and keeps the requests.
class MsgRecorder {
public:
    explicit MsgRecorder(int Answer = 1)
        : FScope([this, Answer](const MsgRequest& Request) {
              Requests.push_back(Request);
              return Answer;
          })
    {
    }

    std::vector<MsgRequest> Requests;

private:
    MsgAnswerHookScope FScope;
};
