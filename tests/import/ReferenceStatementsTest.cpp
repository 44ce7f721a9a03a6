// The exact statements of a reference import, on both dialects, checked against a recording
// connection: no server needed, and the Oracle forms can only be checked this way.

#include "import/reference/ReferenceImport.h"

#include "db/Sql.h"
#include "status/StatusLog.h"
#include "support/LibraryRows.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/StatusMessages.h"

#include <QDate>

#include <gtest/gtest.h>

#include <map>

using namespace tarnwell;
using tarnwell::import::ApparatusOutcome;
using tarnwell::import::ImportSteps;
using tarnwell::import::ReferenceImport;
using tarnwell::testing::appendRow;
using tarnwell::testing::changedLibrary;
using tarnwell::testing::RecordingConnection;

namespace {

std::map<int, QString> stripValues()
{
    return {{1, "5001"},     {4, "2"},          {6, "o'neil"},    {8, "14-Mar-25"},
            {12, "KD-SP4"},  {13, "45 x 97.5"}, {14, "DIN rail"}, {17, "9"},
            {55, "1"},       {57, "TS35"},      {74, "Maker"},    {75, "Protector"},
            {76, "SP4-DIN"}, {77, ""},          {78, "TS35"},     {79, "97.5"},
            {80, "3"},       {81, ""},          {82, "3"},        {83, "112.2"},
            {84, "3"},       {85, "35"},        {86, "3"},        {87, "Maker desc"},
            {88, "mu"},      {89, "02-Jan-24"}, {90, "modu"},     {91, "03-Jan-24"},
            {92, "tu"},      {93, "28-Nov-23"}};
}

std::map<int, QString> channelValues(const QString& strip, const QString& key)
{
    return {{1, strip},       {2, key},           {3, "TRUNK"},        {6, "1"},
            {7, "cu"},        {8, "W"},           {9, "14-Mar-25"},    {14, "10"},
            {15, "11"},       {34, "H1"},         {35, "0"},           {36, "Trunk R4"},
            {37, "1"},        {42, "N"},          {48, "7"},           {49, "0"},
            {50, "0"},        {51, "Maker"},      {52, "Trunk Model"}, {53, "97.5"},
            {54, "3"},        {55, "10.2"},       {56, "3"},           {57, "56"},
            {58, "3"},        {59, "Trunk desc"}, {60, "Maker desc"},  {61, "1"},
            {62, "0"},        {63, "mu"},         {64, "02-Jan-24"},   {65, "cu"},
            {66, "14-Mar-25"}};
}

std::map<int, QString> terminalValues(const QString& channel, const QString& number,
                                      const QString& hardware, const QString& secondary,
                                      const QString& left, const QString& right)
{
    return {{6, "tu"},       {8, "15-Mar-25"}, {9, "1"},       {10, number},  {14, left},
            {15, "3"},       {16, "2"},        {17, "5"},      {20, channel}, {21, "N"},
            {22, secondary}, {43, "0"},        {44, hardware}, {45, right},   {47, "10"},
            {48, "11"},      {53, "+"},        {54, "-"},      {55, "FF+"},   {56, "FF-"}};
}

// One strip (5001) with two channels, placed after a strip, a channel and a terminal of another
// strip; the second channel has no signal type, no model dimensions and its own side.
library::VendorLibrary smallLibrary()
{
    library::VendorLibrary lib;
    appendRow(lib.panelStrip, library::PanelStripWidth, {{1, "5009"}}, QStringLiteral("0"));
    appendRow(lib.panelStrip, library::PanelStripWidth, stripValues(), QStringLiteral("0"));

    appendRow(lib.channel, library::ChannelWidth, channelValues("5001", "6001"),
              QStringLiteral("0"));
    auto other = channelValues("5009", "6009");
    other[52] = "Other Model";
    appendRow(lib.channel, library::ChannelWidth, other, QStringLiteral("0"));
    auto spur = channelValues("5001", "6002");
    spur[3] = "SPUR";
    spur[48] = "";
    spur[52] = "Spur Model";
    for (int i = 53; i <= 58; ++i)
        spur[i] = "";
    spur[61] = "2";
    spur[62] = "4";
    appendRow(lib.channel, library::ChannelWidth, spur, QStringLiteral("0"));

    // Equal colour keys; another channel's terminal; a left key no colour row carries; a
    // lower-case hardware flag with an empty secondary name.
    appendRow(lib.panelStripTerm, library::PanelStripTermWidth,
              terminalValues("6001", "12", "R", "S1", "301", "301"), QStringLiteral("0"));
    appendRow(lib.panelStripTerm, library::PanelStripTermWidth,
              terminalValues("6009", "1", "R", "X", "301", "301"), QStringLiteral("0"));
    appendRow(lib.panelStripTerm, library::PanelStripTermWidth,
              terminalValues("6001", "H1-OUT-S", "N", "TRUNK-SHIELD", "399", "302"),
              QStringLiteral("0"));
    appendRow(lib.panelStripTerm, library::PanelStripTermWidth,
              terminalValues("6002", "7", "r", "", "302", "301"), QStringLiteral("0"));

    appendRow(lib.terminalColors, library::TerminalColorWidth,
              {{0, "301"}, {1, "Red"}, {2, "255"}, {3, "d1"}, {4, "u"}, {5, "01-Jan-24"}},
              QStringLiteral("0"));
    appendRow(lib.terminalColors, library::TerminalColorWidth,
              {{0, "302"}, {1, "Blue"}, {2, "16711680"}, {3, "d2"}, {4, "u"}, {5, "01-Jan-24"}},
              QStringLiteral("0"));
    return lib;
}

class ReferenceStatementsTest : public ::testing::Test
{
protected:
    ReferenceStatementsTest() : lib(smallLibrary()), domain{"Works", "11", "1", "3", "4", "5"}
    {
        status.setClock([] { return QTime(12, 0, 0); });
    }

