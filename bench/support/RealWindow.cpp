#include "support/RealWindow.h"

#include "support/BenchWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

namespace tarnwell::bench {

RealWindow::RealWindow(const QString& programPath, const testing::TestDatabase& database)
    : m_database(database), m_window(m_connections, m_dialogs, programPath)
{}

template <typename Widget> Widget* RealWindow::child(const char* name)
{
    auto* widget = m_window.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        fail(QStringLiteral("the window has no %1").arg(QLatin1String(name)));
    return widget;
}

double RealWindow::readLibrary()
{
    const double seconds = timed(
        [this] {
            m_window.show();
            QEvent activation(QEvent::WindowActivate);
            QApplication::sendEvent(&m_window, &activation);
        },
        m_window.controller(), "the window's library read");
    if (m_dialogs.endedWith)
        fail(QStringLiteral("the window could not read its library"));
    return seconds;
}

double RealWindow::connectAndList()
{
    child<QAbstractButton>("optSQLServer")->click();
    child<QLineEdit>("txtServerName")->setText(m_database.server());
    child<QLineEdit>("txtDataSource")->setText(m_database.name());
    child<QLineEdit>("txtUserID")->setText(m_database.logon());
    child<QLineEdit>("txtPassword")->setText(m_database.password());
    const double seconds = timed([this] { child<QAbstractButton>("cmdConnect")->click(); },
                                 m_window.controller(), "the window's Connect");
    if (!m_window.controller().login() || child<QListWidget>("lstApparatus")->count() == 0)
        fail(QStringLiteral("the window's Connect listed nothing"));
    return seconds;
}

double RealWindow::importAll()
{
    child<QAbstractButton>("optAll")->click();
    const double seconds = timed([this] { child<QAbstractButton>("cmdImport")->click(); },
                                 m_window.controller(), "the window's import");
    if (!m_dialogs.messages.empty())
        fail(QStringLiteral("the window's import reported: ") + m_dialogs.messages.back().text);
    return seconds;
}

} // namespace tarnwell::bench
