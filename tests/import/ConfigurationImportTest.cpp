#include "import/configuration/ConfigurationImport.h"

#include "import/ImportFixture.h"
#include "import/Triggers.h"
#include "support/QtPrinters.h"

using namespace tarnwell;
using tarnwell::testing::TestDatabase;

using tarnwell::import::ApparatusOutcome;
using tarnwell::import::ConfigurationImport;
using tarnwell::import::ImportSteps;

namespace {

using Row = library::LibraryTable::Row;

class ConfigurationImportTest : public tarnwell::testing::DatabaseImportTest
{
protected:
    std::vector<Row> configurations()
    {
        std::vector<Row> rows;
        library::scanRows(sample().stripConfig, library::StripConfigWidth,
                          [&](const Row& row, int) {
                              rows.push_back(row);
                              return true;
                          });
        return rows;
    }

    std::vector<Row> terminalsOf(const QString& configKey)
    {
        std::vector<Row> rows;
        library::scanRows(sample().stripConfigTerm, library::StripConfigTermWidth,
                          [&](const Row& row, int) {
                              if (row[0] == configKey)
                                  rows.push_back(row);
                              return true;
                          });
        return rows;
    }

    // The colour value the library gives a colour key.
    QString colourValue(const QString& key)
    {
        QString value;
        library::scanRows(sample().terminalColors, library::TerminalColorWidth,
                          [&](const Row& row, int) {
                              if (row[0] == key)
                                  value = row[2];
                              return true;
                          });
        return value;
    }

