// Check Import against the test server: it must leave every table exactly as it was, and say
// exactly what the import right after it then writes.

#include "app/core/MainController.h"

#include "app/FakeMainView.h"
#include "db/OdbcConnection.h"
#include "support/PackedProgram.h"
#include "support/QtPrinters.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>

using namespace tarnwell;
using tarnwell::testing::FakeMainView;
using tarnwell::testing::RecordingDialogs;
using tarnwell::testing::TestDatabase;

namespace {

using tarnwell::testing::ImportedTables;

class CheckImportTest : public ::testing::Test
{
protected:
    CheckImportTest()
        : controller(view, dialogs, connections, tarnwell::testing::PackedProgram::sample().path())
    {
        controller.Form_Load();
        controller.Form_Activate();
        view.typeLogin(database);
        view.mode = app::ImportMode::All;
    }

    // Every table of the schema, whole, as text.
    std::map<QString, QString> content()
    {
        std::map<QString, QString> tables;
        for (const QStringList& row :
             database.rows("SELECT tablename FROM pg_tables WHERE schemaname = 'public'")) {
            tables[row[0]] = database.value(
                "SELECT coalesce(string_agg(t::text, E'\\n' ORDER BY t::text), '') FROM " +
                tarnwell::testing::sqlIdentifier(row[0]) + " t");
        }
        return tables;
    }
    std::map<QString, int> counts()
    {
        std::map<QString, int> result;
        for (const QString& table : ImportedTables)
            result[table] = database.value("SELECT count(*) FROM " + table).toInt();
        return result;
    }
    QStringList shown() const { return tarnwell::testing::sessionMessages(controller.status()); }

    // Checks, proves nothing changed, imports, and compares what the check said with what the
    // import wrote.
    void expectTheCheckToForetellTheImport()
    {
        controller.cmdConnect_Click();
        const std::map<QString, QString> before = content();
        const std::map<QString, int> countsBefore = counts();
        const qsizetype linesBefore = controller.status().sessionLines().size();

        controller.cmdCheckImport_Click();
        EXPECT_EQ(content(), before) << "a check writes nothing";
        const QStringList checked = shown().mid(linesBefore);
        ASSERT_GE(checked.size(), ImportedTables.size() + 1);
        EXPECT_EQ(checked.last(), "Check only: nothing was written.");
        std::map<QString, int> foretold;
        const QStringList perTable =
            checked.mid(checked.size() - 1 - ImportedTables.size(), ImportedTables.size());
        static const QRegularExpression line(
            "^Check only: (\\w+) would receive (\\d+) new rows\\.$");
        for (int i = 0; i < ImportedTables.size(); ++i) {
            const QRegularExpressionMatch match = line.match(perTable[i]);
            ASSERT_TRUE(match.hasMatch()) << perTable[i].toStdString();
            EXPECT_EQ(match.captured(1), ImportedTables[i]) << "tables in their fixed order";
            foretold[match.captured(1)] = match.captured(2).toInt();
        }

        controller.cmdImport_Click();
        const QStringList imported = shown().mid(linesBefore + checked.size());
        std::map<QString, int> written;
        const std::map<QString, int> countsAfter = counts();
        for (const QString& table : ImportedTables)
            written[table] = countsAfter.at(table) - countsBefore.at(table);
        EXPECT_EQ(foretold, written);
        // The same failures with the same words, and the same honest end. Only the import
        // switches the triggers on right after a failed configuration; the check does once its
        // rollback is done.
        QStringList importedButTheTriggerLinesOfFailures = imported;
        for (qsizetype i = importedButTheTriggerLinesOfFailures.size() - 2; i > 0; --i) {
            if (importedButTheTriggerLinesOfFailures[i] ==
                    "Triggers on PANEL and UDF_PANEL are ENABLED." &&
                !importedButTheTriggerLinesOfFailures[i + 1].startsWith("Written whole:"))
                importedButTheTriggerLinesOfFailures.removeAt(i);
        }
        EXPECT_EQ(checked.mid(0, importedButTheTriggerLinesOfFailures.size()),
                  importedButTheTriggerLinesOfFailures);
        EXPECT_EQ(database.value("SELECT count(*) FROM pg_trigger WHERE tgenabled = 'D'"), "0");
    }

    TestDatabase database;
    FakeMainView view;
    RecordingDialogs dialogs;
    db::OdbcConnectionFactory connections;
    app::MainController controller;
};

TEST_F(CheckImportTest, ForetellsTheImportOfTheWholeLibrary)
{
    expectTheCheckToForetellTheImport();
    EXPECT_EQ(database.value("SELECT count(*) FROM panel_strip"), "7");
}

TEST_F(CheckImportTest, ForetellsTheFailuresOfALibraryWithFailingApparatuses)
{
    // Refused by what they are, so that the check and the import meet the same refusals.
    database.exec("ALTER TABLE term_mfr_mod ADD CONSTRAINT no_segment_protectors CHECK "
                  "(term_mod_name NOT LIKE 'KD-SP%')");
    expectTheCheckToForetellTheImport();
    EXPECT_EQ(database.value("SELECT count(*) FROM strip_config"), "5");
    EXPECT_FALSE(shown().filter("no_segment_protectors").isEmpty());
}

TEST_F(CheckImportTest, ForetellsASecondRunIntoADomainThatHoldsTheLibrary)
{
    controller.cmdConnect_Click();
    controller.cmdImport_Click();
    expectTheCheckToForetellTheImport();
    EXPECT_EQ(database.value("SELECT count(*) FROM strip_config"), "16");
    EXPECT_EQ(database.value("SELECT count(*) FROM panel"), "1") << "the box is found, not made";
}

} // namespace
