// The validation editor on a station holding 1,000,000 timed rows (5-minute steps over
// nine and a half years).
//   Load: the whole series read into the editor (the query read row by row into compact
//   rows, the model reset, the grid shown and painted), next to the same load query run
//   alone through ExtraireRecords on the same connection. Also the memory the loaded
//   window holds (resident size before and after, transient buffers returned).
//   Save: 10,000 changed rows saved (one transaction, each row's instant deleted and the
//   row written), next to inserting the same rows into an empty twin table in one
//   transaction with a prepared statement.
#include "benchseries.h"
#include "db/preparedstatement.h"
#include "measures/validationsql.h"
#include "measures/validationstore.h"
#include "measures/widgets/validationmodel.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QTableView>

#include <malloc.h>

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kRows = 1000000;
constexpr int kChanged = 10000;
const QDate kFirstDay(2016, 7, 1);
const QDate kLastDay(2026, 12, 31);

double residentMegabytes()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024 * 1024) : 0;
}

void measureLoad(const char *engine, AccesBase &db)
{
    const ScopedConnectionKind kind(db);
    const double peer = best([&] {
        const RecordTable t = db.ExtraireRecords(windowQuery(kCode, kFirstDay, kLastDay));
        if (t.rowCount() != kRows)
            std::fprintf(stderr, "%s: %d rows read (%s)\n", engine, t.rowCount(), qPrintable(t.error()));
    });

    ValidationModel model;
    QTableView view;
    view.setModel(&model);
    view.resize(1300, 700);
    view.show();
    const double before = residentMegabytes();
    const double ours = best([&] {
        LoadResult loaded = loadWindow(db, kCode, kFirstDay, kLastDay, [](qint64, qint64) {
            QApplication::processEvents();
            return true;
        });
        if (int(loaded.rows.size()) != kRows)
            std::fprintf(stderr, "%s: %zu rows loaded (%s)\n", engine, loaded.rows.size(),
                         qPrintable(loaded.error));
        model.setRows(std::move(loaded.rows), loaded.lastValidatedRow);
        view.scrollTo(model.index(loaded.lastValidatedRow + 1, kDateColumn));
        view.viewport()->repaint();
    });
    const double after = residentMegabytes();
    // The floor: the same rows read one by one and dropped.
    const double read = best([&] {
        db.readRecords(windowQuery(kCode, kFirstDay, kLastDay), [](const QVariant *, int) { return true; });
    });
    std::printf("%-10s load of %d rows into the editor: %.3f s | the load query alone: %.3f s | "
                "ratio %.2f (target < 2) | the rows read and dropped: %.3f s\n",
                engine, kRows, ours, peer, peer > 0 ? ours / peer : 0.0, read);
    std::printf("%-10s memory of the loaded window: %.0f MB resident (%zu bytes a row, %.0f MB "
                "of rows) (target < 200 MB)\n",
                engine, after - before, sizeof(MeasureRow),
                double(model.rowCount()) * sizeof(MeasureRow) / (1024 * 1024));
}

// The last 10,000 steps, not yet validated, each with its rainfall changed.
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
    std::vector<std::vector<MeasureRow>> runs;
    int written = 0;
    double ours = 1e9;
    for (int run = 0; run < 3; ++run) {
        // Loaded just before its save: rows loaded before the previous save would meet it
        // as another user's change and be refused.
        runs.push_back(changedRows(db, run));
        QElapsedTimer timer;
        timer.start();
        const SaveResult saved = saveRows(db, kCode, runs.back(), -1, std::nullopt);
        ours = qMin(ours, seconds(timer));
        if (!saved.ok)
            std::fprintf(stderr, "%s: %s\n", engine, qPrintable(saved.error));
        written = saved.written;
    }

    const QString twin = QStringLiteral("2");
    // Only the inserts and their commit are timed, not the twin table's creation.
    double peer = 1e9;
    for (int attempt = 0; attempt < 3; ++attempt) {
        db.Execute(QStringLiteral("DROP TABLE PLUVIO_2"));
        {
            const ScopedConnectionKind kind(db);
            CreateMeasurementTable(db, twin, false);
        }
        QElapsedTimer timer;
        timer.start();
        db.DebutTransaction();
        auto insert = db.prepare(insertMeasurePrepared(twin));
        for (const MeasureRow &row : runs[0]) {
            QVariantList values{row.date, QDateTime(QDate(1899, 12, 30), row.heure, Qt::UTC)};
            for (int i = 0; i < kMeasuredValues; ++i)
                values << (row.hasValue(i) ? QVariant(row.values[size_t(i)]) : QVariant());
            values << (row.rupture ? 1 : 0) << QStringLiteral("M");
            insert->exec(values);
        }
        insert.reset();
        db.FinTransaction(true);
        peer = qMin(peer, seconds(timer));
    }
    std::printf("%-10s save of %d changed rows: %.3f s | prepared inserts in one transaction: "
                "%.3f s | ratio %.2f (target < 2)\n",
                engine, written, ours, peer, peer > 0 ? ours / peer : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    onEachEngine(kRows, createSeriesTable, [](const char *engine, AccesBase &db) {
        measureLoad(engine, db);
        measureSave(engine, db);
    });
    return 0;
}
