#include "import/configuration/ConfigurationStatements.h"

#include "db/Sql.h"

namespace tarnwell::import::configuration {

using db::sql::bare;
using db::sql::escaped;
using db::sql::orBlank;

QString stripConfigInsert(const QString& id, const db::DomainContext& d,
                          const library::StripConfigRow& p, const QString& userName,
                          const QString& termMfrId, const QString& termModId,
                          std::optional<QString> prefix)
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
        d.site_id + QStringLiteral(", 0,'") + escaped(p.changeStatus()) + QStringLiteral("', '") +
        escaped(p.changeDate()) + QStringLiteral("','") + escaped(userName) +
        QStringLiteral("','") + escaped(p.stripConfigName()) + QStringLiteral("','") +
        escaped(p.description()) + QStringLiteral("','") + escaped(p.defaultStripName()) +
        QStringLiteral("', ") + bare(p.terminalCount()) + QStringLiteral(", ") +
        bare(p.firstTerminal()) + QStringLiteral(", ") + bare(p.firstChannelNumber()) +
        QStringLiteral(", ") + bare(p.terminalsInChannel()) + QStringLiteral(", ") + termMfrId +
        QStringLiteral(", ") + termModId + QStringLiteral(", ") + bare(p.hardwareCount()) +
        QStringLiteral(", '") + escaped(p.configType()) + QStringLiteral("', '") +
        escaped(p.category()) + QStringLiteral("','") + escaped(p.terminatorFlag()) +
        QStringLiteral("', '");
    if (prefix)
        statement += escaped(*prefix) + QStringLiteral("', '");
    return statement + escaped(p.numbered()) + QStringLiteral("')");
}

QString stripConfigTermInsert(const QString& stripConfigId, const QString& id,
                              const db::DomainContext& d, const library::StripConfigTermRow& p,
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
           bare(p.changeNumber()) + QStringLiteral(",'") + escaped(p.changeStatus()) +
           QStringLiteral("','") + escaped(p.changeDate()) + QStringLiteral("','") +
           escaped(p.userName()) + QStringLiteral("','") + escaped(orBlank(p.prefix())) +
           QStringLiteral("','") + escaped(orBlank(p.suffix())) + QStringLiteral("','") +
           escaped(p.incrementedFlag()) + QStringLiteral("','") + escaped(p.numberedFlag()) +
           QStringLiteral("',") + leftColorId + QStringLiteral(",") + rightColorId +
           QStringLiteral(",'") + escaped(p.hardwareFlag()) + QStringLiteral("','") +
           escaped(p.channelLeft()) + QStringLiteral("','") + escaped(p.channelRight()) +
           QStringLiteral("','") + escaped(p.functionLeft()) + QStringLiteral("','") +
           escaped(p.functionRight()) + QStringLiteral("','") + escaped(p.polarityLeft()) +
           QStringLiteral("','") + escaped(p.polarityRight()) + QStringLiteral("','") +
           escaped(p.terminalNumber()) + QStringLiteral("')");
}

} // namespace tarnwell::import::configuration
