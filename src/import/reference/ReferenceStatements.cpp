#include "import/reference/ReferenceStatements.h"

#include "db/Sql.h"

namespace tarnwell::import::reference {

using db::sql::bare;
using db::sql::escaped;
using db::sql::orBlank;
using db::sql::orZero;

namespace {

const QString Comma = QStringLiteral(",");
const QString CommaQuote = QStringLiteral(",'");
const QString QuoteComma = QStringLiteral("',");
const QString QuoteCommaQuote = QStringLiteral("','");

} // namespace

QString junctionBoxLookup()
{
    return QStringLiteral("SELECT panel_name, panel_id ") + QStringLiteral("FROM   panel ") +
           QStringLiteral("WHERE  panel_name like '") + escaped(LibraryJunctionBoxName) +
           QStringLiteral("' ") + QStringLiteral("AND    def_flg='Y'");
}

QString panelInsert(const QString& panelId, const db::DomainContext& d, const QString& userName,
                    const QString& dateText)
{
    return QStringLiteral("INSERT INTO panel ") +
           QStringLiteral("(PANEL_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, UNIT_ID, USER_NAME, "
                          "CHG_STATUS, CHG_DATE, PANEL_NAME, PANEL_MFR_ID, ") +
           QStringLiteral("PANEL_MOD_ID, PANEL_TYPE_ID, POWER_UOM_ID, RESIST_UOM_ID, "
                          "INDUCT_UOM_ID, CAPAC_UOM_ID, ") +
           QStringLiteral("PANEL_CATEGORY_ID, DEF_FLG, PANEL_CATEGORY_SEQ, PANEL_LOC_ID, "
                          "WIRE_GROUP_ID, PARENT_ID, DWG_ID, ") +
           QStringLiteral("AREA_ID, ENG_PROJ_ID, ENG_REF_ID, PANEL_SUB_CATEGORY, "
                          "COMPLY_WITH_NC_FLG, REV_ID, ") +
           QStringLiteral("TC_LINE_NUMBER_ID, AREA_CLASS_ID, IS_CERT, FREQUENCY_ID, "
                          "NUMBER_OF_PHASES_ID, OPERATING_MODE_ID, RATED_VOLTAGE_ID, ") +
           QStringLiteral("MAX_VOLT, MAX_CURRENT, MAX_POWER, RESIST, INDUCT, CAPACITY, "
                          "IND_REST_RATIO, MAX_LOAD_UOM_ID, ACT_LOAD_UOM_ID, ") +
           QStringLiteral("TC_NET_CLS_ID, TC_SUB_SYS_ID, RELATED_VOLTAGE_ID, "
                          "POWER_SUPPLY_TYPE_FLAG, CMPNT_CRITICAL_ID, FIRST_RACK_POS_NUM, ") +
           QStringLiteral("CABINET_TYPE, CONNECTION_FLG)") + QStringLiteral("VALUES (") + panelId +
           Comma + d.proj_id + Comma + d.site_id + QStringLiteral(",0") + Comma + d.plant_id +
           Comma + d.unit_id + CommaQuote + escaped(userName) + QStringLiteral("','W','") +
           escaped(dateText) + QStringLiteral("','") + escaped(LibraryJunctionBoxName) +
           QuoteComma + QStringLiteral("0,0,0,0,0,0,0,1,'Y',6,0,0,0,0,") + d.area_id +
           QStringLiteral(",10,10,110,'0',0,0,0,'F',0,") +
           QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,'A',0,1,1,'B')");
}

QString udfPanelInsert(const QString& panelId, const db::DomainContext& d, const QString& userName,
                       const QString& dateText)
{
    return QStringLiteral("INSERT INTO udf_panel ") +
           QStringLiteral("(PANEL_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, AREA_ID, UNIT_ID, "
                          "CHG_STATUS, USER_NAME, CHG_DATE, ENG_PROJ_ID, ENG_REF_ID) ") +
           QStringLiteral("VALUES (") + panelId + Comma + d.proj_id + Comma + d.site_id +
           QStringLiteral(",0") + Comma + d.plant_id + Comma + d.area_id + Comma + d.unit_id +
           QStringLiteral(",'W','") + escaped(userName) + QuoteCommaQuote + escaped(dateText) +
           QStringLiteral("',10,10)");
}

QString stripMfrLookup(const library::PanelStripRow& p)
{
    return QStringLiteral("SELECT strip_mfr_name, strip_mfr_id ") +
           QStringLiteral("FROM   strip_mfr ") + QStringLiteral("WHERE  strip_mfr_name LIKE '") +
           escaped(p.manufacturer()) + QStringLiteral("'");
}

