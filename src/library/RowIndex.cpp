#include "library/RowIndex.h"

namespace tarnwell::library {

RowIndex::RowIndex(const LibraryTable& table, int width, int keyColumn)
    : m_table(table), m_width(width)
{
    int start = 1;
    do {
        if (start + width - 1 > table.Count()) {
            try {
                table.row(start, width); // the failure the walk meets here, in its own words
            } catch (const Failure& failure) {
                m_failure = failure;
            }
            return;
        }
        m_rows[table.value(start + keyColumn)].push_back(start);
        start += width;
    } while (start <= table.Count());
}

const std::vector<int>& RowIndex::rowsOf(const QString& key) const
{
    static const std::vector<int> none;
    const auto it = m_rows.constFind(key);
    return it == m_rows.constEnd() ? none : it.value();
}

std::optional<int> RowIndex::first(const QString& key) const
{
    const std::vector<int>& starts = rowsOf(key);
    if (!starts.empty())
        return starts.front();
    throwIfIncomplete();
    return std::nullopt;
}

} // namespace tarnwell::library
