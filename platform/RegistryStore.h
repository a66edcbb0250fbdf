#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QObject;
class QSettings;

namespace platform {

// A small hierarchical key/value store in the data folder, with the three roots the program
// reads and writes. Keys are paths with backslashes ("Software\Microsoft\Internet Explorer");
// values are byte strings (Shift_JIS text or binary records) under a name, "" being the
// key's default value.
class RegistryStore {
public:
    enum class Root { LocalMachine, CurrentUser, ClassesRoot };

    explicit RegistryStore(const QString& file_path);
    ~RegistryStore();

    std::optional<QByteArray> value(Root root, const QString& key, const QString& name) const;
    void set_value(Root root, const QString& key, const QString& name, const QByteArray& data);
    void remove_value(Root root, const QString& key, const QString& name);
    // Names of the values directly under a key, and its subkeys.
    QStringList value_names(Root root, const QString& key) const;
    QStringList subkeys(Root root, const QString& key) const;
    void sync();

    // Gives the values the program reads a first value when they are missing: the browser
    // engine's version, the links folder name and the double-click speed. They reach the file
    // with the store's next write (at the latest when it is destroyed); a run that ends
    // before that seeds them again next time.
    void seed_defaults(const QByteArray& engine_version, int double_click_ms);

    // Until release_writes, changes are kept in memory and reach the file only with sync() or
    // the store's end: a first start need not write its seeded values while its page loads.
    void hold_writes();
    void release_writes();

private:
    QString path_of(Root root, const QString& key) const;
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<QObject> write_hold_;
};

} // namespace platform
