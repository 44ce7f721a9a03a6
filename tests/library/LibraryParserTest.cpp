#include "LibraryTestSupport.h"

#include "library/LibraryParser.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tarnwell::library;
using namespace tarnwell::library::test;

namespace {

const QString LineFeedError =
    QStringLiteral("Error in data format: linefeed not following carriage return");
const QString CarriageReturnError =
    QStringLiteral("Error in data format: Expected linefeed after carriage return");

QStringList stripConfigOf(QByteArrayView content)
{
    Parsed parsed;
    parseInto(parsed, record("StripConfig", content));
    return valuesOf(parsed.library.stripConfig);
}

} // namespace

// The parser writes values in place; copies and moves must still own their text.
TEST(LibraryTable, CopiesAndMovesKeepTheirOwnValues)
{
    LibraryTable table;
    table.append(QStringLiteral("a"));
    table.appendWindows1252("caf\xE9");
    LibraryTable copy = table;
    copy.append(QStringLiteral("added")); // the copy has no room to spare: it grows
    EXPECT_EQ(valuesOf(table), QStringList({"a", QString::fromUtf8("café")}));
    EXPECT_EQ(valuesOf(copy), QStringList({"a", QString::fromUtf8("café"), "added"}));

    LibraryTable moved = std::move(copy);
    EXPECT_EQ(valuesOf(moved), QStringList({"a", QString::fromUtf8("café"), "added"}));
    EXPECT_EQ(copy.Count(), 0); // NOLINT(bugprone-use-after-move): left empty, and usable
    copy.append(QStringLiteral("again"));
    EXPECT_EQ(valuesOf(copy), QStringList({"again"}));

    table = moved;
    moved = std::move(copy);
    EXPECT_EQ(valuesOf(table), QStringList({"a", QString::fromUtf8("café"), "added"}));
    EXPECT_EQ(valuesOf(moved), QStringList({"again"}));
}

TEST(LibraryParser, SplitsValuesAtCommasAndLineEnds)
{
    EXPECT_EQ(stripConfigOf("a,,b"), QStringList({"a", "", "b"}));
    EXPECT_EQ(stripConfigOf("a,\r\n"), QStringList({"a", ""}));
    EXPECT_EQ(stripConfigOf("x\r\ny"), QStringList({"x", "y"}));
    EXPECT_EQ(stripConfigOf("  a b  ,   ,\tc\t"), QStringList({"a b", "", "\tc\t"}));
    EXPECT_EQ(stripConfigOf("12 \xB5"
                            "F,90\xB0,Caf\xE9"),
              QStringList({QString::fromUtf8("12 µF"), QString::fromUtf8("90°"),
                           QString::fromUtf8("Café")}));
}

TEST(LibraryParser, LineEndFaultsAreReportedAndTheirBytesDropped)
{
    Parsed parsed;
    parseInto(parsed, record("StripConfig", "a\nb,c\rzd"));
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"ab", "c", "d"}));
    EXPECT_EQ(parsed.status.messages,
              QStringList({"Reading StripConfig", LineFeedError, CarriageReturnError}));
}

// The last byte of a record ends it: a CR there expects no LF, and the byte after it is the
// next record's length.
TEST(LibraryParser, RecordsEndExactlyAtTheirLength)
{
    Parsed parsed;
    parseInto(parsed, record("StripConfig", "a\r") + record("ExportVersion", "") +
                          record("TerminalColors", "t1,t2"));
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"a"}));
    EXPECT_EQ(parsed.library.exportVersion.Count(), 0);
    EXPECT_EQ(valuesOf(parsed.library.terminalColors), QStringList({"t1", "t2"}));
    EXPECT_EQ(parsed.status.messages, QStringList({"Reading StripConfig", "Reading ExportVersion",
                                                   "Reading TerminalColors"}));
}

TEST(LibraryParser, StrayLineFeedClosingARecordKeepsItsValueInThatRecord)
{
    Parsed parsed;
    parseInto(parsed, record("StripConfig", "a,b\n") + record("StripConfig", "c,\n") +
                          record("Channel", "x"));
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"a", "b", "c"}));
    EXPECT_EQ(valuesOf(parsed.library.channel), QStringList({"x"}));
    EXPECT_EQ(parsed.status.messages,
              QStringList({"Reading StripConfig", LineFeedError, "Reading StripConfig",
                           LineFeedError, "Reading Channel"}));
}

