#include "library/RowIndex.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::library;

namespace {

LibraryTable tableOf(const QStringList& values)
{
    LibraryTable table;
    for (const QString& value : values)
        table.append(value);
    return table;
}

// Rows of two values, keyed by the first, as an importer walks them: the matches, then the
// walk's failure if the table has one.
QStringList visited(const RowIndex& index, const QString& key, QStringList* seen = nullptr)
{
    QStringList local;
    QStringList& rows = seen ? *seen : local;
    for (const int start : index.rowsOf(key))
        rows.append(index.row(start)[1] + "@" + QString::number(start));
    index.throwIfIncomplete();
    return rows;
}

// A lookup answers exactly what walking the table row by row would: every match in table
// order, and the walk's failure at a partial last row.
TEST(RowIndex, FindsWhatAWalkOfTheTableFinds)
{
    const LibraryTable whole = tableOf({"a", "1", "b", "2", "a", "3"});
    const RowIndex index(whole, 2, 0);
    EXPECT_EQ(visited(index, "a"), QStringList({"1@1", "3@5"}));
    EXPECT_EQ(visited(index, "c"), QStringList());
    EXPECT_EQ(index.first("b"), 3);
    EXPECT_EQ(index.first("A"), std::nullopt) << "keys compare exactly";

    const LibraryTable partial = tableOf({"a", "1", "b", "2", "a"});
    const RowIndex cut(partial, 2, 0);
    QStringList seen;
    EXPECT_THROW(visited(cut, "a", &seen), Failure);
    EXPECT_EQ(seen, QStringList({"1@1"})) << "the matches come before the failure";
    EXPECT_EQ(cut.first("b"), 3) << "a walk that stops at its match never meets the failure";
    EXPECT_THROW(cut.first("z"), Failure);

    const LibraryTable empty;
    EXPECT_THROW(RowIndex(empty, 2, 0).first("a"), Failure) << "the first row is always read";
}

} // namespace
