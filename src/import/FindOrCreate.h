#pragma once

#include "import/RecordIds.h"

#include <QString>

#include <functional>

namespace tarnwell::import {

class ImportSteps;

// The lookup and the insert message of one find-or-create call; each caller has its own pair.
struct CatalogueMessages
{
    QString lookup;
    QString insert;
};

// What a find-or-create step found or wrote, and the message of the last statement it sent:
// the lookup's when it found a row, the insert's when it wrote one.
struct Found
{
    QString id;
    QString lastMessage;
};

// `lookup` is sent under the lookup message and column `idColumn` of its first row is the
// identifier. When it finds no row, the next identifier of `table` is asked for, still under
// the lookup's message, and `insert(id)` is built and sent under the insert message.
Found findOrCreate(ImportSteps& steps, const QString& lookup, int idColumn, IdTable table,
                   const std::function<QString(const QString& id)>& insert,
                   const CatalogueMessages& messages);

} // namespace tarnwell::import
