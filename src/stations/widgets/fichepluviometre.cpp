#include "stations/widgets/fichepluviometre.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/navigator.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "measures/measurerights.h"
#include "measures/widgets/historiquegrid.h"
#include "outputs/widgets/gridexport.h"
#include "session/session.h"
#include "stations/maplinks.h"
#include "stations/stationcodes.h"
#include "stations/stationdeletion.h"
#include "stations/stationfavourites.h"
#include "stations/stationrenumber.h"
#include "stations/widgets/bulletinspluvio.h"
#include "stations/widgets/fichefields.h"
#include "stations/widgets/rapportintervention.h"
#include "stations/widgets/stationsublist.h"
#include "stations/widgets/sublistgrid.h"
#include "stations/widgets/sublistmodel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QProgressDialog>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace plx {

namespace {

const char *const kTitle = "Fiche pluviomètre";
const char *const kDefaultWeatherHost = "https://donneespubliques.meteofrance.fr";

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QString &tip)
{
    auto *push = new QPushButton(text, parent);
    push->setObjectName(QLatin1String(name));
    push->setToolTip(tip);
    return push;
}

// The full program is "PLXReader"; a reader edition is named with READER in capitals.
bool isReaderEdition()
{
    return QCoreApplication::applicationName().contains(QLatin1String("READER"));
}

// Internal codes may be typed and changed only where the option says so.
bool codeChangeAllowed()
{
    return LireParametre(QStringLiteral("ModifierCodeInterne"))
               .compare(QLatin1String("OUI"), Qt::CaseInsensitive) == 0;
}

