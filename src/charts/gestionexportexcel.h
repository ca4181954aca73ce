#pragma once

#include "charts/chartengine.h"

#include <QString>

namespace plx {

// The export options of a chart, as the user last set them: which data are shown, the axis
// labels and formats, the font sizes. Read from the user's settings (per login once
// connected) when a chart is created; changing a property here does not write it back.
class GestionExportExcel
{
public:
    // Writes the defaults on a user's first chart ("InitOptionExcel" empty; then
    // "AfficherDonneesNonValidees" empty for the three data options), then reads every
    // option. Writes nothing for a user who already has them.
    void load();

    bool AfficherDonneesInterpretees = false;
    bool AfficherDonneesIncorrectes = false;
    bool AfficherDonneesNonValidees = false;
    qint16 Unite = 0;
    QString TypeAxeXAnnee;
    QString FormatAxeXAnnee;
    QString TypeAxeX;
    QString FormatAxeX;
    bool AfficherAxeProfondeur = false;
    bool AfficherTitreAxeProfondeur = false;
    QString LibelleAxeProfondeur;
    bool AfficherAxeNGF = false;
    bool AfficherTitreAxeNGF = false;
    QString LibelleAxeNGF;
    bool AfficherTitre = false;
    bool AfficherAquifere = false;
    bool AfficherLegende = false;
    QString LibelleAxeVolume;
    QString LibelleAxeDebit;
    QString LibelleAxeRabattement;
    qint16 TaillePoliceAxes = 7;
    qint16 TaillePoliceTitre = 14;
};

// Which rows the statistics engine lets into a chart, from the user's export options.
DataSelection dataSelection(const GestionExportExcel &options);

} // namespace plx
