#include "imports/importrun.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/bulkinsert.h"
#include "db/preparedstatement.h"
#include "db/transaction.h"
#include "imports/importstations.h"
#include "measures/measurehistory.h"
#include "measures/measurementtable.h"
#include "measures/storedmeasure.h"
#include "schema/measurehistorytable.h"
#include "schema/schemacatalog.h"
#include "session/journal.h"

#include <QHash>
#include <QIODevice>

#include <algorithm>
#include <limits>

namespace plx {

QString existingValuesKey(ExistingValues choice)
{
    switch (choice) {
    case ExistingValues::Keep:
        return QStringLiteral("keep");
    case ExistingValues::Replace:
        return QStringLiteral("replace");
    case ExistingValues::Unvalidated:
        break;
    }
    return QStringLiteral("unvalidated");
}

std::optional<ExistingValues> existingValuesFromKey(const QString &key)
{
    for (const ExistingValues choice :
         {ExistingValues::Keep, ExistingValues::Replace, ExistingValues::Unvalidated}) {
        if (key.trimmed().compare(existingValuesKey(choice), Qt::CaseInsensitive) == 0)
            return choice;
    }
    return std::nullopt;
}

namespace {

// Rows of one station written per block: memory stays at one block whatever the file.
// Each block reads the records it may meet in one statement, unless the table was empty.
constexpr size_t kBlockRows = 8192;
constexpr size_t kStreamedRows = 1024;
constexpr qint64 kProgressRows = 4096;
// The report keeps this many refused lines (it counts them all): a file of the wrong
// station can refuse every one of its million lines.
constexpr qsizetype kKeptRefusals = 100000;

const QDate kZeroDay(1899, 12, 30);

const QStringList kInsertColumns{QStringLiteral("DateCreation"),  QStringLiteral("Heure"),
                                 QStringLiteral("Pluie"),         QStringLiteral("PluieEfficace"),
                                 QStringLiteral("Etp"),           QStringLiteral("Valeur1"),
                                 QStringLiteral("Valeur2"),       QStringLiteral("Valeur3"),
                                 QStringLiteral("ModeObtention"), QStringLiteral("Validite")};

// A daily record has no time of day: it is stored at midnight of its day.
QTime timeOf(const ImportedRow &row)
{
    return row.time.isValid() ? row.time : QTime(0, 0);
}

StoredMeasure stateOf(const ImportedRow &row)
{
    StoredMeasure state;
    state.exists = true;
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (row.hasValue(i)) {
            state.values[size_t(i)] = row.values[size_t(i)];
            state.present |= quint8(1u << i);
        }
    }
    // A doubtful value is kept unvalidated, whatever else the source says of it.
    if (row.validite == QLatin1Char('V') && !row.doubtful)
        state.validite = QLatin1Char('V');
    state.obtention = QLatin1Char('I');
    return state;
}

// What the user would see change: the values, the validity and the break.
bool sameContent(const StoredMeasure &a, const StoredMeasure &b)
{
    if (a.present != b.present || a.validite != b.validite || a.rupture != b.rupture)
        return false;
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (a.hasValue(i) && a.values[size_t(i)] != b.values[size_t(i)])
            return false;
    }
    return true;
}

// A stored record as the file's row leaves it: the values the file carries and its
// validity replace the stored ones; the record's other parameters and its break of
// continuity stay (a rainfall file says nothing of them).
StoredMeasure replacedBy(const StoredMeasure &stored, const StoredMeasure &file)
{
    StoredMeasure state = stored;
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (file.hasValue(i)) {
            state.values[size_t(i)] = file.values[size_t(i)];
            state.present |= quint8(1u << i);
        }
    }
    state.validite = file.validite;
    state.obtention = file.obtention;
    return state;
}

QVariantList valuesOf(const StoredMeasure &state)
{
    QVariantList values;
    values.reserve(kMeasuredValues + 2);
    for (int i = 0; i < kMeasuredValues; ++i)
        values << (state.hasValue(i) ? QVariant(state.values[size_t(i)]) : QVariant());
    values << QVariant(QStringLiteral("I"))
           << (state.validite.isNull() ? QVariant() : QVariant(QString(state.validite)));
    return values;
}

