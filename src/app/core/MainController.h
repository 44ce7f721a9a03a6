#pragma once

#include "app/connection/CancelSwitch.h"
#include "app/connection/ConnectionSession.h"
#include "app/core/Executor.h"
#include "app/core/HandOver.h"
#include "app/core/MainView.h"
#include "app/core/ThreadAffinity.h"
#include "app/core/WindowFeed.h"
#include "db/Connection.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace tarnwell::app {

// The logic behind the main window: start-up, Connect, Import, Cancel and the end of the
// program. It keeps the window's state only; the database work belongs to the worker's
// ConnectionSession, which `executor` runs (by default on the calling thread) and which hands
// back values. The handlers never wait for the database. Every entry point runs on the window's
// thread.
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
    const library::VendorLibrary& library() const { return *m_library; }
    // The last successful login, while Import may use it.
    const std::optional<LoginInfo>& login() const { return m_login; }
    // An import or a check is under way, also while it stops at the user's Cancel.
    bool isImporting() const
    {
        return m_workUnderWay == State::Importing || m_workUnderWay == State::Checking;
    }
    // Reading, Connect, an import or its recovery is under way.
    bool isBusy() const { return m_workUnderWay != State::Idle; }

    // How long ending the program waits for the triggers to be switched on again.
    static constexpr int TriggerWaitMs = 10'000;
    static constexpr int ReconnectWindowMs = ConnectionSession::ReconnectWindowMs;

private:
    enum class State {
        ReadingLibrary,
        Idle,
        Connecting,
        Importing,
        Checking,
        Cancelling, // Connect or an import, stopping at the user's Cancel
        Ending,     // File, Exit during work: the program ends once the work has stopped
        Ended,
    };

    // The worker's part.
    ConnectionSession& session();
    void readLibrary();

    // The window's part.
    void startImport(bool checkOnly);
    // Hands `job` to the worker for `activity`, with the window busy and Cancel shown.
    void startWork(State activity, std::function<void()> job);
    // The one place where an activity ends: the window comes back, shows `end`, and the
    // program ends if that was asked for meanwhile.
    template <typename ShowEnd> void activityEnded(ShowEnd&& showEnd);
    void readEnded(std::shared_ptr<const library::VendorLibrary> library, const QString& failure);
    void connectEnded(const ConnectOutcome& outcome);
    void importEnded(const ImportOutcome& outcome);
    void endProgram(int exitCode);
    void triggersDidNotComeBack();

    ThreadAffinity m_thread;
    MainView& m_view;
    Dialogs& m_dialogs;
    db::ConnectionFactory& m_connections;
    QString m_programPath;
    std::unique_ptr<Executor> m_ownExecutor;
    Executor& m_executor;
    status::StatusLog m_status;
    WindowFeed m_feed;
    CancelSwitch m_cancel;
    WindowDialogs m_workerDialogs;

    // The window's thread only.
    QObject m_timerContext;
    State m_state = State::Idle;
    // The activity whose work the worker has under way, Idle when none: what a Cancel or an
    // ending interrupts, and whether the window's logic is still busy after the program ended.
    State m_workUnderWay = State::Idle;
    const QDate m_sessionStart = QDate::currentDate();
    bool Activated = false;
    QString LibraryVersion;
    std::shared_ptr<const library::VendorLibrary> m_library;
    std::optional<LoginInfo> m_login;
    db::Platform m_platform = db::Platform::None; // of the last Connect

    // The worker's only: created, used and destroyed in jobs it runs.
    std::unique_ptr<ConnectionSession> m_session;
};

} // namespace tarnwell::app
