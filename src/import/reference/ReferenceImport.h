#pragma once

#include "import/ImportSteps.h"
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
    explicit ReferenceImport(ImportSteps& steps) : m_steps(steps) {}

    // The reference listed from the Channel row that starts at value `rowStart`. A strip that
    // this run already wrote is not written again; that counts as Written, with a status line.
    ApparatusOutcome ImportReference(int rowStart);

    // The strip keys this import has written whole: one ReferenceImport serves one run.
    const std::set<QString>& writtenStrips() const { return m_writtenStrips; }

private:
    // The box's identifier, with the message of the last statement its step sent.
    Found writeJunctionBox();
    QString writeStrip(const library::LibraryTable::Row& strip, const QString& panelId);
    QString nextStripSequence();
    // Returns the message of the channel's last statement.
    const QString& writeChannel(const library::LibraryTable::Row& channel, const QString& panelId,
                                const QString& stripId);
    // `before` is the message of the statement sent just before the terminal's own.
    void writeTerminal(const library::LibraryTable::Row& terminal,
                       const reference::ChannelIds& channel, const QString& before);

    ImportSteps& m_steps;
    std::set<QString> m_writtenStrips;
};

} // namespace tarnwell::import
