#pragma once

#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dialect.h"
#include "db/Platform.h"
#include "db/Release.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tarnwell::db {

// What the program foretells the server will answer to a query, so that it need not wait for
// the answer: the answer it goes on with, and the column of it that it reads. Whether a row was
// found and that column's value are compared with the real answer once it arrives.
struct Prediction
{
    ResultSet answer;
    int column = 0;

    bool holdsFor(const ResultSet& actual) const;
};

// A query's real answer was not the one foretold: everything built on it is wrong.
class PredictionMissed : public std::exception
{
public:
    const char* what() const noexcept override { return "an answer was not the one foretold"; }
};

// The open connection of one successful Connect, with its statement and transaction helpers.
// The dialect is fixed when the connection is made: choosing another platform afterwards
// changes nothing until the next Connect.
class Database
{
public:
    Database(Connection& connection, Platform platform);

    const Dialect& dialect() const { return m_dialect; }
    // Whether several statements may go to the server in one request.
    bool batches() const { return m_dialect.batches() && m_connection.sendsBatches(); }

    // Both throw DatabaseError: refused by the database, cancelled by cancel(), or the
    // connection is gone.
    ResultSet RunQuery(const QString& sql);
    void RunCommand(const QString& sql);

    // Lets statements run again after Connection::cancel() has done its work.
    void clearCancel() { m_connection.clearCancel(); }

    // Several statements in one request, where the dialect allows it; a result for each.
    std::vector<ResultSet> runBatch(const QStringList& statements);

    // From startPipeline() to stopPipeline(), statements wait to go to the server together
    // (dialect().batches() must allow it): a command and a query whose answer is foretold
    // wait; any other query goes with everything waiting before it, in one request, and so
    // does a commit. The real answers are checked against the foretold ones as they
    // arrive: a miss throws PredictionMissed, a refusal the statement's DatabaseError. Either
    // way the transaction is the caller's to roll back. Rolling back drops what still waits.
    void startPipeline();
    void stopPipeline() noexcept;
    bool pipelining() const { return m_pipeline.on; }
    // The foretold answer, when pipelining; otherwise the query is run as RunQuery runs it.
    ResultSet RunQuery(const QString& sql, const std::optional<Prediction>& predicted);
    // Sends what waits.
    void flush();

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
    std::vector<ResultSet> sendWaiting();

    // The statements waiting in the pipeline, each with its foretold answer if it has one.
    struct Pipeline
    {
        bool on = false;
        QStringList statements;
        std::vector<std::optional<Prediction>> predictions;
    };

    Connection& m_connection;
    Dialect m_dialect;
    Release m_release;
    int m_openTransactions = 0;
    Pipeline m_pipeline;
    QString m_closedBecause; // set once a failed rollback has ended the session
};

} // namespace tarnwell::db
