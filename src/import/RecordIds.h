#pragma once

#include <QString>

namespace tarnwell::db {
class Database;
}

namespace tarnwell::import {

// Tables whose new rows get an identifier from NextRecordId.
enum class IdTable {
    StripConfig,
    StripConfigTerm,
    TermMfr,
    TermMfrMod,
    TermColor,
    Panel,
    StripMfr,
    StripMfrMod,
    StripType,
    PanelStrip,
    Channel,
    PanelStripTerm,
};

// The identifier query for a table: one sequence on Oracle, the table's maximum plus one elsewhere.
QString nextRecordIdStatement(IdTable table, bool oracle);

// The identifier for the next new row of `table`, as text; "1" for an empty table. Throws what
// Database::RunQuery throws.
QString NextRecordId(db::Database& database, IdTable table);

} // namespace tarnwell::import
