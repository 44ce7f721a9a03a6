#include "import/ImportLock.h"

#include "db/Sql.h"
#include "status/Failure.h"

namespace tarnwell::import {

ImportLockStatements importLockStatements(const QString& dbmsName, const QString& proj_id)
{
    const QString name = db::sql::escaped(QStringLiteral("tarnwell-import-") + proj_id);
    if (dbmsName.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) {
        const QString key = QStringLiteral("hashtext('") + name + QStringLiteral("')");
        return {QStringLiteral("SELECT pg_try_advisory_lock(") + key + QStringLiteral(")"),
                QStringLiteral("SELECT pg_advisory_lock(") + key + QStringLiteral(")"),
                QStringLiteral("SELECT pg_advisory_unlock(") + key + QStringLiteral(")"),
                QStringLiteral("1")};
    }
    if (dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)) {
        const auto request = [&name](const char* timeout) {
            return QStringLiteral("SET NOCOUNT ON; DECLARE @result int; EXEC @result = "
                                  "sp_getapplock @Resource = '") +
                   name +
                   QStringLiteral("', @LockMode = 'Exclusive', @LockOwner = 'Session', "
                                  "@LockTimeout = ") +
                   QLatin1String(timeout) +
                   QStringLiteral("; SELECT CASE WHEN @result >= 0 THEN 1 ELSE 0 END");
        };
        return {request("0"), request("-1"),
                QStringLiteral("EXEC sp_releaseapplock @Resource = '") + name +
                    QStringLiteral("', @LockOwner = 'Session'"),
                QStringLiteral("1")};
    }
    if (dbmsName.contains(QLatin1String("Oracle"), Qt::CaseInsensitive)) {
        // REQUEST answers 0 when granted and 4 when this session holds it already; anything
        // else is raised, so that the statement fails.
        const QString allocate =
            QStringLiteral("DECLARE h VARCHAR2(128); BEGIN DBMS_LOCK.ALLOCATE_UNIQUE('") + name +
            QStringLiteral("', h); ");
        return {allocate + QStringLiteral("IF DBMS_LOCK.REQUEST(h, DBMS_LOCK.X_MODE, 0, FALSE) "
                                          "NOT IN (0, 4) THEN RAISE_APPLICATION_ERROR(-20001, "
                                          "'held'); END IF; END;"),
                allocate + QStringLiteral("IF DBMS_LOCK.REQUEST(h, DBMS_LOCK.X_MODE, "
                                          "DBMS_LOCK.MAXWAIT, FALSE) NOT IN (0, 4) THEN "
                                          "RAISE_APPLICATION_ERROR(-20002, 'not granted'); END IF; "
                                          "END;"),
                allocate + QStringLiteral("IF DBMS_LOCK.RELEASE(h) = 0 THEN NULL; END IF; END;"),
                QString()};
    }
    return {};
}

ImportLock::ImportLock(db::Database& database, status::StatusLog& status, const QString& proj_id)
    : m_database(database), m_status(status),
      m_statements(importLockStatements(database.dbmsName(), proj_id))
{}

void ImportLock::take(const std::function<void()>& waiting)
{
    if (m_statements.take.isEmpty())
        return;
    bool free = false;
    try {
        if (m_statements.taken.isNull()) {
            // An anonymous block answers no row: it either takes the lock or says it is held.
            try {
                m_database.RunCommand(m_statements.tryTake);
                free = true;
            } catch (const Failure& failure) {
                if (!failure.description().contains(QLatin1String("20001")))
                    throw;
            }
        } else {
            free = m_database.RunQuery(m_statements.tryTake).value(0).value_or(QString()) ==
                   m_statements.taken;
        }
        if (!free) {
            m_status.ShowStatus(QStringLiteral(
                "Another import into this domain is under way; waiting for it to end."));
            if (waiting)
                waiting();
            if (m_statements.taken.isNull())
                m_database.RunCommand(m_statements.take);
            else
                m_database.RunQuery(m_statements.take);
        }
    } catch (const Failure& failure) {
        // An account that may not use the database's lock still imports, as before.
        m_status.ShowStatus(QStringLiteral("The import lock of this database cannot be used, so "
                                           "another import at the same time is not held off. "
                                           "Database reports: "));
        m_status.ShowErrorDescription(failure.description());
        return;
    }
    m_held = true;
}

void ImportLock::release() noexcept
{
    if (!m_held)
        return;
    m_held = false;
    try {
        m_database.RunCommand(m_statements.release);
    } catch (...) {
        // A lock that cannot be given back now goes with the session.
    }
}

} // namespace tarnwell::import
