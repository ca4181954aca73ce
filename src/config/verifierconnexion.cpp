#include "config/verifierconnexion.h"

#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/connectionrefusal.h"

namespace plx {

namespace {

const QLatin1String kOracle("ORACLE");

void show(const TextSink &sink, const QString &text)
{
    if (sink)
        sink(text);
}

} // namespace

bool VerifierConnexion(const TextSink &showState, const TextSink &showDatabase)
{
    ConnectionProfile &profile = runProfile();
    show(showState, QStringLiteral("Connexion Base"));

    // The run profile only says "ORACLE"; the connection needs the exact variant.
    QString kind = profile.kind;
    if (kind == kOracle) {
        const QString variant = LireParametre(QStringLiteral("TypeBase"));
        if (variant.startsWith(kOracle))
            kind = variant;
    }
    show(showState, QStringLiteral("Vérification de l'état de la connexion: %1 (%2)")
                        .arg(kind, profile.database));

    ConnectionProfile attempt = profile;
    attempt.kind = kind;
    attempt.applicationName = QStringLiteral("PLXReader");
    AccesBase &db = AccesBase::instance();
    QString why;
    if (!db.Connecter(attempt, &why)) {
        // A refusal (a protected Access file, an unsafe server) says itself what to do.
        showMessage(MessageKind::Erreur,
                    isConnectionRefusal(why)
                        ? why
                        : QStringLiteral("La connexion à la base de données (%1) n'a pas "
                                         "fonctionné. Vérifiez le paramétrage dans "
                                         "l'administration du logiciel.")
                              .arg(kind));
        return false;
    }

    profile.kind = kind.left(6) == kOracle ? QString(kOracle) : kind;
    profile.applicationName = attempt.applicationName;
    show(showState, QStringLiteral("Mise à jour de l'information de la base utilisée"));
    const bool onServer = kind != QLatin1String("ACCESS") && !profile.server.isEmpty();
    show(showDatabase, onServer ? profile.server + QLatin1Char('/') + profile.database
                                : profile.database);
    // E.g. an Access file read into a working copy: the user must know where changes go.
    if (!db.connectionNotice().isEmpty())
        showMessage(MessageKind::Aide, db.connectionNotice());
    return true;
}

} // namespace plx
