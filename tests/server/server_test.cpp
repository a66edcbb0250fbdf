#include <gtest/gtest.h>

#include <ctime>
#include <mutex>

#include "TempDir.h"
#include "WireClient.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "server/ShareServer.h"

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
            std::lock_guard hold(mutex_);
            log_.push_back(line);
        });
        server_->start();
    }
    int port() const { return server_->port(); }
    void stop() { server_->stop(); }
    bool logged(const std::string& part)
    {
        std::lock_guard hold(mutex_);
        for (const auto& line : log_)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

private:
    // The log outlives the server, which writes to it while stopping.
    std::mutex mutex_;
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

TEST(ShareServer, ConnectionLimitRefusesTheSurplus)
{
    TempDir dir;
    server::ServerOptions options;
    options.max_connections = 1;
    TestServer server("sqlite:" + dir.file("share.db"), options);
    WireClient first(server.port());
    ASSERT_EQ(wire::tag(first.exchange(wire::chunk("QUSR", {}))), "USRL");
    WireClient second(server.port());
    EXPECT_TRUE(second.closed_by_server());
    EXPECT_TRUE(server.logged("connection limit of 1 reached"));
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
