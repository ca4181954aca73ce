#pragma once

#include <QString>
#include <QStringList>

namespace plx {

// The report templates shipped with the program: a station sheet (Fiche_station.docx and
// .odt) and a yearly summary workbook (Synthese_annuelle.xlsx and .ods).
QStringList sampleTemplateNames();

struct SampleTemplatesResult
{
    bool ok = true;
    QStringList installed; // file names written
    QString error;         // French, when ok is false
};

// Copies the sample templates into folder when it is missing or empty, so that a new user
// finds templates at once. A folder holding anything is left alone: the user's own
// templates are never overwritten. Each file is written whole or not at all.
SampleTemplatesResult installSampleTemplates(const QString &folder);

} // namespace plx
