// The worker thread's last promise: a job stuck where no cancel reaches (inside a driver that
// waits for a server that does not answer) does not keep the program alive once its window has
// gone.

#include "app/core/Executor.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace tarnwell;

namespace {

TEST(ThreadExecutorDeathTest, AStuckWorkerEndsTheProcessWithinTwoSecondsWithItsCode)
{
    // The child runs a fresh copy of this program, so the threads of the parent do not matter.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QElapsedTimer ending;
    ending.start();
    EXPECT_EXIT(
        {
            auto executor = std::make_unique<app::ThreadExecutor>();
            executor->setExitCode(3);
            std::atomic_bool started{false};
            executor->toWorker([&started] {
                started = true;
                for (;;)
                    QThread::sleep(1);
            });
            while (!started)
                QThread::msleep(1);
            executor.reset();
        },
        ::testing::ExitedWithCode(3), "");
    // The child starts a whole test program before it gets stuck; the wait itself is two
    // seconds of that.
    EXPECT_GE(ending.elapsed(), app::ThreadExecutor::stopTimeoutMs);
    EXPECT_LT(ending.elapsed(), app::ThreadExecutor::stopTimeoutMs + 3000);
}

TEST(ThreadExecutorTest, AWorkerThatEndsInTimeIsWaitedFor)
{
    std::atomic_bool ran{false};
    {
        app::ThreadExecutor executor;
        executor.toWorker([&ran] {
            QThread::msleep(300);
            ran = true;
        });
        QThread::msleep(50);
    }
    EXPECT_TRUE(ran);
}

} // namespace
