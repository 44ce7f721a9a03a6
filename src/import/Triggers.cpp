#include "import/Triggers.h"

#include "db/Database.h"
#include "status/StatusLog.h"

namespace tarnwell::import {

namespace {

bool switchTriggers(db::Database& database, status::StatusLog& status, bool enable)
{
    const QString failed =
        enable ? QStringLiteral("Triggers didn't enable properly. Database reports: ")
               : QStringLiteral("Triggers didn't disable properly. Database reports: ");
    try {
        for (const QString& statement : database.dialect().triggerStatements(enable))
            database.RunCommand(statement);
    } catch (const db::DatabaseError& error) {
        switch (error.kind()) {
        case db::DatabaseError::Kind::ConnectionLost:
            throw;
        case db::DatabaseError::Kind::Cancelled:
            status.ReportDbFailure(failed, QStringLiteral("Operation cancelled"));
            return false;
        case db::DatabaseError::Kind::Refused:
            status.ReportDbFailure(failed, error.description());
            return false;
        }
    }
    status.ShowStatus(enable ? QStringLiteral("Triggers on PANEL and UDF_PANEL are ENABLED.")
                             : QStringLiteral("Triggers on PANEL and UDF_PANEL are DISABLED."));
    return true;
}

} // namespace

void DisableTriggers(db::Database& database, status::StatusLog& status)
{
    switchTriggers(database, status, false);
}

bool EnableTriggers(db::Database& database, status::StatusLog& status)
{
    return switchTriggers(database, status, true);
}

} // namespace tarnwell::import
