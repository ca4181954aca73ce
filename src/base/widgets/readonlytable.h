#pragma once

class QTableView;

namespace plx {

// The look of the read-only result grids (history, journal, situation): whole rows
// selected, no row numbers, rows one line of text high, alternating colours, the last
// column taking the remaining width.
void setUpReadOnlyTable(QTableView *table);

} // namespace plx
