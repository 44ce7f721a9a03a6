// How long reading the library takes when the window handles its pending events after every
// parser step, against handling them at a bounded interval. Prints its figures; asserts nothing.
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

struct Figures
{
    double msPerLoad = 0;
    qint64 yields = 0;
};

Figures measure(const QString& program, int intervalMs, bool yielding, int repeats, QLabel& label)
{
    Figures figures;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i) {
        status::StatusLog status;
        status.setDisplay([&label](const QString& caption) { label.setText(caption); });
        status.setPump([] { QCoreApplication::processEvents(); });
        library::VendorLibrary vendorLibrary;
        library::ReadOptions options;
        if (yielding) {
            options.yield = [&figures] {
                ++figures.yields;
                QCoreApplication::processEvents();
            };
        }
        options.yieldIntervalMs = intervalMs;
        if (!library::ReadLibrary(program, vendorLibrary, status, options)) {
            std::fprintf(stderr, "the library could not be read\n");
            std::exit(1);
        }
    }
    figures.msPerLoad = double(timer.nsecsElapsed()) / 1e6 / repeats;
    figures.yields /= repeats;
    return figures;
}

void report(const char* title, const QString& program, qint64 payloadBytes, int repeats,
            QLabel& label)
{
    std::printf("%s: %lld payload bytes, %d loads each\n", title,
                static_cast<long long>(payloadBytes), repeats);
    measure(program, 0, false, 1, label); // warm-up: first paint, fonts, caches
    const Figures none = measure(program, 0, false, repeats, label);
    const Figures everyStep = measure(program, 0, true, repeats, label);
    const Figures bounded = measure(program, library::DefaultYieldIntervalMs, true, repeats, label);
    std::printf("  no yield                     %9.2f ms per load\n", none.msPerLoad);
    std::printf("  yield after every step       %9.2f ms per load  (%lld yields)\n",
                everyStep.msPerLoad, static_cast<long long>(everyStep.yields));
    std::printf("  yield at most every %2d ms    %9.2f ms per load  (%lld yields)\n",
                library::DefaultYieldIntervalMs, bounded.msPerLoad,
                static_cast<long long>(bounded.yields));
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
