#pragma once

#include <QString>
#include <QStringList>

namespace plx::cli {

// --user NAME --password PW: the command runs as that user, whose rights then apply.
struct LoginOption
{
    QString user;
    QString password;
    bool given = false;
    QString error; // French text of a usage error
};

// Takes --user and --password (with their values) out of arguments.
LoginOption takeLoginOption(QStringList &arguments);

// Authenticates the user given, on the connection already open (the client's rules: the
// login without regard to case, the stored spelling kept; rights and options loaded).
// True when no user was given. A refusal is printed ("Utilisateur inconnu", "Mot de passe
// erronné").
bool logIn(const LoginOption &option);

// The same for the whole run: run() takes the option out of the arguments before the
// command sees them (false and the error printed on a usage error), and the commands call
// logInGivenUser() right after connecting.
bool takeLoginArguments(QStringList &arguments);
bool logInGivenUser();

} // namespace plx::cli
