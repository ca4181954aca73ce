#pragma once

#include "run/loginsequence.h"
#include "run/widgets/login.h"

#include <QMainWindow>
#include <QObject>
#include <QPointer>

namespace plx {

// The program's flow: the login screen, then the main window; back to the login screen
// when the user or the connection profile changes; the end of the program when the login
// screen is left or the main window closed.
class Application : public QObject
{
    Q_OBJECT

public:
    explicit Application(QObject *parent = nullptr);
    ~Application() override;

    // Shows message boxes for showMessage: the kind as title, its icon, "Oui"/"Non" for a
    // question ("Oui" the default button).
    static void installMessageHandler();

    // commandLineArgument: the database file given on the command line (quotes and blanks
    // around are removed), empty for none. firstStart: the demo database was just made and
    // stored as the profile: log in as ADMIN without asking.
    void start(const QString &commandLineArgument = {}, bool firstStart = false);

    Login *loginScreen() const { return m_login; }
    QMainWindow *mainWindow() const { return m_main; }

signals:
    // Emitted when the program should end (QApplication::quit is connected by main()).
    void finished();

private:
    void showLogin(const LoginStart &start);
    void onLoggedIn();
    void backToLogin();
    void checkMainWindowClosed();
    bool eventFilter(QObject *watched, QEvent *event) override;

    CommandLineDatabase m_commandLine;
    bool m_hasCommandLineDatabase = false;
    bool m_firstStart = false;
    QPointer<Login> m_login;     // owned; deleted when the main window shows
    QPointer<QMainWindow> m_main; // owned; deleted when it closes
};

} // namespace plx
