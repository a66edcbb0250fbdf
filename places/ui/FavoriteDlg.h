#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>

#include "places/Favorites.h"
#include "places/ui/PaneTree.h"

class PlacesHost;
class QPushButton;

// The favorites pane: the favorites folder as a tree in the order of the favorites order
// list. Folders open on a click; shortcuts open in the active tab after the click interval,
// in a new tab on a double click. Its menu creates, renames, deletes and shows items;
// dragging an item onto a folder moves its file there.
class CFavoriteDlg : public QWidget {
    Q_OBJECT
public:
    // Roles of the tree nodes' data.
    static constexpr int kPathRole = Qt::UserRole;
    static constexpr int kFolderRole = Qt::UserRole + 1;
    static constexpr int kListedRole = Qt::UserRole + 2;

    CFavoriteDlg(std::filesystem::path favorites_folder, places::OrderList& order, PlacesHost& host,
                 QWidget* parent = nullptr);

    PaneTree* tree() const { return tree_; }
    QPushButton* add_button() const { return add_; }
    QPushButton* organise_button() const { return organise_; }

    void rebuild();
    // Commands of menu 151 on the current node.
    void run_command(int id);

    // The folder of the current node when it is a folder, else the favorites folder.
    std::filesystem::path selected_folder() const;
    // Creates "新しいフォルダ", or "新しいフォルダ (n)" when taken; empty path on failure.
    std::filesystem::path new_folder();
    // Renames the node's file or folder; shortcuts keep their extension.
    bool rename_item(QTreeWidgetItem* item, const QString& name);
    // Moves the dragged node's file into the target's folder, or before the target within
    // its own folder.
    bool move_item(QTreeWidgetItem* dragged, QTreeWidgetItem* target);
    // Adds the active tab's page in the selected folder, asking for its name.
    void add_current_page();

    static std::filesystem::path path_of(const QTreeWidgetItem* item);
    static bool is_folder(const QTreeWidgetItem* item);

    // How the pane talks to the user; tests replace them.
    std::function<void(const QString& text)> show_message;
    std::function<bool(const QString& question)> confirm;
    // Asks the new favorite's name, offering the page's title; nothing for Cancel.
    std::function<std::optional<QString>(const QString& title)> ask_favorite_name;
    // Button 1025; the default opens the favorites folder in the file manager.
    std::function<void()> organise;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void list_into(QTreeWidgetItem* parent, const std::filesystem::path& folder);
    void toggle_folder(QTreeWidgetItem* item);
    void list_on_expansion(QTreeWidgetItem* item);
    void show_menu(QTreeWidgetItem* item, const QPoint& global_position);
    void start_rename(QTreeWidgetItem* item);
    void delete_item(QTreeWidgetItem* item);
    void show_properties(QTreeWidgetItem* item);
    std::optional<std::filesystem::path> rename_path(const std::filesystem::path& from, bool folder, const QString& name);
    void rename_in_order(const std::filesystem::path& from, const std::filesystem::path& to);
    void changed();

    std::filesystem::path folder_;
    places::OrderList& order_;
    PlacesHost& host_;
    PaneTree* tree_;
    QPushButton* add_;
    QPushButton* organise_;
    QTreeWidgetItem* renaming_ = nullptr;
};
