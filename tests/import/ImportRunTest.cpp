#include "import/ImportRun.h"

#include "import/ImportFixture.h"
#include "import/ImportSteps.h"
#include "selection/ApparatusList.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/SampleLibrary.h"
#include "support/StatusMessages.h"

using namespace tarnwell;
using namespace tarnwell::import;
using namespace tarnwell::selection;

namespace {

class ImportRunTest : public tarnwell::testing::DatabaseImportTest
{
protected:
    ApparatusList listed()
    {
        ApparatusList list;
        EXPECT_EQ(BuildApparatusList(database, sample(), domain, status, list, {}),
                  ListOutcome::Complete);
        return list;
    }

    std::vector<ApparatusEntry> configurationsOf(const ApparatusList& list)
    {
        std::vector<ApparatusEntry> chosen;
        for (const ApparatusEntry& entry : list.entries) {
            if (entry.kind == ApparatusKind::Configuration)
                chosen.push_back(entry);
        }
        return chosen;
    }

    RunOutcome run(const std::vector<ApparatusEntry>& chosen)
    {
        ImportRun importRun(database, sample(), domain, status);
        lastReport = importRun.run(chosen);
        return lastReport.outcome;
    }

    RunReport lastReport;
};

TEST_F(ImportRunTest, ListShowsTheLibraryAgainstTheDomain)
{
    ApparatusList list = listed();
    ASSERT_EQ(list.configurations, 8);
    ASSERT_EQ(list.references, 21);
    EXPECT_EQ(list.entries.front().line,
              "Configuration   KD-SP4 Segment Protector        N     R3    KEL-DORVAN");
    EXPECT_EQ(list.entries[3].line,
              "Configuration   KD-FB6 Field Barrier Ex ia 6 S  N     R7    KEL-DORVAN");
    for (std::size_t i = 9; i < list.entries.size(); ++i) {
        EXPECT_EQ(list.entries[i].kind, ApparatusKind::Reference);
        EXPECT_LE(QString::compare(list.entries[i - 1].name, list.entries[i].name), 0)
            << "references in name order";
    }
    for (const ApparatusEntry& entry : list.entries)
        EXPECT_EQ(entry.line.mid(48, 1), "N") << entry.line.toStdString();

    // After importing the first configuration, only its line says Y.
    ASSERT_EQ(run({list.entries.front()}), RunOutcome::Finished);
    list = listed();
    EXPECT_EQ(list.entries[0].line.mid(48, 1), "Y");
    EXPECT_EQ(list.entries[1].line.mid(48, 1), "N");
}

TEST_F(ImportRunTest, NothingChosenStillSwitchesTheTriggersOffAndOn)
{
    EXPECT_EQ(run({}), RunOutcome::Finished);
    EXPECT_EQ(messages(), QStringList({"Triggers on PANEL and UDF_PANEL are DISABLED.",
                                       "Triggers on PANEL and UDF_PANEL are ENABLED.",
                                       "Written whole: 0 apparatuses. Not written: 0.",
                                       "No configurations or references imported at all."}));
}

TEST_F(ImportRunTest, ImportsTheChosenConfigurationsUnderTheDomainsPlantAreaAndUnit)
{
    const std::vector<ApparatusEntry> chosen = configurationsOf(listed());
    EXPECT_EQ(run(chosen), RunOutcome::Finished);
    EXPECT_EQ(lastReport.plantId, "3");
    EXPECT_EQ(lastReport.areaId, "4");
    EXPECT_EQ(lastReport.unitId, "5");
    EXPECT_EQ(count("strip_config"), 8);
    EXPECT_EQ(messages().last(),
              "Finished importing 8 apparatus Configurations and 0 Reference apparatuses.");
    // The full name is shown, even where the list cuts it.
    EXPECT_TRUE(messages().join('\n').contains("KD-PC48 Power Conditioner"));
    EXPECT_TRUE(triggersOn("panel"));
    EXPECT_TRUE(triggersOn("udf_panel"));
}

TEST_F(ImportRunTest, LongNamesAreImportedFromTheirOwnRow)
{
    const std::vector<ApparatusEntry> chosen = configurationsOf(listed());
    ASSERT_GT(chosen[3].name.size(), 30);
    EXPECT_EQ(run({chosen[3]}), RunOutcome::Finished);
    EXPECT_EQ(testDatabase.value("SELECT term_mod_name FROM strip_config c JOIN term_mfr_mod m "
                                 "ON m.term_mod_id = c.term_mod_id"),
              chosen[3].name);
    EXPECT_TRUE(messages().contains("Importing configuration: " + chosen[3].name));
}

TEST_F(ImportRunTest, DomainWithoutPlantAreaUnitImportsNothing)
{
    testDatabase.exec("DELETE FROM plant_area_unit WHERE proj_id = 11 AND plant_id > 0");
    EXPECT_EQ(run(configurationsOf(listed())), RunOutcome::Failed);
    const QStringList shown = messages();
    EXPECT_TRUE(shown.at(shown.size() - 2)
                    .startsWith("Didn't return the new Plant-Area-Unit IDs properly. Database "
                                "reports: Either BOF"));
    EXPECT_FALSE(shown.join('\n').contains("Triggers"));
    EXPECT_EQ(count("strip_config"), 0);
}

TEST_F(ImportRunTest, FailedConfigurationIsReportedAndTheRunGoesOn)
{
    testDatabase.refuseInserts("strip_config_term", 8, "refused by the test");
    const std::vector<ApparatusEntry> chosen = configurationsOf(listed());
    EXPECT_EQ(run({chosen[0], chosen[1], chosen[2]}), RunOutcome::Finished);
    // The first configuration has 6 terminals, the second fails at its second terminal; the
    // third is refused at its first one.
    EXPECT_EQ(testDatabase.rows("SELECT strip_config_name FROM strip_config"),
              QList<QStringList>({{sample().stripConfig.value(8)}}));
    EXPECT_EQ(count("strip_config_term"), 6);
    EXPECT_EQ(messages().filter("ENABLED").size(), 3);
    EXPECT_EQ(messages().last(),
              "Finished importing 3 apparatus Configurations and 0 Reference apparatuses.");
    EXPECT_TRUE(triggersOn("panel"));
}

// The server refuses the COMMIT itself (a deferred constraint): the configuration is reported
// under its saving message with the server's words, nothing of it stays, and the run goes on.
TEST_F(ImportRunTest, ACommitTheServerRefusesKeepsNothingOfTheApparatus)
{
    testDatabase.exec(
        "CREATE FUNCTION refuse_at_commit() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
        "'refused at commit by the test'; END $$ LANGUAGE plpgsql");
    testDatabase.exec("CREATE CONSTRAINT TRIGGER refuse_sp8 AFTER INSERT ON strip_config "
                      "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW WHEN (NEW.strip_config_name = "
                      "'SP8 segment protector') EXECUTE FUNCTION refuse_at_commit()");
    const std::vector<ApparatusEntry> chosen = configurationsOf(listed());
    EXPECT_EQ(run(chosen), RunOutcome::Finished);
    EXPECT_EQ(lastReport.written, 7);
    EXPECT_EQ(lastReport.notWritten, QStringList({"KD-SP8 Segment Protector"}));
    const QStringList shown = tarnwell::testing::sessionMessages(status);
    const qsizetype refused =
        shown.indexOf("Didn't save the CONFIGURATION as a whole. Database reports: ");
    ASSERT_GE(refused, 0) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown.at(refused + 1).startsWith("ERROR: refused at commit by the test"))
        << shown.at(refused + 1).toStdString();
    EXPECT_EQ(count("strip_config"), 7);
    EXPECT_EQ(testDatabase.value("SELECT count(*) FROM term_mfr_mod WHERE term_mod_name = "
                                 "'KD-SP8 Segment Protector'"),
              "0");
    EXPECT_EQ(count("strip_config_term"), 46 - 9);
    EXPECT_TRUE(triggersOn("panel"));
}

