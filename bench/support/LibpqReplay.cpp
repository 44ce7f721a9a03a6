#include "support/LibpqReplay.h"

#include "support/BenchWindow.h"

#include <QElapsedTimer>

namespace tarnwell::bench {

PGconn* connectOrFail(const QByteArray& conninfo)
{
    PGconn* connection = PQconnectdb(conninfo.constData());
    if (PQstatus(connection) != CONNECTION_OK)
        fail(QStringLiteral("libpq could not connect: ") +
             QString::fromUtf8(PQerrorMessage(connection)));
    return connection;
}

Replayed replay(PGconn* connection, const std::vector<QByteArray>& texts)
{
    Replayed result;
    QElapsedTimer elapsed;
    elapsed.start();
    for (const QByteArray& text : texts) {
        PGresult* answer = PQexec(connection, text.constData());
        const ExecStatusType status = PQresultStatus(answer);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            ++result.refused;
        PQclear(answer);
    }
    result.seconds = double(elapsed.nsecsElapsed()) / 1e9;
    return result;
}

} // namespace tarnwell::bench
