#include "share/ShareProtocol.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <optional>
#include <thread>

#include "memo/MemoObject.h"
#include "memo/PictureBudget.h"
#include "rs2/DebugStream.h"
#include "rs2/IOException.h"

namespace share {

namespace {

// The IPv4 address of a host, within the time. The system's resolver may block for as long as
// it likes, so a name is looked up on a helper thread that is left to finish alone when the
// time runs out.
std::optional<std::string> resolve_within(const std::string& host, double seconds)
{
    in_addr numeric{};
    if (::inet_pton(AF_INET, host.c_str(), &numeric) == 1)
        return host;
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<std::string> address;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        std::optional<std::string> address;
        if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
            address = text;
            ::freeaddrinfo(found);
        }
        std::lock_guard hold(lookup->mutex);
        lookup->address = std::move(address);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock hold(lookup->mutex);
    if (!lookup->done.wait_for(hold, std::chrono::duration<double>(seconds), [&] { return lookup->finished; }))
        return std::nullopt;
    return lookup->address;
}

// One short connection to the server, within a total time that covers resolving the name,
// connecting, sending and every reply. The socket is closed however the exchange ends.
class Connection {
public:
    bool open(const std::string& host, int port, double total_seconds)
    {
        if (port <= 0 || port > 65535)
            return false;
        const auto address = resolve_within(host, kConnectSeconds);
        if (!address)
            return false;
        try {
            stream_.open();
        } catch (const rs2::IOException&) {
            return false;
        }
        stream_.set_deadline(total_seconds);
        return stream_.connect_timed(*address, static_cast<unsigned short>(port), kConnectSeconds);
    }
    // Sends the request and waits for the reply. Throws when sending fails.
    bool request(const std::string& request, rs2::Chunk& reply, int seconds)
    {
        // A reply that stops half way fails within the same bound instead of hanging.
        stream_.set_receive_timeout(seconds);
        stream_.write(request.data(), request.size());
        stream_.flush();
        return wait_chunk(stream_, reply, seconds);
    }
    ~Connection() { stream_.close(); }

private:
    rs2::SocketStream stream_;
};

// Runs one request/reply exchange; decode sees the reply only when one arrived in time.
template <typename Decode>
bool exchange(const std::string& host, int port, const std::string& request, int seconds, Decode decode)
{
    try {
        Connection connection;
        if (!connection.open(host, port, kConnectSeconds + seconds))
            return false;
        rs2::Chunk reply;
        if (!connection.request(request, reply, seconds))
            return false;
        return decode(reply);
    } catch (const rs2::IOException&) {
        return false;
    }
}

const memo::MemoObject* find_object(const memo::MemoPackage& package, const memo::Guid& id)
{
    for (std::size_t i = 0; i < package.size(); ++i)
        if (package.at(i).id == id)
            return &package.at(i);
    return nullptr;
}

void point_objects_at(memo::MemoPackage& package)
{
    for (std::size_t i = 0; i < package.size(); ++i)
        package.at(i).package = &package;
}

// A package in a reply body: null when it cannot be read, or when its pictures declare more
// pixels than the budget allows (over_budget is then set; nothing was decoded).
std::unique_ptr<memo::MemoPackage> read_package(const rs2::Chunk& reply, bool* over_budget = nullptr)
{
    if (const std::string excess = memo::picture_budget_excess(reply.body().unread()); !excess.empty()) {
        rs2::trace() << "package refused: " << excess.c_str() << "\n";
        if (over_budget)
            *over_budget = true;
        return nullptr;
    }
    try {
        return memo::parse_package(reply.body().unread());
    } catch (const rs2::IOException&) {
        return nullptr;
    }
}

} // namespace

std::string make_user_list_request()
{
    return chunk_bytes(rs2::Chunk("QUSR"));
}

bool make_search_request(std::string& out, std::uint32_t mode, memo::Time64 time, std::uint32_t days,
                         const std::string& text)
{
    if (mode > 3)
        return false;
    rs2::Chunk chunk("SURL");
    chunk.body() << mode;
    if (mode < 3) {
        chunk.body().write_int64(time);
        chunk.body() << days << static_cast<unsigned char>(0x0A);
    } else {
        chunk.body().write_string(text);
    }
    out = chunk_bytes(chunk);
    return true;
}

std::string make_message_request(const std::string& sender, const std::string& recipient, const std::string& text)
{
    rs2::Chunk chunk("IMSG");
    chunk.body().write_string(sender);
    chunk.body().write_string(recipient);
    chunk.body().write_string(text);
    return chunk_bytes(chunk);
}

std::string make_poll_request(const std::string& user)
{
    rs2::Chunk chunk("QMSG");
    chunk.body().write_string(user);
    return chunk_bytes(chunk);
}

std::string make_check_request(const std::string& url, memo::Time64 time, bool has_content)
{
    rs2::Chunk chunk("QURL");
    chunk.body().write_string(url);
    chunk.body().write_int64(time);
    chunk.body() << static_cast<unsigned char>(has_content ? 1 : 0);
    return chunk_bytes(chunk);
}

