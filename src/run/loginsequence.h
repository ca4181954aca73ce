#pragma once

#include <QString>

#include <functional>
#include <memory>

class QTemporaryDir;

namespace plx {

// Shows the step in progress ("Vérification des droits de l'utilisateur"...).
using LoginStateSink = std::function<void(const QString &)>;

struct LoginRequest
{
    QString login;     // as typed
    QString password;  // as typed
    bool remember = false; // "Se souvenir de moi": ConnexionAutomatic
    // Runs as ADMIN without asking: a database given on the command line, or the demo
    // database made at the first start.
    bool asAdministrator = false;
    bool fromCommandLine = false; // the database was given on the command line
};

enum class LoginStatus {
    LoggedIn,
    UnknownUser,   // "Utilisateur inconnu" was shown
    WrongPassword, // "Mot de passe erronné" was shown
    Failed,        // no connection, or the user table cannot be read (message shown)
};

// The start-up values read from the machine store before anyone logs in.
struct StartupSettings
{
    int logLevel = 2;
    bool traceToFile = false; // TraceLog neither "NON" nor empty
};

// Reads LogLevel and TraceLog, sets the journal's level and the database trace (no user
// yet). Always from the machine store: they are read before any login.
StartupSettings initialiseJournalAndTrace();

// Fills runProfile() from Base, TypeBase, ServeurBase, PortServeurBase, UserBase, PassBase.
void loadRunProfileFromSettings();

// Authentication alone, once the connection is open: the user tables made sure of, the
// user read and checked, rights and station scope loaded, session() and currentLogin()
// set, the database trace told the user. Nothing is written to the machine store and the
// schema is left alone (the command-line tool uses it).
LoginStatus authenticateUser(const LoginRequest &request, const LoginStateSink &state = {});

// The whole login sequence once the connection is open: user tables, authentication,
// rights, LastUser/LastProject, ConnexionAutomatic, the schema check, the options, the
// "Login" journal row and the LOGIN statistic. The messages to the user go through
// showMessage; each step's text goes to state. On success session() and currentLogin()
// hold the user (the login as stored, whatever its case when typed).
LoginStatus runLoginSequence(const LoginRequest &request, const LoginStateSink &state = {});

// The LOGIN / LOGOUT row of statistiques_utilisateurs, for login (else the current login;
// NULL when both are empty). Not reported when it fails.
bool recordConnectionStatistic(const QString &event, const QString &login = {});

// Forgets the user of the run (session, per-user settings, options): after a change of
// user or of connection profile.
void clearSession();

// The program version, "6.0.0".
QString programVersion();

// A database given on the command line: the argument with its surrounding double quotes
// removed, trimmed. An Access file (.mdb, .accdb), a ZIP archive holding one, or one of
// our SQLite files; all are opened as kind "ACCESS".
class CommandLineDatabase
{
public:
    CommandLineDatabase();
    ~CommandLineDatabase();

    // False with a French error when the file cannot be used.
    bool prepare(const QString &argument);
    // The file to connect to.
    const QString &database() const { return m_database; }
    const QString &error() const { return m_error; }

    static QString cleanArgument(const QString &argument);

private:
    QString m_database;
    QString m_error;
    std::unique_ptr<QTemporaryDir> m_extractDir; // private; removed at the end of the run
};

} // namespace plx
