#include "measures/measurehistory.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "db/dialect.h"
#include "db/preparedstatement.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "schema/measurehistorytable.h"
#include "schema/schemacatalog.h"
#include "session/journal.h"
#include "session/session.h"

#include <QMap>
#include <QUuid>

#include <algorithm>

namespace plx {

namespace {

const QDate kZeroDay(1899, 12, 30);

const char *const kNatureCodes[] = {"SAISIE",      "VALIDATION", "DEVALIDATION", "SUPPRESSION",
                                    "IMPORT",      "CORRECTION", "ANNULATION"};
const char *const kNatureLabels[] = {"Saisie",      "Validation", "Dévalidation", "Suppression",
                                     "Import",      "Correction", "Annulation"};

const char *const kParameters[] = {"Pluie",   "PluieEfficace", "Etp",       "Valeur1",
                                   "Valeur2", "Valeur3",       "Continuite"};

QVariant optionalValue(const StoredMeasure &state, int i)
{
    if (!state.exists)
        return {};
    if (i == kMeasuredValues)
        return QVariant(state.rupture ? 1.0 : 0.0);
    return state.hasValue(i) ? QVariant(state.values[size_t(i)]) : QVariant();
}

QVariant validiteValue(const StoredMeasure &state)
{
    return state.exists && !state.validite.isNull() ? QVariant(QString(state.validite)) : QVariant();
}

QVariant instantValue(const std::optional<QDateTime> &instant)
{
    return instant && instant->isValid() ? QVariant(*instant) : QVariant();
}

QString instantLiteral(const QDateTime &instant)
{
    return FormatDateSQL(formatDateTime(instant), true);
}

QDateTime dateTimeOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    return parseDatabaseDateTime(value.toString());
}

std::optional<double> numberOf(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

QString stationNumber(const QString &code)
{
    return sqlNumber(code.trimmed().toLongLong());
}

const QString kHistoryColumns = QStringLiteral(
    "SELECT DateMesure, DateMesureDebut, Parametre, AncienneValeur, NouvelleValeur, "
    "AncienneValidite, NouvelleValidite, Nature, TypeLigne, Login, DateModif, Lot, Commentaire "
    "FROM HISTORIQUE_MESURES WHERE CodePluviometre = ");

std::vector<HistoryEntry> entriesOf(const RecordTable &table)
{
    std::vector<HistoryEntry> entries;
    entries.reserve(size_t(table.rowCount()));
    for (int r = 0; r < table.rowCount(); ++r) {
        HistoryEntry e;
        e.instant = dateTimeOf(table.at(r, 0));
        e.rangeStart = dateTimeOf(table.at(r, 1));
        e.parameter = table.text(r, 2).trimmed();
        e.oldValue = numberOf(table.at(r, 3));
        e.newValue = numberOf(table.at(r, 4));
        e.oldValidite = table.text(r, 5).trimmed();
        e.newValidite = table.text(r, 6).trimmed();
        e.nature = table.text(r, 7).trimmed();
        const QString type = table.text(r, 8).trimmed();
        e.rowType = type.isEmpty() ? QChar() : type.at(0);
        e.login = table.text(r, 9).trimmed();
        e.changedAt = dateTimeOf(table.at(r, 10));
        e.batch = table.text(r, 11).trimmed();
        e.comment = table.text(r, 12).trimmed();
        entries.push_back(std::move(e));
    }
    // Newest change first; in a batch its summary, then the records in instant order.
    std::stable_sort(entries.begin(), entries.end(), [](const HistoryEntry &a, const HistoryEntry &b) {
        if (a.changedAt != b.changedAt)
            return a.changedAt > b.changedAt;
        if (a.batch != b.batch)
            return a.batch > b.batch;
        const bool aSummary = a.rowType == QLatin1Char('L');
        const bool bSummary = b.rowType == QLatin1Char('L');
        if (aSummary != bSummary)
            return aSummary;
        return a.instant < b.instant;
    });
    return entries;
}

// Time first, so that batches of one second sort in the order they were made; the
// milliseconds never repeat within the process, the random end tells clients apart.
QString newBatchId()
{
    static qint64 last = 0;
    last = std::max(last + 1, QDateTime::currentMSecsSinceEpoch());
    return QDateTime::fromMSecsSinceEpoch(last, Qt::UTC)
               .toString(QStringLiteral("yyyyMMdd-HHmmss-zzz-")) +
           QUuid::createUuid().toString(QUuid::Id128).left(12);
}

} // namespace

QString historyNatureCode(HistoryNature nature)
{
    return QString::fromLatin1(kNatureCodes[int(nature)]);
}

QString historyNatureLabel(const QString &code)
{
    for (size_t i = 0; i < std::size(kNatureCodes); ++i) {
        if (code.compare(QLatin1String(kNatureCodes[i]), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(kNatureLabels[i]);
    }
    return code;
}

QStringList historyNatureCodes()
{
    QStringList codes;
    for (const char *code : kNatureCodes)
        codes << QString::fromLatin1(code);
    return codes;
}

QString historyParameterName(int value)
{
    return value >= 0 && value <= kMeasuredValues ? QString::fromLatin1(kParameters[value])
                                                  : QString();
}

HistoryBatch::HistoryBatch(AccesBase &db, const QString &code, HistoryNature nature)
    : m_db(db), m_code(code.trimmed()), m_nature(historyNatureCode(nature)),
      m_login(session().login.isEmpty() ? QStringLiteral("AUTO") : session().login),
      m_id(newBatchId()),
      // The wall clock labelled UTC, as every date-time the program writes.
      m_now(QDateTime(QDate::currentDate(), QTime::currentTime(), Qt::UTC))
{
    m_now.setTime(QTime(m_now.time().hour(), m_now.time().minute(), m_now.time().second()));
}

HistoryBatch::~HistoryBatch() = default;

QString HistoryBatch::insertText(int rows) const
{
    // What every row of the batch shares goes into the text once, as literals through the
    // quoting helper; each row binds only what is its own.
    const QString shared = QStringLiteral("%1, %2, %3, %4, %5")
                               .arg(sqlNumber(m_code.toLongLong()), sqlQuote(m_nature),
                                    sqlQuote(m_login),
                                    FormatDateSQL(formatDateTime(m_now), true), sqlQuote(m_id));
    QStringList tuples;
    for (int r = 0; r < rows; ++r)
        tuples << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ") + shared + QLatin1Char(')');
    return QStringLiteral("INSERT INTO HISTORIQUE_MESURES (DateMesure, DateMesureDebut, "
                          "Parametre, AncienneValeur, NouvelleValeur, AncienneValidite, "
                          "NouvelleValidite, TypeLigne, Commentaire, CodePluviometre, Nature, "
                          "Login, DateModif, Lot) VALUES ") +
           tuples.join(QStringLiteral(", "));
}

bool HistoryBatch::insert(const QVariantList &values, QString *error)
{
    // values: DateMesure, DateMesureDebut, Parametre, the two values, the two validities,
    // TypeLigne, Commentaire. Rows wait in blocks: one statement per block, not per row.
    if (m_pending.isEmpty())
        m_pending.reserve(kHistoryBlock * kHistoryValues);
    m_pending += values;
    ++m_pendingRows;
    ++m_rows;
    return m_pendingRows < kHistoryBlock || flush(error);
}

bool HistoryBatch::flush(QString *error)
{
    if (m_pendingRows == 0)
        return true;
    std::unique_ptr<PreparedStatement> &statement =
        m_pendingRows == kHistoryBlock ? m_insertBlock : m_insertOne;
    if (!statement &&
        !(statement = m_db.prepare(insertText(m_pendingRows == kHistoryBlock ? kHistoryBlock : 1),
                                   error)))
        return false;
    if (m_pendingRows == kHistoryBlock) {
        if (!statement->exec(m_pending, error))
            return false;
    } else {
        for (int r = 0; r < m_pendingRows; ++r) {
            if (!statement->exec(m_pending.mid(r * kHistoryValues, kHistoryValues), error))
                return false;
        }
    }
    m_pending.clear();
    m_pendingRows = 0;
    return true;
}

bool HistoryBatch::record(const QDateTime &instant, const StoredMeasure &before,
                          const StoredMeasure &after, QString *error)
{
    if (!before.exists && !after.exists)
        return true;
    // Texts every row shares, made once: ten thousand rows must not cost ten thousand
    // allocations of "Pluie".
    static const QVariant added(QStringLiteral("A")), deleted(QStringLiteral("S")),
        modified(QStringLiteral("M"));
    static const std::array<QVariant, kMeasuredValues + 1> parameters = [] {
        std::array<QVariant, kMeasuredValues + 1> names;
        for (int i = 0; i <= kMeasuredValues; ++i)
            names[size_t(i)] = QVariant(historyParameterName(i));
        return names;
    }();
    const QVariant &type = !before.exists ? added : !after.exists ? deleted : modified;
    const QVariant oldValidite = validiteValue(before);
    const QVariant newValidite = validiteValue(after);
    const QVariant at(instant);
    bool wrote = false;
    const auto row = [&](const QVariant &parameter, const QVariant &oldValue,
                         const QVariant &newValue) {
        wrote = true;
        return insert({at, QVariant(), parameter, oldValue, newValue, oldValidite, newValidite,
                       type, QVariant()},
                      error);
    };
    for (int i = 0; i <= kMeasuredValues; ++i) {
        const QVariant oldValue = optionalValue(before, i);
        const QVariant newValue = optionalValue(after, i);
        const bool same = oldValue.isNull() == newValue.isNull() &&
                          (oldValue.isNull() || oldValue.toDouble() == newValue.toDouble());
        // A break of continuity counts when one side has it.
        if (same || (i == kMeasuredValues && !(before.exists && before.rupture) &&
                     !(after.exists && after.rupture)))
            continue;
        if (!row(parameters[size_t(i)], oldValue, newValue))
            return false;
    }
    const bool validityChanged = oldValidite != newValidite;
    if (!wrote && (validityChanged || &type != &modified))
        return row(QVariant(), QVariant(), QVariant());
    return true;
}

bool HistoryBatch::summary(const std::optional<QDateTime> &from,
                           const std::optional<QDateTime> &until, const QString &comment,
                           QString *error)
{
    return insert({instantValue(until), instantValue(from), QVariant(), QVariant(), QVariant(),
                   QVariant(), QVariant(), QVariant(QStringLiteral("L")),
                   QVariant(comment.left(255))},
                  error) &&
           flush(error);
}

bool readHistory(AccesBase &db, const QString &code, const HistoryFilter &filter,
                 std::vector<HistoryEntry> &entries, QString *error)
{
    entries.clear();
    if (measurementTableName(code).isEmpty()) {
        if (error)
            *error = QStringLiteral("Code de station invalide : %1").arg(code);
        return false;
    }
    const ScopedConnectionKind kind(db);
    QString sql = kHistoryColumns + stationNumber(code);
    if (filter.from || filter.to) {
        const QString lower =
            filter.from ? FormatDateSQL(formatDate(*filter.from), false) : QString();
        const QString upper =
            filter.to ? FormatDateSQL(formatDate(filter.to->addDays(1)), false) : QString();
        QStringList record, summary{QStringLiteral("TypeLigne = 'L'")};
        if (!lower.isEmpty()) {
            record << QStringLiteral("DateMesure >= ") + lower;
            summary << QStringLiteral("(DateMesure IS NULL OR DateMesure >= ") + lower +
                           QLatin1Char(')');
        }
        if (!upper.isEmpty()) {
            record << QStringLiteral("DateMesure < ") + upper;
            summary << QStringLiteral("(DateMesureDebut IS NULL OR DateMesureDebut < ") + upper +
                           QLatin1Char(')');
        }
        sql += QStringLiteral(" AND ((") + record.join(QStringLiteral(" AND ")) +
               QStringLiteral(") OR (") + summary.join(QStringLiteral(" AND ")) +
               QStringLiteral("))");
    }
    if (!filter.login.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + sameKey(QStringLiteral("Login"), filter.login.trimmed());
    if (!filter.nature.isEmpty())
        sql += QStringLiteral(" AND ") + sameKey(QStringLiteral("Nature"), filter.nature);
    const RecordTable table = db.ExtraireRecords(sql);
    if (!table.ok()) {
        if (error)
            *error = table.error();
        return false;
    }
    entries = entriesOf(table);
    return true;
}

std::vector<HistoryEntry> cellHistory(AccesBase &db, const QString &code,
                                      const QDateTime &instant, const QString &parameter)
{
    if (measurementTableName(code).isEmpty() || !instant.isValid())
        return {};
    const ScopedConnectionKind kind(db);
    const QString at = instantLiteral(instant);
    const QString sql =
        kHistoryColumns + stationNumber(code) + QStringLiteral(" AND ((DateMesure = ") + at +
        QStringLiteral(" AND TypeLigne <> 'L' AND (Parametre IS NULL OR ") +
        sameKey(QStringLiteral("Parametre"), parameter) +
        QStringLiteral(")) OR (TypeLigne = 'L' AND Nature IN ('VALIDATION', 'DEVALIDATION') AND "
                       "(DateMesure IS NULL OR DateMesure >= ") + at +
        QStringLiteral(") AND (DateMesureDebut IS NULL OR DateMesureDebut < ") + at +
        QStringLiteral(")))");
    const RecordTable table = db.ExtraireRecords(sql);
    return table.ok() ? entriesOf(table) : std::vector<HistoryEntry>{};
}

namespace {

// What one record of a batch went from and to, over the parameters the batch logged.
struct BatchRecord
{
    QDateTime instant;
    QChar type;
    QVariant oldValidite, newValidite;
    QList<int> parameters;
    QList<QVariant> oldValues, newValues;
};

int parameterIndex(const QString &name)
{
    for (int i = 0; i <= kMeasuredValues; ++i) {
        if (name.compare(QLatin1String(kParameters[i]), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool sameValue(const QVariant &stored, const QVariant &expected)
{
    return stored.isNull() == expected.isNull() &&
           (stored.isNull() || stored.toDouble() == expected.toDouble());
}

// The record matches what the batch left.
bool stillAsLeft(const BatchRecord &record, const StoredMeasure &current)
{
    if (record.type == QLatin1Char('S'))
        return !current.exists;
    if (!current.exists || validiteValue(current) != record.newValidite)
        return false;
    for (qsizetype k = 0; k < record.parameters.size(); ++k) {
        if (!sameValue(optionalValue(current, record.parameters[k]), record.newValues[k]))
            return false;
    }
    return true;
}

// The state the record goes back to.
StoredMeasure restored(const BatchRecord &record, const StoredMeasure &current)
{
    StoredMeasure state = current;
    if (record.type == QLatin1Char('A'))
        return StoredMeasure{};
    if (record.type == QLatin1Char('S')) {
        state = StoredMeasure{};
        state.exists = true;
        state.obtention = QLatin1Char('M');
    }
    state.validite = record.oldValidite.isNull() || record.oldValidite.toString().isEmpty()
                         ? QChar()
                         : record.oldValidite.toString().at(0);
    for (qsizetype k = 0; k < record.parameters.size(); ++k) {
        const int i = record.parameters[k];
        const QVariant &v = record.oldValues[k];
        if (i == kMeasuredValues) {
            state.rupture = !v.isNull() && v.toDouble() == 1;
            continue;
        }
        if (v.isNull()) {
            state.values[size_t(i)] = 0;
            state.present = quint8(state.present & ~(1u << i));
        } else {
            state.values[size_t(i)] = v.toDouble();
            state.present = quint8(state.present | (1u << i));
        }
    }
    return state;
}

QVariantList measureValues(const StoredMeasure &state)
{
    QVariantList values;
    for (int i = 0; i < kMeasuredValues; ++i)
        values << (state.hasValue(i) ? QVariant(state.values[size_t(i)]) : QVariant());
    values << QVariant(state.rupture ? 1 : 0)
           << (state.obtention.isNull() ? QVariant() : QVariant(QString(state.obtention)))
           << validiteValue(state);
    return values;
}

} // namespace

RevertResult revertBatch(AccesBase &db, const QString &code, const QString &batch)
{
    RevertResult result;
    const QString table = measurementTableName(code);
    if (table.isEmpty()) {
        result.error = QStringLiteral("Code de station invalide : %1").arg(code);
        return result;
    }
    const ScopedConnectionKind kind(db);
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT DateMesure, Parametre, AncienneValeur, NouvelleValeur, "
                       "AncienneValidite, NouvelleValidite, TypeLigne FROM HISTORIQUE_MESURES "
                       "WHERE CodePluviometre = ") +
        stationNumber(code) + QStringLiteral(" AND Lot = ") + sqlQuote(batch.trimmed()));
    if (!rows.ok()) {
        result.error = rows.error();
        return result;
    }
    QMap<QDateTime, BatchRecord> records;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString type = rows.text(r, 6).trimmed();
        if (type.isEmpty() || type == QLatin1String("L"))
            continue;
        const QDateTime instant = dateTimeOf(rows.at(r, 0));
        BatchRecord &record = records[instant];
        record.instant = instant;
        record.type = type.at(0);
        const QString oldV = rows.text(r, 4).trimmed(), newV = rows.text(r, 5).trimmed();
        record.oldValidite = oldV.isEmpty() ? QVariant() : QVariant(oldV);
        record.newValidite = newV.isEmpty() ? QVariant() : QVariant(newV);
        const int parameter = parameterIndex(rows.text(r, 1).trimmed());
        if (parameter >= 0) {
            record.parameters << parameter;
            record.oldValues << rows.at(r, 2);
            record.newValues << rows.at(r, 3);
        }
    }
    if (records.isEmpty()) {
        result.error = rows.rowCount() == 0
                           ? QStringLiteral("Le lot %1 est introuvable pour ce pluviomètre.").arg(batch)
                           : QStringLiteral("Le lot %1 ne garde que son résumé : il ne peut pas "
                                            "être annulé.")
                                 .arg(batch);
        return result;
    }
    QString error;
    if (!ensureMeasureHistoryTable(db, &error)) {
        result.error = error;
        return result;
    }
    Transaction transaction(db);
    if (!transaction.started()) {
        result.error = transaction.error();
        return result;
    }
    std::vector<std::pair<QDate, QTime>> keys;
    for (const BatchRecord &record : records)
        keys.emplace_back(record.instant.date(), record.instant.time());
    QHash<qint64, StoredMeasure> current;
    StoredMeasureReader reader(db, code);
    if (!reader.read(keys, current, &result.error))
        return result;
    for (const BatchRecord &record : records) {
        const auto found = current.constFind(instantKey(record.instant.date(), record.instant.time()));
        if (!stillAsLeft(record, found == current.cend() ? StoredMeasure{} : *found))
            result.changedSince << record.instant;
    }
    if (!result.changedSince.isEmpty()) {
        result.error =
            QStringLiteral("%1 mesure(s) de ce lot ont été modifiées depuis : l'annulation est "
                           "refusée, rien n'a été modifié.")
                .arg(result.changedSince.size());
        return result;
    }
    const auto deleteAt = db.prepare(QStringLiteral("DELETE FROM ") + table +
                                         QStringLiteral(" WHERE DateCreation = ? AND TimeValue(Heure) = ?"),
                                     &result.error);
    const auto insert = db.prepare(
        QStringLiteral("INSERT INTO ") + table +
            QStringLiteral(" (DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, Valeur2, "
                           "Valeur3, Continuite, ModeObtention, Validite) VALUES (?, ?, ?, ?, ?, "
                           "?, ?, ?, ?, ?, ?)"),
        &result.error);
    if (!deleteAt || !insert)
        return result;
    HistoryBatch history(db, code, HistoryNature::Annulation);
    for (const BatchRecord &record : records) {
        const auto found = current.constFind(instantKey(record.instant.date(), record.instant.time()));
        const StoredMeasure before = found == current.cend() ? StoredMeasure{} : *found;
        const StoredMeasure after = restored(record, before);
        const QVariant day(record.instant.date());
        const QVariant time(record.instant.time());
        // Rewritten whole: a delete and an insert, as the editor's save does.
        if (before.exists && !deleteAt->exec({day, time}, &result.error))
            return result;
        if (after.exists &&
            !insert->exec(QVariantList{day, QVariant(QDateTime(kZeroDay, record.instant.time(), Qt::UTC))} +
                              measureValues(after),
                          &result.error))
            return result;
        if (!history.record(record.instant, before, after, &result.error))
            return result;
        ++result.records;
    }
    const QString comment = QStringLiteral("Annulation du lot %1 : %2 mesure(s)")
                                .arg(batch.trimmed())
                                .arg(result.records);
    // The range of the records put back, so that only their cells show it.
    if (!history.summary(records.firstKey().addSecs(-1), records.lastKey(), comment,
                         &result.error))
        return result;
    if (!transaction.commit()) {
        result.error = transaction.error();
        return result;
    }
    journal(QStringLiteral("Pluviomètre %1 : %2").arg(code.trimmed(), comment));
    result.error.clear();
    result.batch = history.id();
    result.ok = true;
    return result;
}

} // namespace plx
