#pragma once

#include "db/Database.h"
#include "status/StatusLog.h"

#include <QString>

#include <functional>

namespace tarnwell::import {

// The database refused the lock: the run must not write.
struct LockNotGranted
{
    QString why;
};

// Holds the domain's import lock (the dialect's application lock) from take() until release()
// or its end. A lost connection gives the lock back by itself.
class ImportLock
{
public:
    ImportLock(db::Database& database, status::StatusLog& status, const QString& proj_id);
    ~ImportLock() { release(); }
    ImportLock(const ImportLock&) = delete;
    ImportLock& operator=(const ImportLock&) = delete;

    // Takes the lock, waiting while another run holds it (`waiting` is told so first); a
    // deadlock victim asks once more. Throws LockNotGranted when the database refuses it, and
    // what Database throws when Cancel stops the wait or the connection goes. An account that
    // may not use the lock is told so on the status display, and the run goes on without it.
    void take(const std::function<void()>& waiting);
    void release() noexcept;

private:
    db::LockReply request(const QString& statement, bool waits);
    void cannotBeUsed(const QString& description);

    db::Database& m_database;
    status::StatusLog& m_status;
    db::LockStatements m_statements;
    bool m_held = false;
};

} // namespace tarnwell::import
