#include "cli/validatecommands.h"

#include "base/locale.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "db/accesbase.h"
#include "measures/measurementtable.h"
#include "measures/validationstore.h"
#include "session/session.h"

#include <QTextStream>

#include <cstdio>

namespace plx::cli {

namespace {

bool validCode(const QString &code)
{
    if (!measurementTableName(code).isEmpty())
        return true;
    print(stderr, QStringLiteral("Code de station invalide : %1\n").arg(code));
    return false;
}

// A user given with --user needs the data-modify right, as on the validation screen.
bool mayModifyData()
{
    if (!session().loggedIn() || session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF")))
        return true;
    print(stderr, QStringLiteral("Vous ne disposez pas des droits nécessaires pour modifier les "
                                 "mesures.\n"));
    return false;
}

bool tableFound(const QString &code)
{
    if (AccesBase::instance().tableExists(measurementTableName(code)))
        return true;
    print(stderr, QStringLiteral("La table de données pour ce site n'existe pas.\n"));
    return false;
}

} // namespace

// Validates the station's records up to the given instant, after the last validated one
// when there is one: what the screen's save does with the mark on that instant.
int validateCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    const QString code = takeValue(options, "--station");
    const QString untilText = takeValue(options, "--until");
    if (!options.error.isEmpty() || !options.hasDatabase || code.isEmpty() || untilText.isEmpty() ||
        !options.positional.isEmpty())
        return usageError(options);
    if (!validCode(code))
        return 2;
    const std::optional<QDateTime> until = parseDateTime(untilText);
    if (!until) {
        print(stderr, QStringLiteral("Date de validation invalide : %1 (attendu JJ/MM/AAAA "
                                     "hh:mm:ss)\n")
                          .arg(untilText));
        return 2;
    }
    if (!connectDatabase(options) || !mayModifyData() || !tableFound(code))
        return 1;

    AccesBase &db = AccesBase::instance();
    const std::optional<QDateTime> after = lastValidatedInstant(db, code);
    QString error;
    const qint64 count = validateUntil(db, code, *until, after, &error);
    if (count < 0) {
        print(stderr, QStringLiteral("La validation a échoué : ") + error + QLatin1Char('\n'));
        return 1;
    }
    QString out = QStringLiteral("%1 mesure(s) validée(s) jusqu'au %2")
                      .arg(count)
                      .arg(formatDateTime(*until));
    if (after)
        out += QStringLiteral(" (après le %1)").arg(formatDateTime(*after));
    print(stdout, out + QStringLiteral(".\n"));
    return 0;
}

// Clears Validite on every record of the station, after the screen's question.
int devalidateCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    const QString code = takeValue(options, "--station");
    const bool yes = takeFlag(options, "--yes");
    if (!options.error.isEmpty() || !options.hasDatabase || code.isEmpty() ||
        !options.positional.isEmpty())
        return usageError(options);
    if (!validCode(code))
        return 2;
    if (!connectDatabase(options) || !mayModifyData() || !tableFound(code))
        return 1;
    if (!yes &&
        !confirmed(QStringLiteral("Etes vous sûr de vouloir dévalider tous les points ?"))) {
        print(stderr, QStringLiteral("Dévalidation abandonnée.\n"));
        return 1;
    }
    QString error;
    const qint64 count = devalidateAll(AccesBase::instance(), code, &error);
    if (count < 0) {
        print(stderr, QStringLiteral("La dévalidation a échoué : ") + error + QLatin1Char('\n'));
        return 1;
    }
    print(stdout, QStringLiteral("%1 mesure(s) dévalidée(s).\n").arg(count));
    return 0;
}

} // namespace plx::cli
