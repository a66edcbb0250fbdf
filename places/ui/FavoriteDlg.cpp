#include "places/ui/FavoriteDlg.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>

#include "places/Shortcut.h"
#include "places/ui/AddFavoriteDialog.h"
#include "places/ui/PlaceIcons.h"
#include "places/ui/PlacesHost.h"
#include "places/ui/UserReturn.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/Menus.h"
#include "res/StringTable.h"
#include "ui/Texts.h"

namespace fs = std::filesystem;

namespace {

QString display(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// A name the file system takes as one entry of the folder.
bool plain_name(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.size() <= places::kMaxFileNameBytes;
}

// Renames without replacing: an existing target is a failure, as on the desktop it came from.
bool move_path(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error)))
        return false;
    fs::rename(from, to, error);
    return !error;
}

bool within(const fs::path& path, const fs::path& folder)
{
    const std::string p = path.string();
    const std::string f = folder.string();
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '/';
}

} // namespace

CFavoriteDlg::CFavoriteDlg(fs::path favorites_folder, places::OrderList& order, PlacesHost& host, QWidget* parent)
    : QWidget(parent), folder_(std::move(favorites_folder)), order_(order), host_(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    add_ = new QPushButton(QCoreApplication::translate("FavoriteDlg", "追加..."), this);
    add_->setObjectName(QStringLiteral("1024"));
    organise_ = new QPushButton(QCoreApplication::translate("FavoriteDlg", "整理..."), this);
    organise_->setObjectName(QStringLiteral("1025"));
    buttons->addWidget(add_);
    buttons->addWidget(organise_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    tree_ = new PaneTree(this);
    tree_->setObjectName(QStringLiteral("1019"));
    tree_->setDragEnabled(true);
    tree_->setAcceptDrops(true);
    tree_->setDropIndicatorShown(true);
    tree_->setDragDropMode(QAbstractItemView::InternalMove);
    layout->addWidget(tree_);

    show_message = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("Marvo"), text); };
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, QCoreApplication::translate("FavoriteDlg", "削除の確認"), question) == QMessageBox::Yes;
    };
    ask_favorite_name = [this](const QString& title) -> std::optional<QString> {
        CAddFavoriteDialog dialog(this, title);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.name();
    };
    organise = [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(display(folder_))); };

    connect(add_, &QPushButton::clicked, this, &CFavoriteDlg::add_current_page);
    connect(organise_, &QPushButton::clicked, this, [this] {
        if (organise)
            organise();
    });
    connect(tree_, &PaneTree::pressed, this, [this](QTreeWidgetItem* item) {
        if (is_folder(item))
            toggle_folder(item);
        else
            tree_->arm_single_click();
    });
    connect(tree_, &PaneTree::single_clicked, this, [this](QTreeWidgetItem* item) {
        if (!is_folder(item))
            host_.open_shortcut_in_active_tab(path_of(item));
    });
    connect(tree_, &PaneTree::double_clicked, this, [this](QTreeWidgetItem* item) {
        if (!is_folder(item))
            host_.open_shortcut_in_new_tab(path_of(item));
    });
    connect(tree_, &PaneTree::context_menu, this, &CFavoriteDlg::show_menu);
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != renaming_)
            return;
        renaming_ = nullptr;
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        const QString name = item->text(0);
        // Renamed once the editor has closed; the tree is rebuilt from the files then.
        QTimer::singleShot(0, this, [this, from = path_of(item), folder = is_folder(item), name] {
            rename_path(from, folder, name);
            rebuild();
        });
    });
    // An accepted edit has been seen by then; a cancelled one ends here.
    connect(tree_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { renaming_ = nullptr; });
    connect(tree_, &QTreeWidget::itemExpanded, this, &CFavoriteDlg::list_on_expansion);
    tree_->on_drop = [this](QTreeWidgetItem* dragged, QTreeWidgetItem* target) { move_item(dragged, target); };
    // Favorites added by other programs show when the user comes back.
    on_user_return(this, [this] {
        if (isVisible() && !renaming_)
            rebuild();
    });
}

fs::path CFavoriteDlg::path_of(const QTreeWidgetItem* item)
{
    return item ? fs::path(item->data(0, kPathRole).toString().toStdString()) : fs::path();
}

bool CFavoriteDlg::is_folder(const QTreeWidgetItem* item)
{
    return item && item->data(0, kFolderRole).toBool();
}

void CFavoriteDlg::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    rebuild();
}

