#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "places/ui/PaneTree.h"

class PlacesHost;
namespace places {
class History;
}

// The history pane: one node per visit day ("2026/12/07"), sorted, with the day's URLs
// oldest first. A click opens a URL in the active tab, a double click in a new tab.
class CHistoryDlg : public QWidget {
    Q_OBJECT
public:
    CHistoryDlg(places::History& history, PlacesHost& host, QWidget* parent = nullptr);

    PaneTree* tree() const { return tree_; }
    // Rebuilds the tree from the history; done whenever the pane is shown.
    void rebuild();
    // 32777 open in the active tab, 32778 in a new tab, 32779 delete; on the current node.
    void run_command(int id);

    // The day text of a visit time, in local time.
    static QString day_text(std::int64_t time);
    // A URL node's tip: the full address and, when the browser knows it, the page's title
    // on a second line. Empty for days.
    QString tooltip_of(const QTreeWidgetItem* item) const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show_menu(QTreeWidgetItem* item, const QPoint& global_position);
    void delete_node(QTreeWidgetItem* item);

    places::History& history_;
    PlacesHost& host_;
    PaneTree* tree_;
};
