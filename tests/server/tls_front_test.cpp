// The share server behind TLS as docs/share-server.md describes it: an HAProxy front that ends
// TLS, and a stunnel client on the user's machine that the browser talks to in plain TCP.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Fronts.h"
#include "TempDir.h"
#include "WireClient.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "server/ShareServer.h"

namespace {

std::string read_text(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

} // namespace

TEST(ShareServerTls, AStunnelClientReachesTheServerThroughAnHAProxyTlsFront)
{
    if (!std::filesystem::exists("/usr/bin/openssl"))
        GTEST_SKIP() << "skipping the TLS front test: openssl is not installed";
    TempDir dir;
    server::ServerOptions options;
    options.port = 0;
    options.database = "sqlite:" + dir.file("share.db");
    server::ShareServer server(options, [](const std::string&) {});
    server.start();

    // A certificate for localhost: the front shows it, the client trusts it.
    const std::string cert = dir.file("cert.pem"), key = dir.file("key.pem"), front = dir.file("front.pem");
    const std::string make = "/usr/bin/openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost "
                             "-addext subjectAltName=DNS:localhost -keyout " + key + " -out " + cert +
                             " >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    std::ofstream(front) << read_text(cert) << read_text(key);

    const int tls_port = free_port();
    FrontProgram haproxy("/usr/sbin/haproxy", {"-db", "-f", "CONFIG"},
                         "defaults\n  mode tcp\n  timeout connect 2s\n  timeout client 30s\n  timeout server 30s\n"
                         "frontend tls\n  bind 127.0.0.1:" + std::to_string(tls_port) + " ssl crt " + front +
                             "\n  default_backend share\n"
                             "backend share\n  server s0 127.0.0.1:" + std::to_string(server.port()) + "\n");
    if (!haproxy.why_not().empty())
        GTEST_SKIP() << "skipping the TLS front test: " << haproxy.why_not();
    const int client_port = free_port();
    FrontProgram stunnel("/usr/bin/stunnel4", {"CONFIG"},
                         "foreground = yes\npid =\n[share]\nclient = yes\naccept = 127.0.0.1:" +
                             std::to_string(client_port) + "\nconnect = 127.0.0.1:" + std::to_string(tls_port) +
                             "\nCAfile = " + cert + "\nverifyChain = yes\ncheckHost = localhost\n");
    if (!stunnel.why_not().empty())
        GTEST_SKIP() << "skipping the TLS front test: " << stunnel.why_not();
    ASSERT_TRUE(stunnel.wait_until_served(client_port)) << stunnel.why_not();

    memo::MemoPackage package;
    package.url = "http://tls.example/";
    package.time = 1000;
    auto stroke = std::make_unique<memo::StrokeObject>();
    stroke->points = {{1, 2}, {3, 4}};
    package.add(std::move(stroke));
    const std::string bytes = package.serialize();
    WireClient client(client_port);
    EXPECT_EQ(wire::tag(client.exchange(wire::with_url("GMEM", package.url))), "ERRO");
    EXPECT_EQ(wire::tag(client.exchange(wire::commit(bytes))), "ACKM");
    WireClient direct(server.port());
    EXPECT_EQ(wire::body(direct.exchange(wire::with_url("GMEM", package.url))), bytes);

    // The front speaks TLS only: a plain request gets no answer.
    WireClient plain(tls_port);
    EXPECT_EQ(wire::tag(plain.exchange(wire::with_url("GMEM", package.url))), "none");
}
