// How much of the time the program takes for the listing and for an import is the server's:
// the program's window-free workflow (the window's logic with its worker thread, as in the
// program) lists and imports a library, and so does its real window on the offscreen platform,
// driven through its widgets; the requests the first session sent are taken from the
// server's log, where log_statement = all records each request as it arrives, BEGIN, COMMIT,
// ROLLBACK and the ODBC driver's own savepoints included; then they are sent again, one request
// per round trip over the same socket, into fresh copies of the same database:
//   - by psql, reading them from a script: the yardstick the program is held against;
//   - by libpq in this process, one PQexec each and nothing else: the floor of any client;
//   - through the ODBC driver, by OdbcConnection as the program sends them but without the
//     program around it: what the driver itself costs over libpq.
// A request is one round trip: the driver sends its savepoint commands in the same request as
// the program's statement, and psql is given them joined by "\;" so that it does the same.
// Every side is measured alike: three rounds, each a run of the program against a fresh
// database and then each replay of the first run's requests against another, and each side's
// median of the three is compared. Taking turns keeps whatever the server warms up or lets go
// between runs from favouring either side. Prints its figures; asserts nothing.
//
//   tarnwell-bench-replay PACKED_PROGRAM [LABEL]
//
// ODBCSYSINI must name the odbc folder of a cluster started by scripts/pg-cluster.sh, whose
// server logs every statement with log_line_prefix = '%m|tw|%c|%u|%d| ' (bench/run-all.sh
// sets that up).

#include "support/BenchWindow.h"
#include "support/LibpqReplay.h"
#include "support/LoggedRun.h"
#include "support/RealWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

using namespace tarnwell;
using namespace tarnwell::bench;

namespace {

constexpr int Rounds = 3;

// The requests again through the ODBC driver, sent as OdbcConnection sends the program's. The
// driver's own wrapping (a leading BEGIN; and its savepoint commands) comes off first, since the
// driver adds it again; a transaction is begun where the log shows the driver beginning one and
// ended as the program ends it.
Replayed replayThroughOdbc(db::OdbcConnection& connection, const std::vector<QByteArray>& texts)
{
    static const QByteArray release = QByteArrayLiteral("RELEASE _EXEC_SVP_");
    static const QByteArray savepoint = QByteArrayLiteral("SAVEPOINT _EXEC_SVP_");
    static const QByteArray begin = QByteArrayLiteral("BEGIN;");
    struct Request
    {
        bool begins = false;
        QString sql;
    };
    std::vector<Request> requests;
    requests.reserve(texts.size());
    for (QByteArray text : texts) {
        for (const QByteArray* wrap : {&release, &savepoint}) {
            if (text.startsWith(*wrap))
                text = text.mid(text.indexOf(';') + 1);
        }
        const bool begins = text.startsWith(begin);
        if (begins)
            text = text.mid(begin.size());
        requests.push_back({begins, QString::fromUtf8(text)});
    }

    Replayed result;
    QElapsedTimer elapsed;
    elapsed.start();
    for (const Request& request : requests) {
        if (request.begins && !connection.beginTransaction())
            ++result.refused;
        bool ok = false;
        if (request.sql == QLatin1String("COMMIT")) {
            ok = connection.commit();
        } else if (request.sql == QLatin1String("ROLLBACK")) {
            ok = connection.rollback();
        } else {
            db::ResultSet rows;
            ok = connection.query(request.sql, rows);
        }
        if (!ok)
            ++result.refused;
    }
    result.seconds = double(elapsed.nsecsElapsed()) / 1e9;
    return result;
}

// A request as one line of a psql script: every ";" outside quotes becomes "\;", which keeps
// the request's statements in one round trip, and a ";" ends it.
QByteArray psqlRequest(const QByteArray& text)
{
    QByteArray line;
    line.reserve(text.size() + 8);
    char quote = 0;
    for (const char c : text) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            line += '\\';
        }
        line += c;
    }
    return line + ";\n";
}

struct PsqlReplayed
{
    double listingSeconds = 0, importSeconds = 0;
    int refused = 0;
};

