#include "share/ShareWorker.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <utility>

#include "rs2/DebugStream.h"

namespace share {

void apply_delivery(memo::MemoPackage& open, const PackageDelivery& delivery, bool with_geometry)
{
    if (!delivery.package)
        return;
    if (delivery.sent)
        apply_commit(open, *delivery.sent, *delivery.package);
    else if (open.time < delivery.package->time)
        apply_server_package(open, *delivery.package, with_geometry);
}

int ShareState::status() const
{
    std::lock_guard hold(mutex_);
    return status_;
}

void ShareState::set_status(int status)
{
    std::lock_guard hold(mutex_);
    status_ = status;
}

ShareSettings ShareState::settings() const
{
    std::lock_guard hold(mutex_);
    return settings_;
}

void ShareState::set_settings(const ShareSettings& settings)
{
    std::lock_guard hold(mutex_);
    settings_ = settings;
}

std::size_t ShareState::waiting_commits() const
{
    std::lock_guard hold(mutex_);
    return waiting_commits_;
}

void ShareState::set_waiting_commits(std::size_t count)
{
    std::lock_guard hold(mutex_);
    waiting_commits_ = count;
}

void ShareState::set_refused(const std::string& url, bool refused)
{
    std::lock_guard hold(mutex_);
    if (refused)
        refused_.insert(url);
    else
        refused_.erase(url);
}

bool ShareState::refused(const std::string& url) const
{
    std::lock_guard hold(mutex_);
    return refused_.contains(url);
}

void ShareState::deliver_package(PackageDelivery delivery)
{
    std::lock_guard hold(mutex_);
    inbox_.push_back(std::move(delivery));
}

std::vector<PackageDelivery> ShareState::take_inbox()
{
    std::lock_guard hold(mutex_);
    return std::exchange(inbox_, {});
}

std::size_t ShareState::inbox_size() const
{
    std::lock_guard hold(mutex_);
    return inbox_.size();
}

void ShareState::deliver_messages(const std::vector<InstantMessage>& received)
{
    std::lock_guard hold(mutex_);
    messages_.insert(messages_.begin(), received.begin(), received.end());
    while (messages_.size() > kMaxMessages)
        messages_.pop_back();
}

std::vector<InstantMessage> ShareState::messages() const
{
    std::lock_guard hold(mutex_);
    return {messages_.begin(), messages_.end()};
}

ShareWorker::ShareWorker(ShareState& state, ShareNotifier& notifier) : state_(state), notifier_(notifier) {}

ShareWorker::~ShareWorker()
{
    stop();
}

void ShareWorker::request_check(const std::string& url, memo::Time64 time, bool has_content)
{
    std::lock_guard hold(mutex());
    for (const ShareJob& job : jobs_)
        if (job.kind == ShareJob::check && job.site_url == url)
            return;
    ShareJob job;
    job.kind = ShareJob::check;
    job.site_url = url;
    job.time = time;
    job.has_content = has_content;
    jobs_.push_back(std::move(job));
}

void ShareWorker::request_commit(std::vector<std::shared_ptr<const memo::MemoPackage>> packages)
{
    ShareJob job;
    job.kind = ShareJob::commit;
    job.packages = std::move(packages);
    std::lock_guard hold(mutex());
    // A newer snapshot of a site carries every change the waiting one had.
    for (const auto& snapshot : job.packages)
        if (snapshot)
            retries_.erase(snapshot->url);
    jobs_.push_back(std::move(job));
}

void ShareWorker::request_delete(const std::string& url)
{
    ShareJob job;
    job.kind = ShareJob::remove;
    job.delete_url = url;
    std::lock_guard hold(mutex());
    jobs_.push_back(std::move(job));
}

std::size_t ShareWorker::queued_jobs()
{
    std::lock_guard hold(mutex());
    return jobs_.size();
}

void ShareWorker::stop()
{
    request_stop();
    std::lock_guard hold(wake_mutex_);
    wake_.notify_all();
}

std::uint64_t ShareWorker::completed_passes()
{
    std::lock_guard hold(wake_mutex_);
    return passes_;
}

bool ShareWorker::run_queued(double seconds)
{
    std::unique_lock hold(wake_mutex_);
    // A pass already under way may have taken its jobs before the last ones were queued; the
    // pass after it has them all.
    const std::uint64_t target = passes_ + 2;
    hurry_ = true;
    wake_.notify_all();
    const bool done =
        pass_done_.wait_for(hold, std::chrono::duration<double>(seconds), [&] { return passes_ >= target; });
    hurry_ = false;
    return done;
}

void ShareWorker::pause(int milliseconds)
{
    std::unique_lock hold(wake_mutex_);
    wake_.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return hurry_ || stop_requested(); });
}