QString unknownStation(const QString &number)
{
    return number.isEmpty() ? QStringLiteral("station inconnue")
                            : QStringLiteral("station inconnue : %1").arg(number);
}

// The rows of one station in a stretch of the file, written in one transaction.
struct StationRun
{
    QString key; // the file's number, or the forced code
    StationImport result;
    QString refusal;     // its rows are refused, with this reason
    bool failed = false; // its rows go nowhere: the transaction rolled back
    QString table;
    std::unique_ptr<Transaction> transaction;
    std::unique_ptr<StoredMeasureReader> reader;
    std::unique_ptr<HistoryBatch> history;
    std::unique_ptr<PreparedStatement> update, deleteUntimed;
    // Open across blocks while nothing else needs the connection, so that the server
    // stores one block while the next is read; before the transaction, to end first.
    std::unique_ptr<BulkInsert> bulk;
    bool tableWasEmpty = false;
    bool indexPending = false; // a table this run created: indexed once loaded
    qint64 lastKey = std::numeric_limits<qint64>::min(); // the latest instant written
    qint64 rows = 0;
    QDateTime first, last;
    qsizetype index = -1; // its entry in the report's stations
    std::vector<ImportedRow> block;
};

class ImportRunner final : public ImportSink
{
public:
    ImportRunner(AccesBase &db, const ImportOptions &options, ImportReport &report,
                 const ImportProgress &progress)
        : m_db(db), m_options(options), m_report(report), m_progress(progress), m_stations(db)
    {
    }

    bool prepare(QString *error)
    {
        if (!m_options.station.isEmpty()) {
            m_forcedCode = QString::number(m_options.station.trimmed().toDouble(), 'f', 0);
            if (measurementTableName(m_options.station).isEmpty()) {
                *error = QStringLiteral("Code de station invalide : %1").arg(m_options.station);
                return false;
            }
            QString message;
            if (!m_stations.exists(m_forcedCode, &message)) {
                *error = message.isEmpty()
                             ? QStringLiteral("Le pluviomètre %1 n'existe pas.").arg(m_forcedCode)
                             : message;
                return false;
            }
        }
        if (!m_stations.load(error))
            return false;
        return m_options.dryRun || ensureMeasureHistoryTable(m_db, error);
    }

    // Each file's stretch of a station is its own transaction: a fault found in one file
    // never takes back what another file wrote.
    void startSource(const QString &name, QIODevice *device, int index, int count)
    {
        m_source = name;
        m_device = device;
        m_sourceIndex = index;
        m_sourceCount = count;
    }
    void endSource()
    {
        finishRun();
        m_device = nullptr;
    }

    // The reader stopped on a fault of the file: the station it was reading writes nothing.
    void sourceFailed(const QString &error)
    {
        if (m_run && !m_run->refusal.isEmpty())
            return;
        fail(QStringLiteral("%1 : %2").arg(m_source, error));
    }

    void cancel()
    {
        m_report.cancelled = true;
        m_run.reset(); // rolls its transaction back
    }

    bool cancelled() const { return m_report.cancelled; }
    qint64 committed() const { return m_committed; }

    bool station(const ImportedStation &station) override
    {
        const QString number = station.number.trimmed();
        if (!number.isEmpty())
            m_described.insert(number, station);
        return true;
    }

    bool row(const ImportedRow &row) override
    {
        ++m_report.read;
        const QString key = m_forcedCode.isEmpty() ? row.station.trimmed() : m_forcedCode;
        if (!m_run || m_run->key != key) {
            finishRun();
            startRun(key);
        }
        StationRun &run = *m_run;
        if (!run.refusal.isEmpty()) {
            addPreview(row, QString(), run.refusal);
            refuse({row.line, run.refusal});
            return tick();
        }
        addPreview(row, run.result.code, QString());
        ++run.rows;
        if (run.failed) {
            ++m_report.failed;
            return tick();
        }
        run.block.push_back(row);
        // Into an empty table nothing needs reading first: short blocks keep the server
        // storing while the file is read.
        if (run.block.size() >= (run.tableWasEmpty ? kStreamedRows : kBlockRows))
            writeBlock(); // a failure marks the run: its later rows go nowhere
        return tick();
    }

