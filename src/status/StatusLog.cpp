#include "status/StatusLog.h"

#include <QRegularExpression>

namespace tarnwell::status {

namespace {
constexpr qsizetype ShortDescription = 70;
constexpr qsizetype FirstBreakFrom =
    59; // 0-based: the first piece ends at a blank from column 60 on
constexpr qsizetype PieceLength = 70;
constexpr int FurtherPieces = 4;
} // namespace

namespace {
// A line break inside a message (a record name, a driver's text) would push the newest lines
// out of the ten-line display; it shows as a blank instead.
QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text;
}
} // namespace

StatusLog::StatusLog() : m_clock([] { return QTime::currentTime(); }) {}

StatusLog& StatusLog::operator=(StatusLog&& other) noexcept
{
    if (this == &other)
        return *this;
    const std::scoped_lock lock(m_mutex, other.m_mutex);
    m_lines = std::move(other.m_lines);
    m_session = std::move(other.m_session);
    m_secret = std::move(other.m_secret);
    m_pending = std::move(other.m_pending);
    m_display = std::move(other.m_display);
    m_clock = std::move(other.m_clock);
    return *this;
}

void StatusLog::setDisplay(Display display)
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_display = std::move(display);
}

void StatusLog::setClock(Clock clock)
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_clock = std::move(clock);
}

std::array<QString, StatusLog::LineCount> StatusLog::lines() const
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_lines;
}

QStringList StatusLog::sessionLines() const
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_session;
}

void StatusLog::setSecret(const QString& secret)
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_secret = secret;
}

QString StatusLog::masked(const QString& text) const
{
    if (m_secret.isEmpty())
        return text;
    QString result = text;
    if (m_secret.size() >= 3) {
        result.replace(m_secret, QString(m_secret.size(), QLatin1Char('*')), Qt::CaseInsensitive);
        return result;
    }
    // A very short secret is hidden only where it stands as a word of its own, so that the
    // rest of the log stays readable.
    static const QRegularExpression word(QStringLiteral("\\w+"));
    QRegularExpressionMatchIterator words = word.globalMatch(text);
    while (words.hasNext()) {
        const QRegularExpressionMatch match = words.next();
        if (match.captured().compare(m_secret, Qt::CaseInsensitive) == 0)
            result.replace(match.capturedStart(), match.capturedLength(),
                           QString(match.capturedLength(), QLatin1Char('*')));
    }
    return result;
}

QString StatusLog::caption() const
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return captionLocked();
}

QString StatusLog::captionLocked() const
{
    QString text;
    for (int i = 0; i < LineCount; ++i) {
        if (i > 0)
            text += QStringLiteral("\r\n");
        text += m_lines[i];
    }
    return text;
}

void StatusLog::publish()
{
    if (m_display)
        m_display(captionLocked());
}

void StatusLog::ShowStatus(const QString& text)
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i + 1 < LineCount; ++i)
        m_lines[i] = m_lines[i + 1];
    m_lines[LineCount - 1] = m_clock().toString(QStringLiteral("HH:mm:ss")) +
                             QStringLiteral("   ") + masked(oneLine(text));
    m_session.append(m_lines[LineCount - 1]);
    publish();
}

void StatusLog::AppendStatus(const QString& text)
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_lines[LineCount - 1] += masked(oneLine(text));
    // Before the first line the display's bottom line is empty and belongs to no line yet.
    if (m_session.isEmpty())
        m_session.append(m_lines[LineCount - 1]);
    else
        m_session.last() = m_lines[LineCount - 1];
    publish();
}

void StatusLog::ShowErrorDescription(const QString& description)
{
    // One description stays together even when another thread writes at the same moment.
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    QString d = description;
    d.replace(QLatin1Char('\n'), QLatin1Char(' '));

    if (d.size() < ShortDescription) {
        ShowStatus(d);
        return;
    }
    qsizetype p = d.indexOf(QLatin1Char(' '), FirstBreakFrom);
    if (p < 0) {
        AppendStatus(d);
        return;
    }
    AppendStatus(d.left(p));
    for (int piece = 0; piece < FurtherPieces; ++piece) {
        const qsizetype q = d.indexOf(QLatin1Char(' '), p + PieceLength);
        if (q < 0) {
            ShowStatus(d.mid(p)); // the last piece keeps the blank it was broken at
            return;
        }
        ShowStatus(d.mid(p + 1, q - p));
        p = q;
    }
}

void StatusLog::FlushPendingMessages()
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_pending.isEmpty())
        return;
    const QStringList items = m_pending.items();
    m_pending.clear();
    for (const QString& item : items)
        ShowStatus(item);
}

void StatusLog::ReportDbFailure(const QString& message, const QString& description)
{
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    ShowStatus(message);
    ShowErrorDescription(description);
}

} // namespace tarnwell::status
