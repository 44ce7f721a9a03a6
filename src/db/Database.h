#pragma once

#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dialect.h"
#include "db/Platform.h"
#include "db/Release.h"

#include <QString>

namespace tarnwell::db {

// The open connection of one successful Connect, with its statement and transaction helpers.
// The dialect is fixed when the connection is made: choosing another platform afterwards
// changes nothing until the next Connect.
class Database
{
public:
    Database(Connection& connection, Platform platform);

    const Dialect& dialect() const { return m_dialect; }

    // Both throw DatabaseError: refused by the database, cancelled by cancel(), or the
    // connection is gone.
    ResultSet RunQuery(const QString& sql);
    void RunCommand(const QString& sql);

    // Lets statements run again after Connection::cancel() has done its work.
    void clearCancel() { m_connection.clearCancel(); }

    // A transaction begun while another is open is a savepoint of it: its rollback takes back
    // only what was sent since it began, and its commit keeps that for the outer transaction
    // to keep or take back. rollback() never throws: it runs on the way out of a failure. A
    // rollback the database refuses leaves unknown what the transaction still holds, which
    // the next commit would keep: the session is ended, so that the server discards it, and
    // every later statement fails as a lost connection.
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
    Dialect m_dialect;
    Release m_release;
    int m_openTransactions = 0;
    QString m_closedBecause; // set once a failed rollback has ended the session
};

} // namespace tarnwell::db
