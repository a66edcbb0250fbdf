#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

#include "TempDir.h"
#include "WireClient.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "server/ShareServer.h"
#include "server/Store.h"
#include "server/Versions.h"

using namespace std::string_literals;

namespace {

constexpr std::int64_t kDay = 86400;

// A server over a database file, with its log lines kept for the test.
class TestServer {
public:
    explicit TestServer(const std::string& database, server::ServerOptions options = {})
    {
        options.port = 0;
        options.database = database;
        server_ = std::make_unique<server::ShareServer>(options, [this](const std::string& line) {
            {
                std::lock_guard hold(mutex_);
                log_.push_back(line);
            }
            added_.notify_all();
        });
        server_->start();
    }
    int port() const { return server_->port(); }
    void stop() { server_->stop(); }
    bool logged(const std::string& part)
    {
        std::lock_guard hold(mutex_);
        return has_line(part);
    }
    // Waits until a line holding the part is logged; false when none came within the bound.
    bool wait_logged(const std::string& part, double seconds = 20)
    {
        std::unique_lock hold(mutex_);
        return added_.wait_for(hold, std::chrono::duration<double>(seconds), [&] { return has_line(part); });
    }

private:
    bool has_line(const std::string& part) const
    {
        for (const auto& line : log_)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    // The log outlives the server, which writes to it while stopping.
    std::mutex mutex_;
    std::condition_variable added_;
    std::vector<std::string> log_;
    std::unique_ptr<server::ShareServer> server_;
};

std::string package_bytes(const std::string& url, std::int64_t time, int objects = 1)
{
    memo::MemoPackage package;
    package.url = url;
    package.time = time;
    for (int i = 0; i < objects; ++i) {
        auto stroke = std::make_unique<memo::StrokeObject>();
        stroke->points = {{i, i}, {i + 3, i + 4}};
        stroke->time = time;
        package.add(std::move(stroke));
    }
    return package.serialize();
}

std::optional<std::string> ask(int port, const std::string& request)
{
    WireClient client(port);
    return client.exchange(request);
}

std::vector<std::pair<std::string, std::int64_t>> sites(const std::optional<std::string>& reply)
{
    EXPECT_EQ(wire::tag(reply), "RESL");
    const std::string body = wire::body(reply);
    memo::ByteReader in(body);
    std::vector<std::pair<std::string, std::int64_t>> out(in.u32());
    for (auto& [url, time] : out) {
        url = in.string();
        time = in.i64();
    }
    EXPECT_TRUE(in.at_end());
    return out;
}

bool fetch_flag(int port, const std::string& url, std::int64_t time, bool content)
{
    const auto reply = ask(port, wire::check(url, time, content));
    EXPECT_EQ(wire::tag(reply), "RURL");
    return wire::body(reply) == std::string(1, '\1');
}

} // namespace

TEST(ShareServer, PackagesChecksAndDeletion)
{
    TempDir dir;
    TestServer server("sqlite:" + dir.file("share.db"));
    const int port = server.port();
    const std::string url = "http://example.com/";

    EXPECT_EQ(wire::tag(ask(port, wire::with_url("GMEM", url))), "ERRO");
    EXPECT_FALSE(fetch_flag(port, url, 0, true));
    // Deleting a site the server does not share leaves no record behind.
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("DMEM", url))), "ACKM");
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("GMEM", url))), "ERRO");

    const std::string bytes = package_bytes(url, 5000);
    EXPECT_EQ(wire::tag(ask(port, wire::commit(bytes))), "ACKM");
    const auto fetched = ask(port, wire::with_url("GMEM", url));
    EXPECT_EQ(wire::tag(fetched), "AMEM");
    EXPECT_EQ(wire::body(fetched), bytes);
    EXPECT_TRUE(fetch_flag(port, url, 4999, false));
    EXPECT_FALSE(fetch_flag(port, url, 5000, true));

    // GMEM then CMEM on one connection, as a commit does.
    {
        WireClient client(port);
        EXPECT_EQ(wire::tag(client.exchange(wire::with_url("GMEM", url))), "AMEM");
        EXPECT_EQ(wire::tag(client.exchange(wire::commit(package_bytes(url, 6000, 2)))), "ACKM");
    }
    EXPECT_FALSE(fetch_flag(port, url, 6000, true));

    // A deletion record is newer than every copy: holders of memos fetch it, others need not.
    const std::int64_t before = std::time(nullptr) - 1;
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("DMEM", url))), "ACKM");
    EXPECT_TRUE(fetch_flag(port, url, before, true));
    EXPECT_FALSE(fetch_flag(port, url, before, false));
    const auto record = ask(port, wire::with_url("GMEM", url));
    ASSERT_EQ(wire::tag(record), "AMEM");
    const std::string record_bytes = wire::body(record);
    auto parsed = memo::parse_package(record_bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->url, url);
    EXPECT_TRUE(parsed->empty());
    EXPECT_GE(parsed->time, before);
}

