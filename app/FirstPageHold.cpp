#include "app/FirstPageHold.h"

#include <QQuickWidget>
#include <QQuickWindow>
#include <QWebEngineView>
#include <utility>

#include "app/TabBrowserWnd.h"

FirstPageHold::FirstPageHold(CTabBrowserWnd& tab, QObject* parent) : QObject(parent)
{
    // The view draws the page through its focus proxy, a QQuickWidget.
    if (auto* quick = qobject_cast<QQuickWidget*>(tab.view()->focusProxy()))
        drawn_by_ = quick->quickWindow();
    connect(&tab, &CTabBrowserWnd::busyChanged, this, [this](bool busy) {
        if (!busy)
            end();
    });
    limit_.setSingleShot(true);
    connect(&limit_, &QTimer::timeout, this, &FirstPageHold::end);
    limit_.start(drawn_by_ ? kUnusedMs : 0);
}

void FirstPageHold::defer(std::function<void()> change)
{
    if (ended_) {
        change();
        return;
    }
    changes_.push_back(std::move(change));
    if (changes_.size() > 1)
        return;
    limit_.start(kLongestWaitMs);
    // Queued: the changes follow the frame rather than join the render of it.
    if (drawn_by_)
        connect(drawn_by_, &QQuickWindow::afterRendering, this, &FirstPageHold::end, Qt::QueuedConnection);
}

void FirstPageHold::end()
{
    if (ended_)
        return;
    ended_ = true;
    limit_.stop();
    for (const std::function<void()>& change : std::exchange(changes_, {}))
        change();
    deleteLater();
}
