// The exact statements of a configuration import, on both dialects, checked against a recording
// connection: no server needed, and the Oracle forms can only be checked this way.

#include "import/configuration/ConfigurationImport.h"

#include "status/Failure.h"
#include "status/StatusLog.h"
#include "support/LibraryRows.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/StatusMessages.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::testing::appendRow;
using tarnwell::testing::RecordingConnection;

using tarnwell::import::ApparatusOutcome;
using tarnwell::import::ConfigurationImport;
using tarnwell::import::ImportSteps;

namespace {

library::VendorLibrary smallLibrary()
{
    library::VendorLibrary lib;
    appendRow(lib.stripConfig, {"9001",       "27",         "1",
                                "2",          "W",          "01-Feb-25",
                                "o'hara",     "Name's",     "Desc R4",
                                "DEF",        "2",          "1",
                                "1",          "2",          "x",
                                "y",          "0",          "F",
                                "1",          "N",          "disabled-strip_config.prefix",
                                "Y",          "Maker",      "Model",
                                "",           "1",          "5.5",
                                "1",          "",           "",
                                "Model desc", "Maker desc", "mu",
                                "02-Jan-24",  "mu2",        "03-Jan-24"});
    // Two terminals of 9001 around one of another configuration; the first has equal colour
    // keys, the last a left key that no colour row carries.
    appendRow(lib.stripConfigTerm,
              {"9001", "2001", "27", "1", "3", "W", "05-Feb-25", "tu",  "P", "",  "Y",
               "N",    "1",    "1",  "N", "1", "1", "FF+",       "FF+", "+", "+", "1+"});
    appendRow(lib.stripConfigTerm,
              {"9002", "2002", "27", "1", "3", "W", "05-Feb-25", "tu",  "P", "",  "Y",
               "N",    "1",    "2",  "N", "1", "1", "FF+",       "FF+", "+", "+", "9+"});
    appendRow(lib.stripConfigTerm,
              {"9001", "2003", "27", "1", "3", "W", "05-Feb-25", "tu",  "",  "S", "Y",
               "N",    "99",   "2",  "N", "2", "2", "FF-",       "FF-", "-", "-", "2-"});
    appendRow(lib.terminalColors, {"1", "Red", "255", "d1", "u", "01-Jan-24"});
    appendRow(lib.terminalColors, {"2", "Blue", "16711680", "d2", "u", "01-Jan-24"});
    return lib;
}

class ConfigurationStatementsTest : public ::testing::Test
{
protected:
    ConfigurationStatementsTest() : lib(smallLibrary()), domain{"Works", "11", "1", "3", "4", "5"}
    {
        status.setClock([] { return QTime(12, 0, 0); });
    }

    ApparatusOutcome runImport(db::Platform platform, int major = 9)
    {
        db::Database database(connection, platform);
        database.setRelease(db::Release(QString("%1.00.00.00").arg(major, 2, 10, QChar('0'))));
        ImportSteps steps(database, status, lib, domain);
        ConfigurationImport configurations(steps);
        return configurations.ImportConfiguration(1);
    }

    QStringList messages() const { return tarnwell::testing::statusMessages(status); }

    library::VendorLibrary lib;
    db::DomainContext domain;
    status::StatusLog status;
    RecordingConnection connection;
};

const QString TermMfrInsert =
    "INSERT into TERM_MFR (TERM_MFR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, CHG_STATUS, "
    "USER_NAME, CHG_DATE, TERM_MFR_DESC, TERM_MFR_NAME, AREA_ID) VALUES (7, 11, 1, 0,3, 5, 'W', "
    "'mu', '02-Jan-24', 'Maker desc', 'Maker', 4)";
const QString TermModelInsert =
    "INSERT INTO term_mfr_mod ( TERM_MFR_ID, TERM_MOD_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, "
    "UNIT_ID, CHG_STATUS, USER_NAME, CHG_DATE, TERM_MOD_NAME, TERM_HEIGHT, HEIGHT_UOM_ID, "
    "TERM_WIDTH, WIDTH_UOM_ID, TERM_DEPTH, DEPTH_UOM_ID, TERM_MOD_DESC, AREA_ID) VALUES (7, 7, "
    "11, 1, 0, 3, 5, 'W', 'mu2', '03-Jan-24', 'Model',0,1,5.5,1,0,0,'Model desc',4)";
const QString StripConfigColumns =
    "INSERT INTO strip_config (strip_config_id, proj_id, site_id, chg_num, chg_status, chg_date, "
    "user_name, strip_config_name, strip_config_desc, strip_name_default, term_count, first_term, "
    "first_chn_no, term_in_chn, term_mfr_id, term_mod_id, hardware_count, config_type, "
    "strip_category, ";
const QString StripConfigValues =
    "VALUES (7,11,1, 0,'W', '01-Feb-25','o''hara" + QString(24, ' ') +
    "','Name''s','Desc R4','DEF', 2, 1, 1, 2, 7, 7, 0, 'F', '1','N', ";
const QString TermColumns =
    "INSERT INTO strip_config_term (strip_config_id, strip_config_term_id, proj_id, site_id, "
    "chg_num, chg_status, chg_date, user_name,  term_cfg_prefix, term_cfg_suffix, incremented_flg, "
    "numbered_flg, term_color_left_id, term_color_right_id,  term_hw_flg, channel_left, "
    "channel_right, func_left, func_right, polarity_left, polarity_right, term_num) ";

TEST_F(ConfigurationStatementsTest, SendsTheStatementsInOrderWithTheirExactText)
{
    connection.answer("^SELECT max\\(", "7");
    ASSERT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Written)
        << messages().join('\n').toStdString();

