#include "db/Sql.h"

namespace tarnwell::db::sql {

QString escaped(const QString& value)
{
    QString text = value;
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    return text;
}

QString dateText(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, QStringLiteral("dd-MMM-yy"));
}

QString fixedWidth(const QString& value, int width)
{
    return value.left(width).leftJustified(width, QLatin1Char(' '));
}

} // namespace tarnwell::db::sql
