#include "db/Database.h"
#include "import/Triggers.h"
#include "status/StatusLog.h"
#include "support/QtPrinters.h"
#include "support/RecordingConnection.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::db;
using namespace tarnwell::import;

namespace {

TEST(TriggerStatements, FollowThePlatformsDialect)
{
    tarnwell::testing::RecordingConnection recording;
    status::StatusLog log;
    Database oracle(recording, Platform::Oracle);
    DisableTriggers(oracle, log);
    EnableTriggers(oracle, log);
    Database watcom(recording, Platform::Watcom);
    DisableTriggers(watcom, log);
    EXPECT_EQ(recording.statements,
              (QStringList{QStringLiteral("ALTER TABLE panel DISABLE ALL TRIGGERS"),
                           QStringLiteral("ALTER TABLE udf_panel DISABLE ALL TRIGGERS"),
                           QStringLiteral("ALTER TABLE panel ENABLE ALL TRIGGERS"),
                           QStringLiteral("ALTER TABLE udf_panel ENABLE ALL TRIGGERS"),
                           QStringLiteral("ALTER TABLE panel DISABLE TRIGGER ALL"),
                           QStringLiteral("ALTER TABLE udf_panel DISABLE TRIGGER ALL")}));
}

} // namespace
