// What the program costs while nobody uses it: the CPU seconds its process (every thread) uses
// in the 5 s after the library is read, after Connect has listed the library and after an
// import of everything, with the window's event loop running and nothing else to do. Prints its
// figures; asserts nothing.
//
//   tarnwell-bench-idle PACKED_PROGRAM [LABEL]
//
// ODBCSYSINI must name the odbc folder of a cluster started by scripts/pg-cluster.sh.

#include "support/BenchWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>

using namespace tarnwell;
using bench::BenchWindow;

namespace {

constexpr int IdleMs = 5000;

// How often the process's threads went to sleep: each wake-up of an idle thread ends in one.
long voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

void idle(const char* after)
{
    QElapsedTimer wall;
    const double before = bench::processCpuSeconds();
    const long wakeupsBefore = voluntarySwitches();
    wall.start();
    bench::runFor(IdleMs);
    const double cpu = bench::processCpuSeconds() - before;
    const long wakeups = voluntarySwitches() - wakeupsBefore;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("  idle after %-18s %8.4f CPU s in %5.2f s (%6.3f %% of one core), %ld "
                "voluntary context switches\n",
                after, cpu, seconds, 100 * cpu / seconds, wakeups);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tarnwell-bench-idle PACKED_PROGRAM [LABEL]\n");
        return 2;
    }
    testing::TestDatabase database;
    BenchWindow window(args[1], database);
    std::printf("Idle CPU of the program's process, %s\n",
                qPrintable(args.size() > 2 ? args[2] : args[1]));

    window.readLibrary();
    idle("the library read");
    window.connectAndList();
    idle("the listing");
    window.importAll();
    idle("the import");
    return 0;
}
