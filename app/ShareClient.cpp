#include "app/ShareClient.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QWebEngineView>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "memo/ui/LayerWnd.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/StringTable.h"
#include "share/ui/InstantMessageDlg.h"
#include "rs2/DebugStream.h"
#include "ui/MessageBox.h"
#include "ui/Texts.h"

namespace {

// Posts to the application object, which outlives any worker: a worker that had to be
// abandoned at exit may still post, and the event then finds no client and is dropped.
class AppPoster : public share::ShareNotifier {
public:
    bool packages_ready() override { return post(ShareClient::kPackagesEvent); }
    bool messages_ready() override { return post(ShareClient::kMessagesEvent); }

private:
    static bool post(QEvent::Type type)
    {
        QCoreApplication* target = QCoreApplication::instance();
        if (!target)
            return false;
        QCoreApplication::postEvent(target, new QEvent(type));
        return true;
    }
};

// A site check asks for the server's copy when it is newer than ours by more than this.
constexpr memo::Time64 kCheckSlackSeconds = 5 * 60;

} // namespace

ShareClient::ShareClient(CMarvoApp& app)
    : app_(app), state_(std::make_unique<share::ShareState>()), notifier_(std::make_unique<AppPoster>())
{
}

ShareClient::~ShareClient()
{
    stop();
}

void ShareClient::push_settings()
{
    const settings::Settings& options = app_.settings();
    share::ShareSettings settings;
    settings.server_addr = options.server_addr();
    settings.server_port = options.server_port;
    settings.check_time = options.check_time;
    settings.user_name = options.user_name;
    state_->set_settings(settings);
}

void ShareClient::start()
{
    if (worker_)
        return;
    push_settings();
    worker_ = std::make_unique<share::ShareWorker>(*state_, *notifier_);
    memo::PackageCache& cache = app_.package_cache();
    share::ShareWorker* worker = worker_.get();
    cache.set_commit_sink([worker](std::vector<std::shared_ptr<const memo::MemoPackage>> packages) {
        worker->request_commit(std::move(packages));
    });
    cache.set_delete_sink([worker](const std::string& url) { worker->request_delete(url); });
    memo_layer_services().queue_delete = [worker](const std::string& url) { worker->request_delete(url); };
    worker_->start();
    if (CMainFrame* frame = app_.main_frame()) {
        if (auto* pane = frame->findChild<QLabel*>(QStringLiteral("SharePane")))
            pane->installEventFilter(this);
        received_ = new CRecvInstantMsgDlg(frame);
        connect(received_, &CRecvInstantMsgDlg::replyRequested, this,
                [this](const QByteArray& sender) { reply_to(sender.toStdString()); });
    }
}

bool ShareClient::can_send_message() const
{
    return !app_.settings().user_name.empty() && !app_.settings().server_addr().empty();
}

void ShareClient::send_message_command()
{
    if (!can_send_message())
        return;
    const settings::Settings& options = app_.settings();
    const std::string chosen = run_send_message(app_.main_frame(), {options.server_addr(), options.server_port, options.user_name},
                                                last_recipient_);
    if (!chosen.empty())
        last_recipient_ = chosen;
}

void ShareClient::reply_to(const std::string& sender)
{
    if (!can_send_message())
        return;
    const settings::Settings& options = app_.settings();
    run_send_message(received_, {options.server_addr(), options.server_port, options.user_name}, sender);
}

