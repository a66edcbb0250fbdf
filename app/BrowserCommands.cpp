#include "app/BrowserCommands.h"

#include <QPointer>
#include <QTimer>

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "settings/Gesture.h"

namespace {

// The menu command that does the same as a browser command, offered along the route of the
// given tab (not necessarily the active one).
bool route_for(CTabBrowserWnd* browser, int id)
{
    return route_command({browser, browser->frame(), theApp().main_frame(), &theApp()}, id);
}

void go_up_one_level(CTabBrowserWnd* browser)
{
    const std::string address = platform::model_url(browser->LocationURL());
    if (const std::optional<std::string> parent = settings::up_one_level(address))
        browser->Navigate(platform::url_from_model(*parent));
}

} // namespace

void RunBrowserCommand(CTabBrowserWnd* browser, int command)
{
    if (!browser || !settings::is_valid_command(command))
        return;
    using namespace res::cmd;
    switch (static_cast<settings::Command>(command)) {
    case settings::kCmdClose:
        browser->frame()->close();
        return;
    case settings::kCmdBack:
        browser->OnCommand(kBack);
        return;
    case settings::kCmdForward:
        browser->OnCommand(kForward);
        return;
    case settings::kCmdUpOneLevel:
        go_up_one_level(browser);
        return;
    case settings::kCmdRefresh:
        browser->OnCommand(kRefresh);
        return;
    case settings::kCmdHome:
        theApp().SetBrowseMode();
        browser->Navigate(platform::url_from_model(theApp().home_page()));
        return;
    case settings::kCmdMailWithMemos:
        route_for(browser, kMailWithMemo);
        return;
    case settings::kCmdPrintWithMemos:
        route_for(browser, kPrintWithMemo);
        return;
    case settings::kCmdPrintSelection:
        route_for(browser, kPrintSelection);
        return;
    case settings::kCmdBackupPage:
        route_for(browser, kBackupPage);
        return;
    case settings::kCmdCloseRight:
        browser->frame()->OnCommand(kCloseRight);
        return;
    case settings::kCmdCloseLeft:
        browser->frame()->OnCommand(kCloseLeft);
        return;
    case settings::kCmdCloseOthers:
        browser->frame()->OnCommand(kCloseOthers);
        return;
    case settings::kCmdCopyLinkAddress:
        browser->OnCommand(kCopyLinkUrls);
        return;
    }
}

void PostBrowserCommand(CTabBrowserWnd* browser, int command)
{
    if (!browser || !settings::is_valid_command(command))
        return;
    QTimer::singleShot(0, browser, [target = QPointer<CTabBrowserWnd>(browser), command] {
        if (target)
            RunBrowserCommand(target, command);
    });
}
