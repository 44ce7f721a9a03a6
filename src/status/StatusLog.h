#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <functional>

namespace tarnwell::status {

// Messages produced by code that has no access to the window; the next flush shows them.
class PendingMessages
{
public:
    void add(const QString& message) { m_items.append(message); }
    bool isEmpty() const { return m_items.isEmpty(); }
    const QStringList& items() const { return m_items; }
    void clear() { m_items.clear(); }

private:
    QStringList m_items;
};

// The program's only log: ten time-stamped lines, newest at the bottom.
class StatusLog
{
public:
    static constexpr int LineCount = 10;

    using Display = std::function<void(const QString& caption)>;
    using Pump = std::function<void()>;
    using Clock = std::function<QTime()>;

    StatusLog();

    // Receives the whole caption after every change.
    void setDisplay(Display display) { m_display = std::move(display); }
    // Lets the window handle pending events after every write.
    void setPump(Pump pump) { m_pump = std::move(pump); }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    void ShowStatus(const QString& text);
    void AppendStatus(const QString& text);
    // Wraps a failure description over at most five pieces, the first one on the current line.
    void ShowErrorDescription(const QString& description);
    void FlushPendingMessages();

    PendingMessages& pendingMessages() { return m_pending; }

    // Lets the window handle pending events, as every write does; for long loops that write
    // nothing.
    void processEvents()
    {
        if (m_pump)
            m_pump();
    }

    const std::array<QString, LineCount>& lines() const { return m_lines; }
    QString caption() const;

private:
    void publish();

    std::array<QString, LineCount> m_lines;
    PendingMessages m_pending;
    Display m_display;
    Pump m_pump;
    Clock m_clock;
};

} // namespace tarnwell::status
