#include <gtest/gtest.h>

#include <chrono>

#include <arpa/inet.h>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "TempDir.h"
#include "share/Downloader.h"

namespace {

// A one-shot HTTP server on 127.0.0.1: answers the first request with the bytes the test
// gives, optionally keeping the connection open until release().
class HttpServer {
public:
    HttpServer(std::string response, bool hold = false) : response_(std::move(response)), hold_(hold)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~HttpServer()
    {
        release();
        thread_.join();
        ::close(listener_);
    }
    std::string url(const std::string& path = "/file") const
    {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    void release()
    {
        {
            std::lock_guard hold(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }
    std::string request()
    {
        std::lock_guard hold(mutex_);
        return request_;
    }

private:
    void serve()
    {
        pollfd watch{listener_, POLLIN, 0};
        while (::poll(&watch, 1, 50) <= 0) {
            std::lock_guard hold(mutex_);
            if (released_)
                return;
        }
        const int fd = ::accept(listener_, nullptr, nullptr);
        std::string text;
        char buffer[4096];
        while (text.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            text.append(buffer, std::size_t(n));
        }
        {
            std::lock_guard hold(mutex_);
            request_ = text;
        }
        ::send(fd, response_.data(), response_.size(), MSG_NOSIGNAL);
        if (hold_) {
            std::unique_lock hold(mutex_);
            changed_.wait(hold, [this] { return released_; });
        }
        ::close(fd);
    }

    std::string response_;
    bool hold_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
    std::string request_;
};

// Records the notifications; waits on them with a bound.
class Listener : public share::DownloadListener {
public:
    void download_done(const std::string& path) override { record("done " + path); }
    void download_failed() override { record("failed"); }
    std::string wait()
    {
        std::unique_lock hold(mutex_);
        changed_.wait_for(hold, std::chrono::seconds(20), [this] { return !events_.empty(); });
        return events_.empty() ? "nothing" : events_.front();
    }
    std::size_t count()
    {
        std::lock_guard hold(mutex_);
        return events_.size();
    }

private:
    void record(const std::string& event)
    {
        {
            std::lock_guard hold(mutex_);
            events_.push_back(event);
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
};

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string body_of(std::size_t n)
{
    std::string body(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        body[i] = char('a' + i % 26);
    return body;
}

// Runs one download to its end and returns the notification.
std::string download(share::Downloader& downloader, Listener& listener)
{
    downloader.set_listener(&listener);
    downloader.start();
    const std::string event = listener.wait();
    downloader.wait(20);
    return event;
}

} // namespace

TEST(Downloader, WholeFileWithAndWithoutLength)
{
    TempDir dir;
    const std::string body = body_of(10000);
    {
        HttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\nConnection: close\r\n\r\n" + body);
        share::Downloader downloader(server.url(), dir.file("a.bin"));
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "done " + dir.file("a.bin"));
        EXPECT_EQ(read_file(dir.file("a.bin")), body);
        EXPECT_EQ(downloader.progress(), 100);
        EXPECT_EQ(downloader.exit_code(), 0);
        EXPECT_NE(server.request().find("User-Agent: Sefta Downloader ver-1.00\r\n"), std::string::npos);
    }
    {
        HttpServer server("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
        share::Downloader downloader;
        downloader.set_target(server.url(), dir.file("b.bin"));
        downloader.set_agent("Marvo/1.0");
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "done " + dir.file("b.bin"));
        EXPECT_EQ(read_file(dir.file("b.bin")), body);
        EXPECT_EQ(downloader.progress(), 100);
        EXPECT_NE(server.request().find("User-Agent: Marvo/1.0\r\n"), std::string::npos);
    }
    {
        // An answer that ends before its announced length is cut short: no file.
        HttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\nConnection: close\r\n\r\n" + body);
        share::Downloader downloader(server.url(), dir.file("c.bin"));
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "failed");
        EXPECT_FALSE(std::filesystem::exists(dir.file("c.bin")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("c.bin.part")));
    }
    {
        HttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        share::Downloader downloader(server.url(), dir.file("empty.bin"));
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "done " + dir.file("empty.bin"));
        EXPECT_TRUE(std::filesystem::exists(dir.file("empty.bin")));
    }
}

TEST(Downloader, ErrorAnswersWriteNoFile)
{
    TempDir dir;
    for (const char* status : {"404 Not Found", "500 Internal Server Error"}) {
        HttpServer server(std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 5\r\nConnection: close\r\n\r\noops!");
        share::Downloader downloader(server.url(), dir.file("missing.bin"));
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "failed") << status;
        EXPECT_EQ(downloader.exit_code(), 1);
        EXPECT_FALSE(std::filesystem::exists(dir.file("missing.bin")));
    }
}

TEST(Downloader, UnopenableUrlAndUncreatableFileFail)
{
    TempDir dir;
    {
        int port;
        {
            HttpServer gone("");
            port = std::stoi(gone.url().substr(17));
        }
        share::Downloader downloader("http://127.0.0.1:" + std::to_string(port) + "/x", dir.file("x.bin"));
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "failed");
        EXPECT_EQ(downloader.exit_code(), 1);
    }
    {
        HttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\nabc");
        share::Downloader downloader(server.url(), dir.file("no/such/folder/x.bin"));
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "failed");
        EXPECT_EQ(downloader.exit_code(), 1);
        EXPECT_EQ(listener.count(), 1u);
    }
}

TEST(Downloader, SizeLimitOfflineAndProxyAreFollowed)
{
    TempDir dir;
    const std::string body = body_of(10000);
    for (const std::string& length : {std::string("Content-Length: 10000\r\n"), std::string()}) {
        HttpServer server("HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n" + body);
        share::Downloader downloader(server.url(), dir.file("big.bin"));
        downloader.set_max_bytes(4000);
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "failed") << length;
        EXPECT_FALSE(std::filesystem::exists(dir.file("big.bin")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("big.bin.part")));
    }
    {
        HttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
        share::Downloader downloader(server.url(), dir.file("offline.bin"));
        share::DownloadNetwork offline;
        offline.offline = true;
        downloader.set_network(offline);
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "failed");
        server.release();
        EXPECT_EQ(server.request(), "");
    }
    {
        // The chosen proxy is asked for the page, whatever the environment says.
        HttpServer proxy("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
        share::Downloader downloader("http://icons.example.invalid/favicon.ico", dir.file("proxied.bin"));
        share::DownloadNetwork network;
        network.proxy = share::DownloadNetwork::Proxy::http;
        network.proxy_address = proxy.url("").substr(7);
        downloader.set_network(network);
        Listener listener;
        EXPECT_EQ(download(downloader, listener), "done " + dir.file("proxied.bin"));
        EXPECT_EQ(proxy.request().rfind("GET http://icons.example.invalid/favicon.ico HTTP/1.1\r\n", 0), 0u);
    }
}

