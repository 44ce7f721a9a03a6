// The window shell on the offscreen platform: the Help menu, the About and Manual windows, and
// the keyboard paths through the menus.

#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "app/frmManual.h"

#include "app/FakeMainView.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/WaitForIdle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarnwell;

namespace {

class ShellTest : public ::testing::Test
{
protected:
    // An empty program path: tests that show the main window accept that the start-up read
    // fails and is recorded by the dialogs double.
    ShellTest() : window(connections, dialogs, QString()) {}

    ~ShellTest() override
    {
        // A popup left open by a failed keyboard test would swallow the next test's keys.
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    void trigger(const char* actionName)
    {
        auto* action = window.findChild<QAction*>(QString::fromLatin1(actionName));
        ASSERT_NE(action, nullptr) << actionName;
        action->trigger();
    }

    // The Help windows that are still open, not the ones closed and waiting for deletion.
    template <typename Window> QList<Window*> open() const
    {
        QList<Window*> result;
        for (Window* child : window.findChildren<Window*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                result.append(child);
        }
        return result;
    }

    template <typename Window> Window* only()
    {
        const QList<Window*> windows = open<Window>();
        EXPECT_EQ(windows.size(), 1);
        return windows.isEmpty() ? nullptr : windows.front();
    }

    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QStringList labelTexts(const QWidget& parent)
    {
        QStringList texts;
        for (const QLabel* label : parent.findChildren<QLabel*>())
            texts.append(label->text());
        return texts;
    }

    tarnwell::testing::RecordingDialogs dialogs;
    tarnwell::testing::RecordingConnectionFactory connections;
    app::frmMain window;
};

TEST_F(ShellTest, KeyboardReachesEveryMenuItemThroughItsMnemonics)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // The read runs beside the window; its end reaches the window a moment later.
    tarnwell::testing::waitUntilIdle(window.controller());
    settle();
    // The start-up read of the empty path failed and asked to end the program.
    ASSERT_EQ(dialogs.endedWith, 1);

    auto openMenu = [&](Qt::Key key) -> QMenu* {
        QTest::keyClick(&window, key, Qt::AltModifier);
        (void)QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 1000);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };

    QMenu* help = openMenu(Qt::Key_H);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->objectName(), "mnuHelp");
    QTest::keyClick(help, Qt::Key_M);
    ASSERT_TRUE(QTest::qWaitFor([&] { return open<app::frmManual>().size() == 1; }, 1000));
    open<app::frmManual>().front()->close();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    help = openMenu(Qt::Key_H);
    ASSERT_NE(help, nullptr);
    QTest::keyClick(help, Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return open<app::frmAbout>().size() == 1; }, 1000));
    open<app::frmAbout>().front()->close();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QMenu* file = openMenu(Qt::Key_F);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->objectName(), "mnuFile");
    QTest::keyClick(file, Qt::Key_X);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.endedWith == 0; }, 1000));
}

TEST_F(ShellTest, MenusReadAsGivenInTheirOrder)
{
    QStringList titles;
    for (QAction* action : window.menuBar()->actions())
        titles.append(action->text());
    EXPECT_EQ(titles, QStringList({"&File", "&Help"}));

    auto* help = window.findChild<QMenu*>(QStringLiteral("mnuHelp"));
    ASSERT_NE(help, nullptr);
    QStringList items;
    for (QAction* action : help->actions())
        items.append(action->objectName() + '=' + action->text());
    EXPECT_EQ(items, QStringList({"mnuHelpManual=&Manual", "mnuHelpAbout=&About"}));
}

TEST_F(ShellTest, SecondRequestBringsTheOpenWindowForwardInsteadOfOpeningAnother)
{
    trigger("mnuHelpAbout");
    QPointer<app::frmAbout> about = only<app::frmAbout>();
    ASSERT_TRUE(about);
    EXPECT_FALSE(about->isModal());

    // Another window in front, and the About window minimised behind it.
    trigger("mnuHelpManual");
    QPointer<app::frmManual> manual = only<app::frmManual>();
    ASSERT_TRUE(manual);
    ASSERT_TRUE(QTest::qWaitForWindowActive(manual));
    about->showMinimized();
    settle();

    trigger("mnuHelpAbout");
    settle();
    EXPECT_EQ(only<app::frmAbout>(), about.data());
    EXPECT_FALSE(about->isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(about));

    trigger("mnuHelpManual");
    settle();
    EXPECT_EQ(only<app::frmManual>(), manual.data());
    EXPECT_TRUE(QTest::qWaitForWindowActive(manual));
}

