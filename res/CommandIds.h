#pragma once

#include <array>

// Command ids shared by menus, toolbar buttons, accelerators and the string table. They keep
// the numbers the rest of the system (settings files, key and gesture bindings, the string
// table) already uses, so never renumber one.
//
// The gesture and key command numbers 0 to 13 are a different, settings-level numbering and
// do not belong here.
namespace res::cmd {

// File
inline constexpr int kNewTab = 57600;
inline constexpr int kOpen = 32830;
inline constexpr int kReopenLastClosed = 32906;
inline constexpr int kSaveAs = 57604;
inline constexpr int kBackupPage = 32826;
inline constexpr int kWorkOffline = 32912;
inline constexpr int kCloseTab = 57602;
inline constexpr int kSavePageAsImage = 32829;
inline constexpr int kMailWithMemo = 57612;
inline constexpr int kSendInstantMessage = 32824;
inline constexpr int kSaveMemoFile = 32831;
inline constexpr int kOpenMemoFile = 32832;
inline constexpr int kPageSetup = 57606;
inline constexpr int kPrintPreview = 57609;
inline constexpr int kPrint = 57607;
inline constexpr int kPrintWithMemo = 32798;
inline constexpr int kPrintPreviewWithMemo = 32799;
inline constexpr int kPrintSelection = 32816;
inline constexpr int kExit = 57665;

// Edit
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 57644;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kCopyLinkUrls = 32888;
inline constexpr int kPaste = 57637;
inline constexpr int kDelete = 32862;
inline constexpr int kFind = 57636;

// View: bars and panes
inline constexpr int kNavigationBar = 59392;
inline constexpr int kAddressBar = 32773;
inline constexpr int kLinkBar = 32792;
inline constexpr int kDrawingBar = 32789;
inline constexpr int kStatusBar = 59393;
inline constexpr int kFavoritesPane = 32825;
inline constexpr int kHistoryPane = 32827;
inline constexpr int kMemoPane = 32828;

// View: navigation
inline constexpr int kBack = 32774;
inline constexpr int kForward = 32775;
inline constexpr int kStop = 32776;
inline constexpr int kRefresh = 32780;
inline constexpr int kHome = 32781;
inline constexpr int kViewSource = 32863;

// View: text size. kFontSizeLargest gives size 4, each following id one less, down to 0.
inline constexpr int kFontSizeLargest = 32811;
inline constexpr int kFontSizeLarger = 32812;
inline constexpr int kFontSizeMedium = 32813;
inline constexpr int kFontSizeSmaller = 32814;
inline constexpr int kFontSizeSmallest = 32815;
constexpr int fontSizeCommand(int size) { return kFontSizeLargest + 4 - size; }
constexpr int fontSizeOf(int command) { return kFontSizeLargest + 4 - command; }
constexpr bool isFontSizeCommand(int id) { return id >= kFontSizeLargest && id <= kFontSizeSmallest; }

// View: page zoom, one step in or out, or back to 100 %.
inline constexpr int kZoomIn = 33205;
inline constexpr int kZoomOut = 33206;
inline constexpr int kZoomReset = 33207;

// Tab context menu: silence this tab's page, or let it play sound again.
inline constexpr int kMuteTab = 33208;

// Favorites
inline constexpr int kAddFavorite = 32808;
inline constexpr int kOrganizeFavorites = 32810;

// Drawing tools (operation menu and drawing bar)
inline constexpr int kBrowseMode = 32788;
inline constexpr int kSelectTool = 32782;
inline constexpr int kFreehandTool = 32785;
inline constexpr int kEraserTool = 32855;
inline constexpr int kTextTool = 32783;
inline constexpr int kPrimitiveTool = 32790;
inline constexpr int kStampTool = 32856;
inline constexpr int kEffectTool = 32861;
inline constexpr int kClearMemos = 32793;
inline constexpr int kHideMemos = 32913;
inline constexpr int kExportAnnotations = 32914;
inline constexpr int kImportAnnotations = 32915;
// The drawing bar appends placeholder buttons with this id after its tool buttons.
inline constexpr int kDrawingBarPlaceholder = 32796;

// Tools
inline constexpr int kClearPrivateData = 32886;
inline constexpr int kProxyDirect = 32910;
inline constexpr int kProxyInternetOptions = 32911;
inline constexpr int kInternetOptions = 32854;
inline constexpr int kSettings = 32860;

// Downloads window (tools menu)
inline constexpr int kDownloads = 33200;

// The keys every browser has: a new tab on the home page (file menu); the tabs in strip
// order and the address bar's text, which like the pane switch are keys only.
inline constexpr int kNewHomeTab = 33201;
inline constexpr int kNextTab = 33202;
inline constexpr int kPreviousTab = 33203;
inline constexpr int kFocusAddress = 33204;

// Tabs
inline constexpr int kCloseAll = 32822;
inline constexpr int kCloseOthers = 32879;
inline constexpr int kCloseRight = 32877;
inline constexpr int kCloseLeft = 32878;
inline constexpr int kNavigationLock = 32881;

// Auto refresh of a tab: off, 15 s, 30 s, 1 min, 5 min.
inline constexpr int kAutoRefreshOff = 32900;
inline constexpr int kAutoRefresh15s = 32901;
inline constexpr int kAutoRefresh30s = 32902;
inline constexpr int kAutoRefresh1min = 32903;
inline constexpr int kAutoRefresh5min = 32904;
inline constexpr std::array<int, 5> kAutoRefreshSeconds{0, 15, 30, 60, 300};
constexpr bool isAutoRefreshCommand(int id) { return id >= kAutoRefreshOff && id <= kAutoRefresh5min; }
constexpr int autoRefreshSecondsOf(int command) { return kAutoRefreshSeconds[command - kAutoRefreshOff]; }

// Help
inline constexpr int kOnlineHelp = 32794;
inline constexpr int kAbout = 57664;

// Keyboard focus between panes (F6, Shift+F6)
inline constexpr int kNextPane = 57680;
inline constexpr int kPreviousPane = 57681;
constexpr bool isKeyOnlyCommand(int id)
{
    return id == kNextPane || id == kPreviousPane || id == kNextTab || id == kPreviousTab || id == kFocusAddress;
}

// Memo object properties (memo layer popup)
inline constexpr int kObjectProperties = 32823;

// History pane popup
inline constexpr int kHistoryGo = 32777;
inline constexpr int kHistoryOpenInNewTab = 32778;
inline constexpr int kHistoryDelete = 32779;

// Favorites pane popup
inline constexpr int kFavoriteOpen = 32833;
inline constexpr int kFavoriteOpenInNewTab = 32820;
inline constexpr int kFavoriteNewFolder = 32819;
inline constexpr int kFavoriteRename = 32857;
inline constexpr int kFavoriteDelete = 32818;
inline constexpr int kFavoriteProperties = 32817;

// Link bar popup
inline constexpr int kLinkOpen = 32807;
inline constexpr int kLinkOpenInNewTab = 32806;
inline constexpr int kLinkCut = 32805;
inline constexpr int kLinkCopy = 32804;
inline constexpr int kLinkDelete = 32802;
inline constexpr int kLinkRename = 32801;
inline constexpr int kLinkProperties = 32800;

// Items added to menus at run time. Each acts on the item last highlighted; the position
// of that item in its popup, minus the popup's kept items, picks the entry.
inline constexpr int kFavoriteItem = 123;      // favorites menu: open the shortcut
inline constexpr int kTabItem = 127;           // tab menu: activate tab (position - 5)
inline constexpr int kClosedPageItem = 146;    // recently closed: reopen (position - 2)
inline constexpr int kProxyServerItem = 148;   // proxy menu: use server (position - 3)
inline constexpr int kToolBandItem = 150;      // rebar menu: tool band (position - 4)

// Back and forward lists of a tab (menu 152). Entry k of the list carries id [k].
inline constexpr std::array<int, 10> kBackList{32852, 32834, 32835, 32836, 32837,
                                               32838, 32839, 32840, 32841, 32842};
inline constexpr std::array<int, 10> kForwardList{32853, 32851, 32850, 32849, 32848,
                                                  32847, 32846, 32845, 32844, 32843};

// Index of id in the back or forward list, or -1.
constexpr int backListIndex(int id)
{
    for (int i = 0; i < int(kBackList.size()); ++i)
        if (kBackList[i] == id)
            return i;
    return -1;
}
constexpr int forwardListIndex(int id)
{
    for (int i = 0; i < int(kForwardList.size()); ++i)
        if (kForwardList[i] == id)
            return i;
    return -1;
}

} // namespace res::cmd

// Window ids of the main frame's parts.
namespace res::wnd {
inline constexpr int kNavigationBar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kRebar = 59396;
inline constexpr int kPaneFirst = 59648;
inline constexpr int kTabBrowser = 59649;
inline constexpr int kTabStrip = 42;
} // namespace res::wnd

// Indicator ids of the status bar panes after the message pane; the string of the same id
// is the pane's initial text.
namespace res::indicator {
inline constexpr int kShareState = 107;
inline constexpr int kBuffering = 132;
inline constexpr int kWidthLock = 130;
} // namespace res::indicator
