// Import, Check Import, missing-only, failing apparatuses and the import lock, each run on a
// connection that follows SQL Server's and Oracle's own documented rules for transactions,
// savepoints, DDL and application locks: what the servers would keep, refuse or make others
// wait for, which the statement texts alone do not show.

#include "import/ImportRun.h"

#include "db/Transaction.h"
#include "import/ImportLock.h"
#include "selection/ApparatusList.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/SampleLibrary.h"
#include "support/StatusMessages.h"

#include <gtest/gtest.h>

#include <map>

using namespace tarnwell;
using namespace tarnwell::import;
using tarnwell::testing::RecordingConnection;
using tarnwell::testing::ServerRules;

namespace {

struct Server
{
    const char* name;
    db::Platform platform;
    QString dbms;
    std::function<std::unique_ptr<ServerRules>()> rules;
};

std::ostream& operator<<(std::ostream& out, const Server& server)
{
    return out << server.name;
}

const Server Servers[] = {
    {"SqlServerDriver18", db::Platform::SQLServer, "Microsoft SQL Server",
     [] { return ServerRules::sqlServer(ServerRules::SqlServerDriver::Microsoft); }},
    {"SqlServer2005", db::Platform::SQLServer2005, "Microsoft SQL Server",
     [] { return ServerRules::sqlServer(ServerRules::SqlServerDriver::Microsoft); }},
    {"SqlServerFreeTds", db::Platform::SQLServer, "Microsoft SQL Server",
     [] { return ServerRules::sqlServer(ServerRules::SqlServerDriver::FreeTds); }},
    {"Oracle", db::Platform::Oracle, "Oracle", [] { return ServerRules::oracle(); }},
};

class OnEachServer : public ::testing::TestWithParam<Server>
{
protected:
    OnEachServer() : database(reaching(connection, GetParam().dbms), GetParam().platform)
    {
        rules = &connection.follow(GetParam().rules());
        connection.answer("FROM   plant_area_unit ", {{QString("3"), QString("4"), QString("5")}});
        // Every identifier query is answered as its table or sequence would: each table's highest
        // value goes up by one with each row the run writes after asking.
        connection.answerWith("(?i)max\\(|nextval", [this](const QString& sql) {
            return db::ResultSet({db::Row{QString::number(++m_lastIds[sql])}});
        });
        database.setRelease(db::Release(QStringLiteral("09.00.00.00")));
    }

    bool oracle() const { return GetParam().platform == db::Platform::Oracle; }

    // The driver names the DBMS as soon as the connection is open, before anything is sent.
    static RecordingConnection& reaching(RecordingConnection& connection, const QString& dbms)
    {
        connection.dbms = dbms;
        return connection;
    }

    // A terminal of the second configuration, so that work of the first stands before it, and
    // the first channel of the references.
    void refuseTheSecondConfigurationAndAChannel()
    {
        connection.refuse("INSERT INTO strip_config_term .*'09-Jul-24','m.ortega-lind'",
                          "refused by the test", 1);
        connection.refuse("INSERT INTO channel", "refused by the test", 1);
    }

    std::vector<ApparatusEntry> everything()
    {
        selection::ApparatusList list;
        status::StatusLog listing;
        selection::BuildApparatusList(database, tarnwell::testing::sampleLibrary(), domain, listing,
                                      list, {});
        connection.statements.clear();
        return list.entries;
    }

    RunReport run(const std::vector<ApparatusEntry>& chosen, bool checkOnly = false,
                  bool missingOnly = false)
    {
        ImportRun importRun(database, tarnwell::testing::sampleLibrary(), domain, status);
        importRun.setCheckOnly(checkOnly);
        importRun.setMissingOnly(missingOnly);
        return importRun.run(chosen);
    }

    QStringList shown() const { return tarnwell::testing::statusMessages(status); }
    QStringList sessionShown() const { return tarnwell::testing::sessionMessages(status); }

    // The rows the server holds for good, by statement text.
    qsizetype committedInserts(const QString& table) const
    {
        return rules->committed.filter("INSERT INTO " + table + " ").size() +
               rules->committed.filter("INSERT INTO " + table + "(").size();
    }
    qsizetype committedInserts() const { return rules->committed.filter("INSERT").size(); }

