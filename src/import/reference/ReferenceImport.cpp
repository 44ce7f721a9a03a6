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
const QString StripMfrCheckMessage =
    QStringLiteral("Didn't check for existing STRIP_MFR properly. Database reports: ");
const QString StripMfrInsertMessage =
    QStringLiteral("Didn't insert the new STRIP_MFR properly. Database reports: ");
const QString StripModCheckMessage =
    QStringLiteral("Didn't check for existing STRIP_MOD properly. Database reports: ");
const QString StripModInsertMessage =
    QStringLiteral("Didn't insert the new STRIP_MOD properly. Database reports: ");
const QString StripTypeCheckMessage =
    QStringLiteral("Didn't check for existing STRIP_TYPE_NAME properly. Database reports: ");
const QString StripTypeInsertMessage =
    QStringLiteral("Didn't insert the new STRIP_TYPE properly. Database reports: ");
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

// The start of the first Channel row whose terminal model name is exactly `name`.
int locateReference(const library::RowIndex& byName, const QString& name)
{
    const std::optional<int> start = byName.first(name);
    if (!start)
        throw Failure(QStringLiteral("The library has no reference named \"") + name +
                      QStringLiteral("\"."));
    return *start;
}

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

void ReferenceImport::ImportReference(const QString& name)
{
    // The reference is looked up before anything is sent, so that a strip this run already
    // wrote costs no statement. One that cannot be found fails where the library search
    // belongs, after the box step and under its message, and takes the box back with it.
    std::optional<int> rowStart;
    std::optional<Failure> missing;
    try {
        rowStart = locateReference(m_session.referencesByName(), name);
    } catch (const Failure& failure) {
        missing = failure;
    }
    if (rowStart) {
        importChannelRow(*rowStart);
        return;
    }
    m_session.writeWhole(
        [&] {
            writeJunctionBox();
            throw *missing;
        },
        CommitMessage);
}

ApparatusOutcome ReferenceImport::importChannelRow(int rowStart)
{
    const LibraryTable& channels = m_session.library().channel;
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
        m_session.database().status().ShowStatus(
            QStringLiteral("Reference ") + library::ChannelRow(*channel).referenceName() +
            QStringLiteral(" not written again: its strip was already imported in this run."));
        return ApparatusOutcome::Written;
    }

    QString stripKey;
    const ApparatusOutcome outcome = m_session.writeWhole(
        [&] {
            const QString panelId = writeJunctionBox();
            if (unreadable)
                throw *unreadable;
            stripKey = library::ChannelRow(*channel).stripKey();
            const QString stripId = writeStrip(
                locateStrip(m_session.stripsByKey(), m_session.library().panelStrip, stripKey),
                panelId);
            m_session.channelsOfStrip().forEach(stripKey, [&](const LibraryTable::Row& row, int) {
                writeChannel(row, panelId, stripId);
            });
        },
        CommitMessage);
    if (outcome == ApparatusOutcome::Written)
        m_writtenStrips.insert(stripKey);
    return outcome;
}

QString ReferenceImport::writeJunctionBox()
{
    db::Database& database = m_session.database();
    MessageInForce& message = m_session.message();

    message.arm(BoxLookupMessage);
    const db::ResultSet box = database.RunQuery(junctionBoxLookup());
    if (const auto id = box.found(1))
        return *id;
    const QString panelId = database.NextRecordId(db::IdTable::Panel);

    const QString today = db::sql::dateText(QDate::currentDate());
    message.arm(PanelMessage);
    database.RunCommand(panelInsert(panelId, m_session.domain(), ImporterUserName, today));
    message.arm(UdfPanelMessage);
    database.RunCommand(udfPanelInsert(panelId, m_session.domain(), ImporterUserName, today));
    return panelId;
}

QString ReferenceImport::writeStrip(const LibraryTable::Row& values, const QString& panelId)
{
    const library::PanelStripRow strip(values);
    StripIds ids;
    ids.panelId = panelId;
    ids.stripMfrId = findOrCreateStripMfr(strip);
    ids.stripModId = findOrCreateStripModel(ids.stripMfrId, strip);
    ids.stripTypeId = findOrCreateStripType(strip);
    ids.sequence = nextStripSequence();
    db::Database& database = m_session.database();
    ids.stripId = database.NextRecordId(db::IdTable::PanelStrip);
    m_session.message().arm(StripMessage);
    database.RunCommand(panelStripInsert(ids, m_session.domain(), strip));
    return ids.stripId;
}

