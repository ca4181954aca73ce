#include "cli/importcommand.h"

#include "cli/commands.h"
#include "db/accesbase.h"
#include "imports/csvmapping.h"
#include "imports/importrun.h"
#include "imports/importsource.h"
#include "session/session.h"

#include <QIODevice>

#include <cstdio>
#include <unistd.h>

namespace plx::cli {

namespace {

QString instantText(const ImportedRow &row)
{
    const QString day = row.date.toString(QStringLiteral("dd/MM/yyyy"));
    return row.isDaily() ? day
                         : day + QLatin1Char(' ') + row.time.toString(QStringLiteral("HH:mm:ss"));
}

QString lineText(const QString &file, qint64 line, const QString &reason, bool withFile)
{
    return (withFile ? file + QLatin1Char(' ') : QString()) +
           QStringLiteral("ligne %1 : %2").arg(line).arg(reason);
}

// The first lines of the first file, for the generic reader's guess.
QList<QByteArray> firstLines(const ImportSource &source)
{
    QList<QByteArray> lines;
    QString error;
    const std::unique_ptr<QIODevice> device = source.open ? source.open(&error) : nullptr;
    while (device && lines.size() < 20) {
        const QByteArray line = device->readLine(64 * 1024);
        if (line.isEmpty())
            break;
        lines << line;
    }
    return lines;
}

} // namespace

// plx import --db FILE|--pg CONN --format FORMAT --file PATH [--file PATH…]
//   [--station CODE | --create-stations] [--existing keep|replace|unvalidated]
//   [--mapping NAME] [--dry-run]
// Refused lines with their line numbers, each station's outcome, and last the
// counts.
int importCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    const QString formatKey = takeValue(options, "--format");
    QStringList files;
    for (QString file = takeValue(options, "--file"); !file.isEmpty();
         file = takeValue(options, "--file"))
        files << file;
    ImportOptions run;
    run.station = takeValue(options, "--station");
    run.createStations = takeFlag(options, "--create-stations");
    const QString existing = takeValue(options, "--existing");
    const QString mappingName = takeValue(options, "--mapping");
    run.dryRun = takeFlag(options, "--dry-run");
    if (!options.error.isEmpty() || !options.hasDatabase || formatKey.isEmpty() ||
        files.isEmpty() || !options.positional.isEmpty())
        return usageError(options);
    const std::optional<ImportFormat> format = importFormatFromKey(formatKey);
    if (!format) {
        print(stderr, QStringLiteral("Format inconnu : %1 (meteofrance-q, meteofrance-h, radome, "
                                     "knmi, ghcn, ecad ou csv)\n")
                          .arg(formatKey));
        return 2;
    }
    if (!run.station.isEmpty() && run.createStations) {
        print(stderr, QStringLiteral("--station et --create-stations s'excluent : choisissez "
                                     "l'un ou l'autre.\n"));
        return 2;
    }
    if (!existing.isEmpty()) {
        const std::optional<ExistingValues> choice = existingValuesFromKey(existing);
        if (!choice) {
            print(stderr, QStringLiteral("Choix inconnu pour --existing : %1 (keep, replace ou "
                                         "unvalidated)\n")
                              .arg(existing));
            return 2;
        }
        run.existing = *choice;
    }
    if (!mappingName.isEmpty() && *format != ImportFormat::Csv) {
        print(stderr, QStringLiteral("--mapping ne sert qu'au format csv.\n"));
        return 2;
    }

    QList<ImportSource> sources;
    for (const QString &file : files) {
        QString error;
        const QList<ImportSource> found = listImportSources(file, &error);
        if (!error.isEmpty() || found.isEmpty()) {
            return fail(error.isEmpty() ? QStringLiteral("Aucune donnée dans %1.").arg(file)
                                        : error);
        }
        sources += found;
    }
    if (!connectDatabase(options))
        return 1;
    const UserSession &user = session();
    if (user.loggedIn() && !user.hasRight(QStringLiteral("PLUVIO_IMPORT")))
        return fail(QStringLiteral("Vous ne disposez pas des droits nécessaires pour importer "
                                   "des données."));
    if (user.loggedIn() && run.createStations &&
        !user.hasRight(QStringLiteral("PLUVIO_FICHE_MODIF")))
        return fail(QStringLiteral("Vous ne disposez pas des droits nécessaires pour créer des "
                                   "pluviomètres."));
    AccesBase &db = AccesBase::instance();
    if (!run.station.isEmpty()) {
        QString error;
        if (!stationVisible(db, run.station, &error))
            return fail(
                error.isEmpty()
                    ? QStringLiteral("Station inconnue ou non visible : %1").arg(run.station)
                    : error);
    }

