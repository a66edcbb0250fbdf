#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "app/CommandTarget.h"
#include "places/Favorites.h"
#include "places/History.h"
#include "platform/Folders.h"
#include "settings/Settings.h"

class CMainFrame;
class DownloadManager;
class CTabBrowserWnd;
class KeyCommandPoll;
class OfflineInterceptor;
class SessionSaver;
class CToolBox;
class ShareClient;

namespace memo {
class MemoPackage;
class PackageCache;
class StampList;
struct OpenMemoResult;
}
class QWebEngineProfile;
class QUrl;

namespace platform {
class InstanceServer;
class RegistryStore;
}

// What start-up reads from its environment; tests point it at temporary folders.
struct StartOptions {
    QStringList arguments;          // program arguments after the program name
    bool single_instance = true;    // hand over to a running instance and exit
    QString instance_service;       // empty: the program's own service name
};

// The application object: folders, settings, the lists carried over from the last run, the
// current drawing tool, the single-instance link, and opening documents. It runs the start-up
// sequence and tears everything down at exit.
class CMarvoApp : public QApplication, public CommandTarget {
    Q_OBJECT
public:
    CMarvoApp(int& argc, char** argv);
    ~CMarvoApp() override;

    static CMarvoApp* instance() { return static_cast<CMarvoApp*>(QCoreApplication::instance()); }

    // Runs the start-up sequence; false when the program must end (a message was shown, or
    // the document went to a running instance).
    bool InitInstance(const StartOptions& options);
    // Stops what runs beside the user interface and clears what the settings ask; never hangs.
    void ExitInstance();

    // A file name (native text, relative to the working folder) or an address.
    bool OpenDocument(const QString& target);
    // An address in the model's form (platform/PageAddress.h).
    CTabBrowserWnd* OpenInNewTab(const std::string& url);
    CTabBrowserWnd* OpenInNewTab(const QUrl& url);
    CTabBrowserWnd* NewBlankTab();
    CTabBrowserWnd* ActiveBrowser() const;
    void SetBrowseMode();
    bool OpenShortcutInNewTab(const std::filesystem::path& file);
    bool OpenShortcutInActiveTab(const std::filesystem::path& file);
    bool OpenMemoPackageFile(const std::filesystem::path& file);
    // Packages read elsewhere (imported annotations), taken as a memo file's are.
    bool TakeMemoPackages(std::vector<std::unique_ptr<memo::MemoPackage>> packages);
    // What a second start does: hands its first argument (native text; a relative path made
    // absolute against this process's working folder) to the instance behind the service.
    bool hand_over_to_running_instance(const QStringList& arguments, const QString& service);

    // The page shown by the home command, new tabs without a page and the start option.
    std::string home_page() const;
    void set_home_page(const std::string& url);
    // Saves what the main frame's closing keeps: settings, history, favorites order.
    void save_state();
    // The open tabs or the history changed: both are saved a few seconds later.
    void session_changed();
    // The frame closed and saved everything: the run counts as ended cleanly.
    void end_session();

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // Connection mode: 0 the desktop's settings, 1 direct, 2 the proxy server `index` of the
    // list. The engine reads it when it starts, so it takes effect at the next start.
    void SetProxy(int mode, int index);
    void SetOffline(bool offline);
    bool IsOffline() const;
    // Deletes, in this order, cookies, history (ours and the engine's visited links), the
    // engine's HTTP cache and the recently closed pages.
    void ClearPrivateData(bool cookies, bool history, bool temporary_files, bool closed_pages);
    // The proxy user name and password in force (the last non-empty ones set).
    std::pair<QString, QString> proxy_credentials() const { return {proxy_user_, proxy_password_}; }
    // Shows the settings sheet on one of its pages; on OK the settings take the sheet's values.
    void RunSettingsSheet(int page = 0);
    // The settings sheet's page of the home page and the security flags.
    static constexpr int kBrowserSettingsPage = 1;
    KeyCommandPoll* key_poll() const { return key_poll_; }

