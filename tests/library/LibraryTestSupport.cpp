#include "LibraryTestSupport.h"

#include "library/LibraryPacker.h"
#include "support/StatusMessages.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace tarnwell::library::test {

QByteArray record(QByteArrayView name, QByteArrayView content)
{
    return recordHeader(name, static_cast<std::uint32_t>(content.size())) +
           QByteArray(content.data(), content.size());
}

StatusCapture::StatusCapture()
{
    log.setDisplay([this](const QString&) {
        const QString line = log.lines().back();
        messages.append(tarnwell::testing::withoutStamp(line));
    });
}

void parseInto(Parsed& parsed, QByteArrayView stream, qsizetype piece, ParserOptions options)
{
    options.recordRead = [&parsed](const QString& name, int count) {
        parsed.records.emplace_back(name, count);
    };
    LibraryParser parser(parsed.library, parsed.status.log, std::move(options));
    if (piece <= 0)
        piece = std::max<qsizetype>(stream.size(), 1);
    for (qsizetype at = 0; at < stream.size(); at += piece)
        parser.feed(stream.sliced(at, std::min(piece, stream.size() - at)));
    parser.finish();
}

QStringList valuesOf(const LibraryTable& table)
{
    QStringList values;
    for (int i = 1; i <= table.Count(); ++i)
        values.append(table.value(i));
    return values;
}

std::map<QString, QStringList> tablesOf(VendorLibrary& library)
{
    std::map<QString, QStringList> result;
    for (const char* name : {"Channel", "ExportVersion", "PanelStrip", "PanelStripTerm",
                             "StripConfig", "StripConfigTerm", "TerminalColors"}) {
        result[QString::fromLatin1(name)] = valuesOf(*library.table(QString::fromLatin1(name)));
    }
    return result;
}

std::map<QByteArray, QByteArray> generatedLibraryFiles()
{
    const auto rows = [](int count, int width, const QByteArray& stem) {
        QByteArray text;
        for (int r = 0; r < count; ++r) {
            for (int c = 0; c < width; ++c) {
                if (c)
                    text += ',';
                if (c == 3)
                    continue; // an empty value
                if (c == 4)
                    text += "  12 \xB5"
                            "F ";
                else if (c == 5)
                    text += "90\xB0 Caf\xE9";
                else
                    text += stem + QByteArray::number(r) + '.' + QByteArray::number(c);
            }
            text += "\r\n";
        }
        return text;
    };
    return {
        {"ExportVersion", "3.0\r\n"},
        {"StripConfig", rows(3, StripConfigWidth, "SC")},
        {"StripConfigTerm", rows(7, StripConfigTermWidth, "SCT")},
        {"TerminalColors", rows(4, TerminalColorWidth, "TC")},
        {"PanelStrip", rows(2, PanelStripWidth, "PS")},
        {"Channel", rows(5, ChannelWidth, "CH")},
        {"PanelStripTerm", rows(9, PanelStripTermWidth, "PST")},
        {"Notes", "not a table, dropped\r\n"},
    };
}

std::map<QByteArray, QByteArray> sampleLibraryFiles()
{
    const QDir dir(QStringLiteral(TARNWELL_SAMPLE_LIBRARY));
    std::map<QByteArray, QByteArray> files;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot))
        files[info.fileName().toLatin1()] = readFile(info.filePath());
    return files.empty() ? generatedLibraryFiles() : files;
}

QByteArray payloadOf(const std::map<QByteArray, QByteArray>& files)
{
    QByteArray payload;
    if (const auto version = files.find("ExportVersion"); version != files.end())
        payload += record(version->first, version->second);
    for (const auto& [name, content] : files) {
        if (name != "ExportVersion")
            payload += record(name, content);
    }
    return payload;
}

bool writeFile(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), bytes.size()) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace tarnwell::library::test
