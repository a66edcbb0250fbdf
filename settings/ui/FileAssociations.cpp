#include "settings/ui/FileAssociations.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/RegistryStore.h"

#include <algorithm>

namespace settings::ui {

namespace {

using Root = platform::RegistryStore::Root;

constexpr int kToolTimeoutMs = 10000;

QString run_xdg_mime(const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("xdg-mime"), arguments);
    const bool finished = process.waitForFinished(kToolTimeoutMs);
    if (!finished)
        process.kill();
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QString config_home()
{
    const QByteArray set = qgetenv("XDG_CONFIG_HOME");
    return set.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : QString::fromLocal8Bit(set);
}

QString data_home()
{
    const QByteArray set = qgetenv("XDG_DATA_HOME");
    return set.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : QString::fromLocal8Bit(set);
}

// Where the backup of a MIME type's desktop default is kept: beside the type's open command.
QString desktop_backup_key(const AssociationType& type, const QString& mime_type)
{
    return QString::fromLatin1(type.key) + QStringLiteral("\\shell\\open\\xdg-mime\\") + mime_type;
}

} // namespace

const std::array<AssociationType, 8>& association_types()
{
    static const std::array<AssociationType, 8> types{{
        {"htmlfile", "htmlfile", true, {QStringLiteral("text/html"), QStringLiteral("application/xhtml+xml")}},
        {"mhtmlfile", "mhtmlfile", true, {QStringLiteral("multipart/related"), QStringLiteral("application/x-mimearchive")}},
        {"shtmlfile", "shtmlfile", true, {QStringLiteral("text/x-server-parsed-html")}},
        {"http", "HTTP", false, {QStringLiteral("x-scheme-handler/http")}},
        {"https", "https", false, {QStringLiteral("x-scheme-handler/https")}},
        {"ftp", "ftp", false, {QStringLiteral("x-scheme-handler/ftp")}},
        {"file", "file", false, {QStringLiteral("x-scheme-handler/file")}},
        {"Internet Shortcut", "InternetShortCut", false, {QStringLiteral("application/x-mswinurl")}},
    }};
    return types;
}

FileAssociations::FileAssociations(platform::RegistryStore& registry, QString executable, QString desktop_id)
    : registry_(registry), executable_(std::move(executable)), desktop_id_(std::move(desktop_id))
{
}

QString FileAssociations::open_command() const
{
    return QStringLiteral("\"%1\" \"%2\"").arg(executable_, QStringLiteral("%1"));
}

std::vector<FileAssociations::Value> FileAssociations::values_of(int type) const
{
    const AssociationType& info = association_types().at(static_cast<std::size_t>(type));
    const QString key = QString::fromLatin1(info.key);
    const QByteArray command = open_command().toUtf8();
    std::vector<Value> values{{key + QStringLiteral("\\shell\\open\\command"), command}};
    if (info.html) {
        values.push_back({key + QStringLiteral("\\shell\\open\\ddeexec\\Application"), kDdeApplication});
        values.push_back({key + QStringLiteral("\\shell\\opennew\\command"), command});
        values.push_back({key + QStringLiteral("\\shell\\opennew\\ddeexec\\Application"), kDdeApplication});
    }
    return values;
}

// What the desktop opens the type with, not our record of having asked for it: the user may
// have chosen another program since.
bool FileAssociations::is_associated(int type) const
{
    const AssociationType& info = association_types().at(static_cast<std::size_t>(type));
    return std::all_of(info.mime_types.begin(), info.mime_types.end(),
                       [this](const QString& mime_type) { return desktop_default(mime_type) == desktop_id_; });
}

void FileAssociations::associate(int type)
{
    const AssociationType& info = association_types().at(static_cast<std::size_t>(type));
    const QString backup = QString::fromLatin1(kBackupValue);
    for (const Value& value : values_of(type)) {
        if (registry_.value(Root::ClassesRoot, value.key, backup))
            continue;  // already ours; the backup holds what was there before
        registry_.set_value(Root::ClassesRoot, value.key, backup,
                            registry_.value(Root::ClassesRoot, value.key, {}).value_or(QByteArray()));
        registry_.set_value(Root::ClassesRoot, value.key, {}, value.data);
    }
    write_desktop_entry();
    for (const QString& mime_type : info.mime_types) {
        // The backup is what the desktop had before it became ours, also when the user chose
        // another program since and now takes the type back.
        const QString current = desktop_default(mime_type);
        if (current == desktop_id_)
            continue;
        registry_.set_value(Root::ClassesRoot, desktop_backup_key(info, mime_type), backup, current.toUtf8());
        set_desktop_default(mime_type, desktop_id_);
    }
    registry_.sync();
}

void FileAssociations::restore(int type)
{
    const AssociationType& info = association_types().at(static_cast<std::size_t>(type));
    const QString backup = QString::fromLatin1(kBackupValue);
    for (const Value& value : values_of(type)) {
        const std::optional<QByteArray> previous = registry_.value(Root::ClassesRoot, value.key, backup);
        if (!previous)
            continue;
        registry_.set_value(Root::ClassesRoot, value.key, {}, *previous);
        registry_.remove_value(Root::ClassesRoot, value.key, backup);
    }
    for (const QString& mime_type : info.mime_types) {
        const QString key = desktop_backup_key(info, mime_type);
        const std::optional<QByteArray> previous = registry_.value(Root::ClassesRoot, key, backup);
        if (!previous)
            continue;
        // Only a default that is still ours goes back; one the user chose since stays.
        if (desktop_default(mime_type) == desktop_id_) {
            if (previous->isEmpty())
                remove_desktop_default(mime_type);
            else
                set_desktop_default(mime_type, QString::fromUtf8(*previous));
        }
        registry_.remove_value(Root::ClassesRoot, key, backup);
    }
    registry_.sync();
}

QString FileAssociations::desktop_default(const QString& mime_type) const
{
    bool ok = false;
    const QString answer = run_xdg_mime({QStringLiteral("query"), QStringLiteral("default"), mime_type}, &ok);
    return ok ? answer : QString();
}

void FileAssociations::set_desktop_default(const QString& mime_type, const QString& desktop_id)
{
    run_xdg_mime({QStringLiteral("default"), desktop_id, mime_type});
}

// xdg-mime cannot unset a default: take the program's entry out of the user's list.
void FileAssociations::remove_desktop_default(const QString& mime_type)
{
    const QString path = config_home() + QStringLiteral("/mimeapps.list");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    file.close();
    QStringList kept;
    bool in_defaults = false;
    bool changed = false;
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')))
            in_defaults = trimmed == QLatin1String("[Default Applications]");
        if (in_defaults && trimmed.startsWith(mime_type + QLatin1Char('='))) {
            QStringList handlers = trimmed.mid(mime_type.size() + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            handlers.removeAll(desktop_id_);
            changed = true;
            if (!handlers.isEmpty())
                kept << mime_type + QLatin1Char('=') + handlers.join(QLatin1Char(';')) + QLatin1Char(';');
            continue;
        }
        kept << line;
    }
    if (!changed)
        return;
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Text)) {
        out.write(kept.join(QLatin1Char('\n')).toUtf8());
        out.commit();
    }
}

// The desktop launches the program through its entry, so the entry must exist and name this
// program (one left by an installation elsewhere is rewritten). It names no MIME types:
// desktops fall back to any program that names a type, and a type the user took back from us
// must not stay ours that way.
void FileAssociations::write_desktop_entry()
{
    const QString folder = data_home() + QStringLiteral("/applications");
    const QString path = folder + QLatin1Char('/') + desktop_id_;
    // Quoted only when it must be: some tools take the first word of Exec as it stands.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    QString program = executable_;
    if (!plain.match(program).hasMatch())
        program = QLatin1Char('"') +
                  program.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                      .replace(QLatin1Char('"'), QStringLiteral("\\\""))
                      .replace(QLatin1Char('`'), QStringLiteral("\\`"))
                      .replace(QLatin1Char('$'), QStringLiteral("\\$")) +
                  QLatin1Char('"');
    const QByteArray entry =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Marvo\nExec=%1 %u\nTerminal=false\n").arg(program).toUtf8();
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == entry)
        return;
    existing.close();
    QDir().mkpath(folder);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    out.write(entry);
    out.commit();
}

} // namespace settings::ui
