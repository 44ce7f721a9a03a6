// Connect, release check, domain login and the first listing against the test server, through
// the program's own ODBC path, driven through the window's logic.

#include "app/core/MainController.h"

#include "app/FakeMainView.h"
#include "db/OdbcConnection.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"

#include <QRegularExpression>

#include <deque>
#include <functional>

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::testing::FakeMainView;
using tarnwell::testing::RecordingDialogs;
using tarnwell::testing::TestDatabase;

namespace {

class ConnectOnServerTest : public ::testing::Test
{
protected:
    ConnectOnServerTest() : controller(view, dialogs, connections, program().path())
    {
        controller.status().setClock([] { return QTime(10, 0, 0); });
        controller.Form_Load();
        controller.Form_Activate();
        view.chosenPlatform = db::Platform::SQLServer;
        view.server = database.server();
        view.database = database.name();
        view.logon = database.logon().toLower();
        view.pass = database.password().toLower();
    }

    static const tarnwell::testing::PackedProgram& program()
    {
        static const tarnwell::testing::PackedProgram packed;
        return packed;
    }

    QStringList messages() const { return tarnwell::testing::statusMessages(controller.status()); }

    TestDatabase database;
    FakeMainView view;
    RecordingDialogs dialogs;
    db::OdbcConnectionFactory connections;
    app::MainController controller;
};

TEST_F(ConnectOnServerTest, LogsIntoTheDomainOfTheLogonAndListsTheLibrary)
{
    controller.cmdConnect_Click();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(messages().mid(messages().size() - 2),
              QStringList({"Connecting to " + database.name() + "...  connected.",
                           "Target SPI version is 09.00.01.05"}));
    EXPECT_EQ(view.domainCaption, "Logged into Domain: Hollin Works");
    EXPECT_TRUE(view.importFrameVisible);
    EXPECT_TRUE(view.importButtonVisible);
    EXPECT_EQ(view.lines.size(), 29);
    EXPECT_EQ(view.countCaption, "8 Configurations and 21 References available to import.");
    EXPECT_FALSE(view.busy);
}

// The window's thread may run what the worker handed it long after the worker went on; here
// it runs nothing before the whole Connect has ended.
class LateWindowExecutor : public app::Executor
{
public:
    void toWorker(std::function<void()> job) override { job(); }
    void toWindow(std::function<void()> job) override { m_held.push_back(std::move(job)); }
    void toWindowAndWait(const std::function<void()>& job) override { job(); }
    void finish(const std::function<void()>& job) override { job(); }

