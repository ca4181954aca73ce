#include "cli/widgets/chartcommand.h"
#include "cli/widgets/overlaychartcommand.h"

#include "base/messages.h"
#include "charts/chartoptions.h"
#include "charts/normalstitle.h"
#include "charts/widgets/ctlgraphique.h"
#include "charts/widgets/stackedchartexport.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/widgets/offscreenmain.h"
#include "db/accesbase.h"
#include "measures/measurementtable.h"
#include "stations/stationrecord.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include <qcustomplot.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace plx::cli {

namespace {

struct ChartOptions
{
    QString station;
    QString screen;        // chronique, annee, annuaire or normales
    bool yearly = false;   // one parameter, a selected year: annee, annuaire, normales
    bool internal = false; // normales: internal statistics instead of the normals
    // annuaire: the lower chart, the whole record
    QString totalParametres = QStringLiteral("1");
    QString totalHorizon = QStringLiteral("M");
    int totalVisualisation = 0; // "Histogramme", "Courbe", "Cumul"
    QString parametres = QStringLiteral("1");
    QString horizon; // "" : the screen's default
    QString mode = QStringLiteral("EDITION");
    bool hydro = false;
    QString visualisation = QStringLiteral("HISTO");
    bool cumul = false;
    QDate from, to;
    int selectedYear = 0;
    QString out;
    QSize size{1600, 900};
};

std::optional<QDate> dayOption(Options &options, const char *name, QString *error)
{
    const QString text = takeValue(options, name);
    if (text.isEmpty())
        return QDate();
    const QDate day = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!day.isValid()) {
        *error = QStringLiteral("Date invalide pour %1 : %2 (JJ/MM/AAAA attendu).")
                     .arg(QLatin1String(name), text);
        return std::nullopt;
    }
    return day;
}

