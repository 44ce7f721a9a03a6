#include "db/OdbcConnection.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#ifdef _WIN32
// Windows' ODBC headers take their types (HWND, DWORD, ...) from it and do not include it.
#include <qt_windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <atomic>

namespace tarnwell::db {

namespace {

QString uniqueConnectionName()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("tarnwell-odbc-%1").arg(++counter);
}

// The statement's diagnostics in the database's own words, and the SQLSTATE of the first.
struct Diagnostics
{
    QString state;
    QString text;
};

Diagnostics diagnose(SQLSMALLINT handleType, SQLHANDLE handle)
{
    Diagnostics result;
    QStringList messages;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN r = SQLGetDiagRecW(handleType, handle, record, state, &native, message,
                                           SQL_MAX_MESSAGE_LENGTH - 1, &length);
        if (!SQL_SUCCEEDED(r))
            break;
        if (result.state.isEmpty())
            result.state = QString::fromUtf16(reinterpret_cast<const char16_t*>(state));
        messages.append(
            QString::fromUtf16(reinterpret_cast<const char16_t*>(message),
                               std::min<qsizetype>(length, SQL_MAX_MESSAGE_LENGTH - 1)));
    }
    result.text = messages.join(QLatin1Char(' '));
    return result;
}

// The database's own words without psqlODBC's closing line, which says nothing more, and on
// one line: line breaks would tear the status display apart.
QString cleaned(QString text)
{
    text = text.trimmed();
    static const QString psqlOdbcTail = QStringLiteral(";\nError while executing the query");
    if (text.endsWith(psqlOdbcTail))
        text.chop(psqlOdbcTail.size());
    QStringList trimmed;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        trimmed.append(line.trimmed());
    return trimmed.join(QLatin1Char(' '));
}

// The database's own words. psqlODBC closes every message with a line of its own that says
// nothing more; line breaks would tear the status display apart.
QString describe(const QSqlError& error)
{
    const QString text = error.databaseText().trimmed();
    return cleaned(text.isEmpty() ? error.driverText() : text);
}

// Qt's ODBC driver gives the words of a failed connect but not its SQLSTATE, and frees its
// handles before anyone can ask. Where the words speak of a certificate, the connect is tried
// once more straight through ODBC, only to read the SQLSTATE, so that a certificate the
// computer does not trust is told by the driver's state as well as by its words.
QString stateOfFailedConnect(const QString& connectionText, const QString& description)
{
    if (!description.contains(QLatin1String("certificate"), Qt::CaseInsensitive))
        return {};
    QString state;
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return {};
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    SQLHDBC connection = SQL_NULL_HDBC;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection))) {
        const SQLRETURN r = SQLDriverConnectW(
            connection, nullptr,
            const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(connectionText.utf16())),
            static_cast<SQLSMALLINT>(connectionText.size()), nullptr, 0, nullptr,
            SQL_DRIVER_NOPROMPT);
        if (SQL_SUCCEEDED(r))
            SQLDisconnect(connection);
        else
            state = diagnose(SQL_HANDLE_DBC, connection).state;
        SQLFreeHandle(SQL_HANDLE_DBC, connection);
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return state;
}

// One column of the current row as text, however long; nothing for NULL.
bool readColumn(SQLHSTMT statement, SQLUSMALLINT column, Value& value)
{
    QString text;
    SQLWCHAR buffer[512];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN r =
            SQLGetData(statement, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r))
            return false;
        if (indicator == SQL_NULL_DATA) {
            value.reset();
            return true;
        }
        const qsizetype room = static_cast<qsizetype>(sizeof buffer / sizeof buffer[0]) - 1;
        const qsizetype got =
            (indicator == SQL_NO_TOTAL || indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)) > room)
                ? room
                : indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR));
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), got);
        if (r == SQL_SUCCESS)
            break;
    }
    value = text;
    return true;
}

} // namespace

OdbcConnection::OdbcConnection(std::shared_ptr<const OdbcDriverCatalog> catalog)
    : m_catalog(catalog ? std::move(catalog) : std::make_shared<UnixOdbcDriverCatalog>()),
      m_name(uniqueConnectionName())
{}

