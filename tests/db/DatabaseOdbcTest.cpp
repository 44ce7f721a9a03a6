// The statement helpers, trigger suspension and quoting against a real server, through the
// program's own ODBC path.

#include "db/Database.h"
#include "db/Login.h"
#include "db/OdbcConnection.h"
#include "db/Sql.h"
#include "import/Triggers.h"
#include "status/Failure.h"
#include "status/StatusLog.h"
#include "support/QtPrinters.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::db;
using namespace tarnwell::import;
using tarnwell::testing::TestDatabase;

namespace {

class DatabaseOdbcTest : public ::testing::Test
{
protected:
    TestDatabase database;
    std::unique_ptr<OdbcConnection> connection = database.connect();
    status::StatusLog status;
    Database db{*connection, Platform::SQLServer, status};

    QString auditRows()
    {
        return database.value(QStringLiteral("SELECT count(*) FROM trigger_audit"));
    }

    void insertBox(Database& target, int id)
    {
        target.RunCommand(QStringLiteral("INSERT INTO panel (panel_id, panel_name, chg_date) "
                                         "VALUES (%1, 'KEL - DORVAN FF LIBRARY', '06-Dec-26')")
                              .arg(id));
        target.RunCommand(QStringLiteral("INSERT INTO udf_panel (panel_id, chg_date) "
                                         "VALUES (%1, '06-Dec-26')")
                              .arg(id));
    }
};

TEST_F(DatabaseOdbcTest, NextRecordIdStartsAtOneAndFollowsTheHighest)
{
    EXPECT_EQ(db.NextRecordId(IdTable::Panel), QStringLiteral("1"));
    EXPECT_EQ(db.NextRecordId(IdTable::TermMfr), QStringLiteral("3")); // two seeded makers
    database.exec(QStringLiteral("INSERT INTO panel (panel_id) VALUES (41), (7)"));
    EXPECT_EQ(db.NextRecordId(IdTable::Panel), QStringLiteral("42"));
}

TEST_F(DatabaseOdbcTest, EveryIdentifierStatementRunsOnTheSchema)
{
    for (IdTable table :
         {IdTable::StripConfig, IdTable::StripConfigTerm, IdTable::TermMfr, IdTable::TermMfrMod,
          IdTable::TermColor, IdTable::Panel, IdTable::StripMfr, IdTable::StripMfrMod,
          IdTable::StripType, IdTable::PanelStrip, IdTable::Channel, IdTable::PanelStripTerm}) {
        EXPECT_NO_THROW(db.NextRecordId(table))
            << nextRecordIdStatement(table, false).toStdString();
    }
    // Only an Oracle target draws from it, but the development schema carries it all the same.
    EXPECT_EQ(database.value(QStringLiteral("SELECT nextval('seq_next_id')")), QStringLiteral("1"));
}

TEST_F(DatabaseOdbcTest, ARefusedStatementThrowsTheServersDescription)
{
    try {
        db.RunQuery(QStringLiteral("SELECT panel_nam FROM panel"));
        FAIL() << "the statement was accepted";
    } catch (const Failure& failure) {
        EXPECT_TRUE(
            failure.description().contains(QStringLiteral("column \"panel_nam\" does not exist")))
            << failure.what();
    }
    EXPECT_THROW(db.RunCommand(QStringLiteral("INSERT INTO license (no_column) VALUES (1)")),
                 Failure);
}

TEST_F(DatabaseOdbcTest, TriggersAreOffForTheRunAndOnAgainAfterwards)
{
    DisableTriggers(db);
    insertBox(db, 1);
    EXPECT_EQ(auditRows(), QStringLiteral("0"));
    EnableTriggers(db);
    insertBox(db, 2);
    EXPECT_EQ(database.rows(QStringLiteral("SELECT table_name, panel_id FROM trigger_audit "
                                           "ORDER BY audit_id")),
              (QList<QStringList>{{QStringLiteral("panel"), QStringLiteral("2")},
                                  {QStringLiteral("udf_panel"), QStringLiteral("2")}}));
    EXPECT_TRUE(
        status.caption().contains(QStringLiteral("Triggers on PANEL and UDF_PANEL are DISABLED.")));
    EXPECT_TRUE(
        status.caption().contains(QStringLiteral("Triggers on PANEL and UDF_PANEL are ENABLED.")));
}

TEST_F(DatabaseOdbcTest, AnotherDomainsLogonMaySwitchTheTriggersToo)
{
    OdbcConnection other;
    ASSERT_TRUE(other.open(
        database.connectionString(QStringLiteral("BRACKMOOR"), QStringLiteral("BRACK2"))))
        << other.lastError().toStdString();
    Database brackmoor(other, Platform::SQLServer, status);
    DisableTriggers(brackmoor);
    insertBox(brackmoor, 5);
    EnableTriggers(brackmoor);
    EXPECT_EQ(auditRows(), QStringLiteral("0"));
    EXPECT_FALSE(status.caption().contains(QStringLiteral("properly")));
}

TEST_F(DatabaseOdbcTest, ALoginThatMayNotSwitchTriggersGetsTheServersReason)
{
    database.createLogin(QStringLiteral("TW_VISITOR"), QStringLiteral("VISIT"), false);
    OdbcConnection visitor;
    ASSERT_TRUE(visitor.open(
        database.connectionString(QStringLiteral("TW_VISITOR"), QStringLiteral("VISIT"))))
        << visitor.lastError().toStdString();
    Database restricted(visitor, Platform::SQLServer, status);
    DisableTriggers(restricted);
    EXPECT_TRUE(status.caption().contains(QStringLiteral("Triggers didn't disable properly.")));
    EXPECT_TRUE(status.caption().contains(QStringLiteral("must be owner of table panel")))
        << status.caption().toStdString();
    EXPECT_FALSE(status.caption().contains(QStringLiteral("are DISABLED.")));
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
    EXPECT_EQ(db.RunQuery(DomainQuery(QStringLiteral("HOLLIN"), QStringLiteral("HOLLIN1"))).rows(),
              (std::vector<Row>{
                  {QStringLiteral("Hollin Works"), QStringLiteral("11"), QStringLiteral("1")}}));
    EXPECT_EQ(db.RunQuery(DomainQuery(QStringLiteral("HOLLIN"), QStringLiteral("' OR '1'='1")))
                  .rowCount(),
              0);
    EXPECT_EQ(db.RunQuery(DomainQuery(QStringLiteral("' OR ''='"), QStringLiteral("' OR ''='")))
                  .rowCount(),
              0);
}

TEST_F(DatabaseOdbcTest, ChangeDatesInBothTextFormsReadAsDayMonthYear)
{
    db.RunCommand(QStringLiteral("INSERT INTO strip_type (strip_type_id, chg_date) VALUES "
                                 "(10, '06-Dec-26'), (11, '14-Mar-25'), (12, '%1')")
                      .arg(sql::dateText(QDate(2026, 12, 6))));
    EXPECT_EQ(database.rows(QStringLiteral("SELECT chg_date FROM strip_type WHERE strip_type_id "
                                           ">= 10 ORDER BY strip_type_id")),
              (QList<QStringList>{{QStringLiteral("2026-12-06")},
                                  {QStringLiteral("2025-03-14")},
                                  {QStringLiteral("2026-12-06")}}));
}

TEST_F(DatabaseOdbcTest, RefusedInsertsFailFromTheChosenRowOnEvenWithTriggersOff)
{
    database.refuseInserts(QStringLiteral("panel"), 2, QStringLiteral("box store is full"));
    DisableTriggers(db);
    EXPECT_NO_THROW(db.RunCommand(QStringLiteral("INSERT INTO panel (panel_id) VALUES (1)")));
    try {
        db.RunCommand(QStringLiteral("INSERT INTO panel (panel_id) VALUES (2)"));
        FAIL() << "the second insert was accepted";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.description().contains(QStringLiteral("box store is full")))
            << failure.what();
    }
    EXPECT_THROW(db.RunCommand(QStringLiteral("INSERT INTO panel (panel_id) VALUES (3)")), Failure);
    EXPECT_EQ(database.value(QStringLiteral("SELECT string_agg(panel_id::text, ',') FROM panel")),
              QStringLiteral("1"));
}

} // namespace
