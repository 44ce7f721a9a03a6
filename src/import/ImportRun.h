#pragma once

#include "db/Database.h"
#include "db/Login.h"
#include "import/ApparatusEntry.h"
#include "import/ImportProgress.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tarnwell::db {
class Transaction;
}

namespace tarnwell::import {

enum class RunOutcome {
    Finished,       // every chosen apparatus was handed to its importer
    Failed,         // the run itself failed and ended early
    Stopped,        // the user cancelled the run, or ended the program during it
    ConnectionLost, // the connection went; the triggers could not be switched on again here
};

// What a run did, for an honest end: how many apparatuses were written whole, which were not.
struct RunReport
{
    RunOutcome outcome = RunOutcome::Finished;
    int configurations = 0; // handed to their importer
    int references = 0;
    int written = 0;
    int alreadyThere = 0;   // lines passed over as already in the domain
    QStringList notWritten; // names, in run order
    int rewritten = 0;      // written ahead first, then again one statement at a time
    bool triggersOn = true; // false when switching them on again failed, or was not tried
    QString lostWhile;      // the apparatus under way when the connection went
    QString lostDescription;
    // The domain's plant, area and unit the run wrote under; empty when it ended before.
    QString plantId;
    QString areaId;
    QString unitId;
};

// One press of Import: finds the domain's plant, area and unit (given back in the report; the
// caller's domain is left as it is), suspends the triggers, hands every chosen apparatus to its
// importer (each written whole or not at all), and restores the triggers however the run ends.
class ImportRun
{
public:
    ImportRun(db::Database& database, const library::VendorLibrary& library,
              const db::DomainContext& domain, status::StatusLog& status);
    ~ImportRun();

    // Passes over every line whose own listing query finds it in the domain at the moment the
    // line's turn comes: what an interrupted run, another user or this run already wrote.
    void setMissingOnly(bool missingOnly) { m_missingOnly = missingOnly; }
    // A check runs the very same statements inside one transaction that it takes back before
    // the triggers are switched on again, and reports the rows each table would have received.
    void setCheckOnly(bool checkOnly) { m_checkOnly = checkOnly; }
    void setProgress(ImportProgress* progress) { m_progress = progress; }

    // Cancelling goes through the connection (Connection::cancel): the statement under way
    // fails, the apparatus is rolled back, the triggers are switched on and the run ends.
    RunReport run(const std::vector<ApparatusEntry>& chosen);

    static QString plantAreaUnitQuery(const db::DomainContext& domain);
    // The tables a check reports on, in the order it reports them.
    static const QStringList& checkedTables();

private:
    // Takes the lock, reads the plant, area and unit, switches the triggers off and, for a
    // check, opens its transaction: the domain to write under.
    db::DomainContext prepare();
    void importEach(const std::vector<ApparatusEntry>& chosen, const db::DomainContext& domain);
    // Nothing when the domain could not be asked; the failure is reported.
    std::optional<bool> alreadyInTheDomain(const ApparatusEntry& entry);
    // Takes back a check and switches the triggers on again, unless the connection is gone.
    void restore();
    void reportEnd();
    void runFailed(const QString& description);

    db::Database& m_database;
    const library::VendorLibrary& m_library;
    const db::DomainContext& m_domain;
    status::StatusLog& m_status;
    ImportProgress* m_progress = nullptr;
    bool m_checkOnly = false;
    bool m_missingOnly = false;

    // One run's state, from run() to its end.
    RunReport m_report;
    QString m_current; // the apparatus under way
    bool m_triggersSuspended = false;
    // A check writes every apparatus inside this one transaction and keeps none of it.
    std::unique_ptr<db::Transaction> m_check;
    std::map<QString, int> m_checked;
};

} // namespace tarnwell::import
