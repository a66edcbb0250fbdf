#pragma once

#include <array>
#include <span>
#include <string_view>

// The program's numbered texts, as UTF-8. Message boxes, status-bar panes, toolbar labels and
// the built-in search prefixes are looked up by number; a command's entry holds its status-bar
// prompt and its tooltip separated by a line feed.
namespace res {

struct StringEntry {
    int id;
    const char* text;
};

// Every entry, sorted by id, ids unique.
std::span<const StringEntry> strings();

// The text of entry id, or nullptr when the table has no such entry.
const char* string(int id);

// The text of entry id, or an empty view when the table has no such entry.
std::string_view text(int id);

// Status-bar prompt of a command: the text before the first line feed (the whole text when
// there is none). Empty for an unknown id.
std::string_view prompt(int id);

// Tooltip of a command: the text after the first line feed. Empty when there is none.
std::string_view tooltip(int id);

// Named entries that callers look up by meaning rather than by a command.
namespace str {
inline constexpr int kOleInitFailed = 100;
inline constexpr int kSearchGoogle = 101;
inline constexpr int kSearchGoo = 102;
inline constexpr int kSearchYahoo = 103;
inline constexpr int kSocketInitFailed = 104;
inline constexpr int kSearchMsn = 105;
inline constexpr int kUserAgentPrefix = 106;
inline constexpr int kShareIdle = 107;
inline constexpr int kShareChecking = 108;
inline constexpr int kShareDownloading = 109;
inline constexpr int kAskFitWidth = 110;
inline constexpr int kAskMakePrivate = 111;
inline constexpr int kPrivateArea = 112;
inline constexpr int kAddressLabel = 114;
inline constexpr int kHelpAddress = 115;
inline constexpr int kCannotCreateFile = 119;
inline constexpr int kCannotRename = 120;
inline constexpr int kCannotMove = 121;
inline constexpr int kNewFolder = 122;
inline constexpr int kBackButton = 124;
inline constexpr int kFavoritesButton = 125;
inline constexpr int kObjectLocked = 126;
inline constexpr int kWidthLocked = 130;
inline constexpr int kWidthFree = 131;
inline constexpr int kSingleBuffer = 132;
inline constexpr int kDoubleBuffer = 133;
inline constexpr int kAskClearMemos = 134;
inline constexpr int kMemoSaveFailed = 135;
inline constexpr int kNoMemos = 136;
inline constexpr int kUserListFailed = 137;
inline constexpr int kMessageSendFailed = 138;
inline constexpr int kAskFontSize = 139;
inline constexpr int kFileReadFailed = 140;
inline constexpr int kHandOverFailed = 141;
inline constexpr int kInvalidGesture = 142;
inline constexpr int kGoUp = 143;
inline constexpr int kBrowserTooOld = 144;
inline constexpr int kRestartNeeded = 147;
inline constexpr int kAskMergeMemos = 149;
inline constexpr int kShareCommitting = 161;
inline constexpr int kShareDeleting = 162;
inline constexpr int kShareWaiting = 163;
inline constexpr int kSharePackageRefused = 164;
inline constexpr int kMemosHidden = 190;

// Status-bar text of share states 0 to 4 (idle, checking, downloading, committing, deleting).
inline constexpr std::array<int, 5> kShareStates{kShareIdle, kShareChecking, kShareDownloading,
                                                 kShareCommitting, kShareDeleting};

// Built-in search prefixes in the order of the search settings page (Google, goo, Yahoo!, MSN).
inline constexpr std::array<int, 4> kSearchPrefixes{kSearchGoogle, kSearchGoo, kSearchYahoo,
                                                    kSearchMsn};

// Entries that are data, the same in every interface language: the search prefixes, the
// user agent, the help address and the name given to new favorites folders.
inline constexpr std::array<int, 7> kDataEntries{kSearchGoogle, kSearchGoo,      kSearchYahoo, kSearchMsn,
                                                 kUserAgentPrefix, kHelpAddress, kNewFolder};

// The entries whose prompt names gesture and key commands 0 to 13, in command order.
inline constexpr std::array<int, 14> kGestureCommandNames{
    57602, 32774, 32775, kGoUp, 32780, 32781, 57612, 32798, 32816, 32826, 32877, 32878, 32879, 32888};
} // namespace str

} // namespace res
