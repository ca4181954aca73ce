#include "quality/qualitystore.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "db/dialect.h"
#include "db/preparedstatement.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "measures/measurehistory.h"
#include "measures/measurerow.h"
#include "schema/qualityflagtable.h"
#include "schema/schemacatalog.h"
#include "session/session.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace plx {

namespace {

const char *const kStatusCodes[] = {"OUVERT", "ACCEPTE", "CORRIGE"};

const QString kTable = QStringLiteral("CONTROLES_QUALITE");
const QString kColumns = QStringLiteral(
    "SELECT DateMesure, Parametre, Regle, Severite, Valeur, Explication, Statut, Actif, "
    "LoginDecision, DateDecision, DateControle FROM CONTROLES_QUALITE WHERE CodePluviometre = ");
const QString kKeyWhere = QStringLiteral(" AND DateMesure = ? AND Parametre = ? AND Regle = ?");

// Instants are wall-clock values: labelled UTC so that no zone rule ever shifts them.
QDateTime wallClock(const QDate &date, const QTime &time)
{
    return QDateTime(date, time.isValid() ? time : QTime(0, 0), Qt::UTC);
}

QDateTime flagInstant(const QualityFlag &flag)
{
    return wallClock(flag.date, flag.time);
}

QDateTime now()
{
    const QTime time = QTime::currentTime();
    return wallClock(QDate::currentDate(), QTime(time.hour(), time.minute(), time.second()));
}

QDateTime dateTimeOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime read = value.toDateTime();
        return wallClock(read.date(), read.time());
    }
    return parseDatabaseDateTime(value.toString());
}

