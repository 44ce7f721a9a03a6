#include "app/core/MainController.h"

#include "app/FakeMainView.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/StatusMessages.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::testing::FakeMainView;
using tarnwell::testing::RecordingConnection;
using tarnwell::testing::RecordingConnectionFactory;
using tarnwell::testing::RecordingDialogs;

namespace {

class ConnectTest : public ::testing::Test
{
protected:
    ConnectTest() : controller(view, dialogs, factory, QString())
    {
        view.chosenPlatform = db::Platform::SQLServer;
        view.server = "spihost";
        view.database = "spidb";
        view.logon = "engineer";
        view.pass = "secret";
    }

    // The status messages without their time stamps, oldest first, empty lines left out.
    QStringList messages() const { return tarnwell::testing::statusMessages(controller.status()); }

    RecordingConnection& serverWithVersion(const QString& version)
    {
        RecordingConnection& connection = factory.next();
        connection.answer("FROM license", version);
        connection.answer("FROM   project ",
                          {{QString("North Plant"), QString("12"), QString("3")}});
        return connection;
    }

    FakeMainView view;
    RecordingDialogs dialogs;
    RecordingConnectionFactory factory;
    app::MainController controller;
};

TEST_F(ConnectTest, NoPlatformOnlyAsksForOneButHasAlreadyUpperCasedTheBoxes)
{
    view.chosenPlatform = db::Platform::None;
    controller.cmdConnect_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Choose the database server.");
    EXPECT_EQ(dialogs.messages[0].title, "Apparatus Export/Import");
    EXPECT_EQ(dialogs.messages[0].icon, app::MessageIcon::Warning);
    EXPECT_EQ(view.logon, "ENGINEER");
    EXPECT_EQ(view.pass, "SECRET");
    EXPECT_FALSE(view.importFrameVisible);
    EXPECT_EQ(factory.created, 0);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ConnectTest, BuildsEachPlatformsConnectionStringFromTheBoxesAsTyped)
{
    struct Case
    {
        db::Platform platform;
        QString expected;
    };
    const Case cases[] = {
        {db::Platform::Oracle,
         "Provider=msdaora;User ID=ENG;INEER;Password=A=B;Data Source=spi;db"},
        {db::Platform::SQLServer, "Provider=sqloledb;Data Source=host;x=1;Initial Catalog=spi;db;"
                                  "User ID=ENG;INEER;Password=A=B"},
        {db::Platform::SQLServer2005,
         "Provider=sqlncli;Data Source=host;x=1;Initial Catalog=spi;db;"
         "User ID=ENG;INEER;Password=A=B"},
        {db::Platform::Watcom,
         "Provider=ASAProv;Data Source=spi;db;User ID=ENG;INEER;Password=A=B"},
    };
    for (const Case& c : cases) {
        view.chosenPlatform = c.platform;
        view.server = "host;x=1";
        view.database = "spi;db";
        view.logon = "eng;ineer";
        view.pass = "a=b";
        factory.next().openFailure = "refused";
        controller.cmdConnect_Click();
        ASSERT_EQ(factory.last()->opened.size(), 1u);
        EXPECT_EQ(factory.last()->opened[0].toString(), c.expected);
    }
}

TEST_F(ConnectTest, SuccessfulLoginShowsTheDomainAndStepTwo)
{
    RecordingConnection& server = serverWithVersion("09.00.01.05");
    controller.cmdConnect_Click();

    EXPECT_EQ(messages(), QStringList({"Program opens.", "Connecting to spidb...  connected.",
                                       "Target SPI version is 09.00.01.05"})
                              .mid(1));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(view.domainVisible);
    EXPECT_EQ(view.domainCaption, "Logged into Domain: North Plant");
    EXPECT_TRUE(view.importFrameVisible);
    ASSERT_TRUE(controller.login().has_value());
    EXPECT_EQ(controller.login()->domain.proj_id, "12");
    EXPECT_EQ(controller.login()->domain.site_id, "3");
    EXPECT_EQ(controller.login()->release.major(), 9);
    EXPECT_EQ(server.statements.value(0), "SELECT rev_software FROM license");
    EXPECT_EQ(server.statements.value(1), "SELECT proj_name, proj_id, site_id FROM   project "
                                          "WHERE  proj_log_name = 'ENGINEER' "
                                          "AND    proj_log_pass = 'SECRET'");
}

TEST_F(ConnectTest, EmptyDatabaseNameConnectsUnderTheLogon)
{
    view.database.clear();
    serverWithVersion("09.00.01.05");
    controller.cmdConnect_Click();
    EXPECT_EQ(messages().value(0), "Connecting to ENGINEER...  connected.");
}

TEST_F(ConnectTest, RefusedLoginShowsTheBoxAndTheServersWords)
{
    factory.next().openFailure = "FATAL: password authentication failed for user \"ENGINEER\"";
    controller.cmdConnect_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Login failed.");
    EXPECT_EQ(dialogs.messages[0].title, app::ApplicationTitle);
    EXPECT_EQ(dialogs.messages[0].icon, app::MessageIcon::Critical);
    EXPECT_EQ(messages(),
              QStringList({"Connecting to spidb...  failed to connect.", "Database reports: ",
                           "FATAL: password authentication failed for user \"ENGINEER\""}));
    EXPECT_FALSE(view.importFrameVisible);
    EXPECT_FALSE(view.busy);
    EXPECT_FALSE(controller.login().has_value());
}

// Microsoft's Driver 18 validates the server's certificate by default, and plant servers
// often have a self-signed one.
const QString UntrustedCertificate =
    "[Microsoft][ODBC Driver 18 for SQL Server]SSL Provider: [error:0A000086:SSL "
    "routines::certificate verify failed:self-signed certificate] [Microsoft][ODBC Driver 18 for "
    "SQL Server]Client unable to establish connection";

TEST_F(ConnectTest, AnUntrustedCertificateIsTrustedOnlyOnTheUsersWordAndOnlyForThisConnect)
{
    RecordingConnection& refused = serverWithVersion("09.00.01.05");
    refused.openFailure = UntrustedCertificate;
    refused.openFailureState = "08001";
    dialogs.answer = false;
    controller.cmdConnect_Click();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].text,
              "The server's certificate is not trusted by this computer. Connect anyway, "
              "encrypted, without checking the certificate?");
    EXPECT_EQ(dialogs.questions[0].title, app::ApplicationTitle);
    EXPECT_EQ(dialogs.defaultAnswers[0], app::DefaultAnswer::No);
    // No: the usual failure, and the check stays on.
    ASSERT_EQ(refused.opened.size(), 1u);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Login failed.");
    EXPECT_EQ(messages().value(0), "Connecting to spidb...  failed to connect.");
    EXPECT_TRUE(messages().value(1).startsWith("Database reports: [Microsoft]"));
    EXPECT_FALSE(controller.login().has_value());

    // Yes: once more with the certificate trusted, and connected.
    RecordingConnection& trusted = serverWithVersion("09.00.01.05");
    trusted.openFailure = UntrustedCertificate;
    trusted.openFailureState = "08001";
    trusted.openFailures = 1;
    dialogs.answer = true;
    controller.cmdConnect_Click();
    EXPECT_EQ(dialogs.questions.size(), 2u);
    ASSERT_EQ(trusted.opened.size(), 2u);
    EXPECT_FALSE(trusted.opened[0].trustServerCertificate);
    EXPECT_TRUE(trusted.opened[1].trustServerCertificate);
    EXPECT_TRUE(controller.login().has_value());
    EXPECT_TRUE(view.importFrameVisible);

    // The next Connect checks the certificate again.
    RecordingConnection& next = serverWithVersion("09.00.01.05");
    controller.cmdConnect_Click();
    ASSERT_EQ(next.opened.size(), 1u);
    EXPECT_FALSE(next.opened[0].trustServerCertificate);
}

