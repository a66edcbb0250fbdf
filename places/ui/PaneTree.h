#pragma once

#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace res {
struct Menu;
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

// Pops up the first popup of a menu resource at a screen position. Choosing an item runs
// `run` with its command id; `enabled`, when given, decides which items can be chosen.
void popup_pane_menu(const res::Menu* resource, QWidget* parent, const QPoint& global_position,
                     const std::function<void(int command)>& run,
                     const std::function<bool(int command)>& enabled = {});
// The click interval from the "DoubleClickSpeed" text: half of it, or the default when it
// is missing or not a number.
int click_interval_from(const QByteArray* double_click_speed);
