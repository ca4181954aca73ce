// Reading the Météo-France daily archive of department 13 (Q_13_1786-1949, 585,377 rows,
// 69 MB once inflated) through the daily reader into a sink that only counts, next to the
// two things any reader of that file must do at least, measured in the same run:
//   - inflating the .gz with the same gzip stream and throwing the bytes away;
//   - `zcat FILE | wc -l`, the shell's count of the same lines.
// The reader's cost over the plain inflate is the parsing. Peak memory is printed too: it
// must not grow with the file. Each figure is the best of three runs.
// Usage: bench_import_read [PATH]   (default: the shared test material's archive)
#include "imports/csvmapping.h"
#include "imports/importreader.h"
#include "imports/importsource.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

#include <cstdio>
#include <functional>

using namespace plx;

namespace {

double best(const std::function<void()> &run)
{
    double fastest = 1e30;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e9);
    }
    return fastest;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct CountingSink : ImportSink
{
    qint64 stations = 0, rows = 0, refusals = 0;
    double total = 0;
    bool station(const ImportedStation &) override { return ++stations > 0; }
    bool row(const ImportedRow &row) override
    {
        ++rows;
        total += row.values[0];
        return true;
    }
    bool refused(const RefusedLine &) override { return ++refusals > 0; }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1
                             ? QString::fromLocal8Bit(argv[1])
                             : QStringLiteral("/work/shared/data/rain/meteofrance_daily_dept13/"
                                              "Q_13_1786-1949_RR-T-Vent.csv.gz");
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "%s: fichier introuvable\n", qPrintable(path));
        return 1;
    }
    QString error;
    const QList<ImportSource> sources = listImportSources(path, &error);
    if (sources.size() != 1) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const ImportSource &source = sources.first();

    qint64 inflated = 0;
    const double inflate = best([&] {
        inflated = 0;
        auto device = source.open(&error);
        QByteArray buffer(256 * 1024, Qt::Uninitialized);
        for (qint64 n; (n = device->read(buffer.data(), buffer.size())) > 0;)
            inflated += n;
    });
    const long afterInflate = peakKiB();

    CountingSink counted;
    ReadResult result;
    const double reader = best([&] {
        counted = CountingSink();
        auto device = source.open(&error);
        result = createImportReader(ImportFormat::MeteoFranceQ)->read(*device, counted);
    });
    const long afterReader = peakKiB();
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
        return 1;
    }

    QByteArray wcOut;
    const double shell = best([&] {
        QProcess process;
        process.start(QStringLiteral("sh"),
                      {QStringLiteral("-c"), QStringLiteral("zcat \"$0\" | wc -l"), path});
        process.waitForFinished(-1);
        wcOut = process.readAllStandardOutput().trimmed();
    });

    std::printf("file: %s (%.1f MB compressed, %.1f MB inflated)\n",
                qPrintable(QFileInfo(path).fileName()), QFileInfo(path).size() / 1e6,
                inflated / 1e6);
    std::printf(
        "reader (meteofrance-q)  : %.3f s  %lld lines, %lld rows, %lld refused, %lld stations, "
        "%.1f mm  (%.0f rows/s)\n",
        reader, result.linesRead, counted.rows, counted.refusals, counted.stations, counted.total,
        counted.rows / reader);
    std::printf("gzip inflate only       : %.3f s  (reader = %.2f x inflate)\n", inflate,
                reader / inflate);
    std::printf("zcat | wc -l            : %.3f s  %s lines  (reader = %.2f x zcat | wc -l)\n",
                shell, wcOut.constData(), reader / shell);
    // The generic reader on the same rows (decompressed once, in memory), mapping guessed,
    // beside the dedicated reader on that same buffer: the cost of the mapping's generality.
    QByteArray plain;
    {
        auto device = source.open(&error);
        plain = device->readAll();
    }
    QList<QByteArray> head;
    for (const QByteArray &line : plain.left(64 * 1024).split('\n'))
        head.append(line);
    CsvMapping mapping = CsvMapping::guess(head.mid(0, 50));
    mapping.dateFormat = QStringLiteral("yyyyMMdd");
    mapping.dateColumn = 5;
    mapping.valueColumns[0] = 6;
    CountingSink generic, dedicated;
    const double csv = best([&] {
        generic = CountingSink();
        QBuffer buffer(&plain);
        buffer.open(QIODevice::ReadOnly);
        createImportReader(ImportFormat::Csv, &mapping)->read(buffer, generic);
    });
    const double inMemory = best([&] {
        dedicated = CountingSink();
        QBuffer buffer(&plain);
        buffer.open(QIODevice::ReadOnly);
        createImportReader(ImportFormat::MeteoFranceQ)->read(buffer, dedicated);
    });
    std::printf("from memory: meteofrance-q %.3f s (%lld rows), csv with a mapping %.3f s (%lld "
                "rows, %.1f mm): "
                "csv = %.2f x the dedicated reader\n",
                inMemory, dedicated.rows, csv, generic.rows, generic.total, csv / inMemory);
    std::printf("peak memory             : %ld KiB after inflating, %ld KiB after reading\n",
                afterInflate, afterReader);
    return 0;
}
