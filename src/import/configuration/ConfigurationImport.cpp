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

void ConfigurationImport::ImportConfiguration(const QString& name)
{
    const std::optional<int> start = m_session.configurationsByName().first(name);
    if (start)
        importRow(*start);
}

ApparatusOutcome ConfigurationImport::importRow(int rowStart)
{
    const LibraryTable::Row row =
        m_session.library().stripConfig.row(rowStart, library::StripConfigWidth);
    db::Database& database = m_session.database();
    return m_session.writeWhole([&] { writeConfiguration(row); }, CommitMessage,
                                [&] {
                                    // On Oracle this statement commits whatever is open, which
                                    // would keep a check's rows.
                                    if (!(database.checkOnly() && database.isOracle()))
                                        EnableTriggers(database);
                                });
}

void ConfigurationImport::writeConfiguration(const LibraryTable::Row& values)
{
    const library::StripConfigRow row(values);
    db::Database& database = m_session.database();
    TermCatalogue& catalogue = m_session.catalogue();
    const db::DomainContext& domain = m_session.domain();

    const QString userName = db::sql::fixedWidth(row.userName(), 30);
    const QString stripConfigId = database.NextRecordId(db::IdTable::StripConfig);

    const QString termMfrId =
        catalogue.FindOrCreateTermMfr({row.manufacturer(), row.manufacturerDescription(),
                                       row.manufacturerUserName(), row.manufacturerChangeDate()},
                                      MfrMessages);
    const QString termModId = catalogue.FindOrCreateTermModel(
        termMfrId,
        {row.name(), row.modelHeight(), row.modelHeightUnit(), row.modelWidth(),
         row.modelWidthUnit(), row.modelDepth(), row.modelDepthUnit(), row.modelDescription(),
         row.modelUserName(), row.modelChangeDate()},
        ModelMessages);

    std::optional<QString> prefix;
    if (database.release().hasPrefixColumn())
        prefix = row.prefix() == DisabledPrefix ? QString() : row.prefix();
    m_session.message().arm(ConfigurationMessage);
    database.RunCommand(
        stripConfigInsert(stripConfigId, domain, row, userName, termMfrId, termModId, prefix));

    m_session.configurationTerminals().forEach(
        row.libraryId(),
        [&](const LibraryTable::Row& terminal, int) { writeTerminal(terminal, stripConfigId); });
}

void ConfigurationImport::writeTerminal(const LibraryTable::Row& values,
                                        const QString& stripConfigId)
{
    const library::StripConfigTermRow terminal(values);
    db::Database& database = m_session.database();
    const TerminalColours colours = m_session.terminalColours(
        terminal.leftColourKey(), terminal.rightColourKey(), LeftColorMessages, RightColorMessages);

    m_session.message().arm(TerminalIdMessage);
    const QString id = database.NextRecordId(db::IdTable::StripConfigTerm);
    m_session.message().arm(TerminalMessage);
    database.RunCommand(stripConfigTermInsert(stripConfigId, id, m_session.domain(), terminal,
                                              colours.left, colours.right));
}

} // namespace tarnwell::import
