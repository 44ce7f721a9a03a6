// The benchmarks' delaying proxy: what it counts as a round trip, and that what crosses it
// arrives whole, in order and no earlier than its delay. A fake client and server talk through
// it over socket pairs, or over the unix sockets it listens on.

#include "support/DelayProxy.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

using tarnwell::bench::DelayProxy;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Long enough for a loaded machine; a proxy that loses bytes fails the test after it.
constexpr auto Wait = 10s;

void sendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t put = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        ASSERT_GT(put, 0) << std::strerror(errno);
        sent += static_cast<std::size_t>(put);
    }
}

// Exactly `size` bytes, or fewer when the other end closes first or nothing comes for Wait.
std::string receive(int fd, std::size_t size)
{
    std::string bytes;
    const auto deadline = Clock::now() + Wait;
    while (bytes.size() < size && Clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0)
            continue;
        char buffer[65536];
        const ssize_t got =
            ::recv(fd, buffer, std::min(sizeof buffer, size - bytes.size()), MSG_DONTWAIT);
        if (got == 0)
            break;
        if (got > 0)
            bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

bool endsNow(int fd)
{
    return receive(fd, 1).empty();
}

sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

int listenAt(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) || ::listen(fd, 4))
        throw std::runtime_error("cannot listen at " + path);
    return fd;
}

int connectTo(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address))
        throw std::runtime_error("cannot connect to " + path);
    return fd;
}

// A client and a server joined through the proxy by two socket pairs.
struct Pair
{
    explicit Pair(DelayProxy& proxy)
    {
        int toClient[2], toServer[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, toClient) ||
            ::socketpair(AF_UNIX, SOCK_STREAM, 0, toServer))
            throw std::runtime_error("socketpair");
        client = toClient[0];
        server = toServer[0];
        id = proxy.adopt(toClient[1], toServer[1]);
    }
    ~Pair()
    {
        ::close(client);
        ::close(server);
    }
    Pair(const Pair&) = delete;
    Pair& operator=(const Pair&) = delete;

    // The client sends, and the server has it before this returns.
    void ask(const std::string& bytes)
    {
        sendAll(client, bytes);
        ASSERT_EQ(receive(server, bytes.size()), bytes);
    }
    void answer(const std::string& bytes)
    {
        sendAll(server, bytes);
        ASSERT_EQ(receive(client, bytes.size()), bytes);
    }

    int client = -1, server = -1, id = -1;
};

std::int64_t roundTripsOf(const DelayProxy& proxy, int id)
{
    return proxy.snapshot().at(static_cast<std::size_t>(id)).roundTrips;
}

// Bytes that show where they were cut or reordered: each position has its own value.
std::string pattern(std::size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251 + static_cast<std::size_t>(seed)) & 0xff);
    return bytes;
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(DelayProxyTest, CountsEachSendThatFollowsAnAnswer)
{
    DelayProxy proxy;
    Pair pair(proxy);
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 0);

    pair.ask("query");
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 1) << "the first send waits for an answer";
    pair.ask("more of the same request");
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 1) << "no answer came in between";

    pair.answer("rows");
    pair.answer("and the rest of them, sent apart");
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 1) << "an answer alone is no round trip";
    pair.ask("next query");
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 2);
    pair.answer("done");
    pair.ask("third");
    pair.ask("fourth, pipelined");
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 3);
    EXPECT_EQ(proxy.roundTrips(), 3);
}

TEST(DelayProxyTest, AnAnswerStillOnItsWayHasNotBeenHeard)
{
    DelayProxy proxy(400ms);
    Pair pair(proxy);
    pair.ask("first");
    // Sent before the answer can have crossed: the client did not wait for it.
    sendAll(pair.server, "answer");
    std::this_thread::sleep_for(20ms);
    pair.ask("sent ahead");
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 1);

    EXPECT_EQ(receive(pair.client, 6), "answer");
    pair.ask("after the answer");
    EXPECT_EQ(roundTripsOf(proxy, pair.id), 2);
}

