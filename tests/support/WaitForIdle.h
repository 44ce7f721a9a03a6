#pragma once

#include "app/core/MainController.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>
#include <stdexcept>

namespace tarnwell::testing {

// Lets the window's event loop run until `done` holds, as it runs for a user; fails loudly
// after `timeoutMs`.
inline void waitFor(const std::function<bool()>& done, int timeoutMs = 60'000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            throw std::runtime_error("timed out waiting for the window's logic");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    // What the worker handed to the window on its way out.
    QCoreApplication::processEvents();
}

// Until the library read, Connect or the import under way has ended and shown its end.
inline void waitUntilIdle(const app::MainController& controller, int timeoutMs = 60'000)
{
    waitFor([&controller] { return !controller.isBusy(); }, timeoutMs);
}

} // namespace tarnwell::testing
