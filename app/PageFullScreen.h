#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QMainWindow;

// A page shown full screen: the main window goes full screen with its bars, panes and tab
// strip hidden, so the page has the screen to itself. Escape asks to leave (the command table
// gives Escape to browse mode, so it is taken before the window's shortcuts see it); leaving
// brings back every widget that was shown and the window's size.
class PageFullScreen : public QObject {
    Q_OBJECT
public:
    // `owner` going away (its tab closed) leaves as well. `ask_to_leave` runs on Escape.
    static void enter(QMainWindow* frame, QList<QWidget*> also_hide, QObject* owner, std::function<void()> ask_to_leave);
    static void leave(QMainWindow* frame);
    static bool active(const QMainWindow* frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PageFullScreen(QMainWindow* frame, std::function<void()> ask_to_leave);
    void restore();

    QMainWindow* frame_;
    std::function<void()> ask_to_leave_;
    QList<QPointer<QWidget>> hidden_;
    bool was_maximized_ = false;
};
