#include "config/connectionswitch.h"

#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/machinesettings.h"
#include "db/accesbase.h"
#include "db/connectionrefusal.h"

#include <QFileInfo>

#include <algorithm>

namespace plx {

namespace {

const QLatin1String kAccess("ACCESS");

QString kindFailureMessage(const QString &kind)
{
    return QStringLiteral("La connexion à la base de données (%1) n'a pas fonctionné. "
                          "Vérifiez le paramétrage dans l'administration du logiciel.")
        .arg(kind);
}

// A port may be left empty (the server's default); otherwise it must be a real port.
bool validPort(const QString &text)
{
    if (text.trimmed().isEmpty())
        return true;
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port >= 1 && port <= 65535;
}

} // namespace

const std::vector<DatabaseKindChoice> &databaseKindChoices()
{
    static const std::vector<DatabaseKindChoice> choices{
        {QString(), QString()},
        {QStringLiteral("PostGres"), QStringLiteral("POSTGRESQL")},
        {QStringLiteral("Oracle"), QStringLiteral("ORACLE")},
        {QStringLiteral("Oracle DNS OC11G"), QStringLiteral("ORACLE")},
        {QStringLiteral("Oracle DNS IC_11_2"), QStringLiteral("ORACLE2")},
        {QStringLiteral("Oracle DNS OC_11G_1"), QStringLiteral("ORACLE3")},
        {QStringLiteral("Oracle OC_11G_1"), QStringLiteral("ORACLE_OC_11G_1")},
        {QStringLiteral("Oracle IC_11_2"), QStringLiteral("ORACLE_IC_11_2")},
        {QStringLiteral("Oracle XE"), QStringLiteral("ORACLE_XE")},
    };
    return choices;
}

QString readMachineValue(const QString &key, bool keepCase)
{
    const QString value = machinesettings::read({}, key).value_or(QString()).trimmed();
    return keepCase ? value : value.toUpper();
}

bool writeMachineValue(const QString &key, const QString &value)
{
    // An empty string cannot be told from a missing value in every store.
    return machinesettings::write({}, key, value.isEmpty() ? QStringLiteral(" ") : value);
}

QString databasesPropertiesPath()
{
    return readMachineValue(QStringLiteral("databases.properties"));
}

bool setDatabasesPropertiesPath(const QString &path)
{
    return writeMachineValue(QStringLiteral("databases.properties"), path);
}

ConnectionSwitch::ConnectionSwitch(Origin origin, Hooks hooks)
    : m_origin(origin), m_hooks(std::move(hooks))
{
}

ConnectionForm ConnectionSwitch::loadForm()
{
    ConnectionForm form;
    const QString typeBase = readMachineValue(QStringLiteral("TypeBase"), false);
    form.server = readMachineValue(QStringLiteral("ServeurBase"));
    form.port = readMachineValue(QStringLiteral("PortServeurBase"));
    form.user = readMachineValue(QStringLiteral("UserBase"));
    form.password = readMachineValue(QStringLiteral("PassBase"));
    // No profile yet means the local file (the demo database of a first start).
    if (typeBase.isEmpty() || typeBase == kAccess) {
        form.accessPath = readMachineValue(QStringLiteral("Base"));
        form.kind = readMachineValue(QStringLiteral("TypeBaseSav"), false);
        if (form.kind == kAccess)
            form.kind.clear();
        form.database = readMachineValue(QStringLiteral("BaseSav"));
    } else {
        form.accessPath = readMachineValue(QStringLiteral("BaseSav"));
        form.kind = typeBase;
        form.database = readMachineValue(QStringLiteral("Base"));
    }
    return form;
}

void ConnectionSwitch::state(const QString &text) const
{
    if (m_hooks.showState)
        m_hooks.showState(text);
}

bool ConnectionSwitch::askScreensToClose()
{
    state(QStringLiteral("Fermeture automatique des fenêtres ouvertes"));
    if (m_hooks.closeScreens && !m_hooks.closeScreens()) {
        state(QStringLiteral("Changement de base annulé"));
        return false;
    }
    m_screensClosed = true;
    return true;
}

bool ConnectionSwitch::writeAll(const std::vector<std::pair<QString, QString>> &values)
{
    for (const auto &[key, value] : values) {
        if (!writeMachineValue(key, value)) {
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Le paramétrage de connexion n'a pas pu être enregistré "
                                       "(%1). Merci de vérifier vos droits d'écriture.")
                            .arg(key));
            return false;
        }
    }
    return true;
}

ConnectionSwitch::Result ConnectionSwitch::switchToAccess(const ConnectionForm &form)
{
    const QString path = form.accessPath.trimmed();
    if (path.isEmpty())
        return Result::Invalid;
    // A mistyped path must not replace a working profile.
    if (!QFileInfo(path).isFile()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Le fichier de base de données est introuvable : %1").arg(path));
        return Result::Invalid;
    }
    if (!askScreensToClose())
        return Result::Cancelled;
    if (!writeAll({{QStringLiteral("Base"), path},
                   {QStringLiteral("TypeBase"), QString(kAccess)},
                   {QStringLiteral("TypeBaseSav"), form.kind},
                   {QStringLiteral("BaseSav"), form.database.trimmed()},
                   {QStringLiteral("ServeurBase"), form.server.trimmed()},
                   {QStringLiteral("PortServeurBase"), form.port.trimmed()},
                   {QStringLiteral("UserBase"), form.user.trimmed()},
                   {QStringLiteral("PassBase"), form.password}}))
        return Result::WriteFailed;
    return changementBase();
}

