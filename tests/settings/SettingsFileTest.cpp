#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "settings/SettingsFile.h"

using namespace settings;

namespace {

std::string read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class FakeFrame : public FrameState {
public:
    std::vector<OpenTab> tabs;
    BarVisibility visible;
    Rect explorer{0, 0, 200, 200};
    bool is_maximized = false;
    std::vector<RebarBand> rebar;

    std::vector<OpenTab> open_tabs() const override { return tabs; }
    BarVisibility bars() const override { return visible; }
    Rect explorer_rect() const override { return explorer; }
    bool maximized() const override { return is_maximized; }
    std::vector<RebarBand> bands() const override { return rebar; }
};

std::string arrows(std::initializer_list<std::string_view> parts)
{
    std::string s;
    for (std::string_view p : parts)
        s += p;
    return s;
}

// Shift_JIS texts: "例のページ", "表示 & 検索" (0x955C: a trail byte that is a backslash),
// "閉じた - ページ", "山田".
const std::string kSjisExamplePage = "\x97\xe1\x82\xcc\x83\x79\x81\x5b\x83\x57";
const std::string kSjisShowAndSearch = "\x95\x5c\x8e\xa6 & \x8c\x9f\x8d\xf5";
const std::string kSjisClosedPage = "\x95\xc2\x82\xb6\x82\xbd - \x83\x79\x81\x5b\x83\x57";
const std::string kSjisYamada = "\x8e\x52\x93\x63";

// The state behind tests/settings/data/full.xml.
void fill(Settings& s, FakeFrame& frame)
{
    s.width = 1024;
    s.rect = {10, 20, 1010, 780};
    s.fontsize = 3;
    s.lastclose = {{kSjisClosedPage, "https://example.com/x_y"}};
    s.private_areas = {"http://private.example.jp/"};
    s.proxy = {"proxy.example.jp:8080"};
    s.searchstring = kSearchGoogle;
    s.savefolder = "/home/user/.local/share/Marvo/memo";
    s.doublebuffer = 0;
    s.securityflag = kDownloadImages | kPlayVideos | kPlaySounds | kSilent;
    s.favorder = 0;
    s.blockpopup = 1;
    s.blockscripterror = 0;
    s.openlast = 1;
    ASSERT_TRUE(s.set_server_addr("share.example.jp"));
    s.server_port = 18708;
    s.share_position = 0;
    s.user_name = kSjisYamada;
    s.check_time = 45;
    s.del_cookie = 1;
    s.del_temp = 1;
    s.proxy_setting = 2;
    s.proxy_index = 0;
    s.proxy_login = "user";
    s.proxy_pw = "p'w<d>";
    s.command_lr = 5;
    s.command_rl = 3;
    s.gestures = {{std::string(kArrowDown), 0},
                  {arrows({kArrowRight, kArrowUp}), 4},
                  {arrows({kArrowLeft, kArrowDown, kArrowRight}), 12}};
    s.rebuild_gesture_table();
    s.keys = {{"CTRL + W", 0}, {"F5", 4}, {"SHIFT + \\", 13}};

    frame.is_maximized = true;
    frame.visible = {true, false, true, false, true, false, true, false};
    frame.explorer = {-5, 0, 250, 600};
    frame.rebar = {{"Native:MenuBar", 300, true, true},
                   {"Native:NaviBar", 450, false, false}, // native bars are kept even hidden
                   {"Tool Band", 120, true, false},        // hidden tool bands are not
                   {"Search_Band.v2", 200, false, true}};
    frame.tabs = {{"http://www.example.jp/a b.html", false, 0,
                   {{"http://www.example.jp/", kSjisExamplePage},
                    {"http://www.example.jp/_x", kSjisShowAndSearch}}},
                  {"", true, 30, {}}};
}

// What a load of the file written from fill() gives.
Settings expected_after_load(const Settings& saved, const FakeFrame& frame)
{
    Settings s = saved;
    s.maximized = 1;
    s.toolbar = 1, s.addrbar = 0, s.linkbar = 1, s.drawbar = 0;
    s.statbar = 1, s.favobar = 0, s.histbar = 1, s.memobar = 0;
    s.exprect = frame.explorer;
    s.bandinfo = {{"Native:MenuBar", 300, true}, {"Native:NaviBar", 450, false}, {"Search_Band.v2", 200, false}};
    s.lastopen.clear();
    for (const OpenTab& tab : frame.tabs)
        s.lastopen.push_back({tab.url, tab.lock, tab.reload, tab.log});
    return s;
}

std::string golden()
{
    return read_bytes(std::string(MARVO_SOURCE_DIR) + "/tests/settings/data/full.xml");
}

} // namespace

