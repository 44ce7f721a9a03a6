#include "db/Database.h"

#include "status/Failure.h"
#include "status/StatusLog.h"

#include <QRegularExpression>

namespace tarnwell::db {

QString nextRecordIdStatement(IdTable table, bool oracle)
{
    if (oracle)
        return QStringLiteral("SELECT seq_next_id.nextval FROM dual");
    switch (table) {
    case IdTable::StripConfig:
        return QStringLiteral("SELECT max(strip_config_id)+1 FROM strip_config");
    case IdTable::StripConfigTerm:
        return QStringLiteral("SELECT max(strip_config_term_id)+1 FROM strip_config_term");
    case IdTable::TermMfr:
        return QStringLiteral("SELECT max(term_mfr_id)+1 FROM term_mfr");
    case IdTable::TermMfrMod:
        return QStringLiteral("SELECT max(term_mod_id)+1 FROM term_mfr_mod");
    case IdTable::TermColor:
        return QStringLiteral("SELECT max(term_color_id)+1 FROM term_color");
    case IdTable::Panel:
        return QStringLiteral("SELECT max(panel_id)+1 FROM panel");
    case IdTable::StripMfr:
        return QStringLiteral("SELECT max(strip_mfr_id)+1 FROM strip_mfr");
    case IdTable::StripMfrMod:
        return QStringLiteral("SELECT max(strip_mod_id)+1 FROM strip_mfr_mod");
    case IdTable::StripType:
        return QStringLiteral("SELECT max(strip_type_id)+1 FROM strip_type");
    case IdTable::PanelStrip:
        return QStringLiteral("SELECT max(strip_id)+1 FROM panel_strip");
    case IdTable::Channel:
        return QStringLiteral("SELECT max(channel_id)+1 FROM channel");
    case IdTable::PanelStripTerm:
        return QStringLiteral("SELECT max(term_id)+1 FROM panel_strip_term");
    }
    Q_UNREACHABLE();
}

Database::Database(Connection& connection, Platform platform, status::StatusLog& status)
    : m_connection(connection), m_platform(platform), m_status(status)
{}

void Database::failed()
{
    switch (m_connection.lastFailure()) {
    case FailureKind::Cancelled:
        throw Cancelled();
    case FailureKind::ConnectionLost:
        throw ConnectionLost{m_connection.lastError()};
    case FailureKind::Refused:
        break;
    }
    throw Failure(m_connection.lastError());
}

ResultSet Database::RunQuery(const QString& sql)
{
    ResultSet result;
    if (!m_connection.query(sql, result))
        failed();
    return result;
}

void Database::RunCommand(const QString& sql)
{
    if (!m_connection.execute(sql))
        failed();
    if (m_checkOnly)
        countInsert(sql);
}

void Database::countInsert(const QString& sql)
{
    static const QRegularExpression insert(QStringLiteral(R"(^\s*INSERT\s+INTO\s+(\w+))"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = insert.match(sql);
    if (match.hasMatch())
        ++m_apparatusRows[match.captured(1).toLower()];
}

bool Database::sqlServerDialect() const
{
    const QString dbms = m_connection.dbmsName();
    if (!dbms.isEmpty())
        return dbms.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive);
    return m_platform == Platform::SQLServer || m_platform == Platform::SQLServer2005;
}

void Database::beginCheck()
{
    if (!m_connection.beginTransaction())
        failed();
    m_checkOnly = true;
    m_checkedRows.clear();
}

void Database::endCheck() noexcept
{
    if (!m_checkOnly)
        return;
    m_checkOnly = false;
    try {
        m_connection.rollback();
    } catch (...) {
        // The server discards the transaction when the connection goes.
    }
}

QString Database::NextRecordId(IdTable table)
{
    const ResultSet result = RunQuery(nextRecordIdStatement(table, isOracle()));
    const Value id = result.value(0);
    return id ? *id : QStringLiteral("1");
}

void Database::ReportDbFailure(const QString& message, const QString& description)
{
    m_status.ShowStatus(message);
    m_status.ShowErrorDescription(description);
}

void Database::beginTransaction()
{
    m_apparatusRows.clear();
    if (m_checkOnly) {
        RunCommand(sqlServerDialect() ? QStringLiteral("SAVE TRANSACTION tarnwell_check")
                                      : QStringLiteral("SAVEPOINT tarnwell_check"));
        return;
    }
    if (!m_connection.beginTransaction())
        failed();
}

void Database::commit()
{
    if (m_checkOnly) {
        // PostgreSQL keeps every savepoint open until the transaction ends, and many slow it
        // down; the others have no way to let one go.
        if (!sqlServerDialect() && !isOracle())
            RunCommand(QStringLiteral("RELEASE SAVEPOINT tarnwell_check"));
        for (const auto& [table, rows] : m_apparatusRows)
            m_checkedRows[table] += rows;
        m_apparatusRows.clear();
        return;
    }
    if (!m_connection.commit())
        failed();
}

void Database::rollback() noexcept
{
    m_apparatusRows.clear();
    try {
        if (m_checkOnly) {
            m_connection.execute(sqlServerDialect()
                                     ? QStringLiteral("ROLLBACK TRANSACTION tarnwell_check")
                                     : QStringLiteral("ROLLBACK TO SAVEPOINT tarnwell_check"));
            return;
        }
        m_connection.rollback();
    } catch (...) {
        // Nothing more can be done on the way out of a failure; the server discards an
        // unfinished transaction when the connection goes.
    }
}

} // namespace tarnwell::db
