#include "library/VendorLibrary.h"

#include "library/Windows1252.h"
#include "status/Failure.h"

#include <algorithm>

namespace tarnwell::library {

namespace {
const QString SubscriptOutOfRange = QStringLiteral("Subscript out of range");
}

QStringView LibraryTable::view(int i) const
{
    if (i < 0 || i > Count())
        throw Failure(SubscriptOutOfRange);
    if (i == 0)
        return {};
    const qsizetype begin = m_ends[static_cast<std::size_t>(i) - 1];
    return QStringView(m_text.data() + begin, m_ends[static_cast<std::size_t>(i)] - begin);
}

void LibraryTable::append(QStringView value)
{
    m_text.insert(m_text.end(), value.utf16(), value.utf16() + value.size());
    m_ends.push_back(static_cast<qsizetype>(m_text.size()));
}

void LibraryTable::reserveMore(qsizetype characters)
{
    // A damaged length must not make the program ask for gigabytes up front; past this the
    // text simply grows as it is read.
    constexpr qsizetype Largest = qsizetype(1) << 24;
    m_text.reserve(m_text.size() + static_cast<std::size_t>(std::min(characters, Largest)));
}

void LibraryTable::appendWindows1252(QByteArrayView bytes)
{
    // Most library text is ASCII, which is its own code; only the rest goes through the table.
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        m_text.push_back(code < 0x80 ? char16_t(code) : decodeWindows1252Byte(code));
    }
    m_ends.push_back(static_cast<qsizetype>(m_text.size()));
}

LibraryTable::Row LibraryTable::row(int start, int width) const
{
    if (start < 1 || width < 0 || start + width - 1 > Count())
        throw Failure(SubscriptOutOfRange);
    Row values;
    values.reserve(width);
    for (int i = start; i < start + width; ++i)
        values.append(view(i).toString());
    return values;
}

LibraryTable* VendorLibrary::table(QStringView recordName)
{
    struct Entry
    {
        QStringView name;
        LibraryTable VendorLibrary::*table;
    };
    static const Entry entries[] = {
        {u"Channel", &VendorLibrary::channel},
        {u"ExportVersion", &VendorLibrary::exportVersion},
        {u"PanelStrip", &VendorLibrary::panelStrip},
        {u"PanelStripTerm", &VendorLibrary::panelStripTerm},
        {u"StripConfig", &VendorLibrary::stripConfig},
        {u"StripConfigTerm", &VendorLibrary::stripConfigTerm},
        {u"TerminalColors", &VendorLibrary::terminalColors},
    };
    for (const Entry& entry : entries) {
        if (entry.name == recordName)
            return &(this->*entry.table);
    }
    return nullptr;
}

} // namespace tarnwell::library
