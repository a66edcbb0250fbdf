#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

class CTabBrowserWnd;
class QQuickWindow;

// Holds changes to the frame's bars while the first page is on its way (the engine's stand-in
// title on the tab, then the page's own) and makes them together, in the order they came.
// Each repaint of the frame composes the whole window with the page's surface, 10-35 ms under
// a software renderer: made one by one they hold up the page's first frame.
// The hold ends at the first frame the engine draws after the first change held, when the
// page has loaded, at most kLongestWaitMs after the first change, or kUnusedMs after the hold
// began if nothing came.
class FirstPageHold : public QObject {
    Q_OBJECT
public:
    static constexpr int kLongestWaitMs = 500;
    static constexpr int kUnusedMs = 3000;

    // `tab` is loading the first page and has its view.
    FirstPageHold(CTabBrowserWnd& tab, QObject* parent);
    // Makes `change` at the end of the hold, or now once it has ended.
    void defer(std::function<void()> change);

private:
    void end();

    QPointer<QQuickWindow> drawn_by_;
    QTimer limit_;
    std::vector<std::function<void()>> changes_;
    bool ended_ = false;
};
