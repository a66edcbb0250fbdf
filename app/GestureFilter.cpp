#include "app/GestureFilter.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include "app/BrowserCommands.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"

GestureFilter::GestureFilter(CTabBrowserWnd* browser) : QObject(browser), browser_(browser)
{
    clock_.start();
}

GestureFilter* GestureFilter::attach(CTabBrowserWnd* browser, QWidget* input)
{
    auto* filter = browser->findChild<GestureFilter*>(QString(), Qt::FindDirectChildrenOnly);
    if (!filter)
        filter = new GestureFilter(browser);
    filter->watch(input);
    return filter;
}

void GestureFilter::watch(QWidget* input)
{
    input_.follow(input);
}

std::uint32_t GestureFilter::tick() const
{
    return static_cast<std::uint32_t>(clock_.elapsed());
}

void GestureFilter::run(int command)
{
    if (command >= 0)
        PostBrowserCommand(browser_, command);
}

bool GestureFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != input_ || replaying_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return press(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return release(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        if (state_.tracking()) {
            const QPointF at = static_cast<QMouseEvent*>(event)->position();
            state_.move(static_cast<float>(at.x()), static_cast<float>(at.y()), theApp().settings());
        }
        return false;
    default:
        return false;
    }
}

bool GestureFilter::press(QMouseEvent* event)
{
    settings::Settings& options = theApp().settings();
    if (event->button() == Qt::LeftButton) {
        const settings::MouseOutcome outcome =
            state_.left_down(event->buttons() & Qt::RightButton, tick(), options);
        run(outcome.command);
        return outcome.handled;
    }
    if (event->button() != Qt::RightButton)
        return false;
    const QPointF at = event->position();
    const settings::MouseOutcome outcome =
        state_.right_down(event->buttons() & Qt::LeftButton, static_cast<float>(at.x()), static_cast<float>(at.y()),
                          tick(), theApp().drawing_tool_active(), options);
    run(outcome.command);
    // A press that starts a gesture waits: the page would open its context menu right away.
    return outcome.handled || outcome.capture;
}

bool GestureFilter::release(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        return state_.left_up().handled;
    if (event->button() != Qt::RightButton)
        return false;
    const bool held_back = state_.tracking();
    const QPointF at = event->position();
    const settings::MouseOutcome outcome = state_.right_up(static_cast<float>(at.x()), static_cast<float>(at.y()),
                                                           theApp().drawing_tool_active(), theApp().settings());
    if (outcome.handled) {
        run(outcome.command);
        return true;
    }
    if (held_back) {
        replay_right_click(event);
        return true;
    }
    return false;
}

// No gesture: the page gets its right click after all, where the button came up.
void GestureFilter::replay_right_click(QMouseEvent* release)
{
    QWidget* input = input_;
    if (!input)
        return;
    replaying_ = true;
    QMouseEvent down(QEvent::MouseButtonPress, release->position(), release->scenePosition(),
                     release->globalPosition(), Qt::RightButton, Qt::RightButton, release->modifiers());
    QCoreApplication::sendEvent(input, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, release->position(), release->scenePosition(),
                   release->globalPosition(), Qt::RightButton, Qt::NoButton, release->modifiers());
    if (input_)
        QCoreApplication::sendEvent(input, &up);
    replaying_ = false;
}
