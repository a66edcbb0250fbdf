#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

class CTabBrowserWnd;
class QQuickWindow;
class QWidget;

// Holds changes to the frame's bars while the first page is on its way (the address and the
// address list at the commit, the engine's stand-in title on the tab, then the page's own) and
// makes them together, in the order they came. Each repaint of the frame composes the whole
// window with the page's surface, 10-35 ms under a software renderer: made one by one they
// hold up the page's first frame.
// The hold ends once the first frame the engine draws after the first change held is on the
// screen (the page's load end often comes before that frame), at most kLongestWaitMs after the
// first change, when the page has loaded with nothing held or with no frames to wait for, or
// kUnusedMs after the hold began if nothing came.
class FirstPageHold : public QObject {
    Q_OBJECT
public:
    static constexpr int kLongestWaitMs = 500;
    static constexpr int kUnusedMs = 3000;

    // `tab` is loading the first page and has its view.
    FirstPageHold(CTabBrowserWnd& tab, QObject* parent);
    // Makes `change` at the end of the hold, or now once it has ended.
    void defer(std::function<void()> change);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool draws_frames() const;
    void end_after_flush();
    void end();

    QPointer<QQuickWindow> drawn_by_;
    QPointer<QWidget> shown_in_;  // the top-level window the frame is composed into
    bool waiting_for_frame_ = false;
    bool flush_awaited_ = false;
    QTimer limit_;
    std::vector<std::function<void()>> changes_;
    bool ended_ = false;
};
