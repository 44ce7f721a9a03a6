#include "LibraryTestSupport.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarnwell::library::test;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun pack(const QStringList& arguments)
{
    QProcess process;
    // Read as text: on Windows the tool ends its lines as Windows does, CR LF.
    process.start(QStringLiteral(TARNWELL_PACK_TOOL), arguments,
                  QIODevice::ReadWrite | QIODevice::Text);
    ToolRun run;
    if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

class PackTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_executable = path("program");
        ASSERT_TRUE(writeFile(m_executable, QByteArray("#!/bin/sh\nexit 0\n")));
        ASSERT_TRUE(QFile::setPermissions(m_executable, QFile::permissions(m_executable) |
                                                            QFileDevice::ExeOwner));
        m_library = path("library");
        ASSERT_TRUE(QDir().mkpath(m_library));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void addFiles(const std::map<QByteArray, QByteArray>& files)
    {
        for (const auto& [name, content] : files)
            ASSERT_TRUE(writeFile(QDir(m_library).filePath(QString::fromLatin1(name)), content));
    }

    QTemporaryDir m_dir;
    QString m_executable;
    QString m_library;
};

} // namespace

TEST_F(PackTool, PackedLibraryUnpacksToTheSameFiles)
{
    const auto files = sampleLibraryFiles();
    addFiles(files);
    ASSERT_TRUE(writeFile(QDir(m_library).filePath(".hidden"), "not packed"));
    const QString output = path("packed");

    const ToolRun packed = pack({"pack", m_executable, m_library, output});
    ASSERT_EQ(packed.exitCode, 0) << packed.err.toStdString();
    const QByteArray image = readFile(output);
    EXPECT_TRUE(image.startsWith(readFile(m_executable)));
    EXPECT_EQ(image.size() - readFile(m_executable).size(), payloadOf(files).size() + 4);
#ifndef Q_OS_WIN
    // Windows has no permission to execute: a file is a program by its name.
    EXPECT_TRUE(QFile::permissions(output) & QFileDevice::ExeOwner);
#endif

    const QString copies = path("copies");
    const ToolRun unpacked = pack({"unpack", output, copies});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err.toStdString();
    QStringList names;
    for (const QString& line : unpacked.out.split('\n', Qt::SkipEmptyParts))
        names.append(line.section('\t', 0, 0));
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.front(), QStringLiteral("ExportVersion"));
    QStringList rest = names.mid(1);
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(names.mid(1), rest) << "the others follow by name";
    EXPECT_EQ(names.size(), static_cast<qsizetype>(files.size()));
    EXPECT_FALSE(names.contains(".hidden"));

    for (const auto& [name, content] : files) {
        EXPECT_EQ(readFile(QDir(copies).filePath(QString::fromLatin1(name) + "_Copy_.txt")),
                  content)
            << name.toStdString();
    }
}

TEST_F(PackTool, UnpackCountsValuesAndReportsFormatFaults)
{
    addFiles({{"ExportVersion", "3.0"}, {"StripConfig", "a,b\r\nc,d\r\n"}, {"Channel", "x\ny"}});
    ASSERT_EQ(pack({"pack", m_executable, m_library, path("packed")}).exitCode, 0);
    const ToolRun run = pack({"unpack", path("packed"), path("copies")});
    EXPECT_EQ(run.out, QStringLiteral("ExportVersion\t1\nChannel\t1\nStripConfig\t4\n"));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("linefeed not following carriage return"))
        << run.err.toStdString();
}

TEST_F(PackTool, BadInputFailsWithAMessage)
{
    addFiles({{"ExportVersion", "3.0"}});
    const QString output = path("out");
    const auto failsWith = [&](const QStringList& arguments, const char* text) {
        const ToolRun run = pack(arguments);
        EXPECT_NE(run.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_NE(run.exitCode, -1) << "crashed: " << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(text))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(output)) << arguments.join(' ').toStdString();
    };

    failsWith({"pack", path("absent"), m_library, output}, "does not exist");
    failsWith({"pack", m_executable, path("absent"), output}, "does not exist");
    failsWith({"pack", m_executable, m_library}, "Usage");
    failsWith({"unpack", m_executable, path("copies")}, "Error: Data is not available.");
    failsWith({"unpack", path("absent"), path("copies")}, "does not exist");
    failsWith({"frobnicate"}, "unknown command");
    failsWith({}, "Usage");

    ASSERT_TRUE(writeFile(QDir(m_library).filePath(QString::fromUtf8("Ω")), "x"));
    failsWith({"pack", m_executable, m_library, output}, "Windows-1252");
}

// Sparse files: nothing of their size is ever written or read.
TEST_F(PackTool, FilesAndLibrariesTooLargeForTheFormatAreRefused)
{
    addFiles({{"ExportVersion", "3.0"}});
    const QString output = path("out");
    QFile big(QDir(m_library).filePath("Big"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(1) << 31));
    big.close();
    ToolRun run = pack({"pack", m_executable, m_library, output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("too large")) << run.err.toStdString();

    ASSERT_TRUE(big.resize((qint64(1) << 30)));
    QFile other(QDir(m_library).filePath("Other"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    ASSERT_TRUE(other.resize(qint64(1) << 30));
    other.close();
    run = pack({"pack", m_executable, m_library, output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("would not fit")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(output));
}

TEST(PackToolHelp, ExplainsItsInterface)
{
    const ToolRun run = pack({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("tarnwell-pack pack EXECUTABLE LIBRARY_FOLDER OUTPUT"));
    EXPECT_TRUE(run.out.contains("tarnwell-pack unpack PACKED_EXECUTABLE OUTPUT_FOLDER"));
}
