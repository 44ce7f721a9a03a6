#pragma once

#include "status/StatusLog.h"

#include <QStringList>

#include <array>

namespace tarnwell::testing {

// A status line without its time stamp, "hh:mm:ss" and three blanks.
inline QString withoutStamp(const QString& line)
{
    constexpr int StampLength = 11;
    return line.mid(StampLength);
}

// Lines as the display or the log shows them, without their time stamps.
inline QStringList withoutStamps(const QStringList& lines)
{
    QStringList messages;
    for (const QString& line : lines)
        messages.append(withoutStamp(line));
    return messages;
}
template <std::size_t N> QStringList withoutStamps(const std::array<QString, N>& lines)
{
    return withoutStamps(QStringList(lines.begin(), lines.end()));
}

// The messages on a status display, oldest first, without their time stamps; lines not yet
// written are left out.
inline QStringList statusMessages(const status::StatusLog& log)
{
    QStringList messages;
    for (const QString& line : log.lines()) {
        if (!line.isEmpty())
            messages.append(withoutStamp(line));
    }
    return messages;
}

// Every line of the session, oldest first, without its time stamp.
inline QStringList sessionMessages(const status::StatusLog& log)
{
    return withoutStamps(log.sessionLines());
}

} // namespace tarnwell::testing
