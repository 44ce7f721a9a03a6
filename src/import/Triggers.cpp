#include "import/Triggers.h"

#include "db/Database.h"
#include "status/Failure.h"
#include "status/StatusLog.h"

namespace tarnwell::import {

using db::Cancelled;
using db::ConnectionLost;
using db::Database;

namespace {

QStringList triggerStatements(bool oracle, bool enable)
{
    // The Oracle dialect says "ALL TRIGGERS", every other platform "TRIGGER ALL".
    const QString verb = enable ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE");
    const QString what = oracle ? QStringLiteral(" ALL TRIGGERS") : QStringLiteral(" TRIGGER ALL");
    return {QStringLiteral("ALTER TABLE panel ") + verb + what,
            QStringLiteral("ALTER TABLE udf_panel ") + verb + what};
}

bool switchTriggers(Database& database, status::StatusLog& status, bool enable)
{
    const QString failed =
        enable ? QStringLiteral("Triggers didn't enable properly. Database reports: ")
               : QStringLiteral("Triggers didn't disable properly. Database reports: ");
    try {
        for (const QString& statement : triggerStatements(database.isOracle(), enable))
            database.RunCommand(statement);
    } catch (const Failure& failure) {
        status.ReportDbFailure(failed, failure.description());
        return false;
    } catch (const Cancelled&) {
        status.ReportDbFailure(failed, QStringLiteral("Operation cancelled"));
        return false;
    }
    status.ShowStatus(enable ? QStringLiteral("Triggers on PANEL and UDF_PANEL are ENABLED.")
                             : QStringLiteral("Triggers on PANEL and UDF_PANEL are DISABLED."));
    return true;
}

} // namespace

bool DisableTriggers(Database& database, status::StatusLog& status)
{
    return switchTriggers(database, status, false);
}

bool EnableTriggers(Database& database, status::StatusLog& status)
{
    return switchTriggers(database, status, true);
}

QStringList EnableTriggerStatements(bool oracle)
{
    return triggerStatements(oracle, true);
}

} // namespace tarnwell::import
