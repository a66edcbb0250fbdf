#pragma once

#include <QString>
#include <string_view>

// The texts of the program's tables (res/) as the interface shows them. The tables hold the
// Japanese texts; in another language they come from the installed translation
// (translations/marvo_en.ts, contexts "StringTable" and "Menus"), and a text without one
// stays as it is. Entries that are data (search prefixes, the user agent, the help address,
// the new folder's name) are read from res/ directly, never through these.
namespace ui {

// String table entry id, whole.
QString string_text(int id);

// Status-bar prompt of a command (before the first line feed) and its tooltip (after it).
QString string_prompt(int id);
QString string_tooltip(int id);

// A menu or popup text of res/Menus.h.
QString menu_text(std::string_view text);

} // namespace ui