// psql reads the listing's and the import's requests from a script, results thrown away, and
// marks on its standard error (which it does not buffer) where each begins and ends; the time
// between the marks is the replay's. psql has connected before it reads the script, so the
// listing's time leaves its connect out: `connectSeconds` is added for it.
PsqlReplayed replayWithPsql(const testing::TestDatabase& database,
                            const std::vector<QByteArray>& listing,
                            const std::vector<QByteArray>& import, double connectSeconds)
{
    QTemporaryFile script(QDir::temp().filePath(QStringLiteral("tarnwell-replay-XXXXXX.sql")));
    if (!script.open())
        fail(QStringLiteral("cannot write the psql script"));
    script.write("\\o /dev/null\n\\warn tw-begin\n");
    for (const QByteArray& text : listing)
        script.write(psqlRequest(text));
    script.write("\\warn tw-listed\n");
    for (const QByteArray& text : import)
        script.write(psqlRequest(text));
    script.write("\\warn tw-imported\n");
    script.close();

    QProcess psql;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), database.password());
    psql.setProcessEnvironment(environment);
    psql.setStandardOutputFile(QProcess::nullDevice());
    psql.setReadChannel(QProcess::StandardError);
    psql.start(QStringLiteral("/usr/lib/postgresql/15/bin/psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"), database.server(),
                QStringLiteral("-d"), database.name(), QStringLiteral("-U"), database.logon(),
                QStringLiteral("-f"), script.fileName()});
    if (!psql.waitForStarted())
        fail(QStringLiteral("psql did not start"));

    PsqlReplayed result;
    QElapsedTimer clock;
    clock.start();
    qint64 begun = -1, listed = -1, imported = -1;
    QByteArray pending;
    while (imported < 0) {
        if (!psql.waitForReadyRead(10 * 60 * 1000))
            fail(QStringLiteral("psql ended before the replay did: ") +
                 QString::fromUtf8(pending + psql.readAllStandardError()));
        pending += psql.readAllStandardError();
        const qint64 now = clock.nsecsElapsed();
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line == "tw-begin")
                begun = now;
            else if (line == "tw-listed")
                listed = now;
            else if (line == "tw-imported")
                imported = now;
            else if (line.contains("ERROR:"))
                ++result.refused;
        }
    }
    psql.waitForFinished();
    if (begun < 0 || listed < 0)
        fail(QStringLiteral("psql's marks came out of order"));
    result.listingSeconds = double(listed - begun) / 1e9 + connectSeconds;
    result.importSeconds = double(imported - listed) / 1e9;
    return result;
}

// One side's seconds in each of the rounds.
struct Side
{
    const char* name;
    std::vector<double> seconds;
    int refused = 0;
};

QString listed(const std::vector<double>& values)
{
    QString text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? QStringLiteral(", ") : QString()) + QString::number(values[i], 'f', 3);
    return text;
}

