#include "measures/historique.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "measures/measurementtable.h"
#include "measures/parameterlabels.h"
#include "schema/schemacatalog.h"

#include <QDateTime>
#include <QStringList>

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

class SummaryQuery
{
public:
    SummaryQuery(AccesBase &db, const QString &table, int year) : m_db(db), m_table(table)
    {
        const ScopedConnectionKind kind(db);
        const QString first = FormatDateSQL(QStringLiteral("01/01/%1").arg(year), false);
        // Up to 31/12 included, times of day on 31/12 too.
        const QString next = FormatDateSQL(QStringLiteral("01/01/%1").arg(year + 1), false);
        if (!first.isEmpty() && !next.isEmpty())
            m_inYear =
                QStringLiteral(" WHERE DateCreation >=%1 AND DateCreation <%2").arg(first, next);
    }

    // The counts and dates of every kind in one pass over the table, then the year's counts
    // and sums in one pass over the year's rows (the index on DateCreation finds them).
    // False when the pass over the table failed.
    bool fillAggregates(const std::vector<DataKind> &kinds, std::vector<HistoriqueRow> &rows)
    {
        Aggregates whole, year;
        for (size_t r = 0; r < kinds.size(); ++r) {
            if (!rows[r].hidden)
                addAggregates(r, kinds[r], whole, year);
        }
        const QString from = QStringLiteral(" FROM ") + m_table;
        if (!m_inYear.isEmpty())
            year.fill(m_db, from + m_inYear, rows);
        return whole.fill(m_db, from, rows);
    }

    // Among equal maxima, the earliest instant.
    void fillMaximum(const DataKind &kind, HistoriqueRow &row)
    {
        const RecordTable t = m_db.ExtraireRecords(
            QStringLiteral("SELECT TOP 1 DateCreation, %1 FROM %2 WHERE %1 is not null "
                           "ORDER BY %1 DESC, DateCreation, Heure")
                .arg(kind.column, m_table));
        if (!t.ok() || t.rowCount() == 0)
            return;
        row.cells[DateMax] = dateText(t.at(0, 0));
        row.cells[Max] = numberText(t.at(0, 1));
    }

private:
    void addAggregates(size_t row, const DataKind &kind, Aggregates &whole, Aggregates &year)
    {
        const QString &c = kind.column;
        const QString present = c + QStringLiteral(" is not null");
        const auto dateWhen = [](const QString &condition) {
            return QStringLiteral("iif(%1, DateCreation, Null)").arg(condition);
        };
        whole.add(row, DebHisto, CellFormat::Date,
                  QStringLiteral("min(%1)").arg(dateWhen(present)));
        whole.add(row, FinHisto, CellFormat::Date,
                  QStringLiteral("max(%1)").arg(dateWhen(present)));
        whole.add(row, Valeurs, CellFormat::Count, QStringLiteral("count(%1)").arg(c));
        whole.add(
            row, Controle, CellFormat::Date,
            QStringLiteral("max(%1)").arg(dateWhen(present + QStringLiteral(" AND Validite='C'"))));
        whole.add(
            row, Validation, CellFormat::Date,
            QStringLiteral("max(%1)").arg(dateWhen(present + QStringLiteral(" AND Validite='V'"))));

        year.add(row, ValeursAnnee, CellFormat::Count, QStringLiteral("count(%1)").arg(c));
        // Cumulation and rainy rows only mean something for rainfall.
        if (kind.parameter <= 2) {
            year.add(row, CumulAnnee, CellFormat::Number, sumOf(c, m_db.dialect()));
            year.add(row, NbJoursAnnee, CellFormat::Count,
                     QStringLiteral("count(iif(%1 > 0, 1, Null))").arg(c));
        }
    }

    AccesBase &m_db;
    QString m_table;
    QString m_inYear;
};

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

    SummaryQuery query(db, table, year);
    const bool counted = query.fillAggregates(kinds, rows);
    for (size_t r = 0; r < kinds.size(); ++r) {
        // A kind without any value has no maximum: its scan is saved.
        const bool empty = counted && rows[r].cells[Valeurs].isEmpty();
        if (!rows[r].hidden && !empty)
            query.fillMaximum(kinds[r], rows[r]);
    }
    return rows;
}

} // namespace plx
