#pragma once

#include "measures/measurerow.h"

#include <QString>
#include <QStringList>

namespace plx {

// The check that follows each edit of a cell of the validation grid: text is what the
// user typed (or pasted) in column, a date, a time or a number ("," or "." as decimal
// mark; empty clears the value). The row is changed as the rules say (negative rainfall
// made positive, effective rainfall kept at or below rainfall, Obtention "M", dirty set,
// red set or cleared from the date and time) and the messages to show, in order, come
// back; each is an error box. Text that is not a number leaves the cell as it was, with a
// message. Columns other than 1 to 8 are not edited by typing.
QStringList applyCellText(MeasureRow &row, int column, const QString &text);

// The break toggle of column 9: "R" <-> nothing, red cleared, Obtention "M", dirty set.
void toggleRupture(MeasureRow &row);

// A row appended by the insertion button: empty, Obtention "M", dirty.
MeasureRow insertedRow();

} // namespace plx