bool ShareClient::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->objectName() == QLatin1String("SharePane")) {
        exclude_active_site();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ShareClient::stop()
{
    if (!worker_)
        return;
    if (app_.package_cache_ready()) {
        app_.package_cache().set_commit_sink({});
        app_.package_cache().set_delete_sink({});
    }
    memo_layer_services().queue_delete = {};
    // The commit queued by the frame's closing would otherwise be dropped with the queue.
    if (worker_->queued_jobs() > 0)
        worker_->run_queued(share::ShareWorker::kStopSeconds);
    worker_->stop();
    const bool ended = worker_->wait(share::ShareWorker::kStopSeconds);
    rs2::retire(std::move(worker_), 0);
    if (!ended) {
        // The abandoned thread still reads the state and posts through the notifier.
        (void)state_.release();
        (void)notifier_.release();
        state_ = std::make_unique<share::ShareState>();
        notifier_ = std::make_unique<AppPoster>();
    }
}

bool ShareClient::is_private(const std::string& url) const
{
    const std::string site = memo::normalize_url(url);
    for (const std::string& area : app_.settings().private_areas)
        if (area == url || memo::normalize_url(area) == site)
            return true;
    return false;
}

std::vector<std::string> ShareClient::page_urls(CTabBrowserWnd& tab)
{
    std::vector<std::string> urls;
    auto add = [&urls](const std::string& url) {
        if (!url.empty() && std::find(urls.begin(), urls.end(), url) == urls.end())
            urls.push_back(url);
    };
    add(platform::model_url(tab.LocationURL()));
    if (CLayerWnd* layer = tab.layer())
        for (const DocumentView& document : layer->documents())
            add(document.url);
    return urls;
}

void ShareClient::add_search(CTabBrowserWnd& tab)
{
    if (!worker_)
        return;
    const std::vector<std::string> urls = page_urls(tab);
    for (const std::string& url : urls)
        if (is_private(url))
            return;
    // The server keeps each package under the key the cache gives it (what commits and
    // deletions send); pages of the browser itself have no site to share.
    std::vector<std::string> sites;
    for (const std::string& url : urls) {
        std::string site = memo::normalize_url(url);
        if (!site.empty() && !site.starts_with("about:") && std::find(sites.begin(), sites.end(), site) == sites.end())
            sites.push_back(std::move(site));
    }
    if (sites.empty())
        return;
    rs2::trace() << "AddSearch\n";
    memo::PackageCache& cache = app_.package_cache();
    for (const std::string& url : sites) {
        memo::Time64 time = memo::never_time();
        bool has_content = false;
        if (const memo::PackageCache::PackagePtr package = cache.lookup(url, false)) {
            time = package->time - kCheckSlackSeconds;
            has_content = !package->empty();
        }
        worker_->request_check(url, time, has_content);
    }
}

QString ShareClient::pane_text() const
{
    if (CTabBrowserWnd* tab = app_.ActiveBrowser()) {
        const std::vector<std::string> urls = page_urls(*tab);
        for (const std::string& url : urls)
            if (is_private(url))
                return ui::string_text(res::str::kPrivateArea);
        for (const std::string& url : urls)
            if (state_->refused(url))
                return ui::string_text(res::str::kSharePackageRefused);
    }
    const int status = state_->status();
    if (status == share::status_idle && state_->waiting_commits() > 0)
        return ui::string_text(res::str::kShareWaiting);
    if (status < 0 || status >= static_cast<int>(res::str::kShareStates.size()))
        return ui::string_text(res::str::kShareIdle);
    return ui::string_text(res::str::kShareStates[static_cast<std::size_t>(status)]);
}

void ShareClient::exclude_active_site()
{
    CTabBrowserWnd* tab = app_.ActiveBrowser();
    if (!tab)
        return;
    if (ui::message_box(app_.main_frame(), ui::string_text(res::str::kAskMakePrivate), ui::Buttons::YesNo) != ui::Answer::Yes)
        return;
    std::vector<std::string>& areas = app_.settings().private_areas;
    for (const std::string& url : page_urls(*tab))
        if (!is_private(url))
            areas.push_back(url);
    // The excluded site's own changes stay here; the others go out now.
    app_.package_cache().commit_changed();
}

bool ShareClient::handle_event(QEvent* event)
{
    if (event->type() == kPackagesEvent) {
        take_packages();
        return true;
    }
    if (event->type() == kMessagesEvent) {
        take_messages();
        return true;
    }
    return false;
}

void ShareClient::take_packages()
{
    memo::PackageCache& cache = app_.package_cache();
    const bool with_geometry = app_.settings().share_position != 0;
    for (const share::PackageDelivery& delivery : state_->take_inbox()) {
        if (!delivery.package)
            continue;
        if (const memo::PackageCache::PackagePtr open = cache.lookup(delivery.package->url, false)) {
            share::apply_delivery(*open, delivery, with_geometry);
        } else if (const memo::PackageCache::PackagePtr created = cache.lookup(delivery.package->url, true)) {
            created->assign(*delivery.package);
            created->dirty = false;
        }
    }
    // Received memos are stored like the user's own, and the memo pane follows.
    if (const MemoLayerServices& services = memo_layer_services(); services.package_changed)
        services.package_changed();
    if (CTabBrowserWnd* tab = app_.ActiveBrowser()) {
        if (CLayerWnd* layer = tab->layer())
            layer->refresh();
        tab->update();
    }
}

void ShareClient::take_messages()
{
    std::vector<share::InstantMessage> messages = state_->messages();
    CMainFrame* frame = app_.main_frame();
    if (messages.empty() || !received_ || !frame)
        return;
    received_->set_messages(std::move(messages));
    // Bottom right of the main window, just above its status bar, keeping the window's size.
    const QRect outer = frame->frameGeometry();
    const int status_height = frame->statusBar()->isVisible() ? frame->statusBar()->height() : 0;
    // Shown first: a window's final size is known only once its layout has run.
    received_->show();
    const QSize size = received_->frameGeometry().size();
    received_->move(outer.right() + 1 - size.width(), outer.bottom() + 1 - status_height - size.height());
    received_->raise();
}
