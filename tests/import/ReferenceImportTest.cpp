#include "import/reference/ReferenceImport.h"
#include "db/Sql.h"

#include "import/ImportFixture.h"
#include "support/LibraryRows.h"
#include "support/QtPrinters.h"
#include "support/SampleLibrary.h"

#include <QDate>

#include <map>

using namespace tarnwell;
using tarnwell::import::ApparatusOutcome;
using tarnwell::import::ImportSteps;
using tarnwell::import::ReferenceImport;
using tarnwell::testing::changedLibrary;
using tarnwell::testing::TestDatabase;

namespace {

using Row = library::LibraryTable::Row;

// Where a Channel line of the library starts (lines counted from 1).
int channelLine(int line)
{
    return 1 + (line - 1) * library::ChannelWidth;
}

std::vector<Row> rowsOf(const library::LibraryTable& table, int width)
{
    std::vector<Row> rows;
    library::scanRows(table, width, [&](const Row& row, int) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

// Dates come back as yyyy-MM-dd; the library writes dd-Mon-yy.
QString isoDate(const QString& libraryDate)
{
    return QLocale::c().toDate(libraryDate, "dd-MMM-yy").addYears(100).toString("yyyy-MM-dd");
}

// What the import writes for a library value left empty: 0 for a number, one blank for a text
// that must not be empty.
QString zeroIfEmpty(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("0") : value;
}
QString blankIfEmpty(const QString& value)
{
    return value.isEmpty() ? QStringLiteral(" ") : value;
}

// Numbers as the server gives them back: "112.2" and "112.20" are the same dimension.
void expectSameNumbers(const QStringList& stored, const QStringList& library, const char* what)
{
    ASSERT_EQ(stored.size(), library.size()) << what;
    for (qsizetype i = 0; i < stored.size(); ++i)
        EXPECT_DOUBLE_EQ(stored[i].toDouble(), zeroIfEmpty(library[i]).toDouble())
            << what << " " << i;
}

const QString NotAgain = " not written again: its strip was already imported in this run.";

class ReferenceImportTest : public tarnwell::testing::DatabaseImportTest
{
protected:
    ApparatusOutcome importLine(int line) { return references.ImportReference(channelLine(line)); }

    QString today() const { return QDate::currentDate().toString("yyyy-MM-dd"); }

    ReferenceImport references{steps};
};

TEST_F(ReferenceImportTest, ImportingEveryLineWritesEachStripOnceWithItsChannelsAndTerminals)
{
    const std::vector<Row> strips = rowsOf(sample().panelStrip, library::PanelStripWidth);
    const std::vector<Row> channels = rowsOf(sample().channel, library::ChannelWidth);
    const std::vector<Row> terminals =
        rowsOf(sample().panelStripTerm, library::PanelStripTermWidth);
    ASSERT_EQ(strips.size(), 7u);
    ASSERT_EQ(channels.size(), 21u);

    // Every line, as "Import all" hands them over: the first line of a strip writes it, the
    // others say so and write nothing.
    std::set<QString> seen;
    for (std::size_t k = 0; k < channels.size(); ++k) {
        const auto before = status.lines();
        ASSERT_EQ(importLine(static_cast<int>(k) + 1), ApparatusOutcome::Written)
            << messages().join('\n').toStdString();
        if (seen.insert(channels[k][1]).second)
            EXPECT_EQ(status.lines(), before) << "line " << k + 1;
        else
            EXPECT_EQ(messages().last(), "Reference " + channels[k][52] + NotAgain)
                << "line " << k + 1;
    }

    // The library junction box, created once with both of its rows.
    const QStringList box = {
        "1", "11", "1", "0", "3", "5",  "TARNWELL", "W",   today(), "KEL - DORVAN FF LIBRARY",
        "0", "0",  "0", "0", "0", "0",  "0",        "1",   "Y",     "6",
        "0", "0",  "0", "0", "4", "10", "10",       "110", "0",     "0",
        "0", "0",  "F", "0", "0", "0",  "0",        "0",   "0",     "0",
        "0", "0",  "0", "0", "0", "0",  "0",        "0",   "0",     "A",
        "0", "1",  "1", "B"};
    ASSERT_EQ(box.size(), 54);
    EXPECT_EQ(testDatabase.rows(
                  "SELECT panel_id, proj_id, site_id, chg_num, plant_id, unit_id, user_name, "
                  "chg_status, chg_date, panel_name, panel_mfr_id, panel_mod_id, panel_type_id, "
                  "power_uom_id, resist_uom_id, induct_uom_id, capac_uom_id, panel_category_id, "
                  "def_flg, panel_category_seq, panel_loc_id, wire_group_id, parent_id, dwg_id, "
                  "area_id, eng_proj_id, eng_ref_id, panel_sub_category, comply_with_nc_flg, "
                  "rev_id, tc_line_number_id, area_class_id, is_cert, frequency_id, "
                  "number_of_phases_id, operating_mode_id, rated_voltage_id, max_volt, "
                  "max_current, max_power, resist, induct, capacity, ind_rest_ratio, "
                  "max_load_uom_id, act_load_uom_id, tc_net_cls_id, tc_sub_sys_id, "
                  "related_voltage_id, power_supply_type_flag, cmpnt_critical_id, "
                  "first_rack_pos_num, cabinet_type, connection_flg FROM panel"),
              QList<QStringList>({box}));
    EXPECT_EQ(testDatabase.rows("SELECT panel_id, proj_id, site_id, chg_num, plant_id, area_id, "
                                "unit_id, chg_status, user_name, chg_date, eng_proj_id, eng_ref_id "
                                "FROM udf_panel"),
              QList<QStringList>(
                  {{"1", "11", "1", "0", "3", "4", "5", "W", "TARNWELL", today(), "10", "10"}}));

    // Strip catalogue: the seed's rows, then one row per new name in strip order. Strip 4 has
    // no manufacturer (its model hangs under 0), strip 3 no model.
    const Row& first = strips[0];
    const Row& surge = strips[6];
    EXPECT_EQ(testDatabase.rows("SELECT strip_mfr_id, proj_id, site_id, chg_num, plant_id, "
                                "area_id, unit_id, chg_status, user_name, chg_date, "
                                "strip_mfr_name, strip_mfr_desc FROM strip_mfr "
                                "WHERE proj_id = 11 ORDER BY 1"),
              QList<QStringList>({{"2", "11", "1", "0", "3", "4", "5", "W", first[88],
                                   isoDate(first[89]), first[74], first[87]},
                                  {"3", "11", "1", "0", "3", "4", "5", "W", surge[88],
                                   isoDate(surge[89]), surge[74], surge[87]}}));
    const QStringList mfrOfStrip = {"2", "2", "2", "0", "2", "2", "3"};
    const QStringList modOfStrip = {"2", "3", "0", "4", "5", "6", "7"};
    const QStringList typeOfStrip = {"2", "2", "3", "4", "5", "6", "7"};
    const auto models = testDatabase.rows(
        "SELECT strip_mod_id, strip_mfr_id, proj_id, site_id, chg_num, plant_id, area_id, "
        "unit_id, chg_status, user_name, chg_date, strip_mod_name, strip_mod_desc, strip_mnt, "
        "strip_height, height_uom_id, strip_width, width_uom_id, strip_depth, depth_uom_id, "
        "strip_rail_size, rail_uom_id FROM strip_mfr_mod WHERE proj_id = 11 ORDER BY 1");
    ASSERT_EQ(models.size(), 6);
    for (std::size_t s = 0, m = 0; s < strips.size(); ++s) {
        const Row& p = strips[s];
        if (p[76].isEmpty())
            continue;
        SCOPED_TRACE(p[76].toStdString());
        const QStringList& stored = models[static_cast<qsizetype>(m++)];
        EXPECT_EQ(stored.mid(0, 14), QStringList({modOfStrip[s], mfrOfStrip[s], "11", "1", "0", "3",
                                                  "4", "5", "W", p[90], isoDate(p[91]), p[76],
                                                  blankIfEmpty(p[77]), blankIfEmpty(p[78])}));
        expectSameNumbers(stored.mid(14), p.mid(79, 8), "dimensions");
    }
    QList<QStringList> types;
    for (const Row& p : {strips[0], strips[2], strips[3], strips[4], strips[5], strips[6]})
        types.append({"11", "1", "0", "3", "4", "5", "W", p[92], isoDate(p[93]), p[75], " "});
    EXPECT_EQ(testDatabase.rows("SELECT proj_id, site_id, chg_num, plant_id, area_id, unit_id, "
                                "chg_status, user_name, chg_date, strip_type_name, "
                                "strip_type_desc FROM strip_type WHERE proj_id = 11 ORDER BY "
                                "strip_type_id"),
              types);

    // The strips, in the box, with the next sequence each.
    const auto stored = testDatabase.rows(
        "SELECT panel_id, strip_id, proj_id, site_id, chg_num, plant_id, user_name, chg_status, "
        "chg_date, strip_mfr_id, strip_mod_id, strip_type_id, def_flg, rack_id, "
        "cmpnt_sys_io_type_id, position, strip_category, controller_id, appar_id, channel_id, "
        "panel_strip_seq, remote_panel_id, sec_remote_panel_id, sec_rack_id, sec_position, "
        "sec_double_flg, eng_proj_id, eng_ref_id, strip_name, double_flag, remote_flg, "
        "redundant_flg, sec_remote_sys_cable, area_id, unit_id, mounting, dimensions, rail "
        "FROM panel_strip ORDER BY strip_id");
    ASSERT_EQ(stored.size(), 7);
    for (std::size_t s = 0; s < strips.size(); ++s) {
        const Row& p = strips[s];
        const QString n = QString::number(s + 1);
        EXPECT_EQ(stored[static_cast<qsizetype>(s)], QStringList({"1",
                                                                  n,
                                                                  "11",
                                                                  "1",
                                                                  p[4],
                                                                  "3",
                                                                  p[6],
                                                                  "W",
                                                                  isoDate(p[8]),
                                                                  mfrOfStrip[s],
                                                                  modOfStrip[s],
                                                                  typeOfStrip[s],
                                                                  "Y",
                                                                  "0",
                                                                  "0",
                                                                  "0",
                                                                  p[55],
                                                                  "0",
                                                                  "0",
                                                                  "0",
                                                                  n,
                                                                  "0",
                                                                  "0",
                                                                  "0",
                                                                  "-1",
                                                                  "0",
                                                                  "10",
                                                                  "10",
                                                                  p[12],
                                                                  "0",
                                                                  "0",
                                                                  "0",
                                                                  "0",
                                                                  "4",
                                                                  "5",
                                                                  p[14],
                                                                  p[13],
                                                                  p[57]}))
            << "strip " << s + 1;
    }

    // Channels, in library order, with their terminal catalogue entries and the long form.
    const auto storedChannels = testDatabase.rows(
        "SELECT c.panel_id, c.strip_id, c.channel_id, c.channel_name, c.proj_id, c.site_id, "
        "c.chg_num, c.user_name, c.chg_status, c.chg_date, c.plant_id, c.def_flg, "
        "c.signal_type_id, c.primary_appar_id, c.secondary_appar_id, c.area_id, c.unit_id, "
        "c.eng_proj_id, c.eng_ref_id, c.channel_category, c.appar_id, m.term_mfr_name, "
        "d.term_mod_name, c.channel_seq, c.channel_desc, c.terminator_flg, c.channel_side, "
        "c.connector_id FROM channel c JOIN term_mfr m ON m.term_mfr_id = c.term_mfr_id "
        "JOIN term_mfr_mod d ON d.term_mod_id = c.term_mod_id AND d.term_mfr_id = c.term_mfr_id "
        "ORDER BY c.channel_id");
    ASSERT_EQ(storedChannels.size(), 21);
    std::map<QString, std::pair<QString, Row>> channelByKey; // key -> (channel_id, row)
    for (std::size_t k = 0; k < channels.size(); ++k) {
        const Row& c = channels[k];
        const QString id = QString::number(k + 1);
        channelByKey[c[2]] = {id, c};
        EXPECT_EQ(storedChannels[static_cast<qsizetype>(k)],
                  QStringList({"1",
                               QString::number(c[1].toInt() - 5000),
                               id,
                               c[3],
                               "11",
                               "1",
                               c[6],
                               c[7],
                               c[8],
                               isoDate(c[9]),
                               "3",
                               "Y",
                               zeroIfEmpty(c[48]),
                               c[49],
                               c[50],
                               "4",
                               "5",
                               c[14],
                               c[15],
                               c[34],
                               c[35],
                               c[51],
                               c[52],
                               c[37],
                               c[36],
                               c[42],
                               c[61],
                               c[62]}))
            << "channel line " << k + 1;
    }

    // Terminals: reshaped number and secondary name, colours resolved through their values,
    // the library's own area, plant and unit.
    std::map<QString, QString> colourValue;
    for (const Row& colour : rowsOf(sample().terminalColors, library::TerminalColorWidth))
        colourValue[colour[0]] = colour[2];
    const auto storedTerminals = testDatabase.rows(
        "SELECT t.panel_id, t.strip_id, t.proj_id, t.site_id, t.chg_num, t.user_name, "
        "t.chg_status, t.chg_date, t.term_seq, t.term_num, t.term_type_id, m.term_mfr_name, "
        "d.term_mod_name, l.term_color_value, t.def_flg, t.channel_id, t.term_split_flg, "
        "t.term_sec_name, t.term_hw_flg, r.term_color_value, t.port_right_id, t.port_left_id, "
        "t.pin_right_id, t.pin_left_id, t.polarity_right, t.polarity_left, t.func_left, "
        "t.func_right, t.term_source_id, t.area_id, t.plant_id, t.unit_id, t.hw_pos_id, "
        "t.eng_proj_id, t.eng_ref_id FROM panel_strip_term t "
        "JOIN term_mfr m ON m.term_mfr_id = t.term_mfr_id "
        "JOIN term_mfr_mod d ON d.term_mod_id = t.term_mod_id "
        "JOIN term_color l ON l.term_color_id = t.term_color_id "
        "JOIN term_color r ON r.term_color_id = t.term_color_right_id ORDER BY t.term_id");
    ASSERT_EQ(storedTerminals.size(), 60);
    for (std::size_t k = 0; k < terminals.size(); ++k) {
        const Row& t = terminals[k];
        const auto& [channelId, c] = channelByKey.at(t[20]);
        const QString number =
            t[44] == "R" ? (QString(6, ' ') + t[10]).left(10).leftJustified(10) : t[10];
        EXPECT_EQ(storedTerminals[static_cast<qsizetype>(k)],
                  QStringList({"1",   QString::number(c[1].toInt() - 5000),
                               "11",  "1",
                               "0",   t[6],
                               "W",   isoDate(t[8]),
                               t[9],  number,
                               "0",   c[51],
                               c[52], colourValue.at(t[14]),
                               "Y",   channelId,
                               t[21], t[22].left(10).leftJustified(10),
                               t[44], colourValue.at(t[45]),
                               t[49], t[50],
                               t[51], t[52],
                               t[53], t[54],
                               t[55], t[56],
                               t[61], t[15],
                               t[16], t[17],
                               t[43], t[47],
                               t[48]}))
            << "terminal line " << k + 1;
    }
    // The reshaping as the data/README lines describe it.
    EXPECT_EQ(testDatabase.rows("SELECT term_num, term_sec_name FROM panel_strip_term "
                                "WHERE term_id IN (1, 2, 3, 21, 22, 28, 38, 40) ORDER BY term_id"),
              QList<QStringList>({{"      1   ", "S1        "},
                                  {"      2   ", "          "},
                                  {"      S   ", "TRUNK-SHIE"},
                                  {"      SP8S", "S8S       "},
                                  {"PWR-1+", "VIN+      "},
                                  {"ALM-12", "COMMON-ALA"},
                                  {"TA+", "TA+       "},
                                  {"TAS", "          "}}));

    // Terminal catalogue: the two makers, once each; every model once under its maker, an
    // empty dimension as 0; colours once per value, the seed's reused under their names.
    EXPECT_EQ(
        testDatabase.rows("SELECT term_mfr_name, proj_id, site_id, chg_num, plant_id, "
                          "area_id, unit_id, chg_status, user_name, chg_date, term_mfr_desc "
                          "FROM term_mfr WHERE proj_id = 11 ORDER BY term_mfr_id"),
        QList<QStringList>({{channels[0][51], "11", "1", "0", "3", "4", "5", "W", channels[0][63],
                             isoDate(channels[0][64]), channels[0][60]},
                            {channels[18][51], "11", "1", "0", "3", "4", "5", "W", channels[18][63],
                             isoDate(channels[18][64]), channels[18][60]}}));
    std::set<QString> modelNames;
    for (const Row& c : channels)
        modelNames.insert(c[51] + "/" + c[52]);
    EXPECT_EQ(testDatabase.value("SELECT count(*) FROM term_mfr_mod WHERE proj_id = 11"),
              QString::number(modelNames.size()));
    const auto terminator = testDatabase.rows(
        "SELECT chg_status, user_name, chg_date, term_height, height_uom_id, term_width, "
        "width_uom_id, term_depth, depth_uom_id, term_mod_desc FROM term_mfr_mod "
        "WHERE term_mod_name = " +
        tarnwell::testing::sqlLiteral(channels[13][52]));
    ASSERT_EQ(terminator.size(), 1);
    EXPECT_EQ(terminator[0].mid(0, 3),
              QStringList({"W", channels[13][65], isoDate(channels[13][66])}));
    EXPECT_EQ(terminator[0].mid(3), QStringList({"0", "0", "0", "0", "0", "0", channels[13][59]}));
    EXPECT_EQ(count("term_color"), 9);
    EXPECT_EQ(testDatabase.value("SELECT count(DISTINCT term_color_value) FROM term_color"), "9");
    EXPECT_EQ(
        testDatabase.value("SELECT term_color_name FROM term_color WHERE term_color_value = 255"),
        "Blue");
}

TEST_F(ReferenceImportTest, Release7WritesChannelsWithoutSideAndConnector)
{
    database.setRelease(db::Release(QStringLiteral("07.00.05.06")));
    ASSERT_EQ(importLine(16), ApparatusOutcome::Written) << messages().join('\n').toStdString();
    EXPECT_EQ(testDatabase.rows("SELECT channel_name, channel_side, connector_id FROM channel "
                                "ORDER BY channel_id"),
              QList<QStringList>({{"SEG A", TestDatabase::Null, TestDatabase::Null},
                                  {"SEG B", TestDatabase::Null, TestDatabase::Null},
                                  {"DIAG", TestDatabase::Null, TestDatabase::Null}}));
    EXPECT_EQ(count("panel_strip_term"), 9);
}

TEST_F(ReferenceImportTest, BoxWithoutTheDefaultFlagIsNotFound)
{
    testDatabase.exec("INSERT INTO panel (panel_id, proj_id, site_id, panel_name, def_flg) "
                      "VALUES (40, 11, 1, 'KEL - DORVAN FF LIBRARY', 'N')");
    // Its strips still count for the sequence, which looks at every box of that name.
    testDatabase.exec(
        "INSERT INTO panel_strip (strip_id, panel_id, panel_strip_seq) VALUES (90, 40, 5)");
    ASSERT_EQ(importLine(1), ApparatusOutcome::Written) << messages().join('\n').toStdString();
    EXPECT_EQ(testDatabase.rows("SELECT panel_id, def_flg FROM panel ORDER BY 1"),
              QList<QStringList>({{"40", "N"}, {"41", "Y"}}));
    EXPECT_EQ(testDatabase.value("SELECT panel_id FROM udf_panel"), "41");
    EXPECT_EQ(testDatabase.rows("SELECT strip_id, panel_id, panel_strip_seq FROM panel_strip "
                                "WHERE strip_id <> 90"),
              QList<QStringList>({{"91", "41", "6"}}));
    EXPECT_EQ(testDatabase.value("SELECT DISTINCT panel_id FROM channel"), "41");
}

TEST_F(ReferenceImportTest, BoxOfAnotherDomainTakesTheStrips)
{
    testDatabase.exec("INSERT INTO panel (panel_id, proj_id, site_id, panel_name, def_flg) "
                      "VALUES (70, 12, 1, 'KEL - DORVAN FF LIBRARY', 'Y')");
    ASSERT_EQ(importLine(1), ApparatusOutcome::Written);
    ASSERT_EQ(importLine(4), ApparatusOutcome::Written);
    EXPECT_EQ(count("panel"), 1);
    EXPECT_EQ(count("udf_panel"), 0);
    EXPECT_EQ(testDatabase.rows("SELECT panel_id, proj_id, panel_strip_seq FROM panel_strip "
                                "ORDER BY strip_id"),
              QList<QStringList>({{"70", "11", "1"}, {"70", "11", "2"}}));
    EXPECT_EQ(testDatabase.value("SELECT count(*) FROM panel_strip_term WHERE panel_id = 70"),
              "21");
}

TEST_F(ReferenceImportTest, StripCatalogueOfAnotherDomainIsReused)
{
    const library::VendorLibrary lib =
        changedLibrary(tarnwell::testing::sampleLibrary(), &library::VendorLibrary::panelStrip,
                       library::PanelStripWidth, 0,
                       {{74, "Ostrava Klemmen"}, {75, "Terminal strip"}, {76, "DIN-35"}});
    ImportSteps otherSession(database, status, lib, domain);
    ASSERT_EQ(ReferenceImport(otherSession).ImportReference(channelLine(1)),
              ApparatusOutcome::Written);
    EXPECT_EQ(
        testDatabase.rows("SELECT strip_mfr_id, strip_mod_id, strip_type_id FROM panel_strip"),
        QList<QStringList>({{"1", "1", "1"}}));
    EXPECT_EQ(count("strip_mfr") + count("strip_mfr_mod") + count("strip_type"), 3);
}

TEST_F(ReferenceImportTest, SameReferenceInTwoRunsWritesTwoStrips)
{
    ASSERT_EQ(importLine(2), ApparatusOutcome::Written);
    const QString catalogue = "SELECT (SELECT count(*) FROM strip_mfr), (SELECT count(*) FROM "
                              "strip_mfr_mod), (SELECT count(*) FROM strip_type), (SELECT "
                              "count(*) FROM term_mfr), (SELECT count(*) FROM term_mfr_mod), "
                              "(SELECT count(*) FROM term_color)";
    const auto before = testDatabase.rows(catalogue);

    ImportSteps nextRun(database, status, sample(), domain);
    ASSERT_EQ(ReferenceImport(nextRun).ImportReference(channelLine(2)), ApparatusOutcome::Written);
    EXPECT_EQ(testDatabase.rows("SELECT strip_id, panel_strip_seq, strip_name FROM panel_strip "
                                "ORDER BY 1"),
              QList<QStringList>({{"1", "1", "KD-SP4"}, {"2", "2", "KD-SP4"}}));
    EXPECT_EQ(testDatabase.rows("SELECT strip_id, count(*) FROM channel GROUP BY 1 ORDER BY 1"),
              QList<QStringList>({{"1", "3"}, {"2", "3"}}));
    EXPECT_EQ(
        testDatabase.rows("SELECT strip_id, count(*) FROM panel_strip_term GROUP BY 1 ORDER BY 1"),
        QList<QStringList>({{"1", "9"}, {"2", "9"}}));
    EXPECT_EQ(testDatabase.rows(catalogue), before);
    EXPECT_EQ(count("panel"), 1);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ReferenceImportTest, SameStripTwiceInOneRunIsWrittenOnce)
{
    ASSERT_EQ(importLine(2), ApparatusOutcome::Written);
    EXPECT_EQ(importLine(3), ApparatusOutcome::Written);
    EXPECT_EQ(importLine(1), ApparatusOutcome::Written);
    EXPECT_EQ(importLine(3), ApparatusOutcome::Written);
    EXPECT_EQ(count("panel_strip"), 1);
    EXPECT_EQ(count("channel"), 3);
    EXPECT_EQ(messages(), QStringList({"Reference KD-SP Spur Terminal" + NotAgain,
                                       "Reference KD-SP4 Trunk" + NotAgain,
                                       "Reference KD-SP Spur Terminal" + NotAgain}));

    // The same model name on another strip is that strip's line.
    EXPECT_EQ(importLine(5), ApparatusOutcome::Written);
    EXPECT_EQ(testDatabase.rows("SELECT strip_name FROM panel_strip ORDER BY strip_id"),
              QList<QStringList>({{"KD-SP4"}, {"KD-SP8"}}));
}

// A refused insert anywhere leaves nothing of the reference behind, box and catalogue entries
// included, reports the statement's message with the server's words, and lets the next
// reference through whole.
TEST_F(ReferenceImportTest, RefusedInsertLeavesNothingOfTheReference)
{
    struct Case
    {
        QString table;
        int fromInsert;
        QString message;
    };
    const Case cases[] = {
        {"panel", 1, "Didn't insert the reference PANEL properly. Database reports: "},
        {"udf_panel", 1, "Didn't insert an entry into UDF_PANEL properly. Database reports: "},
        {"strip_mfr", 1, "Didn't insert the new STRIP_MFR properly. Database reports: "},
        {"strip_mfr_mod", 1, "Didn't insert the new STRIP_MOD properly. Database reports: "},
        {"strip_type", 1, "Didn't insert the new STRIP_TYPE properly. Database reports: "},
        {"panel_strip", 1, "Didn't insert the reference STRIP properly. Database reports: "},
        {"term_mfr", 1, "Didn't insert the TERM_MFR properly. Database reports: "},
        {"term_mfr_mod", 2,
         "Didn't insert the new TERM_MFR_MOD for a Reference properly. Database reports: "},
        {"channel", 2, "Didn't insert the reference CHANNEL properly. Database reports: "},
        {"term_color", 1,
         "Didn't insert the new TERM_COLOR for the LEFT terminal color. Database reports: "},
        {"term_color", 2,
         "Didn't insert the new TERM_COLOR for the RIGHT terminal color. Database reports: "},
        {"panel_strip_term", 4,
         "Didn't insert the reference TERMINAL properly. Database reports: "},
    };
    const QString catalogue = "SELECT (SELECT count(*) FROM strip_mfr), (SELECT count(*) FROM "
                              "strip_mfr_mod), (SELECT count(*) FROM strip_type), (SELECT "
                              "count(*) FROM term_mfr), (SELECT count(*) FROM term_mfr_mod), "
                              "(SELECT count(*) FROM term_color)";
    const QString written = "SELECT (SELECT count(*) FROM panel), (SELECT count(*) FROM "
                            "udf_panel), (SELECT count(*) FROM panel_strip), (SELECT count(*) "
                            "FROM channel), (SELECT count(*) FROM panel_strip_term)";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table.toStdString() + " " + std::to_string(c.fromInsert));
        TestDatabase fresh;
        auto freshConnection = fresh.connect();
        status::StatusLog log;
        db::Database freshDatabase(*freshConnection, db::Platform::SQLServer);
        freshDatabase.setRelease(db::Release(QStringLiteral("09.00.00.00")));
        ImportSteps freshSession(freshDatabase, log, sample(), domain);
        ReferenceImport freshReferences(freshSession);
        const auto before = fresh.rows(catalogue);

        fresh.refuseInserts(c.table, c.fromInsert, "refused by the test");
        EXPECT_EQ(freshReferences.ImportReference(channelLine(1)), ApparatusOutcome::Failed);
        const QStringList shown = tarnwell::testing::statusMessages(log);
        EXPECT_TRUE(shown.contains(c.message)) << shown.join('\n').toStdString();
        EXPECT_TRUE(shown.join(' ').contains("refused by the test"));
        EXPECT_EQ(fresh.rows(written), QList<QStringList>({{"0", "0", "0", "0", "0"}}));
        EXPECT_EQ(fresh.rows(catalogue), before);

        // Later in the same run the same reference goes through whole.
        fresh.exec("ALTER TABLE " + c.table + " DROP CONSTRAINT tarnwell_refuse_" + c.table);
        EXPECT_EQ(freshReferences.ImportReference(channelLine(1)), ApparatusOutcome::Written);
        EXPECT_EQ(fresh.rows(written), QList<QStringList>({{"1", "1", "1", "3", "9"}}));
    }
}

TEST_F(ReferenceImportTest, FailedReferenceLeavesTheEarlierOnesWhole)
{
    ASSERT_EQ(importLine(19), ApparatusOutcome::Written);
    testDatabase.refuseInserts("panel_strip_term", 5, "refused by the test");
    EXPECT_EQ(importLine(1), ApparatusOutcome::Failed);
    EXPECT_EQ(testDatabase.rows("SELECT p.strip_name, count(DISTINCT c.channel_id), "
                                "count(DISTINCT t.term_id) FROM panel_strip p "
                                "JOIN channel c ON c.strip_id = p.strip_id "
                                "JOIN panel_strip_term t ON t.strip_id = p.strip_id "
                                "GROUP BY p.strip_name"),
              QList<QStringList>({{"KD-SPD", "3", "8"}}));
    EXPECT_EQ(
        testDatabase.value("SELECT count(*) FROM term_mfr WHERE term_mfr_name = 'KEL-DORVAN'"),
        "0");
    EXPECT_EQ(testDatabase.value("SELECT count(*) FROM strip_type WHERE proj_id = 11"), "1");
    EXPECT_EQ(count("panel"), 1);
    // The failed strip was not recorded as written: a later line of it is tried again.
    testDatabase.exec(
        "ALTER TABLE panel_strip_term DROP CONSTRAINT tarnwell_refuse_panel_strip_term");
    EXPECT_EQ(importLine(2), ApparatusOutcome::Written);
    EXPECT_EQ(count("panel_strip"), 2);
}

} // namespace
