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

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kRows = 1000000;
constexpr int kChanged = 10000;
const QDate kFirstDay(2016, 7, 1);

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
    if (!qEnvironmentVariableIsEmpty("PLX_BENCH_NO_LOT_INDEX"))
        db.Execute(QStringLiteral("DROP INDEX ind_historique_lots"));
    // Both on (the program), each alone, both off (today's save).
    const SaveOptions variants[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    double times[4] = {1e9, 1e9, 1e9, 1e9};
    int written = 0, conflicts = 0;
    // Alternated, each row set loaded just before its save (a save loaded earlier would
    // meet its own previous save as another user's change).
    for (int run = 0; run < 12; ++run) {
        const int v = run % 4;
        std::vector<MeasureRow> rows = changedRows(db, run);
        QElapsedTimer timer;
        timer.start();
        const SaveResult saved = saveRows(db, kCode, rows, -1, std::nullopt, {}, variants[v]);
        times[v] = qMin(times[v], seconds(timer));
        if (!saved.ok)
            std::fprintf(stderr, "%s: %s\n", engine, qPrintable(saved.error));
        if (v == 0) {
            written = saved.written;
            conflicts = int(saved.conflictRows.size());
        }
    }
    std::printf("%-10s save of %d changed rows with the check and the history: %.3f s | the same "
                "without them: %.3f s | ratio %.2f (target < 1.5) | %d refused | the check "
                "alone %.3f s, the history alone %.3f s\n",
                engine, written, times[0], times[3], times[3] > 0 ? times[0] / times[3] : 0.0,
                conflicts, times[1], times[2]);
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