    const QStringList expected = {
        "SELECT max(strip_config_id)+1 FROM strip_config",
        "SELECT term_mfr_name, term_mfr_id FROM   term_mfr WHERE  term_mfr_name LIKE 'Maker'",
        "SELECT max(term_mfr_id)+1 FROM term_mfr",
        TermMfrInsert,
        "SELECT term_mod_name, term_mod_id FROM   term_mfr_mod WHERE  term_mod_name LIKE 'Model' "
        "AND    term_mfr_id = 7",
        "SELECT max(term_mod_id)+1 FROM term_mfr_mod",
        TermModelInsert,
        StripConfigColumns + "terminator_flg, numbered) " + StripConfigValues + "'Y')",
        // first terminal: one colour looked up for both sides
        "SELECT term_color_id FROM   term_color WHERE  term_color_value = '255' ",
        "SELECT max(term_color_id)+1 FROM term_color",
        "INSERT INTO term_color (TERM_COLOR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, "
        "CHG_STATUS, USER_NAME, CHG_DATE, TERM_COLOR_NAME, AREA_ID, TERM_COLOR_VALUE, "
        "TERM_COLOR_DESC) VALUES (7, 11, 1, 0,3, 5, 'W', 'u', '01-Jan-24', 'Red', 4, 255, 'd1')",
        "SELECT term_color_id FROM   term_color WHERE  term_color_value = '255' ",
        "SELECT max(term_color_id)+1 FROM term_color",
        "INSERT INTO term_color (TERM_COLOR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, "
        "CHG_STATUS, USER_NAME, CHG_DATE, TERM_COLOR_NAME, AREA_ID, TERM_COLOR_VALUE, "
        "TERM_COLOR_DESC) VALUES (7, 11, 1, 0,3, 5, 'W', 'u', '01-Jan-24', 'Red', 4, 255, 'd1')",
        "SELECT max(strip_config_term_id)+1 FROM strip_config_term",
        TermColumns + "VALUES (7,7,11,1,3,'W','05-Feb-25','tu','P',' ','Y','N',7,7,'N','1','1',"
                      "'FF+','FF+','+','+','1+')",
        // the other configuration's terminal is passed over; the last one has no left colour
        "SELECT term_color_id FROM   term_color WHERE  term_color_value = '16711680' ",
        "SELECT max(term_color_id)+1 FROM term_color",
        "INSERT INTO term_color (TERM_COLOR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, "
        "CHG_STATUS, USER_NAME, CHG_DATE, TERM_COLOR_NAME, AREA_ID, TERM_COLOR_VALUE, "
        "TERM_COLOR_DESC) VALUES (7, 11, 1, 0,3, 5, 'W', 'u', '01-Jan-24', 'Blue', 4, 16711680, "
        "'d2')",
        "SELECT max(strip_config_term_id)+1 FROM strip_config_term",
        TermColumns + "VALUES (7,7,11,1,3,'W','05-Feb-25','tu',' ','S','Y','N',0,7,'N','2','2',"
                      "'FF-','FF-','-','-','2-')",
    };
    EXPECT_EQ(connection.statements, expected);
    EXPECT_EQ(connection.events.first(), "BEGIN");
    EXPECT_EQ(connection.events.last(), "COMMIT");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ConfigurationStatementsTest, Release7AddsThePrefixColumn)
{
    connection.answer("^SELECT max\\(", "7");
    runImport(db::Platform::SQLServer, 7);
    EXPECT_EQ(connection.statements.value(7), StripConfigColumns +
                                                  "terminator_flg, prefix, numbered) " +
                                                  StripConfigValues + "'', 'Y')");
}

TEST_F(ConfigurationStatementsTest, OracleTakesEveryIdentifierFromTheSequence)
{
    connection.answer("seq_next_id", "7");
    ASSERT_EQ(runImport(db::Platform::Oracle), ApparatusOutcome::Written);
    int fromSequence = 0;
    for (const QString& statement : connection.statements) {
        EXPECT_FALSE(statement.contains("max(")) << statement.toStdString();
        fromSequence += statement == "SELECT seq_next_id.nextval FROM dual";
    }
    EXPECT_EQ(fromSequence, 8);
}