QString stripMfrInsert(const QString& stripMfrId, const db::DomainContext& d,
                       const library::PanelStripRow& p)
{
    return QStringLiteral("INSERT into STRIP_MFR (STRIP_MFR_ID, PROJ_ID, SITE_ID, CHG_NUM, "
                          "PLANT_ID, UNIT_ID, ") +
           QStringLiteral(
               "CHG_STATUS, USER_NAME, CHG_DATE, STRIP_MFR_DESC, STRIP_MFR_NAME, AREA_ID) ") +
           QStringLiteral("VALUES (") + stripMfrId + QStringLiteral(", ") + d.proj_id +
           QStringLiteral(", ") + d.site_id + QStringLiteral(", 0,") + d.plant_id +
           QStringLiteral(", ") + d.unit_id + QStringLiteral(", 'W', '") +
           escaped(p.manufacturerUserName()) + QStringLiteral("', '") +
           escaped(p.manufacturerChangeDate()) + QStringLiteral("', '") +
           escaped(p.manufacturerDescription()) + QStringLiteral("', '") +
           escaped(p.manufacturer()) + QStringLiteral("', ") + d.area_id + QStringLiteral(")");
}

QString stripModelLookup(const library::PanelStripRow& p, const QString& stripMfrId)
{
    return QStringLiteral("SELECT strip_mod_name, strip_mod_id ") +
           QStringLiteral("FROM   strip_mfr_mod ") +
           QStringLiteral("WHERE  strip_mod_name LIKE '") + escaped(p.model()) +
           QStringLiteral("' ") + QStringLiteral("AND    strip_mfr_id = ") + stripMfrId;
}

QString stripModelInsert(const QString& stripMfrId, const QString& stripModId,
                         const db::DomainContext& d, const library::PanelStripRow& p)
{
    // A model without description or mounting gets a blank, without dimensions zeros.
    return QStringLiteral("INSERT INTO strip_mfr_mod ") +
           QStringLiteral("( STRIP_MFR_ID, STRIP_MOD_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, ") +
           QStringLiteral("UNIT_ID, CHG_STATUS, USER_NAME, CHG_DATE, STRIP_MOD_DESC, STRIP_MNT, "
                          "STRIP_HEIGHT, ") +
           QStringLiteral("HEIGHT_UOM_ID, STRIP_WIDTH, WIDTH_UOM_ID, STRIP_DEPTH, DEPTH_UOM_ID, "
                          "STRIP_RAIL_SIZE, ") +
           QStringLiteral("RAIL_UOM_ID, STRIP_MOD_NAME, AREA_ID) ") + QStringLiteral("VALUES (") +
           stripMfrId + QStringLiteral(", ") + stripModId + QStringLiteral(", ") + d.proj_id +
           QStringLiteral(", ") + d.site_id + QStringLiteral(", 0, ") + d.plant_id +
           QStringLiteral(", ") + d.unit_id + QStringLiteral(", 'W', '") +
           escaped(p.modelUserName()) + QStringLiteral("', '") + escaped(p.modelChangeDate()) +
           QStringLiteral("', '") + escaped(orBlank(p.modelDescription())) + QuoteCommaQuote +
           escaped(orBlank(p.modelMounting())) + QuoteComma + bare(orZero(p.modelHeight())) +
           Comma + bare(orZero(p.modelHeightUnit())) + Comma + bare(orZero(p.modelWidth())) +
           Comma + bare(orZero(p.modelWidthUnit())) + Comma + bare(orZero(p.modelDepth())) + Comma +
           bare(orZero(p.modelDepthUnit())) + Comma + bare(orZero(p.modelRailSize())) + Comma +
           bare(orZero(p.modelRailUnit())) + CommaQuote + escaped(p.model()) + QuoteComma +
           d.area_id + QStringLiteral(")");
}

QString stripTypeLookup(const library::PanelStripRow& p)
{
    return QStringLiteral("SELECT strip_type_name, strip_type_id ") +
           QStringLiteral("FROM   strip_type ") + QStringLiteral("WHERE  strip_type_name LIKE '") +
           escaped(p.type()) + QStringLiteral("'");
}