    ApparatusOutcome importConfiguration(int index)
    {
        ConfigurationImport configurations(steps);
        return configurations.ImportConfiguration(1 + index * library::StripConfigWidth);
    }
};

// Dates come back as yyyy-MM-dd; the library writes dd-Mon-yy.
QString isoDate(const QString& libraryDate)
{
    return QLocale::c().toDate(libraryDate, "dd-MMM-yy").addYears(100).toString("yyyy-MM-dd");
}

TEST_F(ConfigurationImportTest, WritesEveryConfigurationWithItsCatalogueAndTerminals)
{
    const std::vector<Row> rows = configurations();
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(importConfiguration(static_cast<int>(i)), ApparatusOutcome::Written)
            << messages().join('\n').toStdString();
    EXPECT_TRUE(messages().isEmpty());

    const auto written = testDatabase.rows(
        "SELECT c.strip_config_id, c.proj_id, c.site_id, c.chg_num, c.chg_status, c.chg_date, "
        "c.user_name, c.strip_config_name, c.strip_config_desc, c.strip_name_default, "
        "c.term_count, "
        "c.first_term, c.first_chn_no, c.term_in_chn, m.term_mfr_name, d.term_mod_name, "
        "c.hardware_count, c.config_type, c.strip_category, c.terminator_flg, c.prefix, c.numbered "
        "FROM strip_config c JOIN term_mfr m ON m.term_mfr_id = c.term_mfr_id "
        "JOIN term_mfr_mod d ON d.term_mod_id = c.term_mod_id AND d.term_mfr_id = c.term_mfr_id "
        "ORDER BY c.strip_config_id");
    ASSERT_EQ(written.size(), static_cast<qsizetype>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& p = rows[i];
        const QStringList expected = {QString::number(i + 1),
                                      "11",
                                      "1",
                                      "0",
                                      p[4],
                                      isoDate(p[5]),
                                      (p[6] + QString(34, ' ')).left(30),
                                      p[7],
                                      p[8],
                                      p[9],
                                      p[10],
                                      p[11],
                                      p[12],
                                      p[13],
                                      p[22],
                                      p[23],
                                      p[16],
                                      p[17],
                                      p[18],
                                      p[19],
                                      TestDatabase::Null,
                                      p[21]};
        EXPECT_EQ(written[static_cast<qsizetype>(i)], expected) << "configuration " << i + 1;
    }

    // One new manufacturer and one model per configuration, stamped with the importing domain.
    EXPECT_EQ(
        testDatabase.rows("SELECT term_mfr_id, proj_id, site_id, chg_num, plant_id, unit_id, "
                          "chg_status, user_name, chg_date, term_mfr_desc, term_mfr_name, area_id "
                          "FROM term_mfr WHERE term_mfr_name = 'KEL-DORVAN'"),
        QList<QStringList>({{"3", "11", "1", "0", "3", "5", "W", rows[0][32], isoDate(rows[0][33]),
                             rows[0][31], "KEL-DORVAN", "4"}}));
    const auto model = testDatabase.rows(
        "SELECT term_mfr_id, proj_id, site_id, chg_num, plant_id, unit_id, chg_status, user_name, "
        "chg_date, term_height, height_uom_id, term_width, width_uom_id, term_depth, depth_uom_id, "
        "term_mod_desc, area_id FROM term_mfr_mod WHERE term_mod_name = " +
        tarnwell::testing::sqlLiteral(rows[0][23]));
    ASSERT_EQ(model.size(), 1);
    EXPECT_EQ(model[0].mid(0, 9),
              QStringList({"3", "11", "1", "0", "3", "5", "W", rows[0][34], isoDate(rows[0][35])}));
    for (int k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(model[0][9 + k].toDouble(), rows[0][24 + k].toDouble());
    EXPECT_EQ(model[0].mid(15), QStringList({rows[0][30], "4"}));

    // Terminals: every row of each configuration, in library order, blanks for empty affixes
    // and colours resolved through their values (existing colours reused under their own names).
    int terminalCount = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::vector<Row> terminals = terminalsOf(rows[i][0]);
        const auto stored = testDatabase.rows(
            "SELECT t.proj_id, t.site_id, t.chg_num, t.chg_status, t.chg_date, t.user_name, "
            "t.term_cfg_prefix, t.term_cfg_suffix, t.incremented_flg, t.numbered_flg, "
            "l.term_color_value, r.term_color_value, t.term_hw_flg, t.channel_left, "
            "t.channel_right, t.func_left, t.func_right, t.polarity_left, t.polarity_right, "
            "t.term_num FROM strip_config_term t "
            "JOIN term_color l ON l.term_color_id = t.term_color_left_id "
            "JOIN term_color r ON r.term_color_id = t.term_color_right_id "
            "WHERE t.strip_config_id = " +
            QString::number(i + 1) + " ORDER BY t.strip_config_term_id");
        ASSERT_EQ(stored.size(), static_cast<qsizetype>(terminals.size()))
            << "configuration " << i + 1;
        for (std::size_t k = 0; k < terminals.size(); ++k) {
            const Row& t = terminals[k];
            const QStringList expected = {"11",
                                          "1",
                                          t[4],
                                          t[5],
                                          isoDate(t[6]),
                                          t[7],
                                          t[8].isEmpty() ? " " : t[8],
                                          t[9].isEmpty() ? " " : t[9],
                                          t[10],
                                          t[11],
                                          colourValue(t[12]),
                                          colourValue(t[13]),
                                          t[14],
                                          t[15],
                                          t[16],
                                          t[17],
                                          t[18],
                                          t[19],
                                          t[20],
                                          t[21]};
            EXPECT_EQ(stored[static_cast<qsizetype>(k)], expected)
                << "configuration " << i + 1 << " terminal " << k + 1;
        }
        terminalCount += static_cast<int>(terminals.size());
    }
    EXPECT_EQ(count("strip_config_term"), terminalCount);
    EXPECT_EQ(testDatabase.value("SELECT min(strip_config_term_id) FROM strip_config_term"), "1");

    // The seed's grey (8421504) and blue (255) are reused under their own names; the other
    // colours used are created once each.
    EXPECT_EQ(
        testDatabase.value("SELECT term_color_id FROM term_color WHERE term_color_value = 8421504"),
        "1");
    EXPECT_EQ(
        testDatabase.value("SELECT term_color_name FROM term_color WHERE term_color_value = 255"),
        "Blue");
    EXPECT_EQ(testDatabase.value("SELECT count(*) FROM term_color GROUP BY term_color_value "
                                 "ORDER BY count(*) DESC LIMIT 1"),
              "1");
}

TEST_F(ConfigurationImportTest, Release7WritesThePrefixAndBlanksTheDisabledMarker)
{
    database.setRelease(db::Release(QStringLiteral("07.00.05.06")));
    const std::vector<Row> rows = configurations();
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(importConfiguration(static_cast<int>(i)), ApparatusOutcome::Written);
    const auto prefixes =
        testDatabase.rows("SELECT prefix FROM strip_config ORDER BY strip_config_id");
    bool sawMarker = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool marker = rows[i][20] == "disabled-strip_config.prefix";
        sawMarker = sawMarker || marker;
        EXPECT_EQ(prefixes[static_cast<qsizetype>(i)][0], marker ? QString() : rows[i][20]);
    }
    EXPECT_TRUE(sawMarker) << "the sample library should carry the disabled prefix marker";
}

