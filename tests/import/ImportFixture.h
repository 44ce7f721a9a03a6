#pragma once

#include "db/Database.h"
#include "db/Login.h"
#include "db/OdbcConnection.h"
#include "import/ImportSteps.h"
#include "status/StatusLog.h"
#include "support/SampleLibrary.h"
#include "support/StatusMessages.h"
#include "support/TestDatabase.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace tarnwell::testing {

// A fresh test database logged into the Hollin domain, with the sample library, ready to import.
class DatabaseImportTest : public ::testing::Test
{
protected:
    DatabaseImportTest()
        : connection(testDatabase.connect()),
          database(*connection, db::Platform::SQLServer), domain{QStringLiteral("Hollin Works"),
                                                                 QStringLiteral("11"),
                                                                 QStringLiteral("1"),
                                                                 QStringLiteral("3"),
                                                                 QStringLiteral("4"),
                                                                 QStringLiteral("5")},
          steps(database, status, sampleLibrary(), domain)
    {
        database.setRelease(db::Release(QStringLiteral("09.00.00.00")));
        status.setClock([] { return QTime(12, 0, 0); });
    }

    // The status messages without their time stamps, empty lines left out.
    QStringList messages() const { return tarnwell::testing::statusMessages(status); }

    int count(const QString& table)
    {
        return testDatabase.value("SELECT count(*) FROM " + table).toInt();
    }

    // Whether the user triggers of a table are switched on.
    bool triggersOn(const QString& table)
    {
        return testDatabase.value("SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal "
                                  "AND tgenabled = 'D' AND tgrelid = '" +
                                  table + "'::regclass") == "0";
    }

    const library::VendorLibrary& sample() { return sampleLibrary(); }

    TestDatabase testDatabase;
    std::unique_ptr<db::OdbcConnection> connection;
    status::StatusLog status;
    db::Database database;
    db::DomainContext domain;
    tarnwell::import::ImportSteps steps;
};

} // namespace tarnwell::testing
