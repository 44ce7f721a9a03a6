// Feeds arbitrary bytes to the library reader, as a program file, and to the parser, as a
// deciphered stream. Besides crashes and sanitizer reports it catches a parser whose result
// depends on how the stream is cut into pieces.

#include "library/LibraryParser.h"
#include "library/LibraryReader.h"
#include "library/VendorLibrary.h"
#include "pack/LibraryCopyWriter.h"
#include "status/StatusLog.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

using namespace tarnwell;

struct Outcome
{
    std::map<QString, QStringList> tables;
    QStringList messages;
    std::vector<std::pair<QString, int>> records;

    bool operator==(const Outcome&) const = default;
};

QStringList valuesOf(const library::LibraryTable& table)
{
    QStringList values;
    for (int i = 1; i <= table.Count(); ++i)
        values.append(table.value(i));
    return values;
}

Outcome parse(QByteArrayView stream, qsizetype piece)
{
    Outcome outcome;
    library::VendorLibrary vendorLibrary;
    status::StatusLog status;
    status.setDisplay(
        [&](const QString&) { outcome.messages.append(status.lines().back().mid(11)); });

    library::ParserOptions options;
    options.recordRead = [&](const QString& name, int count) {
        outcome.records.emplace_back(name, count);
    };
    {
        library::LibraryParser parser(vendorLibrary, status, options);
        for (qsizetype at = 0; at < stream.size(); at += piece)
            parser.feed(stream.sliced(at, std::min(piece, stream.size() - at)));
        parser.finish();
    }
    for (const char* name : {"Channel", "ExportVersion", "PanelStrip", "PanelStripTerm",
                             "StripConfig", "StripConfigTerm", "TerminalColors"}) {
        outcome.tables[QString::fromLatin1(name)] =
            valuesOf(*vendorLibrary.table(QString::fromLatin1(name)));
    }
    return outcome;
}

QDir& copyFolder()
{
    static QTemporaryDir dir;
    static QDir folder(dir.path());
    return folder;
}

void readAsProgramFile(const QByteArray& bytes)
{
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);

    library::VendorLibrary vendorLibrary;
    status::StatusLog status;
    library::LibraryCopyWriter copies(copyFolder().path(), status);
    library::ParserOptions options;
    // Writing copies is slow; every other input is enough to cover it.
    const bool writeCopies = !bytes.isEmpty() && (bytes.front() & 1);
    if (writeCopies)
        options.recordSink = &copies;
    library::readLibraryFrom(device, QStringLiteral("fuzzed"), vendorLibrary, status, options);

    if (writeCopies) {
        for (const QString& name :
             copyFolder().entryList(QDir::Files | QDir::Hidden | QDir::System))
            copyFolder().remove(name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    readAsProgramFile(bytes);

    const Outcome whole = parse(bytes, std::max<qsizetype>(bytes.size(), 1));
    const qsizetype piece = bytes.isEmpty() ? 1 : 1 + static_cast<unsigned char>(bytes.back()) % 7;
    if (!(parse(bytes, piece) == whole) || !(parse(bytes, 128) == whole)) {
        std::fprintf(stderr, "the parser's result depends on how the stream is cut\n");
        std::abort();
    }
    return 0;
}
