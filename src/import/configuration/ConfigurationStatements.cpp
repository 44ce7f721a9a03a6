#include "import/configuration/ConfigurationStatements.h"

#include "db/Sql.h"

namespace tarnwell::import::configuration {

using db::sql::bare;
using db::sql::escaped;
using db::sql::orBlank;

QString stripConfigInsert(const QString& id, const db::DomainContext& d, const Row& p,
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
                              const db::DomainContext& d, const Row& p, const QString& leftColorId,
                              const QString& rightColorId)
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

} // namespace tarnwell::import::configuration
