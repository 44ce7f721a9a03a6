#include "support/ServerRules.h"

#include <QRegularExpression>

#include <set>

namespace tarnwell::testing {

namespace {

using Outcome = ServerRules::Outcome;

// A batch cut at every ";" outside a quoted literal, pieces trimmed, empty ones left out.
QStringList statementsOf(const QString& batch)
{
    QStringList pieces;
    QString piece;
    bool quoted = false;
    for (const QChar c : batch) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (c == QLatin1Char(';') && !quoted) {
            pieces.append(piece.trimmed());
            piece.clear();
            continue;
        }
        piece += c;
    }
    pieces.append(piece.trimmed());
    pieces.removeAll(QString());
    return pieces;
}

bool startsWith(const QString& sql, const char* words)
{
    return sql.startsWith(QLatin1String(words), Qt::CaseInsensitive);
}

bool writes(const QString& sql)
{
    return startsWith(sql, "INSERT") || startsWith(sql, "UPDATE") || startsWith(sql, "DELETE") ||
           startsWith(sql, "MERGE") || startsWith(sql, "TRUNCATE");
}

bool isDdl(const QString& sql)
{
    return startsWith(sql, "ALTER") || startsWith(sql, "CREATE") || startsWith(sql, "DROP") ||
           startsWith(sql, "GRANT") || startsWith(sql, "REVOKE");
}

QString tableOfAlter(const QString& sql)
{
    static const QRegularExpression alter(QStringLiteral(R"(^ALTER\s+TABLE\s+(\w+))"),
                                          QRegularExpression::CaseInsensitiveOption);
    return alter.match(sql).captured(1).toLower();
}

QString savepointName(const QString& sql)
{
    return sql.section(QLatin1Char(' '), -1).trimmed();
}

// What a transaction holds: its work and its savepoints, each savepoint marking how much of the
// work came before it.
struct Work
{
    QStringList& pending;
    QStringList& committed;
    std::vector<std::pair<QString, qsizetype>> savepoints;

    void commitAll()
    {
        committed += pending;
        pending.clear();
        savepoints.clear();
    }
    void rollbackAll()
    {
        pending.clear();
        savepoints.clear();
    }
    // Rolls back to the newest savepoint of that name, which stays; false when there is none.
    bool rollbackTo(const QString& name)
    {
        for (auto it = savepoints.rbegin(); it != savepoints.rend(); ++it) {
            if (it->first.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            pending = pending.mid(0, it->second);
            savepoints.erase(it.base(), savepoints.end());
            return true;
        }
        return false;
    }
};

class SqlServerRules : public ServerRules
{
public:
    explicit SqlServerRules(SqlServerDriver driver) : m_driver(driver) {}

    Outcome statement(const QString& batch) override
    {
        // The one conditional form the program sends: a block run only outside a transaction.
        static const QRegularExpression outsideOnly(
            QStringLiteral(R"(^\s*IF\s+@@TRANCOUNT\s*=\s*0\s+BEGIN\s+(.*?)\bEND\b\s*;?(.*)$)"),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::DotMatchesEverythingOption);
        QStringList statements;
        const QRegularExpressionMatch conditional = outsideOnly.match(batch);
        if (conditional.hasMatch()) {
            if (m_count == 0)
                statements = statementsOf(conditional.captured(1));
            statements += statementsOf(conditional.captured(2));
        } else {
            statements = statementsOf(batch);
        }
        Outcome outcome;
        for (const QString& sql : statements) {
            outcome = one(sql);
            if (outcome.refused)
                return outcome;
        }
        return outcome;
    }

    std::optional<QString> beginTransaction() override
    {
        if (m_driver == SqlServerDriver::Microsoft)
            m_implicit = true;
        else
            ++m_count;
        return std::nullopt;
    }

    std::optional<QString> commit() override
    {
        // SQLEndTran's commit is a COMMIT TRANSACTION: inside nested transactions it only
        // counts down.
        if (m_count > 0 && --m_count == 0)
            end(true);
        autocommitOn();
        return std::nullopt;
    }

    std::optional<QString> rollback() override
    {
        if (m_count > 0)
            end(false);
        autocommitOn();
        return std::nullopt;
    }

    int transactionCount() const override { return m_count; }

