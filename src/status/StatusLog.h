#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <functional>
#include <mutex>

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

// The program's log: ten time-stamped lines on display, newest at the bottom, and every line of
// the session kept for copying and saving. Any thread may write to it (the database work runs
// beside the window); each write is whole and in order.
class StatusLog
{
public:
    static constexpr int LineCount = 10;

    using Display = std::function<void(const QString& caption)>;
    using Clock = std::function<QTime()>;

    StatusLog();
    StatusLog(const StatusLog&) = delete;
    // Takes over another log's lines, pending messages, display and clock.
    StatusLog& operator=(StatusLog&& other) noexcept;

    // Receives the whole caption after every change, on the writing thread and while the log
    // is locked: it may hand the caption on, never write to the log itself.
    void setDisplay(Display display);
    void setClock(Clock clock);

    void ShowStatus(const QString& text);
    void AppendStatus(const QString& text);
    // Wraps a failure description over at most five pieces, the first one on the current line.
    void ShowErrorDescription(const QString& description);
    // A failed statement: `message`, then the database's description below it.
    void ReportDbFailure(const QString& message, const QString& description);
    void FlushPendingMessages();

    // Only for the thread that reads the library; its messages are shown by the next flush.
    PendingMessages& pendingMessages() { return m_pending; }

    std::array<QString, LineCount> lines() const;
    QString caption() const;
    // Every line of the session, oldest first, as the display showed it.
    QStringList sessionLines() const;

    // A text that must never be shown or kept, such as the password of the login: from now
    // on it is written as asterisks wherever it occurs in a message (letter case aside).
    void setSecret(const QString& secret);

private:
    QString masked(const QString& text) const;
    void publish();
    QString captionLocked() const;

    mutable std::recursive_mutex m_mutex;
    std::array<QString, LineCount> m_lines;
    QStringList m_session;
    QString m_secret;
    PendingMessages m_pending;
    Display m_display;
    Clock m_clock;
};

} // namespace tarnwell::status
