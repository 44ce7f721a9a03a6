#pragma once

#include "app/core/ConnectWorkflow.h"
#include "app/core/Executor.h"
#include "app/core/MainView.h"
#include "app/core/WindowFeed.h"
#include "db/Connection.h"
#include "db/Database.h"
#include "db/Login.h"
#include "import/ImportRun.h"
#include "library/VendorLibrary.h"
#include "selection/ApparatusList.h"
#include "status/StatusLog.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

namespace tarnwell::app {

// The logic behind the main window: start-up, Connect, Import and Cancel. It owns the program's
// state (library, connection, domain) and talks to the window only through MainView and
// Dialogs. Everything that talks to the database runs through `executor` (by default on the
// calling thread); the handlers themselves never wait for the database.
class MainController
{
public:
    MainController(MainView& view, Dialogs& dialogs, db::ConnectionFactory& connections,
                   QString programPath, Executor* executor = nullptr);
    ~MainController();

    void Form_Load();
    void Form_Activate();
    void cmdConnect_Click();
    void cmdImport_Click();
    void cmdCheckImport_Click();
    void cmdCancel_Click();
    void mnuFileSaveLog_Click();
    // Every line of the session, oldest first, for Copy All.
    QString sessionText() const;
    void mnuFileExit_Click();
    // The window's close button: like File, Exit. False while work is stopping; the program
    // then ends itself.
    bool closeRequested();

    status::StatusLog& status() { return m_status; }
    const status::StatusLog& status() const { return m_status; }
    const library::VendorLibrary& library() const { return m_library; }
    const db::DomainContext& domain() const { return m_domain; }
    // The connection of the last successful login, or nullptr.
    db::Database* database() const { return m_loggedIn ? m_database.get() : nullptr; }
    bool isImporting() const { return m_activity == Activity::Importing; }
    // Reading, Connect, an import or its recovery is under way.
    bool isBusy() const { return m_activity != Activity::Idle; }

    // How long ending the program waits for the triggers to be switched on again.
    static constexpr int TriggerWaitMs = 10'000;
    // How long a lost connection is retried to switch the triggers on again.
    static constexpr int ReconnectWindowMs = 30'000;

private:
    enum class Activity { Idle, Reading, Connecting, Importing };

    class WindowDialogs;
    class ListObserver;

    // On the worker.
    void readLibrary();
    void connect(const db::LoginInput& input);
    void startImport(bool checkOnly);
    void import(const std::vector<selection::ApparatusEntry>& chosen, bool checkOnly,
                bool missingOnly);
    bool reconnectAndEnableTriggers(const db::LoginInput& input);
    void setActiveConnection(db::Connection* connection);

    // On the window's thread.
    void readEnded(const QString& failure);
    void connectEnded(ConnectResult::Outcome outcome);
    void importEnded(const import::RunReport& report, bool recovered);
    void endProgram(int exitCode);
    void triggersDidNotComeBack();

    MainView& m_view;
    Dialogs& m_dialogs;
    db::ConnectionFactory& m_connections;
    QString m_programPath;
    std::unique_ptr<Executor> m_ownExecutor;
    Executor& m_executor;
    WindowFeed m_feed;
    std::unique_ptr<WindowDialogs> m_workerDialogs;

    status::StatusLog m_status;
    library::VendorLibrary m_library;
    const QDate m_sessionStart = QDate::currentDate();
    bool Activated = false;
    QString LibraryVersion;

    // Owned and used by the worker only.
    std::unique_ptr<db::Connection> m_connection;
    std::unique_ptr<db::Database> m_database;
    db::LoginInput m_loginInput;
    selection::ApparatusList m_list;
    db::DomainContext m_domain;

    // The connection a Cancel reaches, under its own lock since the window's thread uses it.
    std::mutex m_activeMutex;
    db::Connection* m_active = nullptr;
    std::atomic_bool m_cancelRequested{false};

    // The window's thread only.
    QObject m_timerContext;
    Activity m_activity = Activity::Idle;
    bool m_loggedIn = false;
    bool m_endRequested = false;
    bool m_ended = false;
    int m_endCode = 0;
};

} // namespace tarnwell::app
