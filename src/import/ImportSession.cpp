#include "import/ImportSession.h"

#include "db/Transaction.h"
#include "status/Failure.h"

namespace tarnwell::import {

ImportSession::ImportSession(db::Database& database, const library::VendorLibrary& library,
                             const db::DomainContext& domain)
    : m_database(database), m_library(library), m_domain(domain),
      m_catalogue(database, domain, m_message)
{}

ApparatusOutcome ImportSession::writeWhole(const std::function<void()>& write,
                                           const QString& commitMessage,
                                           const std::function<void()>& afterFailure)
{
    m_message.disarm();
    db::Transaction transaction(m_database);
    try {
        write();
        m_message.arm(commitMessage);
        transaction.commit();
        return ApparatusOutcome::Written;
    } catch (const Failure& failure) {
        if (!m_message.isArmed())
            throw;
        // Roll back first: the report lets window events through, and a follow-up statement
        // such as switching triggers on must not run inside the failed transaction.
        transaction.rollback();
        m_database.ReportDbFailure(m_message.text(), failure.description());
        if (afterFailure)
            afterFailure();
        return ApparatusOutcome::Failed;
    }
}

TerminalColours ImportSession::terminalColours(const QString& leftKey, const QString& rightKey,
                                               const db::CatalogueMessages& left,
                                               const db::CatalogueMessages& right)
{
    TerminalColours colours{QStringLiteral("0"), QStringLiteral("0")};
    library::scanRows(
        m_library.terminalColors, library::TerminalColorWidth,
        [&](const library::LibraryTable::Row& colour, int) {
            const db::TermColorInput input{colour[1], colour[2], colour[3], colour[4], colour[5]};
            if (leftKey == colour[0])
                colours.left = m_catalogue.FindOrCreateTermColor(input, left);
            if (rightKey == colour[0])
                colours.right = m_catalogue.FindOrCreateTermColor(input, right);
            return true;
        });
    return colours;
}

} // namespace tarnwell::import
