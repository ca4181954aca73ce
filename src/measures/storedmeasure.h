#pragma once

#include "db/recordtable.h"
#include "measures/measurerow.h"

#include <QHash>
#include <QString>

#include <array>
#include <memory>
#include <vector>

namespace plx {

class AccesBase;
class PreparedStatement;

// A record as it stands in the measurement table: what another user may have changed
// since a window was loaded, and what the history records as the old or new state.
struct StoredMeasure
{
    bool exists = false;
    std::array<double, kMeasuredValues> values{};
    quint8 present = 0;
    bool rupture = false;
    QChar obtention; // null when empty
    QChar validite;  // null when empty
    // Where the record was read (AccesBase::rowLocatorColumn), null when the engine has no
    // such column or the record was not read from the table.
    QVariant locator;

    bool hasValue(int i) const { return present & (1u << i); }
    static StoredMeasure of(const MeasureRow &row);
    // As the editor's save writes the row: ModeObtention "M", no validity.
    static StoredMeasure written(const MeasureRow &row);
    // Writes the stored state back into a grid row (values, flags, loaded stamp), for a
    // row reloaded after a refusal.
    void applyTo(MeasureRow &row) const;
};

// A fingerprint of what the check compares (values, Validite, Continuite, ModeObtention):
// equal states give equal stamps; a row remembers the stamp of what it was loaded from.
quint64 measureStamp(const StoredMeasure &state);

// The instant of a stored key in whole seconds, to look records up.
qint64 instantKey(const QDate &day, const QTime &time);

// Reads records by their key (DateCreation, time of day of Heure) inside the caller's
// transaction, locking them until it ends (SELECT ... FOR UPDATE on PostgreSQL; SQLite's
// transaction already holds the write lock). Keys crowding runs of consecutive days are read
// by one day range per run (the records between them are read and locked too); scattered
// keys by blocks of a hundred: ten thousand rows never cost ten thousand statements.
class StoredMeasureReader
{
public:
    StoredMeasureReader(AccesBase &db, const QString &code);
    ~StoredMeasureReader();

    // Adds the state of each key found to found (keyed by instantKey); keys not found are
    // absent. Records stored without a time (Heure null) are looked up by day. False with
    // error on a database failure.
    bool read(const std::vector<std::pair<QDate, QTime>> &keys,
              QHash<qint64, StoredMeasure> &found, QString *error);

private:
    bool readBlock(const QVariantList &values, QHash<qint64, StoredMeasure> &found,
                   QString *error);
    static bool addRows(const RecordTable &table, QHash<qint64, StoredMeasure> &found,
                        QString *error);

    AccesBase &m_db;
    QString m_code;
    std::unique_ptr<PreparedStatement> m_block, m_single, m_untimed;
};

} // namespace plx
