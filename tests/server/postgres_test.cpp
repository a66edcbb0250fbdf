#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

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
        const std::string options = "-k " + socket_.string() + " -c listen_addresses= -p 5432 -c fsync=off";
        if (run({(bin_ / "pg_ctl").string(), "-D", data_.string(), "-o", options, "-l",
                 (dir_.path() / "server.log").string(), "-w", "-t", "60", "start"}) != 0) {
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
