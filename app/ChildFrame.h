#pragma once

#include <QMdiSubWindow>
#include <QPointer>

#include "app/CommandTarget.h"

class CTabBrowserWnd;
class QScrollArea;

// One tab: a frame in the tab area holding a scroll container with the tab's browser window.
class CChildFrame : public QMdiSubWindow, public CommandTarget {
    Q_OBJECT
public:
    // opener: the tab that was active when this one was created (may be null).
    explicit CChildFrame(CChildFrame* opener);

    CTabBrowserWnd* browser() const { return browser_; }
    CChildFrame* opener() const { return opener_; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<CChildFrame> opener_;
    QScrollArea* scroll_;
    CTabBrowserWnd* browser_;
};
