#pragma once

#include <QThread>
#include <QtGlobal>

namespace tarnwell::app {

// Which thread an object belongs to, checked at each of its entry points in debug builds and in
// every build with the tests (TARNWELL_THREAD_CHECKS): a call from another thread stops the
// program at once, naming the call. Ownership is the design here, not locks, and a sanitizer
// that cannot see Qt's own locks cannot check it.
class ThreadAffinity
{
public:
    // Belongs to the thread that creates it.
    ThreadAffinity() : m_thread(QThread::currentThread()) {}

    void check([[maybe_unused]] const char* where) const
    {
#if !defined(NDEBUG) || defined(TARNWELL_THREAD_CHECKS)
        if (QThread::currentThread() != m_thread)
            qFatal("%s was called on a thread that does not own it", where);
#endif
    }

private:
    QThread* m_thread;
};

} // namespace tarnwell::app

// At the top of an entry point of an object with a ThreadAffinity member `m_thread`.
#define TARNWELL_OWN_THREAD() m_thread.check(Q_FUNC_INFO)
