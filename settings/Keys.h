#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// Key codes are the Windows virtual-key numbers, the codes the stored key strings were
// named from: digits and capital letters are their character codes, everything else is in
// the key-name table. The widget layer maps Qt keys to these numbers before it asks anything
// here.
enum VirtualKey : int {
    kVkBack = 0x08,
    kVkTab = 0x09,
    kVkReturn = 0x0D,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkMenu = 0x12, // Alt
    kVkSpace = 0x20,
    kVkDelete = 0x2E,
    kVkF1 = 0x70,
    kVkF5 = 0x74,
    kVkF24 = 0x87,
};

struct KeyName {
    int code;
    const char* name;
};

// The 80 named keys, in search order: the first entry with a matching name or code wins.
extern const std::array<KeyName, 80> kKeyNames;

// Name to code: a one-character digit or capital letter gives its character code; otherwise
// the code of the first entry with that name; otherwise -1.
int key_code_from_name(std::string_view name);
// Code to name: digits and capital letters give the character; otherwise the name of the
// first entry with that code; otherwise the empty string.
std::string key_name_from_code(int code);

// The keys held down at one moment, by virtual-key code.
class KeyState {
public:
    KeyState() = default;
    KeyState(std::initializer_list<int> held)
    {
        for (int code : held)
            set(code, true);
    }
    bool is_down(int code) const { return code >= 0 && code < 256 && down_.test(static_cast<std::size_t>(code)); }
    void set(int code, bool down)
    {
        if (code >= 0 && code < 256)
            down_.set(static_cast<std::size_t>(code), down);
    }

private:
    std::bitset<256> down_;
};

// What the shortcut key edit shows: the modifier held at the last key event (0, kVkControl,
// kVkMenu or kVkShift) and the last non-modifier key seen (0 at first).
struct KeyCapture {
    int modifier = 0;
    int last_key = 0;
    bool operator==(const KeyCapture&) const = default;
};

// The capture after a key event with `held` down: Shift beats Alt beats Ctrl; the first key
// down among "0".."9", "A".."Z" and the table becomes the last key, which otherwise stays.
KeyCapture capture_keys(KeyCapture previous, const KeyState& held);
// The text of a capture: "CTRL + ", "ALT + " or "SHIFT + " (or nothing), then the last key's
// name unless there is none yet.
std::string key_string(const KeyCapture& capture);

// A keyboard shortcut ("CTRL + A", "F5", ...) and the command id it runs.
struct KeyCommand {
    std::string key;
    std::int32_t func = 0;
    bool operator==(const KeyCommand&) const = default;
};

struct KeyPollResult {
    int command = -1;          // command id to run on the active tab, -1 for none
    bool delete_tool = false;  // call the active drawing tool's delete operation
    bool delete_latch = false; // the latch to keep for the next pass
};

// One idle pass over the key commands with `held` down. The first command whose keys are
// down fires: "MOD + KEY" needs that modifier and that key; a key alone fires whatever
// modifiers are held; other shapes never fire. When nothing fires, a Delete press with a
// drawing tool active deletes once per press, through the latch.
KeyPollResult poll_key_commands(const std::vector<KeyCommand>& commands, const KeyState& held,
                                bool tab_open, bool tool_active, bool delete_latch);

} // namespace settings
