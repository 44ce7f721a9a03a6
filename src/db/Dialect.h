#pragma once

#include "db/Platform.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tarnwell::db {

// The DBMS a connection really reaches, as its driver names it.
enum class Dbms { Unknown, PostgreSql, SqlServer, Oracle };

// The statements of the database's own application lock that keeps two imports into one domain
// apart. Empty for a DBMS without one. SQL Server's and PostgreSQL's requests answer one row
// whose first value tells the outcome; Oracle's anonymous blocks answer none and raise
// ORA-2000n for any answer n of DBMS_LOCK.REQUEST but "granted".
struct LockStatements
{
    QString tryTake; // does not wait
    QString take;    // waits until the lock is free
    QString release; // a command
    bool answersInARow = true;
};

// What the database answered to one request for the lock.
struct LockReply
{
    enum class Answer { Granted, Busy, DeadlockVictim, Refused };
    Answer answer = Answer::Refused;
    // Why the run cannot have the lock, in words, should this answer be the last.
    QString why;
};

// Every statement whose form depends on the platform, decided once when the connection opens.
// Two questions decide: the platform the user chose (the statements of the import follow the
// Oracle option or not), and the DBMS the driver reaches (the program's own transaction, lock
// and catalogue statements follow what is really there; the chosen platform stands in where the
// driver names nothing).
class Dialect
{
public:
    static Dialect of(Platform platform, const QString& dbmsName);

    Platform platform() const { return m_platform; }
    Dbms dbms() const { return m_dbms; }
    // Whether several statements may go to the server in one request, each statement's text
    // unchanged and a result for each read in order: PostgreSQL's and SQL Server's drivers
    // take them; Oracle's take one statement at a time.
    bool batches() const { return m_dbms == Dbms::PostgreSql || m_dbms == Dbms::SqlServer; }

    // The identifier of a new row: Oracle's one sequence for every table, elsewhere the table's
    // highest identifier plus one.
    QString nextIdQuery(const QString& table, const QString& idColumn) const;

    // Switching the triggers of panel and udf_panel, in that order; they depend on the platform
    // alone, so that the window can name them for an administrator without a connection.
    QStringList triggerStatements(bool enable) const
    {
        return triggerStatements(m_platform, enable);
    }
    static QStringList triggerStatements(Platform platform, bool enable);
    // A read-only query counting the switched-off triggers of both tables in the catalogue;
    // empty where the catalogue is not known.
    QString disabledTriggersQuery() const;

    // Transactions inside transactions (level 2 and deeper) are savepoints, each level under a
    // name of its own. releaseSavepoint() is empty where a savepoint cannot be let go.
    QString savepoint(int level) const;
    QString releaseSavepoint(int level) const;
    QString rollbackToSavepoint(int level) const;

    // The lock is the program's and the domain's: "tarnwell-import-" and proj_id.
    LockStatements lockStatements(const QString& proj_id) const;
    // The answer in a request's row; `waited` tells a request that waits from one that does
    // not, where "busy" and "timed out" share a number.
    LockReply lockReplyOfRow(const QString& value, bool waited) const;
    // The answer in a request's failure (Oracle's raised errors); nothing when the failure is
    // the statement's own, such as an account without DBMS_LOCK.
    std::optional<LockReply> lockReplyOfFailure(const QString& description, bool waited) const;

private:
    Dialect(Platform platform, Dbms dbms, bool sqlServerTransactions)
        : m_platform(platform), m_dbms(dbms), m_sqlServerTransactions(sqlServerTransactions)
    {}

    Platform m_platform;
    Dbms m_dbms;
    bool m_sqlServerTransactions;
};

} // namespace tarnwell::db
