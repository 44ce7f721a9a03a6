#include "library/LibraryReader.h"

#include "library/Keystream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>

namespace tarnwell::library {

namespace {
constexpr int LengthBytes = 4;

QString couldNotRead(const QString& path, const QString& description)
{
    return QStringLiteral("Could not read ") + QDir::toNativeSeparators(path) +
           QStringLiteral(" (") + description + QLatin1Char(')');
}

QString deviceError(const QIODevice& device, const char* fallback)
{
    const QString text = device.errorString();
    if (text.isEmpty() || text == QLatin1String("Unknown error"))
        return QString::fromLatin1(fallback);
    return text;
}

// Reads exactly `length` bytes at the current position, or says why not.
bool readExactly(QIODevice& device, char* data, qint64 length, QString& description)
{
    qint64 done = 0;
    while (done < length) {
        const qint64 got = device.read(data + done, length - done);
        if (got < 0) {
            description = deviceError(device, "unexpected end of file");
            return false;
        }
        if (got == 0) {
            description = QStringLiteral("unexpected end of file");
            return false;
        }
        done += got;
    }
    return true;
}
} // namespace

QString programFileName(const QString& programPath)
{
    const QFileInfo info(programPath);
#ifdef Q_OS_WIN
    return info.completeBaseName() + QStringLiteral(".exe");
#else
    return info.fileName();
#endif
}

QString ownProgramPath()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(programFileName(QCoreApplication::applicationFilePath()));
}

ReadOutcome ReadLibrary(const QString& programPath, VendorLibrary& library,
                        status::StatusLog& status, ParserOptions options)
{
    QFile file(programPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return ReadOutcome::failure(QStringLiteral("Could not open ") +
                                    QDir::toNativeSeparators(programPath) + QStringLiteral(" (") +
                                    file.errorString() + QLatin1Char(')'));
    }
    return readLibraryFrom(file, programPath, library, status, std::move(options));
}

ReadOutcome readLibraryFrom(QIODevice& device, const QString& programPath, VendorLibrary& library,
                            status::StatusLog& status, ParserOptions options)
{
    Keystream keystream;
    const qint64 fileSize = device.size();

    // Length trailer.
    if (fileSize < LengthBytes) {
        return ReadOutcome::failure(
            couldNotRead(programPath, QStringLiteral("the file is too short to hold a library")));
    }
    char trailer[LengthBytes];
    QString description;
    if (!device.seek(fileSize - LengthBytes))
        return ReadOutcome::failure(couldNotRead(programPath, deviceError(device, "Seek failed")));
    if (!readExactly(device, trailer, LengthBytes, description))
        return ReadOutcome::failure(couldNotRead(programPath, description));
    keystream.apply(trailer, LengthBytes);

    // Unsigned 32-bit arithmetic cannot overflow here; a first byte of 128 or more is what a
    // file without a library, or with a damaged length, deciphers to.
    const auto byteAt = [&trailer](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(trailer[i]));
    };
    const std::uint32_t length = byteAt(0) << 24 | byteAt(1) << 16 | byteAt(2) << 8 | byteAt(3);
    if (length >= 0x80000000u) {
        return ReadOutcome::failure(
            QStringLiteral("Error: Data is not available. Please obtain a new ") +
            programFileName(programPath));
    }

    // Payload.
    if (static_cast<qint64>(length) > fileSize) {
        return ReadOutcome::failure(couldNotRead(
            programPath,
            QStringLiteral("the library length reaches before the start of the file")));
    }
    if (!device.seek(fileSize - length))
        return ReadOutcome::failure(couldNotRead(programPath, deviceError(device, "Seek failed")));

    LibraryParser parser(library, status, std::move(options));

    const qint64 payloadLength = length > LengthBytes ? qint64(length) - LengthBytes : 0;
    char piece[ReadPieceSize];
    for (qint64 counter = 0; counter < payloadLength;) {
        const qint64 n = std::min<qint64>(payloadLength - counter, ReadPieceSize);
        if (!readExactly(device, piece, n, description)) {
            parser.finish();
            return ReadOutcome::failure(couldNotRead(programPath, description));
        }
        keystream.apply(piece, n);
        parser.feed(QByteArrayView(piece, n));
        counter += n;
    }
    parser.finish();
    return ReadOutcome::success();
}

} // namespace tarnwell::library