    // Nothing the server did behind the program's back, and no transaction left open.
    void expectTheServerContent()
    {
        EXPECT_EQ(rules->faults, QStringList());
        EXPECT_EQ(rules->transactionCount(), 0);
        EXPECT_EQ(rules->pending, QStringList());
    }

    RecordingConnection connection;
    ServerRules* rules = nullptr;
    db::Database database;
    db::DomainContext domain{"Works", "11", "1", "", "", ""};
    status::StatusLog status;

private:
    std::map<QString, int> m_lastIds;
};

TEST_P(OnEachServer, ImportAllKeepsEveryApparatus)
{
    const std::vector<ApparatusEntry> chosen = everything();
    const RunReport report = run(chosen);
    EXPECT_EQ(report.outcome, RunOutcome::Finished) << sessionShown().join('\n').toStdString();
    EXPECT_EQ(report.written, 29) << sessionShown().join("\n").toStdString();
    EXPECT_EQ(committedInserts("strip_config"), 8);
    EXPECT_EQ(committedInserts("panel_strip"), 7); // the 21 lines are channels of 7 strips
    expectTheServerContent();
}

// A refused terminal ends its configuration, which takes nothing with it, and switches the
// triggers on again for the rest of the run; a refused channel ends its reference.
TEST_P(OnEachServer, AFailedApparatusKeepsNothingOfItself)
{
    refuseTheSecondConfigurationAndAChannel();
    const std::vector<ApparatusEntry> chosen = everything();
    const RunReport report = run(chosen);
    EXPECT_EQ(report.outcome, RunOutcome::Finished);
    EXPECT_EQ(report.written, 27);
    EXPECT_EQ(committedInserts("strip_config"), 7);
    // The strip whose first line failed is written whole for its second line.
    EXPECT_EQ(committedInserts("panel_strip"), 7);
    EXPECT_EQ(sessionShown().filter("are ENABLED.").size(), 2);
    expectTheServerContent();
}

// The check writes every apparatus, lets one configuration and one reference fail, and the
// server keeps none of it, nor does any other user wait for it.
TEST_P(OnEachServer, CheckImportKeepsNothingEvenWhenAnApparatusFails)
{
    refuseTheSecondConfigurationAndAChannel();
    const std::vector<ApparatusEntry> chosen = everything();
    const RunReport report = run(chosen, true);
    EXPECT_EQ(report.outcome, RunOutcome::Finished) << sessionShown().join('\n').toStdString();
    EXPECT_EQ(report.written, 27);
    EXPECT_EQ(committedInserts(), 0) << sessionShown().join('\n').toStdString();
    EXPECT_TRUE(sessionShown().contains("Check only: strip_config would receive 7 new rows."));
    EXPECT_EQ(shown().last(), "Check only: nothing was written.");
    // Once, after the rollback: inside the check the DDL would hold a schema lock (SQL Server)
    // or commit the check (Oracle).
    EXPECT_EQ(sessionShown().filter("are ENABLED.").size(), 1);
    expectTheServerContent();
}

TEST_P(OnEachServer, MissingOnlyCheckAsksAgainAndKeepsNothing)
{
    std::vector<ApparatusEntry> chosen = everything();
    // The first configuration is in the domain by the time its turn comes.
    connection.answer(QRegularExpression::escape(chosen.front().listingQuery), "1", 1);
    const RunReport report = run(chosen, true, true);
    EXPECT_EQ(report.outcome, RunOutcome::Finished) << sessionShown().join('\n').toStdString();
    EXPECT_EQ(report.alreadyThere, 1);
    EXPECT_EQ(report.written, 28);
    EXPECT_EQ(committedInserts(), 0);
    expectTheServerContent();
}

TEST_P(OnEachServer, ABusyLockIsWaitedFor)
{
    rules->tryAnswers = {oracle() ? 1 : -1};
    const RunReport report = run({everything().front()});
    EXPECT_EQ(report.outcome, RunOutcome::Finished);
    EXPECT_EQ(report.written, 1);
    EXPECT_TRUE(
        shown().contains("Another import into this domain is under way; waiting for it to end."));
    expectTheServerContent();
}

TEST_P(OnEachServer, ADeadlockVictimAsksForTheLockOnceMore)
{
    rules->tryAnswers = {oracle() ? 1 : -1};
    rules->waitAnswers = {oracle() ? 2 : -3};
    const RunReport report = run({everything().front()});
    EXPECT_EQ(report.outcome, RunOutcome::Finished) << sessionShown().join('\n').toStdString();
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(
        connection.statements.filter(oracle() ? "DBMS_LOCK.MAXWAIT" : "@LockTimeout = -1").size(),
        2);
    expectTheServerContent();
}

// However the lock is refused, the run ends before its first write and says why.
TEST_P(OnEachServer, ALockNotGrantedEndsTheRunBeforeItsFirstWrite)
{
    struct Refusal
    {
        QList<int> tries;
        QList<int> waits;
        const char* why;
    };
    const QList<Refusal> refusals = oracle() ? QList<Refusal>{{{1}, {2, 2}, "deadlock"},
                                                              {{1}, {1}, "timed out"},
                                                              {{3}, {}, "parameter"},
                                                              {{5}, {}, "illegal lock handle"},
                                                              {{1}, {5}, "illegal lock handle"}}
                                             : QList<Refusal>{{{-1}, {-3, -3}, "deadlock"},
                                                              {{-1}, {-1}, "timed out"},
                                                              {{-1}, {-2}, "cancelled"},
                                                              {{-999}, {}, "error"},
                                                              {{-1}, {-999}, "error"}};
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.why);
        RecordingConnection& c = connection;
        c.statements.clear();
        rules->tryAnswers.assign(refusal.tries.begin(), refusal.tries.end());
        rules->waitAnswers.assign(refusal.waits.begin(), refusal.waits.end());
        status::StatusLog log;
        ImportRun importRun(database, tarnwell::testing::sampleLibrary(), domain, log);
        const RunReport report = importRun.run({everything().front()});
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.written, 0);
        EXPECT_EQ(c.statements.filter("INSERT").size(), 0);
        EXPECT_EQ(c.statements.filter("ALTER TABLE").size(), 0);
        const QStringList lines = tarnwell::testing::statusMessages(log);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(lines.last().startsWith("The import did not start: the database did not "
                                            "grant the lock"))
            << lines.join('\n').toStdString();
        EXPECT_TRUE(lines.last().contains(refusal.why)) << lines.last().toStdString();
    }
    expectTheServerContent();
}