// A modal progress window without a cancel button: the operation runs in one transaction
// that stopping half-way would only roll back.
class OperationProgress
{
public:
    OperationProgress(QWidget *parent, const QString &title)
        : m_dialog(title, QString(), 0, 100, parent)
    {
        m_dialog.setWindowTitle(title);
        m_dialog.setCancelButton(nullptr);
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setValue(0);
    }
    StationProgress callback()
    {
        return [this](int percent) { m_dialog.setValue(percent); };
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

FichePluviometre::FichePluviometre(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FichePluviometre"));
    m_editable = session().hasRight(QStringLiteral("PLUVIO_FICHE_MODIF")) && !isReaderEdition();

    m_lblMaj = new QLabel(this);
    m_lblMaj->setObjectName(QStringLiteral("lblMaj"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabFiche"));
    m_fields = new FicheFields(m_tabs);
    m_tabs->addTab(m_fields, QStringLiteral("Pluviomètre"));
    m_subLists = createStationSubLists(m_tabs);
    for (StationSubList *subList : m_subLists) {
        m_tabs->addTab(subList, subList->title());
        subList->setEditable(m_editable);
        connect(subList, &StationSubList::dirtyChanged, this,
                [this] { setWindowModified(hasUnsavedChanges()); });
    }
    if (SubListGrid *interventions = interventionsGrid()) {
        QPushButton *report = interventions->addButton(
            "CmdRapportIntervention", QStringLiteral("&Rapport d'intervention"));
        report->setToolTip(QStringLiteral("Aperçu avant impression du rapport de l'intervention "
                                          "choisie"));
        connect(report, &QPushButton::clicked, this, &FichePluviometre::openInterventionReport);
    }
    m_historique = new HistoriqueGrid(m_tabs);
    m_tabs->addTab(m_historique, QStringLiteral("Historique"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildButtonBar());
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_lblMaj);

    if (AccesBase::instance().isConnected())
        m_fields->fillCombos();
    m_fields->setEditable(m_editable);
    connect(m_fields, &FicheFields::edited, this, [this] { setDirty(true); });
    showStation();
    resize(1100, 640);
}

FichePluviometre::~FichePluviometre() = default;

QWidget *FichePluviometre::buildButtonBar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto *previous = button(bar, "CmdPrecedent", QStringLiteral("◀ Précédent"),
                            QStringLiteral("Pluviomètre précédent (Alt+Gauche)"));
    auto *next = button(bar, "CmdSuivant", QStringLiteral("Suivant ▶"),
                        QStringLiteral("Pluviomètre suivant (Alt+Droite)"));
    m_favourite =
        button(bar, "CmdFavori", QString(), QStringLiteral("Ajouter ou retirer des favoris"));
    m_favourite->setCheckable(true);
    m_changeCode = button(bar, "CmdModifierCode", QStringLiteral("Modifier le code interne"),
                          QStringLiteral("Donner un autre code interne au pluviomètre"));
    m_changeCode->setVisible(codeChangeAllowed());
    m_changeCode->setEnabled(m_editable);
    auto *weather =
        button(bar, "CmdFicheMeteo", QStringLiteral("Fic&he Météo-France"),
               QStringLiteral("Fiche publique de la station du service météorologique"));
    auto *map = button(bar, "CmdCarte", QStringLiteral("Carte"),
                       QStringLiteral("Afficher le pluviomètre sur une carte"));
    auto *data = button(bar, "CmdDonnees", QStringLiteral("&Données"),
                        QStringLiteral("Mesures du pluviomètre"));
    auto *charts = button(bar, "CmdGraphiques", QStringLiteral("Graphi&ques"),
                          QStringLiteral("Graphiques du pluviomètre"));
    auto *bulletins = button(bar, "CmdBulletins", QStringLiteral("&Bulletins"),
                             QStringLiteral("Bulletins du pluviomètre"));

    // Scoped to this record: several records may be open in the main window.
    for (const auto &[key, target] :
         {std::pair{Qt::Key_Left, previous}, std::pair{Qt::Key_Right, next}}) {
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, target, &QPushButton::click);
    }
    connect(previous, &QPushButton::clicked, this, &FichePluviometre::loadPrevious);
    connect(next, &QPushButton::clicked, this, &FichePluviometre::loadNext);
    connect(m_favourite, &QPushButton::clicked, this, &FichePluviometre::toggleFavourite);
    connect(m_changeCode, &QPushButton::clicked, this, &FichePluviometre::changeCode);
    connect(weather, &QPushButton::clicked, this, &FichePluviometre::openWeatherSheet);
    connect(map, &QPushButton::clicked, this, &FichePluviometre::openMap);
    connect(data, &QPushButton::clicked, this, [this] { openPanel(QStringLiteral("Données")); });
    // Two charts for one button: the button opens a menu of them.
    auto *chartMenu = new QMenu(charts);
    chartMenu->setObjectName(QStringLiteral("MenuGraphiques"));
    QAction *chronicle = chartMenu->addAction(QStringLiteral("&Chronique"), this,
                                              &FichePluviometre::openChronicle);
    chronicle->setObjectName(QStringLiteral("MnuChronique"));
    QAction *yearly = chartMenu->addAction(QStringLiteral("Graphique &annuel"), this,
                                           &FichePluviometre::openYearlyChart);
    yearly->setObjectName(QStringLiteral("MnuGraphiqueAnnee"));
    chartMenu->addAction(QStringLiteral("Ann&uaire"), this, &FichePluviometre::openYearbook)
        ->setObjectName(QStringLiteral("MnuAnnuaire"));
    chartMenu
        ->addAction(QStringLiteral("Comparaison aux &normales"), this,
                    &FichePluviometre::openNormalsComparison)
        ->setObjectName(QStringLiteral("MnuCompNormale"));
    charts->setMenu(chartMenu);
    connect(bulletins, &QPushButton::clicked, this, &FichePluviometre::openBulletins);

    for (QPushButton *push : {previous, next, m_favourite, m_changeCode, weather, map})
        row->addWidget(push);
    row->addStretch(1);
    for (QPushButton *push : {data, charts, bulletins})
        row->addWidget(push);
    return bar;
}

bool FichePluviometre::ChargementFichePluviometre(const QString &code)
{
    const std::optional<StationRecord> record = loadStation(AccesBase::instance(), code);
    if (!record) {
        showMessage(MessageKind::Erreur, QStringLiteral("Impossible de charger la fiche."));
        return false;
    }
    m_record = *record;
    showStation();
    return true;
}

QString FichePluviometre::stationCode() const
{
    return m_record.code;
}

void FichePluviometre::setNeighbourLookup(NeighbourLookup lookup)
{
    m_neighbours = std::move(lookup);
}

bool FichePluviometre::hasUnsavedChanges() const
{
    if (m_dirty)
        return true;
    return std::any_of(m_subLists.begin(), m_subLists.end(),
                       [](const StationSubList *subList) { return subList->isDirty(); });
}

void FichePluviometre::showStation()
{
    m_fields->showRecord(m_record);
    const bool connected = AccesBase::instance().isConnected();
    m_fields->showReferent(connected ? referentContact(AccesBase::instance(), m_record.code)
                                     : std::nullopt);
    m_lblMaj->setText(m_record.dateMaj.isValid() ? QStringLiteral("Dernière modification le ") +
                                                       formatDateTime(m_record.dateMaj) +
                                                       QStringLiteral(" par ") + m_record.loginMaj
                                                 : QString());
    for (StationSubList *subList : m_subLists)
        subList->setStationCode(m_record.code);
    m_historique->calculHistorique(m_record.code);
    m_favouriteState = connected && isFavouriteStation(AccesBase::instance(), session().login,
                                                       m_record.identifiant);
    updateFavouriteButton();
    updateIdentity();
    setDirty(false);
}

void FichePluviometre::updateFavouriteButton()
{
    m_favourite->setChecked(m_favouriteState);
    m_favourite->setText(m_favouriteState ? QStringLiteral("★ Fa&vori")
                                          : QStringLiteral("☆ Fa&vori"));
}

void FichePluviometre::updateIdentity()
{
    const QString shown = m_record.identifiant.isEmpty() ? m_record.nom : m_record.identifiant;
    setWindowTitle(shown.isEmpty() ? QString::fromUtf8(kTitle)
                                   : QString::fromUtf8(kTitle) + QStringLiteral(" - ") + shown);
    setProperty("plxScreenKey",
                QStringLiteral("FichePluviometre:") +
                    (m_record.code.isEmpty() ? QStringLiteral("nouveau") : m_record.code));
}

void FichePluviometre::setDirty(bool dirty)
{
    m_dirty = dirty;
    setWindowModified(hasUnsavedChanges());
}

bool FichePluviometre::askNewCode(QString *code)
{
    bool ok = false;
    *code =
        QInputDialog::getText(this, QStringLiteral("Code interne"),
                              QStringLiteral("Si vous ne saisissez aucun code, le max + 1 de la "
                                             "base sera calculé.\nQuel est le code interne à "
                                             "utiliser?"),
                              QLineEdit::Normal, QString(), &ok);
    return ok;
}

bool FichePluviometre::declencheEnregistrer()
{
    if (m_busy)
        return false;
    if (!m_editable) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Vous ne disposez pas des droits nécessaires "
                                   "pour modifier la fiche."));
        return false;
    }
    std::optional<StationRecord> typed = m_fields->typedRecord(m_record);
    if (!typed)
        return false;
    AccesBase &db = AccesBase::instance();
    // The identifier first: no point asking for a code when the save is refused anyway.
    const QString conflict = identifierConflict(db, typed->identifiant, typed->code);
    if (!conflict.isEmpty()) {
        showMessage(MessageKind::Aide, conflict);
        return false;
    }
    QString requested;
    if (typed->code.isEmpty() && codeChangeAllowed()) {
        if (!askNewCode(&requested))
            return false;
        requested = requested.trimmed();
        const QString refused = codeRuleViolation(db, requested);
        if (!refused.isEmpty()) {
            showMessage(MessageKind::Aide, refused);
            return false;
        }
    }
    m_busy = true;
    const bool isNew = typed->code.isEmpty();
    const StationSaveResult result = saveStation(db, *typed, requested);
    if (!result.ok) {
        m_busy = false;
        showMessage(result.refused ? MessageKind::Aide : MessageKind::Erreur, result.message);
        return false;
    }
    m_record = *typed;
    bool everythingSaved = true;
    if (!isNew) {
        for (StationSubList *subList : m_subLists) {
            if (subList->isDirty() && !subList->save())
                everythingSaved = false; // the grid said why; its rows stay for another try
        }
    }
    m_busy = false;
    m_fields->showRecord(m_record);
    m_lblMaj->setText(QStringLiteral("Dernière modification le ") +
                      formatDateTime(m_record.dateMaj) + QStringLiteral(" par ") +
                      m_record.loginMaj);
    if (isNew) {
        for (StationSubList *subList : m_subLists)
            subList->setStationCode(m_record.code);
        m_historique->calculHistorique(m_record.code);
    }
    m_favouriteState = isFavouriteStation(db, session().login, m_record.identifiant);
    updateFavouriteButton();
    updateIdentity();
    setDirty(false); // a grid that failed stays dirty on its own
    emit stationSaved(m_record.code);
    if (everythingSaved)
        showMessage(MessageKind::Aide, QStringLiteral("Enregistrement de la fiche terminée."));
    return everythingSaved;
}

