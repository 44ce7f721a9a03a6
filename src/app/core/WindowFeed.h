#pragma once

#include "app/core/Executor.h"
#include "app/core/MainView.h"
#include "app/core/ThreadAffinity.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace tarnwell::app {

// What the worker shows while it works: the apparatus list emptied and its new lines, the
// progress, and that the status display has a new caption. The window's thread takes them over in
// batches: the first at once, then at most one per `pauseMs` while more keeps coming. The window so
// wakes a few dozen times a second however fast the statements run, and the worker never waits for
// it. Whatever hands the window a later step (the end of the work, a message box) calls flush()
// there first, so that nothing shown arrives out of order.
class WindowFeed
{
public:
    // `caption` gives the newest status caption; it is asked on the window's thread. With
    // `pauseMs` 0 every report is handed over at once, which an executor without an event loop
    // needs.
    WindowFeed(Executor& executor, MainView& view, std::function<QString()> caption, int pauseMs);
    WindowFeed(const WindowFeed&) = delete;
    WindowFeed& operator=(const WindowFeed&) = delete;

    // Any thread. clearLines() empties the list before the lines reported after it are shown,
    // in the order reported, however late the window takes them over.
    void clearLines();
    void addLine(const QString& line);
    void setProgress(int done, int total);
    void captionChanged();

    // The window's thread: shows everything waiting, now, and ends the pause: the work that
    // reported is over, and whatever comes next is shown at once.
    void flush();

    static constexpr int DefaultPauseMs = 40;

private:
    struct Batch
    {
        bool clearFirst = false;
        QStringList lines;
        std::optional<std::pair<int, int>> progress;
        bool caption = false;
        bool empty() const { return !clearFirst && lines.isEmpty() && !progress && !caption; }
    };

    enum class State {
        Quiet,   // the next report is handed over at once
        Handed,  // a delivery is on its way to the window
        Pausing, // after a delivery: what arrives waits for the pause to end
    };

    // Changes what waits, and hands a delivery to the window unless one is under way.
    template <typename Change> void report(Change change);
    void deliver();
    void pauseEnded();
    void show(const Batch& batch);

    Executor& m_executor;
    MainView& m_view;
    std::function<QString()> m_caption;
    const int m_pauseMs;

    std::mutex m_mutex;
    Batch m_waiting;
    State m_state = State::Quiet;

    // The window's thread.
    QTimer m_pause;
    ThreadAffinity m_thread; // the window's
};

} // namespace tarnwell::app
