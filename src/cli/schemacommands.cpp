#include "cli/schemacommands.h"

#include "cli/options.h"
#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "run/demonetwork.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"
#include "session/journal.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace plx::cli {

namespace {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

void printLines(FILE *stream, const QString &indent, const QStringList &lines)
{
    for (const QString &line : lines)
        print(stream, indent + line + QLatin1Char('\n'));
}

// Takes the flags out of the positional arguments; false when something else is left.
bool takeFlags(Options &options, const QStringList &flags, QStringList *found)
{
    for (const QString &flag : flags) {
        if (options.positional.removeAll(flag) > 0)
            found->append(flag);
    }
    return options.positional.isEmpty();
}

bool connect(const ConnectionProfile &profile)
{
    AccesBase &db = AccesBase::instance();
    QString error;
    if (!db.Connecter(profile, &error)) {
        print(stderr, QStringLiteral("Connexion impossible : %1\n").arg(error));
        return false;
    }
    if (!db.connectionNotice().isEmpty())
        print(stderr, db.connectionNotice() + QLatin1Char('\n'));
    // The run profile carries the kind every dialect helper reads.
    runProfile() = profile;
    runProfile().kind = kindOfConnection(db);
    return true;
}

// The user tables, then the schema steps, printed as they run. False on failure.
bool bringToCurrentSchema(bool force)
{
    AccesBase &db = AccesBase::instance();
    print(stdout, QStringLiteral("Initialisation des droits par défaut\n"));
    const UserTablesResult users = ensureDefaultUserTables(db);
    printLines(stdout, QStringLiteral("  "), users.changes);
    if (!users.ok) {
        print(stderr, users.error + QLatin1Char('\n'));
        return false;
    }
    const UserTablesResult widened = upgradeUserTable(db);
    printLines(stdout, QStringLiteral("  "), widened.changes);
    if (!widened.ok) {
        print(stderr, widened.error + QLatin1Char('\n'));
        return false;
    }

    SchemaUpgradeOptions options;
    options.force = force;
    const SchemaUpgradeReport report = upgradeSchema(
        db, QStringLiteral(PLX_VERSION),
        [](const QString &step) { print(stdout, step + QLatin1Char('\n')); }, options);
    journal(report);
    if (!report.changes.isEmpty()) {
        print(stdout, QStringLiteral("Modifications :\n"));
        printLines(stdout, QStringLiteral("  "), report.changes);
    }
    printLines(stderr, QStringLiteral("Attention : "), report.warnings);
    if (!report.ok) {
        print(stderr, report.error + QLatin1Char('\n'));
        return false;
    }
    const QString was =
        report.databaseVersion.isEmpty() ? QStringLiteral("aucune") : report.databaseVersion;
    if (report.databaseNewer)
        return false; // the warning says why
    if (report.upgraded) {
        print(stdout, QStringLiteral("Schéma mis à jour : version %1 (version précédente : %2).\n")
                          .arg(report.programVersion, was));
    } else {
        print(stdout,
              QStringLiteral("Le schéma est à jour (version %1).\n").arg(report.programVersion));
    }
    return true;
}

} // namespace

int initCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    QStringList flags;
    const bool onlyFlags = takeFlags(options, {QStringLiteral("--demo")}, &flags);
    if (!options.error.isEmpty() || !options.hasDatabase || !onlyFlags) {
        print(stderr, (options.error.isEmpty()
                           ? QStringLiteral("Utilisation : plx init --db FICHIER [--demo]")
                           : options.error) +
                          QLatin1Char('\n'));
        return 2;
    }
    const bool demo = flags.contains(QStringLiteral("--demo"));
    ConnectionProfile profile = options.profile;
    const bool localFile = profile.kind == QLatin1String("ACCESS");
    if (localFile) {
        const QString suffix = QFileInfo(profile.database).suffix().toLower();
        if (suffix == QLatin1String("mdb") || suffix == QLatin1String("accdb") ||
            suffix == QLatin1String("zip")) {
            print(stderr,
                  QStringLiteral("plx init crée une base SQLite (.sqlite) ; un fichier Access ne "
                                 "peut pas être créé.\n"));
            return 2;
        }
        if (QFileInfo::exists(profile.database)) {
            print(stderr,
                  QStringLiteral("Le fichier « %1 » existe déjà : utilisez « plx upgrade » pour "
                                 "mettre son schéma à jour.\n")
                      .arg(profile.database));
            return 1;
        }
        profile.createIfMissing = true;
    }
    if (!connect(profile))
        return 1;
    AccesBase &db = AccesBase::instance();
    // A failed creation leaves no half-made file behind.
    const auto failed = [&] {
        if (localFile) {
            db.Deconnecter();
            QFile::remove(profile.database);
        }
        return 1;
    };
    if (!localFile) {
        bool ok = false;
        const QString version = readSchemaVersion(db, &ok);
        if (!ok || !version.isEmpty()) {
            print(stderr,
                  QStringLiteral(
                      "Cette base a déjà un schéma (version %1) : utilisez « plx upgrade ».\n")
                      .arg(version.isEmpty() ? QStringLiteral("illisible") : version));
            return 1;
        }
    }
    if (!bringToCurrentSchema(false))
        return failed();

    if (demo) {
        print(stdout, QStringLiteral("Réseau de démonstration\n"));
        QString error;
        const bool ok = fillDemoNetwork(db, &error, [](int done, int total) {
            print(stdout, QStringLiteral("  stations : %1 / %2\n").arg(done).arg(total));
        });
        if (!ok) {
            print(stderr, QStringLiteral("Le réseau de démonstration n'a pas pu être créé : %1\n")
                              .arg(error));
            return failed();
        }
    }
    print(stdout,
          QStringLiteral("Base créée : %1\nAdministrateur : %2, mot de passe %3 (à changer).\n")
              .arg(profile.database, QString::fromLatin1(kDefaultAdminLogin),
                   QString::fromLatin1(kDefaultAdminPassword)));
    return 0;
}

int upgradeCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    QStringList flags;
    const bool onlyFlags = takeFlags(options, {QStringLiteral("--force")}, &flags);
    if (!options.error.isEmpty() || !options.hasDatabase || !onlyFlags) {
        print(stderr, (options.error.isEmpty()
                           ? QStringLiteral(
                                 "Utilisation : plx upgrade (--db FICHIER | --pg CONNINFO | --odbc "
                                 "CHAÎNE) [--force]")
                           : options.error) +
                          QLatin1Char('\n'));
        return 2;
    }
    if (!connect(options.profile))
        return 1;
    return bringToCurrentSchema(flags.contains(QStringLiteral("--force"))) ? 0 : 1;
}

} // namespace plx::cli
