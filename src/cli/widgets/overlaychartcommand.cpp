#include "cli/widgets/overlaychartcommand.h"

#include "base/messages.h"
#include "charts/piezometerseries.h"
#include "charts/widgets/ctlgraphique.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "schema/groundwatertables.h"
#include "stations/stationcodes.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include <qcustomplot.h>

#include <cstdio>

namespace plx::cli {

namespace {

QStringList codeList(const QString &text)
{
    QStringList codes;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!codes.contains(part.trimmed()))
            codes << part.trimmed();
    return codes;
}

QDate dayOf(const QString &text, bool *ok)
{
    if (text.isEmpty())
        return QDate();
    const QDate day = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    *ok = *ok && day.isValid();
    return day;
}

QString piezometerName(AccesBase &db, const QString &code)
{
    const QString number = pzTableName(code).mid(3);
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT Nom FROM PIEZOMETRES WHERE CodePiezometre = ") + number);
    const QString name =
        rows.ok() && rows.rowCount() > 0 ? rows.at(0, 0).toString().trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("Piézomètre ") + number
                          : name + QStringLiteral(" (") + number + QLatin1Char(')');
}

} // namespace

bool isOverlayScreen(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--screen"));
    if (at < 0 || at + 1 >= arguments.size())
        return false;
    const QString screen = arguments.at(at + 1);
    return screen == QLatin1String("superposition") || screen == QLatin1String("pluviopiezo");
}

int overlayChartCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty())
        return fail(options.error, 2);
    for (const char *name : {"--screen", "--stations", "--piezos", "--param", "--horizon",
                             "--visualisation", "--from", "--to", "--out", "--size"}) {
        if (!options.positional.isEmpty() && options.positional.last() == QLatin1String(name))
            return fail(
                QStringLiteral("L'option %1 attend une valeur.").arg(QLatin1String(name)), 2);
    }
    const bool piezoScreen = takeValue(options, "--screen") == QLatin1String("pluviopiezo");
    const QStringList stations = codeList(takeValue(options, "--stations"));
    const QStringList piezos = codeList(takeValue(options, "--piezos"));
    QString param = takeValue(options, "--param");
    const QString horizon = takeValue(options, "--horizon").toUpper();
    const QString visualisation = takeValue(options, "--visualisation").toUpper();
    const QString fromText = takeValue(options, "--from");
    const QString toText = takeValue(options, "--to");
    const QString out = takeValue(options, "--out");
    const QString sizeText = takeValue(options, "--size");
    const bool rainDown = takeFlag(options, "--rain-down");

    if (!options.positional.isEmpty())
        return fail(QStringLiteral("Option inconnue : %1").arg(options.positional.first()), 2);
    if (!options.hasDatabase)
        return fail(QStringLiteral("Indiquez la base avec --db FICHIER ou --pg CONNEXION."), 2);
    if (stations.isEmpty() && (!piezoScreen || piezos.isEmpty()))
        return fail(QStringLiteral("Indiquez les stations avec --stations 11,12."), 2);
    if (!piezoScreen && !piezos.isEmpty())
        return fail(QStringLiteral("--piezos ne s'emploie qu'avec --screen pluviopiezo."), 2);
    for (const QString &code : stations)
        if (measurementTableName(code).isEmpty())
            return fail(QStringLiteral("Code de station invalide : %1").arg(code), 2);
    for (const QString &code : piezos)
        if (pzTableName(code).isEmpty())
            return fail(QStringLiteral("Code de piézomètre invalide : %1").arg(code), 2);
    if (out.isEmpty())
        return fail(
            QStringLiteral("Indiquez le fichier image avec --out FICHIER.png, .svg ou .pdf."), 2);
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") &&
        suffix != QLatin1String("pdf"))
        return fail(QStringLiteral("Format d'image inconnu : %1 (PNG, SVG ou PDF attendu).")
                           .arg(QFileInfo(out).fileName()),
                       2);
    if (param.isEmpty())
        param = QStringLiteral("1");
    static const QRegularExpression digits(QStringLiteral("^[1-6]+$"));
    if (!digits.match(param).hasMatch())
        return fail(
            QStringLiteral("Paramètre invalide : %1 (chiffres de 1 à 6 attendus).").arg(param), 2);
    QString sorted;
    for (char digit = '1'; digit <= '6'; ++digit)
        if (param.contains(QLatin1Char(digit)))
            sorted += QLatin1Char(digit);
    if (!horizon.isEmpty() && !QStringLiteral("SDMTAH").contains(horizon))
        return fail(
            QStringLiteral("Horizon invalide : %1 (S, D, M, T, A ou H attendu).").arg(horizon), 2);
    if (horizon.size() > 1)
        return fail(
            QStringLiteral("Horizon invalide : %1 (S, D, M, T, A ou H attendu).").arg(horizon), 2);
    if (!visualisation.isEmpty() && visualisation != QLatin1String("HISTO") &&
        visualisation != QLatin1String("COURBE") && visualisation != QLatin1String("CUMUL"))
        return fail(
            QStringLiteral("Visualisation invalide : %1 (HISTO, COURBE ou CUMUL attendu).")
                .arg(visualisation),
            2);
    bool datesOk = true;
    const QDate from = dayOf(fromText, &datesOk);
    const QDate to = dayOf(toText, &datesOk);
    if (!datesOk)
        return fail(QStringLiteral("Date invalide pour --from ou --to (JJ/MM/AAAA attendu)."),
                       2);
    if (from.isValid() && to.isValid() && from > to)
        return fail(
            QStringLiteral("La date de début (--from) est postérieure à la date de fin (--to)."),
            2);
    QSize size(1600, 900);
    if (!sizeText.isEmpty()) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
        const QRegularExpressionMatch match = pattern.match(sizeText);
        const int w = match.hasMatch() ? match.captured(1).toInt() : 0;
        const int h = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (w < 200 || h < 150 || w > 10000 || h > 10000)
            return fail(
                QStringLiteral("Taille invalide : %1 (LARGEURxHAUTEUR, de 200x150 à 10000x10000).")
                    .arg(sizeText),
                2);
        size = QSize(w, h);
    }

    if (!connectDatabase(options))
        return 1;
    AccesBase &db = AccesBase::instance();
    QString message;
    const MessageHandler previous = setMessageHandler([&message](MessageKind, const QString &text) {
        if (message.isEmpty())
            message = text;
        return false;
    });
    CtlGraphique chart;
    chart.resize(size);
    chart.InitialiserSuperposition(QStringLiteral("PLXReader"), db, nullptr);
    // The screens' rows: {title, key, code}.
    for (const QString &code : stations) {
        const QString name = stationDisplayName(db, code);
        if (name.isEmpty()) {
            setMessageHandler(previous);
            return fail(QStringLiteral("Station inconnue : %1").arg(code), 1);
        }
        chart.ListeCourbes.append({name, QString(), code});
    }
    for (const QString &code : piezos)
        chart.ListePiezometres.append({piezometerName(db, code), QString(), code});
    chart.TypeEdition = piezoScreen ? QStringLiteral("SUPERPOSITION") : QStringLiteral("EDITION");
    chart.Parametres = sorted;
    chart.Horizon = horizon.isEmpty() ? QStringLiteral("S") : horizon;
    chart.Visualisation =
        visualisation == QLatin1String("COURBE") ? visualisation : QStringLiteral("HISTO");
    chart.Cumul = visualisation == QLatin1String("CUMUL");
    chart.PluieVersLeBas = rainDown;
    chart.Tracer();
    if (!message.isEmpty()) {
        setMessageHandler(previous);
        return fail(message.simplified(), 1);
    }
    if (from.isValid() || to.isValid()) {
        const QCPRange range = chart.plot()->xAxis->range();
        const double lower = from.isValid()
                                 ? double(QDateTime(from, QTime(0, 0), Qt::UTC).toSecsSinceEpoch())
                                 : range.lower;
        const double upper =
            to.isValid() ? double(QDateTime(to.addDays(1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch())
                         : range.upper;
        chart.plot()->xAxis->setRange(lower, upper);
    }
    QString saveError;
    const bool saved = chart.saveImage(out, size, &saveError);
    setMessageHandler(previous);
    if (!saved)
        return fail(saveError, 1);
    return 0;
}

} // namespace plx::cli
