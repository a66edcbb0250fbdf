#include "app/MemoPane.h"

#include <QUrl>
#include <optional>

#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "memo/ui/MemoBarDlg.h"
#include "platform/QtText.h"
#include "platform/RegistryStore.h"

CMemoBarDlg* create_memo_pane(QWidget* parent)
{
    auto* pane = new CMemoBarDlg(parent);
    // A single click waits half the double-click time the system keeps for the user.
    const std::optional<QByteArray> speed = theApp().registry().value(
        platform::RegistryStore::Root::CurrentUser, QStringLiteral("Control Panel\\Mouse"),
        QStringLiteral("DoubleClickSpeed"));
    bool ok = false;
    const int ms = speed ? speed->trimmed().toInt(&ok) : 0;
    pane->set_click_delay(ok && ms > 0 ? ms / 2 : 200);
    pane->on_go = [](const std::string& url) {
        CMarvoApp& app = theApp();
        if (CTabBrowserWnd* tab = app.ActiveBrowser())
            tab->Navigate(QUrl::fromUserInput(platform::to_qstring(url)));
        else
            app.OpenInNewTab(url);
        app.SetBrowseMode();
    };
    pane->on_open = [](const std::string& url) {
        theApp().OpenInNewTab(url);
        theApp().SetBrowseMode();
    };
    return pane;
}
