#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Gesture.h"
#include "settings/Keys.h"

namespace settings {

// Query prefixes of the built-in search services (string-table entries 101, 102, 103 and
// 105). The search words, percent-encoded as Shift_JIS bytes, are appended to them, so each
// prefix tells its service that the query is Shift_JIS where the service allows it.
inline constexpr const char* kSearchGoogle = "https://www.google.co.jp/search?ie=Shift_JIS&q=";   // 101
inline constexpr const char* kSearchGoo = "https://search.goo.ne.jp/web.jsp?IE=Shift_JIS&MT=";    // 102
inline constexpr const char* kSearchYahoo = "https://search.yahoo.co.jp/search?ei=Shift_JIS&p="; // 103
inline constexpr const char* kSearchMsn = "https://www.bing.com/search?q=";                      // 105

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const Rect&) const = default;
};

// One band of the main rebar: the text of its child window, its width, and whether it
// starts a new row.
struct BandInfo {
    std::string name;
    std::uint32_t cx = 0;
    bool brk = false;
    bool operator==(const BandInfo&) const = default;
};

// A back entry of a tab's navigation history.
struct LogEntry {
    std::string url;
    std::string title;
    bool operator==(const LogEntry&) const = default;
};

// A tab that was open when the program last closed.
struct LastOpenSite {
    std::string url;
    bool lock = false;
    std::int32_t reload = 0;   // auto-refresh interval in seconds, 0 for none
    std::vector<LogEntry> log; // back entries, oldest first
    bool operator==(const LastOpenSite&) const = default;
};

// A recently closed page.
struct ClosedPage {
    std::string title;
    std::string url;
    bool operator==(const ClosedPage&) const = default;
};

// Bits of `securityflag`: the engine's download-control flags.
enum SecurityFlag : std::uint32_t {
    kDownloadImages = 0x10,
    kPlayVideos = 0x20,
    kPlaySounds = 0x40,
    kNoScripts = 0x80,
    kNoJava = 0x100,
    kNoActiveXRun = 0x200,
    kNoActiveXDownload = 0x400,
    kSilent = 0x40000000,
};

// The user's preferences and what the last run left behind. Members are named after the
// keys of the settings file and are read and changed directly on the user-interface thread.
// Every string is 8-bit Shift_JIS, byte for byte as stored. A default-constructed object holds
// the defaults of a first run.
class Settings {
public:
    Settings();

    // ---- window ----
    std::int32_t width = 900; // page width for new memo packages when no tab can measure one
    Rect rect{50, 50, 1000, 800};
    std::int32_t maximized = 0;
    std::int32_t fontsize = 2; // 0 smallest .. 4 largest
    std::int32_t toolbar = 1;
    std::int32_t addrbar = 1;
    std::int32_t linkbar = 1;
    std::int32_t drawbar = 1;
    std::int32_t statbar = 1;
    std::int32_t favobar = 1;
    std::int32_t histbar = 0;
    std::int32_t memobar = 0;
    Rect exprect{0, 0, 200, 200};
    std::vector<BandInfo> bandinfo;

    // ---- lists carried over from the last run ----
    std::vector<LastOpenSite> lastopen; // consumed and cleared at start-up
    std::vector<ClosedPage> lastclose;  // most recent first
    std::vector<std::string> private_areas; // the `private` element
    std::vector<std::string> proxy;         // "host:port"

    // ---- option ----
    std::string searchstring;
    std::string savefolder;
    unsigned char doublebuffer = 1;
    std::uint32_t securityflag = kDownloadImages | kPlayVideos | kPlaySounds;
    unsigned char favorder = 1;
    unsigned char blockpopup = 0;
    unsigned char blockscripterror = 1;
    unsigned char openlast = 1;
    std::int32_t server_port = 18707;
    unsigned char share_position = 1;
    std::string user_name;
    std::int32_t check_time = 20; // seconds between instant-message checks
    std::int32_t del_cookie = 0;
    std::int32_t del_hist = 0;
    std::int32_t del_temp = 0;
    std::int32_t del_tabhist = 0;
    std::int32_t proxy_setting = 0; // 0 system settings, 1 direct, 2 proxy[proxy_index]
    std::int32_t proxy_index = 0;
    std::string proxy_login;
    std::string proxy_pw;
    // The user agent the engine sends, set from the next start; empty for the engine's own.
    std::string useragent;
    // The interface language from the next start: "ja", "en", or empty for the desktop's.
    std::string language;
    // Minutes a tab waits in the background before its page is discarded; 0 never.
    std::int32_t discard_minutes = kDefaultDiscardMinutes;
    static constexpr std::int32_t kDefaultDiscardMinutes = 10;

    // ---- mouse and keyboard ----
    std::vector<GestureCommand> gestures;
    std::int32_t command_lr = 2; // right pressed while left held: forward
    std::int32_t command_rl = 1; // left pressed while right held: back
    std::vector<KeyCommand> keys;
    // Matches drawn gestures; a copy of the gesture strings, refreshed by
    // rebuild_gesture_table() whenever `gestures` changes.
    GestureRecognizer gesture_recognizer;

    // ---- run-time state, never stored ----
    bool delete_latch = false; // the Delete key acts once per press on the current tool

    // The sharing server's address. Written to the settings file as it is, so an address
    // holding a double quote, "<", "&" or a control character is refused (it would not
    // survive the file).
    const std::string& server_addr() const { return server_addr_; }
    // Stores the address and returns true, or returns false and keeps the old one.
    bool set_server_addr(std::string address);
    static bool is_valid_server_addr(std::string_view address);

    // Start-up fill-ins for what a first run leaves empty: the search prefix becomes the first
    // built-in one, the memo folder `data_folder` + "/memo" (creating it is the caller's
    // business) and the user name `logon_name`.
    void fill_empty_at_startup(const std::string& data_folder, const std::string& logon_name);

    // Replaces the gesture list with the six built-in gestures.
    void set_default_gestures();
    // Copies the gesture strings into the recognizer, in order.
    void rebuild_gesture_table();

    // Stored state only: the recognizer's working points and the latch are left out.
    bool operator==(const Settings& other) const;

private:
    std::string server_addr_;
};

} // namespace settings
