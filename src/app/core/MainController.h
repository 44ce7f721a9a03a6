#pragma once

#include "app/core/MainView.h"
#include "db/Connection.h"
#include "db/Database.h"
#include "db/Login.h"
#include "library/VendorLibrary.h"
#include "selection/ApparatusList.h"
#include "status/StatusLog.h"

#include <QString>

#include <memory>

namespace tarnwell::app {

// The logic behind the main window: start-up, Connect and Import. It owns the program's state
// (library, connection, domain) and talks to the window only through MainView and Dialogs.
class MainController
{
public:
    MainController(MainView& view, Dialogs& dialogs, db::ConnectionFactory& connections,
                   QString programPath);
    ~MainController();

    void Form_Load();
    void Form_Activate();
    void cmdConnect_Click();
    void cmdImport_Click();
    void mnuFileExit_Click();
    // The window's close button: like File, Exit. False while a run is stopping; the run then
    // ends the program itself.
    bool closeRequested();

    status::StatusLog& status() { return m_status; }
    const status::StatusLog& status() const { return m_status; }
    const library::VendorLibrary& library() const { return m_library; }
    const db::DomainContext& domain() const { return m_domain; }
    // The connection of the last successful login, or nullptr.
    db::Database* database() const { return m_loggedIn ? m_database.get() : nullptr; }
    bool hasEnded() const { return m_ended; }
    bool isImporting() const { return m_importing; }
    const selection::ApparatusList& apparatusList() const { return m_list; }

private:
    void endProgram(int exitCode);
    void loginToDomain(db::Database& database);

    MainView& m_view;
    Dialogs& m_dialogs;
    db::ConnectionFactory& m_connections;
    QString m_programPath;

    status::StatusLog m_status;
    library::VendorLibrary m_library;
    bool Activated = false;
    QString LibraryVersion;

    std::unique_ptr<db::Connection> m_connection;
    std::unique_ptr<db::Database> m_database;
    db::DomainContext m_domain;
    bool m_loggedIn = false;
    selection::ApparatusList m_list;

    bool m_importing = false;
    bool m_stopRequested = false;

    // Set while a handler that lets the window process events is under way, so a second click
    // cannot start another connect or run on top of it.
    bool m_handlerRunning = false;
    bool m_ended = false;
};

} // namespace tarnwell::app
