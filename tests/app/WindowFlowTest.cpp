// The real main window on the offscreen platform, used like a person would: choose the
// platform, type the connection values, connect, choose what to import and import, against the
// test server.

#include "app/frmMain.h"

#include "app/FakeMainView.h"
#include "db/OdbcConnection.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"
#include "support/WaitForIdle.h"

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#ifndef Q_OS_WIN
#include <csignal>
#endif

using namespace tarnwell;
using tarnwell::testing::TestDatabase;

namespace {

// How every session starts: the library read.
const QStringList SessionStart = {
    "Program opens.",          "Reading ExportVersion",  "Reading Channel",
    "Reading PanelStrip",      "Reading PanelStripTerm", "Reading StripConfig",
    "Reading StripConfigTerm", "Reading TerminalColors", "Done reading -- Please connect"};

class WindowFlowTest : public ::testing::Test
{
protected:
    WindowFlowTest() : window(connections, dialogs, program().path())
    {
        window.show();
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activation);
        tarnwell::testing::waitUntilIdle(window.controller());
    }

    static const tarnwell::testing::PackedProgram& program()
    {
        static const tarnwell::testing::PackedProgram packed;
        return packed;
    }

    template <typename Widget> Widget* child(const char* name)
    {
        auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
        if (!widget)
            throw std::runtime_error(std::string("no widget ") + name);
        return widget;
    }

    // Clicks and lets whatever the click started run to its end, as a user waits for it.
    void click(const char* name)
    {
        QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton);
        tarnwell::testing::waitUntilIdle(window.controller());
    }
    void type(const char* box, const QString& text)
    {
        QTest::keyClicks(child<QLineEdit>(box), text);
    }

    void connectAsUser()
    {
        click("optSQLServer");
        type("txtServerName", database.server());
        type("txtDataSource", database.name());
        type("txtUserID", database.logon().toLower());
        type("txtPassword", database.password().toLower());
        click("cmdConnect");
    }

    QStringList listLines()
    {
        QStringList lines;
        auto* list = child<QListWidget>("lstApparatus");
        for (int i = 0; i < list->count(); ++i)
            lines.append(list->item(i)->text());
        return lines;
    }

    QStringList statusMessages()
    {
        return tarnwell::testing::withoutStamps(child<QLabel>("lblStatus")->text().split('\n'));
    }

    int count(const QString& table)
    {
        return database.value("SELECT count(*) FROM " + table).toInt();
    }

    // Another session holds `table`; Import all is pressed and waits for it.
    std::unique_ptr<db::OdbcConnection> lockAndImport(const QString& table)
    {
        auto holder = database.connect();
        EXPECT_TRUE(holder->beginTransaction());
        EXPECT_TRUE(holder->execute("LOCK TABLE " + table + " IN ACCESS EXCLUSIVE MODE"));
        click("optAll");
        QTest::mouseClick(child<QPushButton>("cmdImport"), Qt::LeftButton);
        tarnwell::testing::waitFor([&] {
            return database.value("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                  "current_database() AND wait_event_type = 'Lock'") != "0";
        });
        return holder;
    }

    TestDatabase database;
    db::OdbcConnectionFactory connections;
    tarnwell::testing::RecordingDialogs dialogs;
    app::frmMain window;
};

TEST_F(WindowFlowTest, ConnectsListsAndImportsEverything)
{
    connectAsUser();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(child<QLineEdit>("txtUserID")->text(), database.logon());
    EXPECT_EQ(child<QLabel>("lblDomain")->text(), "Logged into Domain: Hollin Works");
    EXPECT_TRUE(child<QWidget>("fraImport")->isVisible());
    EXPECT_TRUE(child<QPushButton>("cmdImport")->isVisible());
    EXPECT_EQ(child<QLabel>("lblApparatusCount")->text(),
              "8 Configurations and 21 References available to import.");
    const QStringList lines = listLines();
    ASSERT_EQ(lines.size(), 29);
    EXPECT_EQ(lines.first(),
              "Configuration   KD-SP4 Segment Protector        N     R3    KEL-DORVAN");
    EXPECT_TRUE(lines.last().startsWith("Reference       "));

    click("optAll");
    click("cmdImport");
    const QStringList shown = statusMessages();
    EXPECT_EQ(shown.mid(shown.size() - 3),
              QStringList(
                  {"Triggers on PANEL and UDF_PANEL are ENABLED.",
                   "Written whole: 29 apparatuses. Not written: 0.",
                   "Finished importing 8 apparatus Configurations and 21 Reference apparatuses."}));
    EXPECT_EQ(count("strip_config"), 8);
    EXPECT_EQ(count("strip_config_term"), 46);
    EXPECT_EQ(count("panel_strip"), 7);
    EXPECT_EQ(count("panel_strip_term"), 60);
    EXPECT_FALSE(child<QWidget>("prgImport")->isVisible());
    EXPECT_TRUE(child<QPushButton>("cmdConnect")->isEnabled());
}