    settings::Settings& settings() { return settings_; }
    // The interface language in force: "ja" or "en".
    const QString& language() const { return language_; }
    const platform::Folders& folders() const { return folders_; }
    platform::RegistryStore& registry() { return *registry_; }
    const std::filesystem::path& memo_folder() const { return memo_folder_; }
    const std::string& user_name() const { return user_name_; }
    CMainFrame* main_frame() const;
    QWebEngineProfile* profile() const { return profile_; }
    // Every download of the profile; null before start-up.
    DownloadManager* downloads() const { return downloads_; }
    places::History& history() { return history_; }
    places::OrderList& favorites_order() { return favorites_order_; }
    // Reads the favorites order again (start-up, and after the favorites were organised).
    void load_favorites_order();
    // True while a drawing tool is selected (browse mode when false).
    bool drawing_tool_active() const;
    // The memo packages of every site, loaded on first use and saved when the frame closes.
    memo::PackageCache& package_cache() { return *package_cache_; }
    bool package_cache_ready() const { return package_cache_ != nullptr; }
    // Sharing with the server; null before start-up and after exit.
    ShareClient* share_client() const { return share_.get(); }
    const memo::StampList& stamps() const { return *stamps_; }
    // The drawing tools; the current one is the process-wide drawing mode.
    CToolBox& tools() { return *tools_; }

protected:
    // The share worker's deliveries arrive here.
    void customEvent(QEvent* event) override;

private:
    // Shows the first page of memos just taken, or says why none were.
    bool ShowTakenMemos(const memo::OpenMemoResult& result);
    bool OnNetworkCommand(int id);
    bool OnUpdateNetworkCommand(int id, CommandState& state);
    void install_input_and_network();
    bool check_browser_version();
    // The settings, once, and what follows from them: before the engine starts.
    void load_settings();
    // The history, the favorites order and the stamps: after the first page started loading.
    void load_stores();
    void open_first_tabs(const QStringList& arguments);
    bool restore_after_crash();
    void save_session();
    void install_termination_handler();
    void let_first_navigation_start();
    void write_registry_after_first_page();
    // A navigation that has not started by then (refused, say) is not waited for longer.
    static constexpr int kNavigationStartWaitMs = 30;
    // How long after a memo changed its package is written.
    static constexpr int kPackageSaveDelayMs = 2000;
    CTabBrowserWnd* new_tab(const QUrl& first_page);

    QString language_;
    settings::Settings settings_;
    // The settings file as the constructor read it for the language.
    struct SettingsRead {
        std::filesystem::path file;
        settings::Settings settings;
    };
    std::optional<SettingsRead> settings_read_early_;
    platform::Folders folders_;
    std::unique_ptr<platform::RegistryStore> registry_;
    std::unique_ptr<platform::InstanceServer> instance_server_;
    std::filesystem::path memo_folder_;
    std::string user_name_;
    places::History history_;
    places::OrderList favorites_order_;
    std::unique_ptr<memo::PackageCache> package_cache_;
    // Coalesces package changes into one save a few seconds later: a crash loses at most those.
    QTimer* package_saver_ = nullptr;
    SessionSaver* session_ = nullptr;
    std::unique_ptr<memo::StampList> stamps_;
    std::unique_ptr<CToolBox> tools_;
    std::unique_ptr<ShareClient> share_;
    void start_memo_store();
    QWebEngineProfile* profile_ = nullptr;
    DownloadManager* downloads_ = nullptr;
    QPointer<CMainFrame> frame_;
    KeyCommandPoll* key_poll_ = nullptr;
    OfflineInterceptor* offline_ = nullptr;
    QString proxy_user_;
    QString proxy_password_;
};

// The one application object, like the framework's global.
inline CMarvoApp& theApp()
{
    return *CMarvoApp::instance();
}
