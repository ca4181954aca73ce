// plx sql printing the 1,000,000 rows of a measurement table into a file, next to the
// engine's own command-line client printing the same rows as tab-separated text into a
// file, in the same run:
//   plx sql --db FILE "SELECT * FROM PLUVIO_1" > out      sqlite3 -separator TAB FILE "..." > out
//   plx sql --pg CONNINFO "SELECT * FROM PLUVIO_1" > out  psql -At -F TAB -c "..." > out
// Each figure is the best of three runs. PLX_BENCH_CLI names another plx to time (an older
// build, to compare). PostgreSQL is measured when PLX_TEST_PG_PORT names
// a running server; the benchmark creates its own database there and drops it afterwards.
#include "benchseries.h"

#include <QFile>
#include <QProcess>

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kRows = 1000000;
const QString kSelect = QStringLiteral("SELECT * FROM PLUVIO_1");

// Runs the program with its output into the file; the lines written, -1 on failure.
qint64 run(const QString &program, const QStringList &arguments, const QString &output)
{
    QProcess process;
    process.setStandardOutputFile(output);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return -1;
    }
    QFile file(output);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().count('\n');
}

void report(const char *engine, AccesBase &)
{
    const ConnectionProfile &profile = benchProfile();
    QStringList ours{QStringLiteral("sql")};
    QString peer;
    QStringList peerArguments;
    if (profile.kind == QLatin1String("POSTGRESQL")) {
        ours << QStringLiteral("--pg")
             << QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                    .arg(profile.server, profile.port, profile.database, profile.user);
        peer = QStringLiteral("psql");
        peerArguments = {QStringLiteral("-h"),
                         profile.server,
                         QStringLiteral("-p"),
                         profile.port,
                         QStringLiteral("-U"),
                         profile.user,
                         QStringLiteral("-d"),
                         profile.database,
                         QStringLiteral("-At"),
                         QStringLiteral("-F"),
                         QStringLiteral("\t"),
                         QStringLiteral("-c"),
                         kSelect};
    } else {
        ours << QStringLiteral("--db") << profile.database;
        peer = QStringLiteral("sqlite3");
        peerArguments = {QStringLiteral("-separator"), QStringLiteral("\t"), profile.database,
                         kSelect};
    }
    ours << kSelect;
    AccesBase::instance().Deconnecter(); // plx opens its own connection

    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("rows.txt"));
    qint64 ourLines = 0, peerLines = 0;
    const QString tool = qEnvironmentVariable("PLX_BENCH_CLI", QStringLiteral(PLX_CLI_PATH));
    const double plx = best([&] { ourLines = run(tool, ours, output); });
    const double client = best([&] { peerLines = run(peer, peerArguments, output); });
    if (ourLines != kRows || peerLines != kRows)
        std::fprintf(stderr, "%s: %lld lines from plx, %lld from %s\n", engine, ourLines, peerLines,
                     qPrintable(peer));
    std::printf(
        "%-10s plx sql, %d rows into a file: %.3f s | %s: %.3f s | ratio %.2f (target <= 1.5)\n",
        engine, kRows, plx, qPrintable(peer), client, client > 0 ? plx / client : 0.0);
    AccesBase::instance().Connecter(profile);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    onEachEngine(kRows, createSeriesTable, report);
    return 0;
}
