// Opening the chronicle of a station holding 1,000,000 timed rows (5-minute steps over nine
// and a half years), next to reading the same rows alone on the same connection in the
// same run, the floor of any chart of them:
//   read the series + compute the curve + reduce + first paint at 1600x900 (target < 2x)
// then a redraw after a zoom (reduce again + paint; target < 50 ms) and the resident memory
// of the process once the chart is open (target < 250 MB), and an option switched on the
// loaded station (computed again from memory; target < 100 ms). Bars and lines are measured.
// Also shown, as a peer for the paint: QCustomPlot given the million points of the line
// itself (its own adaptive sampling), first paint and a zoom.
// Each figure is the best of three runs. PostgreSQL is measured when PLX_TEST_PG_PORT names
// a running server.
#include "benchseries.h"
#include "charts/widgets/ctlgraphique.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPixmap>

#include <qcustomplot.h>

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kRows = 1000000;
const QSize kSize(1600, 900);
QStringList visualisations{QStringLiteral("HISTO"), QStringLiteral("COURBE")};

// VmRSS or VmHWM of this process, in MB.
double memoryMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

void paint(QCustomPlot *plot)
{
    const QImage image = plot->toPixmap(kSize.width(), kSize.height()).toImage();
    if (image.isNull())
        std::fprintf(stderr, "empty picture\n");
}

void report(const char *engine, AccesBase &db)
{
    const double read = best([&] {
        qint64 rows = 0;
        db.readRecords(QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, "
                                      "Valeur1, Valeur2, Valeur3, Validite, ModeObtention FROM ") +
                           kTable + QStringLiteral(" ORDER BY DateCreation, Heure"),
                       [&rows](const QVariant *, int) {
                           ++rows;
                           return true;
                       });
        if (rows != kRows)
            std::fprintf(stderr, "%lld rows read\n", rows);
    });
    std::printf("%-10s reading the %d rows alone: %.3f s\n", engine, kRows, read);
    const double rssBefore = memoryMb("VmRSS:");

    for (const QString &visualisation : visualisations) {
        std::unique_ptr<CtlGraphique> chart;
        // The parts of the fastest opening.
        double open = 1e9, initialiser = 0, tracer = 0, firstPaint = 0;
        for (int run = 0; run < 3; ++run) {
            chart = std::make_unique<CtlGraphique>();
            chart->resize(kSize);
            QElapsedTimer timer;
            timer.start();
            chart->Initialiser(QStringLiteral("PLXReader"), db, nullptr, kCode);
            const double read = seconds(timer);
            chart->Parametres = QStringLiteral("1");
            chart->Horizon = QStringLiteral("S");
            chart->Visualisation = visualisation;
            chart->Tracer();
            const double traced = seconds(timer);
            paint(chart->plot());
            const double total = seconds(timer);
            if (total < open) {
                open = total;
                initialiser = read;
                tracer = traced - read;
                firstPaint = total - traced;
            }
        }
        QCPAxis *x = chart->plot()->xAxis;
        const QCPRange whole = x->range();
        const double month = whole.lower + 0.4 * whole.size();
        const double zoomMonth = best([&] {
            x->setRange(month, month + 31 * 86400.0);
            paint(chart->plot());
        });
        const double zoomYear = best([&] {
            x->setRange(month, month + 365 * 86400.0);
            paint(chart->plot());
        });
        const double zoomOut = best([&] {
            x->setRange(whole);
            paint(chart->plot());
        });
        const QByteArray name = visualisation.toLatin1();
        std::printf("%-10s %-6s open (read + curve + reduce + first paint): %.3f s = %.2f x the "
                    "read (target < 2) [Initialiser %.3f s, Tracer %.1f ms, paint %.1f ms]\n",
                    engine, name.constData(), open, open / read, initialiser, tracer * 1000,
                    firstPaint * 1000);
        std::printf("%-10s %-6s redraw after zoom: to a month %.1f ms, to a year %.1f ms, back to "
                    "the whole %.1f ms (target < 50 ms)\n",
                    engine, name.constData(), zoomMonth * 1000, zoomYear * 1000, zoomOut * 1000);
        // An option changed on the loaded station: computed again from memory, not read.
        const double other = best([&] {
            chart->Horizon = QStringLiteral("M");
            chart->Tracer();
            paint(chart->plot());
            chart->Horizon = QStringLiteral("S");
            chart->Tracer();
            paint(chart->plot());
        });
        std::printf("%-10s %-6s option switched on the loaded station (monthly, then raw again): "
                    "%.1f ms each (target < 100 ms)\n",
                    engine, name.constData(), other * 1000 / 2);
        std::printf("%-10s %-6s resident memory with the chart open: %.0f MB (before: %.0f MB, "
                    "peak so far %.0f MB; target < 250 MB)\n",
                    engine, name.constData(), memoryMb("VmRSS:"), rssBefore, memoryMb("VmHWM:"));

        if (visualisation != QLatin1String("COURBE"))
            continue;
        // The peer: the plot given every point of the line, sampled by QCustomPlot itself.
        const ChartCurve &line = chart->curves().curves.front();
        QCustomPlot peer;
        peer.resize(kSize);
        QCPGraph *graph = peer.addGraph();
        const double peerFirst = best([&] {
            graph->setData(QVector<double>(line.x.begin(), line.x.end()),
                           QVector<double>(line.y.begin(), line.y.end()), true);
            peer.xAxis->setRange(whole);
            peer.yAxis->rescale();
            paint(&peer);
        });
        const double peerZoom = best([&] {
            peer.xAxis->setRange(month, month + 365 * 86400.0);
            paint(&peer);
        });
        std::printf("%-10s peer   QCustomPlot given the %zu points itself: first paint %.1f ms "
                    "(ours: Tracer + paint %.1f ms), zoom to a year %.1f ms\n",
                    engine, line.x.size(), peerFirst * 1000, (tracer + firstPaint) * 1000,
                    peerZoom * 1000);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // bench_chronicle [HISTO|COURBE]: one visualisation only.
    if (argc > 1)
        visualisations = QStringList{QString::fromLatin1(argv[1]).toUpper()};
    onEachEngine(kRows, createSeriesTable, report);
    return 0;
}
