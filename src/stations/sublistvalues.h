#pragma once

#include "stations/sublists.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

namespace plx {

// How one cell of a sub-list is shown, read and written. A cell holds either the value as
// loaded (QString, qlonglong, double, QDateTime or null) or the text typed in the grid;
// both are accepted everywhere.

// The cell as the grid shows it (a code as its number: the label is the grid's business).
QString subListCellText(const SubListColumn &column, const QVariant &value);

// True for a checked yes/no cell (YesNo or Flag).
bool subListCellChecked(const QVariant &value);
// The value a yes/no cell takes when the user ticks or clears it.
QVariant subListCheckedValue(const SubListColumn &column, bool checked);

// True when the cell holds nothing (null or blank text).
bool subListCellEmpty(const QVariant &value);

// A date or time cell as a date-time; nullopt when empty or not a valid date.
std::optional<QDateTime> subListDateValue(const SubListColumn &column, const QVariant &value);
// A number, code or counter cell; nullopt when empty or not a number.
std::optional<double> subListNumberValue(const QVariant &value);

// The SQL literal of a cell ("NULL" when empty); "" with problem set to a French
// description ("n'est pas une date valide (jj/mm/aaaa)") when the cell cannot be written.
// column is null for a column of the table that the description does not know: its
// value is written back as it was read.
QString subListLiteral(const SubListColumn *column, const QVariant &value, QString *problem);

} // namespace plx
