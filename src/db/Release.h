#pragma once

#include <QString>

namespace tarnwell::db {

// The release of the SPI database as its license table gives it at Connect, read once. What
// the statements need to know about it is asked here rather than compared with numbers where
// the statements are built.
class Release
{
public:
    // No release read: major 0, which writes what every release after 7 has.
    Release() = default;
    // Throws Failure when characters 2 and 3 of `text` are not a number (see TargetMajorVersion).
    explicit Release(const QString& text);

    const QString& text() const { return m_text; }
    qint16 major() const { return m_major; }

    // Release 7 still has the configuration's prefix column; later releases do not.
    bool hasPrefixColumn() const { return m_major == 7; }
    // Every release after 7 has the channel's CHANNEL_SIDE and CONNECTOR_ID.
    bool hasChannelSideAndConnector() const { return m_major != 7; }

private:
    QString m_text;
    qint16 m_major = 0;
};

} // namespace tarnwell::db
