#include "measures/validationstore.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "db/dialect.h"
#include "db/preparedstatement.h"
#include "db/transaction.h"
#include "measures/measurehistory.h"
#include "measures/measurementtable.h"
#include "measures/storedmeasure.h"
#include "measures/validationsql.h"
#include "schema/measurehistorytable.h"
#include "schema/schemacatalog.h"
#include "session/journal.h"

#include <algorithm>
#include <utility>

namespace plx {

namespace {

// Every Heure value lives on the zero day of the date arithmetic.
const QDate kZeroDay(1899, 12, 30);

// How often a long load reports its progress (and may be cancelled).
constexpr int kProgressRows = 4096;

QString loadFailedMessage()
{
    return QStringLiteral("La table de données pour ce site n'existe pas ou les dates n'ont pas "
                          "un format correct.");
}

QString invalidCodeMessage(const QString &code)
{
    return QStringLiteral("Code de station invalide : %1").arg(code);
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QDateTime dateTimeOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    return parseDatabaseDateTime(value.toString());
}

QChar firstChar(const QVariant &value)
{
    if (value.isNull())
        return {};
    const QString text = value.toString().trimmed();
    return text.isEmpty() ? QChar() : text.at(0);
}

qint64 countOf(const RecordTable &table)
{
    return table.ok() && table.rowCount() > 0 ? table.at(0, 0).toLongLong() : 0;
}

// One day as a literal of the connection's dialect.
QString dayLiteral(const QDate &date)
{
    return FormatDateSQL(formatDate(date), false);
}

// The rows of (lower, upper] as whole days: after the lower day, up to the upper day and
// whatever time its rows carry. "count/days", days being the width of the window.
QString countLabel(AccesBase &db, const QString &table, const QDate &lower, const QDate &upper)
{
    const QString sql = QStringLiteral("SELECT count(*) from ") + table +
                        QStringLiteral(" where DateCreation >= ") + dayLiteral(lower.addDays(1)) +
                        QStringLiteral(" AND DateCreation < ") + dayLiteral(upper.addDays(1));
    return QString::number(countOf(db.ExtraireRecords(sql))) + QLatin1Char('/') +
           QString::number(lower.daysTo(upper));
}

// Heure as the prepared statements take it: the time on the zero day.
QVariant heureValue(const QTime &time)
{
    return QDateTime(kZeroDay, time, Qt::UTC);
}

QVariant valueOf(const MeasureRow &row, int i)
{
    return row.hasValue(i) ? QVariant(row.values[size_t(i)]) : QVariant();
}

// Counts the records the update will change and runs it, inside the caller's transaction.
qint64 countAndRun(AccesBase &db, const QString &countSql, const QString &updateSql, QString *error)
{
    if (countSql.isEmpty() || updateSql.isEmpty()) {
        setError(error, QStringLiteral("Instruction de validation impossible à construire."));
        return -1;
    }
    const RecordTable count = db.ExtraireRecords(countSql);
    if (!count.ok()) {
        setError(error, count.error());
        return -1;
    }
    if (!db.Execute(updateSql, error))
        return -1;
    return countOf(count);
}

QString validationJournalText(const QString &code, const QDateTime &until,
                              const std::optional<QDateTime> &after, qint64 count)
{
    QString text = QStringLiteral("Validation du pluviomètre %1 jusqu'au %2")
                       .arg(code.trimmed(), formatDateTime(until));
    if (after)
        text += QStringLiteral(" après le ") + formatDateTime(*after);
    return text + QStringLiteral(" : %1 mesures").arg(count);
}

} // namespace

SiteOverview readSiteOverview(AccesBase &db, const QString &code)
{
    SiteOverview overview;
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return overview;
    const ScopedConnectionKind kind(db);
    const RecordTable range = db.ExtraireRecords(
        QStringLiteral("SELECT Min(DateCreation), Max(DateCreation) FROM ") + table);
    if (!range.ok())
        return overview;
    overview.tableExists = true;
    if (range.rowCount() == 0)
        return overview;
    overview.first = dateTimeOf(range.at(0, 0)).date();
    overview.last = dateTimeOf(range.at(0, 1)).date();
    if (!overview.first.isValid() || !overview.last.isValid()) {
        overview.first = overview.last = QDate();
        return overview;
    }
    const QDate &last = overview.last;
    overview.historique = formatDate(overview.first) + QStringLiteral(" - ") + formatDate(last);
    overview.anneeCalcul = QStringLiteral("(%1)").arg(last.year());
    overview.donneesAnnee = countLabel(db, table, QDate(last.year(), 1, 1), last);
    overview.dateCalcul = QStringLiteral("(%1)").arg(formatDate(last));
    overview.donneesJ30 = countLabel(db, table, last.addDays(-30), last);
    // The period label once counted from the start-date field, which is still empty at this
    // point: it covers the whole history, from the first stored day to the last.
    overview.donneesPeriode = countLabel(db, table, overview.first, last);
    return overview;
}

LoadResult loadWindow(AccesBase &db, const QString &code, const QDate &from, const QDate &to,
                      const StoreProgress &progress)
{
    LoadResult result;
    if (measurementTableName(code).isEmpty() || !from.isValid() || !to.isValid()) {
        result.error = loadFailedMessage();
        return result;
    }
    const ScopedConnectionKind kind(db);
    const RecordTable count = db.ExtraireRecords(windowCountQuery(code, from, to));
    if (!count.ok()) {
        result.error = loadFailedMessage();
        return result;
    }
    const qint64 total = countOf(count);
    if (progress && !progress(0, total)) {
        result.cancelled = true;
        return result;
    }
    result.rows.reserve(size_t(total));

    qint64 done = 0;
    const auto reader = [&](const QVariant *v, int columns) {
        if (columns < 11)
            return false;
        MeasureRow row;
        row.date = dateTimeOf(v[0]).date();
        // The time of day only: a local QDateTime on 30/12/1899 would move it.
        row.heure = dateTimeOf(v[1]).time();
        for (int i = 0; i < kMeasuredValues; ++i) {
            if (!v[2 + i].isNull())
                row.setValue(i, v[2 + i].toDouble());
        }
        row.validite = firstChar(v[8]);
        row.rupture = !v[9].isNull() && v[9].toDouble() == 1;
        row.obtention = firstChar(v[10]);
        row.loadedDate = row.date;
        row.loadedHeure = row.heure;
        row.loadedStamp = measureStamp(StoredMeasure::of(row));
        if (row.isValidated())
            result.lastValidatedRow = int(result.rows.size());
        result.rows.push_back(std::move(row));
        ++done;
        if (progress && done % kProgressRows == 0 && !progress(done, std::max(total, done))) {
            result.cancelled = true;
            return false;
        }
        return true;
    };
    QString error;
    const bool read = db.readRecords(windowQuery(code, from, to), reader, &error);
    if (result.cancelled || !read) {
        result.rows = {};
        result.lastValidatedRow = -1;
        if (!read)
            result.error = loadFailedMessage();
        return result;
    }
    if (progress)
        progress(done, std::max(total, done));
    result.ok = true;
    return result;
}

SaveResult saveRows(AccesBase &db, const QString &code, std::vector<MeasureRow> &rows, int markRow,
                    const std::optional<QDateTime> &lastValidated, const StoreProgress &progress,
                    const SaveOptions &options)
{
    SaveResult result;
    if (measurementTableName(code).isEmpty()) {
        result.error = invalidCodeMessage(code);
        return result;
    }
    const ScopedConnectionKind kind(db);
    const auto report = [&](qint64 percent) {
        if (progress)
            progress(percent, 100);
    };
    // Before the transaction: a CREATE failing inside it would abort it on PostgreSQL.
    if (!CreateMeasurementTable(db, code, false)) {
        result.error =
            db.isLinkLost()
                ? db.lastError()
                : QStringLiteral("La table de données du pluviomètre %1 ne peut pas être créée.")
                      .arg(code.trimmed());
        return result;
    }
    QString error;
    if (options.history && !ensureMeasureHistoryTable(db, &error)) {
        result.error = error;
        return result;
    }

    // Rows with a date or time that is not valid are refused before anything is written.
    std::vector<size_t> candidates;
    QList<int> refused;
    for (size_t r = 0; r < rows.size(); ++r) {
        MeasureRow &row = rows[r];
        row.conflict = false;
        if (!row.dirty)
            continue;
        if (!row.date.isValid() || !row.heure.isValid() || !row.typedDate.isNull() ||
            !row.typedHeure.isNull()) {
            row.red = true;
            refused << int(r);
        } else {
            candidates.push_back(r);
        }
    }

    Transaction transaction(db);
    if (!transaction.started()) {
        result.error = transaction.error();
        result.redRows = refused;
        return result;
    }
    const auto fail = [&](const QString &why) {
        result.error = db.explainFailure(why);
        result.redRows = refused;
        std::sort(result.redRows.begin(), result.redRows.end());
        result.conflictRows.clear();
        result.conflictStored.clear();
        for (MeasureRow &row : rows)
            row.conflict = false;
        return result; // the transaction rolls back as it goes out of scope
    };

    // What is stored now under every key the save reads or replaces, locked until the end:
    // the records the rows were loaded from (changed by someone else since?) and those at
    // the instants the rows move to (validated? what the history says they held).
    QHash<qint64, StoredMeasure> current;
    if (options.check || options.history) {
        std::vector<std::pair<QDate, QTime>> keys;
        keys.reserve(candidates.size());
        for (const size_t r : candidates) {
            const MeasureRow &row = rows[r];
            if (row.hasLoadedKey())
                keys.emplace_back(row.loadedDate, row.loadedHeure);
            if (!row.hasLoadedKey() || row.loadedDate != row.date || row.loadedHeure != row.heure)
                keys.emplace_back(row.date, row.heure);
        }
        StoredMeasureReader reader(db, code);
        if (!reader.read(keys, current, &error))
            return fail(error);
    }
    std::vector<size_t> toWrite;
    toWrite.reserve(candidates.size());
    for (const size_t r : candidates) {
        MeasureRow &row = rows[r];
        if (options.check && row.hasLoadedKey()) {
            const auto stored = current.constFind(instantKey(row.loadedDate, row.loadedHeure));
            if (stored == current.cend() || !stored->exists ||
                measureStamp(*stored) != row.loadedStamp) {
                // Changed or deleted by someone else since the load: theirs stays.
                row.conflict = true;
                result.conflictRows << int(r);
                result.conflictStored.push_back(stored == current.cend() ? StoredMeasure()
                                                                          : *stored);
                continue;
            }
        }
        toWrite.push_back(r);
    }

    std::unique_ptr<PreparedStatement> deleteAt, validatedAt, insert, update;
    const std::pair<std::unique_ptr<PreparedStatement> *, QString> statements[] = {
        {&deleteAt, deleteInstantPrepared(code)},
        {&validatedAt, validatedAtInstantPrepared(code)},
        {&insert, insertMeasurePrepared(code)},
        {&update, updateMeasurePrepared(code)}};
    for (const auto &[statement, sql] : statements) {
        if (!(*statement = db.prepare(sql, &error)))
            return fail(error);
    }
    std::unique_ptr<PreparedStatement> deleteUntimed; // prepared when a row needs it
    // Records the check read are rewritten through where it read them.
    std::unique_ptr<PreparedStatement> updateRead;
    const QString locator = db.rowLocatorColumn();
    std::optional<HistoryBatch> history, corrections;
    if (options.history)
        history.emplace(db, code, options.nature);
    const auto batchFor = [&](const MeasureRow &row) -> HistoryBatch * {
        if (!history)
            return nullptr;
        if (!options.correction || !options.correction(row))
            return &*history;
        if (!corrections)
            corrections.emplace(db, code, HistoryNature::Correction);
        return &*corrections;
    };
    const StoredMeasure gone;

    std::vector<size_t> written;
    written.reserve(toWrite.size());
    for (size_t n = 0; n < toWrite.size(); ++n) {
        const size_t r = toWrite[n];
        MeasureRow &row = rows[r];
        HistoryBatch *const batch = batchFor(row);
        const QVariant day(row.date);
        const QVariant time(row.heure);
        const QVariantList measures{valueOf(row, 0),
                                    valueOf(row, 1),
                                    valueOf(row, 2),
                                    valueOf(row, 3),
                                    valueOf(row, 4),
                                    valueOf(row, 5),
                                    QVariant(row.rupture ? 1 : 0),
                                    QVariant(QStringLiteral("M"))};
        const bool ownKey =
            row.hasLoadedKey() && row.loadedDate == row.date && row.loadedHeure == row.heure;
        const qint64 key = instantKey(row.date, row.heure);
        bool done = false;
        if (ownKey) {
            // A row changed where it stands rewrites its record: where the check read it
            // (no walk down the key's index), else through the key; the instant's delete and
            // insert below only serve when the record is not found (moved away, duplicated,
            // or stored otherwise). Records this save rewrote or deleted have no locator.
            const auto stored = current.constFind(key);
            const bool located = stored != current.cend() && !stored->locator.isNull();
            if (located && !updateRead &&
                !(updateRead = db.prepare(updateMeasurePrepared(code, locator), &error)))
                return fail(error);
            PreparedStatement *const statement = located ? updateRead.get() : update.get();
            if (!statement->exec(located ? measures + QVariantList{stored->locator}
                                         : measures + QVariantList{day, heureValue(row.heure)},
                                 &error))
                return fail(error);
            done = statement->affectedRows() == 1;
        } else {
            // Another validated record is never overwritten from the grid.
            const StoredMeasure target = current.value(key);
            bool validated = target.exists && target.validite == QLatin1Char('V');
            if (!options.check && !options.history) {
                const RecordTable found = validatedAt->query({day, time});
                if (!found.ok())
                    return fail(found.error());
                validated = countOf(found) > 0;
            }
            if (validated) {
                row.red = true;
                refused << int(r);
                continue;
            }
            if (row.hasLoadedKey()) {
                // The row moved: its record leaves its old instant.
                bool ok;
                if (row.loadedHeure.isValid()) {
                    ok = deleteAt->exec({QVariant(row.loadedDate), QVariant(row.loadedHeure)},
                                        &error);
                } else {
                    if (!deleteUntimed &&
                        !(deleteUntimed = db.prepare(deleteUntimedPrepared(code), &error)))
                        return fail(error);
                    ok = deleteUntimed->exec({QVariant(row.loadedDate)}, &error);
                }
                if (!ok)
                    return fail(error);
                const qint64 oldKey = instantKey(row.loadedDate, row.loadedHeure);
                if (batch && !batch->record(row.loadedInstant(), current.value(oldKey), gone,
                                            &error))
                    return fail(error);
                current.insert(oldKey, gone);
            }
        }
        if (!done) {
            // Deleting the instant first makes the later of two rows at one instant win.
            if (!deleteAt->exec({day, time}, &error))
                return fail(error);
            if (!insert->exec(QVariantList{day, heureValue(row.heure)} + measures, &error))
                return fail(error);
        }
        // What the instant held, replaced in place by what the row wrote.
        StoredMeasure &stored = current[key];
        const StoredMeasure now = StoredMeasure::written(row);
        if (batch && !batch->record(row.instant(), stored, now, &error))
            return fail(error);
        stored = now;
        written.push_back(r);
        if (n % 256 == 0)
            report(qint64(60 * n / toWrite.size()));
    }
    if ((history && !history->flush(&error)) || (corrections && !corrections->flush(&error)))
        return fail(error);
    report(60);

    std::sort(refused.begin(), refused.end());
    const bool validate = refused.isEmpty() && result.conflictRows.isEmpty() && markRow >= 0 &&
                          size_t(markRow) < rows.size() && !rows[size_t(markRow)].isValidated();
    QDateTime until;
    if (validate) {
        until = rows[size_t(markRow)].instant();
        result.validatedCount =
            countAndRun(db, validationCountQuery(code, until, lastValidated),
                        validationStatement(code, until, lastValidated), &error);
        if (result.validatedCount < 0)
            return fail(error);
        if (options.history && result.validatedCount > 0) {
            HistoryBatch validation(db, code, HistoryNature::Validation);
            if (!validation.summary(lastValidated, until,
                                    validationJournalText(code, until, lastValidated,
                                                          result.validatedCount),
                                    &error))
                return fail(error);
        }
        result.validated = true;
    }
    if (history && history->rowsWritten() > 0 && written.size() > 1) {
        // One line saying what the save did, beside the rows of each record.
        if (!history->summary(std::nullopt, std::nullopt,
                              QStringLiteral("Enregistrement de %1 ligne(s)").arg(written.size()),
                              &error))
            return fail(error);
    }
    if (!transaction.commit())
        return fail(transaction.error());

    // Only now that the transaction holds do the rows follow what was stored.
    for (const size_t r : written) {
        MeasureRow &row = rows[r];
        row.dirty = false;
        row.red = false;
        row.obtention = QLatin1Char('M');
        row.validite = QChar();
        row.loadedDate = row.date;
        row.loadedHeure = row.heure;
        row.loadedStamp = measureStamp(StoredMeasure::of(row));
    }
    if (result.validated) {
        for (MeasureRow &row : rows) {
            if (!row.dirty && row.hasLoadedKey()) {
                const QDateTime at = row.loadedInstant();
                if (at <= until && (!lastValidated || at > *lastValidated) &&
                    !row.isValidated()) {
                    row.validite = QLatin1Char('V');
                    row.loadedStamp = measureStamp(StoredMeasure::of(row));
                }
            }
        }
        journal(validationJournalText(code, until, lastValidated, result.validatedCount));
    }
    report(100);
    result.ok = true;
    result.written = int(written.size());
    result.redRows = refused;
    result.batch = history && history->rowsWritten() > 0 ? history->id()
                   : corrections && corrections->rowsWritten() > 0 ? corrections->id()
                                                                   : QString();
    return result;
}

qint64 validateUntil(AccesBase &db, const QString &code, const QDateTime &until,
                     const std::optional<QDateTime> &after, QString *error)
{
    if (measurementTableName(code).isEmpty() || !until.isValid()) {
        setError(error, invalidCodeMessage(code));
        return -1;
    }
    const ScopedConnectionKind kind(db);
    if (!ensureMeasureHistoryTable(db, error))
        return -1;
    Transaction transaction(db);
    if (!transaction.started()) {
        setError(error, transaction.error());
        return -1;
    }
    const qint64 count = countAndRun(db, validationCountQuery(code, until, after),
                                     validationStatement(code, until, after), error);
    if (count < 0)
        return -1;
    if (count > 0 &&
        !HistoryBatch(db, code, HistoryNature::Validation)
             .summary(after, until, validationJournalText(code, until, after, count), error))
        return -1;
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return -1;
    }
    journal(validationJournalText(code, until, after, count));
    return count;
}

