#include "run/loginsequence.h"

#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/machinesettings.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/mdbzip.h"
#include "db/sqltext.h"
#include "outputs/sampletemplates.h"
#include "run/runoptions.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"
#include "session/journal.h"
#include "session/session.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace plx {

namespace {

const QLatin1String kApplicationName("PLXReader");

StartupSettings &startupSettings()
{
    static StartupSettings settings;
    return settings;
}

void show(const LoginStateSink &state, const QString &text)
{
    if (state)
        state(text);
}

// A new user finds the sample templates in the templates folder when it is empty, or
// missing while it is the default one (a folder set by the administrator that is missing may
// be a share not mounted yet: it is not made here), and the default outputs folder ready.
// Neither failure stops the login.
void prepareReportFolders(const LoginStateSink &state)
{
    const RunOptions &options = runOptions();
    const QDir templates(options.cheminModeles);
    const bool missingDefault =
        !templates.exists() && options.cheminModeles == defaultTemplateFolder();
    if (missingDefault || (templates.exists() && templates.isEmpty())) {
        show(state, QStringLiteral("Installation des modèles de documents"));
        const SampleTemplatesResult installed = installSampleTemplates(options.cheminModeles);
        if (!installed.ok)
            journal(installed.error, JournalLevel::Error);
    }
    if (options.cheminEdition == defaultOutputFolder())
        QDir().mkpath(options.cheminEdition);
}

QString machineValue(const char *name)
{
    return machinesettings::read(machinesettings::applicationKeyPath(), QString::fromLatin1(name))
        .value_or(QString())
        .trimmed();
}

// Logins are compared as Access compared them: without regard to case.
QString loginCondition(const QString &column, const QString &login)
{
    return QStringLiteral("ucase(%1) = ucase(%2)").arg(column, sqlQuote(login));
}

QString userQuery(AccesBase &db, const QString &login)
{
    // A new database has no contacts until the schema check that follows the login has
    // run: its administrator must still be able to log in.
    const bool contacts = db.tableExists(QStringLiteral("contacts"));
    const QString name = contacts ? QStringLiteral("contacts.nom") : QStringLiteral("null");
    const QString contact =
        contacts ? QStringLiteral("contacts.codeContact") : QStringLiteral("Utilisateurs.codeContact");
    const QString from = contacts ? QStringLiteral("Utilisateurs left join contacts on "
                                                   "(Utilisateurs.codeContact=contacts.codeContact)")
                                  : QStringLiteral("Utilisateurs");
    return QStringLiteral("SELECT Utilisateurs.password, Utilisateurs.CodeIntervenant, %1, "
                          "Utilisateurs.isAdmin, Utilisateurs.metaData, Utilisateurs.filtrePiezo, "
                          "Utilisateurs.filtreQualito, Utilisateurs.filtrePluvio, "
                          "Utilisateurs.filtreHydro, %2, Utilisateurs.login FROM %3 WHERE %4")
        .arg(name, contact, from, loginCondition(QStringLiteral("Utilisateurs.login"), login));
}

enum UserColumn {
    Password, CodeIntervenant, DisplayName, IsAdmin, MetaData, FiltrePiezo, FiltreQualito,
    FiltrePluvio, FiltreHydro, CodeContact, StoredLogin
};

// Two rows may differ only by case ("Dupont", "DUPONT"): the one typed exactly wins, else
// the same one every time.
int chooseUserRow(const RecordTable &rows, const QString &typed)
{
    int chosen = 0;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString stored = rows.text(r, StoredLogin);
        if (stored == typed)
            return r;
        if (stored < rows.text(chosen, StoredLogin))
            chosen = r;
    }
    return chosen;
}

// A number read from a numeric column may come back as 12.0: show it as 12.
QString codeText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        if (number == double(qint64(number)))
            return QString::number(qint64(number));
    }
    return value.toString().trimmed();
}

void loadRightsAndScope(AccesBase &db, UserSession &user)
{
    const RecordTable rights = db.ExtraireRecords(
        QStringLiteral("SELECT * FROM Utilisateurs_Habilitations WHERE ")
        + loginCondition(QStringLiteral("login"), user.login));
    const int column = rights.columnIndex(QStringLiteral("habilitation"));
    for (int r = 0; column >= 0 && r < rights.rowCount(); ++r) {
        const QString right = rights.text(r, column).trimmed().toUpper();
        if (!right.isEmpty())
            user.rights.insert(right);
    }
    const RecordTable scope = db.ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM utilisateurs_stations WHERE ")
        + loginCondition(QStringLiteral("login"), user.login)
        + QStringLiteral(" and ucase(typestation)='PLUVIO'"));
    user.hasStationScope = scope.ok() && scope.rowCount() > 0 && scope.at(0, 0).toLongLong() > 0;
}

