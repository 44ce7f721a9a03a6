#include "import/configuration/ConfigurationImport.h"

#include "db/Sql.h"
#include "import/Triggers.h"
#include "import/configuration/ConfigurationStatements.h"
#include "library/LibraryRows.h"
#include "status/Failure.h"

namespace tarnwell::import {

using library::LibraryTable;
using namespace configuration;

namespace {

const QString ConfigurationMessage =
    QStringLiteral("Didn't insert the CONFIGURATION properly. Database reports: ");
const QString TerminalIdMessage = QStringLiteral(
    "Couldn't retrieve the next STRIP_CONFIG_TERM_ID from the database. Database reports: ");
const QString TerminalMessage =
    QStringLiteral("Didn't insert the CONFIGURATION terminal properly. Database reports: ");
const QString CommitMessage =
    QStringLiteral("Didn't save the CONFIGURATION as a whole. Database reports: ");

const CatalogueMessages MfrMessages{
    QStringLiteral("Didn't check the new TERM_MFR_NAME. Database reports: "),
    QStringLiteral("Didn't insert the new TERM_MFR. Database reports: ")};
const CatalogueMessages ModelMessages{
    QStringLiteral("Didn't check the new TERM_MOD_NAME. Database reports: "),
    QStringLiteral(
        "Didn't insert the new TERM_MFR_MOD for a Configuration properly. Database reports: ")};
const CatalogueMessages LeftColorMessages{
    QStringLiteral("Didn't check the new TERM_COLOR for the LEFT. Database reports: "),
    QStringLiteral(
        "Didn't insert the new TERM_COLOR for the LEFT terminal color. Database reports: ")};
const CatalogueMessages RightColorMessages{
    QStringLiteral("Didn't check the new TERM_COLOR for the RIGHT. Database reports: "),
    QStringLiteral(
        "Didn't insert the new TERM_COLOR for the RIGHT terminal color. Database reports: ")};

const QString DisabledPrefix = QStringLiteral("disabled-strip_config.prefix");

} // namespace

ApparatusOutcome ConfigurationImport::ImportConfiguration(int rowStart)
{
    const LibraryTable::Row row =
        m_steps.library().stripConfig.row(rowStart, library::StripConfigWidth);
    return m_steps.writeWhole([&] { writeConfiguration(row); }, CommitMessage,
                              [this] {
                                  // A check switches them on after its rollback instead:
                                  // inside its open transaction this DDL would commit the
                                  // check's rows (Oracle) or hold a schema lock on both
                                  // tables until the check ends (SQL Server).
                                  if (!m_steps.checkOnly())
                                      EnableTriggers(m_steps.database(), m_steps.status());
                              });
}

void ConfigurationImport::writeConfiguration(const LibraryTable::Row& values)
{
    const library::StripConfigRow row(values);
    TermCatalogue& catalogue = m_steps.catalogue();
    const db::DomainContext& domain = m_steps.domain();

    const QString userName = db::sql::fixedWidth(row.userName(), 30);
    // No message covers the first statement: its failure ends the run.
    const QString stripConfigId = m_steps.nextIdUncovered(IdTable::StripConfig);

    const QString termMfrId =
        catalogue
            .FindOrCreateTermMfr({row.manufacturer(), row.manufacturerDescription(),
                                  row.manufacturerUserName(), row.manufacturerChangeDate()},
                                 MfrMessages)
            .id;
    const QString termModId =
        catalogue
            .FindOrCreateTermModel(termMfrId,
                                   {row.name(), row.modelHeight(), row.modelHeightUnit(),
                                    row.modelWidth(), row.modelWidthUnit(), row.modelDepth(),
                                    row.modelDepthUnit(), row.modelDescription(),
                                    row.modelUserName(), row.modelChangeDate()},
                                   ModelMessages)
            .id;

    std::optional<QString> prefix;
    if (m_steps.database().release().hasPrefixColumn())
        prefix = row.prefix() == DisabledPrefix ? QString() : row.prefix();
    m_steps.insert(tableName(IdTable::StripConfig), ConfigurationMessage, [&] {
        return stripConfigInsert(stripConfigId, domain, row, userName, termMfrId, termModId,
                                 prefix);
    });

    const library::RowIndex& terminals = m_steps.indexes().terminalsOfConfiguration();
    const QString* before = &ConfigurationMessage;
    for (const int start : terminals.rowsOf(row.libraryId())) {
        writeTerminal(terminals.row(start), stripConfigId, *before);
        before = &TerminalMessage;
    }
    // A terminal row that runs short is met after the last statement, under its message.
    m_steps.step(*before, [&] { terminals.throwIfIncomplete(); });
}

void ConfigurationImport::writeTerminal(const LibraryTable::Row& values,
                                        const QString& stripConfigId, const QString& before)
{
    const library::StripConfigTermRow terminal(values);
    const TerminalColours colours =
        m_steps.catalogue().terminalColours(terminal.leftColourKey(), terminal.rightColourKey(),
                                            LeftColorMessages, RightColorMessages, before);

    const QString id = m_steps.nextId(IdTable::StripConfigTerm, TerminalIdMessage);
    m_steps.insert(tableName(IdTable::StripConfigTerm), TerminalMessage, [&] {
        return stripConfigTermInsert(stripConfigId, id, m_steps.domain(), terminal, colours.left,
                                     colours.right);
    });
}

} // namespace tarnwell::import
