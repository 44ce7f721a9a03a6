#pragma once

#include "db/Connection.h"
#include "db/OdbcConnection.h"
#include "db/Platform.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace tarnwell::testing {

// The test cluster that scripts/pg-cluster.sh started, found through ODBCSYSINI (the script
// writes cluster.env beside the odbc folder that ODBCSYSINI names).
struct TestCluster
{
    QString socketDir; // the "Server Name" a user types
    int port = 5432;
    QString superuser;
    QString superuserPassword;
    QString templateDatabase;
    QString ownerLogon; // the login role that owns the SPI tables (domain HOLLIN)
    QString ownerPassword;

    // Throws std::runtime_error naming what is missing: a database test without its cluster
    // must fail, never pass quietly.
    static TestCluster fromEnvironment();
};

// A fresh SPI database for one test, copied from the cluster's template (schema and seed of
// src/db/schema) and dropped again by the destructor, so tests can run in parallel. Every
// failure throws std::runtime_error, which fails the test with the database's own words.
class TestDatabase
{
public:
    // How rows() shows a NULL, so that it differs from any text a column holds.
    static const QString Null;

    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // What a user types into the window to reach this database as the owning domain.
    QString server() const { return m_cluster.socketDir; }
    QString name() const { return m_name; }
    QString logon() const { return m_cluster.ownerLogon; }
    QString password() const { return m_cluster.ownerPassword; }

    // The program's own connection string: "Provider=sqloledb;Data Source=<server>;
    // Initial Catalog=<name>;User ID=<logon>;Password=<password>" (sqlncli for SQLServer2005).
    db::ConnectionString connectionString(db::Platform platform = db::Platform::SQLServer) const;
    db::ConnectionString connectionString(const QString& logon, const QString& password,
                                          db::Platform platform = db::Platform::SQLServer) const;
    // An OdbcConnection opened with connectionString(); throws when the server refuses it.
    std::unique_ptr<db::OdbcConnection> connect() const;

    // Arranging and inspecting, as the superuser on this database. Values come back as text,
    // NULL as TestDatabase::Null; dates as yyyy-MM-dd.
    void exec(const QString& sql);
    // A new superuser connection for exec(), rows() and value(), after the server restarted.
    void reconnect();
    QList<QStringList> rows(const QString& sql);
    // Column 0 of the first row; throws when there is no row.
    QString value(const QString& sql);

    // A further login role; the name may hold any character, apostrophes included. As a
    // member of the owning role it may read, write and switch triggers like the owner. Roles
    // belong to the whole cluster, so tests running in parallel must use different names; the
    // role is dropped with the database.
    void createLogin(const QString& name, const QString& password, bool memberOfOwner = true);

    // From the `fromInsert`-th row inserted into `table` on (counting from 1, from now), every
    // insert is refused with `message` (a default names the table). Works whatever the state of
    // the table's triggers, since it is a check constraint.
    void refuseInserts(const QString& table, int fromInsert = 1, const QString& message = {});

private:
    TestCluster m_cluster;
    QString m_name;
    QString m_adminConnection;
    QStringList m_roles;
};

// The tables an import writes rows into, in the order a check reports them.
inline const QStringList ImportedTables = {
    "strip_config", "strip_config_term", "term_mfr",        "term_mfr_mod",  "term_color",
    "panel",        "udf_panel",         "strip_mfr",       "strip_mfr_mod", "strip_type",
    "panel_strip",  "channel",           "panel_strip_term"};

// Quoting for statements the tests build themselves.
QString sqlIdentifier(const QString& name); // "name" with inner " doubled
QString sqlLiteral(const QString& text);    // 'text' with inner ' doubled

} // namespace tarnwell::testing
