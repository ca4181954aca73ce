#pragma once

#include "measures/storedmeasure.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace plx {

class AccesBase;
class PreparedStatement;

// What changed the values: stored as these codes in HISTORIQUE_LOTS.Nature.
enum class HistoryNature { Saisie, Validation, Devalidation, Suppression, Import, Correction, Annulation };
QString historyNatureCode(HistoryNature nature);
// "Saisie", "Validation"... for a stored code; the code itself when unknown.
QString historyNatureLabel(const QString &code);
// The codes, in the order the screen's filter lists them.
QStringList historyNatureCodes();

// The history rows of one batch (one save, one validation, one import), written through
// the caller's transaction so that a change and its history stand or fall together.
// Each record changed gives one row per value that changed (old and new value, old and
// new validity); a record whose values did not change but whose validity did gives one
// row without a parameter; bulk operations give one summary row for the whole batch.
class HistoryBatch
{
public:
    HistoryBatch(AccesBase &db, const QString &code, HistoryNature nature);
    ~HistoryBatch();

    const QString &id() const { return m_id; }
    // Rows for one record going from before to after (either may not exist); nothing
    // when they are equal. False with error on a database failure.
    bool record(const QDateTime &instant, const StoredMeasure &before,
                const StoredMeasure &after, QString *error);
    // The summary row of a bulk change over (from, until] (each null for an open end).
    // Writes every row still waiting.
    bool summary(const std::optional<QDateTime> &from, const std::optional<QDateTime> &until,
                 const QString &comment, QString *error);
    // Rows wait in blocks: writes those still waiting, and the batch's own row (where its
    // rows lie). Must run before the transaction commits (the summary does it).
    bool flush(QString *error);
    qint64 rowsWritten() const { return m_rows; }

private:
    static constexpr int kHistoryBlock = 50;
    static constexpr int kHistoryValues = 7;
    bool insert(std::initializer_list<QVariant> values, QString *error);
    bool writePending(QString *error);
    bool writeBatchRow(QString *error);
    QString insertText(int rows) const;

    AccesBase &m_db;
    QString m_code;
    QString m_nature;
    QString m_login;
    QString m_id;
    QDateTime m_now;
    std::unique_ptr<PreparedStatement> m_insertBlock, m_insertOne;
    QVariantList m_pending;
    int m_pendingRows = 0;
    qint64 m_rows = 0;
    qint64 m_firstNumber = 0;              // Numero of its first row, once written
    QDateTime m_firstInstant, m_lastInstant; // of its rows
    bool m_batchRowWritten = false;
    bool m_hasSummary = false;
    std::optional<QDateTime> m_summaryFrom, m_summaryUntil;
    QString m_comment;
};

// One row of the history as read back: a value of a record, or a batch's summary.
struct HistoryEntry
{
    QDateTime instant;           // invalid on a summary row over the whole table
    QDateTime rangeStart;        // summary rows: the lower bound (exclusive), else invalid
    QString parameter;           // "" when only the validity changed, or on a summary row
    std::optional<double> oldValue, newValue;
    QString oldValidite, newValidite;
    QString nature;              // code (SAISIE ...)
    QChar rowType;               // 'A', 'S', 'M', 'L'
    QString login;
    QDateTime changedAt;
    QString batch;
    QString comment;
};

struct HistoryFilter
{
    std::optional<QDate> from, to; // the measurement's day, both included
    QString login;                 // compared without regard to case; "" for all
    QString nature;                // a code; "" for all
};

// A station's history, newest change first. Summary rows are included when their range
// meets the period. False with error when the table cannot be read.
bool readHistory(AccesBase &db, const QString &code, const HistoryFilter &filter,
                 std::vector<HistoryEntry> &entries, QString *error = nullptr);

// The history of one cell: the rows at that instant for that parameter (or for the
// record's validity), and the summary rows whose range holds the instant; newest first.
std::vector<HistoryEntry> cellHistory(AccesBase &db, const QString &code,
                                      const QDateTime &instant, const QString &parameter);

// The name HISTORIQUE_VALEURS.Parametre gives a measured value (0..5) and Continuite (6).
QString historyParameterName(int value);

struct RevertResult
{
    bool ok = false;
    QString error;
    QString batch;                 // the new batch that undid it
    int records = 0;               // records put back
    QList<QDateTime> changedSince; // refused: records changed after the batch
};
// Undoes one batch as a new change (Nature ANNULATION), in one transaction: every record
// the batch touched goes back to its state before it. Refused as a whole (nothing
// written) when a record changed since the batch, or when the batch kept no per-record
// rows (a validation or a devalidation of a range: history keeps only its summary).
RevertResult revertBatch(AccesBase &db, const QString &code, const QString &batch);

} // namespace plx
