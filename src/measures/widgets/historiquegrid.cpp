#include "measures/widgets/historiquegrid.h"

namespace plx {

HistoriqueGrid::HistoriqueGrid(QWidget *parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("SprHistorique"));
}

void HistoriqueGrid::calculHistorique(const QString &) {}

} // namespace plx
