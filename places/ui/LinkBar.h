#pragma once

#include <filesystem>
#include <functional>

#include "places/Favorites.h"
#include "ui/BandBar.h"

class PlacesHost;
class QMimeData;
class QToolButton;

// The link bar: one button per internet shortcut of the links folder, in the link order.
// A click opens the link in the active tab; dropped files and links become links; the order
// is saved when the bar goes away.
class CLinkBar : public ui::BandBar {
    Q_OBJECT
public:
    CLinkBar(std::filesystem::path links_folder, std::filesystem::path order_file, PlacesHost& host,
             QWidget* parent = nullptr);
    ~CLinkBar() override;

    // Reconciles the order with the folder and rebuilds the buttons.
    void build_link_bar();
    const places::OrderList& order() const { return order_; }
    std::vector<QToolButton*> buttons() const;

    // Takes dropped files and links; `before` is the link the drop landed on (-1: at the end).
    // True when something was added.
    bool add_dropped(const QMimeData* data, int before = -1);
    // Moves link `from` to position `to` (before the link now there; past the end: last).
    void move_link(int from, int to);
    // The commands of the link menu on link `index`.
    void run_command(int id, int index);

    std::function<void(const QString& text)> show_message;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int index_at(const QPoint& position) const;
    void show_menu(int index, const QPoint& global_position);
    void rename(int index);
    void copy_to_clipboard(int index, bool cut);

    std::filesystem::path folder_;
    std::filesystem::path order_file_;
    PlacesHost& host_;
    places::OrderList order_;
    QAction* label_ = nullptr;
    std::vector<QAction*> link_actions_;
    QPoint press_position_;
    int pressed_link_ = -1;
};
