#include "settings/Keys.h"

namespace settings {

const std::array<KeyName, 80> kKeyNames = {{
    {0xC0, "`"},
    {0xBD, "MINUS"}, {0xBB, "="}, {0xDB, "["}, {0xDD, "]"}, {0xBA, ";"},
    {0xDE, "'"}, {0xBC, ","}, {0xBE, "."}, {0xBF, "/"}, {0xDC, "\\"},
    {0x08, "BACK"}, {0x09, "TAB"}, {0x0C, "CLEAR"}, {0x0D, "RETURN"}, {0x13, "PAUSE"},
    {0x14, "CAPITAL"},
    {0x15, "KANA"}, {0x17, "JUNJA"}, {0x18, "FINAL"}, {0x1C, "CONVERT"}, {0x1D, "NONCONVERT"},
    {0x1E, "ACCEPT"}, {0x1F, "MODECHANGE"},
    {0x20, "SPACE"}, {0x21, "PRIOR"}, {0x22, "NEXT"}, {0x23, "END"}, {0x24, "HOME"},
    {0x25, "LEFT"}, {0x26, "UP"}, {0x27, "RIGHT"}, {0x28, "DOWN"},
    {0x29, "SELECT"}, {0x2A, "PRINT"}, {0x2B, "EXECUTE"}, {0x2C, "SNAPSHOT"}, {0x2D, "INSERT"},
    {0x2E, "DELETE"}, {0x2F, "HELP"},
    {0x60, "NUMPAD0"}, {0x61, "NUMPAD1"}, {0x62, "NUMPAD2"}, {0x63, "NUMPAD3"},
    {0x64, "NUMPAD4"}, {0x65, "NUMPAD5"}, {0x66, "NUMPAD6"}, {0x67, "NUMPAD7"},
    {0x68, "NUMPAD8"}, {0x69, "NUMPAD9"},
    {0x6A, "MULTIPLY"}, {0x6B, "ADD"}, {0x6C, "SEPARATOR"}, {0x6D, "SUBTRACT"},
    {0x6E, "DECIMAL"}, {0x6F, "DIVIDE"},
    {0x70, "F1"}, {0x71, "F2"}, {0x72, "F3"}, {0x73, "F4"}, {0x74, "F5"}, {0x75, "F6"},
    {0x76, "F7"}, {0x77, "F8"}, {0x78, "F9"}, {0x79, "F10"}, {0x7A, "F11"}, {0x7B, "F12"},
    {0x7C, "F13"}, {0x7D, "F14"}, {0x7E, "F15"}, {0x7F, "F16"}, {0x80, "F17"}, {0x81, "F18"},
    {0x82, "F19"}, {0x83, "F20"}, {0x84, "F21"}, {0x85, "F22"}, {0x86, "F23"}, {0x87, "F24"},
}};

namespace {

bool is_digit_or_capital(int code)
{
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z');
}

std::vector<std::string_view> split_tokens(std::string_view text)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '+'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '+')
            ++i;
        if (i > start)
            tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// The key that the shortcut edit takes when several are held: digits, then letters, then
// the table in its order.
int first_key_down(const KeyState& held)
{
    for (int code = '0'; code <= '9'; ++code) {
        if (held.is_down(code))
            return code;
    }
    for (int code = 'A'; code <= 'Z'; ++code) {
        if (held.is_down(code))
            return code;
    }
    for (const KeyName& entry : kKeyNames) {
        if (held.is_down(entry.code))
            return entry.code;
    }
    return 0;
}

} // namespace

int key_code_from_name(std::string_view name)
{
    if (name.size() == 1 && is_digit_or_capital(static_cast<unsigned char>(name[0])))
        return static_cast<unsigned char>(name[0]);
    for (const KeyName& entry : kKeyNames) {
        if (name == entry.name)
            return entry.code;
    }
    return -1;
}

std::string key_name_from_code(int code)
{
    if (is_digit_or_capital(code))
        return std::string(1, static_cast<char>(code));
    for (const KeyName& entry : kKeyNames) {
        if (entry.code == code)
            return entry.name;
    }
    return {};
}

KeyCapture capture_keys(KeyCapture previous, const KeyState& held)
{
    KeyCapture next = previous;
    next.modifier = 0;
    if (held.is_down(kVkControl))
        next.modifier = kVkControl;
    if (held.is_down(kVkMenu))
        next.modifier = kVkMenu;
    if (held.is_down(kVkShift))
        next.modifier = kVkShift;

    const int key = first_key_down(held);
    if (key != 0)
        next.last_key = key;
    return next;
}

std::string key_string(const KeyCapture& capture)
{
    std::string text;
    switch (capture.modifier) {
    case kVkControl: text = "CTRL + "; break;
    case kVkMenu: text = "ALT + "; break;
    case kVkShift: text = "SHIFT + "; break;
    default: break;
    }
    if (capture.last_key != 0)
        text += key_name_from_code(capture.last_key);
    return text;
}

KeyPollResult poll_key_commands(const std::vector<KeyCommand>& commands, const KeyState& held,
                                bool tab_open, bool tool_active, bool delete_latch)
{
    KeyPollResult result;
    result.delete_latch = delete_latch;
    if (tab_open) {
        for (const KeyCommand& command : commands) {
            const std::vector<std::string_view> tokens = split_tokens(command.key);
            bool fire = false;
            if (tokens.size() == 2) {
                const std::string_view modifier = tokens[0];
                const bool modifier_down = (modifier == "CTRL" && held.is_down(kVkControl)) ||
                                           (modifier == "SHIFT" && held.is_down(kVkShift)) ||
                                           (modifier == "ALT" && held.is_down(kVkMenu));
                fire = modifier_down && held.is_down(key_code_from_name(tokens[1]));
            } else if (tokens.size() == 1) {
                fire = held.is_down(key_code_from_name(tokens[0]));
            }
            if (fire) {
                result.command = command.func;
                return result;
            }
        }
    }
    if (tool_active && tab_open) {
        if (held.is_down(kVkDelete)) {
            if (!delete_latch) {
                result.delete_latch = true;
                result.delete_tool = true;
            }
        } else {
            result.delete_latch = false;
        }
    } else {
        result.delete_latch = false;
    }
    return result;
}

} // namespace settings
