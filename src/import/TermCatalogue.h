#pragma once

#include "import/FindOrCreate.h"

#include <QString>

namespace tarnwell::import {

class ImportSession;

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
    explicit TermCatalogue(ImportSession& session) : m_session(session) {}

    Found FindOrCreateTermMfr(const TermMfrInput& input, const CatalogueMessages& messages);
    Found FindOrCreateTermModel(const QString& termMfrId, const TermModelInput& input,
                                const CatalogueMessages& messages);
    Found FindOrCreateTermColor(const TermColorInput& input, const CatalogueMessages& messages);

private:
    ImportSession& m_session;
};

} // namespace tarnwell::import
