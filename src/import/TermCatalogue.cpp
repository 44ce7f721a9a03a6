#include "import/TermCatalogue.h"

#include "import/FindOrCreate.h"

#include "db/Sql.h"
#include "import/ImportSteps.h"
#include "library/LibraryRows.h"

#include <algorithm>

namespace tarnwell::import {

using db::DomainContext;
using db::sql::bare;
using db::sql::escaped;
using db::sql::orZero;

Found TermCatalogue::FindOrCreateTermMfr(const TermMfrInput& in, const CatalogueMessages& messages)
{
    const QString lookup =
        QStringLiteral("SELECT term_mfr_name, term_mfr_id ") + QStringLiteral("FROM   term_mfr ") +
        QStringLiteral("WHERE  term_mfr_name LIKE '") + escaped(in.name) + QStringLiteral("'");
    const auto insert = [&](const QString& id) {
        const DomainContext& d = m_steps.domain();
        return QStringLiteral("INSERT into TERM_MFR (TERM_MFR_ID, PROJ_ID, SITE_ID, CHG_NUM, "
                              "PLANT_ID, UNIT_ID, ") +
               QStringLiteral(
                   "CHG_STATUS, USER_NAME, CHG_DATE, TERM_MFR_DESC, TERM_MFR_NAME, AREA_ID) ") +
               QStringLiteral("VALUES (") + id + QStringLiteral(", ") + d.proj_id +
               QStringLiteral(", ") + d.site_id + QStringLiteral(", 0,") + d.plant_id +
               QStringLiteral(", ") + d.unit_id + QStringLiteral(", 'W', '") +
               escaped(in.userName) + QStringLiteral("', '") + escaped(in.changeDate) +
               QStringLiteral("', '") + escaped(in.description) + QStringLiteral("', '") +
               escaped(in.name) + QStringLiteral("', ") + d.area_id + QStringLiteral(")");
    };
    return findOrCreate(m_steps, lookup, 1, IdTable::TermMfr, insert, messages);
}

Found TermCatalogue::FindOrCreateTermModel(const QString& termMfrId, const TermModelInput& in,
                                           const CatalogueMessages& messages)
{
    const QString lookup = QStringLiteral("SELECT term_mod_name, term_mod_id ") +
                           QStringLiteral("FROM   term_mfr_mod ") +
                           QStringLiteral("WHERE  term_mod_name LIKE '") + escaped(in.name) +
                           QStringLiteral("' ") + QStringLiteral("AND    term_mfr_id = ") +
                           termMfrId;
    // The lookup used the name as it stands; an empty name and empty dimensions are written as 0.
    const auto insert = [&](const QString& id) {
        const DomainContext& d = m_steps.domain();
        return QStringLiteral("INSERT INTO term_mfr_mod ") +
               QStringLiteral("( TERM_MFR_ID, TERM_MOD_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, ") +
               QStringLiteral(
                   "UNIT_ID, CHG_STATUS, USER_NAME, CHG_DATE, TERM_MOD_NAME, TERM_HEIGHT, "
                   "HEIGHT_UOM_ID, ") +
               QStringLiteral(
                   "TERM_WIDTH, WIDTH_UOM_ID, TERM_DEPTH, DEPTH_UOM_ID, TERM_MOD_DESC, AREA_ID) ") +
               QStringLiteral("VALUES (") + termMfrId + QStringLiteral(", ") + id +
               QStringLiteral(", ") + d.proj_id + QStringLiteral(", ") + d.site_id +
               QStringLiteral(", 0, ") + d.plant_id + QStringLiteral(", ") + d.unit_id +
               QStringLiteral(", 'W', '") + escaped(in.userName) + QStringLiteral("', '") +
               escaped(in.changeDate) + QStringLiteral("', '") + escaped(orZero(in.name)) +
               QStringLiteral("',") + bare(orZero(in.height)) + QStringLiteral(",") +
               bare(orZero(in.heightUnit)) + QStringLiteral(",") + bare(orZero(in.width)) +
               QStringLiteral(",") + bare(orZero(in.widthUnit)) + QStringLiteral(",") +
               bare(orZero(in.depth)) + QStringLiteral(",") + bare(orZero(in.depthUnit)) +
               QStringLiteral(",'") + escaped(in.description) + QStringLiteral("',") + d.area_id +
               QStringLiteral(")");
    };
    return findOrCreate(m_steps, lookup, 1, IdTable::TermMfrMod, insert, messages);
}

Found TermCatalogue::FindOrCreateTermColor(const TermColorInput& in,
                                           const CatalogueMessages& messages)
{
    // Found by its value alone; the name plays no part.
    const QString lookup =
        QStringLiteral("SELECT term_color_id ") + QStringLiteral("FROM   term_color ") +
        QStringLiteral("WHERE  term_color_value = '") + escaped(in.value) + QStringLiteral("' ");
    const auto insert = [&](const QString& id) {
        const DomainContext& d = m_steps.domain();
        return QStringLiteral(
                   "INSERT INTO term_color (TERM_COLOR_ID, PROJ_ID, SITE_ID, CHG_NUM, PLANT_ID, ") +
               QStringLiteral("UNIT_ID, CHG_STATUS, USER_NAME, CHG_DATE, TERM_COLOR_NAME, ") +
               QStringLiteral("AREA_ID, TERM_COLOR_VALUE, TERM_COLOR_DESC) ") +
               QStringLiteral("VALUES (") + id + QStringLiteral(", ") + d.proj_id +
               QStringLiteral(", ") + d.site_id + QStringLiteral(", 0,") + d.plant_id +
               QStringLiteral(", ") + d.unit_id + QStringLiteral(", 'W', '") +
               escaped(in.userName) + QStringLiteral("', '") + escaped(in.changeDate) +
               QStringLiteral("', '") + escaped(in.name) + QStringLiteral("', ") + d.area_id +
               QStringLiteral(", ") + bare(in.value) + QStringLiteral(", '") +
               escaped(in.description) + QStringLiteral("')");
    };
    return findOrCreate(m_steps, lookup, 0, IdTable::TermColor, insert, messages);
}

TerminalColours TermCatalogue::terminalColours(const QString& leftKey, const QString& rightKey,
                                               const CatalogueMessages& left,
                                               const CatalogueMessages& right,
                                               const QString& before)
{
    TerminalColours colours{QStringLiteral("0"), QStringLiteral("0"), before};
    const library::LibraryTable& table = m_steps.library().terminalColors;
    const library::RowIndex& byKey = m_steps.indexes().coloursByKey();
    // The rows of either key in table order, as a walk over every colour would meet them.
    std::vector<int> starts = byKey.rowsOf(leftKey);
    if (rightKey != leftKey) {
        const std::vector<int>& rightRows = byKey.rowsOf(rightKey);
        starts.insert(starts.end(), rightRows.begin(), rightRows.end());
        std::sort(starts.begin(), starts.end());
    }
    for (const int start : starts) {
        const library::LibraryTable::Row row = table.row(start, library::TerminalColorWidth);
        const library::TerminalColorRow colour(row);
        const TermColorInput input{colour.name(), colour.value(), colour.description(),
                                   colour.userName(), colour.changeDate()};
        if (leftKey == colour.key()) {
            const Found found = FindOrCreateTermColor(input, left);
            colours.left = found.id;
            colours.lastMessage = found.lastMessage;
        }
        if (rightKey == colour.key()) {
            const Found found = FindOrCreateTermColor(input, right);
            colours.right = found.id;
            colours.lastMessage = found.lastMessage;
        }
    }
    m_steps.step(colours.lastMessage, [&] { byKey.throwIfIncomplete(); });
    return colours;
}

} // namespace tarnwell::import
