// The sharing server under load: 50 concurrent clients on 127.0.0.1, one new connection per
// exchange as the browser makes them. "QURL" site checks per second, and durable commits
// ("GMEM" then "CMEM" of a 20 KB package on one connection) per second.
//
// scripts/bench-share.sh runs this beside redis-benchmark for a yardstick.

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "memo/ByteIO.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "server/ShareServer.h"

namespace {

constexpr int kClients = 50;

std::string chunk(std::string_view tag, const std::string& body)
{
    memo::ByteWriter out;
    out.raw(tag.data(), 4);
    out.u32(std::uint32_t(body.size()));
    out.raw(body.data(), body.size());
    return out.take();
}

std::string url_request(std::string_view tag, const std::string& url)
{
    memo::ByteWriter body;
    body.string(url);
    return chunk(tag, std::string(body.view()));
}

std::string check_request(const std::string& url)
{
    memo::ByteWriter body;
    body.string(url);
    body.i64(0);
    body.u8(1);
    return chunk("QURL", std::string(body.view()));
}

// A package of about 20 KB: one stroke with enough points.
std::string package_bytes(const std::string& url)
{
    memo::MemoPackage package;
    package.url = url;
    package.time = 1700000000;
    auto stroke = std::make_unique<memo::StrokeObject>();
    for (int i = 0; i < 2500; ++i)
        stroke->points.push_back({i, i * 3});
    package.add(std::move(stroke));
    return package.serialize();
}

int connect_to(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<unsigned short>(port));
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends the request and reads one whole reply chunk; false on any failure.
bool exchange(int fd, const std::string& request, std::string& reply)
{
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size()))
        return false;
    reply.clear();
    std::size_t want = 8;
    char buffer[65536];
    while (reply.size() < want) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        reply.append(buffer, std::size_t(n));
        if (want == 8 && reply.size() >= 8) {
            const auto* b = reinterpret_cast<const std::uint8_t*>(reply.data() + 4);
            want = 8 + (b[0] | b[1] << 8 | b[2] << 16 | std::size_t(b[3]) << 24);
        }
    }
    return true;
}

class Server {
public:
    explicit Server(int threads)
    {
        dir_ = std::filesystem::temp_directory_path() / ("marvo-bench-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(dir_);
        server::ServerOptions options;
        options.port = 0;
        options.threads = threads;
        // MARVO_BENCH_DATABASE measures another back end (a PostgreSQL URL, say).
        const char* other = std::getenv("MARVO_BENCH_DATABASE");
        options.database = other && *other ? std::string(other) : "sqlite:" + (dir_ / "share.db").string();
        server_ = std::make_unique<server::ShareServer>(options, [](const std::string&) {});
        server_->start();
    }
    ~Server()
    {
        server_.reset();
        std::filesystem::remove_all(dir_);
    }
    int port() const { return server_->port(); }

private:
    std::filesystem::path dir_;
    std::unique_ptr<server::ShareServer> server_;
};

// Runs per_client exchanges on each of the clients at once; returns the failures.
template <typename Exchange> int run_clients(int per_client, Exchange one)
{
    std::atomic<int> failures{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            std::string reply;
            for (int i = 0; i < per_client; ++i)
                if (!one(c, i, reply))
                    ++failures;
        });
    for (auto& t : clients)
        t.join();
    return failures;
}

void BM_SiteChecks(benchmark::State& state)
{
    Server server(int(state.range(0)));
    const std::string url = "http://bench.example/page";
    {
        const int fd = connect_to(server.port());
        std::string reply;
        exchange(fd, chunk("CMEM", package_bytes(url)), reply);
        ::close(fd);
    }
    const std::string request = check_request(url);
    constexpr int kPerClient = 400;
    int failures = 0;
    for (auto _ : state) {
        failures += run_clients(kPerClient, [&](int, int, std::string& reply) {
            const int fd = connect_to(server.port());
            if (fd < 0)
                return false;
            const bool ok = exchange(fd, request, reply) && reply.compare(0, 4, "RURL") == 0;
            ::close(fd);
            return ok;
        });
    }
    state.SetItemsProcessed(state.iterations() * kClients * kPerClient);
    state.counters["failures"] = failures;
}
BENCHMARK(BM_SiteChecks)->Arg(1)->Arg(2)->ArgName("server_threads")->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Commits(benchmark::State& state)
{
    Server server(int(state.range(0)));
    // Every client commits its own sites over and over, so the table stays a fixed size.
    std::vector<std::vector<std::pair<std::string, std::string>>> work(kClients);
    for (int c = 0; c < kClients; ++c)
        for (int s = 0; s < 10; ++s) {
            const std::string url = "http://client" + std::to_string(c) + ".example/" + std::to_string(s);
            work[c].emplace_back(url_request("GMEM", url), chunk("CMEM", package_bytes(url)));
        }
    constexpr int kPerClient = 40;
    int failures = 0;
    for (auto _ : state) {
        failures += run_clients(kPerClient, [&](int c, int i, std::string& reply) {
            const auto& [fetch, commit] = work[c][std::size_t(i) % work[c].size()];
            const int fd = connect_to(server.port());
            if (fd < 0)
                return false;
            const bool ok = exchange(fd, fetch, reply) && exchange(fd, commit, reply) &&
                            reply.compare(0, 4, "ACKM") == 0;
            ::close(fd);
            return ok;
        });
    }
    state.SetItemsProcessed(state.iterations() * kClients * kPerClient);
    state.SetBytesProcessed(state.iterations() * kClients * kPerClient * std::int64_t(work[0][0].second.size()));
    state.counters["failures"] = failures;
}
BENCHMARK(BM_Commits)->Arg(1)->Arg(2)->ArgName("server_threads")->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
