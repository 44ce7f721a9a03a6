#pragma once

// Requests sent again by libpq, one PQexec each and nothing else: the floor of any client that
// waits for each answer before it sends the next request.

#include <QByteArray>

#include <libpq-fe.h>

#include <vector>

namespace tarnwell::bench {

struct Replayed
{
    double seconds = 0;
    int refused = 0;
};

// Ends the benchmark when the server cannot be reached.
PGconn* connectOrFail(const QByteArray& conninfo);

Replayed replay(PGconn* connection, const std::vector<QByteArray>& texts);

} // namespace tarnwell::bench
