#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace plx {

// Asks where to save a workbook (in the export folder CheminExport, else the home folder,
// under fileName), writes it with write (which shows its own message on failure) and says
// doneText + the path once written. Nothing happens when the user cancels.
void saveSpreadsheetAs(QWidget *parent, const QString &title, const QString &fileName,
                       const QString &doneText, const std::function<bool(const QString &)> &write);

} // namespace plx
