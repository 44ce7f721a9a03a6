// Identifiers of new rows and the suspension of triggers against a real server, through the
// program's own ODBC path.

#include "db/Database.h"
#include "db/OdbcConnection.h"
#include "import/RecordIds.h"
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

class IdsAndTriggersOnServerTest : public ::testing::Test
{
protected:
    TestDatabase database;
    std::unique_ptr<OdbcConnection> connection = database.connect();
    status::StatusLog status;
    Database db{*connection, Platform::SQLServer};

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

TEST_F(IdsAndTriggersOnServerTest, NextRecordIdStartsAtOneAndFollowsTheHighest)
{
    EXPECT_EQ(NextRecordId(db, IdTable::Panel), QStringLiteral("1"));
    EXPECT_EQ(NextRecordId(db, IdTable::TermMfr), QStringLiteral("3")); // two seeded makers
    database.exec(QStringLiteral("INSERT INTO panel (panel_id) VALUES (41), (7)"));
    EXPECT_EQ(NextRecordId(db, IdTable::Panel), QStringLiteral("42"));
}

TEST_F(IdsAndTriggersOnServerTest, EveryIdentifierStatementRunsOnTheSchema)
{
    for (IdTable table :
         {IdTable::StripConfig, IdTable::StripConfigTerm, IdTable::TermMfr, IdTable::TermMfrMod,
          IdTable::TermColor, IdTable::Panel, IdTable::StripMfr, IdTable::StripMfrMod,
          IdTable::StripType, IdTable::PanelStrip, IdTable::Channel, IdTable::PanelStripTerm}) {
        EXPECT_NO_THROW(NextRecordId(db, table))
            << nextRecordIdStatement(db.dialect(), table).toStdString();
    }
    // Only an Oracle target draws from it, but the development schema carries it all the same.
    EXPECT_EQ(database.value(QStringLiteral("SELECT nextval('seq_next_id')")), QStringLiteral("1"));
}

TEST_F(IdsAndTriggersOnServerTest, TriggersAreOffForTheRunAndOnAgainAfterwards)
{
    DisableTriggers(db, status);
    insertBox(db, 1);
    EXPECT_EQ(auditRows(), QStringLiteral("0"));
    EnableTriggers(db, status);
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

TEST_F(IdsAndTriggersOnServerTest, AnotherDomainsLogonMaySwitchTheTriggersToo)
{
    OdbcConnection other;
    ASSERT_TRUE(other.open(
        database.connectionString(QStringLiteral("BRACKMOOR"), QStringLiteral("BRACK2"))))
        << other.lastError().description().toStdString();
    Database brackmoor(other, Platform::SQLServer);
    DisableTriggers(brackmoor, status);
    insertBox(brackmoor, 5);
    EnableTriggers(brackmoor, status);
    EXPECT_EQ(auditRows(), QStringLiteral("0"));
    EXPECT_FALSE(status.caption().contains(QStringLiteral("properly")));
}

TEST_F(IdsAndTriggersOnServerTest, ALoginThatMayNotSwitchTriggersGetsTheServersReason)
{
    database.createLogin(QStringLiteral("TW_VISITOR"), QStringLiteral("VISIT"), false);
    OdbcConnection visitor;
    ASSERT_TRUE(visitor.open(
        database.connectionString(QStringLiteral("TW_VISITOR"), QStringLiteral("VISIT"))))
        << visitor.lastError().description().toStdString();
    Database restricted(visitor, Platform::SQLServer);
    DisableTriggers(restricted, status);
    EXPECT_TRUE(status.caption().contains(QStringLiteral("Triggers didn't disable properly.")));
    EXPECT_TRUE(status.caption().contains(QStringLiteral("must be owner of table panel")))
        << status.caption().toStdString();
    EXPECT_FALSE(status.caption().contains(QStringLiteral("are DISABLED.")));
}

TEST_F(IdsAndTriggersOnServerTest, RefusedInsertsFailFromTheChosenRowOnEvenWithTriggersOff)
{
    database.refuseInserts(QStringLiteral("panel"), 2, QStringLiteral("box store is full"));
    DisableTriggers(db, status);
    EXPECT_NO_THROW(db.RunCommand(QStringLiteral("INSERT INTO panel (panel_id) VALUES (1)")));
    try {
        db.RunCommand(QStringLiteral("INSERT INTO panel (panel_id) VALUES (2)"));
        FAIL() << "the second insert was accepted";
    } catch (const db::DatabaseError& failure) {
        EXPECT_TRUE(failure.description().contains(QStringLiteral("box store is full")))
            << failure.what();
    }
    EXPECT_THROW(db.RunCommand(QStringLiteral("INSERT INTO panel (panel_id) VALUES (3)")),
                 db::DatabaseError);
    EXPECT_EQ(database.value(QStringLiteral("SELECT string_agg(panel_id::text, ',') FROM panel")),
              QStringLiteral("1"));
}

} // namespace