TEST_F(ConnectTest, OnlyAnUntrustedCertificateAsksToTrustIt)
{
    struct Case
    {
        QString state;
        QString words;
    };
    const Case cases[] = {
        {"28000", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Login failed for user "
                  "'ENGINEER'."},
        {"08001", "[Microsoft][ODBC Driver 18 for SQL Server]TCP Provider: Error code 0x2749 "
                  "[Microsoft][ODBC Driver 18 for SQL Server]Client unable to establish "
                  "connection"},
        // The right words, but not a failure to establish the connection.
        {"HY000", UntrustedCertificate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state.toStdString());
        RecordingConnection& connection = factory.next();
        connection.openFailure = c.words;
        connection.openFailureState = c.state;
        controller.cmdConnect_Click();
        EXPECT_EQ(connection.opened.size(), 1u);
    }
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(ConnectTest, ControlCharactersInABoxAreNotValidConnectionInformation)
{
    view.pass = "sec\nret";
    controller.cmdConnect_Click();
    EXPECT_EQ(messages(), QStringList({"Failed to connect.  The connection information provided "
                                       "isn't valid."}));
    EXPECT_TRUE(factory.last()->opened.empty());
}

TEST_F(ConnectTest, OnlyTheBoxesThePlatformUsesAreChecked)
{
    // Oracle and Watcom take no server name: whatever stands in that box cannot stop them.
    for (const db::Platform platform : {db::Platform::Oracle, db::Platform::Watcom}) {
        view.chosenPlatform = platform;
        view.server = "left\tover";
        factory.next().openFailure = "refused";
        controller.cmdConnect_Click();
        EXPECT_EQ(factory.last()->opened.size(), 1u);
    }
    view.chosenPlatform = db::Platform::SQLServer;
    factory.next();
    controller.cmdConnect_Click();
    EXPECT_TRUE(factory.last()->opened.empty());
    EXPECT_EQ(messages().last(),
              "Failed to connect.  The connection information provided isn't valid.");
}

TEST_F(ConnectTest, UpperCasingKeepsEveryNamesLength)
{
    view.logon = QString::fromUtf8("stra\u00dfe");
    view.pass = QString::fromUtf8("\ufb01ne \U0001044f");
    RecordingConnection& server = serverWithVersion("09.00.01.05");
    controller.cmdConnect_Click();
    EXPECT_EQ(view.logon, QString::fromUtf8("STRA\u00dfE"));
    EXPECT_EQ(view.pass, QString::fromUtf8("\ufb01NE \U00010427"));
    EXPECT_EQ(factory.last()->opened.at(0).property("User ID").size(), 6);
    EXPECT_TRUE(server.statements.value(1).contains(QString::fromUtf8("'STRA\u00dfE'")));
}

TEST_F(ConnectTest, JudgesReleaseTexts)
{
    struct Case
    {
        QString version;
        enum { Accepted, Refused, Unreadable } outcome;
    };
    const Case cases[] = {
        {"07.00.05.06", Case::Accepted},   {"07.01.00.00", Case::Accepted},
        {"07.00.04.10", Case::Refused},    {"08.00.00.12", Case::Accepted},
        {"09.00.01.05", Case::Accepted},   {"10.00.00.01", Case::Refused},
        {"7", Case::Unreadable},           {"07.00", Case::Unreadable},
        {"0X.00.05.06", Case::Unreadable}, {"06.00.05.06", Case::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version.toStdString());
        FakeMainView freshView;
        freshView.chosenPlatform = db::Platform::SQLServer;
        RecordingDialogs freshDialogs;
        app::MainController fresh(freshView, freshDialogs, factory, QString());
        serverWithVersion(c.version);
        fresh.cmdConnect_Click();
        const QString last = tarnwell::testing::withoutStamp(fresh.status().lines().back());
        switch (c.outcome) {
        case Case::Accepted:
            EXPECT_TRUE(freshDialogs.messages.empty());
            EXPECT_TRUE(fresh.login().has_value());
            break;
        case Case::Refused:
            ASSERT_EQ(freshDialogs.messages.size(), 1u);
            EXPECT_EQ(freshDialogs.messages[0].text,
                      "Only SPI versions 7 SP5, 2007 and 2009 are supported.");
            EXPECT_EQ(freshDialogs.messages[0].title, "Incorrect Version");
            EXPECT_EQ(freshDialogs.endedWith, 1);
            EXPECT_EQ(factory.last()->statements.size(), 1);
            break;
        case Case::Unreadable:
            EXPECT_TRUE(freshDialogs.messages.empty());
            EXPECT_EQ(last, "Failed to retrieve the target SPI version number.");
            EXPECT_FALSE(freshView.importFrameVisible);
            EXPECT_FALSE(fresh.login().has_value());
            break;
        }
    }
}

TEST_F(ConnectTest, NullOrMissingReleaseIsReported)
{
    factory.next().answer("FROM license", std::vector<db::Row>{db::Row{std::nullopt}});
    controller.cmdConnect_Click();
    EXPECT_EQ(messages().mid(1),
              QStringList({"Didn't return the target SPI version.",
                           "Failed to retrieve the target SPI version number."}));

    factory.next(); // no rows at all: reading the first row fails
    controller.cmdConnect_Click();
    EXPECT_EQ(messages().mid(3),
              QStringList({"Connecting to spidb...  connected.",
                           "Failed to retrieve the target SPI version number."}));
}

TEST_F(ConnectTest, UnknownLogonGetsOnlyTheNoDomainBox)
{
    factory.next().answer("FROM license", "09.00.01.05");
    controller.cmdConnect_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No DOMAIN name returned for those login credentials.");
    EXPECT_EQ(dialogs.messages[0].icon, app::MessageIcon::Warning);
    EXPECT_EQ(messages().last(), "Target SPI version is 09.00.01.05");
    EXPECT_FALSE(view.importFrameVisible);
    EXPECT_FALSE(controller.login().has_value());
}

TEST_F(ConnectTest, DomainWithNullIdentifierFailsTheLogin)
{
    factory.next()
        .answer("FROM license", "09.00.01.05")
        .answer("FROM   project ", {{QString("North"), std::nullopt, QString("3")}});
    controller.cmdConnect_Click();
    EXPECT_EQ(messages().last(), "Failed to retrieve domain names.");
    EXPECT_FALSE(view.importFrameVisible);
    EXPECT_FALSE(controller.login().has_value());
}

TEST_F(ConnectTest, ApostrophesInTheLogonStayInsideTheirLiterals)
{
    view.logon = "o'brien";
    view.pass = "x' or '1'='1";
    RecordingConnection& server = serverWithVersion("09.00.01.05");
    controller.cmdConnect_Click();
    EXPECT_EQ(server.statements.value(1), "SELECT proj_name, proj_id, site_id FROM   project "
                                          "WHERE  proj_log_name = 'O''BRIEN' "
                                          "AND    proj_log_pass = 'X'' OR ''1''=''1'");
}

TEST_F(ConnectTest, FailedReconnectKeepsTheOldDomainCaptionButHidesStepTwo)
{
    serverWithVersion("09.00.01.05");
    controller.cmdConnect_Click();
    factory.next().openFailure = "refused";
    controller.cmdConnect_Click();
    EXPECT_EQ(view.domainCaption, "Logged into Domain: North Plant");
    EXPECT_FALSE(view.importFrameVisible);
    EXPECT_FALSE(controller.login().has_value());
}

TEST_F(ConnectTest, DialectFollowsThePlatformOfTheOpenConnection)
{
    view.chosenPlatform = db::Platform::Oracle;
    serverWithVersion("09.00.01.05");
    controller.cmdConnect_Click();
    view.chosenPlatform = db::Platform::SQLServer; // chosen after connecting: changes nothing
    ASSERT_TRUE(controller.login().has_value());
    EXPECT_TRUE(controller.login()->platform == db::Platform::Oracle);
}

} // namespace
