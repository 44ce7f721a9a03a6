// The ODBC connection against a real server: a fresh copy of the development SPI database on
// the test cluster, reached through psqlODBC registered under the SQL Server provider names.

#include "db/OdbcConnection.h"
#include "support/QtPrinters.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace tarnwell::db;
using tarnwell::testing::TestDatabase;

namespace {

class OdbcConnectionTest : public ::testing::Test
{
protected:
    TestDatabase database;

    std::unique_ptr<OdbcConnection> connectAs(const QString& logon, const QString& password)
    {
        auto connection = std::make_unique<OdbcConnection>();
        EXPECT_TRUE(connection->open(database.connectionString(logon, password)))
            << connection->lastError().description().toStdString();
        return connection;
    }

    static QString currentUser(Connection& connection)
    {
        ResultSet result;
        EXPECT_TRUE(connection.query(QStringLiteral("SELECT current_user"), result))
            << connection.lastError().description().toStdString();
        return result.rowCount() ? result.value(0).value_or(QString()) : QString();
    }
};

TEST_F(OdbcConnectionTest, LogsInWithTheDomainLogonAndReportsTheServersRefusal)
{
    auto connection = connectAs(database.logon(), database.password());
    EXPECT_EQ(currentUser(*connection), database.logon());
    EXPECT_EQ(connection->driver(), QStringLiteral("sqloledb"));

    OdbcConnection refused;
    EXPECT_FALSE(
        refused.open(database.connectionString(database.logon(), QStringLiteral("WRONG"))));
    EXPECT_TRUE(refused.lastError().description().contains(
        QStringLiteral("password authentication failed for user \"HOLLIN\"")))
        << refused.lastError().description().toStdString();

    OdbcConnection noDatabase;
    ConnectionString elsewhere = database.connectionString();
    elsewhere.properties[1].second = QStringLiteral("no_such_spi");
    EXPECT_FALSE(noDatabase.open(elsewhere));
    EXPECT_TRUE(noDatabase.lastError().description().contains(QStringLiteral("no_such_spi")))
        << noDatabase.lastError().description().toStdString();
}

// Qt's driver does not hand on a failed connect's SQLSTATE; where the words speak of a
// certificate the connection finds it out itself, from the very driver.
TEST_F(OdbcConnectionTest, AFailedConnectThatSpeaksOfACertificateCarriesTheDriversState)
{
    OdbcConnection refused;
    ConnectionString elsewhere = database.connectionString();
    elsewhere.properties[0].second = QStringLiteral("/nonexistent/certificate");
    EXPECT_FALSE(refused.open(elsewhere));
    EXPECT_TRUE(
        refused.lastError().description().contains(QStringLiteral("/nonexistent/certificate")))
        << refused.lastError().description().toStdString();
    EXPECT_EQ(refused.lastError().sqlState(), QStringLiteral("08001"));
    EXPECT_FALSE(isUntrustedServerCertificate(refused.lastError().sqlState(),
                                              refused.lastError().description()));
}

TEST_F(OdbcConnectionTest, CredentialsCannotSmuggleInAnotherUser)
{
    // Unquoted, this password would log in as BRACKMOOR with BRACKMOOR's own password.
    const QString trap = QStringLiteral("x;UID=BRACKMOOR;PWD=BRACK2");
    database.createLogin(QStringLiteral("TW_SMUGGLE"), trap);
    auto connection = connectAs(QStringLiteral("TW_SMUGGLE"), trap);
    EXPECT_EQ(currentUser(*connection), QStringLiteral("TW_SMUGGLE"));

    const QString oddName = QStringLiteral("O'BRIEN");
    const QString oddPassword = QStringLiteral(" }{pw;'} ");
    database.createLogin(oddName, oddPassword);
    auto odd = connectAs(oddName, oddPassword);
    EXPECT_EQ(currentUser(*odd), oddName);

    // Unquoted, the later UID would win. psqlODBC keeps the braces of a user name as part of
    // it, so the login fails instead; either way it is never BRACKMOOR's.
    OdbcConnection other;
    if (other.open(database.connectionString(QStringLiteral("X;UID=BRACKMOOR"),
                                             QStringLiteral("BRACK2")))) {
        EXPECT_NE(currentUser(other), QStringLiteral("BRACKMOOR"));
    }
}

TEST_F(OdbcConnectionTest, ValuesArriveAsTheDatabasesTextWithNullApart)
{
    auto connection = database.connect();
    ResultSet result;
    ASSERT_TRUE(connection->query(
        QStringLiteral("SELECT NULL::integer, 0, '0', '', (SELECT max(panel_id)+1 FROM panel), "
                       "42.50::numeric, 12345678901234567890.125::numeric, term_height, chg_date "
                       "FROM term_mfr_mod WHERE term_mod_id = 1"),
        result))
        << connection->lastError().description().toStdString();
    ASSERT_EQ(result.rowCount(), 1);
    const Row expected{std::nullopt,
                       QStringLiteral("0"),
                       QStringLiteral("0"),
                       QStringLiteral(""),
                       std::nullopt,
                       QStringLiteral("42.50"),
                       QStringLiteral("12345678901234567890.125"),
                       QStringLiteral("42.5"),
                       QStringLiteral("2025-03-14")};
    EXPECT_EQ(result.rows().front(), expected);
}

TEST_F(OdbcConnectionTest, CountsEveryRowOfALongResult)
{
    auto connection = database.connect();
    ResultSet result;
    ASSERT_TRUE(
        connection->query(QStringLiteral("SELECT n FROM generate_series(1, 1234) AS n"), result));
    ASSERT_EQ(result.rowCount(), 1234);
    EXPECT_EQ(result.rows().back().front(), QStringLiteral("1234"));

    ASSERT_TRUE(connection->query(
        QStringLiteral("SELECT proj_name FROM project WHERE proj_log_name = 'NOBODY'"), result));
    EXPECT_EQ(result.rowCount(), 0);
}

TEST_F(OdbcConnectionTest, ARefusedStatementGivesTheServersDescriptionOnOneLine)
{
    auto connection = database.connect();
    ResultSet result;
    EXPECT_FALSE(connection->query(QStringLiteral("SELEC rev_software FROM license"), result));
    EXPECT_TRUE(connection->lastError().description().startsWith(
        QStringLiteral("ERROR: syntax error at or near \"SELEC\"")))
        << connection->lastError().description().toStdString();
    EXPECT_FALSE(connection->lastError().description().contains(QLatin1Char('\n')));

    EXPECT_FALSE(connection->execute(QStringLiteral(
        "INSERT INTO term_mfr (term_mfr_id, term_mfr_name) VALUES (1, 'duplicate')")));
    EXPECT_TRUE(connection->lastError().description().contains(QStringLiteral("duplicate key")))
        << connection->lastError().description().toStdString();

    // The connection stays usable after a refusal.
    ASSERT_TRUE(connection->query(QStringLiteral("SELECT rev_software FROM license"), result));
    EXPECT_EQ(result.value(0), QStringLiteral("09.00.01.05"));
}

// Statements sent together give one answer each, in order; a request that answers more than
// the statements sent, or fails after its first answer, is refused as a whole rather than read
// out of step.
TEST_F(OdbcConnectionTest, StatementsSentTogetherAnswerInOrderAndNoMore)
{
    auto connection = database.connect();
    std::vector<ResultSet> results;
    ASSERT_TRUE(connection->executeBatch(
        {QStringLiteral("SELECT 1"), QStringLiteral("SELECT 'two' WHERE false"),
         QStringLiteral("UPDATE license SET rev_software = rev_software")},
        results))
        << connection->lastError().description().toStdString();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].value(0), QStringLiteral("1"));
    EXPECT_EQ(results[1].rowCount(), 0);

    EXPECT_FALSE(connection->executeBatch(
        {QStringLiteral("SELECT 1; SELECT 2"), QStringLiteral("SELECT 3")}, results));
    EXPECT_EQ(connection->lastError().kind(), DatabaseError::Kind::Refused);
    EXPECT_EQ(connection->lastError().description(),
              QStringLiteral("The database gave more results than the 2 statements sent."));

    ResultSet result;
    EXPECT_FALSE(connection->query(QStringLiteral("SELECT 1; SELECT 1/0"), result));
    EXPECT_TRUE(connection->lastError().description().contains(QStringLiteral("division by zero")))
        << connection->lastError().description().toStdString();

    // Nothing of those is left on the connection.
    ASSERT_TRUE(connection->query(QStringLiteral("SELECT rev_software FROM license"), result));
    EXPECT_EQ(result.value(0), QStringLiteral("09.00.01.05"));
}

