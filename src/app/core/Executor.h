#pragma once

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace tarnwell::app {

// Where the window's logic runs its database work, and how that work reaches the window again.
// The window's thread hands jobs over with toWorker() and never waits for them; the worker
// reports back with toWindow() (in order) and toWindowAndWait() where it needs an answer, such
// as a message box.
class Executor
{
public:
    virtual ~Executor() = default;
    virtual void toWorker(std::function<void()> job) = 0;
    virtual void toWindow(std::function<void()> job) = 0;
    virtual void toWindowAndWait(const std::function<void()>& job) = 0;
    // From the window's thread, last of all: runs `job` on the worker after everything handed
    // over before, and waits for it.
    virtual void finish(const std::function<void()>& job) = 0;
    // The code the process ends with should the worker not stop in time.
    virtual void setExitCode(int) {}
};

// Everything at once on the calling thread: for tests of the logic that want each handler to
// have finished when it returns.
class InlineExecutor : public Executor
{
public:
    void toWorker(std::function<void()> job) override { job(); }
    void toWindow(std::function<void()> job) override { job(); }
    void toWindowAndWait(const std::function<void()>& job) override { job(); }
    void finish(const std::function<void()>& job) override { job(); }
};

// One worker thread that owns every database connection; created and used only there. Jobs
// run in the order they were handed over.
class ThreadExecutor : public Executor
{
public:
    ThreadExecutor();
    // Waits for the job under way; one that does not end within `stopTimeoutMs` (a statement
    // that no cancel reaches, a login that hangs) ends the process with `exitCode` rather than
    // leave the program hanging after its window has gone.
    ~ThreadExecutor() override;

    void toWorker(std::function<void()> job) override;
    void toWindow(std::function<void()> job) override;
    void toWindowAndWait(const std::function<void()>& job) override;
    // Gives up after stopTimeoutMs, like the destructor.
    void finish(const std::function<void()>& job) override;

    void setExitCode(int exitCode) override { m_exitCode = exitCode; }

    static constexpr int stopTimeoutMs = 2000;

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_workerContext;
    std::unique_ptr<QObject> m_windowContext;
    std::atomic_bool m_closing{false};
    int m_exitCode = 0;
};

} // namespace tarnwell::app
