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

RecordingConnection&
RecordingConnection::answerWith(const QString& pattern,
                                std::function<db::ResultSet(const QString& sql)> answerOf)
{
    m_rules.push_back({QRegularExpression(pattern), {}, {}, -1, std::move(answerOf)});
    return *this;
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

ServerRules& RecordingConnection::follow(std::unique_ptr<ServerRules> rules)
{
    m_serverRules = std::move(rules);
    return *m_serverRules;
}

void RecordingConnection::refused(const QString& description, const QString& state)
{
    m_lastError = db::DatabaseError(db::DatabaseError::Kind::Refused, description, state);
}

bool RecordingConnection::refusedByRules(const std::optional<QString>& refusal)
{
    if (!refusal)
        return false;
    refused(*refusal);
    return true;
}

bool RecordingConnection::refusedStep(const std::map<int, QString>& refusals, int& count)
{
    const auto refusal = refusals.find(++count);
    if (refusal == refusals.end())
        return false;
    refused(refusal->second);
    return true;
}

bool RecordingConnection::open(const db::ConnectionString& connectionString)
{
    opened.push_back(connectionString);
    events.append(QStringLiteral("OPEN ") + connectionString.toString());
    if (openFailure && openFailures != 0) {
        if (openFailures > 0)
            --openFailures;
        refused(*openFailure, openFailureState);
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
            refused(description);
            return false;
        }
    }
    Rule* answering = nullptr;
    for (Rule& rule : m_rules) {
        if (rule.remaining == 0 || !rule.pattern.match(sql).hasMatch())
            continue;
        if (rule.remaining > 0)
            --rule.remaining;
        if (rule.failure) {
            refused(*rule.failure);
            return false;
        }
        answering = &rule;
        break;
    }
    if (m_serverRules) {
        ServerRules::Outcome outcome = m_serverRules->statement(sql);
        if (refusedByRules(outcome.refused))
            return false;
        if (outcome.rows && !answering) {
            if (result)
                *result = std::move(*outcome.rows);
            return true;
        }
    }
    if (answering) {
        if (result)
            *result = answering->answerOf ? answering->answerOf(sql) : answering->result;
        return true;
    }
    if (result)
        *result = db::ResultSet();
    return true;
}

bool RecordingConnection::query(const QString& sql, db::ResultSet& result)
{
    ++requests;
    return run(sql, &result);
}

bool RecordingConnection::executeBatch(const QStringList& batch,
                                       std::vector<db::ResultSet>& results)
{
    ++requests;
    results.clear();
    for (const QString& sql : batch) {
        db::ResultSet result;
        if (!run(sql, &result))
            return false;
        if (!m_serverRules || m_serverRules->answers(sql))
            results.push_back(std::move(result));
    }
    if (results.size() != static_cast<std::size_t>(batch.size())) {
        refused(QStringLiteral("The database gave %1 results for %2 statements.")
                    .arg(results.size())
                    .arg(batch.size()));
        return false;
    }
    return true;
}

bool RecordingConnection::execute(const QString& sql)
{
    ++requests;
    return run(sql, nullptr);
}

bool RecordingConnection::beginTransaction()
{
    events.append(QStringLiteral("BEGIN"));
    if (refusedStep(refusedBegins, m_begins))
        return false;
    return !(m_serverRules && refusedByRules(m_serverRules->beginTransaction()));
}

bool RecordingConnection::commit()
{
    events.append(QStringLiteral("COMMIT"));
    if (refusedStep(refusedCommits, m_commits))
        return false;
    return !(m_serverRules && refusedByRules(m_serverRules->commit()));
}

bool RecordingConnection::rollback()
{
    events.append(QStringLiteral("ROLLBACK"));
    if (refusedStep(refusedRollbacks, m_rollbacks))
        return false;
    return !(m_serverRules && refusedByRules(m_serverRules->rollback()));
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
