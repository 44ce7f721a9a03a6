#pragma once

#include "app/core/MainView.h"

#include <QPointer>
#include <QWidget>

namespace tarnwell::app {

// Message boxes and the end of the program for the real window.
class QtDialogs : public Dialogs
{
public:
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const QString& text, const QString& title, MessageIcon icon) override;
    bool question(const QString& text, const QString& title, MessageIcon icon,
                  DefaultAnswer defaultAnswer) override;
    QString saveFileName(const QString& suggestedPath) override;
    void endProgram(int exitCode) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace tarnwell::app
