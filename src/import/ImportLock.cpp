#include "import/ImportLock.h"

#include "db/Sql.h"
#include "status/Failure.h"

#include <QRegularExpression>

namespace tarnwell::import {

using Answer = LockReply::Answer;

LockKind lockKindOf(const QString& dbmsName)
{
    if (dbmsName.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return LockKind::PostgreSql;
    if (dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        return LockKind::SqlServer;
    if (dbmsName.contains(QLatin1String("Oracle"), Qt::CaseInsensitive))
        return LockKind::Oracle;
    return LockKind::None;
}

ImportLockStatements importLockStatements(LockKind kind, const QString& proj_id)
{
    const QString name = db::sql::escaped(QStringLiteral("tarnwell-import-") + proj_id);
    switch (kind) {
    case LockKind::PostgreSql: {
        const QString key = QStringLiteral("hashtext('") + name + QStringLiteral("')");
        return {QStringLiteral("SELECT pg_try_advisory_lock(") + key + QStringLiteral(")"),
                QStringLiteral("SELECT pg_advisory_lock(") + key + QStringLiteral(")"),
                QStringLiteral("SELECT pg_advisory_unlock(") + key + QStringLiteral(")")};
    }
    case LockKind::SqlServer: {
        // sp_getapplock raises nothing when it does not grant the lock: only its return value
        // tells, so the request hands it back whole.
        const auto request = [&name](const char* timeout) {
            return QStringLiteral("SET NOCOUNT ON; DECLARE @result int; EXEC @result = "
                                  "sp_getapplock @Resource = '") +
                   name +
                   QStringLiteral("', @LockMode = 'Exclusive', @LockOwner = 'Session', "
                                  "@LockTimeout = ") +
                   QLatin1String(timeout) + QStringLiteral("; SELECT @result");
        };
        return {request("0"), request("-1"),
                QStringLiteral("EXEC sp_releaseapplock @Resource = '") + name +
                    QStringLiteral("', @LockOwner = 'Session'")};
    }
    case LockKind::Oracle: {
        const QString allocate = QStringLiteral("DECLARE h VARCHAR2(128); r INTEGER; BEGIN "
                                                "DBMS_LOCK.ALLOCATE_UNIQUE('") +
                                 name + QStringLiteral("', h); ");
        // REQUEST answers 0 when granted and 4 when this session holds it already; any other
        // answer n is raised as ORA-2000n, so that the program can tell which it was.
        const auto request = [&allocate](const char* timeout) {
            return allocate + QStringLiteral("r := DBMS_LOCK.REQUEST(h, DBMS_LOCK.X_MODE, ") +
                   QLatin1String(timeout) +
                   QStringLiteral(", FALSE); IF r NOT IN (0, 4) THEN "
                                  "RAISE_APPLICATION_ERROR(-20000 - r, 'DBMS_LOCK.REQUEST "
                                  "answered ' || r); END IF; END;");
        };
        return {request("0"), request("DBMS_LOCK.MAXWAIT"),
                allocate + QStringLiteral("r := DBMS_LOCK.RELEASE(h); END;")};
    }
    case LockKind::None:
        break;
    }
    return {};
}

namespace {

LockReply refused(const QString& why)
{
    return {Answer::Refused, why};
}

} // namespace

LockReply lockReplyOfRow(LockKind kind, const QString& value, bool waited)
{
    if (kind == LockKind::PostgreSql) {
        // pg_advisory_lock returns only once it holds the lock, with no value.
        return waited || value == QLatin1String("1") ? LockReply{Answer::Granted, {}}
                                                      : LockReply{Answer::Busy, {}};
    }
    bool isNumber = false;
    const int result = value.toInt(&isNumber);
    const QString answered = QStringLiteral(" (sp_getapplock answered ") + value +
                             QStringLiteral(")");
    if (!isNumber)
        return refused(QStringLiteral("the request gave no answer") + answered);
    if (result >= 0)
        return {Answer::Granted, {}};
    switch (result) {
    case -1:
        return waited ? refused(QStringLiteral("the request timed out") + answered)
                      : LockReply{Answer::Busy, {}};
    case -2:
        return refused(QStringLiteral("the request was cancelled") + answered);
    case -3:
        return {Answer::DeadlockVictim,
                QStringLiteral("the request was chosen as a deadlock victim twice running") +
                    answered};
    default:
        return refused(QStringLiteral("of a parameter validation or other call error") +
                       answered);
    }
}

std::optional<LockReply> lockReplyOfFailure(LockKind kind, const QString& description,
                                            bool waited)
{
    if (kind != LockKind::Oracle)
        return std::nullopt;
    static const QRegularExpression raised(QStringLiteral("ORA-2000([1-5])\\b"));
    const QRegularExpressionMatch match = raised.match(description);
    if (!match.hasMatch())
        return std::nullopt;
    const QString answered =
        QStringLiteral(" (DBMS_LOCK.REQUEST answered ") + match.captured(1) + QStringLiteral(")");
    switch (match.captured(1).toInt()) {
    case 1:
        if (!waited)
            return LockReply{Answer::Busy, {}};
        return refused(QStringLiteral("the request timed out") + answered);
    case 2:
        return LockReply{
            Answer::DeadlockVictim,
            QStringLiteral("the request was chosen as a deadlock victim twice running") +
                answered};
    case 3:
        return refused(QStringLiteral("of a parameter error") + answered);
    case 5:
        return refused(QStringLiteral("of an illegal lock handle") + answered);
    default:
        return refused(QStringLiteral("of an unexpected answer") + answered);
    }
}

ImportLock::ImportLock(db::Database& database, status::StatusLog& status, const QString& proj_id)
    : m_database(database), m_status(status), m_kind(lockKindOf(database.dbmsName())),
      m_statements(importLockStatements(m_kind, proj_id))
{}

LockReply ImportLock::request(const QString& statement, bool waits)
{
    if (m_kind != LockKind::Oracle)
        return lockReplyOfRow(
            m_kind, m_database.RunQuery(statement).value(0).value_or(QString()), waits);
    try {
        m_database.RunCommand(statement);
        return {Answer::Granted, {}};
    } catch (const Failure& failure) {
        if (const std::optional<LockReply> reply =
                lockReplyOfFailure(m_kind, failure.description(), waits))
            return *reply;
        throw;
    }
}

void ImportLock::take(const std::function<void()>& waiting)
{
    if (m_statements.take.isEmpty())
        return;
    LockReply reply;
    try {
        reply = request(m_statements.tryTake, false);
        if (reply.answer == Answer::Busy) {
            m_status.ShowStatus(QStringLiteral(
                "Another import into this domain is under way; waiting for it to end."));
            if (waiting)
                waiting();
            reply = request(m_statements.take, true);
        }
        // The server broke a deadlock by refusing this session; the other side has gone on,
        // so asking once more is likely to be granted.
        if (reply.answer == Answer::DeadlockVictim)
            reply = request(m_statements.take, true);
    } catch (const Failure& failure) {
        // An account that may not use the database's lock still imports, as before.
        m_status.ShowStatus(QStringLiteral("The import lock of this database cannot be used, so "
                                           "another import at the same time is not held off. "
                                           "Database reports: "));
        m_status.ShowErrorDescription(failure.description());
        return;
    }
    switch (reply.answer) {
    case Answer::Granted:
        m_held = true;
        return;
    case Answer::DeadlockVictim:
    case Answer::Busy:
    case Answer::Refused:
        break;
    }
    throw LockNotGranted{reply.why};
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
