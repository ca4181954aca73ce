// The statistics engine of the charts.
//
// 1. The yearly chart of 150 years of daily rainfall (1875-2024, deterministic rain with a
//    few missing days): all ten curves at the monthly step, next to pandas doing the same
//    on the same rows in the same run (groupby, completeness, min/mean/max, quantiles;
//    bench/yearly_stats_pandas.py). Pandas is looked for in $PLX_PYTHON, python3, then
//    /usr/bin/python3; without it the peer is skipped with a line saying so.
// 2. Switching an option on that loaded station (year type, cumulation, mode, parameter,
//    chronicle step): recomputed from memory, next to the 100 ms bound.
// 3. Reading a station of 1,000,000 five-minute rows into columns, next to reading the same
//    rows through the same connection with nothing done to them; then the raw chronicle
//    of those rows. SQLite, and PostgreSQL when PLX_TEST_PG_PORT names a server.
// Each figure is the best of three runs (four for the reading).
#include "benchseries.h"
#include "charts/chartengine.h"
#include "charts/chartsteps.h"

#include <QDate>
#include <QFile>
#include <QProcess>

#include <cmath>
#include <limits>

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kFirstYear = 1875;
constexpr int kLastYear = 2024;

// Rain on about a third of the days, skewed amounts, one day in 997 missing.
StationSeries centuryOfRain()
{
    StationSeries s;
    s.code = QStringLiteral("1");
    const qint64 first = QDate(kFirstYear, 1, 1).toJulianDay() - 2440588;
    const qint64 last = QDate(kLastYear, 12, 31).toJulianDay() - 2440588;
    const size_t n = size_t(last - first + 1);
    s.t.reserve(n);
    for (auto &column : s.values)
        column.reserve(n);
    quint32 state = 12345;
    for (qint64 day = first; day <= last; ++day) {
        state = state * 1664525u + 1013904223u;
        if ((day * 7919) % 997 == 0)
            continue;
        const quint32 r = state >> 8;
        const double rain = (r % 3 == 0) ? std::floor(double(r % 1000) * double(r % 1000) / 4000.0) / 10.0
                                         : 0.0;
        s.t.push_back(day * 86400);
        s.values[0].push_back(rain);
        s.values[2].push_back(double((r >> 4) % 60) / 10.0);
        for (size_t p : {1u, 3u, 4u, 5u})
            s.values[p].push_back(std::numeric_limits<double>::quiet_NaN());
        s.validite.push_back('V');
        s.obtention.push_back('A');
    }
    return s;
}

StationNormals someNormals()
{
    StationNormals n;
    for (int m = 0; m < 12; ++m) {
        n.pluie[size_t(m)] = 20 + 5 * m;
        n.pluieEfficace[size_t(m)] = std::numeric_limits<double>::quiet_NaN();
        n.etp[size_t(m)] = 10 + m;
    }
    n.title = QStringLiteral("Normales");
    n.hasMonths = true;
    return n;
}

// The pandas figure: {milliseconds, January median}, or an empty text saying why not.
QString pandasPeer(const StationSeries &s, double *ms, double *median)
{
    QTemporaryDir dir;
    const QString rows = dir.filePath(QStringLiteral("rows.bin"));
    QFile file(rows);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1").arg(rows);
    std::vector<double> pairs;
    pairs.reserve(s.t.size() * 2);
    for (size_t i = 0; i < s.t.size(); ++i) {
        pairs.push_back(double(s.t[i] / 86400));
        pairs.push_back(s.values[0][i]);
    }
    file.write(reinterpret_cast<const char *>(pairs.data()), qint64(pairs.size() * sizeof(double)));
    file.close();

    const QString script = QStringLiteral(PLX_SOURCE_DIR "/bench/yearly_stats_pandas.py");
    QStringList pythons{QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")};
    if (qEnvironmentVariableIsSet("PLX_PYTHON"))
        pythons.prepend(qEnvironmentVariable("PLX_PYTHON"));
    for (const QString &python : pythons) {
        QProcess check;
        check.start(python, {QStringLiteral("-c"), QStringLiteral("import pandas")});
        if (!check.waitForFinished(60000) || check.exitStatus() != QProcess::NormalExit ||
            check.exitCode() != 0)
            continue;
        QProcess run;
        run.start(python, {script, rows, QString::number(kLastYear)});
        if (!run.waitForFinished(600000) || run.exitCode() != 0)
            return QStringLiteral("%1 failed: %2").arg(python, QString::fromUtf8(run.readAllStandardError()));
        const QStringList out = QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char(' '));
        if (out.size() != 2)
            return QStringLiteral("unexpected output from %1").arg(python);
        *ms = out[0].toDouble();
        *median = out[1].toDouble();
        return QString();
    }
    return QStringLiteral("pandas not found (python3, /usr/bin/python3, $PLX_PYTHON)");
}

