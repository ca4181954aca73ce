#include "quality/qualityflag.h"

namespace plx {

namespace {

struct RuleNames
{
    QualityRule rule;
    const char *key;
    const char *caption; // UTF-8
};

constexpr RuleNames kRules[] = {
    {QualityRule::Range, "plage", "Hors plage physique"},
    {QualityRule::Spike, "pic", "Pic pour le mois"},
    {QualityRule::Stuck, "bloque", "Valeur bloquée"},
    {QualityRule::ZeroRun, "zeros", "Zéros prolongés"},
    {QualityRule::Accumulation, "cumul", "Cumul après lacune"},
    {QualityRule::DailyVsTimed, "journalier", "Journalier et horaires"},
    {QualityRule::Neighbours, "voisins", "Écart aux voisins"},
};

} // namespace

QString qualityRuleKey(QualityRule rule)
{
    for (const RuleNames &names : kRules) {
        if (names.rule == rule)
            return QString::fromLatin1(names.key);
    }
    return QString();
}

std::optional<QualityRule> qualityRuleFromKey(const QString &key)
{
    const QString wanted = key.trimmed();
    for (const RuleNames &names : kRules) {
        if (wanted.compare(QLatin1String(names.key), Qt::CaseInsensitive) == 0)
            return names.rule;
    }
    return std::nullopt;
}

QString qualityRuleCaption(QualityRule rule)
{
    for (const RuleNames &names : kRules) {
        if (names.rule == rule)
            return QString::fromUtf8(names.caption);
    }
    return QString();
}

QList<QualityRule> allQualityRules()
{
    QList<QualityRule> rules;
    for (const RuleNames &names : kRules)
        rules << names.rule;
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

} // namespace plx