TEST(LibraryParser, RecordNamesSelectTablesExactly)
{
    Parsed parsed;
    parseInto(parsed, record("StripConfig", "1,2") + record("channel", "lower") +
                          record("Unknown", "u1,u2,u3") + record("", "nameless") +
                          record("StripConfig", "3"));
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"1", "2", "3"}));
    EXPECT_EQ(parsed.library.channel.Count(), 0);
    const std::vector<std::pair<QString, int>> records = {
        {"StripConfig", 2}, {"channel", 1}, {"Unknown", 3}, {"", 1}, {"StripConfig", 1}};
    EXPECT_EQ(parsed.records, records);
    EXPECT_EQ(parsed.status.messages.at(3), QStringLiteral("Reading "));
}

TEST(LibraryParser, WrongSeparatorsAreReportedAndReadAsTheSeparator)
{
    QByteArray stream = record("StripConfig", "v") + record("Channel", "w");
    stream[4] = 'X';                  // first blank of StripConfig
    stream[7 + 11] = ';';             // its colon
    stream[7 + 11 + 1 + 1 + 6] = '-'; // second blank of Channel
    Parsed parsed;
    parseInto(parsed, stream);
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"v"}));
    EXPECT_EQ(valuesOf(parsed.library.channel), QStringList({"w"}));
    EXPECT_EQ(parsed.status.messages,
              QStringList({"Error: expected data character ' '", "Reading StripConfig",
                           "Error: expected data character ':'",
                           "Error: expected data character ' '", "Reading Channel"}));
}

TEST(LibraryParser, PayloadEndingMidRecordKeepsOnlyCompletedValues)
{
    Parsed parsed;
    parseInto(parsed, QByteArrayView(record("StripConfig", "done,half")).chopped(2));
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"done"}));
    EXPECT_EQ(parsed.status.messages, QStringList({"Reading StripConfig"}));

    Parsed inLength;
    parseInto(inLength, record("StripConfig", "a") + QByteArray("\0\0", 2));
    EXPECT_EQ(valuesOf(inLength.library.stripConfig), QStringList({"a"}));
    EXPECT_EQ(inLength.status.messages, QStringList({"Reading StripConfig"}));
}

TEST(LibraryParser, DamagedRecordLengthStopsTheReadWithAMessage)
{
    QByteArray damaged = record("Channel", "lost");
    damaged[0] = '\x80';
    Parsed parsed;
    parseInto(parsed, record("StripConfig", "kept") + damaged + record("StripConfig", "lost"));
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"kept"}));
    EXPECT_EQ(parsed.library.channel.Count(), 0);
    // Over two lines, each narrow enough for the display.
    EXPECT_EQ(parsed.status.messages,
              QStringList({"Reading StripConfig",
                           "Error in data format: a record length of 2147483652 bytes is damaged;",
                           "the rest of the library is ignored"}));
}

TEST(LibraryParser, AFloodOfFormatErrorsIsCutShortWithACount)
{
    // 25 stray line feeds in one record, then a clean record: the first 20 errors are shown,
    // the rest are counted once the read is done.
    Parsed parsed;
    parseInto(parsed,
              record("StripConfig", "a" + QByteArray(25, '\n') + "b") + record("Channel", "c"));
    EXPECT_EQ(valuesOf(parsed.library.channel), QStringList({"c"}));
    const QStringList& shown = parsed.status.messages;
    ASSERT_EQ(shown.size(), 1 + 20 + 1 + 1);
    EXPECT_EQ(shown.count(LineFeedError), 20);
    EXPECT_EQ(shown.at(21), "Reading Channel");
    EXPECT_EQ(shown.last(), "Error in data format: 5 more errors in this library were not shown.");

    Parsed few;
    parseInto(few, record("StripConfig", "a" + QByteArray(20, '\n')));
    EXPECT_EQ(few.status.messages.count(LineFeedError), 20);
    EXPECT_FALSE(few.status.messages.last().contains("more errors"));
}

// However the stream is cut, tables, status lines and records come out the same.
TEST(LibraryParser, PiecesOfAnySizeParseAsTheWholeStream)
{
    QByteArray stream = payloadOf(sampleLibraryFiles());
    stream += record("StripConfig", "a\nb,c\rz,\r") + record("", "") + record("X", "1,2\n");
    Parsed whole;
    parseInto(whole, stream);
    ASSERT_GT(whole.library.stripConfig.Count(), 0);
    for (const qsizetype piece : {1, 3, 128}) {
        Parsed cut;
        parseInto(cut, stream, piece);
        EXPECT_EQ(tablesOf(cut.library), tablesOf(whole.library)) << "pieces of " << piece;
        EXPECT_EQ(cut.status.messages, whole.status.messages) << "pieces of " << piece;
        EXPECT_EQ(cut.records, whole.records) << "pieces of " << piece;
    }
}