void FichePluviometre::DeclencheSupprimer()
{
    if (m_busy)
        return;
    if (!m_editable) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Vous ne disposez pas des droits nécessaires "
                                   "pour supprimer le pluviomètre."));
        return;
    }
    const QString name = m_record.code.isEmpty() ? m_fields->typedName() : m_record.nom;
    if (!showMessage(MessageKind::Question,
                     QStringLiteral("Etes vous sur de vouloir supprimer le pluviomètre ") + name +
                         QStringLiteral(" et toutes les mesures qu'il possède ?")))
        return;
    if (m_record.code.isEmpty()) {
        setDirty(false); // never saved: nothing to delete in the database
        for (StationSubList *subList : m_subLists)
            subList->setStationCode(QString());
        close();
        return;
    }
    const QString code = m_record.code;
    m_busy = true;
    QString error;
    bool deleted = false;
    {
        OperationProgress progress(this, QStringLiteral("Suppression du pluviomètre"));
        deleted = deleteStation(AccesBase::instance(), code, progress.callback(), &error);
    }
    m_busy = false;
    if (!deleted) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La suppression du pluviomètre a échoué : ") + error);
        return;
    }
    showMessage(MessageKind::Aide, QStringLiteral("Le pluviomètre a été supprimé."));
    emit stationDeleted(code);
    m_record = StationRecord();
    showStation();
    close();
}

