#pragma once

#include "db/Database.h"
#include "status/StatusLog.h"

#include <QString>

#include <functional>

namespace tarnwell::import {

// The statements of the database's own application lock that keeps two imports into one domain
// apart, for the DBMS the connection really reaches. Each is empty for a DBMS without one.
struct ImportLockStatements
{
    QString tryTake; // a query: one row, whose first value says whether the lock was taken
    QString take;    // waits until the lock is free
    QString release; // a command
    // The first value of tryTake's row that means "taken".
    QString taken;
};

// The lock is the program's and the domain's: "tarnwell-import-" and proj_id.
ImportLockStatements importLockStatements(const QString& dbmsName, const QString& proj_id);

// Holds the domain's import lock from take() until release() or its end. A lost connection
// gives the lock back by itself.
class ImportLock
{
public:
    ImportLock(db::Database& database, status::StatusLog& status, const QString& proj_id);
    ~ImportLock() { release(); }
    ImportLock(const ImportLock&) = delete;
    ImportLock& operator=(const ImportLock&) = delete;

    // Takes the lock, waiting while another run holds it (`waiting` is told so first). Throws
    // what Database throws; db::Cancelled when Cancel stops the wait. An account that may not
    // use the lock is told so on the status display, and the run goes on without it.
    void take(const std::function<void()>& waiting);
    void release() noexcept;

private:
    db::Database& m_database;
    status::StatusLog& m_status;
    ImportLockStatements m_statements;
    bool m_held = false;
};

} // namespace tarnwell::import
