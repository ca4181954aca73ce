#include "run/widgets/mainwindow.h"

#include "base/widgets/navigator.h"
#include "charts/widgets/overlaychartscreen.h"
#include "charts/widgets/stationchartscreen.h"
#include "measures/widgets/validation.h"
#include "outputs/widgets/frmimpression.h"

#include "base/messages.h"
#include "base/userguide.h"
#include "config/connectionprofile.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "run/runoptions.h"
#include "session/journal.h"
#include "session/session.h"

#include <QPrinter>
#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPointer>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <utility>

namespace plx {

namespace {

struct ToolbarButton
{
    const char *method; // called on the active screen; nullptr: handled by the main window
    const char *themeIcon;
    QStyle::StandardPixmap fallbackIcon;
    const char *text;
};

// Indexes are the toolbar's contract with the screens: never reorder.
const std::array<ToolbarButton, MainWindow::kToolbarButtons> kButtons{{
    {nullptr, "document-print", QStyle::SP_FileDialogDetailedView, "Imprimer / exporter"},
    {"declencheInserer", "document-new", QStyle::SP_FileIcon, "Nouveau"},
    {"DeclencheSupprimer", "edit-delete", QStyle::SP_TrashIcon, "Supprimer"},
    {"DeclenchePoubelle", "edit-undo", QStyle::SP_DialogResetButton, "Abandonner les modifications"},
    {"declencheEnregistrer", "document-save", QStyle::SP_DialogSaveButton, "Enregistrer"},
    {"DeclencheApercu", "document-print-preview", QStyle::SP_FileDialogContentsView, "Aperçu"},
    {"DeclencheExcel", "x-office-spreadsheet", QStyle::SP_FileDialogListView, "Export tableur"},
    {"DeclencheOutils", "applications-utilities", QStyle::SP_DesktopIcon, "Outils"},
    {"DeclencheFicheComplement", "document-properties", QStyle::SP_FileDialogInfoView,
     "Fiche complémentaire"},
    {"DeclencheAide", "help-contextual", QStyle::SP_MessageBoxQuestion, "Aide de l'écran"},
    {nullptr, "window-close", QStyle::SP_DialogCloseButton, "Fermer la fenêtre"},
    {nullptr, "preferences-system", QStyle::SP_ComputerIcon, "Administration"},
    {nullptr, "accessories-dictionary", QStyle::SP_DirIcon, "Listes de codes"},
}};

bool hasMethod(const QObject *object, const char *method)
{
    return object && method
           && object->metaObject()->indexOfMethod(QByteArray(method) + "()") >= 0;
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Application"));
    setWindowTitle(applicationTitle());

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);

    m_versionCheck = new VersionCheck(this);
    connect(m_versionCheck, &VersionCheck::finished, this,
            [this](VersionCheck::Outcome outcome, const QString &) { onVersionChecked(outcome); });
    m_warningTimer = new QTimer(this);
    m_warningTimer->setInterval(1000);
    connect(m_warningTimer, &QTimer::timeout, this, &MainWindow::blinkVersionWarning);

    buildToolbar();
    buildMenus();
    buildStatusBar();

    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] {
        ChargerMenuFenetre();
        updateActions();
    });
    ChargerMenuFenetre();
    updateActions();
    resize(1280, 720);
}

MainWindow::~MainWindow()
{
    // The area still reports activations while its windows are torn down, after our
    // actions are gone.
    disconnect(m_mdi, nullptr, this, nullptr);
#ifdef QT_PRINTSUPPORT_LIB
    delete m_printer;
#endif
}

const char *MainWindow::toolbarMethod(int index)
{
    return index >= 0 && index < kToolbarButtons ? kButtons[size_t(index)].method : nullptr;
}

QString MainWindow::applicationTitle()
{
    return QStringLiteral("PLXReader");
}

QString MainWindow::versionText()
{
    return QStringLiteral("Version ") + programVersion();
}

