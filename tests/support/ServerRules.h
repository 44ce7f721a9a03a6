#pragma once

#include "db/Connection.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace tarnwell::testing {

// How a server treats transactions, savepoints, DDL and its application lock, as its vendor
// documents them, for a RecordingConnection to follow. Tests learn from it what the server
// would have kept and what it would have refused, where the recording alone shows only texts.
//
// Every statement that writes (INSERT, UPDATE, DELETE, DDL) lands in `pending` while a
// transaction is open and in `committed` once the server has made it permanent.
class ServerRules
{
public:
    // What the server did with one statement: refused it (with its words), or answered rows of
    // its own (a lock's result), or left the answer to the recording's script.
    struct Outcome
    {
        std::optional<QString> refused;
        std::optional<db::ResultSet> rows;
    };

    virtual ~ServerRules() = default;

    // SQL Server. With Microsoft's drivers, switching autocommit off sets IMPLICIT_TRANSACTIONS
    // ON, and a transaction opens only with the first statement that needs one; FreeTDS sends
    // BEGIN TRANSACTION itself.
    enum class SqlServerDriver { Microsoft, FreeTds };
    static std::unique_ptr<ServerRules> sqlServer(SqlServerDriver driver);
    // Oracle: every transaction opens by itself; DDL and DBMS_LOCK.ALLOCATE_UNIQUE commit.
    static std::unique_ptr<ServerRules> oracle();

    virtual Outcome statement(const QString& sql) = 0;
    // Whether the statement, sent among others in one request, answers with a result of its
    // own (SQL Server's writes say nothing under SET NOCOUNT ON, which lasts for the session).
    virtual bool answers(const QString& sql) const
    {
        Q_UNUSED(sql);
        return true;
    }
    // The driver's side of SQLSetConnectAttr(autocommit off), SQLEndTran and autocommit on.
    virtual std::optional<QString> beginTransaction() = 0;
    virtual std::optional<QString> commit() = 0;
    virtual std::optional<QString> rollback() = 0;
    // Open transactions as the server counts them (@@TRANCOUNT; 0 or 1 on Oracle).
    virtual int transactionCount() const = 0;

    // What the application lock answers, one value per request, in order; once a queue is
    // empty every request is granted. SQL Server: sp_getapplock's return value (0 granted, -1
    // timeout, -2 cancelled, -3 deadlock victim, -999 error). Oracle: DBMS_LOCK.REQUEST's (0
    // granted, 1 timeout, 2 deadlock, 3 parameter error, 4 already held, 5 illegal handle).
    std::deque<int> tryAnswers;  // requests that do not wait
    std::deque<int> waitAnswers; // requests that wait

    QStringList pending;
    QStringList committed;
    // What the server let happen that the program never should: work committed behind the
    // program's back, statements other users wait behind, transactions left open.
    QStringList faults;

protected:
    int nextAnswer(bool waits);
};

} // namespace tarnwell::testing
