// TEMPORARY stand-in for the quality rules while they are written on their own branch:
// just enough (keys, captions, a negative-value and a stuck-gauge check) for the panel to
// run. Deleted when the real rules land.
#include "quality/qualityflag.h"

#include "base/locale.h"
#include "measures/validationstore.h"

namespace plx {

namespace {
const char *const kKeys[] = {"plage", "pic", "bloque", "zeros", "cumul", "journalier", "voisins"};
}

QString qualityRuleKey(QualityRule rule)
{
    return QString::fromLatin1(kKeys[int(rule)]);
}

std::optional<QualityRule> qualityRuleFromKey(const QString &key)
{
    for (int i = 0; i < 7; ++i) {
        if (key == QLatin1String(kKeys[i]))
            return QualityRule(i);
    }
    return std::nullopt;
}

QString qualityRuleCaption(QualityRule rule)
{
    static const char *const captions[] = {
        "Plage physique", "Pic", "Capteur bloqué", "Série de zéros", "Cumul après lacune",
        "Journalier / horaire", "Voisins"};
    return QString::fromUtf8(captions[int(rule)]);
}

QList<QualityRule> allQualityRules()
{
    QList<QualityRule> rules;
    for (int i = 0; i < 7; ++i)
        rules << QualityRule(i);
    return rules;
}

QString qualitySeverityCaption(QualitySeverity severity)
{
    switch (severity) {
    case QualitySeverity::Info:
        return QStringLiteral("faible");
    case QualitySeverity::Warning:
        return QStringLiteral("moyenne");
    case QualitySeverity::Severe:
        return QStringLiteral("forte");
    }
    return QString();
}

QualityRun runQualityRules(AccesBase &db, const QString &code, const QDate &from,
                           const QDate &to, const QSet<QualityRule> &rules,
                           const QualityProgress &progress)
{
    QualityRun run;
    LoadResult loaded = loadWindow(db, code, from, to);
    if (!loaded.ok) {
        run.error = loaded.error;
        return run;
    }
    const auto wanted = [&](QualityRule rule) { return rules.isEmpty() || rules.contains(rule); };
    const std::vector<MeasureRow> &rows = loaded.rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (progress && !progress(qint64(i), qint64(rows.size()))) {
            run.cancelled = true;
            return run;
        }
        const MeasureRow &row = rows[i];
        const std::optional<double> rain = row.value(0);
        if (!rain)
            continue;
        if (wanted(QualityRule::Range) && *rain < 0)
            run.flags << QualityFlag{row.date, row.heure, 0, rain, QualityRule::Range,
                                     QualitySeverity::Severe,
                                     QStringLiteral("Pluie négative")};
        if (wanted(QualityRule::Range) && *rain > 150)
            run.flags << QualityFlag{row.date, row.heure, 0, rain, QualityRule::Range,
                                     QualitySeverity::Severe,
                                     QStringLiteral("Pluie au-dessus du maximum (150 mm)")};
        if (wanted(QualityRule::Stuck) && *rain > 0 && i >= 2 && rows[i - 1].value(0) == rain &&
            rows[i - 2].value(0) == rain)
            run.flags << QualityFlag{row.date, row.heure, 0, rain, QualityRule::Stuck,
                                     QualitySeverity::Warning,
                                     QStringLiteral("Même valeur %1 mm trois jours de suite")
                                         .arg(formatNumber(*rain))};
    }
    run.ok = true;
    return run;
}

} // namespace plx
