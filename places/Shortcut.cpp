#include "places/Shortcut.h"

#include <algorithm>
#include <cctype>

#include "rs2/FileStream.h"

namespace places {

namespace {

constexpr std::string_view kExtension = ".url";
constexpr std::uint64_t kMaxShortcutBytes = 64 * 1024;

bool equal_no_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::filesystem::path shortcut_path(const std::filesystem::path& folder, std::string_view title)
{
    // No byte of a UTF-8 sequence is ASCII: the forbidden characters are found byte by byte.
    std::string name(title);
    std::erase_if(name, [](char c) { return std::string_view("\\/:?*<>|").find(c) != std::string_view::npos || c == '\0'; });
    const std::size_t room = kMaxFileNameBytes - kExtension.size();
    if (name.size() > room) {
        std::size_t cut = room;
        // Do not split a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return folder / (name + std::string(kExtension));
}

std::string internet_shortcut_text(std::string_view url)
{
    std::string clean(url);
    std::erase_if(clean, [](char c) { return c == '\r' || c == '\n'; });
    return "[DEFAULT]\r\nBASEURL=" + clean + "\r\n[InternetShortcut]\r\nURL=" + clean + "\r\n";
}

bool write_internet_shortcut(const std::filesystem::path& file, std::string_view url)
{
    try {
        const std::string text = internet_shortcut_text(url);
        rs2::AtomicFileStream out(file.string());
        if (!out.write(text.data(), text.size()))
            return false;
        out.commit();
        return true;
    } catch (const rs2::IOException&) {
        return false;
    }
}

std::optional<std::string> parse_internet_shortcut_url(std::string_view text)
{
    bool in_section = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            in_section = equal_no_case(trim(line.substr(1, line.size() - 2)), "InternetShortcut");
            continue;
        }
        if (!in_section)
            continue;
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && equal_no_case(trim(line.substr(0, equals)), "URL"))
            return std::string(trim(line.substr(equals + 1)));
    }
    return std::nullopt;
}

std::optional<std::string> read_internet_shortcut_url(const std::filesystem::path& file)
{
    try {
        rs2::FileStream in(file.string(), rs2::FileStream::open_read);
        std::string text(static_cast<std::size_t>(std::min(in.size(), kMaxShortcutBytes)), '\0');
        text.resize(in.read(text.data(), text.size()));
        return parse_internet_shortcut_url(text);
    } catch (const rs2::IOException&) {
        return std::nullopt;
    }
}

} // namespace places
