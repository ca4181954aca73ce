#include "stations/widgets/fichepluviometre.h"

namespace plx {

FichePluviometre::FichePluviometre(QWidget *parent) : QWidget(parent) {}
FichePluviometre::~FichePluviometre() = default;

bool FichePluviometre::ChargementFichePluviometre(const QString &)
{
    return false;
}

QString FichePluviometre::stationCode() const
{
    return QString();
}

void FichePluviometre::setNeighbourLookup(NeighbourLookup) {}

} // namespace plx
