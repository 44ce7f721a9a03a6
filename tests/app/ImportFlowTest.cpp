// Connect, list and import through the window's logic against the test server, the way a user
// goes through the program, including ending it in the middle of a run.

#include "app/core/MainController.h"

#include "app/FakeMainView.h"
#include "db/OdbcConnection.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::testing::FakeMainView;
using tarnwell::testing::RecordingDialogs;
using tarnwell::testing::TestDatabase;

namespace {

class ImportFlowTest : public ::testing::Test
{
protected:
    ImportFlowTest()
        : controller(view, dialogs, connections, tarnwell::testing::PackedProgram::sample().path())
    {
        controller.Form_Load();
        controller.Form_Activate();
        view.typeLogin(database);
        controller.cmdConnect_Click();
    }

    QString lastMessage() const
    {
        return tarnwell::testing::withoutStamp(controller.status().lines().back());
    }
    int count(const QString& table)
    {
        return database.value("SELECT count(*) FROM " + table).toInt();
    }

    TestDatabase database;
    FakeMainView view;
    RecordingDialogs dialogs;
    db::OdbcConnectionFactory connections;
    app::MainController controller;
};

TEST_F(ImportFlowTest, ImportAllWritesTheWholeLibraryAndTheNextLoginSeesIt)
{
    ASSERT_EQ(view.lines.size(), 29);
    view.mode = app::ImportMode::All;
    std::vector<std::pair<bool, bool>> buttonsDuringRun;
    view.onStatusText = [&] {
        if (controller.isImporting())
            buttonsDuringRun.emplace_back(view.connectEnabled, view.importEnabled);
    };
    controller.cmdImport_Click();

    EXPECT_EQ(lastMessage(),
              "Finished importing 8 apparatus Configurations and 21 Reference apparatuses.");
    EXPECT_EQ(count("strip_config"), 8);
    EXPECT_EQ(count("panel_strip"), 7);
    EXPECT_EQ(count("channel"), 21);
    EXPECT_EQ(count("trigger_audit"), 0) << "the junction box was written with its triggers off";
    EXPECT_EQ(database.value(
                  "SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D'"),
              "0");

    ASSERT_FALSE(buttonsDuringRun.empty());
    for (const auto& [connect, import] : buttonsDuringRun)
        EXPECT_FALSE(connect || import) << "Connect and Import are disabled during a run";
    EXPECT_TRUE(view.connectEnabled);
    EXPECT_TRUE(view.importEnabled);
    ASSERT_FALSE(view.progress.empty());
    EXPECT_EQ(view.progress[view.progress.size() - 2], std::make_pair(29, 29));
    EXPECT_EQ(view.progress.back(), std::make_pair(0, 0)) << "the progress display is hidden again";

    // The list keeps what the login saw; a new login finds everything in the domain.
    EXPECT_EQ(view.lines.first().mid(48, 1), "N");
    controller.cmdConnect_Click();
    ASSERT_EQ(view.lines.size(), 29);
    for (const QString& line : view.lines)
        EXPECT_EQ(line.mid(48, 1), "Y") << line.toStdString();
}

TEST_F(ImportFlowTest, ImportsOnlyTheSelectedLines)
{
    view.mode = app::ImportMode::Selected;
    view.selected = {1, 8}; // the second configuration and the first reference line
    controller.cmdImport_Click();
    EXPECT_EQ(lastMessage(),
              "Finished importing 1 apparatus Configurations and 1 Reference apparatuses.");
    EXPECT_EQ(database.value("SELECT term_mod_name FROM strip_config c JOIN term_mfr_mod m ON "
                             "m.term_mod_id = c.term_mod_id"),
              view.lines[1].mid(16, 30).trimmed());
    EXPECT_EQ(count("panel_strip"), 1);

    view.mode = app::ImportMode::Selected;
    view.selected = {};
    controller.cmdImport_Click();
    EXPECT_EQ(lastMessage(), "No configurations or references imported at all.");
}

TEST_F(ImportFlowTest, EndingDuringARunKeepsOnlyWholeApparatusesAndTheTriggersOn)
{
    view.mode = app::ImportMode::All;
    int rounds = 0;
    view.onStatusText = [&] {
        // Ask to end while the third apparatus is being imported.
        if (controller.isImporting() && view.statusText.count("Importing ") == 3 && ++rounds == 1)
            controller.mnuFileExit_Click();
    };
    controller.cmdImport_Click();
    EXPECT_EQ(dialogs.endedWith, 0);
    EXPECT_EQ(count("strip_config"), 2);
    EXPECT_EQ(database.value("SELECT count(DISTINCT strip_config_id) FROM strip_config_term"), "2");
    EXPECT_EQ(database.value(
                  "SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D'"),
              "0");
    EXPECT_FALSE(controller.status().caption().contains("Finished importing"));
}

TEST_F(ImportFlowTest, ImportNeedsALoginOfItsOwn)
{
    view.pass = "wrong";
    controller.cmdConnect_Click();
    view.mode = app::ImportMode::All;
    controller.cmdImport_Click();
    EXPECT_EQ(lastMessage(), "Please connect and log into a domain before importing.");
    EXPECT_EQ(count("strip_config"), 0);
}

} // namespace
