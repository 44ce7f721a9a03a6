#include "support/SampleLibrary.h"

#include "library/LibraryPacker.h"
#include "library/LibraryParser.h"
#include "status/StatusLog.h"

#include <QFile>

#include <stdexcept>

namespace tarnwell::testing {

QString sampleLibraryFolder()
{
    return QStringLiteral(TARNWELL_SOURCE_DIR "/data/sample-library");
}

const library::VendorLibrary& sampleLibrary()
{
    static const library::VendorLibrary tables = [] {
        library::VendorLibrary result;
        status::StatusLog status;
        library::LibraryParser parser(result, status);
        for (const library::LibraryFile& file :
             library::collectLibraryFolder(sampleLibraryFolder())) {
            QFile in(file.path);
            if (!in.open(QIODevice::ReadOnly))
                throw std::runtime_error("cannot read " + file.path.toStdString());
            const QByteArray content = in.readAll();
            parser.feed(
                library::recordHeader(file.name, static_cast<std::uint32_t>(content.size())));
            parser.feed(content);
        }
        parser.finish();
        return result;
    }();
    return tables;
}

} // namespace tarnwell::testing