// The program's sides (window-free workflow, real window) against the replays.
void report(const QString& label, const char* phase, const Statements& statements,
            const std::vector<const Side*>& programs, const Side& psql, const Side& libpq,
            const Side& odbc)
{
    const auto n = static_cast<double>(statements.texts.size());
    std::printf("  %s, %zu requests\n", phase, statements.texts.size());
    std::vector<const Side*> sides = programs;
    sides.insert(sides.end(), {&psql, &libpq, &odbc});
    for (const Side* side : sides) {
        const double seconds = median(side->seconds);
        std::printf("    %-34s median %7.3f s (%s)  %7.0f requests/s%s\n", side->name, seconds,
                    qPrintable(listed(side->seconds)), n / seconds,
                    side->refused ? qPrintable(QStringLiteral("  (%1 refused)").arg(side->refused))
                                  : "");
    }
    const double byPsql = median(psql.seconds), byLibpq = median(libpq.seconds);
    const double odbcAlone = median(odbc.seconds) / byLibpq;
    for (const Side* program : programs) {
        const double ours = median(program->seconds);
        std::printf("    %s: /psql %.2f (first run alone %.2f)   /libpq %.2f   (ODBC driver "
                    "alone/libpq %.2f)\n",
                    program->name, ours / byPsql, program->seconds.front() / byPsql, ours / byLibpq,
                    odbcAlone);
        std::printf("ratio: replay %s %s %s/psql %.2f   (/libpq %.2f, ODBC driver alone/libpq "
                    "%.2f)\n",
                    qPrintable(label), phase, program->name, ours / byPsql, ours / byLibpq,
                    odbcAlone);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    // The real window is shown on the offscreen platform unless a display is chosen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the figures: the offscreen platform's remarks about window sizes say nothing here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtDebugMsg || text.contains(QLatin1String("propagateSizeHints")) ||
            text.startsWith(QLatin1String("QStandardPaths:")))
            return;
        std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tarnwell-bench-replay PACKED_PROGRAM [LABEL]\n");
        return 2;
    }
    const QString label = args.size() > 2 ? args[2] : args[1];
    const QString logPath = serverLogPath();

    ProgramRun first;
    const auto side = [](const char* name) { return Side{name, {}, 0}; };
    Side listingProgram = side("program (window's logic)");
    Side importProgram = side("program (window's logic)");
    Side listingWindow = side("program (real window)"),
         importWindow = side("program (real window)");
    Side listingPsql = side("psql replay"), importPsql = side("psql replay");
    Side listingLibpq = side("libpq replay, in this process");
    Side importLibpq = side("libpq replay, in this process");
    Side listingOdbc = side("the same through ODBC, no program");
    Side importOdbc = side("the same through ODBC, no program");
    std::vector<double> connects, odbcConnects;
    // What each replay wrote, when it differs from what the program wrote.
    std::set<QString> differences;
    for (int i = 0; i < Rounds; ++i) {
        ProgramRun run = runProgram<BenchWindow>(args[1], logPath);
        listingProgram.seconds.push_back(run.listingSeconds);
        importProgram.seconds.push_back(run.importSeconds);
        const ProgramRun windowRun = runProgram<RealWindow>(args[1], logPath);
        listingWindow.seconds.push_back(windowRun.listingSeconds);
        importWindow.seconds.push_back(windowRun.importSeconds);
        if (windowRun.listing.texts.size() != run.listing.texts.size() ||
            windowRun.import.texts.size() != run.import.texts.size() ||
            windowRun.written != run.written) {
            std::printf("  the real window in round %d sent %zu + %zu requests and wrote %s\n",
                        i + 1, windowRun.listing.texts.size(), windowRun.import.texts.size(),
                        qPrintable(windowRun.written));
        }
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
            std::printf("  program run %d sent %zu + %zu requests and wrote %s\n", i + 1,
                        run.listing.texts.size(), run.import.texts.size(), qPrintable(run.written));
        }
        const auto check = [&](const char* who, testing::TestDatabase& database) {
            const QString written = writtenRows(database);
            if (written != first.written)
                differences.insert(
                    QStringLiteral("the %1 wrote %2").arg(QLatin1String(who), written));
        };

        {
            testing::TestDatabase fresh;
            // The program's listing time includes opening its connection; so does each replay's.
            QElapsedTimer connecting;
            connecting.start();
            PGconn* connection = connectOrFail(conninfo(fresh));
            const double connectSeconds = double(connecting.nsecsElapsed()) / 1e9;
            const Replayed listed = replay(connection, first.listing.texts);
            const Replayed imported = replay(connection, first.import.texts);
            PQfinish(connection);
            listingLibpq.seconds.push_back(connectSeconds + listed.seconds);
            importLibpq.seconds.push_back(imported.seconds);
            listingLibpq.refused = std::max(listingLibpq.refused, listed.refused);
            importLibpq.refused = std::max(importLibpq.refused, imported.refused);
            connects.push_back(connectSeconds);
            check("libpq replay", fresh);
        }
        {
            testing::TestDatabase fresh;
            const PsqlReplayed replayed =
                replayWithPsql(fresh, first.listing.texts, first.import.texts, connects.back());
            listingPsql.seconds.push_back(replayed.listingSeconds);
            importPsql.seconds.push_back(replayed.importSeconds);
            importPsql.refused = std::max(importPsql.refused, replayed.refused);
            check("psql replay", fresh);
        }
        {
            testing::TestDatabase fresh;
            QElapsedTimer connecting;
            connecting.start();
            const std::unique_ptr<db::OdbcConnection> connection = fresh.connect();
            const double connectSeconds = double(connecting.nsecsElapsed()) / 1e9;
            odbcConnects.push_back(connectSeconds);
            const Replayed listed = replayThroughOdbc(*connection, first.listing.texts);
            const Replayed imported = replayThroughOdbc(*connection, first.import.texts);
            listingOdbc.seconds.push_back(connectSeconds + listed.seconds);
            importOdbc.seconds.push_back(imported.seconds);
            listingOdbc.refused = std::max(listingOdbc.refused, listed.refused);
            importOdbc.refused = std::max(importOdbc.refused, imported.refused);
            check("replay through ODBC", fresh);
        }
    }
    for (const QString& difference : differences)
        std::printf("  %s\n", qPrintable(difference));
    std::printf("  (each listing includes its connect: libpq's median %.3f s, which psql's listing "
                "is given too, OdbcConnection's %.3f s; psql's refusals are counted over both "
                "phases)\n",
                median(connects), median(odbcConnects));
    report(label, "listing", first.listing, {&listingProgram, &listingWindow}, listingPsql,
           listingLibpq, listingOdbc);
    report(label, "import", first.import, {&importProgram, &importWindow}, importPsql, importLibpq,
           importOdbc);
    return 0;
}
