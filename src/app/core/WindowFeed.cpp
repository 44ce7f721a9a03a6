#include "app/core/WindowFeed.h"

namespace tarnwell::app {

WindowFeed::WindowFeed(Executor& executor, MainView& view, std::function<QString()> caption,
                       int pauseMs)
    : m_executor(executor), m_view(view), m_caption(std::move(caption)), m_pauseMs(pauseMs)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(m_pauseMs);
    QObject::connect(&m_pause, &QTimer::timeout, [this] { pauseEnded(); });
}

template <typename Change> void WindowFeed::report(Change change)
{
    bool handOver = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        change(m_waiting);
        if (m_state == State::Quiet) {
            m_state = State::Handed;
            handOver = true;
        }
    }
    if (handOver)
        m_executor.toWindow([this] { deliver(); });
}

void WindowFeed::clearLines()
{
    report([](Batch& waiting) {
        waiting.clearFirst = true;
        waiting.lines.clear();
    });
}

void WindowFeed::addLine(const QString& line)
{
    report([&line](Batch& waiting) { waiting.lines.append(line); });
}

void WindowFeed::setProgress(int done, int total)
{
    report([done, total](Batch& waiting) { waiting.progress = std::make_pair(done, total); });
}

void WindowFeed::captionChanged()
{
    report([](Batch& waiting) { waiting.caption = true; });
}

void WindowFeed::show(const Batch& batch)
{
    if (batch.clearFirst)
        m_view.clearApparatusList();
    for (const QString& line : batch.lines)
        m_view.addApparatusLine(line);
    if (batch.progress)
        m_view.setProgress(batch.progress->first, batch.progress->second);
    if (batch.caption)
        m_view.setStatusText(m_caption());
}

void WindowFeed::deliver()
{
    Batch batch;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::swap(batch, m_waiting);
        // A flush may have shown everything, and ended the state, before this arrived.
        if (m_state == State::Handed)
            m_state = m_pauseMs > 0 ? State::Pausing : State::Quiet;
    }
    show(batch);
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == State::Pausing)
        m_pause.start();
}

void WindowFeed::pauseEnded()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Pausing)
            return;
        if (m_waiting.empty()) {
            m_state = State::Quiet;
            return;
        }
        m_state = State::Handed;
    }
    deliver();
}

void WindowFeed::flush()
{
    TARNWELL_OWN_THREAD();
    Batch batch;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::swap(batch, m_waiting);
        if (m_state == State::Pausing)
            m_state = State::Quiet;
    }
    m_pause.stop();
    show(batch);
}

} // namespace tarnwell::app