TEST(DelayProxyTest, CountsEachConnectionApartAndBetweenSnapshots)
{
    DelayProxy proxy;
    Pair first(proxy), second(proxy);
    first.ask("a");
    first.answer("b");
    const DelayProxy::Snapshot before = proxy.snapshot();
    first.ask("c");
    second.ask("d");
    second.answer("ee");
    second.ask("f");
    const DelayProxy::Snapshot after = proxy.snapshot();

    EXPECT_EQ(proxy.roundTrips(), 4);
    const DelayProxy::Snapshot span = DelayProxy::since(before, after);
    ASSERT_EQ(span.size(), 2u);
    EXPECT_EQ(span[0].id, first.id);
    EXPECT_EQ(span[0].roundTrips, 1);
    EXPECT_EQ(span[0].bytesToServer, 1);
    EXPECT_EQ(span[0].bytesToClient, 0);
    EXPECT_EQ(span[1].id, second.id);
    EXPECT_EQ(span[1].roundTrips, 2);
    EXPECT_EQ(span[1].bytesToServer, 2);
    EXPECT_EQ(span[1].bytesToClient, 2);

    const DelayProxy::Snapshot quiet = DelayProxy::since(after, proxy.snapshot());
    EXPECT_TRUE(quiet.empty());
}

TEST(DelayProxyTest, DeliversEveryByteInOrderNoEarlierThanHalfTheRoundTrip)
{
    DelayProxy proxy(60ms);
    Pair pair(proxy);
    // More than the sockets hold, written while the other side reads, in both directions.
    const std::string up = pattern(3 << 20, 1), down = pattern(5 << 20, 7);
    const auto start = Clock::now();
    std::thread client([&] { sendAll(pair.client, up); });
    std::thread server([&] { sendAll(pair.server, down); });
    std::string atServer = receive(pair.server, 1);
    const double firstUp = millisecondsSince(start);
    std::string atClient = receive(pair.client, 1);
    const double firstDown = millisecondsSince(start);
    atServer += receive(pair.server, up.size() - 1);
    atClient += receive(pair.client, down.size() - 1);
    client.join();
    server.join();

    EXPECT_GE(firstUp, 30.0);
    EXPECT_GE(firstDown, 30.0);
    EXPECT_TRUE(atServer == up) << "the client's bytes arrived changed: " << atServer.size()
                                << " of " << up.size();
    EXPECT_TRUE(atClient == down) << "the server's bytes arrived changed: " << atClient.size()
                                  << " of " << down.size();
    EXPECT_EQ(proxy.snapshot()[0].bytesToServer, static_cast<std::int64_t>(up.size()));
    EXPECT_EQ(proxy.snapshot()[0].bytesToClient, static_cast<std::int64_t>(down.size()));
}

TEST(DelayProxyTest, DelaysChunksSideBySideRatherThanOneAfterAnother)
{
    DelayProxy proxy(600ms);
    Pair pair(proxy);
    sendAll(pair.client, "one");
    std::this_thread::sleep_for(50ms);
    sendAll(pair.client, "two");
    ASSERT_EQ(receive(pair.server, 3), "one");
    const auto first = Clock::now();
    ASSERT_EQ(receive(pair.server, 3), "two");
    // Queued behind the first chunk's whole delay, the second would come 300 ms after it.
    EXPECT_LT(millisecondsSince(first), 250.0);
}

TEST(DelayProxyTest, ForwardsWhatConnectsToItsSocketAndPassesTheEndOn)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string serverPath = folder.filePath("server").toStdString();
    const std::string proxyPath = folder.filePath("proxy").toStdString();
    const int listening = listenAt(serverPath);
    DelayProxy proxy(10ms);
    proxy.listen(proxyPath, serverPath);
    const int client = connectTo(proxyPath);
    const int server = ::accept(listening, nullptr, nullptr);
    ASSERT_GE(server, 0);

    sendAll(client, "request");
    ::shutdown(client, SHUT_WR);
    EXPECT_EQ(receive(server, 7), "request");
    EXPECT_TRUE(endsNow(server)) << "the client's end was not passed on";
    sendAll(server, "answer after the client's end");
    ::close(server);
    EXPECT_EQ(receive(client, 29), "answer after the client's end");
    EXPECT_TRUE(endsNow(client));

    const auto deadline = Clock::now() + Wait;
    while (proxy.snapshot().at(0).open && Clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    const DelayProxy::Connection counted = proxy.snapshot().at(0);
    EXPECT_FALSE(counted.open);
    EXPECT_EQ(counted.roundTrips, 1);
    ::close(client);
    ::close(listening);
}

TEST(DelayProxyTest, ClosesAClientWhoseServerIsNotThere)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string proxyPath = folder.filePath("proxy").toStdString();
    DelayProxy proxy;
    proxy.listen(proxyPath, folder.filePath("nobody").toStdString());
    const int client = connectTo(proxyPath);
    EXPECT_TRUE(endsNow(client));
    EXPECT_TRUE(proxy.snapshot().empty());
    ::close(client);
}

} // namespace
