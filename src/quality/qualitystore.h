#pragma once

#include "quality/qualityflag.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

namespace plx {

class AccesBase;

// What the user made of a flag.
enum class FlagStatus { Open, Accepted, Corrected };
QString flagStatusCode(FlagStatus status);    // "OUVERT", "ACCEPTE", "CORRIGE"
QString flagStatusCaption(FlagStatus status); // "à traiter", "acceptée", "corrigée"
std::optional<FlagStatus> flagStatusFromCode(const QString &code);

// A flag as stored, with its decision.
struct StoredFlag
{
    QualityFlag flag; // time always valid (midnight for a daily record)
    FlagStatus status = FlagStatus::Open;
    bool active = true;  // the last run over its instant still raised it
    QString decidedBy;   // login; "" while open
    QDateTime decidedAt; // invalid while open
    QDateTime checkedAt; // the run that last raised it
};

// Two flags are the same flag when they sit on the same instant and parameter and come
// from the same rule.
bool sameFlagKey(const QualityFlag &a, const QualityFlag &b);

struct FlagMergeResult
{
    bool ok = false;
    QString error;    // why nothing was written
    int added = 0;    // new flags
    int kept = 0;     // decisions kept (same value as when decided)
    int reopened = 0; // decided flags whose value changed since: open again
    int removed = 0;  // open flags that no longer fire
    int retired = 0;  // decided flags that no longer fire (kept, inactive)
};

// Stores a run of the given rules (all when empty) over [from, to] (whole days): each
// flag of the run is added, or updated when already stored, keeping its decision unless
// its value changed since; a stored flag of those rules and days that the run did not
// raise is removed when open, or kept inactive with its decision. Creates the table when
// missing (outside the transaction), then writes in one transaction: on failure nothing
// changed.
FlagMergeResult saveQualityRun(AccesBase &db, const QString &code, const QDate &from,
                               const QDate &to, const QSet<QualityRule> &rules,
                               const QList<QualityFlag> &flags);

// The station's flags in [from, to] (whole days), in instant, parameter and rule order;
// inactive ones only when asked. A database without the table has none. False with error
// when they cannot be read.
bool readQualityFlags(AccesBase &db, const QString &code, const QDate &from, const QDate &to,
                      std::vector<StoredFlag> &flags, QString *error = nullptr,
                      bool withInactive = false);

// Records the decision on the given flags (found by their key) for the session's login,
// now, in one transaction; Open clears a decision. Returns the number of flags changed, -1
// on failure (error set, nothing changed).
int decideQualityFlags(AccesBase &db, const QString &code, const QList<QualityFlag> &flags,
                       FlagStatus status, QString *error = nullptr);

// The open, active flags of at least minSeverity after `after` (exclusive, open when
// nullopt) up to `until` (inclusive): what a validation up to `until` would pass over.
// -1 on failure.
qint64 countOpenFlags(AccesBase &db, const QString &code, const std::optional<QDateTime> &after,
                      const QDateTime &until, QualitySeverity minSeverity,
                      QString *error = nullptr);

} // namespace plx
