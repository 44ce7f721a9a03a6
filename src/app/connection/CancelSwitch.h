#pragma once

#include "db/Connection.h"

#include <mutex>

namespace tarnwell::app {

// The one thing the window's thread may do to the worker's database work: stop it. The worker
// arms the switch with the connection it is about to use; Cancel, from the window's thread,
// stops the statement under way there (Connection::cancel, ODBC's SQLCancel) and makes every
// later statement fail as cancelled.
class CancelSwitch
{
public:
    // The worker, before it uses `connection`; nullptr when it has none.
    void arm(db::Connection* connection)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_connection = connection;
        if (m_requested && m_connection)
            m_connection->cancel();
    }
    // The worker, when new work begins.
    void reset()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_requested = false;
    }
    bool requested() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_requested;
    }

    // Any thread.
    void cancel()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_requested = true;
        if (m_connection)
            m_connection->cancel();
    }

private:
    mutable std::mutex m_mutex;
    db::Connection* m_connection = nullptr;
    bool m_requested = false;
};

} // namespace tarnwell::app
