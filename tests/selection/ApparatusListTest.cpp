#include "selection/ApparatusList.h"

#include "status/Failure.h"
#include "support/LibraryRows.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"
#include "support/StatusMessages.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::selection;
using tarnwell::testing::appendRow;
using tarnwell::testing::RecordingConnection;

namespace {

TEST(Revision, TakesRAndADigitFromTheEndOfTheDescription)
{
    EXPECT_EQ(Revision("Segment protector R2"), "R2");
    EXPECT_EQ(Revision("lower case r4"), "R4");
    EXPECT_EQ(Revision("R9"), "R9");
    EXPECT_EQ(Revision("ends in R0"), "??");
    EXPECT_EQ(Revision("ends in R10"), "??");
    EXPECT_EQ(Revision("100 µF"), "??");
    EXPECT_EQ(Revision("R"), "??");
    EXPECT_EQ(Revision(""), "??");
}

TEST(ApparatusLine, PutsEachFieldInItsColumns)
{
    const QString line =
        ApparatusLine(ApparatusKind::Configuration, "KD-FB6 Field Barrier Ex ia 6 Spur Zone 1",
                      true, "Field barrier R7", "KEL-DORVAN");
    EXPECT_EQ(line, "Configuration   KD-FB6 Field Barrier Ex ia 6 S  Y     R7    KEL-DORVAN");
    const QString reference =
        ApparatusLine(ApparatusKind::Reference, "KD-SP4 Trunk", false, "no revision", "Ostrava's");
    EXPECT_EQ(reference,
              "Reference       KD-SP4 Trunk" + QString(18, ' ') + "  N     ??    Ostrava's");
    // The import reads type and name back from columns 1 and 17 to 46.
    EXPECT_EQ(reference.at(0), 'R');
    EXPECT_EQ(reference.mid(16, 30).trimmed(), "KD-SP4 Trunk");
    EXPECT_EQ(reference.at(48), 'N');
}

TEST(InsertionSort, OrdersByCharacterCodeAndPutsEqualNamesFirst)
{
    std::vector<clsReference> references;
    for (const char* name : {"b", "A", "a", "B"})
        InsertionSort(references, {name, name, 0});
    ASSERT_EQ(references.size(), 5u);
    EXPECT_EQ(references[0].name, ""); // element 0 stays unused
    QStringList order;
    for (std::size_t i = 1; i < references.size(); ++i)
        order.append(references[i].name);
    EXPECT_EQ(order, QStringList({"A", "B", "a", "b"}));

    InsertionSort(references, {"a", "second a", 7});
    EXPECT_EQ(references[3].listitem, "second a");
    EXPECT_EQ(references[4].listitem, "a");
}

class ApparatusListTest : public ::testing::Test
{
protected:
    ApparatusListTest()
        : domain{"Works", "11", "1", "", "", ""}, database(connection, db::Platform::SQLServer)
    {
        status.setClock([] { return QTime(12, 0, 0); });
        appendRow(lib.stripConfig, library::StripConfigWidth,
                  {{8, "first R1"}, {22, "Maker"}, {23, "Conf'A"}}, QString());
        appendRow(lib.stripConfig, library::StripConfigWidth,
                  {{8, "second"}, {22, "Maker"}, {23, "Conf B"}}, QString());
        appendRow(lib.panelStrip, library::PanelStripWidth, {{1, "5001"}}, QString());
        for (const char* name : {"zeta", "Alpha", "beta"})
            appendRow(lib.channel, library::ChannelWidth,
                      {{1, "5001"}, {36, "ref R3"}, {51, "Maker"}, {52, name}}, QString());
    }

    ListOutcome build()
    {
        return BuildApparatusList(
            database, lib, domain, status, list,
            [this](const ApparatusEntry& entry) { shown.append(entry.line); });
    }

    QString lastMessage() const { return tarnwell::testing::withoutStamp(status.lines().back()); }

