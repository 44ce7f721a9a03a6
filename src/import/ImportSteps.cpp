#include "import/ImportSteps.h"

#include "library/LibraryRows.h"

#include "db/Transaction.h"
#include "status/StatusLog.h"

#include <QScopeGuard>

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
    if (m_writeAhead) {
        if (const std::optional<ApparatusOutcome> outcome = writeAhead(write))
            return *outcome;
        ++m_rewritten;
    }
    return writeOneAtATime(write, commitMessage, afterFailure);
}

std::optional<ApparatusOutcome> ImportSteps::writeAhead(const std::function<void()>& write)
{
    m_apparatusRows.clear();
    m_foresight.apparatusBegins();
    m_database.startPipeline();
    const auto stop = qScopeGuard([this] { m_database.stopPipeline(); });
    std::optional<db::Transaction> transaction;
    try {
        transaction.emplace(m_database);
        write();
        transaction->commit();
        keep();
        return ApparatusOutcome::Written;
    } catch (const StepFailure&) {
    } catch (const db::PredictionMissed&) {
    } catch (const Failure&) {
    } catch (const db::DatabaseError& error) {
        // Cancel and a lost connection end the run here as they would one at a time.
        if (!error.refused()) {
            m_foresight.apparatusTakenBack();
            throw;
        }
    }
    if (transaction)
        transaction->rollback();
    m_foresight.apparatusTakenBack();
    return std::nullopt;
}

ApparatusOutcome ImportSteps::writeOneAtATime(const std::function<void()>& write,
                                              const QString& commitMessage,
                                              const std::function<void()>& afterFailure)
{
    m_apparatusRows.clear();
    m_foresight.apparatusBegins();
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
        m_foresight.apparatusTakenBack();
        m_status.ReportDbFailure(failure.message(), failure.description());
        if (afterFailure)
            afterFailure();
        return ApparatusOutcome::Failed;
    } catch (...) {
        m_foresight.apparatusTakenBack();
        throw;
    }
    keep();
    return ApparatusOutcome::Written;
}

void ImportSteps::keep()
{
    m_foresight.apparatusKept();
    if (m_checkedRows) {
        for (const auto& [table, rows] : m_apparatusRows)
            (*m_checkedRows)[table] += rows;
    }
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
    return step(message, [&] { return nextIdUncovered(table); });
}

QString ImportSteps::nextIdUncovered(IdTable table)
{
    const QString id = NextRecordId(
        m_database, table, m_database.pipelining() ? m_foresight.nextId(table) : std::nullopt);
    m_foresight.idUsed(table, id);
    return id;
}

std::optional<QString> ImportSteps::lookup(const QString& message, const QString& sql, int idColumn)
{
    return step(message, [&] {
        const std::optional<QString> found =
            m_database
                .RunQuery(sql, m_database.pipelining() ? m_foresight.lookup(sql, idColumn)
                                                       : std::nullopt)
                .found(idColumn);
        m_foresight.lookedUp(sql, idColumn, found);
        return found;
    });
}

} // namespace tarnwell::import
