// The main window's menus and the commands they run: reference lists, window list,
// printing, help.
#include "run/widgets/mainwindow.h"

#include "base/messages.h"
#include "base/userguide.h"
#include "base/widgets/helpopener.h"
#include "charts/widgets/suiviprecipitations.h"
#include "config/settings.h"
#include "config/widgets/frmconnexion.h"
#include "db/accesbase.h"
#include "imports/widgets/importerdonnees.h"
#include "measures/widgets/situationreseau.h"
#include "run/widgets/administration.h"
#include "run/widgets/journalevenements.h"
#include "run/widgets/referencetable.h"
#include "session/session.h"
#include "stations/widgets/bassinsversants.h"
#include "stations/widgets/bulletinspluvio.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/listeinterventions.h"
#include "stations/widgets/listepluviometres.h"

#include <QAction>
#include <QActionGroup>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace plx {

namespace {

// The module code of this program: the sister modules' entries are hidden.
const QLatin1String kModuleCode("PLX");

struct ReferenceEntry
{
    const char *text;  // menu text (UTF-8)
    const char *table; // table edited; "" for the screens with their own window
    bool shownForPlx;  // false: an entry of a sister module only
};

// In the order of the menu. The sister modules' lists stay in the table so that their
// tables are known when a module code shows them.
const ReferenceEntry kReferenceEntries[] = {
    {"&Aquifères", "AQUIFERES", false},
    {"&Bassins versants", "BASSINS_VERSANTS", true},
    {"Codes &hydrométriques", "CODES_HYDRO", false},
    {"Codes &nationaux (Sandre)", "CODES_SANDRE", true},
    {"C&ommunes", "COMMUNES", true},
    {"Con&tacts", "CONTACTS", true},
    {"Appareils", "APPAREILS", false},
    {"Entités hydrogéologiques", "ENTITES_HYDROGEOLOGIQUES", false},
    {"Finalités", "FINALITES", false},
    {"Fractions", "FRACTIONS", false},
    {"&Intervenants", "INTERVENANTS", true},
    {"&Masses d'eau", "MASSES_EAU", true},
    {"Méthodes", "METHODES", false},
    {"Paramètres", "PARAMETRES_QUALITO", false},
    {"&Pays", "PAYS", true},
    {"&Régions", "REGIONS", true},
    {"Rése&aux", "RESEAUX", true},
    {"&Sélections", "SELECTIONS", true},
    {"S&euils", "PLUVIOMETRES_SEUILS", true},
    {"Substrats", "SUBSTRATS", false},
    {"Supports", "SUPPORTS", false},
    {"Taxons", "TAXONS", false},
    {"Traits écologiques", "TRAITS_ECOLOGIQUES", false},
    {"Unités", "UNITES", false},
    {"&Utilisateurs", "UTILISATEURS", true},
};

// Small drawn pictures: the icon themes have no chart icon everywhere.
QIcon chartIcon(bool yearly)
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    painter.drawLine(3, 21, 21, 21);
    painter.drawLine(3, 3, 3, 21);
    if (yearly) {
        painter.setPen(QPen(QColor(0x1f, 0x77, 0xb4), 2));
        painter.drawPolyline(QPolygon({QPoint(4, 16), QPoint(9, 9), QPoint(14, 13), QPoint(20, 5)}));
        painter.setPen(QPen(QColor(0xd6, 0x27, 0x28), 1, Qt::DashLine));
        painter.drawPolyline(QPolygon({QPoint(4, 12), QPoint(9, 14), QPoint(14, 8), QPoint(20, 10)}));
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1f, 0x77, 0xb4));
        const int heights[] = {6, 12, 4, 15, 9};
        for (int i = 0; i < 5; ++i)
            painter.drawRect(5 + 3 * i, 21 - heights[i], 2, heights[i]);
    }
    painter.end();
    return QIcon(picture);
}

