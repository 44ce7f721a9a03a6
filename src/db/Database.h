#pragma once

#include "db/Connection.h"
#include "db/Platform.h"
#include "db/Release.h"

#include <QString>

namespace tarnwell::db {

// Thrown when a statement fails because the user cancelled: not a Failure, so that nothing
// reports it as a refused statement and whatever is under way ends at once.
struct Cancelled
{
};

// Thrown when a statement fails because the connection is gone: not a Failure either, so that
// nothing more is tried on a dead connection.
struct ConnectionLost
{
    QString description;
};

// The open connection of one successful Connect, with its statement and transaction helpers.
// The dialect is fixed when the connection is made: choosing another platform afterwards
// changes nothing until the next Connect.
class Database
{
public:
    Database(Connection& connection, Platform platform);

    bool isOracle() const { return m_platform == Platform::Oracle; }
    // SQL Server's own forms of the transaction statements, by the DBMS really reached when
    // the driver names it and by the chosen platform otherwise.
    bool sqlServerDialect() const;
    // The DBMS the connection really reaches, as its driver names it; empty when unknown.
    QString dbmsName() const { return m_connection.dbmsName(); }

    // Both throw Failure with the database's description when the statement is refused,
    // Cancelled after cancel(), ConnectionLost when the connection is gone.
    ResultSet RunQuery(const QString& sql);
    void RunCommand(const QString& sql);

    // Lets statements run again after Connection::cancel() has done its work.
    void clearCancel() { m_connection.clearCancel(); }

    // A transaction begun while another is open is a savepoint of it: its rollback takes back
    // only what was sent since it began, and its commit keeps that for the outer transaction
    // to keep or take back. rollback() never throws: it runs on the way out of a failure. A
    // rollback the database refuses leaves unknown what the transaction still holds, which
    // the next commit would keep: the session is ended, so that the server discards it, and
    // every later statement fails as ConnectionLost.
    void beginTransaction();
    void commit();
    void rollback() noexcept;

    // What was read from the license table at Connect; set once, before the first statement
    // whose form depends on it.
    const Release& release() const { return m_release; }
    void setRelease(const Release& release) { m_release = release; }

private:
    [[noreturn]] void failed();
    void throwIfClosed() const;

    Connection& m_connection;
    Platform m_platform;
    QString m_closedBecause; // set once a failed rollback has ended the session
    Release m_release;
    int m_openTransactions = 0;
};

} // namespace tarnwell::db
