// What a network between the program and its server costs. A proxy on a socket folder of its own
// delays every byte by half the round trip each way and counts the round trips the client
// waits for (support/DelayProxy.h); through it, at each round trip and library size chosen:
//   - the program's window-free workflow (the window's logic with its worker thread) connects
//     and lists the library, the driver's log-in included, then imports everything, into a
//     fresh database;
//   - libpq sends the requests that run sent (taken from the server's log, log_statement = all)
//     one PQexec each into another fresh database: one round trip per request, the most a
//     client that waits for every answer can do, its connect counted with the listing;
//   - libpq sends the same statements one PQexec each, as any client that sends one statement
//     at a time and waits for its answer would;
//   - libpq sends each phase's requests joined into one script, one request for the phase.
// Three rounds, taken in turns; medians are printed. Statements are those of the program's
// requests in the log, split where a ";" ends one, without the savepoints the ODBC driver puts
// around each request; "round trips per statement" is the program's import's round trips over
// them. A combination whose three rounds would take longer than the limit is not run: its
// figures are estimated from a smaller round trip at the same library size (the round trips
// do not depend on the delay) and printed as estimates. Prints its figures; asserts nothing.
//
//   tarnwell-bench-network [--delays "0 1 10 30"] [--scales "1 10 100"] [--limit-minutes 10]
//                          PROGRAMS_FOLDER
//
// --delays are round trips in milliseconds; --scales the library sizes (copies of the sample),
// whose packed programs PROGRAMS_FOLDER holds as tarnwell-x<scale> (bench/run-all.sh packs
// them); --limit-minutes the longest the three rounds of one combination may take. ODBCSYSINI
// must name the odbc folder of a cluster started by scripts/pg-cluster.sh whose server logs
// every statement with log_line_prefix = '%m|tw|%c|%u|%d| ' (bench/run-all.sh sets that up).

#include "support/BenchWindow.h"
#include "support/DelayProxy.h"
#include "support/LibpqReplay.h"
#include "support/LoggedRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <libpq-fe.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

using namespace tarnwell;
using namespace tarnwell::bench;

namespace {

constexpr int Rounds = 3;
// What the program should come to over a network, printed beside the figures: a listing in a
// fixed number of round trips whatever the library's size, and an import that waits for a
// fraction of its statements.
constexpr int ListingGoal = 15;
constexpr double ImportGoal = 0.15;

struct Options
{
    std::vector<double> delaysMs{0, 1, 10, 30};
    std::vector<int> scales{1, 10, 100};
    double limitMinutes = 10;
    QString programs;
};

// One side of one phase, over the rounds.
struct Figures
{
    std::vector<double> seconds;
    std::vector<std::int64_t> roundTrips;
    int connections = 0;
    int refused = 0;

    double medianSeconds() const { return median(seconds); }
    std::int64_t medianRoundTrips() const
    {
        std::vector<std::int64_t> sorted = roundTrips;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    void add(double s, const DelayProxy::Snapshot& span)
    {
        seconds.push_back(s);
        std::int64_t total = 0;
        for (const DelayProxy::Connection& connection : span)
            total += connection.roundTrips;
        roundTrips.push_back(total);
        connections = std::max(connections, static_cast<int>(span.size()));
    }
};

struct Phase
{
    Figures program, oneByOne, eachStatement, script;
    std::size_t requests = 0, statements = 0;
};

struct Cell
{
    int scale = 1;
    double delayMs = 0;
    Phase listing, import;
    double wallSeconds = 0;
    int rounds = 0;
    bool estimated = false;
    // Of the import's transactions: those committed, and those rolled back, each of which is an
    // apparatus whose foretold answers missed and which was written again one statement at a
    // time (the benchmark's imports refuse nothing).
    std::size_t commits = 0, rollbacks = 0;
    std::vector<QString> notes;

