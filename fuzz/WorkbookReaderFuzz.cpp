// Feeds arbitrary bytes to the workbook reader and walks what it yields:
// every sheet's cells, texts and bounds. A clean EWorkbookError passes; a
// broken promise of the reader (unsorted cells, a cell outside the bounds,
// an active sheet that does not exist) stops the run.

#include "platform/sheets/Workbook.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    try {
        const Workbook Book = Workbook::LoadFromBytes(
            std::string_view(reinterpret_cast<const char*>(Data), Size), "fuzz.xls");
        if (Book.SheetCount() > 0 && Book.ActiveSheet() >= Book.SheetCount())
            __builtin_trap();
        size_t Length = 0;
        for (int I = 0; I < Book.SheetCount(); ++I) {
            const WorkbookSheet& Sheet = Book.Sheet(I);
            uint32_t R1 = 0, C1 = 0, R2 = 0, C2 = 0;
            (void)Sheet.UsedBounds(R1, C1, R2, C2);
            for (const WorkbookCell& Cell : Sheet.Cells) {
                if (Sheet.Find(Cell.Row, Cell.Col) != &Cell || Cell.Row < R1 || Cell.Row > R2
                    || Cell.Col < C1 || Cell.Col > C2)
                    __builtin_trap();
                if (Cell.Kind == CellKind::Text)
                    Length += Book.Text(Cell).size();
            }
        }
        (void)Length;
    } catch (const Exception&) {
    }
    return 0;
}
