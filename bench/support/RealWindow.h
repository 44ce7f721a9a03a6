#pragma once

// The program's real window, driven through its widgets as a person uses it (platform, the four
// boxes, Connect, All, Import), against a fresh database on the cluster ODBCSYSINI points to.
// Needs a QApplication.

#include "app/FakeMainView.h"
#include "app/frmMain.h"
#include "db/OdbcConnection.h"
#include "support/TestDatabase.h"

#include <QString>

namespace tarnwell::bench {

class RealWindow
{
public:
    RealWindow(const QString& programPath, const testing::TestDatabase& database);

    // As BenchWindow's: each turns the event loop until the work it started has ended and
    // returns the seconds that took; a failure stops the benchmark with a message.
    double readLibrary();
    double connectAndList();
    double importAll();

private:
    template <typename Widget> Widget* child(const char* name);

    const testing::TestDatabase& m_database;
    db::OdbcConnectionFactory m_connections;
    testing::RecordingDialogs m_dialogs;
    app::frmMain m_window;
};

} // namespace tarnwell::bench
