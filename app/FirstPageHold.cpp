#include "app/FirstPageHold.h"

#include <QQuickWidget>
#include <QQuickWindow>
#include <QWidget>
#include <QWebEngineView>
#include <utility>

#include "app/TabBrowserWnd.h"

FirstPageHold::FirstPageHold(CTabBrowserWnd& tab, QObject* parent) : QObject(parent)
{
    // The view draws the page through its focus proxy, a QQuickWidget.
    if (auto* quick = qobject_cast<QQuickWidget*>(tab.view()->focusProxy())) {
        drawn_by_ = quick->quickWindow();
        shown_in_ = quick->window();
    }
    // Changes held by then wait for the frame that shows the loaded page, if frames come; they
    // would otherwise be one more composition just before it.
    connect(&tab, &CTabBrowserWnd::busyChanged, this, [this](bool busy) {
        if (!busy && (changes_.empty() || !draws_frames()))
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
    // Frames drawn while the window is being shown are not the page's: the wait for a frame
    // starts with the first change held once it is up.
    if (waiting_for_frame_ || (shown_in_ && !shown_in_->isVisible()))
        return;
    waiting_for_frame_ = true;
    limit_.start(kLongestWaitMs);
    if (drawn_by_)
        connect(drawn_by_, &QQuickWindow::afterRendering, this, &FirstPageHold::end_after_flush, Qt::QueuedConnection);
}

// The view draws nothing in a minimized window, or where no graphics are to be had.
bool FirstPageHold::draws_frames() const
{
    return drawn_by_ && drawn_by_->isSceneGraphInitialized() && shown_in_ && shown_in_->isVisible() &&
           !shown_in_->isMinimized();
}

// The changes follow the window's repaint that puts the frame on the screen, rather than hold
// it up: the frame is on the screen a composition sooner, the bars one composition later.
void FirstPageHold::end_after_flush()
{
    if (flush_awaited_ || ended_)
        return;
    flush_awaited_ = true;
    if (!shown_in_) {
        end();
        return;
    }
    shown_in_->installEventFilter(this);
}

bool FirstPageHold::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == shown_in_ && event->type() == QEvent::UpdateRequest) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, &FirstPageHold::end);
    }
    return false;
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
