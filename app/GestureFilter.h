#pragma once

#include <QElapsedTimer>
#include <QObject>

#include "settings/MouseGesture.h"
#include "ui/FilteredWidget.h"

class CTabBrowserWnd;
class QMouseEvent;
class QWidget;

// Mouse gestures and rocker clicks over a tab's page. It watches the engine's input widget
// ahead of the page: a right-button drag in browse mode is a gesture, one button pressed
// while the other is held is a rocker click (in every mode). Both run one of the browser
// commands on the tab.
//
// The engine opens its context menu as the right button goes down, so the press that may
// start a gesture is held back from the page; when the drag turns out to be no gesture, the
// press and the release are handed to the page at the release point, which brings up the
// context menu there.
class GestureFilter : public QObject {
    Q_OBJECT
public:
    explicit GestureFilter(CTabBrowserWnd* browser);

    // Watches `input` (the view's current input widget) instead of the one before.
    void watch(QWidget* input);
    const settings::MouseGestureState& state() const { return state_; }

    // The tab's gesture filter, created on first use, watching `input`.
    static GestureFilter* attach(CTabBrowserWnd* browser, QWidget* input);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool press(QMouseEvent* event);
    bool release(QMouseEvent* event);
    void run(int command);
    void replay_right_click(QMouseEvent* release);
    std::uint32_t tick() const;

    CTabBrowserWnd* browser_;
    ui::FilteredWidget input_{this};
    settings::MouseGestureState state_;
    QElapsedTimer clock_;
    bool replaying_ = false;
};
