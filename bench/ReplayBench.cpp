// How much of the time the program takes for the listing and for an import is the server's:
// the program's window-free workflow (the window's logic with its worker thread, as in the
// program) lists and imports a library; the statements its session sent are taken from the
// server's log, where log_statement = all records each request as it arrives, BEGIN, COMMIT,
// ROLLBACK and the ODBC driver's own savepoints included; then they are sent again, one request
// per round trip through libpq over the same socket, into fresh copies of the same database.
// Both sides are measured alike: three rounds, each a run of the program against a fresh
// database and then a replay of the first run's statements against another, and each side's
// median of the three is compared. Taking turns keeps whatever the server warms up or lets go
// between runs from favouring either side, and a single run of the program against the
// median of three replays would compare one noisy sample against the middle of three. A
// statement here is one request: the driver sends its savepoint commands in the same request
// as the program's statement, so they cost no round trip of their own. Prints its figures;
// asserts nothing.
//
//   tarnwell-bench-replay PACKED_PROGRAM [LABEL]
//
// ODBCSYSINI must name the odbc folder of a cluster started by scripts/pg-cluster.sh, whose
// server logs every statement with log_line_prefix = '%m|tw|%c|%u|%d| ' (bench/run-all.sh
// sets that up).

#include "support/BenchWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

using namespace tarnwell;
using bench::BenchWindow;

namespace {

constexpr int Rounds = 3;

// The server's log: the cluster's runtime folder, which pg-cluster.sh records beside the odbc
// folder that ODBCSYSINI names.
QString serverLogPath()
{
    const QString clusterDir = QFileInfo(qEnvironmentVariable("ODBCSYSINI")).absolutePath();
    QFile runtime(QDir(clusterDir).filePath(QStringLiteral("runtime-dir")));
    if (!runtime.open(QIODevice::ReadOnly))
        bench::fail(QStringLiteral("no cluster of scripts/pg-cluster.sh beside ODBCSYSINI"));
    return QDir(QString::fromUtf8(runtime.readAll()).trimmed())
        .filePath(QStringLiteral("server.log"));
}

qint64 logSize(const QString& path)
{
    return QFileInfo(path).size();
}

struct Statements
{
    std::vector<QByteArray> texts; // one request each, as the server received it
    std::set<QByteArray> sessions;
};

// The requests that `user` sent to `database` between two offsets of the log. An entry begins
// with the prefix '<time>|tw|<session>|<user>|<database>| '; a statement spanning lines goes on
// in lines without it.
Statements statementsBetween(const QString& path, qint64 from, qint64 to, const QByteArray& user,
                             const QByteArray& database)
{
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(from))
        bench::fail(QStringLiteral("cannot read the server log ") + path);
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

struct Replayed
{
    double seconds = 0;
    int refused = 0;
};

Replayed replay(PGconn* connection, const std::vector<QByteArray>& texts)
{
    Replayed result;
    QElapsedTimer elapsed;
    elapsed.start();
    for (const QByteArray& text : texts) {
        PGresult* answer = PQexec(connection, text.constData());
        const ExecStatusType status = PQresultStatus(answer);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            ++result.refused;
        PQclear(answer);
    }
    result.seconds = double(elapsed.nsecsElapsed()) / 1e9;
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const QString& label, const char* phase, const Statements& statements,
            const std::vector<double>& programs, const std::vector<double>& replays, int refused)
{
    const double program = median(programs), replayed = median(replays);
    const auto n = static_cast<double>(statements.texts.size());
    const auto list = [](const std::vector<double>& values) {
        QString text;
        for (std::size_t i = 0; i < values.size(); ++i)
            text += (i ? QStringLiteral(", ") : QString()) + QString::number(values[i], 'f', 3);
        return text;
    };
    std::printf("  %-8s %8zu statements   program median %8.3f s (%s)   replay median %8.3f s "
                "(%s)\n",
                phase, statements.texts.size(), program, qPrintable(list(programs)), replayed,
                qPrintable(list(replays)));
    std::printf("           program/replay %5.2f (first program run alone %5.2f)   program %8.0f "
                "statements/s   replay %8.0f statements/s%s\n",
                program / replayed, programs.front() / replayed, n / program, n / replayed,
                refused ? qPrintable(QStringLiteral("   (%1 refused in replay)").arg(refused))
                        : "");
    std::printf("ratio: replay %s %s program/replay %.2f\n", qPrintable(label), phase,
                program / replayed);
    std::fflush(stdout);
}

QByteArray conninfo(const testing::TestDatabase& database)
{
    const auto quoted = [](const QString& value) {
        QString inner = value;
        inner.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('\''), QStringLiteral("\\'"));
        return QLatin1Char('\'') + inner + QLatin1Char('\'');
    };
    return (QStringLiteral("host=") + quoted(database.server()) + QStringLiteral(" dbname=") +
            quoted(database.name()) + QStringLiteral(" user=") + quoted(database.logon()) +
            QStringLiteral(" password=") + quoted(database.password()))
        .toUtf8();
}

