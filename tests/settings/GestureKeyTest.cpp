#include <gtest/gtest.h>

#include "settings/MouseGesture.h"

using namespace settings;

namespace {

// A right-button drag straight down from (100, 100) in equal steps, through the layer's
// gesture state.
MouseOutcome drag_down(Settings& s, float step, float length)
{
    MouseGestureState state;
    const MouseOutcome down = state.right_down(false, 100, 100, 1, false, s);
    EXPECT_TRUE(down.capture);
    EXPECT_FALSE(down.handled);
    float y = 100;
    for (; y + step <= 100 + length; y += step)
        EXPECT_FALSE(state.move(100, y + step, s).handled);
    return state.right_up(100, y, false, s);
}

} // namespace

TEST(Gesture, StraightDownClosesOnlyWithStepsOfSixPixels)
{
    Settings s;
    const MouseOutcome six = drag_down(s, 6, 50);
    EXPECT_TRUE(six.handled);
    EXPECT_TRUE(six.release_capture);
    EXPECT_EQ(six.command, kCmdClose);
    EXPECT_TRUE(s.gesture_recognizer.points().empty());
    // Steps under the threshold give no gesture however long the drag: the release goes on
    // to the page, which shows its context menu.
    const MouseOutcome five = drag_down(s, 5, 50);
    EXPECT_FALSE(five.handled);
    EXPECT_TRUE(five.release_capture);
    EXPECT_EQ(five.command, -1);
}

TEST(Gesture, RockerClicksRunTheirCommandsAndSwallowBothReleases)
{
    Settings s;
    MouseGestureState state;
    // Left held, right pressed: left-then-right.
    EXPECT_FALSE(state.left_down(false, 10, s).handled);
    MouseOutcome click = state.right_down(true, 5, 5, 20, false, s);
    EXPECT_TRUE(click.handled);
    EXPECT_EQ(click.command, s.command_lr);
    EXPECT_EQ(state.rocker_tick(), 20u);
    EXPECT_TRUE(state.left_up().handled);
    EXPECT_TRUE(state.right_up(5, 5, false, s).handled);

    // Right held, left pressed: right-then-left, also while a drawing tool is active.
    EXPECT_TRUE(state.right_down(false, 5, 5, 30, true, s).command == -1);
    click = state.left_down(true, 40, s);
    EXPECT_TRUE(click.handled);
    EXPECT_EQ(click.command, s.command_rl);
    MouseOutcome up = state.right_up(5, 5, true, s);
    EXPECT_TRUE(up.handled);
    EXPECT_TRUE(up.release_capture);
    EXPECT_EQ(up.command, -1);

    // The next press starts afresh.
    EXPECT_FALSE(state.left_down(false, 50, s).handled);
    EXPECT_FALSE(state.left_up().handled);
}

TEST(Gesture, StaleRecognizerRunsNothing)
{
    Settings s;
    s.gestures.clear(); // the recognizer still holds the defaults
    MouseGestureState state;
    state.right_down(false, 0, 0, 1, false, s);
    EXPECT_EQ(state.right_up(0, 40, false, s).command, -1);
}

TEST(Gesture, DirectionsCollapseAndTiesAreVertical)
{
    GestureRecognizer g;
    const std::string right_up = std::string(kArrowRight) + std::string(kArrowUp);
    for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {20, 1}, {30, 0}, {30, -10}, {31, -20}})
        g.add_point(static_cast<float>(x), static_cast<float>(y));
    EXPECT_EQ(g.gesture_string(), right_up);

    g.add_point(0, 0);
    g.add_point(7, 7);
    EXPECT_EQ(g.gesture_string(), kArrowDown);
    g.add_point(0, 0);
    g.add_point(-7, -7);
    EXPECT_EQ(g.gesture_string(), kArrowUp);
    g.add_point(0, 0);
    g.add_point(-8, 7);
    EXPECT_EQ(g.gesture_string(), kArrowLeft);

    // Short steps in between do not break a run of the same direction.
    for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {12, 2}, {22, 2}})
        g.add_point(static_cast<float>(x), static_cast<float>(y));
    EXPECT_EQ(g.gesture_string(), kArrowRight);

    EXPECT_EQ(g.gesture_string(), "");
    g.add_point(5, 5);
    EXPECT_EQ(g.gesture_string(), "");
}

TEST(Gesture, FindAndRebuildFollowTheGestureList)
{
    Settings s;
    EXPECT_EQ(s.gesture_recognizer.find(std::string(kArrowRight) + std::string(kArrowUp)), 4);
    EXPECT_EQ(s.gesture_recognizer.find(""), -1);
    s.gestures = {{std::string(kArrowUp), 7}, {std::string(kArrowUp), 8}};
    EXPECT_EQ(s.gesture_recognizer.find(std::string(kArrowUp)), -1); // not rebuilt yet
    s.rebuild_gesture_table();
    EXPECT_EQ(s.gesture_recognizer.find(std::string(kArrowUp)), 0); // first equal entry
    EXPECT_EQ(s.gesture_recognizer.find(std::string(kArrowDown)), -1);
}

TEST(Keys, NameTableLookups)
{
    EXPECT_EQ(key_code_from_name("A"), 'A');
    EXPECT_EQ(key_code_from_name("7"), '7');
    EXPECT_EQ(key_code_from_name("a"), -1);
    EXPECT_EQ(key_code_from_name("F5"), 0x74);
    EXPECT_EQ(key_code_from_name("\\"), 0xDC);
    EXPECT_EQ(key_code_from_name("F25"), -1);
    EXPECT_EQ(key_code_from_name(""), -1);

    EXPECT_EQ(key_name_from_code('Z'), "Z");
    EXPECT_EQ(key_name_from_code(0x11), "");
    EXPECT_EQ(key_name_from_code('a'), "NUMPAD1"); // 0x61: a code, not a character
    EXPECT_EQ(key_name_from_code(0xFF), "");

    for (const KeyName& entry : kKeyNames)
        EXPECT_EQ(key_code_from_name(key_name_from_code(entry.code)), entry.code) << entry.name;
}

