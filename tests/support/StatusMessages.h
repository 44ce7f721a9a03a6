#pragma once

#include "status/StatusLog.h"

#include <QStringList>

namespace tarnwell::testing {

// The messages on a status display, oldest first, without their time stamps; lines not yet
// written are left out.
inline QStringList statusMessages(const status::StatusLog& log)
{
    constexpr int StampLength = 11; // "hh:mm:ss" and three blanks
    QStringList messages;
    for (const QString& line : log.lines()) {
        if (!line.isEmpty())
            messages.append(line.mid(StampLength));
    }
    return messages;
}

} // namespace tarnwell::testing
