#pragma once

#include "library/RowIndex.h"
#include "library/VendorLibrary.h"

#include <optional>

namespace tarnwell::library {

// The library's rows by the keys the importers look them up by. Each index is built on first
// use, since a run may need only some of them, and then kept for the life of this object. The
// library must outlive it and stay unchanged once an index is built; one thread at a time.
class LibraryIndexes
{
public:
    explicit LibraryIndexes(const VendorLibrary& library);

    // StripConfigTerm rows by the configuration they belong to.
    const RowIndex& terminalsOfConfiguration();
    // Channel rows by the key of their reference strip.
    const RowIndex& channelsOfStrip();
    // PanelStrip rows by their strip key.
    const RowIndex& stripsByKey();
    // PanelStripTerm rows by the key of their channel.
    const RowIndex& terminalsOfChannel();
    // TerminalColors rows by the key terminals carry.
    const RowIndex& coloursByKey();

private:
    static const RowIndex& built(std::optional<RowIndex>& index, const LibraryTable& table,
                                 int width, int keyColumn);

    const VendorLibrary& m_library;
    std::optional<RowIndex> m_terminalsOfConfiguration;
    std::optional<RowIndex> m_channelsOfStrip;
    std::optional<RowIndex> m_stripsByKey;
    std::optional<RowIndex> m_terminalsOfChannel;
    std::optional<RowIndex> m_coloursByKey;
};

} // namespace tarnwell::library