    bool refused(const RefusedLine &line) override
    {
        ++m_report.read;
        if (m_report.preview.size() < m_options.previewRows) {
            PreviewLine preview;
            preview.source = m_source;
            preview.row.line = line.line;
            preview.refusal = line.reason;
            m_report.preview << preview;
        }
        refuse(line);
        return tick();
    }

private:
    void refuse(const RefusedLine &line)
    {
        ++m_report.refused;
        if (m_report.refusedLines.size() < kKeptRefusals)
            m_report.refusedLines.append({m_source, line});
        else
            m_report.refusedLinesCut = true;
    }

    void addPreview(const ImportedRow &row, const QString &code, const QString &refusal)
    {
        if (m_report.preview.size() >= m_options.previewRows)
            return;
        PreviewLine line;
        line.source = m_source;
        line.station = code;
        line.row = row;
        line.refusal = refusal;
        m_report.preview << line;
    }

    // Progress every few thousand rows; false from the caller stops the reading.
    bool tick()
    {
        if (++m_ticks % kProgressRows != 0 || !m_progress)
            return true;
        qint64 done = m_report.read, total = 0;
        if (m_device && !m_device->isSequential() && m_device->size() > 0) {
            constexpr qint64 kScale = 1000;
            done = m_sourceIndex * kScale + kScale * m_device->pos() / m_device->size();
            total = m_sourceCount * kScale;
        }
        if (m_progress(done, total))
            return true;
        cancel();
        return false;
    }

    void startRun(const QString &key)
    {
        m_run = std::make_unique<StationRun>();
        StationRun &run = *m_run;
        run.key = key;
        run.result.number = m_forcedCode.isEmpty() ? key : QString();
        QString error;
        QString code = m_forcedCode.isEmpty() ? m_stations.codeOf(key) : m_forcedCode;
        if (code.isEmpty()) {
            if (key.isEmpty() || !m_options.createStations) {
                run.refusal = unknownStation(key);
                return;
            }
            code = m_stations.nextCode(&error);
            if (code.isEmpty()) {
                run.refusal = error;
                return;
            }
            run.result.created = true;
        }
        run.result.code = code;
        run.table = measurementTableName(code);
        run.index = m_report.stations.size();
        m_report.stations << run.result;
        if (m_options.dryRun) {
            if (run.result.created)
                m_stations.remember(key, code);
            run.tableWasEmpty = run.result.created || !m_db.tableExists(run.table);
            if (!run.tableWasEmpty)
                run.reader = std::make_unique<StoredMeasureReader>(m_db, code);
            return;
        }

        // The register row, the table and the values stand or fall together.
        run.transaction = std::make_unique<Transaction>(m_db);
        if (!run.transaction->started()) {
            fail(run.transaction->error());
            return;
        }
        if (run.result.created) {
            ImportedStation described = m_described.value(key);
            if (described.number.isEmpty())
                described.number = key;
            if (!m_stations.create(code, described, &error)) {
                fail(error);
                return;
            }
        }
        run.indexPending = canIndexAfterLoad(m_db) && !m_db.tableExists(run.table);
        if (!CreateMeasurementTable(m_db, code, false,
                                    run.indexPending ? MeasurementIndex::AfterLoad
                                                     : MeasurementIndex::WithTable)) {
            fail(m_db.lastError().isEmpty()
                     ? QStringLiteral("La table de données du pluviomètre %1 ne peut pas être "
                                      "créée.")
                           .arg(code)
                     : m_db.lastError());
            return;
        }
        const RecordTable last =
            m_db.ExtraireRecords(QStringLiteral("SELECT Max(DateCreation) FROM ") + run.table);
        if (!last.ok()) {
            fail(last.error());
            return;
        }
        run.tableWasEmpty = last.rowCount() == 0 || last.at(0, 0).isNull();
        run.reader = std::make_unique<StoredMeasureReader>(m_db, code);
        run.history = std::make_unique<HistoryBatch>(m_db, code, HistoryNature::Import);
    }

