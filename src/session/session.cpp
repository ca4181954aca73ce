#include "session/session.h"

#include "db/sqltext.h"

namespace plx {

namespace {

const QLatin1String kForbidden("_FORBIDEN");

} // namespace

UserSession &session()
{
    static UserSession current;
    return current;
}

bool UserSession::hasRight(const QString &right) const
{
    const QString wanted = right.trimmed().toUpper();
    // A module ban is a right of its own, never implied by the others.
    if (wanted.endsWith(kForbidden))
        return rights.contains(wanted);
    if (isAdmin || rights.contains(wanted))
        return true;
    // PLUVIO_ALL (PIEZO_ALL, ...) holds every right of its family.
    const qsizetype cut = wanted.indexOf(QLatin1Char('_'));
    return cut > 0 && rights.contains(wanted.left(cut) + QStringLiteral("_ALL"));
}

QString UserSession::stationScopeCondition() const
{
    if (!hasStationScope || isAdmin || login.isEmpty())
        return QString();
    // Logins are compared as Access did, whatever the case of the stored rows.
    return QStringLiteral("PLUVIOMETRES.CodePluviometre in (select cint(identifiant) from "
                          "utilisateurs_stations where ucase(login)=ucase(%1) and "
                          "ucase(typestation)='PLUVIO')")
        .arg(sqlQuote(login));
}

QString UserSession::stationScopeClause() const
{
    const QString condition = stationScopeCondition();
    return condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
}

} // namespace plx
