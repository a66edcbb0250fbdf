#include <gtest/gtest.h>

#include <map>

#include "Files.h"
#include "TempDir.h"
#include "places/Favorites.h"
#include "places/UrlText.h"

namespace {

namespace fs = std::filesystem;
using places::FavoriteItem;
using places::OrderList;

std::vector<std::string> names(const std::vector<FavoriteItem>& items)
{
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back(item.name + (item.is_folder ? "/" : ""));
    return out;
}

TEST(OrderFile, LinesSplitAtLineFeedsOnly)
{
    const OrderList expected{"/f/a b.url", "/f/c.url"};
    EXPECT_EQ(places::parse_order("/f/a b.url\n/f/c.url\n"), expected);
    EXPECT_EQ(places::parse_order("\n\n/f/a b.url\n\n/f/c.url"), expected); // empty lines, no final LF
    EXPECT_EQ(places::format_order(expected), "/f/a b.url\n/f/c.url\n");
    EXPECT_TRUE(places::parse_order("").empty());

    // An over-long line keeps its first 1024 bytes; its rest does not become an entry.
    const std::string longer(1500, 'x');
    EXPECT_EQ(places::parse_order(longer + "\n/f/c.url\n"), (OrderList{std::string(1024, 'x'), "/f/c.url"}));

    // A path with a line feed cannot be stored as one line: it is left out, not split.
    EXPECT_EQ(places::format_order({"/f/a\nb.url", "/f/c.url"}), "/f/c.url\n");
}

TEST(OrderFile, RoundTripsThroughTheFile)
{
    TempDir dir;
    const fs::path file = dir.path() / places::kLinkOrderFile;
    EXPECT_TRUE(places::read_order_file(file).empty()); // missing

    const OrderList order{dir.path() / "Links" / "日本語.url", dir.path() / "Links" / "b c.url"};
    ASSERT_TRUE(places::save_link_order(file, order));
    EXPECT_EQ(read_file(file), places::format_order(order));
    EXPECT_EQ(places::load_link_order(file), order);

    ASSERT_TRUE(places::save_link_order(file, {}));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_FALSE(places::save_favorites_order(dir.path() / "missing" / "favorite.dat", order));
}

struct FavoritesFolder : ::testing::Test {
    TempDir dir;
    fs::path favorites = dir.path() / "Favorites";

