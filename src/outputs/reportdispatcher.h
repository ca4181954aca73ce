#pragma once

#include "outputs/stationcollector.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace plx {

class AccesBase;
class ReportSource;

// What a template is: a word-processing document or a workbook.
enum class TemplateKind { Document, Spreadsheet };

// The button that started the run.
enum class ReportAction {
    Edit,  // saved and opened for editing
    Print, // printed (through LibreOffice)
    Html,  // documents: saved as an HTML page and opened
    Mail,  // documents: handed to the mail client
    File,  // written to the given output file only (the command line)
};

// Which office family the document route serves: "exportExcel" "1" or unset gives the
// word-processor formats (.docx), "exportCalc" "1" the office-suite ones (.odt); both may
// be on, and each then produces its own document.
struct ReportRoutes
{
    bool word = true;
    bool suite = false;
    // From the user's settings.
    static ReportRoutes fromSettings();
};

struct ReportRequest
{
    AccesBase *db = nullptr; // not owned
    QString templateName;    // as listed, without extension
    // A template file given whole (the command line): its extension says its kind and
    // format; templateName and kind are then taken from it.
    QString templatePath;
    TemplateKind kind = TemplateKind::Document;
    ReportAction action = ReportAction::Edit;
    bool keepFile = false;  // the document printed or turned into HTML stays beside it
    bool alsoPdf = false;   // documents: a PDF beside the document
    QString templateFolder; // CheminModeles
    QString editionFolder;  // CheminEdition
    // The file to write (the command line); "" for an edition-folder name. Its extension
    // (.docx, .odt, .xlsx, .ods, .pdf, .htm) chooses the output format.
    QString outputPath;
    QString printer; // "" : the default printer
    ReportRoutes routes;
    ReportAuthor author;
};

// What a run produced.
struct ReportResult
{
    bool ok = false;
    bool cancelled = false;
    QString error;      // French; "" when ok or cancelled
    QStringList files;  // every file kept, in the order written
    QStringList toOpen; // what the user asked to see (the document, the page)
    QStringList toMail; // what goes to the mail client
};

// Told the current step ("Remplissage des signets: CODE_PLUVIO", "Conversion en PDF"...)
// about ten times a second while LibreOffice runs; returning false cancels the run where
// that loses nothing (before the station is collected, which takes a document number, and
// while LibreOffice converts or prints: the document written stays).
using ReportProgress = std::function<bool(const QString &step)>;

// The user logged in (LOGIN, NOM_LOGIN) and the organisation named by the option
// "Organisme" (ORGANISME), for the screens and the command line alike.
ReportAuthor currentReportAuthor();

// The messages of the route.
QString noStationMessage();
QString undefinedTemplateFolderMessage();
QString missingTemplateMessage(const QString &path);

// The template files a request uses, one per route ("" entries dropped), each with the
// extension found: spreadsheets .xlsx, then .ods, then .xls; documents .docx, .dotx, .dot
// for the word-processor route and .odt, .ott for the office-suite route. Empty with the
// message of a missing folder or file.
QStringList findReportTemplates(const ReportRequest &request, QString *error);

// The suffix of an output name for a station: its code and the moment, "12_2026-03-05_143012",
// so that two reports never overwrite each other and sort by date.
QString reportSuffix(const QString &stationCode, const QDateTime &when);

// Runs one report for source's station: finds the template, collects the station's
// bookmarks, fills the template, then saves, prints, converts as asked. Shows nothing;
// the caller opens and mails what the result lists.
ReportResult runReport(const ReportRequest &request, const ReportSource &source,
                       const ReportProgress &progress = {});

} // namespace plx
