#include "support/testdatabases.h"

#include "db/accesbase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <gtest/gtest.h>
#include <libpq-fe.h>

namespace plxtest {

namespace {

QString env(const char *name)
{
    return qEnvironmentVariable(name);
}

bool pgAvailable()
{
    return !env("PLX_TEST_PG_PORT").isEmpty();
}

bool runOnServer(const QString &sql)
{
    PGconn *conn = PQconnectdb(pgConninfo(QStringLiteral("postgres")).toUtf8().constData());
    bool ok = PQstatus(conn) == CONNECTION_OK;
    if (ok) {
        PGresult *res = PQexec(conn, sql.toUtf8().constData());
        ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        if (!ok)
            ADD_FAILURE() << "PostgreSQL: " << PQresultErrorMessage(res);
        PQclear(res);
    } else {
        ADD_FAILURE() << "PostgreSQL: " << PQerrorMessage(conn);
    }
    PQfinish(conn);
    return ok;
}

} // namespace

QStringList testEngines()
{
    QStringList engines{QStringLiteral("sqlite")};
    if (pgAvailable()) {
        engines << QStringLiteral("postgresql");
        if (!env("PLX_TEST_ODBC_DRIVER").isEmpty())
            engines << QStringLiteral("odbc");
    } else if (env("PLX_TEST_REQUIRE_PG") == QLatin1String("1")) {
        engines << QStringLiteral("postgresql-missing");
    }
    return engines;
}

std::vector<QString> testEngineParams()
{
    const QStringList engines = testEngines();
    return {engines.begin(), engines.end()};
}

QString pgConninfo(const QString &database)
{
    return QStringLiteral("host=127.0.0.1 port=%1 user=%2 dbname=%3 connect_timeout=10")
        .arg(env("PLX_TEST_PG_PORT"), env("PLX_TEST_PG_USER").isEmpty() ? QStringLiteral("postgres")
                                                                        : env("PLX_TEST_PG_USER"),
             database);
}

ScratchDatabase::ScratchDatabase(const QString &engine) : m_engine(engine)
{
    if (engine == QLatin1String("sqlite")) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_profile.kind = QStringLiteral("ACCESS");
        m_profile.database = m_dir->filePath(QStringLiteral("test.sqlite"));
        m_profile.createIfMissing = true;
        return;
    }
    if (!pgAvailable()) {
        ADD_FAILURE() << "PLX_TEST_REQUIRE_PG is set but no PostgreSQL test server was started";
        return;
    }
    m_pgName = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    runOnServer(QStringLiteral("CREATE DATABASE %1").arg(m_pgName));
    const QString user = env("PLX_TEST_PG_USER").isEmpty() ? QStringLiteral("postgres")
                                                           : env("PLX_TEST_PG_USER");
    if (engine == QLatin1String("odbc")) {
        m_profile.kind = QStringLiteral("ODBC");
        m_profile.database = QStringLiteral("Driver={%1};Server=127.0.0.1;Port=%2;Database=%3;Uid=%4;Pwd=;")
                                 .arg(env("PLX_TEST_ODBC_DRIVER"), env("PLX_TEST_PG_PORT"), m_pgName, user);
    } else {
        m_profile.kind = QStringLiteral("POSTGRESQL");
        m_profile.server = QStringLiteral("127.0.0.1");
        m_profile.port = env("PLX_TEST_PG_PORT");
        m_profile.database = m_pgName;
        m_profile.user = user;
    }
}

ScratchDatabase::~ScratchDatabase()
{
    if (m_pgName.isEmpty())
        return;
    plx::AccesBase::instance().Deconnecter();
    runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_pgName));
}

bool ScratchDatabase::setServerDefault(const QString &assignment) const
{
    if (m_pgName.isEmpty()) {
        ADD_FAILURE() << "setServerDefault on a " << m_engine.toStdString() << " database";
        return false;
    }
    return runOnServer(QStringLiteral("ALTER DATABASE %1 SET %2").arg(m_pgName, assignment));
}

bool ScratchDatabase::connect(plx::AccesBase &db) const
{
    QString error;
    const bool ok = db.Connecter(m_profile, &error);
    if (!ok)
        ADD_FAILURE() << "cannot connect to the " << m_engine.toStdString()
                      << " test database: " << error.toStdString();
    return ok;
}

bool ScratchDatabase::connect() const
{
    return connect(plx::AccesBase::instance());
}

bool ScratchDatabase::connectAsRunProfile() const
{
    if (!connect())
        return false;
    plx::runProfile() = m_profile;
    plx::runProfile().kind = m_engine == QLatin1String("sqlite") ? QStringLiteral("ACCESS")
                                                                  : QStringLiteral("POSTGRESQL");
    return true;
}

QString testDataPath(const QString &relative)
{
    static QTemporaryDir copies;
    const QString source = QStringLiteral(PLX_TEST_DATA "/") + relative;
    const QString target = copies.filePath(relative);
    if (!QFileInfo::exists(target)) {
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    return target;
}

} // namespace plxtest
