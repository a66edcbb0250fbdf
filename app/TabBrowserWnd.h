#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <vector>

#include "app/CommandTarget.h"
#include "settings/Settings.h"
#include "ui/FilteredWidget.h"

class BrowserPage;
class PageLoadEnd;
class CChildFrame;
class QMessageBox;
class CLayerWnd;
class FindBar;
class PageZoom;
class PermissionBar;
class SiteIcon;
class TabLifecycle;
class WebPageSurface;
class QWebEngineView;
class QWebEngineCertificateError;
class QWebEngineHistoryItem;

// The browser window of one tab: hosts the engine's view, turns its events into the program's
// behaviour (address bar, title, icons, history, popup and script-error blocking, navigation
// lock, auto refresh) and runs the tab's commands.
class CTabBrowserWnd : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    // The engine's default font size for text sizes 0 (smallest) to 4 (largest).
    static constexpr int kFontPixels[5] = {11, 13, 16, 19, 24};
    // A popup opened more than this long after the last left-button release over the page is
    // not the user's doing, unless the engine saw the user's input open it (a middle click, a
    // key, a click whose answer came late); others are blocked when popups are blocked.
    static constexpr qint64 kPopupClickWindowMs = 50;
    // Milliseconds per second of auto refresh; tests shorten it to run the same timer path.
    static inline int refresh_unit_ms = 1000;

    explicit CTabBrowserWnd(CChildFrame* frame);
    ~CTabBrowserWnd() override;

    CChildFrame* frame() const { return frame_; }
    // The engine's view of the page; none while the tab is discarded.
    QWebEngineView* view() const { return view_; }
    // A discarded tab lets its view go, and with it what the engine keeps in this process to
    // show the page (some megabytes a tab); the page keeps its history, title, zoom and
    // connections. The view comes back, with the memo layer on it, before the tab is shown.
    void release_view();
    void ensure_view();
    BrowserPage* page() const { return page_; }
    // When the page starts and ends loading (each document's end, also where the engine is silent).
    PageLoadEnd& load_end() const { return *load_end_; }
    // The memo layer over the page.
    CLayerWnd* layer() const;
    WebPageSurface& memo_surface() const { return *memo_surface_; }
    // The find bar over the page, made when first asked for.
    FindBar* find_bar();
    // The bar that asks the user what the site may use.
    PermissionBar* permission_bar() const { return permission_bar_; }
    // Hiding, freezing and discarding the page while the tab is behind another.
    TabLifecycle& lifecycle() const { return *lifecycle_; }

    void Navigate(const QUrl& url);
    // A tab restored from the last run: shows the page's address and site icon in the strip
    // and loads the page when the tab is first shown.
    void NavigateWhenShown(const QUrl& url);
    // The page shown, or the one to load when the tab is first shown.
    QUrl LocationURL() const;
    QUrl address_to_reopen() const;
    // Whether the crash or certificate page stands in for the page.
    bool stand_in_shown() const;
    QString LocationName() const;
    bool busy() const { return busy_; }

    void SetFontSize(int size);
    int font_size() const { return font_size_; }
    // The page's zoom, remembered per site.
    PageZoom& zoom() const { return *zoom_; }
    void SetAutoRefresh(int seconds);
    int auto_refresh() const { return auto_refresh_; }
    void SetNavigationLock(bool on);
    // Makes the width stored with the page's memos the tab's current width (the memos may
    // move against the page), marks the package changed and lays the tab out again.
    void FitMemoWidthToWindow();
    bool navigation_lock() const { return navigation_lock_; }
    QIcon site_icon() const;

    // A duplicated tab copies the back and forward entries of its source after its first
    // navigation; a restored tab puts saved back entries in front of its own history.
    void set_history_to_copy(CTabBrowserWnd* source) { history_to_copy_ = source; }
    void set_history_to_restore(std::vector<settings::LogEntry> entries);
    // Back entries, oldest first: restored entries, then the engine's own.
    std::vector<settings::LogEntry> back_entries() const;
    // Titles for the back and forward lists, nearest first, at most 10.
    QStringList back_titles() const;
    QStringList forward_titles() const;
    void TravelBack(int steps);
    void TravelForward(int steps);

    // Time of the last left-button release over the page (monotonic milliseconds).
    void record_left_release();

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // Takes the engine settings that follow the program's settings (again, after they change).
    void apply_settings();

    // Engine events, called by the page.
    bool OnBeforeNavigate2(const QUrl& url, QWebEnginePage::NavigationType type);
    // A background tab (a middle click on a link) opens without leaving this one.
    QWebEnginePage* OnNewWindow2(bool user_initiated, bool background);
    void OnScriptError(const QString& message, int line, const QString& source);
    void OnCertificateError(QWebEngineCertificateError error);

