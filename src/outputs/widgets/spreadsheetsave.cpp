#include "outputs/widgets/spreadsheetsave.h"

#include "base/messages.h"
#include "config/settings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace plx {

void saveSpreadsheetAs(QWidget *parent, const QString &title, const QString &fileName,
                       const QString &doneText, const std::function<bool(const QString &)> &write)
{
    QString folder = LireParametre(QStringLiteral("CheminExport"), {}, true);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString path = QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(fileName),
                                                      QStringLiteral("Classeur Excel (*.xlsx)"));
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = write(path);
    QApplication::restoreOverrideCursor();
    if (ok)
        showMessage(MessageKind::Aide, doneText + QDir::toNativeSeparators(path) + QLatin1Char('.'));
}

} // namespace plx
