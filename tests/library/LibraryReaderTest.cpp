#include "LibraryTestSupport.h"

#include "library/Keystream.h"
#include "library/LibraryPacker.h"
#include "library/LibraryReader.h"

#include "support/QtPrinters.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarnwell::library;
using namespace tarnwell::library::test;

namespace {

const QByteArray ProgramImage = QByteArrayLiteral("\x7F"
                                                  "ELF stand-in for the program image");

// A program file whose last four bytes decipher to `length`, with `payload` enciphered before
// them; the keystream runs length first, as the packer writes it.
QByteArray programWithLength(quint32 length, QByteArrayView payload = {})
{
    QByteArray trailer(4, Qt::Uninitialized);
    trailer[0] = static_cast<char>(length >> 24);
    trailer[1] = static_cast<char>(length >> 16);
    trailer[2] = static_cast<char>(length >> 8);
    trailer[3] = static_cast<char>(length);
    Keystream keystream;
    keystream.apply(trailer);
    return ProgramImage + ApplyKeystream(keystream, payload) + trailer;
}

class ProgramFile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString write(QByteArrayView bytes, const QString& name = QStringLiteral("tarnwell"))
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }

    ReadOutcome read(const QString& path) { return ReadLibrary(path, m_library, m_status.log); }

    QTemporaryDir m_dir;
    VendorLibrary m_library;
    StatusCapture m_status;
};

// Records the size of every read the reader asks for.
class RecordingBuffer : public QBuffer
{
public:
    using QBuffer::QBuffer;
    std::vector<qint64> reads;

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        reads.push_back(maxSize);
        return QBuffer::readData(data, maxSize);
    }
};

} // namespace

TEST_F(ProgramFile, ReadsBackWhatThePackerAppended)
{
    const auto files = sampleLibraryFiles();
    const QString path = write(ProgramImage + encipherLibrary(payloadOf(files)));

    ASSERT_TRUE(read(path).ok());
    // The files' own values, read here without the program's parser: every line a row, every
    // comma a separator, each value trimmed; the sample's bytes above 127 are the same in
    // Windows-1252 and Latin-1.
    std::map<QString, QStringList> expected;
    for (const auto& [name, content] : files) {
        QStringList& values = expected[QString::fromLatin1(name)];
        for (const QByteArray& line : content.split('\n')) {
            if (line.isEmpty())
                continue;
            for (const QByteArray& value : line.chopped(line.endsWith('\r') ? 1 : 0).split(','))
                values.append(QString::fromLatin1(value).trimmed());
        }
    }
    EXPECT_EQ(tablesOf(m_library), expected);
    EXPECT_EQ(m_library.exportVersion.value(1), QStringLiteral("3.0"));
    EXPECT_TRUE(m_status.messages.contains(QStringLiteral("Reading StripConfig")));
}

TEST_F(ProgramFile, KeystreamOrderIsLengthFirst)
{
    const QByteArray payload = record("ExportVersion", "3.0");
    QByteArray trailer(4, '\0');
    trailer[3] = static_cast<char>(payload.size() + 4);
    Keystream keystream; // payload enciphered first: the wrong order
    QByteArray wrong = ApplyKeystream(keystream, payload);
    wrong += ApplyKeystream(keystream, trailer);

    const ReadOutcome outcome = read(write(ProgramImage + wrong));
    EXPECT_FALSE(outcome.ok() && m_library.exportVersion.Count() == 1 &&
                 m_library.exportVersion.value(1) == QStringLiteral("3.0"));
}

TEST_F(ProgramFile, MissingOrDamagedLibraryNamesTheProgramToReplace)
{
    const QString path = write(programWithLength(0x80000000u), QStringLiteral("tarnwell-3.0"));
    const ReadOutcome outcome = read(path);
    ASSERT_FALSE(outcome.ok());
#ifdef Q_OS_WIN
    const QString expectedName = QStringLiteral("tarnwell-3.exe");
#else
    const QString expectedName = QStringLiteral("tarnwell-3.0");
#endif
    EXPECT_EQ(outcome.message(),
              QStringLiteral("Error: Data is not available. Please obtain a new ") + expectedName);
    EXPECT_TRUE(m_status.messages.isEmpty());
}

TEST_F(ProgramFile, LengthsBeyondTheFileOrFileTooShortCannotBeRead)
{
    const QByteArray program = programWithLength(0);
    const QString beyond = write(programWithLength(program.size() + 1), QStringLiteral("beyond"));
    const ReadOutcome tooLong = read(beyond);
    ASSERT_FALSE(tooLong.ok());
    EXPECT_TRUE(
        tooLong.message().startsWith("Could not read " + QDir::toNativeSeparators(beyond) + " ("))
        << tooLong.message().toStdString();

    const QString tiny = write("abc", QStringLiteral("tiny"));
    EXPECT_TRUE(read(tiny).message().startsWith("Could not read "));

    // The largest length that still fits must fail cleanly as well, not allocate or hang.
    EXPECT_FALSE(read(write(programWithLength(0x7FFFFFFFu), QStringLiteral("huge"))).ok());
}

TEST_F(ProgramFile, MissingFileCannotBeOpened)
{
    const QString path = m_dir.filePath("absent");
    const ReadOutcome outcome = read(path);
    ASSERT_FALSE(outcome.ok());
    EXPECT_TRUE(
        outcome.message().startsWith("Could not open " + QDir::toNativeSeparators(path) + " ("));
    EXPECT_TRUE(outcome.message().endsWith(')'));
}

TEST_F(ProgramFile, LengthOfFourOrLessReadsNothing)
{
    for (const quint32 length : {0u, 3u, 4u}) {
        const ReadOutcome outcome = read(write(programWithLength(length)));
        EXPECT_TRUE(outcome.ok()) << length;
    }
    VendorLibrary empty;
    EXPECT_EQ(tablesOf(m_library), tablesOf(empty));
    EXPECT_TRUE(m_status.messages.isEmpty());
}

TEST(LibraryReader, ReadsThePayloadIn128BytePieces)
{
    QByteArray payload = record("StripConfig", QByteArray(108, 'v') + ",w");
    ASSERT_EQ(payload.size(), 129);
    RecordingBuffer device;
    device.setData(ProgramImage + encipherLibrary(payload));
    ASSERT_TRUE(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));

    VendorLibrary library;
    StatusCapture status;
    ASSERT_TRUE(readLibraryFrom(device, "program", library, status.log).ok());
    EXPECT_EQ(device.reads, (std::vector<qint64>{4, 128, 1}));
    EXPECT_EQ(valuesOf(library.stripConfig), QStringList({QString(108, 'v'), "w"}));
}

TEST(LibraryReader, ProgramPathIsRebuiltFromTheRunningProgram)
{
    const QFileInfo running(QCoreApplication::applicationFilePath());
    EXPECT_EQ(QFileInfo(ownProgramPath()).absolutePath(), running.absolutePath());
#ifdef Q_OS_WIN
    EXPECT_EQ(programFileName("C:/x/Renamed.copy.exe"), QStringLiteral("Renamed.copy.exe"));
    EXPECT_EQ(programFileName("C:/x/tarnwell"), QStringLiteral("tarnwell.exe"));
#else
    EXPECT_EQ(QFileInfo(ownProgramPath()).fileName(), running.fileName());
    EXPECT_EQ(programFileName("/x/renamed-copy.bin"), QStringLiteral("renamed-copy.bin"));
#endif
}
