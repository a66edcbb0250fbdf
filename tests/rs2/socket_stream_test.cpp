#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <future>
#include <thread>
#include <unistd.h>

#include "rs2/Chunk.h"
#include "rs2/SocketStream.h"
#include "rs2/Timer.h"

namespace {

// A one-connection TCP peer on 127.0.0.1 with an ephemeral port.
class Peer {
public:
    Peer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Peer()
    {
        if (worker_.joinable())
            worker_.join();
        ::close(listener_);
    }
    unsigned short port() const { return port_; }

    // Runs body(connection) on the accepted connection in a thread.
    template <typename Body> void serve(Body body)
    {
        worker_ = std::thread([this, body] {
            const int connection = ::accept(listener_, nullptr, nullptr);
            body(connection);
            ::close(connection);
        });
    }
    void join() { worker_.join(); }

private:
    int listener_ = -1;
    unsigned short port_ = 0;
    std::thread worker_;
};

std::string receive_all(int connection)
{
    std::string all;
    char buf[1024];
    ssize_t n;
    while ((n = ::recv(connection, buf, sizeof buf, 0)) > 0)
        all.append(buf, static_cast<std::size_t>(n));
    return all;
}

TEST(SocketStream, ChunkTravelsToThePeerAndBack)
{
    Peer peer;
    std::string received;
    peer.serve([&](int connection) {
        char header[8];
        ASSERT_EQ(::recv(connection, header, 8, MSG_WAITALL), 8);
        received.assign(header, 8);
        // Reply in small pieces, one byte at a time.
        const std::string reply("USRL\x04\0\0\0\x02\0\0\0", 12);
        for (char c : reply)
            ::send(connection, &c, 1, 0);
    });
    rs2::SocketStream stream;
    stream.open();
    ASSERT_TRUE(stream.connect_timed("127.0.0.1", peer.port(), 0.5));
    stream << rs2::Chunk("QUSR");
    stream.flush();
    ASSERT_TRUE(stream.readable(5));
    rs2::Chunk reply;
    stream >> reply;
    std::uint32_t count = 0;
    reply.body() >> count;
    peer.join();
    EXPECT_EQ(received, std::string("QUSR\0\0\0\0", 8));
    EXPECT_TRUE(reply.has_tag("USRL"));
    EXPECT_EQ(count, 2u);
    stream.disconnect();
    EXPECT_FALSE(stream.is_open());
}

TEST(SocketStream, LargeMessagesArriveWhole)
{
    Peer peer;
    std::string received;
    peer.serve([&](int connection) { received = receive_all(connection); });
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(1 + i % 253);
    {
        rs2::SocketStream stream;
        stream.open();
        ASSERT_TRUE(stream.connect_timed("localhost", peer.port(), 0.5));
        stream.write_string(big);
        stream.flush();
        stream.disconnect();
    }
    peer.join();
    ASSERT_EQ(received.size(), big.size() + 4);
    EXPECT_TRUE(received.substr(4) == big);
}

TEST(SocketStream, PeerThatClosesGivesReceiveError)
{
    Peer peer;
    peer.serve([](int connection) { ::send(connection, "PA", 2, 0); });
    rs2::SocketStream stream;
    stream.open();
    ASSERT_TRUE(stream.connect_timed("127.0.0.1", peer.port(), 0.5));
    peer.join();
    rs2::Chunk chunk;
    try {
        stream >> chunk;
        FAIL();
    } catch (const rs2::IOException& e) {
        EXPECT_STREQ(e.what(), "receive error, socket is closed");
    }
    EXPECT_FALSE(stream.is_open());
}

TEST(SocketStream, OversizedAnnouncedLengthFailsWithoutAllocating)
{
    Peer peer;
    peer.serve([](int connection) {
        ::send(connection, "AMEM\xFF\xFF\xFF\x7F", 8, 0);
        char c;
        ::recv(connection, &c, 1, 0);  // hold the connection until the client closes
    });
    rs2::SocketStream stream;
    stream.open();
    stream.set_max_message_size(1 << 20);
    ASSERT_TRUE(stream.connect_timed("127.0.0.1", peer.port(), 0.5));
    rs2::Chunk chunk;
    EXPECT_THROW(stream >> chunk, rs2::IOException);
    stream.close();
}

TEST(SocketStream, NoListenerReturnsFalse)
{
    unsigned short port;
    {
        Peer closed;  // take a free port, then release it
        port = closed.port();
    }
    rs2::SocketStream stream;
    stream.open();
    EXPECT_FALSE(stream.connect_timed("127.0.0.1", port, 0.5));
}

TEST(SocketStream, UnresolvableHostReturnsFalse)
{
    rs2::SocketStream stream;
    stream.open();
    EXPECT_FALSE(stream.connect_timed("no-such-host.invalid", 80, 0.5));
}

TEST(SocketStream, ReadableWaitsForData)
{
    Peer peer;
    peer.serve([](int connection) {
        char c;
        ::recv(connection, &c, 1, 0);
        ::send(connection, "x", 1, 0);
    });
    rs2::SocketStream stream;
    stream.open();
    ASSERT_TRUE(stream.connect_timed("127.0.0.1", peer.port(), 0.5));
    EXPECT_FALSE(stream.readable(0));
    stream << 'g';
    stream.flush();
    EXPECT_TRUE(stream.readable(5));
    char c = 0;
    EXPECT_EQ(stream.read(&c, 1), 1u);
    EXPECT_EQ(c, 'x');
    peer.join();
}

} // namespace

TEST(SocketStream, ReceiveTimeoutEndsAReadThatStallsMidMessage)
{
    // Declared before the peer, whose destructor joins the thread that waits on them.
    std::promise<void> release;
    auto released = release.get_future();
    Peer peer;
    peer.serve([&](int connection) {
        // Half a chunk header, then nothing until the test is done.
        ::send(connection, "ABCD\x10", 5, 0);
        released.wait();
    });
    rs2::SocketStream stream;
    stream.open();
    ASSERT_TRUE(stream.connect_timed("127.0.0.1", peer.port(), 1.0));
    stream.set_receive_timeout(0.2);
    rs2::Chunk chunk;
    EXPECT_THROW(stream >> chunk, rs2::IOException);
    release.set_value();
}
