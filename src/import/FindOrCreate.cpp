#include "import/FindOrCreate.h"

#include "import/ImportSteps.h"

namespace tarnwell::import {

Found findOrCreate(ImportSteps& steps, const QString& lookup, int idColumn, IdTable table,
                   const std::function<QString(const QString& id)>& insert,
                   const CatalogueMessages& messages)
{
    const std::optional<QString> existing = steps.lookup(messages.lookup, lookup, idColumn);
    if (existing)
        return {*existing, messages.lookup};
    const QString id = steps.nextId(table, messages.lookup);
    steps.insert(tableName(table), messages.insert, [&] { return insert(id); });
    // From now on the lookup finds the row just written.
    steps.foresight().lookedUp(lookup, idColumn, id);
    return {id, messages.insert};
}

} // namespace tarnwell::import
