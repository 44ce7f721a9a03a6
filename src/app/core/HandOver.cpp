#include "app/core/HandOver.h"

namespace tarnwell::app {

void WindowDialogs::message(const QString& text, const QString& title, MessageIcon icon)
{
    m_executor.toWindowAndWait([&] {
        m_feed.flush();
        m_view.setBusy(false);
        m_dialogs.message(text, title, icon);
    });
}

bool WindowDialogs::question(const QString& text, const QString& title, MessageIcon icon,
                             DefaultAnswer defaultAnswer)
{
    bool answer = false;
    m_executor.toWindowAndWait([&] {
        m_feed.flush();
        m_view.setBusy(false);
        answer = m_dialogs.question(text, title, icon, defaultAnswer);
    });
    return answer;
}

void ListFeed::loggedIn(const db::DomainContext& domain)
{
    const QString caption = QStringLiteral("Logged into Domain: ") + domain.proj_name;
    m_executor.toWindow([view = &m_view, caption] {
        view->showDomainLabel();
        view->setDomainCaption(caption);
        view->setImportFrameVisible(true);
    });
    // Through the feed, in order with the lines that follow: the window may take them over
    // late, and a list emptied by a job of its own could wipe lines it had already shown.
    m_feed.clearLines();
}

void ListFeed::listEnded(const selection::ApparatusList& list, bool complete)
{
    if (!complete)
        return;
    const bool any = !list.entries.empty();
    const QString caption = selection::apparatusCountCaption(list);
    m_executor.toWindow([view = &m_view, feed = &m_feed, any, caption] {
        feed->flush();
        if (any)
            view->showImportButton();
        view->setApparatusCountCaption(caption);
    });
}

} // namespace tarnwell::app
