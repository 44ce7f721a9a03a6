#include "import/ImportSteps.h"

#include "library/LibraryRows.h"

#include "db/Transaction.h"
#include "status/StatusLog.h"



namespace tarnwell::import {

ImportSteps::ImportSteps(db::Database& database, status::StatusLog& status,
                             const library::VendorLibrary& library, const db::DomainContext& domain)
    : m_database(database), m_status(status), m_library(library), m_indexes(library),
      m_domain(domain), m_catalogue(*this)
{}

ApparatusOutcome ImportSteps::writeWhole(const std::function<void()>& write,
                                           const QString& commitMessage,
                                           const std::function<void()>& afterFailure)
{
    m_apparatusRows.clear();
    std::optional<db::Transaction> transaction;
    try {
        // An apparatus that cannot even begin as one unit is not written either, and the run
        // goes on with the next.
        step(commitMessage, [&] { transaction.emplace(m_database); });
        write();
        step(commitMessage, [&] { transaction->commit(); });
    } catch (const StepFailure& failure) {
        // Roll back first: a follow-up statement such as switching triggers on must not run
        // inside the failed transaction.
        if (transaction)
            transaction->rollback();
        m_status.ReportDbFailure(failure.message(), failure.description());
        if (afterFailure)
            afterFailure();
        return ApparatusOutcome::Failed;
    }
    if (m_checkedRows) {
        for (const auto& [table, rows] : m_apparatusRows)
            (*m_checkedRows)[table] += rows;
    }
    return ApparatusOutcome::Written;
}

void ImportSteps::insert(const QString& table, const QString& message,
                         const std::function<QString()>& build)
{
    step(message, [&] { m_database.RunCommand(build()); });
    if (m_checkedRows)
        ++m_apparatusRows[table];
}

QString ImportSteps::nextId(IdTable table, const QString& message)
{
    return step(message, [&] { return NextRecordId(m_database, table); });
}

} // namespace tarnwell::import