    // Once, however many rounds find the same.
    void note(const QString& text)
    {
        if (std::find(notes.begin(), notes.end(), text) == notes.end())
            notes.push_back(text);
    }
    std::int64_t roundTripsPerRound() const
    {
        std::int64_t total = 0;
        for (const Phase* phase : {&listing, &import}) {
            for (const Figures* side :
                 {&phase->program, &phase->oneByOne, &phase->eachStatement, &phase->script})
                total += side->medianRoundTrips();
        }
        return total;
    }
};

// The server runs the statements of one request in order and answers each: the whole phase in
// one round trip.
QByteArray script(const std::vector<QByteArray>& requests)
{
    QByteArray joined;
    for (const QByteArray& request : requests)
        joined += request + ";\n";
    return joined;
}

class Bench
{
public:
    explicit Bench(Options options)
        : m_options(std::move(options)), m_logPath(serverLogPath()),
          // Short: a socket's path holds about 107 bytes.
          m_folder(QDir::temp().filePath(QStringLiteral("twnet-XXXXXX")))
    {
        const testing::TestCluster cluster = testing::TestCluster::fromEnvironment();
        m_proxyFolder = m_folder.path();
        const QString socket = QStringLiteral("/.s.PGSQL.%1").arg(cluster.port);
        try {
            m_proxy.listen((m_proxyFolder + socket).toStdString(),
                           (cluster.socketDir + socket).toStdString());
        } catch (const std::exception& error) {
            fail(QString::fromUtf8(error.what()));
        }
    }

    void run()
    {
        for (const int scale : m_options.scales) {
            for (const double delay : m_options.delaysMs)
                m_cells.push_back(runOrEstimate(scale, delay));
        }
        summary();
    }

private:
    QString program(int scale) const
    {
        return QDir(m_options.programs).filePath(QStringLiteral("tarnwell-x%1").arg(scale));
    }

    Cell runOrEstimate(int scale, double delayMs)
    {
        // The measured combination at this size with the largest round trip below this one.
        const Cell* basis = m_probes.contains(scale) ? &m_probes.at(scale) : nullptr;
        for (const Cell& cell : m_cells) {
            if (cell.scale == scale && !cell.estimated && cell.delayMs <= delayMs)
                basis = &cell;
        }
        if (!basis && delayMs > 0) {
            std::printf("\nNetwork, library %dx: one round at 0 ms first, to estimate from\n",
                        scale);
            basis = &m_probes.emplace(scale, measure(scale, 0, 1)).first->second;
        }
        if (basis) {
            const double extra = (delayMs - basis->delayMs) / 1000;
            const double perRound =
                basis->wallSeconds / basis->rounds + double(basis->roundTripsPerRound()) * extra;
            if (perRound * Rounds > m_options.limitMinutes * 60) {
                Cell cell = estimate(*basis, delayMs);
                cell.note(QStringLiteral("not run: its %1 rounds would take about %2 minutes "
                                         "(%3 round trips a round at %4 ms), over the limit of "
                                         "%5; estimated from the %6 ms figures")
                              .arg(Rounds)
                              .arg(perRound * Rounds / 60, 0, 'f', 1)
                              .arg(basis->roundTripsPerRound())
                              .arg(delayMs)
                              .arg(m_options.limitMinutes)
                              .arg(basis->delayMs));
                print(cell);
                return cell;
            }
        }
        Cell cell = measure(scale, delayMs, Rounds);
        print(cell);
        return cell;
    }

    // Each side's time grows by its round trips times the difference in round trip.
    static Cell estimate(const Cell& basis, double delayMs)
    {
        Cell cell;
        cell.scale = basis.scale;
        cell.delayMs = delayMs;
        cell.estimated = true;
        cell.rounds = 1;
        const double extra = (delayMs - basis.delayMs) / 1000;
        const auto scaled = [&](const Phase& from, Phase& to) {
            to.requests = from.requests;
            to.statements = from.statements;
            const std::pair<const Figures*, Figures*> sides[] = {
                {&from.program, &to.program},
                {&from.oneByOne, &to.oneByOne},
                {&from.eachStatement, &to.eachStatement},
                {&from.script, &to.script}};
            for (const auto& [source, target] : sides) {
                const std::int64_t trips = source->medianRoundTrips();
                target->roundTrips = {trips};
                target->seconds = {source->medianSeconds() + double(trips) * extra};
                target->connections = source->connections;
            }
        };
        scaled(basis.listing, cell.listing);
        scaled(basis.import, cell.import);
        return cell;
    }

