#include "support/TestDatabase.h"

#include "db/Login.h"
#include "db/OdbcConnectionString.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <atomic>
#include <stdexcept>

namespace tarnwell::testing {

namespace {

// The admin side names the driver library itself, so that a test that points ODBCSYSINI
// elsewhere (to try a missing driver, say) still arranges and inspects its data.
const QString driverLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so");

[[noreturn]] void fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

QString errorText(const QSqlError& error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.driverText() : text;
}

QString uniqueName(const QString& stem)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("%1_%2_%3")
        .arg(stem)
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

// Opens a Qt SQL connection of its own name as the superuser on `database`.
QString openAdmin(const TestCluster& cluster, const QString& database)
{
    const QString name = uniqueName(QStringLiteral("tarnwell-test-admin"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
    db.setDatabaseName(QStringLiteral("DRIVER=%1;Server=%2;Port=%3;Database=%4")
                           .arg(driverLibrary, db::odbcAttributeValue(cluster.socketDir))
                           .arg(cluster.port)
                           .arg(db::odbcAttributeValue(database)));
    db.setUserName(db::odbcAttributeValue(cluster.superuser));
    db.setPassword(db::odbcAttributeValue(cluster.superuserPassword));
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!db.open()) {
        const QString why = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        fail(QStringLiteral("Cannot reach the test cluster as its superuser: ") + why);
    }
    return name;
}

void closeAdmin(const QString& name)
{
    if (name.isEmpty() || !QSqlDatabase::contains(name))
        return;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

QString textOf(const QVariant& value)
{
    if (value.isNull())
        return TestDatabase::Null;
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    return value.toString();
}

QList<QStringList> run(const QString& connection, const QString& sql)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    if (!query.exec(sql))
        fail(QStringLiteral("The test database refused \"%1\": %2")
                 .arg(sql, errorText(query.lastError())));
    QList<QStringList> rows;
    if (query.isSelect()) {
        const int columns = query.record().count();
        while (query.next()) {
            QStringList row;
            for (int column = 0; column < columns; ++column)
                row.append(textOf(query.value(column)));
            rows.append(row);
        }
    }
    return rows;
}

// Runs statements once on a short-lived superuser connection to the maintenance database.
void runOnCluster(const TestCluster& cluster, const QStringList& statements)
{
    const QString connection = openAdmin(cluster, QStringLiteral("postgres"));
    try {
        for (const QString& sql : statements)
            run(connection, sql);
    } catch (...) {
        closeAdmin(connection);
        throw;
    }
    closeAdmin(connection);
}

} // namespace

const QString TestDatabase::Null = QStringLiteral("<NULL>");

QString sqlIdentifier(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString sqlLiteral(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

TestCluster TestCluster::fromEnvironment()
{
    const QString odbcSysIni = qEnvironmentVariable("ODBCSYSINI");
    if (odbcSysIni.isEmpty())
        fail(QStringLiteral("ODBCSYSINI is not set: database tests need the spi_db fixture "
                            "(run them through ctest, which starts scripts/pg-cluster.sh)."));
    const QString envPath = QDir(odbcSysIni).absoluteFilePath(QStringLiteral("../cluster.env"));
    QFile envFile(envPath);
    if (!envFile.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(QStringLiteral("No test cluster at %1 (%2): start one with "
                            "scripts/pg-cluster.sh start, or run the tests through ctest.")
                 .arg(envPath, envFile.errorString()));

    QHash<QString, QString> values;
    for (const QByteArray& line : envFile.readAll().split('\n')) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            values.insert(QString::fromUtf8(line.left(equals)),
                          QString::fromUtf8(line.mid(equals + 1)));
    }
    const auto required = [&](const char* key) {
        const QString value = values.value(QLatin1String(key));
        if (value.isEmpty())
            fail(QStringLiteral("%1 lacks %2").arg(envPath, QLatin1String(key)));
        return value;
    };

    TestCluster cluster;
    cluster.socketDir = required("SOCKET_DIR");
    cluster.port = required("PORT").toInt();
    cluster.superuser = required("SUPERUSER");
    cluster.templateDatabase = required("TEMPLATE_DATABASE");
    cluster.ownerLogon = required("OWNER_LOGON");
    cluster.ownerPassword = required("OWNER_PASSWORD");
    QFile passwordFile(required("SUPERUSER_PASSWORD_FILE"));
    if (!passwordFile.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot read the test cluster's superuser password: ") +
             passwordFile.errorString());
    cluster.superuserPassword = QString::fromUtf8(passwordFile.readAll()).trimmed();
    return cluster;
}

TestDatabase::TestDatabase() : m_cluster(TestCluster::fromEnvironment())
{
    m_name = uniqueName(QStringLiteral("spi_test"));
    // The template sets no date style of its own (it is a setting of each database), so the
    // copy gets the one a real installation is configured with.
    runOnCluster(m_cluster,
                 {QStringLiteral("CREATE DATABASE %1 TEMPLATE %2 OWNER %3")
                      .arg(sqlIdentifier(m_name), sqlIdentifier(m_cluster.templateDatabase),
                           sqlIdentifier(m_cluster.ownerLogon)),
                  QStringLiteral("ALTER DATABASE %1 SET datestyle = 'ISO, DMY'")
                      .arg(sqlIdentifier(m_name))});
    try {
        m_adminConnection = openAdmin(m_cluster, m_name);
    } catch (...) {
        runOnCluster(
            m_cluster,
            {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(sqlIdentifier(m_name))});
        throw;
    }
}

TestDatabase::~TestDatabase()
{
    closeAdmin(m_adminConnection);
    QStringList statements{
        QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(sqlIdentifier(m_name))};
    for (const QString& role : m_roles)
        statements.append(QStringLiteral("DROP ROLE IF EXISTS %1").arg(sqlIdentifier(role)));
    try {
        runOnCluster(m_cluster, statements);
    } catch (const std::exception&) {
        // The cluster goes with the fixture's end; a leftover copy harms no other test.
    }
}

db::ConnectionString TestDatabase::connectionString(db::Platform platform) const
{
    return connectionString(logon(), password(), platform);
}

db::ConnectionString TestDatabase::connectionString(const QString& logon, const QString& password,
                                                    db::Platform platform) const
{
    db::LoginInput input;
    input.platform = platform;
    input.serverName = server();
    input.dataSource = m_name;
    input.userId = logon;
    input.password = password;
    return db::buildConnectionString(input);
}

std::unique_ptr<db::OdbcConnection> TestDatabase::connect() const
{
    auto connection = std::make_unique<db::OdbcConnection>();
    if (!connection->open(connectionString()))
        fail(QStringLiteral("Cannot connect to the test database as %1: %2")
                 .arg(logon(), connection->lastError().description()));
    return connection;
}

void TestDatabase::reconnect()
{
    closeAdmin(m_adminConnection);
    m_adminConnection.clear();
    m_adminConnection = openAdmin(m_cluster, m_name);
}

void TestDatabase::exec(const QString& sql)
{
    run(m_adminConnection, sql);
}

QList<QStringList> TestDatabase::rows(const QString& sql)
{
    return run(m_adminConnection, sql);
}

QString TestDatabase::value(const QString& sql)
{
    const QList<QStringList> result = rows(sql);
    if (result.isEmpty() || result.front().isEmpty())
        fail(QStringLiteral("\"%1\" returned no row").arg(sql));
    return result.front().front();
}

void TestDatabase::createLogin(const QString& name, const QString& password, bool memberOfOwner)
{
    QString sql = QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2")
                      .arg(sqlIdentifier(name), sqlLiteral(password));
    if (memberOfOwner)
        sql += QStringLiteral(" IN ROLE ") + sqlIdentifier(m_cluster.ownerLogon);
    runOnCluster(m_cluster, {sql});
    m_roles.append(name);
}

void TestDatabase::refuseInserts(const QString& table, int fromInsert, const QString& message)
{
    const QString text =
        message.isEmpty() ? QStringLiteral("test refuses inserts into ") + table : message;
    const QString stem = QStringLiteral("tarnwell_refuse_") + table;
    exec(QStringLiteral("CREATE SEQUENCE %1").arg(sqlIdentifier(stem + QStringLiteral("_count"))));
    // SECURITY DEFINER: the importing login has no rights on the counter.
    exec(QStringLiteral("CREATE FUNCTION %1() RETURNS boolean LANGUAGE plpgsql SECURITY DEFINER "
                        "AS $refuse$ BEGIN IF nextval(%2) >= %3 THEN RAISE EXCEPTION USING "
                        "MESSAGE = %4; END IF; RETURN true; END $refuse$")
             .arg(sqlIdentifier(stem), sqlLiteral(sqlIdentifier(stem + QStringLiteral("_count"))))
             .arg(fromInsert)
             .arg(sqlLiteral(text)));
    exec(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 CHECK (%3()) NOT VALID")
             .arg(sqlIdentifier(table), sqlIdentifier(stem), sqlIdentifier(stem)));
}

} // namespace tarnwell::testing
