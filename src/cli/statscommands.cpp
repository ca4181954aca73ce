#include "cli/statscommands.h"

#include "charts/chartengine.h"
#include "charts/normalstitle.h"
#include "cli/commands.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "schema/periodes.h"
#include "session/session.h"

#include <cmath>

namespace plx::cli {

namespace {

// The NORMALES table: a row per month (from the year's start), the selected year's totals
// beside the reference, then "normales<TAB>" and what the reference is.
QString normalsTable(const ChartCurves &curves)
{
    const ChartCurve *year = curves.curve(1);
    const ChartCurve *reference = curves.curve(2);
    QString out = QStringLiteral("mois\t") +
                  (year ? year->title.section(QLatin1Char(' '), -1) : QStringLiteral("annee")) +
                  QStringLiteral("\tnormale\n");
    for (int step = 0; step < curves.steps.size(); ++step) {
        const size_t i = size_t(step);
        out += curves.steps[step] + QLatin1Char('\t');
        if (year && i < year->y.size())
            out += numberCell(year->y[i]);
        out += QLatin1Char('\t');
        if (reference && i < reference->y.size())
            out += numberCell(reference->y[i]);
        out += QLatin1Char('\n');
    }
    out += QStringLiteral("normales\t") + (reference ? reference->title : curves.legendNote) +
           QLatin1Char('\n');
    return out;
}

} // namespace

// plx stats [BASE] --station CODE [--param 1..6] [--mode EDITION|CUMUL_MENSUEL|CUMUL_ANNUEL]
// [--year civil|hydro] [--cumul] [--selected-year YYYY] [--validated-only]: the curves of
// the yearly chart as a table, one row per step, one column per numbered curve, then the
// number of years in the statistics (for the two cumulation modes, which draw no
// statistics: the number of complete years). A hydrological year is selected by the year
// it starts in. With --mode NORMALES [--internal]: the selected year's months beside the
// station's normals (or internal statistics), the reference's name on the last line.
int statsCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty())
        return fail(options.error, 2);
    const QStringList valued{QStringLiteral("--station"), QStringLiteral("--param"),
                             QStringLiteral("--mode"), QStringLiteral("--year"),
                             QStringLiteral("--selected-year")};
    for (const QString &name : valued) {
        const qsizetype at = options.positional.indexOf(name);
        if (at >= 0 && at + 1 >= options.positional.size())
            return fail(QStringLiteral("L'option %1 attend une valeur.").arg(name), 2);
    }
    const QString code = takeValue(options, "--station");
    const QString param = takeValue(options, "--param");
    const QString mode = takeValue(options, "--mode");
    const QString year = takeValue(options, "--year");
    const QString selected = takeValue(options, "--selected-year");
    const bool cumul = takeFlag(options, "--cumul");
    const bool validatedOnly = takeFlag(options, "--validated-only");
    const bool internal = takeFlag(options, "--internal");
    if (!options.positional.isEmpty())
        return fail(QStringLiteral("Option inconnue : %1").arg(options.positional.first()), 2);
    if (!options.hasDatabase)
        return fail(QStringLiteral("Indiquez la base de données (--db, --pg ou --odbc)."), 2);
    if (code.isEmpty())
        return fail(QStringLiteral("Indiquez la station (--station CODE)."), 2);
    if (measurementTableName(code).isEmpty())
        return fail(QStringLiteral("Code de station invalide : %1").arg(code), 2);

    ChartRequest request;
    request.parametres = param.isEmpty() ? QStringLiteral("1") : param;
    const bool normalsMode = mode.toUpper() == QLatin1String("NORMALES");
    if (normalsMode &&
        (request.parametres.size() != 1 || request.parametres[0] < QLatin1Char('1') ||
         request.parametres[0] > QLatin1Char('3')))
        return fail(QStringLiteral("Paramètre invalide : %1 (attendu : 1 à 3)").arg(param), 2);
    if (internal && !normalsMode)
        return fail(QStringLiteral("L'option --internal ne vaut que pour --mode NORMALES."), 2);
    if (request.parametres.size() != 1 || request.parametres[0] < QLatin1Char('1') ||
        request.parametres[0] > QLatin1Char('6'))
        return fail(QStringLiteral("Paramètre invalide : %1 (attendu : 1 à 6)").arg(param), 2);
    request.typeEdition = mode.isEmpty() ? QStringLiteral("EDITION") : mode;
    if (normalsMode)
        request.typeEdition = QStringLiteral("EDITION");
    if (request.typeEdition != QLatin1String("EDITION") &&
        request.typeEdition != QLatin1String("CUMUL_MENSUEL") &&
        request.typeEdition != QLatin1String("CUMUL_ANNUEL"))
        return fail(QStringLiteral("Mode invalide : %1 (attendu : EDITION, CUMUL_MENSUEL ou "
                                   "CUMUL_ANNUEL)")
                        .arg(mode),
                    2);
    const bool hydro = year == QLatin1String("hydro");
    if (!year.isEmpty() && !hydro && year != QLatin1String("civil"))
        return fail(QStringLiteral("Type d'année invalide : %1 (attendu : civil ou hydro)").arg(year),
                    2);
    if (!selected.isEmpty()) {
        bool ok = false;
        request.selectedYear = selected.toInt(&ok);
        if (!ok || selected.size() != 4 || request.selectedYear < 1800)
            return fail(QStringLiteral("Année sélectionnée invalide : %1").arg(selected), 2);
    }
    request.cumul = cumul;
    request.visualisation = QStringLiteral("HISTO");

    if (!connectDatabase(options))
        return 1;
    AccesBase &db = AccesBase::instance();
    QString error;
    if (!stationVisible(db, code, &error))
        return fail(error.isEmpty() ? QStringLiteral("Station inconnue : %1").arg(code)
                                    : QStringLiteral("Impossible de lire les stations : %1")
                                          .arg(error),
                    1);
    if (normalsMode) {
        request.horizon = hydro ? QStringLiteral("H") : QStringLiteral("M");
        request.internalNormals = internal;
    } else if (request.typeEdition == QLatin1String("EDITION"))
        request.horizon = hydro ? QStringLiteral("H") : QStringLiteral("M");
    else
        request.horizon = hydro ? QStringLiteral("H") : QStringLiteral("A");
    if (hydro)
        request.hydroStartMonth = readHydroStartMonth(db).toInt();

    const std::shared_ptr<const StationSeries> series = loadStationSeries(db, code, &error);
    if (!series)
        return fail(error, 1);
    if (series->t.empty())
        return fail(QStringLiteral("La station %1 n'a aucune mesure.").arg(code), 1);
    DataSelection selection;
    selection.unvalidated = !validatedOnly;
    StationNormals normals = loadStationNormals(db, code);
    if (normalsMode) {
        // The title row alone names the normals, as on the screen.
        normals.title = readNormalsTitle(db, code).value_or(QString());
        const ChartCurves curves = normalsComparisonCurves(*series, normals, request, selection);
        if (curves.steps.isEmpty())
            return fail(
                QStringLiteral("La station %1 n'a aucune valeur pour ce paramètre.").arg(code), 1);
        print(stdout, normalsTable(curves));
        return 0;
    }
    const ChartCurves curves = yearlyCurves(*series, normals, request, selection);
    if (curves.steps.isEmpty())
        return fail(QStringLiteral("La station %1 n'a aucune valeur pour ce paramètre.").arg(code), 1);

    const int columns = request.typeEdition == QLatin1String("EDITION")         ? 10
                        : request.typeEdition == QLatin1String("CUMUL_MENSUEL") ? 12
                                                                                : 1;
    QString out = QStringLiteral("pas");
    for (int n = 1; n <= columns; ++n)
        out += QLatin1Char('\t') + QString::number(n);
    out += QLatin1Char('\n');
    for (int step = 0; step < curves.steps.size(); ++step) {
        out += curves.steps[step];
        for (int n = 1; n <= columns; ++n) {
            out += QLatin1Char('\t');
            const ChartCurve *c = curves.curve(n);
            if (c && size_t(step) < c->y.size())
                out += numberCell(c->y[size_t(step)]);
        }
        out += QLatin1Char('\n');
    }
    out += QStringLiteral("annees\t%1\n").arg(curves.yearCount);
    print(stdout, out);
    return 0;
}

} // namespace plx::cli
