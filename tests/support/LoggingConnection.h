#pragma once

#include "db/Connection.h"

#include <QStringList>

#include <memory>

namespace tarnwell::testing {

// A real connection that keeps the statements it sends, each statement of a batch on its own,
// and counts the requests: what the server's statement log would show, and the round trips the
// program waited for. With `oneAtATime` it takes no batches, so the program sends every
// statement on its own, as it did before it sent any together.
class LoggingConnection : public db::Connection
{
public:
    LoggingConnection(std::unique_ptr<db::Connection> connection, bool oneAtATime)
        : m_connection(std::move(connection)), m_oneAtATime(oneAtATime)
    {}

    QStringList statements;
    int requests = 0;

    bool open(const db::ConnectionString& connectionString) override
    {
        return m_connection->open(connectionString);
    }
    void close() override { m_connection->close(); }
    bool query(const QString& sql, db::ResultSet& result) override
    {
        sent({sql});
        return m_connection->query(sql, result);
    }
    bool execute(const QString& sql) override
    {
        sent({sql});
        return m_connection->execute(sql);
    }
    bool executeBatch(const QStringList& batch, std::vector<db::ResultSet>& results) override
    {
        sent(batch);
        return m_connection->executeBatch(batch, results);
    }
    bool sendsBatches() const override { return !m_oneAtATime; }
    bool beginTransaction() override { return m_connection->beginTransaction(); }
    bool commit() override { return m_connection->commit(); }
    bool rollback() override { return m_connection->rollback(); }
    bool rollbackTo(const QString& sql) override
    {
        sent({sql});
        return m_connection->rollbackTo(sql);
    }
    const db::DatabaseError& lastError() const override { return m_connection->lastError(); }
    void cancel() override { m_connection->cancel(); }
    void clearCancel() override { m_connection->clearCancel(); }
    QString dbmsName() const override { return m_connection->dbmsName(); }

private:
    void sent(const QStringList& batch)
    {
        statements += batch;
        ++requests;
    }

    std::unique_ptr<db::Connection> m_connection;
    bool m_oneAtATime;
};

} // namespace tarnwell::testing