// The yearbook: a line chart above a bar chart. The normals: pairs of bars.
QIcon pagedChartIcon(bool yearbook)
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    painter.drawLine(3, 21, 21, 21);
    painter.drawLine(3, 3, 3, 21);
    painter.setPen(Qt::NoPen);
    if (yearbook) {
        painter.setPen(QPen(QColor(0x1f, 0x77, 0xb4), 2));
        painter.drawPolyline(QPolygon({QPoint(4, 9), QPoint(9, 4), QPoint(14, 7), QPoint(20, 3)}));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1f, 0x77, 0xb4));
        const int heights[] = {5, 8, 3, 7, 6};
        for (int i = 0; i < 5; ++i)
            painter.drawRect(5 + 3 * i, 21 - heights[i], 2, heights[i]);
    } else {
        const int heights[] = {8, 11, 14, 12, 6, 9};
        for (int i = 0; i < 6; ++i) {
            painter.setBrush(i % 2 ? QColor(0xd6, 0x27, 0x28) : QColor(0x1f, 0x77, 0xb4));
            painter.drawRect(5 + 3 * i, 21 - heights[i], 2, heights[i]);
        }
    }
    painter.end();
    return QIcon(picture);
}

QString menuTitle(const char *text)
{
    return QString::fromUtf8(text).remove(QLatin1Char('&'));
}

} // namespace

void MainWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    file->setObjectName(QStringLiteral("MenuFichier"));
    m_stationListAction = file->addAction(QStringLiteral("&Liste des stations"), this,
                                          &MainWindow::openStationList);
    m_stationListAction->setObjectName(QStringLiteral("MnuListeStations"));
    m_stationListAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    QAction *newStation = file->addAction(QStringLiteral("&Nouveau pluviomètre"), this, [this] {
        // Through the list when it is open, so that it shows the new station once saved.
        for (QWidget *screen : screens()) {
            if (auto *list = qobject_cast<ListePluviometres *>(screen)) {
                list->openRecord(QString());
                return;
            }
        }
        openScreen(new FichePluviometre);
    });
    newStation->setObjectName(QStringLiteral("MnuNouveauPluviometre"));
    file->addAction(QStringLiteral("&Situation du réseau"), this, &MainWindow::openSituation)
        ->setObjectName(QStringLiteral("MnuSituationReseau"));
    file->addAction(QStringLiteral("Liste des in&terventions"), this, [this] {
        // From the list: its selected stations; else every station.
        std::vector<qint64> selected;
        if (auto *list = qobject_cast<ListePluviometres *>(activeScreen()))
            selected = list->selectedCodes();
        const std::vector<qlonglong> codes(selected.begin(), selected.end());
        auto *created = new ListeInterventions(codes);
        auto *shown = qobject_cast<ListeInterventions *>(openScreen(created));
        if (shown && shown != created) // already open: it takes the new selection
            shown->setStations(codes);
    })->setObjectName(QStringLiteral("MnuListeInterventions"));
    file->addAction(QStringLiteral("&Bulletins"), this, [this] { openScreen(new BulletinsPluvio); })
        ->setObjectName(QStringLiteral("MnuBulletins"));
    file->addAction(QStringLiteral("Importer des &données…"), this,
                    [this] { openScreen(new ImporterDonnees); })
        ->setObjectName(QStringLiteral("MnuImporterDonnees"));
    file->addSeparator();
    m_printAction = file->addAction(QStringLiteral("&Imprimer l'écran…"), this,
                                    &MainWindow::printActiveScreen);
    m_printAction->setObjectName(QStringLiteral("MnuImprimer"));
    m_printAction->setShortcut(QKeySequence::Print);
    QAction *setup = file->addAction(QStringLiteral("&Configuration de l'impression…"), this,
                                     &MainWindow::printerSetup);
    setup->setObjectName(QStringLiteral("MnuConfigurationImpression"));
    file->addSeparator();
    QAction *closeScreen = m_toolbarActions[10];
    closeScreen->setText(QStringLiteral("&Fermer la fenêtre"));
    file->addAction(closeScreen);
    QAction *user = file->addAction(QStringLiteral("&Changer d'utilisateur"), this,
                                    &MainWindow::changeUser);
    user->setObjectName(QStringLiteral("MnuChangerUtilisateur"));
    QAction *quit = file->addAction(QStringLiteral("&Quitter"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("MnuQuitter"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *display = menuBar()->addMenu(QStringLiteral("&Affichage"));
    display->setObjectName(QStringLiteral("MenuAffichage"));
    m_chooseColumnsAction = display->addAction(QStringLiteral("&Choisir les colonnes…"), this,
                                               [this] { invokeOnActiveScreen("ChoisirColonnes"); });
    m_chooseColumnsAction->setObjectName(QStringLiteral("MnuChoisirColonnes"));
    m_refreshAction = display->addAction(QStringLiteral("&Actualiser la liste"), this,
                                         [this] { invokeOnActiveScreen("Actualiser"); });
    m_refreshAction->setObjectName(QStringLiteral("MnuActualiser"));
    m_refreshAction->setShortcut(QKeySequence::Refresh);
    m_controlsAction = display->addAction(QStringLiteral("C&ontrôles qualité"), this,
                                          [this] { invokeOnActiveScreen("DeclencheControles"); });
    m_controlsAction->setObjectName(QStringLiteral("MnuControles"));

    QMenu *charts = menuBar()->addMenu(QStringLiteral("&Graphiques"));
    charts->setObjectName(QStringLiteral("MenuGraphiques"));
    m_chronicleAction = charts->addAction(chartIcon(false), QStringLiteral("&Chronique du pluviomètre"),
                                          this, [this] { invokeOnActiveScreen("openChronicle"); });
    m_chronicleAction->setObjectName(QStringLiteral("MnuChronique"));
    m_yearlyAction = charts->addAction(chartIcon(true), QStringLiteral("Graphique &annuel"), this,
                                       [this] { invokeOnActiveScreen("openYearlyChart"); });
    m_yearlyAction->setObjectName(QStringLiteral("MnuGraphiqueAnnee"));
    m_yearbookAction = charts->addAction(pagedChartIcon(true), QStringLiteral("Ann&uaire"), this,
                                         [this] { invokeOnActiveScreen("openYearbook"); });
    m_yearbookAction->setObjectName(QStringLiteral("MnuAnnuaire"));
    m_normalsAction =
        charts->addAction(pagedChartIcon(false), QStringLiteral("Comparaison aux &normales"), this,
                          [this] { invokeOnActiveScreen("openNormalsComparison"); });
    m_normalsAction->setObjectName(QStringLiteral("MnuCompNormale"));
    charts->addSeparator();
    // Not tied to the active screen: they pick their own stations.
    charts->addAction(QStringLiteral("&Superposition de pluviomètres"), this, [this] {
        openOverlayChart(OverlayChart::RainGauges, {});
    })->setObjectName(QStringLiteral("MnuSuperpositionPluvio"));
    charts->addAction(QStringLiteral("Superposition &pluie / piézométrie"), this, [this] {
        openOverlayChart(OverlayChart::RainAndGroundwater, {});
    })->setObjectName(QStringLiteral("MnuSuperpositionPiezo"));
    charts->addAction(QStringLiteral("Suivi des p&récipitations"), this, [this] {
        openScreen(new SuiviPrecipitations);
    })->setObjectName(QStringLiteral("MnuSuiviPrecipitations"));
    m_toolbar->addSeparator();
    m_toolbar->addAction(m_chronicleAction);
    m_toolbar->addAction(m_yearlyAction);
    m_toolbar->addAction(m_yearbookAction);
    m_toolbar->addAction(m_normalsAction);

    m_referenceMenu = menuBar()->addMenu(QStringLiteral("&Référentiels"));
    m_referenceMenu->setObjectName(QStringLiteral("MenuReferentiels"));
    buildReferenceMenu(m_referenceMenu);

    QMenu *options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("MenuOptions"));
    m_administrationAction = m_toolbarActions[11];
    m_administrationAction->setText(QStringLiteral("&Administration…"));
    options->addAction(m_administrationAction);
    m_journalAction = options->addAction(QStringLiteral("&Journal des événements"), this,
                                         &MainWindow::openJournal);
    m_journalAction->setObjectName(QStringLiteral("MnuJournal"));
    // The user may change while the window lives (profile switch): decide at each opening.
    m_journalAction->setVisible(session().isAdmin);
    connect(options, &QMenu::aboutToShow, this,
            [this] { m_journalAction->setVisible(session().isAdmin); });

    m_windowMenu = menuBar()->addMenu(QStringLiteral("Fe&nêtre"));
    m_windowMenu->setObjectName(QStringLiteral("MenuFenetre"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::ChargerMenuFenetre);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Aide"));
    help->setObjectName(QStringLiteral("MenuAide"));
    QAction *helpAction = help->addAction(QStringLiteral("&Aide de PLXReader"), this,
                                          &MainWindow::showHelp);
    helpAction->setObjectName(QStringLiteral("MnuAide"));
    helpAction->setShortcut(QKeySequence::HelpContents);
    help->addAction(QStringLiteral("&Site du support"), this, &MainWindow::openSupportSite);
    help->addSeparator();
    help->addAction(QStringLiteral("À &propos de PLXReader"), this, [] {
        showMessage(MessageKind::Aide, applicationTitle() + QLatin1Char('\n') + versionText()
                                           + QStringLiteral("\nGestion des réseaux de pluviomètres"));
    });
}

void MainWindow::buildReferenceMenu(QMenu *menu)
{
    for (const ReferenceEntry &entry : kReferenceEntries) {
        if (!entry.shownForPlx && kModuleCode == QLatin1String("PLX"))
            continue;
        const QString table = QString::fromLatin1(entry.table);
        const QString title = menuTitle(entry.text);
        QAction *action = menu->addAction(QString::fromUtf8(entry.text));
        action->setObjectName(QStringLiteral("MnuRef_") + table);
        if (table == QLatin1String("BASSINS_VERSANTS"))
            connect(action, &QAction::triggered, this, &MainWindow::openWatersheds);
        else
            connect(action, &QAction::triggered, this,
                    [this, table, title] { openReferenceTable(table, title); });
        m_referenceActions.emplace_back(action, table);
    }
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::refreshReferenceMenu);
    refreshReferenceMenu();
}

void MainWindow::refreshReferenceMenu()
{
    // A list whose table this database does not have (a sister module's, or an older
    // schema) shows disabled rather than opening on an error.
    AccesBase &db = AccesBase::instance();
    const bool connected = db.isConnected();
    for (auto &[action, table] : m_referenceActions) {
        bool enabled = connected && db.tableExists(table);
        if (table == QLatin1String("UTILISATEURS"))
            enabled = enabled && session().isAdmin;
        action->setEnabled(enabled);
    }
}

void MainWindow::ChargerMenuFenetre()
{
    if (!m_windowMenu)
        return;
    m_windowMenu->clear();
    const QList<QMdiSubWindow *> open = openSubWindows();
    const bool any = !open.isEmpty();
    QAction *cascade = m_windowMenu->addAction(QStringLiteral("&Cascade"), m_mdi,
                                               &QMdiArea::cascadeSubWindows);
    QAction *horizontal = m_windowMenu->addAction(QStringLiteral("Mosaique &horizontale"), this,
                                                  &MainWindow::tileHorizontally);
    QAction *vertical = m_windowMenu->addAction(QStringLiteral("Mosaique &verticale"), this,
                                                &MainWindow::tileVertically);
    QAction *icons = m_windowMenu->addAction(QStringLiteral("&Réorganiser les icônes"), this,
                                             &MainWindow::arrangeIcons);
    for (QAction *action : {cascade, horizontal, vertical, icons})
        action->setEnabled(any);
    if (!any)
        return;
    m_windowMenu->addSeparator();
    auto *group = new QActionGroup(m_windowMenu);
    QMdiSubWindow *current = m_mdi->currentSubWindow();
    int number = 0;
    for (QMdiSubWindow *sub : open) {
        ++number;
        QString title = sub->widget()->windowTitle();
        if (title.isEmpty())
            title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = number < 10
                                 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                 : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction *action = m_windowMenu->addAction(text);
        action->setCheckable(true);
        action->setChecked(sub == current);
        action->setActionGroup(group);
        QPointer<QMdiSubWindow> target(sub);
        connect(action, &QAction::triggered, this, [this, target] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            m_mdi->setActiveSubWindow(target);
        });
    }
}