// Best of three runs of repeat calls, per call, in milliseconds.
double perCallMs(int repeat, const std::function<void()> &work)
{
    return best([&] {
               for (int i = 0; i < repeat; ++i)
                   work();
           }) *
           1000 / repeat;
}

void yearlyStatistics()
{
    const StationSeries s = centuryOfRain();
    const StationNormals normals = someNormals();
    ChartRequest request;
    request.parametres = QStringLiteral("1");
    request.horizon = QStringLiteral("M");
    ChartCurves curves;
    const double ours = perCallMs(20, [&] { curves = yearlyCurves(s, normals, request, {}); });
    std::printf("Yearly statistics, %zu daily rows (%d-%d), ten curves at the monthly step\n",
                s.t.size(), kFirstYear, kLastYear);
    std::printf("  engine : %8.3f ms  (%zu curves, %d years, January median %.4f)\n", ours,
                curves.curves.size(), curves.yearCount, curves.curve(9)->y[0]);
    double theirs = 0, median = 0;
    const QString why = pandasPeer(s, &theirs, &median);
    if (!why.isEmpty())
        std::printf("  pandas : skipped (%s)\n", qPrintable(why));
    else
        std::printf("  pandas : %8.3f ms  (January median %.4f)  -> engine %.1fx faster\n", theirs,
                    median, theirs / ours);

    std::printf("Option switches on the loaded station (bound: 100 ms each)\n");
    const auto show = [&](const char *what, ChartRequest r, bool chronicle) {
        const double ms = perCallMs(5, [&] {
            curves = chronicle ? chronicleCurves(s, r, {}) : yearlyCurves(s, normals, r, {});
        });
        std::printf("  %-44s %8.3f ms  %s\n", what, ms, ms < 100 ? "under the bound" : "OVER THE BOUND");
    };
    ChartRequest r = request;
    r.horizon = QStringLiteral("H");
    r.hydroStartMonth = 9;
    show("yearly, hydrological year", r, false);
    r.cumul = true;
    show("yearly, hydrological year, cumulated", r, false);
    r.parametres = QStringLiteral("3");
    show("yearly, evapotranspiration", r, false);
    r.typeEdition = QStringLiteral("CUMUL_MENSUEL");
    show("monthly cumulations compared", r, false);
    r.typeEdition = QStringLiteral("CUMUL_ANNUEL");
    show("yearly totals compared", r, false);
    ChartRequest c;
    c.parametres = QStringLiteral("13");
    for (const auto &[code, label] :
         {std::pair{"S", "chronicle, raw, rainfall + etp"}, std::pair{"D", "chronicle, decades"},
          std::pair{"M", "chronicle, months"}, std::pair{"H", "chronicle, hydrological years"}}) {
        c.horizon = QLatin1String(code);
        show(label, c, true);
    }
    c.horizon = QStringLiteral("S");
    c.cumul = true;
    c.visualisation = QStringLiteral("COURBE");
    show("chronicle, raw, cumulated line", c, true);
}

void millionRows()
{
    std::printf("Reading 1,000,000 five-minute rows into columns\n");
    onEachEngine(1000000, createSeriesTable, [](const char *engine, AccesBase &db) {
        const QString sql = QStringLiteral(
            "SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, Valeur2, Valeur3, "
            "Validite, ModeObtention FROM PLUVIO_1 ORDER BY DateCreation, Heure");
        // Alternated, so that a busy moment of the machine weighs on both alike.
        qint64 rows = 0;
        std::shared_ptr<const StationSeries> series;
        double bound = 1e9, load = 1e9;
        for (int run = 0; run < 4; ++run) {
            QElapsedTimer timer;
            timer.start();
            rows = 0;
            db.readRecords(sql, [&](const QVariant *, int) {
                ++rows;
                return true;
            });
            bound = qMin(bound, seconds(timer));
            series.reset();
            timer.restart();
            series = loadStationSeries(db, kCode);
            load = qMin(load, seconds(timer));
        }
        if (!series) {
            std::printf("  %s: the series could not be read\n", engine);
            return;
        }
        std::printf("  %-10s rows read alone %8.1f ms (%lld rows); into columns %8.1f ms (%.2fx)\n",
                    engine, bound * 1000, static_cast<long long>(rows), load * 1000, load / bound);
        ChartRequest r;
        r.parametres = QStringLiteral("1");
        ChartCurves curves;
        const double raw = best([&] { curves = chronicleCurves(*series, r, {}); });
        r.horizon = QStringLiteral("M");
        const double monthly = best([&] { curves = chronicleCurves(*series, r, {}); });
        std::printf("  %-10s chronicle from memory: raw %.1f ms, monthly %.1f ms\n", engine,
                    raw * 1000, monthly * 1000);
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    yearlyStatistics();
    millionRows();
    return 0;
}
