#include "support/RecordingConnection.h"

namespace tarnwell::testing {

RecordingConnection& RecordingConnection::answer(const QString& pattern, std::vector<db::Row> rows,
                                                 int times)
{
    m_rules.push_back({QRegularExpression(pattern), db::ResultSet(std::move(rows)), {}, times});
    return *this;
}

RecordingConnection& RecordingConnection::answer(const QString& pattern, const QString& value,
                                                 int times)
{
    return answer(pattern, std::vector<db::Row>{db::Row{value}}, times);
}

RecordingConnection& RecordingConnection::refuse(const QString& pattern, const QString& description,
                                                 int times)
{
    m_rules.push_back({QRegularExpression(pattern), {}, description, times});
    return *this;
}

RecordingConnection& RecordingConnection::refuseStatement(int n, const QString& description)
{
    m_refusedStatements.emplace_back(n, description);
    return *this;
}

bool RecordingConnection::open(const db::ConnectionString& connectionString)
{
    opened.push_back(connectionString);
    events.append(QStringLiteral("OPEN ") + connectionString.toString());
    if (openFailure) {
        m_lastError = *openFailure;
        return false;
    }
    return true;
}

bool RecordingConnection::run(const QString& sql, db::ResultSet* result)
{
    statements.append(sql);
    events.append(sql);
    const int number = static_cast<int>(statements.size());
    for (const auto& [n, description] : m_refusedStatements) {
        if (n == number) {
            m_lastError = description;
            return false;
        }
    }
    for (Rule& rule : m_rules) {
        if (rule.remaining == 0 || !rule.pattern.match(sql).hasMatch())
            continue;
        if (rule.remaining > 0)
            --rule.remaining;
        if (rule.failure) {
            m_lastError = *rule.failure;
            return false;
        }
        if (result)
            *result = rule.result;
        return true;
    }
    if (result)
        *result = db::ResultSet();
    return true;
}

bool RecordingConnection::query(const QString& sql, db::ResultSet& result)
{
    return run(sql, &result);
}

bool RecordingConnection::execute(const QString& sql)
{
    return run(sql, nullptr);
}

bool RecordingConnection::beginTransaction()
{
    events.append(QStringLiteral("BEGIN"));
    return true;
}

bool RecordingConnection::commit()
{
    events.append(QStringLiteral("COMMIT"));
    return true;
}

bool RecordingConnection::rollback()
{
    events.append(QStringLiteral("ROLLBACK"));
    return true;
}

std::unique_ptr<db::Connection> RecordingConnectionFactory::create()
{
    ++created;
    if (!m_next)
        m_next = std::make_unique<RecordingConnection>();
    m_last = m_next.get();
    return std::move(m_next);
}

RecordingConnection& RecordingConnectionFactory::next()
{
    m_next = std::make_unique<RecordingConnection>();
    m_last = m_next.get();
    return *m_next;
}

} // namespace tarnwell::testing