void MainWindow::buildToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("Barre d'outils"));
    m_toolbar->setObjectName(QStringLiteral("BarreOutils"));
    m_toolbar->setMovable(false);
    m_toolbar->setIconSize(QSize(24, 24));
    for (int i = 0; i < kToolbarButtons; ++i) {
        const ToolbarButton &button = kButtons[size_t(i)];
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(button.themeIcon),
                                            style()->standardIcon(button.fallbackIcon));
        auto *action = new QAction(icon, QString::fromUtf8(button.text), this);
        action->setObjectName(QStringLiteral("toolbarAction") + QString::number(i));
        connect(action, &QAction::triggered, this, [this, i] { dispatchToolbar(i); });
        m_toolbarActions.push_back(action);
        m_toolbar->addAction(action);
        if (i == 0 || i == 4 || i == 9)
            m_toolbar->addSeparator();
    }
    m_toolbarActions[1]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_toolbarActions[2]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    m_toolbarActions[4]->setShortcut(QKeySequence::Save);
    m_toolbarActions[10]->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F4),
                                        QKeySequence(Qt::CTRL | Qt::Key_W)});
    for (QAction *action : m_toolbarActions) {
        if (!action->shortcut().isEmpty()) {
            action->setToolTip(action->text() + QStringLiteral(" (")
                               + action->shortcut().toString(QKeySequence::NativeText)
                               + QLatin1Char(')'));
        }
    }
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("BarreEtat"));

    m_databasePanel = new QToolButton(bar);
    m_databasePanel->setObjectName(QStringLiteral("lblBase"));
    m_databasePanel->setAutoRaise(true);
    m_databasePanel->setFocusPolicy(Qt::TabFocus);
    connect(m_databasePanel, &QToolButton::clicked, this, &MainWindow::openConnectionScreen);

    m_userPanel = new QLabel(bar);
    m_userPanel->setObjectName(QStringLiteral("lblUtilisateur"));
    m_userPanel->setContentsMargins(8, 0, 8, 0);

    m_versionPanel = new QToolButton(bar);
    m_versionPanel->setObjectName(QStringLiteral("lblVersion"));
    m_versionPanel->setAutoRaise(true);
    m_versionPanel->setFocusPolicy(Qt::TabFocus);
    m_versionPanel->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_versionPanel->setText(versionText());
    m_versionPanel->setToolTip(QStringLiteral("Ouvrir le site du support"));
    m_warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    // A blank picture of the same size while the warning is off, so the text never moves.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    m_versionPanel->setIconSize(QSize(16, 16));
    m_versionPanel->setIcon(QIcon(blank));
    connect(m_versionPanel, &QToolButton::clicked, this, &MainWindow::openSupportSite);

    // The state of the link to a database server: lost, then restored at the next action.
    m_linkPanel = new QLabel(bar);
    m_linkPanel->setObjectName(QStringLiteral("lblConnexion"));
    m_linkPanel->setContentsMargins(8, 0, 8, 0);
    QPointer<QLabel> panel(m_linkPanel);
    AccesBase::instance().setLinkObserver(
        [panel](AccesBase::LinkState state, const QString &server, const QString &detail) {
            if (!panel)
                return;
            switch (state) {
            case AccesBase::LinkState::Connected:
                panel->setText(QStringLiteral("Connecté"));
                panel->setStyleSheet(QString());
                panel->setToolTip(server);
                break;
            case AccesBase::LinkState::Lost:
                panel->setText(QStringLiteral("Connexion perdue avec « %1 »").arg(server));
                panel->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
                panel->setToolTip(QStringLiteral("Le serveur ne répond plus. La connexion sera "
                                                 "rétablie à la prochaine action, sans nouvelle "
                                                 "identification.\n") +
                                  detail);
                break;
            case AccesBase::LinkState::Restored:
                panel->setText(QStringLiteral("Connexion rétablie avec « %1 »").arg(server));
                panel->setStyleSheet(QStringLiteral("color: #1b5e20"));
                panel->setToolTip(server);
                break;
            }
        });
    m_linkPanel->setText(AccesBase::instance().isConnected() ? QStringLiteral("Connecté")
                                                             : QString());

    bar->addPermanentWidget(m_databasePanel, 1);
    bar->addPermanentWidget(m_linkPanel);
    bar->addPermanentWidget(m_userPanel);
    bar->addPermanentWidget(m_versionPanel);
    refreshStatusBar();
}

