#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "TempDir.h"
#include "WireClient.h"

// Programs that stand in front of share servers in the tests: HAProxy and stunnel from Debian,
// each started with a configuration the test writes, and stopped with the test.
class FrontProgram {
public:
    // The program with a configuration file holding the text; why_not() says what failed.
    FrontProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& config)
    {
        if (!std::filesystem::exists(program)) {
            why_not_ = program + " is not installed (scripts/setup.sh installs it)";
            return;
        }
        config_ = dir_.path() / "front.conf";
        std::ofstream(config_) << config;
        pid_ = ::fork();
        if (pid_ == 0) {
            const int log = ::open((dir_.path() / "front.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            ::dup2(log, 1);
            ::dup2(log, 2);
            // The test's own sockets (a share server's listener among them) stay with the test.
            ::close_range(3, ~0U, 0);
            std::vector<std::string> argv{program};
            for (const auto& a : arguments)
                argv.push_back(a == "CONFIG" ? config_.string() : a);
            std::vector<char*> args;
            for (auto& a : argv)
                args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(program.c_str(), args.data());
            ::_exit(127);
        }
    }
    ~FrontProgram()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    FrontProgram(const FrontProgram&) = delete;
    FrontProgram& operator=(const FrontProgram&) = delete;

    // Waits until a user list is answered through the port (the program and what lies behind
    // it are up); false, with why_not() set, when the program ended or the time ran out.
    bool wait_until_served(int port)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (why_not_.empty() && std::chrono::steady_clock::now() < deadline) {
            WireClient client(port);
            if (client.connected() && wire::tag(client.exchange(wire::chunk("QUSR", {}))) == "USRL")
                return true;
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            // Nothing tells when a child starts listening: look again shortly.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (why_not_.empty())
            why_not_ = "it did not serve; see " + (dir_.path() / "front.log").string();
        return false;
    }
    const std::string& why_not() const { return why_not_; }
    std::filesystem::path folder() const { return dir_.path(); }

private:
    TempDir dir_;
    std::filesystem::path config_;
    pid_t pid_ = -1;
    std::string why_not_;
};

// A port on 127.0.0.1 that nothing listens on at the moment.
inline int free_port()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}
