#include "places/ui/HistoryDlg.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QToolTip>
#include <QMenu>
#include <QSet>
#include <QVBoxLayout>
#include <map>

#include "places/History.h"
#include "places/ui/PlaceIcons.h"
#include "places/ui/PlacesHost.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/Menus.h"

namespace {

bool is_day(const QTreeWidgetItem* item)
{
    return item && !item->parent();
}

// An entry shows its address for people and keeps the history's own form beside it.
std::string url_of(const QTreeWidgetItem* item)
{
    return item->data(0, Qt::UserRole).toString().toStdString();
}

} // namespace

CHistoryDlg::CHistoryDlg(places::History& history, PlacesHost& host, QWidget* parent)
    : QWidget(parent), history_(history), host_(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tree_ = new PaneTree(this);
    tree_->setObjectName(QStringLiteral("HistoryTree"));
    tree_->setIconSize(QSize(18, 18));
    layout->addWidget(tree_);
    connect(tree_, &PaneTree::pressed, tree_, [this](QTreeWidgetItem*) { tree_->arm_single_click(); });
    connect(tree_, &PaneTree::single_clicked, this, [this] { run_command(res::cmd::kHistoryGo); });
    connect(tree_, &PaneTree::double_clicked, this, [this] { run_command(res::cmd::kHistoryOpenInNewTab); });
    connect(tree_, &PaneTree::context_menu, this, &CHistoryDlg::show_menu);
    tree_->viewport()->installEventFilter(this);
}

QString CHistoryDlg::tooltip_of(const QTreeWidgetItem* item) const
{
    if (!item || is_day(item))
        return {};
    const QString url = item->text(0);
    const std::string title = host_.title_of(url_of(item));
    return title.empty() ? url : url + QLatin1Char('\n') + platform::to_qstring(title);
}

// An address is often cut at the pane's edge: its tip shows all of it and the page's title,
// as known when the tip opens (titles arrive after the visit).
bool CHistoryDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tree_->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QTreeWidgetItem* item = tree_->itemAt(help->pos());
        const QString tip = tooltip_of(item);
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, tree_->viewport(), tree_->visualItemRect(item));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString CHistoryDlg::day_text(std::int64_t time)
{
    const QDate day = QDateTime::fromSecsSinceEpoch(time).date();
    return QString::asprintf("%d/%02d/%02d", day.year(), day.month(), day.day());
}

void CHistoryDlg::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    rebuild();
}

void CHistoryDlg::rebuild()
{
    // Open days and the selected node stay as they were when the tree is refreshed.
    QSet<QString> open_days;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (tree_->topLevelItem(i)->isExpanded())
            open_days.insert(tree_->topLevelItem(i)->text(0));
    const QTreeWidgetItem* selected = tree_->currentItem();
    const QString selected_text = selected ? selected->text(0) : QString();
    const QString selected_day = selected && selected->parent() ? selected->parent()->text(0) : QString();
    tree_->clear();
    // Day texts sort as dates ("%d/%02d/%02d" with four-digit years).
    std::map<QString, QTreeWidgetItem*> days;
    for (const places::HistoryEntry& entry : history_.entries())
        days.try_emplace(day_text(entry.time), nullptr);
    for (auto& [text, node] : days) {
        node = new QTreeWidgetItem(tree_, QStringList{text});
        node->setIcon(0, place_icons::folder());
    }
    for (const places::HistoryEntry& entry : history_.entries()) {
        QTreeWidgetItem* day = days[day_text(entry.time)];
        auto* node = new QTreeWidgetItem(day, QStringList{platform::shown_url(entry.url)});
        node->setData(0, Qt::UserRole, QString::fromStdString(entry.url));
        node->setIcon(0, place_icons::page());
        if (!selected_text.isEmpty() && node->text(0) == selected_text && day->text(0) == selected_day)
            tree_->setCurrentItem(node);
    }
    for (auto& [text, node] : days) {
        node->setExpanded(open_days.contains(text));
        if (selected_day.isEmpty() && text == selected_text)
            tree_->setCurrentItem(node);
    }
}

void CHistoryDlg::run_command(int id)
{
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return;
    switch (id) {
    case res::cmd::kHistoryGo:
        if (!is_day(item))
            host_.open_in_active_tab(url_of(item));
        break;
    case res::cmd::kHistoryOpenInNewTab:
        if (!is_day(item))
            host_.open_in_new_tab(url_of(item));
        break;
    case res::cmd::kHistoryDelete:
        delete_node(item);
        break;
    default:
        break;
    }
}

void CHistoryDlg::show_menu(QTreeWidgetItem* item, const QPoint& global_position)
{
    popup_pane_menu(
        res::menu(res::menuid::kHistoryPane), this, global_position, [this](int id) { run_command(id); },
        [this, item](int id) {
            return !(id == res::cmd::kHistoryGo || id == res::cmd::kHistoryOpenInNewTab) || !is_day(item);
        });
}

void CHistoryDlg::delete_node(QTreeWidgetItem* item)
{
    if (is_day(item)) {
        const QString day = item->text(0);
        history_.remove_if([&](const places::HistoryEntry& entry) { return day_text(entry.time) == day; });
        delete item;
        host_.history_changed();
        return;
    }
    history_.remove_url(url_of(item));
    QTreeWidgetItem* day = item->parent();
    delete item;
    if (day->childCount() == 0)
        delete day;
    host_.history_changed();
}
