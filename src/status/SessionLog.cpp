#include "status/SessionLog.h"

#include "tarnwell/Version.h"

#include <QSaveFile>

namespace tarnwell::status {

QString sessionLogHeader(const QDate& sessionStart)
{
    return QStringLiteral("Tarnwell %1.%2.%3 session log, ")
               .arg(VersionMajor)
               .arg(VersionMinor)
               .arg(VersionRevision) +
           sessionStart.toString(QStringLiteral("yyyy-MM-dd"));
}

QString suggestedLogName(const QDateTime& now)
{
    return QStringLiteral("tarnwell-") + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
           QStringLiteral(".log");
}

QString writeSessionLog(const QString& path, const QString& header, const QStringList& lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QByteArray text = header.toUtf8() + '\n';
    for (const QString& line : lines)
        text += line.toUtf8() + '\n';
    if (file.write(text) != text.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace tarnwell::status