OdbcConnection::~OdbcConnection()
{
    close();
}

void OdbcConnection::close()
{
    {
        const std::lock_guard<std::mutex> lock(m_cancelMutex);
        if (m_statement) {
            SQLFreeHandle(SQL_HANDLE_STMT, m_statement);
            m_statement = nullptr;
        }
        m_connectionHandle = nullptr;
    }
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase database = QSqlDatabase::database(m_name, false);
        if (m_inTransaction && database.isOpen())
            database.rollback();
        database.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_inTransaction = false;
    m_transactionFailed = false;
}

bool OdbcConnection::fail(const QString& description, DatabaseError::Kind kind,
                          const QString& state)
{
    m_lastError = DatabaseError(kind, description, state);
    if (m_inTransaction)
        m_transactionFailed = true;
    return false;
}

bool OdbcConnection::isOpen() const
{
    return m_statement && QSqlDatabase::contains(m_name) &&
           QSqlDatabase::database(m_name, false).isOpen();
}

bool OdbcConnection::open(const ConnectionString& connectionString)
{
    close();
    m_driver.clear();
    m_dbmsName.clear();
    m_lastError = DatabaseError();

    const std::optional<OdbcFamily> family = odbcFamilyOfProvider(connectionString.provider);
    if (!family)
        return fail(QStringLiteral("The provider \"%1\" is not one this program can reach "
                                   "through ODBC (msdaora, sqloledb, sqlncli or ASAProv).")
                        .arg(connectionString.provider));

    const QString driver =
        chooseOdbcDriver(connectionString.provider, m_catalog->installedDrivers());
    if (driver.isEmpty())
        return fail(QStringLiteral("No ODBC driver is registered for the provider \"%1\". "
                                   "Register one in odbcinst.ini (for example with "
                                   "\"odbcinst -i -d -f driver.ini\") under the name %1 or as %2.")
                        .arg(connectionString.provider, usualOdbcDrivers(*family)));
    m_driver = driver;

    const std::optional<OdbcConnectionText> text = odbcConnectionText(connectionString, driver);
    const QString attributes = text->attributesText();
    // Qt's ODBC driver reads any connection text holding ".dsn" as the name of a file data
    // source, and no quoting hides it. The credentials travel apart and are not affected.
    if (attributes.contains(QLatin1String(".dsn"), Qt::CaseInsensitive))
        return fail(QStringLiteral("The server or database name contains \".dsn\", which the ODBC "
                                   "layer would take for a file data source; it cannot be used."));

    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    if (!database.isValid()) {
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        return fail(QStringLiteral("Qt's ODBC driver (QODBC) is not installed."));
    }
    database.setDatabaseName(attributes);
    // Qt appends these as ";UID=" and ";PWD=" without quoting; they are in ODBC form already.
    database.setUserName(text->userId);
    database.setPassword(text->password);
    database.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!database.open()) {
        const QString description = describe(database.lastError());
        return fail(description, DatabaseError::Kind::Refused,
                    stateOfFailedConnect(text->toString(), description));
    }

    // Statements go straight through ODBC on one statement handle kept for the connection:
    // nothing is allocated or described per statement, and a statement waiting at the server
    // can be cancelled from another thread (SQLCancel), which Qt's queries do not offer.
    const QVariant handle = database.driver()->handle();
    SQLHDBC connectionHandle = nullptr;
    // Qt names the handle's type after the ODBC typedef or after what it stands for.
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "SQLHANDLE") == 0 || qstrcmp(handle.typeName(), "void*") == 0))
        connectionHandle = *static_cast<const SQLHDBC*>(handle.constData());
    SQLHSTMT statement = nullptr;
    if (!connectionHandle ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connectionHandle, &statement))) {
        const QString description =
            connectionHandle ? cleaned(diagnose(SQL_HANDLE_DBC, connectionHandle).text) : QString();
        database = QSqlDatabase();
        close();
        return fail(QStringLiteral("The ODBC driver gave no statement handle. ") + description);
    }
    {
        const std::lock_guard<std::mutex> lock(m_cancelMutex);
        m_connectionHandle = connectionHandle;
        m_statement = statement;
        m_cancelPending = false;
    }
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(connectionHandle, SQL_DBMS_NAME, name, sizeof name, &length)))
        m_dbmsName = QString::fromUtf16(reinterpret_cast<const char16_t*>(name));
    return true;
}

