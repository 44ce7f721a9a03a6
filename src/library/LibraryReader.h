#pragma once

#include "library/LibraryParser.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QString>

class QIODevice;

namespace tarnwell::library {

// What a read came to. A failure carries the text of the message box the program ends with; the
// reader itself never shows one and never ends the program.
class ReadOutcome
{
public:
    static ReadOutcome success() { return ReadOutcome(QString()); }
    static ReadOutcome failure(QString message) { return ReadOutcome(std::move(message)); }

    bool ok() const { return m_message.isNull(); }
    explicit operator bool() const { return ok(); }
    const QString& message() const { return m_message; }

private:
    explicit ReadOutcome(QString message) : m_message(std::move(message)) {}
    QString m_message;
};

// The size of the pieces the payload is read, deciphered and parsed in.
inline constexpr int ReadPieceSize = 128;

// The file name a program goes by, rebuilt from the base name of `programPath`: ".exe" is added
// on Windows, where it is the executable's extension, and nothing elsewhere.
QString programFileName(const QString& programPath);

// The running program's own file: its folder and its name as rebuilt by programFileName, so that
// a renamed copy still finds the library appended to it.
QString ownProgramPath();

// Reads, deciphers and tabulates the library appended to the program file at `programPath`.
// Format faults inside the library go to `status`; only failures to reach the payload at all
// make the outcome a failure.
ReadOutcome ReadLibrary(const QString& programPath, VendorLibrary& library,
                        status::StatusLog& status, ParserOptions options = {});

// The same over an open, seekable device; `programPath` only names the file in messages.
ReadOutcome readLibraryFrom(QIODevice& device, const QString& programPath, VendorLibrary& library,
                            status::StatusLog& status, ParserOptions options = {});

} // namespace tarnwell::library
