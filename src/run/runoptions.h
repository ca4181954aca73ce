#pragma once

#include <QString>

namespace plx {

// The suite options read once after login (per-user values win over the workstation's)
// and kept for the run. Screens read them here rather than through LireParametre.
struct RunOptions
{
    bool altitudesNgf = false;    // Affichage = "NGF": altitudes in the NGF datum
    QString exploitationAep;      // ExploitationAEP
    // Folders, each ending with a separator so that a file name can be appended.
    QString cheminEdition;        // printed outputs
    QString cheminModeles;        // document templates
    QString cheminExport;
    QString cheminR;              // the statistics tool
    QString cheminPhotos;
    QString cheminDocuments;
    int nommageFichier = 0;       // Nommage_Fichier: file naming mode
    QString fichierDonneesCR2M;
    QString fichierAppelCR2M;
    bool pointOk = false;         // Point_Ok = "OUI": show the decimal point as entered
    QString moisDebutAnneeHydro = QStringLiteral("09"); // "01" to "12"
    QString fichierAide;          // FichierAide: help folder or web address
    bool affichageProfondeur = false; // AffichageProfondeur = "1": depths rather than levels
    QString donneesPhysicoChimique;
    QString donneesHydroBio;
    bool affichageMasseEau = true; // AffichageMasseEau: false only when "0"
    QString contexteInternational;
    QString idStationAvecDesignation;

    // The first month of the hydrological year as a number, 1 to 12.
    int hydroStartMonth() const { return moisDebutAnneeHydro.toInt(); }
};

// The options of the run; defaults before login.
RunOptions &runOptions();

// Reads every option with LireParametre and applies its rule (see the fields). When both
// quality data families are empty they are written as "OUI".
void loadRunOptions();

// The folders used while "CheminModeles" and "CheminEdition" are unset: "modeles" and
// "editions" in the user's data folder, with a trailing separator. Not created here.
QString defaultTemplateFolder();
QString defaultOutputFolder();

// A folder with a trailing separator: kept as it is when it already ends in "\" or "/",
// empty when empty.
QString withTrailingSeparator(const QString &folder);

} // namespace plx
