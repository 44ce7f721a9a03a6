// Sending statements ahead against the test server: the listing in one request, and each
// apparatus in a few, while the server receives the very same statements in the same order as
// when each goes on its own, and ends with the very same rows. An answer another session
// changes is noticed, and the apparatus written again one statement at a time.

#include "import/ImportRun.h"

#include "selection/ApparatusList.h"
#include "support/LoggingConnection.h"
#include "support/QtPrinters.h"
#include "support/SampleLibrary.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace tarnwell;
using namespace tarnwell::import;
using tarnwell::testing::ImportedTables;
using tarnwell::testing::LoggingConnection;
using tarnwell::testing::TestDatabase;

namespace {

// One import of the whole sample library into a fresh test database.
struct Import
{
    explicit Import(bool oneAtATime)
        : connection(database.connect(), oneAtATime), db(connection, db::Platform::SQLServer)
    {
        db.setRelease(db::Release(QStringLiteral("09.00.00.00")));
    }

    // The listing's statements and requests, then the run's.
    RunReport run(const std::function<void(const QString& caption)>& during = {})
    {
        selection::ApparatusList list;
        status::StatusLog listing;
        EXPECT_EQ(selection::BuildApparatusList(db, tarnwell::testing::sampleLibrary(), domain,
                                                listing, list, {}),
                  selection::ListOutcome::Complete);
        listingStatements = connection.statements;
        listingRequests = connection.requests;
        connection.statements.clear();
        connection.requests = 0;

        if (during)
            status.setDisplay(during);
        ImportRun importRun(db, tarnwell::testing::sampleLibrary(), domain, status);
        importRun.setCheckOnly(checkOnly);
        return importRun.run(list.entries);
    }

    // Every imported table, whole.
    std::map<QString, QList<QStringList>> tables()
    {
        std::map<QString, QList<QStringList>> content;
        for (const QString& table : ImportedTables)
            content[table] = database.rows("SELECT * FROM " + table + " ORDER BY 1");
        return content;
    }

    TestDatabase database;
    LoggingConnection connection;
    db::Database db;
    db::DomainContext domain{"Hollin Works", "11", "1", "", "", ""};
    status::StatusLog status;
    bool checkOnly = false;
    QStringList listingStatements;
    int listingRequests = 0;
};

TEST(WriteAhead, SendsTheVeryStatementsOfOneAtATimeInAFractionOfTheRequests)
{
    Import oneAtATime(true);
    const RunReport before = oneAtATime.run();
    Import ahead(false);
    const RunReport after = ahead.run();

    EXPECT_EQ(after.written, before.written);
    EXPECT_EQ(after.rewritten, 0) << "nothing foretold was wrong";
    EXPECT_EQ(tarnwell::testing::statusMessages(ahead.status),
              tarnwell::testing::statusMessages(oneAtATime.status));
    EXPECT_EQ(ahead.listingStatements, oneAtATime.listingStatements);
    EXPECT_EQ(ahead.connection.statements, oneAtATime.connection.statements);
    EXPECT_EQ(ahead.tables(), oneAtATime.tables());

    EXPECT_EQ(oneAtATime.listingRequests, 29);
    EXPECT_EQ(ahead.listingRequests, 1) << "the listing asks everything at once";
    EXPECT_EQ(oneAtATime.connection.requests, oneAtATime.connection.statements.size());
    EXPECT_LT(ahead.connection.requests * 5, ahead.connection.statements.size())
        << ahead.connection.requests << " requests for " << ahead.connection.statements.size()
        << " statements";
}

// Another session writes a terminal model while the run is under way, between two of its
// apparatuses: the identifier the run foretold for the next model is taken. The apparatus is
// written again one statement at a time and gets the rows a run without foretelling gets.
struct InterferedRuns
{
    explicit InterferedRuns(bool checkOnly) : oneAtATime(true), ahead(false)
    {
        oneAtATime.checkOnly = checkOnly;
        ahead.checkOnly = checkOnly;
        before = oneAtATime.run(interfere(oneAtATime));
        after = ahead.run(interfere(ahead));
    }
    static std::function<void(const QString&)> interfere(Import& import)
    {
        return [&import](const QString& caption) {
            if (caption.endsWith("Importing configuration: KD-SP8 Segment Protector"))
                import.database.exec("INSERT INTO term_mfr_mod (term_mod_id) VALUES (500)");
        };
    }
    void expectTheSameEnd()
    {
        EXPECT_EQ(after.outcome, before.outcome);
        EXPECT_EQ(after.rewritten, 1);
        EXPECT_EQ(after.written, before.written);
        EXPECT_EQ(tarnwell::testing::sessionMessages(ahead.status),
                  tarnwell::testing::sessionMessages(oneAtATime.status));
        EXPECT_EQ(ahead.tables(), oneAtATime.tables());
    }

    Import oneAtATime;
    Import ahead;
    RunReport before;
    RunReport after;
};

TEST(WriteAhead, AnAnswerAnotherSessionChangedRewritesTheApparatusOneStatementAtATime)
{
    InterferedRuns runs(false);
    runs.expectTheSameEnd();
    EXPECT_EQ(
        runs.ahead.database.value("SELECT count(*) FROM term_mfr_mod WHERE term_mod_id = 501"), "1")
        << "the model after the other session's row";
}

// The same in a check, where each apparatus is a savepoint of the check's one transaction: the
// savepoint must still be there to go back to when the answers turn out wrong.
TEST(WriteAhead, AnAnswerAnotherSessionChangedInACheckRewritesTheApparatusToo)
{
    InterferedRuns(true).expectTheSameEnd();
}

// A refused statement sent ahead is reported exactly as when it goes on its own.
TEST(WriteAhead, AFailureSentAheadIsReportedAsOneAtATimeReportsIt)
{
    Import oneAtATime(true);
    oneAtATime.database.refuseInserts("strip_config_term", 8, "refused by the test");
    const RunReport before = oneAtATime.run();
    Import ahead(false);
    ahead.database.refuseInserts("strip_config_term", 8, "refused by the test");
    const RunReport after = ahead.run();

    EXPECT_EQ(after.notWritten, before.notWritten);
    EXPECT_FALSE(after.notWritten.isEmpty());
    EXPECT_EQ(after.rewritten, after.notWritten.size());
    EXPECT_EQ(tarnwell::testing::sessionMessages(ahead.status),
              tarnwell::testing::sessionMessages(oneAtATime.status));
    EXPECT_EQ(ahead.tables(), oneAtATime.tables());
}

} // namespace
