#include "ui/Texts.h"

#include <QCoreApplication>
#include <string>

#include "res/StringTable.h"

namespace ui {

QString string_text(int id)
{
    const char* text = res::string(id);
    return text ? QCoreApplication::translate("StringTable", text) : QString();
}

// Prompt and tooltip are split after translation: a translation holds both, like the entry.
QString string_prompt(int id)
{
    return string_text(id).section(QLatin1Char('\n'), 0, 0);
}

QString string_tooltip(int id)
{
    const QString text = string_text(id);
    const qsizetype feed = text.indexOf(QLatin1Char('\n'));
    return feed < 0 ? QString() : text.mid(feed + 1);
}

QString menu_text(std::string_view text)
{
    // Menu texts are literals of the table, but a view need not end at a NUL.
    return QCoreApplication::translate("Menus", std::string(text).c_str());
}

} // namespace ui
