#include "run/runoptions.h"

#include "db/accesbase.h"

#include "config/settings.h"
#include "schema/periodes.h"

#include <QDir>
#include <QStandardPaths>

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

QString dataSubfolder(const char *name)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return withTrailingSeparator(
        QDir::toNativeSeparators(data + QLatin1Char('/') + QLatin1String(name)));
}

} // namespace

RunOptions &runOptions()
{
    static RunOptions options;
    return options;
}

QString defaultTemplateFolder()
{
    return dataSubfolder("modeles");
}

QString defaultOutputFolder()
{
    return dataSubfolder("editions");
}

QString withTrailingSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QDir::separator();
}

// PERIODES is shared by every user, so the shared month wins. A database that has none yet
// takes the option's month as its shared one, so that the calendar and the option agree.
static QString hydroStartMonth(const QString &option)
{
    AccesBase &db = AccesBase::instance();
    const RecordTable shared = db.ExtraireRecords(QStringLiteral(
        "SELECT count(*) from PARAMETRES WHERE ucase(module)='PLX' and "
        "ucase(identifiant)='MOISDEBUTANNEEHYDRO'"));
    if (shared.ok() && shared.rowCount() == 1 && shared.at(0, 0).toInt() > 0)
        return readHydroStartMonth(db);
    const QString month = normaliseHydroMonth(option);
    if (shared.ok())
        writeHydroStartMonth(db, month, currentLogin());
    return month;
}

void loadRunOptions()
{
    RunOptions options;
    options.altitudesNgf = is(read("Affichage"), "NGF");
    options.exploitationAep = read("ExploitationAEP");
    // Reports work out of the box: unset folders fall back to the user's data folder.
    options.cheminEdition = folder("CheminEdition");
    if (options.cheminEdition.trimmed().isEmpty())
        options.cheminEdition = defaultOutputFolder();
    options.cheminModeles = folder("CheminModeles");
    if (options.cheminModeles.trimmed().isEmpty())
        options.cheminModeles = defaultTemplateFolder();
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
    options.moisDebutAnneeHydro = hydroStartMonth(read("MoisDebutAnneeHydro"));
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