// Reads the options; "" or the French text of the first mistake.
QString readChartOptions(Options &options, ChartOptions &chart)
{
    const auto valueOf = [&options](const char *name) { return takeValue(options, name); };
    // A value option given last, without its value, is a mistake, not an absent option.
    for (const char *name :
         {"--station", "--screen", "--param", "--horizon", "--mode", "--year", "--visualisation",
          "--from", "--to", "--out", "--size", "--selected-year", "--total-param",
          "--total-horizon", "--total-visualisation"}) {
        if (!options.positional.isEmpty() && options.positional.last() == QLatin1String(name))
            return QStringLiteral("L'option %1 attend une valeur.").arg(QLatin1String(name));
    }
    chart.station = valueOf("--station");
    const QString screen = valueOf("--screen");
    const QString param = valueOf("--param");
    chart.horizon = valueOf("--horizon").toUpper();
    const QString mode = valueOf("--mode").toUpper();
    const QString year = valueOf("--year").toLower();
    const QString visualisation = valueOf("--visualisation").toUpper();
    const QString size = valueOf("--size");
    const QString selected = valueOf("--selected-year");
    chart.out = valueOf("--out");
    chart.cumul = takeFlag(options, "--cumul");
    chart.internal = takeFlag(options, "--internal");
    const QString totalParam = valueOf("--total-param");
    const QString totalHorizon = valueOf("--total-horizon").toUpper();
    const QString totalVisualisation = valueOf("--total-visualisation").toUpper();
    QString error;
    const std::optional<QDate> from = dayOption(options, "--from", &error);
    const std::optional<QDate> to = dayOption(options, "--to", &error);
    if (!error.isEmpty())
        return error;
    chart.from = *from;
    chart.to = *to;

    if (!options.positional.isEmpty())
        return QStringLiteral("Option inconnue : %1").arg(options.positional.first());
    if (!options.hasDatabase)
        return QStringLiteral("Indiquez la base avec --db FICHIER ou --pg CONNEXION.");
    if (chart.station.isEmpty())
        return QStringLiteral("Indiquez la station avec --station CODE.");
    if (!QStringList{QStringLiteral("chronique"), QStringLiteral("annee"),
                     QStringLiteral("annuaire"), QStringLiteral("normales")}
             .contains(screen))
        return QStringLiteral("Indiquez l'écran avec --screen chronique, annee, annuaire, "
                              "normales, superposition ou pluviopiezo.");
    chart.screen = screen;
    chart.yearly = screen != QLatin1String("chronique");
    if (chart.out.isEmpty())
        return QStringLiteral("Indiquez le fichier image avec --out FICHIER.png, .svg ou .pdf.");
    const QString suffix = QFileInfo(chart.out).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") &&
        suffix != QLatin1String("pdf"))
        return QStringLiteral("Format d'image inconnu : %1 (PNG, SVG ou PDF attendu).")
            .arg(QFileInfo(chart.out).fileName());

    if (!param.isEmpty()) {
        static const QRegularExpression digits(QStringLiteral("^[1-6]+$"));
        if (!digits.match(param).hasMatch())
            return QStringLiteral("Paramètre invalide : %1 (chiffres de 1 à 6 attendus).")
                .arg(param);
        // The screens send the digits once each, in ascending order.
        QString sorted;
        for (QChar digit = QLatin1Char('1'); digit <= QLatin1Char('6');
             digit = QChar(digit.unicode() + 1))
            if (param.contains(digit))
                sorted += digit;
        if (chart.yearly && sorted.size() != 1)
            return QStringLiteral("L'écran %1 trace un seul paramètre (--param 1 à 6).")
                .arg(screen);
        chart.parametres = sorted;
    }
    if (!chart.horizon.isEmpty() && screen != QLatin1String("normales") &&
        !QStringList{QStringLiteral("S"), QStringLiteral("D"), QStringLiteral("M"),
                     QStringLiteral("T"), QStringLiteral("A"), QStringLiteral("H")}
             .contains(chart.horizon))
        return QStringLiteral("Horizon invalide : %1 (S, D, M, T, A ou H attendu).")
            .arg(chart.horizon);
    if (screen == QLatin1String("normales") && !chart.horizon.isEmpty() &&
        !QStringList{QStringLiteral("M"), QStringLiteral("H"), QStringLiteral("A")}.contains(
            chart.horizon))
        return QStringLiteral("Horizon invalide pour l'écran normales : %1 (M, H ou A attendu).")
            .arg(chart.horizon);
    if (screen == QLatin1String("annuaire") && mode == QLatin1String("CUMUL_ANNUEL"))
        return QStringLiteral("L'écran annuaire n'a pas de comparaison annuelle (EDITION ou "
                              "CUMUL_MENSUEL attendu).");
    if (screen != QLatin1String("annuaire") &&
        (!totalParam.isEmpty() || !totalHorizon.isEmpty() || !totalVisualisation.isEmpty()))
        return QStringLiteral("Les options --total-* ne valent que pour l'écran annuaire.");
    if (!totalParam.isEmpty()) {
        static const QRegularExpression digits(QStringLiteral("^[1-6]+$"));
        if (!digits.match(totalParam).hasMatch())
            return QStringLiteral("Paramètre invalide : %1 (chiffres de 1 à 6 attendus).")
                .arg(totalParam);
        ParameterChecks checked{};
        for (int i = 0; i < kChartParameters; ++i)
            checked[size_t(i)] = totalParam.contains(QChar(u'1' + i));
        chart.totalParametres = parameterDigits(checked);
    }
    if (!totalHorizon.isEmpty()) {
        if (totalHorizon.size() != 1 || !QStringLiteral("SDMTAH").contains(totalHorizon))
            return QStringLiteral("Horizon invalide : %1 (S, D, M, T, A ou H attendu).")
                .arg(totalHorizon);
        chart.totalHorizon = totalHorizon;
    }
    if (!totalVisualisation.isEmpty()) {
        const QStringList codes{QStringLiteral("HISTO"), QStringLiteral("COURBE"),
                                QStringLiteral("CUMUL")};
        if (!codes.contains(totalVisualisation))
            return QStringLiteral("Visualisation invalide : %1 (HISTO, COURBE ou CUMUL attendu).")
                .arg(totalVisualisation);
        chart.totalVisualisation = int(codes.indexOf(totalVisualisation));
    }
    if (!mode.isEmpty()) {
        if (mode != QLatin1String("EDITION") && mode != QLatin1String("CUMUL_MENSUEL") &&
            mode != QLatin1String("CUMUL_ANNUEL"))
            return QStringLiteral("Mode invalide : %1 (EDITION, CUMUL_MENSUEL ou CUMUL_ANNUEL "
                                  "attendu).")
                .arg(mode);
        chart.mode = mode;
    }
    if (!year.isEmpty()) {
        if (year != QLatin1String("civil") && year != QLatin1String("hydro"))
            return QStringLiteral("Année invalide : %1 (civil ou hydro attendu).").arg(year);
        chart.hydro = year == QLatin1String("hydro");
    }
    if (!visualisation.isEmpty()) {
        if (visualisation != QLatin1String("HISTO") && visualisation != QLatin1String("COURBE"))
            return QStringLiteral("Visualisation invalide : %1 (HISTO ou COURBE attendu).")
                .arg(visualisation);
        chart.visualisation = visualisation;
    }
    if (chart.from.isValid() && chart.to.isValid() && chart.from > chart.to)
        return QStringLiteral("La date de début (--from) est postérieure à la date de fin (--to).");
    if (!size.isEmpty()) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
        const QRegularExpressionMatch match = pattern.match(size);
        const int w = match.hasMatch() ? match.captured(1).toInt() : 0;
        const int h = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (w < 200 || h < 150 || w > 10000 || h > 10000)
            return QStringLiteral("Taille invalide : %1 (LARGEURxHAUTEUR, de 200x150 à "
                                  "10000x10000).")
                .arg(size);
        chart.size = QSize(w, h);
    }
    if (!selected.isEmpty()) {
        bool ok = false;
        chart.selectedYear = selected.toInt(&ok);
        if (!ok || chart.selectedYear < 1000 || chart.selectedYear > 9999)
            return QStringLiteral("Année sélectionnée invalide : %1 (AAAA attendu).").arg(selected);
    }
    return QString();
}