signals:
    void titleChanged(const QString& title);
    void urlChanged(const QUrl& url);
    void statusTextChanged(const QString& text);
    void busyChanged(bool busy);
    void iconChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create_view();
    void OnNavigateComplete2(const QUrl& url);
    void OnDocumentComplete(bool ok);
    void OnTitleChange(const QString& title);
    void watch_input_widget();
    void refresh(bool completely);
    // The engine's own back items (oldest first) and forward items, at most max; none while
    // a travel beyond them is on its way.
    QList<QWebEngineHistoryItem> engine_back(int max) const;
    QList<QWebEngineHistoryItem> engine_forward(int max) const;
    // The engine's back entries (oldest first), its current page and its forward entries;
    // during a travel beyond them, the page travelled to alone.
    std::vector<settings::LogEntry> engine_entries() const;
    // The restored lists that go with the page the engine shows: during a travel, the ones
    // from before it.
    const std::vector<settings::LogEntry>& committed_back() const;
    const std::vector<settings::LogEntry>& committed_forward() const;
    // Loads an entry beyond the engine's history, with the restored lists it will have.
    void travel_beyond_engine(settings::LogEntry entry, std::vector<settings::LogEntry> back,
                              std::vector<settings::LogEntry> forward);
    // Whether the engine has committed the page of the travel under this address.
    bool travel_committed(const QUrl& url) const;
    void end_travel(bool committed);
    void copy_link_addresses();
    void show_stand_in(const QUrl& url, const QString& html);

    CChildFrame* frame_;
    QWebEngineView* view_ = nullptr;
    BrowserPage* page_;
    PageLoadEnd* load_end_ = nullptr;
    WebPageSurface* memo_surface_ = nullptr;
    PageZoom* zoom_ = nullptr;
    FindBar* find_bar_ = nullptr;
    PermissionBar* permission_bar_ = nullptr;
    // The page whose render process died or whose certificate was refused, while our page
    // stands in for it; the refused address the certificate page offers to go on to, and the
    // one the user chose to go on to.
    QUrl stand_in_for_;
    QUrl requested_url_;  // the last address the tab was sent to
    QUrl refused_certificate_;
    QUrl refusing_;  // a refused address while the engine's error page for it comes
    QUrl proceed_to_;
    ui::FilteredWidget input_widget_{this};
    bool busy_ = false;
    bool script_errors_blocked_ = true;
    // The one script-error box of the tab while it is open; later errors are added to it.
    QPointer<QMessageBox> script_error_box_;
    bool navigation_lock_ = false;
    bool muted_ = false;  // by the tab's own command, whatever the settings say
    int auto_refresh_ = 0;
    QTimer refresh_timer_;
    int font_size_ = 2;
    SiteIcon* site_icon_ = nullptr;
    TabLifecycle* lifecycle_ = nullptr;
    QPointer<CTabBrowserWnd> history_to_copy_;
    // Entries beyond the engine's own history: the back entries restored from the last run
    // (oldest first) and, once the tab went back into them, the newer pages (nearest first).
    // A page reached through them starts the engine's history anew once it has committed.
    std::vector<settings::LogEntry> restored_back_;
    std::vector<settings::LogEntry> restored_forward_;
    // A travel into those entries whose page has not committed yet. Until it does, the
    // engine's history is the one left behind, so travel and the menus go by the restored
    // lists alone; if the page never comes (Stop, a download, another navigation), the lists
    // return to how they were.
    struct Travel {
        settings::LogEntry target;
        std::vector<QUrl> urls;  // the target's address as the engine asked for it, then its redirects
        bool asked = false;
        std::vector<settings::LogEntry> back, forward;
        bool leads_to(const QUrl& url) const { return std::find(urls.begin(), urls.end(), url) != urls.end(); }
    };
    std::optional<Travel> travel_;
    QElapsedTimer clock_;
    qint64 last_left_release_ms_ = -1;
};