// Fills user from UTILISATEURS. Shows the failure's message.
LoginStatus authenticate(AccesBase &db, const LoginRequest &request, UserSession &user)
{
    const QString typed = request.login.trimmed();
    upgradeUserTable(db);
    const RecordTable rows = db.ExtraireRecords(userQuery(db, typed));
    if (!rows.ok()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La table des utilisateurs ne peut pas être lue : ") + rows.error());
        return LoginStatus::Failed;
    }
    if (rows.rowCount() == 0) {
        showMessage(MessageKind::Erreur, QStringLiteral("Utilisateur inconnu"));
        return LoginStatus::UnknownUser;
    }
    const int r = chooseUserRow(rows, typed);
    // Passwords are compared without regard to case; a NULL one is empty.
    if (rows.text(r, Password).toUpper() != request.password.toUpper()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Mot de passe erronné"));
        return LoginStatus::WrongPassword;
    }
    user.login = rows.text(r, StoredLogin);
    user.codeIntervenant = codeText(rows.at(r, CodeIntervenant));
    user.displayName = rows.text(r, DisplayName);
    user.isAdmin = rows.text(r, IsAdmin).trimmed() == QLatin1String("1");
    user.metaData = rows.text(r, MetaData).trimmed() == QLatin1String("1");
    user.filtrePiezo = rows.text(r, FiltrePiezo);
    user.filtreQualito = rows.text(r, FiltreQualito);
    user.filtrePluvio = rows.text(r, FiltrePluvio);
    user.filtreHydro = rows.text(r, FiltreHydro);
    user.codeContact = codeText(rows.at(r, CodeContact));
    loadRightsAndScope(db, user);
    return LoginStatus::LoggedIn;
}

void checkSchema(const LoginStateSink &state)
{
    show(state, QStringLiteral("Vérification de la base de données"));
    const SchemaUpgradeReport report = upgradeSchema(programVersion(), [&state](const QString &step) {
        show(state, step);
    });
    journal(report);
    if (!report.ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La mise à jour de la structure de la base de données n'a pas "
                                   "abouti :\n")
                        + report.error);
    } else if (report.databaseNewer) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("La base de données est en version %1, plus récente que ce "
                                   "programme (version %2) : sa structure n'est pas modifiée. "
                                   "Pensez à installer la dernière version de PLXReader.")
                        .arg(report.databaseVersion, report.programVersion));
    }
}

} // namespace

QString programVersion()
{
    return QStringLiteral(PLX_VERSION);
}

StartupSettings initialiseJournalAndTrace()
{
    StartupSettings settings;
    bool ok = false;
    const int level = machineValue("LogLevel").toInt(&ok);
    if (ok && level >= 0)
        settings.logLevel = level;
    const QString traceLog = machineValue("TraceLog");
    settings.traceToFile =
        !traceLog.isEmpty() && traceLog.compare(QLatin1String("NON"), Qt::CaseInsensitive) != 0;
    startupSettings() = settings;
    setJournalLogLevel(settings.logLevel);
    AccesBase::instance().InitialiserTrace(settings.logLevel, kApplicationName, currentLogin(),
                                           settings.traceToFile);
    return settings;
}

void loadRunProfileFromSettings()
{
    ConnectionProfile &profile = runProfile();
    // Paths, accounts and passwords keep their case; the kind is compared upper-cased.
    profile.database = LireParametre(QStringLiteral("Base"), {}, true);
    profile.kind = LireParametre(QStringLiteral("TypeBase"));
    profile.server = LireParametre(QStringLiteral("ServeurBase"), {}, true);
    profile.port = LireParametre(QStringLiteral("PortServeurBase"), {}, true);
    profile.user = LireParametre(QStringLiteral("UserBase"), {}, true);
    profile.password = LireParametre(QStringLiteral("PassBase"), {}, true);
    profile.applicationName = kApplicationName;
    profile.createIfMissing = false;
    if (profile.kind.startsWith(QLatin1String("ORACLE")))
        profile.kind = QStringLiteral("ORACLE"); // the connection check reads the variant again
}

