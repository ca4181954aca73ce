#include "cli/widgets/guideshotscommand.h"

#include "base/messages.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/widgets/offscreenmain.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "outputs/sampletemplates.h"
#include "outputs/widgets/frmimpression.h"
#include "measures/widgets/situationreseau.h"
#include "measures/widgets/validation.h"
#include "run/demonetwork.h"
#include "run/widgets/mainwindow.h"
#include "session/session.h"
#include "stations/widgets/fichepluviometre.h"
#include "charts/widgets/suiviprecipitations.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <functional>

namespace plx::cli {

namespace {

const QSize kShotSize(1366, 768);

// A fortnight after the demo's last daily values: recent and old stations side by side,
// whatever today's date.
void showDemoSituation(MainWindow &w)
{
    if (auto *screen = qobject_cast<SituationReseau *>(w.activeScreen())) {
        screen->setSearchDate(QDate(2026, 3, 31));
        screen->Actualiser();
    }
}

struct Shot
{
    const char *file;
    std::function<void(MainWindow &)> open;
    bool maximised = true; // the active screen fills the frame
};

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The stations of the pictures: Marignane, Marseille and Aix, which have both a long record
// and recent values; else the first of the register.
QStringList demoStations(AccesBase &db)
{
    QStringList codes;
    for (const char *identifiant : {"13054001", "13055001", "13001009"}) {
        db.readRecords(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES WHERE Identifiant = ")
                           + sqlQuote(QString::fromLatin1(identifiant)),
                       [&codes](const QVariant *values, int count) {
                           if (count > 0)
                               codes << values[0].toString();
                           return false;
                       });
    }
    db.readRecords(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES ORDER BY CodePluviometre"),
                   [&codes](const QVariant *values, int count) {
                       if (count > 0 && !codes.contains(values[0].toString()))
                           codes << values[0].toString();
                       return codes.size() < 3;
                   });
    return codes;
}

int guideShotsCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    QString out;
    QStringList rest;
    for (qsizetype i = 0; i < options.positional.size(); ++i) {
        if (options.positional[i] == QLatin1String("--out") && i + 1 < options.positional.size())
            out = options.positional[++i];
        else
            rest << options.positional[i];
    }
    if (!options.error.isEmpty() || !options.hasDatabase || out.isEmpty() || !rest.isEmpty()
        || options.profile.kind != QLatin1String("ACCESS")) {
        print(stderr, options.error.isEmpty()
                          ? QStringLiteral("Utilisation : plx guide-shots --db FICHIER.sqlite "
                                           "--out DOSSIER\n")
                          : options.error + QLatin1Char('\n'));
        return 2;
    }
    QString error;
    if (!createDemoNetwork(options.profile.database, &error)) {
        print(stderr, QStringLiteral("Le réseau de démonstration n'a pas pu être créé : %1\n")
                          .arg(error));
        return 1;
    }
    if (!QDir().mkpath(out)) {
        print(stderr, QStringLiteral("Le dossier %1 n'a pas pu être créé.\n").arg(out));
        return 1;
    }
    // No box may wait for a click here: messages go to the error output, questions get "no".
    setMessageHandler([](MessageKind kind, const QString &text) {
        print(stderr, messageTitle(kind) + QStringLiteral(" : ") + text + QLatin1Char('\n'));
        return false;
    });
    // The file given on the command line runs as its administrator, as in the client.
    setCurrentLogin(QStringLiteral("ADMIN"));
    UserSession &user = session();
    user.login = QStringLiteral("ADMIN");
    user.isAdmin = true;
    user.metaData = true;
    user.fromCommandLine = true;

    AccesBase &db = AccesBase::instance();
    const QStringList stations = demoStations(db);
    if (stations.isEmpty()) {
        print(stderr, QStringLiteral("La base ne contient aucun pluviomètre.\n"));
        return 1;
    }
    const QString station = stations.first();
    const QStringList few = stations.mid(0, 3);

