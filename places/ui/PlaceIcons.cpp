#include "places/ui/PlaceIcons.h"

#include <QApplication>
#include <QStyle>

namespace place_icons {

QIcon folder()
{
    return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
}

QIcon page()
{
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("text-html"),
                                               QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    return icon;
}

} // namespace place_icons
