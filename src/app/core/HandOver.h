#pragma once

#include "app/connection/ConnectWorkflow.h"
#include "app/core/Executor.h"
#include "app/core/MainView.h"
#include "app/core/WindowFeed.h"
#include "import/ImportProgress.h"

namespace tarnwell::app {

// How the worker's database work reaches the window: each of these is called on the worker and
// hands what it is told to the window's thread, in order, through the executor and the feed.

// Message boxes the worker asks for: shown on the window's thread, the worker waiting for the
// answer.
class WindowDialogs : public Dialogs
{
public:
    WindowDialogs(Executor& executor, Dialogs& dialogs, MainView& view, WindowFeed& feed)
        : m_executor(executor), m_dialogs(dialogs), m_view(view), m_feed(feed)
    {}

    void message(const QString& text, const QString& title, MessageIcon icon) override;
    bool question(const QString& text, const QString& title, MessageIcon icon,
                  DefaultAnswer defaultAnswer) override;
    QString saveFileName(const QString&) override { return {}; }
    void endProgram(int) override {}

private:
    Executor& m_executor;
    Dialogs& m_dialogs;
    MainView& m_view;
    WindowFeed& m_feed;
};

// What Connect shows as it goes: the domain, the list as it grows, its end. One lives only as
// long as its Connect; what it hands over must not refer to it.
class ListFeed : public ConnectObserver
{
public:
    ListFeed(Executor& executor, MainView& view, WindowFeed& feed)
        : m_executor(executor), m_view(view), m_feed(feed)
    {}

    void loggedIn(const db::DomainContext& domain) override;
    void listed(const selection::ApparatusEntry& entry) override { m_feed.addLine(entry.line); }
    void listEnded(const selection::ApparatusList& list, bool complete) override;

private:
    Executor& m_executor;
    MainView& m_view;
    WindowFeed& m_feed;
};

// An import's progress on the window's progress display; a negative total shows it busy while
// the run waits for another one.
class ProgressFeed : public import::ImportProgress
{
public:
    explicit ProgressFeed(WindowFeed& feed) : m_feed(feed) {}

    void progressed(int done, int total) override { m_feed.setProgress(done, total); }
    void waitingForTheLock() override { m_feed.setProgress(0, -1); }
    void done() override {}

private:
    WindowFeed& m_feed;
};

} // namespace tarnwell::app
