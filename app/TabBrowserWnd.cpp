#include "app/TabBrowserWnd.h"

#include "app/AnnotationFiles.h"
#include "app/ShareClient.h"

#include <QMdiArea>
#include <QCoreApplication>
#include <QApplication>
#include <QClipboard>
#include <QDataStream>
#include <QLineEdit>
#include <QShortcut>
#include <QMessageBox>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineSettings>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <utility>

#include "app/BrowserPage.h"
#include "app/CertificatePage.h"
#include "app/ChildFrame.h"
#include "app/CrashPage.h"
#include "app/FindBar.h"
#include "app/PageZoom.h"
#include "app/PermissionBar.h"
#include "app/GestureFilter.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/NetworkOptions.h"
#include "app/PageLoadEnd.h"
#include "app/PageOutput.h"
#include "app/PlacesWiring.h"
#include "app/SavePageAs.h"
#include "app/SiteAuthentication.h"
#include "app/SiteIcon.h"
#include "app/TabLifecycle.h"
#include "app/WebPageSurface.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/ObjectPropDialog.h"
#include "memo/ui/Tools.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"

namespace {

QString from_model(const std::string& text)
{
    return platform::to_qstring(text);
}

} // namespace

CTabBrowserWnd::CTabBrowserWnd(CChildFrame* frame) : QWidget(frame), frame_(frame)
{
    clock_.start();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    page_ = new BrowserPage(theApp().profile(), this);
    load_end_ = new PageLoadEnd(*page_);
    create_view();
    answer_proxy_authentication(page_);
    answer_site_authentication(page_, this);
    // F3 steps through the matches of the find bar, also while the page has the keyboard.
    for (const bool backward : {false, true}) {
        auto* shortcut = new QShortcut(backward ? QKeySequence(Qt::SHIFT | Qt::Key_F3) : QKeySequence(Qt::Key_F3), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, backward] {
            FindBar* bar = find_bar();
            if (bar->edit()->text().isEmpty())
                bar->open();
            else
                backward ? bar->find_previous() : bar->find_next();
        });
    }
    memo_surface_ = new WebPageSurface(*this);
    zoom_ = new PageZoom(*page_, theApp().registry(), this);
    // The memos follow the zoom: the layer's pixels are the page's, and so are the frames'.
    connect(zoom_, &PageZoom::changed, memo_surface_, [this] {
        memo_surface_->apply_width_lock();
        memo_surface_->refresh_frames();
        layer()->update();
    });
    connect(page_, &QWebEnginePage::urlChanged, zoom_, &PageZoom::follow);
    setAcceptDrops(true);

    connect(page_, &QWebEnginePage::urlChanged, this, &CTabBrowserWnd::OnNavigateComplete2);
    // A travel whose page has not committed by the end of its load never will.
    connect(page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (travel_ && info.status() != QWebEngineLoadingInfo::LoadStartedStatus && travel_->leads_to(info.url()))
            end_travel(travel_committed(page_->history()->currentItem().url()));
    });
    connect(load_end_, &PageLoadEnd::ended, this, &CTabBrowserWnd::OnDocumentComplete);
    connect(page_, &QWebEnginePage::titleChanged, this, &CTabBrowserWnd::OnTitleChange);
    connect(load_end_, &PageLoadEnd::started, this, [this] {
        busy_ = true;
        emit busyChanged(true);
        watch_input_widget();
        if (CLayerWnd* memo_layer = layer())
            memo_layer->set_busy(true);
    });
    connect(page_, &QWebEnginePage::linkHovered, this, &CTabBrowserWnd::statusTextChanged);
    // window.print() prints as the print command does; not from inside the engine's call.
    connect(page_, &QWebEnginePage::printRequested, this,
            [this] { QTimer::singleShot(0, this, [this] { OnCommand(res::cmd::kPrint); }); });
    permission_bar_ = new PermissionBar(page_, theApp().registry(), this);
    site_icon_ = new SiteIcon(*this);
    lifecycle_ = new TabLifecycle(*this);
    connect(site_icon_, &SiteIcon::changed, this, &CTabBrowserWnd::iconChanged);
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exit_code) {
                watch_input_widget();
                // The tab shows why its page went, with a Reload button that loads it again.
                if (status != QWebEnginePage::NormalTerminationStatus)
                    QTimer::singleShot(0, this, [this, status, exit_code, url = LocationURL()] {
                        show_stand_in(url, crash_page::html(status, exit_code, url));
                    });
            });
    connect(page_, &QWebEnginePage::certificateError, this, &CTabBrowserWnd::OnCertificateError);
    refresh_timer_.setTimerType(Qt::CoarseTimer);
    connect(&refresh_timer_, &QTimer::timeout, this, [this] {
        if (auto_refresh_ > 0)
            refresh(false);
        else
            refresh_timer_.stop();
    });
    apply_settings();
    SetFontSize(theApp().settings().fontsize);
}

