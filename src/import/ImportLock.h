#pragma once

#include "db/Database.h"
#include "status/StatusLog.h"

#include <QString>

#include <functional>

namespace tarnwell::import {

// The database that keeps two imports into one domain apart, for the DBMS the connection
// really reaches; none for a DBMS without an application lock.
enum class LockKind { None, PostgreSql, SqlServer, Oracle };
LockKind lockKindOf(const QString& dbmsName);

// The statements of that lock. SQL Server's and PostgreSQL's requests answer one row whose
// first value tells the outcome; Oracle's anonymous blocks answer none and raise ORA-2000n for
// any answer n of DBMS_LOCK.REQUEST but "granted".
struct ImportLockStatements
{
    QString tryTake; // does not wait
    QString take;    // waits until the lock is free
    QString release; // a command
};

// The lock is the program's and the domain's: "tarnwell-import-" and proj_id.
ImportLockStatements importLockStatements(LockKind kind, const QString& proj_id);

// What the database answered to one request for the lock.
struct LockReply
{
    enum class Answer { Granted, Busy, DeadlockVictim, Refused };
    Answer answer = Answer::Refused;
    // Why the run cannot have the lock, in words, should this answer be the last.
    QString why;
};

// The answer in a request's row (SQL Server, PostgreSQL); `waited` tells a request that waits
// from one that does not, where "busy" and "timed out" share a number.
LockReply lockReplyOfRow(LockKind kind, const QString& value, bool waited);
// The answer in a request's failure (Oracle's raised errors); nothing when the failure is not an
// answer of the lock but the statement's own, such as an account without DBMS_LOCK.
std::optional<LockReply> lockReplyOfFailure(LockKind kind, const QString& description,
                                            bool waited);

// The database refused the lock: the run must not write.
struct LockNotGranted
{
    QString why;
};

// Holds the domain's import lock from take() until release() or its end. A lost connection
// gives the lock back by itself.
class ImportLock
{
public:
    ImportLock(db::Database& database, status::StatusLog& status, const QString& proj_id);
    ~ImportLock() { release(); }
    ImportLock(const ImportLock&) = delete;
    ImportLock& operator=(const ImportLock&) = delete;

    // Takes the lock, waiting while another run holds it (`waiting` is told so first); a
    // deadlock victim asks once more. Throws LockNotGranted when the database refuses it, and
    // what Database throws; db::Cancelled when Cancel stops the wait. An account that may not
    // use the lock is told so on the status display, and the run goes on without it.
    void take(const std::function<void()>& waiting);
    void release() noexcept;

private:
    LockReply request(const QString& statement, bool waits);

    db::Database& m_database;
    status::StatusLog& m_status;
    LockKind m_kind;
    ImportLockStatements m_statements;
    bool m_held = false;
};

} // namespace tarnwell::import