TEST_F(ConfigurationImportTest, SecondImportWritesNewRowsAndReusesTheCatalogue)
{
    ASSERT_EQ(importConfiguration(0), ApparatusOutcome::Written);
    const int manufacturers = count("term_mfr");
    const int models = count("term_mfr_mod");
    const int colours = count("term_color");
    ASSERT_EQ(importConfiguration(0), ApparatusOutcome::Written);
    EXPECT_EQ(testDatabase.rows("SELECT strip_config_id FROM strip_config ORDER BY 1"),
              QList<QStringList>({{"1"}, {"2"}}));
    EXPECT_EQ(count("strip_config_term"),
              2 * static_cast<int>(terminalsOf(configurations()[0][0]).size()));
    EXPECT_EQ(count("term_mfr"), manufacturers);
    EXPECT_EQ(count("term_mfr_mod"), models);
    EXPECT_EQ(count("term_color"), colours);
}

// A refused insert anywhere leaves nothing of the configuration behind, reports the statement's
// message with the server's words, switches the triggers back on and lets the next one through.
TEST_F(ConfigurationImportTest, RefusedInsertLeavesNothingOfTheConfiguration)
{
    struct Case
    {
        QString table;
        int fromInsert;
        QString message;
    };
    const Case cases[] = {
        {"term_mfr", 1, "Didn't insert the new TERM_MFR. Database reports: "},
        {"term_mfr_mod", 1,
         "Didn't insert the new TERM_MFR_MOD for a Configuration properly. Database reports: "},
        {"strip_config", 1, "Didn't insert the CONFIGURATION properly. Database reports: "},
        {"term_color", 1,
         "Didn't insert the new TERM_COLOR for the LEFT terminal color. Database reports: "},
        {"term_color", 2,
         "Didn't insert the new TERM_COLOR for the RIGHT terminal color. Database reports: "},
        {"strip_config_term", 3,
         "Didn't insert the CONFIGURATION terminal properly. Database reports: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table.toStdString());
        TestDatabase fresh;
        auto freshConnection = fresh.connect();
        status::StatusLog log;
        db::Database freshDatabase(*freshConnection, db::Platform::SQLServer);
        freshDatabase.setRelease(db::Release(QStringLiteral("09.00.00.00")));
        ImportSteps freshSession(freshDatabase, log, sample(), domain);
        const QString before = fresh.value("SELECT count(*) FROM term_mfr") + "/" +
                               fresh.value("SELECT count(*) FROM term_color");

        tarnwell::import::DisableTriggers(freshDatabase, log);
        fresh.refuseInserts(c.table, c.fromInsert, "refused by the test");
        ConfigurationImport configurations(freshSession);
        EXPECT_EQ(configurations.ImportConfiguration(1), ApparatusOutcome::Failed);

        const QStringList shown = tarnwell::testing::statusMessages(log);
        EXPECT_TRUE(shown.contains(c.message)) << shown.join('\n').toStdString();
        EXPECT_TRUE(shown.join(' ').contains("refused by the test"));
        EXPECT_EQ(shown.last(), "Triggers on PANEL and UDF_PANEL are ENABLED.");
        EXPECT_EQ(fresh.value("SELECT count(*) FROM strip_config"), "0");
        EXPECT_EQ(fresh.value("SELECT count(*) FROM strip_config_term"), "0");
        EXPECT_EQ(fresh.value("SELECT count(*) FROM term_mfr") + "/" +
                      fresh.value("SELECT count(*) FROM term_color"),
                  before);
        EXPECT_EQ(fresh.value(
                      "SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D'"),
                  "0");

        // The connection is usable again: the next configuration goes through whole.
        fresh.exec("ALTER TABLE " + c.table + " DROP CONSTRAINT tarnwell_refuse_" + c.table);
        EXPECT_EQ(configurations.ImportConfiguration(1 + library::StripConfigWidth),
                  ApparatusOutcome::Written);
    }
}

} // namespace
