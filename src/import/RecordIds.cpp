#include "import/RecordIds.h"

#include "db/Database.h"

namespace tarnwell::import {

QString nextRecordIdStatement(IdTable table, bool oracle)
{
    if (oracle)
        return QStringLiteral("SELECT seq_next_id.nextval FROM dual");
    switch (table) {
    case IdTable::StripConfig:
        return QStringLiteral("SELECT max(strip_config_id)+1 FROM strip_config");
    case IdTable::StripConfigTerm:
        return QStringLiteral("SELECT max(strip_config_term_id)+1 FROM strip_config_term");
    case IdTable::TermMfr:
        return QStringLiteral("SELECT max(term_mfr_id)+1 FROM term_mfr");
    case IdTable::TermMfrMod:
        return QStringLiteral("SELECT max(term_mod_id)+1 FROM term_mfr_mod");
    case IdTable::TermColor:
        return QStringLiteral("SELECT max(term_color_id)+1 FROM term_color");
    case IdTable::Panel:
        return QStringLiteral("SELECT max(panel_id)+1 FROM panel");
    case IdTable::StripMfr:
        return QStringLiteral("SELECT max(strip_mfr_id)+1 FROM strip_mfr");
    case IdTable::StripMfrMod:
        return QStringLiteral("SELECT max(strip_mod_id)+1 FROM strip_mfr_mod");
    case IdTable::StripType:
        return QStringLiteral("SELECT max(strip_type_id)+1 FROM strip_type");
    case IdTable::PanelStrip:
        return QStringLiteral("SELECT max(strip_id)+1 FROM panel_strip");
    case IdTable::Channel:
        return QStringLiteral("SELECT max(channel_id)+1 FROM channel");
    case IdTable::PanelStripTerm:
        return QStringLiteral("SELECT max(term_id)+1 FROM panel_strip_term");
    }
    Q_UNREACHABLE();
}

QString NextRecordId(db::Database& database, IdTable table)
{
    const db::ResultSet result =
        database.RunQuery(nextRecordIdStatement(table, database.isOracle()));
    const db::Value id = result.value(0);
    return id ? *id : QStringLiteral("1");
}

} // namespace tarnwell::import