void FichePluviometre::changeCode()
{
    if (m_busy || !m_editable)
        return;
    if (m_record.code.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Enregister le pluviomètre avant de charger "
                                   "ces fonctionnalités"));
        return;
    }
    if (hasUnsavedChanges()) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Enregistrez les modifications de la fiche avant "
                                   "de modifier le code interne."));
        return;
    }
    bool ok = false;
    const QString typed =
        QInputDialog::getText(this, QStringLiteral("Modification du code interne"),
                              QStringLiteral("Le code interne est actuellement: ") + m_record.code +
                                  QStringLiteral("\nQuel est le nouveau code à utiliser?"),
                              QLineEdit::Normal, QString(), &ok)
            .trimmed();
    if (!ok || typed.isEmpty())
        return;
    AccesBase &db = AccesBase::instance();
    const QString refused = codeRuleViolation(db, typed);
    if (!refused.isEmpty()) {
        showMessage(MessageKind::Aide, refused);
        return;
    }
    const QString oldCode = m_record.code;
    m_busy = true;
    QString error;
    bool changed = false;
    {
        OperationProgress progress(this, QStringLiteral("Modification du code interne"));
        changed = renumberStation(db, oldCode, typed, progress.callback(), &error);
    }
    m_busy = false;
    if (!changed) {
        showMessage(MessageKind::Erreur, QStringLiteral("La modification du code interne a échoué, "
                                                        "rien n'a été changé : ") +
                                             error);
        return;
    }
    ChargementFichePluviometre(normalisedStationCode(typed));
    emit codeChanged(oldCode, m_record.code);
}

