// marvo-share-server: the sharing server for Marvo's memo packages and instant messages.

#include <algorithm>
#include <csignal>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/ShareServer.h"
#include "server/Store.h"
#include "server/Versions.h"

namespace {

void usage(std::ostream& out)
{
    out << "usage: marvo-share-server [options]\n"
           "  --config FILE               read options from FILE, one \"name = value\" a line\n"
           "                              (names without the dashes); later options win\n"
           "  --listen HOST:PORT          address to listen on (default 127.0.0.1:18707)\n"
           "  --database URL              sqlite:PATH or postgresql://... (default\n"
           "                              sqlite:$XDG_DATA_HOME/marvo-share-server/share.db)\n"
           "  --max-message-size BYTES    largest request accepted (default 33554432)\n"
           "  --read-timeout SECONDS      time for each request to arrive whole (default 10)\n"
           "  --write-timeout SECONDS     time for each reply to be taken whole (default 10)\n"
           "  --max-connections N         open connections at most (default 1024)\n"
           "  --max-connections-per-peer N  open connections of one address at most (default 32)\n"
           "  --peer-rate N               requests per second of one address (default 50, 0: no limit)\n"
           "  --allow RANGES              peer addresses served, as ADDRESS[/BITS] separated by\n"
           "                              commas (default 127.0.0.0/8,::1: this machine only)\n"
           "  --unlimited RANGES          addresses held to no per-peer limit, or \"none\"\n"
           "                              (default 127.0.0.0/8,::1: a TLS front on this machine)\n"
           "  --max-time-ahead SECONDS    refuse packages dated further ahead (default 86400)\n"
           "  --keep-versions N           previous packages kept per site (default 10)\n"
           "  --threads N                 network threads (default 1)\n"
           "  --help                      this text\n"
           "commands (run against the database, then exit; stop a server on an SQLite file first):\n"
           "  --list-versions URL         the kept versions of a site's package, newest first\n"
           "  --restore-version URL N     makes version N the site's package again\n";
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

using Option = std::pair<std::string, std::string>; // "--name", value

// The options of a configuration file: "name = value" lines, blank lines and "#" comments.
// Returns false (with the reason in error) when the file cannot be read or a line is not an option.
bool read_config_file(const std::string& path, std::vector<Option>& out, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    const auto trim = [](std::string text) {
        const auto first = text.find_first_not_of(" \t\r");
        const auto last = text.find_last_not_of(" \t\r");
        return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    };
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        const auto equals = line.find('=');
        const std::string name = equals == std::string::npos ? "" : trim(line.substr(0, equals));
        if (name.empty() || name == "config") {
            error = path + ":" + std::to_string(number) + ": expected \"name = value\"";
            return false;
        }
        out.emplace_back("--" + name, trim(line.substr(equals + 1)));
    }
    return true;
}

// The limits and the trust options; false when the value is bad or the option is not one.
bool apply_limit_option(const std::string& name, const char* value, server::ServerOptions& options)
{
    double number = 0;
    if (name == "--allow")
        return server::AddressRange::parse_list(value, options.allow);
    if (name == "--unlimited") {
        if (std::string(value) != "none")
            return server::AddressRange::parse_list(value, options.unlimited);
        options.unlimited.clear();
        return true;
    }
    if (name == "--write-timeout" && parse_number(value, 0.001, 86400, number)) {
        options.write_timeout = number;
        return true;
    }
    if (name == "--max-connections-per-peer" && parse_number(value, 1, 1e6, number)) {
        options.max_connections_per_peer = static_cast<std::size_t>(number);
        return true;
    }
    if (name == "--peer-rate" && parse_number(value, 0, 1e9, number)) {
        options.peer_rate = number;
        options.peer_burst = std::max(1.0, number * 4);
        return true;
    }
    if (name == "--max-time-ahead" && parse_number(value, 0, 1e12, number)) {
        options.max_time_ahead = static_cast<std::int64_t>(number);
        return true;
    }
    if (name == "--keep-versions" && parse_number(value, 0, 1e6, number)) {
        options.kept_versions = static_cast<std::size_t>(number);
        return true;
    }
    return false;
}

// Applies one option; false when its value is bad or the option is unknown.
bool apply_option(const Option& option, server::ServerOptions& options)
{
    const auto& [name, text] = option;
    const char* value = text.c_str();
    double number = 0;
    if (name == "--listen")
        return server::parse_listen_address(value, options.host, options.port);
    if (name == "--database") {
        options.database = text;
        return true;
    }
    if (name == "--max-message-size" && parse_number(value, 1, 4294967295.0, number)) {
        options.max_message_size = static_cast<std::uint64_t>(number);
        return true;
    }
    if (name == "--read-timeout" && parse_number(value, 0.001, 86400, number)) {
        options.read_timeout = number;
        return true;
    }
    if (name == "--max-connections" && parse_number(value, 1, 1e6, number)) {
        options.max_connections = static_cast<std::size_t>(number);
        return true;
    }
    if (name == "--threads" && parse_number(value, 1, 256, number)) {
        options.threads = static_cast<int>(number);
        return true;
    }
    return apply_limit_option(name, value, options);
}

// --list-versions and --restore-version: one transaction on the database, its result on
// standard output.
int run_command(const server::ServerOptions& options, const std::vector<std::string>& command)
{
    try {
        const auto store = server::open_store(options.database);
        store->set_kept_versions(options.kept_versions);
        if (command[0] == "--list-versions") {
            std::cout << server::describe_versions(*store, command[1]);
            return 0;
        }
        double number = 0;
        if (!parse_number(command[2].c_str(), 1, 9e15, number)) {
            std::cerr << "marvo-share-server: bad version number: " << command[2] << "\n";
            return 2;
        }
        server::restore_version(*store, command[1], static_cast<std::int64_t>(number), std::time(nullptr));
        std::cout << "restored version " << command[2] << " of " << command[1] << "\n";
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << "marvo-share-server: " << command[0] << ": " << failure.what() << "\n";
        return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    server::ServerOptions options;
    options.database = default_database();
    std::vector<Option> given;
    std::vector<std::string> command; // the command and its arguments
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            usage(std::cout);
            return 0;
        }
        const int arguments = option == "--restore-version" ? 2 : option == "--list-versions" ? 1 : 0;
        if (arguments > 0 && i + arguments < argc) {
            command.assign(argv + i, argv + i + arguments + 1);
            i += arguments;
            continue;
        }
        if (i + 1 >= argc) {
            std::cerr << "marvo-share-server: " << option << ": unknown option or missing value\n";
            usage(std::cerr);
            return 2;
        }
        const std::string value = argv[++i];
        std::string error;
        if (option == "--config" && !read_config_file(value, given, error)) {
            std::cerr << "marvo-share-server: " << error << "\n";
            return 2;
        }
        if (option != "--config")
            given.emplace_back(option, value);
    }
    for (const Option& option : given) {
        if (!apply_option(option, options)) {
            std::cerr << "marvo-share-server: bad option or value: " << option.first << " " << option.second << "\n";
            usage(std::cerr);
            return 2;
        }
    }

    if (!command.empty())
        return run_command(options, command);

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