TEST_F(OdbcConnectionTest, TransactionsKeepAllOrNothing)
{
    auto connection = database.connect();
    const auto insert = [&](int id) {
        return connection->execute(
            QStringLiteral(
                "INSERT INTO strip_type (strip_type_id, strip_type_name) VALUES (%1, 'T')")
                .arg(id));
    };
    const QString count =
        QStringLiteral("SELECT count(*) FROM strip_type WHERE strip_type_id >= 100");

    ASSERT_TRUE(connection->beginTransaction());
    ASSERT_TRUE(insert(100));
    ASSERT_TRUE(connection->rollback());
    EXPECT_EQ(database.value(count), QStringLiteral("0"));

    // A failed statement inside a transaction must not let a commit keep the rest.
    ASSERT_TRUE(connection->beginTransaction());
    ASSERT_TRUE(insert(101));
    EXPECT_FALSE(insert(101));
    EXPECT_FALSE(connection->commit());
    EXPECT_TRUE(connection->lastError().description().contains(QStringLiteral("duplicate key")))
        << connection->lastError().description().toStdString();
    EXPECT_EQ(database.value(count), QStringLiteral("0"));

    ASSERT_TRUE(connection->beginTransaction());
    ASSERT_TRUE(insert(102));
    EXPECT_FALSE(insert(102));
    ASSERT_TRUE(connection->rollback());
    EXPECT_EQ(database.value(count), QStringLiteral("0"));

    ASSERT_TRUE(connection->beginTransaction());
    ASSERT_TRUE(insert(103));
    ASSERT_TRUE(connection->commit()) << connection->lastError().description().toStdString();
    EXPECT_EQ(database.value(count), QStringLiteral("1"));

    // Back in autocommit: each statement stands on its own.
    ASSERT_TRUE(insert(104));
    EXPECT_EQ(database.value(count), QStringLiteral("2"));
}