TEST(Downloader, CancelKeepsNothing)
{
    TempDir dir;
    const std::string part = body_of(20000);
    HttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + part, true);
    share::Downloader downloader(server.url(), dir.file("part.bin"));
    Listener listener;
    downloader.set_listener(&listener);
    downloader.start();
    // Progress is the only signal while the transfer runs: wait for it, bounded.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (downloader.progress() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_GE(downloader.progress(), 2);
    downloader.cancel_and_wait();
    EXPECT_FALSE(downloader.is_running());
    // What arrived is not the file: a cached icon or a saved page would pass it for whole.
    EXPECT_EQ(listener.wait(), "failed");
    EXPECT_FALSE(std::filesystem::exists(dir.file("part.bin")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("part.bin.part")));
    EXPECT_EQ(downloader.exit_code(), 1);
    server.release();

    // The same downloader runs again once its thread has ended.
    HttpServer again("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
    Listener second;
    downloader.set_target(again.url(), dir.file("again.bin"));
    EXPECT_EQ(download(downloader, second), "done " + dir.file("again.bin"));
    EXPECT_EQ(read_file(dir.file("again.bin")), "ok");
}

TEST(Downloader, LocalCachePathIsOneFlatName)
{
    EXPECT_EQ(share::Downloader::local_cache_path("/tmp/marvo", "http://a.example:8080/x/favicon.ico?v=1|2"),
              "/tmp/marvo/httpa.example8080xfavicon.icov=12");
    EXPECT_EQ(share::Downloader::local_cache_path("/tmp/marvo", "a\\b*c<d>e"), "/tmp/marvo/abcde");
    EXPECT_EQ(share::Downloader::local_cache_path("/tmp/marvo", ""), "");
}