TEST(ShareServer, SearchModes)
{
    TempDir dir;
    TestServer server("sqlite:" + dir.file("share.db"));
    const int port = server.port();
    const std::int64_t now = std::time(nullptr);
    const std::int64_t day = (now / kDay) * kDay - 20 * kDay; // a midnight three weeks ago
    ask(port, wire::commit(package_bytes("http://news.example/today", now - 3600)));
    ask(port, wire::commit(package_bytes("http://blog.example/week", now - 3 * kDay)));
    ask(port, wire::commit(package_bytes("http://news.example/old", day + 3600)));
    ask(port, wire::commit(package_bytes("http://news.example/older", day - 2 * kDay)));
    ask(port, wire::commit(package_bytes("http://news.example/gone", now - 60)));
    ask(port, wire::with_url("DMEM", "http://news.example/gone"));

    using Sites = std::vector<std::pair<std::string, std::int64_t>>;
    EXPECT_EQ(sites(ask(port, wire::search(0, now, 1))), (Sites{{"http://news.example/today", now - 3600}}));
    EXPECT_EQ(sites(ask(port, wire::search(1, now, 7))),
              (Sites{{"http://news.example/today", now - 3600}, {"http://blog.example/week", now - 3 * kDay}}));
    EXPECT_EQ(sites(ask(port, wire::search(2, day, 0))), (Sites{{"http://news.example/old", day + 3600}}));
    EXPECT_EQ(sites(ask(port, wire::search(2, day, 2))),
              (Sites{{"http://news.example/old", day + 3600}, {"http://news.example/older", day - 2 * kDay}}));
    EXPECT_EQ(sites(ask(port, wire::search_text("news.example/o"))),
              (Sites{{"http://news.example/old", day + 3600}, {"http://news.example/older", day - 2 * kDay}}));
    EXPECT_TRUE(sites(ask(port, wire::search_text("nowhere"))).empty());
    // Extreme values from a client do not overflow into a wrong answer.
    EXPECT_TRUE(sites(ask(port, wire::search(2, INT64_MAX, 0xFFFFFFFFu))).size() <= 5);
}

TEST(ShareServer, RestartKeepsPackagesMessagesAndUsers)
{
    TempDir dir;
    const std::string database = "sqlite:" + dir.file("share.db");
    const std::string bytes = package_bytes("http://a.example/", 777, 3);
    {
        TestServer server(database);
        EXPECT_EQ(wire::tag(ask(server.port(), wire::commit(bytes))), "ACKM");
        EXPECT_EQ(wire::tag(ask(server.port(), wire::message("bob", "alice", "hello\r\nthere"))), "ACKM");
        server.stop();
    }
    TestServer server(database);
    EXPECT_EQ(wire::body(ask(server.port(), wire::with_url("GMEM", "http://a.example/"))), bytes);
    EXPECT_TRUE(fetch_flag(server.port(), "http://a.example/", 776, true));

    const auto users = ask(server.port(), wire::chunk("QUSR", {}));
    EXPECT_EQ(wire::body(users), std::string("\1\0\0\0\3\0\0\0bob", 11));
    const auto poll = ask(server.port(), wire::with_url("QMSG", "alice"));
    ASSERT_EQ(wire::tag(poll), "RMSG");
    EXPECT_NE(wire::body(poll).find("hello\r\nthere"), std::string::npos);
    // Delivered once.
    EXPECT_EQ(wire::body(ask(server.port(), wire::with_url("QMSG", "alice"))), std::string(4, '\0'));
}

