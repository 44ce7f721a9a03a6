#pragma once

// Lets GoogleTest print Qt values readably in failure messages.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

inline void PrintTo(const QString& value, std::ostream* os)
{
    *os << '"' << value.toStdString() << '"';
}

inline void PrintTo(const QByteArray& value, std::ostream* os)
{
    *os << "QByteArray(" << value.toHex().toStdString() << ')';
}

inline void PrintTo(const QStringList& value, std::ostream* os)
{
    *os << '[';
    for (qsizetype i = 0; i < value.size(); ++i)
        *os << (i ? ", " : "") << '"' << value[i].toStdString() << '"';
    *os << ']';
}

inline void PrintTo(const std::optional<QString>& value, std::ostream* os)
{
    if (value)
        PrintTo(*value, os);
    else
        *os << "NULL";
}