CTabBrowserWnd::~CTabBrowserWnd() = default;

void CTabBrowserWnd::create_view()
{
    view_ = new QWebEngineView(this);
    view_->setPage(page_);
    layout()->addWidget(view_);
}

void CTabBrowserWnd::release_view()
{
    if (!view_)
        return;
    memo_surface_->detach_from_view();
    delete std::exchange(view_, nullptr);
}

void CTabBrowserWnd::ensure_view()
{
    if (view_)
        return;
    create_view();
    memo_surface_->attach_to_view();
    watch_input_widget();
}

QIcon CTabBrowserWnd::site_icon() const
{
    return site_icon_->icon();
}

FindBar* CTabBrowserWnd::find_bar()
{
    if (!find_bar_)
        find_bar_ = new FindBar(page_, this);
    return find_bar_;
}

CLayerWnd* CTabBrowserWnd::layer() const
{
    return memo_surface_->layer();
}

// The engine settings that follow the program's download-control flags.
void CTabBrowserWnd::apply_settings()
{
    const settings::Settings& options = theApp().settings();
    script_errors_blocked_ = options.blockscripterror != 0;
    QWebEngineSettings* engine = page_->settings();
    engine->setAttribute(QWebEngineSettings::AutoLoadImages, options.securityflag & settings::kDownloadImages);
    engine->setAttribute(QWebEngineSettings::JavascriptEnabled, !(options.securityflag & settings::kNoScripts));
    engine->setAttribute(QWebEngineSettings::PluginsEnabled, !(options.securityflag & settings::kNoActiveXRun));
    // Without videos nothing plays before a click; without sounds the page is muted, as is a
    // tab the user muted.
    engine->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !(options.securityflag & settings::kPlayVideos));
    page_->setAudioMuted(muted_ || !(options.securityflag & settings::kPlaySounds));
    engine->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    // The site icon is the tab's own (SiteIcon): the engine need not fetch one as well.
    engine->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
}

void CTabBrowserWnd::Navigate(const QUrl& url)
{
    lifecycle_->wake_for_navigation();
    requested_url_ = url;
    page_->load(url);
}

void CTabBrowserWnd::NavigateWhenShown(const QUrl& url)
{
    lifecycle_->defer_load(url);
    emit titleChanged(platform::shown_url(url));
    site_icon_->take_site_favicon(url);
}

// Over the crash page, the page that crashed: the address bar, the saved tabs and Reload
// go by it, not by the crash page's own data address. Before a restored tab was first shown,
// the page it will load.
QUrl CTabBrowserWnd::LocationURL() const
{
    if (const QUrl& deferred = lifecycle_->deferred_url(); !deferred.isEmpty())
        return deferred;
    return stand_in_shown() ? stand_in_for_ : page_->url();
}

// What the tab reopens at the next start: until the engine has committed a page (the first
// one is slow to answer), the address the tab was sent to, so closing then does not lose it.
QUrl CTabBrowserWnd::address_to_reopen() const
{
    const QUrl url = LocationURL();
    return url.isEmpty() ? requested_url_ : url;
}

bool CTabBrowserWnd::stand_in_shown() const
{
    return !stand_in_for_.isEmpty() && page_->url().scheme() == QLatin1String("data");
}

void CTabBrowserWnd::show_stand_in(const QUrl& url, const QString& html)
{
    stand_in_for_ = url;
    page_->setHtml(html);
}