    library::VendorLibrary lib;
    db::DomainContext domain;
    RecordingConnection connection;
    status::StatusLog status;
    db::Database database;
    ApparatusList list;
    QStringList shown;
};

TEST_F(ApparatusListTest, ListsConfigurationsInLibraryOrderThenReferencesByName)
{
    connection.answer("LIKE 'Conf B'", {{QString("Maker"), QString("Conf B")}});
    ASSERT_EQ(build(), ListOutcome::Complete);
    QStringList names;
    for (const ApparatusEntry& entry : list.entries)
        names.append(entry.name);
    EXPECT_EQ(names, QStringList({"Conf'A", "Conf B", "Alpha", "beta", "zeta"}));
    EXPECT_EQ(shown.size(), 5);
    EXPECT_EQ(shown[1].mid(48, 1), "Y");
    EXPECT_EQ(shown[0].mid(48, 1), "N");
    // Each line remembers the row it was built from.
    EXPECT_EQ(list.entries[0].row, 1);
    EXPECT_EQ(list.entries[1].row, 37);
    EXPECT_EQ(list.entries[2].row, 68); // Alpha is the second Channel row
    EXPECT_EQ(apparatusCountCaption(list),
              "2 Configurations and 3 References available to import.");

    EXPECT_EQ(connection.statements.value(0),
              "SELECT term_mfr_name, term_mod_name FROM   strip_config, term_mfr, term_mfr_mod "
              "WHERE  strip_config.term_mfr_id = term_mfr.term_mfr_id "
              "AND    strip_config.proj_id = 11 AND    strip_config.site_id = 1 "
              "AND    strip_config.term_mfr_id = term_mfr_mod.term_mfr_id "
              "AND    strip_config.term_mod_id = term_mfr_mod.term_mod_id "
              "AND    term_mfr_name LIKE 'Maker' AND    term_mod_name LIKE 'Conf''A' ");
    EXPECT_EQ(
        connection.statements.value(2),
        "SELECT term_mfr_name, term_mod_name FROM   panel_strip, channel, term_mfr, term_mfr_mod "
        "WHERE  channel.strip_id = panel_strip.strip_id "
        "AND    panel_strip.proj_id = 11 AND    panel_strip.site_id = 1 "
        "AND    channel.term_mfr_id = term_mfr.term_mfr_id "
        "AND    channel.term_mfr_id = term_mfr_mod.term_mfr_id "
        "AND    channel.term_mod_id = term_mfr_mod.term_mod_id "
        "AND    panel_strip.def_flg = 'Y' "
        "AND    term_mfr_name LIKE 'Maker' AND    term_mod_name like 'zeta' ");
}

TEST_F(ApparatusListTest, EmptyTablesSkipTheirPass)
{
    lib.stripConfig = library::LibraryTable();
    ASSERT_EQ(build(), ListOutcome::Complete);
    EXPECT_EQ(apparatusCountCaption(list),
              "0 Configurations and 3 References available to import.");

    lib.panelStrip = library::LibraryTable();
    ASSERT_EQ(build(), ListOutcome::Complete);
    EXPECT_TRUE(list.entries.empty());
}

TEST_F(ApparatusListTest, FailedConfigurationCheckEndsTheListing)
{
    connection.refuse("Conf B", "no such table");
    EXPECT_EQ(build(), ListOutcome::ConfigurationCheckFailed);
    EXPECT_EQ(lastMessage(), "The query to check if a CONFIGURATION is in SPI already failed.");
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(ApparatusListTest, FailedReferenceCheckListsNoReference)
{
    connection.refuse("like 'beta'", "no such table");
    EXPECT_EQ(build(), ListOutcome::ReferenceCheckFailed);
    EXPECT_EQ(lastMessage(), "The query to check if a REFERENCE strip is in SPI already failed.");
    EXPECT_EQ(shown.size(), 2);
}

TEST_F(ApparatusListTest, ShortRowFailsUnderThePrecedingCheck)
{
    // A short first row fails before any check: the caller reports it.
    library::VendorLibrary shortFirst;
    shortFirst.stripConfig.append("only one value");
    lib = shortFirst;
    EXPECT_THROW(build(), Failure);

    // A short row after the first check is the configuration check's failure.
    lib = library::VendorLibrary();
    appendRow(lib.stripConfig, library::StripConfigWidth, {{23, "Conf"}}, QString());
    lib.stripConfig.append("spare");
    EXPECT_EQ(build(), ListOutcome::ConfigurationCheckFailed);
}

// A channel row that runs short after a reference was read is no check's failure: the caller
// reports it, and the configurations listed before it stay in the list; no reference is
// listed, as references are added only once all of them were asked for.
TEST_F(ApparatusListTest, ShortChannelRowAfterAReferenceKeepsTheConfigurationLines)
{
    lib.channel.append("spare");
    EXPECT_THROW(build(), Failure);
    EXPECT_EQ(shown.size(), 2) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown.at(0).startsWith("Configuration   Conf'A"));
    EXPECT_TRUE(shown.at(1).startsWith("Configuration   Conf B"));
}

} // namespace
