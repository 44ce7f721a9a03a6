// The window's logic with its database work on the worker thread, against the test server, when
// things go wrong: another session's lock, a session the server ends, a server that stops and
// comes back, triggers an earlier run left off, apparatuses that fail.

#include "app/core/MainController.h"

#include "app/FakeMainView.h"
#include "db/OdbcConnection.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"
#include "support/WaitForIdle.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace tarnwell;
using tarnwell::testing::FakeMainView;
using tarnwell::testing::RecordingDialogs;
using tarnwell::testing::TestDatabase;
using tarnwell::testing::waitFor;
using tarnwell::testing::waitUntilIdle;

namespace {

// A window's logic whose database work runs on its own worker thread, as in the program.
class ThreadedWindow
{
public:
    explicit ThreadedWindow(TestDatabase& database)
        : controller(view, dialogs, connections, tarnwell::testing::PackedProgram::sample().path(),
                     &executor)
    {
        controller.Form_Load();
        controller.Form_Activate();
        waitUntilIdle(controller);
        view.typeLogin(database);
    }

    void connect()
    {
        controller.cmdConnect_Click();
        waitUntilIdle(controller);
    }
    void import(app::ImportMode mode, QList<int> selected = {})
    {
        view.mode = mode;
        view.selected = std::move(selected);
        controller.cmdImport_Click();
    }
    QStringList messages() const
    {
        return tarnwell::testing::withoutStamps(controller.status().lines());
    }
    QList<int> referenceLines() const
    {
        QList<int> rows;
        for (int i = 0; i < view.lines.size(); ++i) {
            if (view.lines[i].startsWith("Reference"))
                rows.append(i);
        }
        return rows;
    }

    FakeMainView view;
    RecordingDialogs dialogs;
    db::OdbcConnectionFactory connections;
    app::ThreadExecutor executor;
    app::MainController controller;
    // Every status line of the session, without its time stamp.
    QStringList all() const { return tarnwell::testing::sessionMessages(controller.status()); }
};

class ResilienceTest : public ::testing::Test
{
protected:
    ~ResilienceTest() override { m_database.reset(); }

