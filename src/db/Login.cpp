#include "db/Login.h"

#include "db/Sql.h"
#include "status/Failure.h"

#include <QRegularExpression>

#include <cmath>

namespace tarnwell::db {

ConnectionString buildConnectionString(const LoginInput& in)
{
    switch (in.platform) {
    case Platform::Oracle:
        return {QStringLiteral("msdaora"),
                {{QStringLiteral("User ID"), in.userId},
                 {QStringLiteral("Password"), in.password},
                 {QStringLiteral("Data Source"), in.dataSource}}};
    case Platform::SQLServer:
    case Platform::SQLServer2005:
        return {in.platform == Platform::SQLServer ? QStringLiteral("sqloledb")
                                                   : QStringLiteral("sqlncli"),
                {{QStringLiteral("Data Source"), in.serverName},
                 {QStringLiteral("Initial Catalog"), in.dataSource},
                 {QStringLiteral("User ID"), in.userId},
                 {QStringLiteral("Password"), in.password}},
                in.trustServerCertificate};
    case Platform::Watcom:
        return {QStringLiteral("ASAProv"),
                {{QStringLiteral("Data Source"), in.dataSource},
                 {QStringLiteral("User ID"), in.userId},
                 {QStringLiteral("Password"), in.password}}};
    case Platform::None:
        break;
    }
    throw Failure(QStringLiteral("No database platform chosen."));
}

bool isValidConnectionValue(const QString& value)
{
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

bool isValidLoginInput(const LoginInput& input)
{
    const ConnectionString connectionString = buildConnectionString(input);
    for (const auto& property : connectionString.properties) {
        if (!isValidConnectionValue(property.second))
            return false;
    }
    return true;
}

QString upperCased(const QString& text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (c.isHighSurrogate() && i + 1 < result.size() && result.at(i + 1).isLowSurrogate()) {
            const char32_t upper = QChar::toUpper(QChar::surrogateToUcs4(c, result.at(i + 1)));
            if (QChar::requiresSurrogates(upper)) {
                result[i] = QChar(QChar::highSurrogate(upper));
                result[i + 1] = QChar(QChar::lowSurrogate(upper));
            }
            ++i;
            continue;
        }
        result[i] = c.toUpper();
    }
    return result;
}

QString domainQuery(const QString& userId, const QString& password)
{
    return QStringLiteral("SELECT proj_name, proj_id, site_id ") +
           QStringLiteral("FROM   project ") + QStringLiteral("WHERE  proj_log_name = '") +
           sql::escaped(userId) + QStringLiteral("' ") +
           QStringLiteral("AND    proj_log_pass = '") + sql::escaped(password) +
           QStringLiteral("'");
}

QString mid(const QString& text, int start, int length)
{
    if (start < 1 || start > text.size())
        return {};
    return text.mid(start - 1, length);
}

qint16 toInteger16(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)\s*$)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        throw Failure(QStringLiteral("Type mismatch"));
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    if (!ok)
        throw Failure(QStringLiteral("Type mismatch"));
    const double rounded = std::nearbyint(value); // the default rounding mode rounds halves to even
    if (rounded < -32768.0 || rounded > 32767.0)
        throw Failure(QStringLiteral("Overflow"));
    return static_cast<qint16>(rounded);
}

qint16 TargetMajorVersion(const QString& targetVersion)
{
    return toInteger16(mid(targetVersion, 2, 2));
}

bool isSupportedVersion(const QString& targetVersion)
{
    const qint16 major = TargetMajorVersion(targetVersion);
    const qint16 minor = toInteger16(mid(targetVersion, 4, 2));
    const qint16 servicePack = toInteger16(mid(targetVersion, 8, 1));
    const bool release7 = mid(targetVersion, 2, 1) == QLatin1String("7");
    return (release7 && (minor > 0 || servicePack >= 5)) || major == 8 || major == 9;
}

} // namespace tarnwell::db