TEST(ShareServer, MessagesBeyondTheReplyBoundWaitForTheNextPoll)
{
    TempDir dir;
    TestServer server("sqlite:" + dir.file("share.db"));
    const int port = server.port();
    for (int i = 1; i <= 20; ++i)
        ASSERT_EQ(wire::tag(ask(port, wire::message("bob", "alice", "m" + std::to_string(i)))), "ACKM");
    // Each reply: a count, then IMSG records newest first.
    auto texts = [](const std::optional<std::string>& reply) {
        EXPECT_EQ(wire::tag(reply), "RMSG");
        const std::string body = wire::body(reply);
        memo::ByteReader in(body);
        std::vector<std::string> out(in.u32());
        for (auto& text : out) {
            memo::ByteReader record;
            EXPECT_EQ(in.record(record), "IMSG");
            record.string();
            record.string();
            text = record.string();
        }
        return out;
    };
    std::vector<std::string> first, second;
    for (int i = 10; i >= 1; --i)
        first.push_back("m" + std::to_string(i));
    for (int i = 20; i >= 11; --i)
        second.push_back("m" + std::to_string(i));
    EXPECT_EQ(texts(ask(port, wire::with_url("QMSG", "alice"))), first);
    EXPECT_EQ(texts(ask(port, wire::with_url("QMSG", "alice"))), second);
    EXPECT_TRUE(texts(ask(port, wire::with_url("QMSG", "alice"))).empty());
}

TEST(ShareServer, BadRequestsCloseTheConnectionAndAreLogged)
{
    TempDir dir;
    server::ServerOptions options;
    options.max_message_size = 1 << 16;
    options.read_timeout = 0.3;
    TestServer server("sqlite:" + dir.file("share.db"), options);
    const int port = server.port();

    {
        WireClient client(port);
        client.send("HELO\0\0\0\0"s);
        EXPECT_TRUE(client.closed_by_server());
    }
    {
        WireClient client(port);
        client.send("CMEM" + std::string("\xff\xff\x00\x01", 4));
        EXPECT_TRUE(client.closed_by_server());
    }
    {
        // A package that does not parse is never stored.
        WireClient client(port);
        memo::ByteWriter junk;
        junk.string("http://bad/");
        client.send(wire::commit(std::string(junk.view())));
        EXPECT_TRUE(client.closed_by_server());
    }
    {
        // Trailing bytes after a valid package are damage too.
        WireClient client(port);
        client.send(wire::commit(package_bytes("http://bad/", 1) + "x"));
        EXPECT_TRUE(client.closed_by_server());
    }
    {
        // A package no drawing tool could have made is refused before any browser reads it.
        memo::MemoPackage package;
        package.url = "http://slow/";
        auto stroke = std::make_unique<memo::StrokeObject>();
        stroke->points = {{0, 0}, {900, 900}};
        stroke->type = 1;
        stroke->width = 9478;
        package.add(std::move(stroke));
        WireClient client(port);
        client.send(wire::commit(package.serialize()));
        EXPECT_TRUE(client.closed_by_server());
    }
    {
        WireClient client(port);
        client.send("QURL\x20\0\0\0abc"s);
        EXPECT_TRUE(client.closed_by_server());
    }
    {
        WireClient client(port);
        memo::ByteWriter body;
        body.u32(7);
        client.send(wire::chunk("SURL", body));
        EXPECT_TRUE(client.closed_by_server());
    }
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("GMEM", "http://bad/"))), "ERRO");
    EXPECT_TRUE(server.logged("unknown request tag \"HELO\""));
    EXPECT_TRUE(server.logged("exceeds the limit"));
    EXPECT_TRUE(server.logged("malformed \"CMEM\""));
    EXPECT_TRUE(server.logged("no drawing tool makes: [0] STRK: stroke width 9478 beyond 64"));
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("GMEM", "http://slow/"))), "ERRO");
    EXPECT_TRUE(server.logged("request not complete within the read time-out"));
    EXPECT_TRUE(server.logged("malformed \"SURL\""));
}

TEST(ShareServer, ConnectionLimitsRefuseTheSurplus)
{
    TempDir dir;
    server::ServerOptions options;
    options.max_connections = 1;
    {
        TestServer server("sqlite:" + dir.file("share.db"), options);
        WireClient first(server.port());
        ASSERT_EQ(wire::tag(first.exchange(wire::chunk("QUSR", {}))), "USRL");
        WireClient second(server.port());
        EXPECT_TRUE(second.closed_by_server());
        EXPECT_TRUE(server.logged("connection limit of 1 reached"));
    }
    options.max_connections = 100;
    options.max_connections_per_peer = 2;
    options.unlimited.clear();
    TestServer server("sqlite:" + dir.file("share.db"), options);
    std::optional<WireClient> first(server.port()), second(server.port());
    ASSERT_EQ(wire::tag(first->exchange(wire::chunk("QUSR", {}))), "USRL");
    ASSERT_EQ(wire::tag(second->exchange(wire::chunk("QUSR", {}))), "USRL");
    WireClient third(server.port());
    EXPECT_TRUE(third.closed_by_server());
    EXPECT_TRUE(server.logged("limit of 2 connections per peer reached"));
    // A closed connection gives its place back (once the server has seen it close).
    first.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool admitted = false;
    while (!admitted && std::chrono::steady_clock::now() < deadline) {
        WireClient again(server.port());
        admitted = wire::tag(again.exchange(wire::chunk("QUSR", {}))) == "USRL";
    }
    EXPECT_TRUE(admitted);
}

