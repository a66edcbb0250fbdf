#pragma once

#include <QTimer>
#include <QTreeWidget>
#include <functional>

class QMenu;
namespace res {
struct MenuItem;
}

// The tree of the favorites and history panes. A left press selects the node under the
// cursor; the pane may then arm a pending single click, which fires after the click interval
// unless a double click comes first, so a double click never also acts as a single click.
class PaneTree : public QTreeWidget {
    Q_OBJECT
public:
    // Half the desktop's double-click time, the pending single click's wait.
    static constexpr int kDefaultClickInterval = 200;

    explicit PaneTree(QWidget* parent);

    void set_click_interval(int ms) { click_timer_.setInterval(ms); }
    int click_interval() const { return click_timer_.interval(); }
    // Called from pressed(): the node acts on the timer unless a double click follows.
    void arm_single_click();
    bool single_click_pending() const { return pending_; }

    // Moving a dragged node onto another; set by panes that allow it.
    std::function<void(QTreeWidgetItem* dragged, QTreeWidgetItem* target)> on_drop;

signals:
    void pressed(QTreeWidgetItem* item);
    void single_clicked(QTreeWidgetItem* item);
    void double_clicked(QTreeWidgetItem* item);
    void context_menu(QTreeWidgetItem* item, const QPoint& global_position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QTimer click_timer_;
    bool pending_ = false;
};

// A popup menu from the menu resources; every command item carries its id as data.
QMenu* build_pane_menu(const res::MenuItem& popup, QWidget* parent);
// The click interval from the "DoubleClickSpeed" text: half of it, or the default when it
// is missing or not a number.
int click_interval_from(const QByteArray* double_click_speed);
