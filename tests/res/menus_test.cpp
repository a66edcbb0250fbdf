#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "res/Accelerators.h"
#include "res/CommandIds.h"
#include "res/Menus.h"
#include "res/StringTable.h"
#include "res/Toolbars.h"

namespace {

using res::Menu;
using res::MenuItem;

std::vector<const Menu*> allMenus()
{
    std::vector<const Menu*> out;
    for (const Menu& m : res::menus())
        out.push_back(&m);
    out.push_back(&res::linkBarMenu());
    return out;
}

void forEachPopup(std::span<const MenuItem> items, const std::function<void(const MenuItem&)>& f)
{
    for (const MenuItem& m : items)
        if (m.isPopup()) {
            f(m);
            forEachPopup(m.items, f);
        }
}

// The character after a single '&', or 0. "&&" is a literal ampersand.
std::string mnemonic(std::string_view text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::string(1, char(std::toupper(static_cast<unsigned char>(text[i + 1]))));
    }
    return {};
}

TEST(Menus, AllResourcesExistWithTheirIds)
{
    for (int id : {129, 136, 151, 152, 162, 171, 184}) {
        const Menu* m = res::menu(id);
        ASSERT_NE(m, nullptr) << id;
        EXPECT_EQ(m->id, id);
        EXPECT_FALSE(m->items.empty()) << id;
    }
    EXPECT_EQ(res::menu(128), nullptr);  // the frame shows the tab menu from the start
    EXPECT_EQ(res::menu(130), nullptr);
}

TEST(Menus, EveryMenuCommandHasAPromptAndATooltip)
{
    for (const Menu* m : allMenus())
        for (int command : res::commandsIn(m->items)) {
            EXPECT_FALSE(res::prompt(command).empty()) << "menu " << m->id << " command " << command;
            EXPECT_FALSE(res::tooltip(command).empty()) << "menu " << m->id << " command " << command;
        }
}

TEST(Menus, NoCommandTwiceInOneMenu)
{
    for (const Menu* m : allMenus()) {
        std::set<int> seen;
        for (int command : res::commandsIn(m->items))
            EXPECT_TRUE(seen.insert(command).second) << "menu " << m->id << " repeats " << command;
    }
}

TEST(Menus, ItemsAreWellFormed)
{
    for (const Menu* m : allMenus()) {
        forEachPopup(m->items, [&](const MenuItem& popup) {
            // An empty popup would be taken for a favorites folder and filled with files.
            EXPECT_FALSE(popup.items.empty()) << "menu " << m->id << " popup " << popup.text;
            EXPECT_FALSE(popup.text.empty()) << "menu " << m->id;
            std::map<std::string, std::string_view> keys;
            for (const MenuItem& item : popup.items) {
                if (item.isSeparator()) {
                    EXPECT_TRUE(item.text.empty());
                    EXPECT_EQ(item.command, 0);
                    continue;
                }
                if (item.isCommand()) {
                    EXPECT_GT(item.command, 0) << item.text;
                }
                std::string key = mnemonic(item.text);
                if (!key.empty()) {
                    auto [it, fresh] = keys.emplace(key, item.text);
                    EXPECT_TRUE(fresh) << "menu " << m->id << ": '" << item.text << "' and '"
                                       << it->second << "' share the key " << key;
                }
            }
        });
    }
}

TEST(Menus, MenuBarEntriesHaveDistinctKeys)
{
    std::set<std::string> keys;
    for (const MenuItem& top : res::menu(res::menuid::kTab)->items) {
        EXPECT_TRUE(top.isPopup()) << top.text;
        std::string key = mnemonic(top.text);
        EXPECT_FALSE(key.empty()) << top.text;
        EXPECT_TRUE(keys.insert(key).second) << top.text;
    }
}

