#pragma once

#include <QString>

#include <optional>

#include "db/Database.h"

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

// The table's name, as the statements write it.
QString tableName(IdTable table);

// The identifier query for a table in the connection's dialect.
QString nextRecordIdStatement(const db::Dialect& dialect, IdTable table);

// The identifier for the next new row of `table`, as text; "1" for an empty table. Throws what
// Database::RunQuery throws.
QString NextRecordId(db::Database& database, IdTable table,
                     const std::optional<db::Prediction>& predicted = {});

} // namespace tarnwell::import