// The tree is listed anew from the folders; the folders the user opened and the item chosen
// stay as they were.
void CFavoriteDlg::rebuild()
{
    renaming_ = nullptr;
    QSet<QString> expanded;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if ((*it)->isExpanded())
            expanded.insert((*it)->data(0, kPathRole).toString());
    const QString current = tree_->currentItem() ? tree_->currentItem()->data(0, kPathRole).toString() : QString();
    tree_->clear();
    list_into(nullptr, folder_);
    // Opening a folder lists its content, which the walk then reaches.
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        const QString path = (*it)->data(0, kPathRole).toString();
        if (expanded.contains(path))
            (*it)->setExpanded(true);
        if (!current.isEmpty() && path == current)
            tree_->setCurrentItem(*it);
    }
}

void CFavoriteDlg::list_into(QTreeWidgetItem* parent, const fs::path& folder)
{
    for (const places::FavoriteItem& entry : places::list_folder(folder, order_)) {
        auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        node->setText(0, QString::fromStdString(entry.name));
        node->setData(0, kPathRole, display(entry.path));
        node->setData(0, kFolderRole, entry.is_folder);
        node->setIcon(0, entry.is_folder ? place_icons::folder() : place_icons::page());
        node->setFlags(entry.is_folder ? node->flags() | Qt::ItemIsDropEnabled : node->flags() & ~Qt::ItemIsDropEnabled);
        if (entry.is_folder)
            node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (parent)
        parent->setData(0, kListedRole, true);
}

void CFavoriteDlg::toggle_folder(QTreeWidgetItem* item)
{
    item->setExpanded(!item->isExpanded());
}

// However a folder opens (click, branch arrow, keyboard), its content is listed the first time.
void CFavoriteDlg::list_on_expansion(QTreeWidgetItem* item)
{
    if (!is_folder(item) || item->data(0, kListedRole).toBool())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list_into(item, path_of(item));
    QApplication::restoreOverrideCursor();
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

fs::path CFavoriteDlg::selected_folder() const
{
    const QTreeWidgetItem* item = tree_->currentItem();
    return is_folder(item) ? path_of(item) : folder_;
}

void CFavoriteDlg::run_command(int id)
{
    QTreeWidgetItem* item = tree_->currentItem();
    using namespace res::cmd;
    switch (id) {
    case kFavoriteOpen:
        if (item && !is_folder(item))
            host_.open_shortcut_in_active_tab(path_of(item));
        break;
    case kFavoriteOpenInNewTab:
        if (item && !is_folder(item))
            host_.open_shortcut_in_new_tab(path_of(item));
        break;
    case kFavoriteNewFolder:
        new_folder();
        break;
    case kFavoriteRename:
        if (item)
            start_rename(item);
        break;
    case kFavoriteDelete:
        if (item)
            delete_item(item);
        break;
    case kFavoriteProperties:
        if (item)
            show_properties(item);
        break;
    default:
        break;
    }
}

void CFavoriteDlg::show_menu(QTreeWidgetItem* item, const QPoint& global_position)
{
    popup_pane_menu(
        res::menu(res::menuid::kFavoritesPane), this, global_position, [this](int id) { run_command(id); },
        [this, item](int id) {
            return !(id == res::cmd::kFavoriteOpen || id == res::cmd::kFavoriteOpenInNewTab) || !is_folder(item);
        });
}

fs::path CFavoriteDlg::new_folder()
{
    const fs::path parent = selected_folder();
    const std::string name(res::text(res::str::kNewFolder));
    fs::path path = parent / name;
    std::error_code error;
    for (int n = 2; fs::exists(fs::symlink_status(path, error)); ++n)
        path = parent / (name + " (" + std::to_string(n) + ")");
    if (!fs::create_directories(path, error) || error)
        return {};
    rebuild();
    changed();
    return path;
}

void CFavoriteDlg::start_rename(QTreeWidgetItem* item)
{
    // Changing the flags reports a change of the node too: only what follows is the edit.
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    renaming_ = item;
    tree_->editItem(item);
}

bool CFavoriteDlg::rename_item(QTreeWidgetItem* item, const QString& name)
{
    const std::optional<fs::path> to = rename_path(path_of(item), is_folder(item), name);
    if (!to)
        return false;
    item->setText(0, name.trimmed());
    item->setData(0, kPathRole, display(*to));
    return true;
}

std::optional<fs::path> CFavoriteDlg::rename_path(const fs::path& from, bool folder, const QString& name)
{
    std::string file_name = name.trimmed().toStdString();
    if (file_name.empty())
        return std::nullopt;
    if (!folder)
        file_name += from.extension().string();
    if (!plain_name(file_name))
        return std::nullopt;
    const fs::path to = from.parent_path() / file_name;
    if (to == from)
        return to;
    if (!move_path(from, to)) {
        show_message(QString::fromStdString(folder ? from.filename().string() : from.stem().string()) +
                     ui::string_text(res::str::kCannotRename));
        return std::nullopt;
    }
    rename_in_order(from, to);
    changed();
    return to;
}

// The order list follows the file: the entry keeps its place under the new path, and so do
// the entries of a renamed folder's content.
void CFavoriteDlg::rename_in_order(const fs::path& from, const fs::path& to)
{
    const std::string old_prefix = from.string() + "/";
    for (fs::path& entry : order_) {
        if (entry == from)
            entry = to;
        else if (within(entry, from))
            entry = fs::path(to.string() + "/" + entry.string().substr(old_prefix.size()));
    }
}

void CFavoriteDlg::delete_item(QTreeWidgetItem* item)
{
    const fs::path path = path_of(item);
    if (!confirm(QCoreApplication::translate("FavoriteDlg", "'%1' を削除しますか?").arg(item->text(0))))
        return;
    // The desktop's trash keeps it recoverable; without one it is removed.
    if (!QFile::moveToTrash(display(path))) {
        std::error_code error;
        fs::remove_all(path, error);
        if (error)
            return;
    }
    std::erase_if(order_, [&](const fs::path& entry) { return entry == path || within(entry, path); });
    delete item;
    changed();
}

void CFavoriteDlg::show_properties(QTreeWidgetItem* item)
{
    const fs::path path = path_of(item);
    QString text = QCoreApplication::translate("FavoriteDlg", "名前: %1\n場所: %2").arg(item->text(0), display(path.parent_path()));
    if (!is_folder(item))
        if (const std::optional<std::string> url = places::read_internet_shortcut_url(path))
            text += QStringLiteral("\nURL: ") + platform::shown_url(*url);
    auto* box = new QMessageBox(QMessageBox::Information, QCoreApplication::translate("FavoriteDlg", "プロパティ"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool CFavoriteDlg::move_item(QTreeWidgetItem* dragged, QTreeWidgetItem* target)
{
    const fs::path from = path_of(dragged);
    const fs::path source_folder = from.parent_path();
    const fs::path target_folder = is_folder(target) ? path_of(target)
                                   : target          ? path_of(target).parent_path()
                                                     : folder_;
    if (target_folder == from || within(target_folder, from))
        return false;  // a folder cannot go into itself
    if (target_folder == source_folder) {
        if (!target || is_folder(target))
            return false;
        // Within one folder: the order list puts the dragged item before the target. The
        // folder's items enter the list in their current order first, so the rest stays.
        for (const places::FavoriteItem& entry : places::list_folder(source_folder, order_))
            if (std::find(order_.begin(), order_.end(), entry.path) == order_.end())
                order_.push_back(entry.path);
        std::erase(order_, from);
        order_.insert(std::find(order_.begin(), order_.end(), path_of(target)), from);
        rebuild();
        changed();
        return true;
    }
    const fs::path to = target_folder / from.filename();
    if (!move_path(from, to)) {
        show_message(dragged->text(0) + ui::string_text(res::str::kCannotMove));
        rebuild();
        return false;
    }
    rename_in_order(from, to);
    rebuild();
    changed();
    return true;
}

void CFavoriteDlg::add_current_page()
{
    const std::string url = host_.current_url();
    if (url.empty())
        return;
    const std::string page_title = host_.current_title();
    const std::optional<QString> name = ask_favorite_name(QString::fromStdString(page_title));
    if (!name)
        return;
    const std::string title = name->isEmpty() ? page_title : name->toStdString();
    const std::string name_text = title.empty() ? url : title;
    const fs::path existing = places::shortcut_path(selected_folder(), name_text);
    if (fs::exists(existing) &&
        !confirm(display(existing.stem()) + QCoreApplication::translate("FavoriteDlg", " は既に存在します。上書きしますか?")))
        return;
    std::error_code ignored;
    fs::create_directories(selected_folder(), ignored);  // the first favorite makes the folder
    const std::optional<fs::path> file = places::add_favorite(name_text, url, selected_folder());
    if (!file) {
        show_message(ui::string_text(res::str::kCannotCreateFile));
        return;
    }
    rebuild();
    changed();
}

void CFavoriteDlg::changed()
{
    host_.favorites_changed();
}
