#include "memo/ui/MemoBarDlg.h"

#include <QCoreApplication>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleHints>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <utility>

#include "memo/MemoIndex.h"
#include "memo/ui/LayerWnd.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"

namespace {
constexpr int kUrlRole = Qt::UserRole + 1;
constexpr int kMemoRole = Qt::UserRole + 2;
// The most characters of a found text box shown in its line; the tip shows it whole.
constexpr int kShownCharacters = 60;

// The line of a found memo: its text on one line, or its author for other memos.
QString found_line(const memo::MemoHit& memo)
{
    const QString text = platform::to_qstring(memo.text).simplified();
    if (text.isEmpty())
        return platform::to_qstring(memo.owner);
    return text.size() > kShownCharacters ? text.left(kShownCharacters - 1) + QChar(0x2026) : text;
}
} // namespace

CMemoBarDlg::CMemoBarDlg(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    search_box_ = new QLineEdit(this);
    search_box_->setPlaceholderText(QCoreApplication::translate("MemoBarDlg", "メモを検索"));
    search_box_->setClearButtonEnabled(true);
    layout->addWidget(search_box_);
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
        const std::string url = std::exchange(pending_, {});
        if (!url.empty())
            act_on(url, std::exchange(pending_memo_, {}), false);
    });
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const std::string url = site_of(item);
        if (url.empty())
            return;
        pending_ = url;
        pending_memo_ = memo_of(item);
        // A single click waits out the desktop's double-click time as it is now: any double
        // click the desktop reports comes before, cancels it and opens the site instead.
        click_timer_.start(QApplication::styleHints()->mouseDoubleClickInterval());
    });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        click_timer_.stop();
        pending_.clear();
        const std::string url = site_of(item);
        if (!url.empty())
            act_on(url, memo_of(item), true);
    });
    connect(search_box_, &QLineEdit::textChanged, this, &CMemoBarDlg::search);
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &CMemoBarDlg::context_menu);
    connect(search_, &QPushButton::clicked, this, [this] {
        if (on_search)
            on_search();
    });
    connect(local_, &QPushButton::clicked, this, [this] {
        if (search_box_->text().isEmpty())
            rebuild();
        else
            search_box_->clear(); // the stored list comes back with the empty box
    });
}

CMemoBarDlg::~CMemoBarDlg() = default;

std::string CMemoBarDlg::site_of(const QTreeWidgetItem* item)
{
    if (!item)
        return {};
    return item->data(0, kUrlRole).toByteArray().toStdString();
}

memo::Guid CMemoBarDlg::memo_of(const QTreeWidgetItem* item)
{
    if (!item)
        return {};
    return memo::Guid::from_string(item->data(0, kMemoRole).toString().toStdString()).value_or(memo::Guid{});
}

void CMemoBarDlg::act_on(const std::string& url, const memo::Guid& memo, bool double_click)
{
    if (!memo.is_unset()) {
        if (on_show_memo)
            on_show_memo(url, memo);
    } else if (double_click) {
        if (on_open)
            on_open(url);
    } else if (on_go) {
        on_go(url);
    }
}

memo::MemoSearchIndex* CMemoBarDlg::index()
{
    const memo::PackageCache* cache = memo_layer_services().cache;
    if (index_ || !cache)
        return index_.get();
    // Addresses are found as they are shown, escapes decoded.
    index_ = std::make_unique<memo::MemoSearchIndex>(
        cache->folder(), [](std::string_view url) { return platform::from_qstring(platform::shown_url(url)); });
    index_->set_listener([this] {
        // On the index's thread: the search runs again on the pane's.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (listing_ == Listing::Found)
                    search();
            },
            Qt::QueuedConnection);
    });
    return index_.get();
}

void CMemoBarDlg::search()
{
    const QString text = search_box_->text();
    if (text.trimmed().isEmpty()) {
        rebuild();
        return;
    }
    if (memo::MemoSearchIndex* found = index())
        show_found(found->search(platform::from_qstring(text), kFoundSites));
}

void CMemoBarDlg::rebuild()
{
    const memo::PackageCache* cache = memo_layer_services().cache;
    if (!cache) {
        tree_->clear();
        return;
    }
    list(memo::collect_memo_sites(*cache), {});
    listing_ = Listing::Stored;
}

void CMemoBarDlg::follow_stored_memos(const std::vector<std::string>& urls)
{
    if (index_)
        index_->stored(urls); // a search shown runs again once they are read
    if (listing_ != Listing::Stored || !isVisible())
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
    list(sites, {});
    listing_ = Listing::Server;
}

void CMemoBarDlg::show_found(const std::vector<memo::SiteHit>& found)
{
    std::vector<memo::MemoSite> sites;
    FoundMemos memos;
    for (const memo::SiteHit& hit : found) {
        sites.push_back({hit.time, hit.url, {}});
        memos[hit.url] = hit.memos;
    }
    const std::string current = site_of(tree_->currentItem());
    list(sites, memos);
    listing_ = Listing::Found;
    if (!current.empty())
        for (QTreeWidgetItemIterator it(tree_); *it; ++it)
            if (site_of(*it) == current && memo_of(*it).is_unset()) {
                tree_->setCurrentItem(*it);
                break;
            }
}

void CMemoBarDlg::list(const std::vector<memo::MemoSite>& sites, const FoundMemos& memos)
{
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
            const auto found = memos.find(site.url);
            if (found == memos.end())
                continue;
            for (const memo::MemoHit& memo : found->second) {
                auto* line = new QTreeWidgetItem(item, {found_line(memo)});
                line->setData(0, kUrlRole, QByteArray::fromStdString(site.url));
                line->setData(0, kMemoRole, QString::fromStdString(memo.id.to_string()));
                line->setToolTip(0, platform::to_qstring(memo.text.empty() ? memo.owner : memo.owner + "\n" + memo.text));
            }
            item->setExpanded(true);
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
    if (site_of(item).empty() || !memo_of(item).is_unset())
        return;  // only sites: "削除" deletes every memo of one
    QMenu menu(this);
    for (const QString& name : {QCoreApplication::translate("MemoBarDlg", "移動"), QCoreApplication::translate("MemoBarDlg", "開く"), QCoreApplication::translate("MemoBarDlg", "削除")})
        menu.addAction(name);
    if (QAction* chosen = menu.exec(tree_->viewport()->mapToGlobal(at)))
        run(chosen->text(), item);
}

void CMemoBarDlg::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    index(); // read while the user looks, so the first search finds everything
    if (listing_ != Listing::Found)
        rebuild();
}
