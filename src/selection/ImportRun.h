#pragma once

#include "db/Database.h"
#include "db/Login.h"
#include "library/VendorLibrary.h"
#include "selection/ApparatusList.h"
#include "status/StatusLog.h"

#include <functional>
#include <vector>

namespace tarnwell::selection {

enum class RunOutcome {
    Finished, // every chosen apparatus was handed to its importer
    Failed,   // the run itself failed and ended early
    Stopped,  // the user ended the program during the run
};

struct RunCounters
{
    int configurations = 0;
    int references = 0;
};

// One press of Import: finds the domain's plant, area and unit, suspends the triggers, hands
// every chosen apparatus to its importer (each written whole or not at all), and restores the
// triggers however the run ends.
class ImportRun
{
public:
    ImportRun(db::Database& database, const library::VendorLibrary& library,
              db::DomainContext& domain, status::StatusLog& status);

    // Called with (apparatus done, apparatus chosen) as the run goes on.
    void setProgress(std::function<void(int, int)> progress) { m_progress = std::move(progress); }
    // Runs after every statement: keeps the window responsive and may throw RunStopped.
    void setBetweenStatements(std::function<void()> hook) { m_betweenStatements = std::move(hook); }

    RunOutcome run(const std::vector<ApparatusEntry>& chosen);
    const RunCounters& counters() const { return m_counters; }

    static QString PlantAreaUnitQuery(const db::DomainContext& domain);

private:
    db::Database& m_database;
    const library::VendorLibrary& m_library;
    db::DomainContext& m_domain;
    status::StatusLog& m_status;
    std::function<void(int, int)> m_progress;
    std::function<void()> m_betweenStatements;
    RunCounters m_counters;
};

} // namespace tarnwell::selection
