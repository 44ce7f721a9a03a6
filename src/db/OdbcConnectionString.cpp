#include "db/OdbcConnectionString.h"

#ifdef _WIN32
// Windows' ODBC headers take their types (HWND, DWORD, ...) from it and do not include it.
#include <qt_windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <iterator>

namespace tarnwell::db {

namespace {

const QStringList& sqlServerDrivers()
{
    static const QStringList drivers{
        QStringLiteral("ODBC Driver 18 for SQL Server"),
        QStringLiteral("ODBC Driver 17 for SQL Server"),
        QStringLiteral("FreeTDS"),
        QStringLiteral("SQL Server"),
    };
    return drivers;
}

QString oraclePrefix()
{
    return QStringLiteral("Oracle");
}

QString sqlAnywherePrefix()
{
    return QStringLiteral("SQL Anywhere");
}

QString firstStartingWith(const QStringList& installed, const QString& prefix)
{
    for (const QString& driver : installed) {
        if (driver.startsWith(prefix, Qt::CaseInsensitive))
            return driver;
    }
    return {};
}

bool needsBraces(const QString& value)
{
    if (value.isEmpty())
        return false;
    if (value.front().isSpace() || value.back().isSpace())
        return true;
    return value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{')) ||
           value.contains(QLatin1Char('}'));
}

QString joined(const QList<QPair<QString, QString>>& attributes)
{
    QStringList pieces;
    for (const auto& [key, value] : attributes)
        pieces.append(key + QLatin1Char('=') + value);
    return pieces.join(QLatin1Char(';'));
}

// The name of the next driver the driver manager lists; false after the last. Windows' driver
// manager is asked in UTF-16: there SQLDrivers is the wide call whenever UNICODE is defined, as
// Qt defines it, and wine's has no narrow one at all. unixODBC is asked in bytes, which it
// hands on from odbcinst.ini as they are, UTF-8.
// SQL_SUCCESS_WITH_INFO means a truncated name or attribute list; the name is still usable as
// far as it goes, and a longer name than 511 characters is no driver anyone registers.
bool nextDriver(SQLHENV environment, SQLUSMALLINT direction, QString& name)
{
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
#ifdef _WIN32
    SQLWCHAR buffer[512];
    SQLWCHAR attributes[2048];
    if (!SQL_SUCCEEDED(SQLDriversW(environment, direction, buffer, std::size(buffer), &nameLength,
                                   attributes, std::size(attributes), &attributesLength)))
        return false;
    name = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer));
#else
    SQLCHAR buffer[512];
    SQLCHAR attributes[2048];
    if (!SQL_SUCCEEDED(SQLDrivers(environment, direction, buffer, sizeof buffer, &nameLength,
                                  attributes, sizeof attributes, &attributesLength)))
        return false;
    name = QString::fromUtf8(reinterpret_cast<const char*>(buffer));
#endif
    return true;
}

} // namespace

