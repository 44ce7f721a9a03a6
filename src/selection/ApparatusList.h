#pragma once

#include "db/Database.h"
#include "db/Login.h"
#include "import/ApparatusEntry.h"
#include "library/VendorLibrary.h"
#include "status/StatusLog.h"

#include <QString>

#include <functional>
#include <vector>

namespace tarnwell::selection {

using import::ApparatusEntry;
using import::ApparatusKind;

// A reference line waiting to be listed in name order.
class clsReference
{
public:
    QString name;
    QString listitem;
    int row = 0;
    QString listingQuery{};
};

// "R1" to "R9" from the last two characters of a description, "??" for anything else.
QString Revision(const QString& description);

// Type, name cut or padded to 30, "Y"/"N", revision and manufacturer at their fixed columns.
QString ApparatusLine(ApparatusKind kind, const QString& name, bool inDomain,
                      const QString& description, const QString& manufacturer);

// Inserts `reference` so that elements 1 and up stay in ascending order of name, compared
// character code by character code; an equal name goes before the ones already there.
// Element 0 is never used.
void InsertionSort(std::vector<clsReference>& listreferences, const clsReference& reference);

struct ApparatusList
{
    std::vector<ApparatusEntry> entries;
    int configurations = 0;
    int references = 0;
};

enum class ListOutcome { Complete, ConfigurationCheckFailed, ReferenceCheckFailed };

// Lists every library configuration (library order) and reference (name order) with whether
// the domain already holds it. `added` sees each entry as it is listed. A failed domain query
// is reported on the status display and ends the listing; any other failure is thrown.
ListOutcome BuildApparatusList(db::Database& database, const library::VendorLibrary& library,
                               const db::DomainContext& domain, status::StatusLog& status,
                               ApparatusList& list,
                               const std::function<void(const ApparatusEntry&)>& added);

// "n Configurations and m References available to import."
QString apparatusCountCaption(const ApparatusList& list);

} // namespace tarnwell::selection
