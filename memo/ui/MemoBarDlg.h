#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "memo/MemoIndex.h"

class QTreeWidget;
class QTreeWidgetItem;
class QPushButton;

// The memo pane: the sites that carry memos, grouped by the date of their last change. A
// single click shows the site in the active tab once the double-click time has passed; a
// double click opens it in a new tab.
class CMemoBarDlg : public QWidget {
    Q_OBJECT
public:
    explicit CMemoBarDlg(QWidget* parent);

    // Lists the cached packages and the package files of the memo folder again.
    void rebuild();
    // Lists other sites instead (the server's search results), grouped by date the same way.
    void show_sites(const std::vector<memo::MemoSite>& sites);
    // The stored memos changed: the list of them, when shown, follows (keeping the current
    // site and the scroll position); server results stay.
    void follow_stored_memos();
    QTreeWidget* tree() const { return tree_; }
    QPushButton* search_button() const { return search_; }
    QPushButton* local_button() const { return local_; }
    // A single click on a site waits the desktop's double-click time before acting.
    bool click_pending() const { return click_timer_.isActive(); }

    // The URL of a site item; empty for date items.
    static std::string site_of(const QTreeWidgetItem* item);

    // "移動": the active tab goes to the site (the browser supplies this).
    std::function<void(const std::string& url)> on_go;
    // "開く": the site in a new tab.
    std::function<void(const std::string& url)> on_open;
    // "検索": the server search.
    std::function<void()> on_search;

    // The context menu's commands, by name ("移動", "開く", "削除").
    void run(const QString& command, QTreeWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void context_menu(const QPoint& at);

    QTreeWidget* tree_;
    QPushButton* search_;
    QPushButton* local_;
    QTimer click_timer_;
    std::string pending_;
    bool showing_stored_ = false;
};
