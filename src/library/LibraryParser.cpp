#include "library/LibraryParser.h"

#include "library/Windows1252.h"

#include <algorithm>
#include <array>

namespace tarnwell::library {

namespace {
constexpr int LengthBytes = 4;

const QString LineFeedWithoutReturn =
    QStringLiteral("Error in data format: linefeed not following carriage return");
const QString MissingLineFeed =
    QStringLiteral("Error in data format: Expected linefeed after carriage return");

// The bytes that can end a value or a line.
constexpr auto SpecialContentBytes = [] {
    std::array<bool, 256> table{};
    table[','] = table['\r'] = table['\n'] = true;
    return table;
}();

// Every content byte's character, with EndsValue set for the bytes that can end a value or a
// line: one look-up a byte tells both.
constexpr std::uint32_t EndsValue = 0x10000;
constexpr auto ContentBytes = [] {
    std::array<std::uint32_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = Windows1252Characters[byte] | (SpecialContentBytes[byte] ? EndsValue : 0);
    return table;
}();

// Blanks only; tabs and every other character stay part of the value.
inline QByteArrayView stripBlanks(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && bytes[begin] == ' ')
        ++begin;
    while (end > begin && bytes[end - 1] == ' ')
        --end;
    return bytes.sliced(begin, end - begin);
}
} // namespace

LibraryParser::LibraryParser(VendorLibrary& library, status::StatusLog& status,
                             ParserOptions options)
    : m_library(library), m_status(status), m_options(std::move(options))
{}

void LibraryParser::feed(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        qsizetype taken = 1;
        switch (m_state) {
        case State::ContentLength:
            taken = readContentLength(bytes);
            break;
        case State::FirstSpace:
        case State::NameLength:
        case State::SecondSpace:
        case State::NameColon:
            headerByte(bytes.front());
            break;
        case State::RecordName:
            taken = readName(bytes);
            break;
        case State::RecordContent:
            taken = readContent(bytes);
            break;
        case State::LineFeedAfterReturn:
            lineFeedAfterReturn(bytes.front());
            break;
        case State::Ignoring:
            return;
        }
        bytes = bytes.sliced(taken);
    }
}

qsizetype LibraryParser::readContentLength(QByteArrayView bytes)
{
    const qsizetype take = std::min(LengthBytes - m_buffer.size(), bytes.size());
    m_buffer.append(bytes.data(), take);
    if (m_buffer.size() < LengthBytes)
        return take;
    const auto byteAt = [this](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(m_buffer[i]));
    };
    m_contentLength = byteAt(0) << 24 | byteAt(1) << 16 | byteAt(2) << 8 | byteAt(3);
    m_buffer.resize(0); // keeps its capacity: clear() would free it
    if (m_contentLength >= 0x80000000u) {
        // Two lines: one would be wider than the display.
        reportFormatError(QStringLiteral("Error in data format: a record length of ") +
                          QString::number(m_contentLength) + QStringLiteral(" bytes is damaged;"));
        if (m_formatErrors <= MaxShownFormatErrors)
            m_status.ShowStatus(QStringLiteral("the rest of the library is ignored"));
        m_state = State::Ignoring;
        return take;
    }
    m_state = State::FirstSpace;
    return take;
}

void LibraryParser::headerByte(char byte)
{
    switch (m_state) {
    case State::FirstSpace:
        expectSeparator(byte, ' ');
        m_state = State::NameLength;
        break;
    case State::NameLength:
        m_nameLength = static_cast<unsigned char>(byte);
        m_buffer.resize(0);
        m_state = State::SecondSpace;
        break;
    case State::SecondSpace:
        expectSeparator(byte, ' ');
        m_state = State::RecordName;
        if (m_nameLength == 0)
            completeName();
        break;
    case State::NameColon:
        expectSeparator(byte, ':');
        if (m_contentLength > 0) {
            m_contentRead = 0;
            m_state = State::RecordContent;
        } else {
            endRecord();
        }
        break;
    default:
        break; // not a header byte: feed() hands those to the others
    }
}

void LibraryParser::expectSeparator(char byte, char expected)
{
    if (byte != expected) {
        reportFormatError(QStringLiteral("Error: expected data character '") +
                          QLatin1Char(expected) + QLatin1Char('\''));
    }
    m_buffer.resize(0);
}

qsizetype LibraryParser::readName(QByteArrayView bytes)
{
    const qsizetype take = std::min(m_nameLength - m_buffer.size(), bytes.size());
    m_buffer.append(bytes.data(), take);
    if (m_buffer.size() == m_nameLength)
        completeName();
    return take;
}

void LibraryParser::completeName()
{
    m_name = decodeWindows1252(m_buffer);
    m_buffer.resize(0);
    m_table = m_library.table(m_name);
    // A value never has more characters than its bytes. A damaged length cannot get here: it
    // ends the read before the name is read.
    if (m_table)
        m_table->reserveMore(qsizetype(m_contentLength));
    m_recordValues = 0;
    m_status.ShowStatus(QStringLiteral("Reading ") + m_name);
    if (m_options.recordSink)
        m_options.recordSink->recordBegins(m_name);
    m_state = State::NameColon;
}

