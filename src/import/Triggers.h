#pragma once

#include <QStringList>

namespace tarnwell::db {
class Database;
}
namespace tarnwell::status {
class StatusLog;
}

namespace tarnwell::import {

// Switch the triggers of panel and udf_panel off and on for an import run. Both report their
// outcome on `status` and return whether both statements succeeded; a refusal does not end the
// run. A lost connection does: db::ConnectionLost is passed on, for the caller to reconnect.
bool DisableTriggers(db::Database& database, status::StatusLog& status);
bool EnableTriggers(db::Database& database, status::StatusLog& status);

// The two statements that switch the triggers on again, for a database administrator to run
// when the program could not.
QStringList EnableTriggerStatements(bool oracle);

} // namespace tarnwell::import
