#pragma once

#include <QDialog>
#include <QIcon>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace plx {

// How the login screen starts.
struct LoginStart
{
    // A database file to open instead of the stored profile (given on the command line;
    // already prepared: see CommandLineDatabase).
    QString database;
    bool fromCommandLine = false;
    // Log in as ADMIN at once, without asking: a database given on the command line, or the
    // demo database made at the first start.
    bool asAdministrator = false;
};

// The first screen: opens the database of the stored profile, then authenticates the user.
// Each step shows in lblEtat. Enter in a field starts the login, Escape ends the program.
class Login : public QDialog
{
    Q_OBJECT

public:
    explicit Login(QWidget *parent = nullptr);

    // Start-up: journal and trace, the connection profile, the connection check, the
    // remembered user, then the automatic login when it applies (on the next event-loop
    // turn, so that the screen shows first).
    void demarrer(const LoginStart &start = {});

    // The login sequence with what is typed. Ignored while one runs.
    void startLogin();

    // The program's icon (windows, taskbar).
    static QIcon programIcon();

    bool isBusy() const { return m_busy; }
    bool isDatabaseConnected() const { return m_connected; }

signals:
    void loggedIn();
    // Escape, "Quitter" or the window's close button.
    void quitRequested();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void setState(const QString &text);
    void setDatabaseLabel(const QString &text);
    void afterConnection(bool connected);
    void runSequence(bool asAdministrator);
    void focusFirstEmptyField();
    void openConnectionScreen();
    void connectionChanged();
    void setInputsEnabled(bool enabled);

    LoginStart m_start;
    bool m_busy = false;
    bool m_connected = false;

    // Owned by the dialog (Qt parent).
    QLineEdit *m_txtNom = nullptr;
    QLineEdit *m_txtMotPass = nullptr;
    QCheckBox *m_chkAutomatic = nullptr;
    QLabel *m_lblEtat = nullptr;
    QLabel *m_lblUtilisee = nullptr;
    QLabel *m_ctlVersion = nullptr;
    QPushButton *m_cmdValider = nullptr;
    QPushButton *m_cmdQuitter = nullptr;
    QPushButton *m_cmdConnexion = nullptr;
};

} // namespace plx