TEST(SettingsFile, WritesTheGoldenFileByteForByte)
{
    Settings s;
    FakeFrame frame;
    fill(s, frame);
    TempDir dir;
    ASSERT_TRUE(save_settings(s, frame, dir.file(kSettingsFileName)));
    const std::string written = read_bytes(dir.file(kSettingsFileName));
    const std::string expected = golden();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(written, expected);
    EXPECT_EQ(s.maximized, 1);

    struct stat info {};
    ASSERT_EQ(::stat(dir.file(kSettingsFileName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SettingsFile, RoundTripsEveryElement)
{
    Settings saved;
    FakeFrame frame;
    fill(saved, frame);
    TempDir dir;
    ASSERT_TRUE(save_settings(saved, frame, dir.file(kSettingsFileName)));

    Settings loaded;
    ASSERT_TRUE(load_settings(loaded, dir.file(kSettingsFileName)));
    EXPECT_EQ(loaded, expected_after_load(saved, frame));
    EXPECT_EQ(loaded.lastopen[0].log[1].title, kSjisShowAndSearch);
    EXPECT_EQ(loaded.gesture_recognizer.find(arrows({kArrowLeft, kArrowDown, kArrowRight})), 2);

    // Saving what was loaded gives the same bytes again.
    ASSERT_TRUE(save_settings(loaded, frame, dir.file("again.xml")));
    EXPECT_EQ(read_bytes(dir.file("again.xml")), golden());
}

TEST(SettingsFile, DefaultsRoundTripWithEmptyLists)
{
    Settings saved;
    FakeFrame frame;
    TempDir dir;
    ASSERT_TRUE(save_settings(saved, frame, dir.file("s.xml")));
    const std::string bytes = read_bytes(dir.file("s.xml"));
    EXPECT_NE(bytes.find("\t\t<bandinfo>\r\n\t\t</bandinfo>\r\n\t</window>\r\n\t<lastopen>\r\n\t</lastopen>\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("\t<key>\r\n\t</key>\r\n</marvo>\r\n"), std::string::npos);

    Settings loaded;
    loaded.width = 1;
    ASSERT_TRUE(load_settings(loaded, dir.file("s.xml")));
    EXPECT_EQ(loaded, saved);
}

TEST(SettingsFile, MissingOrMalformedFileKeepsDefaultsAndDefaultGestures)
{
    TempDir dir;
    const Settings defaults;
    ASSERT_EQ(defaults.gestures.size(), 6u);
    EXPECT_EQ(defaults.gestures[3].gesture, arrows({kArrowUp, kArrowLeft}));
    EXPECT_EQ(defaults.gestures[5].func, kCmdHome);
    EXPECT_EQ(defaults.server_port, 18707);
    EXPECT_EQ(defaults.check_time, 20);
    EXPECT_EQ(defaults.securityflag, 0x70u);
    EXPECT_EQ(defaults.command_lr, 2);
    EXPECT_EQ(defaults.command_rl, 1);
    EXPECT_EQ(defaults.rect, (Rect{50, 50, 1000, 800}));

    Settings missing;
    missing.gestures.clear();
    EXPECT_FALSE(load_settings(missing, dir.file("nothing.xml")));
    EXPECT_EQ(missing, defaults);

    for (std::string_view bytes : {std::string_view(""), std::string_view("<marvo><window>"),
                                   std::string_view("<marvo><option><user_name value=\"a\"/></option>\n<mouse></marvo>")}) {
        write_bytes(dir.file("bad.xml"), bytes);
        Settings bad;
        EXPECT_FALSE(load_settings(bad, dir.file("bad.xml"))) << bytes;
        EXPECT_EQ(bad, defaults) << bytes;
    }
}

TEST(SettingsFile, StartupFillsOnlyEmptyValues)
{
    Settings s;
    s.user_name = kSjisYamada;
    s.fill_empty_at_startup("/data/Marvo", "someone");
    EXPECT_EQ(s.searchstring, kSearchGoogle);
    EXPECT_EQ(s.savefolder, "/data/Marvo/memo");
    EXPECT_EQ(s.user_name, kSjisYamada);
    s.searchstring = kSearchYahoo;
    s.fill_empty_at_startup("/other", "x");
    EXPECT_EQ(s.searchstring, kSearchYahoo);
    EXPECT_EQ(s.savefolder, "/data/Marvo/memo");
}

TEST(SettingsFile, MouseElementDecidesAboutDefaultGestures)
{
    const std::string only_rocker = "<marvo><mouse>\t\t<command_lr func=\"7\"/>\n\t\t<command_rl func=\"8\"/>\n"
                                    "</mouse></marvo>";
    Settings s;
    ASSERT_TRUE(load_settings_from_buffer(s, only_rocker.data(), only_rocker.size()));
    EXPECT_TRUE(s.gestures.empty());
    EXPECT_TRUE(s.gesture_recognizer.gesture_strings().empty());
    EXPECT_EQ(s.command_lr, 7);
    EXPECT_EQ(s.command_rl, 8);

    const std::string no_mouse = "<anything><option><check_time value=\"9\"/></option></anything>";
    Settings t;
    t.gestures.clear();
    ASSERT_TRUE(load_settings_from_buffer(t, no_mouse.data(), no_mouse.size()));
    EXPECT_EQ(t.check_time, 9);
    EXPECT_EQ(t.gestures, Settings().gestures);
    EXPECT_EQ(t.gesture_recognizer.find(std::string(kArrowRight)), 2);
}

TEST(SettingsFile, ReadsAttributesInAnyOrderAndNumbersLikeAtoi)
{
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n<marvo>"
        "<option><server_port value=\" 8080x\"/><check_time value=\"abc\"/><proxy_index value=\"-3\"/>"
        "<securityflag value=\"junk\"/><openlast value=\"2\"/><del_hist value=\"-1\"/>"
        "<proxy_setting value=\"99999999999\"/></option>"
        "<window><rect bottom=\"4\" right=\"3\" left=\"1\"/><width/><fontsize value=\"9\"/>"
        "<unknown value=\"1\"/><exprect top=\"+7\" left=\"-2\" bottom=\"9\" right=\"8\"/></window>"
        "<window><maximized value=\"1\"/></window>"
        "</marvo>";
    Settings s;
    ASSERT_TRUE(load_settings_from_buffer(s, xml.data(), xml.size()));
    EXPECT_EQ(s.rect, (Rect{1, 0, 3, 4}));
    EXPECT_EQ(s.exprect, (Rect{-2, 7, 8, 9}));
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(s.fontsize, 4);
    EXPECT_EQ(s.maximized, 1);
    EXPECT_EQ(s.server_port, 8080);
    EXPECT_EQ(s.check_time, 0);
    EXPECT_EQ(s.proxy_index, -3);
    EXPECT_EQ(s.proxy_setting, INT_MAX);
    EXPECT_EQ(s.securityflag, 0x70u);
    EXPECT_EQ(s.openlast, 1);
    EXPECT_EQ(s.del_hist, 1);
}

TEST(SettingsFile, ListsAreReplacedPerElementAndKeysAppend)
{
    const std::string xml =
        "<marvo><private><url value=\"a\"/></private><private><url value=\"b%D%c\"/><other/></private>"
        "<key><command key=\"F1\" func=\"1\"/></key><key><command key=\"F2\" func=\"2\"/></key>"
        "<lastopen><site value=\"x\" lock=\"5\" reload=\"15\"><log url=\"u\"/></site></lastopen></marvo>";
    Settings s;
    s.proxy = {"kept:1"};
    ASSERT_TRUE(load_settings_from_buffer(s, xml.data(), xml.size()));
    EXPECT_EQ(s.private_areas, std::vector<std::string>{"b.c"});
    EXPECT_EQ(s.proxy, std::vector<std::string>{"kept:1"});
    EXPECT_EQ(s.keys, (std::vector<KeyCommand>{{"F1", 1}, {"F2", 2}}));
    ASSERT_EQ(s.lastopen.size(), 1u);
    EXPECT_TRUE(s.lastopen[0].lock);
    EXPECT_EQ(s.lastopen[0].reload, 15);
    EXPECT_EQ(s.lastopen[0].log, (std::vector<LogEntry>{{"u", ""}}));
}

TEST(SettingsFile, ClearingFlagsLeaveOutLogsAndClosedPages)
{
    Settings s;
    FakeFrame frame;
    fill(s, frame);
    s.del_hist = 1;
    s.del_tabhist = 1;
    TempDir dir;
    ASSERT_TRUE(save_settings(s, frame, dir.file("s.xml")));
    const std::string bytes = read_bytes(dir.file("s.xml"));
    EXPECT_EQ(bytes.find("<log "), std::string::npos);
    EXPECT_EQ(bytes.find("lastclose"), std::string::npos);
    EXPECT_NE(bytes.find("\t\t<site value=\"\" lock=\"1\" reload=\"30\">\r\n\t\t</site>\r\n"), std::string::npos);

    Settings loaded;
    ASSERT_TRUE(load_settings(loaded, dir.file("s.xml")));
    EXPECT_TRUE(loaded.lastclose.empty());
    ASSERT_EQ(loaded.lastopen.size(), 2u);
    EXPECT_TRUE(loaded.lastopen[0].log.empty());
}

TEST(SettingsFile, RawValuesThatWouldBreakTheFileStillReadBack)
{
    Settings s;
    EXPECT_FALSE(s.set_server_addr("host\"name"));
    EXPECT_FALSE(s.set_server_addr("a<b"));
    EXPECT_FALSE(s.set_server_addr("a&b"));
    EXPECT_FALSE(s.set_server_addr("a\nb"));
    EXPECT_TRUE(s.set_server_addr("192.168.0.1"));
    EXPECT_EQ(s.server_addr(), "192.168.0.1");

    // Gesture and key strings are stored unescaped; odd ones must not break the file.
    s.gestures = {{"a\"b<c&d", 1}};
    s.keys = {{"CTRL + \"", 2}};
    FakeFrame frame;
    TempDir dir;
    ASSERT_TRUE(save_settings(s, frame, dir.file("s.xml")));
    Settings loaded;
    ASSERT_TRUE(load_settings(loaded, dir.file("s.xml")));
    EXPECT_EQ(loaded.gestures, s.gestures);
    EXPECT_EQ(loaded.keys, s.keys);
    EXPECT_EQ(loaded.server_addr(), "192.168.0.1");

    // A server address that was refused in the file keeps the previous one.
    const std::string xml = "<marvo><option><server_addr value=\"a&amp;b\"/></option></marvo>";
    ASSERT_TRUE(load_settings_from_buffer(loaded, xml.data(), xml.size()));
    EXPECT_EQ(loaded.server_addr(), "192.168.0.1");
}

TEST(SettingsFile, FailedSaveLeavesThePreviousFile)
{
    TempDir dir;
    const std::string path = dir.file("s.xml");
    write_bytes(path, "previous");
    Settings s;
    FakeFrame frame;
    // The folder does not exist, so nothing can be written there.
    EXPECT_FALSE(save_settings(s, frame, dir.file("missing/s.xml")));
    // A file cannot replace a folder.
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(save_settings(s, frame, dir.file("folder")));
    EXPECT_EQ(read_bytes(path), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(SettingsEscape, TokensAndTheirQuirk)
{
    EXPECT_EQ(escape("a b-c.d_e"), "a%SP%b%H%c%D%d%U%e");
    EXPECT_EQ(unescape("a%SP%b%H%c%D%d%U%e"), "a b-c.d_e");
    EXPECT_EQ(escape("&<>\"'"), "%AND%%L%%G%%DQ%%SQ%");
    EXPECT_EQ(escape("%AND%"), "%AND%"); // the percent sign is not escaped
    EXPECT_EQ(unescape(escape("x&amp; 100%")), "x&amp; 100%");
    // A stored token comes back as its character.
    EXPECT_EQ(unescape(escape("a%SP%b")), "a b");
    // Tokens are restored in order, and a restored "&" does not join the rest into a token.
    EXPECT_EQ(unescape("%AND%SP%"), "&SP%");
    EXPECT_EQ(unescape("%%SP%D%"), "% D%");
    EXPECT_EQ(escape(""), "");
    // Shift_JIS trail bytes are left alone.
    EXPECT_EQ(unescape(escape(kSjisShowAndSearch)), kSjisShowAndSearch);

    // ダウンロード: the trail byte of ダ (83 5F) is "_", yet the file holds the character itself,
    // and the form older files wrote (83 "%U%") still reads back.
    const std::string download = "\x83\x5F\x83\x45\x83\x93\x83\x8D\x81\x5B\x83\x68";
    EXPECT_EQ(escape(download + "_"), download + "%U%");
    EXPECT_EQ(unescape("\x83%U%\x83\x45"), "\x83\x5F\x83\x45");
    TempDir dir;
    Settings saved;
    saved.savefolder = "/home/user/" + download;
    FakeFrame frame;
    ASSERT_TRUE(save_settings(saved, frame, dir.file("s.xml")));
    EXPECT_NE(read_bytes(dir.file("s.xml")).find("user/" + download + "\""), std::string::npos);
    Settings loaded;
    ASSERT_TRUE(load_settings(loaded, dir.file("s.xml")));
    EXPECT_EQ(loaded.savefolder, saved.savefolder);
}

TEST(SettingsEscape, SearchStringWithEveryKindOfSeparator)
{
    Settings s;
    s.searchstring = "a b-c.d_e";
    FakeFrame frame;
    const std::string bytes = compose_settings_file(s, frame);
    EXPECT_NE(bytes.find("\t\t<searchstring value=\"a%SP%b%H%c%D%d%U%e\"/>\r\n"), std::string::npos);
    Settings loaded;
    ASSERT_TRUE(load_settings_from_buffer(loaded, bytes.data(), bytes.size()));
    EXPECT_EQ(loaded.searchstring, "a b-c.d_e");

    s.searchstring = "x%SP%y";
    const std::string quirk = compose_settings_file(s, frame);
    ASSERT_TRUE(load_settings_from_buffer(loaded, quirk.data(), quirk.size()));
    EXPECT_EQ(loaded.searchstring, "x y");
}

TEST(SettingsFile, OwnOptionsRoundTripAndAreLeftOutAtTheirDefaults)
{
    Settings saved;
    FakeFrame frame;
    TempDir dir;
    ASSERT_TRUE(save_settings(saved, frame, dir.file("plain.xml")));
    EXPECT_EQ(read_bytes(dir.file("plain.xml")).find("useragent"), std::string::npos);
    EXPECT_EQ(read_bytes(dir.file("plain.xml")).find("language"), std::string::npos);
    EXPECT_EQ(read_bytes(dir.file("plain.xml")).find("discard_minutes"), std::string::npos);

    saved.useragent = "Marvo/1.0 (X11; \"Linux\" & <more>)";
    saved.language = "en";
    saved.discard_minutes = 0;
    ASSERT_TRUE(save_settings(saved, frame, dir.file("agent.xml")));
    Settings loaded;
    ASSERT_TRUE(load_settings(loaded, dir.file("agent.xml")));
    EXPECT_EQ(loaded.useragent, saved.useragent);
    EXPECT_EQ(loaded.language, "en");
    EXPECT_EQ(loaded.discard_minutes, 0);
}
