// Transactions inside transactions: what each level sends, in each dialect, and that a failure
// at the inner level never ends the outer one.

#include "db/Transaction.h"
#include "db/Database.h"
#include "status/Failure.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::db;
using tarnwell::testing::RecordingConnection;

namespace {

TEST(NestedTransaction, IsASavepointOfItsOwnNameAtEachLevelInEachDialect)
{
    const QString openFirst =
        "IF @@TRANCOUNT = 0 BEGIN BEGIN TRANSACTION; COMMIT TRANSACTION; END; ";
    struct Case
    {
        QString dbms;
        Platform platform;
        QStringList inner; // level 2 begins, level 3 begins and commits, level 2 rolls back
    };
    const Case cases[] = {
        {"PostgreSQL",
         Platform::SQLServer,
         {"SAVEPOINT tarnwell_inner", "SAVEPOINT tarnwell_inner_3",
          "RELEASE SAVEPOINT tarnwell_inner_3", "ROLLBACK TO SAVEPOINT tarnwell_inner"}},
        // A transaction must be open before SQL Server takes a savepoint, whatever the driver
        // did when autocommit went off.
        {"Microsoft SQL Server",
         Platform::SQLServer,
         {openFirst + "SAVE TRANSACTION tarnwell_inner",
          openFirst + "SAVE TRANSACTION tarnwell_inner_3", "ROLLBACK TRANSACTION tarnwell_inner"}},
        // Oracle has no way to let a savepoint go.
        {"",
         Platform::Oracle,
         {"SAVEPOINT tarnwell_inner", "SAVEPOINT tarnwell_inner_3",
          "ROLLBACK TO SAVEPOINT tarnwell_inner"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dbms.toStdString());
        RecordingConnection connection;
        connection.dbms = c.dbms;
        Database database(connection, c.platform);
        {
            Transaction outer(database);
            {
                Transaction middle(database);
                {
                    Transaction inner(database);
                    inner.commit();
                }
            }
            outer.commit();
        }
        EXPECT_EQ(connection.events, QStringList{"BEGIN"} + c.inner + QStringList{"COMMIT"});
    }
}

// A savepoint that cannot be let go is taken back by the rollback that follows, and the outer
// transaction stays open for the next one.
TEST(NestedTransaction, FailedReleaseRollsBackOnlyTheInnerLevel)
{
    RecordingConnection connection;
    connection.dbms = "PostgreSQL";
    connection.refuse("^RELEASE", "no such savepoint", 1);
    Database database(connection, Platform::SQLServer);
    Transaction outer(database);
    {
        Transaction inner(database);
        EXPECT_THROW(inner.commit(), DatabaseError);
    }
    {
        Transaction next(database);
        next.commit();
    }
    outer.rollback();
    EXPECT_EQ(connection.events,
              (QStringList{"BEGIN", "SAVEPOINT tarnwell_inner", "RELEASE SAVEPOINT tarnwell_inner",
                           "ROLLBACK TO SAVEPOINT tarnwell_inner", "SAVEPOINT tarnwell_inner",
                           "RELEASE SAVEPOINT tarnwell_inner", "ROLLBACK"}));
}

} // namespace