void OdbcConnection::cancel()
{
    const std::lock_guard<std::mutex> lock(m_cancelMutex);
    m_cancelPending = true;
    if (m_executing && m_statement)
        SQLCancel(m_statement);
}

void OdbcConnection::clearCancel()
{
    const std::lock_guard<std::mutex> lock(m_cancelMutex);
    m_cancelPending = false;
}

bool OdbcConnection::statementFailed(short r)
{
    const Diagnostics diagnostics = diagnose(SQL_HANDLE_STMT, m_statement);
    SQLFreeStmt(m_statement, SQL_CLOSE);
    bool cancelled = false;
    {
        const std::lock_guard<std::mutex> lock(m_cancelMutex);
        cancelled = m_cancelPending;
    }
    DatabaseError::Kind kind = DatabaseError::Kind::Refused;
    if (cancelled)
        kind = DatabaseError::Kind::Cancelled;
    else if (diagnostics.state.startsWith(QLatin1String("08")) || connectionDead())
        kind = DatabaseError::Kind::ConnectionLost;
    QString text = cleaned(diagnostics.text);
    if (text.isEmpty())
        text =
            QStringLiteral("The ODBC driver reported a failure (%1) without a description.").arg(r);
    return fail(text, kind, diagnostics.state);
}

bool OdbcConnection::connectionDead() const
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    return m_connectionHandle &&
           SQL_SUCCEEDED(SQLGetConnectAttr(m_connectionHandle, SQL_ATTR_CONNECTION_DEAD, &dead, 0,
                                           nullptr)) &&
           dead == SQL_CD_TRUE;
}

bool OdbcConnection::readResult(std::vector<ResultSet>* results)
{
    std::vector<Row> rows;
    SQLSMALLINT columns = 0;
    if (SQL_SUCCEEDED(SQLNumResultCols(m_statement, &columns)) && columns > 0) {
        SQLRETURN r = SQL_SUCCESS;
        while (SQL_SUCCEEDED(r = SQLFetch(m_statement))) {
            Row row(static_cast<std::size_t>(columns));
            for (SQLSMALLINT column = 0; column < columns; ++column) {
                if (!readColumn(m_statement, static_cast<SQLUSMALLINT>(column + 1),
                                row[static_cast<std::size_t>(column)]))
                    return statementFailed(SQL_ERROR);
            }
            rows.push_back(std::move(row));
        }
        if (r != SQL_NO_DATA)
            return statementFailed(r);
    }
    if (results)
        results->emplace_back(std::move(rows));
    return true;
}

bool OdbcConnection::run(const QString& sql, std::vector<ResultSet>* results, std::size_t expected,
                         Cancellable cancellable)
{
    // The statement handle exists exactly while the connection is open; asking Qt's registry
    // of connections instead would cost a lock and a lookup on every statement.
    if (!m_statement)
        return fail(QStringLiteral("The connection to the database is not open."),
                    DatabaseError::Kind::ConnectionLost);
    {
        const std::lock_guard<std::mutex> lock(m_cancelMutex);
        if (cancellable == Cancellable::Yes && m_cancelPending)
            return fail(QStringLiteral("Operation cancelled"), DatabaseError::Kind::Cancelled);
        // cancel() interrupts only what runs while this is set.
        m_executing = cancellable == Cancellable::Yes;
    }
    const auto done = [this](bool ok) {
        {
            const std::lock_guard<std::mutex> lock(m_cancelMutex);
            m_executing = false;
        }
        return ok;
    };
    SQLRETURN r = SQLExecDirectW(
        m_statement, const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16())),
        static_cast<SQLINTEGER>(sql.size()));
    // SQL_NO_DATA: a searched UPDATE or DELETE that met no row, which is no failure.
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
        return done(statementFailed(r));
    if (r == SQL_NO_DATA) {
        if (results)
            results->emplace_back();
    } else if (!readResult(results)) {
        return done(false);
    }
    // A request of several statements gives a result for each, in order.
    for (std::size_t read = 1; read < expected; ++read) {
        r = SQLMoreResults(m_statement);
        if (r == SQL_NO_DATA)
            return done(fail(QStringLiteral("The database gave %1 results for %2 statements.")
                                 .arg(read)
                                 .arg(expected)));
        if (!SQL_SUCCEEDED(r))
            return done(statementFailed(r));
        if (!readResult(results))
            return done(false);
    }
    // Whatever else the request gave is read too: an error it holds is the request's error, and
    // a result more than the statements sent would put every answer against the wrong
    // statement.
    while ((r = SQLMoreResults(m_statement)) != SQL_NO_DATA) {
        if (!SQL_SUCCEEDED(r))
            return done(statementFailed(r));
        if (expected > 1) {
            SQLFreeStmt(m_statement, SQL_CLOSE);
            return done(fail(QStringLiteral("The database gave more results than the %1 "
                                            "statements sent.")
                                 .arg(expected)));
        }
    }
    SQLFreeStmt(m_statement, SQL_CLOSE);
    return done(true);
}