    bool answers(const QString& sql) const override { return !(m_noCount && writes(sql)); }

private:
    Outcome one(const QString& sql)
    {
        if (!m_schemaLocked.empty() && !startsWith(sql, "ROLLBACK") && !startsWith(sql, "COMMIT")) {
            QStringList tables(m_schemaLocked.begin(), m_schemaLocked.end());
            faults.append(
                QStringLiteral("every other user of ") + tables.join(QLatin1String(", ")) +
                QStringLiteral(" waits while this session holds its schema lock: ") + sql);
        }
        if (startsWith(sql, "SAVE TRAN")) {
            if (m_count == 0)
                return refused(QStringLiteral("[Microsoft][ODBC Driver 18 for SQL Server][SQL "
                                              "Server]Cannot issue SAVE TRANSACTION when there "
                                              "is no active transaction."));
            m_work.savepoints.emplace_back(savepointName(sql), pending.size());
            return {};
        }
        if (startsWith(sql, "BEGIN TRAN")) {
            // Under implicit transactions an explicit BEGIN opens the unseen one as well.
            m_count += (m_implicit && m_count == 0) ? 2 : 1;
            return {};
        }
        if (startsWith(sql, "COMMIT")) {
            if (m_count == 0)
                return refused(QStringLiteral("The COMMIT TRANSACTION request has no "
                                              "corresponding BEGIN TRANSACTION."));
            if (--m_count == 0)
                end(true);
            return {};
        }
        if (startsWith(sql, "ROLLBACK")) {
            const QStringList words = sql.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() >= 3) {
                if (m_count == 0 || !m_work.rollbackTo(words.last()))
                    return refused(QStringLiteral("Cannot roll back ") + words.last() +
                                   QStringLiteral(". No transaction or savepoint of that name "
                                                  "was found."));
                return {};
            }
            if (m_count == 0)
                return refused(QStringLiteral("The ROLLBACK TRANSACTION request has no "
                                              "corresponding BEGIN TRANSACTION."));
            end(false);
            return {};
        }
        if (startsWith(sql, "SET NOCOUNT ")) {
            m_noCount = sql.endsWith(QLatin1String(" ON"), Qt::CaseInsensitive);
            return {};
        }
        if (startsWith(sql, "SET ") || startsWith(sql, "DECLARE "))
            return {};
        if (startsWith(sql, "EXEC")) {
            static const QRegularExpression getLock(
                QStringLiteral(
                    R"(^EXEC\s+(@\w+)\s*=\s*sp_getapplock\b.*@LockTimeout\s*=\s*(-?\d+))"),
                QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch lock = getLock.match(sql);
            if (lock.hasMatch())
                m_variables[lock.captured(1).toLower()] = nextAnswer(lock.captured(2) != "0");
            return {};
        }
        if (startsWith(sql, "SELECT")) {
            static const QRegularExpression variable(QStringLiteral(R"(^SELECT\s+(@\w+)\s*$)"),
                                                     QRegularExpression::CaseInsensitiveOption);
            static const QRegularExpression granted(
                QStringLiteral(R"(^SELECT\s+CASE\s+WHEN\s+(@\w+)\s*>=\s*0\s+THEN\s+1\s+ELSE\s+0)"),
                QRegularExpression::CaseInsensitiveOption);
            if (const auto m = variable.match(sql); m.hasMatch())
                return rowOf(QString::number(m_variables[m.captured(1).toLower()]));
            if (const auto m = granted.match(sql); m.hasMatch())
                return rowOf(m_variables[m.captured(1).toLower()] >= 0 ? "1" : "0");
            // A SELECT opens a transaction only when it reads a table.
            if (sql.contains(QLatin1String(" FROM "), Qt::CaseInsensitive))
                opened();
            return {};
        }
        if (writes(sql) || isDdl(sql)) {
            opened();
            (m_count > 0 ? pending : committed).append(sql);
            if (m_count > 0 && startsWith(sql, "ALTER TABLE"))
                m_schemaLocked.insert(tableOfAlter(sql));
        }
        return {};
    }

    void opened()
    {
        if (m_implicit && m_count == 0)
            m_count = 1;
    }

    void end(bool keep)
    {
        if (keep)
            m_work.commitAll();
        else
            m_work.rollbackAll();
        m_count = 0;
        m_schemaLocked.clear();
    }

    void autocommitOn()
    {
        m_implicit = false;
        if (m_count > 0) {
            faults.append(QStringLiteral("a transaction was still open when autocommit came back "
                                         "on, which commits it: ") +
                          pending.join(QLatin1String(" | ")));
            end(true);
        }
    }

