#include "app/PlacesWiring.h"

#include <QDesktopServices>
#include <QStackedWidget>
#include <QUrl>
#include <QWebEngineView>

#include "app/AddressBar.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "places/ui/FavoriteDlg.h"
#include "places/ui/FavoritesMenu.h"
#include "places/ui/HistoryDlg.h"
#include "places/ui/LinkBar.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "platform/RegistryStore.h"
#include "res/CommandIds.h"

namespace {

using Root = platform::RegistryStore::Root;

// Half the double-click time the registry store holds.
int click_interval()
{
    const std::optional<QByteArray> speed = theApp().registry().value(
        Root::CurrentUser, QStringLiteral("Control Panel\\Mouse"), QStringLiteral("DoubleClickSpeed"));
    return click_interval_from(speed ? &*speed : nullptr);
}

std::filesystem::path links_folder()
{
    const std::optional<QByteArray> name = theApp().registry().value(
        Root::CurrentUser, QStringLiteral("Software\\Microsoft\\Internet Explorer\\Toolbar"), QStringLiteral("LinksFolderName"));
    return places::links_folder(theApp().folders().favorites, name ? name->toStdString() : std::string());
}

void replace_pane(QStackedWidget* panes, int index, QWidget* pane)
{
    QWidget* old = panes->widget(index);
    const bool current = panes->currentIndex() == index;
    panes->insertWidget(index, pane);
    if (old) {
        panes->removeWidget(old);
        old->deleteLater();
    }
    if (current)
        panes->setCurrentIndex(index);
}

} // namespace

AppPlacesHost& AppPlacesHost::instance()
{
    static AppPlacesHost host;
    return host;
}

void AppPlacesHost::open_in_active_tab(const std::string& url)
{
    if (CTabBrowserWnd* browser = theApp().ActiveBrowser()) {
        browser->Navigate(platform::url_from_model(url));
        theApp().SetBrowseMode();
    } else {
        theApp().OpenInNewTab(url);
    }
}

void AppPlacesHost::open_in_new_tab(const std::string& url)
{
    theApp().OpenInNewTab(url);
}

void AppPlacesHost::open_shortcut_in_active_tab(const std::filesystem::path& file)
{
    if (!theApp().ActiveBrowser() || !theApp().OpenShortcutInActiveTab(file))
        theApp().OpenShortcutInNewTab(file);
}

void AppPlacesHost::open_shortcut_in_new_tab(const std::filesystem::path& file)
{
    theApp().OpenShortcutInNewTab(file);
}

std::string AppPlacesHost::current_url() const
{
    CTabBrowserWnd* browser = theApp().ActiveBrowser();
    return browser ? platform::model_url(browser->LocationURL()) : std::string();
}

std::string AppPlacesHost::current_title() const
{
    CTabBrowserWnd* browser = theApp().ActiveBrowser();
    return browser ? browser->LocationName().toStdString() : std::string();
}

std::string AppPlacesHost::title_of(const std::string& url) const
{
    const auto known = titles_.find(url);
    return known != titles_.end() ? known->second : std::string();
}

void AppPlacesHost::remember_title(const std::string& url, const std::string& title)
{
    if (!url.empty() && !title.empty())
        titles_[url] = title;
}

void AppPlacesHost::favorites_changed()
{
    places::save_favorites_order(theApp().folders().data / places::kFavoritesOrderFile, theApp().favorites_order());
}

void AppPlacesHost::history_changed()
{
    if (CMainFrame* frame = theApp().main_frame())
        if (auto* bar = frame->findChild<CAddressBar*>())
            bar->FillFromHistory(15);
}

void install_favorites_pane(QStackedWidget* panes)
{
    auto* favorites = new CFavoriteDlg(theApp().folders().favorites, theApp().favorites_order(), AppPlacesHost::instance());
    favorites->tree()->set_click_interval(click_interval());
    favorites->setObjectName(QStringLiteral("FavoritesPane"));
    replace_pane(panes, 0, favorites);
}

void install_history_pane(QStackedWidget* panes)
{
    auto* history = new CHistoryDlg(theApp().history(), AppPlacesHost::instance());
    history->tree()->set_click_interval(click_interval());
    history->setObjectName(QStringLiteral("HistoryPane"));
    replace_pane(panes, 2, history);
    // A visible history pane follows the visits as they happen.
    if (auto* bar = panes->window()->findChild<CAddressBar*>())
        QObject::connect(bar, &CAddressBar::history_changed, history, [history] {
            if (history->isVisible())
                history->rebuild();
        });
}

ui::BandBar* create_link_band(QWidget* frame, const char* band_name)
{
    auto* bar = new CLinkBar(links_folder(), theApp().folders().data / places::kLinkOrderFile, AppPlacesHost::instance(), frame);
    bar->setWindowTitle(QString::fromUtf8(band_name));
    bar->setObjectName(QString::fromUtf8(band_name));
    bar->setMovable(true);
    return bar;
}

void fill_favorites_popup(QMenu* menu)
{
    fill_favorites_menu(menu, theApp().folders().favorites, theApp().favorites_order(), AppPlacesHost::instance());
}

bool run_favorites_command(int id)
{
    CMainFrame* frame = theApp().main_frame();
    CFavoriteDlg* pane = frame ? frame->findChild<CFavoriteDlg*>() : nullptr;
    switch (id) {
    case res::cmd::kAddFavorite:
        if (pane)
            pane->add_current_page();
        return true;
    case res::cmd::kOrganizeFavorites: {
        std::error_code ignored;
        std::filesystem::create_directories(theApp().folders().favorites, ignored);
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(theApp().folders().favorites.string())));
        theApp().load_favorites_order();
        if (pane && pane->isVisible())
            pane->rebuild();
        return true;
    }
    default:
        return false;
    }
}
