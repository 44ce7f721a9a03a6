#pragma once

#include "db/Login.h"

#include <QString>

namespace tarnwell::db {
class Database;
}

namespace tarnwell::import {

class MessageInForce;

// The lookup and the insert message of one catalogue call; each caller has its own pair.
struct CatalogueMessages
{
    QString lookup;
    QString insert;
};

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
// database and created, stamped with the current domain, when missing. Nothing is cached: every
// call asks the database again. Each returns the identifier as text and throws Failure with the
// matching message of `messages` armed in `message`.
class TermCatalogue
{
public:
    TermCatalogue(db::Database& database, const db::DomainContext& domain, MessageInForce& message);

    QString FindOrCreateTermMfr(const TermMfrInput& input, const CatalogueMessages& messages);
    QString FindOrCreateTermModel(const QString& termMfrId, const TermModelInput& input,
                                  const CatalogueMessages& messages);
    QString FindOrCreateTermColor(const TermColorInput& input, const CatalogueMessages& messages);

private:
    db::Database& m_database;
    const db::DomainContext& m_domain;
    MessageInForce& m_message;
};

} // namespace tarnwell::import