    CsvMapping mapping;
    if (*format == ImportFormat::Csv) {
        if (!mappingName.isEmpty()) {
            if (!loadCsvMapping(mappingName, mapping))
                return fail(
                    QStringLiteral("Correspondance de colonnes inconnue : %1").arg(mappingName));
        } else {
            mapping = CsvMapping::guess(firstLines(sources.first()));
        }
        if (!mapping.isComplete())
            return fail(QStringLiteral("Colonne de date introuvable dans %1 : donnez une "
                                       "correspondance enregistrée avec --mapping NOM.")
                            .arg(sources.first().name));
    }
    const std::unique_ptr<ImportReader> reader =
        createImportReader(*format, *format == ImportFormat::Csv ? &mapping : nullptr);
    if (!reader)
        return fail(QStringLiteral("Format non pris en charge : %1").arg(formatKey));

    // A terminal sees the progress; a script's pipe does not.
    const bool terminal = isatty(fileno(stderr));
    const ImportProgress progress = [terminal](qint64 done, qint64 total) {
        if (terminal && total > 0)
            print(stderr, QStringLiteral("\r%1 %").arg(100 * done / total));
        return true;
    };
    const ImportReport report = runImport(db, sources, *reader, run, progress);
    if (terminal)
        print(stderr, QStringLiteral("\r"));

    QString out;
    const bool withFile = sources.size() > 1;
    if (run.dryRun) {
        out += QStringLiteral("Station\tInstant\tPluie\tPluieEfficace\tEtp\tValeur1\tValeur2\t"
                              "Valeur3\tValidite\n");
        for (const PreviewLine &line : report.preview) {
            if (!line.refusal.isEmpty())
                continue; // listed below with every refused line
            QStringList cells{line.station, instantText(line.row)};
            for (int i = 0; i < 6; ++i)
                cells << (line.row.hasValue(i) ? numberCell(line.row.values[size_t(i)])
                                               : QString());
            cells << (line.row.doubtful                       ? QStringLiteral("douteuse")
                      : line.row.validite == QLatin1Char('V') ? QStringLiteral("V")
                                                              : QString());
            out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
    }
    for (const auto &[file, line] : report.refusedLines)
        out += lineText(file, line.line, line.reason, withFile) + QLatin1Char('\n');
    if (report.refusedLinesCut)
        out += QStringLiteral("(%1 lignes refusées, les premières seules sont listées)\n")
                   .arg(report.refused);
    for (const StationImport &station : report.stations) {
        QString text = QStringLiteral("pluviomètre %1").arg(station.code);
        if (!station.number.isEmpty())
            text += QStringLiteral(" (%1)").arg(station.number);
        if (station.created)
            text += run.dryRun ? QStringLiteral(" à créer") : QStringLiteral(" créé");
        text += station.error.isEmpty() ? QStringLiteral(" : écrites %1, conservées %2")
                                              .arg(station.written)
                                              .arg(station.kept)
                                        : QStringLiteral(" : rien écrit, %1").arg(station.error);
        out += text + QLatin1Char('\n');
    }
    if (report.doubtful > 0)
        out += QStringLiteral("valeurs douteuses selon la source, écrites sans validation : %1\n")
                   .arg(report.doubtful);
    if (report.cancelled)
        out += QStringLiteral("Import interrompu : la station en cours n'a rien écrit.\n");
    if (run.dryRun)
        out += QStringLiteral("Simulation : rien n'a été écrit.\n");
    out += QStringLiteral("lignes lues %1, écrites %2, conservées %3, refusées %4\n")
               .arg(report.read)
               .arg(report.written)
               .arg(report.kept)
               .arg(report.refused);
    if (!report.error.isEmpty())
        print(stderr, report.error + QLatin1Char('\n'));
    print(stdout, out);
    return report.ok ? 0 : 1;
}

} // namespace plx::cli
