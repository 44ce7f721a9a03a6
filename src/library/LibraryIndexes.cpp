#include "library/LibraryIndexes.h"

#include "library/LibraryRows.h"

namespace tarnwell::library {

LibraryIndexes::LibraryIndexes(const VendorLibrary& library) : m_library(library) {}

const RowIndex& LibraryIndexes::built(std::optional<RowIndex>& index, const LibraryTable& table,
                                      int width, int keyColumn)
{
    if (!index)
        index.emplace(table, width, keyColumn);
    return *index;
}

const RowIndex& LibraryIndexes::terminalsOfConfiguration()
{
    return built(m_terminalsOfConfiguration, m_library.stripConfigTerm, StripConfigTermWidth,
                 StripConfigTermRow::ConfigurationColumn);
}

const RowIndex& LibraryIndexes::channelsOfStrip()
{
    return built(m_channelsOfStrip, m_library.channel, ChannelWidth, ChannelRow::StripKeyColumn);
}

const RowIndex& LibraryIndexes::stripsByKey()
{
    return built(m_stripsByKey, m_library.panelStrip, PanelStripWidth,
                 PanelStripRow::StripKeyColumn);
}

const RowIndex& LibraryIndexes::terminalsOfChannel()
{
    return built(m_terminalsOfChannel, m_library.panelStripTerm, PanelStripTermWidth,
                 PanelStripTermRow::ChannelKeyColumn);
}

const RowIndex& LibraryIndexes::coloursByKey()
{
    return built(m_coloursByKey, m_library.terminalColors, TerminalColorWidth,
                 TerminalColorRow::KeyColumn);
}

} // namespace tarnwell::library
