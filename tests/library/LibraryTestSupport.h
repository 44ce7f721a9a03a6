#pragma once

#include "library/LibraryParser.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <map>
#include <utility>
#include <vector>

namespace tarnwell::library::test {

// One record of the deciphered stream, its length taken from the content.
QByteArray record(QByteArrayView name, QByteArrayView content);

// The status messages written so far, without their time stamps.
class StatusCapture
{
public:
    StatusCapture();
    status::StatusLog log;
    QStringList messages;
};

// What a parse left behind: the tables, the status lines and each record with its value count.
struct Parsed
{
    VendorLibrary library;
    StatusCapture status;
    std::vector<std::pair<QString, int>> records;
};

// Feeds `stream` to a parser in pieces of `piece` bytes (0: all at once), then finishes it.
void parseInto(Parsed& parsed, QByteArrayView stream, qsizetype piece = 0,
               ParserOptions options = {});

// Every table of a library by record name, for comparing whole libraries at once.
std::map<QString, QStringList> tablesOf(VendorLibrary& library);
QStringList valuesOf(const LibraryTable& table);

// Library files written by the test itself: every table with a few rows, CR LF line ends,
// Windows-1252 text with µ, ° and é, blanks around some values and an empty value.
std::map<QByteArray, QByteArray> generatedLibraryFiles();

// The files of data/sample-library when it holds any, else generatedLibraryFiles().
std::map<QByteArray, QByteArray> sampleLibraryFiles();

// The deciphered stream of `files` in packing order.
QByteArray payloadOf(const std::map<QByteArray, QByteArray>& files);

bool writeFile(const QString& path, QByteArrayView bytes);
QByteArray readFile(const QString& path);

} // namespace tarnwell::library::test
