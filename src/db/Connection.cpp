#include "db/Connection.h"

#include "status/Failure.h"

namespace tarnwell::db {

Value ResultSet::value(int column) const
{
    if (m_rows.empty())
        throw Failure(QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                     "deleted. Requested operation requires a current record."));
    const Row& first = m_rows.front();
    if (column < 0 || column >= static_cast<int>(first.size()))
        throw Failure(QStringLiteral("Item cannot be found in the collection corresponding to "
                                     "the requested name or ordinal."));
    return first[column];
}

std::optional<QString> ResultSet::found(int column) const
{
    if (m_rows.empty())
        return std::nullopt;
    return value(column).value_or(QString());
}

QString ConnectionString::toString() const
{
    QString text = QStringLiteral("Provider=") + provider;
    for (const auto& [key, value] : properties)
        text += QLatin1Char(';') + key + QLatin1Char('=') + value;
    return text;
}

QString ConnectionString::property(const QString& key) const
{
    for (const auto& [name, value] : properties) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool isUntrustedServerCertificate(const QString& sqlState, const QString& description)
{
    if (sqlState != QLatin1String("08001"))
        return false;
    return description.contains(QLatin1String("certificate verify failed"), Qt::CaseInsensitive) ||
           description.contains(
               QLatin1String("certificate chain was issued by an authority that is not trusted"),
               Qt::CaseInsensitive);
}

QString textOf(const Value& value)
{
    if (!value)
        throw Failure(QStringLiteral("Invalid use of Null"));
    return *value;
}

} // namespace tarnwell::db
