#include "app/PageFullScreen.h"

#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>

namespace {

PageFullScreen* current(const QMainWindow* frame)
{
    return frame->findChild<PageFullScreen*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

PageFullScreen::PageFullScreen(QMainWindow* frame, std::function<void()> ask_to_leave)
    : QObject(frame), frame_(frame), ask_to_leave_(std::move(ask_to_leave))
{
}

void PageFullScreen::enter(QMainWindow* frame, QList<QWidget*> also_hide, QObject* owner,
                           std::function<void()> ask_to_leave)
{
    if (current(frame))
        return;
    auto* shown = new PageFullScreen(frame, std::move(ask_to_leave));
    QList<QWidget*> chrome = {frame->statusBar()};  // the menu bar is in a band
    for (QToolBar* bar : frame->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        chrome << bar;
    for (QDockWidget* dock : frame->findChildren<QDockWidget*>(QString(), Qt::FindDirectChildrenOnly))
        chrome << dock;
    for (QWidget* widget : chrome + also_hide)
        if (widget && widget->isVisible()) {
            shown->hidden_ << widget;
            widget->hide();
        }
    shown->was_maximized_ = frame->isMaximized();
    frame->showFullScreen();
    qApp->installEventFilter(shown);
    connect(owner, &QObject::destroyed, shown, [frame] { leave(frame); });
}

void PageFullScreen::leave(QMainWindow* frame)
{
    if (PageFullScreen* shown = current(frame)) {
        shown->restore();
        shown->setParent(nullptr);  // not found again while it waits to be deleted
        shown->deleteLater();
    }
}

bool PageFullScreen::active(const QMainWindow* frame)
{
    return current(frame) != nullptr;
}

void PageFullScreen::restore()
{
    qApp->removeEventFilter(this);
    was_maximized_ ? frame_->showMaximized() : frame_->showNormal();
    for (QWidget* widget : hidden_)
        if (widget)
            widget->show();
    hidden_.clear();
}

bool PageFullScreen::eventFilter(QObject* watched, QEvent* event)
{
    const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!key || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape || !widget || widget->window() != frame_)
        return QObject::eventFilter(watched, event);
    // Claiming the override keeps the key from the shortcuts; the press that follows leaves.
    event->accept();
    if (event->type() == QEvent::KeyPress && ask_to_leave_)
        ask_to_leave_();
    return true;
}
