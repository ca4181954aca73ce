// Filling the demo network (22 stations, about 82,000 measurement rows with the long
// records, and 3 piezometers with about 5,400 daily levels) on a database that already has
// its schema, next to the floor of that work on the same engine in the same run: the same
// rows copied table to table by the engine itself (INSERT ... SELECT into fresh measurement
// and level tables with the same unique index, in one transaction), which parses nothing
// and sends nothing. Also shown: reading the
// compiled-in files alone, and creating the schema. Each figure is the best of three runs,
// each on a fresh database. PostgreSQL is measured when PLX_TEST_PG_PORT names a running
// server; the benchmark creates its databases there and drops them afterwards.
#include "run/demodata.h"
#include "run/demonetwork.h"

#include "db/accesbase.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "schema/groundwatertables.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace plx;

namespace {

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

struct Figures
{
    double schema = 1e9, fill = 1e9, copy = 1e9, piezometers = 1e9;
    qint64 rows = 0;
};

// Copies every station's rows into a new measurement table; the number of rows copied,
// -1 on failure.
qint64 copyAllRows(AccesBase &db)
{
    const RecordTable codes =
        db.ExtraireRecords(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES"));
    const ScopedConnectionKind kind(db);
    qint64 rows = 0;
    // The tables are made inside the transaction, as the demo makes its own: on SQLite a
    // commit per CREATE outside one would cost more than the copy.
    Transaction transaction(db);
    for (int r = 0; r < codes.rowCount(); ++r) {
        if (!CreateMeasurementTable(db, QString::number(50000 + r), false))
            return -1;
    }
    const RecordTable piezometers =
        db.ExtraireRecords(QStringLiteral("SELECT CodePiezometre FROM PIEZOMETRES"));
    for (int r = 0; r < piezometers.rowCount(); ++r) {
        if (!CreatePiezometerLevelTable(db, QString::number(50000 + r)))
            return -1;
    }
    for (int r = 0; r < piezometers.rowCount(); ++r) {
        const QString from = pzTableName(piezometers.text(r, 0));
        const QString to = pzTableName(QString::number(50000 + r));
        if (!transaction.exec(QStringLiteral("INSERT INTO ") + to + QStringLiteral(" SELECT * FROM ") +
                              from))
            return -1;
        rows += db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM ") + from).at(0, 0).toLongLong();
    }
    for (int r = 0; r < codes.rowCount(); ++r) {
        const QString from = measurementTableName(codes.text(r, 0));
        const QString to = measurementTableName(QString::number(50000 + r));
        if (!transaction.exec(QStringLiteral("INSERT INTO ") + to + QStringLiteral(" SELECT * FROM ") +
                              from))
            return -1;
        rows += db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM ") + from).at(0, 0).toLongLong();
    }
    return transaction.commit() ? rows : -1;
}

// One run on a fresh, connected database.
bool runOnce(AccesBase &db, Figures *figures)
{
    QElapsedTimer timer;
    timer.start();
    const SchemaUpgradeReport schema = upgradeSchema(db, QStringLiteral(PLX_VERSION));
    if (!schema.ok) {
        std::fprintf(stderr, "schéma : %s\n", qPrintable(schema.error));
        return false;
    }
    figures->schema = qMin(figures->schema, seconds(timer));
    timer.restart();
    QString error;
    if (!fillDemoNetwork(db, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    figures->fill = qMin(figures->fill, seconds(timer));
    timer.restart();
    const qint64 rows = copyAllRows(db);
    if (rows < 0) {
        std::fprintf(stderr, "copie : %s\n", qPrintable(db.lastError()));
        return false;
    }
    figures->copy = qMin(figures->copy, seconds(timer));
    figures->rows = rows;

    // The groundwater share of the fill: the piezometers removed, the demo run again, which
    // then writes them alone (the rain gauges are there already).
    const RecordTable piezometers =
        db.ExtraireRecords(QStringLiteral("SELECT CodePiezometre FROM PIEZOMETRES"));
    for (int r = 0; r < piezometers.rowCount(); ++r) {
        if (!db.Execute(QStringLiteral("DROP TABLE ") + pzTableName(piezometers.text(r, 0))))
            return false;
    }
    if (!db.Execute(QStringLiteral("DELETE FROM LIEN_PIEZO_ENTITE_HYDRO"))
        || !db.Execute(QStringLiteral("DELETE FROM PIEZOMETRES")))
        return false;
    timer.restart();
    if (!fillDemoNetwork(db, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    figures->piezometers = qMin(figures->piezometers, seconds(timer));
    return true;
}

void report(const char *engine, const Figures &f)
{
    std::printf("%-10s demo fill, %lld rows: %.3f s | same rows copied by the engine: %.3f s | "
                "ratio %.1f | schema alone: %.3f s | piezometers alone: %.3f s\n",
                engine, static_cast<long long>(f.rows), f.fill, f.copy,
                f.copy > 0 ? f.fill / f.copy : 0.0, f.schema, f.piezometers);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    AccesBase &db = AccesBase::instance();

    double parse = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        demo::DemoData data;
        QString error;
        if (!demo::loadDemoData(&data, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        parse = qMin(parse, seconds(timer));
    }
    std::printf("reading the compiled-in demo files: %.3f s\n", parse);

    Figures sqlite;
    for (int run = 0; run < 3; ++run) {
        QTemporaryDir dir;
        ConnectionProfile profile;
        profile.kind = QStringLiteral("ACCESS");
        profile.database = dir.filePath(QStringLiteral("bench.sqlite"));
        profile.createIfMissing = true;
        QString error;
        if (!db.Connecter(profile, &error) || !runOnce(db, &sqlite)) {
            std::fprintf(stderr, "SQLite: %s\n", qPrintable(error));
            return 1;
        }
        db.Deconnecter();
    }
    report("SQLite", sqlite);

    const QString port = qEnvironmentVariable("PLX_TEST_PG_PORT");
    if (port.isEmpty()) {
        std::printf("PostgreSQL: skipped (PLX_TEST_PG_PORT not set)\n");
        return 0;
    }
    ConnectionProfile server;
    server.kind = QStringLiteral("POSTGRESQL");
    server.server = QStringLiteral("127.0.0.1");
    server.port = port;
    server.user = qEnvironmentVariable("PLX_TEST_PG_USER", QStringLiteral("postgres"));
    server.database = QStringLiteral("postgres");
    Figures pg;
    for (int run = 0; run < 3; ++run) {
        const QString name =
            QStringLiteral("bench_demo_%1_%2").arg(QCoreApplication::applicationPid()).arg(run);
        QString error;
        if (!db.Connecter(server, &error)
            || !db.executeNative(QStringLiteral("CREATE DATABASE ") + name, &error)) {
            std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
            return 1;
        }
        ConnectionProfile bench = server;
        bench.database = name;
        const bool ok = db.Connecter(bench, &error) && runOnce(db, &pg);
        db.Connecter(server);
        db.executeNative(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name),
                         nullptr);
        db.Deconnecter();
        if (!ok) {
            std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
            return 1;
        }
    }
    report("PostgreSQL", pg);
    return 0;
}
