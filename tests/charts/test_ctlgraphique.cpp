#include "charts/widgets/ctlgraphique.h"
#include "chartstation.h"
#include "support/clirunner.h"
#include "support/messagerecorder.h"
#include "support/testdatabases.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <qcustomplot.h>

#include <cmath>

using namespace plx;

namespace {

double seconds(const QDate &day)
{
    return double(QDateTime(day, QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
}

// The main plottable of a curve, found by its legend title.
QCPAbstractPlottable *plottable(CtlGraphique &chart, const QString &title)
{
    for (int i = 0; i < chart.plot()->plottableCount(); ++i)
        if (chart.plot()->plottable(i)->name() == title)
            return chart.plot()->plottable(i);
    return nullptr;
}

ChartCurve lineCurve(int number, const QString &title, std::size_t points, double from, double step)
{
    ChartCurve curve;
    curve.number = number;
    curve.title = title;
    curve.style = CurveStyle::Line;
    for (std::size_t i = 0; i < points; ++i) {
        curve.x.push_back(from + double(i) * step);
        curve.y.push_back(double((i * 7919) % 200) - 40);
    }
    return curve;
}

QByteArray head(const QString &path, int bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

} // namespace

// The validation editor's grid: the curves given are drawn on the loaded period with the
// bounds given; visibility set by the screen holds across every redraw, even when set
// before the curve exists; the period answers the report dispatcher.
TEST(CtlGraphique, GridCurvesKeepTheirVisibility)
{
    CtlGraphique chart;
    chart.resize(1000, 600);
    chart.AfficherSerie(3, false); // before any chart: applies when curve 3 appears
    ChartCurves curves;
    const QDate start(2024, 3, 1), end(2024, 3, 10);
    for (int k = 1; k <= 3; ++k)
        curves.curves.push_back(lineCurve(k, QString::number(k), 240, seconds(start), 3600));
    chart.InitialiserGrille(curves, start, end, -50, 251);

    QDate from, to;
    chart.RecupDatesChargement(from, to);
    EXPECT_EQ(from, start);
    EXPECT_EQ(to, end);
    EXPECT_EQ(chart.plot()->yAxis->range().lower, -50);
    EXPECT_EQ(chart.plot()->yAxis->range().upper, 251);
    EXPECT_EQ(chart.plot()->xAxis->range().lower, seconds(start) - 0.01 * 86400 * 10);

    ASSERT_NE(plottable(chart, QStringLiteral("3")), nullptr);
    EXPECT_FALSE(plottable(chart, QStringLiteral("3"))->visible());
    chart.MasquerCourbe(1);
    chart.Tracer();
    chart.Tracer();
    EXPECT_FALSE(plottable(chart, QStringLiteral("1"))->visible());
    EXPECT_TRUE(plottable(chart, QStringLiteral("2"))->visible());
    EXPECT_FALSE(chart.curves().curve(1)->visible);
    EXPECT_EQ(chart.plot()->legend->itemCount(), 1); // hidden curves leave the legend
    chart.AfficherCourbe(1);
    chart.AfficherSerie(3, true);
    EXPECT_TRUE(plottable(chart, QStringLiteral("1"))->visible());
    EXPECT_TRUE(plottable(chart, QStringLiteral("3"))->visible());
    EXPECT_EQ(chart.plot()->legend->itemCount(), 3);
}

// A million points reach the plot as a few per pixel column; zooming in recomputes from
// the full series, so the points of a short window come through whole.
TEST(CtlGraphique, LongSeriesReducedAgainOnZoom)
{
    CtlGraphique chart;
    chart.resize(1600, 900);
    ChartCurves curves;
    curves.unit = QStringLiteral("mm");
    const double from = seconds(QDate(2010, 1, 1));
    curves.curves.push_back(lineCurve(1, QStringLiteral("Pluie"), 1000000, from, 300));
    chart.InitialiserGrille(curves, QDate(2010, 1, 1), QDate(2019, 7, 5), -50, 251);
    chart.plot()->replot();
    auto *graph = qobject_cast<QCPGraph *>(plottable(chart, QStringLiteral("Pluie")));
    ASSERT_NE(graph, nullptr);
    EXPECT_LT(graph->data()->size(), 1600 * 4);
    EXPECT_GT(graph->data()->size(), 1000);

    // One day: 288 five-minute points, drawn as they are (with a neighbour each side).
    chart.plot()->xAxis->setRange(from + 86400 * 100, from + 86400 * 101);
    EXPECT_EQ(graph->data()->size(), 288 + 1 + 2);
    const ChartCurve &full = chart.curves().curves.front();
    const std::size_t first = 100 * 288;
    EXPECT_EQ(graph->data()->at(1)->key, full.x[first]);
    EXPECT_EQ(graph->data()->at(1)->value, full.y[first]);

    // Back to the whole record with the keyboard.
    QTest::keyClick(chart.plot(), Qt::Key_Home);
    EXPECT_LT(graph->data()->size(), 1600 * 4);

    // Drawn while hidden and small (a screen not laid out yet), then shown large: the
    // detail follows the width.
    chart.resize(300, 200);
    chart.Tracer();
    graph = qobject_cast<QCPGraph *>(plottable(chart, QStringLiteral("Pluie")));
    ASSERT_NE(graph, nullptr);
    const int small = graph->data()->size();
    chart.resize(1600, 900);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    EXPECT_GT(graph->data()->size(), small * 3);
}

// The mouse: the wheel zooms on the period under it, a double click shows the whole record
// again, a drag never goes past the record's ends; a right click in the margin is the
// screen's to answer.
TEST(CtlGraphique, MouseZoomPanAndReset)
{
    CtlGraphique chart;
    chart.resize(900, 500);
    ChartCurves curves;
    const QDate start(2020, 1, 1);
    curves.curves.push_back(lineCurve(1, QStringLiteral("Pluie"), 5000, seconds(start), 3600));
    chart.InitialiserGrille(curves, start, start.addDays(208), -50, 251);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    QCustomPlot *plot = chart.plot();
    plot->replot();
    const QCPRange whole = plot->xAxis->range();

    const QPoint middle = plot->axisRect()->center();
    QWheelEvent wheel(middle, plot->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    const QCPRange zoomed = plot->xAxis->range();
    EXPECT_LT(zoomed.size(), whole.size() * 0.9);
    EXPECT_TRUE(zoomed.contains(plot->xAxis->pixelToCoord(middle.x())));

    // Dragged far to the left: stops at the record's start, the zoom kept.
    QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, middle);
    QMouseEvent move(QEvent::MouseMove, QPointF(middle.x() + 5000, middle.y()),
                     plot->mapToGlobal(QPointF(middle.x() + 5000, middle.y())), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &move);
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier,
                        QPoint(middle.x() + 5000, middle.y()));
    EXPECT_DOUBLE_EQ(plot->xAxis->range().lower, whole.lower);
    EXPECT_NEAR(plot->xAxis->range().size(), zoomed.size(), 1);

    // Ctrl+drag: the period between the two points.
    const QPoint from(middle.x() - 100, middle.y() - 50), to(middle.x() + 100, middle.y() + 50);
    const double fromKey = plot->xAxis->pixelToCoord(from.x());
    const double toKey = plot->xAxis->pixelToCoord(to.x());
    QTest::mousePress(plot, Qt::LeftButton, Qt::ControlModifier, from);
    QMouseEvent band(QEvent::MouseMove, QPointF(to), plot->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(plot, &band);
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::ControlModifier, to);
    const double pixel = (toKey - fromKey) / 200; // QRect's own off-by-one at most
    EXPECT_NEAR(plot->xAxis->range().lower, fromKey, pixel * 1.5);
    EXPECT_NEAR(plot->xAxis->range().upper, toKey, pixel * 1.5);

    QTest::mouseDClick(plot, Qt::LeftButton, Qt::NoModifier, middle);
    EXPECT_DOUBLE_EQ(plot->xAxis->range().lower, whole.lower);
    EXPECT_DOUBLE_EQ(plot->xAxis->range().upper, whole.upper);

    QSignalSpy popup(&chart, &CtlGraphique::popupRequested);
    QContextMenuEvent margin(QContextMenuEvent::Mouse, QPoint(2, 2),
                             plot->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(plot, &margin);
    ASSERT_EQ(popup.count(), 1);
    EXPECT_EQ(popup.at(0).at(0).value<QObject *>(), &chart);
}

// A station's chart: the series read once, the loaded period answered, the curves the
// screens number kept hidden across option changes; the yearly chart steps its year with
// Ctrl+arrows within the record and says so.
TEST(CtlGraphique, StationChartKeepsOptionsAcrossRedraws)
{
    plxtest::ScratchDatabase scratch(QStringLiteral("sqlite"));
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(scratch.connect(db));
    plxtest::fillChartStation(db, QStringLiteral("7"));

    CtlGraphique chart;
    chart.resize(1200, 700);
    ASSERT_TRUE(chart.Initialiser(QStringLiteral("PLXReader"), db, nullptr, QStringLiteral("7")));
    chart.Actualiser();
    QDate from, to;
    chart.RecupDatesChargement(from, to);
    EXPECT_EQ(from, QDate(2019, 1, 1));
    EXPECT_EQ(to, QDate(2020, 12, 31));

    chart.Parametres = QStringLiteral("12");
    chart.Horizon = QStringLiteral("S");
    chart.Tracer();
    ASSERT_NE(chart.curves().curve(2), nullptr);
    // Daily rain bars read from zero; zoomed on two small days, the axis follows them.
    const QCPAxis *values = chart.plot()->yAxis;
    EXPECT_EQ(values->range().lower, 0);
    EXPECT_GE(values->range().upper, 12);
    chart.plot()->xAxis->setRange(seconds(QDate(2019, 1, 1)), seconds(QDate(2019, 1, 3)));
    EXPECT_EQ(values->range().lower, 0);
    EXPECT_LT(values->range().upper, 6);
    chart.MasquerCourbe(2);
    db.Deconnecter(); // nothing is read again from here on
    for (const char *horizon : {"M", "D", "S"}) {
        chart.Horizon = QLatin1String(horizon);
        chart.Visualisation = QStringLiteral("COURBE");
        chart.Tracer();
        ASSERT_NE(chart.curves().curve(1), nullptr) << horizon;
        ASSERT_NE(chart.curves().curve(2), nullptr) << horizon;
        EXPECT_TRUE(chart.curves().curve(1)->visible) << horizon;
        EXPECT_FALSE(chart.curves().curve(2)->visible) << horizon;
    }

    chart.setKind(CtlGraphique::Kind::Yearly);
    chart.Parametres = QStringLiteral("1");
    chart.Horizon = QStringLiteral("M");
    chart.Visualisation = QStringLiteral("HISTO");
    chart.Tracer();
    EXPECT_EQ(chart.selectedYear(), 2020); // the year of the last measurement
    QSignalSpy spy(&chart, &CtlGraphique::selectedYearChanged);
    QTest::keyClick(chart.plot(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(chart.selectedYear(), 2019);
    QTest::keyClick(chart.plot(), Qt::Key_Left, Qt::ControlModifier); // no year before
    EXPECT_EQ(chart.selectedYear(), 2019);
    chart.setSelectedYear(2031);
    EXPECT_EQ(chart.selectedYear(), 2020);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 2019);
    EXPECT_TRUE(chart.plot()->toolTip().contains(QStringLiteral("Ctrl+←")));
}

// Saved images are what their extension says, whatever the widget's own size; an unknown
// extension is refused in French and leaves no file.
TEST(CtlGraphique, SavesPngSvgAndPdf)
{
    CtlGraphique chart;
    chart.resize(800, 500);
    ChartCurves curves;
    curves.axis = AxisKind::Steps;
    curves.steps =
        QStringList{QStringLiteral("janv."), QStringLiteral("févr."), QStringLiteral("mars")};
    curves.title = QStringLiteral("Essai");
    ChartCurve bars;
    bars.number = 1;
    bars.title = QStringLiteral("Année 2020");
    bars.x = {1, 2, 3};
    bars.y = {12.5, 40, 3};
    bars.incomplete = {false, false, true};
    bars.barWidth = 0.7;
    curves.curves.push_back(bars);
    chart.InitialiserGrille(curves, QDate(2020, 1, 1), QDate(2020, 3, 31), 0, 50);
    const auto steps = qSharedPointerDynamicCast<QCPAxisTickerText>(chart.plot()->xAxis->ticker());
    ASSERT_TRUE(steps);
    EXPECT_EQ(steps->ticks().value(2.0), QStringLiteral("févr."));

    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("c.png"));
    ASSERT_TRUE(chart.saveImage(png, QSize(1600, 900)));
    EXPECT_EQ(QImage(png).size(), QSize(1600, 900));
    EXPECT_TRUE(head(png, 4).startsWith("\x89PNG"));
    const QString svg = dir.filePath(QStringLiteral("c.svg"));
    ASSERT_TRUE(chart.saveImage(svg, QSize(1600, 900)));
    QFile svgFile(svg);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgText = svgFile.readAll();
    EXPECT_TRUE(svgText.contains("<svg"));
    EXPECT_TRUE(svgText.contains("Essai")); // the title as text, not pixels
    const QString pdf = dir.filePath(QStringLiteral("c.PDF"));
    ASSERT_TRUE(chart.saveImage(pdf, QSize(1600, 900)));
    EXPECT_TRUE(head(pdf, 5).startsWith("%PDF-"));

    QString error;
    const QString bmp = dir.filePath(QStringLiteral("c.bmp"));
    EXPECT_FALSE(chart.saveImage(bmp, QSize(1600, 900), &error));
    EXPECT_EQ(error, QStringLiteral("Format d'image inconnu : c.bmp (PNG, SVG ou PDF attendu)."));
    EXPECT_FALSE(QFile::exists(bmp));
    EXPECT_FALSE(
        chart.saveImage(dir.filePath(QStringLiteral("absent/c.png")), QSize(800, 600), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Impossible d'enregistrer l'image")));
}

// plx chart draws a station without a display; mistakes and unknown stations give one
// French line on stderr and a non-zero status.
TEST(PlxChart, WritesTheImageOrOneFrenchLine)
{
    plxtest::ScratchDatabase scratch(QStringLiteral("sqlite"));
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(scratch.connect(db));
    plxtest::fillChartStation(db, QStringLiteral("7"));
    {
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) "
                                              "VALUES (8, 'SANS MESURE')")));
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("8"), false));
    }
    db.Deconnecter();
    const QString file = scratch.profile().database;
    QTemporaryDir dir;

    const QString png = dir.filePath(QStringLiteral("chronique.png"));
    plxtest::CliResult r = plxtest::runPlx(
        {QStringLiteral("chart"), QStringLiteral("--db"), file, QStringLiteral("--station"),
         QStringLiteral("7"), QStringLiteral("--screen"), QStringLiteral("chronique"),
         QStringLiteral("--param"), QStringLiteral("21"), QStringLiteral("--horizon"),
         QStringLiteral("M"), QStringLiteral("--out"), png});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(QImage(png).size(), QSize(1600, 900));

    const QString pdf = dir.filePath(QStringLiteral("annee.pdf"));
    r = plxtest::runPlx({QStringLiteral("chart"), QStringLiteral("--screen"),
                         QStringLiteral("annee"), QStringLiteral("--db"), file,
                         QStringLiteral("--station"), QStringLiteral("7"), QStringLiteral("--year"),
                         QStringLiteral("hydro"), QStringLiteral("--mode"),
                         QStringLiteral("CUMUL_MENSUEL"), QStringLiteral("--out"), pdf,
                         QStringLiteral("--size"), QStringLiteral("800x600")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(head(pdf, 5).startsWith("%PDF-"));

    const QStringList base{QStringLiteral("chart"),
                           QStringLiteral("--db"),
                           file,
                           QStringLiteral("--screen"),
                           QStringLiteral("chronique"),
                           QStringLiteral("--out"),
                           dir.filePath(QStringLiteral("x.png"))};
    const struct
    {
        QStringList extra;
        int exitCode;
        QString line;
    } refusals[] = {
        {{QStringLiteral("--station"), QStringLiteral("99")},
         1,
         QStringLiteral("Station inconnue : 99")},
        {{QStringLiteral("--station"), QStringLiteral("8")},
         1,
         QStringLiteral("Aucune mesure pour la station 8.")},
        {{QStringLiteral("--station"), QStringLiteral("7"), QStringLiteral("--horizon"),
          QStringLiteral("X")},
         2,
         QStringLiteral("Horizon invalide : X (S, D, M, T, A ou H attendu).")},
        {{QStringLiteral("--station"), QStringLiteral("7"), QStringLiteral("--from"),
          QStringLiteral("2020-01-01")},
         2,
         QStringLiteral("Date invalide pour --from : 2020-01-01 (JJ/MM/AAAA attendu).")},
        {{QStringLiteral("--station"), QStringLiteral("7"), QStringLiteral("--couleur")},
         2,
         QStringLiteral("Option inconnue : --couleur")},
        {{QStringLiteral("--station"), QStringLiteral("7'; DROP TABLE PLUVIO_7; --")},
         2,
         QStringLiteral("Code de station invalide : 7'; DROP TABLE PLUVIO_7; --")},
    };
    for (const auto &refusal : refusals) {
        r = plxtest::runPlx(base + refusal.extra);
        EXPECT_EQ(r.exitCode, refusal.exitCode) << refusal.line.toStdString();
        EXPECT_EQ(r.err, refusal.line + QLatin1Char('\n'));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.png"))));
}

// The crosshair names the date, the curve and its value in French (decimal comma, unit),
// from the full data under the mouse; it goes when the mouse leaves the drawing.
TEST(CtlGraphique, CrosshairShowsDateAndValue)
{
    CtlGraphique chart;
    chart.resize(900, 500);
    ChartCurves curves;
    curves.unit = QStringLiteral("mm");
    ChartCurve rain;
    rain.number = 1;
    rain.title = QStringLiteral("Pluie");
    const QDate first(2024, 3, 1);
    for (int i = 0; i < 5; ++i) {
        rain.x.push_back(seconds(first.addDays(i)));
        rain.y.push_back(i == 2 ? 12.5 : 3);
    }
    rain.barWidth = 86400;
    curves.curves.push_back(rain);
    chart.InitialiserGrille(curves, first, first.addDays(4), 0, 20);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    chart.plot()->replot();

    QCustomPlot *plot = chart.plot();
    // Bars stand on their day: the middle of 03/03 is at noon.
    const QPoint onBar(int(plot->xAxis->coordToPixel(seconds(first.addDays(2)) + 43200)),
                       int(plot->yAxis->coordToPixel(10)));
    QTest::mouseMove(plot, onBar);
    QCPItemText *label = nullptr;
    for (int i = 0; i < plot->itemCount(); ++i)
        if (auto *text = qobject_cast<QCPItemText *>(plot->item(i)))
            label = text;
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->visible());
    EXPECT_EQ(label->text(), QStringLiteral("03/03/2024\nPluie : 12,5 mm"));

    QTest::mouseMove(plot, QPoint(2, 2)); // the margin, outside the drawing
    EXPECT_FALSE(label->visible());
}
