#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Internet-shortcut (".url") files: written for new favorites, dragged tabs and address-bar
// icons, read for favorites, links, drops and the command line.
namespace places {

// Turns Shift_JIS model text into a file-name in the file system's encoding (the codec lives
// in the platform library; this library only receives it). An empty converter keeps the bytes.
using NameConverter = std::function<std::string(std::string_view sjis)>;

// Longest file name the file system takes, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// folder / (title without \ / : ? * < > |) + ".url". The title is native text (UTF-8), so the
// name keeps every other character. A name too long for the file system is cut at a character
// boundary; the result never leaves `folder`.
std::filesystem::path shortcut_path(const std::filesystem::path& folder, std::string_view title);

// The four CR LF lines of a shortcut: "[DEFAULT]", "BASEURL=<url>", "[InternetShortcut]",
// "URL=<url>". Line breaks inside the URL are dropped so it cannot add lines of its own.
std::string internet_shortcut_text(std::string_view url);

// Writes the shortcut beside and renames it into place; false on failure.
bool write_internet_shortcut(const std::filesystem::path& file, std::string_view url);

// The "URL" key of the "InternetShortcut" section (names compared without case).
std::optional<std::string> parse_internet_shortcut_url(std::string_view text);
std::optional<std::string> read_internet_shortcut_url(const std::filesystem::path& file);

} // namespace places
