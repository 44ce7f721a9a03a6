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

Foresight::Knowledge& Foresight::learning()
{
    return m_apparatus ? *m_apparatus : m_kept;
}

std::optional<db::Prediction> Foresight::nextId(IdTable table) const
{
    const auto next = known().nextIds.find(table);
    if (next == known().nextIds.end())
        return std::nullopt;
    return db::Prediction{oneValue(0, QString::number(next->second)), 0};
}

void Foresight::idUsed(IdTable table, const QString& id)
{
    bool isNumber = false;
    const qlonglong used = id.toLongLong(&isNumber);
    if (isNumber)
        learning().nextIds[table] = used + 1;
    else
        learning().nextIds.erase(table);
}

std::optional<db::Prediction> Foresight::lookup(const QString& sql, int column) const
{
    const auto seen = known().lookups.find(sql);
    if (seen == known().lookups.end() || seen->second.first != column)
        return std::nullopt;
    const std::optional<QString>& id = seen->second.second;
    return db::Prediction{id ? oneValue(column, *id) : db::ResultSet(), column};
}

void Foresight::lookedUp(const QString& sql, int column, const std::optional<QString>& id)
{
    learning().lookups[sql] = {column, id};
}

std::optional<db::Prediction> Foresight::largest(const QString& sql) const
{
    const auto seen = known().largest.find(sql);
    if (seen == known().largest.end())
        return std::nullopt;
    return db::Prediction{oneValue(0, seen->second), 0};
}

void Foresight::raised(const QString& sql, const QString& value)
{
    learning().largest[sql] = value;
}

void Foresight::apparatusBegins()
{
    m_apparatus = m_kept;
}

void Foresight::apparatusKept()
{
    if (m_apparatus)
        m_kept = std::move(*m_apparatus);
    m_apparatus.reset();
}

void Foresight::apparatusTakenBack()
{
    m_apparatus.reset();
}

} // namespace tarnwell::import
