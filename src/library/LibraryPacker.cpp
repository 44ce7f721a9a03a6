#include "library/LibraryPacker.h"

#include "library/Windows1252.h"
#include "status/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>

namespace tarnwell::library {

namespace {
constexpr qint64 CopyChunk = 64 * 1024;
const QByteArray ExportVersionName = QByteArrayLiteral("ExportVersion");

void putBigEndian(char* out, std::uint32_t value)
{
    out[0] = static_cast<char>(value >> 24);
    out[1] = static_cast<char>(value >> 16);
    out[2] = static_cast<char>(value >> 8);
    out[3] = static_cast<char>(value);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void writeAll(QIODevice& out, const char* data, qint64 length)
{
    if (out.write(data, length) != length)
        throw Failure(QStringLiteral("could not write the output (") + out.errorString() +
                      QLatin1Char(')'));
}

// Copies `length` bytes of `in` to `sink`, in pieces.
template <typename Sink> void streamFile(QFile& in, qint64 length, Sink&& sink)
{
    QByteArray chunk;
    qint64 left = length;
    while (left > 0) {
        chunk = in.read(std::min(left, CopyChunk));
        if (chunk.isEmpty()) {
            throw Failure(in.error() != QFileDevice::NoError
                              ? QStringLiteral("could not read ") + shown(in.fileName()) +
                                    QStringLiteral(" (") + in.errorString() + QLatin1Char(')')
                              : shown(in.fileName()) +
                                    QStringLiteral(" became shorter while it was being packed"));
        }
        sink(chunk);
        left -= chunk.size();
    }
}
} // namespace

QByteArray recordHeader(QByteArrayView name, std::uint32_t contentLength)
{
    QByteArray header(4, Qt::Uninitialized);
    putBigEndian(header.data(), contentLength);
    header += ' ';
    header += static_cast<char>(static_cast<unsigned char>(name.size()));
    header += ' ';
    header.append(name.data(), name.size());
    header += ':';
    return header;
}

PayloadWriter::PayloadWriter(QIODevice& out, qint64 payloadLength)
    : m_out(out), m_expected(payloadLength)
{
    if (payloadLength < 0 || payloadLength + 4 > MaxLibraryLength)
        throw Failure(QStringLiteral("the library would be too large for its length field"));
    putBigEndian(m_trailer, static_cast<std::uint32_t>(payloadLength + 4));
    m_keystream.apply(m_trailer, 4);
}

void PayloadWriter::write(QByteArrayView plain)
{
    if (m_written + plain.size() > m_expected)
        throw Failure(QStringLiteral("more library bytes than announced"));
    QByteArray bytes(plain.data(), plain.size());
    m_keystream.apply(bytes);
    writeAll(m_out, bytes.constData(), bytes.size());
    m_written += bytes.size();
}

void PayloadWriter::finish()
{
    if (m_written != m_expected)
        throw Failure(QStringLiteral("fewer library bytes than announced"));
    writeAll(m_out, m_trailer, 4);
}

QByteArray encipherLibrary(QByteArrayView payload)
{
    QByteArray result(payload.data(), payload.size());
    QByteArray trailer(4, Qt::Uninitialized);
    putBigEndian(trailer.data(), static_cast<std::uint32_t>(payload.size() + 4));
    Keystream keystream;
    keystream.apply(trailer);
    keystream.apply(result);
    return result + trailer;
}

std::vector<LibraryFile> collectLibraryFolder(const QString& folder)
{
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        throw Failure(QStringLiteral("the library folder ") + shown(folder) +
                      QStringLiteral(" does not exist"));
    if (!folderInfo.isDir())
        throw Failure(shown(folder) + QStringLiteral(" is not a folder"));

    QDir dir(folder);
    if (!dir.isReadable())
        throw Failure(QStringLiteral("the library folder ") + shown(folder) +
                      QStringLiteral(" cannot be read"));

    std::vector<LibraryFile> files;
    qint64 total = 4;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : entries) {
        if (!info.isFile())
            continue;
        const std::optional<QByteArray> name = encodeWindows1252(info.fileName());
        if (!name)
            throw Failure(QStringLiteral("the file name ") + info.fileName() +
                          QStringLiteral(" cannot be written in Windows-1252"));
        if (name->size() > MaxRecordName)
            throw Failure(QStringLiteral("the file name ") + info.fileName() +
                          QStringLiteral(" is longer than 255 bytes"));
        if (info.size() > MaxRecordContent)
            throw Failure(shown(info.filePath()) +
                          QStringLiteral(" is too large: a library file holds less than 2^31 "
                                         "bytes"));
        total += recordSize(name->size(), info.size());
        if (total > MaxLibraryLength)
            throw Failure(QStringLiteral("the library would not fit: all files together must "
                                         "stay below 2^31 bytes"));
        files.push_back({*name, info.filePath(), info.size()});
    }
    std::sort(files.begin(), files.end(), [](const LibraryFile& a, const LibraryFile& b) {
        const bool aFirst = a.name == ExportVersionName;
        const bool bFirst = b.name == ExportVersionName;
        if (aFirst != bFirst)
            return aFirst;
        return a.name < b.name;
    });
    return files;
}

void packExecutable(const QString& executable, const std::vector<LibraryFile>& files,
                    const QString& output)
{
    QFile exe(executable);
    if (!QFileInfo(executable).isFile())
        throw Failure(QStringLiteral("the executable ") + shown(executable) +
                      QStringLiteral(" does not exist or is not a file"));
    if (!exe.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("could not open the executable ") + shown(executable) +
                      QStringLiteral(" (") + exe.errorString() + QLatin1Char(')'));

    qint64 payloadLength = 0;
    for (const LibraryFile& file : files)
        payloadLength += recordSize(file.name.size(), file.size);

    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly))
        throw Failure(QStringLiteral("could not create ") + shown(output) + QStringLiteral(" (") +
                      out.errorString() + QLatin1Char(')'));

    streamFile(exe, exe.size(),
               [&out](const QByteArray& chunk) { writeAll(out, chunk.constData(), chunk.size()); });

    PayloadWriter writer(out, payloadLength);
    for (const LibraryFile& file : files) {
        QFile in(file.path);
        if (!in.open(QIODevice::ReadOnly))
            throw Failure(QStringLiteral("could not open ") + shown(file.path) +
                          QStringLiteral(" (") + in.errorString() + QLatin1Char(')'));
        writer.write(recordHeader(file.name, static_cast<std::uint32_t>(file.size)));
        streamFile(in, file.size, [&writer](const QByteArray& chunk) { writer.write(chunk); });
        if (!in.atEnd())
            throw Failure(shown(file.path) + QStringLiteral(" grew while it was being packed"));
    }
    writer.finish();

    if (!out.commit())
        throw Failure(QStringLiteral("could not write ") + shown(output) + QStringLiteral(" (") +
                      out.errorString() + QLatin1Char(')'));
    QFile::setPermissions(output,
                          exe.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace tarnwell::library
