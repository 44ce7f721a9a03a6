// The statement helpers and quoting against a real server, through the program's own ODBC path.

#include "db/Database.h"
#include "db/Login.h"
#include "db/OdbcConnection.h"
#include "db/Sql.h"
#include "status/Failure.h"
#include "support/QtPrinters.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::db;
using tarnwell::testing::TestDatabase;

namespace {

class DatabaseOdbcTest : public ::testing::Test
{
protected:
    TestDatabase database;
    std::unique_ptr<OdbcConnection> connection = database.connect();
    Database db{*connection, Platform::SQLServer};
};

TEST_F(DatabaseOdbcTest, ARefusedStatementThrowsTheServersDescription)
{
    try {
        db.RunQuery(QStringLiteral("SELECT panel_nam FROM panel"));
        FAIL() << "the statement was accepted";
    } catch (const DatabaseError& failure) {
        EXPECT_TRUE(failure.refused());
        EXPECT_EQ(failure.sqlState(), QStringLiteral("42703"));
        EXPECT_TRUE(
            failure.description().contains(QStringLiteral("column \"panel_nam\" does not exist")))
            << failure.what();
    }
    EXPECT_THROW(db.RunCommand(QStringLiteral("INSERT INTO license (no_column) VALUES (1)")),
                 DatabaseError);
}

TEST_F(DatabaseOdbcTest, DoubledQuotesHoldOnTheServer)
{
    const QStringList values{
        QStringLiteral("O'Brien's"),
        QStringLiteral("x'); DELETE FROM project; --"),
        QStringLiteral("C:\\spi\\' OR ''='"),
        QStringLiteral("''"),
    };
    int id = 60;
    for (const QString& value : values) {
        db.RunCommand(
            QStringLiteral("INSERT INTO term_mfr (term_mfr_id, term_mfr_name) VALUES (%1, '%2')")
                .arg(id)
                .arg(sql::escaped(value)));
        // Compared with "=": PostgreSQL's LIKE reads a backslash as its escape character.
        const ResultSet found = db.RunQuery(
            QStringLiteral(
                "SELECT term_mfr_name, term_mfr_id FROM term_mfr WHERE term_mfr_name = '") +
            sql::escaped(value) + QStringLiteral("'"));
        ASSERT_EQ(found.rowCount(), 1) << value.toStdString();
        EXPECT_EQ(found.value(0), value);
        EXPECT_EQ(found.value(1), QString::number(id));
        ++id;
    }
    EXPECT_EQ(database.value(QStringLiteral("SELECT count(*) FROM project")), QStringLiteral("2"));
}

TEST_F(DatabaseOdbcTest, TheDomainQueryFindsOnlyAnExactLogon)
{
    EXPECT_EQ(db.RunQuery(domainQuery(QStringLiteral("HOLLIN"), QStringLiteral("HOLLIN1"))).rows(),
              (std::vector<Row>{
                  {QStringLiteral("Hollin Works"), QStringLiteral("11"), QStringLiteral("1")}}));
    EXPECT_EQ(db.RunQuery(domainQuery(QStringLiteral("HOLLIN"), QStringLiteral("' OR '1'='1")))
                  .rowCount(),
              0);
    EXPECT_EQ(db.RunQuery(domainQuery(QStringLiteral("' OR ''='"), QStringLiteral("' OR ''='")))
                  .rowCount(),
              0);
}

TEST_F(DatabaseOdbcTest, ChangeDatesInBothTextFormsReadAsDayMonthYear)
{
    db.RunCommand(QStringLiteral("INSERT INTO strip_type (strip_type_id, chg_date) VALUES "
                                 "(10, '06-Dec-26'), (11, '14-Mar-25'), (12, '30-Sep-99')"));
    EXPECT_EQ(database.rows(QStringLiteral("SELECT chg_date FROM strip_type WHERE strip_type_id "
                                           ">= 10 ORDER BY strip_type_id")),
              (QList<QStringList>{{QStringLiteral("2026-12-06")},
                                  {QStringLiteral("2025-03-14")},
                                  {QStringLiteral("1999-09-30")}}));
}

} // namespace