QString ReferenceImport::findOrCreateStripMfr(const library::PanelStripRow& strip)
{
    if (strip.manufacturer().isEmpty())
        return QStringLiteral("0");
    return findOrCreate(
        m_session.database(), m_session.message(), stripMfrLookup(strip), 1, db::IdTable::StripMfr,
        [&](const QString& id) { return stripMfrInsert(id, m_session.domain(), strip); },
        StripMfrCheckMessage, StripMfrInsertMessage);
}

QString ReferenceImport::findOrCreateStripModel(const QString& stripMfrId,
                                                const library::PanelStripRow& strip)
{
    if (strip.model().isEmpty())
        return QStringLiteral("0");
    return findOrCreate(
        m_session.database(), m_session.message(), stripModelLookup(strip, stripMfrId), 1,
        db::IdTable::StripMfrMod,
        [&](const QString& id) {
            return stripModelInsert(stripMfrId, id, m_session.domain(), strip);
        },
        StripModCheckMessage, StripModInsertMessage);
}

QString ReferenceImport::findOrCreateStripType(const library::PanelStripRow& strip)
{
    // Unlike manufacturer and model, an empty type name is looked up and created as it is.
    return findOrCreate(
        m_session.database(), m_session.message(), stripTypeLookup(strip), 1,
        db::IdTable::StripType,
        [&](const QString& id) { return stripTypeInsert(id, m_session.domain(), strip); },
        StripTypeCheckMessage, StripTypeInsertMessage);
}

QString ReferenceImport::nextStripSequence()
{
    m_session.message().arm(SequenceMessage);
    const db::Value largest = m_session.database().RunQuery(stripSequenceQuery()).value(0);
    if (!largest)
        return QStringLiteral("1");
    bool ok = false;
    const qlonglong sequence = largest->toLongLong(&ok);
    if (!ok)
        throw Failure(QStringLiteral("The largest strip sequence \"") + *largest +
                      QStringLiteral("\" is not a whole number."));
    return QString::number(sequence + 1);
}

void ReferenceImport::writeChannel(const LibraryTable::Row& values, const QString& panelId,
                                   const QString& stripId)
{
    const library::ChannelRow channel(values);
    db::Database& database = m_session.database();
    TermCatalogue& catalogue = m_session.catalogue();

    ChannelIds ids;
    ids.panelId = panelId;
    ids.stripId = stripId;
    ids.termMfrId = catalogue.FindOrCreateTermMfr(
        {channel.manufacturer(), channel.manufacturerDescription(), channel.manufacturerUserName(),
         channel.manufacturerChangeDate()},
        MfrMessages);
    ids.termModId = catalogue.FindOrCreateTermModel(
        ids.termMfrId,
        {channel.referenceName(), channel.modelHeight(), channel.modelHeightUnit(),
         channel.modelWidth(), channel.modelWidthUnit(), channel.modelDepth(),
         channel.modelDepthUnit(), channel.modelDescription(), channel.modelUserName(),
         channel.modelChangeDate()},
        ModelMessages);
    // Asked for under the model's message, which is still in force.
    ids.channelId = database.NextRecordId(db::IdTable::Channel);

    m_session.message().arm(ChannelMessage);
    database.RunCommand(channelInsert(ids, m_session.domain(), channel,
                                      database.release().hasChannelSideAndConnector()));

    m_session.terminalsOfChannel().forEach(
        channel.channelKey(),
        [&](const LibraryTable::Row& terminal, int) { writeTerminal(terminal, ids); });
}

void ReferenceImport::writeTerminal(const LibraryTable::Row& values, const ChannelIds& channel)
{
    const library::PanelStripTermRow terminal(values);
    db::Database& database = m_session.database();
    const TerminalColours colours = m_session.terminalColours(
        terminal.leftColourKey(), terminal.rightColourKey(), LeftColorMessages, RightColorMessages);

    // Asked for under whichever message is in force: the last colour step's, or the channel's
    // or previous terminal's when no colour statement was sent.
    const QString termId = database.NextRecordId(db::IdTable::PanelStripTerm);
    m_session.message().arm(TerminalMessage);
    database.RunCommand(
        panelStripTermInsert({channel.panelId, channel.stripId, termId, channel.termMfrId,
                              channel.termModId, channel.channelId, colours.left, colours.right},
                             m_session.domain(), terminal));
}

} // namespace tarnwell::import
