#include "support/PackedProgram.h"

#include "library/LibraryPacker.h"
#include "support/SampleLibrary.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace tarnwell::testing {

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

const PackedProgram& PackedProgram::sample()
{
    static const PackedProgram packed;
    return packed;
}

PackedProgram::PackedProgram()
{
    pack(sampleLibraryFolder());
}

PackedProgram::PackedProgram(const std::map<QString, QByteArray>& files)
{
    const QString folder = m_dir.filePath(QStringLiteral("library"));
    QDir().mkpath(folder);
    for (const auto& [name, content] : files)
        writeFile(folder + QLatin1Char('/') + name, content);
    pack(folder);
}

void PackedProgram::pack(const QString& libraryFolder)
{
    m_stub = m_dir.filePath(QStringLiteral("stub"));
    writeFile(m_stub, QByteArray("an executable image, not read by the library reader\n"));
    m_path = m_dir.filePath(QStringLiteral("tarnwell"));
    library::packExecutable(m_stub, library::collectLibraryFolder(libraryFolder), m_path);
}

} // namespace tarnwell::testing
