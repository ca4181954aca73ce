// The historical summary of a station holding 1,000,000 timed rows (5-minute steps over
// nine and a half years, rain on some steps, gaps of nulls), next to the statements it
// replaces run on the same connection in the same run: per data kind, the parameter label,
// first/last date and count, the year's count, sum and rows above 0, the last controlled
// and last validated dates, and the maximum (its first row only, as a recordset read
// lazily gives it). Also shown: one plain scan of the table, the floor of any summary.
// PostgreSQL is measured when PLX_TEST_PG_PORT names a running server; the benchmark
// creates its own database there and drops it afterwards.
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/schemacatalog.h"
#include "db/sqltext.h"
#include "measures/historique.h"
#include "measures/measurementtable.h"
#include "measures/parameterlabels.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace plx;

namespace {

constexpr int kRows = 1000000;
constexpr int kYear = 2025; // a full year of the generated series
const QString kCode = QStringLiteral("1");
const QString kTable = QStringLiteral("PLUVIO_1");

// Rain on about one step in thirteen, effective rainfall part of it, evapotranspiration
// hourly, a temperature on every step; nulls on one step in a thousand; older values
// validated, some controlled, the last year not yet.
const QString kValues = QStringLiteral(
    "CASE WHEN i % 1009 = 0 THEN NULL WHEN (i * 7919) % 13 = 0 THEN ((i * 104729) % 120) / 10.0 "
    "ELSE 0 END, "
    "CASE WHEN i % 1013 = 0 THEN NULL WHEN (i * 7919) % 13 = 0 THEN ((i * 104729) % 70) / 10.0 "
    "ELSE 0 END, "
    "CASE WHEN i % 12 = 0 THEN ((i * 31) % 50) / 10.0 END, "
    "CASE WHEN i % 1019 = 0 THEN NULL ELSE ((i * 37) % 300) / 10.0 - 5 END, "
    "NULL, NULL, 0, 'A', NULL, "
    "CASE WHEN i > 900000 THEN '' WHEN i % 5 = 0 THEN 'C' ELSE 'V' END");

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// The best of three runs.
double best(const std::function<void()> &work)
{
    double fastest = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = qMin(fastest, seconds(timer));
    }
    return fastest;
}

bool query(AccesBase &db, const QString &sql)
{
    const RecordTable t = db.ExtraireRecords(sql);
    if (!t.ok())
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(t.error()));
    return t.ok();
}

// The statements of the summary as first written: nine kinds, each kind of data apart.
void statementByStatement(AccesBase &db)
{
    const ScopedConnectionKind kind(db);
    const QString year = QString::number(kYear);
    const QString inYear = QStringLiteral(" AND DateCreation >=") +
                           FormatDateSQL(QStringLiteral("01/01/") + year, false) +
                           QStringLiteral(" AND DateCreation <=") +
                           FormatDateSQL(QStringLiteral("31/12/") + year, false);
    const QString from = QStringLiteral(" FROM ") + kTable + QStringLiteral(" WHERE ");
    for (const DataKind &data : dataKinds(db)) {
        const QString c = data.column;
        const QString present = from + c + QStringLiteral(" is not null");
        query(db,
              QStringLiteral("SELECT Min(DateCreation), Max(DateCreation), count(DateCreation)") +
                  present);
        query(db, QStringLiteral("SELECT count(DateCreation)") + present + inYear);
        if (data.parameter <= 2) {
            query(db, QStringLiteral("SELECT sum(") + c + QLatin1Char(')') + present + inYear);
            query(db, QStringLiteral("SELECT sum(1)") + present + QStringLiteral(" AND ") + c +
                          QStringLiteral(" > 0") + inYear);
        }
        query(db, QStringLiteral("SELECT Max(DateCreation)") + present +
                      QStringLiteral(" AND Validite='C'"));
        query(db, QStringLiteral("SELECT Max(DateCreation)") + present +
                      QStringLiteral(" AND Validite='V'"));
        query(db, QStringLiteral("SELECT TOP 1 datecreation, ") + c + present +
                      QStringLiteral(" ORDER BY ") + c + QStringLiteral(" DESC"));
    }
}

