#include "support/DelayProxy.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <optional>
#include <stdexcept>

namespace tarnwell::bench {

namespace {

using Clock = std::chrono::steady_clock;

// What one direction holds before it stops reading: a server streaming a large result to a
// slow client is held back here, as a full window would hold it on a network.
constexpr std::size_t MostQueued = 4 << 20;
constexpr std::size_t ReadSize = 64 << 10;

[[noreturn]] void failWith(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        throw std::runtime_error("socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

void setNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int connectTo(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(path);
    // A unix socket connects at once or not at all, so blocking costs the other links nothing.
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address)) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    setNonBlocking(fd);
    return fd;
}

struct Chunk
{
    Clock::time_point due;
    std::string bytes;
    std::size_t sent = 0;
};

struct Direction
{
    int from = -1, to = -1;
    std::deque<Chunk> queue;
    std::size_t queued = 0;
    bool ended = false;   // `from` has nothing more to send
    bool shut = false;    // and `to` has been told so
    bool blocked = false; // `to` took no more; wait until it can
};

} // namespace

struct DelayProxy::Link
{
    Link(int id, int client, int server) : id(id), client(client), server(server)
    {
        up.from = down.to = client;
        up.to = down.from = server;
    }
    ~Link()
    {
        ::close(client);
        ::close(server);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    int id;
    int client, server;
    Direction up, down;
    // Whether server data reached the client since it last sent: its next send is a round trip.
    bool heardSinceSend = true;
    bool broken = false;
};

DelayProxy::DelayProxy(std::chrono::microseconds roundTrip)
    : m_oneWay(std::chrono::nanoseconds(roundTrip) / 2),
      m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (m_wake < 0)
        failWith("eventfd");
    m_thread = std::thread([this] { run(); });
}

DelayProxy::~DelayProxy()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    wake();
    m_thread.join();
    m_adopted.clear();
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(m_listenPath.c_str());
    }
    ::close(m_wake);
}

void DelayProxy::listen(const std::string& listenPath, const std::string& targetPath)
{
    const sockaddr_un address = addressOf(listenPath);
    // Only a socket left behind is replaced; anything else at that path is someone's file.
    struct stat existing
    {
    };
    if (::lstat(listenPath.c_str(), &existing) == 0 && S_ISSOCK(existing.st_mode))
        ::unlink(listenPath.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        failWith("socket");
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) ||
        ::listen(fd, 64)) {
        ::close(fd);
        failWith("cannot listen at " + listenPath);
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_listener >= 0)
            throw std::logic_error("the proxy listens already");
        m_listener = fd;
        m_listenPath = listenPath;
        m_targetPath = targetPath;
    }
    wake();
}

int DelayProxy::adopt(int clientFd, int serverFd)
{
    setNonBlocking(clientFd);
    setNonBlocking(serverFd);
    int id = 0;
    {
        std::lock_guard lock(m_mutex);
        id = static_cast<int>(m_counts.size());
        m_counts.push_back({id});
        m_adopted.push_back(std::make_unique<Link>(id, clientFd, serverFd));
    }
    wake();
    return id;
}

void DelayProxy::setRoundTrip(std::chrono::microseconds roundTrip)
{
    {
        std::lock_guard lock(m_mutex);
        m_oneWay = std::chrono::nanoseconds(roundTrip) / 2;
    }
    wake();
}

DelayProxy::Snapshot DelayProxy::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_counts;
}

std::int64_t DelayProxy::roundTrips() const
{
    std::lock_guard lock(m_mutex);
    std::int64_t total = 0;
    for (const Connection& connection : m_counts)
        total += connection.roundTrips;
    return total;
}

DelayProxy::Snapshot DelayProxy::since(const Snapshot& before, const Snapshot& after)
{
    Snapshot span;
    for (const Connection& now : after) {
        Connection then{now.id};
        if (static_cast<std::size_t>(now.id) < before.size())
            then = before[now.id];
        Connection difference = now;
        difference.roundTrips -= then.roundTrips;
        difference.bytesToServer -= then.bytesToServer;
        difference.bytesToClient -= then.bytesToClient;
        if (difference.roundTrips || difference.bytesToServer || difference.bytesToClient)
            span.push_back(difference);
    }
    return span;
}

void DelayProxy::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
}

void DelayProxy::count(int id, std::int64_t toServer, std::int64_t toClient, bool roundTrip,
                       bool open)
{
    std::lock_guard lock(m_mutex);
    Connection& connection = m_counts[id];
    connection.bytesToServer += toServer;
    connection.bytesToClient += toClient;
    connection.roundTrips += roundTrip;
    connection.open = open;
}