    int count(const QString& table)
    {
        return database().value("SELECT count(*) FROM " + table).toInt();
    }
    int disabledTriggers()
    {
        return database()
            .value("SELECT count(*) FROM pg_trigger WHERE tgenabled = 'D' AND tgrelid IN "
                   "('panel'::regclass, 'udf_panel'::regclass)")
            .toInt();
    }
    bool waitingOnALock()
    {
        return database()
                   .value("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                          "current_database() AND wait_event_type = 'Lock'")
                   .toInt() > 0;
    }
    // Another session holding `table` until it is released.
    std::unique_ptr<db::OdbcConnection> lock(const QString& table)
    {
        auto holder = database().connect();
        EXPECT_TRUE(holder->beginTransaction());
        EXPECT_TRUE(holder->execute("LOCK TABLE " + table + " IN ACCESS EXCLUSIVE MODE"))
            << holder->lastError().description().toStdString();
        return holder;
    }

    // Connects and imports while another session holds `table`; returns once the run waits for
    // it, with that session, which holds the table until it is released.
    std::unique_ptr<db::OdbcConnection> importWaitingOn(ThreadedWindow& window,
                                                        const QString& table,
                                                        app::ImportMode mode = app::ImportMode::All,
                                                        QList<int> selected = {})
    {
        window.connect();
        auto holder = lock(table);
        window.import(mode, std::move(selected));
        waitFor([&] { return waitingOnALock(); }, 10'000);
        return holder;
    }

    // Presses Cancel: the window is free again within 2 s, whatever the server was doing.
    static void cancelWithinTwoSeconds(ThreadedWindow& window)
    {
        QElapsedTimer cancelling;
        cancelling.start();
        window.controller.cmdCancel_Click();
        waitUntilIdle(window.controller, 10'000);
        EXPECT_LT(cancelling.elapsed(), 2000);
    }

    // Ends the session that waits for a lock, as a server ending it would.
    void terminateTheWaitingSession()
    {
        database().exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
                        "current_database() AND wait_event_type = 'Lock'");
    }

    // Imports everything; the reference side waits on another session's lock, and then
    // `loseIt` takes the connection away. The configurations are whole by then.
    void loseTheConnectionDuringTheReferences(ThreadedWindow& window,
                                              const std::function<void()>& loseIt)
    {
        auto holder = importWaitingOn(window, "panel_strip");
        loseIt();
        holder.reset();
    }

    // The lost connection's box, the triggers on again, only whole apparatuses; then a new
    // Connect and an import of the rest finish the job.
    void expectRecoveryAndFinish(ThreadedWindow& window)
    {
        waitUntilIdle(window.controller, 60'000);
        ASSERT_EQ(window.dialogs.messages.size(), 1u);
        const tarnwell::testing::ShownMessage& box = window.dialogs.messages[0];
        EXPECT_EQ(box.title, app::ApplicationTitle);
        EXPECT_EQ(box.icon, app::MessageIcon::Warning);
        EXPECT_TRUE(box.text.contains("The connection to the database was lost"))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains("8 apparatuses were written whole"))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains("are on again")) << box.text.toStdString();
        EXPECT_EQ(disabledTriggers(), 0);
        EXPECT_EQ(count("strip_config"), 8);
        EXPECT_EQ(count("strip_config_term"), 46);
        EXPECT_EQ(count("panel_strip"), 0);
        EXPECT_EQ(count("panel"), 0) << "the reference under way was not kept in part";
        EXPECT_FALSE(window.controller.status().caption().contains("Finished importing"));

        window.connect();
        window.import(app::ImportMode::Selected, window.referenceLines());
        waitUntilIdle(window.controller);
        EXPECT_EQ(count("strip_config"), 8);
        EXPECT_EQ(count("panel_strip"), 7);
        EXPECT_EQ(count("channel"), 21);
        EXPECT_EQ(count("panel_strip_term"), 60);
        EXPECT_EQ(disabledTriggers(), 0);
    }

    virtual TestDatabase& database()
    {
        if (!m_database)
            m_database = std::make_unique<TestDatabase>();
        return *m_database;
    }

private:
    std::unique_ptr<TestDatabase> m_database;
};

TEST_F(ResilienceTest, ALockWaitLeavesTheWindowResponsiveAndCancelEndsItAtOnce)
{
    ThreadedWindow window(database());
    auto holder = importWaitingOn(window, "strip_config");

    // The window's event loop keeps turning during a 20 s wait on the server.
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longestGap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    ticks.start(10);
    QElapsedTimer waited;
    waited.start();
    waitFor([&] { return waited.elapsed() >= 20'000; }, 30'000);
    ticks.stop();
    EXPECT_LT(longestGap, 100);
    EXPECT_TRUE(window.controller.isImporting());
    EXPECT_TRUE(window.view.cancelVisible);

    cancelWithinTwoSeconds(window);
    EXPECT_FALSE(window.view.cancelVisible);

    holder->rollback();
    holder.reset();
    EXPECT_EQ(count("strip_config"), 0);
    EXPECT_EQ(count("strip_config_term"), 0);
    EXPECT_EQ(disabledTriggers(), 0);
    EXPECT_EQ(window.messages().last(), "Import cancelled: 0 apparatuses were written whole "
                                        "before the stop; the one under way was not written.");

    // The connection still serves the next run.
    window.import(app::ImportMode::All);
    waitUntilIdle(window.controller);
    EXPECT_EQ(count("strip_config"), 8);
}

// A check holds each apparatus as a savepoint: Cancel while one waits must still take it back
// to its savepoint, so that the check ends as cancelled, not as a connection closed for a
// rollback that could not run, and the connection serves the next run.
TEST_F(ResilienceTest, CancelDuringACheckTakesBackTheApparatusAndKeepsTheConnection)
{
    ThreadedWindow window(database());
    window.connect();
    auto holder = lock("strip_config");
    window.view.mode = app::ImportMode::All;
    window.controller.cmdCheckImport_Click();
    waitFor([&] { return waitingOnALock(); }, 10'000);
    cancelWithinTwoSeconds(window);
    holder.reset();

    EXPECT_TRUE(window.all().filter("could not be rolled back").isEmpty())
        << window.all().join('\n').toStdString();
    EXPECT_TRUE(window.dialogs.messages.empty());
    EXPECT_EQ(disabledTriggers(), 0);
    EXPECT_EQ(count("strip_config"), 0);
    window.import(app::ImportMode::All);
    waitUntilIdle(window.controller);
    EXPECT_EQ(count("strip_config"), 8) << "the same connection imports afterwards";
}

TEST_F(ResilienceTest, EndingTheProgramDuringALockWaitTakesUnderTwoSeconds)
{
    ThreadedWindow window(database());
    auto holder = importWaitingOn(window, "strip_config");

    QElapsedTimer ending;
    ending.start();
    EXPECT_FALSE(window.controller.closeRequested());
    waitFor([&] { return window.dialogs.endedWith.has_value(); }, 10'000);
    EXPECT_LT(ending.elapsed(), 2000);
    EXPECT_EQ(window.dialogs.endedWith, 0);
    holder->rollback();
    EXPECT_EQ(disabledTriggers(), 0);
    EXPECT_EQ(count("strip_config"), 0);
}

TEST_F(ResilienceTest, TriggersThatCannotComeBackWithinTenSecondsAreLeftToTheAdministrator)
{
    ThreadedWindow window(database());
    auto holder = importWaitingOn(window, "strip_config");
    // Switching the triggers on again will wait for this one.
    auto panelHolder = lock("panel");

    QElapsedTimer ending;
    ending.start();
    window.controller.mnuFileExit_Click();
    waitFor([&] { return window.dialogs.endedWith.has_value(); }, 20'000);
    EXPECT_GE(ending.elapsed(), app::MainController::TriggerWaitMs - 500);
    EXPECT_LT(ending.elapsed(), app::MainController::TriggerWaitMs + 2000);
    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    EXPECT_TRUE(
        window.dialogs.messages[0].text.contains("ALTER TABLE panel ENABLE TRIGGER ALL\n"
                                                 "ALTER TABLE udf_panel ENABLE TRIGGER ALL"))
        << window.dialogs.messages[0].text.toStdString();
    panelHolder.reset();
    holder.reset();
    waitUntilIdle(window.controller);
    EXPECT_EQ(window.dialogs.messages.size(), 1u) << "nothing more is shown once the program ends";
    EXPECT_EQ(count("strip_config"), 0);
}

TEST_F(ResilienceTest, ASessionTheServerEndsIsReconnectedToSwitchTheTriggersOn)
{
    ThreadedWindow window(database());
    loseTheConnectionDuringTheReferences(window, [&] { terminateTheWaitingSession(); });
    expectRecoveryAndFinish(window);
    EXPECT_EQ(
        window.all().filter("The connection to the database was lost while importing ").size(), 1)
        << "the run stops at once instead of failing each remaining apparatus";
}

// The connection goes while the run switches the triggers off, before anything is written.
TEST_F(ResilienceTest, AConnectionLostWhileTheTriggersGoOffStopsTheRunBeforeItWrites)
{
    ThreadedWindow window(database());
    auto holder = importWaitingOn(window, "panel");
    terminateTheWaitingSession();
    holder.reset();
    waitUntilIdle(window.controller, 60'000);

    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    EXPECT_TRUE(window.dialogs.messages[0].text.contains("0 apparatuses were written whole"))
        << window.dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(window.dialogs.messages[0].text.contains("are on again"));
    EXPECT_EQ(window.all().filter("The connection to the database was lost").size(), 1)
        << "the run stops at once: " << window.all().join('\n').toStdString();
    EXPECT_TRUE(window.all().filter("Importing configuration").isEmpty());
    EXPECT_EQ(count("strip_config"), 0);
    EXPECT_EQ(disabledTriggers(), 0);
}

// The connection goes while the run switches the triggers on again at its end: the run was
// whole, and the triggers still come back on over a new connection.
TEST_F(ResilienceTest, AConnectionLostWhileTheTriggersComeBackOnIsReconnectedToo)
{
    ThreadedWindow window(database());
    auto configurations =
        importWaitingOn(window, "strip_config", app::ImportMode::Selected, {0, 1});
    // The triggers are off by now; switching them on again will wait for this one.
    auto panel = lock("panel");
    configurations.reset();
    waitFor([&] { return count("strip_config") == 2 && waitingOnALock(); }, 20'000);
    terminateTheWaitingSession();
    panel.reset();
    waitUntilIdle(window.controller, 60'000);

    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    const QString box = window.dialogs.messages[0].text;
    EXPECT_TRUE(box.contains("The connection to the database was lost")) << box.toStdString();
    EXPECT_TRUE(box.contains("2 apparatuses were written whole")) << box.toStdString();
    EXPECT_TRUE(box.contains("are on again")) << box.toStdString();
    EXPECT_EQ(disabledTriggers(), 0);
    EXPECT_EQ(count("strip_config"), 2);
    EXPECT_TRUE(window.controller.login().has_value()) << "Import works again";
}

// Cancel while a listing query waits for another session's lock: the wait ends at once, the
// half-made list is not offered for import, and the next Connect lists everything.
TEST_F(ResilienceTest, CancelDuringTheListingEndsTheWaitAndOffersNothingHalfListed)
{
    ThreadedWindow window(database());
    auto holder = lock("panel_strip");
    window.controller.cmdConnect_Click();
    waitFor([&] { return waitingOnALock(); }, 10'000);

    cancelWithinTwoSeconds(window);
    EXPECT_FALSE(window.view.importFrameVisible);
    EXPECT_FALSE(window.view.cancelVisible);
    EXPECT_EQ(window.messages().last(), "Connect cancelled.");
    EXPECT_FALSE(window.controller.login().has_value());

    holder.reset();
    window.connect();
    EXPECT_TRUE(window.view.importFrameVisible);
    EXPECT_EQ(window.view.lines.size(), 29);
    EXPECT_TRUE(window.controller.login().has_value());
}

// A server of the test's own, which it stops as a crash would and starts again.
class StoppedServerTest : public ResilienceTest
{
protected:
    void SetUp() override
    {
#ifdef Q_OS_WIN
        GTEST_SKIP() << "the server is stopped and started by scripts/pg-cluster.sh, a Linux "
                        "shell script, which a Windows program cannot run";
#endif
        const QString folder = m_folder.path();
        m_started = true;
        // Durable: a halt must keep what was committed, as a real server's would.
        run({"start", folder, "--durable"});
        qputenv("ODBCSYSINI", QDir(folder).filePath("odbc").toUtf8());
    }
    ~StoppedServerTest() override
    {
        m_test.reset();
        if (m_started)
            run({"stop", m_folder.path()});
    }

    void run(const QStringList& arguments)
    {
        QProcess script;
        script.start(QStringLiteral(TARNWELL_SOURCE_DIR "/scripts/pg-cluster.sh"), arguments);
        if (!script.waitForFinished(60'000) || script.exitCode() != 0)
            throw std::runtime_error("pg-cluster.sh " + arguments.join(' ').toStdString() +
                                     " failed: " + script.readAllStandardError().toStdString());
    }

    TestDatabase& database() override
    {
        if (!m_test)
            m_test = std::make_unique<TestDatabase>();
        return *m_test;
    }

    QTemporaryDir m_folder;
    std::unique_ptr<TestDatabase> m_test;
    bool m_started = false;
};

TEST_F(StoppedServerTest, AServerStoppedAndStartedAgainIsReconnectedToo)
{
    ThreadedWindow window(database());
    loseTheConnectionDuringTheReferences(window, [&] {
        run({"halt", m_folder.path()});
        QElapsedTimer down;
        down.start();
        waitFor([&] { return down.elapsed() >= 5000; });
        run({"resume", m_folder.path()});
    });
    database().reconnect();
    expectRecoveryAndFinish(window);
    EXPECT_FALSE(window.all().filter("switch the triggers on (attempt ").isEmpty());
}

// The server stays down past the time the program tries to reach it again: the statements are
// left to the administrator, the program goes on working, and once the server is back a new
// Connect works and offers to switch the triggers on.
TEST_F(StoppedServerTest, AServerThatStaysDownIsLeftToTheAdministratorUntilItIsBack)
{
    ThreadedWindow window(database());
    auto holder = importWaitingOn(window, "panel_strip");
    run({"halt", m_folder.path()});
    QElapsedTimer down;
    down.start();
    waitUntilIdle(window.controller, app::MainController::ReconnectWindowMs + 30'000);
    EXPECT_GE(down.elapsed(), app::MainController::ReconnectWindowMs - 1000);

    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    const QString box = window.dialogs.messages[0].text;
    EXPECT_TRUE(box.contains("could not be switched on again")) << box.toStdString();
    EXPECT_TRUE(box.contains("ALTER TABLE panel ENABLE TRIGGER ALL\n"
                             "ALTER TABLE udf_panel ENABLE TRIGGER ALL"))
        << box.toStdString();
    EXPECT_TRUE(window.view.connectEnabled);
    EXPECT_FALSE(window.controller.login().has_value()) << "no import on a connection that is gone";
    window.import(app::ImportMode::All);
    EXPECT_FALSE(window.controller.isBusy());
    EXPECT_EQ(window.messages().last(), "Please connect and log into a domain before importing.");

    run({"resume", m_folder.path()});
    holder.reset(); // its session went with the halt
    database().reconnect();
    EXPECT_GT(disabledTriggers(), 0) << "nobody could switch them on while the server was down";
    window.dialogs.answer = true;
    window.connect();
    EXPECT_EQ(window.view.lines.size(), 29);
    EXPECT_EQ(window.dialogs.questions.size(), 1u) << "the triggers left off are offered";
    EXPECT_EQ(disabledTriggers(), 0);
    EXPECT_EQ(count("strip_config"), 8);
    EXPECT_EQ(count("panel_strip"), 0);
}

// Two users importing into one domain at the same moment: the second waits for the first.
TEST_F(ResilienceTest, TwoImportsIntoOneDomainRunOneAfterTheOther)
{
    ThreadedWindow first(database());
    ThreadedWindow second(database());
    first.connect();
    second.connect();
    first.import(app::ImportMode::All);
    second.import(app::ImportMode::All);
    waitFor([&] { return !first.controller.isBusy() && !second.controller.isBusy(); }, 60'000);

    const QString waiting = "Another import into this domain is under way; waiting for it to end.";
    EXPECT_EQ(first.all().count(waiting) + second.all().count(waiting), 1);
    ThreadedWindow& waited = first.all().contains(waiting) ? first : second;
    EXPECT_NE(
        std::find(waited.view.progress.begin(), waited.view.progress.end(), std::make_pair(0, -1)),
        waited.view.progress.end())
        << "the progress display shows the wait";
    for (ThreadedWindow* window : {&first, &second}) {
        EXPECT_TRUE(window->all().filter("Database reports").isEmpty())
            << window->all().join('\n').toStdString();
        EXPECT_TRUE(window->all().contains("Written whole: 29 apparatuses. Not written: 0."));
    }
    EXPECT_EQ(count("strip_config"), 16);
    EXPECT_EQ(count("panel_strip"), 14);
    EXPECT_EQ(count("panel_strip_term"), 120);
    EXPECT_EQ(count("panel"), 1);
    EXPECT_EQ(count("trigger_audit"), 0) << "no trigger fired during either run";
    EXPECT_EQ(database().value("SELECT count(DISTINCT panel_strip_seq) FROM panel_strip"), "14");
    EXPECT_EQ(disabledTriggers(), 0);
}

TEST_F(ResilienceTest, CancelEndsTheWaitForAnotherImportAndWritesNothing)
{
    auto holder = database().connect();
    db::ResultSet taken;
    ASSERT_TRUE(holder->query("SELECT pg_advisory_lock(hashtext('tarnwell-import-11'))", taken));
    ThreadedWindow window(database());
    window.connect();
    window.import(app::ImportMode::All);
    waitFor(
        [&] {
            return window.all().contains("Another import into this domain is under way; "
                                         "waiting for it to end.");
        },
        10'000);
    cancelWithinTwoSeconds(window);
    EXPECT_EQ(count("strip_config"), 0);
    EXPECT_EQ(disabledTriggers(), 0);
    EXPECT_FALSE(window.all().contains("Triggers on PANEL and UDF_PANEL are DISABLED."))
        << "the triggers are only touched once the lock is held";

    // Another domain's import does not wait for this one.
    ThreadedWindow other(database());
    other.view.logon = "BRACKMOOR";
    other.view.pass = "BRACK2";
    other.connect();
    other.import(app::ImportMode::All);
    waitUntilIdle(other.controller, 30'000);
    EXPECT_TRUE(other.all().filter("waiting for it to end").isEmpty());
    EXPECT_TRUE(other.all().contains("Written whole: 29 apparatuses. Not written: 0."));
    EXPECT_EQ(count("strip_config"), 8);
}

TEST_F(ResilienceTest, TriggersLeftOffAreOfferedAtLoginAndSwitchedOnOnlyWhenAsked)
{
    database().exec("ALTER TABLE panel DISABLE TRIGGER ALL");
    ThreadedWindow window(database());
    window.dialogs.answer = false;
    window.connect();
    ASSERT_EQ(window.dialogs.questions.size(), 1u);
    EXPECT_EQ(window.dialogs.questions[0].title, app::ApplicationTitle);
    EXPECT_EQ(window.dialogs.questions[0].icon, app::MessageIcon::Warning);
    EXPECT_TRUE(window.dialogs.questions[0].text.contains("PANEL and UDF_PANEL"));
    EXPECT_GT(disabledTriggers(), 0);
    EXPECT_EQ(window.view.lines.size(), 29) << "the list follows either answer";

    window.dialogs.answer = true;
    window.connect();
    EXPECT_EQ(window.dialogs.questions.size(), 2u);
    EXPECT_EQ(disabledTriggers(), 0);
    EXPECT_TRUE(window.messages().contains("Triggers on PANEL and UDF_PANEL are ENABLED."));

    window.connect();
    EXPECT_EQ(window.dialogs.questions.size(), 2u) << "nothing to ask about any more";
}

TEST_F(ResilienceTest, TheEndOfARunSaysWhatWasNotWritten)
{
    database().refuseInserts("strip_config", 3);
    ThreadedWindow window(database());
    window.connect();
    window.import(app::ImportMode::All);
    waitUntilIdle(window.controller);
    const QStringList shown = window.messages();
    EXPECT_EQ(shown.mid(shown.size() - 2),
              QStringList({"Written whole: 23 apparatuses. Not written: 6.",
                           "Finished importing 8 apparatus Configurations and 21 Reference "
                           "apparatuses."}));
    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    const QString box = window.dialogs.messages[0].text;
    EXPECT_TRUE(box.startsWith("These apparatuses were not written:")) << box.toStdString();
    EXPECT_EQ(box.count('\n'), 2 + 5) << box.toStdString();
    EXPECT_TRUE(box.contains(window.view.lines[7].mid(16, 30).trimmed()));
    EXPECT_FALSE(box.contains(window.view.lines[1].mid(16, 30).trimmed()));
}

} // namespace
