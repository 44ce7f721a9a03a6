#pragma once

#include "import/ImportSteps.h"

#include <QString>

namespace tarnwell::import {

// Writes library configurations into the domain: the strip_config row, its terminal
// manufacturer and model, and every terminal with its colours, all in one transaction.
class ConfigurationImport
{
public:
    explicit ConfigurationImport(ImportSteps& steps) : m_steps(steps) {}

    // The configuration listed from the StripConfig row that starts at value `rowStart`.
    ApparatusOutcome ImportConfiguration(int rowStart);

private:
    void writeConfiguration(const library::LibraryTable::Row& row);
    // `before` is the message of the statement sent just before the terminal's own.
    void writeTerminal(const library::LibraryTable::Row& terminal, const QString& stripConfigId,
                       const QString& before);

    ImportSteps& m_steps;
};

} // namespace tarnwell::import
