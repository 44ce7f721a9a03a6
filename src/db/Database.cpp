#include "db/Database.h"

namespace tarnwell::db {

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
    ResultSet result;
    if (!m_connection.query(sql, result))
        failed();
    return result;
}

void Database::RunCommand(const QString& sql)
{
    throwIfClosed();
    if (!m_connection.execute(sql))
        failed();
}

void Database::beginTransaction()
{
    throwIfClosed();
    if (m_openTransactions > 0)
        RunCommand(m_dialect.savepoint(m_openTransactions + 1));
    else if (!m_connection.beginTransaction())
        failed();
    ++m_openTransactions;
}

void Database::commit()
{
    if (m_openTransactions > 1) {
        const QString release = m_dialect.releaseSavepoint(m_openTransactions);
        if (!release.isEmpty())
            RunCommand(release);
    } else if (!m_connection.commit()) {
        // Still counted as open: the rollback that follows a failed commit ends it.
        failed();
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
    try {
        const bool rolledBack = level > 1
                                    ? m_connection.execute(m_dialect.rollbackToSavepoint(level))
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
