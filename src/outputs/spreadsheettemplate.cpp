#include "outputs/spreadsheettemplate.h"

#include "outputs/officesuite.h"
#include "outputs/sheetmarkers.h"
#include "outputs/xlsxgrid.h"
#include "outputs/xlsxtemplate.h"
#include "outputs/zipentries.h"

#include <QDir>
#include <QFileInfo>

namespace plx {

bool fillSpreadsheetTemplate(const QString &templatePath, const SheetFill &fill,
                             const QString &outPath, QString *error)
{
    const QString shown = QDir::toNativeSeparators(templatePath);
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Impossible de remplir le modèle « %1 » : %2").arg(shown, why);
        return false;
    };
    if (!QFileInfo::exists(templatePath))
        return fail(QStringLiteral("le fichier n'existe pas."));
    QString source = templatePath;
    QString suffix = QFileInfo(templatePath).suffix().toLower();
    if (suffix == QLatin1String("xls") || suffix == QLatin1String("xlt")) {
        // The legacy format is converted once; its .xlsx copy is what gets filled.
        QString why;
        source = officesuite::modernTemplate(templatePath, &why);
        if (source.isEmpty()) {
            if (error)
                *error = why;
            return false;
        }
        suffix = QFileInfo(source).suffix().toLower();
    }
    const bool ods = suffix == QLatin1String("ods") || suffix == QLatin1String("ots");
    if (!ods && suffix != QLatin1String("xlsx") && suffix != QLatin1String("xltx") &&
        suffix != QLatin1String("xlsm"))
        return fail(QStringLiteral("ce format de classeur n'est pas pris en charge."));

    std::vector<ZipEntry> entries;
    QString why;
    if (!readZipEntries(source, entries, &why))
        return fail(why);
    SheetMarkers markers(fill);
    if (!(ods ? fillOdsEntries(entries, markers, &why) : fillXlsxEntries(entries, markers, &why)))
        return fail(why);
    // An OpenDocument template (.ots) filled is a document: its mimetype says so.
    for (ZipEntry &entry : entries) {
        if (entry.name == QLatin1String("mimetype")) {
            entry.stored = true;
            entry.data.replace("spreadsheet-template", "spreadsheet");
        } else if (entry.name == QLatin1String("[Content_Types].xml")) {
            entry.data.replace("spreadsheetml.template.main+xml", "spreadsheetml.sheet.main+xml");
        }
    }
    if (!writeZipEntries(outPath, entries, &why)) {
        if (error)
            *error = gridWriteError(outPath, why);
        return false;
    }
    return true;
}

} // namespace plx
