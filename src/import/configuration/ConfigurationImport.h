#pragma once

#include "import/ImportSession.h"

#include <QString>

#include <optional>

namespace tarnwell::import {

// Writes library configurations into the domain: the strip_config row, its terminal
// manufacturer and model, and every terminal with its colours, all in one transaction.
class ConfigurationImport
{
public:
    explicit ConfigurationImport(ImportSession& session) : m_session(session) {}

    // The first StripConfig row whose model name is exactly `name`; nothing, silently, when
    // none is. Running past the table's end is a failure for the run.
    void ImportConfiguration(const QString& name);
    // The StripConfig row that starts at value `rowStart`.
    ApparatusOutcome importRow(int rowStart);

private:
    void writeConfiguration(const library::LibraryTable::Row& row);
    void writeTerminal(const library::LibraryTable::Row& terminal, const QString& stripConfigId);

    ImportSession& m_session;
};

} // namespace tarnwell::import
