// Importing a Météo-France daily archive (by default Q_13_1786-1949: 585,377 rows, 79
// stations, gzipped) into a new database, every station created from the file, next to the
// database's own bulk loader fed the same rows in the same run:
//   SQLite      runImport into a new file     vs  the sqlite3 tool's .import
//   PostgreSQL  runImport into a new database vs  psql's \copy
// The peers load the decompressed file into one table of text columns, with no index, no
// history, no conversion and no register: the bound asked is under twice their time. Each
// peer is also given the four columns the import keeps (station, day, RR, QRR) for a
// stricter figure. The peak memory of the process is printed beside the file's size.
// Ours reads the gzipped archive itself (its decompression included); the peers get it
// decompressed beforehand.
// Usage: bench_import [ARCHIVE.csv.gz]; PostgreSQL when PLX_TEST_PG_PORT names a server.
#include "benchseries.h"
#include "imports/importreader.h"
#include "imports/importrun.h"
#include "imports/importsource.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

using namespace plx;
using namespace plxbench;

namespace {

const QString kDefaultArchive = QStringLiteral(
    "/work/shared/data/rain/meteofrance_daily_dept13/Q_13_1786-1949_RR-T-Vent.csv.gz");

// Reading alone, for the share of the time the writing takes.
class NullSink final : public ImportSink
{
public:
    bool station(const ImportedStation &) override { return true; }
    bool row(const ImportedRow &) override { return ++rows > 0; }
    bool refused(const RefusedLine &) override { return true; }
    qint64 rows = 0;
};

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

bool runTool(const QString &program, const QStringList &arguments, double *seconds,
             const QString &input = QString())
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!input.isEmpty()) {
        process.write(input.toUtf8());
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(program),
                     qPrintable(QString::fromUtf8(process.readAllStandardError())));
        return false;
    }
    if (seconds)
        *seconds = double(timer.nsecsElapsed()) / 1e9;
    return true;
}

// The archive decompressed, and its four kept columns, for the peers.
bool writePeerFiles(const QString &archive, const QString &whole, const QString &kept,
                    QStringList *header)
{
    QProcess gzip;
    gzip.setStandardOutputFile(whole);
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), archive});
    if (!gzip.waitForFinished(-1) || gzip.exitCode() != 0)
        return false;
    QFile in(whole), four(kept);
    if (!in.open(QIODevice::ReadOnly) || !four.open(QIODevice::WriteOnly))
        return false;
    bool first = true;
    while (!in.atEnd()) {
        const QByteArray line = in.readLine();
        const QList<QByteArray> cells = line.trimmed().split(';');
        if (first) {
            for (const QByteArray &cell : cells)
                *header << QString::fromLatin1(cell);
            first = false;
        }
        if (cells.size() > 7)
            four.write(cells[0] + ';' + cells[5] + ';' + cells[6] + ';' + cells[7] + '\n');
    }
    return true;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

ImportReport importArchive(AccesBase &db, const QString &archive, double *seconds, double *cpu)
{
    QString error;
    const QList<ImportSource> sources = listImportSources(archive, &error);
    const std::unique_ptr<ImportReader> reader = createImportReader(ImportFormat::MeteoFranceQ);
    ImportOptions options;
    options.createStations = true;
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    ImportReport report = runImport(db, sources, *reader, options);
    *seconds = double(timer.nsecsElapsed()) / 1e9;
    *cpu = cpuSeconds() - cpuStart;
    return report;
}

