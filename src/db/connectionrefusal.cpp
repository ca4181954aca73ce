#include "db/connectionrefusal.h"

namespace plx {

namespace {

QString protectedAccessLead()
{
    return QStringLiteral("Ce fichier Access est protégé par un mot de passe : ");
}

QString unsafeQuotingLead()
{
    return QStringLiteral("Connexion refusée : le serveur PostgreSQL n'accepte pas le réglage "
                          "« standard_conforming_strings = on »");
}

} // namespace

QString protectedAccessFileRefusal(const QString &fileName, const QString &archiveName)
{
    QString file = QStringLiteral("« %1 »").arg(fileName);
    if (!archiveName.isEmpty())
        file += QStringLiteral(" (archive « %1 »)").arg(archiveName);
    return protectedAccessLead()
           + QStringLiteral("%1 ne peut pas être lu. Ouvrez-le dans Access, retirez le mot "
                            "de passe (« Déchiffrer la base de données », ou « Annuler le mot "
                            "de passe de la base de données » dans les versions 97 à 2003), "
                            "puis réessayez.")
                 .arg(file);
}

QString unsafeQuotingRefusal(const QString &serverSays)
{
    return unsafeQuotingLead()
           + QStringLiteral(" (%1). Sans lui, une barre oblique inverse dans un texte saisi "
                            "pourrait changer le sens des requêtes. Demandez à l'administrateur "
                            "du serveur d'activer ce réglage.")
                 .arg(serverSays.trimmed());
}

bool isConnectionRefusal(const QString &error)
{
    return error.startsWith(protectedAccessLead()) || error.startsWith(unsafeQuotingLead());
}

} // namespace plx