// The screens' own settings of the component for the options.
void configure(CtlGraphique &chart, const ChartOptions &o)
{
    if (o.screen == QLatin1String("normales")) {
        chart.setKind(CtlGraphique::Kind::Normals);
        const ChartProperties p = normalsProperties(
            ChartProperties{},
            o.horizon.isEmpty() ? 0 : int(QStringLiteral("MHA").indexOf(o.horizon)),
            o.parametres.toInt() - 1);
        chart.TypeEdition = p.typeEdition;
        chart.Parametres = p.parametres;
        chart.Horizon = p.horizon;
        chart.Visualisation = p.visualisation;
        chart.Cumul = p.cumul;
        chart.OptionNormales = o.internal;
        return;
    }
    chart.setKind(o.yearly ? CtlGraphique::Kind::Yearly : CtlGraphique::Kind::Chronicle);
    chart.Annuaire = o.screen == QLatin1String("annuaire");
    if (chart.Annuaire && o.mode == QLatin1String("CUMUL_MENSUEL")) {
        // As the screen: the monthly cumulation sends "1" and "M", then the parameter.
        const ChartProperties p = yearbookProperties(
            ChartProperties{}, kMonthlyCumulMode, kNoChoice, kNoChoice, o.parametres.toInt() - 1);
        chart.TypeEdition = p.typeEdition;
        chart.Parametres = p.parametres;
        chart.Horizon = p.horizon;
        chart.Visualisation = p.visualisation;
        chart.Cumul = false;
        return;
    }
    chart.Parametres = o.parametres;
    chart.Visualisation = o.visualisation;
    chart.Cumul = o.cumul;
    if (!o.yearly) {
        chart.TypeEdition = QStringLiteral("EDITION");
        chart.Horizon = o.horizon.isEmpty() ? QStringLiteral("S") : o.horizon;
        return;
    }
    chart.TypeEdition = o.mode;
    if (o.mode == QLatin1String("EDITION")) {
        chart.Horizon = o.hydro ? QStringLiteral("H") : QStringLiteral("M");
    } else {
        chart.Horizon = o.hydro ? QStringLiteral("H") : QStringLiteral("A");
        chart.Visualisation = QStringLiteral("HISTO");
    }
    if (!o.horizon.isEmpty())
        chart.Horizon = o.horizon;
}

