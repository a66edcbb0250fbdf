#include "res/EngineTexts.h"

namespace res {
namespace {

constexpr std::string_view kPageMenu = "RenderViewContextMenuQt";

constexpr EngineText kTexts[] = {
    {kPageMenu, "Back", "戻る"},
    {kPageMenu, "Forward", "進む"},
    {kPageMenu, "Reload", "再読み込み"},
    {kPageMenu, "Cut", "切り取り"},
    {kPageMenu, "Copy", "コピー"},
    {kPageMenu, "Paste", "貼り付け"},
    {kPageMenu, "Paste and match style", "貼り付けてスタイルを合わせる"},
    {kPageMenu, "Undo", "元に戻す"},
    {kPageMenu, "Redo", "やり直し"},
    {kPageMenu, "Select all", "すべて選択"},
    {kPageMenu, "Open link in new window", "リンクを新しいウィンドウで開く"},
    {kPageMenu, "Open link in new tab", "リンクを新しいタブで開く"},
    {kPageMenu, "Copy link address", "リンクのアドレスをコピー"},
    {kPageMenu, "Save link", "リンク先を保存"},
    {kPageMenu, "Copy image", "画像をコピー"},
    {kPageMenu, "Copy image address", "画像のアドレスをコピー"},
    {kPageMenu, "Save image", "画像を保存"},
    {kPageMenu, "Copy media address", "メディアのアドレスをコピー"},
    {kPageMenu, "Show controls", "コントロールを表示"},
    {kPageMenu, "Loop", "ループ再生"},
    {kPageMenu, "Save media", "メディアを保存"},
    {kPageMenu, "Inspect", "検証"},
    {kPageMenu, "Exit full screen", "全画面表示を終了"},
    {kPageMenu, "Save page", "ページを保存"},
    {kPageMenu, "View page source", "ページのソースを表示"},
};

} // namespace

std::span<const EngineText> engine_texts()
{
    return kTexts;
}

} // namespace res
