#include "db/OdbcConnectionString.h"
#include "db/Login.h"
#include "db/OdbcConnection.h"
#include "support/QtPrinters.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tarnwell::db;

namespace {

const QString kSql18 = QStringLiteral("ODBC Driver 18 for SQL Server");
const QString kSql17 = QStringLiteral("ODBC Driver 17 for SQL Server");

ConnectionString sqlServerString(const QString& server, const QString& database,
                                 const QString& user, const QString& password)
{
    return BuildConnectionString({Platform::SQLServer, server, database, user, password});
}

TEST(OdbcDriverChoice, ADriverRegisteredUnderTheProvidersNameWinsWhateverItsCase)
{
    const QStringList installed{kSql18, QStringLiteral("SQLOLEDB"), QStringLiteral("MSDAORA")};
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("sqloledb"), installed), QStringLiteral("SQLOLEDB"));
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("msdaora"), installed), QStringLiteral("MSDAORA"));
    // Registered under the other SQL Server provider's name: not a match by name.
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("sqlncli"), installed), kSql18);
}

TEST(OdbcDriverChoice, SqlServerProvidersPreferTheNewestUsualDriver)
{
    const QStringList installed{QStringLiteral("SQL Server"), QStringLiteral("FreeTDS"), kSql17,
                                QStringLiteral("PostgreSQL Unicode")};
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("sqloledb"), installed), kSql17);
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("sqlncli"), installed + QStringList{kSql18}), kSql18);
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("sqloledb"),
                               {QStringLiteral("SQL Server"), QStringLiteral("freetds")}),
              QStringLiteral("freetds"));
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("sqloledb"), {QStringLiteral("PostgreSQL Unicode")}),
              QString());
}

TEST(OdbcDriverChoice, OracleAndSqlAnywhereTakeTheFirstDriverOfTheirName)
{
    const QStringList installed{QStringLiteral("FreeTDS"), QStringLiteral("Oracle 19 ODBC driver"),
                                QStringLiteral("Oracle in instantclient_21"),
                                QStringLiteral("SQL Anywhere 17")};
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("msdaora"), installed),
              QStringLiteral("Oracle 19 ODBC driver"));
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("ASAProv"), installed),
              QStringLiteral("SQL Anywhere 17"));
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("msdaora"), {QStringLiteral("FreeTDS")}), QString());
    EXPECT_EQ(chooseOdbcDriver(QStringLiteral("MSDASQL"), installed), QString());
}

TEST(OdbcConnectionText, MapsEachFamilysPartsToItsDriversKeywords)
{
    const auto sqlServer =
        odbcConnectionText(sqlServerString(QStringLiteral("db01\\SPI"), QStringLiteral("spi"),
                                           QStringLiteral("HOLLIN"), QStringLiteral("HOLLIN1")),
                           kSql18);
    ASSERT_TRUE(sqlServer);
    EXPECT_EQ(sqlServer->toString(), QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};"
                                                    "Server=db01\\SPI;Database=spi;UID=HOLLIN;"
                                                    "PWD=HOLLIN1"));

    // Oracle names its database by net service name and has no use for a server.
    const auto oracle = odbcConnectionText(
        BuildConnectionString({Platform::Oracle, QStringLiteral("ignored"), QStringLiteral("SPIDB"),
                               QStringLiteral("HOLLIN"), QStringLiteral("HOLLIN1")}),
        QStringLiteral("Oracle 19 ODBC driver"));
    ASSERT_TRUE(oracle);
    EXPECT_EQ(oracle->toString(),
              QStringLiteral("DRIVER={Oracle 19 ODBC driver};DBQ=SPIDB;UID=HOLLIN;PWD=HOLLIN1"));

    const auto anywhere = odbcConnectionText(
        BuildConnectionString({Platform::Watcom, QString(), QStringLiteral("spi"),
                               QStringLiteral("DBA"), QStringLiteral("SQL")}),
        QStringLiteral("SQL Anywhere 17"));
    ASSERT_TRUE(anywhere);
    EXPECT_EQ(anywhere->toString(),
              QStringLiteral("DRIVER={SQL Anywhere 17};DatabaseName=spi;UID=DBA;PWD=SQL"));
}

