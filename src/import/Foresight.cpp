#include "import/Foresight.h"

namespace tarnwell::import {

namespace {

db::ResultSet oneValue(int column, const QString& value)
{
    db::Row row(static_cast<std::size_t>(column) + 1, QString());
    row[static_cast<std::size_t>(column)] = value;
    return db::ResultSet({row});
}

} // namespace

std::optional<db::Prediction> Foresight::nextId(IdTable table) const
{
    const std::optional<qlonglong>* next = known(&Knowledge::nextIds, table);
    if (!next || !*next)
        return std::nullopt;
    return db::Prediction{oneValue(0, QString::number(**next)), 0};
}

void Foresight::idUsed(IdTable table, const QString& id)
{
    bool isNumber = false;
    const qlonglong used = id.toLongLong(&isNumber);
    learning().nextIds[table] = isNumber ? std::optional<qlonglong>(used + 1) : std::nullopt;
}

std::optional<db::Prediction> Foresight::lookup(const QString& sql, int column) const
{
    const auto* seen = known(&Knowledge::lookups, sql);
    if (!seen || seen->first != column)
        return std::nullopt;
    const std::optional<QString>& id = seen->second;
    return db::Prediction{id ? oneValue(column, *id) : db::ResultSet(), column};
}

void Foresight::lookedUp(const QString& sql, int column, const std::optional<QString>& id)
{
    learning().lookups[sql] = {column, id};
}

std::optional<db::Prediction> Foresight::largest(const QString& sql) const
{
    const QString* seen = known(&Knowledge::largest, sql);
    if (!seen)
        return std::nullopt;
    return db::Prediction{oneValue(0, *seen), 0};
}

void Foresight::raised(const QString& sql, const QString& value)
{
    learning().largest[sql] = value;
}

void Foresight::apparatusBegins()
{
    m_apparatus = Knowledge();
    m_inApparatus = true;
}

void Foresight::apparatusKept()
{
    if (m_inApparatus) {
        for (auto& [table, next] : m_apparatus.nextIds)
            m_kept.nextIds.insert_or_assign(table, next);
        for (auto& [sql, seen] : m_apparatus.lookups)
            m_kept.lookups.insert_or_assign(sql, std::move(seen));
        for (auto& [sql, value] : m_apparatus.largest)
            m_kept.largest.insert_or_assign(sql, std::move(value));
    }
    apparatusTakenBack();
}

void Foresight::apparatusTakenBack()
{
    m_apparatus = Knowledge();
    m_inApparatus = false;
}

} // namespace tarnwell::import