    // Everything the station wrote so far goes: its transaction rolls back.
    void fail(const QString &error)
    {
        if (!m_run)
            return;
        StationRun &run = *m_run;
        if (run.failed)
            return;
        run.failed = true;
        run.bulk.reset();
        run.transaction.reset();
        run.history.reset();
        run.update.reset();
        run.deleteUntimed.reset();
        run.block.clear();
        if (run.result.created)
            m_stations.forget(run.key);
        m_report.failed += run.rows;
        run.result.error = m_db.explainFailure(error);
        run.result.written = run.result.kept = run.result.doubtful = 0;
        updateResult(run);
        m_report.ok = false;
        const QString name = run.result.code.isEmpty() ? run.key : run.result.code;
        const QString line = QStringLiteral("Pluviomètre %1 : %2").arg(name, run.result.error);
        m_report.error =
            m_report.error.isEmpty() ? line : m_report.error + QLatin1Char('\n') + line;
    }

    void updateResult(const StationRun &run)
    {
        if (run.index >= 0)
            m_report.stations[run.index] = run.result;
    }

    bool writeBlock()
    {
        StationRun &run = *m_run;
        std::vector<ImportedRow> block;
        block.swap(run.block);
        if (block.empty() || run.failed)
            return !run.failed;
        QString error;

        // A fresh table holds only what this run wrote before, and a file sorted by
        // instant never comes back: then nothing needs reading.
        qint64 firstKey = std::numeric_limits<qint64>::max();
        for (const ImportedRow &row : block)
            firstKey = std::min(firstKey, instantKey(row.date, timeOf(row)));
        QHash<qint64, StoredMeasure> stored;
        if (!(run.tableWasEmpty && firstKey > run.lastKey) && run.reader) {
            // A file that goes back in time reads what it wrote: by the index.
            if (!endBulk() || !indexLoadedTable())
                return false;
            std::vector<std::pair<QDate, QTime>> keys;
            keys.reserve(block.size());
            for (const ImportedRow &row : block)
                keys.emplace_back(row.date, timeOf(row));
            if (!run.reader->read(keys, stored, &error)) {
                fail(error);
                return false;
            }
        }

        std::vector<const ImportedRow *> inserts;
        QHash<qint64, size_t> pending; // instant -> index in inserts
        inserts.reserve(block.size());
        for (const ImportedRow &row : block) {
            const QTime time = timeOf(row);
            const qint64 key = instantKey(row.date, time);
            const StoredMeasure after = stateOf(row);
            const auto waiting = pending.constFind(key);
            const StoredMeasure before =
                waiting != pending.constEnd() ? stateOf(*inserts[*waiting]) : stored.value(key);
            run.lastKey = std::max(run.lastKey, key);
            const QDateTime instant(row.date, time, Qt::UTC);
            if (!run.first.isValid() || instant < run.first)
                run.first = instant;
            if (!run.last.isValid() || instant > run.last)
                run.last = instant;
            if (!before.exists) {
                pending.insert(key, inserts.size());
                inserts.push_back(&row);
                ++run.result.written;
                run.result.doubtful += row.doubtful ? 1 : 0;
                continue;
            }
            const bool replace = m_options.existing == ExistingValues::Replace ||
                                 (m_options.existing == ExistingValues::Unvalidated &&
                                  before.validite != QLatin1Char('V'));
            const StoredMeasure replaced = replacedBy(before, after);
            if (!replace || sameContent(before, replaced)) {
                ++run.result.kept;
                continue;
            }
            ++run.result.written;
            run.result.doubtful += row.doubtful ? 1 : 0;
            if (waiting != pending.constEnd()) {
                // The file repeats an instant: its later row wins.
                inserts[*waiting] = &row;
                continue;
            }
            stored.insert(key, replaced);
            if (m_options.dryRun)
                continue;
            if (!rewrite(row, before, replaced))
                return false;
            if (run.update->affectedRows() == 0) {
                // The record was stored without a time of day: the file's row replaces it.
                pending.insert(key, inserts.size());
                inserts.push_back(&row);
            }
        }
        if (m_options.dryRun || inserts.empty())
            return true;
        if (!run.bulk) {
            // History rows still waiting go first: nothing else may run during the bulk
            // insert.
            if (!run.history->flush(&error) ||
                !(run.bulk = m_db.bulkInsert(run.table, kInsertColumns, &error))) {
                fail(error);
                return false;
            }
        }
        for (const ImportedRow *row : inserts) {
            QVariantList values{QVariant(row->date),
                                QVariant(QDateTime(kZeroDay, timeOf(*row), Qt::UTC))};
            values += valuesOf(stateOf(*row));
            if (!run.bulk->add(values, &error)) {
                fail(error);
                return false;
            }
        }
        return true;
    }

