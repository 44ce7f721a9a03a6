#include "app/connection/ConnectWorkflow.h"

#include "import/Triggers.h"
#include "status/Failure.h"

namespace tarnwell::app {

ConnectWorkflow::ConnectWorkflow(db::Connection& connection, const library::VendorLibrary& library,
                                 status::StatusLog& status, Dialogs& dialogs,
                                 ConnectObserver& observer)
    : m_connection(connection), m_library(library), m_status(status), m_dialogs(dialogs),
      m_observer(observer)
{}

ConnectResult ConnectWorkflow::run(const db::LoginInput& input, selection::ApparatusList& list)
{
    using Outcome = ConnectResult::Outcome;
    ConnectResult result;
    result.login = input;
    bool listComplete = false;

    if (!open(result.login)) {
        m_dialogs.message(QStringLiteral("Login failed."), ApplicationTitle, MessageIcon::Critical);
        m_status.AppendStatus(QStringLiteral("  failed to connect."));
        m_status.ShowStatus(QStringLiteral("Database reports: "));
        m_status.ShowErrorDescription(m_connection.lastError().description());
        return result;
    }
    m_status.AppendStatus(QStringLiteral("  connected."));
    auto database = std::make_unique<db::Database>(m_connection, result.login.platform);

    try {
        try {
            const db::Value version = database->RunQuery(db::versionQuery).value(0);
            if (!version) {
                m_status.ShowStatus(QStringLiteral("Didn't return the target SPI version."));
                m_status.ShowStatus(
                    QStringLiteral("Failed to retrieve the target SPI version number."));
                return result;
            }
            m_status.ShowStatus(QStringLiteral("Target SPI version is ") + *version);
            database->setRelease(db::Release(*version));
            if (!db::isSupportedVersion(database->release().text())) {
                m_dialogs.message(
                    QStringLiteral("Only SPI versions 7 SP5, 2007 and 2009 are supported."),
                    QStringLiteral("Incorrect Version"), MessageIcon::Critical);
                result.outcome = Outcome::UnsupportedRelease;
                return result;
            }
        } catch (const Failure&) {
            m_status.ShowStatus(
                QStringLiteral("Failed to retrieve the target SPI version number."));
            return result;
        } catch (const db::DatabaseError& error) {
            if (!error.refused())
                throw;
            m_status.ShowStatus(
                QStringLiteral("Failed to retrieve the target SPI version number."));
            return result;
        }

        try {
            const db::ResultSet domains =
                database->RunQuery(db::domainQuery(input.userId, input.password));
            if (domains.rowCount() < 1) {
                m_dialogs.message(
                    QStringLiteral("No DOMAIN name returned for those login credentials."),
                    ApplicationTitle, MessageIcon::Warning);
                return result;
            }
            // Only the first row counts; several domains with one logon are not offered as a
            // choice.
            result.domain.proj_name = db::textOf(domains.value(0));
            result.domain.proj_id = db::textOf(domains.value(1));
            result.domain.site_id = db::textOf(domains.value(2));
            m_observer.loggedIn(result.domain);

            offerToEnableTriggers(*database);

            const selection::ListOutcome listed = selection::BuildApparatusList(
                *database, m_library, result.domain, m_status, list,
                [this](const selection::ApparatusEntry& entry) { m_observer.listed(entry); });
            listComplete = listed == selection::ListOutcome::Complete;
        } catch (const Failure&) {
            m_status.ShowStatus(QStringLiteral("Failed to retrieve domain names."));
            return result;
        } catch (const db::DatabaseError& error) {
            if (!error.refused())
                throw;
            m_status.ShowStatus(QStringLiteral("Failed to retrieve domain names."));
            return result;
        }
    } catch (const db::DatabaseError& error) {
        if (error.kind() == db::DatabaseError::Kind::Cancelled) {
            m_status.ShowStatus(QStringLiteral("Connect cancelled."));
            result.outcome = Outcome::Cancelled;
            return result;
        }
        m_status.ShowStatus(QStringLiteral("The connection to the database was lost. Database "
                                           "reports: "));
        m_status.ShowErrorDescription(error.description());
        result.outcome = Outcome::ConnectionLost;
        return result;
    }
    m_observer.listEnded(list, listComplete);
    result.outcome = Outcome::LoggedIn;
    result.database = std::move(database);
    return result;
}

bool ConnectWorkflow::open(db::LoginInput& login)
{
    if (m_connection.open(db::buildConnectionString(login)))
        return true;
    // Never without the user's word: the check protects against a server that is not the one
    // it claims to be.
    if (login.trustServerCertificate ||
        !db::isUntrustedServerCertificate(m_connection.lastError().sqlState(),
                                          m_connection.lastError().description()) ||
        !m_dialogs.question(QStringLiteral("The server's certificate is not trusted by this "
                                           "computer. Connect anyway, encrypted, without "
                                           "checking the certificate?"),
                            ApplicationTitle, MessageIcon::Warning, DefaultAnswer::No))
        return false;
    login.trustServerCertificate = true;
    return m_connection.open(db::buildConnectionString(login));
}

void ConnectWorkflow::offerToEnableTriggers(db::Database& database)
{
    const QString query = database.dialect().disabledTriggersQuery();
    if (query.isEmpty())
        return;
    QString disabled;
    try {
        disabled = database.RunQuery(query).value(0).value_or(QString());
    } catch (const Failure&) {
        return; // a catalogue this account may not read is not asked about
    } catch (const db::DatabaseError& error) {
        if (!error.refused())
            throw;
        return;
    }
    if (disabled.toInt() <= 0)
        return;
    const bool enable = m_dialogs.question(
        QStringLiteral("The triggers of PANEL and UDF_PANEL are switched off in this database, "
                       "probably by an import that did not end properly. SPI's own bookkeeping "
                       "on those tables does not run while they are off.\n\n"
                       "Switch them on now?"),
        ApplicationTitle, MessageIcon::Warning, DefaultAnswer::Yes);
    if (enable)
        tarnwell::import::EnableTriggers(database, m_status);
}

} // namespace tarnwell::app
