#pragma once

// What the benchmarks that need a database share: the window's logic as the program runs it
// (its database work on a worker thread, the window's thread turning a real event loop), with a
// widget-free view, against a fresh database on the cluster ODBCSYSINI points to.

#include "app/FakeMainView.h"
#include "app/core/Executor.h"
#include "app/core/MainController.h"
#include "db/OdbcConnection.h"
#include "support/TestDatabase.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace tarnwell::bench {

class BenchWindow
{
public:
    BenchWindow(const QString& programPath, const testing::TestDatabase& database);

    // Each runs the window's event loop until the work it started has ended, and returns the
    // seconds that took; it stops the benchmark with a message when the work fails.
    double readLibrary();
    double connectAndList();
    double importAll();

    // The lines the list shows, and the last status line.
    int listedLines() const { return static_cast<int>(view.lines.size()); }
    QString lastStatusLine() const;

    testing::FakeMainView view;
    testing::RecordingDialogs dialogs;
    db::OdbcConnectionFactory connections;
    app::ThreadExecutor executor;
    app::MainController controller;
};

// Turns the calling thread's event loop, as the window's thread does, until `done` holds or
// `timeoutMs` has passed; false on a timeout. `done` is asked whenever the loop has handled what
// arrived.
bool runUntil(const std::function<bool()>& done, int timeoutMs);
// Runs `start` and turns the event loop until `controller` is no longer busy; the seconds that
// took. Stops the benchmark, naming `what`, should the work not end.
double timed(const std::function<void()>& start, const app::MainController& controller,
             const char* what);
// Turns the event loop for `ms` milliseconds with nothing of its own to do.
void runFor(int ms);

// The longest time between two turns of the event loop: a 10 ms timer whose ticks are timed.
class PauseRecorder
{
public:
    PauseRecorder();
    void start();
    // The longest gap since start(), the time since the last tick included.
    double stopMs();

private:
    QTimer m_ticks;
    QElapsedTimer m_sinceTick;
    qint64 m_longestNs = 0;
};

// Ends the benchmark with `why` on standard error.
[[noreturn]] void fail(const QString& why);

// Process CPU time (user + system, every thread) in seconds.
double processCpuSeconds();

} // namespace tarnwell::bench
