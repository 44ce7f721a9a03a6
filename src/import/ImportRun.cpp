#include "import/ImportRun.h"

#include "import/ImportLock.h"

#include "db/Transaction.h"
#include "import/ImportSteps.h"
#include "import/Triggers.h"
#include "import/configuration/ConfigurationImport.h"
#include "import/reference/ReferenceImport.h"
#include "status/Failure.h"

#include <QScopeGuard>

namespace tarnwell::import {

using Kind = db::DatabaseError::Kind;

ImportRun::ImportRun(db::Database& database, const library::VendorLibrary& library,
                     const db::DomainContext& domain, status::StatusLog& status)
    : m_database(database), m_library(library), m_domain(domain), m_status(status)
{}

ImportRun::~ImportRun() = default;

QString ImportRun::plantAreaUnitQuery(const db::DomainContext& d)
{
    return QStringLiteral("SELECT plant_id, area_id, unit_id ") +
           QStringLiteral("FROM   plant_area_unit ") + QStringLiteral("WHERE  proj_id=") +
           d.proj_id + QStringLiteral(" ") + QStringLiteral("AND    site_id=") + d.site_id +
           QStringLiteral(" ") + QStringLiteral("AND    plant_id>0 ") +
           QStringLiteral("AND    area_id>0 ") + QStringLiteral("AND    unit_id>0");
}

const QStringList& ImportRun::checkedTables()
{
    static const QStringList tables = {
        QStringLiteral("strip_config"),    QStringLiteral("strip_config_term"),
        QStringLiteral("term_mfr"),        QStringLiteral("term_mfr_mod"),
        QStringLiteral("term_color"),      QStringLiteral("panel"),
        QStringLiteral("udf_panel"),       QStringLiteral("strip_mfr"),
        QStringLiteral("strip_mfr_mod"),   QStringLiteral("strip_type"),
        QStringLiteral("panel_strip"),     QStringLiteral("channel"),
        QStringLiteral("panel_strip_term")};
    return tables;
}

RunReport ImportRun::run(const std::vector<ApparatusEntry>& chosen)
{
    m_report = RunReport();
    m_current.clear();
    m_triggersSuspended = false;
    m_checked.clear();
    {
        // Before the first statement and given back after the last: a second run into the
        // domain waits for this one, instead of taking the same identifiers.
        ImportLock lock(m_database, m_status, m_domain.proj_id);
        try {
            lock.take([this] {
                if (m_progress)
                    m_progress->waitingForTheLock();
            });
            importEach(chosen, prepare());
        } catch (const LockNotGranted& refusal) {
            m_status.ShowStatus(QStringLiteral("The import did not start: the database did not "
                                               "grant the lock that keeps other imports into "
                                               "this domain out, because ") +
                                refusal.why + QStringLiteral(". Nothing was written."));
            m_report.outcome = RunOutcome::Failed;
        } catch (const db::DatabaseError& error) {
            switch (error.kind()) {
            case Kind::Refused:
                runFailed(error.description());
                break;
            case Kind::Cancelled:
                m_report.outcome = RunOutcome::Stopped;
                break;
            case Kind::ConnectionLost:
                m_report.outcome = RunOutcome::ConnectionLost;
                m_report.lostWhile = m_current;
                m_report.lostDescription = error.description();
                break;
            }
        } catch (const Failure& failure) {
            runFailed(failure.description());
        }
        restore();
    }
    reportEnd();
    if (m_progress)
        m_progress->done();
    m_check.reset();
    return m_report;
}

void ImportRun::runFailed(const QString& description)
{
    m_status.ReportDbFailure(
        QStringLiteral("Didn't return the new Plant-Area-Unit IDs properly. Database reports: "),
        description);
    m_report.outcome = RunOutcome::Failed;
}

db::DomainContext ImportRun::prepare()
{
    const db::ResultSet pau = m_database.RunQuery(plantAreaUnitQuery(m_domain));
    m_report.plantId = db::textOf(pau.value(0));
    m_report.areaId = db::textOf(pau.value(1));
    m_report.unitId = db::textOf(pau.value(2));
    db::DomainContext domain = m_domain;
    domain.plant_id = m_report.plantId;
    domain.area_id = m_report.areaId;
    domain.unit_id = m_report.unitId;

    // Counted as suspended before the first statement: if the run stops half-way through,
    // switching them on again is harmless.
    m_triggersSuspended = true;
    DisableTriggers(m_database, m_status);
    if (m_checkOnly)
        m_check = std::make_unique<db::Transaction>(m_database);
    return domain;
}

void ImportRun::importEach(const std::vector<ApparatusEntry>& chosen,
                           const db::DomainContext& domain)
{
    ImportSteps steps(m_database, m_status, m_library, domain);
    if (m_checkOnly)
        steps.countInsertsInto(m_checked);
    steps.writeAheadWherePossible();
    ConfigurationImport configurations(steps);
    ReferenceImport references(steps);
    const auto count = qScopeGuard([&] { m_report.rewritten = steps.rewritten(); });
    const int total = static_cast<int>(chosen.size());
    int done = 0;
    for (const ApparatusEntry& entry : chosen) {
        if (m_progress)
            m_progress->progressed(done, total);
        ++done;
        m_current = entry.name;
        if (m_missingOnly) {
            const std::optional<bool> there = alreadyInTheDomain(entry);
            if (there == true) {
                m_status.ShowStatus(QStringLiteral("Already in the domain: ") + entry.name);
                ++m_report.alreadyThere;
                continue;
            }
            if (!there) {
                m_report.notWritten.append(entry.name);
                continue;
            }
        }
        ApparatusOutcome outcome;
        if (entry.kind == ApparatusKind::Configuration) {
            m_status.ShowStatus(QStringLiteral("Importing configuration: ") + entry.name);
            outcome = configurations.ImportConfiguration(entry.row);
            ++m_report.configurations;
        } else {
            m_status.ShowStatus(QStringLiteral("Importing reference: ") + entry.name);
            outcome = references.ImportReference(entry.row);
            ++m_report.references;
        }
        if (outcome == ApparatusOutcome::Written)
            ++m_report.written;
        else
            m_report.notWritten.append(entry.name);
    }
    m_current.clear();
    if (m_progress)
        m_progress->progressed(done, total);
}

std::optional<bool> ImportRun::alreadyInTheDomain(const ApparatusEntry& entry)
{
    try {
        return m_database.RunQuery(entry.listingQuery).rowCount() > 0;
    } catch (const db::DatabaseError& error) {
        if (!error.refused())
            throw;
        // Not knowing, the line is not imported: the mode promises never to write a line
        // twice, and a line not written is named at the end, so a second run finishes it.
        m_status.ReportDbFailure(
            entry.kind == ApparatusKind::Configuration
                ? QStringLiteral("The query to check if a CONFIGURATION is in SPI already failed. "
                                 "Database reports: ")
                : QStringLiteral("The query to check if a REFERENCE strip is in SPI already "
                                 "failed. Database reports: "),
            error.description());
        return std::nullopt;
    }
}

void ImportRun::restore()
{
    // A cancel has done its work once the run ends: switching the triggers back on must not
    // be cancelled with it. A run never leaves them off, however it ended. A check takes
    // back everything first, so that switching the triggers on can never keep any of it.
    if (m_report.outcome != RunOutcome::ConnectionLost) {
        m_database.clearCancel();
        if (m_check)
            m_check->rollback();
        try {
            if (m_triggersSuspended)
                m_report.triggersOn = EnableTriggers(m_database, m_status);
        } catch (const db::DatabaseError& lost) {
            m_report.outcome = RunOutcome::ConnectionLost;
            m_report.lostDescription = lost.description();
            m_current.clear();
        }
    }
    if (m_report.outcome == RunOutcome::ConnectionLost) {
        // Nothing more goes through a dead connection; whoever ran the run reconnects to switch
        // the triggers on again.
        m_report.triggersOn = false;
    }
}

void ImportRun::reportEnd()
{
    const auto checkEnd = [this] {
        if (m_checkOnly)
            m_status.ShowStatus(QStringLiteral("Check only: nothing was written."));
    };
    switch (m_report.outcome) {
    case RunOutcome::ConnectionLost:
        m_status.ShowStatus(
            m_current.isEmpty()
                ? QStringLiteral("The connection to the database was lost. Database reports: ")
                : QStringLiteral("The connection to the database was lost while importing ") +
                      m_current + QStringLiteral(", which was not written. Database reports: "));
        m_status.ShowErrorDescription(m_report.lostDescription);
        return;
    case RunOutcome::Stopped:
        m_status.ShowStatus(QStringLiteral("Import cancelled: ") +
                            QString::number(m_report.written) +
                            QStringLiteral(" apparatuses were written whole before the stop; the "
                                           "one under way was not written."));
        checkEnd();
        return;
    case RunOutcome::Failed:
        checkEnd();
        return;
    case RunOutcome::Finished:
        break;
    }

    m_status.ShowStatus(QStringLiteral("Written whole: ") + QString::number(m_report.written) +
                        QStringLiteral(" apparatuses. Not written: ") +
                        QString::number(m_report.notWritten.size()) + QStringLiteral(".") +
                        (m_missingOnly
                             ? QStringLiteral(" Already in the domain: ") +
                                   QString::number(m_report.alreadyThere) + QStringLiteral(".")
                             : QString()));
    if (m_report.configurations > 0 || m_report.references > 0)
        m_status.ShowStatus(
            QStringLiteral("Finished importing ") + QString::number(m_report.configurations) +
            QStringLiteral(" apparatus Configurations and ") +
            QString::number(m_report.references) + QStringLiteral(" Reference apparatuses."));
    else
        m_status.ShowStatus(QStringLiteral("No configurations or references imported at all."));
    if (m_checkOnly) {
        for (const QString& table : checkedTables()) {
            const auto rows = m_checked.find(table);
            m_status.ShowStatus(QStringLiteral("Check only: ") + table +
                                QStringLiteral(" would receive ") +
                                QString::number(rows == m_checked.end() ? 0 : rows->second) +
                                QStringLiteral(" new rows."));
        }
    }
    checkEnd();
}

} // namespace tarnwell::import
