#pragma once

#include "library/VendorLibrary.h"

#include <QString>

// Read-only views of library rows: one accessor for each value the program reads, so that the
// column number of a value is written here once and nowhere else. A view refers to a row it does
// not own; the row must outlive it.
namespace tarnwell::library {

class RowView
{
public:
    explicit RowView(const LibraryTable::Row& row) : m_row(row) {}

protected:
    const QString& at(int column) const { return m_row[column]; }

private:
    const LibraryTable::Row& m_row;
};

// A row of StripConfig: one configuration, with its terminal manufacturer and model.
class StripConfigRow : public RowView
{
public:
    // The key its StripConfigTerm rows carry.
    static constexpr int LibraryIdColumn = 0;
    // The terminal model's name, which is the name the configuration is listed and found under.
    static constexpr int NameColumn = 23;

    using RowView::RowView;

    const QString& libraryId() const { return at(LibraryIdColumn); }
    const QString& changeStatus() const { return at(4); }
    const QString& changeDate() const { return at(5); }
    const QString& userName() const { return at(6); }
    const QString& stripConfigName() const { return at(7); }
    const QString& description() const { return at(8); }
    const QString& defaultStripName() const { return at(9); }
    const QString& terminalCount() const { return at(10); }
    const QString& firstTerminal() const { return at(11); }
    const QString& firstChannelNumber() const { return at(12); }
    const QString& terminalsInChannel() const { return at(13); }
    const QString& hardwareCount() const { return at(16); }
    const QString& configType() const { return at(17); }
    const QString& category() const { return at(18); }
    const QString& terminatorFlag() const { return at(19); }
    const QString& prefix() const { return at(20); }
    const QString& numbered() const { return at(21); }

    const QString& manufacturer() const { return at(22); }
    const QString& manufacturerDescription() const { return at(31); }
    const QString& manufacturerUserName() const { return at(32); }
    const QString& manufacturerChangeDate() const { return at(33); }

    const QString& name() const { return at(NameColumn); }
    const QString& modelHeight() const { return at(24); }
    const QString& modelHeightUnit() const { return at(25); }
    const QString& modelWidth() const { return at(26); }
    const QString& modelWidthUnit() const { return at(27); }
    const QString& modelDepth() const { return at(28); }
    const QString& modelDepthUnit() const { return at(29); }
    const QString& modelDescription() const { return at(30); }
    const QString& modelUserName() const { return at(34); }
    const QString& modelChangeDate() const { return at(35); }
};

// A row of StripConfigTerm: one terminal of a configuration.
class StripConfigTermRow : public RowView
{
public:
    // The configuration's StripConfigRow::libraryId().
    static constexpr int ConfigurationColumn = 0;

    using RowView::RowView;

    const QString& changeNumber() const { return at(4); }
    const QString& changeStatus() const { return at(5); }
    const QString& changeDate() const { return at(6); }
    const QString& userName() const { return at(7); }
    const QString& prefix() const { return at(8); }
    const QString& suffix() const { return at(9); }
    const QString& incrementedFlag() const { return at(10); }
    const QString& numberedFlag() const { return at(11); }
    const QString& leftColourKey() const { return at(12); }
    const QString& rightColourKey() const { return at(13); }
    const QString& hardwareFlag() const { return at(14); }
    const QString& channelLeft() const { return at(15); }
    const QString& channelRight() const { return at(16); }
    const QString& functionLeft() const { return at(17); }
    const QString& functionRight() const { return at(18); }
    const QString& polarityLeft() const { return at(19); }
    const QString& polarityRight() const { return at(20); }
    const QString& terminalNumber() const { return at(21); }
};

// A row of TerminalColors: one colour, found by the key terminals carry.
class TerminalColorRow : public RowView
{
public:
    static constexpr int KeyColumn = 0;

    using RowView::RowView;

    const QString& key() const { return at(KeyColumn); }
    const QString& name() const { return at(1); }
    const QString& value() const { return at(2); }
    const QString& description() const { return at(3); }
    const QString& userName() const { return at(4); }
    const QString& changeDate() const { return at(5); }
};

// A row of PanelStrip: one reference strip, with its manufacturer, model and type.
class PanelStripRow : public RowView
{
public:
    // The key its Channel rows carry.
    static constexpr int StripKeyColumn = 1;

    using RowView::RowView;

    const QString& stripKey() const { return at(StripKeyColumn); }
    const QString& changeNumber() const { return at(4); }
    const QString& userName() const { return at(6); }
    const QString& changeDate() const { return at(8); }
    const QString& stripName() const { return at(12); }
    const QString& dimensions() const { return at(13); }
    const QString& mounting() const { return at(14); }
    const QString& category() const { return at(55); }
    const QString& rail() const { return at(57); }

