#include "db/OdbcConnection.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <QVariant>

#include <atomic>

namespace tarnwell::db {

namespace {

QString uniqueConnectionName()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("tarnwell-odbc-%1").arg(++counter);
}

// The database's own words. psqlODBC closes every message with a line of its own that says
// nothing more; line breaks would tear the status display apart.
QString describe(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    static const QString psqlOdbcTail = QStringLiteral(";\nError while executing the query");
    if (text.endsWith(psqlOdbcTail))
        text.chop(psqlOdbcTail.size());
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList trimmed;
    for (const QString& line : lines)
        trimmed.append(line.trimmed());
    return trimmed.join(QLatin1Char(' '));
}

Value textOf(const QVariant& value)
{
    // Through ODBC a NULL still carries its column's type and would convert to 0 or "0".
    if (value.isNull())
        return std::nullopt;
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        const QString format = moment.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                    : QStringLiteral("yyyy-MM-dd HH:mm:ss");
        return moment.toString(format);
    }
    default:
        return value.toString();
    }
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

bool OdbcConnection::fail(const QString& description)
{
    m_lastError = description;
    if (m_inTransaction)
        m_transactionFailed = true;
    return false;
}

bool OdbcConnection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

bool OdbcConnection::open(const ConnectionString& connectionString)
{
    close();
    m_driver.clear();

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
    if (!database.open())
        return fail(describe(database.lastError()));
    return true;
}

bool OdbcConnection::run(const QString& sql, ResultSet* result)
{
    if (!isOpen())
        return fail(QStringLiteral("The connection to the database is not open."));
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.exec(sql))
        return fail(describe(query.lastError()));

    std::vector<Row> rows;
    if (query.isSelect()) {
        const int columns = query.record().count();
        // size() is unknown through ODBC; the rows are counted as they come.
        while (query.next()) {
            Row row;
            row.reserve(columns);
            for (int column = 0; column < columns; ++column)
                row.push_back(textOf(query.value(column)));
            rows.push_back(std::move(row));
        }
        if (query.lastError().isValid())
            return fail(describe(query.lastError()));
    }
    if (result)
        *result = ResultSet(std::move(rows));
    return true;
}

bool OdbcConnection::query(const QString& sql, ResultSet& result)
{
    return run(sql, &result);
}

bool OdbcConnection::execute(const QString& sql)
{
    return run(sql, nullptr);
}

bool OdbcConnection::beginTransaction()
{
    if (!isOpen())
        return fail(QStringLiteral("The connection to the database is not open."));
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
        return fail(QStringLiteral("The connection to the database is not open."));
    QSqlDatabase database = QSqlDatabase::database(m_name, false);
    if (m_inTransaction && m_transactionFailed) {
        // Committing now would keep whatever the driver or server salvaged around the failed
        // statement, or be turned into a rollback that still reports success.
        const QString cause = m_lastError;
        database.rollback();
        m_inTransaction = false;
        m_transactionFailed = false;
        m_lastError =
            QStringLiteral("The changes were rolled back because a statement failed: ") + cause;
        return false;
    }
    const bool ok = database.commit();
    m_inTransaction = false;
    m_transactionFailed = false;
    if (!ok) {
        // A commit the server refused leaves nothing to keep; make sure nothing stays open.
        const QString description = describe(database.lastError());
        database.rollback();
        m_lastError = description;
        return false;
    }
    return true;
}

bool OdbcConnection::rollback()
{
    if (!isOpen())
        return fail(QStringLiteral("The connection to the database is not open."));
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