// The engine asks whether to go on with a certificate it does not trust: only when the user
// chose "proceed anyway" for that very address on our page; otherwise our page says why.
void CTabBrowserWnd::OnCertificateError(QWebEngineCertificateError error)
{
    if (error.isOverridable() && error.url() == proceed_to_) {
        proceed_to_.clear();
        error.acceptCertificate();
        return;
    }
    error.rejectCertificate();
    // A frame's or a redirected request's error stays the engine's own.
    if (error.url() != page_->requestedUrl())
        return;
    // Our page replaces the engine's error page once that has come, under the same address.
    const QUrl back = stand_in_shown() ? QUrl() : page_->history()->currentItem().url();
    refusing_ = error.url();
    connect(
        page_, &QWebEnginePage::loadFinished, this,
        [this, error, back] {
            refusing_.clear();
            if (page_->url() != error.url())
                return;  // the user went elsewhere meanwhile
            show_stand_in(error.url(), certificate_page::html(error, back));
            refused_certificate_ = error.isOverridable() ? error.url() : QUrl();
        },
        Qt::SingleShotConnection);
}

QString CTabBrowserWnd::LocationName() const
{
    return page_->title();
}

// The engine's input widget appears after the first load and is replaced when the render
// process restarts: watch whichever is current for the left-button releases.
void CTabBrowserWnd::watch_input_widget()
{
    QWidget* input = view_ ? view_->focusProxy() : nullptr;
    memo_surface_->layer()->watch_input();
    if (!input || !input_widget_.follow(input))
        return;
    GestureFilter::attach(this, input);
    zoom_->watch_wheel(input);
}

bool CTabBrowserWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == input_widget_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        record_left_release();
    return QWidget::eventFilter(watched, event);
}

void CTabBrowserWnd::record_left_release()
{
    last_left_release_ms_ = clock_.elapsed();
}

bool CTabBrowserWnd::OnBeforeNavigate2(const QUrl& url, QWebEnginePage::NavigationType type)
{
    const bool user_navigation = type == QWebEnginePage::NavigationTypeLinkClicked ||
                                 type == QWebEnginePage::NavigationTypeTyped ||
                                 type == QWebEnginePage::NavigationTypeFormSubmitted ||
                                 type == QWebEnginePage::NavigationTypeOther;
    // "Proceed anyway" on the certificate page: a link to the refused address itself.
    if (type == QWebEnginePage::NavigationTypeLinkClicked && stand_in_shown() && !refused_certificate_.isEmpty() &&
        url == refused_certificate_)
        proceed_to_ = url;
    const bool has_page = !LocationURL().isEmpty() && LocationURL() != QUrl("about:blank");
    // Back or forward beyond the engine's history: its load, then its redirects.
    const bool travel = travel_ && (travel_->leads_to(url) || type == QWebEnginePage::NavigationTypeRedirect ||
                                    (!travel_->asked && type == QWebEnginePage::NavigationTypeTyped));
    if (navigation_lock_ && user_navigation && has_page && !travel) {
        // A locked tab keeps its page: the navigation opens in a new tab instead.
        QTimer::singleShot(0, &theApp(), [target = platform::model_url(url)] {
            theApp().OpenInNewTab(target);
        });
        return false;
    }
    if (travel && !std::exchange(travel_->asked, true))
        travel_->urls = {url};  // as the engine spells it
    else if (travel && type == QWebEnginePage::NavigationTypeRedirect)
        travel_->urls.push_back(url);
    else if (travel_ && !travel)
        end_travel(false);  // this navigation replaces the travel's
    // A new page ends the forward entries, those beyond the engine's history too.
    if (type != QWebEnginePage::NavigationTypeBackForward && type != QWebEnginePage::NavigationTypeReload &&
        type != QWebEnginePage::NavigationTypeRedirect && !travel)
        restored_forward_.clear();
    if (CMainFrame* main = theApp().main_frame())
        main->set_activity(true);
    return true;
}