    void SetUp() override
    {
        fs::create_directories(favorites / "News");
        write_file(favorites / "alpha.url");
        write_file(favorites / "Beta.URL");
        write_file(favorites / "gamma.Url");
        write_file(favorites / "notes.txt");
        write_file(favorites / "url"); // no extension
        write_file(favorites / ".url"); // the shortcut of an empty title
    }
};

TEST_F(FavoritesFolder, ListingFollowsTheOrderThenTheRest)
{
    EXPECT_EQ(names(places::list_folder(favorites, {})),
              (std::vector<std::string>{"", "Beta", "News/", "alpha", "gamma"}));

    const OrderList order{favorites / "gamma.Url", favorites / "News", favorites / "gone.url",
                          favorites / "gamma.Url", favorites / "ALPHA.url"};
    const auto items = places::list_folder(favorites, order, [](const fs::path& p) {
        return static_cast<int>(p.filename().native().size());
    });
    EXPECT_EQ(names(items), (std::vector<std::string>{"gamma", "News/", "", "Beta", "alpha"}));
    EXPECT_EQ(items[0], (FavoriteItem{"gamma", favorites / "gamma.Url", false, 9}));
    EXPECT_EQ(items[1], (FavoriteItem{"News", favorites / "News", true, 4}));
    EXPECT_EQ(places::list_folder(favorites, {})[0].icon, places::kDefaultIconIndex);
}

TEST_F(FavoritesFolder, FilesVanishingOrAppearingOutsideShowInTheListing)
{
    const OrderList order{favorites / "gamma.Url", favorites / "alpha.url", favorites / "Beta.URL"};
    fs::remove(favorites / "alpha.url");
    write_file(favorites / "delta.url");
    EXPECT_EQ(names(places::list_folder(favorites, order)),
              (std::vector<std::string>{"gamma", "Beta", "", "News/", "delta"}));
    EXPECT_TRUE(places::list_folder(favorites / "missing", order).empty());
}

TEST(LinkOrder, ReconcilesWithTheFolder)
{
    TempDir dir;
    const fs::path links = dir.path() / "Links";
    fs::create_directories(links / "sub");
    for (const char* name : {"a.url", "b.url", "c.url", "d.url"})
        write_file(links / name);
    const OrderList saved{links / "c.url", links / "removed.url", links / "a.url", links / "c.url", links / "b.url"};
    fs::remove(links / "b.url");

    const auto files = places::list_link_files(links);
    EXPECT_EQ(files, (std::vector<fs::path>{links / "a.url", links / "c.url", links / "d.url"}));
    const OrderList order = places::reconcile_link_order(saved, files);
    EXPECT_EQ(order, (OrderList{links / "c.url", links / "a.url", links / "d.url"}));
    EXPECT_EQ(places::reconcile_link_order(order, files), order); // stable once reconciled
    EXPECT_EQ(places::links_folder(dir.path(), "Links"), links);
    EXPECT_EQ(places::links_folder(dir.path(), "リンク"), dir.path() / "リンク");
    for (std::string_view bad : {"", "..", "a/b", "a\\b"})
        EXPECT_EQ(places::links_folder(dir.path(), bad), links) << bad;
    EXPECT_EQ(places::link_button_text(links / "My Site.url"), "My Site");
    EXPECT_EQ(places::link_button_text(links / "archive.tar.gz"), "archive.tar");
}

// Shell items as the other browser stores them in the menu order value.
std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

std::string utf16(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out += le16(c);
    return out + le16(0);
}

// A file entry (type 0x32, or 0x31 for a folder) with a short name and, when long_name is
// given, a version-3 extension block holding it.
std::string file_item(std::string_view short_name, std::u16string_view long_name = {}, bool folder = false,
                      unsigned version = 3)
{
    std::string body;
    body += static_cast<char>(folder ? 0x31 : 0x32);
    body += '\0';
    body += le32(0) + le32(0) + le16(folder ? 0x10 : 0x20);
    body += short_name;
    body += '\0';
    if ((body.size() + 2) % 2)
        body += '\0';
    if (!long_name.empty()) {
        std::string block = le16(version) + le32(0xBEEF0004) + le32(0) + le32(0) + le16(0x14);
        if (version >= 7)
            block += le16(0) + std::string(16, '\0');
        block += le16(0);
        if (version >= 9)
            block += le32(0);
        if (version >= 8)
            block += le32(0);
        block += utf16(long_name) + le16(0);
        block = le16(static_cast<unsigned>(block.size() + 2)) + block;
        body += block;
    }
    return le16(static_cast<unsigned>(body.size() + 2)) + body;
}

std::string record(std::int32_t position, const std::string& items)
{
    const std::string ids = items + le16(0);
    return le32(static_cast<std::uint32_t>(8 + ids.size())) + le32(static_cast<std::uint32_t>(position)) + ids;
}

std::string order_value(std::initializer_list<std::string> records)
{
    std::string value = le32(8) + le32(2) + le32(0) + le32(1) + le32(static_cast<std::uint32_t>(records.size()));
    for (const auto& r : records)
        value += r;
    return value;
}

TEST(MenuOrder, RecordsGiveNamesAndPositions)
{
    const std::string value = order_value({
        record(2, file_item("JAPANE~1.URL", u"日本のニュース.url")),
        record(0, file_item("plain.url")),
        record(1, file_item("a~1", u"a", true, 7) ),
        record(5, file_item("b~1", u"𝄞 b.url", false, 9)),
        record(6, file_item("c~1", u"c.url", false, 8)),
    });
    const auto records = places::parse_menu_order(value);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0], (places::MenuOrderRecord{2, "日本のニュース.url"}));
    EXPECT_EQ(records[1], (places::MenuOrderRecord{0, "plain.url"}));
    EXPECT_EQ(records[2], (places::MenuOrderRecord{1, "a"}));
    EXPECT_EQ(records[3], (places::MenuOrderRecord{5, "𝄞 b.url"}));
    EXPECT_EQ(records[4], (places::MenuOrderRecord{6, "c.url"}));

    // A non-ASCII short name needs the converter.
    const std::string sjis_short = order_value({record(0, file_item("\x93\xFA.url"))});
    EXPECT_EQ(places::parse_menu_order(sjis_short)[0].name, "");
    EXPECT_EQ(places::parse_menu_order(sjis_short, [](std::string_view) { return std::string("日.url"); })[0].name,
              "日.url");

    // Damaged values end the list instead of looping or reading past the end.
    std::string zero = order_value({}) + le32(0) + le32(3) + "junk";
    EXPECT_EQ(places::parse_menu_order(zero).size(), 1u);
    const std::string whole = order_value({record(0, file_item("plain.url"))});
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        (void)places::parse_menu_order(whole.substr(0, cut));
}