    // Ends the bulk insert left open, before anything else uses the connection.
    bool endBulk()
    {
        StationRun &run = *m_run;
        if (!run.bulk)
            return !run.failed;
        QString error;
        const bool ok = run.bulk->finish(&error);
        run.bulk.reset();
        if (!ok)
            fail(error);
        return ok;
    }

    // A stored record replaced where it stands, with its history.
    bool rewrite(const ImportedRow &row, const StoredMeasure &before, const StoredMeasure &after)
    {
        StationRun &run = *m_run;
        if (!endBulk())
            return false;
        QString error;
        const QTime time = timeOf(row);
        if (!run.update &&
            !(run.update = m_db.prepare(
                  QStringLiteral("UPDATE ") + run.table +
                      QStringLiteral(" SET Pluie = ?, PluieEfficace = ?, Etp = ?, Valeur1 = ?, "
                                     "Valeur2 = ?, Valeur3 = ?, ModeObtention = ?, Validite = ? "
                                     "WHERE DateCreation = ? AND Heure = ?"),
                  &error))) {
            fail(error);
            return false;
        }
        QVariantList values = valuesOf(after);
        values << QVariant(row.date) << QVariant(QDateTime(kZeroDay, time, Qt::UTC));
        if (!run.update->exec(values, &error)) {
            fail(error);
            return false;
        }
        if (run.update->affectedRows() == 0) {
            // Stored without a time of day: it leaves, the insert puts the file's row back.
            if (!run.deleteUntimed &&
                !(run.deleteUntimed = m_db.prepare(QStringLiteral("DELETE FROM ") + run.table +
                                                       QStringLiteral(" WHERE DateCreation = ? "
                                                                      "AND Heure IS NULL"),
                                                   &error))) {
                fail(error);
                return false;
            }
            if (!run.deleteUntimed->exec({QVariant(row.date)}, &error)) {
                fail(error);
                return false;
            }
        }
        if (!run.history->record(QDateTime(row.date, time, Qt::UTC), before, after, &error)) {
            fail(error);
            return false;
        }
        return true;
    }

    // The unique index of a table this run created, left out while it loaded. Nothing
    // could repeat an instant meanwhile: a block going back in time builds it first.
    bool indexLoadedTable()
    {
        StationRun &run = *m_run;
        if (!run.indexPending)
            return true;
        run.indexPending = false;
        QString error;
        if (CreateMeasurementIndex(m_db, run.result.code, false, &error))
            return true;
        fail(error);
        return false;
    }

