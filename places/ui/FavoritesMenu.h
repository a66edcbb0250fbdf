#pragma once

#include <filesystem>

#include "places/Favorites.h"

class PlacesHost;
class QMenu;

// Appends the items of a favorites folder to a menu, in the order the favorites pane shows:
// sub-folders as sub-menus filled when they open, shortcuts opening in the active tab.
void fill_favorites_menu(QMenu* menu, const std::filesystem::path& folder, const places::OrderList& order,
                         PlacesHost& host);