    const std::vector<Shot> shots = {
        {"accueil.png",
         [](MainWindow &w) {
             w.openStationList();
             w.openSituation();
             showDemoSituation(w);
             w.tileVertically();
         },
         false},
        {"liste-pluviometres.png", [](MainWindow &w) { w.openStationList(); }},
        {"fiche-pluviometre.png",
         [&](MainWindow &w) {
             auto *record = new FichePluviometre;
             w.openScreen(record);
             record->ChargementFichePluviometre(station);
         }},
        {"validation.png",
         [&](MainWindow &w) {
             w.openStationSeries(station, {});
             // A month of the demo's recent values, as the user would load it.
             auto *editor = qobject_cast<Validation *>(w.activeScreen());
             auto *from = editor ? editor->findChild<QLineEdit *>(QStringLiteral("TxtDateDebut")) : nullptr;
             auto *to = editor ? editor->findChild<QLineEdit *>(QStringLiteral("txtDateFin")) : nullptr;
             if (from && to) {
                 from->setText(QStringLiteral("01/01/2026"));
                 to->setText(QStringLiteral("31/01/2026"));
                 editor->chargementStation();
             }
         }},
        {"graphique-chronique.png",
         [&](MainWindow &w) { w.openStationChart(station, Navigator::StationChart::Chronicle, {}); }},
        {"graphique-annuel.png",
         [&](MainWindow &w) { w.openStationChart(station, Navigator::StationChart::Yearly, {}); }},
        {"graphique-annuaire.png",
         [&](MainWindow &w) { w.openStationChart(station, Navigator::StationChart::Yearbook, {}); }},
        {"graphique-normales.png",
         [&](MainWindow &w) { w.openStationChart(station, Navigator::StationChart::Normals, {}); }},
        {"graphique-superposition.png",
         [&](MainWindow &w) { w.openOverlayChart(Navigator::OverlayChart::RainGauges, few); }},
        {"graphique-pluie-piezometrie.png",
         [&](MainWindow &w) { w.openOverlayChart(Navigator::OverlayChart::RainAndGroundwater, few); }},
        {"suivi-precipitations.png",
         [&](MainWindow &w) {
             auto *screen = new SuiviPrecipitations;
             w.openScreen(screen);
             if (auto *codes = screen->findChild<QLineEdit *>(QStringLiteral("TxtStations")))
                 codes->setText(few.join(QLatin1Char(',')));
             if (auto *from = screen->findChild<QDateEdit *>(QStringLiteral("DtpDebut")))
                 from->setDate(QDate(2025, 1, 1));
             if (auto *to = screen->findChild<QDateEdit *>(QStringLiteral("DtpFin")))
                 to->setDate(QDate(2025, 12, 31));
             if (auto *compare = screen->findChild<QCheckBox *>(QStringLiteral("ChkNormales")))
                 compare->setChecked(true);
             screen->Actualiser();
         }},
        {"situation-reseau.png",
         [](MainWindow &w) {
             w.openSituation();
             showDemoSituation(w);
         }},
        {"journal.png", [](MainWindow &w) { w.openJournal(); }},
        {"administration.png", [](MainWindow &w) { w.openAdministration(); }},
    };

    int written = 0;
    for (const Shot &shot : shots) {
        MainWindow window;
        window.setVersionCheckAtStart(false);
        window.resize(kShotSize);
        window.show();
        settle();
        shot.open(window);
        settle();
        // Maximised in the frame: the picture shows the screen as the user works in it.
        QMdiSubWindow *sub = window.mdiArea()->activeSubWindow();
        if (sub && shot.maximised)
            sub->showMaximized();
        settle();
        const QString path = QDir(out).filePath(QString::fromLatin1(shot.file));
        if (!window.grab().save(path)) {
            print(stderr, QStringLiteral("Image non écrite : %1\n").arg(path));
            return 1;
        }
        ++written;
        window.closeAllScreens();
        settle();
    }

    // The print dialog over the station list.
    {
        MainWindow window;
        window.setVersionCheckAtStart(false);
        window.resize(kShotSize);
        window.show();
        window.openStationList();
        settle();
        // The sample templates, as a fresh installation offers them.
        QTemporaryDir templates;
        installSampleTemplates(templates.path());
        PrintDialogContext context;
        context.templateFolder = templates.path();
        context.screen = window.activeScreen();
        context.db = &db;
        FrmImpression dialog(std::move(context), &window);
        dialog.show();
        settle();
        const QString path = QDir(out).filePath(QStringLiteral("impression.png"));
        if (!dialog.grab().save(path)) {
            print(stderr, QStringLiteral("Image non écrite : %1\n").arg(path));
            return 1;
        }
        ++written;
        dialog.close();
        window.closeAllScreens();
    }
    print(stdout, QStringLiteral("%1 image(s) écrites dans %2\n").arg(written).arg(out));
    return 0;
}

} // namespace

int guideShotsMain(int argc, char **argv)
{
    return runOffscreenCommand(argc, argv, guideShotsCommand);
}

} // namespace plx::cli
