#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/RegistryStore.h"

namespace {

using Root = platform::RegistryStore::Root;

TEST(RegistryStore, ValuesPersistUnderTheirRootsAndKeys)
{
    TempDir dir;
    const QString path = QString::fromStdString(dir.file("registry.ini"));
    const QByteArray order("\x08\x00\x00\x00\x02\x00\x00\x00", 8);
    {
        platform::RegistryStore store(path);
        store.set_value(Root::CurrentUser, "Software\\Marvo\\MenuOrder\\Favorites", "Order", order);
        store.set_value(Root::ClassesRoot, "http\\shell\\open\\command", "", "marvo \"%1\"");
        store.set_value(Root::ClassesRoot, "http\\shell\\open\\command", "MarvoBK", "\x83\x81\x83\x82");
        store.sync();
    }
    platform::RegistryStore store(path);
    EXPECT_EQ(store.value(Root::CurrentUser, "Software\\Marvo\\MenuOrder\\Favorites", "Order"), order);
    EXPECT_EQ(store.value(Root::ClassesRoot, "http\\shell\\open\\command", ""), "marvo \"%1\"");
    EXPECT_FALSE(store.value(Root::LocalMachine, "http\\shell\\open\\command", "").has_value());
    QStringList names = store.value_names(Root::ClassesRoot, "http\\shell\\open\\command");
    names.sort();
    EXPECT_EQ(names, (QStringList{"", "MarvoBK"}));
    EXPECT_EQ(store.subkeys(Root::ClassesRoot, "http\\shell"), QStringList{"open"});
    store.remove_value(Root::ClassesRoot, "http\\shell\\open\\command", "MarvoBK");
    EXPECT_FALSE(store.value(Root::ClassesRoot, "http\\shell\\open\\command", "MarvoBK").has_value());
}

TEST(RegistryStore, SeedingKeepsExistingValues)
{
    TempDir dir;
    platform::RegistryStore store(QString::fromStdString(dir.file("registry.ini")));
    store.set_value(Root::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version", "5.5");
    store.seed_defaults("102.0.5005", 500);
    EXPECT_EQ(store.value(Root::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version"), "5.5");
    EXPECT_EQ(store.value(Root::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Toolbar", "LinksFolderName"),
              "Links");
    EXPECT_EQ(store.value(Root::CurrentUser, "Control Panel\\Mouse", "DoubleClickSpeed"), "500");
}

} // namespace
