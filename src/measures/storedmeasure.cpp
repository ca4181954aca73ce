#include "measures/storedmeasure.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/preparedstatement.h"
#include "db/rowcells.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"

#include <algorithm>
#include <bit>

namespace plx {

namespace {

constexpr int kBlock = 100;
const QDate kZeroDay(1899, 12, 30);

// The columns addRecord reads, the row's locator last when the engine has one.
QString selectColumns(const QString &code, const QString &locator)
{
    return QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, "
                          "Valeur2, Valeur3, Validite, Continuite, ModeObtention") +
           (locator.isEmpty() ? QString() : QStringLiteral(", ") + locator) +
           QStringLiteral(" FROM ") + measurementTableName(code) + QStringLiteral(" WHERE ");
}

constexpr int kLocatorColumn = 11;

// A word at a time (the stamp never leaves the process): the save stamps ten thousand
// records at once.
void mix(quint64 &hash, quint64 word)
{
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 29;
}

} // namespace

StoredMeasure StoredMeasure::of(const MeasureRow &row)
{
    StoredMeasure state;
    state.exists = true;
    state.values = row.values;
    state.present = row.present;
    state.rupture = row.rupture;
    state.obtention = row.obtention;
    state.validite = row.validite;
    return state;
}

StoredMeasure StoredMeasure::written(const MeasureRow &row)
{
    StoredMeasure state = of(row);
    state.obtention = QLatin1Char('M');
    state.validite = QChar();
    return state;
}

void StoredMeasure::applyTo(MeasureRow &row) const
{
    for (int i = 0; i < kMeasuredValues; ++i)
        row.setValue(i, hasValue(i) ? std::optional<double>(values[size_t(i)]) : std::nullopt);
    row.rupture = rupture;
    row.obtention = obtention;
    row.validite = validite;
    row.loadedStamp = measureStamp(*this);
}

quint64 measureStamp(const StoredMeasure &state)
{
    quint64 hash = 14695981039134666037ull;
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (state.hasValue(i)) {
            // -0 and 0 are the same value.
            const double v = state.values[size_t(i)] == 0 ? 0.0 : state.values[size_t(i)];
            mix(hash, std::bit_cast<quint64>(v));
        }
    }
    mix(hash, quint64(state.present) | quint64(state.rupture ? 1 : 0) << 8 |
                  quint64(state.obtention.unicode()) << 16 |
                  quint64(state.validite.unicode()) << 32);
    return hash;
}

qint64 instantKey(const QDate &day, const QTime &time)
{
    return day.toJulianDay() * 86400 + (time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1);
}

StoredMeasureReader::StoredMeasureReader(AccesBase &db, const QString &code)
    : m_db(db), m_code(code)
{
}

StoredMeasureReader::~StoredMeasureReader() = default;

bool StoredMeasureReader::readBlock(const QVariantList &values,
                                    QHash<qint64, StoredMeasure> &found, QString *error)
{
    PreparedStatement *statement = values.size() == 2 * kBlock ? m_block.get()
                                   : values.size() == 2        ? m_single.get()
                                                               : m_untimed.get();
    return addRows(statement->query(values), found, error);
}

namespace {

// One record as read by selectColumns.
void addRecord(const RowCells &cells, QHash<qint64, StoredMeasure> &found)
{
    StoredMeasure state;
    state.exists = true;
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (!cells.isNull(2 + i)) {
            state.values[size_t(i)] = cells.number(2 + i);
            state.present = quint8(state.present | (1u << i));
        }
    }
    state.validite = cells.firstChar(8);
    state.rupture = !cells.isNull(9) && cells.number(9) == 1;
    state.obtention = cells.firstChar(10);
    if (cells.count() > kLocatorColumn)
        state.locator = cells.value(kLocatorColumn);
    // The day of DateCreation, the time of day of Heure (stored on 30/12/1899).
    const QDate day = cells.dayAndTime(0).first;
    const QTime time = cells.dayAndTime(1).second;
    found.emplace(instantKey(day, time), std::move(state));
}

} // namespace

