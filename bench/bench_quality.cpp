// The quality rules over 150 years of daily rain (1870-2019, 54,787 days) at a station with
// 10 neighbours within the radius, every rule on, the whole series as the window; next to
// the time to read the station's series alone, and all eleven series, on the same
// connection. SQLite always; PostgreSQL when PLX_TEST_PG_PORT names a running server.
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "quality/qualityflag.h"
#include "quality/qualityseries.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace plx;

namespace {

constexpr int kStations = 11; // the checked station (1) and its 10 neighbours
const QDate kFirst(1870, 1, 1);
const QDate kLast(2019, 12, 31);

double best(const std::function<void()> &work)
{
    double fastest = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = qMin(fastest, double(timer.nsecsElapsed()) / 1e9);
    }
    return fastest;
}

// Rain on about 45 % of the days, the same days over the network (one weather), the
// amounts scaled a little from station to station.
QString rainExpression(int station)
{
    // "% " is the modulo, not a placeholder: arg() only replaces a '%' followed by digits.
    return QStringLiteral("CASE WHEN ((i * 7919) % 100) < 45 THEN ((i * 104729) % 300) / 10.0 * %1 "
                          "ELSE 0 END")
        .arg(sqlNumber(0.9 + 0.02 * station));
}

bool fill(AccesBase &db, bool sqlite, QString *error)
{
    const ScopedConnectionKind kind(db);
    const qint64 days = kFirst.daysTo(kLast) + 1;
    for (int s = 1; s <= kStations; ++s) {
        const QString code = QString::number(s);
        if (!CreateMeasurementTable(db, code, false))
            return false;
        const QString insert =
            QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant, X, Y, "
                           "TypeProjection) VALUES (%1, %2, %3, %4, %5, 31)")
                .arg(code, sqlQuote(QStringLiteral("Banc %1").arg(s)), sqlQuote(code),
                     sqlNumber(5 + 0.02 * s), sqlNumber(45 + 0.015 * s));
        const QString rows =
            sqlite
                ? QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s "
                                 "WHERE i < %1) INSERT INTO %2 (DateCreation, Heure, Pluie) "
                                 "SELECT date('1870-01-01', '+' || i || ' days') || ' 00:00:00', "
                                 "NULL, %3 FROM s")
                      .arg(days - 1)
                      .arg(measurementTableName(code), rainExpression(s))
                : QStringLiteral("INSERT INTO %2 (DateCreation, Heure, Pluie) SELECT "
                                 "date '1870-01-01' + CAST(i AS integer), NULL, %3 FROM "
                                 "generate_series(CAST(0 AS bigint), %1) AS i")
                      .arg(days - 1)
                      .arg(measurementTableName(code), rainExpression(s));
        if (!db.Execute(insert, error) || !db.executeNative(rows, error))
            return false;
    }
    return true;
}

void measure(const char *engine, AccesBase &db)
{
    int flags = 0;
    const double ours = best([&] {
        const QualityRun run = runQualityRules(db, QStringLiteral("1"), kFirst, kLast);
        if (!run.ok)
            std::fprintf(stderr, "%s: %s\n", engine, qPrintable(run.error));
        flags = int(run.flags.size());
    });
    size_t rows = 0;
    const double one = best([&] {
        QualitySeries series;
        readQualitySeries(db, QStringLiteral("1"), kFirst, kLast.addDays(1), &series, nullptr);
        rows = series.records.size();
    });
    const double all = best([&] {
        for (int s = 1; s <= kStations; ++s) {
            QualitySeries series;
            readQualitySeries(db, QString::number(s), kFirst, kLast.addDays(1), &series, nullptr,
                              s > 1);
        }
    });
    std::printf(
        "%-10s all rules, %zu days, 10 neighbours: %.3f s (%d flags) (target < 2 s) | "
        "reading the station's series: %.3f s | reading the 11 series as the rules do: %.3f s\n",
        engine, rows, ours, flags, one, all);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    AccesBase &db = AccesBase::instance();
    QString error;
    {
        QTemporaryDir dir;
        ConnectionProfile profile;
        profile.kind = QStringLiteral("ACCESS");
        profile.database = dir.filePath(QStringLiteral("bench.sqlite"));
        profile.createIfMissing = true;
        if (db.Connecter(profile, &error) && upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok &&
            fill(db, true, &error))
            measure("SQLite", db);
        else
            std::fprintf(stderr, "SQLite: %s\n", qPrintable(error + db.lastError()));
        db.Deconnecter();
    }
    const QString port = qEnvironmentVariable("PLX_TEST_PG_PORT");
    if (port.isEmpty()) {
        std::printf("PostgreSQL: skipped (PLX_TEST_PG_PORT not set)\n");
        return 0;
    }
    ConnectionProfile profile;
    profile.kind = QStringLiteral("POSTGRESQL");
    profile.server = QStringLiteral("127.0.0.1");
    profile.port = port;
    profile.user = qEnvironmentVariable("PLX_TEST_PG_USER", QStringLiteral("postgres"));
    profile.database = QStringLiteral("postgres");
    const QString name = QStringLiteral("bench_quality_%1").arg(QCoreApplication::applicationPid());
    if (!db.Connecter(profile, &error) ||
        !db.executeNative(QStringLiteral("CREATE DATABASE ") + name, &error)) {
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
        return 1;
    }
    ConnectionProfile bench = profile;
    bench.database = name;
    if (db.Connecter(bench, &error) && upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok &&
        fill(db, false, &error))
        measure("PostgreSQL", db);
    else
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error + db.lastError()));
    db.Connecter(profile);
    db.executeNative(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name), nullptr);
    db.Deconnecter();
    return 0;
}
