#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <set>
#include <string>
#include <string_view>

#include "res/CommandIds.h"
#include "res/StringTable.h"

namespace {

// True when the UTF-8 text converts to CP932 without loss: every text ends up in Shift_JIS.
bool convertsToCp932(std::string_view utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == iconv_t(-1))
        return false;
    std::string in(utf8);
    std::string out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size();
    size_t dstLeft = out.size();
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    return rc != size_t(-1) && srcLeft == 0;
}

TEST(StringTable, IdsAreSortedAndUniqueSoLookupFindsEveryEntry)
{
    int previous = -1;
    for (const res::StringEntry& e : res::strings()) {
        EXPECT_LT(previous, e.id) << "entry " << e.id << " out of order";
        previous = e.id;
        ASSERT_NE(e.text, nullptr);
        EXPECT_EQ(res::string(e.id), e.text);
    }
}

TEST(StringTable, UnknownIdsGiveNothing)
{
    for (int id : {-1, 0, 99, 113, 145, 32772, 70000}) {
        EXPECT_EQ(res::string(id), nullptr) << id;
        EXPECT_TRUE(res::text(id).empty()) << id;
        EXPECT_TRUE(res::prompt(id).empty()) << id;
        EXPECT_TRUE(res::tooltip(id).empty()) << id;
    }
}

TEST(StringTable, EveryTextSurvivesTheShiftJisConversion)
{
    for (const res::StringEntry& e : res::strings())
        EXPECT_TRUE(convertsToCp932(e.text)) << "entry " << e.id << ": " << e.text;
}

TEST(StringTable, PromptAndTooltipSplitAtTheFirstLineFeed)
{
    EXPECT_EQ(res::prompt(res::cmd::kBack), "前のページに戻ります");
    EXPECT_EQ(res::tooltip(res::cmd::kBack), "戻る");
    // A text without a line feed is all prompt.
    EXPECT_EQ(res::prompt(res::str::kShareIdle), "情報共有待機中");
    EXPECT_TRUE(res::tooltip(res::str::kShareIdle).empty());
    // Command entries are "prompt\ntooltip": a CR would show as garbage in the status bar.
    for (const res::StringEntry& e : res::strings()) {
        if (e.id >= 32768) {
            EXPECT_EQ(std::string_view(e.text).find('\r'), std::string_view::npos) << e.id;
        }
    }
}

TEST(StringTable, MessagesAreByteExact)
{
    EXPECT_STREQ(res::string(144), "Marvoの実行には、IE6.0以上のインストールが必要です");
    EXPECT_STREQ(res::string(139),
                 "\xE8\xA1\xA8\xE7\xA4\xBA\xE3\x81\x95\xE3\x82\x8C\xE3\x81\xA6\xE3\x81\x84\xE3\x82\x8B"
                 "\xE3\x82\xB5\xE3\x82\xA4\xE3\x83\x88\xE3\x81\xAB\xE3\x81\xAF\xE3\x83\xA1\xE3\x83\xA2"
                 "\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x99\xE3\x80\x82\r\n"
                 "\xE3\x83\x95\xE3\x82\xA9\xE3\x83\xB3\xE3\x83\x88\xE3\x82\xB5\xE3\x82\xA4\xE3\x82\xBA"
                 "\xE3\x82\x92\xE5\xA4\x89\xE6\x9B\xB4\xE3\x81\x99\xE3\x82\x8B\xE3\x81\xA8\xE3\x83\xA1"
                 "\xE3\x83\xA2\xE3\x81\xAE\xE4\xBD\x8D\xE7\xBD\xAE\xE3\x81\x8C\xE3\x81\x9A\xE3\x82\x8C"
                 "\xE3\x82\x8B\xE6\x81\x90\xE3\x82\x8C\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE"
                 "\xE3\x81\x99\xE3\x80\x82\xE5\xA4\x89\xE6\x9B\xB4\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x99"
                 "\xE3\x81\x8B\xEF\xBC\x9F");
    EXPECT_STREQ(res::string(110), "ブラウザのサイズを現在のウインドウサイズにあわせます。\r\n"
                                   "メモの位置がずれますがよろしいですか？");
    EXPECT_STREQ(res::string(141), "DDE失敗");
    EXPECT_STREQ(res::string(149), "開こうとしているサイトにはすでに他のメモが存在します。"
                                   "合成するには「はい」置き換えるには「いいえ」を押してください。");
    EXPECT_STREQ(res::string(126), "このオブジェクトは作成者によってロックされているので削除できません。");
    EXPECT_STREQ(res::string(147), "この設定を有効にするにはMarvoを再起動してください。");
    EXPECT_STREQ(res::string(106), "Marvo/1.0 ");  // the trailing space joins the engine's agent
    EXPECT_STREQ(res::string(114), "アドレス/検索:");
    EXPECT_STREQ(res::string(122), "新しいフォルダ");
}

