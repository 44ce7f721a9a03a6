#include "db/OdbcConnectionString.h"
#include "db/Login.h"
#include "db/OdbcConnection.h"
#include "support/QtPrinters.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tarnwell::db;

namespace {

// The drivers a test says are installed.
class FixedOdbcDriverCatalog : public OdbcDriverCatalog
{
public:
    explicit FixedOdbcDriverCatalog(QStringList drivers) : m_drivers(std::move(drivers)) {}
    QStringList installedDrivers() const override { return m_drivers; }

private:
    QStringList m_drivers;
};

const QString kSql18 = QStringLiteral("ODBC Driver 18 for SQL Server");
const QString kSql17 = QStringLiteral("ODBC Driver 17 for SQL Server");

ConnectionString sqlServerString(const QString& server, const QString& database,
                                 const QString& user, const QString& password)
{
    return buildConnectionString({Platform::SQLServer, server, database, user, password});
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
        buildConnectionString({Platform::Oracle, QStringLiteral("ignored"), QStringLiteral("SPIDB"),
                               QStringLiteral("HOLLIN"), QStringLiteral("HOLLIN1")}),
        QStringLiteral("Oracle 19 ODBC driver"));
    ASSERT_TRUE(oracle);
    EXPECT_EQ(oracle->toString(),
              QStringLiteral("DRIVER={Oracle 19 ODBC driver};DBQ=SPIDB;UID=HOLLIN;PWD=HOLLIN1"));

    const auto anywhere = odbcConnectionText(
        buildConnectionString({Platform::Watcom, QString(), QStringLiteral("spi"),
                               QStringLiteral("DBA"), QStringLiteral("SQL")}),
        QStringLiteral("SQL Anywhere 17"));
    ASSERT_TRUE(anywhere);
    EXPECT_EQ(anywhere->toString(),
              QStringLiteral("DRIVER={SQL Anywhere 17};DatabaseName=spi;UID=DBA;PWD=SQL"));
}

TEST(OdbcConnectionText, ATrustedCertificateStaysEncryptedAndOnlySqlServerTakesIt)
{
    LoginInput login{Platform::SQLServer,      QStringLiteral("db01"),    QStringLiteral("spi"),
                     QStringLiteral("HOLLIN"), QStringLiteral("HOLLIN1"), true};
    const auto sqlServer = odbcConnectionText(buildConnectionString(login), kSql18);
    ASSERT_TRUE(sqlServer);
    EXPECT_EQ(sqlServer->toString(),
              QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};Server=db01;Database=spi;"
                             "Encrypt=yes;TrustServerCertificate=yes;UID=HOLLIN;PWD=HOLLIN1"));
    // The provider string the user's values make is the same either way.
    EXPECT_EQ(buildConnectionString(login).toString(),
              QStringLiteral("Provider=sqloledb;Data Source=db01;Initial Catalog=spi;"
                             "User ID=HOLLIN;Password=HOLLIN1"));

    login.platform = Platform::Oracle;
    const auto oracle =
        odbcConnectionText(buildConnectionString(login), QStringLiteral("Oracle 19 ODBC driver"));
    ASSERT_TRUE(oracle);
    EXPECT_FALSE(oracle->toString().contains(QStringLiteral("Trust")));
}

TEST(UntrustedServerCertificate, IsToldByTheDriversStateAndWords)
{
    const QString linux3 = QStringLiteral(
        "[Microsoft][ODBC Driver 18 for SQL Server]SSL Provider: [error:0A000086:SSL "
        "routines::certificate verify failed:self-signed certificate]");
    const QString linux11 = QStringLiteral(
        "[Microsoft][ODBC Driver 17 for SQL Server]SSL Provider: [error:1416F086:SSL "
        "routines:tls_process_server_certificate:certificate verify failed:self signed "
        "certificate]");
    const QString windows = QStringLiteral(
        "[Microsoft][ODBC Driver 18 for SQL Server]SSL Provider: The certificate chain was "
        "issued by an authority that is not trusted.");
    for (const QString& words : {linux3, linux11, windows}) {
        EXPECT_TRUE(isUntrustedServerCertificate(QStringLiteral("08001"), words))
            << words.toStdString();
        EXPECT_FALSE(isUntrustedServerCertificate(QStringLiteral("28000"), words));
        EXPECT_FALSE(isUntrustedServerCertificate(QString(), words));
    }
    EXPECT_FALSE(isUntrustedServerCertificate(
        QStringLiteral("08001"), QStringLiteral("[Microsoft][ODBC Driver 18 for SQL Server]Login "
                                                "timeout expired")));
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
    EXPECT_TRUE(connection.lastError().description().contains(QStringLiteral("\"sqloledb\"")))
        << connection.lastError().description().toStdString();
    EXPECT_TRUE(connection.lastError().description().contains(QStringLiteral("odbcinst")));
    EXPECT_TRUE(connection.lastError().description().contains(kSql18));

    // Statements on a connection that never opened fail with a description, not a crash.
    ResultSet result;
    EXPECT_FALSE(connection.query(QStringLiteral("SELECT 1"), result));
    EXPECT_FALSE(connection.lastError().description().isEmpty());
    EXPECT_FALSE(connection.beginTransaction());
}

TEST(OdbcConnectionOpen, RefusesNamesThatQtWouldTakeForAFileDataSource)
{
    OdbcConnection connection(
        std::make_shared<FixedOdbcDriverCatalog>(QStringList{QStringLiteral("sqloledb")}));
    EXPECT_FALSE(connection.open(sqlServerString(QStringLiteral("srv"), QStringLiteral("plant.DSN"),
                                                 QStringLiteral("HOLLIN"), QStringLiteral("pw"))));
    EXPECT_TRUE(connection.lastError().description().contains(QStringLiteral(".dsn")))
        << connection.lastError().description().toStdString();
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