    Cell measure(int scale, double delayMs, int rounds)
    {
        Cell cell;
        cell.scale = scale;
        cell.delayMs = delayMs;
        cell.rounds = rounds;
        m_proxy.setRoundTrip(std::chrono::microseconds(std::llround(delayMs * 1000)));
        QElapsedTimer wall;
        wall.start();
        ProgramRun first;
        for (int round = 0; round < rounds; ++round) {
            ProgramRun run = runThroughProxy(scale, cell);
            if (round == 0) {
                first = std::move(run);
                cell.listing.requests = first.listing.texts.size();
                cell.import.requests = first.import.texts.size();
                cell.listing.statements = statementsIn(first.listing.texts);
                cell.import.statements = statementsIn(first.import.texts);
                for (const QByteArray& request : first.import.texts) {
                    cell.commits += request.trimmed() == "COMMIT";
                    cell.rollbacks += request.trimmed() == "ROLLBACK";
                }
                std::set<QByteArray> sessions = first.listing.sessions;
                sessions.insert(first.import.sessions.begin(), first.import.sessions.end());
                if (sessions.size() != 1)
                    cell.note(QStringLiteral("the program used %1 sessions; the "
                                             "replays use one")
                                  .arg(sessions.size()));
            } else if (run.listing.texts.size() != first.listing.texts.size() ||
                       run.import.texts.size() != first.import.texts.size() ||
                       run.written != first.written) {
                cell.note(QStringLiteral("program round %1 sent %2 + %3 requests and "
                                         "wrote %4")
                              .arg(round + 1)
                              .arg(run.listing.texts.size())
                              .arg(run.import.texts.size())
                              .arg(run.written));
            }
            replayOneByOne(first.listing.texts, first.import.texts, first, cell, &Phase::oneByOne,
                           "replay one request per round trip");
            replayOneByOne(statementsOf(first.listing.texts), statementsOf(first.import.texts),
                           first, cell, &Phase::eachStatement,
                           "replay one statement per round trip");
            replayAsScript(first, cell);
        }
        cell.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        return cell;
    }

    ProgramRun runThroughProxy(int scale, Cell& cell)
    {
        std::vector<DelayProxy::Snapshot> marks;
        const ProgramRun run = runProgram<BenchWindow>(
            program(scale), m_logPath,
            [this](BenchWindow& window) { window.view.server = m_proxyFolder; },
            [&] { marks.push_back(m_proxy.snapshot()); });
        cell.listing.program.add(run.listingSeconds, DelayProxy::since(marks[0], marks[1]));
        cell.import.program.add(run.importSeconds, DelayProxy::since(marks[1], marks[2]));
        return run;
    }

    void compareWritten(const char* who, testing::TestDatabase& database, const ProgramRun& program,
                        Cell& cell)
    {
        const QString written = writtenRows(database);
        if (written != program.written)
            cell.note(QStringLiteral("the %1 wrote %2, the program %3")
                          .arg(QLatin1String(who), written, program.written));
    }

    // The listing's time includes the connect, as the program's includes its log-in.
    void replayOneByOne(const std::vector<QByteArray>& listing,
                        const std::vector<QByteArray>& import, const ProgramRun& program,
                        Cell& cell, Figures Phase::*side, const char* who)
    {
        testing::TestDatabase fresh;
        const DelayProxy::Snapshot before = m_proxy.snapshot();
        QElapsedTimer connecting;
        connecting.start();
        PGconn* connection = connectOrFail(conninfo(fresh, m_proxyFolder));
        const double connectSeconds = double(connecting.nsecsElapsed()) / 1e9;
        const Replayed listed = replay(connection, listing);
        const DelayProxy::Snapshot between = m_proxy.snapshot();
        const Replayed imported = replay(connection, import);
        const DelayProxy::Snapshot after = m_proxy.snapshot();
        PQfinish(connection);
        Figures& listingSide = cell.listing.*side;
        Figures& importSide = cell.import.*side;
        listingSide.add(connectSeconds + listed.seconds, DelayProxy::since(before, between));
        importSide.add(imported.seconds, DelayProxy::since(between, after));
        listingSide.refused = std::max(listingSide.refused, listed.refused);
        importSide.refused = std::max(importSide.refused, imported.refused);
        compareWritten(who, fresh, program, cell);
    }

