#include "run/runoptions.h"

#include "config/settings.h"
#include "measures/periodes.h"

#include <QDir>

namespace plx {

namespace {

QString read(const char *key, bool keepCase = false)
{
    return LireParametre(QString::fromLatin1(key), {}, keepCase);
}

bool is(const QString &value, const char *flag)
{
    return value.trimmed().compare(QLatin1String(flag), Qt::CaseInsensitive) == 0;
}

QString folder(const char *key)
{
    // Paths keep their case: on Linux "/home/u/Modeles" is not "/HOME/U/MODELES".
    return withTrailingSeparator(read(key, true));
}

} // namespace

RunOptions &runOptions()
{
    static RunOptions options;
    return options;
}

QString withTrailingSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QDir::separator();
}

void loadRunOptions()
{
    RunOptions options;
    options.altitudesNgf = is(read("Affichage"), "NGF");
    options.exploitationAep = read("ExploitationAEP");
    options.cheminEdition = folder("CheminEdition");
    options.cheminModeles = folder("CheminModeles");
    options.cheminExport = folder("CheminExport");
    options.cheminR = folder("CheminR");
    options.cheminPhotos = folder("CheminPhotos");
    options.cheminDocuments = folder("CheminDocuments");
    const QString naming = read("Nommage_Fichier").trimmed();
    if (!naming.isEmpty())
        options.nommageFichier = naming.toInt();
    options.fichierDonneesCR2M = read("FichierDonneesCR2M", true);
    options.fichierAppelCR2M = read("FichierAppelCR2M", true);
    options.pointOk = is(read("Point_Ok"), "OUI");
    options.moisDebutAnneeHydro = normaliseHydroMonth(read("MoisDebutAnneeHydro"));
    options.fichierAide = read("FichierAide", true);
    options.affichageProfondeur = is(read("AffichageProfondeur"), "1");
    options.donneesPhysicoChimique = read("donneesPhysicoChimique");
    options.donneesHydroBio = read("donneesHydroBio");
    if (options.donneesPhysicoChimique.isEmpty() && options.donneesHydroBio.isEmpty()) {
        options.donneesPhysicoChimique = options.donneesHydroBio = QStringLiteral("OUI");
        EcrireParametre(QStringLiteral("donneesPhysicoChimique"), options.donneesPhysicoChimique);
        EcrireParametre(QStringLiteral("donneesHydroBio"), options.donneesHydroBio);
    }
    const QString waterBodies = read("AffichageMasseEau").trimmed();
    if (!waterBodies.isEmpty())
        options.affichageMasseEau = waterBodies != QLatin1String("0");
    options.contexteInternational = read("ContexteInternational");
    options.idStationAvecDesignation = read("IdStationAvecDesignation");
    runOptions() = options;
}

} // namespace plx
