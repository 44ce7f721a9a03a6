#pragma once

#include "db/Database.h"
#include "import/RecordIds.h"

#include <QString>

#include <map>
#include <optional>

namespace tarnwell::import {

// What a run has learned of the answers it will get again, so that it can send statements
// without waiting for the ones before them: the next identifier of every table it has read or
// written the highest identifier of, and what each lookup found, or the row the run created for
// it. The import lock keeps other imports out, but other users may still write: every answer
// foretold is checked when the real one arrives.
//
// What an apparatus teaches is kept when it is committed and forgotten when it is rolled back,
// as the database keeps or forgets its rows.
class Foresight
{
public:
    std::optional<db::Prediction> nextId(IdTable table) const;
    // The apparatus writes a row of `table` under `id`, the table's highest from now on.
    void idUsed(IdTable table, const QString& id);

    std::optional<db::Prediction> lookup(const QString& sql, int column) const;
    // What the lookup finds from now on: what it found, or the row created for it.
    void lookedUp(const QString& sql, int column, const std::optional<QString>& id);

    // A query for the largest value of a column, which the apparatus then raises to `value`.
    std::optional<db::Prediction> largest(const QString& sql) const;
    void raised(const QString& sql, const QString& value);

    void apparatusBegins();
    void apparatusKept();
    void apparatusTakenBack();

private:
    struct Knowledge
    {
        // Nothing for a table whose next identifier the apparatus made unknown, which hides
        // what the run kept.
        std::map<IdTable, std::optional<qlonglong>> nextIds;
        std::map<QString, std::pair<int, std::optional<QString>>> lookups;
        std::map<QString, QString> largest;
    };
    // What the apparatus under way learned, else what the run kept: the apparatus's changes are
    // kept apart, so that beginning and taking back one costs nothing however much the run
    // knows.
    template <typename Map>
    const typename Map::mapped_type* known(Map Knowledge::*part,
                                           const typename Map::key_type& key) const
    {
        for (const Knowledge* knowledge : {&m_apparatus, &m_kept}) {
            const auto found = (knowledge->*part).find(key);
            if (found != (knowledge->*part).end())
                return &found->second;
        }
        return nullptr;
    }
    Knowledge& learning() { return m_inApparatus ? m_apparatus : m_kept; }

    Knowledge m_kept;
    Knowledge m_apparatus;
    bool m_inApparatus = false;
};

} // namespace tarnwell::import