    void runHeld()
    {
        while (!m_held.empty()) {
            const std::function<void()> job = std::move(m_held.front());
            m_held.pop_front();
            job();
        }
    }

private:
    std::deque<std::function<void()>> m_held;
};

TEST(ConnectWithALateWindowTest, ListsEveryLineOnceHoweverLateTheWindowRuns)
{
    TestDatabase database;
    FakeMainView view;
    RecordingDialogs dialogs;
    db::OdbcConnectionFactory connections;
    LateWindowExecutor executor;
    app::MainController controller(view, dialogs, connections,
                                   tarnwell::testing::PackedProgram::sample().path(), &executor);
    controller.Form_Load();
    controller.Form_Activate();
    executor.runHeld();
    view.typeLogin(database);

    for (int connect = 1; connect <= 2; ++connect) {
        controller.cmdConnect_Click();
        executor.runHeld();
        EXPECT_EQ(view.lines.size(), 29) << "Connect " << connect;
        EXPECT_EQ(view.countCaption, "8 Configurations and 21 References available to import.");
    }
}

TEST_F(ConnectOnServerTest, WrongPasswordShowsTheServersDescription)
{
    view.pass = "wrong";
    controller.cmdConnect_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Login failed.");
    const QStringList shown = messages();
    EXPECT_TRUE(shown.contains("Connecting to " + database.name() + "...  failed to connect."));
    const int reports =
        static_cast<int>(shown.indexOf(QRegularExpression("^Database reports: .*")));
    ASSERT_GE(reports, 0);
    EXPECT_TRUE(shown.mid(reports).join(' ').contains("password authentication failed"))
        << shown.join('\n').toStdString();
    EXPECT_FALSE(view.importFrameVisible);
}

TEST_F(ConnectOnServerTest, ReleaseTextsDecideOnTheRealServer)
{
    const std::pair<const char*, bool> cases[] = {{"07.00.05.06", true},
                                                  {"07.01.00.00", true},
                                                  {"08.00.00.12", true},
                                                  {"10.00.00.01", false}};
    for (const auto& [version, accepted] : cases) {
        SCOPED_TRACE(version);
        database.exec(QString("UPDATE license SET rev_software = '%1'").arg(version));
        dialogs = {};
        controller.cmdConnect_Click();
        EXPECT_EQ(dialogs.messages.empty(), accepted);
        EXPECT_EQ(dialogs.endedWith.has_value(), !accepted);
        ASSERT_EQ(controller.login().has_value(), accepted);
        if (accepted) {
            EXPECT_EQ(controller.login()->release.major(), QString(version).mid(1, 1).toInt());
        }
    }
}

TEST_F(ConnectOnServerTest, UnreadableOrMissingReleaseIsReported)
{
    database.exec("UPDATE license SET rev_software = '7'");
    controller.cmdConnect_Click();
    EXPECT_EQ(messages().last(), "Failed to retrieve the target SPI version number.");
    database.exec("UPDATE license SET rev_software = NULL");
    controller.cmdConnect_Click();
    EXPECT_EQ(messages().mid(messages().size() - 2),
              QStringList({"Didn't return the target SPI version.",
                           "Failed to retrieve the target SPI version number."}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ConnectOnServerTest, LogonWithoutDomainGetsOnlyTheBox)
{
    database.exec("DELETE FROM project WHERE proj_log_name = 'HOLLIN'");
    controller.cmdConnect_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No DOMAIN name returned for those login credentials.");
    EXPECT_EQ(messages().last(), "Target SPI version is 09.00.01.05");
    EXPECT_FALSE(view.importFrameVisible);
}

TEST_F(ConnectOnServerTest, FirstOfTwoDomainsWithOneLogonWins)
{
    database.exec("INSERT INTO project (proj_id, site_id, proj_name, proj_log_name, proj_log_pass) "
                  "VALUES (99, 1, 'Second Hollin', 'HOLLIN', 'HOLLIN1')");
    controller.cmdConnect_Click();
    const QString first = database.value("SELECT proj_name FROM project WHERE proj_log_name = "
                                         "'HOLLIN' AND proj_log_pass = 'HOLLIN1'");
    EXPECT_EQ(view.domainCaption, "Logged into Domain: " + first);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ConnectOnServerTest, ApostrophesInLogonsStayInsideTheirLiterals)
{
    // A logon with an apostrophe finds its own domain.
    const QString logon = "O'BRIEN" + database.name().right(6).toUpper();
    database.createLogin(logon, "IT'S SECRET");
    database.exec("INSERT INTO project (proj_id, site_id, proj_name, proj_log_name, proj_log_pass) "
                  "VALUES (31, 1, 'Quoted Domain', " +
                  tarnwell::testing::sqlLiteral(logon) + ", 'IT''S SECRET')");
    view.logon = logon.toLower();
    view.pass = "it's secret";
    controller.cmdConnect_Click();
    EXPECT_EQ(view.domainCaption, "Logged into Domain: Quoted Domain");

    // A logon crafted to widen the domain query is just a logon without a domain.
    const QString crafted = "X' OR '1'='1" + database.name().right(6).toUpper();
    database.createLogin(crafted, "P' OR '1'='1");
    view.logon = crafted;
    view.pass = "p' or '1'='1";
    dialogs = {};
    controller.cmdConnect_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No DOMAIN name returned for those login credentials.");
    EXPECT_EQ(database.value("SELECT count(*) FROM project"), "3");
}

TEST_F(ConnectOnServerTest, LibraryReadKeepsConnectDisabledAndShowsPleaseWait)
{
    FakeMainView freshView;
    RecordingDialogs freshDialogs;
    app::MainController fresh(freshView, freshDialogs, connections, program().path());
    QStringList statesWhileReading;
    freshView.onStatusText = [&] {
        if (freshView.statusText.contains("Reading "))
            statesWhileReading.append(QString(freshView.connectEnabled ? "enabled " : "disabled ") +
                                      freshView.connectCaption);
    };
    fresh.Form_Load();
    fresh.Form_Activate();
    EXPECT_GE(statesWhileReading.size(), 7);
    statesWhileReading.removeDuplicates();
    EXPECT_EQ(statesWhileReading, QStringList({"disabled Please Wait"}));
    EXPECT_TRUE(freshView.connectEnabled);
    EXPECT_EQ(freshView.connectCaption, "Connect");
}

} // namespace