// Filling recognises a popup by its first command and appends behind a fixed number of kept
// items; the commands added there pick their entry by (position - kept).
TEST(Menus, FilledPopupsStartWithTheirCommandAndKeepTheirLength)
{
    const Menu* m = res::menu(res::menuid::kTab);
    for (const res::FilledPopup& rule : res::filledPopups()) {
        const MenuItem* popup = res::findPopupOf(m->items, rule.firstCommand);
        ASSERT_NE(popup, nullptr) << "tab menu lacks the popup of " << rule.firstCommand;
        ASSERT_TRUE(popup->items.front().isCommand());
        EXPECT_EQ(popup->items.front().command, rule.firstCommand);
        EXPECT_EQ(int(popup->items.size()), rule.kept) << popup->text;
        // The added entries follow a separator.
        EXPECT_TRUE(popup->items.back().isSeparator()) << popup->text;
    }
    // No other popup may start with one of those commands, or it would be filled too.
    forEachPopup(m->items, [&](const MenuItem& popup) {
        if (popup.items.empty() || !popup.items.front().isCommand())
            return;
        int first = popup.items.front().command;
        for (const res::FilledPopup& rule : res::filledPopups()) {
            if (first == rule.firstCommand) {
                EXPECT_EQ(int(popup.items.size()), rule.kept) << popup.text;
            }
        }
    });
    const MenuItem& rebar = res::menu(res::menuid::kRebar)->items.front();
    EXPECT_EQ(int(rebar.items.size()), res::kRebarKeptItems);
}

TEST(Menus, FavoritesMenuHoldsNoStaticSubfolders)
{
    const MenuItem* favorites =
        res::findPopupOf(res::menu(res::menuid::kTab)->items, res::cmd::kAddFavorite);
    ASSERT_NE(favorites, nullptr);
    for (const MenuItem& item : favorites->items)
        EXPECT_FALSE(item.isPopup()) << item.text;
}

TEST(Menus, EveryCommandWithAPromptIsReachable)
{
    // A prompt for a command that no menu, bar or key offers points at a command left out.
    std::set<int> reachable;
    for (const Menu* m : allMenus())
        for (int command : res::commandsIn(m->items))
            reachable.insert(command);
    for (auto bar : {res::navigationBar(), res::drawingBar()})
        for (const res::ToolbarButton& b : bar)
            reachable.insert(b.command);
    for (const res::Accelerator& a : res::accelerators())
        reachable.insert(a.command);
    for (const res::FilledPopup& rule : res::filledPopups())
        reachable.insert(rule.itemCommand);
    reachable.insert(res::cmd::kToolBandItem);
    for (const res::StringEntry& e : res::strings()) {
        bool isCommand = e.id >= 32768 || std::string_view(e.text).find('\n') != std::string_view::npos;
        if (isCommand && std::string_view(e.text).find('\r') == std::string_view::npos) {
            EXPECT_TRUE(reachable.count(e.id)) << "command " << e.id << " is offered nowhere";
        }
    }
}

TEST(Menus, TravelListsAreTheBackAndForwardIdsInOrder)
{
    const Menu* m = res::menu(res::menuid::kTravelLists);
    ASSERT_EQ(m->items.size(), 2u);
    EXPECT_EQ(res::commandsIn(m->items[0].items),
              std::vector<int>(res::cmd::kBackList.begin(), res::cmd::kBackList.end()));
    EXPECT_EQ(res::commandsIn(m->items[1].items),
              std::vector<int>(res::cmd::kForwardList.begin(), res::cmd::kForwardList.end()));
}

TEST(Menus, TabContextAutoRefreshChoicesAreInIntervalOrder)
{
    using namespace res::cmd;
    const Menu* m = res::menu(res::menuid::kTabContext);
    ASSERT_EQ(m->items.size(), 1u);  // shown as its first popup
    const MenuItem* sub = res::findPopupOf(m->items, kAutoRefresh15s);
    ASSERT_NE(sub, nullptr);
    std::vector<int> seconds;
    for (int command : res::commandsIn(sub->items))
        seconds.push_back(autoRefreshSecondsOf(command));
    EXPECT_EQ(seconds, (std::vector<int>{0, 15, 30, 60, 300}));
    EXPECT_NE(res::findCommand(m->items, kNavigationLock), nullptr);
}

