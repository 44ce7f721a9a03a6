#pragma once

#include "import/ImportSession.h"
#include "import/reference/ReferenceStatements.h"
#include "library/LibraryRows.h"

#include <set>

#include <QString>

namespace tarnwell::import {

// Writes library reference strips into the library junction box: per reference the box (found
// or created), the strip with its manufacturer, model and type, every channel of the strip with
// its terminal manufacturer and model, and every terminal with its colours, all in one
// transaction. A strip written once in a run is not written again in that run.
class ReferenceImport
{
public:
    explicit ReferenceImport(ImportSession& session) : m_session(session) {}

    // The reference whose first Channel row carries `name` as its terminal model name. A name
    // that no row carries is reported as a failure and nothing is written for it.
    void ImportReference(const QString& name);
    // The reference listed from the Channel row that starts at value `rowStart`. A strip that
    // this run already wrote is not written again; that counts as Written, with a status line.
    ApparatusOutcome importChannelRow(int rowStart);

    // The strip keys this import has written whole: one ReferenceImport serves one run.
    const std::set<QString>& writtenStrips() const { return m_writtenStrips; }

private:
    // Each returns the identifier of what it found or wrote.
    QString writeJunctionBox();
    QString writeStrip(const library::LibraryTable::Row& strip, const QString& panelId);
    QString findOrCreateStripMfr(const library::PanelStripRow& strip);
    QString findOrCreateStripModel(const QString& stripMfrId, const library::PanelStripRow& strip);
    QString findOrCreateStripType(const library::PanelStripRow& strip);
    QString nextStripSequence();
    void writeChannel(const library::LibraryTable::Row& channel, const QString& panelId,
                      const QString& stripId);
    void writeTerminal(const library::LibraryTable::Row& terminal,
                       const reference::ChannelIds& channel);

    ImportSession& m_session;
    std::set<QString> m_writtenStrips;
};

} // namespace tarnwell::import
