#include "settings/ui/VirtualKeys.h"

#include <QKeyEvent>

#include "settings/Keys.h"

namespace settings::ui {

namespace {

struct Mapping {
    int qt_key;
    int code;
};

// Keys whose code does not follow from a range below.
constexpr Mapping kMappings[] = {
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_Minus, 0xBD},     {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Equal, 0xBB},     {Qt::Key_Plus, 0xBB},
    {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA},
    {Qt::Key_Apostrophe, 0xDE}, {Qt::Key_QuoteDbl, 0xDE},
    {Qt::Key_Comma, 0xBC},     {Qt::Key_Less, 0xBC},
    {Qt::Key_Period, 0xBE},    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},     {Qt::Key_Question, 0xBF},
    {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC},
    // Shifted digits of the US layout.
    {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'}, {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
    {Qt::Key_Backspace, kVkBack}, {Qt::Key_Tab, kVkTab}, {Qt::Key_Backtab, kVkTab},
    {Qt::Key_Clear, 0x0C}, {Qt::Key_Return, kVkReturn}, {Qt::Key_Enter, kVkReturn},
    {Qt::Key_Pause, 0x13}, {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Kana_Lock, 0x15}, {Qt::Key_Katakana, 0x15}, {Qt::Key_Hiragana_Katakana, 0x15},
    {Qt::Key_Henkan, 0x1C}, {Qt::Key_Muhenkan, 0x1D},
    {Qt::Key_Mode_switch, 0x1F},
    {Qt::Key_Space, kVkSpace}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23}, {Qt::Key_Home, 0x24}, {Qt::Key_Left, 0x25}, {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27}, {Qt::Key_Down, 0x28}, {Qt::Key_Select, 0x29}, {Qt::Key_Print, 0x2A},
    {Qt::Key_Execute, 0x2B}, {Qt::Key_SysReq, 0x2C}, {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, kVkDelete}, {Qt::Key_Help, 0x2F},
    {Qt::Key_Shift, kVkShift}, {Qt::Key_Control, kVkControl}, {Qt::Key_Alt, kVkMenu},
    {Qt::Key_AltGr, kVkMenu},
};

// Keys of the number pad, which Qt reports as the main keys with the keypad modifier.
int keypad_key(int qt_key)
{
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
        return 0x60 + (qt_key - Qt::Key_0);
    switch (qt_key) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period: return 0x6E;
    case Qt::Key_Comma: return 0x6C;
    case Qt::Key_Slash: return 0x6F;
    default: return 0;
    }
}

} // namespace

int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::KeypadModifier) {
        if (const int code = keypad_key(qt_key))
            return code;
    }
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
        return '0' + (qt_key - Qt::Key_0);
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)
        return 'A' + (qt_key - Qt::Key_A);
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24)
        return kVkF1 + (qt_key - Qt::Key_F1);
    for (const Mapping& mapping : kMappings)
        if (mapping.qt_key == qt_key)
            return mapping.code;
    return 0;
}

int virtual_key(const QKeyEvent& event)
{
    return virtual_key(event.key(), event.modifiers());
}

} // namespace settings::ui
