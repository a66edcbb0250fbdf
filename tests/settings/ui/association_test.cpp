#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QProcess>

#include "QtApp.h"
#include "TempDir.h"
#include "platform/RegistryStore.h"
#include "settings/ui/AppSettingPages.h"
#include "settings/ui/AppSettingSheet.h"
#include "settings/ui/FileAssociations.h"

namespace {

using namespace settings::ui;
using Root = platform::RegistryStore::Root;

// A program that exists: the desktop tools check that an entry can run.
const QString kExecutable = QStringLiteral("/usr/bin/true");
const QString kCommand = QStringLiteral("htmlfile\\shell\\open\\command");
const QStringList kHtmlKeys = {QStringLiteral("htmlfile\\shell\\open\\command"),
                               QStringLiteral("htmlfile\\shell\\open\\ddeexec\\Application"),
                               QStringLiteral("htmlfile\\shell\\opennew\\command"),
                               QStringLiteral("htmlfile\\shell\\opennew\\ddeexec\\Application")};

// Every test runs on a desktop configuration of its own: the machine's defaults are never
// read or written.
class AssociationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qt_app();
        for (const char* name : {"XDG_CURRENT_DESKTOP", "KDE_FULL_SESSION", "KDE_SESSION_VERSION",
                                 "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "DESKTOP_SESSION",
                                 "XDG_SESSION_DESKTOP", "DBUS_SESSION_BUS_ADDRESS"})
            saved_.emplace_back(name, std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
        for (const auto& [name, value] : saved_)
            ::unsetenv(name.c_str());
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"}) {
            saved_.emplace_back(name, std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
            const std::filesystem::path folder = dir_.path() / name;
            std::filesystem::create_directories(folder);
            ::setenv(name, folder.c_str(), 1);
        }
        // Desktop entries of other programs; a default naming a missing entry does not count.
        const std::filesystem::path applications = dir_.path() / "XDG_DATA_HOME" / "applications";
        std::filesystem::create_directories(applications);
        for (const char* id : {"other.desktop", "chosen.desktop"}) {
            QFile entry(QString::fromStdString((applications / id).string()));
            ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
            entry.write("[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/true %u\n");
        }
        registry_ = std::make_unique<platform::RegistryStore>(QString::fromStdString(dir_.file("registry.ini")));
    }
    void TearDown() override
    {
        registry_.reset();
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

    static QString desktop_default(const QString& mime_type)
    {
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mime_type});
        EXPECT_TRUE(query.waitForFinished(10000));
        return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    }
    static void set_desktop_default(const QString& mime_type, const QString& desktop_id)
    {
        EXPECT_EQ(QProcess::execute(QStringLiteral("xdg-mime"), {QStringLiteral("default"), desktop_id, mime_type}), 0);
    }

    std::optional<QByteArray> value(const QString& key, const QString& name = {}) const
    {
        return registry_->value(Root::ClassesRoot, key, name);
    }

    // Opens the sheet, sets the htmlfile box and presses OK.
    void confirm_sheet(bool html_checked)
    {
        settings::Settings s;
        SheetContext context;
        context.registry = registry_.get();
        context.executable = kExecutable;
        CAppSettingPSheet sheet(s, context);
        sheet.association_page->types[0]->setChecked(html_checked);
        sheet.accept();
        ASSERT_EQ(sheet.result(), QDialog::Accepted);
    }

    TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
    std::unique_ptr<platform::RegistryStore> registry_;
};

