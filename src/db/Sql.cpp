#include "db/Sql.h"

namespace tarnwell::db::sql {

QString escaped(const QString& value)
{
    QString text = value;
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    return text;
}

QString orZero(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("0") : value;
}

QString orBlank(const QString& value)
{
    return value.isEmpty() ? QStringLiteral(" ") : value;
}

QString dateText(const QDate& date)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!date.isValid())
        return QString();
    return QString::asprintf("%02d-%s-%02d", date.day(), months[date.month() - 1],
                             date.year() % 100);
}

QString fixedWidth(const QString& value, int width)
{
    return value.left(width).leftJustified(width, QLatin1Char(' '));
}

} // namespace tarnwell::db::sql

#include "status/Failure.h"

#include <QRegularExpression>

namespace tarnwell::db::sql {

QString bare(const QString& value)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?$)"));
    if (!number.match(value).hasMatch())
        throw Failure(QStringLiteral("The library value \"") + value +
                      QStringLiteral("\" is not a number and cannot be written as one."));
    return value;
}

} // namespace tarnwell::db::sql