QWebEnginePage* CTabBrowserWnd::OnNewWindow2(bool user_initiated, bool background)
{
    const bool recent_click =
        last_left_release_ms_ >= 0 && clock_.elapsed() - last_left_release_ms_ <= kPopupClickWindowMs;
    if (theApp().settings().blockpopup && !recent_click && !user_initiated)
        return nullptr;  // popup blocked
    CTabBrowserWnd* tab = theApp().NewBlankTab();
    if (tab && background)
        frame_->mdiArea()->setActiveSubWindow(frame_);
    return tab ? tab->page_ : nullptr;
}

void CTabBrowserWnd::OnScriptError(const QString& message, int line, const QString& source)
{
    if (script_errors_blocked_)
        return;
    const QString error = QCoreApplication::translate("TabBrowserWnd", "行: %1\nエラー: %2\nURL: %3").arg(line).arg(message, source);
    if (script_error_box_) {
        script_error_box_->setText(script_error_box_->text() + QStringLiteral("\n\n") + error);
        return;
    }
    script_error_box_ = new QMessageBox(QMessageBox::Warning, QCoreApplication::translate("TabBrowserWnd", "スクリプト エラー"),
                                        QCoreApplication::translate("TabBrowserWnd", "このページのスクリプトでエラーが発生しました。\n\n") + error,
                                        QMessageBox::Ok, this);
    script_error_box_->setAttribute(Qt::WA_DeleteOnClose);
    script_error_box_->open();
}

void CTabBrowserWnd::OnNavigateComplete2(const QUrl& url)
{
    if (travel_ && travel_committed(url))
        end_travel(true);
    if (history_to_copy_) {
        // Same back and forward entries as the source tab, ending on its current page.
        QByteArray state;
        {
            QDataStream out(&state, QIODevice::WriteOnly);
            out << *history_to_copy_->page_->history();
        }
        restored_back_ = history_to_copy_->committed_back();
        restored_forward_ = history_to_copy_->committed_forward();
        history_to_copy_ = nullptr;
        QDataStream in(state);
        in >> *page_->history();
    }
    // The crash and certificate pages are no visits, nor the engine's error page of a refused
    // certificate before ours replaces it.
    const bool stand_in = !stand_in_for_.isEmpty() && url.scheme() == QLatin1String("data");
    if (!stand_in) {
        stand_in_for_.clear();
        refused_certificate_.clear();
    }
    if (!url.isEmpty() && !stand_in && url != refusing_)
        theApp().history().add_visit({platform::model_url(url), places::system_now()});
    emit urlChanged(stand_in ? stand_in_for_ : url);
}

void CTabBrowserWnd::OnDocumentComplete(bool ok)
{
    watch_input_widget();
    script_errors_blocked_ = theApp().settings().blockscripterror != 0;
    busy_ = false;
    emit busyChanged(false);
    if (CLayerWnd* memo_layer = layer())
        memo_layer->set_busy(false);
    emit urlChanged(LocationURL());
    if (ShareClient* share = theApp().share_client())
        share->add_search(*this);
    site_icon_->refresh(ok);
}

void CTabBrowserWnd::OnTitleChange(const QString& title)
{
    // The history pane shows it with the address; the history file has no place for it.
    AppPlacesHost::instance().remember_title(platform::model_url(LocationURL()),
                                             platform::from_qstring(title));
    emit titleChanged(title);
}

void CTabBrowserWnd::set_history_to_restore(std::vector<settings::LogEntry> entries)
{
    restored_back_ = std::move(entries);
}

std::vector<settings::LogEntry> CTabBrowserWnd::back_entries() const
{
    std::vector<settings::LogEntry> entries = committed_back();
    for (const QWebEngineHistoryItem& item : page_->history()->backItems(INT_MAX))
        entries.push_back({platform::model_url(item.url()), platform::from_qstring(item.title())});
    return entries;
}

QStringList CTabBrowserWnd::back_titles() const
{
    QStringList titles;
    const QList<QWebEngineHistoryItem> items = engine_back(10);
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        titles << (it->title().isEmpty() ? platform::shown_url(it->url()) : it->title());
    for (auto it = restored_back_.rbegin(); it != restored_back_.rend() && titles.size() < 10; ++it)
        titles << (it->title.empty() ? platform::shown_url(it->url) : from_model(it->title));
    return titles;
}

