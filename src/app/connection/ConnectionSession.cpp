#include "app/connection/ConnectionSession.h"

#include "import/Triggers.h"

#include <QElapsedTimer>
#include <QThread>

namespace tarnwell::app {

ConnectionSession::ConnectionSession(db::ConnectionFactory& connections, status::StatusLog& status,
                                     Dialogs& dialogs, CancelSwitch& cancel)
    : m_connections(connections), m_status(status), m_dialogs(dialogs), m_cancel(cancel),
      m_library(std::make_shared<const library::VendorLibrary>())
{}

ConnectionSession::~ConnectionSession()
{
    TARNWELL_OWN_THREAD();
    dropConnection();
}

void ConnectionSession::setLibrary(std::shared_ptr<const library::VendorLibrary> library)
{
    TARNWELL_OWN_THREAD();
    m_library = std::move(library);
}

void ConnectionSession::dropConnection()
{
    m_cancel.arm(nullptr);
    m_database.reset();
    m_connection.reset();
}

void ConnectionSession::replaceConnection()
{
    TARNWELL_OWN_THREAD();
    dropConnection();
    m_connection = m_connections.create();
}

ConnectOutcome ConnectionSession::connect(const db::LoginInput& input, ConnectObserver& observer)
{
    TARNWELL_OWN_THREAD();
    replaceConnection();
    m_cancel.arm(m_connection.get());
    m_login = input;

    ConnectWorkflow workflow(*m_connection, *m_library, m_status, m_dialogs, observer);
    ConnectResult result = workflow.run(input, m_list);
    // A reconnection reaches the server this Connect reached, with the certificate trusted
    // where the user said so.
    m_login = result.login;
    ConnectOutcome outcome;
    outcome.outcome = result.outcome;
    if (result.outcome == ConnectResult::Outcome::LoggedIn) {
        m_database = std::move(result.database);
        m_domain = result.domain;
        outcome.login =
            LoginInfo{m_domain, m_database->release(), m_database->dialect().platform()};
    }
    return outcome;
}

std::vector<selection::ApparatusEntry> ConnectionSession::chosen(const ImportRequest& request) const
{
    std::vector<selection::ApparatusEntry> entries;
    for (int i = 0; i < static_cast<int>(m_list.entries.size()); ++i) {
        if (request.mode == ImportMode::All || request.mode == ImportMode::Missing ||
            (request.mode == ImportMode::Selected && request.selected.contains(i)))
            entries.push_back(m_list.entries[static_cast<std::size_t>(i)]);
    }
    return entries;
}

ImportOutcome ConnectionSession::import(const ImportRequest& request,
                                        import::ImportProgress& progress)
{
    TARNWELL_OWN_THREAD();
    ImportOutcome outcome;
    if (!m_database) {
        outcome.report.outcome = import::RunOutcome::Failed;
        return outcome;
    }
    m_connection->clearCancel();
    m_cancel.arm(m_connection.get());

    import::ImportRun run(*m_database, *m_library, m_domain, m_status);
    run.setCheckOnly(request.checkOnly);
    run.setMissingOnly(request.mode == ImportMode::Missing);
    run.setProgress(&progress);
    outcome.report = run.run(chosen(request));
    if (outcome.report.outcome == import::RunOutcome::ConnectionLost) {
        outcome.reconnected = reconnectAndEnableTriggers();
        outcome.report.triggersOn = outcome.reconnected;
        if (!outcome.reconnected)
            dropConnection(); // nothing more is imported over a connection that is gone
    }
    return outcome;
}

bool ConnectionSession::reconnectAndEnableTriggers()
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (int attempt = 1; !m_cancel.requested(); ++attempt) {
        m_status.ShowStatus(QStringLiteral("Connecting again to switch the triggers on (attempt ") +
                            QString::number(attempt) + QStringLiteral(")..."));
        std::unique_ptr<db::Connection> connection = m_connections.create();
        m_cancel.arm(connection.get());
        if (connection->open(db::buildConnectionString(m_login))) {
            m_status.AppendStatus(QStringLiteral("  connected."));
            auto database = std::make_unique<db::Database>(*connection, m_login.platform);
            database->setRelease(m_database->release());
            bool enabled = false;
            try {
                enabled = import::EnableTriggers(*database, m_status);
            } catch (const db::DatabaseError& lost) {
                m_status.ShowStatus(QStringLiteral("Database reports: "));
                m_status.ShowErrorDescription(lost.description());
            }
            if (enabled) {
                // The new connection carries on: Import works again without a new Connect.
                m_database = std::move(database);
                m_connection = std::move(connection);
                return true;
            }
        } else {
            m_status.AppendStatus(QStringLiteral("  failed."));
            m_status.ShowStatus(QStringLiteral("Database reports: "));
            m_status.ShowErrorDescription(connection->lastError().description());
        }
        m_cancel.arm(m_connection.get());
        if (elapsed.elapsed() >= ReconnectWindowMs)
            break;
        for (int wait = 0; wait < 10 && !m_cancel.requested(); ++wait)
            QThread::msleep(100);
    }
    return false;
}

} // namespace tarnwell::app
