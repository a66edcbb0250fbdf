#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <ctime>
#include <map>
#include <mutex>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Fronts.h"
#include "TempDir.h"
#include "WireClient.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "server/ShareServer.h"

namespace fs = std::filesystem;

namespace {

// The newest PostgreSQL server programs Debian installed, or an empty path.
fs::path postgres_bin()
{
    fs::path best;
    std::error_code ec;
    for (const auto& version : fs::directory_iterator("/usr/lib/postgresql", ec))
        if (fs::exists(version.path() / "bin" / "initdb") && version.path().string() > best.string())
            best = version.path();
    return best.empty() ? best : best / "bin";
}

// A throw-away PostgreSQL cluster that listens only on a socket in its own folder. The
// server refuses to run as root, so as root it runs as the "postgres" user.
class Cluster {
public:
    Cluster()
    {
        bin_ = postgres_bin();
        if (bin_.empty()) {
            why_not_ = "PostgreSQL is not installed (scripts/setup.sh installs Debian's postgresql)";
            return;
        }
        if (::geteuid() == 0) {
            const passwd* user = ::getpwnam("postgres");
            if (!user) {
                why_not_ = "running as root and there is no postgres user to run PostgreSQL as";
                return;
            }
            uid_ = user->pw_uid;
            gid_ = user->pw_gid;
            fs::permissions(dir_.path(), fs::perms::all, fs::perm_options::add);
        }
        data_ = dir_.path() / "data";
        socket_ = dir_.path() / "socket";
        fs::create_directories(socket_);
        if (uid_ >= 0) {
            ::chown(dir_.path().c_str(), uid_t(uid_), gid_t(gid_));
            ::chown(socket_.c_str(), uid_t(uid_), gid_t(gid_));
        }
        if (run({(bin_ / "initdb").string(), "-D", data_.string(), "-A", "trust", "-U", "marvo", "--no-sync",
                 "-E", "UTF8"}) != 0) {
            why_not_ = "initdb failed; see " + (dir_.path() / "postgres.log").string();
            return;
        }
        // In the configuration file, so that a restart keeps them.
        {
            std::ofstream conf(data_ / "postgresql.conf", std::ios::app);
            conf << "unix_socket_directories = '" << socket_.string() << "'\nlisten_addresses = ''\n"
                 << "port = 5432\nfsync = off\n";
        }
        if (run({(bin_ / "pg_ctl").string(), "-D", data_.string(), "-l", (dir_.path() / "server.log").string(), "-w",
                 "-t", "60", "start"}) != 0) {
            why_not_ = "PostgreSQL did not start";
            return;
        }
        started_ = true;
    }
    ~Cluster()
    {
        if (started_)
            run({(bin_ / "pg_ctl").string(), "-D", data_.string(), "-m", "immediate", "-w", "stop"});
    }
    // Stops the database, dropping every connection, and starts it again.
    bool restart()
    {
        return run({(bin_ / "pg_ctl").string(), "-D", data_.string(), "-m", "fast", "-w", "-t", "60", "restart"}) == 0;
    }
    const std::string& why_not() const { return why_not_; }
    std::string url() const { return "postgresql:///postgres?host=" + socket_.string() + "&port=5432&user=marvo"; }

private:
    int run(const std::vector<std::string>& argv)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int log = ::open((dir_.path() / "postgres.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
            ::dup2(log, 1);
            ::dup2(log, 2);
            ::close_range(3, ~0U, 0);
            if (gid_ >= 0 && (::setgid(gid_t(gid_)) != 0 || ::setuid(uid_t(uid_)) != 0))
                ::_exit(126);
            std::vector<char*> args;
            for (const auto& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempDir dir_;
    fs::path bin_, data_, socket_;
    int uid_ = -1;
    int gid_ = -1;
    bool started_ = false;
    std::string why_not_;
};

std::unique_ptr<server::ShareServer> start_server(const std::string& database)
{
    server::ServerOptions options;
    options.port = 0;
    options.database = database;
    auto s = std::make_unique<server::ShareServer>(options, [](const std::string&) {});
    s->start();
    return s;
}

std::string package_bytes(const std::string& url, std::int64_t time)
{
    memo::MemoPackage package;
    package.url = url;
    package.time = time;
    auto stroke = std::make_unique<memo::StrokeObject>();
    stroke->points = {{1, 2}, {3, 4}};
    package.add(std::move(stroke));
    return package.serialize();
}

std::optional<std::string> ask(int port, const std::string& request)
{
    WireClient client(port);
    return client.exchange(request);
}

} // namespace

TEST(ShareServerPostgres, TwoServersShareOneDatabase)
{
    Cluster cluster;
    if (!cluster.why_not().empty())
        GTEST_SKIP() << "skipping the PostgreSQL back end test: " << cluster.why_not();

    auto first = start_server(cluster.url());
    auto second = start_server(cluster.url());
    const int a = first->port();
    const int b = second->port();
    const std::int64_t now = std::time(nullptr);
    // Shift_JIS bytes, including a trail byte 0x5C, travel as they are.
    const std::string url = "http://example.jp/\x83\x5C\x83\x74\x83\x67";
    const std::string bytes = package_bytes(url, now - 100);

    EXPECT_EQ(wire::tag(ask(a, wire::with_url("GMEM", url))), "ERRO");
    EXPECT_EQ(wire::tag(ask(a, wire::commit(bytes))), "ACKM");
    EXPECT_EQ(wire::body(ask(b, wire::with_url("GMEM", url))), bytes);
    EXPECT_EQ(wire::body(ask(b, wire::check(url, now - 101, true))), "\1");
    EXPECT_EQ(wire::body(ask(b, wire::check(url, now - 100, true))), std::string(1, '\0'));

    const auto found = ask(b, wire::search(0, now, 1));
    EXPECT_NE(wire::body(found).find(url), std::string::npos);
    EXPECT_NE(wire::body(ask(a, wire::search_text("\x83\x5C"))).find(url), std::string::npos);

    // A message sent through one server is delivered once, through the other.
    EXPECT_EQ(wire::tag(ask(a, wire::message("bob", "alice", "hi"))), "ACKM");
    EXPECT_NE(wire::body(ask(b, wire::with_url("QMSG", "alice"))).find("hi"), std::string::npos);
    EXPECT_EQ(wire::body(ask(a, wire::with_url("QMSG", "alice"))), std::string(4, '\0'));
    EXPECT_EQ(wire::body(ask(b, wire::chunk("QUSR", {}))),
              std::string("\2\0\0\0\5\0\0\0alice\3\0\0\0bob", 20));

    // Deletion through one server shows in the other, and leaves the site out of searches.
    EXPECT_EQ(wire::tag(ask(b, wire::with_url("DMEM", url))), "ACKM");
    EXPECT_EQ(wire::body(ask(a, wire::check(url, now - 1, true))), "\1");
    const auto record = memo::parse_package(wire::body(ask(a, wire::with_url("GMEM", url))));
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->empty());
    EXPECT_EQ(wire::body(ask(a, wire::search_text("example.jp"))), std::string(4, '\0'));

    // A restart keeps everything.
    first.reset();
    second.reset();
    auto again = start_server(cluster.url());
    EXPECT_EQ(wire::tag(ask(again->port(), wire::with_url("GMEM", url))), "AMEM");
}

namespace {

// HAProxy in TCP mode in front of share servers: one address, connections spread round robin,
// a server that stops is taken out by the health checks and its connection attempts go to
// another.
std::string balancer_config(int front, const std::vector<int>& ports)
{
    std::string config = "global\n  maxconn 512\n"
                         "defaults\n  mode tcp\n  timeout connect 2s\n  timeout client 30s\n  timeout server 30s\n"
                         "  retries 3\n  option redispatch 1\n"
                         "frontend share\n  bind 127.0.0.1:" + std::to_string(front) + "\n  default_backend servers\n"
                         "backend servers\n  balance roundrobin\n";
    for (std::size_t i = 0; i < ports.size(); ++i)
        config += "  server s" + std::to_string(i) + " 127.0.0.1:" + std::to_string(ports[i]) +
                  " check inter 200ms fall 1 rise 1\n";
    return config;
}

// Message texts of a poll's reply.
std::vector<std::string> message_texts(const std::optional<std::string>& reply)
{
    std::vector<std::string> out;
    if (wire::tag(reply) != "RMSG")
        return out;
    const std::string body = wire::body(reply);
    memo::ByteReader in(body);
    out.resize(in.u32());
    for (auto& text : out) {
        memo::ByteReader record;
        in.record(record);
        record.string();
        record.string();
        text = record.string();
    }
    return out;
}

} // namespace

TEST(ShareServerPostgres, TwoServersBehindHAProxyShareCommitsAndMessagesAndSurviveAStop)
{
    Cluster cluster;
    if (!cluster.why_not().empty())
        GTEST_SKIP() << "skipping the PostgreSQL back end test: " << cluster.why_not();
    auto first = start_server(cluster.url());
    auto second = start_server(cluster.url());
    const int a = first->port();
    const int b = second->port();
    const int front = free_port();
    FrontProgram balancer("/usr/sbin/haproxy", {"-db", "-f", "CONFIG"}, balancer_config(front, {a, b}));
    if (!balancer.why_not().empty())
        GTEST_SKIP() << "skipping the two-server test: " << balancer.why_not();
    ASSERT_TRUE(balancer.wait_until_served(front)) << balancer.why_not();
    const std::int64_t now = std::time(nullptr);

    // Commits through the front are seen through each server.
    for (int i = 0; i < 6; ++i) {
        const std::string url = "http://balanced.example/" + std::to_string(i);
        const std::string bytes = package_bytes(url, now - 100 + i);
        ASSERT_EQ(wire::tag(ask(front, wire::commit(bytes))), "ACKM");
        EXPECT_EQ(wire::body(ask(a, wire::with_url("GMEM", url))), bytes);
        EXPECT_EQ(wire::body(ask(b, wire::with_url("GMEM", url))), bytes);
    }

    // 30 messages, polled by two pollers at once through the front: each arrives once.
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(wire::tag(ask(front, wire::message("bob", "carol", "m" + std::to_string(i)))), "ACKM");
    std::mutex mutex;
    std::multiset<std::string> received;
    auto poller = [&] {
        for (int empty = 0; empty < 3;) {
            const auto texts = message_texts(ask(front, wire::with_url("QMSG", "carol")));
            empty = texts.empty() ? empty + 1 : 0;
            std::lock_guard hold(mutex);
            received.insert(texts.begin(), texts.end());
        }
    };
    std::thread p1(poller), p2(poller);
    p1.join();
    p2.join();
    std::multiset<std::string> expected;
    for (int i = 0; i < 30; ++i)
        expected.insert("m" + std::to_string(i));
    EXPECT_EQ(received, expected);

    // One server stops while commits keep arriving through the front: every acknowledged
    // commit is there afterwards.
    std::map<std::string, std::string> acknowledged;
    std::condition_variable progressed;
    std::atomic<bool> stop = false;
    int count = 0; // guarded by mutex
    std::thread committer([&] {
        for (int j = 0; !stop && j < 100000; ++j) {
            const std::string url = "http://survivor.example/" + std::to_string(j % 25);
            const std::string bytes = package_bytes(url, now - 50 + j % 40);
            if (wire::tag(ask(front, wire::commit(bytes))) == "ACKM") {
                {
                    std::lock_guard hold(mutex);
                    acknowledged[url] = bytes;
                    ++count;
                }
                progressed.notify_all();
            }
        }
    });
    auto wait_for = [&](int target) {
        std::unique_lock hold(mutex);
        return progressed.wait_for(hold, std::chrono::seconds(60), [&] { return count >= target; });
    };
    EXPECT_TRUE(wait_for(30));
    first.reset();
    int reached = 0;
    {
        std::lock_guard hold(mutex);
        reached = count;
    }
    EXPECT_TRUE(wait_for(reached + 30)); // the front keeps answering through the other server
    stop = true;
    committer.join();
    ASSERT_GE(acknowledged.size(), 25u);
    for (const auto& [url, bytes] : acknowledged)
        EXPECT_EQ(wire::body(ask(b, wire::with_url("GMEM", url))), bytes) << url;
}

TEST(ShareServerPostgres, TheServerReconnectsAfterTheDatabaseRestarts)
{
    Cluster cluster;
    if (!cluster.why_not().empty())
        GTEST_SKIP() << "skipping the PostgreSQL back end test: " << cluster.why_not();
    auto server = start_server(cluster.url());
    const int port = server->port();
    const std::string before = package_bytes("http://restart.example/1", 1000);
    ASSERT_EQ(wire::tag(ask(port, wire::commit(before))), "ACKM");
    ASSERT_TRUE(cluster.restart());

    // Requests fail while the connection is re-established, then succeed again.
    const std::string after = package_bytes("http://restart.example/2", 2000);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool committed = false;
    while (!committed && std::chrono::steady_clock::now() < deadline)
        committed = wire::tag(ask(port, wire::commit(after))) == "ACKM";
    ASSERT_TRUE(committed);
    EXPECT_EQ(wire::body(ask(port, wire::with_url("GMEM", "http://restart.example/1"))), before);
    EXPECT_EQ(wire::body(ask(port, wire::with_url("GMEM", "http://restart.example/2"))), after);
    EXPECT_EQ(wire::tag(ask(port, wire::message("bob", "dave", "still here"))), "ACKM");
    EXPECT_EQ(message_texts(ask(port, wire::with_url("QMSG", "dave"))), std::vector<std::string>{"still here"});
}
