#include "app/core/WindowFeed.h"

#include "app/FakeMainView.h"
#include "support/WaitForIdle.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tarnwell;
using tarnwell::testing::FakeMainView;

namespace {

// Keeps what the worker hands to the window until the test lets the window run it.
class HeldExecutor : public app::Executor
{
public:
    void toWorker(std::function<void()> job) override { job(); }
    void toWindow(std::function<void()> job) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_held.push_back(std::move(job));
        ++handed;
    }
    void toWindowAndWait(const std::function<void()>& job) override { job(); }
    void finish(const std::function<void()>& job) override { job(); }

    void runHeld()
    {
        std::vector<std::function<void()>> jobs;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            jobs.swap(m_held);
        }
        for (const auto& job : jobs)
            job();
    }

    int handed = 0;

private:
    std::mutex m_mutex;
    std::vector<std::function<void()>> m_held;
};

constexpr int PauseMs = 30;

class WindowFeedTest : public ::testing::Test
{
protected:
    WindowFeedTest()
        : feed(
              executor, view, [this] { return caption; }, PauseMs)
    {}

    // Lets the window's event loop run past the pause, running what was handed over.
    void pass()
    {
        QElapsedTimer elapsed;
        elapsed.start();
        tarnwell::testing::waitFor([&] {
            executor.runHeld();
            return elapsed.elapsed() > 2 * PauseMs;
        });
        executor.runHeld();
    }

    HeldExecutor executor;
    FakeMainView view;
    QString caption = QStringLiteral("first");
    app::WindowFeed feed;
};

TEST_F(WindowFeedTest, AFloodOfReportsWakesTheWindowOncePerPauseAndLosesNothing)
{
    std::thread worker([this] {
        for (int i = 0; i < 5000; ++i) {
            feed.addLine(QString::number(i));
            feed.setProgress(i + 1, 5000);
            feed.captionChanged();
        }
    });
    worker.join();
    EXPECT_EQ(executor.handed, 1) << "one delivery until the window has taken it";

    executor.runHeld();
    ASSERT_EQ(view.lines.size(), 5000) << "the first delivery takes everything waiting";
    pass();
    EXPECT_EQ(executor.handed, 1) << "nothing new arrived during the pause";

    caption = QStringLiteral("second");
    feed.captionChanged();
    EXPECT_EQ(executor.handed, 2) << "quiet again after the pause: handed over at once";
    feed.addLine(QStringLiteral("before the window took it"));
    executor.runHeld();
    EXPECT_EQ(view.statusText, "second");
    feed.addLine(QStringLiteral("after"));
    EXPECT_EQ(executor.handed, 2) << "held for the pause";
    pass();
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(view.lines[i], QString::number(i));
    EXPECT_EQ(view.lines.mid(5000),
              QStringList({QStringLiteral("before the window took it"), QStringLiteral("after")}));
    EXPECT_EQ(view.progress.back(), std::make_pair(5000, 5000)) << "the newest progress";
}

TEST_F(WindowFeedTest, FlushShowsWhatWaitsAndEndsThePause)
{
    feed.addLine(QStringLiteral("a"));
    executor.runHeld();
    feed.addLine(QStringLiteral("b"));
    feed.setProgress(3, 9);
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("a")});

    // The end of the work: everything before it shows, and what follows is not held back.
    feed.flush();
    EXPECT_EQ(view.lines, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(view.progress.back(), std::make_pair(3, 9));
    caption = QStringLiteral("after the work");
    feed.captionChanged();
    EXPECT_EQ(executor.handed, 2);
    executor.runHeld();
    EXPECT_EQ(view.statusText, "after the work");
}

// A flush that overtakes a delivery on its way leaves that delivery nothing to show twice.
TEST_F(WindowFeedTest, ADeliveryOvertakenByAFlushShowsNothingTwice)
{
    feed.addLine(QStringLiteral("a"));
    feed.flush();
    executor.runHeld();
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("a")});
    feed.addLine(QStringLiteral("b"));
    pass();
    EXPECT_EQ(view.lines, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
}

} // namespace
