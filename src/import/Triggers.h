#pragma once

namespace tarnwell::db {
class Database;
}
namespace tarnwell::status {
class StatusLog;
}

namespace tarnwell::import {

// Switch the triggers of panel and udf_panel off and on for an import run. Both report their
// outcome on `status`; a refusal does not end the run. EnableTriggers says whether both
// statements succeeded, for the honest end of a run. A lost connection ends the run: its
// DatabaseError is passed on, for the caller to reconnect.
void DisableTriggers(db::Database& database, status::StatusLog& status);
bool EnableTriggers(db::Database& database, status::StatusLog& status);

} // namespace tarnwell::import