    void answerIdentifiers()
    {
        connection.answer("^SELECT max\\(", "7").answer("^SELECT  MAX\\(panel_strip_seq\\)", "4");
    }

    ApparatusOutcome runImport(db::Platform platform, int major = 9)
    {
        db::Database database(connection, platform);
        database.setRelease(db::Release(QString("%1.00.00.00").arg(major, 2, 10, QChar('0'))));
        ImportSteps steps(database, status, lib, domain);
        ReferenceImport references(steps);
        return references.ImportReference(1);
    }

    QStringList messages() const { return tarnwell::testing::statusMessages(status); }

    library::VendorLibrary lib;
    db::DomainContext domain;
    status::StatusLog status;
    RecordingConnection connection;
};

const QString BoxLookup = "SELECT panel_name, panel_id FROM   panel WHERE  panel_name like "
                          "'KEL - DORVAN FF LIBRARY' AND    def_flg='Y'";

// The day of the import as the junction box is stamped with it, written out here rather than by
// the program's own formatting: two-digit day, English month, two-digit year.
QString englishDate(const QDate& date)
{
    static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QStringLiteral("%1-%2-%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(Months[date.month() - 1]))
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'));
}

QString panelInsert(const QString& today)
{
    return "INSERT INTO panel (PANEL_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, USER_NAME, "
           "CHG_STATUS, CHG_DATE, PANEL_NAME, PANEL_MFR_ID, PANEL_MOD_ID, PANEL_TYPE_ID, "
           "POWER_UOM_ID, RESIST_UOM_ID, INDUCT_UOM_ID, CAPAC_UOM_ID, PANEL_CATEGORY_ID, DEF_FLG, "
           "PANEL_CATEGORY_SEQ, PANEL_LOC_ID, WIRE_GROUP_ID, PARENT_ID, DWG_ID, AREA_ID, "
           "ENG_PROJ_ID, ENG_REF_ID, PANEL_SUB_CATEGORY, COMPLY_WITH_NC_FLG, REV_ID, "
           "TC_LINE_NUMBER_ID, AREA_CLASS_ID, IS_CERT, FREQUENCY_ID, NUMBER_OF_PHASES_ID, "
           "OPERATING_MODE_ID, RATED_VOLTAGE_ID, MAX_VOLT, MAX_CURRENT, MAX_POWER, RESIST, INDUCT, "
           "CAPACITY, IND_REST_RATIO, MAX_LOAD_UOM_ID, ACT_LOAD_UOM_ID, TC_NET_CLS_ID, "
           "TC_SUB_SYS_ID, RELATED_VOLTAGE_ID, POWER_SUPPLY_TYPE_FLAG, CMPNT_CRITICAL_ID, "
           "FIRST_RACK_POS_NUM, CABINET_TYPE, CONNECTION_FLG)VALUES "
           "(7,11,1,0,3,5,'TARNWELL','W','" +
           today +
           "','KEL - DORVAN FF LIBRARY',0,0,0,0,0,0,0,1,'Y',6,0,0,0,0,4,10,10,110,'0',0,0,0,'F',0,"
           "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,'A',0,1,1,'B')";
}

QString udfPanelInsert(const QString& today)
{
    return "INSERT INTO udf_panel (PANEL_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, AREA_ID, "
           "UNIT_ID, "
           "CHG_STATUS, USER_NAME, CHG_DATE, ENG_PROJ_ID, ENG_REF_ID) VALUES (7,11,1,0,3,4,5,'W',"
           "'TARNWELL','" +
           today + "',10,10)";
}

const QString StripMfrLookup =
    "SELECT strip_mfr_name, strip_mfr_id FROM   strip_mfr WHERE  strip_mfr_name LIKE 'Maker'";
const QString StripMfrInsert =
    "INSERT into STRIP_MFR (STRIP_MFR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, "
    "CHG_STATUS, "
    "USER_NAME, CHG_DATE, STRIP_MFR_DESC, STRIP_MFR_NAME, AREA_ID) VALUES (7, 11, 1, 0,3, 5, 'W', "
    "'mu', '02-Jan-24', 'Maker desc', 'Maker', 4)";
const QString StripModelLookup = "SELECT strip_mod_name, strip_mod_id FROM   strip_mfr_mod WHERE  "
                                 "strip_mod_name LIKE 'SP4-DIN' AND    strip_mfr_id = 7";
const QString StripModelInsert =
    "INSERT INTO strip_mfr_mod ( STRIP_MFR_ID, STRIP_MOD_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, "
    "UNIT_ID, CHG_STATUS, USER_NAME, CHG_DATE, STRIP_MOD_DESC, STRIP_MNT, STRIP_HEIGHT, "
    "HEIGHT_UOM_ID, STRIP_WIDTH, WIDTH_UOM_ID, STRIP_DEPTH, DEPTH_UOM_ID, STRIP_RAIL_SIZE, "
    "RAIL_UOM_ID, STRIP_MOD_NAME, AREA_ID) VALUES (7, 7, 11, 1, 0, 3, 5, 'W', 'modu', '03-Jan-24', "
    "' ','TS35',97.5,3,0,3,112.2,3,35,3,'SP4-DIN',4)";
const QString StripTypeLookup = "SELECT strip_type_name, strip_type_id FROM   strip_type WHERE  "
                                "strip_type_name LIKE 'Protector'";
const QString StripTypeInsert =
    "INSERT INTO strip_type ( strip_type_id, proj_id, site_id, chg_num, plant_id, unit_id, "
    "chg_status,   user_name, chg_date, strip_type_name, strip_type_desc, area_id) VALUES (7, 11, "
    "1, 0, 3, 5, 'W', 'tu', '28-Nov-23', 'Protector',' ',4)";
const QString SequenceQuery = "SELECT  MAX(panel_strip_seq) FROM    panel_strip, panel WHERE   "
                              "panel_strip.panel_id = panel.panel_id AND     panel.panel_name like "
                              "'KEL - DORVAN FF LIBRARY'";
const QString PanelStripColumns =
    "INSERT INTO panel_strip (PANEL_ID, STRIP_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, USER_NAME, "
    "CHG_STATUS, CHG_DATE, STRIP_MFR_ID, STRIP_MOD_ID, STRIP_TYPE_ID, DEF_FLG, RACK_ID, "
    "CMPNT_SYS_IO_TYPE_ID, POSITION, STRIP_CATEGORY, CONTROLLER_ID, APPAR_ID, CHANNEL_ID, "
    "PANEL_STRIP_SEQ, REMOTE_PANEL_ID, SEC_REMOTE_PANEL_ID, SEC_RACK_ID, SEC_POSITION, "
    "SEC_DOUBLE_FLG, ENG_PROJ_ID, ENG_REF_ID, STRIP_NAME, DOUBLE_FLAG, REMOTE_FLG, REDUNDANT_FLG, "
    "SEC_REMOTE_SYS_CABLE, AREA_ID, UNIT_ID, MOUNTING, DIMENSIONS, RAIL) ";
// Strip manufacturer, model and type in the middle, then the sequence.
QString panelStripInsert(const QString& catalogue, const QString& sequence)
{
    return PanelStripColumns + "VALUES (7,7,11,1,2,3,'o''neil','W','14-Mar-25'," + catalogue +
           ",'Y',0,0,0,1,0,0,0," + sequence +
           ",0,0,0,-1,'0',10,10,'KD-SP4',0,0,0,0,4,5,'DIN rail',"
           "'45 x 97.5','TS35')";
}

const QString TermMfrLookup =
    "SELECT term_mfr_name, term_mfr_id FROM   term_mfr WHERE  term_mfr_name LIKE 'Maker'";
const QString TermMfrInsert =
    "INSERT into TERM_MFR (TERM_MFR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, CHG_STATUS, "
    "USER_NAME, CHG_DATE, TERM_MFR_DESC, TERM_MFR_NAME, AREA_ID) VALUES (7, 11, 1, 0,3, 5, 'W', "
    "'mu', '02-Jan-24', 'Maker desc', 'Maker', 4)";
QString termModelLookup(const QString& name)
{
    return "SELECT term_mod_name, term_mod_id FROM   term_mfr_mod WHERE  term_mod_name LIKE '" +
           name + "' AND    term_mfr_id = 7";
}
QString termModelInsert(const QString& name, const QString& dimensions, const QString& description)
{
    return "INSERT INTO term_mfr_mod ( TERM_MFR_ID, TERM_MOD_ID, PROJ_ID, SITE_ID, CHG_NUM, "
           "PLANT_ID, UNIT_ID, CHG_STATUS, USER_NAME, CHG_DATE, TERM_MOD_NAME, TERM_HEIGHT, "
           "HEIGHT_UOM_ID, TERM_WIDTH, WIDTH_UOM_ID, TERM_DEPTH, DEPTH_UOM_ID, TERM_MOD_DESC, "
           "AREA_ID) VALUES (7, 7, 11, 1, 0, 3, 5, 'W', 'cu', '14-Mar-25', '" +
           name + "'," + dimensions + ",'" + description + "',4)";
}

const QString ChannelColumns =
    "INSERT INTO channel (PANEL_ID, STRIP_ID, CHANNEL_ID, CHANNEL_NAME, PROJ_ID, SITE_ID, CHG_NUM, "
    "USER_NAME, CHG_STATUS, CHG_DATE, PLANT_ID, DEF_FLG, SIGNAL_TYPE_ID, PRIMARY_APPAR_ID, "
    "SECONDARY_APPAR_ID, AREA_ID, UNIT_ID, ENG_PROJ_ID, ENG_REF_ID, CHANNEL_CATEGORY, APPAR_ID, "
    "TERM_MFR_ID, TERM_MOD_ID, CHANNEL_SEQ, ";
const QString TrunkChannelValues =
    "VALUES (7,7,7,'TRUNK',11,1,1,'cu','W','14-Mar-25',3,'Y',7,0,0,4,5,10,11,'H1',0,7,7,1,"
    "'Trunk R4','N";
const QString SpurChannelValues =
    "VALUES (7,7,7,'SPUR',11,1,1,'cu','W','14-Mar-25',3,'Y',0,0,0,4,5,10,11,'H1',0,7,7,1,"
    "'Trunk R4','N";
const QString LongForm = "CHANNEL_DESC, TERMINATOR_FLG, CHANNEL_SIDE, CONNECTOR_ID) ";
const QString ShortForm = "CHANNEL_DESC, TERMINATOR_FLG) ";

QString colourLookup(const QString& value)
{
    return "SELECT term_color_id FROM   term_color WHERE  term_color_value = '" + value + "' ";
}
QString colourInsert(const QString& name, const QString& value, const QString& description)
{
    return "INSERT INTO term_color (TERM_COLOR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, "
           "CHG_STATUS, USER_NAME, CHG_DATE, TERM_COLOR_NAME, AREA_ID, TERM_COLOR_VALUE, "
           "TERM_COLOR_DESC) VALUES (7, 11, 1, 0,3, 5, 'W', 'u', '01-Jan-24', '" +
           name + "', 4, " + value + ", '" + description + "')";
}

// Terminal number, left colour, secondary name, hardware flag and right colour.
QString terminalInsert(const QString& number, const QString& left, const QString& secondary,
                       const QString& hardware, const QString& right)
{
    return "INSERT INTO panel_strip_term (PANEL_ID, STRIP_ID, TERM_ID, PROJ_ID, SITE_ID, CHG_NUM, "
           "USER_NAME, CHG_STATUS, CHG_DATE, TERM_SEQ, TERM_NUM, TERM_TYPE_ID, TERM_MFR_ID, "
           "TERM_MOD_ID, TERM_COLOR_ID, DEF_FLG, CHANNEL_ID, TERM_SPLIT_FLG, TERM_SEC_NAME, "
           "TERM_HW_FLG, TERM_COLOR_RIGHT_ID, PORT_RIGHT_ID, PORT_LEFT_ID, PIN_RIGHT_ID, "
           "PIN_LEFT_ID, POLARITY_RIGHT, POLARITY_LEFT, FUNC_LEFT, FUNC_RIGHT, TERM_SOURCE_ID, "
           "AREA_ID, PLANT_ID, UNIT_ID, HW_POS_ID, ENG_PROJ_ID, ENG_REF_ID) VALUES "
           "(7,7,7,11,1,0,'tu','W','15-Mar-25',1,'" +
           number + "',0,7,7," + left + ",'Y',7,'N','" + secondary + "','" + hardware + "'," +
           right + ",0,0,0,0,'+','-','FF+','FF-',0,3,2,5,0,10,11)";
}

QStringList expectedStatements(const QString& today, const QString& channelForm,
                               const QString& trunkEnd, const QString& spurEnd)
{
    const QString red = colourInsert("Red", "255", "d1");
    const QString blue = colourInsert("Blue", "16711680", "d2");
    return {
        BoxLookup,
        "SELECT max(panel_id)+1 FROM panel",
        panelInsert(today),
        udfPanelInsert(today),
        StripMfrLookup,
        "SELECT max(strip_mfr_id)+1 FROM strip_mfr",
        StripMfrInsert,
        StripModelLookup,
        "SELECT max(strip_mod_id)+1 FROM strip_mfr_mod",
        StripModelInsert,
        StripTypeLookup,
        "SELECT max(strip_type_id)+1 FROM strip_type",
        StripTypeInsert,
        SequenceQuery,
        "SELECT max(strip_id)+1 FROM panel_strip",
        panelStripInsert("7,7,7", "5"),
        // first channel: catalogue, channel row, then its two terminals
        TermMfrLookup,
        "SELECT max(term_mfr_id)+1 FROM term_mfr",
        TermMfrInsert,
        termModelLookup("Trunk Model"),
        "SELECT max(term_mod_id)+1 FROM term_mfr_mod",
        termModelInsert("Trunk Model", "97.5,3,10.2,3,56,3", "Trunk desc"),
        "SELECT max(channel_id)+1 FROM channel",
        ChannelColumns + channelForm + TrunkChannelValues + trunkEnd,
        colourLookup("255"),
        "SELECT max(term_color_id)+1 FROM term_color",
        red,
        colourLookup("255"),
        "SELECT max(term_color_id)+1 FROM term_color",
        red,
        "SELECT max(term_id)+1 FROM panel_strip_term",
        terminalInsert("      12  ", "7", "S1        ", "R", "7"),
        colourLookup("16711680"),
        "SELECT max(term_color_id)+1 FROM term_color",
        blue,
        "SELECT max(term_id)+1 FROM panel_strip_term",
        terminalInsert("H1-OUT-S", "0", "TRUNK-SHIE", "N", "7"),
        // second channel: the other strip's channel and terminal in between are passed over
        TermMfrLookup,
        "SELECT max(term_mfr_id)+1 FROM term_mfr",
        TermMfrInsert,
        termModelLookup("Spur Model"),
        "SELECT max(term_mod_id)+1 FROM term_mfr_mod",
        termModelInsert("Spur Model", "0,0,0,0,0,0", "Trunk desc"),
        "SELECT max(channel_id)+1 FROM channel",
        ChannelColumns + channelForm + SpurChannelValues + spurEnd,
        // colours in the order of the colour rows: the right one (301) comes first
        colourLookup("255"),
        "SELECT max(term_color_id)+1 FROM term_color",
        red,
        colourLookup("16711680"),
        "SELECT max(term_color_id)+1 FROM term_color",
        blue,
        "SELECT max(term_id)+1 FROM panel_strip_term",
        terminalInsert("7", "7", QString(10, ' '), "r", "7"),
    };
}

TEST_F(ReferenceStatementsTest, SendsTheStatementsInOrderWithTheirExactText)
{
    answerIdentifiers();
    const QString today = englishDate(QDate::currentDate());
    ASSERT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Written)
        << messages().join('\n').toStdString();

    const QStringList expected = expectedStatements(today, LongForm, "',1,0)", "',2,4)");
    ASSERT_EQ(connection.statements.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(connection.statements[i], expected[i]) << "statement " << i + 1;
    EXPECT_EQ(connection.events.first(), "BEGIN");
    EXPECT_EQ(connection.events.last(), "COMMIT");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ReferenceStatementsTest, Release7LeavesOutChannelSideAndConnector)
{
    answerIdentifiers();
    ASSERT_EQ(runImport(db::Platform::SQLServer, 7), ApparatusOutcome::Written);
    const QStringList channels = connection.statements.filter("INSERT INTO channel");
    EXPECT_EQ(channels, QStringList({ChannelColumns + ShortForm + TrunkChannelValues + "')",
                                     ChannelColumns + ShortForm + SpurChannelValues + "')"}));
}

TEST_F(ReferenceStatementsTest, OracleTakesEveryIdentifierFromTheSequence)
{
    connection.answer("seq_next_id", "7").answer("^SELECT  MAX\\(panel_strip_seq\\)", "4");
    const QString today = englishDate(QDate::currentDate());
    ASSERT_EQ(runImport(db::Platform::Oracle), ApparatusOutcome::Written);

    QStringList expected = expectedStatements(today, LongForm, "',1,0)", "',2,4)");
    for (QString& statement : expected) {
        if (statement.startsWith("SELECT max("))
            statement = "SELECT seq_next_id.nextval FROM dual";
    }
    EXPECT_EQ(connection.statements, expected);
    EXPECT_EQ(connection.statements.count("SELECT seq_next_id.nextval FROM dual"), 19);
}

// The strip sequence follows the largest one found; an empty result starts at 1.
TEST_F(ReferenceStatementsTest, StripSequenceIsOneWhenNoStripHangsInTheBox)
{
    connection.answer("^SELECT max\\(", "7")
        .answer("^SELECT  MAX\\(panel_strip_seq\\)", std::vector<db::Row>{db::Row{std::nullopt}});
    ASSERT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Written);
    EXPECT_EQ(connection.statements.filter("INSERT INTO panel_strip ").value(0),
              panelStripInsert("7,7,7", "1"));
}

TEST_F(ReferenceStatementsTest, FoundBoxAndCatalogueEntriesAreReusedWithoutInserts)
{
    answerIdentifiers();
    connection.answer("FROM   panel ", {{QString("KEL - DORVAN FF LIBRARY"), QString("31")}})
        .answer("FROM   strip_mfr ", {{QString("Maker"), QString("32")}})
        .answer("FROM   strip_mfr_mod ", {{QString("SP4-DIN"), QString("33")}})
        .answer("FROM   strip_type ", {{QString("Protector"), QString("34")}})
        .answer("FROM   term_mfr ", {{QString("Maker"), QString("35")}})
        .answer("FROM   term_mfr_mod ", {{QString("Model"), QString("36")}})
        .answer("FROM   term_color ", "37");
    ASSERT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Written);
    EXPECT_EQ(connection.statements.value(2), "SELECT strip_mod_name, strip_mod_id FROM   "
                                              "strip_mfr_mod WHERE  strip_mod_name LIKE 'SP4-DIN' "
                                              "AND    strip_mfr_id = 32");
    const QStringList inserts = connection.statements.filter("INSERT");
    ASSERT_EQ(inserts.size(), 6); // strip, two channels, three terminals
    EXPECT_TRUE(inserts[0].startsWith(PanelStripColumns + "VALUES (31,7,11,1,2,3,'o''neil','W',"
                                                          "'14-Mar-25',32,33,34,'Y',"));
    EXPECT_TRUE(inserts[1].contains(",'H1',0,35,36,1,"));
    EXPECT_TRUE(inserts[2].startsWith("INSERT INTO panel_strip_term ("))
        << inserts[2].toStdString();
    EXPECT_TRUE(inserts[2].contains(",0,35,36,37,'Y',7,")) << inserts[2].toStdString();
    EXPECT_TRUE(inserts[3].contains(",0,35,36,0,'Y',7,")); // left key without colour row
    EXPECT_TRUE(inserts[3].contains(",'N',37,0,0,0,0,"));
}

