#include "import/FindOrCreate.h"

#include "import/ImportSession.h"

namespace tarnwell::import {

Found findOrCreate(ImportSession& session, const QString& lookup, int idColumn, IdTable table,
                   const std::function<QString(const QString& id)>& insert,
                   const CatalogueMessages& messages)
{
    const std::optional<QString> existing =
        session.query(messages.lookup, lookup,
                      [idColumn](const db::ResultSet& rows) { return rows.found(idColumn); });
    if (existing)
        return {*existing, messages.lookup};
    const QString id = session.nextId(table, messages.lookup);
    session.command(messages.insert, [&] { return insert(id); });
    return {id, messages.insert};
}

} // namespace tarnwell::import
