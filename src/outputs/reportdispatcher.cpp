#include "outputs/reportdispatcher.h"

#include "config/settings.h"
#include "outputs/bookmarktable.h"
#include "outputs/documenttemplate.h"
#include "outputs/officesuite.h"
#include "outputs/outputnames.h"
#include "outputs/recentmeasures.h"
#include "outputs/reportsource.h"
#include "outputs/spreadsheettemplate.h"
#include "session/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace plx {

namespace {

const QStringList kSpreadsheetExtensions{QStringLiteral(".xlsx"), QStringLiteral(".ods"),
                                         QStringLiteral(".xls")};
const QStringList kWordExtensions{QStringLiteral(".docx"), QStringLiteral(".dotx"),
                                  QStringLiteral(".dot")};
const QStringList kSuiteExtensions{QStringLiteral(".odt"), QStringLiteral(".ott")};

// The folder and the name joined as the folder option is written: its own separator kept.
QString templateCandidate(const QString &folder, const QString &name, const QString &extension)
{
    const bool separator = folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'));
    return folder + (separator ? QString() : QStringLiteral("/")) + name + extension;
}

// The first of the extensions that exists beside folder/name; "" when none.
QString firstExisting(const QString &folder, const QString &name, const QStringList &extensions)
{
    for (const QString &extension : extensions) {
        const QString path = templateCandidate(folder, name, extension);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

std::optional<TemplateKind> kindOfExtension(const QString &suffix)
{
    const QString dotted = QLatin1Char('.') + suffix.toLower();
    if (kSpreadsheetExtensions.contains(dotted))
        return TemplateKind::Spreadsheet;
    if (kWordExtensions.contains(dotted) || kSuiteExtensions.contains(dotted))
        return TemplateKind::Document;
    return std::nullopt;
}

// Replaces target by source (both on the same file system or not): the file a user or a
// script names is never left half written.
bool moveOver(const QString &source, const QString &target, QString *error)
{
    QFile::remove(target);
    if (QFile::rename(source, target) || (QFile::copy(source, target) && QFile::remove(source)))
        return true;
    *error =
        QStringLiteral("Impossible d'écrire le fichier %1.").arg(QDir::toNativeSeparators(target));
    return false;
}

class Run
{
public:
    Run(const ReportRequest &request, const ReportSource &source, const ReportProgress &progress)
        : m_request(request), m_source(source), m_progress(progress)
    {
    }

    ReportResult run();

private:
    bool step(const QString &text)
    {
        m_step = text;
        if (m_progress && !m_progress(text))
            m_cancelled = true;
        return !m_cancelled;
    }
    officesuite::Tick tick()
    {
        return [this] { return step(m_step); };
    }
    ReportResult fail(const QString &error)
    {
        m_result.ok = false;
        m_result.cancelled = m_cancelled;
        m_result.error = m_cancelled ? QString() : error;
        return m_result;
    }
    bool produce(const QString &templatePath);
    bool produceFile(const QString &filled, const QString &format);
    QString convertTo(const QString &document, const QString &extension, const QString &folder);

    const ReportRequest &m_request;
    const ReportSource &m_source;
    const ReportProgress &m_progress;
    ReportResult m_result;
    BookmarkTable m_bookmarks;
    QString m_code;
    QString m_name; // the template's name, for the output names
    QString m_suffix;
    QString m_step;
    QString m_error;
    QDate m_start, m_end;
    bool m_cancelled = false;
};

QString Run::convertTo(const QString &document, const QString &extension, const QString &folder)
{
    step(extension == QLatin1String("pdf") ? QStringLiteral("Conversion en PDF")
                                           : QStringLiteral("Conversion du document"));
    if (m_cancelled)
        return QString();
    return officesuite::convert(document, extension, folder, &m_error, tick());
}

ReportResult Run::run()
{
    m_code = m_source.reportStationCode().trimmed();
    if (m_code.isEmpty())
        return fail(noStationMessage());
    if (!m_request.db)
        return fail(QStringLiteral("Aucune base de données n'est ouverte."));
    QStringList templates = findReportTemplates(m_request, &m_error);
    if (templates.isEmpty())
        return fail(m_error);
    m_name = m_request.templatePath.isEmpty()
                 ? m_request.templateName
                 : QFileInfo(m_request.templatePath).completeBaseName();

    // Legacy templates first: converting them takes a while and may be stopped, and
    // nothing is taken from the database yet.
    for (QString &path : templates) {
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix != QLatin1String("xls") && suffix != QLatin1String("dot"))
            continue;
        step(QStringLiteral("Conversion du modèle ") + QFileInfo(path).fileName());
        path = officesuite::modernTemplate(path, &m_error, tick());
        if (path.isEmpty() || m_cancelled)
            return fail(m_error);
    }

    if (!step(QStringLiteral("Lecture de la station ") + m_code))
        return fail(QString());
    if (!collectStationBookmarks(*m_request.db, m_code, m_request.author, m_bookmarks, &m_error))
        return fail(m_error);
    if (!m_source.reportPeriod(m_start, m_end))
        m_start = m_end = QDate();
    m_suffix = reportSuffix(m_code, QDateTime::currentDateTime());

    for (const QString &path : templates) {
        if (!produce(path))
            return fail(m_error);
    }
    m_result.ok = true;
    return m_result;
}

bool Run::produce(const QString &templatePath)
{
    const QString format = QFileInfo(templatePath).suffix().toLower() == QLatin1String("dotx")
                               ? QStringLiteral("docx")
                           : QFileInfo(templatePath).suffix().toLower() == QLatin1String("ott")
                               ? QStringLiteral("odt")
                               : QFileInfo(templatePath).suffix().toLower();
    const bool document = m_request.kind == TemplateKind::Document;

    // The filled file: the output file itself when it has the template's format, else a
    // scratch file that is converted into it.
    QTemporaryDir scratch;
    QString filled;
    const QString outSuffix = QFileInfo(m_request.outputPath).suffix().toLower();
    if (!m_request.outputPath.isEmpty()) {
        if (!scratch.isValid()) {
            m_error = QStringLiteral("Impossible de créer un dossier temporaire.");
            return false;
        }
        filled = outSuffix == format
                     ? m_request.outputPath
                     : scratch.filePath(QFileInfo(m_request.outputPath).completeBaseName() +
                                        QLatin1Char('.') + format);
    } else {
        if (m_request.editionFolder.trimmed().isEmpty()) {
            m_error = QStringLiteral("Le chemin des éditions n'est pas défini. Vérifier le "
                                     "paramètre chemin_edition dans l'administration du logiciel.");
            return false;
        }
        if (!QDir().mkpath(m_request.editionFolder)) {
            m_error = QStringLiteral("Impossible de créer le dossier des éditions %1.")
                          .arg(QDir::toNativeSeparators(m_request.editionFolder));
            return false;
        }
        filled =
            reportOutputPath(m_request.editionFolder, m_name, m_suffix, QLatin1Char('.') + format);
    }

    if (document) {
        DocumentFill fill;
        fill.bookmarks = &m_bookmarks;
        fill.chart = [this](const QString &bookmark) { return m_source.reportChart(bookmark); };
        fill.measures = m_source.reportMeasures();
        // A screen without rows of its own: the station's last month.
        if (fill.measures.headings.isEmpty())
            fill.measures = recentMeasures(*m_request.db, m_code);
        // Filling takes a moment and cannot stop halfway without losing the number taken.
        fill.progress = [this](const QString &text) {
            m_step = text;
            if (m_progress)
                m_progress(text);
        };
        step(QStringLiteral("Remplissage du modèle ") + QFileInfo(templatePath).fileName());
        if (!fillDocumentTemplate(templatePath, fill, filled, &m_error))
            return false;
    } else {
        SheetFill fill;
        fill.bookmarks = &m_bookmarks;
        fill.periodStart = m_start;
        fill.periodEnd = m_end;
        fill.db = m_request.db;
        fill.stationCode = m_code;
        step(QStringLiteral("Remplissage du classeur ") + QFileInfo(templatePath).fileName());
        if (!fillSpreadsheetTemplate(templatePath, fill, filled, &m_error))
            return false;
    }

    if (!m_request.outputPath.isEmpty())
        return produceFile(filled, format);

    const QString folder = QFileInfo(filled).absolutePath();
    m_result.files << filled;
    const auto pdfBeside = [&]() -> bool {
        if (!document || !m_request.alsoPdf)
            return true;
        const QString pdf = convertTo(filled, QStringLiteral("pdf"), folder);
        if (pdf.isEmpty())
            return false;
        m_result.files << pdf;
        if (m_request.action == ReportAction::Mail)
            m_result.toMail << pdf;
        return true;
    };
    const auto dropUnlessKept = [&] {
        if (m_request.keepFile)
            return;
        QFile::remove(filled);
        m_result.files.removeAll(filled);
    };

    switch (m_request.action) {
    case ReportAction::Edit:
    case ReportAction::File:
        m_result.toOpen << filled;
        return pdfBeside();
    case ReportAction::Mail:
        m_result.toMail << filled;
        return pdfBeside();
    case ReportAction::Print: {
        if (!pdfBeside())
            return false;
        step(QStringLiteral("Impression de ") + QFileInfo(filled).fileName());
        const bool printed =
            !m_cancelled && officesuite::print(filled, m_request.printer, &m_error, tick());
        if (printed)
            dropUnlessKept();
        return printed;
    }
    case ReportAction::Html: {
        if (!document) {
            m_error = QStringLiteral("Un classeur ne s'enregistre pas en page HTML.");
            return false;
        }
        if (!pdfBeside())
            return false;
        step(QStringLiteral("Enregistrement de la page HTML"));
        const QString page =
            reportOutputPath(m_request.editionFolder, m_name, m_suffix, QStringLiteral(".htm"));
        if (!writeDocumentHtml(filled, page, &m_error))
            return false;
        m_result.files << page;
        m_result.toOpen << page;
        dropUnlessKept();
        return true;
    }
    }
    return true;
}

// The command line's output file in the format its extension names.
bool Run::produceFile(const QString &filled, const QString &format)
{
    const QString out = m_request.outputPath;
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix == format) {
        m_result.files << out;
        return true;
    }
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) {
        if (m_request.kind != TemplateKind::Document) {
            m_error = QStringLiteral("Un classeur ne s'enregistre pas en page HTML.");
            return false;
        }
        step(QStringLiteral("Enregistrement de la page HTML"));
        if (!writeDocumentHtml(filled, out, &m_error))
            return false;
        m_result.files << out;
        return true;
    }
    // PDF, or the other family's format: LibreOffice converts beside the scratch file,
    // then the result replaces the output file.
    const QString converted = convertTo(filled, suffix, QFileInfo(filled).absolutePath());
    if (converted.isEmpty() || !moveOver(converted, out, &m_error))
        return false;
    m_result.files << out;
    return true;
}

} // namespace

