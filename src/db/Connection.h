#pragma once

#include "db/DatabaseError.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace tarnwell::db {

// A column value as the database gave it: its text, or nothing for NULL.
using Value = std::optional<QString>;
using Row = std::vector<Value>;

// The text of a value the program cannot do without; a NULL throws Failure("Invalid use of
// Null"), as reading it into text always did.
QString textOf(const Value& value);

// The rows of one query, with an exact row count.
class ResultSet
{
public:
    ResultSet() = default;
    explicit ResultSet(std::vector<Row> rows) : m_rows(std::move(rows)) {}

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const std::vector<Row>& rows() const { return m_rows; }
    // Column `column` (0-based) of the first row. Throws Failure when there is no row or no
    // such column, as reading past the end of a result does.
    Value value(int column) const;
    // For lookups: column `column` of the first row as text when the query found a row (a NULL
    // reads as empty text), nothing when it found none. The first row wins.
    std::optional<QString> found(int column) const;

private:
    std::vector<Row> m_rows;
};

// A provider-style connection string kept as its ordered parts, so that the text the user's
// values produce can be shown exactly while a driver still receives each value whole.
struct ConnectionString
{
    QString provider;
    QList<QPair<QString, QString>> properties; // in the order they are written

    // "Provider=" + provider, then ";" + key + "=" + value for each property, values as typed.
    QString toString() const;
    QString property(const QString& key) const;

    // SQL Server only, and only on the user's word: the connection is encrypted but the
    // server's certificate is not checked. No provider string carries it.
    bool trustServerCertificate = false;
};

// Whether a failed connect failed because this computer does not trust the server's
// certificate, told by the driver's SQLSTATE (08001, the client could not establish the
// connection) and its words: OpenSSL's verification failure where the SQL Server driver runs
// on Linux, Windows' untrusted chain on Windows.
bool isUntrustedServerCertificate(const QString& sqlState, const QString& description);

// What the program needs of a database connection. Statements are plain text; a false return
// means failure, and lastError() tells what happened in the database's own words.
class Connection
{
public:
    virtual ~Connection() = default;

    // The only call another thread may make: stops the statement under way at the server and
    // makes every later statement fail as cancelled, until clearCancel().
    virtual void cancel() {}
    virtual void clearCancel() {}
    // The DBMS the connection really reaches, as the driver names it ("PostgreSQL",
    // "Microsoft SQL Server", "Oracle"); empty when unknown.
    virtual QString dbmsName() const { return {}; }

    virtual bool open(const ConnectionString& connectionString) = 0;
    // Ends the session; the server discards whatever transaction is still open.
    virtual void close() = 0;
    virtual bool query(const QString& sql, ResultSet& result) = 0;
    virtual bool execute(const QString& sql) = 0;
    // Sends `statements` to the server in one request, joined by ";", and gives back one result
    // per statement, in order. False when any of them fails: what the server kept of the
    // request is then the caller's to roll back. Only where the dialect allows batches, and
    // the connection: one that sends every statement on its own says so here.
    virtual bool executeBatch(const QStringList& statements, std::vector<ResultSet>& results) = 0;
    virtual bool sendsBatches() const { return true; }
    virtual bool beginTransaction() = 0;
    virtual bool commit() = 0;
    virtual bool rollback() = 0;
    // Takes back the work since a savepoint with `sql`. Like rollback(), it is how a failure
    // or a Cancel is cleaned up, so a Cancel asked for before or during it does not stop it.
    virtual bool rollbackTo(const QString& sql) { return execute(sql); }
    virtual const DatabaseError& lastError() const = 0;
};

class ConnectionFactory
{
public:
    virtual ~ConnectionFactory() = default;
    virtual std::unique_ptr<Connection> create() = 0;
};

} // namespace tarnwell::db