TEST_F(ReferenceStatementsTest, EmptyStripManufacturerOrModelGivesZeroWithoutStatements)
{
    const library::VendorLibrary full = smallLibrary();
    answerIdentifiers();
    lib = changedLibrary(full, &library::VendorLibrary::panelStrip, library::PanelStripWidth, 1,
                         {{74, ""}});
    ASSERT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Written);
    EXPECT_TRUE(connection.statements.filter("strip_mfr ").isEmpty());
    EXPECT_TRUE(connection.statements.filter("STRIP_MFR ").isEmpty());
    EXPECT_EQ(connection.statements.value(4), "SELECT strip_mod_name, strip_mod_id FROM   "
                                              "strip_mfr_mod WHERE  strip_mod_name LIKE 'SP4-DIN' "
                                              "AND    strip_mfr_id = 0");
    EXPECT_TRUE(connection.statements.value(6).startsWith("INSERT INTO strip_mfr_mod ( "
                                                          "STRIP_MFR_ID, STRIP_MOD_ID, PROJ_ID,"));
    EXPECT_TRUE(connection.statements.value(6).contains("VALUES (0, 7, 11,"));
    EXPECT_EQ(connection.statements.filter("INSERT INTO panel_strip ").value(0),
              panelStripInsert("0,7,7", "5"));

    connection = RecordingConnection();
    answerIdentifiers();
    lib = changedLibrary(full, &library::VendorLibrary::panelStrip, library::PanelStripWidth, 1,
                         {{76, ""}});
    ASSERT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Written);
    EXPECT_TRUE(connection.statements.filter("strip_mfr_mod").isEmpty());
    EXPECT_TRUE(connection.statements.filter("strip_mod").isEmpty());
    EXPECT_EQ(connection.statements.value(7), StripTypeLookup);
    EXPECT_EQ(connection.statements.filter("INSERT INTO panel_strip ").value(0),
              panelStripInsert("7,0,7", "5"));
}

