#include "import/configuration/ConfigurationImport.h"

#include "db/Sql.h"
#include "db/Triggers.h"
#include "status/Failure.h"

namespace tarnwell::import {

using db::sql::bare;
using db::sql::escaped;
using db::sql::orBlank;
using library::LibraryTable;

namespace {

const QString ConfigurationMessage =
    QStringLiteral("Didn't insert the CONFIGURATION properly. Database reports: ");
const QString TerminalIdMessage = QStringLiteral(
    "Couldn't retrieve the next STRIP_CONFIG_TERM_ID from the database. Database reports: ");
const QString TerminalMessage =
    QStringLiteral("Didn't insert the CONFIGURATION terminal properly. Database reports: ");
const QString CommitMessage =
    QStringLiteral("Didn't save the CONFIGURATION as a whole. Database reports: ");

const db::CatalogueMessages MfrMessages{
    QStringLiteral("Didn't check the new TERM_MFR_NAME. Database reports: "),
    QStringLiteral("Didn't insert the new TERM_MFR. Database reports: ")};
const db::CatalogueMessages ModelMessages{
    QStringLiteral("Didn't check the new TERM_MOD_NAME. Database reports: "),
    QStringLiteral(
        "Didn't insert the new TERM_MFR_MOD for a Configuration properly. Database reports: ")};
const db::CatalogueMessages LeftColorMessages{
    QStringLiteral("Didn't check the new TERM_COLOR for the LEFT. Database reports: "),
    QStringLiteral(
        "Didn't insert the new TERM_COLOR for the LEFT terminal color. Database reports: ")};
const db::CatalogueMessages RightColorMessages{
    QStringLiteral("Didn't check the new TERM_COLOR for the RIGHT. Database reports: "),
    QStringLiteral(
        "Didn't insert the new TERM_COLOR for the RIGHT terminal color. Database reports: ")};

const QString DisabledPrefix = QStringLiteral("disabled-strip_config.prefix");

// Release 7 still has the prefix column; later releases do not.
QString stripConfigInsert(const QString& id, const db::DomainContext& d, const LibraryTable::Row& p,
                          const QString& userName, const QString& termMfrId,
                          const QString& termModId, std::optional<QString> prefix)
{
    QString statement =
        QStringLiteral("INSERT INTO strip_config ") +
        QStringLiteral("(strip_config_id, proj_id, site_id, chg_num, chg_status, chg_date, ") +
        QStringLiteral("user_name, strip_config_name, strip_config_desc, strip_name_default, ") +
        QStringLiteral("term_count, first_term, first_chn_no, term_in_chn, term_mfr_id, ") +
        QStringLiteral("term_mod_id, hardware_count, config_type, strip_category, ") +
        (prefix ? QStringLiteral("terminator_flg, prefix, numbered) ")
                : QStringLiteral("terminator_flg, numbered) ")) +
        QStringLiteral("VALUES (") + id + QStringLiteral(",") + d.proj_id + QStringLiteral(",") +
        d.site_id + QStringLiteral(", 0,'") + escaped(p[4]) + QStringLiteral("', '") +
        escaped(p[5]) + QStringLiteral("','") + escaped(userName) + QStringLiteral("','") +
        escaped(p[7]) + QStringLiteral("','") + escaped(p[8]) + QStringLiteral("','") +
        escaped(p[9]) + QStringLiteral("', ") + bare(p[10]) + QStringLiteral(", ") + bare(p[11]) +
        QStringLiteral(", ") + bare(p[12]) + QStringLiteral(", ") + bare(p[13]) +
        QStringLiteral(", ") + termMfrId + QStringLiteral(", ") + termModId + QStringLiteral(", ") +
        bare(p[16]) + QStringLiteral(", '") + escaped(p[17]) + QStringLiteral("', '") +
        escaped(p[18]) + QStringLiteral("','") + escaped(p[19]) + QStringLiteral("', '");
    if (prefix)
        statement += escaped(*prefix) + QStringLiteral("', '");
    return statement + escaped(p[21]) + QStringLiteral("')");
}

QString stripConfigTermInsert(const QString& stripConfigId, const QString& id,
                              const db::DomainContext& d, const LibraryTable::Row& p,
                              const QString& leftColorId, const QString& rightColorId)
{
    return QStringLiteral("INSERT INTO strip_config_term ") +
           QStringLiteral("(strip_config_id, strip_config_term_id, proj_id, site_id, chg_num, "
                          "chg_status, chg_date, user_name, ") +
           QStringLiteral(" term_cfg_prefix, term_cfg_suffix, incremented_flg, numbered_flg, "
                          "term_color_left_id, term_color_right_id, ") +
           QStringLiteral(" term_hw_flg, channel_left, channel_right, func_left, func_right, "
                          "polarity_left, polarity_right, term_num) ") +
           QStringLiteral("VALUES (") + stripConfigId + QStringLiteral(",") + id +
           QStringLiteral(",") + d.proj_id + QStringLiteral(",") + d.site_id + QStringLiteral(",") +
           bare(p[4]) + QStringLiteral(",'") + escaped(p[5]) + QStringLiteral("','") +
           escaped(p[6]) + QStringLiteral("','") + escaped(p[7]) + QStringLiteral("','") +
           escaped(orBlank(p[8])) + QStringLiteral("','") + escaped(orBlank(p[9])) +
           QStringLiteral("','") + escaped(p[10]) + QStringLiteral("','") + escaped(p[11]) +
           QStringLiteral("',") + leftColorId + QStringLiteral(",") + rightColorId +
           QStringLiteral(",'") + escaped(p[14]) + QStringLiteral("','") + escaped(p[15]) +
           QStringLiteral("','") + escaped(p[16]) + QStringLiteral("','") + escaped(p[17]) +
           QStringLiteral("','") + escaped(p[18]) + QStringLiteral("','") + escaped(p[19]) +
           QStringLiteral("','") + escaped(p[20]) + QStringLiteral("','") + escaped(p[21]) +
           QStringLiteral("')");
}

} // namespace

void ConfigurationImport::ImportConfiguration(const QString& name)
{
    const std::optional<int> start = m_session.configurationsByName().first(name);
    if (start)
        importRow(*start);
}

ApparatusOutcome ConfigurationImport::importRow(int rowStart)
{
    const LibraryTable::Row row =
        m_session.library().stripConfig.row(rowStart, library::StripConfigWidth);
    db::Database& database = m_session.database();
    return m_session.writeWhole([&] { writeConfiguration(row); }, CommitMessage,
                                [&] {
                                    // On Oracle this statement commits whatever is open, which
                                    // would keep a check's rows.
                                    if (!(database.checkOnly() && database.isOracle()))
                                        db::EnableTriggers(database);
                                });
}

void ConfigurationImport::writeConfiguration(const LibraryTable::Row& row)
{
    db::Database& database = m_session.database();
    db::TermCatalogue& catalogue = m_session.catalogue();
    const db::DomainContext& domain = m_session.domain();

    ConfigLibraryId = row[0];
    const QString userName = db::sql::fixedWidth(row[6], 30);
    m_stripConfigId = database.NextRecordId(db::IdTable::StripConfig);

    const QString termMfrId =
        catalogue.FindOrCreateTermMfr({row[22], row[31], row[32], row[33]}, MfrMessages);
    const QString termModId = catalogue.FindOrCreateTermModel(
        termMfrId,
        {row[23], row[24], row[25], row[26], row[27], row[28], row[29], row[30], row[34], row[35]},
        ModelMessages);

    std::optional<QString> prefix;
    if (database.TargetMajorVersion == 7)
        prefix = row[20] == DisabledPrefix ? QString() : row[20];
    m_session.message().arm(ConfigurationMessage);
    database.RunCommand(
        stripConfigInsert(m_stripConfigId, domain, row, userName, termMfrId, termModId, prefix));

    m_session.configurationTerminals().forEach(
        ConfigLibraryId, [&](const LibraryTable::Row& terminal, int) { writeTerminal(terminal); });
}

void ConfigurationImport::writeTerminal(const LibraryTable::Row& terminal)
{
    db::Database& database = m_session.database();
    const TerminalColours colours = m_session.terminalColours(
        terminal[12], terminal[13], LeftColorMessages, RightColorMessages);

    m_session.message().arm(TerminalIdMessage);
    const QString id = database.NextRecordId(db::IdTable::StripConfigTerm);
    m_session.message().arm(TerminalMessage);
    database.RunCommand(stripConfigTermInsert(m_stripConfigId, id, m_session.domain(), terminal,
                                              colours.left, colours.right));
}

} // namespace tarnwell::import
