#include "support/LoggedRun.h"

#include "support/BenchWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace tarnwell::bench {

// The cluster's runtime folder, which pg-cluster.sh records beside the odbc folder that
// ODBCSYSINI names, holds the log.
QString serverLogPath()
{
    const QString clusterDir = QFileInfo(qEnvironmentVariable("ODBCSYSINI")).absolutePath();
    QFile runtime(QDir(clusterDir).filePath(QStringLiteral("runtime-dir")));
    if (!runtime.open(QIODevice::ReadOnly))
        fail(QStringLiteral("no cluster of scripts/pg-cluster.sh beside ODBCSYSINI"));
    return QDir(QString::fromUtf8(runtime.readAll()).trimmed())
        .filePath(QStringLiteral("server.log"));
}

qint64 logSize(const QString& path)
{
    return QFileInfo(path).size();
}

// An entry begins with the prefix '<time>|tw|<session>|<user>|<database>| '; a statement
// spanning lines goes on in lines without it.
Statements statementsBetween(const QString& path, qint64 from, qint64 to, const QByteArray& user,
                             const QByteArray& database)
{
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(from))
        fail(QStringLiteral("cannot read the server log ") + path);
    const QList<QByteArray> lines = log.read(to - from).split('\n');
    static const QByteArray marker = QByteArrayLiteral("|tw|");
    static const QByteArray statement = QByteArrayLiteral("LOG:  statement: ");
    Statements found;
    bool inOurs = false;
    for (const QByteArray& line : lines) {
        const qsizetype at = line.indexOf(marker);
        const QList<QByteArray> fields =
            at < 0 ? QList<QByteArray>() : line.mid(at + marker.size()).split('|');
        if (fields.size() < 4) {
            if (inOurs && !line.isEmpty())
                found.texts.back() += '\n' + line;
            continue;
        }
        const QByteArray message = fields.mid(3).join('|').mid(1);
        inOurs = fields[1] == user && fields[2] == database && message.startsWith(statement);
        if (inOurs) {
            found.texts.push_back(message.mid(statement.size()));
            found.sessions.insert(fields[0]);
        }
    }
    return found;
}

std::vector<QByteArray> statementsOf(const QByteArray& request)
{
    static const QByteArray driverOwn[] = {QByteArrayLiteral("SAVEPOINT _EXEC_SVP_"),
                                           QByteArrayLiteral("RELEASE _EXEC_SVP_"),
                                           QByteArrayLiteral("ROLLBACK TO _EXEC_SVP_")};
    std::vector<QByteArray> statements;
    QByteArray current; // the statement so far, without comments
    const auto end = [&] {
        const QByteArray text = current.trimmed();
        const auto wraps = [&](const QByteArray& prefix) { return text.startsWith(prefix); };
        if (!text.isEmpty() && std::none_of(std::begin(driverOwn), std::end(driverOwn), wraps))
            statements.push_back(text);
        current.clear();
    };
    char quote = 0;
    bool lineComment = false;
    for (qsizetype i = 0; i < request.size(); ++i) {
        const char c = request[i];
        if (lineComment) {
            lineComment = c != '\n';
            continue;
        }
        if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '-' && i + 1 < request.size() && request[i + 1] == '-') {
            lineComment = true;
            continue;
        } else if (c == ';') {
            end();
            continue;
        }
        current += c;
    }
    end();
    return statements;
}

std::vector<QByteArray> statementsOf(const std::vector<QByteArray>& requests)
{
    std::vector<QByteArray> statements;
    for (const QByteArray& request : requests) {
        std::vector<QByteArray> each = statementsOf(request);
        statements.insert(statements.end(), std::make_move_iterator(each.begin()),
                          std::make_move_iterator(each.end()));
    }
    return statements;
}

std::size_t statementsIn(const QByteArray& request)
{
    return statementsOf(request).size();
}

std::size_t statementsIn(const std::vector<QByteArray>& requests)
{
    return statementsOf(requests).size();
}

QString writtenRows(testing::TestDatabase& database)
{
    return database.value(QStringLiteral(
        "SELECT (SELECT count(*) FROM strip_config) || ' configurations, ' || (SELECT count(*) "
        "FROM panel_strip) || ' strips, ' || (SELECT count(*) FROM channel) || ' channels, ' || "
        "(SELECT count(*) FROM panel_strip_term) || ' terminals'"));
}

QByteArray conninfo(const testing::TestDatabase& database, const QString& host)
{
    const auto quoted = [](const QString& value) {
        QString inner = value;
        inner.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('\''), QStringLiteral("\\'"));
        return QLatin1Char('\'') + inner + QLatin1Char('\'');
    };
    return (QStringLiteral("host=") + quoted(host.isEmpty() ? database.server() : host) +
            QStringLiteral(" dbname=") + quoted(database.name()) + QStringLiteral(" user=") +
            quoted(database.logon()) + QStringLiteral(" password=") + quoted(database.password()))
        .toUtf8();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void readRun(ProgramRun& run, const QString& logPath, qint64 beforeConnect, qint64 beforeImport,
             qint64 afterImport, testing::TestDatabase& database)
{
    const QByteArray user = database.logon().toUtf8(), name = database.name().toUtf8();
    run.listing = statementsBetween(logPath, beforeConnect, beforeImport, user, name);
    run.import = statementsBetween(logPath, beforeImport, afterImport, user, name);
    run.written = writtenRows(database);
    if (run.listing.texts.empty() || run.import.texts.empty())
        fail(QStringLiteral("the server log holds none of the program's statements; is "
                            "log_statement = all set?"));
}

} // namespace tarnwell::bench
