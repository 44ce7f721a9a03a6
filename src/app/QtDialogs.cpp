#include "app/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace tarnwell::app {

void QtDialogs::message(const QString& text, const QString& title, MessageIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    switch (icon) {
    case MessageIcon::Critical:
        boxIcon = QMessageBox::Critical;
        break;
    case MessageIcon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case MessageIcon::Information:
        break;
    }
    QMessageBox box(boxIcon, title, text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

void QtDialogs::endProgram(int exitCode)
{
    // Nothing may be seen or handled any more; the event loop returns as soon as the current
    // handler does, and every handler returns at once after ending the program.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(exitCode);
}

} // namespace tarnwell::app
