#include "places/Favorites.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <system_error>
#include <unordered_map>

#include "rs2/FileStream.h"

namespace places {

namespace fs = std::filesystem;

namespace {

// Sub-folders of sub-folders of the menu order are followed this deep at most, so that a
// folder linked into itself cannot recurse without end.
constexpr int kMaxImportDepth = 32;

std::uint16_t u16_at(std::string_view s, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}

std::uint32_t u32_at(std::string_view s, std::size_t at)
{
    return std::uint32_t(u16_at(s, at)) | std::uint32_t(u16_at(s, at + 2)) << 16;
}

void put_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A 0-terminated little-endian UTF-16 string from `at`, within `limit`, as UTF-8. `end` gets
// the offset after the terminator (or limit). Unpaired surrogates become U+FFFD.
std::string utf16_string(std::string_view s, std::size_t at, std::size_t limit, std::size_t& end)
{
    std::string out;
    std::size_t i = at;
    while (i + 2 <= limit) {
        char32_t c = u16_at(s, i);
        i += 2;
        if (c == 0)
            break;
        if (c >= 0xD800 && c < 0xDC00 && i + 2 <= limit && u16_at(s, i) >= 0xDC00 && u16_at(s, i) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u16_at(s, i) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        put_utf8(out, c);
    }
    end = i;
    return out;
}

bool is_ascii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The name of a file-system shell item: the long name of its 0xBEEF0004 extension block when
// it has one, else the primary (short) name.
std::string file_entry_name(std::string_view item, const NameConverter& to_native)
{
    constexpr std::size_t kNameOffset = 14;
    if (item.size() <= kNameOffset)
        return {};
    const auto type = static_cast<unsigned char>(item[2]);
    if ((type & 0x70) != 0x30)
        return {};

    std::string short_name;
    std::size_t after = kNameOffset;
    if (type & 0x04) {
        short_name = utf16_string(item, kNameOffset, item.size(), after);
    } else {
        const std::size_t nul = item.find('\0', kNameOffset);
        const std::string_view bytes = item.substr(kNameOffset, nul == std::string_view::npos ? nul : nul - kNameOffset);
        if (is_ascii(bytes))
            short_name = bytes;
        else if (to_native)
            short_name = to_native(bytes);
        after = kNameOffset + bytes.size() + 1;
    }

    for (std::size_t block = after; block + 8 <= item.size(); ++block) {
        if (u32_at(item, block + 4) != 0xBEEF0004)
            continue;
        const std::uint16_t version = u16_at(item, block + 2);
        if (version != 3 && version != 7 && version != 8 && version != 9)
            break;
        std::size_t name_at = 18 + (version >= 7 ? 18 : 0) + 2 + (version >= 9 ? 4 : 0) + (version >= 8 ? 4 : 0);
        const std::size_t limit = std::min<std::size_t>(item.size(), block + u16_at(item, block));
        std::size_t end = 0;
        std::string long_name = utf16_string(item, block + name_at, limit, end);
        if (!long_name.empty())
            return long_name;
        break;
    }
    return short_name;
}

// The file name of the last item of an item-ID list (2-byte size, data; a size of 0 ends it).
std::string item_list_name(std::string_view list, const NameConverter& to_native)
{
    std::string_view last;
    std::size_t at = 0;
    while (at + 2 <= list.size()) {
        const std::uint16_t size = u16_at(list, at);
        if (size == 0)
            break;
        if (size < 3 || at + size > list.size())
            return {};
        last = list.substr(at, size);
        at += size;
    }
    return last.empty() ? std::string() : file_entry_name(last, to_native);
}

bool usable_name(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

// The extension starts at the last dot of the file name, as for ".url" alone, which is the
// shortcut of an empty title and must not vanish from the listing as a hidden file would.
std::string_view extension_of(std::string_view file_name)
{
    const std::size_t dot = file_name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : file_name.substr(dot);
}

bool url_extension(std::string_view file_name)
{
    const std::string_view ext = extension_of(file_name);
    return ext.size() == 4 && std::tolower(static_cast<unsigned char>(ext[1])) == 'u' &&
           std::tolower(static_cast<unsigned char>(ext[2])) == 'r' &&
           std::tolower(static_cast<unsigned char>(ext[3])) == 'l';
}

std::string without_extension(std::string_view file_name)
{
    return std::string(file_name.substr(0, file_name.size() - extension_of(file_name).size()));
}

// The entries of a folder sorted by name; nothing when it cannot be read.
std::vector<fs::directory_entry> sorted_entries(const fs::path& folder)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
        return a.path().filename().native() < b.path().filename().native();
    });
    return entries;
}

void import_level(OrderList& order, const fs::path& favorites, std::string_view relative,
                  const MenuOrderLookup& lookup, const NameConverter& to_native, int depth)
{
    if (!lookup || depth > kMaxImportDepth)
        return;
    const std::optional<std::string> value = lookup(relative);
    if (!value)
        return;
    fs::path folder = favorites;
    for (std::size_t start = 0; start < relative.size();) {
        std::size_t end = relative.find('\\', start);
        if (end == std::string_view::npos)
            end = relative.size();
        if (end > start)
            folder /= std::string(relative.substr(start, end - start));
        start = end + 1;
    }

    std::map<std::int32_t, std::string> by_position; // a later record at a taken position is dropped
    for (auto& record : parse_menu_order(*value, to_native)) {
        if (usable_name(record.name))
            by_position.emplace(record.position, std::move(record.name));
    }
    std::vector<std::string> folders;
    for (const auto& [position, name] : by_position) {
        fs::path path = folder / name;
        std::error_code error;
        if (fs::is_directory(path, error))
            folders.push_back(name);
        order.push_back(std::move(path));
    }
    for (const auto& name : folders) {
        const std::string sub = relative.empty() ? name : std::string(relative) + "\\" + name;
        import_level(order, favorites, sub, lookup, to_native, depth + 1);
    }
}

} // namespace

