#include "config/connectionprofile.h"
#include "db/accesbase.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PLXReader"));
    QApplication::setOrganizationName(QStringLiteral("VELMORA"));

    plx::ConnectionProfile profile;
    profile.kind = QStringLiteral("ACCESS");
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        QString file = args.at(1).trimmed();
        if (file.startsWith(QLatin1Char('"')) && file.endsWith(QLatin1Char('"')) && file.size() > 1)
            file = file.mid(1, file.size() - 2).trimmed();
        profile.database = file;
    } else {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(folder);
        profile.database = QDir(folder).filePath(QStringLiteral("plxreader.sqlite"));
        profile.createIfMissing = true;
    }

    QString error;
    const bool connected = plx::AccesBase::instance().Connecter(profile, &error);
    QLabel window(connected ? QStringLiteral("Base de données ouverte : %1").arg(profile.database)
                            : QStringLiteral("La base de données « %1 » n'a pas pu être ouverte :\n%2")
                                  .arg(profile.database, error));
    window.setWindowTitle(QStringLiteral("PLXReader"));
    window.setMargin(24);
    window.show();
    return QApplication::exec();
}