void MainWindow::refreshStatusBar()
{
    const ConnectionProfile &profile = runProfile();
    QString database;
    QString detail;
    if (!AccesBase::instance().isConnected()) {
        database = QStringLiteral("Aucune base connectée");
    } else if (profile.kind.compare(QLatin1String("ACCESS"), Qt::CaseInsensitive) == 0) {
        database = QFileInfo(profile.database).fileName();
        detail = profile.database;
    } else {
        database = profile.database;
        if (!profile.server.isEmpty())
            database += QStringLiteral(" sur ") + profile.server;
        detail = profile.kind + QStringLiteral(" : ") + database
                 + (profile.port.isEmpty() ? QString() : QStringLiteral(", port ") + profile.port);
    }
    m_databasePanel->setText(QStringLiteral("Base : ") + database);
    m_databasePanel->setToolTip((detail.isEmpty() ? QString() : detail + QLatin1Char('\n'))
                                + QStringLiteral("Cliquer pour changer de base de données"));

    const UserSession &user = session();
    QString who = user.login;
    if (!user.displayName.isEmpty() && user.displayName != user.login)
        who = user.displayName + QStringLiteral(" (") + user.login + QLatin1Char(')');
    m_userPanel->setText(QStringLiteral("Utilisateur : ") + (who.isEmpty() ? QStringLiteral("-") : who));
}

QList<QMdiSubWindow *> MainWindow::openSubWindows() const
{
    QList<QMdiSubWindow *> open;
    const QList<QMdiSubWindow *> all = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *sub : all) {
        // A closed window lingers in the list until it is deleted.
        if (!sub->isHidden() && sub->widget())
            open << sub;
    }
    return open;
}

QMdiSubWindow *MainWindow::subWindowOf(const QWidget *screen) const
{
    const QList<QMdiSubWindow *> open = openSubWindows();
    for (QMdiSubWindow *sub : open) {
        if (sub->widget() == screen)
            return sub;
    }
    return nullptr;
}

QWidget *MainWindow::activeScreen() const
{
    // currentSubWindow, not activeSubWindow: the toolbar must still reach the screen while
    // another application or a dialog has the focus.
    QMdiSubWindow *sub = m_mdi->currentSubWindow();
    return sub && !sub->isHidden() ? sub->widget() : nullptr;
}

QList<QWidget *> MainWindow::screens() const
{
    QList<QWidget *> list;
    const QList<QMdiSubWindow *> open = openSubWindows();
    for (QMdiSubWindow *sub : open)
        list << sub->widget();
    return list;
}

QWidget *MainWindow::openScreen(QWidget *screen)
{
    if (!screen)
        return nullptr;
    const QString key = screenKind(screen);
    QMdiSubWindow *existing = subWindowOf(screen);
    if (!existing) {
        const QList<QMdiSubWindow *> open = openSubWindows();
        for (QMdiSubWindow *sub : open) {
            if (screenKind(sub->widget()) == key) {
                existing = sub;
                screen->deleteLater();
                break;
            }
        }
    }
    if (existing) {
        if (existing->isMinimized())
            existing->showNormal();
        m_mdi->setActiveSubWindow(existing);
        existing->raise();
        return existing->widget();
    }

    QMdiSubWindow *sub = m_mdi->addSubWindow(screen);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // Not the toolkit's logo in the window's corner (and in the menu bar once maximised).
    sub->setWindowIcon(style()->standardIcon(QStyle::SP_FileIcon));
    const QSize available = m_mdi->viewport()->size();
    // A screen that chose its size (a grid whose hint would be a few rows) keeps it.
    const QSize wanted = screen->testAttribute(Qt::WA_Resized) ? screen->size() : screen->sizeHint();
    // The frame (title bar and borders) counts: a window as large as the area must not
    // run past its bottom edge.
    QSize size = wanted.expandedTo(screen->minimumSizeHint()).expandedTo(QSize(480, 320)) +
                 QSize(8, 32);
    if (available.width() > 200 && available.height() > 200)
        size = size.boundedTo(available);
    sub->resize(size);
    connect(sub, &QObject::destroyed, this, [this] {
        // The area forgets the window once control returns to the event loop.
        QTimer::singleShot(0, this, [this] {
            ChargerMenuFenetre();
            updateActions();
        });
    });
    connect(screen, &QWidget::windowTitleChanged, this, &MainWindow::ChargerMenuFenetre);
    sub->show();
    // The area cascades new windows: one that would then run past its edges moves back in.
    if (available.width() > 200 && available.height() > 200) {
        const QPoint inside(qMax(0, qMin(sub->x(), available.width() - sub->width())),
                            qMax(0, qMin(sub->y(), available.height() - sub->height())));
        sub->move(inside);
    }
    m_mdi->setActiveSubWindow(sub);
    screen->setFocus();
    ChargerMenuFenetre();
    updateActions();
    return screen;
}

