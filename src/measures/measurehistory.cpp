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

QChar validiteOf(const StoredMeasure &state)
{
    return state.exists ? state.validite : QChar();
}

QVariant codeValue(QChar code)
{
    // The few codes in use, made once: not a text per history row.
    static const std::array<QVariant, 128> ascii = [] {
        std::array<QVariant, 128> codes;
        for (char16_t c = 1; c < 128; ++c)
            codes[c] = QVariant(QString(QChar(c)));
        return codes;
    }();
    if (code.isNull())
        return {};
    return code.unicode() < 128 ? ascii[code.unicode()] : QVariant(QString(code));
}

QVariant validiteValue(const StoredMeasure &state)
{
    return codeValue(validiteOf(state));
}

// Whether a record's parameter i (kMeasuredValues: its break of continuity, which counts
// when one side has it) differs between the two states.
bool parameterChanged(const StoredMeasure &before, const StoredMeasure &after, int i)
{
    if (i == kMeasuredValues)
        return (before.exists && before.rupture) != (after.exists && after.rupture);
    const bool hadValue = before.exists && before.hasValue(i);
    const bool hasValue = after.exists && after.hasValue(i);
    return hadValue != hasValue ||
           (hadValue && before.values[size_t(i)] != after.values[size_t(i)]);
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

// A station's value rows, with what their batch says of them. The batch's range of Numero
// leads to its rows without an index on the values; its Lot leaves out another client's
// rows numbered in between.
const QString kValueRows = QStringLiteral(
    "SELECT v.DateMesure, v.Parametre, v.AncienneValeur, v.NouvelleValeur, v.AncienneValidite, "
    "v.NouvelleValidite, v.TypeLigne, l.Nature, l.Login, l.DateModif, l.Lot FROM "
    "HISTORIQUE_LOTS l INNER JOIN HISTORIQUE_VALEURS v ON (v.Numero >= l.NumeroDebut AND "
    "v.Numero <= l.NumeroFin AND v.Lot = l.Lot) WHERE l.CodePluviometre = ");

// A station's batch summaries.
const QString kSummaryRows = QStringLiteral(
    "SELECT DateMesureFin, DateMesureDebut, Commentaire, Nature, Login, DateModif, Lot FROM "
    "HISTORIQUE_LOTS WHERE TypeLigne = 'L' AND CodePluviometre = ");

void addValueRows(const RecordTable &table, std::vector<HistoryEntry> &entries)
{
    for (int r = 0; r < table.rowCount(); ++r) {
        HistoryEntry e;
        e.instant = dateTimeOf(table.at(r, 0));
        e.parameter = table.text(r, 1).trimmed();
        e.oldValue = numberOf(table.at(r, 2));
        e.newValue = numberOf(table.at(r, 3));
        e.oldValidite = table.text(r, 4).trimmed();
        e.newValidite = table.text(r, 5).trimmed();
        const QString type = table.text(r, 6).trimmed();
        e.rowType = type.isEmpty() ? QChar() : type.at(0);
        e.nature = table.text(r, 7).trimmed();
        e.login = table.text(r, 8).trimmed();
        e.changedAt = dateTimeOf(table.at(r, 9));
        e.batch = table.text(r, 10).trimmed();
        entries.push_back(std::move(e));
    }
}

void addSummaryRows(const RecordTable &table, std::vector<HistoryEntry> &entries)
{
    for (int r = 0; r < table.rowCount(); ++r) {
        HistoryEntry e;
        e.instant = dateTimeOf(table.at(r, 0));
        e.rangeStart = dateTimeOf(table.at(r, 1));
        e.comment = table.text(r, 2).trimmed();
        e.nature = table.text(r, 3).trimmed();
        e.rowType = QLatin1Char('L');
        e.login = table.text(r, 4).trimmed();
        e.changedAt = dateTimeOf(table.at(r, 5));
        e.batch = table.text(r, 6).trimmed();
        entries.push_back(std::move(e));
    }
}

// Both kinds of rows, newest change first; in a batch its summary, then the records in
// instant order. False with error when either cannot be read.
bool readEntries(AccesBase &db, const QString &valueSql, const QString &summarySql,
                 std::vector<HistoryEntry> &entries, QString *error)
{
    entries.clear();
    const RecordTable values = db.ExtraireRecords(valueSql);
    const RecordTable summaries = values.ok() ? db.ExtraireRecords(summarySql) : RecordTable();
    if (!values.ok() || !summaries.ok()) {
        if (error)
            *error = values.ok() ? summaries.error() : values.error();
        return false;
    }
    entries.reserve(size_t(values.rowCount() + summaries.rowCount()));
    addValueRows(values, entries);
    addSummaryRows(summaries, entries);
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
    return true;
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
    // The batch identifier goes into the text once, through the quoting helper; each row
    // binds only what is its own.
    const QString tuple = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ") + sqlQuote(m_id) +
                          QLatin1Char(')');
    QStringList tuples;
    for (int r = 0; r < rows; ++r)
        tuples << tuple;
    return QStringLiteral("INSERT INTO HISTORIQUE_VALEURS (DateMesure, Parametre, "
                          "AncienneValeur, NouvelleValeur, AncienneValidite, NouvelleValidite, "
                          "TypeLigne, Lot) VALUES ") +
           tuples.join(QStringLiteral(", "));
}

bool HistoryBatch::insert(std::initializer_list<QVariant> values, QString *error)
{
    // values: DateMesure, Parametre, the two values, the two validities, TypeLigne. Rows
    // wait in blocks: one statement per block, not per row.
    if (m_pending.isEmpty())
        m_pending.reserve(kHistoryBlock * kHistoryValues);
    for (const QVariant &value : values)
        m_pending.append(value);
    ++m_pendingRows;
    ++m_rows;
    return m_pendingRows < kHistoryBlock || writePending(error);
}

namespace {

// The highest Numero of the values, 0 when there is none.
std::optional<qint64> lastNumber(AccesBase &db, QString *error)
{
    const RecordTable last =
        db.ExtraireRecords(QStringLiteral("SELECT Max(Numero) FROM HISTORIQUE_VALEURS"));
    if (!last.ok()) {
        if (error)
            *error = last.error();
        return std::nullopt;
    }
    return last.rowCount() > 0 ? last.at(0, 0).toLongLong() : 0;
}

} // namespace

bool HistoryBatch::writePending(QString *error)
{
    if (m_pendingRows == 0)
        return true;
    if (m_firstNumber == 0) {
        // Inside the writer's transaction the numbers given next are all above it.
        const std::optional<qint64> last = lastNumber(m_db, error);
        if (!last)
            return false;
        m_firstNumber = *last + 1;
    }
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

bool HistoryBatch::writeBatchRow(QString *error)
{
    QVariant first, last;
    if (m_rows > 0) {
        const std::optional<qint64> number = lastNumber(m_db, error);
        if (!number)
            return false;
        first = m_firstNumber;
        last = *number;
    }
    const QVariantList values{first,
                              last,
                              instantValue(m_firstInstant),
                              instantValue(m_lastInstant),
                              m_hasSummary ? QVariant(QStringLiteral("L")) : QVariant(),
                              instantValue(m_summaryFrom),
                              instantValue(m_summaryUntil),
                              m_hasSummary ? QVariant(m_comment) : QVariant(),
                              QVariant(m_id)};
    // Written once its first rows are, brought up to date by each later flush.
    const QString sql =
        m_batchRowWritten
            ? QStringLiteral("UPDATE HISTORIQUE_LOTS SET NumeroDebut = ?, NumeroFin = ?, "
                             "PremiereMesure = ?, DerniereMesure = ?, TypeLigne = ?, "
                             "DateMesureDebut = ?, DateMesureFin = ?, Commentaire = ? WHERE Lot = ?")
            : QStringLiteral("INSERT INTO HISTORIQUE_LOTS (NumeroDebut, NumeroFin, PremiereMesure, "
                             "DerniereMesure, TypeLigne, DateMesureDebut, DateMesureFin, "
                             "Commentaire, Lot, CodePluviometre, Nature, Login, DateModif) VALUES "
                             "(?, ?, ?, ?, ?, ?, ?, ?, ?, %1, %2, %3, %4)")
                  .arg(sqlNumber(m_code.toLongLong()), sqlQuote(m_nature), sqlQuote(m_login),
                       FormatDateSQL(formatDateTime(m_now), true));
    const std::unique_ptr<PreparedStatement> statement = m_db.prepare(sql, error);
    if (!statement || !statement->exec(values, error))
        return false;
    m_batchRowWritten = true;
    return true;
}

bool HistoryBatch::flush(QString *error)
{
    if (!writePending(error))
        return false;
    if (m_rows == 0 && !m_hasSummary)
        return true;
    return writeBatchRow(error);
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
        if (!m_firstInstant.isValid() || instant < m_firstInstant)
            m_firstInstant = instant;
        if (!m_lastInstant.isValid() || instant > m_lastInstant)
            m_lastInstant = instant;
        return insert({at, parameter, oldValue, newValue, oldValidite, newValidite, type}, error);
    };
    for (int i = 0; i <= kMeasuredValues; ++i) {
        if (parameterChanged(before, after, i) &&
            !row(parameters[size_t(i)], optionalValue(before, i), optionalValue(after, i)))
            return false;
    }
    const bool validityChanged = validiteOf(before) != validiteOf(after);
    if (!wrote && (validityChanged || &type != &modified))
        return row(QVariant(), QVariant(), QVariant());
    return true;
}

bool HistoryBatch::summary(const std::optional<QDateTime> &from,
                           const std::optional<QDateTime> &until, const QString &comment,
                           QString *error)
{
    m_hasSummary = true;
    m_summaryFrom = from;
    m_summaryUntil = until;
    m_comment = comment.left(255);
    return flush(error);
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
    QString values = kValueRows + stationNumber(code);
    QString summaries = kSummaryRows + stationNumber(code);
    if (filter.from) {
        const QString lower = FormatDateSQL(formatDate(*filter.from), false);
        // The batch's own range first: whole batches are passed over without reading them.
        values += QStringLiteral(" AND l.DerniereMesure >= %1 AND v.DateMesure >= %1").arg(lower);
        summaries += QStringLiteral(" AND (DateMesureFin IS NULL OR DateMesureFin >= %1)").arg(lower);
    }
    if (filter.to) {
        const QString upper = FormatDateSQL(formatDate(filter.to->addDays(1)), false);
        values += QStringLiteral(" AND l.PremiereMesure < %1 AND v.DateMesure < %1").arg(upper);
        summaries +=
            QStringLiteral(" AND (DateMesureDebut IS NULL OR DateMesureDebut < %1)").arg(upper);
    }
    // Who and what are the batch's: in the join, its columns are named through it.
    const auto byBatch = [&](const QString &prefix) {
        QString sql;
        if (!filter.login.trimmed().isEmpty())
            sql += QStringLiteral(" AND ") +
                   sameKey(prefix + QStringLiteral("Login"), filter.login.trimmed());
        if (!filter.nature.isEmpty())
            sql += QStringLiteral(" AND ") + sameKey(prefix + QStringLiteral("Nature"), filter.nature);
        return sql;
    };
    return readEntries(db, values + byBatch(QStringLiteral("l.")), summaries + byBatch(QString()),
                       entries, error);
}

std::vector<HistoryEntry> cellHistory(AccesBase &db, const QString &code,
                                      const QDateTime &instant, const QString &parameter)
{
    if (measurementTableName(code).isEmpty() || !instant.isValid())
        return {};
    const ScopedConnectionKind kind(db);
    const QString at = instantLiteral(instant);
    const QString values =
        kValueRows + stationNumber(code) +
        QStringLiteral(" AND l.PremiereMesure <= %1 AND l.DerniereMesure >= %1 AND "
                       "v.DateMesure = %1 AND (v.Parametre IS NULL OR %2)")
            .arg(at, sameKey(QStringLiteral("v.Parametre"), parameter));
    const QString summaries =
        kSummaryRows + stationNumber(code) +
        QStringLiteral(" AND Nature IN ('VALIDATION', 'DEVALIDATION') AND (DateMesureFin IS NULL "
                       "OR DateMesureFin >= %1) AND (DateMesureDebut IS NULL OR "
                       "DateMesureDebut < %1)")
            .arg(at);
    std::vector<HistoryEntry> entries;
    readEntries(db, values, summaries, entries, nullptr);
    return entries;
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
           << codeValue(state.obtention)
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
    const RecordTable found = db.ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM HISTORIQUE_LOTS WHERE CodePluviometre = ") +
        stationNumber(code) + QStringLiteral(" AND Lot = ") + sqlQuote(batch.trimmed()));
    const RecordTable rows =
        found.ok() ? db.ExtraireRecords(kValueRows + stationNumber(code) +
                                        QStringLiteral(" AND l.Lot = ") + sqlQuote(batch.trimmed()))
                   : found;
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
        result.error = found.at(0, 0).toLongLong() == 0
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
