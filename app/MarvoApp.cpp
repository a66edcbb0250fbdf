#include "app/MarvoApp.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStyleHints>
#include <QThread>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtWebEngineCore/qtwebenginecoreversion.h>
#include <pwd.h>
#include <unistd.h>

#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/DocumentRules.h"
#include "app/Downloads.h"
#include "app/DownloadsWindow.h"
#include "app/MainFrame.h"
#include "app/NetworkOptions.h"
#include "app/PlacesWiring.h"
#include "app/SessionSaver.h"
#include "app/ShareClient.h"
#include "app/AddressBar.h"
#include "app/AnnotationFiles.h"
#include "app/SiteOpenDialog.h"
#include "app/TabBrowserWnd.h"
#include "app/Translations.h"
#include "app/ToolBands.h"
#include "app/TerminationSignals.h"
#include "app/FrameStateSampler.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "memo/StampList.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/Tools.h"
#include "platform/Folders.h"
#include "places/Shortcut.h"
#include "platform/InstanceLink.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "platform/RegistryStore.h"
#include "platform/ShiftJis.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "settings/SettingsFile.h"
#include "ui/MessageBox.h"
#include "ui/Texts.h"

namespace {

using Root = platform::RegistryStore::Root;

const QString kBrowserKey = QStringLiteral("Software\\Microsoft\\Internet Explorer");
// In the data folder while a run is under way (SessionSaver).
constexpr const char* kRunningMarker = "marvo.running";

void show_message(int id)
{
    ui::message_box(nullptr, ui::string_text(id));
}

std::string logon_name()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
        return entry->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

// The engine's version, in the "major.minor" form the version check reads.
QByteArray engine_version()
{
    return QByteArray(QTWEBENGINECORE_VERSION_STR);
}

// What a second start handed over: native text (UTF-8); older versions sent Shift_JIS.
QString handed_over_text(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? platform::to_qstring(bytes.toStdString()) : text;
}

std::filesystem::path native_path(const QString& text)
{
    return std::filesystem::path(text.toStdString());
}

} // namespace

// Resources compiled into a static library are registered by hand.
static void register_resources()
{
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(translations);
}

CMarvoApp::CMarvoApp(int& argc, char** argv) : QApplication(argc, argv)
{
    register_resources();
    // The language is needed before the first widget, so the settings file is read here;
    // the start-up that follows takes what was read instead of reading the file again.
    const std::filesystem::path file = platform::data_folder_from_environment() / settings::kSettingsFileName;
    settings::Settings stored;
    settings::load_settings(stored, file.string());
    language_ = interface_language(stored.language);
    settings_read_early_ = SettingsRead{file, std::move(stored)};
    install_translations(*this, language_);
    setOrganizationName(QStringLiteral("Marvo"));
    setApplicationName(QStringLiteral("Marvo"));
    setQuitOnLastWindowClosed(true);
}

CMarvoApp::~CMarvoApp()
{
    delete frame_.data();
}

