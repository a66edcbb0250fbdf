#pragma once

#include <QString>
#include <functional>

class QVariant;
class QWebEnginePage;

// Asks a page a read-only question in the page's own script world. The first script run in an
// isolated world makes that world in the page's renderer, which then holds some half a MiB
// more, so the questions every page is asked go to the main world. There the page's scripts
// share the objects the question reads and can make it answer what they like: only questions
// whose answer can mislead about the page itself alone are asked so (its icon, how it draws,
// whether it has frames or typed input), never where memos go. With the page's scripts switched
// off the main world gives no answer, and neither does a question the page made fail: it is
// then asked again in the isolated world.
void ask_page(QWebEnginePage& page, const QString& script, std::function<void(const QVariant&)> answer);
