#pragma once

#include <QString>
#include <QTemporaryDir>

#include <map>

namespace tarnwell::testing {

// A program file with a library appended, as the build makes one, in a folder of its own.
class PackedProgram
{
public:
    // The sample library.
    PackedProgram();
    // One program with the sample library for the whole test process, made on first use.
    static const PackedProgram& sample();
    // A library made of these files (name -> content).
    explicit PackedProgram(const std::map<QString, QByteArray>& files);

    QString path() const { return m_path; }
    // The same program without any library.
    QString unpackedPath() const { return m_stub; }

private:
    void pack(const QString& libraryFolder);

    QTemporaryDir m_dir;
    QString m_stub;
    QString m_path;
};

} // namespace tarnwell::testing