QStringList UnixOdbcDriverCatalog::installedDrivers() const
{
    QStringList drivers;
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return drivers;
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    QString name;
    while (nextDriver(environment, direction, name)) {
        drivers.append(name);
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return drivers;
}

std::optional<OdbcFamily> odbcFamilyOfProvider(const QString& provider)
{
    if (provider.compare(QLatin1String("sqloledb"), Qt::CaseInsensitive) == 0 ||
        provider.compare(QLatin1String("sqlncli"), Qt::CaseInsensitive) == 0)
        return OdbcFamily::SqlServer;
    if (provider.compare(QLatin1String("msdaora"), Qt::CaseInsensitive) == 0)
        return OdbcFamily::Oracle;
    if (provider.compare(QLatin1String("ASAProv"), Qt::CaseInsensitive) == 0)
        return OdbcFamily::SqlAnywhere;
    return std::nullopt;
}

QString chooseOdbcDriver(const QString& provider, const QStringList& installed)
{
    const std::optional<OdbcFamily> family = odbcFamilyOfProvider(provider);
    if (!family)
        return {};
    for (const QString& driver : installed) {
        if (driver.compare(provider, Qt::CaseInsensitive) == 0)
            return driver;
    }
    switch (*family) {
    case OdbcFamily::SqlServer:
        for (const QString& wanted : sqlServerDrivers()) {
            for (const QString& driver : installed) {
                if (driver.compare(wanted, Qt::CaseInsensitive) == 0)
                    return driver;
            }
        }
        return {};
    case OdbcFamily::Oracle:
        return firstStartingWith(installed, oraclePrefix());
    case OdbcFamily::SqlAnywhere:
        return firstStartingWith(installed, sqlAnywherePrefix());
    }
    return {};
}

QString usualOdbcDrivers(OdbcFamily family)
{
    switch (family) {
    case OdbcFamily::SqlServer:
        return QLatin1Char('"') + sqlServerDrivers().join(QStringLiteral("\", \"")) +
               QLatin1Char('"');
    case OdbcFamily::Oracle:
        return QStringLiteral("a driver whose name begins with \"") + oraclePrefix() +
               QLatin1Char('"');
    case OdbcFamily::SqlAnywhere:
        return QStringLiteral("a driver whose name begins with \"") + sqlAnywherePrefix() +
               QLatin1Char('"');
    }
    return {};
}

QString odbcAttributeValue(const QString& value)
{
    if (!needsBraces(value))
        return value;
    QString inner = value;
    inner.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + inner + QLatin1Char('}');
}

QString OdbcConnectionText::attributesText() const
{
    return joined(attributes);
}

QString OdbcConnectionText::toString() const
{
    QList<QPair<QString, QString>> all = attributes;
    if (!userId.isEmpty())
        all.append({QStringLiteral("UID"), userId});
    if (!password.isEmpty())
        all.append({QStringLiteral("PWD"), password});
    return joined(all);
}

std::optional<OdbcConnectionText> odbcConnectionText(const ConnectionString& connectionString,
                                                     const QString& driver)
{
    const std::optional<OdbcFamily> family = odbcFamilyOfProvider(connectionString.provider);
    if (!family)
        return std::nullopt;

    OdbcConnectionText text;
    // A driver name is always braced: names such as "ODBC Driver 18 for SQL Server" are how
    // they are usually written, and a name holding ";" could not be written otherwise.
    QString inner = driver;
    inner.replace(QLatin1Char('}'), QStringLiteral("}}"));
    text.attributes.append({QStringLiteral("DRIVER"), QLatin1Char('{') + inner + QLatin1Char('}')});

    const QString dataSource = connectionString.property(QStringLiteral("Data Source"));
    switch (*family) {
    case OdbcFamily::SqlServer:
        text.attributes.append({QStringLiteral("Server"), odbcAttributeValue(dataSource)});
        text.attributes.append(
            {QStringLiteral("Database"),
             odbcAttributeValue(connectionString.property(QStringLiteral("Initial Catalog")))});
        if (connectionString.trustServerCertificate) {
            // Encrypted all the same: the user agreed to an unchecked certificate, not to an
            // unencrypted connection (Driver 17 does not encrypt by default).
            text.attributes.append({QStringLiteral("Encrypt"), QStringLiteral("yes")});
            text.attributes.append(
                {QStringLiteral("TrustServerCertificate"), QStringLiteral("yes")});
        }
        break;
    case OdbcFamily::Oracle:
        text.attributes.append({QStringLiteral("DBQ"), odbcAttributeValue(dataSource)});
        break;
    case OdbcFamily::SqlAnywhere:
        text.attributes.append({QStringLiteral("DatabaseName"), odbcAttributeValue(dataSource)});
        break;
    }
    text.userId = odbcAttributeValue(connectionString.property(QStringLiteral("User ID")));
    text.password = odbcAttributeValue(connectionString.property(QStringLiteral("Password")));
    return text;
}

} // namespace tarnwell::db
