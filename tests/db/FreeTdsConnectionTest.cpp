// The SQL Server path through a real SQL Server driver: Debian's FreeTDS, registered under the
// name the program looks for, driven by the program's own connection string. No SQL Server is
// needed: what is checked is what reaches the wire when a user types "host,port" or
// "host\instance" as the server, which psqlODBC standing in for SQL Server cannot show.

#include "db/Login.h"
#include "db/OdbcConnection.h"
#include "support/QtPrinters.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

using namespace tarnwell::db;
using namespace std::chrono_literals;

namespace {

const QString kFreeTdsLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");

// Long enough for a loaded machine, short enough that a connection going nowhere fails fast.
constexpr auto kWait = 5s;

constexpr char kPreLogin = 0x12;
constexpr char kBrowserRequest = 0x04;
constexpr char kBrowserResponse = 0x05;

// A socket that closes itself.
class Socket
{
public:
    explicit Socket(int fd = -1) : m_fd(fd) {}
    ~Socket() { reset(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool readable(int fd, std::chrono::milliseconds wait)
{
    pollfd entry{fd, POLLIN, 0};
    int ready;
    do
        ready = ::poll(&entry, 1, static_cast<int>(wait.count()));
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

// The length a TDS packet header announces, header included (big-endian, bytes 2 and 3).
int announcedLength(const QByteArray& header)
{
    return (static_cast<unsigned char>(header[2]) << 8) | static_cast<unsigned char>(header[3]);
}

// Reads exactly `size` bytes unless the peer stops sending first.
QByteArray readUpTo(int fd, qsizetype size)
{
    QByteArray data;
    char buffer[512];
    while (data.size() < size && readable(fd, kWait)) {
        const ssize_t got =
            ::recv(fd, buffer, std::min<size_t>(sizeof buffer, size - data.size()), 0);
        if (got <= 0)
            break;
        data.append(buffer, got);
    }
    return data;
}

// A TCP listener on a free loopback port, standing where a server would be.
class FakeServer
{
public:
    FakeServer() : m_socket(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        if (!m_socket || ::bind(m_socket.fd(), reinterpret_cast<sockaddr*>(&address), length) ||
            ::listen(m_socket.fd(), 4) ||
            ::getsockname(m_socket.fd(), reinterpret_cast<sockaddr*>(&address), &length))
            throw std::runtime_error(std::string("cannot listen on loopback: ") +
                                     std::strerror(errno));
        m_port = ntohs(address.sin_port);
    }

    quint16 port() const { return m_port; }

    // The first TDS packet of the first client (its 8-byte header, then as much of the body as
    // the header announces), or what arrived of it. The client is hung up on at once, so that
    // its login fails instead of waiting for an answer.
    QByteArray firstPacket()
    {
        if (!readable(m_socket.fd(), kWait))
            return {};
        Socket client(::accept(m_socket.fd(), nullptr, nullptr));
        if (!client)
            return {};
        QByteArray packet = readUpTo(client.fd(), 8);
        if (packet.size() == 8) {
            const int length = (static_cast<unsigned char>(packet[2]) << 8) |
                               static_cast<unsigned char>(packet[3]);
            if (length > 8)
                packet += readUpTo(client.fd(), std::min(length, 4096) - 8);
        }
        return packet;
    }

    void close() { m_socket.reset(); }

private:
    Socket m_socket;
    quint16 m_port = 0;
};

// The SQL Server browser's UDP port on loopback. Only root may bind it.
class FakeBrowser
{
public:
    struct Request
    {
        QByteArray data;
        sockaddr_in from{};
    };

    // Why the port could not be had, empty when it is ours.
    QString open()
    {
        m_socket.reset(::socket(AF_INET, SOCK_DGRAM, 0));
        sockaddr_in address = loopback(1434);
        if (!m_socket ||
            ::bind(m_socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address)) {
            const QString why = QString::fromLocal8Bit(std::strerror(errno));
            m_socket.reset();
            return why;
        }
        return {};
    }

    std::optional<Request> receive()
    {
        if (!readable(m_socket.fd(), kWait))
            return std::nullopt;
        Request request;
        char buffer[1024];
        socklen_t length = sizeof request.from;
        const ssize_t got = ::recvfrom(m_socket.fd(), buffer, sizeof buffer, 0,
                                       reinterpret_cast<sockaddr*>(&request.from), &length);
        if (got < 0)
            return std::nullopt;
        request.data = QByteArray(buffer, got);
        return request;
    }

    // Tells the client that `instance` listens on TCP `port`.
    void answer(const Request& request, const QByteArray& instance, quint16 port)
    {
        const QByteArray text = "ServerName;TARNWELLTEST;InstanceName;" + instance +
                                ";IsClustered;No;Version;16.0.1000.6;tcp;" +
                                QByteArray::number(port) + ";;";
        QByteArray reply(1, kBrowserResponse);
        reply.append(static_cast<char>(text.size() & 0xff));
        reply.append(static_cast<char>(text.size() >> 8));
        reply += text;
        ::sendto(m_socket.fd(), reply.constData(), reply.size(), 0,
                 reinterpret_cast<const sockaddr*>(&request.from), sizeof request.from);
    }

    void close() { m_socket.reset(); }

private:
    Socket m_socket;
};

// OdbcConnection::open() on a thread of its own, since the login blocks until the fake server
// hangs up; the thread is always joined, whichever way the test ends.
class BackgroundOpen
{
public:
    explicit BackgroundOpen(ConnectionString connectionString)
        : m_thread([this, cs = std::move(connectionString)] {
              OdbcConnection connection;
              m_opened = connection.open(cs);
              m_driver = connection.driver();
              m_error = connection.lastError().description();
          })
    {}
    ~BackgroundOpen() { join(); }

    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    bool opened() const { return m_opened; }
    QString driver() const { return m_driver; }
    QString error() const { return m_error; }

private:
    bool m_opened = false;
    QString m_driver;
    QString m_error;
    std::thread m_thread;
};

class FreeTdsConnectionTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(QFile::exists(kFreeTdsLibrary))
            << "FreeTDS's ODBC driver is missing (Debian package tdsodbc, see scripts/setup.sh)";
        // unixODBC keeps what it once read of odbcinst.ini for the life of the process, so the
        // folder is made once and stays until the process ends (--gtest_repeat runs again).
        if (home)
            return;
        home = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(home->isValid());
        const QDir dir(home->path());

        // Only FreeTDS is registered, under the name the program's search looks for; the
        // program must find it through unixODBC itself.
        QFile odbcinst(dir.filePath(QStringLiteral("odbcinst.ini")));
        ASSERT_TRUE(odbcinst.open(QIODevice::WriteOnly));
        odbcinst.write("[FreeTDS]\nDescription=FreeTDS\nDriver=" + kFreeTdsLibrary.toUtf8() + "\n");
        odbcinst.close();
        QFile(dir.filePath(QStringLiteral("odbc.ini"))).open(QIODevice::WriteOnly);

        // Given Server=, FreeTDS 1.3 reads no freetds.conf, but it does take TDSVER, TDSPORT,
        // TDSHOST and TDSDUMP from the environment, and other releases may look in
        // $FREETDSCONF and ~/.freetds.conf: none of the machine's settings may decide what goes
        // on the wire. 7.4 opens with a pre-login, and a fixed version spares the retries with
        // older ones that "auto" makes.
        QFile conf(dir.filePath(QStringLiteral("freetds.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.close();

        qputenv("ODBCSYSINI", QFile::encodeName(home->path()));
        qputenv("ODBCINSTINI", "odbcinst.ini");
        qputenv("FREETDSCONF", QFile::encodeName(conf.fileName()));
        qputenv("HOME", QFile::encodeName(home->path()));
        qputenv("TDSVER", "7.4");
        for (const char* name : {"FREETDS", "TDSPORT", "TDSHOST", "TDSQUERY", "DSQUERY", "TDSDUMP",
                                 "TDSDUMPCONFIG", "ODBCINI"})
            qunsetenv(name);
    }

    static ConnectionString typedServer(const QString& server, Platform platform)
    {
        return buildConnectionString({platform, server, QStringLiteral("spi"),
                                      QStringLiteral("HOLLIN"), QStringLiteral("HOLLIN1")});
    }

    static void expectPreLogin(const QByteArray& packet, const QString& driverError)
    {
        ASSERT_GE(packet.size(), 8)
            << "no TDS packet arrived within the wait; driver error: " << driverError.toStdString();
        EXPECT_EQ(packet[0], kPreLogin) << ::testing::PrintToString(packet);
        EXPECT_GT(announcedLength(packet), 8) << "a pre-login carries at least one option";
    }

    static inline std::unique_ptr<QTemporaryDir> home;
};

TEST_F(FreeTdsConnectionTest, HostCommaPortReachesThatPortWithAPreLogin)
{
    FakeServer server;
    const auto started = std::chrono::steady_clock::now();
    BackgroundOpen open(
        typedServer(QStringLiteral("127.0.0.1,%1").arg(server.port()), Platform::SQLServer));
    const QByteArray packet = server.firstPacket();
    server.close();
    open.join();

    expectPreLogin(packet, open.error());
    EXPECT_EQ(open.driver(), QStringLiteral("FreeTDS"));
    EXPECT_FALSE(open.opened());
    EXPECT_FALSE(open.error().isEmpty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, kWait);
}

TEST_F(FreeTdsConnectionTest, HostBackslashInstanceAsksTheBrowserAndFollowsItsAnswer)
{
    FakeBrowser browser;
    if (const QString why = browser.open(); !why.isEmpty())
        GTEST_SKIP() << "UDP port 127.0.0.1:1434 is not available (" << why.toStdString()
                     << "); binding it needs root and no SQL Server browser running";
    FakeServer server;
    const QByteArray instance = "TWINST";
    const auto started = std::chrono::steady_clock::now();
    BackgroundOpen open(typedServer(QStringLiteral("127.0.0.1\\") + QString::fromLatin1(instance),
                                    Platform::SQLServer2005));

    const std::optional<FakeBrowser::Request> request = browser.receive();
    // Unanswered, the driver would keep asking for some sixteen seconds.
    if (request)
        browser.answer(*request, instance, server.port());
    const QByteArray packet = request ? server.firstPacket() : QByteArray();
    server.close();
    browser.close();
    open.join();

    ASSERT_TRUE(request) << "no request reached the browser port; driver error: "
                         << open.error().toStdString();
    EXPECT_EQ(request->data.left(1 + instance.size()), kBrowserRequest + instance)
        << ::testing::PrintToString(request->data);
    expectPreLogin(packet, open.error());
    EXPECT_EQ(open.driver(), QStringLiteral("FreeTDS"));
    EXPECT_FALSE(open.opened());
    EXPECT_LT(std::chrono::steady_clock::now() - started, kWait);
}

} // namespace