int parameterOf(const QString &name)
{
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (historyParameterName(i).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString keyOf(const QDateTime &instant, int parameter, const QString &rule)
{
    return QString::number(instant.toMSecsSinceEpoch()) + QLatin1Char('|') +
           QString::number(parameter) + QLatin1Char('|') + rule;
}

QString keyOf(const QualityFlag &flag)
{
    return keyOf(flagInstant(flag), flag.parameter, qualityRuleKey(flag.rule));
}

// The value a rule saw is the same when both are missing or equal to the precision the
// column keeps (PostgreSQL's real holds about seven digits).
bool sameValue(const std::optional<double> &a, const std::optional<double> &b)
{
    if (!a || !b)
        return !a && !b;
    return std::abs(*a - *b) <= 1e-6 * std::max(1.0, std::max(std::abs(*a), std::abs(*b)));
}

QString stationNumber(const QString &code)
{
    return sqlNumber(code.trimmed().toLongLong());
}

QString dayLiteral(const QDate &day)
{
    return FormatDateSQL(formatDate(day), false);
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool validCode(const QString &code)
{
    bool ok = false;
    return code.trimmed().toLongLong(&ok) > 0 && ok;
}

QVariantList keyValues(const QualityFlag &flag)
{
    return {QVariant(flagInstant(flag)), QVariant(historyParameterName(flag.parameter)),
            QVariant(qualityRuleKey(flag.rule))};
}

QVariant valueOf(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant();
}

// Reads the rows of a SELECT built on kColumns; rows of an unknown rule or parameter (a
// later version's) are skipped.
std::vector<StoredFlag> flagsOf(const RecordTable &table)
{
    std::vector<StoredFlag> flags;
    flags.reserve(size_t(table.rowCount()));
    for (int r = 0; r < table.rowCount(); ++r) {
        const std::optional<QualityRule> rule = qualityRuleFromKey(table.text(r, 2).trimmed());
        const int parameter = parameterOf(table.text(r, 1));
        const QDateTime instant = dateTimeOf(table.at(r, 0));
        if (!rule || parameter < 0 || !instant.isValid())
            continue;
        StoredFlag stored;
        stored.flag.date = instant.date();
        stored.flag.time = instant.time();
        stored.flag.parameter = parameter;
        stored.flag.rule = *rule;
        const int severity = int(table.at(r, 3).toLongLong());
        stored.flag.severity = QualitySeverity(std::clamp(severity, 1, 3));
        if (!table.at(r, 4).isNull())
            stored.flag.value = table.at(r, 4).toDouble();
        stored.flag.explanation = table.text(r, 5);
        stored.status = flagStatusFromCode(table.text(r, 6)).value_or(FlagStatus::Open);
        stored.active = table.at(r, 7).isNull() || table.at(r, 7).toLongLong() != 0;
        stored.decidedBy = table.text(r, 8).trimmed();
        stored.decidedAt = dateTimeOf(table.at(r, 9));
        stored.checkedAt = dateTimeOf(table.at(r, 10));
        flags.push_back(std::move(stored));
    }
    return flags;
}

} // namespace

QString flagStatusCode(FlagStatus status)
{
    return QString::fromLatin1(kStatusCodes[int(status)]);
}

QString flagStatusCaption(FlagStatus status)
{
    switch (status) {
    case FlagStatus::Open:
        return QStringLiteral("à traiter");
    case FlagStatus::Accepted:
        return QStringLiteral("acceptée");
    case FlagStatus::Corrected:
        return QStringLiteral("corrigée");
    }
    return QString();
}

std::optional<FlagStatus> flagStatusFromCode(const QString &code)
{
    for (int i = 0; i < 3; ++i) {
        if (code.trimmed().compare(QLatin1String(kStatusCodes[i]), Qt::CaseInsensitive) == 0)
            return FlagStatus(i);
    }
    return std::nullopt;
}

bool sameFlagKey(const QualityFlag &a, const QualityFlag &b)
{
    return a.rule == b.rule && a.parameter == b.parameter && flagInstant(a) == flagInstant(b);
}

bool readQualityFlags(AccesBase &db, const QString &code, const QDate &from, const QDate &to,
                      std::vector<StoredFlag> &flags, QString *error, bool withInactive)
{
    flags.clear();
    if (!validCode(code))
        return fail(error, QStringLiteral("Code de station invalide : %1").arg(code));
    if (!db.tableExists(kTable))
        return true;
    const ScopedConnectionKind kind(db);
    QString sql = kColumns + stationNumber(code) + QStringLiteral(" AND DateMesure >= ") +
                  dayLiteral(from) + QStringLiteral(" AND DateMesure < ") +
                  dayLiteral(to.addDays(1));
    if (!withInactive)
        sql += QStringLiteral(" AND Actif = 1");
    sql += QStringLiteral(" ORDER BY DateMesure, Parametre, Regle");
    const RecordTable table = db.ExtraireRecords(sql);
    if (!table.ok())
        return fail(error, table.error());
    flags = flagsOf(table);
    // Parametre sorts by name in SQL; the grid's order is the one users expect.
    std::stable_sort(flags.begin(), flags.end(), [](const StoredFlag &a, const StoredFlag &b) {
        const QDateTime left = flagInstant(a.flag), right = flagInstant(b.flag);
        if (left != right)
            return left < right;
        return a.flag.parameter < b.flag.parameter;
    });
    return true;
}

FlagMergeResult saveQualityRun(AccesBase &db, const QString &code, const QDate &from,
                               const QDate &to, const QSet<QualityRule> &rules,
                               const QList<QualityFlag> &flags)
{
    FlagMergeResult result;
    if (!validCode(code)) {
        result.error = QStringLiteral("Code de station invalide : %1").arg(code);
        return result;
    }
    if (!from.isValid() || !to.isValid() || to < from) {
        result.error = QStringLiteral("Période de contrôle invalide");
        return result;
    }
    QString error;
    if (!ensureQualityFlagTable(db, &error)) {
        result.error = error;
        return result;
    }
    const ScopedConnectionKind kind(db);
    const QString station = stationNumber(code);
    const auto stop = [&](const QString &why) {
        result = FlagMergeResult{};
        result.error = why;
        return result;
    };

    Transaction transaction(db);
    if (!transaction.started())
        return stop(transaction.error());
    const RecordTable table = db.ExtraireRecords(
        kColumns + station + QStringLiteral(" AND DateMesure >= ") + dayLiteral(from) +
        QStringLiteral(" AND DateMesure < ") + dayLiteral(to.addDays(1)) + db.rowLockClause());
    if (!table.ok())
        return stop(table.error());
    QHash<QString, StoredFlag> stored;
    for (StoredFlag &flag : flagsOf(table)) {
        if (rules.isEmpty() || rules.contains(flag.flag.rule))
            stored.insert(keyOf(flag.flag), std::move(flag));
    }

    const QString checkedAt = FormatDateSQL(formatDateTime(now()), true);
    const auto prepare = [&](const QString &sql) {
        std::unique_ptr<PreparedStatement> statement = db.prepare(sql, &error);
        return statement;
    };
    const auto insert = prepare(
        QStringLiteral("INSERT INTO CONTROLES_QUALITE (CodePluviometre, DateMesure, Parametre, "
                       "Regle, Severite, Valeur, Explication, Statut, Actif, DateControle) "
                       "VALUES (") +
        station + QStringLiteral(", ?, ?, ?, ?, ?, ?, 'OUVERT', 1, ") + checkedAt +
        QLatin1Char(')'));
    if (!insert)
        return stop(error);
    const auto update = prepare(
        QStringLiteral("UPDATE CONTROLES_QUALITE SET Severite = ?, Valeur = ?, Explication = ?, "
                       "Statut = ?, Actif = 1, LoginDecision = ?, DateDecision = ?, "
                       "DateControle = ") +
        checkedAt + QStringLiteral(" WHERE CodePluviometre = ") + station + kKeyWhere);
    if (!update)
        return stop(error);
    const auto remove = prepare(QStringLiteral("DELETE FROM CONTROLES_QUALITE WHERE "
                                               "CodePluviometre = ") +
                                station + kKeyWhere);
    if (!remove)
        return stop(error);
    const auto retire = prepare(QStringLiteral("UPDATE CONTROLES_QUALITE SET Actif = 0 WHERE "
                                               "CodePluviometre = ") +
                                station + kKeyWhere);
    if (!retire)
        return stop(error);

    QSet<QString> raised;
    for (const QualityFlag &flag : flags) {
        const QString key = keyOf(flag);
        if (raised.contains(key) || flag.date < from || flag.date > to)
            continue; // one row per key; a flag outside the run's days is not its to store
        raised.insert(key);
        const QVariantList described{QVariant(int(flag.severity)), valueOf(flag.value),
                                     QVariant(flag.explanation.left(255))};
        const auto found = stored.constFind(key);
        if (found == stored.cend()) {
            if (!insert->exec(keyValues(flag) + described, &error))
                return stop(error);
            ++result.added;
            continue;
        }
        // A decision holds for the value it was made on.
        const bool keep =
            found->status != FlagStatus::Open && sameValue(found->flag.value, flag.value);
        QVariantList decision;
        if (keep) {
            decision = {QVariant(flagStatusCode(found->status)), QVariant(found->decidedBy),
                        found->decidedAt.isValid() ? QVariant(found->decidedAt) : QVariant()};
            ++result.kept;
        } else {
            decision = {QVariant(flagStatusCode(FlagStatus::Open)), QVariant(), QVariant()};
            if (found->status != FlagStatus::Open)
                ++result.reopened;
        }
        if (!update->exec(described + decision + keyValues(flag), &error))
            return stop(error);
    }
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (raised.contains(it.key()))
            continue;
        if (it->status == FlagStatus::Open) {
            if (!remove->exec(keyValues(it->flag), &error))
                return stop(error);
            ++result.removed;
        } else if (it->active) {
            if (!retire->exec(keyValues(it->flag), &error))
                return stop(error);
            ++result.retired;
        }
    }
    if (!transaction.commit())
        return stop(transaction.error());
    result.ok = true;
    return result;
}

int decideQualityFlags(AccesBase &db, const QString &code, const QList<QualityFlag> &flags,
                       FlagStatus status, QString *error)
{
    if (!validCode(code)) {
        fail(error, QStringLiteral("Code de station invalide : %1").arg(code));
        return -1;
    }
    if (flags.isEmpty())
        return 0;
    if (!db.tableExists(kTable)) {
        fail(error, QStringLiteral("Aucun contrôle enregistré pour cette station"));
        return -1;
    }
    const ScopedConnectionKind kind(db);
    Transaction transaction(db);
    if (!transaction.started()) {
        fail(error, transaction.error());
        return -1;
    }
    QString why;
    const auto update =
        db.prepare(QStringLiteral("UPDATE CONTROLES_QUALITE SET Statut = ?, LoginDecision = ?, "
                                  "DateDecision = ? WHERE CodePluviometre = ") +
                       stationNumber(code) + kKeyWhere,
                   &why);
    if (!update) {
        fail(error, why);
        return -1;
    }
    const bool open = status == FlagStatus::Open;
    const QString login = session().login.isEmpty() ? QStringLiteral("AUTO") : session().login;
    const QVariantList decision{QVariant(flagStatusCode(status)),
                                open ? QVariant() : QVariant(login),
                                open ? QVariant() : QVariant(now())};
    int changed = 0;
    for (const QualityFlag &flag : flags) {
        if (!update->exec(decision + keyValues(flag), &why)) {
            fail(error, why);
            return -1;
        }
        changed += update->affectedRows() > 0 ? 1 : 0;
    }
    if (!transaction.commit()) {
        fail(error, transaction.error());
        return -1;
    }
    return changed;
}

qint64 countOpenFlags(AccesBase &db, const QString &code, const std::optional<QDateTime> &after,
                      const QDateTime &until, QualitySeverity minSeverity, QString *error)
{
    if (!validCode(code) || !until.isValid()) {
        fail(error, QStringLiteral("Code de station ou date invalide"));
        return -1;
    }
    if (!db.tableExists(kTable))
        return 0;
    const ScopedConnectionKind kind(db);
    QString sql =
        QStringLiteral("SELECT count(*) FROM CONTROLES_QUALITE WHERE CodePluviometre = ") +
        stationNumber(code) + QStringLiteral(" AND Statut = ") +
        sqlQuote(flagStatusCode(FlagStatus::Open)) +
        QStringLiteral(" AND Actif = 1 AND Severite >= ") + sqlNumber(int(minSeverity)) +
        QStringLiteral(" AND DateMesure <= ") + FormatDateSQL(formatDateTime(until), true);
    if (after && after->isValid())
        sql += QStringLiteral(" AND DateMesure > ") + FormatDateSQL(formatDateTime(*after), true);
    const RecordTable table = db.ExtraireRecords(sql);
    if (!table.ok() || table.rowCount() != 1) {
        fail(error, table.ok() ? QStringLiteral("Comptage impossible") : table.error());
        return -1;
    }
    return table.at(0, 0).toLongLong();
}

} // namespace plx
