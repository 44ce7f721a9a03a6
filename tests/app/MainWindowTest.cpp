// The real main window on the offscreen platform: its controls as the user first sees them, and
// the start-up read of the library appended to the program.

#include "app/frmMain.h"

#include "app/FakeMainView.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/StatusMessages.h"
#include "support/WaitForIdle.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::testing::PackedProgram;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    std::unique_ptr<app::frmMain> open(const QString& programPath)
    {
        auto window = std::make_unique<app::frmMain>(connections, dialogs, programPath);
        window->controller().status().setClock([] { return QTime(8, 0, 0); });
        return window;
    }

    // Activates the window and lets it read its library.
    static void activate(app::frmMain& window)
    {
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activation);
        tarnwell::testing::waitUntilIdle(window.controller());
    }

    template <typename Widget> static Widget* child(QWidget& window, const char* name)
    {
        auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static QStringList messages(app::frmMain& window)
    {
        return tarnwell::testing::statusMessages(window.controller().status());
    }

    tarnwell::testing::RecordingConnectionFactory connections;
    tarnwell::testing::RecordingDialogs dialogs;
};

TEST_F(MainWindowTest, OpensWithStepOneOnlyAndNothingChosen)
{
    PackedProgram program;
    auto window = open(program.path());
    EXPECT_EQ(window->windowTitle(), "Tarnwell - Vendor Library Import Application");
    EXPECT_EQ(messages(*window), QStringList({"Program opens."}));
    EXPECT_TRUE(child<QGroupBox>(*window, "fraImport")->isHidden());
    EXPECT_TRUE(child<QPushButton>(*window, "cmdImport")->isHidden());
    EXPECT_TRUE(child<QLabel>(*window, "lblDomain")->isHidden());
    EXPECT_TRUE(child<QRadioButton>(*window, "optSQLServer2005")->isHidden());
    EXPECT_TRUE(child<QRadioButton>(*window, "optWatcom")->isHidden());
    for (const char* option : {"optOracle", "optSQLServer", "optAll", "optSelected", "optMissing"})
        EXPECT_FALSE(child<QRadioButton>(*window, option)->isChecked()) << option;
    EXPECT_EQ(child<QLineEdit>(*window, "txtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(child<QPushButton>(*window, "cmdConnect")->autoDefault());
    // Not before the library is read, whenever the window manager activates the window.
    EXPECT_FALSE(child<QPushButton>(*window, "cmdConnect")->isEnabled());
    EXPECT_EQ(child<QPushButton>(*window, "cmdConnect")->text(), "Please Wait");
    EXPECT_TRUE(child<QPushButton>(*window, "cmdImport")->autoDefault());
    EXPECT_EQ(child<QLabel>(*window, "lblStatus")->textInteractionFlags() &
                  Qt::TextSelectableByMouse,
              Qt::TextSelectableByMouse);

    // Tab order: the platform options, the four boxes, then Connect.
    QStringList order;
    QWidget* widget = child<QRadioButton>(*window, "optOracle");
    for (int i = 0; i < 7; ++i, widget = widget->nextInFocusChain()) {
        while (widget->focusPolicy() == Qt::NoFocus)
            widget = widget->nextInFocusChain();
        order.append(widget->objectName());
    }
    EXPECT_EQ(order, QStringList({"optOracle", "optSQLServer", "txtServerName", "txtDataSource",
                                  "txtUserID", "txtPassword", "cmdConnect"}));
}

TEST_F(MainWindowTest, FirstActivationReadsTheLibraryOnce)
{
    PackedProgram program;
    auto window = open(program.path());
    activate(*window);
    EXPECT_EQ(messages(*window),
              QStringList({"Program opens.", "Reading ExportVersion", "Reading Channel",
                           "Reading PanelStrip", "Reading PanelStripTerm", "Reading StripConfig",
                           "Reading StripConfigTerm", "Reading TerminalColors",
                           "Done reading -- Please connect"}));
    auto* connect = child<QPushButton>(*window, "cmdConnect");
    EXPECT_TRUE(connect->isEnabled());
    EXPECT_EQ(connect->text(), "Connect");
    EXPECT_EQ(window->controller().library().stripConfig.Count(), 8 * 36);

    activate(*window);
    EXPECT_EQ(messages(*window).size(), 9);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, NothingTheStatusDisplayShowsWidensTheWindow)
{
    PackedProgram program;
    auto window = open(program.path());
    window->show();
    activate(*window);
    QApplication::processEvents();
    const int width = window->width();
    auto* status = child<QLabel>(*window, "lblStatus");

    // A 3,000-character server name that the driver repeats in its refusal.
    const QString server(3000, 'S');
    child<QRadioButton>(*window, "optSQLServer")->setChecked(true);
    child<QLineEdit>(*window, "txtServerName")->setText(server);
    connections.next().openFailure = "Unable to connect to " + server;
    window->cmdConnect_Click();
    tarnwell::testing::waitUntilIdle(window->controller());
    EXPECT_EQ(window->width(), width);
    EXPECT_TRUE(status->text().contains(server.left(200)));
    EXPECT_TRUE(status->toolTip().contains(server.left(200)));

    window->controller().status().ShowStatus(QString(500, 'x'));
    QApplication::processEvents();
    EXPECT_EQ(window->width(), width);
    EXPECT_TRUE(status->text().endsWith(QString(500, 'x')));
    EXPECT_LE(window->minimumSizeHint().width(), width);
}

TEST_F(MainWindowTest, OtherExportVersionsAreRefusedByName)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"2.5\r\n", "You must use version 2.5 of the Import utility with these files!"},
        {"3.00", "You must use version 3.00 of the Import utility with these files!"},
        {"", "You must use version  of the Import utility with these files!"},
    };
    for (const auto& [version, text] : cases) {
        dialogs = {};
        PackedProgram program(
            std::map<QString, QByteArray>{{"ExportVersion", version}, {"StripConfig", "a,b"}});
        auto window = open(program.path());
        activate(*window);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, text);
        EXPECT_EQ(dialogs.messages[0].title, "Incorrect Version");
        EXPECT_EQ(dialogs.messages[0].icon, app::MessageIcon::Critical);
        EXPECT_EQ(dialogs.endedWith, 1);
        EXPECT_FALSE(child<QPushButton>(*window, "cmdConnect")->isEnabled());
        EXPECT_FALSE(messages(*window).contains("Done reading -- Please connect"));
    }

    dialogs = {};
    PackedProgram accepted(std::map<QString, QByteArray>{{"ExportVersion", " 3.0 \r\n2.5"}});
    auto window = open(accepted.path());
    activate(*window);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, ProgramWithoutLibraryEndsWithAClearMessage)
{
    PackedProgram program;
    auto window = open(program.unpackedPath());
    activate(*window);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(
        dialogs.messages[0].text.startsWith("Error: Data is not available. Please obtain a new ") ||
        dialogs.messages[0].text.startsWith("Could not read "))
        << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.messages[0].title, "Tarnwell - Vendor Import Applicatio");
    EXPECT_EQ(dialogs.endedWith, 1);
}

} // namespace
