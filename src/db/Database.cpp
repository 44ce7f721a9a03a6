#include "db/Database.h"

#include "status/Failure.h"
#include "status/StatusLog.h"

namespace tarnwell::db {

Value ResultSet::value(int column) const
{
    if (m_rows.empty())
        throw Failure(QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                     "deleted. Requested operation requires a current record."));
    const Row& first = m_rows.front();
    if (column < 0 || column >= static_cast<int>(first.size()))
        throw Failure(QStringLiteral("Item cannot be found in the collection corresponding to "
                                     "the requested name or ordinal."));
    return first[column];
}

std::optional<QString> ResultSet::found(int column) const
{
    if (m_rows.empty())
        return std::nullopt;
    return value(column).value_or(QString());
}

QString ConnectionString::toString() const
{
    QString text = QStringLiteral("Provider=") + provider;
    for (const auto& [key, value] : properties)
        text += QLatin1Char(';') + key + QLatin1Char('=') + value;
    return text;
}

QString ConnectionString::property(const QString& key) const
{
    for (const auto& [name, value] : properties) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

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
    if (!m_connection.beginTransaction())
        failed();
}

void Database::commit()
{
    if (!m_connection.commit())
        failed();
}

void Database::rollback() noexcept
{
    try {
        m_connection.rollback();
    } catch (...) {
        // Nothing more can be done on the way out of a failure; the server discards an
        // unfinished transaction when the connection goes.
    }
}

} // namespace tarnwell::db
