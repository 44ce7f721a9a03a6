#pragma once

#include "library/VendorLibrary.h"
#include "status/Failure.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace tarnwell::library {

// The rows of a table by the value of one of their columns, found in one walk of the table
// instead of a walk per lookup: the importers look rows up by key once per strip, channel and
// terminal, and walking the whole table each time grows with the square of the library.
//
// Lookups see exactly what a row-by-row walk (scanRows) would: matching rows in table order,
// and the same failure where such a walk would meet a partial last row (or an empty table) —
// after the matches for a walk over every row, and only when nothing matched for a walk that
// stops at the first match.
class RowIndex
{
public:
    RowIndex(const LibraryTable& table, int width, int keyColumn);

    // The starts of the rows whose key column is `key`, ascending.
    const std::vector<int>& rowsOf(const QString& key) const;
    // The row that starts at `start`, one of rowsOf()'s.
    LibraryTable::Row row(int start) const { return m_table.row(start, m_width); }
    // Throws what a walk over every row would meet at the end of the table, if anything.
    void throwIfIncomplete() const
    {
        if (m_failure)
            throw *m_failure;
    }

    // The start of the first row whose key column is `key`; nothing when no row has it, and
    // the walk's failure when no row has it and the table has one.
    std::optional<int> first(const QString& key) const;

private:
    const LibraryTable& m_table;
    int m_width;
    QHash<QString, std::vector<int>> m_rows;
    std::optional<Failure> m_failure;
};

} // namespace tarnwell::library