TEST(ShareServer, PictureBombsAreRefusedByTheirHeadersWhileOthersAreServed)
{
    TempDir dir;
    TestServer server("sqlite:" + dir.file("share.db"));
    const int port = server.port();
    const std::string single = wire::photo_package("http://bomb.example/one", 1, 30000, 30000);
    const std::string many = wire::photo_package("http://bomb.example/many", 8, 3000, 3000);
    ASSERT_LT(single.size() + many.size(), 4000u);

    // Bombs keep arriving on two connections while a third client asks site checks.
    std::atomic<bool> done = false;
    std::atomic<int> refused = 0;
    auto bomber = [&](const std::string& bytes) {
        while (!done) {
            WireClient client(port);
            client.send(wire::commit(bytes));
            if (client.closed_by_server())
                ++refused;
        }
    };
    std::thread first(bomber, single), second(bomber, many);
    double slowest = 0;
    for (int i = 0; i < 50 || refused < 10; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(wire::tag(ask(port, wire::check("http://other.example/", 0, true))), "RURL");
        slowest = std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ASSERT_LT(i, 5000) << "the bombs were not refused";
    }
    done = true;
    first.join();
    second.join();
    // A check answered in a second: nothing was decoded.
    EXPECT_LT(slowest, 1.0);
    EXPECT_TRUE(server.logged("over the picture budget: photo [0] of 30000 × 30000 pixels beyond the budget"));
    EXPECT_TRUE(server.logged("beyond the package budget of 48000000"));
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("GMEM", "http://bomb.example/one"))), "ERRO");
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("GMEM", "http://bomb.example/many"))), "ERRO");
    // Within the budget, photos are stored as sent.
    const std::string fair = wire::photo_package("http://bomb.example/fair", 2, 2, 2);
    EXPECT_EQ(wire::tag(ask(port, wire::commit(fair))), "ACKM");
    EXPECT_EQ(wire::body(ask(port, wire::with_url("GMEM", "http://bomb.example/fair"))), fair);
}

TEST(ShareServer, SlowReadersAreCutOffAtTheWriteDeadlineWhileOthersAreServed)
{
    TempDir dir;
    server::ServerOptions options;
    options.write_timeout = 0.5;
    TestServer server("sqlite:" + dir.file("share.db"), options);
    const int port = server.port();
    // Far more than the socket buffers of a reader that takes nothing can hold.
    const std::string bytes = package_bytes("http://big.example/", 1000, 1);
    memo::MemoPackage big;
    big.url = "http://big.example/";
    auto stroke = std::make_unique<memo::StrokeObject>();
    stroke->points.resize(3'000'000);
    big.add(std::move(stroke));
    ASSERT_EQ(wire::tag(ask(port, wire::commit(big.serialize()))), "ACKM");

    std::vector<std::unique_ptr<WireClient>> slow;
    for (int i = 0; i < 4; ++i) {
        slow.push_back(std::make_unique<WireClient>(port));
        ASSERT_TRUE(slow.back()->send(wire::with_url("GMEM", big.url)));
    }
    EXPECT_EQ(wire::tag(ask(port, wire::chunk("QUSR", {}))), "USRL");
    EXPECT_TRUE(server.wait_logged("reply not taken within the write time-out"));
    EXPECT_EQ(wire::tag(ask(port, wire::commit(bytes))), "ACKM");
}

TEST(ShareServer, SecondServerOnTheSameFileIsRefused)
{
    TempDir dir;
    const std::string database = "sqlite:" + dir.file("share.db");
    TestServer first(database);
    EXPECT_THROW(TestServer second(database), std::exception);
    EXPECT_THROW(TestServer bad("mysql://nowhere"), std::exception);
}

TEST(ShareServer, LargePackageArrivesInPiecesAndWhole)
{
    TempDir dir;
    TestServer server("sqlite:" + dir.file("share.db"));
    memo::MemoPackage package;
    package.url = "http://big.example/";
    auto stroke = std::make_unique<memo::StrokeObject>();
    for (int i = 0; i < 40000; ++i)
        stroke->points.push_back({i, -i});
    package.add(std::move(stroke));
    const std::string bytes = package.serialize();
    ASSERT_GT(bytes.size(), 300000u);
    EXPECT_EQ(wire::tag(ask(server.port(), wire::commit(bytes))), "ACKM");
    EXPECT_EQ(wire::body(ask(server.port(), wire::with_url("GMEM", package.url))), bytes);
}

