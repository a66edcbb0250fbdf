#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace platform {
class RegistryStore;
}

namespace settings::ui {

// The types the program can be the default for: the HTML file types, the web protocols, local
// files and internet shortcuts. Each is a class key of the registry store's classes root, and
// on the desktop a set of MIME types whose default application (xdg-mime) follows the key.
struct AssociationType {
    const char* label;  // as the association page shows it
    const char* key;    // class key under the classes root
    bool html;          // the HTML types also carry the "opennew" verb and the DDE application
    QStringList mime_types;
};
const std::array<AssociationType, 8>& association_types();

// Makes the program the handler of a type, keeping what was there as the backup value
// "MarvoBK" beside each value it replaces, and puts it back on restore. A value that already
// has a backup is left alone, so associating twice keeps the first backup.
class FileAssociations {
public:
    static constexpr const char* kBackupValue = "MarvoBK";
    static constexpr const char* kDdeApplication = "Marvo.exe";

    // executable: the full path of the running program; desktop_id: the desktop entry that
    // launches it (written to the user's applications folder when missing or stale).
    FileAssociations(platform::RegistryStore& registry, QString executable,
                     QString desktop_id = QStringLiteral("marvo.desktop"));

    // "\"<executable>\" \"%1\"".
    QString open_command() const;
    // True when the desktop opens every MIME type of the type with the program.
    bool is_associated(int type) const;
    void associate(int type);
    void restore(int type);

private:
    struct Value {
        QString key;
        QByteArray data;
    };
    std::vector<Value> values_of(int type) const;
    void set_desktop_default(const QString& mime_type, const QString& desktop_id);
    QString desktop_default(const QString& mime_type) const;
    void remove_desktop_default(const QString& mime_type);
    void write_desktop_entry();

    platform::RegistryStore& registry_;
    QString executable_;
    QString desktop_id_;
};

} // namespace settings::ui
