#pragma once

#include <QWebEnginePage>

class CTabBrowserWnd;

// The engine page of one tab: passes navigation requests, new windows and script errors
// to the tab, which decides with the program's settings.
class BrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    BrowserPage(QWebEngineProfile* profile, CTabBrowserWnd* tab);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    CTabBrowserWnd* tab_;
};
