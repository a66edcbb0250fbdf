#pragma once

#include <QIcon>

// Icons of the program's own pictures, loaded once from the compiled-in resources.
namespace app_icons {
QIcon lock();
QIcon tab_close();
QIcon application();
// The picture of a command on the navigation or drawing bar; null when it has none.
QIcon command(int id);
} // namespace app_icons
