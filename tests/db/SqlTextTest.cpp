#include "db/Sql.h"

#include "support/QtPrinters.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace tarnwell::db;

namespace {

// The servers read English month abbreviations only; a desktop in another language must not
// change the date text ("Dez.", "déc.", and the British "Sept" are all refused).
TEST(SqlDateText, UsesEnglishMonthsWhateverTheDesktopsLanguage)
{
    const QLocale before;
    for (const char* name : {"de_DE", "fr_FR", "en_GB", "C"}) {
        SCOPED_TRACE(name);
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        EXPECT_EQ(sql::dateText(QDate(2026, 12, 8)), "08-Dec-26");
        EXPECT_EQ(sql::dateText(QDate(2026, 9, 30)), "30-Sep-26");
        EXPECT_EQ(sql::dateText(QDate(2003, 3, 1)), "01-Mar-03");
    }
    QLocale::setDefault(before);

    QStringList months;
    for (int month = 1; month <= 12; ++month)
        months.append(sql::dateText(QDate(2000, month, 15)).mid(3, 3));
    EXPECT_EQ(months.join(' '), "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec");
}

} // namespace
