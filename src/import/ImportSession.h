#pragma once

#include "db/Database.h"
#include "db/Login.h"
#include "import/FindOrCreate.h"
#include "import/RecordIds.h"
#include "import/TermCatalogue.h"
#include "library/RowIndex.h"
#include "library/VendorLibrary.h"
#include "status/Failure.h"

#include <QString>

#include <functional>
#include <map>
#include <optional>

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

// The catalogue identifiers of one terminal's left and right colour, and the message of the
// last statement the colour steps sent.
struct TerminalColours
{
    QString left;
    QString right;
    QString lastMessage;
};

// What the configuration and the reference import share during one import run: the
// connection, the status display, the library, the domain and the terminal catalogue.
class ImportSession
{
public:
    ImportSession(db::Database& database, status::StatusLog& status,
                  const library::VendorLibrary& library, const db::DomainContext& domain);

    db::Database& database() { return m_database; }
    status::StatusLog& status() { return m_status; }
    const library::VendorLibrary& library() const { return m_library; }
    const db::DomainContext& domain() const { return m_domain; }
    TermCatalogue& catalogue() { return m_catalogue; }

    // A check: the apparatuses are written inside the transaction the caller holds open, and
    // the rows of each one that would have been saved are added, by table, to `rows`.
    void countInsertsInto(std::map<QString, int>& rows) { m_checkedRows = &rows; }
    bool checkOnly() const { return m_checkedRows != nullptr; }

    // Writes one apparatus in one transaction: committed (under `commitMessage`) when `write`
    // completes, rolled back when any of its steps fails. A step's failure is reported with
    // the step's message and the database's description; `afterFailure` then runs outside the
    // transaction. Any other failure is rolled back and passed on to the run.
    ApparatusOutcome writeWhole(const std::function<void()>& write, const QString& commitMessage,
                                const std::function<void()>& afterFailure = {});

    // Runs `work` as one step: a Failure it meets (a refused statement, a result that cannot be
    // read, a library value that cannot be written, a library row that runs short) is reported
    // under `message`, unless a step inside it has claimed it already.
    template <typename Work> decltype(auto) step(const QString& message, Work&& work)
    {
        try {
            return work();
        } catch (const StepFailure&) {
            throw;
        } catch (const Failure& failure) {
            throw StepFailure(message, failure.description());
        } catch (const db::DatabaseError& error) {
            // Cancel and a lost connection end the whole run, not the step.
            if (!error.refused())
                throw;
            throw StepFailure(message, error.description());
        }
    }

    // The statement helpers, each one step under its message. The form that takes `build`
    // builds the statement inside the step, for statements that carry library values.
    void command(const QString& message, const QString& sql);
    void command(const QString& message, const std::function<QString()>& build);
    template <typename Read> auto query(const QString& message, const QString& sql, Read&& read)
    {
        return step(message, [&] { return read(m_database.RunQuery(sql)); });
    }
    QString nextId(IdTable table, const QString& message);

    // Finds or creates the colours whose library keys a terminal carries, scanning every
    // TerminalColors row (a row matching both keys is looked up once per side). Each terminal
    // starts without colours: a side whose key matches no row is "0", never the colour of an
    // earlier terminal. `before` is the message of the statement sent before the colours: a
    // colour row that runs short is reported under the message of the last statement sent.
    TerminalColours terminalColours(const QString& leftKey, const QString& rightKey,
                                    const CatalogueMessages& left, const CatalogueMessages& right,
                                    const QString& before);

    // The library's rows by the keys the importers look them up by, each built on first use.
    const library::RowIndex& configurationTerminals(); // StripConfigTerm by configuration
    const library::RowIndex& channelsOfStrip();        // Channel by strip key
    const library::RowIndex& stripsByKey();            // PanelStrip
    const library::RowIndex& terminalsOfChannel();     // PanelStripTerm by channel key

private:
    void send(const QString& sql);

    db::Database& m_database;
    status::StatusLog& m_status;
    const library::VendorLibrary& m_library;
    const db::DomainContext& m_domain;
    TermCatalogue m_catalogue;
    std::map<QString, int>* m_checkedRows = nullptr;
    std::map<QString, int> m_apparatusRows;

    const library::RowIndex& index(std::optional<library::RowIndex>& slot,
                                   const library::LibraryTable& table, int width, int keyColumn);
    std::optional<library::RowIndex> m_configurationTerminals;
    std::optional<library::RowIndex> m_channelsOfStrip;
    std::optional<library::RowIndex> m_stripsByKey;
    std::optional<library::RowIndex> m_terminalsOfChannel;
    std::optional<library::RowIndex> m_coloursByKey;
};

} // namespace tarnwell::import
