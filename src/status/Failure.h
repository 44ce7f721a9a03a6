#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <utility>

namespace tarnwell {

// A failure that abandons the current step. Its description is what the user is shown, so it
// carries the database's or the runtime's own words, never a generic text.
class Failure : public std::exception
{
public:
    explicit Failure(QString description)
        : m_description(std::move(description)), m_utf8(m_description.toUtf8())
    {}

    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

} // namespace tarnwell
