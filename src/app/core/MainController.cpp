#include "app/core/MainController.h"

#include "import/Triggers.h"
#include "library/LibraryReader.h"
#include "status/Failure.h"
#include "status/SessionLog.h"

#include <QDir>
#include <QStandardPaths>

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <utility>

namespace tarnwell::app {

using tarnwell::import::EnableTriggers;
using tarnwell::import::EnableTriggerStatements;
using tarnwell::import::ImportRun;
using tarnwell::import::RunOutcome;
using tarnwell::import::RunReport;

// Message boxes asked for by the worker: shown by the window's thread, the worker waiting for
// the answer.
class MainController::WindowDialogs : public Dialogs
{
public:
    WindowDialogs(Executor& executor, Dialogs& dialogs, MainView& view, WindowFeed& feed)
        : m_executor(executor), m_dialogs(dialogs), m_view(view), m_feed(feed)
    {}

    void message(const QString& text, const QString& title, MessageIcon icon) override
    {
        m_executor.toWindowAndWait([&] {
            m_feed.flush();
            m_view.setBusy(false);
            m_dialogs.message(text, title, icon);
        });
    }
    bool question(const QString& text, const QString& title, MessageIcon icon,
                  DefaultAnswer defaultAnswer) override
    {
        bool answer = false;
        m_executor.toWindowAndWait([&] {
            m_feed.flush();
            m_view.setBusy(false);
            answer = m_dialogs.question(text, title, icon, defaultAnswer);
        });
        return answer;
    }
    QString saveFileName(const QString&) override { return {}; }
    void endProgram(int) override {}

private:
    Executor& m_executor;
    Dialogs& m_dialogs;
    MainView& m_view;
    WindowFeed& m_feed;
};

// What Connect shows as it goes, handed to the window's thread in order. The observer lives
// only as long as the Connect; what it hands over must not refer to it.
class MainController::ListObserver : public ConnectObserver
{
public:
    ListObserver(Executor& executor, MainView& view, WindowFeed& feed)
        : m_executor(executor), m_view(view), m_feed(feed)
    {}

