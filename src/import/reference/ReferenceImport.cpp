#include "import/reference/ReferenceImport.h"

#include "db/Sql.h"
#include "import/FindOrCreate.h"
#include "import/reference/ReferenceStatements.h"
#include "library/LibraryRows.h"
#include "status/Failure.h"
#include "status/StatusLog.h"

#include <QDate>

#include <optional>

namespace tarnwell::import {

using library::LibraryTable;
using namespace reference;

namespace {

const QString BoxLookupMessage = QStringLiteral(
    "Couldn't retrieve the PROJ_ID and SITE_ID from the database. Database reports: ");
const QString PanelMessage =
    QStringLiteral("Didn't insert the reference PANEL properly. Database reports: ");
const QString UdfPanelMessage =
    QStringLiteral("Didn't insert an entry into UDF_PANEL properly. Database reports: ");
const CatalogueMessages StripMfrMessages{
    QStringLiteral("Didn't check for existing STRIP_MFR properly. Database reports: "),
    QStringLiteral("Didn't insert the new STRIP_MFR properly. Database reports: ")};
const CatalogueMessages StripModelMessages{
    QStringLiteral("Didn't check for existing STRIP_MOD properly. Database reports: "),
    QStringLiteral("Didn't insert the new STRIP_MOD properly. Database reports: ")};
const CatalogueMessages StripTypeMessages{
    QStringLiteral("Didn't check for existing STRIP_TYPE_NAME properly. Database reports: "),
    QStringLiteral("Didn't insert the new STRIP_TYPE properly. Database reports: ")};
const QString SequenceMessage =
    QStringLiteral("Didn't return MAX SEQUENCE NUMBER properly. Database reports: ");
const QString StripMessage =
    QStringLiteral("Didn't insert the reference STRIP properly. Database reports: ");
const QString ChannelMessage =
    QStringLiteral("Didn't insert the reference CHANNEL properly. Database reports: ");
const QString TerminalMessage =
    QStringLiteral("Didn't insert the reference TERMINAL properly. Database reports: ");
const QString CommitMessage =
    QStringLiteral("Didn't save the REFERENCE as a whole. Database reports: ");

const CatalogueMessages MfrMessages{
    QStringLiteral("Didn't check existing TERM_MFR_NAME properly. Database reports: "),
    QStringLiteral("Didn't insert the TERM_MFR properly. Database reports: ")};
const CatalogueMessages ModelMessages{
    QStringLiteral("Didn't check the TERM_MOD_NAME properly. Database reports: "),
    QStringLiteral(
        "Didn't insert the new TERM_MFR_MOD for a Reference properly. Database reports: ")};
// Both sides share one lookup message; only the inserts say which side they are for.
const QString ColorCheckMessage =
    QStringLiteral("Didn't check for existing TERM_COLOR properly. Database reports: ");
const CatalogueMessages LeftColorMessages{
    ColorCheckMessage,
    QStringLiteral(
        "Didn't insert the new TERM_COLOR for the LEFT terminal color. Database reports: ")};
const CatalogueMessages RightColorMessages{
    ColorCheckMessage,
    QStringLiteral(
        "Didn't insert the new TERM_COLOR for the RIGHT terminal color. Database reports: ")};

LibraryTable::Row locateStrip(const library::RowIndex& byKey, const LibraryTable& strips,
                              const QString& stripKey)
{
    const std::optional<int> start = byKey.first(stripKey);
    if (!start)
        throw Failure(QStringLiteral("The library has no strip with the key \"") + stripKey +
                      QStringLiteral("\"."));
    return strips.row(*start, library::PanelStripWidth);
}

} // namespace

ApparatusOutcome ReferenceImport::ImportReference(int rowStart)
{
    const LibraryTable& channels = m_steps.library().channel;
    std::optional<LibraryTable::Row> channel;
    std::optional<Failure> unreadable;
    try {
        channel = channels.row(rowStart, library::ChannelWidth);
    } catch (const Failure& failure) {
        unreadable = failure;
    }

    // Every channel of a strip is listed as a reference of its own; the strip they share goes
    // into the box once per run.
    if (channel && m_writtenStrips.count(library::ChannelRow(*channel).stripKey()) > 0) {
        m_steps.status().ShowStatus(
            QStringLiteral("Reference ") + library::ChannelRow(*channel).referenceName() +
            QStringLiteral(" not written again: its strip was already imported in this run."));
        return ApparatusOutcome::Written;
    }

    QString stripKey;
    const ApparatusOutcome outcome = m_steps.writeWhole(
        [&] {
            const Found box = writeJunctionBox();
            // The library is searched after the box step, under its last message.
            const LibraryTable::Row strip = m_steps.step(box.lastMessage, [&] {
                if (unreadable)
                    throw *unreadable;
                stripKey = library::ChannelRow(*channel).stripKey();
                return locateStrip(m_steps.indexes().stripsByKey(), m_steps.library().panelStrip,
                                   stripKey);
            });
            const QString stripId = writeStrip(strip, box.id);

            const library::RowIndex& stripChannels = m_steps.indexes().channelsOfStrip();
            const QString* last = &StripMessage;
            for (const int start : stripChannels.rowsOf(stripKey))
                last = &writeChannel(stripChannels.row(start), box.id, stripId);
            m_steps.step(*last, [&] { stripChannels.throwIfIncomplete(); });
        },
        CommitMessage);
    if (outcome == ApparatusOutcome::Written)
        m_writtenStrips.insert(stripKey);
    return outcome;
}

Found ReferenceImport::writeJunctionBox()
{
    const std::optional<QString> existing =
        m_steps.lookup(BoxLookupMessage, junctionBoxLookup(), 1);
    if (existing)
        return {*existing, BoxLookupMessage};
    const QString panelId = m_steps.nextId(IdTable::Panel, BoxLookupMessage);

    const QString today = db::sql::dateText(QDate::currentDate());
    m_steps.insert(tableName(IdTable::Panel), PanelMessage,
                   [&] { return panelInsert(panelId, m_steps.domain(), ImporterUserName, today); });
    m_steps.insert(QStringLiteral("udf_panel"), UdfPanelMessage, [&] {
        return udfPanelInsert(panelId, m_steps.domain(), ImporterUserName, today);
    });
    m_steps.foresight().lookedUp(junctionBoxLookup(), 1, panelId);
    return {panelId, UdfPanelMessage};
}

QString ReferenceImport::writeStrip(const LibraryTable::Row& values, const QString& panelId)
{
    const library::PanelStripRow strip(values);
    const db::DomainContext& domain = m_steps.domain();
    StripIds ids;
    ids.panelId = panelId;
    ids.stripMfrId = strip.manufacturer().isEmpty()
                         ? QStringLiteral("0")
                         : findOrCreate(
                               m_steps, stripMfrLookup(strip), 1, IdTable::StripMfr,
                               [&](const QString& id) { return stripMfrInsert(id, domain, strip); },
                               StripMfrMessages)
                               .id;
    ids.stripModId =
        strip.model().isEmpty()
            ? QStringLiteral("0")
            : findOrCreate(
                  m_steps, stripModelLookup(strip, ids.stripMfrId), 1, IdTable::StripMfrMod,
                  [&](const QString& id) {
                      return stripModelInsert(ids.stripMfrId, id, domain, strip);
                  },
                  StripModelMessages)
                  .id;
    // Unlike manufacturer and model, an empty type name is looked up and created as it is.
    ids.stripTypeId = findOrCreate(
                          m_steps, stripTypeLookup(strip), 1, IdTable::StripType,
                          [&](const QString& id) { return stripTypeInsert(id, domain, strip); },
                          StripTypeMessages)
                          .id;
    ids.sequence = nextStripSequence();
    ids.stripId = m_steps.nextId(IdTable::PanelStrip, SequenceMessage);
    m_steps.insert(tableName(IdTable::PanelStrip), StripMessage,
                   [&] { return panelStripInsert(ids, domain, strip); });
    return ids.stripId;
}

QString ReferenceImport::nextStripSequence()
{
    const QString query = stripSequenceQuery();
    const QString sequence = m_steps.query(
        SequenceMessage, query,
        [](const db::ResultSet& rows) {
            const db::Value largest = rows.value(0);
            if (!largest)
                return QStringLiteral("1");
            bool ok = false;
            const qlonglong sequence = largest->toLongLong(&ok);
            if (!ok)
                throw Failure(QStringLiteral("The largest strip sequence \"") + *largest +
                              QStringLiteral("\" is not a whole number."));
            return QString::number(sequence + 1);
        },
        m_steps.foresight().largest(query));
    // The strip about to be written carries the largest sequence from now on.
    m_steps.foresight().raised(query, sequence);
    return sequence;
}

const QString& ReferenceImport::writeChannel(const LibraryTable::Row& values,
                                             const QString& panelId, const QString& stripId)
{
    const library::ChannelRow channel(values);
    TermCatalogue& catalogue = m_steps.catalogue();

    ChannelIds ids;
    ids.panelId = panelId;
    ids.stripId = stripId;
    ids.termMfrId =
        catalogue
            .FindOrCreateTermMfr({channel.manufacturer(), channel.manufacturerDescription(),
                                  channel.manufacturerUserName(), channel.manufacturerChangeDate()},
                                 MfrMessages)
            .id;
    const Found model = catalogue.FindOrCreateTermModel(
        ids.termMfrId,
        {channel.referenceName(), channel.modelHeight(), channel.modelHeightUnit(),
         channel.modelWidth(), channel.modelWidthUnit(), channel.modelDepth(),
         channel.modelDepthUnit(), channel.modelDescription(), channel.modelUserName(),
         channel.modelChangeDate()},
        ModelMessages);
    ids.termModId = model.id;
    // No message of its own: asked for under the model step's last one.
    ids.channelId = m_steps.nextId(IdTable::Channel, model.lastMessage);

    const bool sideAndConnector = m_steps.database().release().hasChannelSideAndConnector();
    m_steps.insert(tableName(IdTable::Channel), ChannelMessage,
                   [&] { return channelInsert(ids, m_steps.domain(), channel, sideAndConnector); });

    const library::RowIndex& terminals = m_steps.indexes().terminalsOfChannel();
    const QString* last = &ChannelMessage;
    for (const int start : terminals.rowsOf(channel.channelKey())) {
        writeTerminal(terminals.row(start), ids, *last);
        last = &TerminalMessage;
    }
    m_steps.step(*last, [&] { terminals.throwIfIncomplete(); });
    return *last;
}

void ReferenceImport::writeTerminal(const LibraryTable::Row& values, const ChannelIds& channel,
                                    const QString& before)
{
    const library::PanelStripTermRow terminal(values);
    const TerminalColours colours =
        m_steps.catalogue().terminalColours(terminal.leftColourKey(), terminal.rightColourKey(),
                                            LeftColorMessages, RightColorMessages, before);

    // No message of its own: asked for under the last one sent, the colour steps' or `before`.
    const QString termId = m_steps.nextId(IdTable::PanelStripTerm, colours.lastMessage);
    m_steps.insert(tableName(IdTable::PanelStripTerm), TerminalMessage, [&] {
        return panelStripTermInsert({channel.panelId, channel.stripId, termId, channel.termMfrId,
                                     channel.termModId, channel.channelId, colours.left,
                                     colours.right},
                                    m_steps.domain(), terminal);
    });
}

} // namespace tarnwell::import
