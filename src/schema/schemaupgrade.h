#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace plx {

class AccesBase;

// The schema version check and upgrade. The version row is the
// PARAMETRES row of module 'KELDA', identifier 'version'. When the database is older than
// the program, the named steps run in order, under a lock (PostgreSQL advisory lock,
// SQLite BEGIN IMMEDIATE) so that two clients starting together do not both run them,
// inside one transaction; then the version row is written again. A database newer than
// the program is never touched. Every step creates only what the catalog says is
// missing, so running them on an older database, or twice, is harmless.
//
// Whatever the version, the period calendar PERIODES is checked at each call (at
// every start) and repaired when incomplete.
struct SchemaUpgradeReport
{
    bool ok = false;            // false: error says why
    bool upgraded = false;      // the steps ran and the version row was written
    bool databaseNewer = false; // the database's version is above the program's: untouched
    QString databaseVersion;    // as read ("" when there is no version row)
    QString programVersion;
    QStringList steps;    // the named steps that ran, in order
    QStringList changes;  // what they created or changed, in French
    QStringList warnings; // e.g. measurement tables holding duplicate instants
    bool periodesRepaired = false;
    QString error;
    // What the journal should record, in order. Written by the caller once the upgrade's
    // transaction is over (writeSchemaJournal): a journal row that fails inside it must
    // not abort it on PostgreSQL, and JOURNAL may be one of the tables it creates.
    struct JournalRow
    {
        QString text;
        bool error = false;
    };
    std::vector<JournalRow> journal;
};

struct SchemaUpgradeOptions
{
    bool force = false; // run the steps even when the version row is up to date
    QString login;      // written as loginMaj of the version row; null when empty
};

// Called with each step name as it starts ("Mise à jour structure base" ...).
using SchemaProgress = std::function<void(const QString &step)>;

SchemaUpgradeReport upgradeSchema(AccesBase &db, const QString &programVersion,
                                  const SchemaProgress &progress = {},
                                  const SchemaUpgradeOptions &options = {});
// On the process-wide connection.
SchemaUpgradeReport upgradeSchema(const QString &programVersion = QStringLiteral(PLX_VERSION),
                                  const SchemaProgress &progress = {});

// The step names, in the order they run.
const QStringList &schemaStepNames();

// Compares dotted version numbers part by part as numbers ("6.0.10" > "6.0.9"; a
// missing part is 0). Text that is not a version compares below every version.
int compareVersions(const QString &a, const QString &b);

// The schema version stored in the database; "" when absent (or unreadable: then ok is
// false when given).
QString readSchemaVersion(AccesBase &db, bool *ok = nullptr);

} // namespace plx
