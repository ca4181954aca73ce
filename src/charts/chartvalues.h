#pragma once

#include <QList>
#include <QMetaType>
#include <QVariant>

#include <algorithm>

namespace plx {

// The points of a chart-model curve: a columns x points table of variants, laid out as the
// chart screens build it (column 0 the date text, 1 the time text, 2 the value, 4 a marker
// flag). Cells start null.
class ChartValues
{
public:
    ChartValues() = default;
    ChartValues(int columns, int points)
        : m_columns(std::max(columns, 0)), m_points(std::max(points, 0)),
          m_cells(qsizetype(m_columns) * m_points)
    {
    }

    int columnCount() const { return m_columns; }
    int pointCount() const { return m_points; }
    bool isEmpty() const { return m_cells.isEmpty(); }

    // Out of range: a null value (read) or nothing (write).
    QVariant at(int column, int point) const
    {
        return contains(column, point) ? m_cells.at(index(column, point)) : QVariant();
    }
    void set(int column, int point, const QVariant &value)
    {
        if (contains(column, point))
            m_cells[index(column, point)] = value;
    }

    bool operator==(const ChartValues &other) const = default;

private:
    bool contains(int column, int point) const
    {
        return column >= 0 && column < m_columns && point >= 0 && point < m_points;
    }
    qsizetype index(int column, int point) const { return qsizetype(point) * m_columns + column; }

    int m_columns = 0;
    int m_points = 0;
    QList<QVariant> m_cells; // point-major: one point's columns side by side
};

} // namespace plx

Q_DECLARE_METATYPE(plx::ChartValues)
