#include "platform/RegistryStore.h"

#include <QEvent>
#include <QSettings>

namespace platform {

namespace {

QString root_name(RegistryStore::Root root)
{
    switch (root) {
    case RegistryStore::Root::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case RegistryStore::Root::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegistryStore::Root::ClassesRoot:
        break;
    }
    return QStringLiteral("HKEY_CLASSES_ROOT");
}

// Value names live in their own group so that a value and a subkey may share a name.
const QString kValues = QStringLiteral(".values");
const QString kDefaultValue = QStringLiteral("@");

QString value_key(const QString& name)
{
    return kValues + QLatin1Char('/') + (name.isEmpty() ? kDefaultValue : QString(name).replace('/', '\\'));
}

// QSettings writes its changes when the update it posts to itself arrives; held, that update
// is dropped, and the changes wait for the next sync().
class WriteHold : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::UpdateRequest; }
};

} // namespace

RegistryStore::RegistryStore(const QString& file_path)
    : settings_(std::make_unique<QSettings>(file_path, QSettings::IniFormat))
{
}

RegistryStore::~RegistryStore() = default;  // QSettings writes what is left

void RegistryStore::hold_writes()
{
    if (write_hold_)
        return;
    write_hold_ = std::make_unique<WriteHold>();
    settings_->installEventFilter(write_hold_.get());
}

void RegistryStore::release_writes()
{
    if (!write_hold_)
        return;
    write_hold_.reset();  // which removes the filter
    settings_->sync();
}

QString RegistryStore::path_of(Root root, const QString& key) const
{
    QString path = root_name(root);
    for (const QString& part : QString(key).split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        path += QLatin1Char('/') + part;
    return path;
}

std::optional<QByteArray> RegistryStore::value(Root root, const QString& key, const QString& name) const
{
    const QString full = path_of(root, key) + QLatin1Char('/') + value_key(name);
    if (!settings_->contains(full))
        return std::nullopt;
    return settings_->value(full).toByteArray();
}

void RegistryStore::set_value(Root root, const QString& key, const QString& name, const QByteArray& data)
{
    settings_->setValue(path_of(root, key) + QLatin1Char('/') + value_key(name), data);
}

void RegistryStore::remove_value(Root root, const QString& key, const QString& name)
{
    settings_->remove(path_of(root, key) + QLatin1Char('/') + value_key(name));
}

QStringList RegistryStore::value_names(Root root, const QString& key) const
{
    settings_->beginGroup(path_of(root, key) + QLatin1Char('/') + kValues);
    QStringList names = settings_->childKeys();
    settings_->endGroup();
    for (QString& name : names)
        if (name == kDefaultValue)
            name.clear();
    return names;
}

QStringList RegistryStore::subkeys(Root root, const QString& key) const
{
    settings_->beginGroup(path_of(root, key));
    QStringList keys = settings_->childGroups();
    settings_->endGroup();
    keys.removeAll(kValues);
    return keys;
}

void RegistryStore::sync()
{
    settings_->sync();
}

void RegistryStore::seed_defaults(const QByteArray& engine_version, int double_click_ms)
{
    const QString browser = QStringLiteral("Software\\Microsoft\\Internet Explorer");
    if (!value(Root::LocalMachine, browser, QStringLiteral("Version")))
        set_value(Root::LocalMachine, browser, QStringLiteral("Version"), engine_version);
    const QString toolbar = browser + QStringLiteral("\\Toolbar");
    if (!value(Root::CurrentUser, toolbar, QStringLiteral("LinksFolderName")))
        set_value(Root::CurrentUser, toolbar, QStringLiteral("LinksFolderName"), "Links");
    const QString mouse = QStringLiteral("Control Panel\\Mouse");
    if (!value(Root::CurrentUser, mouse, QStringLiteral("DoubleClickSpeed")))
        set_value(Root::CurrentUser, mouse, QStringLiteral("DoubleClickSpeed"), QByteArray::number(double_click_ms));
}

} // namespace platform
