#include "charts/gestionexportexcel.h"

#include "config/settings.h"

#include <utility>

namespace plx {

namespace {

QString text(const char *key)
{
    // Labels are shown as typed: no upper-casing from the machine store.
    return LireParametre(QString::fromLatin1(key), {}, true);
}

bool flag(const char *key)
{
    return text(key).trimmed() == QLatin1String("1");
}

qint16 integer(const char *key, qint16 whenEmpty)
{
    const QString value = text(key).trimmed();
    return value.isEmpty() ? whenEmpty : value.toShort();
}

void writeDefaults(std::initializer_list<std::pair<const char *, const char *>> defaults)
{
    for (const auto &[key, value] : defaults)
        EcrireParametre(QString::fromLatin1(key), QString::fromUtf8(value));
}

} // namespace

void GestionExportExcel::load()
{
    // The first chart a user opens writes the defaults, in this order, so that the options
    // dialog shows them; later charts read back whatever the user changed.
    if (text("InitOptionExcel").isEmpty())
        writeDefaults({{"InitOptionExcel", "1"},
                       {"AfficherAquifere", "1"},
                       {"AfficherLegende", "1"},
                       {"AfficherTitre", "1"},
                       {"AfficherAxeProfondeur", "1"},
                       {"AfficherTitreAxeProfondeur", "1"},
                       {"LibelleAxeProfondeur", "Profondeur en m"},
                       {"AfficherAxeNGF", "1"},
                       {"AfficherTitreAxeNGF", "1"},
                       {"LibelleAxeNGF", "Cotes NGF en m"},
                       {"TypeAxeX", "AUTO"},
                       {"FormatAxeX", ""},
                       {"TypeAxeXAnnee", "AUTO"},
                       {"FormatAxeXAnnee", ""},
                       {"Unite", ""},
                       {"FormatCourbe", ""},
                       {"LibelleAxeVolume", "Volume en m3"},
                       {"LibelleAxeDebit", "Débit en m3/s"},
                       {"LibelleAxeRabattement", "Rabattement"},
                       {"TaillePoliceAxes", "7"},
                       {"TaillePoliceTitre", "14"}});

    AfficherAquifere = flag("AfficherAquifere");
    AfficherLegende = flag("AfficherLegende");
    AfficherTitre = flag("AfficherTitre");
    AfficherAxeProfondeur = flag("AfficherAxeProfondeur");
    AfficherTitreAxeProfondeur = flag("AfficherTitreAxeProfondeur");
    LibelleAxeProfondeur = text("LibelleAxeProfondeur");
    AfficherAxeNGF = flag("AfficherAxeNGF");
    AfficherTitreAxeNGF = flag("AfficherTitreAxeNGF");
    LibelleAxeNGF = text("LibelleAxeNGF");
    TypeAxeX = text("TypeAxeX");
    FormatAxeX = text("FormatAxeX");
    TypeAxeXAnnee = text("TypeAxeXAnnee");
    FormatAxeXAnnee = text("FormatAxeXAnnee");
    Unite = integer("Unite", 0);

    // Users who had charts before these three options existed get them on their next chart.
    if (text("AfficherDonneesNonValidees").isEmpty())
        writeDefaults({{"AfficherDonneesNonValidees", "1"},
                       {"AfficherDonneesIncorrectes", "1"},
                       {"AfficherDonneesInterpretees", "1"}});
    AfficherDonneesNonValidees = flag("AfficherDonneesNonValidees");
    AfficherDonneesIncorrectes = flag("AfficherDonneesIncorrectes");
    AfficherDonneesInterpretees = flag("AfficherDonneesInterpretees");

    LibelleAxeVolume = text("LibelleAxeVolume");
    LibelleAxeDebit = text("LibelleAxeDebit");
    LibelleAxeRabattement = text("LibelleAxeRabattement");

    // A size cleared by hand falls back to the default rather than to a zero-point font.
    TaillePoliceAxes = integer("TaillePoliceAxes", 7);
    TaillePoliceTitre = integer("TaillePoliceTitre", 14);
}

DataSelection dataSelection(const GestionExportExcel &options)
{
    DataSelection selection;
    selection.unvalidated = options.AfficherDonneesNonValidees;
    selection.incorrect = options.AfficherDonneesIncorrectes;
    selection.interpreted = options.AfficherDonneesInterpretees;
    return selection;
}

} // namespace plx
