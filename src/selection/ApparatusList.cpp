#include "selection/ApparatusList.h"

#include "library/LibraryRows.h"

#include "db/Sql.h"
#include "status/Failure.h"

#include <algorithm>
#include <optional>

namespace tarnwell::selection {

using db::sql::escaped;
using library::LibraryTable;

namespace {

constexpr int NameWidth = 30;

QString configurationQuery(const db::DomainContext& d, const QString& manufacturer,
                           const QString& name)
{
    return QStringLiteral("SELECT term_mfr_name, term_mod_name ") +
           QStringLiteral("FROM   strip_config, term_mfr, term_mfr_mod ") +
           QStringLiteral("WHERE  strip_config.term_mfr_id = term_mfr.term_mfr_id ") +
           QStringLiteral("AND    strip_config.proj_id = ") + d.proj_id + QStringLiteral(" ") +
           QStringLiteral("AND    strip_config.site_id = ") + d.site_id + QStringLiteral(" ") +
           QStringLiteral("AND    strip_config.term_mfr_id = term_mfr_mod.term_mfr_id ") +
           QStringLiteral("AND    strip_config.term_mod_id = term_mfr_mod.term_mod_id ") +
           QStringLiteral("AND    term_mfr_name LIKE '") + escaped(manufacturer) +
           QStringLiteral("' ") + QStringLiteral("AND    term_mod_name LIKE '") + escaped(name) +
           QStringLiteral("' ");
}

QString referenceQuery(const db::DomainContext& d, const QString& manufacturer, const QString& name)
{
    return QStringLiteral("SELECT term_mfr_name, term_mod_name ") +
           QStringLiteral("FROM   panel_strip, channel, term_mfr, term_mfr_mod ") +
           QStringLiteral("WHERE  channel.strip_id = panel_strip.strip_id ") +
           QStringLiteral("AND    panel_strip.proj_id = ") + d.proj_id + QStringLiteral(" ") +
           QStringLiteral("AND    panel_strip.site_id = ") + d.site_id + QStringLiteral(" ") +
           QStringLiteral("AND    channel.term_mfr_id = term_mfr.term_mfr_id ") +
           QStringLiteral("AND    channel.term_mfr_id = term_mfr_mod.term_mfr_id ") +
           QStringLiteral("AND    channel.term_mod_id = term_mfr_mod.term_mod_id ") +
           QStringLiteral("AND    panel_strip.def_flg = 'Y' ") +
           QStringLiteral("AND    term_mfr_name LIKE '") + escaped(manufacturer) +
           QStringLiteral("' ") + QStringLiteral("AND    term_mod_name like '") + escaped(name) +
           QStringLiteral("' ");
}

// A check of the listing that failed; ends the listing with that outcome.
struct CheckFailed
{
    ListOutcome outcome;
};

// Runs `step` with its failures counted as the failure of `check`; with no check they are the
// caller's and pass on as they are.
template <typename Step> auto failingAs(std::optional<ListOutcome> check, Step&& step)
{
    try {
        return step();
    } catch (const Failure&) {
        if (!check)
            throw;
        throw CheckFailed{*check};
    } catch (const db::DatabaseError& error) {
        if (!check || !error.refused())
            throw;
        throw CheckFailed{*check};
    }
}

// One library apparatus to be listed, with the query that asks the domain about it.
struct Candidate
{
    ApparatusKind kind;
    QString name;
    int row;
    QString description;
    QString manufacturer;
    QString query;
};

// The library's side of the listing: every apparatus with its query, in the order the queries
// go to the database. A library row that runs short ends the gathering; its failure waits in
// `shortRow` until the queries before it have been asked, as they were asked before it was read.
struct Gathered
{
    std::vector<Candidate> candidates;
    std::exception_ptr shortRow;
};

Gathered gather(const library::VendorLibrary& library, const db::DomainContext& domain)
{
    Gathered gathered;
    // The check whose query goes last also answers for the library read that follows it, up to
    // the next query: a configuration's check for the next row, and for the first channel row.
    std::optional<ListOutcome> lastCheck;
    try {
        const LibraryTable& configs = library.stripConfig;
        if (configs.Count() > 0) {
            for (int j = 1; j <= configs.Count(); j += library::StripConfigWidth) {
                const LibraryTable::Row values =
                    failingAs(lastCheck, [&] { return configs.row(j, library::StripConfigWidth); });
                const library::StripConfigRow row(values);
                lastCheck = ListOutcome::ConfigurationCheckFailed;
                gathered.candidates.push_back(
                    {ApparatusKind::Configuration, row.name(), j, row.description(),
                     row.manufacturer(),
                     configurationQuery(domain, row.manufacturer(), row.name())});
            }
        }
        const LibraryTable& channels = library.channel;
        if (library.panelStrip.Count() > 0) {
            for (int j = 1; j <= channels.Count(); j += library::ChannelWidth) {
                const LibraryTable::Row values =
                    failingAs(lastCheck, [&] { return channels.row(j, library::ChannelWidth); });
                const library::ChannelRow row(values);
                lastCheck.reset();
                gathered.candidates.push_back(
                    {ApparatusKind::Reference, row.referenceName(), j, row.description(),
                     row.manufacturer(),
                     referenceQuery(domain, row.manufacturer(), row.referenceName())});
            }
        }
    } catch (...) {
        gathered.shortRow = std::current_exception();
    }
    return gathered;
}

// Asks the domain about every candidate, in order, whether it holds it; `held` grows with the
// answers. A failed query is the failure of its kind's check. The queries depend on nothing,
// so where the dialect allows they all go in one request; should that one fail, they are asked
// again one at a time, which tells which failed.
void askTheDomain(db::Database& database, const std::vector<Candidate>& candidates,
                  std::vector<bool>& held)
{
    held.reserve(candidates.size());
    if (database.batches() && candidates.size() > 1) {
        QStringList queries;
        for (const Candidate& candidate : candidates)
            queries.append(candidate.query);
        try {
            for (const db::ResultSet& found : database.runBatch(queries))
                held.push_back(found.rowCount() != 0);
            return;
        } catch (const db::DatabaseError& error) {
            if (!error.refused())
                throw;
        }
    }
    for (const Candidate& candidate : candidates) {
        const ListOutcome check = candidate.kind == ApparatusKind::Configuration
                                      ? ListOutcome::ConfigurationCheckFailed
                                      : ListOutcome::ReferenceCheckFailed;
        held.push_back(
            failingAs(check, [&] { return database.RunQuery(candidate.query).rowCount() != 0; }));
    }
}

} // namespace

QString Revision(const QString& description)
{
    const QString last = (QStringLiteral("   ") + description).right(2).toUpper();
    if (last.at(0) == QLatin1Char('R') && last.at(1) >= QLatin1Char('1') &&
        last.at(1) <= QLatin1Char('9'))
        return last;
    return QStringLiteral("??");
}

QString ApparatusLine(ApparatusKind kind, const QString& name, bool inDomain,
                      const QString& description, const QString& manufacturer)
{
    const QString type = kind == ApparatusKind::Configuration ? QStringLiteral("Configuration ")
                                                              : QStringLiteral("Reference     ");
    return type + QStringLiteral("  ") + db::sql::fixedWidth(name, NameWidth) +
           QStringLiteral("  ") + (inDomain ? QStringLiteral("Y") : QStringLiteral("N")) +
           QStringLiteral("     ") + Revision(description) + QStringLiteral("    ") + manufacturer;
}

void InsertionSort(std::vector<clsReference>& listreferences, const clsReference& reference)
{
    if (listreferences.empty())
        listreferences.emplace_back();
    // Elements 1 and up are in order, so the place is found by halving rather than by walking:
    // before the first element whose name is not less than the new one.
    const auto place = std::lower_bound(listreferences.begin() + 1, listreferences.end(), reference,
                                        [](const clsReference& listed, const clsReference& added) {
                                            return QString::compare(listed.name, added.name) < 0;
                                        });
    listreferences.insert(place, reference);
}

ListOutcome BuildApparatusList(db::Database& database, const library::VendorLibrary& library,
                               const db::DomainContext& domain, status::StatusLog& status,
                               ApparatusList& list,
                               const std::function<void(const ApparatusEntry&)>& added)
{
    list = ApparatusList();
    const Gathered gathered = gather(library, domain);
    std::vector<bool> held;
    std::optional<ListOutcome> failed;
    // Any other failure (a library row that runs short outside a check, a lost connection)
    // is the caller's to report, once the lines the domain answered for are in the list.
    std::exception_ptr callersFailure;
    try {
        askTheDomain(database, gathered.candidates, held);
        if (gathered.shortRow)
            std::rethrow_exception(gathered.shortRow);
    } catch (const CheckFailed& check) {
        failed = check.outcome;
    } catch (...) {
        callersFailure = std::current_exception();
    }

    // Configurations in library order as far as the domain answered, then, when it answered
    // for every one, references in name order.
    const auto add = [&](const ApparatusEntry& entry) {
        list.entries.push_back(entry);
        if (added)
            added(entry);
    };
    std::vector<clsReference> references(1);
    for (std::size_t i = 0; i < held.size(); ++i) {
        const Candidate& c = gathered.candidates[i];
        const QString line = ApparatusLine(c.kind, c.name, held[i], c.description, c.manufacturer);
        if (c.kind == ApparatusKind::Configuration) {
            add({c.kind, c.name, c.row, line, c.query});
            ++list.configurations;
            continue;
        }
        clsReference reference;
        reference.name = c.name;
        reference.row = c.row;
        reference.listingQuery = c.query;
        reference.listitem = line;
        ++list.references;
        InsertionSort(references, reference);
    }
    if (callersFailure)
        std::rethrow_exception(callersFailure);
    if (failed) {
        status.ShowStatus(
            *failed == ListOutcome::ConfigurationCheckFailed
                ? QStringLiteral("The query to check if a CONFIGURATION is in SPI already failed.")
                : QStringLiteral(
                      "The query to check if a REFERENCE strip is in SPI already failed."));
        return *failed;
    }
    for (std::size_t i = 1; i < references.size(); ++i)
        add({ApparatusKind::Reference, references[i].name, references[i].row,
             references[i].listitem, references[i].listingQuery});
    return ListOutcome::Complete;
}

QString apparatusCountCaption(const ApparatusList& list)
{
    return QString::number(list.configurations) + QStringLiteral(" Configurations and ") +
           QString::number(list.references) + QStringLiteral(" References available to import.");
}

} // namespace tarnwell::selection