TEST_F(AssociationTest, ConfirmingTwiceKeepsOneBackupAndUncheckingRestoresAllFour)
{
    registry_->set_value(Root::ClassesRoot, kHtmlKeys[0], {}, "\"other.exe\" -nohome");
    registry_->set_value(Root::ClassesRoot, kHtmlKeys[1], {}, "OTHER");
    // kHtmlKeys[2] has no value: its backup is empty.
    registry_->set_value(Root::ClassesRoot, kHtmlKeys[3], {}, "OTHER");
    set_desktop_default(QStringLiteral("text/html"), QStringLiteral("other.desktop"));

    confirm_sheet(true);
    const QByteArray command = "\"/usr/bin/true\" \"%1\"";
    EXPECT_EQ(value(kHtmlKeys[0]), command);
    EXPECT_EQ(value(kHtmlKeys[1]), "Marvo.exe");
    EXPECT_EQ(value(kHtmlKeys[2]), command);
    EXPECT_EQ(value(kHtmlKeys[0], "MarvoBK"), "\"other.exe\" -nohome");
    EXPECT_EQ(value(kHtmlKeys[2], "MarvoBK"), "");
    EXPECT_EQ(desktop_default(QStringLiteral("text/html")), QStringLiteral("marvo.desktop"));
    EXPECT_TRUE(QFile::exists(QString::fromStdString((dir_.path() / "XDG_DATA_HOME" / "applications" / "marvo.desktop").string())));
    // Nothing else became ours.
    EXPECT_FALSE(value(QStringLiteral("HTTP\\shell\\open\\command")).has_value());

    // A second OK with the box still checked: the page opens checked, the backups stay.
    {
        settings::Settings s;
        SheetContext context;
        context.registry = registry_.get();
        context.executable = kExecutable;
        CAppSettingPSheet sheet(s, context);
        EXPECT_TRUE(sheet.association_page->types[0]->isChecked());
        EXPECT_FALSE(sheet.association_page->types[3]->isChecked());
        sheet.accept();
    }
    EXPECT_EQ(value(kHtmlKeys[0], "MarvoBK"), "\"other.exe\" -nohome");
    EXPECT_EQ(value(kHtmlKeys[1], "MarvoBK"), "OTHER");

    confirm_sheet(false);
    EXPECT_EQ(value(kHtmlKeys[0]), "\"other.exe\" -nohome");
    EXPECT_EQ(value(kHtmlKeys[1]), "OTHER");
    EXPECT_EQ(value(kHtmlKeys[2]), "");
    EXPECT_EQ(value(kHtmlKeys[3]), "OTHER");
    for (const QString& key : kHtmlKeys)
        EXPECT_FALSE(value(key, "MarvoBK").has_value()) << key.toStdString();
    EXPECT_EQ(desktop_default(QStringLiteral("text/html")), QStringLiteral("other.desktop"));
}

TEST_F(AssociationTest, ProtocolsHandleOnlyTheirOpenCommandAndAnEmptyDefaultIsRemovedAgain)
{
    FileAssociations associations(*registry_, kExecutable);
    EXPECT_EQ(associations.open_command(), QStringLiteral("\"/usr/bin/true\" \"%1\""));
    const int https = 4;
    EXPECT_FALSE(associations.is_associated(https));
    associations.associate(https);
    EXPECT_TRUE(associations.is_associated(https));
    EXPECT_EQ(registry_->subkeys(Root::ClassesRoot, QStringLiteral("https\\shell")), QStringList{"open"});
    EXPECT_EQ(desktop_default(QStringLiteral("x-scheme-handler/https")), QStringLiteral("marvo.desktop"));

    associations.restore(https);
    EXPECT_FALSE(associations.is_associated(https));
    EXPECT_EQ(value(QStringLiteral("https\\shell\\open\\command")), "");
    EXPECT_EQ(desktop_default(QStringLiteral("x-scheme-handler/https")), QString());
    // Restoring what is not ours does nothing.
    associations.restore(https);
    EXPECT_EQ(value(QStringLiteral("https\\shell\\open\\command")), "");
}

TEST_F(AssociationTest, TheDesktopsOwnDefaultCountsAndADefaultTheUserChoseSinceIsNotTakenBack)
{
    // An entry left by an installation elsewhere names a program that is gone: it is rewritten.
    const QString entry_path =
        QString::fromStdString((dir_.path() / "XDG_DATA_HOME" / "applications" / "marvo.desktop").string());
    {
        QFile stale(entry_path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("[Desktop Entry]\nType=Application\nName=Marvo\nExec=/opt/gone/marvo %u\n");
    }
    FileAssociations associations(*registry_, kExecutable);
    const int http = 3;
    associations.associate(http);
    EXPECT_TRUE(associations.is_associated(http));
    QFile entry(entry_path);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("Exec=/usr/bin/true %u"));

    // The user chose another program on the desktop: the settings page shows it as not ours,
    // and taking the type back keeps that program to give it back to.
    set_desktop_default(QStringLiteral("x-scheme-handler/http"), QStringLiteral("chosen.desktop"));
    EXPECT_FALSE(associations.is_associated(http));
    associations.restore(http);
    EXPECT_EQ(desktop_default(QStringLiteral("x-scheme-handler/http")), QStringLiteral("chosen.desktop"));
    associations.associate(http);
    set_desktop_default(QStringLiteral("x-scheme-handler/http"), QStringLiteral("other.desktop"));
    associations.associate(http);
    EXPECT_TRUE(associations.is_associated(http));
    associations.restore(http);
    EXPECT_EQ(desktop_default(QStringLiteral("x-scheme-handler/http")), QStringLiteral("other.desktop"));
}

} // namespace
