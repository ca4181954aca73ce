#pragma once

// A station holding a long timed series, on SQLite and on PostgreSQL, for the benchmarks
// of the measurement screens: 5-minute steps from 01/07/2016, rain on some steps, gaps of
// nulls, older values validated, some controlled, the last ones not yet. PostgreSQL is
// measured when PLX_TEST_PG_PORT names a running server; the benchmark creates its own
// database there and drops it afterwards.
#include "db/accesbase.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace plxbench {

using namespace plx;

const QString kCode = QStringLiteral("1");
const QString kTable = QStringLiteral("PLUVIO_1");

inline const QString &seriesValues()
{
    static const QString values = QStringLiteral(
        "CASE WHEN i % 1009 = 0 THEN NULL WHEN (i * 7919) % 13 = 0 THEN ((i * 104729) % 120) / 10.0 "
        "ELSE 0 END, "
        "CASE WHEN i % 1013 = 0 THEN NULL WHEN (i * 7919) % 13 = 0 THEN ((i * 104729) % 70) / 10.0 "
        "ELSE 0 END, "
        "CASE WHEN i % 12 = 0 THEN ((i * 31) % 50) / 10.0 END, "
        "CASE WHEN i % 1019 = 0 THEN NULL ELSE ((i * 37) % 300) / 10.0 - 5 END, "
        "NULL, NULL, 0, 'A', NULL, "
        "CASE WHEN i > 900000 THEN '' WHEN i % 5 = 0 THEN 'C' ELSE 'V' END");
    return values;
}

inline double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// The best of three runs.
inline double best(const std::function<void()> &work)
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

// The database onEachEngine is measuring (for benchmarks that run the command-line tool).
inline ConnectionProfile &benchProfile()
{
    static ConnectionProfile profile;
    return profile;
}

using StationSetup = std::function<bool(AccesBase &)>;
using Measure = std::function<void(const char *engine, AccesBase &)>;

inline bool createSeriesTable(AccesBase &db)
{
    const ScopedConnectionKind kind(db);
    return CreateMeasurementTable(db, kCode, false);
}

// Creates the station (setup), fills rows steps and runs measure, on each engine.
inline void onEachEngine(int rows, const StationSetup &setup, const Measure &measure)
{
    AccesBase &db = AccesBase::instance();
    QString error;
    {
        QTemporaryDir dir;
        ConnectionProfile profile;
        profile.kind = QStringLiteral("ACCESS");
        profile.database = dir.filePath(QStringLiteral("bench.sqlite"));
        profile.createIfMissing = true;
        const QString fill =
            QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE i < ") +
            QString::number(rows - 1) +
            QStringLiteral("), t(i, at) AS (SELECT i, datetime('2016-07-01', '+' || (i * 300) || "
                           "' seconds') FROM s) INSERT INTO PLUVIO_1 SELECT date(at) || ' 00:00:00', "
                           "'1899-12-30 ' || time(at), ") +
            seriesValues() + QStringLiteral(" FROM t");
        benchProfile() = profile;
        if (db.Connecter(profile, &error) && setup(db) && db.executeNative(fill, &error))
            measure("SQLite", db);
        else
            std::fprintf(stderr, "SQLite: %s\n", qPrintable(error + db.lastError()));
        db.Deconnecter();
    }

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
    const QString name = QStringLiteral("bench_series_%1").arg(QCoreApplication::applicationPid());
    error.clear();
    if (!db.Connecter(profile, &error) ||
        !db.executeNative(QStringLiteral("CREATE DATABASE ") + name, &error)) {
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
        return;
    }
    ConnectionProfile bench = profile;
    bench.database = name;
    benchProfile() = bench;
    if (db.Connecter(bench, &error) && setup(db)) {
        const QString fill =
            QStringLiteral("INSERT INTO PLUVIO_1 SELECT date_trunc('day', at), timestamp "
                           "'1899-12-30' + (at - date_trunc('day', at)), ") +
            seriesValues() + QStringLiteral(" FROM generate_series(CAST(0 AS bigint), ") +
            QString::number(rows - 1) +
            QStringLiteral(") AS i, LATERAL (SELECT timestamp '2016-07-01' + i * interval "
                           "'5 minutes' AS at) x");
        if (db.executeNative(fill, &error) &&
            db.executeNative(QStringLiteral("ANALYZE PLUVIO_1"), &error))
            measure("PostgreSQL", db);
    }
    if (!error.isEmpty())
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
    db.Connecter(profile);
    db.executeNative(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name), nullptr);
    db.Deconnecter();
}

} // namespace plxbench
