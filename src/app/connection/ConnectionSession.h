#pragma once

#include "app/connection/CancelSwitch.h"
#include "app/connection/ConnectWorkflow.h"
#include "app/core/MainView.h"
#include "app/core/ThreadAffinity.h"
#include "db/Connection.h"
#include "db/Database.h"
#include "db/Login.h"
#include "import/ImportProgress.h"
#include "import/ImportRun.h"
#include "library/VendorLibrary.h"
#include "selection/ApparatusList.h"
#include "status/StatusLog.h"

#include <QList>

#include <memory>
#include <optional>

namespace tarnwell::app {

// What the window learns of a login that succeeded.
struct LoginInfo
{
    db::DomainContext domain;
    db::Release release;
    db::Platform platform = db::Platform::None; // the platform of the open connection
};

// What one Connect came to.
struct ConnectOutcome
{
    ConnectResult::Outcome outcome = ConnectResult::Outcome::Failed;
    std::optional<LoginInfo> login; // when logged in
};

// What the window asks to import: the lines as the list shows them.
struct ImportRequest
{
    ImportMode mode = ImportMode::None;
    QList<int> selected; // for ImportMode::Selected, the list's line numbers
    bool checkOnly = false;
};

// What one import came to.
struct ImportOutcome
{
    import::RunReport report;
    bool reconnected = false; // after a lost connection, the new one carries on
};

// Everything built on the connection to the SPI database: the connection itself and the
// database seam over it, the values it was opened with, the domain logged into, the apparatus
// list, Connect and the import, and reconnecting after a lost connection. It belongs to the
// worker thread: it is created, used and destroyed there, and hands the window values. The
// window reaches the work under way only through the CancelSwitch.
class ConnectionSession
{
public:
    ConnectionSession(db::ConnectionFactory& connections, status::StatusLog& status,
                      Dialogs& dialogs, CancelSwitch& cancel);
    ~ConnectionSession();

    ConnectionSession(const ConnectionSession&) = delete;
    ConnectionSession& operator=(const ConnectionSession&) = delete;

    void setLibrary(std::shared_ptr<const library::VendorLibrary> library);

    // A Connect: a new connection replaces the previous one whatever happens next; the list
    // goes to `observer` as it grows.
    ConnectOutcome connect(const db::LoginInput& input, ConnectObserver& observer);
    // A Connect whose values cannot be part of a connection string: only the replacement.
    void replaceConnection();

    ImportOutcome import(const ImportRequest& request, import::ImportProgress& progress);

    // How long a lost connection is retried to switch the triggers on again.
    static constexpr int ReconnectWindowMs = 30'000;

private:
    std::vector<selection::ApparatusEntry> chosen(const ImportRequest& request) const;
    bool reconnectAndEnableTriggers();
    void dropConnection();

    ThreadAffinity m_thread;
    db::ConnectionFactory& m_connections;
    status::StatusLog& m_status;
    Dialogs& m_dialogs;
    CancelSwitch& m_cancel;
    std::shared_ptr<const library::VendorLibrary> m_library;

    std::unique_ptr<db::Connection> m_connection;
    std::unique_ptr<db::Database> m_database; // set while logged in
    db::LoginInput m_login;
    db::DomainContext m_domain;
    selection::ApparatusList m_list;
};

} // namespace tarnwell::app