TEST_F(WindowFlowTest, ImportsTwoSelectedLines)
{
    connectAsUser();
    auto* list = child<QListWidget>("lstApparatus");
    ASSERT_EQ(list->count(), 29);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->item(10)).center());
    click("optSelected");
    click("cmdImport");
    EXPECT_EQ(statusMessages().last(),
              "Finished importing 1 apparatus Configurations and 1 Reference apparatuses.");
    EXPECT_EQ(count("strip_config"), 1);
    EXPECT_EQ(count("panel_strip"), 1);
    EXPECT_EQ(
        database.value("SELECT count(*) FROM channel c JOIN term_mfr_mod m ON m.term_mod_id = "
                       "c.term_mod_id WHERE m.term_mod_name = " +
                       tarnwell::testing::sqlLiteral(list->item(10)->text().mid(16, 30).trimmed())),
        "1");
}

TEST_F(WindowFlowTest, EscapeCancelsAnImportWaitingOnAnotherSessionsLock)
{
    connectAsUser();
    auto holder = lockAndImport("strip_config");
    auto* cancel = child<QPushButton>("cmdCancel");
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_FALSE(child<QPushButton>("cmdConnect")->isEnabled());

    QElapsedTimer cancelling;
    cancelling.start();
    QTest::keyClick(&window, Qt::Key_Escape);
    tarnwell::testing::waitUntilIdle(window.controller(), 10'000);
    EXPECT_LT(cancelling.elapsed(), 2000);
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(child<QPushButton>("cmdConnect")->isEnabled());
    holder->rollback();
    EXPECT_EQ(count("strip_config"), 0);
    EXPECT_EQ(database.value("SELECT count(*) FROM pg_trigger WHERE tgenabled = 'D'"), "0");
    EXPECT_TRUE(statusMessages().last().startsWith("Import cancelled: 0 apparatuses"));
}

// Closing the window by its title bar (the platform's close request, as the window manager sends
// it) during a run stops the run and ends the program within two seconds, triggers on.
TEST_F(WindowFlowTest, ClosingTheWindowDuringARunEndsTheProgramWithTheTriggersOn)
{
    connectAsUser();
    auto holder = lockAndImport("strip_config");
    QElapsedTimer ending;
    ending.start();
    window.windowHandle()->close();
    EXPECT_TRUE(window.isVisible()) << "the close waits for the run to stop";
    tarnwell::testing::waitFor([&] { return dialogs.endedWith.has_value(); }, 10'000);
    EXPECT_LT(ending.elapsed(), 2000);
    EXPECT_EQ(dialogs.endedWith, 0);
    EXPECT_TRUE(dialogs.messages.empty());
    holder->rollback();
    EXPECT_EQ(count("strip_config"), 0);
    EXPECT_EQ(database.value("SELECT count(*) FROM pg_trigger WHERE tgenabled = 'D'"), "0");
}

// The same while the worker is stuck inside the driver: the server's end of the session is
// frozen, so no cancel reaches it. After ten seconds the statements are left to the
// administrator and the program ends; the process itself then ends within two seconds, even
// with the worker still stuck (ThreadExecutorDeathTest).
TEST_F(WindowFlowTest, ClosingTheWindowWhileTheDriverIsStuckLeavesTheTriggersToTheAdministrator)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "freezing the server's end of the session takes a signal to a process on the "
                    "server's machine, which a Windows program cannot send";
#else
    connectAsUser();
    auto holder = lockAndImport("strip_config");
    const pid_t session = database
                              .value("SELECT pid FROM pg_stat_activity WHERE datname = "
                                     "current_database() AND wait_event_type = 'Lock'")
                              .toInt();
    ASSERT_GT(session, 0);
    ASSERT_EQ(::kill(session, SIGSTOP), 0);
    QElapsedTimer ending;
    ending.start();
    window.windowHandle()->close();
    tarnwell::testing::waitFor([&] { return dialogs.endedWith.has_value(); }, 20'000);
    const qint64 ended = ending.elapsed();
    ::kill(session, SIGCONT);
    EXPECT_GE(ended, app::MainController::TriggerWaitMs - 500);
    EXPECT_LT(ended, app::MainController::TriggerWaitMs + 2000);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("ALTER TABLE panel ENABLE TRIGGER ALL\n"
                                                  "ALTER TABLE udf_panel ENABLE TRIGGER ALL"))
        << dialogs.messages[0].text.toStdString();
    holder->rollback();
    tarnwell::testing::waitUntilIdle(window.controller(), 20'000);
    EXPECT_EQ(count("strip_config"), 0);
#endif
}

// A user checks an import, imports, and saves the whole log of both, from the keyboard alone;
// the server's words repeat the password, which the log must not keep.
TEST_F(WindowFlowTest, ChecksImportsAndSavesTheWholeLogFromTheKeyboard)
{
    database.exec("ALTER TABLE strip_config_term ADD CONSTRAINT " +
                  tarnwell::testing::sqlIdentifier(database.password().toLower() + "_guard") +
                  " CHECK (false)");
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    connectAsUser();
    click("optAll");

    auto* check = child<QPushButton>("cmdCheckImport");
    auto* import = child<QPushButton>("cmdImport");
    ASSERT_TRUE(check->isVisible());
    import->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), check) << "Check Import follows Import";
    QTest::keyClick(check, Qt::Key_Space);
    tarnwell::testing::waitUntilIdle(window.controller());
    EXPECT_EQ(QApplication::focusWidget(), check) << "the focus goes back to the check";
    EXPECT_EQ(statusMessages().last(), "Check only: nothing was written.");
    EXPECT_EQ(count("strip_config"), 0);

    QTest::keyClick(check, Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), import);
    QTest::keyClick(import, Qt::Key_Space);
    tarnwell::testing::waitUntilIdle(window.controller());
    EXPECT_EQ(QApplication::focusWidget(), import);
    EXPECT_EQ(count("strip_config"), 0) << "every configuration has a refused terminal";
    EXPECT_EQ(count("panel_strip"), 7);

    QTemporaryDir folder;
    const QString path = folder.filePath("session.log");
    dialogs.savePath = folder.filePath("no such folder/session.log");
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.messages.size(), 3u) << "the boxes of the check and the run, then the save";
    EXPECT_EQ(dialogs.messages[0].text, dialogs.messages[1].text) << "the check foretold the run";
    EXPECT_TRUE(dialogs.messages[2].text.startsWith("The log could not be saved"));
    ASSERT_EQ(dialogs.suggestedPaths.size(), 1);
    EXPECT_TRUE(QFileInfo(dialogs.suggestedPaths[0])
                    .fileName()
                    .contains(QRegularExpression("^tarnwell-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.log$")))
        << dialogs.suggestedPaths[0].toStdString();

    dialogs.savePath = path;
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_FALSE(bytes.contains('\r'));
    const QStringList lines = QString::fromUtf8(bytes).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.first(),
              "Tarnwell 3.0.34 session log, " + QDate::currentDate().toString("yyyy-MM-dd"));
    // The session from its first line on, and the ten lines the display shows at its end.
    EXPECT_EQ(tarnwell::testing::withoutStamps(lines.mid(1, 9)), SessionStart);
    EXPECT_EQ(lines.value(1).mid(8), "   Program opens.");
    EXPECT_EQ(lines.mid(lines.size() - 10), child<QLabel>("lblStatus")->text().split('\n'));
    EXPECT_GT(lines.size(), 100) << "every line, not only the ten on display";
    EXPECT_FALSE(QString::fromUtf8(bytes).contains(database.password(), Qt::CaseInsensitive));
    EXPECT_TRUE(QString::fromUtf8(bytes).contains("*******_guard"));
    EXPECT_EQ(lines.filter("Check only: panel_strip would receive 7 new rows.").size(), 1);
}

TEST_F(WindowFlowTest, TheStatusDisplaysMenuCopiesTheWholeSession)
{
    connectAsUser();
    auto* status = child<QLabel>("lblStatus");
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QStringList items;
        for (QAction* action : menu->actions())
            items.append(action->text());
        EXPECT_EQ(items, QStringList({"Copy &All", "&Save Log..."}));
        menu->actions().first()->trigger();
        menu->close();
    });
    emit status->customContextMenuRequested(QPoint(5, 5));
    const QStringList copied = QGuiApplication::clipboard()->text().split('\n');
    // Lines no longer on display too, and the ten it shows at the end.
    EXPECT_EQ(tarnwell::testing::withoutStamps(copied.mid(0, 9)), SessionStart);
    EXPECT_EQ(copied.mid(copied.size() - 10), status->text().split('\n'));
}

} // namespace
