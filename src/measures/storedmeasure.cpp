#include "measures/storedmeasure.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "db/dialect.h"
#include "db/preparedstatement.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"

#include <algorithm>

namespace plx {

namespace {

constexpr int kBlock = 100;
const QDate kZeroDay(1899, 12, 30);

// A code's first character, null when empty: read in place, ten thousand records must not
// copy ten thousand texts.
QChar firstChar(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QString) {
        for (const QChar c : *static_cast<const QString *>(value.constData())) {
            if (!c.isSpace())
                return c;
        }
        return {};
    }
    const QString text = value.toString().trimmed();
    return text.isEmpty() ? QChar() : text.at(0);
}

QDateTime dateTimeOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return *static_cast<const QDateTime *>(value.constData());
    return parseDatabaseDateTime(value.toString());
}

// The columns addRecord reads, the row's locator last when the engine has one.
QString selectColumns(const QString &code, const QString &locator)
{
    return QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, "
                          "Valeur2, Valeur3, Validite, Continuite, ModeObtention") +
           (locator.isEmpty() ? QString() : QStringLiteral(", ") + locator) +
           QStringLiteral(" FROM ") + measurementTableName(code) + QStringLiteral(" WHERE ");
}

constexpr int kLocatorColumn = 11;

// FNV-1a over the bytes of each field.
void mix(quint64 &hash, const void *data, size_t size)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
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
    mix(hash, &state.present, sizeof state.present);
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (state.hasValue(i)) {
            // -0 and 0 are the same value.
            const double v = state.values[size_t(i)] == 0 ? 0.0 : state.values[size_t(i)];
            mix(hash, &v, sizeof v);
        }
    }
    const quint8 flags = state.rupture ? 1 : 0;
    mix(hash, &flags, sizeof flags);
    const char16_t codes[] = {state.obtention.unicode(), state.validite.unicode()};
    mix(hash, codes, sizeof codes);
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

// One record as read by selectColumns, cell(c) giving its column c.
template <typename Cell>
void addRecord(const Cell &cell, int columns, QHash<qint64, StoredMeasure> &found)
{
    StoredMeasure state;
    state.exists = true;
    for (int i = 0; i < kMeasuredValues; ++i) {
        const QVariant &v = cell(2 + i);
        if (!v.isNull()) {
            state.values[size_t(i)] = v.toDouble();
            state.present = quint8(state.present | (1u << i));
        }
    }
    state.validite = firstChar(cell(8));
    state.rupture = !cell(9).isNull() && cell(9).toDouble() == 1;
    state.obtention = firstChar(cell(10));
    if (columns > kLocatorColumn)
        state.locator = cell(kLocatorColumn);
    const QDate day = dateTimeOf(cell(0)).date();
    const QDateTime heure = dateTimeOf(cell(1));
    found.emplace(instantKey(day, heure.isValid() ? heure.time() : QTime()), std::move(state));
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
        addRecord([&](int c) -> const QVariant & { return table.at(r, c); }, table.columnCount(),
                  found);
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
        const auto add = [&](const QVariant *row, int columns) {
            addRecord([row](int c) -> const QVariant & { return row[c]; }, columns, found);
            return true;
        };
        if (!m_db.readRecords(sql, add, error))
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