    void replayAsScript(const ProgramRun& program, Cell& cell)
    {
        testing::TestDatabase fresh;
        const QByteArray listing = script(program.listing.texts);
        const QByteArray import = script(program.import.texts);
        const auto sent = [](PGconn* connection, const QByteArray& text) {
            PGresult* answer = PQexec(connection, text.constData());
            const ExecStatusType status = PQresultStatus(answer);
            PQclear(answer);
            return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ? 0 : 1;
        };
        const DelayProxy::Snapshot before = m_proxy.snapshot();
        QElapsedTimer elapsed;
        elapsed.start();
        PGconn* connection = connectOrFail(conninfo(fresh, m_proxyFolder));
        const int listingRefused = sent(connection, listing);
        const double listingSeconds = double(elapsed.nsecsElapsed()) / 1e9;
        const DelayProxy::Snapshot between = m_proxy.snapshot();
        elapsed.restart();
        const int importRefused = sent(connection, import);
        const double importSeconds = double(elapsed.nsecsElapsed()) / 1e9;
        const DelayProxy::Snapshot after = m_proxy.snapshot();
        PQfinish(connection);
        cell.listing.script.add(listingSeconds, DelayProxy::since(before, between));
        cell.import.script.add(importSeconds, DelayProxy::since(between, after));
        cell.listing.script.refused = std::max(cell.listing.script.refused, listingRefused);
        cell.import.script.refused = std::max(cell.import.script.refused, importRefused);
        compareWritten("script", fresh, program, cell);
    }

