#include "db/Database.h"

#include "status/Failure.h"

namespace tarnwell::db {

namespace {
// One name serves every level: a savepoint of the same name hides the earlier one until it
// is released or rolled back to.
const QString SavepointName = QStringLiteral("tarnwell_inner");
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
    ResultSet result;
    if (!m_connection.query(sql, result))
        failed();
    return result;
}

void Database::RunCommand(const QString& sql)
{
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

void Database::beginTransaction()
{
    if (m_openTransactions > 0) {
        RunCommand((sqlServerDialect() ? QStringLiteral("SAVE TRANSACTION ")
                                       : QStringLiteral("SAVEPOINT ")) +
                   SavepointName);
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
            RunCommand(QStringLiteral("RELEASE SAVEPOINT ") + SavepointName);
    } else if (!m_connection.commit()) {
        // Still counted as open: the rollback that follows a failed commit ends it.
        failed();
    }
    --m_openTransactions;
}

void Database::rollback() noexcept
{
    const bool savepoint = m_openTransactions > 1;
    if (m_openTransactions > 0)
        --m_openTransactions;
    try {
        if (savepoint) {
            m_connection.execute((sqlServerDialect() ? QStringLiteral("ROLLBACK TRANSACTION ")
                                                     : QStringLiteral("ROLLBACK TO SAVEPOINT ")) +
                                 SavepointName);
            return;
        }
        m_connection.rollback();
    } catch (...) {
        // Nothing more can be done on the way out of a failure; the server discards an
        // unfinished transaction when the connection goes.
    }
}

} // namespace tarnwell::db
