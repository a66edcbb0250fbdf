#pragma once

#include <span>
#include <string_view>
#include <vector>

// Menus as data. Widgets build their menus from these trees; texts are UTF-8 with '&' before
// the mnemonic character.
namespace res {

struct MenuItem {
    enum class Kind { Command, Separator, Popup };

    Kind kind = Kind::Separator;
    std::string_view text;         // empty for a separator
    int command = 0;               // 0 for separators and popups
    std::vector<MenuItem> items;   // a popup's items

    bool isCommand() const { return kind == Kind::Command; }
    bool isSeparator() const { return kind == Kind::Separator; }
    bool isPopup() const { return kind == Kind::Popup; }
};

// A menu resource: its top-level items. A menu bar shows them as its entries; a context menu
// resource holds one popup per menu it offers (menu 152 holds two).
struct Menu {
    int id = 0;
    std::vector<MenuItem> items;
};

namespace menuid {
inline constexpr int kTab = 129;            // main menu bar while the frame exists
inline constexpr int kHistoryPane = 136;    // history pane popup
inline constexpr int kFavoritesPane = 151;  // favorites pane popup
inline constexpr int kTravelLists = 152;    // back list popup, forward list popup
inline constexpr int kMemoObject = 162;     // select tool popup on a memo object
inline constexpr int kTabContext = 171;     // tab strip popup
inline constexpr int kRebar = 184;          // rebar popup; tool bands are appended
} // namespace menuid

// Every menu resource, in id order.
std::span<const Menu> menus();

// The menu resource id, or nullptr.
const Menu* menu(int id);

// The link bar's context menu (it has no resource number of its own).
const Menu& linkBarMenu();

// Popups whose tail is filled at run time. A popup is recognised by its first item's command;
// its first `kept` items stay and one item per entry is appended with `itemCommand`, so entry
// i sits at position kept + i.
struct FilledPopup {
    int firstCommand;
    int kept;
    int itemCommand;
};
std::span<const FilledPopup> filledPopups();

// The rebar menu keeps all of its items; tool band i sits at position kRebarKeptItems + i.
inline constexpr int kRebarKeptItems = 4;

// The first item with this command in the tree under items (depth first), or nullptr.
const MenuItem* findCommand(std::span<const MenuItem> items, int command);

// The popup containing an item with this command (depth first), or nullptr.
const MenuItem* findPopupOf(std::span<const MenuItem> items, int command);

// Every command id in the tree under items, depth first, in menu order.
std::vector<int> commandsIn(std::span<const MenuItem> items);

} // namespace res