void printLine(const char *engine, const ImportReport &report, double ours, double cpu,
               const char *peer, double whole, double kept)
{
    std::printf("%-10s import: %.2f s, %.2f s of it on the processor (%lld rows read, %lld "
                "written, %lld refused, %lld "
                "stations created)%s\n",
                engine, ours, cpu, report.read, report.written, report.refused,
                qlonglong(report.createdStations.size()),
                report.ok ? "" : qPrintable(QStringLiteral(" ERROR ") + report.error));
    std::printf("%-10s %s of the file: %.2f s -> %.2fx; of its four kept columns: %.2f s -> "
                "%.2fx (bound: under 2x)\n",
                engine, peer, whole, whole > 0 ? ours / whole : 0.0, kept,
                kept > 0 ? ours / kept : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString archive = argc > 1 ? QString::fromLocal8Bit(argv[1]) : kDefaultArchive;
    QTemporaryDir dir;
    const QString whole = dir.filePath(QStringLiteral("whole.csv"));
    const QString kept = dir.filePath(QStringLiteral("kept.csv"));
    QStringList header;
    if (!writePeerFiles(archive, whole, kept, &header)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(archive));
        return 1;
    }
    std::printf("archive %s: %.1f MB decompressed, %lld columns\n", qPrintable(archive),
                double(QFileInfo(whole).size()) / 1e6, qlonglong(header.size()));
    {
        const std::unique_ptr<ImportReader> reader = createImportReader(ImportFormat::MeteoFranceQ);
        NullSink sink;
        QString error;
        const QList<ImportSource> sources = listImportSources(archive, &error);
        QElapsedTimer timer;
        timer.start();
        const std::unique_ptr<QIODevice> device = sources.value(0).open(&error);
        if (device)
            reader->read(*device, sink);
        std::printf("reading alone (no database): %.2f s for %lld rows\n",
                    double(timer.nsecsElapsed()) / 1e9, sink.rows);
    }
    const QString plx = QStringLiteral(PLX_CLI_PATH);
    AccesBase &db = AccesBase::instance();
    QString error;

    {
        const QString file = dir.filePath(QStringLiteral("import.sqlite"));
        ConnectionProfile profile;
        profile.kind = QStringLiteral("ACCESS");
        profile.database = file;
        if (!runTool(plx, {QStringLiteral("init"), QStringLiteral("--db"), file}, nullptr) ||
            !db.Connecter(profile, &error)) {
            std::fprintf(stderr, "SQLite: %s\n", qPrintable(error));
            return 1;
        }
        double ours = 0, cpu = 0;
        const ImportReport report = importArchive(db, archive, &ours, &cpu);
        db.Deconnecter();
        const double memory = peakMegabytes();
        double peerWhole = 0, peerKept = 0;
        const QString sqlite3 = QStringLiteral("sqlite3");
        const QString peerDb = dir.filePath(QStringLiteral("peer.sqlite"));
        const bool peersRan =
            runTool(sqlite3,
                    {peerDb, QStringLiteral(".mode csv"), QStringLiteral(".separator ;"),
                     QStringLiteral(".import %1 whole").arg(whole)},
                    &peerWhole) &&
            runTool(sqlite3,
                    {peerDb,
                     QStringLiteral("CREATE TABLE kept (NUM_POSTE TEXT, AAAAMMJJ TEXT, RR TEXT, "
                                    "QRR TEXT)"),
                     QStringLiteral(".mode csv"), QStringLiteral(".separator ;"),
                     QStringLiteral(".import %1 kept").arg(kept)},
                    &peerKept);
        if (!peersRan)
            std::printf("SQLite     sqlite3 tool not found: no peer figure\n");
        printLine("SQLite", report, ours, cpu, "sqlite3 .import", peerWhole, peerKept);
        std::printf("SQLite     peak memory of the process: %.0f MB\n", memory);
    }

    const QString port = qEnvironmentVariable("PLX_TEST_PG_PORT");
    if (port.isEmpty()) {
        std::printf("PostgreSQL: skipped (PLX_TEST_PG_PORT not set)\n");
        return 0;
    }
    const QString user = qEnvironmentVariable("PLX_TEST_PG_USER", QStringLiteral("postgres"));
    ConnectionProfile admin;
    admin.kind = QStringLiteral("POSTGRESQL");
    admin.server = QStringLiteral("127.0.0.1");
    admin.port = port;
    admin.user = user;
    admin.database = QStringLiteral("postgres");
    const QString name = QStringLiteral("bench_import_%1").arg(QCoreApplication::applicationPid());
    const QString peerName = name + QStringLiteral("_peer");
    if (!db.Connecter(admin, &error) ||
        !db.executeNative(QStringLiteral("CREATE DATABASE ") + name, &error) ||
        !db.executeNative(QStringLiteral("CREATE DATABASE ") + peerName, &error)) {
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
        return 1;
    }
    db.Deconnecter();
    const auto conninfo = [&](const QString &database) {
        return QStringLiteral("host=127.0.0.1 port=%1 user=%2 dbname=%3").arg(port, user, database);
    };
    ConnectionProfile bench = admin;
    bench.database = name;
    if (runTool(plx, {QStringLiteral("init"), QStringLiteral("--pg"), conninfo(name)}, nullptr) &&
        db.Connecter(bench, &error)) {
        double ours = 0, cpu = 0;
        const ImportReport report = importArchive(db, archive, &ours, &cpu);
        db.Deconnecter();
        QStringList columns;
        for (const QString &column : header)
            columns << QLatin1Char('"') + column + QStringLiteral("\" text");
        double peerWhole = 0, peerKept = 0;
        const QString psql = QStringLiteral("psql");
        const QStringList connect{QStringLiteral("-q"), QStringLiteral("-v"),
                                  QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"),
                                  conninfo(peerName)};
        runTool(psql,
                connect + QStringList{QStringLiteral("-c"),
                                      QStringLiteral("CREATE TABLE whole (%1); CREATE TABLE kept "
                                                     "(num_poste text, aaaammjj text, rr text, "
                                                     "qrr text)")
                                          .arg(columns.join(QStringLiteral(", ")))},
                nullptr);
        runTool(psql,
                connect + QStringList{QStringLiteral("-c"),
                                      QStringLiteral("\\copy whole from '%1' with (format csv, "
                                                     "delimiter ';', header)")
                                          .arg(whole)},
                &peerWhole);
        runTool(psql,
                connect + QStringList{QStringLiteral("-c"),
                                      QStringLiteral("\\copy kept from '%1' with (format csv, "
                                                     "delimiter ';', header)")
                                          .arg(kept)},
                &peerKept);
        printLine("PostgreSQL", report, ours, cpu, "psql \\copy", peerWhole, peerKept);
    } else {
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
    }
    db.Connecter(admin);
    db.executeNative(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name), nullptr);
    db.executeNative(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(peerName),
                     nullptr);
    db.Deconnecter();
    return 0;
}
