#pragma once

// The program's statements as the server received them: a cluster whose server logs every
// statement (log_statement = all, log_line_prefix = '%m|tw|%c|%u|%d| ', as bench/run-all.sh
// sets up), read between two offsets of its log; and one run of the program, Connect with its
// listing and then an import of everything, against a fresh database, with the statements of
// each phase taken from that log.

#include "support/TestDatabase.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <set>
#include <vector>

namespace tarnwell::bench {

// The log of the cluster ODBCSYSINI belongs to.
QString serverLogPath();
qint64 logSize(const QString& path);

struct Statements
{
    std::vector<QByteArray> texts; // one request each, as the server received it
    std::set<QByteArray> sessions;
};

// The requests that `user` sent to `database` between two offsets of the log.
Statements statementsBetween(const QString& path, qint64 from, qint64 to, const QByteArray& user,
                             const QByteArray& database);

// The statements of requests: split where a ";" outside quotes and comments ends one, without
// the savepoint commands the ODBC driver wraps each request in, which a client that sent several
// statements in one request would not multiply.
std::vector<QByteArray> statementsOf(const QByteArray& request);
std::vector<QByteArray> statementsOf(const std::vector<QByteArray>& requests);
std::size_t statementsIn(const QByteArray& request);
std::size_t statementsIn(const std::vector<QByteArray>& requests);

// What an import wrote, in words: the rows of its main tables counted.
QString writtenRows(testing::TestDatabase& database);

// libpq's connection string for `database` as its owner, through `host` (a socket folder)
// when one is given.
QByteArray conninfo(const testing::TestDatabase& database, const QString& host = {});

double median(std::vector<double> values);

struct ProgramRun
{
    Statements listing, import;
    double listingSeconds = 0, importSeconds = 0;
    QString written;
};

// Fills in the statements of `run`'s phases, which the log holds between the offsets, and what
// it wrote; ends the benchmark when the log holds none of them.
void readRun(ProgramRun& run, const QString& logPath, qint64 beforeConnect, qint64 beforeImport,
             qint64 afterImport, testing::TestDatabase& database);

// `Window` is BenchWindow (the window's logic with a widget-free view) or RealWindow.
// `prepare` may change the window before it connects; `atPhase` is called before Connect,
// between Connect and Import, and after Import.
template <typename Window>
ProgramRun runProgram(const QString& programPath, const QString& logPath,
                      const std::function<void(Window&)>& prepare = {},
                      const std::function<void()>& atPhase = {})
{
    testing::TestDatabase database;
    ProgramRun run;
    Window window(programPath, database);
    if (prepare)
        prepare(window);
    window.readLibrary();
    const auto boundary = [&] {
        if (atPhase)
            atPhase();
        return logSize(logPath);
    };
    const qint64 beforeConnect = boundary();
    run.listingSeconds = window.connectAndList();
    const qint64 beforeImport = boundary();
    run.importSeconds = window.importAll();
    readRun(run, logPath, beforeConnect, beforeImport, boundary(), database);
    return run;
}

} // namespace tarnwell::bench
