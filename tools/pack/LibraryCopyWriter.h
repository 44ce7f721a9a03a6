#pragma once

#include "library/LibraryParser.h"
#include "library/LibraryReader.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

class QFile;

namespace tarnwell::library {

// Deletes `path` if it exists and is not read-only. A failure never reaches the caller: it is
// queued in `pending` as "Could not delete "<path>" (<description>)", and false is returned.
bool DeleteFileIfExists(const QString& path, status::PendingMessages& pending);

// The name a record's copy is written under.
QString copyFileName(const QString& recordName);

// Writes each record of a library being read to `folder` as NAME_Copy_.txt, replacing an
// earlier copy: the library files back, byte for byte but for stray line feeds. A copy that
// cannot be deleted, opened or written is reported on the status display and the read goes on.
class LibraryCopyWriter final : public RecordSink
{
public:
    LibraryCopyWriter(QString folder, status::StatusLog& status);
    ~LibraryCopyWriter() override;

    LibraryCopyWriter(const LibraryCopyWriter&) = delete;
    LibraryCopyWriter& operator=(const LibraryCopyWriter&) = delete;

    void recordBegins(const QString& name) override;
    void content(QByteArrayView bytes) override;
    void streamEnds() override;

private:
    void close();
    void reportWriteFailure(const QString& description);

    QString m_folder;
    status::StatusLog& m_status;
    std::unique_ptr<QFile> m_copy;
    QString m_copyName;
    bool m_writeReported = false;
};

// ReadLibrary with every record also written by a LibraryCopyWriter to `folder`, or beside the
// program file when `folder` is empty.
ReadOutcome readLibraryWritingCopies(const QString& programPath, const QString& folder,
                                     VendorLibrary& library, status::StatusLog& status,
                                     ParserOptions options = {});

} // namespace tarnwell::library
