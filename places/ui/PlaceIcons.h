#pragma once

#include <QIcon>

// The pictures of the places views: folders, and pages without an icon of their own.
namespace place_icons {
QIcon folder();
// The default page icon: a web page of the desktop's icon theme.
QIcon page();
} // namespace place_icons
