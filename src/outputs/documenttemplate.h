#pragma once

#include "outputs/bookmarktable.h"
#include "outputs/reportsource.h"

#include <QString>

#include <functional>
#include <optional>

namespace plx {

// What a document template is filled with.
struct DocumentFill
{
    const BookmarkTable *bookmarks = nullptr;
    // GRAPHIQUE_ANNEE, GRAPHIQUE_SUP_ANNEE, GRAPHIQUE_TOTAL; empty function: no charts.
    std::function<std::optional<ReportPicture>(const QString &bookmark)> chart;
    MeasureTable measures;                              // TAB_MESURES
    // Called with "Remplissage des signets: " + name as each bookmark is filled.
    std::function<void(const QString &text)> progress;
};

// Fills a word-processing template (.docx/.dotx, or .odt/.ott) and writes the document
// to outPath (.docx for the first family, .odt for the second), atomically. Bookmarks are
// kept; their text is replaced. False with a French error; nothing written then.
bool fillDocumentTemplate(const QString &templatePath, const DocumentFill &fill,
                          const QString &outPath, QString *error = nullptr);

// Writes a filled .docx or .odt as one HTML page (pictures beside it in a folder named
// after the page), atomically. False with a French error.
bool writeDocumentHtml(const QString &documentPath, const QString &htmlPath,
                       QString *error = nullptr);

} // namespace plx
