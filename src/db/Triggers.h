#pragma once

namespace tarnwell::db {

class Database;

// Switch the triggers of panel and udf_panel off and on for an import run. Both report their
// outcome on the status display and never throw: a run goes on whatever happened here.
void DisableTriggers(Database& database);
void EnableTriggers(Database& database);

} // namespace tarnwell::db