TEST(OdbcConnectionText, BracesEveryValueThatCouldEndItsAttribute)
{
    EXPECT_EQ(odbcAttributeValue(QStringLiteral("plain=value")), QStringLiteral("plain=value"));
    EXPECT_EQ(odbcAttributeValue(QStringLiteral("x;UID=other")), QStringLiteral("{x;UID=other}"));
    EXPECT_EQ(odbcAttributeValue(QStringLiteral("a}b")), QStringLiteral("{a}}b}"));
    EXPECT_EQ(odbcAttributeValue(QStringLiteral("{x")), QStringLiteral("{{x}"));
    EXPECT_EQ(odbcAttributeValue(QStringLiteral(" padded ")), QStringLiteral("{ padded }"));
    EXPECT_EQ(odbcAttributeValue(QString()), QString());

    // A password that tries to close its braces early still ends up inside them.
    const auto text = odbcConnectionText(
        sqlServerString(QStringLiteral("srv;Database=other"), QStringLiteral("spi"),
                        QStringLiteral("HOLLIN"), QStringLiteral("x};UID=BRACKMOOR;{")),
        QStringLiteral("sqloledb"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->toString(), QStringLiteral("DRIVER={sqloledb};Server={srv;Database=other};"
                                               "Database=spi;UID=HOLLIN;"
                                               "PWD={x}};UID=BRACKMOOR;{}"));
}

TEST(OdbcConnectionOpen, WithoutAFittingDriverSaysHowToRegisterOne)
{
    OdbcConnection connection(std::make_shared<FixedOdbcDriverCatalog>(
        QStringList{QStringLiteral("PostgreSQL Unicode")}));
    EXPECT_FALSE(connection.open(sqlServerString(QStringLiteral("srv"), QStringLiteral("spi"),
                                                 QStringLiteral("HOLLIN"), QStringLiteral("pw"))));
    EXPECT_TRUE(connection.lastError().contains(QStringLiteral("\"sqloledb\"")))
        << connection.lastError().toStdString();
    EXPECT_TRUE(connection.lastError().contains(QStringLiteral("odbcinst")));
    EXPECT_TRUE(connection.lastError().contains(kSql18));

    // Statements on a connection that never opened fail with a description, not a crash.
    ResultSet result;
    EXPECT_FALSE(connection.query(QStringLiteral("SELECT 1"), result));
    EXPECT_FALSE(connection.lastError().isEmpty());
    EXPECT_FALSE(connection.beginTransaction());
}

TEST(OdbcConnectionOpen, RefusesNamesThatQtWouldTakeForAFileDataSource)
{
    OdbcConnection connection(
        std::make_shared<FixedOdbcDriverCatalog>(QStringList{QStringLiteral("sqloledb")}));
    EXPECT_FALSE(connection.open(sqlServerString(QStringLiteral("srv"), QStringLiteral("plant.DSN"),
                                                 QStringLiteral("HOLLIN"), QStringLiteral("pw"))));
    EXPECT_TRUE(connection.lastError().contains(QStringLiteral(".dsn")))
        << connection.lastError().toStdString();
}

TEST(TestClusterLookup, FailsLoudlyWithoutTheFixture)
{
    const QByteArray saved = qgetenv("ODBCSYSINI");
    qunsetenv("ODBCSYSINI");
    EXPECT_THROW(tarnwell::testing::TestCluster::fromEnvironment(), std::runtime_error);
    qputenv("ODBCSYSINI", "/nonexistent/odbc");
    EXPECT_THROW(tarnwell::testing::TestCluster::fromEnvironment(), std::runtime_error);
    if (saved.isNull())
        qunsetenv("ODBCSYSINI");
    else
        qputenv("ODBCSYSINI", saved);
}

} // namespace
