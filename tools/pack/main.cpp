// tarnwell-pack: appends a library folder to an executable, and reads one back out.

#include "library/LibraryPacker.h"
#include "library/LibraryReader.h"
#include "library/VendorLibrary.h"
#include "pack/LibraryCopyWriter.h"
#include "status/Failure.h"
#include "status/StatusLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

using namespace tarnwell;

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char* const Usage =
    "Usage:\n"
    "  tarnwell-pack pack EXECUTABLE LIBRARY_FOLDER OUTPUT\n"
    "  tarnwell-pack unpack PACKED_EXECUTABLE OUTPUT_FOLDER\n"
    "  tarnwell-pack --help\n"
    "\n"
    "pack    writes OUTPUT: a copy of EXECUTABLE, keeping its permissions, followed by the\n"
    "        enciphered library made of the regular files in LIBRARY_FOLDER, one record per\n"
    "        file, named after the file (ExportVersion first, then the others by name).\n"
    "        Hidden files and subfolders are left out. File names must be Windows-1252 and at\n"
    "        most 255 bytes long; the whole library must stay below 2^31 bytes.\n"
    "unpack  reads the library appended to PACKED_EXECUTABLE the way the program does, writes\n"
    "        each record to OUTPUT_FOLDER as NAME_Copy_.txt and prints each record's name and\n"
    "        number of values, separated by a tab. Format faults go to standard error and make\n"
    "        the exit status non-zero.\n"
    "\n"
    "Exit status: 0 on success, 1 on a failure, 2 on a usage error.\n";

void printLine(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s\n", bytes.constData());
}

int fail(const QString& description)
{
    printLine(stderr, QStringLiteral("tarnwell-pack: ") + description);
    return ExitFailure;
}

int usageError(const QString& description)
{
    printLine(stderr, QStringLiteral("tarnwell-pack: ") + description);
    std::fputs(Usage, stderr);
    return ExitUsage;
}

int pack(const QString& executable, const QString& folder, const QString& output)
{
    const std::vector<library::LibraryFile> files = library::collectLibraryFolder(folder);
    const bool hasVersion = std::any_of(files.begin(), files.end(), [](const auto& file) {
        return file.name == QByteArrayLiteral("ExportVersion");
    });
    if (files.empty()) {
        printLine(stderr, QStringLiteral("tarnwell-pack: warning: the library folder holds no "
                                         "files; the program will refuse the empty library"));
    } else if (!hasVersion) {
        printLine(stderr, QStringLiteral("tarnwell-pack: warning: the library has no "
                                         "ExportVersion file; the program will refuse it"));
    }
    library::packExecutable(executable, files, output);
    return 0;
}

int unpack(const QString& packed, const QString& folder)
{
    if (!QFileInfo(packed).isFile())
        return fail(QStringLiteral("the packed executable ") + QDir::toNativeSeparators(packed) +
                    QStringLiteral(" does not exist or is not a file"));
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("could not create the folder ") +
                    QDir::toNativeSeparators(folder));

    // Every status line but the progress ones is a fault worth seeing.
    status::StatusLog status;
    bool faults = false;
    const QString progress = QStringLiteral("Reading ");
    status.setDisplay([&status, &faults, &progress](const QString&) {
        const QString line = status.lines().back();
        const QString message = line.mid(line.indexOf(QStringLiteral("   ")) + 3);
        if (message.startsWith(progress))
            return;
        faults = true;
        printLine(stderr, QStringLiteral("tarnwell-pack: ") + message);
    });

    library::VendorLibrary vendorLibrary;
    library::ParserOptions options;
    options.recordRead = [](const QString& name, int valueCount) {
        printLine(stdout, name + QLatin1Char('\t') + QString::number(valueCount));
    };
    const library::ReadOutcome outcome =
        library::readLibraryWritingCopies(packed, folder, vendorLibrary, status, options);
    std::fflush(stdout);
    if (!outcome)
        return fail(outcome.message());
    if (faults)
        return fail(QStringLiteral("the library has format faults"));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));

    const QString& command = args.front();
    try {
        if (command == QStringLiteral("pack")) {
            if (args.size() != 4)
                return usageError(QStringLiteral("pack takes EXECUTABLE LIBRARY_FOLDER OUTPUT"));
            return pack(args[1], args[2], args[3]);
        }
        if (command == QStringLiteral("unpack")) {
            if (args.size() != 3)
                return usageError(QStringLiteral("unpack takes PACKED_EXECUTABLE OUTPUT_FOLDER"));
            return unpack(args[1], args[2]);
        }
    } catch (const Failure& failure) {
        return fail(failure.description());
    }
    return usageError(QStringLiteral("unknown command ") + command);
}
