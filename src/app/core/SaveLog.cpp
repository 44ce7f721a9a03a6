#include "app/core/SaveLog.h"

#include "status/SessionLog.h"

#include <QDir>
#include <QStandardPaths>

namespace tarnwell::app {

void saveSessionLog(Dialogs& dialogs, const status::StatusLog& status, const QDate& sessionStart)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder.isEmpty() ? QDir::homePath() : folder)
                                  .filePath(status::suggestedLogName(QDateTime::currentDateTime()));
    const QString path = dialogs.saveFileName(suggested);
    if (path.isEmpty())
        return;
    const QString failure = status::writeSessionLog(path, status::sessionLogHeader(sessionStart),
                                                    status.sessionLines());
    if (!failure.isEmpty())
        dialogs.message(QStringLiteral("The log could not be saved to ") + path +
                            QStringLiteral(":\n") + failure +
                            QStringLiteral("\n\nNothing of it is lost; try another place."),
                        ApplicationTitle, MessageIcon::Warning);
}

} // namespace tarnwell::app
