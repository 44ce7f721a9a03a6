#pragma once

#include "db/Login.h"
#include "library/LibraryRows.h"

#include <QString>

#include <optional>

// The statements of a configuration import, each assembled in one place from its fixed pieces.
// Library values go through db::sql::escaped() between quotes and db::sql::bare() when written
// as numbers; identifiers and domain values are the database's own and are written as they are.
namespace tarnwell::import::configuration {

// From the values of a StripConfig row. Release 7 still has the prefix column, and only then is
// `prefix` given; later releases do not have it.
QString stripConfigInsert(const QString& id, const db::DomainContext& d,
                          const library::StripConfigRow& p, const QString& userName,
                          const QString& termMfrId, const QString& termModId,
                          std::optional<QString> prefix);

// From the values of a StripConfigTerm row.
QString stripConfigTermInsert(const QString& stripConfigId, const QString& id,
                              const db::DomainContext& d, const library::StripConfigTermRow& p,
                              const QString& leftColorId, const QString& rightColorId);

} // namespace tarnwell::import::configuration
