#include "app/AppIcons.h"

#include "res/Toolbars.h"

namespace app_icons {

namespace {

QIcon from_resource(std::string_view path)
{
    return path.empty() ? QIcon() : QIcon(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
}

} // namespace

QIcon lock()
{
    static const QIcon icon = from_resource(res::kLockIcon);
    return icon;
}

QIcon tab_close()
{
    static const QIcon icon = from_resource(res::kTabCloseIcon);
    return icon;
}

QIcon application()
{
    return from_resource(res::kApplicationIcon);
}

QIcon command(int id)
{
    return from_resource(res::iconFor(id));
}

} // namespace app_icons