// One run of the program against a fresh database: the library read, Connect with its listing,
// and the import of everything, with the statements each sent and what it wrote.
struct ProgramRun
{
    Statements listing, import;
    double listingSeconds = 0, importSeconds = 0;
    QString written;
};

ProgramRun runProgram(const QString& programPath, const QString& logPath, const QString& rowCounts)
{
    testing::TestDatabase database;
    ProgramRun run;
    BenchWindow window(programPath, database);
    window.readLibrary();
    const qint64 beforeConnect = logSize(logPath);
    run.listingSeconds = window.connectAndList();
    const qint64 beforeImport = logSize(logPath);
    run.importSeconds = window.importAll();
    const qint64 afterImport = logSize(logPath);
    const QByteArray user = database.logon().toUtf8(), name = database.name().toUtf8();
    run.listing = statementsBetween(logPath, beforeConnect, beforeImport, user, name);
    run.import = statementsBetween(logPath, beforeImport, afterImport, user, name);
    run.written = database.value(rowCounts);
    if (run.listing.texts.empty() || run.import.texts.empty())
        bench::fail(QStringLiteral("the server log holds none of the program's statements; is "
                                   "log_statement = all set?"));
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tarnwell-bench-replay PACKED_PROGRAM [LABEL]\n");
        return 2;
    }
    const QString label = args.size() > 2 ? args[2] : args[1];
    const QString logPath = serverLogPath();

    const QString rowCounts = QStringLiteral(
        "SELECT (SELECT count(*) FROM strip_config) || ' configurations, ' || (SELECT count(*) "
        "FROM panel_strip) || ' strips, ' || (SELECT count(*) FROM channel) || ' channels, ' || "
        "(SELECT count(*) FROM panel_strip_term) || ' terminals'");

    ProgramRun first;
    std::vector<double> listingRuns, importRuns, listingReplays, importReplays, connects;
    int listingRefused = 0, importRefused = 0;
    QString replayWritten;
    for (int i = 0; i < Rounds; ++i) {
        ProgramRun run = runProgram(args[1], logPath, rowCounts);
        listingRuns.push_back(run.listingSeconds);
        importRuns.push_back(run.importSeconds);
        if (i == 0) {
            first = std::move(run);
            std::printf("Replay of the program's statements, %s: program wrote %s\n",
                        qPrintable(label), qPrintable(first.written));
            std::set<QByteArray> sessions = first.listing.sessions;
            sessions.insert(first.import.sessions.begin(), first.import.sessions.end());
            if (sessions.size() != 1)
                std::printf("  the program used %zu sessions; all are replayed over one\n",
                            sessions.size());
        } else if (run.listing.texts.size() != first.listing.texts.size() ||
                   run.import.texts.size() != first.import.texts.size() ||
                   run.written != first.written) {
            std::printf("  program run %d sent %zu + %zu statements and wrote %s\n", i + 1,
                        run.listing.texts.size(), run.import.texts.size(), qPrintable(run.written));
        }

        testing::TestDatabase fresh;
        // The program's listing time includes opening its connection; so does the replay's.
        QElapsedTimer connecting;
        connecting.start();
        PGconn* connection = PQconnectdb(conninfo(fresh).constData());
        if (PQstatus(connection) != CONNECTION_OK)
            bench::fail(QStringLiteral("libpq could not connect: ") +
                        QString::fromUtf8(PQerrorMessage(connection)));
        const double connectSeconds = double(connecting.nsecsElapsed()) / 1e9;
        const Replayed listed = replay(connection, first.listing.texts);
        const Replayed imported = replay(connection, first.import.texts);
        PQfinish(connection);
        listingReplays.push_back(connectSeconds + listed.seconds);
        importReplays.push_back(imported.seconds);
        listingRefused = std::max(listingRefused, listed.refused);
        importRefused = std::max(importRefused, imported.refused);
        connects.push_back(connectSeconds);
        replayWritten = fresh.value(rowCounts);
    }
    if (replayWritten != first.written)
        std::printf("  the replay wrote %s\n", qPrintable(replayWritten));
    std::printf("  (the replay's listing includes libpq's connect: median %.3f s)\n",
                median(connects));
    report(label, "listing", first.listing, listingRuns, listingReplays, listingRefused);
    report(label, "import", first.import, importRuns, importReplays, importRefused);
    return 0;
}