// Whichever statement fails, its message is shown with the server's words, nothing after it
// is sent and the reference is rolled back; the triggers are left to the run.
TEST_F(ReferenceStatementsTest, EachStatementFailsUnderItsOwnMessage)
{
    const QString box =
        "Couldn't retrieve the PROJ_ID and SITE_ID from the database. Database reports: ";
    const QString mfrCheck = "Didn't check for existing STRIP_MFR properly. Database reports: ";
    const QString modCheck = "Didn't check for existing STRIP_MOD properly. Database reports: ";
    const QString typeCheck =
        "Didn't check for existing STRIP_TYPE_NAME properly. Database reports: ";
    const QString sequence = "Didn't return MAX SEQUENCE NUMBER properly. Database reports: ";
    const QString termMfrCheck = "Didn't check existing TERM_MFR_NAME properly. Database reports: ";
    const QString termMfr = "Didn't insert the TERM_MFR properly. Database reports: ";
    const QString termModCheck = "Didn't check the TERM_MOD_NAME properly. Database reports: ";
    const QString termMod =
        "Didn't insert the new TERM_MFR_MOD for a Reference properly. Database reports: ";
    const QString channel = "Didn't insert the reference CHANNEL properly. Database reports: ";
    const QString colourCheck = "Didn't check for existing TERM_COLOR properly. Database reports: ";
    const QString left =
        "Didn't insert the new TERM_COLOR for the LEFT terminal color. Database reports: ";
    const QString right =
        "Didn't insert the new TERM_COLOR for the RIGHT terminal color. Database reports: ";
    const QString terminal = "Didn't insert the reference TERMINAL properly. Database reports: ";
    const QStringList expected = {
        box, box, "Didn't insert the reference PANEL properly. Database reports: ",
        "Didn't insert an entry into UDF_PANEL properly. Database reports: ", mfrCheck, mfrCheck,
        "Didn't insert the new STRIP_MFR properly. Database reports: ", modCheck, modCheck,
        "Didn't insert the new STRIP_MOD properly. Database reports: ", typeCheck, typeCheck,
        "Didn't insert the new STRIP_TYPE properly. Database reports: ", sequence, sequence,
        "Didn't insert the reference STRIP properly. Database reports: ",
        // first channel; its identifier is asked for under the model insert's message
        termMfrCheck, termMfrCheck, termMfr, termModCheck, termModCheck, termMod, termMod, channel,
        // its terminals; each identifier under the last colour message
        colourCheck, colourCheck, left, colourCheck, colourCheck, right, right, terminal,
        colourCheck, colourCheck, right, right, terminal,
        // second channel and its terminal
        termMfrCheck, termMfrCheck, termMfr, termModCheck, termModCheck, termMod, termMod, channel,
        colourCheck, colourCheck, right, colourCheck, colourCheck, left, left, terminal};
    ASSERT_EQ(expected.size(), 53);

    for (int n = 1; n <= expected.size(); ++n) {
        SCOPED_TRACE(n);
        connection = RecordingConnection();
        status = status::StatusLog();
        answerIdentifiers();
        connection.refuseStatement(n, "refused by the server");
        EXPECT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Failed);
        EXPECT_EQ(connection.statements.size(), n);
        EXPECT_EQ(connection.events.first(), "BEGIN");
        EXPECT_EQ(connection.events.last(), "ROLLBACK");
        EXPECT_TRUE(connection.events.filter("TRIGGER").isEmpty());
        EXPECT_EQ(messages(), QStringList({expected[n - 1], "refused by the server"}));
    }
}

