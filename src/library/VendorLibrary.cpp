#include "library/VendorLibrary.h"

#include "status/Failure.h"

namespace tarnwell::library {

namespace {
const QString SubscriptOutOfRange = QStringLiteral("Subscript out of range");
}

const QString& LibraryTable::value(int i) const
{
    if (i < 0 || i > Count())
        throw Failure(SubscriptOutOfRange);
    return m_values.at(i);
}

LibraryTable::Row LibraryTable::row(int start, int width) const
{
    if (start < 1 || width < 0 || start + width - 1 > Count())
        throw Failure(SubscriptOutOfRange);
    return m_values.mid(start, width);
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
