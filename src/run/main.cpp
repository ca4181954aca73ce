#include "base/locale.h"
#include "base/messages.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "run/demonetwork.h"
#include "run/widgets/application.h"
#include "run/widgets/login.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTranslator>

namespace {

// The database a new user meets: the demo network, in the user's data folder. False (and
// the error shown) when even an empty database could not be made.
bool createFirstStartDatabase()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("plxreader.sqlite"));

    QProgressDialog progress(QStringLiteral("Création de la base de démonstration…"), QString(),
                             0, 0);
    progress.setWindowTitle(QStringLiteral("PLXReader"));
    progress.setWindowIcon(plx::Login::programIcon());
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(0);
    progress.show();
    QCoreApplication::processEvents();
    QString error;
    bool ok = plx::createDemoNetwork(path, &error, [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    progress.close();
    if (!ok) {
        // Without the demo the program is still usable: an empty database at the schema.
        plx::showMessage(plx::MessageKind::Erreur,
                         QStringLiteral("La base de démonstration n'a pas pu être créée :\n%1\n\n"
                                        "Une base vide est créée à sa place.").arg(error));
        plx::ConnectionProfile profile;
        profile.kind = QStringLiteral("ACCESS");
        profile.database = QDir(folder).filePath(QStringLiteral("plxreader-vide.sqlite"));
        profile.createIfMissing = true;
        plx::AccesBase &db = plx::AccesBase::instance();
        ok = db.Connecter(profile, &error) && plx::ensureDefaultUserTables(db).ok
             && plx::upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok;
        if (!ok) {
            plx::showMessage(plx::MessageKind::Erreur,
                             QStringLiteral("La base de données « %1 » n'a pas pu être créée :\n%2")
                                 .arg(profile.database, error.isEmpty() ? db.lastError() : error));
            return false;
        }
        return plx::EcrireParametre(QStringLiteral("Base"), profile.database)
               && plx::EcrireParametre(QStringLiteral("TypeBase"), QStringLiteral("ACCESS"));
    }
    return plx::EcrireParametre(QStringLiteral("Base"), path)
           && plx::EcrireParametre(QStringLiteral("TypeBase"), QStringLiteral("ACCESS"));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PLXReader"));
    QApplication::setOrganizationName(QStringLiteral("VELMORA"));
    QApplication::setWindowIcon(plx::Login::programIcon());
    // The program's own French formats; the system's regional settings are left alone.
    plx::installProgramLocale();
    QTranslator qtTexts; // "Annuler", "Oui"... in Qt's own dialogs
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    // The login screen and the main window replace each other: the end of the program is
    // decided by the controller, not by the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);
    plx::Application::installMessageHandler();

    // Like the command line of the original program, everything after the program's name
    // is the database file (a path with blanks may come unquoted).
    QStringList args = QApplication::arguments();
    args.removeFirst();
    const QString commandLineDatabase = args.join(QLatin1Char(' '));

    bool firstStart = false;
    if (commandLineDatabase.trimmed().isEmpty()
        && plx::LireParametre(QStringLiteral("Base"), {}, true).isEmpty())
        firstStart = createFirstStartDatabase();

    plx::Application controller;
    QObject::connect(&controller, &plx::Application::finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    controller.start(commandLineDatabase, firstStart);
    const int code = QApplication::exec();
    plx::AccesBase::instance().Deconnecter();
    return code;
}