TEST_F(ShellTest, AboutShowsTheProgramsOwnVersionAndItsTexts)
{
    trigger("mnuHelpAbout");
    app::frmAbout* about = only<app::frmAbout>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Tarnwell");

    auto text = [&](const char* name) {
        auto* label = about->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    };
    EXPECT_EQ(text("lblVersion"), QStringLiteral("Version " TARNWELL_PROJECT_VERSION));
    EXPECT_EQ(text("lblTitle"), "Tarnwell - Vendor Library Import Application");
    EXPECT_EQ(text("lblDisclaimer"), "Quorvane Associates Inc.");
    EXPECT_EQ(text("lblDescription"), "");
    EXPECT_FALSE(about->findChild<QLabel*>(QStringLiteral("lblDescription"))->isVisibleTo(about));
    EXPECT_TRUE(labelTexts(*about).contains("For further assistance, please contact:"));

    auto* icon = about->findChild<QLabel*>(QStringLiteral("picIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull()) << "the program icon did not load from the resources";

    auto* ok = about->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
}

TEST_F(ShellTest, AllThreeWindowsCarryTheProgramIcon)
{
    trigger("mnuHelpAbout");
    trigger("mnuHelpManual");
    const QWidget* windows[] = {&window, only<app::frmAbout>(), only<app::frmManual>()};
    for (const QWidget* shown : windows) {
        ASSERT_NE(shown, nullptr);
        EXPECT_FALSE(shown->windowIcon().pixmap(32, 32).isNull())
            << shown->objectName().toStdString();
    }
}

TEST_F(ShellTest, OkEnterAndEscapeEachCloseAboutAndTheNextRequestMakesItAnew)
{
    const std::pair<const char*, std::function<void(app::frmAbout&)>> ways[] = {
        {"OK clicked",
         [](app::frmAbout& about) {
             QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdOK")),
                               Qt::LeftButton);
         }},
        {"Enter", [](app::frmAbout& about) { QTest::keyClick(&about, Qt::Key_Return); }},
        {"Escape", [](app::frmAbout& about) { QTest::keyClick(&about, Qt::Key_Escape); }},
    };
    for (const auto& [way, press] : ways) {
        SCOPED_TRACE(way);
        trigger("mnuHelpAbout");
        QPointer<app::frmAbout> about = only<app::frmAbout>();
        ASSERT_TRUE(about);
        press(*about);
        settle();
        EXPECT_FALSE(about) << "the About window was not destroyed";
        EXPECT_TRUE(open<app::frmAbout>().isEmpty());
    }

    trigger("mnuHelpAbout");
    EXPECT_EQ(only<app::frmAbout>()->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
              QStringLiteral("Version " TARNWELL_PROJECT_VERSION));
}

TEST_F(ShellTest, AboutRequestedWhileTheClosedOneAwaitsDeletionStillAppears)
{
    trigger("mnuHelpAbout");
    QPointer<app::frmAbout> closing = only<app::frmAbout>();
    ASSERT_TRUE(closing);
    closing->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();

    trigger("mnuHelpAbout");
    settle();
    EXPECT_FALSE(closing);
    app::frmAbout* reopened = only<app::frmAbout>();
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(reopened->isVisible());
}

TEST_F(ShellTest, ManualHasEveryHeadingAndNothingToOperate)
{
    trigger("mnuHelpManual");
    app::frmManual* manual = only<app::frmManual>();
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(manual->windowTitle(), "Tarnwell - Vendor Library Import Application");

    const QStringList texts = labelTexts(*manual);
    const char* headings[] = {
        "Tarnwell - Vendor Library Import Application",
        "Revision 3.0",
        "INSTALLATION INFORMATION",
        "SPI COMPATIBILITY INFORMATION",
        "This import utility is compatible with:",
        "Database Platforms",
        "Supported",
        "Not Supported",
        "EXECUTING AN IMPORT",
        "Important Note",
        "Recommendation",
        "Domain Connection",
        "User Interface",
        "What Can Be Imported",
        "USER SUPPORT",
    };
    for (const char* heading : headings)
        EXPECT_TRUE(texts.contains(QString::fromLatin1(heading))) << heading;

    // The junction box must be named exactly: a box named otherwise is not found.
    EXPECT_TRUE(texts.filter("\"KEL - DORVAN FF LIBRARY\"").isEmpty());
    EXPECT_FALSE(texts.filter("KEL - DORVAN FF LIBRARY").isEmpty());
    EXPECT_TRUE(texts.filter("KEL DORVAN").isEmpty());

    EXPECT_TRUE(manual->findChildren<QAbstractButton*>().isEmpty());
    EXPECT_TRUE(manual->findChildren<QLineEdit*>().isEmpty());
}

TEST_F(ShellTest, ManualReadsInTwoColumnsThatFitTheDefaultWidth)
{
    trigger("mnuHelpManual");
    app::frmManual* manual = only<app::frmManual>();
    ASSERT_NE(manual, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(manual));
    settle();

    auto* scroll = manual->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QWidget* page = scroll->widget();
    // Nothing may be cut off at the right: the page is no wider than what the window shows.
    EXPECT_LE(page->width(), scroll->viewport()->width());
    // The text is longer than the window; the whole of it can be scrolled to.
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);

    auto left = [&](const char* heading) {
        for (QLabel* label : page->findChildren<QLabel*>()) {
            if (label->text() == QLatin1String(heading))
                return label->mapTo(page, QPoint(0, 0)).x();
        }
        ADD_FAILURE() << heading;
        return -1;
    };
    const int half = page->width() / 2;
    EXPECT_LT(left("INSTALLATION INFORMATION"), half);
    EXPECT_LT(left("EXECUTING AN IMPORT"), half);
    EXPECT_GE(left("User Interface"), half);
    EXPECT_GE(left("USER SUPPORT"), half);
}

} // namespace
