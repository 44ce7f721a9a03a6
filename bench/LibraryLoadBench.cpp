// How long reading the library takes, status display included. Prints its figures; asserts
// nothing.
//
//   tarnwell-bench-library-load [LIBRARY_FOLDER] [REPEATS]

#include "library/LibraryPacker.h"
#include "library/LibraryReader.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace tarnwell;

QByteArray record(const QByteArray& name, const QByteArray& content)
{
    return library::recordHeader(name, static_cast<std::uint32_t>(content.size())) + content;
}

QByteArray payloadOfFolder(const QString& folder)
{
    QByteArray first;
    QByteArray rest;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = record(info.fileName().toLatin1(), file.readAll());
        (info.fileName() == QLatin1String("ExportVersion") ? first : rest) += bytes;
    }
    return first + rest;
}

// A library of the sample's shape, `rows` rows per table.
QByteArray generatedPayload(int rows)
{
    const auto table = [rows](int width) {
        QByteArray text;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < width; ++c)
                text += (c ? "," : "") + QByteArray::number(r * 1000 + c) + " text";
            text += "\r\n";
        }
        return text;
    };
    return record("ExportVersion", "3.0\r\n") + record("Channel", table(library::ChannelWidth)) +
           record("PanelStrip", table(library::PanelStripWidth)) +
           record("PanelStripTerm", table(library::PanelStripTermWidth)) +
           record("StripConfig", table(library::StripConfigWidth)) +
           record("StripConfigTerm", table(library::StripConfigTermWidth)) +
           record("TerminalColors", table(library::TerminalColorWidth));
}

double msPerLoad(const QString& program, int repeats, QLabel& label)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i) {
        status::StatusLog status;
        status.setDisplay([&label](const QString& caption) { label.setText(caption); });
        library::VendorLibrary vendorLibrary;
        if (!library::ReadLibrary(program, vendorLibrary, status)) {
            std::fprintf(stderr, "the library could not be read\n");
            std::exit(1);
        }
    }
    return double(timer.nsecsElapsed()) / 1e6 / repeats;
}

void report(const char* title, const QString& program, qint64 payloadBytes, int repeats,
            QLabel& label)
{
    std::printf("%s: %lld payload bytes, %d loads each\n", title,
                static_cast<long long>(payloadBytes), repeats);
    msPerLoad(program, 1, label); // warm-up: caches
    std::printf("  read, decipher and parse     %9.2f ms per load\n",
                msPerLoad(program, repeats, label));
}

QString writeProgram(const QTemporaryDir& dir, const QString& name, const QByteArray& payload)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QByteArray(4096, '\x90') + library::encipherLibrary(payload)) < 0) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        std::exit(1);
    }
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString folder = args.size() > 1 && !args[1].isEmpty()
                               ? args[1]
                               : QStringLiteral(TARNWELL_SOURCE_DIR "/data/sample-library");
    const int repeats = args.size() > 2 ? args[2].toInt() : 20;

    // A window that repaints on every status line, as the program's does.
    QLabel label;
    label.resize(800, 200);
    label.show();

    QTemporaryDir dir;
    QByteArray sample = payloadOfFolder(folder);
    const char* sampleTitle = "sample library";
    if (sample.isEmpty()) {
        sample = generatedPayload(20);
        sampleTitle = "generated stand-in for the sample library";
    }
    report(sampleTitle, writeProgram(dir, "sample", sample), sample.size(), repeats, label);

    const QByteArray large = generatedPayload(1000);
    report("generated library, 1000 rows per table", writeProgram(dir, "large", large),
           large.size(), std::max(1, repeats / 10), label);
    return 0;
}