ConnectionSwitch::Result ConnectionSwitch::saveServer(const ConnectionForm &form)
{
    ConnectionProfile trial;
    trial.kind = form.kind.trimmed().toUpper();
    trial.server = form.server.trimmed();
    trial.port = form.port.trimmed();
    trial.database = form.database.trimmed();
    trial.user = form.user.trimmed();
    trial.password = form.password; // spaces may belong to a password
    if (trial.kind.isEmpty() || trial.kind == kAccess || trial.server.isEmpty() ||
        trial.database.isEmpty() || trial.user.isEmpty() || trial.password.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Certaines informations de connexion ne sont pas correctement "
                                   "renseignées."));
        return Result::Invalid;
    }
    if (!validPort(trial.port)) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Le port du serveur doit être un nombre entier compris entre "
                                   "1 et 65535."));
        return Result::Invalid;
    }

    state(QStringLiteral("Connexion à la base de données"));
    // Tried on an access object of its own: the connection in use stays untouched until
    // the new profile is known to work.
    state(QStringLiteral("Test de connexion"));
    {
        AccesBase probe;
        m_lastError.clear();
        if (!probe.Connecter(trial, &m_lastError)) {
            state(QStringLiteral("Test de connexion : échec (%1)").arg(m_lastError.trimmed()));
            showMessage(MessageKind::Erreur, isConnectionRefusal(m_lastError)
                                                 ? m_lastError
                                                 : kindFailureMessage(trial.kind));
            return Result::ConnectionFailed;
        }
        probe.Deconnecter();
    }
    if (!askScreensToClose())
        return Result::Cancelled;

    state(QStringLiteral("Enregistrement de la base par défaut Access"));
    if (!writeAll({{QStringLiteral("BaseSav"), form.accessPath.trimmed()},
                   {QStringLiteral("TypeBaseSav"), QString(kAccess)}}))
        return Result::WriteFailed;
    state(QStringLiteral("Enregistrement des paramètres de base sélectionnée"));
    if (!writeAll({{QStringLiteral("Base"), trial.database},
                   {QStringLiteral("TypeBase"), trial.kind},
                   {QStringLiteral("ServeurBase"), trial.server},
                   {QStringLiteral("PortServeurBase"), trial.port},
                   {QStringLiteral("UserBase"), trial.user},
                   {QStringLiteral("PassBase"), trial.password}}))
        return Result::WriteFailed;
    state(QStringLiteral("Connexion à la base"));
    return changementBase();
}

ConnectionSwitch::Result ConnectionSwitch::changementBase()
{
    if (!m_screensClosed && !askScreensToClose())
        return Result::Cancelled;
    // The logout row and journal entry belong to the database being left.
    if (m_hooks.beforeSwitch)
        m_hooks.beforeSwitch();

    state(QStringLiteral("Mise à jour du paramétrage automatique"));
    writeMachineValue(QStringLiteral("ConnexionAutomatic"), QStringLiteral("NON"));

    state(QStringLiteral("Stockage des paramétres"));
    ConnectionProfile &profile = runProfile();
    profile.kind = readMachineValue(QStringLiteral("TypeBase"), false);
    if (profile.kind.isEmpty())
        profile.kind = kAccess;
    profile.database = readMachineValue(QStringLiteral("Base"));
    profile.server = readMachineValue(QStringLiteral("ServeurBase"));
    profile.port = readMachineValue(QStringLiteral("PortServeurBase"));
    profile.user = readMachineValue(QStringLiteral("UserBase"));
    profile.password = readMachineValue(QStringLiteral("PassBase"));
    profile.createIfMissing = false;

    state(QStringLiteral("Deconnexion de la base en cours d'utilisation"));
    AccesBase::instance().Deconnecter();

    if (m_origin == Origin::MainWindow) {
        state(QStringLiteral("Fermeture de la fenêtre de paramétrage"));
        return Result::Switched;
    }
    state(QStringLiteral("Fermeture de la fenêtre de login"));
    return VerifierConnexion(m_hooks.showState, {}) ? Result::Switched : Result::NotConnected;
}

bool ConnectionSwitch::fillFromDefinition(const std::vector<DatabaseDefinition> &definitions,
                                          const QString &name, ConnectionForm *form,
                                          bool *passwordUnreadable)
{
    const auto found = std::find_if(definitions.begin(), definitions.end(),
                                    [&](const DatabaseDefinition &d) { return d.name == name; });
    if (found == definitions.end()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Impossible de retrouver le paramétrage de cette base. Merci de "
                                   "vérifier le fichier databases.properties"));
        return false;
    }
    if (passwordUnreadable)
        *passwordUnreadable = found->passwordUnreadable;
    const QString kind = found->kind.toUpper();
    if (kind == kAccess) {
        form->accessPath = found->database;
        return true;
    }
    form->kind = kind == QLatin1String("POSTGRES") ? QStringLiteral("POSTGRESQL") : kind;
    form->server = found->host();
    form->port = found->port();
    form->database = found->database;
    form->user = found->account;
    form->password = found->password;
    return true;
}

} // namespace plx
