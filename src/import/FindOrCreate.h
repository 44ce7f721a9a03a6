#pragma once

#include "db/Database.h"
#include "import/MessageInForce.h"

#include <QString>

#include <functional>

namespace tarnwell::import {

// The find-or-create step of the catalogues: `lookup` is sent under `lookupMessage` and column
// `idColumn` of its first row is the identifier. When it finds no row, the next identifier of
// `table` is asked for, still under the lookup's message, and `insert(id)` is built and sent
// under `insertMessage`; the new identifier is returned.
QString findOrCreate(db::Database& database, MessageInForce& message, const QString& lookup,
                     int idColumn, db::IdTable table,
                     const std::function<QString(const QString& id)>& insert,
                     const QString& lookupMessage, const QString& insertMessage);

} // namespace tarnwell::import
