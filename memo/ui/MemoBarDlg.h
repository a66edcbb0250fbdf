#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "memo/MemoIndex.h"
#include "memo/MemoSearchIndex.h"

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QPushButton;

// The memo pane: the sites that carry memos, grouped by the date of their last change. A
// single click shows the site in the active tab once the double-click time has passed; a
// double click opens it in a new tab. Its search box finds stored memos by their text, author
// or page address as the user types, through an index of the memo folder that is read on its
// own thread when the pane is first shown.
class CMemoBarDlg : public QWidget {
    Q_OBJECT
public:
    explicit CMemoBarDlg(QWidget* parent);
    ~CMemoBarDlg() override;

    // The most sites a search lists, newest first.
    static constexpr std::size_t kFoundSites = 200;

    // Lists the cached packages and the package files of the memo folder again.
    void rebuild();
    // Lists other sites instead (the server's search results), grouped by date the same way.
    void show_sites(const std::vector<memo::MemoSite>& sites);
    // Lists what a search found: each site with its matching memos under it.
    void show_found(const std::vector<memo::SiteHit>& sites);
    // The packages of these URLs were stored: the search index reads them again, and the list
    // of stored memos, when shown, follows (keeping the current site and the scroll position);
    // server results stay.
    void follow_stored_memos(const std::vector<std::string>& urls);
    QTreeWidget* tree() const { return tree_; }
    QLineEdit* search_box() const { return search_box_; }
    // Null until the pane is first shown.
    memo::MemoSearchIndex* search_index() const { return index_.get(); }
    QPushButton* search_button() const { return search_; }
    QPushButton* local_button() const { return local_; }
    // A single click on a site waits the desktop's double-click time before acting.
    bool click_pending() const { return click_timer_.isActive(); }

    // The URL of a site item or a found memo's item; empty for date items.
    static std::string site_of(const QTreeWidgetItem* item);
    // The GUID of a found memo's item; unset for every other item.
    static memo::Guid memo_of(const QTreeWidgetItem* item);

    // "移動": the active tab goes to the site (the browser supplies this).
    std::function<void(const std::string& url)> on_go;
    // "開く": the site in a new tab.
    std::function<void(const std::string& url)> on_open;
    // "検索": the server search.
    std::function<void()> on_search;
    // A found memo: its page is shown, scrolled to the memo, which is selected.
    std::function<void(const std::string& url, const memo::Guid& id)> on_show_memo;

    // The context menu's commands, by name ("移動", "開く", "削除").
    void run(const QString& command, QTreeWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum class Listing { Stored, Found, Server };
    using FoundMemos = std::unordered_map<std::string, std::vector<memo::MemoHit>>;

    void context_menu(const QPoint& at);
    // Lists sites by date; found memos, when given, go under their site.
    void list(const std::vector<memo::MemoSite>& sites, const FoundMemos& memos);
    // What the search box holds now: found memos, or the stored list when it is empty.
    void search();
    // The index of the memo folder, made (and started reading) on first use; null without a cache.
    memo::MemoSearchIndex* index();
    // A click that has waited out the double-click time, or a double click on a found memo.
    void act_on(const std::string& url, const memo::Guid& memo, bool double_click);

    QLineEdit* search_box_;
    QTreeWidget* tree_;
    QPushButton* search_;
    QPushButton* local_;
    QTimer click_timer_;
    std::string pending_;
    memo::Guid pending_memo_;
    Listing listing_ = Listing::Server;
    // Last: its thread, which calls back into the pane, stops before the rest goes.
    std::unique_ptr<memo::MemoSearchIndex> index_;
};