    const QString& manufacturer() const { return at(74); }
    const QString& manufacturerDescription() const { return at(87); }
    const QString& manufacturerUserName() const { return at(88); }
    const QString& manufacturerChangeDate() const { return at(89); }

    const QString& model() const { return at(76); }
    const QString& modelDescription() const { return at(77); }
    const QString& modelMounting() const { return at(78); }
    const QString& modelHeight() const { return at(79); }
    const QString& modelHeightUnit() const { return at(80); }
    const QString& modelWidth() const { return at(81); }
    const QString& modelWidthUnit() const { return at(82); }
    const QString& modelDepth() const { return at(83); }
    const QString& modelDepthUnit() const { return at(84); }
    const QString& modelRailSize() const { return at(85); }
    const QString& modelRailUnit() const { return at(86); }
    const QString& modelUserName() const { return at(90); }
    const QString& modelChangeDate() const { return at(91); }

    const QString& type() const { return at(75); }
    const QString& typeUserName() const { return at(92); }
    const QString& typeChangeDate() const { return at(93); }
};

// A row of Channel: one channel of a reference strip, with its terminal manufacturer and model.
class ChannelRow : public RowView
{
public:
    // The strip's PanelStripRow::stripKey().
    static constexpr int StripKeyColumn = 1;
    // The terminal model's name, which is the name the reference is listed and found under.
    static constexpr int ReferenceNameColumn = 52;

    using RowView::RowView;

    const QString& stripKey() const { return at(StripKeyColumn); }
    // The key its PanelStripTerm rows carry.
    const QString& channelKey() const { return at(2); }
    const QString& channelName() const { return at(3); }
    const QString& changeNumber() const { return at(6); }
    const QString& userName() const { return at(7); }
    const QString& changeStatus() const { return at(8); }
    const QString& changeDate() const { return at(9); }
    const QString& engineeringProject() const { return at(14); }
    const QString& engineeringReference() const { return at(15); }
    const QString& category() const { return at(34); }
    const QString& apparatus() const { return at(35); }
    const QString& description() const { return at(36); }
    const QString& sequence() const { return at(37); }
    const QString& terminatorFlag() const { return at(42); }
    const QString& signalType() const { return at(48); }
    const QString& primaryApparatus() const { return at(49); }
    const QString& secondaryApparatus() const { return at(50); }
    const QString& side() const { return at(61); }
    const QString& connector() const { return at(62); }

    const QString& manufacturer() const { return at(51); }
    const QString& manufacturerDescription() const { return at(60); }
    const QString& manufacturerUserName() const { return at(63); }
    const QString& manufacturerChangeDate() const { return at(64); }

    const QString& referenceName() const { return at(ReferenceNameColumn); }
    const QString& modelHeight() const { return at(53); }
    const QString& modelHeightUnit() const { return at(54); }
    const QString& modelWidth() const { return at(55); }
    const QString& modelWidthUnit() const { return at(56); }
    const QString& modelDepth() const { return at(57); }
    const QString& modelDepthUnit() const { return at(58); }
    const QString& modelDescription() const { return at(59); }
    const QString& modelUserName() const { return at(65); }
    const QString& modelChangeDate() const { return at(66); }
};

// A row of PanelStripTerm: one terminal of a reference channel.
class PanelStripTermRow : public RowView
{
public:
    // The channel's ChannelRow::channelKey().
    static constexpr int ChannelKeyColumn = 20;

    using RowView::RowView;

    const QString& userName() const { return at(6); }
    const QString& changeDate() const { return at(8); }
    const QString& sequence() const { return at(9); }
    const QString& number() const { return at(10); }
    const QString& leftColourKey() const { return at(14); }
    const QString& areaId() const { return at(15); }
    const QString& plantId() const { return at(16); }
    const QString& unitId() const { return at(17); }
    const QString& splitFlag() const { return at(21); }
    const QString& secondaryName() const { return at(22); }
    const QString& hardwarePosition() const { return at(43); }
    const QString& hardwareFlag() const { return at(44); }
    const QString& rightColourKey() const { return at(45); }
    const QString& engineeringProject() const { return at(47); }
    const QString& engineeringReference() const { return at(48); }
    const QString& portRight() const { return at(49); }
    const QString& portLeft() const { return at(50); }
    const QString& pinRight() const { return at(51); }
    const QString& pinLeft() const { return at(52); }
    const QString& polarityRight() const { return at(53); }
    const QString& polarityLeft() const { return at(54); }
    const QString& functionLeft() const { return at(55); }
    const QString& functionRight() const { return at(56); }
    const QString& sourceId() const { return at(61); }
};

} // namespace tarnwell::library
