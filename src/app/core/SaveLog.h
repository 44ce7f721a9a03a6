#pragma once

#include "app/core/MainView.h"
#include "status/StatusLog.h"

#include <QDate>

namespace tarnwell::app {

// File, Save Log...: asks where, in the user's documents, and writes the session's whole log
// there; a failure is told in a box, and nothing of the log is lost.
void saveSessionLog(Dialogs& dialogs, const status::StatusLog& status, const QDate& sessionStart);

} // namespace tarnwell::app