OrderList parse_order(std::string_view text)
{
    OrderList order;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, std::min(end, kMaxOrderLine));
        if (!line.empty())
            order.emplace_back(std::string(line));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return order;
}

std::string format_order(const OrderList& order)
{
    std::string text;
    for (const auto& path : order) {
        const std::string& bytes = path.native();
        if (bytes.empty() || bytes.find('\n') != std::string::npos)
            continue;
        text += bytes;
        text += '\n';
    }
    return text;
}

OrderList read_order_file(const fs::path& file)
{
    try {
        rs2::FileStream in(file.string(), rs2::FileStream::open_read);
        std::string text(static_cast<std::size_t>(in.size()), '\0');
        text.resize(in.read(text.data(), text.size()));
        return parse_order(text);
    } catch (const rs2::IOException&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
}

bool write_order_file(const fs::path& file, const OrderList& order)
{
    try {
        const std::string text = format_order(order);
        rs2::AtomicFileStream out(file.string());
        if (!text.empty() && !out.write(text.data(), text.size()))
            return false;
        out.commit();
        return true;
    } catch (const rs2::IOException&) {
        return false;
    }
}

std::vector<FavoriteItem> list_folder(const fs::path& folder, const OrderList& order, const IconLookup& icon)
{
    std::vector<FavoriteItem> found;
    for (const auto& entry : sorted_entries(folder)) {
        std::error_code error;
        FavoriteItem item;
        item.path = folder / entry.path().filename();
        if (entry.is_directory(error)) {
            item.is_folder = true;
            item.name = entry.path().filename().native();
        } else if (url_extension(entry.path().filename().native())) {
            item.name = without_extension(entry.path().filename().native());
        } else {
            continue;
        }
        found.push_back(std::move(item));
    }

    std::unordered_map<std::string, std::size_t> by_path;
    for (std::size_t i = 0; i < found.size(); ++i)
        by_path.emplace(found[i].path.lexically_normal().native(), i);
    std::vector<bool> placed(found.size(), false);
    std::vector<FavoriteItem> items;
    items.reserve(found.size());
    for (const auto& path : order) {
        const auto it = by_path.find(path.lexically_normal().native());
        if (it != by_path.end() && !placed[it->second]) {
            placed[it->second] = true;
            items.push_back(found[it->second]);
        }
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!placed[i])
            items.push_back(std::move(found[i]));
    }
    for (auto& item : items)
        item.icon = icon ? icon(item.path) : kDefaultIconIndex;
    return items;
}

