// marvo-share-server: the sharing server for Marvo's memo packages and instant messages.

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

#include "server/ShareServer.h"

namespace {

void usage(std::ostream& out)
{
    out << "usage: marvo-share-server [options]\n"
           "  --listen HOST:PORT          address to listen on (default 127.0.0.1:18707)\n"
           "  --database URL              sqlite:PATH or postgresql://... (default\n"
           "                              sqlite:$XDG_DATA_HOME/marvo-share-server/share.db)\n"
           "  --max-message-size BYTES    largest request accepted (default 33554432)\n"
           "  --read-timeout SECONDS      time for each request to arrive whole (default 10)\n"
           "  --max-connections N         open connections at most (default 1024)\n"
           "  --threads N                 network threads (default 1)\n"
           "  --help                      this text\n";
}

std::string default_database()
{
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = std::string(home) + "/.local/share";
    else
        data = ".";
    return "sqlite:" + data + "/marvo-share-server/share.db";
}

bool parse_number(const char* text, double min, double max, double& out)
{
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (!end || *end || end == text || !(value >= min && value <= max))
        return false;
    out = value;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    server::ServerOptions options;
    options.database = default_database();
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            usage(std::cout);
            return 0;
        }
        if (i + 1 >= argc) {
            std::cerr << "marvo-share-server: " << option << ": unknown option or missing value\n";
            usage(std::cerr);
            return 2;
        }
        const char* value = argv[++i];
        double number = 0;
        bool ok = true;
        if (option == "--listen") {
            ok = server::parse_listen_address(value, options.host, options.port);
        } else if (option == "--database") {
            options.database = value;
        } else if (option == "--max-message-size") {
            if ((ok = parse_number(value, 1, 4294967295.0, number)))
                options.max_message_size = static_cast<std::uint64_t>(number);
        } else if (option == "--read-timeout") {
            if ((ok = parse_number(value, 0.001, 86400, number)))
                options.read_timeout = number;
        } else if (option == "--max-connections") {
            if ((ok = parse_number(value, 1, 1e6, number)))
                options.max_connections = static_cast<std::size_t>(number);
        } else if (option == "--threads") {
            if ((ok = parse_number(value, 1, 256, number)))
                options.threads = static_cast<int>(number);
        } else {
            std::cerr << "marvo-share-server: unknown option " << option << "\n";
            usage(std::cerr);
            return 2;
        }
        if (!ok) {
            std::cerr << "marvo-share-server: bad value for " << option << ": " << value << "\n";
            usage(std::cerr);
            return 2;
        }
    }

    // SIGTERM and SIGINT are taken by one thread that stops the server; every other thread
    // inherits the blocked mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    server::ShareServer share_server(options);
    try {
        share_server.start();
    } catch (const std::exception& failure) {
        server::log_to_stderr(std::string("marvo-share-server cannot start: ") + failure.what());
        return 1;
    }
    std::thread([&share_server, stop_signals] {
        int received = 0;
        sigwait(&stop_signals, &received);
        server::log_to_stderr(std::string("received ") + (received == SIGTERM ? "SIGTERM" : "SIGINT") +
                              ", shutting down");
        share_server.stop();
    }).detach();
    share_server.wait();
    return 0;
}
