#include "places/ui/PaneTree.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMouseEvent>

#include "res/Menus.h"
#include "ui/Texts.h"

PaneTree::PaneTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setExpandsOnDoubleClick(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    click_timer_.setSingleShot(true);
    click_timer_.setInterval(kDefaultClickInterval);
    connect(&click_timer_, &QTimer::timeout, this, [this] {
        if (!pending_)
            return;
        pending_ = false;
        if (QTreeWidgetItem* item = currentItem())
            emit single_clicked(item);
    });
}

void PaneTree::arm_single_click()
{
    pending_ = true;
    click_timer_.start();
}

void PaneTree::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) {
        setCurrentItem(item);
        emit pressed(item);
    }
}

void PaneTree::mouseDoubleClickEvent(QMouseEvent* event)
{
    pending_ = false;
    click_timer_.stop();
    if (event->button() != Qt::LeftButton)
        return;
    if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) {
        setCurrentItem(item);
        emit double_clicked(item);
    }
}

void PaneTree::contextMenuEvent(QContextMenuEvent* event)
{
    QTreeWidgetItem* item = itemAt(event->pos());
    if (!item)
        return;
    setCurrentItem(item);
    emit context_menu(item, event->globalPos());
}

void PaneTree::dropEvent(QDropEvent* event)
{
    QTreeWidgetItem* dragged = currentItem();
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    // The files move; the tree is rebuilt from them rather than moving nodes itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (on_drop && dragged && dragged != target)
        on_drop(dragged, target);
}

void popup_pane_menu(const res::Menu* resource, QWidget* parent, const QPoint& global_position,
                     const std::function<void(int command)>& run, const std::function<bool(int command)>& enabled)
{
    if (!resource || resource->items.empty())
        return;
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const res::MenuItem& item : resource->items.front().items) {
        if (item.isSeparator()) {
            menu->addSeparator();
        } else if (item.isCommand()) {
            QAction* command = menu->addAction(::ui::menu_text(item.text));
            command->setData(item.command);
            if (enabled)
                command->setEnabled(enabled(item.command));
        }
    }
    QObject::connect(menu, &QMenu::triggered, parent, [run](QAction* action) { run(action->data().toInt()); });
    menu->popup(global_position);
}

int click_interval_from(const QByteArray* double_click_speed)
{
    bool ok = false;
    const int speed = double_click_speed ? double_click_speed->trimmed().toInt(&ok) : 0;
    return ok && speed > 0 ? speed / 2 : PaneTree::kDefaultClickInterval;
}