bool CMarvoApp::InitInstance(const StartOptions& options)
{
    try {
        folders_ = platform::Folders::from_environment();
    } catch (const std::exception& failure) {
        ui::message_box(nullptr, QString::fromLocal8Bit(failure.what()));
        return false;
    }
    registry_ = std::make_unique<platform::RegistryStore>(
        QString::fromStdString((folders_.data / "registry.ini").string()));
    registry_->hold_writes();  // until the first page is up, see write_registry_after_first_page
    registry_->seed_defaults(engine_version(), styleHints()->mouseDoubleClickInterval());
    register_builtin_tool_bands();
    if (!check_browser_version()) {
        show_message(144);
        return false;
    }
    load_settings();
    install_input_and_network();

    const QString service = options.instance_service.isEmpty() ? QString::fromUtf8(platform::instance_link::kService)
                                                                 : options.instance_service;
    if (options.single_instance && platform::InstanceClient::instance_running(service)) {
        hand_over_to_running_instance(options.arguments, service);
        return false;
    }

    session_ = new SessionSaver(folders_.data / kRunningMarker, [this] { save_session(); }, this);
    profile_ = new QWebEngineProfile(QStringLiteral("Marvo"), this);
    profile_->setPersistentStoragePath(QString::fromStdString((folders_.data / "WebEngine").string()));
    profile_->setCachePath(QString::fromStdString((folders_.data / "WebEngine" / "Cache").string()));
    if (!settings_.useragent.empty())
        profile_->setHttpUserAgent(platform::to_qstring(settings_.useragent));
    profile_->setUrlRequestInterceptor(offline_);
    downloads_ = new DownloadManager(profile_, QString::fromStdString((folders_.data / "downloads.json").string()), this);
    start_memo_store();

    frame_ = new CMainFrame;
    instance_server_ = std::make_unique<platform::InstanceServer>(
        [this](const QByteArray& target) { OpenDocument(handed_over_text(target)); },
        [this] {
            if (!frame_)
                return;
            if (frame_->isMinimized())
                frame_->showNormal();
            frame_->raise();
            frame_->activateWindow();
        });
    if (options.single_instance)
        instance_server_->start(service);  // without it this instance simply receives nothing
    install_termination_handler();

    // The engine starts the first page's render process while the stores are read and the
    // bars are built.
    open_first_tabs(options.arguments);
    let_first_navigation_start();
    frame_->hold_first_page_changes();  // before the bars, which fill their lists through it
    load_stores();
    frame_->create_bars();
    connect(downloads_, &DownloadManager::added, frame_, [this] { DownloadsWindow::show_for(*downloads_, frame_); });
    share_ = std::make_unique<ShareClient>(*this);
    share_->start();  // after the bars: it watches the status bar's share pane
    frame_->show_settled(settings_.maximized);
    write_registry_after_first_page();
    return true;
}

// A first start's seeded values (and anything set meanwhile) are written once the first page
// has loaded: the file's write would otherwise hold up the page.
void CMarvoApp::write_registry_after_first_page()
{
    CTabBrowserWnd* tab = ActiveBrowser();
    if (!tab || !tab->busy()) {
        QTimer::singleShot(0, this, [this] { registry_->release_writes(); });
        return;
    }
    auto loaded = std::make_shared<QMetaObject::Connection>();
    *loaded = connect(tab, &CTabBrowserWnd::busyChanged, this, [this, loaded](bool busy) {
        if (busy)
            return;
        disconnect(*loaded);
        registry_->release_writes();
    });
}

