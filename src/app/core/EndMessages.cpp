#include "app/core/EndMessages.h"

#include "db/Dialect.h"

namespace tarnwell::app {

using import::RunOutcome;

namespace {

QString administrator(db::Platform platform)
{
    return QStringLiteral("A database administrator must run these two statements:\n\n") +
           db::Dialect::triggerStatements(platform, true).join(QLatin1Char('\n'));
}

} // namespace

std::optional<QString> importEndMessage(const ImportOutcome& outcome, db::Platform platform)
{
    const import::RunReport& report = outcome.report;
    if (report.outcome == RunOutcome::ConnectionLost) {
        QString text = QStringLiteral("The connection to the database was lost during the "
                                      "import.\n\n") +
                       QString::number(report.written) +
                       QStringLiteral(" apparatuses were written whole; the rest was not "
                                      "written.\n\n");
        text += outcome.reconnected
                    ? QStringLiteral("The triggers of PANEL and UDF_PANEL are on again.")
                    : QStringLiteral("The triggers of PANEL and UDF_PANEL could not be "
                                     "switched on again. ") +
                          administrator(platform);
        return text;
    }
    // Only the status display would say so otherwise, and SPI's bookkeeping on both tables
    // stays off until someone acts.
    if (!report.triggersOn)
        return QStringLiteral("The triggers of PANEL and UDF_PANEL could not be switched on "
                              "again. ") +
               administrator(platform);
    if (report.outcome == RunOutcome::Finished && !report.notWritten.isEmpty()) {
        constexpr int Shown = 20;
        QString text = QStringLiteral("These apparatuses were not written:\n\n") +
                       report.notWritten.mid(0, Shown).join(QLatin1Char('\n'));
        if (report.notWritten.size() > Shown)
            text += QStringLiteral("\nand ") + QString::number(report.notWritten.size() - Shown) +
                    QStringLiteral(" more");
        return text;
    }
    return std::nullopt;
}

QString triggersNotBackMessage(db::Platform platform, int waitSeconds)
{
    return QStringLiteral("The import was stopped, but the triggers of PANEL and UDF_PANEL could "
                          "not be switched on again within ") +
           QString::number(waitSeconds) + QStringLiteral(" seconds. ") + administrator(platform);
}

} // namespace tarnwell::app
