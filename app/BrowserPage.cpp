#include "app/BrowserPage.h"

#include "app/TabBrowserWnd.h"

#include <QWebEngineNewWindowRequest>

BrowserPage::BrowserPage(QWebEngineProfile* profile, CTabBrowserWnd* tab) : QWebEnginePage(profile, tab), tab_(tab)
{
    // A window createWindow refused is asked for again with what the engine knows of it: one
    // the user's own input opened (a middle click, a key, a click answered late) opens after all.
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
        if (!request.isUserInitiated())
            return;
        const bool background = request.destination() == QWebEngineNewWindowRequest::InNewBackgroundTab;
        if (QWebEnginePage* page = tab_->OnNewWindow2(true, background))
            request.openIn(page);
    });
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame)
{
    if (!is_main_frame)
        return true;
    return tab_->OnBeforeNavigate2(url, type);
}

QWebEnginePage* BrowserPage::createWindow(WebWindowType type)
{
    return tab_->OnNewWindow2(false, type == WebBrowserBackgroundTab);
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                           const QString& source)
{
    // The page's script errors are its uncaught exceptions; the console also gets the page's
    // own console.error calls and failed loads, which are not.
    if (level == ErrorMessageLevel && message.startsWith(QLatin1String("Uncaught")))
        tab_->OnScriptError(message, line, source);
}
