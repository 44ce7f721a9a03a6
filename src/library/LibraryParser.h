#pragma once

#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>

namespace tarnwell::library {

// Told the content of each record as the parser takes it in, for whoever wants the library's
// text back as well as its values. The parser keeps no copy of a record's bytes itself.
class RecordSink
{
public:
    virtual ~RecordSink() = default;

    // A record named `name` begins; it is called after its "Reading " line.
    virtual void recordBegins(const QString& name) = 0;
    // The next bytes of the current record's content: each value with the comma or CR that
    // ended it, and the byte that follows a CR. A stray line feed is left out, and so is a
    // value the stream ends in the middle of. `bytes` may be empty.
    virtual void content(QByteArrayView bytes) = 0;
    // The stream has ended. Called before the parser's last line, the count of format errors
    // not shown, so that what the sink reports still comes first.
    virtual void streamEnds() = 0;
};

struct ParserOptions
{
    // Told every record's content as it is read; not owned, and must outlive the read.
    RecordSink* recordSink = nullptr;

    // Told about each record once its content has been read, with the number of values it gave.
    std::function<void(const QString& name, int valueCount)> recordRead;
};

// Turns the deciphered library stream into the tables of a VendorLibrary. The stream may arrive
// in pieces of any size, down to single bytes: records and values straddle pieces freely, and
// the tables come out the same however the stream is cut.
//
// Format faults are reported on the status display and parsing goes on; nothing in the stream
// can stop it except a record length of 2^31 or more, after which the rest is ignored.
class LibraryParser
{
public:
    LibraryParser(VendorLibrary& library, status::StatusLog& status, ParserOptions options = {});

    LibraryParser(const LibraryParser&) = delete;
    LibraryParser& operator=(const LibraryParser&) = delete;

    void feed(QByteArrayView bytes);

    // The stream has ended: tells the record sink. A value still being collected is dropped
    // silently; later feeds are ignored.
    void finish();

private:
    enum class State {
        ContentLength,
        FirstSpace,
        NameLength,
        SecondSpace,
        RecordName,
        NameColon,
        RecordContent,
        LineFeedAfterReturn,
        Ignoring,
    };

    // The read...() functions take what they can of `bytes`, which is never empty, and return
    // how many bytes they took; the others take the one byte they are given.

    // The record header: its content length, the separators and the name's length.
    qsizetype readContentLength(QByteArrayView bytes);
    void headerByte(char byte);
    void expectSeparator(char byte, char expected);

    // The record name.
    qsizetype readName(QByteArrayView bytes);
    void completeName();

    // The content: values and their separators.
    qsizetype readContent(QByteArrayView bytes);
    // Stores the values that end, with their separators, within the first `room` bytes of
    // `data` and returns how many bytes they took; stops before a value that does not end
    // there and before a stray line feed.
    qsizetype storeWholeValues(const char* data, qsizetype room);
    // Collects the bytes before the first one that can end a value, within `room`.
    qsizetype collectValueBytes(const char* data, qsizetype room);
    void contentByte(char byte);
    void storeValue(char terminator);

    // Line ends.
    void lineFeedAfterReturn(char byte);

    void endRecord();
    void reportFormatError(const QString& message);

    VendorLibrary& m_library;
    status::StatusLog& m_status;
    ParserOptions m_options;

    State m_state = State::ContentLength;
    QByteArray m_buffer;
    std::uint32_t m_contentLength = 0; // N
    int m_nameLength = 0;              // n
    std::uint32_t m_contentRead = 0;
    QString m_name;
    LibraryTable* m_table = nullptr;
    int m_recordValues = 0;

    static constexpr int MaxShownFormatErrors = 20;
    int m_formatErrors = 0;
};

} // namespace tarnwell::library
