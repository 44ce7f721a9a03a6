// What the benchmarks read out of the server's log: the requests of one user on one database,
// however their lines are laid out, and the statements those requests hold.

#include "support/LoggedRun.h"
#include "support/QtPrinters.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

using namespace tarnwell::bench;

namespace {

TEST(LoggedRunTest, TakesOneUsersRequestsOnOneDatabaseWithTheirFurtherLines)
{
    QTemporaryFile log;
    ASSERT_TRUE(log.open());
    const QByteArray before = "2026-01-01 10:00:00.000 UTC|tw|a.1|HOLLIN|spi_1| LOG:  statement: "
                              "SELECT 'earlier'\n";
    log.write(before);
    log.write("2026-01-01 10:00:01.000 UTC|tw|a.1|HOLLIN|spi_1| LOG:  statement: SELECT a,\n"
              "\tb FROM t\n"
              "WHERE c = 'x|y'\n"
              "2026-01-01 10:00:01.100 UTC|tw|b.2|postgres|spi_1| LOG:  statement: DROP TABLE t\n"
              "2026-01-01 10:00:01.200 UTC|tw|a.1|HOLLIN|spi_2| LOG:  statement: SELECT 2\n"
              "2026-01-01 10:00:01.300 UTC|tw|a.1|HOLLIN|spi_1| ERROR:  relation missing\n"
              "\tthe rest of the error\n"
              "2026-01-01 10:00:01.400 UTC|tw|c.3|HOLLIN|spi_1| LOG:  statement: BEGIN;"
              "INSERT INTO t VALUES ('a|b')\n");
    const qint64 end = log.pos();
    log.write("2026-01-01 10:00:02.000 UTC|tw|a.1|HOLLIN|spi_1| LOG:  statement: SELECT 'later'\n");
    log.close();

    const Statements found =
        statementsBetween(log.fileName(), before.size(), end, "HOLLIN", "spi_1");
    ASSERT_EQ(found.texts.size(), 2u);
    EXPECT_EQ(found.texts[0], "SELECT a,\n\tb FROM t\nWHERE c = 'x|y'");
    EXPECT_EQ(found.texts[1], "BEGIN;INSERT INTO t VALUES ('a|b')");
    EXPECT_EQ(found.sessions, (std::set<QByteArray>{"a.1", "c.3"}));
}

TEST(LoggedRunTest, CountsTheStatementsOfARequestButNotTheDriversSavepoints)
{
    EXPECT_EQ(statementsIn("SELECT 1"), 1u);
    EXPECT_EQ(statementsIn("SET DateStyle = 'ISO';SET extra_float_digits = 2;show x"), 3u);
    EXPECT_EQ(statementsIn("BEGIN;SELECT max(id)+1 FROM t"), 2u);
    EXPECT_EQ(statementsIn("RELEASE _EXEC_SVP_0x7f;SAVEPOINT _EXEC_SVP_0x7f;INSERT INTO t "
                           "VALUES (1)"),
              1u);
    EXPECT_EQ(statementsIn("ROLLBACK TO _EXEC_SVP_0x7f;COMMIT"), 1u);
    EXPECT_EQ(statementsIn("SAVEPOINT mine"), 1u) << "only the driver's own are left out";

    // Semicolons that end nothing.
    EXPECT_EQ(statementsIn("INSERT INTO t VALUES ('a;b', 'it''s; fine')"), 1u);
    EXPECT_EQ(statementsIn("SELECT \"odd;name\" FROM t"), 1u);
    EXPECT_EQ(statementsIn("SELECT 1 -- one; two\n;SELECT 2"), 2u);
    EXPECT_EQ(statementsIn("SELECT 1;\n-- a comment alone;\n ; "), 1u);

    EXPECT_EQ(statementsIn(std::vector<QByteArray>{"BEGIN;SELECT 1", "SELECT 2", "COMMIT"}), 4u);
}

// The replay one statement per round trip sends these texts: each must run alone as it ran in
// its request.
TEST(LoggedRunTest, SplitsRequestsIntoStatementsThatRunAlone)
{
    EXPECT_EQ(statementsOf(std::vector<QByteArray>{
                  "RELEASE _EXEC_SVP_1;SAVEPOINT _EXEC_SVP_1;INSERT INTO t VALUES ('a;b')",
                  "SELECT 1 -- why; not\n; COMMIT"}),
              (std::vector<QByteArray>{"INSERT INTO t VALUES ('a;b')", "SELECT 1", "COMMIT"}));
}

} // namespace