bool MainWindow::invokeOnActiveScreen(const char *method)
{
    QWidget *screen = activeScreen();
    if (!hasMethod(screen, method))
        return false;
    return QMetaObject::invokeMethod(screen, method, Qt::DirectConnection);
}

void MainWindow::dispatchToolbar(int index)
{
    switch (index) {
    case 0:
        openPrintDialog();
        return;
    case 10:
        closeActiveScreen();
        return;
    case 11:
        openAdministration();
        return;
    case 12:
        openCodeLists();
        return;
    case 9:
        // Every screen has help: the guide's page when it offers none of its own.
        if (!invokeOnActiveScreen(toolbarMethod(index)) && activeScreen())
            showHelp();
        return;
    default:
        invokeOnActiveScreen(toolbarMethod(index));
        return;
    }
}

void MainWindow::openPrintDialog()
{
    QWidget *screen = activeScreen();
    if (!screen)
        return;
    PrintDialogContext context;
    context.screen = screen;
    context.templateFolder = runOptions().cheminModeles;
    context.editionFolder = runOptions().cheminEdition;
    context.db = &AccesBase::instance();
    context.author = currentReportAuthor();
    if (!m_printer)
        m_printer = new QPrinter(QPrinter::HighResolution);
    context.printer = m_printer;
    context.printScreen = [this] { printActiveScreen(); };
    context.showHelp = [this] { showHelpPage(guidePageForScreen(QStringLiteral("FrmImpression"))); };
    FrmImpression dialog(std::move(context), this);
    dialog.exec();
}

void MainWindow::updateActions()
{
    QWidget *screen = activeScreen();
    for (int i = 0; i < kToolbarButtons; ++i) {
        if (const char *method = toolbarMethod(i))
            m_toolbarActions[size_t(i)]->setEnabled(hasMethod(screen, method));
    }
    m_toolbarActions[0]->setEnabled(screen != nullptr);
    m_toolbarActions[9]->setEnabled(screen != nullptr);
    m_toolbarActions[10]->setEnabled(screen != nullptr);
    if (m_printAction)
        m_printAction->setEnabled(screen != nullptr);
    if (m_chooseColumnsAction)
        m_chooseColumnsAction->setEnabled(hasMethod(screen, "ChoisirColonnes"));
    if (m_refreshAction)
        m_refreshAction->setEnabled(hasMethod(screen, "Actualiser"));
    if (m_chronicleAction)
        m_chronicleAction->setEnabled(hasMethod(screen, "openChronicle"));
    if (m_yearlyAction)
        m_yearlyAction->setEnabled(hasMethod(screen, "openYearlyChart"));
    if (m_yearbookAction)
        m_yearbookAction->setEnabled(hasMethod(screen, "openYearbook"));
    if (m_normalsAction)
        m_normalsAction->setEnabled(hasMethod(screen, "openNormalsComparison"));
}