QString stripTypeInsert(const QString& stripTypeId, const db::DomainContext& d,
                        const library::PanelStripRow& p)
{
    return QStringLiteral("INSERT INTO strip_type ") +
           QStringLiteral(
               "( strip_type_id, proj_id, site_id, chg_num, plant_id, unit_id, chg_status, ") +
           QStringLiteral("  user_name, chg_date, strip_type_name, strip_type_desc, area_id) ") +
           QStringLiteral("VALUES (") + stripTypeId + QStringLiteral(", ") + d.proj_id +
           QStringLiteral(", ") + d.site_id + QStringLiteral(", 0, ") + d.plant_id +
           QStringLiteral(", ") + d.unit_id + QStringLiteral(", 'W', '") +
           escaped(p.typeUserName()) + QStringLiteral("', '") + escaped(p.typeChangeDate()) +
           QStringLiteral("', '") + escaped(p.type()) + QStringLiteral("',' ',") + d.area_id +
           QStringLiteral(")");
}

QString stripSequenceQuery()
{
    return QStringLiteral("SELECT  MAX(panel_strip_seq) ") +
           QStringLiteral("FROM    panel_strip, panel ") +
           QStringLiteral("WHERE   panel_strip.panel_id = panel.panel_id ") +
           QStringLiteral("AND     panel.panel_name like '") + escaped(LibraryJunctionBoxName) +
           QStringLiteral("'");
}

QString panelStripInsert(const StripIds& ids, const db::DomainContext& d,
                         const library::PanelStripRow& p)
{
    return QStringLiteral("INSERT INTO panel_strip ") +
           QStringLiteral("(PANEL_ID, STRIP_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, USER_NAME, "
                          "CHG_STATUS, CHG_DATE, STRIP_MFR_ID, ") +
           QStringLiteral("STRIP_MOD_ID, STRIP_TYPE_ID, DEF_FLG, RACK_ID, CMPNT_SYS_IO_TYPE_ID, "
                          "POSITION, STRIP_CATEGORY, CONTROLLER_ID, ") +
           QStringLiteral("APPAR_ID, CHANNEL_ID, PANEL_STRIP_SEQ, REMOTE_PANEL_ID, "
                          "SEC_REMOTE_PANEL_ID, SEC_RACK_ID, ") +
           QStringLiteral("SEC_POSITION, SEC_DOUBLE_FLG, ENG_PROJ_ID, ENG_REF_ID, STRIP_NAME, ") +
           QStringLiteral(
               "DOUBLE_FLAG, REMOTE_FLG, REDUNDANT_FLG, SEC_REMOTE_SYS_CABLE, AREA_ID, UNIT_ID, ") +
           QStringLiteral("MOUNTING, DIMENSIONS, RAIL) ") + QStringLiteral("VALUES (") +
           ids.panelId + Comma + ids.stripId + Comma + d.proj_id + Comma + d.site_id + Comma +
           bare(p.changeNumber()) + Comma + d.plant_id + CommaQuote + escaped(p.userName()) +
           QStringLiteral("','W','") + escaped(p.changeDate()) + QuoteComma + ids.stripMfrId +
           Comma + ids.stripModId + Comma + ids.stripTypeId + QStringLiteral(",'Y',0,0,0,") +
           bare(p.category()) + QStringLiteral(",0,0,0,") + ids.sequence + Comma +
           QStringLiteral("0,0,0,-1,'0',10,10,'") + escaped(p.stripName()) +
           QStringLiteral("',0,0,0,0,") + d.area_id + Comma + d.unit_id + CommaQuote +
           escaped(p.mounting()) + QuoteCommaQuote + escaped(p.dimensions()) + QuoteCommaQuote +
           escaped(p.rail()) + QStringLiteral("')");
}

QString channelInsert(const ChannelIds& ids, const db::DomainContext& d,
                      const library::ChannelRow& c, bool withSideAndConnector)
{
    return QStringLiteral("INSERT INTO channel ") +
           QStringLiteral("(PANEL_ID, STRIP_ID, CHANNEL_ID, CHANNEL_NAME, PROJ_ID, SITE_ID, "
                          "CHG_NUM, USER_NAME, CHG_STATUS, ") +
           QStringLiteral("CHG_DATE, PLANT_ID, DEF_FLG, SIGNAL_TYPE_ID, PRIMARY_APPAR_ID, "
                          "SECONDARY_APPAR_ID, AREA_ID, UNIT_ID, ") +
           QStringLiteral("ENG_PROJ_ID, ENG_REF_ID, CHANNEL_CATEGORY, APPAR_ID, TERM_MFR_ID, "
                          "TERM_MOD_ID, CHANNEL_SEQ, ") +
           (withSideAndConnector
                ? QStringLiteral("CHANNEL_DESC, TERMINATOR_FLG, CHANNEL_SIDE, CONNECTOR_ID) ")
                : QStringLiteral("CHANNEL_DESC, TERMINATOR_FLG) ")) +
           QStringLiteral("VALUES (") + ids.panelId + Comma + ids.stripId + Comma + ids.channelId +
           CommaQuote + escaped(c.channelName()) + QuoteComma + d.proj_id + Comma + d.site_id +
           Comma + bare(c.changeNumber()) + CommaQuote + escaped(c.userName()) + QuoteCommaQuote +
           escaped(c.changeStatus()) + QuoteCommaQuote + escaped(c.changeDate()) + QuoteComma +
           d.plant_id + QStringLiteral(",'Y',") + bare(orZero(c.signalType())) + Comma +
           bare(c.primaryApparatus()) + Comma + bare(c.secondaryApparatus()) + Comma + d.area_id +
           Comma + d.unit_id + Comma + bare(c.engineeringProject()) + Comma +
           bare(c.engineeringReference()) + CommaQuote + escaped(c.category()) + QuoteComma +
           bare(c.apparatus()) + Comma + ids.termMfrId + Comma + ids.termModId + Comma +
           bare(c.sequence()) + CommaQuote + escaped(c.description()) + QuoteCommaQuote +
           escaped(c.terminatorFlag()) +
           (withSideAndConnector
                ? QuoteComma + bare(c.side()) + Comma + bare(c.connector()) + QStringLiteral(")")
                : QStringLiteral("')"));
}

