#include "db/Database.h"

#include <utility>

namespace tarnwell::db {

bool Prediction::holdsFor(const ResultSet& actual) const
{
    if ((actual.rowCount() > 0) != (answer.rowCount() > 0))
        return false;
    return answer.rowCount() == 0 || actual.found(column) == answer.found(column);
}

Database::Database(Connection& connection, Platform platform)
    : m_connection(connection), m_dialect(Dialect::of(platform, connection.dbmsName()))
{}

void Database::failed()
{
    throw m_connection.lastError();
}

void Database::throwIfClosed() const
{
    if (!m_closedBecause.isNull())
        throw DatabaseError(DatabaseError::Kind::ConnectionLost, m_closedBecause);
}

ResultSet Database::RunQuery(const QString& sql)
{
    throwIfClosed();
    if (m_pipeline.on) {
        m_pipeline.statements.append(sql);
        m_pipeline.predictions.emplace_back();
        return sendWaiting().back();
    }
    ResultSet result;
    if (!m_connection.query(sql, result))
        failed();
    return result;
}

ResultSet Database::RunQuery(const QString& sql, const std::optional<Prediction>& predicted)
{
    if (!m_pipeline.on || !predicted)
        return RunQuery(sql);
    throwIfClosed();
    m_pipeline.statements.append(sql);
    m_pipeline.predictions.push_back(predicted);
    return predicted->answer;
}

void Database::RunCommand(const QString& sql)
{
    throwIfClosed();
    if (m_pipeline.on) {
        m_pipeline.statements.append(sql);
        m_pipeline.predictions.emplace_back();
        return;
    }
    if (!m_connection.execute(sql))
        failed();
}

std::vector<ResultSet> Database::runBatch(const QStringList& statements)
{
    throwIfClosed();
    std::vector<ResultSet> results;
    if (!m_connection.executeBatch(statements, results))
        failed();
    // Every answer is read against its statement: a connection that broke that promise would
    // have each read against the wrong one.
    if (results.size() != static_cast<std::size_t>(statements.size()))
        throw DatabaseError(DatabaseError::Kind::Refused,
                            QStringLiteral("The database gave %1 results for %2 statements.")
                                .arg(results.size())
                                .arg(statements.size()));
    return results;
}

void Database::startPipeline()
{
    m_pipeline = Pipeline();
    m_pipeline.on = true;
}

void Database::stopPipeline() noexcept
{
    m_pipeline = Pipeline();
}

void Database::flush()
{
    if (!m_pipeline.statements.isEmpty())
        sendWaiting();
}

std::vector<ResultSet> Database::sendWaiting()
{
    const QStringList statements = std::exchange(m_pipeline.statements, {});
    const std::vector<std::optional<Prediction>> predictions =
        std::exchange(m_pipeline.predictions, {});
    const std::vector<ResultSet> results = runBatch(statements);
    for (std::size_t i = 0; i < predictions.size(); ++i) {
        if (predictions[i] && !predictions[i]->holdsFor(results[i]))
            throw PredictionMissed();
    }
    return results;
}

void Database::beginTransaction()
{
    throwIfClosed();
    if (m_openTransactions > 0) {
        // Sent at once, even when pipelining: a request that fails may take back everything in
        // it, and a savepoint taken back with it could not be rolled back to.
        RunCommand(m_dialect.savepoint(m_openTransactions + 1));
        flush();
    } else if (!m_connection.beginTransaction()) {
        failed();
    }
    ++m_openTransactions;
}

void Database::commit()
{
    // What waits goes with the commit: should it fail, the level is still open to be rolled
    // back.
    if (m_openTransactions > 1) {
        // The answers are checked before the savepoint is released, not in the same request:
        // an answer that differs from its prediction must still find the savepoint to roll
        // back to.
        flush();
        const QString release = m_dialect.releaseSavepoint(m_openTransactions);
        if (!release.isEmpty()) {
            RunCommand(release);
            flush();
        }
    } else {
        flush();
        if (!m_connection.commit()) {
            // Still counted as open: the rollback that follows a failed commit ends it.
            failed();
        }
    }
    --m_openTransactions;
}

void Database::rollback() noexcept
{
    const int level = m_openTransactions;
    if (m_openTransactions > 0)
        --m_openTransactions;
    if (!m_closedBecause.isNull())
        return;
    // Whatever still waits belongs to the level rolled back: it was never sent.
    m_pipeline.statements.clear();
    m_pipeline.predictions.clear();
    try {
        const bool rolledBack = level > 1
                                    ? m_connection.rollbackTo(m_dialect.rollbackToSavepoint(level))
                                    : m_connection.rollback();
        if (rolledBack)
            return;
        m_closedBecause =
            QStringLiteral("The transaction could not be rolled back, so the connection was "
                           "closed and the server discarded it. Database reports: ") +
            m_connection.lastError().description();
        m_openTransactions = 0;
        m_connection.close();
    } catch (...) {
        // Nothing more can be done on the way out of a failure; the server discards an
        // unfinished transaction when the connection goes.
    }
}

} // namespace tarnwell::db
