#include "library/LibraryIndexes.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tarnwell::library;

namespace {

// Three rows of `width` values; the key column holds key0, key1, key0 and every other value
// names its own row and column, so that an index with the wrong width or key column finds
// other rows or none.
void fillRows(LibraryTable& table, int width, int keyColumn)
{
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < width; ++column) {
            table.append(column == keyColumn ? QStringLiteral("key%1").arg(row % 2)
                                             : QStringLiteral("%1.%2").arg(row).arg(column));
        }
    }
}

} // namespace

TEST(LibraryIndexes, EachFindsItsTableByTheKeyTheImportersLookUp)
{
    VendorLibrary library;
    LibraryIndexes indexes(library); // before the library is read: nothing is built yet

    struct Case
    {
        const char* name;
        LibraryTable& table;
        int width;
        int keyColumn;
        const RowIndex& (LibraryIndexes::*index)();
    };
    const Case cases[] = {
        {"terminalsOfConfiguration", library.stripConfigTerm, 22, 0,
         &LibraryIndexes::terminalsOfConfiguration},
        {"channelsOfStrip", library.channel, 67, 1, &LibraryIndexes::channelsOfStrip},
        {"stripsByKey", library.panelStrip, 94, 1, &LibraryIndexes::stripsByKey},
        {"terminalsOfChannel", library.panelStripTerm, 69, 20, &LibraryIndexes::terminalsOfChannel},
        {"coloursByKey", library.terminalColors, 6, 0, &LibraryIndexes::coloursByKey},
    };
    for (const Case& c : cases)
        fillRows(c.table, c.width, c.keyColumn);

    for (const Case& c : cases) {
        const RowIndex& index = (indexes.*c.index)();
        EXPECT_EQ(index.rowsOf(QStringLiteral("key0")), (std::vector<int>{1, 1 + 2 * c.width}))
            << c.name;
        EXPECT_EQ(index.rowsOf(QStringLiteral("key1")), std::vector<int>{1 + c.width}) << c.name;
        EXPECT_EQ(&(indexes.*c.index)(), &index) << c.name << " is built once";
    }
}
