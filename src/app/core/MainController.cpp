#include "app/core/MainController.h"

#include "app/core/EndMessages.h"
#include "app/core/SaveLog.h"
#include "library/LibraryReader.h"

#include <QTimer>

#include <utility>

namespace tarnwell::app {

using import::RunOutcome;

MainController::MainController(MainView& view, Dialogs& dialogs, db::ConnectionFactory& connections,
                               QString programPath, Executor* executor)
    : m_view(view), m_dialogs(dialogs), m_connections(connections),
      m_programPath(std::move(programPath)),
      m_ownExecutor(executor ? nullptr : std::make_unique<InlineExecutor>()),
      m_executor(executor ? *executor : *m_ownExecutor),
      m_feed(
          m_executor, m_view, [this] { return m_status.caption(); },
          executor ? WindowFeed::DefaultPauseMs : 0),
      m_workerDialogs(m_executor, m_dialogs, m_view, m_feed),
      m_library(std::make_shared<const library::VendorLibrary>())
{
    m_status.setDisplay([this](const QString&) { m_feed.captionChanged(); });
}

MainController::~MainController()
{
    m_executor.finish([this] { m_session.reset(); });
}

ConnectionSession& MainController::session()
{
    if (!m_session)
        m_session =
            std::make_unique<ConnectionSession>(m_connections, m_status, m_workerDialogs, m_cancel);
    return *m_session;
}

void MainController::endProgram(int exitCode)
{
    m_state = State::Ended;
    m_executor.setExitCode(exitCode);
    m_dialogs.endProgram(exitCode);
}

void MainController::startWork(State activity, std::function<void()> job)
{
    m_state = m_workUnderWay = activity;
    m_cancel.reset();
    m_view.setBusy(true);
    m_view.setCancelVisible(true);
    m_executor.toWorker(std::move(job));
}

template <typename ShowEnd> void MainController::activityEnded(ShowEnd&& showEnd)
{
    m_feed.flush();
    m_workUnderWay = State::Idle;
    if (m_state == State::Ended)
        return;
    const bool ending = m_state == State::Ending;
    m_state = State::Idle;
    m_view.setBusy(false);
    m_view.setCancelVisible(false);
    showEnd(ending);
    if (ending && m_state != State::Ended)
        endProgram(0);
}

void MainController::Form_Load()
{
    TARNWELL_OWN_THREAD();
    m_status.ShowStatus(QStringLiteral("Program opens."));
    m_view.setImportFrameVisible(false);
    Activated = false;
}

void MainController::Form_Activate()
{
    TARNWELL_OWN_THREAD();
    if (Activated || m_state == State::Ended)
        return;
    Activated = true;
    m_view.setConnectButton(false, QStringLiteral("Please Wait"));
    m_state = m_workUnderWay = State::ReadingLibrary;
    m_executor.toWorker([this] { readLibrary(); });
}

void MainController::readLibrary()
{
    auto library = std::make_shared<library::VendorLibrary>();
    const library::ReadOutcome outcome = library::ReadLibrary(m_programPath, *library, m_status);
    const QString failure = outcome ? QString() : outcome.message();
    session().setLibrary(library);
    m_executor.toWindow([this, library, failure] { readEnded(library, failure); });
}

void MainController::readEnded(std::shared_ptr<const library::VendorLibrary> library,
                               const QString& failure)
{
    TARNWELL_OWN_THREAD();
    m_library = std::move(library);
    activityEnded([&](bool ending) {
        if (!failure.isNull()) {
            m_dialogs.message(failure, ApplicationTitle, MessageIcon::Critical);
            endProgram(1);
            return;
        }
        LibraryVersion =
            m_library->exportVersion.Count() >= 1 ? m_library->exportVersion.value(1) : QString();
        if (LibraryVersion != QLatin1String("3.0")) {
            m_dialogs.message(QStringLiteral("You must use version ") + LibraryVersion +
                                  QStringLiteral(" of the Import utility with these files!"),
                              QStringLiteral("Incorrect Version"), MessageIcon::Critical);
            endProgram(1);
            return;
        }
        if (ending)
            return;
        m_status.ShowStatus(QStringLiteral("Done reading -- Please connect"));
        m_view.setConnectButton(true, QStringLiteral("Connect"));
    });
}

void MainController::cmdConnect_Click()
{
    TARNWELL_OWN_THREAD();
    if (m_state != State::Idle)
        return;

    m_view.setImportFrameVisible(false);
    m_view.setUserId(db::upperCased(m_view.userId()));
    m_view.setPassword(db::upperCased(m_view.password()));
    // A driver may repeat the password in its words; the log must never hold it.
    m_status.setSecret(m_view.password());

    const db::LoginInput input{m_view.platform(), m_view.serverName(), m_view.dataSource(),
                               m_view.userId(), m_view.password()};
    if (input.platform == db::Platform::None) {
        m_dialogs.message(QStringLiteral("Choose the database server."),
                          QStringLiteral("Apparatus Export/Import"), MessageIcon::Warning);
        return;
    }

    // A new connection replaces the previous one whatever happens next; until a login
    // succeeds there is no domain to import into.
    m_login.reset();
    m_platform = input.platform;
    if (!db::isValidLoginInput(input)) {
        m_executor.toWorker([this] { session().replaceConnection(); });
        m_status.ShowStatus(
            QStringLiteral("Failed to connect.  The connection information provided isn't valid."));
        m_view.setBusy(false);
        return;
    }
    const QString target = input.dataSource.isEmpty() ? input.userId : input.dataSource;
    m_status.ShowStatus(QStringLiteral("Connecting to ") + target + QStringLiteral("..."));

    startWork(State::Connecting, [this, input] {
        ListFeed list(m_executor, m_view, m_feed);
        const ConnectOutcome outcome = session().connect(input, list);
        m_executor.toWindow([this, outcome] { connectEnded(outcome); });
    });
}

void MainController::connectEnded(const ConnectOutcome& outcome)
{
    TARNWELL_OWN_THREAD();
    activityEnded([&](bool) {
        m_login = outcome.login;
        // A Connect stopped after the login (Cancel, or a connection lost during the listing)
        // leaves a list half made: it is not offered for import. A query or library row that
        // fails leaves the frame as it was, with the lines listed so far.
        if (outcome.outcome == ConnectResult::Outcome::Cancelled ||
            outcome.outcome == ConnectResult::Outcome::ConnectionLost)
            m_view.setImportFrameVisible(false);
        if (outcome.outcome == ConnectResult::Outcome::UnsupportedRelease)
            endProgram(1);
    });
}

void MainController::cmdImport_Click()
{
    TARNWELL_OWN_THREAD();
    startImport(false);
}

void MainController::cmdCheckImport_Click()
{
    TARNWELL_OWN_THREAD();
    startImport(true);
}

void MainController::startImport(bool checkOnly)
{
    if (m_state != State::Idle)
        return;
    if (!m_login) {
        // The list on screen may belong to an earlier login while the connection does not.
        m_status.ShowStatus(
            QStringLiteral("Please connect and log into a domain before importing."));
        return;
    }
    ImportRequest request;
    request.mode = m_view.importMode();
    if (request.mode == ImportMode::Selected)
        request.selected = m_view.selectedLines();
    request.checkOnly = checkOnly;

    m_view.setConnectButton(false, QStringLiteral("Connect"));
    m_view.setImportEnabled(false);
    startWork(checkOnly ? State::Checking : State::Importing, [this, request] {
        ProgressFeed progress(m_feed);
        const ImportOutcome outcome = session().import(request, progress);
        m_executor.toWindow([this, outcome] { importEnded(outcome); });
    });
}

void MainController::importEnded(const ImportOutcome& outcome)
{
    TARNWELL_OWN_THREAD();
    activityEnded([&](bool) {
        m_view.setProgress(0, 0);
        m_view.setConnectButton(true, QStringLiteral("Connect"));
        m_view.setImportEnabled(true);
        if (outcome.report.outcome == RunOutcome::ConnectionLost && !outcome.reconnected)
            m_login.reset();
        if (const std::optional<QString> text = importEndMessage(outcome, m_platform))
            m_dialogs.message(*text, ApplicationTitle, MessageIcon::Warning);
    });
}

void MainController::cmdCancel_Click()
{
    TARNWELL_OWN_THREAD();
    if (m_state != State::Connecting && m_state != State::Importing && m_state != State::Checking)
        return;
    m_state = State::Cancelling;
    m_cancel.cancel();
}

void MainController::mnuFileExit_Click()
{
    TARNWELL_OWN_THREAD();
    if (!isBusy()) {
        endProgram(0);
        return;
    }
    if (m_state == State::Ending || m_state == State::Ended)
        return;
    // Ending in the middle of an apparatus would leave the triggers switched off: the work
    // under way is cancelled, the triggers come back on, and then the program ends.
    if (isImporting())
        m_status.ShowStatus(QStringLiteral("Stopping the import before the program ends..."));
    m_state = State::Ending;
    m_cancel.cancel();
    QTimer::singleShot(TriggerWaitMs, &m_timerContext, [this] { triggersDidNotComeBack(); });
}

void MainController::triggersDidNotComeBack()
{
    if (!isBusy() || m_state == State::Ended)
        return;
    const bool importing = isImporting();
    // The program ends now: whatever the worker reports from here on is not shown.
    m_state = State::Ended;
    m_cancel.cancel();
    if (importing)
        m_dialogs.message(triggersNotBackMessage(m_platform, TriggerWaitMs / 1000),
                          ApplicationTitle, MessageIcon::Warning);
    endProgram(0);
}

QString MainController::sessionText() const
{
    TARNWELL_OWN_THREAD();
    return m_status.sessionLines().join(QLatin1Char('\n'));
}

void MainController::mnuFileSaveLog_Click()
{
    TARNWELL_OWN_THREAD();
    saveSessionLog(m_dialogs, m_status, m_sessionStart);
}

bool MainController::closeRequested()
{
    TARNWELL_OWN_THREAD();
    if (!isBusy())
        return true;
    mnuFileExit_Click();
    return false;
}

} // namespace tarnwell::app