TEST_F(ImportRunTest, StoppingMidwayRollsBackTheCurrentApparatusAndRestoresTheTriggers)
{
    const std::vector<ApparatusEntry> chosen = configurationsOf(listed());
    ImportRun importRun(database, sample(), domain, status);
    // Cancelled as the second configuration begins: the first stays whole, the second goes.
    status.setDisplay([&](const QString& caption) {
        if (caption.endsWith("Importing configuration: " + chosen.at(1).name))
            connection->cancel();
    });
    const RunReport report = importRun.run(chosen);
    EXPECT_EQ(report.outcome, RunOutcome::Stopped);
    EXPECT_EQ(report.written, 1);
    EXPECT_TRUE(report.triggersOn);
    EXPECT_EQ(count("strip_config"), 1);
    EXPECT_EQ(count("strip_config_term"), 6);
    EXPECT_TRUE(triggersOn("panel"));
    EXPECT_TRUE(triggersOn("udf_panel"));
    EXPECT_FALSE(messages().join('\n').contains("Finished importing"));
    EXPECT_EQ(messages().last(), "Import cancelled: 1 apparatuses were written whole before the "
                                 "stop; the one under way was not written.");
}

TEST(ImportRunStatements, RunFailureAfterSuspendingStillRestoresTheTriggers)
{
    tarnwell::testing::RecordingConnection connection;
    connection.answer("FROM   plant_area_unit ", {{QString("3"), QString("4"), QString("5")}})
        .refuse("max\\(strip_config_id\\)", "relation is gone");
    status::StatusLog status;
    db::Database database(connection, db::Platform::SQLServer);
    db::DomainContext domain{"Works", "11", "1", "", "", ""};
    library::VendorLibrary lib;
    for (int i = 0; i < 36; ++i)
        lib.stripConfig.append(QString());
    ImportRun importRun(database, lib, domain, status);
    EXPECT_EQ(importRun.run({{ApparatusKind::Configuration, "C", 1, "line"}}).outcome,
              RunOutcome::Failed);
    EXPECT_EQ(connection.statements.first(),
              "SELECT plant_id, area_id, unit_id FROM   plant_area_unit WHERE  proj_id=11 "
              "AND    site_id=1 AND    plant_id>0 AND    area_id>0 AND    unit_id>0");
    EXPECT_EQ(connection.events.mid(connection.events.size() - 3),
              QStringList({"ROLLBACK", "ALTER TABLE panel ENABLE TRIGGER ALL",
                           "ALTER TABLE udf_panel ENABLE TRIGGER ALL"}));
}

