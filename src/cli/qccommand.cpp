#include "cli/qccommand.h"

#include "cli/commands.h"
#include "db/accesbase.h"
#include "measures/measurementtable.h"
#include "quality/qualityflag.h"

#include <algorithm>

namespace plx::cli {

namespace {

// The measured columns' names, in grid order: what a script greps for.
const char *const kParameters[] = {"Pluie",   "PluieEfficace", "Etp",
                                   "Valeur1", "Valeur2",       "Valeur3"};

QString instantText(const QualityFlag &flag)
{
    QString text = flag.date.toString(QStringLiteral("dd/MM/yyyy"));
    if (flag.time.isValid())
        text += QLatin1Char(' ') + flag.time.toString(QStringLiteral("HH:mm:ss"));
    return text;
}

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

// plx qc [BASE] --station CODE --from JJ/MM/AAAA --to JJ/MM/AAAA [--rules REGLE,...]: one
// line per flag, tab-separated: instant, parameter, value, rule, severity, explanation.
int qcCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty())
        return fail(options.error, 2);
    for (const char *name : {"--station", "--from", "--to", "--rules"}) {
        const qsizetype at = options.positional.indexOf(QLatin1String(name));
        if (at >= 0 && at + 1 >= options.positional.size())
            return fail(QStringLiteral("L'option %1 attend une valeur.").arg(QLatin1String(name)),
                        2);
    }
    const QString code = takeValue(options, "--station").trimmed();
    const QString fromText = takeValue(options, "--from");
    const QString toText = takeValue(options, "--to");
    const QString rulesText = takeValue(options, "--rules");
    if (!options.positional.isEmpty())
        return fail(QStringLiteral("Option inconnue : %1").arg(options.positional.first()), 2);
    if (!options.hasDatabase)
        return fail(QStringLiteral("Indiquez la base de données (--db, --pg ou --odbc)."), 2);
    if (code.isEmpty())
        return fail(QStringLiteral("Indiquez la station (--station CODE)."), 2);
    if (measurementTableName(code).isEmpty())
        return fail(QStringLiteral("Code de station invalide : %1").arg(code), 2);
    const QDate from = QDate::fromString(fromText, QStringLiteral("dd/MM/yyyy"));
    const QDate to = QDate::fromString(toText, QStringLiteral("dd/MM/yyyy"));
    if (!from.isValid())
        return fail(
            QStringLiteral("Date de début invalide : %1 (attendu : JJ/MM/AAAA)").arg(fromText), 2);
    if (!to.isValid())
        return fail(QStringLiteral("Date de fin invalide : %1 (attendu : JJ/MM/AAAA)").arg(toText),
                    2);
    if (to < from)
        return fail(QStringLiteral("La date de fin précède la date de début."), 2);
    QSet<QualityRule> rules;
    if (!rulesText.isNull()) {
        QStringList keys;
        for (QualityRule rule : allQualityRules())
            keys << qualityRuleKey(rule);
        for (const QString &part : rulesText.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const std::optional<QualityRule> rule = qualityRuleFromKey(part);
            if (!rule)
                return fail(QStringLiteral("Règle inconnue : %1 (règles : %2)")
                                .arg(part.trimmed(), keys.join(QStringLiteral(", "))),
                            2);
            rules.insert(*rule);
        }
        if (rules.isEmpty())
            return fail(QStringLiteral("Aucune règle donnée après --rules (règles : %1).")
                            .arg(keys.join(QStringLiteral(", "))),
                        2);
    }

    if (!connectDatabase(options))
        return 1;
    AccesBase &db = AccesBase::instance();
    QString error;
    if (!stationVisible(db, code, &error))
        return fail(error.isEmpty()
                        ? QStringLiteral("Station inconnue : %1").arg(code)
                        : QStringLiteral("Impossible de lire les stations : %1").arg(error),
                    1);
    const QualityRun run = runQualityRules(db, code, from, to, rules);
    if (!run.ok)
        return fail(run.error, 1);
    QString out;
    for (const QualityFlag &flag : run.flags) {
        const QStringList cells{
            instantText(flag),
            QString::fromLatin1(kParameters[std::clamp(flag.parameter, 0, 5)]),
            flag.value ? numberCell(*flag.value) : QString(),
            qualityRuleKey(flag.rule),
            qualitySeverityCaption(flag.severity),
            oneLine(flag.explanation),
        };
        out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    print(stdout, out);
    return 0;
}

} // namespace plx::cli
