#include "import/FindOrCreate.h"

namespace tarnwell::import {

QString findOrCreate(db::Database& database, MessageInForce& message, const QString& lookup,
                     int idColumn, db::IdTable table,
                     const std::function<QString(const QString& id)>& insert,
                     const QString& lookupMessage, const QString& insertMessage)
{
    message.arm(lookupMessage);
    if (const auto id = database.RunQuery(lookup).found(idColumn))
        return *id;
    const QString id = database.NextRecordId(table);
    message.arm(insertMessage);
    database.RunCommand(insert(id));
    return id;
}

} // namespace tarnwell::import
