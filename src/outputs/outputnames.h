#pragma once

#include <QString>

namespace plx {

// The file a report is written to: the edition folder, then the template name, "_", the
// suffix and the extension (".odt", ".htm", ".pdf"...). The name part is sanitised: the
// "/" and ":" of dates and every character a file system refuses become "-", so that a
// suffix never creates a folder.
QString reportOutputPath(const QString &editionFolder, const QString &templateName,
                         const QString &suffix, const QString &extension);

} // namespace plx