std::optional<QDateTime> lastValidatedInstant(AccesBase &db, const QString &code)
{
    if (measurementTableName(code).isEmpty())
        return std::nullopt;
    std::optional<QDateTime> last;
    db.readRecords(validatedInstantsQuery(code), [&](const QVariant *v, int columns) {
        if (columns >= 2) {
            const QDate day = dateTimeOf(v[0]).date();
            const QDateTime heure = dateTimeOf(v[1]);
            if (day.isValid())
                last = QDateTime(day, heure.isValid() ? heure.time() : QTime(0, 0), Qt::UTC);
        }
        return false; // the first row is the latest
    });
    return last;
}

qint64 devalidateAll(AccesBase &db, const QString &code, QString *error)
{
    if (measurementTableName(code).isEmpty()) {
        setError(error, invalidCodeMessage(code));
        return -1;
    }
    const ScopedConnectionKind kind(db);
    if (!ensureMeasureHistoryTable(db, error))
        return -1;
    Transaction transaction(db);
    if (!transaction.started()) {
        setError(error, transaction.error());
        return -1;
    }
    const qint64 count =
        countAndRun(db, devalidationCountQuery(code), devalidationStatement(code), error);
    if (count < 0)
        return -1;
    // No value changes: one summary row, whatever the size of the table.
    if (count > 0 && !HistoryBatch(db, code, HistoryNature::Devalidation)
                          .summary(std::nullopt, std::nullopt,
                                   QStringLiteral("Dévalidation du pluviomètre %1 : %2 mesures")
                                       .arg(code.trimmed())
                                       .arg(count),
                                   error))
        return -1;
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return -1;
    }
    journal(QStringLiteral("Dévalidation du pluviomètre %1 : %2 mesures")
                .arg(code.trimmed())
                .arg(count));
    return count;
}

