#pragma once

#include "db/Connection.h"
#include "db/OdbcConnectionString.h"

#include <QString>

#include <memory>
#include <mutex>

namespace tarnwell::db {

// A Connection through Qt SQL's ODBC driver and the system's ODBC driver manager. The provider
// of the connection string picks the ODBC driver (chooseOdbcDriver); values come back as the
// database's own text, NULL as nothing.
class OdbcConnection : public Connection
{
public:
    // `catalog` tells which drivers exist; by default the driver manager is asked.
    explicit OdbcConnection(std::shared_ptr<const OdbcDriverCatalog> catalog = nullptr);
    ~OdbcConnection() override;

    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    bool open(const ConnectionString& connectionString) override;
    void close() override;
    bool query(const QString& sql, ResultSet& result) override;
    bool execute(const QString& sql) override;
    bool executeBatch(const QStringList& statements, std::vector<ResultSet>& results) override;
    bool beginTransaction() override;
    bool commit() override;
    bool rollback() override;
    bool rollbackTo(const QString& sql) override;
    const DatabaseError& lastError() const override { return m_lastError; }
    void cancel() override;
    void clearCancel() override;
    QString dbmsName() const override { return m_dbmsName; }

    bool isOpen() const;
    // The ODBC driver the last open() chose, empty before.
    QString driver() const { return m_driver; }

private:
    // Runs `sql`, which may hold several statements, and collects every result it gives.
    enum class Cancellable { Yes, No };
    bool run(const QString& sql, std::vector<ResultSet>* results, std::size_t expected,
             Cancellable cancellable = Cancellable::Yes);
    bool readResult(std::vector<ResultSet>* results);
    bool fail(const QString& description, DatabaseError::Kind kind = DatabaseError::Kind::Refused,
              const QString& state = {});
    bool statementFailed(short odbcReturn);
    bool connectionDead() const;

    std::shared_ptr<const OdbcDriverCatalog> m_catalog;
    const QString m_name; // this connection's own name among Qt SQL's connections
    QString m_driver;
    DatabaseError m_lastError;
    QString m_dbmsName;
    bool m_inTransaction = false;
    bool m_transactionFailed = false; // a statement failed since beginTransaction()

    // The handles as ODBC's opaque pointers, so that this header needs no ODBC header. The
    // statement handle is the one thing another thread touches, through cancel().
    void* m_connectionHandle = nullptr;
    void* m_statement = nullptr;
    std::mutex m_cancelMutex;
    bool m_executing = false;     // a statement is under way on m_statement
    bool m_cancelPending = false; // cancel() was called; statements fail until clearCancel()
};

class OdbcConnectionFactory : public ConnectionFactory
{
public:
    explicit OdbcConnectionFactory(std::shared_ptr<const OdbcDriverCatalog> catalog = nullptr)
        : m_catalog(std::move(catalog))
    {}
    std::unique_ptr<Connection> create() override;

private:
    std::shared_ptr<const OdbcDriverCatalog> m_catalog;
};

} // namespace tarnwell::db
