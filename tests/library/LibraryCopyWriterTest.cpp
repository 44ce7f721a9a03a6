#include "LibraryTestSupport.h"

#include "library/LibraryPacker.h"
#include "pack/LibraryCopyWriter.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarnwell::library;
using namespace tarnwell::library::test;

namespace {
// Parses `stream` in pieces of `piece` bytes (0: all at once), writing copies to `folder`.
void parseWritingCopies(Parsed& parsed, QByteArrayView stream, qsizetype piece,
                        const QString& folder)
{
    LibraryCopyWriter copies(folder, parsed.status.log);
    ParserOptions options;
    options.recordSink = &copies;
    parseInto(parsed, stream, piece, options);
}
} // namespace

TEST(LibraryCopies, ReproduceEveryFileByteForByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto files = sampleLibraryFiles();
    Parsed parsed;
    parseWritingCopies(parsed, payloadOf(files), 128, dir.path());
    for (const auto& [name, content] : files) {
        const QString copy = dir.filePath(QString::fromLatin1(name) + "_Copy_.txt");
        EXPECT_EQ(readFile(copy), content) << name.toStdString();
    }
}

TEST(LibraryCopies, ReplaceAnEarlierLongerCopyAndLeaveOutStrayLineFeeds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("StripConfig_Copy_.txt");
    ASSERT_TRUE(writeFile(copy, QByteArray(100, '#')));
    Parsed parsed;
    parseWritingCopies(parsed, record("StripConfig", "a\nb,c\r\n"), 1, dir.path());
    EXPECT_EQ(readFile(copy), QByteArray("ab,c\r\n"));
}

TEST(LibraryCopies, ReadOnlyCopyIsKeptAndReadingGoesOn)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("StripConfig_Copy_.txt");
    ASSERT_TRUE(writeFile(copy, "old"));
    ASSERT_TRUE(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    Parsed parsed;
    parseWritingCopies(parsed, record("StripConfig", "new,values") + record("Channel", "c"), 0,
                       dir.path());

    EXPECT_EQ(readFile(copy), QByteArray("old"));
    EXPECT_EQ(valuesOf(parsed.library.stripConfig), QStringList({"new", "values"}));
    EXPECT_EQ(readFile(dir.filePath("Channel_Copy_.txt")), QByteArray("c"));
    EXPECT_EQ(
        parsed.status.messages,
        QStringList(
            {"Reading StripConfig",
             "Could not delete \"" + QDir::toNativeSeparators(copy) + "\" (Permission denied)",
             "Could not open StripConfig_Copy_.txt (Permission denied)",
             "Could not write StripConfig_Copy_.txt (the file is not open)", "Reading Channel"}));
}

TEST(LibraryCopies, NamesThatLeaveTheFolderAreNotWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString inner = dir.filePath("copies");
    ASSERT_TRUE(QDir().mkpath(inner));
    Parsed parsed;
    parseWritingCopies(parsed, record("../escape", "x") + record("StripConfig", "y"), 0, inner);
    EXPECT_FALSE(QFile::exists(dir.filePath("escape_Copy_.txt")));
    EXPECT_TRUE(parsed.status.messages.contains(
        "Could not open ../escape_Copy_.txt (the record name is not a plain file name)"));
    EXPECT_EQ(readFile(QDir(inner).filePath("StripConfig_Copy_.txt")), QByteArray("y"));
}

TEST(LibraryCopies, CopyModeWritesBesideTheProgramUnlessToldOtherwise)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("tarnwell");
    ASSERT_TRUE(
        writeFile(path, "program image" + encipherLibrary(record("StripConfig", "a,b\r\n"))));
    VendorLibrary library;
    StatusCapture status;
    ASSERT_TRUE(readLibraryWritingCopies(path, QString(), library, status.log).ok());
    EXPECT_EQ(readFile(dir.filePath("StripConfig_Copy_.txt")), QByteArray("a,b\r\n"));
}

TEST(DeleteFileIfExists, DeletesOnlyExistingWritableFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    tarnwell::status::PendingMessages pending;

    EXPECT_TRUE(DeleteFileIfExists(dir.filePath("missing"), pending));
    const QString writable = dir.filePath("writable");
    ASSERT_TRUE(writeFile(writable, "w"));
    EXPECT_TRUE(DeleteFileIfExists(writable, pending));
    EXPECT_FALSE(QFile::exists(writable));
    EXPECT_TRUE(pending.isEmpty());

    const QString readOnly = dir.filePath("read-only");
    ASSERT_TRUE(writeFile(readOnly, "r"));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
    EXPECT_FALSE(DeleteFileIfExists(readOnly, pending));
    EXPECT_TRUE(QFile::exists(readOnly));
    EXPECT_EQ(pending.items(),
              QStringList({"Could not delete \"" + QDir::toNativeSeparators(readOnly) +
                           "\" (Permission denied)"}));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