void MainWindow::tileHorizontally()
{
    // One window above the other, each the full width of the area.
    tile(Qt::Vertical);
}

void MainWindow::tileVertically()
{
    // Side by side, each the full height of the area.
    tile(Qt::Horizontal);
}

void MainWindow::tile(Qt::Orientation direction)
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *sub : openSubWindows()) {
        if (!sub->isMinimized())
            windows << sub;
    }
    if (windows.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const bool stacked = direction == Qt::Vertical;
    const int step = stacked ? qMax(area.height() / int(windows.size()), 80)
                             : qMax(area.width() / int(windows.size()), 120);
    int offset = 0;
    for (QMdiSubWindow *sub : windows) {
        sub->showNormal();
        sub->setGeometry(stacked ? QRect(0, offset, area.width(), step)
                                 : QRect(offset, 0, step, area.height()));
        offset += step;
    }
}

void MainWindow::arrangeIcons()
{
    // Minimised windows in a row along the bottom of the area, wrapping upwards.
    const QRect area = m_mdi->viewport()->rect();
    int x = 0;
    int y = area.bottom();
    for (QMdiSubWindow *sub : openSubWindows()) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        sub->move(x, y - size.height() + 1);
        x += size.width();
    }
}

void MainWindow::openStationList()
{
    openScreen(new ListePluviometres);
}

