#pragma once

#include <QString>
#include <QUrl>
#include <QWebEnginePage>
#include <optional>

namespace platform {
class RegistryStore;
}

// The answers the user asked us to remember when a site wanted a device, the location,
// notifications or the full screen: one value per site ("http:127.0.0.1:8080", scheme, host
// and port, so an answer given to a secure site never reaches the plain one) under
// "Software\Marvo\Permissions\<kind>" in the registry store, which the store writes atomically.
namespace site_permissions {

// What the full-screen request is kept under; the engine's features have their own kinds.
inline const QString kFullScreen = QStringLiteral("fullscreen");
QString kind_of(QWebEnginePage::Feature feature);

std::optional<bool> remembered(const platform::RegistryStore& store, const QUrl& origin, const QString& kind);
void remember(platform::RegistryStore& store, const QUrl& origin, const QString& kind, bool allowed);
// Every remembered answer, from the private data dialog.
void forget_all(platform::RegistryStore& store);

} // namespace site_permissions
