#include "cli/widgets/reportcommand.h"

#include "base/messages.h"
#include "charts/widgets/editiongraphique.h"
#include "charts/widgets/editiongraphiqueannee.h"
#include "charts/widgets/editiongraphiqueannuaire.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/widgets/offscreenmain.h"
#include "db/accesbase.h"
#include "outputs/officesuite.h"
#include "outputs/reportdispatcher.h"
#include "outputs/reportsource.h"
#include "schema/schemacatalog.h"
#include "stations/stationcodes.h"
#include "stations/stationrecord.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace plx::cli {

namespace {

// A report about a station alone: no period, no chart, no measurement table.
class StationOnly : public ReportSource
{
public:
    explicit StationOnly(QString code) : m_code(std::move(code)) {}
    QString reportStationCode() const override { return m_code; }

private:
    QString m_code;
};

const QStringList kDocumentOutputs{QStringLiteral("docx"), QStringLiteral("odt"),
                                   QStringLiteral("pdf"), QStringLiteral("htm"),
                                   QStringLiteral("html")};
const QStringList kSheetOutputs{QStringLiteral("xlsx"), QStringLiteral("ods"),
                                QStringLiteral("pdf")};
const QStringList kSheetTemplates{QStringLiteral("xlsx"), QStringLiteral("ods"),
                                  QStringLiteral("xls")};

} // namespace

QString stationOutputPath(const QString &out, const QString &code)
{
    const QFileInfo info(out);
    const QString name =
        info.completeBaseName() + QLatin1Char('_') + code + QLatin1Char('.') + info.suffix();
    return info.path() == QLatin1String(".") && !out.startsWith(QLatin1String("./"))
               ? name
               : QDir(info.path()).filePath(name);
}

int reportCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty())
        return fail(options.error, 2);
    for (const char *name : {"--station", "--template", "--out", "--screen"}) {
        if (!options.positional.isEmpty() && options.positional.last() == QLatin1String(name))
            return fail(
                QStringLiteral("L'option %1 attend une valeur.").arg(QLatin1String(name)), 2);
    }
    const QString stations = takeValue(options, "--station");
    const QString templatePath = takeValue(options, "--template");
    const QString out = takeValue(options, "--out");
    const QString screen = takeValue(options, "--screen").toLower();
    if (!options.positional.isEmpty())
        return fail(QStringLiteral("Option inconnue : %1").arg(options.positional.first()), 2);
    if (!options.hasDatabase)
        return fail(QStringLiteral("Indiquez la base avec --db FICHIER ou --pg CONNEXION."), 2);
    if (stations.trimmed().isEmpty())
        return fail(QStringLiteral("Indiquez la station avec --station CODE[,CODE...]."), 2);
    if (templatePath.isEmpty())
        return fail(QStringLiteral("Indiquez le modèle avec --template FICHIER."), 2);
    if (out.isEmpty())
        return fail(QStringLiteral("Indiquez le fichier produit avec --out FICHIER.docx, .odt, "
                                      ".xlsx, .ods, .pdf ou .htm."),
                       2);
    if (!screen.isEmpty() && screen != QLatin1String("annee") &&
        screen != QLatin1String("annuaire") && screen != QLatin1String("chronique"))
        return fail(QStringLiteral("Écran inconnu : %1 (annee, annuaire ou chronique attendu).")
                           .arg(screen),
                       2);

    QStringList codes;
    for (const QString &given : stations.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString code = normalisedStationCode(given.trimmed());
        if (code.isEmpty())
            return fail(QStringLiteral("Code de station invalide : %1").arg(given.trimmed()), 2);
        if (!codes.contains(code))
            codes << code;
    }

    const bool sheet = kSheetTemplates.contains(QFileInfo(templatePath).suffix().toLower());
    const QString outSuffix = QFileInfo(out).suffix().toLower();
    if (!(sheet ? kSheetOutputs : kDocumentOutputs).contains(outSuffix))
        return fail(sheet ? QStringLiteral("Format de sortie invalide pour un classeur : %1 "
                                              "(.xlsx, .ods ou .pdf attendu).")
                                   .arg(QFileInfo(out).fileName())
                             : QStringLiteral("Format de sortie invalide pour un document : %1 "
                                              "(.docx, .odt, .pdf ou .htm attendu).")
                                   .arg(QFileInfo(out).fileName()),
                       2);
    if (outSuffix == QLatin1String("pdf") && officesuite::executable().isEmpty())
        return fail(officesuite::missingMessage(), 1);
    QString error;
    ReportRequest probe;
    probe.templatePath = templatePath;
    if (findReportTemplates(probe, &error).isEmpty())
        return fail(error, 1);

    if (!connectDatabase(options))
        return 1;
    AccesBase &db = AccesBase::instance();
    // The collector writes dates in the connection's dialect, which the dialect helpers
    // read from the run profile: the command line has none of its own.
    const ScopedConnectionKind kind(db);

    // The screens and the collector report through the message helper: keep the first
    // text for our one line.
    QString message;
    const MessageHandler previous = setMessageHandler([&message](MessageKind, const QString &text) {
        if (message.isEmpty())
            message = text;
        return false;
    });
    struct Restore
    {
        MessageHandler handler;
        ~Restore() { setMessageHandler(handler); }
    } restore{previous};

    // Every station checked before the first file, so that a typing mistake writes nothing.
    for (const QString &code : std::as_const(codes)) {
        if (!loadStation(db, code))
            return fail(QStringLiteral("Station inconnue : %1").arg(code), 1);
    }
    for (const QString &code : std::as_const(codes)) {
        std::unique_ptr<StationChartScreen> chart;
        if (screen == QLatin1String("annee"))
            chart = std::make_unique<EditionGraphiqueAnnee>();
        else if (screen == QLatin1String("annuaire"))
            chart = std::make_unique<EditionGraphiqueAnnuaire>();
        else if (screen == QLatin1String("chronique"))
            chart = std::make_unique<EditionGraphique>();
        StationOnly station(code);
        const ReportSource *source = &station;
        if (chart) {
            message.clear();
            if (!chart->InitDebranchement(code))
                return fail(
                    message.isEmpty()
                        ? QStringLiteral("Impossible de lire les mesures de la station %1.")
                              .arg(code)
                        : message,
                    1);
            source = chart.get();
        }

        ReportRequest request;
        request.db = &db;
        request.templatePath = templatePath;
        request.outputPath = codes.size() > 1 ? stationOutputPath(out, code) : out;
        request.action = ReportAction::File;
        request.author = currentReportAuthor();
        message.clear();
        const ReportResult result = runReport(request, *source);
        if (!result.ok)
            return fail(result.error.isEmpty() ? message : result.error, 1);
        for (const QString &file : result.files)
            print(stdout, QDir::toNativeSeparators(file) + QLatin1Char('\n'));
    }
    return 0;
}

int reportMain(int argc, char **argv)
{
    return runOffscreenCommand(argc, argv, reportCommand);
}

} // namespace plx::cli