std::string make_fetch_request(const std::string& url)
{
    rs2::Chunk chunk("GMEM");
    chunk.body().write_string(url);
    return chunk_bytes(chunk);
}

std::string make_commit_request(const memo::MemoPackage& package)
{
    rs2::Chunk chunk("CMEM");
    const std::string bytes = package.serialize();
    chunk.body().write(bytes.data(), bytes.size());
    return chunk_bytes(chunk);
}

std::string make_delete_request(const std::string& url)
{
    rs2::Chunk chunk("DMEM");
    chunk.body().write_string(url);
    return chunk_bytes(chunk);
}

std::string chunk_bytes(const rs2::Chunk& chunk)
{
    rs2::MemoryStream out;
    out << chunk;
    out.flush();
    const auto bytes = out.unread();
    return std::string(bytes.data(), bytes.size());
}

bool wait_chunk(rs2::SocketStream& stream, rs2::Chunk& chunk, int seconds)
{
    const std::time_t start = std::time(nullptr);
    try {
        for (;;) {
            if (std::time(nullptr) - start >= seconds)
                return false;
            if (stream.readable(0)) {
                stream >> chunk;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    } catch (const rs2::IOException&) {
        return false;
    }
}

bool get_user_list(const std::string& host, int port, std::vector<std::string>& users)
{
    return exchange(host, port, make_user_list_request(), kLongWait, [&](rs2::Chunk& reply) {
        if (!reply.has_tag("USRL"))
            return false;
        auto& body = reply.body();
        std::uint32_t count = 0;
        body >> count;
        // Each name takes at least its 4-byte length: a count beyond that is damage.
        if (count > body.readable_bound() / 4)
            return false;
        std::vector<std::string> names(count);
        for (auto& name : names)
            name = body.read_string();
        users = std::move(names);
        return true;
    });
}

bool search_sites(const std::string& host, int port, std::uint32_t mode, memo::Time64 time, std::uint32_t days,
                  const std::string& text, std::vector<std::string>& urls, std::vector<memo::Time64>& times)
{
    std::string request;
    if (!make_search_request(request, mode, time, days, text))
        return false;
    return exchange(host, port, request, kLongWait, [&](rs2::Chunk& reply) {
        if (!reply.has_tag("RESL"))
            return false;
        auto& body = reply.body();
        std::uint32_t count = 0;
        body >> count;
        if (count > body.readable_bound() / 12)
            return false;
        std::vector<std::string> found_urls(count);
        std::vector<memo::Time64> found_times(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            found_urls[i] = body.read_string();
            found_times[i] = body.read_int64();
        }
        urls = std::move(found_urls);
        times = std::move(found_times);
        return true;
    });
}

bool send_message(const std::string& host, int port, const std::string& sender, const std::string& recipient,
                  const std::string& text)
{
    return exchange(host, port, make_message_request(sender, recipient, text), kLongWait,
                    [](rs2::Chunk& reply) { return reply.has_tag("ACKM"); });
}

bool poll_messages(const std::string& host, int port, const std::string& user,
                   std::vector<InstantMessage>& messages)
{
    return exchange(host, port, make_poll_request(user), kLongWait, [&](rs2::Chunk& reply) {
        if (!reply.has_tag("RMSG"))
            return false;
        auto& body = reply.body();
        std::uint32_t count = 0;
        body >> count;
        // A nested chunk is at least its 8-byte header and three 4-byte lengths.
        if (count > body.readable_bound() / 20)
            return false;
        std::vector<InstantMessage> received(count);
        for (auto& message : received) {
            rs2::Chunk record;
            body >> record;
            auto& fields = record.body();
            message.sender = fields.read_string();
            message.recipient = fields.read_string();
            message.text = fields.read_string();
        }
        messages = std::move(received);
        return true;
    });
}

bool check_site(const std::string& host, int port, const std::string& url, memo::Time64 time, bool has_content,
                bool& fetch)
{
    fetch = false;
    try {
        Connection connection;
        if (!connection.open(host, port, kConnectSeconds + kShortWait))
            return false;
        rs2::Chunk reply;
        if (!connection.request(make_check_request(url, time, has_content), reply, kShortWait))
            return false;
        if (reply.has_tag("RURL")) {
            unsigned char answer = 0;
            reply.body() >> answer;
            fetch = answer != 0;
        }
        return true;
    } catch (const rs2::IOException& failure) {
        rs2::trace() << failure.what() << "\n";
        return false;
    }
}

bool fetch_package(const std::string& host, int port, const std::string& url, memo::MemoPackage& package,
                   bool* over_budget)
{
    return exchange(host, port, make_fetch_request(url), kShortWait, [&](rs2::Chunk& reply) {
        if (reply.has_tag("AMEM")) {
            auto received = read_package(reply, over_budget);
            if (!received)
                return false;
            rs2::trace() << "\t受信成功\n";
            package = *received;
            package.fetched = memo::now_time();
            return true;
        }
        if (reply.has_tag("ERRO"))
            rs2::trace() << "\tファイルがなかったようです。\n";
        return false;
    });
}

bool commit_package(const std::string& host, int port, memo::MemoPackage& package, bool& changed)
{
    changed = false;
    try {
        Connection connection;
        if (!connection.open(host, port, kConnectSeconds + 2 * kShortWait))
            return false;
        rs2::trace() << "Commit Start\n";
        rs2::Chunk reply;
        if (!connection.request(make_fetch_request(package.url), reply, kShortWait))
            return false;
        // The server's copy as of now is what this commit builds on: once it is acknowledged,
        // whatever the package lacks of that copy was deleted here, not added elsewhere.
        const memo::Time64 base = memo::now_time();
        bool merged = false;
        // A server copy that cannot be read (damaged, or pictures beyond the budget) counts as
        // none: the package sent replaces it.
        if (reply.has_tag("AMEM")) {
            if (auto server = read_package(reply)) {
                merge_for_commit(package, *server);
                merged = true;
            }
        }
        rs2::Chunk answer;
        if (!connection.request(make_commit_request(package), answer, kShortWait))
            return false;
        if (!answer.has_tag("ACKM"))
            return false;
        rs2::trace() << "Commit Success\n";
        package.fetched = base;
        changed = merged;
        return true;
    } catch (const rs2::IOException&) {
        return false;
    }
}

bool delete_package(const std::string& host, int port, const std::string& url)
{
    return exchange(host, port, make_delete_request(url), kShortWait, [](rs2::Chunk& reply) {
        if (!reply.has_tag("ACKM"))
            return false;
        rs2::trace() << "削除に成功しました\n";
        return true;
    });
}

void merge_for_commit(memo::MemoPackage& local, const memo::MemoPackage& server)
{
    const memo::Time64 fetched = local.fetched;
    for (std::size_t i = 0; i < server.size(); ++i) {
        const memo::MemoObject& theirs = server.at(i);
        if (memo::MemoObject* ours = local.find(theirs.id)) {
            if (ours->time > fetched)
                continue; // changed here since the last fetch
            ours->id = theirs.id;
            ours->time = theirs.time;
            ours->owner = theirs.owner;
            ours->locked = theirs.locked;
        } else if (theirs.time > fetched) {
            local.add(theirs.clone()); // new on the server
        }
    }
    for (std::size_t i = local.size(); i-- > 0;) {
        const memo::MemoObject& ours = local.at(i);
        if (!find_object(server, ours.id) && ours.time < fetched)
            local.remove(&ours); // removed on the server since the last fetch
    }
    point_objects_at(local);
}

void apply_commit(memo::MemoPackage& open, const memo::MemoPackage& sent, const memo::MemoPackage& committed)
{
    // An object of `open` still as it was sent has not changed here since the snapshot.
    auto unchanged_since_sent = [&sent](const memo::MemoObject& ours) {
        const memo::MemoObject* then = find_object(sent, ours.id);
        return then && ours.time <= then->time;
    };
    for (std::size_t i = 0; i < committed.size(); ++i) {
        const memo::MemoObject& theirs = committed.at(i);
        if (memo::MemoObject* ours = open.find(theirs.id)) {
            if (!unchanged_since_sent(*ours))
                continue;
            ours->time = theirs.time;
            ours->owner = theirs.owner;
            ours->locked = theirs.locked;
        } else if (!find_object(sent, theirs.id)) {
            open.add(theirs.clone()); // came from the server's copy
        }
        // Sent but no longer open: deleted here after the snapshot, and stays deleted.
    }
    for (std::size_t i = open.size(); i-- > 0;) {
        const memo::MemoObject& ours = open.at(i);
        if (!find_object(committed, ours.id) && unchanged_since_sent(ours))
            open.remove(&ours); // removed on the server
    }
    open.fetched = std::max(open.fetched, committed.fetched);
    point_objects_at(open);
}

void apply_server_package(memo::MemoPackage& local, const memo::MemoPackage& delivered, bool with_geometry)
{
    local.fetched = delivered.fetched;
    for (std::size_t i = local.size(); i-- > 0;) {
        const memo::MemoObject& ours = local.at(i);
        if (!find_object(delivered, ours.id))
            local.remove(&ours);
    }
    for (std::size_t i = 0; i < delivered.size(); ++i) {
        const memo::MemoObject& theirs = delivered.at(i);
        memo::MemoObject* ours = local.find(theirs.id);
        if (ours && theirs.copy_into(*ours, with_geometry))
            continue;
        // An object of another kind under the same GUID cannot take the fields: replace it.
        if (ours)
            local.remove(ours);
        local.add(theirs.clone());
    }
    point_objects_at(local);
}

} // namespace share
