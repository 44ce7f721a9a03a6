#include "db/Dialect.h"

#include "db/Sql.h"

#include <QRegularExpression>

namespace tarnwell::db {

namespace {

using Answer = LockReply::Answer;

Dbms dbmsNamed(const QString& name)
{
    if (name.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return Dbms::PostgreSql;
    if (name.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        return Dbms::SqlServer;
    if (name.contains(QLatin1String("Oracle"), Qt::CaseInsensitive))
        return Dbms::Oracle;
    return Dbms::Unknown;
}

QString savepointName(int level)
{
    return level == 2 ? QStringLiteral("tarnwell_inner")
                      : QStringLiteral("tarnwell_inner_") + QString::number(level);
}

LockReply refused(const QString& why)
{
    return {Answer::Refused, why};
}

} // namespace

Dialect Dialect::of(Platform platform, const QString& dbmsName)
{
    const Dbms dbms = dbmsNamed(dbmsName);
    const bool sqlServerTransactions =
        dbmsName.isEmpty() ? platform == Platform::SQLServer || platform == Platform::SQLServer2005
                           : dbms == Dbms::SqlServer;
    return Dialect(platform, dbms, sqlServerTransactions);
}

QString Dialect::nextIdQuery(const QString& table, const QString& idColumn) const
{
    if (m_platform == Platform::Oracle)
        return QStringLiteral("SELECT seq_next_id.nextval FROM dual");
    return QStringLiteral("SELECT max(") + idColumn + QStringLiteral(")+1 FROM ") + table;
}

QStringList Dialect::triggerStatements(Platform platform, bool enable)
{
    // The Oracle dialect says "ALL TRIGGERS", every other platform "TRIGGER ALL".
    const QString verb = enable ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE");
    const QString what = platform == Platform::Oracle ? QStringLiteral(" ALL TRIGGERS")
                                                      : QStringLiteral(" TRIGGER ALL");
    return {QStringLiteral("ALTER TABLE panel ") + verb + what,
            QStringLiteral("ALTER TABLE udf_panel ") + verb + what};
}

QString Dialect::disabledTriggersQuery() const
{
    switch (m_dbms) {
    case Dbms::PostgreSql:
        return QStringLiteral("SELECT count(*) FROM pg_trigger t JOIN pg_class c ON c.oid = "
                              "t.tgrelid WHERE c.relname IN ('panel', 'udf_panel') AND "
                              "pg_table_is_visible(c.oid) AND t.tgenabled = 'D'");
    case Dbms::SqlServer:
        return QStringLiteral("SELECT count(*) FROM sys.triggers WHERE parent_id IN "
                              "(OBJECT_ID('panel'), OBJECT_ID('udf_panel')) AND is_disabled = 1");
    case Dbms::Oracle:
        return QStringLiteral("SELECT count(*) FROM user_triggers WHERE table_name IN "
                              "('PANEL', 'UDF_PANEL') AND status = 'DISABLED'");
    case Dbms::Unknown:
        break;
    }
    return {};
}

QString Dialect::savepoint(int level) const
{
    if (!m_sqlServerTransactions)
        return QStringLiteral("SAVEPOINT ") + savepointName(level);
    // With autocommit off, Microsoft's drivers leave SQL Server in implicit-transaction mode,
    // where the transaction opens only with the first statement that needs one, and SAVE
    // TRANSACTION is not among those. An explicit BEGIN in that mode opens the unseen
    // transaction and one nested in it; the COMMIT ends only the nested one, so exactly the
    // unseen transaction is left for SQLEndTran to end. Where the driver has begun one already
    // (FreeTDS), nothing is added.
    return QStringLiteral("IF @@TRANCOUNT = 0 BEGIN BEGIN TRANSACTION; COMMIT TRANSACTION; END; "
                          "SAVE TRANSACTION ") +
           savepointName(level);
}

QString Dialect::releaseSavepoint(int level) const
{
    // PostgreSQL keeps every savepoint open until the transaction ends, and many slow it down;
    // SQL Server and Oracle have no way to let one go.
    if (m_sqlServerTransactions || m_platform == Platform::Oracle)
        return {};
    return QStringLiteral("RELEASE SAVEPOINT ") + savepointName(level);
}

QString Dialect::rollbackToSavepoint(int level) const
{
    return (m_sqlServerTransactions ? QStringLiteral("ROLLBACK TRANSACTION ")
                                    : QStringLiteral("ROLLBACK TO SAVEPOINT ")) +
           savepointName(level);
}

LockStatements Dialect::lockStatements(const QString& proj_id) const
{
    const QString name = sql::escaped(QStringLiteral("tarnwell-import-") + proj_id);
    switch (m_dbms) {
    case Dbms::PostgreSql: {
        const QString key = QStringLiteral("hashtext('") + name + QStringLiteral("')");
        return {QStringLiteral("SELECT pg_try_advisory_lock(") + key + QStringLiteral(")"),
                QStringLiteral("SELECT pg_advisory_lock(") + key + QStringLiteral(")"),
                QStringLiteral("SELECT pg_advisory_unlock(") + key + QStringLiteral(")"), true};
    }
    case Dbms::SqlServer: {
        // sp_getapplock raises nothing when it does not grant the lock: only its return value
        // tells, so the request hands it back whole, as its only result. NOCOUNT is set back:
        // it holds for the session, and the statements sent together later each answer with
        // their count.
        const auto request = [&name](const char* timeout) {
            return QStringLiteral("SET NOCOUNT ON; DECLARE @result int; EXEC @result = "
                                  "sp_getapplock @Resource = '") +
                   name +
                   QStringLiteral("', @LockMode = 'Exclusive', @LockOwner = 'Session', "
                                  "@LockTimeout = ") +
                   QLatin1String(timeout) + QStringLiteral("; SET NOCOUNT OFF; SELECT @result");
        };
        return {request("0"), request("-1"),
                QStringLiteral("EXEC sp_releaseapplock @Resource = '") + name +
                    QStringLiteral("', @LockOwner = 'Session'"),
                true};
    }
    case Dbms::Oracle: {
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
                allocate + QStringLiteral("r := DBMS_LOCK.RELEASE(h); END;"), false};
    }
    case Dbms::Unknown:
        break;
    }
    return {};
}

LockReply Dialect::lockReplyOfRow(const QString& value, bool waited) const
{
    if (m_dbms == Dbms::PostgreSql) {
        // pg_advisory_lock returns only once it holds the lock, with no value.
        return waited || value == QLatin1String("1") ? LockReply{Answer::Granted, {}}
                                                     : LockReply{Answer::Busy, {}};
    }
    bool isNumber = false;
    const int result = value.toInt(&isNumber);
    const QString answered =
        QStringLiteral(" (sp_getapplock answered ") + value + QStringLiteral(")");
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
        return refused(QStringLiteral("of a parameter validation or other call error") + answered);
    }
}

std::optional<LockReply> Dialect::lockReplyOfFailure(const QString& description, bool waited) const
{
    if (m_dbms != Dbms::Oracle)
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
            QStringLiteral("the request was chosen as a deadlock victim twice running") + answered};
    case 3:
        return refused(QStringLiteral("of a parameter error") + answered);
    case 5:
        return refused(QStringLiteral("of an illegal lock handle") + answered);
    default:
        return refused(QStringLiteral("of an unexpected answer") + answered);
    }
}

} // namespace tarnwell::db
