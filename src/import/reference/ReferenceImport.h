#pragma once

#include "import/ImportSession.h"
#include "library/LibraryRows.h"

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

private:
    void writeJunctionBox();
    void writeStrip(const library::LibraryTable::Row& strip);
    QString findOrCreateStripMfr(const library::PanelStripRow& strip);
    QString findOrCreateStripModel(const QString& stripMfrId, const library::PanelStripRow& strip);
    QString findOrCreateStripType(const library::PanelStripRow& strip);
    QString nextStripSequence();
    void writeChannel(const library::LibraryTable::Row& channel);
    void writeTerminal(const library::LibraryTable::Row& terminal);

    ImportSession& m_session;

    // Working values of the reference being written.
    QString panel_id;
    QString StripKey;
    QString strip_id;
    QString ChannelKey;
    QString term_mfr_id;
    QString term_mod_id;
    QString channel_id;
};

} // namespace tarnwell::import