QStringList CTabBrowserWnd::forward_titles() const
{
    QStringList titles;
    for (const QWebEngineHistoryItem& item : engine_forward(10))
        titles << (item.title().isEmpty() ? platform::shown_url(item.url()) : item.title());
    for (auto it = restored_forward_.begin(); it != restored_forward_.end() && titles.size() < 10; ++it)
        titles << (it->title.empty() ? platform::shown_url(it->url) : from_model(it->title));
    return titles;
}

void CTabBrowserWnd::TravelBack(int steps)
{
    lifecycle_->wake_for_navigation();
    const QList<QWebEngineHistoryItem> items = engine_back(INT_MAX);
    if (steps < items.size()) {
        page_->history()->goToItem(items[items.size() - 1 - steps]);
        return;
    }
    // Beyond the engine's history lie the entries restored from the last run; the pages
    // between the one travelled to and here become its forward entries.
    const std::size_t restored_steps = static_cast<std::size_t>(steps - items.size());
    if (restored_steps >= restored_back_.size())
        return;
    const auto target = restored_back_.end() - 1 - static_cast<std::ptrdiff_t>(restored_steps);
    std::vector<settings::LogEntry> forward(target + 1, restored_back_.end());
    for (settings::LogEntry& entry : engine_entries())
        forward.push_back(std::move(entry));
    forward.insert(forward.end(), restored_forward_.begin(), restored_forward_.end());
    travel_beyond_engine(*target, {restored_back_.begin(), target}, std::move(forward));
}

void CTabBrowserWnd::TravelForward(int steps)
{
    lifecycle_->wake_for_navigation();
    const QList<QWebEngineHistoryItem> items = engine_forward(INT_MAX);
    if (steps < items.size()) {
        page_->history()->goToItem(items[steps]);
        return;
    }
    // Beyond the engine's forward entries lie the newer pages left by going back into the
    // restored entries; those passed over become back entries.
    const std::size_t restored_steps = static_cast<std::size_t>(steps - items.size());
    if (restored_steps >= restored_forward_.size())
        return;
    std::vector<settings::LogEntry> back = restored_back_;
    for (settings::LogEntry& entry : engine_entries())
        back.push_back(std::move(entry));
    const auto target = restored_forward_.begin() + static_cast<std::ptrdiff_t>(restored_steps);
    back.insert(back.end(), restored_forward_.begin(), target);
    travel_beyond_engine(*target, std::move(back), {target + 1, restored_forward_.end()});
}

QList<QWebEngineHistoryItem> CTabBrowserWnd::engine_back(int max) const
{
    return travel_ ? QList<QWebEngineHistoryItem>() : page_->history()->backItems(max);
}

QList<QWebEngineHistoryItem> CTabBrowserWnd::engine_forward(int max) const
{
    return travel_ ? QList<QWebEngineHistoryItem>() : page_->history()->forwardItems(max);
}

std::vector<settings::LogEntry> CTabBrowserWnd::engine_entries() const
{
    if (travel_)
        return {travel_->target};
    const auto entry_of = [](const QUrl& url, const QString& title) {
        return settings::LogEntry{platform::model_url(url), platform::from_qstring(title)};
    };
    std::vector<settings::LogEntry> entries;
    for (const QWebEngineHistoryItem& item : page_->history()->backItems(INT_MAX))
        entries.push_back(entry_of(item.url(), item.title()));
    // Before its first page has committed, the tab is on the page it is loading.
    if (!LocationURL().isEmpty())
        entries.push_back(entry_of(LocationURL(), LocationName()));
    else if (!page_->requestedUrl().isEmpty())
        entries.push_back(entry_of(page_->requestedUrl(), QString()));
    for (const QWebEngineHistoryItem& item : page_->history()->forwardItems(INT_MAX))
        entries.push_back(entry_of(item.url(), item.title()));
    return entries;
}

const std::vector<settings::LogEntry>& CTabBrowserWnd::committed_back() const
{
    return travel_ ? travel_->back : restored_back_;
}

const std::vector<settings::LogEntry>& CTabBrowserWnd::committed_forward() const
{
    return travel_ ? travel_->forward : restored_forward_;
}

