#include "import/RecordIds.h"

#include "db/Database.h"

namespace tarnwell::import {

namespace {

// The table and its identifier column.
std::pair<QString, QString> identified(IdTable table)
{
    switch (table) {
    case IdTable::StripConfig:
        return {QStringLiteral("strip_config"), QStringLiteral("strip_config_id")};
    case IdTable::StripConfigTerm:
        return {QStringLiteral("strip_config_term"), QStringLiteral("strip_config_term_id")};
    case IdTable::TermMfr:
        return {QStringLiteral("term_mfr"), QStringLiteral("term_mfr_id")};
    case IdTable::TermMfrMod:
        return {QStringLiteral("term_mfr_mod"), QStringLiteral("term_mod_id")};
    case IdTable::TermColor:
        return {QStringLiteral("term_color"), QStringLiteral("term_color_id")};
    case IdTable::Panel:
        return {QStringLiteral("panel"), QStringLiteral("panel_id")};
    case IdTable::StripMfr:
        return {QStringLiteral("strip_mfr"), QStringLiteral("strip_mfr_id")};
    case IdTable::StripMfrMod:
        return {QStringLiteral("strip_mfr_mod"), QStringLiteral("strip_mod_id")};
    case IdTable::StripType:
        return {QStringLiteral("strip_type"), QStringLiteral("strip_type_id")};
    case IdTable::PanelStrip:
        return {QStringLiteral("panel_strip"), QStringLiteral("strip_id")};
    case IdTable::Channel:
        return {QStringLiteral("channel"), QStringLiteral("channel_id")};
    case IdTable::PanelStripTerm:
        return {QStringLiteral("panel_strip_term"), QStringLiteral("term_id")};
    }
    Q_UNREACHABLE();
}

} // namespace

QString tableName(IdTable table)
{
    return identified(table).first;
}

QString nextRecordIdStatement(const db::Dialect& dialect, IdTable table)
{
    const auto [name, column] = identified(table);
    return dialect.nextIdQuery(name, column);
}

QString NextRecordId(db::Database& database, IdTable table,
                     const std::optional<db::Prediction>& predicted)
{
    const db::ResultSet result =
        database.RunQuery(nextRecordIdStatement(database.dialect(), table), predicted);
    const db::Value id = result.value(0);
    return id ? *id : QStringLiteral("1");
}

} // namespace tarnwell::import
