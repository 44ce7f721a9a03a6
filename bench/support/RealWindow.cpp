#include "support/RealWindow.h"

#include "support/BenchWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>

namespace tarnwell::bench {

namespace {

constexpr int WorkTimeoutMs = 30 * 60 * 1000;

} // namespace

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
    QElapsedTimer elapsed;
    elapsed.start();
    m_window.show();
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&m_window, &activation);
    if (!runUntil([this] { return !m_window.controller().isBusy(); }, WorkTimeoutMs))
        fail(QStringLiteral("the window did not read its library"));
    if (m_dialogs.endedWith)
        fail(QStringLiteral("the window could not read its library"));
    return double(elapsed.nsecsElapsed()) / 1e9;
}

double RealWindow::connectAndList()
{
    child<QAbstractButton>("optSQLServer")->click();
    child<QLineEdit>("txtServerName")->setText(m_database.server());
    child<QLineEdit>("txtDataSource")->setText(m_database.name());
    child<QLineEdit>("txtUserID")->setText(m_database.logon());
    child<QLineEdit>("txtPassword")->setText(m_database.password());
    QElapsedTimer elapsed;
    elapsed.start();
    child<QAbstractButton>("cmdConnect")->click();
    if (!runUntil([this] { return !m_window.controller().isBusy(); }, WorkTimeoutMs))
        fail(QStringLiteral("the window's Connect did not end"));
    const double seconds = double(elapsed.nsecsElapsed()) / 1e9;
    if (!m_window.controller().database() || child<QListWidget>("lstApparatus")->count() == 0)
        fail(QStringLiteral("the window's Connect listed nothing"));
    return seconds;
}

double RealWindow::importAll()
{
    child<QAbstractButton>("optAll")->click();
    QElapsedTimer elapsed;
    elapsed.start();
    child<QAbstractButton>("cmdImport")->click();
    if (!runUntil([this] { return !m_window.controller().isBusy(); }, WorkTimeoutMs))
        fail(QStringLiteral("the window's import did not end"));
    const double seconds = double(elapsed.nsecsElapsed()) / 1e9;
    if (!m_dialogs.messages.empty())
        fail(QStringLiteral("the window's import reported: ") + m_dialogs.messages.back().text);
    return seconds;
}

} // namespace tarnwell::bench
