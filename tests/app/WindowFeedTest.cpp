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

    // Lets the window's event loop run, and runs what was handed over, until `done` holds.
    void runWindowUntil(const std::function<bool()>& done)
    {
        tarnwell::testing::waitFor([&] {
            executor.runHeld();
            return done();
        });
    }
    // Well past the end of the pause, however late a loaded machine runs its timers.
    void runWindowPastThePause()
    {
        QElapsedTimer elapsed;
        elapsed.start();
        runWindowUntil([&] { return elapsed.elapsed() > 20 * PauseMs; });
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
    EXPECT_EQ(view.progress, (std::vector<std::pair<int, int>>{{5000, 5000}}))
        << "only the newest progress";

    // During the pause reports wait, and its end shows them without another hand-over.
    caption = QStringLiteral("second");
    feed.addLine(QStringLiteral("held"));
    feed.captionChanged();
    runWindowUntil([&] { return view.lines.size() == 5001; });
    EXPECT_EQ(executor.handed, 1);
    EXPECT_EQ(view.statusText, "second");

    // Quiet again once a pause has passed with nothing new: the next report goes at once.
    runWindowPastThePause();
    feed.addLine(QStringLiteral("after"));
    EXPECT_EQ(executor.handed, 2);
    executor.runHeld();
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(view.lines[i], QString::number(i));
    EXPECT_EQ(view.lines.mid(5000), QStringList({QStringLiteral("held"), QStringLiteral("after")}));
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

TEST_F(WindowFeedTest, AClearEmptiesTheListBeforeTheLinesReportedAfterIt)
{
    feed.addLine(QStringLiteral("old"));
    executor.runHeld();
    feed.addLine(QStringLiteral("not shown before the clear"));
    feed.clearLines();
    feed.addLine(QStringLiteral("new"));
    feed.flush();
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("new")});
}

// A flush that overtakes a delivery on its way leaves that delivery nothing to show twice.
TEST_F(WindowFeedTest, ADeliveryOvertakenByAFlushShowsNothingTwice)
{
    feed.addLine(QStringLiteral("a"));
    feed.flush();
    executor.runHeld();
    EXPECT_EQ(view.lines, QStringList{QStringLiteral("a")});
    feed.addLine(QStringLiteral("b"));
    runWindowUntil([&] { return view.lines.size() == 2; });
    EXPECT_EQ(view.lines, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
}

} // namespace
