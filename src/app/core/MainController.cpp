#include "app/core/MainController.h"

#include "import/ImportSession.h"
#include "library/LibraryReader.h"
#include "selection/ImportRun.h"
#include "status/Failure.h"

#include <QElapsedTimer>

#include <utility>

namespace tarnwell::app {

namespace {

// Clears a re-entry flag however the handler leaves.
class HandlerGuard
{
public:
    explicit HandlerGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~HandlerGuard() { m_flag = false; }
    HandlerGuard(const HandlerGuard&) = delete;
    HandlerGuard& operator=(const HandlerGuard&) = delete;

private:
    bool& m_flag;
};

QString textOf(const db::Value& value)
{
    if (!value)
        throw Failure(QStringLiteral("Invalid use of Null"));
    return *value;
}

} // namespace

MainController::MainController(MainView& view, Dialogs& dialogs, db::ConnectionFactory& connections,
                               QString programPath)
    : m_view(view), m_dialogs(dialogs), m_connections(connections),
      m_programPath(std::move(programPath))
{
    m_status.setDisplay([this](const QString& caption) { m_view.setStatusText(caption); });
    m_status.setPump([this] { m_view.processEvents(); });
}

MainController::~MainController() = default;

void MainController::endProgram(int exitCode)
{
    m_ended = true;
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
    // Set first: the read below lets events through, and a second activation must not start
    // a second read.
    Activated = true;
    m_view.setConnectButton(false, QStringLiteral("Please Wait"));
    m_view.processEvents();

    library::ReadOptions options;
    options.WriteCopies = false;
    options.yield = [this] { m_view.processEvents(); };
    const library::ReadOutcome outcome =
        library::ReadLibrary(m_programPath, m_library, m_status, options);
    if (!outcome) {
        m_dialogs.message(outcome.message(), ApplicationTitle, MessageIcon::Critical);
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
    m_status.ShowStatus(QStringLiteral("Done reading -- Please connect"));
    m_view.setConnectButton(true, QStringLiteral("Connect"));
    m_view.processEvents();
}

void MainController::cmdConnect_Click()
{
    if (m_ended || m_handlerRunning)
        return;
    HandlerGuard guard(m_handlerRunning);

    m_view.setImportFrameVisible(false);
    m_view.setUserId(db::upperCased(m_view.userId()));
    m_view.setPassword(db::upperCased(m_view.password()));

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
    m_database.reset();
    m_connection = m_connections.create();

    if (!db::isValidLoginInput(input)) {
        m_status.ShowStatus(
            QStringLiteral("Failed to connect.  The connection information provided isn't valid."));
        m_view.setBusy(false);
        return;
    }
    const db::ConnectionString connectionString = db::BuildConnectionString(input);
    const QString target = input.dataSource.isEmpty() ? input.userId : input.dataSource;
    m_status.ShowStatus(QStringLiteral("Connecting to ") + target + QStringLiteral("..."));

    m_view.setBusy(true);
    const bool opened = m_connection->open(connectionString);
    m_view.setBusy(false);
    if (!opened) {
        m_dialogs.message(QStringLiteral("Login failed."), ApplicationTitle, MessageIcon::Critical);
        m_status.AppendStatus(QStringLiteral("  failed to connect."));
        m_status.ShowStatus(QStringLiteral("Database reports: "));
        m_status.ShowErrorDescription(m_connection->lastError());
        return;
    }
    m_status.AppendStatus(QStringLiteral("  connected."));
    m_database = std::make_unique<db::Database>(*m_connection, input.platform, m_status);
    db::Database& database = *m_database;

    try {
        const db::Value version = database.RunQuery(db::VersionQuery).value(0);
        if (!version) {
            database.TargetVersion.clear();
            m_status.ShowStatus(QStringLiteral("Didn't return the target SPI version."));
            m_status.ShowStatus(
                QStringLiteral("Failed to retrieve the target SPI version number."));
            m_view.setBusy(false);
            return;
        }
        database.TargetVersion = *version;
        m_status.ShowStatus(QStringLiteral("Target SPI version is ") + database.TargetVersion);
        database.TargetMajorVersion = db::TargetMajorVersion(database.TargetVersion);
        if (!db::isSupportedVersion(database.TargetVersion)) {
            m_dialogs.message(
                QStringLiteral("Only SPI versions 7 SP5, 2007 and 2009 are supported."),
                QStringLiteral("Incorrect Version"), MessageIcon::Critical);
            endProgram(1);
            return;
        }
    } catch (const Failure&) {
        m_status.ShowStatus(QStringLiteral("Failed to retrieve the target SPI version number."));
        m_view.setBusy(false);
        return;
    }

    try {
        loginToDomain(database);
    } catch (const Failure&) {
        m_status.ShowStatus(QStringLiteral("Failed to retrieve domain names."));
        m_view.setBusy(false);
    }
}

void MainController::loginToDomain(db::Database& database)
{
    const db::ResultSet domains =
        database.RunQuery(db::DomainQuery(m_view.userId(), m_view.password()));
    if (domains.rowCount() < 1) {
        m_view.setBusy(false);
        m_dialogs.message(QStringLiteral("No DOMAIN name returned for those login credentials."),
                          ApplicationTitle, MessageIcon::Warning);
        return;
    }
    // Only the first row counts; several domains with one logon are not offered as a choice.
    m_view.showDomainLabel();
    m_domain.proj_name = textOf(domains.value(0));
    m_domain.proj_id = textOf(domains.value(1));
    m_domain.site_id = textOf(domains.value(2));
    m_view.setDomainCaption(QStringLiteral("Logged into Domain: ") + m_domain.proj_name);

    m_view.setImportFrameVisible(true);
    m_view.clearApparatusList();
    m_loggedIn = true;

    const selection::ListOutcome listed =
        selection::BuildApparatusList(database, m_library, m_domain, m_status, m_list,
                                      [this](const selection::ApparatusEntry& entry) {
                                          m_view.addApparatusLine(entry.line);
                                          m_view.processEvents();
                                      });
    if (listed == selection::ListOutcome::Complete) {
        if (!m_list.entries.empty())
            m_view.showImportButton();
        m_view.setApparatusCountCaption(selection::ApparatusCountCaption(m_list));
    }
    m_view.setBusy(false);
}

void MainController::cmdImport_Click()
{
    if (m_ended || m_handlerRunning)
        return;
    HandlerGuard guard(m_handlerRunning);
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
        if (mode == ImportMode::All || selected.contains(i))
            chosen.push_back(m_list.entries[static_cast<std::size_t>(i)]);
    }

    m_importing = true;
    m_view.setConnectButton(false, QStringLiteral("Connect"));
    m_view.setImportEnabled(false);
    m_view.setBusy(true);

    selection::ImportRun run(*m_database, m_library, m_domain, m_status);
    run.setProgress([this](int done, int total) { m_view.setProgress(done, total); });
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    run.setBetweenStatements([&] {
        // Often enough for the window to stay responsive, seldom enough not to slow the run.
        if (sinceEvents.elapsed() >= 50) {
            m_view.processEvents();
            sinceEvents.restart();
        }
        if (m_stopRequested)
            throw import::RunStopped();
    });
    run.run(chosen);

    m_importing = false;
    m_view.setProgress(0, 0);
    m_view.setBusy(false);
    m_view.setConnectButton(true, QStringLiteral("Connect"));
    m_view.setImportEnabled(true);
    if (m_stopRequested)
        endProgram(0);
}

void MainController::mnuFileExit_Click()
{
    if (m_importing) {
        // Ending in the middle of an apparatus would leave it to the server to discard and the
        // triggers switched off: the run stops after the current statement and ends the program.
        if (!m_stopRequested)
            m_status.ShowStatus(QStringLiteral("Stopping the import before the program ends..."));
        m_stopRequested = true;
        return;
    }
    endProgram(0);
}

bool MainController::closeRequested()
{
    if (!m_importing)
        return true;
    mnuFileExit_Click();
    return false;
}

} // namespace tarnwell::app
