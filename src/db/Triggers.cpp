#include "db/Triggers.h"

#include "db/Database.h"
#include "status/Failure.h"
#include "status/StatusLog.h"

namespace tarnwell::db {

namespace {

void switchTriggers(Database& database, bool enable)
{
    // The Oracle dialect says "ALL TRIGGERS", every other platform "TRIGGER ALL".
    const QString verb = enable ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE");
    const QString what =
        database.isOracle() ? QStringLiteral(" ALL TRIGGERS") : QStringLiteral(" TRIGGER ALL");
    try {
        database.RunCommand(QStringLiteral("ALTER TABLE panel ") + verb + what);
        database.RunCommand(QStringLiteral("ALTER TABLE udf_panel ") + verb + what);
    } catch (const Failure& failure) {
        database.ReportDbFailure(
            enable ? QStringLiteral("Triggers didn't enable properly. Database reports: ")
                   : QStringLiteral("Triggers didn't disable properly. Database reports: "),
            failure.description());
        return;
    }
    database.status().ShowStatus(
        enable ? QStringLiteral("Triggers on PANEL and UDF_PANEL are ENABLED.")
               : QStringLiteral("Triggers on PANEL and UDF_PANEL are DISABLED."));
}

} // namespace

void DisableTriggers(Database& database)
{
    switchTriggers(database, false);
}

void EnableTriggers(Database& database)
{
    switchTriggers(database, true);
}

} // namespace tarnwell::db
