#pragma once

// A network between a client and a server, on this machine's unix-domain sockets: every byte
// waits half the round trip on its way in each direction, as it would crossing a plant network
// or a VPN, and the round trips the client waits for are counted. Each chunk read is stamped
// and let go when due, so a long transfer streams with one delay rather than one per chunk,
// and bytes keep their order. The proxy runs on a thread of its own.
//
// A round trip is counted when the client sends after the proxy has handed it server data since
// its previous send (the first send counts too): a client that sends one request and waits for
// its answer counts one per request, however many chunks either side uses. A client that sends
// ahead without waiting is counted only where it sends after an answer has reached it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell::bench {

class DelayProxy
{
public:
    struct Connection
    {
        int id = 0; // in the order the proxy took the connections on, from 0
        std::int64_t roundTrips = 0;
        // Taken on by the proxy, on their way or delivered.
        std::int64_t bytesToServer = 0;
        std::int64_t bytesToClient = 0;
        bool open = true;
    };
    using Snapshot = std::vector<Connection>;

    explicit DelayProxy(std::chrono::microseconds roundTrip = {});
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    // Accepts connections at `listenPath` and forwards each to a new connection to the socket
    // at `targetPath`; a client whose server cannot be reached is closed. Throws
    // std::runtime_error when the socket cannot be made.
    void listen(const std::string& listenPath, const std::string& targetPath);
    // Forwards between two connected sockets, which the proxy now owns: `clientFd` leads to
    // the client, `serverFd` to the server. Returns the connection's id.
    int adopt(int clientFd, int serverFd);

    // Applies to the bytes read from now on.
    void setRoundTrip(std::chrono::microseconds roundTrip);

    Snapshot snapshot() const;
    std::int64_t roundTrips() const;
    // What each connection did between two snapshots: the connections that sent or received
    // anything, with the round trips and bytes of that span only.
    static Snapshot since(const Snapshot& before, const Snapshot& after);

private:
    struct Link;
    void run();
    void wake();
    void count(int id, std::int64_t toServer, std::int64_t toClient, bool roundTrip, bool open);

    mutable std::mutex m_mutex; // guards everything below but the thread's own state
    Snapshot m_counts;
    std::vector<std::unique_ptr<Link>> m_adopted; // handed over, not yet taken on by the thread
    int m_listener = -1;
    std::string m_listenPath, m_targetPath;
    std::chrono::nanoseconds m_oneWay{};
    bool m_stopping = false;

    int m_wake = -1; // an eventfd
    std::thread m_thread;
};

} // namespace tarnwell::bench
