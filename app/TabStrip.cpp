#include "app/TabStrip.h"

#include <QDragEnterEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionTab>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "app/AppIcons.h"

CMDICtrlButton::CMDICtrlButton(QMdiArea* area, TabStripHost* host, QWidget* parent)
    : QWidget(parent), area_(area), host_(host)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(area_, &QMdiArea::subWindowActivated, this, [this] { Resync(); });
}

QMdiSubWindow* CMDICtrlButton::tab(int index) const
{
    return index >= 0 && index < count() ? tabs_[static_cast<std::size_t>(index)].window.data() : nullptr;
}

int CMDICtrlButton::index_of(QMdiSubWindow* window) const
{
    for (int i = 0; i < count(); ++i)
        if (tabs_[static_cast<std::size_t>(i)].window == window)
            return i;
    return -1;
}

int CMDICtrlButton::wanted_height() const
{
    return geometry_for_width().height(count());
}

// Drops tabs whose window is gone, refreshes titles, appends new windows (right after the
// tab they were opened from, when that tab is still there) and follows the active window.
void CMDICtrlButton::Resync()
{
    const int old_height = wanted_height();
    const std::vector<Tab> old_tabs = tabs_;
    const int old_active = active_;
    const QList<QMdiSubWindow*> windows = area_->subWindowList(QMdiArea::CreationOrder);
    std::erase_if(tabs_, [&](const Tab& tab) { return !tab.window || !windows.contains(tab.window.data()); });
    for (Tab& tab : tabs_)
        tab.title = tab.window->windowTitle();
    for (QMdiSubWindow* window : windows) {
        if (index_of(window) >= 0)
            continue;
        Tab added{window, window->windowTitle()};
        const int opener = host_ ? index_of(host_->opener_of(window)) : -1;
        if (opener >= 0)
            tabs_.insert(tabs_.begin() + opener + 1, added);
        else
            tabs_.push_back(added);
    }
    active_ = index_of(area_->activeSubWindow());
    if (wanted_height() != old_height)
        emit heightChanged();
    // Each paint recomposes the whole window: a strip that shows the same needs none.
    const auto same = [](const Tab& a, const Tab& b) { return a.window == b.window && a.title == b.title; };
    if (active_ != old_active || !std::equal(tabs_.begin(), tabs_.end(), old_tabs.begin(), old_tabs.end(), same))
        update();
}

void CMDICtrlButton::Activate(int index)
{
    if (index < 0 || index >= count()) {
        active_ = -1;
        update();
        return;
    }
    if (index == active_)
        return;
    active_ = index;
    area_->setActiveSubWindow(tabs_[static_cast<std::size_t>(index)].window);
    update();
}

void CMDICtrlButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (TabStripGeometry{event->oldSize().width()}.height(count()) != wanted_height())
        emit heightChanged();
}

void CMDICtrlButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    for (int i = 0; i < count(); ++i)
        if (i != active_)
            paint_tab(painter, i, false);
    if (active_ >= 0)
        paint_tab(painter, active_, true);
}

void CMDICtrlButton::paint_tab(QPainter& painter, int index, bool active) const
{
    const Tab& tab = tabs_[static_cast<std::size_t>(index)];
    QRect cell = geometry_for_width().cell(index);
    QStyleOptionTab option;
    option.initFrom(this);
    option.rect = active ? cell.adjusted(-2, -1, 1, 0) : cell;
    option.shape = QTabBar::RoundedNorth;
    option.state = QStyle::State_Enabled;
    if (active)
        option.state |= QStyle::State_Selected;
    if (index == hover_)
        option.state |= QStyle::State_MouseOver;
    option.position = QStyleOptionTab::Middle;
    style()->drawControl(QStyle::CE_TabBarTabShape, &option, &painter, this);

    const QIcon icon = tab.window && host_ && host_->is_locked(tab.window) ? app_icons::lock()
                       : host_ && tab.window                                ? host_->site_icon(tab.window)
                                                                            : QIcon();
    if (!icon.isNull())
        icon.paint(&painter, QRect(cell.x() + 2, cell.y() + 2, 16, 16));
    app_icons::tab_close().paint(&painter, TabStripGeometry::close_box(cell));

    const QRect text_rect(cell.x() + 20, cell.y(), cell.width() - 38, cell.height());
    painter.setPen(palette().color(QPalette::WindowText));
    const QString title = painter.fontMetrics().elidedText(tab.title, Qt::ElideRight, text_rect.width());
    painter.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
}

void CMDICtrlButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    press_point_ = event->position().toPoint();
    pressed_ = true;
    dragging_ = false;
    Activate(geometry_for_width().index_at(press_point_, count()));
}

void CMDICtrlButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (pressed_ && !dragging_) {
        const QPoint moved = point - press_point_;
        if (std::abs(moved.x()) > TabStripGeometry::kDragThreshold ||
            std::abs(moved.y()) > TabStripGeometry::kDragThreshold) {
            pressed_ = false;
            dragging_ = true;
            dragged_ = tab(active_);
            if (dragged_ && host_)
                host_->drag_tab_out(dragged_);
            dragging_ = false;
            dragged_ = nullptr;
            return;
        }
    }
    const int hover = geometry_for_width().index_at(point, count());
    if (hover != hover_) {
        hover_ = hover;
        update();
    }
}

void CMDICtrlButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        const int index = geometry_for_width().index_at(point, count());
        if (index >= 0 && host_)
            host_->close_tab(tab(index));
        return;
    }
    if (event->button() == Qt::RightButton) {
        const int index = geometry_for_width().index_at(point, count());
        if (index >= 0 && host_) {
            Activate(index);
            host_->show_tab_menu(tab(index), event->globalPosition().toPoint());
        }
        return;
    }
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    const QPoint moved = point - press_point_;
    if (std::abs(moved.x()) > TabStripGeometry::kDragThreshold ||
        std::abs(moved.y()) > TabStripGeometry::kDragThreshold)
        return;
    if (active_ >= 0 && TabStripGeometry::close_box(geometry_for_width().cell(active_)).contains(point) && host_)
        host_->close_tab(tab(active_));
}

// A cell shows as much of its title as fits; the tip shows all of it.
bool CMDICtrlButton::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const int index = geometry_for_width().index_at(help->pos(), count());
    if (index >= 0)
        QToolTip::showText(help->globalPos(), tabs_[static_cast<std::size_t>(index)].title, this);
    else
        QToolTip::hideText();
    return true;
}

void CMDICtrlButton::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta < 0 && active_ + 1 < count())
        Activate(active_ + 1);
    else if (delta > 0 && active_ > 0)
        Activate(active_ - 1);
    event->accept();
}

void CMDICtrlButton::leaveEvent(QEvent* event)
{
    hover_ = -1;
    update();
    QWidget::leaveEvent(event);
}

void CMDICtrlButton::dragEnterEvent(QDragEnterEvent* event)
{
    if (dragging_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMDICtrlButton::dragMoveEvent(QDragMoveEvent* event)
{
    if (dragging_)
        event->acceptProposedAction();
}

void CMDICtrlButton::dropEvent(QDropEvent* event)
{
    if (!dragging_ || !dragged_)
        return;
    const QPoint point = event->position().toPoint();
    const int onto = geometry_for_width().index_at(point, count());
    const int from = index_of(dragged_);
    if (onto >= 0 && from >= 0) {
        move_tab(from, onto, geometry_for_width().right_half(point, onto));
        event->acceptProposedAction();
    }
}

void CMDICtrlButton::move_tab(int from, int onto, bool after)
{
    Tab moved = tabs_[static_cast<std::size_t>(from)];
    tabs_.erase(tabs_.begin() + from);
    const int target = std::clamp(reordered_index(from, onto, after), 0, count());
    tabs_.insert(tabs_.begin() + target, moved);
    active_ = -1;
    Activate(target);
    update();
}
