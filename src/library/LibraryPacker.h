#pragma once

#include "library/Keystream.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

namespace tarnwell::library {

// The largest library length, record length and name length the format can carry.
inline constexpr std::uint32_t MaxLibraryLength = 0x7FFFFFFF;
inline constexpr qint64 MaxRecordContent = 0x7FFFFFFF;
inline constexpr int MaxRecordName = 255;

// The bytes that open a record: its content length, the separators and its name.
QByteArray recordHeader(QByteArrayView name, std::uint32_t contentLength);

// How many payload bytes a record with this name and content takes.
inline qint64 recordSize(qint64 nameLength, qint64 contentLength)
{
    return 4 + 1 + 1 + 1 + nameLength + 1 + contentLength;
}

// Writes an enciphered library to `out` as it is produced: the payload first, then its length.
// The keystream takes the length's four bytes before the payload's, so the whole payload length
// has to be known up front. Throws Failure when the device refuses a write or when fewer or more
// bytes arrive than were announced.
class PayloadWriter
{
public:
    PayloadWriter(QIODevice& out, qint64 payloadLength);

    void write(QByteArrayView plain);
    void finish();

private:
    QIODevice& m_out;
    Keystream m_keystream;
    qint64 m_expected;
    qint64 m_written = 0;
    char m_trailer[4];
};

// A payload in memory, enciphered and followed by its enciphered length: what is appended to
// a program file.
QByteArray encipherLibrary(QByteArrayView payload);

// One library file to pack.
struct LibraryFile
{
    QByteArray name; // the record name, in Windows-1252
    QString path;
    qint64 size = 0;
};

// The folder's regular, visible files in packing order: ExportVersion first, then the others by
// name. Throws Failure for a missing folder, a name that cannot be a record name or a file or
// total too large for the format.
std::vector<LibraryFile> collectLibraryFolder(const QString& folder);

// Writes `output`: a copy of `executable` (keeping its permissions) with the library made of
// `files` appended. The output appears only once it is complete. Throws Failure.
void packExecutable(const QString& executable, const std::vector<LibraryFile>& files,
                    const QString& output);

} // namespace tarnwell::library
