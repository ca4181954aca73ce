#include "cli/followupcommand.h"

#include "charts/followup.h"
#include "cli/commands.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "session/session.h"

#include <cmath>
#include <memory>

namespace plx::cli {

namespace {

QString summaryRow(const QString &label, const std::vector<FollowUpCell> &cells)
{
    QString line = label;
    for (const FollowUpCell &cell : cells)
        line += QLatin1Char('\t') + numberCell(cell.value) + QLatin1Char('\t') +
                QString::number(cell.missingDays);
    return line + QLatin1Char('\n');
}

} // namespace

// plx suivi [BASE] --station CODE[,CODE...] --from JJ/MM/AAAA --to JJ/MM/AAAA
// --step jour|mois|annee [--param 1..6] [--day-start 0|6] [--validated-only]: the
// follow-up table, a header, one row per period, then the "Cumul" and "Total" rows; per
// station its value and the number of days without value.
int followUpCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty())
        return fail(options.error, 2);
    for (const char *name : {"--station", "--from", "--to", "--step", "--param", "--day-start"}) {
        const qsizetype at = options.positional.indexOf(QLatin1String(name));
        if (at >= 0 && at + 1 >= options.positional.size())
            return fail(QStringLiteral("L'option %1 attend une valeur.").arg(QLatin1String(name)),
                        2);
    }
    const QString stationText = takeValue(options, "--station");
    const QString fromText = takeValue(options, "--from");
    const QString toText = takeValue(options, "--to");
    const QString stepText = takeValue(options, "--step");
    const QString paramText = takeValue(options, "--param");
    const QString dayStartText = takeValue(options, "--day-start");
    const bool validatedOnly = takeFlag(options, "--validated-only");
    if (!options.positional.isEmpty())
        return fail(QStringLiteral("Option inconnue : %1").arg(options.positional.first()), 2);
    if (!options.hasDatabase)
        return fail(QStringLiteral("Indiquez la base de données (--db, --pg ou --odbc)."), 2);

    QStringList stations;
    for (const QString &part : stationText.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString code = part.trimmed();
        if (measurementTableName(code).isEmpty())
            return fail(QStringLiteral("Code de station invalide : %1").arg(code), 2);
        if (!stations.contains(code))
            stations << code;
    }
    if (stations.isEmpty())
        return fail(QStringLiteral("Indiquez la station (--station CODE[,CODE…])."), 2);

    FollowUpOptions request;
    request.from = QDate::fromString(fromText, QStringLiteral("dd/MM/yyyy"));
    request.to = QDate::fromString(toText, QStringLiteral("dd/MM/yyyy"));
    if (!request.from.isValid())
        return fail(QStringLiteral("Date de début invalide : %1 (attendu : JJ/MM/AAAA)")
                        .arg(fromText),
                    2);
    if (!request.to.isValid())
        return fail(QStringLiteral("Date de fin invalide : %1 (attendu : JJ/MM/AAAA)").arg(toText),
                    2);
    if (request.to < request.from)
        return fail(QStringLiteral("La date de fin précède la date de début."), 2);
    if (!followUpStepOf(stepText, &request.step))
        return fail(QStringLiteral("Pas invalide : %1 (attendu : jour, mois ou annee)")
                        .arg(stepText),
                    2);
    if (!paramText.isEmpty()) {
        bool ok = false;
        request.parameter = paramText.toInt(&ok);
        if (!ok || request.parameter < 1 || request.parameter > 6)
            return fail(QStringLiteral("Paramètre invalide : %1 (attendu : 1 à 6)").arg(paramText),
                        2);
    }
    if (!dayStartText.isEmpty()) {
        const int hour = dayStartText.toInt();
        if ((dayStartText != QLatin1String("0") && dayStartText != QLatin1String("00") &&
             dayStartText != QLatin1String("6") && dayStartText != QLatin1String("06")))
            return fail(QStringLiteral("Début de journée invalide : %1 (attendu : 0 ou 6)")
                            .arg(dayStartText),
                        2);
        request.dayStartHour = hour;
    }
    request.selection.unvalidated = !validatedOnly;

    if (!connectDatabase(options))
        return 1;
    AccesBase &db = AccesBase::instance();
    std::vector<std::shared_ptr<const StationSeries>> owned;
    std::vector<const StationSeries *> series;
    for (const QString &code : stations) {
        QString error;
        if (!stationVisible(db, code, &error))
            return fail(error.isEmpty() ? QStringLiteral("Station inconnue : %1").arg(code)
                                        : QStringLiteral("Impossible de lire les stations : %1")
                                              .arg(error),
                        1);
        owned.push_back(loadStationSeries(db, code, &error));
        if (!owned.back())
            return fail(error, 1);
        series.push_back(owned.back().get());
    }

    const FollowUpTable table = followUpTable(stations, series, request);
    QString out = QStringLiteral("periode");
    for (const QString &code : stations)
        out += QLatin1Char('\t') + code + QLatin1Char('\t') + code + QStringLiteral(" manquants");
    out += QLatin1Char('\n');
    for (size_t p = 0; p < table.periods.size(); ++p)
        out += summaryRow(table.periods[p].label, table.cells[p]);
    out += summaryRow(QStringLiteral("Cumul"), table.cumul);
    out += summaryRow(QStringLiteral("Total"), table.total);
    print(stdout, out);
    return 0;
}

} // namespace plx::cli