bool StoredMeasureReader::addRows(const RecordTable &table, QHash<qint64, StoredMeasure> &found,
                                  QString *error)
{
    if (!table.ok()) {
        if (error)
            *error = table.error();
        return false;
    }
    for (int r = 0; r < table.rowCount(); ++r)
        addRecord(VariantCells(&table.at(r, 0), table.columnCount()), found);
    return true;
}

bool StoredMeasureReader::read(const std::vector<std::pair<QDate, QTime>> &keys,
                               QHash<qint64, StoredMeasure> &found, QString *error)
{
    const QString lock = m_db.rowLockClause();
    // The stored key itself (Heure on the zero day), which the unique index serves; the
    // few records whose Heure is stored on another day are looked up by time of day next.
    const QString atKey = QStringLiteral("(DateCreation = ? AND Heure = ?)");
    std::vector<std::pair<QDate, QTime>> timed, untimed, byTimeOfDay;
    timed.reserve(keys.size());
    for (const auto &key : keys)
        (key.second.isValid() ? timed : untimed).push_back(key);
    // Keys that crowd a few runs of consecutive days (a window edited through, an import)
    // are read by day ranges, one statement per run; scattered keys by blocks of keys.
    std::vector<QDate> days;
    days.reserve(timed.size());
    for (const auto &key : timed)
        days.push_back(key.first);
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    std::vector<std::pair<QDate, QDate>> runs;
    for (const QDate &day : days) {
        if (!runs.empty() && runs.back().second.addDays(1) == day)
            runs.back().second = day;
        else
            runs.emplace_back(day, day);
    }
    const bool byRuns = !runs.empty() && runs.size() * 4 <= timed.size();
    const ScopedConnectionKind kind(m_db);
    found.reserve(found.size() + qsizetype(keys.size()));
    for (const auto &[first, last] : byRuns ? runs : std::vector<std::pair<QDate, QDate>>{}) {
        // Streamed, not gathered in a table first: half the time on ten thousand rows.
        const QString sql = selectColumns(m_code, m_db.rowLocatorColumn()) + QStringLiteral("DateCreation >= ") +
                            FormatDateSQL(formatDate(first), false) +
                            QStringLiteral(" AND DateCreation < ") +
                            FormatDateSQL(formatDate(last.addDays(1)), false) + lock;
        const auto add = [&](const RowCells &cells) {
            addRecord(cells, found);
            return true;
        };
        if (!m_db.readCells(sql, add, error))
            return false;
    }
    for (size_t start = 0; !byRuns && start < timed.size(); start += kBlock) {
        QVariantList values;
        values.reserve(2 * kBlock);
        // The last block is filled up with its last key: one statement serves every block.
        for (size_t i = start; i < start + kBlock; ++i) {
            const auto &[day, time] = timed[std::min(i, timed.size() - 1)];
            values << QVariant(day) << QVariant(QDateTime(kZeroDay, time, Qt::UTC));
        }
        if (!m_block) {
            QStringList terms;
            for (int i = 0; i < kBlock; ++i)
                terms << atKey;
            if (!(m_block = m_db.prepare(selectColumns(m_code, m_db.rowLocatorColumn()) +
                                             terms.join(QStringLiteral(" OR ")) + lock,
                                         error)))
                return false;
        }
        if (!readBlock(values, found, error))
            return false;
    }
    for (const auto &[day, time] : timed) {
        if (!found.contains(instantKey(day, time)))
            byTimeOfDay.emplace_back(day, time);
    }
    for (const auto &[day, time] : byTimeOfDay) {
        if (!m_single &&
            !(m_single = m_db.prepare(selectColumns(m_code, m_db.rowLocatorColumn()) +
                                          QStringLiteral("DateCreation = ? AND TimeValue(Heure) = ?") +
                                          lock,
                                      error)))
            return false;
        if (!readBlock({QVariant(day), QVariant(time)}, found, error))
            return false;
    }
    for (const auto &[day, time] : untimed) {
        if (!m_untimed &&
            !(m_untimed = m_db.prepare(selectColumns(m_code, m_db.rowLocatorColumn()) +
                                           QStringLiteral("DateCreation = ? AND Heure IS NULL") +
                                           lock,
                                       error)))
            return false;
        if (!readBlock({QVariant(day)}, found, error))
            return false;
    }
    return true;
}

} // namespace plx