// The first configurations of the sample library on a recording connection that answers every
// identifier query.
struct RecordedRun
{
    RecordedRun()
    {
        connection.answer("FROM   plant_area_unit ", {{QString("3"), QString("4"), QString("5")}});
        connection.answerWith("max\\(", [this](const QString&) {
            return db::ResultSet({db::Row{QString::number(++lastId)}});
        });
        database.setRelease(db::Release("09.00.00.00"));
    }
    RunReport run(int configurations)
    {
        std::vector<ApparatusEntry> chosen;
        for (int i = 0; i < configurations; ++i)
            chosen.push_back({ApparatusKind::Configuration, "C" + QString::number(i + 1),
                              1 + i * library::StripConfigWidth, "line"});
        return ImportRun(database, tarnwell::testing::sampleLibrary(), domain, status).run(chosen);
    }
    QStringList shown() const { return tarnwell::testing::statusMessages(status); }

    tarnwell::testing::RecordingConnection connection;
    status::StatusLog status;
    db::Database database{connection, db::Platform::SQLServer};
    db::DomainContext domain{"Works", "11", "1", "", "", ""};
    int lastId = 100;
};

// The driver refuses to begin the second configuration's transaction: that one is not written,
// with the driver's words, and the run goes on.
TEST(ImportRunStatements, AnApparatusThatCannotBeginIsNotWrittenAndTheRunGoesOn)
{
    RecordedRun recorded;
    recorded.connection.refusedBegins[2] = "transactions are not available";
    const RunReport report = recorded.run(3);
    EXPECT_EQ(report.outcome, RunOutcome::Finished);
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.notWritten, QStringList({"C2"}));
    EXPECT_TRUE(
        recorded.shown().contains("Didn't save the CONFIGURATION as a whole. Database reports: "))
        << recorded.shown().join('\n').toStdString();
    EXPECT_EQ(recorded.connection.events.count("COMMIT"), 2);
}

