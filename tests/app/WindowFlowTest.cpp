// The real main window on the offscreen platform, used like a person would: choose the
// platform, type the connection values, connect, choose what to import and import, against the
// test server.

#include "app/frmMain.h"

#include "app/FakeMainView.h"
#include "db/OdbcConnection.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/TestDatabase.h"
#include "support/WaitForIdle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::testing::TestDatabase;

namespace {

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
        QStringList result;
        for (const QString& line : child<QLabel>("lblStatus")->text().split('\n'))
            result.append(line.mid(11));
        return result;
    }

    int count(const QString& table)
    {
        return database.value("SELECT count(*) FROM " + table).toInt();
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
    auto holder = database.connect();
    ASSERT_TRUE(holder->beginTransaction());
    ASSERT_TRUE(holder->execute("LOCK TABLE strip_config IN ACCESS EXCLUSIVE MODE"));
    click("optAll");
    QTest::mouseClick(child<QPushButton>("cmdImport"), Qt::LeftButton);
    tarnwell::testing::waitFor([&] {
        return database.value("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                              "current_database() AND wait_event_type = 'Lock'") != "0";
    });
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

} // namespace