// The library is searched under the box step's last message while the strip is looked for.
TEST_F(ReferenceStatementsTest, MissingStripKeyFailsUnderTheBoxStepsLastMessage)
{
    lib = changedLibrary(smallLibrary(), &library::VendorLibrary::channel, library::ChannelWidth, 0,
                         {{1, "5002"}});
    const QString missing = "The library has no strip with the key \"5002\".";
    // A box written in this step: its last statement was the UDF_PANEL insert.
    answerIdentifiers();
    EXPECT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Failed);
    EXPECT_EQ(connection.statements.size(), 4);
    EXPECT_EQ(connection.events.last(), "ROLLBACK");
    EXPECT_EQ(messages(),
              QStringList(
                  {"Didn't insert an entry into UDF_PANEL properly. Database reports: ", missing}));

    // A box found: only the lookup was sent.
    connection = RecordingConnection();
    status = status::StatusLog();
    answerIdentifiers();
    connection.answer("FROM   panel ", {{QString("KEL - DORVAN FF LIBRARY"), QString("31")}});
    EXPECT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Failed);
    EXPECT_EQ(connection.statements, QStringList({BoxLookup}));
    EXPECT_EQ(messages(),
              QStringList({"Couldn't retrieve the PROJ_ID and SITE_ID from the database. Database "
                           "reports: ",
                           missing}));
}