// A rollback that fails leaves unknown what the transaction still holds, which the next
// commit would keep: the connection is closed (the server then discards it) and the run stops
// as for a lost connection, sending nothing more.
TEST(ImportRunStatements, ARollbackThatFailsClosesTheConnectionAndStopsTheRun)
{
    RecordedRun recorded;
    recorded.connection.refuse("INSERT INTO strip_config_term", "refused by the test", 1);
    recorded.connection.refusedRollbacks[1] = "the server did not answer";
    const RunReport report = recorded.run(3);
    EXPECT_EQ(report.outcome, RunOutcome::ConnectionLost);
    EXPECT_EQ(report.written, 0);
    EXPECT_FALSE(report.triggersOn);
    const QStringList& events = recorded.connection.events;
    ASSERT_TRUE(events.contains("CLOSE"));
    EXPECT_EQ(events.last(), "CLOSE") << "nothing is sent after it";
    EXPECT_EQ(events.count("COMMIT"), 0);
    EXPECT_TRUE(recorded.shown().join(' ').contains("could not be rolled back"))
        << recorded.shown().join('\n').toStdString();
}

// An empty run on a recording connection that reaches `dbms`, in domain 11.
RunReport emptyRun(tarnwell::testing::RecordingConnection& connection, const QString& dbms,
                   db::Platform platform, status::StatusLog& status)
{
    connection.dbms = dbms;
    connection.answer("FROM   plant_area_unit ", {{QString("3"), QString("4"), QString("5")}});
    db::Database database(connection, platform);
    db::DomainContext domain{"Works", "11", "1", "", "", ""};
    const library::VendorLibrary lib;
    return ImportRun(database, lib, domain, status).run({});
}

TEST(ImportRunStatements, TheImportLockComesFirstAndGoesLast)
{
    tarnwell::testing::RecordingConnection connection;
    connection.answer("sp_getapplock", "1");
    status::StatusLog status;
    emptyRun(connection, "Microsoft SQL Server", db::Platform::SQLServer, status);
    ASSERT_GE(connection.statements.size(), 5);
    EXPECT_TRUE(connection.statements.first().contains(
        "sp_getapplock @Resource = 'tarnwell-import-11', @LockMode = 'Exclusive', "
        "@LockOwner = 'Session', @LockTimeout = 0"));
    EXPECT_TRUE(connection.statements[1].startsWith("SELECT plant_id, area_id, unit_id"));
    EXPECT_EQ(connection.statements.last(),
              "EXEC sp_releaseapplock @Resource = 'tarnwell-import-11', @LockOwner = 'Session'");
}

TEST(ImportRunStatements, AnOracleAccountWithoutTheLockPackageImportsUnlocked)
{
    tarnwell::testing::RecordingConnection connection;
    connection.refuse("DBMS_LOCK", "PLS-00201: identifier 'DBMS_LOCK' must be declared");
    status::StatusLog status;
    EXPECT_EQ(emptyRun(connection, "Oracle", db::Platform::Oracle, status).outcome,
              RunOutcome::Finished);
    const QStringList shown = tarnwell::testing::statusMessages(status);
    EXPECT_TRUE(shown.first().startsWith("The import lock of this database cannot be used"));
    EXPECT_EQ(shown.last(), "No configurations or references imported at all.");
    EXPECT_EQ(connection.statements.filter("DBMS_LOCK").size(), 1)
        << "no release of a lock never held";
    EXPECT_EQ(connection.statements.last(), "ALTER TABLE udf_panel ENABLE ALL TRIGGERS");
}

} // namespace
