#pragma once

#include "db/Database.h"

namespace tarnwell::db {

// Statements as one unit: rolled back unless committed, however the scope is left. Begun while
// another is open, it is a savepoint of that one (see Database::beginTransaction).
class Transaction
{
public:
    explicit Transaction(Database& database) : m_database(database)
    {
        m_database.beginTransaction();
    }
    ~Transaction() { rollback(); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        m_database.commit();
        m_open = false;
    }
    void rollback() noexcept
    {
        if (m_open) {
            m_open = false;
            m_database.rollback();
        }
    }

private:
    Database& m_database;
    bool m_open = true;
};

} // namespace tarnwell::db
