#pragma once

#include "base/widgets/navigator.h"
#include "run/versioncheck.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>

#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QTimer;
class QToolBar;
class QToolButton;

namespace plx {

// The program's frame after login: a multi-document window whose children are the
// screens. It owns the menus, the shared toolbar, the status bar, the window list and the
// closing sequence.
//
// Toolbar dispatch: button i calls, on the active screen, the method named below. A
// screen offers a method by declaring it as a public slot or Q_INVOKABLE, without
// arguments; a screen without it ignores the button (which shows disabled).
//   0 print and export dialog   5 DeclencheApercu            10 closes the active screen
//   1 declencheInserer          6 DeclencheExcel             11 administration screen
//   2 DeclencheSupprimer        7 DeclencheOutils            12 code lists (CODES_SANDRE)
//   3 DeclenchePoubelle         8 DeclencheFicheComplement
//   4 declencheEnregistrer      9 DeclencheAide
// The Display menu calls ChoisirColonnes and Actualiser the same way, the Graphiques menu
// openChronicle and openYearlyChart.
//
// A screen refuses to close (unsaved changes kept) by ignoring its QCloseEvent.
class MainWindow : public QMainWindow, public Navigator
{
    Q_OBJECT

public:
    static constexpr int kToolbarButtons = 13;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The method toolbar button index calls on the active screen; nullptr for the buttons
    // the main window handles itself (0, 10, 11, 12).
    static const char *toolbarMethod(int index);
    // "PLXReader": the title of the closing question.
    static QString applicationTitle();
    // The status-bar version text, "Version 6.0.0".
    static QString versionText();
    // The help page for the option FichierAide: "<folder>/docs_PLX_help_.htm" for a folder,
    // "<address>/docs_PLX_help.htm" for an address beginning with HTTP; "" when empty.
    static QString helpLocation(const QString &fichierAide);

    // Navigator: screens are children of the multi-document area, one per kind (one
    // reference table per table, one record per station).
    QWidget *openScreen(QWidget *screen) override;
    QList<QWidget *> screens() const override;
    bool closeAllScreens() override;
    void openStationSeries(const QString &code, NeighbourLookup neighbours) override;
    void openOverlayChart(OverlayChart kind, const QStringList &rainGauges) override;
    void openStationChart(const QString &code, StationChart kind,
                          NeighbourLookup neighbours) override;
    QWidget *activeScreen() const;
    QMdiArea *mdiArea() const { return m_mdi; }

    // closeAllScreens: a refusing screen stays in front, with the screens after it. Used
    // by quitting, changing user and the switch of connection profile.

    // The version check that the start timer runs (after the window first shows).
    void setVersionCheckAtStart(bool enabled) { m_versionCheckAtStart = enabled; }
    VersionCheck *versionCheck() const { return m_versionCheck; }
    // The blinking "out of date" warning of the status bar.
    bool isVersionWarningShown() const;

public slots:
    // Toolbar button index (see above).
    void dispatchToolbar(int index);
    // Calls method (no arguments) on the active screen; false when there is none or it
    // lacks the method.
    bool invokeOnActiveScreen(const char *method);

    // Rebuilds the window menu: the arrangement entries, then one entry per screen.
    void ChargerMenuFenetre();

    void openStationList();
    void openSituation();
    void openAdministration();
    // The events journal; refused with a message unless the user is an administrator.
    // The screen shown, nullptr when refused.
    QWidget *openJournal();
    void openCodeLists();
    void openWatersheds();
    void openReferenceTable(const QString &table, const QString &title);
    void openConnectionScreen();
    // Toolbar button 0: the print and export dialog over the active screen.
    void openPrintDialog();
    void printActiveScreen();
    void printerSetup();
    void closeActiveScreen();
    void changeUser();
    // Closes every screen and then the window, without the quit question; the connection
    // screen calls it once the profile is switched. False when a screen refused.
    bool closeForProfileChange();
    // F1 and the toolbar's help: the guide's page of the active screen (its index when
    // no screen is open or the screen has no page), with the help option FichierAide.
    void showHelp() override;
    // One page of the guide ("impression.html"...); an error message when it is missing.
    void showHelpPage(const QString &page);
    void openSupportSite();
    void startVersionCheck();

    void tileHorizontally();
    void tileVertically();
    void tile(Qt::Orientation direction);
    void arrangeIcons();

signals:
    // Change user: ConnexionAutomatic is "NON" and the window closed; the login screen
    // should show again.
    void changeUserRequested();
    // The connection profile was switched and the window closed: back to login.
    void profileChanged();
    // The database panel was clicked and the connection screen is not built in.
    void connectionScreenRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    enum class CloseReason { Quit, ChangeUser, ProfileChange };

    void buildToolbar();
    void buildMenus();
    void buildReferenceMenu(QMenu *menu);
    void buildStatusBar();
    void refreshStatusBar();
    void updateActions();
    void refreshReferenceMenu();
    void onVersionChecked(VersionCheck::Outcome outcome);
    void blinkVersionWarning();
    QList<QMdiSubWindow *> openSubWindows() const;
    QMdiSubWindow *subWindowOf(const QWidget *screen) const;
    void writeLogout();
    bool closeWithReason(CloseReason reason);

    QMdiArea *m_mdi = nullptr;      // owned (central widget)
    QToolBar *m_toolbar = nullptr;  // owned
    QMenu *m_windowMenu = nullptr;  // owned
    QMenu *m_referenceMenu = nullptr;
    std::vector<QAction *> m_toolbarActions;
    QAction *m_chooseColumnsAction = nullptr;
    QAction *m_refreshAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_closeScreenAction = nullptr;
    QAction *m_stationListAction = nullptr;
    QAction *m_administrationAction = nullptr;
    QAction *m_journalAction = nullptr; // shown to administrators only
    // The charts of the active screen's station (list row, record, other chart); in the
    // Graphiques menu and the toolbar.
    QAction *m_chronicleAction = nullptr;
    QAction *m_yearlyAction = nullptr;
    QAction *m_yearbookAction = nullptr;
    QAction *m_normalsAction = nullptr;
    std::vector<std::pair<QAction *, QString>> m_referenceActions; // action, table

    QToolButton *m_databasePanel = nullptr;
    QLabel *m_linkPanel = nullptr;
    QLabel *m_userPanel = nullptr;
    QToolButton *m_versionPanel = nullptr;
    QIcon m_warningIcon;
    QTimer *m_warningTimer = nullptr; // 1000 ms: blinks the version panel
    bool m_warningPictureShown = false;

    VersionCheck *m_versionCheck = nullptr; // owned (child)
    bool m_versionCheckAtStart = true;
    bool m_started = false;

    CloseReason m_closeReason = CloseReason::Quit;
    bool m_logoutWritten = false; // a profile switch writes it before the window closes
    // Owned; kept so that the printer set-up applies to later prints. Null until used.
    QPrinter *m_printer = nullptr;
};

} // namespace plx