void MainWindow::openSituation()
{
    // From the list with several stations selected: those stations; else all visible ones.
    QStringList codes;
    if (auto *list = qobject_cast<ListePluviometres *>(activeScreen())) {
        const std::vector<qint64> selected = list->selectedCodes();
        if (selected.size() > 1) {
            for (const qint64 code : selected)
                codes << QString::number(code);
        }
    }
    auto *screen = qobject_cast<SituationReseau *>(openScreen(new SituationReseau(codes)));
    if (screen && screen->rows().empty())
        QTimer::singleShot(0, screen, &SituationReseau::Actualiser);
}

void MainWindow::openAdministration()
{
    openScreen(new Administration);
}

QWidget *MainWindow::openJournal()
{
    if (!session().isAdmin) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Le journal des événements est réservé aux administrateurs."));
        return nullptr;
    }
    return openScreen(new JournalEvenements);
}

void MainWindow::openCodeLists()
{
    openReferenceTable(QStringLiteral("CODES_SANDRE"), QStringLiteral("Codes nationaux (Sandre)"));
}

void MainWindow::openWatersheds()
{
    openScreen(new BassinsVersants);
}

void MainWindow::openReferenceTable(const QString &table, const QString &title)
{
    const bool editable = table.compare(QLatin1String("UTILISATEURS"), Qt::CaseInsensitive) == 0
                              ? session().isAdmin
                              : session().isAdmin || session().metaData;
    openScreen(new ReferenceTable(table, title, editable));
}

