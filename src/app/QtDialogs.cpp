#include "app/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace tarnwell::app {

namespace {

QMessageBox::Icon boxIconOf(MessageIcon icon)
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
    return boxIcon;
}

} // namespace

void QtDialogs::message(const QString& text, const QString& title, MessageIcon icon)
{
    QMessageBox box(boxIconOf(icon), title, text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

bool QtDialogs::question(const QString& text, const QString& title, MessageIcon icon,
                         DefaultAnswer defaultAnswer)
{
    QMessageBox box(boxIconOf(icon), title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setObjectName(QStringLiteral("questionBox"));
    box.setDefaultButton(defaultAnswer == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::saveFileName(const QString& suggestedPath)
{
    return QFileDialog::getSaveFileName(m_parent, QStringLiteral("Save Log"), suggestedPath,
                                        QStringLiteral("Log files (*.log);;All files (*)"));
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
