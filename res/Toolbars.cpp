#include "res/Toolbars.h"

#include "res/CommandIds.h"
#include "res/StringTable.h"

namespace res {
namespace {

using namespace res::cmd;

constexpr ToolbarButton kNavigation[] = {
    {kBack, ":/icons/back.svg", str::kBackButton, true},
    {kForward, ":/icons/forward.svg", 0, true},
    {kStop, ":/icons/stop.svg"},
    {kRefresh, ":/icons/refresh.svg"},
    {kHome, ":/icons/home.svg"},
    {0, ""},
    {kFavoritesPane, ":/icons/favorites.svg", str::kFavoritesButton},
    {kHistoryPane, ":/icons/history.svg"},
    {kMemoPane, ":/icons/memo-pane.svg"},
    {0, ""},
    {kPrintWithMemo, ":/icons/print-memo.svg"},
    {kMailWithMemo, ":/icons/mail-memo.svg"},
    {kSendInstantMessage, ":/icons/instant-message.svg"},
};

constexpr ToolbarButton kDrawing[] = {
    {kBrowseMode, ":/icons/browse.svg"},
    {kSelectTool, ":/icons/select.svg"},
    {kFreehandTool, ":/icons/freehand.svg"},
    {kEraserTool, ":/icons/eraser.svg"},
    {kTextTool, ":/icons/text.svg"},
    {kPrimitiveTool, ":/icons/primitive.svg"},
    {kStampTool, ":/icons/stamp.svg"},
    {kEffectTool, ":/icons/effect.svg"},
    {kUndo, ":/icons/undo.svg"},
    {kClearMemos, ":/icons/clear.svg"},
};

} // namespace

std::span<const ToolbarButton> navigationBar()
{
    return kNavigation;
}

std::span<const ToolbarButton> drawingBar()
{
    return kDrawing;
}

std::string_view iconFor(int command)
{
    if (command == 0)
        return {};
    for (const ToolbarButton& b : kNavigation)
        if (b.command == command)
            return b.icon;
    for (const ToolbarButton& b : kDrawing)
        if (b.command == command)
            return b.icon;
    return {};
}

} // namespace res
