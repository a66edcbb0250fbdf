#include "app/MemoPane.h"

#include <QPointer>
#include <QUrl>
#include <memory>

#include "app/BrowserPage.h"
#include "app/MarvoApp.h"
#include "app/PageLoadEnd.h"
#include "app/TabBrowserWnd.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/MemoBarDlg.h"
#include "share/ShareProtocol.h"
#include "share/ui/MemoSearchDialog.h"
#include "share/ui/OffUiThread.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"

CMemoBarDlg* create_memo_pane(QWidget* parent)
{
    auto* pane = new CMemoBarDlg(parent);
    pane->on_go = [](const std::string& url) {
        CMarvoApp& app = theApp();
        if (CTabBrowserWnd* tab = app.ActiveBrowser())
            tab->Navigate(platform::url_from_model(url));
        else
            app.OpenInNewTab(url);
        app.SetBrowseMode();
    };
    pane->on_open = [](const std::string& url) {
        theApp().OpenInNewTab(url);
        theApp().SetBrowseMode();
    };
    pane->on_show_memo = show_found_memo;
    pane->on_search = [pane] { search_server_memos(*pane); };
    theApp().package_cache().set_stored_listener([pane = QPointer<CMemoBarDlg>(pane)](const std::vector<std::string>& urls) {
        if (pane)
            pane->follow_stored_memos(urls);
    });
    return pane;
}

void show_found_memo(const std::string& url, const memo::Guid& id)
{
    CMarvoApp& app = theApp();
    app.SetBrowseMode();
    CTabBrowserWnd* tab = app.ActiveBrowser();
    if (tab && tab->layer() &&
        memo::normalize_url(platform::model_url(tab->page()->url())) == memo::normalize_url(url)) {
        tab->layer()->show_memo(url, id);
        return;
    }
    if (tab)
        tab->Navigate(platform::url_from_model(url));
    else
        tab = app.OpenInNewTab(url);
    if (!tab)
        return;
    // Once, when the page has loaded: its memos are there to scroll to.
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(&tab->load_end(), &PageLoadEnd::ended, tab, [tab, url, id, once](bool) {
        QObject::disconnect(*once);
        if (CLayerWnd* layer = tab->layer())
            layer->show_memo(url, id);
    });
}

// "検索": the sites the server holds memos for, in place of the local list. A failed request
// leaves the list as it was.
void search_server_memos(CMemoBarDlg& pane)
{
    const settings::Settings& options = theApp().settings();
    CMemoSearchDialog dialog(&pane);
    if (!run_memo_search_dialog(dialog) || options.server_addr().empty())
        return;
    const MemoSearchRequest request = dialog.request(memo::now_time());
    std::vector<std::string> urls;
    std::vector<memo::Time64> times;
    const bool found = run_off_ui_thread([&, host = options.server_addr(), port = options.server_port] {
        return share::search_sites(host, port, request.mode, request.time, request.days, request.text, urls, times);
    });
    if (!found)
        return;
    std::vector<memo::MemoSite> sites;
    for (std::size_t i = 0; i < urls.size() && i < times.size(); ++i)
        sites.push_back({times[i], urls[i], {}});
    pane.show_sites(sites);
}
