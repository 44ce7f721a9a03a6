#include "support/LibraryRows.h"

namespace tarnwell::testing {

void appendRow(library::LibraryTable& table, const QStringList& values)
{
    for (const QString& value : values)
        table.append(value);
}

void appendRow(library::LibraryTable& table, int width, const std::map<int, QString>& values,
               const QString& otherwise)
{
    for (int i = 0; i < width; ++i) {
        const auto it = values.find(i);
        table.append(it == values.end() ? otherwise : it->second);
    }
}

library::VendorLibrary changedLibrary(const library::VendorLibrary& lib,
                                      library::LibraryTable library::VendorLibrary::*table,
                                      int width, int row, const std::map<int, QString>& values)
{
    library::VendorLibrary copy = lib;
    const library::LibraryTable& original = lib.*table;
    library::LibraryTable rebuilt;
    for (int i = 1; i <= original.Count(); ++i) {
        const auto it = values.find((i - 1) % width);
        const bool inRow = (i - 1) / width == row;
        rebuilt.append(inRow && it != values.end() ? it->second : original.value(i));
    }
    copy.*table = rebuilt;
    return copy;
}

} // namespace tarnwell::testing
