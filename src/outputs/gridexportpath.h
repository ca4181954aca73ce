#pragma once

#include <QString>

namespace plx {

// Where a one-click grid export goes: the export folder ("CheminExport") when it exists,
// else the user's documents folder.
QString gridExportFolder();

// "csv" when "exportCSV" is "1", else "ods" when "exportCalc" is "1" (the office suite is
// the user's spreadsheet), else "xlsx".
QString gridExportExtension();

// folder/title.extension, the title made a valid file name (characters a file system
// refuses become "_"). When that file is open in a spreadsheet (its lock file lies beside
// it) or cannot be written, "title_2.extension", "title_3"... the first free one.
QString gridExportPath(const QString &folder, const QString &title, const QString &extension);

} // namespace plx