bool OdbcConnection::query(const QString& sql, ResultSet& result)
{
    std::vector<ResultSet> results;
    if (!run(sql, &results, 1))
        return false;
    result = std::move(results.front());
    return true;
}

bool OdbcConnection::execute(const QString& sql)
{
    return run(sql, nullptr, 1);
}

bool OdbcConnection::executeBatch(const QStringList& statements, std::vector<ResultSet>& results)
{
    results.clear();
    results.reserve(static_cast<std::size_t>(statements.size()));
    return run(statements.join(QLatin1Char(';')), &results,
               static_cast<std::size_t>(statements.size()));
}

bool OdbcConnection::beginTransaction()
{
    if (!isOpen())
        return fail(QStringLiteral("The connection to the database is not open."),
                    DatabaseError::Kind::ConnectionLost);
    QSqlDatabase database = QSqlDatabase::database(m_name, false);
    if (!database.transaction())
        return fail(describe(database.lastError()));
    m_inTransaction = true;
    m_transactionFailed = false;
    return true;
}

bool OdbcConnection::commit()
{
    if (!isOpen())
        return fail(QStringLiteral("The connection to the database is not open."),
                    DatabaseError::Kind::ConnectionLost);
    QSqlDatabase database = QSqlDatabase::database(m_name, false);
    if (m_inTransaction && m_transactionFailed) {
        // Committing now would keep whatever the driver or server salvaged around the failed
        // statement, or be turned into a rollback that still reports success.
        const QString cause = m_lastError.description();
        database.rollback();
        m_inTransaction = false;
        m_transactionFailed = false;
        m_lastError = DatabaseError(
            DatabaseError::Kind::Refused,
            QStringLiteral("The changes were rolled back because a statement failed: ") + cause);
        return false;
    }
    const bool ok = database.commit();
    m_inTransaction = false;
    m_transactionFailed = false;
    if (!ok) {
        // A commit the server refused leaves nothing to keep; make sure nothing stays open.
        const QString description = describe(database.lastError());
        database.rollback();
        m_lastError = DatabaseError(connectionDead() ? DatabaseError::Kind::ConnectionLost
                                                     : DatabaseError::Kind::Refused,
                                    description);
        return false;
    }
    return true;
}

bool OdbcConnection::rollbackTo(const QString& sql)
{
    return run(sql, nullptr, 1, Cancellable::No);
}

bool OdbcConnection::rollback()
{
    if (!isOpen())
        return fail(QStringLiteral("The connection to the database is not open."),
                    DatabaseError::Kind::ConnectionLost);
    QSqlDatabase database = QSqlDatabase::database(m_name, false);
    const bool ok = database.rollback();
    m_inTransaction = false;
    m_transactionFailed = false;
    if (!ok)
        return fail(describe(database.lastError()));
    return true;
}

std::unique_ptr<Connection> OdbcConnectionFactory::create()
{
    return std::make_unique<OdbcConnection>(m_catalog);
}

} // namespace tarnwell::db
