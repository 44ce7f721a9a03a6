#include "app/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tarnwell::app {

QFont fixedPitchFont()
{
    // Ask for the family by name: fontconfig reports some monospaced fonts as proportional, so
    // QFontInfo::fixedPitch() cannot be trusted to confirm the choice.
    const QString preferred = QStringLiteral("DejaVu Sans Mono");
    if (QFontDatabase::families().contains(preferred))
        return QFont(preferred, 9);
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

} // namespace tarnwell::app
