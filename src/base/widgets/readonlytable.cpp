#include "base/widgets/readonlytable.h"

#include <QHeaderView>
#include <QTableView>

namespace plx {

void setUpReadOnlyTable(QTableView *table)
{
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setAlternatingRowColors(true);
    table->horizontalHeader()->setStretchLastSection(true);
}

} // namespace plx
