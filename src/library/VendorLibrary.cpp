#include "library/VendorLibrary.h"

#include "status/Failure.h"

#include <algorithm>
#include <utility>

namespace tarnwell::library {

namespace {
const QString SubscriptOutOfRange = QStringLiteral("Subscript out of range");
}

LibraryTable::LibraryTable(const LibraryTable& other)
    : m_text(other.m_size ? new char16_t[other.m_size] : nullptr), m_size(other.m_size),
      m_capacity(other.m_size), m_ends(other.m_ends)
{
    std::copy_n(other.m_text.get(), other.m_size, m_text.get());
}

LibraryTable::LibraryTable(LibraryTable&& other)
    : m_text(std::move(other.m_text)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)),
      m_ends(std::exchange(other.m_ends, std::vector<qsizetype>{0}))
{}

LibraryTable& LibraryTable::operator=(const LibraryTable& other)
{
    if (this != &other)
        *this = LibraryTable(other);
    return *this;
}

LibraryTable& LibraryTable::operator=(LibraryTable&& other)
{
    if (this != &other) {
        m_text = std::move(other.m_text);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_ends = std::exchange(other.m_ends, std::vector<qsizetype>{0});
    }
    return *this;
}

QStringView LibraryTable::view(int i) const
{
    if (i < 0 || i > Count())
        throw Failure(SubscriptOutOfRange);
    if (i == 0)
        return {};
    const qsizetype begin = m_ends[static_cast<std::size_t>(i) - 1];
    return QStringView(m_text.get() + begin, m_ends[static_cast<std::size_t>(i)] - begin);
}

void LibraryTable::append(QStringView value)
{
    char16_t* out = valueRoom(value.size());
    endValue(std::copy_n(value.utf16(), value.size(), out));
}

void LibraryTable::grow(std::size_t more)
{
    // At least half again as much: a table that several records fill, or that is filled value
    // by value, is then moved only a few times.
    const std::size_t capacity = std::max(m_size + more, m_capacity + m_capacity / 2);
    std::unique_ptr<char16_t[]> text(new char16_t[capacity]);
    std::copy_n(m_text.get(), m_size, text.get());
    m_text = std::move(text);
    m_capacity = capacity;
}

void LibraryTable::reserveMore(qsizetype characters)
{
    // A damaged length must not make the program ask for gigabytes up front; past this the
    // text simply grows as it is read.
    constexpr qsizetype Largest = qsizetype(1) << 24;
    const auto more = static_cast<std::size_t>(std::min(characters, Largest));
    if (m_size + more > m_capacity)
        grow(more);
    // Values are a few bytes long with their separator: room for one per two bytes saves most
    // of the moves of the ends, and room never written to costs no memory.
    if (m_ends.size() + more / 2 > m_ends.capacity())
        m_ends.reserve(
            std::max(m_ends.size() + more / 2, m_ends.capacity() + m_ends.capacity() / 2));
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