int ShareWorker::run()
{
    std::time_t last_poll = std::time(nullptr);
    while (!stop_requested()) {
        state_.set_status(status_idle);
        pause(kPassMilliseconds);
        if (stop_requested())
            break;

        std::deque<ShareJob> jobs;
        {
            std::lock_guard hold(mutex());
            jobs.swap(jobs_);
        }
        run_pass(jobs, last_poll);
        {
            std::lock_guard hold(wake_mutex_);
            ++passes_;
        }
        pass_done_.notify_all();
    }
    return 0;
}

void ShareWorker::run_pass(const std::deque<ShareJob>& jobs, std::time_t& last_poll)
{
    const ShareSettings settings = state_.settings();
    // Without a server every exchange would fail; the jobs are dropped as failures are.
    if (settings.server_addr.empty())
        return;

    if (std::time(nullptr) - last_poll > settings.check_time) {
        std::vector<InstantMessage> received;
        if (poll_messages(settings.server_addr, settings.server_port, settings.user_name, received) &&
            !received.empty()) {
            rs2::trace() << "instant messages received: " << static_cast<std::uint32_t>(received.size()) << "\n";
            state_.deliver_messages(received);
            notify(&ShareNotifier::messages_ready);
        }
        last_poll = std::time(nullptr);
    }
    for (const ShareJob& job : jobs) {
        if (stop_requested())
            break;
        run_job(job, settings);
    }
    for (const auto& snapshot : take_due_retries()) {
        if (stop_requested())
            break;
        state_.set_status(status_committing);
        commit(snapshot, settings);
    }
}

std::vector<std::shared_ptr<const memo::MemoPackage>> ShareWorker::take_due_retries()
{
    bool all = false;
    {
        std::lock_guard hold(wake_mutex_);
        all = hurry_;
    }
    const auto now = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<const memo::MemoPackage>> due;
    std::lock_guard hold(mutex());
    for (const auto& [url, retry] : retries_)
        if (all || retry.due <= now)
            due.push_back(retry.snapshot);
    return due;
}

void ShareWorker::commit(const std::shared_ptr<const memo::MemoPackage>& snapshot, const ShareSettings& settings)
{
    auto package = std::make_unique<memo::MemoPackage>(*snapshot);
    bool changed = false;
    const bool sent = commit_package(settings.server_addr, settings.server_port, *package, changed);
    {
        std::lock_guard hold(mutex());
        const auto waiting = retries_.find(snapshot->url);
        // A waiting snapshot of another moment is left alone unless this one is as new.
        const bool own = waiting != retries_.end() && waiting->second.snapshot == snapshot;
        if (sent && waiting != retries_.end() && waiting->second.snapshot->time <= snapshot->time) {
            retries_.erase(waiting);
        } else if (!sent && own && waiting->second.due > std::chrono::steady_clock::now()) {
            // Tried ahead of its time (run_queued hurries): the schedule stays.
        } else if (!sent && (own || waiting == retries_.end())) {
            Retry& retry = retries_[snapshot->url];
            retry.snapshot = snapshot;
            retry.delay_seconds = std::clamp(retry.delay_seconds * 2, kFirstRetrySeconds, kMaxRetrySeconds);
            retry.due = std::chrono::steady_clock::now() + std::chrono::seconds(retry.delay_seconds);
            rs2::trace() << "commit of " << snapshot->url.c_str() << " failed; next attempt in "
                         << static_cast<std::uint32_t>(retry.delay_seconds) << " s\n";
        }
        state_.set_waiting_commits(retries_.size());
    }
    if (sent)
        deliver({std::move(package), snapshot});
}

void ShareWorker::run_job(const ShareJob& job, const ShareSettings& settings)
{
    const std::string& host = settings.server_addr;
    const int port = settings.server_port;
    switch (job.kind) {
    case ShareJob::check: {
        state_.set_status(status_checking);
        bool fetch = false;
        if (!check_site(host, port, job.site_url, job.time, job.has_content, fetch) || !fetch)
            return;
        state_.set_status(status_downloading);
        rs2::trace() << job.site_url.c_str() << "をダウンロード\n";
        auto package = std::make_unique<memo::MemoPackage>();
        bool over_budget = false;
        const bool fetched = fetch_package(host, port, job.site_url, *package, &over_budget);
        state_.set_refused(job.site_url, over_budget);
        if (fetched)
            deliver({std::move(package), nullptr});
        return;
    }
    case ShareJob::commit:
        state_.set_status(status_committing);
        for (const auto& snapshot : job.packages)
            if (snapshot && !stop_requested())
                commit(snapshot, settings);
        return;
    case ShareJob::remove:
        state_.set_status(status_deleting);
        delete_package(host, port, job.delete_url);
        return;
    }
}

void ShareWorker::deliver(PackageDelivery delivery)
{
    state_.deliver_package(std::move(delivery));
    notify(&ShareNotifier::packages_ready);
}

void ShareWorker::notify(bool (ShareNotifier::*post)())
{
    while (!(notifier_.*post)()) {
        if (stop_requested())
            return;
        pause(100);
    }
}

} // namespace share
