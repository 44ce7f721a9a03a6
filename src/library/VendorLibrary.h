#pragma once

#include "library/Windows1252.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

namespace tarnwell::library {

// One library file as a flat, 1-based run of trimmed values; a row is a fixed-width run of them.
// The values are kept end to end in one text with their ends beside it: a library holds a
// million short values or more, and one allocation each would cost many times the text.
class LibraryTable
{
public:
    using Row = QStringList; // 0-based within the row

    LibraryTable() = default;
    LibraryTable(const LibraryTable& other);
    // A table moved from is left empty.
    LibraryTable(LibraryTable&& other);
    LibraryTable& operator=(const LibraryTable& other);
    LibraryTable& operator=(LibraryTable&& other);
    ~LibraryTable() = default;

    int Count() const { return static_cast<int>(m_ends.size()) - 1; }
    // Value i, 1 <= i <= Count(); value 0 exists and is empty. Throws Failure outside 0..Count().
    QString value(int i) const { return view(i).toString(); }
    QStringView view(int i) const;
    void append(QStringView value);
    void append(const QString& value) { append(QStringView(value)); }
    // Room for `characters` more characters of values, so that a record of known length is
    // stored without moving what came before.
    void reserveMore(qsizetype characters);
    // Appends the Windows-1252 bytes as one value, decoded.
    void appendWindows1252(QByteArrayView bytes)
    {
        char16_t* out = valueRoom(bytes.size());
        for (const char byte : bytes)
            *out++ = Windows1252Characters[static_cast<unsigned char>(byte)];
        endValue(out);
    }

    // For writing values in place, as the parser does with a million values or more of a few
    // characters each: room for `characters` more characters past the end of the text. It
    // stays valid until the table is changed other than by endValue(); endValue(end) makes
    // what lies before `end` in that room the next value. Room not taken stays unused.
    char16_t* valueRoom(qsizetype characters)
    {
        if (m_size + static_cast<std::size_t>(characters) > m_capacity)
            grow(static_cast<std::size_t>(characters));
        return m_text.get() + m_size;
    }
    void endValue(const char16_t* end)
    {
        m_size = static_cast<std::size_t>(end - m_text.get());
        m_ends.push_back(static_cast<qsizetype>(m_size));
    }

    // The row of `width` values starting at value `start`; throws Failure when it runs past
    // Count().
    Row row(int start, int width) const;

private:
    // Moves the text to a buffer with room for `more` characters past its end, and then some.
    void grow(std::size_t more);

    // Left uninitialised: only what values were written to is ever read, and pages of room
    // never written to cost no memory.
    std::unique_ptr<char16_t[]> m_text;
    std::size_t m_size = 0; // characters in values
    std::size_t m_capacity = 0;
    std::vector<qsizetype> m_ends{0}; // value i is m_text from m_ends[i - 1] to m_ends[i]
};

// Walks a table row by row from value 1. The first row is always read (an empty table or a
// partial last row therefore throws), and the walk goes on while the next row starts within
// Count(). `visit(row, start)` returns false to stop early.
template <typename Visit> void scanRows(const LibraryTable& table, int width, Visit&& visit)
{
    int start = 1;
    do {
        const LibraryTable::Row row = table.row(start, width);
        const int rowStart = start;
        start += width;
        if (!visit(row, rowStart))
            return;
    } while (start <= table.Count());
}

// The seven tables, selected by the exact, case-sensitive record name.
struct VendorLibrary
{
    LibraryTable channel;
    LibraryTable exportVersion;
    LibraryTable panelStrip;
    LibraryTable panelStripTerm;
    LibraryTable stripConfig;
    LibraryTable stripConfigTerm;
    LibraryTable terminalColors;

    // nullptr for a record name the program does not keep.
    LibraryTable* table(QStringView recordName);
};

// Row widths of the library files.
inline constexpr int StripConfigWidth = 36;
inline constexpr int StripConfigTermWidth = 22;
inline constexpr int TerminalColorWidth = 6;
inline constexpr int PanelStripWidth = 94;
inline constexpr int ChannelWidth = 67;
inline constexpr int PanelStripTermWidth = 69;

} // namespace tarnwell::library