TEST_F(ConfigurationStatementsTest, FoundCatalogueEntriesAreReusedWithoutInserts)
{
    connection.answer("^SELECT max\\(", "7")
        .answer("FROM   term_mfr ", {{QString("Maker"), QString("41")}})
        .answer("FROM   term_mfr_mod ", {{QString("Model"), QString("42")}})
        .answer("FROM   term_color ", "43");
    ASSERT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Written);
    EXPECT_EQ(connection.statements.value(2),
              "SELECT term_mod_name, term_mod_id FROM   term_mfr_mod "
              "WHERE  term_mod_name LIKE 'Model' AND    term_mfr_id = 41");
    EXPECT_TRUE(connection.statements.value(3).contains(", 2, 41, 42, 0, 'F'"));
    EXPECT_EQ(connection.statements.filter("INSERT").size(), 3); // strip_config and two terminals
    EXPECT_TRUE(connection.statements.last().contains(",0,43,'N',"));
}

// Whichever statement fails, its message is shown with the server's words, nothing of the
// configuration is kept, and the triggers are switched on again after the rollback.
TEST_F(ConfigurationStatementsTest, EachStatementFailsUnderItsOwnMessage)
{
    const QString mfrCheck = "Didn't check the new TERM_MFR_NAME. Database reports: ";
    const QString modCheck = "Didn't check the new TERM_MOD_NAME. Database reports: ";
    const QString leftCheck = "Didn't check the new TERM_COLOR for the LEFT. Database reports: ";
    const QString leftInsert =
        "Didn't insert the new TERM_COLOR for the LEFT terminal color. Database reports: ";
    const QString rightCheck = "Didn't check the new TERM_COLOR for the RIGHT. Database reports: ";
    const QString rightInsert =
        "Didn't insert the new TERM_COLOR for the RIGHT terminal color. Database reports: ";
    const QString termId =
        "Couldn't retrieve the next STRIP_CONFIG_TERM_ID from the database. Database reports: ";
    const QString term = "Didn't insert the CONFIGURATION terminal properly. Database reports: ";
    const QStringList expected = {
        QString(), // the identifier of the configuration itself fails the run, not the apparatus
        mfrCheck,
        mfrCheck,
        "Didn't insert the new TERM_MFR. Database reports: ",
        modCheck,
        modCheck,
        "Didn't insert the new TERM_MFR_MOD for a Configuration properly. Database reports: ",
        "Didn't insert the CONFIGURATION properly. Database reports: ",
        leftCheck,
        leftCheck,
        leftInsert,
        rightCheck,
        rightCheck,
        rightInsert,
        termId,
        term,
        rightCheck,
        rightCheck,
        rightInsert,
        termId,
        term};

    for (int n = 1; n <= expected.size(); ++n) {
        SCOPED_TRACE(n);
        connection = RecordingConnection();
        status = status::StatusLog();
        connection.answer("^SELECT max\\(", "7").refuseStatement(n, "refused by the server");
        if (expected[n - 1].isNull()) {
            EXPECT_THROW(runImport(db::Platform::SQLServer), db::DatabaseError);
            EXPECT_EQ(connection.events.last(), "ROLLBACK");
            continue;
        }
        EXPECT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Failed);
        EXPECT_EQ(connection.statements.size(), n + 2); // nothing more after the refused one
        // events: BEGIN, then the statements
        EXPECT_EQ(connection.events.mid(n + 1),
                  QStringList({"ROLLBACK", "ALTER TABLE panel ENABLE TRIGGER ALL",
                               "ALTER TABLE udf_panel ENABLE TRIGGER ALL"}));
        EXPECT_EQ(messages(), QStringList({expected[n - 1], "refused by the server",
                                           "Triggers on PANEL and UDF_PANEL are ENABLED."}));
    }
}

TEST_F(ConfigurationStatementsTest, LibraryValueThatIsNoNumberIsRefusedBeforeItIsSent)
{
    connection.answer("^SELECT max\\(", "7");
    lib = smallLibrary();
    library::VendorLibrary broken;
    QStringList row;
    for (int i = 1; i <= lib.stripConfig.Count(); ++i)
        row.append(lib.stripConfig.value(i));
    row[10] = "2); DROP TABLE strip_config; --";
    appendRow(broken.stripConfig, row);
    broken.stripConfigTerm = lib.stripConfigTerm;
    broken.terminalColors = lib.terminalColors;
    lib = broken;
    EXPECT_EQ(runImport(db::Platform::SQLServer), ApparatusOutcome::Failed);
    EXPECT_TRUE(connection.statements.filter("strip_config (").isEmpty());
    EXPECT_TRUE(messages().value(0).startsWith("Didn't insert the CONFIGURATION properly. Database "
                                               "reports: The library value \"2); DROP"));
}

} // namespace
