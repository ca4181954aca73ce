// The one-click grid export of a large grid: 100,000 rows of a validation window (date,
// time, three values, a validity code), 3 runs, medians:
//   (a) the floor: the same rows' CSV text (built beforehand) deflated into a zip through
//       QuaZip and written atomically, the compression and writing every format pays;
//   (b) .xlsx, (c) .ods, (d) CSV, each from the typed grid, as DeclencheExcel writes them.
// Prints the times and the ratios to (a).
#include "outputs/csvgrid.h"
#include "outputs/odsgrid.h"
#include "outputs/xlsxgrid.h"
#include "outputs/zipentries.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTime>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace plx;

namespace {

constexpr int Rows = 100000;
constexpr int Runs = 3;

XlsxGrid grid()
{
    XlsxGrid grid;
    grid.sheetName = grid.title = QStringLiteral("Validation_13047/001");
    grid.headings = {QStringLiteral("Date"), QStringLiteral("Heure"), QStringLiteral("Pluie"),
                     QStringLiteral("Pl Efficace"), QStringLiteral("Etp"),
                     QStringLiteral("Validité")};
    grid.rows.reserve(Rows);
    for (int i = 0; i < Rows; ++i)
        grid.rows.push_back({QDate(1990, 1, 1).addDays(i / 24), QTime(i % 24, 0),
                             double(i % 97) / 10.0, i % 5 ? QVariant(double(i % 13) / 4.0)
                                                          : QVariant(),
                             2.5, i % 3 ? QStringLiteral("V") : QString()});
    return grid;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timed(const std::function<bool()> &run)
{
    std::vector<double> times;
    for (int r = 0; r < Runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        if (!run()) {
            std::fprintf(stderr, "a run failed\n");
            return -1;
        }
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const XlsxGrid rows = grid();
    const QByteArray csv = gridCsv(rows);
    const QString floorPath = dir.filePath(QStringLiteral("floor.zip"));
    const double floor = timed([&] {
        return writeZipEntries(floorPath, {{QStringLiteral("rows.csv"), csv}});
    });
    struct Case
    {
        const char *name;
        QString path;
    };
    const Case cases[] = {{"xlsx", dir.filePath(QStringLiteral("grid.xlsx"))},
                          {"ods", dir.filePath(QStringLiteral("grid.ods"))},
                          {"csv", dir.filePath(QStringLiteral("grid.csv"))}};
    std::printf("grid export, %d rows x 6 columns, median of %d runs\n", Rows, Runs);
    std::printf("  (a) floor: CSV bytes deflated and written  %8.1f ms  (%lld bytes)\n", floor,
                qlonglong(QFileInfo(floorPath).size()));
    for (const Case &c : cases) {
        const double ms = timed([&] { return exportGrid(rows, c.path); });
        std::printf("  %-5s from the typed grid              %8.1f ms  x%.2f of (a)  (%lld bytes)\n",
                    c.name, ms, ms / floor, qlonglong(QFileInfo(c.path).size()));
    }
    return 0;
}
