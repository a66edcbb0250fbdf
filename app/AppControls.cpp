// The application's keyboard and network set-up, and the settings sheet.
#include <QTabWidget>
#include <QWebEngineProfile>

#include "app/ChildFrame.h"
#include "app/KeyCommands.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/NetworkOptions.h"
#include "app/ShareClient.h"
#include "app/TabBrowserWnd.h"
#include "settings/ui/AppSettingPages.h"
#include "settings/ui/AppSettingSheet.h"

void CMarvoApp::install_input_and_network()
{
    if (!key_poll_) {
        key_poll_ = new KeyCommandPoll(this);
        installEventFilter(key_poll_);
    }
    if (!offline_)
        offline_ = new OfflineInterceptor(this);
    // Every run starts connected.
    offline_->set_offline(false);
    // Before the engine starts: it reads the proxy once.
    SetProxy(settings_.proxy_setting, settings_.proxy_index);
}

void CMarvoApp::RunSettingsSheet(int page)
{
    settings::ui::SheetContext context;
    context.engine_user_agent = QWebEngineProfile::defaultProfile()->httpUserAgent();
    context.registry = registry_.get();
    context.executable = applicationFilePath();
    context.home_page = QString::fromStdString(home_page());
    if (CTabBrowserWnd* active = ActiveBrowser())
        context.current_page = active->LocationURL().toString(QUrl::FullyEncoded);
    settings::ui::CAppSettingPSheet sheet(settings_, context, frame_);
    sheet.tabs()->setCurrentIndex(page);
    if (sheet.exec() != QDialog::Accepted)
        return;
    set_home_page(sheet.browser_page->home_page().toStdString());
    // What was confirmed survives a crash of this run.
    save_state();
    if (share_)
        share_->push_settings();
    // Security flags and script errors hold from the next page of every tab.
    if (frame_)
        for (CChildFrame* tab : frame_->tabs())
            tab->browser()->apply_settings();
}
