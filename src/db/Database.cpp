#include "db/Database.h"

#include "status/Failure.h"

namespace tarnwell::db {

namespace {

// Each level has a name of its own. A name used again moves the savepoint (Oracle) or hides the
// earlier one (SQL Server), so rolling back an outer level would stop at an inner one's.
QString savepointName(int level)
{
    return level == 2 ? QStringLiteral("tarnwell_inner")
                      : QStringLiteral("tarnwell_inner_") + QString::number(level);
}

} // namespace

Database::Database(Connection& connection, Platform platform)
    : m_connection(connection), m_platform(platform)
{}

void Database::failed()
{
    switch (m_connection.lastFailure()) {
    case FailureKind::Cancelled:
        throw Cancelled();
    case FailureKind::ConnectionLost:
        throw ConnectionLost{m_connection.lastError()};
    case FailureKind::Refused:
        break;
    }
    throw Failure(m_connection.lastError());
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

bool Database::sqlServerDialect() const
{
    const QString dbms = m_connection.dbmsName();
    if (!dbms.isEmpty())
        return dbms.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive);
    return m_platform == Platform::SQLServer || m_platform == Platform::SQLServer2005;
}

void Database::throwIfClosed() const
{
    if (!m_closedBecause.isNull())
        throw ConnectionLost{m_closedBecause};
}

void Database::beginTransaction()
{
    throwIfClosed();
    if (m_openTransactions > 0) {
        const QString name = savepointName(m_openTransactions + 1);
        // With autocommit off, Microsoft's drivers leave SQL Server in implicit-transaction
        // mode, where the transaction opens only with the first statement that needs one, and
        // SAVE TRANSACTION is not among those. An explicit BEGIN in that mode opens the unseen
        // transaction and one nested in it; the COMMIT ends only the nested one, so exactly
        // the unseen transaction is left for SQLEndTran to end. Where the driver has begun one
        // already (FreeTDS), nothing is added.
        RunCommand(sqlServerDialect()
                       ? QStringLiteral("IF @@TRANCOUNT = 0 BEGIN BEGIN TRANSACTION; COMMIT "
                                        "TRANSACTION; END; SAVE TRANSACTION ") +
                             name
                       : QStringLiteral("SAVEPOINT ") + name);
    } else if (!m_connection.beginTransaction()) {
        failed();
    }
    ++m_openTransactions;
}

void Database::commit()
{
    if (m_openTransactions > 1) {
        // PostgreSQL keeps every savepoint open until the transaction ends, and many slow it
        // down; the others have no way to let one go.
        if (!sqlServerDialect() && !isOracle())
            RunCommand(QStringLiteral("RELEASE SAVEPOINT ") + savepointName(m_openTransactions));
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
        const bool rolledBack =
            level > 1
                ? m_connection.execute((sqlServerDialect()
                                            ? QStringLiteral("ROLLBACK TRANSACTION ")
                                            : QStringLiteral("ROLLBACK TO SAVEPOINT ")) +
                                       savepointName(level))
                : m_connection.rollback();
        if (rolledBack)
            return;
        m_closedBecause =
            QStringLiteral("The transaction could not be rolled back, so the connection was "
                           "closed and the server discarded it. Database reports: ") +
            m_connection.lastError();
        m_openTransactions = 0;
        m_connection.close();
    } catch (...) {
        // Nothing more can be done on the way out of a failure; the server discards an
        // unfinished transaction when the connection goes.
    }
}

} // namespace tarnwell::db
