#pragma once

#include <QDate>
#include <QTime>
#include <QVariant>

#include <utility>

namespace plx {

// One row of a result read in place: a cell is converted only when asked, and only to what
// the reader needs, so that ten thousand rows do not cost a QVariant per cell. Valid only
// during the call that hands it over.
class RowCells
{
public:
    virtual int count() const = 0;
    virtual bool isNull(int column) const = 0;
    virtual double number(int column) const = 0;
    // A text cell's first character that is not a space, null when there is none.
    virtual QChar firstChar(int column) const = 0;
    // A date-time cell as its day and time of day, both invalid when the cell is null or
    // not a date.
    virtual std::pair<QDate, QTime> dayAndTime(int column) const = 0;
    // The cell as a whole-result read gives it.
    virtual QVariant value(int column) const = 0;

protected:
    ~RowCells() = default;
};

// The cells of a row already read into values (engines without their own reader).
class VariantCells final : public RowCells
{
public:
    VariantCells(const QVariant *values, int count) : m_values(values), m_count(count) {}

    int count() const override { return m_count; }
    bool isNull(int column) const override { return m_values[column].isNull(); }
    double number(int column) const override { return m_values[column].toDouble(); }
    QChar firstChar(int column) const override;
    std::pair<QDate, QTime> dayAndTime(int column) const override;
    QVariant value(int column) const override { return m_values[column]; }

private:
    const QVariant *m_values;
    int m_count;
};

} // namespace plx
