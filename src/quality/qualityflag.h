#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QTime>

#include <functional>
#include <optional>

namespace plx {

class AccesBase;

// The quality rules run over a station's series. The keys are the command line's
// (--rules) and the stored codes.
enum class QualityRule {
    Range,          // "plage": negative, or above the station's daily/hourly maximum
    Spike,          // "pic": far above the station's own distribution for the month
    Stuck,          // "bloque": the same non-zero value repeated (stuck gauge)
    ZeroRun,        // "zeros": a long run of zeros in a wet month
    Accumulation,   // "cumul": a value after missing days much larger than usual
    DailyVsTimed,   // "journalier": daily total against the sum of the day's timed values
    Neighbours,     // "voisins": isolated high value or missed event against neighbours
};
QString qualityRuleKey(QualityRule rule);
std::optional<QualityRule> qualityRuleFromKey(const QString &key);
QString qualityRuleCaption(QualityRule rule); // French, for the panel
QList<QualityRule> allQualityRules();

enum class QualitySeverity { Info = 1, Warning = 2, Severe = 3 };
QString qualitySeverityCaption(QualitySeverity severity); // "faible", "moyenne", "forte"

// One suspicious value: where it is, what the rule saw, in a short French sentence.
struct QualityFlag
{
    QDate date;
    QTime time;                   // invalid for a daily record
    int parameter = 0;            // grid order: 0 Pluie, 1 PluieEfficace, 2 Etp, 3..5 Valeur1..3
    std::optional<double> value;  // null for a missed event (nothing stored)
    QualityRule rule = QualityRule::Range;
    QualitySeverity severity = QualitySeverity::Warning;
    QString explanation;

    QDateTime instant() const { return QDateTime(date, time.isValid() ? time : QTime(0, 0)); }
};

// Progress of a run: done out of total; false asks to stop.
using QualityProgress = std::function<bool(qint64 done, qint64 total)>;

struct QualityRun
{
    bool ok = false;
    bool cancelled = false;
    QString error;
    QList<QualityFlag> flags;     // in instant order, then parameter, then rule
};

// Runs the given rules (all when empty) over the station's records in [from, to] (whole
// days), reading what history and neighbours they need for context, with the station's
// thresholds (defaults where it has none).
QualityRun runQualityRules(AccesBase &db, const QString &code, const QDate &from,
                           const QDate &to, const QSet<QualityRule> &rules = {},
                           const QualityProgress &progress = {});

} // namespace plx
