// ExtraireRecords of 1,000,000 measurement rows (the 12 columns of a PLUVIO_ table), next
// to the engine's own command-line client reading the same rows into /dev/null:
//   sqlite3 FILE "SELECT ..." > /dev/null
//   psql -c "COPY (SELECT ...) TO STDOUT" > /dev/null
// PostgreSQL is measured when PLX_TEST_PG_PORT names a running server (tools/plx-dev.sh
// starts one for the tests; any trust-auth server on 127.0.0.1 will do).
#include "db/accesbase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

using namespace plx;

namespace {

constexpr int Rows = 1000000;
const QString Select = QStringLiteral(
    "SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, Valeur2, Valeur3, Continuite, "
    "ModeObtention, Precision, Validite FROM PLUVIO_1");

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

double timeCommand(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return -1;
    }
    return seconds(timer);
}

double timeExtraire(int *rows)
{
    QElapsedTimer timer;
    timer.start();
    const RecordTable table = AccesBase::instance().ExtraireRecords(Select);
    const double elapsed = seconds(timer);
    *rows = table.ok() ? table.rowCount() : -1;
    if (!table.ok())
        std::fprintf(stderr, "ExtraireRecords failed: %s\n", qPrintable(table.error()));
    return elapsed;
}

void report(const char *engine, double ours, int rows, double peer, const char *peerName)
{
    std::printf("%-10s ExtraireRecords %d rows: %.3f s | %s: %.3f s | ratio %.2f (target <= 2)\n",
                engine, rows, ours, peerName, peer, peer > 0 ? ours / peer : 0.0);
}

bool fillSqlite(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE PLUVIO_1 (DateCreation DATETIME TEXT, Heure DATETIME TEXT, Pluie REAL, "
                 "PluieEfficace REAL, Etp REAL, Valeur1 REAL, Valeur2 REAL, Valeur3 REAL, "
                 "Continuite INTEGER, ModeObtention TEXT, Precision REAL, Validite TEXT);"
                 "BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO PLUVIO_1 VALUES (?,?,?,?,?,NULL,NULL,NULL,0,'A',0.1,?)", -1,
                       &insert, nullptr);
    const QDateTime start(QDate(2014, 1, 1), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < Rows; ++i) {
        const QDateTime at = start.addSecs(qint64(i) * 300);
        const QByteArray day = at.toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toLatin1();
        const QByteArray time = at.toString(QStringLiteral("1899-12-30 HH:mm:ss")).toLatin1();
        sqlite3_bind_text(insert, 1, day.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, time.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, (i % 17) * 0.2);
        sqlite3_bind_double(insert, 4, (i % 11) * 0.1);
        sqlite3_bind_double(insert, 5, (i % 7) * 0.3);
        sqlite3_bind_text(insert, 6, i % 3 ? "V" : "C", -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

void benchSqlite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.sqlite"));
    if (!fillSqlite(path))
        return;
    ConnectionProfile profile;
    profile.kind = QStringLiteral("ACCESS");
    profile.database = path;
    if (!AccesBase::instance().Connecter(profile))
        return;
    const double peer = timeCommand(QStringLiteral("sqlite3"), {path, Select});
    int rows = 0;
    const double ours = timeExtraire(&rows);
    report("SQLite", ours, rows, peer, "sqlite3 CLI");
    AccesBase::instance().Deconnecter();
}

void benchPostgres()
{
    const QString port = qEnvironmentVariable("PLX_TEST_PG_PORT");
    if (port.isEmpty()) {
        std::printf("PostgreSQL: skipped (PLX_TEST_PG_PORT not set)\n");
        return;
    }
    const QString user = qEnvironmentVariable("PLX_TEST_PG_USER", QStringLiteral("postgres"));
    ConnectionProfile profile;
    profile.kind = QStringLiteral("POSTGRESQL");
    profile.server = QStringLiteral("127.0.0.1");
    profile.port = port;
    profile.user = user;
    profile.database = QStringLiteral("postgres");
    AccesBase &db = AccesBase::instance();
    if (!db.Connecter(profile))
        return;
    db.Execute(QStringLiteral("DROP TABLE IF EXISTS PLUVIO_1"));
    db.Execute(QStringLiteral(
        "CREATE TABLE PLUVIO_1 (DateCreation timestamp with time zone, Heure timestamp with time "
        "zone, Pluie real, PluieEfficace real, Etp real, Valeur1 real, Valeur2 real, Valeur3 real, "
        "Continuite integer, ModeObtention varchar(1), Precision real, Validite varchar(1))"));
    db.Execute(QStringLiteral(
        "INSERT INTO PLUVIO_1 SELECT date_trunc('day', t), '1899-12-30'::timestamp + (t - "
        "date_trunc('day', t)), (i % 17) * 0.2, (i % 11) * 0.1, (i % 7) * 0.3, NULL, NULL, NULL, 0, "
        "'A', 0.1, CASE WHEN i % 3 = 0 THEN 'C' ELSE 'V' END FROM generate_series(0, %1) AS i, "
        "LATERAL (SELECT timestamp '2014-01-01' + i * interval '5 minutes' AS t) x")
                   .arg(Rows - 1));
    const double peer = timeCommand(
        QStringLiteral("psql"), {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), port,
                                 QStringLiteral("-U"), user, QStringLiteral("-d"), QStringLiteral("postgres"),
                                 QStringLiteral("-c"),
                                 QStringLiteral("COPY (%1) TO STDOUT").arg(Select)});
    int rows = 0;
    const double ours = timeExtraire(&rows);
    report("PostgreSQL", ours, rows, peer, "psql COPY");
    db.Execute(QStringLiteral("DROP TABLE PLUVIO_1"));
    db.Deconnecter();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchSqlite();
    benchPostgres();
    return 0;
}