TEST(Keys, CaptureComposesModifierAndLastKey)
{
    KeyCapture c;
    c = capture_keys(c, {'A'});
    EXPECT_EQ(key_string(c), "A");
    // Ctrl alone after A keeps A.
    c = capture_keys(c, {kVkControl});
    EXPECT_EQ(key_string(c), "CTRL + A");
    // Shift beats Alt beats Ctrl.
    EXPECT_EQ(key_string(capture_keys(c, {kVkControl, kVkMenu})), "ALT + A");
    EXPECT_EQ(key_string(capture_keys(c, {kVkControl, kVkMenu, kVkShift, kVkF5})), "SHIFT + F5");
    // Digits before letters before the table.
    EXPECT_EQ(key_string(capture_keys({}, {'Q', '3', kVkF1})), "3");
    EXPECT_EQ(key_string(capture_keys({}, {kVkF1, 'Q'})), "Q");
    EXPECT_EQ(key_string(capture_keys({}, {kVkF5, 0xC0})), "`");
    // A modifier alone at first shows just the modifier part.
    EXPECT_EQ(key_string(capture_keys({}, {kVkMenu})), "ALT + ");
    EXPECT_EQ(key_string(capture_keys({}, {})), "");
}

TEST(Keys, PollMatchesOneOrTwoTokens)
{
    const std::vector<KeyCommand> keys = {
        {"F5", kCmdRefresh}, {"CTRL + W", kCmdClose}, {"SHIFT + ,", kCmdBack}, {"CTRL + ALT + X", 9}, {"NOPE", 6}};
    auto fired = [&](const KeyState& held) { return poll_key_commands(keys, held, true, false, false).command; };
    EXPECT_EQ(fired({kVkF5}), kCmdRefresh);
    EXPECT_EQ(fired({kVkF5, kVkControl}), kCmdRefresh); // one token ignores modifiers
    EXPECT_EQ(fired({'W'}), -1);
    EXPECT_EQ(fired({'W', kVkControl}), kCmdClose);
    EXPECT_EQ(fired({'W', kVkMenu}), -1);
    EXPECT_EQ(fired({0xBC, kVkShift}), kCmdBack);
    EXPECT_EQ(fired({'X', kVkControl, kVkMenu}), -1); // three tokens never fire
    EXPECT_EQ(fired({}), -1);
    // First match in list order wins.
    EXPECT_EQ(fired({kVkF5, 'W', kVkControl}), kCmdRefresh);
    // No tab, no command.
    EXPECT_EQ(poll_key_commands(keys, {kVkF5}, false, false, false).command, -1);
}

TEST(Keys, DeleteActsOncePerPress)
{
    const std::vector<KeyCommand> none;
    bool latch = false;
    int deletes = 0;
    auto pass = [&](const KeyState& held, bool tab, bool tool) {
        const KeyPollResult r = poll_key_commands(none, held, tab, tool, latch);
        latch = r.delete_latch;
        deletes += r.delete_tool ? 1 : 0;
    };
    for (int i = 0; i < 5; ++i)
        pass({kVkDelete}, true, true);
    EXPECT_EQ(deletes, 1);
    pass({}, true, true);
    EXPECT_FALSE(latch);
    pass({kVkDelete}, true, true);
    EXPECT_EQ(deletes, 2);
    // Without a tool or a tab the latch is cleared and nothing is deleted.
    pass({kVkDelete}, true, false);
    EXPECT_FALSE(latch);
    pass({kVkDelete}, false, true);
    EXPECT_FALSE(latch);
    EXPECT_EQ(deletes, 2);

    // A shortcut on DELETE wins and leaves the latch alone.
    const KeyPollResult r = poll_key_commands({{"DELETE", 0}}, {kVkDelete}, true, true, false);
    EXPECT_EQ(r.command, 0);
    EXPECT_FALSE(r.delete_tool);
}

TEST(UpOneLevel, FilesFoldersAndRoots)
{
    EXPECT_EQ(up_one_level("http://www.example.jp/docs/page.html"), "http://www.example.jp/docs");
    EXPECT_EQ(up_one_level("http://www.example.jp/docs/sub/"), "http://www.example.jp/docs");
    EXPECT_EQ(up_one_level("http://www.example.jp/docs"), "http://www.example.jp");
    EXPECT_EQ(up_one_level("http://www.example.jp/"), std::nullopt);
    EXPECT_EQ(up_one_level("http://www.example.jp"), std::nullopt);
    EXPECT_EQ(up_one_level(""), std::nullopt);
    EXPECT_EQ(up_one_level("/"), std::nullopt);
    EXPECT_EQ(up_one_level("/x"), std::nullopt);
    EXPECT_EQ(up_one_level("about:blank"), std::nullopt);
}

TEST(Gesture, RockerClickEndsTheDragItInterrupted)
{
    Settings s;
    MouseGestureState state;
    state.right_down(false, 0, 0, 1, false, s);
    state.left_down(true, 2, s);
    EXPECT_TRUE(state.right_up(0, 0, false, s).handled);
    EXPECT_FALSE(state.tracking());
    // With a tool active the next right click belongs to the tool, not to the old drag.
    EXPECT_FALSE(state.right_down(false, 0, 0, 3, true, s).handled);
    const MouseOutcome up = state.right_up(0, 60, true, s);
    EXPECT_FALSE(up.handled);
    EXPECT_EQ(up.command, -1);
}