    void loggedIn(const db::DomainContext& domain) override
    {
        const QString caption = QStringLiteral("Logged into Domain: ") + domain.proj_name;
        m_executor.toWindow([view = &m_view, caption] {
            view->showDomainLabel();
            view->setDomainCaption(caption);
            view->setImportFrameVisible(true);
        });
        // Through the feed, in order with the lines that follow: the window may take them over
        // late, and a list emptied by a job of its own could wipe lines it had already shown.
        m_feed.clearLines();
    }
    void listed(const selection::ApparatusEntry& entry) override { m_feed.addLine(entry.line); }
    void listEnded(const selection::ApparatusList& list, bool complete) override
    {
        if (!complete)
            return;
        const bool any = !list.entries.empty();
        const QString caption = selection::ApparatusCountCaption(list);
        m_executor.toWindow([view = &m_view, feed = &m_feed, any, caption] {
            feed->flush();
            if (any)
                view->showImportButton();
            view->setApparatusCountCaption(caption);
        });
    }

private:
    Executor& m_executor;
    MainView& m_view;
    WindowFeed& m_feed;
};

MainController::MainController(MainView& view, Dialogs& dialogs, db::ConnectionFactory& connections,
                               QString programPath, Executor* executor)
    : m_view(view), m_dialogs(dialogs), m_connections(connections),
      m_programPath(std::move(programPath)),
      m_ownExecutor(executor ? nullptr : std::make_unique<InlineExecutor>()),
      m_executor(executor ? *executor : *m_ownExecutor),
      m_feed(
          m_executor, m_view, [this] { return m_status.caption(); },
          executor ? WindowFeed::DefaultPauseMs : 0),
      m_workerDialogs(std::make_unique<WindowDialogs>(m_executor, m_dialogs, m_view, m_feed))
{
    m_status.setDisplay([this](const QString&) { m_feed.captionChanged(); });
}

MainController::~MainController()
{
    m_executor.finish([this] {
        setActiveConnection(nullptr);
        m_database.reset();
        m_connection.reset();
    });
}

void MainController::setActiveConnection(db::Connection* connection)
{
    const std::lock_guard<std::mutex> lock(m_activeMutex);
    m_active = connection;
}

void MainController::endProgram(int exitCode)
{
    m_ended = true;
    m_executor.setExitCode(exitCode);
    m_dialogs.endProgram(exitCode);
}

void MainController::Form_Load()
{
    m_status.ShowStatus(QStringLiteral("Program opens."));
    m_view.setImportFrameVisible(false);
    Activated = false;
}

void MainController::Form_Activate()
{
    if (Activated || m_ended)
        return;
    Activated = true;
    m_view.setConnectButton(false, QStringLiteral("Please Wait"));
    m_activity = Activity::Reading;
    m_executor.toWorker([this] { readLibrary(); });
}

void MainController::readLibrary()
{
    const library::ReadOutcome outcome =
        library::ReadLibrary(m_programPath, m_library, m_status);
    const QString failure = outcome ? QString() : outcome.message();
    m_executor.toWindow([this, failure] { readEnded(failure); });
}

void MainController::readEnded(const QString& failure)
{
    m_feed.flush();
    m_activity = Activity::Idle;
    if (m_ended)
        return;
    if (!failure.isNull()) {
        m_dialogs.message(failure, ApplicationTitle, MessageIcon::Critical);
        endProgram(1);
        return;
    }
    LibraryVersion =
        m_library.exportVersion.Count() >= 1 ? m_library.exportVersion.value(1) : QString();
    if (LibraryVersion != QLatin1String("3.0")) {
        m_dialogs.message(QStringLiteral("You must use version ") + LibraryVersion +
                              QStringLiteral(" of the Import utility with these files!"),
                          QStringLiteral("Incorrect Version"), MessageIcon::Critical);
        endProgram(1);
        return;
    }
    if (m_endRequested) {
        endProgram(m_endCode);
        return;
    }
    m_status.ShowStatus(QStringLiteral("Done reading -- Please connect"));
    m_view.setConnectButton(true, QStringLiteral("Connect"));
}

void MainController::cmdConnect_Click()
{
    if (m_ended || isBusy())
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
    m_loggedIn = false;
    if (!db::isValidLoginInput(input)) {
        m_executor.toWorker([this] {
            setActiveConnection(nullptr);
            m_database.reset();
            m_connection = m_connections.create();
        });
        m_status.ShowStatus(
            QStringLiteral("Failed to connect.  The connection information provided isn't valid."));
        m_view.setBusy(false);
        return;
    }
    const QString target = input.dataSource.isEmpty() ? input.userId : input.dataSource;
    m_status.ShowStatus(QStringLiteral("Connecting to ") + target + QStringLiteral("..."));

    m_activity = Activity::Connecting;
    m_cancelRequested = false;
    m_view.setBusy(true);
    m_view.setCancelVisible(true);
    m_executor.toWorker([this, input] { connect(input); });
}

void MainController::connect(const db::LoginInput& input)
{
    setActiveConnection(nullptr);
    m_database.reset();
    m_connection = m_connections.create();
    setActiveConnection(m_connection.get());
    if (m_cancelRequested)
        m_connection->cancel();
    m_loginInput = input;

    ListObserver observer(m_executor, m_view, m_feed);
    ConnectWorkflow workflow(*m_connection, m_library, m_status, *m_workerDialogs, observer);
    ConnectResult result = workflow.run(input, m_list);
    // A reconnection reaches the server this Connect reached, with the certificate trusted
    // where the user said so.
    m_loginInput = result.login;
    if (result.outcome == ConnectResult::Outcome::LoggedIn) {
        m_database = std::move(result.database);
        m_domain = result.domain;
    }
    const ConnectResult::Outcome outcome = result.outcome;
    m_executor.toWindow([this, outcome] { connectEnded(outcome); });
}

void MainController::connectEnded(ConnectResult::Outcome outcome)
{
    m_feed.flush();
    m_activity = Activity::Idle;
    if (m_ended)
        return;
    m_view.setBusy(false);
    m_view.setCancelVisible(false);
    m_loggedIn = outcome == ConnectResult::Outcome::LoggedIn;
    // A Connect stopped after the login (Cancel, or a connection lost during the listing)
    // leaves a list half made: it is not offered for import.
    if (!m_loggedIn)
        m_view.setImportFrameVisible(false);
    if (outcome == ConnectResult::Outcome::UnsupportedRelease) {
        endProgram(1);
        return;
    }
    if (m_endRequested)
        endProgram(m_endCode);
}

void MainController::cmdImport_Click()
{
    startImport(false);
}

void MainController::cmdCheckImport_Click()
{
    startImport(true);
}

void MainController::startImport(bool checkOnly)
{
    if (m_ended || isBusy())
        return;
    if (!m_loggedIn) {
        // The list on screen may belong to an earlier login while the connection does not.
        m_status.ShowStatus(
            QStringLiteral("Please connect and log into a domain before importing."));
        return;
    }

    std::vector<selection::ApparatusEntry> chosen;
    const ImportMode mode = m_view.importMode();
    const QList<int> selected =
        mode == ImportMode::Selected ? m_view.selectedLines() : QList<int>();
    for (int i = 0; i < static_cast<int>(m_list.entries.size()); ++i) {
        if (mode == ImportMode::All || mode == ImportMode::Missing || selected.contains(i))
            chosen.push_back(m_list.entries[static_cast<std::size_t>(i)]);
    }

    m_activity = Activity::Importing;
    m_cancelRequested = false;
    m_view.setConnectButton(false, QStringLiteral("Connect"));
    m_view.setImportEnabled(false);
    m_view.setBusy(true);
    m_view.setCancelVisible(true);
    const bool missingOnly = mode == ImportMode::Missing;
    m_executor.toWorker(
        [this, chosen, checkOnly, missingOnly] { import(chosen, checkOnly, missingOnly); });
}

void MainController::import(const std::vector<selection::ApparatusEntry>& chosen, bool checkOnly,
                            bool missingOnly)
{
    m_connection->clearCancel();
    if (m_cancelRequested)
        m_connection->cancel();

    ImportRun run(*m_database, m_library, m_domain, m_status);
    run.setCheckOnly(checkOnly);
    run.setMissingOnly(missingOnly);
    run.setProgress([this](int done, int total) { m_feed.setProgress(done, total); });
    RunReport report = run.run(chosen);
    bool recovered = false;
    if (report.outcome == RunOutcome::ConnectionLost) {
        recovered = reconnectAndEnableTriggers(m_loginInput);
        report.triggersOn = recovered;
    }
    m_executor.toWindow([this, report, recovered] { importEnded(report, recovered); });
}

bool MainController::reconnectAndEnableTriggers(const db::LoginInput& input)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (int attempt = 1; !m_cancelRequested; ++attempt) {
        m_status.ShowStatus(QStringLiteral("Connecting again to switch the triggers on (attempt ") +
                            QString::number(attempt) + QStringLiteral(")..."));
        std::unique_ptr<db::Connection> connection = m_connections.create();
        setActiveConnection(connection.get());
        if (connection->open(db::BuildConnectionString(input))) {
            m_status.AppendStatus(QStringLiteral("  connected."));
            auto database = std::make_unique<db::Database>(*connection, input.platform);
            database->setRelease(m_database->release());
            bool enabled = false;
            try {
                enabled = EnableTriggers(*database, m_status);
            } catch (const db::ConnectionLost& lost) {
                m_status.ShowStatus(QStringLiteral("Database reports: "));
                m_status.ShowErrorDescription(lost.description);
            }
            if (enabled) {
                // The new connection carries on: Import works again without a new Connect.
                m_database.reset();
                m_connection = std::move(connection);
                m_database = std::move(database);
                return true;
            }
        } else {
            m_status.AppendStatus(QStringLiteral("  failed."));
            m_status.ShowStatus(QStringLiteral("Database reports: "));
            m_status.ShowErrorDescription(connection->lastError());
        }
        setActiveConnection(nullptr);
        if (elapsed.elapsed() >= ReconnectWindowMs)
            break;
        for (int wait = 0; wait < 10 && !m_cancelRequested; ++wait)
            QThread::msleep(100);
    }
    setActiveConnection(m_connection.get());
    return false;
}