TEST(ShareServer, AddressRangesRatesAndFarFutureTimesAreRefused)
{
    const auto range = server::AddressRange::parse("192.168.0.0/16");
    ASSERT_TRUE(range);
    EXPECT_TRUE(range->contains("192.168.5.1"));
    EXPECT_FALSE(range->contains("192.169.0.1"));
    EXPECT_FALSE(range->contains("::1"));
    EXPECT_TRUE(server::address_allowed(server::AddressRange::loopback(), "::ffff:127.0.0.2"));
    EXPECT_TRUE(server::AddressRange::parse("2001:db8::/32")->contains("2001:db8::7"));
    std::vector<server::AddressRange> ranges;
    EXPECT_FALSE(server::AddressRange::parse_list("10.0.0.0/8,1.2.3.4/33", ranges));
    EXPECT_FALSE(server::AddressRange::parse_list("example.com", ranges));

    TempDir dir;
    {
        server::ServerOptions options;
        options.allow = {*server::AddressRange::parse("10.0.0.0/8")};
        TestServer server("sqlite:" + dir.file("share.db"), options);
        WireClient client(server.port());
        EXPECT_TRUE(client.closed_by_server());
        EXPECT_TRUE(server.wait_logged("refused 127.0.0.1: not in the allowed address ranges"));
    }
    server::ServerOptions options;
    options.unlimited.clear();
    options.peer_rate = 1;
    options.peer_burst = 5;
    TestServer server("sqlite:" + dir.file("share.db"), options);
    const int port = server.port();
    const std::int64_t now = std::time(nullptr);
    {
        WireClient client(port);
        EXPECT_EQ(wire::tag(client.exchange(wire::commit(package_bytes("http://future.example/", now + 3 * kDay)))),
                  "none");
        EXPECT_TRUE(server.wait_logged("s ahead of the server's clock"));
    }
    EXPECT_EQ(wire::tag(ask(port, wire::commit(package_bytes("http://soon.example/", now + 3600)))), "ACKM");
    int answered = 0;
    for (int i = 0; i < 10; ++i)
        answered += wire::tag(ask(port, wire::chunk("QUSR", {}))) == "USRL";
    EXPECT_LT(answered, 10);
    EXPECT_TRUE(server.logged("more than 1 requests per second"));
    EXPECT_EQ(wire::tag(ask(port, wire::with_url("GMEM", "http://future.example/"))), "none");
}

TEST(ShareServer, APreviousVersionIsListedAndRestored)
{
    TempDir dir;
    const std::string database = "sqlite:" + dir.file("share.db");
    const std::string url = "http://versions.example/";
    std::vector<std::string> sent;
    {
        server::ServerOptions options;
        options.kept_versions = 2;
        TestServer server(database, options);
        for (int i = 1; i <= 4; ++i) {
            sent.push_back(package_bytes(url, 1000 * i, i));
            ASSERT_EQ(wire::tag(ask(server.port(), wire::commit(sent.back()))), "ACKM");
        }
        server.stop();
    }
    auto store = server::open_store(database);
    store->begin();
    const auto versions = store->versions(url);
    store->commit();
    // The two packages before the current one, newest first.
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].time, 3000);
    EXPECT_EQ(versions[1].time, 2000);
    EXPECT_EQ(versions[1].bytes, sent[1].size());
    EXPECT_NE(server::describe_versions(*store, url).find(std::to_string(versions[1].number) + "  time 1970"),
              std::string::npos);
    EXPECT_THROW(server::restore_version(*store, url, 999999, 5000), server::StoreError);

    const std::int64_t now = std::time(nullptr);
    server::restore_version(*store, url, versions[1].number, now);
    store.reset(); // the server takes the file's lock

    TestServer server(database);
    // The restored package is the second one, stamped now so that every holder fetches it.
    const auto restored = memo::parse_package(wire::body(ask(server.port(), wire::with_url("GMEM", url))));
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->time, now);
    EXPECT_EQ(restored->size(), 2u);
    EXPECT_EQ(server::restamp_package(sent[1], now), wire::body(ask(server.port(), wire::with_url("GMEM", url))));
    EXPECT_TRUE(fetch_flag(server.port(), url, 4000, true));
}
