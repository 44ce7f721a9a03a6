#pragma once

#include "db/Connection.h"
#include "db/Platform.h"

#include <QString>

namespace tarnwell::db {

// What the user typed on the connection panel (logon and password already upper-cased).
struct LoginInput
{
    Platform platform = Platform::None;
    QString serverName;
    QString dataSource;
    QString userId;
    QString password;
    // Given by the user's Yes for one Connect (and its reconnections), never kept beyond it.
    bool trustServerCertificate = false;
};

// The logged-in domain. Every field is text and is written bare into statements.
struct DomainContext
{
    QString proj_name;
    QString proj_id;
    QString site_id;
    QString plant_id;
    QString area_id;
    QString unit_id;
};

// The provider connection string of a platform, values inserted exactly as typed.
ConnectionString buildConnectionString(const LoginInput& input);

// False when a typed value cannot be part of any connection string (control characters).
bool isValidConnectionValue(const QString& value);
// True when every value the platform's connection string takes is valid; a box the platform
// does not use (the server name on Oracle) may hold anything.
bool isValidLoginInput(const LoginInput& input);

// The logon and password as the server is to see them: each character upper-cased on its own, so
// the text keeps its length ("straße" stays six characters, where a full case mapping would give
// "STRASSE", another name).
QString upperCased(const QString& text);

inline const QString versionQuery = QStringLiteral("SELECT rev_software FROM license");
QString domainQuery(const QString& userId, const QString& password);

// Characters `length` from `start` (1-based), shorter or empty past the end of the text.
QString mid(const QString& text, int start, int length);

// A text converted to a 16-bit integer the way the release check has always read release
// texts: blanks around it and a trailing point are fine ("7." is 7), halves round to even.
// Throws Failure for text that is not a number or does not fit.
qint16 toInteger16(const QString& text);

// The major release: characters 2 and 3 of the release text ("07.00.05.06" gives 7).
qint16 TargetMajorVersion(const QString& targetVersion);

// Release 7 from service pack 5 (or any 7.x with a non-zero minor), 2007 (08) and 2009 (09).
// Throws Failure when any of the positions read is not a number, even if the major alone
// would decide.
bool isSupportedVersion(const QString& targetVersion);

} // namespace tarnwell::db