TEST(StringTable, StatusPaneTextsAreByteExact)
{
    const char* share[] = {"情報共有待機中", "検索中・・・", "ダウンロード中・・・", "コミット中・・・",
                           "削除中・・・・"};
    for (int state = 0; state < 5; ++state)
        EXPECT_STREQ(res::string(res::str::kShareStates[state]), share[state]) << "state " << state;
    EXPECT_EQ(res::str::kShareStates[3], 161);
    EXPECT_EQ(res::str::kShareStates[4], 162);
    EXPECT_STREQ(res::string(130), "横幅ロック");
    EXPECT_STREQ(res::string(131), "横幅フリー");
    EXPECT_STREQ(res::string(132), "シングルバッファ");
    EXPECT_STREQ(res::string(133), "ダブルバッファ");
    EXPECT_STREQ(res::string(112), "プライベートエリア");
    // The indicator ids name the pane's initial text.
    for (int id : {res::indicator::kShareState, res::indicator::kBuffering, res::indicator::kWidthLock})
        EXPECT_NE(res::string(id), nullptr) << id;
}

TEST(StringTable, SearchPrefixesAreDistinctQueryAddresses)
{
    std::set<std::string_view> seen;
    for (int id : res::str::kSearchPrefixes) {
        std::string_view prefix = res::text(id);
        EXPECT_EQ(prefix.substr(0, 8), "https://") << id;
        // Search words are appended directly: the prefix must end in an open query value.
        EXPECT_EQ(prefix.back(), '=') << id;
        EXPECT_EQ(prefix.find(' '), std::string_view::npos) << id;
        EXPECT_TRUE(seen.insert(prefix).second) << id;
    }
    EXPECT_EQ(res::text(res::str::kHelpAddress), "https://marvo.example.org/help/");
}

TEST(StringTable, GestureCommandNamesAreDistinctFirstLines)
{
    std::set<std::string_view> names;
    for (int id : res::str::kGestureCommandNames) {
        std::string_view name = res::prompt(id);
        EXPECT_FALSE(name.empty()) << id;
        EXPECT_TRUE(names.insert(name).second) << "duplicate name for " << id;
    }
    // The settings pages list these names by position; spot-check both ends and the one
    // entry that is not a command.
    EXPECT_EQ(res::prompt(res::str::kGestureCommandNames[0]), "現在のページを閉じる");
    EXPECT_EQ(res::prompt(res::str::kGestureCommandNames[3]), "上のサイトへ");
    EXPECT_EQ(res::prompt(res::str::kGestureCommandNames[9]), "サーバのディレクトリ構成のままページをバックアップ");
    EXPECT_EQ(res::prompt(res::str::kGestureCommandNames[13]), "選択部のURLをクリップボードにコピー");
}

TEST(CommandIds, DerivedValuesMatchTheirCommands)
{
    using namespace res::cmd;
    for (int size = 0; size <= 4; ++size) {
        EXPECT_TRUE(isFontSizeCommand(fontSizeCommand(size)));
        EXPECT_EQ(fontSizeOf(fontSizeCommand(size)), size);
    }
    EXPECT_EQ(fontSizeCommand(4), kFontSizeLargest);
    EXPECT_EQ(fontSizeCommand(0), kFontSizeSmallest);
    EXPECT_FALSE(isFontSizeCommand(kFontSizeLargest - 1));

    EXPECT_EQ(autoRefreshSecondsOf(kAutoRefreshOff), 0);
    EXPECT_EQ(autoRefreshSecondsOf(kAutoRefresh5min), 300);
    EXPECT_FALSE(isAutoRefreshCommand(kAutoRefresh5min + 1));

    std::set<int> travel;
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(backListIndex(kBackList[k]), k);
        EXPECT_EQ(forwardListIndex(kForwardList[k]), k);
        EXPECT_EQ(backListIndex(kForwardList[k]), -1);
        travel.insert(kBackList[k]);
        travel.insert(kForwardList[k]);
    }
    EXPECT_EQ(travel.size(), 20u);
}

} // namespace