void CTabBrowserWnd::travel_beyond_engine(settings::LogEntry entry, std::vector<settings::LogEntry> back,
                                          std::vector<settings::LogEntry> forward)
{
    if (!travel_) {
        travel_.emplace();
        travel_->back = std::move(restored_back_);
        travel_->forward = std::move(restored_forward_);
    }
    restored_back_ = std::move(back);
    restored_forward_ = std::move(forward);
    const QUrl url = platform::url_from_model(entry.url);
    travel_->target = std::move(entry);
    travel_->urls = {url};
    travel_->asked = false;
    Navigate(url);
}

bool CTabBrowserWnd::travel_committed(const QUrl& url) const
{
    return travel_->leads_to(url) && page_->history()->currentItem().url() == url;
}

void CTabBrowserWnd::end_travel(bool committed)
{
    if (committed) {
        page_->history()->clear();  // its entries are kept in the restored lists now
    } else {
        restored_back_ = std::move(travel_->back);
        restored_forward_ = std::move(travel_->forward);
    }
    travel_.reset();
}

void CTabBrowserWnd::SetFontSize(int size)
{
    font_size_ = std::clamp(size, 0, 4);
    page_->settings()->setFontSize(QWebEngineSettings::DefaultFontSize, kFontPixels[font_size_]);
    theApp().settings().fontsize = font_size_;
}

void CTabBrowserWnd::SetAutoRefresh(int seconds)
{
    auto_refresh_ = seconds;
    refresh_timer_.stop();
    if (seconds > 0)
        refresh_timer_.start(seconds * refresh_unit_ms);
}

void CTabBrowserWnd::FitMemoWidthToWindow()
{
    CLayerWnd* memo_layer = layer();
    if (!memo_layer || !memo_layer->page_has_memos())
        return;
    const auto package = memo_layer->package(platform::model_url(LocationURL()), false);
    if (!package)
        return;
    package->width = frame_->widget()->width();
    package->dirty = true;
    memo_surface_->apply_width_lock();
}

void CTabBrowserWnd::SetNavigationLock(bool on)
{
    navigation_lock_ = on;
    if (CMainFrame* main = theApp().main_frame())
        main->repaint_tab_strip();
}

void CTabBrowserWnd::refresh(bool completely)
{
    if (stand_in_shown()) {
        Navigate(stand_in_for_);
        return;
    }
    lifecycle_->wake_for_navigation();
    page_->triggerAction(completely ? QWebEnginePage::ReloadAndBypassCache : QWebEnginePage::Reload);
}

// Puts the addresses of the links inside the selection on the clipboard, one per line.
void CTabBrowserWnd::copy_link_addresses()
{
    static const QString script = QStringLiteral(R"(
        (function () {
            const selection = window.getSelection();
            if (!selection || selection.rangeCount === 0) return [];
            const range = selection.getRangeAt(0);
            return Array.from(document.querySelectorAll('a[href]'))
                .filter(a => range.intersectsNode(a)).map(a => a.href);
        })())");
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld, [](const QVariant& result) {
        const QStringList links = result.toStringList();
        if (links.isEmpty())
            return;
        QApplication::clipboard()->setText(links.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    });
}