    static Outcome refused(const QString& words) { return {words, std::nullopt}; }
    static Outcome rowOf(const QString& value)
    {
        return {std::nullopt, db::ResultSet({db::Row{value}})};
    }

    const SqlServerDriver m_driver;
    bool m_noCount = false;
    bool m_implicit = false;
    int m_count = 0;
    Work m_work{pending, committed, {}};
    std::set<QString> m_schemaLocked;
    std::map<QString, int> m_variables;
};

class OracleRules : public ServerRules
{
public:
    Outcome statement(const QString& sql) override
    {
        if (startsWith(sql, "DECLARE") || startsWith(sql, "BEGIN"))
            return block(sql);
        if (isDdl(sql)) {
            // DDL commits what came before it, and itself.
            implicitCommit(sql);
            committed.append(sql);
            return {};
        }
        if (startsWith(sql, "SAVEPOINT")) {
            // A name used again moves the savepoint: the earlier one is gone.
            const QString name = savepointName(sql);
            std::erase_if(m_work.savepoints, [&](const auto& savepoint) {
                return savepoint.first.compare(name, Qt::CaseInsensitive) == 0;
            });
            m_work.savepoints.emplace_back(name, pending.size());
            return {};
        }
        if (startsWith(sql, "ROLLBACK TO SAVEPOINT")) {
            if (!m_work.rollbackTo(savepointName(sql)))
                return {QStringLiteral("ORA-01086: savepoint '") + savepointName(sql).toUpper() +
                            QStringLiteral("' never established in this session or is invalid"),
                        std::nullopt};
            return {};
        }
        if (startsWith(sql, "RELEASE"))
            return {QStringLiteral("ORA-00900: invalid SQL statement"), std::nullopt};
        if (writes(sql))
            (m_autocommit ? committed : pending).append(sql);
        return {};
    }

    std::optional<QString> beginTransaction() override
    {
        m_autocommit = false;
        return std::nullopt;
    }
    std::optional<QString> commit() override
    {
        m_work.commitAll();
        m_autocommit = true;
        return std::nullopt;
    }
    std::optional<QString> rollback() override
    {
        m_work.rollbackAll();
        m_autocommit = true;
        return std::nullopt;
    }
    int transactionCount() const override { return pending.isEmpty() ? 0 : 1; }

private:
    Outcome block(const QString& sql)
    {
        if (sql.contains(QLatin1String("DBMS_LOCK.ALLOCATE_UNIQUE"), Qt::CaseInsensitive))
            implicitCommit(sql); // ALLOCATE_UNIQUE commits, as DDL does
        static const QRegularExpression request(
            QStringLiteral(R"(DBMS_LOCK\.REQUEST\(\s*\w+\s*,\s*[\w.]+\s*,\s*([\w.]+))"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch asked = request.match(sql);
        if (!asked.hasMatch())
            return {};
        const int answer = nextAnswer(asked.captured(1) != QLatin1String("0"));
        if (answer == 0 || answer == 4)
            return {};
        // The block raises what its own text says for an answer it does not accept.
        static const QRegularExpression raise(
            QStringLiteral(R"(RAISE_APPLICATION_ERROR\(\s*(-\d+)\s*(-\s*\w+)?)"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch raised = raise.match(sql);
        if (!raised.hasMatch())
            return {};
        int code = raised.captured(1).toInt();
        if (!raised.captured(2).isEmpty())
            code -= answer;
        return {
            QStringLiteral("[Oracle][ODBC][Ora]ORA%1: DBMS_LOCK.REQUEST answered %2\nORA-06512: "
                           "at line 1")
                .arg(code)
                .arg(answer),
            std::nullopt};
    }

    void implicitCommit(const QString& sql)
    {
        if (!pending.isEmpty())
            faults.append(QStringLiteral("committed by ") + sql.left(40) + QStringLiteral(": ") +
                          pending.join(QLatin1String(" | ")));
        m_work.commitAll();
    }

    bool m_autocommit = true;
    Work m_work{pending, committed, {}};
};

} // namespace

int ServerRules::nextAnswer(bool waits)
{
    std::deque<int>& answers = waits ? waitAnswers : tryAnswers;
    if (answers.empty())
        return 0;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::unique_ptr<ServerRules> ServerRules::sqlServer(SqlServerDriver driver)
{
    return std::make_unique<SqlServerRules>(driver);
}

std::unique_ptr<ServerRules> ServerRules::oracle()
{
    return std::make_unique<OracleRules>();
}

} // namespace tarnwell::testing
