#include "app/SitePermissions.h"

#include "platform/RegistryStore.h"

namespace site_permissions {
namespace {

const QString kKey = QStringLiteral("Software\\Marvo\\Permissions");
using Root = platform::RegistryStore::Root;

// A registry name holds no slashes, so the origin is written without them.
QString site_of(const QUrl& origin)
{
    return QStringLiteral("%1:%2:%3").arg(origin.scheme(), origin.host()).arg(origin.port(-1));
}

QString key_of(const QString& kind)
{
    return kKey + QLatin1Char('\\') + kind;
}

} // namespace

QString kind_of(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications:
        return QStringLiteral("notifications");
    case QWebEnginePage::Geolocation:
        return QStringLiteral("location");
    case QWebEnginePage::MediaAudioCapture:
        return QStringLiteral("microphone");
    case QWebEnginePage::MediaVideoCapture:
        return QStringLiteral("camera");
    case QWebEnginePage::MediaAudioVideoCapture:
        return QStringLiteral("camera-microphone");
    case QWebEnginePage::MouseLock:
        return QStringLiteral("pointer-lock");
    case QWebEnginePage::DesktopVideoCapture:
        return QStringLiteral("screen");
    case QWebEnginePage::DesktopAudioVideoCapture:
        return QStringLiteral("screen-sound");
    }
    return QStringLiteral("feature-%1").arg(int(feature));
}

std::optional<bool> remembered(const platform::RegistryStore& store, const QUrl& origin, const QString& kind)
{
    const std::optional<QByteArray> value = store.value(Root::CurrentUser, key_of(kind), site_of(origin));
    if (!value)
        return std::nullopt;
    return *value == "allow";
}

void remember(platform::RegistryStore& store, const QUrl& origin, const QString& kind, bool allowed)
{
    store.set_value(Root::CurrentUser, key_of(kind), site_of(origin), allowed ? "allow" : "deny");
    store.sync();
}

void forget_all(platform::RegistryStore& store)
{
    for (const QString& kind : store.subkeys(Root::CurrentUser, kKey))
        for (const QString& site : store.value_names(Root::CurrentUser, key_of(kind)))
            store.remove_value(Root::CurrentUser, key_of(kind), site);
    store.sync();
}

} // namespace site_permissions