bool CTabBrowserWnd::OnCommand(int id)
{
    using namespace res::cmd;
    if (page_output::handles(id))
        return page_output::run(*this, id);
    const int back_index = backListIndex(id);
    const int forward_index = forwardListIndex(id);
    if (back_index >= 0 || forward_index >= 0) {
        theApp().SetBrowseMode();
        back_index >= 0 ? TravelBack(back_index) : TravelForward(forward_index);
        return true;
    }
    if (isFontSizeCommand(id)) {
        if (fontSizeOf(id) != font_size_ && layer()->change_text_size(fontSizeOf(id)))
            SetFontSize(fontSizeOf(id));
        return true;
    }
    if (id == kZoomIn || id == kZoomOut || id == kZoomReset) {
        zoom_->step(id == kZoomIn ? 1 : id == kZoomOut ? -1 : 0);
        return true;
    }
    if (isAutoRefreshCommand(id)) {
        SetAutoRefresh(autoRefreshSecondsOf(id));
        return true;
    }
    switch (id) {
    case kBack:
        theApp().SetBrowseMode();
        TravelBack(0);
        return true;
    case kForward:
        theApp().SetBrowseMode();
        TravelForward(0);
        return true;
    case kStop:
        theApp().SetBrowseMode();
        page_->triggerAction(QWebEnginePage::Stop);
        return true;
    case kRefresh:
        refresh(QApplication::keyboardModifiers() & Qt::ShiftModifier);
        return true;
    case kNavigationLock:
        SetNavigationLock(!navigation_lock_);
        return true;
    case kMuteTab:
        muted_ = !muted_;
        apply_settings();
        return true;
    case kSaveAs:
        save_page_as::run(*this);
        return true;
    case kViewSource:
        theApp().OpenInNewTab("view-source:" + platform::model_url(LocationURL()));
        return true;
    case kFind:
        find_bar()->open();
        return true;
    case kCopyLinkUrls:
        copy_link_addresses();
        return true;
    case kCopy:
        if (theApp().drawing_tool_active())
            layer()->copy();
        else
            page_->triggerAction(QWebEnginePage::Copy);
        return true;
    case kCut:
        if (theApp().drawing_tool_active())
            layer()->cut();
        else
            page_->triggerAction(QWebEnginePage::Cut);
        return true;
    case kPaste:
        if (theApp().drawing_tool_active())
            layer()->paste();
        else
            page_->triggerAction(QWebEnginePage::Paste);
        return true;
    case kUndo:
        if (theApp().drawing_tool_active())
            layer()->undo();
        else
            page_->triggerAction(QWebEnginePage::Undo);
        return true;
    case kRedo:
        if (theApp().drawing_tool_active())
            layer()->redo();
        else
            page_->triggerAction(QWebEnginePage::Redo);
        return true;
    case kHideMemos:
        layer()->set_shown(!layer()->shown());
        return true;
    case kExportAnnotations:
        annotation_files::export_page(this, *this);
        return true;
    case kDelete:
        if (CTool* tool = theApp().tools().current()) {
            tool->command(kDelete);
            return true;
        }
        return false;
    case kClearMemos:
        layer()->clear_page();
        return true;
    case kObjectProperties:
        if (memo::MemoObject* object = layer()->selection())
            CObjectPropDialog::edit(this, *layer(), *object);
        return true;
    }
    return false;
}

bool CTabBrowserWnd::OnUpdateCommand(int id, CommandState& state)
{
    using namespace res::cmd;
    if (page_output::handles(id)) {
        state.enabled = layer() != nullptr;
        return true;
    }
    if (isFontSizeCommand(id)) {
        state.checked = fontSizeOf(id) == font_size_;
        return true;
    }
    if (id == kZoomIn || id == kZoomOut || id == kZoomReset)
        return true;
    if (isAutoRefreshCommand(id)) {
        state.checked = autoRefreshSecondsOf(id) == auto_refresh_;
        return true;
    }
    switch (id) {
    case kBack:
        state.enabled = !engine_back(1).isEmpty() || !restored_back_.empty();
        return true;
    case kForward:
        state.enabled = !engine_forward(1).isEmpty() || !restored_forward_.empty();
        return true;
    case kNavigationLock:
        state.checked = navigation_lock_;
        return true;
    case kMuteTab:
        state.checked = muted_;
        return true;
    case kCopy:
    case kCut:
        state.enabled = !theApp().drawing_tool_active() || layer()->can_copy();
        return true;
    case kStop:
    case kRefresh:
    case kSaveAs:
    case kViewSource:
    case kFind:
    case kCopyLinkUrls:
    case kPaste:
    case kUndo:
    case kRedo:
    case kClearMemos:
        return true;
    case kHideMemos:
        state.checked = !layer()->shown();
        return true;
    case kExportAnnotations:
        state.enabled = layer()->page_has_memos();
        return true;
    case kObjectProperties:
        state.enabled = layer()->selection() != nullptr;
        return true;
    case kDelete:
        state.enabled = theApp().drawing_tool_active();
        return true;
    }
    return backListIndex(id) >= 0 || forwardListIndex(id) >= 0;
}