TEST_F(OdbcConnectionTest, ClosingWithAnOpenTransactionKeepsNothing)
{
    {
        auto connection = database.connect();
        ASSERT_TRUE(connection->beginTransaction());
        ASSERT_TRUE(connection->execute(
            QStringLiteral("INSERT INTO strip_type (strip_type_id) VALUES (200)")));
    }
    EXPECT_EQ(
        database.value(QStringLiteral("SELECT count(*) FROM strip_type WHERE strip_type_id = 200")),
        QStringLiteral("0"));
}

TEST_F(OdbcConnectionTest, NonAsciiTextRoundTrips)
{
    auto connection = database.connect();
    const QString text = QStringLiteral("4\u00b5F \u00b120\u00b0C \u00e9\u00df \u20ac");
    ASSERT_TRUE(connection->execute(
        QStringLiteral("INSERT INTO term_color (term_color_id, term_color_name) VALUES (50, '%1')")
            .arg(text)))
        << connection->lastError().description().toStdString();
    ResultSet result;
    ASSERT_TRUE(connection->query(
        QStringLiteral("SELECT term_color_id FROM term_color WHERE term_color_name = '%1'")
            .arg(text),
        result));
    EXPECT_EQ(result.value(0), QStringLiteral("50"));
    EXPECT_EQ(database.value(QStringLiteral("SELECT term_color_name FROM term_color WHERE "
                                            "term_color_id = 50")),
              text);
}

} // namespace
