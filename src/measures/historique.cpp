#include "measures/historique.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "measures/measurementtable.h"
#include "measures/parameterlabels.h"
#include "schema/schemacatalog.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>

namespace plx {

namespace {

enum class CellFormat { Date, Count, Number };

// One cell of the summary filled by an aggregate statement.
struct AggregateCell
{
    size_t row = 0;
    HistoriqueColumn column = Donnee;
    CellFormat format = CellFormat::Count;
};

QString dateText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDateTime)
        return formatDate(value.toDateTime().date());
    return value.toString();
}

QString numberText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    // A sum of doubles carries binary noise (0.1 + 0.2 = 0.30000000000000004): fifteen
    // significant digits, as a Double has always printed.
    return formatNumber(QString::number(value.toDouble(), 'g', 15).toDouble());
}

QString aggregateText(const QVariant &value, CellFormat format)
{
    switch (format) {
    case CellFormat::Date:
        return dateText(value);
    case CellFormat::Count: {
        // Zero reads as nothing in the count columns.
        const qlonglong count = value.toLongLong();
        return count == 0 ? QString() : QString::number(count);
    }
    case CellFormat::Number:
        break;
    }
    const QString text = numberText(value);
    return text == QLatin1String("0") ? QString() : text;
}

// PostgreSQL keeps measurements as 4-byte reals and sums reals in 4 bytes: sum the
// decimal values the server shows for them instead.
QString sumOf(const QString &expression, SqlDialect dialect)
{
    if (dialect == SqlDialect::PostgreSQL)
        return QStringLiteral("sum(CAST(CAST(%1 AS text) AS numeric))").arg(expression);
    return QStringLiteral("sum(%1)").arg(expression);
}

// Aggregates of several kinds computed by one statement, each filling one cell.
class Aggregates
{
public:
    void add(size_t row, HistoriqueColumn column, CellFormat format, const QString &expression)
    {
        m_cells.push_back({row, column, format});
        m_expressions << expression;
    }

    // False when the statement failed.
    bool fill(AccesBase &db, const QString &fromWhere, std::vector<HistoriqueRow> &rows) const
    {
        if (m_cells.empty())
            return true;
        const RecordTable t = db.ExtraireRecords(
            QStringLiteral("SELECT ") + m_expressions.join(QStringLiteral(", ")) + fromWhere);
        if (!t.ok() || t.rowCount() == 0)
            return false;
        for (size_t i = 0; i < m_cells.size(); ++i) {
            const AggregateCell &cell = m_cells[i];
            rows[cell.row].cells[cell.column] = aggregateText(t.at(0, int(i)), cell.format);
        }
        return true;
    }

private:
    std::vector<AggregateCell> m_cells;
    QStringList m_expressions;
};

// A DateCreation value, ordered as the engine orders it. Engines give date-times as
// QDateTime labelled UTC: those are kept as their milliseconds, compared as numbers. Any
// other value (text that is not a date-time) is kept as its text and compared as the
// engine compares the text 'YYYY-MM-DD HH:MM:SS'. Copied for every row: no QVariant.
struct Instant
{
    bool set = false;
    bool isText = false;
    qint64 msecs = 0;
    QString sortText, displayText; // when isText

    static Instant of(const QVariant &value, int type)
    {
        Instant instant;
        if (type == QMetaType::UnknownType)
            return instant;
        instant.set = true;
        if (type == QMetaType::QDateTime) {
            const QDateTime &dt = *static_cast<const QDateTime *>(value.constData());
            if (dt.isValid() && dt.timeSpec() == Qt::UTC) {
                instant.msecs = dt.toMSecsSinceEpoch();
                return instant;
            }
            instant.sortText = dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        } else {
            instant.sortText = value.toString();
        }
        instant.isText = true;
        instant.displayText = dateText(value);
        return instant;
    }

    // Both set.
    bool operator<(const Instant &o) const
    {
        if (!isText && !o.isText)
            return msecs < o.msecs;
        return textForSort() < o.textForSort();
    }

    QString text() const
    {
        if (!set)
            return QString();
        return isText ? displayText
                      : formatDate(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).date());
    }

private:
    QString textForSort() const
    {
        return isText ? sortText
                      : QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC)
                            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
};

