#include "settings/Gesture.h"

#include <cmath>

namespace settings {

const CommandInfo kCommands[kCommandCount] = {
    {57602, "現在のページを閉じる"},
    {32774, "前のページに戻ります"},
    {32775, "次のページに進みます"},
    {143, "上のサイトへ"},
    {32780, "現在のページのコンテンツを最新の状態に更新します"},
    {32781, "ホームページに戻ります"},
    {57612, "メモを添付したメールの作成"},
    {32798, "メモと一緒にサイトを印刷します"},
    {32816, "矩形選択範囲のみを印刷します"},
    {32826, "サーバのディレクトリ構成のままページをバックアップ"},
    {32877, "右側のタブを全て閉じる"},
    {32878, "左側のタブを全て閉じる"},
    {32879, "このタブ以外を全て閉じる"},
    {32888, "選択部のURLをクリップボードにコピー"},
};

bool is_valid_command(std::int32_t id)
{
    return id >= 0 && id < kCommandCount;
}

std::string GestureRecognizer::gesture_string()
{
    std::string result;
    std::string_view last;
    for (std::size_t i = 0; i + 1 < points_.size(); ++i) {
        const float dx = points_[i + 1].x - points_[i].x;
        const float dy = points_[i + 1].y - points_[i].y;
        if (std::sqrt(dx * dx + dy * dy) < kThreshold)
            continue;
        std::string_view arrow;
        if (std::fabs(dy) < std::fabs(dx))
            arrow = dx > 0 ? kArrowRight : kArrowLeft;
        else
            arrow = dy > 0 ? kArrowDown : kArrowUp;
        if (arrow != last)
            result += arrow;
        last = arrow;
    }
    points_.clear();
    return result;
}

int GestureRecognizer::find(std::string_view gesture) const
{
    for (std::size_t i = 0; i < strings_.size(); ++i) {
        if (strings_[i] == gesture)
            return static_cast<int>(i);
    }
    return -1;
}

void GestureRecognizer::rebuild(const std::vector<GestureCommand>& gestures)
{
    strings_.clear();
    for (const GestureCommand& entry : gestures)
        strings_.push_back(entry.gesture);
}

std::optional<std::string> up_one_level(std::string_view address)
{
    if (address.empty())
        return std::nullopt;
    std::size_t i = address.size() - 1;
    if (address.back() == '/') {
        if (i == 0)
            return std::nullopt;
        --i;
    }
    for (;; --i) {
        if (address[i] == '/') {
            // The slashes after the scheme: this is the site's root.
            if (i > 0 && address[i - 1] == '/')
                return std::nullopt;
            // "/x" alone would leave nothing to go to.
            if (i == 0)
                return std::nullopt;
            return std::string(address.substr(0, i));
        }
        if (i == 0)
            return std::nullopt;
    }
}

} // namespace settings
