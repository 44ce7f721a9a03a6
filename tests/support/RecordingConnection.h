#pragma once

#include "db/Connection.h"
#include "support/ServerRules.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tarnwell::testing {

// A stand-in connection that records every statement and answers from a script. Rules are
// tried in the order they were added; the first one whose pattern matches the statement answers
// it. Statements no rule matches succeed, queries with no rows.
class RecordingConnection : public db::Connection
{
public:
    struct Rule
    {
        QRegularExpression pattern;
        db::ResultSet result;
        std::optional<QString> failure; // set: the statement is refused with this description
        int remaining = -1;             // how often the rule still answers; -1 for always
        std::function<db::ResultSet(const QString& sql)> answerOf{}; // set: answers, not result
    };

    // Answers queries matching `pattern` (a regular expression, searched anywhere) with rows.
    RecordingConnection& answer(const QString& pattern, std::vector<db::Row> rows, int times = -1);
    // Shorthand for a one-row, one-column answer.
    RecordingConnection& answer(const QString& pattern, const QString& value, int times = -1);
    // Answers queries matching `pattern` with whatever `answerOf` makes of the statement.
    RecordingConnection& answerWith(const QString& pattern,
                                    std::function<db::ResultSet(const QString& sql)> answerOf);
    // Refuses statements matching `pattern` with `description`.
    RecordingConnection& refuse(const QString& pattern, const QString& description, int times = -1);
    // Refuses the n-th (1-based) beginTransaction, commit or rollback with the description.
    std::map<int, QString> refusedBegins;
    std::map<int, QString> refusedCommits;
    std::map<int, QString> refusedRollbacks;
    // Refuses the n-th statement (1-based, counting every query and command sent so far).
    RecordingConnection& refuseStatement(int n, const QString& description);

    std::optional<QString> openFailure; // set: open() fails with this description
    QString openFailureState;           // and this SQLSTATE
    int openFailures = -1;              // how often open() fails; -1 for always

    // From now on the connection follows a server's own rules for transactions, DDL and locks:
    // what they refuse is refused before the script is asked (statements the script refuses
    // never reach them).
    ServerRules& follow(std::unique_ptr<ServerRules> rules);
    ServerRules* rules() const { return m_serverRules.get(); }

    bool open(const db::ConnectionString& connectionString) override;
    void close() override { events.append(QStringLiteral("CLOSE")); }
    bool query(const QString& sql, db::ResultSet& result) override;
    bool execute(const QString& sql) override;
    // Each statement is recorded and answered as if sent alone; the first refused ends the
    // request, as a server stops at it.
    bool executeBatch(const QStringList& batch, std::vector<db::ResultSet>& results) override;
    bool beginTransaction() override;
    bool commit() override;
    bool rollback() override;
    const db::DatabaseError& lastError() const override { return m_lastError; }
    QString dbmsName() const override { return dbms; }

    QString dbms; // what SQLGetInfo(SQL_DBMS_NAME) would say; empty: not known

    // Every statement sent, in order.
    QStringList statements;
    // How many requests went to the server: a statement alone, or a batch.
    int requests = 0;
    // Every statement and transaction step ("BEGIN", "COMMIT", "ROLLBACK"), in order.
    QStringList events;
    std::vector<db::ConnectionString> opened;

private:
    bool run(const QString& sql, db::ResultSet* result);

    bool refusedByRules(const std::optional<QString>& refusal);
    bool refusedStep(const std::map<int, QString>& refused, int& count);

    std::vector<Rule> m_rules;
    std::unique_ptr<ServerRules> m_serverRules;
    std::vector<std::pair<int, QString>> m_refusedStatements;
    void refused(const QString& description, const QString& state = {});

    db::DatabaseError m_lastError;
    int m_begins = 0;
    int m_commits = 0;
    int m_rollbacks = 0;
};

// A factory that hands out connections the test keeps a handle on.
class RecordingConnectionFactory : public db::ConnectionFactory
{
public:
    std::unique_ptr<db::Connection> create() override;

    // Prepares the connection that the next create() returns.
    RecordingConnection& next();
    // The connection handed out last (or prepared by next()).
    RecordingConnection* last() const { return m_last; }
    int created = 0;

private:
    std::unique_ptr<RecordingConnection> m_next;
    RecordingConnection* m_last = nullptr;
};

} // namespace tarnwell::testing
