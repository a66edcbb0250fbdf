#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <map>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "TempDir.h"
#include "WireClient.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "server/ShareServer.h"

namespace {

const std::string kServerProgram = MARVO_BINARY_DIR "/server/marvo-share-server";

// The server program as a child process; its standard error is read by a thread so that it
// never blocks, and the port is taken from its start line.
class ServerProcess {
public:
    explicit ServerProcess(const std::string& database)
    {
        int pipe_ends[2];
        if (::pipe(pipe_ends) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipe_ends[1], 2);
            ::close(pipe_ends[0]);
            ::close(pipe_ends[1]);
            ::execl(kServerProgram.c_str(), kServerProgram.c_str(), "--listen", "127.0.0.1:0", "--database",
                    database.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe_ends[1]);
        reader_ = std::thread([this, fd = pipe_ends[0]] {
            std::string text;
            char buffer[4096];
            ssize_t n;
            bool found = false;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
                text.append(buffer, std::size_t(n));
                const std::string marker = "listening on 127.0.0.1:";
                const auto at = text.find(marker);
                if (!found && at != std::string::npos && text.find(',', at) != std::string::npos) {
                    found = true;
                    port_.set_value(std::atoi(text.c_str() + at + marker.size()));
                }
            }
            if (!found)
                port_.set_value(0);
            ::close(fd);
            std::lock_guard hold(mutex_);
            log_ = text;
        });
    }
    ~ServerProcess()
    {
        kill(SIGKILL);
        if (reader_.joinable())
            reader_.join();
    }
    int port()
    {
        auto answer = port_.get_future();
        return answer.wait_for(std::chrono::seconds(20)) == std::future_status::ready ? answer.get() : 0;
    }
    // Sends the signal and returns the wait status.
    int kill(int signal)
    {
        int status = -1;
        if (pid_ > 0) {
            ::kill(pid_, signal);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        return status;
    }
    // Everything the server wrote, once it has ended.
    std::string log()
    {
        if (reader_.joinable())
            reader_.join();
        std::lock_guard hold(mutex_);
        return log_;
    }

private:
    pid_t pid_ = -1;
    std::promise<int> port_;
    std::thread reader_;
    std::mutex mutex_;
    std::string log_;
};

std::string package_bytes(const std::string& url, int size)
{
    memo::MemoPackage package;
    package.url = url;
    package.time = 1000 + size;
    auto stroke = std::make_unique<memo::StrokeObject>();
    for (int i = 0; i < size; ++i)
        stroke->points.push_back({i, i * 2});
    package.add(std::move(stroke));
    return package.serialize();
}

} // namespace

TEST(ShareServerCrash, KillNineLosesNoAcknowledgedCommit)
{
    TempDir dir;
    const std::string database = "sqlite:" + dir.file("share.db");
    ServerProcess process(database);
    const int port = process.port();
    ASSERT_GT(port, 0) << "the server did not start";

    constexpr int kClients = 20;
    constexpr int kAcknowledgedBeforeKill = 300;
    std::mutex mutex;
    std::condition_variable progress;
    std::vector<std::pair<std::string, std::string>> acknowledged; // url, bytes
    std::map<std::string, std::string> in_flight;                  // url, bytes sent unanswered
    std::atomic<bool> stop{false};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (int j = 0; !stop; ++j) {
                const std::string url = "http://client" + std::to_string(c) + ".example/" + std::to_string(j % 40);
                const std::string bytes = package_bytes(url, j % 200);
                WireClient client(port);
                if (!client.connected())
                    return;
                // A commit as the browser sends it: GMEM, then CMEM on the same connection.
                if (wire::tag(client.exchange(wire::with_url("GMEM", url))) == "none")
                    return;
                {
                    std::lock_guard hold(mutex);
                    in_flight[url] = bytes;
                }
                if (wire::tag(client.exchange(wire::commit(bytes))) != "ACKM")
                    return;
                {
                    std::lock_guard hold(mutex);
                    in_flight.erase(url);
                    // The latest acknowledged bytes of a URL are what the server must hold.
                    acknowledged.emplace_back(url, bytes);
                }
                progress.notify_all();
            }
        });
    }
    {
        std::unique_lock hold(mutex);
        EXPECT_TRUE(progress.wait_for(hold, std::chrono::seconds(60),
                                      [&] { return acknowledged.size() >= kAcknowledgedBeforeKill; }));
    }
    process.kill(SIGKILL);
    stop = true;
    for (auto& t : clients)
        t.join();

    std::map<std::string, std::string> latest;
    for (const auto& [url, bytes] : acknowledged)
        latest[url] = bytes;
    ASSERT_GE(latest.size(), 40u);

    server::ServerOptions options;
    options.port = 0;
    options.database = database;
    server::ShareServer restarted(options, [](const std::string&) {});
    restarted.start();
    int missing = 0;
    for (const auto& [url, bytes] : latest) {
        WireClient client(restarted.port());
        const auto reply = client.exchange(wire::with_url("GMEM", url));
        // A commit after the last acknowledged one may have reached the disk unacknowledged;
        // what must never happen is an older or absent package.
        if (wire::tag(reply) != "AMEM") {
            ++missing;
            continue;
        }
        // Either the last acknowledged commit, or the one that was on its way at the kill.
        const std::string stored = wire::body(reply);
        if (stored != bytes) {
            const auto sent = in_flight.find(url);
            EXPECT_TRUE(sent != in_flight.end() && sent->second == stored) << url;
        }
    }
    EXPECT_EQ(missing, 0);
}

TEST(ShareServerCrash, SigtermStopsCleanly)
{
    TempDir dir;
    ServerProcess process("sqlite:" + dir.file("share.db"));
    const int port = process.port();
    ASSERT_GT(port, 0);
    WireClient idle(port); // an open connection does not hold up the shutdown
    ASSERT_TRUE(idle.connected());
    const int status = process.kill(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string log = process.log();
    EXPECT_NE(log.find("received SIGTERM, shutting down"), std::string::npos) << log;
    EXPECT_NE(log.find("marvo-share-server stopped"), std::string::npos) << log;
}

TEST(ShareServerCrash, BadOptionsAreRefused)
{
    TempDir dir;
    const std::string bad_config = dir.file("bad.conf");
    std::FILE* config = std::fopen(bad_config.c_str(), "w");
    ASSERT_TRUE(config);
    std::fputs("# a comment\nthreads = 2\nlisten 127.0.0.1:0\n", config); // a line without "="
    std::fclose(config);
    const std::vector<std::vector<std::string>> refused{
        {"--listen=nonsense", "x"}, {"--read-timeout", "x"}, {"--threads"}, {"--config", dir.file("missing.conf")},
        {"--config", bad_config}};
    for (const auto& arguments : refused) {
        std::vector<char*> argv{const_cast<char*>(kServerProgram.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execv(kServerProgram.c_str(), argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << arguments.front();
    }
}
