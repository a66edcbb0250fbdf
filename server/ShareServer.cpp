#include "server/ShareServer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <iostream>
#include <limits>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#define ASIO_STANDALONE
#define ASIO_NO_DEPRECATED
#include <asio.hpp>

#include "memo/MemoPackage.h"
#include "server/PeerLimits.h"
#include "server/Request.h"
#include "server/Store.h"

namespace server {

namespace {

using asio::ip::tcp;

constexpr memo::Time64 kDay = 24 * 60 * 60;
constexpr memo::Time64 kKeepDays = 30;
constexpr std::size_t kMaxBatch = 256;
// A poll's reply holds at most what a browser keeps of one delivery, and about this many
// bytes; the rest waits for the next poll. Messages in a reply are held back from other polls
// for this long, and leave the store once the reply was written whole.
constexpr std::size_t kMessagesPerReply = 10;
constexpr std::size_t kMessageReplyBytes = 1 << 20;
constexpr memo::Time64 kClaimSeconds = 60;
// Names anyone may have sent messages under: the list a reply carries stops here.
constexpr std::size_t kMaxUsersPerReply = 1000;
constexpr auto kExpiryInterval = std::chrono::hours(1);

memo::Time64 now_seconds()
{
    return memo::Time64(std::time(nullptr));
}

// Keeps arithmetic on client-sent times away from overflow.
memo::Time64 clamp_time(memo::Time64 t)
{
    constexpr memo::Time64 limit = memo::Time64(1) << 50;
    return std::clamp(t, -limit, limit);
}

// The tag for a log line: printable characters as they are, others as hex.
std::string printable_tag(const char* tag)
{
    std::string out;
    for (int i = 0; i < 4; ++i) {
        const unsigned char c = static_cast<unsigned char>(tag[i]);
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(char(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string seconds_text(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

std::string allowed_text(const std::vector<AddressRange>& ranges)
{
    std::string out;
    for (const auto& range : ranges)
        out += (out.empty() ? "" : ",") + range.text();
    return out.empty() ? "nobody" : out;
}

// A database URL without its password, for the log.
std::string redact(const std::string& url)
{
    const auto scheme = url.find("://");
    const auto at = url.find('@');
    if (scheme == std::string::npos || at == std::string::npos || at < scheme)
        return url;
    const auto colon = url.find(':', scheme + 3);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
}

// The one thread that touches the database. Jobs queued while a transaction runs form the
// next transaction, so a burst of commits shares one sync; each job's completion runs after
// its transaction is durable.
class StorageThread {
public:
    struct Job {
        std::function<void(Store&)> work;   // may run twice: it must set, not accumulate
        std::function<void(bool ok)> done;
    };

    StorageThread(std::unique_ptr<Store> store, LogSink& log) : store_(std::move(store)), log_(log) {}
    ~StorageThread() { stop(); }

    Store& store() { return *store_; }

    void start()
    {
        thread_ = std::thread([this] { loop(); });
    }
    void submit(Job job)
    {
        {
            std::lock_guard hold(mutex_);
            if (stopping_)
                return;
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
    }
    // Finishes the jobs already queued, then ends the thread.
    void stop()
    {
        {
            std::lock_guard hold(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable())
            thread_.join();
    }

private:
    void loop()
    {
        auto next_expiry = std::chrono::steady_clock::now();
        for (;;) {
            std::vector<Job> batch;
            {
                std::unique_lock hold(mutex_);
                wake_.wait_until(hold, next_expiry, [this] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty() && stopping_)
                    return;
                while (!jobs_.empty() && batch.size() < kMaxBatch) {
                    batch.push_back(std::move(jobs_.front()));
                    jobs_.pop_front();
                }
            }
            if (std::chrono::steady_clock::now() >= next_expiry) {
                expire();
                next_expiry = std::chrono::steady_clock::now() + kExpiryInterval;
            }
            if (!batch.empty())
                run_batch(batch);
        }
    }

    void run_batch(std::vector<Job>& batch)
    {
        try {
            store_->begin();
            for (auto& job : batch)
                job.work(*store_);
            store_->commit();
            for (auto& job : batch)
                job.done(true);
            return;
        } catch (const std::exception&) {
            store_->rollback();
        }
        // One job failed and took the transaction with it: run each alone, so that only
        // the failing one is answered as a failure.
        for (auto& job : batch) {
            bool ok = false;
            try {
                store_->begin();
                job.work(*store_);
                store_->commit();
                ok = true;
            } catch (const std::exception& failure) {
                store_->rollback();
                log_(std::string("storage failure: ") + failure.what());
            }
            job.done(ok);
        }
    }

    void expire()
    {
        try {
            store_->begin();
            store_->expire(now_seconds() - kKeepDays * kDay);
            store_->commit();
        } catch (const std::exception& failure) {
            store_->rollback();
            log_(std::string("expiry failed: ") + failure.what());
        }
    }

    std::unique_ptr<Store> store_;
    LogSink& log_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
};

// The messages a poll hands out, newest first as the reply lists them; the ids of those it
// holds go to claimed.
std::vector<StoredMessage> claim_for_reply(Store& store, const std::string& user, memo::Time64 now,
                                           std::vector<std::int64_t>& claimed)
{
    std::vector<StoredMessage> messages = store.claim_messages(user, now, now + kClaimSeconds, kMessagesPerReply);
    std::size_t bytes = 0;
    std::size_t keep = 0;
    for (; keep < messages.size(); ++keep) {
        const StoredMessage& m = messages[keep];
        bytes += 20 + m.sender.size() + m.recipient.size() + m.text.size();
        if (keep > 0 && bytes > kMessageReplyBytes)
            break;
    }
    std::vector<std::int64_t> surplus;
    for (std::size_t i = keep; i < messages.size(); ++i)
        surplus.push_back(messages[i].id);
    if (!surplus.empty())
        store.release_messages(surplus);
    messages.resize(keep);
    claimed.clear();
    for (const auto& m : messages)
        claimed.push_back(m.id);
    std::reverse(messages.begin(), messages.end());
    return messages;
}

// The answers, computed on the storage thread (or from the site index for checks). A poll's
// messages are only held: claimed receives their ids, to be dropped once the reply is out.
std::string answer(Store& store, const Request& r, std::vector<std::int64_t>& claimed)
{
    claimed.clear();
    const memo::Time64 now = now_seconds();
    switch (r.kind) {
    case RequestKind::user_list: {
        std::vector<std::string> users = store.users_since(now - kKeepDays * kDay);
        if (users.size() > kMaxUsersPerReply)
            users.resize(kMaxUsersPerReply);
        return encode_user_list(users);
    }
    case RequestKind::search: {
        if (r.mode == 3)
            return encode_sites(store.sites_matching(r.text));
        const memo::Time64 at = clamp_time(r.time);
        const memo::Time64 span = memo::Time64(r.days) * kDay;
        if (r.mode == 2) // the chosen day itself and days on either side of it
            return encode_sites(store.sites_between(at - span, at + span + kDay));
        // The last day or week up to now; later times count too, against clock skew.
        return encode_sites(store.sites_between(at - span, std::numeric_limits<memo::Time64>::max()));
    }
    case RequestKind::message:
        store.add_message({r.sender, r.recipient, r.text}, now);
        if (!r.sender.empty())
            store.touch_user(r.sender, now);
        return encode_ack();
    case RequestKind::poll:
        if (!r.user.empty())
            store.touch_user(r.user, now);
        return encode_messages(r.user.empty() ? std::vector<StoredMessage>{}
                                              : claim_for_reply(store, r.user, now, claimed));
    case RequestKind::check: {
        const auto stamp = store.stamp(r.url);
        return encode_check(stamp && stamp->time > r.time && !(stamp->deleted && !r.has_content));
    }
    case RequestKind::fetch: {
        const auto bytes = store.package(r.url);
        return bytes ? encode_package(*bytes) : encode_error();
    }
    case RequestKind::commit:
        store.put_package(r.url, r.package_time, r.package_empty, r.package);
        return encode_ack();
    case RequestKind::remove: {
        // Only a site the server shares gets a deletion record: it is what tells the other
        // users to remove their copies.
        const auto stamp = store.stamp(r.url);
        if (stamp && !stamp->deleted) {
            memo::MemoPackage record;
            record.url = r.url;
            record.time = now;
            store.put_package(r.url, now, true, record.serialize());
        }
        return encode_ack();
    }
    }
    return encode_error();
}

} // namespace

void log_to_stderr(const std::string& line)
{
    static std::mutex mutex;
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::lock_guard hold(mutex);
    std::cerr << stamp << " " << line << std::endl;
}

bool parse_listen_address(const std::string& text, std::string& host, unsigned short& port)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size())
        return false;
    const std::string digits = text.substr(colon + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(digits);
    if (value > 65535)
        return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    port = static_cast<unsigned short>(value);
    return true;
}

class ShareServer::Impl {
public:
    Impl(ServerOptions options, LogSink log) : options_(std::move(options)), log_(std::move(log)) {}

    void start()
    {
        if (options_.database.empty())
            throw std::runtime_error("no database given");
        std::unique_ptr<Store> store = open_store(options_.database);
        store->set_kept_versions(options_.kept_versions);
        storage_ = std::make_unique<StorageThread>(std::move(store), log_);

        asio::error_code ec;
        const auto address = asio::ip::make_address(options_.host, ec);
        if (ec)
            throw std::runtime_error("cannot listen on " + options_.host + ": not an IP address");
        const tcp::endpoint endpoint(address, options_.port);
        acceptor_.open(endpoint.protocol());
        // Programs this process starts must not keep the port open after the server stops.
        ::fcntl(acceptor_.native_handle(), F_SETFD, FD_CLOEXEC);
        acceptor_.set_option(tcp::acceptor::reuse_address(true));
        acceptor_.bind(endpoint, ec);
        if (ec)
            throw std::runtime_error("cannot listen on " + options_.host + ":" + std::to_string(options_.port) +
                                     ": " + ec.message());
        acceptor_.listen(asio::socket_base::max_listen_connections);
        port_ = acceptor_.local_endpoint().port();

        storage_->start();
        workers_ = std::make_unique<asio::thread_pool>(std::size_t(std::max(1, options_.workers)));
        accept();
        const int threads = std::max(1, options_.threads);
        for (int i = 0; i < threads; ++i)
            threads_.emplace_back([this] { io_.run(); });
        log_("marvo-share-server listening on " + options_.host + ":" + std::to_string(port_) + ", database " +
             redact(options_.database) + ", max message " + std::to_string(options_.max_message_size) +
             " bytes, read time-out " + seconds_text(options_.read_timeout) + " s, write time-out " +
             seconds_text(options_.write_timeout) + " s, max connections " +
             std::to_string(options_.max_connections) + " (" + std::to_string(options_.max_connections_per_peer) +
             " per peer), allowed " + allowed_text(options_.allow));
    }

    void stop()
    {
        {
            std::lock_guard hold(state_mutex_);
            if (stopped_ || !storage_)
                return;
            stopped_ = true;
        }
        io_.stop();
        for (auto& t : threads_)
            t.join();
        threads_.clear();
        // A commit being checked finishes; its answer is never written.
        workers_->join();
        // No network thread runs any more: the listening socket can be closed directly, so
        // that new connections are refused rather than left waiting.
        asio::error_code ignored;
        acceptor_.close(ignored);
        // Commits already handed to the storage thread still reach the disk.
        storage_->stop();
        log_("marvo-share-server stopped");
        {
            std::lock_guard hold(state_mutex_);
            finished_ = true;
        }
        finished_signal_.notify_all();
    }

    void wait()
    {
        std::unique_lock hold(state_mutex_);
        finished_signal_.wait(hold, [this] { return finished_; });
    }

    unsigned short port() const { return port_; }

    // Network side, used by the sessions.
    const ServerOptions& options() const { return options_; }
    void log(const std::string& line) { log_(line); }
    StorageThread& storage() { return *storage_; }
    asio::thread_pool& workers() { return *workers_; }
    std::atomic<std::size_t> connections{0};

    PeerLimits& peers() { return peers_; }

private:
    void accept();

    // Destroyed after the acceptor and everything else below; the sessions its pending
    // handlers still hold only touch `connections`, which outlives it.
    asio::io_context io_;
    ServerOptions options_;
    LogSink log_;
    tcp::acceptor acceptor_{io_};
    asio::steady_timer accept_pause_{io_};
    unsigned short port_ = 0;
    std::unique_ptr<StorageThread> storage_;
    // Destroyed before io_: the jobs it still holds keep sessions, whose sockets use io_.
    std::unique_ptr<asio::thread_pool> workers_;
    std::vector<std::thread> threads_;
    PeerLimits peers_{options_.max_connections_per_peer, options_.peer_rate, options_.peer_burst};
    std::mutex state_mutex_;
    std::condition_variable finished_signal_;
    bool stopped_ = false;
    bool finished_ = false;
};

namespace {

// One client connection: reads a request, answers it, and reads the next until the client
// closes. Everything of one session runs on its strand.
class Session : public std::enable_shared_from_this<Session> {
public:
    // The peer address has been admitted by the server; the session gives it back.
    Session(ShareServer::Impl& server, tcp::socket socket, std::string address)
        : server_(server), socket_(std::move(socket)), timer_(socket_.get_executor()), address_(std::move(address)),
          limited_(!address_allowed(server_.options().unlimited, address_))
    {
        ++server_.connections;
        asio::error_code ec;
        const auto remote = socket_.remote_endpoint(ec);
        peer_ = ec ? std::string("?") : remote.address().to_string() + ":" + std::to_string(remote.port());
    }
    ~Session()
    {
        if (limited_)
            server_.peers().close_connection(address_);
        --server_.connections;
    }

    void start() { read_header(); }
    tcp::socket::executor_type executor() { return socket_.get_executor(); }

private:
    void refuse(const std::string& why)
    {
        server_.log("refused " + peer_ + ": " + why);
        close();
    }

    void close()
    {
        asio::error_code ignored;
        timer_.cancel();
        socket_.close(ignored);
    }

    // Closes the connection when the time runs out before the timer is cancelled or rearmed.
    void arm_timer(double seconds)
    {
        timer_.expires_after(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds)));
        timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (ec || !self->socket_.is_open())
                return;
            if (self->writing_)
                self->refuse("reply not taken within the write time-out");
            else
                self->refuse(self->received_ ? "request not complete within the read time-out"
                                             : "no request within the read time-out");
        });
    }

    void read_header()
    {
        received_ = false;
        arm_timer(server_.options().read_timeout);
        asio::async_read(socket_, asio::buffer(header_),
                         [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                             self->on_header(ec, n);
                         });
    }

    void on_header(const asio::error_code& ec, std::size_t n)
    {
        if (ec) {
            // A client that closes between requests is done; one that stops mid-header is not.
            if (n > 0 && ec != asio::error::operation_aborted)
                refuse("connection closed inside a request header");
            else
                close();
            return;
        }
        received_ = true;
        if (limited_ && !server_.peers().take_request(address_))
            return refuse("more than " + seconds_text(server_.options().peer_rate) + " requests per second");
        if (!is_request_tag(std::string_view(header_, 4), &kind_))
            return refuse("unknown request tag \"" + printable_tag(header_) + "\"");
        const std::uint32_t length = std::uint32_t(std::uint8_t(header_[4])) |
                                     std::uint32_t(std::uint8_t(header_[5])) << 8 |
                                     std::uint32_t(std::uint8_t(header_[6])) << 16 |
                                     std::uint32_t(std::uint8_t(header_[7])) << 24;
        if (length > server_.options().max_message_size)
            return refuse("request of " + std::to_string(length) + " bytes exceeds the limit of " +
                          std::to_string(server_.options().max_message_size));
        body_.clear();
        body_length_ = length;
        read_body();
    }

    // The body arrives in pieces, and memory grows only with what has arrived: a header
    // announcing a large body cannot make the server allocate it up front.
    void read_body()
    {
        if (body_.size() == body_length_)
            return on_body({}, 0);
        const std::size_t have = body_.size();
        body_.resize(have + std::min<std::size_t>(kBodyPiece, body_length_ - have));
        asio::async_read(socket_, asio::buffer(body_.data() + have, body_.size() - have),
                         [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                             if (ec)
                                 return self->on_body(ec, 0);
                             self->read_body();
                         });
    }

    void on_body(const asio::error_code& ec, std::size_t)
    {
        if (ec) {
            if (ec != asio::error::operation_aborted)
                refuse("connection closed inside a request body");
            return;
        }
        timer_.cancel();
        if (kind_ != RequestKind::commit)
            return decoded(decode(std::move(body_)));
        // A commit can be megabytes of records: checked off the network threads.
        asio::post(server_.workers(), [self = shared_from_this(), body = std::move(body_)]() mutable {
            auto request = self->decode(std::move(body));
            asio::post(self->socket_.get_executor(),
                       [self, request = std::move(request)]() mutable { self->decoded(std::move(request)); });
        });
    }

    // The request, or why it was refused (logged and the connection closed by decoded).
    struct Decoded {
        std::optional<Request> request;
        std::string refusal;
    };
    Decoded decode(std::string body) const
    {
        try {
            return {decode_request(kind_, body), {}};
        } catch (const OverBudget& excess) {
            return {std::nullopt, "\"" + printable_tag(header_) + "\" request over the picture budget: " + excess.what()};
        } catch (const BadRequest& bad) {
            return {std::nullopt, "malformed \"" + printable_tag(header_) + "\" request: " + bad.what()};
        }
    }

    void decoded(Decoded outcome)
    {
        if (!socket_.is_open())
            return;
        if (!outcome.request)
            return refuse(outcome.refusal);
        Request& request = *outcome.request;
        if (request.kind == RequestKind::commit &&
            clamp_time(request.package_time) > now_seconds() + server_.options().max_time_ahead)
            return refuse("package time " + std::to_string(request.package_time) +
                          " is more than " + std::to_string(server_.options().max_time_ahead) +
                          " s ahead of the server's clock");
        if (request.kind == RequestKind::check) {
            std::optional<PackageStamp> stamp;
            if (server_.storage().store().cached_stamp(request.url, stamp)) {
                reply(encode_check(stamp && stamp->time > request.time && !(stamp->deleted && !request.has_content)));
                return;
            }
        }
        struct Answer {
            std::string bytes;
            std::vector<std::int64_t> claimed;
        };
        auto shared = std::make_shared<Request>(std::move(request));
        auto result = std::make_shared<Answer>();
        server_.storage().submit(
            {[shared, result](Store& store) { result->bytes = answer(store, *shared, result->claimed); },
             [self = shared_from_this(), shared, result](bool ok) {
                 asio::post(self->socket_.get_executor(), [self, shared, result, ok] {
                     if (ok)
                         return self->reply(std::move(result->bytes), std::move(result->claimed));
                     if (shared->kind == RequestKind::commit)
                         return self->reply(encode_error());
                     self->refuse("the database failed to answer");
                 });
             }});
    }

    // Writes the reply; the messages it carries leave the store once it was written whole,
    // and wait for the next poll when it was not.
    void reply(std::string bytes, std::vector<std::int64_t> claimed = {})
    {
        reply_ = std::move(bytes);
        writing_ = true;
        arm_timer(server_.options().write_timeout);
        asio::async_write(socket_, asio::buffer(reply_),
                          [self = shared_from_this(), claimed = std::move(claimed)](const asio::error_code& ec,
                                                                                     std::size_t) {
                              self->writing_ = false;
                              self->reply_.clear();
                              self->reply_.shrink_to_fit();
                              if (!claimed.empty())
                                  self->settle_messages(claimed, !ec);
                              if (ec)
                                  return self->close();
                              self->read_header();
                          });
    }

    void settle_messages(const std::vector<std::int64_t>& ids, bool delivered)
    {
        server_.storage().submit({[ids, delivered](Store& store) {
                                      if (delivered)
                                          store.drop_messages(ids);
                                      else
                                          store.release_messages(ids);
                                  },
                                  [](bool) {}});
    }

    ShareServer::Impl& server_;
    tcp::socket socket_;
    asio::steady_timer timer_;
    std::string peer_;
    char header_[8] = {};
    RequestKind kind_ = RequestKind::user_list;
    static constexpr std::size_t kBodyPiece = 64 * 1024;
    std::string body_;
    std::size_t body_length_ = 0;
    std::string reply_;
    bool received_ = false;
    bool writing_ = false;
    std::string address_;
    bool limited_; // held to the per-peer limits
};

} // namespace

void ShareServer::Impl::accept()
{
    acceptor_.async_accept(asio::make_strand(io_), [this](const asio::error_code& ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor_.is_open())
            return;
        if (!ec) {
            asio::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            const auto remote = socket.remote_endpoint(ignored);
            const std::string address = remote.address().to_string();
            if (!address_allowed(options_.allow, address)) {
                log_("refused " + address + ": not in the allowed address ranges");
                socket.close(ignored);
            } else if (connections >= options_.max_connections) {
                log_("refused " + address + ": connection limit of " + std::to_string(options_.max_connections) +
                     " reached");
                socket.close(ignored);
            } else if (!address_allowed(options_.unlimited, address) && !peers_.open_connection(address)) {
                log_("refused " + address + ": limit of " + std::to_string(options_.max_connections_per_peer) +
                     " connections per peer reached");
                socket.close(ignored);
            } else {
                auto session = std::make_shared<Session>(*this, std::move(socket), address);
                asio::dispatch(session->executor(), [session] { session->start(); });
            }
        } else {
            // Out of descriptors, most likely: pause instead of spinning on the error.
            log_("accept failed: " + ec.message());
            accept_pause_.expires_after(std::chrono::milliseconds(100));
            accept_pause_.async_wait([this](const asio::error_code& waited) {
                if (!waited)
                    accept();
            });
            return;
        }
        accept();
    });
}

ShareServer::ShareServer(ServerOptions options, LogSink log)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(log)))
{
}

ShareServer::~ShareServer()
{
    impl_->stop();
}

void ShareServer::start()
{
    impl_->start();
}

unsigned short ShareServer::port() const
{
    return impl_->port();
}

void ShareServer::stop()
{
    impl_->stop();
}

void ShareServer::wait()
{
    impl_->wait();
}

} // namespace server
