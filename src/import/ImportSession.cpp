#include "import/ImportSession.h"

#include "library/LibraryRows.h"

#include "db/Transaction.h"
#include "status/StatusLog.h"

#include <QRegularExpression>

#include <algorithm>

namespace tarnwell::import {

ImportSession::ImportSession(db::Database& database, status::StatusLog& status,
                             const library::VendorLibrary& library, const db::DomainContext& domain)
    : m_database(database), m_status(status), m_library(library), m_domain(domain),
      m_catalogue(*this)
{}

ApparatusOutcome ImportSession::writeWhole(const std::function<void()>& write,
                                           const QString& commitMessage,
                                           const std::function<void()>& afterFailure)
{
    m_apparatusRows.clear();
    std::optional<db::Transaction> transaction;
    try {
        // An apparatus that cannot even begin as one unit is not written either, and the run
        // goes on with the next.
        step(commitMessage, [&] { transaction.emplace(m_database); });
        write();
        step(commitMessage, [&] { transaction->commit(); });
    } catch (const StepFailure& failure) {
        // Roll back first: a follow-up statement such as switching triggers on must not run
        // inside the failed transaction.
        if (transaction)
            transaction->rollback();
        m_status.ReportDbFailure(failure.message(), failure.description());
        if (afterFailure)
            afterFailure();
        return ApparatusOutcome::Failed;
    }
    if (m_checkedRows) {
        for (const auto& [table, rows] : m_apparatusRows)
            (*m_checkedRows)[table] += rows;
    }
    return ApparatusOutcome::Written;
}

void ImportSession::send(const QString& sql)
{
    m_database.RunCommand(sql);
    if (!m_checkedRows)
        return;
    static const QRegularExpression insert(QStringLiteral(R"(^\s*INSERT\s+INTO\s+(\w+))"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = insert.match(sql);
    if (match.hasMatch())
        ++m_apparatusRows[match.captured(1).toLower()];
}

void ImportSession::command(const QString& message, const QString& sql)
{
    step(message, [&] { send(sql); });
}

void ImportSession::command(const QString& message, const std::function<QString()>& build)
{
    step(message, [&] { send(build()); });
}

QString ImportSession::nextId(IdTable table, const QString& message)
{
    return step(message, [&] { return NextRecordId(m_database, table); });
}

const library::RowIndex& ImportSession::index(std::optional<library::RowIndex>& slot,
                                              const library::LibraryTable& table, int width,
                                              int keyColumn)
{
    if (!slot)
        slot.emplace(table, width, keyColumn);
    return *slot;
}

const library::RowIndex& ImportSession::configurationTerminals()
{
    return index(m_configurationTerminals, m_library.stripConfigTerm, library::StripConfigTermWidth,
                 library::StripConfigTermRow::ConfigurationColumn);
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
                                               const CatalogueMessages& right,
                                               const QString& before)
{
    TerminalColours colours{QStringLiteral("0"), QStringLiteral("0"), before};
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
        if (leftKey == colour.key()) {
            const Found found = m_catalogue.FindOrCreateTermColor(input, left);
            colours.left = found.id;
            colours.lastMessage = found.lastMessage;
        }
        if (rightKey == colour.key()) {
            const Found found = m_catalogue.FindOrCreateTermColor(input, right);
            colours.right = found.id;
            colours.lastMessage = found.lastMessage;
        }
    }
    step(colours.lastMessage, [&] { byKey.throwIfIncomplete(); });
    return colours;
}

} // namespace tarnwell::import
