#include "common/base/Str2D.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

AnsiString CellName(int Col, int Row)
{
    return IntToStr(Col) + "," + IntToStr(Row);
}

/// A table of Rows x Cols whose cells read "c,r".
void FillNamed(TStringList2D& T, int Rows, int Cols)
{
    T.StringList2DResize(Rows, Cols);
    for (int R = 0; R < Rows; ++R)
        for (int C = 0; C < Cols; ++C)
            T.SetCell(C, R, CellName(C, R));
}

TEST(Str2D, NewTableIsEmpty)
{
    TStringList2D T;
    EXPECT_EQ(T.Cols(), 0);
    EXPECT_EQ(T.Rows(), 0);
    EXPECT_EQ(T.Cells().Count(), 0);
}

TEST(Str2D, CellsAreStoredRowByRow)
{
    TStringList2D T;
    FillNamed(T, 2, 3);
    EXPECT_EQ(T.IndexOfCell(2, 1), 5);
    EXPECT_EQ(T.Cells().Strings(5), "2,1");
    EXPECT_EQ(T.Cells().Strings(3), "0,1");
}

struct ResizeCase {
    const char* Name;
    int Rows, Cols;
};

const ResizeCase ResizeCases[] = {
    {"grow 2x2 to 3x3", 3, 3},  // four old cells keep their places, five new ones are empty
    {"shrink to 1x1", 1, 1},    // only the top-left cell stays
    {"wider, fewer rows", 1, 4},
    {"taller, fewer columns", 4, 1},
    {"to nothing", 0, 0},
};

TEST(Str2D, ResizeKeepsTheOverlappingCells)
{
    for (const ResizeCase& C : ResizeCases) {
        SCOPED_TRACE(C.Name);
        TStringList2D T;
        FillNamed(T, 2, 2);
        TObject Marker;
        T.Cells().SetObjects(T.IndexOfCell(1, 0), &Marker);
        T.StringList2DResize(C.Rows, C.Cols);
        EXPECT_EQ(T.Rows(), C.Rows);
        EXPECT_EQ(T.Cols(), C.Cols);
        EXPECT_EQ(T.Cells().Count(), C.Rows * C.Cols);
        for (int R = 0; R < C.Rows; ++R) {
            for (int Col = 0; Col < C.Cols; ++Col) {
                const bool Old = R < 2 && Col < 2;
                EXPECT_EQ(T.GetCell(Col, R), Old ? CellName(Col, R) : AnsiString());
                const bool Marked = R == 0 && Col == 1;
                EXPECT_EQ(T.Cells().Objects(T.IndexOfCell(Col, R)), Marked ? &Marker : nullptr);
            }
        }
    }
}

TEST(Str2D, CellOutsideTheTableRaises)
{
    TStringList2D T;
    FillNamed(T, 2, 3);
    ExpectRaises<EStringListError>([&] { (void)T.GetCell(0, 2); }, "List index out of bounds (6)");
    ExpectRaises<EStringListError>([&] { (void)T.GetCell(-1, 0); }, "List index out of bounds (-1)");
    // A column past the right edge would name the next row's first cell.
    ExpectRaises<EStringListError>([&] { (void)T.GetCell(3, 0); }, "List index out of bounds (3)");
    ExpectRaises<EStringListError>([&] { T.SetCell(3, 0, "x"); }, "List index out of bounds (3)");
    EXPECT_EQ(T.GetCell(0, 1), "0,1");
}

}  // namespace
