#include "app/BrowserPage.h"

#include "app/TabBrowserWnd.h"

BrowserPage::BrowserPage(QWebEngineProfile* profile, CTabBrowserWnd* tab) : QWebEnginePage(profile, tab), tab_(tab)
{
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame)
{
    if (!is_main_frame)
        return true;
    return tab_->OnBeforeNavigate2(url, type);
}

QWebEnginePage* BrowserPage::createWindow(WebWindowType)
{
    return tab_->OnNewWindow2();
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                           const QString& source)
{
    // Uncaught exceptions reach the console as errors: those are the page's script errors.
    if (level == ErrorMessageLevel)
        tab_->OnScriptError(message, line, source);
}