qsizetype LibraryParser::readContent(QByteArrayView bytes)
{
    // Ordinary bytes in bulk; separators, line ends and the content's last byte one by one,
    // since each of them can end a value, a line or the record.
    const qsizetype room =
        std::min<qsizetype>(bytes.size(), qsizetype(m_contentLength - m_contentRead) - 1);
    const char* data = bytes.data();
    // The common case, whole values and their separators within this piece, goes to the
    // table straight from the piece, as many in a row as the piece holds. A record sink is
    // told each value as the byte-wise path ends it.
    if (m_buffer.isEmpty() && !m_options.recordSink) {
        const qsizetype stored = storeWholeValues(data, room);
        if (stored > 0)
            return stored;
    }
    const qsizetype collected = collectValueBytes(data, room);
    if (collected > 0)
        return collected;
    contentByte(data[0]);
    return 1;
}

qsizetype LibraryParser::storeWholeValues(const char* data, qsizetype room)
{
    if (room <= 0)
        return 0;
    // Each value is decoded as it is scanned, into room the table gives once for all the
    // values of the piece; a value that does not end within the piece is not kept.
    char16_t* out = m_table ? m_table->valueRoom(room) : nullptr;
    qsizetype at = 0;
    while (at < room) {
        qsizetype end = at;
        while (end < room && data[end] == ' ')
            ++end;
        if (out) {
            char16_t* written = out;
            for (; end < room; ++end) {
                const std::uint32_t entry = ContentBytes[static_cast<unsigned char>(data[end])];
                if (entry & EndsValue)
                    break;
                *written++ = static_cast<char16_t>(entry);
            }
            // A value that goes on past the piece, and a stray line feed, are the byte-wise
            // path's.
            if (end == room || data[end] == '\n')
                break;
            while (written > out && written[-1] == u' ')
                --written;
            m_table->endValue(written);
            out = written;
        } else {
            while (end < room && !(ContentBytes[static_cast<unsigned char>(data[end])] & EndsValue))
                ++end;
            if (end == room || data[end] == '\n')
                break;
        }
        ++m_recordValues;
        at = end + 1;
        if (data[end] == '\r') {
            // Within the room the line feed cannot be the content's last byte, so the content
            // goes on after it.
            if (at < room && data[at] == '\n') {
                ++at;
                continue;
            }
            m_state = State::LineFeedAfterReturn;
            break;
        }
    }
    m_contentRead += static_cast<std::uint32_t>(at);
    return at;
}

qsizetype LibraryParser::collectValueBytes(const char* data, qsizetype room)
{
    qsizetype run = 0;
    while (run < room && !SpecialContentBytes[static_cast<unsigned char>(data[run])])
        ++run;
    if (run > 0) {
        m_buffer.append(data, run);
        m_contentRead += static_cast<std::uint32_t>(run);
    }
    return run;
}

void LibraryParser::contentByte(char byte)
{
    ++m_contentRead;
    const bool lastByte = m_contentRead == m_contentLength;
    State next = State::RecordContent;
    bool complete = false;
    char terminator = 0;

    if (byte == ',') {
        complete = true;
        terminator = byte;
    } else if (byte == '\r') {
        complete = true;
        terminator = byte;
        next = State::LineFeedAfterReturn;
    } else if (byte == '\n') {
        reportFormatError(LineFeedWithoutReturn);
        // A stray LF closing the content ends the value before it, just as the content's last
        // byte would have; only bytes collected can form one.
        complete = lastByte && !m_buffer.isEmpty();
    } else {
        m_buffer.append(byte);
        complete = lastByte;
    }

    if (complete)
        storeValue(terminator);
    m_state = next;
    if (lastByte)
        endRecord(); // a CR as the very last byte expects no LF
}

void LibraryParser::lineFeedAfterReturn(char byte)
{
    ++m_contentRead;
    if (byte != '\n')
        reportFormatError(MissingLineFeed);
    if (m_options.recordSink)
        m_options.recordSink->content(QByteArrayView(&byte, 1));
    if (m_contentRead < m_contentLength)
        m_state = State::RecordContent;
    else
        endRecord();
}

void LibraryParser::storeValue(char terminator)
{
    if (m_table)
        m_table->appendWindows1252(stripBlanks(m_buffer));
    ++m_recordValues;
    if (m_options.recordSink) {
        if (terminator)
            m_buffer.append(terminator);
        m_options.recordSink->content(m_buffer);
    }
    m_buffer.resize(0);
}

void LibraryParser::endRecord()
{
    if (m_options.recordRead)
        m_options.recordRead(m_name, m_recordValues);
    m_buffer.resize(0);
    m_state = State::ContentLength;
}

void LibraryParser::finish()
{
    if (m_state == State::NameColon || m_state == State::RecordContent ||
        m_state == State::LineFeedAfterReturn) {
        if (m_options.recordRead)
            m_options.recordRead(m_name, m_recordValues);
    }
    m_buffer.resize(0);
    m_state = State::Ignoring;
    if (m_options.recordSink)
        m_options.recordSink->streamEnds();
    if (m_formatErrors > MaxShownFormatErrors) {
        m_status.ShowStatus(QStringLiteral("Error in data format: ") +
                            QString::number(m_formatErrors - MaxShownFormatErrors) +
                            QStringLiteral(" more errors in this library were not shown."));
        m_formatErrors = 0;
    }
}

void LibraryParser::reportFormatError(const QString& message)
{
    // A payload that is not a library at all gives an error every few bytes; past the first
    // few they only bury the display and keep the read from ending.
    if (++m_formatErrors <= MaxShownFormatErrors)
        m_status.ShowStatus(message);
}

} // namespace tarnwell::library