void FichePluviometre::declencheInserer()
{
    auto *subList = qobject_cast<StationSubList *>(m_tabs->currentWidget());
    if (!subList) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Choisissez l'onglet de la liste dans laquelle "
                                   "ajouter une ligne."));
        return;
    }
    subList->declencheInserer();
}

void FichePluviometre::DeclencheExcel()
{
    // The grids show French text only: dates and numbers are typed back from it.
    if (auto *subList = qobject_cast<SubListGrid *>(m_tabs->currentWidget())) {
        exportViewInOneClick(this, *subList->grid(), m_tabs->tabText(m_tabs->currentIndex()),
                             exportedFrenchText());
        return;
    }
    exportViewInOneClick(this, *m_historique, QStringLiteral("Situation"), exportedFrenchText());
}

void FichePluviometre::DeclencheAide()
{
    if (Navigator *navigator = navigatorFor(this))
        navigator->showHelp();
}

void FichePluviometre::loadPrevious()
{
    loadNeighbour(-1);
}

void FichePluviometre::loadNext()
{
    loadNeighbour(1);
}

void FichePluviometre::loadNeighbour(int step)
{
    if (m_busy)
        return;
    const QString code = m_neighbours
                             ? m_neighbours(m_record.code, step)
                             : adjacentStationCode(AccesBase::instance(), m_record.code, step);
    if (code.isEmpty() || code == m_record.code)
        return;
    if (hasUnsavedChanges() &&
        !showMessage(MessageKind::Question, QStringLiteral("La fiche a été modifiée. Voulez-vous "
                                                           "abandonner les modifications ?")))
        return;
    ChargementFichePluviometre(code);
}

void FichePluviometre::toggleFavourite()
{
    if (m_record.code.isEmpty() || m_record.identifiant.isEmpty()) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Enregistrez le pluviomètre avec un identifiant "
                                   "avant de l'ajouter aux favoris."));
    } else if (setFavouriteStation(AccesBase::instance(), session().login, m_record.identifiant,
                                   !m_favouriteState)) {
        m_favouriteState = !m_favouriteState;
    } else {
        showMessage(MessageKind::Erreur, QStringLiteral("Impossible de modifier les favoris : ") +
                                             AccesBase::instance().lastError());
    }
    updateFavouriteButton();
}

void FichePluviometre::openWeatherSheet()
{
    if (m_record.code.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Vous devez d'abord enregistrer le pluviomètre "
                                   "afin d'accéder à sa fiche"));
        return;
    }
    QString host = LireParametre(QStringLiteral("UrlFicheMeteo"), {}, true);
    if (host.isEmpty())
        host = QString::fromLatin1(kDefaultWeatherHost);
    QUrl url(host);
    url.setPath(url.path() + QStringLiteral("/metadonnees_publiques/fiches/fiche_") +
                m_record.identifiant + QStringLiteral(".pdf"));
    if (!QDesktopServices::openUrl(url))
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Impossible d'ouvrir l'adresse ") + url.toString());
}

void FichePluviometre::openMap()
{
    if (m_record.code.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Enregister le pluviomètre avant de charger "
                                   "ces fonctionnalités"));
        return;
    }
    const std::optional<StationCoordinates> coordinates = findStationCoordinates(m_record.code);
    if (!coordinates) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Les sites ne possèdent pas de coordonnées en "
                                   "WGS84 pour pouvoir être exportés vers Google Maps"));
        return;
    }
    const QUrl url = stationMapUrl(*coordinates);
    if (!QDesktopServices::openUrl(url))
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Impossible d'ouvrir l'adresse ") + url.toString());
}