void MainWindow::openConnectionScreen()
{
    FrmConnexion dialog(FrmConnexion::Origin::MainWindow, this);
    // The switch closes our screens through closeAllScreens (a refusal stops it), and
    // writes our logout while the old connection is still open.
    dialog.setScreenCloser([this] { return closeAllScreens(); });
    connect(&dialog, &FrmConnexion::aboutToChangeBase, this, &MainWindow::writeLogout);
    bool changed = false;
    connect(&dialog, &FrmConnexion::baseChanged, this, [&changed] { changed = true; });
    dialog.exec();
    if (changed)
        closeForProfileChange();
    else
        refreshStatusBar();
}

void MainWindow::printActiveScreen()
{
    QWidget *screen = activeScreen();
    if (!screen)
        return;
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Aucune imprimante n'est configurée."));
        return;
    }
    const QPixmap image = screen->grab();
    if (!m_printer)
        m_printer = new QPrinter(QPrinter::HighResolution);
    m_printer->setPageOrientation(image.width() > image.height() ? QPageLayout::Landscape
                                                                  : QPageLayout::Portrait);
    m_printer->setDocName(screen->windowTitle());
    QPrintDialog dialog(m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimer l'écran"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter;
    if (!painter.begin(m_printer)) {
        showMessage(MessageKind::Erreur, QStringLiteral("L'impression n'a pas pu démarrer."));
        return;
    }
    // The screen's image, as large as the page allows without distortion.
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(page.topLeft(), size), image);
    painter.end();
}

void MainWindow::printerSetup()
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Aucune imprimante n'est configurée."));
        return;
    }
    if (!m_printer)
        m_printer = new QPrinter(QPrinter::HighResolution);
    QPageSetupDialog dialog(m_printer, this);
    dialog.exec();
}

QString MainWindow::helpLocation(const QString &fichierAide)
{
    const QString path = fichierAide.trimmed();
    if (path.isEmpty())
        return QString();
    const QString module = QString(kModuleCode);
    const bool web = path.startsWith(QLatin1String("HTTP"), Qt::CaseInsensitive);
    const QString name = web ? QStringLiteral("docs_") + module + QStringLiteral("_help.htm")
                             : QStringLiteral("docs_") + module + QStringLiteral("_help_.htm");
    const bool endsWithSeparator =
        path.endsWith(QLatin1Char('/')) || (!web && path.endsWith(QLatin1Char('\\')));
    return endsWithSeparator ? path + name : path + QLatin1Char('/') + name;
}

void MainWindow::showHelp()
{
    // The page of the screen in front; the guide's index when none is open.
    QWidget *screen = activeScreen();
    showHelpPage(screen ? guidePageForScreen(QString::fromLatin1(screen->metaObject()->className()))
                        : QStringLiteral("index.html"));
}

void MainWindow::showHelpPage(const QString &page)
{
    const QString path = LireParametre(QStringLiteral("FichierAide"), {}, true);
    const QString location = helpPageLocation(path, page);
    if (location.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("L'aide n'est pas installée ou le paramètrage n'est pas "
                                   "correct. Merci de vérifier le chemin dans l'écran "
                                   "d'administration."));
        return;
    }
    const bool web = location.startsWith(QLatin1String("HTTP"), Qt::CaseInsensitive);
    const bool opened = web ? openHelpPage(QUrl(location))
                            : QFileInfo(location).isFile()
                                  && openHelpPage(QUrl::fromLocalFile(location));
    if (!opened)
        showMessage(MessageKind::Erreur, QStringLiteral("Impossible d'ouvrir le fichier d'aide: ")
                                             + location);
}

void MainWindow::openSupportSite()
{
    const QUrl url(VersionCheck::supportAddress());
    if (!url.isValid() || !QDesktopServices::openUrl(url))
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Impossible d'ouvrir le site du support : ") + url.toString());
}

} // namespace plx
