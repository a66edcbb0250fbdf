#include "memo/ui/MemoBarDlg.h"

#include <QCoreApplication>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleHints>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "memo/MemoIndex.h"
#include "memo/ui/LayerWnd.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"

namespace {
constexpr int kUrlRole = Qt::UserRole + 1;
}

CMemoBarDlg::CMemoBarDlg(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* buttons = new QHBoxLayout;
    search_ = new QPushButton(QCoreApplication::translate("MemoBarDlg", "検索"), this);
    local_ = new QPushButton(QCoreApplication::translate("MemoBarDlg", "ローカル"), this);
    buttons->addWidget(search_);
    buttons->addWidget(local_);
    layout->addLayout(buttons);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(32, 32));
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(tree_);

    click_timer_.setSingleShot(true);
    connect(&click_timer_, &QTimer::timeout, this, [this] {
        if (!pending_.empty() && on_go)
            on_go(pending_);
        pending_.clear();
    });
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const std::string url = site_of(item);
        if (url.empty())
            return;
        pending_ = url;
        // A single click waits out the desktop's double-click time as it is now: any double
        // click the desktop reports comes before, cancels it and opens the site instead.
        click_timer_.start(QApplication::styleHints()->mouseDoubleClickInterval());
    });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        click_timer_.stop();
        pending_.clear();
        const std::string url = site_of(item);
        if (!url.empty() && on_open)
            on_open(url);
    });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &CMemoBarDlg::context_menu);
    connect(search_, &QPushButton::clicked, this, [this] {
        if (on_search)
            on_search();
    });
    connect(local_, &QPushButton::clicked, this, &CMemoBarDlg::rebuild);
}

std::string CMemoBarDlg::site_of(const QTreeWidgetItem* item)
{
    if (!item || item->childCount() > 0)
        return {};
    return item->data(0, kUrlRole).toByteArray().toStdString();
}

void CMemoBarDlg::rebuild()
{
    const memo::PackageCache* cache = memo_layer_services().cache;
    if (!cache) {
        tree_->clear();
        return;
    }
    show_sites(memo::collect_memo_sites(*cache));
    showing_stored_ = true;
}

void CMemoBarDlg::follow_stored_memos()
{
    if (!showing_stored_ || !isVisible())
        return;  // shown again, the pane lists them afresh
    const std::string current = site_of(tree_->currentItem());
    const int scrolled = tree_->verticalScrollBar()->value();
    rebuild();
    for (QTreeWidgetItemIterator it(tree_); *it && !current.empty(); ++it)
        if (site_of(*it) == current) {
            tree_->setCurrentItem(*it);
            break;
        }
    tree_->verticalScrollBar()->setValue(scrolled);
}

void CMemoBarDlg::show_sites(const std::vector<memo::MemoSite>& sites)
{
    showing_stored_ = false;
    tree_->clear();
    for (const memo::MemoDateGroup& group : memo::group_memo_sites(sites)) {
        auto* date = new QTreeWidgetItem(tree_, {QString::fromStdString(group.date)});
        for (const memo::MemoSite& site : group.sites) {
            auto* item = new QTreeWidgetItem(date, {platform::shown_url(site.url)});
            item->setData(0, kUrlRole, QByteArray::fromStdString(site.url));
            if (!site.thumbnail.empty()) {
                memo::MemoImage copy = site.thumbnail;
                const QImage image(copy.bits(), copy.width(), copy.height(), copy.stride(), QImage::Format_RGB32);
                item->setIcon(0, QIcon(QPixmap::fromImage(image.copy())));
            }
        }
        date->setExpanded(true);
    }
}

void CMemoBarDlg::run(const QString& command, QTreeWidgetItem* item)
{
    const std::string url = site_of(item);
    if (url.empty())
        return;
    if (command == QCoreApplication::translate("MemoBarDlg", "移動")) {
        if (on_go)
            on_go(url);
    } else if (command == QCoreApplication::translate("MemoBarDlg", "開く")) {
        if (on_open)
            on_open(url);
    } else if (command == QCoreApplication::translate("MemoBarDlg", "削除")) {
        if (memo::PackageCache* cache = memo_layer_services().cache) {
            // A site known only from its file is loaded first, so its deletion is stored too.
            if (auto pkg = cache->lookup(url, false))
                cache->delete_site(*pkg);
        }
        rebuild();
    }
}

void CMemoBarDlg::context_menu(const QPoint& at)
{
    QTreeWidgetItem* item = tree_->itemAt(at);
    if (site_of(item).empty())
        return;
    QMenu menu(this);
    for (const QString& name : {QCoreApplication::translate("MemoBarDlg", "移動"), QCoreApplication::translate("MemoBarDlg", "開く"), QCoreApplication::translate("MemoBarDlg", "削除")})
        menu.addAction(name);
    if (QAction* chosen = menu.exec(tree_->viewport()->mapToGlobal(at)))
        run(chosen->text(), item);
}

void CMemoBarDlg::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    rebuild();
}
