// The yearbook page of a station holding 150 years of daily rainfall (1875-2024): the
// screen opened on the station (one read of its rows shared by both charts, the year's
// statistics above, the monthly chronicle of the whole record below) and both charts
// painted at 1366x384 each, next to reading the same rows alone on the same connection in
// the same run (target < 2x). Also shown: the same two charts each reading the rows for
// itself, what sharing the read saves. Each figure is the best of three runs. PostgreSQL
// is measured when PLX_TEST_PG_PORT names a running server.
#include "benchseries.h"
#include "charts/widgets/ctlgraphique.h"
#include "charts/widgets/editiongraphiqueannuaire.h"
#include "db/dialect.h"
#include "db/sqltext.h"

#include <QApplication>
#include <QDate>
#include <QImage>
#include <QPixmap>

#include <qcustomplot.h>

#include <cmath>

using namespace plx;
using namespace plxbench;

namespace {

const QSize kChartSize(1366, 384);
// The one five-minute row benchseries.h adds falls on this day: the daily row is left out.
const QDate kFilledDay(2016, 7, 1);
qint64 g_rows = 0;

bool createDailyStation(AccesBase &db)
{
    if (!createSeriesTable(db))
        return false;
    // The statements below in the engine's own flavour (several rows per INSERT).
    const ScopedConnectionKind kind(db);
    const QString midnight = FormatHeureSQL(QStringLiteral("00:00:00"));
    QStringList rows;
    quint32 state = 12345;
    const auto flush = [&] {
        const bool ok = rows.isEmpty() ||
                        db.Execute(QStringLiteral("INSERT INTO ") + kTable +
                                   QStringLiteral(" (DateCreation, Heure, Pluie, Etp, Validite, "
                                                  "ModeObtention) VALUES ") +
                                   rows.join(QStringLiteral(", ")));
        rows.clear();
        return ok;
    };
    g_rows = 1;
    for (QDate day(1875, 1, 1); day <= QDate(2024, 12, 31); day = day.addDays(1)) {
        state = state * 1664525u + 1013904223u;
        if (day == kFilledDay || day.toJulianDay() % 997 == 0)
            continue;
        const quint32 r = state >> 8;
        const double rain =
            r % 3 == 0 ? std::floor(double(r % 1000) * double(r % 1000) / 4000.0) / 10.0 : 0.0;
        rows << QStringLiteral("(%1, %2, %3, %4, 'V', 'A')")
                    .arg(FormatDateSQL(day.toString(QStringLiteral("dd/MM/yyyy")), false), midnight,
                         sqlNumber(rain), sqlNumber(double((r >> 4) % 60) / 10.0));
        ++g_rows;
        if (rows.size() == 1000 && !flush())
            return false;
    }
    return flush();
}

void paint(QCustomPlot *plot)
{
    if (plot->toPixmap(kChartSize.width(), kChartSize.height()).toImage().isNull())
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
        if (rows != g_rows)
            std::fprintf(stderr, "%lld rows read, %lld expected\n", rows, g_rows);
    });
    std::printf("%-10s reading the %lld daily rows alone: %.3f s\n", engine, g_rows, read);

    double open = 1e9, initialise = 0;
    for (int run = 0; run < 3; ++run) {
        EditionGraphiqueAnnuaire screen;
        screen.resize(1366, 768);
        QElapsedTimer timer;
        timer.start();
        screen.InitDebranchement(kCode);
        const double initialised = seconds(timer);
        paint(screen.upperChart()->plot());
        paint(screen.lowerChart()->plot());
        const double total = seconds(timer);
        if (!screen.upperChart()->sharesSeriesWith(*screen.lowerChart()))
            std::fprintf(stderr, "the two charts read the rows twice\n");
        if (total < open) {
            open = total;
            initialise = initialised;
        }
    }
    std::printf("%-10s yearbook opened, both charts painted: %.3f s = %.2f x the read (target "
                "< 2) [station, read and both curves %.3f s, two paints %.1f ms]\n",
                engine, open, open / read, initialise, (open - initialise) * 1000);

    // The peer: each chart reading the rows for itself.
    const double twoReads = best([&] {
        CtlGraphique upper, lower;
        upper.setKind(CtlGraphique::Kind::Yearly);
        upper.Annuaire = true;
        for (CtlGraphique *chart : {&upper, &lower}) {
            chart->resize(kChartSize);
            chart->Initialiser(QStringLiteral("PLXReader"), db, nullptr, kCode);
            chart->Parametres = QStringLiteral("1");
        }
        upper.Horizon = QStringLiteral("M");
        lower.Horizon = QStringLiteral("M");
        upper.Tracer();
        lower.Tracer();
        paint(upper.plot());
        paint(lower.plot());
    });
    std::printf("%-10s peer   the two charts each reading the rows: %.3f s = %.2f x the read\n",
                engine, twoReads, twoReads / read);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    onEachEngine(1, createDailyStation, report);
    return 0;
}
