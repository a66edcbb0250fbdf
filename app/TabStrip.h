#pragma once

#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "app/TabStripGeometry.h"

class QMdiArea;
class QMdiSubWindow;

// What the tab strip asks of the frame that owns it.
class TabStripHost {
public:
    virtual ~TabStripHost() = default;
    // The tab that was active when this one was created, if it is still open.
    virtual QMdiSubWindow* opener_of(QMdiSubWindow* tab) const = 0;
    virtual bool is_locked(QMdiSubWindow* tab) const = 0;
    virtual QIcon site_icon(QMdiSubWindow* tab) const = 0;
    virtual void close_tab(QMdiSubWindow* tab) = 0;
    // Starts dragging the tab out as an internet shortcut; returns when the drag ends.
    virtual void drag_tab_out(QMdiSubWindow* tab) = 0;
    virtual void show_tab_menu(QMdiSubWindow* tab, const QPoint& global_position) = 0;
};

// The row of tabs over the tab area: one cell per open tab, the active one drawn larger,
// a close box per tab (and the middle button), a lock or site icon, the full title as a tip,
// drag to reorder or to drag out, the wheel to switch tabs and a context menu per tab. (Historical name kept for the frame's code.)
class CMDICtrlButton : public QWidget {
    Q_OBJECT
public:
    CMDICtrlButton(QMdiArea* area, TabStripHost* host, QWidget* parent = nullptr);

    // Brings the tab list in line with the open tab windows.
    void Resync();
    // Makes the tab at index active; out of range means no active tab.
    void Activate(int index);

    int count() const { return static_cast<int>(tabs_.size()); }
    int active_index() const { return active_; }
    QMdiSubWindow* tab(int index) const;
    int index_of(QMdiSubWindow* tab) const;
    // Cell positions at the strip's current width.
    TabStripGeometry geometry_for_width() const { return {width()}; }
    // Height the strip wants for its tabs at its current width.
    int wanted_height() const;

signals:
    void heightChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Tab {
        QPointer<QMdiSubWindow> window;
        QString title;
    };
    void paint_tab(QPainter& painter, int index, bool active) const;
    void move_tab(int from, int onto, bool after);

    QMdiArea* area_;
    TabStripHost* host_;
    std::vector<Tab> tabs_;
    int active_ = -1;
    int hover_ = -1;
    QPoint press_point_;
    bool pressed_ = false;
    bool dragging_ = false;
    QPointer<QMdiSubWindow> dragged_;
};
