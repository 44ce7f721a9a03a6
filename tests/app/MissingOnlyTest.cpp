// "Import only what the domain lacks" against the test server: after an interrupted run it
// completes the domain without a duplicate, and a second time it writes nothing.

#include "app/core/MainController.h"

#include "app/FakeMainView.h"
#include "db/OdbcConnection.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>

using namespace tarnwell;
using tarnwell::testing::FakeMainView;
using tarnwell::testing::RecordingDialogs;
using tarnwell::testing::TestDatabase;

namespace {

using tarnwell::testing::ImportedTables;

// The window's logic logged into one test database's domain.
struct Session
{
    explicit Session(TestDatabase& database)
        : controller(view, dialogs, connections, tarnwell::testing::PackedProgram::sample().path())
    {
        controller.Form_Load();
        controller.Form_Activate();
        view.typeLogin(database);
        controller.cmdConnect_Click();
    }
    void import(app::ImportMode mode)
    {
        view.mode = mode;
        controller.cmdImport_Click();
    }
    QStringList shown() const { return tarnwell::testing::sessionMessages(controller.status()); }

    FakeMainView view;
    RecordingDialogs dialogs;
    db::OdbcConnectionFactory connections;
    app::MainController controller;
};

// A table's rows as text, every column but the identifiers the program allocates, sorted.
QStringList withoutIdentifiers(TestDatabase& database, const QString& table)
{
    const QString columns =
        database.value("SELECT string_agg(column_name, ', ' ORDER BY ordinal_position) FROM "
                       "information_schema.columns WHERE table_name = " +
                       tarnwell::testing::sqlLiteral(table) +
                       " AND column_name NOT LIKE '%\\_id' AND column_name <> 'panel_strip_seq'");
    QStringList rows;
    for (const QStringList& row : database.rows("SELECT " + columns + " FROM " + table))
        rows.append(row.join('|'));
    rows.sort();
    return rows;
}

TEST(MissingOnly, CompletesAnInterruptedRunWithoutDuplicatesAndThenWritesNothing)
{
    TestDatabase whole;
    {
        Session single(whole);
        single.import(app::ImportMode::All);
    }

    TestDatabase database;
    Session session(database);
    // The run is cut off wherever a segment protector's model is written.
    database.exec("ALTER TABLE term_mfr_mod ADD CONSTRAINT interrupted CHECK "
                  "(term_mod_name NOT LIKE 'KD-SP%')");
    session.import(app::ImportMode::All);
    ASSERT_LT(database.value("SELECT count(*) FROM strip_config").toInt(), 8);
    database.exec("ALTER TABLE term_mfr_mod DROP CONSTRAINT interrupted");

    session.controller.cmdConnect_Click();
    const qsizetype before = session.shown().size();
    session.import(app::ImportMode::Missing);
    const QStringList completing = session.shown().mid(before);
    for (const QString& table : ImportedTables)
        EXPECT_EQ(withoutIdentifiers(database, table), withoutIdentifiers(whole, table))
            << table.toStdString();
    EXPECT_FALSE(completing.filter("Already in the domain: ").isEmpty());
    EXPECT_TRUE(completing.filter("Database reports").isEmpty())
        << completing.join('\n').toStdString();

    const qsizetype second = session.shown().size();
    session.import(app::ImportMode::Missing);
    const QStringList nothing = session.shown().mid(second);
    EXPECT_EQ(nothing.filter(QRegularExpression("^Already in the domain: .")).size(), 29);
    EXPECT_TRUE(nothing.filter(QRegularExpression("^Importing ")).isEmpty());
    EXPECT_TRUE(nothing.contains(
        "Written whole: 0 apparatuses. Not written: 0. Already in the domain: 29."));
    EXPECT_EQ(nothing.last(), "No configurations or references imported at all.");
    for (const QString& table : ImportedTables)
        EXPECT_EQ(withoutIdentifiers(database, table), withoutIdentifiers(whole, table))
            << table.toStdString();
}

TEST(MissingOnly, AStripOfSeveralChannelsIsWrittenOnce)
{
    TestDatabase database;
    Session session(database);
    session.import(app::ImportMode::Missing);
    EXPECT_EQ(database.value("SELECT count(*) FROM panel_strip"), "7");
    EXPECT_EQ(database.value("SELECT count(*) FROM channel"), "21");
    EXPECT_EQ(database.value("SELECT count(*) FROM strip_config"), "8");
    const QStringList shown = session.shown();
    // The later channel lines of a strip find the strip its first line wrote.
    EXPECT_EQ(shown.filter(QRegularExpression("^Already in the domain: .")).size(), 21 - 7);
    EXPECT_TRUE(shown.contains("Written whole: 15 apparatuses. Not written: 0. Already in the "
                               "domain: 14."));
    EXPECT_EQ(shown.last(),
              "Finished importing 8 apparatus Configurations and 7 Reference apparatuses.");
}

// A line whose domain cannot be asked again is not imported, since the mode promises never to
// write a line twice: it is reported with the database's words, counted and named among the
// lines not written, and the next run finishes the job.
TEST(MissingOnly, ALineThatCannotBeAskedAgainIsNotImportedButNamed)
{
    TestDatabase database;
    Session session(database);
    database.exec("ALTER TABLE channel RENAME TO channel_elsewhere");
    session.import(app::ImportMode::Missing);
    const QStringList shown = session.shown();
    EXPECT_TRUE(shown.filter("Importing reference:").isEmpty()) << shown.join('\n').toStdString();
    EXPECT_EQ(shown.count("The query to check if a REFERENCE strip is in SPI already failed. "
                          "Database reports: "),
              21);
    EXPECT_EQ(shown.count("ERROR: relation \"channel\" does not exist"), 21);
    EXPECT_TRUE(shown.contains("Written whole: 8 apparatuses. Not written: 21. Already in the "
                               "domain: 0."))
        << shown.join('\n').toStdString();
    ASSERT_EQ(session.dialogs.messages.size(), 1u);
    const QString box = session.dialogs.messages[0].text;
    EXPECT_TRUE(box.startsWith("These apparatuses were not written:\n\nKD-FB6 Spur Ex ia\n"))
        << box.toStdString();
    EXPECT_TRUE(box.endsWith("\nand 1 more")) << box.toStdString();
    EXPECT_EQ(database.value("SELECT count(*) FROM panel_strip"), "0");

    database.exec("ALTER TABLE channel_elsewhere RENAME TO channel");
    session.import(app::ImportMode::Missing);
    EXPECT_EQ(database.value("SELECT count(*) FROM strip_config"), "8");
    EXPECT_EQ(database.value("SELECT count(*) FROM panel_strip"), "7");
    EXPECT_EQ(database.value("SELECT count(*) FROM channel"), "21");
}

} // namespace