void MainController::importEnded(const RunReport& report, bool recovered)
{
    m_feed.flush();
    m_activity = Activity::Idle;
    if (m_ended)
        return;
    m_view.setProgress(0, 0);
    m_view.setBusy(false);
    m_view.setCancelVisible(false);
    m_view.setConnectButton(true, QStringLiteral("Connect"));
    m_view.setImportEnabled(true);

    const bool oracle = m_loginInput.platform == db::Platform::Oracle;
    const QString administrator =
        QStringLiteral("A database administrator must run these two statements:\n\n") +
        EnableTriggerStatements(oracle).join(QLatin1Char('\n'));
    if (report.outcome == RunOutcome::ConnectionLost) {
        if (!recovered)
            m_loggedIn = false;
        QString text = QStringLiteral("The connection to the database was lost during the "
                                      "import.\n\n") +
                       QString::number(report.written) +
                       QStringLiteral(" apparatuses were written whole; the rest was not "
                                      "written.\n\n");
        text += recovered ? QStringLiteral("The triggers of PANEL and UDF_PANEL are on again.")
                          : QStringLiteral("The triggers of PANEL and UDF_PANEL could not be "
                                           "switched on again. ") +
                                administrator;
        m_dialogs.message(text, ApplicationTitle, MessageIcon::Warning);
    } else if (!report.triggersOn) {
        // Only the status display would say so otherwise, and SPI's bookkeeping on both
        // tables stays off until someone acts.
        m_dialogs.message(QStringLiteral("The triggers of PANEL and UDF_PANEL could not be "
                                         "switched on again. ") +
                              administrator,
                          ApplicationTitle, MessageIcon::Warning);
    } else if (report.outcome == RunOutcome::Finished && !report.notWritten.isEmpty()) {
        constexpr int Shown = 20;
        QString text = QStringLiteral("These apparatuses were not written:\n\n") +
                       report.notWritten.mid(0, Shown).join(QLatin1Char('\n'));
        if (report.notWritten.size() > Shown)
            text += QStringLiteral("\nand ") + QString::number(report.notWritten.size() - Shown) +
                    QStringLiteral(" more");
        m_dialogs.message(text, ApplicationTitle, MessageIcon::Warning);
    }
    if (m_endRequested)
        endProgram(m_endCode);
}

