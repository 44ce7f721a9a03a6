#pragma once

#include <QString>

namespace tarnwell::import {

// The message a failure is reported under. Each step of an import arms its own message before
// its first statement; it stays in force until the next step arms another, and any failure in
// between (a refused statement or a library row that runs short) is reported under it.
class MessageInForce
{
public:
    void arm(const QString& message) { m_message = message; }
    void disarm() { m_message = QString(); }
    bool isArmed() const { return !m_message.isNull(); }
    const QString& text() const { return m_message; }

private:
    QString m_message;
};

} // namespace tarnwell::import