LoginStatus authenticateUser(const LoginRequest &request, const LoginStateSink &state)
{
    AccesBase &db = AccesBase::instance();
    show(state, QStringLiteral("Vérification de l'authentification"));
    if (!db.isConnected()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Aucune base de données n'est ouverte : choisissez une base "
                                   "de données avant de vous connecter."));
        return LoginStatus::Failed;
    }

    show(state, QStringLiteral("Initialisation des droits par défaut"));
    ensureDefaultUserTables(db);

    show(state, QStringLiteral("Vérification des droits de l'utilisateur"));
    UserSession user;
    if (request.asAdministrator) {
        user.login = QString::fromLatin1(kDefaultAdminLogin);
        user.isAdmin = true;
        user.metaData = true;
        user.fromCommandLine = request.fromCommandLine;
    } else {
        const LoginStatus status = authenticate(db, request, user);
        if (status != LoginStatus::LoggedIn)
            return status;
    }
    session() = user;
    setCurrentLogin(user.login);

    // The engine decides, not the profile's kind: an ODBC profile may reach PostgreSQL, and
    // SQLite refuses the statement.
    if (db.dialect() == SqlDialect::PostgreSQL) {
        // Lets the server's administrator see who holds each connection.
        db.Execute(QStringLiteral("set application_name = ")
                   + sqlQuote(QStringLiteral("PLXREADER/") + user.login));
    }
    const StartupSettings &settings = startupSettings();
    db.InitialiserTrace(settings.logLevel, kApplicationName, user.login, settings.traceToFile);
    return LoginStatus::LoggedIn;
}

LoginStatus runLoginSequence(const LoginRequest &request, const LoginStateSink &state)
{
    const LoginStatus status = authenticateUser(request, state);
    if (status != LoginStatus::LoggedIn)
        return status;
    const QString login = session().login;

    // A database given on the command line is a one-off: the workstation keeps its own
    // remembered user and automatic login.
    if (!request.fromCommandLine)
        EcrireParametre(QStringLiteral("ConnexionAutomatic"),
                        request.remember ? QStringLiteral("OUI") : QStringLiteral("NON"));

    // Before the options: the schema check creates the per-user options table on a new
    // database.
    checkSchema(state);
    loadRunOptions();
    prepareReportFolders(state);

    show(state, QStringLiteral("Enregistrement du dernier login connecté"));
    if (!request.fromCommandLine)
        EcrireParametre(QStringLiteral("LastUser"), login);
    EcrireParametre(QStringLiteral("LastProject"), kApplicationName);

    journal(QStringLiteral("Login"));

    show(state, QStringLiteral("Ajout d'une statistique de connexion"));
    recordConnectionStatistic(QStringLiteral("LOGIN"), login);

    show(state, QStringLiteral("Chargement de liste des stations"));
    return LoginStatus::LoggedIn;
}

bool recordConnectionStatistic(const QString &event, const QString &login)
{
    const QString who = !login.isEmpty() ? login : currentLogin();
    return AccesBase::instance().Execute(
        QStringLiteral("INSERT INTO statistiques_utilisateurs (login, dateStat, evenement, module, "
                       "version) VALUES (%1, NOW(), %2,%3,%4)")
            .arg(who.isEmpty() ? QStringLiteral("null") : sqlQuote(who), sqlQuote(event),
                 sqlQuote(kApplicationName), sqlQuote(programVersion())));
}

void clearSession()
{
    session() = UserSession();
    setCurrentLogin(QString());
    runOptions() = RunOptions();
}

CommandLineDatabase::CommandLineDatabase() = default;
CommandLineDatabase::~CommandLineDatabase() = default;

QString CommandLineDatabase::cleanArgument(const QString &argument)
{
    QString text = argument.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    else if (text.startsWith(QLatin1Char('"')))
        text.remove(0, 1);
    return text.trimmed();
}

bool CommandLineDatabase::prepare(const QString &argument)
{
    m_database.clear();
    m_error.clear();
    const QString path = cleanArgument(argument);
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        m_error = QStringLiteral("Le fichier de base de données « %1 » est introuvable.").arg(path);
        return false;
    }
#ifdef Q_OS_WIN
    // The Access driver cannot read inside an archive: only the Access entry is taken out,
    // under a name of our own, into a folder only this user can read.
    if (looksLikeZip(path)) {
        m_extractDir = std::make_unique<QTemporaryDir>();
        MdbZipEntry entry;
        if (!m_extractDir->isValid()) {
            m_error = QStringLiteral("Impossible de créer un dossier temporaire pour extraire "
                                     "l'archive « %1 ».").arg(file.fileName());
            return false;
        }
        if (!extractAccessEntry(path, m_extractDir->path(), &entry, &m_error))
            return false;
        m_database = entry.extractedPath;
        return true;
    }
#else
    // Elsewhere the access object takes the Access entry out of the archive itself (into a
    // private temporary folder) and keeps its working copy beside the archive, so that
    // what is changed during the run is not lost with the temporary folder.
#endif
    m_database = file.absoluteFilePath();
    return true;
}

} // namespace plx