TEST(MenuOrder, ImportFollowsPositionsAndSubFolders)
{
    TempDir dir;
    const fs::path favorites = dir.path() / "Favorites";
    fs::create_directories(favorites / "News" / "Local");
    fs::create_directories(favorites / "Empty");

    std::map<std::string, std::string, std::less<>> registry{
        {"", order_value({record(3, file_item("z.url")), record(1, file_item("NEWS", u"News", true)),
                          record(3, file_item("dropped.url")), record(2, file_item("Empty", {}, true)),
                          record(0, file_item("..")), record(-1, file_item("first.url"))})},
        {"News", order_value({record(0, file_item("Local", {}, true)), record(1, file_item("n.url"))})},
        {"News\\Local", order_value({record(0, file_item("l.url"))})},
    };
    std::vector<std::string> asked;
    const places::MenuOrderLookup lookup = [&](std::string_view relative) -> std::optional<std::string> {
        asked.emplace_back(relative);
        const auto it = registry.find(relative);
        return it == registry.end() ? std::nullopt : std::optional<std::string>(it->second);
    };

    OrderList order{"/kept"};
    places::import_ie_order(order, favorites, "", lookup);
    EXPECT_EQ(order, (OrderList{"/kept", favorites / "first.url", favorites / "News", favorites / "Empty",
                                favorites / "z.url", favorites / "News" / "Local", favorites / "News" / "n.url",
                                favorites / "News" / "Local" / "l.url"}));
    EXPECT_EQ(asked, (std::vector<std::string>{"", "News", "News\\Local", "Empty"}));

    // favorite.dat wins unless favorder is set; without it the menu order is imported.
    const fs::path dat = dir.path() / places::kFavoritesOrderFile;
    EXPECT_EQ(places::load_favorites_order(dat, false, favorites, lookup).size(), 7u);
    ASSERT_TRUE(places::save_favorites_order(dat, {favorites / "z.url"}));
    EXPECT_EQ(places::load_favorites_order(dat, false, favorites, lookup), (OrderList{favorites / "z.url"}));
    EXPECT_EQ(places::load_favorites_order(dat, true, favorites, lookup).size(), 7u);
    EXPECT_TRUE(places::load_favorites_order(dir.path() / "none.dat", false, favorites, {}).empty());
}

TEST(AddFavorite, WritesTheFourLineShortcutUnderTheCleanedTitle)
{
    TempDir dir;
    const auto file = places::add_favorite("a/b:c", "http://example.jp/", dir.path());
    ASSERT_TRUE(file);
    EXPECT_EQ(*file, dir.path() / "abc.url");
    EXPECT_EQ(read_file(*file),
              "[DEFAULT]\r\nBASEURL=http://example.jp/\r\n[InternetShortcut]\r\nURL=http://example.jp/\r\n");
    EXPECT_EQ(places::read_internet_shortcut_url(*file), "http://example.jp/");
    EXPECT_EQ(places::list_folder(dir.path(), {})[0].name, "abc");

    EXPECT_FALSE(places::add_favorite("x", "http://x/", dir.path() / "missing"));
}

TEST(AddFavorite, NamesStayWholeAndInsideTheFolder)
{
    // Every character a file name can hold stays, those beyond Shift_JIS too.
    const fs::path folder = "/data/Favorites";
    EXPECT_EQ(places::shortcut_path(folder, "表示 Café 😀\\?*<>|:\"/"), folder / "表示 Café 😀\".url");
    EXPECT_EQ(places::shortcut_path(folder, "../.."), folder / ".....url");

    // Too long for the file system: cut on a character boundary, extension kept.
    std::string title;
    for (int i = 0; i < 100; ++i)
        title += "表";
    const fs::path cut = places::shortcut_path(folder, title);
    EXPECT_EQ(cut.parent_path(), folder);
    EXPECT_EQ(cut.filename().native().size(), 3 * 83 + 4u);
    EXPECT_EQ(cut.extension(), ".url");
}

TEST(InternetShortcut, ReadsTheUrlKeyOfItsSection)
{
    EXPECT_EQ(places::parse_internet_shortcut_url(places::internet_shortcut_text("http://a/")), "http://a/");
    EXPECT_EQ(places::parse_internet_shortcut_url("[Other]\nURL=http://wrong/\n[internetshortcut]\n"
                                                  "IconIndex=1\n url = http://right/ \r\n"),
              "http://right/");
    EXPECT_FALSE(places::parse_internet_shortcut_url("URL=http://no-section/\n"));
    EXPECT_FALSE(places::parse_internet_shortcut_url(""));
    // A URL cannot add lines of its own to the file.
    EXPECT_EQ(places::internet_shortcut_text("http://a/\r\n[X]"),
              "[DEFAULT]\r\nBASEURL=http://a/[X]\r\n[InternetShortcut]\r\nURL=http://a/[X]\r\n");
}

} // namespace
