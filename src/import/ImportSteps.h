#pragma once

#include "db/Database.h"
#include "db/Login.h"
#include "import/FindOrCreate.h"
#include "import/Foresight.h"
#include "import/RecordIds.h"
#include "import/TermCatalogue.h"
#include "library/LibraryIndexes.h"
#include "library/VendorLibrary.h"
#include "status/Failure.h"

#include <QString>

#include <functional>
#include <map>

namespace tarnwell::status {
class StatusLog;
}

namespace tarnwell::import {

enum class ApparatusOutcome { Written, Failed };

// A failure met in one step of an apparatus, with the message it is reported under.
class StepFailure : public Failure
{
public:
    StepFailure(QString message, const QString& description)
        : Failure(description), m_message(std::move(message))
    {}
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

// How the configuration and the reference import send their statements during one run: each
// as a step under the message its failure is reported with, each apparatus in one transaction.
// It also hands them what they share: the status display, the library and its row indexes, the
// domain, and the terminal catalogue.
class ImportSteps
{
public:
    ImportSteps(db::Database& database, status::StatusLog& status,
                const library::VendorLibrary& library, const db::DomainContext& domain);

    db::Database& database() { return m_database; }
    status::StatusLog& status() { return m_status; }
    const library::VendorLibrary& library() const { return m_library; }
    library::LibraryIndexes& indexes() { return m_indexes; }
    const db::DomainContext& domain() const { return m_domain; }
    TermCatalogue& catalogue() { return m_catalogue; }

    // A check: the apparatuses are written inside the transaction the caller holds open, and
    // the rows of each one that would have been saved are added, by table, to `rows`.
    void countInsertsInto(std::map<QString, int>& rows) { m_checkedRows = &rows; }
    bool checkOnly() const { return m_checkedRows != nullptr; }

    // Where the dialect allows it, an apparatus is first written ahead: every statement whose
    // answer can be foretold goes to the server without waiting, together with the next one
    // that must be waited for. The server receives the very same statements in the same
    // order. If an answer was not the one foretold, or any statement fails, the apparatus is
    // rolled back and written again one statement at a time, which reports what failed.
    void writeAheadWherePossible() { m_writeAhead = m_database.batches(); }
    // How many apparatuses were written again one statement at a time.
    int rewritten() const { return m_rewritten; }

    // Writes one apparatus in one transaction: committed (under `commitMessage`) when `write`
    // completes, rolled back when any of its steps fails. A step's failure is reported with
    // the step's message and the database's description; `afterFailure` then runs outside the
    // transaction. Any other failure is rolled back and passed on to the run.
    ApparatusOutcome writeWhole(const std::function<void()>& write, const QString& commitMessage,
                                const std::function<void()>& afterFailure = {});

    // Runs `work` as one step: a failure it meets (a refused statement, a result that cannot be
    // read, a library value that cannot be written, a library row that runs short) is reported
    // under `message`, unless a step inside it has claimed it already. Cancel and a lost
    // connection end the whole run, not the step.
    template <typename Work> decltype(auto) step(const QString& message, Work&& work)
    {
        try {
            return work();
        } catch (const StepFailure&) {
            throw;
        } catch (const Failure& failure) {
            throw StepFailure(message, failure.description());
        } catch (const db::DatabaseError& error) {
            if (!error.refused())
                throw;
            throw StepFailure(message, error.description());
        }
    }

    // The statement helpers, each one step under its message. `build` builds the statement
    // inside the step, since a statement that carries library values can fail to be built.
    // insert() writes a row into `table`, which a check counts.
    void insert(const QString& table, const QString& message,
                const std::function<QString()>& build);
    // `predicted` is what the answer is foretold to be, used when writing ahead.
    template <typename Read>
    auto query(const QString& message, const QString& sql, Read&& read,
               const std::optional<db::Prediction>& predicted = {})
    {
        return step(message, [&] { return read(m_database.RunQuery(sql, predicted)); });
    }
    QString nextId(IdTable table, const QString& message);
    // An identifier that no message covers: its failure is not the apparatus's but the run's.
    QString nextIdUncovered(IdTable table);
    // A lookup: the identifier in `idColumn` of the first row found, nothing when none is.
    std::optional<QString> lookup(const QString& message, const QString& sql, int idColumn);

    // What the run has learned of the answers to come.
    Foresight& foresight() { return m_foresight; }

private:
    // The apparatus written ahead; nothing when it must be written again one at a time.
    std::optional<ApparatusOutcome> writeAhead(const std::function<void()>& write);
    ApparatusOutcome writeOneAtATime(const std::function<void()>& write,
                                     const QString& commitMessage,
                                     const std::function<void()>& afterFailure);
    void keep();

    db::Database& m_database;
    status::StatusLog& m_status;
    const library::VendorLibrary& m_library;
    library::LibraryIndexes m_indexes;
    const db::DomainContext& m_domain;
    TermCatalogue m_catalogue;
    std::map<QString, int>* m_checkedRows = nullptr;
    std::map<QString, int> m_apparatusRows;
    Foresight m_foresight;
    bool m_writeAhead = false;
    int m_rewritten = 0;
};

} // namespace tarnwell::import
