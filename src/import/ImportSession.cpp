#include "import/ImportSession.h"

#include "library/LibraryRows.h"

#include "db/Transaction.h"
#include "status/Failure.h"

#include <algorithm>

namespace tarnwell::import {

ImportSession::ImportSession(db::Database& database, const library::VendorLibrary& library,
                             const db::DomainContext& domain)
    : m_database(database), m_library(library), m_domain(domain),
      m_catalogue(database, domain, m_message)
{}

ApparatusOutcome ImportSession::writeWhole(const std::function<void()>& write,
                                           const QString& commitMessage,
                                           const std::function<void()>& afterFailure)
{
    m_message.disarm();
    db::Transaction transaction(m_database);
    try {
        write();
        m_message.arm(commitMessage);
        transaction.commit();
        return ApparatusOutcome::Written;
    } catch (const Failure& failure) {
        if (!m_message.isArmed())
            throw;
        // Roll back first: the report lets window events through, and a follow-up statement
        // such as switching triggers on must not run inside the failed transaction.
        transaction.rollback();
        m_database.ReportDbFailure(m_message.text(), failure.description());
        if (afterFailure)
            afterFailure();
        return ApparatusOutcome::Failed;
    }
}

const library::RowIndex& ImportSession::index(std::optional<library::RowIndex>& slot,
                                              const library::LibraryTable& table, int width,
                                              int keyColumn)
{
    if (!slot)
        slot.emplace(table, width, keyColumn);
    return *slot;
}

const library::RowIndex& ImportSession::configurationsByName()
{
    return index(m_configurationsByName, m_library.stripConfig, library::StripConfigWidth,
                 library::StripConfigRow::NameColumn);
}

const library::RowIndex& ImportSession::configurationTerminals()
{
    return index(m_configurationTerminals, m_library.stripConfigTerm, library::StripConfigTermWidth,
                 library::StripConfigTermRow::ConfigurationColumn);
}

const library::RowIndex& ImportSession::referencesByName()
{
    return index(m_referencesByName, m_library.channel, library::ChannelWidth,
                 library::ChannelRow::ReferenceNameColumn);
}

const library::RowIndex& ImportSession::channelsOfStrip()
{
    return index(m_channelsOfStrip, m_library.channel, library::ChannelWidth,
                 library::ChannelRow::StripKeyColumn);
}

const library::RowIndex& ImportSession::stripsByKey()
{
    return index(m_stripsByKey, m_library.panelStrip, library::PanelStripWidth,
                 library::PanelStripRow::StripKeyColumn);
}

const library::RowIndex& ImportSession::terminalsOfChannel()
{
    return index(m_terminalsOfChannel, m_library.panelStripTerm, library::PanelStripTermWidth,
                 library::PanelStripTermRow::ChannelKeyColumn);
}

TerminalColours ImportSession::terminalColours(const QString& leftKey, const QString& rightKey,
                                               const CatalogueMessages& left,
                                               const CatalogueMessages& right)
{
    TerminalColours colours{QStringLiteral("0"), QStringLiteral("0")};
    const library::RowIndex& byKey =
        index(m_coloursByKey, m_library.terminalColors, library::TerminalColorWidth,
              library::TerminalColorRow::KeyColumn);
    // The rows of either key in table order, as a walk over every colour would meet them.
    std::vector<int> starts = byKey.rowsOf(leftKey);
    if (rightKey != leftKey) {
        const std::vector<int>& rightRows = byKey.rowsOf(rightKey);
        starts.insert(starts.end(), rightRows.begin(), rightRows.end());
        std::sort(starts.begin(), starts.end());
    }
    for (const int start : starts) {
        const library::LibraryTable::Row row =
            m_library.terminalColors.row(start, library::TerminalColorWidth);
        const library::TerminalColorRow colour(row);
        const TermColorInput input{colour.name(), colour.value(), colour.description(),
                                   colour.userName(), colour.changeDate()};
        if (leftKey == colour.key())
            colours.left = m_catalogue.FindOrCreateTermColor(input, left);
        if (rightKey == colour.key())
            colours.right = m_catalogue.FindOrCreateTermColor(input, right);
    }
    byKey.throwIfIncomplete();
    return colours;
}

} // namespace tarnwell::import
