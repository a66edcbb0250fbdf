#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "places/Shortcut.h"

// Favorites and links are the ".url" files of the data folder's "Favorites" folder and its
// links subfolder; the system keeps only their display order, in order files beside the
// other data files. Paths are native file-system paths; an order file holds their native
// bytes, one per line.
namespace places {

using OrderList = std::vector<std::filesystem::path>;

inline constexpr const char* kFavoritesOrderFile = "favorite.dat";
inline constexpr const char* kLinkOrderFile = "link.dat";
inline constexpr std::size_t kMaxOrderLine = 1024;

// Order file text: lines split at line feeds only, empty lines skipped, at most
// kMaxOrderLine bytes of a line taken (the rest of an over-long line is dropped).
OrderList parse_order(std::string_view text);
// One path per line, each ended by a line feed. A path holding a line feed cannot be stored
// and is left out rather than split into two entries.
std::string format_order(const OrderList& order);

// A missing or unreadable file gives an empty list.
OrderList read_order_file(const std::filesystem::path& file);
// Written beside and renamed into place; false on failure.
bool write_order_file(const std::filesystem::path& file, const OrderList& order);

// One item of a favorites folder listing.
struct FavoriteItem {
    std::string name;             // file name without ".url", or the folder name (file-system encoding)
    std::filesystem::path path;   // full path
    bool is_folder = false;
    int icon = 0;                 // image-list index from the icon lookup

    friend bool operator==(const FavoriteItem&, const FavoriteItem&) = default;
};

// Gives the image-list index of a path; supplied by the platform layer.
using IconLookup = std::function<int(const std::filesystem::path&)>;
// The index used when no lookup is given: the default page icon.
inline constexpr int kDefaultIconIndex = 4;

// The sub-folders and ".url" files (extension compared without case) of `folder`: first
// those the order list names, in its order (first match of an equal path), then the rest
// in enumeration order (by name). A missing folder lists nothing.
std::vector<FavoriteItem> list_folder(const std::filesystem::path& folder, const OrderList& order,
                                      const IconLookup& icon = {});

// The files (not sub-folders) of the links folder, by name.
std::vector<std::filesystem::path> list_link_files(const std::filesystem::path& links_folder);
// The link bar's order: the entries of `order` that are among `files` (first match only), in
// order, then the files that no entry named, in their order.
OrderList reconcile_link_order(const OrderList& order, const std::vector<std::filesystem::path>& files);
// The button text of a link: its file name without directory and extension.
std::string link_button_text(const std::filesystem::path& path);

// The links folder: favorites / the registry's "LinksFolderName" value. A value that is not a
// plain folder name (empty, "." or "..", with a separator) falls back to "Links".
std::filesystem::path links_folder(const std::filesystem::path& favorites_folder, std::string_view links_folder_name);

// --- Importing the menu order of the other browser ---------------------------------------

// Reads the binary "Order" value of the key ...\MenuOrder\Favorites, followed by a backslash
// and `relative_folder` when that is not empty ("News\Japan"); nullopt when the key or the
// value is missing. The registry store provides it.
using MenuOrderLookup = std::function<std::optional<std::string>(std::string_view relative_folder)>;

struct MenuOrderRecord {
    std::int32_t position = 0;
    std::string name; // the item's file name, file-system encoding; empty when unreadable

    friend bool operator==(const MenuOrderRecord&, const MenuOrderRecord&) = default;
};

// The records of an "Order" value in value order: the first at (32-bit value at 0) + 12, each
// with its size at 0, its position at 4 and a shell item-ID list from 8. Names are taken from
// the last item of the list: the long name of its file-entry extension when present, else
// its short name (through `to_native` when it is not ASCII).
std::vector<MenuOrderRecord> parse_menu_order(std::string_view value, const NameConverter& to_native = {});

// Appends to `order` the favorites of `relative_folder` ("" for the top) in menu order, then
// does the same for each listed sub-folder that exists. A missing value leaves `order` as it
// is; records with an unusable name (empty, "." or "..", a separator) are skipped.
void import_ie_order(OrderList& order, const std::filesystem::path& favorites_folder,
                     std::string_view relative_folder, const MenuOrderLookup& lookup,
                     const NameConverter& to_native = {});

// --- The stores as the application uses them ---------------------------------------------

// At start-up: `order_file` when it exists and `favorder` is off, else the imported menu order.
OrderList load_favorites_order(const std::filesystem::path& order_file, bool favorder,
                               const std::filesystem::path& favorites_folder, const MenuOrderLookup& lookup,
                               const NameConverter& to_native = {});
bool save_favorites_order(const std::filesystem::path& order_file, const OrderList& order);
OrderList load_link_order(const std::filesystem::path& order_file);
bool save_link_order(const std::filesystem::path& order_file, const OrderList& order);

// Writes the shortcut for (title, url) into `folder` and returns its path; nullopt when the
// file cannot be created (the caller shows "ファイルを作成できませんでした。").
// The title is native text (UTF-8).
std::optional<std::filesystem::path> add_favorite(std::string_view title, std::string_view url,
                                                  const std::filesystem::path& folder);

} // namespace places