void FichePluviometre::openPanel(const QString &title)
{
    if (m_record.code.isEmpty()) {
        showMessage(
            MessageKind::Erreur,
            QStringLiteral("Enregister le pluviomètre avant de charger ces fonctionnalités"));
        return;
    }
    const bool measures = title != QLatin1String("Bulletins");
    if (measures && !mayConsultMeasures())
        return;
    if (title == QStringLiteral("Données")) {
        if (Navigator *navigator = navigatorFor(this))
            navigator->openStationSeries(m_record.code, m_neighbours);
        return;
    }
    if (title == QStringLiteral("Graphiques") || title == QStringLiteral("Graphique annuel")) {
        if (Navigator *navigator = navigatorFor(this))
            navigator->openStationChart(m_record.code,
                                        title == QStringLiteral("Graphiques")
                                            ? Navigator::StationChart::Chronicle
                                            : Navigator::StationChart::Yearly,
                                        m_neighbours);
        return;
    }
    showMessage(MessageKind::Aide,
                title + QStringLiteral(" : cette fonction n'est pas encore disponible."));
}

void FichePluviometre::openBulletins()
{
    if (m_record.code.isEmpty()) {
        showMessage(
            MessageKind::Erreur,
            QStringLiteral("Enregister le pluviomètre avant de charger ces fonctionnalités"));
        return;
    }
    if (Navigator *navigator = navigatorFor(this))
        navigator->openScreen(new BulletinsPluvio(m_record.code));
}

SubListGrid *FichePluviometre::interventionsGrid() const
{
    for (StationSubList *subList : m_subLists) {
        if (subList->objectName() == QLatin1String("OngletInterventions"))
            return qobject_cast<SubListGrid *>(subList);
    }
    return nullptr;
}

bool FichePluviometre::showIntervention(int numero)
{
    SubListGrid *grid = interventionsGrid();
    if (!grid)
        return false;
    m_tabs->setCurrentWidget(grid);
    const int row = grid->findRow(QStringLiteral("Numero"), numero);
    if (row < 0)
        return false;
    const int column = std::max(0, grid->model()->gridColumn(QStringLiteral("DateEvenement")));
    grid->grid()->setCurrentIndex(grid->model()->index(row, column));
    grid->grid()->scrollTo(grid->model()->index(row, column));
    grid->grid()->setFocus();
    return true;
}

bool FichePluviometre::openInterventionReport()
{
    SubListGrid *grid = interventionsGrid();
    if (!grid || m_record.code.isEmpty())
        return false;
    const QModelIndex current = grid->grid()->currentIndex();
    const int numberColumn = grid->model()->gridColumn(QStringLiteral("Numero"));
    if (!current.isValid() || numberColumn < 0) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Choisissez l'intervention dont imprimer le rapport."));
        return false;
    }
    // The report reads the database: an intervention typed but not saved would print stale.
    if (grid->isDirty()) {
        showMessage(MessageKind::Aide, QStringLiteral("Enregistrez les interventions avant "
                                                      "d'imprimer leur rapport."));
        return false;
    }
    const std::optional<double> numero = parseNumber(
        grid->model()->index(current.row(), numberColumn).data(Qt::EditRole).toString());
    if (!numero) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Choisissez l'intervention dont imprimer le rapport."));
        return false;
    }
    return previewInterventionReport(this, m_record.code.toLongLong(), int(*numero));
}

void FichePluviometre::openChronicle()
{
    openPanel(QStringLiteral("Graphiques"));
}

void FichePluviometre::openYearlyChart()
{
    openPanel(QStringLiteral("Graphique annuel"));
}

void FichePluviometre::openYearbook()
{
    if (Navigator *navigator = navigatorFor(this); navigator && mayConsultMeasures())
        navigator->openStationChart(m_record.code, Navigator::StationChart::Yearbook, m_neighbours);
}

void FichePluviometre::openNormalsComparison()
{
    if (Navigator *navigator = navigatorFor(this); navigator && mayConsultMeasures())
        navigator->openStationChart(m_record.code, Navigator::StationChart::Normals, m_neighbours);
}

void FichePluviometre::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    if (m_editable && hasUnsavedChanges() &&
        showMessage(MessageKind::Question, QStringLiteral("La fiche a été modifiée. Voulez-vous "
                                                          "enregistrer les modifications avant de "
                                                          "fermer ?")) &&
        !declencheEnregistrer()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace plx