    static QString secondsOf(const Figures& figures, bool estimated)
    {
        QString text = QStringLiteral("%1%2 s")
                           .arg(estimated ? QStringLiteral("~") : QString())
                           .arg(figures.medianSeconds(), 0, 'f', 3);
        if (figures.seconds.size() > 1) {
            QStringList each;
            for (const double s : figures.seconds)
                each << QString::number(s, 'f', 3);
            text += QStringLiteral(" (") + each.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        return text;
    }

    static void printPhase(const char* name, const Phase& phase, bool estimated)
    {
        const std::pair<const char*, const Figures*> sides[] = {
            {"program", &phase.program},
            {"one request per round trip", &phase.oneByOne},
            {"one statement per round trip", &phase.eachStatement},
            {"as one script", &phase.script}};
        bool first = true;
        for (const auto& [side, figures] : sides) {
            const std::int64_t trips = figures->medianRoundTrips();
            std::printf("  %-8s %-28s %10zu %12lld %9.3f   %s%s\n", first ? name : "", side,
                        phase.statements, static_cast<long long>(trips),
                        double(trips) / double(std::max<std::size_t>(phase.statements, 1)),
                        qPrintable(secondsOf(*figures, estimated)),
                        figures->refused
                            ? qPrintable(QStringLiteral("  (%1 refused)").arg(figures->refused))
                            : "");
            first = false;
        }
    }

    static void print(const Cell& cell)
    {
        std::printf("\nNetwork, library %dx, round trip %g ms%s\n", cell.scale, cell.delayMs,
                    cell.estimated ? ", estimated" : ", medians of 3 rounds");
        std::printf("  %-8s %-28s %10s %12s %9s   %s\n", "", "", "statements", "round trips",
                    "per stmt", "time");
        printPhase("listing", cell.listing, cell.estimated);
        printPhase("import", cell.import, cell.estimated);
        std::printf("  (%zu + %zu requests in the log; the program's listing used %d connection(s),"
                    " its import %d)\n",
                    cell.listing.requests, cell.import.requests, cell.listing.program.connections,
                    cell.import.program.connections);
        if (!cell.estimated)
            std::printf("  apparatuses written ahead: %zu committed, %zu missed and written again "
                        "one statement at a time\n",
                        cell.commits, cell.rollbacks);
        for (const QString& note : cell.notes)
            std::printf("  %s\n", qPrintable(note));
        const std::int64_t listed = cell.listing.program.medianRoundTrips();
        const double perStatement = double(cell.import.program.medianRoundTrips()) /
                                    double(std::max<std::size_t>(cell.import.statements, 1));
        std::printf("ratio: network %dx %g ms%s: listing %lld round trips (goal <= %d), import "
                    "%.3f round trips per statement (goal <= %.2f at 10 ms), import %.3f s\n",
                    cell.scale, cell.delayMs, cell.estimated ? " (estimated)" : "",
                    static_cast<long long>(listed), ListingGoal, perStatement, ImportGoal,
                    cell.import.program.medianSeconds());
        std::fflush(stdout);
    }

    // One line for each combination, as the table has it: statements, round trips and
    // time of the program's listing and import, and the import's replays beside them.
    void summary() const
    {
        const std::vector<std::pair<const char*, int>> columns = {
            {"library", 7},    {"trip ms", 7},     {"list stmts", 10},  {"list trips", 10},
            {"list time", 10}, {"imp stmts", 9},   {"imp trips", 9},    {"trips/stmt", 10},
            {"imp time", 10},  {"1 req/trip", 10}, {"1 stmt/trip", 11}, {"script time", 11}};
        const auto line = [&](const QStringList& cells) {
            QString text = QStringLiteral(" ");
            for (std::size_t i = 0; i < columns.size(); ++i)
                text += QLatin1Char(' ') + cells[int(i)].rightJustified(columns[i].second);
            std::printf("%s\n", qPrintable(text));
        };
        std::printf("\nNetwork summary (medians of 3 rounds; ~ marks an estimate, not run)\n");
        QStringList titles;
        for (const auto& column : columns)
            titles << QLatin1String(column.first);
        line(titles);
        for (const Cell& cell : m_cells) {
            const QString mark = cell.estimated ? QStringLiteral("~") : QString();
            const auto time = [&](const Figures& figures) {
                return mark + QString::number(figures.medianSeconds(), 'f', 3);
            };
            const std::int64_t importTrips = cell.import.program.medianRoundTrips();
            line({QStringLiteral("%1x").arg(cell.scale), QString::number(cell.delayMs),
                  QString::number(cell.listing.statements),
                  QString::number(cell.listing.program.medianRoundTrips()),
                  time(cell.listing.program), QString::number(cell.import.statements),
                  QString::number(importTrips),
                  QString::number(double(importTrips) /
                                      double(std::max<std::size_t>(cell.import.statements, 1)),
                                  'f', 3),
                  time(cell.import.program), time(cell.import.oneByOne),
                  time(cell.import.eachStatement), time(cell.import.script)});
        }
        std::fflush(stdout);
    }

    Options m_options;
    QString m_logPath;
    QTemporaryDir m_folder;
    QString m_proxyFolder;
    DelayProxy m_proxy;
    std::vector<Cell> m_cells;
    std::map<int, Cell> m_probes; // one round at 0 ms, where none of the delays is 0
};

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: tarnwell-bench-network [--delays \"0 1 10 30\"] [--scales \"1 10 "
                         "100\"] [--limit-minutes 10] PROGRAMS_FOLDER\n");
    std::exit(2);
}

Options parse(const QStringList& args)
{
    Options options;
    // A round trip or a limit is any number from 0 up, a scale a whole number from 1 up.
    const auto number = []<typename Number>(const QString& word, Number least) {
        bool ok = false;
        const double value = word.toDouble(&ok);
        if (!ok || value < double(least) || double(Number(value)) != value)
            usage();
        return Number(value);
    };
    const auto numbers = [&]<typename Number>(const QString& list, Number least) {
        std::vector<Number> values;
        for (const QString& word : list.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            values.push_back(number(word, least));
        if (values.empty())
            usage();
        return values;
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--delays") && hasValue) {
            options.delaysMs = numbers(args[++i], 0.0);
            std::sort(options.delaysMs.begin(), options.delaysMs.end());
        } else if (arg == QLatin1String("--scales") && hasValue) {
            options.scales = numbers(args[++i], 1);
        } else if (arg == QLatin1String("--limit-minutes") && hasValue) {
            options.limitMinutes = number(args[++i], 0.0);
        } else if (arg.startsWith(QLatin1String("--")) || !options.programs.isEmpty()) {
            usage();
        } else {
            options.programs = arg;
        }
    }
    if (options.programs.isEmpty())
        usage();
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Bench bench(parse(app.arguments()));
    bench.run();
    return 0;
}