ReportRoutes ReportRoutes::fromSettings()
{
    ReportRoutes routes;
    const QString excel = LireParametre(QStringLiteral("exportExcel")).trimmed();
    routes.word = excel.isEmpty() || excel == QLatin1String("1");
    routes.suite = LireParametre(QStringLiteral("exportCalc")).trimmed() == QLatin1String("1");
    return routes;
}

ReportAuthor currentReportAuthor()
{
    ReportAuthor author;
    author.login = session().login;
    // A user without a name on record still signs the report.
    author.name = session().displayName.trimmed().isEmpty() ? session().login
                                                              : session().displayName;
    author.organisation = LireParametre(QStringLiteral("Organisme"), {}, true);
    return author;
}

QString noStationMessage()
{
    return QStringLiteral("Aucun pluviometre n'est sélectionné dans la liste. Vous ne pourrez "
                          "pas utiliser les modèles.");
}

QString undefinedTemplateFolderMessage()
{
    return QStringLiteral("Le chemin des modèles n'est pas défini. Vérifier le paramètre "
                          "chemin_modeles dans l'administration du logiciel.");
}

QString missingTemplateMessage(const QString &path)
{
    return QStringLiteral("Impossible de trouver le fichier ") + QDir::toNativeSeparators(path);
}

QStringList findReportTemplates(const ReportRequest &request, QString *error)
{
    QString ignored;
    QString &message = error ? *error : ignored;
    if (!request.templatePath.isEmpty()) {
        if (!QFileInfo(request.templatePath).isFile()) {
            message = missingTemplateMessage(request.templatePath);
            return {};
        }
        if (!kindOfExtension(QFileInfo(request.templatePath).suffix())) {
            message = QStringLiteral("Format de modèle inconnu : %1 (.docx, .dotx, .dot, .odt, "
                                     ".ott, .xlsx, .ods ou .xls attendu).")
                          .arg(QFileInfo(request.templatePath).fileName());
            return {};
        }
        return {request.templatePath};
    }
    const QString folder = request.templateFolder.trimmed();
    if (folder.isEmpty()) {
        message = undefinedTemplateFolderMessage();
        return {};
    }
    QStringList found;
    QString firstCandidate;
    const auto lookFor = [&](const QStringList &extensions) {
        if (firstCandidate.isEmpty())
            firstCandidate = templateCandidate(folder, request.templateName, extensions.first());
        const QString path = firstExisting(folder, request.templateName, extensions);
        if (!path.isEmpty())
            found << path;
    };
    if (request.kind == TemplateKind::Spreadsheet) {
        lookFor(kSpreadsheetExtensions);
    } else {
        // With both routes on, each route whose template exists produces its document; the
        // template is missing only when neither has one.
        if (request.routes.word)
            lookFor(kWordExtensions);
        if (request.routes.suite)
            lookFor(kSuiteExtensions);
        if (firstCandidate.isEmpty())
            firstCandidate =
                templateCandidate(folder, request.templateName, kWordExtensions.first());
    }
    if (found.isEmpty())
        message = missingTemplateMessage(firstCandidate);
    return found;
}

QString reportSuffix(const QString &stationCode, const QDateTime &when)
{
    return stationCode.trimmed() + QLatin1Char('_') +
           when.toString(QStringLiteral("yyyy-MM-dd_HHmmss"));
}

ReportResult runReport(const ReportRequest &request, const ReportSource &source,
                       const ReportProgress &progress)
{
    ReportRequest effective = request;
    if (!request.templatePath.isEmpty()) {
        if (const auto kind = kindOfExtension(QFileInfo(request.templatePath).suffix()))
            effective.kind = *kind;
    }
    Run run(effective, source, progress);
    return run.run();
}

} // namespace plx
