#include "cli/exportcommand.h"

#include "base/locale.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "measures/parameterlabels.h"
#include "measures/validationstore.h"
#include "outputs/csvgrid.h"
#include "outputs/measuregrid.h"

#include <QFileInfo>

#include <cstdio>

namespace plx::cli {

namespace {

// An optional date option: nullopt with a message when given and not a date.
bool readDate(const QString &text, const char *option, QDate &date)
{
    if (text.isEmpty())
        return true;
    if (const auto parsed = parseDate(text)) {
        date = *parsed;
        return true;
    }
    fail(QStringLiteral("Date invalide pour %1 : %2 (attendu JJ/MM/AAAA)")
             .arg(QString::fromLatin1(option), text));
    return false;
}

} // namespace

int exportCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    const QString code = takeValue(options, "--station");
    const QString fromText = takeValue(options, "--from");
    const QString toText = takeValue(options, "--to");
    const QString out = takeValue(options, "--out");
    if (!options.error.isEmpty() || !options.hasDatabase || code.isEmpty() || out.isEmpty() ||
        !options.positional.isEmpty())
        return usageError(options);
    if (measurementTableName(code).isEmpty())
        return fail(QStringLiteral("Code de station invalide : %1").arg(code), 2);
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("csv") &&
        suffix != QLatin1String("ods"))
        return fail(QStringLiteral("Format de sortie non pris en charge : %1 (attendu .xlsx, "
                                   ".csv ou .ods)")
                        .arg(out),
                    2);
    QDate from, to;
    if (!readDate(fromText, "--from", from) || !readDate(toText, "--to", to))
        return 2;
    if (from.isValid() && to.isValid() && from > to)
        return fail(QStringLiteral("La date de début doit précéder la date de fin."), 2);
    if (!connectDatabase(options))
        return 1;

    AccesBase &db = AccesBase::instance();
    const RecordTable identity = db.ExtraireRecords(
        QStringLiteral("SELECT Identifiant FROM PLUVIOMETRES WHERE CodePluviometre = ") +
        sqlNumber(code.toLongLong()));
    if (!identity.ok())
        return fail(QStringLiteral("Lecture de la station impossible : ") + identity.error());
    if (identity.rowCount() == 0)
        return fail(QStringLiteral("Aucun pluviomètre de code %1.").arg(code));
    if (!db.tableExists(measurementTableName(code)))
        return fail(QStringLiteral("La table de données pour ce site n'existe pas."));
    // Without dates, the whole record.
    if (!from.isValid() || !to.isValid()) {
        const SiteOverview overview = readSiteOverview(db, code);
        if (!from.isValid())
            from = overview.first.isValid() ? overview.first : QDate(1900, 1, 1);
        if (!to.isValid())
            to = overview.last.isValid() ? overview.last : QDate::currentDate();
    }
    const LoadResult loaded = loadWindow(db, code, from, to);
    if (!loaded.ok)
        return fail(QStringLiteral("Lecture des mesures impossible : ") + loaded.error);

    const QStringList labels = {parameterLabel(db, 1), parameterLabel(db, 2),
                                parameterLabel(db, 3)};
    const QString identifiant = identity.text(0, 0).trimmed();
    const XlsxGrid grid =
        measurementGrid(loaded.rows, measurementExportColumns(labels), labels,
                        QStringLiteral("Validation_") + (identifiant.isEmpty() ? code : identifiant));
    QString error;
    if (!exportGrid(grid, out, &error))
        return fail(error);
    print(stdout, QStringLiteral("%1 mesure(s) exportée(s) dans %2.\n")
                      .arg(loaded.rows.size())
                      .arg(out));
    return 0;
}

} // namespace plx::cli