void MainWindow::closeActiveScreen()
{
    if (QMdiSubWindow *sub = m_mdi->currentSubWindow())
        sub->close();
}

void MainWindow::openStationSeries(const QString &code, NeighbourLookup neighbours)
{
    Validation::openFor(*this, code, std::move(neighbours));
}

void MainWindow::openStationChart(const QString &code, StationChart kind,
                                  NeighbourLookup neighbours)
{
    StationChartScreen::openFor(*this, code, kind, std::move(neighbours));
}

void MainWindow::openOverlayChart(OverlayChart kind, const QStringList &rainGauges)
{
    OverlayChartScreen::openFor(*this, kind, rainGauges);
}

bool MainWindow::closeAllScreens()
{
    const QList<QMdiSubWindow *> open = openSubWindows();
    for (QMdiSubWindow *sub : open) {
        if (!sub->close()) {
            m_mdi->setActiveSubWindow(sub);
            return false;
        }
    }
    return true;
}

void MainWindow::writeLogout()
{
    if (m_logoutWritten || !AccesBase::instance().isConnected() || !session().loggedIn())
        return;
    m_logoutWritten = true;
    recordConnectionStatistic(QStringLiteral("LOGOUT"), session().login);
    journal(QStringLiteral("Logout"));
}

bool MainWindow::closeWithReason(CloseReason reason)
{
    m_closeReason = reason;
    const bool closed = close();
    m_closeReason = CloseReason::Quit;
    return closed;
}

void MainWindow::changeUser()
{
    closeWithReason(CloseReason::ChangeUser);
}

bool MainWindow::closeForProfileChange()
{
    return closeWithReason(CloseReason::ProfileChange);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    const CloseReason reason = m_closeReason;
    if (reason == CloseReason::Quit
        && !showMessage(MessageKind::Question, QStringLiteral("Etes vous sûr de vouloir quitter ")
                                                   + applicationTitle() + QStringLiteral(" ?"))) {
        event->ignore();
        return;
    }
    if (!closeAllScreens()) {
        event->ignore();
        return;
    }
    m_warningTimer->stop();
    writeLogout();
    event->accept();

    switch (reason) {
    case CloseReason::Quit:
        AccesBase::instance().Deconnecter();
        break;
    case CloseReason::ChangeUser:
        EcrireParametre(QStringLiteral("ConnexionAutomatic"), QStringLiteral("NON"));
        clearSession();
        emit changeUserRequested();
        break;
    case CloseReason::ProfileChange:
        clearSession();
        emit profileChanged();
        break;
    }
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    refreshStatusBar();
    if (m_started)
        return;
    m_started = true;
    // The start timer: once, after the window has painted, so that nothing it does delays
    // the first display.
    QTimer::singleShot(500, this, [this] {
        if (m_versionCheckAtStart)
            startVersionCheck();
    });
}

void MainWindow::startVersionCheck()
{
    const QString text = m_versionPanel->text();
    m_versionCheck->start(text.mid(text.indexOf(QLatin1Char(' ')) + 1));
}

void MainWindow::onVersionChecked(VersionCheck::Outcome outcome)
{
    if (outcome != VersionCheck::Outcome::Outdated)
        return;
    m_versionPanel->setToolTip(QStringLiteral("Votre version n'est plus à jour."));
    if (!m_warningTimer->isActive()) {
        blinkVersionWarning();
        m_warningTimer->start();
    }
}

void MainWindow::blinkVersionWarning()
{
    m_warningPictureShown = !m_warningPictureShown;
    if (m_warningPictureShown) {
        m_versionPanel->setIcon(m_warningIcon);
    } else {
        QPixmap blank(m_versionPanel->iconSize());
        blank.fill(Qt::transparent);
        m_versionPanel->setIcon(QIcon(blank));
    }
    m_versionPanel->setToolTip(QStringLiteral("Votre version n'est plus à jour."));
}

bool MainWindow::isVersionWarningShown() const
{
    return m_warningTimer->isActive();
}

} // namespace plx
