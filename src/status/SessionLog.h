#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tarnwell::status {

// "Tarnwell 3.0.34 session log, 2026-12-08": the first line of a saved log, with the day the
// session started.
QString sessionLogHeader(const QDate& sessionStart);

// "tarnwell-2026-12-08-093012.log": the name a log is offered under.
QString suggestedLogName(const QDateTime& now);

// Writes the header and then every line, UTF-8 with LF line ends, replacing `path` only once
// the whole file is written. Returns the reason when it fails, an empty text when it worked.
QString writeSessionLog(const QString& path, const QString& header, const QStringList& lines);

} // namespace tarnwell::status
