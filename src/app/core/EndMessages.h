#pragma once

#include "app/connection/ConnectionSession.h"
#include "db/Platform.h"

#include <QString>

#include <optional>

namespace tarnwell::app {

// What the message box at the end of an import says, when the end calls for one: a lost
// connection, triggers that are not on again, apparatuses that were not written.
std::optional<QString> importEndMessage(const ImportOutcome& outcome, db::Platform platform);

// The box for ending the program while the triggers could not be switched on within
// `waitSeconds`.
QString triggersNotBackMessage(db::Platform platform, int waitSeconds);

} // namespace tarnwell::app