// Three levels: the middle one is taken back after the innermost was kept, which must take
// the innermost's work with it and nothing of the outer level.
TEST_P(OnEachServer, EachLevelOfNestedTransactionsTakesBackItsOwnWork)
{
    {
        db::Transaction outer(database);
        database.RunCommand("INSERT INTO strip_mfr VALUES (1)");
        {
            db::Transaction middle(database);
            database.RunCommand("INSERT INTO strip_mfr VALUES (2)");
            {
                db::Transaction inner(database);
                database.RunCommand("INSERT INTO strip_mfr VALUES (3)");
                inner.commit();
            }
            middle.rollback();
        }
        {
            db::Transaction again(database);
            database.RunCommand("INSERT INTO strip_mfr VALUES (4)");
            {
                db::Transaction inner(database);
                database.RunCommand("INSERT INTO strip_mfr VALUES (5)");
            }
            again.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(rules->committed, QStringList({"INSERT INTO strip_mfr VALUES (1)",
                                             "INSERT INTO strip_mfr VALUES (4)"}));
    expectTheServerContent();
}

// The lock's request sets NOCOUNT for itself only: statements sent together after it each keep
// their own result, without which every apparatus would be written again one at a time.
TEST(SqlServerImportLock, LeavesEveryStatementOfALaterBatchItsOwnResult)
{
    RecordingConnection connection;
    connection.follow(ServerRules::sqlServer(ServerRules::SqlServerDriver::Microsoft));
    connection.dbms = "Microsoft SQL Server";
    db::Database database(connection, db::Platform::SQLServer);
    status::StatusLog status;
    ImportLock lock(database, status, "11");
    lock.take({});
    std::vector<db::ResultSet> results;
    EXPECT_NO_THROW(results = database.runBatch({"INSERT INTO strip_type VALUES (1)",
                                                 "SELECT max(strip_type_id)+1 FROM strip_type",
                                                 "INSERT INTO strip_type VALUES (2)"}));
    EXPECT_EQ(results.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Servers, OnEachServer, ::testing::ValuesIn(Servers),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
