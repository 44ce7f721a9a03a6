#pragma once

namespace tarnwell::db {
class Database;
}
namespace tarnwell::status {
class StatusLog;
}

namespace tarnwell::import {

// Switch the triggers of panel and udf_panel off and on for an import run. Both report their
// outcome on `status` and return whether both statements succeeded; a refusal does not end the
// run. A lost connection does: its DatabaseError is passed on, for the caller to reconnect.
bool DisableTriggers(db::Database& database, status::StatusLog& status);
bool EnableTriggers(db::Database& database, status::StatusLog& status);

} // namespace tarnwell::import
