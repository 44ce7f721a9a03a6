#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace tarnwell::db {

// What went wrong with the database: the one error a connection reports and the database seam
// throws. Callers catch this one type and ask it what happened.
class DatabaseError : public std::exception
{
public:
    enum class Kind {
        Refused,        // the database refused the statement; the connection is still good
        Cancelled,      // Connection::cancel() stopped it
        ConnectionLost, // the session is gone (SQLSTATE class 08, or the driver finds it dead)
    };

    DatabaseError() = default;
    DatabaseError(Kind kind, QString description, QString sqlState = {})
        : m_kind(kind), m_description(std::move(description)), m_sqlState(std::move(sqlState)),
          m_utf8(m_description.toUtf8())
    {}

    Kind kind() const noexcept { return m_kind; }
    bool refused() const noexcept { return m_kind == Kind::Refused; }
    // The driver's and the database's own words, on one line.
    const QString& description() const noexcept { return m_description; }
    // The SQLSTATE of the driver's first diagnostic; empty when it gave none.
    const QString& sqlState() const noexcept { return m_sqlState; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    Kind m_kind = Kind::Refused;
    QString m_description;
    QString m_sqlState;
    QByteArray m_utf8;
};

} // namespace tarnwell::db