QList<int> deleteRows(AccesBase &db, const QString &code, const std::vector<MeasureRow> &rows,
                      const QList<int> &selected, QString *error, QList<int> *changedSince)
{
    QList<int> indexes;
    for (const int r : selected) {
        if (r >= 0 && size_t(r) < rows.size() && !indexes.contains(r))
            indexes << r;
    }
    std::sort(indexes.begin(), indexes.end());
    if (measurementTableName(code).isEmpty()) {
        setError(error, invalidCodeMessage(code));
        return {};
    }
    const ScopedConnectionKind kind(db);
    if (!ensureMeasureHistoryTable(db, error))
        return {};
    Transaction transaction(db);
    if (!transaction.started()) {
        setError(error, transaction.error());
        return {};
    }
    QString message;
    // The records as stored now, locked: one changed by someone else since the load stays.
    std::vector<std::pair<QDate, QTime>> keys;
    for (const int r : indexes) {
        const MeasureRow &row = rows[size_t(r)];
        if (!row.isValidated() && row.hasLoadedKey())
            keys.emplace_back(row.loadedDate, row.loadedHeure);
    }
    QHash<qint64, StoredMeasure> current;
    if (!StoredMeasureReader(db, code).read(keys, current, &message)) {
        setError(error, message);
        return {};
    }
    std::unique_ptr<PreparedStatement> deleteAt, deleteUntimed;
    HistoryBatch history(db, code, HistoryNature::Suppression);
    QList<int> gone;
    for (const int r : indexes) {
        const MeasureRow &row = rows[size_t(r)];
        if (row.isValidated())
            continue;
        if (!row.hasLoadedKey()) {
            gone << r; // never saved: nothing to delete
            continue;
        }
        const StoredMeasure stored = current.value(instantKey(row.loadedDate, row.loadedHeure));
        if (stored.exists && measureStamp(stored) != row.loadedStamp) {
            if (changedSince)
                *changedSince << r;
            continue;
        }
        // By the key as loaded: the date and time shown may have been edited since.
        bool ok;
        if (row.loadedHeure.isValid()) {
            if (!deleteAt && !(deleteAt = db.prepare(deleteInstantPrepared(code), &message))) {
                setError(error, message);
                return {};
            }
            ok = deleteAt->exec({QVariant(row.loadedDate), QVariant(row.loadedHeure)}, &message);
        } else {
            if (!deleteUntimed &&
                !(deleteUntimed = db.prepare(deleteUntimedPrepared(code), &message))) {
                setError(error, message);
                return {};
            }
            ok = deleteUntimed->exec({QVariant(row.loadedDate)}, &message);
        }
        if (!ok || !history.record(row.loadedInstant(), stored, StoredMeasure{}, &message)) {
            setError(error, message);
            return {};
        }
        gone << r;
    }
    if (!history.flush(&message)) {
        setError(error, message);
        return {};
    }
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return {};
    }
    return gone;
}

} // namespace plx

