#include "places/ui/FavoritesMenu.h"

#include <QMenu>

#include "places/ui/PlaceIcons.h"
#include "places/ui/PlacesHost.h"

void fill_favorites_menu(QMenu* menu, const std::filesystem::path& folder, const places::OrderList& order,
                         PlacesHost& host)
{
    for (const places::FavoriteItem& item : places::list_folder(folder, order)) {
        const QString text = QString::fromStdString(item.name);
        if (item.is_folder) {
            QMenu* sub = menu->addMenu(place_icons::folder(), text);
            QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, path = item.path, &order, &host] {
                sub->clear();
                fill_favorites_menu(sub, path, order, host);
            });
        } else {
            QAction* action = menu->addAction(place_icons::page(), text);
            QObject::connect(action, &QAction::triggered, menu,
                             [path = item.path, &host] { host.open_shortcut_in_active_tab(path); });
        }
    }
}
