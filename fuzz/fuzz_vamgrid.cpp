// Fuzz target: a paste into the grid of Vam data. The first bytes choose the view (x, r, c
// or y), the table's size (1..8 by 1..8) and the selected cell; the rest is the clipboard's
// text. The grid's first row and column of values are never data: they are guards that no
// paste, delete or edit may touch. Whatever the text, nothing crashes, the guards keep their
// zeros, and the console text and the copy of the selection can be made.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "banks/databank.h"
#include "fuzz/fuzz_support.h"
#include "platform/clipboard.h"
#include "views/small_dialogs.h"
#include "views/vam_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = false;
    if (!ready) {
        fuzzsupport::installQuietPlatform();
        ready = true;
    }
    if (size < 5) return 0;
    VamGridData d;
    d.view = "xrcy"[data[0] % 4];
    d.tableRows = 1 + data[1] % 8;
    d.tableCount = 1 + data[2] % 8;
    for (int k = 0; k < d.tableRows * d.tableCount; ++k) d.table.push_back(1.0f + static_cast<float>(k));
    d.elementLabel = d.elementName = "x";
    d.firstDate = JexDate(1990.0f);
    d.rowTitles = {"a;b", "c"};
    d.columnTitles = {"d"};
    TShowFm grid;
    grid.fill(d);
    const int left = data[3] % (grid.colCount + 2), top = data[4] % (grid.rowCount + 2);
    grid.answer("Select " + std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(left) + " " +
                std::to_string(top));
    platform::clipboard().setText(std::string(reinterpret_cast<const char*>(data) + 5, size - 5));
    grid.PasteClick();
    // An edit typed into the cell the clipboard's first byte names.
    grid.answer("Edit cell " + std::to_string(data[3] % 12) + " " + std::to_string(data[4] % 12) + " " +
                platform::clipboard().text().substr(0, 20));
    const bool year = d.view == 'y';
    const int first = year ? grid.DataRows : grid.DataCols, second = year ? grid.DataCols : grid.DataRows;
    for (int a = 0; a <= first; ++a)
        if (grid.value(a, 0) != 0.0f) std::abort();
    for (int b = 0; b <= second; ++b)
        if (grid.value(0, b) != 0.0f) std::abort();
    (void)grid.consoleText();
    platform::answerQueue().push_back("OK");
    grid.CopyClick();
    platform::answerQueue().clear();
    return 0;
}