QString panelStripTermInsert(const TerminalIds& ids, const db::DomainContext& d,
                             const library::PanelStripTermRow& t)
{
    return QStringLiteral("INSERT INTO panel_strip_term ") +
           QStringLiteral("(PANEL_ID, STRIP_ID, TERM_ID, PROJ_ID, SITE_ID, CHG_NUM, USER_NAME, "
                          "CHG_STATUS, CHG_DATE, TERM_SEQ, ") +
           QStringLiteral("TERM_NUM, TERM_TYPE_ID, TERM_MFR_ID, TERM_MOD_ID, TERM_COLOR_ID, "
                          "DEF_FLG, CHANNEL_ID, TERM_SPLIT_FLG, TERM_SEC_NAME, ") +
           QStringLiteral("TERM_HW_FLG, TERM_COLOR_RIGHT_ID, PORT_RIGHT_ID, PORT_LEFT_ID, "
                          "PIN_RIGHT_ID, PIN_LEFT_ID, POLARITY_RIGHT, POLARITY_LEFT, ") +
           QStringLiteral("FUNC_LEFT, FUNC_RIGHT, TERM_SOURCE_ID, AREA_ID, PLANT_ID, UNIT_ID, "
                          "HW_POS_ID, ENG_PROJ_ID, ENG_REF_ID) ") +
           QStringLiteral("VALUES (") + ids.panelId + Comma + ids.stripId + Comma + ids.termId +
           Comma + d.proj_id + Comma + d.site_id + QStringLiteral(",0,'") + escaped(t.userName()) +
           QStringLiteral("','W','") + escaped(t.changeDate()) + QuoteComma + bare(t.sequence()) +
           CommaQuote + escaped(terminalNumber(t.number(), t.hardwareFlag())) +
           QStringLiteral("',0,") + ids.termMfrId + Comma + ids.termModId + Comma +
           ids.leftColorId + QStringLiteral(",'Y',") + ids.channelId + CommaQuote +
           escaped(t.splitFlag()) + QuoteCommaQuote +
           escaped(terminalSecondaryName(t.secondaryName())) + QuoteCommaQuote +
           escaped(t.hardwareFlag()) + QuoteComma + ids.rightColorId + Comma + bare(t.portRight()) +
           Comma + bare(t.portLeft()) + Comma + bare(t.pinRight()) + Comma + bare(t.pinLeft()) +
           CommaQuote + escaped(t.polarityRight()) + QuoteCommaQuote + escaped(t.polarityLeft()) +
           QuoteCommaQuote + escaped(t.functionLeft()) + QuoteCommaQuote +
           escaped(t.functionRight()) + QuoteComma + bare(t.sourceId()) + Comma + bare(t.areaId()) +
           Comma + bare(t.plantId()) + Comma + bare(t.unitId()) + Comma +
           bare(t.hardwarePosition()) + Comma + bare(t.engineeringProject()) + Comma +
           bare(t.engineeringReference()) + QStringLiteral(")");
}

QString terminalSecondaryName(const QString& value)
{
    return db::sql::fixedWidth(value, 10);
}

QString terminalNumber(const QString& number, const QString& hardwareFlag)
{
    if (hardwareFlag != QLatin1String("R"))
        return number;
    return db::sql::fixedWidth(QString(6, QLatin1Char(' ')) + number, 10);
}

} // namespace tarnwell::import::reference
