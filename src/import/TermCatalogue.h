#pragma once

#include "import/FindOrCreate.h"

#include <QString>

namespace tarnwell::import {

class ImportSteps;

struct TermMfrInput
{
    QString name;
    QString description;
    QString userName;
    QString changeDate;
};

struct TermModelInput
{
    QString name;
    QString height, heightUnit;
    QString width, widthUnit;
    QString depth, depthUnit;
    QString description;
    QString userName;
    QString changeDate;
};

// The catalogue identifiers of one terminal's left and right colour, and the message of the
// last statement the colour steps sent.
struct TerminalColours
{
    QString left;
    QString right;
    QString lastMessage;
};

struct TermColorInput
{
    QString name;
    QString value;
    QString description;
    QString userName;
    QString changeDate;
};

// The shared terminal catalogue: manufacturers, models and colours are found across the whole
// database and created, stamped with the session's domain, when missing. Nothing is cached:
// every call asks the database again. Each sends its statements as steps of the session under
// the matching message of `messages`.
class TermCatalogue
{
public:
    explicit TermCatalogue(ImportSteps& steps) : m_steps(steps) {}

    Found FindOrCreateTermMfr(const TermMfrInput& input, const CatalogueMessages& messages);
    Found FindOrCreateTermModel(const QString& termMfrId, const TermModelInput& input,
                                const CatalogueMessages& messages);
    Found FindOrCreateTermColor(const TermColorInput& input, const CatalogueMessages& messages);

    // Finds or creates the colours whose library keys a terminal carries, scanning every
    // TerminalColors row (a row matching both keys is looked up once per side). Each terminal
    // starts without colours: a side whose key matches no row is "0", never the colour of an
    // earlier terminal. `before` is the message of the statement sent before the colours: a
    // colour row that runs short is reported under the message of the last statement sent.
    TerminalColours terminalColours(const QString& leftKey, const QString& rightKey,
                                    const CatalogueMessages& left, const CatalogueMessages& right,
                                    const QString& before);

private:
    ImportSteps& m_steps;
};

} // namespace tarnwell::import
