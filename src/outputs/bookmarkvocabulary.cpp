#include "outputs/bookmarkvocabulary.h"

namespace plx {

const QStringList &stationVocabulary()
{
    static const QStringList words = [] {
        QStringList list;
        for (const char *word :
             {// identification and localisation
              "CODE_PLUVIO", "NOM_PLUVIO", "DATE_CREATION", "DATE_FERMETURE", "COORDONNEE_X",
              "COORDONNEE_Y", "COORDONNEE_Z", "C_PROJECTION", "TYPE_PROJECTION", "C_EXP_MESURE",
              "COMMENTAIRE_PLUVIO", "COMMENTAIRE", "C_COMMUNE_DEC", "COMMUNE_DEC", "C_COMMUNE",
              "COMMUNE", "DEPARTEMENT", "IDENTIFIANT",
              // contact
              "C_CONTACT", "NOM_CONTACT", "ADRESSE_CONTACT", "BUREAU_CONTACT", "PORTABLE_CONTACT",
              "EMAIL_CONTACT", "TEL_CONTACT", "FAX_CONTACT",
              // networks and managers
              "C_RESEAU", "RESEAU", "LISTE_RESEAUX", "HISTO_RESEAUX", "C_COGESTIONNAIRE",
              "COGESTIONNAIRE", "REF_COGESTIONNAIRE", "C_GESTIONNAIRE", "GESTIONNAIRE",
              "REF_GESTIONNAIRE",
              // measurement mode
              "C_METHODE", "METHODE", "C_PERIODICITE", "PERIODICITE",
              // pictures and maps
              "PHOTO_SITE", "PHOTO_REPERE", "PHOTO_CARTE", "PHOTO_STATION", "LISTE_PHOTOS", "PHOTO",
              "CARTE_IGN", "CARTE_GEOLOGIQUE", "PARCELLE", "SECTION",
              // bulletins
              "TITRE_G_BULLETIN", "COMMENT_G_BULLETIN", "AUTEUR_G_BULLETIN", "DATE_G_BULLETIN",
              "TITRE_BULLETIN", "COMMENT_BULLETIN", "AUTEUR_BULLETIN", "DATE_BULLETIN",
              // access and equipment
              "COND_ACCES", "AMENAGEMENT", "CLE_ACCES", "CENTRALE_FOURN", "CENTRALE",
              "CAPTEUR_FOURN", "CAPTEUR",
              // the document itself
              "DATE_EDITION", "DATE_CALCUL", "DEB_RECERCHE_HISTO", "FIN_RECERCHE_HISTO", "DOC_ID",
              "NOM_LOGIN", "LOGIN", "ORGANISME"})
            list << QString::fromLatin1(word);
        return list;
    }();
    return words;
}

const QStringList &bookmarkFamilies()
{
    static const QStringList prefixes = [] {
        QStringList list;
        for (const char *prefix : {"NET_", "SIRET_", "INTER_", "COORDONNEE_X_", "COORDONNEE_Y_",
                                   "C_", "DEB_", "FIN_", "REF_"})
            list << QString::fromLatin1(prefix);
        return list;
    }();
    return prefixes;
}

QString vocabularyWordOf(const QString &upperName)
{
    QString best;
    for (const QString &word : stationVocabulary()) {
        if (word.size() > best.size() && upperName.startsWith(word))
            best = word;
    }
    for (const QString &prefix : bookmarkFamilies()) {
        if (prefix.size() >= best.size() && upperName.startsWith(prefix))
            return QString();
    }
    return best;
}

} // namespace plx
