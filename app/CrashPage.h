#pragma once

#include <QString>
#include <QUrl>
#include <QWebEnginePage>

// The page a tab shows when the process that drew its page ended: why, and a Reload button
// that loads the page again.
namespace crash_page {

// The reason in words, for the status the engine reported.
QString reason(QWebEnginePage::RenderProcessTerminationStatus status, int exit_code);
// The whole page; `url` is what Reload loads.
QString html(QWebEnginePage::RenderProcessTerminationStatus status, int exit_code, const QUrl& url);

} // namespace crash_page
