#include "selection/ImportRun.h"

#include "db/Triggers.h"
#include "import/ImportSession.h"
#include "import/configuration/ConfigurationImport.h"
#include "import/reference/ReferenceImport.h"
#include "status/Failure.h"

namespace tarnwell::selection {

using tarnwell::import::ConfigurationImport;
using tarnwell::import::ImportSession;
using tarnwell::import::ReferenceImport;

namespace {

QString textOf(const db::Value& value)
{
    if (!value)
        throw Failure(QStringLiteral("Invalid use of Null"));
    return *value;
}

// Installs the between-statements hook for the length of a run.
class StatementHook
{
public:
    StatementHook(db::Database& database, std::function<void()> hook) : m_database(database)
    {
        m_database.setAfterStatement(std::move(hook));
    }
    ~StatementHook() { m_database.setAfterStatement({}); }
    StatementHook(const StatementHook&) = delete;
    StatementHook& operator=(const StatementHook&) = delete;

private:
    db::Database& m_database;
};

} // namespace

ImportRun::ImportRun(db::Database& database, const library::VendorLibrary& library,
                     db::DomainContext& domain, status::StatusLog& status)
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

RunOutcome ImportRun::run(const std::vector<ApparatusEntry>& chosen)
{
    m_counters = RunCounters();
    bool triggersSuspended = false;
    RunOutcome outcome = RunOutcome::Finished;
    {
        StatementHook hook(m_database, m_betweenStatements);
        try {
            const db::ResultSet pau = m_database.RunQuery(PlantAreaUnitQuery(m_domain));
            m_domain.plant_id = textOf(pau.value(0));
            m_domain.area_id = textOf(pau.value(1));
            m_domain.unit_id = textOf(pau.value(2));

            // Counted as suspended before the first statement: if the run stops half-way
            // through, switching them on again is harmless.
            triggersSuspended = true;
            db::DisableTriggers(m_database);

            ImportSession session(m_database, m_library, m_domain);
            ConfigurationImport configurations(session);
            ReferenceImport references(session);
            const int total = static_cast<int>(chosen.size());
            int done = 0;
            for (const ApparatusEntry& entry : chosen) {
                if (m_progress)
                    m_progress(done, total);
                if (entry.kind == ApparatusKind::Configuration) {
                    m_status.ShowStatus(QStringLiteral("Importing configuration: ") + entry.name);
                    configurations.importRow(entry.row);
                    ++m_counters.configurations;
                } else {
                    m_status.ShowStatus(QStringLiteral("Importing reference: ") + entry.name);
                    references.importChannelRow(entry.row);
                    ++m_counters.references;
                }
                ++done;
            }
            if (m_progress)
                m_progress(done, total);
        } catch (const Failure& failure) {
            m_database.ReportDbFailure(
                QStringLiteral(
                    "Didn't return the new Plant-Area-Unit IDs properly. Database reports: "),
                failure.description());
            outcome = RunOutcome::Failed;
        } catch (const import::RunStopped&) {
            outcome = RunOutcome::Stopped;
        }
    }

    // With the hook gone, switching the triggers back on cannot be stopped half-way; a run
    // never leaves them off, however it ended.
    if (triggersSuspended)
        db::EnableTriggers(m_database);
    if (outcome != RunOutcome::Finished)
        return outcome;

    if (m_counters.configurations > 0 || m_counters.references > 0)
        m_status.ShowStatus(
            QStringLiteral("Finished importing ") + QString::number(m_counters.configurations) +
            QStringLiteral(" apparatus Configurations and ") +
            QString::number(m_counters.references) + QStringLiteral(" Reference apparatuses."));
    else
        m_status.ShowStatus(QStringLiteral("No configurations or references imported at all."));
    return outcome;
}

} // namespace tarnwell::selection
