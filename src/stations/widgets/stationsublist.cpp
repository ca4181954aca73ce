#include "stations/widgets/stationsublist.h"

#include "stations/widgets/sublistform.h"
#include "stations/widgets/sublistgrid.h"
#include "stations/widgets/sublistphotos.h"

namespace plx {

std::vector<StationSubList *> createStationSubLists(QWidget *parent)
{
    return {new SubListGrid(SubListTab::Intervenants, QStringLiteral("Intervenants"), parent),
            new SubListGrid(SubListTab::Reseaux, QStringLiteral("Reseaux"), parent),
            new SubListGrid(SubListTab::ModesMesures, QStringLiteral("ModesMesures"), parent),
            new SubListGrid(SubListTab::Localisations, QStringLiteral("Localisations"), parent),
            new SubListGrid(SubListTab::Normales, QStringLiteral("Normales"), parent),
            new SubListGrid(SubListTab::Documents, QStringLiteral("Documents"), parent),
            new SubListPhotos(parent),
            new SubListForm(SubListTab::Ouvrage, QStringLiteral("Ouvrage"), parent),
            new SubListGrid(SubListTab::Interventions, QStringLiteral("Interventions"), parent)};
}

} // namespace plx