void MainController::cmdCancel_Click()
{
    if (m_activity != Activity::Connecting && m_activity != Activity::Importing)
        return;
    m_cancelRequested = true;
    const std::lock_guard<std::mutex> lock(m_activeMutex);
    if (m_active)
        m_active->cancel();
}

void MainController::mnuFileExit_Click()
{
    if (!isBusy()) {
        endProgram(0);
        return;
    }
    if (m_endRequested)
        return;
    // Ending in the middle of an apparatus would leave the triggers switched off: the work
    // under way is cancelled, the triggers come back on, and then the program ends.
    if (m_activity == Activity::Importing)
        m_status.ShowStatus(QStringLiteral("Stopping the import before the program ends..."));
    m_endRequested = true;
    m_endCode = 0;
    cmdCancel_Click();
    QTimer::singleShot(TriggerWaitMs, &m_timerContext, [this] { triggersDidNotComeBack(); });
}

void MainController::triggersDidNotComeBack()
{
    if (!isBusy() || m_ended)
        return;
    // The program ends now: whatever the worker reports from here on is not shown.
    m_ended = true;
    {
        const std::lock_guard<std::mutex> lock(m_activeMutex);
        if (m_active)
            m_active->cancel();
    }
    if (m_activity == Activity::Importing) {
        const bool oracle = m_loginInput.platform == db::Platform::Oracle;
        m_dialogs.message(QStringLiteral("The import was stopped, but the triggers of PANEL and "
                                         "UDF_PANEL could not be switched on again within 10 "
                                         "seconds. A database administrator must run these two "
                                         "statements:\n\n") +
                              EnableTriggerStatements(oracle).join(QLatin1Char('\n')),
                          ApplicationTitle, MessageIcon::Warning);
    }
    endProgram(m_endCode);
}

QString MainController::sessionText() const
{
    return m_status.sessionLines().join(QLatin1Char('\n'));
}

void MainController::mnuFileSaveLog_Click()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder.isEmpty() ? QDir::homePath() : folder)
                                  .filePath(status::suggestedLogName(QDateTime::currentDateTime()));
    const QString path = m_dialogs.saveFileName(suggested);
    if (path.isEmpty())
        return;
    const QString failure = status::writeSessionLog(path, status::sessionLogHeader(m_sessionStart),
                                                    m_status.sessionLines());
    if (!failure.isEmpty())
        m_dialogs.message(QStringLiteral("The log could not be saved to ") + path +
                              QStringLiteral(":\n") + failure +
                              QStringLiteral("\n\nNothing of it is lost; try another place."),
                          ApplicationTitle, MessageIcon::Warning);
}

bool MainController::closeRequested()
{
    if (!isBusy())
        return true;
    mnuFileExit_Click();
    return false;
}

} // namespace tarnwell::app