namespace plx {

bool reloadRows(AccesBase &db, const QString &code, std::vector<MeasureRow> &rows,
                const QList<int> &indexes, QList<int> *gone, QString *error)
{
    if (measurementTableName(code).isEmpty()) {
        setError(error, invalidCodeMessage(code));
        return false;
    }
    const ScopedConnectionKind kind(db);
    std::vector<std::pair<QDate, QTime>> keys;
    for (const int r : indexes) {
        if (r >= 0 && size_t(r) < rows.size() && rows[size_t(r)].hasLoadedKey())
            keys.emplace_back(rows[size_t(r)].loadedDate, rows[size_t(r)].loadedHeure);
    }
    QHash<qint64, StoredMeasure> current;
    QString message;
    if (!StoredMeasureReader(db, code).read(keys, current, &message)) {
        setError(error, message);
        return false;
    }
    for (const int r : indexes) {
        if (r < 0 || size_t(r) >= rows.size())
            continue;
        MeasureRow &row = rows[size_t(r)];
        const StoredMeasure stored =
            row.hasLoadedKey() ? current.value(instantKey(row.loadedDate, row.loadedHeure))
                               : StoredMeasure{};
        if (!stored.exists) {
            if (gone)
                *gone << r;
            continue;
        }
        stored.applyTo(row);
        row.date = row.loadedDate;
        row.heure = row.loadedHeure;
        row.typedDate.clear();
        row.typedHeure.clear();
        row.dirty = row.red = row.conflict = false;
    }
    return true;
}

} // namespace plx
