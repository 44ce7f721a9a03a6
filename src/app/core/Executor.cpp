#include "app/core/Executor.h"

#include <QDeadlineTimer>
#include <QMetaObject>

#include <cstdio>
#include <cstdlib>
#include <future>

namespace tarnwell::app {

namespace {

// Hands `job` to `context`'s thread; the future is ready once the job has run there.
std::future<void> post(QObject* context, const std::function<void()>& job)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ran = done->get_future();
    QMetaObject::invokeMethod(
        context,
        [job, done] {
            job();
            done->set_value();
        },
        Qt::QueuedConnection);
    return ran;
}

// A worker stuck in the driver cannot be stopped, and its thread cannot be destroyed while it
// runs: the process ends without unwinding.
[[noreturn]] void abandon(int exitCode)
{
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace

ThreadExecutor::ThreadExecutor()
    : m_workerContext(std::make_unique<QObject>()), m_windowContext(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("tarnwell-database"));
    m_workerContext->moveToThread(&m_thread);
    m_thread.start();
}

ThreadExecutor::~ThreadExecutor()
{
    m_closing = true;
    m_thread.quit();
    if (!m_thread.wait(QDeadlineTimer(stopTimeoutMs)))
        abandon(m_exitCode);
    m_workerContext.reset();
}

void ThreadExecutor::finish(const std::function<void()>& job)
{
    if (!m_workerContext || m_closing)
        return;
    std::future<void> finished = post(m_workerContext.get(), job);
    m_closing = true; // nothing handed over from now on runs
    if (finished.wait_for(std::chrono::milliseconds(stopTimeoutMs)) != std::future_status::ready)
        abandon(m_exitCode);
}

void ThreadExecutor::toWorker(std::function<void()> job)
{
    if (m_closing || !m_workerContext)
        return;
    QMetaObject::invokeMethod(m_workerContext.get(), std::move(job), Qt::QueuedConnection);
}

void ThreadExecutor::toWindow(std::function<void()> job)
{
    if (m_closing)
        return;
    QMetaObject::invokeMethod(m_windowContext.get(), std::move(job), Qt::QueuedConnection);
}

void ThreadExecutor::toWindowAndWait(const std::function<void()>& job)
{
    if (QThread::currentThread() == m_windowContext->thread()) {
        job();
        return;
    }
    // Not a blocking queued call: the window may be closing, and then nobody would answer.
    std::future<void> answered = post(m_windowContext.get(), job);
    while (answered.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (m_closing)
            return;
    }
}

} // namespace tarnwell::app
