#include "app/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tarnwell::app {

QFont fixedPitchFont()
{
#ifndef Q_OS_WIN
    // Ask for the family by name: fontconfig reports some monospaced fonts as proportional, so
    // QFontInfo::fixedPitch() cannot be trusted to confirm the choice.
    const QString preferred = QStringLiteral("DejaVu Sans Mono");
    if (QFontDatabase::families().contains(preferred))
        return QFont(preferred, 9);
#endif
    // Windows' own, Courier New, which every Windows desktop has, whatever else is installed.
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

} // namespace tarnwell::app