void report(const char *engine, AccesBase &db)
{
    std::vector<HistoriqueRow> rows;
    const double ours = best([&] { rows = computeHistorique(db, kCode, kYear); });
    const double peer = best([&] { statementByStatement(db); });
    const double scan =
        best([&] { query(db, QStringLiteral("SELECT count(Pluie) FROM ") + kTable); });
    std::printf("%-10s summary of %d rows: %.3f s | statement by statement: %.3f s | ratio %.2f "
                "(target <= 1.5) | one plain scan: %.3f s\n",
                engine, kRows, ours, peer, peer > 0 ? ours / peer : 0.0, scan);
    std::printf("%-10s Pluie: %s values, %s in %d, cumulation %s, max %s on %s\n", engine,
                qPrintable(rows[0].cells[Valeurs]), qPrintable(rows[0].cells[ValeursAnnee]), kYear,
                qPrintable(rows[0].cells[CumulAnnee]), qPrintable(rows[0].cells[Max]),
                qPrintable(rows[0].cells[DateMax]));
}

bool createStation(AccesBase &db)
{
    const ScopedConnectionKind kind(db);
    return CreateMeasurementTable(db, kCode, false) &&
           db.Execute(QStringLiteral("CREATE TABLE PARAMETRAGE_DATA (id SHORT, libelle TEXT(255), "
                                     "projet TEXT(12), version TEXT(20))")) &&
           db.Execute(QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) VALUES "
                                     "(1, 'Température (°C)', 'PLX')"));
}

void benchSqlite()
{
    QTemporaryDir dir;
    ConnectionProfile profile;
    profile.kind = QStringLiteral("ACCESS");
    profile.database = dir.filePath(QStringLiteral("bench.sqlite"));
    profile.createIfMissing = true;
    AccesBase &db = AccesBase::instance();
    QString error;
    if (!db.Connecter(profile, &error) || !createStation(db)) {
        std::fprintf(stderr, "SQLite: %s\n", qPrintable(error + db.lastError()));
        return;
    }
    const QString fill =
        QStringLiteral(
            "WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE i < ") +
        QString::number(kRows - 1) +
        QStringLiteral("), t(i, at) AS (SELECT i, datetime('2016-07-01', '+' || (i * 300) || "
                       "' seconds') FROM s) INSERT INTO PLUVIO_1 SELECT date(at) || ' 00:00:00', "
                       "'1899-12-30 ' || time(at), ") +
        kValues + QStringLiteral(" FROM t");
    if (!db.executeNative(fill, &error)) {
        std::fprintf(stderr, "SQLite: %s\n", qPrintable(error));
        return;
    }
    report("SQLite", db);
    db.Deconnecter();
}

void benchPostgres()
{
    const QString port = qEnvironmentVariable("PLX_TEST_PG_PORT");
    if (port.isEmpty()) {
        std::printf("PostgreSQL: skipped (PLX_TEST_PG_PORT not set)\n");
        return;
    }
    ConnectionProfile profile;
    profile.kind = QStringLiteral("POSTGRESQL");
    profile.server = QStringLiteral("127.0.0.1");
    profile.port = port;
    profile.user = qEnvironmentVariable("PLX_TEST_PG_USER", QStringLiteral("postgres"));
    profile.database = QStringLiteral("postgres");
    AccesBase &db = AccesBase::instance();
    const QString name =
        QStringLiteral("bench_historique_%1").arg(QCoreApplication::applicationPid());
    QString error;
    if (!db.Connecter(profile, &error) ||
        !db.executeNative(QStringLiteral("CREATE DATABASE ") + name, &error)) {
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
        return;
    }
    ConnectionProfile bench = profile;
    bench.database = name;
    if (db.Connecter(bench, &error) && createStation(db)) {
        const QString fill =
            QStringLiteral("INSERT INTO PLUVIO_1 SELECT date_trunc('day', at), timestamp "
                           "'1899-12-30' + (at - date_trunc('day', at)), ") +
            kValues + QStringLiteral(" FROM generate_series(CAST(0 AS bigint), ") +
            QString::number(kRows - 1) +
            QStringLiteral(") AS i, LATERAL (SELECT timestamp '2016-07-01' + i * interval "
                           "'5 minutes' AS at) x");
        if (db.executeNative(fill, &error) &&
            db.executeNative(QStringLiteral("ANALYZE PLUVIO_1"), &error))
            report("PostgreSQL", db);
    }
    if (!error.isEmpty())
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
    db.Connecter(profile);
    db.executeNative(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name), nullptr);
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
