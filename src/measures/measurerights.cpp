#include "measures/measurerights.h"

#include "base/messages.h"
#include "session/session.h"

namespace plx {

bool mayConsultMeasures()
{
    if (session().hasRight(QStringLiteral("PLUVIO_DATA_CONSULT")) ||
        session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF")))
        return true;
    showMessage(MessageKind::Erreur, QStringLiteral("Vous ne disposez pas des droits nécessaires "
                                                    "pour consulter les mesures."));
    return false;
}

} // namespace plx
