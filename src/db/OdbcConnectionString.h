#pragma once

#include "db/Connection.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarnwell::db {

// Which ODBC drivers the driver manager knows. Behind an interface so that the choice of driver
// can be tried with any list of drivers.
class OdbcDriverCatalog
{
public:
    virtual ~OdbcDriverCatalog() = default;
    // Driver names as registered (odbcinst.ini section names), in the manager's order.
    virtual QStringList installedDrivers() const = 0;
};

// Asks unixODBC (SQLDrivers). Where it looks is the driver manager's business: odbcinst.ini in
// its system folder, or in the folder ODBCSYSINI names.
class UnixOdbcDriverCatalog : public OdbcDriverCatalog
{
public:
    QStringList installedDrivers() const override;
};

// The database family a provider name stands for; it decides the drivers that fit and the
// keywords they take.
enum class OdbcFamily { SqlServer, Oracle, SqlAnywhere };

// msdaora, sqloledb, sqlncli or ASAProv (any letter case); nothing for another provider.
std::optional<OdbcFamily> odbcFamilyOfProvider(const QString& provider);

// The driver for `provider` among `installed`: one registered under the provider's own name wins
// (compared without regard to case); otherwise the first installed of the family's usual
// drivers. Empty when none fits.
QString chooseOdbcDriver(const QString& provider, const QStringList& installed);

// The drivers the family's own search looks for, described for a failure message.
QString usualOdbcDrivers(OdbcFamily family);

// A value as an ODBC connection string carries it: unchanged when it is plain, otherwise in
// braces with every "}" doubled, so that no value can end its attribute or add another.
QString odbcAttributeValue(const QString& value);

// An ODBC connection string taken apart: the attributes that name the driver and the database,
// and the two credentials, each value already in its ODBC form (odbcAttributeValue).
struct OdbcConnectionText
{
    QList<QPair<QString, QString>> attributes; // DRIVER first, then the database keywords
    QString userId;                            // UID value, empty when not given
    QString password;                          // PWD value, empty when not given

    // "KEY=value" joined with ";": the attributes, then UID and PWD when given.
    QString toString() const;
    QString attributesText() const;
};

// Maps a provider-style connection string (the parts the window builds) to ODBC keywords for
// `driver`:
//   SQL Server providers (and psqlODBC standing in for them): Data Source -> Server,
//     Initial Catalog -> Database; Encrypt and TrustServerCertificate when the certificate is
//     to be trusted unchecked;
//   Oracle: Data Source -> DBQ (the net service name);
//   SQL Anywhere: Data Source -> DatabaseName;
//   all: User ID -> UID, Password -> PWD.
// Parts the family does not use are left out. Returns nothing for an unknown provider.
std::optional<OdbcConnectionText> odbcConnectionText(const ConnectionString& connectionString,
                                                     const QString& driver);

} // namespace tarnwell::db
