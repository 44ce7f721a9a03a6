#pragma once

#include "db/Database.h"
#include "db/Login.h"
#include "import/MessageInForce.h"
#include "import/TermCatalogue.h"
#include "library/RowIndex.h"
#include "library/VendorLibrary.h"

#include <QString>

#include <functional>
#include <optional>

namespace tarnwell::import {

enum class ApparatusOutcome { Written, Failed };

// The catalogue identifiers of one terminal's left and right colour.
struct TerminalColours
{
    QString left;
    QString right;
};

// What the configuration and the reference import share during one import run: the
// connection, the library, the domain, the message in force and the terminal catalogue.
class ImportSession
{
public:
    ImportSession(db::Database& database, const library::VendorLibrary& library,
                  const db::DomainContext& domain);

    db::Database& database() { return m_database; }
    const library::VendorLibrary& library() const { return m_library; }
    const db::DomainContext& domain() const { return m_domain; }
    MessageInForce& message() { return m_message; }
    TermCatalogue& catalogue() { return m_catalogue; }

    // Writes one apparatus in one transaction: committed when `write` completes, rolled back
    // when any of its statements fails. A failure under a message is reported with that message
    // and the database's description; `afterFailure` then runs outside the transaction. A
    // failure while no message stands is rolled back and passed on to the run.
    ApparatusOutcome writeWhole(const std::function<void()>& write, const QString& commitMessage,
                                const std::function<void()>& afterFailure = {});

    // Finds or creates the colours whose library keys a terminal carries, scanning every
    // TerminalColors row (a row matching both keys is looked up once per side). Each terminal
    // starts without colours: a side whose key matches no row is "0", never the colour of an
    // earlier terminal.
    TerminalColours terminalColours(const QString& leftKey, const QString& rightKey,
                                    const CatalogueMessages& left, const CatalogueMessages& right);

    // The library's rows by the keys the importers look them up by, each built on first use.
    const library::RowIndex& configurationsByName();
    const library::RowIndex& configurationTerminals(); // StripConfigTerm by configuration
    const library::RowIndex& referencesByName();       // Channel by terminal model name
    const library::RowIndex& channelsOfStrip();        // Channel by strip key
    const library::RowIndex& stripsByKey();            // PanelStrip
    const library::RowIndex& terminalsOfChannel();     // PanelStripTerm by channel key

private:
    db::Database& m_database;
    const library::VendorLibrary& m_library;
    const db::DomainContext& m_domain;
    MessageInForce m_message;
    TermCatalogue m_catalogue;

    const library::RowIndex& index(std::optional<library::RowIndex>& slot,
                                   const library::LibraryTable& table, int width, int keyColumn);
    std::optional<library::RowIndex> m_configurationsByName;
    std::optional<library::RowIndex> m_configurationTerminals;
    std::optional<library::RowIndex> m_referencesByName;
    std::optional<library::RowIndex> m_channelsOfStrip;
    std::optional<library::RowIndex> m_stripsByKey;
    std::optional<library::RowIndex> m_terminalsOfChannel;
    std::optional<library::RowIndex> m_coloursByKey;
};

} // namespace tarnwell::import
