#pragma once

#include <QStringList>

namespace tarnwell::db {
class Database;
}

namespace tarnwell::import {

// Switch the triggers of panel and udf_panel off and on for an import run. Both report their
// outcome on the status display and never throw: a run goes on whatever happened here.
// Both report on the status display and return whether both statements succeeded.
bool DisableTriggers(db::Database& database);
bool EnableTriggers(db::Database& database);

// The two statements that switch the triggers on again, for a database administrator to run
// when the program could not.
QStringList EnableTriggerStatements(bool oracle);

} // namespace tarnwell::import