// A value written bare that is no number never reaches the server; an empty one included.
TEST_F(ReferenceStatementsTest, LibraryValueThatIsNoNumberIsRefusedBeforeItIsSent)
{
    answerIdentifiers();
    lib = changedLibrary(smallLibrary(), &library::VendorLibrary::channel, library::ChannelWidth, 2,
                         {{61, ""}});
    EXPECT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Failed);
    EXPECT_EQ(connection.statements.filter("INSERT INTO channel").size(), 1);
    EXPECT_EQ(messages().value(0),
              "Didn't insert the reference CHANNEL properly. Database reports: ");
    EXPECT_TRUE(messages().value(1).startsWith("The library value \"\" is not a number"));

    connection = RecordingConnection();
    status = status::StatusLog();
    answerIdentifiers();
    lib = changedLibrary(smallLibrary(), &library::VendorLibrary::panelStripTerm,
                         library::PanelStripTermWidth, 0, {{9, "1); DELETE FROM panel; --"}});
    EXPECT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Failed);
    EXPECT_TRUE(connection.statements.filter("INSERT INTO panel_strip_term").isEmpty());
    EXPECT_TRUE(connection.statements.filter("DELETE").isEmpty());
    EXPECT_TRUE(messages().value(0).startsWith(
        "Didn't insert the reference TERMINAL properly. Database reports: The library value"));
}

} // namespace