// The yearbook's lower chart, as its screen sets it.
void configureTotal(CtlGraphique &chart, const ChartOptions &o)
{
    ParameterChecks checked{};
    for (int i = 0; i < kChartParameters; ++i)
        checked[size_t(i)] = o.totalParametres.contains(QChar(u'1' + i));
    const ChartProperties p = chronicleProperties(
        ChartProperties{}, checked, int(QStringLiteral("SDMTAH").indexOf(o.totalHorizon)),
        o.totalVisualisation);
    chart.setKind(CtlGraphique::Kind::Chronicle);
    chart.TypeEdition = p.typeEdition;
    chart.Parametres = p.parametres;
    chart.Horizon = p.horizon;
    chart.Visualisation = p.visualisation;
    chart.Cumul = p.cumul;
}

} // namespace

int chartCommand(const QStringList &arguments)
{
    if (isOverlayScreen(arguments))
        return overlayChartCommand(arguments);
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty())
        return fail(options.error, 2);
    ChartOptions o;
    const QString error = readChartOptions(options, o);
    if (!error.isEmpty())
        return fail(error, 2);
    if (measurementTableName(o.station).isEmpty())
        return fail(QStringLiteral("Code de station invalide : %1").arg(o.station), 2);
    if (!connectDatabase(options))
        return 1;
    AccesBase &db = AccesBase::instance();
    if (!loadStation(db, o.station))
        return fail(QStringLiteral("Station inconnue : %1").arg(o.station), 1);

    // The component reports through the message helper: keep its text for our one line.
    QString message;
    const MessageHandler previous = setMessageHandler([&message](MessageKind, const QString &text) {
        if (message.isEmpty())
            message = text;
        return false;
    });
    CtlGraphique chart;
    chart.resize(o.size);
    const bool loaded = chart.Initialiser(QStringLiteral("PLXReader"), db, nullptr, o.station);
    if (!loaded) {
        setMessageHandler(previous);
        return fail(message.isEmpty() ? QStringLiteral("Impossible de lire les mesures de la "
                                                          "station %1.")
                                               .arg(o.station)
                                         : message.simplified(),
                       1);
    }
    QDate first, last;
    chart.RecupDatesChargement(first, last);
    if (!first.isValid()) {
        setMessageHandler(previous);
        return fail(QStringLiteral("Aucune mesure pour la station %1.").arg(o.station), 1);
    }
    configure(chart, o);
    if (o.screen == QLatin1String("normales"))
        chart.TitreNormales = readNormalsTitle(db, o.station).value_or(QString());
    if (o.selectedYear)
        chart.setSelectedYear(o.selectedYear);
    chart.Actualiser();
    chart.Tracer();
    if (o.screen == QLatin1String("annuaire")) {
        // The page: the year above, the whole record below, from the one read above.
        CtlGraphique total;
        total.resize(o.size.width(), o.size.height() / 2);
        chart.resize(o.size.width(), o.size.height() / 2);
        total.InitialiserDepuis(chart);
        configureTotal(total, o);
        total.Tracer();
        QString saveError;
        const bool saved =
            writeStackedChartImage({chart.plot(), total.plot()}, o.out, o.size, &saveError);
        setMessageHandler(previous);
        return saved ? 0 : fail(saveError, 1);
    }
    if (!o.yearly && (o.from.isValid() || o.to.isValid())) {
        // The period asked for, as the screen shows it after a zoom.
        const QDate from = o.from.isValid() ? o.from : first;
        const QDate to = o.to.isValid() ? o.to : last;
        const double lower = double(QDateTime(from, QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
        const double upper =
            double(QDateTime(to.addDays(1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
        chart.plot()->xAxis->setRange(lower, upper);
    }
    QString saveError;
    const bool saved = chart.saveImage(o.out, o.size, &saveError);
    setMessageHandler(previous);
    if (!saved)
        return fail(saveError, 1);
    return 0;
}

int chartMain(int argc, char **argv)
{
    return runOffscreenCommand(argc, argv, chartCommand);
}

} // namespace plx::cli
