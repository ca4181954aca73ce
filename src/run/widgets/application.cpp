#include "run/widgets/application.h"

#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/settings.h"
#include "run/widgets/mainwindow.h"
#include "schema/usertables.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace plx {

namespace {

QMessageBox::Icon iconFor(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Erreur:
        return QMessageBox::Critical;
    case MessageKind::Aide:
        return QMessageBox::Information;
    case MessageKind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

bool showMessageBox(MessageKind kind, const QString &text)
{
    // The hourglass of a long operation must not hide the box's own cursor.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(iconFor(kind), messageTitle(kind), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton *yes = nullptr;
    if (kind == MessageKind::Question) {
        yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        box.setDefaultButton(questionDefaultsToNo() ? no : yes);
        box.setEscapeButton(no);
    } else {
        box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    }
    box.exec();
    if (waiting)
        QApplication::restoreOverrideCursor();
    return yes != nullptr && box.clickedButton() == yes;
}

} // namespace

Application::Application(QObject *parent) : QObject(parent) {}

Application::~Application()
{
    delete m_main;
    delete m_login;
}

void Application::installMessageHandler()
{
    setMessageHandler(&showMessageBox);
}

void Application::start(const QString &commandLineArgument, bool firstStart)
{
    m_firstStart = firstStart;
    LoginStart start;
    if (!CommandLineDatabase::cleanArgument(commandLineArgument).isEmpty()) {
        if (m_commandLine.prepare(commandLineArgument)) {
            m_hasCommandLineDatabase = true;
            start.database = m_commandLine.database();
            start.fromCommandLine = true;
            start.asAdministrator = true;
        } else {
            // The stored profile still works: start with it, after saying why.
            showMessage(MessageKind::Erreur, m_commandLine.error());
        }
    }
    if (firstStart)
        start.asAdministrator = true;
    showLogin(start);
}

void Application::showLogin(const LoginStart &start)
{
    delete m_login;
    m_login = new Login;
    connect(m_login, &Login::loggedIn, this, &Application::onLoggedIn);
    connect(m_login, &Login::quitRequested, this, &Application::finished);
    m_login->show();
    m_login->demarrer(start);
}

void Application::onLoggedIn()
{
    auto *main = new MainWindow;
    m_main = main;
    main->installEventFilter(this);
    connect(main, &MainWindow::changeUserRequested, this, &Application::backToLogin);
    connect(main, &MainWindow::profileChanged, this, &Application::backToLogin);
    main->show();
    if (m_login) {
        m_login->hide();
        m_login->deleteLater();
    }
    if (m_firstStart) {
        m_firstStart = false;
        showMessage(MessageKind::Aide,
                    QStringLiteral("Bienvenue dans PLXReader.\n\nUne base de démonstration a été "
                                   "créée : « %1 ».\nVous êtes connecté en tant que %2 ; pour vous "
                                   "reconnecter, son mot de passe est %3.")
                        .arg(runProfile().database, QString::fromLatin1(kDefaultAdminLogin),
                             QString::fromLatin1(kDefaultAdminPassword)));
    }
}

void Application::backToLogin()
{
    // The main window has written its logout and closed: forget the user, then ask again.
    EcrireParametre(QStringLiteral("ConnexionAutomatic"), QStringLiteral("NON"));
    clearSession();
    if (m_main) {
        m_main->removeEventFilter(this);
        m_main->hide();
        m_main->deleteLater();
    }
    LoginStart start;
    // Another user on the database of the command line; a new profile replaces it.
    if (m_hasCommandLineDatabase && runProfile().database == m_commandLine.database()) {
        start.database = m_commandLine.database();
        start.fromCommandLine = true;
    }
    showLogin(start);
}

bool Application::eventFilter(QObject *watched, QEvent *event)
{
    // Whether the close was accepted, and whether it was a change of user, is only known
    // once the main window has handled it.
    // The type first: while the main window is being destroyed it still receives events
    // (children removed), and reading the QPointer then would downcast a half-destroyed object.
    if (event->type() == QEvent::Close && watched == m_main)
        QTimer::singleShot(0, this, &Application::checkMainWindowClosed);
    return QObject::eventFilter(watched, event);
}

void Application::checkMainWindowClosed()
{
    if (m_main && !m_main->isVisible() && !(m_login && m_login->isVisible()))
        emit finished();
}

} // namespace plx
