// What reading the library costs: the program's own read (library::ReadLibrary: read, decipher
// and parse into tables) against a bare read and decipher of the same payload with the
// library's keystream, once as a whole and once in the reader's pieces. Each try runs in a
// process of its own, so that its peak resident memory is its own, and the ways take turns;
// each way's best try counts. Prints its figures; asserts nothing.
//
//   tarnwell-bench-library-load PACKED_PROGRAM [REPEATS]

#include "library/Keystream.h"
#include "library/LibraryReader.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace tarnwell;

namespace {

constexpr int TrailerBytes = 4;

[[noreturn]] void fail(const char* why)
{
    std::fprintf(stderr, "benchmark failed: %s\n", why);
    std::exit(1);
}

// Where the payload starts and how long it is, from the enciphered length at the file's end.
struct Payload
{
    qint64 offset = 0;
    qint64 length = 0;
};

Payload locatePayload(QFile& file)
{
    char trailer[TrailerBytes];
    if (!file.seek(file.size() - TrailerBytes) || file.read(trailer, TrailerBytes) != TrailerBytes)
        fail("cannot read the library length");
    library::Keystream keystream;
    keystream.apply(trailer, TrailerBytes);
    std::uint32_t length = 0;
    for (const char byte : trailer)
        length = length << 8 | static_cast<unsigned char>(byte);
    if (length < TrailerBytes || length > file.size())
        fail("the file holds no library");
    return {file.size() - length, qint64(length) - TrailerBytes};
}

// The ways a load is done; each returns a figure that depends on every byte, so that nothing
// is left out by the optimiser.
std::uint64_t programRead(const QString& path)
{
    status::StatusLog status;
    library::VendorLibrary vendorLibrary;
    if (!library::ReadLibrary(path, vendorLibrary, status))
        fail("the program's read failed");
    return std::uint64_t(vendorLibrary.panelStripTerm.Count()) + vendorLibrary.channel.Count() +
           vendorLibrary.stripConfigTerm.Count();
}

// Keystream and its header first, then the payload: the keystream runs on from the length.
std::uint64_t bareWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot open the program");
    const Payload payload = locatePayload(file);
    file.seek(payload.offset);
    QByteArray bytes = file.read(payload.length);
    library::Keystream keystream;
    char trailer[TrailerBytes] = {};
    keystream.apply(trailer, TrailerBytes);
    keystream.apply(bytes);
    std::uint64_t sum = 0;
    for (const char byte : bytes)
        sum += static_cast<unsigned char>(byte);
    return sum;
}

std::uint64_t barePieces(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot open the program");
    const Payload payload = locatePayload(file);
    file.seek(payload.offset);
    library::Keystream keystream;
    char piece[library::ReadPieceSize] = {};
    keystream.apply(piece, TrailerBytes);
    std::uint64_t sum = 0;
    for (qint64 done = 0; done < payload.length;) {
        const qint64 n = std::min<qint64>(payload.length - done, library::ReadPieceSize);
        if (file.read(piece, n) != n)
            fail("short read");
        keystream.apply(piece, n);
        for (qint64 i = 0; i < n; ++i)
            sum += static_cast<unsigned char>(piece[i]);
        done += n;
    }
    return sum;
}

// Child: runs one way `repeats` times and prints the best time in seconds.
int child(const std::string& way, const QString& path, int repeats)
{
    std::uint64_t (*load)(const QString&) = way == "program"  ? programRead
                                            : way == "whole"  ? bareWhole
                                            : way == "pieces" ? barePieces
                                                              : nullptr;
    double best = 0;
    std::uint64_t check = 0;
    for (int i = 0; load && i < repeats; ++i) {
        QElapsedTimer elapsed;
        elapsed.start();
        check += load(path);
        const double seconds = double(elapsed.nsecsElapsed()) / 1e9;
        best = i == 0 ? seconds : std::min(best, seconds);
    }
    std::printf("%.9f %llu\n", best, static_cast<unsigned long long>(check));
    return 0;
}

struct Measured
{
    double seconds = 0;
    double peakMiB = 0;
};

Measured inChild(const char* self, const char* way, const char* path, int repeats)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        fail("pipe");
    const std::string count = std::to_string(repeats);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execl(self, self, "--child", way, path, count.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("a measuring process failed");
    return {std::strtod(output.c_str(), nullptr), double(usage.ru_maxrss) / 1024.0};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--child")
        return child(argv[2], QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarnwell-bench-library-load PACKED_PROGRAM [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot open the program");
    const Payload payload = locatePayload(file);
    const double mb = double(payload.length) / 1e6;

    std::printf("Library load, %s: %.2f MB of library on a %.2f MB program, best of %d tries taken "
                "in turns\n",
                argv[1], mb, double(file.size()) / 1e6, repeats);
    const Measured none = inChild(argv[0], "none", argv[1], 1);
    // The ways take turns, one try each, so that a moment of other work on the machine cannot
    // fall on all the tries of one way.
    Measured program, whole, pieces;
    for (int i = 0; i < repeats; ++i) {
        for (const auto& [way, best] : {std::pair<const char*, Measured*>{"program", &program},
                                        {"whole", &whole},
                                        {"pieces", &pieces}}) {
            const Measured once = inChild(argv[0], way, argv[1], 1);
            best->seconds = i == 0 ? once.seconds : std::min(best->seconds, once.seconds);
            best->peakMiB = std::max(best->peakMiB, once.peakMiB);
        }
    }
    const auto line = [&](const char* what, const Measured& m) {
        std::printf("  %-44s %8.3f s %8.1f MB/s   peak %7.1f MiB (%+7.1f MiB over an idle "
                    "process)\n",
                    what, m.seconds, mb / m.seconds, m.peakMiB, m.peakMiB - none.peakMiB);
    };
    line("ReadLibrary: read, decipher, parse", program);
    line("bare read and decipher, whole payload", whole);
    line("bare read and decipher, 128-byte pieces", pieces);
    std::printf("ratio: library load ReadLibrary/bare whole %.1f, ReadLibrary/bare pieces %.1f\n",
                program.seconds / whole.seconds, program.seconds / pieces.seconds);
    return 0;
}
