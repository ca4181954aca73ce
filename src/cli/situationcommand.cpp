#include "cli/situationcommand.h"

#include "base/locale.h"
#include "cli/commands.h"
#include "db/accesbase.h"
#include "measures/networksituation.h"

namespace plx::cli {

namespace {

QString instantText(const QDateTime &instant)
{
    return instant.isValid() ? instant.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

} // namespace

// plx situation --date DD/MM/YYYY [--stations CODE,...] [BASE]: per station, tab-separated,
// code, name, last instant, last value, last validated instant, and the not-found message
// when nothing is within 90 days of the date.
int situationCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    const QString dateText = takeValue(options, "--date");
    const QString stationsText = takeValue(options, "--stations");
    if (!options.error.isEmpty() || !options.hasDatabase || dateText.isEmpty() ||
        !options.positional.isEmpty())
        return usageError(options);
    const std::optional<QDate> date = parseDate(dateText);
    if (!date) {
        print(stderr, QStringLiteral("Date invalide (JJ/MM/AAAA attendu) : %1\n").arg(dateText));
        return 2;
    }
    const QStringList codes = stationsText.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (!stationsText.isNull() && codes.isEmpty()) {
        print(stderr, QStringLiteral("Aucune station donnée après --stations.\n"));
        return 2;
    }
    if (!connectDatabase(options))
        return 1;

    const SituationStationsResult stations = situationStations(codes);
    if (!stations.ok) {
        print(stderr, QStringLiteral("Lecture de la liste des pluviomètres impossible : %1\n")
                          .arg(stations.error));
        return 1;
    }
    if (!stations.unknown.isEmpty()) {
        print(stderr, QStringLiteral("Station inconnue ou non visible : %1\n")
                          .arg(stations.unknown.join(QStringLiteral(", "))));
        return 2;
    }
    QString out;
    int failures = 0;
    for (const StationSituation &s : computeSituation(AccesBase::instance(), stations.stations, *date)) {
        const QStringList cells{
            s.code,
            cellText(s.nom),
            instantText(s.lastInstant),
            s.lastValue.isNull() ? QString() : cellText(s.lastValue),
            instantText(s.lastValidated),
            s.stale ? situationNotFoundText() : QString()};
        out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
        if (!s.error.isEmpty()) {
            ++failures;
            print(stderr, QStringLiteral("Station %1 : %2\n").arg(s.code, s.error));
        }
    }
    print(stdout, out);
    return failures == 0 ? 0 : 1;
}

} // namespace plx::cli
