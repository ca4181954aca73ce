#include "cli/historycommands.h"

#include "base/locale.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "db/accesbase.h"
#include "measures/measurehistory.h"
#include "schema/measurehistorytable.h"
#include "measures/measurementtable.h"

namespace plx::cli {

namespace {

QString number(const std::optional<double> &value)
{
    return value ? cellText(QVariant(*value)) : QString();
}

QString instantText(const QDateTime &instant)
{
    return instant.isValid() ? formatDateTime(instant) : QString();
}

bool dateOption(const QString &text, std::optional<QDate> &date)
{
    if (text.isEmpty())
        return true;
    date = parseDate(text);
    if (date)
        return true;
    print(stderr, QStringLiteral("Date invalide : %1 (attendu JJ/MM/AAAA)\n").arg(text));
    return false;
}

} // namespace

// The station's history of values, newest change first: instant, parameter, old, new, old
// validity, new validity, kind, login, timestamp, batch; tab-separated.
int historyCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    const QString code = takeValue(options, "--station");
    const QString from = takeValue(options, "--from");
    const QString to = takeValue(options, "--to");
    HistoryFilter filter;
    filter.login = takeValue(options, "--user-filter");
    filter.nature = takeValue(options, "--kind").toUpper();
    if (!options.error.isEmpty() || !options.hasDatabase || code.isEmpty() ||
        !options.positional.isEmpty())
        return usageError(options);
    if (measurementTableName(code).isEmpty()) {
        print(stderr, QStringLiteral("Code de station invalide : %1\n").arg(code));
        return 2;
    }
    if (!dateOption(from, filter.from) || !dateOption(to, filter.to))
        return 2;
    if (!filter.nature.isEmpty() && !historyNatureCodes().contains(filter.nature)) {
        print(stderr, QStringLiteral("Nature inconnue : %1 (attendu %2)\n")
                          .arg(filter.nature, historyNatureCodes().join(QLatin1Char('|'))));
        return 2;
    }
    if (!connectDatabase(options))
        return 1;
    AccesBase &db = AccesBase::instance();
    // A database from before the history has none yet: an empty history, not an error.
    if (!hasMeasureHistory(db))
        return 0;
    std::vector<HistoryEntry> entries;
    QString error;
    if (!readHistory(db, code, filter, entries, &error)) {
        print(stderr, QStringLiteral("L'historique n'a pas pu être lu : ") + error +
                          QLatin1Char('\n'));
        return 1;
    }
    QString out;
    for (const HistoryEntry &e : entries) {
        out += QStringList{instantText(e.instant),
                           e.parameter,
                           number(e.oldValue),
                           number(e.newValue),
                           e.oldValidite,
                           e.newValidite,
                           e.nature,
                           e.login,
                           instantText(e.changedAt),
                           e.batch}
                   .join(QLatin1Char('\t')) +
               QLatin1Char('\n');
    }
    print(stdout, out);
    return 0;
}

} // namespace plx::cli