    void finishRun()
    {
        if (!m_run)
            return;
        StationRun &run = *m_run;
        if (!run.refusal.isEmpty() || run.failed) {
            m_run.reset();
            return;
        }
        if ((!run.block.empty() && !writeBlock()) || !endBulk()) {
            m_run.reset();
            return;
        }
        if (!m_options.dryRun) {
            const QString &files = m_source;
            const QString summary =
                QStringLiteral("Import %1 (du %2 au %3) : %4 écrites, %5 conservées")
                    .arg(files, formatDateTime(run.first), formatDateTime(run.last))
                    .arg(run.result.written)
                    .arg(run.result.kept);
            QString error;
            if (run.result.written > 0 &&
                !run.history->summary(std::nullopt, std::nullopt, summary, &error)) {
                fail(error);
                m_run.reset();
                return;
            }
            if (!run.history->flush(&error)) {
                fail(error);
                m_run.reset();
                return;
            }
            if (!indexLoadedTable()) {
                m_run.reset();
                return;
            }
            if (!run.transaction->commit()) {
                fail(run.transaction->error());
                m_run.reset();
                return;
            }
            ++m_committed;
        }
        m_report.written += run.result.written;
        m_report.kept += run.result.kept;
        m_report.doubtful += run.result.doubtful;
        if (run.result.created)
            m_report.createdStations << run.result.code;
        updateResult(run);
        m_run.reset();
    }

    AccesBase &m_db;
    const ImportOptions &m_options;
    ImportReport &m_report;
    const ImportProgress &m_progress;
    ImportStations m_stations;
    QString m_forcedCode;
    QHash<QString, ImportedStation> m_described; // by number: one entry per station
    std::unique_ptr<StationRun> m_run;
    QString m_source;
    QIODevice *m_device = nullptr; // not owned: the source being read
    int m_sourceIndex = 0, m_sourceCount = 1;
    qint64 m_ticks = 0;
    qint64 m_committed = 0;
};

} // namespace

ImportReport runImport(AccesBase &db, const QList<ImportSource> &sources, ImportReader &reader,
                       const ImportOptions &options, const ImportProgress &progress)
{
    ImportReport report;
    report.ok = true;
    const ScopedConnectionKind kind(db);
    ImportRunner runner(db, options, report, progress);
    QString error;
    if (!runner.prepare(&error)) {
        report.ok = false;
        report.error = error;
        return report;
    }
    for (int i = 0; i < sources.size() && !runner.cancelled(); ++i) {
        const ImportSource &source = sources[i];
        const QString &name = source.name;
        std::unique_ptr<QIODevice> device = source.open ? source.open(&error) : nullptr;
        if (!device) {
            report.ok = false;
            const QString line = QStringLiteral("%1 : %2").arg(
                name, error.isEmpty() ? QStringLiteral("fichier illisible") : error);
            report.error = report.error.isEmpty() ? line : report.error + QLatin1Char('\n') + line;
            continue;
        }
        runner.startSource(name, device.get(), i, int(sources.size()));
        const ReadResult read = reader.read(*device, runner);
        if (runner.cancelled() || read.cancelled) {
            runner.cancel();
            break;
        }
        if (!read.ok) {
            runner.sourceFailed(read.error);
            if (report.error.isEmpty() || !report.error.contains(read.error)) {
                const QString line = QStringLiteral("%1 : %2").arg(name, read.error);
                report.error =
                    report.error.isEmpty() ? line : report.error + QLatin1Char('\n') + line;
            }
            report.ok = false;
        }
        runner.endSource();
    }
    if (report.cancelled)
        report.ok = false;
    // One line for the whole import (a line per station would cost each its own commit);
    // the history's summary rows tell each station's part.
    if (!options.dryRun && (runner.committed() > 0 || !report.ok)) {
        QStringList files;
        for (const ImportSource &source : sources)
            files << source.name;
        journal(QStringLiteral("Import de données%1 : %2 pluviomètre(s), %3 écrites, %4 "
                               "conservées, %5 refusées (%6)")
                    .arg(report.cancelled ? QStringLiteral(" interrompu") : QString())
                    .arg(runner.committed())
                    .arg(report.written)
                    .arg(report.kept)
                    .arg(report.refused)
                    .arg(files.join(QStringLiteral(", "))));
        for (const StationImport &station : std::as_const(report.stations)) {
            if (!station.error.isEmpty())
                journal(QStringLiteral("Échec de l'import du pluviomètre %1 : %2")
                            .arg(station.code, station.error),
                        JournalLevel::Error);
        }
    }
    if (progress && !report.cancelled)
        progress(1, 1);
    return report;
}

} // namespace plx