TEST(Accelerators, KeysAreUniqueWellFormedAndBoundToKnownCommands)
{
    static const std::set<std::string> kModifiers{"Ctrl", "Shift", "Alt"};
    static const std::set<std::string> kNamedKeys{"Backspace", "Del", "Ins", "Esc", "Tab", "PgUp", "PgDown", "Left", "Right",
                                                   "+", "=", "-"};
    const Menu* tab = res::menu(res::menuid::kTab);
    std::set<std::string_view> seen;
    for (const res::Accelerator& a : res::accelerators()) {
        EXPECT_TRUE(seen.insert(a.keys).second) << a.keys << " bound twice";
        EXPECT_FALSE(res::prompt(a.command).empty()) << a.keys;
        bool inMenu = res::findCommand(tab->items, a.command) != nullptr;
        EXPECT_TRUE(inMenu || res::cmd::isKeyOnlyCommand(a.command)) << a.keys << " -> " << a.command;

        // "Mod+Mod+Key": modifiers first, then one key in Qt's portable spelling.
        std::vector<std::string> parts;
        std::stringstream ss{std::string(a.keys)};
        for (std::string part; std::getline(ss, part, '+');)
            parts.push_back(part);
        if (a.keys.ends_with("++"))
            parts.back() = "+";  // the plus key itself
        ASSERT_FALSE(parts.empty());
        for (size_t i = 0; i + 1 < parts.size(); ++i)
            EXPECT_TRUE(kModifiers.count(parts[i])) << a.keys;
        const std::string& key = parts.back();
        bool letter = key.size() == 1 && ((key[0] >= 'A' && key[0] <= 'Z') || (key[0] >= '0' && key[0] <= '9'));
        bool function = key.size() >= 2 && key[0] == 'F' && std::all_of(key.begin() + 1, key.end(), ::isdigit);
        EXPECT_TRUE(letter || function || kNamedKeys.count(key)) << a.keys;
    }
    EXPECT_EQ(res::keysFor(res::cmd::kCopy), (std::vector<std::string_view>{"Ctrl+C", "Ctrl+Ins"}));
    EXPECT_TRUE(res::keysFor(res::cmd::kHome).empty());
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(Toolbars, NavigationBarHasThirteenSlotsWithTwoSeparators)
{
    auto bar = res::navigationBar();
    ASSERT_EQ(bar.size(), 13u);
    for (size_t slot = 0; slot < bar.size(); ++slot)
        EXPECT_EQ(bar[slot].isSeparator(), slot == 5 || slot == 9) << slot;
    EXPECT_TRUE(bar[0].dropDown);
    EXPECT_TRUE(bar[1].dropDown);
    EXPECT_EQ(res::text(bar[0].textString), "戻る");
    EXPECT_EQ(res::text(bar[6].textString), "お気に入り");
}

TEST(Toolbars, EveryButtonHasALabelAndAnIconThatShipsInTheResourceFile)
{
    const std::string dir = std::string(MARVO_SOURCE_DIR) + "/res/icons/";
    const std::string qrc = readFile(dir + "icons.qrc");
    ASSERT_FALSE(qrc.empty());
    std::vector<std::string_view> icons{res::kLockIcon, res::kTabCloseIcon, res::kApplicationIcon};
    for (auto bar : {res::navigationBar(), res::drawingBar()})
        for (const res::ToolbarButton& b : bar) {
            if (b.isSeparator())
                continue;
            EXPECT_FALSE(res::tooltip(b.command).empty()) << b.command;
            EXPECT_EQ(res::iconFor(b.command), b.icon);
            icons.push_back(b.icon);
        }
    for (std::string_view icon : icons) {
        ASSERT_EQ(icon.substr(0, 8), ":/icons/") << icon;
        std::string name(icon.substr(8));
        EXPECT_NE(qrc.find("<file>" + name + "</file>"), std::string::npos) << name << " not in icons.qrc";
        std::string svg = readFile(dir + name);
        EXPECT_NE(svg.find("<svg"), std::string::npos) << name;
        EXPECT_NE(svg.find("viewBox="), std::string::npos) << name;
    }
}

TEST(Toolbars, DrawingBarOffersEveryModeThenUndoAndClear)
{
    using namespace res::cmd;
    std::vector<int> commands;
    for (const res::ToolbarButton& b : res::drawingBar())
        commands.push_back(b.command);
    EXPECT_EQ(commands, (std::vector<int>{kBrowseMode, kSelectTool, kFreehandTool, kEraserTool, kTextTool,
                                          kPrimitiveTool, kStampTool, kEffectTool, kUndo, kClearMemos}));
    EXPECT_EQ(res::tooltip(kEffectTool), "効果");
}

} // namespace