// Values ordered as ORDER BY orders them: numbers (NaN above all, as PostgreSQL puts it),
// then texts, then anything else. Both not null. A text that reads as a number is a number:
// an ODBC driver may hand over a column's reals as text, and SQLite keeps as text only
// what does not read as a number in a numeric column.
int compareValues(const QVariant &a, const QVariant &b)
{
    struct Key
    {
        int rank = 2;
        double number = 0;
        bool integral = false;
    };
    const auto key = [](const QVariant &v) {
        Key k;
        switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::ULongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            k.integral = true;
            [[fallthrough]];
        case QMetaType::Double:
        case QMetaType::Float:
            k.rank = 0;
            k.number = v.toDouble();
            break;
        case QMetaType::QString: {
            bool number = false;
            k.number = v.toString().toDouble(&number);
            k.rank = number ? 0 : 1;
            break;
        }
        default:
            break;
        }
        return k;
    };
    const Key x = key(a), y = key(b);
    if (x.rank != y.rank)
        return x.rank < y.rank ? -1 : 1;
    if (x.rank == 0) {
        if (x.integral && y.integral) {
            const qlonglong i = a.toLongLong(), j = b.toLongLong();
            return i < j ? -1 : i > j ? 1 : 0;
        }
        if (std::isnan(x.number) || std::isnan(y.number))
            return int(std::isnan(x.number)) - int(std::isnan(y.number));
        return x.number < y.number ? -1 : x.number > y.number ? 1 : 0;
    }
    const QString i = a.toString(), j = b.toString();
    return i < j ? -1 : i > j ? 1 : 0;
}

// The whole-table figures of one kind.
struct KindFigures
{
    qlonglong count = 0;
    Instant first, last, controlled, validated;
    QVariant maximum; // the greatest value (null: none yet)
    bool maximumIsDouble = false;
    double maximumNumber = 0;
    Instant dayOfMaximum; // the earliest DateCreation holding it

    // rows rows of that day and validity, greatest their greatest value (type its typeId).
    void add(qlonglong rows, const QVariant &greatest, int type, const Instant &day, char validite)
    {
        count += rows;
        if (day.set) {
            if (!first.set || day < first)
                first = day;
            if (!last.set || last < day)
                last = day;
            if (validite == 'C' && (!controlled.set || controlled < day))
                controlled = day;
            else if (validite == 'V' && (!validated.set || validated < day))
                validated = day;
        }
        if (type == QMetaType::UnknownType)
            return;
        int order = 1;
        double number = 0;
        if (type == QMetaType::Double) {
            number = *static_cast<const double *>(greatest.constData());
            if (maximumIsDouble)
                order = number < maximumNumber    ? -1
                        : number > maximumNumber  ? 1
                        : number == maximumNumber ? 0
                                                  : compareValues(greatest, maximum);
            else if (!maximum.isNull())
                order = compareValues(greatest, maximum);
        } else if (!maximum.isNull()) {
            order = compareValues(greatest, maximum);
        }
        if (order > 0) {
            maximum = greatest;
            maximumIsDouble = type == QMetaType::Double;
            maximumNumber = number;
            dayOfMaximum = day;
        } else if (order == 0 && day.set && (!dayOfMaximum.set || day < dayOfMaximum)) {
            // Among equal maxima, the earliest day (ORDER BY value DESC, DateCreation).
            dayOfMaximum = day;
        }
    }
};

// Every figure of the whole table in one pass: first and last dates, count, last
// controlled and last validated dates, and the maximum with its earliest date, of every
// kind shown. On SQLite, in the same process, the rows themselves are read and summed up
// here (nothing to transfer, and SQLite would sort the rows to group them); a server
// groups them by day and validity in one pass of its own and sends a few thousand groups.
class WholeTable
{
public:
    WholeTable(const std::vector<DataKind> &kinds, const std::vector<HistoriqueRow> &rows)
    {
        for (size_t r = 0; r < kinds.size(); ++r) {
            if (!rows[r].hidden) {
                m_rows.push_back(r);
                m_columns << kinds[r].column;
            }
        }
        m_figures.resize(m_rows.size());
    }