void DelayProxy::run()
{
    // A sleeping thread is woken up to 50 µs late by default, a tenth of a 1 ms round trip.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    std::vector<std::unique_ptr<Link>> links;
    std::vector<pollfd> polled;
    std::string buffer(ReadSize, '\0');

    // Reads what `from` has, stamped with the time it is due at the other end.
    const auto receive = [&](Link& link, Direction& direction, Clock::time_point due) {
        const ssize_t got = ::recv(direction.from, buffer.data(), buffer.size(), 0);
        if (got > 0) {
            const bool toServer = &direction == &link.up;
            const bool roundTrip = toServer && link.heardSinceSend;
            if (toServer)
                link.heardSinceSend = false;
            // Counted before anything is passed on: whatever the other end has received is in
            // the counts when it looks.
            count(link.id, toServer ? got : 0, toServer ? 0 : got, roundTrip, true);
            direction.queue.push_back({due, buffer.substr(0, static_cast<std::size_t>(got))});
            direction.queued += static_cast<std::size_t>(got);
        } else if (got == 0) {
            direction.ended = true;
        } else if (errno != EAGAIN && errno != EINTR) {
            link.broken = true;
        }
    };
    // Writes what is due; a client that has been handed server data has heard an answer.
    const auto deliver = [&](Link& link, Direction& direction, Clock::time_point now) {
        const bool toServer = &direction == &link.up;
        while (!direction.blocked && !direction.queue.empty() &&
               direction.queue.front().due <= now) {
            Chunk& chunk = direction.queue.front();
            const ssize_t put = ::send(direction.to, chunk.bytes.data() + chunk.sent,
                                       chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL);
            if (put < 0) {
                if (errno == EAGAIN)
                    direction.blocked = true;
                else if (errno != EINTR)
                    link.broken = true;
                if (link.broken)
                    return;
                continue;
            }
            chunk.sent += static_cast<std::size_t>(put);
            direction.queued -= static_cast<std::size_t>(put);
            if (!toServer)
                link.heardSinceSend = true;
            if (chunk.sent == chunk.bytes.size())
                direction.queue.pop_front();
        }
        if (direction.ended && direction.queue.empty() && !direction.shut) {
            ::shutdown(direction.to, SHUT_WR);
            direction.shut = true;
        }
    };

    for (;;) {
        int listener = -1;
        std::string target;
        Clock::duration oneWay{};
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
            for (std::unique_ptr<Link>& link : m_adopted)
                links.push_back(std::move(link));
            m_adopted.clear();
            listener = m_listener;
            target = m_targetPath;
            oneWay = std::chrono::duration_cast<Clock::duration>(m_oneWay);
        }

        Clock::time_point now = Clock::now();
        for (std::unique_ptr<Link>& link : links) {
            deliver(*link, link->up, now);
            deliver(*link, link->down, now);
        }
        std::erase_if(links, [&](const std::unique_ptr<Link>& link) {
            const bool done = link->broken || (link->up.shut && link->down.shut);
            if (done)
                count(link->id, 0, 0, false, false);
            return done;
        });

        polled.assign({{m_wake, POLLIN, 0}, {listener, POLLIN, 0}});
        std::optional<Clock::time_point> nextDue;
        const auto events = [&](const Direction& reading, const Direction& writing) {
            short wanted = 0;
            if (!reading.ended && reading.queued < MostQueued)
                wanted |= POLLIN;
            if (writing.blocked)
                wanted |= POLLOUT;
            else if (!writing.queue.empty() && (!nextDue || writing.queue.front().due < *nextDue))
                nextDue = writing.queue.front().due;
            return wanted;
        };
        for (const std::unique_ptr<Link>& link : links) {
            polled.push_back({link->client, events(link->up, link->down), 0});
            polled.push_back({link->server, events(link->down, link->up), 0});
        }
        timespec timeout{};
        if (nextDue) {
            const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(*nextDue - now);
            timeout.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
        }
        if (::ppoll(polled.data(), polled.size(), nextDue ? &timeout : nullptr, nullptr) < 0)
            continue;

        now = Clock::now();
        if (polled[0].revents) {
            std::uint64_t ignored = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_wake, &ignored, sizeof ignored);
        }
        // The links taken on below were not polled this time.
        const std::size_t polledLinks = links.size();
        for (std::size_t i = 0; i < polledLinks; ++i) {
            Link& link = *links[i];
            const pollfd& client = polled[2 + 2 * i];
            const pollfd& server = polled[3 + 2 * i];
            if (client.revents & POLLOUT)
                link.down.blocked = false;
            if (server.revents & POLLOUT)
                link.up.blocked = false;
            if ((client.events & POLLIN) && (client.revents & (POLLIN | POLLHUP | POLLERR)))
                receive(link, link.up, now + oneWay);
            if ((server.events & POLLIN) && (server.revents & (POLLIN | POLLHUP | POLLERR)))
                receive(link, link.down, now + oneWay);
        }
        if (polled[1].revents & POLLIN) {
            int client = -1;
            while ((client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >=
                   0) {
                const int server = connectTo(target);
                if (server < 0) {
                    ::close(client);
                    continue;
                }
                std::lock_guard lock(m_mutex);
                const int id = static_cast<int>(m_counts.size());
                m_counts.push_back({id});
                links.push_back(std::make_unique<Link>(id, client, server));
            }
        }
    }
    for (const std::unique_ptr<Link>& link : links)
        count(link->id, 0, 0, false, false);
}

} // namespace tarnwell::bench
