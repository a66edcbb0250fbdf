#include "res/Menus.h"

#include <algorithm>
#include <initializer_list>

#include "res/CommandIds.h"

namespace res {
namespace {

using namespace res::cmd;

MenuItem item(std::string_view text, int command)
{
    MenuItem m;
    m.kind = MenuItem::Kind::Command;
    m.text = text;
    m.command = command;
    return m;
}

MenuItem separator()
{
    return MenuItem{};
}

MenuItem popup(std::string_view text, std::initializer_list<MenuItem> items)
{
    MenuItem m;
    m.kind = MenuItem::Kind::Popup;
    m.text = text;
    m.items = items;
    return m;
}

// Popups shared by the frame menu and the tab menu. The fixed head of the filled popups
// (recently closed, favorites, tabs, proxy) must keep its length: the commands added behind
// it find their entry by position.

MenuItem recentlyClosedPopup()
{
    return popup("最近閉じたページ(&R)", {item("最後に閉じたページ", kReopenLastClosed), separator()});
}

void barsItems(std::vector<MenuItem>& out)
{
    out.push_back(item("ツール バー(&T)", kNavigationBar));
    out.push_back(item("アドレス バー", kAddressBar));
    out.push_back(item("リンクバー", kLinkBar));
    out.push_back(item("描画バー", kDrawingBar));
    out.push_back(item("ステータス バー(&S)", kStatusBar));
}

MenuItem explorerBarPopup()
{
    return popup("エクスプローラ バー(&E)", {
        item("お気に入り", kFavoritesPane),
        item("履歴", kHistoryPane),
        item("メモ履歴", kMemoPane),
    });
}

MenuItem favoritesPopup()
{
    return popup("お気に入り(&A)", {
        item("お気に入りに追加(&A)...", kAddFavorite),
        item("お気に入りの整理(&O)...", kOrganizeFavorites),
        separator(),
    });
}

MenuItem toolsPopup()
{
    return popup("ツール(&T)", {
        item("個人情報の消去", kClearPrivateData),
        item("ダウンロード(&D)", kDownloads),
        separator(),
        popup("プロキシ(&P)", {
            item("直接接続", kProxyDirect),
            item("インターネットオプションで接続", kProxyInternetOptions),
            separator(),
        }),
        separator(),
        item("インターネットオプション", kInternetOptions),
        item("Marvoの設定", kSettings),
    });
}

MenuItem helpPopup()
{
    return popup("ヘルプ(&H)", {
        item("Marvoオンラインヘルプ(&O)", kOnlineHelp),
        separator(),
        item("バージョン情報 Marvo(&A)...", kAbout),
    });
}

Menu tabMenu()
{
    MenuItem view = popup("表示(&V)", {});
    barsItems(view.items);
    view.items.push_back(explorerBarPopup());
    view.items.push_back(separator());
    for (auto m : {item("戻る", kBack), item("次に進む", kForward), item("中止", kStop),
                   item("最新の情報に更新", kRefresh), item("ホーム", kHome)})
        view.items.push_back(m);
    view.items.push_back(separator());
    view.items.push_back(popup("文字のサイズ(&X)", {
        item("最大", kFontSizeLargest),
        item("大", kFontSizeLarger),
        item("中", kFontSizeMedium),
        item("小", kFontSizeSmaller),
        item("最小", kFontSizeSmallest),
    }));
    view.items.push_back(popup("ズーム(&Z)", {
        item("拡大(&I)", kZoomIn),
        item("縮小(&O)", kZoomOut),
        item("元のサイズ(&R)", kZoomReset),
    }));
    view.items.push_back(separator());
    view.items.push_back(item("ソース", kViewSource));

    return Menu{menuid::kTab, {
        popup("ファイル(&F)", {
            item("新規作成", kNewTab),
            item("新しいタブ(&T)", kNewHomeTab),
            item("開く...", kOpen),
            item("メモを開く", kOpenMemoFile),
            separator(),
            recentlyClosedPopup(),
            separator(),
            item("名前を付けて保存(&A)...", kSaveAs),
            item("ページのバックアップ", kBackupPage),
            item("ページを画像にして保存", kSavePageAsImage),
            item("メールに添付できる形で保存", kSaveMemoFile),
            separator(),
            item("メモを添付したメールの作成", kMailWithMemo),
            item("インスタントメッセージの送信(&I)", kSendInstantMessage),
            separator(),
            item("ページ設定(&U)...", kPageSetup),
            item("印刷プレビュー", kPrintPreview),
            item("印刷(&P)", kPrint),
            item("メモごと印刷", kPrintWithMemo),
            item("メモごと印刷プレビュー", kPrintPreviewWithMemo),
            item("選択領域の印刷", kPrintSelection),
            separator(),
            item("オフライン作業", kWorkOffline),
            item("閉じる(&C)", kCloseTab),
            item("アプリケーションの終了(&X)", kExit),
        }),
        popup("編集(&E)", {
            item("元に戻す(&U)", kUndo),
            item("やり直し(&R)", kRedo),
            separator(),
            item("切り取り(&T)", kCut),
            item("コピー(&C)", kCopy),
            item("選択部のURLをコピー", kCopyLinkUrls),
            item("貼り付け(&P)", kPaste),
            item("削除(&D)", kDelete),
            separator(),
            item("このページの検索(&F)", kFind),
        }),
        view,
        favoritesPopup(),
        popup("操作(&O)", {
            item("閲覧モード", kBrowseMode),
            separator(),
            item("選択モード", kSelectTool),
            item("フリーハンド", kFreehandTool),
            item("消しゴム", kEraserTool),
            item("テキスト", kTextTool),
            item("図形", kPrimitiveTool),
            item("スタンプ", kStampTool),
            item("特殊効果", kEffectTool),
            separator(),
            item("クリア", kClearMemos),
            item("メモを隠す(&H)", kHideMemos),
            separator(),
            item("このページのメモをエクスポート...", kExportAnnotations),
            item("メモをインポート...", kImportAnnotations),
        }),
        toolsPopup(),
        popup("ウィンドウ(&W)", {
            item("全て閉じる", kCloseAll),
            item("このタブ以外を閉じる", kCloseOthers),
            item("右を全て閉じる", kCloseRight),
            item("左を全て閉じる", kCloseLeft),
            separator(),
        }),
        helpPopup(),
    }};
}

std::vector<MenuItem> travelList(const std::array<int, 10>& ids)
{
    std::vector<MenuItem> out;
    for (int id : ids)
        out.push_back(item("", id));
    return out;
}

std::vector<Menu> buildMenus()
{
    std::vector<Menu> all;
    all.push_back(tabMenu());
    all.push_back(Menu{menuid::kHistoryPane, {
        popup("履歴", {
            item("移動", kHistoryGo),
            item("開く", kHistoryOpenInNewTab),
            separator(),
            item("削除", kHistoryDelete),
        }),
    }});
    all.push_back(Menu{menuid::kFavoritesPane, {
        popup("お気に入り", {
            item("開く(&O)", kFavoriteOpen),
            item("新しいタブで開く(&N)", kFavoriteOpenInNewTab),
            separator(),
            item("フォルダの新規作成(&W)", kFavoriteNewFolder),
            item("名前の変更(&M)", kFavoriteRename),
            item("削除(&D)", kFavoriteDelete),
            separator(),
            item("プロパティ(&R)", kFavoriteProperties),
        }),
    }});
    // The texts of the travel lists are the page titles, set when the list is shown.
    MenuItem back = popup("戻る", {});
    back.items = travelList(kBackList);
    MenuItem forward = popup("進む", {});
    forward.items = travelList(kForwardList);
    all.push_back(Menu{menuid::kTravelLists, {back, forward}});
    all.push_back(Menu{menuid::kMemoObject, {
        popup("オブジェクト", {item("プロパティ(&P)", kObjectProperties)}),
    }});
    all.push_back(Menu{menuid::kTabContext, {
        popup("タブ", {
            item("閉じる", kCloseTab),
            item("右を全て閉じる", kCloseRight),
            item("左を全て閉じる", kCloseLeft),
            item("このタブ以外を閉じる", kCloseOthers),
            separator(),
            item("前に戻る", kBack),
            item("次に進む", kForward),
            separator(),
            item("お気に入りに追加", kAddFavorite),
            item("ページのバックアップ", kBackupPage),
            item("選択範囲の印刷", kPrintSelection),
            separator(),
            item("更新", kRefresh),
            popup("自動更新", {
                item("自動更新しない", kAutoRefreshOff),
                item("15秒", kAutoRefresh15s),
                item("30秒", kAutoRefresh30s),
                item("1分", kAutoRefresh1min),
                item("5分", kAutoRefresh5min),
            }),
            separator(),
            item("ナビゲーションロック", kNavigationLock),
            item("このタブの音を消す", kMuteTab),
        }),
    }});
    all.push_back(Menu{menuid::kRebar, {
        popup("バー", {
            item("ツールバー", kNavigationBar),
            item("アドレスバー", kAddressBar),
            item("リンクバー", kLinkBar),
            separator(),
        }),
    }});
    return all;
}

const std::vector<Menu>& allMenus()
{
    static const std::vector<Menu> menus = buildMenus();
    return menus;
}

constexpr FilledPopup kFilled[] = {
    {kAddFavorite, 3, kFavoriteItem},
    {kCloseAll, 5, kTabItem},
    {kReopenLastClosed, 2, kClosedPageItem},
    {kProxyDirect, 3, kProxyServerItem},
};

} // namespace

std::span<const Menu> menus()
{
    return allMenus();
}

const Menu* menu(int id)
{
    for (const Menu& m : allMenus())
        if (m.id == id)
            return &m;
    return nullptr;
}

const Menu& linkBarMenu()
{
    static const Menu m{0, {
        popup("リンク", {
            item("開く(&O)", kLinkOpen),
            item("新しいタブで開く(&N)", kLinkOpenInNewTab),
            separator(),
            item("切り取り(&T)", kLinkCut),
            item("コピー(&C)", kLinkCopy),
            item("削除(&D)", kLinkDelete),
            item("名前の変更(&M)", kLinkRename),
            separator(),
            item("プロパティ(&R)", kLinkProperties),
        }),
    }};
    return m;
}

std::span<const FilledPopup> filledPopups()
{
    return kFilled;
}

const MenuItem* findCommand(std::span<const MenuItem> items, int command)
{
    for (const MenuItem& m : items) {
        if (m.isCommand() && m.command == command)
            return &m;
        if (m.isPopup())
            if (const MenuItem* found = findCommand(m.items, command))
                return found;
    }
    return nullptr;
}

const MenuItem* findPopupOf(std::span<const MenuItem> items, int command)
{
    for (const MenuItem& m : items) {
        if (!m.isPopup())
            continue;
        for (const MenuItem& sub : m.items)
            if (sub.isCommand() && sub.command == command)
                return &m;
        if (const MenuItem* found = findPopupOf(m.items, command))
            return found;
    }
    return nullptr;
}

std::vector<int> commandsIn(std::span<const MenuItem> items)
{
    std::vector<int> out;
    for (const MenuItem& m : items) {
        if (m.isCommand())
            out.push_back(m.command);
        else if (m.isPopup()) {
            auto sub = commandsIn(m.items);
            out.insert(out.end(), sub.begin(), sub.end());
        }
    }
    return out;
}

} // namespace res
