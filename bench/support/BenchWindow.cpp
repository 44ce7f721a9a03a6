#include "support/BenchWindow.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace tarnwell::bench {

namespace {

// Work on the server that a benchmark waits for; far above anything a healthy run takes.
constexpr int WorkTimeoutMs = 30 * 60 * 1000;

} // namespace

double timed(const std::function<void()>& start, const app::MainController& controller,
             const char* what)
{
    QElapsedTimer elapsed;
    elapsed.start();
    start();
    if (!runUntil([&controller] { return !controller.isBusy(); }, WorkTimeoutMs))
        fail(QStringLiteral("%1 did not end").arg(QLatin1String(what)));
    return double(elapsed.nsecsElapsed()) / 1e9;
}

void fail(const QString& why)
{
    std::fflush(stdout);
    std::fprintf(stderr, "benchmark failed: %s\n", qPrintable(why));
    std::_Exit(1);
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    // Asked each time the loop has handled what arrived and is about to sleep: the worker's
    // hand-over has then been handled, and no timer of the benchmark's own wakes the window's
    // thread while the program works.
    QEventLoop loop;
    bool finished = false;
    const QMetaObject::Connection check = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&] {
            if (!finished && done()) {
                finished = true;
                loop.quit();
            }
        });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(check);
    // What the worker handed to the window on its way out.
    QCoreApplication::processEvents();
    return finished;
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

PauseRecorder::PauseRecorder()
{
    m_ticks.setTimerType(Qt::PreciseTimer);
    m_ticks.setInterval(10);
    QObject::connect(&m_ticks, &QTimer::timeout, [this] {
        m_longestNs = std::max(m_longestNs, m_sinceTick.nsecsElapsed());
        m_sinceTick.restart();
    });
}

void PauseRecorder::start()
{
    m_longestNs = 0;
    m_sinceTick.start();
    m_ticks.start();
}

double PauseRecorder::stopMs()
{
    m_ticks.stop();
    m_longestNs = std::max(m_longestNs, m_sinceTick.nsecsElapsed());
    return double(m_longestNs) / 1e6;
}

BenchWindow::BenchWindow(const QString& programPath, const testing::TestDatabase& database)
    : controller(view, dialogs, connections, programPath, &executor)
{
    view.chosenPlatform = db::Platform::SQLServer;
    view.server = database.server();
    view.database = database.name();
    view.logon = database.logon();
    view.pass = database.password();
}

QString BenchWindow::lastStatusLine() const
{
    const auto lines = controller.status().lines();
    return lines.back().mid(11);
}

double BenchWindow::readLibrary()
{
    const double seconds = timed(
        [this] {
            controller.Form_Load();
            controller.Form_Activate();
        },
        controller, "reading the library");
    if (dialogs.endedWith)
        fail(QStringLiteral("the library could not be read: ") +
             (dialogs.messages.empty() ? QString() : dialogs.messages.back().text));
    return seconds;
}

double BenchWindow::connectAndList()
{
    const double seconds = timed([this] { controller.cmdConnect_Click(); }, controller, "Connect");
    if (!controller.login() || !view.importButtonVisible)
        fail(QStringLiteral("Connect did not list the library: ") + lastStatusLine());
    return seconds;
}

double BenchWindow::importAll()
{
    view.mode = app::ImportMode::All;
    const double seconds = timed([this] { controller.cmdImport_Click(); }, controller, "Import");
    if (!dialogs.messages.empty())
        fail(QStringLiteral("the import reported: ") + dialogs.messages.back().text);
    return seconds;
}

} // namespace tarnwell::bench
