#include "import/ImportRun.h"

#include "import/ImportLock.h"

#include "db/Transaction.h"
#include "import/ImportSession.h"
#include "import/Triggers.h"
#include "import/configuration/ConfigurationImport.h"
#include "import/reference/ReferenceImport.h"
#include "status/Failure.h"

namespace tarnwell::import {

ImportRun::ImportRun(db::Database& database, const library::VendorLibrary& library,
                     const db::DomainContext& domain, status::StatusLog& status)
    : m_database(database), m_library(library), m_domain(domain), m_status(status)
{}

QString ImportRun::PlantAreaUnitQuery(const db::DomainContext& d)
{
    return QStringLiteral("SELECT plant_id, area_id, unit_id ") +
           QStringLiteral("FROM   plant_area_unit ") + QStringLiteral("WHERE  proj_id=") +
           d.proj_id + QStringLiteral(" ") + QStringLiteral("AND    site_id=") + d.site_id +
           QStringLiteral(" ") + QStringLiteral("AND    plant_id>0 ") +
           QStringLiteral("AND    area_id>0 ") + QStringLiteral("AND    unit_id>0");
}

const QStringList& ImportRun::CheckedTables()
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

std::optional<bool> ImportRun::alreadyInTheDomain(const ApparatusEntry& entry)
{
    try {
        return m_database.RunQuery(entry.listingQuery).rowCount() > 0;
    } catch (const Failure& failure) {
        // Not knowing, the line is not imported: the mode promises never to write a line
        // twice, and a line not written is named at the end, so a second run finishes it.
        m_status.ReportDbFailure(
            entry.kind == ApparatusKind::Configuration
                ? QStringLiteral("The query to check if a CONFIGURATION is in SPI already failed. "
                                 "Database reports: ")
                : QStringLiteral("The query to check if a REFERENCE strip is in SPI already "
                                 "failed. Database reports: "),
            failure.description());
        return std::nullopt;
    }
}

RunReport ImportRun::run(const std::vector<ApparatusEntry>& chosen)
{
    RunReport report;
    bool triggersSuspended = false;
    QString current;
    // A check writes every apparatus inside this one transaction and keeps none of it.
    std::optional<db::Transaction> check;
    std::map<QString, int> checked;
    // Before the first statement and given back after the last: a second run into the domain
    // waits for this one, instead of taking the same identifiers.
    ImportLock lock(m_database, m_status, m_domain.proj_id);
    try {
        lock.take([this] {
            if (m_progress)
                m_progress(0, -1);
        });
        const db::ResultSet pau = m_database.RunQuery(PlantAreaUnitQuery(m_domain));
        report.plantId = db::textOf(pau.value(0));
        report.areaId = db::textOf(pau.value(1));
        report.unitId = db::textOf(pau.value(2));
        db::DomainContext domain = m_domain;
        domain.plant_id = report.plantId;
        domain.area_id = report.areaId;
        domain.unit_id = report.unitId;

        // Counted as suspended before the first statement: if the run stops half-way
        // through, switching them on again is harmless.
        triggersSuspended = true;
        DisableTriggers(m_database, m_status);
        if (m_checkOnly)
            check.emplace(m_database);

        ImportSession session(m_database, m_status, m_library, domain);
        if (m_checkOnly)
            session.countInsertsInto(checked);
        ConfigurationImport configurations(session);
        ReferenceImport references(session);
        const int total = static_cast<int>(chosen.size());
        int done = 0;
        for (const ApparatusEntry& entry : chosen) {
            if (m_progress)
                m_progress(done, total);
            current = entry.name;
            if (m_missingOnly) {
                const std::optional<bool> there = alreadyInTheDomain(entry);
                if (there.value_or(true)) {
                    if (there) {
                        m_status.ShowStatus(QStringLiteral("Already in the domain: ") + entry.name);
                        ++report.alreadyThere;
                    } else {
                        report.notWritten.append(entry.name);
                    }
                    ++done;
                    continue;
                }
            }
            ApparatusOutcome outcome;
            if (entry.kind == ApparatusKind::Configuration) {
                m_status.ShowStatus(QStringLiteral("Importing configuration: ") + entry.name);
                outcome = configurations.ImportConfiguration(entry.row);
                ++report.configurations;
            } else {
                m_status.ShowStatus(QStringLiteral("Importing reference: ") + entry.name);
                outcome = references.ImportReference(entry.row);
                ++report.references;
            }
            if (outcome == ApparatusOutcome::Written)
                ++report.written;
            else
                report.notWritten.append(entry.name);
            ++done;
        }
        current.clear();
        if (m_progress)
            m_progress(done, total);
    } catch (const LockNotGranted& refusal) {
        m_status.ShowStatus(QStringLiteral("The import did not start: the database did not grant "
                                           "the lock that keeps other imports into this domain "
                                           "out, because ") +
                            refusal.why + QStringLiteral(". Nothing was written."));
        report.outcome = RunOutcome::Failed;
    } catch (const Failure& failure) {
        m_status.ReportDbFailure(
            QStringLiteral(
                "Didn't return the new Plant-Area-Unit IDs properly. Database reports: "),
            failure.description());
        report.outcome = RunOutcome::Failed;
    } catch (const db::Cancelled&) {
        report.outcome = RunOutcome::Stopped;
    } catch (const db::ConnectionLost& lost) {
        report.outcome = RunOutcome::ConnectionLost;
        report.lostWhile = current;
        report.lostDescription = lost.description;
    }

    // A cancel has done its work once the run ends: switching the triggers back on must not
    // be cancelled with it. A run never leaves them off, however it ended. A check takes
    // back everything first, so that switching the triggers on can never keep any of it.
    if (report.outcome != RunOutcome::ConnectionLost) {
        m_database.clearCancel();
        if (check)
            check->rollback();
        try {
            if (triggersSuspended)
                report.triggersOn = EnableTriggers(m_database, m_status);
        } catch (const db::ConnectionLost& lost) {
            report.outcome = RunOutcome::ConnectionLost;
            report.lostDescription = lost.description;
            current.clear();
        }
    }

    if (report.outcome == RunOutcome::ConnectionLost) {
        // Nothing more goes through a dead connection; whoever ran the run reconnects to switch
        // the triggers on again.
        report.triggersOn = false;
        m_status.ShowStatus(
            current.isEmpty()
                ? QStringLiteral("The connection to the database was lost. Database reports: ")
                : QStringLiteral("The connection to the database was lost while importing ") +
                      current + QStringLiteral(", which was not written. Database reports: "));
        m_status.ShowErrorDescription(report.lostDescription);
        return report;
    }

    const auto checkEnd = [this] {
        if (m_checkOnly)
            m_status.ShowStatus(QStringLiteral("Check only: nothing was written."));
    };
    if (report.outcome == RunOutcome::Stopped) {
        m_status.ShowStatus(QStringLiteral("Import cancelled: ") + QString::number(report.written) +
                            QStringLiteral(" apparatuses were written whole before the stop; the "
                                           "one under way was not written."));
        checkEnd();
        return report;
    }
    if (report.outcome != RunOutcome::Finished) {
        checkEnd();
        return report;
    }

    m_status.ShowStatus(QStringLiteral("Written whole: ") + QString::number(report.written) +
                        QStringLiteral(" apparatuses. Not written: ") +
                        QString::number(report.notWritten.size()) + QStringLiteral(".") +
                        (m_missingOnly
                             ? QStringLiteral(" Already in the domain: ") +
                                   QString::number(report.alreadyThere) + QStringLiteral(".")
                             : QString()));
    if (report.configurations > 0 || report.references > 0)
        m_status.ShowStatus(
            QStringLiteral("Finished importing ") + QString::number(report.configurations) +
            QStringLiteral(" apparatus Configurations and ") + QString::number(report.references) +
            QStringLiteral(" Reference apparatuses."));
    else
        m_status.ShowStatus(QStringLiteral("No configurations or references imported at all."));
    if (m_checkOnly) {
        for (const QString& table : CheckedTables()) {
            const auto rows = checked.find(table);
            m_status.ShowStatus(QStringLiteral("Check only: ") + table +
                                QStringLiteral(" would receive ") +
                                QString::number(rows == checked.end() ? 0 : rows->second) +
                                QStringLiteral(" new rows."));
        }
    }
    checkEnd();
    return report;
}

} // namespace tarnwell::import
