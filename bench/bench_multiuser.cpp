// What the multi-user safety costs, on a station holding 1,000,000 timed rows.
//   Save: 10,000 changed rows saved with the check against other users' changes (the
//   records read and locked) and the history rows written in the same transaction, next
//   to the same save with both switched off (here only), in the same run.
//   Devalidation: the whole table devalidated (its count, the update and the history's
//   one summary row), next to the bare UPDATE in one transaction.
#include "benchseries.h"
#include "measures/validationstore.h"
#include "schema/measurehistorytable.h"

#include <QCoreApplication>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kRows = 1000000;
constexpr int kChanged = 10000;
const QDate kFirstDay(2016, 7, 1);

// The processor time of this thread: steadier than the wall clock when the machine is busy,
// though it leaves out the waits for the disk.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The last 10,000 steps loaded as the editor loads them, each rainfall changed.
std::vector<MeasureRow> changedRows(AccesBase &db, int run)
{
    const QDate to = kFirstDay.addDays(qint64(kRows) * 5 / (24 * 60));
    LoadResult loaded = loadWindow(db, kCode, to.addDays(-40), to);
    std::vector<MeasureRow> rows(loaded.rows.end() - qMin<qsizetype>(kChanged, loaded.rows.size()),
                                 loaded.rows.end());
    for (MeasureRow &row : rows) {
        row.setValue(0, row.value(0).value_or(0) + 0.5 + run);
        row.obtention = QLatin1Char('M');
        row.dirty = true;
    }
    return rows;
}

void measureSave(const char *engine, AccesBase &db)
{
    ensureMeasureHistoryTable(db);
    // Both on (the program), each alone, both off (today's save).
    const auto variant = [](bool check, bool history) {
        SaveOptions options;
        options.check = check;
        options.history = history;
        return options;
    };
    const SaveOptions variants[] = {variant(true, true), variant(true, false),
                                    variant(false, true), variant(false, false)};
    constexpr int kRunsEach = 15;
    std::vector<double> times[4], cpu[4];
    int written = 0, conflicts = 0;
    // Alternated, each row set loaded just before its save (a save loaded earlier would
    // meet its own previous save as another user's change); the median of each, as the
    // best of a few runs swings on a machine that does anything else.
    for (int run = 0; run < 4 * kRunsEach; ++run) {
        const int v = run % 4;
        std::vector<MeasureRow> rows = changedRows(db, run);
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = cpuSeconds();
        const SaveResult saved = saveRows(db, kCode, rows, -1, std::nullopt, {}, variants[v]);
        times[v].push_back(seconds(timer));
        cpu[v].push_back(cpuSeconds() - cpuBefore);
        if (!saved.ok)
            std::fprintf(stderr, "%s: %s\n", engine, qPrintable(saved.error));
        if (v == 0) {
            written = saved.written;
            conflicts = int(saved.conflictRows.size());
        }
    }
    double median[4], cpuMedian[4];
    for (int v = 0; v < 4; ++v) {
        std::sort(times[v].begin(), times[v].end());
        median[v] = times[v][times[v].size() / 2];
        std::sort(cpu[v].begin(), cpu[v].end());
        cpuMedian[v] = cpu[v][cpu[v].size() / 2];
    }
    std::printf("%-10s save of %d changed rows with the check and the history: %.3f s | the same "
                "without them: %.3f s | ratio %.2f (target < 1.5) | %d refused | the check "
                "alone %.3f s, the history alone %.3f s (medians of %d)\n",
                engine, written, median[0], median[3],
                median[3] > 0 ? median[0] / median[3] : 0.0, conflicts, median[1], median[2],
                kRunsEach);
    std::printf("%-10s processor time of the same saves: %.3f s | without: %.3f s | ratio %.2f | "
                "the check alone %.3f s, the history alone %.3f s\n",
                engine, cpuMedian[0], cpuMedian[3],
                cpuMedian[3] > 0 ? cpuMedian[0] / cpuMedian[3] : 0.0, cpuMedian[1], cpuMedian[2]);
}

void measureDevalidation(const char *engine, AccesBase &db)
{
    const QString validateAll = QStringLiteral("UPDATE PLUVIO_1 SET Validite='V'");
    double ours = 1e9, peer = 1e9;
    qint64 count = 0;
    for (int run = 0; run < 4; ++run) {
        db.Execute(validateAll);
        QElapsedTimer timer;
        timer.start();
        if (run % 2 == 0) {
            count = devalidateAll(db, kCode);
            ours = qMin(ours, seconds(timer));
        } else {
            db.DebutTransaction();
            db.Execute(QStringLiteral("UPDATE PLUVIO_1 SET Validite=''"));
            db.FinTransaction(true);
            peer = qMin(peer, seconds(timer));
        }
    }
    std::printf("%-10s devalidation of %lld records: %.3f s | the bare UPDATE: %.3f s | ratio "
                "%.2f (target < 1.5)\n",
                engine, count, ours, peer, peer > 0 ? ours / peer : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    onEachEngine(kRows, createSeriesTable, [](const char *engine, AccesBase &db) {
        const ScopedConnectionKind kind(db);
        measureSave(engine, db);
        if (qEnvironmentVariableIsEmpty("PLX_BENCH_SAVE_ONLY"))
            measureDevalidation(engine, db);
    });
    return 0;
}
