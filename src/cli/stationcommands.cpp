#include "cli/stationcommands.h"

#include "base/locale.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "db/accesbase.h"
#include "session/session.h"
#include "stations/stationcodes.h"
#include "stations/stationdeletion.h"
#include "stations/stationrecord.h"
#include "stations/stationrenumber.h"

#include <QTextStream>

#include <cstdio>

namespace plx::cli {

namespace {

// A user given with --user needs the record-modify right; without one, whoever holds the
// database file or server account acts directly.
bool mayModify()
{
    if (!session().loggedIn() || session().hasRight(QStringLiteral("PLUVIO_FICHE_MODIF")))
        return true;
    print(stderr, QStringLiteral("Vous ne disposez pas des droits nécessaires pour modifier les "
                                 "pluviomètres.\n"));
    return false;
}

std::optional<StationRecord> existingStation(const QString &code)
{
    std::optional<StationRecord> record = loadStation(AccesBase::instance(), code);
    if (!record)
        print(stderr, QStringLiteral("Impossible de charger la fiche.\n"));
    return record;
}

QString numberText(std::optional<double> value)
{
    return value ? formatNumber(*value) : QString();
}

int listStations()
{
    const RecordTable rows = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT PLUVIOMETRES.CodePluviometre, PLUVIOMETRES.Identifiant, "
                       "PLUVIOMETRES.Nom, PLUVIOMETRES.DateCreation, PLUVIOMETRES.DateFermeture "
                       "FROM PLUVIOMETRES") +
        session().stationScopeClause() + QStringLiteral(" ORDER BY PLUVIOMETRES.CodePluviometre"));
    if (!rows.ok()) {
        print(stderr, rows.error() + QLatin1Char('\n'));
        return 1;
    }
    QString out = QStringLiteral("Num\tIdentifiant\tNom du site\tCréation\tFermeture\n");
    for (int r = 0; r < rows.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rows.columnCount(); ++c)
            cells << cellText(rows.at(r, c));
        out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    print(stdout, out);
    return 0;
}

int showStation(const QString &code)
{
    const std::optional<StationRecord> found = existingStation(code);
    if (!found)
        return 1;
    const StationRecord &s = *found;
    const std::pair<const char *, QString> fields[] = {
        {"Code interne", s.code},
        {"Nom du site", s.nom},
        {"Identifiant", s.identifiant},
        {"Identifiant international", s.codeQualitoInter},
        {"Date de création", s.dateCreation.isValid() ? formatDate(s.dateCreation) : QString()},
        {"Date de fermeture", s.dateFermeture.isValid() ? formatDate(s.dateFermeture) : QString()},
        {"X", numberText(s.x)},
        {"Y", numberText(s.y)},
        {"Projection", s.typeProjection ? QString::number(*s.typeProjection) : QString()},
        {"Altitude", numberText(s.altitude)},
        {"Commune", s.codeCommune},
        {"Commune de déclaration", s.codeCommuneDeclaration},
        {"Pays", s.codePays},
        {"Adresse", s.adresse},
        {"Contact", s.codeContact ? QString::number(*s.codeContact) : QString()},
        {"Carte IGN", s.carteIGN},
        {"Carte géologique", s.carteGeologique},
        {"Parcelle", s.parcelle},
        {"Section", s.section},
        {"Commentaire", s.commentaires},
        {"Dernière modification",
         s.dateMaj.isValid() ? formatDateTime(s.dateMaj) + QStringLiteral(" par ") + s.loginMaj
                             : QString()},
    };
    QString out;
    for (const auto &[label, value] : fields)
        out +=
            QString::fromUtf8(label) + QStringLiteral(" : ") + cellText(value) + QLatin1Char('\n');
    print(stdout, out);
    return 0;
}

int deleteCommand(const QString &code, bool yes)
{
    const std::optional<StationRecord> found = existingStation(code);
    if (!found || !mayModify())
        return 1;
    if (!yes && !confirmed(QStringLiteral("Etes vous sur de vouloir supprimer le pluviomètre ") +
                           found->nom + QStringLiteral(" et toutes les mesures qu'il possède ?"))) {
        print(stderr, QStringLiteral("Suppression abandonnée.\n"));
        return 1;
    }
    QString error;
    if (!deleteStation(AccesBase::instance(), found->code, {}, &error)) {
        print(stderr, QStringLiteral("La suppression du pluviomètre a échoué : ") + error +
                          QLatin1Char('\n'));
        return 1;
    }
    print(stdout, QStringLiteral("Le pluviomètre a été supprimé.\n"));
    return 0;
}

int renumberCommand(const QString &code, const QString &newCode)
{
    const std::optional<StationRecord> found = existingStation(code);
    if (!found || !mayModify())
        return 1;
    QString error;
    if (!renumberStation(AccesBase::instance(), found->code, newCode, {}, &error)) {
        print(stderr, error + QLatin1Char('\n'));
        return 1;
    }
    print(stdout, QStringLiteral("Le code interne %1 est devenu %2.\n").arg(found->code, newCode));
    return 0;
}

} // namespace

// plx station list|show|delete|renumber [BASE] ...: the record's operations, with the same
// rules and messages as the screen.
int stationCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty() || !options.hasDatabase || options.positional.isEmpty())
        return usageError(options);
    const QString action = options.positional.takeFirst();
    const QString code = takeValue(options, "--station");
    const QString newCode = takeValue(options, "--to");
    const bool yes = takeFlag(options, "--yes");
    const bool needsCode = action != QLatin1String("list");
    const bool known = action == QLatin1String("list") || action == QLatin1String("show") ||
                       action == QLatin1String("delete") || action == QLatin1String("renumber");
    if (!known || !options.positional.isEmpty() || (needsCode && code.isEmpty()) ||
        (action == QLatin1String("renumber") && newCode.isEmpty()))
        return usageError(options);
    if (needsCode && normalisedStationCode(code).isEmpty()) {
        print(stderr, QStringLiteral("Code de station invalide : %1\n").arg(code));
        return 2;
    }
    if (!connectDatabase(options))
        return 1;
    if (action == QLatin1String("list"))
        return listStations();
    if (action == QLatin1String("show"))
        return showStation(code);
    if (action == QLatin1String("delete"))
        return deleteCommand(code, yes);
    return renumberCommand(code, newCode);
}

} // namespace plx::cli
