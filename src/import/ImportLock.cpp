#include "import/ImportLock.h"

#include "status/Failure.h"

namespace tarnwell::import {

using Answer = db::LockReply::Answer;

ImportLock::ImportLock(db::Database& database, status::StatusLog& status, const QString& proj_id)
    : m_database(database), m_status(status),
      m_statements(database.dialect().lockStatements(proj_id))
{}

db::LockReply ImportLock::request(const QString& statement, bool waits)
{
    const db::Dialect& dialect = m_database.dialect();
    if (m_statements.answersInARow)
        return dialect.lockReplyOfRow(m_database.RunQuery(statement).value(0).value_or(QString()),
                                      waits);
    try {
        m_database.RunCommand(statement);
        return {Answer::Granted, {}};
    } catch (const db::DatabaseError& error) {
        if (error.refused()) {
            if (const std::optional<db::LockReply> reply =
                    dialect.lockReplyOfFailure(error.description(), waits))
                return *reply;
        }
        throw;
    }
}

void ImportLock::cannotBeUsed(const QString& description)
{
    // An account that may not use the database's lock still imports, as before.
    m_status.ShowStatus(QStringLiteral("The import lock of this database cannot be used, so "
                                       "another import at the same time is not held off. "
                                       "Database reports: "));
    m_status.ShowErrorDescription(description);
}

void ImportLock::take(const std::function<void()>& waiting)
{
    if (m_statements.take.isEmpty())
        return;
    db::LockReply reply;
    try {
        reply = request(m_statements.tryTake, false);
        if (reply.answer == Answer::Busy) {
            m_status.ShowStatus(QStringLiteral(
                "Another import into this domain is under way; waiting for it to end."));
            if (waiting)
                waiting();
            reply = request(m_statements.take, true);
        }
        // The server broke a deadlock by refusing this session; the other side has gone on,
        // so asking once more is likely to be granted.
        if (reply.answer == Answer::DeadlockVictim)
            reply = request(m_statements.take, true);
    } catch (const db::DatabaseError& error) {
        if (!error.refused())
            throw;
        cannotBeUsed(error.description());
        return;
    } catch (const Failure& failure) {
        cannotBeUsed(failure.description()); // an answer without a row
        return;
    }
    if (reply.answer != Answer::Granted)
        throw LockNotGranted{reply.why};
    m_held = true;
}

void ImportLock::release() noexcept
{
    if (!m_held)
        return;
    m_held = false;
    try {
        m_database.RunCommand(m_statements.release);
    } catch (...) {
        // A lock that cannot be given back now goes with the session.
    }
}

} // namespace tarnwell::import
