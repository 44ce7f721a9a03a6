#include "pack/LibraryCopyWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tarnwell::library {

namespace {
const QString PermissionDenied = QStringLiteral("Permission denied");

QString displayPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Windows marks a file read-only with an attribute; elsewhere the owner's write bit stands for
// it. The permission bits are asked, not access(): to a superuser every file looks writable.
bool isReadOnly(const QFileInfo& info)
{
    return !info.permission(QFileDevice::WriteOwner);
}

// A record name becomes part of a file name; one that could climb out of the copy folder or name
// a drive is never used as a path.
bool isPlainFileName(const QString& name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QLatin1Char(':')) && !name.contains(QChar(0));
}
} // namespace

bool DeleteFileIfExists(const QString& path, status::PendingMessages& pending)
{
    const QFileInfo info(path);
    // A dangling link does not "exist" but must still go, or the copy would be written through it.
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir())
        return true; // not a file: the open that follows reports it

    QString description;
    if (!info.isSymLink() && isReadOnly(info)) {
        description = PermissionDenied;
    } else {
        QFile file(path);
        if (file.remove())
            return true;
        description = file.errorString();
    }
    pending.add(QStringLiteral("Could not delete \"") + displayPath(path) + QStringLiteral("\" (") +
                description + QLatin1Char(')'));
    return false;
}

QString copyFileName(const QString& recordName)
{
    return recordName + QStringLiteral("_Copy_") + QStringLiteral(".txt");
}

LibraryCopyWriter::LibraryCopyWriter(QString folder, status::StatusLog& status)
    : m_folder(std::move(folder)), m_status(status)
{}

LibraryCopyWriter::~LibraryCopyWriter() = default;

// The record before ends where this one begins: its copy is closed first.
void LibraryCopyWriter::recordBegins(const QString& name)
{
    close();
    m_copyName = copyFileName(name);
    m_writeReported = false;
    m_copy = std::make_unique<QFile>();

    QString description;
    if (!isPlainFileName(name)) {
        description = QStringLiteral("the record name is not a plain file name");
    } else {
        const QString path = QDir(m_folder).filePath(m_copyName);
        DeleteFileIfExists(path, m_status.pendingMessages());
        m_status.FlushPendingMessages();

        m_copy->setFileName(path);
        const QFileInfo info(path);
        if (info.exists() && !info.isDir() && isReadOnly(info))
            description = PermissionDenied;
        else if (!m_copy->open(QIODevice::WriteOnly | QIODevice::Truncate))
            description = m_copy->errorString();
    }
    if (!description.isEmpty()) {
        m_status.ShowStatus(QStringLiteral("Could not open ") + m_copyName + QStringLiteral(" (") +
                            description + QLatin1Char(')'));
    }
}

void LibraryCopyWriter::content(QByteArrayView bytes)
{
    if (!m_copy || bytes.isEmpty())
        return;
    if (!m_copy->isOpen()) {
        reportWriteFailure(QStringLiteral("the file is not open"));
        return;
    }
    if (m_copy->write(bytes.data(), bytes.size()) != bytes.size())
        reportWriteFailure(m_copy->errorString());
}

void LibraryCopyWriter::streamEnds()
{
    close();
}

void LibraryCopyWriter::close()
{
    if (!m_copy)
        return;
    if (m_copy->isOpen()) {
        if (!m_copy->flush())
            reportWriteFailure(m_copy->errorString());
        m_copy->close();
    }
    m_copy.reset();
}

// One line per copy file: a full disk would otherwise repeat the same line for every value.
void LibraryCopyWriter::reportWriteFailure(const QString& description)
{
    if (m_writeReported)
        return;
    m_writeReported = true;
    m_status.ShowStatus(QStringLiteral("Could not write ") + m_copyName + QStringLiteral(" (") +
                        description + QLatin1Char(')'));
}

ReadOutcome readLibraryWritingCopies(const QString& programPath, const QString& folder,
                                     VendorLibrary& library, status::StatusLog& status,
                                     ParserOptions options)
{
    LibraryCopyWriter copies(folder.isEmpty() ? QFileInfo(programPath).absolutePath() : folder,
                             status);
    options.recordSink = &copies;
    return ReadLibrary(programPath, library, status, std::move(options));
}

} // namespace tarnwell::library