std::vector<fs::path> list_link_files(const fs::path& links_folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : sorted_entries(links_folder)) {
        std::error_code error;
        if (!entry.is_directory(error))
            files.push_back(links_folder / entry.path().filename());
    }
    return files;
}

OrderList reconcile_link_order(const OrderList& order, const std::vector<fs::path>& files)
{
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < order.size(); ++i)
        first.emplace(order[i].native(), i);
    std::vector<bool> found(order.size(), false);
    std::vector<fs::path> added;
    for (const auto& file : files) {
        const auto it = first.find(file.native());
        if (it != first.end())
            found[it->second] = true;
        else
            added.push_back(file);
    }
    OrderList result;
    result.reserve(order.size() + added.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (found[i])
            result.push_back(order[i]);
    }
    result.insert(result.end(), added.begin(), added.end());
    return result;
}

fs::path links_folder(const fs::path& favorites_folder, std::string_view links_folder_name)
{
    return favorites_folder / (usable_name(links_folder_name) ? std::string(links_folder_name) : std::string("Links"));
}

std::string link_button_text(const fs::path& path) { return without_extension(path.filename().native()); }

std::vector<MenuOrderRecord> parse_menu_order(std::string_view value, const NameConverter& to_native)
{
    std::vector<MenuOrderRecord> records;
    if (value.size() < 4)
        return records;
    std::uint64_t at = std::uint64_t(u32_at(value, 0)) + 12;
    while (at + 8 <= value.size()) {
        const std::uint32_t size = u32_at(value, at);
        MenuOrderRecord record;
        record.position = static_cast<std::int32_t>(u32_at(value, at + 4));
        const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(at + size, value.size()));
        if (end > at + 8)
            record.name = item_list_name(value.substr(at + 8, end - (at + 8)), to_native);
        records.push_back(std::move(record));
        // A record smaller than its own fixed fields would never move on.
        if (size < 8)
            break;
        at += size;
    }
    return records;
}

void import_ie_order(OrderList& order, const fs::path& favorites_folder, std::string_view relative_folder,
                     const MenuOrderLookup& lookup, const NameConverter& to_native)
{
    import_level(order, favorites_folder, relative_folder, lookup, to_native, 0);
}

OrderList load_favorites_order(const fs::path& order_file, bool favorder, const fs::path& favorites_folder,
                               const MenuOrderLookup& lookup, const NameConverter& to_native)
{
    std::error_code error;
    if (!favorder && fs::exists(order_file, error))
        return read_order_file(order_file);
    OrderList order;
    import_ie_order(order, favorites_folder, "", lookup, to_native);
    return order;
}

bool save_favorites_order(const fs::path& order_file, const OrderList& order)
{
    return write_order_file(order_file, order);
}

OrderList load_link_order(const fs::path& order_file) { return read_order_file(order_file); }

bool save_link_order(const fs::path& order_file, const OrderList& order) { return write_order_file(order_file, order); }

std::optional<fs::path> add_favorite(std::string_view title, std::string_view url, const fs::path& folder)
{
    fs::path file = shortcut_path(folder, title);
    if (!write_internet_shortcut(file, url))
        return std::nullopt;
    return file;
}

} // namespace places
