#pragma once

#include "app/core/MainView.h"
#include "db/Connection.h"
#include "db/Database.h"
#include "db/Login.h"
#include "library/VendorLibrary.h"
#include "selection/ApparatusList.h"
#include "status/StatusLog.h"

#include <functional>
#include <memory>

namespace tarnwell::app {

// What one Connect came to.
struct ConnectResult
{
    enum class Outcome {
        LoggedIn,           // the domain was found; the list may still have ended early
        Failed,             // reported on the status display or in a box; nothing to import into
        UnsupportedRelease, // reported; the program ends
        Cancelled,          // the user stopped it
        ConnectionLost,     // reported; the connection went before the list was whole
    };
    Outcome outcome = Outcome::Failed;
    std::unique_ptr<db::Database> database; // set when logged in
    db::DomainContext domain;
    db::LoginInput login; // the values the connection was opened with
};

// What Connect shows while it runs, in order: the domain, the list as it grows, its end.
class ConnectObserver
{
public:
    virtual ~ConnectObserver() = default;
    virtual void loggedIn(const db::DomainContext& domain) = 0;
    virtual void listed(const selection::ApparatusEntry& entry) = 0;
    virtual void listEnded(const selection::ApparatusList& list, bool complete) = 0;
};

// One press of Connect on an opened-to-be connection: opens it, checks the SPI release, logs
// into the domain whose logon matches, offers to switch on triggers an earlier run left off,
// and lists the library against the domain. It runs where the database work runs; message
// boxes go through `dialogs`, which waits for their answer.
class ConnectWorkflow
{
public:
    ConnectWorkflow(db::Connection& connection, const library::VendorLibrary& library,
                    status::StatusLog& status, Dialogs& dialogs, ConnectObserver& observer);

    ConnectResult run(const db::LoginInput& input, selection::ApparatusList& list);

private:
    bool open(db::LoginInput& login);
    void offerToEnableTriggers(db::Database& database);

    db::Connection& m_connection;
    const library::VendorLibrary& m_library;
    status::StatusLog& m_status;
    Dialogs& m_dialogs;
    ConnectObserver& m_observer;
};

} // namespace tarnwell::app
