// How long the window's thread goes without turning its event loop while the window's logic
// works on its worker thread: the longest gap between the ticks of a 10 ms timer during the
// library read, Connect with the listing, an import of everything, and a 10 s wait on another
// session's lock ended with Cancel. Prints its figures; asserts nothing.
//
//   tarnwell-bench-event-loop PACKED_PROGRAM [LABEL]
//
// ODBCSYSINI must name the odbc folder of a cluster started by scripts/pg-cluster.sh.

#include "support/BenchWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace tarnwell;
using bench::BenchWindow;
using bench::PauseRecorder;

namespace {

constexpr double GoalMs = 100;
constexpr int LockWaitMs = 10'000;

void report(const char* phase, double seconds, double pauseMs, const QString& detail = {})
{
    std::printf("  %-32s %8.3f s   longest gap between ticks %7.1f ms %s%s\n", phase, seconds,
                pauseMs, pauseMs < GoalMs ? "(under 100 ms)" : "(OVER 100 ms)",
                detail.isEmpty() ? "" : qPrintable(QStringLiteral("  ") + detail));
    std::fflush(stdout);
}

bool waitingOnALock(testing::TestDatabase& database)
{
    return database
               .value(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                     "current_database() AND wait_event_type = 'Lock'"))
               .toInt() > 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tarnwell-bench-event-loop PACKED_PROGRAM [LABEL]\n");
        return 2;
    }
    const QString label = args.size() > 2 ? args[2] : args[1];

    testing::TestDatabase database;
    BenchWindow window(args[1], database);
    PauseRecorder pauses;
    std::printf("Event loop of the window's thread, %s\n", qPrintable(label));

    pauses.start();
    double seconds = window.readLibrary();
    report("library read", seconds, pauses.stopMs());

    pauses.start();
    seconds = window.connectAndList();
    report("Connect and listing", seconds, pauses.stopMs(),
           QString::number(window.listedLines()) + QStringLiteral(" lines"));

    pauses.start();
    seconds = window.importAll();
    report("import of everything", seconds, pauses.stopMs(),
           QString::number(window.listedLines()) + QStringLiteral(" apparatuses"));

    // Another session holds the first table the import writes to.
    auto holder = database.connect();
    if (!holder->beginTransaction() ||
        !holder->execute(QStringLiteral("LOCK TABLE strip_config IN ACCESS EXCLUSIVE MODE")))
        bench::fail(QStringLiteral("could not take the lock: ") +
                    holder->lastError().description());
    window.view.mode = app::ImportMode::All;
    QElapsedTimer waited;
    waited.start();
    pauses.start();
    window.controller.cmdImport_Click();
    bench::runFor(LockWaitMs);
    const double waitPause = pauses.stopMs();
    const double waitSeconds = double(waited.nsecsElapsed()) / 1e9;
    // Asked outside the measured time: the question goes through the window's thread.
    const bool waiting = waitingOnALock(database);
    if (!waiting || !window.controller.isImporting())
        bench::fail(QStringLiteral("the import was not waiting on the lock"));
    report("lock wait", waitSeconds, waitPause, QStringLiteral("import waiting on the lock"));

    QElapsedTimer cancelling;
    cancelling.start();
    pauses.start();
    window.controller.cmdCancel_Click();
    if (!bench::runUntil([&] { return !window.controller.isBusy(); }, 10'000))
        bench::fail(QStringLiteral("Cancel did not end the import"));
    report("Cancel until the window is free", double(cancelling.nsecsElapsed()) / 1e9,
           pauses.stopMs(), window.lastStatusLine().left(40));
    holder->rollback();
    return 0;
}
