#include "cli/loginoption.h"

#include "run/loginsequence.h"
#include "run/runoptions.h"
#include "session/journal.h"

#include <cstdio>

namespace plx::cli {

namespace {

LoginOption &givenLogin()
{
    static LoginOption option;
    return option;
}

} // namespace

LoginOption takeLoginOption(QStringList &arguments)
{
    LoginOption option;
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        const bool user = arg == QLatin1String("--user");
        if (!user && arg != QLatin1String("--password")) {
            rest << arg;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            option.error = QStringLiteral("L'option %1 attend une valeur.").arg(arg);
            break;
        }
        (user ? option.user : option.password) = arguments[++i];
        option.given = true;
    }
    if (option.error.isEmpty() && option.given && option.user.trimmed().isEmpty())
        option.error = QStringLiteral("L'option --password demande aussi --user.");
    arguments = rest;
    return option;
}

bool logIn(const LoginOption &option)
{
    if (!option.given)
        return true;
    LoginRequest request;
    request.login = option.user;
    request.password = option.password;
    if (authenticateUser(request) != LoginStatus::LoggedIn)
        return false;
    loadRunOptions();
    journal(QStringLiteral("Login (plx)"));
    return true;
}

bool takeLoginArguments(QStringList &arguments)
{
    givenLogin() = takeLoginOption(arguments);
    if (givenLogin().error.isEmpty())
        return true;
    std::fputs((givenLogin().error + QLatin1Char('\n')).toUtf8().constData(), stderr);
    return false;
}

bool logInGivenUser()
{
    return logIn(givenLogin());
}

} // namespace plx::cli
