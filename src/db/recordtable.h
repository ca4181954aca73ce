#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace plx {

// Rows of a SELECT: 0-based rows x columns in SELECT-list order. A database NULL is a
// null QVariant. Values are QString, qlonglong, double, or QDateTime for date-times.
// Date-times are wall-clock values carried with Qt::UTC as a plain label: no zone
// conversion ever applies to them (a 02:30 on a spring-forward night, or a time on
// 30/12/1899, reads back exactly as written).
class RecordTable
{
public:
    bool ok() const { return m_ok; }
    const QString &error() const { return m_error; }

    int rowCount() const { return m_columns.isEmpty() ? 0 : int(m_values.size() / m_columns.size()); }
    int columnCount() const { return int(m_columns.size()); }
    const QStringList &columnNames() const { return m_columns; }
    // Case-insensitive, as Access names are; -1 when absent.
    int columnIndex(const QString &name) const;

    const QVariant &at(int row, int column) const { return m_values[size_t(row) * m_columns.size() + column]; }
    // The value as the caller would concatenate it into text: NULL gives "".
    QString text(int row, int column) const;

    // Filled by the engines.
    void setColumns(const QStringList &columns) { m_columns = columns; }
    void reserveRows(qsizetype rows) { m_values.reserve(size_t(rows) * m_columns.size()); }
    void append(QVariant value) { m_values.push_back(std::move(value)); }
    void fail(const QString &error);

private:
    QStringList m_columns;
    std::vector<QVariant> m_values;
    QString m_error;
    bool m_ok = true;
};

} // namespace plx