// The engine begins a navigation in tasks of its own on this thread, which would otherwise
// wait until the whole frame is built and shown: they run first (no input, no sockets), until
// the active tab's navigation has started, so that the page is on its way meanwhile.
// A blank page is left alone: it has nothing to fetch, and the engine (Qt 6.4) gives no load
// signals to a navigation that follows a blank page already under way.
void CMarvoApp::let_first_navigation_start()
{
    CTabBrowserWnd* tab = ActiveBrowser();
    if (!tab || tab->busy() || tab->page()->requestedUrl().scheme() == QLatin1String("about"))
        return;
    QEventLoop loop;
    connect(tab, &CTabBrowserWnd::busyChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(kNavigationStartWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

// The engine must be newer than major version 5; a missing value stops the program too.
bool CMarvoApp::check_browser_version()
{
    const std::optional<QByteArray> version = registry_->value(Root::LocalMachine, kBrowserKey, QStringLiteral("Version"));
    if (!version)
        return false;
    const QByteArray major = version->left(std::min<qsizetype>(256, version->indexOf('.') < 0 ? version->size()
                                                                                             : version->indexOf('.')));
    return std::atoi(major.constData()) > 5;
}

void CMarvoApp::load_settings()
{
    const std::filesystem::path file = folders_.data / settings::kSettingsFileName;
    if (settings_read_early_ && settings_read_early_->file == file)
        settings_ = std::move(settings_read_early_->settings);
    else
        settings::load_settings(settings_, file.string());
    settings_read_early_.reset();
    const std::string data_folder = platform::utf8_to_sjis(folders_.data.string());
    settings_.fill_empty_at_startup(data_folder, platform::utf8_to_sjis(logon_name()));
    // The default folder comes from the data folder itself: its native name need not fit
    // the settings file's Shift_JIS.
    memo_folder_ = settings_.savefolder == data_folder + "/memo" ? folders_.data / "memo"
                                                                 : std::filesystem::path(platform::sjis_to_utf8(settings_.savefolder));
    user_name_ = settings_.user_name;
    std::error_code ignored;
    std::filesystem::create_directories(memo_folder_, ignored);
    history_.clear();
}

// What the bars, panes and drawing tools show; the first page's visit, if already made, is
// kept, as the history file's entries join the list rather than replace it.
void CMarvoApp::load_stores()
{
    history_.load(folders_.data / places::kHistoryFile);
    load_favorites_order();
    if (const auto folder = platform::find_support_file("stamp"))
        stamps_->load(*folder);
}

void CMarvoApp::load_favorites_order()
{
    const QString menu_order = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Favorites");
    const places::MenuOrderLookup lookup = [this, menu_order](std::string_view relative) -> std::optional<std::string> {
        const QString key = relative.empty() ? menu_order : menu_order + QLatin1Char('\\') + platform::to_qstring(relative);
        const std::optional<QByteArray> value = registry_->value(Root::CurrentUser, key, QStringLiteral("Order"));
        return value ? std::optional<std::string>(value->toStdString()) : std::nullopt;
    };
    favorites_order_ = places::load_favorites_order(folders_.data / places::kFavoritesOrderFile, settings_.favorder,
                                                    folders_.favorites, lookup, [](std::string_view sjis) {
                                                        return platform::sjis_to_utf8(sjis);
                                                    });
}

// The package cache over the memo folder, the stamp pictures and the tools, shared by the
// memo layers of every tab.
void CMarvoApp::start_memo_store()
{
    package_cache_ = std::make_unique<memo::PackageCache>(memo_folder_);
    package_cache_->set_window_width(settings_.width);
    package_cache_->set_active_view([this]() -> std::optional<memo::PackageCache::ActiveView> {
        if (CTabBrowserWnd* browser = ActiveBrowser())
            return memo::PackageCache::ActiveView{browser->view()->width(), browser->font_size()};
        return std::nullopt;
    });
    package_cache_->set_private_sites([this](std::string_view url) {
        const std::string site = memo::normalize_url(url);
        for (const std::string& area : settings_.private_areas)
            if (memo::normalize_url(area) == site)
                return true;
        return false;
    });
    if (!stamps_)
        stamps_ = std::make_unique<memo::StampList>();  // its pictures come with load_stores
    if (!tools_)
        tools_ = std::make_unique<CToolBox>();
    tools_->set_current(0, nullptr);
    MemoLayerServices& services = memo_layer_services();
    services.cache = package_cache_.get();
    services.stamps = stamps_.get();
    services.tools = tools_.get();
    services.user_name = [this] { return user_name_; };
    services.is_private = [this](std::string_view url) {
        const std::string site = memo::normalize_url(url);
        for (const std::string& area : settings_.private_areas)
            if (memo::normalize_url(area) == site)
                return true;
        return false;
    };
    services.double_buffer = [this] { return settings_.doublebuffer != 0; };
    if (!package_saver_) {
        package_saver_ = new QTimer(this);
        package_saver_->setSingleShot(true);
        package_saver_->setInterval(kPackageSaveDelayMs);
        connect(package_saver_, &QTimer::timeout, this, [this] {
            if (package_cache_)
                package_cache_->save_changed();
        });
    }
    services.package_changed = [this] {
        if (!package_saver_->isActive())
            package_saver_->start();
    };
}

bool CMarvoApp::drawing_tool_active() const
{
    return tools_ && tools_->current() != nullptr;
}

void CMarvoApp::save_state()
{
    if (package_cache_) {
        package_cache_->commit_changed();
        package_cache_->save_all();
    }
    if (frame_)
        settings::save_settings(settings_, FrameStateSampler(*frame_),
                                (folders_.data / settings::kSettingsFileName).string());
    history_.save(folders_.data / places::kHistoryFile);
    places::save_favorites_order(folders_.data / places::kFavoritesOrderFile, favorites_order_);
}

bool CMarvoApp::hand_over_to_running_instance(const QStringList& arguments, const QString& service)
{
    platform::InstanceClient client;
    if (!arguments.isEmpty()) {
        // The running instance has a working folder of its own: a relative path goes absolute.
        const QString& argument = arguments.front();
        const QByteArray target =
            (QFileInfo::exists(argument) ? QFileInfo(argument).absoluteFilePath() : argument).toUtf8();
        if (!client.connect(service, "WWW_OpenFile") || !client.poke("FILENAME", target + '\0')) {
            show_message(141);
            return false;
        }
    }
    client.activate(service);
    client.disconnect();
    return true;
}

void CMarvoApp::install_termination_handler()
{
    // Log-out and kill end the program the way closing the window does, so nothing is lost.
    TerminationSignals::install([this] {
        if (frame_)
            frame_->close();
        quit();
    });
}

void CMarvoApp::open_first_tabs(const QStringList& arguments)
{
    if (!arguments.isEmpty()) {
        OpenDocument(arguments.front());
    } else if (!settings_.lastopen.empty() && (settings_.openlast || restore_after_crash())) {
        // Only the tab in front loads its page now; so do tabs that refresh by themselves.
        for (settings::LastOpenSite& site : settings_.lastopen) {
            const bool load_now = &site == &settings_.lastopen.back() || site.reload > 0;
            CTabBrowserWnd* tab = load_now ? OpenInNewTab(site.url) : NewBlankTab();
            if (!tab)
                continue;
            if (!load_now)
                tab->NavigateWhenShown(platform::url_from_model(site.url));
            tab->set_history_to_restore(std::move(site.log));
            tab->SetNavigationLock(site.lock);
            tab->SetAutoRefresh(site.reload);
        }
        settings_.lastopen.clear();
    } else {
        OnCommand(res::cmd::kNewTab);
    }
}

// The tabs of a run that crashed were saved while it ran: they are offered back.
bool CMarvoApp::restore_after_crash()
{
    return session_->previous_run_ended_uncleanly() &&
           ui::message_box(frame_,
                           QCoreApplication::translate("MarvoApp", "前回は正しく終了しませんでした。そのとき開いていたタブを復元しますか?"),
                           ui::Buttons::YesNo) == ui::Answer::Yes;
}

void CMarvoApp::session_changed()
{
    if (session_)
        session_->changed();
}

// What the next start needs of this run if it never closes: the tabs with their back
// entries (in the settings file) and the history. Changed memos are saved on their own.
void CMarvoApp::save_session()
{
    if (!frame_)
        return;
    // The history first: saved tabs always come with the visits that led to them.
    history_.save(folders_.data / places::kHistoryFile);
    settings::save_settings(settings_, FrameStateSampler(*frame_), (folders_.data / settings::kSettingsFileName).string());
}

void CMarvoApp::end_session()
{
    if (session_)
        session_->end();
}

void CMarvoApp::ExitInstance()
{
    if (registry_)
        registry_->release_writes();
    end_session();
    delete session_;
    session_ = nullptr;
    delete downloads_;  // records the downloads that the exit ends
    downloads_ = nullptr;
    if (share_) {
        share_->stop();
        share_.reset();
    }
    platform::empty_folder(folders_.temp);
    ClearPrivateData(settings_.del_cookie, settings_.del_hist, settings_.del_temp, settings_.del_tabhist);
    if (settings_.del_cookie && profile_)
        settle_cookie_store(profile_, 2000);
    if (settings_.del_temp && profile_)
        settle_http_cache(profile_, 5000);
}

void CMarvoApp::customEvent(QEvent* event)
{
    if (share_ && share_->handle_event(event))
        return;
    QApplication::customEvent(event);
}

CMainFrame* CMarvoApp::main_frame() const
{
    return frame_;
}

std::string CMarvoApp::home_page() const
{
    const std::optional<QByteArray> page =
        registry_->value(Root::CurrentUser, kBrowserKey + QStringLiteral("\\Main"), QStringLiteral("Start Page"));
    return page && !page->isEmpty() ? page->toStdString() : "about:blank";
}

void CMarvoApp::set_home_page(const std::string& url)
{
    registry_->set_value(Root::CurrentUser, kBrowserKey + QStringLiteral("\\Main"), QStringLiteral("Start Page"),
                         QByteArray::fromStdString(url));
}

// ---- opening documents ----

bool CMarvoApp::OpenDocument(const QString& target)
{
    switch (classify_document(target.toStdString())) {
    case DocumentKind::MemoPackage:
        OpenMemoPackageFile(native_path(target));
        return true;
    case DocumentKind::InternetShortcut:
        OpenShortcutInNewTab(native_path(target));
        return false;
    case DocumentKind::WebAddress:
    case DocumentKind::HtmlFile:
    case DocumentKind::Other:
        break;
    }
    // A file name is opened as a file; anything else as the address it is.
    OpenInNewTab(QFileInfo::exists(target) ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath())
                                           : QUrl::fromUserInput(target));
    return true;
}

CTabBrowserWnd* CMarvoApp::OpenInNewTab(const std::string& url)
{
    return OpenInNewTab(platform::url_from_model(url));
}

CTabBrowserWnd* CMarvoApp::OpenInNewTab(const QUrl& address)
{
    // (The engine shows an empty address as "about:blank".)
    CTabBrowserWnd* tab = new_tab(address.isEmpty() ? QUrl(QStringLiteral("about:blank")) : address);
    if (!tab)
        return nullptr;
    tab->view()->setFocus();
    return tab;
}

CTabBrowserWnd* CMarvoApp::NewBlankTab()
{
    return new_tab(QUrl());
}

CTabBrowserWnd* CMarvoApp::new_tab(const QUrl& first_page)
{
    if (!frame_)
        return nullptr;
    SetBrowseMode();
    CChildFrame* tab = frame_->create_tab(frame_->active_tab(), first_page);
    return tab->browser();
}

CTabBrowserWnd* CMarvoApp::ActiveBrowser() const
{
    CChildFrame* tab = frame_ ? frame_->active_tab() : nullptr;
    return tab ? tab->browser() : nullptr;
}

void CMarvoApp::SetBrowseMode()
{
    if (tools_ && tools_->current()) {
        CTabBrowserWnd* active = ActiveBrowser();
        tools_->set_current(0, active ? active->layer() : nullptr);
        package_cache_->commit_changed();
    }
    if (CTabBrowserWnd* browser = ActiveBrowser())
        browser->view()->setFocus();
}

bool CMarvoApp::OpenShortcutInNewTab(const std::filesystem::path& file)
{
    const std::optional<std::string> url = places::read_internet_shortcut_url(file);
    if (!url || url->empty())
        return false;
    return OpenInNewTab(*url) != nullptr;
}

bool CMarvoApp::OpenShortcutInActiveTab(const std::filesystem::path& file)
{
    const std::optional<std::string> url = places::read_internet_shortcut_url(file);
    CTabBrowserWnd* browser = ActiveBrowser();
    if (!url || url->empty() || !browser)
        return false;
    browser->Navigate(platform::url_from_model(*url));
    SetBrowseMode();
    return true;
}

// Memos received from another user: merged with or replacing the memos of their sites, then
// the first site is shown.
namespace {

memo::MergeAnswer ask_merge()
{
    switch (ui::message_box(nullptr, ui::string_text(res::str::kAskMergeMemos), ui::Buttons::YesNoCancel)) {
    case ui::Answer::Yes:
        return memo::MergeAnswer::Yes;
    case ui::Answer::No:
        return memo::MergeAnswer::No;
    default:
        return memo::MergeAnswer::Cancel;
    }
}

} // namespace

bool CMarvoApp::OpenMemoPackageFile(const std::filesystem::path& file)
{
    return package_cache_ && ShowTakenMemos(package_cache_->open_memo_file(file, ask_merge));
}

bool CMarvoApp::TakeMemoPackages(std::vector<std::unique_ptr<memo::MemoPackage>> packages)
{
    return package_cache_ && ShowTakenMemos(package_cache_->take_packages(std::move(packages), ask_merge));
}

bool CMarvoApp::ShowTakenMemos(const memo::OpenMemoResult& result)
{
    if (result.status == memo::OpenMemoResult::Status::ReadFailed) {
        show_message(res::str::kFileReadFailed);
        return false;
    }
    if (!result)
        return false;
    if (!result.url_to_show.empty())
        OpenInNewTab(result.url_to_show);
    return true;
}

// ---- commands ----

bool CMarvoApp::OnCommand(int id)
{
    using namespace res::cmd;
    if (OnNetworkCommand(id))
        return true;
    switch (id) {
    case kNewTab:
        if (CTabBrowserWnd* active = ActiveBrowser()) {
            const std::string url = platform::model_url(active->LocationURL());
            if (CTabBrowserWnd* copy = OpenInNewTab(url.empty() ? home_page() : url))
                copy->set_history_to_copy(active);
        } else {
            OpenInNewTab(home_page());
        }
        return true;
    case kNewHomeTab:
        OpenInNewTab(home_page());
        if (home_page() == "about:blank")
            frame_->route(kFocusAddress);  // an empty tab waits for an address
        return true;
    case kOpen: {
        CSiteOpenDialog dialog(frame_);
        if (dialog.exec() == QDialog::Accepted && !dialog.address().isEmpty()) {
            const QUrl offered = dialog.combo()->offered_address(dialog.address());
            OpenInNewTab(offered.isEmpty() ? QUrl::fromUserInput(dialog.address()) : offered);
        }
        return true;
    }
    case kOpenMemoFile: {
        const QString file = QFileDialog::getOpenFileName(frame_, QString(), QString(),
                                                          QCoreApplication::translate("MarvoApp", "メモファイル (*.ame)"));
        if (!file.isEmpty())
            OpenMemoPackageFile(native_path(file));
        return true;
    }
    case kDownloads:
        DownloadsWindow::show_for(*downloads_, frame_);
        return true;
    case kImportAnnotations:
        annotation_files::import_file(frame_);
        return true;
    case kOnlineHelp:
        // The help installed with the program, in the interface's language (English pages in
        // help/en); the address of the help online when it is missing.
        if (const auto help = platform::find_support_file(language_ == QLatin1String("en") ? "help/en/index.html"
                                                                                         : "help/index.html"))
            OpenInNewTab(QUrl::fromLocalFile(QString::fromStdString(help->string())));
        else
            OpenInNewTab(std::string(res::text(res::str::kHelpAddress)));
        return true;
    case kAbout:
        QMessageBox::about(frame_, QCoreApplication::translate("MarvoApp", "バージョン情報 Marvo"),
                           QCoreApplication::translate("MarvoApp", "Marvo %1\nメモを書き込めるタブブラウザ").arg(applicationVersion()));
        return true;
    case kBrowseMode:
        SetBrowseMode();
        return true;
    case kSendInstantMessage:
        if (share_)
            share_->send_message_command();
        return true;
    case kAddFavorite:
    case kOrganizeFavorites:
        return run_favorites_command(id);
    case kSelectTool:
    case kFreehandTool:
    case kEraserTool:
    case kTextTool:
    case kPrimitiveTool:
    case kStampTool:
    case kEffectTool: {
        CTabBrowserWnd* active = ActiveBrowser();
        tools_->set_current(id, active ? active->layer() : nullptr);
        return true;
    }
    }
    return false;
}

bool CMarvoApp::OnUpdateCommand(int id, CommandState& state)
{
    using namespace res::cmd;
    if (OnUpdateNetworkCommand(id, state))
        return true;
    switch (id) {
    case kBrowseMode:
        state.checked = !drawing_tool_active();
        return true;
    case kSelectTool:
    case kFreehandTool:
    case kEraserTool:
    case kTextTool:
    case kPrimitiveTool:
    case kStampTool:
    case kEffectTool:
        state.checked = tools_ && tools_->current_id() == id;
        return true;
    case kSendInstantMessage:
        state.enabled = !user_name_.empty() && !settings_.server_addr().empty();
        return true;
    case kAddFavorite:
        state.enabled = ActiveBrowser() != nullptr;
        return true;
    case kNewTab:
    case kNewHomeTab:
    case kOpen:
    case kOrganizeFavorites:
    case kOpenMemoFile:
    case kOnlineHelp:
    case kAbout:
    case kDownloads:
        return true;
    }
    return false;
}