    // False when the statement failed.
    bool fill(AccesBase &db, const QString &table, std::vector<HistoriqueRow> &rows)
    {
        if (m_rows.empty())
            return true;
        const bool grouped = db.dialect() != SqlDialect::SQLite;
        QString sql = QStringLiteral("SELECT DateCreation, Validite, ");
        if (grouped) {
            QStringList aggregates;
            for (const QString &c : m_columns)
                aggregates << QStringLiteral("count(%1)").arg(c);
            for (const QString &c : m_columns)
                aggregates << QStringLiteral("max(%1)").arg(c);
            sql += aggregates.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + table +
                   QStringLiteral(" GROUP BY DateCreation, Validite");
        } else {
            sql += m_columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + table;
        }
        const size_t kinds = m_rows.size();
        bool shaped = true;
        const auto add = [&](const QVariant *values, int count) {
            if (size_t(count) != 2 + (grouped ? 2 : 1) * kinds) {
                shaped = false;
                return false;
            }
            const Instant day = Instant::of(values[0], values[0].typeId());
            char validite = 0;
            if (values[1].typeId() == QMetaType::QString) {
                const QString &text = *static_cast<const QString *>(values[1].constData());
                if (text.size() == 1 && text[0].unicode() < 0x80)
                    validite = char(text[0].unicode());
            }
            for (size_t k = 0; k < kinds; ++k) {
                if (grouped) {
                    const qlonglong rows = values[2 + k].toLongLong();
                    const QVariant &greatest = values[2 + kinds + k];
                    if (rows > 0)
                        m_figures[k].add(rows, greatest, greatest.typeId(), day, validite);
                } else if (const int type = values[2 + k].typeId();
                           type != QMetaType::UnknownType) {
                    m_figures[k].add(1, values[2 + k], type, day, validite);
                }
            }
            return true;
        };
        if (grouped) {
            // A few thousand groups: read at once, which lets the server use its parallel
            // workers (a cursor would not).
            const RecordTable groups = db.ExtraireRecords(sql);
            if (!groups.ok())
                return false;
            for (int r = 0; r < groups.rowCount(); ++r) {
                if (!add(&groups.at(r, 0), groups.columnCount()))
                    return false;
            }
        } else if (!db.readRecords(sql, add) || !shaped) {
            return false;
        }
        for (size_t k = 0; k < kinds; ++k) {
            const KindFigures &f = m_figures[k];
            HistoriqueRow &row = rows[m_rows[k]];
            row.cells[DebHisto] = f.first.text();
            row.cells[FinHisto] = f.last.text();
            row.cells[Valeurs] = f.count == 0 ? QString() : QString::number(f.count);
            row.cells[Controle] = f.controlled.text();
            row.cells[Validation] = f.validated.text();
            if (!f.maximum.isNull()) {
                row.cells[DateMax] = f.dayOfMaximum.text();
                row.cells[Max] = numberText(f.maximum);
            }
        }
        return true;
    }

private:
    std::vector<size_t> m_rows; // the summary rows of the kinds shown
    QStringList m_columns;
    std::vector<KindFigures> m_figures;
};

// The year's counts and sums, in one pass over the year's rows (the index on DateCreation
// finds them): the sums stay with the engine, whose way of adding they must keep.
void fillYear(AccesBase &db, const QString &table, int year, const std::vector<DataKind> &kinds,
              std::vector<HistoriqueRow> &rows)
{
    QString inYear;
    {
        const ScopedConnectionKind kind(db);
        const QString first = FormatDateSQL(QStringLiteral("01/01/%1").arg(year), false);
        // Up to 31/12 included, times of day on 31/12 too.
        const QString next = FormatDateSQL(QStringLiteral("01/01/%1").arg(year + 1), false);
        if (first.isEmpty() || next.isEmpty())
            return;
        inYear = QStringLiteral(" WHERE DateCreation >=%1 AND DateCreation <%2").arg(first, next);
    }
    Aggregates aggregates;
    for (size_t r = 0; r < kinds.size(); ++r) {
        if (rows[r].hidden)
            continue;
        const QString &c = kinds[r].column;
        aggregates.add(r, ValeursAnnee, CellFormat::Count, QStringLiteral("count(%1)").arg(c));
        // Cumulation and rainy rows only mean something for rainfall.
        if (kinds[r].parameter <= 2) {
            aggregates.add(r, CumulAnnee, CellFormat::Number, sumOf(c, db.dialect()));
            aggregates.add(r, NbJoursAnnee, CellFormat::Count,
                           QStringLiteral("count(iif(%1 > 0, 1, Null))").arg(c));
        }
    }
    aggregates.fill(db, QStringLiteral(" FROM ") + table + inYear, rows);
}

} // namespace

std::array<HistoriqueHeader, kHistoriqueColumnCount> historiqueHeaders(int year)
{
    const QString y = QString::number(year);
    return {{{QStringLiteral("Donnée"), 24, false},
             {QStringLiteral("Deb histo"), 11, false},
             {QStringLiteral("Fin histo"), 12, false},
             {QStringLiteral("Valeurs"), 8, true},
             {QStringLiteral("Valeurs ") + y, 12, true},
             {QStringLiteral("Cumul ") + y, 12, true},
             {QStringLiteral("Nb Jours ") + y, 12, true},
             {QStringLiteral("Contrôle"), 10, false},
             {QStringLiteral("Validation"), 10, false},
             {QStringLiteral("Date Max"), 10, false},
             {QStringLiteral("Max"), 8, true}}};
}

std::vector<HistoriqueRow> computeHistorique(AccesBase &db, const QString &code, int year)
{
    const std::vector<DataKind> kinds = dataKinds(db);
    std::vector<HistoriqueRow> rows(kinds.size());
    for (size_t r = 0; r < kinds.size(); ++r) {
        rows[r].cells[Donnee] = kinds[r].label;
        rows[r].hidden = kinds[r].label.isEmpty();
    }
    const QString table = measurementTableName(code);
    // Asking the catalog keeps a station without measurements free of failing statements.
    if (table.isEmpty() || !db.tableExists(table))
        return rows;

    fillYear(db, table, year, kinds, rows);
    WholeTable(kinds, rows).fill(db, table, rows);
    return rows;
}

} // namespace plx
