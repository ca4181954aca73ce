#include "outputs/widgets/reportrunner.h"

#include "base/messages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace plx {

namespace {

DesktopLauncher systemLauncher()
{
    DesktopLauncher launcher;
    launcher.open = [](const QString &path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    launcher.mail = [](const QStringList &files) {
        const QString xdgEmail = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
        if (xdgEmail.isEmpty() || files.isEmpty())
            return false;
        QStringList arguments{QStringLiteral("--subject"),
                              QFileInfo(files.first()).completeBaseName()};
        for (const QString &file : files)
            arguments << QStringLiteral("--attach") << QFileInfo(file).absoluteFilePath();
        return QProcess::startDetached(xdgEmail, arguments);
    };
    launcher.openFolder = [](const QString &folder) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    return launcher;
}

DesktopLauncher &launcherSlot()
{
    static DesktopLauncher launcher = systemLauncher();
    return launcher;
}

} // namespace

const DesktopLauncher &desktopLauncher()
{
    return launcherSlot();
}

DesktopLauncher setDesktopLauncher(DesktopLauncher launcher)
{
    DesktopLauncher previous = std::move(launcherSlot());
    launcherSlot() = std::move(launcher);
    return previous;
}

ReportResult runReportForUser(const ReportRequest &request, const ReportSource &source,
                              const ReportFeedback &feedback)
{
    QElapsedTimer sincePump;
    sincePump.start();
    const ReportProgress progress = [&](const QString &step) {
        if (feedback.showStep)
            feedback.showStep(step);
        // The office suite ticks ten times a second; the fillers once per bookmark, which
        // may be many in a row: a turn of the event loop every 50 ms is enough to stay
        // responsive without slowing the fill down.
        if (sincePump.elapsed() >= 50) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            sincePump.restart();
        }
        return !(feedback.cancelRequested && feedback.cancelRequested());
    };
    ReportResult result = runReport(request, source, progress);
    if (!result.ok) {
        if (!result.cancelled && !result.error.isEmpty())
            showMessage(MessageKind::Erreur, result.error);
        return result;
    }
    const DesktopLauncher &launcher = desktopLauncher();
    for (const QString &file : std::as_const(result.toOpen)) {
        if (!launcher.open || !launcher.open(file))
            showMessage(MessageKind::Aide,
                        QStringLiteral("Le fichier a été enregistré dans ") +
                            QDir::toNativeSeparators(file) +
                            QStringLiteral(", mais aucune application ne peut l'ouvrir."));
    }
    if (!result.toMail.isEmpty() && !(launcher.mail && launcher.mail(result.toMail))) {
        // No mail client reachable: the folder, and the file to attach named.
        const QString folder = QFileInfo(result.toMail.first()).absolutePath();
        if (launcher.openFolder)
            launcher.openFolder(folder);
        QStringList names;
        for (const QString &file : std::as_const(result.toMail))
            names << QFileInfo(file).fileName();
        showMessage(MessageKind::Aide,
                    QStringLiteral("Aucune messagerie n'a pu être ouverte. Joignez à votre "
                                   "message le fichier ") +
                        names.join(QStringLiteral(", ")) + QStringLiteral(" du dossier ") +
                        QDir::toNativeSeparators(folder) + QLatin1Char('.'));
    }
    return result;
}

} // namespace plx
