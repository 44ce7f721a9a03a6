#pragma once

#include "db/Connection.h"
#include "db/Platform.h"
#include "db/Release.h"

#include <QString>

#include <map>

namespace tarnwell::status {
class StatusLog;
}

namespace tarnwell::db {

// Tables whose new rows get an identifier from NextRecordId.
enum class IdTable {
    StripConfig,
    StripConfigTerm,
    TermMfr,
    TermMfrMod,
    TermColor,
    Panel,
    StripMfr,
    StripMfrMod,
    StripType,
    PanelStrip,
    Channel,
    PanelStripTerm,
};

// The identifier query for a table: one sequence on Oracle, the table's maximum plus one elsewhere.
QString nextRecordIdStatement(IdTable table, bool oracle);

// Thrown when a statement fails because the user cancelled: not a Failure, so no step reports
// it; the current apparatus is rolled back and the run ends.
struct Cancelled
{
};

// Thrown when a statement fails because the connection is gone: not a Failure either, so no
// step reports it and no later apparatus is tried on a dead connection.
struct ConnectionLost
{
    QString description;
};

// The open connection of one successful Connect, with the statement helpers every import uses.
// The dialect is fixed when the connection is made: choosing another platform afterwards
// changes nothing until the next Connect.
class Database
{
public:
    Database(Connection& connection, Platform platform, status::StatusLog& status);

    bool isOracle() const { return m_platform == Platform::Oracle; }
    // The DBMS the connection really reaches, as its driver names it; empty when unknown.
    QString dbmsName() const { return m_connection.dbmsName(); }
    status::StatusLog& status() { return m_status; }

    // Both throw Failure with the database's description when the statement is refused,
    // Cancelled after cancel(), ConnectionLost when the connection is gone.
    ResultSet RunQuery(const QString& sql);
    void RunCommand(const QString& sql);

    // The identifier for the next new row of `table`, as text; "1" for an empty table.
    QString NextRecordId(IdTable table);

    // A status line with `message`, then the failure's description wrapped below it.
    void ReportDbFailure(const QString& message, const QString& description);

    // Lets statements run again after Connection::cancel() has done its work.
    void clearCancel() { m_connection.clearCancel(); }

    // One apparatus is written in one transaction. rollback() never throws: it runs on the
    // way out of a failure.
    void beginTransaction();
    void commit();
    void rollback() noexcept;

    // A check: from beginCheck() to endCheck() everything runs in one transaction that
    // endCheck() rolls back, so that later apparatuses see what earlier ones wrote and nothing
    // is kept. Each apparatus becomes a savepoint, rolled back to when it fails; the rows of
    // the apparatuses that would have been saved are counted by table.
    void beginCheck();
    void endCheck() noexcept;
    bool checkOnly() const { return m_checkOnly; }
    // Table (lower case) to rows its inserts would have written.
    const std::map<QString, int>& checkedRows() const { return m_checkedRows; }

    // What was read from the license table at Connect; set once, before any import.
    const Release& release() const { return m_release; }
    void setRelease(const Release& release) { m_release = release; }

private:
    [[noreturn]] void failed();
    bool sqlServerDialect() const;
    void countInsert(const QString& sql);

    Connection& m_connection;
    Platform m_platform;
    status::StatusLog& m_status;
    Release m_release;
    bool m_checkOnly = false;
    std::map<QString, int> m_apparatusRows;
    std::map<QString, int> m_checkedRows;
};

} // namespace tarnwell::db
